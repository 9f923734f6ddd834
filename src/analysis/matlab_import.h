#pragma once
// The import of a training run made in Matlab: "PCA/config.txt" (the data set, the network, the method,
// the transfer functions and the error of every epoch) and "PCA/WM_matlab.txt" (the weights of every
// epoch) become the program's own state: the main window's network and training fields are set to
// match, the network is built, the histories are sized, the error curve is drawn in the training-progress
// plot, and the full error-surface pipeline reads the weights and draws the surface.
#include <string>

#include "state/parameters.h"

namespace wl {

struct Workbench;

// "Import WM from Matlab".
void ImportWMFromMatlab(Workbench& wb);

// The record of a Matlab transfer-function name ("logsig", "tansig", "purelin", "satlin", "satlins",
// "hardlim", "hardlims", compared exactly); false for any other name.
bool MatlabTransferFunction(const std::string& name, TTransferFunction& tf);

// Whether an "any WM" list keeps the rules of its grammar for a training of the given epochs: tokens of
// digits, "." and "-", at most one "-" and not at an end, whole epochs not beyond the last.
bool AnyEpochListValid(const std::string& text, int epochs);

}  // namespace wl

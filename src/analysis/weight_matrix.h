#pragma once
// The weight matrix of a training run: one row per selected epoch, one column per weight, built from the
// recorded weight history or from "PCA/WM_matlab.txt" (a training done in Matlab), and exported as
// "PCA/WM_weightlab.txt" for the Matlab scripts. The end-of-run step of every trainer is here too.
#include <string>
#include <vector>

namespace wl {

struct Workbench;

// Builds the weight matrix of the epochs chosen by "from WM", "to WM", "every WM" and the "any WM" list;
// with the training method " Matlab" from "PCA/WM_matlab.txt" (which then also replaces the recorded
// weight history), else from WeightHistory. Writes "PCA/WM_weightlab.txt" when the training was not done in
// Matlab and "PCA in Matlab (pc6.m)" is chosen. True when built; false after the message of a failed check.
// Either way the columns are in the program's weight order (layer, neuron, input, the threshold last).
bool BuildWMForMatlab(Workbench& wb);

// BuildWMForMatlab at the end of a training run (the hook the trainers reach through
// ExportWeightMatrixAtRunEnd, training/run_end.h): its result is not looked at, and an error it meets is
// shown without ending the run.
void BuildWMForMatlabAtRunEnd(Workbench& wb);

// One line of "WM_weightlab.txt" as this build writes it: each value in the default real format followed
// by two blanks, and the line end (carriage return, line feed).
std::string WeightLabLine(const std::vector<double>& values);

// For the current network: the column, in the program's weight order, of token t of a line written in
// Matlab's order (layer, input with the threshold last, neuron).
std::vector<int> MatlabToSystemOrder(const Workbench& wb);

}  // namespace wl

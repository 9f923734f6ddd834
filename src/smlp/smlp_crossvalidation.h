#pragma once
// The step networks in a crossvalidation: how a fold's network is trained and tested for the SMLP
// methods. The crossvalidation itself (folds, files, statistics) is experiments/crossvalidation.h, which
// calls these through the hooks table.
//
// Method 1 (SMLP): with a class chosen in CurrentClassBox the single-class network of SMLPTraining(0),
// tested by its rules into the run's "_CVRE.txt"; else RunSMLP mode 3 ("F. Reduction"), 5 ("F. Expansion")
// or 1, tested by the rules report into the run's "_RE.txt".
// Method 4 (VSS+SMLP): the perceptron of the fold trained by VSS and turned into the single-class network
// of the chosen class (RunVSSThenSMLP), tested by its rules into "_CVRE.txt".
#include <cstdint>

namespace wl {

struct Workbench;

// Whether the method trains a step network here (and so is tested by the rules).
bool IsStepCVMethod(std::uint8_t method);

// The start of a run (also made once before the first run, before anything of the crossvalidation
// changes): method 1 reads the features the discretization file
// allows (ReadHiddenPerClass); method 4 throws WlError with the refusal of VSSSMLPPlanRefusal when the
// folds' perceptrons could not be converted, ConvertError when a field the conversion converts holds no
// number, and reads the feature file as the conversion will.
void SMLPCVRunStart(Workbench& wb, std::uint8_t method);

// Trains the method's network on the fold's training set just read; SuccessRate is its accuracy on that
// set. False when nothing was trained (after a message).
bool SMLPCVTrain(Workbench& wb, std::uint8_t method);

// Tests the network on the fold's test set just read (TestingMode and InCrossvalidation set), adding its
// counts to the run's crossvalidation counters; the accuracy is left in TestSuccessRate.
void SMLPCVTest(Workbench& wb, std::uint8_t method);

}  // namespace wl

#pragma once
// The error functions of the sigmoid network: the objective functions of the trainers. Each returns the
// error over the training set and leaves its side results (SuccessRate, NumOfCorrect, WeightedCorrect)
// in the workbench. None changes a weight.
#include <cstdint>

#include "state/eval_options.h"

namespace wl {

struct Workbench;

// The error over the training set with the main window's options: error exponent, set-off, cross-entropy,
// weighted error, function approximation and the small-weights term. Evaluates the network itself (no
// call of ComputeSignals); sets SuccessRate, NumOfCorrect and WeightedCorrect. Mode 1 is the only mode.
// The plain forms take the Workbench's held options (HeldEvalOptions); a run passes its own.
double ComputeError(Workbench& wb, std::uint8_t mode = 1);
double ComputeError(Workbench& wb, const EvalOptions& o, std::uint8_t mode = 1);

// The entry of backpropagation, the beam and the in-place trainers: ComputeError under function
// approximation, StaircaseError with a number of steps, else a winner-takes-all pass over all vectors
// (or the current part, BatchIndex) with the small-weights and integer-weights terms.
double NetworkError(Workbench& wb);
double NetworkError(Workbench& wb, const EvalOptions& o);

// Outputs quantised to NumOfStep steps; sets NumOfCorrect to 0, leaves SuccessRate.
double StaircaseError(Workbench& wb);
double StaircaseError(Workbench& wb, const EvalOptions& o);

// The error with the feature values fed straight to the inputs (no nominal coding), plain sigmoids,
// targets 1 and 0.
double ContinuousInputError(Workbench& wb);

// The error of one vector after its outputs beyond the set-off are snapped to 1 or 0 (in the network).
double SignalsError(Workbench& wb, int v);

// The error term |d|^p of a difference d (a zero difference gives 0).
double ErrorTerm(double d, double p);

}  // namespace wl

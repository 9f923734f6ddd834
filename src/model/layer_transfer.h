#pragma once
// Networks whose layers each have their own transfer function (LayerTF), and their error.
#include <cstdint>
#include <vector>

#include "state/eval_options.h"
#include "state/parameters.h"

namespace wl {

struct Workbench;

// The staircase settings a transfer function needs (K = NumOfStep and the staircase table).
struct StairParams {
  int K = 0;
  const std::vector<double>* Table = nullptr;  // StairTable[0..K]
  double Scale = 30.0;                         // StairScale
  double Range = 0.0;                          // StairRange
};

// The output of transfer function tf for a neuron with net input `net` and threshold `theta`:
// 1 sigmoid, 2 tanh, 3 linear, 4 linear (0;1), 5 linear (-1;1), 6 staircase (0;1), 7 staircase (-1;1).
double LayerTransfer(const TTransferFunction& tf, double net, double theta, const StairParams& stairs);

// True when the output layer's function gives outputs in [0, 1] (kinds 1, 4, 6): low target s, else s - 1.
bool UnitRangeOutput(std::uint8_t kind);

// The cross-entropy takes the logarithm of y and of 1 - y: it needs an output layer whose function keeps
// its outputs in [0, 1]. With "cross-entropy" checked and such a network evaluated by its per-layer
// functions (not the "SMLP" structure, not function approximation), another output function is refused
// with a WlError naming it and what to change. A training run asks this before it changes anything.
void RequireEntropyOutputRange(const Workbench& wb);

// The error of vector V with the per-layer transfer functions; sets NumOfCorrect (0 or 1), SuccessRate
// and WeightedCorrect for that vector.
// The options are the Workbench's held ones (HeldEvalOptions) or, within a run, the run's.
double VectorError(Workbench& wb, int v);
double VectorError(Workbench& wb, const EvalOptions& o, int v);

// The error over all vectors with the per-layer transfer functions and the main window's options; sets
// NumOfCorrect, SuccessRate, WeightedCorrect, the two-class counts, the committee votes (while
// CommitteeVoting) and the crossvalidation counters (while InCrossvalidation and TestingMode).
// Under function approximation the error is ComputeError's approximation error (targets, not classes).
double TrainingSetError(Workbench& wb);
double TrainingSetError(Workbench& wb, const EvalOptions& o);

}  // namespace wl

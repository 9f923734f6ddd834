#pragma once
// Error backpropagation for three-layer networks (inputs, one hidden layer, outputs), online (the weights
// change after every vector) or batch (once per pass over the training set), with a decaying rate,
// momentum, the "min" line search along the step, and an optional log of the normalised steps.
//
// TrainBP runs the whole training from the network's current weights. Its four routines work on a
// BPKernel: the network's weights and input signals copied into flat arrays for the run, so that the
// passes over the vectors touch no per-neuron record and allocate nothing. The kernel's results are the
// ones the forward pass and the gradient rules give, and the network's records are brought up to date at
// the end of every epoch (and around each line search, which evaluates the network itself).
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "state/eval_options.h"

namespace wl {

struct Workbench;

// The training. False (after its message, nothing changed) when the network is not a three-layer
// "Standard" network; True after a run.
bool TrainBP(Workbench& wb);

// The display period of a run: max(1, round(50000 / (vectors * weights))), halves to even.
int BPDisplayPeriod(int vectors, int weights);

// The learning rate of epoch e (from 0): eta0 without decay, else eta0 * (1 - exp(-decay / (e + 1))).
double BPRate(double eta0, double decay, int e);

// The factor of the hidden-layer steps in batch mode for the epoch number `epoch` (from 1), read from the
// main window's schedule (EEdit1..3 "to epoch", MEdit1..4 "f"); only the edits consulted are converted.
double BPHiddenFactor(Workbench& wb, int epoch);

// The slope kept within the range the gradient passes allow: 0 becomes 1, below 0.01 becomes 0.01,
// above 99 becomes 99.
double BPSlopeInRange(double slope);

// Sizes BPDelta, BPStep and BPPrevStep for the current network; BPPrevStep := 0.
void AllocBPArrays(Workbench& wb);

// The working state of one run.
class BPKernel {
 public:
  // Copies the weights of layers 1 and 2 and the input signals of every vector (the input layer as the
  // forward pass computes it, fixed for the run) out of the network. The network must have been checked
  // to be a standard three-layer network fitting the data set.
  BPKernel(Workbench& wb, const EvalOptions& options);

  // One vector of the online mode in epoch e: BPStep := the vector's gradient step; its error added to
  // CurrentError; the online histories of (e, v) recorded. True when the vector is classified correctly.
  bool VectorGradient(int e, int v);
  // One pass of the batch mode: BPStep := the sum of the vectors' steps; CurrentError, SuccessRate,
  // AcceptedSuccessRate and AcceptedWeightedRate of the pass.
  void BatchGradient();
  // BPStep applied: W + step + momentum * previous step (or the line search of "min"), and the log line.
  void UpdateWeights();

  // The network's records := the kernel's weights (and the last vector's signals).
  void StoreWeights();
  // The kernel's weights := the network's records.
  void LoadWeights();
  // The flat weights: layer 1 neuron by neuron, then layer 2, each neuron's threshold last.
  const std::vector<double>& Weights() const { return w_; }

  // The gradient log, open for the run when "Log Gradients" is checked, and its name.
  std::ostream* Log = nullptr;
  std::string LogName;

 private:
  // Vector v passed forward, its error in lastError_, its output errors in BPDelta and its gradient
  // step (hidden steps times m) added to BPStep; true when it is classified correctly.
  // Fresh: BPStep is written rather than added to (dense inputs of the online mode, no clearing).
  template <bool Sparse, bool Fresh>
  bool Present(int v, double m);
  template <bool Sparse>
  void Forward(int v);
  template <bool Sparse, bool Fresh>
  void Accumulate(int v, double m);
  void KeepSlopeInRange();
  void LineSearch();
  void WriteLogLine();

  Workbench& wb_;
  EvalOptions options_;  // of the line search's error function
  int n0_, n1_, n2_;
  std::size_t stride1_, stride2_, off2_, size_;
  bool linearOut_, min_;
  double slope_, stretch_, offset_, p_, s_, t1_, momentum_;
  std::int64_t sigmoidsPerVector_;
  bool sparse_;
  const int* class_;
  double *step_, *prev_, *delta_;
  // Input signals: dense [v][k]; for sparse inputs also the nonzero ones of each vector (CSR).
  std::vector<double> x_;
  std::vector<std::uint32_t> nzStart_, nzIndex_;
  std::vector<double> nzValue_;
  std::vector<double> w_, h_, y_;
  double lastError_ = 0.0;
  int lastVector_ = -1;
};

}  // namespace wl

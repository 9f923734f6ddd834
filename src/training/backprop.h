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
#include <memory>
#include <string>
#include <vector>

#include "state/eval_options.h"
#include "state/training_state.h"

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
  // The run's arrays (BPDelta, BPStep, BPPrevStep as AllocBPArrays sized them) taken for the gradient
  // passes, the weights loaded anew and the run's options kept for the line search. Before the first epoch.
  void BeginRun(const EvalOptions& options);

  // True when NetworkError over every vector is the plain winner-takes-all sum of error terms of a
  // standard network with linear inputs: no staircase, cross-entropy, small- or integer-weights term. A
  // kernel built then can give the run's start errors (StartError); building it cannot fail then.
  static bool GivesStartError(const Workbench& wb, const EvalOptions& options);
  // NetworkError over every vector for the network's current weights, from the kept inputs with the
  // pass's own operations in its order, so the same value; the same side results too (the check of the
  // network, SuccessRate, NumOfCorrect, ErrorEvaluations, SigmoidCount, the last vector's signals).
  double StartError(const EvalOptions& options);

  // The start of online epoch e: what the replay of its rows needs is kept (when the record is replayed),
  // and the epoch's update is chosen.
  void BeginOnlineEpoch(int e);
  // One vector of the online mode in epoch e: BPStep := the vector's gradient step; its error added to
  // CurrentError; its error (and, when the record is written directly, its row) recorded. True when the
  // vector is classified correctly.
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

  // The online record is written row by row as the run goes rather than replayed when read. Always so
  // with "min", whose line search evaluates the network between the vectors.
  bool RecordsDirectly() const { return direct_; }
  void RecordDirectly() { direct_ = true; }
  // The rows of a record written directly that the run did not reach := 0 (the block may hold an earlier
  // run's rows there). After the run, however it ended.
  void ClearRowsNotWritten();

  // Replays the online epochs begun, from the run's kept start, into `rows` (row e * vectors + v), leaving
  // the network and the run's arrays as they are. Only after the run, once.
  void ReplayOnline(WeightRecords<double>& rows);

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
  // The error terms of vector v's outputs (passed forward): lastError_, lastCorrect_ and BPDelta.
  void Score(int v);
  // The step of online vector v into step_ (sparse inputs: only the entries that the vector's inputs reach
  // are nonzero); with the sparse update the weights are updated by it at once (ApplyStep then does
  // nothing for it).
  void OnlineVector(int v);
  // The sparse update of vector v after vector u (-1: none): v passed forward, its step written and
  // applied where it or u's step is nonzero, which is wherever the step can change.
  void PresentAndUpdate(int v, int u);
  // The dense update of vector v: v passed forward, its step written and applied to every weight.
  void DensePresentAndUpdate(int v);
  // The input signals of vector v, every one of them (n0 values).
  void DenseInputs(int v, double* x) const;
  void ApplyStep();
  void KeepSlopeInRange();
  void LineSearch();
  void WriteLogLine();

  Workbench& wb_;
  EvalOptions options_;  // of the line search's error function
  int n0_, n1_, n2_;
  std::size_t stride1_, stride2_, off2_, size_;
  bool linearOut_, min_;
  double slope_, stretch_, offset_, p_, s_, t1_, momentum_, eta_ = 0.0;
  std::int64_t sigmoidsPerVector_;
  bool sparse_;
  std::vector<int> classes_;  // of the run's vectors
  const int* class_;
  double *step_, *prev_, *delta_;
  // Input signals: dense [v][k]; or for sparse inputs the nonzero ones of each vector (CSR) and the
  // places v * n0 + k of the inputs at -0, in order.
  std::vector<double> x_;
  std::vector<std::uint32_t> nzStart_;
  std::unique_ptr<std::uint32_t[]> nzIndex_;
  std::unique_ptr<double[]> nzValue_;
  std::vector<std::size_t> negZero_;
  std::vector<double> w_, h_, y_, row_;
  double lastError_ = 0.0;
  bool lastCorrect_ = false;
  int lastVector_ = -1;
  int nv_ = 0;

  // The sparse update of the online mode: with one-hot inputs the step of a vector is nonzero only in
  // the columns of its nonzero inputs (its pattern), the thresholds and the output layer, and step_ and
  // prev_ are 0 outside the pattern of stepVector_ (-1: everywhere; -2: not known). The update then
  // touches that pattern and the vector's own; w + 0 + momentum * 0 is w for every other weight unless
  // the weight is -0 or the momentum is not finite, and epochs where that can happen update in full.
  bool sparseUpdate_ = false;  // this epoch's updates are sparse
  bool applied_ = false;       // the step in hand has been applied
  int stepVector_ = -1;
  std::vector<double> g_;  // the hidden neurons' factors of the vector in hand
  std::vector<double> ed_;  // the output neurons' rates times their error signals, of the vector in hand
  // The columns of the vector in hand marked with stamp_, and those of the one before outside them.
  std::vector<std::uint32_t> mark_, gone_;
  std::uint32_t stamp_ = 0;
  // The online record: written directly, or kept as the run's start (weights, previous step), each
  // epoch's rate, slope and update, and the vectors presented in the last epoch begun.
  bool direct_ = false;
  double* directRows_ = nullptr;
  std::size_t directStride_ = 0, directLimit_ = 0, directNext_ = 0;
  std::vector<double> startW_, startPrev_, startEta_, startSlope_;
  std::vector<char> startSparse_;
  int epochsBegun_ = 0, lastEpochVectors_ = 0;
};

// The rows of an online run produced from the run's kernel when they are first read.
class OnlineReplay : public OnlineRecord::Replay {
 public:
  explicit OnlineReplay(std::shared_ptr<BPKernel> kernel) : kernel_(std::move(kernel)) {}
  void Produce(WeightRecords<double>& rows) const override { kernel_->ReplayOnline(rows); }

 private:
  std::shared_ptr<BPKernel> kernel_;
};

}  // namespace wl

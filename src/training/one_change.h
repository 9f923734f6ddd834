#pragma once
// The one-change search methods: an epoch is one sweep over the weights, each weight moved on its own
// while the others stay fixed, and a move kept only when it lowers the training error. TrainOneChange
// picks the method from the main window; the frame below holds what the methods share: the run start,
// the step schedule, the order of the weights, the trials, the bookkeeping after each weight and each
// epoch, and the end of the run.
//
// Modes: 1 random and 2 deterministic (first run of a training); 101 and 102 the same as a rerun, for
// which the caller has put the initial weights back and the run is not prepared again (the histories of
// the first run are overwritten epoch by epoch).
#include <cstdint>
#include <string>
#include <vector>

#include "state/eval_options.h"
#include "training/live_status.h"

namespace wl {

struct Workbench;
struct TNeuron;
class TForm1;

// Runs the one-change method chosen in the main window ("VSS (DH2)" in the frame's, a random or a custom
// weight order, " WS weight section", "standard", "DH 1"), or hands the run to the in-place variants when
// "In-place" is checked. Reads the parameters first and does nothing more when one is invalid.
void TrainOneChange(Workbench& wb, std::uint8_t mode);

// What the trainer of the boxes' route converts and checks of its fields on its way (the period of the
// border vectors, c3, max iteration, prev dW, max weight, max delta), told before its first change: throws
// the ConvertError of a text that does not convert, and returns the message of a max iteration below 0
// (else ""). TrainOneChange and InPlaceTrain1 ask it after the parameters are read; a command that trains
// by them after a change of its own asks it first.
std::string OneChangeFieldsRefusal(const TForm1& f);

// Training needs a data set and a network built for it with the parameters as read: throws WlError with
// a message telling the user what to do first.
void RequireNetwork(const Workbench& wb);

// The trainers, called by TrainOneChange after the parameters have been read. N is the period of the
// border-vector selection; factor the DH1 extension factor.
void TrainOneChangeStandard(Workbench& wb, std::uint8_t mode);
void TrainVSS(Workbench& wb, std::uint8_t mode, int n);
void TrainVSSOrdered(Workbench& wb, std::uint8_t mode, int n);
void TrainWeightSections(Workbench& wb, std::uint8_t mode, int n);
void TrainDH1(Workbench& wb, std::uint8_t mode, int n, double factor);

// The in-place variants ("In-place"): every weight of an epoch is searched on the network as it stood at
// the epoch's start, and the values found go into the network together at the epoch's end. Reads the
// parameters itself; runs the twin of "VSS (DH2)" or of " WS weight section", and nothing for the other
// methods. The twins always prepare their run.
void InPlaceTrain1(Workbench& wb);
void InPlaceVSSTrain(Workbench& wb);
void InPlaceWeightSectionTrain(Workbench& wb);

// The one-change search that, while the error is above a quarter of the start error, keeps a better step
// only with probability 0.85 and a worse one with probability 0.15 ("Allow bad changes"). Mode 1 random
// steps, any other mode fixed steps. Reads the parameters itself; records no history.
void Train1ChangeAccBad(Workbench& wb, std::uint8_t mode);

// The "SSA" button's timed run: a data set asked for and read, a fresh network on linear inputs (or
// loaded weights), trained by the variable step search through the signal table from the output layer
// down, without records; the training time is shown in TrainingEdit.
void RunSSA(Workbench& wb);

// The order of the weights of an ordered variable step search: entry i is the i-th weight visited.
struct TWeightOrderEntry {
  double Key = 0.0;
  int Layer = 0, Neuron = 0, Index = 0;
};
// Sorts by Key, ascending, by exchanges: for each i, every j before it is swapped with i when Key[i] <
// Key[j]. Equal keys end in the order these exchanges leave them (not necessarily their first order).
void SortWeightOrder(std::vector<TWeightOrderEntry>& order);
// The text of the custom order template: one line per weight in the frame's order, layer, neuron, index
// and the line number as key, separated by three blanks.
std::string CustomOrderTemplate(const Workbench& wb);

// The step at which a parabola through (0, e0), (x1, e1) and (x2, e2) has its vertex, relative to the
// weight before its search: 0 when the error does not fall faster over the first step than over the
// second or the vertex lies on the other side of 0; cut to aMax × x1, raised to x1. x1 must not be 0.
double ParabolicStep(double x1, double x2, double e0, double e1, double e2, double aMax);

// The step factor of epoch e (from 1): 1 without decay, else 1 − exp(−deltaDecay / e).
double StepFactor(double deltaDecay, int epoch);

// An evaluation count with thousands separators: 1234567 -> "1,234,567".
std::string GroupedCount(std::int64_t n);

// alsigEdit := SigmoidCount with thousands separators.
void ShowEvaluationCount(Workbench& wb);

// A weight of the network: layer l (1 up), neuron n, index k (the threshold last).
struct WeightRef {
  int l, n, k;
};

// The common frame of one run. A trainer makes one, calls the run-start steps in its own order, then per
// epoch and weight the trial and bookkeeping steps, and finally End.
class OneChangeFrame {
 public:
  explicit OneChangeFrame(Workbench& wb);
  ~OneChangeFrame();  // the run no longer follows changes of the training set (RunSetError cleared)
  OneChangeFrame(const OneChangeFrame&) = delete;
  OneChangeFrame& operator=(const OneChangeFrame&) = delete;

  // MethodTag := tag; the initial weights saved; the run prepared when mode is below 100; the histories
  // checked to fit the run (a rerun writes into those of the first run). A search that does not draw
  // parts of its own (drawsParts false) and evaluates its trials on the signal table evaluates the parts
  // an earlier run drew: it refuses first, changing nothing, unless they fit (RequirePartsFit).
  void Prepare(std::uint8_t mode, const std::string& tag, bool drawsParts = false);
  // StepRateHistory and StepErrorHistory get NumOfEpochs + 1 entries, the existing ones kept.
  void SizeStepHistories();
  // ParamText[7] := label, shown in Label19.
  void ShowLabel(const std::string& label);
  // Random parts of the training set: with NumOfParts above 1, BatchIndex gets round(NumOfVectors /
  // NumOfParts) vectors drawn with replacement after the generator is re-seeded from the clock.
  void DrawParts();
  // The start of the search: start error, StopError made absolute, ResultText, ge, StartError, the
  // integer-weights option, and the order of the weights. Without integerWeights (the weight-section
  // search) the option is not applied and every weight of every layer is in the order.
  void Start(bool integerWeights = true);

  // The error the run starts from and recomputes after a border-vector selection: through the signal
  // table (which it fills) when trials use it, else TrainingSetError. The first full pass after the start
  // or a border-vector selection checks the network against the data set; the trials after it do not.
  double FullError();
  // The run's evaluation options: read at the start, and again when one of their controls changed.
  const EvalOptions& Options();
  // Tries value for weight (l, n, k), whose value before its search is in OldWeights[k]: E' (NewError).
  double Try(const WeightRef& w, double value);
  // Tries value; when its error is below E (CurrentError) the trial is accepted: E := its error,
  // s := step, and its rates are held (HoldRates). True when accepted.
  bool Improve(const WeightRef& w, double value, double step, double& s);
  // The two trials around the final step s of a line search with growth factor F (CH1): inner
  // 2s / (F + 1), else outer s (F + 1) / 2, each clamped to ±maxWeight.
  void TryAroundStep(const WeightRef& w, double w0, double F, double maxWeight, double& s);
  // The end of a weight's search: the weight set to w0 + s (w0 also in OldWeights) and an accepted
  // change (s not 0) folded into the signal table (the staircase one with stairTable).
  void Keep(const WeightRef& w, double w0, double s, bool stairTable);
  // Folds the weight's change (Weights[k] against OldWeights[k]) into the signal table, when the run
  // keeps one.
  void FoldIntoTable(const WeightRef& w, bool stairTable);
  bool TableTrials() const { return tableTrials_; }

  // The weights of an epoch in the frame's order. Asked at the start of every epoch: a change of the
  // training set since the last epoch (a compression or a pruning by the representation hook) is taken
  // here, the order made anew for the network's new shape.
  const std::vector<WeightRef>& Order();
  TNeuron& Neuron(const WeightRef& w);

  // WeightHistory and the trial error of the weight in epoch e.
  void RecordWeight(int e, const WeightRef& w);
  // PlotTrainingDetail for the weight (ordinal: weights visited before it in this epoch), and a chance
  // for the windows to repaint.
  void PlotWeight(int e, const WeightRef& w, int ordinal, double step);

  // ep, ge and EditSuccess (and WeightedAccEdit when weighted is given) after epoch e.
  void ShowEpoch(int e, double rate, const double* weighted);
  // EpochHistory[e] := (E, the held network's accuracy) and the progress plot's epoch (RecordEpochRow).
  void RecordEpoch(int e);
  // Border vectors, then E recomputed and its rates held.
  void BorderVectors();
  // The end of the run after epoch counter e: the plot finished, ParamText[4], the weight matrix exported
  // for Matlab when chosen (ExportWeightMatrixAtRunEnd), NumOfEpochs := e - 1.
  void End(int e);

 private:
  void IntegerWeights();
  // The rates of a full pass over the held network (FullError): the weighted rate only when the pass
  // wrote one (not the signal table's).
  void HoldFullPassRates();
  void BuildOrder(bool select);
  void FollowTrainingSet();

  Workbench& wb_;
  bool tableTrials_ = false;
  bool integerOn_ = false;
  std::vector<WeightRef> order_;
  int setChanges_ = 0;
  bool selectNeurons_ = false;  // the order holds the selected neurons only (BuildOrder)
  EvalOptions options_;
  bool optionsRead_ = false;
  LiveRunStatus live_{wb_};  // the run's time, norm and evaluations as it goes
};

// The step each weight's last search accepted, [l][n][k]; 0 when it accepted nothing. After a pruning of
// inputs the steps of the weights kept stay with them.
class StepMemory {
 public:
  explicit StepMemory(const Workbench& wb);
  double& operator[](const WeightRef& w) {
    if (inputChanges_ != *changes_) FollowInputs();
    return steps_[static_cast<std::size_t>(w.l)][static_cast<std::size_t>(w.n)][static_cast<std::size_t>(w.k)];
  }

 private:
  void FollowInputs();

  const Workbench* wb_;
  const int* changes_;  // the Workbench's count of prunings
  int inputChanges_;
  std::vector<std::vector<std::vector<double>>> steps_;
};

// The error the running trainer carries, taken anew after its training set changed in the middle of the
// run: the trainer's own (RunSetError); for the one-change searches through the signal table (which it
// fills) when the trials use it, else TrainingSetError. The success rate of that evaluation is held
// (AcceptedSuccessRate), as the error is carried on.
double RefreshRunError(Workbench& wb);
double OneChangeRunError(Workbench& wb);

// SearchRunning for the lifetime of the guard, cleared afterwards also when an error ends the run.
class SearchRunningGuard {
 public:
  explicit SearchRunningGuard(Workbench& wb);
  ~SearchRunningGuard();
  SearchRunningGuard(const SearchRunningGuard&) = delete;
  SearchRunningGuard& operator=(const SearchRunningGuard&) = delete;

 private:
  Workbench& wb_;
};

}  // namespace wl

#pragma once
// "New Training": the whole experiment in one call. The data-set file is asked for and read, the network
// built (or its weights loaded), the running time estimated and, past the warning limit, confirmed by
// the user; then the method chosen in the "Training Method" group trains the network, the time taken and
// the weight norm are shown, and the hand-over to Matlab is awaited when its PCA or ICA is chosen. Each
// step is reported on the stay-on-top window's progress trace.
#include <cstdint>
#include <string>

namespace wl {

struct Workbench;
class TForm1;

// The methods of the "Training Method" group, in the order New Training tests their radio buttons.
enum class TrainingMethod { None, BP, NG, VSS, S1R, S2D, S2R, D2zero };

// The checked method radio: BP, NG, VSS, S1-R, S2-D, S2-R, D2-zero, in that order; None when none of them.
TrainingMethod ChosenTrainingMethod(const TForm1& f);
// The radio's caption ("VSS", "S1-R", ...).
const char* TrainingMethodName(TrainingMethod m);
// Whether New Training can run the method (None trains nothing and counts as available).
bool TrainingMethodAvailable(TrainingMethod m);

// The step along the direction of a numerical-gradient epoch: the grid of "NG sections", the trials of
// "DH1", or one step ("standard").
enum class NGStepRule { Sections, DH1, Standard };

// What the time estimate reads.
struct EstimateInputs {
  TrainingMethod Method = TrainingMethod::None;
  int Weights = 0, Vectors = 0, Epochs = 0, Parts = 1;
  int Outputs = 1;              // the output layer's size
  // The numerical gradient: what an epoch evaluates.
  NGStepRule NGStep = NGStepRule::Sections;
  double NGGridPoints = 0.0;    // NG sections: the grid points of an epoch, on average over the run
  int NGDH1Trials = 0;          // DH1: the trials of an epoch's step at the least
  bool NGSignalTable = false;   // the weights are tried through the signal table
  bool NGCentral = false;       // both sides of every weight are tried (the second-derivative rule)
  bool SignalTable = false;     // SMSTBox: factor of the VSS estimate
  bool WeightSection = false;   // SMWSButton: no signal-table factor
  bool MatlabPCA = false;       // MatLabBox: the PCA is computed in Matlab
  int PlotLines = 0;
  int Quality = 0;              // ESQBox item, 0 "high" .. 3 "very poor"
  double ComputerSpeed = 2000.0;
};

// The evaluations of one numerical-gradient epoch: full passes over the training set, the passes of the
// DH1 step's error, and the trials of one weight through the signal table.
struct NGEpochWork {
  double FullPasses = 0.0, RulePasses = 0.0, TableTrials = 0.0;
};
NGEpochWork NGEpochWorkOf(const EstimateInputs& in);
// The least number of trials of the DH1 step with the factor f: from 0.1, times f, to past 1.05 (at most
// 100), and the two trials round the last one.
int DH1TrialsFor(double factor);

// The estimated times in seconds, scaled to the computer's speed and rounded up for display, and the
// total (rounded to whole seconds before the display rounding) with its text.
struct TimeEstimate {
  double Training = 0.0, SVD = 0.0, Plot = 0.0;
  std::int64_t TotalSeconds = 0;
  std::string TotalText;
};

TimeEstimate EstimateTimes(const EstimateInputs& in);
// What the estimate reads for a method now: the network, the data set, the run's parameters as read, the
// controls. Without a measured speed the reference computer's (2000) is taken.
EstimateInputs EstimateInputsFor(const Workbench& wb, TrainingMethod method);
// "119s", "2min 0s", "10min", "1h 32m".
std::string TotalTimeText(std::int64_t seconds);
// Below 4 to one decimal rounded up (0.01 -> 0.1), else to a whole number rounded up (4.2 -> 5).
double RoundUpForDisplay(double seconds);
// True when the long-operation question is due: a warning limit (minutes) above 0 and the rounded terms
// plus one second above it.
bool LongOperationQuestionDue(const TimeEstimate& t, double warnLimitMinutes);
// The error-surface quality (ESQBox item) for a data set of n = features x vectors values.
int SurfaceQualityFor(std::int64_t n);

// The pipeline. Stops early (leaving what was done in place) when the data-set dialog is cancelled, the
// data set cannot be read, the network cannot be built or loaded, the user answers No to the long-
// operation question or cancels a Matlab hand-over; a method that is not available is refused before
// anything is asked.
void NewTraining(Workbench& wb);

}  // namespace wl

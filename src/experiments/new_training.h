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

// What the time estimate reads.
struct EstimateInputs {
  TrainingMethod Method = TrainingMethod::None;
  int Weights = 0, Vectors = 0, Epochs = 0, Parts = 1;
  bool DH1 = false;             // DH1Button: factor of the NG estimate
  bool NGSignalTable = false;   // useST: factor of the NG estimate
  bool SignalTable = false;     // SMSTBox: factor of the VSS estimate
  bool WeightSection = false;   // SMWSButton: no signal-table factor
  bool MatlabPCA = false;       // MatLabBox: the PCA is computed in Matlab
  int PlotLines = 0;
  int Quality = 0;              // ESQBox item, 0 "high" .. 3 "very poor"
  double ComputerSpeed = 2000.0;
};

// The estimated times in seconds, scaled to the computer's speed and rounded up for display, and the
// total (rounded to whole seconds before the display rounding) with its text.
struct TimeEstimate {
  double Training = 0.0, SVD = 0.0, Plot = 0.0;
  std::int64_t TotalSeconds = 0;
  std::string TotalText;
};

TimeEstimate EstimateTimes(const EstimateInputs& in);
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

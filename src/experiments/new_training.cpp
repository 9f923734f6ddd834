#include "experiments/new_training.h"

#include <algorithm>
#include <cmath>

#include "model/create_network.h"
#include "model/data_file.h"
#include "model/weights_file.h"
#include "state/workbench.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "model/read_parameters.h"
#include "training/backprop.h"
#include "training/ng_steps.h"
#include "training/ng_train.h"
#include "training/one_change.h"
#include "training/prepare_run.h"
#include "training/two_changes.h"

namespace wl {

namespace {

using Trainer = void (*)(Workbench&, std::uint8_t);

// One method of the "Training Method" group as New Training runs it: the progress steps around the
// network's creation, the training and the second run from the same start weights ("max E"); a step of
// 0 is not shown. A method without a trainer is not available yet.
struct MethodRow {
  TrainingMethod Method;
  const char* Name;
  int CreateStep;
  std::uint8_t Scheme;
  int TrainStep, TrainedStep, RerunStep, RestoredStep, RetrainedStep;
  Trainer Train;
  std::uint8_t Mode;
};

// Backpropagation runs apart (RunBP: it reads the parameters again, may refuse the network, and is not
// built anew nor run twice), so its row only names it.
const MethodRow kMethods[] = {
    {TrainingMethod::BP, "BP", 0, 0, 0, 0, 0, 0, 0, nullptr, 0},
    {TrainingMethod::NG, "NG", 0, 4, 22, 23, 24, 25, 26, &NGTrain, 1},
    {TrainingMethod::VSS, "VSS", 0, 4, 27, 28, 29, 30, 31, &TrainOneChange, 2},
    {TrainingMethod::S1R, "S1-R", 32, 4, 33, 34, 35, 36, 37, &TrainOneChange, 1},
    {TrainingMethod::S2D, "S2-D", 38, 4, 39, 40, 41, 42, 43, &TrainTwoChanges, 2},
    {TrainingMethod::S2R, "S2-R", 44, 4, 45, 46, 47, 48, 49, &TrainTwoChanges, 1},
    {TrainingMethod::D2zero, "D2-zero", 50, 8, 51, 52, 53, 54, 55, &TrainTwoChangesZero, 1},
};

const MethodRow* RowOf(TrainingMethod m) {
  for (const MethodRow& r : kMethods)
    if (r.Method == m) return &r;
  return nullptr;
}

void Trace(Workbench& wb, int step) {
  if (step <= 0) return;
  wb.ProgressStage = IntToStr(step);
  UpdateProgressTrace(wb);
}

bool Built(int result) { return result == NetworkBuilt || result == NetworkSmlpBuilt; }

// What an evaluation of the numerical gradient costs on the reference computer (speed 2000), as
// bench/training_estimate_bench.cpp measures it: a full pass over the training set per vector and weight
// and per vector, the pass of the DH1 step's error (which also follows the output functions) as much as
// two full passes, and a trial of one weight through the signal table per vector and neuron it reaches
// (the weight's own neuron and the outputs).
constexpr double kFullPassSecondsPerWeight = 1.5e-9;
constexpr double kFullPassSecondsPerVector = 3.5e-7;
constexpr double kRulePassFullPasses = 2.0;
constexpr double kTableTrialSeconds = 2.5e-8;
// The width of the error-section chart, whose pixels the grid of "NG sections" follows (as the NG run sets
// it: 590 wide with margins of 30).
constexpr int kNGChartPlotWidth = 590 - 2 * 30;

// The grid points of "NG sections" per epoch over a run of e epochs: the first epochs search finer near
// the start.
double MeanGridPoints(double fromH, double toH, int epochs) {
  if (epochs <= 0 || !(toH >= fromH)) return 0.0;
  constexpr int kFinerEpochs = 7;
  double sum = 0.0;
  const int finer = std::min(epochs, kFinerEpochs);
  for (int e = 1; e <= finer; ++e) sum += GridPointCount(fromH, toH, e, kNGChartPlotWidth);
  sum += static_cast<double>(epochs - finer) * GridPointCount(fromH, toH, kFinerEpochs + 1, kNGChartPlotWidth);
  return sum / epochs;
}

EstimateInputs InputsOf(const Workbench& wb, TrainingMethod method) {
  const TForm1& f = wb.Form1;
  EstimateInputs in;
  in.Method = method;
  in.Weights = wb.NumOfWeights;
  in.Vectors = wb.NumOfVectors;
  in.Epochs = wb.NumOfEpochs;
  in.Parts = std::max(1, wb.NumOfParts);
  in.Outputs = wb.Layers.empty() ? 1 : std::max(1, wb.Layers.back());
  in.NGStep = f.h01.Checked() ? NGStepRule::Sections : f.DH1Button.Checked() ? NGStepRule::DH1 : NGStepRule::Standard;
  if (in.NGStep == NGStepRule::Sections) in.NGGridPoints = MeanGridPoints(wb.fromH, wb.toH, in.Epochs);
  double factor = 0.0;
  if (in.NGStep == NGStepRule::DH1 && TryStrToFloat(Trim(f.DH1Edit.Text()), factor)) in.NGDH1Trials = DH1TrialsFor(factor);
  // As the probing decides it: the table knows plain sigmoid classifiers of two or three layers.
  in.NGSignalTable = f.useST.Checked() && !wb.NonStandardTF && wb.Net.size() < 4 && !f.FApproxBox.Checked();
  in.NGCentral = f.SecDevButton.Checked();
  in.SignalTable = f.SMSTBox.Checked();
  in.WeightSection = f.SMWSButton.Checked();
  in.MatlabPCA = f.MatLabBox.Checked();
  in.PlotLines = wb.PlotLines;
  in.Quality = std::max(0, f.ESQBox.ItemIndex());
  // Without a measured speed the reference machine's is assumed.
  in.ComputerSpeed = wb.CPUCHECKED > 0.0 ? wb.CPUCHECKED : 2000.0;
  return in;
}

// The estimate, its labels and the long-operation question. False when the user does not go on.
bool EstimateAndConfirm(Workbench& wb, TrainingMethod method) {
  const EstimateInputs in = InputsOf(wb, method);
  switch (method) {
    case TrainingMethod::NG: Trace(wb, 12); break;
    case TrainingMethod::VSS:
    case TrainingMethod::S1R: Trace(wb, 13); break;
    case TrainingMethod::S2D:
    case TrainingMethod::S2R:
    case TrainingMethod::D2zero: Trace(wb, 14); break;
    case TrainingMethod::BP: Trace(wb, 15); break;
    case TrainingMethod::None: break;
  }
  if (in.MatlabPCA) Trace(wb, 16);
  const TimeEstimate t = EstimateTimes(in);
  wb.EstTrainingTime = t.Training;
  wb.EstSVDTime = t.SVD;
  wb.EstPlotTime = t.Plot;

  TForm1& f = wb.Form1;
  f.Label55.SetCaption("NumOfWeights: " + IntToStr(in.Weights) + "    NumOfVectors: " + IntToStr(in.Vectors));
  f.Label56.SetCaption("ESTIMATED TIMES:    Training: " + FloatToStr(t.Training) + "s     SVD: " + FloatToStr(t.SVD) +
                       "s     Drawing Plot: " + FloatToStr(t.Plot) + "s     Total Time: " + t.TotalText);
  f.Label55.Repaint();
  f.Label56.Repaint();

  if (!LongOperationQuestionDue(t, wb.WarnLimit)) return true;
  Trace(wb, 17);
  return wb.Plat.Ask("Estimated Total Time: " + t.TotalText + " Continue?", "Warning: Possible Long Operation",
                     Buttons::YesNo) == Answer::Yes;
}

// Backpropagation: the parameters read again (a bad value ends New Training), then the training, which
// ends New Training when it refuses the network.
bool RunBP(Workbench& wb) {
  Trace(wb, 19);
  if (ReadParameters(wb, 1)) return false;
  Trace(wb, 20);
  if (!TrainBP(wb)) return false;
  Trace(wb, 21);
  return true;
}

// Runs the chosen method. False when New Training is to end here.
bool RunMethod(Workbench& wb, TrainingMethod method) {
  if (method == TrainingMethod::BP) return RunBP(wb);
  const MethodRow* row = RowOf(method);
  if (!row || !row->Train) return true;  // no method chosen: nothing is trained
  Trace(wb, row->CreateStep);
  // Without "Load W" the network is built once more, with fresh start weights, just before training.
  if (!wb.Form1.LoadWBox.Checked() && !Built(CreateNetwork(wb, row->Scheme))) return false;
  Trace(wb, row->TrainStep);
  row->Train(wb, row->Mode);
  Trace(wb, row->TrainedStep);
  if (wb.Form1.minmax.Checked()) {
    Trace(wb, row->RerunStep);
    RestoreInitialWeights(wb);
    Trace(wb, row->RestoredStep);
    row->Train(wb, static_cast<std::uint8_t>(row->Mode + 100));
    Trace(wb, row->RetrainedStep);
  }
  return true;
}

// Waits for the user to compute the PCA or ICA in Matlab. False when the user cancels.
bool AwaitMatlab(Workbench& wb, int before, int after, const char* what, const char* script) {
  Trace(wb, before);
  const std::string text = std::string("Training Done. Now calculate ") + what + " in Matlab using provided " + script +
                           " (remeber to change directory paths) and press \"OK\" when ready";
  if (wb.Plat.Ask(text, "Waiting for external data", Buttons::OkCancel) != Answer::Ok) return false;
  Trace(wb, after);
  return true;
}

void ChooseSurfaceQuality(Workbench& wb) {
  TForm1& f = wb.Form1;
  const int item = SurfaceQualityFor(static_cast<std::int64_t>(wb.NumOfFeatures) * wb.NumOfVectors);
  f.ESQBox.SetItemIndex(item);
  wb.ESGridStep = static_cast<int>(Round(std::pow(2.0, item)));
  static const int kLines[] = {28, 24, 20, 16};
  wb.PlotLines = kLines[item];
  f.LGEdit.SetText(IntToStr(wb.PlotLines));
  f.LGEdit.Repaint();
}

double WeightNormOf(const Workbench& wb) {
  double sum = 0.0;
  const std::size_t layers = std::min(static_cast<std::size_t>(std::max(0, wb.NumOfLayers)), wb.Net.size());
  for (std::size_t l = 1; l < layers; ++l)
    for (const TNeuron& n : wb.Net[l]) {
      const std::size_t last = std::min(static_cast<std::size_t>(wb.LayerInputs[l - 1]) + 1, n.Weights.size());
      for (std::size_t k = 0; k < last; ++k) sum += n.Weights[k] * n.Weights[k];
    }
  return std::sqrt(sum);
}

}  // namespace

TrainingMethod ChosenTrainingMethod(const TForm1& f) {
  if (f.BPButton.Checked()) return TrainingMethod::BP;
  if (f.NGT2.Checked()) return TrainingMethod::NG;
  if (f.S1DT2.Checked()) return TrainingMethod::VSS;
  if (f.S1RT2.Checked()) return TrainingMethod::S1R;
  if (f.S2DT2.Checked()) return TrainingMethod::S2D;
  if (f.S2RT2.Checked()) return TrainingMethod::S2R;
  if (f.D2zeroButton.Checked()) return TrainingMethod::D2zero;
  return TrainingMethod::None;
}

const char* TrainingMethodName(TrainingMethod m) {
  const MethodRow* row = RowOf(m);
  return row ? row->Name : "";
}

bool TrainingMethodAvailable(TrainingMethod m) {
  if (m == TrainingMethod::None || m == TrainingMethod::BP) return true;
  const MethodRow* row = RowOf(m);
  return row && row->Train;
}

std::string TotalTimeText(std::int64_t n) {
  if (n <= 119) return IntToStr(n) + "s";
  if (n <= 599) return IntToStr(n / 60) + "min " + IntToStr(n % 60) + "s";
  if (n <= 3599) return IntToStr(n / 60) + "min";
  const std::int64_t m = Round(static_cast<double>(n) / 60.0);
  return IntToStr(m / 60) + "h " + IntToStr(m % 60) + "m";
}

double RoundUpForDisplay(double x) {
  if (x < 4.0) return std::ceil(10.0 * x) * 0.1;
  return std::ceil(x);
}

int DH1TrialsFor(double factor) {
  constexpr int kMostTrials = 100;
  int trials = kMostTrials;
  if (factor > 1.0 && std::isfinite(factor)) {
    // The n-th trial is at 0.1 * f^(n - 1): the first past 1.05 ends the search, and none is made at 100
    // or beyond.
    const double past = std::floor(std::log(10.5) / std::log(factor)) + 2.0;
    const double below = std::ceil(std::log(1000.0) / std::log(factor));
    const double n = std::min(past, below);
    trials = n < kMostTrials ? static_cast<int>(n) : kMostTrials;
  }
  return trials + 2;
}

NGEpochWork NGEpochWorkOf(const EstimateInputs& in) {
  const double w = std::max(0, in.Weights);
  NGEpochWork work;
  // The epoch's reference error.
  work.FullPasses = 1.0;
  // The direction: every weight tried on one side through the table, else on both by full passes (the
  // second-derivative rule tries both sides either way); the error before and after.
  double trials = 0.0;
  if (in.NGCentral) {
    work.FullPasses += 1.0;
    trials = 2.0 * w;
  } else {
    work.FullPasses += 2.0;
    trials = in.NGSignalTable ? w : 2.0 * w;
  }
  if (in.NGSignalTable) {
    work.TableTrials = trials;
  } else {
    work.FullPasses += trials;
  }
  // The step: the grid and the error before and at the point chosen; the trials of DH1 with the error
  // before and after; or the one step.
  switch (in.NGStep) {
    case NGStepRule::Sections: work.FullPasses += in.NGGridPoints + 2.0; break;
    case NGStepRule::DH1: work.RulePasses += in.NGDH1Trials + 2.0; break;
    case NGStepRule::Standard: work.FullPasses += 1.0; break;
  }
  return work;
}

EstimateInputs EstimateInputsFor(const Workbench& wb, TrainingMethod method) { return InputsOf(wb, method); }

TimeEstimate EstimateTimes(const EstimateInputs& in) {
  const double w = in.Weights, v = in.Vectors, e = in.Epochs, P = std::max(1, in.Parts);
  const double vwe = v * w * e;
  double T = 0.0;
  switch (in.Method) {
    case TrainingMethod::NG: {
      // From what its epochs evaluate, each pass over the part of the training set an epoch trains on.
      const NGEpochWork work = NGEpochWorkOf(in);
      const double pass = v * (kFullPassSecondsPerWeight * w + kFullPassSecondsPerVector);
      const double trial = v * kTableTrialSeconds * (1.0 + std::max(1, in.Outputs));
      T = ((work.FullPasses + kRulePassFullPasses * work.RulePasses) * pass + work.TableTrials * trial) * e / P;
      break;
    }
    case TrainingMethod::VSS:
    case TrainingMethod::S1R:
      T = (0.004 * w + 1.5) * vwe * 5e-06 / P;
      if (in.SignalTable && !in.WeightSection) {
        T *= 0.5;
        if (in.Weights > 100) T *= 0.5;
      }
      break;
    case TrainingMethod::S2D:
    case TrainingMethod::S2R:
    case TrainingMethod::D2zero:  // the two-change search from zero weights: estimated as a two-change search
      T = v * 5e-06 * w * w * e / P;
      break;
    case TrainingMethod::BP:
      T = vwe / 10000000.0;
      break;
    case TrainingMethod::None:
      break;
  }
  double S = std::pow(0.005 * w, 3.0);
  if (in.MatlabPCA) S = 0.04 * S + 2.0;
  double D = 0.8 * v * w * in.PlotLines / (40.0 * w + 30000.0) / std::pow(2.0, in.Quality);

  T = T * 2000.0 / in.ComputerSpeed;
  S = S * 2000.0 / in.ComputerSpeed;
  D = D * 2000.0 / in.ComputerSpeed;
  TimeEstimate t;
  t.TotalSeconds = Round(T + S + D + 1.0);
  t.TotalText = TotalTimeText(t.TotalSeconds);
  t.Training = RoundUpForDisplay(T);
  t.SVD = RoundUpForDisplay(S);
  t.Plot = RoundUpForDisplay(D);
  return t;
}

bool LongOperationQuestionDue(const TimeEstimate& t, double warnLimitMinutes) {
  return warnLimitMinutes > 0.0 && t.Training + t.SVD + t.Plot + 1.0 > 60.0 * warnLimitMinutes;
}

int SurfaceQualityFor(std::int64_t n) {
  if (n > 16000) return 3;
  if (n > 6250) return 2;
  if (n > 2500) return 1;
  return 0;
}

void NewTraining(Workbench& wb) {
  TForm1& f = wb.Form1;
  f.TrainingEdit.SetText("  ");
  f.TrainingEdit.Repaint();
  // The signal tables do not serve step-function networks.
  if (f.strbox.Checked()) {
    f.useST.SetChecked(false);
    f.LogGradientBox.SetChecked(false);
    f.SMSTBox.SetChecked(false);
  }
  if (f.OSTBox.Checked()) {
    Trace(wb, 6);
    return;
  }
  const TrainingMethod method = ChosenTrainingMethod(f);
  if (!TrainingMethodAvailable(method)) {
    wb.Plat.ShowMessage(std::string("The training method \"") + TrainingMethodName(method) +
                        "\" is not available yet. Choose another method.");
    return;
  }

  if (!OpenDataFile(wb, 0)) return;
  Trace(wb, 7);
  // A set that was read is never trained on with a network that was not built or loaded for it.
  if (f.LoadWBox.Checked()) {
    Trace(wb, 8);
    if (!LoadWeights(wb, "")) return;
    Trace(wb, 9);
  } else {
    Trace(wb, 10);
    if (!Built(CreateNetwork(wb, 4))) return;
    Trace(wb, 11);
  }

  if (!EstimateAndConfirm(wb, method)) return;

  wb.StartTime = wb.Plat.MillisecondsOfDay();
  if (!RunMethod(wb, method)) return;
  std::int64_t elapsed = wb.Plat.MillisecondsOfDay() - wb.StartTime;
  if (elapsed < 0) elapsed += 86400000;  // the run went past midnight
  wb.ElapsedTime = elapsed;
  f.TrainingEdit.SetText(FixedDisplayText(static_cast<double>(elapsed) / 1000.0, 12, 2) + "s");
  f.TrainingEdit.Repaint();
  Trace(wb, 56);

  if (f.MatLabBox.Checked() && !AwaitMatlab(wb, 57, 58, "PCA", "pca.m")) return;
  if (f.FastICABox.Checked() && !AwaitMatlab(wb, 59, 60, "ICA", "ica.m")) return;
  if (f.autoES.Checked()) ChooseSurfaceQuality(wb);

  wb.WeightNorm = WeightNormOf(wb);
  f.modWEdit.SetText(FixedDisplayText(wb.WeightNorm, 10, 2));
  f.modWEdit.Repaint();
}

}  // namespace wl

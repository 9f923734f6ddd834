#include "training/two_changes.h"
#include "training/live_status.h"

#include <algorithm>
#include <fstream>
#include <string>

#include "model/error_functions.h"
#include "model/eval_options.h"
#include "model/read_parameters.h"
#include "model/run_status.h"
#include "model/weights_file.h"
#include "state/hooks.h"
#include "state/training_parts.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/platform.h"
#include "platform/rounding.h"
#include "training/one_change.h"
#include "training/prepare_run.h"
#include "training/run_end.h"

namespace wl {

namespace {

// The SMLP networks' own two-change search takes this trainer's place; it has nothing to do here.
void EmptyStub() {}

// The error of a run, with the run's evaluation options: read at its start, and again when one of their
// controls changed. The first pass checks the network against the data set; the trials after it do not.
class RunError {
 public:
  explicit RunError(Workbench& wb) : wb_(wb) {}
  double operator()() {
    // A training set changed in the middle of the run is checked again.
    if (changes_ != wb_.TrainingSetChanges) {
      changes_ = wb_.TrainingSetChanges;
      options_.NetworkFits = false;
    }
    if (wb_.HeldEvalStale || !read_) {
      const bool fits = options_.NetworkFits;
      options_ = HeldEvalOptions(wb_);
      options_.NetworkFits = fits;
      read_ = true;
    }
    const double e = ComputeError(wb_, options_, static_cast<std::uint8_t>(wb_.ErrorTFKind));
    options_.NetworkFits = true;
    return e;
  }

 private:
  Workbench& wb_;
  EvalOptions options_;
  bool read_ = false;
  int changes_ = wb_.TrainingSetChanges;
};

// The error of the two-change searches, for a training set changed in the middle of a run.
double TwoChangesRunError(Workbench& wb) { return ComputeError(wb, static_cast<std::uint8_t>(wb.ErrorTFKind)); }

// With NumOfParts above 1: BatchIndex gets round(NumOfVectors / NumOfParts) vectors drawn with
// replacement after the generator is re-seeded from the clock. (The error of these trainers still runs
// over the whole training set.)
void DrawParts(Workbench& wb) {
  if (wb.NumOfParts > 1) DrawRandomParts(wb);
}

void ShowLabel(Workbench& wb, const std::string& label) {
  wb.ParamText[7] = label;
  ShowRunMethod(wb, label);
}

void ShowProgress(Workbench& wb, const std::string& position, int errorDigits) {
  TForm1& f = wb.Form1;
  f.ep.SetText(position);
  f.ge.SetText(FixedDisplayText(wb.CurrentError, 12, errorDigits) + " / " + wb.ResultText);
  f.EditSuccess.SetText(FixedDisplayText(wb.SuccessRate, 7, 5));
  f.ep.Repaint();
  f.ge.Repaint();
  f.EditSuccess.Repaint();
  wb.Plat.ProcessEvents();
}

// The start error E0 of a run: CurrentError, ResultText and ge.
double StartError(Workbench& wb, RunError& error) {
  const double e0 = error();
  wb.CurrentError = e0;
  HoldRates(wb);
  wb.StartError = e0;
  wb.ResultText = FixedDisplayText(e0, 12, 3);
  wb.Form1.ge.SetText("- / " + wb.ResultText);
  wb.Form1.ge.Repaint();
  return e0;
}

// A trial that lowered the error is kept: its error and rates become the accepted ones.
void Accept(Workbench& wb, double error) {
  wb.CurrentError = error;
  HoldRates(wb);
}

// Writes one line of "T2.txt"; an output error ends the run.
void WriteLine(AtomicOfstream& out, const std::string& path, const std::string& line) {
  out << line << '\n';
  out.flush();
  if (!out) throw FileError("Cannot write file " + path);
}

}  // namespace

void TrainTwoChanges(Workbench& wb, std::uint8_t mode) {
  TForm1& f = wb.Form1;
  if (f.strbox.Checked()) {
    EmptyStub();
    return;
  }
  if (ReadParameters(wb)) return;
  RequireNetwork(wb);
  HourglassGuard hourglass(wb.Plat);
  const bool random = mode == 1 || mode == 101;
  // The preparation and the progress plot go by the tag, so it names this run before they start.
  wb.MethodTag = random ? "S2-R" : "S2-D";
  RunSetErrorGuard followsSetChanges(wb, TwoChangesRunError);
  RequireRecordableNetwork(wb);  // before the start weights are written
  const LiveRunStatus live(wb);
  SaveWeights(wb, 0);
  PrepareTrainingRun(wb);
  DrawParts(wb);
  ShowLabel(wb, random ? "Random - 2 changes" : "Discrete - 2 changes");

  // One step entry per neuron and epoch; entry 0 is not written.
  const int layers = static_cast<int>(wb.Net.size());
  int neurons = 0;
  for (int l = 1; l < layers; ++l) neurons += wb.Layers[static_cast<std::size_t>(l)];
  wb.StepCount = 0;
  const auto entries = static_cast<std::size_t>(neurons) * static_cast<std::size_t>(std::max(0, wb.NumOfEpochs) + 1);
  wb.StepRateHistory.assign(entries, 0.0);
  wb.StepErrorHistory.assign(entries, 0.0);

  RunError error(wb);
  const double e0 = StartError(wb, error);
  wb.StopError = wb.StopError * e0;
  if (random) wb.Rng.Randomize(wb.Plat.MillisecondsOfDay());

  const int epochs = wb.NumOfEpochs;
  int completed = std::max(0, epochs);
  bool stopped = false;
  for (int e = 1; e <= epochs && !stopped; ++e) {
    const double factor = StepFactor(wb.DeltaDecay, e);
    DrawParts(wb);
    auto history = wb.WeightHistory[static_cast<std::size_t>(e)];
    for (int l = 1; l < layers && !stopped; ++l) {
      const int K = wb.LayerInputs[static_cast<std::size_t>(l - 1)];
      for (int n = 0; n < wb.Layers[static_cast<std::size_t>(l)]; ++n) {
        std::vector<double>& w = wb.Net[static_cast<std::size_t>(l)][static_cast<std::size_t>(n)].Weights;
        const std::span<double> record = history[static_cast<std::size_t>(l - 1)][static_cast<std::size_t>(n)];
        for (int k1 = 0; k1 <= K; ++k1)
          for (int k2 = 0; k2 <= K; ++k2) {
            const auto u1 = static_cast<std::size_t>(k1), u2 = static_cast<std::size_t>(k2);
            // Each trial starts from the weights the trials before it left: a greedy walk over the grid.
            for (int a = -2; a <= 2; ++a)
              for (int b = -2; b <= 2; ++b) {
                double d = wb.InitialDelta * factor;
                if (random) d *= wb.Rng.Real();
                const double old1 = w[u1], old2 = w[u2];
                w[u1] = old1 + a * d;
                w[u2] = old2 + b * d;  // with k1 = k2 this one wins
                wb.NewError = error();
                if (wb.NewError < wb.CurrentError) {
                  Accept(wb, wb.NewError);
                } else {
                  w[u1] = old1;
                  w[u2] = old2;
                }
                // The records keep the run's shape when inputs were pruned since its start.
                record[static_cast<std::size_t>(RunWeightIndex(wb, l, k1))] = w[u1];
                record[static_cast<std::size_t>(RunWeightIndex(wb, l, k2))] = w[u2];
              }
          }
        ++wb.StepCount;
        wb.StepRateHistory[static_cast<std::size_t>(wb.StepCount)] = wb.SuccessRate;
        wb.StepErrorHistory[static_cast<std::size_t>(wb.StepCount)] = wb.CurrentError;
        ShowProgress(wb, IntToStr(e) + " / " + IntToStr(l) + " / " + IntToStr(n), 4);
        // The rate tested is that of the last trial evaluated, which may have been undone.
        if (wb.SuccessRate >= wb.GoodResult || wb.CurrentError <= wb.StopError) {
          completed = e - 1;
          stopped = true;
          break;
        }
      }
    }
    if (stopped) break;
    RecordEpochRow(wb, e);
  }

  if (!f.NoGTPBox.Checked()) CallRunEnded(wb);
  wb.ParamText[4] = "Start Error = " + wb.ResultText + "   End Error = " + FixedDisplayText(wb.CurrentError, 12, 4);
  ShowEvaluationCount(wb);
  ExportWeightMatrixAtRunEnd(wb);
  wb.NumOfEpochs = completed;
}

void TrainTwoChangesZero(Workbench& wb, std::uint8_t mode) {
  if (ReadParameters(wb)) return;
  RequireNetwork(wb);
  // The scan pairs a hidden weight with a weight of the layer above it.
  if (wb.Net.size() < 3) {
    wb.Plat.ShowMessage(kZeroNeedsHiddenLayer);
    return;
  }
  HourglassGuard hourglass(wb.Plat);
  const bool random = mode == 1 || mode == 101;
  wb.MethodTag = random ? "S2-R" : "S2-D";
  RunSetErrorGuard followsSetChanges(wb, TwoChangesRunError);
  RequireRecordableNetwork(wb);  // before the start weights are written
  const LiveRunStatus live(wb);
  SaveWeights(wb, 0);
  PrepareTrainingRun(wb);
  DrawParts(wb);

  const int hidden = wb.Layers[1], outputs = wb.Layers[2];
  const int K1 = wb.LayerInputs[0], K2 = wb.LayerInputs[1];
  const std::int64_t pairs = static_cast<std::int64_t>(hidden) * (K1 + 1) * outputs * (K2 + 1);
  wb.ZeroPairs.assign(static_cast<std::size_t>(pairs) + 1, TZeroPair{});
  wb.ZeroPairCount = static_cast<int>(pairs + 1);
  ShowLabel(wb, random ? "Zero Random - 2 changes" : "Zero Discrete - 2 changes");

  wb.StepCount = 0;
  RunError error(wb);
  const double e0 = StartError(wb, error);
  wb.StopError = e0;  // the base error, read by ZeroTwoChangesStep

  const std::string path = wb.Path("\\T2.txt");
  // The run's log: an error that ends the run leaves it as far as the run got.
  AtomicOfstream t2(path, std::ios::trunc, AtomicOfstream::RunLog);
  if (!t2) throw FileError("Cannot write file " + path);
  WriteLine(t2, path, FixedDisplayText(e0, 14, 6));
  WriteLine(t2, path, "N1 w1 N2 w2   MSE");
  for (TZeroPair& p : wb.ZeroPairs) p.Error = e0;

  const double d = wb.InitialDelta * StepFactor(wb.DeltaDecay, 1);
  std::size_t next = 0;
  for (int n2 = 0; n2 < outputs; ++n2) {
    std::vector<double>& out = wb.Net[2][static_cast<std::size_t>(n2)].Weights;
    for (int w2 = 0; w2 <= K2; ++w2) {
      for (int n1 = 0; n1 < hidden; ++n1) {
        std::vector<double>& hid = wb.Net[1][static_cast<std::size_t>(n1)].Weights;
        for (int w1 = 0; w1 <= K1; ++w1) {
          double best1 = 0.0, best2 = 0.0;
          for (int a = -1; a <= 1; ++a)
            for (int b = -1; b <= 1; ++b) {
              hid[static_cast<std::size_t>(w1)] = a * d;
              out[static_cast<std::size_t>(w2)] = b * d;
              wb.NewError = error();
              if (wb.NewError < wb.CurrentError) {
                wb.CurrentError = wb.NewError;
                best1 = a * d;
                best2 = b * d;
              }
            }
          if (best1 != 0.0 || best2 != 0.0) {
            wb.ZeroPairs[next++] = {n1, w1, n2, w2, wb.CurrentError, best1, best2};
            WriteLine(t2, path,
                      IntToStr(n1) + "  " + IntToStr(w1) + "  " + IntToStr(n2) + "  " + IntToStr(w2) + "  " +
                          FixedDisplayText(wb.CurrentError, 14, 6));
          }
          // Every pair is tried on the zero network.
          wb.CurrentError = e0;
          hid[static_cast<std::size_t>(w1)] = 0.0;
          out[static_cast<std::size_t>(w2)] = 0.0;
        }
      }
      ShowProgress(wb, "0 / " + IntToStr(hidden) + " / " + IntToStr(n2), 3);
    }
  }

  RecordEpochRow(wb, 0);
  ZeroTwoChangesStep(wb);
  wb.ParamText[4] = "Start Error = " + wb.ResultText + "   End Error = " + FixedDisplayText(wb.CurrentError, 12, 3);
  CloseWritten(t2);
  ExportWeightMatrixAtRunEnd(wb);
}

void ZeroTwoChangesStep(Workbench& wb) {
  const double e0 = wb.StopError;
  wb.ZeroDirection.assign(2, {});
  for (std::size_t l = 1; l <= 2; ++l)
    wb.ZeroDirection[l - 1].assign(static_cast<std::size_t>(wb.Layers[l]),
                                   std::vector<double>(static_cast<std::size_t>(wb.LayerInputs[l - 1]) + 1, 0.0));
  std::vector<std::vector<double>>& hidden = wb.ZeroDirection[0];
  std::vector<std::vector<double>>& outputs = wb.ZeroDirection[1];
  // Only the pairs of hidden neuron 0 enter the direction; a later pair overwrites an earlier one.
  for (const TZeroPair& p : wb.ZeroPairs)
    if (p.N1 == 0 && p.Error < e0) {
      hidden.at(0).at(static_cast<std::size_t>(p.W1)) = (e0 - p.Error) * p.Step1;
      outputs.at(static_cast<std::size_t>(p.N2)).at(static_cast<std::size_t>(p.W2)) = (e0 - p.Error) * p.Step2;
    }

  auto moveTo = [&wb](double t) {
    for (std::size_t l = 1; l <= 2; ++l)
      for (std::size_t n = 0; n < wb.Net[l].size(); ++n) {
        std::vector<double>& w = wb.Net[l][n].Weights;
        const std::vector<double>& dir = wb.ZeroDirection[l - 1][n];
        for (std::size_t k = 0; k < dir.size(); ++k) w[k] = t * dir[k];
      }
  };
  wb.CurrentError = e0;
  double bestT = 0.0;
  EvalOptions options = HeldEvalOptions(wb);
  for (int k = 0; k <= 99; ++k) {
    const double t = 0.1 * k;
    moveTo(t);
    wb.NewError = ComputeError(wb, options, 1);
    options.NetworkFits = true;
    if (wb.NewError < wb.CurrentError) {
      wb.CurrentError = wb.NewError;
      bestT = t;
    }
  }
  moveTo(bestT);
}

}  // namespace wl

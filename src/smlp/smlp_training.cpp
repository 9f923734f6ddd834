#include "smlp/smlp_training.h"

#include <cstdint>
#include <fstream>

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "smlp/lunit_net.h"
#include "smlp/smlp_network.h"
#include "state/training_parts.h"
#include "state/workbench.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

std::string Fixed0(double x) { return FixedDisplayText(x, 12, 0); }
std::string Rate(double x) { return FixedDisplayText(x, 7, 5); }

// The state of one run of a trainer: the accepted network's error and accuracy, the change log and the
// run's start.
class SearchRun {
 public:
  SearchRun(Workbench& wb, int optMet, const char* label, bool perUnitHistory, const std::string& logSuffix)
      : wb_(wb) {
    TForm1& f = wb.Form1;
    const int epochs = StrToInt(Trim(f.EpochEditT2.Text()));  // before anything changes
    wb.OptMet = optMet;
    wb.NumOfEpochs = epochs;
    wb.ParamText[7] = label;
    const std::size_t rows = static_cast<std::size_t>(std::max(0, epochs)) + 1;
    if (perUnitHistory) {
      wb.StepCount = 0;
      const std::size_t size = rows * static_cast<std::size_t>(std::max(1, wb.Layers[1]));
      wb.StepRateHistory.assign(size, 0.0);
      wb.StepErrorHistory.assign(size, 0.0);
    } else {
      wb.StepRateHistory.assign(rows, 0.0);
      wb.StepErrorHistory.assign(rows, 0.0);
    }
    if (!logSuffix.empty()) {
      logName_ = wb.ResultsPrefix + logSuffix;
      log_.open(logName_, std::ios::binary | std::ios::trunc);
      if (!log_) throw FileError("Cannot write file " + logName_);
    }
    start_ = MonotonicMs();
    wb.CurrentError = EvaluateNetwork(wb);
    r_ = wb.SuccessRate;
    wb.ResultText = Fixed0(wb.CurrentError);
    f.ge.SetText("- / " + wb.ResultText);
    f.ge.Repaint();
    slope_ = wb.Slope;
  }

  // Re-draws the random part of the training set when it is split (the evaluation uses every vector).
  void DrawParts() {
    if (wb_.NumOfParts > 1) RefillRandomParts(wb_);
  }

  void ShowStatus(const std::string& ep) {
    TForm1& f = wb_.Form1;
    f.ep.SetText(ep);
    f.ep.Repaint();
    f.ge.SetText(wb_.ResultText + " / " + Fixed0(wb_.CurrentError));
    f.ge.Repaint();
    f.EditSuccess.SetText(Rate(r_));
    f.EditSuccess.Repaint();
  }

  // Evaluates the network as it stands; true when the trial is accepted (CurrentError and R updated and,
  // for the one-change trainers, the change logged).
  bool Trial(int unit, int weight) {
    const double e = EvaluateNetwork(wb_);
    wb_.NewError = e;
    if (!(e < wb_.CurrentError && wb_.WorthChanging * r_ < wb_.SuccessRate)) return false;
    r_ = wb_.SuccessRate;
    wb_.CurrentError = e;
    if (log_.is_open()) {
      log_ << ChangeLogLine(e, r_, unit, weight) << '\n';
      if (!log_) throw FileError("Cannot write file " + logName_);
    }
    return true;
  }

  // The histories of a step: epoch e (one change) or the next hidden unit (two changes).
  void Record(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= wb_.StepRateHistory.size()) return;
    wb_.StepRateHistory[index] = r_;
    wb_.StepErrorHistory[index] = wb_.CurrentError;
  }
  void RecordUnit() {
    ++wb_.StepCount;
    Record(wb_.StepCount);
  }

  // The end of the run. The accuracy variables are evaluated once more, so that they describe the
  // network the run leaves, not its last trial.
  void End(int endDecimals) {
    TForm1& f = wb_.Form1;
    EvaluateNetwork(wb_);
    f.ep.SetText("  ");
    f.ep.Repaint();
    f.ge.SetText(wb_.ResultText + " / " + Fixed0(wb_.CurrentError));
    f.ge.Repaint();
    f.EditSuccess.SetText(Rate(wb_.SuccessRate));
    f.EditSuccess.Repaint();
    wb_.ParamText[12] = "slope = " + FloatToStr(slope_);
    wb_.ElapsedTime = MonotonicMs() - start_;
    f.TrainingEdit.SetText(FormatFixed(static_cast<double>(wb_.ElapsedTime) / 1000.0, 2) + "s");
    f.TrainingEdit.Repaint();
    wb_.ParamText[4] = "Start Error = " + wb_.ResultText + "   End Error = " + FormatFixed(wb_.CurrentError, endDecimals);
    if (log_.is_open()) {
      log_.close();
      if (!log_) throw FileError("Cannot write file " + logName_);
    }
  }

 private:
  Workbench& wb_;
  AtomicOfstream log_{AtomicOfstream::RunLog};  // as far as the run got when an error ends it
  std::string logName_;
  std::int64_t start_ = 0;
  double r_ = 0.0;
  double slope_ = 0.0;
};

int Hidden(const Workbench& wb) { return wb.NumOfClasses * wb.HidPerOut[0]; }

bool Masked(const Workbench& wb, int f) {
  return f < static_cast<int>(wb.FeatureMask.size()) && wb.FeatureMask[f] == 0;
}

// The first input of every feature, and one past the last.
std::vector<int> InputOffsets(const Workbench& wb) {
  std::vector<int> offset(wb.Features.size() + 1, 0);
  for (std::size_t f = 0; f < wb.Features.size(); ++f) offset[f + 1] = offset[f] + StepInputCount(wb, f);
  return offset;
}

// The one-change visit of weight i of hidden unit j: +1.0, then -1.0, from the weight before the visit.
void VisitWeight(SearchRun& run, std::vector<double>& w, int j, int i) {
  const double base = w[i];
  double delta = 0.0;
  w[i] = base + 1.0;
  if (run.Trial(j, i)) delta = 1.0;
  w[i] = base - 1.0;
  if (run.Trial(j, i)) delta = -1.0;
  w[i] = base + delta;
}

// The frame both one-change trainers share; `only` is the feature whose values are tried, -1 for all.
void OneChange(Workbench& wb, int only, const std::string& logSuffix) {
  const bool expand = only >= 0;
  SearchRun run(wb, 1, "SLMP-1ch ", false, logSuffix);
  const std::vector<int> offset = InputOffsets(wb);
  const int nf = static_cast<int>(wb.Features.size());
  for (int e = 1; e <= wb.NumOfEpochs; ++e) {
    run.DrawParts();
    for (int j = 0; j < Hidden(wb); ++j) {
      std::vector<double>& w = wb.Net[1][j].Weights;
      for (int f = 0; f < nf; ++f) {
        if (expand)
          run.ShowStatus(IntToStr(e) + "/" + IntToStr(j) + "  " + wb.Features[f].Name);
        else
          run.ShowStatus("ep=" + IntToStr(e) + "  cl=" + IntToStr(j) + "  f=" + IntToStr(f));
        for (int i = offset[f]; i < offset[f + 1]; ++i) {
          if (Masked(wb, f))
            w[i] = 0.0;
          else if (!expand || f == only)
            VisitWeight(run, w, j, i);
        }
      }
    }
    run.Record(e);
  }
  run.End(4);
}

}  // namespace

std::string ChangeLogLine(double error, double accuracy, int unit, int weight) {
  return "Error: " + FloatToStr(error) + "    SuccessRt: " + FloatToStr(accuracy) + "    N.W: " + IntToStr(unit) + "." +
         IntToStr(weight);
}

void TrainSMLPOneChange(Workbench& wb) { OneChange(wb, -1, "_wc.txt"); }

void TrainSMLPOneChangeExpand(Workbench& wb, int feature) { OneChange(wb, feature, "_WC.txt"); }

void TrainSMLPTwoChanges(Workbench& wb) {
  SearchRun run(wb, 2, "SMLP-2ch ", true, "");
  const std::vector<int> offset = InputOffsets(wb);
  const int nf = static_cast<int>(wb.Features.size());
  for (int e = 1; e <= wb.NumOfEpochs; ++e) {
    run.DrawParts();
    for (int j = 0; j < Hidden(wb); ++j) {
      std::vector<double>& w = wb.Net[1][j].Weights;
      for (int f1 = 0; f1 < nf; ++f1)
        for (int i1 = offset[f1]; i1 < offset[f1 + 1]; ++i1)
          for (int f2 = 0; f2 < nf; ++f2) {
            run.ShowStatus("ep=" + IntToStr(e) + "  cl=" + IntToStr(j) + "  f1/f2=" + IntToStr(f1) + "/" + IntToStr(f2));
            for (int i2 = offset[f2]; i2 < offset[f2 + 1]; ++i2) {
              if (i2 == i1) continue;  // one weight twice: its single steps come with every other pair
              for (int d1 = -1; d1 <= 1; ++d1)
                for (int d2 = -1; d2 <= 1; ++d2) {
                  const bool m1 = Masked(wb, f1), m2 = Masked(wb, f2);
                  if (m1) w[i1] = 0.0;
                  if (m2) w[i2] = 0.0;
                  if (m1 || m2) continue;
                  const double b1 = w[i1], b2 = w[i2];
                  w[i1] = b1 + d1;
                  w[i2] = b2 + d2;
                  if (!run.Trial(j, i1)) {
                    w[i1] = b1;
                    w[i2] = b2;
                  }
                }
            }
          }
      run.RecordUnit();
    }
  }
  run.End(6);
}

}  // namespace wl

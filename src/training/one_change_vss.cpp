// Variable step search (VSS): each weight remembers the step its last search accepted; the next search
// starts from a fraction of it, and after a success the step is extended geometrically along the same
// line while the error keeps falling. Options add a parabolic jump to the estimated minimum of the line,
// acceptance of a slightly worse extension (c3), and two trials around the final step (CH1).
//
// The error E carried from weight to weight is the error of the last accepted trial. After a parabolic
// step, an accepted worse extension, or an accepted extension whose trial value was clamped at the
// largest weight, the weight is set to a value whose error was not the one accepted: E then is not the
// error of the network as it stands, and is carried on as it is until a border-vector selection
// recomputes it. That is how the search works, not an oversight.
#include <algorithm>
#include <cmath>
#include <vector>

#include "model/read_parameters.h"
#include "model/signal_table.h"
#include "state/workbench.h"
#include "platform/numfmt.h"
#include "platform/platform.h"
#include "training/one_change.h"

namespace wl {

void TrainVSS(Workbench& wb, std::uint8_t mode, int n) {
  TForm1& form = wb.Form1;
  // Border vectors every N epochs need a period of at least one epoch.
  if (form.SelMetBox.Checked() && n < 1 &&
      !CheckNumber(wb.Plat, form.SelEpochEdit, "Select border vectors ", true, 1, 999999))
    return;

  HourglassGuard hourglass(wb.Plat);
  SearchRunningGuard running(wb);
  const double c3 = StrToFloat(form.c3Edit.Text());
  OneChangeFrame frame(wb);
  frame.Prepare(mode, "S1-DH2 (VSS)");
  frame.SizeStepHistories();

  // LastStep[l][n][k]: the step the weight's last search accepted, 0 when it accepted nothing.
  std::vector<std::vector<std::vector<double>>> lastStep(wb.Net.size());
  for (std::size_t l = 1; l < wb.Net.size(); ++l) {
    lastStep[l].resize(wb.Net[l].size());
    for (std::size_t j = 0; j < wb.Net[l].size(); ++j) lastStep[l][j].assign(wb.Net[l][j].Weights.size(), 0.0);
  }
  const int fcma = StrToInt(form.FCMAEdit.Text());
  if (fcma < 0) {
    wb.Plat.ShowMessage("max iteration must be an Integer from 0 to 999");
    return;
  }
  const double d0 = wb.InitialDelta;
  const double xlc = StrToFloat(form.XLCEdit.Text());
  const double m = wb.Smhid;
  const double maxWeight = StrToFloat(form.MaxWeightEdit.Text());
  const bool parabolic = form.ParabVSSBox.Checked();
  const bool ch1 = form.CH1Box.Checked();
  double aMax = 1.0;
  for (int i = 1; i < fcma; ++i) aMax *= m;

  frame.ShowLabel("Sa-DH2 (VSS)");
  form.ENVEdit.SetText(IntToStr(wb.NumOfVectors));
  form.ENVEdit.Repaint();
  frame.Start();

  double& E = wb.CurrentError;
  auto record = [&wb] {
    wb.AcceptedSuccessRate = wb.SuccessRate;
    wb.AcceptedWeightedRate = wb.WeightedCorrect;
  };
  auto clamp = [maxWeight](double v) { return std::min(std::max(v, -maxWeight), maxWeight); };
  std::vector<double> A(static_cast<std::size_t>(fcma) + 2, 0.0);  // the errors along the line

  int e = 1;
  for (; e <= wb.NumOfEpochs; ++e) {
    const double f = StepFactor(wb.DeltaDecay, e);
    const double maxDelta = StrToFloat(form.MaxDeltaEdit.Text()) * (e == 1 ? 0.25 : e == 2 ? 0.5 : 1.0);
    int ordinal = 0;
    for (const WeightRef& w : frame.Order()) {
      TNeuron& neuron = frame.Neuron(w);
      const auto k = static_cast<std::size_t>(w.k);
      double& last = lastStep[static_cast<std::size_t>(w.l)][static_cast<std::size_t>(w.n)][k];
      const double e0 = E;
      double d = last == 0.0 ? d0 * f : xlc * last;
      double s = 0.0;
      const double w0 = neuron.Weights[k];
      neuron.OldWeights[k] = w0;

      // First trials, neither clamped nor limited by the largest step.
      double trial = frame.Try(w, w0 + d);
      if (trial < E) {
        E = trial;
        record();
        s = d;
      }
      if (last == 0.0 || s == 0.0) {
        // Without history the step down is tried in any case, against the error just possibly lowered.
        trial = frame.Try(w, w0 - d);
        if (trial < E) {
          E = trial;
          record();
          s = -d;
        }
      }
      neuron.Weights[k] = w0 + s;
      if (s == 0.0) {
        last = 0.0;
        frame.RecordWeight(e, w);
        frame.PlotWeight(e, w, ordinal++, s);
        continue;
      }

      // Extension along the line while the error falls.
      const double x1 = s;
      A[0] = e0;
      A[1] = E;
      int j = 0;
      while (j < fcma) {
        d = m * s;
        if (std::fabs(d) > maxDelta) break;
        double tried = clamp(w0 + d);
        trial = frame.Try(w, tried);
        ++j;
        A[static_cast<std::size_t>(j) + 1] = trial;
        if (trial < E) {
          E = trial;
          record();
          s = d;
          if (j == 1 && parabolic) {
            const double p = ParabolicStep(x1, s, A[0], A[1], E, aMax);
            if (p != 0.0) {
              s = p;
              tried = w0 + p;
              // A better parabolic point ends the extension; E and the rates stay those of the first
              // extension, and a worse one lets the extension go on from p.
              if (frame.Try(w, tried) < E) break;
            }
          }
          if (std::fabs(tried) >= maxWeight) break;
          continue;
        }
        // A worse extension is still taken when it is worse by little against the last gain.
        const auto uj = static_cast<std::size_t>(j);
        if (c3 > 0.0 && A[uj + 1] - A[uj] < c3 * (A[uj - 1] - A[uj])) s = d;
        break;
      }

      if (ch1) {
        const double t = s;
        const double inner = 2.0 * t / (m + 1.0);
        trial = frame.Try(w, clamp(w0 + inner));
        if (trial < E) {
          E = trial;
          record();
          s = inner;
        } else {
          const double outer = t * (m + 1.0) / 2.0;
          trial = frame.Try(w, clamp(w0 + outer));
          if (trial < E) {
            E = trial;
            record();
            s = outer;
          }
        }
      }

      neuron.Weights[k] = w0 + s;
      neuron.OldWeights[k] = w0;
      if (wb.UseSignalTable) {
        if (wb.NonStandardTF)
          UpdateSignalTableAfterChange(wb, w.l, w.n, w.k);
        else
          UpdateSignalTable(wb, w.l, w.n, w.k);
      }
      last = s;
      frame.RecordWeight(e, w);
      frame.PlotWeight(e, w, ordinal++, s);
    }
    frame.ShowEpoch(e, wb.AcceptedSuccessRate, &wb.AcceptedWeightedRate);
    frame.RecordEpoch(e);
    if (form.SelMetBox.Checked() && e % n == 0) frame.BorderVectors();
  }
  frame.End(e);
}

}  // namespace wl

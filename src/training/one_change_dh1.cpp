// DH1 search, the plainer sibling of the variable step search: each weight remembers its last accepted
// step and starts its next search from a fraction of it; a weight without history starts from a step
// proportional to its sign. After a success the step grows by a constant factor while the error falls.
// The run stops early on a target error, a target success rate or the evaluation budget.
#include <algorithm>
#include <cmath>
#include <vector>

#include "model/signal_table.h"
#include "state/workbench.h"
#include "platform/numfmt.h"
#include "platform/platform.h"
#include "training/one_change.h"

namespace wl {

void TrainDH1(Workbench& wb, std::uint8_t mode, int n, double factor) {
  HourglassGuard hourglass(wb.Plat);
  SearchRunningGuard running(wb);
  TForm1& form = wb.Form1;
  OneChangeFrame frame(wb);
  frame.Prepare(mode, "S1-DH1");
  const int fcma = StrToInt(form.FCMAEdit.Text());
  if (fcma < 0) {
    wb.Plat.ShowMessage("max iteration must be an Integer from 0 to 999");
    return;
  }
  frame.ShowLabel("S1-ST1");
  frame.Start();

  std::vector<std::vector<std::vector<double>>> lastStep(wb.Net.size());
  for (std::size_t l = 1; l < wb.Net.size(); ++l) {
    lastStep[l].resize(wb.Net[l].size());
    for (std::size_t j = 0; j < wb.Net[l].size(); ++j) lastStep[l][j].assign(wb.Net[l][j].Weights.size(), 0.0);
  }
  const double xlc = wb.XLC;
  const double F = factor;
  const double maxWeight = wb.MaxWeight;
  const double maxDeltaField = StrToFloat(form.MaxDeltaEdit.Text());
  const bool ch1 = form.CH1Box.Checked();
  const bool borderVectors = form.SelMetBox.Checked();
  double& E = wb.CurrentError;
  auto clamp = [maxWeight](double v) { return std::min(std::max(v, -maxWeight), maxWeight); };
  auto stop = [&wb, &E] {
    return wb.SuccessRate >= wb.GoodResult || E <= wb.StopError || wb.SigmoidCount > wb.SigmoidLimit;
  };

  int e = 1;
  for (; e <= wb.NumOfEpochs; ++e) {
    const double f = StepFactor(wb.DeltaDecay, e);
    wb.MaxDelta = maxDeltaField * (e == 1 ? 0.25 : e == 2 ? 0.5 : 1.0);
    int ordinal = 0;
    for (const WeightRef& w : frame.Order()) {
      TNeuron& neuron = frame.Neuron(w);
      const auto k = static_cast<std::size_t>(w.k);
      double& last = lastStep[static_cast<std::size_t>(w.l)][static_cast<std::size_t>(w.n)][k];
      const double w0 = neuron.Weights[k];
      // A weight of exactly 0 without history has no sign, so no step.
      const double sign = static_cast<double>((w0 > 0.0) - (w0 < 0.0));
      double d = last == 0.0 ? sign * 0.1 * xlc * f : xlc * last;
      double s = 0.0;
      neuron.OldWeights[k] = w0;

      double trial = frame.Try(w, w0 + d);
      if (trial < E) {
        E = trial;
        s = d;
      } else {
        trial = frame.Try(w, w0 - d);
        if (trial < E) {
          E = trial;
          s = -d;
        }
      }
      if (s != 0.0) {
        for (int j = 0; j < fcma; ++j) {
          d = F * s;
          if (std::fabs(d) > wb.MaxDelta) break;
          const double tried = clamp(w0 + d);
          trial = frame.Try(w, tried);
          if (!(trial < E)) break;
          E = trial;
          s = d;
          if (std::fabs(tried) >= maxWeight) break;
        }
        if (ch1) {
          const double t = s;
          const double inner = 2.0 * t / (F + 1.0);
          trial = frame.Try(w, clamp(w0 + inner));
          if (trial < E) {
            E = trial;
            s = inner;
          } else {
            const double outer = t * (F + 1.0) / 2.0;
            trial = frame.Try(w, clamp(w0 + outer));
            if (trial < E) {
              E = trial;
              s = outer;
            }
          }
        }
      }
      neuron.Weights[k] = w0 + s;
      neuron.OldWeights[k] = w0;
      if (wb.UseSignalTable && s != 0.0) UpdateSignalTable(wb, w.l, w.n, w.k);
      last = s;
      frame.RecordWeight(e, w);
      // A stop ends the epoch here, without the detailed point of this weight.
      if (stop()) break;
      frame.PlotWeight(e, w, ordinal++, s);
    }
    frame.ShowEpoch(e, wb.SuccessRate, nullptr);
    frame.RecordEpoch(e);
    if (stop()) break;
    if (borderVectors && e == n) {
      frame.BorderVectors();
      n *= 2;
    }
  }
  frame.End(e);
}

}  // namespace wl

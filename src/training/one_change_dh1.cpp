// DH1 search, the plainer sibling of the variable step search: each weight remembers its last accepted
// step and starts its next search from a fraction of it; a weight without history starts from a step
// proportional to its sign. After a success the step grows by a constant factor while the error falls.
// The run stops early on a target error, a target success rate or the evaluation budget.
#include <algorithm>
#include <cmath>
#include <vector>

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

  StepMemory lastStep(wb);
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
      double& last = lastStep[w];
      const double w0 = neuron.Weights[k];
      // A weight of exactly 0 without history has no sign, so no step.
      const double sign = static_cast<double>((w0 > 0.0) - (w0 < 0.0));
      double d = last == 0.0 ? sign * 0.1 * xlc * f : xlc * last;
      double s = 0.0;
      neuron.OldWeights[k] = w0;

      if (!frame.Improve(w, w0 + d, d, s)) frame.Improve(w, w0 - d, -d, s);
      if (s != 0.0) {
        for (int j = 0; j < fcma; ++j) {
          d = F * s;
          if (std::fabs(d) > wb.MaxDelta) break;
          const double tried = clamp(w0 + d);
          if (!frame.Improve(w, tried, d, s)) break;
          if (std::fabs(tried) >= maxWeight) break;
        }
        if (ch1) frame.TryAroundStep(w, w0, F, maxWeight, s);
      }
      frame.Keep(w, w0, s, false);
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

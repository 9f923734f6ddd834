// The standard one-change search: every weight in turn is moved one step up and one step down, and the
// better move is kept when it lowers the error. In random mode each step is the scheduled step times a
// fresh random number.
#include "state/workbench.h"
#include "platform/platform.h"
#include "training/one_change.h"

namespace wl {

void TrainOneChangeStandard(Workbench& wb, std::uint8_t mode) {
  HourglassGuard hourglass(wb.Plat);
  OneChangeFrame frame(wb);
  frame.Prepare(mode, mode == 1 ? "S1-R" : "S1-D", true);
  frame.SizeStepHistories();
  frame.ShowLabel(mode == 1 ? "Random - 1 change" : "Discrete - 1 change");
  frame.DrawParts();
  frame.Start();
  if (mode == 1) wb.Rng.Randomize(wb.Plat.MillisecondsOfDay());
  const bool randomSteps = mode == 1 || mode == 101;

  double& E = wb.CurrentError;
  int e = 1;
  for (; e <= wb.NumOfEpochs; ++e) {
    const double f = StepFactor(wb.DeltaDecay, e);
    frame.DrawParts();
    int ordinal = 0;
    for (const WeightRef& w : frame.Order()) {
      TNeuron& neuron = frame.Neuron(w);
      const auto k = static_cast<std::size_t>(w.k);
      double d = wb.InitialDelta * f;
      if (randomSteps) d *= wb.Rng.Real();
      double s = 0.0;
      const double w0 = neuron.Weights[k];
      neuron.OldWeights[k] = w0;
      frame.Improve(w, w0 + d, d, s);
      // The step down is tried in any case, against the error the step up may have lowered.
      frame.Improve(w, w0 - d, -d, s);
      frame.Keep(w, w0, s, false);
      frame.RecordWeight(e, w);
      frame.PlotWeight(e, w, ordinal++, s);
    }
    frame.ShowEpoch(e, wb.SuccessRate, nullptr);
    if (wb.SuccessRate >= wb.GoodResult || E <= wb.StopError) {
      wb.NumOfEpochs = e;
      wb.StepCount = e;
      break;
    }
    frame.RecordEpoch(e);
  }
  frame.End(e);
  ShowEvaluationCount(wb);
}

}  // namespace wl

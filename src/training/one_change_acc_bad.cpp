// The one-change search that accepts worse steps ("Allow bad changes"): every weight is tried at +d and
// -d, but while the error of the network is above a quarter of the start error a better trial is kept
// only with probability 0.85 and a worse one with probability 0.15. Once an epoch starts at or below
// that quarter, every better trial is kept and no worse one.
//
// Its bookkeeping is its own: no random parts of the training set, no records beyond what the run
// preparation writes, no progress plot points. When both trials of a weight are accepted, the minus
// trial's change is the one kept.
#include <cstddef>

#include "model/error_functions.h"
#include "model/run_status.h"
#include "model/eval_options.h"
#include "model/read_parameters.h"
#include "model/weights_file.h"
#include "platform/numfmt.h"
#include "platform/platform.h"
#include "platform/rounding.h"
#include "state/workbench.h"
#include "training/one_change.h"
#include "training/prepare_run.h"

namespace wl {

void Train1ChangeAccBad(Workbench& wb, std::uint8_t mode) {
  if (ReadParameters(wb)) return;
  RequireNetwork(wb);
  HourglassGuard hourglass(wb.Plat);
  TForm1& form = wb.Form1;
  RequireRecordableNetwork(wb);  // before the start weights are written
  SaveWeights(wb, 0);
  PrepareTrainingRun(wb);
  const std::string caption = mode == 1 ? "R. - 1 change + AccBad" : "D. - 1 change + AccBad";
  wb.ParamText[7] = caption;
  ShowRunMethod(wb, caption);
  wb.StepCount = 0;

  EvalOptions o = HeldEvalOptions(wb);
  const double e0 = ComputeError(wb, o, static_cast<std::uint8_t>(wb.ErrorTFKind & 0xFF));
  o.NetworkFits = true;  // the first pass checked the network against the data set
  double& E = wb.CurrentError;
  E = e0;
  wb.StopError = wb.StopError * e0;
  wb.ResultText = FixedDisplayText(e0, 12, 2);
  form.ge.SetText("- / " + wb.ResultText);
  form.ge.Repaint();
  if (mode == 1) wb.Rng.Randomize(wb.Plat.MillisecondsOfDay());

  // A trial accepted: a better one unless the draw falls at or below p, a worse one when it does; an
  // equal error draws nothing.
  auto accepts = [&wb, &E](double trial, double p) {
    if (trial < E) return wb.Rng.Real() > p;
    if (trial > E) return wb.Rng.Real() <= p;
    return false;
  };

  int epochs = wb.NumOfEpochs;
  for (int e = 1; e <= wb.NumOfEpochs; ++e) {
    const double p = E > 0.25 * e0 ? 0.15 : 0.0;
    double d = wb.InitialDelta * StepFactor(wb.DeltaDecay, e);
    if (mode == 1) d *= wb.Rng.Real();
    for (std::size_t l = 1; l < wb.Net.size(); ++l)
      for (TNeuron& neuron : wb.Net[l])
        // Every weight of the neuron up to its threshold, skip weights of the output layer included.
        for (std::size_t k = 0; k <= static_cast<std::size_t>(wb.LayerInputs[l - 1]); ++k) {
          const double w0 = neuron.Weights[k];
          double s = 0.0;
          for (const double step : {d, -d}) {
            neuron.Weights[k] = w0 + step;
            wb.NewError = ComputeError(wb, o, static_cast<std::uint8_t>(wb.ErrorTFKind & 0xFF));
            if (accepts(wb.NewError, p)) {
              E = wb.NewError;
              s = step;
            }
          }
          neuron.Weights[k] = w0 + s;
        }
    form.ep.SetText(IntToStr(e));
    form.ge.SetText(FixedDisplayText(E, 12, 4) + " / " + wb.ResultText);
    form.EditSuccess.SetText(FixedDisplayText(wb.SuccessRate, 7, 5));
    form.ep.Repaint();
    form.ge.Repaint();
    form.EditSuccess.Repaint();
    wb.Plat.ProcessEvents();
    if (wb.SuccessRate >= wb.GoodResult || E <= wb.StopError) {
      wb.NumOfEpochs = e;
      epochs = e;
      break;
    }
  }
  wb.ParamText[2] = "Num of Epochs = " + IntToStr(epochs);
  wb.ParamText[3] = "Initial Delta = " + FloatToStr(wb.InitialDelta) + "   D=D/2 every " +
                    IntToStr(RoundInt(wb.DeltaDecay)) + " epochs";
  wb.ParamText[4] = "Start Error = " + wb.ResultText + "   End Error = " + FixedDisplayText(E, 12, 4);
}

}  // namespace wl

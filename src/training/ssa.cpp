// The "SSA" run: a data set asked for and read, a fresh network with random weights on linear inputs (or
// loaded weights), trained by a variable step search of single weights through the signal table, the
// output layer first, and timed. The fast path of the search trainers: every trial is one pass over the
// training vectors for a single changed weight. It keeps no records, so the analysis windows have
// nothing to show for it.
#include <algorithm>
#include <cmath>

#include "model/create_network.h"
#include "model/run_status.h"
#include "model/data_file.h"
#include "model/eval_options.h"
#include "model/read_parameters.h"
#include "model/signal_table.h"
#include "model/weights_file.h"
#include "platform/clock.h"
#include "platform/numfmt.h"
#include "platform/platform.h"
#include "state/workbench.h"
#include "training/border_vectors.h"
#include "training/one_change.h"
#include "training/prepare_run.h"

namespace wl {

void RunSSA(Workbench& wb) {
  TForm1& form = wb.Form1;
  HourglassGuard hourglass(wb.Plat);
  SearchRunningGuard running(wb);
  int n = StrToInt(form.SelEpochEdit.Text());
  // Trials are evaluated through the table of plain sigmoids, which no other transfer function fits:
  // refused before the data set of the dialog is read and the network built anew.
  const char* const kSigmoidsOnly =
      "SSA trains networks of plain sigmoid neurons only. Choose the sigmoid transfer function for every layer.";
  if (!FieldsGivePlainSigmoids(form)) {
    wb.Plat.ShowMessage(kSigmoidsOnly);
    return;
  }
  // The table serves two or three layers: a hidden layer L3 in the fields is refused as early.
  std::int32_t l2 = 0, l3 = 0;
  if (TryStrToInt(Trim(form.HiddenEditT2.Text()), l2) && TryStrToInt(Trim(form.Hid3EditT2.Text()), l3) && l2 > 0 &&
      l3 > 0 && !form.SkipCheck.Checked() && !form.strbox.Checked()) {
    wb.Plat.ShowMessage("The signal table serves networks of two or three layers only.");
    return;
  }

  if (!OpenDataFile(wb, 0)) return;
  if (CreateNetwork(wb, 4) != NetworkBuilt) return;  // its message has been shown
  if (form.LoadWBox.Checked()) LoadWeights(wb, "");
  // SSA draws no part of the training set: it trains on every vector, whatever "Parts" says (a part left
  // by another run belongs to that run).
  FlagGuard<std::int32_t> allVectors(wb.NumOfParts, 1);
  if (wb.NonStandardTF) {  // the fields read by the network's creation agree with the check above
    wb.Plat.ShowMessage(kSigmoidsOnly);
    return;
  }
  // The extension factor as the parameters just read give it.
  const double m = wb.SMDH1;
  SaveWeights(wb, 0);

  StepMemory lastStep(wb);
  const double xlc = StrToFloat(form.XLCEdit.Text());
  const int fcma = StrToInt(form.FCMAEdit.Text());
  const double maxWeight = StrToFloat(form.MaxWeightEdit.Text());
  StartRunStatus(wb);
  ShowRunMethod(wb, "SSA");
  wb.StartTime = wb.Plat.MillisecondsOfDay();
  const std::int64_t start = MonotonicMs();

  EvalOptions o = HeldEvalOptions(wb);
  auto fullPass = [&wb, &o] {
    const double e = ErrorFullPass(wb, o);
    o.NetworkFits = true;  // checked by this pass, until the training set changes
    return e;
  };
  double& E = wb.CurrentError;
  E = fullPass();
  wb.StopError = wb.StopError * E;
  wb.ResultText = FixedDisplayText(E, 12, 3);
  form.ge.SetText("- / " + wb.ResultText);
  form.ge.Repaint();
  wb.StartError = E;

  auto clamp = [maxWeight](double v) { return std::min(std::max(v, -maxWeight), maxWeight); };
  auto stop = [&wb, &E] {
    return wb.SuccessRate >= wb.GoodResult || E <= wb.StopError || wb.SigmoidCount > wb.SigmoidLimit;
  };
  const int outputLayer = static_cast<int>(wb.Net.size()) - 1;

  int e = 1;
  for (; e <= wb.NumOfEpochs; ++e) {
    const double f = StepFactor(wb.DeltaDecay, e);
    const double maxDelta = StrToFloat(form.MaxDeltaEdit.Text()) * (e == 1 ? 0.25 : e == 2 ? 0.5 : 1.0);
    bool stopped = false;
    for (int l = outputLayer; l >= 1 && !stopped; --l)
      for (int j = 0; j < wb.Layers[static_cast<std::size_t>(l)] && !stopped; ++j)
        for (int k = 0; k <= wb.LayerInputs[static_cast<std::size_t>(l - 1)]; ++k) {
          TNeuron& neuron = wb.Net[static_cast<std::size_t>(l)][static_cast<std::size_t>(j)];
          const auto uk = static_cast<std::size_t>(k);
          double& last = lastStep[{l, j, k}];
          const double d = last == 0.0 ? wb.InitialDelta * f : xlc * last;
          double s = 0.0;
          const double w0 = neuron.Weights[uk];
          neuron.OldWeights[uk] = w0;
          auto improve = [&](double value, double step) {
            neuron.Weights[uk] = value;
            wb.NewError = ErrorWithChangedWeight(wb, o, l, j, k);
            if (!(wb.NewError < E)) return false;
            E = wb.NewError;
            s = step;
            return true;
          };

          improve(w0 + d, d);
          if (last == 0.0 || s == 0.0) improve(w0 - d, -d);
          neuron.Weights[uk] = w0 + s;
          if (s != 0.0) {
            for (int i = 0; i < fcma; ++i) {
              const double ext = m * s;
              if (std::fabs(ext) > maxDelta) break;
              const double tried = clamp(w0 + ext);
              if (!improve(tried, ext)) break;
              if (std::fabs(tried) >= maxWeight) break;
            }
            if (form.CH1Box.Checked()) {
              const double t = s, inner = 2.0 * t / (m + 1.0), outer = t * (m + 1.0) / 2.0;
              if (!improve(clamp(w0 + inner), inner)) improve(clamp(w0 + outer), outer);
            }
            neuron.Weights[uk] = w0 + s;
            neuron.OldWeights[uk] = w0;
            UpdateSignalTable(wb, l, j, k);
          }
          last = s;
          // A stop ends the sweep at once: the remaining weights, neurons and layers of the epoch.
          if (stop()) {
            stopped = true;
            break;
          }
        }
    form.ep.SetText(IntToStr(e));
    form.ge.SetText(FixedDisplayText(E, 12, 4) + " / " + wb.ResultText);
    form.EditSuccess.SetText(FixedDisplayText(wb.SuccessRate, 7, 5));
    form.ep.Repaint();
    form.ge.Repaint();
    form.EditSuccess.Repaint();
    wb.Plat.ProcessEvents();
    if (stop()) break;
    if (form.SelMetBox.Checked() && e == n) {
      n *= 2;
      SelectBorderVectors(wb, 3);
      o.NetworkFits = false;  // a new training set: the next full pass checks it
      E = fullPass();
    }
  }

  wb.ElapsedTime = MonotonicMs() - start;
  form.TrainingEdit.SetText(FixedDisplayText(static_cast<double>(wb.ElapsedTime) / 1000.0, 12, 2) + "s");
  form.TrainingEdit.Repaint();
  wb.ParamText[4] = "Start Error = " + wb.ResultText + "   End Error = " + FixedDisplayText(E, 12, 4);
  wb.MethodTag = "S1-DH2";
  wb.NumOfEpochs = e - 1;
}

}  // namespace wl

// The in-place twins of the variable step and the weight-section searches. Within an epoch every weight
// is searched on the same base network, the weights as they stood at the epoch's start: a weight's new
// value is set aside and the weight put back; after the sweep all set-aside values go into the network
// at once and the error of the combined network is computed afresh.
//
// E is the running value, lowered by every better trial of the epoch: a weight is compared with the best
// single change found so far in the epoch, not with the base error. The error of the combined network
// may therefore be higher than that of any single change.
#include <algorithm>
#include <cmath>
#include <vector>

#include "model/error_functions.h"
#include "model/layer_transfer.h"
#include "model/read_parameters.h"
#include "model/signal_table.h"
#include "platform/numfmt.h"
#include "platform/platform.h"
#include "state/hooks.h"
#include "state/training_parts.h"
#include "state/workbench.h"
#include "training/one_change.h"
#include "training/run_end.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

// Every weight of every layer, in the frame's order.
std::vector<WeightRef> EveryWeight(const Workbench& wb) {
  std::vector<WeightRef> order;
  for (int l = 1; l < static_cast<int>(wb.Net.size()); ++l)
    for (int n = 0; n < wb.Layers[static_cast<std::size_t>(l)]; ++n)
      for (int k = 0; k <= wb.LayerInputs[static_cast<std::size_t>(l - 1)]; ++k) order.push_back({l, n, k});
  return order;
}

// The start error shown as every search shows it: StopError made absolute, ResultText, ge, StartError.
void ShowStartError(Workbench& wb, double e) {
  wb.CurrentError = e;
  wb.StopError = wb.StopError * e;
  wb.ResultText = FixedDisplayText(e, 12, 3);
  wb.Form1.ge.SetText("- / " + wb.ResultText);
  wb.Form1.ge.Repaint();
  wb.StartError = e;
}

// The progress plot finished, unless "No Plot E".
void FinishPlot(Workbench& wb) {
  if (!wb.Form1.NoGTPBox.Checked()) CallRunEnded(wb);
}

}  // namespace

void InPlaceTrain1(Workbench& wb) {
  TForm1& f = wb.Form1;
  wb.InPlaceUseSignalTable = f.SMSTBox.Checked() && wb.NumOfLayers < 4;
  if (ReadParameters(wb)) return;
  RequireEntropyOutputRange(wb);
  if (const std::string refusal = OneChangeFieldsRefusal(f); !refusal.empty()) {
    wb.Plat.ShowMessage(refusal);
    return;
  }
  const bool vss = f.OldDH2Box.Checked();
  const bool twin = vss || f.SMWSButton.Checked();
  if (twin) {
    // The weight-section search evaluates the current part with or without the signal table.
    if (!vss) RequirePartsFit(wb);
    StrToInt(f.SelEpochEdit.Text());
    // The network in place must be the one the parameters describe before anything of the run changes.
    RequireNetwork(wb);
    RequireRecordableNetwork(wb);
  }
  // The epoch's values are set aside in the direction record (one row, shared with the numerical gradient).
  wb.SearchDirection.Resize(1, WeightShape::Of(wb.Layers, wb.LayerInputs.data(),
                                               std::min(wb.NumOfLayers, static_cast<int>(wb.Layers.size()))));
  if (!twin) return;
  if (vss) {
    InPlaceVSSTrain(wb);
    ShowEvaluationCount(wb);
  } else {
    InPlaceWeightSectionTrain(wb);
    ShowEvaluationCount(wb);
  }
}

void InPlaceVSSTrain(Workbench& wb) {
  TForm1& form = wb.Form1;
  HourglassGuard hourglass(wb.Plat);
  SearchRunningGuard running(wb);
  StrToFloat(form.c3Edit.Text());
  OneChangeFrame frame(wb);
  frame.Prepare(2, "S1-DH2 (VSS)");

  StepMemory lastStep(wb);
  const int outputLayer = static_cast<int>(wb.Net.size()) - 1;
  auto growth = [&wb, outputLayer](int l) { return l == outputLayer ? wb.SMDH1 : wb.Smhid; };
  const double xlc = StrToFloat(form.XLCEdit.Text());
  const int fcma = StrToInt(form.FCMAEdit.Text());
  const double maxWeight = StrToFloat(form.MaxWeightEdit.Text());
  frame.ShowLabel("Sa-DH2 (VSS)");
  frame.SizeStepHistories();

  wb.InPlaceUseSignalTable = false;
  const bool plain = !wb.NonStandardTF;
  EvalOptions o = frame.Options();
  auto error = [&wb, &o, plain] {
    const double e = plain ? ComputeError(wb, o, 1) : TrainingSetError(wb, o);
    o.NetworkFits = true;  // checked by the first pass; the network's shape does not change in the run
    return e;
  };
  ShowStartError(wb, error());

  double& E = wb.CurrentError;
  auto clamp = [maxWeight](double v) { return std::min(std::max(v, -maxWeight), maxWeight); };
  // A trial: better only when strictly below E; a better one becomes E and its rates are recorded.
  auto improve = [&](TNeuron& neuron, std::size_t k, double value, double step, double& s) {
    neuron.Weights[k] = value;
    const double trial = error();
    wb.NewError = trial;
    if (!(trial < E)) return false;
    E = trial;
    HoldRates(wb);
    s = step;
    return true;
  };
  const std::vector<WeightRef> order = EveryWeight(wb);

  for (int e = 1; e <= wb.NumOfEpochs; ++e) {
    const double f = StepFactor(wb.DeltaDecay, e);
    const double maxDelta = StrToFloat(form.MaxDeltaEdit.Text()) * (e == 1 ? 0.25 : e == 2 ? 0.5 : 1.0);
    int ordinal = 0;
    for (const WeightRef& w : order) {
      TNeuron& neuron = frame.Neuron(w);
      const auto k = static_cast<std::size_t>(w.k);
      const double m = growth(w.l);
      double& last = lastStep[w];
      const double d = last == 0.0 ? wb.InitialDelta * f : xlc * last;
      double s = 0.0;
      const double w0 = neuron.Weights[k];
      neuron.OldWeights[k] = w0;

      improve(neuron, k, w0 + d, d, s);
      if (last == 0.0 || s == 0.0) improve(neuron, k, w0 - d, -d, s);
      neuron.Weights[k] = w0 + s;
      if (s != 0.0) {
        // A trial that is not better does not end the extension: the next rounds try the same value.
        for (int j = 0; j < fcma; ++j) {
          const double ext = m * s;
          if (std::fabs(ext) > maxDelta) break;
          improve(neuron, k, clamp(w0 + ext), ext, s);
        }
        if (form.CH1Box.Checked()) {
          const double t = s, inner = 2.0 * t / (m + 1.0), outer = t * (m + 1.0) / 2.0;
          if (!improve(neuron, k, clamp(w0 + inner), inner, s)) improve(neuron, k, clamp(w0 + outer), outer, s);
        }
        neuron.Weights[k] = w0 + s;
        neuron.OldWeights[k] = w0;
      }
      last = s;
      frame.RecordWeight(e, w);
      frame.PlotWeight(e, w, ordinal++, s);
      // Set aside, and the weight back at its value of the epoch's start.
      wb.SearchDirection[0][static_cast<std::size_t>(w.l - 1)][static_cast<std::size_t>(w.n)][k] = neuron.Weights[k];
      neuron.Weights[k] = w0;
    }
    for (const WeightRef& w : order)
      frame.Neuron(w).Weights[static_cast<std::size_t>(w.k)] =
          wb.SearchDirection[0][static_cast<std::size_t>(w.l - 1)][static_cast<std::size_t>(w.n)][static_cast<std::size_t>(w.k)];
    E = error();
    HoldRates(wb);
    frame.ShowEpoch(e, wb.AcceptedSuccessRate, &wb.AcceptedWeightedRate);
    frame.RecordEpoch(e);
  }
  FinishPlot(wb);
  ExportWeightMatrixAtRunEnd(wb, true);  // this search exports whatever the Matlab boxes say
}

void InPlaceWeightSectionTrain(Workbench& wb) {
  TForm1& form = wb.Form1;
  HourglassGuard hourglass(wb.Plat);
  SearchRunningGuard running(wb);
  RequirePartsFit(wb);
  OneChangeFrame frame(wb);
  frame.Prepare(2, "S1-WS");
  frame.ShowLabel("Discrete - 1 change ST");

  const bool plain = !wb.NonStandardTF, table = wb.InPlaceUseSignalTable;
  EvalOptions o = frame.Options();
  // The base network's error (which also fills the signal table for it), a trial of one weight, and the
  // error of the combined network at the epoch's end.
  auto fullError = [&](bool epochEnd) {
    double e;
    if (plain)
      e = table ? ErrorFullPass(wb, o) : epochEnd ? ComputeError(wb, o, 1) : TrainingSetError(wb, o);
    else
      e = table && epochEnd ? SignalTableErrorB(wb, o) : TrainingSetError(wb, o);
    o.NetworkFits = true;
    return e;
  };
  auto trialError = [&](const WeightRef& w) {
    if (!plain) return TrainingSetError(wb, o);
    return table ? ErrorWithChangedWeight(wb, o, w.l, w.n, w.k) : NetworkError(wb, o);
  };
  ShowStartError(wb, fullError(false));
  StrToInt(form.SelEpochEdit.Text());

  const double R = wb.WSRange, h = wb.WSDelta;
  double& E = wb.CurrentError;
  const std::vector<WeightRef> order = EveryWeight(wb);
  int e = 1;
  for (; e <= wb.NumOfEpochs; ++e) {
    const auto ue = static_cast<std::size_t>(e);
    for (const WeightRef& w : order) {
      TNeuron& neuron = frame.Neuron(w);
      const auto k = static_cast<std::size_t>(w.k);
      const double w0 = neuron.Weights[k];
      neuron.OldWeights[k] = w0;
      double best = 0.0;
      double x = -R;
      for (int i = 0; x < R; ++i) {
        x = -R + i * h;
        neuron.Weights[k] = w0 + x;
        const double trial = trialError(w);
        wb.NewError = trial;
        if (trial < E) {
          E = trial;
          best = x;
        }
      }
      const auto l = static_cast<std::size_t>(w.l - 1), n = static_cast<std::size_t>(w.n);
      wb.WeightHistory[ue][l][n][k] = w0 + best;
      wb.WeightTrialHistory[ue][l][n][k].Error = E;
      neuron.Weights[k] = w0;
    }
    for (const WeightRef& w : order)
      frame.Neuron(w).Weights[static_cast<std::size_t>(w.k)] =
          wb.WeightHistory[ue][static_cast<std::size_t>(w.l - 1)][static_cast<std::size_t>(w.n)]
                          [static_cast<std::size_t>(w.k)];
    E = fullError(true);
    HoldRates(wb, !table);  // the table's passes write no weighted rate
    frame.ShowEpoch(e, wb.SuccessRate, nullptr);
    frame.RecordEpoch(e);
    if (wb.SigmoidCount > wb.SigmoidLimit) break;
  }
  frame.End(e);
}

}  // namespace wl

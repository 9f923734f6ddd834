// Variable step search (VSS): each weight remembers the step its last search accepted; the next search
// starts from a fraction of it, and after a success the step is extended geometrically along the same
// line while the error keeps falling. Options add a parabolic jump to the estimated minimum of the line,
// acceptance of a slightly worse extension (c3), and two trials around the final step (CH1).
//
// The error E carried from weight to weight is the error of the network as it stands. A search that
// leaves its weight where no accepted trial stood (a parabolic step, an accepted worse extension, an
// accepted extension whose trial value was clamped at the largest weight) evaluates the weight's final
// value once more and carries that error on, so that every epoch records the error of its own weights.
#include <algorithm>
#include <cmath>
#include <vector>

#include "model/read_parameters.h"
#include "model/run_status.h"
#include "platform/numfmt.h"
#include "platform/platform.h"
#include "state/workbench.h"
#include "training/one_change.h"
#include "training/prepare_run.h"
#include "training/vss_search.h"

namespace wl {

VSSSearch::VSSSearch(Workbench& wb, OneChangeFrame& frame, const VSSOptions& o)
    : wb_(wb),
      frame_(frame),
      o_(o),
      lastStep_(wb),
      A_(static_cast<std::size_t>(std::max(0, o.MaxExtensions)) + 2, 0.0) {}

double VSSSearch::Search(const WeightRef& w, double f, double maxDelta) {
  TNeuron& neuron = frame_.Neuron(w);
  const auto k = static_cast<std::size_t>(w.k);
  double& last = lastStep_[w];
  double& E = wb_.CurrentError;
  const double maxWeight = o_.MaxWeight, m = o_.Growth;
  auto clamp = [maxWeight](double v) { return std::min(std::max(v, -maxWeight), maxWeight); };
  const double e0 = E;
  double d = last == 0.0 ? o_.InitialStep * f : o_.StepShare * last;
  double s = 0.0;
  const double w0 = neuron.Weights[k];
  neuron.OldWeights[k] = w0;
  // The weight's value whose error E is.
  double atE = w0;
  auto improve = [&](double value, double step) {
    if (!frame_.Improve(w, value, step, s)) return false;
    atE = value;
    return true;
  };

  // First trials, neither clamped nor limited by the largest step.
  improve(w0 + d, d);
  // Without history the step down is tried in any case, against the error just possibly lowered.
  if (last == 0.0 || s == 0.0) improve(w0 - d, -d);
  if (s == 0.0) {
    frame_.Keep(w, w0, 0.0, false);
    last = 0.0;
    return 0.0;
  }

  // Extension along the line while the error falls.
  std::vector<double>& A = A_;
  const double x1 = s;
  A[0] = e0;
  A[1] = E;
  int j = 0;
  while (j < o_.MaxExtensions) {
    d = m * s;
    if (std::fabs(d) > maxDelta) break;
    double tried = clamp(w0 + d);
    const bool better = improve(tried, d);
    ++j;
    A[static_cast<std::size_t>(j) + 1] = wb_.NewError;
    if (better) {
      if (j == 1 && o_.Parabolic) {
        const double p = ParabolicStep(x1, s, A[0], A[1], E, o_.ParabolicCap);
        if (p != 0.0) {
          s = p;
          tried = w0 + p;
          // A better parabolic point ends the extension; E and the rates stay those of the first
          // extension, and a worse one lets the extension go on from p.
          if (frame_.Try(w, tried) < E) break;
        }
      }
      if (std::fabs(tried) >= maxWeight) break;
      continue;
    }
    // A worse extension is still taken when it is worse by little against the last gain.
    const auto uj = static_cast<std::size_t>(j);
    if (o_.C3 > 0.0 && A[uj + 1] - A[uj] < o_.C3 * (A[uj - 1] - A[uj])) s = d;
    break;
  }

  if (o_.CH1) {
    const double before = s;
    frame_.TryAroundStep(w, w0, m, maxWeight, s);
    if (s != before) atE = clamp(w0 + s);
  }

  // The weight ends where no accepted trial stood: E becomes the error of its final value.
  const double value = w0 + s;
  if (value != atE) {
    E = frame_.Try(w, value);
    HoldRates(wb_);
  }

  // Folded in also when a worse extension of step 0 was taken (a growth factor of 0).
  neuron.Weights[k] = value;
  neuron.OldWeights[k] = w0;
  frame_.FoldIntoTable(w, wb_.NonStandardTF);
  last = s;
  return s;
}

bool BorderPeriodFits(Workbench& wb, int n) {
  TForm1& form = wb.Form1;
  return !(form.SelMetBox.Checked() && n < 1 &&
           !CheckNumber(wb.Plat, form.SelEpochEdit, "Select border vectors ", true, 1, 999999));
}

void TrainVSS(Workbench& wb, std::uint8_t mode, int n) {
  if (!BorderPeriodFits(wb, n)) return;
  HourglassGuard hourglass(wb.Plat);
  RunVSS(wb, mode, n, "S1-DH2 (VSS)", [](OneChangeFrame& frame, int) -> const std::vector<WeightRef>& {
    return frame.Order();
  });
}

void RunVSS(Workbench& wb, std::uint8_t mode, int n, const std::string& tag, const VSSOrder& order) {
  TForm1& form = wb.Form1;
  SearchRunningGuard running(wb);
  VSSOptions o;
  o.C3 = StrToFloat(form.c3Edit.Text());
  OneChangeFrame frame(wb);
  frame.Prepare(mode, tag);
  frame.SizeStepHistories();

  o.MaxExtensions = StrToInt(form.FCMAEdit.Text());
  if (o.MaxExtensions < 0) {
    wb.Plat.ShowMessage("max iteration must be an Integer from 0 to 999");
    return;
  }
  o.InitialStep = wb.InitialDelta;
  o.StepShare = StrToFloat(form.XLCEdit.Text());
  o.Growth = wb.Smhid;
  o.MaxWeight = StrToFloat(form.MaxWeightEdit.Text());
  o.Parabolic = form.ParabVSSBox.Checked();
  o.CH1 = form.CH1Box.Checked();
  for (int i = 1; i < o.MaxExtensions; ++i) o.ParabolicCap *= o.Growth;
  VSSSearch search(wb, frame, o);

  frame.ShowLabel("Sa-DH2 (VSS)");
  ShowRunVectors(wb);
  frame.Start();

  int e = 1;
  for (; e <= wb.NumOfEpochs; ++e) {
    const double f = StepFactor(wb.DeltaDecay, e);
    const double maxDelta = StrToFloat(form.MaxDeltaEdit.Text()) * (e == 1 ? 0.25 : e == 2 ? 0.5 : 1.0);
    int ordinal = 0;
    for (const WeightRef& w : order(frame, e)) {
      const double s = search.Search(w, f, maxDelta);
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

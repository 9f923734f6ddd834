#include "training/live_status.h"

#include <cmath>

#include "platform/clock.h"
#include "platform/numfmt.h"
#include "state/workbench.h"
#include "training/one_change.h"
#include "training/prepare_run.h"

namespace wl {

LiveRunStatus::LiveRunStatus(Workbench& wb) : wb_(wb), startMs_(MonotonicMs()) {
  // A run inside a run (a search that trains candidates) keeps the outer run's figures.
  if (wb_.Plat.HasPassHook()) return;
  wb_.Plat.SetPassHook([this] { Show(); });
  installed_ = true;
}

LiveRunStatus::~LiveRunStatus() {
  if (installed_) wb_.Plat.SetPassHook({});
}

void LiveRunStatus::Show() {
  TForm1& f = wb_.Form1;
  f.TrainingEdit.SetText(FormatFixed(static_cast<double>(MonotonicMs() - startMs_) / 1000.0, 2) + "s");
  f.TrainingEdit.Repaint();
  f.modWEdit.SetText(FixedDisplayText(std::sqrt(SquaredWeightNorm(wb_)), 10, 2));
  f.modWEdit.Repaint();
  ShowEvaluationCount(wb_);
}

}  // namespace wl

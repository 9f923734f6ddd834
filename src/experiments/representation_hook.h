#pragma once
// The per-epoch hook of the hidden-representation analysis: called by the training-progress plot after
// every epoch when "Signals after epoch" is checked, with 0 by the run preparation and with -1 by the
// validation-set report.
namespace wl {

struct Workbench;

void TrainingEpochHook(Workbench& wb, int epoch);

}  // namespace wl

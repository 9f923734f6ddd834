#include <vector>

#include "experiments/new_training.h"
#include "experiments/representation_hook.h"
#include "experiments/result_report.h"
#include "platform/platform.h"
#include "shell/command.h"
#include "shell/general_commands.h"

namespace wl {

namespace {

void CommitteesNotAvailable(Workbench& wb) {
  wb.Plat.ShowMessage("Committees are not available yet. Set \"Committee\" to 1 to train a single network.");
}

const char* const kNoRulesReport = "The rules report of step-function networks is not available yet.";

// "On Training Set": the report of the network on its training set.
void OnTrainingSet(Workbench& wb) {
  FlagGuard<bool> testing(wb.TestingMode, true);
  if (wb.NetKind != 0) {
    wb.Plat.ShowMessage(kNoRulesReport);
    return;
  }
  WriteResultFile(wb, 1);
}

// "On Validation Set": the report on a set the user chooses, which then becomes the current data set.
void OnValidationSet(Workbench& wb) {
  FlagGuard<bool> testing(wb.TestingMode, true);
  if (wb.NetKind != 0) {
    wb.Plat.ShowMessage(kNoRulesReport);
    return;
  }
  if (!WriteResultFile(wb, 2)) return;
  if (wb.Form1.IRBox.Checked()) {
    TrainingEpochHook(wb, -1);
    if (Form* orf = wb.FindWindow("ORF")) orf->SetCaption("Test Output Neuron Signals");
    if (Form* hrf = wb.FindWindow("HRF")) hrf->SetCaption("Test Hidden Neuron Signals");
  }
}

}  // namespace

// "New Training" and the "&Results" menu.
void AddExperimentsHandlers(std::vector<HandlerRow>& t) {
  t.push_back({"TrainingT2", ControlEvent::MouseReleased,
               [](Workbench& wb) { NewTrainingClick(wb, {&CommitteesNotAvailable, &NewTraining}); }});
  t.push_back({"OnTrainingSet1", ControlEvent::MouseReleased, [](Workbench& wb) { OnTrainingSet(wb); }});
  t.push_back({"OnValidationSet1", ControlEvent::MouseReleased, [](Workbench& wb) { OnValidationSet(wb); }});
}

}  // namespace wl

#include <vector>

#include "analysis/signal_plots.h"
#include "experiments/batch_file.h"
#include "experiments/committee.h"
#include "experiments/crossvalidation.h"
#include "experiments/new_training.h"
#include "experiments/representation_hook.h"
#include "experiments/result_report.h"
#include "platform/platform.h"
#include "shell/command.h"
#include "shell/general_commands.h"
#include "smlp/rules_report.h"
#include "smlp/single_class_reports.h"

namespace wl {

namespace {

// "On Training Set": the report of the network on its training set.
void OnTrainingSet(Workbench& wb) {
  FlagGuard<bool> testing(wb.TestingMode, true);
  if (wb.NetKind != 0) {
    WriteRulesReport(wb, 1);
    return;
  }
  WriteResultFile(wb, 1);
}

// "On Validation Set": the report on a set the user chooses, which then becomes the current data set.
void OnValidationSet(Workbench& wb) {
  FlagGuard<bool> testing(wb.TestingMode, true);
  if (wb.NetKind != 0) {
    // The single-class report belongs to a network a single-class trainer built; a network of all classes
    // gets the rules report whatever class the box shows.
    if (wb.SingleClassNet && wb.Form1.CurrentClassBox.ItemIndex() > 0) {
      SMLPValidationReport(wb);
      return;
    }
    WriteRulesReport(wb, 2);
    return;
  }
  if (!WriteResultFile(wb, 2)) return;
  if (wb.Form1.IRBox.Checked()) {
    TrainingEpochHook(wb, -1);
    wb.ORF.SetCaption("Test Output Neuron Signals");
    wb.HRF.SetCaption("Test Hidden Neuron Signals");
    ShowSignalPlots(wb, 0);
  }
}

// A crossvalidation from the "Open" menu; the button that shows the run number offers to continue
// training afterwards.
void Crossvalidation(Workbench& wb, std::uint8_t method) {
  RunCrossvalidation(wb, method);
  wb.Form1.NTButton.SetCaption("Continue Training");
}

}  // namespace

// "New Training", the "&Results" menu and the experiments of the "Open" menu.
void AddExperimentsHandlers(std::vector<HandlerRow>& t) {
  t.push_back({"TrainingT2", ControlEvent::MouseReleased,
               [](Workbench& wb) { NewTrainingClick(wb, {&TrainCommittee, &NewTraining}); }});
  t.push_back({"SMLPcrossvalidation1", ControlEvent::MouseReleased, [](Workbench& wb) { Crossvalidation(wb, 1); }});
  t.push_back({"NGcrossvalidation1", ControlEvent::MouseReleased, [](Workbench& wb) { Crossvalidation(wb, 2); }});
  t.push_back({"MLPCrossvalidation1", ControlEvent::MouseReleased, [](Workbench& wb) { Crossvalidation(wb, 3); }});
  t.push_back({"Button14", ControlEvent::MouseReleased, [](Workbench& wb) { Crossvalidation(wb, 4); }});
  t.push_back({"BatchMode1", ControlEvent::MouseReleased, [](Workbench& wb) { BatchModeOpen(wb, ""); }});
  t.push_back({"OnTrainingSet1", ControlEvent::MouseReleased, [](Workbench& wb) { OnTrainingSet(wb); }});
  t.push_back({"OnValidationSet1", ControlEvent::MouseReleased, [](Workbench& wb) { OnValidationSet(wb); }});
}

}  // namespace wl

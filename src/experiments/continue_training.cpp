#include "experiments/continue_training.h"

#include <cmath>

#include "model/read_parameters.h"
#include "platform/numfmt.h"
#include "state/workbench.h"
#include "training/backprop.h"
#include "training/ng_train.h"
#include "training/one_change.h"
#include "training/prepare_run.h"
#include "training/run_end.h"
#include "training/two_changes.h"

namespace wl {

namespace {

// Runs the trainer of the chosen method radio; the progress stage it leaves, "" when none ran.
std::string RunChosenTrainer(Workbench& wb) {
  const TForm1& f = wb.Form1;
  if (f.BPButton.Checked()) {
    TrainBP(wb);  // a refusal is its own message; the norm is shown all the same
    return "120";
  }
  if (f.NGT2.Checked()) {
    NGTrain(wb, 1);
    return "123";
  }
  if (f.S1DT2.Checked()) {
    TrainOneChange(wb, 2);
    return "128";
  }
  if (f.S1RT2.Checked()) {
    TrainOneChange(wb, 1);
    return "134";
  }
  if (f.S2DT2.Checked()) {
    TrainTwoChanges(wb, 2);
    return "140";
  }
  if (f.S2RT2.Checked()) {
    TrainTwoChanges(wb, 1);
    return "146";
  }
  return "";  // "D2-zero" and any other choice train nothing here
}

}  // namespace

void ContinueTraining(Workbench& wb) {
  if (wb.Layers.size() < 2 || wb.Layers[0] < 1 || wb.Layers[1] < 1 || wb.NumOfWeights < 2 ||
      Trim(wb.ResultsPrefix).empty())
    return;
  if (ReadParameters(wb, 1)) return;
  TForm1& f = wb.Form1;
  if (f.TrainingInMatlab.Checked()) {
    wb.Plat.ShowMessage("Training Method is set to Matlab. Choose another method.");
    return;
  }
  // The coming run's weight matrix is in the program's own weight order, and with "full WM" it covers
  // every epoch: set by the run's start, so that a trainer's refusal leaves the fields as they were.
  std::string stage;
  {
    const WeightMatrixFieldsForRun fields(wb, false);
    stage = RunChosenTrainer(wb);
  }
  if (!stage.empty()) {
    wb.ProgressStage = stage;
    UpdateProgressTrace(wb);
  }
  wb.WeightNorm = std::sqrt(SquaredWeightNorm(wb));
  f.modWEdit.SetText(FixedDisplayText(wb.WeightNorm, 10, 2));
  f.modWEdit.Repaint();
}

}  // namespace wl

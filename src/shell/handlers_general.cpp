#include <algorithm>
#include <vector>

#include "model/read_parameters.h"
#include "platform/numfmt.h"
#include "shell/command.h"
#include "shell/general_commands.h"
#include "shell/on_top.h"
#include "training/run_end.h"

namespace wl {

void SameLayersClick(Workbench& wb) {
  TForm1& f = wb.Form1;
  Control* const layerControls[] = {&f.SlopeHidL2Edit, &f.sscaleHidL2Edit, &f.NSEHidL2Edit, &f.HL2TF,
                                    &f.SlopeHidL3Edit, &f.sscaleHidL3Edit, &f.NSEHidL3Edit, &f.HL3TF};
  if (f.SameLayersBox.Checked()) {
    f.SlopeHidL2Edit.SetText(f.SlopeEdit.Text());
    f.sscaleHidL2Edit.SetText(f.sscaleEdit.Text());
    f.NSEHidL2Edit.SetText(f.NSEdit.Text());
    f.HL2TF.SetItemIndex(f.OutTF.ItemIndex());
    f.SlopeHidL3Edit.SetText(f.SlopeEdit.Text());
    f.sscaleHidL3Edit.SetText(f.sscaleEdit.Text());
    f.NSEHidL3Edit.SetText(f.NSEdit.Text());
    f.HL3TF.SetItemIndex(f.OutTF.ItemIndex());
    for (Control* c : layerControls) c->SetEnabled(false);
  } else {
    for (Control* c : layerControls) c->SetEnabled(true);
  }
}

void OutputLayerFieldChanged(Workbench& wb, const Edit& field) {
  TForm1& f = wb.Form1;
  if (!f.SameLayersBox.Checked()) return;
  Edit* l3 = nullptr;
  Edit* l2 = nullptr;
  if (&field == &f.SlopeEdit) {
    l3 = &f.SlopeHidL3Edit;
    l2 = &f.SlopeHidL2Edit;
  } else if (&field == &f.sscaleEdit) {
    l3 = &f.sscaleHidL3Edit;
    l2 = &f.sscaleHidL2Edit;
  } else if (&field == &f.NSEdit) {
    l3 = &f.NSEHidL3Edit;
    l2 = &f.NSEHidL2Edit;
  } else {
    return;
  }
  l3->SetText(field.Text());
  l2->SetText(field.Text());
}

void OutputTFChanged(Workbench& wb) {
  TForm1& f = wb.Form1;
  if (!f.SameLayersBox.Checked()) return;
  f.HL3TF.SetItemIndex(f.OutTF.ItemIndex());
  f.HL2TF.SetItemIndex(f.OutTF.ItemIndex());
}

void HiddenL3Leaves(Workbench& wb) {
  TForm1& f = wb.Form1;
  const bool none = StrToInt(f.Hid3EditT2.Text()) == 0;
  f.GroupBox5.SetEnabled(!none);
  f.GroupBox5.SetCaptionColor(none ? GroupBox::clInactiveCaption : GroupBox::clWindowText);
}

void ApplyWindowConsistency(Workbench& wb) {
  SameLayersClick(wb);
  std::int32_t hidden = 0;
  if (TryStrToInt(Trim(wb.Form1.Hid3EditT2.Text()), hidden)) HiddenL3Leaves(wb);
}

void FullWMClick(Workbench& wb) {
  TForm1& f = wb.Form1;
  if (!f.ALLWMBox.Checked()) return;
  f.fromEdit.SetText("0");
  f.WMepEdit.SetText(f.EpochEditT2.Text());
}

void RandomWeightOrderClick(Workbench& wb) {
  if (wb.Form1.RWOrderBox.Checked()) wb.Form1.CustOrderBox.SetChecked(false);
}

void CustomWeightOrderClick(Workbench& wb) {
  if (wb.Form1.CustOrderBox.Checked()) wb.Form1.RWOrderBox.SetChecked(false);
}

void ShowHelpContents(Workbench& wb) { wb.Plat.ShowHelp(wb.HelpFile); }

void NewTrainingClick(Workbench& wb, const NewTrainingCallees& callees) {
  TForm1& f = wb.Form1;
  if (StrToInt(f.CommEdit.Text()) > 1) {
    callees.TrainCommittee(wb);
    return;
  }
  wb.GTP.ResizeEdit.SetText(f.EpochEditT2.Text());
  if (f.TrainingInMatlab.Checked()) {
    wb.Plat.ShowMessage("Training Method is set to Matlab. Choose another method.");
    return;
  }
  // "WM in WeightLab format", and with "full WM" every epoch in the weight matrix, "to WM" at most the
  // epochs to train: the parameters are checked with the fields as the run will set them, and the run's
  // start sets them, so that a refusal before it leaves them as they were.
  const WeightMatrixFieldsForRun fields(wb, true);
  TraceStage(wb, "3");
  const WMFieldTexts kept = PreviewWeightMatrixFields(wb);
  const bool invalid = ReadParameters(wb, 1);
  RestoreWMFields(wb, kept);
  if (invalid) return;
  TraceStage(wb, "4");
  f.TrainingEdit.SetText(" ");
  f.TrainingEdit.Repaint();
  callees.NewTraining(wb);
  TraceStage(wb, "5");
}

// The general menus and tabs: the "Help" menu and the handlers that keep the main window's controls
// consistent. ("Open" itself opens its menu and does nothing more.)
void AddGeneralHandlers(std::vector<HandlerRow>& t) {
  using E = ControlEvent;
  t.push_back({"Help1", E::MouseReleased, [](Workbench& wb) { ShowHelpContents(wb); }});
  t.push_back({"SameLayersBox", E::MouseReleased, [](Workbench& wb) { SameLayersClick(wb); }});
  // An edit's text-changed event comes also when a routine writes the field (the settings file).
  t.push_back({"SlopeEdit", E::TextChanged,
               [](Workbench& wb) { OutputLayerFieldChanged(wb, wb.Form1.SlopeEdit); }, true});
  t.push_back({"sscaleEdit", E::TextChanged,
               [](Workbench& wb) { OutputLayerFieldChanged(wb, wb.Form1.sscaleEdit); }, true});
  t.push_back({"NSEdit", E::TextChanged, [](Workbench& wb) { OutputLayerFieldChanged(wb, wb.Form1.NSEdit); }, true});
  t.push_back({"OutTF", E::SelectionChanged, [](Workbench& wb) { OutputTFChanged(wb); }});
  t.push_back({"Hid3EditT2", E::FocusLeaves, [](Workbench& wb) { HiddenL3Leaves(wb); }});
  t.push_back({"ALLWMBox", E::MouseReleased, [](Workbench& wb) { FullWMClick(wb); }});
  t.push_back({"RWOrderBox", E::MouseReleased, [](Workbench& wb) { RandomWeightOrderClick(wb); }});
  t.push_back({"CustOrderBox", E::MouseReleased, [](Workbench& wb) { CustomWeightOrderClick(wb); }});
}

}  // namespace wl

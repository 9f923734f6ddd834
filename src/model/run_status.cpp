#include "model/run_status.h"

#include "platform/numfmt.h"
#include "state/workbench.h"

namespace wl {

namespace {

void ClearResultFields(Workbench& wb) {
  TForm1& f = wb.Form1;
  // The run time (TrainingEdit) belongs to the commands that time their runs; they set it as they start.
  for (Edit* e : {&f.ep, &f.ge, &f.EditSuccess, &f.WeightedAccEdit, &f.alsigEdit, &f.av_hEdit, &f.opt_hEdit,
                  &f.modWEdit, &f.ENVEdit}) {
    if (e->Text().empty()) continue;
    e->SetText("");
    e->Repaint();
  }
}

}  // namespace

void ClearRunStatus(Workbench& wb) {
  ClearResultFields(wb);
  ShowRunMethod(wb, "");
}

void StartRunStatus(Workbench& wb) {
  ClearResultFields(wb);
  ShowRunVectors(wb);
}

void ShowRunMethod(Workbench& wb, const std::string& text) {
  wb.Form1.Label19.SetCaption(text);
  wb.Form1.Label19.Repaint();
}

void ShowRunVectors(Workbench& wb) {
  wb.Form1.ENVEdit.SetText(IntToStr(wb.NumOfVectors));
  wb.Form1.ENVEdit.Repaint();
}

}  // namespace wl

#include "training/run_end.h"

#include <algorithm>
#include <string>

#include "platform/numfmt.h"
#include "platform/platform.h"
#include "state/hooks.h"
#include "state/workbench.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

// The integer of a range field, when it holds one.
bool FieldInteger(const std::string& text, int& out) { return TryStrToInt(Trim(text), out); }

}  // namespace

bool WeightMatrixRangeFits(Workbench& wb, std::string& why) {
  const TForm1& f = wb.Form1;
  const int n = wb.NumOfEpochs;
  int from = 0, to = 0, every = 0;
  // A field that holds no integer is left to the export, which names it.
  if (!FieldInteger(f.fromEdit.Text(), from) || !FieldInteger(f.WMepEdit.Text(), to) ||
      !FieldInteger(f.everyWMEdit.Text(), every))
    return true;
  const std::string lead = "The weight matrix was not exported: ";
  if (n < 1) {
    why = lead + "the run trained no epoch.";
    return false;
  }
  const std::string epochs = "the run has " + IntToStr(n) + (n == 1 ? " epoch" : " epochs");
  if (from < 0 || from > n - 1 || to < from || to > n) {
    why = lead + epochs + ", and \"from WM\" " + IntToStr(from) + " to \"to WM\" " + IntToStr(to) +
          " is not a range of its epochs.";
    return false;
  }
  if (every < 0 || every > n) {
    why = lead + epochs + ", fewer than \"every WM\" " + IntToStr(every) + ".";
    return false;
  }
  return true;
}

void ExportWeightMatrixAtRunEnd(Workbench& wb, bool always) {
  FitRecordsToNetwork(wb);
  // The run took place: the weight-matrix fields its command set for it take their values.
  ApplyWeightMatrixFieldsForRun(wb);
  if (!always && !wb.Form1.MatLabBox.Checked() && !wb.Form1.FastICABox.Checked()) return;
  // Every trainer alike: a range that does not fit the run is said plainly, and nothing is exported.
  std::string why;
  if (!WeightMatrixRangeFits(wb, why)) {
    wb.Plat.ShowMessage(why);
    return;
  }
  CallWeightMatrixExport(wb);
}

namespace {

void SetFullWM(TForm1& f) {
  f.WMepEdit.SetText(f.EpochEditT2.Text());
  f.everyWMEdit.SetText("1");
  f.anyWMEdit.SetText("");
}

}  // namespace

WeightMatrixFieldsForRun::WeightMatrixFieldsForRun(Workbench& wb, bool clamp) : wb_(wb) {
  wb.WMFieldsForRun = {true, clamp};
}

WeightMatrixFieldsForRun::~WeightMatrixFieldsForRun() { wb_.WMFieldsForRun = {}; }

void ApplyWeightMatrixFieldsForRun(Workbench& wb) {
  if (!wb.WMFieldsForRun.Pending) return;
  const bool clamp = wb.WMFieldsForRun.Clamp;
  wb.WMFieldsForRun = {};
  TForm1& f = wb.Form1;
  // The coming run's weight matrix is in the program's own weight order, and with "full WM" it covers
  // every epoch.
  f.WMWeightLabBox.SetChecked(true);
  if (f.ALLWMBox.Checked()) SetFullWM(f);
  if (clamp) {
    int to = 0, epochs = 0;
    if (FieldInteger(f.WMepEdit.Text(), to) && FieldInteger(f.EpochEditT2.Text(), epochs))
      f.WMepEdit.SetText(IntToStr(std::min(to, epochs)));
    f.WMepEdit.Repaint();
  }
}

WMFieldTexts PreviewWeightMatrixFields(Workbench& wb) {
  TForm1& f = wb.Form1;
  WMFieldTexts kept{f.WMepEdit.Text(), f.everyWMEdit.Text(), f.anyWMEdit.Text()};
  if (f.ALLWMBox.Checked()) SetFullWM(f);
  return kept;
}

void RestoreWMFields(Workbench& wb, const WMFieldTexts& texts) {
  TForm1& f = wb.Form1;
  f.WMepEdit.SetText(texts.To);
  f.everyWMEdit.SetText(texts.Every);
  f.anyWMEdit.SetText(texts.Any);
}

}  // namespace wl

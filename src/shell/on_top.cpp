#include "shell/on_top.h"

#include <utility>

#include "analysis/weight_forms.h"
#include "platform/rounding.h"
#include "shell/command.h"
#include "shell/picture_viewer.h"

namespace wl {

namespace {

// The windows of the selector's entries, where an entry always names the same window.
constexpr const char* kEntryWindow[] = {"Form1",      "NG3D", "GTP", "WeightForm0", "WeightForm1",
                                        "NGF",        "GraphData", "Przegladaj", "LT2", "LT3",
                                        "EForm",      "",     ""};
constexpr int kEntries = 13;

}  // namespace

std::string TopFormTarget(const Workbench& wb, int entry) {
  switch (entry) {
    case 0: return "Form1";
    case 1: return wb.ESFormExists ? "NG3D" : "";
    case 2: return wb.GTPFormExists ? "GTP" : "";
    case 3: return wb.WeightFormExists[0] ? "WeightForm0" : "";
    case 4: return wb.WeightFormExists[1] ? "WeightForm1" : "";
    case 5: return wb.NGFFormExists ? "NGF" : "";
    case 6: return wb.GraphDataExists ? "GraphData" : "";
    case 7: return "Przegladaj";
    // The trajectory windows exist from the start, but show something only once opened with a surface.
    case 8: return wb.ESDone && wb.LT2.Shown ? "LT2" : "";
    case 9: return wb.ESDone && wb.LT3.Shown ? "LT3" : "";
    case 10: return wb.ESDone && wb.EForm.Shown ? "EForm" : "";
    case 11: return wb.HiddenPlotMode == 1 ? "HPF" : wb.HiddenPlotMode == 2 ? "HRF" : "";
    case 12: return wb.OutputPlotMode == 1 ? "OPF" : wb.OutputPlotMode == 2 ? "ORF" : "";
    default: return "";
  }
}

bool TopFormOffered(const Workbench& wb, int entry) {
  return entry == 0 || entry == 7 || (entry > 0 && entry < kEntries && !TopFormTarget(wb, entry).empty());
}

int TopFormEntryOf(const std::string& window) {
  if (window == "HPF" || window == "HRF") return 11;
  if (window == "OPF" || window == "ORF") return 12;
  for (int i = 0; i < kEntries; ++i)
    if (window == kEntryWindow[i]) return i;
  return -1;
}

void SetTopFormEntry(Workbench& wb, int entry) { wb.OnTopForm.FormTopBox.SetItemIndex(entry, ChangeSource::Program); }

void ChooseTopForm(Workbench& wb, int entry) {
  SetTopFormEntry(wb, entry);
  if (entry == 7) {
    ShowPictureViewer(wb);  // made first when it does not exist
    return;
  }
  const std::string target = TopFormTarget(wb, entry);
  if (target.empty()) return;
  // A weight window closed before comes back with its picture and is redrawn by the picks again.
  if (entry == 3 || entry == 4) ReopenWeightForm(wb, entry - 3);
  wb.Plat.ShowWindow(target);
}

void TopFormWindowActivated(Workbench& wb, const std::string& window) {
  const int entry = TopFormEntryOf(window);
  if (entry >= 0) SetTopFormEntry(wb, entry);
}

WindowPlace OnTopFormPlace(const WindowRect& mainForm, int fontPct) {
  return {mainForm.Left + mainForm.Width - RoundInt(fontPct * 260.0 / 150.0),
          mainForm.Top + mainForm.Height - RoundInt(fontPct * 110.0 / 150.0)};
}

void TraceStage(Workbench& wb, std::string stage) {
  wb.ProgressStage = std::move(stage);
  UpdateProgressTrace(wb);
}

void CreateOnTopForm(Workbench& wb) {
  wb.OnTopForm.SetCaption("Form on Top");
  SetTopFormEntry(wb, 0);
}

void ShowOnTopForm(Workbench& wb) {
  const WindowPlace p = OnTopFormPlace(wb.MainFormRect, wb.FontPct);
  wb.OnTopForm.Left = p.Left;
  wb.OnTopForm.Top = p.Top;
  wb.Plat.ShowWindow(wb.OnTopForm.Name());
}

int ConnectOnTopHandlers(Workbench& wb) {
  return wb.OnTopForm.AddListener([&wb](const ControlNotice& n) {
    if (n.Source != &wb.OnTopForm.FormTopBox || n.By != ChangeSource::User) return;
    if (n.Event != ControlEvent::SelectionChanged) return;
    RunCommand(wb, [&] { ChooseTopForm(wb, wb.OnTopForm.FormTopBox.ItemIndex()); });
  });
}

void CreateDrawingPopup(Workbench& wb) {
  wb.Form4.Label2.SetCaption("drawing");
  wb.Form4.Label1.SetCaption("0%   ");
}

void ShowDrawingPopup(Workbench& wb, int errorSurfaceLeft, int errorSurfaceTop) {
  wb.Form4.Left = errorSurfaceLeft + 200;
  wb.Form4.Top = errorSurfaceTop + 300;
  wb.Plat.ShowWindow(wb.Form4.Name());
  wb.Form4.Label1.Repaint();
}

void SetDrawingProgress(Workbench& wb, const std::string& text) {
  wb.Form4.Label1.SetCaption(text);
  wb.Form4.Label1.Repaint();
}

void HideDrawingPopup(Workbench& wb) { wb.Plat.HideWindow(wb.Form4.Name()); }

}  // namespace wl

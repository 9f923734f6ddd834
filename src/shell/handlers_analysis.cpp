#include <string>
#include <vector>

#include "analysis/cosines.h"
#include "analysis/data_pca.h"
#include "analysis/pca_files.h"
#include "analysis/weight_forms.h"
#include "state/report_opener.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "shell/command.h"

namespace wl {

namespace {

bool DataFileNamed(const Workbench& wb) { return !Trim(wb.DataFileName).empty(); }

// Opens a file of the PCA folder in the editor when it is there.
void ShowPCAFile(Workbench& wb, const char* name) {
  const std::string path = wb.Path(std::string("PCA/") + name);
  if (FileExists(path)) ShowInNotepad(wb, "notepad.exe " + path);
}

}  // namespace

// "PCA on Data" with its variance list, and the weight-matrix commands of the tabs "Error Surface" and
// "Plots": the eigenvalue report, the exchange files in the editor, the weight windows and the cosines.
void AddAnalysisHandlers(std::vector<HandlerRow>& t) {
  t.push_back({"PCAonData1", ControlEvent::MouseReleased, [](Workbench& wb) {
                 const bool ok = PCAOnData(wb);
                 wb.Form1.ep.SetText(ok ? "PCA on data successful" : "SVD on data failed");
                 wb.Form1.ep.Repaint();
               }});
  t.push_back({"VarianceBox", ControlEvent::SelectionChanged, [](Workbench& wb) { WritePCAData(wb); }});
  t.push_back({"EvalButton", ControlEvent::MouseReleased, [](Workbench& wb) { WriteEigenvalues(wb); }});
  t.push_back({"EVectButton", ControlEvent::MouseReleased, [](Workbench& wb) { ShowPCAFile(wb, "pcomp_w.txt"); }});
  t.push_back({"WMButton", ControlEvent::MouseReleased, [](Workbench& wb) { ShowPCAFile(wb, "WM_weightlab.txt"); }});
  t.push_back({"WESButton", ControlEvent::MouseReleased, [](Workbench& wb) {
                 if (!DataFileNamed(wb)) return;
                 ShowWeightForm(wb, 0);
                 DrawWeights(wb, 0);
               }});
  t.push_back({"WTRButton", ControlEvent::MouseReleased, [](Workbench& wb) {
                 if (!DataFileNamed(wb)) return;
                 ShowWeightForm(wb, 1);
                 DrawWeights(wb, 1);
               }});
  t.push_back({"Button9", ControlEvent::MouseReleased, [](Workbench& wb) { SelectWMFile(wb, 1); }});
  t.push_back({"Button10", ControlEvent::MouseReleased, [](Workbench& wb) { SelectWMFile(wb, 2); }});
  t.push_back({"Button11", ControlEvent::MouseReleased, [](Workbench& wb) { CompareWMFiles(wb); }});
}

const std::vector<HandlerRow>& WeightFormHandlerTable(int k) {
  static const std::vector<HandlerRow> tables[2] = {
      {{"Button1", ControlEvent::MouseReleased, [](Workbench& wb) { SaveWeightPicture(wb, wb.WeightForms[0]); }},
       {"Button2", ControlEvent::MouseReleased, [](Workbench& wb) { SaveWeightPictureAs(wb, wb.WeightForms[0]); }}},
      {{"Button1", ControlEvent::MouseReleased, [](Workbench& wb) { SaveWeightPicture(wb, wb.WeightForms[1]); }},
       {"Button2", ControlEvent::MouseReleased, [](Workbench& wb) { SaveWeightPictureAs(wb, wb.WeightForms[1]); }}},
  };
  return tables[k == 1 ? 1 : 0];
}

// Run through the command boundary like the main window's.
void ConnectWeightFormHandlers(Workbench& wb) {
  for (int k = 0; k < 2; ++k) ConnectHandlerRows(wb, wb.WeightForms[static_cast<std::size_t>(k)], WeightFormHandlerTable(k));
}

}  // namespace wl

#include <vector>

#include "analysis/direction_scans.h"
#include "analysis/local_pca.h"
#include "analysis/matlab_import.h"
#include "analysis/surface_remap.h"
#include "shell/command.h"

namespace wl {

namespace {

// "V contra dW" is checked while a scan command runs and unchecked after it, also when it ends by an
// error.
class VdwChecked {
 public:
  explicit VdwChecked(Workbench& wb) : wb_(wb) { wb_.Form1.VdwBox.SetChecked(true); }
  ~VdwChecked() { wb_.Form1.VdwBox.SetChecked(false); }
  VdwChecked(const VdwChecked&) = delete;
  VdwChecked& operator=(const VdwChecked&) = delete;

 private:
  Workbench& wb_;
};

}  // namespace

// The weight-direction scans of the "Plots" tab; the direction tables and the local PCA of the menu "Error
// Surface"; the import of a Matlab training and the re-mapped surface of the tab "Error Surface".
void AddDirectionHandlers(std::vector<HandlerRow>& t) {
  t.push_back({"Button6", ControlEvent::MouseReleased, [](Workbench& wb) {
                 VdwChecked vdw(wb);
                 WMDirectionAnalysis(wb, 1);
               }});
  t.push_back({"Button8", ControlEvent::MouseReleased, [](Workbench& wb) {
                 VdwChecked vdw(wb);
                 WMDirectionAnalysis(wb, 2);
               }});
  t.push_back({"Button7", ControlEvent::MouseReleased, [](Workbench& wb) { WMErrorCheck(wb); }});
  t.push_back({"CompareDirections1", ControlEvent::MouseReleased, [](Workbench& wb) { WriteTrainingDirections(wb); }});
  t.push_back({"PCAICADirections1", ControlEvent::MouseReleased, [](Workbench& wb) { PCAICADirections(wb); }});
  t.push_back({"AllDirections1", ControlEvent::MouseReleased, [](Workbench& wb) { WriteAllDirections(wb); }});
  t.push_back({"LocalPCA1", ControlEvent::MouseReleased, [](Workbench& wb) { RunLocalPCA(wb); }});
  t.push_back({"importWMButton", ControlEvent::MouseReleased, [](Workbench& wb) { ImportWMFromMatlab(wb); }});
  t.push_back({"Button1", ControlEvent::MouseReleased, [](Workbench& wb) {
                 if (wb.ESDone) PrepareSurfaceModification(wb);
               }});
  t.push_back({"ImproveButton", ControlEvent::MouseReleased, [](Workbench& wb) {
                 if (wb.ESDone) ModifySurfacePlot(wb);
               }});
}

}  // namespace wl

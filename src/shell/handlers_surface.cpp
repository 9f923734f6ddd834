#include <string>
#include <vector>

#include "analysis/error_surface.h"
#include "analysis/progress_plot.h"
#include "analysis/surface_frames.h"
#include "platform/numfmt.h"
#include "shell/command.h"

namespace wl {

// The menu "Error Surface", "PCA-based" of "SM Training" and the surface buttons and fields of the tab
// "Error Surface".
void AddSurfaceHandlers(std::vector<HandlerRow>& t) {
  t.push_back({"PCAW1", ControlEvent::MouseReleased, [](Workbench& wb) {
                 wb.ESPlotMode = 1;
                 PlotErrorSurfacePCA(wb, 1);
               }});
  t.push_back({"PCAV1", ControlEvent::MouseReleased, [](Workbench& wb) { PlotErrorSurfacePCAV(wb); }});
  t.push_back({"N2W1", ControlEvent::MouseReleased, [](Workbench& wb) { PlotErrorSurface2W(wb); }});
  t.push_back({"TrajectoryV1", ControlEvent::MouseReleased, [](Workbench&) {}});
  t.push_back({"Trajectory2W1", ControlEvent::MouseReleased, [](Workbench&) {}});
  t.push_back({"FindPCAMinimum1", ControlEvent::MouseReleased, [](Workbench& wb) {
                 if (wb.ESDone) FindPCAMinimum(wb);
               }});
  t.push_back({"PCAbased1", ControlEvent::MouseReleased, [](Workbench& wb) { PCABasedTraining(wb); }});
  t.push_back({"PlotT2", ControlEvent::MouseReleased, [](Workbench& wb) {
                 if (Trim(wb.DataFileName).empty()) return;
                 wb.NG3D.c1edit.SetText("+");
                 wb.NG3D.c2Edit.SetText("+");
                 wb.ESPlotMode = 1;
                 PlotErrorSurfacePCA(wb, 1);
               }});
  t.push_back({"ONPButton", ControlEvent::MouseReleased, [](Workbench& wb) {
                 if (!wb.ESDone) return;
                 wb.ESPlotMode = 0;
                 PlotErrorSurfacePCA(wb, 21);
                 wb.NG3D.c1edit.SetText("+");
                 wb.NG3D.c2Edit.SetText("+");
               }});
  t.push_back({"EPSButton", ControlEvent::MouseReleased, [](Workbench& wb) { ErrorSurfaceEpsButton(wb); }});
  t.push_back({"ThreeDEdit", ControlEvent::FocusLeaves,
               [](Workbench& wb) { wb.NG3D.ThreeDEdit.SetText(wb.Form1.ThreeDEdit.Text()); }});
  t.push_back({"LGEdit", ControlEvent::FocusLeaves,
               [](Workbench& wb) { wb.NG3D.LGEdit.SetText(wb.Form1.LGEdit.Text()); }});
  t.push_back({"ESQBox", ControlEvent::SelectionChanged,
               [](Workbench& wb) { wb.NG3D.ESQBox.SetItemIndex(wb.Form1.ESQBox.ItemIndex()); }});
}

const std::vector<HandlerRow>& NG3DHandlerTable() {
  static const std::vector<HandlerRow> table = {
      {"C2", ControlEvent::MouseReleased, [](Workbench& wb) { MirrorSurfaceC1(wb); }},
      {"C1", ControlEvent::MouseReleased, [](Workbench& wb) { MirrorSurfaceC2(wb); }},
      {"tc1", ControlEvent::MouseReleased, [](Workbench& wb) { NegateSurfaceSign(wb, 1); }},
      {"tc2", ControlEvent::MouseReleased, [](Workbench& wb) { NegateSurfaceSign(wb, 2); }},
      {"TRBox", ControlEvent::SelectionChanged, [](Workbench& wb) { SurfaceViewChanged(wb); }},
      {"ColorBox1", ControlEvent::SelectionChanged,
       [](Workbench& wb) {
         if (wb.Form1.PMBox.Checked()) return;
         wb.clindex = wb.NG3D.ColorBox1.ItemIndex();
         SurfaceViewChanged(wb);
       }},
      {"ESQBox", ControlEvent::SelectionChanged,
       [](Workbench& wb) { wb.Form1.ESQBox.SetItemIndex(wb.NG3D.ESQBox.ItemIndex()); }},
      {"ThreeDEdit", ControlEvent::FocusLeaves,
       [](Workbench& wb) { wb.Form1.ThreeDEdit.SetText(wb.NG3D.ThreeDEdit.Text()); }},
      {"LGEdit", ControlEvent::FocusLeaves, [](Workbench& wb) { wb.Form1.LGEdit.SetText(wb.NG3D.LGEdit.Text()); }},
      {"RepB", ControlEvent::MouseReleased,
       [](Workbench& wb) {
         if (!wb.ESDone) return;
         wb.ESPlotMode = 0;
         PlotErrorSurfacePCA(wb, 32);
         wb.NG3D.c1edit.SetText("+");
         wb.NG3D.c2Edit.SetText("+");
       }},
      {"Button5", ControlEvent::MouseReleased, [](Workbench& wb) { CompareErrorsButton(wb); }},
      {"SaveButton", ControlEvent::MouseReleased, [](Workbench& wb) { SaveErrorSurface(wb, 0); }},
      {"Button2", ControlEvent::MouseReleased, [](Workbench& wb) { SaveErrorSurface(wb, 3); }},
      // The animation frames: "=", ">", "<".
      {"Button1", ControlEvent::MouseReleased, [](Workbench& wb) { SurfaceFrameButton(wb, '='); }},
      {"Button3", ControlEvent::MouseReleased, [](Workbench& wb) { SurfaceFrameButton(wb, '>'); }},
      {"Button4", ControlEvent::MouseReleased, [](Workbench& wb) { SurfaceFrameButton(wb, '<'); }},
  };
  return table;
}

int ConnectNG3DHandlers(Workbench& wb) { return ConnectHandlerRows(wb, wb.NG3D, NG3DHandlerTable()); }

}  // namespace wl

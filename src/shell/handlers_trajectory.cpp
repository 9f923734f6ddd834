#include <vector>

#include "analysis/trajectory_2d.h"
#include "analysis/trajectory_surface.h"
#include "shell/command.h"

namespace wl {

// "Trajectory  W" of the menu "Error Surface" and the trajectory buttons of the tab "Error Surface".
void AddTrajectoryHandlers(std::vector<HandlerRow>& t) {
  t.push_back({"TrajectoryW1", ControlEvent::MouseReleased, [](Workbench& wb) { TrajectoryMenuCommand(wb); }});
  t.push_back({"Button12", ControlEvent::MouseReleased, [](Workbench& wb) { WPCButtonCommand(wb); }});
  t.push_back({"TR2DButton", ControlEvent::MouseReleased, [](Workbench& wb) { ShowTrajectory2D(wb); }});
}

const std::vector<HandlerRow>& LT2HandlerTable() {
  static const std::vector<HandlerRow> table = {
      {"c1box", ControlEvent::SelectionChanged, [](Workbench& wb) { Trajectory2DSettingsChanged(wb); }},
      {"c2box", ControlEvent::SelectionChanged, [](Workbench& wb) { Trajectory2DSettingsChanged(wb); }},
      {"TRBox", ControlEvent::SelectionChanged, [](Workbench& wb) { Trajectory2DSettingsChanged(wb); }},
      {"OrgBox", ControlEvent::MouseReleased, [](Workbench& wb) { Trajectory2DSettingsChanged(wb); }},
      {"PropBox", ControlEvent::MouseReleased, [](Workbench& wb) { Trajectory2DSettingsChanged(wb); }},
      {"P1", ControlEvent::MouseReleased, [](Workbench& wb) { TR2DCopyPending(wb); }},
      {"I2D", ControlEvent::MouseReleased, [](Workbench& wb) { TR2DCopyPending(wb); }},
      {"PB", ControlEvent::MouseReleased, [](Workbench& wb) { TR2DCopyPending(wb); }},
      {"Button1", ControlEvent::MouseReleased, [](Workbench& wb) { SaveTrajectory2D(wb, false); }},
      {"Button2", ControlEvent::MouseReleased, [](Workbench& wb) { SaveTrajectory2D(wb, true); }},
      {"Button3", ControlEvent::MouseReleased, [](Workbench& wb) { TR2DFullScreenSwitch(wb); }},
      {"Button4", ControlEvent::MouseReleased, [](Workbench& wb) { WriteTrajectory2DFile(wb); }},
  };
  return table;
}

int ConnectLT2Handlers(Workbench& wb) { return ConnectHandlerRows(wb, wb.LT2, LT2HandlerTable()); }

}  // namespace wl

#include <vector>

#include "analysis/trajectory_1d.h"
#include "analysis/trajectory_3d.h"
#include "experiments/continue_training.h"
#include "shell/command.h"

namespace wl {

// "TR 3D", "TR 1D", "TR EX" of the tab "Error Surface" and "Continue training".
void AddTrajectory3DHandlers(std::vector<HandlerRow>& t) {
  t.push_back({"TR3DButton", ControlEvent::MouseReleased, [](Workbench& wb) { ShowTrajectory3D(wb); }});
  t.push_back({"Button3", ControlEvent::MouseReleased, [](Workbench& wb) { ShowTrajectory1D(wb); }});
  t.push_back({"Button2", ControlEvent::MouseReleased, [](Workbench& wb) { ExtrapolateTrajectory(wb); }});
  t.push_back({"NTButton", ControlEvent::MouseReleased, [](Workbench& wb) { ContinueTraining(wb); }});
}

const std::vector<HandlerRow>& LT3HandlerTable() {
  static const std::vector<HandlerRow> table = {
      {"c1box", ControlEvent::SelectionChanged, [](Workbench& wb) { Trajectory3DSettingsChanged(wb); }},
      {"c2box", ControlEvent::SelectionChanged, [](Workbench& wb) { Trajectory3DSettingsChanged(wb); }},
      {"c3box", ControlEvent::SelectionChanged, [](Workbench& wb) { Trajectory3DSettingsChanged(wb); }},
      {"TRBox", ControlEvent::SelectionChanged, [](Workbench& wb) { Trajectory3DSettingsChanged(wb); }},
      {"OrgBox", ControlEvent::MouseReleased, [](Workbench& wb) { Trajectory3DSettingsChanged(wb); }},
      {"PropBox", ControlEvent::MouseReleased, [](Workbench& wb) { Trajectory3DSettingsChanged(wb); }},
      {"P1", ControlEvent::MouseReleased, [](Workbench& wb) { TR3DCopyPending(wb); }},
      {"I3D", ControlEvent::MouseReleased, [](Workbench& wb) { TR3DCopyPending(wb); }},
      {"PB", ControlEvent::MouseReleased, [](Workbench& wb) { TR3DCopyPending(wb); }},
      // Bound crosswise by name: the caption counts.
      {"Button2", ControlEvent::MouseReleased, [](Workbench& wb) { SaveTrajectory3D(wb, false); }},
      {"Button1", ControlEvent::MouseReleased, [](Workbench& wb) { SaveTrajectory3D(wb, true); }},
      {"Button3", ControlEvent::MouseReleased, [](Workbench& wb) { TR3DFullScreenSwitch(wb); }},
  };
  return table;
}

const std::vector<HandlerRow>& EFormHandlerTable() {
  static const std::vector<HandlerRow> table = {
      {"c1box", ControlEvent::SelectionChanged, [](Workbench& wb) { DrawTrajectory1D(wb); }},
      {"Button1", ControlEvent::MouseReleased, [](Workbench& wb) { SaveTrajectory1D(wb, false); }},
      {"Button2", ControlEvent::MouseReleased, [](Workbench& wb) { SaveTrajectory1D(wb, true); }},
  };
  return table;
}

int ConnectLT3Handlers(Workbench& wb) {
  ConnectHandlerRows(wb, wb.EForm, EFormHandlerTable());
  return ConnectHandlerRows(wb, wb.LT3, LT3HandlerTable());
}

}  // namespace wl

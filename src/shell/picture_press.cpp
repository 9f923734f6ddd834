#include "shell/picture_press.h"

#include "analysis/error_surface.h"
#include "analysis/trajectory_1d.h"
#include "analysis/trajectory_surface.h"
#include "shell/command.h"

namespace wl {

const std::vector<PicturePressRow>& PicturePressTable() {
  static const std::vector<PicturePressRow> table = {
      // The error surface: the left button picks a point of the surface, the right one a point of the
      // trajectory.
      {"NG3D",
       [](Workbench& wb, const PicturePress& p) {
         if (p.Right)
           PickTrajectoryPoint(wb, p.X, p.Y);
         else
           PickSurfacePoint(wb, p.X, p.Y);
       }},
      // "Trajectory 1D": with Ctrl, any button marks the target of the chosen component.
      {"EForm", [](Workbench& wb, const PicturePress& p) { TR1DMouseDown(wb, p.X, p.Y, p.Ctrl); }},
  };
  return table;
}

bool PressPicture(Workbench& wb, const std::string& window, const PicturePress& press) {
  for (const PicturePressRow& row : PicturePressTable())
    if (row.Window == window) {
      RunCommand(wb, [&] { row.Run(wb, press); });
      return true;
    }
  return false;
}

}  // namespace wl

// Presses on pictures: every row names a window the program has; a press reaches the row's handler by
// button, and a window without a picture row takes none.
#include "shell/picture_press.h"

#include <gtest/gtest.h>

#include "analysis/error_surface.h"
#include "platform/scripted_platform.h"
#include "state/workbench.h"

namespace wl {
namespace {

TEST(PicturePressTest, RowsNameWindowsAndTheButtonsReachTheirPicks) {
  ScriptedPlatform plat;
  Workbench wb(plat, "/nonexistent/weightlab");
  for (const PicturePressRow& row : PicturePressTable()) EXPECT_NE(wb.FindWindow(row.Window), nullptr) << row.Window;

  // The right button picks a trajectory point, the left one the surface (which needs a grid first).
  wb.NG3D.Box = SurfaceBoxFor(1);
  wb.NG3D.TrajectoryPoints = {{50, 80, 0.5f}};
  wb.Form1.L66Edit.SetText("1");
  wb.Layers = {2, 2, 1};
  wb.NumOfVectors = 4;
  EXPECT_TRUE(PressPicture(wb, "NG3D", {50, 80 - wb.NG3D.Box.Lift, false, false}));
  EXPECT_FALSE(wb.NG3D.TrajectoryMarkerShown);
  EXPECT_TRUE(PressPicture(wb, "NG3D", {50, 80 - wb.NG3D.Box.Lift, true, false}));
  EXPECT_TRUE(wb.NG3D.TrajectoryMarkerShown);
  EXPECT_EQ(wb.NG3D.TrEdit.Text(), "0.5000");
  EXPECT_FALSE(PressPicture(wb, "TForm1", {1, 1, false, false}));
}

}  // namespace
}  // namespace wl

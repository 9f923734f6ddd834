// "Trajectory 3D": the open box, the oblique projection of the normalised points, the colours of a
// 3-epoch XOR history, the refusals, the up-downs, the detailed path of a one-change run and saving.
#include "analysis/trajectory_3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/canvas.h"
#include "analysis/error_surface.h"
#include "analysis/lt3_pictures.h"
#include "analysis/picture_saving.h"
#include "model/create_network.h"
#include "platform/rounding.h"
#include "model/data_file.h"
#include "model/read_parameters.h"
#include "platform/errors.h"
#include "state/workbench.h"
#include "analysis/recorded_run_test_env.h"
#include "support/test_support.h"
#include "training/prepare_run.h"

namespace wl {
namespace {

using test::ClosedForm;

// XOR (2-2-2, 12 weights) with a hand-made history of 3 epochs; component k is the unit vector of
// weight k, so the projections of an epoch are its first six weights.
class Trajectory3DTest : public test::RecordedRunTest {
 protected:
  void SetUp() override {
    OpenXor("wl_tr3d_", "3");
    ASSERT_NO_FATAL_FAILURE(PrepareRun("BP"));
    ASSERT_EQ(wb->NumOfEpochs, 3);
    wb->DetailWNormHistory.Resize(4, wb->WeightHistory.Shape());
    FillThreeEpochs([](std::size_t j, std::size_t e) {
      return j == 0 ? 1 + 0.5 * e : j == 1 ? 1 + 0.3 * e : j == 2 ? 1 - 0.2 * e : 0.1 + 0.01 * j;
    });
    FillSingleChangeNorms();
    wb->ThreeDscale = 2;
    wb->Form1.PSEdit.SetItemIndex(0);
    wb->ESDone = true;
    wb->DataBaseName = "xor";
  }

  QPoint Expected(int e) {
    std::array<double, 6> P{};
    for (std::size_t k = 0; k < 6; ++k) P[k] = wb->TrajectoryCoords[k][static_cast<std::size_t>(e)];
    const auto u = ClosedForm(P, wb->WNormHistory[static_cast<std::size_t>(e)]);
    return ProjectTrajectoryPoint3D(*wb, u[0], u[1], u[2]);
  }
  std::int64_t PixelAt(QPoint p) { return Canvas(CurrentTrajectory3DPicture(*wb)).Pixel(p.x(), p.y()); }
  std::int64_t LineColourAt(QPoint p) {
    for (int dy : {0, -1, 1})
      for (int dx : {0, -1, 1})
        if (const std::int64_t c = PixelAt(p + QPoint(dx, dy)); c != clWhite) return c;
    return clWhite;
  }
};

TEST_F(Trajectory3DTest, AtAnotherPointSizeTheSurfaceKeepsItsBox) {
  wb->NG3D.Box = SurfaceBoxFor(1);
  wb->Form1.PSEdit.SetItemIndex(1);
  ShowTrajectory3D(*wb);
  ASSERT_TRUE(wb->LT3.Ready);
  EXPECT_EQ(wb->LT3.Box.Height, 596);
  EXPECT_EQ(wb->LT3.Box.Axis2DX, 561);
  // The surface's redraws and its trajectory keep the box of point size 1.
  EXPECT_EQ(wb->NG3D.Box.Height, 298);
  EXPECT_EQ(wb->NG3D.Box.Axis2DX, 280);
  // With all offsets 0 a point at the origin lies at the centre of the window's own box.
  const SurfaceBox& b = wb->LT3.Box;
  const QPoint centre = ProjectTrajectoryPoint3D(*wb, 0, 0, 0);
  const double d = b.Axis1DX / 2.0;
  EXPECT_EQ(centre.x(), RoundInt(b.Left + d + b.Axis2DX * 0.5));
}

TEST_F(Trajectory3DTest, OpensInTheOpenBoxWithTheColoursOfTheEpochs) {
  wb->NG3D.c2box.SetItemIndex(5);  // the surface shows components 1 and 6: c3 is 6 too
  ShowTrajectory3D(*wb);
  const TLT3& w = wb->LT3;
  ASSERT_TRUE(w.Ready);
  EXPECT_EQ(w.c3box.ItemIndex(), 5);
  EXPECT_EQ(w.Caption(), "Trajectory 3D     xor 2-2-2      4.0   1.00   0.50   0.20   0.100   0.050");
  EXPECT_TRUE(w.OrgBox.Checked());
  EXPECT_EQ(CurrentTrajectory3DPicture(*wb).size(), QSize(629, 613));
  EXPECT_FALSE(w.Pending);
  EXPECT_EQ(Pictures(wb->LT3).Image, CurrentTrajectory3DPicture(*wb));

  // The box of point size 1; the back and the bottom drawn, the front edges of the top face and the
  // front vertical edge not.
  const SurfaceBox& b = wb->LT3.Box;
  EXPECT_EQ(b.Height, 298);
  const int L = b.Left, T = b.Top, H = b.Height;
  EXPECT_EQ(PixelAt({L + b.Axis1DX, T + H / 2}), clBlack);                       // back vertical edge
  EXPECT_EQ(PixelAt({L, T + b.Axis1DY + H / 2}), clBlack);                       // left vertical edge
  EXPECT_EQ(PixelAt({L + b.Axis2DX, T + b.Axis1DY + b.Axis2DY + H / 2}), clWhite);  // front edge: open
  EXPECT_EQ(PixelAt({L + b.Axis2DX / 2, T + b.Axis1DY + b.Axis2DY / 2}), clWhite);  // top face's front side
  EXPECT_EQ(LineColourAt({L + b.Axis2DX / 2, T + b.Axis1DY + H + b.Axis2DY / 2}), clBlack);  // bottom face

  // The segment from epoch e - 1 to e in PlotColors[(e - 1) mod 8].
  wb->LT3.c2box.SetItemIndex(1);
  wb->LT3.c3box.SetItemIndex(2);
  DrawTrajectory3D(*wb);
  EXPECT_TRUE(w.Pending);
  for (int e = 1; e <= 3; ++e)
    EXPECT_EQ(LineColourAt((Expected(e - 1) + Expected(e)) / 2), wb->PlotColors[static_cast<std::size_t>(e - 1)])
        << "segment " << e;
  TR3DCopyPending(*wb);
  EXPECT_FALSE(w.Pending);

  // "Blue Trajectory" draws as the colour path; the third component enters no name.
  wb->LT3.TRBox.SetItemIndex(1);
  DrawTrajectory3D(*wb);
  EXPECT_EQ(LineColourAt((Expected(2) + Expected(3)) / 2), wb->PlotColors[2]);
  EXPECT_EQ(Trajectory3DSuffix(*wb), "_TR3D_BP_-1--1_c1-c2o");
}

TEST_F(Trajectory3DTest, TheProjectionPutsTheRangeOnTheBoxSide) {
  ShowTrajectory3D(*wb);
  const TLT3& w = wb->LT3;
  const SurfaceBox& b = wb->NG3D.Box;
  const double scale = 1 * 0.5 * 298 / 2.0;
  EXPECT_DOUBLE_EQ(w.ScaleX, scale);
  EXPECT_DOUBLE_EQ(w.ScaleY, scale);
  EXPECT_DOUBLE_EQ(w.ScaleZ, scale);
  const int top = b.PictureHeight - b.Axis1DY - b.Lift - b.Top;
  // The origin at the centre of the box.
  EXPECT_EQ(ProjectTrajectoryPoint3D(*wb, 0, 0, 0),
            QPoint(static_cast<int>(std::lround(b.Left + b.Axis1DX / 2.0 + b.Axis2DX / 2.0)),
                   static_cast<int>(std::lround(top - (b.Height / 2.0 - b.Axis1DY / 2.0 + b.Axis2DY / 2.0)))));
  // u1 = the C1 range: a = BoxHeight, the end of the first axis.
  EXPECT_EQ(ProjectTrajectoryPoint3D(*wb, 2, 0, 0),
            QPoint(static_cast<int>(std::lround(b.Left + b.Axis2DX / 2.0)),
                   static_cast<int>(std::lround(top - (b.Height / 2.0 - b.Axis1DY + b.Axis2DY / 2.0)))));

  // "proportional scale": the ratios of the eigenvalues themselves.
  wb->LT3.PropBox.SetChecked(true);
  DrawTrajectory3D(*wb);
  EXPECT_DOUBLE_EQ(w.RatioY, 4.0);
  EXPECT_DOUBLE_EQ(w.RatioZ, 8.0);
  EXPECT_DOUBLE_EQ(w.ScaleZ, 8 * scale);
  EXPECT_EQ(Trajectory3DSuffix(*wb), "_TR3D_BP_-1--1_c1-c2p");
}

TEST_F(Trajectory3DTest, UpDownsRefusalsAndTheDetailedPath) {
  wb->ESDone = false;
  ShowTrajectory3D(*wb);
  EXPECT_FALSE(wb->LT3.Ready);
  wb->ESDone = true;
  ShowTrajectory3D(*wb);
  TLT3& w = wb->LT3;
  for (int i = 0; i < 6; ++i) TR3DUpDownClick(*wb, 3, true);
  EXPECT_NEAR(w.Size, 0.5 * std::pow(1.3, 6), 1e-12);
  TR3DUpDownClick(*wb, 2, false);
  EXPECT_DOUBLE_EQ(w.OffsetY, 0.15);
  TR3DUpDownClick(*wb, 4, true);
  EXPECT_EQ(w.OffsetZ, 70);
  // Point size 2: three right arrows on "X" shift by 3 * 140 pixels along the first axis.
  wb->Form1.PSEdit.SetItemIndex(1);
  ShowTrajectory3D(*wb);
  EXPECT_EQ(w.OffsetX, 0);
  EXPECT_DOUBLE_EQ(w.OffsetY, 0);  // set back by the opening; Z and the size are kept
  EXPECT_EQ(w.OffsetZ, 70);
  EXPECT_EQ(CurrentTrajectory3DPicture(*wb).size(), QSize(1258, 1226));
  for (int i = 0; i < 3; ++i) TR3DUpDownClick(*wb, 1, true);
  EXPECT_EQ(w.OffsetX, -420);

  // A non-positive eigenvalue of the third component, online backpropagation: messages, nothing drawn.
  const QImage before = CurrentTrajectory3DPicture(*wb).copy();
  wb->Eigenvalues[2] = 0;
  DrawTrajectory3D(*wb);
  EXPECT_EQ(plat.Messages.back().Text, "Error: Eigenvalue[3]<=0");
  wb->Eigenvalues[2] = 0.5;
  wb->Form1.OnlineBP.SetChecked(true);
  DrawTrajectory3D(*wb);
  EXPECT_EQ(plat.Messages.back().Text, "Online BP 3-D Trajectories not supported");
  EXPECT_EQ(CurrentTrajectory3DPicture(*wb), before);
  wb->Form1.BatchBP.SetChecked(true);

  // A one-change run: the path of single changes ends on epoch 3's point in PlotColors[2].
  wb->Form1.PSEdit.SetItemIndex(0);
  w.Size = 0.5;
  w.OffsetZ = 0;
  ShowTrajectory3D(*wb);
  wb->MethodTag = "S1-D";
  wb->LT3.TRBox.SetItemIndex(2);
  DrawTrajectory3D(*wb);
  EXPECT_EQ(wb->ProgressSubStep, "58");
  EXPECT_EQ(LineColourAt(Expected(3)), wb->PlotColors[2]);
  // A zero reference coordinate everywhere: one warning for the drawing, the points at the box centre.
  for (std::size_t e = 0; e <= 3; ++e) wb->TrajectoryCoords[1][e] = 0;
  for (std::size_t e = 0; e <= 3; ++e) wb->WeightHistory.Row(e)[1] = 1;
  const std::size_t n = plat.Messages.size();
  DrawTrajectory3D(*wb);
  ASSERT_EQ(plat.Messages.size(), n + 1);
  EXPECT_EQ(plat.Messages.back().Text, "Trajectory Warning 6: w[c1]=0");
  wb->LT3.TRBox.SetItemIndex(0);
  DrawTrajectory3D(*wb);
  ASSERT_EQ(plat.Messages.size(), n + 2);
  EXPECT_EQ(plat.Messages.back().Text, "Trajectory Warning 8: w[c1]=0");
}

TEST_F(Trajectory3DTest, SaveWritesTheGifAndFullScreenRedraws) {
  ShowTrajectory3D(*wb);
  SaveTrajectory3D(*wb, false);
  EXPECT_TRUE(std::filesystem::exists(PicturePath(*wb, Trajectory3DSuffix(*wb))));
  TR3DFullScreenSwitch(*wb);
  EXPECT_TRUE(wb->LT3.FullScreen);
  EXPECT_EQ(Trajectory3DSuffix(*wb).substr(0, 7), "_TR3Df_");
  EXPECT_EQ(CurrentTrajectory3DPicture(*wb).size(), QSize(wb->ScreenWidth - 11, wb->ScreenHeight - 140));
  TR3DFullScreenSwitch(*wb);
  EXPECT_FALSE(wb->LT3.FullScreen);
  EXPECT_EQ(wb->LT3.Top, 0);
  EXPECT_EQ(wb->LT3.PanelTop, 619);
}

}  // namespace
}  // namespace wl

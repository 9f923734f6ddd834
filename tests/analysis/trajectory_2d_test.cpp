// "Trajectory 2D": the normalised trajectory point, the colour path of a 3-epoch XOR history on two
// components, the refusals, the up-downs, the detailed path of a one-change run and the file PCA/TR.txt.
#include "analysis/trajectory_2d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "analysis/canvas.h"
#include "analysis/lt2_pictures.h"
#include "analysis/trajectory_3d.h"
#include "analysis/trajectory_points.h"
#include "model/create_network.h"
#include "model/data_file.h"
#include "model/read_parameters.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "state/workbench.h"
#include "analysis/recorded_run_test_env.h"
#include "support/test_support.h"
#include "training/prepare_run.h"

namespace wl {
namespace {

using test::ClosedForm;

TEST(NormalisedTrajectoryPointTest, EqualsTheStretchedProjectionForEveryReference) {
  const std::vector<std::array<double, 6>> points = {
      {1, 2, 3, 4, 5, 6}, {-0.5, 0.25, 3, -7, 0.001, 2}, {1e-6, -3e3, 2, 0, 0, 1}, {0, 0, 0, 0, 0, -2}};
  for (const auto& P : points)
    for (int r = 0; r < 6; ++r) {
      if (P[static_cast<std::size_t>(r)] == 0) continue;
      for (double n2 : {0.01, 4.0, 1234.5}) {
        std::array<double, 6> u{};
        ASSERT_TRUE(NormalisedTrajectoryPoint(P, n2, r, u));
        const auto want = ClosedForm(P, n2);
        for (std::size_t c = 0; c < 6; ++c)
          EXPECT_NEAR(u[c], want[c], 1e-12 * (1 + std::abs(want[c]))) << "r=" << r << " c=" << c;
      }
    }
  // A zero reference puts the point at the origin; a zero norm stops the drawing.
  std::array<double, 6> u{9, 9, 9, 9, 9, 9};
  EXPECT_FALSE(NormalisedTrajectoryPoint({1, 0, 3, 4, 5, 6}, 2.0, 1, u));
  EXPECT_EQ(u, (std::array<double, 6>{}));
  EXPECT_THROW(NormalisedTrajectoryPoint({1, 2, 3, 4, 5, 6}, 0.0, 1, u), FloatError);
}

// XOR (2-2-2, 12 weights) with a hand-made history of 3 epochs; component k is the unit vector of
// weight k, so the projections of an epoch are its first six weights.
class Trajectory2DTest : public test::RecordedRunTest {
 protected:
  void SetUp() override {
    OpenXor("wl_tr2d_", "3");
    ASSERT_NO_FATAL_FAILURE(PrepareRun("BP"));
    ASSERT_EQ(wb->NumOfEpochs, 3);
    ASSERT_EQ(wb->NumOfWeights, 12);
    wb->DetailWNormHistory.Resize(4, wb->WeightHistory.Shape());
    FillThreeEpochs([](std::size_t j, std::size_t e) {
      return j == 0 ? 1 + 0.5 * e : j == 1 ? 1 + 0.3 * e : 0.1 + 0.01 * j;
    });
    FillSingleChangeNorms();
    wb->WeightNorm = std::sqrt(wb->WNormHistory[0]);
    wb->ThreeDscale = 100;
    wb->Form1.PSEdit.SetItemIndex(0);
    wb->ESDone = true;
    wb->DataBaseName = "xor";
  }

  // The picture point of epoch e with the current scales, through the closed form.
  QPoint Expected(int e) {
    std::array<double, 6> P{};
    for (std::size_t k = 0; k < 6; ++k) P[k] = wb->TrajectoryCoords[k][static_cast<std::size_t>(e)];
    const auto u = ClosedForm(P, wb->WNormHistory[static_cast<std::size_t>(e)]);
    const TLT2& w = wb->LT2;
    return {static_cast<int>(std::lround(w.OriginX + w.ScaleX * u[0])),
            static_cast<int>(std::lround(w.OriginY - w.ScaleY * u[1]))};
  }
  std::int64_t PixelAt(QPoint p) { return Canvas(CurrentTrajectory2DPicture(*wb)).Pixel(p.x(), p.y()); }
  // The colour of the line through p: the pixel at p or one of its eight neighbours that is not white.
  std::int64_t LineColourAt(QPoint p) {
    for (int dy : {0, -1, 1})
      for (int dx : {0, -1, 1})
        if (const std::int64_t c = PixelAt(p + QPoint(dx, dy)); c != clWhite) return c;
    return clWhite;
  }
};

TEST_F(Trajectory2DTest, ColourPathCrossCaptionAndScales) {
  ShowTrajectory2D(*wb);
  const TLT2& w = wb->LT2;
  ASSERT_TRUE(w.Ready);
  EXPECT_EQ(w.Caption(), "Trajectory 2D     xor 2-2-2      4.0   1.00   0.50   0.20   0.100   0.050");
  EXPECT_EQ(w.OriginX, 180);
  EXPECT_EQ(w.OriginY, 420);
  EXPECT_TRUE(w.OrgBox.Checked());
  const QImage& pic = CurrentTrajectory2DPicture(*wb);
  EXPECT_EQ(pic.width(), 629);
  EXPECT_EQ(pic.height(), 613);
  const double scale = 30 / wb->WeightNorm * 298 / 100;
  EXPECT_DOUBLE_EQ(w.ScaleX, scale);
  EXPECT_DOUBLE_EQ(w.ScaleY, scale);
  // The origin cross in fuchsia, the segment from epoch e to e + 1 in PlotColors[e mod 8].
  EXPECT_EQ(PixelAt({180 + 5, 420}), 0xFF00FF);
  EXPECT_EQ(PixelAt({180, 420 - 5}), 0xFF00FF);
  for (int e = 0; e < 3; ++e) {
    const QPoint a = Expected(e), b = Expected(e + 1);
    EXPECT_EQ(LineColourAt((a + b) / 2), wb->PlotColors[static_cast<std::size_t>(e)]) << "segment " << e;
  }
  EXPECT_EQ(PixelAt({0, 0}), clWhite);
  EXPECT_FALSE(w.Pending);  // the opening copies the picture into the image itself
  EXPECT_EQ(Pictures(wb->LT2).Image, CurrentTrajectory2DPicture(*wb));
  DrawTrajectory2D(*wb);
  EXPECT_TRUE(w.Pending);
  TR2DCopyPending(*wb);
  EXPECT_FALSE(w.Pending);
  EXPECT_EQ(Pictures(wb->LT2).Image.size(), QSize(629, 613));

  // "Blue Trajectory"; "proportional scale" stretches the vertical by sqrt(4 / 1).
  wb->LT2.TRBox.SetItemIndex(1);
  wb->LT2.PropBox.SetChecked(true);
  DrawTrajectory2D(*wb);
  EXPECT_DOUBLE_EQ(w.ScaleY, 2 * scale);
  EXPECT_EQ(LineColourAt((Expected(0) + Expected(1)) / 2), 0xFF0000);
  EXPECT_EQ(Trajectory2DSuffix(*wb), "_TR2D_BP_-1--1_c1-c2p");
}

// The method's tag enters the picture names of both trajectory windows as a file-name part: no blanks,
// no brackets, the rest of the name as before.
TEST_F(Trajectory2DTest, TheMethodEntersThePictureNamesWithoutBlanksOrBrackets) {
  wb->WMFirstEpoch = 0;
  wb->WMLastEpoch = 12;
  const struct {
    const char* Tag;
    const char* Part;
  } cases[] = {
      {"S1-DH2 (VSS)", "S1-DH2-VSS"},
      {"S1-DH2-Random (VSS)", "S1-DH2-Random-VSS"},
      {"S1-D", "S1-D"},
      {"BP", "BP"},
      {"Matlab", "Matlab"},
      {" a  b/c (d) ", "a-b-c-d"},
      {"", ""},
  };
  for (const auto& c : cases) {
    wb->MethodTag = c.Tag;
    EXPECT_EQ(FileNamePart(c.Tag), c.Part) << c.Tag;
    EXPECT_EQ(Trajectory2DSuffix(*wb), std::string("_TR2D_") + c.Part + "_0-12_c1-c2p") << c.Tag;
    EXPECT_EQ(Trajectory3DSuffix(*wb), std::string("_TR3D_") + c.Part + "_0-12_c1-c2p") << c.Tag;
  }
}

TEST_F(Trajectory2DTest, RefusalsUpDownsAndFallbackNorm) {
  wb->ESDone = false;
  ShowTrajectory2D(*wb);
  EXPECT_FALSE(wb->LT2.Ready);
  wb->ESDone = true;
  ShowTrajectory2D(*wb);
  // A non-positive eigenvalue: the message and the old picture.
  const QImage before = CurrentTrajectory2DPicture(*wb).copy();
  wb->Eigenvalues[1] = 0;
  DrawTrajectory2D(*wb);
  ASSERT_FALSE(plat.Messages.empty());
  EXPECT_EQ(plat.Messages.back().Text, "Error: Eigenvalue[2]<=0");
  EXPECT_EQ(CurrentTrajectory2DPicture(*wb), before);
  wb->Eigenvalues[1] = 1;

  // Six "Size" ups scale by 1.3^6; the origin moves by 70 pixels a click.
  for (int i = 0; i < 6; ++i) TR2DUpDownClick(*wb, 3, true);
  EXPECT_NEAR(wb->LT2.Size, 30 * std::pow(1.3, 6), 1e-9);
  TR2DUpDownClick(*wb, 1, true);
  TR2DUpDownClick(*wb, 2, true);
  EXPECT_EQ(wb->LT2.OriginX, 250);
  EXPECT_EQ(wb->LT2.OriginY, 350);
  EXPECT_EQ(PixelAt({250 + 5, 350}), 0xFF00FF);  // the cross keeps its size

  // Without a run-start norm the windows scale by the last epoch's norm.
  wb->WeightNorm = 0;
  DrawTrajectory2D(*wb);
  EXPECT_DOUBLE_EQ(wb->LT2.ScaleX, wb->LT2.Size / std::sqrt(wb->WNormHistory[3]) * 298 / 100);
}

TEST_F(Trajectory2DTest, DetailedPathOfAOneChangeRunAndTheTrajectoryFile) {
  ShowTrajectory2D(*wb);
  // After a backpropagation run "Detailed Trajectory" is the ordinary path with the thin pen.
  wb->LT2.TRBox.SetItemIndex(2);
  DrawTrajectory2D(*wb);
  EXPECT_EQ(LineColourAt((Expected(1) + Expected(2)) / 2), wb->PlotColors[1]);
  // A one-change run: each epoch's changes in PlotColors[(e - 1) mod 8]; the last change of epoch 3
  // ends on epoch 3's point.
  wb->MethodTag = "S1-D";
  DrawTrajectory2D(*wb);
  EXPECT_EQ(wb->ProgressSubStep, "58");
  EXPECT_EQ(PixelAt(Expected(3)), wb->PlotColors[2]);

  WriteTrajectory2DFile(*wb);
  std::ifstream in(dir / "PCA" / "TR.txt", std::ios::binary);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  ASSERT_EQ(lines.size(), 1u + 3u * 12u);
  for (const std::string& l : lines) ASSERT_EQ(l.size(), 47u) << l;  // two fields of 23 and the CR
  const TLT2& w = wb->LT2;
  auto field = [](const std::string& l, int i) { return std::stod(l.substr(static_cast<std::size_t>(23 * i), 23)); };
  const auto u0 = ClosedForm({1, 1, 0.12, 0.13, 0.14, 0.15}, wb->WNormHistory[0]);
  EXPECT_NEAR(field(lines[0], 0), w.OriginX + w.ScaleX * u0[0], 1e-9);
  EXPECT_NEAR(field(lines[0], 1), w.OriginY - w.ScaleY * u0[1], 1e-9);
  std::array<double, 6> P{};
  for (std::size_t k = 0; k < 6; ++k) P[k] = wb->TrajectoryCoords[k][3];
  const auto u3 = ClosedForm(P, wb->WNormHistory[3]);
  EXPECT_NEAR(field(lines.back(), 0), w.OriginX + w.ScaleX * u3[0], 1e-9);
  EXPECT_NEAR(field(lines.back(), 1), w.OriginY - w.ScaleY * u3[1], 1e-9);
  EXPECT_EQ(wb->ProgressSubStep, "958");

  // A zero reference coordinate at every point: one warning for the whole file.
  for (std::size_t e = 0; e <= 3; ++e) {
    wb->TrajectoryCoords[1][e] = 0;
    wb->WeightHistory.Row(e)[1] = 1;
  }
  const std::size_t before = plat.Messages.size();
  WriteTrajectory2DFile(*wb);
  int warnings = 0;
  for (std::size_t i = before; i < plat.Messages.size(); ++i)
    if (plat.Messages[i].Text.rfind("Trajectory Warning", 0) == 0) ++warnings;
  EXPECT_EQ(plat.Messages.back().Text, "Trajectory Warning 3: w[c1]=0");
  EXPECT_EQ(warnings, 1);
}

}  // namespace
}  // namespace wl

// The trajectory over the error surface: the epoch trajectory of a 3-epoch XOR history (places, colours,
// pen widths, the stored points), the style choices, the right-click pick and the "_WPC" files.
#include "analysis/trajectory_surface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "analysis/canvas.h"
#include "analysis/error_surface.h"
#include "analysis/ng3d_pictures.h"
#include "analysis/weight_forms.h"
#include "model/create_network.h"
#include "model/data_file.h"
#include "model/plane_sampler.h"
#include "model/read_parameters.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "state/workbench.h"
#include "analysis/recorded_run_test_env.h"
#include "support/test_support.h"
#include "training/prepare_run.h"

namespace wl {
namespace {

// XOR (2-2-2, 12 weights) with a hand-made history of 3 epochs; component k is the unit vector of weight
// k, so an epoch's projections are its first six weights.
class TrajectorySurfaceTest : public test::RecordedRunTest {
 protected:
  void SetUp() override {
    OpenXor("wl_trs_", "3");
    ASSERT_NO_FATAL_FAILURE(PrepareRun("BP"));
    ASSERT_EQ(wb->NumOfWeights, 12);
    wb->TrajectoryCoords.assign(6, std::vector<double>(4, 0.0));
    wb->PrincipalComponents.assign(12, std::vector<double>(12, 0.0));
    for (std::size_t k = 0; k < 12; ++k) wb->PrincipalComponents[k][k] = 1;
    wb->PlotComponents.assign(wb->PrincipalComponents.begin(), wb->PrincipalComponents.begin() + 6);
    for (std::size_t e = 0; e <= 3; ++e) SetEpoch(e, 10.0 + 15 * e, 5.0 + 10 * e);
    wb->ThreeDscale = 100;
    wb->PointSize = 1;
    wb->NG3D.Box = SurfaceBoxFor(1);
    Pictures(wb->NG3D).SurfaceBitmap = MakePicture(629, 613);
    wb->ESDone = true;
    wb->NG3D.GridReady = true;
  }

  void SetEpoch(std::size_t e, double w0, double w1) {
    auto row = wb->WeightHistory.Row(e);
    double n2 = 0;
    for (std::size_t j = 0; j < 12; ++j) {
      row[j] = j == 0 ? w0 : j == 1 ? w1 : 0.1 + 0.01 * j;
      n2 += row[j] * row[j];
    }
    wb->WNormHistory[e] = n2;
    for (std::size_t k = 0; k < 6; ++k) wb->TrajectoryCoords[k][e] = row[k];
    wb->EpochHistory[e].Error = 1.0 / (1.0 + e);
  }

  // The unrounded picture point of epoch e by the closed form |w| (P0, P1) / |(P0, P1, P2)|.
  QPointF Expected(int e) {
    const auto ue = static_cast<std::size_t>(e);
    const double P0 = wb->TrajectoryCoords[0][ue], P1 = wb->TrajectoryCoords[1][ue], P2 = wb->TrajectoryCoords[2][ue];
    const double s = std::sqrt(wb->WNormHistory[ue]) / std::sqrt(P0 * P0 + P1 * P1 + P2 * P2);
    const double H = 298, su = H / 200;
    const double vf = H / (1.0 * 2 * 4);
    return SurfacePointF(wb->NG3D.Box, (su * P0 * s + H / 2) / H, su * P1 * s / H + 0.5,
                         vf * wb->EpochHistory[ue].Error);
  }
  std::int64_t Pixel(int x, int y) { return Canvas(Pictures(wb->NG3D).SurfaceBitmap).Pixel(x, y); }
  // The colour of the path near the middle of the segment from epoch e - 1 to e.
  std::int64_t SegmentColour(int e) {
    const QPointF m = (Expected(e - 1) + Expected(e)) / 2;
    for (int dy : {0, -1, 1})
      for (int dx : {0, -1, 1})
        if (const std::int64_t c = Pixel(RoundInt(m.x()) + dx, RoundInt(m.y()) + dy); c != clWhite) return c;
    return clWhite;
  }
  // The pixels of one colour in the column through the middle of segment e.
  int ColumnRun(int e) {
    const QPointF m = (Expected(e - 1) + Expected(e)) / 2;
    const int x = RoundInt(m.x());
    int n = 0;
    for (int y = RoundInt(m.y()) - 12; y <= RoundInt(m.y()) + 12; ++y) n += Pixel(x, y) != clWhite;
    return n;
  }
  void Clear() { Canvas(Pictures(wb->NG3D).SurfaceBitmap).Clear(clWhite); }
};

TEST_F(TrajectorySurfaceTest, ColourTrajectoryPlacesColoursAndStoresTheEpochPoints) {
  wb->NG3D.TRBox.SetItemIndex(1);  // "Color Trajectory"
  wb->NG3D.SurfaceDrawn = true;
  DrawTrajectory(*wb);
  EXPECT_FALSE(wb->NG3D.SurfaceDrawn);
  EXPECT_TRUE(plat.Messages.empty());
  ASSERT_EQ(wb->NG3D.TrajectoryPoints.size(), 4u);
  for (int e = 0; e <= 3; ++e) {
    const TTrajectoryPoint& p = wb->NG3D.TrajectoryPoints[static_cast<std::size_t>(e)];
    const QPointF want = Expected(e);
    EXPECT_EQ(p.X, RoundInt(want.x())) << e;
    EXPECT_EQ(p.Y, RoundInt(want.y() + 18)) << e;  // BoxLift below the drawn point
    EXPECT_FLOAT_EQ(p.E, static_cast<float>(1.0 / (1 + e)));
  }
  // Segment e takes PlotColors[(e - 1) mod 8]: black, red, blue.
  EXPECT_EQ(SegmentColour(1), clBlack);
  EXPECT_EQ(SegmentColour(2), clRed);
  EXPECT_EQ(SegmentColour(3), clBlue);
  const int colourRun = ColumnRun(2);

  // "Blue Trajectory": every segment blue, with the wider pen.
  Clear();
  wb->NG3D.TRBox.SetItemIndex(2);
  DrawTrajectory(*wb);
  for (int e = 1; e <= 3; ++e) EXPECT_EQ(SegmentColour(e), clBlue) << e;
  EXPECT_GT(ColumnRun(2), colourRun);

  // "Detailed Trajectory" after a method that is not a one-change search: the epoch path, thin.
  Clear();
  wb->NG3D.TRBox.SetItemIndex(3);
  wb->NG3D.TrajectoryPoints.clear();
  DrawTrajectory(*wb);
  EXPECT_EQ(wb->NG3D.TrajectoryPoints.size(), 4u);
  EXPECT_EQ(SegmentColour(2), clRed);
  EXPECT_LT(ColumnRun(2), colourRun);
}

TEST_F(TrajectorySurfaceTest, ComponentChoicesWarningAndInvalidVerticalRange) {
  wb->NG3D.TRBox.SetItemIndex(1);
  // Components swapped on the axes: still component 1 along c1 and 2 along c2.
  wb->NG3D.c1box.SetItemIndex(1);
  wb->NG3D.c2box.SetItemIndex(0);
  DrawTrajectory(*wb);
  ASSERT_EQ(wb->NG3D.TrajectoryPoints.size(), 4u);
  EXPECT_EQ(wb->NG3D.TrajectoryPoints[2].X, RoundInt(Expected(2).x()));
  // A third component on an axis: nothing drawn, no message.
  Clear();
  wb->NG3D.TrajectoryPoints.clear();
  wb->NG3D.c1box.SetItemIndex(2);
  DrawTrajectory(*wb);
  EXPECT_TRUE(wb->NG3D.TrajectoryPoints.empty());
  EXPECT_EQ(SegmentColour(2), clWhite);
  EXPECT_TRUE(plat.Messages.empty());

  // Two epochs without a component along component 1: both at the centre, one warning.
  wb->NG3D.c1box.SetItemIndex(0);
  wb->NG3D.c2box.SetItemIndex(1);
  SetEpoch(1, 0.0, 7.0);
  SetEpoch(2, 0.0, 9.0);
  DrawTrajectory(*wb);
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "Trajectory Warning 2: w[c1]=0");
  const QPointF centre = SurfacePointF(wb->NG3D.Box, 0.5, 0.5, 298.0 / 8 / 3);
  EXPECT_EQ(wb->NG3D.TrajectoryPoints[2].X, RoundInt(centre.x()));

  // An invalid vertical range: CheckNumber's message, nothing stored.
  wb->NG3D.TrajectoryPoints.clear();
  wb->Form1.L66Edit.SetText("30");
  DrawTrajectory(*wb);
  EXPECT_TRUE(wb->NG3D.TrajectoryPoints.empty());
  EXPECT_EQ(plat.Messages.size(), 2u);
}

TEST_F(TrajectorySurfaceTest, OnlineAndDetailedPathsFollowTheRecordedRun) {
  wb->NG3D.TRBox.SetItemIndex(1);
  // The online radio alone does not make the path online: the run recorded no online histories.
  wb->OnlineBP = true;
  DrawTrajectory(*wb);
  EXPECT_EQ(wb->NG3D.TrajectoryPoints.size(), 4u);

  // An online run's records: one point per presented vector, on the plain projections; the epoch points
  // stay as they were.
  wb->NG3D.TrajectoryPoints.clear();
  wb->Online.Prepare(16, wb->WeightHistory.Shape(), 4);
  wb->Online.Recorded = true;
  wb->Online.Errors.assign(4, std::vector<double>(4, 0.5));
  for (std::size_t e = 0; e <= 3; ++e)
    for (std::size_t v = 0; v < 4; ++v) {
      const auto from = wb->WeightHistory.Row(e);
      std::copy(from.begin(), from.end(), wb->Online.DirectRows().Row(e * 4 + v).begin());
    }
  Clear();
  DrawTrajectory(*wb);
  EXPECT_TRUE(wb->NG3D.TrajectoryPoints.empty());
  {
    const double dc = 100.0 / 149;
    const QPointF end = SurfacePointF(wb->NG3D.Box, (149 + 55 / dc) / 298, 0.5 + 35 / (dc * 149), 298.0 / 8 * 0.5);
    std::int64_t colour = clWhite;
    for (int dy : {0, -1, 1})
      for (int dx : {0, -1, 1})
        if (colour == clWhite) colour = Pixel(RoundInt(end.x()) + dx, RoundInt(end.y()) + dy);
    EXPECT_EQ(colour, clBlue);
  }
  wb->Online.Recorded = false;

  // A one-change run with its detail records: the detailed path, which leaves the epoch points alone.
  wb->NG3D.TrajectoryPoints.clear();
  wb->MethodTag = "S1-D";
  wb->NG3D.TRBox.SetItemIndex(3);
  wb->DetailWNormHistory.Resize(4, wb->WeightHistory.Shape());
  wb->WeightTrialHistory.Resize(4, wb->WeightHistory.Shape());
  for (std::size_t e = 0; e <= 3; ++e)
    for (std::size_t j = 0; j < 12; ++j) {
      wb->DetailWNormHistory.Row(e)[j] = wb->WNormHistory[e];
      wb->WeightTrialHistory.Row(e)[j].Error = 0.5;
    }
  Clear();
  DrawTrajectory(*wb);
  EXPECT_TRUE(wb->NG3D.TrajectoryPoints.empty());
  EXPECT_TRUE(plat.Messages.empty());
  // The path ends at the last epoch's place over all six components, at the last trial's error, in the
  // colour of epoch 3.
  const double W0 = 55, W1 = 35;
  double p2 = W0 * W0 + W1 * W1;
  for (int j = 2; j < 6; ++j) p2 += (0.1 + 0.01 * j) * (0.1 + 0.01 * j);
  const double s = std::sqrt(wb->WNormHistory[3] / p2), su = 298.0 / 200;
  const QPointF end = SurfacePointF(wb->NG3D.Box, (su * W0 * s + 149) / 298, su * W1 * s / 298 + 0.5, 298.0 / 8 * 0.5);
  std::int64_t colour = clWhite;
  for (int dy : {0, -1, 1})
    for (int dx : {0, -1, 1})
      if (colour == clWhite) colour = Pixel(RoundInt(end.x()) + dx, RoundInt(end.y()) + dy);
  EXPECT_EQ(colour, clBlue);
}

TEST_F(TrajectorySurfaceTest, RightClickPicksTheLowerEpochAndLoadsItsWeights) {
  wb->NG3D.TrajectoryPoints = {{100, 200, 0.25f}, {101, 201, 0.5f}, {300, 300, 0.75f}};
  ShowWeightForm(*wb, 1);
  ASSERT_TRUE(wb->WeightFormOpen[1]);
  // Within 2 pixels of the drawn points of epochs 0 and 1 (the stored y lies BoxLift below them).
  PickTrajectoryPoint(*wb, 102, 200 - 18);
  EXPECT_TRUE(wb->NG3D.TrajectoryMarkerShown);
  EXPECT_EQ(wb->NG3D.TrEdit.Text(), FixedDisplayText(0.25, 10, 4));
  EXPECT_EQ(wb->NG3D.TrajectoryMarkerLeft, 100);
  EXPECT_EQ(wb->NG3D.TrajectoryMarkerTop, 200 - 18);
  EXPECT_EQ(wb->NG3D.TrajectoryMarkerHeight, RoundInt(298.0 / 8 * 0.25));
  // The weight window shows epoch 0's own weights, and the network keeps them.
  const auto row0 = wb->WeightHistory.Row(0);
  EXPECT_EQ(FlatWeights(*wb), std::vector<double>(row0.begin(), row0.end()));
  EXPECT_EQ(wb->Form1.modWEdit.Text(), FixedDisplayText(std::sqrt(wb->WNormHistory[0]), 10, 2));

  PickTrajectoryPoint(*wb, 300, 300 - 18);
  EXPECT_EQ(wb->NG3D.TrEdit.Text(), FixedDisplayText(0.75, 10, 4));
  const auto row2 = wb->WeightHistory.Row(2);
  EXPECT_EQ(FlatWeights(*wb), std::vector<double>(row2.begin(), row2.end()));
  // Nothing there: the marker goes.
  PickTrajectoryPoint(*wb, 400, 100);
  EXPECT_FALSE(wb->NG3D.TrajectoryMarkerShown);
}

TEST_F(TrajectorySurfaceTest, WPCFilesHoldTheWholeChangeBesideComponentsOneAndTwo) {
  WPCButtonCommand(*wb);
  for (int k = 0; k < 2; ++k) {
    std::ifstream in(wb->ResultsPrefix + "_WPC" + IntToStr(k) + ".txt", std::ios::binary);
    ASSERT_TRUE(in) << k;
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    ASSERT_EQ(lines.size(), 12u);
    for (std::size_t i = 0; i < 12; ++i) {
      const double d = wb->WeightHistory.Row(3)[i] - wb->WeightHistory.Row(0)[i];
      EXPECT_EQ(lines[i], FormatReal(d) + "  " + FormatReal(i == static_cast<std::size_t>(k) ? 1.0 : 0.0) + "\r") << i;
      EXPECT_EQ(lines[i].size(), 23u + 2 + 23 + 1);
    }
  }
  // Before a surface: nothing.
  std::filesystem::remove(wb->ResultsPrefix + "_WPC0.txt");
  wb->ESDone = false;
  WPCButtonCommand(*wb);
  EXPECT_FALSE(std::filesystem::exists(wb->ResultsPrefix + "_WPC0.txt"));
}

}  // namespace
}  // namespace wl

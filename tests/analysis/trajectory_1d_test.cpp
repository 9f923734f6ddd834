// "Trajectory 1D" and "TR EX": the epoch grid for 12 and 30 epochs, the plot's last point, the marks
// (Ctrl only, relative to the last epoch's height), the extrapolation of a 3-epoch XOR history along
// marked components, and the stops on a zero coordinate or norm.
#include "analysis/trajectory_1d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/canvas.h"
#include "analysis/eform_pictures.h"
#include "analysis/picture_saving.h"
#include "model/create_network.h"
#include "model/data_file.h"
#include "model/error_functions.h"
#include "model/read_parameters.h"
#include "platform/errors.h"
#include "platform/rounding.h"
#include "state/workbench.h"
#include "analysis/recorded_run_test_env.h"
#include "support/test_support.h"
#include "training/prepare_run.h"

namespace wl {
namespace {

TEST(TrajectoryEpochStepTest, StepsByTwiceTheEpochs) {
  const std::pair<int, int> cases[] = {{0, 1},    {24, 1},   {25, 1},   {26, 2},    {50, 2},    {51, 4},
                                       {60, 4},   {100, 4},  {101, 10}, {250, 10},  {251, 20},  {501, 40},
                                       {1001, 100}, {2501, 200}, {25000001, 2000000}};
  for (const auto& [n, k] : cases) EXPECT_EQ(TrajectoryEpochStep(n), k) << n;
}

class Trajectory1DTest : public test::RecordedRunTest {
 protected:
  void SetUp() override {
    OpenXor("wl_tr1d_", "3");
    ASSERT_NO_FATAL_FAILURE(PrepareRun("VSS"));
    ASSERT_EQ(wb->NumOfEpochs, 3);
    FillThreeEpochs([](std::size_t j, std::size_t e) {
      return j == 0 ? 1 + 0.5 * e : j == 1 ? 1 + 0.3 * e : 0.1 + 0.01 * j;
    });
    wb->Form1.PSEdit.SetItemIndex(0);
    wb->ESDone = true;
    wb->DataBaseName = "xor";
  }

  // A run of E epochs whose coordinate on component 1 grows by 1 an epoch.
  void LongRun(int E) {
    wb->NumOfEpochs = E;
    wb->TrajectoryCoords.assign(6, std::vector<double>(static_cast<std::size_t>(E) + 1, 0.0));
    for (int e = 0; e <= E; ++e) wb->TrajectoryCoords[0][static_cast<std::size_t>(e)] = 1 + e;
  }

  // The columns of the vertical grid lines along the row between the first two value lines.
  std::vector<int> GridColumns() {
    const TEForm& w = wb->EForm;
    const double D = RoundInt((w.PlotHeight - 60) * 0.05);
    const int y = RoundInt(0.5 * D) + 20;
    Canvas c(Pictures(wb->EForm).Picture);
    std::vector<int> xs;
    for (int x = 0; x < c.Width(); ++x)
      if (c.Pixel(x, y) == 0xC0C0C0) xs.push_back(x);
    return xs;
  }

  std::vector<double> NetWeights() {
    std::vector<double> all;
    for (std::size_t l = 1; l < wb->Net.size(); ++l)
      for (const TNeuron& n : wb->Net[l]) all.insert(all.end(), n.Weights.begin(), n.Weights.end());
    return all;
  }
};

TEST_F(Trajectory1DTest, TheEpochGridAndTheLastPoint) {
  const TEForm& w = wb->EForm;
  ASSERT_EQ(w.PlotWidth, wb->ScreenWidth - 11);
  ASSERT_EQ(w.PlotHeight, wb->ScreenHeight - 105);
  struct Case {
    int Epochs, Step, Lines, Component;
    const char* Note;  // what the window says under the plot of the axis running past the trained epochs
  };
  for (const Case c :
       {Case{12, 1, 25, 0,
             "Epochs 0 to 12 trained; the axis runs on to 24 for the target: Ctrl+click at the height component 1 "
             "should reach, then \"TR EX\"."},
        Case{30, 4, 16, 0,
             "Epochs 0 to 30 trained; the axis runs on to 60 for the target: Ctrl+click at the height component 1 "
             "should reach, then \"TR EX\"."}}) {
    LongRun(c.Epochs);
    wb->EForm.c1box.SetItemIndex(c.Component);
    ShowTrajectory1D(*wb);
    EXPECT_EQ(w.Label1.Caption(), c.Note);
    const std::vector<int> xs = GridColumns();
    ASSERT_EQ(static_cast<int>(xs.size()), c.Lines) << c.Epochs;
    const double G = (w.PlotWidth - 70.0) / (c.Lines - 1);
    for (int i = 0; i < c.Lines; ++i) EXPECT_EQ(xs[static_cast<std::size_t>(i)], RoundInt(i * G) + 50) << i;
    EXPECT_EQ(w.LastX, RoundInt(c.Epochs * G / c.Step));
  }
  // 12 epochs: the last point at the middle of the epoch axis, half the zero row above it.
  wb->EForm.c1box.SetItemIndex(0);
  LongRun(12);
  ShowTrajectory1D(*wb);
  EXPECT_EQ(w.LastX, RoundInt(12 * (w.PlotWidth - 70.0) / 24));
  EXPECT_EQ(w.LastValue, RoundInt(w.ZeroRow * 13.0 / 26.0));
  EXPECT_EQ(Canvas(Pictures(wb->EForm).Picture).Pixel(50 + w.LastX, w.ZeroRow - w.LastValue), 0xFF0000);
  EXPECT_EQ(w.Caption(), "Trajectory 1D     xor 2-2-2      4.0   1.00   0.50   0.20   0.100   0.050");
  EXPECT_TRUE(plat.ShownWindows.size() > 0 && plat.ShownWindows.back() == "EForm");
}

TEST_F(Trajectory1DTest, MarksOnTwoComponentsThenTheExtrapolation) {
  TEForm& w = wb->EForm;
  ShowTrajectory1D(*wb);
  const int lastY = w.ZeroRow - w.LastValue;
  // Without Ctrl a click marks nothing.
  TR1DMouseDown(*wb, 400, w.ZeroRow - 2 * w.LastValue, false);
  EXPECT_EQ(wb->ExtrapolationTargets[0], 0.0);
  const QImage before = Pictures(w).Picture.copy();
  TR1DMouseDown(*wb, 400, w.ZeroRow - 2 * w.LastValue, true);
  EXPECT_DOUBLE_EQ(wb->ExtrapolationTargets[0], 1.0);
  // The red cross is on the image only.
  EXPECT_EQ(Canvas(Pictures(w).Image).Pixel(403, w.ZeroRow - 2 * w.LastValue), 0x0000FF);
  EXPECT_EQ(Pictures(w).Picture, before);
  // A mark at the last epoch's height: no move along that component.
  TR1DMouseDown(*wb, 400, lastY, true);
  EXPECT_DOUBLE_EQ(wb->ExtrapolationTargets[0], 0.0);
  TR1DMouseDown(*wb, 400, w.ZeroRow - 2 * w.LastValue, true);

  w.c1box.SetItemIndex(1);
  DrawTrajectory1D(*wb);
  TR1DMouseDown(*wb, 300, w.ZeroRow - 3 * w.LastValue / 2, true);
  const double t1 = static_cast<double>(w.LastValue / 2) / w.LastValue;  // the row is a whole pixel
  EXPECT_DOUBLE_EQ(wb->ExtrapolationTargets[1], t1);
  EXPECT_EQ(wb->ExtrapolationTargets[2], 0.0);

  // "TR EX": W(3) moved along components 1 and 2 by the normalised point times the targets.
  for (std::size_t l = 1; l < wb->Net.size(); ++l)
    for (TNeuron& n : wb->Net[l]) std::fill(n.Weights.begin(), n.Weights.end(), 9.0);
  wb->CurrentError = 0.125;
  ExtrapolateTrajectory(*wb);
  const auto last = wb->WeightHistory.Row(3);
  double s = 0;
  for (std::size_t k = 0; k < 6; ++k) s += last[k] * last[k];
  const double stretch = std::sqrt(wb->WNormHistory[3]) / std::sqrt(s);
  std::vector<double> want(last.begin(), last.end());
  want[0] += stretch * last[0] * 1.0;
  want[1] += stretch * last[1] * t1;
  const std::vector<double> got = NetWeights();
  ASSERT_EQ(got.size(), 12u);
  for (std::size_t j = 0; j < 12; ++j) EXPECT_NEAR(got[j], want[j], 1e-12) << j;
  const double moved = ComputeError(*wb);
  EXPECT_EQ(wb->Form1.ge.Text(), "O=" + FixedDisplayText(0.125, 12, 2) + " N=" + FixedDisplayText(moved, 12, 2));
  EXPECT_EQ(wb->CurrentError, 0.125);
  // Pressed again, from the same recorded weights: the same result.
  ExtrapolateTrajectory(*wb);
  EXPECT_EQ(NetWeights(), got);
}

TEST_F(Trajectory1DTest, WithoutMarksTheLastEpochsWeightsComeBack) {
  for (std::size_t l = 1; l < wb->Net.size(); ++l)
    for (TNeuron& n : wb->Net[l]) std::fill(n.Weights.begin(), n.Weights.end(), 9.0);
  ExtrapolateTrajectory(*wb);
  const auto last = wb->WeightHistory.Row(3);
  EXPECT_EQ(NetWeights(), std::vector<double>(last.begin(), last.end()));
  const std::string ge = wb->Form1.ge.Text();
  EXPECT_EQ(ge.substr(ge.find(" N=")), " N=" + FixedDisplayText(ComputeError(*wb), 12, 2));

  // A zero coordinate on component 2 at the last epoch: the warning, no move, the errors shown.
  wb->TrajectoryCoords[1][3] = 0;
  wb->ExtrapolationTargets = {1, 1, 1, 1, 1, 1};
  ExtrapolateTrajectory(*wb);
  EXPECT_EQ(plat.Messages.back().Text, "Trajectory Warning 15: w[1]=0");
  EXPECT_EQ(NetWeights(), std::vector<double>(last.begin(), last.end()));
  // A zero norm: the division error and the network as it was.
  for (std::size_t l = 1; l < wb->Net.size(); ++l)
    for (TNeuron& n : wb->Net[l]) std::fill(n.Weights.begin(), n.Weights.end(), 9.0);
  wb->WNormHistory[3] = 0;
  EXPECT_THROW(ExtrapolateTrajectory(*wb), FloatError);
  EXPECT_EQ(NetWeights(), std::vector<double>(12, 9.0));
  // Before a surface "TR EX" does nothing.
  wb->ESDone = false;
  wb->WNormHistory[3] = 1;
  ExtrapolateTrajectory(*wb);
  EXPECT_EQ(NetWeights(), std::vector<double>(12, 9.0));
}

TEST_F(Trajectory1DTest, AZeroLastCoordinateKeepsTheImageAndAMarkNeedsADrawing) {
  // No drawing yet: a mark has no height to compare with.
  EXPECT_THROW(TR1DMouseDown(*wb, 10, 10, true), FloatError);
  ShowTrajectory1D(*wb);
  const QImage image = Pictures(wb->EForm).Image.copy();
  wb->TrajectoryCoords[0][3] = 0;
  EXPECT_THROW(DrawTrajectory1D(*wb), FloatError);
  EXPECT_EQ(Pictures(wb->EForm).Image, image);
  // Saving: the picture under "_ext_c1".
  SaveTrajectory1D(*wb, false);
  EXPECT_EQ(Trajectory1DSuffix(*wb), "_ext_c1");
  EXPECT_TRUE(std::filesystem::exists(PicturePath(*wb, "_ext_c1")));
}

}  // namespace
}  // namespace wl

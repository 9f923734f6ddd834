// The error surface stepped through the epochs: the first frame from the pipeline, the three buttons and
// their bounds, the patch around the epoch's weights, the red line at the recorded error, the weights
// kept, the buttons after a new training, and the mean of the weight matrix's rows.
#include "analysis/surface_frames.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "analysis/canvas.h"
#include "analysis/error_surface.h"
#include "analysis/ng3d_pictures.h"
#include "analysis/trajectory_surface.h"
#include "model/create_network.h"
#include "model/data_file.h"
#include "model/error_functions.h"
#include "model/layer_transfer.h"
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

// XOR with a network from a fixed seed and a hand-made history of 13 epochs that spans a plane.
class SurfaceFramesTest : public test::RecordedRunTest {
 protected:
  void SetUp() override {
    OpenXor("wl_frames_", "12");
    ASSERT_NO_FATAL_FAILURE(PrepareRun("BP"));
    start = FlatWeights(*wb);
    FillPlaneHistory();
    wb->Form1.PSEdit.SetItemIndex(0);
    wb->Form1.WMepEdit.SetText("12");
    wb->Form1.ESQBox.SetItemIndex(3);  // very poor: a quick grid
    wb->Form1.PMBox.SetChecked(true);
    wb->Form1.ESFixedEdit.SetText("1");
    wb->SamplerThreads = 1;
  }

  // The pipeline draws the first frame; then the buttons step.
  void FirstFrame() {
    PlotErrorSurfacePCA(*wb, 1);
    ASSERT_TRUE(wb->ESDone) << (plat.Messages.empty() ? std::string() : plat.Messages.back().Text);
    ASSERT_TRUE(wb->NG3D.SurfaceDrawn);
  }
  std::uint64_t Press(char button, const std::string& text) {
    wb->NG3D.ReDrawEdit.SetText(text);
    const std::uint64_t before = wb->NG3D.PictureVersion;
    SurfaceFrameButton(*wb, button);
    return wb->NG3D.PictureVersion - before;
  }
  double VF() const { return 298.0 / (static_cast<double>(wb->Layers.back()) * wb->NumOfVectors); }
  std::int64_t Pixel(QPointF p) {
    return Canvas(Pictures(wb->NG3D).SurfaceBitmap).Pixel(RoundInt(p.x()), RoundInt(p.y()));
  }
};

TEST_F(SurfaceFramesTest, PipelineDrawsTheFirstFrameAndTheButtonsStepWithinBounds) {
  FirstFrame();
  const TNG3D& w = wb->NG3D;
  EXPECT_EQ(w.ReDrawEdit.Text(), "1");
  ASSERT_EQ(w.FramePositions.size(), 13u);
  EXPECT_FLOAT_EQ(w.FramePositions[4].E, 0.2f);
  EXPECT_EQ(FlatWeights(*wb), start);
  EXPECT_TRUE(wb->TrajProjected);
  EXPECT_EQ(wb->ComponentScores.size(), start.size());
  ASSERT_TRUE(wb->GTP.ComparisonSurface.has_value());
  EXPECT_EQ(wb->GTP.ComparisonSurface->FramePositions.size(), 13u);

  // The patch is centred on epoch 1's weights: the middle line's samples are F * E(W1 + p dc PC1).
  const auto row1 = wb->WeightHistory.Row(1);
  const std::vector<double> w1(row1.begin(), row1.end());
  const int halfL = RoundInt(wb->PlotLines / 2.0);
  const double dc = 100.0 / 149;
  for (int j : {0, 10, 37}) {
    std::vector<double> x(w1);
    for (std::size_t k = 0; k < x.size(); ++k) x[k] += (-149 + 8 * j) * dc * wb->PlotComponents[0][k];
    SetFlatWeights(*wb, x);
    const double want = VF() * TrainingSetError(*wb);
    SetFlatWeights(*wb, start);
    EXPECT_FLOAT_EQ(w.SurfaceGrid[0][static_cast<std::size_t>(halfL)][static_cast<std::size_t>(j)],
                    static_cast<float>(want))
        << j;
  }

  // The red line stands at the epoch's recorded error, over the epoch's place.
  const TFramePosition& p1 = w.FramePositions[1];
  const double a = (149 + p1.U) / 298.0, b = 0.5 + p1.T;
  EXPECT_EQ(Pixel(SurfacePointF(w.Box, a, b, VF() * 0.5 * 0.5)), clRed);

  struct Step {
    char Button;
    const char* From;
    bool Draws;
    const char* To;
  };
  const Step steps[] = {
      {'>', "-1", true, "0"},  {'>', "12", false, "12"}, {'<', "0", true, "-1"}, {'<', "-1", false, "-1"},
      {'=', "12", true, "12"}, {'=', "13", false, "13"}, {'=', "-1", true, "-1"}, {'>', "-2", false, "-2"},
      {'>', "5", true, "6"},   {'<', "13", false, "13"},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(Press(s.Button, s.From) != 0, s.Draws) << s.Button << " " << s.From;
    EXPECT_EQ(w.ReDrawEdit.Text(), s.To) << s.Button << " " << s.From;
    EXPECT_EQ(FlatWeights(*wb), start);
  }
}

TEST_F(SurfaceFramesTest, ZeroPointFrameAndTheButtonsAfterANewTraining) {
  FirstFrame();
  ASSERT_NE(Press('<', "0"), 0u);
  // Frame -1 lies at the centre, its red line as high as the error of the zero weights.
  std::vector<double> zero(start.size(), 0.0);
  SetFlatWeights(*wb, zero);
  const double e0 = TrainingSetError(*wb);
  SetFlatWeights(*wb, start);
  EXPECT_EQ(Pixel(SurfacePointF(wb->NG3D.Box, 0.5, 0.5, VF() * e0 * 0.5)), clRed);
  EXPECT_EQ(FlatWeights(*wb), start);

  // A new training: the frames belong to the old run and the buttons do nothing.
  PrepareTrainingRun(*wb);
  EXPECT_EQ(Press('>', "0"), 0u);
  EXPECT_EQ(Press('=', "0"), 0u);
  // The next surface draws a frame of the new run, and the buttons act again.
  FillPlaneHistory();
  PlotErrorSurfacePCA(*wb, 1);
  ASSERT_TRUE(wb->NG3D.SurfaceDrawn);
  EXPECT_NE(Press('>', "0"), 0u);
}

TEST_F(SurfaceFramesTest, MeanVectorAveragesOnlyTheRowsTheMatrixHolds) {
  wb->NumOfWeights = 3;
  wb->WeightMatrix = {{1, 3, 100}, {2, 4, -100}, {0, 0, 7}};
  wb->WMRows = 2;
  EXPECT_EQ(MeanWeightVector(*wb), (std::vector<double>{2, 3, 0}));
  wb->WMRows = 0;
  EXPECT_EQ(MeanWeightVector(*wb), (std::vector<double>{0, 0, 0}));
}

TEST_F(SurfaceFramesTest, InvalidVerticalRangeDrawsNoFrame) {
  FirstFrame();
  wb->Form1.L66Edit.SetText("0.5");
  const std::size_t messages = plat.Messages.size();
  EXPECT_EQ(Press('>', "3"), 0u);
  EXPECT_EQ(plat.Messages.size(), messages + 1);
  EXPECT_EQ(wb->NG3D.ReDrawEdit.Text(), "3");
}

}  // namespace
}  // namespace wl

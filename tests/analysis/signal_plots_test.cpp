// The signal plots: which picture each layer gets (plane, 3-D, parallel; "Force Parallel"), where a
// vector's point lands, the scale P, a layer of one neuron, and the refusals (no signals, a bad marker
// size).
#include "analysis/signal_plots.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/canvas.h"
#include "platform/colors.h"
#include "platform/rounding.h"
#include "state/workbench.h"
#include "support/qt_app_env.h"
#include "support/test_support.h"

namespace wl {
namespace {

class SignalPlotsTest : public test::ProgramDirTest {
 protected:
  void SetUp() override { MakeProgramDir("wl_sigplots_", {"results"}); }

  // One recorded epoch (epoch 0) with the given layers' signals, [layer][neuron][vector], and classes.
  void Record(std::vector<std::vector<std::vector<double>>> layers, std::vector<int> classes, int epochs = 0) {
    wb->SignalHistory.assign(static_cast<std::size_t>(epochs) + 1, SignalEpoch{});
    SignalEpoch& row = wb->SignalHistory[0];
    row.Recorded = true;
    row.Class = std::move(classes);
    row.Signal = std::move(layers);
    wb->NumOfClasses = 2;
    wb->NumOfEpochs = epochs;
    wb->ClassOrder = {0, 1};
  }
  QImage& Bitmap(int i) { return SignalPictures(*wb).PlotBitmaps[static_cast<std::size_t>(i)]; }
};

TEST_F(SignalPlotsTest, TwoHiddenAndThreeOutputNeurons) {
  // Two vectors: hidden (0.25, 0.75) and (1, 0); outputs on the box's axes.
  Record({{{0.25, 1.0}, {0.75, 0.0}}, {{1.0, 0.0}, {0.0, 1.0}, {0.0, 0.0}}}, {0, 1});
  wb->Form1.RshapeBox.SetChecked(true);
  ASSERT_TRUE(ShowSignalPlots(*wb, 0));
  EXPECT_EQ(wb->HiddenPlotMode, 2);
  EXPECT_EQ(wb->OutputPlotMode, 2);
  EXPECT_EQ(Bitmap(0).size(), QSize(630, 630));
  EXPECT_EQ(Bitmap(1).size(), QSize(630, 630));
  EXPECT_TRUE(wb->HRF.Shown);
  EXPECT_TRUE(wb->ORF.Shown);
  EXPECT_FALSE(wb->HPF.Shown);
  EXPECT_EQ(plat.ShownWindows, (std::vector<std::string>{"HRF", "ORF"}));
  // The plane: x = M + s0 (S - 2M), y = S - M - s1 (S - 2M) with S = 630, M = 35; class 0's marker is a
  // cross through the point, in black.
  Canvas c(Bitmap(0));
  EXPECT_EQ(c.Pixel(35 + RoundInt(0.25 * 560), 595 - RoundInt(0.75 * 560)), clBlack);
  EXPECT_EQ(c.Pixel(35, 35), clBlack);    // the frame
  EXPECT_EQ(c.Pixel(300, 20), clWhite);   // outside it
  // The window shows a copy of the picture.
  EXPECT_EQ(SignalPictures(*wb).WindowImage[0], Bitmap(0));
  EXPECT_EQ(wb->HRF.PictureVersion, 1u);
}

TEST_F(SignalPlotsTest, ForceParallelDrawsEveryLayerOverParallelAxes) {
  Record({{{0.25, 0.0}, {0.75, 0.0}}, {{1.0, 0.0}, {0.0, 1.0}, {0.0, 0.0}}}, {0, 1});
  wb->Form1.ForcePBox.SetChecked(true);
  ASSERT_TRUE(ShowSignalPlots(*wb, 0));
  EXPECT_EQ(wb->HiddenPlotMode, 1);
  EXPECT_EQ(wb->OutputPlotMode, 1);
  // W = (min(1024, 1280) - 10) P, Hp = (max(round(768 / 2), 512) - 90) P.
  EXPECT_EQ(Bitmap(0).size(), QSize(1014, 422));
  EXPECT_TRUE(wb->HPF.Shown);
  EXPECT_TRUE(wb->OPF.Shown);
  EXPECT_FALSE(wb->HRF.Shown);
  // Vector 0 (class 0, red) runs from (M, y(0.25)) to (M + D, y(0.75)), D = W - 2M for two neurons.
  Canvas c(Bitmap(0));
  const int M = 35, Hp = 422, W = 1014, D = W - 2 * M;
  const int y0 = RoundInt(Hp - M - 0.25 * (Hp - 2 * M)), y1 = RoundInt(Hp - M - 0.75 * (Hp - 2 * M));
  EXPECT_EQ(c.Pixel(M + D / 2, (y0 + y1) / 2), wb->PlotColors[1]);
  // More than three neurons draw in parallel without the box.
  Record({{{0.1}, {0.2}, {0.3}, {0.4}}}, {0});
  wb->Form1.ForcePBox.SetChecked(false);
  ASSERT_TRUE(ShowSignalPlots(*wb, 0));
  EXPECT_EQ(wb->HiddenPlotMode, 1);
  EXPECT_EQ(wb->OutputPlotMode, 0);  // a network without a second layer draws only the first picture
}

TEST_F(SignalPlotsTest, ScaleTwoDoublesEverySize) {
  Record({{{0.5}, {0.5}}, {{0.5}, {0.5}, {0.5}}}, {0});
  wb->Form1.PSEdit.SetText("2");
  ASSERT_TRUE(ShowSignalPlots(*wb, 0));
  EXPECT_EQ(Bitmap(0).size(), QSize(1260, 1260));
  Canvas c(Bitmap(0));
  EXPECT_EQ(c.Pixel(70, 300), clBlack);  // the frame at the margin 70
  EXPECT_EQ(c.Pixel(60, 300), clWhite);
  EXPECT_EQ(wb->MarkerU4, 8);
  EXPECT_EQ(Bitmap(1).size(), QSize(1260, 1260));  // the 3-D picture
}

TEST_F(SignalPlotsTest, OneNeuronLayers) {
  // The plane puts the points on the first axis.
  Record({{{0.5}}, {{1.0}, {0.0}}}, {0});
  wb->Form1.RshapeBox.SetChecked(true);
  ASSERT_TRUE(ShowSignalPlots(*wb, 0));
  Canvas c(Bitmap(0));
  EXPECT_EQ(c.Pixel(35 + 280 + 4, 595 - 4), clBlack);  // the cross at (315, 595), off the frame's line
  // Parallel coordinates of one neuron: a level line from the axis to the next.
  wb->Form1.ForcePBox.SetChecked(true);
  ASSERT_TRUE(ShowSignalPlots(*wb, 0));
  Canvas p(Bitmap(0));
  EXPECT_EQ(p.Pixel(500, RoundInt(422 - 35 - 0.5 * (422 - 70))), wb->PlotColors[1]);
}

TEST_F(SignalPlotsTest, RefusalsDrawNothing) {
  // Nothing recorded; a validation call's one row asked for epoch 3; an epoch after an early stop.
  EXPECT_FALSE(ShowSignalPlots(*wb, 0));
  Record({{{0.5}, {0.5}}}, {0}, 4);
  EXPECT_FALSE(ShowSignalPlots(*wb, 3));
  EXPECT_FALSE(ShowSignalPlots(*wb, 7));
  ASSERT_EQ(plat.Messages.size(), 3u);
  EXPECT_EQ(plat.Messages[1].Text, NoSignalsMessage(3));
  EXPECT_EQ(wb->HiddenPlotMode, 0);
  EXPECT_TRUE(plat.ShownWindows.empty());
  // A marker size out of its range.
  wb->Form1.MarkerSizeEdit.SetText("20");
  EXPECT_FALSE(ShowSignalPlots(*wb, 0));
  EXPECT_EQ(plat.Messages.back().Text, "Marker Size must be a Number from 0.1 to 10");
  EXPECT_TRUE(Bitmap(0).isNull());
}

}  // namespace
}  // namespace wl

// The training-progress plot: the axis table, the scales, and pixels of the expected colours where the
// formulas put the curves, per epoch, per weight, redrawn for a shorter stretch and compared with the
// error surface.
#include "analysis/progress_plot.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "analysis/canvas.h"
#include "analysis/gtp_pictures.h"
#include "model/create_network.h"
#include "model/data_file.h"
#include "model/error_functions.h"
#include "model/read_parameters.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/scripted_platform.h"
#include "shell/command.h"
#include "support/qt_app_env.h"
#include "support/test_support.h"
#include "training/prepare_run.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

TEST(ProgressAxisTest, EpochsPerTickAndNormScale) {
  const std::pair<int, int> ticks[] = {
      {0, 1},     {25, 1},     {26, 2},     {50, 2},      {51, 4},       {100, 4},         {250, 10},
      {1000, 40}, {1001, 100}, {5000, 200}, {10000, 400}, {25001, 2000}, {1000000, 40000}, {30000000, 2000000}};
  for (auto [E, d] : ticks) EXPECT_EQ(EpochsPerTick(E), d) << E;

  struct Case {
    double v;
    bool search;
    double ws;
  } scales[] = {{50, true, 3.7},       {51, true, 1.85},    {200, true, 0.74},    {201, true, 0.37},
                {2001, true, 0.037},   {500, false, 3.7},   {501, false, 1.85},   {5001, false, 0.185},
                {20001, false, 0.037}, {1000, true, 0.185}, {10000, false, 0.185}};
  for (const Case& c : scales) EXPECT_DOUBLE_EQ(NormScale(c.v, c.search), c.ws) << c.v << " " << c.search;
}

// A 2-2-1 network with every weight 0.5 (9 weights, squared norm 2.25), 4 vectors, a run of 3 epochs.
class ProgressPlotTest : public ::testing::Test {
 protected:
  ScriptedPlatform plat;
  Workbench wb{plat, "/nonexistent/weightlab"};

  void SetUp() override {
    wb.NumOfLayers = 3;
    wb.Layers = {2, 2, 1};
    wb.LayerInputs = {2, 2, 0, 0};
    wb.NumOfWeights = 9;
    wb.Net.assign(3, {});
    wb.Net[0].resize(2);
    wb.Net[1].resize(2);
    wb.Net[2].resize(1);
    SetWeights(0.5);
    wb.NumOfVectors = 4;
    wb.NumOfEpochs = 3;
    AllocHistories(wb, 3);
    wb.EpochHistory[0] = {2.0, 0.25};
    wb.EpochHistory[1] = {1.0, 0.5};
    wb.EpochHistory[2] = {0.5, 0.75};
    wb.EpochHistory[3] = {0.25, 1.0};
    wb.CurrentError = 1.0;
    wb.ProgressStage = "18";
    wb.MethodTag = "BP";
  }
  void SetWeights(double w) {
    for (int l = 1; l < 3; ++l)
      for (TNeuron& n : wb.Net[l]) n.Weights.assign(3, w);
  }
  std::int64_t Pixel(int x, int y) { return Canvas(Pictures(wb.GTP).Bitmap).Pixel(x, y); }
  // Whether some pixel of column x between y1 and y2 has the colour.
  bool ColumnHas(int x, int y1, int y2, std::int64_t colour) {
    for (int y = y1; y <= y2; ++y)
      if (Pixel(x, y) == colour) return true;
    return false;
  }
};

TEST_F(ProgressPlotTest, InitDrawsTheAxesAndStartsTheCurvesAtEpochZero) {
  wb.Form1.PSEdit.SetText("4");
  InitTrainingProgressPlot(wb, 3, false);
  const ProgressPlotState& P = wb.GTP.Plot;
  EXPECT_EQ(wb.Form1.PSEdit.Text(), "1");  // a run starts at point size 1
  EXPECT_EQ(P.k, 1);
  EXPECT_EQ(Pictures(wb.GTP).Bitmap.width(), 790);
  EXPECT_EQ(Pictures(wb.GTP).Bitmap.height(), 420);
  EXPECT_EQ(P.d, 1);
  EXPECT_EQ(P.n, 3);
  EXPECT_DOUBLE_EQ(P.PixelsPerEpoch, 240.0);
  EXPECT_DOUBLE_EQ(P.YS, 0.25);  // 1 / (outputs x vectors) with "Plot E/maxE"
  EXPECT_EQ(P.LastX, 50);
  EXPECT_EQ(P.LastErrorY, 390 - 185);
  EXPECT_EQ(P.LastAccuracyY, 390 - 92);  // 92.5 rounds to the even 92
  EXPECT_DOUBLE_EQ(P.WS, 3.7);
  EXPECT_EQ(P.LastNormY, 390 - 6);  // sqrt(2.25) * 3.7 = 5.55
  EXPECT_DOUBLE_EQ(P.PreviousError, 1.0);
  EXPECT_EQ(wb.GTP.Label1.Caption(), "||W|| = 0...100");
  EXPECT_TRUE(wb.GTP.Label1.Visible());
  EXPECT_TRUE(wb.GTP.Label2.Visible());
  EXPECT_FALSE(wb.GTP.Image1.Visible());
  EXPECT_FALSE(wb.GTP.Button3.Enabled());  // no error surface yet
  EXPECT_TRUE(wb.GTPFormExists);
  ASSERT_FALSE(plat.ShownWindows.empty());
  EXPECT_EQ(plat.ShownWindows.back(), "GTP");
  EXPECT_EQ(wb.OnTopForm.Caption(), "On Top      418-0-0");
  EXPECT_EQ(wb.ProgressStage, "18");

  // Silver grid: epoch ticks at x = 50, 290, 530, 770 from the top line to the baseline, and the
  // eleven lines 37 pixels apart.
  for (int x : {50, 290, 530, 770}) {
    EXPECT_EQ(Pixel(x, 100), clSilver) << x;
    EXPECT_EQ(Pixel(x, 389), clSilver) << x;
  }
  EXPECT_EQ(Pixel(170, 20), clSilver);
  EXPECT_EQ(Pixel(170, 57), clSilver);
  EXPECT_EQ(Pixel(170, 390), clSilver);
  EXPECT_EQ(Pixel(170, 100), clWhite);
  EXPECT_EQ(Pixel(771, 100), clWhite);
  // The epoch labels are written below the baseline.
  bool label = false;
  for (int y = 395; y < 419; ++y)
    for (int x = 280; x < 300; ++x) label = label || (Pixel(x, y) != clWhite);
  EXPECT_TRUE(label);

  // "Plot E/startE" scales by the start error; a start error of 0 cannot be a scale.
  wb.Form1.GTPBox2.SetChecked(true);
  InitTrainingProgressPlot(wb, 3, false);
  EXPECT_DOUBLE_EQ(wb.GTP.Plot.YS, 0.5);
  EXPECT_EQ(wb.GTP.Plot.LastErrorY, 390 - 370);
  wb.EpochHistory[0].Error = 0.0;
  EXPECT_THROW(InitTrainingProgressPlot(wb, 3, false), FloatError);
}

TEST_F(ProgressPlotTest, BigPlotScalesToTheScreenAndTheWindowSitsBottomLeft) {
  InitTrainingProgressPlot(wb, 3, false);
  EXPECT_EQ(wb.GTP.Width, 800);
  EXPECT_EQ(wb.GTP.Height, 500);
  EXPECT_EQ(wb.GTP.Left, 0);
  EXPECT_EQ(wb.GTP.Top, 768 - 500);

  wb.ScreenWidth = 1600;
  wb.ScreenHeight = 1200;
  wb.FontPct = 144;
  wb.Form1.BigPlotBox.SetChecked(true);
  InitTrainingProgressPlot(wb, 3, false);
  const ProgressPlotState& P = wb.GTP.Plot;
  EXPECT_DOUBLE_EQ(P.S, 2.0);
  EXPECT_EQ(P.H, 740);
  EXPECT_EQ(P.Y0, 760);
  EXPECT_EQ(P.X0, 50);
  EXPECT_DOUBLE_EQ(P.PixelsPerEpoch, 480.0);
  EXPECT_EQ(Pictures(wb.GTP).Bitmap.width(), 1580);
  EXPECT_EQ(Pictures(wb.GTP).Bitmap.height(), 840);
  EXPECT_EQ(wb.GTP.Width, 1600);
  EXPECT_EQ(wb.GTP.Height, 1020);  // 510 at large fonts
  EXPECT_EQ(wb.GTP.Top, 1200 - 1020);
  EXPECT_EQ(wb.GTP.ButtonsTop, 1020 - 60);
  EXPECT_EQ(P.LastErrorY, 760 - 370);  // 740 * 2.0 * 0.25
}

TEST_F(ProgressPlotTest, EachEpochExtendsTheCurves) {
  InitTrainingProgressPlot(wb, 3, false);
  SetWeights(10.0);  // squared norm 900
  wb.AcceptedSuccessRate = 0.5;
  const std::uint64_t shown = wb.GTP.PictureVersion;
  PlotTrainingProgressEpoch(wb, 1, 1.0);
  EXPECT_DOUBLE_EQ(wb.WNormHistory[1], 900.0);
  EXPECT_GT(wb.GTP.PictureVersion, shown);
  EXPECT_EQ(Pixel(290, 298), clRed);    // error 1.0: 390 - round(370 * 1.0 * 0.25)
  EXPECT_EQ(Pixel(290, 205), clBlue);   // accuracy 0.5
  EXPECT_EQ(Pixel(290, 279), clBlack);  // ||W|| = 30: 390 - round(30 * 3.7)
  EXPECT_EQ(Pixel(50, 205), clRed);     // the segments start at epoch 0's points
  EXPECT_EQ(Pixel(50, 384), clBlack);
  EXPECT_TRUE(ColumnHas(100, 222, 227, clRed));
  EXPECT_TRUE(ColumnHas(100, 276, 281, clBlue));
  EXPECT_EQ(wb.GTP.Plot.LastX, 290);

  // Without the accuracy and norm boxes only the error curve grows.
  wb.Form1.ClassBox.SetChecked(false);
  wb.Form1.modWBox.SetChecked(false);
  PlotTrainingProgressEpoch(wb, 2, 0.5);
  EXPECT_EQ(Pixel(530, 344), clRed);  // 390 - round(46.25)
  EXPECT_FALSE(ColumnHas(529, 20, 389, clBlue));
  EXPECT_FALSE(ColumnHas(529, 20, 389, clBlack));
}

TEST_F(ProgressPlotTest, NoPlotMatlabAndDetailedRunsDrawOnlyWhatTheyShould) {
  InitTrainingProgressPlot(wb, 3, false);
  const QImage before = Pictures(wb.GTP).Bitmap.copy();

  // "No Plot E": nothing drawn, the norm is still recorded.
  wb.Form1.NoGTPBox.SetChecked(true);
  PlotTrainingProgressEpoch(wb, 1, 1.0);
  EXPECT_DOUBLE_EQ(wb.WNormHistory[1], 2.25);
  EXPECT_EQ(Pictures(wb.GTP).Bitmap, before);
  PlotTrainingDetail(wb, 1, 0, 0, 0, 0, 1.0, 0.1);
  EXPECT_EQ(Pictures(wb.GTP).Bitmap, before);

  // A run imported from Matlab has no accuracy curve.
  wb.Form1.GTPBox.SetChecked(true);
  wb.MethodTag = "Matlab";
  wb.AcceptedSuccessRate = 0.5;
  PlotTrainingProgressEpoch(wb, 1, 1.0);
  EXPECT_EQ(Pixel(290, 298), clRed);
  EXPECT_FALSE(ColumnHas(289, 20, 389, clBlue));

  // A one-change method with "Detailed Plot": the epoch call draws nothing, each weight draws its point
  // within the epoch's stretch.
  InitTrainingProgressPlot(wb, 3, false);
  const QImage clean = Pictures(wb.GTP).Bitmap.copy();
  wb.MethodTag = "S1-D";
  PlotTrainingProgressEpoch(wb, 1, 1.0);
  EXPECT_EQ(Pictures(wb.GTP).Bitmap, clean);
  wb.Form1.debox.SetChecked(true);
  wb.AcceptedSuccessRate = 0.75;
  SetWeights(4.0);  // norm 12: inside the plot's upper nine tenths at the table's scale
  PlotTrainingDetail(wb, 1, 0, 1, 2, 4, 1.1, 2.0);
  EXPECT_DOUBLE_EQ(wb.DetailWNormHistory[1][0][1][2], 144.0);
  EXPECT_DOUBLE_EQ(wb.WeightTrialHistory[1][0][1][2].Error, 1.1);
  EXPECT_DOUBLE_EQ(wb.WeightTrialHistory[1][0][1][2].Accuracy, 0.75);
  // x = 50 + round(5 * 240 / 9) = 183
  EXPECT_EQ(wb.GTP.Plot.LastX, 183);
  EXPECT_EQ(Pixel(183, 390 - 102), clRed);    // round(370 * 1.1 * 0.25) = round(101.75)
  EXPECT_EQ(Pixel(183, 390 - 235), clLime);   // (500 * 1.1 / 1.0 - 500) + 185
  EXPECT_EQ(Pixel(183, 390 - 37), clYellow);  // 18.5 * 2
  EXPECT_EQ(Pixel(183, 390 - 278), clBlue);   // round(277.5) = 278
  EXPECT_EQ(Pixel(183, 390 - 44), clBlack);  // round(12 * 3.7)
  EXPECT_DOUBLE_EQ(wb.GTP.Plot.PreviousError, 1.1);

  // A weight outside the records is refused, not written.
  EXPECT_THROW(PlotTrainingDetail(wb, 1, 1, 1, 0, 0, 1.0, 0.0), WlError);
  EXPECT_THROW(PlotTrainingDetail(wb, 4, 0, 0, 0, 0, 1.0, 0.0), WlError);
  EXPECT_THROW(PlotTrainingProgressEpoch(wb, 4, 1.0), WlError);
}

// A norm that would leave the plot over its top line gets the scale that puts it at half the height, and
// what the run drew so far is drawn again at that scale: per epoch, and per weight with its epoch's
// earlier points.
TEST_F(ProgressPlotTest, AGrowingNormIsRescaledToStayInsideThePlot) {
  // Nothing black over the top line, right of the error axis' labels.
  auto blackAboveTop = [this] {
    for (int x = 51; x <= 780; ++x)
      if (ColumnHas(x, 0, 19, clBlack)) return true;
    return false;
  };
  for (const char* tag : {"BP", "S1-D"}) {
    SCOPED_TRACE(tag);
    wb.MethodTag = tag;
    const bool detailed = std::string(tag) == "S1-D";
    wb.Form1.debox.SetChecked(detailed);
    SetWeights(0.5);
    InitTrainingProgressPlot(wb, 3, false);
    wb.AcceptedSuccessRate = 0.5;
    SetWeights(4.0);  // norm 12: inside at the table's scale 3.7
    const int firstX = detailed ? 50 + 27 : 290;  // the first weight of epoch 1 at 240 / 9, or epoch 1
    if (detailed)
      PlotTrainingDetail(wb, 1, 0, 0, 0, 0, 1.0, 0.5);
    else
      PlotTrainingProgressEpoch(wb, 1, 1.0);
    EXPECT_DOUBLE_EQ(wb.GTP.Plot.WS, 3.7);
    EXPECT_EQ(Pixel(firstX, 346), clBlack);  // 390 - round(12 * 3.7)

    SetWeights(50.0);  // norm 150: 555 pixels at the table's scale, more than the plot's 370
    const int secondX = detailed ? 50 + 53 : 530;
    if (detailed)
      PlotTrainingDetail(wb, 1, 0, 0, 1, 1, 0.5, 0.5);
    else
      PlotTrainingProgressEpoch(wb, 2, 0.5);
    const ProgressPlotState& P = wb.GTP.Plot;
    EXPECT_DOUBLE_EQ(P.WS, 370.0 / 300.0);
    EXPECT_EQ(wb.GTP.Label1.Caption(), "||W|| = 0...300");
    EXPECT_EQ(Pixel(secondX, 390 - 185), clBlack);  // at half the height
    EXPECT_FALSE(blackAboveTop());
    // The earlier point at the new scale, its error and accuracy where they were.
    EXPECT_EQ(Pixel(firstX, 390 - 15), clBlack);  // round(12 * 370 / 300)
    EXPECT_NE(Pixel(firstX, 346), clBlack);
    EXPECT_EQ(Pixel(firstX, 298), clRed);
    EXPECT_EQ(Pixel(firstX, 205), clBlue);
    if (detailed) {
      EXPECT_TRUE(ColumnHas(60, 384, 389, clYellow));  // the step curve is drawn again too, to 18.5 * 0.5
      EXPECT_DOUBLE_EQ(P.PreviousError, 0.5);
    }
    EXPECT_EQ(P.LastX, secondX);
    EXPECT_EQ(P.Points.size(), 2u);
  }
}

// A long run of a small network: the table's scale (0...5000 for 9 weights and 4000 epochs) would draw a
// norm of 17 to 30 along the axis. The run's norm takes the scale that puts it at half the height, keeps
// it while the norm grows within the plot, and a norm past the top line is rescaled as before.
TEST_F(ProgressPlotTest, ANormFarBelowTheTopLineTakesTheRunsScale) {
  wb.NumOfEpochs = 4000;
  AllocHistories(wb, 4000);
  wb.EpochHistory[0] = {2.0, 0.25};
  SetWeights(17.0 / 3.0);  // norm 17
  wb.WNormHistory[0] = 289.0;
  InitTrainingProgressPlot(wb, 4000, false);
  const ProgressPlotState& P = wb.GTP.Plot;
  EXPECT_DOUBLE_EQ(P.WS, 0.074);
  EXPECT_EQ(wb.GTP.Label1.Caption(), "||W|| = 0...5000");
  wb.AcceptedSuccessRate = 0.5;

  PlotTrainingProgressEpoch(wb, 1, 1.0);
  EXPECT_NEAR(P.WS, 370.0 / 34.0, 1e-12);
  EXPECT_EQ(wb.GTP.Label1.Caption(), "||W|| = 0...34");
  EXPECT_EQ(Pixel(50, 390 - 185), clBlack);
  // Growing to 30 within the plot: the scale stays, the curve climbs.
  for (int e = 2; e <= 100; ++e) {
    SetWeights((17.0 + 13.0 * (e - 1) / 99.0) / 3.0);
    PlotTrainingProgressEpoch(wb, e, 1.0);
  }
  EXPECT_NEAR(P.WS, 370.0 / 34.0, 1e-12);
  EXPECT_EQ(Pixel(68, 390 - 326), clBlack);  // epoch 100 at 50 + 18, 30 * 370 / 34 = 326.5
  EXPECT_EQ(P.Points.size(), 100u);
  // Past the top line.
  SetWeights(40.0 / 3.0);
  PlotTrainingProgressEpoch(wb, 101, 1.0);
  EXPECT_NEAR(P.WS, 370.0 / 80.0, 1e-12);
  EXPECT_EQ(wb.GTP.Label1.Caption(), "||W|| = 0...80");
  EXPECT_EQ(Pixel(68, 390 - 139), clBlack);  // epoch 100 drawn again: 30 * 370 / 80 = 138.75
}

TEST_F(ProgressPlotTest, FinishFramesThePictureAndShowsIt) {
  InitTrainingProgressPlot(wb, 3, false);
  Canvas c(Pictures(wb.GTP).Bitmap);
  c.SetPixel(0, 0, clRed);
  c.SetPixel(789, 419, clRed);
  FinishTrainingProgressPlot(wb);
  EXPECT_EQ(Pixel(0, 0), clWhite);
  EXPECT_EQ(Pixel(789, 419), clWhite);
  EXPECT_TRUE(wb.GTP.Image1.Visible());
  EXPECT_EQ(Pictures(wb.GTP).Image1Picture, Pictures(wb.GTP).Bitmap);
  EXPECT_EQ(wb.OnTopForm.Caption(), "On Top      518-0-0");
}

TEST_F(ProgressPlotTest, ResizeRedrawsAShorterStretchFromTheRecords) {
  for (int e = 1; e <= 3; ++e) wb.WNormHistory[e] = 4.0 * e;
  InitTrainingProgressPlot(wb, 3, false);

  wb.GTP.ResizeEdit.SetText("0");
  ResizeTrainingProgressPlot(wb);
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "Resize must be an Integer from 1 to 3");
  wb.GTP.ResizeEdit.SetText("4");
  ResizeTrainingProgressPlot(wb);
  EXPECT_EQ(plat.Messages.size(), 2u);

  wb.GTP.ResizeEdit.SetText("2     ");
  ResizeTrainingProgressPlot(wb);
  const ProgressPlotState& P = wb.GTP.Plot;
  EXPECT_EQ(P.E, 2);
  EXPECT_DOUBLE_EQ(P.PixelsPerEpoch, 360.0);
  // The largest norm of epochs 0..2 (8) reaches the top line.
  EXPECT_DOUBLE_EQ(P.WS, 370.0 / std::sqrt(8.0));
  EXPECT_EQ(Pixel(410, 298), clRed);         // epoch 1, error 1.0
  EXPECT_EQ(Pixel(770, 344), clRed);         // epoch 2, error 0.5
  EXPECT_EQ(Pixel(770, 390 - 278), clBlue);  // accuracy 0.75
  EXPECT_EQ(Pixel(770, 20), clBlack);        // sqrt(8) * WS = 370
  EXPECT_TRUE(wb.GTP.Image1.Visible());

  // Redrawn at the point size of the box: a bigger picture, saved under its size.
  wb.Form1.PSEdit.SetText("2");
  ResizeTrainingProgressPlot(wb);
  EXPECT_EQ(wb.Form1.PSEdit.Text(), "2");
  EXPECT_EQ(Pictures(wb.GTP).Bitmap.width(), 1580);
  EXPECT_EQ(Pictures(wb.GTP).Bitmap.height(), 840);
  EXPECT_EQ(wb.GTP.Plot.H, 740);
  EXPECT_EQ(Pixel(100 + 720, 780 - 185), clRed);  // epoch 1: x = 100 + 720, y = 780 - round(740 * 1.0 * 0.25)
}

TEST_F(ProgressPlotTest, ResizeOfADetailedRunUsesThePerWeightRecords) {
  wb.MethodTag = "S1-R";
  for (int e = 1; e <= 3; ++e) {
    auto trials = wb.WeightTrialHistory.Row(e);
    for (std::size_t i = 0; i < trials.size(); ++i) trials[i] = {1.0, 0.5};
  }
  wb.WeightTrialHistory[1][1][0][2] = {0.5, 1.0};  // the last weight of epoch 1
  InitTrainingProgressPlot(wb, 3, false);
  wb.GTP.ResizeEdit.SetText("1");
  ResizeTrainingProgressPlot(wb);
  // E = 1: one epoch over 720 pixels, the 9th weight at x = 50 + 720.
  EXPECT_EQ(Pixel(770, 344), clRed);
  EXPECT_EQ(Pixel(770, 20), clBlue);
  EXPECT_EQ(Pixel(50 + 80, 298), clRed);  // the first weight at 720 / 9
}

// The error comparison needs a network that evaluates: the XOR set with a 2-2-2 network.
class CompareErrorsTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_comperr_", {"results"});
    ReadDataFile(*wb, std::string(WL_SOURCE_DIR) + "/DATA/xor.dat");
    wb->Form1.HiddenEditT2.SetText("2");
    wb->Form1.EpochEditT2.SetText("2");
    wb->Rng.Seed = 7;
    ASSERT_EQ(CreateNetwork(*wb, 4), NetworkBuilt);
    wb->ResultsPrefix = (dir / "results" / "xor_10").string();
    wb->MethodTag = "BP";
    PrepareTrainingRun(*wb);
    wb->EpochHistory[1] = {0.5, 0.5};
    wb->EpochHistory[2] = {0.0, 1.0};
  }
};

TEST_F(CompareErrorsTest, ComparesTheTrainingErrorWithTheSurfaceAndTogglesBack) {
  const std::vector<double> trained(wb->WeightHistory.Row(0).begin(), wb->WeightHistory.Row(0).end());
  // A flat surface: every epoch lies on the origin of zero weights.
  SurfaceReference s;
  s.ReferenceEpoch = 0;
  s.Component1.assign(wb->NumOfWeights, 0.0);
  s.Component2.assign(wb->NumOfWeights, 0.0);
  s.BoxHeight = 200;
  s.FramePositions.assign(3, {0.0, 0.0});
  wb->ThreeDscale = 100;
  wb->PlotLines = 25;
  wb->Form1.CFSBox.SetChecked(true);
  wb->ESDone = true;
  wb->GTP.ComparisonSurface = s;

  // The error of the network with every weight 0, for comparison.
  const auto net = wb->Net;
  for (int l = 1; l < wb->NumOfLayers; ++l)
    for (TNeuron& n : wb->Net[l]) std::fill(n.Weights.begin(), n.Weights.end(), 0.0);
  const double es = ComputeError(*wb, static_cast<std::uint8_t>(wb->ErrorTFKind & 0xFF));
  wb->Net = net;

  CompareErrorsButton(*wb);
  EXPECT_EQ(wb->GTP.Button3.Caption(), "E+acc+W");
  EXPECT_FALSE(wb->GTP.ResizeButton.Enabled());
  EXPECT_TRUE(wb->Form1.GTPBox.Checked());  // "Plot E/maxE" chosen again afterwards
  EXPECT_DOUBLE_EQ(wb->GTP.Plot.YS, 1.0 / wb->EpochHistory[0].Error);
  EXPECT_EQ(wb->GTP.Label1.Caption(), "0.1*TR/ES");
  EXPECT_EQ(wb->GTP.Label1Color, clGreen);
  EXPECT_EQ(wb->GTP.Label3.Caption(), "TR");
  EXPECT_EQ(wb->GTP.Label2.Caption(), "ES");
  // The network keeps its trained weights.
  std::size_t i = 0;
  for (int l = 1; l < wb->NumOfLayers; ++l)
    for (const TNeuron& n : wb->Net[l])
      for (double w : n.Weights) EXPECT_EQ(w, trained[i++]);

  const std::string file = (dir / "results" / "xor_10_comperr0.txt").string();
  ASSERT_EQ(plat.EditorRequests.size(), 1u);
  EXPECT_EQ(plat.EditorRequests[0], file);
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "TR_error  ES_error  ES_error/TR_error");
  const double tr[] = {wb->EpochHistory[0].Error, 0.5, 0.0};
  for (double t : tr) {
    ASSERT_TRUE(std::getline(in, line));
    const double q = t > 0 ? std::min(0.1 * es / t, 1.0) : (es == 0 ? 0.1 : 1.0);
    EXPECT_EQ(line, FormatFixed(t, 6) + "  " + FormatFixed(es, 6) + "  " + FormatFixed(10 * q, 6));
  }
  EXPECT_FALSE(std::getline(in, line));

  // Green ratio curve at epoch 2 (TR = 0): q = 1, the top line.
  const ProgressPlotState& P = wb->GTP.Plot;
  EXPECT_EQ(Canvas(Pictures(wb->GTP).Bitmap).Pixel(P.X0 + static_cast<int>(std::lround(2 * P.PixelsPerEpoch)), P.Y0 - P.H),
            clGreen);

  // The second press redraws the plain plot.
  wb->GTP.ResizeEdit.SetText("2");
  CompareErrorsButton(*wb);
  EXPECT_EQ(wb->GTP.Button3.Caption(), "Comp Err");
  EXPECT_TRUE(wb->GTP.ResizeButton.Enabled());
  EXPECT_EQ(wb->GTP.Label1Color, clBlack);
}

TEST_F(CompareErrorsTest, TheWindowButtonsRunThroughTheCommandBoundary) {
  ConnectHandlers(*wb);
  wb->GTP.ResizeEdit.UserSetText("9");
  wb->GTP.ResizeButton.UserClick();
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "Resize must be an Integer from 1 to 2");
  wb->GTP.Button1.UserClick();
  EXPECT_TRUE(fs::exists(dir / "results" / "xor_10_MSE_s1.gif"));
  // Without an error surface "Comp Err" does nothing.
  wb->GTP.Button3.UserClick();
  EXPECT_EQ(wb->GTP.Button3.Caption(), "Comp Err");
}

}  // namespace
}  // namespace wl

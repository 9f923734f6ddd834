// The weight-direction scans (the scan of one weight, the "WM Distance" and "WMD" commands, the plots),
// the re-mapped surface with its prepared grid, the direction tables and the local PCA, on an XOR run
// with a hand-made history.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/canvas.h"
#include "analysis/direction_scans.h"
#include "analysis/error_surface.h"
#include "analysis/local_pca.h"
#include "analysis/ng3d_pictures.h"
#include "analysis/representation_windows.h"
#include "analysis/signal_plots.h"
#include "analysis/surface_remap.h"
#include "analysis/weight_matrix.h"
#include "model/create_network.h"
#include "model/data_file.h"
#include "model/error_functions.h"
#include "model/plane_sampler.h"
#include "model/read_parameters.h"
#include "platform/numfmt.h"
#include "state/workbench.h"
#include "analysis/recorded_run_test_env.h"
#include "support/test_support.h"
#include "training/direction_scan.h"
#include "training/ng_weights.h"
#include "training/prepare_run.h"

namespace wl {
namespace {

using test::Lines;
using test::ReadText;

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  for (std::string t; in >> t;) out.push_back(t);
  return out;
}

TEST(ScanTest, SamplesAndPlaces) {
  // 201 samples; the sample's index and its offset.
  std::vector<double> offsets;
  for (int u = -200; u <= 200; ++u)
    if (ScanSampled(u)) offsets.push_back(0.05 * u);
  ASSERT_EQ(offsets.size(), 201u);
  EXPECT_DOUBLE_EQ(offsets[25], -5.0);
  EXPECT_DOUBLE_EQ(offsets[100], 0.0);
  EXPECT_DOUBLE_EQ(offsets[101], 0.05);
  EXPECT_DOUBLE_EQ(offsets[176], 5.2);
  EXPECT_DOUBLE_EQ(offsets.front(), -10.0);
  EXPECT_DOUBLE_EQ(offsets.back(), 10.0);

  struct Case {
    double efar, last, best;
    const char* want;
  };
  for (const Case& c : {Case{1, 3, 1, "beg"}, Case{0.5, 3, 1, "beg"}, Case{2, 1, 1, "end"}, Case{2, 3, 1, "mid"}})
    EXPECT_EQ(ScanPlace(c.efar, c.last, c.best), c.want) << c.efar << " " << c.last << " " << c.best;

  // Each sample counts against both ends of the range: a rising section lowers the minimum too.
  std::vector<std::vector<double>> rising(1, std::vector<double>(202, 0.0));
  for (std::size_t i = 0; i < 201; ++i) rising[0][i] = 1.0 + 0.01 * static_cast<double>(i);
  double hi = 0, lo = 0;
  SectionRange(rising, 8.0, hi, lo);
  EXPECT_DOUBLE_EQ(hi, 1.0 + 0.01 * 176);
  EXPECT_DOUBLE_EQ(lo, 1.0 + 0.01 * 25);
}

class DirectionsTest : public test::RecordedRunTest {
 protected:
  void SetUp() override { OpenXor("wl_dir_", "12"); }
  // The network (for function approximation, whose output is linear, when asked), its run prepared and a
  // hand-made history.
  void Build(bool approximation = false) {
    if (approximation) {
      wb->Form1.FApproxBox.SetChecked(true);
      ReadDataFile(*wb, std::string(WL_SOURCE_DIR) + "/DATA/xor.dat");
    }
    ASSERT_NO_FATAL_FAILURE(PrepareRun("BP"));
    start = FlatWeights(*wb);
    FillPlaneHistory();
    wb->Form1.PSEdit.SetItemIndex(0);
    wb->StartError = 1.0;
  }
  // The history as "PCA/WM_weightlab.txt".
  void WriteHistory() {
    std::string text;
    for (std::size_t e = 0; e <= 12; ++e) {
      auto row = wb->WeightHistory.Row(e);
      text += WeightLabLine(std::vector<double>(row.begin(), row.end()));
    }
    std::ofstream(dir / "PCA" / "WM_weightlab.txt", std::ios::binary) << text;
  }
  void Surface() {
    wb->Form1.ESQBox.SetItemIndex(3);
    wb->Form1.LGEdit.SetText("8");
    PlotErrorSurfacePCA(*wb, 1);
    ASSERT_TRUE(wb->ESDone);
    plat.Messages.clear();
  }
  std::int64_t PixelOf(int picture, int x, int y) {
    Canvas c(SignalPictures(*wb).PlotBitmaps[static_cast<std::size_t>(picture)]);
    return c.Pixel(x, y);
  }
};

// The error along one output weight of a linear output is a parabola: the scan finds its vertex
// 0.35 above w0, stores the samples in place and logs the weight's line.
TEST_F(DirectionsTest, ScanFindsTheMinimumOfAQuadraticError) {
  Build(true);
  TNeuron& out = wb->Net[2][0];
  auto errorAt = [&](double w) {
    out.Weights[0] = w;
    return DirectionScanError(*wb);
  };
  const double a = 0.0, e0 = errorAt(a), e1 = errorAt(a + 1), e2 = errorAt(a - 1);
  ASSERT_GT(e1 + e2 - 2 * e0, 0.0);
  const double vertex = a + (e2 - e1) / (2 * (e1 + e2 - 2 * e0));
  const double w0 = vertex - 0.35;
  out.Weights[0] = w0;
  out.OldWeights = out.Weights;
  out.OldWeights[0] = w0 + 0.4;
  SizeLike(wb->SearchDirection, NGShape(*wb));
  SizeLike(wb->VdwData, NGShape(*wb));
  wb->SearchDirection[0][1][0][0] = 0.4;
  wb->SectionSamples.assign(3, std::vector<double>(202, 0.0));
  wb->Form1.LogWMDBox.SetChecked(true);
  wb->LogWMDFile.open(wb->ResultsPrefix + "_LogWMD.txt", std::ios::binary);
  LogWMD(*wb, 2, 0, 0, w0, true);
  wb->LogWMDFile.close();
  EXPECT_DOUBLE_EQ(wb->VdwData[0][1][0][0], 0.05 * 7);
  EXPECT_DOUBLE_EQ(out.Weights[0], w0 + 10.0);  // left at the last sample
  const std::vector<double>& row = wb->SectionSamples[0];
  EXPECT_DOUBLE_EQ(row[25], errorAt(w0 - 5.0));
  EXPECT_DOUBLE_EQ(row[100], errorAt(w0));
  EXPECT_DOUBLE_EQ(row[101], errorAt(w0 + 0.05));
  EXPECT_DOUBLE_EQ(row[176], errorAt(w0 + 0.05 * 104));
  EXPECT_EQ(row[201], 0.0);
  const std::vector<std::string> log = Lines(ReadText(wb->ResultsPrefix + "_LogWMD.txt"));
  ASSERT_EQ(log.size(), 1u);
  const std::vector<std::string> w = Words(log[0]);
  ASSERT_EQ(w.size(), 201u + 7u);
  EXPECT_EQ(w[201], Trim(FormatReal(w0)));
  EXPECT_EQ(w[202], Trim(FormatReal(w0 + 0.4)));
  EXPECT_EQ(w[204], Trim(FormatReal(0.05 * 7)));
  EXPECT_EQ(w[206], "1");
  EXPECT_EQ(w[207], "mid");
  EXPECT_EQ(log[0].back(), '\r');
}

// A weight without effect: every sample equals E0, so no offset is strictly lower and d stays 0; its
// sections have no height ("maxpaintE <= minpaintE") and its plot no scale.
TEST_F(DirectionsTest, WMDOfANeuronWithoutEffect) {
  Build();
  // Hidden neuron 0 feeds no output.
  for (std::size_t e = 0; e <= 12; ++e) {
    auto row = wb->WeightHistory.Row(e);
    row[6] = row[9] = 0.0;  // the output neurons' weights from hidden neuron 0
  }
  WriteHistory();
  wb->Form1.LEdit.SetText("1");
  wb->Form1.NEdit.SetText("0");
  WMDirectionAnalysis(*wb, 2);
  ASSERT_EQ(plat.Messages.size(), 2u);
  EXPECT_EQ(plat.Messages[0].Text, "Error: max_Dist_min=0");
  EXPECT_EQ(plat.Messages[1].Text, "maxpaintE <= minpaintE");
  for (double d : wb->VdwData[0][0][0]) EXPECT_EQ(d, 0.0);
}

TEST_F(DirectionsTest, WMDWritesItsFilesAndPictures) {
  Build();
  WriteHistory();
  wb->Form1.VdwEdit1.SetText("3");
  wb->Form1.LEdit.SetText("2");
  wb->Form1.NEdit.SetText("1");
  wb->Form1.LogWMDBox.SetChecked(true);
  WMDirectionAnalysis(*wb, 2);
  EXPECT_TRUE(plat.Messages.empty()) << plat.Messages.front().Text;

  // w-o-v.txt: W(3), W(4) and their difference; the last line without a line end.
  const std::string wov = ReadText(dir / "PCA" / "w-o-v.txt");
  EXPECT_NE(wov.back(), '\n');
  const std::vector<std::string> lines = Lines(wov);
  ASSERT_EQ(lines.size(), 3u);
  const std::vector<std::string> w3 = Words(lines[0]), w4 = Words(lines[1]), v = Words(lines[2]);
  ASSERT_EQ(w3.size(), 12u);
  for (std::size_t i = 0; i < 12; ++i) {
    EXPECT_EQ(w3[i], Trim(FormatReal(StrToFloat(FormatReal(wb->WeightHistory.Row(3)[i])))));
    EXPECT_EQ(w4[i], Trim(FormatReal(StrToFloat(FormatReal(wb->WeightHistory.Row(4)[i])))));
    EXPECT_NEAR(StrToFloat(v[i]), wb->WeightHistory.Row(4)[i] - wb->WeightHistory.Row(3)[i], 1e-12);
  }
  // LM_weights.txt: epoch 3's error and weights, then an empty line.
  const std::vector<std::string> lm = Lines(ReadText(dir / "PCA" / "LM_weights.txt"));
  ASSERT_EQ(lm.size(), 1u + 12u + 1u);
  EXPECT_EQ(lm[1], "1  0  0   " + FormatReal(wb->WeightHistory.Row(3)[0]) + "\r");
  EXPECT_EQ(lm[13], "\r");
  // Only the neuron's three weights are scanned and logged; the network keeps W(3).
  EXPECT_EQ(Lines(ReadText(wb->ResultsPrefix + "_LogWMD.txt")).size(), 3u);
  EXPECT_EQ(wb->SectionSamples.size(), 3u);
  for (std::size_t i = 0; i < 12; ++i) EXPECT_NEAR(FlatWeights(*wb)[i], wb->WeightHistory.Row(3)[i], 1e-13);
  // The pictures in their windows.
  EXPECT_EQ(wb->HRF.Caption(), "dS+dw epoch=3  red=hidden  blue=output");
  EXPECT_EQ(wb->ORF.Caption(), "ES sections");
  EXPECT_TRUE(wb->HRF.Shown && wb->ORF.Shown);
  EXPECT_FALSE(wb->ORF.SE.Visible());
  EXPECT_EQ(SignalPictures(*wb).PlotBitmaps[2].width(), 630);
  // "Show" brings the epoch selector back with the signals.
  ShowRepresentations(*wb);
  EXPECT_TRUE(wb->ORF.SE.Visible() && wb->ORF.ASB.Visible() && wb->ORF.Label1.Visible());
  EXPECT_EQ(wb->ORF.Caption(), "Neuron Signals");
}

// "WM Error": every epoch of the chosen file loaded, its error and weights listed; the network keeps the
// last epoch. A cancelled dialog writes nothing.
TEST_F(DirectionsTest, WMErrorListsEveryEpoch) {
  Build();
  WriteHistory();
  plat.OpenAnswers.push_back(std::nullopt);
  WMErrorCheck(*wb);
  EXPECT_FALSE(std::filesystem::exists(dir / "PCA" / "LM_weights.txt"));
  plat.OpenAnswers.push_back((dir / "PCA" / "WM_weightlab.txt").string());
  WMErrorCheck(*wb);
  EXPECT_TRUE(plat.Messages.empty());
  const std::vector<std::string> lm = Lines(ReadText(dir / "PCA" / "LM_weights.txt"));
  ASSERT_EQ(lm.size(), 13u * 14u);
  const std::vector<double> last = FlatWeights(*wb);
  for (std::size_t i = 0; i < 12; ++i) EXPECT_NEAR(last[i], wb->WeightHistory.Row(12)[i], 1e-13);
  EXPECT_EQ(lm[12 * 14], FormatReal(DirectionScanError(*wb)) + "\r");
  EXPECT_EQ(lm[12 * 14 + 12], "2  1  2   " + FormatReal(last[11]) + "\r");
  EXPECT_DOUBLE_EQ(wb->CurrentError, DirectionScanError(*wb));
}

TEST_F(DirectionsTest, SectionNeuronMustBeInTheNetwork) {
  Build();
  WriteHistory();
  struct Case {
    int mode;
    const char *L, *N;
    bool hrf, orf;
  };
  const Case cases[] = {{2, "3", "0", false, false}, {2, "2", "2", false, false}, {2, "1", "x", false, false},
                        {1, "0", "0", true, false},  {1, "1", "7", true, false},  {1, "1", "1", true, true}};
  for (const Case& c : cases) {
    wb->HRF.Shown = wb->ORF.Shown = false;
    std::filesystem::remove(dir / "PCA" / "w-o-v.txt");
    wb->Form1.LEdit.SetText(c.L);
    wb->Form1.NEdit.SetText(c.N);
    plat.OpenAnswers.push_back((dir / "PCA" / "WM_weightlab.txt").string());
    WMDirectionAnalysis(*wb, c.mode);
    EXPECT_TRUE(std::filesystem::exists(dir / "PCA" / "w-o-v.txt")) << c.L << " " << c.N;
    EXPECT_EQ(wb->HRF.Shown, c.hrf) << c.mode << " " << c.L << " " << c.N;
    EXPECT_EQ(wb->ORF.Shown, c.orf) << c.mode << " " << c.L << " " << c.N;
  }
}

// The markers of one neuron's weights at (C + V sx, C - d sy), each in its weight's colour.
TEST_F(DirectionsTest, MarkerPlacesAndScales) {
  Build();
  wb->PointSize = 1;
  SizeLike(wb->SearchDirection, NGShape(*wb));
  SizeLike(wb->VdwData, NGShape(*wb));
  const double V[3] = {0.5, -1, 0.25}, D[3] = {2, 1, -4};
  for (std::size_t k = 0; k < 3; ++k) {
    wb->SearchDirection[0][0][1][k] = V[k];
    wb->VdwData[0][0][1][k] = D[k];
  }
  DrawESSections(*wb, 3);
  PlotVContraDW2(*wb, 1, 1);
  // sx = 300 / 1, sy = 300 / 4; the square of half-side 2 outlines each marker.
  const int X[3] = {465, 15, 390}, Y[3] = {165, 240, 615};
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(PixelOf(2, X[k] - 2, Y[k]), wb->PlotColors[k]) << k;
    EXPECT_EQ(PixelOf(2, X[k] + 2, Y[k] - 2), wb->PlotColors[k]) << k;
  }
  for (std::size_t k = 0; k < 3; ++k) wb->SearchDirection[0][0][1][k] = 0;
  PlotVContraDW2(*wb, 1, 1);
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "Error: max_V=0");
}

TEST_F(DirectionsTest, RemappingKeepsAnglesAndRaisesOnlyFarLowCells) {
  // fi = 0 keeps every cell where it is.
  for (int y = -149; y <= 149; ++y)
    for (int x = -149; x <= 149; ++x) {
      if (x == 0 && y == 0) continue;
      int xs = 0, ys = 0;
      RemapSource(x, y, 0.0, xs, ys);
      ASSERT_EQ(xs, x) << x << " " << y;
      ASSERT_EQ(ys, y) << x << " " << y;
    }
  // A turn moves the cells on a circle and leaves the radius.
  int xs = 0, ys = 0;
  RemapSource(100, 0, 90, xs, ys);
  EXPECT_NEAR(std::hypot(xs, ys), 100, 1.0);
  EXPECT_NE(xs, 100);
  // Cells within 50 of the centre are never raised, whatever h is; farther low cells are.
  for (double r : {1.0, 30.0, 50.0})
    for (double h : {-3.0, 0.0, 2.0, 10.0}) EXPECT_EQ(RaisedValue(10, r, 80, h), 10) << r << " " << h;
  EXPECT_DOUBLE_EQ(RaisedValue(40, 100, 80, 0), 60);
  EXPECT_DOUBLE_EQ(RaisedValue(90, 100, 80, 5), 90);
}

TEST_F(DirectionsTest, PrepareThenModify) {
  Build();
  Surface();
  // Modify before Prepare says to prepare first.
  ModifySurfacePlot(*wb);
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, PrepareFirstMessage);
  plat.Messages.clear();

  wb->SamplerThreads = 3;
  wb->Form1.ESFixedEdit.SetText("2");
  PrepareSurfaceModification(*wb);
  ASSERT_TRUE(wb->GridPrepared);
  EXPECT_TRUE(plat.Messages.empty());
  const std::vector<double> w0(wb->WeightHistory.Row(2).begin(), wb->WeightHistory.Row(2).end());
  const double step = wb->ThreeDscale / 213;
  const double f = wb->NG3D.Box.Height / (static_cast<double>(wb->Layers.back()) * wb->NumOfVectors);
  auto at = [&](int i, int j) {
    std::vector<double> w(w0);
    for (std::size_t k = 0; k < w.size(); ++k)
      w[k] = i * wb->PlotComponents[1][k] * step * wb->C2Scale + w0[k] + j * wb->PlotComponents[0][k] * step;
    return w;
  };
  const std::vector<double> last = FlatWeights(*wb);
  const std::vector<double> corner = at(213, 213);
  for (std::size_t k = 0; k < last.size(); ++k) EXPECT_NEAR(last[k], corner[k], 1e-12);
  SetFlatWeights(*wb, at(-100, 37));
  EXPECT_FLOAT_EQ(wb->PreparedGrid[113 * 427 + 250], static_cast<float>(f * ComputeError(*wb, 1)));

  // With an empty "ES E" the threshold is 80: a flat grid of 40 is raised to 60 beyond 50 cells.
  std::fill(wb->PreparedGrid.begin(), wb->PreparedGrid.end(), 40.0f);
  wb->NG3D.erEdit.SetText("  ");
  wb->Form1.fiEdit.SetText("0");
  wb->Form1.VertEdit.SetText("0");
  ModifySurfacePlot(*wb);
  EXPECT_TRUE(plat.Messages.empty());
  EXPECT_FLOAT_EQ(wb->ModifiedGrid[149 * 299 + 249], 60.0f);  // (x, y) = (100, 0)
  EXPECT_FLOAT_EQ(wb->ModifiedGrid[159 * 299 + 159], 40.0f);  // (10, 10)
  const std::vector<std::string> eps = Lines(ReadText(wb->ResultsPrefix + "_impeps.txt"));
  ASSERT_EQ(eps.size(), 28u);
  for (const std::string& l : eps) EXPECT_EQ(Words(l).size(), 37u);
  EXPECT_EQ(Words(eps[0])[0], Trim(FormatReal(60)));
}

TEST_F(DirectionsTest, DirectionTables) {
  Build();
  // Before a surface both tables are refused.
  WriteTrainingDirections(*wb);
  WriteAllDirections(*wb);
  ASSERT_EQ(plat.Messages.size(), 2u);
  EXPECT_EQ(plat.Messages[1].Text, SurfaceFirstMessage);
  // Epoch 5 repeats epoch 4: a zero step, whose cosines are 0.
  {
    auto r4 = wb->WeightHistory.Row(4), r5 = wb->WeightHistory.Row(5);
    std::copy(r4.begin(), r4.end(), r5.begin());
  }
  wb->Form1.WMBox.SetChecked(true);
  Surface();

  WriteTrainingDirections(*wb);
  const std::vector<std::string> tr = Lines(ReadText(wb->ResultsPrefix + "_TRdir.txt"));
  ASSERT_EQ(tr.size(), 1u + 12u);
  EXPECT_EQ(tr[0],
            "  cos(W[e],PCA)   cos(W[e]-W[e-1],PCA)   Error[e]    ||W[e]||   cos(W[e],W[12])     "
            "cos(W[e]-W[e-1],W[12]-W[0])  cos(W[e],PCA)   cos(W[e]-W[e-1],PCA)\r");
  const std::vector<std::string> line4 = Words(tr[1 + 4]);
  ASSERT_EQ(line4.size(), 8u);
  for (std::size_t i : {1u, 5u, 7u}) EXPECT_EQ(StrToFloat(line4[i]), 0.0) << i;
  EXPECT_DOUBLE_EQ(StrToFloat(Words(tr[1 + 3])[2]), (1.0 / 4) / 1.0);
  EXPECT_NEAR(StrToFloat(Words(tr[1])[0]), -StrToFloat(Words(tr[1])[6]), 1e-14);

  // "All Directions" needs the rows of the exchange files.
  WriteAllDirections(*wb);
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, ExchangeRowsMessage);
  wb->MatlabComponents = wb->PrincipalComponents;
  wb->ICAComponents.assign(wb->PrincipalComponents.begin(), wb->PrincipalComponents.begin() + 5);
  WriteAllDirections(*wb);
  ASSERT_EQ(plat.Messages.size(), 1u);
  const std::vector<std::string> ip = Lines(ReadText(wb->ResultsPrefix + "_IPdir.txt"));
  EXPECT_EQ(ip[0], "           PCA_c1     PCA_c2    PCA_c1+c2   PCA_all    ||1||      traject\r");
  EXPECT_EQ(ip[2].substr(0, 10), "ICA_c1    ");
  // The same rows in both sets: the cosine of PCA_c1 with itself.
  EXPECT_EQ(Words(ip[2])[1], "1.00000");
  EXPECT_EQ(ip[13], "cos(W[e1],W[e2] (each W from zero point)\r");
  EXPECT_EQ(Words(ip[15]).size(), 13u * 14u / 2u);
  EXPECT_EQ(ip[17].substr(0, 10), "TC=  0    ");
  EXPECT_EQ(ip[28].substr(0, 10), "TC= 11    ");
  EXPECT_EQ(Words(ip[17]).size(), 1u + 1u + 6u);
  ASSERT_EQ(ip.size(), 33u + 12u);
  EXPECT_EQ(ip[31], "tot_dist     curt_dist   tot_a|1|   tot_a_pca_a   cur_angles\r");
  // Per epoch e: two distances, two cosines and the e + 1 angles with the earlier steps.
  EXPECT_EQ(Words(ip[33 + 11]).size(), 4u + 12u);
  // Epoch 4's step is zero: its length 0 and its cosines 0.
  EXPECT_EQ(Words(ip[33 + 4])[1], "0.00000");

  // "PCA / ICA Directions" writes nothing.
  PCAICADirections(*wb);
  EXPECT_TRUE(plat.Messages.size() == 1u);
}

TEST_F(DirectionsTest, LocalPCASegmentsAndPicture) {
  EXPECT_EQ(SegmentStartEpoch(10, 1), 2);
  EXPECT_EQ(SegmentStartEpoch(10, 3), 8);
  EXPECT_EQ((std::vector<int>{SegmentStartEpoch(3, 0), SegmentStartEpoch(3, 1), SegmentStartEpoch(3, 2),
                              SegmentStartEpoch(3, 3), SegmentStartEpoch(3, 4)}),
            (std::vector<int>{0, 1, 2, 2, 3}));
  Build();
  RunLocalPCA(*wb);
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, SurfaceFirstMessage);
  plat.Messages.clear();
  Surface();

  // The picture after the first drawing.
  wb->Form1.LGEdit.SetText("4");
  wb->PlotLines = 4;
  wb->Form1.ESFixedEdit.SetText("-1");
  const QImage before = Pictures(wb->NG3D).SurfaceBitmap.copy();
  DrawLocalPCASurface(*wb, 0);
  const QImage first = Pictures(wb->NG3D).SurfaceBitmap.copy();
  EXPECT_NE(first, before);
  EXPECT_EQ(wb->CentreWeights, std::vector<double>(wb->CentreWeights.size(), 0.0));
  Pictures(wb->NG3D).SurfaceBitmap = before.copy();
  wb->NumOfEpochs = 10;
  RunLocalPCA(*wb);
  EXPECT_TRUE(plat.Messages.empty());
  EXPECT_EQ(Pictures(wb->NG3D).SurfaceBitmap, first);
  ASSERT_EQ(wb->LocalPCASegments.size(), 4u);
  const int want[4][2] = {{0, 2}, {2, 5}, {5, 8}, {8, 10}};
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(wb->LocalPCASegments[k].StartEpoch, want[k][0]) << k;
    EXPECT_EQ(wb->LocalPCASegments[k].EndEpoch, want[k][1]) << k;
    EXPECT_TRUE(wb->LocalPCASegments[k].Ready);
    EXPECT_EQ(wb->LocalPCASegments[k].Dir2, wb->PrincipalComponents[1]);
  }
  // The grid: 5 lines of 299 points in each family, the first family's point (c1, c2) at 0.8 V E.
  ASSERT_EQ(wb->NG3D.SurfaceGrid[0].size(), 5u);
  ASSERT_EQ(wb->NG3D.SurfaceGrid[0][0].size(), 299u);
  const double V = wb->NG3D.Box.Height / (static_cast<double>(wb->Layers.back()) * wb->NumOfVectors);
  std::vector<double> w(wb->CentreWeights.size());
  for (std::size_t k = 0; k < w.size(); ++k)
    w[k] = -1 * (wb->ThreeDscale / 2) * wb->PlotComponents[1][k] + 10 * (wb->ThreeDscale / 149) * wb->PlotComponents[0][k];
  SetFlatWeights(*wb, w);
  EXPECT_FLOAT_EQ(wb->NG3D.SurfaceGrid[0][1][159], static_cast<float>(V * 0.8 * ComputeError(*wb, 1)));
}

}  // namespace
}  // namespace wl

// The error surface: the box geometry and its projection, the grid over two components of an XOR run with
// a hand-made history (sampled on threads and serially), the point pick, the exports and the search for
// a lower error along the components.
#include "analysis/error_surface.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/canvas.h"
#include "analysis/ng3d_pictures.h"
#include "model/create_network.h"
#include "model/data_file.h"
#include "model/error_functions.h"
#include "model/eval_options.h"
#include "model/layer_transfer.h"
#include "model/plane_sampler.h"
#include "model/read_parameters.h"
#include "platform/numfmt.h"
#include "state/workbench.h"
#include "analysis/recorded_run_test_env.h"
#include "support/test_support.h"
#include "training/prepare_run.h"

namespace wl {
namespace {

TEST(SurfaceBoxTest, GeometryAtPointSizesOneTwoAndNine) {
  struct Case {
    int P;
    std::vector<int> Want;  // height, left, top, lift, axis 1 dx, dy, axis 2 dx, dy
  };
  const Case cases[] = {{1, {298, 38, 21, 18, 255, 153, 280, 102}}, {2, {596, 76, 42, 36, 510, 306, 561, 204}}};
  for (const Case& c : cases) {
    const SurfaceBox b = SurfaceBoxFor(c.P);
    EXPECT_EQ((std::vector<int>{b.Height, b.Left, b.Top, b.Lift, b.Axis1DX, b.Axis1DY, b.Axis2DX, b.Axis2DY}), c.Want)
        << c.P;
    EXPECT_EQ(b.PictureWidth, 629 * c.P);
    EXPECT_EQ(b.PictureHeight, 613 * c.P);
  }
  EXPECT_EQ(SurfaceBoxFor(9).Axis2DX, 2525);
  EXPECT_EQ(SurfaceBoxFor(9).Scale, 7.65);

  // The corners of the bottom face, and the projection of the face's corners at height 0 onto them.
  const SurfaceBox b = SurfaceBoxFor(1);
  const BoxCorners k = BottomCorners(b);
  EXPECT_EQ(k.A, QPoint(38, 21 + 153 + 298));
  EXPECT_EQ(k.B, QPoint(38 + 255, 21 + 298));
  EXPECT_EQ(k.C, QPoint(38 + 255 + 280, 21 + 102 + 298));
  EXPECT_EQ(k.D, QPoint(38 + 280, 21 + 102 + 153 + 298));
  EXPECT_EQ(ProjectSurfacePoint(b, 0, 0, 0), k.B);
  EXPECT_EQ(ProjectSurfacePoint(b, 1, 0, 0), k.A);
  EXPECT_EQ(ProjectSurfacePoint(b, 0, 1, 0), k.C);
  EXPECT_EQ(ProjectSurfacePoint(b, 1, 1, 0), k.D);
  EXPECT_EQ(ProjectSurfacePoint(b, 0, 0, 10), QPoint(k.B.x(), k.B.y() - 10));

  // The face test: the centre lies on the face, points beyond each edge do not.
  EXPECT_TRUE(InsideBottomFace(b, (255 + 280) / 2, (153 + 102) / 2));
  EXPECT_FALSE(InsideBottomFace(b, -20, 0));
  EXPECT_FALSE(InsideBottomFace(b, 600, 100));
  EXPECT_FALSE(InsideBottomFace(b, 268, 400));
}

TEST(SurfaceBoxTest, AxisLabelsFollowTheRangeAndTheMirrors) {
  ScriptedPlatform plat;
  Workbench wb(plat, "/nonexistent/weightlab");
  wb.NG3D.Box = SurfaceBoxFor(1);
  wb.PointSize = 1;
  wb.ThreeDscale = 100;
  wb.C1Index = 0;
  wb.C2Index = 1;
  std::vector<SurfaceLabel> l = SurfaceAxisLabels(wb);
  ASSERT_EQ(l.size(), 9u);
  EXPECT_EQ(l[0].Text, "-100");
  EXPECT_EQ(l[1].Text, "c2");
  EXPECT_EQ(l[2].Text, "100");
  EXPECT_EQ(l[3].Text, "100");
  EXPECT_EQ(l[4].Text, "-100");
  EXPECT_EQ(l[5].Text, "c1");
  EXPECT_EQ(l[6].Text, "0");
  EXPECT_EQ(l[7].Text, "1");
  EXPECT_EQ(l[8].Text, "E");
  // -r at L - f - f/4, below the left corner.
  EXPECT_EQ(l[0].X, 38 - 20 - 5);
  EXPECT_EQ(l[0].Y, 298 + 153 + 21 + 13);
  wb.NG3D.MirrorC1 = -1;
  wb.ThreeDscale = 5;
  l = SurfaceAxisLabels(wb);
  EXPECT_EQ(l[3].Text, "-5");  // n near D changes sign
  EXPECT_EQ(l[2].Text, "5");
  wb.ThreeDscale = 1234;
  wb.NG3D.MirrorC1 = 1;
  EXPECT_EQ(SurfaceAxisLabels(wb)[3].Text, "1200");
}

// XOR with a network from a fixed seed and a hand-made history of 13 epochs (0 .. 12): epoch e moves
// the weights along two fixed patterns, so that the trajectory spans a plane.
class ErrorSurfaceTest : public test::RecordedRunTest {
 protected:
  void SetUp() override {
    OpenXor("wl_es_", "12");
    ASSERT_NO_FATAL_FAILURE(PrepareRun("BP"));
    ASSERT_EQ(wb->NumOfEpochs, 12);
    start = FlatWeights(*wb);
    FillPlaneHistory();
    wb->Form1.PSEdit.SetItemIndex(0);
    wb->Form1.WMepEdit.SetText("12");
    wb->StartError = 1.0;
  }
};

TEST_F(ErrorSurfaceTest, PoorQualityGridTrajectoryAndRestoredWeights) {
  wb->Form1.ESQBox.SetItemIndex(2);  // poor
  wb->SamplerThreads = 3;
  PlotErrorSurfacePCA(*wb, 1);
  ASSERT_TRUE(wb->ESDone) << (plat.Messages.empty() ? std::string() : plat.Messages.back().Text);
  EXPECT_EQ(wb->PlotLines, 20);
  EXPECT_EQ(wb->ESGridStep, 4);
  EXPECT_EQ(FlatWeights(*wb), start);
  EXPECT_EQ(wb->Form1.ep.Text(), " done");
  EXPECT_TRUE(wb->GTP.ComparisonSurface.has_value());
  EXPECT_EQ(wb->NG3D.LGEdit.Text(), "25");  // copied from the main window before the cap

  // 21 lines of 75 samples in both families; the sample at (c1, c2) is F * E(W0 + c1 PC1 + c2 PC2).
  const std::vector<double> w0(wb->WeightHistory.Row(1).begin(), wb->WeightHistory.Row(1).end());
  const double F = 298.0 / (static_cast<double>(wb->Layers.back()) * wb->NumOfVectors);
  auto sample = [&](double c1, double c2) {
    std::vector<double> w(w0);
    for (std::size_t k = 0; k < w.size(); ++k)
      w[k] = w0[k] + c2 * wb->PlotComponents[1][k] + c1 * wb->PlotComponents[0][k];
    SetFlatWeights(*wb, w);
    const double e = TrainingSetError(*wb);
    SetFlatWeights(*wb, start);
    return static_cast<float>(F * e);
  };
  const double pixel = 100.0 / 149, line = 100.0 / 10;
  EXPECT_FLOAT_EQ(wb->NG3D.SurfaceGrid[0][10][0], sample(-149 * pixel, 0));
  EXPECT_FLOAT_EQ(wb->NG3D.SurfaceGrid[0][3][74], sample((-149 + 4 * 74) * pixel, -7 * line));
  EXPECT_FLOAT_EQ(wb->NG3D.SurfaceGrid[1][12][5], sample(2 * line, (-149 + 20) * pixel));

  // The raw projection of every recorded epoch.
  for (std::size_t e : {0u, 5u, 12u}) {
    double s = 0;
    auto row = wb->WeightHistory.Row(e);
    for (std::size_t j = 0; j < row.size(); ++j) s += row[j] * wb->PrincipalComponents[0][j];
    EXPECT_DOUBLE_EQ(wb->TrajectoryCoords[0][e], s);
  }

  // Only the pure grid at high quality has a centre sample.
  wb->Form1.ESQBox.SetItemIndex(0);
  wb->Form1.LGEdit.SetText("4");
  wb->ESPlotMode = 0;
  PlotErrorSurfacePCA(*wb, 21);
  EXPECT_FLOAT_EQ(wb->NG3D.SurfaceGrid[0][2][149], sample(0, 0));
}

TEST_F(ErrorSurfaceTest, ThreadedSamplingEqualsTheSerialLoopBitForBit) {
  const std::size_t n = start.size();
  std::vector<double> d1(n), d2(n);
  for (std::size_t k = 0; k < n; ++k) {
    d1[k] = std::sin(1.0 + k);
    d2[k] = std::cos(2.0 + 3.0 * k);
  }
  std::vector<PlaneLine> lines;
  for (int i = -6; i <= 6; ++i) {
    PlaneLine L;
    L.Base.resize(n);
    for (std::size_t k = 0; k < n; ++k) L.Base[k] = start[k] + i * 0.7 * d2[k];
    L.Direction = &d1;
    L.Step = 0.13;
    L.First = -40;
    L.Stride = 3;
    L.Count = 27;
    lines.push_back(L);
  }
  auto run = [&](int threads) {
    PlaneSamplerOptions o;
    o.Eval = HeldEvalOptions(*wb);
    o.Threads = threads;
    std::vector<std::vector<double>> out;
    std::vector<std::size_t> order;
    SamplePlane(*wb, lines, o, [&](std::size_t L, const std::vector<double>& v) {
      order.push_back(L);
      out.push_back(v);
    });
    EXPECT_EQ(order.size(), lines.size());
    for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], i);
    EXPECT_EQ(FlatWeights(*wb), start);
    return out;
  };
  const auto serial = run(1);
  for (int threads : {2, 5}) {
    const auto threaded = run(threads);
    ASSERT_EQ(threaded.size(), serial.size());
    for (std::size_t L = 0; L < serial.size(); ++L) {
      ASSERT_EQ(threaded[L].size(), serial[L].size());
      EXPECT_EQ(std::memcmp(threaded[L].data(), serial[L].data(), serial[L].size() * sizeof(double)), 0) << L;
    }
  }
}

TEST_F(ErrorSurfaceTest, HighQualityExportsPictureAndPick) {
  wb->Form1.ESQBox.SetItemIndex(0);
  PlotErrorSurfacePCA(*wb, 1);
  ASSERT_TRUE(wb->ESDone);
  ErrorSurfaceEpsButton(*wb);
  const auto lines = test::Lines(test::ReadText(dir / "results" / "xor_100_eps.txt"));
  ASSERT_GE(lines.size(), 25u);
  int nonEmpty = 0;
  for (const std::string& l : lines)
    if (!Trim(l).empty()) {
      ++nonEmpty;
      EXPECT_EQ(l.size() - (l.back() == '\r' ? 1 : 0), 29u * 25u) << l;
    }
  EXPECT_EQ(nonEmpty, 25);
  EXPECT_TRUE(std::filesystem::exists(dir / "PCA" / "eps.txt"));

  // The picture's name, and the file read back.
  SaveErrorSurface(*wb, 0);
  const std::string name = "xor_100_100pp_" + IntToStr(wb->Layers[0]) + "-" + IntToStr(wb->Layers[1]) + "-" +
                           IntToStr(wb->Layers[2]) + "-cm_0-12_c1-c2_s1.gif";
  const std::string path = (dir / "results" / name).string();
  int err = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &err);
  ASSERT_NE(gif, nullptr) << path;
  ASSERT_EQ(DGifSlurp(gif), GIF_OK);
  EXPECT_EQ(gif->SWidth, 629);
  EXPECT_EQ(gif->SHeight, 613);
  DGifCloseFile(gif, &err);

  // Black box edges, and the surface in the pen's colour.
  Canvas c(Pictures(wb->NG3D).SurfaceBitmap);
  const BoxCorners k = BottomCorners(wb->NG3D.Box);
  EXPECT_EQ(c.Pixel((k.A.x() + k.B.x()) / 2, (k.A.y() + k.B.y()) / 2), clBlack);
  EXPECT_EQ(c.Pixel(k.B.x(), k.B.y() - 100), clBlack);
  const QImage& img = Pictures(wb->NG3D).SurfaceBitmap;
  int nonWhite = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (c.Pixel(x, y) != clWhite && c.Pixel(x, y) != clBlack) ++nonWhite;
  EXPECT_EQ(nonWhite, 0);  // pen colour black (item 0)

  // The pick at the picture position of (c1, c2) gives them back.
  const SurfaceBox& b = wb->NG3D.Box;
  const QPoint p = ProjectSurfacePoint(b, 0.5, 0.5, 0);
  const int dx = p.x() - b.Left - 2, dy = b.PictureHeight - b.Top - p.y() + 2 - b.Lift;
  ErrorAtPlotPoint(*wb, dx + 2, dy - 2);
  EXPECT_NEAR(StrToFloat(wb->NG3D.c1edit.Text()), 0.0, 1.0);
  EXPECT_NEAR(StrToFloat(wb->NG3D.c2Edit.Text()), 0.0, 1.0);
  const QPoint q = ProjectSurfacePoint(b, 0.25, 0.75, 0);
  ErrorAtPlotPoint(*wb, q.x() - b.Left, b.PictureHeight - b.Top - q.y() - b.Lift);
  // A quarter along c1 from its -range side, three quarters along c2.
  EXPECT_NEAR(StrToFloat(wb->NG3D.c1edit.Text()), -50.0, 1.0);
  EXPECT_NEAR(StrToFloat(wb->NG3D.c2Edit.Text()), 50.0, 1.0);

  // With "SMLP" chosen the error of the picked weights comes from the step network's evaluation.
  static std::vector<double> evaluated;
  evaluated.clear();
  wb->Hooks.EvaluateNetwork = [](Workbench& w) {
    evaluated = FlatWeights(w);
    return 2.5;
  };
  wb->Form1.strbox.SetChecked(true);
  ErrorAtPlotPoint(*wb, q.x() - b.Left, b.PictureHeight - b.Top - q.y() - b.Lift);
  EXPECT_EQ(wb->NG3D.erEdit.Text(), "2.500");
  EXPECT_EQ(wb->CurrentError, 2.5);
  // The network holds the picked weights when it is evaluated and keeps them.
  const std::vector<double> picked = FlatWeights(*wb);
  ASSERT_EQ(picked.size(), static_cast<std::size_t>(wb->NumOfWeights));
  EXPECT_EQ(evaluated, picked);
  EXPECT_TRUE(std::any_of(picked.begin(), picked.end(), [](double w) { return w != 0.0; }));
  EXPECT_TRUE(plat.Messages.empty());
}

TEST_F(ErrorSurfaceTest, RefusalsAndTheirMessages) {
  // Nothing before a first surface.
  ErrorSurfaceEpsButton(*wb);
  PlotErrorSurfacePCAV(*wb);
  MirrorSurfaceC1(*wb);
  SaveErrorSurface(*wb, 0);
  EXPECT_TRUE(plat.Messages.empty());
  PCABasedTraining(*wb);
  ASSERT_EQ(plat.Messages.size(), 1u);
  wb->Form1.LGEdit.SetText("1");
  PlotErrorSurfacePCA(*wb, 1);
  EXPECT_EQ(plat.Messages.size(), 2u);
  EXPECT_FALSE(wb->ESDone);
  wb->Form1.LGEdit.SetText("25");
  wb->Form1.ESFixedEdit.SetText("13");
  PlotErrorSurfacePCA(*wb, 1);
  EXPECT_EQ(plat.Messages.back().Text, "ES fixed at epoch 13 is beyond the last epoch 12");
  wb->Form1.ESFixedEdit.SetText("1");
  PlotErrorSurfacePCA(*wb, 1);  // poor
  ASSERT_TRUE(wb->ESDone);
  ErrorSurfaceEpsButton(*wb);
  EXPECT_EQ(plat.Messages.back().Text, "First Perform the Plot in High Quality");
  EXPECT_FALSE(std::filesystem::exists(dir / "results" / "xor_100_eps.txt"));
  wb->Form1.PCAminEdit.SetText("7");
  FindPCAMinimum(*wb);
  EXPECT_NE(plat.Messages.back().Text.find("PCs for minimum"), std::string::npos);
}

TEST_F(ErrorSurfaceTest, PCAMinimumScansTheLineAndKeepsTheBestPoint) {
  PlotErrorSurfacePCA(*wb, 1);
  ASSERT_TRUE(wb->ESDone);
  wb->Form1.PCAminEdit.SetText("2");
  const double e0 = ComputeError(*wb);
  FindPCAMinimum(*wb);
  const std::string ge = wb->Form1.ge.Text();
  const int kbest = StrToInt(ge.substr(ge.rfind(' ') + 1));
  EXPECT_LE(wb->CurrentError, e0);
  EXPECT_EQ(ge, FormatFixed(wb->CurrentError, 4) + "   " + IntToStr(kbest));
  // The network holds the best point: start + 0.01 kbest d.
  std::vector<double> d(start.size(), 0.0);
  for (int j = 0; j < 2; ++j)
    for (std::size_t i = 0; i < d.size(); ++i) d[i] += wb->Eigenvalues[j] * wb->PlotComponents[j][i];
  const std::vector<double> now = FlatWeights(*wb);
  for (std::size_t i = 0; i < d.size(); ++i) EXPECT_DOUBLE_EQ(now[i], start[i] + 0.01 * kbest * d[i]);
  // From the best point no point of the line is better: kbest 0.
  FindPCAMinimum(*wb);
  const std::string again = wb->Form1.ge.Text();
  EXPECT_EQ(again.back(), '0') << again;
}

}  // namespace
}  // namespace wl

// The weight windows drawn off-screen: the picture's geometry, the bars' colours and lengths, the hint,
// the saved pictures' names, and a closed window brought back by the selector.
#include "analysis/weight_forms.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/canvas.h"
#include "state/workbench.h"
#include "shell/on_top.h"
#include "support/qt_app_env.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

// A 4-5-3 network of weights 0.1, except one output weight 1.5 and one hidden weight -0.25.
class WeightFormsTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_wforms_", {"results"});
    std::vector<std::vector<double>> hidden(5, std::vector<double>(5, 0.1)), out(3, std::vector<double>(6, 0.1));
    hidden[0][0] = -0.25;
    out[0][0] = 1.5;
    test::SetNetwork(*wb, {4, 5, 3}, {hidden, out});
    wb->NumOfWeights = 43;
    wb->DataBaseName = "iris";
    wb->ResultsPrefix = (dir / "results" / "iris_5").string();
  }
  TWfr& Form(int k) { return wb->WeightForms[static_cast<std::size_t>(k)]; }
};

TEST_F(WeightFormsTest, PictureOfA453NetworkAtPointSizeOne) {
  ShowWeightForm(*wb, 0);
  const TWfr& f = Form(0);
  EXPECT_EQ(f.Caption(), "ES Weights     iris 4-5-3");
  EXPECT_EQ(f.Bars.size(), 43u);
  EXPECT_EQ(f.Geometry.T, 2);
  EXPECT_EQ(f.Geometry.H, 342);
  EXPECT_EQ(Picture(f)->width(), 629);
  EXPECT_EQ(Picture(f)->height(), 342);
  EXPECT_EQ(f.Geometry.X0, 314);  // 314.5 to the even neighbour
  EXPECT_TRUE(wb->WeightFormOpen[0]);
  EXPECT_TRUE(wb->WeightFormExists[0]);
  EXPECT_EQ(plat.ShownWindows.back(), "WeightForm0");
  EXPECT_EQ(f.ButtonsTop, 342 + 80 - 64);

  QImage picture = *Picture(f);
  Canvas c(picture);
  // The first output bar (1.5): red, 30 pixels to the right of the zero column, on its row.
  const WeightBar& big = f.Bars[25];
  EXPECT_EQ(big.Y, 26 + 5 * 40);
  EXPECT_EQ(big.X2 - big.X1, 30);
  for (int x = big.X1 + 2; x <= big.X2 - 1; ++x) EXPECT_EQ(c.Pixel(x, big.Y), clRed) << x;
  EXPECT_NE(c.Pixel(big.X2 + 3, big.Y), clRed);
  // The first hidden bar (-0.25): purple, 5 pixels to the left.
  const WeightBar& small = f.Bars[0];
  EXPECT_EQ(small.Y, 26);
  EXPECT_EQ(small.X1 - small.X2, 5);
  EXPECT_EQ(c.Pixel(small.X1 - 3, small.Y), clPurple);
  // Grid lines: black every fifth unit, silver between; a white frame.
  EXPECT_EQ(c.Pixel(f.Geometry.X0 - 1 + 100, 100), clBlack);
  EXPECT_EQ(c.Pixel(f.Geometry.X0 - 1 + 20, 100), clSilver);
  EXPECT_EQ(c.Pixel(f.Geometry.Wp - 2, 100), clWhite);

  // Window 1 sits at the bottom of the screen.
  ShowWeightForm(*wb, 1);
  EXPECT_EQ(Form(1).Top, wb->ScreenHeight - (342 + 80));
  EXPECT_EQ(Form(1).Left, wb->ScreenWidth - 640);
  EXPECT_EQ(Form(1).Caption(), "Trajectory Weights     iris 4-5-3");
}

TEST_F(WeightFormsTest, LargeNetworksGetThinBars) {
  const std::vector<int> layers{60, 30, 3};
  const int inputs[] = {60, 30};
  const WeightPictureGeometry g = WeightPictureLayout(layers, inputs, 3, 1, 768);
  EXPECT_EQ(g.T, 1);
  EXPECT_EQ(g.H, 26 + 30 * (2 * 61 + 10) + 3 * (2 * 31 + 10) - 8);
  EXPECT_EQ(g.Wp, 612);  // taller than the screen
  const WeightPictureGeometry two = WeightPictureLayout(layers, inputs, 3, 2, 768);
  EXPECT_EQ(two.T, 2);
}

// The picture holds every bar, whichever thickness the network's size gives: the last bar lies above the
// frame at the bottom, drawn in the output layer's red.
TEST_F(WeightFormsTest, EveryBarLiesInsideThePicture) {
  struct Case {
    std::vector<int> Layers;
    int P;
    int T;
  };
  const Case cases[] = {{{4, 5, 3}, 1, 2}, {{30, 10, 2}, 1, 1}, {{30, 10, 2}, 2, 2}, {{60, 30, 3}, 1, 1}, {{9, 2}, 1, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.Layers) + " P=" + std::to_string(c.P));
    std::vector<std::vector<std::vector<double>>> weights;
    for (std::size_t l = 1; l < c.Layers.size(); ++l)
      weights.emplace_back(static_cast<std::size_t>(c.Layers[l]),
                           std::vector<double>(static_cast<std::size_t>(c.Layers[l - 1]) + 1, 0.5));
    test::SetNetwork(*wb, c.Layers, weights);
    wb->Form1.PSEdit.SetText(std::to_string(c.P));
    ShowWeightForm(*wb, 0);
    const TWfr& f = Form(0);
    const WeightPictureGeometry& g = f.Geometry;
    EXPECT_EQ(g.T, c.T);
    ASSERT_FALSE(f.Bars.empty());
    const WeightBar& last = f.Bars.back();
    EXPECT_LE(last.Y + g.T, g.H - 2) << "H = " << g.H;
    QImage picture = *Picture(f);
    Canvas canvas(picture);
    EXPECT_EQ(canvas.Pixel(last.X1 + 5, last.Y), clRed);
    if (const char* out = std::getenv("WL_SCREENSHOT_DIR"))
      picture.save(QString::fromStdString(std::string(out) + "/weights_" + std::to_string(c.Layers[0]) + "_" +
                                          std::to_string(c.Layers[1]) + "_P" + std::to_string(c.P) + ".png"));
  }
}

// A weight beyond what the picture's half width shows (about 15.6) is cut short of the edge and ends in an
// arrowhead that points on; one just inside is drawn as it is.
TEST_F(WeightFormsTest, BarsBeyondThePictureEndInAnArrowhead) {
  std::vector<std::vector<double>> hidden(5, std::vector<double>(5, 0.1)), out(3, std::vector<double>(6, 0.1));
  hidden[0][0] = 40.0;
  hidden[0][1] = -1.0e9;
  hidden[0][2] = 15.0;
  test::SetNetwork(*wb, {4, 5, 3}, {hidden, out});
  ShowWeightForm(*wb, 0);
  const TWfr& f = Form(0);
  QImage picture = *Picture(f);
  Canvas c(picture);
  const int Wp = f.Geometry.Wp, T = f.Geometry.T, base = f.Geometry.X0 - 1;
  struct Case {
    std::size_t Bar;
    int End, Dir;
  };
  for (const Case& k : {Case{0, Wp - 3, 1}, Case{1, 2, -1}}) {
    SCOPED_TRACE(k.Bar);
    const WeightBar& b = f.Bars[k.Bar];
    EXPECT_EQ(b.X2, k.End);
    // The bar up to the arrowhead, the head wider than the bar and tapering to its tip, nothing beyond.
    EXPECT_EQ(c.Pixel(base + k.Dir * 100, b.Y), clPurple);
    const int cut = k.End - k.Dir * 6;
    auto height = [&](int x) {
      int n = 0;
      for (int y = b.Y - 2 * T; y <= b.Y + 2 * T; ++y) n += c.Pixel(x, y) == clPurple;
      return n;
    };
    EXPECT_EQ(height(cut - k.Dir * 3), T);
    EXPECT_GE(height(cut), T + 2);
    EXPECT_LT(height(k.End - k.Dir), height(cut));
    EXPECT_EQ(c.Pixel(k.End - k.Dir, b.Y), clPurple);
    EXPECT_NE(c.Pixel(k.End + k.Dir * 2, b.Y), clPurple);
  }
  // 15: 300 pixels, inside.
  EXPECT_EQ(f.Bars[2].X2, base + 300);
  EXPECT_NE(c.Pixel(base + 300 - 6, f.Bars[2].Y - T), clPurple);
}

TEST_F(WeightFormsTest, HintShowsTheBarUnderThePointer) {
  ShowWeightForm(*wb, 0);
  TWfr& f = Form(0);
  const WeightBar& big = f.Bars[25];
  WeightFormMouseMove(*wb, f, big.X1 + 10, big.Y + 1);
  EXPECT_TRUE(f.HintOn);
  EXPECT_EQ(f.Hint, "1.5");
  WeightFormMouseMove(*wb, f, big.X1 + 10, big.Y + 2);  // between two bars
  EXPECT_FALSE(f.HintOn);
  WeightFormMouseMove(*wb, f, big.X2 + 3, big.Y);  // beyond its end
  EXPECT_FALSE(f.HintOn);
  WeightFormMouseMove(*wb, f, f.Bars[0].X2 - 1, f.Bars[0].Y);
  EXPECT_EQ(f.Hint, "-0.25");
}

TEST_F(WeightFormsTest, SavesTakeConsecutiveNumbers) {
  // Before the first show the window has no picture: nothing is saved.
  SaveWeightPicture(*wb, Form(0));
  EXPECT_EQ(wb->WeightsPictureNo, 1);
  ShowWeightForm(*wb, 0);
  SaveWeightPicture(*wb, Form(0));
  SaveWeightPicture(*wb, Form(0));
  EXPECT_TRUE(fs::exists(wb->ResultsPrefix + "_Eweights_1.gif"));
  EXPECT_TRUE(fs::exists(wb->ResultsPrefix + "_Eweights_2.gif"));
  plat.SaveAnswers.push_back("results/mine");
  SaveWeightPictureAs(*wb, Form(0));
  EXPECT_TRUE(fs::exists(dir / "results" / "mine.gif"));
  EXPECT_EQ(plat.Dialogs.back().InitialDir, dir.string() + "/results/");
  ShowWeightForm(*wb, 1);
  SaveWeightPicture(*wb, Form(1));
  EXPECT_TRUE(fs::exists(wb->ResultsPrefix + "_Tweights_4.gif"));
  EXPECT_EQ(wb->WeightsPictureNo, 5);
}

TEST_F(WeightFormsTest, AClosedWindowBroughtBackKeepsItsPicture) {
  ShowWeightForm(*wb, 0);
  CloseWeightForm(*wb, Form(0));
  EXPECT_FALSE(wb->WeightFormOpen[0]);
  ChooseTopForm(*wb, 3);
  EXPECT_EQ(plat.ShownWindows.back(), "WeightForm0");
  EXPECT_TRUE(wb->WeightFormOpen[0]);
  SaveWeightPicture(*wb, Form(0));
  EXPECT_TRUE(fs::exists(wb->ResultsPrefix + "_Eweights_1.gif"));
  WeightFormClick(*wb, Form(0));
  EXPECT_EQ(Pictures(Form(0)).Image1Picture.size(), Picture(Form(0))->size());
  // Window 1 was never shown: the selector leaves it alone.
  ChooseTopForm(*wb, 4);
  EXPECT_FALSE(wb->WeightFormOpen[1]);
}

}  // namespace
}  // namespace wl

// The data-visualisation window's scatter plot, drawn off-screen: the markers of each class at the
// formula's pixels and in the palette's colours, the point size, the grid, the captions, and saving.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "analysis/canvas.h"
#include "analysis/graph_data_pictures.h"
#include "analysis/viewer_pictures.h"
#include "platform/numfmt.h"
#include "shell/command.h"
#include "shell/data_visualization.h"
#include "support/qt_app_env.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

class GraphDataTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_graphdata_", {"results"});
    ConnectHandlers(*wb);
    // Three vectors of three classes: (1, 2), (3, 5), (5, 8); the ranges are 1..5 and 2..8.
    SetSet({{1.0, 2.0}, {3.0, 5.0}, {5.0, 8.0}}, {0, 1, 2}, 3);
  }
  void SetSet(std::vector<std::vector<double>> rows, std::vector<int> classes, int numClasses) {
    test::SetContinuousRows(*wb, std::move(rows));
    wb->Features[0].Name = "len";
    wb->Features[1].Name = "wid";
    wb->VectorClass = std::move(classes);
    wb->NumOfClasses = numClasses;
  }
  // A window with Y = "wid" and X = "len", started.
  TGraphData& Started(bool grid = false) {
    TGraphData& g = ShowDataVisualization(*wb);
    g.FYbox.SetText("wid", ChangeSource::User);
    g.FXbox.SetText("len", ChangeSource::User);
    if (grid) g.Grid.UserClick();
    g.StartButton.UserClick();
    return g;
  }
  std::int64_t Pixel(TGraphData& g, int x, int y) {
    Canvas c(Pictures(g).DataPlotBitmap);
    return c.Pixel(x, y);
  }
  int CountColour(TGraphData& g, int x1, int y1, int x2, int y2, std::int64_t colour) {
    int n = 0;
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x) n += Pixel(g, x, y) == colour;
    return n;
  }
};

TEST_F(GraphDataTest, EachClassHasItsMarkerAndColourAtTheFormulasPixel) {
  wb->Form1.ep.SetText("40");
  TGraphData& g = Started();
  ASSERT_TRUE(plat.Messages.empty()) << plat.Messages[0].Text;
  ASSERT_TRUE(g.HasPicture);
  EXPECT_EQ(Pictures(g).DataPlotBitmap.size(), QSize(630, 550));
  // The feature ranges were recomputed, and the Epoch field shows the last run's epoch again.
  EXPECT_EQ(wb->Form1.ep.Text(), "40");

  // (1, 2): px = 50 + 11 = 61, py = 550 - 50 = 500; (3, 5): 326, 275; (5, 8): 591, 50.
  EXPECT_EQ(DataPlotPoint(3.0, 5.0, {1, 5}, {2, 8}, 1).X, 326);
  EXPECT_EQ(DataPlotPoint(3.0, 5.0, {1, 5}, {2, 8}, 1).Y, 275);
  struct Probe {
    int X, Y;
    std::int64_t Colour;
  };
  const Probe probes[] = {
      // A red cross: its centre and arms, nothing between the arms.
      {61, 500, clRed}, {64, 503, clRed}, {58, 497, clRed}, {64, 497, clRed}, {65, 500, clWhite},
      // A blue square from (-3, -3) to (+2, +2).
      {326, 275, clBlue}, {323, 272, clBlue}, {328, 277, clBlue}, {331, 275, clWhite},
      // A lime triangle pointing up.
      {591, 50, clLime}, {591, 47, clLime}, {588, 52, clLime}, {587, 46, clWhite},
  };
  for (const Probe& p : probes) EXPECT_EQ(Pixel(g, p.X, p.Y), p.Colour) << p.X << "," << p.Y;
  // The white edge and no grid.
  EXPECT_EQ(CountColour(g, 0, 0, 629, 0, clWhite), 630);
  EXPECT_EQ(CountColour(g, 100, 100, 600, 500, clGray), 0);
}

TEST_F(GraphDataTest, PointSizeTwoDoublesThePictureAndTheMarkers) {
  wb->Form1.PSEdit.SetText("2");
  TGraphData& g = Started();
  EXPECT_EQ(Pictures(g).DataPlotBitmap.size(), QSize(1260, 1100));
  EXPECT_EQ(Pixel(g, 122, 1000), clRed);
  EXPECT_EQ(Pixel(g, 128, 1006), clRed);
  EXPECT_EQ(Pixel(g, 646, 544), clBlue);
  EXPECT_EQ(Pixel(g, 656, 550), clBlue);
  EXPECT_EQ(g.PointSize, 2);
}

TEST_F(GraphDataTest, ClassSevenTakesTheFirstPenAgain) {
  SetSet({{1.0, 2.0}, {3.0, 5.0}, {5.0, 8.0}}, {0, 7, 6}, 8);
  TGraphData& g = Started();
  EXPECT_EQ(Pixel(g, 326, 275), clBlack);   // class 7: (7 + 1) mod 8 = 0
  EXPECT_EQ(Pixel(g, 591, 50), clYellow);   // class 6: the last pen
}

TEST_F(GraphDataTest, TheGridHasItsLinesAndLabels) {
  TGraphData& g = Started(true);
  // For a look by eye.
  if (const char* out = std::getenv("WL_SCREENSHOT_DIR"))
    Pictures(g).DataPlotBitmap.save(QString::fromStdString(std::string(out) + "/graph_data.png"));
  // The bottom line (v = maxY) and the vertical line of x = 1.
  EXPECT_EQ(Pixel(g, 300, 500), clGray);
  EXPECT_EQ(Pixel(g, 61, 300), clGray);
  // Labels left of the frame and under it, and the captions: the Y name turned at the left edge.
  EXPECT_GT(CountColour(g, 0, 485, 49, 515, clGray), 0);
  EXPECT_GT(CountColour(g, 50, 503, 75, 530, clGray), 0);
  EXPECT_GT(CountColour(g, 1, 60, 30, 140, clBlack), 0);
  EXPECT_GT(CountColour(g, 490, 528, 629, 549, clBlack), 0);
  EXPECT_EQ(TickStep({2, 8}), 1);
  EXPECT_EQ(TickStep({0, 150}), 16);
}

// Each horizontal grid line is labelled with the value at which a vector is drawn on it: from minY at the
// bottom line up, whatever the sign of the range (the square set: -2 .. 2; a standardised feature -3 .. 4;
// a range of 150 in steps of 16).
TEST_F(GraphDataTest, EachGridLineIsLabelledWithTheValueItStandsAt) {
  struct Case {
    AxisRange Range;
    int K;
    std::vector<std::string> Labels;  // the bottom line first
  };
  const Case cases[] = {
      {{-2, 2}, 1, {"-2.0", "-1.0", "0.0", "1.0", "2.0"}},
      {{-3, 4}, 1, {"-3.0", "-2.0", "-1.0", "0.0", "1.0", "2.0", "3.0", "4.0"}},
      {{2, 8}, 2, {"2.0", "3.0", "4.0", "5.0", "6.0", "7.0", "8.0"}},
      {{0, 150}, 1, {"0", "16", "32", "48", "64", "80", "96", "112", "128", "144"}},
      {{-40, 3}, 1, {"-40", "-35", "-30", "-25", "-20", "-15", "-10", "-5", "0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.Range.Min) + " .. " + std::to_string(c.Range.Max));
    std::vector<std::string> labels;
    for (const DataPlotGridLine& l : DataPlotYGrid(c.Range, c.K)) {
      labels.push_back(l.Label);
      EXPECT_EQ(l.Value, StrToFloat(l.Label));
      EXPECT_NEAR(l.Y, DataPlotPoint(0.0, l.Value, {0, 1}, c.Range, c.K).Y, 1) << l.Label;
    }
    EXPECT_EQ(labels, c.Labels);
  }
  // The picture of a set around 0: the bottom line, where the vector of y = -2 sits.
  SetSet({{-2.0, -2.0}, {0.5, 0.0}, {2.0, 1.5}}, {0, 1, 2}, 3);
  TGraphData& g = Started(true);
  EXPECT_EQ(Pixel(g, 300, 500), clGray);
  EXPECT_EQ(Pixel(g, 61, 500), clRed);
  if (const char* out = std::getenv("WL_SCREENSHOT_DIR"))
    Pictures(g).DataPlotBitmap.save(QString::fromStdString(std::string(out) + "/graph_data_around_zero.png"));
}

TEST_F(GraphDataTest, SaveWritesTheGifOnlyAfterStart) {
  wb->ResultsPrefix = (dir / "results" / "iris_86410").string();
  TGraphData& g = ShowDataVisualization(*wb);
  g.SaveGraphButton.UserClick();
  g.Button1.UserClick();
  EXPECT_TRUE(fs::is_empty(dir / "results"));
  EXPECT_TRUE(plat.Dialogs.empty());

  g.FYbox.SetText("wid", ChangeSource::User);
  g.FXbox.SetText("len", ChangeSource::User);
  g.StartButton.UserClick();
  g.SaveGraphButton.UserClick();
  const fs::path saved = dir / "results" / "iris_86410_1_0_s1.gif";
  ASSERT_TRUE(fs::exists(saved));
  EXPECT_EQ(ReadGifPicture(saved.string()).size(), QSize(630, 550));

  plat.SaveAnswers = {std::string("results/mine")};
  g.Button1.UserClick();
  ASSERT_EQ(plat.Dialogs.size(), 1u);
  EXPECT_EQ(g.SaveGraphDialog.FileName, (dir / "results" / "mine").string());
  EXPECT_EQ(plat.Dialogs[0].InitialDir, (dir / "results").string());
  EXPECT_TRUE(fs::exists(dir / "results" / "mine"));
  EXPECT_TRUE(plat.Messages.empty());
}

// A new window has the first two continuous features chosen (the first across, the second up), so that
// "START" draws at once; when the lists name no feature of the data set, "START" draws nothing and says
// what to do. A flat feature is an error.
TEST_F(GraphDataTest, AWindowStartsWithTheFirstTwoFeaturesAndSaysWhatToChoose) {
  TGraphData& g = ShowDataVisualization(*wb);
  EXPECT_EQ(g.FXbox.Text(), "len");
  EXPECT_EQ(g.FYbox.Text(), "wid");
  g.StartButton.UserClick();
  EXPECT_TRUE(plat.Messages.empty()) << plat.Messages[0].Text;
  EXPECT_TRUE(g.HasPicture);
  EXPECT_EQ(g.XIndex, 0);
  EXPECT_EQ(g.YIndex, 1);

  const std::string none = "There are no continuous features to draw: read a data set with continuous features, "
                           "then open \"Data Visualization\" again.";
  const struct {
    const char* Case;
    std::function<void(TGraphData&)> Prepare;
    std::string Message;
  } cases[] = {
      {"nothing chosen in Y", [](TGraphData& w) { w.FYbox.SetText("", ChangeSource::User); },
       "Choose a feature in \"Feature Y  (vertical)\" and in \"Feature X  (horizontal)\"."},
      {"nothing chosen in X", [](TGraphData& w) { w.FXbox.SetText("", ChangeSource::User); },
       "Choose a feature in \"Feature Y  (vertical)\" and in \"Feature X  (horizontal)\"."},
      {"a set read since without that feature", [this](TGraphData&) { wb->Features[1].Name = "height"; },
       "\"wid\" is not a feature of the data set read now: open \"Data Visualization\" again."},
      {"no continuous features", [](TGraphData& w) {
         for (ComboBox* box : {&w.FYbox, &w.FXbox}) {
           box->SetItems({});
           box->SetText("");
         }
       },
       none},
  };
  for (const auto& c : cases) {
    SetSet({{1.0, 2.0}, {3.0, 5.0}, {5.0, 8.0}}, {0, 1, 2}, 3);
    TGraphData& w = ShowDataVisualization(*wb);
    c.Prepare(w);
    plat.Messages.clear();
    w.StartButton.UserClick();
    EXPECT_FALSE(w.HasPicture) << c.Case;
    ASSERT_EQ(plat.Messages.size(), 1u) << c.Case;
    EXPECT_EQ(plat.Messages[0].Text, c.Message) << c.Case;
  }
  // A window opened on a set of discrete features only has nothing chosen and says so.
  wb->Features[0].Kind = wb->Features[1].Kind = 'd';
  TGraphData& discrete = ShowDataVisualization(*wb);
  EXPECT_EQ(discrete.FXbox.ItemIndex(), -1);
  plat.Messages.clear();
  discrete.StartButton.UserClick();
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, none);
  wb->Features[0].Kind = wb->Features[1].Kind = 'c';

  plat.Messages.clear();
  SetSet({{1.0, 3.0}, {2.0, 3.0}, {4.0, 3.0}}, {0, 1, 0}, 2);
  Started();
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "Floating point division by zero");
}

}  // namespace
}  // namespace wl

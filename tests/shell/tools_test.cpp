// "Tools": the font window lays the main window out again for a percentage, "S+P" writes the square data
// set, the data-visualisation windows come and go (the selector finds the newest still open).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/command.h"
#include "shell/data_visualization.h"
#include "shell/font_window.h"
#include "shell/on_top.h"
#include "shell/shell_test_env.h"

namespace wl {
namespace {

class ToolsTest : public test::ShellTest {
 protected:
  ToolsTest() { ConnectHandlers(*wb); }
};

TEST_F(ToolsTest, FontsOKLaysTheMainWindowOutForThePercentage) {
  wb->ScreenWidth = 1280;
  wb->FontPct = 96;
  wb->Form1.Fonts2.UserClick();
  EXPECT_EQ(wb->Form2.MaskEdit1.Text(), "96");
  EXPECT_EQ(wb->Form2.Left, 300);
  EXPECT_EQ(wb->Form2.Top, 200);
  EXPECT_EQ(plat.ShownWindows.back(), "Form2");
  EXPECT_EQ(wb->Form2.FocusRequested(), "MaskEdit1");

  struct Case {
    const char* Pct;
    WindowRect Form, Pages, Group;
  };
  const Case cases[] = {
      {"120", {480, 0, 800, 768}, {0, 0, 792, 470}, {12, 482, 768, 218}},
      // 100 / 120: 666.67 -> 667, 640, 660, 391.67 -> 392, 10, 401.67 -> 402, 181.67 -> 182.
      {"100", {613, 0, 667, 640}, {0, 0, 660, 392}, {10, 402, 640, 182}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Pct);
    wb->Form2.MaskEdit1.UserSetText(c.Pct);
    wb->Form2.Button1.UserClick();
    EXPECT_EQ(wb->FontPct, std::stoi(c.Pct));
    const WindowRect& r = wb->MainFormRect;
    EXPECT_EQ(std::vector<int>({r.Left, r.Top, r.Width, r.Height}),
              std::vector<int>({c.Form.Left, c.Form.Top, c.Form.Width, c.Form.Height}));
    EXPECT_EQ(wb->PagesRect.Width, c.Pages.Width);
    EXPECT_EQ(wb->PagesRect.Height, c.Pages.Height);
    EXPECT_EQ(wb->ProgressGroupRect.Left, c.Group.Left);
    EXPECT_EQ(wb->ProgressGroupRect.Top, c.Group.Top);
    EXPECT_EQ(wb->ProgressGroupRect.Width, c.Group.Width);
    EXPECT_EQ(wb->ProgressGroupRect.Height, c.Group.Height);
    EXPECT_EQ(plat.HiddenWindows.back(), "Form2");
    EXPECT_EQ(plat.RepaintedWindows.back(), "Form1");
  }
  EXPECT_TRUE(plat.Messages.empty());

  // The focus passing over "OK" (a Tab towards "Cancel") applies nothing; only its press does.
  const WindowRect laidOut = wb->MainFormRect;
  const std::size_t hidden = plat.HiddenWindows.size();
  wb->Form2.MaskEdit1.UserSetText("120");
  wb->Form2.Button1.EnterFocus();
  EXPECT_EQ(wb->FontPct, 100);
  EXPECT_EQ(wb->MainFormRect.Width, laidOut.Width);
  EXPECT_EQ(plat.HiddenWindows.size(), hidden);
  wb->Form2.Button1.UserClick();
  EXPECT_EQ(wb->MainFormRect.Width, 800);
}

TEST_F(ToolsTest, ABadPercentageMovesNothing) {
  const WindowRect before = wb->MainFormRect;
  const std::size_t repainted = plat.RepaintedWindows.size(), hidden = plat.HiddenWindows.size();
  // A letter (the program writes it: the mask takes digits only) and 0, which would leave no window.
  for (const char* text : {"1a", "0"}) {
    wb->Form2.MaskEdit1.SetText(text);
    wb->Form2.Button1.UserClick();
  }
  ASSERT_EQ(plat.Messages.size(), 2u);
  EXPECT_EQ(plat.Messages[0].Text, "'1a' is not a valid integer value");
  EXPECT_EQ(plat.Messages[1].Text, kFontPctZeroMessage);
  EXPECT_EQ(wb->FontPct, 120);
  EXPECT_EQ(wb->MainFormRect.Width, before.Width);
  EXPECT_EQ(wb->MainFormRect.Left, before.Left);
  EXPECT_EQ(plat.RepaintedWindows.size(), repainted);
  EXPECT_EQ(plat.HiddenWindows.size(), hidden);

  wb->Form2.Button2.UserClick();
  EXPECT_EQ(plat.HiddenWindows.back(), "Form2");
}

TEST_F(ToolsTest, SquareDataSetIsWrittenUnderTheNameWithDAT) {
  plat.SaveAnswers = {std::string("PCA/x"), std::string("PCA/x.DAT"), std::nullopt};
  std::filesystem::create_directories(PathOf("PCA"));
  for (int i = 0; i < 3; ++i) wb->Form1.R.UserClick();
  EXPECT_EQ(plat.Dialogs[0].Dialog, "SaveDialog1");
  EXPECT_EQ(plat.Dialogs[0].InitialDir, PathOf("PCA"));
  EXPECT_TRUE(plat.Messages.empty());

  const std::vector<std::string> lines = test::Lines(Read("PCA/x.DAT"));
  ASSERT_EQ(lines.size(), 10007u);
  const std::vector<std::string> header(lines.begin(), lines.begin() + 7);
  EXPECT_EQ(header, (std::vector<std::string>{"Number of features = 3", "Number of Vectors = 10000",
                                              "Class Column No = 3", "Feature[1] = X   continuous",
                                              "Feature[2] = Y   continuous",
                                              "Feature[3] = Class   discrete  2   0  1", "[DATA]"}));
  EXPECT_EQ(lines[7], "1   1     0");
  EXPECT_EQ(lines[7 + 19 * 100 + 19], "20   20     1");
  EXPECT_EQ(lines[7 + 80 * 100 + 80], "81   81     0");
  EXPECT_EQ(lines.back(), "100   100     0");
  int ones = 0;
  for (std::size_t i = 7; i < lines.size(); ++i) ones += lines[i].back() == '1';
  EXPECT_EQ(ones, 3721);
  // A name that ends in ".DAT" gets a second one; a cancelled dialog writes nothing more.
  EXPECT_EQ(Read("PCA/x.DAT.DAT"), Read("PCA/x.DAT"));
  EXPECT_FALSE(std::filesystem::exists(PathOf("PCA/x.DAT.DAT.DAT")));
}

TEST_F(ToolsTest, TheSelectorBringsForwardTheNewestDataVisualizationStillOpen) {
  EXPECT_EQ(TopFormTarget(*wb, 6), "");
  TGraphData& first = ShowDataVisualization(*wb);
  TGraphData& second = ShowDataVisualization(*wb);
  EXPECT_NE(&first, &second);
  EXPECT_EQ(wb->FindWindow("GraphData"), &second);
  EXPECT_EQ(TopFormTarget(*wb, 6), "GraphData");
  CloseDataVisualization(*wb, second);
  EXPECT_EQ(wb->FindWindow("GraphData"), &first);
  EXPECT_EQ(TopFormTarget(*wb, 6), "GraphData");
  CloseDataVisualization(*wb, first);
  EXPECT_EQ(wb->FindWindow("GraphData"), nullptr);
  const std::size_t shown = plat.ShownWindows.size();
  ChooseTopForm(*wb, 6);
  EXPECT_EQ(plat.ShownWindows.size(), shown);
}

TEST_F(ToolsTest, TheFeatureListsHoldTheContinuousFeatures) {
  wb->NumOfFeatures = 3;
  wb->Features.assign(3, TFeature{});
  wb->Features[0] = {'c', 1, "a", {}, {}};
  wb->Features[1] = {'d', 2, "b", {0, 1}, {"0", "1"}};
  wb->Features[2] = {'c', 1, "c", {}, {}};
  wb->FontPct = 122;
  TGraphData& g = ShowDataVisualization(*wb);
  EXPECT_EQ(g.FYbox.Items(), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(g.FXbox.Items(), (std::vector<std::string>{"a", "c"}));
  // The first two continuous features are chosen: the first across, the second up.
  EXPECT_EQ(g.FXbox.Text(), "a");
  EXPECT_EQ(g.FYbox.Text(), "c");
  EXPECT_EQ(g.Width, 875);
  EXPECT_EQ(g.Height, 620);
}

}  // namespace
}  // namespace wl

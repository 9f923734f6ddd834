// The stay-on-top window: its place, the windows its selector brings forward, the entry it shows when a
// window is activated; and the "drawing" pop-up.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "shell/command.h"
#include "shell/on_top.h"
#include "shell/shell_test_env.h"
#include "shell/startup.h"

namespace wl {
namespace {

using test::ShellTest;

TEST(OnTopFormPlace, SitsInTheBottomRightCornerOfTheMainWindow) {
  const WindowRect main{256, 10, 1024, 768};
  // FontPct 120: 88 pixels above the bottom edge, 208 left of the right edge.
  WindowPlace p = OnTopFormPlace(main, 120);
  EXPECT_EQ(p.Left, 256 + 1024 - 208);
  EXPECT_EQ(p.Top, 10 + 768 - 88);
  // FontPct 100: 73.3 and 173.3 pixels.
  p = OnTopFormPlace(main, 100);
  EXPECT_EQ(p.Left, 256 + 1024 - 173);
  EXPECT_EQ(p.Top, 10 + 768 - 73);
}

class OnTopTest : public ShellTest {
 protected:
  OnTopTest() {
    Write("weightlab.ini", "WeightLab   v.0.947\nCPUCHECKED=1500\n");
    ConnectHandlers(*wb);
    StartProgram(*wb);
    plat.ShownWindows.clear();
  }
};

TEST_F(OnTopTest, IsShownAtItsPlaceWhenTheWindowsAreMade) {
  Restart();
  plat.ShownWindows.clear();
  StartProgram(*wb);
  // The scripted screen is 1024 wide at 120 pixels per inch: the main window fills it.
  EXPECT_EQ(wb->OnTopForm.Left, 1024 - 208);
  EXPECT_EQ(wb->OnTopForm.Top, 768 - 88);
  EXPECT_EQ(plat.ShownWindows, std::vector<std::string>{"OnTopForm"});
}

TEST_F(OnTopTest, EachEntryBringsItsWindowForwardOnlyWhenItExists) {
  const struct {
    int Entry;
    std::function<void(Workbench&)> Make;  // what makes the entry's window exist
    const char* Window;
  } cases[] = {
      {0, nullptr, "Form1"},
      {1, [](Workbench& w) { w.ESFormExists = true; }, "NG3D"},
      {2, [](Workbench& w) { w.GTPFormExists = true; }, "GTP"},
      {3, [](Workbench& w) { w.WeightFormExists[0] = true; }, "WeightForm0"},
      {4, [](Workbench& w) { w.WeightFormExists[1] = true; }, "WeightForm1"},
      {5, [](Workbench& w) { w.NGFFormExists = true; }, "NGF"},
      {6, [](Workbench& w) { w.GraphDataExists = true; }, "GraphData"},
      {7, nullptr, "Przegladaj"},  // made first when it does not exist
      // A trajectory window once opened with a surface.
      {8, [](Workbench& w) { w.ESDone = w.LT2.Shown = true; }, "LT2"},
      {9, [](Workbench& w) { w.ESDone = w.LT3.Shown = true; }, "LT3"},
      {10, [](Workbench& w) { w.ESDone = w.EForm.Shown = true; }, "EForm"},
      {11, [](Workbench& w) { w.HiddenPlotMode = 1; }, "HPF"},
      {11, [](Workbench& w) { w.HiddenPlotMode = 2; }, "HRF"},
      {12, [](Workbench& w) { w.OutputPlotMode = 1; }, "OPF"},
      {12, [](Workbench& w) { w.OutputPlotMode = 2; }, "ORF"},
  };
  for (const auto& c : cases) {
    Restart();
    StartProgram(*wb);
    ConnectHandlers(*wb);
    plat.ShownWindows.clear();
    ComboBox& box = wb->OnTopForm.FormTopBox;
    const int other = c.Entry == 0 ? 1 : 0;
    box.SetItemIndex(other, ChangeSource::Program);
    if (c.Make) {
      // Before its window exists (training progress before any training, a data visualisation that
      // was closed and destroyed) the entry brings nothing forward.
      box.SetItemIndex(c.Entry, ChangeSource::User);
      EXPECT_TRUE(plat.ShownWindows.empty()) << c.Entry << " " << c.Window;
      EXPECT_EQ(box.ItemIndex(), c.Entry);
      box.SetItemIndex(other, ChangeSource::Program);
      c.Make(*wb);
    }
    box.SetItemIndex(c.Entry, ChangeSource::User);
    EXPECT_EQ(plat.ShownWindows, std::vector<std::string>{c.Window}) << c.Entry;
    // Choosing the shown entry again brings the window forward again.
    ChooseTopForm(*wb, c.Entry);
    EXPECT_EQ(plat.ShownWindows.size(), 2u) << c.Entry;
  }
}

// The selector's list offers the main window and the picture viewer always, every other entry only while
// its window is there to bring forward: a trajectory window needs a surface and its own opening.
TEST_F(OnTopTest, TheListOffersOnlyWindowsThatWereOpened) {
  const struct {
    const char* Step;
    std::function<void(Workbench&)> Do;
    std::vector<int> Offered;
  } steps[] = {
      {"start", nullptr, {0, 7}},
      {"a run", [](Workbench& w) { w.GTPFormExists = true; }, {0, 2, 7}},
      {"a surface", [](Workbench& w) { w.ESDone = w.ESFormExists = true; }, {0, 1, 2, 7}},
      {"TR 2D", [](Workbench& w) { w.LT2.Shown = true; }, {0, 1, 2, 7, 8}},
      {"TR 1D", [](Workbench& w) { w.EForm.Shown = true; }, {0, 1, 2, 7, 8, 10}},
      {"the representation windows", [](Workbench& w) { w.HiddenPlotMode = w.OutputPlotMode = 2; },
       {0, 1, 2, 7, 8, 10, 11, 12}},
      {"a new run", [](Workbench& w) { w.ESDone = false; }, {0, 1, 2, 7, 11, 12}},
  };
  for (const auto& st : steps) {
    if (st.Do) st.Do(*wb);
    std::vector<int> offered;
    for (int e = -1; e <= 13; ++e)
      if (TopFormOffered(*wb, e)) offered.push_back(e);
    EXPECT_EQ(offered, st.Offered) << st.Step;
  }
}

TEST_F(OnTopTest, AClosedDataVisualisationIsNotShownAgain) {
  wb->GraphDataExists = true;
  ChooseTopForm(*wb, 6);
  wb->GraphDataExists = false;  // closed and destroyed
  ChooseTopForm(*wb, 6);
  EXPECT_EQ(plat.ShownWindows, std::vector<std::string>{"GraphData"});
}

TEST_F(OnTopTest, AnActivatedWindowSetsItsEntryWithoutBringingAnythingForward) {
  const struct {
    const char* Window;
    int Entry;
  } cases[] = {{"GTP", 2}, {"NG3D", 1}, {"Przegladaj", 7}, {"HRF", 11}, {"HPF", 11}, {"OPF", 12},
               {"LT3", 9}, {"NGF", 5},  {"Form1", 0}};
  for (const auto& c : cases) {
    TopFormWindowActivated(*wb, c.Window);
    EXPECT_EQ(wb->OnTopForm.FormTopBox.ItemIndex(), c.Entry) << c.Window;
    EXPECT_EQ(wb->OnTopForm.FormTopBox.Text(), shell_forms_items::TopFormEntries[c.Entry]);
  }
  // A window without an entry leaves the selector as it is.
  TopFormWindowActivated(*wb, "Wfr");
  EXPECT_EQ(wb->OnTopForm.FormTopBox.ItemIndex(), 0);
  EXPECT_TRUE(plat.ShownWindows.empty());
  MainFormActivate(*wb);
  EXPECT_EQ(wb->OnTopForm.FormTopBox.ItemIndex(), 0);
}

TEST_F(OnTopTest, TheTraceShowsInTheCaptionFromTheFirstUpdateAfterTheStart) {
  EXPECT_EQ(wb->OnTopForm.Caption(), "Form on Top");
  wb->ProgressStep = "7";
  UpdateProgressTrace(*wb);
  EXPECT_EQ(wb->OnTopForm.Caption(), "On Top      2-7-0");
}

TEST_F(OnTopTest, TheDrawingPopUpIsPlacedOnTheErrorSurfaceWindowAndShowsItsPercentage) {
  EXPECT_EQ(wb->Form4.Label2.Caption(), "drawing");
  EXPECT_EQ(wb->Form4.Label1.Caption(), "0%   ");
  int repaints = 0;
  wb->Form4.AddListener([&](const ControlNotice& n) {
    if (n.Source == &wb->Form4.Label1 && n.Event == ControlEvent::Repaint) ++repaints;
  });
  ShowDrawingPopup(*wb, 40, 25);
  EXPECT_EQ(wb->Form4.Left, 240);
  EXPECT_EQ(wb->Form4.Top, 325);
  EXPECT_EQ(plat.ShownWindows, std::vector<std::string>{"Form4"});
  SetDrawingProgress(*wb, "38%");
  EXPECT_EQ(wb->Form4.Label1.Caption(), "38%");
  EXPECT_EQ(repaints, 2);
  HideDrawingPopup(*wb);
  EXPECT_EQ(plat.HiddenWindows, std::vector<std::string>{"Form4"});
}

}  // namespace
}  // namespace wl

// The program's start and end: the windows' order, the main window's start-up values, the font scale,
// the speed benchmark, the settings file read at the start and written at the end, and the commands that
// are not there yet.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "model/settings_file.h"
#include "platform/numfmt.h"
#include "shell/command.h"
#include "shell/shell_test_env.h"
#include "shell/startup.h"

namespace wl {
namespace {

using test::ShellTest;

TEST(StartupWindows, AreMadeInTheirOrderBeforeTheMainWindowShows) {
  ScriptedPlatform plat;
  plat.ProgramDir = testing::TempDir();
  Workbench wb(plat, testing::TempDir() + "/wl_startup_order_none");
  std::vector<std::string> made;
  std::string focusWhenMade;
  StartProgram(wb, [&](const StartupWindow& w) {
    made.push_back(w.Name);
    // The main window's start-up runs when it is made, before the other windows.
    if (made.size() == 2) {
      EXPECT_EQ(wb.ProgressStage, "2");
    }
    focusWhenMade = wb.Form1.FocusRequested();
  });
  const std::vector<std::string> order = {"Form1", "NGF", "NG3D", "Form4", "Wfr", "Form2", "GTP", "LT2",
                                          "LT3", "OnTopForm", "EForm", "HRF", "ORF", "OPF", "HPF"};
  EXPECT_EQ(made, order);
  // The main window is shown after all were made: "New Training" gets the focus then.
  EXPECT_EQ(focusWhenMade, "");
  EXPECT_EQ(wb.Form1.FocusRequested(), "TrainingT2");
}

TEST(FontScale, FollowsThePixelsPerInchOfTheMainWindowsFont) {
  const struct {
    int Ppi;
    int FontPct;
    double S;
    WindowRect Form, Pages, Group;  // on a screen 1280 pixels wide
  } cases[] = {
      {120, 120, 1.0, {256, 0, 1024, 768}, {0, 0, 786, 470}, {12, 482, 997, 218}},
      // 96 * 1.0416666 = 99.9999936: FontPct 100, s = 0.8333333.
      {96, 100, 0.8333333, {427, 0, 853, 640}, {0, 0, 655, 392}, {10, 402, 831, 182}},
      // 119 to 121 are taken as they are.
      {119, 119, 119 / 120.0, {265, 0, 1015, 762}, {0, 0, 779, 466}, {12, 478, 989, 216}},
      {121, 121, 121 / 120.0, {247, 0, 1033, 774}, {0, 0, 793, 474}, {12, 486, 1005, 220}},
      {144, 150, 1.25, {0, 0, 1280, 960}, {0, 0, 982, 587}, {15, 602, 1246, 272}},
  };
  for (const auto& c : cases) {
    const FontScaling fs = ScaleForFont(c.Ppi);
    EXPECT_EQ(fs.FontPct, c.FontPct) << c.Ppi;
    EXPECT_NEAR(fs.S, c.S, 1e-6) << c.Ppi;
    const MainFormLayout l = LayOutMainForm(fs.S, 1280);
    const WindowRect* got[] = {&l.Form, &l.Pages, &l.ProgressGroup};
    const WindowRect* want[] = {&c.Form, &c.Pages, &c.Group};
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(got[i]->Left, want[i]->Left) << c.Ppi << " rect " << i;
      EXPECT_EQ(got[i]->Top, want[i]->Top) << c.Ppi << " rect " << i;
      EXPECT_EQ(got[i]->Width, want[i]->Width) << c.Ppi << " rect " << i;
      EXPECT_EQ(got[i]->Height, want[i]->Height) << c.Ppi << " rect " << i;
    }
  }
}

TEST(ComputerSpeed, BenchmarkSumIsComputedAndTheTimesAreGuarded) {
  // With the slope 0 of the start-up every term is 1/2.
  EXPECT_EQ(BenchmarkSum(0.0, 2800), 0.5 * 1401 * 2801);

  const struct {
    std::int64_t ShortMs, LongMs;
    double Speed;
  } cases[] = {
      {187, -1, 2000},        // 374000 / 187
      {10, -1, 37400},        // 10 ms is long enough
      {9, 187, 10000},        // under 10 ms: 1870000 / the long run
      {0, 10, 187000},        // the short run too fast for the clock
      {0, 0, 1870000},        // both too fast: counted as 1 ms, never a division by zero
      {748000, -1, 0},        // 0.5 rounds to the even 0: the start-up then takes 2000
      {747999, -1, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(SpeedFromTimes(c.ShortMs, c.LongMs), c.Speed) << c.ShortMs << " " << c.LongMs;
}

TEST(DecimalSeparator, IsTheDotInTheProgramsLocale) { EXPECT_TRUE(DecimalSeparatorIsDot()); }

class StartupTest : public ShellTest {};

TEST_F(StartupTest, SettingsWithTheComputerSpeedSkipTheBenchmark) {
  Write("weightlab.ini", "WeightLab   v.0.947\nInitialWeight=0.7\nCPUCHECKED=1500\n");
  StartProgram(*wb);
  EXPECT_EQ(wb->CPUCHECKED, 1500.0);
  EXPECT_EQ(wb->Form1.Label55.Caption(), "Relative computer speed = 1500");
  EXPECT_EQ(wb->Form1.InitEdit.Text(), "0.7");
  EXPECT_TRUE(plat.Messages.empty());
}

TEST_F(StartupTest, WithoutSettingsTheBenchmarkMeasuresTheSpeed) {
  StartProgram(*wb);
  EXPECT_GT(wb->CPUCHECKED, 0.0);
  EXPECT_EQ(wb->CPUCHECKED, std::round(wb->CPUCHECKED));
  EXPECT_EQ(wb->Form1.Label55.Caption(), "Relative computer speed = " + FloatToStr(wb->CPUCHECKED));
  EXPECT_TRUE(plat.Messages.empty());
}

TEST_F(StartupTest, SettingsAreSavedAtExitAndReadAtTheNextStart) {
  Write("weightlab.ini", "WeightLab   v.0.947\nCPUCHECKED=1500\n");
  StartProgram(*wb);
  wb->Form1.InitEdit.UserSetText("0.25");
  wb->Form1.S1RT2.UserClick();
  ExitProgram(*wb);
  const std::string saved = Read("weightlab.ini");
  EXPECT_NE(saved.find("InitialWeight=0.25\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("CPUCHECKED=1500\n"), std::string::npos) << saved;

  Restart();
  StartProgram(*wb);
  EXPECT_EQ(wb->Form1.InitEdit.Text(), "0.25");
  EXPECT_TRUE(wb->Form1.S1RT2.Checked());
  EXPECT_EQ(wb->CPUCHECKED, 1500.0);
}

TEST_F(StartupTest, SetsTheStartValues) {
  // Left over from an earlier life of the workbench: the start-up resets them.
  wb->MethodTag = "BP";
  wb->TestingMode = wb->ESDone = wb->GTPFormExists = wb->SearchRunning = wb->InCrossvalidation = true;
  wb->WeightFormOpen = {true, true};
  wb->CVFoldNo = 3;
  wb->HiddenPlotMode = 2;
  wb->ESPlotMode = 0;
  wb->NetKind = 7;
  wb->SignC1 = -1;
  wb->PlotColors.fill(0x123456);
  Write("weightlab.ini", "WeightLab   v.0.947\nCPUCHECKED=1500\n");
  StartProgram(*wb);

  EXPECT_EQ(wb->MethodTag, "NA");
  EXPECT_FALSE(wb->TestingMode || wb->ESDone || wb->GTPFormExists || wb->SearchRunning || wb->InCrossvalidation);
  EXPECT_FALSE(wb->WeightFormOpen[0] || wb->WeightFormOpen[1]);
  EXPECT_EQ(wb->CVFoldNo, -1);
  EXPECT_EQ(wb->HiddenPlotMode, 0);
  EXPECT_EQ(wb->ESPlotMode, 1);
  EXPECT_EQ(wb->NetKind, 0);
  EXPECT_EQ(wb->SignC1, 1);
  EXPECT_EQ(wb->SigmoidLimit, 3223372036854775808LL);
  EXPECT_EQ(wb->NeuronSelect.size(), 1024u);
  const std::array<std::int64_t, 8> pens = {0x000000, 0x0000FF, 0xFF0000, 0x00FF00,
                                            0xFF00FF, 0x008000, 0x800080, 0x00FFFF};
  EXPECT_EQ(wb->PlotColors, pens);
  EXPECT_EQ(wb->ResultsDir, Dir() + "/results/");
  EXPECT_EQ(wb->HelpFile, Dir() + "/help/H001.hlp");
  EXPECT_EQ(wb->Form1.OpenTestSetDialog.InitialDir, Dir() + "/DATA");
  EXPECT_EQ(wb->Form1.WeightsDialog.InitialDir, Dir() + "/PCA");
  EXPECT_EQ(wb->Form1.OpenCustDialog.InitialDir, Dir() + "/results");
  // The scripted screen: 120 pixels per inch, 1024 wide.
  EXPECT_EQ(wb->FontPct, 120);
  EXPECT_EQ(wb->MainFormRect.Left, 0);
  EXPECT_EQ(wb->MainFormRect.Width, 1024);

  // The trace passed stages 1 and 2 before the stay-on-top window was made; it shows its own caption.
  EXPECT_EQ(wb->ProgressStage, "2");
  EXPECT_EQ(wb->ProgressStep, "0");
  EXPECT_EQ(wb->OnTopForm.Caption(), "Form on Top");
  EXPECT_EQ(wb->OnTopForm.FormTopBox.ItemIndex(), 0);
  EXPECT_EQ(plat.ShownWindows, std::vector<std::string>{"OnTopForm"});
  EXPECT_FALSE(plat.Terminated);
}

TEST_F(StartupTest, CommandsWithoutHandlerAreDisabled) {
  Write("weightlab.ini", "WeightLab   v.0.947\nCPUCHECKED=1500\n");
  StartProgram(*wb);
  std::set<std::string> handled, menus;
  for (const HandlerRow& row : HandlerTable()) handled.insert(row.Control);
  for (const Control* c : wb->Form1.Controls())
    if (c->Kind() == ControlKind::MenuItem && !c->Parent().empty()) menus.insert(c->Parent());

  std::vector<std::string> disabled;
  for (const Control* c : wb->Form1.Controls()) {
    if (c->Kind() != ControlKind::MenuItem && c->Kind() != ControlKind::Button) continue;
    const bool wanted = handled.count(c->Name()) > 0 || menus.count(c->Name()) > 0;
    EXPECT_EQ(c->Enabled(), wanted) << c->Name();
    if (!c->Enabled()) disabled.push_back(c->Name());
  }
  // The menus that hold items open whatever their items are; "Help" has its handler.
  for (const char* name : {"SelectTestSet1", "SMTraining1", "NGTraining1", "Tools1", "Help1"})
    EXPECT_TRUE(wb->Form1.Find(name)->Enabled()) << name;
  // The list of the commands that wait for their operations: every command has its handler now.
  EXPECT_EQ(DisableUnbuiltCommands(*wb), disabled);
  EXPECT_TRUE(disabled.empty()) << disabled.front();
}

}  // namespace
}  // namespace wl

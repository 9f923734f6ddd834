// A long run shows its figures as it goes: at the event pump's passes the main window's "Time" counts up
// from the run's start, "||W||" gives the norm of the weights and "TF evaluations" the evaluations so far,
// for backpropagation, the numerical gradient and the one- and two-change searches alike.
#include <gtest/gtest.h>

#include <QApplication>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/progress_plot.h"
#include "gui/main_window.h"
#include "gui/program_windows.h"
#include "gui/qt_platform.h"
#include "gui/screen_place.h"
#include "platform/numfmt.h"
#include "state/hooks.h"
#include "support/gui_test_platform.h"
#include "support/program_start.h"
#include "support/qt_app_env.h"
#include "support/test_support.h"
#include "training/prepare_run.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

using test::AnsweringQtPlatform;
using test::LargeScreenArea;

// The three fields at each epoch report.
struct Seen {
  std::string Time, Norm, Evaluations;
};
std::vector<Seen>* seen = nullptr;

void WatchEpoch(Workbench& wb, int, double) {
  const TForm1& f = wb.Form1;
  seen->push_back({f.TrainingEdit.Text(), f.modWEdit.Text(), f.alsigEdit.Text()});
}

struct RunCase {
  const char* Name;
  const char* Epochs;
  void (*Start)(TForm1& f);
};

class LiveStatusTest : public testing::TestWithParam<RunCase> {
 protected:
  LiveStatusTest() : dir_(temp_.Path()), plat_(Prepare(dir_)), wb(plat_, dir_.string()), windows(wb, plat_) {
    ReadScreen(wb);
    test::StartShownProgram(wb, windows);
  }
  static std::string Prepare(const fs::path& dir) {
    test::FillProgramDir(dir);
    return dir.string();
  }

  LargeScreenArea area_;
  test::TempProgramDir temp_{"wl_live_"};
  fs::path dir_;
  AnsweringQtPlatform plat_;
  Workbench wb;
  ProgramWindows windows;
};

// A field's number, the unit cut off; NaN when it holds none.
double Number(std::string text) {
  if (!text.empty() && text.back() == 's') text.pop_back();
  double x = 0.0;
  return TryStrToFloat(Trim(text), x) ? x : std::nan("");
}

TEST_P(LiveStatusTest, TimeNormAndEvaluationsShowAsTheRunGoes) {
  TForm1& f = wb.Form1;
  plat_.OpenAnswers = {wb.Path("DATA/iris.dat")};
  f.Simple1.UserClick();
  f.RandomValues.UserClick();
  f.EpochEditT2.SetText(GetParam().Epochs);
  ASSERT_TRUE(plat_.Messages.empty()) << plat_.Messages[0];
  plat_.SetPumpInterval(0);

  std::vector<Seen> s;
  seen = &s;
  wb.Hooks.EpochDone = [](Workbench& w, int e, double error) {
    WatchEpoch(w, e, error);
    PlotTrainingProgressEpoch(w, e, error);
  };
  GetParam().Start(f);
  wb.Hooks.EpochDone = nullptr;
  seen = nullptr;
  ASSERT_TRUE(plat_.Messages.empty()) << plat_.Messages[0];
  ASSERT_GE(s.size(), 5u);

  // From the second report on (the pump has passed since the run started), every field holds a figure:
  // the time rising, a positive norm, an evaluation count.
  double last = 0.0;
  for (std::size_t i = 1; i < s.size(); ++i) {
    SCOPED_TRACE("epoch report " + std::to_string(i));
    const double t = Number(s[i].Time);
    ASSERT_FALSE(std::isnan(t)) << "Time \"" << s[i].Time << "\"";
    EXPECT_GE(t, last);
    last = t;
    EXPECT_GT(Number(s[i].Norm), 0.0) << "||W|| \"" << s[i].Norm << "\"";
    EXPECT_FALSE(Trim(s[i].Evaluations).empty());
  }
  // After the run its own figures stand: the norm of the weights it ended with.
  EXPECT_NEAR(Number(f.modWEdit.Text()), std::sqrt(SquaredWeightNorm(wb)), 0.01);
  EXPECT_FALSE(plat_.HasPassHook());
}

INSTANTIATE_TEST_SUITE_P(
    Runs, LiveStatusTest,
    testing::Values(RunCase{"BP", "20", [](TForm1& f) { f.Backpropagation1.UserClick(); }},
                    RunCase{"NG", "8", [](TForm1& f) { f.NG_old.UserClick(); }},
                    RunCase{"OneChange", "5", [](TForm1& f) { f.Discrete1change.UserClick(); }},
                    RunCase{"TwoChanges", "5", [](TForm1& f) { f.Random2changes.UserClick(); }}),
    [](const testing::TestParamInfo<RunCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace wl

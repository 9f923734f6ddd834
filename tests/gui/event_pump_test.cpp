// The windows stay live during a long run: backpropagation and the numerical gradient pass the event
// pump while they train (its passes rise from epoch to epoch), a click on "New Training" made during the
// run is dropped instead of starting a second run afterwards, and a request to close the main window made
// during the run is held and answered once the run has ended.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gui/main_window.h"
#include "gui/program_windows.h"
#include "gui/screen_place.h"
#include "gui/qt_platform.h"
#include "shell/command.h"
#include "shell/startup.h"
#include "state/hooks.h"
#include "support/gui_test_platform.h"
#include "support/program_start.h"
#include "support/qt_app_env.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

// Answers the open dialogs from a queue and counts every dialog asked for; messages are recorded.
class CountingQtPlatform : public QtPlatform {
 public:
  using QtPlatform::QtPlatform;
  void ShowMessage(const std::string& text, const std::string&) override { Messages.push_back(text); }
  Answer Ask(const std::string&, const std::string&, Buttons) override { return Answer::Yes; }
  bool Execute(FileDialog& dlg) override {
    ++Dialogs;
    if (OpenAnswers.empty()) return false;
    dlg.FileName = OpenAnswers.front();
    OpenAnswers.erase(OpenAnswers.begin());
    return true;
  }
  void OpenInEditor(const std::string&) override {}
  std::vector<std::string> Messages, OpenAnswers;
  int Dialogs = 0;
};

// What the run saw at each epoch it reported.
struct RunWatch {
  std::vector<int> Passes;       // the pump's passes so far
  std::vector<bool> MainShown;   // the main window still open
  QWidget* Button = nullptr;     // where the click goes
  QWidget* Main = nullptr;
  CountingQtPlatform* Plat = nullptr;
};
RunWatch* watch = nullptr;

// The progress plot's epoch hook, and at the third epoch a click on "New Training" and a request to close
// the main window, both as the user would make them while the run goes on.
void WatchEpoch(Workbench& wb, int epoch, double error) {
  (void)wb;
  (void)error;
  watch->Passes.push_back(watch->Plat->PumpPasses());
  watch->MainShown.push_back(watch->Main->isVisible());
  if (epoch == 3) {
    const QPointF at(watch->Button->width() / 2.0, watch->Button->height() / 2.0);
    const QPointF global = watch->Button->mapToGlobal(at);
    QCoreApplication::postEvent(watch->Button, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                               Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(watch->Button, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                                               Qt::NoButton, Qt::NoModifier));
    QCoreApplication::postEvent(watch->Main, new QCloseEvent);
  }
}

struct RunCase {
  const char* Name;
  const char* Epochs;
  void (*Start)(TForm1& f);
};

using test::LargeScreenArea;

class EventPumpTest : public testing::TestWithParam<RunCase> {
 protected:
  EventPumpTest() : dir_(temp_.Path()), plat_(Prepare(dir_)), wb(plat_, dir_.string()), windows(wb, plat_) {
    ReadScreen(wb);
    test::StartShownProgram(wb, windows);
  }
  static std::string Prepare(const fs::path& dir) {
    test::FillProgramDir(dir);
    return dir.string();
  }

  LargeScreenArea area_;
  test::TempProgramDir temp_{"wl_pump_"};
  fs::path dir_;
  CountingQtPlatform plat_;
  Workbench wb;
  ProgramWindows windows;
};

TEST_P(EventPumpTest, ARunPumpsEventsDropsTheUsersClicksAndAnswersACloseRequestAtItsEnd) {
  TForm1& f = wb.Form1;
  plat_.OpenAnswers = {wb.Path("DATA/iris.dat")};
  f.Simple1.UserClick();
  f.RandomValues.UserClick();
  f.EpochEditT2.SetText(GetParam().Epochs);
  ASSERT_TRUE(plat_.Messages.empty()) << plat_.Messages[0];
  const int dialogs = plat_.Dialogs;

  plat_.SetPumpInterval(0);
  RunWatch w;
  w.Button = windows.Main()->View().WidgetOf("TrainingT2");
  w.Main = windows.Main();
  w.Plat = &plat_;
  ASSERT_NE(w.Button, nullptr);
  ASSERT_TRUE(w.Button->isVisible());
  watch = &w;
  wb.Hooks.EpochDone = WatchEpoch;
  GetParam().Start(f);
  wb.Hooks.EpochDone = nullptr;
  watch = nullptr;

  ASSERT_TRUE(plat_.Messages.empty()) << plat_.Messages[0];
  ASSERT_GE(w.Passes.size(), 6u);
  // Every epoch passed the pump: the count rises all through the run, not only at its start.
  for (std::size_t i = 1; i < w.Passes.size(); ++i) EXPECT_GT(w.Passes[i], w.Passes[i - 1]) << "epoch report " << i;
  // The click reached the button during the run and was dropped there.
  EXPECT_GE(plat_.DroppedInput(), 2);
  // The main window stayed open while the run went on.
  for (std::size_t i = 0; i < w.MainShown.size(); ++i) EXPECT_TRUE(w.MainShown[i]) << "epoch report " << i;

  // After the run: nothing of the click runs ("New Training" would ask for its data file), and the held
  // request closes the main window.
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  EXPECT_EQ(plat_.Dialogs, dialogs);
  EXPECT_EQ(wb.MethodTag, GetParam().Name);
  EXPECT_FALSE(windows.Main()->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    LongRuns, EventPumpTest,
    testing::Values(RunCase{"BP", "40", [](TForm1& f) { f.Backpropagation1.UserClick(); }},
                    RunCase{"NG", "12", [](TForm1& f) { f.NG_old.UserClick(); }}),
    [](const testing::TestParamInfo<RunCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace wl

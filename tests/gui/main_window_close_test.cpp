// The program ends with its main window: a close request to it (as the window system's title-bar close
// sends it) ends the application's event loop and writes the settings, each time the window is closed,
// also after it was brought back through the stay-on-top list. A close made during a run is told at once
// that the program ends when the run has ended; the run goes on to its end and the loop ends after it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gui/editor_window.h"
#include "gui/main_window.h"
#include "gui/program_windows.h"
#include "gui/qt_platform.h"
#include "gui/screen_place.h"
#include "gui/small_windows.h"
#include "platform/numfmt.h"
#include "shell/on_top.h"
#include "state/hooks.h"
#include "support/gui_test_platform.h"
#include "support/program_start.h"
#include "support/qt_app_env.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

using test::AnsweringQtPlatform;
using test::LargeScreenArea;

// The event loop, left by the watchdog with 7 when nothing else ends it.
int RunEventLoop(int watchdogMs = 20000) {
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(7); });
  watchdog.start(watchdogMs);
  return QApplication::exec();
}

// The title-bar close: the request comes from the window system, as the window manager sends it.
void CloseByWindowSystem(QWidget* w) {
  ASSERT_NE(w->windowHandle(), nullptr);
  w->windowHandle()->close();
}

std::string SettingsText(const fs::path& dir) {
  std::ifstream in(dir / "weightlab.ini");
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class MainWindowCloseTest : public testing::Test {
 protected:
  MainWindowCloseTest() : dir_(temp_.Path()), plat_(Prepare(dir_)), wb(plat_, dir_.string()), windows(wb, plat_) {
    ReadScreen(wb);
    test::StartShownProgram(wb, windows);
  }
  static std::string Prepare(const fs::path& dir) {
    test::FillProgramDir(dir);
    return dir.string();
  }

  LargeScreenArea area_;
  test::TempProgramDir temp_{"wl_close_"};
  fs::path dir_;
  AnsweringQtPlatform plat_;
  Workbench wb;
  ProgramWindows windows;
};

TEST_F(MainWindowCloseTest, EachCloseEndsTheEventLoopAndWritesTheSettings) {
  MainWindow* main = windows.Main();
  ASSERT_NE(windows.OnTop(), nullptr);
  ASSERT_TRUE(windows.OnTop()->isVisible());
  for (const char* epochs : {"1234", "4321", "77"}) {
    SCOPED_TRACE(epochs);
    if (!main->isVisible()) {
      // Brought back as the user does it: "Main Form" in the stay-on-top list.
      ChooseTopForm(wb, 0);
      QApplication::processEvents();
    }
    ASSERT_TRUE(main->isVisible());
    wb.Form1.EpochEditT2.SetText(epochs);
    QTimer::singleShot(0, main, [main] { CloseByWindowSystem(main); });
    EXPECT_EQ(RunEventLoop(), 0) << "the close did not end the event loop";
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(main->Closed());
    EXPECT_NE(SettingsText(dir_).find(std::string("max_epoch=") + epochs + "\n"), std::string::npos)
        << SettingsText(dir_);
  }
  EXPECT_TRUE(plat_.Messages.empty()) << plat_.Messages[0];
}

// An editor holding changes the user has not saved asks first: Cancel keeps the program running, with the
// editor and the main window; Discard lets the close end the program.
class EditorPlatform : public AnsweringQtPlatform {
 public:
  using AnsweringQtPlatform::AnsweringQtPlatform;
  void OpenInEditor(const std::string& path) override { QtPlatform::OpenInEditor(path); }
};

TEST(MainWindowCloseWithEditor, AnEditorWithChangesIsAskedFirst) {
  LargeScreenArea area;
  test::TempProgramDir temp{"wl_close_editor_"};
  test::FillProgramDir(temp.Path());
  EditorPlatform plat(temp.Path().string());
  Workbench wb(plat, temp.Path().string());
  ProgramWindows windows(wb, plat);
  ReadScreen(wb);
  test::StartShownProgram(wb, windows);
  MainWindow* main = windows.Main();
  std::ofstream(temp.Path() / "results" / "notes.txt") << "first line\n";
  plat.OpenInEditor((temp.Path() / "results" / "notes.txt").string());
  ASSERT_EQ(plat.Editors().size(), 1u);
  plat.Editors()[0]->TextEdit()->appendPlainText(QStringLiteral("a change"));

  for (const auto button : {QMessageBox::Cancel, QMessageBox::Discard}) {
    SCOPED_TRACE(button == QMessageBox::Cancel ? "Cancel" : "Discard");
    bool asked = false;
    // The question comes while the close runs: answered as the user would.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->button(button)) return;
      asked = true;
      box->button(button)->click();
    });
    answer.start(50);
    QTimer::singleShot(0, main, [main] { CloseByWindowSystem(main); });
    // Still running well after Cancel: the watchdog leaves the loop (7).
    const int rc = RunEventLoop(button == QMessageBox::Cancel ? 1500 : 20000);
    answer.stop();
    EXPECT_TRUE(asked);
    if (button == QMessageBox::Cancel) {
      EXPECT_EQ(rc, 7);
      EXPECT_TRUE(main->isVisible());
      EXPECT_EQ(plat.Editors().size(), 1u);
    } else {
      EXPECT_EQ(rc, 0);
      EXPECT_FALSE(main->isVisible());
    }
  }
}

// What the run saw while it went on.
struct RunWatch {
  QWidget* Main = nullptr;
  AnsweringQtPlatform* Plat = nullptr;
  bool Posted = false;            // the request goes through the event pump, else straight to the window
  std::vector<bool> MainShown;    // per epoch report
  std::vector<bool> NoteShown;
  std::size_t CloseAt = 0;        // the report at which the user closed the main window
};
RunWatch* watch = nullptr;

void WatchEpoch(Workbench&, int epoch, double) {
  watch->MainShown.push_back(watch->Main->isVisible());
  watch->NoteShown.push_back(watch->Plat->CloseNote() && watch->Plat->CloseNote()->isVisible());
  if (epoch != 3) return;
  watch->CloseAt = watch->MainShown.size() - 1;
  if (watch->Posted) {
    QCoreApplication::postEvent(watch->Main, new QCloseEvent);
  } else {
    CloseByWindowSystem(watch->Main);
  }
}

struct CloseCase {
  const char* Name;
  bool Posted;
  const char* Epochs;
  void (*Start)(TForm1& f);
};

class CloseDuringRunTest : public MainWindowCloseTest, public testing::WithParamInterface<CloseCase> {};

TEST_P(CloseDuringRunTest, IsToldAtOnceAndEndsTheProgramWhenTheRunHasEnded) {
  TForm1& f = wb.Form1;
  plat_.OpenAnswers = {wb.Path("DATA/iris.dat")};
  f.Simple1.UserClick();
  f.RandomValues.UserClick();
  f.EpochEditT2.SetText(GetParam().Epochs);
  ASSERT_TRUE(plat_.Messages.empty()) << plat_.Messages[0];
  plat_.SetPumpInterval(0);

  RunWatch w;
  w.Main = windows.Main();
  w.Plat = &plat_;
  w.Posted = GetParam().Posted;
  watch = &w;
  wb.Hooks.EpochDone = WatchEpoch;
  QTimer::singleShot(0, windows.Main(), [&f] { GetParam().Start(f); });
  const int rc = RunEventLoop();
  wb.Hooks.EpochDone = nullptr;
  watch = nullptr;

  EXPECT_EQ(rc, 0) << "the program did not end after the run";
  ASSERT_TRUE(plat_.Messages.empty()) << plat_.Messages[0];
  // The run went on to its end with the main window open, and the words showed from the next report on.
  EXPECT_GE(wb.NumOfEpochs, 5);
  EXPECT_EQ(f.ep.Text(), IntToStr(wb.NumOfEpochs));
  ASSERT_GE(w.MainShown.size(), 6u);
  for (std::size_t i = 0; i < w.MainShown.size(); ++i) EXPECT_TRUE(w.MainShown[i]) << "epoch report " << i;
  ASSERT_GT(w.CloseAt, 0u);
  for (std::size_t i = 0; i < w.NoteShown.size(); ++i) EXPECT_EQ(w.NoteShown[i], i > w.CloseAt) << "epoch report " << i;
  EXPECT_FALSE(windows.Main()->isVisible());
  EXPECT_NE(SettingsText(dir_).find(std::string("max_epoch=") + GetParam().Epochs + "\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, CloseDuringRunTest,
    testing::Values(CloseCase{"BPPosted", true, "30", [](TForm1& f) { f.Backpropagation1.UserClick(); }},
                    CloseCase{"BPByWindowSystem", false, "30", [](TForm1& f) { f.Backpropagation1.UserClick(); }},
                    CloseCase{"NGByWindowSystem", false, "10", [](TForm1& f) { f.NG_old.UserClick(); }}),
    [](const testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace wl

// The Qt platform: dialog filters, the help page, the hourglass, the editor window and the event pump.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QCursor>
#include <QPlainTextEdit>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "gui/editor_window.h"
#include "gui/qt_platform.h"
#include "gui/screen_place.h"
#include "support/qt_app_env.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

using test::ReadText;

TEST(QtFileFilter, ConvertsPairsToQtFilters) {
  const struct {
    const char* In;
    const char* Out;
  } cases[] = {
      {"dataset files|*.dat|all files|*", "dataset files (*.dat);;all files (*)"},
      {"text files|*.txt", "text files (*.txt)"},
      {"pictures|*.gif;*.jpg;*.bmp|all files|*.*", "pictures (*.gif *.jpg *.bmp);;all files (*)"},
      {"weights|*.wgt|", "weights (*.wgt)"},
      {"no pattern", "no pattern (*)"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(QtFileFilter(c.In), QString(c.Out)) << c.In;
}

TEST(HelpPagePath, FallsBackToTheProgramsIndexPage) {
  test::TempProgramDir dir{"wl_gui_"};
  const std::string own = dir.Write("help/topics.html", "<html></html>");
  const std::string index = dir.Str() + "/help/index.html";
  const struct {
    std::string In, Out;
  } cases[] = {
      {own, own},
      {dir.Str() + "\\help\\topics.html", own},
      {"\\HELP\\topics.html", own},
      {dir.Str() + "\\help\\H001.hlp", index},
      {dir.Str() + "/help/missing.html", index},
      {"", index},
  };
  for (const auto& c : cases) EXPECT_EQ(HelpPagePath(c.In, dir.Str()), c.Out) << c.In;
}

TEST(QtPlatform, HourglassIsOnOrOffWhateverTheCallsCount) {
  QtPlatform p("/");
  p.SetHourglass(false);  // off while off: nothing to restore
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  p.SetHourglass(true);
  p.SetHourglass(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  p.SetHourglass(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  p.SetHourglass(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_FALSE(p.Hourglass());
}

TEST(QtPlatform, EditorShowsAndSavesTheFile) {
  test::TempProgramDir dir{"wl_gui_"};
  const std::string report = dir.Write("results/run_RE.txt", "epoch  error\n1  0.25\n");
  QtPlatform p(dir.Str());
  p.OpenInEditor(report);
  ASSERT_EQ(p.Editors().size(), 1u);
  EditorWindow* editor = p.Editors().front();
  EXPECT_FALSE(editor->isHidden());
  EXPECT_EQ(editor->TextEdit()->toPlainText(), "epoch  error\n1  0.25\n");

  editor->TextEdit()->appendPlainText("2  0.125");
  ASSERT_TRUE(editor->Save());
  EXPECT_EQ(ReadText(report), "epoch  error\n1  0.25\n\n2  0.125");

  // A second report opens a second window without waiting for the first.
  p.OpenInEditor(dir.Write("results/b.txt", "b"));
  EXPECT_EQ(p.Editors().size(), 2u);
}

// The editor and the help come where the window system puts them, but stay whole on the screen: one larger
// than the screen is made smaller, one put partly off it is moved back once it has been framed.
TEST(QtPlatform, TheEditorAndTheHelpStayWholeOnTheScreen) {
  test::TempProgramDir dir{"wl_gui_"};
  dir.Write("help/index.html", "<html><body>help</body></html>");
  const std::string report = dir.Write("results/run_RE.txt", "epoch  error\n");
  QtPlatform p(dir.Str());
  const QRect area(0, 0, 700, 500);
  SetScreenArea(area);
  auto settle = [] {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 400) QApplication::processEvents(QEventLoop::AllEvents, 20);
  };
  const struct {
    const char* Name;
    QPoint PlacedAt;  // where the window system puts it (none: where Qt has it)
  } cases[] = {{"editor", {}}, {"editor", {300, 250}}, {"help", {}}, {"help", {300, 250}}};
  for (const auto& c : cases) {
    QWidget* w = nullptr;
    if (std::string(c.Name) == "editor") {
      p.OpenInEditor(report);
      w = p.Editors().back();
    } else {
      p.ShowHelp(dir.Str() + "/help/index.html");
      for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == "HelpWindow") w = top;
    }
    ASSERT_NE(w, nullptr) << c.Name;
    if (!c.PlacedAt.isNull()) w->move(c.PlacedAt);
    settle();
    EXPECT_TRUE(area.contains(w->frameGeometry())) << c.Name << " at " << c.PlacedAt.x() << "," << c.PlacedAt.y()
                                                   << ": " << w->frameGeometry().x() << "," << w->frameGeometry().y()
                                                   << " " << w->frameGeometry().width() << "x"
                                                   << w->frameGeometry().height();
  }
  SetScreenArea(QRect());
}

TEST(QtPlatform, EditorKeepsTheBytesOfANonUtf8File) {
  test::TempProgramDir dir{"wl_gui_"};
  const std::string bytes = "Gew\xE4hlt \xB1 0.5\n";  // Latin-1, not valid UTF-8
  const std::string file = dir.Write("results/latin.txt", bytes);
  EditorWindow editor(QString::fromStdString(file));
  EXPECT_EQ(editor.TextEdit()->toPlainText(), QString::fromLatin1(bytes.data(), bytes.size()));
  editor.TextEdit()->document()->setModified(true);
  ASSERT_TRUE(editor.Save());
  EXPECT_EQ(ReadText(file), bytes);
}

TEST(QtPlatform, EventPumpDeliversPendingEventsAndTerminateIsRemembered) {
  QtPlatform p("/");
  bool fired = false;
  QTimer::singleShot(0, [&fired] { fired = true; });
  p.ProcessEvents();
  EXPECT_TRUE(fired);

  EXPECT_FALSE(p.TerminateRequested());
  p.Terminate();
  EXPECT_TRUE(p.TerminateRequested());
  // The queued request to end the event loop is harmless when no loop runs.
  QCoreApplication::processEvents();
}

}  // namespace
}  // namespace wl

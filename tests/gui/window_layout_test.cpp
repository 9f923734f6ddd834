// Every window of the program as a researcher's day leaves it, at 96 and at 120 pixels per inch on a
// 1280 x 1024 screen: each lies with its frame on the screen, and in each no control overlaps another,
// is cut by its container, is too narrow for its text or lower than its text. The windows are filled the
// way the day fills them: a one-change run with its error surface and the three trajectories, a
// numerical-gradient run with its section chart, the weight and representation windows, the font window,
// a data plot and the picture viewer. With WL_SCREENSHOT_DIR set, a picture of each window (and of the
// whole screen) is saved there, for a look under a real window system.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabBar>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <utility>

#include "analysis/representation_windows.h"
#include "analysis/signal_plots.h"
#include "analysis/weight_forms.h"
#include "gui/main_window.h"
#include "gui/program_windows.h"
#include "gui/qt_platform.h"
#include "gui/screen_place.h"
#include "gui/small_windows.h"
#include "gui/tool_windows.h"
#include "platform/rounding.h"
#include "shell/command.h"
#include "shell/on_top.h"
#include "shell/startup.h"
#include "support/program_start.h"
#include "support/qt_app_env.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

const QRect kScreen(0, 0, 1280, 1024);

class AnsweringPlatform : public QtPlatform {
 public:
  using QtPlatform::QtPlatform;
  void ShowMessage(const std::string& text, const std::string&) override { Messages.push_back(text); }
  Answer Ask(const std::string&, const std::string&, Buttons) override { return Answer::Yes; }
  bool Execute(FileDialog& dlg) override {
    if (OpenFile.empty() || dlg.IsSave()) return false;
    dlg.FileName = OpenFile;
    return true;
  }
  void OpenInEditor(const std::string&) override {}
  std::vector<std::string> Messages;
  std::string OpenFile;
};

std::string Text(QRect r) {
  return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

std::string NameOf(const QWidget* w) {
  const QString name = w->objectName();
  return (name.isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : name).toStdString();
}

// The widgets a user reads or works: captions, buttons, fields, lists. Parts of other widgets (the field of
// a spin box, the arrows of a tab bar) are their owner's.
bool IsControl(const QWidget* w) {
  for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
    if (qobject_cast<const QSpinBox*>(p) || qobject_cast<const QComboBox*>(p) || qobject_cast<const QTabBar*>(p) ||
        (qobject_cast<const QAbstractScrollArea*>(p) && !p->inherits("QScrollArea")))
      return false;
  if (auto* label = qobject_cast<const QLabel*>(w)) return !label->text().isEmpty();
  return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
         qobject_cast<const QComboBox*>(w) || qobject_cast<const QSpinBox*>(w) || qobject_cast<const QListWidget*>(w);
}

// The first thing wrong with one control, or "".
std::string ControlFault(QWidget* window, QWidget* w) {
  const std::string name = NameOf(w);
  const QRect in(w->mapTo(window, QPoint(0, 0)), w->size());
  for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
    const QRect area(p->mapTo(window, QPoint(0, 0)), p->size());
    if (!area.contains(in)) return name + " " + Text(in) + " is cut by " + NameOf(p) + " " + Text(area);
  }
  if (!QRect(QPoint(0, 0), window->size()).contains(in)) return name + " " + Text(in) + " is cut by the window";
  const QFontMetrics fm = w->fontMetrics();
  if (w->height() < fm.height()) return name + " is lower (" + std::to_string(w->height()) + ") than its text";
  if (auto* label = qobject_cast<QLabel*>(w)) {
    if (!label->wordWrap()) {
      int widest = 0;
      for (const QString& line : label->text().split(QLatin1Char('\n'))) widest = std::max(widest, fm.horizontalAdvance(line));
      if (widest > label->contentsRect().width())
        return name + " (\"" + label->text().toStdString() + "\") is cut: " + std::to_string(widest) + " > " +
               std::to_string(label->contentsRect().width());
    }
  } else if (auto* push = qobject_cast<QPushButton*>(w)) {
    // The style's least button width is a wish; the caption with a little room must fit.
    const int need = fm.horizontalAdvance(push->text()) + 8;
    if (need > push->width())
      return name + " (\"" + push->text().toStdString() + "\") is cut: needs " + std::to_string(need) + ", has " +
             std::to_string(push->width());
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    if (button->sizeHint().width() > button->width())
      return name + " (\"" + button->text().toStdString() + "\") is cut: needs " +
             std::to_string(button->sizeHint().width()) + ", has " + std::to_string(button->width());
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    const int need = std::max(fm.horizontalAdvance(edit->text()), fm.horizontalAdvance(QStringLiteral("000"))) + 8;
    if (need > edit->width()) return name + " field is too narrow for \"" + edit->text().toStdString() + "\"";
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    if (combo->minimumSizeHint().width() > combo->width()) return name + " list is too narrow";
  }
  return "";
}

// The first thing wrong with a window, or "".
std::string WindowFault(QWidget* window) {
  const std::string title = NameOf(window);
  if (!kScreen.contains(window->frameGeometry()))
    return title + " " + Text(window->frameGeometry()) + " lies off the screen " + Text(kScreen);
  std::vector<QWidget*> controls;
  for (QWidget* w : window->findChildren<QWidget*>())
    if (w->isVisibleTo(window) && IsControl(w)) controls.push_back(w);
  for (QWidget* w : controls) {
    std::string fault = ControlFault(window, w);
    if (!fault.empty()) return title + ": " + fault;
  }
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const QRect a(controls[i]->mapTo(window, QPoint(0, 0)), controls[i]->size());
    for (std::size_t j = i + 1; j < controls.size(); ++j) {
      if (controls[i]->isAncestorOf(controls[j]) || controls[j]->isAncestorOf(controls[i])) continue;
      const QRect b(controls[j]->mapTo(window, QPoint(0, 0)), controls[j]->size());
      if (a.intersects(b))
        return title + ": " + NameOf(controls[i]) + " " + Text(a) + " overlaps " + NameOf(controls[j]) + " " + Text(b);
    }
  }
  return "";
}

// A 12-epoch one-change run on iris opened through the menu, the windows' usual material.
void TrainIrisByClicks(Workbench& wb, AnsweringPlatform& plat) {
  TForm1& f = wb.Form1;
  wb.Rng.Seed = 12345;
  plat.OpenFile = wb.Path("DATA/iris.dat");
  f.Simple1.UserClick();
  f.RandomLinearInput1.UserClick();
  f.EpochEditT2.SetText("12");
  f.Discrete1change.UserClick();
}

// The application font of a desktop at the test's resolution (9 points), and the screen it acts.
class DesktopAt {
 public:
  explicit DesktopAt(int ppi) : old_(QApplication::font()) {
    QFont f = old_;
    f.setPixelSize(RoundInt(9.0 * ppi / 72.0));
    QApplication::setFont(f);
    SetScreenArea(kScreen);
  }
  ~DesktopAt() {
    QApplication::setFont(old_);
    SetScreenArea(QRect());
  }

 private:
  QFont old_;
};

class WindowLayoutTest : public testing::TestWithParam<int> {
 protected:
  WindowLayoutTest()
      : desktop_(GetParam()), dir_(temp_.Path()), plat_(Prepare(dir_)), wb(plat_, dir_.string()), windows(wb, plat_) {
    ReadScreen(wb);
    wb.ScreenPixelsPerInch = GetParam();
    wb.ScreenWidth = kScreen.width();
    wb.ScreenHeight = kScreen.height();
    test::StartShownProgram(wb, windows);
  }
  static std::string Prepare(const fs::path& dir) {
    test::FillProgramDir(dir);
    QImage red(300, 260, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    red.save(QString::fromStdString((dir / "results" / "red.bmp").string()), "BMP");
    return dir.string();
  }

  void TrainIris() { TrainIrisByClicks(wb, plat_); }

  void Keep(QWidget* w) const {
    const char* out = std::getenv("WL_SCREENSHOT_DIR");
    if (!out) return;
    const std::string base = std::string(out) + "/" + std::to_string(GetParam()) + "ppi_" + NameOf(w);
    w->raise();
    QApplication::processEvents();
    w->grab().save(QString::fromStdString(base + ".png"));
    if (QScreen* screen = QGuiApplication::primaryScreen())
      screen->grabWindow(0).save(QString::fromStdString(base + "_screen.png"));
  }

  DesktopAt desktop_;
  test::TempProgramDir temp_{"wl_winlayout_"};
  fs::path dir_;
  AnsweringPlatform plat_;
  Workbench wb;
  ProgramWindows windows;
};

TEST_P(WindowLayoutTest, EveryWindowLiesOnTheScreenAndShowsEachControlWhole) {
  TForm1& f = wb.Form1;
  // The representation windows with a recorded epoch of two vectors.
  wb.NumOfEpochs = 0;
  wb.NumOfClasses = 2;
  wb.SignalHistory.assign(1, SignalEpoch{});
  wb.SignalHistory[0].Recorded = true;
  wb.SignalHistory[0].Class = {0, 1};
  wb.SignalHistory[0].Signal = {{{0.2, 0.8}, {0.7, 0.1}}, {{0.9, 0.1}, {0.1, 0.9}}};
  RunCommand(wb, [this] { ShowRepresentations(wb); });
  plat_.Messages.clear();  // the windows' own epoch field asks for an epoch not recorded: drawn empty
  TrainIris();
  f.PlotT2.UserClick();
  ASSERT_TRUE(wb.ESDone);
  f.TR2DButton.UserClick();
  f.TR3DButton.UserClick();
  f.Button3.UserClick();
  RunCommand(wb, [this] { ShowWeightForm(wb, 0); });
  RunCommand(wb, [this] { ShowWeightForm(wb, 1); });
  f.ChartH.SetChecked(true);
  f.NG_old.UserClick();
  f.Fonts2.UserClick();
  f.Graphical1.UserClick();
  ASSERT_EQ(windows.GraphWindows().size(), 1u);
  GraphDataWindow* plot = windows.GraphWindows()[0];
  plot->Model().FYbox.SetItemIndex(1, ChangeSource::User);
  plot->Model().FXbox.SetItemIndex(0, ChangeSource::User);
  plot->Model().StartButton.UserClick();
  f.Browser1.UserClick();
  RunCommand(wb, [this] { ShowDrawingPopup(wb, wb.NG3D.Left, wb.NG3D.Top); });
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  EXPECT_TRUE(plat_.Messages.empty()) << plat_.Messages[0];

  std::vector<QWidget*> all;
  for (const std::string& name : windows.Made())
    if (QWidget* w = windows.Window(name)) all.push_back(w);
  for (const char* name : {"Przegladaj", "WeightForm0", "WeightForm1"})
    if (QWidget* w = windows.Window(name)) all.push_back(w);
  all.push_back(plot);
  int shown = 0;
  for (QWidget* w : all) {
    if (!w->isVisible()) continue;
    ++shown;
    EXPECT_EQ(WindowFault(w), "") << GetParam() << " ppi";
    Keep(w);
  }
  // All the windows but the three representation windows of the other kinds (and no placeholder is left).
  EXPECT_GE(shown, 16);
}

// A run's progress plot comes up at its corner of the screen, unless it would cover the main window's
// epoch, error and time, which the run keeps writing: then beside them, above or below them, lower if need be.
TEST_P(WindowLayoutTest, TheProgressPlotLeavesTheEpochErrorAndTimeInSight) {
  TrainIris();
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  ASSERT_TRUE(plat_.Messages.empty()) << plat_.Messages[0];
  QWidget* gtp = windows.Window("GTP");
  ASSERT_NE(gtp, nullptr);
  ASSERT_TRUE(gtp->isVisible());
  MainWindow* main = windows.Main();
  for (const char* name : {"ep", "ge", "TrainingEdit"}) {
    QWidget* cell = main->View().CellOf(name);
    const QRect field(cell->mapToGlobal(QPoint(0, 0)), cell->size());
    EXPECT_FALSE(gtp->frameGeometry().intersects(field))
        << GetParam() << " ppi: " << name << " " << Text(field) << " under the plot " << Text(gtp->frameGeometry());
  }
  EXPECT_EQ(WindowFault(gtp), "") << GetParam() << " ppi";
  // The picture fills what the window has for it, scaled down when the window was made lower.
  EXPECT_GE(gtp->height(), wb.GTP.Height * 2 / 3);
  Keep(gtp);
}

// The progress window's bottom row ends with the "Comp Err" button (renamed "E+acc+W" while the
// comparison shows): whichever caption it has, the row keeps the window's margin at the right edge.
TEST_P(WindowLayoutTest, TheProgressWindowsButtonsKeepTheirRoomAtTheRightEdge) {
  TrainIris();
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  ASSERT_TRUE(plat_.Messages.empty()) << plat_.Messages[0];
  QWidget* gtp = windows.Window("GTP");
  ASSERT_NE(gtp, nullptr);
  for (const char* caption : {"Comp Err", "E+acc+W", "Comp Err"}) {
    wb.GTP.Button3.SetCaption(caption);
    QApplication::processEvents();
    auto* button = gtp->findChild<QPushButton*>(QStringLiteral("Button3"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QString::fromLatin1(caption));
    int right = 0;
    for (QWidget* w : gtp->findChildren<QWidget*>())
      if (w->isVisibleTo(gtp) && IsControl(w) && w->parentWidget() == button->parentWidget())
        right = std::max(right, w->mapTo(gtp, QPoint(w->width(), 0)).x());
    EXPECT_LE(right + 10, gtp->width()) << GetParam() << " ppi, \"" << caption << "\": the row ends at " << right
                                        << " in a window " << gtp->width() << " wide";
    EXPECT_EQ(WindowFault(gtp), "") << GetParam() << " ppi";
  }
  Keep(gtp);
}

INSTANTIATE_TEST_SUITE_P(FontResolutions, WindowLayoutTest, testing::Values(96, 120),
                         [](const testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "ppi"; });

// The windows a researcher opens one after another after a surface, on screens of three sizes: the
// error surface, "TR 2D", "TR 3D" and "TR 1D". None is opened on another one's place: no window covers
// the top left corner (where the title bar begins) of one opened before it at the same left edge, and
// each keeps its frame on the screen.
class CascadeTest : public testing::TestWithParam<QSize> {
 protected:
  CascadeTest() : dir_(temp_.Path()), plat_(Prepare(dir_)), wb(plat_, dir_.string()), windows(wb, plat_) {
    SetScreenArea(QRect(QPoint(0, 0), GetParam()));
    ReadScreen(wb);
    wb.ScreenWidth = GetParam().width();
    wb.ScreenHeight = GetParam().height();
    test::StartShownProgram(wb, windows);
  }
  ~CascadeTest() override { SetScreenArea(QRect()); }
  static std::string Prepare(const fs::path& dir) {
    test::FillProgramDir(dir);
    return dir.string();
  }
  test::TempProgramDir temp_{"wl_cascade_"};
  fs::path dir_;
  AnsweringPlatform plat_;
  Workbench wb;
  ProgramWindows windows;
};

TEST_P(CascadeTest, NoWindowOpensOnAnotherOnesPlace) {
  const QRect screen(QPoint(0, 0), GetParam());
  TForm1& f = wb.Form1;
  TrainIrisByClicks(wb, plat_);
  f.PlotT2.UserClick();
  ASSERT_TRUE(wb.ESDone);
  std::vector<std::pair<const char*, QWidget*>> opened = {{"NG3D", windows.Window("NG3D")}};
  const struct {
    const char* Name;
    Button* Open;
  } steps[] = {{"LT2", &f.TR2DButton}, {"LT3", &f.TR3DButton}, {"EForm", &f.Button3}};
  for (const auto& st : steps) {
    st.Open->UserClick();
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    QWidget* w = windows.Window(st.Name);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->isVisible()) << st.Name;
    const QRect frame = w->frameGeometry();
    EXPECT_TRUE(screen.contains(frame)) << st.Name << " " << Text(frame) << " off " << Text(screen);
    for (const auto& [name, before] : opened) {
      if (!before->isVisible()) continue;
      const QRect b = before->frameGeometry();
      const bool sameLeft = std::abs(b.left() - frame.left()) < kCascadeStep;
      EXPECT_FALSE(sameLeft && frame.contains(b.topLeft() + QPoint(kCascadeStep / 2, kCascadeStep / 2)))
          << st.Name << " " << Text(frame) << " covers the title bar of " << name << " " << Text(b);
    }
    opened.emplace_back(st.Name, w);
  }
  EXPECT_TRUE(plat_.Messages.empty()) << plat_.Messages[0];
  // For a look by eye under a window system whose screen has this size: the screen after the window system
  // has framed the windows, each window, and the stay-on-top list opened.
  const char* out = std::getenv("WL_SCREENSHOT_DIR");
  QScreen* sc = QGuiApplication::primaryScreen();
  if (!out || !sc || sc->geometry().size() != GetParam()) return;
  const std::string base = std::string(out) + "/" + std::to_string(GetParam().width()) + "x" +
                           std::to_string(GetParam().height()) + "_";
  auto settle = [] {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 1200) QApplication::processEvents();
  };
  settle();
  sc->grabWindow(0).save(QString::fromStdString(base + "screen_trajectories.png"));
  f.Graphical1.UserClick();
  ASSERT_FALSE(windows.GraphWindows().empty());
  windows.GraphWindows().back()->Model().StartButton.UserClick();
  EXPECT_TRUE(plat_.Messages.empty()) << plat_.Messages[0];
  settle();
  for (QWidget* w : {windows.Window("GTP"), windows.Window("LT2"), windows.Window("LT3"), windows.Window("EForm"),
                     static_cast<QWidget*>(windows.GraphWindows().back())}) {
    w->raise();
    w->activateWindow();
    settle();
    w->grab().save(QString::fromStdString(base + NameOf(w) + ".png"));
    sc->grabWindow(0).save(QString::fromStdString(base + NameOf(w) + "_screen.png"));
  }
  QComboBox* selector = windows.OnTop()->Selector();
  selector->showPopup();
  settle();
  sc->grabWindow(0).save(QString::fromStdString(base + "on_top_list.png"));
  selector->hidePopup();
}

INSTANTIATE_TEST_SUITE_P(Screens, CascadeTest, testing::Values(QSize(1024, 768), QSize(1280, 1024), QSize(1920, 1080)),
                         [](const testing::TestParamInfo<QSize>& info) {
                           return std::to_string(info.param.width()) + "x" + std::to_string(info.param.height());
                         });

// Where a window goes to keep clear of controls of another: a table of frames on a 1280 x 1024 area.
TEST(PlaceClearOf, MovesTheLeastAndLowersOnlyWhenNothingElseKeepsClear) {
  const QRect area(0, 0, 1280, 1024);
  const struct {
    const char* Case;
    QRect Wanted, Clear;
    QRect Expected;
  } cases[] = {
      {"nothing to keep clear of", {0, 500, 800, 524}, {}, {0, 500, 800, 524}},
      {"clear already", {0, 500, 800, 524}, {900, 600, 300, 40}, {0, 500, 800, 524}},
      {"off the area: moved onto it only", {-20, 600, 800, 524}, {900, 600, 300, 40}, {0, 500, 800, 524}},
      {"left of the fields, the nearest place", {200, 500, 300, 524}, {400, 600, 500, 40}, {100, 500, 300, 524}},
      {"above the fields, at the top", {0, 500, 800, 524}, {256, 600, 500, 40}, {0, 76, 800, 524}},
      {"lower, above the fields", {0, 500, 800, 524}, {437, 505, 420, 50}, {0, 0, 800, 505}},
      {"lower, below the fields", {0, 500, 800, 524}, {437, 80, 420, 480}, {0, 560, 800, 464}},
      {"too low to help: left where wanted", {0, 500, 800, 524}, {437, 300, 420, 400}, {0, 500, 800, 524}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    const QRect got = PlaceClearOf(area, c.Wanted, c.Clear, c.Wanted.height() * 2 / 3);
    EXPECT_EQ(Text(got), Text(c.Expected));
    EXPECT_TRUE(area.contains(got));
  }
}

}  // namespace
}  // namespace wl

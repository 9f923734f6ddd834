// The main window as a new user first sees it, at 96 and at 120 pixels per inch: at its start size every
// control's caption and field shows whole inside its container, no panel needs a scroll bar, and the
// stay-on-top window covers no control. Checked on every page, at the start and again after a data set
// has been opened and trained on (the status labels then hold their longest texts), and after font changes
// (each scale as at its start, whatever scales came before). The renders are kept
// in the build folder's test-artefacts/ for a look by eye.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <filesystem>
#include <map>
#include <set>
#include <tuple>
#include <fstream>
#include <string>
#include <vector>

#include "gui/flow_grid_layout.h"
#include "gui/form_view.h"
#include "gui/main_window.h"
#include "gui/program_windows.h"
#include "gui/screen_place.h"
#include "gui/qt_platform.h"
#include "gui/small_windows.h"
#include "platform/rounding.h"
#include "shell/command.h"
#include "shell/startup.h"
#include "support/program_start.h"
#include "support/qt_app_env.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

// The Qt platform answering its dialogs and questions from the test: the data set to open, "Yes" to a
// long run, reports not opened.
class AnsweringQtPlatform : public QtPlatform {
 public:
  using QtPlatform::QtPlatform;
  void ShowMessage(const std::string& text, const std::string&) override { Messages.push_back(text); }
  Answer Ask(const std::string&, const std::string&, Buttons) override { return Answer::Yes; }
  bool Execute(FileDialog& dlg) override {
    if (OpenFile.empty()) return false;
    dlg.FileName = OpenFile;
    return true;
  }
  void OpenInEditor(const std::string&) override {}
  std::vector<std::string> Messages;
  std::string OpenFile;
};

// The first thing wrong with a control's widget, or "".
class LayoutChecker {
 public:
  LayoutChecker(QWidget* window, QRect onTop) : window_(window), onTop_(onTop) {}

  std::string Check(const std::string& name, QWidget* w) const {
    if (!w || !w->isVisibleTo(window_)) return "";
    const QRect inWindow(w->mapTo(window_, QPoint(0, 0)), w->size());
    if (w->width() <= 0 || w->height() <= 0) return name + " has no size";
    // Inside the visible area of every container it stands in.
    for (QWidget* p = w->parentWidget(); p && p != window_; p = p->parentWidget()) {
      const QRect area(p->mapTo(window_, QPoint(0, 0)), p->size());
      if (!area.contains(inWindow))
        return name + " " + Text(inWindow) + " lies outside " + p->objectName().toStdString() + " " + Text(area);
    }
    if (!QRect(QPoint(0, 0), window_->size()).contains(inWindow))
      return name + " " + Text(inWindow) + " lies outside the window";
    const QRect global(w->mapToGlobal(QPoint(0, 0)), w->size());
    // A group box may lie under it (the stay-on-top window sits on "Training Progress"), its controls not.
    if (!qobject_cast<QGroupBox*>(w) && global.intersects(onTop_)) return name + " " + Text(global) + " lies under the stay-on-top window";
    const QFontMetrics fm = w->fontMetrics();
    if (auto* label = qobject_cast<QLabel*>(w)) {
      if (fm.horizontalAdvance(label->text()) > label->contentsRect().width())
        return name + " (\"" + label->text().toStdString() + "\") is cut: " +
               std::to_string(fm.horizontalAdvance(label->text())) + " > " +
               std::to_string(label->contentsRect().width());
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      // A check box or radio button shows its mark, a gap and its caption; a button its caption in its frame.
      const int need = button->sizeHint().width();
      if (need > button->width())
        return name + " (\"" + button->text().toStdString() + "\") is cut: needs " + std::to_string(need) +
               ", has " + std::to_string(button->width());
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      // Room for its text, and for at least four digits when empty.
      const int need = std::max(fm.horizontalAdvance(edit->text()), fm.horizontalAdvance(QStringLiteral("0000"))) + 8;
      if (need > edit->width())
        return name + " field is too narrow: needs " + std::to_string(need) + ", has " + std::to_string(edit->width());
      if (edit->height() < fm.height()) return name + " field is too low";
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
      const int need = combo->minimumSizeHint().width();
      if (need > combo->width())
        return name + " box is too narrow: needs " + std::to_string(need) + ", has " + std::to_string(combo->width());
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
      if (list->height() < 2 * fm.height() || list->width() < fm.horizontalAdvance(QStringLiteral("00000000")))
        return name + " list is too small";
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
      if (fm.horizontalAdvance(group->title()) + 16 > group->width()) return name + " caption is cut";
    }
    // No scroll bar anywhere in it.
    for (auto* area : w->findChildren<QAbstractScrollArea*>()) {
      if (qobject_cast<QListWidget*>(area) || qobject_cast<QComboBox*>(area->parentWidget())) continue;
      if (!area->isVisibleTo(window_)) continue;
      if (area->horizontalScrollBar()->isVisibleTo(window_) || area->verticalScrollBar()->isVisibleTo(window_))
        return name + " shows a scroll bar in " + area->objectName().toStdString();
    }
    return "";
  }

 private:
  static std::string Text(QRect r) {
    return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
  }
  QWidget* window_;
  QRect onTop_;
};

// The free area of the screen the test acts: 1280 x 1024.
struct ActedScreenArea {
  ActedScreenArea() { SetScreenArea(QRect(0, 0, 1280, 1024)); }
  ~ActedScreenArea() { SetScreenArea(QRect()); }
};

class MainWindowLayoutTest : public testing::TestWithParam<int> {
 protected:
  MainWindowLayoutTest() : dir_(temp_.Path()), plat_(Prepare(dir_)), wb(plat_, dir_.string()), windows(wb, plat_) {
    ReadScreen(wb);
    // The display of a new user: 1280 x 1024 at the resolution of the test's parameter.
    wb.ScreenPixelsPerInch = GetParam();
    wb.ScreenWidth = 1280;
    wb.ScreenHeight = 1024;
    test::StartShownProgram(wb, windows);
  }
  static std::string Prepare(const fs::path& dir) {
    test::FillProgramDir(dir);
    return dir.string();
  }

  QTabWidget* Pages() const { return static_cast<QTabWidget*>(windows.Main()->View().WidgetOf("P1")); }

  // The first fault on the page shown now, "" when none.
  std::string FirstFault() const {
    MainWindow* main = windows.Main();
    const LayoutChecker checker(main, windows.OnTop()->frameGeometry());
    const FormView& view = main->View();
    for (const Control* c : wb.Form1.Controls()) {
      const std::string name = c->Name();
      for (QWidget* w : {view.WidgetOf(name), static_cast<QWidget*>(view.LabelOf(name)),
                         static_cast<QWidget*>(view.NoteOf(name))}) {
        std::string fault = checker.Check(name, w);
        if (!fault.empty()) return fault;
      }
    }
    // The tab captions whole, with no scroll arrows.
    QTabBar* bar = Pages()->tabBar();
    for (int i = 0; i < bar->count(); ++i)
      if (bar->tabRect(i).right() >= bar->width()) return "the page tabs do not fit: " + bar->tabText(i).toStdString();
    return "";
  }

  // Checks every page; keeps the picture of the window as shown, and (at the start) one of each page.
  void CheckEveryPage(const std::string& when) {
    QTabWidget* pages = Pages();
    const int start = pages->currentIndex();
    for (int i = 0; i < pages->count(); ++i) {
      pages->setCurrentIndex(i);
      QApplication::processEvents();
      const std::string fault = FirstFault();
      EXPECT_EQ(fault, "") << GetParam() << " ppi, " << when << ", page \"" << pages->tabText(i).toStdString()
                           << "\", short of " << windows.Main()->Shortfall().width() << " x "
                           << windows.Main()->Shortfall().height();
      if (when == "start" && i != start) Keep(windows.Main()->grab().toImage(), when + "_page" + std::to_string(i + 1));
    }
    pages->setCurrentIndex(start);
    QApplication::processEvents();
    Keep(windows.Main()->grab().toImage(), when);
  }

  // Where the window shows each control, page by page: the columns of every page and box, and the place of
  // every control's cell in the window.
  std::vector<std::string> Arrangement() {
    MainWindow* main = windows.Main();
    const FormView& view = main->View();
    QTabWidget* pages = Pages();
    const int start = pages->currentIndex();
    std::vector<std::string> out;
    for (int i = 0; i < pages->count(); ++i) {
      pages->setCurrentIndex(i);
      QApplication::processEvents();
      const std::string page = pages->tabText(i).toStdString() + ": ";
      for (const Control* c : wb.Form1.Controls()) {
        const std::string name = c->Name();
        if (FlowGridLayout* layout = view.LayoutOf(name); layout && view.WidgetOf(name)->isVisibleTo(main))
          out.push_back(page + name + " in " + std::to_string(layout->Columns()) + " columns");
        QWidget* cell = view.CellOf(name);
        if (!cell || !cell->isVisibleTo(main)) continue;
        const QRect r(cell->mapTo(main, QPoint(0, 0)), cell->size());
        out.push_back(page + name + QStringLiteral(" at (%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString());
      }
    }
    pages->setCurrentIndex(start);
    QApplication::processEvents();
    return out;
  }

  void Keep(const QImage& image, const std::string& when) const {
    const fs::path out = fs::path(WL_ARTEFACT_DIR);
    fs::create_directories(out);
    image.save(QString::fromStdString(
        (out / ("main_window_" + std::to_string(GetParam()) + "ppi_" + when + ".png")).string()));
  }

  ActedScreenArea area_;
  test::TempProgramDir temp_{"wl_layout_"};
  fs::path dir_;
  AnsweringQtPlatform plat_;
  Workbench wb;
  ProgramWindows windows;
};

TEST_P(MainWindowLayoutTest, EveryControlShowsWholeAndNoneLiesUnderTheStayOnTopWindow) {
  MainWindow* main = windows.Main();
  const double s = ScaleForFont(GetParam()).S;
  EXPECT_EQ(main->size(), QSize(RoundInt(1024 * s), RoundInt(768 * s)));
  EXPECT_TRUE(windows.OnTop()->isVisible());
  EXPECT_TRUE(plat_.Messages.empty()) << plat_.Messages[0];
  CheckEveryPage("start");

  // Iris opened and trained on: the labels of the progress group hold the network and the estimates.
  // The estimates show while the run goes on; they are put back afterwards to be looked at.
  std::string estimates;
  const int listener = wb.Form1.AddListener([&](const ControlNotice& n) {
    if (n.Source == &wb.Form1.Label56 && wb.Form1.Label56.Caption().size() > estimates.size())
      estimates = wb.Form1.Label56.Caption();
  });
  plat_.OpenFile = wb.Path("DATA/iris.dat");
  wb.Form1.Simple1.UserClick();
  wb.Form1.TrainingT2.UserClick();
  wb.Form1.RemoveListener(listener);
  EXPECT_TRUE(plat_.Messages.empty()) << plat_.Messages[0];
  EXPECT_NE(estimates.find("ESTIMATED TIMES"), std::string::npos) << estimates;
  wb.Form1.Label56.SetCaption(estimates);
  QApplication::processEvents();
  CheckEveryPage("trained");
}

// The runs write their method, the network and the estimates into the progress group; the texts differ in
// length from run to run ("Backpropagation - online mode" against "Numerical Gradient"). The pages and the
// group stand as they stood before any run, whatever the last run wrote.
TEST_P(MainWindowLayoutTest, TheArrangementDoesNotDependOnTheLastRun) {
  plat_.OpenFile = wb.Path("DATA/iris.dat");
  wb.Form1.Simple1.UserClick();
  ASSERT_TRUE(plat_.Messages.empty()) << plat_.Messages[0];
  QApplication::processEvents();
  const std::vector<std::string> before = Arrangement();
  ASSERT_FALSE(before.empty());

  const struct {
    const char* Method;
    bool Online;
    const char* Label19;
  } runs[] = {{"BP", false, "Backpropagation - batch mode"},
              {"BP", true, "Backpropagation - online mode"},
              {"NG", false, "Numerical Gradient"}};
  for (const auto& run : runs) {
    SCOPED_TRACE(run.Label19);
    (std::string(run.Method) == "BP" ? wb.Form1.BPButton : wb.Form1.NGT2).UserClick();
    if (run.Online != wb.Form1.OnlineBP.Checked()) (run.Online ? wb.Form1.OnlineBP : wb.Form1.BatchBP).UserClick();
    wb.Form1.EpochEditT2.UserSetText("8");
    wb.Form1.TrainingT2.UserClick();
    ASSERT_TRUE(plat_.Messages.empty()) << plat_.Messages[0];
    EXPECT_EQ(wb.Form1.Label19.Caption(), run.Label19);
    QApplication::processEvents();
    const std::vector<std::string> after = Arrangement();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) ASSERT_EQ(after[i], before[i]) << GetParam() << " ppi";
    EXPECT_EQ(FirstFault(), "");
  }
  // A caption longer than the label's room shows cut, and whole as its tooltip.
  const std::string longName = "a_feature_with_a_long_name_of_the_data_set" + std::string(25, ' ');
  wb.Form1.Label19.SetCaption(longName);
  QApplication::processEvents();
  auto* label = qobject_cast<QLabel*>(windows.Main()->View().WidgetOf("Label19"));
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(label->text().endsWith(QChar(0x2026))) << label->text().toStdString();
  EXPECT_EQ(label->toolTip().toStdString(), longName);
  EXPECT_EQ(Arrangement(), before);
}

// The user moves the main window: the stay-on-top window goes along, at its place relative to the window's
// bottom right corner; made larger or smaller, the window takes it along with the corner. Wherever the
// user puts the stay-on-top window, the pages and the boxes along the bottom keep their arrangement.
TEST_P(MainWindowLayoutTest, TheStayOnTopWindowGoesWithTheMainWindowAndTheArrangementStays) {
  MainWindow* main = windows.Main();
  OnTopWindow* onTop = windows.OnTop();
  ASSERT_TRUE(onTop->isVisible());
  auto settle = [] {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 400) QApplication::processEvents(QEventLoop::AllEvents, 50);
  };
  settle();
  const std::vector<std::string> start = Arrangement();
  const QPoint offset = onTop->pos() - (main->pos() + QPoint(main->width(), main->height()));
  // Moves of the main window: by the title bar, and by the program (kept on the screen).
  for (const QPoint by : {QPoint(-200, 40), QPoint(-37, 100), QPoint(150, -90)}) {
    main->move(main->pos() + by);
    settle();
    EXPECT_EQ(onTop->pos() - (main->pos() + QPoint(main->width(), main->height())), offset)
        << "moved by " << by.x() << ", " << by.y();
    EXPECT_EQ(onTop->pos(), QPoint(wb.OnTopForm.Left, wb.OnTopForm.Top));
  }
  EXPECT_EQ(FirstFault(), "");
  // Made larger by the user at the bottom right, and back: still in the corner.
  main->resize(main->size() + QSize(40, 30));
  settle();
  EXPECT_EQ(onTop->pos() - (main->pos() + QPoint(main->width(), main->height())), offset);
  main->resize(main->size() - QSize(40, 30));
  settle();
  ASSERT_EQ(Arrangement(), start);

  // Put elsewhere by the user (over the progress group, over the pages, away from the window): the
  // arrangement stays as it was.
  const QRect frame = main->frameGeometry();
  for (const QPoint at : {frame.bottomRight() - QPoint(500, 60), frame.bottomLeft() + QPoint(10, -60),
                          frame.topLeft() + QPoint(300, 200), QPoint(frame.left() - 300, frame.bottom() - 40)}) {
    DropPendingPlacements(onTop);
    onTop->move(at);
    settle();
    const std::vector<std::string> now = Arrangement();
    ASSERT_EQ(now.size(), start.size());
    for (std::size_t i = 0; i < now.size(); ++i)
      ASSERT_EQ(now[i], start[i]) << GetParam() << " ppi, the stay-on-top window at " << at.x() << ", " << at.y();
  }
}

// "Tools" -> "Fonts" with a percentage and "OK": at every scale the window shows every control whole, the
// stay-on-top window sits in its corner clear of them, and a scale looks the same whatever scales came
// before (the start's size and arrangement at the start's scale).
TEST_P(MainWindowLayoutTest, AfterFontChangesEachScaleLooksAsAtItsStart) {
  MainWindow* main = windows.Main();
  OnTopWindow* onTop = windows.OnTop();
  auto fonts = [&](int pct) {
    wb.Form1.Fonts2.UserClick();
    QApplication::processEvents();
    wb.Form2.MaskEdit1.UserSetText(std::to_string(pct));
    wb.Form2.Button1.UserClick();
    QApplication::processEvents();
  };
  struct Look {
    QRect Window, OnTop;
    std::vector<std::string> Arrangement;
  };
  auto look = [&] { return Look{main->geometry(), onTop->geometry(), Arrangement()}; };
  auto expectSame = [&](const Look& got, const Look& want, const std::string& after) {
    EXPECT_EQ(got.Window, want.Window) << after;
    EXPECT_EQ(got.OnTop, want.OnTop) << after;
    ASSERT_EQ(got.Arrangement.size(), want.Arrangement.size()) << after;
    for (std::size_t i = 0; i < want.Arrangement.size(); ++i)
      ASSERT_EQ(got.Arrangement[i], want.Arrangement[i]) << after;
  };
  const int startPct = wb.FontPct;
  const Look start = look();

  // Each scale: the start's size for it (as far as the screen goes), the stay-on-top window where it is put
  // at the start, nothing cut, covered or scrolled on any page. The largest on a larger screen.
  std::vector<Look> first;
  const struct {
    int Pct, ScreenWidth, ScreenHeight;
  } scales[] = {{100, 1280, 1024}, {130, 1280, 1024}, {150, 1280, 1024}, {200, 2560, 1600}};
  for (const auto& scale : scales) {
    const int pct = scale.Pct;
    SCOPED_TRACE(pct);
    SetScreenArea(QRect(0, 0, scale.ScreenWidth, scale.ScreenHeight));
    wb.ScreenWidth = scale.ScreenWidth;
    fonts(pct);
    const QMargins frame = FrameMargins(main);
    const QSize size(std::min(RoundInt(1024 * pct / 120.0), scale.ScreenWidth - frame.left() - frame.right()),
                     RoundInt(768 * pct / 120.0));
    EXPECT_EQ(main->size(), size);
    EXPECT_EQ(main->frameGeometry().right(), scale.ScreenWidth - 1);
    EXPECT_EQ(onTop->pos(), QPoint(scale.ScreenWidth - RoundInt(pct * 260 / 150.0),
                                   main->y() + size.height() - RoundInt(pct * 110 / 150.0)));
    // Every control in the window's font, also the ones with a coloured caption.
    const int pixels = QFontInfo(main->font()).pixelSize();
    for (const Control* c : wb.Form1.Controls())
      for (QWidget* w : {main->View().WidgetOf(c->Name()), static_cast<QWidget*>(main->View().LabelOf(c->Name()))})
        if (w) {
          EXPECT_EQ(QFontInfo(w->font()).pixelSize(), pixels) << c->Name();
        }
    CheckEveryPage("fonts_" + std::to_string(pct));
    first.push_back(look());
  }
  SetScreenArea(QRect(0, 0, 1280, 1024));
  wb.ScreenWidth = 1280;
  // Back to the start's scale from above and from below; a scale reached again from another.
  fonts(130);
  fonts(startPct);
  expectSame(look(), start, "130 then the start's percentage");
  fonts(100);
  fonts(startPct);
  expectSame(look(), start, "100 then the start's percentage");
  fonts(150);
  fonts(100);
  expectSame(look(), first[0], "150 then 100");
  fonts(100);
  fonts(130);
  expectSame(look(), first[1], "100 then 130");

  // The caption of the third layer's group in black (a third layer) and grey again (none), with font
  // changes between: the group keeps the window's font.
  const struct {
    const char* L3;
    int Pct;
  } steps[] = {{"2", 150}, {"0", 150}, {"0", 100}, {"2", 100}, {"2", 130}};
  for (const auto& step : steps) {
    wb.Form1.Hid3EditT2.UserSetText(step.L3);
    wb.Form1.Hid3EditT2.LeaveFocus();
    if (step.Pct != wb.FontPct) fonts(step.Pct);
    QApplication::processEvents();
    for (const char* name : {"GroupBox5", "HL3TF"})
      EXPECT_EQ(QFontInfo(main->View().WidgetOf(name)->font()).pixelSize(), QFontInfo(main->font()).pixelSize())
          << "L3 " << step.L3 << ", " << step.Pct << " %, " << name;
  }

  // Dragged away by its caption, the stay-on-top window stays where the user put it.
  QWidget* caption = onTop->findChild<QLabel*>(QStringLiteral("OnTopCaption"));
  ASSERT_NE(caption, nullptr);
  const QPoint grip = caption->mapToGlobal(QPoint(5, 5));
  const QPoint to = QPoint(20, 900) + (grip - onTop->frameGeometry().topLeft());
  auto mouse = [caption](QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(caption->mapFromGlobal(global)), QPointF(global), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(caption, &e);
  };
  mouse(QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
  mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
  // Past the time of the program's last placement still due (it would put the window back in its corner).
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 400) QApplication::processEvents(QEventLoop::AllEvents, 50);
  ASSERT_EQ(onTop->pos(), QPoint(20, 900));
  fonts(100);
  EXPECT_EQ(onTop->pos(), QPoint(20, 900));
}

// The frame a user sees round a widget: the nearest box, panel or framed area it stands in (a page, the page
// control and the window do not count).
QWidget* FrameRound(QWidget* w, QWidget* window) {
  for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
    if (qobject_cast<QTabWidget*>(p) || qobject_cast<QAbstractScrollArea*>(p) || qobject_cast<QLabel*>(p)) continue;
    if (auto* box = qobject_cast<QGroupBox*>(p); box && !box->isFlat()) return p;
    if (auto* frame = qobject_cast<QFrame*>(p); frame && frame->frameShape() != QFrame::NoFrame &&
                                                frame->frameWidth() > 0)
      return p;
  }
  return nullptr;
}

QRect InWindow(QWidget* w, QWidget* window) { return {w->mapTo(window, QPoint(0, 0)), w->size()}; }

// Which radio button goes with which: every group of radio buttons on a page stands in a frame of its own,
// its buttons inside that frame's rectangle and no button of another group inside it. Checked on every page
// at the start, at 96 and 120 pixels per inch, on a screen of 1280 x 1024 and one of 1920 x 1080.
class RadioGroupFrameTest : public testing::TestWithParam<std::tuple<int, QSize>> {
 protected:
  RadioGroupFrameTest()
      : screen_(std::get<1>(GetParam())), dir_(temp_.Path()), plat_(Prepare(dir_)), wb(plat_, dir_.string()),
        windows(wb, plat_) {
    ReadScreen(wb);
    wb.ScreenPixelsPerInch = std::get<0>(GetParam());
    wb.ScreenWidth = std::get<1>(GetParam()).width();
    wb.ScreenHeight = std::get<1>(GetParam()).height();
    test::StartShownProgram(wb, windows);
  }
  static std::string Prepare(const fs::path& dir) {
    test::FillProgramDir(dir);
    return dir.string();
  }
  struct ScreenArea {
    explicit ScreenArea(QSize size) { SetScreenArea(QRect(QPoint(0, 0), size)); }
    ~ScreenArea() { SetScreenArea(QRect()); }
  };
  std::string Where() const {
    return std::to_string(std::get<0>(GetParam())) + " ppi, " + std::to_string(wb.ScreenWidth) + " x " +
           std::to_string(wb.ScreenHeight);
  }

  ScreenArea screen_;
  test::TempProgramDir temp_{"wl_groups_"};
  fs::path dir_;
  AnsweringQtPlatform plat_;
  Workbench wb;
  ProgramWindows windows;
};

TEST_P(RadioGroupFrameTest, EachRadioGroupOnAPageStandsInAFrameOfItsOwn) {
  MainWindow* main = windows.Main();
  const FormView& view = main->View();
  auto* pages = static_cast<QTabWidget*>(view.WidgetOf("P1"));
  ASSERT_NE(pages, nullptr);
  // The radio buttons of each group, by their container and group.
  std::map<std::string, std::vector<const RadioButton*>> groups;
  for (const Control* c : wb.Form1.Controls())
    if (c->Kind() == ControlKind::RadioButton) {
      const auto* r = static_cast<const RadioButton*>(c);
      groups[r->Parent() + "/" + r->Group()].push_back(r);
    }
  int checked = 0;
  std::set<std::string> seen;
  for (int i = 0; i < pages->count(); ++i) {
    pages->setCurrentIndex(i);
    QApplication::processEvents();
    const std::string page = "page \"" + pages->tabText(i).toStdString() + "\", " + Where();
    for (const auto& [key, buttons] : groups) {
      QWidget* first = view.WidgetOf(buttons.front()->Name());
      if (!first || !first->isVisibleTo(main) || !pages->currentWidget()->isAncestorOf(first)) continue;
      SCOPED_TRACE(page + ", " + key);
      // The frame round the first button holds every button of the group, and it shows.
      QWidget* frame = FrameRound(first, main);
      if (!frame) {
        ADD_FAILURE() << buttons.front()->Name() << " (\"" << buttons.front()->Caption() << "\") stands in no frame";
        continue;
      }
      EXPECT_TRUE(frame->isVisibleTo(main));
      const QRect area = InWindow(frame, main);
      for (const RadioButton* r : buttons) {
        QWidget* w = view.WidgetOf(r->Name());
        if (!w->isVisibleTo(main)) continue;
        EXPECT_EQ(FrameRound(w, main), frame) << r->Name() << " (\"" << r->Caption() << "\") stands outside the frame of "
                                             << buttons.front()->Name();
        EXPECT_TRUE(area.contains(InWindow(w, main))) << r->Name();
      }
      // No button of another group inside the frame, nor over it.
      for (const auto& [otherKey, others] : groups) {
        if (otherKey == key) continue;
        for (const RadioButton* r : others) {
          QWidget* w = view.WidgetOf(r->Name());
          if (!w || !w->isVisibleTo(main)) continue;
          if (FrameRound(w, main) == frame || area.intersects(InWindow(w, main)))
            ADD_FAILURE() << r->Name() << " (\"" << r->Caption() << "\", " << otherKey << ") lies in the frame of "
                          << key;
        }
      }
      seen.insert(key);
      ++checked;
    }
  }
  // The groups of the pages: none was left out.
  for (const char* key : {"TabPlots/ProgressPlot", "TabPlots/MarkerStyle", "TabPlots/WMFormat", "TabTraining/BPMode",
                          "TabNumericalGradient/NGStepRule", "ConnectionsGroup/Connections", "Dir1Panel/Dir1Format",
                          "Dir2Panel/Dir2Format", "HiddenFactorGroup/HiddenFactor"})
    EXPECT_TRUE(seen.count(key)) << key << " not seen, " << Where();
  EXPECT_GE(checked, 15);
  EXPECT_TRUE(plat_.Messages.empty()) << plat_.Messages[0];
}

// The two "Weighted Error" check boxes of the network page keep their one caption; on the screen each reads
// with what it weighs by (the class weights of the gradient-type trainers, the vector weights of the
// others), beside its own box and shown whole.
TEST_P(RadioGroupFrameTest, TheTwoWeightedErrorBoxesReadApartOnTheScreen) {
  MainWindow* main = windows.Main();
  const FormView& view = main->View();
  auto* pages = static_cast<QTabWidget*>(view.WidgetOf("P1"));
  ASSERT_NE(pages, nullptr);
  pages->setCurrentWidget(view.WidgetOf("TabNetworkAndError"));
  QApplication::processEvents();
  const struct {
    const char* Name;
    const char* Weighs;
    const char* Other;
  } boxes[] = {{"WEBox", "class weight", "WeightedErrorBox"}, {"WeightedErrorBox", "vector weight", "WEBox"}};
  std::set<std::string> shown;
  for (const auto& b : boxes) {
    SCOPED_TRACE(std::string(b.Name) + ", " + Where());
    auto* box = qobject_cast<QCheckBox*>(view.WidgetOf(b.Name));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text().toStdString(), "Weighted Error");
    ASSERT_TRUE(box->isVisibleTo(main));
    QLabel* note = view.NoteOf(b.Name);
    ASSERT_NE(note, nullptr) << "nothing beside \"Weighted Error\" says what it weighs";
    ASSERT_TRUE(note->isVisibleTo(main));
    EXPECT_NE(note->text().toStdString().find(b.Weighs), std::string::npos) << note->text().toStdString();
    EXPECT_LE(note->fontMetrics().horizontalAdvance(note->text()), note->contentsRect().width()) << "the note is cut";
    // Right of its own box, on its line, and nearer to it than to the other box.
    const QRect boxRect = InWindow(box, main), noteRect = InWindow(note, main);
    EXPECT_GE(noteRect.left(), boxRect.right()) << "the note is not after its box";
    EXPECT_LE(noteRect.left() - boxRect.right(), 12);
    EXPECT_TRUE(boxRect.top() <= noteRect.center().y() && noteRect.center().y() <= boxRect.bottom());
    const QRect otherRect = InWindow(view.WidgetOf(b.Other), main);
    EXPECT_FALSE(noteRect.intersects(otherRect));
    shown.insert(box->text().toStdString() + " " + note->text().toStdString());
  }
  EXPECT_EQ(shown.size(), 2u) << "the two boxes read alike";
  // The captions the program reads and the settings keep are as they were.
  EXPECT_EQ(wb.Form1.WEBox.Caption(), "Weighted Error");
  EXPECT_EQ(wb.Form1.WeightedErrorBox.Caption(), "Weighted Error");
}

INSTANTIATE_TEST_SUITE_P(
    Screens, RadioGroupFrameTest,
    testing::Combine(testing::Values(96, 120), testing::Values(QSize(1280, 1024), QSize(1920, 1080))),
    [](const testing::TestParamInfo<std::tuple<int, QSize>>& info) {
      return std::to_string(std::get<0>(info.param)) + "ppi_" + std::to_string(std::get<1>(info.param).width()) + "x" +
             std::to_string(std::get<1>(info.param).height());
    });

INSTANTIATE_TEST_SUITE_P(FontResolutions, MainWindowLayoutTest, testing::Values(96, 120),
                         [](const testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "ppi"; });

}  // namespace
}  // namespace wl

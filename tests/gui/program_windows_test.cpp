// The program's windows: made in their order with their captions, the stay-on-top window at its place
// above the main window, its selector bringing windows forward (the picture viewer made on first use,
// never a window that is gone), and the training-progress window drawing live during a run.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QWindow>
#include <QMenuBar>
#include <QTimer>
#include <QComboBox>
#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QAbstractScrollArea>
#include <QListWidget>
#include <QScrollBar>
#include <QScreen>
#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "analysis/viewer_pictures.h"
#include "gui/gtp_window.h"
#include "gui/main_window.h"
#include "gui/ngf_window.h"
#include "gui/representation_window.h"
#include "analysis/representation_windows.h"
#include "analysis/signal_plots.h"
#include "gui/program_windows.h"
#include "gui/screen_place.h"
#include "gui/surface_window.h"
#include "gui/small_windows.h"
#include "gui/weight_window.h"
#include "gui/tool_windows.h"
#include "model/create_network.h"
#include "model/data_file.h"
#include "model/results_prefix.h"
#include "platform/rounding.h"
#include "shell/command.h"
#include "shell/data_visualization.h"
#include "shell/picture_viewer.h"
#include "shell/on_top.h"
#include "shell/startup.h"
#include "support/gui_test_platform.h"
#include "support/program_start.h"
#include "support/qt_app_env.h"
#include "support/test_support.h"
#include "training/ng_train.h"
#include "training/one_change.h"
#include "analysis/weight_forms.h"
#include "analysis/eform_pictures.h"
#include "analysis/lt3_pictures.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

// The Qt platform with its message boxes recorded instead of shown, so that a test never waits for a click.
class RecordingQtPlatform : public QtPlatform {
 public:
  using QtPlatform::QtPlatform;
  void ShowMessage(const std::string& text, const std::string&) override { Messages.push_back(text); }
  // An open dialog answered with the next queued file, without showing it; none queued shows it.
  bool Execute(FileDialog& dlg) override {
    if (OpenAnswers.empty() || dlg.IsSave()) return QtPlatform::Execute(dlg);
    dlg.FileName = OpenAnswers.front();
    OpenAnswers.erase(OpenAnswers.begin());
    return true;
  }
  std::vector<std::string> Messages;
  std::vector<std::string> OpenAnswers;
};

// The entries the stay-on-top selector's list offers when the user opens it.
std::vector<int> Offered(QComboBox* box) {
  box->showPopup();
  box->hidePopup();
  std::vector<int> entries;
  for (int r = 0; r < box->count(); ++r) entries.push_back(box->itemData(r).toInt());
  return entries;
}

// The user opens the selector's list and picks the row of `entry`; false when the list does not offer it.
bool PickEntry(QComboBox* box, int entry) {
  box->showPopup();
  box->hidePopup();
  const int row = box->findData(entry);
  if (row < 0) return false;
  box->activated(row);
  return true;
}

// The windows stay where the routines put them, also where that is off the small screen of the test's display
// (keeping them on the screen is the layout test's).
using test::LargeScreenArea;

class ProgramWindowsTest : public testing::Test {
 protected:
  ProgramWindowsTest()
      : dir_(temp_.Path()),
        plat_(Prepare(dir_)),
        wb(plat_, dir_.string()),
        windows(wb, plat_) {
    ReadScreen(wb);
    test::StartShownProgram(wb, windows);
  }
  static std::string Prepare(const fs::path& dir) {
    fs::copy(WL_SOURCE_DIR "/DATA", dir / "DATA", fs::copy_options::recursive);
    std::ofstream(dir / "weightlab.ini") << "WeightLab   v.0.947\nCPUCHECKED=1500\n";
    return dir.string();
  }

  // Saves a picture of a window, and one of the whole screen, when WL_SCREENSHOT_DIR names a folder (for
  // a look by eye).
  static void Keep(QWidget* w, const char* name) {
    const char* out = std::getenv("WL_SCREENSHOT_DIR");
    if (!out) return;
    w->grab().save(QString::fromStdString(std::string(out) + "/" + name + ".png"));
    if (QScreen* screen = QGuiApplication::primaryScreen())
      screen->grabWindow(0).save(QString::fromStdString(std::string(out) + "/" + name + "_screen.png"));
  }

  LargeScreenArea area_;
  test::TempProgramDir temp_{"wl_windows_"};  // removed after the windows and the workbench have ended
  fs::path dir_;
  RecordingQtPlatform plat_;
  Workbench wb;
  ProgramWindows windows;
};

TEST_F(ProgramWindowsTest, TheFifteenWindowsAreMadeInOrderWithTheirCaptions) {
  std::vector<std::string> names;
  for (const StartupWindow& w : StartupWindows()) {
    names.push_back(w.Name);
    QWidget* window = windows.Window(w.Name);
    ASSERT_NE(window, nullptr) << w.Name;
    EXPECT_EQ(window->objectName().toStdString(), w.Name);
    if (std::string(w.Name) != "OnTopForm" && std::string(w.Name) != "Form4") {
      EXPECT_EQ(window->windowTitle().toStdString(), w.Caption) << w.Name;
    }
    // Only the main window and the stay-on-top window show at the start.
    const bool shown = std::string(w.Name) == "Form1" || std::string(w.Name) == "OnTopForm";
    EXPECT_EQ(window->isVisible(), shown) << w.Name;
  }
  EXPECT_EQ(windows.Made(), names);
  EXPECT_TRUE(plat_.Messages.empty());

  // The main window as the start-up laid it out for the screen's font resolution.
  EXPECT_EQ(windows.Main()->width(), wb.MainFormRect.Width);
  EXPECT_EQ(windows.Main()->height(), wb.MainFormRect.Height);
  EXPECT_EQ(wb.MainFormRect.Width, RoundInt(1024 * ScaleForFont(wb.ScreenPixelsPerInch).S));
  Keep(windows.Main(), "main_window");
}

TEST_F(ProgramWindowsTest, TheErrorSurfaceWindowLaysItsControlsOutBelowThePicture) {
  auto* ng3d = dynamic_cast<SurfaceWindow*>(windows.Window("NG3D"));
  ASSERT_NE(ng3d, nullptr);
  ng3d->ShowFromModel();
  QApplication::processEvents();
  QWidget* picture = ng3d->findChild<QWidget*>(QStringLiteral("I1"), Qt::FindDirectChildrenOnly);
  ASSERT_NE(picture, nullptr);
  // Every visible control below the picture, inside the window, and none over another.
  std::vector<std::pair<QString, QRect>> placed;
  for (QWidget* w : ng3d->findChildren<QWidget*>()) {
    if (!w->isVisible() || w == picture || w->parentWidget() == ng3d || w->parentWidget() == picture) continue;
    if (w->parentWidget()->parentWidget() != ng3d) continue;  // the panel's own cells only
    const QRect r(w->mapTo(ng3d, QPoint(0, 0)), w->size());
    const QRect panel(w->parentWidget()->mapTo(ng3d, QPoint(0, 0)), w->parentWidget()->size());
    EXPECT_GE(r.top(), picture->geometry().bottom()) << w->objectName().toStdString();
    EXPECT_TRUE(ng3d->rect().contains(r)) << w->objectName().toStdString();
    EXPECT_TRUE(panel.contains(r)) << w->objectName().toStdString();  // not cut off by the panel
    for (const auto& [name, other] : placed)
      EXPECT_FALSE(r.intersects(other)) << w->objectName().toStdString() << " over " << name.toStdString();
    placed.emplace_back(w->objectName(), r);
  }
  EXPECT_GT(placed.size(), 10u);
  Keep(ng3d, "error_surface_window");
}

TEST_F(ProgramWindowsTest, TheStayOnTopWindowShowsTheTraceAndItsSelector) {
  OnTopWindow* onTop = windows.OnTop();
  EXPECT_EQ(onTop->windowTitle(), QStringLiteral("Form on Top"));
  EXPECT_EQ(onTop->pos(), QPoint(wb.OnTopForm.Left, wb.OnTopForm.Top));
  EXPECT_TRUE(onTop->windowFlags() & Qt::WindowStaysOnTopHint);
  QComboBox* box = onTop->Selector();
  // At the start the list offers the main window and the picture viewer (made when chosen), no more.
  EXPECT_EQ(Offered(box), (std::vector<int>{0, 7}));
  EXPECT_EQ(box->itemText(1), QStringLiteral("Picture Viewer"));
  EXPECT_EQ(box->currentIndex(), 0);

  wb.ProgressStage = "3";
  UpdateProgressTrace(wb);
  EXPECT_EQ(onTop->windowTitle(), QStringLiteral("On Top      3-0-0"));
  SetTopFormEntry(wb, 2);
  EXPECT_EQ(box->itemData(box->currentIndex()).toInt(), 2);

  // Activating a window shows its entry.
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(windows.Progress(), &activate);
  EXPECT_EQ(wb.OnTopForm.FormTopBox.ItemIndex(), 2);
  QApplication::sendEvent(windows.Main(), &activate);
  EXPECT_EQ(box->currentIndex(), 0);
}

// The list offers a window once it is there to bring forward: the training progress after a run, the
// error surface after "SVD + Plot", each trajectory window once opened; never one not yet opened.
TEST_F(ProgramWindowsTest, TheSelectorOffersOnlyWindowsThatWereOpened) {
  QComboBox* box = windows.OnTop()->Selector();
  ReadDataFile(wb, wb.Path("DATA/iris.dat"));
  wb.DataFileName = wb.Path("DATA/iris.dat");
  MakeResultsPrefix(wb);
  wb.Form1.EpochEditT2.SetText("12");
  ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
  RunCommand(wb, [this] { TimedRun(wb, [this] { TrainOneChange(wb, 2); }); });
  EXPECT_EQ(Offered(box), (std::vector<int>{0, 2, 7}));
  const struct {
    const char* Step;
    std::function<void()> Open;
    std::vector<int> Offered;
  } steps[] = {
      {"SVD + Plot", [this] { wb.Form1.PlotT2.UserClick(); }, {0, 1, 2, 7}},
      {"TR 3D", [this] { wb.Form1.TR3DButton.UserClick(); }, {0, 1, 2, 7, 9}},
      {"TR 2D", [this] { wb.Form1.TR2DButton.UserClick(); }, {0, 1, 2, 7, 8, 9}},
      {"TR 1D", [this] { wb.Form1.Button3.UserClick(); }, {0, 1, 2, 7, 8, 9, 10}},
  };
  for (const auto& st : steps) {
    st.Open();
    EXPECT_TRUE(plat_.Messages.empty()) << st.Step << ": " << (plat_.Messages.empty() ? "" : plat_.Messages[0]);
    EXPECT_EQ(Offered(box), st.Offered) << st.Step;
  }
  // Each offered entry brings its window forward.
  for (const int entry : {2, 8, 9, 10, 1}) {
    ASSERT_TRUE(PickEntry(box, entry)) << entry;
    EXPECT_EQ(wb.OnTopForm.FormTopBox.ItemIndex(), entry);
  }
  EXPECT_TRUE(windows.Window("NG3D")->isVisible());
  Keep(windows.OnTop(), "on_top_selector");
}

TEST_F(ProgramWindowsTest, TheSelectorBringsForwardOnlyWindowsThatExist) {
  QComboBox* box = windows.OnTop()->Selector();
  // "Training Progress" before any training: not offered.
  EXPECT_FALSE(PickEntry(box, 2));
  EXPECT_FALSE(windows.Progress()->isVisible());
  wb.GTPFormExists = true;
  EXPECT_TRUE(PickEntry(box, 2));
  EXPECT_TRUE(windows.Progress()->isVisible());

  // The picture viewer is made when first chosen, and made anew after it was closed and destroyed.
  EXPECT_EQ(windows.Window("Przegladaj"), nullptr);
  EXPECT_TRUE(PickEntry(box, 7));
  QWidget* viewer = windows.Window("Przegladaj");
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Picture Viewer"));
  EXPECT_TRUE(wb.ViewerFormExists);
  viewer->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(windows.Window("Przegladaj"), nullptr);
  EXPECT_FALSE(wb.ViewerFormExists);
  EXPECT_TRUE(PickEntry(box, 7));
  ASSERT_NE(windows.Window("Przegladaj"), nullptr);
  EXPECT_TRUE(windows.Window("Przegladaj")->isVisible());

  // The drawing pop-up at its place with its percentage, then hidden.
  ShowDrawingPopup(wb, 10, 20);
  DrawingPopup* popup = windows.Drawing();
  EXPECT_TRUE(popup->isVisible());
  EXPECT_EQ(popup->pos(), QPoint(210, 320));
  SetDrawingProgress(wb, "64%");
  EXPECT_EQ(popup->Percent()->text(), QStringLiteral("64%"));
  HideDrawingPopup(wb);
  EXPECT_FALSE(popup->isVisible());
}

// The share of the picture's pixels in a colour.
int CountColour(const QImage& image, QRgb colour) {
  int n = 0;
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < rgb.height(); ++y)
    for (int x = 0; x < rgb.width(); ++x) n += (rgb.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
  return n;
}

TEST_F(ProgramWindowsTest, TheTrainingProgressWindowDrawsDuringARun) {
  ReadDataFile(wb, wb.Path("DATA/iris.dat"));
  wb.DataFileName = wb.Path("DATA/iris.dat");
  MakeResultsPrefix(wb);
  wb.Form1.EpochEditT2.SetText("8      ");
  ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
  GtpWindow* gtp = windows.Progress();
  ASSERT_FALSE(gtp->isVisible());

  // What the window shows while the run draws: looked at after the third epoch.
  int redDuringRun = -1;
  const int listener = wb.GTP.AddListener([&](const ControlNotice& n) {
    if (n.Source == &wb.GTP.PaintBox1 && wb.EpochHistory.size() > 3 && redDuringRun < 0 && gtp->isVisible())
      redDuringRun = CountColour(gtp->Picture()->grab().toImage(), qRgb(255, 0, 0));
  });
  RunCommand(wb, [this] { TimedRun(wb, [this] { TrainOneChange(wb, 2); }); });
  wb.GTP.RemoveListener(listener);
  EXPECT_TRUE(plat_.Messages.empty()) << (plat_.Messages.empty() ? "" : plat_.Messages[0]);

  EXPECT_TRUE(gtp->isVisible());
  // At the model's place, unless that covers the main window's epoch, error or time: then off them.
  QRect fields;
  for (const char* name : {"ep", "ge", "TrainingEdit"}) {
    QWidget* cell = windows.Main()->View().CellOf(name);
    fields |= QRect(cell->mapToGlobal(QPoint(0, 0)), cell->size());
  }
  const QRect modelPlace(QPoint(wb.GTP.Left, wb.GTP.Top), gtp->frameGeometry().size());
  if (!modelPlace.intersects(fields)) {
    EXPECT_EQ(gtp->pos(), QPoint(wb.GTP.Left, wb.GTP.Top));
  } else {
    EXPECT_FALSE(gtp->frameGeometry().intersects(fields));
  }
  EXPECT_GT(redDuringRun, 0);
  QApplication::processEvents();
  // The finished picture: the error curve in red, the accuracy in blue.
  const QImage shown = gtp->Picture()->grab().toImage();
  EXPECT_GT(CountColour(shown, qRgb(255, 0, 0)), redDuringRun);
  EXPECT_GT(CountColour(shown, qRgb(0, 0, 255)), 0);
  EXPECT_EQ(&gtp->Picture()->Current(), &Pictures(wb.GTP).Image1Picture);
  auto* save = qobject_cast<QPushButton*>(gtp->View().WidgetOf("Button1"));
  ASSERT_NE(save, nullptr);
  EXPECT_TRUE(save->isVisible());
  EXPECT_EQ(save->text(), QStringLiteral("Save"));
  Keep(gtp, "training_progress");
}

TEST_F(ProgramWindowsTest, TheNGSectionWindowShowsTheChartOfARunAndSavesIt) {
  ReadDataFile(wb, wb.Path("DATA/iris.dat"));
  wb.DataFileName = wb.Path("DATA/iris.dat");
  MakeResultsPrefix(wb);
  wb.Form1.EpochEditT2.SetText("3      ");
  wb.Form1.ChartH.SetChecked(true);
  ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
  auto* ngf = dynamic_cast<NgfWindow*>(windows.Window("NGF"));
  ASSERT_NE(ngf, nullptr);
  ASSERT_FALSE(ngf->isVisible());
  RunCommand(wb, [this] { NGTrain(wb, 1); });
  EXPECT_TRUE(plat_.Messages.empty()) << (plat_.Messages.empty() ? "" : plat_.Messages[0]);
  QApplication::processEvents();
  EXPECT_TRUE(ngf->isVisible());
  EXPECT_TRUE(wb.NGFFormExists);
  EXPECT_EQ(ngf->size(), QSize(600, wb.FontPct >= 122 ? 610 : 600));
  // The first curve (epoch 0) in black, the second in red.
  const QImage shown = ngf->Picture()->grab().toImage();
  EXPECT_GT(CountColour(shown, qRgb(255, 0, 0)), 0);

  auto* save = qobject_cast<QPushButton*>(ngf->View().WidgetOf("Button1"));
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(save->text(), QStringLiteral("Save"));
  save->click();
  EXPECT_TRUE(fs::exists(wb.ResultsPrefix + "_NG_s1.gif"));
  Keep(ngf, "ng_section");
}

// "Load Weights from File" before any data set: the user is told at once, not after choosing a file.
TEST_F(ProgramWindowsTest, LoadingWeightsWithoutADataSetSaysSoBeforeTheDialog) {
  plat_.OpenAnswers = {wb.Path("results/any_FinalWeights.txt")};
  QAction* load = windows.Main()->View().ActionOf("LoadWeightsfromFile1");
  ASSERT_NE(load, nullptr);
  load->trigger();
  QApplication::processEvents();
  EXPECT_EQ(plat_.OpenAnswers.size(), 1u) << "the file dialog was shown";
  ASSERT_EQ(plat_.Messages.size(), 1u);
  EXPECT_EQ(plat_.Messages[0], "No data set has been opened yet. Open a data set first (Open -> Open Training Set).");
}

TEST_F(ProgramWindowsTest, AWeightWindowIsMadeWhenFirstShownAndKeptWhenClosed) {
  ReadDataFile(wb, wb.Path("DATA/iris.dat"));
  wb.DataFileName = wb.Path("DATA/iris.dat");
  MakeResultsPrefix(wb);
  ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
  EXPECT_EQ(windows.Window("WeightForm0"), nullptr);
  RunCommand(wb, [this] { ShowWeightForm(wb, 0); });
  auto* w = dynamic_cast<WeightWindow*>(windows.Window("WeightForm0"));
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->windowTitle(), QStringLiteral("ES Weights     iris 4-4-3"));
  EXPECT_EQ(w->pos(), QPoint(wb.WeightForms[0].Left, wb.WeightForms[0].Top));
  EXPECT_EQ(w->Picture()->size(), Picture(wb.WeightForms[0])->size());
  QApplication::processEvents();
  EXPECT_GT(CountColour(w->Picture()->grab().toImage(), qRgb(255, 0, 0)), 0);
  // Activating it sets the selector; closing it keeps the window and its picture.
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(w, &activate);
  EXPECT_EQ(wb.OnTopForm.FormTopBox.ItemIndex(), 3);
  w->close();
  EXPECT_FALSE(wb.WeightFormOpen[0]);
  EXPECT_TRUE(PickEntry(windows.OnTop()->Selector(), 3));
  EXPECT_TRUE(w->isVisible());
  EXPECT_TRUE(wb.WeightFormOpen[0]);
  EXPECT_NE(Picture(wb.WeightForms[0]), nullptr);
  Keep(w, "weight_window");
}

// A network large enough for thin bars (breast cancer, 30-10-2): the window shows the last output bar,
// red, on its row of the picture.
TEST_F(ProgramWindowsTest, TheWeightWindowOfALargeNetworkShowsItsLastBar) {
  ReadDataFile(wb, wb.Path("DATA/breast_cancer.dat"));
  wb.DataFileName = wb.Path("DATA/breast_cancer.dat");
  MakeResultsPrefix(wb);
  wb.Form1.HiddenEditT2.SetText("10");
  ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
  ASSERT_EQ(wb.Layers, (std::vector<int>{30, 10, 2}));
  for (TNeuron& n : wb.Net[2]) std::fill(n.Weights.begin(), n.Weights.end(), 1.0);
  RunCommand(wb, [this] { ShowWeightForm(wb, 0); });
  auto* w = dynamic_cast<WeightWindow*>(windows.Window("WeightForm0"));
  ASSERT_NE(w, nullptr);
  QApplication::processEvents();
  const WeightBar& last = wb.WeightForms[0].Bars.back();
  const QImage shown = w->Picture()->grab().toImage();
  ASSERT_LT(last.Y, shown.height());
  EXPECT_EQ(shown.pixel(last.X1 + 10, last.Y), qRgb(255, 0, 0));
  Keep(w, "weight_window_30_10_2");
}

TEST_F(ProgramWindowsTest, TheRepresentationWindowsShowTheirPictures) {
  auto* orf = dynamic_cast<RepresentationWindow*>(windows.Window("ORF"));
  auto* hrf = dynamic_cast<RepresentationWindow*>(windows.Window("HRF"));
  ASSERT_NE(orf, nullptr);
  ASSERT_NE(hrf, nullptr);
  EXPECT_EQ(orf->size(), QSize(640, 740));
  ASSERT_NE(orf->View().WidgetOf("SE"), nullptr);
  EXPECT_NE(orf->View().WidgetOf("ASB"), nullptr);
  EXPECT_EQ(hrf->View().WidgetOf("SE"), nullptr);

  wb.NumOfEpochs = 0;
  wb.NumOfClasses = 2;
  wb.SignalHistory.assign(1, SignalEpoch{});
  wb.SignalHistory[0].Recorded = true;
  wb.SignalHistory[0].Class = {0, 1};
  wb.SignalHistory[0].Signal = {{{0.2, 0.8}, {0.7, 0.1}}, {{0.9, 0.1}, {0.1, 0.9}}};
  RunCommand(wb, [&] { ShowRepresentations(wb); });
  QApplication::processEvents();
  EXPECT_TRUE(hrf->isVisible());
  EXPECT_TRUE(orf->isVisible());
  EXPECT_EQ(orf->windowTitle(), QStringLiteral("Neuron Signals"));
  EXPECT_EQ(orf->pos(), QPoint(wb.ORF.Frame.Left, wb.ORF.Frame.Top));
  const QImage shown = hrf->Picture()->grab().toImage();
  EXPECT_NE(shown.pixel(35, 35), QColor(Qt::white).rgb());  // the frame of the plane picture
  Keep(orf, "output_representation");
}

TEST_F(ProgramWindowsTest, TheFontWindowLaysTheMainWindowOutAgain) {
  auto* fonts = dynamic_cast<FontWindow*>(windows.Window("Form2"));
  ASSERT_NE(fonts, nullptr);
  wb.Form1.Fonts2.UserClick();
  QApplication::processEvents();
  EXPECT_TRUE(fonts->isVisible());
  EXPECT_EQ(fonts->windowTitle(), QStringLiteral("Fonts"));
  auto* ok = qobject_cast<QPushButton*>(fonts->View().WidgetOf("Button1"));
  ASSERT_NE(ok, nullptr);
  EXPECT_TRUE(ok->isDefault());
  // Tab goes round the field, "OK" and "Cancel" (and back with Shift+Tab) and applies nothing on the way.
  const WindowRect before = wb.MainFormRect;
  const int pctBefore = wb.FontPct;
  QWidget* edit = fonts->View().WidgetOf("MaskEdit1");
  edit->setFocus(Qt::OtherFocusReason);
  wb.Form2.MaskEdit1.UserSetText("100");
  const struct {
    Qt::KeyboardModifiers Modifiers;
    const char* Reaches;
  } tabs[] = {{Qt::NoModifier, "Button1"},  {Qt::NoModifier, "Button2"}, {Qt::NoModifier, "MaskEdit1"},
              {Qt::ShiftModifier, "Button2"}, {Qt::ShiftModifier, "Button1"}, {Qt::NoModifier, "Button2"}};
  for (const auto& t : tabs) {
    QKeyEvent tab(QEvent::KeyPress, t.Modifiers == Qt::ShiftModifier ? Qt::Key_Backtab : Qt::Key_Tab, t.Modifiers);
    QApplication::sendEvent(QApplication::focusWidget(), &tab);
    EXPECT_EQ(QApplication::focusWidget(), fonts->View().WidgetOf(t.Reaches)) << t.Reaches;
    EXPECT_TRUE(fonts->isVisible()) << t.Reaches;
    EXPECT_EQ(wb.FontPct, pctBefore) << t.Reaches;
    EXPECT_EQ(wb.MainFormRect.Width, before.Width) << t.Reaches;
  }
  // Enter there presses "Cancel", the focused button, not "OK".
  wb.Form2.MaskEdit1.UserSetText("100");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(QApplication::focusWidget(), &enter);
  EXPECT_FALSE(fonts->isVisible());
  EXPECT_EQ(wb.MainFormRect.Width, before.Width);
  // "OK" with a percentage: the window's font follows it, and the window starts from the size the font
  // window gives and grows until no page and no column needs a scroll bar; the start percentage again
  // gives the start font back, and a window that shows whole.
  MainWindow* main = windows.Main();
  const int startPct = wb.FontPct;
  const int startFont = main->font().pixelSize();
  // The first by Enter in the field, the others by a click on "OK".
  const struct {
    int Pct, Width, Height;
    bool Enter;
  } cases[] = {{100, 667, 640, true},
               {150, 1000, 960, false},
               {startPct, RoundInt(800 * startPct / 120.0), RoundInt(768 * startPct / 120.0), false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Pct);
    wb.Form1.Fonts2.UserClick();
    QApplication::processEvents();
    edit->setFocus(Qt::OtherFocusReason);
    wb.Form2.MaskEdit1.UserSetText(std::to_string(c.Pct));
    if (c.Enter) {
      QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
      QApplication::sendEvent(edit, &enter);
    } else {
      ok->click();
    }
    QApplication::processEvents();
    EXPECT_FALSE(fonts->isVisible());
    EXPECT_EQ(wb.MainFormRect.Width, c.Width);
    EXPECT_EQ(wb.MainFormRect.Height, c.Height);
    EXPECT_EQ(main->font().pixelSize(), std::max(8, RoundInt(13 * c.Pct / 120.0)));
    EXPECT_GE(main->width(), c.Width);
    EXPECT_GE(main->height(), c.Height);
    EXPECT_EQ(main->Shortfall(), QSize(0, 0)) << main->width() << " x " << main->height();
    for (auto* area : main->findChildren<QAbstractScrollArea*>()) {
      if (!area->isVisibleTo(main) || qobject_cast<QListWidget*>(area) || qobject_cast<QComboBox*>(area->parentWidget()))
        continue;
      EXPECT_FALSE(area->horizontalScrollBar()->isVisibleTo(main)) << area->objectName().toStdString();
      EXPECT_FALSE(area->verticalScrollBar()->isVisibleTo(main)) << area->objectName().toStdString();
    }
  }
  EXPECT_EQ(main->font().pixelSize(), startFont);
  Keep(main, "main_window_after_fonts");
}

TEST_F(ProgramWindowsTest, DataVisualizationWindowsComeAndGo) {
  ReadDataFile(wb, wb.Path("DATA/iris.dat"));
  wb.Form1.Graphical1.UserClick();
  wb.Form1.Graphical1.UserClick();
  ASSERT_EQ(windows.GraphWindows().size(), 2u);
  GraphDataWindow* older = windows.GraphWindows()[0];
  GraphDataWindow* newer = windows.GraphWindows()[1];
  EXPECT_EQ(&newer->Model(), wb.GraphDataWindows.back().get());
  EXPECT_EQ(newer->windowTitle(), QStringLiteral("Data Visualization"));
  newer->Model().FYbox.SetItemIndex(1, ChangeSource::User);
  newer->Model().FXbox.SetItemIndex(0, ChangeSource::User);
  newer->Model().StartButton.UserClick();
  EXPECT_TRUE(plat_.Messages.empty());
  QApplication::processEvents();
  EXPECT_GT(CountColour(newer->Picture()->grab().toImage(), qRgb(255, 0, 0)), 0);
  Keep(newer, "data_visualization");

  // Closed, the newer is gone; the selector brings forward the older.
  newer->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(windows.GraphWindows().size(), 1u);
  ASSERT_EQ(wb.GraphDataWindows.size(), 1u);
  older->hide();
  EXPECT_TRUE(PickEntry(windows.OnTop()->Selector(), 6));
  EXPECT_TRUE(older->isVisible());
  older->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(windows.GraphWindows().empty());
  EXPECT_FALSE(wb.GraphDataExists);
  // The entry still shown brings nothing forward; once another is shown, the list offers it no more.
  PickEntry(windows.OnTop()->Selector(), 6);
  EXPECT_TRUE(windows.GraphWindows().empty());
  SetTopFormEntry(wb, 0);
  EXPECT_FALSE(PickEntry(windows.OnTop()->Selector(), 6));
}

TEST_F(ProgramWindowsTest, TheViewerShowsTheOpenedPicture) {
  QImage red(300, 260, QImage::Format_RGB32);
  red.fill(qRgb(255, 0, 0));
  fs::create_directories(wb.Path("results"));
  ASSERT_TRUE(red.save(QString::fromStdString(wb.Path("results/red.bmp")), "BMP"));
  wb.Form1.Browser1.UserClick();
  auto* viewer = dynamic_cast<ViewerWindow*>(windows.Window("Przegladaj"));
  ASSERT_NE(viewer, nullptr);
  QApplication::processEvents();
  EXPECT_EQ(viewer->size(), QSize(818, 728));
  // The picture as "Open" loads it (the Qt dialog is not run here).
  TPrzegladaj& v = viewer->Model();
  Pictures(v).Picture = ReadPicture(wb.Path("results/red.bmp"));
  ViewerFit(v);
  v.Image1.Repaint();
  QApplication::processEvents();
  EXPECT_FALSE(v.Stretch);  // smaller than Image1
  EXPECT_EQ(CountColour(viewer->Picture()->grab().toImage(), qRgb(255, 0, 0)), 300 * 260);
  v.Increase1.UserClick();
  QApplication::processEvents();
  // Stretched in its own proportions, as far as the place lets it.
  const QSize stretched = QSize(300, 260).scaled(v.ImageWidth, v.ImageHeight, Qt::KeepAspectRatio);
  EXPECT_EQ(stretched.height(), v.ImageHeight);
  EXPECT_EQ(CountColour(viewer->Picture()->grab().toImage(), qRgb(255, 0, 0)), stretched.width() * stretched.height());
  Keep(viewer, "picture_viewer");
}

// A dialog belongs to the window the user worked in, whichever window the window system has made active:
// the picture viewer's "Save as" stands over the viewer (its transient parent), and the viewer is the
// window in front when it closes; a press on the stay-on-top window changes nothing of that.
TEST_F(ProgramWindowsTest, ADialogBelongsToTheWindowTheUserWorkedIn) {
  wb.Form1.Browser1.UserClick();
  QApplication::processEvents();
  auto* viewer = dynamic_cast<ViewerWindow*>(windows.Window("Przegladaj"));
  ASSERT_NE(viewer, nullptr);
  MainWindow* main = windows.Main();
  auto press = [](QWidget* w) {
    const QPointF at(5, 5);
    QMouseEvent e(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
    QMouseEvent up(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &up);
  };
  // Runs a save dialog and cancels it; the window it stood over.
  auto dialogOver = [&]() -> QWidget* {
    QWidget* owner = nullptr;
    QWindow* transient = nullptr;
    QTimer::singleShot(50, [&] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        owner = modal->parentWidget() ? modal->parentWidget()->window() : nullptr;
        transient = modal->windowHandle() ? modal->windowHandle()->transientParent() : nullptr;
        static_cast<QDialog*>(modal)->reject();
      }
    });
    EXPECT_FALSE(plat_.Execute(wb.GTP.SDialog));
    EXPECT_TRUE(owner && transient == owner->windowHandle());
    return owner;
  };
  const struct {
    const char* Pressed;
    QWidget* Window;
    QWidget* Active;  // what the window system made active
    QWidget* Owner;
  } cases[] = {
      {"the viewer's menu bar", viewer->findChild<QMenuBar*>(), main, viewer},
      {"the stay-on-top selector", windows.OnTop()->Selector(), main, viewer},
      {"the main window's pages", main->View().WidgetOf("P1"), viewer, main},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Pressed);
    ASSERT_NE(c.Window, nullptr);
    press(c.Window);
    c.Active->activateWindow();
    QApplication::processEvents();
    EXPECT_EQ(dialogOver(), c.Owner);
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), c.Owner);
  }
}

// "TR 3D" and "TR 1D" after a surface of an iris run: the 3-D window shows its picture and its arrows
// redraw; a press with Ctrl on the 1-D picture marks a target, a press without it does not.
TEST_F(ProgramWindowsTest, TheTrajectoryWindowsShowTheirPicturesAndTakeTheirClicks) {
  TForm1& f = wb.Form1;
  wb.Rng.Seed = 12345;
  plat_.OpenAnswers.push_back((dir_ / "DATA" / "iris.dat").string());
  f.Simple1.UserClick();
  f.RandomLinearInput1.UserClick();
  f.EpochEditT2.SetText("12");
  f.Discrete1change.UserClick();
  f.PlotT2.UserClick();
  ASSERT_TRUE(wb.ESDone);

  f.TR3DButton.UserClick();
  QApplication::processEvents();
  QWidget* lt3 = windows.Window("LT3");
  ASSERT_TRUE(lt3->isVisible());
  EXPECT_EQ(lt3->windowTitle().toStdString(), wb.LT3.Caption());
  QPushButton* bigger = nullptr;
  for (QPushButton* b : lt3->findChildren<QPushButton*>())
    if (b->text() == QStringLiteral("Size +")) bigger = b;
  ASSERT_NE(bigger, nullptr);
  bigger->click();
  EXPECT_DOUBLE_EQ(wb.LT3.Size, 0.5 * 1.3);
  EXPECT_TRUE(wb.LT3.Pending);
  Keep(lt3, "trajectory_3d_window");

  f.Button3.UserClick();
  QApplication::processEvents();
  QWidget* eform = windows.Window("EForm");
  ASSERT_TRUE(eform->isVisible());
  QWidget* plot = eform->findChild<QWidget*>(QStringLiteral("I2D"), Qt::FindDirectChildrenOnly);
  ASSERT_NE(plot, nullptr);
  const QPointF at(200, wb.EForm.ZeroRow - 2 * wb.EForm.LastValue);
  QMouseEvent plain(QEvent::MouseButtonPress, at, plot->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(plot, &plain);
  EXPECT_EQ(wb.ExtrapolationTargets[0], 0.0);
  QMouseEvent ctrl(QEvent::MouseButtonPress, at, plot->mapToGlobal(at), Qt::RightButton, Qt::RightButton,
                   Qt::ControlModifier);
  QApplication::sendEvent(plot, &ctrl);
  EXPECT_DOUBLE_EQ(wb.ExtrapolationTargets[0], 1.0);
  EXPECT_TRUE(plat_.Messages.empty());
  Keep(eform, "trajectory_1d_window");
}

}  // namespace
}  // namespace wl

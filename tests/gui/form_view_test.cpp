// The main window's view: a widget for every control, and the binding both ways between widgets and the
// control model.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QScrollArea>
#include <QTabWidget>
#include <QValidator>
#include <set>
#include <string>
#include <vector>

#include "gui/main_window.h"
#include "state/workbench.h"
#include "platform/scripted_platform.h"
#include "support/qt_app_env.h"

namespace wl {
namespace {

struct Heard {
  std::string Control;
  ControlEvent Event;
  ChangeSource By;
};

class MainWindowTest : public testing::Test {
 protected:
  MainWindowTest() {
    listener_ = wb.Form1.AddListener([this](const ControlNotice& n) {
      heard.push_back({n.Source ? n.Source->Name() : std::string(), n.Event, n.By});
    });
  }
  ~MainWindowTest() override { wb.Form1.RemoveListener(listener_); }

  template <class W>
  W* Widget(const char* name) {
    auto* w = qobject_cast<W*>(window.View().WidgetOf(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  int Count(const std::string& control, ControlEvent e, ChangeSource by) const {
    int n = 0;
    for (const Heard& h : heard) n += h.Control == control && h.Event == e && h.By == by;
    return n;
  }
  int CountBy(ChangeSource by) const {
    int n = 0;
    for (const Heard& h : heard) n += h.By == by;
    return n;
  }

  ScriptedPlatform platform;
  Workbench wb{platform, "/nonexistent/weightlab"};
  MainWindow window{wb};
  std::vector<Heard> heard;

 private:
  int listener_ = 0;
};

// The widget class each kind of control is shown with.
bool ShownAs(ControlKind kind, QWidget* w) {
  switch (kind) {
    case ControlKind::Edit:
      return qobject_cast<QLineEdit*>(w);
    case ControlKind::CheckBox:
      return qobject_cast<QCheckBox*>(w);
    case ControlKind::RadioButton:
      return qobject_cast<QRadioButton*>(w) && !static_cast<QRadioButton*>(w)->autoExclusive();
    case ControlKind::ComboBox:
      return qobject_cast<QComboBox*>(w);
    case ControlKind::ListBox:
      return qobject_cast<QListWidget*>(w);
    case ControlKind::SpinEdit:
      return qobject_cast<QSpinBox*>(w);
    case ControlKind::Label:
      return qobject_cast<QLabel*>(w);
    case ControlKind::Button:
      return qobject_cast<QPushButton*>(w);
    case ControlKind::GroupBox:
    case ControlKind::Panel:
      return qobject_cast<QGroupBox*>(w);
    case ControlKind::PageControl:
      return qobject_cast<QTabWidget*>(w);
    case ControlKind::TabSheet:
      return qobject_cast<QScrollArea*>(w);
    default:
      return false;
  }
}

TEST_F(MainWindowTest, EveryControlHasItsWidgetInTheWindow) {
  const FormView& view = window.View();
  std::set<QString> names;
  int widgets = 0, actions = 0, menuItems = 0;
  for (Control* c : wb.Form1.Controls()) {
    SCOPED_TRACE(c->Name());
    const QString name = QString::fromStdString(c->Name());
    if (c->Kind() == ControlKind::FileDialog) {
      EXPECT_EQ(view.WidgetOf(c->Name()), nullptr);
      EXPECT_EQ(view.ActionOf(c->Name()), nullptr);
      continue;
    }
    if (c->Kind() == ControlKind::MenuItem) {
      ++menuItems;
      QAction* a = view.ActionOf(c->Name());
      ASSERT_NE(a, nullptr);
      EXPECT_EQ(a->objectName(), name);
      actions += a->objectName() == name;
      continue;
    }
    QWidget* w = view.WidgetOf(c->Name());
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(ShownAs(c->Kind(), w));
    EXPECT_EQ(w->objectName(), name);
    // Placed in the window's contents, not left loose.
    EXPECT_TRUE(window.centralWidget()->isAncestorOf(w));
    names.insert(name);
    ++widgets;
  }
  int found = 0;
  for (QWidget* w : window.findChildren<QWidget*>())
    if (names.count(w->objectName()) && view.WidgetOf(w->objectName().toStdString()) == w) ++found;
  EXPECT_EQ(found, widgets);
  EXPECT_EQ(actions, menuItems);
  EXPECT_GT(widgets, 100);  // the main window has a few hundred controls
}

// A radio group on a page stands in a frame of its own: the frame shows while one of its buttons does, and
// a click on a button in it reaches the model as any other.
TEST_F(MainWindowTest, ARadioGroupsFrameShowsWhileOneOfItsButtonsDoes) {
  QWidget* frame = Widget<QRadioButton>("GTPBox")->parentWidget();
  ASSERT_NE(frame, nullptr);
  QWidget* page = window.View().WidgetOf("TabPlots");
  ASSERT_NE(frame, page);
  for (const char* name : {"GTPBox2", "NoGTPBox"}) EXPECT_EQ(window.View().WidgetOf(name)->parentWidget(), frame);
  EXPECT_TRUE(frame->isVisibleTo(page));
  wb.Form1.GTPBox.SetVisible(false);
  wb.Form1.GTPBox2.SetVisible(false);
  EXPECT_TRUE(frame->isVisibleTo(page));
  wb.Form1.NoGTPBox.SetVisible(false);
  EXPECT_FALSE(frame->isVisibleTo(page));
  wb.Form1.GTPBox2.SetVisible(true);
  EXPECT_TRUE(frame->isVisibleTo(page));
  EXPECT_TRUE(Widget<QRadioButton>("GTPBox2")->isVisibleTo(page));
  EXPECT_FALSE(Widget<QRadioButton>("GTPBox")->isVisibleTo(page));

  Widget<QRadioButton>("GTPBox2")->click();
  EXPECT_TRUE(wb.Form1.GTPBox2.Checked());
  EXPECT_FALSE(wb.Form1.GTPBox.Checked());
  EXPECT_TRUE(Widget<QRadioButton>("GTPBox2")->isChecked());
  EXPECT_FALSE(Widget<QRadioButton>("GTPBox")->isChecked());
  // The buttons of a box stay in the box, beside the fields that go with them.
  EXPECT_EQ(Widget<QRadioButton>("HSegButton")->parentWidget(), window.View().WidgetOf("HiddenFactorGroup"));
}

TEST_F(MainWindowTest, PagesAreTheTabsOfP1) {
  auto* tabs = Widget<QTabWidget>("P1");
  ASSERT_NE(tabs, nullptr);
  const std::vector<QString> captions = {"Network and Error", "Error Surface", "SMLP", "Training + SM + BP",
                                         "Plots", "Numerical Gradient"};
  ASSERT_EQ(tabs->count(), static_cast<int>(captions.size()));
  EXPECT_EQ(wb.Form1.P1.PageCount(), tabs->count());
  for (int i = 0; i < tabs->count(); ++i) EXPECT_EQ(tabs->tabText(i), captions[i]) << i;
  for (Control* c : wb.Form1.Controls()) {
    if (c->Kind() != ControlKind::TabSheet) continue;
    EXPECT_EQ(tabs->indexOf(window.View().WidgetOf(c->Name())), static_cast<TabSheet*>(c)->PageIndex());
  }
}

TEST_F(MainWindowTest, MenuBarHoldsTheMenusInTableOrder) {
  const FormView& view = window.View();
  const QList<QAction*> bar = window.menuBar()->actions();
  std::set<std::string> parents;
  for (Control* c : wb.Form1.Controls())
    if (c->Kind() == ControlKind::MenuItem && !c->Parent().empty()) parents.insert(c->Parent());
  int top = 0;
  for (Control* c : wb.Form1.Controls()) {
    if (c->Kind() != ControlKind::MenuItem) continue;
    SCOPED_TRACE(c->Name());
    QAction* a = view.ActionOf(c->Name());
    if (c->Parent().empty()) {
      ASSERT_LT(top, bar.size());
      EXPECT_EQ(bar[top++], a);
    } else {
      QMenu* menu = view.MenuOf(c->Parent());
      ASSERT_NE(menu, nullptr);
      EXPECT_TRUE(menu->actions().contains(a));
    }
    // A menu with items opens a menu; an item without is an action.
    EXPECT_EQ(view.MenuOf(c->Name()) != nullptr, parents.count(c->Name()) > 0);
    if (!a->isSeparator()) {
      EXPECT_EQ(a->text(), QString::fromStdString(c->Caption()));
    }
  }
  EXPECT_EQ(top, bar.size());
  EXPECT_EQ(view.MenuOf("Help1"), nullptr);
  EXPECT_TRUE(bar.contains(view.ActionOf("Help1")));
  ASSERT_NE(view.MenuOf("SelectTestSet1"), nullptr);
  EXPECT_EQ(view.MenuOf("SelectTestSet1")->title(), "Open");
  EXPECT_TRUE(view.MenuOf("SelectTestSet1")->actions().contains(view.ActionOf("Simple1")));
}

TEST_F(MainWindowTest, ModelChangesShowWithoutFiringUserEvents) {
  TForm1& f = wb.Form1;
  const FormView& view = window.View();

  f.InitEdit.SetText("0.5");
  EXPECT_EQ(Widget<QLineEdit>("InitEdit")->text(), "0.5");

  f.InitEdit.SetEnabled(false);
  EXPECT_FALSE(Widget<QLineEdit>("InitEdit")->isEnabled());
  EXPECT_FALSE(view.LabelOf("InitEdit")->isEnabled());
  f.InitEdit.SetEnabled(true);
  EXPECT_TRUE(Widget<QLineEdit>("InitEdit")->isEnabled());

  f.S1RT2.SetChecked(true);
  EXPECT_TRUE(Widget<QRadioButton>("S1RT2")->isChecked());
  EXPECT_FALSE(Widget<QRadioButton>("S1DT2")->isChecked());

  f.SameLayersBox.SetChecked(false);
  EXPECT_FALSE(Widget<QCheckBox>("SameLayersBox")->isChecked());
  f.SameLayersBox.SetCaption("all layers alike");
  EXPECT_EQ(Widget<QCheckBox>("SameLayersBox")->text(), "all layers alike");

  f.StepEdit.SetItemIndex(4);
  EXPECT_EQ(Widget<QComboBox>("StepEdit")->currentIndex(), 4);
  f.StepEdit.SetItems({"a", "b"});
  EXPECT_EQ(Widget<QComboBox>("StepEdit")->count(), 2);

  f.Label18.SetCaption("iris.dat");
  EXPECT_EQ(Widget<QLabel>("Label18")->text(), "iris.dat");

  f.TrainingT2.SetVisible(false);
  EXPECT_TRUE(view.CellOf("TrainingT2")->isHidden());
  f.TrainingT2.SetVisible(true);
  EXPECT_FALSE(view.CellOf("TrainingT2")->isHidden());

  f.Simple1.SetEnabled(false);
  EXPECT_FALSE(view.ActionOf("Simple1")->isEnabled());

  f.P1.SetActivePage(2);
  EXPECT_EQ(Widget<QTabWidget>("P1")->currentIndex(), 2);

  f.GroupBox4.SetCaptionColor(GroupBox::clInactiveCaption);
  EXPECT_TRUE(Widget<QGroupBox>("GroupBox4")
                  ->styleSheet()
                  .contains(FormView::CaptionQColor(GroupBox::clInactiveCaption).name()));
  f.GroupBox4.SetCaptionColor(GroupBox::clWindowText);
  EXPECT_TRUE(Widget<QGroupBox>("GroupBox4")->styleSheet().isEmpty());

  f.SetCaption("WeightLab - iris");
  EXPECT_EQ(window.windowTitle(), "WeightLab - iris");

  EXPECT_EQ(CountBy(ChangeSource::User), 0);
}

TEST_F(MainWindowTest, ClicksChangeTheModelAndFireOneMouseRelease) {
  TForm1& f = wb.Form1;

  ASSERT_TRUE(f.SameLayersBox.Checked());
  Widget<QCheckBox>("SameLayersBox")->click();
  EXPECT_FALSE(f.SameLayersBox.Checked());
  EXPECT_FALSE(Widget<QCheckBox>("SameLayersBox")->isChecked());
  EXPECT_EQ(Count("SameLayersBox", ControlEvent::MouseReleased, ChangeSource::User), 1);
  Widget<QCheckBox>("SameLayersBox")->click();
  EXPECT_TRUE(f.SameLayersBox.Checked());
  EXPECT_EQ(Count("SameLayersBox", ControlEvent::MouseReleased, ChangeSource::User), 2);

  Widget<QRadioButton>("S1RT2")->click();
  EXPECT_TRUE(f.S1RT2.Checked());
  EXPECT_FALSE(f.S1DT2.Checked());
  EXPECT_FALSE(Widget<QRadioButton>("S1DT2")->isChecked());
  EXPECT_EQ(Count("S1RT2", ControlEvent::MouseReleased, ChangeSource::User), 1);
  // A second click on the checked button leaves it checked.
  Widget<QRadioButton>("S1RT2")->click();
  EXPECT_TRUE(f.S1RT2.Checked());
  EXPECT_TRUE(Widget<QRadioButton>("S1RT2")->isChecked());
  EXPECT_EQ(Count("S1RT2", ControlEvent::MouseReleased, ChangeSource::User), 2);

  Widget<QPushButton>("TrainingT2")->click();
  EXPECT_EQ(Count("TrainingT2", ControlEvent::MouseReleased, ChangeSource::User), 1);

  window.View().ActionOf("Simple1")->trigger();
  EXPECT_EQ(Count("Simple1", ControlEvent::MouseReleased, ChangeSource::User), 1);

  auto* combo = Widget<QComboBox>("StepEdit");
  combo->setCurrentIndex(5);
  emit combo->activated(5);
  EXPECT_EQ(f.StepEdit.ItemIndex(), 5);
  EXPECT_EQ(f.StepEdit.Text(), "v. fast");
  EXPECT_EQ(Count("StepEdit", ControlEvent::SelectionChanged, ChangeSource::User), 1);

  Widget<QTabWidget>("P1")->setCurrentIndex(3);
  EXPECT_EQ(f.P1.ActivePage(), 3);
  EXPECT_EQ(Count("P1", ControlEvent::SelectionChanged, ChangeSource::User), 1);

  for (const Heard& h : heard) {
    if (h.Event == ControlEvent::MouseReleased) {
      EXPECT_EQ(h.By, ChangeSource::User) << h.Control;
    }
  }
}

TEST_F(MainWindowTest, AHandlerThatUndoesAClickWins) {
  // A consistency handler (as for two exclusive check boxes) unchecks the box the user just checked.
  const int id = wb.Form1.AddListener([this](const ControlNotice& n) {
    if (n.Source == &wb.Form1.SameLayersBox && n.Event == ControlEvent::MouseReleased)
      wb.Form1.SameLayersBox.SetChecked(false);
  });
  wb.Form1.SameLayersBox.SetChecked(false);
  Widget<QCheckBox>("SameLayersBox")->click();
  wb.Form1.RemoveListener(id);
  EXPECT_FALSE(wb.Form1.SameLayersBox.Checked());
  EXPECT_FALSE(Widget<QCheckBox>("SameLayersBox")->isChecked());
}

TEST_F(MainWindowTest, TypingAndLeavingEdits) {
  TForm1& f = wb.Form1;
  auto* init = Widget<QLineEdit>("InitEdit");
  init->setText("2.5");
  emit init->textEdited("2.5");
  EXPECT_EQ(f.InitEdit.Text(), "2.5");
  EXPECT_EQ(Count("InitEdit", ControlEvent::TextChanged, ChangeSource::User), 1);

  // A masked field pads the user's text with blanks to its width and takes digits and blanks only.
  auto* epochs = Widget<QLineEdit>("EpochEditT2");
  ASSERT_EQ(f.EpochEditT2.MaskWidth(), 7);
  EXPECT_EQ(epochs->maxLength(), 7);
  ASSERT_NE(epochs->validator(), nullptr);
  QString probe = "1 2";
  int pos = 0;
  EXPECT_EQ(epochs->validator()->validate(probe, pos), QValidator::Acceptable);
  probe = "1a";
  EXPECT_EQ(epochs->validator()->validate(probe, pos), QValidator::Invalid);
  epochs->setText("300");
  emit epochs->textEdited("300");
  EXPECT_EQ(f.EpochEditT2.Text(), "300    ");
  EXPECT_EQ(epochs->text(), "300");

  // Leaving the field for another control is "focus leaves"; switching windows is not.
  QFocusEvent away(QEvent::FocusOut, Qt::TabFocusReason);
  QCoreApplication::sendEvent(epochs, &away);
  QFocusEvent deactivated(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  QCoreApplication::sendEvent(epochs, &deactivated);
  EXPECT_EQ(Count("EpochEditT2", ControlEvent::FocusLeaves, ChangeSource::User), 1);
}

}  // namespace
}  // namespace wl

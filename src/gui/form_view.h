#pragma once
// The Qt view of a control form: one widget per control of the form's registry, bound both ways. A user's
// edit changes the model as the user (firing the same events the routines react to); a change of the
// model updates its widget without firing anything again.
#include <QColor>
#include <cstdint>
#include <QObject>
#include <QPointer>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls.h"

class QAction;
class QBoxLayout;
class QLabel;
class QMenu;
class QMenuBar;
class QWidget;

namespace wl {

class FlowGridLayout;

class FormView : public QObject {
 public:
  // Builds the widgets of every control of the form. Menu items go into menuBar (none when it is null);
  // the containers and controls that stand on the window itself are left for the window to place
  // (TopLevel()). The view listens to the form until it is destroyed.
  FormView(Form& form, QWidget* window, QMenuBar* menuBar);
  ~FormView() override;
  FormView(const FormView&) = delete;
  FormView& operator=(const FormView&) = delete;

  Form& Model() const { return form_; }

  // The control's own widget (QLineEdit, QCheckBox, QTabWidget, the page of a tab sheet, ...), or null for
  // menu items, file dialogs and unknown names.
  QWidget* WidgetOf(std::string_view name) const;
  // The widget that holds the control and its label; what the view shows and hides.
  QWidget* CellOf(std::string_view name) const;
  // A menu item's action (for a menu with items: its menu's action), or null.
  QAction* ActionOf(std::string_view name) const;
  // The menu of a menu item that has items, or null.
  QMenu* MenuOf(std::string_view name) const;
  // The label shown beside an edit, combo box, list box or spin edit.
  QLabel* LabelOf(std::string_view name) const;
  // The note shown beside a control's caption, or null.
  QLabel* NoteOf(std::string_view name) const;
  // The layout of a container's controls (a page, panel or group box), or null.
  FlowGridLayout* LayoutOf(std::string_view name) const;

  struct Item {
    Control* Source;
    QWidget* Widget;
  };
  // The controls whose parent is the window itself (page controls, panels, group boxes, loose controls),
  // in the order of the form's table, unplaced.
  const std::vector<Item>& TopLevel() const { return topLevel_; }
  // A plain placement of the top-level items, one below the other, for windows with no layout of their own.
  void LayOutTopLevel(QWidget* host);
  // The top-level items in rows of `perRow` cells, in the form's order, leaving out the named ones (stand-ins
  // of pictures and up-downs that the window draws itself); each row as high as its controls need.
  void LayOutTopLevelInRows(QWidget* host, int perRow, const std::vector<std::string>& leftOut);
  // Hides the cells of the named controls.
  void HideCells(const std::vector<std::string>& names) const;

  // The colour a group box caption is drawn in ($BBGGRR or one of the named system colours).
  static QColor CaptionQColor(std::int64_t color);
  // A widget with a style sheet (a coloured caption), and what stands in it, takes the application's font
  // rather than its window's: these widgets under `root` (and `root` itself) are given their parents'
  // fonts, parents first.
  static void KeepParentFonts(QWidget* root);

 protected:
  // Edits: the user leaving the field.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Binding {
    Control* Source = nullptr;
    QWidget* Widget = nullptr;  // the control's own widget
    QWidget* Cell = nullptr;    // the widget placed in the container (the widget itself, or label + widget)
    QLabel* Label = nullptr;
    QLabel* Note = nullptr;     // the control's note, beside it
    QAction* Action = nullptr;
    QMenu* Menu = nullptr;
  };
  struct Container {
    FlowGridLayout* Layout = nullptr;
    int Columns = 1;
  };

  void Build(QWidget* window, QMenuBar* menuBar);
  void BuildWidget(Binding& b, QWidget* window);
  void BuildMenus(QMenuBar* menuBar);
  void Place(Binding& b);
  void Connect(Binding& b);
  void OnNotice(const ControlNotice& n);
  // Shows the model's state of the control in its widget, firing nothing.
  void Sync(Binding& b);
  void SyncTab(Binding& b);
  Binding* Find(std::string_view name);
  const Binding* Find(std::string_view name) const;
  Binding* Find(const Control* c);
  // Gives the container its layout (a page scrolls when the window is made too small for it).
  Container& MakeContainer(Binding& b, QWidget* inner, int columns);
  int ColumnsFor(const Control& container) const;
  // A panel standing on a tab page.
  bool InPage(const Control& c) const;
  // The layout of the frame that holds a radio button with the others of its group, where the group stands
  // on a page (made and placed at the group's first button); null for a button in a box or a panel, which
  // frames its buttons itself.
  QBoxLayout* RadioFrameFor(const Control& c, FlowGridLayout& parentLayout);

  Form& form_;
  QPointer<QWidget> window_;
  int listener_ = 0;
  bool updating_ = false;
  std::vector<Binding> bindings_;  // in the form's order; never resized after Build
  std::map<std::string, std::size_t, std::less<>> index_;
  std::map<std::string, Container, std::less<>> containers_;
  std::vector<Item> topLevel_;
  std::map<std::string, QBoxLayout*, std::less<>> radioFrames_;  // by container and group
};

}  // namespace wl

#pragma once
// The main window: the menu bar, the pages of P1 with the panels beside them and the group boxes below,
// all built from the main window's control table.
#include <QMainWindow>
#include <QPointer>
#include <string>
#include <vector>

#include "gui/form_view.h"
#include "state/workbench.h"

namespace wl {

class MainWindow : public QMainWindow {
 public:
  explicit MainWindow(Workbench& wb);

  FormView& View() const { return *view_; }
  // Sizes and places the window as the start-up laid it out for the screen's font resolution.
  void ApplyStartLayout();
  // After a new font percentage: the window in its new font at the size the font window gave it, made
  // larger (as far as the screen's free area allows) until no page and no column beside them needs a
  // scroll bar.
  void ApplyFontLayout();
  // How much wider and higher the pages or the column beside them want to be than they are now (0, 0 when
  // everything shows whole).
  QSize Shortfall();
  // Ends the program's session once: the settings are saved as the window goes.
  void Exit();
  // The stay-on-top window: the controls along the bottom keep clear of where it stands.
  void SetStayOnTop(QWidget* onTop);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LayOut();
  // Keeps the part of the group boxes along the bottom where the stay-on-top window sits free of controls.
  void KeepOnTopCornerFree();

  Workbench& wb_;
  FormView* view_;  // owned by this window
  QPointer<QWidget> onTop_;
  std::vector<std::string> bottomGroups_;
  bool exited_ = false;
};

}  // namespace wl

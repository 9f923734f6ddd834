#pragma once
// The main window: the menu bar, the pages of P1 with the panels beside them and the group boxes below,
// all built from the main window's control table.
#include <QMainWindow>
#include <QPointer>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <string>
#include <vector>

#include "gui/form_view.h"
#include "gui/qt_platform.h"
#include "state/workbench.h"

namespace wl {

class MainWindow : public QMainWindow {
 public:
  explicit MainWindow(Workbench& wb);

  FormView& View() const { return *view_; }
  // Sizes and places the window as the start-up laid it out for the screen's font resolution.
  void ApplyStartLayout();
  // After a new font percentage: the window in its new font at the larger of the size the font window
  // gave it and the start's size at the new scale, made larger (as far as the screen's free area allows)
  // until no page, no column beside them and no row of page tabs needs to scroll; its right edge where
  // the layout puts it. The stay-on-top window, where it stood in the corner, goes with the corner.
  void ApplyFontLayout();
  // How much wider and higher the pages, the column beside them or the page tabs want to be than they are
  // now (0, 0 when everything shows whole).
  QSize Shortfall();
  // The settings are saved, as at every close of the window.
  void Exit();
  // Whether the window's last close went through (it wrote the settings and ended the event loop); a show
  // of the window clears it.
  bool Closed() const { return closed_; }
  // The platform that holds a close request made while a command runs, and closes the editor windows.
  void SetPlatform(QtPlatform* platform) { platform_ = platform; }
  // The stay-on-top window: it goes along when this window moves (and, standing in its corner, when it is
  // made larger or smaller); the controls along the bottom keep its corner free wherever it stands.
  void SetStayOnTop(QWidget* onTop);
  // Once the window is shown at its start place: the stay-on-top window goes to its corner.
  void PlaceOnTopAtStart();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LayOut();
  // The window's font at the font scale.
  void ApplyScaledFont();
  // Keeps the part of the group boxes along the bottom where the stay-on-top window sits free of controls.
  void KeepOnTopCornerFree();
  // Where the stay-on-top window is given its place at a font percentage, in this window's client area.
  QPoint OnTopCorner(int fontPct) const;
  // Whether the stay-on-top window stands on the bottom right part of this window (where the program puts
  // it at the font percentage `fontPct`), and its move there, to the place it is given when shown.
  bool OnTopInCorner(int fontPct) const;
  void PlaceOnTopInCorner();
  // After a move or a resize of this window: the stay-on-top window keeps its place relative to this
  // window's bottom right corner; on a resize only when it stood in that corner.
  void TakeOnTopAlong();
  QPoint OnTopAnchor() const;

  Workbench& wb_;
  FormView* view_;  // owned by this window
  QPointer<QWidget> onTop_;
  std::vector<std::string> bottomGroups_;
  QtPlatform* platform_ = nullptr;
  bool closed_ = false;
  int laidOutPct_ = 0;  // the font percentage of the last layout
  // At the last move or resize: the point the stay-on-top window's place is measured from, the client's
  // size and the frame.
  QPoint lastAnchor_;
  QSize lastSize_;
  QRect lastFrame_;
  bool placeKnown_ = false;
  bool layingOut_ = false;  // a font layout places the stay-on-top window itself
};

}  // namespace wl

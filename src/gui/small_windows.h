#pragma once
// The shell's small windows: the stay-on-top window with the progress trace in its title and the window
// selector, the borderless "drawing" pop-up, and the plain windows that stand in for plot windows whose
// contents come later (each shows only its caption).
#include <QString>
#include <QWidget>

#include "state/workbench.h"

class QComboBox;
class QLabel;

namespace wl {

// A window of its own making, with no frame of the window system and so no border icons: a caption strip
// with the trace (the window is dragged by it) above the selector, inside a single-line border. It cannot
// be closed; it stays until the program ends.
class OnTopWindow : public QWidget {
 public:
  explicit OnTopWindow(Workbench& wb);
  ~OnTopWindow() override;

  // The selector: its rows are the entries offered now (TopFormOffered), each row's data its entry.
  QComboBox* Selector() const { return box_; }
  QLabel* Caption() const { return caption_; }
  // Places the window where the model says and shows it.
  void ShowFromModel();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnNotice(const ControlNotice& n);
  void Sync();
  // As wide as the trace needs, between the client width and the largest width.
  void FitWidth();

  Workbench& wb_;
  QLabel* caption_;
  QComboBox* box_;
  int selectorWidth_ = 0;  // the selector's width with every entry
  int listener_ = 0;
  QPoint dragFrom_;
  bool dragging_ = false;
};

class DrawingPopup : public QWidget {
 public:
  explicit DrawingPopup(Workbench& wb);
  ~DrawingPopup() override;

  QLabel* Percent() const { return percent_; }
  void ShowFromModel();

 private:
  void OnNotice(const ControlNotice& n);

  Workbench& wb_;
  QLabel* drawing_;
  QLabel* percent_;
  int listener_ = 0;
};

class PlaceholderWindow : public QWidget {
 public:
  PlaceholderWindow(const QString& name, const QString& caption, int width, int height);
};

}  // namespace wl

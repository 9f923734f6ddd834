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

class OnTopWindow : public QWidget {
 public:
  explicit OnTopWindow(Workbench& wb);
  ~OnTopWindow() override;

  QComboBox* Selector() const { return box_; }
  // Places the window where the model says and shows it.
  void ShowFromModel();

 private:
  void OnNotice(const ControlNotice& n);
  void Sync();

  Workbench& wb_;
  QComboBox* box_;
  int listener_ = 0;
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

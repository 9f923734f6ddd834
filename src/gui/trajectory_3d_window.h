#pragma once
// "Trajectory 3D" and "Trajectory 1D": the picture (for the 3-D window what the paint box shows, else the
// window's image), the panel's controls under it, and the arrows of the 3-D window's four up-downs.
#include <QSize>
#include <QWidget>

#include "gui/form_view.h"
#include "state/workbench.h"

namespace wl {

class Trajectory3DPicture : public QWidget {
 public:
  Trajectory3DPicture(Workbench& wb, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  Workbench& wb_;
};

class Trajectory3DWindow : public QWidget {
 public:
  explicit Trajectory3DWindow(Workbench& wb);
  ~Trajectory3DWindow() override;
  void ShowFromModel();

 private:
  void OnNotice(const ControlNotice& n);
  void ApplyGeometry();

  Workbench& wb_;
  FormView* view_;
  Trajectory3DPicture* picture_;
  QWidget* panel_;
  QWidget* arrows_;
  int listener_ = 0;
  QSize applied_;  // the model size last taken
};

// The 1-D plot: a press with Ctrl marks the chosen component's target.
class Trajectory1DPicture : public QWidget {
 public:
  Trajectory1DPicture(Workbench& wb, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  Workbench& wb_;
};

class Trajectory1DWindow : public QWidget {
 public:
  explicit Trajectory1DWindow(Workbench& wb);
  ~Trajectory1DWindow() override;
  void ShowFromModel();

 private:
  void OnNotice(const ControlNotice& n);
  void ApplyGeometry();

  Workbench& wb_;
  FormView* view_;
  Trajectory1DPicture* picture_;
  QWidget* panel_;
  int listener_ = 0;
  QSize applied_;  // the model size last taken
};

}  // namespace wl

#pragma once
// "Trajectory 2D": the picture (what the paint box shows, else the window's image), the panel's controls
// under it, and the arrows of the three up-downs.
#include <QSize>
#include <QWidget>

#include "gui/form_view.h"
#include "state/workbench.h"

namespace wl {

class Trajectory2DPicture : public QWidget {
 public:
  Trajectory2DPicture(Workbench& wb, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  Workbench& wb_;
};

class Trajectory2DWindow : public QWidget {
 public:
  explicit Trajectory2DWindow(Workbench& wb);
  ~Trajectory2DWindow() override;
  void ShowFromModel();

 private:
  void OnNotice(const ControlNotice& n);
  void ApplyGeometry();

  Workbench& wb_;
  FormView* view_;
  Trajectory2DPicture* picture_;
  QWidget* panel_;
  QWidget* arrows_;
  int listener_ = 0;
  QSize applied_;  // the model size last taken
};

}  // namespace wl

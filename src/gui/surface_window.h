#pragma once
// The error-surface window: the surface picture (its top-left 629 x 613 pixels) with the point pick on a
// left click or drag, and the window's controls in a band under it.
#include <QSize>
#include <QWidget>

#include "gui/form_view.h"
#include "state/workbench.h"

namespace wl {

class SurfacePicture : public QWidget {
 public:
  SurfacePicture(Workbench& wb, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  Workbench& wb_;
};

class SurfaceWindow : public QWidget {
 public:
  explicit SurfaceWindow(Workbench& wb);
  ~SurfaceWindow() override;
  void ShowFromModel();

 private:
  void OnNotice(const ControlNotice& n);
  void ApplyGeometry();

  Workbench& wb_;
  FormView* view_;
  SurfacePicture* picture_;
  QWidget* panel_;
  int listener_ = 0;
  QSize applied_;  // the model size last taken
};

}  // namespace wl

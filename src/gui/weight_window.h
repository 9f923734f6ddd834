#pragma once
// A weight window ("ES Weights" or "Trajectory Weights"): its picture in a scrolling area, the value of
// the bar under the pointer as a tool tip, and the "Save" and "Save As" buttons. Made when it is first
// shown and kept when closed.
#include <QWidget>

#include "state/workbench.h"

class QPushButton;
class QScrollArea;

namespace wl {

// Paints a weight window's picture at its own size and forwards the pointer and clicks.
class WeightPicture : public QWidget {
 public:
  WeightPicture(Workbench& wb, TWfr& form, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Workbench& wb_;
  TWfr& form_;
};

class WeightWindow : public QWidget {
 public:
  WeightWindow(Workbench& wb, TWfr& form);
  ~WeightWindow() override;

  WeightPicture* Picture() const { return picture_; }
  // Places the window and its parts where the model says and brings it forward.
  void ShowFromModel();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void OnNotice(const ControlNotice& n);
  void ApplyGeometry();

  Workbench& wb_;
  TWfr& form_;
  QScrollArea* scroll_;
  WeightPicture* picture_;
  QPushButton* save_;
  QPushButton* saveAs_;
  int listener_ = 0;
};

}  // namespace wl

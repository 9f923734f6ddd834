#pragma once
// The windows of the "Tools" menu: the font window, the data-visualisation windows (a new one with every
// use, destroyed when closed) and the picture viewer (made on first use, destroyed when closed).
#include <QWidget>
#include <memory>

#include "gui/form_view.h"
#include "state/workbench.h"

class QMenuBar;

namespace wl {

class FontWindow : public QWidget {
 public:
  explicit FontWindow(Workbench& wb);
  FormView& View() const { return *view_; }
  void ShowFromModel();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  Workbench& wb_;
  FormView* view_;
};

// Paints a picture at the place of an image control: at its own size, scaled down when it is larger
// than the place, or stretched to the place.
class PictureBox : public QWidget {
 public:
  PictureBox(std::function<const QImage*()> picture, std::function<bool()> stretch, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::function<const QImage*()> picture_;
  std::function<bool()> stretch_;
};

class GraphDataWindow : public QWidget {
 public:
  GraphDataWindow(Workbench& wb, std::shared_ptr<TGraphData> form);
  ~GraphDataWindow() override;
  TGraphData& Model() const { return *form_; }
  FormView& View() const { return *view_; }
  PictureBox* Picture() const { return picture_; }
  void ShowFromModel();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  Workbench& wb_;
  std::shared_ptr<TGraphData> form_;  // kept until the view of it is gone
  FormView* view_;
  PictureBox* picture_;
  int listener_ = 0;
};

class ViewerWindow : public QWidget {
 public:
  ViewerWindow(Workbench& wb, std::shared_ptr<TPrzegladaj> form);
  ~ViewerWindow() override;
  TPrzegladaj& Model() const { return *form_; }
  PictureBox* Picture() const { return picture_; }
  // Takes the size the model gives the window.
  void ApplyGeometry();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;

 private:
  Workbench& wb_;
  std::shared_ptr<TPrzegladaj> form_;
  QMenuBar* menu_;
  FormView* view_;
  PictureBox* picture_;
  int listener_ = 0;
  bool placing_ = false;
};

}  // namespace wl

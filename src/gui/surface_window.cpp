#include "gui/surface_window.h"
#include "gui/screen_place.h"

#include <algorithm>

#include <QMouseEvent>
#include <QPainter>

#include "analysis/error_surface.h"
#include "analysis/ng3d_pictures.h"
#include "gui/flow_grid_layout.h"
#include "shell/command.h"
#include "shell/picture_press.h"

namespace wl {

SurfacePicture::SurfacePicture(Workbench& wb, QWidget* parent) : QWidget(parent), wb_(wb) {
  setObjectName(QStringLiteral("I1"));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void SurfacePicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  const QImage& image = Pictures(wb_.NG3D).SurfaceBitmap;
  if (!image.isNull()) p.drawImage(0, 0, image);
  const TNG3D& w = wb_.NG3D;
  if (w.MarkerShown && w.MarkerHeight > 2) {
    p.setPen(Qt::red);
    p.drawLine(w.MarkerLeft, w.MarkerTop, w.MarkerLeft, w.MarkerTop + w.MarkerHeight - 2);
  }
  // The trajectory pick's marker I3, black.
  if (w.TrajectoryMarkerShown && w.TrajectoryMarkerHeight > 1) {
    p.setPen(Qt::black);
    p.drawLine(w.TrajectoryMarkerLeft, w.TrajectoryMarkerTop, w.TrajectoryMarkerLeft,
               w.TrajectoryMarkerTop + w.TrajectoryMarkerHeight - 1);
  }
}

void SurfacePicture::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
  const QPoint at = event->position().toPoint();
  PicturePress p;
  p.X = at.x();
  p.Y = at.y();
  p.Right = event->button() == Qt::RightButton;
  p.Ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
  PressPicture(wb_, "NG3D", p);
  update();
}

void SurfacePicture::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return;
  const QPoint at = event->position().toPoint();
  RunCommand(wb_, [&] { PickSurfacePoint(wb_, at.x(), at.y()); });
  update();
}

SurfaceWindow::SurfaceWindow(Workbench& wb) : QWidget(nullptr, Qt::Window), wb_(wb) {
  setObjectName(QStringLiteral("NG3D"));
  setWindowTitle(QString::fromStdString(wb_.NG3D.Caption()));
  picture_ = new SurfacePicture(wb_, this);
  panel_ = new QWidget(this);
  view_ = new FormView(wb_.NG3D, panel_, nullptr);
  // The panel below the picture: its controls row by row over the panel's width (the pictures' cells stay
  // hidden).
  auto* layout = new FlowGridLayout(panel_, 6, 10);
  layout->setContentsMargins(2, 2, 2, 2);
  for (const FormView::Item& item : view_->TopLevel()) {
    const std::string& name = item.Source->Name();
    if (name == "I1" || name == "I2" || name == "I3" || name == "PaintBox1") continue;
    layout->AddWidget(item.Widget, false);
  }
  listener_ = wb_.NG3D.AddListener([this](const ControlNotice& n) { OnNotice(n); });
  ApplyGeometry();
}

SurfaceWindow::~SurfaceWindow() { wb_.NG3D.RemoveListener(listener_); }

void SurfaceWindow::ApplyGeometry() {
  const TNG3D& w = wb_.NG3D;
  // The model's size is taken when it changes or the window is shown; a window made smaller to keep clear
  // of another one (CascadedPlace) keeps its size until then.
  if (QSize(w.Width, w.Height) != applied_) {
    applied_ = QSize(w.Width, w.Height);
    resize(applied_);
  }
  picture_->setGeometry(1, 2, 629, 613);
  // The panel reaches down to the window's bottom edge, so that its last row of controls is not cut off
  // with a wider type than the window was drawn for.
  panel_->setGeometry(2, w.PanelTop, 620, std::max(w.PanelHeight, w.Height - w.PanelTop - 2));
  for (const char* name : {"I1", "I2", "I3", "PaintBox1"})
    if (QWidget* cell = view_->CellOf(name)) cell->hide();
}

void SurfaceWindow::ShowFromModel() {
  applied_ = QSize();
  ApplyGeometry();
  ShowAt(this, QPoint(wb_.NG3D.Left, wb_.NG3D.Top));
}

void SurfaceWindow::OnNotice(const ControlNotice& n) {
  if (!n.Source) setWindowTitle(QString::fromStdString(wb_.NG3D.Caption()));
  for (const char* name : {"I1", "I2", "I3", "PaintBox1"})
    if (QWidget* cell = view_->CellOf(name)) cell->hide();
  if (isVisible()) picture_->update();
}

}  // namespace wl

#include "gui/tool_windows.h"
#include "gui/screen_place.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QStyle>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "analysis/graph_data_pictures.h"
#include "gui/flow_grid_layout.h"
#include "analysis/viewer_pictures.h"
#include "shell/data_visualization.h"
#include "shell/picture_viewer.h"

namespace wl {

// ---- the font window

FontWindow::FontWindow(Workbench& wb) : QWidget(nullptr, Qt::Window), wb_(wb) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QString::fromStdString(wb_.Form2.Caption()));
  view_ = new FormView(wb_.Form2, this, nullptr);
  view_->LayOutTopLevel(this);
  if (auto* ok = qobject_cast<QPushButton*>(view_->WidgetOf("Button1"))) ok->setDefault(true);
  // Tab goes round the field, "OK" and "Cancel"; only a press of a button does anything.
  if (QWidget* edit = view_->WidgetOf("MaskEdit1"); edit && view_->WidgetOf("Button2") && view_->WidgetOf("Button1")) {
    setTabOrder(edit, view_->WidgetOf("Button1"));
    setTabOrder(view_->WidgetOf("Button1"), view_->WidgetOf("Button2"));
  }
  resize(TForm2::Width, TForm2::Height);
}

void FontWindow::keyPressEvent(QKeyEvent* event) {
  // Enter in the field (which passes it on) presses "OK", as in a dialog; on a button it presses that one.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    auto* focused = qobject_cast<QPushButton*>(focusWidget());
    auto* ok = qobject_cast<QPushButton*>(view_->WidgetOf("Button1"));
    if (QPushButton* press = focused ? focused : ok) {
      press->click();
      return;
    }
  }
  QWidget::keyPressEvent(event);
}

void FontWindow::ShowFromModel() {
  ShowAt(this, QPoint(wb_.Form2.Left, wb_.Form2.Top));
}

// ---- pictures

PictureBox::PictureBox(std::function<const QImage*()> picture, std::function<bool()> stretch, QWidget* parent)
    : QWidget(parent), picture_(std::move(picture)), stretch_(std::move(stretch)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  const QImage* image = picture_();
  if (!image || image->isNull()) return;
  if (stretch_ && stretch_()) {
    // Stretched to the place, in its own proportions.
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(QPoint(0, 0), image->size().scaled(size(), Qt::KeepAspectRatio)), *image);
  } else if (image->width() <= width() && image->height() <= height()) {
    p.drawImage(0, 0, *image);
  } else {
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(QPoint(0, 0), image->size().scaled(size(), Qt::KeepAspectRatio)), *image);
  }
}

// ---- the data-visualisation window

GraphDataWindow::GraphDataWindow(Workbench& wb, std::shared_ptr<TGraphData> form)
    : QWidget(nullptr, Qt::Window), wb_(wb), form_(std::move(form)) {
  setObjectName(QStringLiteral("GraphData"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QString::fromStdString(form_->Caption()));
  view_ = new FormView(*form_, this, nullptr);
  TGraphData* g = form_.get();
  picture_ = new PictureBox([g]() -> const QImage* { return g->HasPicture ? &Pictures(*g).DataPlotBitmap : nullptr; },
                            {}, this);
  picture_->setGeometry(2, 2, TGraphData::W, TGraphData::H);
  int width = g->Width;
  // The feature lists as wide as their longest name, closed and open.
  for (const char* name : {"FYbox", "FXbox"})
    if (auto* combo = qobject_cast<QComboBox*>(view_->WidgetOf(name))) {
      combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
      int widest = 0;
      for (int i = 0; i < combo->count(); ++i)
        widest = std::max(widest, combo->view()->fontMetrics().horizontalAdvance(combo->itemText(i)));
      combo->view()->setMinimumWidth(widest + 4 * combo->view()->fontMetrics().averageCharWidth() +
                                     combo->view()->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
      // The panel's grid gives a control its minimum width.
      combo->setMinimumWidth(combo->sizeHint().width());
    }
  if (QWidget* panel = view_->CellOf("Panel1")) {
    // The feature lists one below the other, with their whole captions: the panel (and the window) as wide
    // as they need in this font.
    if (FlowGridLayout* layout = view_->LayoutOf("Panel1")) layout->SetColumns(1, 1);
    const int panelWidth = std::max(TGraphData::L + 796 - TGraphData::W - 20, panel->sizeHint().width());
    panel->setGeometry(TGraphData::W + 16, 2, panelWidth, std::max(300, panel->heightForWidth(panelWidth)));
    panel->show();
    width = std::max(width, TGraphData::W + 16 + panelWidth + 4);
  }
  if (QWidget* image = view_->CellOf("I1")) image->hide();
  listener_ = form_->AddListener([this](const ControlNotice& n) {
    if (n.Source == &form_->I1 && n.Event == ControlEvent::Repaint) picture_->repaint();
  });
  resize(width, g->Height);
}

GraphDataWindow::~GraphDataWindow() {
  form_->RemoveListener(listener_);
  // The view goes before its form.
  delete view_;
}

void GraphDataWindow::ShowFromModel() {
  ShowAt(this, QPoint(form_->Left, form_->Top));
}

void GraphDataWindow::closeEvent(QCloseEvent* event) {
  CloseDataVisualization(wb_, *form_);
  event->accept();
}

// ---- the picture viewer

ViewerWindow::ViewerWindow(Workbench& wb, std::shared_ptr<TPrzegladaj> form)
    : QWidget(nullptr, Qt::Window), wb_(wb), form_(std::move(form)) {
  setObjectName(QStringLiteral("Przegladaj"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QString::fromStdString(form_->Caption()));
  menu_ = new QMenuBar(this);
  view_ = new FormView(*form_, this, menu_);
  if (QWidget* image = view_->CellOf("Image1")) image->hide();
  TPrzegladaj* v = form_.get();
  picture_ = new PictureBox([v]() -> const QImage* { return &Pictures(*v).Picture; }, [v] { return v->Stretch; }, this);
  listener_ = form_->AddListener([this](const ControlNotice& n) {
    if (n.Source == &form_->Image1 && n.Event == ControlEvent::Repaint) {
      const int top = menu_->sizeHint().height();
      picture_->setGeometry(2, 2 + top, form_->ImageWidth, form_->ImageHeight);
      picture_->repaint();
    }
  });
  ApplyGeometry();
}

ViewerWindow::~ViewerWindow() {
  form_->RemoveListener(listener_);
  delete view_;
  if (wb_.Przegladaj == form_) CloseViewer(wb_);
}

void ViewerWindow::ApplyGeometry() {
  placing_ = true;
  const int top = menu_->sizeHint().height();
  menu_->setGeometry(0, 0, form_->Width, top);
  resize(form_->Width, form_->Height);
  picture_->setGeometry(2, 2 + top, form_->ImageWidth, form_->ImageHeight);
  placing_ = false;
}

void ViewerWindow::closeEvent(QCloseEvent* event) { event->accept(); }

void ViewerWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int top = menu_->sizeHint().height();
  menu_->setGeometry(0, 0, width(), top);
  if (placing_) return;
  ViewerResize(*form_, width(), height());
  picture_->setGeometry(2, 2 + top, form_->ImageWidth, form_->ImageHeight);
}

bool ViewerWindow::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) {
    ViewerActivate(wb_, *form_);
    ApplyGeometry();
  }
  return QWidget::event(e);
}

}  // namespace wl

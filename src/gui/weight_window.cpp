#include "gui/weight_window.h"
#include "gui/screen_place.h"

#include <QCloseEvent>
#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QToolTip>

#include "analysis/weight_forms.h"

namespace wl {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

// ---- the picture

WeightPicture::WeightPicture(Workbench& wb, TWfr& form, QWidget* parent) : QWidget(parent), wb_(wb), form_(form) {
  setObjectName(QStringLiteral("I1"));
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void WeightPicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  if (const QImage* picture = wl::Picture(form_)) p.drawImage(0, 0, *picture);
}

void WeightPicture::mouseMoveEvent(QMouseEvent* event) {
  // The widget's own coordinates are the picture's: the scrolling area has moved it already.
  const QPoint at = event->position().toPoint();
  WeightFormMouseMove(wb_, form_, at.x(), at.y());
  if (form_.HintOn)
    QToolTip::showText(event->globalPosition().toPoint(), Q(form_.Hint), this);
  else
    QToolTip::hideText();
}

void WeightPicture::mouseReleaseEvent(QMouseEvent* event) {
  WeightFormClick(wb_, form_);
  QWidget::mouseReleaseEvent(event);
}

// ---- the window

WeightWindow::WeightWindow(Workbench& wb, TWfr& form)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::WindowMinimizeButtonHint),
      wb_(wb),
      form_(form) {
  setObjectName(Q(form.Name()));
  scroll_ = new QScrollArea(this);
  scroll_->setWidgetResizable(false);
  scroll_->setFrameShape(QFrame::NoFrame);
  picture_ = new WeightPicture(wb_, form_, nullptr);
  scroll_->setWidget(picture_);
  save_ = new QPushButton(Q(form_.Button1.Caption()), this);
  saveAs_ = new QPushButton(Q(form_.Button2.Caption()), this);
  connect(save_, &QPushButton::clicked, this, [this] { form_.Button1.UserClick(); });
  connect(saveAs_, &QPushButton::clicked, this, [this] { form_.Button2.UserClick(); });
  listener_ = form_.AddListener([this](const ControlNotice& n) { OnNotice(n); });
  resize(817, 637);
  setWindowTitle(Q(form_.Caption()));
}

WeightWindow::~WeightWindow() { form_.RemoveListener(listener_); }

void WeightWindow::ApplyGeometry() {
  const bool onTop = (windowFlags() & Qt::WindowStaysOnTopHint) != 0;
  if (onTop != form_.StayOnTop) setWindowFlag(Qt::WindowStaysOnTopHint, form_.StayOnTop);
  setWindowTitle(Q(form_.Caption()));
  resize(form_.Width, form_.Height);
  move(form_.Left, form_.Top);
  picture_->resize(wl::Picture(form_) ? wl::Picture(form_)->size() : QSize(form_.PictureWidth, 1));
  scroll_->setGeometry(form_.PictureLeft, form_.PictureTop, std::min(form_.Width - form_.PictureLeft, form_.PictureWidth),
                       std::max(40, std::min(form_.Height - 50, form_.PictureHeight)));
  const int buttonsTop = std::min(form_.ButtonsTop, form_.Height - 34);
  save_->setGeometry(8, buttonsTop, 80, 25);
  saveAs_->setGeometry(96, buttonsTop, 80, 25);
}

void WeightWindow::ShowFromModel() {
  ApplyGeometry();
  ShowAt(this, pos());
}

void WeightWindow::OnNotice(const ControlNotice& n) {
  if (n.Source == &form_.I1 || n.Source == &form_.Image1) {
    if (const QImage* picture = wl::Picture(form_); picture && picture_->size() != picture->size())
      picture_->resize(picture->size());
    picture_->update();
  } else if (!n.Source) {
    setWindowTitle(Q(form_.Caption()));
  }
}

void WeightWindow::closeEvent(QCloseEvent* event) {
  CloseWeightForm(wb_, form_);
  QToolTip::hideText();
  event->accept();
}

void WeightWindow::mouseReleaseEvent(QMouseEvent* event) {
  WeightFormClick(wb_, form_);
  QWidget::mouseReleaseEvent(event);
}

}  // namespace wl

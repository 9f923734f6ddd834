#include "gui/representation_window.h"
#include "gui/screen_place.h"

#include <algorithm>

#include <QPainter>

#include "analysis/signal_plots.h"

namespace wl {

RepresentationPicture::RepresentationPicture(Workbench& wb, TRepresentationForm& form, QWidget* parent)
    : QWidget(parent), wb_(wb), form_(form) {
  setObjectName(QStringLiteral("I1"));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void RepresentationPicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  const QImage& image = SignalPictures(wb_).WindowImage[static_cast<std::size_t>(WindowSlot(form_))];
  if (image.isNull()) return;
  if (image.width() <= width() && image.height() <= height()) {
    p.drawImage(0, 0, image);
  } else {
    // A picture of a larger point size is shown whole, scaled down.
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize fit = image.size().scaled(size(), Qt::KeepAspectRatio);
    p.drawImage(QRect(QPoint(0, 0), fit), image);
  }
}

RepresentationWindow::RepresentationWindow(Workbench& wb, TRepresentationForm& form)
    : QWidget(nullptr, Qt::Window), wb_(wb), form_(form) {
  setObjectName(QString::fromStdString(form.Name()));
  setWindowTitle(QString::fromStdString(form.Caption()));
  view_ = new FormView(form_, this, nullptr);
  picture_ = new RepresentationPicture(wb_, form_, this);
  listener_ = form_.AddListener([this](const ControlNotice& n) { OnNotice(n); });
  ApplyGeometry();
}

RepresentationWindow::~RepresentationWindow() { form_.RemoveListener(listener_); }

void RepresentationWindow::ApplyGeometry() {
  const WindowRect& f = form_.Frame;
  if (width() != f.Width || height() != f.Height) resize(f.Width, f.Height);
  const WindowRect& i = form_.Image;
  picture_->setGeometry(i.Left, i.Top, i.Width, i.Height);
  int right = 0, rowTop = -1000, rowLeft = 0;
  auto place = [this, &right, &rowTop, &rowLeft](const char* name, const WindowRect& r) {
    // At the place the window's layout gives, as large as its text needs in this font, and right of the
    // control placed before it when that one stands left of it on the same row.
    if (QWidget* cell = view_->CellOf(name)) {
      const bool after = std::abs(r.Top - rowTop) < 12 && r.Left > rowLeft;
      const int left = after ? std::max(r.Left, right + 4) : r.Left;
      rowLeft = r.Left;
      const int width = std::max(r.Width, cell->sizeHint().width());
      cell->setGeometry(left, r.Top, width, std::max(r.Height, cell->sizeHint().height()));
      right = left + width;
      rowTop = r.Top;
    }
  };
  place("Button1", form_.SaveButton);
  place("Button2", form_.SaveAsButton);
  if (auto* orf = dynamic_cast<TORF*>(&form_)) {
    place("Label1", orf->EpochLabel);
    place("SE", orf->EpochField);
    place("ASB", orf->AutoSaveBox);
  }
  if (QWidget* cell = view_->CellOf("I1")) cell->hide();
}

void RepresentationWindow::ShowFromModel() {
  ApplyGeometry();
  ShowAt(this, QPoint(form_.Frame.Left, form_.Frame.Top));
}

void RepresentationWindow::OnNotice(const ControlNotice& n) {
  if (QWidget* cell = view_->CellOf("I1")) cell->hide();
  if (!n.Source) {
    setWindowTitle(QString::fromStdString(form_.Caption()));
    return;
  }
  if (n.Source == &form_.I1) {
    if (form_.Shown && !isVisible()) ShowFromModel();
    picture_->update();
  }
}

}  // namespace wl

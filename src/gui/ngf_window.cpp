#include "gui/ngf_window.h"
#include "gui/screen_place.h"

#include <QPainter>

#include "analysis/ngf_pictures.h"

namespace wl {

namespace {

// The chart's place on the window and the buttons under it.
constexpr int kChartLeft = 1, kChartTop = 2, kChartWidth = 590, kChartHeight = 510;
constexpr int kButtonsTop = 525, kButton1Left = 180, kButton2Left = 300;

}  // namespace

SectionPicture::SectionPicture(TNGF& form, QWidget* parent) : QWidget(parent), form_(form) {
  setObjectName(QStringLiteral("PaintBox1"));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void SectionPicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  const QImage& image = Pictures(form_).NGFBitmap;
  if (image.isNull()) return;
  if (image.width() <= width() && image.height() <= height()) {
    p.drawImage(0, 0, image);
  } else {
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize fit = image.size().scaled(size(), Qt::KeepAspectRatio);
    p.drawImage(QRect(QPoint(0, 0), fit), image);
  }
}

NgfWindow::NgfWindow(Workbench& wb) : QWidget(nullptr, Qt::Window), wb_(wb) {
  setObjectName(QStringLiteral("NGF"));
  setWindowTitle(QString::fromStdString(wb_.NGF.Caption()));
  view_ = new FormView(wb_.NGF, this, nullptr);
  picture_ = new SectionPicture(wb_.NGF, this);
  listener_ = wb_.NGF.AddListener([this](const ControlNotice& n) { OnNotice(n); });
  ApplyGeometry();
}

NgfWindow::~NgfWindow() { wb_.NGF.RemoveListener(listener_); }

void NgfWindow::ApplyGeometry() {
  TNGF& g = wb_.NGF;
  g.Height = wb_.FontPct >= 122 ? 610 : 600;
  if (width() != g.Width || height() != g.Height) resize(g.Width, g.Height);
  picture_->setGeometry(kChartLeft, kChartTop, kChartWidth, kChartHeight);
  auto place = [this](const char* name, int left, int w) {
    if (QWidget* cell = view_->CellOf(name)) {
      cell->adjustSize();
      cell->setGeometry(left, kButtonsTop, w, cell->sizeHint().height());
    }
  };
  place("Button1", kButton1Left, 90);
  place("Button2", kButton2Left, 90);
  for (const char* name : {"PaintBox1", "Image1"})
    if (QWidget* cell = view_->CellOf(name)) cell->hide();
}

void NgfWindow::ShowFromModel() {
  ApplyGeometry();
  ShowAt(this, QPoint(wb_.NGF.Left, wb_.NGF.Top));
}

void NgfWindow::OnNotice(const ControlNotice& n) {
  const TNGF& g = wb_.NGF;
  for (const char* name : {"PaintBox1", "Image1"})
    if (QWidget* cell = view_->CellOf(name)) cell->hide();
  if (n.Source == &g.PaintBox1 && isVisible()) picture_->repaint();
}

}  // namespace wl

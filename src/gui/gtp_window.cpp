#include "gui/gtp_window.h"
#include "gui/screen_place.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include "platform/colors.h"
#include "platform/rounding.h"

namespace wl {

namespace {

// During a run the picture changes after every epoch (or every weight tried); it is painted at once at
// most this often, else with the next pass of the event pump.
constexpr qint64 kPaintIntervalMs = 40;

// A colour key: a bar this wide and high, this far left of its label's text.
constexpr int kKeyWidth = 16, kKeyHeight = 4, kKeyGap = 4;

// The room the bottom row leaves at the window's right edge (the 800-pixel window's, right of the "Comp
// Err" button at 715 and 75 wide).
constexpr int kRowRightMargin = 10;

// The left edges of the labels and buttons on the window's bottom row.
constexpr int kLabel3Left = 60, kLabel2Left = 140, kLabel1Left = 240;
constexpr int kButton1Left = 420, kButton2Left = 490, kResizeEditLeft = 575, kResizeLeft = 645, kButton3Left = 715;

}  // namespace

// ---- the picture

ProgressPicture::ProgressPicture(TGTP& form, QWidget* parent) : QWidget(parent), form_(form) {
  setObjectName(QStringLiteral("PaintBox1"));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

const QImage& ProgressPicture::Current() const {
  const GTPPictures& pics = Pictures(form_);
  return form_.Image1.Visible() && !pics.Image1Picture.isNull() ? pics.Image1Picture : pics.Bitmap;
}

void ProgressPicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  const QImage& image = Current();
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

// ---- the window

GtpWindow::GtpWindow(Workbench& wb) : QWidget(nullptr, Qt::Window), wb_(wb) {
  setObjectName(QStringLiteral("GTP"));
  view_ = new FormView(wb_.GTP, this, nullptr);
  picture_ = new ProgressPicture(wb_.GTP, this);
  for (int i = 0; i < 3; ++i) {
    keys_[i] = new QWidget(this);
    keys_[i]->setObjectName(QStringLiteral("Label%1Key").arg(i + 1));
    keys_[i]->setAutoFillBackground(true);
    keys_[i]->hide();
  }
  // The form's parts are placed by ApplyGeometry; its picture labels are drawn by the picture instead.
  listener_ = wb_.GTP.AddListener([this](const ControlNotice& n) { OnNotice(n); });
  ApplyGeometry();
  SyncLabels();
}

GtpWindow::~GtpWindow() { wb_.GTP.RemoveListener(listener_); }

void GtpWindow::ApplyGeometry() {
  const TGTP& g = wb_.GTP;
  const int lowered = std::clamp(lowered_, 0, std::max(0, g.Height / 2));
  if (width() != g.Width || height() != g.Height - lowered) resize(g.Width, g.Height - lowered);
  const double q = g.Plot.q;
  picture_->setGeometry(1, 2, RoundInt(790 * q), RoundInt(420 * q) - lowered);
  // At the Part's places, each as wide as its caption needs in this font and right of the one before it.
  int right = 0;
  // A label's colour key stands in front of it, the label moved right by the key's room.
  auto place = [this, &right, lowered](const char* name, int left, int top, int w, QWidget* key = nullptr) {
    if (QWidget* cell = view_->CellOf(name)) {
      cell->adjustSize();
      int width = w > 0 ? w : cell->sizeHint().width();
      if (auto* button = qobject_cast<QPushButton*>(cell))
        width = std::max(width, button->fontMetrics().horizontalAdvance(button->text()) + 16);
      left = std::max(left, right + 4);
      const int height = cell->sizeHint().height();
      if (key) {
        key->setGeometry(left, top - lowered + (height - kKeyHeight) / 2, kKeyWidth, kKeyHeight);
        left += kKeyWidth + kKeyGap;
      }
      cell->setGeometry(left, top - lowered, width, height);
      right = left + width;
    }
  };
  place("Label3", kLabel3Left, g.Label23Top, 0, keys_[2]);
  place("Label2", kLabel2Left, g.Label23Top, 0, keys_[1]);
  place("Label1", kLabel1Left, g.Label1Top, 170, keys_[0]);
  place("Button1", kButton1Left, g.ButtonsTop, 65);
  place("Button2", kButton2Left, g.ButtonsTop, 80);
  place("ResizeEdit", kResizeEditLeft, g.ButtonsTop, 65);
  place("ResizeButton", kResizeLeft, g.ButtonsTop, 65);
  place("Button3", kButton3Left, g.ButtonsTop, 75);
  // A larger font, or captions wider than the Part's widths: the window grows by what its bottom row needs,
  // so that the last button keeps its room at the right edge.
  if (right + kRowRightMargin > width()) resize(right + kRowRightMargin, height());
  for (const char* name : {"PaintBox1", "Image1", "Image2"})
    if (QWidget* cell = view_->CellOf(name)) cell->hide();
}

void GtpWindow::SyncLabels() {
  const TGTP& g = wb_.GTP;
  // Each label has the colour key of its curve at its left: the error (or the training error) red, the
  // accuracy (or the surface's error) blue, the norm black (the error ratio of "Comp Err" green, in the
  // label's own colour).
  const struct {
    const char* Name;
    const Label& Model;
    std::int64_t Color;
    QColor Key;
  } labels[] = {{"Label1", g.Label1, g.Label1Color,
                 g.Label1Color == clBlack ? QColor(Qt::black) : FormView::CaptionQColor(g.Label1Color)},
                {"Label2", g.Label2, g.Label2Color, QColor(0, 0, 255)},
                {"Label3", g.Label3, g.Label3Color, QColor(255, 0, 0)}};
  for (int i = 0; i < 3; ++i) {
    const auto& l = labels[i];
    if (auto* label = qobject_cast<QLabel*>(view_->WidgetOf(l.Name))) {
      label->setStyleSheet(QStringLiteral("color: %1;").arg(FormView::CaptionQColor(l.Color).name()));
      label->adjustSize();
    }
    QPalette palette = keys_[i]->palette();
    palette.setColor(QPalette::Window, l.Key);
    keys_[i]->setPalette(palette);
    keys_[i]->setVisible(l.Model.Visible());
  }
  ApplyGeometry();
}

QPoint GtpWindow::ClearPlace() {
  lowered_ = 0;
  ApplyGeometry();
  QPoint place(wb_.GTP.Left, wb_.GTP.Top);
  const QRect clear = keepClear_ ? keepClear_() : QRect();
  if (!clear.isEmpty()) {
    const QMargins m = FrameMargins(this);
    const QRect wanted(place, size().grownBy(m));
    // Lower by at most a third: below that the picture gets too small to read.
    const QRect to = PlaceClearOf(FreeScreenArea(this), wanted, clear, wanted.height() * 2 / 3);
    place = to.topLeft();
    if (to.height() < wanted.height()) {
      lowered_ = wanted.height() - to.height();
      ApplyGeometry();
    }
  }
  return place;
}

void GtpWindow::ShowFromModel() {
  const QMargins framedBy = FrameMargins(this);
  ShowAt(this, ClearPlace());
  // The window system frames a window shown for the first time a little later; with a frame other than the
  // one it was placed by (its title bar off the screen, or over the fields), it is placed again by its own.
  QPointer<GtpWindow> self(this);
  for (int ms : {50, 400}) {
    QTimer::singleShot(ms, this, [self, framedBy] {
      if (!self || !self->isVisible() || FrameMargins(self) == framedBy) return;
      DropPendingPlacements(self);
      const QPoint place = self->ClearPlace();
      if (self->frameGeometry().topLeft() != place) self->move(place);
      KeepOnScreen(self);
    });
  }
}

void GtpWindow::RefreshPicture() {
  if (!isVisible()) return;
  if (!lastPaint_.isValid() || lastPaint_.elapsed() >= kPaintIntervalMs) {
    lastPaint_.start();
    picture_->repaint();
  } else {
    picture_->update();
  }
}

void GtpWindow::OnNotice(const ControlNotice& n) {
  const TGTP& g = wb_.GTP;
  // The picture labels stay hidden behind the picture, whatever the form's view shows.
  for (const char* name : {"PaintBox1", "Image1", "Image2"})
    if (QWidget* cell = view_->CellOf(name)) cell->hide();
  if (n.Source == &g.Label1 || n.Source == &g.Label2 || n.Source == &g.Label3) SyncLabels();
  if (n.Source == &g.PaintBox1 || n.Source == &g.Image1) {
    // A run opens the plot: the window comes up at its place, in the size of this run's plot.
    if (g.Shown && !isVisible()) {
      ShowFromModel();
    } else {
      ApplyGeometry();
    }
    RefreshPicture();
  }
}

}  // namespace wl

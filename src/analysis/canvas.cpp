#include "analysis/canvas.h"

#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <QString>
#include <algorithm>

#include "platform/errors.h"
#include "platform/numfmt.h"

namespace wl {

QColor ColorOf(std::int64_t bbggrr) {
  const auto v = static_cast<std::uint32_t>(bbggrr & 0xFFFFFF);
  return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF));
}

std::int64_t ColorValue(QRgb pixel) {
  return static_cast<std::int64_t>(qRed(pixel)) | (static_cast<std::int64_t>(qGreen(pixel)) << 8) |
         (static_cast<std::int64_t>(qBlue(pixel)) << 16);
}

bool PictureCanBeMade(std::int64_t width, std::int64_t height) {
  constexpr std::int64_t kSide = 32767, kPixels = std::int64_t{1} << 27;
  return width <= kSide && height <= kSide && std::max<std::int64_t>(width, 1) * std::max<std::int64_t>(height, 1) <= kPixels;
}

std::string PictureRefusal(std::int64_t width, std::int64_t height) {
  return "A picture of " + IntToStr(width) + " x " + IntToStr(height) +
         " pixels cannot be made: choose a smaller point size";
}

QImage MakePicture(int width, int height) {
  if (!PictureCanBeMade(width, height)) throw WlError(PictureRefusal(width, height));
  QImage img(width < 1 ? 1 : width, height < 1 ? 1 : height, QImage::Format_RGB32);
  if (img.isNull()) throw WlError(PictureRefusal(width, height));
  img.fill(Qt::white);
  return img;
}

namespace {

// A painter with the canvas's pen: aliased, square line ends for the one-pixel pen (so both end points
// are drawn), round ends and joins for wider pens, as the window system draws its wide lines.
class Painter {
 public:
  Painter(QImage& img, std::int64_t color, int width) : p_(&img) {
    p_.setRenderHint(QPainter::Antialiasing, false);
    p_.setRenderHint(QPainter::TextAntialiasing, false);
    QPen pen(ColorOf(color));
    pen.setWidth(width);
    if (width <= 1) {
      pen.setCapStyle(Qt::SquareCap);
      pen.setJoinStyle(Qt::MiterJoin);
    } else {
      pen.setCapStyle(Qt::RoundCap);
      pen.setJoinStyle(Qt::RoundJoin);
    }
    p_.setPen(pen);
    p_.setBrush(Qt::NoBrush);
  }
  QPainter& operator*() { return p_; }
  QPainter* operator->() { return &p_; }

 private:
  QPainter p_;
};

// Fonts need the application's font database; a program without one (a headless script run) draws
// its plots without text.
bool CanWrite() { return qGuiApp != nullptr; }

QFont FontOfSize(int px, bool bold = false, const std::string& family = {}) {
  QFont f;
  if (!family.empty()) f.setFamily(QString::fromStdString(family));
  f.setBold(bold);
  f.setPixelSize(px);
  f.setStyleStrategy(QFont::NoAntialias);
  return f;
}

}  // namespace

void Canvas::LineTo(int x, int y) {
  Line(pos_.x(), pos_.y(), x, y);
  pos_ = QPoint(x, y);
}

void Canvas::Line(int x1, int y1, int x2, int y2) {
  Painter p(*img_, pen_, penWidth_);
  p->drawLine(x1, y1, x2, y2);
}

void Canvas::Polyline(const std::vector<QPoint>& points) {
  if (points.empty()) return;
  Painter p(*img_, pen_, penWidth_);
  p->drawPolyline(points.data(), static_cast<int>(points.size()));
  pos_ = points.back();
}

void Canvas::Polygon(const std::vector<QPoint>& points) {
  if (points.empty()) return;
  Painter p(*img_, pen_, penWidth_);
  p->setBrush(ColorOf(brush_));
  p->drawPolygon(points.data(), static_cast<int>(points.size()));
}

void Canvas::Ellipse(int x1, int y1, int x2, int y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  Painter p(*img_, pen_, penWidth_);
  p->drawEllipse(QRect(QPoint(x1, y1), QPoint(x2, y2)));
}

void Canvas::FillRect(int x1, int y1, int x2, int y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  QPainter p(img_);
  p.fillRect(x1, y1, x2 - x1 + 1, y2 - y1 + 1, ColorOf(brush_));
}

void Canvas::FrameRect(int x1, int y1, int x2, int y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  QPainter p(img_);
  const QColor c = ColorOf(pen_);
  p.fillRect(x1, y1, x2 - x1 + 1, 1, c);
  p.fillRect(x1, y2, x2 - x1 + 1, 1, c);
  p.fillRect(x1, y1, 1, y2 - y1 + 1, c);
  p.fillRect(x2, y1, 1, y2 - y1 + 1, c);
}

void Canvas::Rectangle(int x1, int y1, int x2, int y2) {
  FillRect(x1, y1, x2, y2);
  FrameRect(x1, y1, x2, y2);
}

void Canvas::Clear(std::int64_t c) { img_->fill(ColorOf(c)); }

void Canvas::TextOut(int x, int y, const std::string& text) {
  if (!CanWrite()) return;
  QPainter p(img_);
  p.setRenderHint(QPainter::TextAntialiasing, false);
  p.setFont(FontOfSize(fontPx_, bold_, family_));
  p.setPen(ColorOf(font_));
  p.drawText(QRect(x, y, img_->width() + 1000, fontPx_ * 2), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
             QString::fromStdString(text));
}

void Canvas::TextOutTurned(int x, int y, const std::string& text) {
  if (!CanWrite()) return;
  QPainter p(img_);
  p.setRenderHint(QPainter::TextAntialiasing, false);
  p.setFont(FontOfSize(fontPx_, bold_, family_));
  p.setPen(ColorOf(font_));
  // Turned anticlockwise about (x, y): the text's top edge faces left and it reads from y upwards.
  p.translate(x, y);
  p.rotate(-90);
  p.drawText(QRect(0, 0, img_->height() + 1000, fontPx_ * 2), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
             QString::fromStdString(text));
}

int Canvas::TextWidth(const std::string& text) const {
  if (!CanWrite()) return 0;
  QImage probe(1, 1, QImage::Format_RGB32);
  QPainter p(&probe);
  p.setFont(FontOfSize(fontPx_, bold_, family_));
  return p.fontMetrics().horizontalAdvance(QString::fromStdString(text));
}

int Canvas::TextHeight() const { return fontPx_; }

void Canvas::SetPixel(int x, int y, std::int64_t c) {
  if (x < 0 || y < 0 || x >= img_->width() || y >= img_->height()) return;
  img_->setPixel(x, y, ColorOf(c).rgb());
}

std::int64_t Canvas::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= img_->width() || y >= img_->height()) return -1;
  return ColorValue(img_->pixel(x, y));
}

}  // namespace wl

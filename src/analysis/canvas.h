#pragma once
// The drawing surface of the plot windows: an off-screen QImage painted without antialiasing, so that
// every pixel lies where a plot's formulas put it. Colours are window-system values $BBGGRR ($0000FF is
// red, $FF0000 blue) and are converted to Qt's colours here and nowhere else.
#include <QColor>
#include <QImage>
#include <QPoint>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/colors.h"

namespace wl {

// $BBGGRR to a Qt colour, and a pixel back to $BBGGRR.
QColor ColorOf(std::int64_t bbggrr);
std::int64_t ColorValue(QRgb pixel);

// An off-screen picture of the given size, in the format every plot draws on, cleared to white. A
// picture that cannot be made (PictureCanBeMade false, or no memory for it) throws WlError with
// PictureRefusal's text, so that no command draws into nothing.
QImage MakePicture(int width, int height);
// Whether a picture of width x height pixels can be made: each side at most 32767 pixels, at most 2^27
// pixels in all.
bool PictureCanBeMade(std::int64_t width, std::int64_t height);
std::string PictureRefusal(std::int64_t width, std::int64_t height);

// Draws on a picture it does not own. The pen draws lines and outlines, the brush fills, the font writes
// text; like the window system's canvas it keeps a pen position for MoveTo / LineTo.
class Canvas {
 public:
  explicit Canvas(QImage& image) : img_(&image) {}

  QImage& Image() const { return *img_; }
  int Width() const { return img_->width(); }
  int Height() const { return img_->height(); }

  void SetPenColor(std::int64_t c) { pen_ = c; }
  std::int64_t PenColor() const { return pen_; }
  void SetPenWidth(int w) { penWidth_ = w < 1 ? 1 : w; }
  int PenWidth() const { return penWidth_; }
  void SetBrushColor(std::int64_t c) { brush_ = c; }
  void SetFontColor(std::int64_t c) { font_ = c; }
  // The font's height in pixels.
  void SetFontSize(int pixels) { fontPx_ = pixels < 1 ? 1 : pixels; }
  int FontSize() const { return fontPx_; }
  // Bold type, and the font's family ("" for the application's own).
  void SetFontBold(bool on) { bold_ = on; }
  void SetFontFamily(std::string family) { family_ = std::move(family); }

  // Lines from the pen position; the pen position moves to the end point.
  void MoveTo(int x, int y) { pos_ = QPoint(x, y); }
  void LineTo(int x, int y);
  QPoint PenPos() const { return pos_; }
  void Line(int x1, int y1, int x2, int y2);
  void Polyline(const std::vector<QPoint>& points);
  // A closed polygon filled with the brush and outlined with the pen.
  void Polygon(const std::vector<QPoint>& points);
  // The outline of the ellipse inside the box (x1, y1) .. (x2, y2), in the pen; not filled.
  void Ellipse(int x1, int y1, int x2, int y2);
  // The pixels (x1, y1) .. (x2, y2), both corners included: filled with the brush, or outlined one pixel
  // wide in the pen colour.
  void FillRect(int x1, int y1, int x2, int y2);
  void FrameRect(int x1, int y1, int x2, int y2);
  // Filled with the brush and outlined with the pen, corners included.
  void Rectangle(int x1, int y1, int x2, int y2);
  // The whole picture in one colour.
  void Clear(std::int64_t c);

  // Text in the font colour on a transparent background; (x, y) is the top-left corner of the text.
  void TextOut(int x, int y, const std::string& text);
  // Text turned by 90 degrees, reading upwards; (x, y) is where the turned text's top-left corner (the
  // start of the text) comes to lie, so the text runs from y upwards.
  void TextOutTurned(int x, int y, const std::string& text);
  int TextWidth(const std::string& text) const;
  int TextHeight() const;

  void SetPixel(int x, int y, std::int64_t c);
  // The $BBGGRR colour of a pixel; -1 outside the picture.
  std::int64_t Pixel(int x, int y) const;

 private:
  QImage* img_;
  std::int64_t pen_ = clBlack, brush_ = clWhite, font_ = clBlack;
  int penWidth_ = 1;
  int fontPx_ = 12;
  bool bold_ = false;
  std::string family_;
  QPoint pos_{0, 0};
};

}  // namespace wl

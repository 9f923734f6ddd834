// The plots' canvas: window-system colours, and pixels exactly where lines, frames and text are put.
#include "analysis/canvas.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <utility>

#include "support/qt_app_env.h"

namespace wl {
namespace {

// Every pixel that is not white, with its colour.
std::set<std::pair<int, int>> Inked(const QImage& img) {
  std::set<std::pair<int, int>> out;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (ColorValue(img.pixel(x, y)) != clWhite) out.insert({x, y});
  return out;
}

TEST(CanvasTest, ColoursAreWindowSystemValues) {
  struct Case {
    std::int64_t value;
    int r, g, b;
  } cases[] = {{clRed, 255, 0, 0},      {clBlue, 0, 0, 255},       {clLime, 0, 255, 0},         {clGreen, 0, 128, 0},
               {clYellow, 255, 255, 0}, {clSilver, 192, 192, 192}, {0x123456, 0x56, 0x34, 0x12}};
  for (const Case& c : cases) {
    const QColor q = ColorOf(c.value);
    EXPECT_EQ(q.red(), c.r) << std::hex << c.value;
    EXPECT_EQ(q.green(), c.g) << std::hex << c.value;
    EXPECT_EQ(q.blue(), c.b) << std::hex << c.value;
    EXPECT_EQ(ColorValue(q.rgb()), c.value);
  }
  QImage img = MakePicture(4, 3);
  Canvas canvas(img);
  canvas.SetPixel(1, 1, clRed);
  EXPECT_EQ(qRed(img.pixel(1, 1)), 255);
  EXPECT_EQ(qBlue(img.pixel(1, 1)), 0);
  EXPECT_EQ(canvas.Pixel(1, 1), clRed);
  EXPECT_EQ(canvas.Pixel(0, 0), clWhite);
  EXPECT_EQ(canvas.Pixel(4, 0), -1);
}

TEST(CanvasTest, OnePixelLinesCoverBothEndsAndNothingElse) {
  QImage img = MakePicture(20, 12);
  Canvas c(img);
  c.SetPenColor(clRed);
  c.Line(2, 3, 9, 3);  // horizontal
  std::set<std::pair<int, int>> want;
  for (int x = 2; x <= 9; ++x) want.insert({x, 3});
  EXPECT_EQ(Inked(img), want);

  img = MakePicture(20, 12);
  c.MoveTo(1, 1);
  c.LineTo(6, 6);  // diagonal: one pixel per column, no antialiasing shades
  EXPECT_EQ(c.PenPos(), QPoint(6, 6));
  want.clear();
  for (int i = 1; i <= 6; ++i) want.insert({i, i});
  EXPECT_EQ(Inked(img), want);
  for (const auto& [x, y] : want) EXPECT_EQ(c.Pixel(x, y), clRed);
}

TEST(CanvasTest, WidePenAndFrames) {
  QImage img = MakePicture(30, 20);
  Canvas c(img);
  c.SetPenWidth(3);
  c.SetPenColor(clBlue);
  c.Line(5, 10, 20, 10);
  for (int y = 9; y <= 11; ++y) EXPECT_EQ(c.Pixel(12, y), clBlue) << y;
  EXPECT_EQ(c.Pixel(12, 8), clWhite);
  EXPECT_EQ(c.Pixel(12, 12), clWhite);

  // A frame is drawn on its corner pixels exactly, one pixel wide whatever the pen width.
  img = MakePicture(8, 6);
  c.SetPenColor(clBlack);
  c.FrameRect(0, 0, 7, 5);
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(c.Pixel(x, 0), clBlack);
    EXPECT_EQ(c.Pixel(x, 5), clBlack);
  }
  for (int y = 0; y < 6; ++y) {
    EXPECT_EQ(c.Pixel(0, y), clBlack);
    EXPECT_EQ(c.Pixel(7, y), clBlack);
  }
  for (int y = 1; y < 5; ++y)
    for (int x = 1; x < 7; ++x) EXPECT_EQ(c.Pixel(x, y), clWhite);

  c.SetBrushColor(clYellow);
  c.Rectangle(2, 1, 4, 3);
  EXPECT_EQ(c.Pixel(3, 2), clYellow);
  EXPECT_EQ(c.Pixel(2, 1), clBlack);
  EXPECT_EQ(c.Pixel(5, 2), clWhite);
}

TEST(CanvasTest, TextIsWrittenInTheFontColourAndCanBeTurned) {
  QImage img = MakePicture(80, 80);
  Canvas c(img);
  c.SetFontSize(12);
  c.SetFontColor(clRed);
  c.TextOut(10, 20, "Error");
  int minX = 1000, maxX = -1, minY = 1000, maxY = -1;
  for (const auto& [x, y] : Inked(img)) {
    EXPECT_EQ(c.Pixel(x, y), clRed);
    minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
  ASSERT_GE(maxX, 0) << "no text drawn";
  EXPECT_GE(minX, 10);
  EXPECT_GE(minY, 20);
  EXPECT_LT(maxY, 20 + 2 * 12);
  EXPECT_GT(maxX - minX, maxY - minY);  // runs across
  EXPECT_GT(c.TextWidth("Error"), 0);

  // Turned by 90 degrees it runs upwards from its point.
  img = MakePicture(80, 80);
  c.TextOutTurned(20, 70, "Error");
  minX = 1000, maxX = -1, minY = 1000, maxY = -1;
  for (const auto& [x, y] : Inked(img))
    minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
  ASSERT_GE(maxX, 0) << "no turned text drawn";
  EXPECT_LE(maxY, 70);
  EXPECT_GE(minX, 20);
  EXPECT_GT(maxY - minY, maxX - minX);  // runs up
}

}  // namespace
}  // namespace wl

#include "analysis/ng_section.h"

#include <cmath>

#include "analysis/canvas.h"
#include "analysis/ngf_pictures.h"
#include "analysis/picture_saving.h"
#include "state/workbench.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"

namespace wl {

namespace {

// Type sizes are given in points; the chart is drawn at 96 pixels per inch.
int PointsToPixels(int points) { return RoundInt(points * 4.0 / 3.0); }

int PointSizeOf(const Workbench& wb) {
  const int k = StrToInt(Trim(wb.Form1.PSEdit.Text()));
  return k < 1 ? 1 : k;
}

}  // namespace

void DrawNGSectionAxes(Workbench& wb) {
  NGFPictures& g = Pictures(wb.NGF);
  const int k = PointSizeOf(wb);
  const int W = wb.NGChartWidth, H = wb.NGChartHeight, M = wb.NGChartMargin;
  const int PW = wb.NGChartPlotWidth, PH = wb.NGChartPlotHeight;
  g.NGFBitmap = MakePicture(k * W, k * H);
  Canvas& c = g.Pen;
  c.Clear(clWhite);
  c.MoveTo(0, 0);

  // The axis letters.
  c.SetFontColor(clBlack);
  c.SetFontSize(PointsToPixels(12 * k));
  c.TextOut(k * (W - M + 14), k * (H - M + 6), "h");
  c.TextOut(k * (M - 22), k * (M - 26), "E");

  // The grid.
  const double R = wb.ErrorAxisRange;
  const int n = std::max(1, RoundInt(5.0 * R));
  c.SetPenColor(clGray);
  c.SetPenWidth(k);
  c.SetFontSize(PointsToPixels(11 * k));
  const int left = k * M, right = k * (M + PW), top = k * M, bottom = k * (M + PH);
  for (int i = 0; i <= n; ++i) {
    const int y = RoundInt(k * (M + PH * static_cast<double>(i) / n));
    c.Line(left, y, right, y);
    const std::string label = FormatFixed(R - 0.2 * i, 1);
    c.TextOut(left - c.TextWidth(label) - 3 * k, y - c.TextHeight() / 2, label);
  }
  for (int j = 0; j <= 10; ++j) {
    const int x = RoundInt(k * (M + PW * j / 10.0));
    const double h = wb.fromH + (wb.toH - wb.fromH) * j / 10.0;
    c.SetPenWidth(h == 0.0 ? 2 * k : k);
    c.Line(x, top, x, bottom);
    const std::string label = IntToStr(Round(h * 0.1));
    c.TextOut(x - c.TextWidth(label) / 2, bottom + 3 * k, label);
  }

  // E = 1.
  c.SetPenWidth(2 * k);
  const int y1 = RoundInt(k * (M + PH * 5.0 * (R - 1.0) / n));
  c.Line(left, y1, right, y1);
  c.SetPenWidth(k);
}

void DrawNGSectionCurve(Workbench& wb, int i, int n) {
  NGFPictures& g = Pictures(wb.NGF);
  if (g.NGFBitmap.isNull()) DrawNGSectionAxes(wb);
  const int k = PointSizeOf(wb);
  Canvas& c = g.Pen;
  const std::int64_t colour = wb.PlotColors[static_cast<std::size_t>(((i % 8) + 8) % 8)];
  c.SetPenColor(colour);
  c.SetFontColor(colour);
  c.SetPenWidth(k);
  c.SetFontSize(PointsToPixels(9 * k));
  const int y = k * (wb.NGChartMargin + 22 * i);
  const int edge = wb.NGChartWidth - wb.NGChartMargin;
  if (n < 9)
    c.TextOut(k * (edge + 9), y, IntToStr(n));
  else if (n < 99)
    c.TextOut(k * (edge + 6), y, IntToStr(n));
}

void NGSectionPoint(Workbench& wb, double x, double y, bool first) {
  NGFPictures& g = Pictures(wb.NGF);
  if (g.NGFBitmap.isNull()) return;
  const int px = RoundInt(x * wb.PointSize), py = RoundInt(y * wb.PointSize);
  if (first)
    g.Pen.MoveTo(px, py);
  else
    g.Pen.LineTo(px, py);
}

void FrameNGSection(Workbench& wb) {
  NGFPictures& g = Pictures(wb.NGF);
  if (g.NGFBitmap.isNull()) return;
  Canvas& c = g.Pen;
  const std::int64_t pen = c.PenColor();
  const int width = c.PenWidth();
  c.SetPenColor(clWhite);
  c.SetPenWidth(1);
  c.FrameRect(0, 0, g.NGFBitmap.width() - 1, g.NGFBitmap.height() - 1);
  c.SetPenColor(pen);
  c.SetPenWidth(width);
}

void ShowNGSection(Workbench& wb) { wb.NGF.ShowBitmap(); }

void SaveNGSection(Workbench& wb) {
  QImage& chart = Pictures(wb.NGF).NGFBitmap;
  SavePicture(wb, chart.isNull() ? nullptr : &chart, "_NG");
  wb.NGF.ShowBitmap();
}

void SaveNGSectionAs(Workbench& wb) {
  QImage& chart = Pictures(wb.NGF).NGFBitmap;
  SavePictureAs(wb, chart.isNull() ? nullptr : &chart, "_NG");
  wb.NGF.ShowBitmap();
}

}  // namespace wl

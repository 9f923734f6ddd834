#include "analysis/ng_section.h"

#include <algorithm>
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

double NGSectionErrorY(double E, double errorAxisRange, int margin, int plotHeight) {
  return margin + plotHeight * (1.0 - E / errorAxisRange);
}

int NGSectionErrorParts(double errorAxisRange) {
  const double R = errorAxisRange;
  const auto whole = [](double x) { return std::abs(x - std::round(x)) < 1e-9; };
  // Lines 0.2 apart; an axis of an odd number of tenths (0.5, 0.3) in tenths, so that every line stands
  // at a value of one decimal.
  if (!whole(5.0 * R) && whole(10.0 * R)) return std::max(1, RoundInt(10.0 * R));
  return std::max(1, RoundInt(5.0 * R));
}

std::vector<NGErrorLine> NGSectionErrorLines(double errorAxisRange, int margin, int plotHeight, int k) {
  const double R = errorAxisRange;
  const int n = NGSectionErrorParts(R);
  std::vector<NGErrorLine> lines;
  for (int i = 0; i <= n; ++i) {
    const int y = RoundInt(k * (margin + plotHeight * static_cast<double>(i) / n));
    lines.push_back({y, R * (n - i) / n, ""});
  }
  // The fewest decimals that state every line's error (one, but for an axis of other than tenths).
  int decimals = 1;
  const auto states = [](double e, int d) {
    const double scaled = e * std::pow(10.0, d);
    return std::abs(scaled - std::round(scaled)) < 1e-6;
  };
  while (decimals < 3 && !std::all_of(lines.begin(), lines.end(), [&](const NGErrorLine& l) { return states(l.Error, decimals); }))
    ++decimals;
  for (NGErrorLine& l : lines) l.Label = FormatFixed(l.Error, decimals);
  return lines;
}

namespace {

// The axis letters, the grid and its labels, and the line at E = 1, drawn over what the picture holds.
void DrawNGSectionGrid(Workbench& wb, Canvas& c, int k) {
  const int W = wb.NGChartWidth, H = wb.NGChartHeight, M = wb.NGChartMargin;
  const int PW = wb.NGChartPlotWidth, PH = wb.NGChartPlotHeight;

  // The axis letters.
  c.SetFontColor(clBlack);
  c.SetFontSize(PointsToPixels(12 * k));
  c.TextOut(k * (W - M + 14), k * (H - M + 6), "h");
  c.TextOut(k * (M - 22), k * (M - 26), "E");

  // The grid, each line labelled with the error the curves draw at its height.
  const double R = wb.ErrorAxisRange;
  c.SetPenColor(clGray);
  c.SetPenWidth(k);
  c.SetFontSize(PointsToPixels(11 * k));
  const int left = k * M, right = k * (M + PW), top = k * M, bottom = k * (M + PH);
  for (const NGErrorLine& l : NGSectionErrorLines(R, M, PH, k)) {
    c.Line(left, l.Y, right, l.Y);
    c.TextOut(std::max(0, left - c.TextWidth(l.Label) - 3 * k), l.Y - c.TextHeight() / 2, l.Label);
  }
  for (int j = 0; j <= 10; ++j) {
    const int x = RoundInt(k * (M + PW * j / 10.0));
    const double h = wb.fromH + (wb.toH - wb.fromH) * j / 10.0;
    c.SetPenWidth(h == 0.0 ? 2 * k : k);
    c.Line(x, top, x, bottom);
    const std::string label = IntToStr(Round(h * 0.1));
    c.TextOut(x - c.TextWidth(label) / 2, bottom + 3 * k, label);
  }

  // E = 1, where the curves draw it.
  if (R >= 1.0) {
    c.SetPenWidth(2 * k);
    const int y1 = RoundInt(k * NGSectionErrorY(1.0, R, M, PH));
    c.Line(left, y1, right, y1);
  }
  c.SetPenWidth(k);
}

// Every pixel a share of the way to white: the curves drawn so far (and their legend numbers) grow paler.
void FadeTowardsWhite(QImage& img, double keep) {
  if (img.format() != QImage::Format_RGB32 && img.format() != QImage::Format_ARGB32) {
    img = img.convertToFormat(QImage::Format_RGB32);
  }
  auto fade = [keep](int v) { return 255 - RoundInt((255 - v) * keep); };
  for (int y = 0; y < img.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const QRgb p = line[x];
      line[x] = qRgb(fade(qRed(p)), fade(qGreen(p)), fade(qBlue(p)));
    }
  }
}

}  // namespace

int NGSectionLegendRows(int chartHeight, int margin) {
  // Rows 22 pixels apart from the top margin down to above the "h" of the axis.
  return std::max(1, (chartHeight - 2 * margin - 8) / 22 + 1);
}

void DrawNGSectionAxes(Workbench& wb) {
  NGFPictures& g = Pictures(wb.NGF);
  const int k = PointSizeOf(wb);
  g.NGFBitmap = MakePicture(k * wb.NGChartWidth, k * wb.NGChartHeight);
  Canvas& c = g.Pen;
  c.Clear(clWhite);
  c.MoveTo(0, 0);
  DrawNGSectionGrid(wb, c, k);
}

void DrawNGSectionCurve(Workbench& wb, int i, int n) {
  NGFPictures& g = Pictures(wb.NGF);
  if (g.NGFBitmap.isNull()) DrawNGSectionAxes(wb);
  const int k = PointSizeOf(wb);
  Canvas& c = g.Pen;
  // Once the colours come round again, each new section makes the earlier ones paler (the grid stays as
  // it is), so that the last few stand out among many.
  if (i >= kNGSectionColours) {
    FadeTowardsWhite(g.NGFBitmap, kNGSectionFade);
    DrawNGSectionGrid(wb, c, k);
  }
  const std::int64_t colour = wb.PlotColors[static_cast<std::size_t>(((i % 8) + 8) % 8)];
  c.SetPenColor(colour);
  c.SetFontColor(colour);
  c.SetPenWidth(k);
  c.SetFontSize(PointsToPixels(9 * k));
  // The legend wraps round inside the picture: a section takes the row of the one that many before it.
  const int rows = NGSectionLegendRows(wb.NGChartHeight, wb.NGChartMargin);
  const int row = ((i % rows) + rows) % rows;
  const int y = k * (wb.NGChartMargin + 22 * row);
  const int edge = wb.NGChartWidth - wb.NGChartMargin;
  if (i >= rows) {
    c.SetBrushColor(clWhite);
    c.FillRect(k * (edge + 1), y, k * wb.NGChartWidth - 2, y + 20 * k);
  }
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

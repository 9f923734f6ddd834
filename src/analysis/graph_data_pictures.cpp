#include "analysis/graph_data_pictures.h"

#include <cmath>

#include "analysis/canvas.h"
#include "analysis/picture_saving.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/rounding.h"
#include "state/workbench.h"

namespace wl {

namespace {

using G = TGraphData;

// Type sizes given in points are drawn at 96 pixels per inch.
int PointsToPixels(int points) { return RoundInt(points * 4.0 / 3.0); }

// The frame of the plot: the plot area with its offset on both sides.
constexpr int kFrameLeft = G::M, kFrameRight = G::M + G::PW + 2 * G::PlotOffset;

void MarkVector(Canvas& c, int px, int py, int cls, std::int64_t colour, int k) {
  c.SetPenColor(colour);
  c.SetBrushColor(colour);
  c.SetPenWidth(2 * k);
  if (cls == 0) {
    c.Line(px - 4 * k, py - 4 * k, px + 4 * k, py + 4 * k);
    c.Line(px - 4 * k, py + 4 * k, px + 4 * k, py - 4 * k);
  } else if (cls == 1) {
    c.FillRect(px - 3 * k, py - 3 * k, px + 2 * k, py + 2 * k);
  } else {
    c.Polygon({{px - 3 * k, py + 2 * k}, {px + 3 * k, py + 2 * k}, {px, py - 4 * k}});
    c.Polygon({{px - 2 * k, py + k}, {px + k, py + k}, {px, py - 2 * k}});
  }
}

}  // namespace

GraphDataPictures& Pictures(TGraphData& g) {
  if (!g.Pictures) g.Pictures = std::make_shared<GraphDataPictures>();
  return *g.Pictures;
}

AxisRange AxisRangeOf(double minimum, double maximum) { return {std::floor(minimum), std::ceil(maximum)}; }

int TickStep(const AxisRange& r) { return static_cast<int>(std::trunc((r.Max - r.Min) / 10.0)) + 1; }

PlotPoint DataPlotPoint(double x, double y, const AxisRange& rx, const AxisRange& ry, int k) {
  return {RoundInt(k * (G::M + G::PlotOffset + G::PW * (x - rx.Min) / (rx.Max - rx.Min))),
          RoundInt(k * (G::H - G::M - G::PH * (y - ry.Min) / (ry.Max - ry.Min)))};
}

std::vector<DataPlotGridLine> DataPlotYGrid(const AxisRange& ry, int k) {
  const int sY = TickStep(ry);
  std::vector<DataPlotGridLine> lines;
  for (double v = ry.Max; v >= ry.Min; v -= sY) {
    // Drawn (v - minY) / (maxY - minY) of the height down from the top, the line stands where a vector
    // of the value minY + maxY - v is drawn: that value is its label.
    const int ly = RoundInt(k * (G::M + G::PH * (v - ry.Min) / (ry.Max - ry.Min)));
    const double value = ry.Min + ry.Max - v;
    lines.push_back({ly, value, FormatFixed(value, std::max(2 - sY, 0))});
  }
  return lines;
}

void DrawDataPlot(Workbench& wb, TGraphData& g, int y, int x, int k) {
  QImage& bitmap = Pictures(g).DataPlotBitmap;
  const std::size_t last = static_cast<std::size_t>(std::max(wb.NumOfClasses, 0));
  const auto rangeOf = [&](int f) {
    const auto fi = static_cast<std::size_t>(f);
    if (fi >= wb.FeatureClassMin.size() || last >= wb.FeatureClassMin[fi].size())
      throw WlError("The ranges of the features are not those of this data set");
    const AxisRange r = AxisRangeOf(wb.FeatureClassMin[fi][last], wb.FeatureClassMax[fi][last]);
    // A feature within one integer (or a set without vectors) has no range to divide by.
    if (!(r.Max > r.Min) || !std::isfinite(r.Max - r.Min)) throw FloatError("Floating point division by zero");
    return r;
  };
  const AxisRange ry = rangeOf(y), rx = rangeOf(x);
  const int sX = TickStep(rx);

  Canvas c(bitmap);
  c.Clear(clWhite);
  c.SetFontColor(clBlack);
  c.SetFontBold(true);
  c.SetFontFamily("Arial");
  c.SetFontSize(20 * k);
  c.TextOutTurned(k, 140 * k, wb.Features[static_cast<std::size_t>(y)].Name);
  c.SetFontBold(false);
  c.SetFontFamily("");
  c.SetFontSize(PointsToPixels(11 * k));
  c.TextOut((G::W - 140) * k, (G::H - 22) * k, wb.Features[static_cast<std::size_t>(x)].Name);

  if (g.Grid.Checked()) {
    c.SetPenColor(clGray);
    c.SetPenWidth(1);
    c.SetFontColor(clGray);
    c.SetFontSize(PointsToPixels(8 * k));
    const int top = k * G::M, bottom = k * (G::H - G::M);
    for (const DataPlotGridLine& l : DataPlotYGrid(ry, k)) {
      c.Line(k * kFrameLeft, l.Y, k * kFrameRight, l.Y);
      c.TextOut(k * kFrameLeft - c.TextWidth(l.Label) - 3 * k, l.Y - c.TextHeight() / 2, l.Label);
    }
    for (double v = rx.Min; v - 1 <= rx.Max; v += sX) {
      const int lx = DataPlotPoint(v, ry.Min, rx, ry, k).X;
      c.Line(lx, top, lx, bottom);
      const std::string label = FormatFixed(v, std::max(2 - sX, 0));
      c.TextOut(lx - c.TextWidth(label) / 2, bottom + 3 * k, label);
    }
  }

  const std::size_t fy = static_cast<std::size_t>(y), fx = static_cast<std::size_t>(x);
  for (std::size_t v = 0; v < static_cast<std::size_t>(wb.NumOfVectors) && v < wb.Data.size(); ++v) {
    const int cls = v < wb.VectorClass.size() ? wb.VectorClass[v] : 0;
    // The pens are taken modulo 8, so that classes 7 and up stay within the palette.
    const std::int64_t colour = wb.PlotColors[static_cast<std::size_t>(((cls + 1) % 8 + 8) % 8)];
    const PlotPoint p = DataPlotPoint(wb.Data[v][fx], wb.Data[v][fy], rx, ry, k);
    MarkVector(c, p.X, p.Y, cls, colour, k);
  }

  c.SetPenColor(clWhite);
  c.FrameRect(0, 0, bitmap.width() - 1, bitmap.height() - 1);
  g.HasPicture = true;
  ++g.PictureVersion;
  g.I1.Repaint();
}

std::string DataPlotName(const Workbench& wb, const TGraphData& g) {
  const std::string prefix = wb.ResultsPrefix.empty() ? wb.ProgramDir + "/" : wb.ResultsPrefix;
  return prefix + "_" + IntToStr(g.YIndex) + "_" + IntToStr(g.XIndex) + "_s" + IntToStr(g.PointSize);
}

void SaveDataPlot(Workbench& wb, TGraphData& g) {
  if (!g.HasPicture) return;
  WriteGif(Pictures(g).DataPlotBitmap, DataPlotName(wb, g) + ".gif");
}

void SaveDataPlotAs(Workbench& wb, TGraphData& g) {
  if (!g.HasPicture) return;
  const std::string name = DataPlotName(wb, g);
  FileDialog& dlg = g.SaveGraphDialog;
  const auto slash = name.find_last_of('/');
  dlg.InitialDir = slash == std::string::npos ? wb.ProgramDir : name.substr(0, slash);
  dlg.FileName = FileNameOf(name);
  if (!wb.Plat.Execute(dlg)) return;
  WriteGif(Pictures(g).DataPlotBitmap, dlg.FileName);
}

}  // namespace wl

#include "analysis/signal_plots.h"

#include <algorithm>
#include <string>
#include <vector>

#include "analysis/canvas.h"
#include "model/read_parameters.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/platform.h"
#include "platform/rounding.h"
#include "state/workbench.h"

namespace wl {

SignalPlotPictures& SignalPictures(Workbench& wb) {
  if (!wb.PlotPictures) wb.PlotPictures = std::make_shared<SignalPlotPictures>();
  return *wb.PlotPictures;
}

int WindowSlot(const TRepresentationForm& f) {
  const std::string& n = f.Name();
  return n == "HRF" ? 0 : n == "ORF" ? 1 : n == "HPF" ? 2 : 3;
}

SignalPlotOptions ReadSignalPlotOptions(const Workbench& wb) {
  const TForm1& f = wb.Form1;
  SignalPlotOptions o;
  o.P = StrToInt(Trim(f.PSEdit.Text()));
  if (o.P < 1) o.P = 1;
  o.Style = f.RshapeBox.Checked()   ? MarkerStyle::Shape
            : f.RcolorBox.Checked() ? MarkerStyle::Color
            : f.RbigBox.Checked()   ? MarkerStyle::Big
                                    : MarkerStyle::Small;
  o.ForceParallel = f.ForcePBox.Checked();
  o.ScreenWidth = wb.ScreenWidth;
  o.ScreenHeight = wb.ScreenHeight;
  return o;
}

std::string NoSignalsMessage(int epoch) {
  return "No signals are recorded for epoch " + IntToStr(epoch) +
         ". Check \"Signals after epoch\" and train the network (or report on a validation set) first.";
}

namespace {

const SignalEpoch* RecordedRow(const Workbench& wb, int epoch) {
  if (epoch < 0 || static_cast<std::size_t>(epoch) >= wb.SignalHistory.size()) return nullptr;
  const SignalEpoch& row = wb.SignalHistory[static_cast<std::size_t>(epoch)];
  return row.Recorded ? &row : nullptr;
}

const SignalEpoch& RowOf(const Workbench& wb, int epoch, int which) {
  const SignalEpoch* row = RecordedRow(wb, epoch);
  if (!row || static_cast<std::size_t>(which) >= row->Signal.size()) throw WlError(NoSignalsMessage(epoch));
  return *row;
}

// The classes in the order they are drawn: ClassOrder when it is an order of the recorded classes, else
// the classes by number.
std::vector<int> DrawingOrder(const Workbench& wb, const SignalEpoch& row) {
  int classes = std::max(wb.NumOfClasses, 1);
  for (int c : row.Class) classes = std::max(classes, c + 1);
  std::vector<int> order = wb.ClassOrder;
  std::vector<int> sorted = order;
  std::sort(sorted.begin(), sorted.end());
  bool permutation = static_cast<int>(sorted.size()) == classes;
  for (int i = 0; permutation && i < classes; ++i) permutation = sorted[static_cast<std::size_t>(i)] == i;
  if (!permutation) {
    order.resize(static_cast<std::size_t>(classes));
    for (int i = 0; i < classes; ++i) order[static_cast<std::size_t>(i)] = i;
  }
  return order;
}

std::int64_t ClassColor(const Workbench& wb, int cls) {
  return wb.PlotColors[static_cast<std::size_t>(((cls + 1) % 8 + 8) % 8)];
}

TRepresentationForm& SquareWindow(Workbench& wb, int which) {
  return which == 0 ? static_cast<TRepresentationForm&>(wb.HRF) : wb.ORF;
}
TRepresentationForm& ParallelWindow(Workbench& wb, int which) {
  return which == 0 ? static_cast<TRepresentationForm&>(wb.HPF) : wb.OPF;
}

// Copies the picture onto the window and shows it.
void ShowOn(Workbench& wb, TRepresentationForm& window, const QImage& picture) {
  SignalPictures(wb).WindowImage[static_cast<std::size_t>(WindowSlot(window))] = picture.copy();
  ++window.PictureVersion;
  window.Shown = true;
  wb.Plat.ShowWindow(window.Name());
  window.I1.Repaint();
}

// One point's marker; k is its class's place in the drawing order, number the points drawn so far.
void DrawMarker(const Workbench& wb, const SignalPlotOptions& o, Canvas& c, int x, int y, int cls, int k, int number) {
  const int P = o.P, u1 = wb.MarkerU1, u2 = wb.MarkerU2, u3 = wb.MarkerU3, u4 = wb.MarkerU4;
  if (o.Style == MarkerStyle::Shape || o.Style == MarkerStyle::Color) {
    c.SetPenWidth(2 * P);
    c.SetPenColor(o.Style == MarkerStyle::Shape ? clBlack : ClassColor(wb, cls));
    if (k == 0) {
      c.Line(x - u4, y - u4, x + u4, y + u4);
      c.Line(x - u4, y + u4, x + u4, y - u4);
    } else if (k == 1) {
      c.Ellipse(x - u3, y - u3, x + u3, y + u3);
    } else {
      c.Polyline({{x - u3, y + u2}, {x + u3, y + u2}, {x, y - u4}, {x - u3, y + u2}});
      c.Polyline({{x - u2, y + u1}, {x + u1, y + u1}, {x, y - u2}, {x - u2, y + u1}, {x + u1, y - u1}});
    }
    return;
  }
  c.SetPenWidth(P);
  c.SetPenColor(ClassColor(wb, cls));
  if (o.Style == MarkerStyle::Big)
    c.Ellipse(x - 2 * P, y - 2 * P, x + 2 * P, y + 2 * P);
  else
    c.Line(x, y, x, y);
  c.SetFontColor(ClassColor(wb, cls));
  c.SetFontSize(6 * P);
  c.TextOut(x - P, y - P, IntToStr(number));
}

// Draws every vector's marker class by class in the drawing order, within a class in data order, at the
// place `at` gives.
template <class At>
void DrawPoints(const Workbench& wb, const SignalPlotOptions& o, Canvas& c, const SignalEpoch& row, const At& at) {
  const std::vector<int> order = DrawingOrder(wb, row);
  int number = 0;
  for (std::size_t k = 0; k < order.size(); ++k)
    for (int v = 0; v < row.Vectors(); ++v) {
      if (row.Class[static_cast<std::size_t>(v)] != order[k]) continue;
      const QPoint p = at(v);
      DrawMarker(wb, o, c, p.x(), p.y(), order[k], static_cast<int>(k), ++number);
    }
}

// The box of the 3-D pictures, from the scale P.
struct Box {
  double Scale;
  int H, PictureHeight, Left, Top, Lift, Axis2DY, Axis2DX, Axis1DX, Axis1DY;
  explicit Box(int P)
      : Scale(0.85 * P),
        H(RoundInt(350.6 * Scale)),
        PictureHeight(630 * P),
        Left(RoundInt(45 * Scale)),
        Top(RoundInt(25 * Scale)),
        Lift(RoundInt(21.2 * Scale)),
        Axis2DY(RoundInt(120 * Scale)),
        Axis2DX(RoundInt(330 * Scale)),
        Axis1DX(RoundInt(300 * Scale)),
        Axis1DY(RoundInt(180 * Scale)) {}
  QPoint Corner(int i, int j, int k) const {
    return {Left + i * Axis1DX + j * Axis2DX, Top + (1 - i) * Axis1DY + j * Axis2DY + k * H};
  }
  QPoint Point(double s0, double s1, double s2, int P) const {
    return {RoundInt(Left + (1 - s0) * Axis1DX + s1 * Axis2DX),
            RoundInt(PictureHeight - Axis1DY - Lift - Top - 17 * P - (H * s2 - s0 * Axis1DY + (1 - s1) * Axis2DY))};
  }
};

}  // namespace

bool ShowSignalPlots(Workbench& wb, int epoch) {
  wb.HiddenPlotMode = 0;
  wb.OutputPlotMode = 0;
  TForm1& f = wb.Form1;
  if (!CheckNumber(wb, f.MarkerSizeEdit, "Marker Size", false, 0.1, 10)) return false;
  const double m = StrToFloat(Trim(f.MarkerSizeEdit.Text()));
  const SignalPlotOptions o = ReadSignalPlotOptions(wb);
  wb.MarkerScale = m;
  wb.MarkerU1 = RoundInt(o.P * m);
  wb.MarkerU2 = RoundInt(2 * m * o.P);
  wb.MarkerU3 = RoundInt(3 * m * o.P);
  wb.MarkerU4 = RoundInt(4 * m * o.P);

  const SignalEpoch* row = RecordedRow(wb, epoch);
  if (!row || row->Signal.empty()) {
    wb.Plat.ShowMessage(NoSignalsMessage(epoch));
    return false;
  }
  auto draw = [&](int which, int& mode) {
    const auto n = row->Signal[static_cast<std::size_t>(which)].size();
    if (n == 0) return;
    if (n > 3 || o.ForceParallel) {
      PlotSignalsParallel(wb, o, which, epoch);
      mode = 1;
    } else if (n == 3) {
      PlotSignals3D(wb, o, which, epoch);
      mode = 2;
    } else {
      PlotSignalsPlane(wb, o, which, epoch);
      mode = 2;
    }
  };
  draw(0, wb.HiddenPlotMode);
  if (row->Signal.size() >= 2) draw(1, wb.OutputPlotMode);
  return true;
}

void PlotSignalsPlane(Workbench& wb, const SignalPlotOptions& o, int which, int epoch) {
  const SignalEpoch& row = RowOf(wb, epoch, which);
  const auto& layer = row.Signal[static_cast<std::size_t>(which)];
  if (layer.empty()) return;
  const int P = o.P, S = 630 * P, M = 35 * P;
  QImage& bmp = SignalPictures(wb).PlotBitmaps[static_cast<std::size_t>(which)];
  bmp = MakePicture(S, S);
  Canvas c(bmp);
  c.SetPenColor(clBlack);
  c.SetPenWidth(P);
  c.Polyline({{M, M}, {S - M, M}, {S - M, S - M}, {M, S - M}, {M, M}});
  c.SetFontColor(clBlack);
  c.SetFontSize(13 * P);
  c.TextOut(15 * P, 11 * P, "1");
  c.TextOut(S - 29 * P, S - 29 * P, "1");
  c.TextOut(15 * P, S - 29 * P, "0");
  const double span = S - 2 * M;
  // A layer of one neuron has no second coordinate: its points lie on the first axis.
  DrawPoints(wb, o, c, row, [&](int v) {
    const auto uv = static_cast<std::size_t>(v);
    const double s0 = layer[0][uv];
    const double s1 = layer.size() > 1 ? layer[1][uv] : 0.0;
    return QPoint(RoundInt(M + s0 * span), RoundInt(S - M - s1 * span));
  });
  ShowOn(wb, SquareWindow(wb, which), bmp);
}

void PlotSignals3D(Workbench& wb, const SignalPlotOptions& o, int which, int epoch) {
  const SignalEpoch& row = RowOf(wb, epoch, which);
  const auto& layer = row.Signal[static_cast<std::size_t>(which)];
  if (layer.size() < 3) throw WlError("The 3-D picture needs three neurons");
  const int P = o.P;
  const Box b(P);
  QImage& bmp = SignalPictures(wb).PlotBitmaps[static_cast<std::size_t>(which)];
  bmp = MakePicture(630 * P, 630 * P);
  Canvas c(bmp);
  c.SetPenColor(clBlack);
  c.SetPenWidth(P);
  for (int i = 0; i <= 1; ++i)
    for (int j = 0; j <= 1; ++j)
      for (int k = 0; k <= 1; ++k) {
        const QPoint from = b.Corner(i, j, k);
        if (i == 0) c.Line(from.x(), from.y(), b.Corner(1, j, k).x(), b.Corner(1, j, k).y());
        if (j == 0) c.Line(from.x(), from.y(), b.Corner(i, 1, k).x(), b.Corner(i, 1, k).y());
        if (k == 0) c.Line(from.x(), from.y(), b.Corner(i, j, 1).x(), b.Corner(i, j, 1).y());
      }
  // The axes' labels at the far end of each axis.
  c.SetFontSize(13 * P);
  const std::vector<int> order = DrawingOrder(wb, row);
  const QPoint ends[3] = {b.Point(1, 0, 0, P), b.Point(0, 1, 0, P), b.Point(0, 0, 1, P)};
  for (int a = 0; a < 3; ++a) {
    std::int64_t color = clBlack;
    std::string text = "1";
    if (which == 1) {
      text = IntToStr(a);
      if (o.Style != MarkerStyle::Shape && static_cast<std::size_t>(a) < order.size())
        color = ClassColor(wb, order[static_cast<std::size_t>(a)]);
    }
    c.SetFontColor(color);
    c.TextOut(ends[a].x() + 4 * P, ends[a].y() - 17 * P, text);
  }
  DrawPoints(wb, o, c, row, [&](int v) {
    const auto uv = static_cast<std::size_t>(v);
    return b.Point(layer[0][uv], layer[1][uv], layer[2][uv], P);
  });
  ShowOn(wb, SquareWindow(wb, which), bmp);
}

void PlotSignalsParallel(Workbench& wb, const SignalPlotOptions& o, int which, int epoch) {
  const SignalEpoch& row = RowOf(wb, epoch, which);
  const auto& layer = row.Signal[static_cast<std::size_t>(which)];
  const int n = static_cast<int>(layer.size());
  if (n < 1) return;
  const int P = o.P;
  const int W = (std::min(o.ScreenWidth, 1280) - 10) * P;
  const int Hp = (std::max(RoundInt(o.ScreenHeight / 2.0), 512) - 90) * P;
  const int M = 35 * P;
  // One neuron has no spacing to divide: its axis and the one after it span the picture.
  const int D = n > 1 ? RoundInt(static_cast<double>(W - 2 * M) / (n - 1)) : W - 2 * M;
  QImage& bmp = SignalPictures(wb).PlotBitmaps[static_cast<std::size_t>(which)];
  bmp = MakePicture(W, Hp);
  Canvas c(bmp);
  c.SetPenColor(clBlack);
  c.SetPenWidth(P);
  c.Line(M, Hp - M, W - M, Hp - M);
  for (int i = 0; i <= n; ++i) c.Line(M + i * D, M, M + i * D, Hp - M);
  std::vector<QPoint> line(static_cast<std::size_t>(std::max(n, 2)));
  for (int v = 0; v < row.Vectors(); ++v) {
    const auto uv = static_cast<std::size_t>(v);
    for (int i = 0; i < n; ++i)
      line[static_cast<std::size_t>(i)] =
          QPoint(M + i * D, RoundInt(Hp - M - layer[static_cast<std::size_t>(i)][uv] * (Hp - 2 * M)));
    if (n == 1) line[1] = QPoint(M + D, line[0].y());
    c.SetPenColor(ClassColor(wb, row.Class[uv]));
    c.Polyline(line);
  }
  ShowOn(wb, ParallelWindow(wb, which), bmp);
}

}  // namespace wl

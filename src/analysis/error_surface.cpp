#include "analysis/error_surface.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <utility>

#include "analysis/canvas.h"
#include "analysis/ng3d_pictures.h"
#include "analysis/pca_files.h"
#include "analysis/picture_saving.h"
#include "analysis/surface_frames.h"
#include "analysis/trajectory_surface.h"
#include "analysis/weight_forms.h"
#include "analysis/weight_matrix.h"
#include "analysis/weight_pca.h"
#include "model/error_functions.h"
#include "model/eval_options.h"
#include "model/plane_sampler.h"
#include "model/read_parameters.h"
#include "model/settings_file.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/rounding.h"
#include "state/analysis_shapes.h"
#include "state/hooks.h"
#include "state/workbench.h"

namespace wl {

SurfaceBox SurfaceBoxFor(int P) {
  SurfaceBox b;
  // The double nearest 0.85 P (85 P / 100 is rounded once); the products in extended precision.
  b.Scale = (85.0 * P) / 100.0;
  const long double s = b.Scale;
  b.Height = RoundIntExtended(350.6L * s);
  b.Left = RoundIntExtended(45 * s);
  b.Top = RoundIntExtended(25 * s);
  b.Lift = RoundIntExtended(21.2L * s);
  b.Axis1DX = RoundIntExtended(300 * s);
  b.Axis1DY = RoundIntExtended(180 * s);
  b.Axis2DX = RoundIntExtended(330 * s);
  b.Axis2DY = RoundIntExtended(120 * s);
  b.PictureHeight = 613 * P;
  b.PictureWidth = 629 * P;
  return b;
}

QPoint ProjectSurfacePoint(const SurfaceBox& b, double a, double c, double v) {
  const double x = b.Left + (1 - a) * b.Axis1DX + c * b.Axis2DX;
  const double y = b.PictureHeight - b.Lift - b.Top - b.Axis1DY + a * b.Axis1DY - (1 - c) * b.Axis2DY - v;
  return {RoundInt(x), RoundInt(y)};
}

BoxCorners BottomCorners(const SurfaceBox& b) {
  const int L = b.Left, T = b.Top, H = b.Height;
  return {{L, T + b.Axis1DY + H},
          {L + b.Axis1DX, T + H},
          {L + b.Axis1DX + b.Axis2DX, T + b.Axis2DY + H},
          {L + b.Axis2DX, T + b.Axis2DY + b.Axis1DY + H}};
}

bool InsideBottomFace(const SurfaceBox& b, int dx, int dy) {
  const double a1x = b.Axis1DX, a1y = b.Axis1DY, a2x = b.Axis2DX, a2y = b.Axis2DY;
  return dy >= RoundInt(-dx * a2y / a2x + a2y) && dy >= RoundInt(dx * a1y / a1x - a1y * a2x / a1x) &&
         dy <= RoundInt(-dx * a2y / a2x + a1x * a2y / a2x + a2y + a1y) && dy <= RoundInt(dx * a1y / a1x + a2y);
}

namespace {

int PointSizeOf(const Workbench& wb) { return StrToInt(Trim(wb.Form1.PSEdit.Text())); }

std::int64_t SurfacePen(const Workbench& wb) {
  const int i = wb.NG3D.ColorBox1.ItemIndex();
  return i >= 0 && static_cast<std::size_t>(i) < ng3d_items::ColorValues.size()
             ? ng3d_items::ColorValues[static_cast<std::size_t>(i)]
             : clBlack;
}

QImage& Bitmap(Workbench& wb) { return Pictures(wb.NG3D).SurfaceBitmap; }

void SetSubStep(Workbench& wb, const std::string& s) {
  wb.ProgressSubStep = s;
  UpdateProgressTrace(wb);
}

std::string LayerSizes(const Workbench& wb) {
  std::string s;
  for (std::size_t l = 0; l < wb.Layers.size() && l < static_cast<std::size_t>(std::max(wb.NumOfLayers, 0)); ++l) {
    if (l) s += '-';
    s += IntToStr(wb.Layers[l]);
  }
  return s;
}

void DrawBox(Workbench& wb, Canvas& c) { DrawSurfaceBoxEdges(wb.NG3D.Box, c, wb.PointSize); }

void WhiteOutline(Canvas& c) {
  c.SetPenColor(clWhite);
  const int w = c.Width() - 1, h = c.Height() - 1;
  c.Line(0, 0, w, 0);
  c.Line(w, 0, w, h);
  c.Line(w, h, 0, h);
  c.Line(0, h, 0, 0);
}

// The vertical factor F = (1 / vr) * H / (outputs * NumOfVectors); false after CheckNumber's message.
bool VerticalFactor(Workbench& wb, double& F) {
  if (!CheckNumber(wb, wb.Form1.L66Edit, "vertical range", false, 1, 24)) return false;
  const double vr = StrToFloat(Trim(wb.Form1.L66Edit.Text()));
  F = (1.0 / vr) * wb.NG3D.Box.Height / (static_cast<double>(wb.Layers.back()) * wb.NumOfVectors);
  return true;
}

void ShowForm4(Workbench& wb, const std::string& text) {
  wb.Form4.Label1.SetCaption(text);
  wb.Form4.Top = wb.NG3D.Top + 300;
  wb.Form4.Left = wb.NG3D.Left + 200;
  wb.Plat.ShowWindow("Form4");
  wb.Form4.Label1.Repaint();
}

std::vector<double> Row(const std::vector<std::vector<double>>& m, int i) {
  return i >= 0 && static_cast<std::size_t>(i) < m.size() ? m[static_cast<std::size_t>(i)]
                                                           : std::vector<double>();
}

// The per-epoch offsets of the trajectory from the box centre (c1 pixels, c2 fraction), as the
// animation places them; for the error comparison.
void FillComparisonSurface(Workbench& wb, int e0) {
  SurfaceReference s;
  s.ReferenceEpoch = e0;
  const std::size_t n = static_cast<std::size_t>(std::max(wb.NumOfWeights, 0));
  s.AnimationWeights.assign(n, 0.0);
  s.Component1 = Row(wb.PlotComponents, wb.C1Index);
  s.Component2 = Row(wb.PlotComponents, wb.C2Index);
  s.BoxHeight = wb.NG3D.Box.Height;
  const double H = wb.NG3D.Box.Height, range = wb.ThreeDscale;
  const double su = wb.SignC1 * wb.NG3D.MirrorC1 * H / (2 * range);
  const double st = wb.SignC2 * wb.NG3D.MirrorC2 * H / (2 * range);
  for (int e = 0; e <= wb.NumOfEpochs; ++e) {
    double x = 0, y = 0;
    if (wb.TrajectoryCoords.size() >= 3 && static_cast<std::size_t>(e) < wb.WNormHistory.size() &&
        static_cast<std::size_t>(e) < wb.TrajectoryCoords[0].size()) {
      const double norm = wb.WNormHistory[static_cast<std::size_t>(e)];
      const double r = std::sqrt(norm);
      const double c0 = wb.TrajectoryCoords[0][static_cast<std::size_t>(e)] / r;
      const double c1 = wb.TrajectoryCoords[1][static_cast<std::size_t>(e)] / r;
      const double c2 = wb.TrajectoryCoords[2][static_cast<std::size_t>(e)] / r;
      if (c1 != 0 && c0 != 0 && std::isfinite(c0) && std::isfinite(c1)) {
        y = (c1 > 0 ? 1 : -1) * std::sqrt(norm / (1 + (c0 / c1) * (c0 / c1) + (c2 / c1) * (c2 / c1)));
        x = y * c0 / c1;
      }
    }
    s.FramePositions.emplace_back(su * x, st * y / H);
  }
  wb.GTP.ComparisonSurface = std::move(s);
}

// The line parameter t and the drawing of family 0 and family 1 points while the grid is computed.
QPoint Family0Point(const SurfaceBox& b, int j, double h, double t) {
  const double H = b.Height;
  const double u = j + H / 2;
  const double x1 = (1 - u / H) * b.Axis1DX;
  const double y1 = h - (b.Axis1DX - x1) * b.Axis1DY / b.Axis1DX;
  const double X = b.Left + x1 + b.Axis2DX * t;
  const double Y = (1 - t) * b.Axis2DY + y1;
  return {RoundInt(X), RoundInt(b.PictureHeight - b.Axis1DY - b.Lift - b.Top - Y)};
}

QPoint Family1Point(const SurfaceBox& b, int j, double h, double t) {
  const double H = b.Height;
  const double v = j + H / 2;
  const double a = b.Axis2DX * v / H;
  const double bb = h - b.Axis2DY * a / b.Axis2DX;
  const double X = b.Left + a + (1 - t) * b.Axis1DX;
  const double Y = b.Top + bb + (1 - t) * b.Axis1DY;
  return {RoundInt(X), RoundInt(b.PictureHeight - b.Axis2DY - b.Lift - Y)};
}

}  // namespace

void DrawSurfaceBoxEdges(const SurfaceBox& b, Canvas& c, int ps) {
  const BoxCorners k = BottomCorners(b);
  const int H = b.Height;
  const QPoint A1(k.A.x(), k.A.y() - H), B1(k.B.x(), k.B.y() - H), C1(k.C.x(), k.C.y() - H);
  c.SetPenColor(clBlack);
  c.SetPenWidth(ps);
  c.Line(A1.x(), A1.y(), B1.x(), B1.y());
  c.Line(B1.x(), B1.y(), C1.x(), C1.y());
  c.Line(k.A.x(), k.A.y(), k.B.x(), k.B.y());
  c.Line(k.B.x(), k.B.y(), k.C.x(), k.C.y());
  c.Line(k.C.x(), k.C.y(), k.D.x(), k.D.y());
  c.Line(k.D.x(), k.D.y(), k.A.x(), k.A.y());
  c.Line(B1.x(), B1.y(), k.B.x(), k.B.y());
  c.Line(C1.x(), C1.y(), k.C.x(), k.C.y());
  c.Line(A1.x(), A1.y(), k.A.x(), k.A.y());
}

PlaneSamplerOptions SurfaceSamplerOptions(Workbench& wb) {
  PlaneSamplerOptions o;
  o.Error = wb.Form1.WMWeightLabBox.Checked() ? PlaneError::TrainingSet : PlaneError::ContinuousInput;
  o.Eval = HeldEvalOptions(wb);
  o.Threads = wb.SamplerThreads;
  return o;
}

void DrawSurfaceBox(Workbench& wb) {
  Canvas c(Bitmap(wb));
  DrawBox(wb, c);
}

std::int64_t SurfacePenColour(const Workbench& wb) { return SurfacePen(wb); }

namespace {

// The axis texts of a surface drawn in box b at point size P over the range and components given.
std::vector<SurfaceLabel> AxisLabels(const Workbench& wb, const SurfaceBox& b, int P, double range, int c1Index,
                                     int c2Index) {
  const int L = b.Left, T = b.Top, H = b.Height;
  const double f = 20.0 * P;
  const int m1 = wb.NG3D.MirrorC1, m2 = wb.NG3D.MirrorC2;
  double r = RoundInt(range) * m2;
  if (std::fabs(r) < 10) r = RoundInt(10 * range) * m2 * 0.1;
  if (std::fabs(r) < 1) r = RoundInt(100 * range) * m2 * 0.01;
  std::int64_t n = static_cast<std::int64_t>(RoundInt(range)) * m1;
  if (std::llabs(n) > 10000)
    n = static_cast<std::int64_t>(RoundInt(n / 1000.0)) * 1000;
  else if (std::llabs(n) > 1000)
    n = static_cast<std::int64_t>(RoundInt(n / 100.0)) * 100;
  else if (std::llabs(n) > 100)
    n = static_cast<std::int64_t>(RoundInt(n / 10.0)) * 10;
  const double m = (r >= 100 || r <= -10) ? 2.7 : 2.0;
  const int xr = b.Axis2DX + b.Axis1DX + L + RoundInt(f / 2);
  return {
      {FloatToStr(-r), L - RoundInt(f) - RoundInt(f / 4), H + b.Axis1DY + T + RoundInt(f / 1.5)},
      {std::string(1, 'c').append(IntToStr(c2Index + 1)), RoundInt(b.Axis2DX / 2.0) + L - RoundInt(f) - RoundInt(f / 4),
       H + b.Axis1DY + T + RoundInt(b.Axis2DY / 2.0) + RoundInt(f / 4)},
      {FloatToStr(r), b.Axis2DX + L - RoundInt(m * f) - RoundInt(f / 4) - 2 * P,
       b.Axis2DY + b.Axis1DY + T + H + RoundInt(f / 4)},
      {IntToStr(n), b.Axis2DX + L + RoundInt(f / 2) + P, b.Axis2DY + b.Axis1DY + T + H + RoundInt(f / 4)},
      {IntToStr(-n), b.Axis2DX + b.Axis1DX + L - RoundInt(f / 6), b.Axis2DY + T + H + RoundInt(f / 3) + P},
      {std::string(1, 'c').append(IntToStr(c1Index + 1)), RoundInt(b.Axis1DX / 2.0) + b.Axis2DX + L,
       b.Axis2DY + T + H + RoundInt(b.Axis1DY / 2.0 + f / 4)},
      {"0", xr, b.Axis2DY + T + H - RoundInt(3 * f / 4) - P},
      {Trim(wb.Form1.L66Edit.Text()), xr, b.Axis2DY + T - RoundInt(3 * f / 4)},
      {"E", xr, b.Axis2DY + T + RoundInt(H / 2.0) - RoundInt(3 * f / 4)},
  };
}

void DrawAxisLabels(Workbench& wb, const SurfaceBox& b, int P, double range, int c1Index, int c2Index) {
  Canvas c(Bitmap(wb));
  c.SetFontColor(clBlack);
  c.SetFontSize((wb.FontPct < 122 ? 13 : 11) * P);
  for (const SurfaceLabel& l : AxisLabels(wb, b, P, range, c1Index, c2Index)) c.TextOut(l.X, l.Y, l.Text);
}

}  // namespace

std::vector<SurfaceLabel> SurfaceAxisLabels(const Workbench& wb) {
  return AxisLabels(wb, wb.NG3D.Box, wb.PointSize, wb.ThreeDscale, wb.C1Index, wb.C2Index);
}

void DrawSurfaceAxisLabels(Workbench& wb) {
  DrawAxisLabels(wb, wb.NG3D.Box, wb.PointSize, wb.ThreeDscale, wb.C1Index, wb.C2Index);
}

void PrepareErrorSurfaceForm(Workbench& wb) {
  TNG3D& w = wb.NG3D;
  w.MirrorC1 = w.MirrorC2 = 1;
  wb.ESFormExists = true;
  w.Box = SurfaceBoxFor(wb.PointSize);
  w.erEdit.SetText("    ");
  w.TrEdit.SetText("    ");
  w.Width = wb.ScreenWidth < 767 ? 656 : 640;
  if (wb.FontPct < 122) {
    w.Height = 768;
    w.PanelTop = 620;
    w.PanelHeight = 114;
  } else {
    w.Height = 862;
    w.PanelTop = 624;
    w.PanelHeight = 194;
  }
  const bool progressive = wb.Form1.PMBox.Checked();
  if (!progressive) {
    w.I2.SetVisible(false);
    w.I3.SetVisible(false);
    w.MarkerShown = false;
    w.TrajectoryMarkerShown = false;
  }
  // The frames of an earlier surface no longer match this one.
  w.SurfaceDrawn = false;
  Bitmap(wb) = MakePicture(w.Box.PictureWidth, w.Box.PictureHeight);
  std::string caption = "MLP Error Surface     " + wb.DataBaseName + " " + LayerSizes(wb) + "   ";
  for (std::size_t k = 0; k < 6 && k < wb.Eigenvalues.size(); ++k) {
    for (int j = -1; j <= 5; ++j) {
      if (std::pow(10.0, -j) < wb.Eigenvalues[k]) {
        caption += "   " + FormatFixed(wb.Eigenvalues[k], j + 1);
        break;
      }
    }
  }
  w.SetCaption(caption);
  if (!progressive) {
    Canvas c(Bitmap(wb));
    c.Clear(clWhite);
    DrawSurfaceAxisLabels(wb);
    DrawBox(wb, c);
  }
  w.ClickX = w.ClickY = 0;
  w.Shown = true;
  wb.Plat.ShowWindow("NG3D");
}

void DrawErrorSurface(Workbench& wb) {
  TNG3D& w = wb.NG3D;
  // Before a first surface there is no grid to redraw. The grid is drawn as it was sampled: its lines,
  // step, box, point size and range, whatever the controls say now.
  if (!SurfaceGridFits(w)) return;
  const SurfaceGridMade& g = w.GridMade;
  w.Box = g.Box;
  QImage& bitmap = Bitmap(wb);
  if (bitmap.width() != g.Box.PictureWidth || bitmap.height() != g.Box.PictureHeight)
    bitmap = MakePicture(g.Box.PictureWidth, g.Box.PictureHeight);
  Canvas c(bitmap);
  c.Clear(clWhite);
  DrawAxisLabels(wb, g.Box, g.PointSize, g.Range, g.C1Index, g.C2Index);
  w.erEdit.SetText("    ");
  w.TrEdit.SetText("    ");
  w.I2.SetVisible(false);
  w.I3.SetVisible(false);
  w.MarkerShown = false;
  w.TrajectoryMarkerShown = false;
  DrawSurfaceBoxEdges(g.Box, c, g.PointSize);
  c.SetPenColor(SurfacePen(wb));
  c.SetPenWidth(g.PointSize);
  if (!CheckNumber(wb, wb.Form1.L66Edit, "vertical range", false, 1, 24)) return;
  const SurfaceBox& b = g.Box;
  const int halfH = RoundInt(b.Height / 2.0), halfL = RoundInt(g.Lines / 2.0), S = g.Step;
  const std::size_t values = GridValuesOf(g);
  const double Hf = b.Height / 2.0;
  for (int fam = 0; fam < 2; ++fam) {
    for (int i = 0; i <= 2 * halfL; ++i) {
      const std::vector<float>& line = w.SurfaceGrid[fam][static_cast<std::size_t>(i)];
      for (int j = 0; static_cast<std::size_t>(j) < values; ++j) {
        double a, bb;
        const double along = (-halfH + j * S);
        const double across = static_cast<double>(i - halfL) / (2 * halfL);
        if (fam == 0) {
          a = (w.MirrorC1 * along + Hf) / b.Height;
          bb = w.MirrorC2 * across + 0.5;
        } else {
          a = w.MirrorC1 * across + 0.5;
          bb = (w.MirrorC2 * along + Hf) / b.Height;
        }
        const QPoint p = ProjectSurfacePoint(b, a, bb, line[static_cast<std::size_t>(j)]);
        if (j == 0)
          c.MoveTo(p.x(), p.y());
        else
          c.LineTo(p.x(), p.y());
      }
    }
  }
  if (!wb.Form1.PMBox.Checked() && w.TRBox.ItemIndex() > 0) DrawTrajectory(wb);
  WhiteOutline(c);
  w.ShowBitmap();
}

void ComputeErrorSurfacePCA(Workbench& wb) {
  TNG3D& w = wb.NG3D;
  // The plane is spanned by the components around a recorded epoch: both must be of this network.
  if (!ComponentsFit(wb) || !HistoryFitsNetwork(wb) || wb.PlotLines < 2) {
    wb.Plat.ShowMessage(AgainMessage("Error surface"));
    return;
  }
  w.SurfaceDrawn = false;
  const int e0 = StrToInt(Trim(wb.Form1.ESFixedEdit.Text()));
  const std::size_t n = static_cast<std::size_t>(std::max(wb.NumOfWeights, 0));
  wb.CentreWeights.assign(n, 0.0);
  if (e0 >= 0) {
    const auto row = std::as_const(wb.WeightHistory).Row(static_cast<std::size_t>(e0));
    std::copy_n(row.begin(), std::min(row.size(), n), wb.CentreWeights.begin());
  }
  Canvas c(Bitmap(wb));
  c.SetPenColor(SurfacePen(wb));
  c.SetPenWidth(wb.PointSize);
  double F = 0;
  if (!VerticalFactor(wb, F)) return;
  const SurfaceBox& b = w.Box;
  const int half = RoundInt(b.Height / 2.0), halfL = RoundInt(wb.PlotLines / 2.0), g = wb.ESGridStep;
  wb.PixelStep = wb.ThreeDscale / half;
  wb.LineStep = wb.ThreeDscale / halfL;
  SetSubStep(wb, "30");

  std::string ersurf;
  const bool vector = wb.Form1.ANVBox.Checked();
  const std::string ersurfPath = wb.Path("DATA/ErSurf.dat");
  if (vector) {
    if (!FileExists(ersurfPath)) throw FileError("File not found: " + ersurfPath);
    ersurf = "\r\n" + FileNameOf(wb.DataFileName) + "  ";
  }
  ShowForm4(wb, "0%  ");
  wb.C2Scale = 1;

  const std::vector<double> d1 = Row(wb.PlotComponents, wb.C1Index);
  const std::vector<double> d2 = Row(wb.PlotComponents, wb.C2Index);
  const int points = 2 * half / g + 1;
  std::vector<PlaneLine> lines;
  for (int fam = 0; fam < 2; ++fam) {
    const std::vector<double>& across = fam == 0 ? d2 : d1;
    for (int i = -halfL; i <= halfL; ++i) {
      PlaneLine L;
      L.Base.resize(n);
      for (std::size_t k = 0; k < n; ++k)
        L.Base[k] = fam == 0 ? wb.CentreWeights[k] + i * wb.LineStep * wb.C2Scale * across[k]
                             : wb.CentreWeights[k] + i * wb.LineStep * across[k];
      L.Direction = fam == 0 ? &d1 : &d2;
      L.Step = wb.PixelStep;
      L.First = -half;
      L.Stride = g;
      L.Count = points;
      lines.push_back(std::move(L));
    }
  }
  const std::size_t perFamily = static_cast<std::size_t>(2 * halfL + 1);
  MakeSurfaceGrid(w, {wb.PlotLines, g, wb.PointSize, b, wb.ThreeDscale, wb.C1Index, wb.C2Index},
                  static_cast<std::size_t>(wb.PlotLines + 3),
                  static_cast<std::size_t>(RoundInt(static_cast<double>(b.Height) / g)) + 3);
  SamplePlane(wb, lines, SurfaceSamplerOptions(wb), [&](std::size_t index, const std::vector<double>& values) {
    const int fam = index < perFamily ? 0 : 1;
    const int Ln = static_cast<int>(index % perFamily);
    const int i = Ln - halfL;
    const double t = static_cast<double>(i) / (2 * halfL) + 0.5;
    for (int P = 0; P < points; ++P) {
      const int j = -half + P * g;
      const double h = F * values[static_cast<std::size_t>(P)];
      w.SurfaceGrid[fam][static_cast<std::size_t>(Ln)][static_cast<std::size_t>(P)] = static_cast<float>(h);
      const QPoint q = fam == 0 ? Family0Point(b, j, h, t) : Family1Point(b, j, h, t);
      if (P == 0)
        c.MoveTo(q.x(), q.y());
      else
        c.LineTo(q.x(), q.y());
      if (fam == 0 && vector && (j + g) % 20 == 0) ersurf += FormatFixed(h, 5) + "  ";
    }
    if (fam == 0 && Ln % 2 == 1)
      wb.Form4.Label1.SetCaption(IntToStr(RoundInt(50.0 * (i + halfL) / (4 * halfL))) + "%");
    if (fam == 0 && Ln == 2 * halfL && vector) {
      AtomicOfstream out(ersurfPath, std::ios::binary | std::ios::app);  // a line appended whole or not at all
      out << ersurf;
      if (!out.commit()) throw FileError("Cannot write " + ersurfPath);
    }
    if (fam == 1) wb.Form4.Label1.SetCaption(IntToStr(RoundInt(100.0 * (i + halfL) / (4 * halfL) + 50)) + "%");
    wb.Form4.Label1.Repaint();
  });
  w.GridReady = true;
  wb.Plat.HideWindow("Form4");
  w.ShowBitmap();
}

bool FindTwoMostChangedWeights(Workbench& wb) {
  const auto first = std::as_const(wb.WeightHistory).Row(0);
  const auto last = std::as_const(wb.WeightHistory).Row(static_cast<std::size_t>(wb.NumOfEpochs));
  double d1 = 0, d2 = 0;
  int i1 = -1, i2 = -1;
  for (std::size_t i = 0; i < first.size(); ++i) {
    const double d = std::fabs(first[i] - last[i]);
    if (d > d1) {
      d2 = d1;
      i2 = i1;
      d1 = d;
      i1 = static_cast<int>(i);
    } else if (d > d2) {
      d2 = d;
      i2 = static_cast<int>(i);
    }
  }
  if (i2 < 0) {
    wb.Plat.ShowMessage("Fewer than two weights changed during the training: no 2W surface");
    return false;
  }
  auto place = [&wb](int index) {
    int i = 0;
    for (int l = 1; l < wb.NumOfLayers; ++l)
      for (int nn = 0; nn < wb.Layers[static_cast<std::size_t>(l)]; ++nn)
        for (int k = 0; k <= wb.LayerInputs[static_cast<std::size_t>(l - 1)]; ++k, ++i)
          if (i == index) return WeightPlace{l, nn, k};
    return WeightPlace{};
  };
  wb.FirstWeight = place(i1);
  wb.SecondWeight = place(i2);
  return true;
}

namespace {

int FlatIndex(const Workbench& wb, const WeightPlace& p) {
  int i = 0;
  for (int l = 1; l < p.Layer; ++l)
    i += wb.Layers[static_cast<std::size_t>(l)] * (wb.LayerInputs[static_cast<std::size_t>(l - 1)] + 1);
  return i + p.Neuron * (wb.LayerInputs[static_cast<std::size_t>(p.Layer - 1)] + 1) + p.Input;
}

}  // namespace

void ComputeErrorSurface2W(Workbench& wb) {
  TNG3D& w = wb.NG3D;
  wb.PointSize = PointSizeOf(wb);
  Canvas c(Bitmap(wb));
  c.SetPenColor(SurfacePen(wb));
  c.SetPenWidth(wb.PointSize);
  double F = 0;
  if (!VerticalFactor(wb, F)) return;
  const SurfaceBox& b = w.Box;
  const int half = RoundInt(b.Height / 2.0), halfL = RoundInt(wb.PlotLines / 2.0);
  const double s1 = wb.ThreeDscale / half, s2 = wb.ThreeDscale / halfL;
  ShowForm4(wb, "0%  ");
  const std::vector<double> saved = FlatWeights(wb);
  const std::size_t n = saved.size();
  const int i1 = FlatIndex(wb, wb.FirstWeight), i2 = FlatIndex(wb, wb.SecondWeight);
  std::vector<double> e1(n, 0.0), e2(n, 0.0);
  e1[static_cast<std::size_t>(i1)] = 1;
  e2[static_cast<std::size_t>(i2)] = 1;
  std::vector<PlaneLine> lines;
  for (int fam = 0; fam < 2; ++fam)
    for (int i = -halfL; i <= halfL; ++i) {
      PlaneLine L;
      L.Base = saved;
      const int across = fam == 0 ? i2 : i1, along = fam == 0 ? i1 : i2;
      L.Base[static_cast<std::size_t>(across)] = saved[static_cast<std::size_t>(across)] + i * s2;
      // The point's weight is its saved value + j * s1.
      L.Direction = fam == 0 ? &e1 : &e2;
      (void)along;
      L.Step = s1;
      L.First = -half;
      L.Stride = 1;
      L.Count = 2 * half + 1;
      lines.push_back(std::move(L));
    }
  const std::size_t perFamily = static_cast<std::size_t>(2 * halfL + 1);
  SamplePlane(wb, lines, SurfaceSamplerOptions(wb), [&](std::size_t index, const std::vector<double>& values) {
    const int fam = index < perFamily ? 0 : 1;
    const int Ln = static_cast<int>(index % perFamily);
    const int i = Ln - halfL;
    const double t = static_cast<double>(i) / (2 * halfL) + 0.5;
    for (int P = 0; P <= 2 * half; ++P) {
      const double h = F * values[static_cast<std::size_t>(P)];
      const QPoint q = fam == 0 ? Family0Point(b, P - half, h, t) : Family1Point(b, P - half, h, t);
      if (P == 0)
        c.MoveTo(q.x(), q.y());
      else
        c.LineTo(q.x(), q.y());
    }
    if (Ln % 2 == 1) {
      wb.Form4.Label1.SetCaption(IntToStr(RoundInt(50.0 * (i + halfL) / (4 * halfL))) + "%");
      wb.Form4.Label1.Repaint();
    }
  });
  wb.Plat.HideWindow("Form4");
  w.ShowBitmap();
}

namespace {

// The plot parameters of one run of the pipeline. They are read into this record first and taken over
// (PlotLines, ThreeDscale, ESGridStep, C1Index, C2Index, PointSize) only when the run gets to its surface,
// so that a refused run leaves the parameters of the grid shown.
struct PlotParameters {
  int Lines = 0;
  double Range = 0;
  int Step = 1;
  int C1 = 0, C2 = 1;
};

bool ReadLinesAndRange(Workbench& wb, Edit& lg, Edit& range, PlotParameters& p) {
  SetSubStep(wb, "6");
  if (!CheckNumber(wb, lg, "Lines in Plot", true, 0, 99)) return false;
  p.Lines = StrToInt(Trim(lg.Text()));
  if (p.Lines == 1) {
    wb.Plat.ShowMessage("Lines in Plot: 1 line gives no surface; choose 0 (trajectory only) or 2 to 99");
    return false;
  }
  SetSubStep(wb, "7");
  if (!CheckNumber(wb, range, "C1 range", false, 0.001, 99999)) return false;
  p.Range = StrToInt(Trim(range.Text()));
  return true;
}

// The grid step of a quality box: 1, 2, 4 or 8 for its four items, 0 when none of them is chosen.
int GridStepOf(const ComboBox& quality) {
  const int item = quality.ItemIndex();
  return item >= 0 && item <= 3 ? 1 << item : 0;
}

// False, after a message, when the quality box gave no grid step.
bool GridStepChosen(Workbench& wb, const PlotParameters& p) {
  if (p.Step > 0) return true;
  wb.Plat.ShowMessage("Choose the quality of the surface: one of the items of its box.");
  return false;
}

void CapLines(PlotParameters& p) {
  if (p.Step == 2) p.Lines = std::min(p.Lines, 24);
  if (p.Step == 4) p.Lines = std::min(p.Lines, 20);
  if (p.Step == 8) p.Lines = std::min(p.Lines, 16);
}

// The raw coordinates of every recorded epoch on components 1..6, and the scores on every component.
// False after the scores reader's message.
bool ProjectTrajectory(Workbench& wb) {
  const std::size_t n = static_cast<std::size_t>(std::max(wb.NumOfWeights, 0));
  const std::size_t epochs = static_cast<std::size_t>(wb.NumOfEpochs + 1);
  const bool matlab = wb.MethodTag == "Matlab" && FileExists(wb.Path("PCA/scores_w.txt"));
  std::vector<std::vector<double>> scores = std::move(wb.ComponentScores);
  wb.ComponentScores.assign(n, std::vector<double>(epochs, 0.0));
  if (matlab && !ReadComponentScores(wb)) {
    wb.ComponentScores = std::move(scores);
    return false;
  }
  wb.TrajectoryCoords.assign(6, std::vector<double>(epochs, 0.0));
  for (std::size_t e = 0; e < epochs; ++e) {
    const auto row = std::as_const(wb.WeightHistory).Row(e);
    for (std::size_t k = 0; k < n && k < wb.PrincipalComponents.size(); ++k) {
      double s = 0;
      for (std::size_t j = 0; j < n; ++j) s += row[j] * wb.PrincipalComponents[k][j];
      if (!matlab) wb.ComponentScores[k][e] = s;
      if (k < 6) wb.TrajectoryCoords[k][e] = s;
    }
  }
  wb.TrajProjected = true;
  return true;
}

// The components in use, kept while new ones are computed or read: a stage that fails (or throws)
// leaves them as they were.
class ComponentsStage {
 public:
  explicit ComponentsStage(Workbench& wb)
      : wb_(wb),
        eigenvalues_(wb.Eigenvalues),
        components_(wb.PrincipalComponents),
        matlab_(wb.MatlabComponents),
        ica_(wb.ICAComponents),
        count_(wb.NumOfComponents),
        madeFor_(wb.ComponentsMadeFor) {}
  ComponentsStage(const ComponentsStage&) = delete;
  ComponentsStage& operator=(const ComponentsStage&) = delete;
  ~ComponentsStage() {
    if (done_) return;
    wb_.Eigenvalues = std::move(eigenvalues_);
    wb_.PrincipalComponents = std::move(components_);
    wb_.MatlabComponents = std::move(matlab_);
    wb_.ICAComponents = std::move(ica_);
    wb_.NumOfComponents = count_;
    wb_.ComponentsMadeFor = std::move(madeFor_);
  }
  void Done() {
    StampComponents(wb_);
    done_ = true;
  }

 private:
  Workbench& wb_;
  std::vector<double> eigenvalues_;
  std::vector<std::vector<double>> components_, matlab_, ica_;
  int count_;
  NetworkStamp madeFor_;
  bool done_ = false;
};

// Steps 9 to 17 of the pipeline for a run that computes its components: the arrays sized for the
// network, then the ICA or PCA files or the program's own PCA. False when the stage fails; the
// components in use then stay.
bool ComputeComponents(Workbench& wb) {
  TForm1& f = wb.Form1;
  const std::size_t n = static_cast<std::size_t>(std::max(wb.NumOfWeights, 0));
  ComponentsStage stage(wb);
  wb.Eigenvalues.assign(n, 0.0);
  wb.NumOfComponents = wb.NumOfWeights;
  wb.PrincipalComponents.assign(n, std::vector<double>(n, 0.0));
  SetSubStep(wb, "10");
  wb.ICAComponents.assign(5, std::vector<double>(n, 0.0));
  wb.MatlabComponents.assign(n, std::vector<double>(n, 0.0));
  SetSubStep(wb, "11");
  if (f.FastICABox.Checked()) {
    SetSubStep(wb, "12");
    if (!ReadICAFiles(wb)) return false;
  } else {
    SetSubStep(wb, "13");
    SetSubStep(wb, "14");
    if (f.MatLabBox.Checked()) {
      SetSubStep(wb, "15");
      if (!ReadPCAFiles(wb, PCAFileKind::W)) {
        SetSubStep(wb, "16");
        wb.Plat.ShowMessage("Error Reading PCA File");
        return false;
      }
    } else {
      SetSubStep(wb, "17");
      if (!ComputeWeightPCA(wb)) return false;
    }
  }
  stage.Done();
  return true;
}

void CopyPlotComponents(Workbench& wb) {
  wb.PlotComponents.assign(std::min<std::size_t>(6, wb.PrincipalComponents.size()), {});
  for (std::size_t k = 0; k < wb.PlotComponents.size(); ++k) wb.PlotComponents[k] = wb.PrincipalComponents[k];
}

const char* CommandOfMode(int mode) {
  if (mode >= 20) return "Only Plot";
  if (mode == 10) return "Find PCA Minimum";
  return "SVD + Plot";
}

}  // namespace

bool PointSizeMakesPicture(Workbench& wb, int pointSize) {
  const std::int64_t w = 629LL * pointSize, h = 613LL * pointSize;
  if (pointSize >= 1 && PictureCanBeMade(w, h)) return true;
  wb.Plat.ShowMessage(PictureRefusal(w, h));
  return false;
}

bool PlotErrorSurfacePCA(Workbench& wb, int mode) {
  TForm1& f = wb.Form1;
  TNG3D& w = wb.NG3D;
  if (!CheckNumber(wb, f.L66Edit, "vertical range", false, 1, 24)) return false;
  const int pointSize = PointSizeOf(wb);
  if (!PointSizeMakesPicture(wb, pointSize)) return false;
  HourglassGuard hourglass(wb.Plat);
  w.ColorBox1.SetItemIndex(wb.clindex);
  const std::int64_t started = MonotonicMs();
  SetSubStep(wb, "5");
  if (mode == 1 && !BuildWMForMatlab(wb)) return false;
  PlotParameters p{wb.PlotLines, wb.ThreeDscale, wb.ESGridStep, wb.C1Index, wb.C2Index};
  if (mode < 30) {
    if (!ReadLinesAndRange(wb, f.LGEdit, f.ThreeDEdit, p)) return false;
    SetSubStep(wb, "8");
    p.Step = GridStepOf(f.ESQBox);
    if (!GridStepChosen(wb, p)) return false;
    CapLines(p);
    p.C1 = f.c1box.ItemIndex();
    p.C2 = f.c2box.ItemIndex();
  }
  const int e0 = StrToInt(Trim(f.ESFixedEdit.Text()));
  if (e0 > wb.NumOfEpochs) {
    wb.Plat.ShowMessage("ES fixed at epoch " + IntToStr(e0) + " is beyond the last epoch " + IntToStr(wb.NumOfEpochs));
    return false;
  }
  SetSubStep(wb, "9");
  // Components are computed by the full runs (and by the ICA files whatever the mode); the others keep
  // the components in use, which must have been made for this network.
  const bool compute = mode < 20 && (f.FastICABox.Checked() || wb.ESPlotMode == 1);
  if (!compute && !ComponentsFitFor(wb, CommandOfMode(mode))) return false;
  if (!HistoryFitsNetwork(wb)) {
    wb.Plat.ShowMessage(AgainMessage(CommandOfMode(mode)));
    return false;
  }
  if (mode < 20) {
    wb.TrajProjected = false;
    wb.ExtrapolationTargets.fill(0.0);
    if (compute && !ComputeComponents(wb)) return false;
    if (wb.Eigenvalues.size() >= 2 && wb.Eigenvalues[0] > 0 && wb.Eigenvalues[1] > 0) {
      wb.ESDone = true;
      wb.GTP.Button3.SetEnabled(true);
    }
  }
  CopyPlotComponents(wb);
  if (mode >= 30) {
    p.C1 = w.c1box.ItemIndex();
    p.C2 = w.c2box.ItemIndex();
  }
  SetSubStep(wb, "20");
  const auto eig = [&wb](int i) {
    return i >= 0 && static_cast<std::size_t>(i) < wb.Eigenvalues.size() ? wb.Eigenvalues[static_cast<std::size_t>(i)]
                                                                           : 0.0;
  };
  if (eig(p.C2) <= 0 || p.C1 < 0 || static_cast<std::size_t>(std::max(p.C1, p.C2)) >= wb.PlotComponents.size()) {
    SetSubStep(wb, "21");
    wb.Plat.ShowMessage("Error: Eigenvalue[" + IntToStr(p.C2) + "]=0");
    return false;
  }
  SetSubStep(wb, "23");
  if (mode >= 30) {
    if (!ReadLinesAndRange(wb, w.LGEdit, w.ThreeDEdit, p)) return false;
    p.Step = GridStepOf(w.ESQBox);
    if (!GridStepChosen(wb, p)) return false;
    CapLines(p);
  }
  // Every check has passed: the run's parameters become those of the surface.
  wb.PointSize = pointSize;
  wb.PlotLines = p.Lines;
  wb.ThreeDscale = p.Range;
  wb.ESGridStep = p.Step;
  wb.C1Index = p.C1;
  wb.C2Index = p.C2;
  wb.C2Scale = std::sqrt(eig(wb.C1Index) / eig(wb.C2Index));
  if (mode < 30) {
    w.c1box.SetItemIndex(f.c1box.ItemIndex());
    w.c2box.SetItemIndex(f.c2box.ItemIndex());
    w.ESQBox.SetItemIndex(f.ESQBox.ItemIndex());
    w.ThreeDEdit.SetText(f.ThreeDEdit.Text());
    w.LGEdit.SetText(f.LGEdit.Text());
  } else {
    w.LGEdit.SetText(IntToStr(wb.PlotLines));
  }
  SetSubStep(wb, "25");
  PrepareErrorSurfaceForm(wb);
  if (wb.PlotLines > 0) {
    SetSubStep(wb, "27");
    if (f.PMBox.Checked()) {
      // The scores too, so that the trajectory windows find them after a frame.
      if (!wb.TrajProjected && !ProjectTrajectory(wb)) return false;
      DrawSurfaceFrame(wb, e0, 0);
      return true;
    }
    ComputeErrorSurfacePCA(wb);
  } else {
    // The picture shows the trajectory only: no grid of it to redraw or export.
    w.GridReady = false;
  }
  if (!wb.TrajProjected && !ProjectTrajectory(wb)) return false;
  FillComparisonSurface(wb, e0);
  SetSubStep(wb, "28");
  if (w.TRBox.ItemIndex() > 0) DrawTrajectory(wb);
  Canvas c(Bitmap(wb));
  WhiteOutline(c);
  w.ShowBitmap();
  wb.SurfaceKind = 0;
  f.ep.SetText(" done");
  f.TrainingEdit.SetText(FormatFixed(wb.ElapsedTime / 1000.0, 2) + " / " +
                         FormatFixed((MonotonicMs() - started) / 1000.0, 2) + "s");
  SetSubStep(wb, "29");
  return true;
}

void PlotErrorSurfacePCAV(Workbench& wb) {
  // Needs the grid storage and layout of a first surface, made for this network.
  if (!wb.NG3D.GridReady) return;
  if (!ComponentsFitFor(wb, "PCA  V")) return;
  if (!HistoryFitsNetwork(wb)) {
    wb.Plat.ShowMessage(AgainMessage("PCA  V"));
    return;
  }
  if (!PointSizeMakesPicture(wb, wb.PointSize)) return;
  HourglassGuard hourglass(wb.Plat);
  SetSubStep(wb, "31");
  if (!ReadPCAFiles(wb, PCAFileKind::V)) return;
  CopyPlotComponents(wb);
  PrepareErrorSurfaceForm(wb);
  if (wb.Form1.PMBox.Checked()) {
    DrawSurfaceFrame(wb, StrToInt(Trim(wb.Form1.ESFixedEdit.Text())), 0);
    return;
  }
  ComputeErrorSurfacePCA(wb);
  FillComparisonSurface(wb, StrToInt(Trim(wb.Form1.ESFixedEdit.Text())));
  wb.SurfaceKind = 1;
  SetSubStep(wb, "32");
}

void PlotErrorSurface2W(Workbench& wb) {
  if (wb.NumOfEpochs < 0 || wb.WeightHistory.Rows() <= static_cast<std::size_t>(wb.NumOfEpochs) ||
      wb.PlotLines < 2)
    return;
  // The two weights are found in the recorded training, and moved in the network as it stands.
  if (!HistoryFitsNetwork(wb)) {
    wb.Plat.ShowMessage(AgainMessage("2W"));
    return;
  }
  if (!PointSizeMakesPicture(wb, wb.PointSize)) return;
  HourglassGuard hourglass(wb.Plat);
  SetSubStep(wb, "33");
  PrepareErrorSurfaceForm(wb);
  if (!FindTwoMostChangedWeights(wb)) return;
  ComputeErrorSurface2W(wb);
  wb.SurfaceKind = 2;
  SetSubStep(wb, "34");
}

int ErrorAtPlotPoint(Workbench& wb, int x, int y) {
  const SurfaceBox& b = wb.NG3D.Box;
  const double H = b.Height, A1x = b.Axis1DX, A1y = b.Axis1DY, A2x = b.Axis2DX, A2y = b.Axis2DY;
  wb.PixelStep = wb.ThreeDscale / (H / 2);
  const double u = H - H * (y - A1y * x / A1x + A1y * A2x / A1x) / (A1y * A2x / A1x + A2y);
  const double v = H * (A2y * x / A2x + y - A2y) / (A1x * A2y / A2x + A1y);
  const double sa = wb.NG3D.MirrorC2, sb = wb.NG3D.MirrorC1;
  const double a = wb.C2Scale * wb.PixelStep * (u - H / 2) * sa;
  const double bb = -wb.PixelStep * (v - H / 2) * sb;
  const std::size_t n = static_cast<std::size_t>(std::max(wb.NumOfWeights, 0));
  std::vector<double> weights(n, 0.0);
  for (std::size_t i = 0; i < n; ++i)
    weights[i] = bb * wb.PlotComponents[0][i] + a * wb.PlotComponents[1][i];
  if (wb.Form1.strbox.Checked()) {
    // A step network's error comes from the SMLP evaluation, not from the perceptron's error routines.
    SetFlatWeights(wb, weights);
    wb.CurrentError = CallEvaluateNetwork(wb);
  } else {
    PlaneSamplerOptions o = SurfaceSamplerOptions(wb);
    wb.CurrentError = PlaneErrorAt(wb, o, weights);
  }
  wb.NG3D.c2Edit.SetText(FormatFixed(a / (wb.C2Scale * wb.C2Scale), 2));
  wb.NG3D.c1edit.SetText(FormatFixed(bb, 2));
  wb.NG3D.erEdit.SetText(FormatFixed(wb.CurrentError, 3));
  if (wb.WeightFormOpen[0]) DrawWeights(wb, 0);
  return RoundInt(H * wb.CurrentError / (static_cast<double>(wb.Layers.back()) * wb.NumOfVectors));
}

void PickSurfacePoint(Workbench& wb, int x, int y) {
  TNG3D& w = wb.NG3D;
  if (!w.GridReady) return;
  // The point is placed on the components of the surface shown, in the network as it stands.
  if (!ComponentsFitFor(wb, "Surface point")) return;
  if (wb.PlotComponents.size() < 2) return;
  w.ClickX = x;
  w.ClickY = y;
  const SurfaceBox& b = w.Box;
  const int dx = x - b.Left - 2;
  const int dy = b.PictureHeight - b.Top - y + 2 - b.Lift;
  if (!InsideBottomFace(b, dx, dy)) {
    w.I2.SetVisible(false);
    w.MarkerShown = false;
    return;
  }
  const int h = ErrorAtPlotPoint(wb, dx + 2, dy - 2);
  w.MarkerLeft = x;
  w.MarkerTop = y - h;
  w.MarkerHeight = h;
  w.MarkerShown = true;
  w.I2.SetVisible(true);
}

std::string SurfacePictureName(Workbench& wb) {
  const TNG3D& w = wb.NG3D;
  const TForm1& f = wb.Form1;
  std::string s = wb.ResultsPrefix.empty() ? wb.ProgramDir + "/" : wb.ResultsPrefix;
  s += wb.SurfaceKind == 1 ? "_V_" : wb.SurfaceKind == 2 ? "_2W_" : "_";
  s += Trim(f.ThreeDEdit.Text());
  s += w.MirrorC2 > 0 ? "p" : "n";
  s += w.MirrorC1 > 0 ? "p_" : "n_";
  s += LayerSizes(wb);
  s += f.WMBox.Checked() ? "-wm" : "-cm";
  if (f.entrBox.Checked()) s += "e";
  ((((s += '_') += IntToStr(wb.WMFirstEpoch)) += '-') += IntToStr(wb.WMLastEpoch));
  ((((s += "_c") += IntToStr(w.c1box.ItemIndex() + 1)) += "-c") += IntToStr(w.c2box.ItemIndex() + 1));
  (s += "_s") += Trim(f.PSEdit.Text());
  return s;
}

namespace {

void CopyIfAbsent(const std::string& from, const std::string& to) {
  if (!FileExists(from) || FileExists(to)) return;
  std::ifstream in(from, std::ios::binary);
  // Whole or not at all: a copy cut short is not left under the name.
  AtomicOfstream out(to, std::ios::binary | std::ios::trunc);
  if (in.peek() != std::ifstream::traits_type::eof()) out << in.rdbuf();
  out.close();
}

}  // namespace

void SaveErrorSurface(Workbench& wb, int mode) {
  TNG3D& w = wb.NG3D;
  if (!w.GridReady) return;
  std::string name = SurfacePictureName(wb);
  std::string path = name + ".gif";
  if (mode != 0) {
    w.SGDialog.InitialDir = wb.ResultsDir;
    w.SGDialog.FileName = FileNameOf(name);
    if (!wb.Plat.Execute(w.SGDialog)) return;
    const std::string chosen = w.SGDialog.FileName;
    path = chosen;
    const std::size_t slash = chosen.find_last_of('/');
    if (slash != std::string::npos) wb.ResultsDir = chosen.substr(0, slash + 1);
  }
  Canvas c(Bitmap(wb));
  WhiteOutline(c);
  WriteGif(Bitmap(wb), path);
  const std::string prefix = wb.ResultsPrefix.empty() ? wb.ProgramDir + "/" : wb.ResultsPrefix;
  const bool wm = wb.Form1.WMBox.Checked();
  CopyIfAbsent(wb.Path("PCA/eig_w.txt"), prefix + (wm ? "_EigVal-wm.txt" : "_EigVal-cm.txt"));
  CopyIfAbsent(wb.Path("PCA/pcomp_w.txt"), prefix + (wm ? "_PrinComp-wm.txt" : "_PrinComp-cm.txt"));
  SaveSettings(wb, true);
}

void WriteErrorSurfaceEps(Workbench& wb) {
  const TNG3D& w = wb.NG3D;
  // The table is the grid as it was sampled (its box and lines), whatever the controls say now.
  if (!SurfaceGridFits(w)) return;
  const SurfaceGridMade& g = w.GridMade;
  const int halfH = RoundInt(g.Box.Height / 2.0), halfL = RoundInt(g.Lines / 2.0);
  const int k = std::max(1, RoundInt(halfH * 0.8 / halfL));
  const int S = std::max(1, g.Step);
  std::string text;
  for (int i = 0; i <= 2 * halfL; ++i) {
    for (int p = -halfH; p <= halfH; ++p)
      if (p % k == 0 && (p + halfH) % S == 0)
        text += FormatReal(w.SurfaceGrid[0][static_cast<std::size_t>(i)][static_cast<std::size_t>((p + halfH) / S)]) + "  ";
    text += "\r\n";
  }
  const std::string prefix = wb.ResultsPrefix.empty() ? wb.ProgramDir + "/" : wb.ResultsPrefix;
  WriteFileAtomically(prefix + "_eps.txt", text);
  EnsureDirectory(wb.Path("PCA"));
  CopyIfAbsent(prefix + "_eps.txt", wb.Path("PCA/eps.txt"));
}

void ErrorSurfaceEpsButton(Workbench& wb) {
  if (!wb.ESDone) return;
  if (!SurfaceGridFits(wb.NG3D)) {
    if (wb.PlotLines < 2)
      wb.Plat.ShowMessage("No grid lines to export: the plot shows the trajectory only (Lines in Plot 0)");
    return;
  }
  if (wb.NG3D.GridMade.Step > 1) {
    wb.Plat.ShowMessage("First Perform the Plot in High Quality");
    return;
  }
  WriteErrorSurfaceEps(wb);
}

void FindPCAMinimum(Workbench& wb) {
  const int N = StrToInt(Trim(wb.Form1.PCAminEdit.Text()));
  const int bound = std::min(6, wb.NumOfWeights);
  if (N < 1 || N > bound) {
    wb.Plat.ShowMessage("PCs for minimum: " + IntToStr(N) + " is not between 1 and " + IntToStr(bound));
    return;
  }
  const std::uint8_t kind = static_cast<std::uint8_t>(wb.ErrorTFKind & 0xFF);
  const double E0 = ComputeError(wb, kind);
  double best = E0;
  int kbest = 0;
  const std::vector<double> old = FlatWeights(wb);
  // The surface is drawn in the network as it stands: its grid moves the weights, which are put back
  // whatever the surface's outcome. A refused or failed surface stops the search there, so the line
  // is never run along components the surface would not accept.
  const bool drawn = PlotErrorSurfacePCA(wb, 10);
  SetFlatWeights(wb, old);
  if (!drawn) return;
  // The line runs along the components in use; a failed surface leaves none for this network.
  if (!ComponentsFit(wb) || wb.PlotComponents.size() < static_cast<std::size_t>(N) ||
      wb.Eigenvalues.size() < static_cast<std::size_t>(N))
    return;
  std::vector<double> d(old.size(), 0.0);
  for (int j = 0; j < N; ++j)
    for (std::size_t i = 0; i < d.size(); ++i)
      d[i] += wb.Eigenvalues[static_cast<std::size_t>(j)] * wb.PlotComponents[static_cast<std::size_t>(j)][i];
  std::vector<double> x(old.size());
  auto place = [&](int k) {
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = old[i] + 0.01 * k * d[i];
    SetFlatWeights(wb, x);
  };
  for (int k = -1000; k <= 1000; ++k) {
    wb.Plat.ProcessEvents();
    place(k);
    const double E = ComputeError(wb, kind);
    if (E < best) {
      best = E;
      kbest = k;
    }
  }
  place(kbest);
  wb.CurrentError = ComputeError(wb, kind);
  wb.Form1.ge.SetText(FormatFixed(wb.CurrentError, 4) + "   " + IntToStr(kbest));
}

void PCABasedTraining(Workbench& wb) {
  if (!wb.ESDone || wb.PlotComponents.empty()) {
    wb.Plat.ShowMessage("PCA-based training needs an error surface: compute one first (SVD + Plot)");
    return;
  }
  FindPCAMinimum(wb);
}

void MirrorSurfaceC1(Workbench& wb) {
  if (!wb.NG3D.GridReady) return;
  wb.NG3D.MirrorC1 = -wb.NG3D.MirrorC1;
  DrawErrorSurface(wb);
  wb.NG3D.c1edit.SetText(wb.NG3D.MirrorC1 > 0 ? "+" : "-");
}

void MirrorSurfaceC2(Workbench& wb) {
  if (!wb.NG3D.GridReady) return;
  wb.NG3D.MirrorC2 = -wb.NG3D.MirrorC2;
  DrawErrorSurface(wb);
  wb.NG3D.c2Edit.SetText(wb.NG3D.MirrorC2 > 0 ? "+" : "-");
}

void NegateSurfaceSign(Workbench& wb, int component) {
  if (!wb.NG3D.GridReady) return;
  (component == 1 ? wb.SignC1 : wb.SignC2) *= -1;
  DrawErrorSurface(wb);
}

void SurfaceViewChanged(Workbench& wb) {
  if (!wb.NG3D.GridReady) return;
  DrawErrorSurface(wb);
}

}  // namespace wl

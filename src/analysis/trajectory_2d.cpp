#include "analysis/trajectory_2d.h"

#include <algorithm>
#include <cmath>

#include "analysis/canvas.h"
#include "analysis/lt2_pictures.h"
#include "analysis/picture_saving.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "platform/paths.h"

namespace wl {

bool NormalisedTrajectoryPoint(const std::array<double, 6>& P, double n2, int r, std::array<double, 6>& u) {
  if (!(n2 > 0)) throw FloatError("Floating point division by zero: the weight vector's norm is 0");
  const double root = std::sqrt(n2);
  std::array<double, 6> p{};
  for (int k = 0; k < 6; ++k) p[static_cast<std::size_t>(k)] = P[static_cast<std::size_t>(k)] / root;
  const double pr = p[static_cast<std::size_t>(r)];
  if (pr == 0) {
    u.fill(0.0);
    return false;
  }
  double sum = 0;
  for (double pk : p) sum += (pk / pr) * (pk / pr);
  const double ur = (pr > 0 ? 1.0 : -1.0) * std::sqrt(n2 / sum);
  for (int c = 0; c < 6; ++c) u[static_cast<std::size_t>(c)] = c == r ? ur : ur * p[static_cast<std::size_t>(c)] / pr;
  return true;
}

double TrajectoryWeightNorm(const Workbench& wb) {
  if (wb.WeightNorm != 0) return wb.WeightNorm;
  const std::size_t e = static_cast<std::size_t>(std::max(0, wb.NumOfEpochs));
  const double n2 = e < wb.WNormHistory.size() ? wb.WNormHistory[e] : 0.0;
  if (!(n2 > 0)) throw FloatError("Floating point division by zero: the norm of the weights is 0");
  return std::sqrt(n2);
}

namespace {

double Cell(const std::vector<std::vector<double>>& m, int row, int col) {
  if (row < 0 || col < 0 || static_cast<std::size_t>(row) >= m.size()) return 0.0;
  const auto& r = m[static_cast<std::size_t>(row)];
  return static_cast<std::size_t>(col) < r.size() ? r[static_cast<std::size_t>(col)] : 0.0;
}

double Eigenvalue(const Workbench& wb, int k) {
  return k >= 0 && static_cast<std::size_t>(k) < wb.Eigenvalues.size() ? wb.Eigenvalues[static_cast<std::size_t>(k)]
                                                                       : 0.0;
}

std::array<double, 6> EpochProjections(const Workbench& wb, int e) {
  std::array<double, 6> p{};
  for (int k = 0; k < 6; ++k) p[static_cast<std::size_t>(k)] = Cell(wb.TrajectoryCoords, k, e);
  return p;
}

double EpochNorm2(const Workbench& wb, int e) {
  return e >= 0 && static_cast<std::size_t>(e) < wb.WNormHistory.size() ? wb.WNormHistory[static_cast<std::size_t>(e)]
                                                                         : 0.0;
}

// The picture point of (u, v) after the last drawing's scales, unrounded.
double PointX(const TLT2& w, double u) { return w.OriginX + w.ScaleX * u; }
double PointY(const TLT2& w, double v) { return w.OriginY - w.ScaleY * v; }

// Walks the path one weight change at a time: the start point of epoch 0, then the point after every
// single change, in the order of the weight records. `point(x, y, epoch)` gets the unrounded picture
// point and the epoch of the change (0 for the start). The warning is shown at most once.
template <class F>
void WalkDetailedPath(Workbench& wb, F&& point) {
  TLT2& w = wb.LT2;
  bool warned = false;
  auto warn = [&](const char* text) {
    if (warned) return;
    warned = true;
    wb.Plat.ShowMessage(text);
  };
  std::array<double, 6> u{};
  if (!NormalisedTrajectoryPoint(EpochProjections(wb, 0), EpochNorm2(wb, 0), w.C2, u))
    warn("Trajectory Warning 3: w[c1]=0");
  point(PointX(w, u[static_cast<std::size_t>(w.C1)]), PointY(w, u[static_cast<std::size_t>(w.C2)]), 0);
  for (int e = 1; e <= wb.NumOfEpochs; ++e) {
    std::array<double, 6> p = EpochProjections(wb, e - 1);
    const auto now = wb.WeightHistory.Row(static_cast<std::size_t>(e));
    const auto before = wb.WeightHistory.Row(static_cast<std::size_t>(e - 1));
    const auto norms = wb.DetailWNormHistory.Row(static_cast<std::size_t>(e));
    const std::size_t n = std::min({now.size(), norms.size(), static_cast<std::size_t>(std::max(0, wb.NumOfWeights))});
    for (std::size_t j = 0; j < n; ++j) {
      const double d = now[j] - before[j];
      for (int k = 0; k < 6; ++k) p[static_cast<std::size_t>(k)] += d * Cell(wb.PrincipalComponents, k, static_cast<int>(j));
      if (!NormalisedTrajectoryPoint(p, norms[j], w.C2, u)) warn("Trajectory Warning 4: w[c1]=0");
      point(PointX(w, u[static_cast<std::size_t>(w.C1)]), PointY(w, u[static_cast<std::size_t>(w.C2)]), e);
    }
  }
}

void Present(Workbench& wb) {
  TLT2& w = wb.LT2;
  QImage& pic = CurrentTrajectory2DPicture(wb);
  Canvas c(pic);
  const int W = wb.PointSize * w.PlotWidth, H = wb.PointSize * w.PlotHeight;
  c.SetPenColor(clWhite);
  c.SetPenWidth(1);
  c.MoveTo(0, 0);
  c.LineTo(W - 1, 0);
  c.LineTo(W - 1, H - 1);
  c.LineTo(0, H - 1);
  c.LineTo(0, 0);
  Pictures(w).Shown = pic.copy();
  w.Pending = true;
  ++w.PictureVersion;
  w.PB.Repaint();
}

void SetCaptionWithOffset(Workbench& wb, int offset) {
  std::int32_t sub = 0;
  TryStrToInt(wb.ProgressSubStep, sub);
  wb.OnTopForm.SetCaption("On Top      " + wb.ProgressStage + "-" + wb.ProgressStep + "-" + IntToStr(sub + offset));
}

QImage NewPicture(const Workbench& wb, const TLT2& w) {
  return MakePicture(wb.PointSize * w.PlotWidth, wb.PointSize * w.PlotHeight);
}

}  // namespace

QImage& CurrentTrajectory2DPicture(Workbench& wb) {
  LT2Pictures& p = Pictures(wb.LT2);
  return wb.LT2.FullScreen ? p.FullPicture : p.Picture;
}

void DrawTrajectoryAxes(Workbench& wb, int mode) {
  if (mode != 2) return;
  TLT2& w = wb.LT2;
  QImage& pic = CurrentTrajectory2DPicture(wb);
  if (pic.isNull()) pic = NewPicture(wb, w);
  Canvas c(pic);
  const int ps = wb.PointSize;
  c.SetBrushColor(clWhite);
  c.SetPenColor(clWhite);
  c.SetPenWidth(1);
  c.FillRect(0, 0, ps * w.PlotWidth, ps * w.PlotHeight);
  c.SetPenWidth(ps);
  c.SetPenColor(0xFF00FF);
  c.Line(w.OriginX - 6 * ps, w.OriginY, w.OriginX + 6 * ps, w.OriginY);
  c.Line(w.OriginX, w.OriginY - 6 * ps, w.OriginX, w.OriginY + 6 * ps);
}

void DrawTrajectory2D(Workbench& wb) {
  TLT2& w = wb.LT2;
  const int c1 = std::max(0, w.c1box.ItemIndex()), c2 = std::max(0, w.c2box.ItemIndex());
  w.C1 = c1;
  w.C2 = c2;
  for (int c : {c1, c2})
    if (Eigenvalue(wb, c) <= 0) {
      wb.Plat.ShowMessage("Error: Eigenvalue[" + IntToStr(c + 1) + "]<=0");
      return;
    }
  // The scales first: a zero norm or range stops before the previous picture is cleared.
  const double norm = TrajectoryWeightNorm(wb);
  if (wb.ThreeDscale == 0) throw FloatError("Floating point division by zero: the C1 range is 0");
  const double ratio = w.OrgBox.Checked() ? 1.0 : std::sqrt(Eigenvalue(wb, c1) / Eigenvalue(wb, c2));
  const double base = (w.Size / norm) * wb.PointSize * wb.NG3D.Box.Height / wb.ThreeDscale;
  const double scaleX = base * wb.SignC1 * wb.NG3D.MirrorC1;
  const double scaleY = base * ratio * wb.SignC2 * wb.NG3D.MirrorC2;

  DrawTrajectoryAxes(wb, 2);
  Canvas c(CurrentTrajectory2DPicture(wb));
  const int style = w.TRBox.ItemIndex();
  c.SetPenWidth(style == 2 ? wb.PointSize : 2 * wb.PointSize);
  w.ScaleX = scaleX;
  w.ScaleY = scaleY;

  if (style == 2 && wb.MethodTag.size() > 1 && wb.MethodTag[1] == '1') {
    DrawDetailedTrajectory2D(wb);
    return;
  }
  bool warned = false;
  for (int e = wb.NumOfEpochs; e >= 0; --e) {
    double u = 0, v = 0;
    if (wb.Form1.SCBox.Checked()) {
      u = Cell(wb.ComponentScores, c1, e);
      v = Cell(wb.ComponentScores, c2, e);
    } else {
      std::array<double, 6> q{};
      if (!NormalisedTrajectoryPoint(EpochProjections(wb, e), EpochNorm2(wb, e), c2, q) && !warned) {
        warned = true;
        wb.Plat.ShowMessage("Trajectory Warning 5: w[c1]=0");
      }
      u = q[static_cast<std::size_t>(c1)];
      v = q[static_cast<std::size_t>(c2)];
    }
    c.SetPenColor(style == 1 ? 0xFF0000 : wb.PlotColors[static_cast<std::size_t>(e % 8)]);
    const int x = RoundInt(PointX(w, u)), y = RoundInt(PointY(w, v));
    if (e == wb.NumOfEpochs)
      c.MoveTo(x, y);
    else
      c.LineTo(x, y);
  }
  Present(wb);
}

void DrawDetailedTrajectory2D(Workbench& wb) {
  wb.ProgressSubStep = "58";
  UpdateProgressTrace(wb);
  Canvas c(CurrentTrajectory2DPicture(wb));
  c.SetPenWidth(wb.PointSize);
  WalkDetailedPath(wb, [&](double x, double y, int e) {
    if (e == 0) {
      c.MoveTo(RoundInt(x), RoundInt(y));
      return;
    }
    c.SetPenColor(wb.PlotColors[static_cast<std::size_t>((e - 1) % 8)]);
    c.LineTo(RoundInt(x), RoundInt(y));
  });
  Present(wb);
}

void ShowTrajectory2D(Workbench& wb) {
  if (!wb.ESDone) return;
  TLT2& w = wb.LT2;
  w.Ready = false;
  wb.PointSize = StrToInt(Trim(wb.Form1.PSEdit.Text()));
  Pictures(w).Picture = NewPicture(wb, w);
  std::string caption = "Trajectory 2D     " + wb.DataBaseName + " ";
  for (int l = 0; l < wb.NumOfLayers && static_cast<std::size_t>(l) < wb.Layers.size(); ++l)
    caption += (l > 0 ? "-" : "") + IntToStr(wb.Layers[static_cast<std::size_t>(l)]);
  caption += "   ";
  for (int k = 0; k < 6; ++k) {
    const double ev = Eigenvalue(wb, k);
    if (!(ev > 0.00001)) continue;
    const int d = ev > 10 ? 0 : ev > 1 ? 1 : ev > 0.1 ? 2 : ev > 0.01 ? 3 : ev > 0.001 ? 4 : ev > 0.0001 ? 5 : 6;
    caption += "   " + FormatFixed(ev, d);
  }
  w.SetCaption(caption);
  w.OriginX = 180 * wb.PointSize;
  w.OriginY = 420 * wb.PointSize;
  w.c1box.SetItemIndex(wb.NG3D.c1box.ItemIndex());
  w.c2box.SetItemIndex(wb.NG3D.c2box.ItemIndex());
  w.OrgBox.SetChecked(true);
  w.TRBox.SetItemIndex(std::max(0, wb.NG3D.TRBox.ItemIndex() - 1));
  w.Shown = true;
  wb.Plat.ShowWindow("LT2");
  SetCaptionWithOffset(wb, 200);
  DrawTrajectory2D(wb);
  SetCaptionWithOffset(wb, 300);
  Pictures(w).Image = Pictures(w).Picture.copy();
  ++w.PictureVersion;
  w.Pending = false;
  w.Ready = true;
}

void Trajectory2DSettingsChanged(Workbench& wb) {
  if (wb.LT2.Ready) DrawTrajectory2D(wb);
}

void TR2DUpDownClick(Workbench& wb, int upDown, bool up) {
  TLT2& w = wb.LT2;
  if (upDown == 1) w.OriginX += up ? 70 : -70;
  if (upDown == 2) w.OriginY += up ? -70 : 70;
  if (upDown == 3) w.Size = up ? w.Size * 1.3 : w.Size / 1.3;
  DrawTrajectory2D(wb);
}

void TR2DCopyPending(Workbench& wb) {
  TLT2& w = wb.LT2;
  if (!w.Pending) return;
  LT2Pictures& p = Pictures(w);
  const QImage& from = CurrentTrajectory2DPicture(wb);
  (w.FullScreen ? p.FullImage : p.Image) = from.copy(0, 0, w.PlotWidth, w.PlotHeight);
  ++w.PictureVersion;
  w.Pending = false;
}

void TR2DFullScreenSwitch(Workbench& wb) {
  TLT2& w = wb.LT2;
  if (!w.FullScreen) {
    w.Left = 0;
    w.Top = 0;
    w.Width = wb.ScreenWidth;
    w.Height = wb.ScreenHeight;
    w.PlotWidth = w.Width - 11;
    w.PlotHeight = w.Height - (wb.FontPct >= 122 ? 227 : 140);
    Pictures(w).FullPicture = NewPicture(wb, w);
    w.I2D.SetVisible(false);
    w.I2Df.SetVisible(true);
    w.FullScreen = true;
  } else {
    w.Width = wb.ScreenHeight < 767 ? 656 : 640;
    w.Left = wb.ScreenWidth - w.Width;
    w.PlotWidth = 629;
    w.PlotHeight = 613;
    w.Height = wb.FontPct >= 122 ? 840 : 768;
    w.Top = wb.ScreenHeight - w.Height;
    w.I2Df.SetVisible(false);
    w.I2D.SetVisible(true);
    w.FullScreen = false;
  }
  w.PanelTop = w.PlotHeight + 6;
  w.PanelLeft = 1;
  DrawTrajectory2D(wb);
}

std::string Trajectory2DSuffix(const Workbench& wb) {
  const TLT2& w = wb.LT2;
  return std::string(w.FullScreen ? "_TR2Df_" : "_TR2D_") + wb.MethodTag + "_" + IntToStr(wb.WMFirstEpoch) + "-" +
         IntToStr(wb.WMLastEpoch) + "_c" + IntToStr(w.c1box.ItemIndex() + 1) + "-c" +
         IntToStr(w.c2box.ItemIndex() + 1) + (w.OrgBox.Checked() ? "o" : "p");
}

void SaveTrajectory2D(Workbench& wb, bool askName) {
  QImage& pic = CurrentTrajectory2DPicture(wb);
  if (pic.isNull()) return;
  const std::string suffix = Trajectory2DSuffix(wb);
  if (askName)
    SavePictureAs(wb, &pic, suffix);
  else
    SavePicture(wb, &pic, suffix);
}

void WriteTrajectory2DFile(Workbench& wb) {
  wb.ProgressSubStep = "958";
  UpdateProgressTrace(wb);
  std::string text;
  WalkDetailedPath(wb, [&](double x, double y, int) { text += FormatReal(x) + FormatReal(y) + "\r\n"; });
  EnsureDirectory(wb.Path("PCA"));
  WriteFileAtomically(wb.Path("PCA/TR.txt"), text);
}

}  // namespace wl

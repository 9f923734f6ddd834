#include "analysis/trajectory_2d.h"

#include <algorithm>
#include <cmath>

#include "analysis/canvas.h"
#include "analysis/error_surface.h"
#include "analysis/lt2_pictures.h"
#include "analysis/picture_saving.h"
#include "analysis/trajectory_points.h"
#include "state/analysis_shapes.h"
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

// The picture point of (u, v) after the last drawing's scales, unrounded.
double PointX(const TLT2& w, double u) { return w.OriginX + w.ScaleX * u; }
double PointY(const TLT2& w, double v) { return w.OriginY - w.ScaleY * v; }

// Walks the path one weight change at a time: `point(x, y, epoch)` gets the unrounded picture point and
// the epoch of the change (0 for the start).
template <class F>
void WalkDetailedPath(Workbench& wb, F&& point) {
  const TLT2& w = wb.LT2;
  WalkDetailedTrajectory(wb, w.C2, "Trajectory Warning 3: w[c1]=0", "Trajectory Warning 4: w[c1]=0",
                         [&](const std::array<double, 6>& u, int e) {
                           point(PointX(w, u[static_cast<std::size_t>(w.C1)]),
                                 PointY(w, u[static_cast<std::size_t>(w.C2)]), e);
                         });
}

void Present(Workbench& wb) { PresentTrajectoryPicture(wb, wb.LT2, CurrentTrajectory2DPicture(wb)); }

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
    if (TrajectoryEigenvalue(wb, c) <= 0) {
      wb.Plat.ShowMessage("Error: Eigenvalue[" + IntToStr(c + 1) + "]<=0");
      return;
    }
  // The scales first: a zero norm or range stops before the previous picture is cleared.
  const double norm = TrajectoryWeightNorm(wb);
  if (wb.ThreeDscale == 0) throw FloatError("Floating point division by zero: the C1 range is 0");
  const double ratio = w.OrgBox.Checked() ? 1.0 : std::sqrt(TrajectoryEigenvalue(wb, c1) / TrajectoryEigenvalue(wb, c2));
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
      u = TrajectoryMatrixCell(wb.ComponentScores, c1, e);
      v = TrajectoryMatrixCell(wb.ComponentScores, c2, e);
    } else {
      std::array<double, 6> q{};
      if (!NormalisedTrajectoryPoint(TrajectoryProjections(wb, e), TrajectoryNorm2(wb, e), c2, q) && !warned) {
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
  if (!ComponentsFitFor(wb, "TR 2D")) return;
  const int ps = StrToInt(Trim(wb.Form1.PSEdit.Text()));
  if (!PointSizeMakesPicture(wb, ps)) return;
  w.Ready = false;
  wb.PointSize = ps;
  Pictures(w).Picture = NewPicture(wb, w);
  w.SetCaption(TrajectoryCaption(wb, "Trajectory 2D"));
  w.OriginX = 180 * wb.PointSize;
  w.OriginY = 420 * wb.PointSize;
  w.c1box.SetItemIndex(wb.NG3D.c1box.ItemIndex());
  w.c2box.SetItemIndex(wb.NG3D.c2box.ItemIndex());
  w.OrgBox.SetChecked(true);
  w.TRBox.SetItemIndex(std::max(0, wb.NG3D.TRBox.ItemIndex() - 1));
  w.Shown = true;
  wb.Plat.ShowWindow("LT2");
  TraceSubStepOffset(wb, 200);
  DrawTrajectory2D(wb);
  TraceSubStepOffset(wb, 300);
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

void TR2DCopyPending(Workbench& wb) { CopyPendingTrajectoryPicture(wb.LT2, CurrentTrajectory2DPicture(wb)); }

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
  return TrajectoryPictureSuffix(wb, w.FullScreen ? "_TR2Df_" : "_TR2D_", w.c1box.ItemIndex(), w.c2box.ItemIndex(),
                                 w.OrgBox.Checked());
}

void SaveTrajectory2D(Workbench& wb, bool askName) {
  SaveTrajectoryPicture(wb, CurrentTrajectory2DPicture(wb), Trajectory2DSuffix(wb), askName);
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

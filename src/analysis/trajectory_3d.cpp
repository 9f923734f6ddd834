#include "analysis/trajectory_3d.h"

#include <algorithm>
#include <cmath>

#include "analysis/canvas.h"
#include "analysis/error_surface.h"
#include "analysis/lt3_pictures.h"
#include "analysis/picture_saving.h"
#include "analysis/trajectory_2d.h"
#include "analysis/trajectory_points.h"
#include "state/analysis_shapes.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"

namespace wl {

namespace {

QImage NewPicture(const Workbench& wb, int width, int height) {
  return MakePicture(wb.PointSize * width, wb.PointSize * height);
}

void Present(Workbench& wb) { PresentTrajectoryPicture(wb, wb.LT3, CurrentTrajectory3DPicture(wb)); }

}  // namespace

QImage& CurrentTrajectory3DPicture(Workbench& wb) {
  LT3Pictures& p = Pictures(wb.LT3);
  return wb.LT3.FullScreen ? p.FullPicture : p.Picture;
}

void Draw3DBox(Workbench& wb) {
  TLT3& w = wb.LT3;
  const int ps = wb.PointSize;
  // The window's own box for this point size; the error surface keeps the box of its grid.
  w.Box = SurfaceBoxFor(ps);
  const SurfaceBox& box = w.Box;

  QImage& pic = CurrentTrajectory3DPicture(wb);
  if (pic.isNull()) pic = NewPicture(wb, w.PlotWidth, w.PlotHeight);
  Canvas c(pic);
  c.SetBrushColor(clWhite);
  c.SetPenColor(clWhite);
  c.SetPenWidth(1);
  c.FillRect(0, 0, ps * w.PlotWidth, ps * w.PlotHeight);

  const int L = box.Left, T = box.Top, H = box.Height;
  const int a1x = box.Axis1DX, a1y = box.Axis1DY, a2x = box.Axis2DX, a2y = box.Axis2DY;
  c.SetPenColor(clBlack);
  c.SetPenWidth(ps);
  c.Polyline({{L, T + a1y}, {L + a1x, T}, {L + a1x + a2x, T + a2y}});
  c.Polyline({{L, T + a1y + H},
              {L + a1x, T + H},
              {L + a1x + a2x, T + a2y + H},
              {L + a2x, T + a1y + a2y + H},
              {L, T + a1y + H}});
  c.Line(L + a1x, T, L + a1x, T + H);
  c.Line(L + a1x + a2x, T + a2y, L + a1x + a2x, T + a2y + H);
  c.Line(L, T + a1y, L, T + a1y + H);

  const int W = ps * w.PlotWidth, Hp = ps * w.PlotHeight;
  c.SetPenColor(clWhite);
  c.SetPenWidth(1);
  c.Polyline({{0, 0}, {W - 1, 0}, {W - 1, Hp - 1}, {0, Hp - 1}, {0, 0}});
}

QPoint ProjectTrajectoryPoint3D(const Workbench& wb, double u1, double u2, double u3) {
  const TLT3& w = wb.LT3;
  const SurfaceBox& box = w.Box;
  const double H = box.Height, a1x = box.Axis1DX, a1y = box.Axis1DY, a2x = box.Axis2DX, a2y = box.Axis2DY;
  const double a = w.OffsetX + H / 2 + w.ScaleX * u1;
  const double b = w.ScaleY * u2 / H + 0.5 - w.OffsetY;
  const double c = w.OffsetZ + H / 2 + w.ScaleZ * u3;
  const double d = a1x * (1 - a / H);
  const double x = box.Left + d + a2x * b;
  const double h = c - a1y * (a1x - d) / a1x + a2y * (1 - b);
  const double top = static_cast<double>(box.PictureHeight) - a1y - box.Lift - box.Top;
  return {RoundInt(x), RoundInt(top - h)};
}

void DrawTrajectory3D(Workbench& wb) {
  TLT3& w = wb.LT3;
  if (!wb.Form1.BatchBP.Checked()) {
    wb.Plat.ShowMessage("Online BP 3-D Trajectories not supported");
    return;
  }
  const int c1 = std::max(0, w.c1box.ItemIndex()), c2 = std::max(0, w.c2box.ItemIndex()),
            c3 = std::max(0, w.c3box.ItemIndex());
  for (int c : {c1, c2, c3})
    if (TrajectoryEigenvalue(wb, c) <= 0) {
      wb.Plat.ShowMessage("Error: Eigenvalue[" + IntToStr(c + 1) + "]<=0");
      return;
    }
  // A zero range stops before the previous picture is cleared.
  if (wb.ThreeDscale == 0) throw FloatError("Floating point division by zero: the C1 range is 0");
  w.C1 = c1;
  w.C2 = c2;
  w.C3 = c3;
  Draw3DBox(wb);

  if (w.OrgBox.Checked()) {
    w.RatioY = w.RatioZ = 1;
  } else {
    w.RatioY = TrajectoryEigenvalue(wb, c1) / TrajectoryEigenvalue(wb, c2);
    w.RatioZ = TrajectoryEigenvalue(wb, c1) / TrajectoryEigenvalue(wb, c3);
  }
  const double base = wb.PointSize * w.Size * w.Box.Height / wb.ThreeDscale;
  // The vertical axis takes the signs of the second component.
  w.ScaleX = base * wb.SignC1 * wb.NG3D.MirrorC1;
  w.ScaleY = base * wb.SignC2 * wb.NG3D.MirrorC2 * w.RatioY;
  w.ScaleZ = base * wb.SignC2 * wb.NG3D.MirrorC2 * w.RatioZ;

  if (w.TRBox.ItemIndex() == 2 && wb.MethodTag.size() > 1 && wb.MethodTag[1] == '1') {
    DrawTrajectoryLine3D(wb);
    return;
  }
  // "Blue Trajectory" draws as "Color Trajectory" here.
  Canvas c(CurrentTrajectory3DPicture(wb));
  bool warned = false;
  for (int e = 0; e <= wb.NumOfEpochs; ++e) {
    std::array<double, 6> u{};
    if (!NormalisedTrajectoryPoint(TrajectoryProjections(wb, e), TrajectoryNorm2(wb, e), c2, u) && !warned) {
      warned = true;
      wb.Plat.ShowMessage("Trajectory Warning 8: w[c1]=0");
    }
    const QPoint p = ProjectTrajectoryPoint3D(wb, u[static_cast<std::size_t>(c1)], u[static_cast<std::size_t>(c2)],
                                              u[static_cast<std::size_t>(c3)]);
    if (e == 0) {
      c.SetPenWidth(wb.PointSize);
      c.MoveTo(p.x(), p.y());
    } else {
      c.SetPenColor(wb.PlotColors[static_cast<std::size_t>((e - 1) % 8)]);
      c.LineTo(p.x(), p.y());
    }
  }
  Present(wb);
}

void DrawTrajectoryLine3D(Workbench& wb) {
  TLT3& w = wb.LT3;
  wb.ProgressSubStep = "58";
  UpdateProgressTrace(wb);
  Canvas c(CurrentTrajectory3DPicture(wb));
  c.SetPenWidth(wb.PointSize);
  const std::size_t c1 = static_cast<std::size_t>(w.C1), c2 = static_cast<std::size_t>(w.C2),
                    c3 = static_cast<std::size_t>(w.C3);
  WalkDetailedTrajectory(wb, w.C2, "Trajectory Warning 6: w[c1]=0", "Trajectory Warning 7: w[c1]=0",
                         [&](const std::array<double, 6>& u, int e) {
                           const QPoint p = ProjectTrajectoryPoint3D(wb, u[c1], u[c2], u[c3]);
                           if (e == 0) {
                             c.MoveTo(p.x(), p.y());
                             return;
                           }
                           c.SetPenColor(wb.PlotColors[static_cast<std::size_t>((e - 1) % 8)]);
                           c.LineTo(p.x(), p.y());
                         });
  Present(wb);
}

void ShowTrajectory3D(Workbench& wb) {
  if (!wb.ESDone) return;
  TLT3& w = wb.LT3;
  if (!ComponentsFitFor(wb, "TR 3D")) return;
  const int ps = StrToInt(Trim(wb.Form1.PSEdit.Text()));
  if (!PointSizeMakesPicture(wb, ps)) return;
  wb.PointSize = ps;
  if (w.FullScreen) Pictures(w).FullPicture = NewPicture(wb, w.PlotWidth, w.PlotHeight);
  Pictures(w).Picture = NewPicture(wb, 629, 613);
  w.Ready = false;
  w.SetCaption(TrajectoryCaption(wb, "Trajectory 3D"));
  w.c1box.SetItemIndex(wb.NG3D.c1box.ItemIndex());
  w.c2box.SetItemIndex(wb.NG3D.c2box.ItemIndex());
  w.c3box.SetItemIndex(std::min(5, wb.NG3D.c2box.ItemIndex() + 1));
  w.OrgBox.SetChecked(true);
  w.TRBox.SetItemIndex(std::max(0, wb.NG3D.TRBox.ItemIndex() - 1));
  w.Shown = true;
  wb.Plat.ShowWindow("LT3");
  TraceSubStepOffset(wb, 500);
  w.OffsetX = 0;
  w.OffsetY = 0;
  DrawTrajectory3D(wb);
  TraceSubStepOffset(wb, 600);
  LT3Pictures& p = Pictures(w);
  (w.FullScreen ? p.FullImage : p.Image) = CurrentTrajectory3DPicture(wb).copy();
  ++w.PictureVersion;
  w.Pending = false;
  w.Ready = true;
}

void Trajectory3DSettingsChanged(Workbench& wb) {
  if (wb.LT3.Ready) DrawTrajectory3D(wb);
}

void TR3DUpDownClick(Workbench& wb, int upDown, bool up) {
  TLT3& w = wb.LT3;
  const int step = 70 * wb.PointSize;
  if (upDown == 1) w.OffsetX += up ? -step : step;
  if (upDown == 2) w.OffsetY += up ? -0.15 : 0.15;
  if (upDown == 3) w.Size = up ? w.Size * 1.3 : w.Size / 1.3;
  if (upDown == 4) w.OffsetZ += up ? step : -step;
  DrawTrajectory3D(wb);
}

void TR3DCopyPending(Workbench& wb) { CopyPendingTrajectoryPicture(wb.LT3, CurrentTrajectory3DPicture(wb)); }

void TR3DFullScreenSwitch(Workbench& wb) {
  TLT3& w = wb.LT3;
  if (!w.FullScreen) {
    w.Left = 0;
    w.Top = 0;
    w.Width = wb.ScreenWidth;
    w.Height = wb.ScreenHeight;
    w.PlotWidth = w.Width - 11;
    w.PlotHeight = w.Height - (wb.FontPct >= 122 ? 227 : 140);
    Pictures(w).FullPicture = NewPicture(wb, w.PlotWidth, w.PlotHeight);
    w.I3D.SetVisible(false);
    w.I3Df.SetVisible(true);
    w.FullScreen = true;
  } else {
    w.Width = wb.ScreenHeight < 767 ? 656 : 640;
    w.Left = wb.ScreenWidth - w.Width;
    w.Top = 0;
    w.PlotWidth = 629;
    w.PlotHeight = 613;
    w.Height = wb.FontPct >= 122 ? 840 : 768;
    w.I3Df.SetVisible(false);
    w.I3D.SetVisible(true);
    w.FullScreen = false;
  }
  w.PanelTop = w.PlotHeight + 6;
  w.PanelLeft = 1;
  DrawTrajectory3D(wb);
}

std::string Trajectory3DSuffix(const Workbench& wb) {
  const TLT3& w = wb.LT3;
  return TrajectoryPictureSuffix(wb, w.FullScreen ? "_TR3Df_" : "_TR3D_", w.c1box.ItemIndex(), w.c2box.ItemIndex(),
                                 w.OrgBox.Checked());
}

void SaveTrajectory3D(Workbench& wb, bool askName) {
  SaveTrajectoryPicture(wb, CurrentTrajectory3DPicture(wb), Trajectory3DSuffix(wb), askName);
}

}  // namespace wl

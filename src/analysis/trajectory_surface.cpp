#include "analysis/trajectory_surface.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "analysis/canvas.h"
#include "analysis/error_surface.h"
#include "analysis/ng3d_pictures.h"
#include "analysis/trajectory_2d.h"
#include "analysis/weight_forms.h"
#include "model/plane_sampler.h"
#include "model/read_parameters.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/rounding.h"
#include "training/prepare_run.h"

namespace wl {

QPointF SurfacePointF(const SurfaceBox& b, double a, double c, double v) {
  return {b.Left + (1 - a) * b.Axis1DX + c * b.Axis2DX,
          b.PictureHeight - b.Lift - b.Top - b.Axis1DY + a * b.Axis1DY - (1 - c) * b.Axis2DY - v};
}

bool TrajectoryVerticalFactor(Workbench& wb, double& vf) {
  if (!CheckNumber(wb, wb.Form1.L66Edit, "vertical range", false, 1, 24)) return false;
  const double vr = StrToFloat(Trim(wb.Form1.L66Edit.Text()));
  vf = wb.NG3D.Box.Height / (vr * static_cast<double>(wb.Layers.back()) * wb.NumOfVectors);
  return true;
}

namespace {

enum Style { NoTrajectory = 0, ColorTrajectory = 1, BlueTrajectory = 2, DetailedTrajectory = 3 };

void SubStep(Workbench& wb, const char* s) {
  wb.ProgressSubStep = s;
  UpdateProgressTrace(wb);
}

double CoordOf(const Workbench& wb, int k, int e) {
  if (k < 0 || static_cast<std::size_t>(k) >= wb.TrajectoryCoords.size()) return 0.0;
  const auto& row = wb.TrajectoryCoords[static_cast<std::size_t>(k)];
  return e >= 0 && static_cast<std::size_t>(e) < row.size() ? row[static_cast<std::size_t>(e)] : 0.0;
}

double ComponentAt(const std::vector<std::vector<double>>& m, int k, std::size_t i) {
  if (k < 0 || static_cast<std::size_t>(k) >= m.size() || i >= m[static_cast<std::size_t>(k)].size()) return 0.0;
  return m[static_cast<std::size_t>(k)][i];
}

std::int64_t EpochColour(const Workbench& wb, int e) {
  return wb.PlotColors[static_cast<std::size_t>(((e - 1) % 8 + 8) % 8)];
}

// The place (x, y) in the plane of components k1 and k2 by the norm-preserving rule; false (and the
// centre) when the weight vector has no component along k2, or none at all.
bool NormPreservingPlace(const std::array<double, 6>& P, double n2, int k1, int k2, double& x, double& y) {
  x = y = 0;
  if (!(n2 > 0)) return false;
  std::array<double, 6> u{};
  if (!NormalisedTrajectoryPoint(P, n2, k2, u)) return false;
  x = u[static_cast<std::size_t>(k1)];
  y = u[static_cast<std::size_t>(k2)];
  return true;
}

// What the three styles share: the box, the vertical factor and the axis scales.
struct TrajectoryFrame {
  SurfaceBox Box;
  double VF = 0, Su = 0, St = 0, Hf = 0;

  QPointF At(double x, double y, double error) const {
    const double H = Box.Height;
    return SurfacePointF(Box, (Su * x + Hf) / H, St * y / H + 0.5, VF * error);
  }
};

bool MakeFrame(Workbench& wb, TrajectoryFrame& f) {
  if (!TrajectoryVerticalFactor(wb, f.VF)) return false;
  f.Box = wb.NG3D.Box;
  const double H = f.Box.Height, range = wb.ThreeDscale;
  f.Hf = H / 2;
  f.Su = wb.SignC1 * wb.NG3D.MirrorC1 * H / (2 * range);
  f.St = wb.SignC2 * wb.NG3D.MirrorC2 * H / (2 * range);
  return true;
}

void MoveTo(Canvas& c, QPointF p) { c.MoveTo(RoundInt(p.x()), RoundInt(p.y())); }
void LineTo(Canvas& c, QPointF p) { c.LineTo(RoundInt(p.x()), RoundInt(p.y())); }

bool OnlineHistoriesOfRun(const Workbench& wb) {
  const OnlineRecord& r = wb.Online;
  if (!r.Recorded || r.Vectors != wb.NumOfVectors || r.Vectors < 1) return false;
  const auto rows = static_cast<std::size_t>(wb.NumOfEpochs + 1) * static_cast<std::size_t>(r.Vectors);
  return r.Rows() >= rows && r.Errors.size() > static_cast<std::size_t>(wb.NumOfEpochs);
}

bool DetailedHistoriesOfRun(const Workbench& wb) {
  const auto rows = static_cast<std::size_t>(wb.NumOfEpochs + 1);
  return wb.DetailWNormHistory.Rows() >= rows && wb.WeightTrialHistory.Rows() >= rows &&
         wb.DetailWNormHistory.Shape().RowSize == wb.WeightHistory.Shape().RowSize &&
         wb.WeightTrialHistory.Shape().RowSize == wb.WeightHistory.Shape().RowSize;
}

void DrawEpochTrajectory(Workbench& wb, Canvas& c, int style) {
  SubStep(wb, "64");
  TrajectoryFrame f;
  if (!MakeFrame(wb, f)) return;
  TNG3D& w = wb.NG3D;
  const int N = wb.NumOfEpochs;
  w.TrajectoryPoints.assign(static_cast<std::size_t>(N + 1), TTrajectoryPoint{});
  SubStep(wb, "65");
  bool warned = false;
  for (int e = 0; e <= N; ++e) {
    const double n2 = static_cast<std::size_t>(e) < wb.WNormHistory.size() ? wb.WNormHistory[static_cast<std::size_t>(e)]
                                                                           : 0.0;
    const std::array<double, 6> P = {CoordOf(wb, 0, e), CoordOf(wb, 1, e), CoordOf(wb, 2, e), 0, 0, 0};
    double x = 0, y = 0;
    if (P[0] == 0 || !NormPreservingPlace(P, n2, 0, 1, x, y)) {
      x = y = 0;
      if (!warned) {
        warned = true;
        wb.Plat.ShowMessage("Trajectory Warning 2: w[c1]=0");
      }
    }
    const double error = static_cast<std::size_t>(e) < wb.EpochHistory.size()
                             ? wb.EpochHistory[static_cast<std::size_t>(e)].Error
                             : 0.0;
    c.SetPenColor(style == BlueTrajectory ? clBlue : EpochColour(wb, e));
    const QPointF p = f.At(x, y, error);
    if (e == 0)
      MoveTo(c, p);
    else
      LineTo(c, p);
    w.TrajectoryPoints[static_cast<std::size_t>(e)] = {RoundInt(p.x()), RoundInt(p.y() + f.Box.Lift),
                                                       static_cast<float>(error)};
  }
  SubStep(wb, "66");
}

void OnlinePath(Workbench& wb, Canvas& c) {
  SubStep(wb, "54");
  double VF = 0;
  if (!TrajectoryVerticalFactor(wb, VF)) return;
  const SurfaceBox& b = wb.NG3D.Box;
  const double H = b.Height, Hf = H / 2;
  const double dc = wb.ThreeDscale / RoundInt(H / 2);
  const int C1 = wb.NG3D.c1box.ItemIndex(), C2 = wb.NG3D.c2box.ItemIndex();
  const std::size_t n = wb.WeightHistory.Shape().RowSize;
  const auto place = [&](std::span<const double> weights, double error) {
    double q1 = 0, q2 = 0;
    for (std::size_t i = 0; i < n && i < weights.size(); ++i) {
      q1 += weights[i] * ComponentAt(wb.PrincipalComponents, C1, i);
      q2 += weights[i] * ComponentAt(wb.PrincipalComponents, C2, i);
    }
    const double a = (Hf + wb.NG3D.MirrorC1 * q1 / dc) / H;
    const double bb = 0.5 + wb.NG3D.MirrorC2 * q2 / (dc * wb.C2Scale * Hf);
    return SurfacePointF(b, a, bb, VF * error);
  };
  MoveTo(c, place(std::as_const(wb.WeightHistory).Row(0), wb.EpochHistory[0].Error));
  SubStep(wb, "55");
  const OnlineRecord& online = wb.Online;
  for (int e = 1; e <= wb.NumOfEpochs; ++e) {
    c.SetPenColor(EpochColour(wb, e));
    for (int v = 0; v < wb.NumOfVectors; ++v)
      LineTo(c, place(online.Row(e, v), online.Errors[static_cast<std::size_t>(e)][static_cast<std::size_t>(v)]));
  }
  SubStep(wb, "56");
}

void DetailedPath(Workbench& wb, Canvas& c) {
  SubStep(wb, "57");
  TrajectoryFrame f;
  if (!MakeFrame(wb, f)) return;
  const int C1 = wb.NG3D.c1box.ItemIndex(), C2 = wb.NG3D.c2box.ItemIndex();
  bool warned = false;
  const auto placeOf = [&](const std::array<double, 6>& P, double n2, const char* warning) {
    double x = 0, y = 0;
    if (!NormPreservingPlace(P, n2, C1, C2, x, y) && !warned) {
      warned = true;
      wb.Plat.ShowMessage(warning);
    }
    return std::pair<double, double>{x, y};
  };
  std::array<double, 6> P{};
  for (int k = 0; k < 6; ++k) P[static_cast<std::size_t>(k)] = CoordOf(wb, k, 0);
  const double n0 = wb.WNormHistory.empty() ? 0.0 : wb.WNormHistory[0];
  auto [x0, y0] = placeOf(P, n0, "Trajectory Warning 13: w[c1]=0");
  MoveTo(c, f.At(x0, y0, wb.EpochHistory[0].Error));
  const std::size_t n = wb.WeightHistory.Shape().RowSize;
  for (int e = 1; e <= wb.NumOfEpochs; ++e) {
    const auto ue = static_cast<std::size_t>(e);
    for (int k = 0; k < 6; ++k) P[static_cast<std::size_t>(k)] = CoordOf(wb, k, e - 1);
    const auto now = std::as_const(wb.WeightHistory).Row(ue);
    const auto before = std::as_const(wb.WeightHistory).Row(ue - 1);
    const auto norms = std::as_const(wb.DetailWNormHistory).Row(ue);
    const auto trials = std::as_const(wb.WeightTrialHistory).Row(ue);
    c.SetPenColor(EpochColour(wb, e));
    for (std::size_t i = 0; i < n; ++i) {
      const double d = now[i] - before[i];
      for (int k = 0; k < 6; ++k) P[static_cast<std::size_t>(k)] += d * ComponentAt(wb.PrincipalComponents, k, i);
      auto [x, y] = placeOf(P, norms[i], "Trajectory Warning 14: w[c1]=0");
      LineTo(c, f.At(x, y, trials[i].Error));
    }
  }
  SubStep(wb, "60");
}

bool RunRecorded(const Workbench& wb) {
  return wb.NumOfEpochs >= 0 && wb.WeightHistory.Rows() > static_cast<std::size_t>(wb.NumOfEpochs) &&
         wb.EpochHistory.size() > static_cast<std::size_t>(wb.NumOfEpochs) && !wb.Layers.empty() &&
         wb.NumOfVectors > 0;
}

}  // namespace

void DrawTrajectory(Workbench& wb) {
  TNG3D& w = wb.NG3D;
  const int P = StrToInt(Trim(wb.Form1.PSEdit.Text()));
  w.SurfaceDrawn = false;
  const int C1 = w.c1box.ItemIndex(), C2 = w.c2box.ItemIndex();
  if (C1 > 1 || C2 > 1 || !RunRecorded(wb) || Pictures(w).SurfaceBitmap.isNull()) return;
  int style = w.TRBox.ItemIndex();
  if (style == NoTrajectory) style = ColorTrajectory;
  Canvas c(Pictures(w).SurfaceBitmap);
  SubStep(wb, "61");
  c.SetPenWidth(style == BlueTrajectory ? 3 * P : 2 * P);
  // The online path needs the histories of an online run: the radio button may have changed since.
  if (OnlineHistoriesOfRun(wb)) {
    SubStep(wb, "62");
    c.SetPenWidth(P);
    DrawTrajectoryPart1(wb);
    return;
  }
  if (style == DetailedTrajectory) {
    SubStep(wb, "63");
    c.SetPenWidth(P);
    if (wb.MethodTag.size() > 1 && wb.MethodTag[1] == '1' && DetailedHistoriesOfRun(wb)) {
      SubStep(wb, "93");
      DrawTrajectoryPart2(wb);
      SubStep(wb, "94");
      return;
    }
  }
  DrawEpochTrajectory(wb, c, style);
}

void DrawTrajectoryPart1(Workbench& wb) {
  Canvas c(Pictures(wb.NG3D).SurfaceBitmap);
  c.SetPenWidth(StrToInt(Trim(wb.Form1.PSEdit.Text())));
  OnlinePath(wb, c);
}

void DrawTrajectoryPart2(Workbench& wb) {
  Canvas c(Pictures(wb.NG3D).SurfaceBitmap);
  c.SetPenWidth(StrToInt(Trim(wb.Form1.PSEdit.Text())));
  DetailedPath(wb, c);
}

void TrajectoryMenuCommand(Workbench& wb) {
  // A surface's picture to draw on (also one of "Lines in Plot" 0, which has no grid).
  if (!wb.ESDone || Pictures(wb.NG3D).SurfaceBitmap.isNull()) return;
  DrawTrajectory(wb);
}

void PickTrajectoryPoint(Workbench& wb, int x, int y) {
  TNG3D& w = wb.NG3D;
  const int lift = w.Box.Lift;
  // The stored y lies BoxLift below the drawn point; the pick aims at the drawn point.
  const auto hit = std::find_if(w.TrajectoryPoints.begin(), w.TrajectoryPoints.end(), [&](const TTrajectoryPoint& p) {
    return x - 2 <= p.X && p.X <= x + 2 && y - 2 <= p.Y - lift && p.Y - lift <= y + 2;
  });
  if (hit == w.TrajectoryPoints.end()) {
    w.I3.SetVisible(false);
    w.TrajectoryMarkerShown = false;
    w.ShowBitmap();
    return;
  }
  const int i = static_cast<int>(hit - w.TrajectoryPoints.begin());
  // The marker runs from the drawn point down to the bottom face, at the vertical range of the drawing.
  double VF = 0;
  if (!TrajectoryVerticalFactor(wb, VF)) return;
  w.TrajectoryMarkerLeft = hit->X;
  w.TrajectoryMarkerTop = hit->Y - lift;
  w.TrajectoryMarkerHeight = RoundInt(VF * hit->E);
  w.TrajectoryMarkerShown = true;
  w.I3.SetVisible(true);
  w.TrEdit.SetText(FixedDisplayText(hit->E, 10, 4));
  // The weight window shows the picked epoch's own weights, while the surface still belongs to this run.
  if (wb.WeightFormOpen[1] && wb.ESDone && wb.WeightHistory.Rows() > static_cast<std::size_t>(i) &&
      i <= wb.NumOfEpochs) {
    const auto row = std::as_const(wb.WeightHistory).Row(static_cast<std::size_t>(i));
    SetFlatWeights(wb, std::vector<double>(row.begin(), row.end()));
    double s = 0;
    for (double v : row) s += v * v;
    wb.Form1.modWEdit.SetText(FixedDisplayText(std::sqrt(s), 10, 2));
    DrawWeights(wb, 1);
  }
  w.ShowBitmap();
}

void WriteWPCFiles(Workbench& wb) {
  const std::string prefix = wb.ResultsPrefix.empty() ? wb.ProgramDir + "/" : wb.ResultsPrefix;
  const auto first = std::as_const(wb.WeightHistory).Row(0);
  const auto last = std::as_const(wb.WeightHistory).Row(static_cast<std::size_t>(wb.NumOfEpochs));
  for (int k = 0; k < 2; ++k) {
    std::string text;
    for (std::size_t i = 0; i < first.size(); ++i)
      text += FormatReal(last[i] - first[i]) + "  " + FormatReal(ComponentAt(wb.PlotComponents, k, i)) + "\r\n";
    WriteFileAtomically(prefix + "_WPC" + IntToStr(k) + ".txt", text);
  }
}

void WPCButtonCommand(Workbench& wb) {
  // The components come from the surface's PCA; the weights from the run it belongs to.
  if (!wb.ESDone || wb.PlotComponents.size() < 2 || !RunRecorded(wb)) return;
  WriteWPCFiles(wb);
}

}  // namespace wl

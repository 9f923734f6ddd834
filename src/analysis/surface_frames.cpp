#include "analysis/surface_frames.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <utility>

#include "analysis/canvas.h"
#include "analysis/error_surface.h"
#include "analysis/ng3d_pictures.h"
#include "analysis/trajectory_2d.h"
#include "analysis/trajectory_surface.h"
#include "model/eval_options.h"
#include "model/plane_sampler.h"
#include "model/read_parameters.h"
#include "state/analysis_shapes.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/rounding.h"

namespace wl {

namespace {

void SubStep(Workbench& wb, const char* s) {
  wb.ProgressSubStep = s;
  UpdateProgressTrace(wb);
}

int PSEditValue(const Workbench& wb) { return StrToInt(Trim(wb.Form1.PSEdit.Text())); }

double Component(const Workbench& wb, const std::vector<std::vector<double>>& m, int k, std::size_t i) {
  if (k < 0 || static_cast<std::size_t>(k) >= m.size() || i >= m[static_cast<std::size_t>(k)].size()) return 0.0;
  return m[static_cast<std::size_t>(k)][i];
}

// The frame place (U pixels along c1, T a fraction of c2) of a weight vector with projections P on
// components 1..3 and squared norm n2; false (and the centre) without a component along 1 or 2.
bool FramePlace(const Workbench& wb, const std::array<double, 6>& P, double n2, double& U, double& T) {
  U = T = 0;
  const double H = wb.NG3D.Box.Height, range = wb.ThreeDscale;
  const double su = wb.SignC1 * wb.NG3D.MirrorC1 * H / (2 * range);
  const double st = wb.SignC2 * wb.NG3D.MirrorC2 * H / (2 * range);
  if (P[0] == 0 || !(n2 > 0)) return false;
  std::array<double, 6> u{};
  if (!NormalisedTrajectoryPoint(P, n2, 1, u)) return false;
  U = su * u[0];
  T = st * u[1] / H;
  return true;
}

// The place of the mean weight vector (frame -2).
bool MeanPlace(const Workbench& wb, double& U, double& T) {
  const std::vector<double> m = MeanWeightVector(wb);
  std::array<double, 6> P{};
  double n2 = 0;
  for (std::size_t i = 0; i < m.size(); ++i) {
    n2 += m[i] * m[i];
    for (int k = 0; k < 3; ++k) P[static_cast<std::size_t>(k)] += m[i] * Component(wb, wb.PrincipalComponents, k, i);
  }
  return FramePlace(wb, P, n2, U, T);
}

// The offsets of frame e's patch and marker; false for frame -2 when the mean has no place.
bool FrameOffsets(const Workbench& wb, int e, double& U, double& T) {
  U = T = 0;
  if (e >= 0) {
    const TFramePosition& p = wb.NG3D.FramePositions[static_cast<std::size_t>(e)];
    U = p.U;
    T = p.T;
    return true;
  }
  if (e == -2) return MeanPlace(wb, U, T);
  return true;
}

// The network's weights are the same after a frame as before it, also when an error ends the frame.
class KeepWeights {
 public:
  explicit KeepWeights(Workbench& wb) : wb_(wb), saved_(FlatWeights(wb)) {}
  ~KeepWeights() { SetFlatWeights(wb_, saved_); }
  KeepWeights(const KeepWeights&) = delete;
  KeepWeights& operator=(const KeepWeights&) = delete;

 private:
  Workbench& wb_;
  std::vector<double> saved_;
};

// The error of the network at weights w by the training-set error.
double TrainingErrorAt(Workbench& wb, const std::vector<double>& w) {
  KeepWeights keep(wb);
  PlaneSamplerOptions o;
  o.Error = PlaneError::TrainingSet;
  o.Eval = HeldEvalOptions(wb);
  o.Threads = 1;
  return PlaneErrorAt(wb, o, w);
}

void FillComparisonSurface(Workbench& wb, int e) {
  SurfaceReference s;
  s.ReferenceEpoch = e;
  s.AnimationWeights = wb.CentreWeights;
  const auto row = [&wb](int k) {
    return k >= 0 && static_cast<std::size_t>(k) < wb.PlotComponents.size() ? wb.PlotComponents[static_cast<std::size_t>(k)]
                                                                            : std::vector<double>();
  };
  s.Component1 = row(wb.C1Index);
  s.Component2 = row(wb.C2Index);
  s.BoxHeight = wb.NG3D.Box.Height;
  for (const TFramePosition& p : wb.NG3D.FramePositions) s.FramePositions.emplace_back(p.U, p.T);
  wb.GTP.ComparisonSurface = std::move(s);
}

}  // namespace

std::vector<double> MeanWeightVector(const Workbench& wb) {
  const std::size_t n = static_cast<std::size_t>(std::max(wb.NumOfWeights, 0));
  std::vector<double> m(n, 0.0);
  const int rows = wb.WMRows;
  if (rows < 1) return m;
  for (std::size_t i = 0; i < n && i < wb.WeightMatrix.size(); ++i) {
    const std::vector<double>& column = wb.WeightMatrix[i];
    double s = 0;
    for (int r = 0; r < rows && static_cast<std::size_t>(r) < column.size(); ++r) s += column[static_cast<std::size_t>(r)];
    m[i] = s / rows;
  }
  return m;
}

bool SetupSurfaceView(Workbench& wb) {
  TNG3D& w = wb.NG3D;
  const int N = wb.NumOfEpochs;
  const std::size_t n = wb.WeightHistory.Shape().RowSize;
  wb.TrajectoryCoords.assign(6, std::vector<double>(static_cast<std::size_t>(N + 1), 0.0));
  for (int e = 0; e <= N; ++e) {
    const auto row = std::as_const(wb.WeightHistory).Row(static_cast<std::size_t>(e));
    for (int k = 0; k < 6; ++k) {
      double s = 0;
      for (std::size_t i = 0; i < n; ++i) s += row[i] * Component(wb, wb.PrincipalComponents, k, i);
      wb.TrajectoryCoords[static_cast<std::size_t>(k)][static_cast<std::size_t>(e)] = s;
    }
  }
  wb.TrajProjected = true;
  w.c1box.SetItemIndex(0);
  w.c2box.SetItemIndex(1);
  SubStep(wb, "961");
  if (!CheckNumber(wb, wb.Form1.L66Edit, "vertical range", false, 1, 24)) return false;
  w.FramePositions.assign(static_cast<std::size_t>(N + 1), TFramePosition{});
  bool warned = false;
  for (int e = 0; e <= N; ++e) {
    const auto ue = static_cast<std::size_t>(e);
    const std::array<double, 6> P = {wb.TrajectoryCoords[0][ue], wb.TrajectoryCoords[1][ue], wb.TrajectoryCoords[2][ue],
                                     0, 0, 0};
    const double n2 = ue < wb.WNormHistory.size() ? wb.WNormHistory[ue] : 0.0;
    double U = 0, T = 0;
    if (!FramePlace(wb, P, n2, U, T) && !warned) {
      warned = true;
      wb.Plat.ShowMessage("Trajectory Warning 2: w[c1]=0");
    }
    const double E = ue < wb.EpochHistory.size() ? wb.EpochHistory[ue].Error : 0.0;
    w.FramePositions[ue] = {static_cast<float>(U), static_cast<float>(T), static_cast<float>(E)};
  }
  SubStep(wb, "966");
  return true;
}

void DrawSurfaceAxes(Workbench& wb) {
  Canvas c(Pictures(wb.NG3D).SurfaceBitmap);
  c.Clear(clWhite);
  DrawSurfaceAxisLabels(wb);
  DrawSurfaceBox(wb);
}

void DrawSurfaceGrid(Workbench& wb, int e) {
  TNG3D& w = wb.NG3D;
  const int P = PSEditValue(wb);
  KeepWeights keep(wb);
  const std::size_t n = static_cast<std::size_t>(std::max(wb.NumOfWeights, 0));
  if (e >= 0) {
    const auto row = std::as_const(wb.WeightHistory).Row(static_cast<std::size_t>(e));
    wb.CentreWeights.assign(row.begin(), row.end());
  } else if (e == -2) {
    wb.CentreWeights = MeanWeightVector(wb);
  } else {
    wb.CentreWeights.assign(n, 0.0);
  }
  Canvas c(Pictures(w).SurfaceBitmap);
  c.SetPenColor(SurfacePenColour(wb));
  c.SetPenWidth(P);
  const SurfaceBox& b = w.Box;
  const double H = b.Height, Hf = H / 2, range = wb.ThreeDscale;
  const double vr = StrToFloat(Trim(wb.Form1.L66Edit.Text()));
  const double VF = H / (vr * static_cast<double>(wb.Layers.back()) * wb.NumOfVectors);
  const int halfH = RoundInt(H / 2), halfL = RoundInt(wb.PlotLines / 2.0), S = wb.ESGridStep;
  const double dc = range / halfH, dl = range / halfL;
  double U = 0, T = 0;
  const bool placed = FrameOffsets(wb, e, U, T);
  if (!placed) wb.Plat.ShowMessage("Error: w_wX=0");

  if (placed && halfL >= 1) {
    const std::size_t values = static_cast<std::size_t>(RoundInt(H / S)) + 3;
    const std::size_t lineCount = static_cast<std::size_t>(wb.PlotLines) + 3;
    MakeSurfaceGrid(w, {wb.PlotLines, S, wb.PointSize, b, range, wb.C1Index, wb.C2Index}, lineCount, values);
    const std::vector<double> none(n, 0.0);
    const auto row = [&](int k) -> const std::vector<double>& {
      return k >= 0 && static_cast<std::size_t>(k) < wb.PlotComponents.size() ? wb.PlotComponents[static_cast<std::size_t>(k)]
                                                                              : none;
    };
    const std::vector<double>& D1 = row(wb.C1Index);
    const std::vector<double>& D2 = row(wb.C2Index);
    const int points = 2 * halfH / S + 1;
    std::vector<PlaneLine> lines;
    for (int fam = 0; fam < 2; ++fam)
      for (int k = -halfL; k <= halfL; ++k) {
        PlaneLine L;
        const std::vector<double>& across = fam == 0 ? D2 : D1;
        L.Base.resize(n);
        for (std::size_t i = 0; i < n; ++i) L.Base[i] = wb.CentreWeights[i] + k * dl * across[i];
        L.Direction = fam == 0 ? &D1 : &D2;
        L.Step = dc;
        L.First = -halfH;
        L.Stride = S;
        L.Count = points;
        lines.push_back(std::move(L));
      }
    const bool vector = wb.Form1.ANVBox.Checked();
    const std::string ersurfPath = wb.Path("DATA/ErSurf.dat");
    std::string ersurf;
    if (vector) {
      if (!FileExists(ersurfPath)) throw FileError("File not found: " + ersurfPath);
      ersurf = "\r\n" + FileNameOf(wb.DataFileName) + "  ";
    }
    const std::size_t perFamily = static_cast<std::size_t>(2 * halfL + 1);
    SamplePlane(wb, lines, SurfaceSamplerOptions(wb), [&](std::size_t index, const std::vector<double>& E) {
      const int fam = index < perFamily ? 0 : 1;
      const int i = static_cast<int>(index % perFamily);
      const int k = i - halfL;
      for (int j = 0; j < points; ++j) {
        const int p = -halfH + j * S;
        const double v = VF * E[static_cast<std::size_t>(j)];
        w.SurfaceGrid[static_cast<std::size_t>(fam)][static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] =
            static_cast<float>(v);
        double a, bb;
        if (fam == 0) {
          a = (p + Hf + U) / H;
          bb = static_cast<double>(k) / (2 * halfL) + 0.5 + T;
        } else {
          a = static_cast<double>(k) / (2 * halfL) + 0.5 + U / H;
          bb = (p + Hf + H * T) / H;
        }
        const QPointF q = SurfacePointF(b, a, bb, v);
        if (j == 0)
          c.MoveTo(RoundInt(q.x()), RoundInt(q.y()));
        else
          c.LineTo(RoundInt(q.x()), RoundInt(q.y()));
        if (fam == 0 && vector && (p + S) % 20 == 0) ersurf += FormatFixed(v, 5) + "  ";
      }
      if (fam == 0 && i == 2 * halfL && vector) {
        AtomicOfstream out(ersurfPath, std::ios::binary | std::ios::app);  // a line appended whole or not at all
        out << ersurf;
        if (!out.commit()) throw FileError("Cannot write " + ersurfPath);
      }
    });
    w.GridReady = true;
  }
  wb.Plat.HideWindow("Form4");
  const int W = b.PictureWidth;
  c.SetFontColor(clBlack);
  c.SetFontSize((wb.FontPct < 122 ? 13 : 11) * wb.PointSize);
  c.TextOut(RoundInt(0.8 * W), RoundInt(0.92 * W), "epoch=" + IntToStr(e));
  c.SetPenColor(clWhite);
  c.SetPenWidth(2);
  const int Hp = b.PictureHeight;
  c.MoveTo(0, 0);
  c.LineTo(W - 1, 0);
  c.LineTo(W - 1, Hp - 1);
  c.LineTo(0, Hp - 1);
  c.LineTo(0, 0);
}

void DrawSurfaceFrame(Workbench& wb, int e, int keepPositions) {
  TNG3D& w = wb.NG3D;
  HourglassGuard hourglass(wb.Plat);
  double VF = 0;
  if (!TrajectoryVerticalFactor(wb, VF)) return;
  w.ReDrawEdit.SetText(IntToStr(e));
  w.ReDrawEdit.Repaint();
  if (keepPositions == 0 && !SetupSurfaceView(wb)) return;
  // A frame needs the epoch's weights and place; the pipeline checked its epoch, the buttons theirs.
  if (e > wb.NumOfEpochs || (e >= 0 && static_cast<std::size_t>(e) >= w.FramePositions.size())) return;
  DrawSurfaceAxes(wb);
  DrawSurfaceGrid(wb, e);
  DrawTrajectory(wb);

  Canvas c(Pictures(w).SurfaceBitmap);
  c.SetPenColor(clRed);
  c.SetPenWidth(wb.PointSize);
  const SurfaceBox& b = w.Box;
  const double H = b.Height;
  double U = 0, T = 0;
  double a = 0.5, bb = 0.5;
  if (e >= 0 || e == -2) {
    if (FrameOffsets(wb, e, U, T)) {
      a = (H / 2 + U) / H;
      bb = 0.5 + T;
    }
  }
  const QPointF foot = SurfacePointF(b, a, bb, 0);
  c.Line(RoundInt(foot.x() - 4), RoundInt(foot.y() - 4), RoundInt(foot.x() + 4), RoundInt(foot.y() + 4));
  c.Line(RoundInt(foot.x() + 4), RoundInt(foot.y() - 4), RoundInt(foot.x() - 4), RoundInt(foot.y() + 4));
  c.MoveTo(RoundInt(foot.x()), RoundInt(foot.y()));
  double v = 0;
  if (e >= 0)
    v = VF * wb.EpochHistory[static_cast<std::size_t>(e)].Error;
  else if (e == -2)
    v = VF * TrainingErrorAt(wb, MeanWeightVector(wb));
  else
    v = VF * TrainingErrorAt(wb, std::vector<double>(static_cast<std::size_t>(std::max(wb.NumOfWeights, 0)), 0.0));
  const QPointF top = SurfacePointF(b, a, bb, v);
  c.LineTo(RoundInt(top.x()), RoundInt(top.y()));
  w.ShowBitmap();
  w.SurfaceDrawn = true;
  FillComparisonSurface(wb, e);
}

void SurfaceFrameButton(Workbench& wb, char button) {
  TNG3D& w = wb.NG3D;
  const int N = wb.NumOfEpochs;
  // Only the frames of the surface shown: a new training or surface clears them.
  if (!w.SurfaceDrawn || !wb.ESDone || w.FramePositions.size() != static_cast<std::size_t>(N + 1)) return;
  // A frame is sampled on the components in use around recorded weights, all of this network.
  if (!ComponentsFitFor(wb, "Surface frame")) return;
  if (!HistoryFitsNetwork(wb)) {
    wb.Plat.ShowMessage(AgainMessage("Surface frame"));
    return;
  }
  const int e = StrToInt(Trim(w.ReDrawEdit.Text()));
  if (button == '=' && -1 <= e && e <= N) DrawSurfaceFrame(wb, e, 1);
  if (button == '>' && -2 < e && e < N) DrawSurfaceFrame(wb, e + 1, 1);
  if (button == '<' && -1 < e && e <= N) DrawSurfaceFrame(wb, e - 1, 1);
}

}  // namespace wl

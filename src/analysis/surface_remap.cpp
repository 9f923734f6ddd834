#include "analysis/surface_remap.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <utility>

#include "analysis/canvas.h"
#include "analysis/error_surface.h"
#include "analysis/ng3d_pictures.h"
#include "model/eval_options.h"
#include "model/plane_sampler.h"
#include "model/read_parameters.h"
#include "state/analysis_shapes.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "state/workbench.h"

namespace wl {

namespace {

constexpr int kPrepared = 427, kPreparedHalf = 213, kModified = 299, kModifiedHalf = 149;

std::vector<double> Row(const std::vector<std::vector<double>>& m, int i, std::size_t n) {
  return i >= 0 && static_cast<std::size_t>(i) < m.size() ? m[static_cast<std::size_t>(i)] : std::vector<double>(n, 0.0);
}

// The centre of the plane: the weights of "ES fixed at epoch", or the zero point for a negative epoch.
// False (after a message) for an epoch the training did not record.
bool CentreOfPlane(Workbench& wb) {
  const int z = StrToInt(Trim(wb.Form1.ESFixedEdit.Text()));
  const std::size_t n = static_cast<std::size_t>(std::max(wb.NumOfWeights, 0));
  wb.CentreWeights.assign(n, 0.0);
  if (z < 0) return true;
  if (z > wb.NumOfEpochs || static_cast<std::size_t>(z) >= wb.WeightHistory.Rows()) {
    wb.Plat.ShowMessage("ES fixed at epoch " + IntToStr(z) + " is beyond the last epoch " + IntToStr(wb.NumOfEpochs));
    return false;
  }
  const auto row = std::as_const(wb.WeightHistory).Row(static_cast<std::size_t>(z));
  std::copy_n(row.begin(), std::min(n, row.size()), wb.CentreWeights.begin());
  return true;
}

double Dot(const std::vector<double>& a, const std::vector<double>& b) {
  double s = 0.0;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) s += a[i] * b[i];
  return s;
}
double Norm(const std::vector<double>& a) { return std::sqrt(Dot(a, a)); }
// Divided by its length; a vector of length 0 stays.
void Normalise(std::vector<double>& a) {
  const double n = Norm(a);
  if (n > 0.0)
    for (double& x : a) x /= n;
}

std::vector<double> HistoryRow(const Workbench& wb, int e) {
  const auto row = std::as_const(wb.WeightHistory).Row(static_cast<std::size_t>(e));
  return {row.begin(), row.end()};
}

std::vector<double> Difference(const std::vector<double>& a, const std::vector<double>& b) {
  std::vector<double> d(a.size());
  for (std::size_t i = 0; i < a.size(); ++i) d[i] = a[i] - b[i];
  return d;
}

// A recorded training and a surface: the direction tables need both.
bool DirectionsReady(Workbench& wb, const char* command) {
  if (!wb.ESDone || wb.NumOfEpochs < 1 || wb.WeightHistory.Rows() <= static_cast<std::size_t>(wb.NumOfEpochs) ||
      wb.EpochHistory.size() <= static_cast<std::size_t>(wb.NumOfEpochs)) {
    wb.Plat.ShowMessage(SurfaceFirstMessage);
    return false;
  }
  // The components and the recorded training must be of the network as it stands.
  if (!HistoryFitsNetwork(wb)) {
    wb.Plat.ShowMessage(AgainMessage(command));
    return false;
  }
  return ComponentsFitFor(wb, command);
}

std::string Cos(double v) {
  std::string s = v > -0.000005 ? " " : "";
  s += FormatFixed(v, 5);
  s += "   ";
  return s;
}

void OpenOut(AtomicOfstream& out, const std::string& path) {
  out.open(path, std::ios::binary | std::ios::trunc);
  if (!out) throw FileError("Cannot create file " + path);
}

}  // namespace

void RemapSource(int x, int y, double fi, int& xs, int& ys) {
  const double r = std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y);
  double theta = std::asin(x / r);
  if (y < 0) theta = std::numbers::pi - theta;
  const double dtheta = fi * std::numbers::pi / 180 * std::sin(1.5 * std::numbers::pi * r / 200);
  xs = RoundInt(r * std::sin(theta + dtheta));
  ys = RoundInt(r * std::cos(theta + dtheta));
}

double RaisedValue(double v, double r, double T, double hv) {
  const double h = ((50 - r) / 50) * hv + 1;
  if (v < T && r > 50) return ((T - v) * h / T + 1) * v;
  return v;
}

void PrepareSurfaceModification(Workbench& wb) {
  // The fine grid spans the components of the surface shown around a recorded epoch: both must be of
  // the network as it stands.
  if (!ComponentsFitFor(wb, "Prepare Modifications")) return;
  if (!HistoryFitsNetwork(wb)) {
    wb.Plat.ShowMessage(AgainMessage("Prepare Modifications"));
    return;
  }
  HourglassGuard hourglass(wb.Plat);
  if (!CentreOfPlane(wb)) return;
  if (!CheckNumber(wb, wb.Form1.L66Edit, "vertical range", false, 1, 24)) return;
  const double vr = StrToFloat(Trim(wb.Form1.L66Edit.Text()));
  const double f = wb.NG3D.Box.Height * (1 / vr) /
                   (static_cast<double>(wb.Layers[static_cast<std::size_t>(wb.NumOfLayers - 1)]) * wb.NumOfVectors);
  wb.PixelStep = wb.LineStep = wb.ThreeDscale / kPreparedHalf;

  wb.Form4.Top = wb.NG3D.Top + wb.NG3D.PanelHeight + 50;
  wb.Form4.Left = RoundInt(wb.NG3D.Width * 0.5) + wb.NG3D.Left - 100;
  wb.Form4.Label1.SetCaption("0%  ");
  wb.Plat.ShowWindow("Form4");
  wb.Form4.Label1.Repaint();
  for (std::size_t l = 1; l < wb.Net.size(); ++l)
    for (TNeuron& nr : wb.Net[l]) nr.OldWeights = nr.Weights;

  const std::size_t n = wb.CentreWeights.size();
  const std::vector<double> d1 = Row(wb.PlotComponents, wb.C1Index, n);
  const std::vector<double> d2 = Row(wb.PlotComponents, wb.C2Index, n);
  std::vector<PlaneLine> lines(kPrepared);
  for (int i = -kPreparedHalf; i <= kPreparedHalf; ++i) {
    PlaneLine& L = lines[static_cast<std::size_t>(i + kPreparedHalf)];
    L.Base.resize(n);
    for (std::size_t k = 0; k < n; ++k) L.Base[k] = i * d2[k] * wb.LineStep * wb.C2Scale + wb.CentreWeights[k];
    L.Direction = &d1;
    L.Step = wb.PixelStep;
    L.First = -kPreparedHalf;
    L.Count = kPrepared;
  }
  PlaneSamplerOptions o;
  o.Error = PlaneError::Compute;
  o.Eval = HeldEvalOptions(wb);
  o.Threads = wb.SamplerThreads;
  wb.PreparedGrid.assign(static_cast<std::size_t>(kPrepared) * kPrepared, 0.0f);
  int shown = 0;
  SamplePlane(wb, lines, o, [&](std::size_t row, const std::vector<double>& values) {
    for (std::size_t j = 0; j < values.size(); ++j)
      wb.PreparedGrid[row * kPrepared + j] = static_cast<float>(f * values[j]);
    const int p = RoundInt(static_cast<double>(row) * 100 / 426);
    if (p > shown) {
      shown = p;
      wb.Form4.Label1.SetCaption(IntToStr(p) + "% ");
      wb.Form4.Label1.Repaint();
    }
  });
  // The network is left at the last point of the grid.
  std::vector<double> last = lines.back().Base;
  for (std::size_t k = 0; k < n; ++k) last[k] += (kPreparedHalf * wb.PixelStep) * d1[k];
  SetFlatWeights(wb, last);
  wb.GridPrepared = true;
  wb.PreparedGridMadeFor = CurrentNetworkShape(wb);
  wb.Plat.HideWindow("Form4");
}

void ModifySurfacePlot(Workbench& wb) {
  // A fine grid of another network is no grid of this one.
  if (!PreparedGridFits(wb)) {
    wb.Plat.ShowMessage(PrepareFirstMessage);
    return;
  }
  const int ps = std::max(1, StrToInt(Trim(wb.Form1.PSEdit.Text())));
  if (!PointSizeMakesPicture(wb, ps)) return;
  wb.PointSize = ps;
  HourglassGuard hourglass(wb.Plat);
  TNG3D& w = wb.NG3D;
  w.MirrorC1 = w.MirrorC2 = 1;
  w.Box = SurfaceBoxFor(ps);
  const SurfaceBox& b = w.Box;
  QImage& bitmap = Pictures(w).SurfaceBitmap;
  bitmap = MakePicture(b.PictureWidth, b.PictureHeight);

  const std::string path = wb.ResultsPrefix + "_impeps.txt";
  AtomicOfstream out;
  OpenOut(out, path);
  wb.PixelStep = wb.LineStep = wb.ThreeDscale / kModifiedHalf;
  const std::string er = Trim(w.erEdit.Text());
  const double T =
      er.empty() ? 80.0 : b.Height * StrToFloat(er) / (static_cast<double>(wb.NumOfVectors) * wb.NumOfClasses);
  const double fi = StrToFloat(Trim(wb.Form1.fiEdit.Text()));
  const double hv = StrToFloat(Trim(wb.Form1.VertEdit.Text()));

  wb.ModifiedGrid.resize(static_cast<std::size_t>(kModified) * kModified, 0.0f);
  auto prepared = [&](int xs, int ys) {
    return static_cast<double>(
        wb.PreparedGrid[static_cast<std::size_t>(ys + kPreparedHalf) * kPrepared + static_cast<std::size_t>(xs + kPreparedHalf)]);
  };
  auto modified = [&](int x, int y) -> float& {
    return wb.ModifiedGrid[static_cast<std::size_t>(y + kModifiedHalf) * kModified + static_cast<std::size_t>(x + kModifiedHalf)];
  };
  for (int y = -kModifiedHalf; y <= kModifiedHalf; ++y)
    for (int x = -kModifiedHalf; x <= kModifiedHalf; ++x) {
      if (x == 0 && y == 0) continue;  // the centre keeps its value
      const double r = std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y);
      int xs = 0, ys = 0;
      RemapSource(x, y, fi, xs, ys);
      modified(x, y) = static_cast<float>(RaisedValue(prepared(xs, ys), r, T, hv));
    }

  wb.PointSize = ps;
  DrawSurfaceAxisLabels(wb);
  Canvas c(bitmap);
  c.SetBrushColor(clWhite);
  c.FillRect(0, 0, bitmap.width() - 1, bitmap.height() - 1);
  DrawSurfaceBoxEdges(b, c, ps);
  DrawSurfaceAxisLabels(wb);
  const std::int64_t pen = SurfacePenColour(wb);
  c.SetPenColor(pen);
  c.SetPenWidth(ps);
  const double H = b.Height;
  for (int y = -kModifiedHalf; y < kModifiedHalf; y += 11) {
    const double t = y / 298.0 + 0.5;
    for (int x = -kModifiedHalf; x <= kModifiedHalf; ++x) {
      const double X0 = ps * x + H / 2;
      const double hgt = ps * static_cast<double>(modified(x, y));
      if (x % 8 == 0) out << FormatReal(hgt) << "  ";
      c.SetPenColor(hgt > -5 ? pen : clRed);
      const double a = (1 - X0 / H) * b.Axis1DX;
      const double bb = hgt - (b.Axis1DX - a) * b.Axis1DY / b.Axis1DX;
      const int X = RoundInt(b.Left + a + b.Axis2DX * t);
      const int Y = RoundInt(b.PictureHeight - b.Axis1DY - b.Top - ((1 - t) * b.Axis2DY + bb));
      if (x == -kModifiedHalf)
        c.MoveTo(X, Y);
      else
        c.LineTo(X, Y);
    }
    out << "\r\n";
  }
  out.close();
  if (!out) throw FileError("Cannot write file " + path);
  for (int x = -kModifiedHalf; x < kModifiedHalf; x += 11) {
    const double t = x / 298.0 + 0.5;
    for (int y = -kModifiedHalf; y <= kModifiedHalf; ++y) {
      const double X0 = ps * y + H / 2;
      const double hgt = ps * static_cast<double>(modified(x, y));
      const double cc = b.Axis2DX * X0 / H;
      const double d = hgt - b.Axis2DY * cc / b.Axis2DX;
      const int X = RoundInt(b.Left + cc + (1 - t) * b.Axis1DX);
      const int Y = RoundInt(b.PictureHeight - b.Axis2DY - (b.Top + d + (1 - t) * b.Axis1DY));
      if (y == -kModifiedHalf || hgt == 330)
        c.MoveTo(X, Y);
      else
        c.LineTo(X, Y);
    }
  }
  w.ShowBitmap();
}

void WriteTrainingDirections(Workbench& wb) {
  if (!DirectionsReady(wb, "Training Directions")) return;
  const int N = wb.NumOfEpochs;
  std::vector<std::vector<double>> W, U;
  std::vector<double> n;
  for (int e = 0; e <= N; ++e) {
    W.push_back(HistoryRow(wb, e));
    n.push_back(Norm(W.back()));
    U.push_back(W.back());
    Normalise(U.back());
  }
  const std::size_t nw = W[0].size();
  std::vector<double> P(nw, 0.0);
  for (int c = 0; c < wb.NumOfComponents && static_cast<std::size_t>(c) < wb.PrincipalComponents.size() &&
                  static_cast<std::size_t>(c) < wb.Eigenvalues.size();
       ++c)
    for (std::size_t i = 0; i < nw && i < wb.PrincipalComponents[static_cast<std::size_t>(c)].size(); ++i)
      P[i] += wb.Eigenvalues[static_cast<std::size_t>(c)] * wb.PrincipalComponents[static_cast<std::size_t>(c)][i];
  Normalise(P);
  std::vector<std::vector<double>> S(static_cast<std::size_t>(N) + 1, std::vector<double>(nw, 0.0));
  for (int e = 1; e <= N; ++e) {
    S[static_cast<std::size_t>(e)] = Difference(W[static_cast<std::size_t>(e)], W[static_cast<std::size_t>(e) - 1]);
    Normalise(S[static_cast<std::size_t>(e)]);
  }
  std::vector<double> R = Difference(W[static_cast<std::size_t>(N)], W[0]);
  Normalise(R);

  const std::string path = wb.ResultsPrefix + "_TRdir.txt";
  AtomicOfstream out;
  OpenOut(out, path);
  const std::string sN = IntToStr(N);
  out << "  cos(W[e],PCA)   cos(W[e]-W[e-1],PCA)   Error[e]    ||W[e]||   cos(W[e],W[" << sN
      << "])     cos(W[e]-W[e-1],W[" << sN << "]-W[0])  cos(W[e],PCA)   cos(W[e]-W[e-1],PCA)\r\n";
  const double e0 = wb.EpochHistory[0].Error;
  for (int e = 0; e < N; ++e) {
    const auto ue = static_cast<std::size_t>(e);
    const double values[8] = {-Dot(U[ue], P),
                              -Dot(S[ue + 1], P),
                              wb.EpochHistory[ue].Error / e0,
                              n[ue] / n[static_cast<std::size_t>(N)],
                              Dot(U[ue], U[static_cast<std::size_t>(N)]),
                              Dot(S[ue + 1], R),
                              Dot(U[ue], P),
                              Dot(S[ue + 1], P)};
    static const char* const seps[8] = {"  ", "        ", "    ", "   ", "   ", "       ", "       ", "        "};
    for (int v = 0; v < 8; ++v) out << seps[v] << FormatReal(values[v]);
    out << "\r\n";
  }
  out.close();
  if (!out) throw FileError("Cannot write file " + path);
}

void WriteAllDirections(Workbench& wb) {
  if (!DirectionsReady(wb, "All Directions")) return;
  const std::size_t NW = static_cast<std::size_t>(std::max(wb.NumOfWeights, 0));
  auto usable = [NW](const std::vector<std::vector<double>>& m, std::size_t rows) {
    if (m.size() < rows) return false;
    for (std::size_t r = 0; r < 2; ++r)
      if (m[r].size() < NW || Norm(m[r]) == 0.0) return false;
    return true;
  };
  if (!usable(wb.MatlabComponents, 2) || !usable(wb.ICAComponents, 5) || wb.Eigenvalues.size() < 5) {
    wb.Plat.ShowMessage(ExchangeRowsMessage);
    return;
  }
  const int N = wb.NumOfEpochs;
  std::vector<std::vector<double>> W;
  for (int e = 0; e <= N; ++e) W.push_back(HistoryRow(wb, e));
  auto head = [NW](const std::vector<double>& v) { return std::vector<double>(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(NW)); };
  auto weighted = [&](const std::vector<std::vector<double>>& rows, int count) {
    std::vector<double> s(NW, 0.0);
    for (int c = 0; c < count && static_cast<std::size_t>(c) < rows.size(); ++c)
      for (std::size_t i = 0; i < NW && i < rows[static_cast<std::size_t>(c)].size(); ++i)
        s[i] += wb.Eigenvalues[static_cast<std::size_t>(c)] * rows[static_cast<std::size_t>(c)][i];
    return s;
  };
  std::vector<double> ones(NW, 1.0 / std::sqrt(static_cast<double>(NW)));
  std::vector<double> traject = Difference(W[static_cast<std::size_t>(N)], W[0]);
  auto makeSet = [&](const std::vector<std::vector<double>>& rows, int allCount) {
    std::vector<std::vector<double>> set(6);
    set[0] = head(rows[0]);
    set[1] = head(rows[1]);
    set[2] = weighted(rows, 2);
    set[3] = weighted(rows, allCount);
    set[4] = ones;
    set[5] = traject;
    for (std::vector<double>& v : set) Normalise(v);
    return set;
  };
  const std::vector<std::vector<double>> A = makeSet(wb.MatlabComponents, wb.NumOfComponents);
  const std::vector<std::vector<double>> B = makeSet(wb.ICAComponents, 5);

  const std::string path = wb.ResultsPrefix + "_IPdir.txt";
  AtomicOfstream out;
  OpenOut(out, path);
  out << "           PCA_c1     PCA_c2    PCA_c1+c2   PCA_all    ||1||      traject\r\n\r\n";
  static const char* const icaLabels[6] = {"ICA_c1    ", "ICA_c2    ", "ICA_c1+c2 ", "ICA_all   ", "||1||     ", "traject   "};
  for (int i = 0; i < 6; ++i) {
    out << icaLabels[i];
    for (int j = 0; j < 6; ++j) out << Cos(Dot(B[static_cast<std::size_t>(i)], A[static_cast<std::size_t>(j)]));
    out << "\r\n";
  }
  // The PCA directions against one another.
  static const char* const pcaLabels[4] = {"PCA_c1    ", "PCA_c2    ", "PCA_c1+c2 ", "PCA_all   "};
  for (int i = 0; i < 4; ++i) {
    out << pcaLabels[i];
    for (int j = 0; j < 6; ++j) out << Cos(Dot(A[static_cast<std::size_t>(i)], A[static_cast<std::size_t>(j)]));
    out << "\r\n";
  }
  out << "\r\n";

  out << "cos(W[e1],W[e2] (each W from zero point)\r\n\r\n";
  std::vector<std::vector<double>> U = W;
  for (std::vector<double>& u : U) Normalise(u);
  for (int e1 = 0; e1 <= N; ++e1)
    for (int e2 = 0; e2 <= e1; ++e2) out << Cos(Dot(U[static_cast<std::size_t>(e1)], U[static_cast<std::size_t>(e2)]));
  out << "\r\n\r\n";

  std::vector<std::vector<double>> S(static_cast<std::size_t>(N));
  std::vector<double> curt(static_cast<std::size_t>(N)), tot(static_cast<std::size_t>(N)), totOne(static_cast<std::size_t>(N)),
      totPca(static_cast<std::size_t>(N));
  for (int e = 0; e < N; ++e) {
    const auto ue = static_cast<std::size_t>(e);
    S[ue] = Difference(W[ue + 1], W[ue]);
    curt[ue] = Norm(S[ue]);
    Normalise(S[ue]);
    out << "TC=" << (e < 100 ? " " : "") << (e < 10 ? " " : "") << e << "    ";
    for (int j = 0; j < 6; ++j) out << Cos(Dot(A[static_cast<std::size_t>(j)], S[ue]));
    out << "\r\n";
    std::vector<double> D = Difference(W[ue + 1], W[0]);
    tot[ue] = Norm(D);
    Normalise(D);
    totOne[ue] = Dot(D, A[4]);
    totPca[ue] = Dot(D, A[3]);
  }
  out << "\r\n\r\ntot_dist     curt_dist   tot_a|1|   tot_a_pca_a   cur_angles\r\n\r\n";
  for (int e = 0; e < N; ++e) {
    const auto ue = static_cast<std::size_t>(e);
    const double cd = curt[ue];
    out << FormatFixed(tot[ue], 5) << ' ' << (cd > -0.000005 ? " " : "") << (cd < 9.999995 ? " " : "")
        << (cd < 99.999995 ? " " : "") << FormatFixed(cd, 5) << "   " << Cos(totOne[ue]) << Cos(totPca[ue]);
    for (int e2 = 0; e2 <= e; ++e2) out << Cos(Dot(S[static_cast<std::size_t>(e2)], S[ue]));
    out << "\r\n";
  }
  out.close();
  if (!out) throw FileError("Cannot write file " + path);
}

void PCAICADirections(Workbench&) {}

}  // namespace wl

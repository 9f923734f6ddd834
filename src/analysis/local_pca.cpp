#include "analysis/local_pca.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "analysis/canvas.h"
#include "analysis/ng3d_pictures.h"
#include "analysis/surface_remap.h"
#include "model/eval_options.h"
#include "model/plane_sampler.h"
#include "model/read_parameters.h"
#include "state/analysis_shapes.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "state/workbench.h"

namespace wl {

namespace {

// What a segment's end epoch says of the local analysis; nothing is computed yet.
double SegmentEpochValue(Workbench&, int) { return 0.0; }

std::vector<double> Head(const std::vector<std::vector<double>>& m, std::size_t row, std::size_t n) {
  std::vector<double> v(n, 0.0);
  if (row < m.size()) std::copy_n(m[row].begin(), std::min(n, m[row].size()), v.begin());
  return v;
}

}  // namespace

int SegmentStartEpoch(int epochs, int k) { return RoundInt(static_cast<double>(epochs) * k / 4); }

void RunLocalPCA(Workbench& wb) {
  if (!wb.ESDone) {
    wb.Plat.ShowMessage(SurfaceFirstMessage);
    return;
  }
  // The planes take the lines, range and components of the surface shown, and its centre from the
  // recorded training: all of them for this network, and a surface of two lines or more.
  if (!SurfaceGridFits(wb.NG3D) || wb.PlotLines < 2 || !ComponentsFit(wb) || !HistoryFitsNetwork(wb)) {
    wb.Plat.ShowMessage(AgainMessage("Local PCA"));
    return;
  }
  wb.LocalPCASegments.assign(4, TPD{});
  for (int k = 0; k < 4; ++k) {
    FillLocalPCASegment(wb, k);
    DrawLocalPCASurface(wb, k);
  }
}

void FillLocalPCASegment(Workbench& wb, int k) {
  if (wb.LocalPCASegments.size() < 4) wb.LocalPCASegments.resize(4);
  TPD& s = wb.LocalPCASegments[static_cast<std::size_t>(k)];
  const std::size_t n = static_cast<std::size_t>(std::max(wb.NumOfWeights, 0));
  s.Dir1 = Head(wb.PrincipalComponents, 0, n);
  s.Dir2 = Head(wb.PrincipalComponents, 1, n);
  s.SegEigenvalues.assign(n, 0.0);
  std::copy_n(wb.Eigenvalues.begin(), std::min(n, wb.Eigenvalues.size()), s.SegEigenvalues.begin());
  s.Ready = true;
  s.StartEpoch = SegmentStartEpoch(wb.NumOfEpochs, k);
  s.EndEpoch = SegmentStartEpoch(wb.NumOfEpochs, k + 1);
  s.StartValue = SegmentEpochValue(wb, s.StartEpoch);
  s.EndValue = SegmentEpochValue(wb, s.EndEpoch);
}

void DrawLocalPCASurface(Workbench& wb, int) {
  TNG3D& w = wb.NG3D;
  const int z = StrToInt(Trim(wb.Form1.ESFixedEdit.Text()));
  const std::size_t n = static_cast<std::size_t>(std::max(wb.NumOfWeights, 0));
  if (z > wb.NumOfEpochs || (z >= 0 && static_cast<std::size_t>(z) >= wb.WeightHistory.Rows())) {
    wb.Plat.ShowMessage("ES fixed at epoch " + IntToStr(z) + " is beyond the last epoch " + IntToStr(wb.NumOfEpochs));
    return;
  }
  wb.CentreWeights.assign(n, 0.0);
  if (z >= 0) {
    const auto row = std::as_const(wb.WeightHistory).Row(static_cast<std::size_t>(z));
    std::copy_n(row.begin(), std::min(n, row.size()), wb.CentreWeights.begin());
  }
  Canvas c(Pictures(w).SurfaceBitmap);
  const int ci = w.ColorBox1.ItemIndex();
  c.SetPenColor(ci >= 0 && static_cast<std::size_t>(ci) < ng3d_items::ColorValues.size()
                    ? ng3d_items::ColorValues[static_cast<std::size_t>(ci)]
                    : clBlack);
  c.SetPenWidth(wb.PointSize);
  if (!CheckNumber(wb, wb.Form1.L66Edit, "vertical range", false, 1, 24)) return;
  const SurfaceBox& b = w.Box;
  const double vr = StrToFloat(Trim(wb.Form1.L66Edit.Text()));
  const double V = b.Height * (1 / vr) /
                   (static_cast<double>(wb.Layers[static_cast<std::size_t>(wb.NumOfLayers - 1)]) * wb.NumOfVectors);
  const int half = RoundInt(b.Height / 2.0), halfL = RoundInt(wb.PlotLines / 2.0);
  const double R = wb.ThreeDscale, f = wb.C2Scale;
  const double s1 = R / half, s2 = R / halfL;
  wb.PixelStep = s1;
  wb.LineStep = s2;

  wb.Form4.Top = w.Top + w.PanelHeight + 50;
  wb.Form4.Left = w.Left + RoundInt(w.Width * 0.5) - 100;
  wb.Form4.Label1.SetCaption("0%  ");
  wb.Plat.ShowWindow("Form4");
  wb.Form4.Label1.Repaint();
  for (std::size_t l = 1; l < wb.Net.size(); ++l)
    for (TNeuron& nr : wb.Net[l]) nr.OldWeights = nr.Weights;

  const std::vector<double> P1 = Head(wb.PlotComponents, static_cast<std::size_t>(wb.C1Index), n);
  const std::vector<double> P2 = Head(wb.PlotComponents, static_cast<std::size_t>(wb.C2Index), n);
  const std::size_t perFamily = static_cast<std::size_t>(2 * halfL + 1);
  std::vector<PlaneLine> lines;
  for (int fam = 0; fam < 2; ++fam)
    for (int j = -halfL; j <= halfL; ++j) {
      PlaneLine L;
      L.Base.resize(n);
      for (std::size_t i = 0; i < n; ++i)
        L.Base[i] = fam == 0 ? wb.CentreWeights[i] + j * s2 * f * P2[i] : wb.CentreWeights[i] + j * s2 * P1[i];
      L.Direction = fam == 0 ? &P1 : &P2;
      L.Step = fam == 0 ? s1 : s1 * f;
      L.First = -half;
      L.Count = 2 * half + 1;
      lines.push_back(std::move(L));
    }
  // Every pixel of a line, whatever the surface's quality.
  MakeSurfaceGrid(w, {wb.PlotLines, 1, wb.PointSize, b, R, wb.C1Index, wb.C2Index}, perFamily,
                  static_cast<std::size_t>(2 * half + 1));
  PlaneSamplerOptions o;
  o.Error = PlaneError::Compute;
  o.Eval = HeldEvalOptions(wb);
  o.Threads = wb.SamplerThreads;
  const double H = b.Height;
  SamplePlane(wb, lines, o, [&](std::size_t index, const std::vector<double>& values) {
    const int fam = index < perFamily ? 0 : 1;
    const std::size_t line = index % perFamily;
    const int j = static_cast<int>(line) - halfL;
    const double t = static_cast<double>(j) / (2 * halfL) + 0.5;
    for (std::size_t p = 0; p < values.size(); ++p) {
      const int i = static_cast<int>(p) - half;
      const double h = V * 0.8 * values[p];
      w.SurfaceGrid[static_cast<std::size_t>(fam)][line][p] = static_cast<float>(h);
      int X, Y;
      if (fam == 0) {
        const double x = H / 2 + i;
        X = RoundInt(b.Left + b.Axis1DX * (1 - x / H) + b.Axis2DX * t);
        Y = RoundInt(b.PictureHeight - b.Axis1DY - b.Top -
                     (b.Axis2DY * (1 - t) + h - b.Axis1DY * (b.Axis1DX - b.Axis1DX * (1 - x / H)) / b.Axis1DX));
      } else {
        const double d = b.Axis2DX * (H / 2 + i) / H;
        X = RoundInt(b.Left + b.Axis1DX * (1 - t) + d);
        Y = RoundInt(b.PictureHeight - b.Axis2DY - (b.Axis1DY * (1 - t) + b.Top + h - b.Axis2DY * d / b.Axis2DX));
      }
      if (p == 0)
        c.MoveTo(X, Y);
      else
        c.LineTo(X, Y);
    }
    if (line % 2 == 1) {
      const double pct = (fam == 0 ? 50.0 : 100.0) * (j + halfL) / (4 * halfL);
      wb.Form4.Label1.SetCaption(IntToStr(RoundInt(pct)) + "%");
      wb.Form4.Label1.Repaint();
    }
  });
  // The network is left at the last point of the grid.
  std::vector<double> last = lines.back().Base;
  for (std::size_t i = 0; i < n; ++i) last[i] += half * s1 * f * P2[i];
  SetFlatWeights(wb, last);
  wb.Plat.HideWindow("Form4");
  w.ShowBitmap();
}

}  // namespace wl

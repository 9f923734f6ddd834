#include "analysis/trajectory_1d.h"

#include <algorithm>
#include <cmath>

#include "analysis/canvas.h"
#include "analysis/error_surface.h"
#include "analysis/eform_pictures.h"
#include "analysis/picture_saving.h"
#include "analysis/trajectory_2d.h"
#include "analysis/trajectory_points.h"
#include "model/error_functions.h"
#include "state/analysis_shapes.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "training/prepare_run.h"

namespace wl {

int TrajectoryEpochStep(int n) {
  static const struct {
    int Above, Step;
  } kSteps[] = {{25, 1},        {50, 2},         {100, 5},        {250, 10},        {500, 20},
                {1000, 50},     {2500, 100},     {5000, 200},     {10000, 500},     {25000, 1000},
                {50000, 2000},  {100000, 5000},  {250000, 10000}, {500000, 20000},  {1000000, 50000},
                {2500000, 100000}, {5000000, 200000}, {10000000, 500000}, {25000000, 1000000}};
  int k = 0;
  for (const auto& s : kSteps)
    if (n > s.Above) k = s.Step;
  k *= 2;
  return k == 0 ? 1 : k;
}

std::string TrajectoryAxisNote(int epochs, int axisEnd, int component) {
  return "Epochs 0 to " + IntToStr(epochs) + " trained; the axis runs on to " + IntToStr(axisEnd) +
         " for the target: Ctrl+click at the height component " + IntToStr(component + 1) +
         " should reach, then \"TR EX\".";
}

void DrawTrajectory1D(Workbench& wb) {
  TEForm& w = wb.EForm;
  wb.PointSize = StrToInt(Trim(wb.Form1.PSEdit.Text()));
  const int ps = wb.PointSize;
  const int c = std::max(0, w.c1box.ItemIndex());
  const int E = std::max(0, wb.NumOfEpochs);

  EFormPictures& pics = Pictures(w);
  pics.Picture = MakePicture(ps * w.PlotWidth, ps * w.PlotHeight);
  w.SetCaption(TrajectoryCaption(wb, "Trajectory 1D"));
  const double D = static_cast<double>(RoundInt((w.PlotHeight - 60) * 0.05) * ps);
  const int N = 2 * E;
  const int k = TrajectoryEpochStep(N);
  const int n = std::max(1, (N + k - 1) / k);
  const double G = static_cast<double>(ps) * (w.PlotWidth - 70) / n;
  const double Q = G / k;

  Canvas cv(pics.Picture);
  cv.SetFontSize(12 * ps);
  cv.SetBrushColor(clWhite);
  cv.FillRect(0, 0, ps * w.PlotWidth, ps * w.PlotHeight);
  cv.SetPenColor(0xC0C0C0);
  cv.SetPenWidth(ps);
  const int bottom = RoundInt(20 * D) + 20 * ps;
  for (int i = 0; i <= n; ++i) {
    const int x = RoundInt(i * G) + 50 * ps;
    cv.Line(x, 20 * ps, x, bottom);
    cv.TextOut(RoundInt(i * G) + 40 * ps, RoundInt(20 * D) + 30 * ps, IntToStr(static_cast<std::int64_t>(i) * k));
  }
  for (int j = 0; j <= 20; ++j) {
    const int y = RoundInt(j * D) + 20 * ps;
    cv.Line(50 * ps, y, ps * w.PlotWidth - 20 * ps, y);
    cv.TextOut((j > 10 ? 7 : 12) * ps, RoundInt(j * D) + 12 * ps, FloatToStr((10 - j) / 10.0));
  }
  w.ZeroRow = RoundInt(10 * D) + 20 * ps;
  cv.SetPenColor(0xFF0000);

  // The last epoch's coordinate sets the scale; a zero one stops the drawing before the image changes.
  const bool scores = wb.Form1.SCBox.Checked();
  const double last = scores ? TrajectoryMatrixCell(wb.ComponentScores, c, E)
                             : 2 * std::abs(TrajectoryMatrixCell(wb.TrajectoryCoords, c, E));
  if (last == 0)
    throw FloatError("Floating point division by zero: the last epoch's coordinate on component " + IntToStr(c + 1) +
                     " is 0");
  auto value = [&](int e) {
    return scores ? RoundInt(w.ZeroRow * 0.5 * TrajectoryMatrixCell(wb.ComponentScores, c, e) / last)
                  : RoundInt(w.ZeroRow * TrajectoryMatrixCell(wb.TrajectoryCoords, c, e) / last);
  };
  cv.MoveTo(50 * ps, w.ZeroRow - value(0));
  for (int e = 1; e <= E; ++e) {
    w.LastX = RoundInt(e * Q);
    w.LastValue = value(e);
    cv.LineTo(50 * ps + w.LastX, w.ZeroRow - w.LastValue);
  }
  cv.SetPenColor(clWhite);
  cv.SetPenWidth(1);
  const int W = ps * w.PlotWidth, H = ps * w.PlotHeight;
  cv.Polyline({{0, 0}, {W - 1, 0}, {W - 1, H - 1}, {0, H - 1}, {0, 0}});
  pics.Image = pics.Picture.copy();
  ++w.PictureVersion;
  // The axis runs on past the trained epochs, to leave room for the target a Ctrl+click marks; the panel
  // says so.
  w.Label1.SetCaption(TrajectoryAxisNote(E, n * k, c));
}

void ShowTrajectory1D(Workbench& wb) {
  if (!wb.ESDone) return;
  if (!ComponentsFitFor(wb, "TR 1D")) return;
  if (!PointSizeMakesPicture(wb, StrToInt(Trim(wb.Form1.PSEdit.Text())))) return;
  wb.EForm.Shown = true;
  wb.Plat.ShowWindow("EForm");
  DrawTrajectory1D(wb);
}

void TR1DMouseDown(Workbench& wb, int x, int y, bool ctrl) {
  if (!ctrl) return;
  TEForm& w = wb.EForm;
  const int c = std::max(0, w.c1box.ItemIndex());
  if (w.LastValue == 0)
    throw FloatError("Floating point division by zero: no last epoch's height to mark against");
  wb.ExtrapolationTargets[static_cast<std::size_t>(c)] =
      static_cast<double>((w.ZeroRow - y) - w.LastValue) / static_cast<double>(w.LastValue);
  QImage& image = Pictures(w).Image;
  if (image.isNull()) return;
  Canvas cv(image);
  cv.SetPenColor(0x0000FF);
  cv.SetPenWidth(1);
  cv.Line(x - 5, y, x + 5, y);
  cv.Line(x, y - 5, x, y + 5);
  ++w.PictureVersion;
}

void ExtrapolateTrajectory(Workbench& wb) {
  if (!wb.ESDone) return;
  // The last weights move along the components in use, which must be of this network.
  if (!ComponentsFitFor(wb, "TR EX")) return;
  const int E = std::max(0, wb.NumOfEpochs);
  if (static_cast<std::size_t>(E) >= wb.WeightHistory.Rows())
    throw WlError("No weights recorded for epoch " + IntToStr(E));
  const double n2 = TrajectoryNorm2(wb, E);
  if (!(n2 > 0)) throw FloatError("Floating point division by zero: the norm of the last epoch's weights is 0");
  std::array<double, 6> u{};
  if (!NormalisedTrajectoryPoint(TrajectoryProjections(wb, E), n2, 1, u))
    wb.Plat.ShowMessage("Trajectory Warning 15: w[1]=0");

  // The last epoch's weights, then the moves along the components, in the weight order of the records.
  const auto history = wb.WeightHistory[static_cast<std::size_t>(E)];
  const WeightShape& shape = wb.WeightHistory.Shape();
  std::size_t j = 0;
  for (int l = 1; l <= shape.NumLayers(); ++l) {
    const std::size_t li = static_cast<std::size_t>(l - 1);
    for (int nr = 0; nr < shape.Neurons[li]; ++nr) {
      const auto from = history[li][static_cast<std::size_t>(nr)];
      TNeuron* neuron = static_cast<std::size_t>(l) < wb.Net.size() &&
                                static_cast<std::size_t>(nr) < wb.Net[static_cast<std::size_t>(l)].size()
                            ? &wb.Net[static_cast<std::size_t>(l)][static_cast<std::size_t>(nr)]
                            : nullptr;
      for (std::size_t i = 0; i < from.size(); ++i, ++j) {
        double v = from[i];
        for (int k = 0; k < 6; ++k)
          v += u[static_cast<std::size_t>(k)] * wb.ExtrapolationTargets[static_cast<std::size_t>(k)] *
               TrajectoryMatrixCell(wb.PrincipalComponents, k, static_cast<int>(j));
        if (neuron && i < neuron->Weights.size()) neuron->Weights[i] = v;
      }
    }
  }
  const double before = wb.CurrentError;
  const double after = ComputeError(wb, static_cast<std::uint8_t>(wb.ErrorTFKind & 0xFF));
  wb.Form1.ge.SetText("O=" + FixedDisplayText(before, 12, 2) + " N=" + FixedDisplayText(after, 12, 2));
  wb.Form1.ge.Repaint();
}

std::string Trajectory1DSuffix(const Workbench& wb) { return "_ext_c" + IntToStr(wb.EForm.c1box.ItemIndex() + 1); }

void SaveTrajectory1D(Workbench& wb, bool askName) {
  SaveTrajectoryPicture(wb, Pictures(wb.EForm).Picture, Trajectory1DSuffix(wb), askName);
}

}  // namespace wl

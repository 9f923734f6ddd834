#include "analysis/progress_plot.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <span>
#include <utility>

#include "analysis/canvas.h"
#include "analysis/gtp_pictures.h"
#include "analysis/picture_saving.h"
#include "state/report_opener.h"
#include "model/error_functions.h"
#include "model/read_parameters.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/rounding.h"
#include "state/hooks.h"
#include "platform/vector_state.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

// A pixel coordinate from a formula; far-off values are held where they cannot overflow the painter.
int Px(double v) {
  constexpr double limit = 1.0e7;
  if (!(v == v)) return 0;
  return static_cast<int>(Round(std::clamp(v, -limit, limit)));
}

// The stay-on-top caption with the plot's own stage number (the stage plus 100 .. 500), which is shown
// but not stored.
void TraceStage(Workbench& wb, int add) {
  std::int32_t stage = 0;
  TryStrToInt(wb.ProgressStage, stage);
  wb.OnTopForm.SetCaption("On Top      " + IntToStr(static_cast<std::int64_t>(stage) + add) + "-" + wb.ProgressStep +
                          "-" + wb.ProgressSubStep);
}

bool OneChangeMethod(const std::string& tag) { return tag.size() >= 2 && tag[1] == '1'; }

bool DetailedPlot(const Workbench& wb) { return wb.Form1.DetPlotBox.Checked() && OneChangeMethod(wb.MethodTag); }

int ErrorY(const ProgressPlotState& P, double error) { return P.Y0 - Px(P.H * error * P.YS); }
int AccuracyY(const ProgressPlotState& P, double accuracy) { return P.Y0 - Px(P.H * accuracy); }
int NormY(const ProgressPlotState& P, double squaredNorm) {
  return P.Y0 - Px(std::sqrt(std::max(squaredNorm, 0.0)) * P.S * P.WS);
}

// The plot height for point size k (the same formula the initialisation uses).
int PlotHeight(const Workbench& wb, int k) {
  if (wb.Form1.BigPlotBox.Checked()) return RoundInt(370.0 * (wb.ScreenWidth / 800.0) * k) * k;
  return 370 * k;
}

TEpochStat EpochRecord(const Workbench& wb, std::size_t e) {
  return e < wb.EpochHistory.size() ? wb.EpochHistory[e] : TEpochStat{};
}

// One step of the three curves to x.
void ExtendCurves(Workbench& wb, Canvas& c, int x, double error, double accuracy, bool drawAccuracy,
                  double squaredNorm) {
  ProgressPlotState& P = wb.GTP.Plot;
  c.SetPenColor(clRed);
  const int ey = ErrorY(P, error);
  c.Line(P.LastX, P.LastErrorY, x, ey);
  P.LastErrorY = ey;
  if (drawAccuracy) {
    const int ay = AccuracyY(P, accuracy);
    c.SetPenColor(clBlue);
    c.Line(P.LastX, P.LastAccuracyY, x, ay);
    P.LastAccuracyY = ay;
  }
  if (wb.Form1.modWBox.Checked()) {
    const int ny = NormY(P, squaredNorm);
    c.SetPenColor(clBlack);
    c.Line(P.LastX, P.LastNormY, x, ny);
    P.LastNormY = ny;
  }
}

// One point of the run's curves, drawn from the last one: the error, the dE and step curves when the
// point has them, the accuracy and the norm.
void DrawPoint(Workbench& wb, Canvas& c, const ProgressPoint& pt) {
  ProgressPlotState& P = wb.GTP.Plot;
  c.SetPenColor(clRed);
  const int ey = ErrorY(P, pt.Error);
  c.Line(P.LastX, P.LastErrorY, pt.X, ey);
  P.LastErrorY = ey;
  if (pt.DrawSteps) {
    c.SetPenColor(clLime);
    c.Line(P.LastX, P.LastDEY, pt.X, pt.DEY);
    P.LastDEY = pt.DEY;
    c.SetPenColor(clYellow);
    c.Line(P.LastX, P.LastStepY, pt.X, pt.StepY);
    P.LastStepY = pt.StepY;
  }
  if (pt.DrawAccuracy) {
    const int ay = AccuracyY(P, pt.Accuracy);
    c.SetPenColor(clBlue);
    c.Line(P.LastX, P.LastAccuracyY, pt.X, ay);
    P.LastAccuracyY = ay;
  }
  if (wb.Form1.modWBox.Checked()) {
    const int ny = NormY(P, pt.SquaredNorm);
    c.SetPenColor(clBlack);
    c.Line(P.LastX, P.LastNormY, pt.X, ny);
    P.LastNormY = ny;
  }
  P.LastX = pt.X;
}

// InitTrainingProgressPlot; without show the picture is made but not shown, nor the window brought forward
// (the plot drawn anew at another scale shows once its points are in).
void InitPlot(Workbench& wb, int E, bool redraw, bool show);

// Before a point of the run is drawn, the ||W|| scale follows the run's norms: a norm above the plot's top
// line, or a run whose largest norm so far (its start included) stays below a tenth of the plot's height,
// gets the scale that puts that norm at half the plot's height, and the plot is drawn anew at that scale
// from the points of the run so far. (The scale of the start follows the run's length and size, not its
// norms; a long run of a small network would otherwise draw its norm along the axis.)
void KeepNormInside(Workbench& wb, double squaredNorm) {
  ProgressPlotState& P = wb.GTP.Plot;
  if (!wb.Form1.modWBox.Checked()) return;
  P.LargestSquaredNorm = std::max(P.LargestSquaredNorm, squaredNorm);
  const double largest = P.LargestSquaredNorm;
  const bool above = NormY(P, squaredNorm) < P.T0;
  const bool low = P.Y0 - NormY(P, largest) < P.H / 10;
  if (!above && !low) return;
  const double norm = std::sqrt(std::max(above ? squaredNorm : largest, 0.0));
  if (!(norm > 0.0) || !std::isfinite(norm)) return;
  P.SavedWS = P.H / (2.0 * norm * P.S);
  const double previousError = P.PreviousError;
  std::vector<ProgressPoint> points = std::move(P.Points);
  InitPlot(wb, P.E, true, false);
  P.PreviousError = previousError;
  {
    Canvas c(Pictures(wb.GTP).Bitmap);
    c.SetPenWidth(P.k);
    for (const ProgressPoint& pt : points) DrawPoint(wb, c, pt);
  }
  P.Points = std::move(points);
}

[[noreturn]] void OutsideRecords(const char* what, int epoch) {
  throw WlError(std::string("The training-progress plot was given ") + what + " of epoch " + IntToStr(epoch) +
                ", which the records of the run do not hold");
}

}  // namespace

int EpochsPerTick(int E) {
  static const int limits[] = {25,    50,     100,    250,    500,     1000,    2500,    5000,     10000,   25000,
                               50000, 100000, 250000, 500000, 1000000, 2500000, 5000000, 10000000, 25000000};
  static const int ticks[] = {1,    2,    4,     10,    20,    40,     100,    200,    400,    1000,
                              2000, 4000, 10000, 20000, 40000, 100000, 200000, 400000, 1000000};
  for (std::size_t i = 0; i < std::size(limits); ++i)
    if (E <= limits[i]) return ticks[i];
  return 2000000;
}

double NormScale(double v, bool searchRunning) {
  const double f = searchRunning ? 1.0 : 10.0;
  if (v > 2000 * f) return 0.037;
  if (v > 1000 * f) return 0.074;
  if (v > 500 * f) return 0.185;
  if (v > 200 * f) return 0.37;
  if (v > 100 * f) return 0.74;
  if (v > 50 * f) return 1.85;
  return 3.7;
}

void InitTrainingProgressPlot(Workbench& wb, int E, bool redraw) { InitPlot(wb, E, redraw, true); }

namespace {

void InitPlot(Workbench& wb, int E, bool redraw, bool show) {
  TGTP& g = wb.GTP;
  ProgressPlotState& P = g.Plot;
  TForm1& f = wb.Form1;

  // A run's plot starts at point size 1; the window's own redraw keeps the size its caller took from
  // the point-size box, so that a bigger picture can be drawn and saved.
  if (!redraw) {
    f.PSEdit.SetText("1");
    P.k = 1;
    P.Points.clear();
    P.LargestSquaredNorm = wb.WNormHistory.empty() ? 0.0 : wb.WNormHistory[0];
  }
  const int k = P.k;
  wb.PointSize = k;
  g.Label3Color = g.Label2Color = g.Label1Color = clBlack;
  g.Label3.SetCaption("Error");
  g.Label2.SetCaption("Accuracy");
  g.Label1.SetCaption("||W||");
  g.Button3.SetCaption("Comp Err");
  g.ResizeButton.SetEnabled(true);
  g.Button3.SetEnabled(wb.ESDone);

  // Scales.
  if (f.BigPlotBox.Checked()) {
    P.q = wb.ScreenWidth / 800.0;
    P.S = P.q * k;
    P.H = RoundInt(370.0 * P.S) * k;
    P.Y0 = (P.H + 20) * k;
  } else {
    P.q = 1.0;
    P.S = k;
    P.Y0 = 390 * k;
    P.H = 370 * k;
  }
  P.X0 = 50 * k;
  P.T0 = 20 * k;

  // The window sits in the bottom-left corner of the screen.
  g.Width = RoundInt(800.0 * P.q);
  g.Height = RoundInt((wb.FontPct < 122 ? 500.0 : 510.0) * P.q);
  g.Left = 0;
  g.Top = wb.ScreenHeight - g.Height;
  g.ButtonsTop = g.Height - 60;
  g.Label1Top = g.Height - 58;
  g.Label23Top = g.Height - 59;
  const int bw = RoundInt(790.0 * P.S), bh = RoundInt(420.0 * P.S);
  QImage& bitmap = Pictures(g).Bitmap;
  if (bitmap.width() != bw || bitmap.height() != bh) bitmap = MakePicture(bw, bh);
  g.Image1.SetVisible(false);
  g.Label1.SetVisible(false);
  g.Label2.SetVisible(false);

  P.LastX = P.X0;
  TraceStage(wb, 100);
  wb.GTPFormExists = true;
  P.E = E;

  // The epoch axis.
  P.d = EpochsPerTick(E);
  P.n = std::max(1, (E + P.d - 1) / P.d);
  P.TickSpacing = 720.0 * P.S / P.n;
  P.PixelsPerEpoch = P.TickSpacing / P.d;

  Canvas c(Pictures(g).Bitmap);
  c.Clear(clWhite);
  c.SetPenWidth(k);
  c.SetFontSize(12 * k);  // 9 points at 96 pixels per inch
  c.SetFontColor(clBlack);
  c.SetPenColor(clSilver);
  // Every tick has its line; the epoch numbers stand under every tick while they fit side by side, else
  // under every second (or fifth, ...) one, and the last one stays inside the picture.
  const int labelWidth = c.TextWidth(IntToStr(static_cast<std::int64_t>(P.d) * P.n)) + 6 * k;
  int every = 1;
  for (int step : {1, 2, 5, 10, 20, 50, 100}) {
    every = step;
    if (P.TickSpacing * step >= labelWidth) break;
  }
  for (int i = 0; i <= P.n; ++i) {
    const int x = P.X0 + Px(i * P.TickSpacing);
    c.Line(x, P.T0, x, P.Y0);
    if (i % every != 0) continue;
    const std::string label = IntToStr(static_cast<std::int64_t>(P.d) * i);
    c.TextOut(std::min(x - 10 * k, c.Width() - 2 * k - c.TextWidth(label)), P.Y0 + 10, label);
  }
  const int right = P.X0 + Px(720.0 * P.S);
  for (int i = 0; i <= 10; ++i) {
    const int y = P.T0 + Px(37.0 * P.S * i);
    c.Line(P.X0, y, right, y);
    c.TextOut(P.T0, Px(0.24 * P.X0 + 37.0 * P.S * i), FloatToStr((10 - i) / 10.0));
  }
  if (show) {
    g.ShowBitmap();
    g.Shown = true;
    wb.Plat.ShowWindow(g.Name());
  }

  // The error scale.
  const TEpochStat start = EpochRecord(wb, 0);
  double denominator = start.Error;
  if (f.GTPBox.Checked()) denominator = static_cast<double>(wb.Layers.empty() ? 0 : wb.Layers.back()) * wb.NumOfVectors;
  if (denominator == 0.0 || !std::isfinite(denominator)) throw FloatError("Floating point division by zero");
  P.YS = 1.0 / denominator;

  P.LastErrorY = ErrorY(P, start.Error);
  if (f.ClassBox.Checked()) {
    TraceStage(wb, 200);
    P.LastAccuracyY = AccuracyY(P, start.Accuracy);
    g.Label2.SetVisible(true);
  }
  if (f.modWBox.Checked()) {
    TraceStage(wb, 300);
    P.WS = redraw ? P.SavedWS : NormScale(std::sqrt(static_cast<double>(wb.NumOfWeights)) * E, wb.SearchRunning);
    g.Label1.SetCaption("||W|| = 0..." + IntToStr(Round(P.H / P.WS)));
    g.Label1.SetVisible(true);
    P.LastNormY = NormY(P, wb.WNormHistory.empty() ? 0.0 : wb.WNormHistory[0]);
  }
  P.LastDEY = P.Y0;
  P.LastStepY = P.Y0;

  TraceStage(wb, 400);
  P.PreviousError = wb.CurrentError;
  g.Label1.Repaint();
  g.Label2.Repaint();
  g.Label3.Repaint();
}

}  // namespace

void PlotTrainingProgressEpoch(Workbench& wb, int epoch, double error) {
  if (epoch < 0 || static_cast<std::size_t>(epoch) >= wb.WNormHistory.size()) OutsideRecords("the weight norm", epoch);
  wb.WNormHistory[static_cast<std::size_t>(epoch)] = SquaredWeightNorm(wb);

  TForm1& f = wb.Form1;
  if (!f.NoGTPBox.Checked() && !DetailedPlot(wb)) {
    ProgressPlotState& P = wb.GTP.Plot;
    ProgressPoint pt;
    pt.X = P.X0 + Px(epoch * P.PixelsPerEpoch);
    pt.Error = error;
    pt.Accuracy = wb.AcceptedSuccessRate;
    pt.SquaredNorm = wb.WNormHistory[static_cast<std::size_t>(epoch)];
    pt.DrawAccuracy = f.ClassBox.Checked() && wb.MethodTag != "Matlab";
    KeepNormInside(wb, pt.SquaredNorm);
    {
      Canvas c(Pictures(wb.GTP).Bitmap);
      c.SetPenWidth(P.k);
      DrawPoint(wb, c, pt);
    }
    P.Points.push_back(pt);
    wb.GTP.ShowBitmap();
    ClearUpperVectorState();  // the trainer's sigmoids follow the painting
  }
  if (f.IRBox.Checked()) CallRepresentationHook(wb, epoch);
}

void PlotTrainingDetail(Workbench& wb, int epoch, int layerIndex, int neuron, int weightIndex, int ordinal,
                        double error, double step) {
  const WeightShape& shape = wb.DetailWNormHistory.Shape();
  if (epoch < 0 || static_cast<std::size_t>(epoch) >= wb.DetailWNormHistory.Rows() ||
      static_cast<std::size_t>(epoch) >= wb.WeightTrialHistory.Rows() || layerIndex < 0 ||
      layerIndex >= shape.NumLayers() || neuron < 0 || neuron >= shape.Neurons[static_cast<std::size_t>(layerIndex)] ||
      weightIndex < 0 || weightIndex >= shape.Weights[static_cast<std::size_t>(layerIndex)])
    OutsideRecords("a weight", epoch);
  const double norm = SquaredWeightNorm(wb);
  const auto e = static_cast<std::size_t>(epoch), l = static_cast<std::size_t>(layerIndex),
             j = static_cast<std::size_t>(neuron), w = static_cast<std::size_t>(weightIndex);
  wb.DetailWNormHistory[e][l][j][w] = norm;
  wb.WeightTrialHistory[e][l][j][w] = {error, wb.AcceptedSuccessRate};

  TForm1& f = wb.Form1;
  ProgressPlotState& P = wb.GTP.Plot;
  if (f.NoGTPBox.Checked() || !DetailedPlot(wb) || wb.NumOfWeights <= 0) return;
  KeepNormInside(wb, norm);
  ProgressPoint pt;
  // The weights of one epoch share that epoch's stretch of the axis.
  pt.X = P.X0 + Px((epoch - 1) * P.PixelsPerEpoch + (ordinal + 1) * P.PixelsPerEpoch / wb.NumOfWeights);
  pt.Error = error;
  pt.Accuracy = wb.AcceptedSuccessRate;
  pt.SquaredNorm = norm;
  pt.DrawAccuracy = f.ClassBox.Checked();
  pt.DrawSteps = f.debox.Checked() && epoch >= 1;
  if (pt.DrawSteps) {
    pt.DEY =
        P.PreviousError > 0 ? P.Y0 - Px((500.0 * error / P.PreviousError - 500.0) * P.S + 185.0 * P.S) : P.LastDEY;
    pt.StepY = P.Y0 - std::abs(Px(18.5 * step));
  }
  {
    Canvas c(Pictures(wb.GTP).Bitmap);
    c.SetPenWidth(P.k);
    DrawPoint(wb, c, pt);
  }
  P.Points.push_back(pt);
  P.PreviousError = error;
  wb.GTP.ShowBitmap();
  ClearUpperVectorState();
}

void FinishTrainingProgressPlot(Workbench& wb) {
  TGTP& g = wb.GTP;
  Canvas c(Pictures(g).Bitmap);
  c.SetPenColor(clWhite);
  c.FrameRect(0, 0, Pictures(g).Bitmap.width() - 1, Pictures(g).Bitmap.height() - 1);
  g.ShowBitmap();
  ShowFinishedPicture(g);
  TraceStage(wb, 500);
}

void ResizeTrainingProgressPlot(Workbench& wb) {
  TGTP& g = wb.GTP;
  ProgressPlotState& P = g.Plot;
  TForm1& f = wb.Form1;
  const int k = StrToInt(Trim(f.PSEdit.Text()));
  // The stretch shown can reach no further than the run and its records.
  const int last = std::min<std::int64_t>(wb.NumOfEpochs, static_cast<std::int64_t>(wb.WNormHistory.size()) - 1);
  if (last < 1) {
    wb.Plat.ShowMessage("No training has been recorded yet. Train the network first, then resize its progress plot.");
    return;
  }
  if (!CheckNumber(wb, g.ResizeEdit, "Resize", true, 1, last)) return;
  const int E = RoundInt(StrToFloat(g.ResizeEdit.Text()));

  // The largest norm of the shown stretch reaches the top line.
  double maxNorm = 0.0;
  for (int e = 0; e <= E; ++e) maxNorm = std::max(maxNorm, wb.WNormHistory[static_cast<std::size_t>(e)]);
  if (maxNorm > 0.0) P.SavedWS = PlotHeight(wb, k) / std::sqrt(maxNorm);
  P.k = k;
  InitTrainingProgressPlot(wb, E, true);

  if (!f.NoGTPBox.Checked()) {
    Canvas c(Pictures(g).Bitmap);
    c.SetPenWidth(P.k);
    const bool accuracy = f.ClassBox.Checked();
    const WeightShape& shape = wb.WeightTrialHistory.Shape();
    if (DetailedPlot(wb) && wb.NumOfWeights > 0 && static_cast<std::size_t>(E) < wb.WeightTrialHistory.Rows() &&
        static_cast<std::size_t>(E) < wb.DetailWNormHistory.Rows()) {
      for (int e = 1; e <= E; ++e) {
        const std::span<const TEpochStat> trials =
            std::as_const(wb.WeightTrialHistory).Row(static_cast<std::size_t>(e));
        const std::span<const double> norms = std::as_const(wb.DetailWNormHistory).Row(static_cast<std::size_t>(e));
        for (std::size_t i = 0; i < shape.RowSize; ++i) {
          const int x =
              P.X0 + Px((e - 1) * P.PixelsPerEpoch + static_cast<double>(i + 1) * P.PixelsPerEpoch / wb.NumOfWeights);
          ExtendCurves(wb, c, x, trials[i].Error, trials[i].Accuracy, accuracy, norms[i]);
          P.LastX = x;
        }
      }
    } else {
      for (int e = 1; e <= E; ++e) {
        const TEpochStat s = EpochRecord(wb, static_cast<std::size_t>(e));
        const int x = P.X0 + Px(e * P.PixelsPerEpoch);
        ExtendCurves(wb, c, x, s.Error, s.Accuracy, accuracy, wb.WNormHistory[static_cast<std::size_t>(e)]);
        P.LastX = x;
      }
    }
  }
  ShowFinishedPicture(g);
}

void CompareErrors(Workbench& wb, const SurfaceReference& surface) {
  TGTP& g = wb.GTP;
  ProgressPlotState& P = g.Plot;
  TForm1& f = wb.Form1;
  const int epochs = wb.NumOfEpochs;
  const std::size_t weights = static_cast<std::size_t>(std::max(wb.NumOfWeights, 0));
  const int r = surface.ReferenceEpoch;
  if (epochs < 0 || surface.FramePositions.size() <= static_cast<std::size_t>(epochs) ||
      wb.EpochHistory.size() <= static_cast<std::size_t>(epochs) || surface.Component1.size() != weights ||
      surface.Component2.size() != weights || (r == -1 && surface.AnimationWeights.size() != weights) ||
      (r >= 1 &&
       (static_cast<std::size_t>(r - 1) >= wb.WeightHistory.Rows() || wb.WeightHistory.Shape().RowSize != weights)) ||
      (r >= 0 && static_cast<std::size_t>(r) >= surface.FramePositions.size()))
    throw WlError("The error surface does not belong to the last training run");

  // Both curves on the start error's scale: "Plot E/maxE" is set aside for the comparison.
  const bool maxE = f.GTPBox.Checked();
  struct RestoreMaxE {
    RadioButton& box;
    bool on;
    ~RestoreMaxE() {
      if (on) box.SetChecked(true);
    }
  } restoreMaxE{f.GTPBox, maxE};
  if (maxE) f.GTPBox.SetChecked(false);
  InitTrainingProgressPlot(wb, epochs, false);
  g.ResizeButton.SetEnabled(false);
  g.Button3.SetCaption("E+acc+W");

  // The surface origin.
  std::vector<double> centre(weights, 0.0);
  if (r >= 1) {
    const auto row = std::as_const(wb.WeightHistory).Row(static_cast<std::size_t>(r - 1));
    centre.assign(row.begin(), row.end());
  } else if (r == -1) {
    centre = surface.AnimationWeights;
  }

  const bool toFile = f.CFSBox.Checked();
  std::string report;
  if (toFile) report = "TR_error  ES_error  ES_error/TR_error\n";

  const int halfBox = RoundInt(surface.BoxHeight / 2.0);
  const int halfLines = RoundInt(wb.PlotLines / 2.0);
  if (halfBox == 0 || halfLines == 0) throw FloatError("Floating point division by zero");
  const double pixelStep = wb.ThreeDscale / halfBox;
  const double lineStep = wb.ThreeDscale / halfLines;
  const std::pair<double, double> ref =
      r >= 0 ? surface.FramePositions[static_cast<std::size_t>(r)] : std::pair<double, double>{0.0, 0.0};
  int shift = 0;
  if (f.WCEdit.Text() == "0.870") shift = Px((StrToFloat(f.MutEdit.Text()) - 1.0) * P.PixelsPerEpoch);

  // The trained weights, put back afterwards.
  std::vector<double> trained;
  trained.reserve(weights);
  for (int l = 1; l < wb.NumOfLayers && l < static_cast<int>(wb.Net.size()); ++l)
    for (const TNeuron& n : wb.Net[static_cast<std::size_t>(l)])
      for (int k = 0; k <= wb.LayerInputs[static_cast<std::size_t>(l - 1)]; ++k)
        trained.push_back(n.Weights[static_cast<std::size_t>(k)]);
  auto setWeights = [&wb](auto weightOf) {
    std::size_t i = 0;
    for (int l = 1; l < wb.NumOfLayers && l < static_cast<int>(wb.Net.size()); ++l)
      for (TNeuron& n : wb.Net[static_cast<std::size_t>(l)])
        for (int k = 0; k <= wb.LayerInputs[static_cast<std::size_t>(l - 1)]; ++k, ++i)
          n.Weights[static_cast<std::size_t>(k)] = weightOf(i);
  };
  if (trained.size() != weights) throw WlError("The error surface does not belong to the current network");
  struct RestoreWeights {
    std::function<void()> put;
    ~RestoreWeights() { put(); }
  } restoreWeights{[&] { setWeights([&](std::size_t i) { return trained[i]; }); }};

  Canvas c(Pictures(g).Bitmap);
  c.SetPenWidth(P.k);
  int lastX = 0, lastTR = 0, lastES = 0, lastQ = 0;
  for (int e = 0; e <= epochs; ++e) {
    wb.Plat.ProcessEvents();
    const auto& pos = surface.FramePositions[static_cast<std::size_t>(e)];
    const double a = pos.first - ref.first;
    const double b = (pos.second - ref.second) * 2.0 * halfLines;
    setWeights([&](std::size_t i) {
      return centre[i] + a * pixelStep * surface.Component1[i] + b * lineStep * surface.Component2[i];
    });
    const double es = ComputeError(wb, static_cast<std::uint8_t>(wb.ErrorTFKind & 0xFF));
    const double tr = wb.EpochHistory[static_cast<std::size_t>(e)].Error;
    const double q = tr > 0 ? std::min(0.1 * es / tr, 1.0) : (es == 0 ? 0.1 : 1.0);
    const int x = P.X0 + Px(e * P.PixelsPerEpoch);
    const int yTR = ErrorY(P, tr), yES = ErrorY(P, es), yQ = P.Y0 - Px(P.H * q);
    if (e > 0) {
      c.SetPenColor(clRed);
      c.Line(lastX, lastTR, x, yTR);
      c.SetPenColor(clBlue);
      c.Line(lastX + shift, lastES, x + shift, yES);
      c.SetPenColor(clGreen);
      c.Line(lastX, lastQ, x, yQ);
    }
    lastX = x;
    lastTR = yTR;
    lastES = yES;
    lastQ = yQ;
    if (toFile) report += FormatFixed(tr, 6) + "  " + FormatFixed(es, 6) + "  " + FormatFixed(10.0 * q, 6) + "\n";
  }

  ShowFinishedPicture(g);
  g.Label3.SetCaption("TR");
  g.Label2.SetCaption("ES");
  g.Label1Color = clGreen;
  g.Label1.SetCaption("0.1*TR/ES");
  g.Label1.SetVisible(true);
  g.Label2.SetVisible(true);
  if (toFile) {
    const std::string prefix = wb.ResultsPrefix.empty() ? wb.ProgramDir + "/" : wb.ResultsPrefix;
    const std::string path = prefix + "_comperr" + IntToStr(r) + ".txt";
    WriteFileAtomically(path, report);
    ShowInNotepad(wb, "notepad.exe " + path);
  }
}

void CompareErrorsButton(Workbench& wb) {
  TGTP& g = wb.GTP;
  if (g.Button3.Caption() == "E+acc+W") {
    g.Button3.SetCaption("Comp Err");
    ResizeTrainingProgressPlot(wb);
    return;
  }
  if (!wb.ESDone || !g.ComparisonSurface) return;
  CompareErrors(wb, *g.ComparisonSurface);
}

void SaveProgressPicture(Workbench& wb) { SavePicture(wb, &Pictures(wb.GTP).Bitmap, "_MSE"); }

void SaveProgressPictureAs(Workbench& wb) { SavePictureAs(wb, &Pictures(wb.GTP).Bitmap, "_MSE"); }

}  // namespace wl

#include "smlp/xor_ng.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <span>
#include <string>

#include "model/read_parameters.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "smlp/smlp_network.h"
#include "state/hooks.h"
#include "state/workbench.h"
#include "training/ng_train.h"
#include "training/ng_weights.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

void Log(Workbench& wb, const std::string& line) {
  wb.NGLogFile << line << '\n';
  if (!wb.NGLogFile) throw FileError("Cannot write file " + wb.NGLogFileName);
}

std::string Sr(const Workbench& wb) { return "        sr= " + FixedDisplayText(wb.SuccessRate, 6, 4); }

// The first weight layer's weights, as many as its neurons have (inputs, the threshold last).
int FirstLayerWidth(const Workbench& wb) { return wb.Layers[0] + 1; }

std::span<double> Direction(Workbench& wb) { return wb.SearchDirection.Row(0); }

// The direction component of a probe: V_coef ((E0 - E) / E0)^V_exp, or 1 when V_exp is 0.
double Component(const Workbench& wb, double e0, double e) {
  if (wb.V_exp == 0.0) return 1.0;
  return wb.V_coef * std::pow((e0 - e) / e0, wb.V_exp);
}

// Every first-layer weight w := OldWeights + V * scale.
void MoveFirstLayer(Workbench& wb, double scale) {
  const std::span<const double> V = Direction(wb);
  const int width = FirstLayerWidth(wb);
  for (std::size_t n = 0; n < wb.Net[1].size(); ++n) {
    TNeuron& nr = wb.Net[1][n];
    for (int k = 0; k < width; ++k)
      nr.Weights[static_cast<std::size_t>(k)] =
          nr.OldWeights[static_cast<std::size_t>(k)] + V[n * static_cast<std::size_t>(width) + static_cast<std::size_t>(k)] * scale;
  }
}

}  // namespace

bool XORNGStep(Workbench& wb) {
  std::vector<TNeuron>& hidden = wb.Net[1];
  for (TNeuron& n : hidden) n.OldWeights = n.Weights;
  const double e0 = EvaluateNetwork(wb);
  wb.CurrentError = e0;
  const double h = wb.NGStep;
  const int width = FirstLayerWidth(wb);
  const std::span<double> V = Direction(wb);
  for (std::size_t n = 0; n < hidden.size(); ++n) {
    for (int k = 0; k < width; ++k) {
      double& w = hidden[n].Weights[static_cast<std::size_t>(k)];
      const double w0 = w;
      double v = 0.0, side = 0.0;
      w = w0 + h;
      const double ePlus = EvaluateNetwork(wb);
      if (ePlus < e0) {
        v = Component(wb, e0, ePlus);
        side = ePlus;
      }
      w = w0 - h;
      const double eMinus = EvaluateNetwork(wb);
      if (eMinus < e0 && eMinus < ePlus) {
        v = -Component(wb, e0, eMinus);
        side = eMinus;
      }
      w = w0;
      V[n * static_cast<std::size_t>(width) + static_cast<std::size_t>(k)] = v;
      if (v != 0.0) {
        Log(wb, " N:" + IntToStr(static_cast<std::int64_t>(n)) + " W:" + IntToStr(k) + "  V= " +
                    FixedDisplayText(v, 15, 12) + "  error = " + FormatReal(side) + Sr(wb));
        wb.GradSumSq += v * v;
      }
    }
  }
  for (std::size_t n = 0; n < hidden.size(); ++n)
    for (int k = 0; k < width; ++k)
      hidden[n].Weights[static_cast<std::size_t>(k)] += h * V[n * static_cast<std::size_t>(width) + static_cast<std::size_t>(k)];
  wb.CurrentError = EvaluateNetwork(wb);
  // The length of the direction, which the line search reads.
  wb.NormV = std::sqrt(wb.GradSumSq);
  Log(wb, "||V|| = " + FormatReal(wb.NormV));
  Log(wb, "Err before H= " + FormatReal(wb.CurrentError) + Sr(wb));
  if (wb.CurrentError < e0) return false;
  for (TNeuron& n : hidden) n.Weights = n.OldWeights;
  wb.CurrentError = EvaluateNetwork(wb);
  Log(wb, "Old Point = " + FormatReal(wb.CurrentError) + Sr(wb));
  return true;
}

double XORNGLineSearch(Workbench& wb, int) {
  const double h = wb.NGStep;
  const double R = std::min(10.0 / (h * std::max(wb.NormV, 1e-29)), 10.0);
  wb.CurrentError = EvaluateNetwork(wb);
  const bool chart = wb.Form1.ChartH.Checked() && wb.NGStartError > 0.0;
  const double scale = chart ? wb.NGChartPlotHeight / (1.6 * wb.NGStartError) : 0.0;
  const int M = wb.NGChartMargin, PW = wb.NGChartPlotWidth, H = wb.NGChartHeight;
  // The section: 531 points from -0.3 R to 0.7 R, R / 530 apart, a curve of its own colour and number
  // (the epoch whose step it follows), not the grid's grey.
  if (chart) CallNGSectionCurve(wb, wb.SectionCurveCount++, wb.Epoch - 1);
  bool first = true;
  for (int i = 0; i <= PW; ++i) {
    const double t = -0.3 * R + i * R / PW;
    MoveFirstLayer(wb, h * t);
    const double e = EvaluateNetwork(wb);
    if (chart && t >= -3.0 && t <= 7.0) {
      const double x = (t / 10.0 + 0.3) * PW + M;
      const double y = static_cast<double>(Round(H - M - e * scale));
      CallNGSectionPoint(wb, x, y, first);
      first = false;
    }
  }
  MoveFirstLayer(wb, h);
  wb.CurrentError = EvaluateNetwork(wb);
  wb.XNGStepFactor = 1.0;
  Log(wb, "HDV0   =    " + FormatReal(h * wb.NormV) + "     err= " + FormatReal(wb.CurrentError) + Sr(wb));
  return 1.0;
}

void RunXORNG(Workbench& wb) {
  HourglassGuard hourglass(wb.Plat);
  if (ReadParameters(wb)) return;
  TForm1& f = wb.Form1;
  wb.NGChartWidth = 590;
  wb.NGChartHeight = 510;
  wb.NGChartMargin = 30;
  wb.NGChartPlotWidth = 530;
  wb.NGChartPlotHeight = 450;
  wb.FeatureValueCount.resize(static_cast<std::size_t>(std::max(0, wb.NumOfFeatures)));
  // The network is the plain three-layer SMLP of the units chosen on the SMLP tab.
  wb.Slope = f.stepSMLPButton.Checked() ? 0.0 : 1.0;
  wb.LUnitsMode = 0;
  if (!InitSMLPWeights(wb)) return;
  wb.NetType = 3;
  wb.NetKind = 1;
  wb.NGInputCount = static_cast<double>(wb.NumOfVectors) * wb.Layers[0];
  // The preparation of every NG run, with the SMLP error in place of the perceptron's.
  PrepareNGRun(wb, &EvaluateNetwork);

  // The log ends with the run, also when an error ends it (as far as the run got).
  const LogEnd guard(wb.NGLogFile);
  wb.NGLogFile.open(wb.NGLogFileName, std::ios::binary | std::ios::trunc);
  if (!wb.NGLogFile) throw FileError("Cannot write file " + wb.NGLogFileName);

  wb.Epoch = 1;
  wb.NGStep = 2.0 * wb.NGdelta;
  while (wb.Epoch <= wb.NumOfEpochs && wb.NGStep > 0.0001) {
    wb.NGStep /= 2.0;
    wb.CurrentError = 0.0;
    Log(wb, "D = " + FloatToStr(wb.NGStep));
    while (wb.CurrentError < wb.NGRefError * wb.next_D) {
      Log(wb, "epoch: " + IntToStr(wb.Epoch));
      if (wb.Epoch > wb.NumOfEpochs) break;
      wb.GradSumSq = 0.0;
      wb.NGRefError = EvaluateNetwork(wb);
      if (XORNGStep(wb)) break;
      ++wb.Epoch;
      if (!f.NoH.Checked()) wb.StepResult = XORNGLineSearch(wb, 1);
      wb.Plat.ProcessEvents();
      if (wb.CurrentError < wb.StopError) break;
      Log(wb, "");
    }
  }
  DrawChartFrame(wb);
  if (f.ChartH.Checked()) CallNGSectionShow(wb);
  CloseWritten(wb.NGLogFile);
}

}  // namespace wl

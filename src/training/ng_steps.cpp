// The step rules of numerical-gradient training.
#include "training/ng_steps.h"

#include <cmath>

#include "state/hooks.h"
#include "model/error_functions.h"
#include "model/layer_transfer.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "training/ng_weights.h"
#include "training/prepare_run.h"

namespace wl {

double NGRuleError(Workbench& wb) {
  if (wb.NonStandardTF) return NGTrainingSetError(wb);
  return ComputeError(wb, NGOptions(wb), static_cast<std::uint8_t>(wb.ErrorTFKind));
}

double GridSpacing(double t, double fromH, double toH, int epoch, int plotWidth) {
  if (epoch >= 1 && epoch <= 7 && t >= 0.0 && t < 0.25 * toH) return (toH - fromH) * 1.5 / plotWidth;
  return (toH - fromH) * 3.0 / plotWidth;
}

int GridPointCount(double fromH, double toH, int epoch, int plotWidth) {
  int count = 0;
  for (double t = fromH; t <= toH;) {
    ++count;
    const double dt = GridSpacing(t, fromH, toH, epoch, plotWidth);
    if (dt <= 0.0) break;
    t += dt;
  }
  return count;
}

double MoveAlongDirection(Workbench& wb, std::uint8_t) {
  MoveFromOld(wb, wb.NGStep);
  wb.CurrentError = NGTrainingSetError(wb);
  return 1.0;
}

double FindStepLength(Workbench& wb, std::uint8_t) {
  TForm1& f = wb.Form1;
  const double h = wb.NGStep;
  const int epoch = wb.Epoch;
  wb.NormV = std::sqrt(wb.GradSumSq);

  wb.CurrentError = NGTrainingSetError(wb);
  double best = wb.CurrentError;
  double tb = 0.0;

  // The chart's error scale; border vectors may have shrunk the set since the run started.
  double Ys = wb.NGChartPlotHeight / (static_cast<double>(wb.NumOfVectors) * wb.NumOfClasses * wb.ErrorAxisRange);
  if (epoch >= 9) Ys = Ys * wb.InitialNumOfVectors / wb.NumOfVectors;
  const double mu = wb.Momentum * std::exp(-epoch * StrToFloat(f.M2Edit.Text()));

  const bool chart = f.ChartH.Checked();
  const int each = StrToInt(Trim(f.EachEHBox.Text()));
  // A curve is started, and drawn, in the epochs whose section it is labelled with (epoch - 1 is a
  // multiple of "each"), so that every curve's colour and number belong to the points drawn in it.
  const bool curveStart = each > 0 && (epoch - 1) % each == 0;
  const bool drawn = chart && curveStart;
  if (chart && curveStart) CallNGSectionCurve(wb, wb.SectionCurveCount, epoch - 1);

  const double from = wb.fromH, to = wb.toH;
  const int M = wb.NGChartMargin, PW = wb.NGChartPlotWidth, PH = wb.NGChartPlotHeight, H = wb.NGChartHeight;
  bool first = true;
  for (double t = from; t <= to;) {
    MoveFromOld(wb, h * t);
    const double e = NGTrainingSetError(wb);
    wb.NewError = e;
    const double dt = GridSpacing(t, from, to, epoch, PW);
    if (drawn) {
      const double x = (to > from ? (t - from) / (to - from) : 0.0) * PW + M;
      const double y = (H - M) - e * Ys;
      if (x >= M && x <= M + PW && y >= M && y <= M + PH) {
        CallNGSectionPoint(wb, x, y, first);
        first = false;
      }
    }
    if (e < best) {
      best = e;
      tb = t;
    }
    // A range of one point (fromH = toH) is that point alone.
    if (dt <= 0.0) break;
    t += dt;
  }

  // The move: the best factor, and from epoch 2 on the momentum of the previous move.
  const std::span<const double> V = wb.SearchDirection.Row(0);
  const std::span<double> prev = wb.PrevStep.Row(0);
  ForEachNGWeight(wb, [&](int, int, int k, std::size_t i, TNeuron& nr) {
    const auto uk = static_cast<std::size_t>(k);
    double w = nr.OldWeights[uk] + V[i] * h * tb;
    if (epoch >= 2) w += mu * prev[i] * h;
    nr.Weights[uk] = w;
    prev[i] = V[i] * tb;
  });
  wb.CurrentError = NGTrainingSetError(wb);

  if (chart) CallNGSectionShow(wb);
  if (!wb.InCrossvalidation && wb.OptHFile.is_open()) {
    wb.OptHFile << FixedDisplayText(tb, 8, 4) << '\n';
    if (!wb.OptHFile) throw FileError("Cannot write file " + wb.OptHFile.path());
  }

  wb.StepFactorSum += tb;
  if (epoch != 0) {
    f.av_hEdit.SetText(FixedDisplayText(wb.StepFactorSum / epoch, 8, 3));
    f.av_hEdit.Repaint();
  }
  if (std::fabs(tb) > std::fabs(wb.MaxStepFactor)) {
    f.opt_hEdit.SetText(FixedDisplayText(tb, 8, 3));
    f.opt_hEdit.Repaint();
    wb.MaxStepFactor = tb;
  }
  if (curveStart) wb.SectionCurveCount += 1;
  return tb;
}

double MoveAlongDirectionEdit(Workbench& wb, std::uint8_t) {
  const double f = StrToFloat(wb.Form1.DH1Edit.Text());
  const double h = wb.NGStep;
  wb.CurrentError = NGRuleError(wb);
  // The weights on entry, in case no trial beats them.
  std::vector<double>& entry = wb.NGEntryWeights;
  entry.clear();
  ForEachNGWeight(wb, [&](int, int, int k, std::size_t, TNeuron& nr) {
    entry.push_back(nr.Weights[static_cast<std::size_t>(k)]);
  });
  bool improved = false;
  double bestT = 0.0;
  auto trial = [&](double t) {
    MoveFromOld(wb, h * t);
    const double e = NGRuleError(wb);
    wb.NewError = e;
    if (e < wb.CurrentError) {
      wb.CurrentError = e;
      improved = true;
      bestT = t;
      return true;
    }
    return false;
  };

  double t = 0.1;
  int tries = 0;
  while (std::fabs(t) < 100.0 && tries < 100) {
    ++tries;
    if (trial(t)) {
      t *= f;
    } else if (t > 1.05) {
      break;
    } else {
      t *= f;
    }
  }
  const double T = t;
  double result = T;
  const double t1 = (1.0 - (f - 1.0) / 2.0) * T, t2 = (1.0 + (f - 1.0) / 2.0) * T;
  if (trial(t1)) result = t1;
  if (trial(t2)) result = t2;

  // End where the lowest error was seen, so that the weights, CurrentError and the success rate describe
  // one network.
  if (improved) {
    MoveFromOld(wb, h * bestT);
  } else {
    ForEachNGWeight(wb, [&](int, int, int k, std::size_t i, TNeuron& nr) {
      nr.Weights[static_cast<std::size_t>(k)] = entry[i];
    });
  }
  wb.CurrentError = NGRuleError(wb);
  return result;
}

}  // namespace wl

// The probing rules of numerical-gradient training and the reshaping of the direction they measure.
#include "training/ng_direction.h"

#include <algorithm>
#include <cmath>

#include "model/layer_transfer.h"
#include "model/signal_table.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "state/hooks.h"
#include "training/direction_scan.h"
#include "training/ng_steps.h"
#include "training/ng_weights.h"

namespace wl {

namespace {

// The signal table evaluates a one-weight change of a plain sigmoid network of two or three layers.
bool TableProbes(const Workbench& wb) {
  // It knows classes only: a function approximator is probed by full passes.
  return wb.Form1.useST.Checked() && !wb.NonStandardTF && wb.Net.size() < 4 && !wb.Form1.FApproxBox.Checked();
}

// Sum of squares and length of the direction; a direction of length 0 is reported and ends the run after
// this epoch (left unnormalised), any other is divided by its length.
void Normalise(Workbench& wb, int epoch) {
  const std::span<double> V = wb.SearchDirection.Row(0);
  double sum = 0.0;
  for (double v : V) sum += v * v;
  wb.GradSumSq = sum;
  wb.NormV = std::sqrt(sum);
  if (wb.NormV == 0.0) {
    wb.Plat.ShowMessage("Error:  ||V||=0");
    wb.NumOfEpochs = epoch;
    return;
  }
  for (double& v : V) v /= wb.NormV;
}

double Sign(double v) { return v > 0.0 ? 1.0 : v < 0.0 ? -1.0 : 0.0; }

// With "V contra dW": 1 at the epoch of "WMD epoch 1", 2 at that of "WMD epoch 2", else 0.
int VdwEpoch(const Workbench& wb, int epoch) {
  if (!wb.Form1.VdwBox.Checked()) return 0;
  if (epoch == StrToInt(Trim(wb.Form1.VdwEdit1.Text()))) return 1;
  if (epoch == StrToInt(Trim(wb.Form1.VdwEdit2.Text()))) return 2;
  return 0;
}

// The scan of one weight after its probes, at a chosen epoch; the weight is put back to w0.
void ScanAfterProbes(Workbench& wb, int vdw, int l, int n, int k, TNeuron& nr, double w0) {
  if (vdw == 0) return;
  LogWMD(wb, l, n, k, w0, false);
  nr.Weights[static_cast<std::size_t>(k)] = w0;
}

void PlotVdw(Workbench& wb, int vdw) {
  if (vdw != 0) CallPlotVContraDW(wb, vdw == 1 ? 2 : 3);
}

void ClipToTenDeviations(std::span<double> V, double sd) {
  for (double& v : V) v = std::clamp(v, -10.0 * sd, 10.0 * sd);
}

// Evaluates the network with weight k of the neuron set to value: through the table or a full pass.
double Probe(Workbench& wb, bool table, int l, int n, int k, TNeuron& nr, double value) {
  nr.Weights[static_cast<std::size_t>(k)] = value;
  wb.Plat.ProcessEvents();  // an epoch of a large network probes for long
  return table ? NGChangedWeightError(wb, l, n, k) : NGTrainingSetError(wb);
}

}  // namespace

// ---- the arithmetic ----

double RelativeComponent(double e0, double ePlus, double eMinus) {
  double v = 0.0;
  if (ePlus < e0) v = (e0 - ePlus) / e0;
  if (eMinus < e0 && eMinus < ePlus) v = -(e0 - eMinus) / e0;
  return v;
}

double PowerComponent(double e0, double ePlus, double eMinus, double vCoef, double vExp) {
  double v = 0.0;
  if (ePlus < e0) v = vExp == 0.0 ? 1.0 : vCoef * std::pow((e0 - ePlus) / e0, vExp);
  if (eMinus < e0 && eMinus < ePlus) v = vExp == 0.0 ? -1.0 : -vCoef * std::pow((e0 - eMinus) / e0, vExp);
  return v;
}

double CentralComponent(double e0, double ePlus, double eMinus, double q) {
  const double s = ePlus - eMinus;
  double c = (eMinus + ePlus) / 2.0 - e0;
  if (c < 1e-6) c = 1e-6;
  return -s / std::pow(std::fabs(c), q);
}

void MeanAndDeviation(std::span<const double> v, double& mean, double& sd) {
  mean = 0.0;
  sd = 0.0;
  if (v.empty()) return;
  for (double x : v) mean += x;
  mean /= static_cast<double>(v.size());
  double sq = 0.0;
  for (double x : v) sq += (x - mean) * (x - mean);
  sd = std::sqrt(sq / static_cast<double>(v.size()));
}

double ShapeThreeQuarters(double v, double sd) {
  if (v > sd) return std::max(1.5 * sd - 0.5 * v, 0.05 * sd);
  if (v < -sd) return std::min(-(1.5 * sd - 0.5 * std::fabs(v)), -0.05 * sd);
  return v;
}

// ---- the rules ----

double ProbeWeightsRelative(Workbench& wb, int epoch) {
  if (wb.Form1.SecDevButton.Checked()) return ComputeNGDirection(wb);
  wb.GradSumSq = 0.0;
  SaveOldWeights(wb);
  const double h = wb.NGStep;
  const std::span<double> V = wb.SearchDirection.Row(0);
  const bool table = TableProbes(wb);
  const int vdw = VdwEpoch(wb, epoch);
  if (table) {
    const double e0 = NGFullPass(wb);
    wb.CurrentError = e0;
    if (e0 <= 0.0) return 0.0;
    wb.NGRefError = e0;
    // One side per weight: the one the previous direction pointed to.
    ForEachNGWeight(wb, [&](int l, int n, int k, std::size_t i, TNeuron& nr) {
      const double w0 = nr.OldWeights[static_cast<std::size_t>(k)];
      if (V[i] >= 0.0) {
        V[i] = (e0 - Probe(wb, true, l, n, k, nr, w0 + h)) / e0;
      } else {
        V[i] = -(e0 - Probe(wb, true, l, n, k, nr, w0 - h)) / e0;
      }
      nr.Weights[static_cast<std::size_t>(k)] = w0;
      ScanAfterProbes(wb, vdw, l, n, k, nr, w0);
    });
    PlotVdw(wb, vdw);
  } else {
    const double e0 = NGTrainingSetError(wb);
    ForEachNGWeight(wb, [&](int l, int n, int k, std::size_t i, TNeuron& nr) {
      const double w0 = nr.OldWeights[static_cast<std::size_t>(k)];
      const double plus = Probe(wb, false, l, n, k, nr, w0 + h);
      const double minus = Probe(wb, false, l, n, k, nr, w0 - h);
      V[i] = RelativeComponent(e0, plus, minus);
      nr.Weights[static_cast<std::size_t>(k)] = w0;
      ScanAfterProbes(wb, vdw, l, n, k, nr, w0);
    });
  }
  RestoreOldWeights(wb);
  wb.CurrentError = table ? NGFullPass(wb) : NGTrainingSetError(wb);
  ApplyEpochFactorToDirection(wb, epoch);
  PlotVdw(wb, vdw);
  return wb.CurrentError;
}

double ComputeNGDirection(Workbench& wb) {
  SaveOldWeights(wb);
  // The table only for the plain sigmoid of networks it covers (two or three layers).
  const bool table = TableProbes(wb);
  const double e0 = table ? NGFullPass(wb) : NGTrainingSetError(wb);
  wb.CurrentError = e0;
  if (e0 <= 0.0) return e0;
  wb.NGRefError = e0;
  const double q = StrToFloat(wb.Form1.VexpEdit.Text());
  const std::span<double> V = wb.SearchDirection.Row(0);
  ForEachNGWeight(wb, [&](int l, int n, int k, std::size_t i, TNeuron& nr) {
    const double w0 = nr.OldWeights[static_cast<std::size_t>(k)];
    const double minus = Probe(wb, table, l, n, k, nr, w0 - 0.05);
    const double plus = Probe(wb, table, l, n, k, nr, w0 + 0.05);
    V[i] = CentralComponent(e0, plus, minus, q);
    nr.Weights[static_cast<std::size_t>(k)] = w0;
  });
  if (wb.Form1.A05dEButton.Checked()) {
    double m = 0.0, sd = 0.0;
    MeanAndDeviation(V, m, sd);
    ClipToTenDeviations(V, sd);
  }
  Normalise(wb, wb.Epoch);
  RestoreOldWeights(wb);
  ApplyEpochFactorToDirection(wb, wb.Epoch);
  return e0;
}

void ApplyEpochFactorToDirection(Workbench& wb, int epoch) {
  TForm1& f = wb.Form1;
  const std::span<double> V = wb.SearchDirection.Row(0);
  const WeightShape& shape = wb.SearchDirection.Shape();
  auto scaleLayer = [&](int l, double factor) {
    const std::size_t li = static_cast<std::size_t>(l - 1);
    const std::size_t size = static_cast<std::size_t>(shape.Neurons[li]) * static_cast<std::size_t>(shape.Weights[li]);
    for (std::size_t i = shape.Offset[li]; i < shape.Offset[li] + size; ++i) V[i] *= factor;
  };

  // 1. The hidden layers' factor.
  bool hidden = true;
  double factor = 1.0;
  if (f.HexpButton.Checked()) {
    factor = 1.0 + wb.Aepoch * std::exp(-wb.Bepoch * epoch);
  } else if (f.HSegButton.Checked()) {
    const Edit* const m[] = {&f.MEdit1, &f.MEdit2, &f.MEdit3, &f.MEdit4};
    int segment = 3;
    if (epoch <= StrToFloat(f.EEdit1.Text()))
      segment = 0;
    else if (epoch <= StrToFloat(f.EEdit2.Text()))
      segment = 1;
    else if (epoch <= StrToFloat(f.EEdit3.Text()))
      segment = 2;
    factor = StrToFloat(m[segment]->Text());
  } else {
    hidden = false;
  }
  if (hidden) {
    if (shape.NumLayers() == 2) {
      scaleLayer(1, factor);
    } else if (shape.NumLayers() == 3) {
      scaleLayer(2, factor);
      scaleLayer(1, wb.Middle * factor);
    }
  }

  // 2. The shaping of the distribution.
  if (!(f.AdEButton.Checked() && !f.LOBox.Checked())) {
    double m = 0.0, sd = 0.0;
    MeanAndDeviation(V, m, sd);
    if (f.A05dEButton.Checked()) ClipToTenDeviations(V, sd);
    if (f.AdE075Button.Checked()) {
      for (double& v : V) v = ShapeThreeQuarters(v, sd);
    } else if (f.AdEVexpButton.Checked()) {
      for (double& v : V) v = Sign(v) * std::pow(std::fabs(v), wb.V_exp);
    }
  }

  // 3. Signs only.
  if (wb.V_exp == 0.0)
    for (double& v : V) v = Sign(v);

  // 4. Unit length.
  Normalise(wb, epoch);

  // 5. The direction's log.
  if (f.LogGradientBox.Checked() && wb.GradientsFile.is_open()) {
    std::string line;
    for (double v : V) line += "   " + FormatReal(v);
    wb.GradientsFile << line << '\n';
    // A log that cannot be written ends the run (the log before stays).
    if (!wb.GradientsFile) throw FileError("Cannot write file " + wb.GradientsFile.path());
  }
}

bool ProbeWeightsNormalised(Workbench& wb) {
  SaveOldWeights(wb);
  const double h = wb.NGStep;
  const double e0 = NGRuleError(wb);
  wb.CurrentError = e0;
  const std::span<double> V = wb.SearchDirection.Row(0);
  const std::span<double> side = wb.SideError.Row(0);
  std::fill(side.begin(), side.end(), e0);
  ForEachNGWeight(wb, [&](int, int, int k, std::size_t i, TNeuron& nr) {
    const auto uk = static_cast<std::size_t>(k);
    const double w0 = nr.OldWeights[uk];
    V[i] = 0.0;
    nr.Weights[uk] = w0 + h;
    const double plus = NGRuleError(wb);
    if (plus < e0) {
      V[i] = 1.0;
      side[i] = plus;
    }
    nr.Weights[uk] = w0 - h;
    const double minus = NGRuleError(wb);
    if (minus < e0 && minus < plus) {
      V[i] = -1.0;
      side[i] = minus;
    }
    nr.Weights[uk] = w0;
  });
  double m = 1.01 * e0;
  for (double s : side) m = std::min(m, s);
  auto backToOldPoint = [&] {
    RestoreOldWeights(wb);
    wb.NormV = std::sqrt(wb.GradSumSq);
    wb.CurrentError = NGRuleError(wb);
    return true;
  };
  // No probe improved: there is nothing to scale by, and the old point stays.
  if (e0 - m == 0.0) return backToOldPoint();
  const double D = 1.0 / (e0 - m);
  ForEachNGWeight(wb, [&](int, int, int k, std::size_t i, TNeuron& nr) {
    if (V[i] == 0.0) return;
    V[i] *= wb.V_coef * std::pow((e0 - side[i]) * D, wb.V_exp);
    nr.Weights[static_cast<std::size_t>(k)] += h * V[i];
  });
  wb.CurrentError = NGRuleError(wb);
  if (wb.CurrentError < e0) return false;
  return backToOldPoint();
}

bool ProbeWeightsPower(Workbench& wb) {
  wb.GradSumSq = 0.0;
  SaveOldWeights(wb);
  const double e0 = NGRuleError(wb);
  wb.CurrentError = e0;
  const std::span<double> V = wb.SearchDirection.Row(0);
  ForEachNGWeight(wb, [&](int, int, int k, std::size_t i, TNeuron& nr) {
    const auto uk = static_cast<std::size_t>(k);
    const double w0 = nr.OldWeights[uk];
    nr.Weights[uk] = w0 + 0.01;
    const double plus = NGRuleError(wb);
    nr.Weights[uk] = w0 - 0.01;
    const double minus = NGRuleError(wb);
    V[i] = PowerComponent(e0, plus, minus, wb.V_coef, wb.V_exp);
    wb.GradSumSq += V[i] * V[i];
    nr.Weights[uk] = w0;
  });
  wb.NormV = std::sqrt(wb.GradSumSq);
  wb.CurrentError = NGRuleError(wb);
  return false;
}

int ProbeWeightsAboveLimit(Workbench& wb) {
  const double lim = StrToFloat(wb.Form1.elimdVEdit.Text()) / wb.NumOfVectors;
  wb.GradSumSq = 0.0;
  SaveOldWeights(wb);
  const double h = wb.NGStep;
  const double e0 = NGRuleError(wb);
  wb.CurrentError = e0;
  const std::span<double> V = wb.SearchDirection.Row(0);
  const std::span<double> prev = wb.PrevDirection.Row(0);
  ForEachNGWeight(wb, [&](int, int, int k, std::size_t i, TNeuron& nr) {
    V[i] = 0.0;
    if (wb.Epoch >= 4 && std::fabs(prev[i]) <= lim) return;  // frozen
    const auto uk = static_cast<std::size_t>(k);
    const double w0 = nr.OldWeights[uk];
    nr.Weights[uk] = w0 + h;
    const double plus = NGRuleError(wb);
    nr.Weights[uk] = w0 - h;
    const double minus = NGRuleError(wb);
    double v = 0.0;
    if (plus < e0) v = wb.V_coef * std::pow((e0 - plus) / e0, wb.V_exp);
    if (minus < e0 && minus < plus) v = -wb.V_coef * std::pow((e0 - minus) / e0, wb.V_exp);
    V[i] = v;
    prev[i] = v;
    wb.GradSumSq += v * v;
    nr.Weights[uk] = w0;
  });
  ForEachNGWeight(wb, [&](int, int, int k, std::size_t i, TNeuron& nr) {
    nr.Weights[static_cast<std::size_t>(k)] += h * V[i];
  });
  wb.CurrentError = NGRuleError(wb);
  wb.NormV = std::sqrt(wb.GradSumSq);
  return 1;
}

}  // namespace wl

#include "smlp/lnet.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "model/error_functions.h"
#include "model/forward_pass.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "smlp/lunit_net.h"
#include "smlp/smlp_network.h"
#include "smlp/step_rules.h"
#include "state/workbench.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

[[noreturn]] void NotFitting() { throw WlError("The L-net does not fit the data set. Train the network again."); }

std::string Fixed0(double x) { return FixedDisplayText(x, 12, 0); }
std::string Rate(double x) { return FixedDisplayText(x, 7, 5); }

void Log(Workbench& wb, const std::string& line) {
  if (!wb.LogFile.is_open()) throw FileError("The run log is not open to write \"" + line + "\"");
  wb.LogFile << line << '\n';
  if (!wb.LogFile) throw FileError("Cannot write file " + wb.LogFileName);
}

bool Continuous(const Workbench& wb, std::size_t f) { return wb.Features[f].Kind == 'c'; }

TNeuron WithWeights(std::vector<double> w) {
  TNeuron n;
  n.Weights = std::move(w);
  return n;
}

inline double Unit(double net, double theta, double slope) {
  if (slope == 0.0) return SignOf(net - theta) * 0.5 + 0.5;
  return 1.0 / (1.0 + UnguardedExp(slope * (theta - net)));
}

void LogIntervals(Workbench& wb) {
  for (std::size_t f = 0; f < wb.Features.size(); ++f) {
    if (!Continuous(wb, f)) continue;
    for (std::size_t j = 0; j < wb.LNet1[f].size(); ++j) {
      Log(wb, LNetBoundLine(1, static_cast<int>(f), static_cast<int>(j), wb.LNet1[f][j].Weights[0]));
      Log(wb, LNetBoundLine(2, static_cast<int>(f), static_cast<int>(j), wb.LNet2[f][j].Weights[0]));
    }
  }
  Log(wb, "");
}

}  // namespace

std::string LNetBoundLine(int which, int f, int j, double bound) {
  return "LN" + IntToStr(which) + "[" + IntToStr(f) + "," + IntToStr(j) + "].weight[0]= " +
         FixedDisplayText(bound, 13, 3);
}

void SetupLNetIntervals(Workbench& wb, int L) {
  const std::size_t nf = static_cast<std::size_t>(std::max(0, wb.NumOfFeatures));
  wb.FeatureValueCount.assign(nf, 0);
  wb.LNet1.assign(nf, {});
  wb.LNet2.assign(nf, {});
  wb.LNet3.assign(nf, {});
  wb.LNetFeatureMin.assign(nf, 0.0);
  wb.LNetFeatureMax.assign(nf, 0.0);
  for (std::size_t f = 0; f < nf; ++f) {
    const bool continuous = Continuous(wb, f);
    const int n = continuous ? wb.NumOfClasses * L : wb.Features[f].NValues;
    wb.FeatureValueCount[f] = n;
    wb.LNet1[f].resize(static_cast<std::size_t>(std::max(0, n)));
    wb.LNet2[f].resize(static_cast<std::size_t>(std::max(0, n)));
    wb.LNet3[f].resize(static_cast<std::size_t>(std::max(0, n)));
    if (!continuous) continue;
    // The range starts from the first vector, so that any scale of values is covered.
    double min = 0.0, max = 0.0;
    for (int v = 0; v < wb.NumOfVectors; ++v) {
      const double x = wb.Data[static_cast<std::size_t>(v)][f];
      if (v == 0 || x < min) min = x;
      if (v == 0 || x > max) max = x;
    }
    wb.LNetFeatureMin[f] = min;
    wb.LNetFeatureMax[f] = max;
    for (int j = 0; j < n; ++j) {
      const double b1 = min + j * (max - min) / n;
      const double b2 = min + (j + 1) * (max - min) / n;
      wb.LNet1[f][static_cast<std::size_t>(j)] = WithWeights({b1, 1.0});
      wb.LNet2[f][static_cast<std::size_t>(j)] = WithWeights({b2, 1.0});
      wb.LNet3[f][static_cast<std::size_t>(j)] = WithWeights({1.5, 1.0, -1.0});
    }
  }
  LogIntervals(wb);
}

void BuildLNet(Workbench& wb, int /*L*/) {
  const int classes = wb.NumOfClasses;
  wb.SMLPOutWeights = {1.0, 1.0, 1.0, 1.0};
  int l0 = 0;
  for (int n : wb.FeatureValueCount) l0 += n;
  if (static_cast<int>(wb.HidPerOut.size()) < classes) wb.HidPerOut.resize(static_cast<std::size_t>(classes), 0);
  int l1 = 0;
  for (int c = 0; c < classes; ++c) l1 += wb.HidPerOut[static_cast<std::size_t>(c)];
  wb.NumOfLayers = 3;
  wb.Layers = {l0, l1, classes};
  wb.Net.assign(3, {});
  wb.Net[0].resize(static_cast<std::size_t>(l0));
  for (TNeuron& n : wb.Net[0]) n.Weights.assign(1, 1.0);
  wb.Net[1].resize(static_cast<std::size_t>(l1));
  for (TNeuron& n : wb.Net[1]) {
    n.Weights.assign(static_cast<std::size_t>(l0) + 1, 0.0);
    n.Weights[static_cast<std::size_t>(l0)] = wb.HidBias;
    n.OldWeights.assign(static_cast<std::size_t>(l0) + 1, 0.0);
  }
  wb.Net[2].resize(static_cast<std::size_t>(classes));
  for (int c = 0; c < classes; ++c) {
    TNeuron& n = wb.Net[2][static_cast<std::size_t>(c)];
    const int k = wb.HidPerOut[static_cast<std::size_t>(c)];
    n.Weights.assign(static_cast<std::size_t>(k) + 1, 0.0);
    for (int t = 0; t < k; ++t) n.Weights[static_cast<std::size_t>(t)] = SMLPOutWeight(wb, t);
    n.Weights[static_cast<std::size_t>(k)] = wb.OutBias;
    n.OldWeights.assign(static_cast<std::size_t>(k) + 1, 0.0);
  }
  wb.LayerInputs = {l0, wb.HidPerOut.empty() ? 0 : wb.HidPerOut[0], 0, 0};
  int weights = l1 * (l0 + 1);
  for (int c = 0; c < classes; ++c) weights += wb.HidPerOut[static_cast<std::size_t>(c)] + 1;
  wb.NumOfWeights = weights;
  wb.InputFeature.assign(static_cast<std::size_t>(l0), 0);
  wb.InputValue.assign(static_cast<std::size_t>(l0), 0);
  int i = 0;
  for (std::size_t f = 0; f < wb.FeatureValueCount.size(); ++f)
    for (int j = 0; j < wb.FeatureValueCount[f]; ++j, ++i) {
      wb.InputFeature[static_cast<std::size_t>(i)] = static_cast<int>(f);
      wb.InputValue[static_cast<std::size_t>(i)] = j;
    }
  wb.NetType = 3;
  wb.LUnitsMode = 7;
  wb.SingleClassNet = false;
  ++wb.SMLPBuilds;
}

void RequireLNet(const Workbench& wb) {
  const int classes = wb.NumOfClasses;
  const std::size_t nf = wb.Features.size();
  if (wb.Net.size() != 3 || wb.Layers.size() != 3 || classes < 1) NotFitting();
  if (wb.FeatureValueCount.size() != nf || wb.LNet1.size() != nf || wb.LNet2.size() != nf || wb.LNet3.size() != nf)
    NotFitting();
  int l0 = 0;
  for (std::size_t f = 0; f < nf; ++f) {
    const auto n = static_cast<std::size_t>(std::max(0, wb.FeatureValueCount[f]));
    l0 += static_cast<int>(n);
    if (Continuous(wb, f)) {
      if (wb.LNet1[f].size() != n || wb.LNet2[f].size() != n || wb.LNet3[f].size() != n) NotFitting();
      for (std::size_t j = 0; j < n; ++j)
        if (wb.LNet1[f][j].Weights.empty() || wb.LNet2[f][j].Weights.empty()) NotFitting();
    } else if (n > wb.Features[f].Values.size()) {
      NotFitting();
    }
  }
  if (l0 != wb.Layers[0] || wb.Net[0].size() != static_cast<std::size_t>(l0)) NotFitting();
  if (static_cast<int>(wb.HidPerOut.size()) < classes) NotFitting();
  const std::size_t hidden = wb.Net[1].size();
  for (int c = 0; c < classes; ++c)
    if (wb.HidPerOut[static_cast<std::size_t>(c)] != wb.HidPerOut[0]) NotFitting();
  if (static_cast<std::size_t>(classes) * static_cast<std::size_t>(std::max(0, wb.HidPerOut[0])) > hidden) NotFitting();
  for (const TNeuron& n : wb.Net[1])
    if (n.Weights.size() < static_cast<std::size_t>(l0) + 1) NotFitting();
  if (wb.Net[2].size() != static_cast<std::size_t>(classes)) NotFitting();
  for (const TNeuron& n : wb.Net[2])
    if (n.Weights.size() < static_cast<std::size_t>(wb.HidPerOut[0]) + 1) NotFitting();
  if (wb.Data.size() < static_cast<std::size_t>(wb.NumOfVectors) ||
      wb.VectorClass.size() < static_cast<std::size_t>(wb.NumOfVectors))
    NotFitting();
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    if (wb.Data[static_cast<std::size_t>(v)].size() < nf) NotFitting();
    if (wb.VectorClass[static_cast<std::size_t>(v)] < 0 || wb.VectorClass[static_cast<std::size_t>(v)] >= classes)
      NotFitting();
  }
}

void LNetForward(Workbench& wb, int v) {
  const int classes = wb.NumOfClasses;
  const double* row = wb.Data[static_cast<std::size_t>(v)].data();
  std::vector<TNeuron>& in = wb.Net[0];
  int i = 0;
  for (std::size_t f = 0; f < wb.Features.size(); ++f) {
    const int n = wb.FeatureValueCount[f];
    const double x = row[f];
    if (Continuous(wb, f)) {
      for (int j = 0; j < n; ++j, ++i) {
        TNeuron& n1 = wb.LNet1[f][static_cast<std::size_t>(j)];
        TNeuron& n2 = wb.LNet2[f][static_cast<std::size_t>(j)];
        TNeuron& n3 = wb.LNet3[f][static_cast<std::size_t>(j)];
        n1.Signal = SignOf(1.0 * x - n1.Weights[0]);
        n2.Signal = SignOf(1.0 * x - n2.Weights[0]);
        n3.Signal = SignOf(1.0 * n1.Signal + (-1.0) * n2.Signal - 1.5) * 0.5 + 0.5;
        in[static_cast<std::size_t>(i)].Signal = n3.Signal;
      }
    } else {
      const std::vector<double>& values = wb.Features[f].Values;
      for (int j = 0; j < n; ++j, ++i) in[static_cast<std::size_t>(i)].Signal = x == values[static_cast<std::size_t>(j)] ? 1.0 : 0.0;
    }
  }

  const int l0 = wb.Layers[0];
  const double slope = wb.Slope;
  std::vector<TNeuron>& hid = wb.Net[1];
  const int hidden = wb.HidPerOut[0] * classes;
  for (int h = 0; h < hidden; ++h) {
    const double* w = hid[static_cast<std::size_t>(h)].Weights.data();
    double s = 0.0;
    for (int k = 0; k < l0; ++k) {
      const double x = in[static_cast<std::size_t>(k)].Signal;
      if (x != 0.0) s += x * w[k];
    }
    hid[static_cast<std::size_t>(h)].Signal = Unit(s, w[l0], slope);
  }
  std::vector<TNeuron>& out = wb.Net[2];
  for (int c = 0; c < classes; ++c) {
    const int k = wb.HidPerOut[static_cast<std::size_t>(c)];
    const double* w = out[static_cast<std::size_t>(c)].Weights.data();
    double s = 0.0;
    for (int t = 0; t < k; ++t) s += hid[static_cast<std::size_t>(t * classes + c)].Signal * w[t];
    out[static_cast<std::size_t>(c)].Signal = Unit(s, w[k], slope);
  }
}

double LNetError(Workbench& wb, std::uint8_t /*mode*/) {
  RequireLNet(wb);
  wb.Plat.Pulse(wb.NumOfVectors);
  const int n = wb.NumOfVectors;
  const int classes = wb.NumOfClasses;
  const double p = wb.ErrorExponent;
  const std::vector<TNeuron>& out = wb.Net[2];
  double e = 0.0;
  int correct = 0;
  for (int v = 0; v < n; ++v) {
    LNetForward(wb, v);
    const int c = wb.VectorClass[static_cast<std::size_t>(v)];
    double best = 0.0;
    int prediction = -1;
    for (int o = 0; o < classes; ++o) {
      const double y = out[static_cast<std::size_t>(o)].Signal;
      e += ErrorTerm(y - (o == c ? 1.0 : 0.0), p);
      if (y > best) {
        best = y;
        prediction = o;
      }
    }
    if (prediction == c) ++correct;
  }
  if (n == 0) throw FloatError("Invalid floating point operation: the accuracy of an empty data set (0 / 0)");
  wb.SuccessRate = static_cast<double>(correct) / n;
  wb.ErrorEvaluations += 1;
  return e;
}

void TrainLNetOneChange(Workbench& wb, std::uint8_t mode) {
  TForm1& form = wb.Form1;
  wb.OptMet = 1;
  wb.NumOfEpochs = StrToInt(Trim(form.EpochEditT2.Text()));
  double e = LNetError(wb, mode);
  double bestRate = wb.SuccessRate;
  wb.StopError = wb.StopError * e;
  wb.ResultText = Fixed0(e);
  form.ge.SetText("- / " + wb.ResultText);
  form.ge.Repaint();

  const int l0 = wb.Layers[0];
  const int hidden = wb.Layers[1];
  auto tried = [&]() {
    const double trial = LNetError(wb, mode);
    wb.NewError = trial;
    if (!(trial < e && wb.WorthChanging * bestRate < wb.SuccessRate)) return false;
    bestRate = wb.SuccessRate;
    e = trial;
    return true;
  };
  for (int epoch = 1; epoch <= wb.NumOfEpochs; ++epoch) {
    for (int h = 0; h < hidden; ++h) {
      std::vector<double>& w = wb.Net[1][static_cast<std::size_t>(h)].Weights;
      for (int i = l0 - 1; i >= 0; --i) {
        const double w0 = w[static_cast<std::size_t>(i)];
        double change = 0.0;
        w[static_cast<std::size_t>(i)] = w0 + 1.0;
        if (tried()) change = 1.0;
        w[static_cast<std::size_t>(i)] = w0 - 1.0;
        if (tried()) change = -1.0;
        w[static_cast<std::size_t>(i)] = w0 + change;
      }
    }
    form.ep.SetText(IntToStr(epoch));
    form.ep.Repaint();
    form.ge.SetText(wb.ResultText + " / " + Fixed0(e));
    form.ge.Repaint();
    form.EditSuccess.SetText(Rate(bestRate));
    form.EditSuccess.Repaint();
  }
  // The accuracy variables describe the network kept, not its last trial.
  wb.CurrentError = e;
  wb.SuccessRate = bestRate;
}

void ShiftLIntervalBounds(Workbench& wb, std::uint8_t mode) {
  double bestError = LNetError(wb, mode);
  for (std::size_t f = 0; f < wb.Features.size(); ++f) {
    if (!Continuous(wb, f)) continue;
    const double min = wb.LNetFeatureMin[f], max = wb.LNetFeatureMax[f];
    for (int s = 1; s < wb.FeatureValueCount[f]; ++s) {
      double& lower = wb.LNet1[f][static_cast<std::size_t>(s)].Weights[0];
      double& upperBefore = wb.LNet2[f][static_cast<std::size_t>(s - 1)].Weights[0];
      const double w0 = lower;
      double best = w0;
      for (int t = -2; t <= 2; ++t) {
        const double c = w0 + 0.1 * t;
        if (!(c >= min && c <= max)) continue;
        lower = c;
        upperBefore = c - 0.001;
        TrainLNetOneChange(wb, mode);
        const double e = LNetError(wb, mode);
        if (e < bestError) {
          bestError = e;
          best = c;
        }
      }
      lower = best;
      upperBefore = best - 0.001;
    }
  }
}

namespace {

StepRules LUnitRules(Workbench& wb) {
  const int classes = wb.NumOfClasses;
  const std::size_t nf = wb.Features.size();
  const int opt = std::clamp(wb.OptMet, 0, 2);
  StepRules rules = BuildStepRules(wb);
  wb.RuleTexts.assign(static_cast<std::size_t>(classes), {});
  for (int c = 0; c < classes; ++c) {
    auto& texts = wb.RuleTexts[static_cast<std::size_t>(c)];
    texts.assign(static_cast<std::size_t>(std::max(0, wb.HidPerOut[static_cast<std::size_t>(c)])), " ");
    const auto& units = rules.Units[static_cast<std::size_t>(c)];
    for (std::size_t t = 0; t < units.size() && t < texts.size(); ++t) {
      std::string text(1, ' ');
      text += RuleText(rules.Features, units[t]);
      texts[t] = std::move(text);
    }
  }
  auto slots = [&](std::size_t f) {
    return f < wb.FeatureValueCount.size() ? std::max(0, wb.FeatureValueCount[f]) : 0;
  };
  for (int m = 0; m < 3; ++m) {
    auto& table = wb.Mlt[static_cast<std::size_t>(m)];
    table.resize(static_cast<std::size_t>(classes));
    for (auto& perClass : table) {
      perClass.resize(nf);
      for (std::size_t f = 0; f < nf; ++f) {
        perClass[f].resize(static_cast<std::size_t>(slots(f)), 0);
        if (m == opt) std::fill(perClass[f].begin(), perClass[f].end(), 0);
      }
    }
  }
  // The signed rule weights of the comparison table.
  auto& mlt = wb.Mlt[static_cast<std::size_t>(opt)];
  const std::vector<TNeuron>& hidden = wb.Net[1];
  for (int c = 0; c < classes; ++c)
    for (int t = 0; t < wb.HidPerOut[static_cast<std::size_t>(c)]; ++t) {
      const std::size_t neuron = static_cast<std::size_t>(t) * classes + c;
      if (neuron >= hidden.size()) NotFitting();
      const std::vector<double>& w = hidden[neuron].Weights;
      const double outWeight = SMLPOutWeight(wb, t);
      std::size_t i = 0;
      for (std::size_t f = 0; f < nf; ++f)
        for (int v = 0; v < slots(f); ++v, ++i) {
          if (i >= w.size()) NotFitting();
          mlt[static_cast<std::size_t>(c)][f][static_cast<std::size_t>(v)] +=
              static_cast<int>(Round(static_cast<double>(Round(w[i])) * outWeight));
        }
    }
  return rules;
}

}  // namespace

void WriteLUnitRules(Workbench& wb) { LUnitRules(wb); }

void WriteLNetRules(Workbench& wb, std::uint8_t mode) {
  const StepRules rules = LUnitRules(wb);
  // Each class's rule combines its units as its output does; the count reads the printed texts back.
  std::vector<std::string> texts;
  for (int c = 0; c < wb.NumOfClasses; ++c) {
    Log(wb, "");
    texts.push_back(RuleText(rules.Features, rules.Classes[static_cast<std::size_t>(c)], "       or      "));
    Log(wb, "class " + IntToStr(c) + " if    " + texts.back());
  }
  if (rules.Logistic) Log(wb, kLogisticRulesNote);
  if (const std::string note = IntervalRulesNote(rules.Features, wb.Normalised); !note.empty()) Log(wb, note);
  Log(wb, RulesAgreementLine(StepRulesAgreement(wb, rules.Features, texts), wb.NumOfVectors));
  for (int l = 1; l < wb.NumOfLayers && static_cast<std::size_t>(l) < wb.Net.size(); ++l)
    for (std::size_t k = 0; k < wb.Net[static_cast<std::size_t>(l)].size(); ++k) {
      const std::vector<double>& w = wb.Net[static_cast<std::size_t>(l)][k].Weights;
      for (std::size_t i = 0; i < w.size(); ++i)
        Log(wb, IntToStr(l) + "  " + IntToStr(static_cast<std::int64_t>(k)) + "  " +
                    IntToStr(static_cast<std::int64_t>(i)) + "   " + FixedDisplayText(w[i], 13, 3));
    }
  Log(wb, "");
  if (mode <= 1 && wb.LUnitsMode == 7) LogIntervals(wb);
}

}  // namespace wl

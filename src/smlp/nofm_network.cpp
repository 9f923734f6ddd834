#include "smlp/nofm_network.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "model/forward_pass.h"
#include "model/weights_file.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "platform/paths.h"
#include "smlp/smlp_network.h"
#include "smlp/step_rules.h"
#include "state/workbench.h"

namespace wl {

namespace {

[[noreturn]] void NotFitting() {
  throw WlError("The N-of-M network does not fit the data set. Run \"N of M 4/5\" again.");
}

int Groups(const Workbench& wb) { return wb.HidPerOut.empty() ? 0 : wb.HidPerOut[0]; }

bool Frequent(const Workbench& wb, int g, int c, int f) {
  return wb.FeatureUse[g][c][f] > wb.FrequentUseLimit;
}

}  // namespace

double NofMUnitTransfer(double net, double t, double slope) {
  if (slope == 0.0) return net > t ? 1.0 : (net < t ? 0.0 : 0.5);
  const double arg = slope * (t - net);
  return arg > kExpGuard ? 0.0 : 1.0 / (1.0 + std::exp(arg));
}

double NofMOutputTransfer(double net, double t, double slope) {
  if (slope == 0.0) return net > t ? 1.0 : (net < t ? 0.0 : 0.5);
  return 1.0 / (1.0 + UnguardedExp(slope * (t - net)));
}

void NofMInputs(Workbench& wb, int v) {
  std::vector<TNeuron>& in = wb.Net[0];
  const double* row = wb.Data[v].data();
  int offset = 0;
  for (int f = 0; f < wb.NumOfFeatures; ++f) {
    const TFeature& feat = wb.Features[f];
    const int known = std::min(feat.NValues, static_cast<int>(feat.Values.size()));
    for (int i = 0; i < feat.NValues; ++i) in[offset + i].Signal = (i < known && row[f] == feat.Values[i]) ? 1.0 : 0.0;
    offset += feat.NValues;
  }
}

void NofMFeatureSignals(Workbench& wb, int units, double slope) {
  const int nf = wb.NumOfFeatures;
  const std::vector<TNeuron>& in = wb.Net[0];
  std::vector<TNeuron>& fu = wb.Net[1];
  for (int u = 0; u < units; ++u) {
    int offset = 0;
    for (int f = 0; f < nf; ++f) {
      TNeuron& n = fu[u * nf + f];
      const int nv = wb.Features[f].NValues;
      double net = 0.0;
      for (int i = 0; i < nv; ++i) net += in[offset + i].Signal * n.Weights[i];
      n.Signal = NofMUnitTransfer(net, n.Weights[nv], slope);
      offset += nv;
    }
  }
}

std::string NofMHiddenRefusal(const Workbench& wb) {
  if (std::string refusal = HiddenCountsRefusal(wb, "N-of-M"); !refusal.empty()) return refusal;
  if (Groups(wb) <= 0) return "An N-of-M network needs at least one hidden neuron per class.";
  return "";
}

bool StartNofMBuild(Workbench& wb, int& groups, int& inputs) {
  const int k = wb.NumOfClasses;
  const int nf = wb.NumOfFeatures;
  if (wb.NumOfVectors <= 0 || k <= 0 || nf <= 0 || static_cast<int>(wb.Features.size()) < nf) {
    wb.Plat.ShowMessage("No data set has been opened yet. Open a data set first (Open -> Open Training Set).");
    return false;
  }
  if (static_cast<int>(wb.HidPerOut.size()) < k) wb.HidPerOut.resize(static_cast<std::size_t>(k), 0);
  if (const std::string refusal = NofMHiddenRefusal(wb); !refusal.empty()) {
    wb.Plat.ShowMessage(refusal);
    return false;
  }
  groups = Groups(wb);
  wb.FeatureValueCount.resize(static_cast<std::size_t>(nf));
  inputs = 0;
  for (int f = 0; f < nf; ++f) {
    wb.FeatureValueCount[f] = wb.Features[f].NValues;
    inputs += wb.Features[f].NValues;
  }
  return true;
}

void BuildNofMFeatureLayers(Workbench& wb, int units, int inputs) {
  const int nf = wb.NumOfFeatures;
  wb.Net.assign(4, {});
  wb.Net[0].assign(static_cast<std::size_t>(inputs), TNeuron{});
  for (TNeuron& n : wb.Net[0]) n.Weights.assign(1, 1.0);
  wb.Net[1].assign(static_cast<std::size_t>(units * nf), TNeuron{});
  for (int u = 0; u < units; ++u)
    for (int f = 0; f < nf; ++f) {
      TNeuron& n = wb.Net[1][static_cast<std::size_t>(u * nf + f)];
      n.Weights.assign(static_cast<std::size_t>(wb.Features[f].NValues) + 1, 0.0);
      n.Weights.back() = 0.5;
    }
}

void BuildNofMOutputs(Workbench& wb, int groups) {
  wb.Net[3].assign(static_cast<std::size_t>(wb.NumOfClasses), TNeuron{});
  for (TNeuron& n : wb.Net[3]) {
    n.Weights.assign(static_cast<std::size_t>(groups) + 1, 1.0);
    n.Weights.back() = wb.OutBias;
  }
  int weights = 0;
  for (int l = 1; l < 4; ++l)
    for (const TNeuron& n : wb.Net[l]) weights += static_cast<int>(n.Weights.size());
  wb.NumOfWeights = weights;
}

bool NofMVectorsFit(const Workbench& wb) {
  const int k = wb.NumOfClasses;
  const int nf = wb.NumOfFeatures;
  if (wb.Data.size() < static_cast<std::size_t>(wb.NumOfVectors) ||
      wb.VectorClass.size() < static_cast<std::size_t>(wb.NumOfVectors))
    return false;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    if (static_cast<int>(wb.Data[v].size()) < nf) return false;
    if (wb.VectorClass[v] < 0 || wb.VectorClass[v] >= k) return false;
  }
  return true;
}

bool CreateFourLayerNet(Workbench& wb) {
  const int k = wb.NumOfClasses;
  const int nf = wb.NumOfFeatures;
  int g = 0, l0 = 0;
  if (!StartNofMBuild(wb, g, l0)) return false;
  wb.NumOfLayers = 4;
  wb.NetType = 4;
  wb.Layers = {l0, k * g * nf, k * g, k};
  BuildNofMFeatureLayers(wb, k * g, l0);
  wb.Net[2].assign(static_cast<std::size_t>(k * g), TNeuron{});
  for (TNeuron& n : wb.Net[2]) {
    n.Weights.assign(static_cast<std::size_t>(nf) + 1, 1.0);
    n.Weights.back() = 0.5;
  }
  BuildNofMOutputs(wb, g);

  wb.NofMKind.assign(static_cast<std::size_t>(g), std::vector<std::string>(static_cast<std::size_t>(k), "new"));
  wb.FeatureUse.assign(static_cast<std::size_t>(g),
                       std::vector<std::vector<int>>(static_cast<std::size_t>(k), std::vector<int>(static_cast<std::size_t>(nf), 0)));
  wb.ExpandAnd.clear();
  wb.ExpandNofM.clear();
  wb.ExpandBuilt.assign(static_cast<std::size_t>(g * k), 0);
  wb.RuleText.clear();
  wb.ExpandCount = 0;
  wb.CountFeatureUse = 0;
  wb.FrequentUseLimit = static_cast<int>(Round(0.8 * wb.NumOfVectors));

  for (int i = 1; i <= 12; ++i) wb.ParamText[static_cast<std::size_t>(i)].clear();
  wb.ParamText[1] = "four layers (or more?), hid.bias = " + wb.Form1.HidBEdit.Text() + "  out.bias = " + wb.Form1.OutBEdit.Text();
  wb.SingleClassNet = false;
  ++wb.SMLPBuilds;
  SaveWeights(wb, 0);
  return true;
}

void RequireFourLayerNet(const Workbench& wb) {
  const int k = wb.NumOfClasses;
  const int nf = wb.NumOfFeatures;
  const int g = Groups(wb);
  if (wb.Net.size() != 4 || wb.Layers.size() != 4 || k <= 0 || g <= 0) NotFitting();
  if (static_cast<int>(wb.Features.size()) < nf || static_cast<int>(wb.HidPerOut.size()) < k) NotFitting();
  int l0 = 0;
  for (int f = 0; f < nf; ++f) l0 += wb.Features[f].NValues;
  if (static_cast<int>(wb.Net[0].size()) != l0 || wb.Net[1].size() != static_cast<std::size_t>(k * g * nf) ||
      wb.Net[2].size() != static_cast<std::size_t>(k * g) || wb.Net[3].size() != static_cast<std::size_t>(k))
    NotFitting();
  for (int u = 0; u < k * g; ++u) {
    for (int f = 0; f < nf; ++f)
      if (static_cast<int>(wb.Net[1][u * nf + f].Weights.size()) != wb.Features[f].NValues + 1) NotFitting();
    if (static_cast<int>(wb.Net[2][u].Weights.size()) != nf + 1) NotFitting();
  }
  for (int c = 0; c < k; ++c)
    if (wb.HidPerOut[c] != g || static_cast<int>(wb.Net[3][c].Weights.size()) != g + 1) NotFitting();
  if (wb.NofMKind.size() != static_cast<std::size_t>(g) || wb.FeatureUse.size() != static_cast<std::size_t>(g) ||
      wb.ExpandBuilt.size() != static_cast<std::size_t>(g * k))
    NotFitting();
  if (!NofMVectorsFit(wb)) NotFitting();
}

void ForwardFourLayer(Workbench& wb, int v) {
  const int k = wb.NumOfClasses;
  const int nf = wb.NumOfFeatures;
  const int g = Groups(wb);
  const double slope = wb.Slope;
  wb.FrequentUseLimit = static_cast<int>(Round(0.8 * wb.NumOfVectors));

  NofMInputs(wb, v);
  NofMFeatureSignals(wb, g * k, slope);
  const std::vector<TNeuron>& fu = wb.Net[1];

  std::vector<TNeuron>& nm = wb.Net[2];
  for (int gi = 0; gi < g; ++gi)
    for (int c = 0; c < k; ++c) {
      const int u = gi * k + c;
      TNeuron& n = nm[u];
      const TNeuron* s = &fu[u * nf];
      if (wb.ExpandBuilt[u] && wb.NofMKind[gi][c] == "expand") {
        // The conjunction over the frequent features and the N-of-M part over the others, each with the
        // threshold the expansion gave it, joined by a two-input AND.
        const TNeuron& andUnit = wb.ExpandAnd[u];
        const TNeuron& nofmUnit = wb.ExpandNofM[u];
        double a = 0.0, b = 0.0;
        for (int f = 0; f < nf; ++f) {
          if (Frequent(wb, gi, c, f))
            a += s[f].Signal * andUnit.Weights[f];
          else
            b += s[f].Signal * nofmUnit.Weights[f];
        }
        const double sa = NofMUnitTransfer(a, andUnit.Weights[nf], slope);
        const double sb = NofMUnitTransfer(b, nofmUnit.Weights[nf], slope);
        n.Signal = NofMUnitTransfer(sa + sb, 1.5, slope);
      } else {
        double net = 0.0;
        for (int f = 0; f < nf; ++f) {
          const double term = s[f].Signal * n.Weights[f];
          net += term;
          if (wb.CountFeatureUse == 1 && std::fabs(term) > 0.1) ++wb.FeatureUse[gi][c][f];
        }
        n.Signal = NofMUnitTransfer(net, n.Weights[nf], slope);
      }
    }

  std::vector<TNeuron>& out = wb.Net[3];
  for (int c = 0; c < k; ++c) {
    const int h = wb.HidPerOut[c];
    const double* w = out[c].Weights.data();
    double net = 0.0;
    for (int i = 0; i < h; ++i) net += nm[i * k + c].Signal * w[i];
    out[c].Signal = NofMOutputTransfer(net, w[h], slope);
  }
}

void WriteFourLayerWeights(Workbench& wb) {
  const std::string path = wb.ResultsPrefix + "_wp.txt";
  // The record is appended whole or not at all.
  AtomicOfstream file(path, std::ios::binary | std::ios::app);
  if (!file) throw FileError("Cannot write file " + path);
  std::string s;
  for (int l = 1; l <= 3 && l < static_cast<int>(wb.Net.size()); ++l) {
    const std::string layer = IntToStr(l) + ".";
    for (std::size_t n = 0; n < wb.Net[l].size(); ++n) {
      const TNeuron& unit = wb.Net[l][n];
      const std::string prefix = layer + IntToStr(static_cast<std::int64_t>(n)) + ".";
      s += prefix + "s= " + FormatReal(unit.Signal) + "\n";
      for (std::size_t i = 0; i < unit.Weights.size(); ++i)
        s += prefix + IntToStr(static_cast<std::int64_t>(i)) + "= " + FormatReal(unit.Weights[i]) + "\n";
      s += "\n";
    }
  }
  s += std::string(44, '*') + "\n\n";
  file << s;
  CloseWritten(file);
}

void TrainFourLayerValueWeights(Workbench& wb) {
  WriteFourLayerWeights(wb);
  double best = EvaluateNetwork(wb);
  if (wb.NumOfEpochs <= 0) return;
  const int nf = wb.NumOfFeatures;
  std::vector<TNeuron>& fu = wb.Net[1];
  for (int e = 0; e < wb.NumOfEpochs; ++e)
    for (std::size_t j = 0; j < fu.size(); ++j) {
      const int nv = wb.Features[static_cast<int>(j % static_cast<std::size_t>(nf))].NValues;
      for (int i = 0; i < nv; ++i) {
        double& w = fu[j].Weights[i];
        const double w0 = w;
        double d = 0.0;
        w = w0 + 1.0;
        double err = EvaluateNetwork(wb);
        WriteFourLayerWeights(wb);
        if (err < best) {
          best = err;
          d = 1.0;
        }
        w = w0 - 1.0;
        err = EvaluateNetwork(wb);
        if (err < best) {
          best = err;
          d = -1.0;
        }
        w = w0 + d;
      }
    }
}

int SearchNofMThresholds(Workbench& wb) {
  const int k = wb.NumOfClasses;
  const int nf = wb.NumOfFeatures;
  const int g = Groups(wb);
  double ebest = EvaluateNetwork(wb);
  wb.ExpandCount = 0;
  for (int gi = 0; gi < g; ++gi)
    for (int c = 0; c < k; ++c) {
      TNeuron& unit = wb.Net[2][gi * k + c];
      double bestT = 0.5;
      for (int n = 1; n <= nf - 1; ++n) {
        unit.Weights[nf] = n + 0.5;
        const double err = EvaluateNetwork(wb);
        if (err <= ebest) {
          bestT = n + 0.5;
          ebest = err;
        }
      }
      std::string& kind = wb.NofMKind[gi][c];
      if (bestT == 0.5) {
        kind = "or";
      } else if (bestT == nf - 0.5) {
        kind = "and";
      } else {
        kind = "expand";
        ++wb.ExpandCount;
      }
      unit.Weights[nf] = bestT;
    }
  return wb.ExpandCount;
}

void ExpandUnits(Workbench& wb) {
  const int k = wb.NumOfClasses;
  const int nf = wb.NumOfFeatures;
  const int g = Groups(wb);
  wb.ExpandAnd.assign(static_cast<std::size_t>(g * k), TNeuron{});
  wb.ExpandNofM.assign(static_cast<std::size_t>(g * k), TNeuron{});
  wb.ExpandBuilt.assign(static_cast<std::size_t>(g * k), 0);
  wb.FrequentUseLimit = static_cast<int>(Round(0.8 * wb.NumOfVectors));
  for (int gi = 0; gi < g; ++gi)
    for (int c = 0; c < k; ++c) {
      if (wb.NofMKind[gi][c] != "expand") continue;
      const int u = gi * k + c;
      const TNeuron& unit = wb.Net[2][u];
      int na = 0;
      for (int f = 0; f < nf; ++f)
        if (Frequent(wb, gi, c, f)) ++na;
      wb.ExpandAnd[u] = unit;
      wb.ExpandNofM[u] = unit;
      wb.ExpandAnd[u].Weights[nf] = na - 0.5;
      wb.ExpandNofM[u].Weights[nf] = unit.Weights[nf] - na;
      wb.ExpandBuilt[u] = 1;
    }
}

std::string NofMUnitTerms(const Workbench& wb, int g, int c) {
  const StepRules rules = BuildStepRules(wb);
  return RuleText(rules.Features, rules.Units.at(static_cast<std::size_t>(c)).at(static_cast<std::size_t>(g)));
}

std::string ExpandedUnitTerms(const Workbench& wb, int g, int c) { return NofMUnitTerms(wb, g, c); }

void WriteNofMRules(Workbench& wb) {
  const int k = wb.NumOfClasses;
  // Each class's rule combines its units as its output does: every unit's N is written, and an
  // expanded unit is its conjunction part and its N-of-M part.
  const StepRules rules = BuildStepRules(wb);
  wb.RuleText.assign(static_cast<std::size_t>(k), std::string());
  std::vector<std::string> texts;
  for (int c = 0; c < k; ++c) {
    texts.push_back(RuleText(rules.Features, rules.Classes[static_cast<std::size_t>(c)], "    or  "));
    wb.RuleText[static_cast<std::size_t>(c)] = "class " + IntToStr(c) + " if  " + texts.back();
  }
  const std::string path = wb.ResultsPrefix + "_rf.txt";
  AtomicOfstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) throw FileError("Cannot write file " + path);
  for (const std::string& line : wb.RuleText) file << line << "\n";
  if (rules.Logistic) file << kLogisticRulesNote << "\n";
  file << RulesAgreementLine(StepRulesAgreement(wb, rules.Features, texts), wb.NumOfVectors) << "\n";
  file.close();
  if (!file) throw FileError("Cannot write file " + path);
}

void RunNofMFourLayer(Workbench& wb) {
  wb.CountFeatureUse = 0;
  if (!CreateFourLayerNet(wb)) return;
  TrainFourLayerValueWeights(wb);
  SearchNofMThresholds(wb);
  wb.CountFeatureUse = 1;
  EvaluateNetwork(wb);
  if (wb.ExpandCount > 0) {
    ExpandUnits(wb);
    TrainFourLayerValueWeights(wb);
    WriteNofMRules(wb);
  }
}

}  // namespace wl

#include "smlp/step_rules.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "platform/errors.h"
#include "platform/numfmt.h"
#include "smlp/lunit_net.h"
#include "smlp/rules_report.h"
#include "smlp/single_class.h"
#include "smlp/smlp_network.h"
#include "state/workbench.h"

namespace wl {

namespace {

[[noreturn]] void NotFitting() {
  throw WlError("The step network does not fit the data set: its rules cannot be written. Train the network again.");
}

const std::vector<double>& WeightsOf(const std::vector<TNeuron>& layer, std::size_t n, std::size_t needed) {
  if (n >= layer.size() || layer[n].Weights.size() < needed) NotFitting();
  return layer[n].Weights;
}

std::string ValueText(const TFeature& f, std::size_t v) {
  if (v < f.Symbols.size()) return f.Symbols[v];
  if (v < f.Values.size()) return FloatToStr(f.Values[v]);
  return IntToStr(static_cast<std::int64_t>(v));
}

// Whether every vector's value of feature f is exactly one of the listed values.
bool EveryVectorListed(const Workbench& wb, std::size_t f, const RuleFeature& r) {
  if (r.Values.empty()) return false;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    const std::vector<double>& row = wb.Data[static_cast<std::size_t>(v)];
    if (f >= row.size() || std::count(r.Values.begin(), r.Values.end(), row[f]) != 1) return false;
  }
  return true;
}

RuleFeature ValueFeature(const TFeature& feat, int slots) {
  RuleFeature r;
  r.Name = feat.Name;
  for (int v = 0; v < slots; ++v) {
    const auto uv = static_cast<std::size_t>(v);
    r.Texts.push_back(ValueText(feat, uv));
    // A listed value without a number is never hot.
    r.Values.push_back(uv < feat.Values.size() ? feat.Values[uv] : std::numeric_limits<double>::quiet_NaN());
  }
  return r;
}

// The features of the network's inputs and where each feature's inputs start.
RuleFeatures InputFeatures(const Workbench& wb, std::vector<int>& offset) {
  const std::size_t nf = wb.Features.size();
  RuleFeatures features(nf);
  offset.assign(nf + 1, 0);
  const bool masked = wb.FeatureMask.size() == nf;
  std::size_t unit = 0;  // the L-units are numbered feature by feature
  for (std::size_t f = 0; f < nf; ++f) {
    const TFeature& feat = wb.Features[f];
    const int slots = std::max(0, StepInputCount(wb, f));
    offset[f + 1] = offset[f] + slots;
    if (wb.LUnitsMode == 1) {
      RuleFeature& r = features[f];
      r.Name = feat.Name;
      r.Intervals = true;
      r.Silent = feat.Name.compare(0, 3, "n/a") == 0 || (masked && wb.FeatureMask[f] != 1);
      for (int s = 0; s < slots; ++s, ++unit) {
        if (unit >= wb.LUnitN1.size() || unit >= wb.LUnitN2.size() || wb.LUnitN1[unit].Weights.empty() ||
            wb.LUnitN2[unit].Weights.empty())
          NotFitting();
        r.Bounds.emplace_back(wb.LUnitN1[unit].Weights[0], wb.LUnitN2[unit].Weights[0]);
      }
    } else if (wb.LUnitsMode == 7 && feat.Kind == 'c') {
      RuleFeature& r = features[f];
      r.Name = feat.Name;
      r.Intervals = true;
      for (int s = 0; s < slots; ++s) {
        const auto us = static_cast<std::size_t>(s);
        if (f >= wb.LNet1.size() || us >= wb.LNet1[f].size() || f >= wb.LNet2.size() || us >= wb.LNet2[f].size() ||
            wb.LNet1[f][us].Weights.empty() || wb.LNet2[f][us].Weights.empty())
          NotFitting();
        r.Bounds.emplace_back(wb.LNet1[f][us].Weights[0], wb.LNet2[f][us].Weights[0]);
      }
    } else {
      features[f] = ValueFeature(feat, slots);
      // The plain SMLP holds the inputs of a masked feature at 0; the L-net reads every feature.
      features[f].Silent = wb.LUnitsMode == 0 && masked && wb.FeatureMask[f] != 1;
      features[f].OneHot = EveryVectorListed(wb, f, features[f]);
    }
    if (features[f].Intervals) {
      // The bounds are printed for the vectors the rules are read on; the L-units' outermost bounds stand
      // for no bound.
      std::vector<double> values;
      for (int v = 0; v < wb.NumOfVectors && static_cast<std::size_t>(v) < wb.Data.size(); ++v)
        if (f < wb.Data[static_cast<std::size_t>(v)].size()) values.push_back(wb.Data[static_cast<std::size_t>(v)][f]);
      const bool lunits = wb.LUnitsMode == 1;
      ChooseBoundTexts(features[f], values, lunits ? kLUnitLow : -HUGE_VAL, lunits ? kLUnitHigh : HUGE_VAL);
    }
  }
  return features;
}

// The per-feature weights of a unit on the inputs: weights w[offset[f] + s].
std::vector<std::vector<double>> PerFeature(const std::vector<double>& w, const std::vector<int>& offset) {
  std::vector<std::vector<double>> r(offset.size() - 1);
  for (std::size_t f = 0; f + 1 < offset.size(); ++f)
    r[f].assign(w.begin() + offset[f], w.begin() + offset[f + 1]);
  return r;
}

// ---- the threshold rules

using Kind = RuleNode::Kind;

bool IsConstantRule(const RuleNode& r) { return r.kind == Kind::Always || r.kind == Kind::Never; }

// A unit as the threshold rules write it, by feature value and by input index, or the constant it is on
// the data set (Always, Never).
struct UnitForm {
  Kind Constant = Kind::Inputs;
  std::string BySum, ByIndex;
  bool IsConstant() const { return Constant != Kind::Inputs; }
};

UnitForm ConstantForm(Kind k) {
  UnitForm u;
  u.Constant = k;
  return u;
}

// The coefficient of an input: RuleCoefficient for whole weights, else the number itself.
std::string Coefficient(double w, int count) {
  if (w == std::round(w) && std::fabs(w) < 1e9) return RuleCoefficient(static_cast<int>(w), count);
  std::string text = " ";
  if (w > 0.0 && count >= 2) text += '+';
  text += ExactFloatToStr(w);
  text += ' ';
  return text;
}

// Input `slot` of feature f, the network's input `index`.
UnitForm InputForm(const RuleFeatures& features, std::size_t f, int slot, int index) {
  UnitForm u;
  u.BySum = InputLabel(features[f], slot);
  u.ByIndex = " Weight[" + IntToStr(index) + "]";
  return u;
}

// A unit over other units: each of them in parentheses.
UnitForm Nested(UnitForm u) {
  if (!u.IsConstant()) {
    u.BySum = "(" + u.BySum + ")";
    u.ByIndex = "(" + u.ByIndex + ")";
  }
  return u;
}

struct FormInput {
  double Weight;
  UnitForm Form;
};

// A unit whose condition is `rule`: its threshold below the weighted sum of its inputs. An input that
// holds for every vector moves its weight into the threshold, one that holds for none is left out.
UnitForm SumForm(const RuleNode& rule, double threshold, const std::vector<FormInput>& inputs) {
  if (IsConstantRule(rule)) return ConstantForm(rule.kind);
  std::vector<const FormInput*> terms;
  for (const FormInput& in : inputs) {
    if (in.Weight == 0.0 || in.Form.Constant == Kind::Never) continue;
    if (in.Form.Constant == Kind::Always)
      threshold -= in.Weight;
    else
      terms.push_back(&in);
  }
  if (terms.empty()) return ConstantForm(0.0 > threshold ? Kind::Always : Kind::Never);
  UnitForm u;
  u.BySum = ExactFloatToStr(threshold) + " < ";
  u.ByIndex = u.BySum;
  int count = 0;
  for (const FormInput* in : terms) {
    const std::string c = Coefficient(in->Weight, ++count);
    u.BySum += c + in->Form.BySum;
    u.ByIndex += c + in->Form.ByIndex;
  }
  return u;
}

// Units combined as the unit above them (weights w, its threshold) combines them, in the pattern of the
// rule texts: "(...) or (...)", "at least 2 of ((...), (...))"; a unit that stands alone is not enclosed.
UnitForm Combination(const std::vector<UnitForm>& units, const std::vector<double>& w, double threshold) {
  if (w.size() < units.size()) NotFitting();
  // Unit t stands in the pattern as the condition "@t=1" of a feature of its own.
  RuleFeatures placeholders(units.size());
  std::vector<WeightedRule> in;
  for (std::size_t t = 0; t < units.size(); ++t) {
    placeholders[t].Name = IntToStr(static_cast<std::int64_t>(t));
    placeholders[t].Name.insert(placeholders[t].Name.begin(), '@');
    placeholders[t].Texts = {"1"};
    placeholders[t].Values = {1.0};
    RuleNode r;
    r.kind = units[t].Constant;
    in.push_back({units[t].IsConstant() ? r : InputRule(placeholders, static_cast<int>(t), {0}), w[t]});
  }
  const RuleNode combined = ThresholdRule(std::move(in), threshold);
  if (IsConstantRule(combined)) return ConstantForm(combined.kind);
  const std::string pattern = RuleText(placeholders, combined);
  const bool alone = combined.kind == Kind::Inputs;
  // One pass over the pattern: the units' own texts, whatever labels they print, are never searched.
  auto fill = [&](std::string UnitForm::*form) {
    std::string text;
    for (std::size_t at = 0; at < pattern.size();) {
      std::size_t end = at + 1;
      while (end < pattern.size() && pattern[end] >= '0' && pattern[end] <= '9') ++end;
      if (pattern[at] != '@' || end == at + 1 || pattern.compare(end, 2, "=1") != 0) {
        text += pattern[at++];
        continue;
      }
      const std::string& f = units.at(static_cast<std::size_t>(std::stoul(pattern.substr(at + 1, end - at - 1)))).*form;
      text += alone ? f : "(" + f + ")";
      at = end + 2;
    }
    return text;
  };
  UnitForm u;
  u.BySum = fill(&UnitForm::BySum);
  u.ByIndex = fill(&UnitForm::ByIndex);
  return u;
}

// The text of a class's threshold rule after "Class c if   ".
void AddClassForm(StepRules& r, const UnitForm& u) {
  const bool always = u.Constant == Kind::Always;
  r.SumRules.push_back(u.IsConstant() ? (always ? "always" : "") : u.BySum);
  r.WeightRules.push_back(u.IsConstant() ? (always ? "always" : "") : u.ByIndex);
}

// A feature unit of the N-of-M networks: the values of feature f only.
RuleNode FeatureUnitRule(const RuleFeatures& features, const TNeuron& unit, std::size_t f) {
  const int nv = features[f].Slots();
  if (unit.Weights.size() < static_cast<std::size_t>(nv) + 1) NotFitting();
  std::vector<std::vector<double>> w(features.size());
  w[f].assign(unit.Weights.begin(), unit.Weights.begin() + nv);
  return InputUnitRule(features, w, unit.Weights[static_cast<std::size_t>(nv)]);
}

// A unit over the feature units of one hidden unit (weights 0 .. nf - 1, threshold nf); `take` chooses
// the features it reads.
template <typename Take>
RuleNode OverFeatureUnits(const std::vector<RuleNode>& featureRules, const TNeuron& unit, Take take) {
  const std::size_t nf = featureRules.size();
  if (unit.Weights.size() < nf + 1) NotFitting();
  std::vector<WeightedRule> in;
  for (std::size_t f = 0; f < nf; ++f)
    if (take(f)) in.push_back({featureRules[f], unit.Weights[f]});
  return ThresholdRule(std::move(in), unit.Weights[nf]);
}

// The output of class c over its units `units` (output weights 0 .., threshold at `thresholdIndex`).
RuleNode OutputRule(const RuleFeatures& features, const std::vector<RuleNode>& units, const std::vector<double>& w,
                    std::size_t thresholdIndex) {
  if (w.size() <= thresholdIndex || w.size() < units.size()) NotFitting();
  std::vector<WeightedRule> in;
  for (std::size_t t = 0; t < units.size(); ++t) in.push_back({units[t], w[t]});
  return DropImpossible(features, ThresholdRule(std::move(in), w[thresholdIndex]));
}

void ThreeLayerRules(const Workbench& wb, StepRules& r) {
  std::vector<int> offset;
  r.Features = InputFeatures(wb, offset);
  const int classes = wb.NumOfClasses;
  const int l0 = offset.back();
  if (wb.Net.size() != 3 || static_cast<int>(wb.HidPerOut.size()) < classes || wb.Net[2].size() < static_cast<std::size_t>(classes))
    NotFitting();
  // The forward passes evaluate HidPerOut[0] hidden units per class.
  const int terms = wb.HidPerOut.empty() ? 0 : std::max(0, wb.HidPerOut[0]);
  r.Logistic = wb.Slope != 0.0 && wb.LUnitsMode != 1;
  const std::size_t nf = r.Features.size();
  for (int c = 0; c < classes; ++c) {
    std::vector<RuleNode> units;
    std::vector<UnitForm> forms;
    for (int t = 0; t < terms; ++t) {
      const std::vector<double>& w =
          WeightsOf(wb.Net[1], static_cast<std::size_t>(t) * classes + c, static_cast<std::size_t>(l0) + 1);
      units.push_back(InputUnitRule(r.Features, PerFeature(w, offset), w[static_cast<std::size_t>(l0)]));
      // Its threshold form: every input of a weight, as the unit's sum takes it.
      std::vector<FormInput> inputs;
      for (std::size_t f = 0; f < nf; ++f) {
        if (r.Features[f].Silent) continue;
        for (int v = offset[f]; v < offset[f + 1]; ++v)
          if (w[static_cast<std::size_t>(v)] != 0.0)
            inputs.push_back({w[static_cast<std::size_t>(v)], InputForm(r.Features, f, v - offset[f], v)});
      }
      forms.push_back(SumForm(units.back(), w[static_cast<std::size_t>(l0)], inputs));
    }
    const std::vector<double>& ow = wb.Net[2][static_cast<std::size_t>(c)].Weights;
    // An L-unit network's output reads its threshold from its fourth weight.
    const std::size_t threshold = wb.LUnitsMode == 1 ? 3 : static_cast<std::size_t>(terms);
    r.Classes.push_back(OutputRule(r.Features, units, ow, threshold));
    AddClassForm(r, Combination(forms, ow, ow[threshold]));
    r.Units.push_back(std::move(units));
  }
}

void NofMRules(const Workbench& wb, StepRules& r) {
  r.Features = RuleFeatures(wb.Features.size());
  std::vector<int> offset(wb.Features.size() + 1, 0);
  for (std::size_t f = 0; f < wb.Features.size(); ++f) {
    r.Features[f] = ValueFeature(wb.Features[f], wb.Features[f].NValues);
    r.Features[f].OneHot = EveryVectorListed(wb, f, r.Features[f]);
    offset[f + 1] = offset[f] + r.Features[f].Slots();
  }
  const int k = wb.NumOfClasses;
  const int nf = wb.NumOfFeatures;
  const int g = wb.HidPerOut.empty() ? 0 : wb.HidPerOut[0];
  const bool five = wb.NetType == 5;
  if (wb.Net.size() != 4 || static_cast<int>(wb.Features.size()) < nf || wb.Net[3].size() < static_cast<std::size_t>(k))
    NotFitting();
  r.Logistic = wb.Slope != 0.0;
  std::vector<std::vector<RuleNode>> units(static_cast<std::size_t>(k));
  std::vector<std::vector<UnitForm>> forms(static_cast<std::size_t>(k));
  for (int gi = 0; gi < g; ++gi)
    for (int c = 0; c < k; ++c) {
      const int u = gi * k + c;
      std::vector<RuleNode> fr;
      std::vector<UnitForm> ff;
      for (int f = 0; f < nf; ++f) {
        const auto idx = static_cast<std::size_t>(u * nf + f);
        const auto uf = static_cast<std::size_t>(f);
        if (idx >= wb.Net[1].size()) NotFitting();
        const TNeuron& unit = wb.Net[1][idx];
        fr.push_back(FeatureUnitRule(r.Features, unit, uf));
        std::vector<FormInput> inputs;
        for (int v = 0; v < r.Features[uf].Slots(); ++v)
          if (unit.Weights[static_cast<std::size_t>(v)] != 0.0)
            inputs.push_back({unit.Weights[static_cast<std::size_t>(v)], InputForm(r.Features, uf, v, offset[uf] + v)});
        ff.push_back(Nested(SumForm(fr.back(), unit.Weights[static_cast<std::size_t>(r.Features[uf].Slots())], inputs)));
      }
      // A unit over the feature units that `take` chooses, its rule and its form.
      auto over = [&](const TNeuron& unit, auto take, UnitForm& form) {
        RuleNode rule = OverFeatureUnits(fr, unit, take);
        std::vector<FormInput> inputs;
        for (std::size_t f = 0; f < fr.size(); ++f)
          if (take(f)) inputs.push_back({unit.Weights[f], ff[f]});
        form = SumForm(rule, unit.Weights[fr.size()], inputs);
        return rule;
      };
      auto all = [](std::size_t) { return true; };
      RuleNode unit;
      UnitForm form;
      const auto uu = static_cast<std::size_t>(u);
      if (five) {
        if (uu >= wb.AndUnits.size() || uu >= wb.NofMUnits.size()) NotFitting();
        // The hidden unit fires when both its AND unit and its N-of-M unit fire (1 + 1 > 1.5).
        UnitForm a, b;
        unit = ThresholdRule({{over(wb.AndUnits[uu], all, a), 1.0}, {over(wb.NofMUnits[uu], all, b), 1.0}}, 1.5);
        form = Combination({a, b}, {1.0, 1.0}, 1.5);
      } else if (uu < wb.ExpandBuilt.size() && wb.ExpandBuilt[uu] && wb.NofMKind.size() > static_cast<std::size_t>(gi) &&
                 wb.NofMKind[gi].size() > static_cast<std::size_t>(c) && wb.NofMKind[gi][c] == "expand") {
        if (uu >= wb.ExpandAnd.size() || uu >= wb.ExpandNofM.size()) NotFitting();
        auto frequent = [&](std::size_t f) { return wb.FeatureUse[gi][c][f] > wb.FrequentUseLimit; };
        auto other = [&](std::size_t f) { return !frequent(f); };
        UnitForm a, b;
        unit = ThresholdRule({{over(wb.ExpandAnd[uu], frequent, a), 1.0}, {over(wb.ExpandNofM[uu], other, b), 1.0}}, 1.5);
        form = Combination({a, b}, {1.0, 1.0}, 1.5);
      } else {
        if (uu >= wb.Net[2].size()) NotFitting();
        unit = over(wb.Net[2][uu], all, form);
      }
      unit = DropImpossible(r.Features, std::move(unit));
      // The builder's rule decides whether the unit is a constant of the data set.
      if (IsConstantRule(unit)) form = ConstantForm(unit.kind);
      units[static_cast<std::size_t>(c)].push_back(std::move(unit));
      forms[static_cast<std::size_t>(c)].push_back(std::move(form));
    }
  for (int c = 0; c < k; ++c) {
    const std::vector<double>& ow = wb.Net[3][static_cast<std::size_t>(c)].Weights;
    r.Classes.push_back(OutputRule(r.Features, units[static_cast<std::size_t>(c)], ow, static_cast<std::size_t>(g)));
    AddClassForm(r, Combination(forms[static_cast<std::size_t>(c)], ow, ow[static_cast<std::size_t>(g)]));
  }
  r.Units = std::move(units);
}

RuleNode ReadBack(const RuleFeatures& features, const std::string& text, bool threshold = false) {
  try {
    return threshold ? ParseThresholdRule(features, text) : ParseRule(features, text);
  } catch (const WlError&) {
    return RuleNode{};  // holds for no vector
  }
}

}  // namespace

RuleFeatures ValueRuleFeatures(const Workbench& wb, bool masked) {
  RuleFeatures features;
  const bool hasMask = wb.FeatureMask.size() == wb.Features.size();
  for (std::size_t f = 0; f < wb.Features.size(); ++f) {
    features.push_back(ValueFeature(wb.Features[f], wb.Features[f].NValues));
    features.back().Silent = masked && hasMask && wb.FeatureMask[f] != 1;
    features.back().OneHot = EveryVectorListed(wb, f, features.back());
  }
  return features;
}

StepRules BuildStepRules(const Workbench& wb) {
  StepRules r;
  if (wb.NumOfClasses < 1) NotFitting();
  if (wb.Net.size() == 3)
    ThreeLayerRules(wb, r);
  else if (wb.Net.size() == 4 && (wb.NetType == 4 || wb.NetType == 5))
    NofMRules(wb, r);
  else
    NotFitting();
  return r;
}

RuleNode SingleClassRule(const Workbench& wb, const RuleFeatures& features, int last) {
  if (wb.Net.size() != 3 || wb.Net[2].empty()) NotFitting();
  std::vector<int> offset(features.size() + 1, 0);
  for (std::size_t f = 0; f < features.size(); ++f) offset[f + 1] = offset[f] + features[f].Slots();
  const auto l0 = static_cast<std::size_t>(offset.back());
  std::vector<RuleNode> units;
  for (int h = 0; h <= last; ++h) {
    const std::vector<double>& w = WeightsOf(wb.Net[1], static_cast<std::size_t>(h), l0 + 1);
    units.push_back(InputUnitRule(features, PerFeature(w, offset), w[l0]));
  }
  const std::vector<double>& ow = wb.Net[2][0].Weights;
  if (ow.size() < units.size()) NotFitting();
  std::vector<WeightedRule> in;
  for (std::size_t h = 0; h < units.size(); ++h) in.push_back({units[h], ow[h]});
  // The pass compares the output's sum with 0.5, not with the stored threshold.
  return DropImpossible(features, ThresholdRule(std::move(in), 0.5));
}

int StepRulesAgreement(Workbench& wb, const RuleFeatures& features, const std::vector<std::string>& texts) {
  return StepRulesAgreement(wb, features, std::vector<PrintedClassRules>{{texts, false}});
}

int StepRulesAgreement(Workbench& wb, const RuleFeatures& features, const std::vector<PrintedClassRules>& sets) {
  RequireStepNetwork(wb);
  std::vector<std::vector<RuleNode>> read;
  for (const PrintedClassRules& set : sets) {
    read.emplace_back();
    for (const std::string& t : set.Texts) read.back().push_back(ReadBack(features, t, set.Threshold));
  }
  const std::vector<TNeuron>& out = wb.Net.back();
  const int outputs = std::min(wb.NumOfClasses, static_cast<int>(out.size()));
  std::vector<double> y(static_cast<std::size_t>(std::max(0, outputs)));
  int agree = 0;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    ForwardStepNetwork(wb, v);
    for (int o = 0; o < outputs; ++o) y[static_cast<std::size_t>(o)] = out[static_cast<std::size_t>(o)].Signal;
    const int network = StepPrediction(y.data(), outputs);
    bool agrees = true;
    for (const std::vector<RuleNode>& rules : read) {
      int byRules = -1;
      for (std::size_t c = 0; c < rules.size() && byRules < 0; ++c)
        if (RuleHolds(features, rules[c], wb.Data[static_cast<std::size_t>(v)])) byRules = static_cast<int>(c);
      agrees = agrees && byRules == network;
    }
    if (agrees) ++agree;
  }
  return agree;
}

int SingleClassAgreement(Workbench& wb, const RuleFeatures& features, const std::string& text, int last) {
  const RuleNode rule = ReadBack(features, text);
  if (wb.ActiveInputs.size() < wb.Features.size()) wb.ActiveInputs.resize(wb.Features.size());
  int agree = 0;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    bool fires = false;
    if (last >= 0) {
      SMLPForward(wb, v, last);
      fires = wb.Net[2][0].Signal == 1.0;
    }
    if (RuleHolds(features, rule, wb.Data[static_cast<std::size_t>(v)]) == fires) ++agree;
  }
  return agree;
}

}  // namespace wl

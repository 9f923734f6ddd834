#pragma once
// The rules of the current step network: every unit's exact condition and every class's rule, combining
// its units as the output layer does, built from the network's own weights and thresholds; and how many
// vectors the printed rules classify as the network does. Every rules report writes these.
#include <string>
#include <vector>

#include "smlp/rule_text.h"

namespace wl {

struct Workbench;

struct StepRules {
  RuleFeatures Features;
  std::vector<std::vector<RuleNode>> Units;  // [class][term]: the condition of each unit of the class
  std::vector<RuleNode> Classes;             // [class]: the condition under which its output fires
  bool Logistic = false;                     // logistic units, read by these rules as steps
};

// The rules of the network of all classes in Net: the three-layer SMLP (on one-hot inputs, L-units or an
// L-net) and the four- and five-layer N-of-M networks. Throws WlError when the network does not fit.
StepRules BuildStepRules(const Workbench& wb);

// The features of the one-hot inputs: one value input per listed value; with `masked` a feature whose
// FeatureMask is 0 is silent.
RuleFeatures ValueRuleFeatures(const Workbench& wb, bool masked);

// The rule of the single-class network of hidden neurons 0 .. last: its output fires (the vector is taken
// for CurrentClass) when the output weights of the firing neurons add up to more than 0.5.
RuleNode SingleClassRule(const Workbench& wb, const RuleFeatures& features, int last);

// The vectors whose class by the printed rules (texts[c] the rule of class c; the first class whose rule
// holds, none when none holds) is the network's (its step prediction). A text that cannot be read holds
// for no vector.
int StepRulesAgreement(Workbench& wb, const RuleFeatures& features, const std::vector<std::string>& texts);

// The same for the single-class network of hidden neurons 0 .. last: the printed rule against its output.
int SingleClassAgreement(Workbench& wb, const RuleFeatures& features, const std::string& text, int last);

}  // namespace wl

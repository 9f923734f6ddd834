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
  // [class]: the same condition as threshold rules (see rule_text.h), by feature value and by input index.
  std::vector<std::string> SumRules, WeightRules;
  bool Logistic = false;                     // logistic units, read by these rules as steps
};

// The rules of the network of all classes in Net: the three-layer SMLP (on one-hot inputs, L-units or an
// L-net) and the four- and five-layer N-of-M networks. Throws WlError when the network does not fit.
// A unit whose rule holds for every vector or for none stands in the threshold rules as that constant.
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

// The same where a report prints each set of class rules (the rule texts, the threshold rules): a vector
// agrees when every set gives it the network's class. Texts of threshold rules are read as such.
struct PrintedClassRules {
  std::vector<std::string> Texts;  // [class], the text after "class c if" / "Class c if"
  bool Threshold = false;
};
int StepRulesAgreement(Workbench& wb, const RuleFeatures& features, const std::vector<PrintedClassRules>& sets);

// The same for the single-class network of hidden neurons 0 .. last: the printed rule against its output.
int SingleClassAgreement(Workbench& wb, const RuleFeatures& features, const std::string& text, int last);

}  // namespace wl

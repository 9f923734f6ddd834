#pragma once
// Rules of step networks: the exact condition under which a threshold unit fires, written as simply as its
// weights allow, read back from its text and evaluated on a vector.
//
// The text of a rule:
//   name=value                     the feature has that value; "name=v1 or v2" one of several values
//   name=a_b                       an interval feature strictly between a and b; "name=a_b_c" strictly
//                                  inside (a, b) or (b, c), the intervals of one range; runs joined by " or ";
//                                  "-inf" and "inf" an open end
//   not X, X and Y, X or Y         "and" binds tighter than "or"; parentheses group
//   at least N of (X, Y, Z)        N or more of the listed conditions hold
//   (2 a=x + b=y - c=z > 1.5)      the weighted sum of the conditions that hold is above the number
//   always                         every vector; an empty rule holds for none
// A name or value that would read otherwise (it holds a blank, a parenthesis, a comma, '=', '"', '<' or
// '>', is empty, is one of the words "or", "and", "not", "at", "always", "never", or begins "Weight[")
// is printed in double quotes, a '"' in it doubled: colour="dark(blue)" or "green)".
#include <string>
#include <utility>
#include <vector>

namespace wl {

// What a rule may name: one entry per feature of the data set (its column). A feature of values has one
// input per listed value, hot where the vector's value equals it; a feature of intervals one input per
// open interval, hot strictly inside it. A silent feature feeds nothing (masked or eliminated).
struct RuleFeature {
  std::string Name;
  bool Intervals = false;
  bool Silent = false;
  std::vector<std::string> Texts;                 // value features: the text of each listed value
  std::vector<double> Values;                     // value features: each listed value
  std::vector<std::pair<double, double>> Bounds;  // interval features: (lower, upper) of each interval
  // Value features: every vector of the data set has one of the listed values, so that a weight that all of
  // them share is a constant of the sum.
  bool OneHot = false;
  // Interval features: how the rules print each bound (ChooseBoundTexts); a bound not listed is printed
  // with the digits that read back as the very same number.
  struct PrintedBound {
    double Bound = 0.0;
    std::string Lower;  // as the lower end of an interval
    std::string Upper;  // as the upper end
    std::string Inner;  // inside a run of intervals that meet at it; "" when such a run is printed as two
  };
  std::vector<PrintedBound> PrintedBounds;
  // At most one input of the feature is hot for any vector (distinct values, disjoint intervals).
  bool Exclusive() const;
  int Slots() const { return static_cast<int>(Intervals ? Bounds.size() : Texts.size()); }
};
using RuleFeatures = std::vector<RuleFeature>;

struct RuleNode {
  enum class Kind { Never, Always, Inputs, Not, And, Or, AtLeast, Sum };
  Kind kind = Kind::Never;
  int Feature = -1;
  std::vector<int> Slots;                         // Inputs of a value feature: the listed values
  std::vector<std::pair<double, double>> Ranges;  // Inputs of an interval feature: the open intervals
  int Count = 0;                                  // AtLeast
  double Threshold = 0.0;                         // Sum: holds when the sum is above it
  std::vector<double> Coefficients;               // Sum: one per child
  std::vector<RuleNode> Children;
};

// One input of a unit: a condition and the weight it adds when it holds.
struct WeightedRule {
  RuleNode Rule;
  double Weight = 0.0;
};

// The condition under which a step unit fires: the weights of the inputs that hold add up to more than
// the threshold. Exact for any weights (a sum that equals the threshold counts as not firing).
RuleNode ThresholdRule(std::vector<WeightedRule> inputs, double threshold);

// The same for a unit on the network's inputs: weights[f][slot] for every feature (a feature may have
// fewer entries than inputs; the missing ones are 0).
RuleNode InputUnitRule(const RuleFeatures& features, const std::vector<std::vector<double>>& weights,
                       double threshold);

// The rule without what cannot hold: a condition asking a feature of which at most one input is hot for
// values that its other conditions rule out ("a=x and a=y") is never, one that they imply is always, and
// within a conjunction the conditions on one feature become one. Exact.
RuleNode DropImpossible(const RuleFeatures& features, RuleNode rule);

// The condition of one input: value `slot` of feature f, or its interval.
RuleNode InputRule(const RuleFeatures& features, int f, const std::vector<int>& slots);

// The text of a rule ("" for a rule that holds for no vector); `orJoin` joins the terms of a top-level
// disjunction.
std::string RuleText(const RuleFeatures& features, const RuleNode& rule, const std::string& orJoin = " or ");

// Reads a rule text back; throws WlError naming what it could not read.
RuleNode ParseRule(const RuleFeatures& features, const std::string& text);

// Whether the rule holds for a vector (row[f] the value of feature f).
bool RuleHolds(const RuleFeatures& features, const RuleNode& rule, const std::vector<double>& row);

// The threshold rules: each unit as its threshold below the weighted sum of its inputs, "0.5 <  colour(red)
// - size(big)" (by value) or "0.5 <   Weight[0] -  Weight[4]" (by input index), a unit over units taking
// theirs in parentheses, "1.5 <  (0.5 <  colour(red)) + (0.5 <  size(big))"; the units of a class combined
// as in the rule texts above ("(...) or (...)", "at least 2 of ((...), (...))", "(2 (...) + (...) > 1.5)").
// The text of input `slot` of a feature in them: the value's text, or "a_b" for the interval (a, b).
std::string SlotLabel(const RuleFeature& feature, int slot);
// The input as the threshold rules print it: "name(label)", each quoted as RuleLabel does.
std::string InputLabel(const RuleFeature& feature, int slot);

// A feature's name or a value's text as the rules print it: as it stands, or quoted where it would not
// read back as itself (see the top of this file).
std::string RuleLabel(const std::string& label);

// Reads a threshold rule back (the text after "Class c if"); "" holds for no vector. Throws WlError naming
// what it could not read.
RuleNode ParseThresholdRule(const RuleFeatures& features, const std::string& text);

// The texts of an interval feature's bounds, chosen for the values the rules are read on (`values`, the
// feature's value in each vector): each with the fewest significant digits that leave every value on the
// side it lies of the bound, where an interval holds the values strictly between its ends. A bound that a
// value lies on is printed as two ends apart, rounded down as an upper end and up as a lower end, so the
// value lies in neither printed interval (as in neither exact one); a run of intervals through it is then
// printed as two ("a_b or c_d"). The printed bounds keep their order. The lowest bound, when at or below
// `openBelow` with no value at or below it, is the open end "-inf"; the highest, at or above `openAbove`
// with no value at or above it, "inf".
void ChooseBoundTexts(RuleFeature& feature, const std::vector<double>& values, double openBelow, double openAbove);

// The text of a bound of an interval feature at one end of an interval, or inside a run ("" when the
// run is printed as two).
enum class BoundEnd { Lower, Upper, Inner };
std::string BoundText(const RuleFeature& feature, double bound, BoundEnd end);

// The one line of a report whose rules name intervals: the units of the bounds and which side of a bound
// an interval holds; "" when no feature has intervals.
std::string IntervalRulesNote(const RuleFeatures& features, bool normalised);

// "Rules agree with the network on N of M vectors".
std::string RulesAgreementLine(int agree, int vectors);

// The line of a report whose units are logistic: its rules read them as steps.
extern const char* const kLogisticRulesNote;

}  // namespace wl

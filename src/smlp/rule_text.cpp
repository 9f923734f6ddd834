#include "smlp/rule_text.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <iterator>
#include <limits>
#include <set>
#include <string_view>

#include "platform/errors.h"
#include "platform/numfmt.h"

namespace wl {

const char* const kLogisticRulesNote =
    "Logistic units are read as steps: in these rules a unit fires where its weighted sum is above its threshold";

namespace {

using Kind = RuleNode::Kind;

RuleNode Constant(bool holds) {
  RuleNode n;
  n.kind = holds ? Kind::Always : Kind::Never;
  return n;
}

bool IsConstant(const RuleNode& n) { return n.kind == Kind::Always || n.kind == Kind::Never; }

RuleNode Negate(RuleNode r) {
  if (r.kind == Kind::Always) return Constant(false);
  if (r.kind == Kind::Never) return Constant(true);
  if (r.kind == Kind::Not) return std::move(r.Children[0]);
  RuleNode n;
  n.kind = Kind::Not;
  n.Children.push_back(std::move(r));
  return n;
}

bool SameFeatureInputs(const RuleNode& a, const RuleNode& b) {
  return a.kind == Kind::Inputs && b.kind == Kind::Inputs && a.Feature == b.Feature;
}

void MergeInputs(RuleNode& into, const RuleNode& from) {
  for (int s : from.Slots)
    if (std::find(into.Slots.begin(), into.Slots.end(), s) == into.Slots.end()) into.Slots.push_back(s);
  std::sort(into.Slots.begin(), into.Slots.end());
  for (const auto& r : from.Ranges)
    if (std::find(into.Ranges.begin(), into.Ranges.end(), r) == into.Ranges.end()) into.Ranges.push_back(r);
  std::sort(into.Ranges.begin(), into.Ranges.end());
}

// A disjunction or a conjunction of the children, flattened; values of one feature are joined into one
// condition ("a=1 or a=2" is "a=1 or 2", "not a=1 and not a=2" is "not (a=1 or 2)").
RuleNode Combine(Kind kind, std::vector<RuleNode> children) {
  std::vector<RuleNode> flat;
  for (RuleNode& c : children) {
    if (c.kind == kind) {
      for (RuleNode& g : c.Children) flat.push_back(std::move(g));
      continue;
    }
    // Or: "always" decides, "never" drops out; And the other way round.
    if (c.kind == (kind == Kind::Or ? Kind::Always : Kind::Never)) return c;
    if (IsConstant(c)) continue;
    flat.push_back(std::move(c));
  }
  std::vector<RuleNode> merged;
  for (RuleNode& c : flat) {
    bool done = false;
    for (RuleNode& m : merged) {
      if (kind == Kind::Or && SameFeatureInputs(m, c)) {
        MergeInputs(m, c);
        done = true;
      } else if (kind == Kind::And && m.kind == Kind::Not && c.kind == Kind::Not &&
                 SameFeatureInputs(m.Children[0], c.Children[0])) {
        MergeInputs(m.Children[0], c.Children[0]);
        done = true;
      }
      if (done) break;
    }
    if (!done) merged.push_back(std::move(c));
  }
  if (merged.empty()) return Constant(kind == Kind::And);
  if (merged.size() == 1) return std::move(merged[0]);
  RuleNode n;
  n.kind = kind;
  n.Children = std::move(merged);
  return n;
}

// The weighted sum form; a negated condition is written as the condition with the negative weight.
RuleNode MakeSum(std::vector<WeightedRule> inputs, double threshold) {
  RuleNode n;
  n.kind = Kind::Sum;
  for (WeightedRule& in : inputs) {
    double w = in.Weight;
    RuleNode r = std::move(in.Rule);
    if (r.kind == Kind::Not) {
      threshold -= w;  // w [not x] = w - w [x]
      w = -w;
      r = std::move(r.Children[0]);
    }
    n.Coefficients.push_back(w);
    n.Children.push_back(std::move(r));
  }
  n.Threshold = threshold;
  return n;
}

// Inputs of positive weight: the simplest exact form of "the weights that hold add up to more than t".
RuleNode Reduce(std::vector<WeightedRule> in, double t) {
  if (in.empty()) return Constant(0.0 > t);
  double total = 0.0;
  for (const WeightedRule& r : in) total += r.Weight;
  if (!(total > t)) return Constant(false);
  if (0.0 > t) return Constant(true);
  const std::size_t n = in.size();
  bool equal = true;
  for (const WeightedRule& r : in) equal = equal && r.Weight == in[0].Weight;
  if (equal) {
    int k = 1;
    while (k <= static_cast<int>(n) && !(k * in[0].Weight > t)) ++k;
    if (k > static_cast<int>(n)) return Constant(false);
    std::vector<RuleNode> rules;
    for (WeightedRule& r : in) rules.push_back(std::move(r.Rule));
    if (k == 1) return Combine(Kind::Or, std::move(rules));
    if (k == static_cast<int>(n)) return Combine(Kind::And, std::move(rules));
    RuleNode a;
    a.kind = Kind::AtLeast;
    a.Count = k;
    a.Children = std::move(rules);
    return a;
  }
  // An input without which the others cannot reach the threshold is needed by every firing.
  for (std::size_t i = 0; i < n; ++i)
    if (!(total - in[i].Weight > t)) {
      RuleNode needed = std::move(in[i].Rule);
      const double w = in[i].Weight;
      in.erase(in.begin() + static_cast<std::ptrdiff_t>(i));
      std::vector<RuleNode> both;
      both.push_back(std::move(needed));
      both.push_back(Reduce(std::move(in), t - w));
      return Combine(Kind::And, std::move(both));
    }
  // An input that reaches the threshold alone fires the unit whatever the others do.
  for (std::size_t i = 0; i < n; ++i)
    if (in[i].Weight > t) {
      RuleNode enough = std::move(in[i].Rule);
      in.erase(in.begin() + static_cast<std::ptrdiff_t>(i));
      std::vector<RuleNode> either;
      either.push_back(std::move(enough));
      either.push_back(Reduce(std::move(in), t));
      return Combine(Kind::Or, std::move(either));
    }
  return MakeSum(std::move(in), t);
}

std::string Number(double x) { return ExactFloatToStr(x); }

// The quoted sections of a printed rule: a '"' opens one, '""' inside stands for a '"', the next lone '"'
// closes it. The position after the section that opens at `at`, npos when it does not close.
std::size_t QuotedEnd(const std::string& s, std::size_t at) {
  for (std::size_t i = at + 1; i < s.size(); ++i) {
    if (s[i] != '"') continue;
    if (i + 1 < s.size() && s[i + 1] == '"') {
      ++i;
      continue;
    }
    return i + 1;
  }
  return std::string::npos;
}

// The first `c` of s outside quoted sections, npos when there is none (or a section does not close).
std::size_t BareFind(const std::string& s, char c) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == c) return i;
    if (s[i] == '"') {
      i = QuotedEnd(s, i);
      if (i == std::string::npos) return i;
      --i;
    }
  }
  return std::string::npos;
}

// A name or value as the rule texts print it (see RuleLabel), back to its own text; false when it is
// neither a bare word nor one whole quoted section.
bool Unlabel(const std::string& printed, std::string& label) {
  if (printed.empty() || printed[0] != '"') {
    label = printed;
    return !printed.empty() && printed.find('"') == std::string::npos;
  }
  if (QuotedEnd(printed, 0) != printed.size()) return false;
  label.clear();
  for (std::size_t i = 1; i + 1 < printed.size(); ++i) {
    label += printed[i];
    if (printed[i] == '"') ++i;
  }
  return true;
}

const char* const kOpenLow = "-inf";
const char* const kOpenHigh = "inf";

// A bound as printed: a number, or an open end.
bool BoundNumber(const std::string& text, double& x) {
  if (text == kOpenLow || text == kOpenHigh) {
    x = text == kOpenLow ? -HUGE_VAL : HUGE_VAL;
    return true;
  }
  return TryStrToFloat(text, x);
}

// The runs of an interval condition: intervals that meet at a bound are one run.
std::size_t Runs(const RuleNode& n) {
  std::vector<std::pair<double, double>> r = n.Ranges;
  std::sort(r.begin(), r.end());
  std::size_t runs = r.empty() ? 0 : 1;
  for (std::size_t i = 1; i < r.size(); ++i) runs += r[i - 1].second == r[i].first ? 0 : 1;
  return runs;
}

bool Compound(const RuleNode& n) {
  return n.kind == Kind::And || n.kind == Kind::Or || (n.kind == Kind::Inputs && n.Slots.size() + Runs(n) > 1);
}

// The same as printed: a run of intervals through a bound that a value lies on is printed as two.
bool Compound(const RuleFeatures& features, const RuleNode& n) {
  if (Compound(n)) return true;
  if (n.kind != Kind::Inputs || n.Feature < 0 || static_cast<std::size_t>(n.Feature) >= features.size()) return false;
  const RuleFeature& f = features[static_cast<std::size_t>(n.Feature)];
  if (!f.Intervals) return false;
  std::vector<std::pair<double, double>> r = n.Ranges;
  std::sort(r.begin(), r.end());
  for (std::size_t i = 1; i < r.size(); ++i)
    if (r[i - 1].second == r[i].first && BoundText(f, r[i].first, BoundEnd::Inner).empty()) return true;
  return false;
}

std::string Text(const RuleFeatures& features, const RuleNode& n, const std::string& orJoin);

std::string Grouped(const RuleFeatures& features, const RuleNode& n) {
  const std::string s = Text(features, n, " or ");
  return Compound(features, n) ? "(" + s + ")" : s;
}

std::string InputsText(const RuleFeatures& features, const RuleNode& n) {
  const RuleFeature& f = features.at(static_cast<std::size_t>(n.Feature));
  std::string s = RuleLabel(f.Name) + "=";
  if (!f.Intervals) {
    for (std::size_t i = 0; i < n.Slots.size(); ++i) {
      if (i > 0) s += " or ";
      s += RuleLabel(f.Texts.at(static_cast<std::size_t>(n.Slots[i])));
    }
    return s;
  }
  // Intervals that meet at a bound form one range, written with its inner bounds.
  std::vector<std::pair<double, double>> ranges = n.Ranges;
  std::sort(ranges.begin(), ranges.end());
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    if (i > 0) {
      const std::string inner = ranges[i - 1].second == ranges[i].first
                                    ? BoundText(f, ranges[i].first, BoundEnd::Inner) : std::string();
      s += inner.empty() ? BoundText(f, ranges[i - 1].second, BoundEnd::Upper) + " or " +
                               BoundText(f, ranges[i].first, BoundEnd::Lower) + "_"
                         : inner + "_";
    } else {
      s += BoundText(f, ranges[i].first, BoundEnd::Lower) + "_";
    }
  }
  if (!ranges.empty()) s += BoundText(f, ranges.back().second, BoundEnd::Upper);
  return s;
}

std::string Text(const RuleFeatures& features, const RuleNode& n, const std::string& orJoin) {
  switch (n.kind) {
    case Kind::Never:
      return "never";
    case Kind::Always:
      return "always";
    case Kind::Inputs:
      return InputsText(features, n);
    case Kind::Not:
      return "not " + Grouped(features, n.Children[0]);
    case Kind::And: {
      std::string s;
      for (std::size_t i = 0; i < n.Children.size(); ++i) s += (i > 0 ? " and " : "") + Grouped(features, n.Children[i]);
      return s;
    }
    case Kind::Or: {
      std::string s;
      for (std::size_t i = 0; i < n.Children.size(); ++i) {
        const RuleNode& c = n.Children[i];
        s += i > 0 ? orJoin : "";
        s += c.kind == Kind::And ? "(" + Text(features, c, " or ") + ")" : Text(features, c, " or ");
      }
      return s;
    }
    case Kind::AtLeast: {
      std::string s = "at least " + IntToStr(n.Count) + " of (";
      for (std::size_t i = 0; i < n.Children.size(); ++i) s += (i > 0 ? ", " : "") + Grouped(features, n.Children[i]);
      return s + ")";
    }
    case Kind::Sum: {
      std::string s = "(";
      for (std::size_t i = 0; i < n.Children.size(); ++i) {
        const double c = n.Coefficients[i];
        const double m = std::fabs(c);
        if (i == 0)
          s += c == 1.0 ? "" : Number(c) + " ";
        else
          s += std::string(c < 0.0 ? " - " : " + ") + (m == 1.0 ? "" : Number(m) + " ");
        const RuleNode& child = n.Children[i];
        s += child.kind == Kind::Inputs && !Compound(features, child) ? Text(features, child, " or ") : "(" + Text(features, child, " or ") + ")";
      }
      return s + " > " + Number(n.Threshold) + ")";
    }
  }
  return "";
}

// The reader of rule texts.
class Reader {
 public:
  Reader(const RuleFeatures& features, const std::string& text) : features_(features) { Split(text); }

  RuleNode Whole() {
    if (tokens_.empty()) return Constant(false);
    RuleNode r = Expr();
    if (pos_ != tokens_.size()) Fail("unexpected \"" + tokens_[pos_] + "\"");
    return r;
  }

 private:
  // Words end at blanks; parentheses and commas are tokens of their own; a quoted section belongs to its
  // word whatever it holds.
  void Split(const std::string& text) {
    std::string word;
    auto flush = [&] {
      if (!word.empty()) tokens_.push_back(word);
      word.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char ch = text[i];
      if (static_cast<unsigned char>(ch) <= ' ') {
        flush();
      } else if (ch == '(' || ch == ')' || ch == ',') {
        flush();
        tokens_.push_back(std::string(1, ch));
      } else if (ch == '"') {
        const std::size_t end = QuotedEnd(text, i);
        if (end == std::string::npos) Fail("a quoted name or value does not close in \"" + text + "\"");
        word += text.substr(i, end - i);
        i = end - 1;
      } else {
        word += ch;
      }
    }
    flush();
  }

  [[noreturn]] void Fail(const std::string& why) const { throw WlError("The rule cannot be read: " + why); }

  const std::string* Peek(std::size_t ahead = 0) const {
    return pos_ + ahead < tokens_.size() ? &tokens_[pos_ + ahead] : nullptr;
  }
  bool At(const char* word, std::size_t ahead = 0) const {
    const std::string* t = Peek(ahead);
    return t && *t == word;
  }
  void Expect(const char* word) {
    if (!At(word)) Fail(std::string("\"") + word + "\" expected" + (Peek() ? " before \"" + *Peek() + "\"" : " at the end"));
    ++pos_;
  }

  RuleNode Expr() {
    std::vector<RuleNode> terms;
    terms.push_back(Conjunction());
    while (At("or")) {
      ++pos_;
      terms.push_back(Conjunction());
    }
    if (terms.size() == 1) return std::move(terms[0]);
    RuleNode n;
    n.kind = Kind::Or;
    n.Children = std::move(terms);
    return n;
  }

  RuleNode Conjunction() {
    std::vector<RuleNode> factors;
    factors.push_back(Unary());
    while (At("and")) {
      ++pos_;
      factors.push_back(Unary());
    }
    if (factors.size() == 1) return std::move(factors[0]);
    RuleNode n;
    n.kind = Kind::And;
    n.Children = std::move(factors);
    return n;
  }

  RuleNode Unary() {
    if (At("not")) {
      ++pos_;
      RuleNode n;
      n.kind = Kind::Not;
      n.Children.push_back(Unary());
      return n;
    }
    return Primary();
  }

  bool SumAhead() const {
    int depth = 0;
    for (std::size_t i = pos_; i < tokens_.size(); ++i) {
      const std::string& t = tokens_[i];
      if (t == "(") ++depth;
      if (t == ")") {
        if (depth == 0) return false;
        --depth;
      }
      if (t == ">" && depth == 0) return true;
    }
    return false;
  }

  static bool IsNumber(const std::string& t, double& x) {
    return t.find('=') == std::string::npos && t.find('"') == std::string::npos && TryStrToFloat(t, x);
  }

  RuleNode Primary() {
    const std::string* t = Peek();
    if (!t) Fail("a condition expected at the end");
    if (*t == "(") {
      ++pos_;
      if (SumAhead()) return Sum();
      RuleNode r = Expr();
      Expect(")");
      return r;
    }
    if (*t == "at" && At("least", 1)) {
      pos_ += 2;
      double k = 0.0;
      if (!Peek() || !IsNumber(*Peek(), k)) Fail("a count expected after \"at least\"");
      ++pos_;
      Expect("of");
      Expect("(");
      RuleNode n;
      n.kind = Kind::AtLeast;
      n.Count = static_cast<int>(k);
      n.Children.push_back(Expr());
      while (At(",")) {
        ++pos_;
        n.Children.push_back(Expr());
      }
      Expect(")");
      return n;
    }
    if (*t == "always" || *t == "never") {
      ++pos_;
      return Constant(*t == "always");
    }
    return Atom();
  }

  RuleNode Sum() {
    RuleNode n;
    n.kind = Kind::Sum;
    while (!At(">")) {
      if (!Peek()) Fail("\">\" expected at the end");
      double sign = 1.0, c = 1.0;
      if (At("+") || At("-")) {
        sign = At("-") ? -1.0 : 1.0;
        ++pos_;
      }
      if (Peek() && *Peek() != "(" && IsNumber(*Peek(), c)) ++pos_;
      n.Coefficients.push_back(sign * c);
      n.Children.push_back(Unary());
    }
    ++pos_;
    double t = 0.0;
    if (!Peek() || !IsNumber(*Peek(), t)) Fail("a threshold expected after \">\"");
    ++pos_;
    n.Threshold = t;
    Expect(")");
    return n;
  }

  // One item of a feature's condition: a value text, or a range "a_b_c" of an interval feature.
  bool Item(const RuleFeature& f, const std::string& printed, RuleNode& into) const {
    std::string text;
    if (!Unlabel(printed, text)) return false;
    if (!f.Intervals) {
      for (std::size_t s = 0; s < f.Texts.size(); ++s)
        if (f.Texts[s] == text) {
          into.Slots.push_back(static_cast<int>(s));
          return true;
        }
      return false;
    }
    std::vector<double> bounds;
    std::size_t b = 0;
    while (true) {
      const std::size_t e = text.find('_', b);
      double x = 0.0;
      if (!BoundNumber(text.substr(b, e == std::string::npos ? std::string::npos : e - b), x)) return false;
      bounds.push_back(x);
      if (e == std::string::npos) break;
      b = e + 1;
    }
    if (bounds.size() < 2) return false;
    for (std::size_t i = 0; i + 1 < bounds.size(); ++i) into.Ranges.emplace_back(bounds[i], bounds[i + 1]);
    return true;
  }

  RuleNode Atom() {
    const std::string& t = tokens_[pos_];
    const std::size_t eq = BareFind(t, '=');
    std::string name;
    if (eq == std::string::npos || !Unlabel(t.substr(0, eq), name)) Fail("\"" + t + "\" is not a condition");
    int feature = -1;
    for (std::size_t f = 0; f < features_.size() && feature < 0; ++f)
      if (features_[f].Name == name) feature = static_cast<int>(f);
    if (feature < 0) Fail("no feature is named \"" + name + "\"");
    const RuleFeature& f = features_[static_cast<std::size_t>(feature)];
    RuleNode n;
    n.kind = Kind::Inputs;
    n.Feature = feature;
    if (!Item(f, t.substr(eq + 1), n)) Fail("\"" + t.substr(eq + 1) + "\" is not a value of " + name);
    ++pos_;
    // "name=v1 or v2": a further value of the same feature, never a condition of its own.
    while (At("or") && Peek(1)) {
      const std::string& next = *Peek(1);
      if (BareFind(next, '=') != std::string::npos || next == "(" || next == "not" || next == "at" || next == "always" ||
          next == "never")
        break;
      RuleNode more = n;
      if (!Item(f, next, more)) break;
      n = std::move(more);
      pos_ += 2;
    }
    return n;
  }

  const RuleFeatures& features_;
  std::vector<std::string> tokens_;
  std::size_t pos_ = 0;
};

// The reader of threshold rules, character by character: a unit's form names its inputs "name(label)",
// and its labels may hold any character but ')'.
class ThresholdReader {
 public:
  ThresholdReader(const RuleFeatures& features, const std::string& text) : features_(features), s_(text) {
    offset_.assign(features.size() + 1, 0);
    for (std::size_t f = 0; f < features.size(); ++f) offset_[f + 1] = offset_[f] + features[f].Slots();
  }

  RuleNode Whole() {
    Skip();
    if (i_ == s_.size()) return Constant(false);
    RuleNode r = Ahead() == '<' ? Form() : Expr();
    Skip();
    if (i_ != s_.size()) Fail("unexpected \"" + s_.substr(i_) + "\"");
    return r;
  }

 private:
  [[noreturn]] void Fail(const std::string& why) const {
    throw WlError("The threshold rule cannot be read: " + why + " in \"" + s_ + "\"");
  }
  static bool Stop(char c) { return c == ' ' || c == '(' || c == ')' || c == ','; }
  void Skip() {
    while (i_ < s_.size() && s_[i_] == ' ') ++i_;
  }
  // The next word and where it ends.
  std::string PeekWord(std::size_t& end) const {
    std::size_t j = i_;
    while (j < s_.size() && s_[j] == ' ') ++j;
    const std::size_t b = j;
    while (j < s_.size() && !Stop(s_[j])) {
      if (s_[j] == '"') {
        const std::size_t close = QuotedEnd(s_, j);
        if (close == std::string::npos) Fail("a quoted name or value does not close");
        j = close;
      } else {
        ++j;
      }
    }
    end = j;
    return s_.substr(b, j - b);
  }
  std::string PeekWord() const {
    std::size_t end = 0;
    return PeekWord(end);
  }
  std::string TakeWord() {
    std::size_t end = 0;
    std::string w = PeekWord(end);
    i_ = end;
    return w;
  }
  bool TakeChar(char c) {
    Skip();
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  void Need(char c) {
    if (!TakeChar(c)) Fail(std::string("'") + c + "' expected at " + IntToStr(static_cast<std::int64_t>(i_)));
  }
  double NumberWord() {
    double x = 0.0;
    const std::string w = TakeWord();
    if (!TryStrToFloat(w, x)) Fail("\"" + w + "\" is not a number");
    return x;
  }
  // What the text from here holds at its own depth before its closing ')': '<' a unit's form, '>' a
  // weighted sum, 0 neither.
  char Ahead() const {
    int depth = 0;
    for (std::size_t j = i_; j < s_.size(); ++j) {
      if (s_[j] == '"') {
        const std::size_t close = QuotedEnd(s_, j);
        if (close == std::string::npos) return 0;
        j = close - 1;
      } else if (s_[j] == '(') {
        ++depth;
      } else if (s_[j] == ')') {
        if (depth == 0) return 0;
        --depth;
      } else if (depth == 0 && (s_[j] == '<' || s_[j] == '>')) {
        return s_[j];
      }
    }
    return 0;
  }

  RuleNode Expr() {
    std::vector<RuleNode> terms;
    terms.push_back(Conjunction());
    while (PeekWord() == "or") {
      TakeWord();
      terms.push_back(Conjunction());
    }
    if (terms.size() == 1) return std::move(terms[0]);
    RuleNode n;
    n.kind = Kind::Or;
    n.Children = std::move(terms);
    return n;
  }
  RuleNode Conjunction() {
    std::vector<RuleNode> factors;
    factors.push_back(Unary());
    while (PeekWord() == "and") {
      TakeWord();
      factors.push_back(Unary());
    }
    if (factors.size() == 1) return std::move(factors[0]);
    RuleNode n;
    n.kind = Kind::And;
    n.Children = std::move(factors);
    return n;
  }
  RuleNode Unary() {
    if (PeekWord() == "not") {
      TakeWord();
      return Negate(Unary());
    }
    return Primary();
  }
  RuleNode Primary() {
    if (TakeChar('(')) {
      const char ahead = Ahead();
      if (ahead == '>') return Sum();
      RuleNode r = ahead == '<' ? Form() : Expr();
      Need(')');
      return r;
    }
    const std::string w = TakeWord();
    if (w == "always") return Constant(true);
    if (w == "at") {
      if (TakeWord() != "least") Fail("\"at least\" expected");
      RuleNode n;
      n.kind = Kind::AtLeast;
      n.Count = static_cast<int>(NumberWord());
      if (TakeWord() != "of") Fail("\"of\" expected");
      Need('(');
      n.Children.push_back(Expr());
      while (TakeChar(',')) n.Children.push_back(Expr());
      Need(')');
      return n;
    }
    Fail("\"" + w + "\" is not a condition");
  }
  // A coefficient ahead: "+", "-", a number, or a signed number, standing alone before its term.
  bool Coefficient(double& c) {
    std::size_t end = 0;
    std::string w = PeekWord(end);
    if (w.empty() || (end < s_.size() && s_[end] == '(')) return false;
    double sign = 1.0;
    if (w[0] == '+' || w[0] == '-') {
      sign = w[0] == '-' ? -1.0 : 1.0;
      w.erase(0, 1);
    }
    double x = 1.0;
    if (!w.empty() && !TryStrToFloat(w, x)) return false;
    c = sign * x;
    i_ = end;
    return true;
  }
  // The weighted sum of the units of a class: "(2 (...) + (...) > 1.5)", its '(' read.
  RuleNode Sum() {
    RuleNode n;
    n.kind = Kind::Sum;
    while (!TakeChar('>')) {
      if (i_ >= s_.size()) Fail("'>' expected at the end");
      double c = 1.0;
      Coefficient(c);
      n.Coefficients.push_back(c);
      n.Children.push_back(Unary());
    }
    n.Threshold = NumberWord();
    Need(')');
    return n;
  }
  // A unit's form: its threshold, '<', its weighted inputs, up to its closing ')' or the end.
  RuleNode Form() {
    RuleNode n;
    n.kind = Kind::Sum;
    n.Threshold = NumberWord();
    Need('<');
    while (true) {
      Skip();
      if (i_ >= s_.size() || s_[i_] == ')') break;
      double c = 1.0;
      if (!Coefficient(c)) c = 1.0;
      n.Coefficients.push_back(c);
      n.Children.push_back(Input());
    }
    if (n.Children.empty()) Fail("a unit without inputs");
    return n;
  }
  // One input of a unit's form: a unit in parentheses, "name(label)" or " Weight[i]".
  RuleNode Input() {
    if (TakeChar('(')) {
      RuleNode r = Form();
      Need(')');
      return r;
    }
    const std::string w = TakeWord();
    if (w.compare(0, 7, "Weight[") == 0 && w.size() > 8 && w.back() == ']') {
      double x = -1.0;
      if (!TryStrToFloat(w.substr(7, w.size() - 8), x) || x < 0 || x >= offset_.back() || x != std::floor(x))
        Fail("\"" + w + "\" names no input");
      const int index = static_cast<int>(x);
      std::size_t f = 0;
      while (offset_[f + 1] <= index) ++f;
      return InputRule(features_, static_cast<int>(f), {index - offset_[f]});
    }
    std::string name;
    if (i_ >= s_.size() || s_[i_] != '(' || !Unlabel(w, name)) Fail("\"" + w + "\" is not an input");
    // The label: a quoted section, or the text up to the next ')'.
    const std::size_t open = i_ + 1;
    const std::size_t end = open < s_.size() && s_[open] == '"' ? QuotedEnd(s_, open) : s_.find(')', open);
    if (end == std::string::npos || end >= s_.size() || s_[end] != ')') Fail("')' expected after \"" + w + "(\"");
    const std::string printed = s_.substr(open, end - open);
    std::string label = printed;
    if (!printed.empty() && printed[0] == '"' && !Unlabel(printed, label)) Fail("\"" + printed + "\" is not a label");
    i_ = end + 1;
    for (std::size_t f = 0; f < features_.size(); ++f) {
      if (features_[f].Name != name) continue;
      for (int slot = 0; slot < features_[f].Slots(); ++slot)
        if (SlotLabel(features_[f], slot) == label) return InputRule(features_, static_cast<int>(f), {slot});
    }
    Fail("\"" + w + "(" + printed + ")\" names no input");
  }

  const RuleFeatures& features_;
  std::string s_;
  std::size_t i_ = 0;
  std::vector<int> offset_;
};

}  // namespace

bool RuleFeature::Exclusive() const {
  if (!Intervals) {
    std::set<double> seen;
    for (double v : Values)
      if (!seen.insert(v).second) return false;
    return true;
  }
  std::vector<std::pair<double, double>> b = Bounds;
  std::sort(b.begin(), b.end());
  for (std::size_t i = 1; i < b.size(); ++i)
    if (b[i].first < b[i - 1].second && b[i].first < b[i].second && b[i - 1].first < b[i - 1].second) return false;
  return true;
}

RuleNode InputRule(const RuleFeatures& features, int f, const std::vector<int>& slots) {
  const RuleFeature& feat = features.at(static_cast<std::size_t>(f));
  RuleNode n;
  n.kind = Kind::Inputs;
  n.Feature = f;
  for (int s : slots) {
    if (feat.Intervals)
      n.Ranges.push_back(feat.Bounds.at(static_cast<std::size_t>(s)));
    else
      n.Slots.push_back(s);
  }
  std::sort(n.Slots.begin(), n.Slots.end());
  std::sort(n.Ranges.begin(), n.Ranges.end());
  return n;
}

RuleNode ThresholdRule(std::vector<WeightedRule> inputs, double threshold) {
  std::vector<WeightedRule> positive;
  for (WeightedRule& in : inputs) {
    if (in.Weight == 0.0 || in.Rule.kind == Kind::Never) continue;
    if (in.Rule.kind == Kind::Always) {
      threshold -= in.Weight;
      continue;
    }
    if (in.Weight < 0.0) {
      // w [x] = w + |w| [not x]
      threshold -= in.Weight;
      positive.push_back({Negate(std::move(in.Rule)), -in.Weight});
    } else {
      positive.push_back(std::move(in));
    }
  }
  return Reduce(std::move(positive), threshold);
}

namespace {

// "not (a=x or y)" of a feature of which every vector has one value is "a=z": written so where the other
// values are fewer.
void PositiveValues(const RuleFeatures& features, RuleNode& n) {
  for (RuleNode& c : n.Children) PositiveValues(features, c);
  if (n.kind != Kind::Not || n.Children[0].kind != Kind::Inputs) return;
  const RuleNode& in = n.Children[0];
  const RuleFeature& f = features.at(static_cast<std::size_t>(in.Feature));
  if (f.Intervals || !f.OneHot || !f.Exclusive()) return;
  std::vector<int> others;
  for (int s = 0; s < f.Slots(); ++s)
    if (std::find(in.Slots.begin(), in.Slots.end(), s) == in.Slots.end()) others.push_back(s);
  if (others.empty() || others.size() >= in.Slots.size()) return;
  n = InputRule(features, in.Feature, others);
}

// ---- units on the inputs, feature by feature

// One state of a feature as a unit's sum sees it: the inputs of one weight, and whether the state in which
// none of the feature's inputs is hot ("cold") is among them.
struct SumOption {
  std::vector<int> Slots;
  bool Cold = false;
  double Weight = 0.0;
  int Named = 0;  // how many of its inputs the unit weighs (not 0)
};
// The states of one feature (or of one input of a feature whose inputs may be hot together, then "hot" and
// "cold"): exactly one of its options holds for any vector.
struct SumGroup {
  int Feature = -1;
  std::vector<SumOption> Options;
};

// The condition that one of the options taken holds; exact wherever the feature is in one of the options.
RuleNode OptionsRule(const RuleFeatures& features, const SumGroup& g, const std::vector<bool>& take) {
  std::vector<int> in, out;
  bool cold = false;
  int namedIn = 0, namedOut = 0;
  for (std::size_t o = 0; o < g.Options.size(); ++o) {
    std::vector<int>& to = take[o] ? in : out;
    to.insert(to.end(), g.Options[o].Slots.begin(), g.Options[o].Slots.end());
    cold = cold || (take[o] && g.Options[o].Cold);
    (take[o] ? namedIn : namedOut) += g.Options[o].Named;
  }
  // A feature that is never cold is written by the fewer of its values; of as many, by those the unit
  // weighs (a value of weight 0 is named only by negating the others).
  const bool canBeCold = std::any_of(g.Options.begin(), g.Options.end(), [](const SumOption& o) { return o.Cold; });
  if (!canBeCold && !in.empty() && !out.empty() &&
      (out.size() < in.size() || (out.size() == in.size() && namedOut > namedIn)))
    cold = true;
  if (!cold) return in.empty() ? Constant(false) : InputRule(features, g.Feature, in);
  return out.empty() ? Constant(true) : Negate(InputRule(features, g.Feature, out));
}

double HighestWeight(const SumGroup& g) {
  double h = g.Options[0].Weight;
  for (const SumOption& o : g.Options) h = std::max(h, o.Weight);
  return h;
}

// Options of one weight become one; a feature of one weight is a constant of the sum and moves into the
// threshold; the lowest weight of every feature is made 0, so that the sum starts at 0.
void Normalize(std::vector<SumGroup>& groups, double& t) {
  std::vector<SumGroup> kept;
  for (SumGroup& g : groups) {
    std::vector<SumOption> merged;
    for (SumOption& o : g.Options) {
      auto same = std::find_if(merged.begin(), merged.end(), [&](const SumOption& m) { return m.Weight == o.Weight; });
      if (same == merged.end()) {
        merged.push_back(std::move(o));
        continue;
      }
      same->Slots.insert(same->Slots.end(), o.Slots.begin(), o.Slots.end());
      std::sort(same->Slots.begin(), same->Slots.end());
      same->Cold = same->Cold || o.Cold;
      same->Named += o.Named;
    }
    std::sort(merged.begin(), merged.end(), [](const SumOption& a, const SumOption& b) { return a.Weight < b.Weight; });
    const double low = merged[0].Weight;
    t -= low;
    if (merged.size() == 1) continue;
    for (SumOption& o : merged) o.Weight -= low;
    g.Options = std::move(merged);
    kept.push_back(std::move(g));
  }
  groups = std::move(kept);
}

// The sums the features other than `skip` can reach, ascending; false when they are too many to list.
bool ReachableSums(const std::vector<SumGroup>& groups, std::size_t skip, std::vector<double>& sums) {
  constexpr std::size_t kMostSums = 4096;
  sums.assign(1, 0.0);
  std::vector<double> next;
  for (std::size_t i = 0; i < groups.size(); ++i) {
    if (i == skip) continue;
    next.clear();
    for (double s : sums)
      for (const SumOption& o : groups[i].Options) next.push_back(s + o.Weight);
    std::sort(next.begin(), next.end());
    next.erase(std::unique(next.begin(), next.end()), next.end());
    if (next.size() > kMostSums) return false;
    sums.swap(next);
  }
  return true;
}

// Two states of a feature between whose weights no sum of the other features meets the threshold fire the
// unit alike: they become one state (of the lower weight). True when any did.
bool MergeAlikeStates(std::vector<SumGroup>& groups, double t) {
  bool any = false;
  std::vector<double> sums;
  for (std::size_t i = 0; i < groups.size(); ++i) {
    if (!ReachableSums(groups, i, sums)) return any;
    std::vector<SumOption>& options = groups[i].Options;  // ascending weights (Normalize)
    std::vector<SumOption> merged;
    for (SumOption& o : options) {
      if (!merged.empty()) {
        SumOption& m = merged.back();
        const bool alike = std::none_of(sums.begin(), sums.end(), [&](double s) { return !(s + m.Weight > t) && s + o.Weight > t; });
        if (alike) {
          m.Slots.insert(m.Slots.end(), o.Slots.begin(), o.Slots.end());
          std::sort(m.Slots.begin(), m.Slots.end());
          m.Cold = m.Cold || o.Cold;
          m.Named += o.Named;
          any = true;
          continue;
        }
      }
      merged.push_back(std::move(o));
    }
    options = std::move(merged);
  }
  return any;
}

// The weighted sum of the features' states: each feature counted from the state in which none of its inputs
// is hot, or else from the state of most values, so that the fewest states are terms.
RuleNode GroupSum(const RuleFeatures& features, const std::vector<SumGroup>& groups, double t) {
  RuleNode n;
  n.kind = Kind::Sum;
  for (const SumGroup& g : groups) {
    std::size_t ref = 0;
    for (std::size_t o = 1; o < g.Options.size(); ++o) {
      const SumOption& a = g.Options[o];
      const SumOption& r = g.Options[ref];
      if (r.Cold) break;
      // Of as many values, the one the unit does not weigh.
      if (a.Cold || a.Slots.size() > r.Slots.size() || (a.Slots.size() == r.Slots.size() && a.Named < r.Named)) ref = o;
    }
    const double base = g.Options[ref].Weight;
    t -= base;
    std::vector<const SumOption*> terms;
    for (std::size_t o = 0; o < g.Options.size(); ++o)
      if (o != ref) terms.push_back(&g.Options[o]);
    std::sort(terms.begin(), terms.end(), [](const SumOption* a, const SumOption* b) { return a->Slots < b->Slots; });
    for (const SumOption* o : terms) {
      n.Coefficients.push_back(o->Weight - base);
      n.Children.push_back(InputRule(features, g.Feature, o->Slots));
    }
  }
  n.Threshold = t;
  return n;
}

bool HasSum(const RuleNode& n) {
  return n.kind == Kind::Sum || std::any_of(n.Children.begin(), n.Children.end(), HasSum);
}

// Every feature as the ladder of its weights: its states of weight w_1 or more, of w_2 or more, ..., each
// condition adding the step w_k - w_(k-1). When all steps are one d, the unit fires when more than t / d of
// these conditions hold: "at least k of" them (k = 1 any feature's lowest rung, k = all every top rung).
bool EqualSteps(const RuleFeatures& features, const std::vector<SumGroup>& groups, double t, RuleNode& rule) {
  double step = 0.0;
  std::size_t rungs = 0;
  for (const SumGroup& g : groups)  // ascending weights from 0 (Normalize)
    for (std::size_t o = 1; o < g.Options.size(); ++o) {
      const double d = g.Options[o].Weight - g.Options[o - 1].Weight;
      if (rungs++ == 0) step = d;
      if (d != step) return false;
    }
  std::size_t k = 1;
  while (k <= rungs && !(static_cast<double>(k) * step > t)) ++k;
  if (k > rungs) return false;  // (the caller has found that the unit can fire)
  auto rung = [&](const SumGroup& g, std::size_t from) {
    std::vector<bool> take;
    for (std::size_t o = 0; o < g.Options.size(); ++o) take.push_back(o >= from);
    return OptionsRule(features, g, take);
  };
  std::vector<RuleNode> rules;
  for (const SumGroup& g : groups) {
    if (k == 1 || k == rungs) {
      rules.push_back(rung(g, k == 1 ? 1 : g.Options.size() - 1));
      continue;
    }
    for (std::size_t o = 1; o < g.Options.size(); ++o) rules.push_back(rung(g, o));
  }
  if (k == 1) {
    rule = Combine(Kind::Or, std::move(rules));
  } else if (k == rungs) {
    rule = Combine(Kind::And, std::move(rules));
  } else {
    rule.kind = Kind::AtLeast;
    rule.Count = static_cast<int>(k);
    rule.Children = std::move(rules);
  }
  return true;
}

// The simplest exact form of "the weights of the features' states add up to more than t": a feature's
// states that the unit needs or that fire it alone as value sets, any k of equal features as "at least k
// of", and the weighted sum of what is left.
RuleNode GroupsRule(const RuleFeatures& features, std::vector<SumGroup> groups, double t, bool ladders) {
  Normalize(groups, t);
  if (groups.empty()) return Constant(0.0 > t);
  std::vector<double> high;
  double total = 0.0;
  for (const SumGroup& g : groups) {
    high.push_back(HighestWeight(g));
    total += high.back();
  }
  if (!(total > t)) return Constant(false);
  if (0.0 > t) return Constant(true);
  if (RuleNode k; ladders && groups.size() > 1 && EqualSteps(features, groups, t, k)) return k;
  auto others = [&](std::size_t i) {
    double s = 0.0;
    for (std::size_t j = 0; j < groups.size(); ++j)
      if (j != i) s += high[j];
    return s;
  };
  // States that fire the unit whatever the other features are.
  for (std::size_t i = 0; i < groups.size(); ++i) {
    std::vector<bool> take;
    for (const SumOption& o : groups[i].Options) take.push_back(o.Weight > t);
    if (std::none_of(take.begin(), take.end(), [](bool b) { return b; })) continue;
    std::vector<RuleNode> either;
    either.push_back(OptionsRule(features, groups[i], take));
    std::vector<SumOption> kept;
    for (std::size_t o = 0; o < take.size(); ++o)
      if (!take[o]) kept.push_back(groups[i].Options[o]);
    groups[i].Options = std::move(kept);
    either.push_back(GroupsRule(features, std::move(groups), t, ladders));
    return Combine(Kind::Or, std::move(either));
  }
  // States of a feature with which the others cannot reach the threshold: the unit needs one of the rest.
  for (std::size_t i = 0; i < groups.size(); ++i) {
    const double rest = others(i);
    std::vector<bool> take;
    for (const SumOption& o : groups[i].Options) take.push_back(o.Weight + rest > t);
    if (std::all_of(take.begin(), take.end(), [](bool b) { return b; })) continue;
    std::vector<RuleNode> both;
    both.push_back(OptionsRule(features, groups[i], take));
    std::vector<SumOption> kept;
    for (std::size_t o = 0; o < take.size(); ++o)
      if (take[o]) kept.push_back(groups[i].Options[o]);
    groups[i].Options = std::move(kept);
    both.push_back(GroupsRule(features, std::move(groups), t, ladders));
    return Combine(Kind::And, std::move(both));
  }
  if (MergeAlikeStates(groups, t)) return GroupsRule(features, std::move(groups), t, ladders);
  // Features of two states: "at least k of" them when any k of their weights pass the threshold and no
  // k - 1 do.
  if (std::all_of(groups.begin(), groups.end(), [](const SumGroup& g) { return g.Options.size() == 2; })) {
    std::vector<double> w = high;
    std::sort(w.begin(), w.end());
    const std::size_t n = w.size();
    for (std::size_t k = 1; k <= n; ++k) {
      double smallest = 0.0, largest = 0.0;
      for (std::size_t j = 0; j < k; ++j) smallest += w[j];
      for (std::size_t j = 0; j + 1 < k; ++j) largest += w[n - 1 - j];
      if (!(smallest > t) || largest > t) continue;
      std::vector<RuleNode> rules;
      for (const SumGroup& g : groups) rules.push_back(OptionsRule(features, g, {g.Options[0].Weight > g.Options[1].Weight, g.Options[1].Weight > g.Options[0].Weight}));
      if (k == 1) return Combine(Kind::Or, std::move(rules));
      if (k == n) return Combine(Kind::And, std::move(rules));
      RuleNode a;
      a.kind = Kind::AtLeast;
      a.Count = static_cast<int>(k);
      a.Children = std::move(rules);
      return a;
    }
  }
  return GroupSum(features, groups, t);
}

// ---- conditions that cannot hold together

// What the conditions around a condition say of a feature of which at most one input is hot: the inputs
// that may be hot, and whether none may be.
struct FeatureBound {
  std::vector<int> Slots;
  bool Cold = true;
};
using FeatureBounds = std::vector<std::pair<int, FeatureBound>>;

bool Excludes(const RuleFeatures& features, int f) {
  const RuleFeature& feat = features.at(static_cast<std::size_t>(f));
  return !feat.Silent && feat.Exclusive();
}

// The inputs an Inputs node names, as slots of its feature; false when an interval is not one of them.
bool NodeSlots(const RuleFeatures& features, const RuleNode& n, std::vector<int>& slots) {
  const RuleFeature& feat = features.at(static_cast<std::size_t>(n.Feature));
  slots = n.Slots;
  for (const auto& r : n.Ranges) {
    const auto at = std::find(feat.Bounds.begin(), feat.Bounds.end(), r);
    if (at == feat.Bounds.end()) return false;
    slots.push_back(static_cast<int>(at - feat.Bounds.begin()));
  }
  std::sort(slots.begin(), slots.end());
  slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
  return true;
}

// The feature and inputs of a condition "f in S" (negated: "not f in S"); false for any other condition.
bool Atom(const RuleFeatures& features, const RuleNode& n, int& f, std::vector<int>& slots, bool& negated) {
  negated = n.kind == Kind::Not;
  const RuleNode& in = negated ? n.Children[0] : n;
  if (in.kind != Kind::Inputs || !Excludes(features, in.Feature)) return false;
  f = in.Feature;
  return NodeSlots(features, in, slots);
}

FeatureBound* BoundOf(const RuleFeatures& features, FeatureBounds& bounds, int f) {
  for (auto& [g, b] : bounds)
    if (g == f) return &b;
  FeatureBound b;
  const RuleFeature& feat = features.at(static_cast<std::size_t>(f));
  for (int s = 0; s < feat.Slots(); ++s) b.Slots.push_back(s);
  b.Cold = feat.Intervals || !feat.OneHot;
  bounds.emplace_back(f, std::move(b));
  return &bounds.back().second;
}

const FeatureBound* FindBound(const FeatureBounds& bounds, int f) {
  for (const auto& [g, b] : bounds)
    if (g == f) return &b;
  return nullptr;
}

// "f in S" where the feature is known to be within `b`: never, always or the inputs of S it may have.
RuleNode AtomWithin(const RuleFeatures& features, int f, const std::vector<int>& slots, const FeatureBound& b) {
  std::vector<int> both;
  std::set_intersection(slots.begin(), slots.end(), b.Slots.begin(), b.Slots.end(), std::back_inserter(both));
  if (both.empty()) return Constant(false);
  if (!b.Cold && both.size() == b.Slots.size()) return Constant(true);
  return InputRule(features, f, both);
}

RuleNode Feasible(const RuleFeatures& features, RuleNode n, const FeatureBounds& known) {
  int f = -1;
  std::vector<int> slots;
  bool negated = false;
  if (Atom(features, n, f, slots, negated)) {
    const FeatureBound* b = FindBound(known, f);
    if (!b) return n;
    RuleNode r = AtomWithin(features, f, slots, *b);
    return negated ? Negate(std::move(r)) : r;
  }
  switch (n.kind) {
    case Kind::Not:
      return Negate(Feasible(features, std::move(n.Children[0]), known));
    case Kind::And: {
      // The conditions on single features say together what each such feature may be; every other part
      // is read where they hold.
      FeatureBounds inner = known;
      std::vector<int> positive;  // the features that a condition here asks for by their values
      for (const RuleNode& c : n.Children) {
        if (!Atom(features, c, f, slots, negated)) continue;
        FeatureBound& b = *BoundOf(features, inner, f);
        std::vector<int> left;
        if (negated)
          std::set_difference(b.Slots.begin(), b.Slots.end(), slots.begin(), slots.end(), std::back_inserter(left));
        else
          std::set_intersection(b.Slots.begin(), b.Slots.end(), slots.begin(), slots.end(), std::back_inserter(left));
        b.Slots = std::move(left);
        b.Cold = b.Cold && negated;
        if (b.Slots.empty() && !b.Cold) return Constant(false);
        if (!negated) positive.push_back(f);
      }
      std::vector<RuleNode> parts;
      std::vector<int> written;
      for (RuleNode& c : n.Children) {
        if (!Atom(features, c, f, slots, negated)) {
          parts.push_back(Feasible(features, std::move(c), inner));
          continue;
        }
        if (std::find(written.begin(), written.end(), f) != written.end()) continue;
        written.push_back(f);
        // The feature's bound here, as one condition, where the bound around does not say it already.
        const FeatureBound& b = *FindBound(inner, f);
        const FeatureBound* around = FindBound(known, f);
        if (around && around->Slots == b.Slots && around->Cold == b.Cold) continue;
        if (std::find(positive.begin(), positive.end(), f) != positive.end()) {
          parts.push_back(InputRule(features, f, b.Slots));
          continue;
        }
        // Only negations: the values it may not have.
        FeatureBounds none;
        const FeatureBound* from = around ? around : BoundOf(features, none, f);
        std::vector<int> out;
        std::set_difference(from->Slots.begin(), from->Slots.end(), b.Slots.begin(), b.Slots.end(), std::back_inserter(out));
        if (!out.empty()) parts.push_back(Negate(InputRule(features, f, out)));
      }
      return Combine(Kind::And, std::move(parts));
    }
    case Kind::Or: {
      std::vector<RuleNode> parts;
      for (RuleNode& c : n.Children) parts.push_back(Feasible(features, std::move(c), known));
      return Combine(Kind::Or, std::move(parts));
    }
    case Kind::AtLeast: {
      std::vector<RuleNode> parts;
      int count = n.Count;
      for (RuleNode& c : n.Children) {
        RuleNode r = Feasible(features, std::move(c), known);
        if (r.kind == Kind::Always) --count;
        else if (r.kind != Kind::Never) parts.push_back(std::move(r));
      }
      if (count <= 0) return Constant(true);
      if (count > static_cast<int>(parts.size())) return Constant(false);
      if (count == 1) return Combine(Kind::Or, std::move(parts));
      if (count == static_cast<int>(parts.size())) return Combine(Kind::And, std::move(parts));
      n.Count = count;
      n.Children = std::move(parts);
      return n;
    }
    case Kind::Sum: {
      RuleNode s;
      s.kind = Kind::Sum;
      s.Threshold = n.Threshold;
      for (std::size_t i = 0; i < n.Children.size(); ++i) {
        RuleNode r = Feasible(features, std::move(n.Children[i]), known);
        if (r.kind == Kind::Always) s.Threshold -= n.Coefficients[i];
        if (IsConstant(r) || n.Coefficients[i] == 0.0) continue;
        s.Coefficients.push_back(n.Coefficients[i]);
        s.Children.push_back(std::move(r));
      }
      if (s.Children.empty()) return Constant(0.0 > s.Threshold);
      return s;
    }
    default:
      return n;
  }
}

}  // namespace

RuleNode InputUnitRule(const RuleFeatures& features, const std::vector<std::vector<double>>& given,
                       double threshold) {
  std::vector<std::vector<double>> weights(features.size());
  for (std::size_t f = 0; f < features.size(); ++f) {
    weights[f].assign(static_cast<std::size_t>(std::max(0, features[f].Slots())), 0.0);
    for (std::size_t s = 0; s < weights[f].size() && f < given.size() && s < given[f].size(); ++s) weights[f][s] = given[f][s];
    // A feature of which every vector has exactly one value adds the weight most of its values share to
    // every sum: it moves into the threshold, and only the values that differ from it are conditions
    // (0 when it is among the most shared, else the lowest of them, which leaves no negation).
    if (features[f].Silent || features[f].Intervals || !features[f].OneHot || !features[f].Exclusive() || weights[f].empty())
      continue;
    double shared = 0.0;
    std::size_t most = 0;
    for (double w : weights[f]) {
      const auto n = static_cast<std::size_t>(std::count(weights[f].begin(), weights[f].end(), w));
      if (n > most || (n == most && w < shared)) {
        most = n;
        shared = w;
      }
    }
    if (static_cast<std::size_t>(std::count(weights[f].begin(), weights[f].end(), 0.0)) == most) shared = 0.0;
    if (shared == 0.0) continue;
    for (double& w : weights[f]) w -= shared;
    threshold -= shared;
  }
  auto weight = [&](std::size_t f, int s) {
    return static_cast<std::size_t>(s) < weights[f].size() ? weights[f][static_cast<std::size_t>(s)] : 0.0;
  };
  std::vector<std::size_t> used;
  for (std::size_t f = 0; f < features.size(); ++f) {
    if (features[f].Silent) continue;
    for (int s = 0; s < features[f].Slots(); ++s)
      if (weight(f, s) != 0.0) {
        used.push_back(f);
        break;
      }
  }
  // One feature alone: the values (or intervals) that fire the unit; a vector that has none of the
  // feature's inputs hot adds nothing.
  if (used.size() == 1 && features[used[0]].Exclusive()) {
    const std::size_t f = used[0];
    std::vector<int> fire, rest;
    for (int s = 0; s < features[f].Slots(); ++s) (weight(f, s) > threshold ? fire : rest).push_back(s);
    if (rest.empty() && (0.0 > threshold || features[f].OneHot)) return Constant(true);
    if (0.0 > threshold && !features[f].OneHot) return Negate(InputRule(features, static_cast<int>(f), rest));
    return fire.empty() ? Constant(false) : InputRule(features, static_cast<int>(f), fire);
  }
  // Every other feature as the states it can be in: at most one of its inputs is hot (a feature whose
  // inputs may be hot together gives each of them two states, hot and not).
  std::vector<SumGroup> groups;
  std::vector<WeightedRule> inputs;  // the same as conditions of one weight each
  for (std::size_t f : used) {
    const RuleFeature& feat = features[f];
    const int fi = static_cast<int>(f);
    if (!feat.Exclusive()) {
      for (int s = 0; s < feat.Slots(); ++s)
        if (weight(f, s) != 0.0) {
          groups.push_back({fi, {{{s}, false, weight(f, s), 1}, {{}, true, 0.0, 0}}});
          inputs.push_back({InputRule(features, fi, {s}), weight(f, s)});
        }
      continue;
    }
    SumGroup g{fi, {}};
    std::vector<double> levels;
    for (int s = 0; s < feat.Slots(); ++s) {
      const double w = weight(f, s);
      g.Options.push_back({{s}, false, w, w != 0.0 ? 1 : 0});
      if (w == 0.0 || std::find(levels.begin(), levels.end(), w) != levels.end()) continue;
      levels.push_back(w);
      std::vector<int> slots;
      for (int q = s; q < feat.Slots(); ++q)
        if (weight(f, q) == w) slots.push_back(q);
      inputs.push_back({InputRule(features, fi, slots), w});
    }
    if (feat.Intervals || !feat.OneHot) g.Options.push_back({{}, true, 0.0, 0});
    groups.push_back(std::move(g));
  }
  // Exact forms found three ways: the conditions of one weight taken as if they were independent, and the
  // features' states with and without their ladders of equal steps; the shortest text is printed (the
  // first of as long ones), a weighted sum counting twice its length: it is harder to read than "and",
  // "or" and "at least".
  std::vector<RuleNode> forms;
  forms.push_back(ThresholdRule(std::move(inputs), threshold));
  forms.push_back(GroupsRule(features, groups, threshold, true));
  forms.push_back(GroupsRule(features, std::move(groups), threshold, false));
  std::size_t best = 0, shortest = std::string::npos;
  for (std::size_t i = 0; i < forms.size(); ++i) {
    forms[i] = Feasible(features, std::move(forms[i]), {});
    PositiveValues(features, forms[i]);
    const std::size_t length = RuleText(features, forms[i]).size() * (HasSum(forms[i]) ? 2 : 1);
    if (length < shortest) {
      best = i;
      shortest = length;
    }
  }
  return std::move(forms[best]);
}

RuleNode DropImpossible(const RuleFeatures& features, RuleNode rule) { return Feasible(features, std::move(rule), {}); }

std::string RuleText(const RuleFeatures& features, const RuleNode& rule, const std::string& orJoin) {
  if (rule.kind == Kind::Never) return "";
  return Text(features, rule, orJoin);
}

RuleNode ParseRule(const RuleFeatures& features, const std::string& text) { return Reader(features, text).Whole(); }

std::string RuleLabel(const std::string& label) {
  static const char* const kWords[] = {"or", "and", "not", "at", "always", "never"};
  bool bare = !label.empty() && label.compare(0, 7, "Weight[") != 0;
  for (const char* w : kWords) bare = bare && label != w;
  for (char c : label)
    bare = bare && static_cast<unsigned char>(c) > ' ' && std::string_view("()\",=<>").find(c) == std::string_view::npos;
  if (bare) return label;
  std::string q = "\"";
  for (char c : label) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

std::string InputLabel(const RuleFeature& feature, int slot) {
  return RuleLabel(feature.Name) + "(" + RuleLabel(SlotLabel(feature, slot)) + ")";
}

std::string SlotLabel(const RuleFeature& feature, int slot) {
  const auto s = static_cast<std::size_t>(slot);
  if (!feature.Intervals) return feature.Texts.at(s);
  return BoundText(feature, feature.Bounds.at(s).first, BoundEnd::Lower) + "_" +
         BoundText(feature, feature.Bounds.at(s).second, BoundEnd::Upper);
}

std::string BoundText(const RuleFeature& feature, double bound, BoundEnd end) {
  for (const RuleFeature::PrintedBound& p : feature.PrintedBounds)
    if (p.Bound == bound) {
      if (end == BoundEnd::Inner) return p.Inner;
      return end == BoundEnd::Lower ? p.Lower : p.Upper;
    }
  return Number(bound);
}

namespace {

// A printed bound: its text and the number it reads back as.
struct BoundCandidate {
  std::string Text;
  double Value = 0.0;
};

BoundCandidate Candidate(const std::string& text) {
  BoundCandidate c{text, 0.0};
  if (!BoundNumber(text, c.Value)) c.Value = std::numeric_limits<double>::quiet_NaN();
  return c;
}

// The texts of `bound` with `digits` significant digits: the nearest, then its neighbours one unit of the
// last digit below and above (so that a bound can be rounded towards either side).
std::vector<BoundCandidate> Candidates(double bound, int digits) {
  if (digits >= 17) return {Candidate(Number(bound))};
  std::vector<BoundCandidate> c{Candidate(FloatToStrDigits(bound, digits))};
  const double near = c[0].Value;
  if (!std::isfinite(near) || near == 0.0) return c;
  const double unit = std::pow(10.0, std::floor(std::log10(std::fabs(near))) - (digits - 1));
  for (double x : {near - unit, near + unit}) c.push_back(Candidate(FloatToStrDigits(x, digits)));
  return c;
}

}  // namespace

void ChooseBoundTexts(RuleFeature& feature, const std::vector<double>& values, double openBelow, double openAbove) {
  feature.PrintedBounds.clear();
  std::vector<double> bounds;
  for (const auto& [lo, hi] : feature.Bounds)
    for (double b : {lo, hi})
      if (std::isfinite(b)) bounds.push_back(b);
  std::sort(bounds.begin(), bounds.end());
  bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
  if (bounds.empty()) return;
  std::vector<double> data;
  for (double v : values)
    if (!std::isnan(v)) data.push_back(v);
  // A printed upper end p keeps every value below it that is below the bound, a lower end every value
  // above it that is above the bound; a bound inside a run of intervals must do both.
  auto keepsBelow = [&](double b, double p) {
    return std::all_of(data.begin(), data.end(), [&](double x) { return (x < p) == (x < b); });
  };
  auto keepsAbove = [&](double b, double p) {
    return std::all_of(data.begin(), data.end(), [&](double x) { return (x > p) == (x > b); });
  };
  const std::size_t n = bounds.size();
  // The fewest digits, from `from` on, with a text that fits (17 digits read back as the bound itself).
  auto fewest = [&](double b, int from, const std::function<bool(double)>& fits, BoundCandidate& out) {
    for (int d = std::max(from, 1); d <= 17; ++d)
      for (const BoundCandidate& c : Candidates(b, d))
        if (std::isfinite(c.Value) && fits(c.Value)) {
          out = c;
          return d;
        }
    out = Candidate(Number(b));
    return 17;
  };
  std::vector<int> from(n, 1);
  std::vector<RuleFeature::PrintedBound> printed(n);
  std::vector<std::pair<double, double>> span(n);  // the lowest and highest number printed for each bound
  auto choose = [&](std::size_t i) {
    const double b = bounds[i];
    RuleFeature::PrintedBound& p = printed[i];
    p.Bound = b;
    BoundCandidate lower, upper, inner;
    int dl = fewest(b, from[i], [&](double x) { return keepsAbove(b, x); }, lower);
    int du = fewest(b, from[i], [&](double x) { return keepsBelow(b, x); }, upper);
    // No bound: the lowest at or below `openBelow` with no value at or below it, the highest likewise.
    if (i == 0 && b <= openBelow && keepsAbove(b, -HUGE_VAL)) {
      lower = Candidate(kOpenLow);
      dl = 1;
    }
    if (i + 1 == n && b >= openAbove && keepsBelow(b, HUGE_VAL)) {
      upper = Candidate(kOpenHigh);
      du = 1;
    }
    const int di = fewest(b, from[i], [&](double x) { return keepsAbove(b, x) && keepsBelow(b, x); }, inner);
    if (di <= std::max(dl, du) && lower.Text != kOpenLow && upper.Text != kOpenHigh) {
      p.Lower = p.Upper = p.Inner = inner.Text;
      span[i] = {inner.Value, inner.Value};
    } else {
      // A value lies on the bound (or one end is open): the intervals on either side end apart, and a run
      // through the bound is printed as two.
      p.Lower = lower.Text;
      p.Upper = upper.Text;
      p.Inner.clear();
      span[i] = {std::min(lower.Value, upper.Value), std::max(lower.Value, upper.Value)};
    }
  };
  for (std::size_t i = 0; i < n; ++i) choose(i);
  // The printed bounds keep their order, so that distinct intervals stay distinct and apart as printed.
  for (bool moved = true; moved;) {
    moved = false;
    for (std::size_t i = 0; i + 1 < n; ++i)
      if (!(span[i].second < span[i + 1].first))
        for (std::size_t k : {i, i + 1})
          if (from[k] < 17) {
            from[k] = std::min(17, from[k] + 1);
            choose(k);
            moved = true;
          }
  }
  feature.PrintedBounds = std::move(printed);
}

std::string IntervalRulesNote(const RuleFeatures& features, bool normalised) {
  if (std::none_of(features.begin(), features.end(), [](const RuleFeature& f) { return f.Intervals && !f.Silent; }))
    return "";
  return std::string(normalised ? "Interval bounds are in normalised units (F[v]-F_mean)/Std_dev"
                                : "Interval bounds are in the units of the data set") +
         "; name=a_b holds the values strictly between a and b, so a value equal to a bound lies in neither "
         "interval next to it; -inf and inf are open ends";
}

RuleNode ParseThresholdRule(const RuleFeatures& features, const std::string& text) {
  return ThresholdReader(features, text).Whole();
}

bool RuleHolds(const RuleFeatures& features, const RuleNode& rule, const std::vector<double>& row) {
  switch (rule.kind) {
    case Kind::Never:
      return false;
    case Kind::Always:
      return true;
    case Kind::Inputs: {
      const RuleFeature& f = features.at(static_cast<std::size_t>(rule.Feature));
      const double x = row.at(static_cast<std::size_t>(rule.Feature));
      for (int s : rule.Slots)
        if (static_cast<std::size_t>(s) < f.Values.size() && f.Values[static_cast<std::size_t>(s)] == x) return true;
      for (const auto& r : rule.Ranges)
        if (r.first < x && x < r.second) return true;
      return false;
    }
    case Kind::Not:
      return !RuleHolds(features, rule.Children[0], row);
    case Kind::And:
      for (const RuleNode& c : rule.Children)
        if (!RuleHolds(features, c, row)) return false;
      return true;
    case Kind::Or:
      for (const RuleNode& c : rule.Children)
        if (RuleHolds(features, c, row)) return true;
      return false;
    case Kind::AtLeast: {
      int n = 0;
      for (const RuleNode& c : rule.Children) n += RuleHolds(features, c, row) ? 1 : 0;
      return n >= rule.Count;
    }
    case Kind::Sum: {
      double s = 0.0;
      for (std::size_t i = 0; i < rule.Children.size(); ++i)
        if (RuleHolds(features, rule.Children[i], row)) s += rule.Coefficients[i];
      return s > rule.Threshold;
    }
  }
  return false;
}

std::string RulesAgreementLine(int agree, int vectors) {
  return "Rules agree with the network on " + IntToStr(agree) + " of " + IntToStr(vectors) + " vectors";
}

}  // namespace wl

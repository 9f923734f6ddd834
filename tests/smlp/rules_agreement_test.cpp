// The rules every rules report prints say what the network does: a reader of the printed texts written
// here, apart from the program's own, evaluates them on every vector and must find the network's class.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "model/create_network.h"
#include "model/data_file.h"
#include "model/read_parameters.h"
#include "model/results_prefix.h"
#include "model/weights_file.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/random.h"
#include "smlp/lnet.h"
#include "smlp/lnet_drivers.h"
#include "smlp/nofm_five_layer.h"
#include "smlp/nofm_network.h"
#include "smlp/rule_text.h"
#include "smlp/rules_report.h"
#include "smlp/single_class.h"
#include "smlp/smlp_driver.h"
#include "smlp/smlp_network.h"
#include "smlp/step_rules.h"
#include "smlp/binary_set_test_env.h"
#include "support/test_support.h"
#include "training/prepare_run.h"

namespace wl {
namespace {

namespace fs = std::filesystem;
using test::Lines;
using test::ReadText;

// ---- the reader of printed rules

using Test = std::function<bool(const std::vector<double>&)>;

// The words and signs of a printed rule, read from left to right; shared by both readers below.
class RuleTextCursor {
 protected:
  explicit RuleTextCursor(const std::string& text) : s_(text) {}

  void Skip() {
    while (i_ < s_.size() && s_[i_] == ' ') ++i_;
  }
  // The end of the quoted section that opens at `at` (a doubled '"' stands for one), or the text's end.
  static std::size_t AfterQuote(const std::string& s, std::size_t at) {
    std::size_t j = at + 1;
    while (j < s.size()) {
      if (s[j] == '"' && (j + 1 >= s.size() || s[j + 1] != '"')) return j + 1;
      j += s[j] == '"' ? 2 : 1;
    }
    ADD_FAILURE() << "an open quote in: " << s;
    return s.size();
  }
  // A printed name or value as it stands in the data set: a quoted one without its quotes.
  static std::string Unquoted(const std::string& w) {
    if (w.empty() || w[0] != '"') return w;
    EXPECT_EQ(AfterQuote(w, 0), w.size()) << "more after the quotes of " << w;
    std::string t;
    for (std::size_t j = 1; j + 1 < w.size(); ++j) {
      t += w[j];
      if (w[j] == '"') ++j;
    }
    return t;
  }
  // Where the word has its first '=' outside quotes.
  static std::size_t BareEquals(const std::string& w) {
    for (std::size_t j = 0; j < w.size(); j = w[j] == '"' ? AfterQuote(w, j) : j + 1)
      if (w[j] == '=') return j;
    return std::string::npos;
  }
  std::string Word(std::size_t& at) const {
    std::size_t j = at;
    while (j < s_.size() && s_[j] == ' ') ++j;
    const std::size_t b = j;
    while (j < s_.size() && s_[j] != ' ' && s_[j] != '(' && s_[j] != ')' && s_[j] != ',')
      j = s_[j] == '"' ? AfterQuote(s_, j) : j + 1;
    at = j;
    return s_.substr(b, j - b);
  }
  // The next position of the text from j that is not inside quotes.
  std::size_t Step(std::size_t j) const { return s_[j] == '"' ? AfterQuote(s_, j) : j + 1; }
  std::string PeekWord() const {
    std::size_t at = i_;
    return Word(at);
  }
  std::string TakeWord() { return Word(i_); }
  bool TakeChar(char c) {
    Skip();
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  void Need(char c) {
    if (!TakeChar(c)) ADD_FAILURE() << "'" << c << "' expected at " << i_ << " of: " << s_;
  }

  std::string s_;
  std::size_t i_ = 0;
};

// A printed interval bound: a number, or an open end "-inf" / "inf". The rules are read as the reports
// state: an interval a_b holds the values strictly between a and b.
bool BoundValue(const std::string& w, double& x) {
  if (w == "-inf" || w == "inf") {
    x = w == "inf" ? HUGE_VAL : -HUGE_VAL;
    return true;
  }
  if (w.empty() || w.find_first_not_of("0123456789.-+E") != std::string::npos) return false;
  std::istringstream in(w);
  in >> x;
  return !in.fail() && in.eof();
}

// Reads one printed rule against the data set in memory: feature names and value texts as the data set
// lists them, interval ranges "a_b_c" as numbers. Any text it cannot read fails the test.
class PrintedRule : RuleTextCursor {
 public:
  PrintedRule(const Workbench& wb, const std::string& text) : RuleTextCursor(text), wb_(wb) {
    Skip();
    if (i_ >= s_.size()) {
      test_ = [](const std::vector<double>&) { return false; };
      return;
    }
    test_ = Or();
    Skip();
    if (i_ != s_.size()) ADD_FAILURE() << "unread rest \"" << s_.substr(i_) << "\" of: " << s_;
  }
  bool Holds(const std::vector<double>& row) const { return test_(row); }

 private:
  static bool Num(const std::string& w, double& x) {
    if (w.empty() || w.find('=') != std::string::npos || w[0] == '"') return false;
    std::istringstream in(w);
    in >> x;
    return !in.fail() && in.eof();
  }

  Test Or() {
    std::vector<Test> t{And()};
    while (PeekWord() == "or") {
      TakeWord();
      t.push_back(And());
    }
    return [t](const std::vector<double>& r) { return std::any_of(t.begin(), t.end(), [&](const Test& x) { return x(r); }); };
  }
  Test And() {
    std::vector<Test> t{Not()};
    while (PeekWord() == "and") {
      TakeWord();
      t.push_back(Not());
    }
    return [t](const std::vector<double>& r) { return std::all_of(t.begin(), t.end(), [&](const Test& x) { return x(r); }); };
  }
  Test Not() {
    if (PeekWord() == "not") {
      TakeWord();
      Test x = Not();
      return [x](const std::vector<double>& r) { return !x(r); };
    }
    return Primary();
  }
  // Whether the parenthesis just opened holds a weighted sum: a '>' before its own ')'.
  bool SumAhead() const {
    int depth = 0;
    for (std::size_t j = i_; j < s_.size(); j = Step(j)) {
      if (s_[j] == '(') ++depth;
      if (s_[j] == ')' && depth-- == 0) return false;
      if (s_[j] == '>' && depth == 0) return true;
    }
    return false;
  }
  Test Primary() {
    if (TakeChar('(')) {
      if (SumAhead()) return Sum();
      Test x = Or();
      Need(')');
      return x;
    }
    const std::string w = PeekWord();
    if (w == "always") {
      TakeWord();
      return [](const std::vector<double>&) { return true; };
    }
    if (w == "at") {
      TakeWord();
      EXPECT_EQ(TakeWord(), "least") << s_;
      double n = 0;
      EXPECT_TRUE(Num(TakeWord(), n)) << s_;
      EXPECT_EQ(TakeWord(), "of") << s_;
      Need('(');
      std::vector<Test> t{Or()};
      while (TakeChar(',')) t.push_back(Or());
      Need(')');
      const int k = static_cast<int>(n);
      return [t, k](const std::vector<double>& r) {
        return std::count_if(t.begin(), t.end(), [&](const Test& x) { return x(r); }) >= k;
      };
    }
    return Condition();
  }
  Test Sum() {
    std::vector<std::pair<double, Test>> terms;
    while (true) {
      Skip();
      if (i_ < s_.size() && s_[i_] == '>') break;
      double sign = 1.0, c = 1.0;
      std::string w = PeekWord();
      if (w == "+" || w == "-") {
        sign = w == "-" ? -1.0 : 1.0;
        TakeWord();
        w = PeekWord();
      }
      if (Num(w, c)) TakeWord();
      else c = 1.0;
      terms.emplace_back(sign * c, Not());
      if (i_ >= s_.size()) {
        ADD_FAILURE() << "no '>' in the sum of: " << s_;
        break;
      }
    }
    Need('>');
    double t = 0;
    EXPECT_TRUE(Num(TakeWord(), t)) << s_;
    Need(')');
    return [terms, t](const std::vector<double>& r) {
      double sum = 0;
      for (const auto& [c, x] : terms)
        if (x(r)) sum += c;
      return sum > t;
    };
  }
  // The value index of a value text of feature f, or -1.
  int ValueIndex(int f, const std::string& text) const {
    const TFeature& feat = wb_.Features[static_cast<std::size_t>(f)];
    for (int v = 0; v < feat.NValues; ++v) {
      const std::string t = v < static_cast<int>(feat.Symbols.size()) ? feat.Symbols[v] : FloatToStr(feat.Values[v]);
      if (t == text) return v;
    }
    return -1;
  }
  // One item of feature f: a value, or (continuous features) a range of bounds joined by "_".
  bool Item(int f, const std::string& printed, std::vector<double>& values, std::vector<std::pair<double, double>>& ranges) const {
    const TFeature& feat = wb_.Features[static_cast<std::size_t>(f)];
    const std::string text = Unquoted(printed);
    if (feat.Kind == 'c') {
      std::vector<double> b;
      std::stringstream in(text);
      std::string part;
      while (std::getline(in, part, '_')) {
        double x = 0;
        if (!BoundValue(part, x)) return false;
        b.push_back(x);
      }
      if (b.size() < 2) return false;
      for (std::size_t k = 0; k + 1 < b.size(); ++k) ranges.emplace_back(b[k], b[k + 1]);
      return true;
    }
    const int v = ValueIndex(f, text);
    if (v < 0) return false;
    values.push_back(feat.Values[static_cast<std::size_t>(v)]);
    return true;
  }
  Test Condition() {
    const std::string w = TakeWord();
    const std::size_t eq = BareEquals(w);
    int f = -1;
    if (eq != std::string::npos)
      for (std::size_t k = 0; k < wb_.Features.size(); ++k)
        if (wb_.Features[k].Name == Unquoted(w.substr(0, eq))) f = static_cast<int>(k);
    if (f < 0) {
      ADD_FAILURE() << "\"" << w << "\" names no feature in: " << s_;
      return [](const std::vector<double>&) { return false; };
    }
    std::vector<double> values;
    std::vector<std::pair<double, double>> ranges;
    if (!Item(f, w.substr(eq + 1), values, ranges)) ADD_FAILURE() << "\"" << w << "\" is no value in: " << s_;
    // "name=v1 or v2": more values of the same feature.
    while (true) {
      std::size_t at = i_;
      if (Word(at) != "or") break;
      const std::string next = Word(at);
      if (next.empty() || BareEquals(next) != std::string::npos || next == "not" || next == "at" || next == "always") break;
      if (!Item(f, next, values, ranges)) break;
      i_ = at;
    }
    const auto uf = static_cast<std::size_t>(f);
    return [uf, values, ranges](const std::vector<double>& r) {
      const double x = r[uf];
      for (double v : values)
        if (x == v) return true;
      for (const auto& [lo, hi] : ranges)
        if (lo < x && x < hi) return true;
      return false;
    };
  }

  const Workbench& wb_;
  Test test_;
};

// Reads one printed threshold rule, the text after "Class c if": a unit is its threshold, "<" and the
// weighted sum of its inputs, "name(value)", "name(a_b)" (strictly between a and b) or " Weight[i]", or
// of other units in parentheses; the units of a class are combined by or, and, not, "at least N of (...)"
// or a weighted sum "(2 (...) + (...) > t)". `inputs` tests input i of " Weight[i]".
class PrintedThresholdRule : RuleTextCursor {
 public:
  PrintedThresholdRule(const Workbench& wb, const std::vector<Test>& inputs, const std::string& text)
      : RuleTextCursor(text), wb_(wb), inputs_(inputs) {
    Skip();
    if (i_ >= s_.size()) {
      test_ = [](const std::vector<double>&) { return false; };
      return;
    }
    test_ = Depth0('<') ? Unit() : Or();
    Skip();
    if (i_ != s_.size()) ADD_FAILURE() << "unread rest \"" << s_.substr(i_) << "\" of: " << s_;
  }
  bool Holds(const std::vector<double>& row) const { return test_(row); }

 private:
  static bool Num(const std::string& w, double& x) {
    std::istringstream in(w);
    in >> x;
    return !w.empty() && !in.fail() && in.eof();
  }
  double TakeNum() {
    double x = 0;
    const std::string w = TakeWord();
    EXPECT_TRUE(Num(w, x)) << "\"" << w << "\" in: " << s_;
    return x;
  }
  // Whether c stands at the depth of the text from here, before its closing ')'.
  bool Depth0(char c) const {
    int depth = 0;
    for (std::size_t j = i_; j < s_.size(); j = Step(j)) {
      if (s_[j] == '(') ++depth;
      if (s_[j] == ')' && depth-- == 0) return false;
      if (depth == 0 && (s_[j] == '<' || s_[j] == '>')) return s_[j] == c;
    }
    return false;
  }
  Test Or() {
    std::vector<Test> t{And()};
    while (PeekWord() == "or") {
      TakeWord();
      t.push_back(And());
    }
    return [t](const std::vector<double>& r) { return std::any_of(t.begin(), t.end(), [&](const Test& x) { return x(r); }); };
  }
  Test And() {
    std::vector<Test> t{Not()};
    while (PeekWord() == "and") {
      TakeWord();
      t.push_back(Not());
    }
    return [t](const std::vector<double>& r) { return std::all_of(t.begin(), t.end(), [&](const Test& x) { return x(r); }); };
  }
  Test Not() {
    if (PeekWord() == "not") {
      TakeWord();
      Test x = Not();
      return [x](const std::vector<double>& r) { return !x(r); };
    }
    return Primary();
  }
  Test Primary() {
    if (TakeChar('(')) {
      Test x;
      if (Depth0('>')) return Sum();
      x = Depth0('<') ? Unit() : Or();
      Need(')');
      return x;
    }
    const std::string w = TakeWord();
    if (w == "always") return [](const std::vector<double>&) { return true; };
    EXPECT_EQ(w, "at") << s_;
    EXPECT_EQ(TakeWord(), "least") << s_;
    const int k = static_cast<int>(TakeNum());
    EXPECT_EQ(TakeWord(), "of") << s_;
    Need('(');
    std::vector<Test> t{Or()};
    while (TakeChar(',')) t.push_back(Or());
    Need(')');
    return [t, k](const std::vector<double>& r) {
      return std::count_if(t.begin(), t.end(), [&](const Test& x) { return x(r); }) >= k;
    };
  }
  // A coefficient word ahead of its term: "+", "-", "+2", "-0.5", "3".
  bool Coefficient(double& c) {
    std::size_t at = i_;
    std::string w = Word(at);
    if (w.empty() || (at < s_.size() && s_[at] == '(')) return false;
    double sign = 1;
    if (w[0] == '+' || w[0] == '-') {
      sign = w[0] == '-' ? -1 : 1;
      w.erase(0, 1);
    }
    double x = 1;
    if (!w.empty() && !Num(w, x)) return false;
    c = sign * x;
    i_ = at;
    return true;
  }
  static Test Above(std::vector<std::pair<double, Test>> terms, double t) {
    return [terms, t](const std::vector<double>& r) {
      double sum = 0;
      for (const auto& [c, x] : terms)
        if (x(r)) sum += c;
      return sum > t;
    };
  }
  Test Sum() {
    std::vector<std::pair<double, Test>> terms;
    while (!TakeChar('>')) {
      if (i_ >= s_.size()) {
        ADD_FAILURE() << "no '>' in: " << s_;
        break;
      }
      double c = 1;
      Coefficient(c);
      terms.emplace_back(c, Not());
    }
    const double t = TakeNum();
    Need(')');
    return Above(terms, t);
  }
  Test Unit() {
    const double t = TakeNum();
    Need('<');
    std::vector<std::pair<double, Test>> terms;
    while (true) {
      Skip();
      if (i_ >= s_.size() || s_[i_] == ')') break;
      double c = 1;
      Coefficient(c);
      terms.emplace_back(c, Input());
    }
    EXPECT_FALSE(terms.empty()) << s_;
    return Above(terms, t);
  }
  Test Input() {
    if (TakeChar('(')) {
      Test x = Unit();
      Need(')');
      return x;
    }
    const std::string w = TakeWord();
    if (w.rfind("Weight[", 0) == 0) {
      const std::size_t i = static_cast<std::size_t>(std::stoi(w.substr(7)));
      EXPECT_LT(i, inputs_.size()) << w << " in: " << s_;
      return i < inputs_.size() ? inputs_[i] : Test([](const std::vector<double>&) { return false; });
    }
    // "name(label)": a quoted label runs to its closing quote, a bare one to the next ')'.
    const std::size_t close = i_ + 1 < s_.size() && s_[i_ + 1] == '"' ? AfterQuote(s_, i_ + 1) : s_.find(')', i_);
    if (i_ >= s_.size() || s_[i_] != '(' || close >= s_.size() || s_[close] != ')') {
      ADD_FAILURE() << "\"" << w << "\" is no input in: " << s_;
      return [](const std::vector<double>&) { return false; };
    }
    const std::string label = Unquoted(s_.substr(i_ + 1, close - i_ - 1));
    i_ = close + 1;
    int f = -1;
    for (std::size_t k = 0; k < wb_.Features.size(); ++k)
      if (wb_.Features[k].Name == Unquoted(w)) f = static_cast<int>(k);
    EXPECT_GE(f, 0) << "\"" << w << "\" names no feature in: " << s_;
    if (f < 0) return [](const std::vector<double>&) { return false; };
    const auto uf = static_cast<std::size_t>(f);
    const TFeature& feat = wb_.Features[uf];
    if (feat.Kind == 'c') {
      const std::size_t bar = label.find('_');
      double lo = 0, hi = 0;
      if (bar != std::string::npos && BoundValue(label.substr(0, bar), lo) && BoundValue(label.substr(bar + 1), hi))
        return [uf, lo, hi](const std::vector<double>& r) { return lo < r[uf] && r[uf] < hi; };
      ADD_FAILURE() << "\"" << label << "\" is no interval of " << w << " in: " << s_;
      return [](const std::vector<double>&) { return false; };
    }
    for (int v = 0; v < feat.NValues; ++v) {
      const std::string t = v < static_cast<int>(feat.Symbols.size()) ? feat.Symbols[v] : FloatToStr(feat.Values[v]);
      if (t == label) {
        const double x = feat.Values[static_cast<std::size_t>(v)];
        return [uf, x](const std::vector<double>& r) { return r[uf] == x; };
      }
    }
    ADD_FAILURE() << "\"" << label << "\" is no value of " << w << " in: " << s_;
    return [](const std::vector<double>&) { return false; };
  }

  const Workbench& wb_;
  const std::vector<Test>& inputs_;
  Test test_;
};

// The network's inputs, in order, for " Weight[i]": a value of a feature, or an interval of it.
std::vector<Test> NetworkInputs(const Workbench& wb) {
  std::vector<Test> in;
  const RuleFeatures layout = BuildStepRules(wb).Features;
  for (std::size_t f = 0; f < layout.size(); ++f)
    for (int s = 0; s < layout[f].Slots(); ++s) {
      if (layout[f].Intervals) {
        const auto [lo, hi] = layout[f].Bounds[static_cast<std::size_t>(s)];
        in.push_back([f, lo, hi](const std::vector<double>& r) { return lo < r[f] && r[f] < hi; });
      } else {
        const double x = layout[f].Values[static_cast<std::size_t>(s)];
        in.push_back([f, x](const std::vector<double>& r) { return r[f] == x; });
      }
    }
  return in;
}

// The rule text of a printed line "class c if <rule>".
std::string RuleOfLine(const std::string& line, int c) {
  const std::string head = "class " + std::to_string(c) + " if";
  EXPECT_EQ(line.compare(0, head.size(), head), 0) << line;
  return line.size() > head.size() ? line.substr(head.size()) : std::string();
}

// The network's class of vector v: its step prediction, -1 for none.
int NetworkClass(Workbench& wb, int v) {
  ForwardStepNetwork(wb, v);
  std::vector<double> y;
  for (const TNeuron& n : wb.Net.back()) y.push_back(n.Signal);
  return StepPrediction(y.data(), std::min(wb.NumOfClasses, static_cast<int>(y.size())));
}

// The printed class lines "class c if ...", read.
std::vector<PrintedRule> PrintedRules(Workbench& wb, const std::vector<std::string>& classLines) {
  std::vector<PrintedRule> rules;
  for (int c = 0; c < static_cast<int>(classLines.size()); ++c) rules.emplace_back(wb, RuleOfLine(classLines[c], c));
  return rules;
}

// The class of the first rule that holds for a vector; -1 when none holds.
template <class Rule>
int ClassByRules(const std::vector<Rule>& rules, const std::vector<double>& row) {
  for (int c = 0; c < static_cast<int>(rules.size()); ++c)
    if (rules[c].Holds(row)) return c;
  return -1;
}

// Checks the printed class lines against the network on every vector, and returns how many agree.
int AgreeingVectors(Workbench& wb, const std::vector<std::string>& classLines) {
  const std::vector<PrintedRule> rules = PrintedRules(wb, classLines);
  int agree = 0;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    const int byRules = ClassByRules(rules, wb.Data[static_cast<std::size_t>(v)]);
    const int network = NetworkClass(wb, v);
    EXPECT_EQ(byRules, network) << "vector " << v << "; rules:\n" << [&] {
      std::string s;
      for (const std::string& l : classLines) s += l + "\n";
      return s;
    }();
    if (byRules == network) ++agree;
    if (byRules != network) break;  // one disagreement says enough
  }
  return agree;
}

// The same for printed threshold lines "Class c if   ...".
int AgreeingVectorsByThreshold(Workbench& wb, const std::vector<std::string>& classLines) {
  const std::vector<Test> inputs = NetworkInputs(wb);
  std::vector<PrintedThresholdRule> rules;
  for (int c = 0; c < static_cast<int>(classLines.size()); ++c) {
    const std::string head = "Class " + std::to_string(c) + " if";
    EXPECT_EQ(classLines[c].compare(0, head.size(), head), 0) << classLines[c];
    rules.emplace_back(wb, inputs, classLines[c].size() > head.size() ? classLines[c].substr(head.size()) : "");
  }
  int agree = 0;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    const int byRules = ClassByRules(rules, wb.Data[static_cast<std::size_t>(v)]);
    const int network = NetworkClass(wb, v);
    if (byRules == network) {
      ++agree;
      continue;
    }
    std::string all;
    for (const std::string& l : classLines) all += l + "\n";
    ADD_FAILURE() << "vector " << v << ": rules " << byRules << ", network " << network << "; rules:\n" << all;
    break;  // one disagreement says enough
  }
  return agree;
}

std::string AllAgree(const Workbench& wb) { return RulesAgreementLine(wb.NumOfVectors, wb.NumOfVectors); }

// How many vectors the reader above gives the network's class by the printed class lines (all of them
// read; a vector for which no rule holds has no class).
int ReaderAgreement(Workbench& wb, const std::vector<std::string>& classLines) {
  const std::vector<PrintedRule> rules = PrintedRules(wb, classLines);
  int agree = 0;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    const int byRules = ClassByRules(rules, wb.Data[static_cast<std::size_t>(v)]);
    if (byRules == NetworkClass(wb, v)) ++agree;
  }
  return agree;
}

// N of a printed "Rules agree with the network on N of M vectors"; -1 for another line.
int PrintedAgreement(const std::string& line) {
  const std::string head = "Rules agree with the network on ";
  if (line.rfind(head, 0) != 0) return -1;
  return std::stoi(line.substr(head.size()));
}

// What a report whose rules name intervals of normalised features states once, before its count.
const char* const kNormalisedIntervalsNote =
    "Interval bounds are in normalised units (F[v]-F_mean)/Std_dev; name=a_b holds the values strictly between "
    "a and b, so a value equal to a bound lies in neither interval next to it; -inf and inf are open ends";

// The "[Rules]" lines of a rules report and the lines after them.
struct RulesSection {
  std::vector<std::string> Classes;
  std::vector<std::string> After;
  std::vector<std::string> BySum, ByIndex;  // the threshold lines, by value and by input index
};
RulesSection ReadRulesSection(const std::string& file, int classes) {
  const std::vector<std::string> lines = Lines(ReadText(file));
  RulesSection r;
  const auto at = std::find(lines.begin(), lines.end(), "[Rules]");
  EXPECT_NE(at, lines.end()) << ReadText(file);
  if (at == lines.end()) return r;
  auto it = at + 1;
  for (int c = 0; c < classes && it != lines.end(); ++c, ++it) r.Classes.push_back(*it);
  for (int k = 0; k < 3 && it != lines.end(); ++k, ++it) r.After.push_back(*it);
  std::vector<std::string> threshold;
  for (const std::string& l : lines)
    if (l.rfind("Class ", 0) == 0 && l.find(" if   ") != std::string::npos) threshold.push_back(l);
  if (threshold.size() == 2 * static_cast<std::size_t>(classes)) {
    r.BySum.assign(threshold.begin(), threshold.begin() + classes);
    r.ByIndex.assign(threshold.begin() + classes, threshold.end());
  }
  return r;
}

std::string Shipped(const char* name) { return std::string(WL_SOURCE_DIR) + "/DATA/" + name; }

class RulesAgreementTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_rules_", {"DATA", "results"});
    plat.ClockMs = 10000;
    plat.ClockDay = 2;
    wb->Rng.Seed = 11;
    TForm1& f = wb->Form1;
    f.EpochEditT2.SetText("2");
    f.slEdit.SetText("3");
    f.NoGTPBox.SetChecked(true);
  }

  // Reads a shipped data set as the training set.
  void Open(const char* name) {
    const fs::path copy = dir / "DATA" / name;
    fs::copy_file(Shipped(name), copy, fs::copy_options::overwrite_existing);
    wb->DataFileName = copy.string();
    ReadDataFile(*wb, copy.string());
    MakeResultsPrefix(*wb);
  }

  void HiddenPerClass(int n) {
    wb->Form1.HidPerOutEdit.SetText(IntToStr(n));
    wb->Form1.HidPerOut1Edit.SetText(IntToStr(n));
    wb->Form1.HidPerOut2Edit.SetText(IntToStr(n));
  }

  // The rules report of the trained network: its rules agree with it on every vector, by the report's
  // own line and by the reader above.
  void ExpectReportAgrees() {
    ASSERT_TRUE(WriteRulesReport(*wb, 1));
    const RulesSection r = ReadRulesSection(wb->ResultsPrefix + "_RE.txt", wb->NumOfClasses);
    ASSERT_EQ(static_cast<int>(r.Classes.size()), wb->NumOfClasses);
    EXPECT_EQ(AgreeingVectors(*wb, r.Classes), wb->NumOfVectors);
    ASSERT_FALSE(r.After.empty());
    const bool logistic = wb->Slope != 0.0 && wb->LUnitsMode != 1;
    std::size_t at = 0;
    if (logistic) {
      EXPECT_EQ(r.After[at++], kLogisticRulesNote);
    }
    const bool intervals = std::any_of(wb->Features.begin(), wb->Features.end(), [&](const TFeature& f) {
      return (wb->LUnitsMode == 1 || wb->LUnitsMode == 7) && f.Kind == 'c';
    });
    if (intervals) {
      ASSERT_LT(at, r.After.size());
      EXPECT_EQ(r.After[at++], kNormalisedIntervalsNote);
    }
    ASSERT_LT(at, r.After.size());
    EXPECT_EQ(r.After[at], AllAgree(*wb));
    // The threshold lines say the same, by value and by input index (a report of NetKind 7 has none).
    if (wb->NetKind == 7) {
      EXPECT_TRUE(r.BySum.empty());
      return;
    }
    ASSERT_EQ(static_cast<int>(r.BySum.size()), wb->NumOfClasses) << ReadText(wb->ResultsPrefix + "_RE.txt");
    EXPECT_EQ(AgreeingVectorsByThreshold(*wb, r.BySum), wb->NumOfVectors);
    EXPECT_EQ(AgreeingVectorsByThreshold(*wb, r.ByIndex), wb->NumOfVectors);
  }
};

// ---- the rules reports of SMLP runs

// Whether a conjunction in the rule asks one feature, of which at most one input is hot, for two of its
// values or intervals that cannot hold together.
bool AsksTheImpossible(const RuleFeatures& features, const RuleNode& n) {
  if (n.kind == RuleNode::Kind::And) {
    std::vector<std::pair<int, std::vector<std::pair<double, double>>>> seen;  // feature, its inputs
    for (const RuleNode& c : n.Children) {
      if (c.kind != RuleNode::Kind::Inputs || !features[static_cast<std::size_t>(c.Feature)].Exclusive()) continue;
      std::vector<std::pair<double, double>> items = c.Ranges;
      for (int v : c.Slots) items.emplace_back(features[static_cast<std::size_t>(c.Feature)].Values[static_cast<std::size_t>(v)], 0.0);
      for (const auto& [f, other] : seen)
        if (f == c.Feature &&
            std::none_of(items.begin(), items.end(), [&](const auto& i) { return std::count(other.begin(), other.end(), i) > 0; }))
          return true;
      seen.emplace_back(c.Feature, items);
    }
  }
  return std::any_of(n.Children.begin(), n.Children.end(), [&](const RuleNode& c) { return AsksTheImpossible(features, c); });
}


// monk1 after each way of training the SMLP of all classes.
TEST_F(RulesAgreementTest, SmlpRunsOnMonk1) {
  struct Case {
    const char* Name;
    std::uint8_t Mode;
    int Hidden;
    bool RandomStart, Beam;
    const char* HidBias;
  } cases[] = {
      {"1 change", 1, 1, false, false, "0.5"},
      {"2 changes", 2, 1, false, false, "0.5"},
      {"random start, 2 hidden per class", 1, 2, true, false, "0.5"},
      {"2 changes, random start, 3 hidden per class, threshold 1.5", 2, 3, true, false, "1.5"},
      {"beam search", 1, 1, false, true, "0.5"},
      {"beam search, random starts, 2 hidden per class", 1, 2, true, true, "0.5"},
  };
  Open("monk1.dat");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TForm1& f = wb->Form1;
    f.EpochEditT2.SetText(c.Mode == 2 ? "1" : "3");
    HiddenPerClass(c.Hidden);
    f.Rinit.SetChecked(c.RandomStart);
    f.BeamSearch.SetChecked(c.Beam);
    f.HidBEdit.SetText(c.HidBias);
    ASSERT_FALSE(ReadParameters(*wb, 10));
    ASSERT_TRUE(RunSMLP(*wb, c.Mode));
    ExpectReportAgrees();
  }
}

// Continuous sets, discretized first; logistic units read as steps say so and are counted honestly.
// Several units of a class from random starts weigh many values of many features; no rule of them asks
// for the impossible.
TEST_F(RulesAgreementTest, SmlpRunsOnDiscretizedSets) {
  struct Case {
    const char* Name;
    int Hidden;
    bool RandomStart;
  } cases[] = {{"iris.dat", 2, false}, {"breast_cancer.dat", 2, false}, {"iris.dat", 3, true}, {"breast_cancer.dat", 3, true},
               {"monk1.dat", 3, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Name) + ", " + std::to_string(c.Hidden) + " per class");
    Open(c.Name);
    HiddenPerClass(c.Hidden);
    wb->Form1.EpochEditT2.SetText(c.RandomStart ? "3" : "1");
    wb->Form1.Rinit.SetChecked(c.RandomStart);
    ASSERT_FALSE(ReadParameters(*wb, 10));
    ASSERT_TRUE(RunSMLP(*wb, 1));
    ExpectReportAgrees();
    const StepRules built = BuildStepRules(*wb);
    for (int k = 0; k < wb->NumOfClasses; ++k) {
      EXPECT_FALSE(AsksTheImpossible(built.Features, built.Classes[static_cast<std::size_t>(k)])) << RuleText(built.Features, built.Classes[static_cast<std::size_t>(k)]);
      for (const RuleNode& u : built.Units[static_cast<std::size_t>(k)]) EXPECT_FALSE(AsksTheImpossible(built.Features, u)) << RuleText(built.Features, u);
    }
  }
  wb->Form1.Rinit.SetChecked(false);
  // The logistic SMLP: the rules of its units read as steps, with the note; the count is whatever it is.
  Open("iris.dat");
  HiddenPerClass(1);
  wb->Form1.sigmoidSMLPButton.SetChecked(true);
  ASSERT_FALSE(ReadParameters(*wb, 10));
  ASSERT_TRUE(RunSMLP(*wb, 1));
  ASSERT_NE(wb->Slope, 0.0);
  ASSERT_TRUE(WriteRulesReport(*wb, 1));
  const RulesSection r = ReadRulesSection(wb->ResultsPrefix + "_RE.txt", wb->NumOfClasses);
  ASSERT_GE(r.After.size(), 2u);
  EXPECT_EQ(r.After[0], kLogisticRulesNote);
  EXPECT_EQ(r.After[1].rfind("Rules agree with the network on ", 0), 0u) << r.After[1];
}

// The L-unit network (intervals of the cut points; a value on a cut point lies in no interval).
TEST_F(RulesAgreementTest, LUnitNetworkOnIris) {
  Open("iris.dat");
  HiddenPerClass(3);
  wb->Form1.lunitsbox.SetChecked(true);
  ASSERT_FALSE(ReadParameters(*wb, 10));
  ASSERT_TRUE(RunSMLP(*wb, 1));
  ASSERT_EQ(wb->LUnitsMode, 1);
  ExpectReportAgrees();
  // Its weights file names the network, which a weights file does not rebuild.
  SaveWeights(*wb, 1);
  EXPECT_EQ(Lines(ReadText(wb->ResultsPrefix + "_FinalWeights.txt"))[0], "Step  L-units");
}

// "constant L" with step units: the rules of the log and of the rules report; with logistic units (the
// default slope) the log says that it reads them as steps.
TEST_F(RulesAgreementTest, LNetsOnIris) {
  Open("iris.dat");
  HiddenPerClass(1);
  wb->Form1.SlopeEdit.SetText("0");
  TrainConstantL(*wb);
  ASSERT_EQ(wb->LUnitsMode, 7);
  ASSERT_EQ(wb->Slope, 0.0);
  const std::vector<std::string> log = Lines(ReadText(wb->ResultsPrefix + "_Lconst.txt"));
  std::vector<std::string> classes;
  std::string after;
  for (std::size_t i = 0; i < log.size(); ++i)
    if (log[i].rfind("class ", 0) == 0) {
      classes.push_back(log[i]);
      after = i + 2 < log.size() ? log[i + 1] + "\n" + log[i + 2] : "";
    }
  ASSERT_EQ(classes.size(), 3u);
  EXPECT_EQ(AgreeingVectors(*wb, classes), wb->NumOfVectors);
  EXPECT_EQ(after, kNormalisedIntervalsNote + ("\n" + AllAgree(*wb)));
  ExpectReportAgrees();

  wb->Form1.SlopeEdit.SetText("1");
  TrainConstantL(*wb);
  EXPECT_NE(ReadText(wb->ResultsPrefix + "_Lconst.txt").find(std::string(kLogisticRulesNote) + "\n"), std::string::npos);
}

// A part of the breast cancer set small enough for every interval network: its first 160 vectors with
// four of its measures.
fs::path BreastCancerPart(const fs::path& dir) {
  const std::vector<std::string> lines = Lines(ReadText(Shipped("breast_cancer.dat")));
  const std::size_t data = static_cast<std::size_t>(std::find(lines.begin(), lines.end(), "[DATA]") - lines.begin());
  std::string text = "Number of features = 5\nNumber of Vectors = 160\nClass Column No = 5\n\n"
                     "Feature[1] = mean_radius  continuous\nFeature[2] = mean_texture  continuous\n"
                     "Feature[3] = mean_smoothness  continuous\nFeature[4] = mean_symmetry  continuous\n"
                     "Feature[5] = Class  discrete  2  0  1\n\n[DATA]\n";
  for (std::size_t v = 0; v < 160; ++v) {
    std::istringstream in(lines.at(data + 1 + v));
    std::vector<std::string> cells;
    for (std::string c; in >> c;) cells.push_back(c);
    text += cells.at(0) + "  " + cells.at(1) + "  " + cells.at(4) + "  " + cells.at(8) + "  " + cells.back() + "\n";
  }
  const fs::path file = dir / "DATA" / "breast_cancer_part.dat";
  std::ofstream(file, std::ios::binary) << text;
  return file;
}

// The rules of every interval network, printed in a report or a log: the class lines, then once the note
// on the bounds and the count. The reader, reading each bound as printed and each interval as open, counts
// as many vectors as the printed line; no bound is printed as 10000 or with more digits than it needs.
void ExpectIntervalRulesRead(Workbench& wb, const std::vector<std::string>& lines, const std::string& where,
                             const std::string& note = kNormalisedIntervalsNote) {
  SCOPED_TRACE(where);
  // The last rules printed: the class lines before the last count.
  std::size_t count = lines.size();
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (PrintedAgreement(lines[i]) >= 0) count = i;
  ASSERT_LT(count, lines.size());
  ASSERT_GE(count, static_cast<std::size_t>(wb.NumOfClasses) + 1);
  EXPECT_EQ(lines[count - 1], note);
  std::vector<std::string> classes;
  for (std::size_t i = count - 1; classes.size() < static_cast<std::size_t>(wb.NumOfClasses) && i-- > 0;)
    if (lines[i].rfind("class ", 0) == 0) classes.insert(classes.begin(), lines[i]);
  ASSERT_EQ(static_cast<int>(classes.size()), wb.NumOfClasses);
  EXPECT_EQ(ReaderAgreement(wb, classes), PrintedAgreement(lines[count]));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), note),
            std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return PrintedAgreement(l) >= 0; }));
  for (const std::string& l : classes) {
    EXPECT_EQ(l.find("10000"), std::string::npos) << l;
    // Each bound: an open end, or a number of at most seven digits (these sets need no more).
    std::size_t digits = 0;
    for (char ch : l) {
      if (ch >= '0' && ch <= '9') ++digits;
      else if (ch != '.') digits = 0;
      EXPECT_LE(digits, 7u) << l;
      if (digits > 7) break;
    }
  }
}

// The interval networks of the "SMLP" menu on iris and on a part of the breast cancer set: the L-unit
// network and "L Num Grad" over L-units (the rules report; the run's log), "constant L" and "merging L"
// (their logs and the rules report after each).
TEST_F(RulesAgreementTest, IntervalRulesReadAsPrinted) {
  for (const std::string set : {"iris", "breast cancer"}) {
    SCOPED_TRACE(set);
    auto open = [&] {
      if (set == "iris") {
        Open("iris.dat");
        return;
      }
      const fs::path file = BreastCancerPart(dir);
      wb->DataFileName = file.string();
      ReadDataFile(*wb, file.string());
      MakeResultsPrefix(*wb);
    };
    auto report = [&](const std::string& what) {
      ASSERT_TRUE(WriteRulesReport(*wb, 1));
      ExpectIntervalRulesRead(*wb, Lines(ReadText(wb->ResultsPrefix + "_RE.txt")), what + ", rules report");
    };
    TForm1& f = wb->Form1;
    open();
    HiddenPerClass(3);
    f.lunitsbox.SetChecked(true);
    ASSERT_FALSE(ReadParameters(*wb, 10));
    ASSERT_TRUE(RunSMLP(*wb, 1));
    report("L-units");

    HiddenPerClass(1);
    ASSERT_FALSE(ReadParameters(*wb, 10));
    ASSERT_TRUE(RunSMLP(*wb, 9));
    ASSERT_EQ(wb->LUnitsMode, 1);
    wb->LogFile.close();
    ExpectIntervalRulesRead(*wb, Lines(ReadText(wb->LogFileName)), "L Num Grad, log");
    report("L Num Grad");

    f.lunitsbox.SetChecked(false);
    f.SlopeEdit.SetText("0");
    open();
    TrainConstantL(*wb);
    ExpectIntervalRulesRead(*wb, Lines(ReadText(wb->ResultsPrefix + "_Lconst.txt")), "constant L, log");
    report("constant L");

    open();
    TrainMergingL(*wb);
    ExpectIntervalRulesRead(*wb, Lines(ReadText(wb->ResultsPrefix + "_Lmerge.txt")), "merging L, log");
    report("merging L");
  }
}

// Without "Inputs Normalization" the bounds are in the data set's own units, and the note says so.
TEST_F(RulesAgreementTest, IntervalBoundsInTheDataSetsUnits) {
  wb->Form1.NormCheck.SetChecked(false);
  Open("iris.dat");
  HiddenPerClass(3);
  wb->Form1.lunitsbox.SetChecked(true);
  ASSERT_FALSE(ReadParameters(*wb, 10));
  ASSERT_TRUE(RunSMLP(*wb, 1));
  ASSERT_TRUE(WriteRulesReport(*wb, 1));
  ExpectIntervalRulesRead(*wb, Lines(ReadText(wb->ResultsPrefix + "_RE.txt")), "L-units, raw iris",
                          "Interval bounds are in the units of the data set; name=a_b holds the values strictly "
                          "between a and b, so a value equal to a bound lies in neither interval next to it; -inf "
                          "and inf are open ends");
}

// "N of M 4/5" on iris: the rules file writes each unit's N and its split parts.
TEST_F(RulesAgreementTest, NofMRulesFileOnIris) {
  wb->Rng.Seed = 3;
  wb->Form1.slEdit.SetText("10");
  Open("iris.dat");
  HiddenPerClass(1);
  ASSERT_FALSE(ReadParameters(*wb, 10));
  ASSERT_TRUE(RunSMLP(*wb, 10));
  ASSERT_GT(wb->ExpandCount, 0);
  const std::vector<std::string> lines = Lines(ReadText(wb->ResultsPrefix + "_rf.txt"));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(AgreeingVectors(*wb, {lines[0], lines[1], lines[2]}), wb->NumOfVectors);
  EXPECT_EQ(lines[3], AllAgree(*wb));
  ExpectReportAgrees();
}

// Compare Rules: each of its two result reports ends with the rules of the network it trained and the
// agreement line; the second network is the one left in the workbench.
TEST_F(RulesAgreementTest, CompareRulesReportsEndWithTheirRules) {
  fs::copy_file(Shipped("monk1.dat"), dir / "DATA" / "monk1.dat", fs::copy_options::overwrite_existing);
  plat.OpenAnswers.push_back((dir / "DATA" / "monk1.dat").string());
  HiddenPerClass(2);
  wb->Form1.EpochEditT2.SetText("1");
  CompareRules(*wb);
  ASSERT_FALSE(plat.Starved) << *plat.Starved;
  for (const char* method : {"_1ch", "_2ch"}) {
    SCOPED_TRACE(method);
    const std::string file = wb->ResultsPrefix + method + "_rs-trn.txt";
    const std::vector<std::string> lines = Lines(ReadText(file));
    const auto rules = std::find(lines.begin(), lines.end(), "[Rules]");
    ASSERT_NE(rules, lines.end()) << ReadText(file);
    // The report's own lines stay before them, the weight listing last.
    EXPECT_LT(std::find(lines.begin(), lines.end(), "Output Layer"), rules);
    ASSERT_EQ(lines.end() - rules, 1 + wb->NumOfClasses + 1) << ReadText(file);
    EXPECT_EQ(lines.back(), AllAgree(*wb));
    if (std::string(method) == "_2ch") {
      EXPECT_EQ(AgreeingVectors(*wb, std::vector<std::string>(rules + 1, rules + 1 + wb->NumOfClasses)),
                wb->NumOfVectors);
    }
  }
}

// ---- generated networks

// Every value combination of three features, the classes drawn at random.
class GeneratedNetworksTest : public RulesAgreementTest {
 protected:
  void LoadGenerated(int classes) {
    const std::vector<test::FeatureDef> features = {
        {"colour", {"red", "green", "blue"}}, {"size", {"big", "small"}}, {"shape", {"round", "square", "flat", "long"}}};
    std::vector<std::vector<std::string>> rows;
    RandomGenerator rng;
    rng.Seed = 5;
    for (const auto& a : features[0].Symbols)
      for (const auto& b : features[1].Symbols)
        for (const auto& c : features[2].Symbols) rows.push_back({a, b, c, IntToStr(static_cast<int>(rng.Below(classes)))});
    test::LoadSetFile(*wb, dir / "DATA" / "generated.dat", test::DiscreteSetText(features, classes, rows));
  }
  double Pick(RandomGenerator& rng, const std::vector<double>& from) {
    return from[rng.Below(static_cast<std::int32_t>(from.size()))];
  }
  // The printed rules of the network in Net agree with it on every vector.
  void ExpectBuiltRulesAgree() {
    const StepRules rules = BuildStepRules(*wb);
    std::vector<std::string> lines, texts;
    for (int c = 0; c < wb->NumOfClasses; ++c) {
      texts.push_back(RuleText(rules.Features, rules.Classes[static_cast<std::size_t>(c)], "       or      "));
      lines.push_back("class " + IntToStr(c) + " if    " + texts.back());
    }
    EXPECT_EQ(AgreeingVectors(*wb, lines), wb->NumOfVectors);
    EXPECT_EQ(StepRulesAgreement(*wb, rules.Features, texts), wb->NumOfVectors);
    std::vector<std::string> bySum, byIndex;
    for (int c = 0; c < wb->NumOfClasses; ++c) {
      bySum.push_back("Class " + IntToStr(c) + " if   " + rules.SumRules[static_cast<std::size_t>(c)]);
      byIndex.push_back("Class " + IntToStr(c) + " if   " + rules.WeightRules[static_cast<std::size_t>(c)]);
    }
    EXPECT_EQ(AgreeingVectorsByThreshold(*wb, bySum), wb->NumOfVectors);
    EXPECT_EQ(AgreeingVectorsByThreshold(*wb, byIndex), wb->NumOfVectors);
  }
};

// Three-layer networks of random integer weights, thresholds that need one, two or three inputs, negative
// weights and output weights, several units per class.
TEST_F(GeneratedNetworksTest, RandomThreeLayerNetworks) {
  LoadGenerated(3);
  RandomGenerator rng;
  rng.Seed = 17;
  for (int trial = 0; trial < 150; ++trial) {
    SCOPED_TRACE("network " + std::to_string(trial));
    const int perClass = 1 + static_cast<int>(rng.Below(3));
    wb->HidPerOut.assign(3, perClass);
    wb->HidBias = 0.5;
    wb->OutBias = 0.5;
    wb->Slope = 0.0;
    wb->SMLPOutWeights = {1.0, 1.0, 1.0, 1.0};
    wb->Form1.Rinit.SetChecked(false);
    ReadHiddenPerClass(*wb);
    ASSERT_TRUE(InitSMLPWeights(*wb));
    wb->NetKind = 1;
    for (TNeuron& n : wb->Net[1]) {
      for (std::size_t i = 0; i + 1 < n.Weights.size(); ++i) n.Weights[i] = Pick(rng, {-2, -1, 0, 0, 0, 1, 1, 2});
      n.Weights.back() = Pick(rng, {-1.5, -0.5, 0.5, 0.5, 1.5, 2.5});
    }
    for (TNeuron& n : wb->Net[2]) {
      for (std::size_t i = 0; i + 1 < n.Weights.size(); ++i) n.Weights[i] = Pick(rng, {1, 1, -1, 2});
      n.Weights.back() = Pick(rng, {0.5, 0.5, -0.5, 1.5});
    }
    if (trial % 7 == 0) wb->FeatureMask[static_cast<std::size_t>(trial % 3)] = 0;  // a masked feature
    ExpectBuiltRulesAgree();
  }
  // One of them through the whole report.
  ExpectReportAgrees();
}

// Four-layer N-of-M networks (plain units of every N) and five-layer ones (AND and N-of-M units).
TEST_F(GeneratedNetworksTest, RandomNofMNetworks) {
  LoadGenerated(2);
  RandomGenerator rng;
  rng.Seed = 23;
  wb->OutBias = 0.5;
  wb->Slope = 0.0;
  for (int trial = 0; trial < 80; ++trial) {
    SCOPED_TRACE("network " + std::to_string(trial));
    wb->HidPerOut.assign(2, 1 + static_cast<int>(rng.Below(2)));
    const bool five = trial % 2 == 1;
    if (five) {
      ASSERT_TRUE(CreateFiveLayerNet(*wb));
      for (auto* units : {&wb->AndUnits, &wb->NofMUnits})
        for (TNeuron& n : *units) {
          for (std::size_t i = 0; i + 1 < n.Weights.size(); ++i) n.Weights[i] = Pick(rng, {0, 1, 1});
          n.Weights.back() = Pick(rng, {-0.5, 0.5, 1.5, 2.5});
        }
    } else {
      ASSERT_TRUE(CreateFourLayerNet(*wb));
      for (TNeuron& n : wb->Net[2]) n.Weights.back() = Pick(rng, {0.5, 1.5, 2.5});
    }
    for (TNeuron& n : wb->Net[1])
      for (std::size_t i = 0; i + 1 < n.Weights.size(); ++i) n.Weights[i] = Pick(rng, {-1, 0, 0, 1, 1});
    for (TNeuron& n : wb->Net[3]) n.Weights[0] = Pick(rng, {1, -1});
    wb->NetKind = five ? 11 : 1;
    ExpectBuiltRulesAgree();
  }
}

// The threshold lines of the N-of-M networks: each unit its threshold below the sum of its feature units,
// each feature unit its own; a five-layer unit is its AND unit and its N-of-M unit.
TEST_F(GeneratedNetworksTest, NofMThresholdLinesNameEveryUnit) {
  LoadGenerated(2);
  wb->OutBias = 0.5;
  wb->Slope = 0.0;
  wb->HidPerOut.assign(2, 1);
  const std::string units = "(0.5 <   colour(red) + colour(green)) + (0.5 <   size(big))";
  for (const bool five : {false, true}) {
    SCOPED_TRACE(five ? "five layers" : "four layers");
    ASSERT_TRUE(five ? CreateFiveLayerNet(*wb) : CreateFourLayerNet(*wb));
    wb->NetKind = five ? 11 : 1;
    // Class 0: colour red or green, and size big; class 1 has no unit that fires.
    for (TNeuron& n : wb->Net[1]) std::fill(n.Weights.begin(), n.Weights.end() - 1, 0.0);
    wb->Net[1][0].Weights[0] = wb->Net[1][0].Weights[1] = 1;
    wb->Net[1][1].Weights[0] = 1;
    if (five) {
      wb->AndUnits[0].Weights = {1, 1, 0, 1.5};
      wb->NofMUnits[0].Weights = {1, 1, 1, 0.5};
    } else {
      wb->Net[2][0].Weights.back() = 1.5;
    }
    const StepRules rules = BuildStepRules(*wb);
    EXPECT_EQ(rules.SumRules[0], five ? "(1.5 <   " + units + ") and (0.5 <   " + units + ")" : "1.5 <   " + units);
    EXPECT_EQ(rules.SumRules[1], "");
    const std::string byIndex = std::string(five ? "(" : "") + "1.5 <   (0.5 <    Weight[0] +  Weight[1]) + (0.5 <    Weight[3])";
    EXPECT_EQ(rules.WeightRules[0].substr(0, byIndex.size()), byIndex);
    ExpectBuiltRulesAgree();
  }
}

// L-nets of step units on generated continuous values, some on the bounds of the intervals.
TEST_F(GeneratedNetworksTest, RandomLNets) {
  std::vector<std::vector<double>> rows;
  std::vector<int> classes;
  RandomGenerator rng;
  rng.Seed = 29;
  for (int v = 0; v < 60; ++v) {
    rows.push_back({static_cast<double>(rng.Below(13)) * 0.25, static_cast<double>(rng.Below(7))});
    classes.push_back(static_cast<int>(rng.Below(2)));
  }
  test::SetContinuousRows(*wb, rows);
  for (std::size_t f = 0; f < 2; ++f) {
    wb->Features[f].Kind = 'c';
    wb->Features[f].Name = f == 0 ? "width" : "height";
  }
  wb->VectorClass = classes;
  wb->NumOfClasses = 2;
  wb->Slope = 0.0;
  wb->HidBias = 0.5;
  wb->OutBias = 0.5;
  wb->LogFileName = (dir / "results" / "lnet.txt").string();
  wb->LogFile.open(wb->LogFileName, std::ios::binary | std::ios::trunc);
  for (int trial = 0; trial < 60; ++trial) {
    SCOPED_TRACE("network " + std::to_string(trial));
    wb->HidPerOut.assign(2, 1 + static_cast<int>(rng.Below(3)));
    SetupLNetIntervals(*wb, 2);
    BuildLNet(*wb, 2);
    wb->NetKind = 1;
    for (TNeuron& n : wb->Net[1]) {
      for (std::size_t i = 0; i + 1 < n.Weights.size(); ++i) n.Weights[i] = Pick(rng, {-1, 0, 0, 1, 1, 2});
      n.Weights.back() = Pick(rng, {-0.5, 0.5, 0.5, 1.5});
    }
    for (TNeuron& n : wb->Net[2]) n.Weights[0] = Pick(rng, {1, -1});
    if (trial % 4 == 0) {  // shifted bounds leave gaps between the intervals
      wb->LNet1[0][1].Weights[0] += 0.1;
      wb->LNet2[0][0].Weights[0] = wb->LNet1[0][1].Weights[0] - 0.001;
    }
    ExpectBuiltRulesAgree();
  }
}

// Names and values that collide with the rule syntax (parentheses, commas, '=', quotes, '<', the words of
// the rules): 18 vectors whose printed rules, threshold rules and the report's count all read them as the
// data set lists them.
TEST_F(GeneratedNetworksTest, LabelsThatCollideWithTheRuleSyntax) {
  const std::vector<test::FeatureDef> features = {
      {"color", {"dark(blue)", "green)", "or"}}, {"w=h(cm)", {"x=1", "\"q\"", "not"}}, {"at", {"a,b)", "<always>"}}};
  std::vector<std::vector<std::string>> rows;
  RandomGenerator rng;
  rng.Seed = 7;
  for (const auto& a : features[0].Symbols)
    for (const auto& b : features[1].Symbols)
      for (const auto& c : features[2].Symbols) rows.push_back({a, b, c, IntToStr(static_cast<int>(rng.Below(2)))});
  test::LoadSetFile(*wb, dir / "DATA" / "collide.dat", test::DiscreteSetText(features, 2, rows));
  ASSERT_EQ(wb->NumOfVectors, 18);
  ASSERT_EQ(wb->Features[1].Name, "w=h(cm)");
  ASSERT_EQ(wb->Features[1].Symbols[1], "\"q\"");
  wb->HidPerOut.assign(2, 1);
  wb->HidBias = 0.5;
  wb->OutBias = 0.5;
  wb->Slope = 0.0;
  wb->SMLPOutWeights = {1.0, 1.0, 1.0, 1.0};
  ReadHiddenPerClass(*wb);
  ASSERT_TRUE(InitSMLPWeights(*wb));
  wb->NetKind = 1;
  // Class 0: color dark(blue) or green); class 1: w=h(cm) "q" and not at a,b).
  for (TNeuron& n : wb->Net[1]) std::fill(n.Weights.begin(), n.Weights.end() - 1, 0.0);
  wb->Net[1][0].Weights[0] = wb->Net[1][0].Weights[1] = 1;
  wb->Net[1][1].Weights[4] = 1, wb->Net[1][1].Weights[6] = -1;
  const StepRules built = BuildStepRules(*wb);
  EXPECT_EQ(RuleText(built.Features, built.Classes[0]), "color=\"dark(blue)\" or \"green)\"");
  EXPECT_EQ(RuleText(built.Features, built.Classes[1]), "\"w=h(cm)\"=\"\"\"q\"\"\" and not \"at\"=\"a,b)\"");
  EXPECT_EQ(built.SumRules[0], "0.5 <   color(\"dark(blue)\") + color(\"green)\")");
  ExpectBuiltRulesAgree();
  ExpectReportAgrees();
  for (int trial = 0; trial < 60; ++trial) {
    SCOPED_TRACE("network " + std::to_string(trial));
    for (TNeuron& n : wb->Net[1]) {
      for (std::size_t i = 0; i + 1 < n.Weights.size(); ++i) n.Weights[i] = Pick(rng, {-2, -1, 0, 0, 1, 1, 2});
      n.Weights.back() = Pick(rng, {-0.5, 0.5, 0.5, 1.5});
    }
    ExpectBuiltRulesAgree();
  }
  ExpectReportAgrees();
}

// The single-class network: neurons combined by the output weight -1 of "Output weight", and two of
// three inputs asked by a threshold 1.5.
TEST_F(GeneratedNetworksTest, SingleClassNetworkWithNegativeOutputWeight) {
  LoadGenerated(2);
  wb->Form1.CurrentClassBox.SetItemIndex(2);  // class 1
  ReadHiddenPerClass(*wb);
  wb->HiddenPerClass.assign(2, 0);
  wb->HiddenPerClass[1] = 2;
  wb->Form1.Out2WEdit.SetText("-1");
  wb->HidBias = 0.5;
  wb->OutBias = 0.5;
  BuildSMLPNetwork(*wb);
  // Neuron 0: colour red, size small, shape round, two of them needed; neuron 1: shape flat.
  std::vector<double>& n0 = wb->Net[1][0].Weights;
  n0[0] = 1, n0[4] = 1, n0[5] = 1, n0.back() = 1.5;
  std::vector<double>& n1 = wb->Net[1][1].Weights;
  n1[7] = 1, n1.back() = 0.5;
  std::ostringstream out;
  WriteSMLPRules(*wb, 1, out, "rules");
  const std::vector<std::string> lines = Lines(out.str());
  const auto at = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("class 1 if", 0) == 0; });
  ASSERT_NE(at, lines.end()) << out.str();
  EXPECT_EQ(*at, "class 1 if    at least 2 of (colour=red, size=small, shape=round) and not shape=flat");
  ASSERT_NE(at + 1, lines.end());
  EXPECT_EQ(*(at + 1), AllAgree(*wb));
  const PrintedRule rule(*wb, RuleOfLine(*at, 1));
  for (int v = 0; v < wb->NumOfVectors; ++v) {
    SMLPForward(*wb, v, 1);
    EXPECT_EQ(rule.Holds(wb->Data[static_cast<std::size_t>(v)]), wb->Net[2][0].Signal == 1.0) << "vector " << v;
  }
}

// ---- the texts of single units

TEST(RuleText, TheSimplestExactForm) {
  RuleFeatures features(2);
  features[0].Name = "jacket_color";
  features[0].Texts = {"red", "yellow", "green", "blue"};
  features[0].Values = {0, 1, 2, 3};
  features[1].Name = "petal_length";
  features[1].Intervals = true;
  features[1].Bounds = {{1.0, 2.5}, {2.5, 4.0}, {4.0, 6.9}};
  struct Case {
    std::vector<double> Colour, Petal;
    double Threshold;
    const char* Text;
  } cases[] = {
      {{0, 1, 1, 1}, {}, 0.5, "jacket_color=yellow or green or blue"},
      {{1, 0, 0, 0}, {}, 0.5, "jacket_color=red"},
      {{-1, 0, 0, 0}, {}, -0.5, "not jacket_color=red"},
      {{0, 0, 0, 0}, {}, -0.5, "always"},
      {{0, 0, 0, 0}, {}, 0.5, ""},
      {{}, {1, 1, 0}, 0.5, "petal_length=1_2.5_4"},
      {{}, {1, 0, 1}, 0.5, "petal_length=1_2.5 or 4_6.9"},
      {{1, 0, 0, 0}, {1, 1, 0}, 1.5, "jacket_color=red and petal_length=1_2.5_4"},
      {{1, 0, 0, 0}, {1, 0, 1}, 1.5, "jacket_color=red and (petal_length=1_2.5 or 4_6.9)"},
      {{1, 0, 0, 0}, {0, 0, -1}, 0.5, "jacket_color=red and not petal_length=4_6.9"},
      {{2, 0, 0, 0}, {1, 0, 0}, 1.5, "jacket_color=red"},
      {{2, 1, 0, 0}, {1, 0, 0}, 1.5, "jacket_color=red or (jacket_color=yellow and petal_length=1_2.5)"},
      {{3, 0, 0, 0}, {2, 0, 0}, 1.5, "jacket_color=red or petal_length=1_2.5"},
      {{3, 0, 0, 0}, {2, 0, 0}, 3.5, "jacket_color=red and petal_length=1_2.5"},
      // One colour at a time: red with any interval of the range is the only way past 2.5.
      {{2, 0, 0, 0}, {2, 1, 0}, 2.5, "jacket_color=red and petal_length=1_2.5_4"},
      // Red and yellow together are never: red needs the interval, and yellow cannot help.
      {{2, 1, 0, 0}, {1, 0, 0}, 2.5, "jacket_color=red and petal_length=1_2.5"},
      {{2, 1, 0, 0}, {1, 0, 0}, 3.5, ""},
      // Yellow and green weigh alike beside what the interval adds: one value set.
      {{0, 1, 2, 0}, {2, 0, 0}, 2.5, "(jacket_color=yellow or green) and petal_length=1_2.5"},
      {{3, 2, 1, 0}, {2, 1, 0}, 3.5,
       "(jacket_color=red or yellow) and (petal_length=1_2.5 or (jacket_color=red and petal_length=2.5_4))"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    const RuleNode rule = InputUnitRule(features, {c.Colour, c.Petal}, c.Threshold);
    EXPECT_EQ(RuleText(features, rule), c.Text);
    // The text reads back as the same condition.
    const RuleNode back = ParseRule(features, RuleText(features, rule));
    for (double colour : {0.0, 1.0, 2.0, 3.0})
      for (double petal : {0.5, 1.0, 2.0, 2.5, 3.0, 4.0, 5.0, 6.9, 7.0})
        EXPECT_EQ(RuleHolds(features, rule, {colour, petal}), RuleHolds(features, back, {colour, petal}));
  }
}

// Whatever a name or value holds, the rule texts and the threshold rules read it back as itself; plain
// words stay as they stand.
// The bounds of an interval feature as printed for the values the rules are read on: the fewest digits
// that keep every value on its side; a value on a bound lies in neither printed interval next to it (the
// two ends are printed apart, a run through it as two); the printed bounds keep their order; the L-units'
// outer bounds are open ends.
TEST(RuleText, BoundsPrintedForTheValues) {
  const double third = 1.0 / 3.0;
  struct Case {
    const char* Name;
    std::vector<std::pair<double, double>> Bounds;
    std::vector<double> Values;
    double OpenBelow, OpenAbove;
    std::vector<std::string> Labels;  // of each interval
    std::string Run;                  // the rule of intervals 0 and 1
  } cases[] = {
      {"no value on a bound", {{-10000, 0.123456789}, {0.123456789, third}, {third, 10000}}, {-1, 0.05, 0.2, 0.3, 0.9},
       -10000, 10000, {"-inf_0.1", "0.1_0.4", "0.4_inf"}, "x=-inf_0.1_0.4"},
      {"a value on a bound", {{-10000, 0.123456789}, {0.123456789, third}, {third, 10000}},
       {-1, 0.05, 0.2, 0.3, third, 0.9}, -10000, 10000, {"-inf_0.1", "0.1_0.33", "0.4_inf"}, "x=-inf_0.1_0.33"},
      {"a run through a bound that a value lies on", {{0.123456789, third}, {third, 0.75}}, {0.05, 0.2, 0.3, third, 0.9},
       -10000, 10000, {"0.1_0.33", "0.4_0.8"}, "x=0.1_0.33 or 0.4_0.8"},
      {"a value below the lowest bound: no open end", {{-10000, 0.5}, {0.5, 10000}}, {-20000, 0.2, 0.8}, -10000, 10000,
       {"-10000_0.5", "0.5_inf"}, "x=-10000_0.5_inf"},
      {"no open ends for these intervals", {{-10000, 0.5}, {0.5, 10000}}, {0.2, 0.8}, -HUGE_VAL, HUGE_VAL,
       {"-10000_0.5", "0.5_10000"}, "x=-10000_0.5_10000"},
      {"bounds close together keep their order", {{0.0, 0.5}, {0.5001, 1.0}}, {0.2, 0.8}, -10000, 10000,
       {"0_0.5", "0.5001_1"}, "x=0_0.5 or 0.5001_1"},
      {"values on the outer bounds", {{-1.5, 0.25}, {0.25, 2.0}}, {-1.5, -1.2, 0.25, 2.0}, -10000, 10000,
       {"-1.5_0.2", "0.3_2"}, "x=-1.5_0.2 or 0.3_2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    RuleFeatures features(1);
    features[0].Name = "x";
    features[0].Intervals = true;
    features[0].Bounds = c.Bounds;
    ChooseBoundTexts(features[0], c.Values, c.OpenBelow, c.OpenAbove);
    std::vector<std::string> labels;
    for (int s = 0; s < features[0].Slots(); ++s) labels.push_back(SlotLabel(features[0], s));
    EXPECT_EQ(labels, c.Labels);
    const RuleNode run = InputRule(features, 0, {0, 1});
    EXPECT_EQ(RuleText(features, run), c.Run);
    // Read back, each printed interval holds the very values the exact one holds.
    for (int s = 0; s < features[0].Slots(); ++s) {
      const RuleNode exact = InputRule(features, 0, {s});
      const RuleNode back = ParseRule(features, RuleText(features, exact));
      for (double v : c.Values) EXPECT_EQ(RuleHolds(features, back, {v}), RuleHolds(features, exact, {v})) << v;
    }
    const RuleNode back = ParseRule(features, c.Run);
    for (double v : c.Values) EXPECT_EQ(RuleHolds(features, back, {v}), RuleHolds(features, run, {v})) << v;
  }
}

TEST(RuleText, LabelsReadBackWhateverTheyHold) {
  struct Case {
    std::string Label, Printed;
  } cases[] = {
      {"red", "red"},
      {"-0.866025_0.000000", "-0.866025_0.000000"},
      {"dark(blue)", "\"dark(blue)\""},
      {"green)", "\"green)\""},
      {"(x", "\"(x\""},
      {"a,b", "\"a,b\""},
      {"x=1", "\"x=1\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"\"", "\"\"\"\""},
      {"<1", "\"<1\""},
      {"a>b", "\"a>b\""},
      {"or", "\"or\""},
      {"not", "\"not\""},
      {"always", "\"always\""},
      {"Weight[0]", "\"Weight[0]\""},
      {"two words", "\"two words\""},
      {"", "\"\""},
      {"+", "+"},
      {"1.5", "1.5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("label [" + c.Label + "]");
    EXPECT_EQ(RuleLabel(c.Label), c.Printed);
    // The label as the second of three values of a feature named by the label too, beside a plain one.
    RuleFeatures features(2);
    features[0].Name = c.Label;
    features[0].Texts = {"other", c.Label, "third"};
    features[0].Values = {0, 1, 2};
    features[1].Name = "b";
    features[1].Texts = {"0", "1"};
    features[1].Values = {0, 1};
    const std::vector<RuleNode> rules = {
        InputRule(features, 0, {1}),
        InputRule(features, 0, {1, 2}),
        ThresholdRule({{InputRule(features, 0, {1}), 1}, {InputRule(features, 1, {1}), -1}}, 0.5),
        ThresholdRule({{InputRule(features, 0, {1}), 2}, {InputRule(features, 1, {1}), 1}, {InputRule(features, 0, {0}), 1}}, 1.5),
    };
    for (const RuleNode& rule : rules) {
      const std::string text = RuleText(features, rule);
      SCOPED_TRACE(text);
      const RuleNode back = ParseRule(features, text);
      for (double a : {0.0, 1.0, 2.0})
        for (double b : {0.0, 1.0}) EXPECT_EQ(RuleHolds(features, back, {a, b}), RuleHolds(features, rule, {a, b}));
    }
    const std::string unit = "1.5 <  2 " + InputLabel(features[0], 1) + " - " + InputLabel(features[1], 1);
    SCOPED_TRACE(unit);
    const RuleNode back = ParseThresholdRule(features, "(" + unit + ") or (0.5 <   " + InputLabel(features[0], 2) + ")");
    for (double a : {0.0, 1.0, 2.0})
      for (double b : {0.0, 1.0}) EXPECT_EQ(RuleHolds(features, back, {a, b}), (a == 1 && b == 0) || a == 2);
  }
}

// Units over units: at least N of them, negations, the weighted sum where nothing simpler is exact.
TEST(RuleText, UnitsOverConditions) {
  RuleFeatures features(3);
  for (int f = 0; f < 3; ++f) {
    features[f].Name = std::string(1, static_cast<char>('a' + f));
    features[f].Texts = {"0", "1"};
    features[f].Values = {0, 1};
  }
  auto is1 = [&](int f) { return InputRule(features, f, {1}); };
  struct Case {
    std::vector<double> W;
    double Threshold;
    const char* Text;
  } cases[] = {
      {{1, 1, 1}, 1.5, "at least 2 of (a=1, b=1, c=1)"},
      {{1, 1, 1}, 2.5, "a=1 and b=1 and c=1"},
      {{1, 1, 1}, 0.5, "a=1 or b=1 or c=1"},
      {{1, -1, 1}, 0.5, "at least 2 of (a=1, not b=1, c=1)"},
      {{1, -1, 0}, 0.5, "a=1 and not b=1"},
      {{2, 1, 1}, 1.5, "a=1 or (b=1 and c=1)"},
      {{3, 2, 1}, 3.5, "a=1 and (b=1 or c=1)"},
      {{3, -2, 1}, 1.5, "a=1 and (not b=1 or c=1)"},
      {{3, 2, 2}, 3.5, "(3 a=1 + 2 b=1 + 2 c=1 > 3.5)"},
      {{-3, 2, 2}, -1.5, "not a=1 or b=1 or c=1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    std::vector<WeightedRule> in;
    for (int f = 0; f < 3; ++f) in.push_back({is1(f), c.W[f]});
    const RuleNode rule = ThresholdRule(in, c.Threshold);
    EXPECT_EQ(RuleText(features, rule), c.Text);
    const RuleNode back = ParseRule(features, RuleText(features, rule));
    for (int x = 0; x < 8; ++x) {
      const std::vector<double> row = {static_cast<double>(x & 1), static_cast<double>((x >> 1) & 1),
                                       static_cast<double>((x >> 2) & 1)};
      const double sum = c.W[0] * row[0] + c.W[1] * row[1] + c.W[2] * row[2];
      EXPECT_EQ(RuleHolds(features, rule, row), sum > c.Threshold) << x;
      EXPECT_EQ(RuleHolds(features, back, row), sum > c.Threshold) << x;
    }
  }
}

// Units of random small weights over every kind of input (a feature every vector has a value of, one that
// may have an unlisted value, intervals with gaps and outside values, and a feature whose two values are
// one number, so that both inputs are hot together): over every combination of states the rule, and its
// text read back, fire exactly where the weighted sum of the hot inputs is above the threshold; no
// conjunction in it asks for the impossible.
TEST(RuleText, UnitsAreExactOverEveryState) {
  RuleFeatures features(4);
  features[0].Name = "a";
  features[0].Texts = {"x", "y", "z"};
  features[0].Values = {0, 1, 2};
  features[0].OneHot = true;
  features[1].Name = "b";
  features[1].Texts = {"p", "q"};
  features[1].Values = {0, 1};
  features[2].Name = "c";
  features[2].Intervals = true;
  features[2].Bounds = {{0.0, 1.0}, {1.0, 2.0}, {2.0, 3.0}};
  features[3].Name = "d";
  features[3].Texts = {"u", "v"};
  features[3].Values = {0, 0};
  ASSERT_FALSE(features[3].Exclusive());
  const std::vector<double> as = {0, 1, 2}, bs = {0, 1, 7}, cs = {0.5, 1.0, 1.5, 2.5, 4.0}, ds = {0, 1};
  RandomGenerator rng;
  rng.Seed = 5;
  const double weights[] = {-2, -1, 0, 0, 1, 1, 2, 3};
  const double thresholds[] = {-1.5, -0.5, 0.5, 1.5, 2.5, 3.5, 4.5};
  int sums = 0, simpler = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    std::vector<std::vector<double>> w(4);
    for (std::size_t f = 0; f < 4; ++f)
      for (int s = 0; s < features[f].Slots(); ++s) w[f].push_back(weights[rng.Below(8)]);
    const double t = thresholds[rng.Below(7)];
    const RuleNode rule = InputUnitRule(features, w, t);
    const std::string text = RuleText(features, rule);
    SCOPED_TRACE(text);
    const RuleNode back = ParseRule(features, text);
    EXPECT_FALSE(AsksTheImpossible(features, rule));
    (rule.kind == RuleNode::Kind::Sum ? sums : simpler) += 1;
    for (double a : as)
      for (double b : bs)
        for (double c : cs)
          for (double d : ds) {
            const std::vector<double> row = {a, b, c, d};
            double sum = 0;
            for (std::size_t f = 0; f < 4; ++f)
              for (int s = 0; s < features[f].Slots(); ++s) {
                const auto us = static_cast<std::size_t>(s);
                const bool hot = features[f].Intervals
                                     ? features[f].Bounds[us].first < row[f] && row[f] < features[f].Bounds[us].second
                                     : features[f].Values[us] == row[f];
                if (hot) sum += w[f][us];
              }
            ASSERT_EQ(RuleHolds(features, rule, row), sum > t) << a << " " << b << " " << c << " " << d;
            ASSERT_EQ(RuleHolds(features, back, row), sum > t) << a << " " << b << " " << c << " " << d;
          }
  }
  // Most units have a form simpler than their sum.
  EXPECT_GT(simpler, sums);
  // Units combined as a class output combines them: what the one rules out the other cannot ask for.
  const RuleNode x = InputRule(features, 0, {0}), y = InputRule(features, 0, {1}), p = InputRule(features, 1, {0});
  const RuleNode xyz = InputRule(features, 0, {0, 1});
  struct Case {
    std::vector<WeightedRule> Units;
    double Threshold;
    const char* Text;
  } cases[] = {
      {{{x, 1}, {y, 1}}, 1.5, ""},
      {{{x, 1}, {y, 1}, {p, 1}}, 2.5, ""},
      {{{x, -1}, {xyz, 2}, {p, 1}}, 1.5, "(a=x or y) and (not a=x or b=p)"},
      {{{x, -2}, {ThresholdRule({{x, 1}, {p, 1}}, 0.5), 2}}, 1.5, "not a=x and b=p"},
      {{{xyz, 1}, {ThresholdRule({{y, 1}, {p, 1}}, 1.5), 1}}, 1.5, "a=y and b=p"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    const RuleNode rule = DropImpossible(features, ThresholdRule(c.Units, c.Threshold));
    EXPECT_EQ(RuleText(features, rule), c.Text);
    for (double a : as)
      for (double b : bs) {
        double sum = 0;
        for (const WeightedRule& u : c.Units) sum += RuleHolds(features, u.Rule, {a, b, 0, 0}) ? u.Weight : 0;
        EXPECT_EQ(RuleHolds(features, rule, {a, b, 0, 0}), sum > c.Threshold) << a << " " << b;
      }
  }
}

// The threshold rules read back: units over inputs by value and by index, units over units, the units of a
// class combined.
TEST(RuleText, ThresholdRulesReadBack) {
  RuleFeatures features(3);
  for (int f = 0; f < 3; ++f) {
    features[f].Name = std::string(1, static_cast<char>('a' + f));
    features[f].Texts = {"0", "1"};
    features[f].Values = {0, 1};
  }
  struct Case {
    const char* Text;
    std::function<bool(bool, bool, bool)> Holds;
  } cases[] = {
      {"1.5 <   a(1) + b(1) + c(1)", [](bool a, bool b, bool c) { return a + b + c > 1; }},
      {"-0.5 <  - a(1)", [](bool a, bool, bool) { return !a; }},
      {"1.5 <  2 (0.5 <   a(1) + b(1)) - c(1)", [](bool a, bool b, bool c) { return (a || b) && !c; }},
      {"(0.5 <   a(1)) and not (0.5 <   b(1))", [](bool a, bool b, bool) { return a && !b; }},
      {"(0.5 <   a(1)) or (0.5 <   b(1) + c(1)) and (0.5 <  -2 a(0) +3 c(1))", [](bool a, bool, bool c) { return a || c; }},
      {"at least 2 of ((0.5 <   a(1)), (0.5 <   b(1)), (0.5 <   c(0)))", [](bool a, bool b, bool c) { return a + b + !c >= 2; }},
      {"(2 (0.5 <   a(1)) + (0.5 <   b(1)) - (0.5 <   c(1)) > 1.5)", [](bool a, bool b, bool c) { return 2 * a + b - c > 1.5; }},
      {"0.5 <    Weight[1] +0.5  Weight[3]", [](bool a, bool, bool) { return a; }},
      {"1.25 <   Weight[5] +1.25  Weight[2]", [](bool, bool b, bool c) { return c && !b; }},
      {"always", [](bool, bool, bool) { return true; }},
      {"", [](bool, bool, bool) { return false; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    const RuleNode rule = ParseThresholdRule(features, c.Text);
    for (int x = 0; x < 8; ++x) {
      const bool a = x & 1, b = (x >> 1) & 1, cc = (x >> 2) & 1;
      EXPECT_EQ(RuleHolds(features, rule, {double(a), double(b), double(cc)}), c.Holds(a, b, cc)) << x;
    }
  }
  for (const char* bad : {"0.5 <   d(1)", "0.5 <   a(2)", "0.5 <    Weight[6]", "0.5 a(1)", "(0.5 <   a(1)"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ParseThresholdRule(features, bad), WlError);
  }
}

// The count of a report reads its threshold rules too: rules that disagree on some vectors lower it.
TEST_F(GeneratedNetworksTest, TheAgreementCountReadsTheThresholdRules) {
  LoadGenerated(2);
  wb->HidPerOut.assign(2, 1);
  wb->HidBias = 0.5;
  wb->OutBias = 0.5;
  wb->Slope = 0.0;
  wb->SMLPOutWeights = {1.0, 1.0, 1.0, 1.0};
  ReadHiddenPerClass(*wb);
  ASSERT_TRUE(InitSMLPWeights(*wb));
  wb->NetKind = 1;
  for (TNeuron& n : wb->Net[1]) std::fill(n.Weights.begin(), n.Weights.end() - 1, 0.0);
  wb->Net[1][0].Weights[0] = 1;  // class 0: colour red
  wb->Net[1][1].Weights[3] = 1;  // class 1: size big
  const StepRules rules = BuildStepRules(*wb);
  std::vector<std::string> texts;
  for (const RuleNode& c : rules.Classes) texts.push_back(RuleText(rules.Features, c));
  const int all = wb->NumOfVectors;
  EXPECT_EQ(StepRulesAgreement(*wb, rules.Features, {{texts, false}, {rules.SumRules, true}, {rules.WeightRules, true}}), all);
  const std::vector<std::string> swapped = {rules.SumRules[1], rules.SumRules[0]};
  const int agree = StepRulesAgreement(*wb, rules.Features, {{texts, false}, {swapped, true}});
  EXPECT_LT(agree, all);
  EXPECT_EQ(StepRulesAgreement(*wb, rules.Features, {{swapped, true}}), agree);
}

// ---- the SMLP's weights file

// An SMLP saved and loaded back is the network that was saved, step or logistic, with the features it sees:
// its rules, read by the reader above, its report's count and its accuracy are the saved network's, also
// where a sigmoid network has been built in between and the parameters say otherwise.
TEST_F(RulesAgreementTest, SmlpWeightsFileLoadsBackAsTheSavedNetwork) {
  struct Case {
    const char* Name;
    bool Logistic, Masked, SigmoidBetween;
  } cases[] = {
      {"step units, loaded at once", false, false, false},
      {"step units, a masked feature, a sigmoid network in between", false, true, true},
      {"logistic units, a sigmoid network in between", true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    SetUp();
    Open("monk1.dat");
    HiddenPerClass(2);
    wb->Form1.sigmoidSMLPButton.SetChecked(c.Logistic);
    ASSERT_FALSE(ReadParameters(*wb, 10));
    ASSERT_TRUE(RunSMLP(*wb, 1));
    ASSERT_EQ(wb->NetKind, 1);
    ASSERT_EQ(wb->Slope != 0.0, c.Logistic);
    if (c.Masked) wb->FeatureMask[4] = 0;
    const double slope = wb->Slope;
    const std::vector<int> mask = wb->FeatureMask;
    const double error = EvaluateNetwork(*wb);
    const double rate = wb->SuccessRate;
    const StepRules before = BuildStepRules(*wb);
    std::vector<std::string> texts;
    for (const RuleNode& r : before.Classes) texts.push_back(RuleText(before.Features, r));
    SaveWeights(*wb, 1);
    const std::string file = wb->ResultsPrefix + "_FinalWeights.txt";
    EXPECT_EQ(Lines(ReadText(file))[0].rfind("SMLP  slope ", 0), 0u);

    wb->Form1.SlopeEdit.SetText("2");
    if (c.SigmoidBetween) {
      ASSERT_EQ(CreateNetwork(*wb, 4), NetworkBuilt);
      ASSERT_EQ(wb->NetKind, 0);
    }
    plat.Messages.clear();
    ASSERT_TRUE(LoadWeights(*wb, file));
    EXPECT_TRUE(plat.Messages.empty()) << plat.Messages.front().Text;
    EXPECT_EQ(wb->NetKind, 1);
    EXPECT_EQ(wb->NetType, 3);
    EXPECT_EQ(wb->Slope, slope);
    EXPECT_EQ(wb->FeatureMask, mask);
    EXPECT_EQ(EvaluateNetwork(*wb), error);
    EXPECT_EQ(wb->SuccessRate, rate);
    const StepRules after = BuildStepRules(*wb);
    for (std::size_t k = 0; k < texts.size(); ++k) EXPECT_EQ(RuleText(after.Features, after.Classes[k]), texts[k]);
    if (!c.Logistic) {
      ExpectReportAgrees();
      // "On Training Set" on the loaded network: the rules report of the step network, all vectors right.
      EXPECT_NE(ReadText(wb->ResultsPrefix + "_RE.txt").find("Success Rate: " + FixedDisplayText(rate, 7, 5)),
                std::string::npos);
    }
  }
}

// A file that names a step network that it does not rebuild, or none while a step network is in place,
// loads into a sigmoid network and says so; a file of other hidden neurons per class or another data set
// is refused and leaves the network as it was.
TEST_F(RulesAgreementTest, StepNetworkFilesSayWhatTheyBuild) {
  Open("monk1.dat");
  HiddenPerClass(1);
  ASSERT_FALSE(ReadParameters(*wb, 10));
  ASSERT_TRUE(RunSMLP(*wb, 1));
  SaveWeights(*wb, 1);
  const std::vector<std::string> smlp = Lines(ReadText(wb->ResultsPrefix + "_FinalWeights.txt"));
  auto write = [&](const std::string& name, const std::vector<std::string>& lines) {
    const std::string path = (dir / "results" / name).string();
    std::ofstream out(path, std::ios::binary);
    for (const std::string& l : lines) out << l << "\n";
    return path;
  };
  const std::vector<std::string> weights(smlp.begin() + 1, smlp.end());
  std::vector<std::string> lunits = weights;
  lunits.insert(lunits.begin(), "Step  L-units");
  std::vector<std::string> lunitsWide = {"Step  L-units", "1  0  99   0.5"};
  std::vector<std::string> twoHidden = smlp;
  twoHidden[0] = "SMLP  slope 0  hidden 2  mask 1 1 1 1 1 1";
  std::vector<std::string> fewerFeatures = smlp;
  fewerFeatures[0] = "SMLP  slope 0  hidden 1  mask 1 1 1";
  std::vector<std::string> late = weights;
  late.push_back(smlp[0]);
  struct Case {
    const char* Name;
    std::vector<std::string> Lines;
    bool Loads;
    const char* Says;
  } cases[] = {
      {"the lines of an SMLP without its first line", weights, true,
       " does not name a step network: it has been loaded into a sigmoid network of the current structure"},
      {"an L-unit network's file", lunits, true,
       " holds the weights of a step network (L-units) that a weights file does not rebuild: it has been loaded "
       "into a sigmoid network of the current structure"},
      {"other hidden neurons per class", twoHidden, false,
       " holds an SMLP of 2 hidden neurons per class; the parameters give 1. Set them alike and load again; the "
       "network is left as it was"},
      {"another data set", fewerFeatures, false,
       " holds an SMLP of 3 features; the data set has 6; the network is left as it was"},
      {"the SMLP line after the weights", late, false, ", line 41: the line of a step network stands first in its file"},
      {"an L-unit network's file that the sigmoid network does not fit", lunitsWide, false,
       ", line 2: neuron 0 of layer 1 has no weight 99 (it has 18); the network is left as it was (the file holds the "
       "weights of a step network (L-units) that a weights file does not rebuild: a sigmoid network of the current "
       "structure was built for it)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    ASSERT_FALSE(ReadParameters(*wb, 10));
    ASSERT_TRUE(RunSMLP(*wb, 1));
    const std::vector<std::vector<TNeuron>> net = wb->Net;
    const std::string path = write("w.txt", c.Lines);
    plat.Messages.clear();
    std::string said;
    try {
      EXPECT_EQ(LoadWeights(*wb, path), c.Loads);
      said = plat.Messages.empty() ? "" : plat.Messages.front().Text;
    } catch (const FileError& e) {
      EXPECT_FALSE(c.Loads);
      said = e.what();
    }
    EXPECT_EQ(said, "Weights file " + path + c.Says);
    if (c.Loads) {
      EXPECT_EQ(wb->NetKind, 0);
    } else {
      EXPECT_EQ(wb->NetKind, 1);
      EXPECT_EQ(wb->Net.size(), net.size());
      for (std::size_t l = 0; l < net.size() && l < wb->Net.size(); ++l)
        for (std::size_t j = 0; j < net[l].size(); ++j) EXPECT_EQ(wb->Net[l][j].Weights, net[l][j].Weights);
    }
  }
}

// ---- the five-layer weights file

TEST_F(RulesAgreementTest, FiveLayerWeightsFileKeepsItsOutputLayer) {
  Open("monk1.dat");
  HiddenPerClass(1);
  ASSERT_FALSE(ReadParameters(*wb, 10));
  wb->NetKind = 11;
  ASSERT_TRUE(CreateFiveLayerNet(*wb));
  RandomGenerator rng;
  rng.Seed = 3;
  for (TNeuron& n : wb->Net[1])
    for (std::size_t i = 0; i + 1 < n.Weights.size(); ++i) n.Weights[i] = static_cast<double>(rng.Below(2));
  for (auto* units : {&wb->AndUnits, &wb->NofMUnits})
    for (TNeuron& n : *units) n.Weights.back() = 1.5;
  const double before = FiveLayerError(*wb);
  const std::vector<double> outputs = wb->Net[3][0].Weights;
  SaveWeights(*wb, 1);
  wb->Form1.OutBEdit.SetText("-0.5");
  ASSERT_TRUE(LoadWeights(*wb, wb->ResultsPrefix + "_FinalWeights.txt"));
  EXPECT_EQ(wb->Net[3][0].Weights, outputs);
  EXPECT_EQ(FiveLayerError(*wb), before);
}

}  // namespace
}  // namespace wl

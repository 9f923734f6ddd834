// The enumerations of small step networks ("NewPlot", "OldPlot") and the XNG experiment, on a discrete
// XOR set (x1, x2 of values "0 1"; two hidden units per class).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/data_file.h"
#include "model/results_prefix.h"
#include "platform/numfmt.h"
#include "smlp/smlp_driver.h"
#include "smlp/smlp_enumeration.h"
#include "smlp/xor_ng.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;
using test::Lines;
using test::ReadText;

const char* const kXor =
    "Number of features = 3\nNumber of Vectors = 4\nClass Column No = 3\n\n"
    "Feature[1] = x1  discrete  2  0  1\nFeature[2] = x2  discrete  2  0  1\n"
    "Feature[3] = Class  discrete  2  0  1\n\n[DATA]\n0  0  0\n0  1  1\n1  0  1\n1  1  0\n";

class EnumerationTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_enum_", {"DATA", "results"});
    plat.ClockMs = 10000;
    plat.ClockDay = 2;
    wb->Rng.Seed = 7;
    const fs::path p = dir / "DATA" / "xor.dat";
    std::ofstream(p, std::ios::binary) << kXor;
    wb->DataFileName = p.string();
    ReadDataFile(*wb, p.string());
    MakeResultsPrefix(*wb);
    PerClass("2");
  }
  void PerClass(const char* n) {
    wb->Form1.HidPerOutEdit.SetText(n);
    wb->Form1.HidPerOut1Edit.SetText(n);
  }
  std::string Results(const std::string& suffix) const { return wb->ResultsPrefix + suffix; }
};

// The error of the XOR network by hand: hidden unit j (class j mod 2) fires on w[j][x1 input] +
// w[j][x2 input] against its threshold; each output sums its two units (weight 1, threshold 0.5); steps
// give 0, 0.5, 1; the error is the sum of squared output differences.
double XorError(const std::array<std::array<double, 5>, 4>& w) {
  static const int rows[4][3] = {{0, 0, 0}, {0, 1, 1}, {1, 0, 1}, {1, 1, 0}};
  auto step = [](double net, double theta) { return net > theta ? 1.0 : net < theta ? 0.0 : 0.5; };
  double e = 0.0;
  for (const auto& r : rows) {
    double h[4];
    for (int j = 0; j < 4; ++j) h[j] = step(w[j][r[0]] + w[j][2 + r[1]], w[j][4]);
    for (int c = 0; c < 2; ++c) {
      const double y = step(h[c] + h[2 + c], 0.5);
      const double d = y - (c == r[2] ? 1.0 : 0.0);
      e += d * d;
    }
  }
  return e;
}

// "NewPlot" with the defaults: the eight hits, each at the position an independent enumeration in the same
// order finds it (the report's "NumOfRun: " is the count of networks evaluated up to the hit), every hit's
// report kept in the one hit report, the slots, the texts and the network left.
TEST_F(EnumerationTest, NewPlotFindsTheHitsOfAnIndependentCount) {
  static const double kThresholds[4] = {-0.5, 0.5, 1.5, 2.5};
  struct Hit {
    std::int64_t Position;
    std::array<std::array<double, 5>, 4> W;
  };
  std::vector<Hit> expected;
  for (std::int64_t idx = 0; idx < (std::int64_t{1} << 24) && expected.size() < 8; ++idx) {
    std::array<std::array<double, 5>, 4> w{};
    std::int64_t rest = idx;
    for (int j = 3; j >= 0; --j) {  // unit 3 innermost; per unit the threshold innermost
      w[j][4] = kThresholds[rest % 4];
      rest /= 4;
      for (int k = 3; k >= 0; --k) {
        w[j][k] = static_cast<double>(rest % 2);
        rest /= 2;
      }
    }
    if (XorError(w) < 3.1) expected.push_back({idx + 1, w});
  }
  ASSERT_EQ(expected.size(), 8u);

  wb->NetKind = 7;
  ASSERT_TRUE(RunSMLP(*wb, 7));
  EXPECT_TRUE(plat.Messages.empty());
  EXPECT_EQ(wb->Form1.EditSuccess.Text(), "8 found");
  EXPECT_EQ(wb->Form1.ep.Text(), "0 mln searched");  // stopped before the first sweep of unit 0's threshold
  EXPECT_FALSE(fs::exists(Results("_hit.txt")));

  const std::vector<std::string> lines = Lines(ReadText(Results("_rs-trn.txt")));
  std::vector<std::string> runs;
  int accuracies = 0;
  for (const std::string& l : lines) {
    if (l.rfind("NumOfRun: ", 0) == 0) runs.push_back(l.substr(10));
    if (l.rfind("standard accuracy: ", 0) == 0) ++accuracies;
  }
  EXPECT_EQ(accuracies, 8);
  ASSERT_EQ(runs.size(), 8u);
  ASSERT_EQ(wb->EnumCandidates.size(), 8u);
  for (std::size_t h = 0; h < 8; ++h) {
    EXPECT_EQ(runs[h], IntToStr(expected[h].Position)) << "hit " << h;
    const std::vector<double>& slot = wb->EnumCandidates[h].Weights;
    ASSERT_EQ(slot.size(), 4u * 5u);
    for (int j = 0; j < 4; ++j)
      for (int k = 0; k < 5; ++k) EXPECT_EQ(slot[j * 5 + k], expected[h].W[j][k]) << "hit " << h << " unit " << j;
    EXPECT_EQ(wb->EnumCandidates[h].ClassFlags.size(), 2u);
  }
  // The candidates are visited after the search (one accuracy pass each); the last hit stays in Net.
  EXPECT_EQ(wb->ErrorEvaluations, static_cast<double>(expected.back().Position + 8));
  for (int j = 0; j < 4; ++j)
    for (int k = 0; k < 5; ++k) EXPECT_EQ(wb->Net[1][j].Weights[k], expected.back().W[j][k]);
  EXPECT_EQ(wb->NetKind, 7);
}

// Each slot's class flags follow the class's last vector: a network firing only class 0's output for
// every vector is right on vector 3 (class 0) and wrong on vector 2 (class 1).
TEST_F(EnumerationTest, ClassFlagsFollowTheLastVectorOfEachClass) {
  wb->NetKind = 7;
  ASSERT_TRUE(RunSMLP(*wb, 7));
  for (TNeuron& n : wb->Net[1]) std::fill(n.Weights.begin(), n.Weights.end() - 1, 0.0);
  wb->Net[1][0].Weights[4] = -0.5;  // unit 0 (class 0) always fires
  wb->Net[1][2].Weights[4] = 0.5;
  wb->Net[1][1].Weights[4] = 0.5;
  wb->Net[1][3].Weights[4] = 0.5;
  const double before = wb->ErrorEvaluations;
  EvalAccuracyAndMark(*wb, 0);
  EXPECT_EQ(wb->EnumCandidates[0].ClassFlags, (std::vector<std::uint8_t>{1, 0}));
  EXPECT_EQ(wb->SuccessRate, 0.5);
  EXPECT_EQ(wb->ErrorEvaluations, before + 1);
}

// Fewer than four hidden units (one per class) or inputs: both enumerations refuse with a message before
// they build a network, and write nothing.
TEST_F(EnumerationTest, TheEnumerationsRefuseASmallNetwork) {
  struct Case {
    std::uint8_t Mode;
    const char* Message;
  };
  const Case cases[] = {
      {7, "\"NewPlot\" needs a network of at least four inputs and four hidden neurons; the SMLP of this data set "
          "would have 4 inputs and 2 hidden neurons (1 per class). Set more hidden neurons per class."},
      {8, "\"OldPlot\" needs a network of at least four inputs and four hidden neurons; the SMLP of this data set "
          "would have 4 inputs and 2 hidden neurons (1 per class). Set more hidden neurons per class."},
  };
  PerClass("1");
  for (const Case& c : cases) {
    plat.Messages.clear();
    wb->Form1.EditSuccess.SetText("");
    wb->Form1.HiddenEditT2.SetText("7");
    const std::vector<int> layers = wb->Layers;
    const int builds = wb->SMLPBuilds;
    wb->NetKind = c.Mode;
    RunSMLP(*wb, c.Mode);
    ASSERT_EQ(plat.Messages.size(), 1u);
    EXPECT_EQ(plat.Messages[0].Text, c.Message);
    EXPECT_EQ(wb->Form1.EditSuccess.Text(), "");
    EXPECT_FALSE(fs::exists(Results("_rs-trn.txt")));
    EXPECT_EQ(wb->SMLPBuilds, builds);
    EXPECT_EQ(wb->Layers, layers);
    EXPECT_EQ(wb->Form1.HiddenEditT2.Text(), "7");
  }
}

// The probe lines of one epoch of "_xng.txt": the V values.
std::vector<double> ProbeValues(const std::vector<std::string>& lines, std::size_t from) {
  std::vector<double> v;
  for (std::size_t i = from; i < lines.size() && lines[i].rfind(" N:", 0) == 0; ++i) {
    const std::size_t at = lines[i].find("  V= ");
    v.push_back(StrToFloat(lines[i].substr(at + 5, lines[i].find("  error = ") - at - 5)));
  }
  return v;
}

class XngTest : public EnumerationTest {
 protected:
  void SetUp() override {
    EnumerationTest::SetUp();
    wb->Form1.sigmoidSMLPButton.SetChecked(true);
    wb->Form1.EpochEditT2.SetText("3");
  }
  std::vector<std::string> Log() { return Lines(ReadText(Results("_xng.txt"))); }
};

// Logistic units from zero weights, a few epochs: the first epoch's probe lines, the step of the line search
// over the length of the direction those probes give (||V|| is set after the probing), and the epochs.
TEST_F(XngTest, ProbeLinesAndTheStepOfTheLineSearch) {
  RunXORNG(*wb);
  EXPECT_TRUE(plat.Messages.empty());
  const std::vector<std::string> log = Log();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[0], "D = 0.1");
  EXPECT_EQ(log[1], "epoch: 1");
  const std::vector<double> v = ProbeValues(log, 2);
  ASSERT_FALSE(v.empty());
  EXPECT_NE(log[2].find("  error = "), std::string::npos);
  EXPECT_NE(log[2].find("        sr= "), std::string::npos);
  double sumSq = 0.0;
  for (double x : v) sumSq += x * x;
  std::size_t norm = 2 + v.size();
  ASSERT_LT(norm + 2, log.size());
  EXPECT_EQ(log[norm].rfind("||V|| = ", 0), 0u);
  EXPECT_NEAR(StrToFloat(log[norm].substr(8)), std::sqrt(sumSq), 1e-9 * std::sqrt(sumSq));
  EXPECT_EQ(log[norm + 1].rfind("Err before H= ", 0), 0u);
  ASSERT_EQ(log[norm + 2].rfind("HDV0   =    ", 0), 0u) << log[norm + 2];
  const std::string hdv = log[norm + 2].substr(12, 23);
  EXPECT_NEAR(StrToFloat(hdv), 0.1 * std::sqrt(sumSq), 1e-9 * std::sqrt(sumSq));
  EXPECT_NE(log[norm + 2].find("     err= "), std::string::npos);
  EXPECT_EQ(log[norm + 3], "");
  // The next epoch, at the halved step when this one did not lower the error by the "Next step" factor.
  if (log[norm + 4] == "D = 0.05") ++norm;
  EXPECT_EQ(log[norm + 4], "epoch: 2");
  EXPECT_EQ(wb->XNGStepFactor, 1.0);
  EXPECT_EQ(wb->NetKind, 1);
}

// A move of a large V overshoots: the log shows "Old Point = ", the weights go back, and h is halved.
TEST_F(XngTest, AMoveThatIsNotBetterGoesBackToTheOldPoint) {
  wb->Form1.VCEdit.SetText("9999");
  RunXORNG(*wb);
  const std::vector<std::string> log = Log();
  std::size_t at = 0;
  while (at < log.size() && log[at].rfind("Old Point = ", 0) != 0) ++at;
  ASSERT_LT(at + 1, log.size()) << "no return to the old point";
  EXPECT_NE(log[at].find("        sr= "), std::string::npos);
  EXPECT_EQ(log[at + 1].rfind("D = ", 0), 0u);
}

// With "plot E(H)" every section of the line search is a curve of its own: started (its colour and legend
// number, the epoch whose step it follows) before its first point, so that no point is drawn in the pen
// of the grid.
std::vector<std::string> gChartCalls;
TEST_F(XngTest, EachSectionIsStartedAsACurveBeforeItsPoints) {
  wb->Form1.ChartH.SetChecked(true);
  gChartCalls.clear();
  wb->Hooks.NGSectionAxes = [](Workbench&) { gChartCalls.push_back("axes"); };
  wb->Hooks.NGSectionCurve = [](Workbench&, int i, int n) {
    gChartCalls.push_back("curve " + std::to_string(i) + " " + std::to_string(n));
  };
  wb->Hooks.NGSectionPoint = [](Workbench&, double, double, bool first) {
    if (first) gChartCalls.push_back("first point");
  };
  wb->Hooks.NGSectionFrame = [](Workbench&) {};
  wb->Hooks.NGSectionShow = [](Workbench&) {};
  RunXORNG(*wb);
  EXPECT_TRUE(plat.Messages.empty());
  int sections = 0;
  for (const std::string& l : Log()) sections += l.rfind("HDV0", 0) == 0;
  ASSERT_GT(sections, 0);
  std::vector<std::string> curves;
  for (std::size_t i = 0; i < gChartCalls.size(); ++i) {
    if (gChartCalls[i] != "first point") continue;
    ASSERT_GT(i, 0u);
    EXPECT_EQ(gChartCalls[i - 1].rfind("curve ", 0), 0u) << gChartCalls[i - 1];
    curves.push_back(gChartCalls[i - 1]);
  }
  ASSERT_EQ(curves.size(), static_cast<std::size_t>(sections));
  EXPECT_EQ(curves[0], "curve 0 1");
  for (std::size_t i = 0; i < curves.size(); ++i)
    EXPECT_EQ(curves[i].rfind("curve " + std::to_string(i) + " ", 0), 0u) << curves[i];
}

// "standard": no section and no line-search line, the step is the move of the probing alone. A feature mask
// of another data set counts as all features, as no mask at all does.
TEST_F(XngTest, StandardStepsWithoutTheSectionAndAForeignMaskCountsAsAll) {
  wb->Form1.NoH.SetChecked(true);
  wb->FeatureMask.clear();
  RunXORNG(*wb);
  const std::vector<std::string> plain = Log();
  for (const std::string& l : plain) EXPECT_EQ(l.rfind("HDV0", 0), std::string::npos) << l;
  ASSERT_GE(plain.size(), 3u);
  EXPECT_EQ(plain[1], "epoch: 1");
  wb->FeatureMask = {0, 0, 0, 0, 0};
  RunXORNG(*wb);
  EXPECT_EQ(Log(), plain);
}

}  // namespace
}  // namespace wl

// The four-layer N-of-M network: its layout and forward pass, the threshold search, the expansion, the
// rules file and the weights trace, and whole runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/data_file.h"
#include "model/results_prefix.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "smlp/nofm_network.h"
#include "smlp/smlp_network.h"
#include "smlp/binary_set_test_env.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;
using test::BinarySetText;
using test::Lines;
using test::ReadText;

using Row = std::vector<std::string>;

class NofMTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_nofm_", {"DATA", "results"});
    plat.ClockMs = 10000;
    plat.ClockDay = 2;
  }

  // Loads the set and builds the network with `groups` N-of-M units per class, step units, exponent 2.
  void Build(const std::vector<std::string>& names, const std::vector<Row>& rows, int groups = 1) {
    test::LoadSetFile(*wb, dir / "DATA" / "nofm.dat", BinarySetText(names, 2, rows));
    wb->HidPerOut.assign(2, groups);
    wb->OutBias = 0.5;
    wb->Slope = 0.0;
    wb->ErrorExponent = 2.0;
    wb->NumOfEpochs = 1;
    ASSERT_TRUE(CreateFourLayerNet(*wb));
  }

  std::string Results(const std::string& suffix) const { return wb->ResultsPrefix + suffix; }

 public:
  // Value weight v of the feature unit (group g, class c, feature f).
  double& W(int g, int c, int f, int v) {
    return wb->Net[1][static_cast<std::size_t>((g * wb->NumOfClasses + c) * wb->NumOfFeatures + f)].Weights[v];
  }
};

// Class 0 when at least two of x, y, z are "a".
const std::vector<Row> kTwoOfThree = {{"a", "a", "a", "0"}, {"a", "a", "b", "0"}, {"a", "b", "a", "0"},
                                      {"b", "a", "a", "0"}, {"a", "b", "b", "1"}, {"b", "a", "b", "1"},
                                      {"b", "b", "a", "1"}, {"b", "b", "b", "1"}};

TEST_F(NofMTest, LayoutAndForwardPassByHand) {
  Build({"x", "y", "z"}, kTwoOfThree, 2);
  EXPECT_EQ(wb->NetType, 4);
  EXPECT_EQ(wb->NumOfLayers, 4);
  EXPECT_EQ(wb->Layers, (std::vector<int>{6, 12, 4, 2}));
  EXPECT_EQ(wb->Net[1][0].Weights, (std::vector<double>{0, 0, 0.5}));
  EXPECT_EQ(wb->Net[2][3].Weights, (std::vector<double>{1, 1, 1, 0.5}));
  EXPECT_EQ(wb->Net[3][1].Weights, (std::vector<double>{1, 1, 0.5}));
  EXPECT_EQ(wb->NofMKind, (std::vector<std::vector<std::string>>(2, {"new", "new"})));
  EXPECT_TRUE(fs::exists(Results("_InitWeights.txt")));
  EXPECT_NE(wb->ParamText[1].find("four layers (or more?), hid.bias = "), std::string::npos);

  // Unit (g 1, class 0, feature 2) is feature unit (1 x 2 + 0) x 3 + 2 = 8; its N-of-M unit is 1 x 2 + 0 = 2.
  W(1, 0, 2, 1) = 1.0;  // z = b
  W(1, 0, 0, 0) = 1.0;  // x = a
  wb->Net[2][2].Weights[3] = 1.5;
  ForwardFourLayer(*wb, 1);  // a a b, class 0
  EXPECT_EQ(wb->Net[1][8].Signal, 1.0);
  EXPECT_EQ(wb->Net[1][6].Signal, 1.0);
  EXPECT_EQ(wb->Net[1][7].Signal, 0.0);
  EXPECT_EQ(wb->Net[2][2].Signal, 1.0);  // 2 of 3 above 1.5
  EXPECT_EQ(wb->Net[2][0].Signal, 0.0);
  EXPECT_EQ(wb->Net[3][0].Signal, 1.0);  // 0 + 1 above 0.5
  EXPECT_EQ(wb->Net[3][1].Signal, 0.0);
  // A net equal to the threshold gives 0.5.
  wb->Net[2][2].Weights[3] = 2.0;
  ForwardFourLayer(*wb, 1);
  EXPECT_EQ(wb->Net[2][2].Signal, 0.5);
  EXPECT_EQ(wb->Net[3][0].Signal, 0.5);
  // The pass dispatch takes the four-layer pass.
  EXPECT_NO_THROW(EvaluateNetwork(*wb));

  // A network that no longer fits the data set is refused, not read past its end.
  wb->Net[2].pop_back();
  EXPECT_THROW(EvaluateNetwork(*wb), WlError);
}

TEST_F(NofMTest, ClassesWithDifferentUnitCountsAreRefused) {
  const fs::path p = dir / "DATA" / "nofm.dat";
  std::ofstream(p, std::ios::binary) << BinarySetText({"x"}, 2, {{"a", "0"}, {"b", "1"}});
  ReadDataFile(*wb, p.string());
  MakeResultsPrefix(*wb);
  wb->HidPerOut = {2, 1};
  EXPECT_FALSE(CreateFourLayerNet(*wb));
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_NE(plat.Messages[0].Text.find("same number of hidden neurons"), std::string::npos);
}

// The threshold search: the kinds it names and the thresholds it keeps.
TEST_F(NofMTest, ThresholdSearch) {
  struct Case {
    const char* Name;
    void (*Weights)(NofMTest&);
    std::vector<std::string> Kinds;  // classes 0 and 1
    std::vector<double> Thresholds;
    int Expands;
  };
  const std::vector<Case> cases = {
      // Every threshold gives the same error: the largest wins ("and").
      {"equal errors", [](NofMTest&) {}, {"and", "and"}, {2.5, 2.5}, 0},
      // Feature x alone decides the class: every trial is worse than the error carried, so "or".
      {"worse trials", [](NofMTest& t) { t.W(0, 0, 0, 0) = 1.0; t.W(0, 1, 0, 1) = 1.0; }, {"or", "or"}, {0.5, 0.5}, 0},
      // Two of three: N = 2 is exact, so both units are "expand".
      {"two of three",
       [](NofMTest& t) {
         for (int f = 0; f < 3; ++f) {
           t.W(0, 0, f, 0) = 1.0;
           t.W(0, 1, f, 1) = 1.0;
         }
       },
       {"expand", "expand"}, {1.5, 1.5}, 2},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.Name);
    Build({"x", "y", "z"}, kTwoOfThree);
    k.Weights(*this);
    EXPECT_EQ(SearchNofMThresholds(*wb), k.Expands);
    EXPECT_EQ(wb->NofMKind[0], k.Kinds);
    EXPECT_EQ(wb->Net[2][0].Weights[3], k.Thresholds[0]);
    EXPECT_EQ(wb->Net[2][1].Weights[3], k.Thresholds[1]);
  }
}

TEST_F(NofMTest, FeatureUseAndExpansion) {
  Build({"x", "y", "z"}, kTwoOfThree);
  for (int f = 0; f < 3; ++f) W(0, 0, f, 0) = 1.0;
  W(0, 0, 0, 1) = 1.0;  // x is active in every vector of unit 0
  wb->Net[2][0].Weights[3] = 2.5;
  wb->NofMKind[0] = {"expand", "or"};
  wb->CountFeatureUse = 1;
  EvaluateNetwork(*wb);
  EXPECT_EQ(wb->FrequentUseLimit, 6);  // Round(0.8 x 8) = Round(6.4)
  EXPECT_EQ(wb->FeatureUse[0][0], (std::vector<int>{8, 4, 4}));
  ExpandUnits(*wb);
  EXPECT_EQ(wb->ExpandAnd[0].Weights[3], 0.5);  // one frequent feature: nA - 0.5
  EXPECT_EQ(wb->ExpandNofM[0].Weights[3], 1.5); // t(u) - nA
  EXPECT_EQ(wb->ExpandBuilt, (std::vector<std::uint8_t>{1, 0}));
  // The expanded pass keeps those thresholds and leaves the unit's own weights alone; it counts nothing.
  const std::vector<double> before = wb->Net[2][0].Weights;
  ForwardFourLayer(*wb, 7);  // b b b: x active, y and z not -> the N-of-M part fails
  EXPECT_EQ(wb->Net[2][0].Signal, 0.0);
  ForwardFourLayer(*wb, 1);  // a a b: x, but only y of the rest: 1 below 1.5
  EXPECT_EQ(wb->Net[2][0].Signal, 0.0);
  ForwardFourLayer(*wb, 0);  // a a a: x, then y and z
  EXPECT_EQ(wb->Net[2][0].Signal, 1.0);
  EXPECT_EQ(wb->Net[2][0].Weights, before);
  EXPECT_EQ(wb->FeatureUse[0][0], (std::vector<int>{8, 4, 4}));
  EXPECT_EQ(wb->ExpandAnd[0].Weights[3], 0.5);
}

TEST_F(NofMTest, RulesFile) {
  Build({"x", "y", "z"}, kTwoOfThree);
  wb->NofMKind[0] = {"expand", "or"};
  wb->FeatureUse[0][0] = {8, 0, 0};
  wb->FrequentUseLimit = 6;
  W(0, 0, 0, 0) = 1.0;
  W(0, 0, 1, 0) = 1.0;
  W(0, 0, 1, 1) = -1.0;
  W(0, 0, 2, 1) = 2.0;
  // Class 1: terms of x and z only, joined once; a negative output weight.
  W(0, 1, 0, 1) = -1.0;
  W(0, 1, 2, 0) = 1.0;
  wb->Net[3][1].Weights[0] = -1.0;
  // Unit (0, 0) asks for two features: split, its conjunction part is x and its N-of-M part one of y, z.
  wb->Net[2][0].Weights.back() = 1.5;
  ExpandUnits(*wb);
  // Class 1: its output fires when its unit does not (weight -1, threshold -0.5).
  wb->Net[3][1].Weights.back() = -0.5;
  WriteNofMRules(*wb);
  EXPECT_EQ(Lines(ReadText(Results("_rf.txt"))),
            (std::vector<std::string>{"class 0 if  x=a and (y=a or z=b)", "class 1 if  not z=a",
                                      "Rules agree with the network on 8 of 8 vectors"}));
}

TEST_F(NofMTest, WeightsTraceBlock) {
  Build({"x"}, {{"a", "0"}, {"b", "1"}});
  WriteFourLayerWeights(*wb);
  const std::vector<std::string> lines = Lines(ReadText(Results("_wp.txt")));
  // Layer 1: two units of 3 weights; layer 2: two units of 2; layer 3: two outputs of 2.
  ASSERT_EQ(lines.size(), 2u * 5 + 2 * 4 + 2 * 4 + 2);
  EXPECT_EQ(lines[0], "1.0.s= " + FormatReal(0.0));
  EXPECT_EQ(lines[1], "1.0.0= " + FormatReal(0.0));
  EXPECT_EQ(lines[3], "1.0.2= " + FormatReal(0.5));
  EXPECT_EQ(FormatReal(0.5).size(), 23u);
  EXPECT_EQ(lines[4], "");
  EXPECT_EQ(lines[10], "2.0.s= " + FormatReal(0.0));
  EXPECT_EQ(lines[lines.size() - 2], std::string(44, '*'));
  EXPECT_EQ(lines.back(), "");
}

// Whole runs: one feature (every unit "or", no rules file) and two features (never "expand").
TEST_F(NofMTest, RunsWithOneAndTwoFeatures) {
  Build({"x"}, {{"a", "0"}, {"b", "1"}, {"a", "0"}});
  RunNofMFourLayer(*wb);
  EXPECT_EQ(wb->NofMKind[0], (std::vector<std::string>{"or", "or"}));
  EXPECT_EQ(wb->CountFeatureUse, 1);
  EXPECT_FALSE(fs::exists(Results("_rf.txt")));
  EXPECT_DOUBLE_EQ(wb->SuccessRate, 1.0);

  Build({"x", "y"}, {{"a", "a", "0"}, {"a", "b", "1"}, {"b", "a", "1"}, {"b", "b", "1"}});
  RunNofMFourLayer(*wb);
  for (const std::string& kind : wb->NofMKind[0]) EXPECT_TRUE(kind == "or" || kind == "and") << kind;
  EXPECT_EQ(wb->ExpandCount, 0);
  EXPECT_FALSE(fs::exists(Results("_rf.txt")));
}

}  // namespace
}  // namespace wl

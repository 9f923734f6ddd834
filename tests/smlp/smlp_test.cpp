// The SMLP networks: the model and its evaluation, the one- and two-change searches, the driver's
// experiments and the rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "model/create_network.h"
#include "model/data_file.h"
#include "model/layer_transfer.h"
#include "model/results_prefix.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "smlp/rules_report.h"
#include "smlp/smlp_beam_search.h"
#include "smlp/smlp_driver.h"
#include "smlp/smlp_network.h"
#include "smlp/smlp_training.h"
#include "smlp/binary_set_test_env.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;
using test::Lines;
using test::ReadText;

using test::DiscreteSetText;
using test::FeatureDef;

class SmlpTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_smlp_", {"DATA", "results"});
    plat.ClockMs = 10000;
    plat.ClockDay = 2;  // second 86410 of the year
    wb->Rng.Seed = 7;
  }

  // Reads the set as the current data set, under a results prefix of its own.
  void Load(const std::string& name, const std::vector<FeatureDef>& features, int classes,
            const std::vector<std::vector<std::string>>& rows) {
    const fs::path p = dir / "DATA" / name;
    std::ofstream(p, std::ios::binary) << DiscreteSetText(features, classes, rows);
    wb->DataFileName = p.string();
    ReadDataFile(*wb, p.string());
    MakeResultsPrefix(*wb);
  }

  // An SMLP of the loaded set with `perClass` hidden units per class, built as a run builds it, its
  // weights zero, steps as units, error exponent 2.
  void Build(int perClass, double hidBias = 0.5, double outBias = 0.5) {
    wb->HidPerOut.assign(static_cast<std::size_t>(wb->NumOfClasses), perClass);
    wb->HidBias = hidBias;
    wb->OutBias = outBias;
    wb->Slope = 0.0;
    wb->ErrorExponent = 2.0;
    wb->WorthChanging = 0.0;
    wb->NumOfParts = 1;
    wb->SMLPOutWeights = {1.0, 1.0, 1.0, 1.0};
    ReadHiddenPerClass(*wb);
    ASSERT_TRUE(InitSMLPWeights(*wb));
    wb->NetType = 3;
    wb->NetKind = 1;
  }

  std::vector<double> Outputs() {
    std::vector<double> y;
    for (const TNeuron& n : wb->Net[2]) y.push_back(n.Signal);
    return y;
  }

  std::string Results(const std::string& suffix) const { return wb->ResultsPrefix + suffix; }
};

// One feature of two values, the value naming the class.
const std::vector<FeatureDef> kTwoValues = {{"x", {"a", "b"}}};
const std::vector<std::vector<std::string>> kTwoRows = {{"a", "0"}, {"b", "1"}};

TEST_F(SmlpTest, BuildsTheInterleavedLayout) {
  Load("three.dat", {{"colour", {"red", "green", "blue"}}, {"size", {"big", "small"}}}, 2,
       {{"red", "big", "0"}, {"blue", "small", "1"}});
  wb->Form1.HidPerOutEdit.SetText("5");
  wb->Form1.HidPerOut1Edit.SetText("5");
  wb->Form1.strbox.SetChecked(true);
  wb->Form1.InitEdit.SetText("1.0");
  ASSERT_EQ(CreateNetwork(*wb, 4), NetworkSmlpBuilt);
  EXPECT_EQ(wb->Layers, (std::vector<int>{5, 10, 2}));
  EXPECT_EQ(wb->NetType, 3);
  EXPECT_EQ(wb->NetKind, 1);
  EXPECT_EQ(wb->LayerInputs[0], 5);
  EXPECT_EQ(wb->LayerInputs[1], 5);
  EXPECT_EQ(wb->NumOfWeights, 10 * 6 + 2 * 6);
  // Zero hidden weights, the hidden bias, output weights 1.0 (also past the fourth term), the output bias.
  for (const TNeuron& n : wb->Net[1]) EXPECT_EQ(n.Weights, (std::vector<double>{0, 0, 0, 0, 0, 0.5}));
  for (const TNeuron& n : wb->Net[2]) EXPECT_EQ(n.Weights, (std::vector<double>{1, 1, 1, 1, 1, 0.5}));

  // Classes with different numbers of hidden units are refused, and the network stays.
  wb->Form1.HidPerOut1Edit.SetText("2");
  plat.Messages.clear();
  EXPECT_EQ(CreateNetwork(*wb, 4), NetworkParametersFailed);
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_NE(plat.Messages[0].Text.find("same number of hidden neurons"), std::string::npos);
  EXPECT_EQ(wb->Layers, (std::vector<int>{5, 10, 2}));
}

// The unit rules and the prediction, each case one hand-made network on two vectors of two classes.
TEST_F(SmlpTest, EvaluationEdgeCases) {
  struct Case {
    const char* Name;
    int PerClass;
    double OutBias;
    std::vector<double> Hidden0, Hidden1;  // input weights (a, b) of the first unit of each class
    std::vector<int> Mask;
    std::vector<double> OutputsOfVector0;
    double Error;
    double Rate;
    int Column0;  // the confusion-matrix column of vector 0
  };
  const std::vector<Case> cases = {
      // Net input at the threshold: the hidden unit gives 0.5, and so does its output.
      {"at the threshold", 1, 0.5, {0.5, 0}, {0, 1}, {1}, {0.5, 0.0}, 0.25 + 0.0 + 0.0 + 0.0, 1.0, 0},
      // A hidden unit of 1.0 makes its output 1.0.
      {"above the threshold", 1, 0.5, {1, 0}, {0, 1}, {1}, {1.0, 0.0}, 0.0, 1.0, 0},
      // Equal highest outputs: the lower class is predicted (vector 1 is wrong).
      {"a tie", 1, 0.5, {1, 1}, {1, 1}, {1}, {1.0, 1.0}, 1.0 + 1.0, 0.5, 0},
      // A masked feature gives no active input: every output 0, no prediction, the last column.
      {"a masked feature", 1, 0.5, {1, 0}, {0, 1}, {0}, {0.0, 0.0}, 1.0 + 1.0, 0.0, 2},
      // No hidden units: constant outputs, 0.0 with bias 0.5 and 1.0 with bias -0.5.
      {"no hidden units, bias 0.5", 0, 0.5, {}, {}, {1}, {0.0, 0.0}, 2.0, 0.0, 2},
      {"no hidden units, bias -0.5", 0, -0.5, {}, {}, {1}, {1.0, 1.0}, 2.0, 0.5, 0},
      // Outputs (0.5, 1.0) for a vector of class 0: 0.25 + 1.0, predicted as class 1.
      {"half and one", 1, 0.5, {0.5, 0}, {1, 1}, {1}, {0.5, 1.0}, 1.25 + 0.0, 0.5, 1},
  };
  Load("two.dat", kTwoValues, 2, kTwoRows);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Build(c.PerClass, 0.5, c.OutBias);
    if (c.PerClass > 0) {
      wb->Net[1][0].Weights = {c.Hidden0[0], c.Hidden0[1], 0.5};
      wb->Net[1][1].Weights = {c.Hidden1[0], c.Hidden1[1], 0.5};
    }
    wb->FeatureMask = c.Mask;
    ForwardSMLP(*wb, 0);
    EXPECT_EQ(Outputs(), c.OutputsOfVector0);
    EXPECT_DOUBLE_EQ(EvaluateNetwork(*wb), c.Error);
    EXPECT_DOUBLE_EQ(wb->SuccessRate, c.Rate);
    EXPECT_DOUBLE_EQ(wb->TestSuccessRate, c.Rate);
    ComputeConfusionMatrix(*wb);
    ASSERT_EQ(wb->ConfusionMatrix.size(), 2u);
    EXPECT_EQ(wb->ConfusionMatrix[0][c.Column0], 1);
  }
  // An empty data set cannot give an accuracy.
  wb->NumOfVectors = 0;
  EXPECT_THROW(EvaluateNetwork(*wb), FloatError);
}

TEST_F(SmlpTest, StepUnitsOfTheSmlpStructureInTheErrorFunctions) {
  // Unit k of class c is hidden unit k * classes + c in the training-set errors too.
  Load("two.dat", kTwoValues, 2, kTwoRows);
  Build(2);
  wb->Net[1][0].Weights = {1, 0, 0.5};  // class 0, unit 0
  wb->Net[1][3].Weights = {0, 1, 0.5};  // class 1, unit 1
  wb->Form1.strbox.SetChecked(true);
  wb->HeldEvalStale = true;
  EXPECT_DOUBLE_EQ(EvaluateNetwork(*wb), 0.0);
  EXPECT_DOUBLE_EQ(TrainingSetError(*wb), 0.0);
  EXPECT_DOUBLE_EQ(wb->SuccessRate, 1.0);
  wb->Net[1][3].Weights = {0, 0, 0.5};
  EXPECT_DOUBLE_EQ(TrainingSetError(*wb), 1.0);
  EXPECT_DOUBLE_EQ(wb->SuccessRate, 0.5);
  // The small-weights term takes each output neuron's weights up to its threshold, no further.
  wb->SmallW = 0.5;
  double squares = 0.0;
  for (int l = 1; l <= 2; ++l)
    for (const TNeuron& n : wb->Net[l])
      for (double w : n.Weights) squares += w * w;
  EXPECT_DOUBLE_EQ(TrainingSetError(*wb), 1.0 + 0.5 * squares);
  wb->SmallW = 0.0;
  wb->Form1.FullConn.SetChecked(true);
}

// One value only: every vector has the same input. Hidden threshold 1.0, so a weight of 1.0 puts a unit at
// its threshold (0.5) and its output at 0.5.
class OneChangeTest : public SmlpTest {
 protected:
  void SetUp() override {
    SmlpTest::SetUp();
    Load("const.dat", {{"k", {"c"}}}, 2, {{"c", "0"}, {"c", "1"}});
    Build(1, 1.0, 0.5);
    wb->Form1.EpochEditT2.SetText("1");
  }
};

TEST_F(OneChangeTest, AnEpochByHandWithItsChangeLog) {
  // Unit 0 to +1: class 0's output is 0.5 for both vectors: E 2 -> 1.5, accuracy 0 -> 0.5. Unit 1 to +1:
  // both outputs 0.5, vector 0 still right (the first of equal outputs), vector 1 still wrong: E -> 1.0 at
  // the same accuracy, accepted with WorthChanging 0 only.
  TrainSMLPOneChange(*wb);
  EXPECT_EQ(Lines(ReadText(Results("_wc.txt"))),
            (std::vector<std::string>{"Error: 1.5    SuccessRt: 0.5    N.W: 0.0", "Error: 1    SuccessRt: 0.5    N.W: 1.0"}));
  EXPECT_EQ(wb->Net[1][0].Weights, (std::vector<double>{1, 1.0}));
  EXPECT_EQ(wb->Net[1][1].Weights, (std::vector<double>{1, 1.0}));
  EXPECT_DOUBLE_EQ(wb->CurrentError, 1.0);
  EXPECT_EQ(wb->OptMet, 1);
  EXPECT_EQ(wb->ParamText[7], "SLMP-1ch ");
  EXPECT_EQ(wb->ParamText[4], "Start Error = 2   End Error = 1.0000");
  ASSERT_EQ(wb->StepRateHistory.size(), 2u);
  EXPECT_DOUBLE_EQ(wb->StepRateHistory[1], 0.5);
  EXPECT_DOUBLE_EQ(wb->StepErrorHistory[1], 1.0);
  // The accuracy variables describe the network left, not the last trial (unit 1 at -1.0).
  EXPECT_DOUBLE_EQ(wb->SuccessRate, 0.5);
  EXPECT_EQ(wb->VectorCorrect, (std::vector<std::uint8_t>{1, 0}));
  EXPECT_EQ(wb->ClassCorrectCount, (std::vector<int>{1, 0}));

  Build(1, 1.0, 0.5);
  wb->WorthChanging = 1.0;
  TrainSMLPOneChange(*wb);
  EXPECT_EQ(Lines(ReadText(Results("_wc.txt"))), (std::vector<std::string>{"Error: 1.5    SuccessRt: 0.5    N.W: 0.0"}));
  EXPECT_EQ(wb->Net[1][1].Weights, (std::vector<double>{0, 1.0}));

  // No epochs: the start network is evaluated and nothing changes.
  Build(1, 1.0, 0.5);
  wb->Form1.EpochEditT2.SetText("0");
  TrainSMLPOneChange(*wb);
  EXPECT_TRUE(ReadText(Results("_wc.txt")).empty());
  EXPECT_DOUBLE_EQ(wb->CurrentError, 2.0);
}

TEST_F(SmlpTest, TwoChangesTryThePairsInTheirOrder) {
  // With d1 outer and d2 inner from -1, the first pair that helps unit 0 (class 0) is (+1, -1), and the
  // first that helps unit 1 is (-1, +1): the one-change search would leave the other weight at 0.
  Load("two.dat", kTwoValues, 2, kTwoRows);
  Build(1);
  wb->Form1.EpochEditT2.SetText("1");
  TrainSMLPTwoChanges(*wb);
  EXPECT_EQ(wb->Net[1][0].Weights, (std::vector<double>{1, -1, 0.5}));
  EXPECT_EQ(wb->Net[1][1].Weights, (std::vector<double>{-1, 1, 0.5}));
  EXPECT_EQ(wb->OptMet, 2);
  EXPECT_EQ(wb->StepCount, 2);
  ASSERT_EQ(wb->StepRateHistory.size(), 4u);
  EXPECT_DOUBLE_EQ(wb->StepRateHistory[1], 0.5);
  EXPECT_DOUBLE_EQ(wb->StepRateHistory[2], 1.0);
  EXPECT_EQ(wb->ParamText[4], "Start Error = 2   End Error = 0.000000");
  EXPECT_FALSE(fs::exists(Results("_wc.txt")));

  // The expansion trains only the weights of its feature (the first here) and logs into "_WC.txt".
  Build(1);
  TrainSMLPOneChangeExpand(*wb, 0);
  EXPECT_EQ(Lines(ReadText(Results("_WC.txt"))).size(), 2u);
}

TEST_F(SmlpTest, RankingOrderAndFeaturesToAdd) {
  std::vector<FeatureRank> ranks = {{0, 0.0}, {1, 0.0}, {2, 1.0}, {3, 0.0}};
  SortFeatureRanks(ranks);
  std::vector<int> order;
  for (const FeatureRank& r : ranks) order.push_back(r.Feature);
  EXPECT_EQ(order, (std::vector<int>{2, 1, 0, 3}));

  struct Case {
    const char* Text;
    int Expected;
  };
  for (const Case& c : {Case{"", 4}, Case{"  ", 4}, Case{"0", 0}, Case{"2", 2}, Case{" 9 ", 4}})
    EXPECT_EQ(FeaturesToAdd(c.Text, 4), c.Expected) << "'" << c.Text << "'";
  EXPECT_THROW(FeaturesToAdd("two", 4), ConvertError);
}

// Three features: "x" names the class, "n1" and "n2" do not.
class ExperimentsTest : public SmlpTest {
 protected:
  void SetUp() override {
    SmlpTest::SetUp();
    Load("three.dat", {{"x", {"a", "b"}}, {"n1", {"p", "q"}}, {"n2", {"u", "v"}}}, 2,
         {{"a", "p", "u", "0"}, {"a", "q", "v", "0"}, {"b", "p", "v", "1"}, {"b", "q", "u", "1"}});
    Build(1);
    wb->Form1.EpochEditT2.SetText("1");  // fewer epochs than features
  }

  std::vector<std::string> StarLines(const std::string& text) {
    std::vector<std::string> out;
    for (const std::string& l : Lines(text))
      if (l.rfind("*****", 0) == 0 || l.rfind("SSSS", 0) == 0) out.push_back(l);
    return out;
  }
};

TEST_F(ExperimentsTest, ReductionRemovesTheFeaturesThatDoNotMatter) {
  ReduceSMLPFeatures(*wb, 1);
  EXPECT_EQ(wb->FeatureMask, (std::vector<int>{1, 0, 0}));
  ASSERT_EQ(wb->FeatureRateHistory.size(), 5u);
  EXPECT_LT(wb->FeatureRateHistory[0], 1.0);  // without x
  EXPECT_DOUBLE_EQ(wb->FeatureRateHistory[1], 1.0);
  EXPECT_DOUBLE_EQ(wb->FeatureRateHistory[2], 1.0);
  EXPECT_EQ(wb->StepRateHistory.size(), 2u);  // the trainer's, one epoch
  EXPECT_TRUE(fs::exists(Results("_rs-trn.txt")));
}

TEST_F(ExperimentsTest, RankingAndExpansionByRankingEdit) {
  TForm1& f = wb->Form1;
  // "0" (the default): ranked and reported, nothing added.
  FeatureRankingAndExpansion(*wb, 1);
  const std::string report = ReadText(Results("_FERE.txt"));
  const std::vector<std::string> stars = StarLines(report);
  EXPECT_EQ(stars, (std::vector<std::string>{"*******************0*********************",
                                             "*******************1*********************",
                                             "*******************2*********************", std::string(34, 'S'),
                                             std::string(34, 'S')}));
  const std::vector<std::string> lines = Lines(report);
  const auto s = std::find(lines.begin(), lines.end(), std::string(34, 'S'));
  ASSERT_NE(s, lines.end());
  EXPECT_EQ(*(s + 1), "x " + FormatReal(1.0));
  EXPECT_EQ(plat.EditorRequests.back(), Results("_FERE.txt"));
  EXPECT_EQ(wb->WorthChanging, 1.0);

  // "2" with "Add 1 Hidden per Time": the two best features are switched on, no expansion is trained.
  f.RankingEdit.SetText("2");
  f.Add1Box.SetChecked(true);
  FeatureRankingAndExpansion(*wb, 1);
  EXPECT_EQ(StarLines(ReadText(Results("_FERE.txt"))).size(), 5u);
  EXPECT_EQ(wb->FeatureMask[0], 1);
  EXPECT_EQ(wb->FeatureMask[0] + wb->FeatureMask[1] + wb->FeatureMask[2], 2);

  // "" with "Add 1 Hidden per Time": every feature is added, one expansion step each.
  f.RankingEdit.SetText("");
  FeatureRankingAndExpansion(*wb, 1);
  EXPECT_EQ(StarLines(ReadText(Results("_FERE.txt"))).size(), 8u);
  EXPECT_EQ(wb->FeatureMask, (std::vector<int>{1, 1, 1}));
}

TEST_F(ExperimentsTest, TheIncludeListOfTheDiscretizationFileNamesTheAvailableFeatures) {
  struct Case {
    const char* File;
    std::vector<int> Available;
    std::size_t Messages;
  };
  const std::vector<Case> cases = {
      {"fnumber=0\ninclude\n2\n0\n\n", {1, 0, 1}, 0},
      {"# no list\n", {0, 0, 0}, 0},
      {"INCLUDE\n1\n7\n0\n", {0, 1, 0}, 1},  // "Wrong feature number" ends the list
  };
  wb->Form1.DiscrFileEdit.SetText(" sel ");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.File);
    std::ofstream(dir / "sel.txt", std::ios::binary) << c.File;
    plat.Messages.clear();
    ReadHiddenPerClass(*wb);
    EXPECT_EQ(wb->FeatureAvailable, c.Available);
    EXPECT_EQ(wb->FeatureMask, c.Available);
    ASSERT_EQ(plat.Messages.size(), c.Messages);
    if (c.Messages) {
      EXPECT_EQ(plat.Messages[0].Text, "Wrong feature number");
    }
  }
  std::ofstream(dir / "sel.txt", std::ios::binary) << "include\nx\n";
  EXPECT_THROW(ReadHiddenPerClass(*wb), FileError);
  wb->Form1.DiscrFileEdit.SetText("missing");
  EXPECT_THROW(ReadHiddenPerClass(*wb), FileError);
}

TEST_F(ExperimentsTest, CoveredVectorsAreRemovedAndTheWeightsRecomputed) {
  wb->CurrentClass = 0;
  wb->VectorCorrect = {1, 0, 1, 0};  // vector 0 is covered; vector 2 is right but of class 1
  wb->ClassCorrectCount = {1, 1};
  WriteCFFile(*wb);
  EXPECT_EQ(Lines(ReadText(dir / "CF.txt")),
            (std::vector<std::string>{"0  -", "1  remains", "2  remains", "3  remains"}));
  EXPECT_EQ(wb->NumOfVectors, 3);
  EXPECT_EQ(wb->VectorClass, (std::vector<int>{0, 1, 1}));
  EXPECT_EQ(wb->VectorsPerClass, (std::vector<int>{1, 2}));
  EXPECT_EQ(wb->VectorWeight, (std::vector<double>{1.5, 0.75, 0.75}));
  EXPECT_EQ(wb->VectorCorrect, (std::vector<std::uint8_t>{0, 0, 0}));

  // "Train on all vectors" keeps every vector.
  wb->Form1.AllVBox.SetChecked(true);
  WriteCFFile(*wb);
  EXPECT_EQ(wb->NumOfVectors, 3);
}

TEST_F(SmlpTest, RuleTextsAndThresholdRules) {
  Load("shapes.dat", {{"colour", {"red", "green"}}, {"size", {"big", "small"}}, {"shape", {"round", "square"}}}, 1,
       {{"red", "big", "round", "0"}, {"green", "small", "square", "0"}, {"red", "small", "round", "0"}});
  Build(2);
  wb->SMLPOutWeights[1] = -1.0;
  wb->Net[2][0].Weights[1] = -1.0;
  // Term 0: red 1, green 0.5, big -1, round 1.5: round alone fires it, else red and not big (every vector
  // has one colour, so the 0.5 that both colours add is a constant). Term 1, output weight -1: square 3.
  wb->Net[1][0].Weights = {1, 0.5, -1, 0, 1.5, 0, 0.5};
  wb->Net[1][1].Weights = {0, 0, 0, 0, 0, 3, 0.5};
  wb->OptMet = 1;
  wb->ResultsPrefix = (dir / "results" / "shapes").string();
  wb->ParamText[0] = "Data Set:  shapes";
  ASSERT_TRUE(WriteRulesReport(*wb, 1));
  const std::string term0 = "shape=round or (colour=red and not size=big)";
  EXPECT_EQ(wb->RuleTexts[0], (std::vector<std::string>{" " + term0, " shape=square"}));
  // The threshold rules: each unit's threshold below its weighted sum, combined as the output combines
  // the units; the comparison table keeps the rounded weights times the output weights.
  EXPECT_EQ(wb->ClassSumRules[0],
            "Class 0 if   (0.5 <   colour(red) +0.5 colour(green) - size(big) +1.5 shape(round)) and not (0.5 <  3 "
            "shape(square))");
  EXPECT_EQ(wb->ClassWeightRules[0],
            "Class 0 if   (0.5 <    Weight[0] +0.5  Weight[1] -  Weight[2] +1.5  Weight[4]) and not (0.5 <  3  "
            "Weight[5])");
  EXPECT_EQ(wb->Mlt[1][0][2], (std::vector<int>{2, -3}));

  const std::vector<std::string> lines = Lines(ReadText(dir / "results" / "shapes_RE.txt"));
  const auto rules = std::find(lines.begin(), lines.end(), "[Rules]");
  ASSERT_NE(rules, lines.end());
  // The output subtracts term 1: the class needs term 0 and not term 1; every vector has a shape, and
  // one that is not square is round, which fires term 0 alone.
  EXPECT_EQ(*(rules - 1), "not shape=square");
  EXPECT_EQ(*(rules + 1), "class 0 if    not shape=square");
  EXPECT_EQ(*(rules + 2), "Rules agree with the network on 3 of 3 vectors");
  EXPECT_EQ(*(rules + 3), "    Confusion Matrix");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Success Rate: 0.66667"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "shape 1"), lines.end());
  EXPECT_EQ(plat.EditorRequests.back(), (dir / "results" / "shapes_RE.txt").string());
  EXPECT_TRUE(wb->ResultsFileName.empty());

  // One unit per class that the output passes on: the single threshold rule, with the unit's threshold.
  Build(1, 1.5);
  wb->Net[1][0].Weights = {1, 0, -1, 0, 2, 0, 1.5};
  ASSERT_TRUE(WriteRulesReport(*wb, 1));
  EXPECT_EQ(wb->ClassSumRules[0], "Class 0 if   1.5 <   colour(red) - size(big) +2 shape(round)");

  EXPECT_EQ(RuleCoefficient(1, 1), "  ");
  EXPECT_EQ(RuleCoefficient(1, 2), " + ");
  EXPECT_EQ(RuleCoefficient(-1, 2), " - ");
  EXPECT_EQ(RuleCoefficient(2, 1), " 2 ");
  EXPECT_EQ(RuleCoefficient(-3, 4), " -3 ");
}

TEST_F(SmlpTest, TheValidationRulesReportRefusesASetThatDoesNotFit) {
  Load("two.dat", kTwoValues, 2, kTwoRows);
  Build(1);
  const fs::path other = dir / "DATA" / "other.dat";
  std::ofstream(other, std::ios::binary) << DiscreteSetText({{"x", {"a", "b", "c"}}}, 2, {{"c", "0"}, {"a", "1"}});
  plat.OpenAnswers.push_back(other.string());
  wb->TestingMode = true;
  EXPECT_FALSE(WriteRulesReport(*wb, 2));
  wb->TestingMode = false;
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_NE(plat.Messages[0].Text.find("does not fit the trained network"), std::string::npos);
  EXPECT_EQ(wb->Features[0].NValues, 2);  // the training set stays
  EXPECT_FALSE(fs::exists(Results("_RE.txt")));
}

// ---- Beam search ----

TEST(SmlpBeamSort, ExchangeRuleSortsAscendingAndOnlyTheFirstN) {
  const std::vector<std::vector<double>> cases = {{3, 1, 2}, {1, 3, 3, 1}, {5}, {2, 2, 2}, {4, -1, 0, 7, 3, 3}};
  for (const auto& errors : cases) {
    std::vector<BeamCandidate> r;
    for (std::size_t k = 0; k < errors.size(); ++k) r.push_back({errors[k], static_cast<int>(k), 0, 0, 0});
    r.push_back({-100.0, 99, 0, 0, 0});  // past n: untouched
    SortBeamCandidates(r, static_cast<int>(errors.size()));
    std::vector<double> sorted = errors;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t k = 0; k < errors.size(); ++k) EXPECT_EQ(r[k].Error, sorted[k]);
    EXPECT_EQ(r.back().Unit, 99);
  }
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> w;
  std::istringstream in(line);
  for (std::string t; in >> t;) w.push_back(t);
  return w;
}

class SmlpBeamTest : public SmlpTest {
 protected:
  void SetUp() override {
    SmlpTest::SetUp();
    wb->Form1.EpochEditT2.SetText("1");
  }
  // x1, x2 of values "0 1"; the class x1 XOR x2 or x1 OR x2.
  void LoadXor(bool orClass = false) {
    Load("xor.dat", {{"x1", {"0", "1"}}, {"x2", {"0", "1"}}}, 2,
         {{"0", "0", "0"}, {"0", "1", "1"}, {"1", "0", "1"}, {"1", "1", orClass ? "1" : "0"}});
  }
  // "_BE.txt" split into rounds: each the member lines, then the selection lines (an empty line ends a
  // round).
  struct Round {
    std::vector<std::string> Members, Selected;
  };
  std::vector<Round> Rounds() {
    std::vector<Round> rounds;
    Round r;
    for (const std::string& line : Lines(ReadText(Results("_BE.txt")))) {
      if (line.empty()) {
        rounds.push_back(r);
        r = Round{};
      } else if (line.back() == ' ' && line.find("  ") == std::string::npos) {
        r.Members.push_back(line);
      } else {
        r.Selected.push_back(line);
      }
    }
    return rounds;
  }
};

// One feature of two values, one hidden unit per class: the first round and its logs by hand. From zero
// weights (error 2: no output fires), a +1 on weight 0.0 or 1.1 puts one vector right (error 1); the
// other two changes cost (error 3); -1 changes nothing. The four records are fewer than the nine members.
TEST_F(SmlpBeamTest, FirstRoundByHand) {
  Load("two.dat", kTwoValues, 2, kTwoRows);
  Build(1);
  SMLPBeamSearchTrain(*wb);
  const std::vector<std::string> beam = Lines(ReadText(Results("_beam.txt")));
  ASSERT_GE(beam.size(), 2u);
  EXPECT_EQ(beam[0], "Error: 2    SuccessRt: 0.5    N.W: 0.0");
  EXPECT_EQ(beam[1], "Error: 2    SuccessRt: 0.5    N.W: 1.1");
  const std::vector<Round> rounds = Rounds();
  ASSERT_GE(rounds.size(), 2u);
  EXPECT_EQ(rounds[0].Members, (std::vector<std::string>{"0 0 0 0 "}));
  EXPECT_EQ(rounds[0].Selected, (std::vector<std::string>{"0  0  0  1  1        ", "0  1  1  1  1        "}));
  // Members 0, 1, 2 of the next round: the two changes, then a record of no change.
  EXPECT_EQ(rounds[1].Members, (std::vector<std::string>{"1 0 0 0 ", "0 0 0 1 ", "0 0 0 0 "}));
  // The second round finds the network that classifies both vectors (error 0) from members 0 and 1.
  EXPECT_EQ(beam[2], "Error: 1    SuccessRt: 1    N.W: 1.1");
  EXPECT_EQ(beam[3], "Error: 1    SuccessRt: 1    N.W: 0.0");
  EXPECT_EQ(rounds[1].Selected[0], "0  1  1  1  0        ");
  EXPECT_EQ(rounds[1].Selected[1], "1  0  0  1  0        ");
  EXPECT_EQ(wb->ParamText[7], "SLMP-1ch ");
  EXPECT_EQ(wb->OptMet, 1);
  EXPECT_EQ(wb->BeamWidth, 3);
  EXPECT_EQ(wb->ParamText[4].rfind("Start Error = 2.0000   End Error = ", 0), 0u) << wb->ParamText[4];
  EXPECT_EQ(wb->Form1.ge.Text(), IntToStr(static_cast<std::int64_t>(rounds.size())));
}

// No single step can make a hidden unit fire (one active input, threshold 1.5): one expansion, a
// selection with step 0 at its head (no selection line), and the initial weights stay.
TEST_F(SmlpBeamTest, NoImprovingStepStopsAfterOneExpansion) {
  Load("two.dat", kTwoValues, 2, kTwoRows);
  Build(1, 1.5);
  SMLPBeamSearchTrain(*wb);
  EXPECT_EQ(Lines(ReadText(Results("_BE.txt"))), (std::vector<std::string>{"0 0 0 0 ", ""}));
  EXPECT_TRUE(Lines(ReadText(Results("_beam.txt"))).empty());
  for (const TNeuron& n : wb->Net[1]) EXPECT_EQ(n.Weights, (std::vector<double>{0, 0, 1.5}));
  EXPECT_EQ(wb->ParamText[4], "Start Error = 2.0000   End Error = 2.0000");
}

// OR of two inputs, two hidden units per class: every selected change is a weight that was 0 in its source
// member (so a non-zero weight never returns to 0 or flips), the search ends, and a masked feature gets no
// change and stays 0 in every loaded member. With "Random Init Weights" each random network is expanded
// from its own weights from the first round on.
TEST_F(SmlpBeamTest, SelectedChangesOnlyTouchZeroWeights) {
  for (const bool rinit : {false, true}) {
    for (const bool mask : {false, true}) {
      SCOPED_TRACE(std::string(rinit ? "random starts" : "one start") + (mask ? ", x2 masked" : ""));
      wb->Form1.Rinit.SetChecked(rinit);
      LoadXor(true);
      Build(2);
      if (mask) wb->FeatureMask[1] = 0;
      SMLPBeamSearchTrain(*wb);
      const std::vector<Round> rounds = Rounds();
      ASSERT_GE(rounds.size(), rinit ? 1u : 2u);
      EXPECT_EQ(rounds[0].Members.size(), rinit ? 3u : 1u);
      for (std::size_t r = rinit ? 0 : 1; r < rounds.size(); ++r) {
        ASSERT_EQ(rounds[r].Members.size(), 3u);
        for (const std::string& sel : rounds[r].Selected) {
          const std::vector<std::string> f = Words(sel);
          ASSERT_EQ(f.size(), 5u) << sel;
          const std::vector<std::string> w = Words(rounds[r].Members[std::stoul(f[0])]);
          ASSERT_EQ(w.size(), 16u);
          EXPECT_EQ(w[std::stoul(f[1]) * 4 + std::stoul(f[2])], "0") << "round " << r << ": " << sel;
          EXPECT_NE(f[3], "0");
        }
      }
      if (mask && !rinit)
        for (const Round& r : rounds)
          for (const std::string& m : r.Members) {
            const std::vector<std::string> w = Words(m);
            for (int j = 0; j < 4; ++j) {
              EXPECT_EQ(w[j * 4 + 2], "0") << m;
              EXPECT_EQ(w[j * 4 + 3], "0") << m;
            }
          }
      if (!rinit) {
        EXPECT_FALSE(Lines(ReadText(Results("_beam.txt"))).empty());
      }
    }
  }
}

// "Random Init Weights": the three starts are drawn from one seeding of the clock, so they are three
// different networks (the clock does not move during a run), and the same clock gives the same starts.
TEST_F(SmlpBeamTest, RandomStartsAreThreeDifferentNetworksFromOneSeeding) {
  wb->Form1.Rinit.SetChecked(true);
  std::vector<std::string> first;
  for (const std::int64_t clock : {10000, 10000, 20000}) {
    SCOPED_TRACE("clock " + IntToStr(clock));
    plat.ClockMs = clock;
    LoadXor(true);
    Build(2);
    SMLPBeamSearchTrain(*wb);
    const std::vector<Round> rounds = Rounds();
    ASSERT_GE(rounds.size(), 1u);
    const std::vector<std::string>& m = rounds[0].Members;
    ASSERT_EQ(m.size(), 3u);
    EXPECT_NE(m[0], m[1]);
    EXPECT_NE(m[0], m[2]);
    EXPECT_NE(m[1], m[2]);
    if (first.empty())
      first = m;
    else if (clock == 10000)
      EXPECT_EQ(m, first);
    else
      EXPECT_NE(m, first);
  }
}

// The run driver runs the beam search instead of the mode's work when "Beam Search" is chosen.
TEST_F(SmlpBeamTest, TheDriverRunsTheBeamSearchForBeamSearch) {
  LoadXor();
  wb->Form1.HidPerOutEdit.SetText("2");
  wb->Form1.HidPerOut1Edit.SetText("2");
  wb->Form1.BeamSearch.SetChecked(true);
  ASSERT_TRUE(RunSMLP(*wb, 1));
  EXPECT_TRUE(fs::exists(Results("_BE.txt")));
  EXPECT_TRUE(fs::exists(Results("_beam.txt")));
  EXPECT_FALSE(fs::exists(Results("_wc.txt")));
  EXPECT_FALSE(wb->LogFile.is_open());
  // A bad epoch text ends the run before any log is made.
  fs::remove(Results("_BE.txt"));
  wb->Form1.EpochEditT2.SetText("x");
  EXPECT_FALSE(RunSMLP(*wb, 1));
  EXPECT_FALSE(plat.Messages.empty());
  EXPECT_FALSE(fs::exists(Results("_BE.txt")));
}

}  // namespace
}  // namespace wl

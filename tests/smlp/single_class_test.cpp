// The single-class SMLP: its evaluation by hand, the S1 and S2 searches and the rules report.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "model/create_network.h"
#include "model/data_file.h"
#include "model/results_prefix.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "smlp/cut_point_search.h"
#include "smlp/rules_report.h"
#include "smlp/single_class.h"
#include "smlp/single_class_reports.h"
#include "smlp/smlp_driver.h"
#include "smlp/binary_set_test_env.h"
#include "state/analysis_shapes.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;
using test::Lines;
using test::ReadText;

using test::DiscreteSetText;
using test::FeatureDef;

const std::vector<FeatureDef> kXY = {{"x", {"a", "b"}}, {"y", {"p", "q", "r"}}};

class SingleClassTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_single_", {"DATA", "results"});
    plat.ClockMs = 10000;
    plat.ClockDay = 2;
    wb->Rng.Seed = 7;
  }

  // Reads the set and builds the network of `cls` with `hidden` neurons, zero weights.
  void Build(const std::vector<FeatureDef>& features, int classes, const std::vector<std::vector<std::string>>& rows,
             int cls, int hidden, double hidBias = 0.5) {
    const fs::path p = dir / "DATA" / "set.dat";
    std::ofstream(p, std::ios::binary) << DiscreteSetText(features, classes, rows);
    wb->DataFileName = p.string();
    ReadDataFile(*wb, p.string());
    MakeResultsPrefix(*wb);
    wb->Form1.CurrentClassBox.SetItemIndex(cls + 1);
    ReadHiddenPerClass(*wb);
    wb->HiddenPerClass.assign(static_cast<std::size_t>(classes), 0);
    wb->HiddenPerClass[static_cast<std::size_t>(cls)] = hidden;
    wb->HidBias = hidBias;
    wb->OutBias = 0.5;
    wb->WorthChanging = 0.0;
    BuildSMLPNetwork(*wb);
  }

  std::vector<double> Hidden(int h) {
    std::vector<double> w = wb->Net[1][static_cast<std::size_t>(h)].Weights;
    return w;
  }
};

// Class 0 is x = a.
const std::vector<std::vector<std::string>> kByX = {{"a", "p", "0"}, {"a", "q", "0"}, {"b", "p", "1"}, {"b", "r", "1"}};

// The mark of the single-class network follows the network in place: any other network built afterwards
// clears it, and a marked network of another shape or for other inputs is not taken for one.
TEST_F(SingleClassTest, TheMarkFollowsTheNetworkInPlace) {
  struct Case {
    const char* Name;
    std::function<void(Workbench&)> After;
    bool Marked;
    bool Has;
  };
  const Case cases[] = {
      {"as built", [](Workbench&) {}, true, true},
      {"a perceptron", [](Workbench& w) { EXPECT_EQ(CreateNetwork(w, 4), NetworkBuilt); }, false, false},
      {"the four-layer N-of-M network", [](Workbench& w) { EXPECT_TRUE(RunSMLP(w, 10)); }, false, false},
      {"the SMLP of all classes", [](Workbench& w) { EXPECT_TRUE(RunSMLP(w, 1)); }, false, false},
      {"another data set",
       [](Workbench& w) {
         w.Features.push_back(w.Features.back());
         ++w.NumOfFeatures;
       },
       true, false},
      {"a fourth layer", [](Workbench& w) { w.Net.emplace_back(); }, true, false},
      {"an output weight fewer", [](Workbench& w) { w.Net[2][0].Weights.pop_back(); }, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Build(kXY, 2, kByX, 0, 2);
    wb->Form1.CurrentClassBox.SetItemIndex(1);
    c.After(*wb);
    EXPECT_EQ(wb->SingleClassNet, c.Marked);
    EXPECT_EQ(HasSingleClassNetwork(*wb), c.Has);
    EXPECT_EQ(SingleClassShapeHolds(*wb), !c.Marked || std::string(c.Name) == "as built" ||
                                              std::string(c.Name) == "another data set");
  }
}

TEST_F(SingleClassTest, BuildsTheNetworkOfOneClass) {
  wb->Form1.Out2WEdit.SetItemIndex(1);  // "-1"
  Build(kXY, 2, kByX, 0, 3);
  EXPECT_EQ(wb->Layers, (std::vector<int>{5, 3, 1}));
  EXPECT_EQ(Hidden(2), (std::vector<double>{0, 0, 0, 0, 0, 0.5}));
  EXPECT_EQ(wb->Net[2][0].Weights, (std::vector<double>{1, -1, -1, 0.5}));
  EXPECT_EQ(wb->Form1.Label55.Caption(), "Vectors= 4   L0= 5   L1= 3   L2= 2");
}

// A list that holds one value twice (as a hand-made feature list may) makes two inputs of one feature hot
// for a vector: the pass has room for every input, and both count.
TEST_F(SingleClassTest, AValueListedTwiceMakesTwoInputsHot) {
  const std::vector<FeatureDef> numbers = {{"x", {"1", "2", "3"}}, {"y", {"4", "5", "6"}}};
  Build(numbers, 2, {{"1", "4", "0"}, {"2", "5", "1"}, {"3", "6", "1"}}, 0, 1);
  for (TFeature& f : wb->Features) f.Values[2] = f.Values[0];  // x lists 1 twice, y 4
  wb->ActiveInputs.clear();
  wb->ActiveInputs.shrink_to_fit();
  // The first vector makes four inputs hot, 0.8 in all: above the threshold 0.5.
  for (int i : {0, 2, 3, 5}) wb->Net[1][0].Weights[static_cast<std::size_t>(i)] = 0.2;
  EXPECT_EQ(ComputeSMLPError(*wb, 0), 0.0);
  EXPECT_EQ(wb->Net[1][0].Signal, 0.0);  // the last vector (3, 6) lists neither
  EXPECT_EQ(wb->CountTPT, 1);
  EXPECT_EQ(wb->CountNPN, 2);
}

TEST_F(SingleClassTest, ErrorByHand) {
  Build(kXY, 2, kByX, 0, 1);
  wb->VectorWeight = {0.5, 0.5, 1.5, 1.5};
  // Zero weights: nothing fires, the two vectors of class 0 are wrong.
  EXPECT_EQ(ComputeSMLPError(*wb, 0), 2.0);
  EXPECT_EQ(wb->CountTPT, 0);
  EXPECT_EQ(wb->CountTPN, 2);
  EXPECT_EQ(wb->CountNPN, 2);
  EXPECT_EQ(wb->CountNPT, 0);
  EXPECT_DOUBLE_EQ(wb->SuccessRate, 0.5);
  EXPECT_DOUBLE_EQ(wb->WeightedCorrect, 3.0 / 4.0);
  EXPECT_EQ(wb->VectorCorrect, (std::vector<std::uint8_t>{0, 0, 1, 1}));
  EXPECT_EQ(wb->ClassCorrectCount, (std::vector<int>{0, 2}));
  wb->Form1.WeightedErrorBox.SetChecked(true);
  EXPECT_DOUBLE_EQ(ComputeSMLPError(*wb, 0), 1.0);
  wb->Form1.WeightedErrorBox.SetChecked(false);

  // x = a weighted +1: every vector right; a value of no listed input (y = "r" on a wider set) adds nothing.
  wb->Net[1][0].Weights[0] = 1.0;
  EXPECT_EQ(ComputeSMLPError(*wb, 0), 0.0);
  EXPECT_EQ(wb->CountTPT, 2);
  EXPECT_EQ(wb->CountNPN, 2);

  // The crossvalidation entry receives the counts only with both flags set.
  wb->CVIndex = 1;
  for (auto* acc : {&wb->CVCorrect, &wb->CVWeightedCorrect, &wb->CVTruePredT, &wb->CVNegPredN, &wb->CVTruePredN,
                    &wb->CVNegPredT})
    acc->assign(3, 0.0);
  for (auto [cv, testing] : {std::pair{true, false}, std::pair{false, true}, std::pair{true, true}}) {
    wb->InCrossvalidation = cv;
    wb->TestingMode = testing;
    ComputeSMLPError(*wb, 0);
  }
  EXPECT_EQ(wb->CVCorrect, (std::vector<double>{0, 4, 0}));
  EXPECT_EQ(wb->CVWeightedCorrect, (std::vector<double>{0, 4, 0}));
  EXPECT_EQ(wb->CVTruePredT, (std::vector<double>{0, 2, 0}));
  EXPECT_EQ(wb->CVNegPredN, (std::vector<double>{0, 2, 0}));
  EXPECT_EQ(wb->CVTruePredN, (std::vector<double>{0, 0, 0}));
}

TEST_F(SingleClassTest, S1Searches) {
  struct Case {
    const char* Name;
    double HidBias;
    bool OnlyPositive, UpgradeBias;
    const char* Epochs;
    std::vector<std::vector<std::string>> Rows;
    std::vector<double> Expected;  // neuron 0 after S1, threshold last
    double Error;
  };
  const std::vector<std::vector<std::string>> byB = {{"a", "p", "1"}, {"b", "p", "0"}};
  const std::vector<Case> cases = {
      // +1 on x = a reaches 0 and -1 does not beat it; the early stop leaves y as it was.
      {"plus first", 0.5, false, false, "12", kByX, {1, 0, 0, 0, 0, 0.5}, 0.0},
      // Everything fires at -0.5: only -1 on x = a (input 1, the other class) helps.
      {"minus", -0.5, false, false, "12", byB, {0, -1, 0, 0, 0, -0.5}, 0.0},
      {"only positive", -0.5, true, false, "12", byB, {0, 0, 0, 0, 0, -0.5}, 1.0},
      // Upgrade Bias: the threshold ends at the -0.5 of the last trial.
      {"upgrade bias", 0.5, false, true, "12", kByX, {1, 0, 0, 0, 0, -0.5}, 0.0},
      // No trial: a threshold above 1.0 is lowered by 1.0.
      {"upgrade bias lowered", 1.5, false, true, "0", kByX, {0, 0, 0, 0, 0, 0.5}, 2.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    wb->Form1.OnlyPositiveBox.SetChecked(c.OnlyPositive);
    wb->Form1.UpgradeBiasBox.SetChecked(c.UpgradeBias);
    wb->Form1.EpochEditT2.SetText(c.Epochs);
    // "minus": class 0 is x = b, with x listed as b, a so that b is input 0.
    Build(c.Rows == byB ? std::vector<FeatureDef>{{"x", {"b", "a"}}, {"y", {"p", "q", "r"}}} : kXY, 2, c.Rows, 0, 1,
          c.HidBias);
    TrainNeuronS1(*wb, 0);
    EXPECT_EQ(Hidden(0), c.Expected);
    EXPECT_EQ(wb->CurrentError, c.Error);
  }
}

// Class 0 is x = a and y = p: a pair of the two features.
const std::vector<std::vector<std::string>> kPair = {{"a", "p", "0"}, {"a", "q", "1"}, {"b", "p", "1"}, {"b", "r", "1"}};

TEST_F(SingleClassTest, S2FindsThePair) {
  for (int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    Build(kXY, 2, kPair, 0, 1, 1.5);
    wb->PairCandidates.clear();  // grown as needed
    wb->CurrentNeuron = 0;
    TrainNeuronS2(*wb, 0, mode);
    EXPECT_EQ(Hidden(0), (std::vector<double>{1, 0, 1, 0, 0, 1.5}));
    EXPECT_EQ(wb->CurrentError, 0.0);
  }
  // One enabled feature: no pair, no change.
  Build(kXY, 2, kPair, 0, 1, 1.5);
  wb->FeatureMask = {1, 0};
  TrainNeuronS2(*wb, 0, 0);
  EXPECT_EQ(Hidden(0), (std::vector<double>{0, 0, 0, 0, 0, 1.5}));
  // A pair that lowers the error but fails the worth test changes neither the weights nor CurrentError.
  Build(kXY, 2, kPair, 0, 1, 1.5);
  wb->WorthChanging = 2.0;
  TrainNeuronS2(*wb, 0, 1);
  EXPECT_EQ(Hidden(0), (std::vector<double>{0, 0, 0, 0, 0, 1.5}));
  EXPECT_EQ(wb->CurrentError, 1.0);
}

TEST_F(SingleClassTest, PairCandidatesSortByDescendingRate) {
  std::vector<TPairCandidate> c(4);
  const double rates[] = {0.2, 0.9, 0.5, 0.7};
  for (int i = 0; i < 4; ++i) c[i].Rate = rates[i];
  SortPairCandidates(c, 3);  // the fourth is past the count
  EXPECT_EQ(c[0].Rate, 0.9);
  EXPECT_EQ(c[1].Rate, 0.5);
  EXPECT_EQ(c[2].Rate, 0.2);
  EXPECT_EQ(c[3].Rate, 0.7);
}

TEST_F(SingleClassTest, RulesReport) {
  // Three classes declared, none of class 2 present: no "Sensibility: ".
  Build(kXY, 3, kByX, 2, 1, 1.5);
  wb->Net[1][0].Weights[0] = 1.0;
  wb->Net[1][0].Weights[3] = -2.0;
  wb->VectorWeight = {1, 1, 1, 1};
  const fs::path p = dir / "results" / "rules.txt";
  wb->SMLPRulesFile.open(p, std::ios::binary);
  WriteSMLPRules(*wb, 0);
  wb->SMLPRulesFile.close();
  const std::vector<std::string> expected = {"",
                                             "[Rules for Neuron nr 0]",
                                             "bias=1.50",
                                             "x = a           1",
                                             "y <> q           -2",
                                             "",
                                             "class 2 if    ",
                                             "Rules agree with the network on 4 of 4 vectors",
                                             "",
                                             "Standard Accuracy: 1.00000",
                                             "Balanced Accuracy: 1.00000",
                                             "NumOfVectors: 4",
                                             "  OK= 4   Failed= 0",
                                             " t/pt=0  n/pn=4  t/pn=0  n/pt=0",
                                             "Specificity: 1.00000",
                                             "maximized accuracy: standard",
                                             ""};
  EXPECT_EQ(Lines(ReadText(p)), expected);
}


// Three features; class 0 is x = a. Alone, x separates the classes, y = q finds one more vector of class
// 0, z nothing.
const std::vector<FeatureDef> kXYZ = {{"x", {"a", "b"}}, {"y", {"p", "q", "r"}}, {"z", {"u", "v"}}};
const std::vector<std::vector<std::string>> kThree = {
    {"a", "p", "u", "0"}, {"a", "q", "v", "0"}, {"b", "p", "u", "1"}, {"b", "r", "v", "1"}};

TEST_F(SingleClassTest, FeatureExpansionRanksThenAdds) {
  // "Features to add" 2 with "Add 1 Hidden per Time": the ranking only, and the two best features' flags.
  wb->Form1.RankingEdit.SetText("2");
  wb->Form1.Add1Box.SetChecked(true);
  Build(kXYZ, 2, kThree, 0, 1);
  SMLPFeatureExpansion(*wb, 1);
  EXPECT_EQ(wb->FeatureMask, (std::vector<int>{1, 1, 0}));
  EXPECT_EQ(wb->WorthChanging, 1.0);
  EXPECT_EQ(Hidden(0), (std::vector<double>{0, 0, 0, 0, 0, 0, 0, 0.5}));
  const fs::path fere = dir / "results" / (fs::path(wb->ResultsPrefix).filename().string() + "_FERE.txt");
  ASSERT_EQ(plat.EditorRequests.size(), 1u);
  EXPECT_EQ(fs::path(plat.EditorRequests[0]), fere);
  const std::vector<std::string> lines = Lines(ReadText(fere));
  const std::vector<std::string> ranking = {std::string(34, 'S'), "x 100.00%", "y 75.00%", "z 50.00%",
                                            std::string(34, 'S')};
  ASSERT_GE(lines.size(), ranking.size());
  EXPECT_EQ(std::vector<std::string>(lines.end() - 5, lines.end()), ranking);

  // All features added, each by the new-weights search: x = a first, which already separates the classes.
  wb->Form1.RankingEdit.SetText("");
  wb->Form1.Add1Box.SetChecked(false);
  Build(kXYZ, 2, kThree, 0, 1);
  SMLPFeatureExpansion(*wb, 1);
  EXPECT_EQ(wb->FeatureMask, (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(Hidden(0), (std::vector<double>{1, 0, 0, 0, 0, 0, 0, 0.5}));
  const std::string text = ReadText(fere);
  EXPECT_NE(text.find("*******************0*********************\n\n[Rules for Neuron nr 0]\nbias=0.50\nx = a           1\n"),
            std::string::npos);
  EXPECT_NE(text.find("*******************2*********************"), std::string::npos);

  // "Add 1 Hidden per Time" with every feature: each added feature is trained and reported in "_RE.txt";
  // x = a covers the class at once, so no vector is removed.
  wb->Form1.Add1Box.SetChecked(true);
  plat.EditorRequests.clear();
  Build(kXYZ, 2, kThree, 0, 1);
  SMLPFeatureExpansion(*wb, 1);
  EXPECT_EQ(wb->NumOfVectors, 4);
  ASSERT_EQ(plat.EditorRequests.size(), 4u);
  EXPECT_EQ(fs::path(plat.EditorRequests[0]), fs::path(wb->ResultsPrefix + "_RE.txt"));
  EXPECT_NE(ReadText(plat.EditorRequests[0]).find("[Rules for Neuron nr 0]\nbias=0.50\nx = a           1\n"),
            std::string::npos);
}

TEST_F(SingleClassTest, FeatureRanksSortDescending) {
  std::vector<TFeatureRank> t = {{0, 0.2}, {1, 0.9}, {2, 0.5}, {3, 0.7}};
  SortFeatureRankTable(t);
  std::vector<int> order;
  for (const TFeatureRank& r : t) order.push_back(r.Feature);
  EXPECT_EQ(order, (std::vector<int>{1, 3, 2, 0}));
}

TEST_F(SingleClassTest, NewWeightsSearchTriesOnlyTheNewFeature) {
  wb->Form1.EpochEditT2.SetText("1");
  Build(kXY, 2, kByX, 0, 1);
  wb->FeatureMask = {1, 0};
  wb->Net[1][0].Weights[4] = 1.0;  // y = r, a masked feature: held at 0 once the search reaches it
  SMLPTrainNewWeights(*wb, 0);
  // x = a +1 (error 3 -> 1), then x = b -1, which also silences y = r (error 0); y = r then cleared.
  EXPECT_EQ(Hidden(0), (std::vector<double>{1, -1, 0, 0, 0, 0.5}));
  EXPECT_EQ(wb->CurrentError, 0.0);
  EXPECT_EQ(wb->OptMet, 1);
  EXPECT_EQ(wb->ParamText[7], "SLMP-1ch ");
  EXPECT_EQ(wb->ParamText[4], "Start Error = 3   End Error = 0.0000");
  EXPECT_EQ(wb->StepErrorHistory, (std::vector<double>{0, 0}));
  EXPECT_EQ(ReadText(wb->ResultsPrefix + "_WC.txt"),
            "Error: 1    SuccessRt: 0.75    N.W: 0.0\nError: 0    SuccessRt: 1    N.W: 0.1\n");
}

TEST_F(SingleClassTest, RulesReportOfASingleClassNetwork) {
  Build(kXY, 2, kByX, 0, 1);
  wb->Net[1][0].Weights[0] = 1.0;
  ASSERT_TRUE(WriteRulesReport(*wb, 1));
  const std::string text = ReadText(wb->ResultsPrefix + "_RE.txt");
  EXPECT_NE(text.find("NO recreate network\n\n[Rules for Neuron nr 0]\nbias=0.50\nx = a           1\n"),
            std::string::npos);
  EXPECT_NE(text.find("Standard Accuracy: 1.00000"), std::string::npos);
  EXPECT_EQ(text.find("[Rules]"), std::string::npos);
}

TEST_F(SingleClassTest, ValidationSetThatDoesNotFitIsRefused) {
  Build(kXY, 2, kByX, 0, 1);
  const fs::path other = dir / "DATA" / "other.dat";
  // x has a third value: its inputs are not the network's.
  std::ofstream(other, std::ios::binary) << DiscreteSetText({{"x", {"a", "b", "c"}}, {"y", {"p", "q", "r"}}}, 2, kByX);
  plat.OpenAnswers.push_back(other.string());
  wb->TestingMode = true;
  SMLPValidationReport(*wb);
  wb->TestingMode = false;
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text,
            "The validation set does not fit the trained network: feature 1 (x) is coded otherwise than in the "
            "training set. No report is written.");
  EXPECT_EQ(wb->Features[0].NValues, 2);
  EXPECT_TRUE(HasSingleClassNetwork(*wb));
  EXPECT_TRUE(plat.EditorRequests.empty());
}

// A single-class run says what ran and on how many vectors, whatever the fields showed before: the
// vector count and the method label of each training choice, for "SMLP Training" and for "Continue".
TEST_F(SingleClassTest, ARunShowsItsVectorsAndItsMethod) {
  const fs::path set = dir / "DATA" / "set.dat";
  std::ofstream(set, std::ios::binary) << DiscreteSetText(kXY, 2, kByX);
  TForm1& f = wb->Form1;
  f.EpochEditT2.SetText("1");
  f.CurrentClassBox.SetItemIndex(1);
  const struct {
    RadioButton* Method;
    const char* Label;
  } cases[] = {{&f.S1SMLPButton, "SMLP - 1 change"}, {&f.S2SMLPButton, "SMLP - 2 changes"},
               {&f.GASMLPButton, "SMLP - S1+S2"}};
  for (const auto& c : cases) {
    c.Method->SetChecked(true);
    for (const bool resumed : {false, true}) {
      f.ENVEdit.SetText("99");
      f.Label19.SetCaption("Numerical Gradient");
      if (resumed) {
        f.CurrentNeuronBox.SetText("0");
        SMLPContinue(*wb);
      } else {
        plat.OpenAnswers.push_back(set.string());
        ASSERT_TRUE(SMLPTraining(*wb, 0)) << c.Label;
      }
      EXPECT_TRUE(plat.Messages.empty()) << c.Label << (plat.Messages.empty() ? "" : ": " + plat.Messages[0].Text);
      EXPECT_EQ(f.ENVEdit.Text(), "4") << c.Label << (resumed ? " (Continue)" : "");
      EXPECT_EQ(f.Label19.Caption(), c.Label) << (resumed ? "Continue" : "SMLP Training");
    }
  }
}

TEST(CutPointShiftTest, PositionsAroundTheFirstCutPoint) {
  const std::vector<double> coarse = CutPointShiftPositions(2.0, false);
  ASSERT_EQ(coarse.size(), 11u);
  for (int i = 0; i < 11; ++i) EXPECT_NEAR(coarse[i], 1.70 + 0.06 * i, 1e-12);
  const std::vector<double> fine = CutPointShiftPositions(2.12, true);
  ASSERT_EQ(fine.size(), 9u);
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(fine[i], 2.12 * (0.976 + 0.006 * i), 1e-12);
}

}  // namespace
}  // namespace wl

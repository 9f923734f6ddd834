// The interval networks: the L-unit input layer, the L-net of equal-width intervals with its training and
// bound shifts, the discrete numerical gradient, and the VSS perceptron turned into a single-class SMLP.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "smlp/lnet.h"
#include "smlp/lnum_grad.h"
#include "smlp/lunit_net.h"
#include "smlp/smlp_network.h"
#include "smlp/vss_smlp.h"
#include "support/test_support.h"

namespace wl {
namespace {

using test::Lines;
using test::ReadText;

class IntervalNetworksTest : public test::ProgramDirTest {
 protected:
  void SetUp() override { MakeProgramDir("wl_interval_", {"results"}); }

  // Continuous features (named f0, f1, ...) with the given rows and classes.
  void SetData(const std::vector<std::vector<double>>& rows, const std::vector<int>& classes, int numClasses) {
    test::SetContinuousRows(*wb, rows);
    for (std::size_t f = 0; f < wb->Features.size(); ++f) {
      wb->Features[f].Kind = 'c';
      wb->Features[f].Name = "f" + std::to_string(f);
    }
    wb->VectorClass = classes;
    wb->NumOfClasses = numClasses;
    wb->HidPerOut.assign(static_cast<std::size_t>(numClasses), 1);
    wb->ErrorExponent = 2.0;
    wb->Slope = 0.0;
    wb->HidBias = 0.5;
    wb->OutBias = 0.5;
    wb->WorthChanging = 0.0;
    wb->ResultsPrefix = (dir / "results" / "set").string();
  }

  void OpenLog() {
    wb->LogFileName = (dir / "results" / "log.txt").string();
    wb->LogFile.open(wb->LogFileName, std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(wb->LogFile.is_open());
  }
  std::vector<std::string> CloseLog() {
    wb->LogFile.close();
    return Lines(ReadText(wb->LogFileName));
  }

  double Bound(const std::vector<TNeuron>& units, std::size_t k) { return units[k].Weights[0]; }
};

// ---- L-units

// Feature 0 has three runs starting at 1, 2 and 3; feature 1 one run; feature 2 was eliminated ("n/a").
TEST_F(IntervalNetworksTest, LUnitsAnswerStrictlyInsideTheirRuns) {
  SetData({{0, 0, 0}}, {0}, 2);
  wb->Features[2].Name = "n/a";
  wb->CutPoints = {{0, 1, 2, 3}, {0, 5}, {0, -1}};
  wb->NumCutPoints = {3, 1, 1};
  // A kind and a depth left by another network do not stay.
  wb->NetType = 5;
  wb->NumOfLayers = 4;
  InitLUnitNet(*wb, 1);
  EXPECT_EQ(wb->Layers, (std::vector<int>{5, 6, 2}));
  EXPECT_EQ(wb->NetType, 3);
  EXPECT_EQ(wb->NumOfLayers, 3);
  EXPECT_EQ(wb->FeatureValueCount, (std::vector<int>{3, 1, 1}));
  const std::vector<double> lower = {-10000, 2, 3, -10000, -10000}, upper = {2, 3, 10000, 10000, 10000};
  for (std::size_t k = 0; k < 5; ++k) {
    EXPECT_EQ(Bound(wb->LUnitN1, k), lower[k]) << k;
    EXPECT_EQ(Bound(wb->LUnitN2, k), upper[k]) << k;
  }
  for (const TNeuron& n : wb->Net[2]) EXPECT_EQ(n.Weights, (std::vector<double>{1, -1, 1, 0.5}));

  struct Case {
    double X0, X1;
    std::vector<double> Units;
  };
  const Case cases[] = {
      {2.0, 0.0, {0, 0, 0, 1, 0}},        // on a bound: neither neighbour
      {2.5, 0.0, {0, 1, 0, 1, 0}},        // inside the second run
      {-9999.5, -9999.5, {1, 0, 0, 1, 0}},  // the single run spans (-10000, 10000)
      {-10000.0, 10000.0, {0, 0, 0, 0, 0}},  // the outer limits belong to no unit
      {9999.0, 3.0, {0, 0, 1, 1, 0}},
  };
  for (const Case& c : cases) {
    wb->Data[0] = {c.X0, c.X1, 0.5};
    ForwardLUnitNet(*wb, 0, 1);
    for (std::size_t k = 0; k < 5; ++k) EXPECT_EQ(wb->LUnitN3[k].Signal, c.Units[k]) << c.X0 << " unit " << k;
  }
}

// Class 0's first hidden neuron reads the second run; with one hidden neuron per class each output reads
// its first neuron only, and the evaluation takes the L-unit pass.
TEST_F(IntervalNetworksTest, LUnitNetworkIsEvaluatedByItsOwnPass) {
  SetData({{2.5}, {1.5}, {3.5}}, {0, 1, 1}, 2);
  wb->CutPoints = {{0, 1, 2, 3}};
  wb->NumCutPoints = {3};
  InitLUnitNet(*wb, 1);
  wb->Net[1][0].Weights[1] = 1.0;   // class 0, term 0: the run (2, 3)
  wb->Net[1][1].Weights[0] = 1.0;   // class 1, term 0: the run (-10000, 2)
  wb->Net[1][1].Weights[2] = 1.0;   // ... or (3, 10000)
  wb->Net[1][3].Weights[0] = 5.0;   // class 1, term 1: not read with one neuron per class
  EvaluateNetwork(*wb);
  EXPECT_EQ(wb->SuccessRate, 1.0);
  ForwardLUnitNet(*wb, 0, 1);
  EXPECT_EQ(wb->Net[2][0].Signal, 1.0);
  EXPECT_EQ(wb->Net[2][1].Signal, 0.0);

  // More than three hidden neurons per class is refused.
  wb->HidPerOut = {4, 4};
  EXPECT_NE(LUnitRefusal(*wb).find("at most 3 hidden neurons per class"), std::string::npos);
  EXPECT_THROW(EvaluateNetwork(*wb), WlError);
  wb->HidPerOut = {3, 3};
  EXPECT_EQ(LUnitRefusal(*wb), "");
}

// ---- L-net

TEST_F(IntervalNetworksTest, EqualWidthIntervalsSplitTheRangeFromTheFirstVector) {
  // Values far below -100000: the range comes from the vectors themselves.
  SetData({{-200000.0, 1.0}, {-100000.0, 3.0}, {-150000.0, 2.0}}, {0, 1, 0}, 2);
  wb->Features[1].Kind = 'd';
  wb->Features[1].NValues = 3;
  wb->Features[1].Values = {1, 2, 3};
  OpenLog();
  SetupLNetIntervals(*wb, 1);
  BuildLNet(*wb, 1);
  EXPECT_EQ(wb->FeatureValueCount, (std::vector<int>{2, 3}));
  EXPECT_EQ(wb->Layers, (std::vector<int>{5, 2, 2}));
  EXPECT_EQ(wb->LUnitsMode, 7);
  EXPECT_EQ(Bound(wb->LNet1[0], 0), -200000.0);
  EXPECT_EQ(Bound(wb->LNet2[0], 0), -150000.0);
  EXPECT_EQ(Bound(wb->LNet1[0], 1), -150000.0);
  EXPECT_EQ(Bound(wb->LNet2[0], 1), -100000.0);
  const auto log = CloseLog();
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ(log[0], "LN1[0,0].weight[0]= -200000.000");
  EXPECT_EQ(log[3], "LN2[0,1].weight[0]= -100000.000");
  EXPECT_EQ(log[4], "");

  // A value on the middle bound lies in neither interval; a discrete value is one-hot.
  LNetForward(*wb, 2);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(wb->Net[0][i].Signal, i == 3 ? 1.0 : 0.0) << i;
}

// Every output sits at its threshold (0.5): |0.5 - t|^1.5 for each output, no power of a negative base.
TEST_F(IntervalNetworksTest, LNetErrorWithAFractionalExponent) {
  SetData({{0.0}, {1.0}, {0.5}}, {0, 1, 1}, 2);
  OpenLog();
  SetupLNetIntervals(*wb, 1);
  wb->HidBias = 0.0;
  BuildLNet(*wb, 1);
  wb->ErrorExponent = 1.5;
  const double before = wb->ErrorEvaluations;
  EXPECT_DOUBLE_EQ(LNetError(*wb), 6 * std::pow(0.5, 1.5));
  EXPECT_EQ(wb->ErrorEvaluations, before + 1);
  EXPECT_DOUBLE_EQ(wb->SuccessRate, 1.0 / 3.0);  // equal outputs: the first class is named
}

// One boundary (interval 1's lower bound 0.15) of a range 0 .. 0.3 whose vectors lie on its ends, in
// no interval, so that no shift changes the error: the trials outside the range are skipped, and the
// old bound comes back with the 0.001 gap below it.
TEST_F(IntervalNetworksTest, BoundShiftSkipsOutsideTheRangeAndKeepsTheOldBound) {
  SetData({{0.0}, {0.3}, {0.0}, {0.3}}, {0, 1, 0, 1}, 2);
  wb->Form1.EpochEditT2.SetText("1");
  OpenLog();
  SetupLNetIntervals(*wb, 1);
  BuildLNet(*wb, 1);
  ASSERT_DOUBLE_EQ(Bound(wb->LNet1[0], 1), 0.15);
  wb->ErrorEvaluations = 0;
  ShiftLIntervalBounds(*wb, 1);
  // 1 + 3 trials of (training: 1 + 2 neurons x 2 inputs x 2; then 1): 0.05, 0.15 and 0.25 only.
  EXPECT_EQ(wb->ErrorEvaluations, 1 + 3 * (1 + 8 + 1));
  EXPECT_DOUBLE_EQ(Bound(wb->LNet1[0], 1), 0.15);
  EXPECT_DOUBLE_EQ(Bound(wb->LNet2[0], 0), 0.15 - 0.001);
  CloseLog();
}

// One change learns the intervals of the classes; the rules name them.
TEST_F(IntervalNetworksTest, OneChangeTrainingAndRules) {
  SetData({{0.0}, {0.2}, {0.3}, {0.7}, {0.8}, {1.0}}, {0, 0, 0, 1, 1, 1}, 2);
  wb->Form1.EpochEditT2.SetText("2");
  OpenLog();
  SetupLNetIntervals(*wb, 1);
  BuildLNet(*wb, 1);
  TrainLNetOneChange(*wb, 1);
  EXPECT_EQ(wb->OptMet, 1);
  EXPECT_EQ(wb->SuccessRate, 4.0 / 6.0);  // the ends of the range lie in no interval
  WriteLNetRules(*wb, 1);
  const auto log = CloseLog();
  auto has = [&](const std::string& line) { return std::find(log.begin(), log.end(), line) != log.end(); };
  // The ends of the range lie in no interval, so that the rules, like the network, classify them as none.
  EXPECT_TRUE(has("class 0 if    f0=0_0.5")) << ReadText(wb->LogFileName);
  EXPECT_TRUE(has("class 1 if    f0=0.5_1"));
  EXPECT_TRUE(has("Rules agree with the network on 6 of 6 vectors"));
  EXPECT_TRUE(has("1  0  0   1.000"));
  EXPECT_TRUE(has("LN2[0,1].weight[0]= 1.000"));
}

// ---- the discrete numerical gradient

TEST_F(IntervalNetworksTest, GradientOrderAndFeatureSums) {
  std::vector<TGradRecord> records = {
      {0.1, 0, 0, 1, 0}, {-0.3, 0, 1, 0, 0}, {0.0, 0, 2, 0, 0}, {0.3, 0, 3, 2, 0}, {-0.2, 0, 4, -1, 0}};
  std::vector<TFeatureGradient> features;
  SortGradient(records, features, 4);
  std::vector<double> gains;
  for (const TGradRecord& r : records) gains.push_back(r.Gain);
  EXPECT_EQ(gains, (std::vector<double>{0.3, -0.3, -0.2, 0.1, 0.0}));
  // Feature 3 has no gain and still names itself; the threshold's record (-1) counts for no feature.
  ASSERT_EQ(features.size(), 4u);
  EXPECT_EQ(features[0].Feature, 0);
  EXPECT_EQ(features[1].Feature, 2);
  EXPECT_EQ(features[2].Feature, 1);
  EXPECT_EQ(features[3].Feature, 3);
  EXPECT_DOUBLE_EQ(features[0].Sum, 0.3);
  EXPECT_DOUBLE_EQ(features[3].Sum, 0.0);
}

class GradientStepsTest : public IntervalNetworksTest {
 protected:
  // An L-net of one feature, two classes, one interval each: 2 hidden neurons of 3 weights.
  void SetUp() override {
    IntervalNetworksTest::SetUp();
    SetData({{0.0}, {0.4}, {0.6}, {1.0}}, {0, 0, 1, 1}, 2);
    OpenLog();
    SetupLNetIntervals(*wb, 1);
    BuildLNet(*wb, 1);
  }
  std::vector<std::string> StepTags() {
    std::vector<std::string> tags;
    for (const std::string& line : CloseLog())
      if (line.size() >= 2 && line[1] == '=' && std::string("ijkl").find(line[0]) != std::string::npos)
        tags.push_back(line);
    return tags;
  }
};

TEST_F(GradientStepsTest, NoGainTakesNoStep) {
  wb->LGradient.assign(6, TGradRecord{});
  wb->FeatureGradient = {{0.0, 0}};
  const auto weights = wb->Net[1][0].Weights;
  for (bool sortAll : {true, false}) {
    wb->Form1.SA.SetChecked(sortAll);
    wb->Form1.SF1.SetChecked(!sortAll);
    StepAlongGradient(*wb, 7);
    StepAlongGradient4(*wb, 7);
  }
  EXPECT_TRUE(StepTags().empty());
  EXPECT_EQ(wb->Net[1][0].Weights, weights);
}

TEST_F(GradientStepsTest, NestedStepsVisitEveryOrderAndEndAtZero) {
  wb->Form1.SA.SetChecked(true);
  wb->LGradient = {{0.3, 0, 0, 0, 0}, {-0.2, 1, 1, 0, 0}, {0.1, 0, 1, 0, 0}, {0.0, 1, 0, 0, 0}};
  wb->Net[1][0].Weights[0] = 0.0;
  StepAlongGradient4(*wb, 7);
  const std::vector<std::string> expected = {"i=0", "j=1", "k=2", "j=2", "k=1", "i=1", "j=0", "k=2",
                                             "j=2", "k=0", "i=2", "j=0", "k=1", "j=1", "k=0"};
  EXPECT_EQ(StepTags(), expected);
  EXPECT_EQ(wb->Net[1][0].Weights[0], 0.0);
  EXPECT_EQ(wb->Net[1][1].Weights[1], 0.0);
  EXPECT_EQ(wb->Net[1][0].Weights[1], 0.0);
}

// The gradient of the untrained net: a +1 step on each class's interval lowers the error; measuring
// leaves the weights as they were. "Sort within Feature" then sets them, the threshold staying out.
TEST_F(GradientStepsTest, GradientIsMeasuredThenFollowed) {
  const auto w0 = wb->Net[1][0].Weights, w1 = wb->Net[1][1].Weights;
  NumericalGradientL(*wb, 7);
  EXPECT_EQ(wb->Net[1][0].Weights, w0);
  EXPECT_EQ(wb->Net[1][1].Weights, w1);
  ASSERT_EQ(wb->LGradient.size(), 6u);
  EXPECT_GT(wb->LGradient[0].Gain, 0.0);  // class 0, interval 0
  EXPECT_GT(wb->LGradient[4].Gain, 0.0);  // class 1, interval 1
  EXPECT_EQ(wb->LGradient[2].Feature, -1);
  EXPECT_NEAR(wb->NormV * wb->NormV, wb->GradSumSq, 1e-12);
  SortGradient(wb->LGradient, wb->FeatureGradient, wb->NumOfFeatures);
  StepAlongGradient(*wb, 7);
  EXPECT_EQ(wb->Net[1][0].Weights[0], 1.0);
  EXPECT_EQ(wb->Net[1][1].Weights[1], 1.0);
  EXPECT_EQ(wb->Net[1][0].Weights[2], 0.5);  // thresholds are not stepped within a feature
  EXPECT_EQ(StepTags().size(), 2u);
}

// ---- VSS + SMLP

TEST_F(IntervalNetworksTest, PerceptronWeightsRoundToSteps) {
  struct Case {
    double W, Weight, Threshold;
  };
  const Case cases[] = {
      {0.5, 0.0, 0.5}, {0.5001, 1.0, 0.5}, {-0.5, 0.0, 0.5}, {-0.5001, -1.0, 0.5},
      {1.0, 1.0, 1.5}, {1.999, 1.0, 1.5},  {2.0, 1.0, 2.5},  {-3.0, -1.0, 0.5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VSSSMLPWeight(c.W, 1.0), c.Weight) << c.W;
    EXPECT_EQ(VSSSMLPThreshold(c.W, 1.0), c.Threshold) << c.W;
  }
  EXPECT_EQ(VSSSMLPWeight(0.9, 2.0), 0.0);
  EXPECT_EQ(VSSSMLPThreshold(3.9, 2.0), 1.5);
}

TEST_F(IntervalNetworksTest, JoinWFillsInnerValuesBetweenEqualSigns) {
  const std::vector<std::pair<std::vector<double>, std::vector<double>>> cases = {
      {{-1, 0, -1}, {-1, -1, -1}},
      {{-1, 0, 1}, {-1, 0, 1}},
      {{1, 0, 1, 0, 1}, {1, 1, 1, 1, 1}},
      {{-1, 0, 0, -1}, {-1, 0, 0, -1}},  // the copy is read: no spreading within a call
      {{0.5, 1, 0.5}, {0.5, 1, 0.5}},
  };
  for (const auto& [in, out] : cases) {
    std::vector<double> w = in;
    SignFeatureWeights(w);
    EXPECT_EQ(w, out);
  }
  // Feature by feature: the last value of one feature and the first of the next are not neighbours.
  SetData({{0, 0}}, {0}, 2);
  for (TFeature& f : wb->Features) {
    f.Kind = 'd';
    f.NValues = 2;
  }
  test::SetNetwork(*wb, {4, 1, 1}, {{{-1, 0, -1, 0, 0.5}}, {{1, 0.5}}});
  SignFirstLayerWeights(*wb);
  EXPECT_EQ(wb->Net[1][0].Weights, (std::vector<double>{-1, 0, -1, 0, 0.5}));
}

TEST_F(IntervalNetworksTest, ConversionRefusesWhatItCannotRead) {
  SetData({{0, 0}}, {0}, 2);
  wb->Form1.CurrentClassBox.SetItemIndex(0);
  EXPECT_NE(VSSSMLPRefusal(*wb).find("choose a class"), std::string::npos);
  wb->Form1.CurrentClassBox.SetItemIndex(1);
  test::SetNetwork(*wb, {2, 1, 2}, {{{1, 1, 0.5}}, {{1, 0.5}, {1, 0.5}}});
  // Continuous inputs are not the SMLP's one-hot inputs.
  EXPECT_NE(VSSSMLPRefusal(*wb).find("three-layer perceptron"), std::string::npos);
  for (TFeature& f : wb->Features) {
    f.Kind = 'd';
    f.NValues = 2;
  }
  EXPECT_NE(VSSSMLPRefusal(*wb).find("three-layer perceptron"), std::string::npos);  // 2 inputs, not 4
  test::SetNetwork(*wb, {4, 1, 2}, {{{1, 1, 0, 0, 0.5}}, {{1, 0.5}, {1, 0.5}}});
  EXPECT_EQ(VSSSMLPRefusal(*wb), "");
  wb->NetKind = 1;
  EXPECT_NE(VSSSMLPRefusal(*wb), "");
}

}  // namespace
}  // namespace wl

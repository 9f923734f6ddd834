// Numerical-gradient training: the probing rules against probes made by hand, the reshaping of the
// direction, the three step rules (the grid's points, its edge cases and its file), the drivers' h
// schedule, stop rule, records and end steps, the rerun from restored weights, and the NG beam.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "model/create_network.h"
#include "model/data_file.h"
#include "model/error_functions.h"
#include "model/layer_transfer.h"
#include "model/read_parameters.h"
#include "model/signal_table.h"
#include "model/weights_file.h"
#include "state/workbench.h"
#include "platform/numfmt.h"
#include "support/test_support.h"
#include "training/ng_beam.h"
#include "training/ng_direction.h"
#include "training/ng_steps.h"
#include "training/ng_train.h"
#include "training/ng_weights.h"
#include "training/prepare_run.h"

namespace wl {
namespace {

using test::Lines;
using test::ReadText;

std::vector<double> Flat(const Workbench& wb) {
  std::vector<double> w;
  for (std::size_t l = 1; l < wb.Net.size(); ++l)
    for (const TNeuron& n : wb.Net[l]) w.insert(w.end(), n.Weights.begin(), n.Weights.end());
  return w;
}

void SetFlat(Workbench& wb, const std::vector<double>& w) {
  std::size_t i = 0;
  for (std::size_t l = 1; l < wb.Net.size(); ++l)
    for (TNeuron& n : wb.Net[l])
      for (double& x : n.Weights) x = w[i++];
}

std::vector<double> Direction(const Workbench& wb) {
  const auto row = wb.SearchDirection.Row(0);
  return {row.begin(), row.end()};
}

class NGTest : public test::ProgramDirTest {
 protected:
  void SetUp() override { MakeProgramDir("wl_ng_", {"results", "PCA"}); }

  // XOR from the shipped sample and a 2-2-2 network on linear inputs from a fixed seed; the parameters read.
  void Xor(std::uint32_t seed = 12345) {
    ReadDataFile(*wb, std::string(WL_SOURCE_DIR) + "/DATA/xor.dat");
    wb->ResultsPrefix = dir.string() + "/results/xor_100";
    wb->Form1.HiddenEditT2.SetText("2");
    wb->Rng.Seed = seed;
    ASSERT_EQ(CreateNetwork(*wb, 4), NetworkBuilt);
    ASSERT_FALSE(ReadParameters(*wb));
  }

  // The arrays of a run sized (as InitNG does) without starting one.
  void SizeArrays() {
    const WeightShape s = NGShape(*wb);
    for (auto* r : {&wb->SearchDirection, &wb->PrevStep, &wb->PrevDirection, &wb->SideError}) SizeLike(*r, s);
  }

  // The reshaping reduced to the normalisation: no hidden-layer factor, no shaping.
  void PlainDirection() {
    wb->Form1.HnoneButton.SetChecked(true);
    wb->Form1.AdEButton.SetChecked(true);
    wb->Form1.LOBox.SetChecked(false);
  }

  // Each weight probed by hand at w0 ± d with error routine err; rule(e0, e+, e-) gives its component.
  template <class Err, class Rule>
  std::vector<double> ByHand(double d, Err err, Rule rule) {
    std::vector<double> w = Flat(*wb), v;
    const double e0 = err();
    for (std::size_t i = 0; i < w.size(); ++i) {
      std::vector<double> p = w;
      p[i] = w[i] + d;
      SetFlat(*wb, p);
      const double plus = err();
      p[i] = w[i] - d;
      SetFlat(*wb, p);
      const double minus = err();
      v.push_back(rule(e0, plus, minus));
    }
    SetFlat(*wb, w);
    return v;
  }

  static std::vector<double> Normalised(std::vector<double> v) {
    double s = 0.0;
    for (double x : v) s += x * x;
    for (double& x : v) x /= std::sqrt(s);
    return v;
  }
};

// ---- the arithmetic of the rules ----

TEST(NGRuleArithmetic, ComponentsByHand) {
  // The full two-side relative rule: the lower improving side wins; on equal probes the plus side.
  EXPECT_NEAR(RelativeComponent(1.0, 0.9, 0.8), -0.2, 1e-15);
  EXPECT_NEAR(RelativeComponent(1.0, 0.9, 0.9), 0.1, 1e-15);
  EXPECT_EQ(RelativeComponent(1.0, 1.1, 1.0), 0.0);  // neither side improves
  // The power rule, and its signs only when V_exp = 0.
  EXPECT_NEAR(PowerComponent(1.0, 0.75, 0.9, 30, 2), 30 * 0.0625, 1e-12);
  EXPECT_NEAR(PowerComponent(1.0, 0.9, 0.75, 30, 1), -7.5, 1e-12);
  EXPECT_EQ(PowerComponent(1.0, 0.9, 0.95, 30, 0), 1.0);
  EXPECT_EQ(PowerComponent(1.0, 1.2, 1.3, 30, 1), 0.0);
  // Central differences: a symmetric valley gives 0 whatever the curvature; a flat or concave section
  // takes the curvature floor 1e-6.
  EXPECT_EQ(CentralComponent(1.0, 1.5, 1.5, 1.0), 0.0);
  EXPECT_EQ(CentralComponent(1.0, 0.8, 0.8, 1.0), 0.0);
  EXPECT_NEAR(CentralComponent(1.0, 1.1, 1.3, 1.0), 0.2 / 0.2, 1e-9);
  EXPECT_NEAR(CentralComponent(1.0, 0.9, 1.1, 1.0), 0.2 / 1e-6, 1e-3);
}

TEST(NGRuleArithmetic, ThreeQuartersShapingWithUnitDeviation) {
  const std::tuple<double, double> cases[] = {{2.0, 0.5}, {4.0, 0.05}, {-2.0, -0.5}, {-4.0, -0.05},
                                              {0.5, 0.5}, {-1.0, -1.0}, {1.0, 1.0}};
  for (const auto& [v, shaped] : cases) EXPECT_DOUBLE_EQ(ShapeThreeQuarters(v, 1.0), shaped) << v;
  double m = 0, sd = 0;
  const double v[] = {1.0, 3.0};
  MeanAndDeviation(v, m, sd);
  EXPECT_EQ(m, 2.0);
  EXPECT_EQ(sd, 1.0);  // over the count, not count - 1
}

TEST(NGRuleArithmetic, ErrorExponentChangesOnlyToAFinitePositiveExponent) {
  const std::tuple<double, double, double, double> cases[] = {
      {2.0, 0.5, 0.8, 2.0 * std::log(0.5) / std::log(0.8)},  // the error fell: the exponent grows
      {2.0, 0.5, 1.0, 2.0},                                  // ln(E2) = 0
      {2.0, 0.5, 2.0, 2.0},                                  // E1 < 1 < E2: the ratio is negative
      {2.0, 0.8, 0.5, 2.0},                                  // the error rose: no change
      {2.0, 0.0, 0.5, 2.0},                                  // E1 = 0
      {2.0, 3.0, 4.0, 2.0 * std::log(3.0) / std::log(4.0)},
  };
  for (const auto& [p, e1, e2, want] : cases) EXPECT_DOUBLE_EQ(ChangedErrorExponent(p, e1, e2), want) << e1 << " " << e2;
}

// ---- the probing rules on a tiny network ----

TEST_F(NGTest, RelativeRuleFullVariantIsTheNormalisedHandProbe) {
  Xor();
  wb->Form1.useST.SetChecked(false);
  PlainDirection();
  SizeArrays();
  wb->NGStep = 0.1;
  const std::vector<double> before = Flat(*wb);
  const std::vector<double> raw = ByHand(0.1, [&] { return TrainingSetError(*wb); }, RelativeComponent);
  const std::vector<double> want = Normalised(raw);
  double length = 0.0;
  for (double v : raw) length += v * v;
  length = std::sqrt(length);
  const double e0 = TrainingSetError(*wb);

  EXPECT_DOUBLE_EQ(ProbeWeightsRelative(*wb, 1), e0);
  EXPECT_EQ(Flat(*wb), before);  // the rule leaves the weights where they were
  const std::vector<double> got = Direction(*wb);
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-12) << i;
  EXPECT_NEAR(wb->NormV, length, 1e-12);  // the length before the normalisation
  for (std::size_t l = 1; l < wb->Net.size(); ++l)
    for (const TNeuron& n : wb->Net[l]) EXPECT_EQ(n.OldWeights, n.Weights);
}

TEST_F(NGTest, RelativeRuleThroughTheTableProbesTheSideThePreviousDirectionChose) {
  Xor();
  wb->Form1.useST.SetChecked(true);
  PlainDirection();
  SizeArrays();
  wb->NGStep = 0.1;
  // The previous direction: plus for even components, minus for odd ones.
  auto prev = wb->SearchDirection.Row(0);
  for (std::size_t i = 0; i < prev.size(); ++i) prev[i] = i % 2 == 0 ? 0.5 : -0.5;
  const std::vector<double> w = Flat(*wb);
  const double e0 = ErrorFullPass(*wb);
  std::vector<double> want;
  for (std::size_t i = 0; i < w.size(); ++i) {
    std::vector<double> p = w;
    p[i] = w[i] + (i % 2 == 0 ? 0.1 : -0.1);
    SetFlat(*wb, p);
    const double e = ErrorFullPass(*wb);
    want.push_back(i % 2 == 0 ? (e0 - e) / e0 : -(e0 - e) / e0);
  }
  SetFlat(*wb, w);
  want = Normalised(want);

  EXPECT_NEAR(ProbeWeightsRelative(*wb, 1), e0, 1e-12);
  const std::vector<double> got = Direction(*wb);
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-9) << i;
}

TEST_F(NGTest, CentralDifferencesAreSlopeOverCurvature) {
  Xor();
  wb->Form1.useST.SetChecked(false);
  wb->Form1.SecDevButton.SetChecked(true);
  PlainDirection();
  SizeArrays();
  const std::vector<double> want = Normalised(ByHand(0.05, [&] { return TrainingSetError(*wb); },
                                                     [](double e0, double p, double m) { return CentralComponent(e0, p, m, 1.0); }));
  ProbeWeightsRelative(*wb, 1);
  const std::vector<double> got = Direction(*wb);
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-9) << i;
}

TEST_F(NGTest, PowerRuleProbesByAHundredthAndKeepsTheLength) {
  Xor();
  SizeArrays();
  const std::vector<double> before = Flat(*wb);
  const std::vector<double> want = ByHand(0.01, [&] { return NGRuleError(*wb); }, [&](double e0, double p, double m) {
    return PowerComponent(e0, p, m, wb->V_coef, wb->V_exp);
  });
  EXPECT_FALSE(ProbeWeightsPower(*wb));
  EXPECT_EQ(Flat(*wb), before);
  const std::vector<double> got = Direction(*wb);
  double sum = 0.0;
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_NEAR(got[i], want[i], 1e-9) << i;
    sum += want[i] * want[i];
  }
  EXPECT_NEAR(wb->NormV, std::sqrt(sum), 1e-9);  // not normalised
}

TEST_F(NGTest, NormalisedRuleMovesAndKeepsABetterNetwork) {
  Xor();
  SizeArrays();
  wb->NGStep = 0.05;
  const double e0 = NGRuleError(*wb);
  const std::vector<double> before = Flat(*wb);
  const bool back = ProbeWeightsNormalised(*wb);
  if (back) {
    EXPECT_EQ(Flat(*wb), before);
  } else {
    EXPECT_LT(wb->CurrentError, e0);
    EXPECT_NE(Flat(*wb), before);
  }
  EXPECT_DOUBLE_EQ(wb->CurrentError, NGRuleError(*wb));
  // Every component is 0 or V_coef * a share in (0, 1], with the sign of its better side.
  for (double v : Direction(*wb)) EXPECT_LE(std::fabs(v), wb->V_coef + 1e-9);
}

// A 1-2 network whose outputs are saturated at exactly the targets: the error is 0 and stays 0 for any
// change of the weights below some hundreds.
class SaturatedNet : public NGTest {
 protected:
  void SetUp() override {
    NGTest::SetUp();
    test::SetContinuousRows(*wb, {{1.0}, {-1.0}});
    wb->Features[0].Name = "x";
    wb->VectorClass = {0, 1};
    wb->VectorsPerClass = {1, 1};
    wb->NumOfClasses = 2;
    test::SetNetwork(*wb, {1, 2}, {{{1000.0, 0.0}, {-1000.0, 0.0}}});
    wb->NumOfWeights = 4;
    wb->LinearInputs = true;
    wb->VectorWeight = {1.0, 1.0};
    wb->ResultsPrefix = dir.string() + "/results/sat_100";
    wb->Form1.HiddenEditT2.SetText("0");
    wb->Form1.useST.SetChecked(false);
  }
};

TEST_F(SaturatedNet, NoImprovingProbeSendsTheNormalisedRuleBackToTheOldPoint) {
  ASSERT_FALSE(ReadParameters(*wb));
  SizeArrays();
  wb->NGStep = 0.1;
  ASSERT_EQ(NGRuleError(*wb), 0.0);
  const std::vector<double> before = Flat(*wb);
  EXPECT_TRUE(ProbeWeightsNormalised(*wb));
  EXPECT_EQ(Flat(*wb), before);
  EXPECT_EQ(wb->CurrentError, 0.0);
}

TEST_F(SaturatedNet, ADirectionOfLengthZeroIsReportedAndShortensTheRun) {
  wb->Form1.EpochEditT2.SetText("10");
  wb->Form1.useST.SetChecked(false);
  NGTrain(*wb, 1);
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "Error:  ||V||=0");
  EXPECT_EQ(wb->NumOfEpochs, 1);
}

TEST_F(NGTest, FreezingRuleFreezesFromEpochFourTheWeightsWithoutAComponent) {
  Xor();
  SizeArrays();
  wb->NGStep = 0.1;
  wb->Form1.elimdVEdit.SetText("0.0");
  auto prev = wb->PrevDirection.Row(0);
  const std::size_t n = prev.size();
  for (std::size_t i = 0; i < n; ++i) prev[i] = i % 3 == 0 ? 0.0 : 1.0;

  // Epoch 3: nothing is frozen yet; every weight is probed and its component remembered.
  wb->Epoch = 3;
  const std::vector<double> w = Flat(*wb);
  const std::vector<double> want = ByHand(0.1, [&] { return NGRuleError(*wb); }, [&](double e0, double p, double m) {
    return PowerComponent(e0, p, m, wb->V_coef, wb->V_exp);
  });
  EXPECT_EQ(ProbeWeightsAboveLimit(*wb), 1);
  for (std::size_t i = 0; i < n; ++i) {
    EXPECT_NEAR(Direction(*wb)[i], want[i], 1e-9) << i;
    EXPECT_NEAR(Flat(*wb)[i], w[i] + 0.1 * want[i], 1e-9) << i;  // every weight moved by h V
  }

  // Epoch 4: exactly the weights whose last component was 0 are frozen.
  SetFlat(*wb, w);
  for (std::size_t i = 0; i < n; ++i) prev[i] = i % 3 == 0 ? 0.0 : 1.0;
  wb->Epoch = 4;
  ProbeWeightsAboveLimit(*wb);
  for (std::size_t i = 0; i < n; ++i) {
    if (i % 3 == 0) {
      EXPECT_EQ(Direction(*wb)[i], 0.0) << i;
      EXPECT_EQ(prev[i], 0.0) << i;
      EXPECT_EQ(Flat(*wb)[i], w[i]) << i;
    } else {
      EXPECT_NEAR(Direction(*wb)[i], want[i], 1e-9) << i;
    }
  }
}

TEST_F(NGTest, HiddenLayerFactorAndSignsBeforeTheNormalisation) {
  Xor();
  SizeArrays();
  auto V = wb->SearchDirection.Row(0);
  const WeightShape& s = wb->SearchDirection.Shape();
  // Layer 1 (hidden) 6 components, layer 2 (output) 6.
  for (std::size_t i = 0; i < V.size(); ++i) V[i] = i < s.Offset[1] ? 0.5 : -0.25;
  wb->Form1.HexpButton.SetChecked(true);
  wb->Form1.AdEButton.SetChecked(true);
  ApplyEpochFactorToDirection(*wb, 2);
  const double f = 1.0 + wb->Aepoch * std::exp(-wb->Bepoch * 2);
  const double hidden = 0.5 * f, out = -0.25;
  const double norm = std::sqrt(6 * hidden * hidden + 6 * out * out);
  EXPECT_NEAR(V[0], hidden / norm, 1e-12);
  EXPECT_NEAR(V[s.Offset[1]], out / norm, 1e-12);

  // V_exp = 0: signs only, then unit length.
  for (std::size_t i = 0; i < V.size(); ++i) V[i] = i == 0 ? 0.0 : (i % 2 ? 0.3 : -2.0);
  wb->V_exp = 0.0;
  wb->Form1.HnoneButton.SetChecked(true);
  ApplyEpochFactorToDirection(*wb, 2);
  const double unit = 1.0 / std::sqrt(static_cast<double>(V.size() - 1));
  EXPECT_EQ(V[0], 0.0);
  EXPECT_NEAR(V[1], unit, 1e-12);
  EXPECT_NEAR(V[2], -unit, 1e-12);
}

TEST_F(NGTest, GradientsLogHasOneLineOfComponentsPerDirection) {
  Xor();
  SizeArrays();
  auto V = wb->SearchDirection.Row(0);
  for (std::size_t i = 0; i < V.size(); ++i) V[i] = 1.0;
  PlainDirection();
  wb->Form1.LogGradientBox.SetChecked(true);
  const std::string path = dir.string() + "/g.txt";
  wb->GradientsFile.open(path);
  ApplyEpochFactorToDirection(*wb, 1);
  ApplyEpochFactorToDirection(*wb, 2);
  wb->GradientsFile.close();
  const auto lines = Lines(ReadText(path));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), V.size() * 26);
  EXPECT_EQ(lines[0].substr(0, 26), "   " + FormatReal(V[0]));
}

TEST_F(NGTest, RandomPartOfTheTrainingSet) {
  wb->NumOfVectors = 100;
  wb->NumOfParts = 3;
  plat.ClockMs = 4321;
  RandomBatch(*wb);
  ASSERT_EQ(wb->BatchIndex.size(), 33u);
  for (int v : wb->BatchIndex) EXPECT_TRUE(v >= 0 && v < 100) << v;
  // Drawn from the clock: the same time of day draws the same part.
  const std::vector<int> first = wb->BatchIndex;
  RandomBatch(*wb);
  EXPECT_EQ(wb->BatchIndex, first);
}

// ---- the step rules ----

TEST(NGGrid, PointsPerEpochWithTheDefaultRange) {
  EXPECT_EQ(GridPointCount(-5, 450, 1, 530), 221);
  EXPECT_EQ(GridPointCount(-5, 450, 7, 530), 221);
  EXPECT_EQ(GridPointCount(-5, 450, 8, 530), 177);
  EXPECT_EQ(GridPointCount(-5, 450, 100, 530), 177);
  EXPECT_EQ(GridPointCount(0, 0, 1, 530), 1);
}

TEST_F(NGTest, GridSearchEvaluatesItsPointsAndWritesTheChosenFactor) {
  Xor();
  SizeArrays();
  wb->NGStep = 0.1;
  wb->InitialNumOfVectors = wb->NumOfVectors;
  wb->Form1.useST.SetChecked(false);
  ProbeWeightsRelative(*wb, 1);
  const std::int64_t c0 = wb->SigmoidCount;
  TrainingSetError(*wb);
  const std::int64_t perPass = wb->SigmoidCount - c0;
  const std::string path = dir.string() + "/optH.txt";
  wb->OptHFile.open(path);

  for (int epoch : {1, 8}) {
    wb->Epoch = epoch;
    SaveOldWeights(*wb);
    const std::int64_t before = wb->SigmoidCount;
    const double tb = FindStepLength(*wb, 1);
    EXPECT_EQ((wb->SigmoidCount - before) / perPass, (epoch == 1 ? 221 : 177) + 2) << epoch;
    EXPECT_DOUBLE_EQ(wb->CurrentError, TrainingSetError(*wb));
    EXPECT_GE(tb, -5.0);
    EXPECT_LE(tb, 450.0);
  }
  wb->OptHFile.close();
  const auto lines = Lines(ReadText(path));
  ASSERT_EQ(lines.size(), 2u);
  for (const std::string& l : lines) {
    const std::size_t point = l.find('.');
    ASSERT_NE(point, std::string::npos) << l;
    EXPECT_EQ(l.size() - point - 1, 4u) << l;  // four decimals
  }
  EXPECT_NEAR(StrToFloat(lines[0]) + StrToFloat(lines[1]), wb->StepFactorSum, 1e-3);
}

TEST_F(NGTest, GridOfOnePointWhenTheRangeIsEmpty) {
  Xor();
  SizeArrays();
  wb->NGStep = 0.1;
  wb->fromH = wb->toH = 0.0;
  wb->Epoch = 1;
  ProbeWeightsRelative(*wb, 1);
  const std::vector<double> w0 = Flat(*wb);
  const std::int64_t c0 = wb->SigmoidCount;
  TrainingSetError(*wb);
  const std::int64_t perPass = wb->SigmoidCount - c0;
  const std::int64_t before = wb->SigmoidCount;
  EXPECT_EQ(FindStepLength(*wb, 1), 0.0);
  EXPECT_EQ((wb->SigmoidCount - before) / perPass, 3);
  EXPECT_EQ(Flat(*wb), w0);
}

TEST_F(SaturatedNet, NoBetterPointReturnsToTheSavedWeightsPlusMomentum) {
  ASSERT_FALSE(ReadParameters(*wb));
  SizeArrays();
  wb->InitialNumOfVectors = wb->NumOfVectors;
  wb->NGStep = 0.1;
  wb->Epoch = 1;
  auto V = wb->SearchDirection.Row(0);
  for (std::size_t i = 0; i < V.size(); ++i) V[i] = i % 2 ? 0.5 : -0.5;
  const std::vector<double> w0 = Flat(*wb);
  SaveOldWeights(*wb);
  EXPECT_EQ(FindStepLength(*wb, 1), 0.0);  // every point has the error 0 of the start
  EXPECT_EQ(Flat(*wb), w0);
  for (double p : wb->PrevStep.Row(0)) EXPECT_EQ(p, 0.0);

  // From epoch 2 on the momentum of the previous step is added; set one by hand.
  auto prev = wb->PrevStep.Row(0);
  for (std::size_t i = 0; i < prev.size(); ++i) prev[i] = 1.0 + static_cast<double>(i);
  wb->Momentum = 2.0;
  wb->Form1.M2Edit.SetText("0.1");
  wb->Epoch = 2;
  EXPECT_EQ(FindStepLength(*wb, 1), 0.0);
  const double mu = 2.0 * std::exp(-2 * 0.1);
  const std::vector<double> w = Flat(*wb);
  for (std::size_t i = 0; i < w.size(); ++i) EXPECT_NEAR(w[i], w0[i] + mu * (1.0 + i) * 0.1, 1e-9) << i;
}

TEST_F(NGTest, AcceleratingStepEndsAtTheBestStepTried) {
  Xor();
  SizeArrays();
  wb->NGStep = 0.1;
  wb->Epoch = 1;
  ProbeWeightsRelative(*wb, 1);
  const double e0 = NGRuleError(*wb);
  MoveAlongDirectionEdit(*wb, 1);
  const double e = wb->CurrentError;
  EXPECT_LE(e, e0);
  EXPECT_DOUBLE_EQ(NGRuleError(*wb), e);  // the weights are the network whose error is kept
}

TEST_F(SaturatedNet, AcceleratingStepWithNothingBetterKeepsTheWeightsItWasGiven) {
  ASSERT_FALSE(ReadParameters(*wb));
  SizeArrays();
  wb->NGStep = 0.1;
  auto V = wb->SearchDirection.Row(0);
  for (double& v : V) v = 0.5;
  // The weights on entry differ from the saved ones, as after a rule that moves them.
  SaveOldWeights(*wb);
  wb->Net[1][0].Weights[1] = 0.25;
  const std::vector<double> entry = Flat(*wb);
  MoveAlongDirectionEdit(*wb, 1);
  EXPECT_EQ(wb->CurrentError, 0.0);
  EXPECT_EQ(Flat(*wb), entry);
}

// ---- the drivers ----

TEST_F(NGTest, StepSizeHalvesAfterEveryEpochWithNextStepZero) {
  Xor();
  wb->Form1.EpochEditT2.SetText("100");
  wb->Form1.NextDEdit.SetText("0");
  wb->Form1.NoH.SetChecked(true);
  NGTrain(*wb, 1);
  EXPECT_TRUE(plat.Messages.empty());
  // h = 0.1, 0.05, ..., 0.1 / 2^20: 21 passes of one epoch each, then h falls to 1e-7 or below.
  EXPECT_EQ(wb->NumOfEpochs, 21);
  EXPECT_DOUBLE_EQ(wb->NGStep, 0.1 / std::pow(2.0, 20));
  EXPECT_EQ(wb->Form1.ep.Text(), "21");
}

TEST_F(NGTest, WithNextStepOneAPassGoesOnWhileTheErrorFalls) {
  Xor();
  wb->Form1.EpochEditT2.SetText("30");
  wb->Form1.NextDEdit.SetText("1");
  NGTrain(*wb, 1);
  ASSERT_EQ(wb->NumOfEpochs, 30);
  // The grid search never ends above the error it started from; a pass ends at the first epoch that did
  // not lower the error, so h is halved far fewer times than there are epochs.
  for (int e = 1; e <= 30; ++e) EXPECT_LE(wb->EpochHistory[e].Error, wb->EpochHistory[e - 1].Error + 1e-12) << e;
  EXPECT_GT(wb->NGStep, 0.1 / std::pow(2.0, 29));
  EXPECT_LT(wb->EpochHistory[30].Error, wb->EpochHistory[0].Error);
}

TEST_F(NGTest, RunRecordsEveryEpochAndWritesItsFiles) {
  Xor();
  wb->Form1.EpochEditT2.SetText("6");
  wb->Form1.LogGradientBox.SetChecked(true);
  NGTrain(*wb, 1);
  ASSERT_EQ(wb->NumOfEpochs, 6);
  EXPECT_EQ(wb->MethodTag, "NG");
  EXPECT_EQ(wb->Form1.Label19.Caption(), "Numerical Gradient");
  EXPECT_EQ(wb->ParamText[7], "Numerical gradient");
  for (int e = 1; e <= 6; ++e) {
    const auto row = wb->WeightHistory.Row(static_cast<std::size_t>(e));
    EXPECT_NE(row[0], 0.0) << e;
  }
  const auto last = wb->WeightHistory.Row(6);
  EXPECT_EQ(std::vector<double>(last.begin(), last.end()), Flat(*wb));
  EXPECT_DOUBLE_EQ(wb->EpochHistory[6].Error, TrainingSetError(*wb));
  EXPECT_EQ(Lines(ReadText(wb->ResultsPrefix + "_optH.txt")).size(), 6u);
  EXPECT_EQ(Lines(ReadText(wb->ResultsPrefix + "_nggradients.txt")).size(), 6u);
  EXPECT_TRUE(std::filesystem::exists(wb->ResultsPrefix + "_InitWeights.txt"));
  EXPECT_FALSE(wb->OptHFile.is_open());
  EXPECT_FALSE(wb->GradientsFile.is_open());
  EXPECT_TRUE(wb->ChartDrawn);
}

TEST_F(NGTest, SectionCurvesEveryFewEpochs) {
  Xor();
  wb->Form1.EpochEditT2.SetText("5");
  wb->Form1.NextDEdit.SetText("1");
  wb->Form1.ChartH.SetChecked(true);
  wb->Form1.EachEHBox.SetItemIndex(1);  // each 2: the sections of epochs 1, 3 and 5
  NGTrain(*wb, 1);
  ASSERT_EQ(wb->NumOfEpochs, 5);
  EXPECT_EQ(wb->SectionCurveCount, 3);
  EXPECT_TRUE(wb->NGFFormExists);
  EXPECT_EQ(plat.ShownWindows.back(), "NGF");
}

TEST_F(NGTest, ChartRunRecordsErrorZeroAndTheStopIsStrict) {
  Xor();
  wb->Form1.EpochEditT2.SetText("8");
  wb->Form1.WMepEdit.SetText("12   ");
  wb->Form1.fromEdit.SetText("6    ");
  const std::vector<double> w = Flat(*wb);
  NGTrain(*wb, 33);
  // Error 0 is not below a stop error of 0: every epoch runs, recording error 0 and leaving the weights.
  ASSERT_EQ(wb->NumOfEpochs, 8);
  for (int e = 1; e <= 8; ++e) EXPECT_EQ(wb->EpochHistory[e].Error, 0.0);
  EXPECT_EQ(Flat(*wb), w);
  EXPECT_EQ(wb->Form1.WMepEdit.Text(), "8");
  EXPECT_EQ(wb->Form1.fromEdit.Text(), "4");

  // A 'from WM' at or below NumOfEpochs - 4 stays; a stop error above 0 ends the run after epoch 1.
  wb->Form1.fromEdit.SetText("3    ");
  wb->Form1.StopErrorEdit.SetText("0.5");
  NGTrain(*wb, 33);
  EXPECT_EQ(wb->NumOfEpochs, 1);  // the epoch that reached the stop error is counted
  EXPECT_EQ(wb->Form1.fromEdit.Text(), "0");
  wb->Form1.fromEdit.SetText("3    ");
  wb->Form1.StopErrorEdit.SetText("0.00");
  wb->Form1.EpochEditT2.SetText("12");
  NGTrain(*wb, 33);
  EXPECT_EQ(wb->Form1.fromEdit.Text(), "3    ");
}

TEST_F(NGTest, TheEpochThatReachesTheStopErrorIsCounted) {
  for (const char* stop : {"0.4", "0.9"}) {
    SCOPED_TRACE(stop);
    ReadDataFile(*wb, std::string(WL_SOURCE_DIR) + "/DATA/iris.dat");
    wb->ResultsPrefix = dir.string() + "/results/iris_" + stop;
    wb->Form1.HiddenEditT2.SetText("4");
    wb->Form1.EpochEditT2.SetText("10");
    wb->Form1.StopErrorEdit.SetText(stop);
    wb->Rng.Seed = 12345;
    ASSERT_EQ(CreateNetwork(*wb, 4), NetworkBuilt);
    NGTrain(*wb, 1);
    ASSERT_TRUE(plat.Messages.empty());
    const int n = wb->NumOfEpochs;
    ASSERT_GE(n, 1);
    ASSERT_LT(n, 10);  // stopped early
    // The epochs counted are the epochs done: one step-length line each, the last one's weights in the
    // network, its error recorded and shown.
    EXPECT_EQ(Lines(ReadText(wb->ResultsPrefix + "_optH.txt")).size(), static_cast<std::size_t>(n));
    EXPECT_EQ(wb->Form1.ep.Text(), std::to_string(n));
    const auto row = wb->WeightHistory.Row(static_cast<std::size_t>(n));
    EXPECT_EQ(std::vector<double>(row.begin(), row.end()), Flat(*wb));
    EXPECT_LT(wb->EpochHistory[static_cast<std::size_t>(n)].Error, wb->StopError);
    EXPECT_DOUBLE_EQ(wb->EpochHistory[static_cast<std::size_t>(n)].Error, TrainingSetError(*wb));
    EXPECT_EQ(wb->Form1.ge.Text(), FixedDisplayText(wb->CurrentError, 12, 4) + " / " + wb->ResultText);
  }
}

// A function approximator is trained to its approximation error: the recorded errors are the error of
// the network's outputs against the targets, and they fall.
TEST_F(NGTest, FunctionApproximationIsTrainedToItsOwnError) {
  for (int method : {1, 2, 3, 4}) {
    for (bool table : {false, true}) {
      SCOPED_TRACE("method " + std::to_string(method) + (table ? ", signal table" : ""));
      wb->Form1.FApproxBox.SetChecked(true);
      wb->Form1.useST.SetChecked(table);
      ReadDataFile(*wb, std::string(WL_SOURCE_DIR) + "/DATA/sine.dat");
      wb->ResultsPrefix = dir.string() + "/results/sine_1";
      wb->Form1.HiddenEditT2.SetText("4");
      wb->Form1.EpochEditT2.SetText("8");
      wb->Rng.Seed = 12345;
      ASSERT_EQ(CreateNetwork(*wb, 4), NetworkBuilt);
      ASSERT_FALSE(ReadParameters(*wb));
      const double start = ComputeError(*wb);
      NGTrain(*wb, static_cast<std::uint8_t>(method));
      ASSERT_TRUE(plat.Messages.empty()) << plat.Messages[0].Text;
      const int n = wb->NumOfEpochs;
      ASSERT_GE(n, 1);
      EXPECT_DOUBLE_EQ(wb->EpochHistory[0].Error, start);
      EXPECT_NEAR(wb->EpochHistory[static_cast<std::size_t>(n)].Error, ComputeError(*wb), 1e-9 * start);
      EXPECT_LT(wb->EpochHistory[static_cast<std::size_t>(n)].Error, start);
      EXPECT_EQ(wb->SuccessRate, 0.0);  // no classes
    }
  }
}

TEST_F(NGTest, CondensedRowsOfTheFreezingMethod) {
  Xor();
  wb->Form1.NoH.SetChecked(true);
  wb->NumOfEpochs = 350;
  wb->EpochHistory.assign(351, {});
  wb->WeightHistory.Resize(352, NGShape(*wb));
  SizeArrays();
  wb->NGStep = 0.1;
  // A zero direction: the fixed step puts each weight back to its saved value, which marks the epoch.
  for (int e = 1; e <= 350; ++e) {
    wb->Epoch = e;
    SaveOldWeights(*wb);
    wb->Net[1][0].OldWeights[0] = e;
    NGEpochBookkeeping(*wb, 4);
  }
  for (int row = 1; row <= 350; ++row) {
    const double want = row == 203 ? 300.0 : row;
    EXPECT_EQ(wb->WeightHistory.Row(static_cast<std::size_t>(row))[0], want) << row;
  }
  // Only the condensed rows are the bookkeeping's own to write in EpochHistory.
  EXPECT_GT(wb->EpochHistory[203].Error, 0.0);
  EXPECT_EQ(wb->EpochHistory[202].Error, 0.0);
}

TEST_F(NGTest, RerunStepsFromTheRestoredWeightsAlongTheFirstRunsDirection) {
  Xor();
  wb->Form1.EpochEditT2.SetText("3");
  NGTrain(*wb, 1);
  const std::vector<double> V = Direction(*wb);
  RestoreInitialWeights(*wb);
  const std::vector<double> start = Flat(*wb);
  wb->Form1.EpochEditT2.SetText("1");
  wb->Form1.NoH.SetChecked(true);
  NGTrain(*wb, 101);
  ASSERT_EQ(wb->NumOfEpochs, 1);
  const std::vector<double> w = Flat(*wb);
  // The first pass uses h = NGdelta.
  for (std::size_t i = 0; i < w.size(); ++i) EXPECT_NEAR(w[i], start[i] + 0.1 * V[i], 1e-12) << i;
}

// "V contra dW": the pictures made before the first epoch and shown after the last, every weight scanned
// at the two chosen epochs (its offset of the minimum in VdwData) and plotted after each (the signal-table
// variant plots once more right after its probes); the run goes on.
std::vector<std::pair<char, int>> vdwCalls;
TEST_F(NGTest, VContraDWScansTheChosenEpochsAndTheRunGoesOn) {
  Xor();
  vdwCalls.clear();
  wb->Hooks.DrawESSections = [](Workbench&, int mode) { vdwCalls.emplace_back('S', mode); };
  wb->Hooks.PlotVContraDW = [](Workbench& w, int mode) {
    vdwCalls.emplace_back('P', mode);
    const auto d = w.VdwData.Row(0);
    EXPECT_TRUE(std::any_of(d.begin(), d.end(), [](double x) { return x != 0.0; }));
  };
  wb->Form1.EpochEditT2.SetText("3");
  wb->Form1.VdwBox.SetChecked(true);
  wb->Form1.VdwEdit1.SetText("1");
  wb->Form1.VdwEdit2.SetText("2");
  wb->Form1.useST.SetChecked(true);
  const std::vector<double> before = Flat(*wb);
  NGTrain(*wb, 1);
  EXPECT_TRUE(plat.Messages.empty());
  EXPECT_EQ(wb->NumOfEpochs, 3);
  EXPECT_EQ(vdwCalls, (std::vector<std::pair<char, int>>{{'S', 1}, {'P', 2}, {'P', 2}, {'P', 3}, {'P', 3}, {'S', 2}}));
  // The scans leave every weight where the probes left it: the same run without them ends alike.
  const std::vector<double> with = Flat(*wb);
  SetFlat(*wb, before);
  for (auto* r : {&wb->SearchDirection, &wb->PrevStep, &wb->PrevDirection, &wb->SideError}) r->Resize(0, NGShape(*wb));
  wb->Form1.VdwBox.SetChecked(false);
  NGTrain(*wb, 1);
  const std::vector<double> without = Flat(*wb);
  ASSERT_EQ(with.size(), without.size());
  for (std::size_t i = 0; i < with.size(); ++i) EXPECT_DOUBLE_EQ(with[i], without[i]) << i;

  // The full variant plots once per chosen epoch.
  vdwCalls.clear();
  SetFlat(*wb, before);
  wb->Form1.VdwBox.SetChecked(true);
  wb->Form1.useST.SetChecked(false);
  NGTrain(*wb, 1);
  EXPECT_EQ(vdwCalls, (std::vector<std::pair<char, int>>{{'S', 1}, {'P', 2}, {'P', 3}, {'S', 2}}));
}

TEST_F(NGTest, EveryMethodRunsAndNeverRaisesTheError) {
  for (int method : {1, 2, 3, 4, 10}) {
    Xor();
    wb->Form1.EpochEditT2.SetText("5");
    NGTrain(*wb, static_cast<std::uint8_t>(method));
    EXPECT_TRUE(plat.Messages.empty()) << method;
    EXPECT_GE(wb->NumOfEpochs, 1) << method;
    EXPECT_LE(wb->EpochHistory[wb->NumOfEpochs].Error, wb->EpochHistory[0].Error + 1e-12) << method;
  }
}

TEST_F(NGTest, GlobalToLocalWritesTheWeightsAfterEveryEpoch) {
  Xor();
  wb->Form1.EpochEditT2.SetText("4");
  const double e0 = TrainingSetError(*wb);
  NGTrainGlobalToLocal(*wb, 1);
  EXPECT_DOUBLE_EQ(wb->NGStep, 0.1 * std::pow(0.86, 4));
  EXPECT_LT(TrainingSetError(*wb), e0);
  EXPECT_EQ(ReadText(wb->ResultsPrefix + "_FinalWeights.txt"), WeightsFileText(*wb));
}

TEST_F(NGTest, BeamLogsEveryCandidateAndMovesThem) {
  Xor();
  wb->Form1.EpochEditT2.SetText("3");
  wb->Form1.NGBW.SetText("2  ");
  TrainNGBeam(*wb, 1);
  EXPECT_TRUE(plat.Messages.empty());
  const auto lines = Lines(ReadText(wb->ResultsPrefix + "_xng.txt"));
  ASSERT_EQ(lines.size(), 3u * 5u);
  for (int e = 0; e < 3; ++e) {
    EXPECT_EQ(lines[e * 5], "epoch=" + std::to_string(e + 1));
    for (int c = 1; c <= 4; ++c) {
      const std::string& l = lines[e * 5 + c];
      EXPECT_EQ(l.substr(0, 4), "err=");
      EXPECT_EQ(l.size(), 4u + 23u + 7u + 23u + 8u + 23u) << l;
      EXPECT_NE(l.find("  modV="), std::string::npos);
      EXPECT_NE(l.find("  opt_h="), std::string::npos);
    }
  }
  // The moved candidates enter the beam: the best network ends below the best start network.
  EXPECT_LT(NetworkError(*wb), StrToFloat(wb->ResultText));
  EXPECT_EQ(wb->StepCount, 12);
  EXPECT_LE(wb->StepErrorHistory[3], wb->StepErrorHistory[1]);
  EXPECT_EQ(wb->Form1.ep.Text(), "3 1");
  // The result reports keep their own file name.
  EXPECT_TRUE(wb->ResultsFileName.empty());
}

}  // namespace
}  // namespace wl

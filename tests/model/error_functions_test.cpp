// The error functions of the sigmoid network: ComputeError with each structure and option, NetworkError,
// StaircaseError, ContinuousInputError and SignalsError, on tiny networks checked against their
// definitions.
#include "model/error_functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "state/training_parts.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/scripted_platform.h"
#include "support/test_support.h"
#include "model/class_weights.h"

namespace wl {
namespace {

using Weights = std::vector<std::vector<std::vector<double>>>;  // [layer - 1][neuron][weight]

double Logistic(double a) { return 1.0 / (1.0 + std::exp(a)); }

// The outputs of a standard network for inputs x: each neuron act(threshold - net).
std::vector<double> Reference(const Weights& w, std::vector<double> x, const std::function<double(double)>& act) {
  for (const auto& layer : w) {
    std::vector<double> y;
    for (const auto& n : layer) {
      double net = 0.0;
      for (std::size_t i = 0; i < x.size(); ++i) net += x[i] * n[i];
      y.push_back(act(n[x.size()] - net));
    }
    x = y;
  }
  return x;
}

class ErrorFunctionsTest : public ::testing::Test {
 protected:
  ScriptedPlatform plat;
  Workbench wb{plat, "/nonexistent/weightlab"};

  void SetUp() override {
    wb.Slope = 1.0;
    wb.Stretch = 1.0;
    wb.ErrorExponent = 2.0;
    wb.SetOff = 0.0;
    wb.NumOfParts = 1;
    wb.LinearInputs = true;
  }
  void Rows(std::vector<std::vector<double>> rows, std::vector<int> classes, int numClasses) {
    test::SetContinuousRows(wb, std::move(rows));
    wb.NumOfClasses = numClasses;
    wb.VectorClass = std::move(classes);
    wb.VectorWeight.assign(wb.NumOfVectors, 1.0);
    wb.ClassWeight.clear();
  }
  void Network(std::vector<int> layers, const Weights& weights, bool skip = false) {
    test::SetNetwork(wb, layers, weights, skip);
  }
  // A one-input network without hidden layer whose outputs are Logistic(threshold) for input 0.
  void Outputs(const std::vector<double>& thresholds, int vectorClass, int numClasses) {
    Rows({{0.0}}, {vectorClass}, numClasses);
    Weights w(1);
    for (double t : thresholds) w[0].push_back({1.0, t});
    Network({1, static_cast<int>(thresholds.size())}, w);
  }
};

const Weights kSmall = {{{0.5, -1.0, 0.25}, {1.0, 1.0, 1.5}}, {{2.0, -2.0, 0.5}, {-1.0, 0.5, 0.0}}};

TEST_F(ErrorFunctionsTest, DefaultOptionsSumSquaredDifferences) {
  Rows({{1.0, 2.0}, {-0.5, 0.5}, {2.0, -1.0}}, {0, 1, 0}, 2);
  Network({2, 2, 2}, kSmall);
  wb.Slope = 5.0;  // ComputeError applies no slope in the standard structure
  double expected = 0.0;
  int correct = 0;
  for (int v = 0; v < 3; ++v) {
    const std::vector<double> y = Reference(kSmall, wb.Data[v], Logistic);
    const int c = wb.VectorClass[v];
    for (int j = 0; j < 2; ++j) expected += std::pow(y[j] - (j == c ? 1.0 : 0.0), 2);
    if (y[c] > 0.5 && y[1 - c] <= 0.5) ++correct;
  }
  EXPECT_NEAR(ComputeError(wb), expected, 1e-14);
  EXPECT_EQ(wb.NumOfCorrect, correct);
  EXPECT_DOUBLE_EQ(wb.SuccessRate, correct / 3.0);
  EXPECT_EQ(wb.SigmoidCount, 4 * 3);

  // The exponent is a real power.
  wb.ErrorExponent = 1.5;
  double e15 = 0.0;
  for (int v = 0; v < 3; ++v) {
    const std::vector<double> y = Reference(kSmall, wb.Data[v], Logistic);
    for (int j = 0; j < 2; ++j) e15 += std::pow(std::fabs(y[j] - (j == wb.VectorClass[v] ? 1.0 : 0.0)), 1.5);
  }
  EXPECT_NEAR(ComputeError(wb), e15, 1e-14);

  // The small-weights term: every weight of layers 1 and up, thresholds included.
  wb.ErrorExponent = 2.0;
  wb.SmallW = 0.1;
  double squares = 0.0;
  for (const auto& layer : kSmall)
    for (const auto& n : layer)
      for (double w : n) squares += w * w;
  EXPECT_NEAR(ComputeError(wb), expected + 0.1 * squares, 1e-14);
}

// Correctness: the class output above 0.5 and no other; the default class when no output is above 0.5.
TEST_F(ErrorFunctionsTest, WhatCountsAsCorrect) {
  const double y75 = -std::log(3.0), y25 = std::log(3.0), y50 = 0.0;  // thresholds for 0.75, 0.25, 0.5
  struct Case {
    const char* what;
    std::vector<double> thresholds;
    int vectorClass, numClasses;
    bool correct;
  };
  const std::vector<Case> cases = {
      {"class high, other low", {y75, y25}, 0, 2, true},    {"class output exactly 0.5", {y50, y25}, 0, 2, false},
      {"another output high too", {y75, y75}, 0, 2, false}, {"default class, both low", {y25, y50}, 2, 3, true},
      {"default class, one high", {y25, y75}, 2, 3, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Outputs(c.thresholds, c.vectorClass, c.numClasses);
    ComputeError(wb);
    EXPECT_EQ(wb.NumOfCorrect, c.correct ? 1 : 0);
    EXPECT_EQ(wb.SuccessRate, c.correct ? 1.0 : 0.0);
  }
}

TEST_F(ErrorFunctionsTest, SetOffAndCrossEntropy) {
  // With s = 0.1 an output of 0.9 for the class neuron and 0.1 for another contribute nothing.
  wb.SetOff = 0.1;
  Outputs({-std::log(9.0), std::log(9.0)}, 0, 2);
  EXPECT_NEAR(ComputeError(wb), 0.0, 1e-28);

  // Cross-entropy ignores the set-off: an output of 1 for the class contributes 0, an output of 1 for
  // another neuron -0.1 × (ln 1e-9 - ln 1.000000001), about 2.07.
  wb.Form1.entrBox.SetChecked(true);
  Outputs({-60.0}, 0, 2);
  ASSERT_EQ(wb.Net[1].size(), 1u);
  EXPECT_EQ(ComputeError(wb), 0.0);
  Outputs({-60.0, -60.0}, 0, 2);
  EXPECT_NEAR(ComputeError(wb), -0.1 * (std::log(1.000000001 - 1.0) - std::log(1.000000001)), 1e-12);
  EXPECT_NEAR(ComputeError(wb), 2.0723, 1e-4);
  const double y = Logistic(0.3);
  Outputs({0.3, 0.3}, 1, 2);
  EXPECT_NEAR(
      ComputeError(wb),
      -0.1 * (std::log(1.000000001 - y) - std::log(1.000000001)) - 0.1 * (std::log(1e-9 + y) - std::log(1.000000001)),
      1e-14);
  wb.Form1.entrBox.SetChecked(false);
}

// Three vectors of class 0 and one of class 1: the vector weights balance the classes always, the class
// weights once more when the weighted error is chosen.
TEST_F(ErrorFunctionsTest, WeightedErrorWithUnbalancedClasses) {
  Rows({{1.0, 2.0}, {-0.5, 0.5}, {2.0, -1.0}, {0.0, 1.0}}, {0, 0, 0, 1}, 2);
  wb.VectorWeight = {4.0 / 6.0, 4.0 / 6.0, 4.0 / 6.0, 2.0};  // N / (class size × classes)
  Network({2, 2, 2}, kSmall);
  ComputeClassWeights(wb);
  ASSERT_DOUBLE_EQ(wb.ClassWeight[0], 2.0 / 3.0);
  ASSERT_DOUBLE_EQ(wb.ClassWeight[1], 2.0);

  double plain = 0.0, weighted = 0.0, weightedCorrect = 0.0;
  for (int v = 0; v < 4; ++v) {
    const std::vector<double> y = Reference(kSmall, wb.Data[v], Logistic);
    const int c = wb.VectorClass[v];
    double ev = 0.0;
    for (int j = 0; j < 2; ++j) ev += std::pow(y[j] - (j == c ? 1.0 : 0.0), 2);
    plain += ev * wb.VectorWeight[v];
    weighted += ev * wb.VectorWeight[v] * wb.ClassWeight[c];
    if (y[c] > 0.5 && y[1 - c] <= 0.5) weightedCorrect += wb.ClassWeight[c];
  }
  EXPECT_NEAR(ComputeError(wb), plain, 1e-14);
  EXPECT_NEAR(wb.WeightedCorrect, weightedCorrect / 4.0, 1e-15);
  wb.WeightedError = true;
  EXPECT_NEAR(ComputeError(wb), weighted, 1e-14);
  EXPECT_NEAR(wb.WeightedCorrect, weightedCorrect / 4.0, 1e-15);

  // Class weights are built when no run has prepared them yet.
  wb.ClassWeight.clear();
  EXPECT_NEAR(ComputeError(wb), weighted, 1e-14);
  wb.WeightedError = false;
}

TEST_F(ErrorFunctionsTest, StretchAndGuardOfComputeError) {
  // Stretch 2 with the threshold at ln 3 above the net: clipped to 0; a beyond 11000: 0 without exp.
  wb.Stretch = 2.0;
  Outputs({std::log(3.0) + 1e-9, -0.2}, 0, 2);
  const double y1 = std::min(1.0, 2.0 * Logistic(-0.2) - 0.5);
  EXPECT_NEAR(ComputeError(wb), 1.0 + y1 * y1, 1e-14);
  wb.Stretch = 1.0;
  Outputs({11000.5, 50000.0}, 0, 2);
  EXPECT_EQ(ComputeError(wb), 1.0);
}

TEST_F(ErrorFunctionsTest, SkipConnectionsAreNotWeighted) {
  Rows({{1.0, -1.0}, {0.5, 0.5}}, {0, 1}, 2);
  wb.VectorWeight = {3.0, 5.0};
  const Weights w = {{{1.0, 2.0, 0.5}}, {{1.5, 0.25, 0.75, 0.1}, {-1.0, 0.5, -0.5, 0.2}}};
  Network({2, 1, 2}, w, true);
  wb.Slope = 2.0;
  wb.Stretch = 1.5;
  wb.Form1.SkipCheck.SetChecked(true);
  double expected = 0.0;
  int correct = 0;
  for (int v = 0; v < 2; ++v) {
    const auto& x = wb.Data[v];
    const double h = Logistic((0.5 - (x[0] + 2.0 * x[1])) * 2.0);
    std::vector<double> y;
    for (const auto& n : w[1]) {
      const double a = n[3] - (n[0] * h + n[1] * x[0] + n[2] * x[1]);
      y.push_back(std::min(1.0, std::max(0.0, 1.5 * Logistic(a) - 0.25)));
    }
    const int c = wb.VectorClass[v];
    for (int j = 0; j < 2; ++j) expected += std::pow(y[j] - (j == c ? 1.0 : 0.0), 2);
    if (y[c] > 0.5 && y[1 - c] <= 0.5) ++correct;
  }
  EXPECT_NEAR(ComputeError(wb), expected, 1e-14);
  EXPECT_EQ(wb.NumOfCorrect, correct);
  EXPECT_EQ(wb.WeightedCorrect, 0.0);
  EXPECT_EQ(wb.SigmoidCount, 3 * 2);

  // The small-weights term runs over indices 0 .. Layers[l - 1]: the hidden weight and the first input
  // weight of an output neuron, not its other input weights nor its threshold.
  const double base = ComputeError(wb);
  wb.SmallW = 1.0;
  const double squares = (1.0 + 4.0 + 0.25) + (1.5 * 1.5 + 0.25 * 0.25) + (1.0 + 0.25);
  EXPECT_NEAR(ComputeError(wb), base + squares, 1e-14);
  wb.SmallW = 0.0;

  // The unguarded hidden layer overflows.
  wb.Net[1][0].Weights[2] = 20000.0;
  EXPECT_THROW(ComputeError(wb), FloatError);
  wb.Form1.FullConn.SetChecked(true);
}

TEST_F(ErrorFunctionsTest, SmlpStructure) {
  // Unit k of class c is hidden neuron k * classes + c: class 0 owns hidden neurons 0 and 2, class 1
  // hidden neuron 1.
  Rows({{1.0, 0.0}, {0.0, 1.0}}, {0, 1}, 2);
  wb.VectorWeight = {1.0, 2.0};
  wb.HidPerOut = {2, 1};
  const Weights w = {{{2.0, -1.0, 0.5}, {-1.0, 2.0, 0.5}, {0.5, 0.5, 0.25}}, {{3.0, -1.0, 1.0}, {2.0, 1.0}}};
  Network({2, 3, 2}, w);
  wb.Form1.strbox.SetChecked(true);
  for (double slope : {1.5, 0.0}) {
    SCOPED_TRACE(slope);
    wb.Slope = slope;
    auto act = [&](double theta, double net) {
      if (slope == 0.0) return net > theta ? 1.0 : (net < theta ? 0.0 : 0.5);
      return Logistic((theta - net) * slope);
    };
    double expected = 0.0;
    for (int v = 0; v < 2; ++v) {
      const auto& x = wb.Data[v];
      std::vector<double> h;
      for (const auto& n : w[0]) h.push_back(act(n[2], n[0] * x[0] + n[1] * x[1]));
      const double y0 = act(w[1][0][2], w[1][0][0] * h[0] + w[1][0][1] * h[2]);
      const double y1 = act(w[1][1][1], w[1][1][0] * h[1]);
      const int c = wb.VectorClass[v];
      expected +=
          wb.VectorWeight[v] * (std::pow(y0 - (c == 0 ? 1.0 : 0.0), 2) + std::pow(y1 - (c == 1 ? 1.0 : 0.0), 2));
    }
    wb.SigmoidCount = 0;
    EXPECT_NEAR(ComputeError(wb), expected, 1e-14);
    EXPECT_EQ(wb.SigmoidCount, 0);
  }
  wb.Form1.FullConn.SetChecked(true);
}

TEST_F(ErrorFunctionsTest, FunctionApproximation) {
  Rows({{0.5}, {-1.0}}, {0, 0}, 1);
  wb.TargetValue = {0.2, -0.7};
  const Weights w = {{{1.0, 0.5}, {-2.0, 0.0}}, {{0.5, 2.0, 1.0}}};
  Network({1, 2, 1}, w);
  wb.LinearInputs = false;
  wb.Slope = 2.0;
  wb.ErrorExponent = 3.0;
  wb.Form1.FApproxBox.SetChecked(true);
  double expected = 0.0;
  for (int v = 0; v < 2; ++v) {
    const double x = Logistic(-wb.Data[v][0] * 2.0);                 // the sigmoid input, with the slope
    const std::vector<double> h = Reference({w[0]}, {x}, Logistic);  // hidden: no slope
    const double y = (1.0 - (0.5 * h[0] + 2.0 * h[1])) * 2.0;
    expected += std::pow(std::fabs(y - wb.TargetValue[v]), 3.0);
  }
  EXPECT_NEAR(ComputeError(wb), expected, 1e-13);
  EXPECT_EQ(wb.SuccessRate, 0.0);
  EXPECT_EQ(wb.SigmoidCount, (1 + 2) * 2);
  // NetworkError hands over to ComputeError.
  EXPECT_NEAR(NetworkError(wb), expected, 1e-13);
  wb.Form1.FApproxBox.SetChecked(false);
}

TEST_F(ErrorFunctionsTest, NetworkErrorWinnerTakesAllAndParts) {
  Rows({{1.0, 2.0}, {-0.5, 0.5}, {2.0, -1.0}, {0.0, 1.0}}, {0, 1, 0, 1}, 2);
  Network({2, 2, 2}, kSmall);
  wb.Slope = 1.5;  // the forward pass applies the slope
  auto act = [](double a) { return Logistic(a * 1.5); };
  auto vectorError = [&](int v, int& correct) {
    const std::vector<double> y = Reference(kSmall, wb.Data[v], act);
    const int c = wb.VectorClass[v];
    const int winner = y[1] > y[0] ? 1 : 0;
    if (winner == c) ++correct;
    return std::pow(y[0] - (c == 0 ? 1.0 : 0.0), 2) + std::pow(y[1] - (c == 1 ? 1.0 : 0.0), 2);
  };
  double all = 0.0;
  int correctAll = 0;
  for (int v = 0; v < 4; ++v) all += vectorError(v, correctAll);
  EXPECT_NEAR(NetworkError(wb), all, 1e-14);
  EXPECT_DOUBLE_EQ(wb.SuccessRate, correctAll / 4.0);
  EXPECT_EQ(wb.ErrorEvaluations, 1.0);

  wb.NumOfParts = 2;
  wb.BatchIndex = {3, 1};
  StampParts(wb);
  int correctPart = 0;
  const double part = vectorError(3, correctPart) + vectorError(1, correctPart);
  EXPECT_NEAR(NetworkError(wb), part, 1e-14);
  EXPECT_DOUBLE_EQ(wb.SuccessRate, correctPart / 2.0);
  EXPECT_EQ(wb.ErrorEvaluations, 1.5);
  wb.NumOfParts = 1;

  // The small-weights and integer-weights terms run over indices 0 .. LayerInputs[l - 1].
  wb.SmallW = 0.5;
  wb.IntegerW = 2.0;
  double squares = 0.0, integer = 0.0;
  for (const auto& layer : kSmall)
    for (const auto& n : layer)
      for (double w : n) {
        squares += w * w;
        integer += std::fabs(w * (w - 1.0) * (w - 1.0));
      }
  EXPECT_NEAR(NetworkError(wb), all + 0.5 * squares + 2.0 * integer, 1e-13);
}

TEST_F(ErrorFunctionsTest, NoOutputAboveZeroIsNoWinner) {
  // Outputs exactly 0 (beyond the guard): the vector of class 0 is not correct.
  Outputs({20000.0, 20000.0}, 0, 2);
  EXPECT_EQ(NetworkError(wb), 1.0);
  EXPECT_EQ(wb.NumOfCorrect, 0);
}

TEST_F(ErrorFunctionsTest, StaircaseError) {
  // K = 1: outputs 0 or 1; an output of exactly 0.5 rounds to 0.
  wb.NumOfStep = 1;
  Outputs({0.0, -0.1, 0.1}, 1, 3);
  wb.SuccessRate = 0.25;
  wb.NumOfCorrect = 5;
  // Outputs 0, 1, 0 against targets 0, 1, 0.
  EXPECT_EQ(NetworkError(wb), 0.0);
  EXPECT_EQ(wb.NumOfCorrect, 0);
  EXPECT_EQ(wb.SuccessRate, 0.25) << "left as it was";
  EXPECT_EQ(wb.SigmoidCount, 3);

  // K = 4: Round(4 × 0.75) / 4 = 0.75 for the class, Round(4 × 0.25) / 4 = 0.25 for another.
  wb.NumOfStep = 4;
  Outputs({-std::log(3.0), std::log(3.0)}, 0, 2);
  EXPECT_NEAR(StaircaseError(wb), 0.25 * 0.25 + 0.25 * 0.25, 1e-15);
  // Set-off targets.
  wb.SetOff = 0.25;
  EXPECT_NEAR(StaircaseError(wb), 0.0, 1e-15);
  wb.NumOfStep = 0;
  EXPECT_THROW(StaircaseError(wb), FloatError);
}

TEST_F(ErrorFunctionsTest, ContinuousInputErrorFeedsTheFeatureValues) {
  // A discrete feature: its coded network would have 2 inputs; this error feeds the raw value instead.
  Rows({{1.5}, {-2.0}}, {0, 1}, 2);
  wb.Features[0].Kind = 'd';
  wb.Features[0].NValues = 1;
  wb.Features[0].Values = {1.5};
  const Weights w = {{{0.5, 0.25}, {-1.0, 0.5}}};
  Network({1, 2}, w);
  wb.SetOff = 0.2;  // not used: the targets are 1 and 0
  wb.Slope = 4.0;   // not used
  double expected = 0.0;
  for (int v = 0; v < 2; ++v) {
    const std::vector<double> y = Reference(w, wb.Data[v], Logistic);
    const int c = wb.VectorClass[v];
    for (int j = 0; j < 2; ++j) expected += std::pow(y[j] - (j == c ? 1.0 : 0.0), 2);
  }
  EXPECT_NEAR(ContinuousInputError(wb), expected, 1e-14);
  EXPECT_EQ(wb.SigmoidCount, 0);
}

TEST_F(ErrorFunctionsTest, SignalsErrorSnapsOutputs) {
  wb.SetOff = 0.2;
  // Outputs 0.9 (class, snaps to 1), 0.1 (snaps to 0), 0.6 (stays).
  Outputs({-std::log(9.0), std::log(9.0), -std::log(1.5)}, 0, 3);
  const double e = SignalsError(wb, 0);
  EXPECT_EQ(wb.Net[1][0].Signal, 1.0);
  EXPECT_EQ(wb.Net[1][1].Signal, 0.0);
  EXPECT_NEAR(wb.Net[1][2].Signal, 0.6, 1e-15);
  EXPECT_NEAR(e, 0.36, 1e-14);
  EXPECT_EQ(wb.ErrorEvaluations, 1.0);
}

TEST_F(ErrorFunctionsTest, RefusesWhatItCannotEvaluate) {
  Rows({{1.0, 2.0}}, {0}, 2);
  Network({3, 2}, {{{0, 0, 0, 0}, {0, 0, 0, 0}}});
  EXPECT_THROW(ComputeError(wb), WlError);  // a network of another data set
  Network({2, 2}, {{{0, 0, 0}, {0, 0, 0}}});
  wb.NumOfVectors = 0;
  wb.Data.clear();
  wb.VectorClass.clear();
  wb.VectorWeight.clear();
  EXPECT_THROW(ComputeError(wb), FloatError);  // no vectors: 0 / 0
}

}  // namespace
}  // namespace wl

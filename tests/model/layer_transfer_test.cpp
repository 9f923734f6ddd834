// Networks with a transfer function per layer: the seven functions with slope, stretch and steps, and
// TrainingSetError / VectorError with their options, counters, votes and penalty terms.
#include "model/layer_transfer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/scripted_platform.h"
#include "support/test_support.h"
#include "model/class_weights.h"

namespace wl {
namespace {

using Weights = std::vector<std::vector<std::vector<double>>>;

TTransferFunction TF(int kind, double slope = 1.0, double stretch = 1.0) {
  TTransferFunction tf;
  tf.TFKind = static_cast<std::uint8_t>(kind);
  tf.TFSlope = slope;
  tf.TFStretch = stretch;
  return tf;
}

TEST(LayerTransfer, SevenFunctions) {
  std::vector<double> table30;
  {
    // The staircase table as the run preparation builds it, for K = 30 and K = 2.
    ScriptedPlatform plat;
    Workbench wb(plat, "/nonexistent/weightlab");
    wb.NumOfStep = 30;
    BuildStairTable(wb);
    table30 = wb.StairTable;
  }
  const StairParams k30{30, &table30, 30.0, 0.5};
  const StairParams k2{2, nullptr, 30.0, 2.0 / 60.0};
  const double ln3 = std::log(3.0);
  struct Case {
    const char* what;
    TTransferFunction tf;
    double net, theta;
    StairParams stairs;
    double y;
  };
  // a = (theta - net) × slope, x = (net - theta) × slope.
  const std::vector<Case> cases = {
      {"sigmoid at the threshold", TF(1), 0.7, 0.7, {}, 0.5},
      {"sigmoid with slope", TF(1, 2.0), 0.0, 0.5, {}, 1.0 / (1.0 + std::exp(1.0))},
      {"sigmoid stretch 2 at a = ln 3", TF(1, 1.0, 2.0), 0.0, ln3 + 1e-12, {}, 0.0},
      {"sigmoid beyond the guard", TF(1), 0.0, 11300.5, {}, 0.0},
      {"tanh at the threshold", TF(2), 1.0, 1.0, {}, 0.0},
      {"tanh at a = ln 3", TF(2), 0.0, ln3, {}, -0.5},
      {"tanh stretch 3 clipped", TF(2, 1.0, 3.0), 0.0, ln3, {}, -1.0},
      {"tanh where e^a leaves double range", TF(2), 0.0, 800.0, {}, -1.0},
      {"tanh beyond the guard", TF(2), 0.0, 11300.5, {}, -1.0},
      {"linear", TF(3, 2.0), 1.25, 0.0, {}, 2.5},
      {"linear limited above", TF(3), 20000.0, 0.0, {}, 11300.0},
      {"linear limited below", TF(3), -20000.0, 0.0, {}, -11300.0},
      {"linear (0;1) below", TF(4), -0.5, 0.0, {}, 0.0},
      {"linear (0;1) inside", TF(4), 0.3, 0.0, {}, 0.3},
      {"linear (0;1) above", TF(4), 1.5, 0.0, {}, 1.0},
      {"linear (-1;1) below", TF(5), -1.5, 0.0, {}, -1.0},
      {"linear (-1;1) inside", TF(5), -0.3, 0.0, {}, -0.3},
      {"linear (-1;1) above", TF(5), 1.5, 0.0, {}, 1.0},
      {"staircase (0;1) at the threshold", TF(6), 2.0, 2.0, k30, 0.5},
      {"staircase (0;1) inside", TF(6), 0.0, 0.1, k30, table30[12]},
      {"staircase (0;1) below the range", TF(6), 0.0, -0.6, k30, 1.0},
      {"staircase (0;1) above the range", TF(6), 0.0, 0.6, k30, 0.0},
      {"staircase (-1;1) at the threshold", TF(7), 0.0, 0.0, k2, 0.0},
      {"staircase (-1;1) half", TF(7), 0.0, -ln3, k2, 0.5},
      {"staircase (-1;1) near -1", TF(7), 0.0, 5.0, k2, -1.0},
      {"staircase (-1;1) beyond the guard", TF(7), 0.0, 11300.5, k2, -1.0},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(LayerTransfer(c.tf, c.net, c.theta, c.stairs), c.y) << c.what;

  // Staircase (-1;1) with K = 2 takes only the five levels.
  for (double a = -3.0; a <= 3.0; a += 0.05) {
    const double y = LayerTransfer(TF(7), 0.0, a, k2);
    EXPECT_TRUE(y == -1.0 || y == -0.5 || y == 0.0 || y == 0.5 || y == 1.0) << a << " " << y;
  }
  const StairParams k0{0, nullptr, 30.0, 0.0};
  EXPECT_THROW(LayerTransfer(TF(7), 0.0, 0.0, k0), FloatError);
}

class TrainingSetErrorTest : public ::testing::Test {
 protected:
  ScriptedPlatform plat;
  Workbench wb{plat, "/nonexistent/weightlab"};

  void SetUp() override {
    wb.ErrorExponent = 2.0;
    wb.SetOff = 0.0;
    wb.LayerTF = {TF(1), TF(1), TF(1)};
  }
  void Rows(std::vector<std::vector<double>> rows, std::vector<int> classes, int numClasses) {
    test::SetContinuousRows(wb, std::move(rows));
    wb.NumOfClasses = numClasses;
    wb.VectorClass = std::move(classes);
    wb.VectorWeight.assign(wb.NumOfVectors, 1.0);
  }
  void Network(std::vector<int> layers, const Weights& weights) {
    test::SetNetwork(wb, layers, weights);
  }
  // A network whose outputs are exactly the listed values: vector v has a single 1.0 at input v, and a
  // linear output layer (threshold 0) holds the listed outputs as its weights.
  void Outputs(const std::vector<std::vector<double>>& outputs, std::vector<int> classes, int numClasses) {
    const int n = static_cast<int>(outputs.size()), m = static_cast<int>(outputs[0].size());
    std::vector<std::vector<double>> rows(n, std::vector<double>(n, 0.0));
    for (int v = 0; v < n; ++v) rows[v][v] = 1.0;
    Rows(rows, std::move(classes), numClasses);
    Weights w(1, std::vector<std::vector<double>>(m, std::vector<double>(n + 1, 0.0)));
    for (int j = 0; j < m; ++j)
      for (int v = 0; v < n; ++v) w[0][j][v] = outputs[v][j];
    Network({n, m}, w);
    wb.LayerTF[0] = TF(3);  // linear: the output is the net
  }
};

TEST_F(TrainingSetErrorTest, TwoLayersOfTheirOwnFunctions) {
  Rows({{1.0, -0.5}, {0.2, 0.8}, {-1.0, 1.0}}, {0, 1, 1}, 2);
  const Weights w = {{{0.5, -1.0, 0.25}, {1.0, 1.0, -0.5}, {0.3, 0.2, 0.1}},
                     {{1.0, -1.0, 0.5, 0.2}, {-0.5, 0.5, 1.0, -0.1}}};
  Network({2, 3, 2}, w);
  wb.LayerTF = {TF(2, 1.5, 1.0), TF(1, 2.0, 1.0), TF(1)};  // hidden tanh, output sigmoid
  double expected = 0.0;
  int correct = 0;
  for (int v = 0; v < 3; ++v) {
    const auto& x = wb.Data[v];
    std::vector<double> h;
    for (const auto& n : w[0]) {
      const double e = std::exp((n[2] - (n[0] * x[0] + n[1] * x[1])) * 1.5);
      h.push_back((1.0 - e) / (1.0 + e));
    }
    std::vector<double> y;
    for (const auto& n : w[1])
      y.push_back(1.0 / (1.0 + std::exp((n[3] - (n[0] * h[0] + n[1] * h[1] + n[2] * h[2])) * 2.0)));
    const int c = wb.VectorClass[v];
    expected += std::pow(y[0] - (c == 0 ? 1.0 : 0.0), 2) + std::pow(y[1] - (c == 1 ? 1.0 : 0.0), 2);
    if ((y[1] > y[0] ? 1 : 0) == c) ++correct;
  }
  EXPECT_NEAR(TrainingSetError(wb), expected, 1e-14);
  EXPECT_EQ(wb.NumOfCorrect, correct);
  EXPECT_DOUBLE_EQ(wb.SuccessRate, correct / 3.0);
  EXPECT_EQ(wb.SigmoidCount, 5 * 3);
}

TEST_F(TrainingSetErrorTest, TargetsFollowTheOutputFunction) {
  // Outputs 0.5 and -0.5 of a linear output layer against targets 1 and s - 1; then as (0;1) outputs.
  wb.SetOff = 0.1;
  Outputs({{0.5, -0.5}}, {0}, 2);
  EXPECT_NEAR(TrainingSetError(wb), 0.4 * 0.4 + 0.4 * 0.4, 1e-15);  // high 0.9, low -0.9
  wb.LayerTF[0] = TF(4);                                            // linear (0;1): low target s
  EXPECT_NEAR(TrainingSetError(wb), 0.4 * 0.4 + 0.1 * 0.1, 1e-15);

  // Beyond the target: an output above the high target, another below the low target, contribute 0.
  wb.Form1.OutsideBox.SetChecked(true);
  wb.LayerTF[0] = TF(3);
  Outputs({{0.95, -0.95}}, {0}, 2);
  EXPECT_EQ(TrainingSetError(wb), 0.0);
  Outputs({{0.85, -0.85}}, {0}, 2);
  EXPECT_NEAR(TrainingSetError(wb), 2 * 0.05 * 0.05, 1e-15);
  wb.Form1.OutsideBox.SetChecked(false);

  // Weighted: each term times the vector's weight.
  wb.SetOff = 0.0;
  Outputs({{0.5, 0.0}, {0.0, 0.25}}, {0, 1}, 2);
  wb.VectorWeight = {2.0, 4.0};
  wb.Form1.WeightedErrorBox.SetChecked(true);
  EXPECT_NEAR(TrainingSetError(wb), 2.0 * (0.25 + 1.0) + 4.0 * (1.0 + 0.5625), 1e-15);
  wb.Form1.WeightedErrorBox.SetChecked(false);
  EXPECT_NEAR(TrainingSetError(wb), (0.25 + 1.0) + (1.0 + 0.5625), 1e-15);
  EXPECT_DOUBLE_EQ(wb.WeightedCorrect, (2.0 + 4.0) / 2.0);
}

TEST_F(TrainingSetErrorTest, CrossEntropyOutsideZeroToOneIsAnError) {
  wb.Form1.entrBox.SetChecked(true);
  Outputs({{0.75, 0.25}}, {0}, 2);
  EXPECT_NEAR(TrainingSetError(wb),
              -0.1 * (std::log(1e-9 + 0.75) - std::log(1.000000001)) -
                  0.1 * (std::log(1.000000001 - 0.25) - std::log(1.000000001)),
              1e-15);
  Outputs({{-0.5, 0.25}}, {0}, 2);  // the class output of a linear layer below 0
  EXPECT_THROW(TrainingSetError(wb), FloatError);
  Outputs({{0.5, 1.5}}, {0}, 2);  // another output above 1
  EXPECT_THROW(TrainingSetError(wb), FloatError);
  wb.Form1.entrBox.SetChecked(false);

  wb.LayerTF[0] = TF(7);
  wb.NumOfStep = 0;
  EXPECT_THROW(TrainingSetError(wb), FloatError);
}

// The run's question before it starts: the cross-entropy takes outputs in 0..1 only, so an output layer
// of another range is refused (the output layer's record, not the hidden layers'), and only where the
// per-layer functions give the outputs under "cross-entropy".
TEST(EntropyOutputRange, RefusesOutputFunctionsOutsideZeroToOne) {
  ScriptedPlatform plat;
  Workbench wb(plat, "/nonexistent/weightlab");
  wb.Layers = {2, 3, 2};
  const char* const names[] = {"sigmoid", "tanh", "linear", "linear (0;1)", "linear (-1;1)", "staircase (0;1)",
                               "staircase (-1;1)"};
  const bool refused[] = {false, true, true, false, true, false, true};
  wb.Form1.entrBox.SetChecked(true);
  for (int kind = 1; kind <= 7; ++kind) {
    SCOPED_TRACE(names[kind - 1]);
    wb.LayerTF[0] = TF(1);
    wb.LayerTF[1] = TF(kind);
    if (!refused[kind - 1]) {
      EXPECT_NO_THROW(RequireEntropyOutputRange(wb));
      continue;
    }
    try {
      RequireEntropyOutputRange(wb);
      ADD_FAILURE() << "not refused";
    } catch (const WlError& e) {
      EXPECT_EQ(std::string(e.what()),
                std::string("The cross-entropy needs outputs between 0 and 1, and the output transfer function \"") +
                    names[kind - 1] +
                    "\" gives outputs outside 0..1. Choose \"sigmoid\", \"linear (0;1)\" or \"staircase (0;1)\" "
                    "for the output layer, or clear \"cross-entropy\".");
    }
    // A hidden layer of that function under a sigmoid output layer is no matter.
    wb.LayerTF[0] = TF(kind);
    wb.LayerTF[1] = TF(1);
    EXPECT_NO_THROW(RequireEntropyOutputRange(wb));
    wb.LayerTF[1] = TF(kind);
    // Without the cross-entropy, under function approximation and under the SMLP's own units: no question.
    wb.Form1.entrBox.SetChecked(false);
    EXPECT_NO_THROW(RequireEntropyOutputRange(wb));
    wb.Form1.entrBox.SetChecked(true);
    wb.Form1.FApproxBox.SetChecked(true);
    EXPECT_NO_THROW(RequireEntropyOutputRange(wb));
    wb.Form1.FApproxBox.SetChecked(false);
    wb.Form1.strbox.SetChecked(true);
    wb.Form1.FullConn.SetChecked(false);
    EXPECT_NO_THROW(RequireEntropyOutputRange(wb));
    wb.Form1.FullConn.SetChecked(true);
    EXPECT_THROW(RequireEntropyOutputRange(wb), WlError);
  }
  // Before a network is built, the layer count the parameters give places the output layer.
  wb.Layers.clear();
  wb.NumOfLayers = 2;
  wb.LayerTF[0] = TF(2);
  wb.LayerTF[1] = TF(1);
  EXPECT_THROW(RequireEntropyOutputRange(wb), WlError);
  wb.NumOfLayers = 3;
  EXPECT_NO_THROW(RequireEntropyOutputRange(wb));
}

// Winners, the default-class rule, the two-class counts and the committee votes.
TEST_F(TrainingSetErrorTest, CorrectnessCountsAndVotes) {
  Outputs({{0.6, 0.2, 0.1}, {0.3, 0.3, 0.1}, {-0.2, -0.1, 0.0}, {0.1, 0.4, 0.9}, {0.2, 0.7, 0.1}}, {0, 1, 1, 2, 0}, 3);
  // Winners: 0, 0 (first on ties), none, 2, 1.
  wb.CommitteeVoting = true;
  wb.CommitteeMember = 1;
  wb.CommitteeVotes.assign(5, std::vector<int>(2, 7));
  TrainingSetError(wb);
  EXPECT_EQ(wb.NumOfCorrect, 2);  // vectors 0 and 3
  EXPECT_EQ(wb.CountTPT, 1);
  EXPECT_EQ(wb.CountTPN, 1);
  EXPECT_EQ(wb.CountNPN, 1);
  EXPECT_EQ(wb.CountNPT, 2);
  const std::vector<int> votes = {0, 0, -1, 2, 1};
  for (int v = 0; v < 5; ++v) {
    EXPECT_EQ(wb.CommitteeVotes[v][1], votes[v]) << v;
    EXPECT_EQ(wb.CommitteeVotes[v][0], 7) << "other members' answers stay";
  }
  wb.CommitteeMember = 5;  // no such member: nothing recorded, nothing broken
  EXPECT_NO_THROW(TrainingSetError(wb));
  wb.CommitteeVoting = false;

  // One output detecting CurrentClass: correct when it is high for that class and low for the others.
  wb.Form1.DefClassBox.SetChecked(true);
  wb.CurrentClass = 1;
  Outputs({{0.6}, {0.5}, {0.4}, {0.2}}, {1, 1, 1, 0}, 2);
  TrainingSetError(wb);
  EXPECT_EQ(wb.NumOfCorrect, 3);  // 0.6 and 0.5 for class 1, 0.2 for class 0
  EXPECT_EQ(wb.CountTPT, 2);
  EXPECT_EQ(wb.CountTPN, 1);
  EXPECT_EQ(wb.CountNPN, 1);
  EXPECT_EQ(wb.CountNPT, 0);
  wb.Form1.DefClassBox.SetChecked(false);
}

TEST_F(TrainingSetErrorTest, CrossvalidationCountersWhileTesting) {
  Outputs({{0.6, 0.2}, {0.7, 0.3}, {0.1, 0.9}}, {0, 1, 1}, 2);
  wb.VectorWeight = {1.5, 0.75, 0.75};
  wb.CVIndex = 1;
  for (auto* counter :
       {&wb.CVCorrect, &wb.CVWeightedCorrect, &wb.CVTruePredT, &wb.CVTruePredN, &wb.CVNegPredN, &wb.CVNegPredT})
    counter->assign(3, 10.0);
  wb.InCrossvalidation = true;
  TrainingSetError(wb);  // not testing: nothing added
  EXPECT_EQ(wb.CVCorrect[1], 10.0);
  wb.TestingMode = true;
  TrainingSetError(wb);
  TrainingSetError(wb);
  EXPECT_EQ(wb.CVCorrect[1], 14.0);
  EXPECT_EQ(wb.CVWeightedCorrect[1], 10.0 + 2 * (1.5 + 0.75));
  EXPECT_EQ(wb.CVTruePredT[1], 12.0);
  EXPECT_EQ(wb.CVTruePredN[1], 10.0);
  EXPECT_EQ(wb.CVNegPredN[1], 12.0);
  EXPECT_EQ(wb.CVNegPredT[1], 12.0);
  EXPECT_EQ(wb.CVCorrect[0], 10.0);
  EXPECT_DOUBLE_EQ(wb.WeightedCorrect, (1.5 + 0.75) / 3.0);

  // A committee tests with both flags but keeps no counters.
  for (auto* counter :
       {&wb.CVCorrect, &wb.CVWeightedCorrect, &wb.CVTruePredT, &wb.CVTruePredN, &wb.CVNegPredN, &wb.CVNegPredT})
    counter->clear();
  EXPECT_NO_THROW(TrainingSetError(wb));
  wb.InCrossvalidation = false;
  wb.TestingMode = false;
}

TEST_F(TrainingSetErrorTest, PenaltyTerms) {
  Rows({{1.0, 0.0}}, {0}, 2);
  const Weights w = {{{0.5, -3.0, 1.0}, {0.0, 1.5, 2.5}}, {{1.0, -1.0, 0.5}, {2.0, 0.25, 1.25}}};
  Network({2, 2, 2}, w);
  const double base = TrainingSetError(wb);

  wb.SmallW = 0.1;
  double squares = 0.0;
  for (const auto& layer : w)
    for (const auto& n : layer)
      for (double x : n) squares += x * x;
  EXPECT_NEAR(TrainingSetError(wb), base + 0.1 * squares, 1e-13);
  wb.SmallW = 0.0;

  // Push from 0: nothing in epoch 1; later W × (epoch - 1) × Σ 0.5^|w| over first-layer weights below 2.
  wb.Form1.WymEdit.SetText("0.5");
  wb.Epoch = 1;
  EXPECT_EQ(TrainingSetError(wb), base);
  wb.Epoch = 3;
  const double push = std::pow(0.5, 0.5) + std::pow(0.5, 1.0) + 1.0 + std::pow(0.5, 1.5);  // -3 and 2.5 skipped
  EXPECT_NEAR(TrainingSetError(wb), base + 0.5 * 2 * push, 1e-13);
  wb.Form1.WymEdit.SetText("0");

  // Integer weights from the start epoch on, m = 2.
  wb.IntegerW = 0.01;
  wb.Form1.StartWEdit.SetText("4");
  wb.Form1.pmwEdit.SetText("2");
  EXPECT_EQ(TrainingSetError(wb), base) << "epoch 3 is before the start";
  wb.Epoch = 4;
  double integer = 0.0;
  for (const auto& layer : w)
    for (const auto& n : layer) {
      for (std::size_t i = 0; i + 1 < n.size(); ++i) integer += std::fabs((n[i] - 2) * n[i] * (n[i] + 2));
      const double t = n.back();
      integer += std::fabs((t - 1.0) * (t - 3.0) * (t - 5.0));
    }
  EXPECT_NEAR(TrainingSetError(wb), base + 0.01 * integer, 1e-13);
}

TEST_F(TrainingSetErrorTest, VectorErrorUsesTheBaselineOfTheOutputFunction) {
  Outputs({{0.4, 0.1}, {0.9, 0.2}}, {0, 0}, 2);
  wb.VectorWeight = {3.0, 1.0};
  wb.LayerTF[0] = TF(4);  // outputs in [0, 1]: the winner must pass 0.5
  EXPECT_NEAR(VectorError(wb, 0), 0.6 * 0.6 + 0.1 * 0.1, 1e-15);
  EXPECT_EQ(wb.NumOfCorrect, 0);
  EXPECT_EQ(wb.SuccessRate, 0.0);
  EXPECT_EQ(wb.WeightedCorrect, 0.0);
  VectorError(wb, 1);
  EXPECT_EQ(wb.NumOfCorrect, 1);
  EXPECT_EQ(wb.SuccessRate, 0.5);
  EXPECT_EQ(wb.WeightedCorrect, 0.5);
  EXPECT_EQ(wb.SigmoidCount, 4);
  wb.LayerTF[0] = TF(3);  // baseline 0
  VectorError(wb, 0);
  EXPECT_EQ(wb.NumOfCorrect, 1);
  EXPECT_EQ(wb.WeightedCorrect, 1.5);
  TrainingSetError(wb);
  EXPECT_EQ(wb.NumOfCorrect, 2) << "the training-set error counts any winner above 0";
}

}  // namespace
}  // namespace wl

// The forward pass of one vector: standard, skip-connection, function-approximation and SMLP structures,
// the input coding, the stretched sigmoid and its guard, and the count of transfer-function evaluations.
#include "model/forward_pass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/scripted_platform.h"
#include "support/test_support.h"

namespace wl {
namespace {

double Logistic(double a) { return 1.0 / (1.0 + std::exp(a)); }

class ForwardPassTest : public ::testing::Test {
 protected:
  ScriptedPlatform plat;
  Workbench wb{plat, "/nonexistent/weightlab"};

  void SetUp() override {
    wb.Slope = 1.0;
    wb.Stretch = 1.0;
    wb.LinearInputs = true;
  }
  // A data set of continuous features, one row per vector.
  void Rows(std::vector<std::vector<double>> rows) {
    test::SetContinuousRows(wb, std::move(rows));
    wb.NumOfClasses = 2;
    wb.VectorClass.assign(wb.NumOfVectors, 0);
  }
  // The network from its layer sizes and each neuron's weights (threshold last), layer 1 upward; input
  // weights 1. Skip connections: the output neurons list hidden weights, input weights, threshold.
  void Network(std::vector<int> layers, std::vector<std::vector<std::vector<double>>> weights, bool skip = false) {
    test::SetNetwork(wb, layers, weights, skip);
  }
  double Out(std::size_t l, std::size_t j) const { return wb.Net[l][j].Signal; }
};

TEST_F(ForwardPassTest, StandardNetworkByHand) {
  Rows({{1.0, 2.0}});
  Network({2, 2, 2}, {{{0.5, -1.0, 0.25}, {1.0, 1.0, 3.0}}, {{2.0, -2.0, 0.5}, {-1.0, 0.5, 0.0}}});
  wb.Net[0][1].Weights[0] = 0.5;  // the input weight scales its input
  wb.Slope = 2.0;
  ComputeSignals(wb, 0);

  const double x0 = 1.0, x1 = 0.5 * 2.0;
  EXPECT_EQ(Out(0, 0), x0);
  EXPECT_EQ(Out(0, 1), x1);
  const double h0 = Logistic((0.25 - (0.5 * x0 - 1.0 * x1)) * 2.0);
  const double h1 = Logistic((3.0 - (x0 + x1)) * 2.0);
  EXPECT_DOUBLE_EQ(Out(1, 0), h0);
  EXPECT_DOUBLE_EQ(Out(1, 1), h1);
  EXPECT_DOUBLE_EQ(Out(2, 0), Logistic((0.5 - (2.0 * h0 - 2.0 * h1)) * 2.0));
  EXPECT_DOUBLE_EQ(Out(2, 1), Logistic((0.0 - (-h0 + 0.5 * h1)) * 2.0));
  EXPECT_EQ(wb.SigmoidCount, 4) << "one per neuron of layers 1 and 2, none for linear inputs";
  EXPECT_EQ(wb.StretchOffset, 0.0);
}

TEST_F(ForwardPassTest, SigmoidInputsAndOneHotCoding) {
  // A continuous feature and a discrete one with the values 10, 20, 30 (three inputs).
  wb.NumOfFeatures = 2;
  wb.Features.resize(2);
  wb.Features[1].Kind = 'd';
  wb.Features[1].NValues = 3;
  wb.Features[1].Values = {10.0, 20.0, 30.0};
  wb.AllContinuous = false;
  wb.NumOfVectors = 2;
  wb.Data = {{0.3, 20.0}, {0.3, 25.0}};
  wb.NumOfClasses = 2;
  wb.VectorClass = {0, 1};
  Network({4, 1}, {{{0, 0, 0, 0, 0}}});
  wb.Net[0][2].Weights[0] = 0.75;

  ComputeSignals(wb, 0);
  EXPECT_EQ(Out(0, 0), 0.3);
  EXPECT_EQ(Out(0, 1), 0.0);
  EXPECT_EQ(Out(0, 2), 0.75) << "the input weight scales the hot input";
  EXPECT_EQ(Out(0, 3), 0.0);
  ComputeSignals(wb, 1);
  EXPECT_EQ(Out(0, 1) + Out(0, 2) + Out(0, 3), 0.0) << "a value listed nowhere";

  wb.LinearInputs = false;
  wb.Slope = 3.0;
  wb.SigmoidCount = 0;
  ComputeSignals(wb, 1);
  EXPECT_DOUBLE_EQ(Out(0, 0), Logistic(-0.3 * 3.0));
  EXPECT_EQ(Out(0, 2), 0.5) << "S(0) for the cold input";
  EXPECT_EQ(wb.SigmoidCount, 5) << "four sigmoid inputs and the output";
}

TEST_F(ForwardPassTest, StretchedSigmoidAndSlope) {
  Rows({{0.0}});
  Network({1, 1}, {{{1.0, 0.0}}});
  // net = threshold: exactly 0.5; slope 0: 0.5 whatever the net.
  ComputeSignals(wb, 0);
  EXPECT_EQ(Out(1, 0), 0.5);
  wb.Data[0][0] = 7.0;
  wb.Slope = 0.0;
  ComputeSignals(wb, 0);
  EXPECT_EQ(Out(1, 0), 0.5);

  // Stretch 2: 2 / (1 + e^a) - 0.5, clipped: 0 from a = ln 3 up, 1 from a = -ln 3 down.
  wb.Slope = 1.0;
  wb.Stretch = 2.0;
  const double ln3 = std::log(3.0);
  struct Case {
    double a, y;
  };
  for (const Case& c : {Case{ln3 + 1e-9, 0.0}, Case{5.0, 0.0}, Case{-ln3 - 1e-9, 1.0}, Case{-5.0, 1.0}, Case{0.0, 0.5},
                        Case{0.3, 2.0 * Logistic(0.3) - 0.5}}) {
    wb.Data[0][0] = -c.a;  // a = threshold - net = -x
    ComputeSignals(wb, 0);
    EXPECT_DOUBLE_EQ(Out(1, 0), c.y) << c.a;
  }
  EXPECT_EQ(wb.StretchOffset, -0.5);
}

// Where a guard stands a huge argument gives the limit value; where none stands (the skip-connection
// layers, sigmoid inputs) an argument beyond the extended-precision range is an overflow.
TEST_F(ForwardPassTest, ExponentialGuards) {
  Rows({{-20000.0}});
  Network({1, 1}, {{{1.0, 0.0}}});
  ComputeSignals(wb, 0);
  EXPECT_EQ(Out(1, 0), 0.0);
  wb.Data[0][0] = -11300.5;
  ComputeSignals(wb, 0);
  EXPECT_EQ(Out(1, 0), 0.0);
  wb.Data[0][0] = -11300.0;  // evaluated, and as small as a double gets
  ComputeSignals(wb, 0);
  EXPECT_EQ(Out(1, 0), 0.0);
  EXPECT_FALSE(std::isnan(Out(1, 0)));

  wb.LinearInputs = false;
  wb.Data[0][0] = -20000.0;  // the input sigmoid: e^20000
  EXPECT_THROW(ComputeSignals(wb, 0), FloatError);

  wb.LinearInputs = true;
  Rows({{-20000.0, 0.0}});
  Network({2, 1, 1}, {{{1.0, 0.0, 0.0}}, {{0.0, 0.0, 0.0, 0.0}}}, true);
  wb.Form1.SkipCheck.SetChecked(true);
  EXPECT_THROW(ComputeSignals(wb, 0), FloatError);
  wb.Data[0][0] = -11350.0;  // finite in extended precision: the output is 0 as stored in a double
  ComputeSignals(wb, 0);
  EXPECT_EQ(Out(1, 0), 0.0);
  wb.Form1.FullConn.SetChecked(true);
}

TEST_F(ForwardPassTest, SkipConnectionsByHand) {
  Rows({{1.0, -1.0}});
  // Hidden: 2 neurons; outputs: 2 hidden weights, 2 input weights, threshold.
  Network({2, 2, 1}, {{{1.0, 2.0, 0.5}, {-1.0, 0.5, 0.0}}, {{1.5, -0.5, 0.25, 0.75, 0.1}}}, true);
  wb.Slope = 1.5;
  wb.Stretch = 3.0;  // not used by skip-connection neurons
  wb.Form1.SkipCheck.SetChecked(true);
  ComputeSignals(wb, 0);
  const double h0 = Logistic((0.5 - (1.0 - 2.0)) * 1.5);
  const double h1 = Logistic((0.0 - (-1.0 - 0.5)) * 1.5);
  EXPECT_DOUBLE_EQ(Out(1, 0), h0);
  EXPECT_DOUBLE_EQ(Out(1, 1), h1);
  const double net = 1.5 * h0 - 0.5 * h1 + 0.25 * 1.0 + 0.75 * -1.0;
  EXPECT_DOUBLE_EQ(Out(2, 0), Logistic((0.1 - net) * 1.5));
  EXPECT_EQ(wb.SigmoidCount, 3);
  wb.Form1.FullConn.SetChecked(true);
}

TEST_F(ForwardPassTest, FunctionApproximationOutputIsLinearAndUncounted) {
  Rows({{2.0}});
  Network({1, 2, 1}, {{{1.0, 0.5}, {-1.0, 0.0}}, {{0.5, 2.0, 1.0}}});
  wb.Slope = 2.0;
  wb.Form1.FApproxBox.SetChecked(true);
  ComputeSignals(wb, 0);
  const double h0 = Logistic((0.5 - 2.0) * 2.0), h1 = Logistic((0.0 + 2.0) * 2.0);
  EXPECT_DOUBLE_EQ(Out(2, 0), (1.0 - (0.5 * h0 + 2.0 * h1)) * 2.0);
  EXPECT_EQ(wb.SigmoidCount, 2);
  wb.Form1.FApproxBox.SetChecked(false);
}

TEST_F(ForwardPassTest, SmlpStructureComputesTheInputLayerOnly) {
  Rows({{0.4, 0.6}});
  Network({2, 1, 1}, {{{1.0, 1.0, 0.0}}, {{1.0, 0.0}}});
  wb.Net[1][0].Signal = 0.123;
  wb.Net[2][0].Signal = 0.456;
  wb.Form1.strbox.SetChecked(true);
  ComputeSignals(wb, 0);
  EXPECT_EQ(Out(0, 0), 0.4);
  EXPECT_EQ(Out(0, 1), 0.6);
  EXPECT_EQ(Out(1, 0), 0.123);
  EXPECT_EQ(Out(2, 0), 0.456);
  wb.Form1.FullConn.SetChecked(true);
}

TEST_F(ForwardPassTest, NetworkOfAnotherDataSetIsRefused) {
  Rows({{1.0, 2.0, 3.0}});
  Network({2, 1}, {{{1.0, 1.0, 0.0}}});
  EXPECT_THROW(ComputeSignals(wb, 0), WlError);
  Network({3, 1}, {{{1.0, 1.0, 1.0, 0.0}}});
  EXPECT_NO_THROW(ComputeSignals(wb, 0));
  EXPECT_THROW(ComputeSignals(wb, 1), WlError);
}

}  // namespace
}  // namespace wl

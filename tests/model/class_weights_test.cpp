// Class weights of the weighted error, the class order of the signal plots, and the staircase table.
#include "model/class_weights.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "state/workbench.h"
#include "platform/scripted_platform.h"

namespace wl {
namespace {

class ClassWeightsTest : public ::testing::Test {
 protected:
  ScriptedPlatform plat;
  Workbench wb{plat, "/nonexistent/weightlab"};

  void Classes(const std::vector<int>& sizes) {
    wb.VectorClass.clear();
    for (std::size_t c = 0; c < sizes.size(); ++c)
      wb.VectorClass.insert(wb.VectorClass.end(), sizes[c], static_cast<int>(c));
    wb.NumOfVectors = static_cast<int>(wb.VectorClass.size());
    wb.NumOfClasses = static_cast<int>(sizes.size());
  }
};

TEST_F(ClassWeightsTest, WeightsBalanceTheClasses) {
  Classes({30, 10});
  ComputeClassWeights(wb);
  EXPECT_EQ(wb.ClassSize, (std::vector<int>{30, 10}));
  EXPECT_DOUBLE_EQ(wb.ClassWeight[0], 20.0 / 30.0);
  EXPECT_DOUBLE_EQ(wb.ClassWeight[1], 2.0);

  // A class without a training vector counts as one vector; the weights share the vectors out among the
  // two classes present.
  Classes({6, 0, 3});
  ComputeClassWeights(wb);
  EXPECT_EQ(wb.ClassSize, (std::vector<int>{6, 1, 3}));
  EXPECT_DOUBLE_EQ(wb.ClassWeight[1], 9.0 / 2.0);
  EXPECT_DOUBLE_EQ(wb.ClassWeight[0], 4.5 / 6.0);
  EXPECT_DOUBLE_EQ(wb.ClassWeight[2], 4.5 / 3.0);
}

// The balanced figures average over the classes that have vectors: with every vector right the balanced
// accuracy (the sum of the weights of the vectors right over their number) is 1, classes without vectors
// or not; each vector weighs N / (its class's size x the classes present).
TEST_F(ClassWeightsTest, BalancedWeightsAverageOverTheClassesPresent) {
  struct Case {
    std::vector<int> Sizes;
    int Present;
  };
  const Case cases[] = {{{30, 10}, 2}, {{50, 25, 75}, 3}, {{6, 0, 3}, 2}, {{0, 4, 0}, 1}, {{2, 0, 0, 2, 0}, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.Sizes));
    Classes(c.Sizes);
    const int n = wb.NumOfVectors;
    EXPECT_EQ(ClassesPresent(wb.VectorClass, n, wb.NumOfClasses), c.Present);
    const std::vector<double> w = BalancedVectorWeights(wb.VectorClass, n, wb.NumOfClasses);
    ASSERT_EQ(w.size(), static_cast<std::size_t>(n));
    double sum = 0.0;
    for (int v = 0; v < n; ++v) {
      const int size = c.Sizes[static_cast<std::size_t>(wb.VectorClass[v])];
      EXPECT_DOUBLE_EQ(w[v], static_cast<double>(n) / (size * c.Present));
      sum += w[v];
    }
    EXPECT_NEAR(sum / n, 1.0, 1e-12);
    // The per-class weights of the weighted error likewise.
    ComputeClassWeights(wb);
    double classSum = 0.0;
    for (int v = 0; v < n; ++v) classSum += wb.ClassWeight[static_cast<std::size_t>(wb.VectorClass[v])];
    EXPECT_NEAR(classSum / n, 1.0, 1e-12);
  }
  // A vector of a class out of range weighs nothing and counts no class.
  EXPECT_EQ(BalancedVectorWeights({0, 5, 0, -1}, 4, 2), (std::vector<double>{2.0, 0.0, 2.0, 0.0}));
}

TEST_F(ClassWeightsTest, ClassOrderIsLargestFirst) {
  Classes({2, 7, 0, 7, 4});
  ComputeClassWeights(wb);
  EXPECT_EQ(wb.ClassOrder, (std::vector<int>{1, 3, 4, 0, 2}));
  std::vector<int> sorted = wb.ClassOrder;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST_F(ClassWeightsTest, StairTable) {
  wb.NumOfStep = 0;
  BuildStairTable(wb);
  EXPECT_EQ(wb.StairTable, std::vector<double>{1.0});
  EXPECT_EQ(wb.StairRange, 0.0);
  EXPECT_EQ(wb.StairScale, 30.0);

  wb.NumOfStep = 100;
  BuildStairTable(wb);
  ASSERT_EQ(wb.StairTable.size(), 101u);
  EXPECT_EQ(wb.StairTable[0], 0.0);
  EXPECT_EQ(wb.StairTable[100], 1.0);
  EXPECT_EQ(wb.StairTable[50], 0.5);
  EXPECT_DOUBLE_EQ(wb.StairTable[20], 1.0 / (1.0 + std::exp(1.0)));
  EXPECT_NEAR(wb.StairRange, 1.6667, 1e-4);
  EXPECT_TRUE(std::is_sorted(wb.StairTable.begin(), wb.StairTable.end()));

  // An odd number of steps: K/2 in floating point.
  wb.NumOfStep = 5;
  BuildStairTable(wb);
  EXPECT_DOUBLE_EQ(wb.StairTable[2], 1.0 / (1.0 + std::exp(0.5 / 30.0)));
  EXPECT_DOUBLE_EQ(wb.StairRange, 5.0 / 60.0);

  // Built again only when the number of steps changed.
  wb.StairTable[2] = -1.0;
  EnsureStairTable(wb);
  EXPECT_EQ(wb.StairTable[2], -1.0);
  wb.NumOfStep = 6;
  EnsureStairTable(wb);
  EXPECT_EQ(wb.StairTable.size(), 7u);
}

}  // namespace
}  // namespace wl

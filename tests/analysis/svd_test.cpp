// The shared decomposition and the PCA of a weight trajectory: known small cases, random matrices
// rebuilt and checked against Eigen, the stacking of "SVD on Weight Matrix", the progress texts, the
// eigenvalue check and the exchange files.
#include "analysis/svd.h"

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/weight_pca.h"
#include "state/workbench.h"
#include "platform/numfmt.h"
#include "platform/random.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

Matrix FromEigen(const Eigen::MatrixXd& e) {
  Matrix m;
  m.Resize(static_cast<int>(e.rows()), static_cast<int>(e.cols()));
  for (int r = 0; r < m.Rows; ++r)
    for (int c = 0; c < m.Cols; ++c) m(r, c) = e(r, c);
  return m;
}

std::vector<double> Sorted(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST(SvdTest, DiagonalMatrixKeepsItsOrderAndTheSignRuleFlipsV) {
  Matrix a;
  a.Resize(3, 3);
  a(0, 0) = 1;
  a(1, 1) = 3;
  a(2, 2) = 2;
  std::vector<double> w;
  Matrix v;
  ASSERT_TRUE(SVD(a, 3, 3, w, v));
  EXPECT_EQ(w, (std::vector<double>{1, 3, 2}));
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_EQ(v(i, j), i == j ? -1.0 : 0.0) << i << " " << j;
}

TEST(SvdTest, RandomMatricesAreRebuiltAndAgreeWithEigen) {
  RandomGenerator rng;
  rng.Seed = 20240611;
  for (const auto& [m, n] : std::vector<std::pair<int, int>>{{6, 6}, {12, 12}, {30, 25}, {40, 7}}) {
    Eigen::MatrixXd x(m, n);
    for (int r = 0; r < m; ++r)
      for (int c = 0; c < n; ++c) x(r, c) = rng.Real() * 4.0 - 2.0;
    // A covariance-like square matrix for the square cases, the matrix itself otherwise.
    const Eigen::MatrixXd input = m == n ? Eigen::MatrixXd(x.transpose() * x / (m - 1)) : x;
    Matrix a = FromEigen(input);
    std::vector<double> w;
    Matrix v;
    ASSERT_TRUE(SVD(a, m, n, w, v));
    Eigen::MatrixXd U(m, n), V(n, n), W = Eigen::MatrixXd::Zero(n, n);
    for (int r = 0; r < m; ++r)
      for (int c = 0; c < n; ++c) U(r, c) = a(r, c);
    for (int r = 0; r < n; ++r)
      for (int c = 0; c < n; ++c) V(r, c) = v(r, c);
    for (int i = 0; i < n; ++i) {
      EXPECT_GE(w[static_cast<std::size_t>(i)], 0.0);
      W(i, i) = w[static_cast<std::size_t>(i)];
    }
    const double scale = input.cwiseAbs().maxCoeff();
    EXPECT_LT((U * W * V.transpose() - input).cwiseAbs().maxCoeff(), 1e-12 * scale) << m << "x" << n;
    EXPECT_LT((V.transpose() * V - Eigen::MatrixXd::Identity(n, n)).cwiseAbs().maxCoeff(), 1e-12);
    Eigen::JacobiSVD<Eigen::MatrixXd> ref(input);
    std::vector<double> want(ref.singularValues().data(), ref.singularValues().data() + n);
    const std::vector<double> got = Sorted(w), sortedWant = Sorted(want);
    for (int i = 0; i < n; ++i)
      EXPECT_NEAR(got[static_cast<std::size_t>(i)], sortedWant[static_cast<std::size_t>(i)], 1e-12 * scale);
  }
}

TEST(SvdTest, ProgressStagesFor100Columns) {
  Matrix a;
  a.Resize(100, 100);
  for (int i = 0; i < 100; ++i) a(i, i) = 1.0 + i;
  std::vector<std::string> said;
  std::vector<double> w;
  Matrix v;
  ASSERT_TRUE(SVD(a, 100, 100, w, v, [&](const std::string& s) { said.push_back(s); }));
  EXPECT_EQ(said, (std::vector<std::string>{"Calculating SVD... 0%", "Calculating SVD... 10%", "Calculating SVD... 20%",
                                             "Calculating SVD... 30%", "Calculating SVD... 40%", "Calculating SVD... 50%",
                                             "Calculating SVD... 70%", "Calculating SVD... 90%"}));
}

TEST(SvdTest, ProgressStagesReachColumnsFiveThirteenTwentyFourForty) {
  // The stages come at their columns: watch the column count through the matrix state seen by the
  // callback (the diagonal entry of a column turns negative once it has been reduced).
  Matrix a;
  a.Resize(100, 100);
  for (int i = 0; i < 100; ++i) a(i, i) = 1.0;
  std::vector<int> reduced;
  std::vector<double> w(100, 0.0);
  Matrix v;
  ASSERT_TRUE(SVD(a, 100, 100, w, v, [&](const std::string& s) {
    if (s.find("0%") != std::string::npos && s != "Calculating SVD... 0%" && s.find("70") == std::string::npos &&
        s.find("90") == std::string::npos) {
      int done = 0;
      for (double x : w)
        if (x != 0.0) ++done;
      reduced.push_back(done);
    }
  }));
  // Stage k is announced as column c starts, after columns 1 .. c - 1 are done.
  EXPECT_EQ(reduced, (std::vector<int>{4, 12, 23, 39, 99}));
}

// PCA of a weight matrix held in the workbench.
class WeightPCATest : public test::ProgramDirTest {
 protected:
  void SetUp() override { MakeProgramDir("wl_wpca_", {"PCA"}); }
  void SetMatrix(const Eigen::MatrixXd& rowsByWeights) {
    wb->NumOfWeights = static_cast<int>(rowsByWeights.cols());
    wb->WMRows = static_cast<int>(rowsByWeights.rows());
    wb->WeightMatrix.assign(static_cast<std::size_t>(wb->NumOfWeights), std::vector<double>(static_cast<std::size_t>(wb->WMRows)));
    for (int r = 0; r < wb->WMRows; ++r)
      for (int w = 0; w < wb->NumOfWeights; ++w)
        wb->WeightMatrix[static_cast<std::size_t>(w)][static_cast<std::size_t>(r)] = rowsByWeights(r, w);
  }
  Eigen::MatrixXd RandomMatrix(int rows, int cols, std::uint32_t seed) {
    RandomGenerator rng;
    rng.Seed = seed;
    Eigen::MatrixXd x(rows, cols);
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < cols; ++c) x(r, c) = rng.Real() - 0.5 + 0.1 * r * (c % 3);
    return x;
  }
};

TEST_F(WeightPCATest, WeightMatrixOfTenRowsAndTwentyFiveWeightsIsStackedThreeTimes) {
  const Eigen::MatrixXd x = RandomMatrix(10, 25, 7);
  SetMatrix(x);
  wb->Form1.WMBox.SetChecked(true);
  ASSERT_TRUE(ComputeWeightPCA(*wb)) << wb->Form1.ep.Text();
  EXPECT_EQ(wb->Form1.ep.Text(), "Drawing Plot...");
  // Thirty rows: the singular values of the ten rows, times the square root of 3.
  Eigen::JacobiSVD<Eigen::MatrixXd> ref(x);
  std::vector<double> want(25, 0.0);
  for (int i = 0; i < 10; ++i) want[static_cast<std::size_t>(i)] = ref.singularValues()(i) * std::sqrt(3.0);
  const std::vector<double> got = Sorted(wb->Eigenvalues);
  want = Sorted(want);
  for (std::size_t i = 0; i < 25; ++i) EXPECT_NEAR(got[i], want[i], 1e-11) << i;
  ASSERT_EQ(wb->PrincipalComponents.size(), 25u);
}

TEST_F(WeightPCATest, CovarianceMethodGivesTheCovariancesEigenvaluesAndWritesTheFiles) {
  const Eigen::MatrixXd x = RandomMatrix(13, 9, 11);
  SetMatrix(x);
  ASSERT_TRUE(ComputeWeightPCA(*wb)) << wb->Form1.ep.Text();
  const Eigen::MatrixXd centred = x.rowwise() - x.colwise().mean();
  const Eigen::MatrixXd cov = centred.transpose() * centred / 12.0;
  Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> ref(cov);
  std::vector<double> want(ref.eigenvalues().data(), ref.eigenvalues().data() + 9);
  const std::vector<double> got = Sorted(wb->Eigenvalues);
  want = Sorted(want);
  for (std::size_t i = 0; i < 9; ++i) EXPECT_NEAR(got[i], want[i], 1e-13);
  // Component k is the direction of eigenvalue k: cov c = lambda c.
  for (std::size_t k = 0; k < 9; ++k) {
    Eigen::VectorXd c(9);
    for (int j = 0; j < 9; ++j) c(j) = wb->PrincipalComponents[k][static_cast<std::size_t>(j)];
    EXPECT_LT((cov * c - wb->Eigenvalues[k] * c).cwiseAbs().maxCoeff(), 1e-13) << k;
  }
  // The files read back to 15 digits: six components a line, one eigenvalue a line, the matrix.
  const std::vector<std::string> pcomp = test::Lines(test::ReadText(dir / "PCA" / "pcomp_w.txt"));
  ASSERT_EQ(pcomp.size(), 9u);
  EXPECT_EQ(pcomp[0].size(), 6u * 26u);
  std::istringstream first(pcomp[4]);
  for (std::size_t k = 0; k < 6; ++k) {
    std::string t;
    first >> t;
    EXPECT_NEAR(StrToFloat(t), wb->PrincipalComponents[k][4], 1e-15);
  }
  const std::vector<std::string> eig = test::Lines(test::ReadText(dir / "PCA" / "eig_w.txt"));
  ASSERT_EQ(eig.size(), 9u);
  for (std::size_t i = 0; i < 9; ++i) EXPECT_NEAR(StrToFloat(eig[i]), wb->Eigenvalues[i], std::fabs(wb->Eigenvalues[i]) * 1e-14);
  const std::vector<std::string> wm = test::Lines(test::ReadText(dir / "PCA" / "WM_weightlab.txt"));
  ASSERT_EQ(wm.size(), 13u);
  EXPECT_EQ(wm[0].substr(0, 2), "  ");
  EXPECT_EQ(wm[0].back(), '\r');
}

TEST_F(WeightPCATest, FailsOnlyWhenNoEigenvalueIsPositive) {
  // A constant trajectory: a zero covariance matrix.
  Eigen::MatrixXd x = Eigen::MatrixXd::Constant(5, 7, 0.25);
  SetMatrix(x);
  EXPECT_FALSE(ComputeWeightPCA(*wb));
  EXPECT_EQ(wb->Form1.ep.Text(), "Error!  EigenValue[0]=0");
  EXPECT_FALSE(fs::exists(dir / "PCA" / "pcomp_w.txt"));
  // One weight constant: its eigenvalue is 0, which is no failure.
  x = RandomMatrix(5, 7, 3);
  x.col(0).setConstant(1.5);
  SetMatrix(x);
  EXPECT_TRUE(ComputeWeightPCA(*wb)) << wb->Form1.ep.Text();
  EXPECT_EQ(std::count(wb->Eigenvalues.begin(), wb->Eigenvalues.end(), 0.0) >= 1, true);
}

TEST_F(WeightPCATest, FewerThanSixWeightsWriteAsManyComponents) {
  SetMatrix(RandomMatrix(6, 4, 5));
  ASSERT_TRUE(ComputeWeightPCA(*wb)) << wb->Form1.ep.Text();
  const std::vector<std::string> pcomp = test::Lines(test::ReadText(dir / "PCA" / "pcomp_w.txt"));
  ASSERT_EQ(pcomp.size(), 4u);
  EXPECT_EQ(pcomp[0].size(), 4u * 26u);
}

}  // namespace
}  // namespace wl

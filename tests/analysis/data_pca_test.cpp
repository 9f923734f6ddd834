// The PCA of a data set: the covariance file, the variance list, and the data set projected on the
// leading components.
#include "analysis/data_pca.h"

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "state/workbench.h"
#include "platform/numfmt.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

class DataPCATest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_dpca_", {"PCA", "results"});
    wb->ResultsPrefix = (dir / "results" / "toy_7").string();
  }
  void SetRows(std::vector<std::vector<double>> rows, std::vector<int> classes) {
    test::SetContinuousRows(*wb, std::move(rows));
    wb->VectorClass = std::move(classes);
    wb->NumOfClasses = 2;
  }
};

TEST_F(DataPCATest, CovarianceVarianceListAndProjection) {
  SetRows({{1.0, 2.0, 0.5}, {2.0, 1.0, -0.5}, {3.0, 5.0, 1.0}, {4.0, 3.0, 2.0}, {0.5, 0.0, 1.5}}, {0, 1, 0, 1, 1});
  // The eigenvalues of the surface's components stay theirs.
  wb->Eigenvalues = {7.0, 2.0};
  ASSERT_TRUE(PCAOnData(*wb)) << wb->Form1.ep.Text();
  EXPECT_EQ(wb->Eigenvalues, (std::vector<double>{7.0, 2.0}));
  // The covariance (divisor N) agrees with Eigen's, and its eigenvalues are the decomposition's.
  Eigen::MatrixXd x(5, 3);
  for (int v = 0; v < 5; ++v)
    for (int f = 0; f < 3; ++f) x(v, f) = wb->Data[static_cast<std::size_t>(v)][static_cast<std::size_t>(f)];
  const Eigen::MatrixXd centred = x.rowwise() - x.colwise().mean();
  const Eigen::MatrixXd cov = centred.transpose() * centred / 5.0;
  const std::vector<std::string> file = test::Lines(test::ReadText(dir / "PCA" / "CovMat.txt"));
  ASSERT_EQ(file.size(), 9u);
  EXPECT_EQ(file[0], "covariance matrix:");
  EXPECT_EQ(file[1].substr(0, 26), FormatReal(cov(0, 0)) + "   ");
  EXPECT_EQ(file[4], "");
  EXPECT_EQ(file[5], "eigenvector matrix:");
  double S = 0.0;
  for (int i = 0; i < 3; ++i) S += wb->DataEigenvalues[static_cast<std::size_t>(i)];
  EXPECT_NEAR(S, cov.trace(), 1e-13);

  const auto& items = wb->Form1.VarianceBox.Items();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[2].substr(items[2].size() - 13), "1.0000000 / 3");

  // The click on line 2: two components.
  wb->Form1.VarianceBox.SetItemIndex(1);
  WritePCAData(*wb);
  const std::vector<std::string> out = test::Lines(test::ReadText(wb->ResultsPrefix + "_2.dat"));
  ASSERT_EQ(out.size(), 14u);
  EXPECT_EQ(out[0], "Number of features = 3");
  EXPECT_EQ(out[1], "Number of Vectors = 5");
  EXPECT_EQ(out[2], "Class Column No = 3");
  EXPECT_EQ(out[3], "");
  EXPECT_EQ(out[4], "Feature[1] = PCA1  continuous");
  EXPECT_EQ(out[5], "Feature[2] = PCA2  continuous");
  EXPECT_EQ(out[6], "Feature[3] = Class  discrete  2  0  1");
  EXPECT_EQ(out[7], "");
  EXPECT_EQ(out[8], "[DATA]");
  // Row of vector 2: its projections on eigenvectors 1 and 2 (no centring), then its class.
  std::istringstream in(out[11]);
  double p1 = 0, p2 = 0;
  int cls = -1;
  in >> p1 >> p2 >> cls;
  double want1 = 0, want2 = 0;
  for (int f = 0; f < 3; ++f) {
    want1 += x(2, f) * wb->MatrixA(0, f);
    want2 += x(2, f) * wb->MatrixA(1, f);
  }
  EXPECT_NEAR(p1, want1, 1e-13);
  EXPECT_NEAR(p2, want2, 1e-13);
  EXPECT_EQ(cls, 0);
  // Each row of MatrixA is an eigenvector of the covariance.
  for (int c = 0; c < 3; ++c) {
    Eigen::Vector3d e(wb->MatrixA(c, 0), wb->MatrixA(c, 1), wb->MatrixA(c, 2));
    EXPECT_LT((cov * e - wb->DataEigenvalues[static_cast<std::size_t>(c)] * e).cwiseAbs().maxCoeff(), 1e-13);
  }
}

TEST_F(DataPCATest, CorrelatedAndConstantFeatures) {
  // Two perfectly correlated features: one eigenvalue 0, and the whole variance on one component.
  SetRows({{1, 2}, {2, 4}, {3, 6}, {5, 10}}, {0, 1, 0, 1});
  ASSERT_TRUE(PCAOnData(*wb)) << wb->Form1.ep.Text();
  const auto& items = wb->Form1.VarianceBox.Items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_LT(std::min(wb->DataEigenvalues[0], wb->DataEigenvalues[1]), 1e-14 * std::max(wb->DataEigenvalues[0], wb->DataEigenvalues[1]));
  // The decomposition delivers the empty direction first; that is no failure.
  EXPECT_EQ(items[0], "0.0000000 / 0.0000000 / 1");
  EXPECT_EQ(items[1], "1.0000000 / 1.0000000 / 2");
  // A constant first feature gives an eigenvalue 0, which is no failure.
  SetRows({{1, 2, 3}, {1, 4, 1}, {1, 6, 2}, {1, 10, 0}}, {0, 1, 0, 1});
  EXPECT_TRUE(PCAOnData(*wb)) << wb->Form1.ep.Text();
  // All features constant: no eigenvalue is positive.
  SetRows({{1, 2}, {1, 2}}, {0, 1});
  EXPECT_FALSE(PCAOnData(*wb));
  EXPECT_EQ(wb->Form1.ep.Text(), "Error!  EigenValue[0]=0");
  const std::vector<std::string> file = test::Lines(test::ReadText(dir / "PCA" / "CovMat.txt"));
  EXPECT_EQ(file.size(), 3u);  // the covariance matrix only
}

TEST_F(DataPCATest, AClickPastTheComponentsDoesNothing) {
  SetRows({{1, 2}, {2, 1}, {3, 5}}, {0, 1, 0});
  ASSERT_TRUE(PCAOnData(*wb));
  wb->Form1.VarianceBox.SetItems({"a", "b", "c", "d"});
  wb->Form1.VarianceBox.SetItemIndex(3);
  WritePCAData(*wb);
  EXPECT_FALSE(fs::exists(wb->ResultsPrefix + "_4.dat"));
  // Nor does a click after the weight PCA has taken the work matrix.
  wb->MatrixA.Resize(1, 1);
  wb->Form1.VarianceBox.SetItemIndex(0);
  WritePCAData(*wb);
  EXPECT_FALSE(fs::exists(wb->ResultsPrefix + "_1.dat"));
}

}  // namespace
}  // namespace wl

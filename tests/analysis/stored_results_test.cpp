// Stored analysis results and what they were made for: the checks of their records, the eigenvalues at
// the level of rounding noise, and the exchange-file readers, which refuse a faulty file naming it and
// leave the components in use as they were.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/error_surface.h"
#include "analysis/pca_files.h"
#include "analysis/weight_pca.h"
#include "platform/errors.h"
#include "state/analysis_shapes.h"
#include "state/workbench.h"
#include "support/test_support.h"

namespace wl {
namespace {

TEST(StoredResultsTest, NoiseEigenvaluesBecomeZero) {
  const struct {
    std::vector<double> In;
    double Scale;
    std::vector<double> Out;
  } cases[] = {
      // A one-epoch run: one direction of change, the others rounding noise.
      {{2.9e-17, 8.44, 1e-16, -3e-17}, 0, {0, 8.44, 0, 0}},
      // A constant trajectory of weights about 0.5: nothing but noise, the largest value too.
      {{1e-31, 3e-32, 0}, 0.25, {0, 0, 0}},
      // Small but real variances stay.
      {{5.0, 1e-9, 2e-10}, 0.25, {5.0, 1e-9, 2e-10}},
      {{}, 0, {}},
  };
  for (const auto& c : cases) {
    std::vector<double> e = c.In;
    ZeroNoiseEigenvalues(e, static_cast<int>(e.size()), c.Scale);
    EXPECT_EQ(e, c.Out);
  }
}

class StoredResultsPCATest : public test::ProgramDirTest {
 protected:
  void SetUp() override { MakeProgramDir("wl_stored_pca_", {"PCA"}); }
  // rows x weights, each weight constant over the rows at value(w), plus step(r, w).
  void SetMatrix(int rows, int weights, double (*value)(int r, int w)) {
    wb->NumOfWeights = weights;
    wb->WMRows = rows;
    wb->WeightMatrix.assign(static_cast<std::size_t>(weights), std::vector<double>(static_cast<std::size_t>(rows)));
    for (int r = 0; r < rows; ++r)
      for (int w = 0; w < weights; ++w)
        wb->WeightMatrix[static_cast<std::size_t>(w)][static_cast<std::size_t>(r)] = value(r, w);
  }
};

TEST_F(StoredResultsPCATest, AConstantTrajectoryHasNoComponents) {
  // 0.1 three times averages to 0.10000000000000002: the covariance is 1e-34 noise, not variance.
  SetMatrix(3, 7, [](int, int w) { return 0.1 * (w + 1); });
  EXPECT_FALSE(ComputeWeightPCA(*wb));
  EXPECT_EQ(wb->Form1.ep.Text(), "Error!  EigenValue[0]=0");
  // Two epochs: one direction; every other eigenvalue is exactly 0.
  SetMatrix(2, 7, [](int r, int w) { return 0.1 * (w + 1) + 0.3 * r * (w % 2); });
  ASSERT_TRUE(ComputeWeightPCA(*wb)) << wb->Form1.ep.Text();
  int positive = 0;
  for (double e : wb->Eigenvalues) {
    EXPECT_TRUE(e == 0.0 || e > 0.1) << e;
    positive += e > 0 ? 1 : 0;
  }
  EXPECT_EQ(positive, 1);
}

class StoredResultsFilesTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_stored_files_", {"PCA"});
    wb->NumOfWeights = 3;
    wb->StartError = 1.5;
  }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(dir / "PCA" / name, std::ios::binary) << text;
  }
  std::string Path(const std::string& name) const { return (dir / "PCA" / name).string(); }
};

TEST_F(StoredResultsFilesTest, AFaultyFileLeavesTheComponentsInUse) {
  Write("eig_w.txt", "3\n2\n1\n");
  Write("pcomp_w.txt", "1 2 3\n4 5 6\n7 8 9\n");
  ASSERT_TRUE(ReadPCAFiles(*wb, PCAFileKind::W));
  EXPECT_TRUE(ComponentsFit(*wb));
  const std::vector<double> eig = wb->Eigenvalues;
  const std::vector<std::vector<double>> comp = wb->PrincipalComponents;
  const struct {
    const char* Eig;
    const char* Comp;
    bool Ica;
    std::string Error;
  } cases[] = {
      {"3\n2\n1\n", "1 2 3\n4 5 6\n", false,
       "File " + Path("pcomp_w.txt") + ": 2 lines for the 3 weights of the network, one line for each expected"},
      {"3\n2\n1\n", "0 0 0\n0 0 0\n0 0.0 0\n", false,
       "File " + Path("pcomp_w.txt") + ": every value is 0, which gives no direction"},
      {"-1\n2\n1\n", "1 2 3\n4 5 6\n7 8 9\n", false, "File " + Path("eig_w.txt") + ": the first eigenvalue -1 is negative"},
      {"3\n2\n1\n", "1 2 3 4 5\n", true,
       "File " + Path("ica_a.txt") + ": 1 lines for the 3 weights of the network, one line for each expected"},
      {"3\n2\n1\n", "0 0 0 0 0\n0 0 0 0 0\n0 0 0 0 0\n", true,
       "File " + Path("ica_a.txt") + ": every value is 0, which gives no direction"},
  };
  for (const auto& c : cases) {
    Write("eig_w.txt", c.Eig);
    Write(c.Ica ? "ica_a.txt" : "pcomp_w.txt", c.Comp);
    try {
      if (c.Ica)
        ReadICAFiles(*wb);
      else
        ReadPCAFiles(*wb, PCAFileKind::W);
      ADD_FAILURE() << "no error for " << c.Error;
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()), c.Error);
    }
    EXPECT_EQ(wb->Eigenvalues, eig) << c.Error;
    EXPECT_EQ(wb->PrincipalComponents, comp) << c.Error;
    EXPECT_TRUE(ComponentsShapeHolds(*wb));
  }
}

class StoredResultsShapeTest : public test::ProgramDirTest {
 protected:
  void SetUp() override { MakeProgramDir("wl_stored_shape_"); }
};

TEST_F(StoredResultsShapeTest, RecordsAndTheirChecks) {
  Workbench& wb = *this->wb;
  // Nothing recorded: the invariants hold, nothing fits.
  EXPECT_TRUE(ComponentsShapeHolds(wb));
  EXPECT_FALSE(ComponentsFit(wb));
  EXPECT_TRUE(SurfaceGridShapeHolds(wb.NG3D));
  EXPECT_FALSE(SurfaceGridFits(wb.NG3D));

  wb.NumOfWeights = 4;
  wb.NumOfLayers = 2;
  wb.Layers = {3, 1};
  wb.Eigenvalues.assign(4, 1.0);
  wb.PrincipalComponents.assign(4, std::vector<double>(4, 0.5));
  wb.PlotComponents = wb.PrincipalComponents;
  StampComponents(wb);
  EXPECT_TRUE(ComponentsFit(wb));
  // Seven rows of PlotComponents, or an eigenvalue missing, break the record's shape.
  wb.PlotComponents.assign(7, std::vector<double>(4, 0.5));
  EXPECT_FALSE(ComponentsShapeHolds(wb));
  wb.PlotComponents.resize(6);
  wb.Eigenvalues.pop_back();
  EXPECT_FALSE(ComponentsShapeHolds(wb));
  wb.Eigenvalues.push_back(1.0);
  // Another network: the components keep their shape, but do not fit.
  wb.NumOfWeights = 8;
  wb.Layers = {3, 2};
  EXPECT_TRUE(ComponentsShapeHolds(wb));
  EXPECT_FALSE(ComponentsFit(wb));
  EXPECT_FALSE(ComponentsFitFor(wb, "Only Plot"));
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "Only Plot : compute the surface again (SVD + Plot).");
  // The centre of the surface goes with components made for another network, and stays with those made
  // again for its own.
  wb.CentreWeights.assign(4, 0.25);
  wb.ComponentScores.assign(8, std::vector<double>(3, 0.0));
  StampComponents(wb);
  EXPECT_TRUE(wb.CentreWeights.empty());
  EXPECT_EQ(wb.ComponentScores.size(), 8u);  // scores for 8 components fit a network of 8 weights
  wb.NumOfWeights = 4;
  wb.Layers = {3, 1};
  StampComponents(wb);
  EXPECT_TRUE(wb.ComponentScores.empty());
  wb.NumOfWeights = 4;
  wb.Layers = {3, 1};
  wb.CentreWeights.assign(4, 0.25);
  StampComponents(wb);
  EXPECT_EQ(wb.CentreWeights.size(), 4u);
  EXPECT_TRUE(ComponentsFit(wb));

  // A grid of 25 lines at step 4 in the box of point size 1: 25 lines of 75 values.
  SurfaceGridMade g{25, 4, 1, SurfaceBoxFor(1), 100, 0, 1};
  MakeSurfaceGrid(wb.NG3D, g, 28, 78);
  EXPECT_EQ(GridLinesOf(g), 25u);
  EXPECT_EQ(GridValuesOf(g), 75u);
  EXPECT_TRUE(SurfaceGridFits(wb.NG3D));
  // A record that claims more than the grid holds breaks the invariant.
  wb.NG3D.GridMade.Step = 1;
  EXPECT_FALSE(SurfaceGridShapeHolds(wb.NG3D));
  wb.NG3D.GridMade.Step = 4;
  wb.NG3D.GridMade.Box = SurfaceBoxFor(2);
  EXPECT_FALSE(SurfaceGridShapeHolds(wb.NG3D));
  // One line gives no grid.
  MakeSurfaceGrid(wb.NG3D, {0, 1, 1, SurfaceBoxFor(1), 100, 0, 1}, 3, 3);
  EXPECT_FALSE(wb.NG3D.GridReady);
}

}  // namespace
}  // namespace wl

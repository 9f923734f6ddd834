// "Continue training": nothing before a data set, the Matlab refusal, the weight-matrix fields with and
// without "full WM", "D2-zero" showing only the norm, and VSS and BP training on from the weights the
// network holds (here weights moved by hand, as "TR EX" moves them).
#include "experiments/continue_training.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "experiments/new_training.h"
#include "model/read_parameters.h"
#include "platform/numfmt.h"
#include "platform/scripted_platform.h"
#include "state/workbench.h"
#include "support/test_support.h"
#include "training/prepare_run.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

class ContinueTrainingTest : public ::testing::Test {
 protected:
  ContinueTrainingTest() {
    fs::create_directories(dir / "DATA");
    fs::copy_file(fs::path(WL_SOURCE_DIR) / "DATA" / "iris.dat", dir / "DATA" / "iris.dat");
    plat.ProgramDir = dir.string();
    wb = std::make_unique<Workbench>(plat, dir.string());
    wb->CPUCHECKED = 2000.0;
    wb->Rng.Seed = 12345;
    wb->Form1.NoGTPBox.SetChecked(true);
  }

  // A VSS run of 3 epochs on iris through "New Training".
  void TrainIris() {
    wb->Form1.EpochEditT2.SetText("3");
    plat.OpenAnswers.push_back("DATA/iris.dat");
    ASSERT_FALSE(ReadParameters(*wb, 1));
    NewTraining(*wb);
    ASSERT_TRUE(plat.Messages.empty());
    ASSERT_EQ(wb->NumOfEpochs, 3);
  }
  std::vector<double> Weights() const {
    std::vector<double> all;
    for (std::size_t l = 1; l < wb->Net.size(); ++l)
      for (const TNeuron& n : wb->Net[l]) all.insert(all.end(), n.Weights.begin(), n.Weights.end());
    return all;
  }
  void MoveWeights(double by) {
    for (std::size_t l = 1; l < wb->Net.size(); ++l)
      for (TNeuron& n : wb->Net[l])
        for (double& w : n.Weights) w += by;
  }
  std::string NormText() const {
    double s = 0;
    for (double w : Weights()) s += w * w;
    return FixedDisplayText(std::sqrt(s), 10, 2);
  }

  test::TempProgramDir temp{"wl_continue_"};
  fs::path dir = temp.Path();
  ScriptedPlatform plat;
  std::unique_ptr<Workbench> wb;
};

TEST_F(ContinueTrainingTest, NothingBeforeADataSet) {
  ContinueTraining(*wb);
  EXPECT_TRUE(plat.Messages.empty());
  EXPECT_EQ(wb->Form1.modWEdit.Text(), "");
  EXPECT_TRUE(wb->WeightHistory.Empty());
}

TEST_F(ContinueTrainingTest, VSSTrainsOnFromTheMovedWeights) {
  TrainIris();
  MoveWeights(0.25);
  const std::vector<double> start = Weights();
  wb->Form1.EpochEditT2.SetText("2");
  wb->Form1.everyWMEdit.SetText("3");
  ContinueTraining(*wb);
  EXPECT_TRUE(plat.Messages.empty());
  EXPECT_EQ(wb->NumOfEpochs, 2);  // the parameters were read again
  const auto first = wb->WeightHistory.Row(0);
  EXPECT_EQ(std::vector<double>(first.begin(), first.end()), start);
  EXPECT_NE(Weights(), start);
  EXPECT_EQ(wb->ProgressStage, "128");
  EXPECT_EQ(wb->Form1.modWEdit.Text(), NormText());
  EXPECT_NEAR(wb->WeightNorm * wb->WeightNorm, SquaredWeightNorm(*wb), 1e-9);
  // "full WM": the weight matrix covers every epoch of the run, in the program's weight order.
  EXPECT_TRUE(wb->Form1.WMWeightLabBox.Checked());
  EXPECT_EQ(Trim(wb->Form1.WMepEdit.Text()), "2");
  EXPECT_EQ(wb->Form1.everyWMEdit.Text(), "1");
  EXPECT_EQ(wb->Form1.anyWMEdit.Text(), "");

  // Without "full WM" the fields keep their values; backpropagation trains on as well.
  wb->Form1.ALLWMBox.SetChecked(false);
  wb->Form1.everyWMEdit.SetText("2");
  wb->Form1.WMMatlabBox.SetChecked(true);
  wb->Form1.BPButton.SetChecked(true);
  const std::vector<double> before = Weights();
  ContinueTraining(*wb);
  EXPECT_EQ(wb->Form1.everyWMEdit.Text(), "2");
  EXPECT_TRUE(wb->Form1.WMWeightLabBox.Checked());
  EXPECT_EQ(wb->ProgressStage, "120");
  EXPECT_EQ(wb->MethodTag, "BP");
  EXPECT_NE(Weights(), before);
}

TEST_F(ContinueTrainingTest, D2ZeroOnlyShowsTheNormAndMatlabIsRefused) {
  TrainIris();
  MoveWeights(0.5);
  const std::vector<double> start = Weights();
  wb->Form1.modWEdit.SetText("");
  const std::string stage = wb->ProgressStage;
  wb->Form1.D2zeroButton.SetChecked(true);
  ContinueTraining(*wb);
  EXPECT_EQ(Weights(), start);
  EXPECT_EQ(wb->ProgressStage, stage);
  EXPECT_EQ(wb->Form1.modWEdit.Text(), NormText());

  wb->Form1.modWEdit.SetText("");
  wb->Form1.TrainingInMatlab.SetChecked(true);
  ContinueTraining(*wb);
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "Training Method is set to Matlab. Choose another method.");
  EXPECT_EQ(wb->Form1.modWEdit.Text(), "");
  EXPECT_EQ(Weights(), start);
}

}  // namespace
}  // namespace wl

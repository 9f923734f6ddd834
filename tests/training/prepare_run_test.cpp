// The run preparation: histories sized and epoch 0 recorded for a tiny run, the start error and its
// display, the progress plot opened or left alone, and the history length of beam search.
#include "training/prepare_run.h"

#include <gtest/gtest.h>

#include <array>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "model/create_network.h"
#include "model/data_file.h"
#include "model/layer_transfer.h"
#include "platform/errors.h"
#include "state/workbench.h"
#include "platform/scripted_platform.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

// The XOR set (4 vectors) and a 2-2-2 network of random weights on linear inputs; 3 epochs.
class PrepareRunTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_prepare_");
    ReadDataFile(*wb, std::string(WL_SOURCE_DIR) + "/DATA/xor.dat");
    wb->Form1.HiddenEditT2.SetText("2");
    wb->Form1.EpochEditT2.SetText("3");
    wb->Rng.Seed = 12345;
    ASSERT_EQ(CreateNetwork(*wb, 4), NetworkBuilt);
    ASSERT_EQ(wb->NumOfEpochs, 3);
    ASSERT_EQ(wb->NumOfWeights, 12);
    wb->MethodTag = "BP";
    wb->ProgressStage = "4";
  }
};

TEST_F(PrepareRunTest, HistoriesAreSizedAndEpochZeroIsRecorded) {
  wb->ESDone = true;
  wb->ResultText = "start";
  wb->AcceptedWeightedRate = 0.015625;
  PrepareTrainingRun(*wb);

  EXPECT_FALSE(wb->ESDone);
  EXPECT_TRUE(fs::is_directory(dir / "PCA"));
  EXPECT_EQ(wb->EpochHistory.size(), 4u);
  EXPECT_EQ(wb->WeightHistory.Rows(), 5u);
  EXPECT_EQ(wb->WeightTrialHistory.Rows(), 4u);
  EXPECT_EQ(wb->DetailWNormHistory.Rows(), 4u);
  EXPECT_EQ(wb->WNormHistory.size(), 4u);
  EXPECT_EQ(wb->WeightHistory.Shape().RowSize, 12u);
  EXPECT_EQ(wb->WeightHistory.Shape().Neurons, (std::vector<int>{2, 2}));
  EXPECT_EQ(wb->WeightHistory.Shape().Weights, (std::vector<int>{3, 3}));

  // Row 0 holds the weights in the network's own indexing, and their squared norm.
  double norm = 0.0;
  for (int l = 1; l < 3; ++l)
    for (int n = 0; n < 2; ++n)
      for (int k = 0; k <= 2; ++k) {
        const double w = wb->Net[l][n].Weights[k];
        EXPECT_EQ(wb->WeightHistory[0][l - 1][n][k], w);
        norm += w * w;
      }
  EXPECT_DOUBLE_EQ(wb->WNormHistory[0], norm);
  for (double d : wb->DetailWNormHistory.Row(0)) EXPECT_EQ(d, wb->WNormHistory[0]);
  // The flat row is the weight vector in the flat order: layer 2's neuron 1 threshold last.
  EXPECT_EQ(wb->WeightHistory.Row(0)[11], wb->Net[2][1].Weights[2]);

  // The start error is the per-layer error of the network, kept as the current error.
  const double start = wb->EpochHistory[0].Error;
  EXPECT_GT(start, 0.0);
  EXPECT_EQ(wb->CurrentError, start);
  EXPECT_EQ(start, TrainingSetError(*wb));
  EXPECT_EQ(wb->EpochHistory[0].Accuracy, wb->SuccessRate);
  EXPECT_EQ(wb->ClassWeight.size(), 2u);
  EXPECT_EQ(wb->StairTable.size(), static_cast<std::size_t>(wb->NumOfStep) + 1);

  EXPECT_EQ(wb->Form1.ep.Text(), "0");
  EXPECT_EQ(wb->Form1.ge.Text(), FixedDisplayText(start, 12, 4) + " / start");
  EXPECT_EQ(wb->Form1.EditSuccess.Text(), FixedDisplayText(wb->SuccessRate, 7, 5));
  EXPECT_EQ(wb->Form1.WeightedAccEdit.Text(), "0.01563");

  // The progress plot is open for the run's epochs.
  EXPECT_EQ(wb->ProgressStage, "18");
  EXPECT_TRUE(wb->GTPFormExists);
  EXPECT_EQ(wb->GTP.Plot.E, 3);
  EXPECT_EQ(wb->OnTopForm.Caption(), "On Top      418-0-0");
  EXPECT_EQ(wb->GTP.Plot.LastErrorY, 390 - static_cast<int>(std::lround(370.0 * start / (2 * 4))));
}

// A network of other layers than the parameters give is refused before anything of the run changes: the
// records of the last run stay.
TEST_F(PrepareRunTest, RefusesANetworkOfOtherLayersThanTheParameters) {
  PrepareTrainingRun(*wb);
  const std::size_t rows = wb->WeightHistory.Rows();
  struct Case {
    const char* Name;
    int Layers;
    const char* Message;
  };
  const Case cases[] = {
      {"two layers asked for", 2, "The network has 3 layers, the parameters ask for 2. Create the network again."},
      {"four layers asked for", 4, "The network has 3 layers, the parameters ask for 4. Create the network again."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    wb->NumOfLayers = c.Layers;
    wb->NumOfEpochs = 7;
    try {
      PrepareTrainingRun(*wb);
      ADD_FAILURE() << "not refused";
    } catch (const WlError& e) {
      EXPECT_EQ(std::string(e.what()), c.Message);
    }
    EXPECT_EQ(wb->WeightHistory.Rows(), rows);
  }
  wb->NumOfLayers = 3;
  wb->Layers.pop_back();
  EXPECT_THROW(RequireRecordableNetwork(*wb), WlError);
}

TEST_F(PrepareRunTest, BeamSearchRecordsEveryCandidateButPlotsTheEpochs) {
  wb->MethodTag = "BS";
  wb->BeamWidth = 3;
  wb->NumOfEpochs = 10;
  PrepareTrainingRun(*wb);
  EXPECT_EQ(wb->EpochHistory.size(), 91u);
  EXPECT_EQ(wb->WeightHistory.Rows(), 92u);
  EXPECT_EQ(wb->WNormHistory.size(), 91u);
  EXPECT_EQ(wb->GTP.Plot.E, 10);

  wb->MethodTag = "BP";
  wb->NumOfEpochs = 0;
  PrepareTrainingRun(*wb);
  EXPECT_EQ(wb->EpochHistory.size(), 1u);
  EXPECT_EQ(wb->WeightHistory.Rows(), 2u);
  EXPECT_EQ(wb->WeightHistory[0][1][1][2], wb->Net[2][1].Weights[2]);
  EXPECT_GT(wb->EpochHistory[0].Error, 0.0);
}

TEST_F(PrepareRunTest, NoPlotLeavesThePlotAndTheTraceAlone) {
  wb->Form1.NoGTPBox.SetChecked(true);
  const std::string caption = wb->OnTopForm.Caption();
  PrepareTrainingRun(*wb);
  EXPECT_EQ(wb->ProgressStage, "4");
  EXPECT_EQ(wb->OnTopForm.Caption(), caption);
  EXPECT_FALSE(wb->GTPFormExists);
  EXPECT_EQ(wb->EpochHistory.size(), 4u);
}

TEST_F(PrepareRunTest, OnlineHistoriesOnlyForOnlineBackpropagation) {
  wb->Online.Errors.assign(1, std::vector<double>{42.0});
  PrepareTrainingRun(*wb);
  ASSERT_EQ(wb->Online.Errors.size(), 1u);
  EXPECT_EQ(wb->Online.Errors[0][0], 42.0);
  EXPECT_EQ(wb->Online.Rows(), 0u);

  wb->OnlineBP = true;
  PrepareTrainingRun(*wb);
  EXPECT_EQ(wb->Online.Errors.size(), 4u);
  EXPECT_EQ(wb->Online.Errors[3].size(), 4u);
  EXPECT_EQ(wb->Online.Rows(), 16u);
  EXPECT_EQ(wb->Online.Vectors, 4);
  wb->Online.DirectRows()[3 * 4 + 2][1][0][2] = 7.0;
  // Layer 2 starts at flat index 6.
  EXPECT_EQ(wb->Online.Row(3, 2)[6 + 2], 7.0);
  EXPECT_EQ(wb->Online.Row(3, 1)[6 + 2], 0.0);
}

// A fresh block is zero; a block of the same size is kept as it is only when asked (the online record,
// which every run writes in full), and never across a change of size.
TEST(WeightRecordsTest, FreshBlocksAreZeroSameSizeBlocksKeptOnlyWhenAsked) {
  const WeightShape shape = WeightShape::Of({2, 2, 1}, std::array<int, 4>{2, 2, 0, 0}.data(), 3);
  WeightRecords<double> r;
  r.Resize(3, shape);
  r.Row(2)[8] = 5.0;
  r.Resize(3, shape, true);
  EXPECT_EQ(r.Row(2)[8], 5.0);
  r.Resize(3, shape);
  EXPECT_EQ(r.Row(2)[8], 0.0);
  r.Row(1)[0] = 7.0;
  r.Resize(4, shape, true);
  ASSERT_EQ(r.Rows(), 4u);
  for (std::size_t i = 0; i < 4; ++i)
    for (double x : r.Row(i)) EXPECT_EQ(x, 0.0);
  r.Resize(0, shape, true);
  EXPECT_TRUE(r.Empty());
}

TEST(FixedDisplayTextTest, RoundsOnceHalvesAwayFromZero) {
  struct Case {
    double x;
    int precision, digits;
    const char* text;
  } cases[] = {
      {0.015625, 7, 5, "0.01563"},  // a half: away from zero
      {0.5, 7, 5, "0.50000"},
      {1.0, 7, 5, "1.00000"},
      {0.999999999, 7, 5, "1.00000"},
      {-0.5, 7, 5, "-0.50000"},
      {-0.000001, 7, 5, "0.00000"},
      {0.0, 7, 5, "0.00000"},
      {2.5, 12, 4, "2.5000"},
      {1234567.123456789, 12, 4, "1234567.1235"},
      {123456789012.345, 12, 4, "123456789012.0000"},  // twelve significant digits only
      {99.99996, 12, 4, "100.0000"},
      {0.00123456789, 7, 5, "0.00123"},
  };
  for (const Case& c : cases) EXPECT_EQ(FixedDisplayText(c.x, c.precision, c.digits), c.text) << c.x;
}

}  // namespace
}  // namespace wl

// Input pruning: the marks of weights that stopped changing (growing, falling, T = 0, the first epochs),
// a feature removed from the data and the network, a discrete feature going only with all its inputs,
// every input marked, and a training run that prunes in its course and goes on with the smaller network.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/weight_matrix.h"
#include "experiments/input_pruning.h"
#include "model/create_network.h"
#include "model/layer_transfer.h"
#include "platform/errors.h"
#include "platform/random.h"
#include "state/workbench.h"
#include "support/test_support.h"
#include "model/error_functions.h"
#include "training/one_change.h"
#include "training/two_changes.h"
#include "training/prepare_run.h"

namespace wl {
namespace {

class InputPruningTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_prune_", {"results"});
    wb->ResultsPrefix = (dir / "results" / "tiny_7").string();
    wb->Slope = 1.0;
    wb->Stretch = 1.0;
    wb->ErrorExponent = 2.0;
    wb->LinearInputs = true;
  }

  // Three continuous features x, y, z; a 3-2-2 network; records for 5 epochs in which every first-layer
  // weight falls fast (by 1 per epoch) unless `course` gives its own values.
  void Setup(const std::function<bool(int j, int k, int e, double& w)>& course = {}) {
    test::SetContinuousRows(*wb, {{0.1, 0.2, 0.3}, {0.4, 0.5, 0.6}, {0.7, 0.8, 0.9}});
    for (int f = 0; f < 3; ++f) wb->Features[f].Name = std::string(1, "xyz"[f]);
    wb->VectorClass = {0, 1, 0};
    wb->NumOfClasses = 2;
    wb->VectorWeight.assign(3, 1.0);
    test::SetNetwork(*wb, {3, 2, 2}, {{{1, 2, 3, 4}, {5, 6, 7, 8}}, {{1, -1, 0}, {-1, 1, 0}}});
    wb->NumOfEpochs = 5;
    AllocHistories(*wb, 5);
    for (int e = 0; e <= 5; ++e)
      for (int j = 0; j < 2; ++j)
        for (int k = 0; k <= 3; ++k) {
          double w = -1.0 * e;
          if (course) course(j, k, e, w);
          wb->WeightHistory[e][0][j][k] = w;
        }
  }
};

struct MarkCase {
  const char* Name;
  const char* T;
  int Epoch;
  double Growth;  // weight (0, 0) is Growth x e
  bool Marked;
};

TEST_F(InputPruningTest, MarksWeightsThatStoppedFalling) {
  const MarkCase cases[] = {
      {"steady growth, d < 0", "0.01", 4, 0.1, true},
      {"falling by more than T/3 per epoch", "0.01", 4, -0.01, false},
      {"falling by less than T/3 per epoch", "0.01", 4, -0.001, true},
      {"unchanged, T > 0", "0.01", 4, 0.0, true},
      {"unchanged, T = 0", "0", 4, 0.0, false},
      {"growth, T = 0", "0", 4, 0.001, true},
      {"epoch 0: d = 0", "0.01", 0, -5.0, true},
      {"epoch 2: two terms, d = T", "0.03", 2, -0.01, false},
  };
  for (const MarkCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Setup([&c](int j, int k, int e, double& w) {
      if (j == 0 && k == 0) w = c.Growth * e;
      return true;
    });
    wb->Form1.DWTREdit.SetText(c.T);
    PruneInputs(*wb, c.Epoch);
    ASSERT_EQ(wb->PruneMarks.size(), 2u);
    EXPECT_EQ(wb->PruneMarks[0][0], c.Marked);
    if (c.Epoch > 0) {
      EXPECT_FALSE(wb->PruneMarks[0][1]);
    }
    EXPECT_EQ(wb->NumOfFeatures, 3);  // neuron 1's weights keep every input
  }
}

TEST_F(InputPruningTest, AFeatureMarkedAtEveryHiddenNeuronLeavesDataAndNetwork) {
  Setup([](int, int k, int e, double& w) {
    if (k == 1) w = 0.5 * e;
    return true;
  });
  wb->Form1.DWTREdit.SetText(" 0.01 ");
  EXPECT_EQ(PruneInputs(*wb, 4), PruneResult::Pruned);
  EXPECT_EQ(wb->PruneInputMarks, (std::vector<bool>{false, true, false}));
  EXPECT_EQ(wb->PruneFlags, (std::vector<bool>{false, true, false}));
  EXPECT_EQ(wb->NumOfFeatures, 2);
  ASSERT_EQ(wb->Features.size(), 2u);
  EXPECT_EQ(wb->Features[1].Name, "z");
  EXPECT_EQ(wb->Data[1], (std::vector<double>{static_cast<float>(0.4), static_cast<float>(0.6)}));
  EXPECT_EQ(wb->Layers[0], 2);
  EXPECT_EQ(wb->Net[0].size(), 2u);
  EXPECT_EQ(wb->LayerInputs[0], 2);
  EXPECT_EQ(wb->Net[1][0].Weights, (std::vector<double>{1, 3, 4}));
  EXPECT_EQ(wb->Net[1][1].Weights, (std::vector<double>{5, 7, 8}));
  EXPECT_EQ(wb->NumOfWeights, 12);
  EXPECT_EQ(wb->Form1.Label56.Caption(), "Vectors=3  L0=2  L1=2  L2=2");  // the network as it is now
  // The records keep the run's shape: the kept inputs and the threshold map to their old places.
  EXPECT_EQ(wb->RunInputOf, (std::vector<int>{0, 2}));
  EXPECT_EQ(RunWeightIndex(*wb, 1, 1), 2);
  EXPECT_EQ(RunWeightIndex(*wb, 1, 2), 3);
  EXPECT_EQ(RunWeightIndex(*wb, 2, 1), 1);
  // The run goes on comparing with the error of the changed set, which the smaller network computes.
  EXPECT_EQ(wb->CurrentError, TrainingSetError(*wb));
  EXPECT_EQ(wb->TrainingSetChanges, 1);
  EXPECT_EQ(wb->InputChanges, 1);
}

TEST_F(InputPruningTest, ADiscreteFeatureGoesOnlyWithAllItsInputs) {
  // x continuous, c discrete with three values (inputs 1..3), z continuous.
  test::SetContinuousRows(*wb, {{0.1, 1, 0.3}, {0.4, 2, 0.6}, {0.7, 3, 0.9}});
  wb->Features[1].Kind = 'd';
  wb->Features[1].NValues = 3;
  wb->Features[1].Values = {1, 2, 3};
  wb->AllContinuous = false;
  wb->VectorClass = {0, 1, 0};
  wb->NumOfClasses = 2;
  wb->VectorWeight.assign(3, 1.0);
  test::SetNetwork(*wb, {5, 1, 2}, {{{1, 2, 3, 4, 5, 6}}, {{1, 0}, {-1, 0}}});
  wb->NumOfEpochs = 4;
  AllocHistories(*wb, 4);
  auto course = [this](std::vector<int> steady) {
    for (int e = 0; e <= 4; ++e)
      for (int k = 0; k <= 5; ++k)
        wb->WeightHistory[e][0][0][k] = std::count(steady.begin(), steady.end(), k) ? 1.0 : -1.0 * e;
  };
  wb->Form1.DWTREdit.SetText("0.01");
  course({1, 2});
  EXPECT_EQ(PruneInputs(*wb, 4), PruneResult::NothingMarked);
  EXPECT_EQ(wb->PruneInputMarks, (std::vector<bool>{false, true, true, false, false}));
  EXPECT_EQ(wb->PruneFlags, (std::vector<bool>{false, false, false}));
  EXPECT_EQ(wb->Layers[0], 5);

  course({1, 2, 3});
  EXPECT_EQ(PruneInputs(*wb, 4), PruneResult::Pruned);
  EXPECT_EQ(wb->NumOfFeatures, 2);
  EXPECT_TRUE(wb->AllContinuous);
  EXPECT_EQ(wb->Layers[0], 2);
  EXPECT_EQ(wb->Net[1][0].Weights, (std::vector<double>{1, 5, 6}));
  EXPECT_EQ(wb->Form1.Label56.Caption(), "Vectors=3  L0=2  L1=1  L2=2");
  EXPECT_EQ(wb->RunInputOf, (std::vector<int>{0, 4}));
  EXPECT_EQ(wb->CurrentError, TrainingSetError(*wb));
}

TEST_F(InputPruningTest, EveryInputMarkedRemovesNone) {
  Setup();
  wb->Form1.DWTREdit.SetText("0.01");
  const auto data = wb->Data;
  EXPECT_EQ(PruneInputs(*wb, 0), PruneResult::AllMarked);
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, kPruningKeepsAllInputs);
  EXPECT_EQ(wb->Data, data);
  EXPECT_EQ(wb->Layers[0], 3);
  EXPECT_EQ(wb->TrainingSetChanges, 0);
  wb->Form1.DWTREdit.SetText("tiny");
  EXPECT_THROW(PruneInputs(*wb, 0), ConvertError);
}

// The records as the run leaves them, taken as it ends (before they are fitted to the network): the
// width of their first layer, the weights of both hidden neurons on the zero feature at every epoch, and
// whether the kept weights of the last epoch are the network's.
struct RecordsAtRunEnd {
  int FirstLayerWeights = 0;
  std::vector<std::vector<double>> Removed;
  bool KeptAreTheNetworks = false;
};
RecordsAtRunEnd gAtRunEnd;

void TakeRecordsAtRunEnd(Workbench& wb) {
  gAtRunEnd = {};
  const auto& H = std::as_const(wb.WeightHistory);
  gAtRunEnd.FirstLayerWeights = H.Shape().Weights[0];
  if (gAtRunEnd.FirstLayerWeights != 4) return;
  for (std::size_t e = 0; e <= 5; ++e) gAtRunEnd.Removed.push_back({H[e][0][0][2], H[e][0][1][2]});
  bool kept = true;
  for (int j = 0; j < 2; ++j)
    for (int k = 0; k <= wb.Layers[0]; ++k)
      kept = kept && H[5][0][static_cast<std::size_t>(j)][static_cast<std::size_t>(RunWeightIndex(wb, 1, k))] ==
                         wb.Net[1][static_cast<std::size_t>(j)].Weights[static_cast<std::size_t>(k)];
  gAtRunEnd.KeptAreTheNetworks = kept;
}

// Two informative features and one that is always 0, a 3-2-2 network, "Signals after epoch" with the
// pruning at epoch 2 of a run of 5 epochs.
void ZeroFeatureRun(Workbench& wb) {
  TFeature a, b, z;
  a.Name = "x";
  b.Name = "y";
  z.Name = "z";
  wb.Features = {a, b, z};
  wb.NumOfFeatures = 3;
  wb.NumOfClasses = 2;
  RandomGenerator g;
  g.Seed = 77;
  for (int v = 0; v < 30; ++v) {
    const int c = v % 2;
    wb.Data.push_back({(c ? 1.0 : -1.0) + g.Real() - 0.5, (c ? -0.5 : 0.5) + g.Real() - 0.5, 0.0});
    wb.VectorClass.push_back(c);
  }
  wb.NumOfVectors = 30;
  wb.VectorsPerClass = {15, 15};
  wb.VectorWeight.assign(30, 1.0);
  wb.Form1.HiddenEditT2.SetText("2");
  wb.Form1.EpochEditT2.SetText("5");
  wb.Form1.IRBox.SetChecked(true);
  wb.Form1.IREdit.SetText("100");
  wb.Form1.PrunEdit.SetText("2");
  wb.Form1.DWTREdit.SetText("0.0000001");
  wb.Rng.Seed = 5;
  ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
  wb.Hooks.RunEnded = TakeRecordsAtRunEnd;
}

// After the run: the zero feature is gone from the data and the network. Up to the run's end the records
// keep the first network's shape, the removed weights 0 after the pruning and the others the network's;
// after it they hold the network's weights in its shape, as any run's records do.
void ExpectPrunedRun(const Workbench& wb) {
  ASSERT_LT(wb.NumOfFeatures, 3);
  EXPECT_NE(wb.Features.back().Name, "z");
  EXPECT_EQ(wb.Layers[0], wb.NumOfFeatures);
  EXPECT_EQ(wb.Data[0].size(), static_cast<std::size_t>(wb.NumOfFeatures));
  EXPECT_EQ(wb.NumOfEpochs, 5);
  ASSERT_EQ(gAtRunEnd.FirstLayerWeights, 4);  // the run's first layer: three inputs and a threshold
  ASSERT_EQ(gAtRunEnd.Removed.size(), 6u);
  for (int j = 0; j < 2; ++j) EXPECT_EQ(gAtRunEnd.Removed[5][static_cast<std::size_t>(j)], 0.0);
  EXPECT_TRUE(gAtRunEnd.KeptAreTheNetworks);
  ASSERT_EQ(wb.WeightHistory.Shape().Weights[0], wb.Layers[0] + 1);
  EXPECT_TRUE(wb.RunInputOf.empty());
  const auto& H = wb.WeightHistory;
  for (int j = 0; j < 2; ++j)
    for (int k = 0; k <= wb.Layers[0]; ++k) EXPECT_EQ(H[5][0][j][k], wb.Net[1][j].Weights[k]);
  EXPECT_EQ(wb.EpochHistory[5].Error, wb.CurrentError);
  EXPECT_LT(wb.EpochHistory[5].Error, wb.EpochHistory[0].Error);
}

// The variable step search: the weights on the zero feature never change, so it goes at epoch 2; the run
// then trains the smaller network.
TEST_F(InputPruningTest, AVariableStepRunPrunesAndGoesOn) {
  ZeroFeatureRun(*wb);
  TrainOneChange(*wb, 2);
  ASSERT_TRUE(plat.Messages.empty()) << plat.Messages[0].Text;
  ExpectPrunedRun(*wb);
  for (std::size_t j = 0; j < 2; ++j) EXPECT_EQ(gAtRunEnd.Removed[2][j], gAtRunEnd.Removed[0][j]);
  ASSERT_EQ(wb->SignalHistory.size(), 6u);
  EXPECT_TRUE(wb->SignalHistory[5].Recorded);
}

// The two-change search moves weights in pairs, so the zero feature's weights wander with the others: the
// hook here removes it at epoch 2 by its flags. The run goes on with the smaller network, its trials
// compared with its own error of the changed set.
TEST_F(InputPruningTest, ATwoChangeRunPrunesAndGoesOn) {
  ZeroFeatureRun(*wb);
  wb->Hooks.RepresentationHook = [](Workbench& w, int epoch) {
    if (epoch != 2) return;
    w.PruneFlags = {false, false, true};
    PruneFeatures(w);
  };
  TrainTwoChanges(*wb, 2);
  ASSERT_TRUE(plat.Messages.empty()) << plat.Messages[0].Text;
  ExpectPrunedRun(*wb);
  EXPECT_EQ(wb->CurrentError, ComputeError(*wb, static_cast<std::uint8_t>(wb->ErrorTFKind)));
}

// The end of a pruned run exports its weight matrix like any other run: one line per chosen epoch, a
// column for every weight of the network as it now is, read from the records where that weight is kept.
TEST_F(InputPruningTest, APrunedRunExportsTheTrajectoryOfTheWeightsItKept) {
  struct Case {
    const char* Name;
    std::function<void(Workbench&)> Train;
  };
  const Case cases[] = {
      {"variable step", [](Workbench& w) { TrainOneChange(w, 2); }},
      {"two changes",
       [](Workbench& w) {
         w.Hooks.RepresentationHook = [](Workbench& v, int epoch) {
           if (epoch != 2) return;
           v.PruneFlags = {false, false, true};
           PruneFeatures(v);
         };
         TrainTwoChanges(w, 2);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    SetUp();
    ZeroFeatureRun(*wb);
    wb->Form1.MatLabBox.SetChecked(true);
    wb->Form1.WMepEdit.SetText("5");
    c.Train(*wb);
    for (const auto& m : plat.Messages) ADD_FAILURE() << m.Text;
    ExpectPrunedRun(*wb);
    const std::vector<std::string> lines = test::Lines(test::ReadText((dir / "PCA" / "WM_weightlab.txt").string()));
    ASSERT_EQ(lines.size(), 6u);
    const std::size_t N = static_cast<std::size_t>(wb->NumOfWeights);
    ASSERT_EQ(N, 12u);  // 2 x (2 inputs + 1) and 2 x (2 hidden + 1)
    ASSERT_EQ(wb->WeightMatrix.size(), N);
    // Whatever reads the records after the run (surfaces, trajectories) finds the network's weights.
    EXPECT_EQ(wb->WeightHistory.Shape().RowSize, N);
    EXPECT_EQ(wb->WeightTrialHistory.Shape().RowSize, N);
    EXPECT_EQ(wb->DetailWNormHistory.Shape().RowSize, N);
    const auto& H = wb->WeightHistory;
    for (int e = 0; e <= 5; ++e) {
      std::vector<double> row;
      for (int l = 1; l <= 2; ++l)
        for (int n = 0; n < wb->Layers[l]; ++n)
          for (int k = 0; k <= wb->LayerInputs[l - 1]; ++k)
            row.push_back(H[static_cast<std::size_t>(e)][static_cast<std::size_t>(l - 1)][static_cast<std::size_t>(n)]
                           [static_cast<std::size_t>(RunWeightIndex(*wb, l, k))]);
      for (std::size_t w = 0; w < N; ++w) EXPECT_EQ(wb->WeightMatrix[w][static_cast<std::size_t>(e)], row[w]);
      EXPECT_EQ(lines[static_cast<std::size_t>(e)] + "\n", WeightLabLine(row)) << "epoch " << e;
    }
  }
}

}  // namespace
}  // namespace wl

// The representation hook: the recorded signals against the forward pass, "MFF.txt", the rows of a run
// and of a validation call; the grouping's tolerances, the compression of the training set with its
// "_CTF.txt" listings, and the networks the grouping cannot read.
#include <gtest/gtest.h>

#include "model/error_functions.h"

#include <filesystem>
#include <string>
#include <vector>

#include "experiments/representation_hook.h"
#include "model/forward_pass.h"
#include "model/layer_transfer.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "state/workbench.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;
using test::Lines;
using test::ReadText;

class RepresentationHookTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_hook_", {"results"});
    wb->ResultsPrefix = (dir / "results" / "tiny_7").string();
    wb->Slope = 1.0;
    wb->Stretch = 1.0;
    wb->ErrorExponent = 2.0;
    wb->LinearInputs = true;
    // As under a trainer that takes a changed training set at its next epoch.
    wb->RunSetError = [](Workbench& w) { return TrainingSetError(w); };
  }

  // Continuous rows with their classes, every vector weighing 1.
  void DataSet(std::vector<std::vector<double>> rows, std::vector<int> classes, int numClasses) {
    test::SetContinuousRows(*wb, std::move(rows));
    wb->VectorClass = std::move(classes);
    wb->NumOfClasses = numClasses;
    wb->VectorWeight.assign(wb->NumOfVectors, 1.0);
    wb->VectorsPerClass.assign(numClasses, 0);
    for (int c : wb->VectorClass) ++wb->VectorsPerClass[c];
  }

  std::string Mff() const { return ReadText(dir / "results" / "MFF.txt"); }
};

// The winning output of the last forward pass: the greatest strictly above 0, the first on ties.
int WinnerNow(const Workbench& wb) {
  int winner = -1;
  double best = 0.0;
  for (std::size_t k = 0; k < wb.Net.back().size(); ++k)
    if (wb.Net.back()[k].Signal > best) best = wb.Net.back()[k].Signal, winner = static_cast<int>(k);
  return winner;
}

TEST_F(RepresentationHookTest, RecordsTheForwardPassOfEveryVectorAndWritesMff) {
  DataSet({{0.2, 0.7}, {0.9, 0.1}, {0.5, 0.5}}, {0, 1, 1}, 2);
  test::SetNetwork(*wb, {2, 2, 2}, {{{1, -2, 0.3}, {0.5, 0.5, -0.2}}, {{2, -1, 0.1}, {-1, 2, 0}}});
  wb->NumOfEpochs = 3;
  wb->Form1.IREdit.SetText("100");

  TrainingEpochHook(*wb, 0);
  ASSERT_EQ(wb->SignalHistory.size(), 4u);
  EXPECT_TRUE(wb->SignalHistory[0].Recorded);
  EXPECT_FALSE(wb->SignalHistory[1].Recorded);
  std::string mff;
  for (int v = 0; v < 3; ++v) {
    ComputeSignals(*wb, v);
    for (int l = 1; l <= 2; ++l)
      for (int j = 0; j < 2; ++j) EXPECT_EQ(wb->SignalHistory[0].Signal[l - 1][j][v], wb->Net[l][j].Signal);
    mff += FormatReal(wb->Data[v][0]) + "  " + FormatReal(wb->Data[v][1]) + "  " + IntToStr(WinnerNow(*wb)) + "\n";
  }
  EXPECT_EQ(Mff(), mff);
  EXPECT_EQ(wb->SignalHistory[0].Class, (std::vector<int>{0, 1, 1}));
  EXPECT_EQ(wb->Form1.ENVEdit.Text(), "3");

  // A later epoch records its own row and leaves "MFF.txt" alone; a run longer than the rows adds rows.
  wb->Net[1][0].Weights[0] = -3.0;
  TrainingEpochHook(*wb, 2);
  ComputeSignals(*wb, 1);
  EXPECT_EQ(wb->SignalHistory[2].Signal[0][0][1], wb->Net[1][0].Signal);
  EXPECT_NE(wb->SignalHistory[2].Signal[0][0][1], wb->SignalHistory[0].Signal[0][0][1]);
  EXPECT_EQ(Mff(), mff);
  TrainingEpochHook(*wb, 6);
  EXPECT_EQ(wb->SignalHistory.size(), 7u);
  EXPECT_TRUE(wb->SignalHistory[6].Recorded);
  EXPECT_FALSE(wb->SignalHistory[5].Recorded);

  // A validation call: one row, recorded as epoch 0, and "MFF.txt" for the set as it is now.
  wb->Data[0] = {2.0, -3.0};
  TrainingEpochHook(*wb, -1);
  ASSERT_EQ(wb->SignalHistory.size(), 1u);
  EXPECT_TRUE(wb->SignalHistory[0].Recorded);
  ComputeSignals(*wb, 0);
  EXPECT_EQ(wb->SignalHistory[0].Signal[1][1][0], wb->Net[2][1].Signal);
  EXPECT_EQ(Lines(Mff())[0], FormatReal(2.0) + "  " + FormatReal(-3.0) + "  " + IntToStr(WinnerNow(*wb)));
  EXPECT_THROW(TrainingEpochHook(*wb, -2), WlError);
}

TEST_F(RepresentationHookTest, MffOfASetOfOneFeatureWritesThatFeature) {
  DataSet({{0.25}, {-4000.0}}, {0, 1}, 2);
  test::SetNetwork(*wb, {1, 1, 2}, {{{1, 0}}, {{1, 0}, {-1, 0}}});
  wb->NumOfEpochs = 1;
  wb->Form1.IREdit.SetText("100");
  TrainingEpochHook(*wb, 0);
  const auto lines = Lines(Mff());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], FormatReal(0.25) + "  0");
  EXPECT_EQ(lines[1], FormatReal(-4000.0) + "  0");
}

TEST_F(RepresentationHookTest, BadFieldsEndTheHookWithTheConversionError) {
  DataSet({{0.2, 0.7}}, {0}, 2);
  test::SetNetwork(*wb, {2, 2, 2}, {{{1, -2, 0.3}, {0.5, 0.5, -0.2}}, {{2, -1, 0.1}, {-1, 2, 0}}});
  wb->NumOfEpochs = 1;
  wb->Form1.IREdit.SetText("five");
  EXPECT_THROW(TrainingEpochHook(*wb, 0), ConvertError);
  wb->Form1.IREdit.SetText("0");
  wb->Form1.HidThrEdit.SetText("x");
  EXPECT_THROW(TrainingEpochHook(*wb, 0), ConvertError);
}

// ---- grouping ----------------------------------------------------------------------------------------

// Two vectors of class 0 whose outputs are (s, 0.1) and whose single hidden signals differ by diff.
struct ToleranceCase {
  double S, Diff;
  bool Joins;
};

TEST_F(RepresentationHookTest, ToleranceGrowsWithTheVectorsOwnOutput) {
  const ToleranceCase cases[] = {
      {0.95, 0.0004, true}, {0.95, 0.0006, false},  // 0.05 x HidThr
      {0.5, 0.00008, true}, {0.5, 0.00012, false},   // 0.01 x HidThr
      {0.91, 0.00008, true}, {0.91, 0.00012, false}, // not above 0.91: 0.01 x HidThr
  };
  for (const ToleranceCase& t : cases) {
    SCOPED_TRACE(testing::Message() << "s " << t.S << " diff " << t.Diff);
    DataSet({{0}, {0}}, {0, 0}, 2);
    test::SetNetwork(*wb, {1, 1, 2}, {{{0, 0}}, {{0, 0}, {0, 0}}});
    SignalEpoch row;
    row.Recorded = true;
    row.Class = {0, 0};
    row.Signal = {{{0.3, 0.3 + t.Diff}}, {{t.S, t.S}, {0.1, 0.1}}};
    wb->SignalHistory = {row};
    ASSERT_TRUE(GroupBySignals(*wb, 0));
    EXPECT_EQ(wb->GroupCount[0], t.Joins ? 1 : 2);
    EXPECT_EQ(wb->GroupOf[0][1], t.Joins ? 0 : 1);
    EXPECT_EQ(wb->GroupSize[0][0], t.Joins ? 2 : 1);
  }
  // The output threshold applies to the output neurons alike, and a vector of larger error term leads
  // its group.
  DataSet({{0}, {0}}, {0, 0}, 2);
  test::SetNetwork(*wb, {1, 1, 2}, {{{0, 0}}, {{0, 0}, {0, 0}}});
  SignalEpoch row;
  row.Recorded = true;
  row.Class = {0, 0};
  row.Signal = {{{0.3, 0.3}}, {{0.5, 0.5}, {0.1, 0.10002}}};
  wb->SignalHistory = {row};
  wb->Form1.OutThrEdit.SetText("0.01");
  wb->VectorErrorTerm = {0.1, 0.2};
  ASSERT_TRUE(GroupBySignals(*wb, 0));
  EXPECT_EQ(wb->GroupCount[0], 1);
  EXPECT_EQ(wb->GroupRep[0][0], 1);
  wb->Form1.OutThrEdit.SetText("0.001");
  ASSERT_TRUE(GroupBySignals(*wb, 0));
  EXPECT_EQ(wb->GroupCount[0], 2);
}

// 100 vectors of 40 distinct points (20 of them three times, 20 twice), the groups interleaved in the
// data; even points are class 0, odd ones class 1.
TEST_F(RepresentationHookTest, CompressionKeepsOneVectorPerGroup) {
  std::vector<std::vector<double>> rows;
  std::vector<int> classes;
  for (int copy = 0; copy < 3; ++copy)
    for (int g = 0; g < 40; ++g) {
      if (copy == 2 && g >= 20) continue;
      rows.push_back({0.05 * g, 1.0 - 0.05 * g});
      classes.push_back(g % 2);
    }
  ASSERT_EQ(rows.size(), 100u);
  DataSet(rows, classes, 2);
  for (int v = 0; v < 100; ++v) wb->VectorWeight[v] = 1.0 + v / 1000.0;
  test::SetNetwork(*wb, {2, 2, 2}, {{{2, 0, 0}, {0, 2, 0}}, {{1, -1, 0}, {-1, 1, 0}}});
  wb->NumOfEpochs = 10;
  wb->Form1.IREdit.SetText(" 5 ");
  TrainingEpochHook(*wb, 0);
  EXPECT_EQ(wb->NumOfVectors, 100);
  EXPECT_FALSE(fs::exists(wb->ResultsPrefix + "_CTF.txt"));

  TrainingEpochHook(*wb, 5);
  EXPECT_EQ(wb->NumOfVectors, 40);
  EXPECT_EQ(wb->Form1.ENVEdit.Text(), "40");
  ASSERT_EQ(wb->Data.size(), 40u);
  ASSERT_EQ(wb->VectorWeight.size(), 40u);
  // Class 0's groups first (points 0, 2, .. 38, led by their first copies), then class 1's.
  for (int k = 0; k < 40; ++k) {
    const int old = k < 20 ? 2 * k : 2 * (k - 20) + 1;
    EXPECT_EQ(wb->VectorClass[k], k < 20 ? 0 : 1);
    EXPECT_EQ(wb->VectorWeight[k], 1.0 + old / 1000.0) << k;
    EXPECT_EQ(wb->Data[k][0], static_cast<double>(static_cast<float>(0.05 * old)));
  }
  const auto lines = Lines(ReadText(wb->ResultsPrefix + "_CTF.txt"));
  ASSERT_EQ(lines.size(), 143u);
  EXPECT_EQ(lines[0], "  vect  class cl-num  mult");
  EXPECT_EQ(lines[1], "  0  0  0  3");     // vector 0: point 0, group 0 of class 0, three copies
  EXPECT_EQ(lines[20], "  38  0  19  2");  // point 38: a group of two
  EXPECT_EQ(lines[51], "  1  1  0  3");
  EXPECT_EQ(lines[101], "");
  EXPECT_EQ(lines[102], "  vect  class   mult  old-vect");
  EXPECT_EQ(lines[103], "   0  0   " + FormatReal(1.0) + "  0");
  EXPECT_EQ(lines[123], "   20  1   " + FormatReal(1.001) + "  1");
  // The run goes on comparing with the error of the new set.
  EXPECT_EQ(wb->CurrentError, TrainingSetError(*wb));
  EXPECT_EQ(wb->TrainingSetChanges, 1);
}

TEST_F(RepresentationHookTest, EveryVectorAloneChangesNothing) {
  DataSet({{0.1, 0.9}, {0.5, 0.5}, {0.9, 0.1}, {0.3, 0.3}}, {0, 0, 1, 1}, 2);
  test::SetNetwork(*wb, {2, 2, 2}, {{{2, 0, 0}, {0, 2, 0}}, {{1, -1, 0}, {-1, 1, 0}}});
  wb->NumOfEpochs = 2;
  wb->Form1.IREdit.SetText("0");
  const auto before = wb->Data;
  TrainingEpochHook(*wb, 0);
  EXPECT_EQ(wb->GroupCount, (std::vector<int>{2, 2}));
  EXPECT_EQ(wb->NumOfVectors, 4);
  EXPECT_EQ(wb->Data, before);
  EXPECT_FALSE(fs::exists(wb->ResultsPrefix + "_CTF.txt"));
  EXPECT_EQ(wb->TrainingSetChanges, 0);
}

TEST_F(RepresentationHookTest, ATrainerThatCannotFollowAChangeKeepsItsSet) {
  DataSet({{0.1, 0.9}, {0.1, 0.9}, {0.9, 0.1}}, {0, 0, 1}, 2);
  test::SetNetwork(*wb, {2, 2, 2}, {{{2, 0, 0}, {0, 2, 0}}, {{1, -1, 0}, {-1, 1, 0}}});
  wb->NumOfEpochs = 3;
  wb->Form1.IREdit.SetText("2");
  wb->Form1.PrunEdit.SetText("2");
  wb->RunSetError = nullptr;
  const auto before = wb->Data;
  TrainingEpochHook(*wb, 0);
  TrainingEpochHook(*wb, 2);
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_NE(plat.Messages[0].Text.find("cannot follow a change of the training set"), std::string::npos);
  EXPECT_EQ(wb->NumOfVectors, 3);
  EXPECT_EQ(wb->Data, before);
  EXPECT_EQ(wb->TrainingSetChanges, 0);
  EXPECT_EQ(wb->Net[0].size(), 2u);
}

TEST_F(RepresentationHookTest, GroupingNeedsOneHiddenLayerAndAnOutputPerClass) {
  DataSet({{0.1, 0.9}, {0.1, 0.9}}, {0, 0}, 2);
  wb->Form1.IREdit.SetText("0");
  wb->NumOfEpochs = 1;
  // No hidden layer; then one output fewer than the classes (a default class).
  test::SetNetwork(*wb, {2, 2}, {{{1, 0, 0}, {0, 1, 0}}});
  TrainingEpochHook(*wb, 0);
  test::SetNetwork(*wb, {2, 2, 1}, {{{1, 0, 0}, {0, 1, 0}}, {{1, 1, 0}}});
  TrainingEpochHook(*wb, 0);
  ASSERT_EQ(plat.Messages.size(), 2u);
  EXPECT_EQ(plat.Messages[0].Text, kGroupingNeedsClassOutputs);
  EXPECT_EQ(plat.Messages[1].Text, kGroupingNeedsClassOutputs);
  EXPECT_EQ(wb->NumOfVectors, 2);
}

}  // namespace
}  // namespace wl

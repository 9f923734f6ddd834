// The signal table against full passes: a trial evaluated through the table gives the error of the
// changed network, an accepted change folded into the table gives the table a new full pass gives, for
// every layer, with and without skip connections, for the sigmoid and for the staircase routines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "model/create_network.h"
#include "model/error_functions.h"
#include "model/layer_transfer.h"
#include "model/signal_table.h"
#include "state/training_parts.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/random.h"
#include "platform/scripted_platform.h"
#include "model/class_weights.h"

namespace wl {
namespace {

using Table = std::vector<std::vector<std::vector<double>>>;

class SignalTableTest : public ::testing::Test {
 protected:
  ScriptedPlatform plat;
  Workbench wb{plat, "/nonexistent/weightlab"};
  RandomGenerator rng;

  // Two continuous features, a discrete feature of three values (one of them never listed, so that its
  // input is 0 for every vector) and a symbolic one of two: 7 network inputs. Classes 0..2, unbalanced.
  void DataSet(int vectors) {
    wb.Features.clear();
    TFeature c1, c2, d, s;
    c1.Name = "a";
    c2.Name = "b";
    d.Kind = 'd';
    d.Name = "d";
    d.NValues = 3;
    d.Values = {1.0, 2.0};
    s.Kind = 's';
    s.Name = "s";
    s.NValues = 2;
    s.Values = {0.0, 1.0};
    s.Symbols = {"x", "y"};
    wb.Features = {c1, d, c2, s};
    wb.NumOfFeatures = 4;
    wb.AllContinuous = false;
    wb.NumOfVectors = vectors;
    wb.NumOfClasses = 3;
    wb.Data.clear();
    wb.VectorClass.clear();
    rng.Seed = 12345;
    for (int v = 0; v < vectors; ++v) {
      wb.Data.push_back({2.0 * rng.Real() - 1.0, 1.0 + rng.Below(2), 3.0 * rng.Real() - 1.5, double(rng.Below(2))});
      wb.VectorClass.push_back(v % 5 == 0 ? 2 : v % 2);
    }
    wb.VectorsPerClass.assign(3, 0);
    for (int c : wb.VectorClass) ++wb.VectorsPerClass[c];
    wb.VectorWeight.resize(vectors);
    for (int v = 0; v < vectors; ++v)
      wb.VectorWeight[v] = double(vectors) / (wb.VectorsPerClass[wb.VectorClass[v]] * 3.0);
    wb.ResultsPrefix = "/nonexistent/weightlab/results/t_1";
  }

  // A network of random weights, range 2, from the window's fields (hidden "0" gives two layers).
  void Network(const std::string& hidden, bool skip) {
    wb.Form1.HiddenEditT2.SetText(hidden);
    wb.Form1.InitEdit.SetText("2.0");
    (skip ? wb.Form1.SkipCheck : wb.Form1.FullConn).SetChecked(true);
    wb.Rng.Seed = 777;
    ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt) << (plat.Messages.empty() ? "" : plat.Messages.back().Text);
  }

  // Staircase outputs of K steps everywhere.
  void Staircase(int k) {
    wb.NumOfStep = k;
    BuildStairTable(wb);
  }

  struct Pass {
    double error, rate;
  };
  // A full pass of the current weights that leaves the table as it was.
  Pass Reference(bool stair) {
    const Table kept = wb.SignalTable;
    const double e = stair ? SignalTableErrorB(wb) : ErrorFullPass(wb);
    Pass p{e, wb.SuccessRate};
    wb.SignalTable = kept;
    return p;
  }

  // The largest difference between the table and the one a fresh full pass gives.
  double TableDrift(bool stair) {
    const Table kept = wb.SignalTable;
    stair ? SignalTableErrorB(wb) : ErrorFullPass(wb);
    double worst = 0.0;
    for (std::size_t l = 0; l < kept.size(); ++l)
      for (std::size_t n = 0; n < kept[l].size(); ++n)
        for (int v = 0; v < wb.NumOfVectors; ++v)
          worst = std::max(worst, std::fabs(kept[l][n][v] - wb.SignalTable[l][n][v]));
    wb.SignalTable = kept;
    return worst;
  }

  // Random single-weight trials in every layer, each checked against a full pass of the changed network;
  // about half are kept and folded into the table, the others undone.
  void TrialsAgreeWithFullPasses(bool stair, int trials) {
    stair ? SignalTableErrorB(wb) : ErrorFullPass(wb);
    rng.Seed = 99;
    int kept = 0;
    for (int t = 0; t < trials; ++t) {
      const int l = 1 + rng.Below(int(wb.Net.size()) - 1);
      const int n = rng.Below(wb.Layers[l]);
      const int k = rng.Below(wb.LayerInputs[l - 1] + 1);
      SCOPED_TRACE("trial " + std::to_string(t) + ": layer " + std::to_string(l) + " neuron " + std::to_string(n) +
                   " weight " + std::to_string(k));
      TNeuron& neuron = wb.Net[l][n];
      const double w0 = neuron.Weights[k];
      const double w1 = t % 7 == 0 ? w0 : w0 + 3.0 * (rng.Real() - 0.5);
      neuron.OldWeights[k] = w0;
      neuron.Weights[k] = w1;
      const double viaTable = stair ? SignalTableError(wb, l, n, k) : ErrorWithChangedWeight(wb, l, n, k);
      const double rate = wb.SuccessRate;
      const Pass full = Reference(stair);
      EXPECT_NEAR(viaTable, full.error, 1e-12 * std::max(1.0, std::fabs(full.error)));
      EXPECT_EQ(rate, full.rate);
      if (rng.Below(2) == 0) {
        stair ? UpdateSignalTableAfterChange(wb, l, n, k) : UpdateSignalTable(wb, l, n, k);
        ++kept;
      } else {
        neuron.Weights[k] = w0;
      }
      if (t % 10 == 9) {
        EXPECT_LT(TableDrift(stair), 1e-10);
      }
    }
    EXPECT_GT(kept, trials / 4);
  }
};

TEST_F(SignalTableTest, SigmoidTrialsAgreeWithFullPasses) {
  struct Case {
    const char* what;
    const char* hidden;
    bool skip;
  };
  for (const Case& c : {Case{"two layers", "0", false}, Case{"three layers", "5", false},
                        Case{"skip connections", "4", true}}) {
    SCOPED_TRACE(c.what);
    DataSet(40);
    Network(c.hidden, c.skip);
    TrialsAgreeWithFullPasses(false, 120);
  }
}

TEST_F(SignalTableTest, StaircaseTrialsAgreeWithFullPasses) {
  struct Case {
    const char* what;
    const char* hidden;
    bool skip;
    int steps;
    bool defaultClass;
  };
  for (const Case& c :
       {Case{"two layers", "0", false, 30, false}, Case{"three layers, odd steps", "5", false, 7, false},
        Case{"skip connections", "4", true, 30, false}, Case{"default class", "5", false, 12, true}}) {
    SCOPED_TRACE(c.what);
    DataSet(40);
    wb.Form1.DefClassBox.SetChecked(c.defaultClass);
    Network(c.hidden, c.skip);
    Staircase(c.steps);
    TrialsAgreeWithFullPasses(true, 120);
  }
}

// The table's full pass is the network's error as the error functions compute it.
TEST_F(SignalTableTest, FullPassIsTheNetworksError) {
  DataSet(30);
  std::fill(wb.VectorWeight.begin(), wb.VectorWeight.end(), 1.0);  // the skip structure weighs no vector
  Network("5", false);
  EXPECT_NEAR(ErrorFullPass(wb), ComputeError(wb), 1e-12);

  DataSet(30);
  std::fill(wb.VectorWeight.begin(), wb.VectorWeight.end(), 1.0);
  Network("4", true);
  EXPECT_NEAR(ErrorFullPass(wb), ComputeError(wb), 1e-12);

  // Staircase (0;1) in every layer, slope 1: the per-layer error sees the same outputs.
  DataSet(30);
  std::fill(wb.VectorWeight.begin(), wb.VectorWeight.end(), 1.0);
  wb.Form1.OutTF.SetItemIndex(5);
  wb.Form1.NSEdit.SetText("9");
  Network("5", false);
  Staircase(9);
  EXPECT_NEAR(SignalTableErrorB(wb), TrainingSetError(wb), 1e-12);
}

TEST_F(SignalTableTest, TrialsCountTheirTransferEvaluations) {
  DataSet(20);
  Network("5", false);
  ErrorFullPass(wb);
  TNeuron& hidden = wb.Net[1][2];
  hidden.OldWeights[1] = hidden.Weights[1];
  hidden.Weights[1] += 0.5;
  std::int64_t before = wb.SigmoidCount;
  ErrorWithChangedWeight(wb, 1, 2, 1);
  EXPECT_EQ(wb.SigmoidCount - before, 20 * (1 + 3));  // the changed neuron and every output
  hidden.Weights[1] = hidden.OldWeights[1];

  TNeuron& out = wb.Net[2][1];
  out.OldWeights[3] = out.Weights[3];
  out.Weights[3] += 0.5;
  before = wb.SigmoidCount;
  ErrorWithChangedWeight(wb, 2, 1, 3);
  EXPECT_EQ(wb.SigmoidCount - before, 20);  // the hidden output the weight reads
  const int th = wb.LayerInputs[1];
  out.Weights[3] = out.OldWeights[3];
  out.OldWeights[th] = out.Weights[th];
  out.Weights[th] += 0.5;
  before = wb.SigmoidCount;
  ErrorWithChangedWeight(wb, 2, 1, th);
  EXPECT_EQ(wb.SigmoidCount - before, 0);  // a threshold reads no hidden output
}

TEST_F(SignalTableTest, TwoLayerTrialLeavesTheOtherOutputsAtTheirTableValues) {
  DataSet(12);
  Network("0", false);
  ErrorFullPass(wb);
  TNeuron& out0 = wb.Net[1][0];
  out0.OldWeights[0] = out0.Weights[0];
  out0.Weights[0] += 1.0;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    ForwardChangedWeight(wb, v, 1, 0, 0);
    for (int k = 1; k < 3; ++k) EXPECT_EQ(wb.Net[1][k].Signal, TableSigmoid(wb.SignalTable[0][k][v]));
  }
}

TEST_F(SignalTableTest, AVectorWhoseOutputsAreAllZeroIsNotCorrect) {
  DataSet(10);
  Network("0", false);
  // Thresholds far beyond every sum: all sums above 11300, every output 0, no winner.
  for (TNeuron& n : wb.Net[1]) {
    std::fill(n.Weights.begin(), n.Weights.end(), 0.0);
    n.Weights.back() = 20000.0;
  }
  const double e = ErrorFullPass(wb);
  EXPECT_EQ(wb.NumOfCorrect, 0);
  EXPECT_EQ(wb.SuccessRate, 0.0);
  // Every vector's term is 1 (its class output 0 against 1), weighted.
  double weights = 0.0;
  for (double w : wb.VectorWeight) weights += w;
  EXPECT_NEAR(e, weights, 1e-12);

  // The update stores at most 11300.
  TNeuron& n = wb.Net[1][1];
  n.OldWeights.back() = n.Weights.back();
  n.Weights.back() = 30000.0;
  UpdateSignalTable(wb, 1, 1, int(n.Weights.size()) - 1);
  for (int v = 0; v < wb.NumOfVectors; ++v) EXPECT_EQ(wb.SignalTable[0][1][v], 11300.0);
}

TEST_F(SignalTableTest, PartsOfTheTrainingSet) {
  DataSet(24);
  Network("5", false);
  const double all = ErrorFullPass(wb);
  const Table complete = wb.SignalTable;

  // Spoil the table, then a full pass over one part must still refill every vector's column.
  for (auto& level : wb.SignalTable)
    for (auto& row : level) std::fill(row.begin(), row.end(), 7.0);
  wb.NumOfParts = 4;
  wb.BatchIndex = {3, 3, 17, 0, 22, 9};
  StampParts(wb);
  const double evaluations = wb.ErrorEvaluations;
  const double part = ErrorFullPass(wb);
  EXPECT_EQ(wb.SignalTable, complete);
  EXPECT_DOUBLE_EQ(wb.ErrorEvaluations - evaluations, 0.25);
  EXPECT_NE(part, all);

  // The part's error is unweighted, each listed vector once per listing.
  double expected = 0.0;
  for (int v : wb.BatchIndex) {
    for (int k = 0; k < 3; ++k) {
      const double y = TableSigmoid(wb.SignalTable[1][k][v]);
      const double t = k == wb.VectorClass[v] ? 1.0 : 0.0;
      expected += (y - t) * (y - t);
    }
  }
  EXPECT_NEAR(part, expected, 1e-12);

  TNeuron& n = wb.Net[1][0];
  n.OldWeights[2] = n.Weights[2];
  const double before = wb.ErrorEvaluations;
  EXPECT_NEAR(ErrorWithChangedWeight(wb, 1, 0, 2), part, 1e-12);
  EXPECT_DOUBLE_EQ(wb.ErrorEvaluations - before, 0.25);
  EXPECT_DOUBLE_EQ(wb.SuccessRate, wb.NumOfCorrect / 6.0);
}

// A part is evaluated only on the data set and the count of parts it was drawn for: every routine that
// evaluates the current part refuses any other, before it changes anything, with one message.
TEST_F(SignalTableTest, OnlyAPartDrawnForThisDataSetAndThesePartsIsEvaluated) {
  struct Case {
    const char* Name;
    std::function<void()> Spoil;  // from a part drawn for this set and Parts 4
  };
  const std::vector<Case> cases = {
      {"no part drawn", [&] { wb.BatchIndex.clear(); wb.PartsMadeFor = {}; }},
      {"a part listed but never drawn", [&] { wb.PartsMadeFor = {}; }},
      {"a part of another data set of as many vectors", [&] { NewDataSetIdentity(wb); }},
      {"a part of another file", [&] { wb.DataFileName = "DATA/other.dat"; }},
      {"a part of more vectors", [&] { DataSet(12); }},
      {"a part drawn for other Parts", [&] { wb.NumOfParts = 3; }},
  };
  using Routine = std::function<double()>;
  const std::vector<std::pair<const char*, Routine>> routines = {
      {"NetworkError", [&] { return NetworkError(wb); }},
      {"ErrorFullPass", [&] { return ErrorFullPass(wb); }},
      {"SignalTableErrorB", [&] { return SignalTableErrorB(wb); }},
      {"ErrorWithChangedWeight", [&] { return ErrorWithChangedWeight(wb, 1, 0, 2); }},
  };
  for (const Case& c : cases) {
    for (const auto& [name, routine] : routines) {
      DataSet(24);
      wb.DataFileName = "DATA/t.dat";
      Network("5", false);
      wb.NumOfParts = 1;
      ErrorFullPass(wb);
      wb.NumOfParts = 4;
      wb.Rng.Seed = 5;
      DrawRandomParts(wb);
      ASSERT_EQ(wb.BatchIndex.size(), 6u);
      ASSERT_TRUE(PartsFit(wb));
      TNeuron& n = wb.Net[1][0];
      n.OldWeights[2] = n.Weights[2];
      EXPECT_NO_THROW(routine()) << name;  // the part as drawn
      c.Spoil();
      const Table table = wb.SignalTable;
      const double evaluations = wb.ErrorEvaluations;
      const std::vector<double> weights = n.Weights;
      try {
        routine();
        ADD_FAILURE() << c.Name << ", " << name << ": evaluated";
      } catch (const WlError& e) {
        EXPECT_EQ(e.what(), PartsMessage(wb)) << c.Name << ", " << name;
      }
      EXPECT_EQ(wb.SignalTable, table) << c.Name << ", " << name;
      EXPECT_EQ(wb.ErrorEvaluations, evaluations) << c.Name << ", " << name;
      EXPECT_EQ(n.Weights, weights) << c.Name << ", " << name;
    }
  }
  EXPECT_EQ(PartsMessage(wb), "Parts in Training Set 3 : no part of this training set has been drawn for it. Set "
                              "Parts to 1, or train with a method that draws its parts (1 change, weight sections).");
}

TEST_F(SignalTableTest, VectorErrorTermsAddUpToTheTrialError) {
  DataSet(16);
  Network("3", false);
  ErrorFullPass(wb);
  TNeuron& n = wb.Net[2][0];
  n.OldWeights[1] = n.Weights[1];
  n.Weights[1] -= 0.7;
  const double e = ErrorWithChangedWeight(wb, 2, 0, 1);
  double sum = 0.0;
  for (int v = 0; v < wb.NumOfVectors; ++v) sum += wb.VectorErrorTerm[v];
  EXPECT_NEAR(sum, e, 1e-12);
}

TEST_F(SignalTableTest, StaircaseOutputs) {
  DataSet(4);
  auto tableAt = [&](int i) { return wb.StairTable[i]; };
  Staircase(30);
  const double range = 30 / 60.0;
  EXPECT_EQ(TableStair(wb, -range - 1e-9), 1.0);
  EXPECT_EQ(TableStair(wb, range + 1e-9), 0.0);
  EXPECT_EQ(TableStair(wb, 0.0), tableAt(15));
  EXPECT_EQ(TableStair(wb, 0.1), tableAt(12));  // 15 - 3
  Staircase(5);
  EXPECT_EQ(TableStair(wb, 0.0), tableAt(2));  // Round(2.5) is 2, halves to even
}

TEST_F(SignalTableTest, ClassWithoutOutputNeuronIsCorrectWhenNoOutputIsHigh) {
  DataSet(30);
  wb.Form1.DefClassBox.SetChecked(true);  // class 2 has no output neuron
  Network("0", false);
  Staircase(30);
  // Both outputs low for every vector: exactly the vectors of class 2 are correct.
  for (TNeuron& n : wb.Net[1]) {
    std::fill(n.Weights.begin(), n.Weights.end(), 0.0);
    n.Weights.back() = 5.0;
  }
  SignalTableErrorB(wb);
  EXPECT_EQ(wb.NumOfCorrect, wb.VectorsPerClass[2]);
  TNeuron& n = wb.Net[1][0];
  n.OldWeights[0] = n.Weights[0];
  SignalTableError(wb, 1, 0, 0);
  EXPECT_EQ(wb.NumOfCorrect, wb.VectorsPerClass[2]);
}

// A trial keeps the outputs and scores of the vectors its change does not reach. Its error must be the
// one the single-vector trial gives for every vector, bit for bit, also when the table, the exponent or
// a class changed behind the trials' back.
TEST_F(SignalTableTest, KeptOutputsNeverChangeATrialsNumbers) {
  struct Case {
    const char* what;
    const char* hidden;
    bool stair;
  };
  for (const Case& c : {Case{"two layers", "0", false}, Case{"three layers", "5", false},
                        Case{"three layers, staircase", "4", true}}) {
    SCOPED_TRACE(c.what);
    DataSet(36);
    Network(c.hidden, false);
    if (c.stair) Staircase(20);
    c.stair ? SignalTableErrorB(wb) : ErrorFullPass(wb);
    rng.Seed = 5;
    for (int t = 0; t < 150; ++t) {
      SCOPED_TRACE("trial " + std::to_string(t));
      if (t % 11 == 5) wb.ErrorExponent = wb.ErrorExponent == 2.0 ? 1.5 : 2.0;
      if (t % 13 == 7) wb.VectorClass[t % wb.NumOfVectors] = (wb.VectorClass[t % wb.NumOfVectors] + 1) % 3;
      if (t % 17 == 3) Reference(c.stair);  // a full pass of other weights, the table put back
      const int l = 1 + rng.Below(int(wb.Net.size()) - 1);
      const int n = rng.Below(wb.Layers[l]);
      const int k = rng.Below(wb.LayerInputs[l - 1] + 1);
      TNeuron& neuron = wb.Net[l][n];
      const double w0 = neuron.Weights[k];
      neuron.OldWeights[k] = w0;
      neuron.Weights[k] = w0 + 2.0 * (rng.Real() - 0.5);
      const double viaTable = c.stair ? SignalTableError(wb, l, n, k) : ErrorWithChangedWeight(wb, l, n, k);
      const int correct = wb.NumOfCorrect;
      double expected = 0.0;
      int expectedCorrect = 0;
      for (int v = 0; v < wb.NumOfVectors; ++v) {
        c.stair ? StairForwardChangedWeight(wb, v, l, n, k) : ForwardChangedWeight(wb, v, l, n, k);
        const std::vector<TNeuron>& out = wb.Net.back();
        double ev = 0.0;
        int winner = -1;
        double best = 0.0;
        for (int j = 0; j < int(out.size()); ++j) {
          const double d = std::fabs(out[j].Signal - (j == wb.VectorClass[v] ? 1.0 : 0.0));
          ev += d == 0.0 ? 0.0 : wb.ErrorExponent == 2.0 ? d * d : std::pow(d, wb.ErrorExponent);
          if (out[j].Signal > best) best = out[j].Signal, winner = j;
        }
        expected += ev * wb.VectorWeight[v];
        if (winner >= 0 && winner == wb.VectorClass[v]) ++expectedCorrect;
      }
      EXPECT_EQ(viaTable, expected);
      EXPECT_EQ(correct, expectedCorrect);
      if (rng.Below(2) == 0)
        c.stair ? UpdateSignalTableAfterChange(wb, l, n, k) : UpdateSignalTable(wb, l, n, k);
      else
        neuron.Weights[k] = w0;
    }
  }
}

// A trial that reaches every vector (a hidden neuron's threshold or input weight, an output neuron's
// threshold, hidden-output weight or skip weight; a coded input's weight once a column was refreshed
// from the data) scores the vectors four at a time. Each vector's term, the error, the counts and the
// weight of the correct vectors must be those of the single-vector trial, bit for bit: for every count
// of vectors left in the last four and the last block, with and without skip connections, with a hidden
// output saturated at 1 for part of the vectors (a change that leaves it, and so the outputs, as they
// were), a change of 0, kept outputs made stale by a table changed behind the trials' back, every output
// 0, and a class changed since the outputs were scored.
TEST_F(SignalTableTest, TrialsOverEveryVectorAreTheSingleVectorTrials) {
  enum Kind { Threshold, Input, Hidden, Skip };
  struct Change {
    const char* what;
    int layer;
    Kind kind;
    int index;  // the input or hidden neuron the weight reads
    double by;
  };
  const Change changes[] = {{"hidden threshold up", 1, Threshold, 0, 0.75},
                            {"hidden threshold by 0", 1, Threshold, 0, 0.0},
                            {"hidden threshold down", 1, Threshold, 0, -4.0},
                            {"continuous input", 1, Input, 0, 1.5},
                            {"coded input", 1, Input, 1, -2.0},
                            {"output threshold", 2, Threshold, 0, 0.75},
                            {"output threshold by 0", 2, Threshold, 0, 0.0},
                            {"weight of the saturated hidden output", 2, Hidden, 1, -1.25},
                            {"weight of a hidden output", 2, Hidden, 3, 2.0},
                            {"skip weight, continuous input", 2, Skip, 0, 1.5},
                            {"skip weight, coded input", 2, Skip, 1, -0.5}};
  for (const bool skip : {false, true}) {
    for (int vectors : {1, 2, 3, 4, 7, 255, 256, 258, 263}) {
      SCOPED_TRACE(std::to_string(vectors) + " vectors" + (skip ? ", skip connections" : ""));
      DataSet(vectors);
      Network("4", skip);
      // Hidden neuron 1 saturates: its sum is far below -40 (output 1 whatever the change) where input 0
      // is large.
      wb.Net[1][1].Weights[0] = 90.0;
      ErrorFullPass(wb);
      for (int round = 0; round < 3; ++round) {
        if (round == 1) {
          // Sums changed behind the trials' back: the kept outputs of these entries are stale.
          for (int v = 0; v < vectors; v += 3) {
            wb.SignalTable[0][1][v] += 0.25;
            wb.SignalTable[1][v % 3][v] -= 0.5;
          }
          wb.VectorClass[vectors / 2] = (wb.VectorClass[vectors / 2] + 1) % 3;
          // Every output 0 for the last vector: no winner, not correct.
          for (int j = 0; j < 3; ++j) wb.SignalTable[1][j][vectors - 1] = 5000.0;
        }
        if (round == 2) ForwardVectorFromData(wb, vectors - 1);  // no lists of hot vectors until a full pass
        for (const Change& c : changes) {
          if (c.kind == Skip && !skip) continue;
          for (int n : c.layer == 1 ? std::vector<int>{1, 3} : std::vector<int>{0, 2}) {
            SCOPED_TRACE(std::string(c.what) + ", neuron " + std::to_string(n) + ", round " + std::to_string(round));
            const int k = c.kind == Threshold ? wb.LayerInputs[c.layer - 1]
                          : c.kind == Skip    ? wb.Layers[1] + c.index
                                              : c.index;
            TNeuron& neuron = wb.Net[c.layer][n];
            neuron.OldWeights[k] = neuron.Weights[k];
            neuron.Weights[k] += c.by;
            wb.WeightedCorrect = 0.5;
            const std::int64_t before = wb.SigmoidCount;
            const double viaTable = ErrorWithChangedWeight(wb, c.layer, n, k);
            const std::int64_t counted = wb.SigmoidCount - before;
            const int correct = wb.NumOfCorrect;
            const double rate = wb.SuccessRate, weighted = wb.WeightedCorrect;
            const std::vector<double> terms(wb.VectorErrorTerm.begin(), wb.VectorErrorTerm.begin() + vectors);
            double expected = 0.0, expectedWeighted = 0.5;
            int expectedCorrect = 0;
            for (int v = 0; v < vectors; ++v) {
              ForwardChangedWeight(wb, v, c.layer, n, k);
              const std::vector<TNeuron>& out = wb.Net.back();
              double ev = 0.0;
              int winner = -1;
              double best = 0.0;
              for (int j = 0; j < int(out.size()); ++j) {
                const double d = out[j].Signal - (j == wb.VectorClass[v] ? 1.0 : 0.0);
                ev += d * d;
                if (out[j].Signal > best) best = out[j].Signal, winner = j;
              }
              EXPECT_EQ(terms[v], ev * wb.VectorWeight[v]) << "vector " << v;
              expected += ev * wb.VectorWeight[v];
              if (winner >= 0 && winner == wb.VectorClass[v]) {
                ++expectedCorrect;
                expectedWeighted += wb.VectorWeight[v];
              }
            }
            EXPECT_EQ(viaTable, expected);
            EXPECT_EQ(correct, expectedCorrect);
            EXPECT_EQ(rate, double(expectedCorrect) / vectors);
            EXPECT_EQ(weighted, expectedWeighted);
            // The changed neuron and every output; a hidden output's weight reads that output only.
            EXPECT_EQ(counted, std::int64_t(vectors) * (c.layer == 1 ? 1 + 3 : c.kind == Hidden ? 1 : 0));
            neuron.Weights[k] = neuron.OldWeights[k];
          }
        }
      }
    }
  }
}

TEST_F(SignalTableTest, TrialBeforeAnyFullPassOfTheDataSetIsRefused) {
  DataSet(10);
  Network("3", false);
  DataSet(14);  // more vectors than the table has columns
  TNeuron& n = wb.Net[1][0];
  n.OldWeights[0] = n.Weights[0];
  EXPECT_THROW(ErrorWithChangedWeight(wb, 1, 0, 0), WlError);
  ErrorFullPass(wb);
  EXPECT_NO_THROW(ErrorWithChangedWeight(wb, 1, 0, 0));
}

}  // namespace
}  // namespace wl

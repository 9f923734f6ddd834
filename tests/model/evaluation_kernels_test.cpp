// The faster evaluation paths give the plain arithmetic's numbers, bit for bit: the first layer's sums
// over the inputs that are not zero against Dot, the per-layer (plain path) and sigmoid passes over
// one-hot inputs against a plain loop, signal-table trials through the lists of hot vectors against
// trials that visit every vector, and every evaluation after a dirty upper vector state against the same
// one before it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "model/create_network.h"
#include "model/error_functions.h"
#include "model/forward_pass.h"
#include "model/layer_transfer.h"
#include "model/signal_table.h"
#include "model/sparse_inputs.h"
#include "model/vector_pass.h"
#include "model/vector_state.h"
#include "state/workbench.h"
#include "platform/random.h"
#include "platform/scripted_platform.h"

namespace wl {
namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(FirstLayerSums, AreDotsSumsBitForBit) {
  RandomGenerator rng;
  rng.Seed = 4242;
  struct Case {
    const char* what;
    int n;
    int everyNth;  // an input is non-zero when its index is a multiple (0: dense)
  };
  for (const Case& c : {Case{"one input", 1, 0}, Case{"three, dense", 3, 0}, Case{"four, dense", 4, 0},
                        Case{"seven, one in two", 7, 2}, Case{"thirteen, one in three", 13, 3},
                        Case{"125 one-hot", 125, 6}, Case{"126, all zero", 126, 1000}}) {
    SCOPED_TRACE(c.what);
    std::vector<TNeuron> layer(6);
    for (TNeuron& n : layer) {
      n.Weights.resize(static_cast<std::size_t>(c.n) + 1);
      // Magnitudes far apart, so that any other order of the additions shows in the last bits.
      for (double& w : n.Weights) w = (rng.Real() - 0.5) * std::pow(10.0, static_cast<int>(rng.Below(12)) - 6);
    }
    FirstLayerSums sums;
    sums.Bind(layer.data(), 6, c.n);
    std::vector<double> x(static_cast<std::size_t>(c.n)), net(6);
    for (int trial = 0; trial < 20; ++trial) {
      for (int i = 0; i < c.n; ++i) {
        const bool on = c.everyNth == 0 || (i + trial) % c.everyNth == 0;
        x[i] = !on ? (i % 2 ? 0.0 : -0.0) : trial % 2 ? 1.0 : rng.Real() * 4.0 - 2.0;
      }
      sums.Sums(x.data(), net.data());
      for (int j = 0; j < 6; ++j) EXPECT_PRED2(SameBits, net[j], Dot(x.data(), layer[j].Weights.data(), c.n)) << j;
    }
  }
}

class OneHotPassTest : public ::testing::Test {
 protected:
  ScriptedPlatform plat;
  Workbench wb{plat, "/nonexistent/weightlab"};

  // Three symbolic features (5, 4 and 3 values, 12 inputs) and one continuous one: 13 inputs, 3 classes.
  void DataSet(int vectors) {
    const int values[3] = {5, 4, 3};
    for (int f = 0; f < 3; ++f) {
      TFeature feat;
      feat.Kind = 's';
      feat.Name = "f" + std::to_string(f);
      feat.NValues = values[f];
      for (int j = 0; j < values[f]; ++j) {
        feat.Values.push_back(j);
        feat.Symbols.push_back(std::string(1, static_cast<char>('a' + j)));
      }
      wb.Features.push_back(feat);
    }
    TFeature c;
    c.Name = "c";
    wb.Features.push_back(c);
    wb.NumOfFeatures = 4;
    wb.AllContinuous = false;
    wb.NumOfClasses = 3;
    wb.NumOfVectors = vectors;
    RandomGenerator g;
    g.Seed = 31;
    wb.VectorsPerClass = {0, 0, 0};
    for (int v = 0; v < vectors; ++v) {
      wb.Data.push_back({double(g.Below(5)), double(g.Below(4)), double(g.Below(3)), 2.0 * g.Real() - 1.0});
      wb.VectorClass.push_back(static_cast<int>(g.Below(3)));
      ++wb.VectorsPerClass[wb.VectorClass.back()];
    }
    for (int v = 0; v < vectors; ++v)
      wb.VectorWeight.push_back(double(vectors) / (wb.VectorsPerClass[wb.VectorClass[v]] * 3.0));
    wb.ResultsPrefix = "/nonexistent/weightlab/results/t_1";
    wb.Form1.HiddenEditT2.SetText("6");
    wb.Form1.InitEdit.SetText("3.0");
    wb.Rng.Seed = 99;
    ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
  }

  // Σ over vectors and outputs of (y - t)², the inputs coded and every sum taken by Dot.
  double PlainLoop(bool perLayer) {
    const std::vector<int>& L = wb.Layers;
    std::vector<double> x(L[0]), h(L[1]), y(L[2]);
    double e = 0.0;
    for (int v = 0; v < wb.NumOfVectors; ++v) {
      CodeInputs(wb.Features, wb.Data[v].data(), x.data());
      for (int j = 0; j < L[1]; ++j) {
        const double* w = wb.Net[1][j].Weights.data();
        const double net = Dot(x.data(), w, L[0]);
        h[j] = perLayer ? LayerTransfer(wb.LayerTF[0], net, w[L[0]], StairParams{})
                        : StretchedSigmoid(w[L[0]] - net, 1.0, 0.0);
      }
      double ev = 0.0;
      for (int j = 0; j < L[2]; ++j) {
        const double* w = wb.Net[2][j].Weights.data();
        const double net = Dot(h.data(), w, L[1]);
        y[j] = perLayer ? LayerTransfer(wb.LayerTF[1], net, w[L[1]], StairParams{})
                        : StretchedSigmoid(w[L[1]] - net, 1.0, 0.0);
        ev += ErrorTerm(y[j] - (j == wb.VectorClass[v] ? 1.0 : 0.0), 2.0);
      }
      e += perLayer ? ev : ev * wb.VectorWeight[v];
    }
    return e;
  }
};

TEST_F(OneHotPassTest, PassesOverOneHotInputsAreThePlainLoopsNumbers) {
  DataSet(60);
  SetEvaluationPath(EvaluationPath::Plain);
  EXPECT_PRED2(SameBits, TrainingSetError(wb), PlainLoop(true));
  EXPECT_PRED2(SameBits, ErrorFullPass(wb), PlainLoop(false));
  // The vector kernels' sums over 0/1 inputs are Dot's too, but their exponential is their own: it may
  // differ from the library's in the last place, so the error agrees to rounding only (the signal
  // table's outputs follow the same path).
  SetEvaluationPath(EvaluationPath::Vector);
  EXPECT_NEAR(TrainingSetError(wb), PlainLoop(true), 1e-12 * PlainLoop(true));
  EXPECT_NEAR(ErrorFullPass(wb), PlainLoop(false), 1e-12 * PlainLoop(false));
  SetEvaluationPath(EvaluationPath::Automatic);
  EXPECT_PRED2(SameBits, ComputeError(wb), PlainLoop(false));
}

// A trial of a coded input's weight computes only the vectors where the input is 1 (the lists the full
// pass makes); the others keep their scores. The numbers are those of a trial that visits every vector,
// bit for bit: the error, each vector's term, the counts. Every weight of the first layer (coded inputs,
// the continuous input, the thresholds) and the skip weights, with changes kept in between.
class HotListTrialTest : public OneHotPassTest {
 protected:
  struct Seen {
    double e, weighted;
    int correct;
    std::vector<double> terms;
  };
  Seen Trial(int l, int n, int i, bool lists) {
    TNeuron& neuron = wb.Net[l][n];
    const double w1 = neuron.Weights[i];
    if (!lists) {
      // Refreshing a column from the data drops the lists until the next full pass.
      neuron.Weights[i] = neuron.OldWeights[i];
      ForwardVectorFromData(wb, 0);
      neuron.Weights[i] = w1;
    }
    wb.WeightedCorrect = 0.0;
    const double e = ErrorWithChangedWeight(wb, l, n, i);
    return Seen{e, wb.WeightedCorrect, wb.NumOfCorrect, wb.VectorErrorTerm};
  }

  void EveryWeightOfLayer(int l, int first) {
    const int count = wb.LayerInputs[l - 1] + 1 - first;
    for (int k = 0; k < count; ++k) {
      const int n = k % wb.Layers[l], i = first + k;
      SCOPED_TRACE("weight " + std::to_string(i) + " of neuron " + std::to_string(n));
      TNeuron& neuron = wb.Net[l][n];
      neuron.OldWeights[i] = neuron.Weights[i];
      ErrorFullPass(wb);  // the lists hold after every full pass
      neuron.Weights[i] += k % 3 == 0 ? 2.5 : -0.75;
      const Seen viaLists = Trial(l, n, i, true), visited = Trial(l, n, i, false);
      EXPECT_PRED2(SameBits, viaLists.e, visited.e);
      EXPECT_PRED2(SameBits, viaLists.weighted, visited.weighted);
      EXPECT_EQ(viaLists.correct, visited.correct);
      ASSERT_EQ(viaLists.terms.size(), visited.terms.size());
      for (std::size_t v = 0; v < visited.terms.size(); ++v)
        EXPECT_PRED2(SameBits, viaLists.terms[v], visited.terms[v]) << v;
      if (k % 2 == 0) {
        UpdateSignalTable(wb, l, n, i);  // kept
      } else {
        neuron.Weights[i] = neuron.OldWeights[i];
      }
    }
  }
};

// A trial of a coded input's weight computes only the vectors where the input is 1 (the lists the full
// pass makes); the others keep their scores. The numbers are those of a trial that visits every vector,
// bit for bit: the error, each vector's term, the counts. Every weight of the first layer (coded inputs,
// the continuous input, the thresholds), and the skip weights, with changes kept in between.
TEST_F(HotListTrialTest, TrialsThroughTheListsGiveTheNumbersOfFullVisits) {
  DataSet(45);
  EveryWeightOfLayer(1, 0);
}

TEST_F(HotListTrialTest, SkipWeightTrialsThroughTheListsGiveTheNumbersOfFullVisits) {
  wb.Form1.SkipCheck.SetChecked(true);
  DataSet(45);
  ASSERT_EQ(wb.LayerInputs[1], wb.Layers[1] + wb.Layers[0]);
  EveryWeightOfLayer(2, wb.Layers[1]);
}

// An accepted change of a first-layer weight folded into the table: through the lists of hot vectors
// (the vectors off the list take the sums' expressions with the signal 0, without the data) the table,
// the neuron's signal and the next trials are those of an update that reads every vector, bit for bit;
// on both paths. Every first-layer weight (coded inputs, the continuous input, the thresholds), with
// sums above the guard and negative zeros in the table.
TEST_F(OneHotPassTest, UpdatesThroughTheListsLeaveTheTableOfAnUpdateThatReadsEveryVector) {
  DataSet(45);
  auto same = [](const std::vector<std::vector<std::vector<double>>>& a,
                 const std::vector<std::vector<std::vector<double>>>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t l = 0; l < a.size(); ++l) {
      if (a[l].size() != b[l].size()) return false;
      for (std::size_t n = 0; n < a[l].size(); ++n) {
        if (a[l][n].size() != b[l][n].size()) return false;
        for (std::size_t v = 0; v < a[l][n].size(); ++v)
          if (!SameBits(a[l][n][v], b[l][n][v])) return false;
      }
    }
    return true;
  };
  for (const EvaluationPath path : {EvaluationPath::Plain, EvaluationPath::Vector}) {
    SetEvaluationPath(path);
    SCOPED_TRACE(path == EvaluationPath::Plain ? "plain" : "vector");
    for (int i = 0; i <= wb.LayerInputs[0]; ++i) {
      SCOPED_TRACE("weight " + std::to_string(i));
      const int n = i % wb.Layers[1];
      TNeuron& neuron = wb.Net[1][n];
      ErrorFullPass(wb);
      wb.SignalTable[0][n][3] = 20000.0;  // beyond the guard: the update stores at most 11300
      wb.SignalTable[1][1][5] = 20000.0;
      wb.SignalTable[0][n][7] = -0.0;
      wb.SignalTable[1][0][8] = -0.0;
      const auto start = wb.SignalTable;
      neuron.OldWeights[i] = neuron.Weights[i];
      neuron.Weights[i] += i % 2 ? 0.75 : -1.25;
      UpdateSignalTable(wb, 1, n, i);  // through the lists where the input has one
      const auto viaLists = wb.SignalTable;
      const double signal = neuron.Signal;
      const double trial = [&] {
        TNeuron& other = wb.Net[1][(n + 1) % wb.Layers[1]];
        other.OldWeights[0] = other.Weights[0];
        other.Weights[0] += 0.5;
        const double e = ErrorWithChangedWeight(wb, 1, (n + 1) % wb.Layers[1], 0);
        other.Weights[0] = other.OldWeights[0];
        return e;
      }();
      // The same update reading every vector: a column refreshed from the data drops the lists.
      wb.SignalTable = start;
      ForwardVectorFromData(wb, 0);
      wb.SignalTable = start;
      UpdateSignalTable(wb, 1, n, i);
      EXPECT_TRUE(same(wb.SignalTable, viaLists));
      EXPECT_PRED2(SameBits, neuron.Signal, signal);
      TNeuron& other = wb.Net[1][(n + 1) % wb.Layers[1]];
      other.OldWeights[0] = other.Weights[0];
      other.Weights[0] += 0.5;
      EXPECT_PRED2(SameBits, ErrorWithChangedWeight(wb, 1, (n + 1) % wb.Layers[1], 0), trial);
      other.Weights[0] = other.OldWeights[0];
    }
  }
  SetEvaluationPath(EvaluationPath::Automatic);
}

// A row changed in the data set and refreshed in the table alone: the trials no longer follow the lists
// made before and see the row as it is now (both the value it left and the one it took).
TEST_F(OneHotPassTest, ARowRefreshedFromTheDataIsSeenByTheNextTrials) {
  DataSet(30);
  ErrorFullPass(wb);
  const int before = static_cast<int>(wb.Data[4][0]), after = before == 0 ? 1 : 0;
  wb.Data[4][0] = after;
  ForwardVectorFromData(wb, 4);
  TNeuron& n = wb.Net[1][1];
  std::vector<double> viaTable;
  for (int i : {before, after}) {
    n.OldWeights[i] = n.Weights[i];
    n.Weights[i] += 1.5;
    viaTable.push_back(ErrorWithChangedWeight(wb, 1, 1, i));
    n.Weights[i] = n.OldWeights[i];
  }
  for (int k = 0; k < 2; ++k) {
    const int i = k == 0 ? before : after;
    n.Weights[i] += 1.5;
    const double full = ErrorFullPass(wb);
    EXPECT_NEAR(viaTable[k], full, 1e-12 * full) << i;
    n.Weights[i] = n.OldWeights[i];
  }
}

// Leaves the upper halves of the vector registers dirty, as a drawing can.
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx"), noinline)) void DirtyUpperState() {
  __asm__ __volatile__("vpcmpeqd %%xmm15, %%xmm15, %%xmm15\n\tvinsertf128 $1, %%xmm15, %%ymm15, %%ymm15" ::: "xmm15");
}
#endif

TEST_F(OneHotPassTest, EvaluationsAfterADirtyUpperStateGiveTheSameNumbers) {
#if defined(__x86_64__) && defined(__GNUC__)
  if (!__builtin_cpu_supports("avx")) GTEST_SKIP() << "no AVX";
  DataSet(40);
  const double perLayer = TrainingSetError(wb), sigmoid = ComputeError(wb), table = ErrorFullPass(wb);
  TNeuron& n = wb.Net[1][2];
  n.OldWeights[3] = n.Weights[3];
  n.Weights[3] += 0.25;
  const double trial = ErrorWithChangedWeight(wb, 1, 2, 3);
  DirtyUpperState();
  EXPECT_PRED2(SameBits, ErrorWithChangedWeight(wb, 1, 2, 3), trial);
  n.Weights[3] = n.OldWeights[3];
  DirtyUpperState();
  EXPECT_PRED2(SameBits, TrainingSetError(wb), perLayer);
  DirtyUpperState();
  EXPECT_PRED2(SameBits, ComputeError(wb), sigmoid);
  DirtyUpperState();
  EXPECT_PRED2(SameBits, ErrorFullPass(wb), table);
  ClearVectorState();
#else
  GTEST_SKIP() << "x86-64 only";
#endif
}

}  // namespace
}  // namespace wl

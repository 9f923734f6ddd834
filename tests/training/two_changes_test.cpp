// The two-change searches: the greedy walk over the ordered weight pairs against a plain loop of its
// rules (both modes, with and without step decay, the rerun), the step and weight records, the stop
// rules, the SMLP stub, the progress curve after a one-change run; the scan of the zero network with its
// pair file and its direction, a scan that finds nothing, and the refusal of a network without a hidden
// layer.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "analysis/canvas.h"
#include "analysis/gtp_pictures.h"
#include "model/create_network.h"
#include "model/error_functions.h"
#include "model/read_parameters.h"
#include "state/workbench.h"
#include "platform/numfmt.h"
#include "platform/scripted_platform.h"
#include "support/test_support.h"
#include "training/one_change.h"
#include "training/prepare_run.h"
#include "training/two_changes.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

std::vector<double> Flat(const Workbench& wb) {
  std::vector<double> w;
  for (std::size_t l = 1; l < wb.Net.size(); ++l)
    for (const TNeuron& n : wb.Net[l]) w.insert(w.end(), n.Weights.begin(), n.Weights.end());
  return w;
}

std::vector<double> Row(const WeightRecords<double>& r, std::size_t row) {
  const auto s = r.Row(row);
  return {s.begin(), s.end()};
}

// Two continuous features, `vectors` vectors of two classes around two centres (class 0 more often),
// the network built with the given hidden neurons and scheme from a fixed seed.
void MakeSet(Workbench& wb, const std::vector<std::vector<double>>& rows, const std::vector<int>& classes) {
  test::SetContinuousRows(wb, rows);
  wb.NumOfClasses = 2;
  wb.VectorClass = classes;
  wb.VectorsPerClass = {0, 0};
  for (int c : classes) ++wb.VectorsPerClass[static_cast<std::size_t>(c)];
  wb.VectorWeight.clear();
  for (int c : classes)
    wb.VectorWeight.push_back(double(rows.size()) / (2.0 * wb.VectorsPerClass[static_cast<std::size_t>(c)]));
  wb.VectorErrorTerm.assign(rows.size(), 0.0);
  wb.ResultsPrefix = wb.ProgramDir + "/results/set_100";
}

const std::vector<std::vector<double>> kRows = {{0.1, 0.9}, {0.8, 0.3}, {0.2, 0.7}, {0.9, 0.1}, {0.4, 0.6}, {0.6, 0.2}};
const std::vector<int> kClasses = {0, 1, 0, 1, 0, 0};

class TwoChangesTest : public ::testing::Test {
 protected:
  // A workbench of its own program directory, with the set and a network from seed 77.
  Workbench& Bench(const std::string& hidden = "2", std::uint8_t scheme = 4,
                   const std::vector<std::vector<double>>& rows = kRows, const std::vector<int>& classes = kClasses) {
    const fs::path d = temp.Path() / std::to_string(benches.size());
    fs::create_directories(d);
    platforms.push_back(std::make_unique<ScriptedPlatform>());
    platforms.back()->ProgramDir = d.string();
    platforms.back()->ClockMs = 4321987;
    benches.push_back(std::make_unique<Workbench>(*platforms.back(), d.string()));
    Workbench& wb = *benches.back();
    MakeSet(wb, rows, classes);
    wb.Form1.HiddenEditT2.SetText(hidden);
    wb.Form1.EpochEditT2.SetText("2");
    wb.Rng.Seed = 77;
    EXPECT_EQ(CreateNetwork(wb, scheme), NetworkBuilt);
    return wb;
  }
  ScriptedPlatform& Plat(const Workbench& wb) { return static_cast<ScriptedPlatform&>(wb.Plat); }

  test::TempProgramDir temp{"wl_twochanges_"};
  std::vector<std::unique_ptr<ScriptedPlatform>> platforms;
  std::vector<std::unique_ptr<Workbench>> benches;
};

// ---- the greedy walk ---------------------------------------------------------------------------------

struct PlainRun {
  double startError = 0.0;
  std::vector<std::vector<double>> weightsAfterEpoch;  // [e - 1]
  std::vector<double> errorAfterNeuron, rateAfterNeuron;
  std::vector<double> errorAfterEpoch, rateAfterEpoch;
};

// The search as its rules read: for every neuron (layer 1 up) every ordered pair (k1 outer, k1 = k2
// included), a outer, b inner; each trial from the weights as they stand, kept only when strictly better.
PlainRun PlainTwoChanges(Workbench& wb, bool random, std::uint32_t seed) {
  EXPECT_FALSE(ReadParameters(wb));
  PlainRun run;
  double E = ComputeError(wb, 1);
  run.startError = E;
  if (random) wb.Rng.Seed = seed;
  for (int e = 1; e <= wb.NumOfEpochs; ++e) {
    const double f = wb.DeltaDecay == 0.0 ? 1.0 : 1.0 - std::exp(-wb.DeltaDecay / e);
    for (std::size_t l = 1; l < wb.Net.size(); ++l)
      for (TNeuron& neuron : wb.Net[l]) {
        std::vector<double>& w = neuron.Weights;
        for (std::size_t k1 = 0; k1 < w.size(); ++k1)
          for (std::size_t k2 = 0; k2 < w.size(); ++k2)
            for (int a = -2; a <= 2; ++a)
              for (int b = -2; b <= 2; ++b) {
                const double d = wb.InitialDelta * f * (random ? wb.Rng.Real() : 1.0);
                const double o1 = w[k1], o2 = w[k2];
                w[k1] = o1 + a * d;
                w[k2] = o2 + b * d;
                const double t = ComputeError(wb, 1);
                if (t < E) {
                  E = t;
                } else {
                  w[k1] = o1;
                  w[k2] = o2;
                }
              }
        run.errorAfterNeuron.push_back(E);
        run.rateAfterNeuron.push_back(wb.SuccessRate);
      }
    run.weightsAfterEpoch.push_back(Flat(wb));
    run.errorAfterEpoch.push_back(E);
    run.rateAfterEpoch.push_back(wb.SuccessRate);
  }
  return run;
}

TEST_F(TwoChangesTest, GreedyWalkOverOrderedPairsFollowsItsRules) {
  struct Case {
    const char* what;
    std::uint8_t mode;
    const char* decay;
    const char* tag;
    const char* label;
  };
  const Case cases[] = {
      {"deterministic, no decay", 2, "none", "S2-D", "Discrete - 2 changes"},
      {"deterministic, slow decay", 2, "slow", "S2-D", "Discrete - 2 changes"},
      {"random", 1, "slow", "S2-R", "Random - 2 changes"},
      {"random rerun", 101, "fast", "S2-R", "Random - 2 changes"},
      {"deterministic rerun", 102, "none", "S2-D", "Discrete - 2 changes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const bool random = c.mode % 100 == 1;
    Workbench& ref = Bench();
    ref.Form1.StepEdit.SetText(c.decay);
    const PlainRun plain = PlainTwoChanges(ref, random, 4321987);

    Workbench& wb = Bench();
    wb.Form1.StepEdit.SetText(c.decay);
    const std::vector<double> start = Flat(wb);
    TrainTwoChanges(wb, c.mode);
    EXPECT_TRUE(Plat(wb).Messages.empty());
    EXPECT_FALSE(Plat(wb).Hourglass);

    EXPECT_EQ(Flat(wb), plain.weightsAfterEpoch.back());
    EXPECT_NE(Flat(wb), start);
    EXPECT_EQ(wb.CurrentError, plain.errorAfterEpoch.back());
    EXPECT_EQ(wb.NumOfEpochs, 2);
    // Every weight is recorded after each of its pairs, so an epoch's row holds the epoch's weights.
    EXPECT_EQ(Row(wb.WeightHistory, 0), start);
    for (std::size_t e = 1; e <= 2; ++e) {
      EXPECT_EQ(Row(wb.WeightHistory, e), plain.weightsAfterEpoch[e - 1]) << e;
      EXPECT_EQ(wb.EpochHistory[e].Error, plain.errorAfterEpoch[e - 1]) << e;
      EXPECT_EQ(wb.EpochHistory[e].Accuracy, plain.rateAfterEpoch[e - 1]) << e;
    }
    // One step entry per neuron (2 hidden, 2 outputs) and epoch, from entry 1.
    EXPECT_EQ(wb.StepCount, 8);
    ASSERT_EQ(wb.StepErrorHistory.size(), 12u);
    EXPECT_EQ(wb.StepErrorHistory[0], 0.0);
    for (std::size_t s = 1; s <= 8; ++s) {
      EXPECT_EQ(wb.StepErrorHistory[s], plain.errorAfterNeuron[s - 1]) << s;
      EXPECT_EQ(wb.StepRateHistory[s], plain.rateAfterNeuron[s - 1]) << s;
    }

    EXPECT_EQ(wb.MethodTag, c.tag);
    EXPECT_EQ(wb.ParamText[7], c.label);
    EXPECT_EQ(wb.Form1.Label19.Caption(), c.label);
    EXPECT_EQ(wb.Form1.ep.Text(), "2 / 2 / 1");
    EXPECT_EQ(wb.ResultText, FixedDisplayText(plain.startError, 12, 3));
    EXPECT_EQ(wb.Form1.ge.Text(), FixedDisplayText(wb.CurrentError, 12, 4) + " / " + wb.ResultText);
    EXPECT_EQ(wb.ParamText[4],
              "Start Error = " + wb.ResultText + "   End Error = " + FixedDisplayText(wb.CurrentError, 12, 4));
    EXPECT_EQ(wb.Form1.alsigEdit.Text(), GroupedCount(wb.SigmoidCount));
    EXPECT_TRUE(fs::exists(wb.ResultsPrefix + "_InitWeights.txt"));
  }
}

// The stop rules: a success rate of at least GoodResult, or an error at most StopError times the start
// error, ends the run after the neuron that reached it; the epoch gets no row.
TEST_F(TwoChangesTest, StopsAfterTheNeuronThatReachesTheTarget) {
  struct Case {
    const char* what;
    const char* epochs;
    const char* goodResult;
    const char* stopError;
    int numOfEpochs, stepCount;
    const char* ep;
  };
  const Case cases[] = {
      {"success rate 0 is reached at once", "3", "0", "0.00", 0, 1, "1 / 1 / 0"},
      {"no epoch to run", "0", "1.01", "0.00", 0, 0, "0"},
      {"a stop error of the whole start error", "3", "1.01", "1", 0, 1, "1 / 1 / 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Workbench& wb = Bench();
    wb.Form1.EpochEditT2.SetText(c.epochs);
    wb.Form1.SREdit.SetText(c.goodResult);
    wb.Form1.StopErrorEdit.SetText(c.stopError);
    const std::vector<double> start = Flat(wb);
    TrainTwoChanges(wb, 2);
    EXPECT_TRUE(Plat(wb).Messages.empty());
    EXPECT_EQ(wb.NumOfEpochs, c.numOfEpochs);
    EXPECT_EQ(wb.StepCount, c.stepCount);
    EXPECT_EQ(wb.Form1.ep.Text(), c.ep);
    if (wb.EpochHistory.size() > 1) {
      EXPECT_EQ(wb.EpochHistory[1].Error, 0.0);  // not written
    }
    // Only the first hidden neuron can have moved.
    const std::vector<double> now = Flat(wb);
    EXPECT_EQ(std::vector<double>(now.begin() + 3, now.end()), std::vector<double>(start.begin() + 3, start.end()));
    EXPECT_FALSE(wb.ParamText[4].empty());
  }
}

TEST_F(TwoChangesTest, TheSmlpStructureLeavesEverythingAsItWas) {
  Workbench& wb = Bench();
  wb.Form1.strbox.SetChecked(true);
  const std::vector<double> start = Flat(wb);
  TrainTwoChanges(wb, 1);
  EXPECT_TRUE(Plat(wb).Messages.empty());
  EXPECT_EQ(Flat(wb), start);
  EXPECT_EQ(wb.MethodTag, "NA");
  EXPECT_TRUE(wb.EpochHistory.empty());
  EXPECT_FALSE(fs::exists(wb.ResultsPrefix + "_InitWeights.txt"));
}

// After a one-change run with "Detailed Plot" (whose curve is drawn weight by weight), the two-change
// run still draws its curve epoch by epoch: its own tag is in place before the plot opens.
TEST_F(TwoChangesTest, DrawsItsCurveAfterAOneChangeRun) {
  Workbench& wb = Bench();
  ASSERT_TRUE(wb.Form1.DetPlotBox.Checked());
  TrainOneChange(wb, 2);
  ASSERT_EQ(wb.MethodTag.substr(0, 2), "S1");
  TrainTwoChanges(wb, 2);
  // Two epochs: epoch 1 at x = 50 + 360; the segment from epoch 0 crosses the column in between.
  bool red = false;
  for (int y = 20; y <= 390 && !red; ++y) red = Canvas(Pictures(wb.GTP).Bitmap).Pixel(230, y) == clRed;
  EXPECT_TRUE(red);
}

// ---- the zero network ---------------------------------------------------------------------------------

struct PlainPair {
  int n1, w1, n2, w2;
  double error, step1, step2;
};

// The scan and the final step as their rules read, on a zero network.
std::vector<PlainPair> PlainZeroScan(Workbench& wb, double& e0, std::vector<double>& finalWeights) {
  EXPECT_FALSE(ReadParameters(wb));
  e0 = ComputeError(wb, 1);
  const double d = wb.InitialDelta * (wb.DeltaDecay == 0.0 ? 1.0 : 1.0 - std::exp(-wb.DeltaDecay));
  std::vector<PlainPair> pairs;
  for (int n2 = 0; n2 < wb.Layers[2]; ++n2)
    for (int w2 = 0; w2 <= wb.LayerInputs[1]; ++w2)
      for (int n1 = 0; n1 < wb.Layers[1]; ++n1)
        for (int w1 = 0; w1 <= wb.LayerInputs[0]; ++w1) {
          double E = e0, b1 = 0.0, b2 = 0.0;
          for (int a = -1; a <= 1; ++a)
            for (int b = -1; b <= 1; ++b) {
              wb.Net[1][n1].Weights[w1] = a * d;
              wb.Net[2][n2].Weights[w2] = b * d;
              const double t = ComputeError(wb, 1);
              if (t < E) E = t, b1 = a * d, b2 = b * d;
            }
          wb.Net[1][n1].Weights[w1] = 0.0;
          wb.Net[2][n2].Weights[w2] = 0.0;
          if (b1 != 0.0 || b2 != 0.0) pairs.push_back({n1, w1, n2, w2, E, b1, b2});
        }
  // The direction from hidden neuron 0's pairs, then the best multiple of it.
  std::vector<std::vector<std::vector<double>>> dir(3);
  for (int l = 1; l <= 2; ++l)
    dir[l].assign(wb.Layers[l], std::vector<double>(wb.LayerInputs[l - 1] + 1, 0.0));
  for (const PlainPair& p : pairs)
    if (p.n1 == 0) {
      dir[1][0][p.w1] = (e0 - p.error) * p.step1;
      dir[2][p.n2][p.w2] = (e0 - p.error) * p.step2;
    }
  auto put = [&](double t) {
    for (int l = 1; l <= 2; ++l)
      for (std::size_t n = 0; n < dir[l].size(); ++n)
        for (std::size_t k = 0; k < dir[l][n].size(); ++k) wb.Net[l][n].Weights[k] = t * dir[l][n][k];
  };
  double best = e0, bestT = 0.0;
  for (int k = 0; k < 100; ++k) {
    put(0.1 * k);
    const double t = ComputeError(wb, 1);
    if (t < best) best = t, bestT = 0.1 * k;
  }
  put(bestT);
  finalWeights = Flat(wb);
  return pairs;
}

TEST_F(TwoChangesTest, ZeroScanListsTheImprovingPairsAndMovesAlongHiddenNeuronZerosDirection) {
  Workbench& ref = Bench("2", 8);
  double e0 = 0.0;
  std::vector<double> expectedWeights;
  const std::vector<PlainPair> pairs = PlainZeroScan(ref, e0, expectedWeights);

  Workbench& wb = Bench("2", 8);
  TrainTwoChangesZero(wb, 1);
  EXPECT_TRUE(Plat(wb).Messages.empty());
  EXPECT_FALSE(Plat(wb).Hourglass);

  const std::vector<std::string> lines = test::Lines(test::ReadText(fs::path(wb.ProgramDir) / "T2.txt"));
  ASSERT_EQ(lines.size(), pairs.size() + 2);
  EXPECT_EQ(lines[0], FixedDisplayText(e0, 14, 6));
  EXPECT_EQ(lines[1], "N1 w1 N2 w2   MSE");
  bool otherHidden = false;
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    const PlainPair& p = pairs[i];
    EXPECT_EQ(lines[i + 2], IntToStr(p.n1) + "  " + IntToStr(p.w1) + "  " + IntToStr(p.n2) + "  " + IntToStr(p.w2) +
                                "  " + FixedDisplayText(p.error, 14, 6));
    const TZeroPair& z = wb.ZeroPairs[i];
    EXPECT_EQ(z.N1, p.n1);
    EXPECT_EQ(z.W2, p.w2);
    EXPECT_EQ(z.Error, p.error);
    EXPECT_EQ(z.Step1, p.step1);
    EXPECT_EQ(z.Step2, p.step2);
    otherHidden = otherHidden || p.n1 == 1;
  }
  // 2 hidden neurons x 3 weights x 2 outputs x 3 weights, plus one; the entries left over keep E0.
  EXPECT_EQ(wb.ZeroPairCount, 37);
  ASSERT_EQ(wb.ZeroPairs.size(), 37u);
  EXPECT_EQ(wb.ZeroPairs.back().Error, e0);
  EXPECT_EQ(wb.ZeroPairs.back().Step1, 0.0);

  // Hidden neuron 1 has pairs in the file but a zero row in the direction.
  ASSERT_TRUE(otherHidden);
  ASSERT_EQ(wb.ZeroDirection.size(), 2u);
  EXPECT_EQ(wb.ZeroDirection[0][1], std::vector<double>(3, 0.0));
  EXPECT_NE(wb.ZeroDirection[0][0], std::vector<double>(3, 0.0));
  EXPECT_EQ(Flat(wb), expectedWeights);
  EXPECT_NE(Flat(wb), std::vector<double>(expectedWeights.size(), 0.0));

  EXPECT_EQ(wb.MethodTag, "S2-R");
  EXPECT_EQ(wb.ParamText[7], "Zero Random - 2 changes");
  EXPECT_EQ(wb.Form1.ep.Text(), "0 / 2 / 1");
  EXPECT_EQ(wb.StopError, e0);
  EXPECT_EQ(wb.EpochHistory[0].Error, e0);  // row 0 written again after the scan
  EXPECT_EQ(wb.NumOfEpochs, 2);             // no epochs: left as it was
  EXPECT_EQ(wb.StepCount, 0);
  EXPECT_EQ(wb.ParamText[4],
            "Start Error = " + FixedDisplayText(e0, 12, 3) + "   End Error = " + FixedDisplayText(wb.CurrentError, 12, 3));
}

// Two vectors with the same inputs and different classes: every change moves both outputs alike, and
// at the zero network's 0.5 no output can do better, so nothing is listed and nothing moves.
TEST_F(TwoChangesTest, ZeroScanWithoutAnImprovingPair) {
  Workbench& wb = Bench("2", 8, {{0.3, 0.7}, {0.3, 0.7}}, {0, 1});
  wb.Form1.DeltaEdit.SetText("0.5");
  TrainTwoChangesZero(wb, 2);
  EXPECT_TRUE(Plat(wb).Messages.empty());
  const std::vector<std::string> lines = test::Lines(test::ReadText(fs::path(wb.ProgramDir) / "T2.txt"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "1.000000");  // four outputs at 0.5: 4 x 0.25
  EXPECT_EQ(Flat(wb), std::vector<double>(Flat(wb).size(), 0.0));
  for (const auto& layer : wb.ZeroDirection)
    for (const auto& row : layer) EXPECT_EQ(row, std::vector<double>(row.size(), 0.0));
  EXPECT_EQ(wb.CurrentError, 1.0);
  EXPECT_EQ(wb.MethodTag, "S2-D");
  EXPECT_EQ(wb.ParamText[7], "Zero Discrete - 2 changes");
}

TEST_F(TwoChangesTest, ZeroScanRefusesANetworkWithoutAHiddenLayer) {
  Workbench& wb = Bench("0", 8);
  ASSERT_EQ(wb.Net.size(), 2u);
  TrainTwoChangesZero(wb, 1);
  ASSERT_EQ(Plat(wb).Messages.size(), 1u);
  EXPECT_EQ(Plat(wb).Messages[0].Text, kZeroNeedsHiddenLayer);
  EXPECT_FALSE(fs::exists(fs::path(wb.ProgramDir) / "T2.txt"));
  EXPECT_FALSE(fs::exists(wb.ResultsPrefix + "_InitWeights.txt"));
  EXPECT_EQ(wb.MethodTag, "NA");
  EXPECT_TRUE(wb.EpochHistory.empty());
  EXPECT_FALSE(Plat(wb).Hourglass);
}

}  // namespace
}  // namespace wl

// Beam search over weight sets: a beam of one network against a plain loop of its rules (with and
// without the step extension, the step sizes of the "slow" decay), the parentage file for beams of 1 and
// 3, the selection's order on equal errors and its numbers beyond 255, the candidate error with the
// class-error weight, the records of runs shorter than ten epochs or without the beam's tag, and the
// refusal of skip connections.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "analysis/canvas.h"
#include "analysis/gtp_pictures.h"
#include "model/create_network.h"
#include "model/read_parameters.h"
#include "state/workbench.h"
#include "platform/numfmt.h"
#include "platform/scripted_platform.h"
#include "support/test_support.h"
#include "training/mlp_beam_search.h"
#include "training/one_change.h"
#include "training/prepare_run.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

std::vector<double> Flat(const std::vector<std::vector<TNeuron>>& net) {
  std::vector<double> w;
  for (std::size_t l = 1; l < net.size(); ++l)
    for (const TNeuron& n : net[l]) w.insert(w.end(), n.Weights.begin(), n.Weights.end());
  return w;
}

std::vector<double> Row(const WeightRecords<double>& r, std::size_t row) {
  const auto s = r.Row(row);
  return {s.begin(), s.end()};
}

const std::vector<std::vector<double>> kRows = {{0.1, 0.9}, {0.8, 0.3}, {0.2, 0.7}, {0.9, 0.1}, {0.4, 0.6}, {0.6, 0.2}};
const std::vector<int> kClasses = {0, 1, 0, 1, 0, 0};
constexpr std::int64_t kClock = 5551234;

class BeamSearchTest : public ::testing::Test {
 protected:
  // A workbench of its own program directory with the six-vector set, a 2-2-2 network built from seed 3
  // and the given beam width.
  Workbench& Bench(const std::string& width = "1") {
    const fs::path d = temp.Path() / std::to_string(benches.size());
    fs::create_directories(d);
    platforms.push_back(std::make_unique<ScriptedPlatform>());
    platforms.back()->ProgramDir = d.string();
    platforms.back()->ClockMs = kClock;
    benches.push_back(std::make_unique<Workbench>(*platforms.back(), d.string()));
    Workbench& wb = *benches.back();
    test::SetContinuousRows(wb, kRows);
    wb.NumOfClasses = 2;
    wb.VectorClass = kClasses;
    wb.VectorsPerClass = {4, 2};
    for (int c : kClasses) wb.VectorWeight.push_back(c == 0 ? 0.75 : 1.5);
    wb.VectorErrorTerm.assign(kRows.size(), 0.0);
    wb.ResultsPrefix = d.string() + "/results/set_100";
    wb.Form1.HiddenEditT2.SetText("2");
    wb.Form1.BeamEdit.SetText(width);
    wb.Rng.Seed = 3;
    EXPECT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
    return wb;
  }
  ScriptedPlatform& Plat(const Workbench& wb) { return static_cast<ScriptedPlatform&>(wb.Plat); }
  std::vector<std::string> History(const Workbench& wb) {
    return test::Lines(test::ReadText(fs::path(wb.ProgramDir) / "History.txt"));
  }

  test::TempProgramDir temp{"wl_beam_"};
  std::vector<std::unique_ptr<ScriptedPlatform>> platforms;
  std::vector<std::unique_ptr<Workbench>> benches;
};

// The error of the network as the beam's rules read: linear inputs, logistic neurons with the slope,
// targets 1 and 0, exponent 2 (the default).
double PlainError(const Workbench& wb) {
  double E = 0.0;
  for (std::size_t v = 0; v < wb.Data.size(); ++v) {
    std::vector<double> x = wb.Data[v];
    for (std::size_t l = 1; l < wb.Net.size(); ++l) {
      std::vector<double> y;
      for (const TNeuron& n : wb.Net[l]) {
        double s = 0.0;
        for (std::size_t k = 0; k < x.size(); ++k) s += n.Weights[k] * x[k];
        y.push_back(1.0 / (1.0 + std::exp((n.Weights[x.size()] - s) * wb.Slope)));
      }
      x = y;
    }
    for (std::size_t j = 0; j < x.size(); ++j) {
      const double d = x[j] - (static_cast<int>(j) == wb.VectorClass[v] ? 1.0 : 0.0);
      E += d * d;
    }
  }
  return E;
}

struct PlainBeam {
  std::vector<std::vector<double>> rows;  // the network of every generation: initial, epochs 1..10
  std::vector<double> errors;             // its error
};

// A beam of one network: ten sweeps, each weight tried up and down by a random fraction of the epoch's
// step, the best of the three kept, a success doubled up to three times with the extension.
PlainBeam PlainBeamOfOne(Workbench& wb, bool extend) {
  EXPECT_FALSE(ReadParameters(wb));
  wb.Rng.Seed = static_cast<std::uint32_t>(kClock);
  EXPECT_EQ(CreateNetwork(wb, 7), NetworkBuilt);
  PlainBeam run;
  double E = PlainError(wb);
  run.rows.push_back(Flat(wb.Net));
  run.errors.push_back(E);
  for (int e = 1; e <= 10; ++e) {
    const double D = wb.InitialDelta * (1.0 - std::exp(-wb.DeltaDecay / e));
    for (std::size_t l = 1; l < wb.Net.size(); ++l)
      for (TNeuron& n : wb.Net[l])
        for (double& w : n.Weights) {
          const double r = wb.Rng.Real() * D, w0 = w;
          double kept = 0.0;
          w = w0 + r;
          double t = PlainError(wb);
          if (t < E) E = t, kept = r;
          w = w0 - r;
          t = PlainError(wb);
          if (t < E) E = t, kept = -r;
          for (int i = 0; extend && kept != 0.0 && i < 3; ++i) {
            w = w0 + 2.0 * kept;
            t = PlainError(wb);
            if (!(t < E)) break;
            E = t, kept = 2.0 * kept;
          }
          w = w0 + kept;
        }
    run.rows.push_back(Flat(wb.Net));
    run.errors.push_back(E);
  }
  return run;
}

TEST_F(BeamSearchTest, BeamOfOneIsTenRandomSweepsOfOneNetwork) {
  for (const bool extend : {false, true}) {
    SCOPED_TRACE(extend ? "with the step extension" : "plain sweep");
    Workbench& ref = Bench();
    const PlainBeam plain = PlainBeamOfOne(ref, extend);
    // "slow" over 12 epochs: D = 0.984 and 0.340 of the initial step in epochs 1 and 10.
    EXPECT_NEAR(StepFactor(ref.DeltaDecay, 1), 0.984, 5e-4);
    EXPECT_NEAR(StepFactor(ref.DeltaDecay, 10), 0.340, 5e-4);

    Workbench& wb = Bench();
    wb.Form1.useST.SetChecked(extend);
    wb.MethodTag = "BS";
    MLPBeamSearchTrain(wb, 1);
    EXPECT_TRUE(Plat(wb).Messages.empty());
    EXPECT_FALSE(Plat(wb).Hourglass);

    ASSERT_EQ(Flat(wb.Net), plain.rows.back());
    EXPECT_NE(plain.rows.back(), plain.rows.front());
    EXPECT_NEAR(wb.CandidateErrors[0], plain.errors.back(), 1e-12);
    // One row per candidate: the initial network, then the child of every epoch, recorded also with the
    // step extension.
    for (std::size_t r = 0; r <= 10; ++r) {
      const std::vector<double> row = Row(wb.WeightHistory, r);
      ASSERT_EQ(row.size(), plain.rows[r].size());
      for (std::size_t k = 0; k < row.size(); ++k) EXPECT_DOUBLE_EQ(row[k], plain.rows[r][k]) << r << " " << k;
    }
    EXPECT_DOUBLE_EQ(wb.WeightTrialHistory.Row(0)[4].Error, plain.errors[0]);
    EXPECT_EQ(wb.StepCount, 10);
    for (std::size_t e = 1; e <= 10; ++e) EXPECT_NEAR(wb.StepErrorHistory[e], plain.errors[e], 1e-12) << e;

    std::vector<std::string> expected;
    for (int b = 0; b < 11; ++b) expected.insert(expected.end(), {"0  0", ""});
    EXPECT_EQ(History(wb), expected);
    EXPECT_FALSE(wb.BeamHistoryFile.is_open());

    EXPECT_EQ(wb.MethodTag, "BS");
    EXPECT_EQ(wb.Form1.Label19.Caption(), "Beam Search");
    EXPECT_EQ(wb.Form1.ep.Text(), "10 / 0 / 0");
    EXPECT_EQ(wb.ResultText, FixedDisplayText(plain.errors[0], 12, 3));
    EXPECT_EQ(wb.ParamText[2], "Num of Epochs = 10");
    EXPECT_EQ(wb.ParamText[3], "Initial Delta = 0.2D=D/2 every 4 epochs");
    EXPECT_EQ(wb.ParamText[4], "Start Error = " + wb.ResultText + "   End Error = " +
                                   FixedDisplayText(wb.CandidateErrors[0], 12, 4));
    EXPECT_GE(wb.ElapsedTime, 0);
    EXPECT_EQ(wb.NumOfEpochs, 12);
  }
}

// Nine initial networks: the first block names the three best twice; every later block names the
// member and child of the three best children.
TEST_F(BeamSearchTest, BeamOfThreeWritesTheParentageOfEverySelection) {
  Workbench& ref = Bench("3");
  ASSERT_FALSE(ReadParameters(ref));
  ref.Rng.Seed = static_cast<std::uint32_t>(kClock);
  std::vector<double> initial;
  for (int c = 0; c < 9; ++c) {
    ASSERT_EQ(CreateNetwork(ref, 7), NetworkBuilt);
    initial.push_back(PlainError(ref));
  }
  std::vector<int> order(9);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return initial[a] < initial[b]; });

  Workbench& wb = Bench("3");
  wb.MethodTag = "BS";
  MLPBeamSearchTrain(wb, 1);
  EXPECT_TRUE(Plat(wb).Messages.empty());
  const std::vector<std::string> lines = History(wb);
  ASSERT_EQ(lines.size(), 44u);
  for (int m = 0; m < 3; ++m) EXPECT_EQ(lines[m], IntToStr(order[m]) + "  " + IntToStr(order[m])) << m;
  EXPECT_NEAR(std::stod(wb.ResultText), initial[order[0]], 5e-4);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i % 4 == 3) {
      EXPECT_EQ(lines[i], "") << i;
    } else if (i >= 4) {
      EXPECT_EQ(lines[i].size(), 4u) << i;
      EXPECT_TRUE(lines[i][0] >= '0' && lines[i][0] <= '2' && lines[i].substr(1, 2) == "  " && lines[i][3] >= '0' &&
                  lines[i][3] <= '2')
          << lines[i];
    }
  }
  EXPECT_EQ(wb.StepCount, 90);
  EXPECT_TRUE(std::is_sorted(wb.CandidateErrors.begin(), wb.CandidateErrors.end()));
  EXPECT_EQ(Flat(wb.Net), Flat(wb.BeamNets[0]));
  // The best network is one of the children of epoch 10 (rows 90..98), as recorded.
  bool found = false;
  for (std::size_t r = 90; r < 99; ++r) found = found || Row(wb.WeightHistory, r) == Flat(wb.Net);
  EXPECT_TRUE(found);
}

// The exchange sort moves a later candidate before an earlier one only when strictly better; the beam
// takes copies of the best; the file gets full candidate numbers.
TEST_F(BeamSearchTest, SelectionKeepsEqualErrorsInOrderAndWritesFullNumbers) {
  Workbench& wb = Bench("2");
  ASSERT_FALSE(ReadParameters(wb));
  InitBeam(wb);
  const double errors[] = {3.0, 1.0, 2.0, 1.0};
  wb.CandidateSource.clear();
  for (int c = 0; c < 4; ++c) {
    wb.CandidateErrors[c] = errors[c];
    wb.CandidateSource.push_back({c, c});
    wb.CandidateNets[c][1][0].Weights[0] = 10.0 + c;
  }
  const std::string path = (fs::path(wb.ProgramDir) / "History.txt").string();
  wb.BeamHistoryFile.open(path);
  SelectBeam(wb);
  wb.BeamHistoryFile.close();
  EXPECT_EQ(wb.CandidateErrors, (std::vector<double>{1.0, 1.0, 2.0, 3.0}));
  EXPECT_EQ(test::Lines(test::ReadText(path)), (std::vector<std::string>{"1  1", "3  3", ""}));
  EXPECT_EQ(wb.BeamErrors, (std::vector<double>{1.0, 1.0}));
  EXPECT_EQ(wb.BeamNets[0][1][0].Weights[0], 11.0);
  EXPECT_EQ(wb.BeamNets[1][1][0].Weights[0], 13.0);
  wb.CandidateNets[1][1][0].Weights[0] = 0.0;  // the beam holds copies
  EXPECT_EQ(wb.BeamNets[0][1][0].Weights[0], 11.0);

  // 17 x 17 candidates, the best last: numbers beyond 255 are written whole.
  wb.Form1.BeamEdit.SetText("17");
  ASSERT_FALSE(ReadParameters(wb));
  InitBeam(wb);
  wb.CandidateSource.clear();
  for (int c = 0; c < 289; ++c) {
    wb.CandidateErrors[c] = 1000.0 - c;
    wb.CandidateSource.push_back({c, c});
  }
  wb.BeamHistoryFile.open(path, std::ios::trunc);
  SelectBeam(wb);
  wb.BeamHistoryFile.close();
  const std::vector<std::string> lines = test::Lines(test::ReadText(path));
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[0], "288  288");
  EXPECT_EQ(lines[16], "272  272");
  EXPECT_EQ(lines[17], "");
}

// Four classes, one input, outputs set by their thresholds alone (zero input weights).
TEST_F(BeamSearchTest, CandidateErrorCountsTheClassOutputWithTheClassErrorWeight) {
  Workbench& wb = Bench();
  test::SetContinuousRows(wb, {{0.5}, {0.5}, {0.5}, {0.5}});
  wb.NumOfClasses = 4;
  wb.VectorClass = {0, 1, 2, 3};
  wb.Slope = 1.0;
  wb.ErrorExponent = 2.0;
  wb.BeamWidth = 1;
  const double l3 = std::log(3.0);
  struct Case {
    const char* what;
    bool clCheck;
    std::vector<double> thresholds;
    double error, rate;
  };
  // Outputs 0.25, 0.75, 0.75, 0.5: zero-target terms 0.0625, 0.5625, 0.5625, 0.25 (sum 1.4375), one-target
  // terms 0.5625, 0.0625, 0.0625, 0.25; the first largest output (1) wins.
  const Case cases[] = {
      {"plain", false, {l3, -l3, -l3, 0.0}, 5.25, 0.25},
      {"class error weight 3", true, {l3, -l3, -l3, 0.0}, 7.125, 0.25},
      // Beyond the guard every output is 0: no winner, each class output's term (1) counted 3 times.
      {"all outputs 0", true, {20000.0, 20000.0, 20000.0, 20000.0}, 12.0, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::SetNetwork(wb, {1, 4}, {{{0.0, c.thresholds[0]}, {0.0, c.thresholds[1]}, {0.0, c.thresholds[2]},
                                   {0.0, c.thresholds[3]}}});
    wb.CLCheck = c.clCheck;
    InitBeam(wb);
    const double before = wb.ErrorEvaluations;
    EXPECT_NEAR(CandidateError(wb, 0), c.error, 1e-12);
    EXPECT_DOUBLE_EQ(wb.SuccessRate, c.rate);
    EXPECT_EQ(wb.ErrorEvaluations, before + 1);
  }
}

// The preparation keeps BeamWidth^2 x NumOfEpochs rows for a run tagged "BS", NumOfEpochs rows for any
// other; the run writes 11 x B^2 rows and 10 x B^2 step entries whatever the epochs say.
TEST_F(BeamSearchTest, RecordsFitRunsOfFewEpochsAndWithoutTheTag) {
  struct Case {
    const char* tag;
    const char* epochs;
  };
  for (const Case& c : {Case{"BS", "5"}, Case{"NA", "12"}, Case{"S1-D", "0"}}) {
    SCOPED_TRACE(std::string(c.tag) + " " + c.epochs);
    Workbench& wb = Bench("2");
    wb.Form1.EpochEditT2.SetText(c.epochs);
    wb.MethodTag = c.tag;
    MLPBeamSearchTrain(wb, 1);
    EXPECT_TRUE(Plat(wb).Messages.empty());
    ASSERT_GE(wb.WeightHistory.Rows(), 44u);
    ASSERT_GE(wb.WeightTrialHistory.Rows(), 44u);
    ASSERT_GE(wb.StepErrorHistory.size(), 41u);
    EXPECT_EQ(wb.StepCount, 40);
    bool found = false;
    for (std::size_t r = 40; r < 44; ++r) found = found || Row(wb.WeightHistory, r) == Flat(wb.Net);
    EXPECT_TRUE(found);
    EXPECT_EQ(History(wb).size(), 33u);
  }
}

// The progress plot follows the best network of every selection over the search's ten epochs (whatever
// NumOfEpochs says), and the trace names the epoch and the candidate until the run ends.
TEST_F(BeamSearchTest, TheProgressPlotFollowsTheBestNetworkOfEveryEpoch) {
  for (const char* epochs : {"5", "12"}) {
    SCOPED_TRACE(epochs);
    Workbench& wb = Bench("2");
    wb.Form1.EpochEditT2.SetText(epochs);
    wb.MethodTag = "BS";
    wb.ProgressStage = "18";
    std::vector<std::string> traces;
    Plat(wb).OnEvents = [&wb, &traces] { traces.push_back(wb.OnTopForm.Caption()); };
    MLPBeamSearchTrain(wb, 1);
    Plat(wb).OnEvents = nullptr;
    EXPECT_TRUE(Plat(wb).Messages.empty());

    const ProgressPlotState& P = wb.GTP.Plot;
    EXPECT_EQ(P.E, 10);
    ASSERT_EQ(P.Points.size(), 10u);
    EXPECT_DOUBLE_EQ(wb.EpochHistory[0].Error, wb.StartError);
    for (std::size_t e = 1; e <= 10; ++e) {
      EXPECT_DOUBLE_EQ(wb.EpochHistory[e].Error, wb.StepErrorHistory[e]) << e;
      EXPECT_DOUBLE_EQ(P.Points[e - 1].Error, wb.StepErrorHistory[e]) << e;
      EXPECT_EQ(P.Points[e - 1].X, 50 + 72 * static_cast<int>(e)) << e;
    }
    EXPECT_DOUBLE_EQ(P.Points.back().SquaredNorm, SquaredWeightNorm(wb));  // the network the run leaves
    const int y = P.Y0 - static_cast<int>(std::lround(P.H * wb.CandidateErrors[0] * P.YS));
    EXPECT_EQ(Canvas(Pictures(wb.GTP).Image1Picture).Pixel(770, y), clRed);
    EXPECT_TRUE(wb.GTP.Image1.Visible());
    // The last epoch's accuracy is that of the best network, measured without counting as the search's.
    EXPECT_DOUBLE_EQ(wb.EpochHistory[10].Accuracy, wb.AcceptedSuccessRate);

    EXPECT_NE(std::find(traces.begin(), traces.end(), "On Top      18-1-0"), traces.end());
    EXPECT_NE(std::find(traces.begin(), traces.end(), "On Top      18-10-3"), traces.end());
    EXPECT_EQ(wb.OnTopForm.Caption(), "On Top      518-0-0");
  }
}

TEST_F(BeamSearchTest, SkipConnectionsAreRefused) {
  Workbench& wb = Bench();
  wb.Form1.SkipCheck.SetChecked(true);
  const std::vector<double> start = Flat(wb.Net);
  MLPBeamSearchTrain(wb, 1);
  ASSERT_EQ(Plat(wb).Messages.size(), 1u);
  EXPECT_EQ(Plat(wb).Messages[0].Text, "Skip connections not implemented in Beam Search");
  EXPECT_FALSE(fs::exists(fs::path(wb.ProgramDir) / "History.txt"));
  EXPECT_EQ(Flat(wb.Net), start);
  EXPECT_NE(wb.Form1.Label19.Caption(), "Beam Search");
  EXPECT_FALSE(Plat(wb).Hourglass);
}

}  // namespace
}  // namespace wl

// The one-change variants: the ordered variable step search (custom and random order, the template),
// the weight-section search and its error file, the in-place twins, the search accepting worse steps,
// and the SSA run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "model/create_network.h"
#include "model/data_file.h"
#include "model/error_functions.h"
#include "model/read_parameters.h"
#include "model/weights_file.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/scripted_platform.h"
#include "shell/command.h"
#include "state/hooks.h"
#include "state/training_parts.h"
#include "state/workbench.h"
#include "support/test_support.h"
#include "training/one_change.h"
#include "training/prepare_run.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

std::vector<double> Flat(const Workbench& wb) {
  std::vector<double> w;
  for (std::size_t l = 1; l < wb.Net.size(); ++l)
    for (const TNeuron& n : wb.Net[l]) w.insert(w.end(), n.Weights.begin(), n.Weights.end());
  return w;
}

// The weights each run visited, in order, as the detailed points of the progress plot report them.
std::vector<std::tuple<int, int, int, int>>* visits = nullptr;
void RecordVisit(Workbench&, int epoch, int layerIndex, int neuron, int weight, int, double, double) {
  if (visits) visits->push_back({epoch, layerIndex + 1, neuron, weight});
}

class VariantsTest : public ::testing::Test {
 protected:
  Workbench& NewBench() {
    const fs::path dir = temp.Path() / std::to_string(benches.size());
    fs::create_directories(dir / "results");
    platforms.push_back(std::make_unique<ScriptedPlatform>());
    platforms.back()->ProgramDir = dir.string();
    benches.push_back(std::make_unique<Workbench>(*platforms.back(), dir.string()));
    return *benches.back();
  }
  ScriptedPlatform& Plat(const Workbench& wb) { return static_cast<ScriptedPlatform&>(wb.Plat); }

  // XOR from the shipped sample on linear inputs; "3" hidden neurons make a 2-3-1 network of 13 weights.
  Workbench& Xor(const std::string& hidden = "2", std::uint32_t seed = 12345) {
    Workbench& wb = NewBench();
    ReadDataFile(wb, std::string(WL_SOURCE_DIR) + "/DATA/xor.dat");
    wb.ResultsPrefix = wb.ProgramDir + "/results/xor_100";
    wb.Form1.HiddenEditT2.SetText(hidden);
    wb.Rng.Seed = seed;
    EXPECT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
    return wb;
  }

  void TearDown() override { visits = nullptr; }

  test::TempProgramDir temp{"wl_variants_"};
  std::vector<std::unique_ptr<ScriptedPlatform>> platforms;
  std::vector<std::unique_ptr<Workbench>> benches;
};

// ---- ordered variable step search ------------------------------------------------------------------

TEST_F(VariantsTest, ExchangeSortOfTheOrderTable) {
  struct Case {
    std::vector<double> keys;
    std::vector<int> lines;  // the visiting order, as file lines from 1
  };
  for (const Case& c : {Case{{3, 1, 2}, {2, 3, 1}}, Case{{1, 2, 2, 1}, {1, 4, 3, 2}}, Case{{5, 4, 3, 2, 1}, {5, 4, 3, 2, 1}}}) {
    std::vector<TWeightOrderEntry> t;
    for (std::size_t i = 0; i < c.keys.size(); ++i) t.push_back({c.keys[i], static_cast<int>(i) + 1, 0, 0});
    SortWeightOrder(t);
    std::vector<int> lines;
    for (const auto& e : t) lines.push_back(e.Layer);
    EXPECT_EQ(lines, c.lines);
  }
}

TEST_F(VariantsTest, CustomOrderTemplate) {
  Workbench& net = NewBench();
  test::SetNetwork(net, {2, 3, 1}, {{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, {{1, 1, 1, 1}}});
  const std::vector<std::string> lines = test::Lines(CustomOrderTemplate(net));
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines.front(), "1   0   0   1");
  EXPECT_EQ(lines[3], "1   1   0   4");
  EXPECT_EQ(lines.back(), "2   0   3   13");
}

TEST_F(VariantsTest, CustomOrderTemplateEndsTheRun) {
  Workbench& wb = Xor("3");
  ASSERT_EQ(wb.NumOfWeights, 17);  // 2-3-2
  wb.Form1.CustOrderBox.SetChecked(true);
  wb.Form1.CreateOrderBox.SetChecked(true);
  const std::vector<double> before = Flat(wb);
  TrainOneChange(wb, 2);
  const std::string path = wb.ResultsPrefix + "_CustOrder.txt";
  const std::vector<std::string> lines = test::Lines(test::ReadText(path));
  ASSERT_EQ(lines.size(), 17u);
  EXPECT_EQ(lines.back(), "2   1   3   17");
  ASSERT_EQ(Plat(wb).EditorRequests.size(), 1u);
  EXPECT_EQ(Plat(wb).EditorRequests[0], path);
  EXPECT_EQ(Flat(wb), before);
  EXPECT_EQ(wb.MethodTag, "NA");
  EXPECT_FALSE(fs::exists(wb.ResultsPrefix + "_InitWeights.txt"));
  EXPECT_FALSE(Plat(wb).Hourglass);
  EXPECT_FALSE(wb.SearchRunning);
}

TEST_F(VariantsTest, CustomOrderFilesRefusedBeforeTraining) {
  struct Case {
    const char* what;
    std::string text;
    std::string message;  // empty: a file error naming the line
  };
  // For a network of 17 weights: 16 lines, and all 17.
  std::string twelve, thirteen;
  for (int i = 0; i < 17; ++i) {
    const std::string line = "1 0 0 " + std::to_string(i + 1) + "\n";
    if (i < 16) twelve += line;
    thirteen += line;
  }
  const std::string bad = "Custom order file ";
  for (const Case& c :
       {Case{"12 lines for 13 weights", twelve, "Incorrect number of weights in custom order file"},
        Case{"18 lines", thirteen + "\n  \n1 0 1 14\n", "Incorrect number of weights in custom order file"},
        Case{"no such weight", twelve + "3 0 0 13\n", ", line 17: layer 3, neuron 0, weight 0 is not a weight"},
        Case{"no such index", "1 0 3 1\n" + twelve, ", line 1: layer 1, neuron 0, weight 3 is not a weight"},
        Case{"a key that is not an integer", twelve + "2 0 3 1.5\n", ""}}) {
    SCOPED_TRACE(c.what);
    Workbench& wb = Xor("3");
    wb.Form1.CustOrderBox.SetChecked(true);
    const std::string file = temp.Write(std::string("order_") + std::to_string(benches.size()) + ".txt", c.text);
    Plat(wb).OpenAnswers.push_back(file);
    const std::vector<double> before = Flat(wb);
    if (c.message.empty()) {
      try {
        TrainOneChange(wb, 2);
        ADD_FAILURE() << "no error";
      } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), bad + file + ", line 17: '1.5' is not a valid integer value");
      }
    } else {
      TrainOneChange(wb, 2);
      ASSERT_EQ(Plat(wb).Messages.size(), 1u);
      EXPECT_NE(Plat(wb).Messages[0].Text.find(c.message), std::string::npos) << Plat(wb).Messages[0].Text;
      if (c.message[0] == ',') {
        EXPECT_EQ(Plat(wb).Messages[0].Text.rfind(bad + file, 0), 0u);
      }
    }
    EXPECT_EQ(Flat(wb), before);
    EXPECT_FALSE(fs::exists(wb.ResultsPrefix + "_InitWeights.txt"));
    EXPECT_FALSE(wb.SearchRunning);
  }
  // A cancelled dialog ends the run the same way.
  Workbench& wb = Xor("3");
  wb.Form1.CustOrderBox.SetChecked(true);
  Plat(wb).OpenAnswers.push_back(std::nullopt);
  TrainOneChange(wb, 2);
  EXPECT_TRUE(Plat(wb).Messages.empty());
  EXPECT_FALSE(fs::exists(wb.ResultsPrefix + "_InitWeights.txt"));
}

// A byte-order mark before the first line is not part of its layer number; a huge key is quoted by its
// first characters and its length.
TEST_F(VariantsTest, CustomOrderFileWithAByteOrderMarkOrAHugeKey) {
  std::string sixteen;
  for (int i = 0; i < 16; ++i) sixteen += "1 0 0 " + std::to_string(i + 1) + "\r\n";
  const std::pair<std::string, std::string> cases[] = {
      // The first line read: the file is refused only at its last, bad, line.
      {"\xEF\xBB\xBF" + sixteen + "3 0 0 17\r\n",
       ", line 17: layer 3, neuron 0, weight 0 is not a weight of the network. Nothing was trained."},
      {sixteen + "2 0 3 " + std::string(1 << 20, '5') + "x\n",
       ", line 17: '" + std::string(40, '5') + "...' (1048577 characters) is not a valid integer value"},
  };
  for (const auto& [text, tail] : cases) {
    Workbench& wb = Xor("3");
    wb.Form1.CustOrderBox.SetChecked(true);
    const std::string file = temp.Write("order_" + std::to_string(benches.size()) + ".txt", text);
    Plat(wb).OpenAnswers.push_back(file);
    std::string message;
    try {
      TrainOneChange(wb, 2);
      for (const auto& m : Plat(wb).Messages) message += m.Text;
    } catch (const FileError& e) {
      message = e.what();
    }
    EXPECT_EQ(message, "Custom order file " + file + tail);
    EXPECT_FALSE(fs::exists(wb.ResultsPrefix + "_InitWeights.txt"));
  }
}

TEST_F(VariantsTest, CustomOrderVisitsTheWeightsByKeyInEveryEpoch) {
  Workbench& wb = Xor();
  ASSERT_EQ(wb.NumOfWeights, 12);
  // Keys run backwards, but the two thresholds of layer 1 share one key, and the second output neuron
  // is left out while the first output's threshold is listed twice.
  const std::vector<std::tuple<int, int, int, int>> file = {
      {1, 0, 0, 9}, {1, 0, 1, 8}, {1, 0, 2, 5}, {1, 1, 0, 6}, {1, 1, 1, 4}, {1, 1, 2, 5},
      {2, 0, 0, 3}, {2, 0, 1, 2}, {2, 0, 2, 1}, {2, 0, 2, 10}, {2, 0, 2, 11}, {2, 0, 2, 12}};
  std::string text;
  for (const auto& [l, n, k, key] : file)
    text += std::to_string(l) + " " + std::to_string(n) + "  " + std::to_string(k) + "\t" + std::to_string(key) + "\n";
  Plat(wb).OpenAnswers.push_back(temp.Write("order.txt", "\n" + text + "   \n"));
  wb.Form1.CustOrderBox.SetChecked(true);
  wb.Form1.EpochEditT2.SetText("2");
  wb.Form1.IntegerWEdit.SetText("1");  // does not filter the table
  std::vector<std::tuple<int, int, int, int>> seen;
  visits = &seen;
  wb.Hooks.DetailPoint = RecordVisit;
  TrainOneChange(wb, 2);
  EXPECT_TRUE(Plat(wb).Messages.empty());
  EXPECT_EQ(wb.MethodTag, "S1-DH2-Random (VSS)");
  EXPECT_EQ(wb.ParamText[7], "Sa-DH2 (VSS)");
  // Sorted: keys 1, 2, 3, 4, 5 (line 6, then line 3 as the exchanges leave them), 6, 8, 9.
  const std::vector<std::tuple<int, int, int>> order = {{2, 0, 2}, {2, 0, 1}, {2, 0, 0}, {1, 1, 1}, {1, 1, 2},
                                                        {1, 0, 2}, {1, 1, 0}, {1, 0, 1}, {1, 0, 0}, {2, 0, 2},
                                                        {2, 0, 2}, {2, 0, 2}};
  ASSERT_EQ(seen.size(), 24u);
  for (std::size_t i = 0; i < seen.size(); ++i) {
    const auto& [e, l, n, k] = seen[i];
    EXPECT_EQ(e, static_cast<int>(i / 12) + 1);
    EXPECT_EQ(std::make_tuple(l, n, k), order[i % 12]) << "visit " << i;
  }
}

TEST_F(VariantsTest, RandomOrderIsDrawnAnewEveryEpoch) {
  Workbench& wb = Xor("3");
  wb.Form1.RWOrderBox.SetChecked(true);
  wb.Form1.EpochEditT2.SetText("3");
  std::vector<std::tuple<int, int, int, int>> seen;
  visits = &seen;
  wb.Hooks.DetailPoint = RecordVisit;
  TrainOneChange(wb, 2);
  EXPECT_EQ(wb.MethodTag, "S1-DH2-Random (VSS)");
  ASSERT_EQ(seen.size(), 51u);
  std::vector<std::vector<std::tuple<int, int, int>>> epochs(3);
  for (const auto& [e, l, n, k] : seen) epochs[static_cast<std::size_t>(e - 1)].push_back({l, n, k});
  for (auto& ep : epochs) ASSERT_EQ(ep.size(), 17u);
  EXPECT_NE(epochs[0], epochs[1]);
  EXPECT_NE(epochs[1], epochs[2]);
  // Each epoch visits every weight once.
  for (auto ep : epochs) {
    std::sort(ep.begin(), ep.end());
    EXPECT_EQ(std::adjacent_find(ep.begin(), ep.end()), ep.end());
  }
}

// ---- weight sections -------------------------------------------------------------------------------

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i + 25 <= line.size(); i += 25) out.push_back(line.substr(i, 25));
  return out;
}

TEST_F(VariantsTest, WeightSectionsWriteEveryErrorOfTheScan) {
  struct Case {
    const char* range;
    const char* delta;
    std::size_t trials;
  };
  for (const Case& c : {Case{"5.0", "0.1", 101}, Case{"1", "0.3", 8}}) {
    SCOPED_TRACE(c.range);
    Workbench& wb = Xor();
    wb.Form1.SMWSButton.SetChecked(true);
    wb.Form1.WSRangeEdit.SetText(c.range);
    wb.Form1.WSdeltaEdit.SetText(c.delta);
    wb.Form1.EpochEditT2.SetText("2");
    TrainOneChange(wb, 2);
    EXPECT_TRUE(Plat(wb).Messages.empty());
    EXPECT_EQ(wb.MethodTag, "S1-WS");
    EXPECT_EQ(wb.ParamText[7], "Discrete - 1 change ST");
    EXPECT_EQ(wb.NumOfEpochs, 2);
    const std::string text = test::ReadText(wb.ResultsPrefix + "_errorsections.txt");
    const std::vector<std::string> lines = test::Lines(text);
    ASSERT_EQ(lines.size(), 26u);  // 12 weights and the separator, twice
    EXPECT_EQ(lines[12], "**********");
    EXPECT_EQ(lines[25], "**********");
    for (int i : {0, 11, 13, 24}) {
      const std::vector<std::string> f = Fields(lines[static_cast<std::size_t>(i)]);
      ASSERT_EQ(f.size(), c.trials);
      EXPECT_EQ(lines[static_cast<std::size_t>(i)].size(), 25 * c.trials);
      for (const std::string& v : f) EXPECT_EQ(v.substr(23), "  ");
      // The error kept after the weight is the lowest of its scan when that is below the error before.
      double lowest = StrToFloat(f[0]);
      for (const std::string& v : f) lowest = std::min(lowest, StrToFloat(v));
      EXPECT_LE(wb.CurrentError, lowest + 1e-12);
    }
  }
}

TEST_F(VariantsTest, WeightSectionsClampTheWeightButNotTheTrials) {
  Workbench& wb = Xor();
  wb.Form1.SMWSButton.SetChecked(true);
  wb.Form1.InitEdit.SetText("3");
  ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
  wb.Form1.MaxWeightEdit.SetText("0.5");
  wb.Form1.EpochEditT2.SetText("1");
  TrainOneChange(wb, 2);
  for (double w : Flat(wb)) EXPECT_LE(std::fabs(w), 0.5);
  for (double w : std::vector<double>(wb.WeightHistory.Row(1).begin(), wb.WeightHistory.Row(1).end()))
    EXPECT_LE(std::fabs(w), 0.5);
}

TEST_F(VariantsTest, WeightSectionsBudgetStopInEpochThree) {
  // The evaluations at the end of every epoch of an unbounded run.
  std::vector<std::int64_t> counts;
  {
    Workbench& wb = Xor();
    wb.Form1.SMWSButton.SetChecked(true);
    wb.Form1.EpochEditT2.SetText("4");
    wb.Form1.NoGTPBox.SetChecked(true);
    static std::vector<std::int64_t>* sink;
    sink = &counts;
    wb.Hooks.EpochDone = [](Workbench& w, int, double) { sink->push_back(w.SigmoidCount); };
    TrainOneChange(wb, 2);
    ASSERT_EQ(counts.size(), 4u);
  }
  Workbench& wb = Xor();
  wb.Form1.SMWSButton.SetChecked(true);
  wb.Form1.EpochEditT2.SetText("4");
  wb.Form1.SigmBox.SetChecked(true);
  wb.Form1.Alsig2.SetText("1");
  // The budget of one million runs out in the middle of epoch 3.
  wb.SigmoidCount = 1000000 - (counts[1] + counts[2]) / 2;
  TrainOneChange(wb, 2);
  EXPECT_EQ(wb.NumOfEpochs, 2);
  EXPECT_EQ(wb.EpochHistory[3].Error, wb.CurrentError);  // epoch 3 is still recorded
  EXPECT_EQ(wb.Form1.ep.Text(), "3");
  const std::string text = test::ReadText(wb.ResultsPrefix + "_errorsections.txt");
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  const std::vector<std::string> lines = test::Lines(text);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "**********"), 2);
  EXPECT_GT(lines.size(), 26u);
  EXPECT_LT(lines.size(), 39u);
}

// ---- in place ---------------------------------------------------------------------------------------

TEST_F(VariantsTest, InPlaceChangesAreFoundOnTheBaseNetworkAndAppliedTogether) {
  Workbench& wb = Xor("3");
  wb.Form1.InPlaceBox.SetChecked(true);
  wb.Form1.FCMAEdit.SetText("0");
  wb.Form1.EpochEditT2.SetText("1");
  wb.Form1.WMepEdit.SetText("1");  // the weight matrix this search always builds: epochs 0 to 1
  const std::vector<double> base = Flat(wb);
  const std::string errorLine = wb.ParamText[4];
  TrainOneChange(wb, 2);
  EXPECT_TRUE(Plat(wb).Messages.empty()) << Plat(wb).Messages[0].Text;
  EXPECT_EQ(wb.MethodTag, "S1-DH2 (VSS)");
  EXPECT_EQ(wb.NumOfEpochs, 1);
  const std::vector<double> after = Flat(wb);
  ASSERT_EQ(after.size(), base.size());

  // Every kept change was judged on the base network with that one weight changed.
  Workbench& check = Xor("3");
  ASSERT_EQ(Flat(check), base);
  ASSERT_FALSE(ReadParameters(check));
  int changed = 0;
  std::size_t i = 0;
  for (std::size_t l = 1; l < check.Net.size(); ++l)
    for (std::size_t n = 0; n < check.Net[l].size(); ++n)
      for (std::size_t k = 0; k < check.Net[l][n].Weights.size(); ++k, ++i) {
        EXPECT_EQ(wb.WeightHistory[1][l - 1][n][k], after[i]);
        if (after[i] == base[i]) continue;
        ++changed;
        check.Net[l][n].Weights[k] = after[i];
        EXPECT_EQ(ComputeError(check), wb.WeightTrialHistory[1][l - 1][n][k].Error) << l << n << k;
        check.Net[l][n].Weights[k] = base[i];
      }
  EXPECT_GE(changed, 2);
  // The error shown is that of the combined network.
  for (std::size_t l = 1, j = 0; l < check.Net.size(); ++l)
    for (TNeuron& n : check.Net[l])
      for (double& w : n.Weights) w = after[j++];
  EXPECT_EQ(wb.CurrentError, ComputeError(check));
  EXPECT_EQ(wb.EpochHistory[1].Error, wb.CurrentError);
  EXPECT_EQ(wb.Form1.ep.Text(), "1");
  EXPECT_EQ(wb.ParamText[4], errorLine);  // the variable step twin writes no error line
}

TEST_F(VariantsTest, InPlaceDetailPointsCountTheWeightsOfEachEpoch) {
  Workbench& wb = Xor();
  wb.Form1.InPlaceBox.SetChecked(true);
  wb.Form1.EpochEditT2.SetText("2");
  static std::vector<std::pair<int, int>>* points;
  std::vector<std::pair<int, int>> seen;
  points = &seen;
  wb.Hooks.DetailPoint = [](Workbench&, int epoch, int, int, int, int ordinal, double, double) {
    points->push_back({epoch, ordinal});
  };
  TrainOneChange(wb, 2);
  ASSERT_EQ(seen.size(), 24u);
  for (std::size_t i = 0; i < seen.size(); ++i)
    EXPECT_EQ(seen[i], std::make_pair(static_cast<int>(i / 12) + 1, static_cast<int>(i % 12)));
}

TEST_F(VariantsTest, InPlaceWeightSectionsScanTheGrid) {
  Workbench& wb = Xor();
  wb.Form1.InPlaceBox.SetChecked(true);
  wb.Form1.SMWSButton.SetChecked(true);
  wb.Form1.WSRangeEdit.SetText("1");
  wb.Form1.WSdeltaEdit.SetText("0.25");
  wb.Form1.EpochEditT2.SetText("2");
  const std::vector<double> base = Flat(wb);
  TrainOneChange(wb, 2);
  EXPECT_EQ(wb.MethodTag, "S1-WS");
  EXPECT_EQ(wb.NumOfEpochs, 2);
  const auto row = wb.WeightHistory.Row(1);
  const std::vector<double> first(row.begin(), row.end());
  bool moved = false;
  for (std::size_t i = 0; i < base.size(); ++i) {
    const double offset = (first[i] - base[i]) / 0.25;
    EXPECT_NEAR(offset, std::round(offset), 1e-9);
    moved = moved || first[i] != base[i];
  }
  EXPECT_TRUE(moved);
  EXPECT_FALSE(fs::exists(wb.ResultsPrefix + "_errorsections.txt"));
  EXPECT_EQ(wb.ParamText[4], "Start Error = " + wb.ResultText + "   End Error = " + FormatFixed(wb.CurrentError, 4));
}

TEST_F(VariantsTest, InPlaceWithoutATwinTrainsNothing) {
  for (const char* method : {"SMstdButton", "SMDH1Button"}) {
    SCOPED_TRACE(method);
    Workbench& wb = Xor();
    wb.Form1.InPlaceBox.SetChecked(true);
    dynamic_cast<RadioButton*>(wb.Form1.Find(method))->SetChecked(true);
    const std::vector<double> before = Flat(wb);
    TrainOneChange(wb, 2);
    EXPECT_EQ(Flat(wb), before);
    EXPECT_EQ(wb.MethodTag, "NA");
    EXPECT_FALSE(fs::exists(wb.ResultsPrefix + "_InitWeights.txt"));
    ASSERT_EQ(wb.SearchDirection.Rows(), 1u);
    EXPECT_EQ(wb.SearchDirection.Shape().Neurons, (std::vector<int>{2, 2}));
    EXPECT_EQ(wb.SearchDirection.Shape().Weights, (std::vector<int>{3, 3}));
  }
}

// ---- accepting worse steps -------------------------------------------------------------------------

// The search as its rules read, written out over ComputeError, from a fixed clock.
double PlainAccBad(Workbench& wb, std::int64_t clock) {
  EXPECT_FALSE(ReadParameters(wb));
  RandomGenerator g;
  g.Seed = static_cast<std::uint32_t>(clock);
  const double e0 = ComputeError(wb);
  double E = e0;
  for (int e = 1; e <= wb.NumOfEpochs; ++e) {
    const double p = E > 0.25 * e0 ? 0.15 : 0.0;
    const double f = wb.DeltaDecay == 0.0 ? 1.0 : 1.0 - std::exp(-wb.DeltaDecay / e);
    const double d = wb.InitialDelta * f * g.Real();
    for (int l = 1; l < int(wb.Net.size()); ++l)
      for (TNeuron& n : wb.Net[l])
        for (int k = 0; k <= wb.LayerInputs[l - 1]; ++k) {
          const double w0 = n.Weights[k];
          double s = 0.0;
          for (double step : {d, -d}) {
            n.Weights[k] = w0 + step;
            const double t = ComputeError(wb);
            if ((t < E && g.Real() > p) || (t > E && g.Real() <= p)) E = t, s = step;
          }
          n.Weights[k] = w0 + s;
        }
  }
  return e0;
}

TEST_F(VariantsTest, WorseStepsFromAFixedSeedAndClock) {
  for (bool skip : {false, true}) {
    SCOPED_TRACE(skip ? "skip connections" : "standard");
    Workbench& wb = NewBench();
    Workbench& plain = NewBench();
    for (Workbench* w : {&wb, &plain}) {
      ReadDataFile(*w, std::string(WL_SOURCE_DIR) + "/DATA/xor.dat");
      w->ResultsPrefix = w->ProgramDir + "/results/xor_100";
      w->Form1.HiddenEditT2.SetText("2");
      w->Form1.EpochEditT2.SetText("6");
      if (skip) w->Form1.SkipCheck.SetChecked(true);
      w->Rng.Seed = 777;
      ASSERT_EQ(CreateNetwork(*w, 4), NetworkBuilt);
      static_cast<ScriptedPlatform&>(w->Plat).ClockMs = 36000123;
    }
    const std::vector<double> start = Flat(wb);
    const int threshold = wb.LayerInputs[1];
    Train1ChangeAccBad(wb, 1);
    const double e0 = PlainAccBad(plain, 36000123);
    EXPECT_TRUE(Plat(wb).Messages.empty());
    EXPECT_EQ(Flat(wb), Flat(plain));
    EXPECT_EQ(wb.ParamText[7], "R. - 1 change + AccBad");
    EXPECT_EQ(wb.Form1.Label19.Caption(), "R. - 1 change + AccBad");
    EXPECT_EQ(wb.ParamText[2], "Num of Epochs = 6");
    EXPECT_EQ(wb.ParamText[3].rfind("Initial Delta = 0.2   D=D/2 every ", 0), 0u);
    EXPECT_EQ(wb.ResultText, FixedDisplayText(e0, 12, 2));
    EXPECT_EQ(wb.Form1.ep.Text(), "6");
    EXPECT_EQ(wb.MethodTag, "NA");
    // The output threshold is trained, and with skip connections so are the output's input weights.
    EXPECT_NE(wb.Net[2][0].Weights[static_cast<std::size_t>(threshold)], start[6 + static_cast<std::size_t>(threshold)]);
    if (skip) {
      EXPECT_EQ(threshold, 4);
    }
  }
}

TEST_F(VariantsTest, WorseStepsEarlyStopAndTheMenuItem) {
  Workbench& wb = Xor();
  wb.Form1.SREdit.SetText("0");
  Train1ChangeAccBad(wb, 2);
  EXPECT_EQ(wb.NumOfEpochs, 1);
  EXPECT_EQ(wb.ParamText[2], "Num of Epochs = 1");
  EXPECT_EQ(wb.ParamText[7], "D. - 1 change + AccBad");

  // "Random - 1 change" runs it when "Allow bad changes" is checked.
  Workbench& menu = Xor();
  menu.Form1.AccBadCheck.SetChecked(true);
  menu.Form1.EpochEditT2.SetText("2");
  const HandlerRow* row = FindHandler("Random1change", ControlEvent::MouseReleased);
  ASSERT_NE(row, nullptr);
  row->Run(menu);
  EXPECT_EQ(menu.ParamText[7], "R. - 1 change + AccBad");
  EXPECT_EQ(menu.Form1.TrainingEdit.Text().back(), 's');
}

// ---- SSA ----------------------------------------------------------------------------------------------

// A data set of two continuous features in two classes.
std::string TwoClassData(int vectors) {
  std::string text = "# Two classes\nNumber of features = 3\nNumber of Vectors = " + std::to_string(vectors) +
                     "\nClass Column No = 3\n\nFeature[1] = x  continuous\nFeature[2] = y  continuous\n"
                     "Feature[3] = Class  discrete  2  0  1\n\n[DATA]\n";
  for (int v = 0; v < vectors; ++v) {
    const double x = (v * 37 % 101) / 100.0, y = (v * 53 % 97) / 96.0;
    text += FormatFixed(x, 3) + " " + FormatFixed(y, 3) + " " + (x + y > 1.0 ? "1" : "0") + "\n";
  }
  return text;
}

TEST_F(VariantsTest, SSATrainsTheOutputLayerFirst) {
  Workbench& wb = NewBench();
  Plat(wb).OpenAnswers.push_back(temp.Write("DATA/two.dat", TwoClassData(1200)));
  wb.Form1.HiddenEditT2.SetText("999");
  wb.Form1.SigmBox.SetChecked(true);
  wb.Form1.Alsig2.SetText("1");  // below the cost of the start error
  RunSSA(wb);
  ASSERT_TRUE(Plat(wb).Messages.empty()) << Plat(wb).Messages[0].Text;
  EXPECT_EQ(wb.NumOfEpochs, 0);
  EXPECT_EQ(wb.MethodTag, "S1-DH2");
  EXPECT_EQ(wb.Form1.Label19.Caption(), "SSA");
  EXPECT_EQ(wb.Form1.ep.Text(), "1");
  EXPECT_EQ(wb.Form1.TrainingEdit.Text().back(), 's');
  EXPECT_FALSE(wb.SearchRunning);
  EXPECT_FALSE(Plat(wb).Hourglass);
  // Only the first output weight was searched: every hidden weight is as the network was made.
  const std::vector<std::string> init = test::Lines(test::ReadText(wb.ResultsPrefix + "_InitWeights.txt"));
  const std::vector<std::string> now = test::Lines(WeightsFileText(wb));
  ASSERT_EQ(init.size(), now.size());
  int differ = 0;
  for (std::size_t i = 0; i < init.size(); ++i)
    if (init[i] != now[i]) {
      ++differ;
      EXPECT_EQ(now[i].rfind("2  0  0 ", 0), 0u) << now[i];
    }
  EXPECT_EQ(differ, 1);
}

TEST_F(VariantsTest, SSARunsItsEpochs) {
  Workbench& wb = NewBench();
  Plat(wb).OpenAnswers.push_back(temp.Write("DATA/two.dat", TwoClassData(60)));
  wb.Form1.HiddenEditT2.SetText("3");
  wb.Form1.EpochEditT2.SetText("4");
  RunSSA(wb);
  ASSERT_TRUE(Plat(wb).Messages.empty());
  EXPECT_EQ(wb.NumOfEpochs, 4);
  EXPECT_EQ(wb.Form1.ep.Text(), "4");
  EXPECT_LT(wb.CurrentError, wb.StartError);
  EXPECT_EQ(wb.ParamText[4], "Start Error = " + wb.ResultText + "   End Error = " + FixedDisplayText(wb.CurrentError, 12, 4));
  // The error carried is that of the trained network.
  ASSERT_FALSE(ReadParameters(wb));
  EXPECT_NEAR(ComputeError(wb), wb.CurrentError, 1e-9);
}

// SSA trains on the whole set whatever "Parts in Training Set" says: it draws no part, so a part left by
// an earlier run (or none) must not be what it evaluates. The runs equal a run with one part.
TEST_F(VariantsTest, SSATrainsOnTheWholeSetWhateverTheParts) {
  struct Case {
    const char* Name;
    std::vector<int> Part;  // the part an earlier run left
  };
  const std::string data = temp.Write("DATA/two.dat", TwoClassData(60));
  auto run = [&](const std::string& parts, const std::vector<int>& part) {
    Workbench& wb = NewBench();
    Plat(wb).OpenAnswers.push_back(data);
    wb.Form1.HiddenEditT2.SetText("3");
    wb.Form1.EpochEditT2.SetText("3");
    wb.Form1.PartEdit.SetText(parts);
    wb.BatchIndex = part;
    wb.Rng.Seed = 99;
    RunSSA(wb);
    return &wb;
  };
  const Workbench& whole = *run("1", {});
  ASSERT_TRUE(Plat(whole).Messages.empty()) << Plat(whole).Messages[0].Text;
  for (const Case& c : {Case{"a stale part of one vector", {1}}, Case{"no part drawn", {}}}) {
    const Workbench& wb = *run("3", c.Part);
    ASSERT_TRUE(Plat(wb).Messages.empty()) << c.Name << ": " << Plat(wb).Messages[0].Text;
    EXPECT_EQ(wb.StartError, whole.StartError) << c.Name;
    EXPECT_EQ(wb.CurrentError, whole.CurrentError) << c.Name;
    EXPECT_EQ(wb.ParamText[4], whole.ParamText[4]) << c.Name;
    EXPECT_EQ(wb.NumOfParts, 3) << c.Name;  // the setting itself stays
  }
}

// The searches that evaluate the current part without drawing one (VSS, ordered VSS and DH1 on the signal
// table, the in-place weight-section search with or without it) refuse a part drawn for another data set
// before anything of the run changes; the searches that draw their own parts run.
TEST_F(VariantsTest, APartOfAnotherDataSetIsRefusedBeforeTheRunStarts) {
  struct Case {
    const char* Name;
    RadioButton TForm1::*Method;
    bool Table, InPlace, Ordered, Refused;
  };
  const Case cases[] = {
      {"VSS on the signal table", &TForm1::OldDH2Box, true, false, false, true},
      {"ordered VSS on the signal table", &TForm1::OldDH2Box, true, false, true, true},
      {"DH1 on the signal table", &TForm1::SMDH1Button, true, false, false, true},
      {"in-place weight sections", &TForm1::SMWSButton, false, true, false, true},
      {"in-place weight sections on the signal table", &TForm1::SMWSButton, true, true, false, true},
      {"VSS on full passes", &TForm1::OldDH2Box, false, false, false, false},
      {"standard on the signal table", &TForm1::SMstdButton, true, false, false, false},
      {"weight sections on the signal table", &TForm1::SMWSButton, true, false, false, false},
  };
  for (const Case& c : cases) {
    Workbench& wb = Xor();
    wb.Form1.EpochEditT2.SetText("2");
    wb.Form1.PartEdit.SetText("3");
    wb.BatchIndex = {1};
    wb.NumOfParts = 3;
    StampParts(wb);
    NewDataSetIdentity(wb);  // the same file read again: another data set
    (wb.Form1.*c.Method).SetChecked(true);
    wb.Form1.SMSTBox.SetChecked(c.Table);
    wb.Form1.InPlaceBox.SetChecked(c.InPlace);
    wb.Form1.RWOrderBox.SetChecked(c.Ordered);
    const std::vector<double> before = Flat(wb);
    if (!c.Refused) {
      EXPECT_NO_THROW(TrainOneChange(wb, 2)) << c.Name;
      EXPECT_EQ(PartsFit(wb), c.Method != &TForm1::OldDH2Box) << c.Name;  // drawn by the run, or left
      continue;
    }
    try {
      TrainOneChange(wb, 2);
      ADD_FAILURE() << c.Name << ": trained";
    } catch (const WlError& e) {
      EXPECT_EQ(e.what(), PartsMessage(wb)) << c.Name;
    }
    EXPECT_EQ(Flat(wb), before) << c.Name;
    EXPECT_FALSE(fs::exists(wb.ResultsPrefix + "_InitWeights.txt")) << c.Name;
    EXPECT_EQ(wb.BatchIndex, std::vector<int>{1}) << c.Name;
  }
}

TEST_F(VariantsTest, SSARefusals) {
  // A cancelled dialog changes nothing.
  Workbench& wb = Xor();
  const std::vector<double> before = Flat(wb);
  const std::string prefix = wb.ResultsPrefix;
  Plat(wb).OpenAnswers.push_back(std::nullopt);
  RunSSA(wb);
  EXPECT_EQ(Flat(wb), before);
  EXPECT_EQ(wb.ResultsPrefix, prefix);
  EXPECT_EQ(wb.MethodTag, "NA");
  EXPECT_TRUE(Plat(wb).Messages.empty());
  EXPECT_FALSE(wb.SearchRunning);
  EXPECT_FALSE(Plat(wb).Hourglass);

  // Another transfer function than the sigmoid.
  Workbench& tanh = NewBench();
  Plat(tanh).OpenAnswers.push_back(temp.Write("DATA/two.dat", TwoClassData(20)));
  tanh.Form1.OutTF.SetItemIndex(1);
  RunSSA(tanh);
  ASSERT_EQ(Plat(tanh).Messages.size(), 1u);
  EXPECT_EQ(Plat(tanh).Messages[0].Text.rfind("SSA trains networks of plain sigmoid neurons only", 0), 0u);
  EXPECT_EQ(tanh.MethodTag, "NA");
  EXPECT_FALSE(fs::exists(tanh.ResultsPrefix + "_InitWeights.txt"));

  // A network that cannot be built stops the run after its message.
  Workbench& bad = NewBench();
  Plat(bad).OpenAnswers.push_back(temp.Write("DATA/two.dat", TwoClassData(20)));
  bad.Form1.EpochEditT2.SetText("-5");
  RunSSA(bad);
  EXPECT_EQ(Plat(bad).Messages.size(), 1u);
  EXPECT_EQ(bad.MethodTag, "NA");
}

}  // namespace
}  // namespace wl

// The five-layer N-of-M network: its layout and error, the chromosome its genetic algorithm decodes, its
// weights file with the N-of-M and AND units, and the run of "N of M 5".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/data_file.h"
#include "model/results_prefix.h"
#include "model/weights_file.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "smlp/genetic_algorithm.h"
#include "smlp/nofm_five_layer.h"
#include "smlp/smlp_driver.h"
#include "smlp/smlp_network.h"
#include "smlp/binary_set_test_env.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;
using test::Lines;
using test::ReadText;

using Row = std::vector<std::string>;

// Binary features x, y, z (values "a" and "b"); class 0 when at least two of them are "a".
const std::vector<Row> kTwoOfThree = {{"a", "a", "a", "0"}, {"a", "a", "b", "0"}, {"a", "b", "a", "0"},
                                      {"b", "a", "a", "0"}, {"a", "b", "b", "1"}, {"b", "a", "b", "1"},
                                      {"b", "b", "a", "1"}, {"b", "b", "b", "1"}};

class FiveLayerTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_nofm5_", {"DATA", "results"});
    plat.ClockMs = 10000;
    plat.ClockDay = 2;
    test::LoadSetFile(*wb, dir / "DATA" / "two_of_three.dat", test::BinarySetText({"x", "y", "z"}, 2, kTwoOfThree));
    wb->Slope = 0.0;
    wb->OutBias = 0.5;
  }

  void Build(int groups) {
    wb->HidPerOut.assign(2, groups);
    ASSERT_TRUE(CreateFiveLayerNet(*wb));
  }

  // Value weight v of the feature unit (group g, class c, feature f).
  double& W(int g, int c, int f, int v) {
    return wb->Net[1][static_cast<std::size_t>((g * 2 + c) * 3 + f)].Weights[static_cast<std::size_t>(v)];
  }
  std::string Results(const std::string& suffix) const { return wb->ResultsPrefix + suffix; }
};

TEST_F(FiveLayerTest, LayoutAndErrorByHand) {
  Build(2);
  EXPECT_EQ(wb->NetType, 5);
  EXPECT_EQ(wb->Layers, (std::vector<int>{6, 12, 4, 2}));
  EXPECT_EQ(wb->Net[2][3].Weights, (std::vector<double>{1.0, 1.0, 1.5}));
  EXPECT_EQ(wb->Net[3][1].Weights, (std::vector<double>{1.0, 1.0, 0.5}));
  ASSERT_EQ(wb->AndUnits.size(), 4u);
  EXPECT_EQ(wb->NofMUnits[3].Weights, (std::vector<double>{1.0, 1.0, 1.0, 0.5}));
  // (12 x 2 value weights + 4 hidden units x (2 x 3 - 1)) / 2 classes = 2 groups x 11 bits.
  EXPECT_EQ(wb->GALength, 22);
  EXPECT_EQ(wb->ParamText[1], "five layers, hid.bias = 0.5  out.bias = 0.5");

  // Fresh: every output 0, so the error is the number of class-0 vectors.
  const double evaluations = wb->ErrorEvaluations;
  EXPECT_EQ(FiveLayerError(*wb), 4.0);
  EXPECT_EQ(wb->ErrorEvaluations, evaluations + 1);

  // Hidden unit 0 (group 0, class 0): x = a AND (y = a or z = a).
  for (int f = 0; f < 3; ++f) W(0, 0, f, 0) = 1.0;
  wb->AndUnits[0].Weights = {1.0, 0.0, 0.0, 0.5};
  wb->NofMUnits[0].Weights = {0.0, 1.0, 1.0, 0.5};
  EXPECT_EQ(FiveLayerError(*wb), 1.0);  // only b a a is missed
  ForwardFiveLayer(*wb, 0);
  EXPECT_EQ(wb->Net[2][0].Signal, 1.0);
  EXPECT_EQ(wb->Net[3][0].Signal, 1.0);
  EXPECT_EQ(wb->Net[3][1].Signal, 0.0);
  // An AND net equal to its threshold gives 0.5, and so do the hidden unit and the output after it.
  wb->AndUnits[0].Weights[3] = 1.0;
  EXPECT_EQ(FiveLayerError(*wb), 3 * 0.5 + 1.0);
  // The class-1 output does not count: its units change nothing.
  W(0, 1, 0, 0) = 1.0;
  wb->AndUnits[1].Weights = {1.0, 0.0, 0.0, 0.5};
  wb->NofMUnits[1].Weights = {0.0, 0.0, 0.0, -0.5};
  EXPECT_EQ(FiveLayerError(*wb), 2.5);
  // The step networks' evaluation takes the five-layer pass.
  EXPECT_NO_THROW(EvaluateNetwork(*wb));

  wb->AndUnits.pop_back();
  EXPECT_THROW(FiveLayerError(*wb), WlError);
  EXPECT_THROW(EvaluateNetwork(*wb), WlError);
}

TEST_F(FiveLayerTest, RefusesClassesWithDifferentUnitCounts) {
  wb->HidPerOut = {2, 1};
  EXPECT_FALSE(CreateFiveLayerNet(*wb));
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_NE(plat.Messages[0].Text.find("same number of hidden neurons"), std::string::npos);
}

// Mode 5 decodes group g into the units of class 0 (unit g x NumOfClasses): the value weights of its
// feature units, then per feature from the last to the first N-of-M (1) or AND (0), then NF - 1 bits whose
// sum sets the N-of-M threshold.
TEST_F(FiveLayerTest, ChromosomeDecoding) {
  Build(2);
  GARun run;
  run.P = 1;
  run.L = wb->GALength;
  run.Population = {1, 0, 0, 1, 1, 1, /* z, y, x */ 1, 0, 1, /* threshold */ 1, 1,
                    0, 1, 0, 0, 0, 0, /* z, y, x */ 0, 0, 0, /* threshold */ 0, 1};
  ASSERT_EQ(static_cast<int>(run.Population.size()), run.L);
  GADecodeNofM(*wb, run, 0);
  EXPECT_EQ(wb->Net[1][0].Weights, (std::vector<double>{1, 0, 0.5}));
  EXPECT_EQ(wb->Net[1][1].Weights, (std::vector<double>{0, 1, 0.5}));
  EXPECT_EQ(wb->Net[1][2].Weights, (std::vector<double>{1, 1, 0.5}));
  EXPECT_EQ(wb->NofMUnits[0].Weights, (std::vector<double>{1, 0, 1, 1.5}));
  EXPECT_EQ(wb->AndUnits[0].Weights, (std::vector<double>{0, 1, 0, 0.5}));
  // Group 1 goes to unit 2 (group 1, class 0); the class-1 units keep their initial weights.
  EXPECT_EQ(wb->Net[1][6].Weights, (std::vector<double>{0, 1, 0.5}));
  EXPECT_EQ(wb->NofMUnits[2].Weights, (std::vector<double>{0, 0, 0, 0.5}));
  EXPECT_EQ(wb->AndUnits[2].Weights, (std::vector<double>{1, 1, 1, 2.5}));
  for (int u : {1, 3}) {
    EXPECT_EQ(wb->NofMUnits[u].Weights, (std::vector<double>{1, 1, 1, 0.5}));
    EXPECT_EQ(wb->Net[1][static_cast<std::size_t>(u * 3)].Weights, (std::vector<double>{0, 0, 0.5}));
  }
}

// Mode 5's fitness: Round(((0.7 N - ER) x 14 / N)^2) slots, none from 0.7 N on.
TEST_F(FiveLayerTest, NofMFitness) {
  Build(1);
  GARun run;
  run.P = 2;
  run.L = wb->GALength;
  ASSERT_EQ(run.L, 11);
  // 0: every output 0 (ER 4: 7.84 -> 8 slots); 1: "at least two b", the opposite class (ER 8).
  run.Population = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, /**/ 0, 1, 0, 1, 0, 1, 1, 1, 1, 1, 1};
  run.Roulette.assign(200, -1);
  run.LogName = Results("_GA.txt");
  run.Log.open(run.LogName);
  GAFitnessNofM(*wb, run);
  run.Log.close();
  EXPECT_EQ(run.ER, 8.0);
  EXPECT_EQ(run.Filled, 8);
  EXPECT_EQ(run.Roulette[7], 0);
  EXPECT_EQ(run.Roulette[8], -1);
  EXPECT_EQ(Lines(ReadText(run.LogName)),
            (std::vector<std::string>{"nr=0  f=8   ER=4  0 0 0 0 0 0 0 0 0 0 0 ",
                                      "nr=1  f=0   ER=8  0 1 0 1 0 1 1 1 1 1 1 ", std::string(55, '*')}));
}

// The weights file of the five-layer network holds its N-of-M and AND units; loading it while NetKind is
// 11 rebuilds the network and restores every unit.
TEST_F(FiveLayerTest, WeightsSavedAndLoadedBack) {
  Build(1);
  wb->NetKind = 11;
  W(0, 0, 1, 1) = 1.0;
  wb->NofMUnits[1].Weights = {0.0, 1.0, 0.0, -0.5};
  wb->AndUnits[0].Weights[3] = 2.5;
  SaveWeights(*wb, 1);
  const std::string file = Results("_FinalWeights.txt");
  const std::vector<std::string> lines = Lines(ReadText(file));
  // Layers 1 to 3 (6 x 3 + 2 x 3 + 2 x 2 weights), then 2 N-of-M and 2 AND units of 4 weights.
  ASSERT_EQ(lines.size(), 28u + 8 + 8);
  EXPECT_EQ(lines[28], "NofM  0  0   1.000000000000000");
  EXPECT_EQ(lines[32], "NofM  1  0   0.000000000000000");
  EXPECT_EQ(lines[35], "NofM  1  3   -0.500000000000000");
  EXPECT_EQ(lines[39], "AND  0  3   2.500000000000000");

  const std::vector<TNeuron> nofm = wb->NofMUnits, andUnits = wb->AndUnits;
  const std::vector<double> unit1 = wb->Net[1][1].Weights;
  CreateFiveLayerNet(*wb);  // back to the initial weights
  ASSERT_NE(wb->NofMUnits[1].Weights, nofm[1].Weights);
  ASSERT_TRUE(LoadWeights(*wb, file));
  EXPECT_EQ(wb->NetType, 5);
  EXPECT_EQ(wb->NumOfLayers, 4);
  for (std::size_t u = 0; u < 2; ++u) {
    EXPECT_EQ(wb->NofMUnits[u].Weights, nofm[u].Weights);
    EXPECT_EQ(wb->AndUnits[u].Weights, andUnits[u].Weights);
  }
  EXPECT_EQ(wb->Net[1][1].Weights, unit1);

  // A unit the network lacks is refused with the file's name and line; the network stays as it was.
  const std::string bad = (dir / "results" / "bad5.txt").string();
  std::ofstream(bad, std::ios::binary) << "2  0  0   7.0\nAND  0  0   0.0\nNofM  2  0   1.0\n";
  try {
    LoadWeights(*wb, bad);
    FAIL() << "loaded a file naming N-of-M unit 2";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("bad5.txt, line 3: the network has no N-of-M unit 2"), std::string::npos)
        << e.what();
  }
  EXPECT_EQ(wb->AndUnits[0].Weights, andUnits[0].Weights);
  // Lines of the other layers are skipped: the hidden unit keeps its fixed weights.
  std::ofstream(bad, std::ios::binary) << "2  0  0   7.0\nAND  0  0   0.0\n";
  ASSERT_TRUE(LoadWeights(*wb, bad));
  EXPECT_EQ(wb->Net[2][0].Weights[0], 1.0);
  EXPECT_EQ(wb->AndUnits[0].Weights[0], 0.0);
}

// "N of M 5" through the driver: no run log, the weights saved with the evolved units, the GA log; an
// older wp5.txt becomes wp5old.txt unless that is there already, and wp5.txt goes either way.
TEST_F(FiveLayerTest, RunThroughTheDriver) {
  struct Case {
    const char* Name;
    bool OldPresent;
  };
  for (const Case& k : {Case{"wp5old.txt absent", false}, Case{"wp5old.txt present", true}}) {
    SCOPED_TRACE(k.Name);
    fs::remove(dir / "wp5old.txt");
    std::ofstream(dir / "wp5.txt") << "new\n";
    if (k.OldPresent) std::ofstream(dir / "wp5old.txt") << "old\n";
    wb->Form1.EpochEditT2.SetText("2");
    wb->Form1.PopEdit.SetText("6");
    wb->NetKind = 11;
    ASSERT_TRUE(RunSMLP(*wb, 11));
    EXPECT_TRUE(plat.Messages.empty()) << plat.Messages[0].Text;
    EXPECT_EQ(wb->NetType, 5);
    EXPECT_FALSE(fs::exists(dir / "wp5.txt"));
    EXPECT_EQ(ReadText(dir / "wp5old.txt"), k.OldPresent ? "old\n" : "new\n");
    EXPECT_FALSE(fs::exists(Results("_SMLP.txt")));
    const std::string weights = ReadText(Results("_FinalWeights.txt"));
    EXPECT_NE(weights.find("\nNofM  0  3   "), std::string::npos);
    EXPECT_NE(weights.find("\nAND  1  3   "), std::string::npos);
    EXPECT_NE(ReadText(Results("_GA.txt")).find(std::string(55, '*')), std::string::npos);
    // "GetSMLP5Error" shows the evolved network's error.
    ShowSMLP5Error(*wb);
    EXPECT_EQ(wb->Form1.ge.Text(), FloatToStr(FiveLayerError(*wb)));
  }
}

TEST_F(FiveLayerTest, ErrorWithoutAFiveLayerNetworkSaysSo) {
  ShowSMLP5Error(*wb);
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "No five-layer N-of-M network has been built yet. Run \"N of M 5\" first.");
  EXPECT_EQ(wb->Form1.ge.Text(), "");
}

}  // namespace
}  // namespace wl

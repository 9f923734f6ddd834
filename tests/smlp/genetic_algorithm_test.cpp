// The genetic algorithm over step-network weights, mode 1: the network it evolves, the order of its random
// draws, the roulette, mutation and crossover, and whole runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/data_file.h"
#include "model/results_prefix.h"
#include "platform/numfmt.h"
#include "platform/random.h"
#include "smlp/genetic_algorithm.h"
#include "smlp/smlp_network.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;
using test::Lines;
using test::ReadText;

// Two binary features (four inputs); the class is x.
const char* const kClassIsX =
    "Number of features = 3\nNumber of Vectors = 4\nClass Column No = 3\n\n"
    "Feature[1] = x  discrete  2  a  b\nFeature[2] = y  discrete  2  a  b\nFeature[3] = Class  discrete  2  0  1\n\n"
    "[DATA]\na  a  0\na  b  0\nb  a  1\nb  b  1\n";

// Hidden units (rows of 4 input weights and the threshold): class 0 on x = a, class 1 on x = b, each twice.
const std::vector<std::uint8_t> kPerfect = {1, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0, 0, 0, 1, 0, 1, 0, 0, 1};
// The classes the other way round: every output wrong (error 8).
const std::vector<std::uint8_t> kOpposite = {0, 1, 0, 0, 1, 1, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0, 0, 0, 1};
// All 0: every hidden unit at its threshold (0.5), every output 1 (error 4).
const std::vector<std::uint8_t> kZero(20, 0);

class GeneticTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_ga_", {"DATA", "results"});
    plat.ClockMs = 10000;
    plat.ClockDay = 2;
    Load("class_is_x.dat", kClassIsX);
    wb->HidPerOut = {2, 2};
    wb->ErrorExponent = 2.0;
  }

  void Load(const std::string& name, const std::string& text) {
    const fs::path p = dir / "DATA" / name;
    std::ofstream(p, std::ios::binary) << text;
    wb->DataFileName = p.string();
    ReadDataFile(*wb, p.string());
    MakeResultsPrefix(*wb);
  }

  // A run over the given individuals, its log open.
  void Population(GARun& run, const std::vector<std::vector<std::uint8_t>>& individuals) {
    run.P = static_cast<int>(individuals.size());
    run.Population.clear();
    for (const auto& bits : individuals) run.Population.insert(run.Population.end(), bits.begin(), bits.end());
    run.Next = run.Population;
    run.Roulette.assign(static_cast<std::size_t>(run.P) * 100, -1);
    run.LogName = wb->ResultsPrefix + "_GA.txt";
    run.Log.open(run.LogName, std::ios::trunc);
  }

  std::vector<std::string> Log(GARun& run) {
    run.Log.close();
    return Lines(ReadText(run.LogName));
  }
};

TEST_F(GeneticTest, NetworkOfModeOne) {
  // What earlier runs left: an N-of-M pass, L-units, a mask of another data set.
  wb->NetType = 4;
  wb->LUnitsMode = 1;
  wb->FeatureMask = {0, 1, 1, 1, 1};
  wb->Rng.Seed = 4242;
  GARun run;
  ASSERT_TRUE(GAStartSMLP(*wb, run));
  EXPECT_EQ(wb->NetType, 3);
  EXPECT_EQ(wb->LUnitsMode, 0);
  EXPECT_EQ(wb->FeatureMask, (std::vector<int>{1, 1}));
  EXPECT_EQ(wb->Layers, (std::vector<int>{4, 4, 2}));
  EXPECT_EQ(run.L, 20);
  EXPECT_EQ(run.R, 4);
  EXPECT_EQ(run.C, 4);
  EXPECT_EQ(wb->ParamText[7], "SMLP + Genetic Algorithms");
  // The hidden input weights are the first draws, unit by unit; thresholds 1.5; outputs 1, 1 and 0.5.
  RandomGenerator r;
  r.Seed = 4242;
  for (int j = 0; j < 4; ++j) {
    for (int i = 0; i < 4; ++i) EXPECT_EQ(wb->Net[1][j].Weights[i], 1 - r.Below(2)) << j << " " << i;
    EXPECT_EQ(wb->Net[1][j].Weights[4], 1.5);
  }
  EXPECT_EQ(wb->Rng.Seed, r.Seed);
  EXPECT_EQ(wb->Net[2][1].Weights, (std::vector<double>{1.0, 1.0, 0.5}));
  EXPECT_NO_THROW(EvaluateNetwork(*wb));
}

// Only four inputs and four hidden units, two per class, fit the decoding: anything else is refused.
TEST_F(GeneticTest, OtherNetworksAreRefused) {
  struct Case {
    const char* Name;
    const char* Set;
    std::vector<int> Hidden;
  };
  const std::string threeFeatures =
      "Number of features = 4\nNumber of Vectors = 2\nClass Column No = 4\n\n"
      "Feature[1] = x  discrete  2  a  b\nFeature[2] = y  discrete  2  a  b\nFeature[3] = z  discrete  2  a  b\n"
      "Feature[4] = Class  discrete  2  0  1\n\n[DATA]\na  a  a  0\nb  b  b  1\n";
  const std::vector<Case> cases = {
      {"six inputs", threeFeatures.c_str(), {2, 2}},
      {"one hidden unit per class", kClassIsX, {1, 1}},
      {"unequal hidden units", kClassIsX, {2, 1}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.Name);
    Load("other.dat", k.Set);
    wb->HidPerOut = k.Hidden;
    wb->Net.clear();
    plat.Messages.clear();
    GARun run;
    EXPECT_FALSE(GAStartSMLP(*wb, run));
    ASSERT_EQ(plat.Messages.size(), 1u);
    EXPECT_NE(plat.Messages[0].Text.find("4 inputs and 4 hidden neurons, 2 for each of 2 classes"), std::string::npos);
    EXPECT_TRUE(wb->Net.empty());
  }
}

// From a fixed seed: the population's bits, then per mutation a individual and a bit, then per crossover
// two slots of the wheel (two individuals when it is empty) and a division point.
TEST_F(GeneticTest, DrawOrder) {
  GARun run;
  ASSERT_TRUE(GAStartSMLP(*wb, run));
  run.P = 4;
  wb->Rng.Randomize(777);
  GAInitPopulation(*wb, run, 1);
  RandomGenerator r;
  r.Randomize(777);
  for (int p = 0; p < 4; ++p)
    for (int b = 0; b < 20; ++b) ASSERT_EQ(run.Individual(p)[b], 1 - r.Below(2)) << p << " " << b;
  EXPECT_EQ(run.Next, run.Population);
  EXPECT_EQ(run.Roulette.size(), 400u);

  run.LogName = wb->ResultsPrefix + "_GA.txt";
  run.Log.open(run.LogName, std::ios::trunc);
  std::vector<std::string> expected;
  std::vector<std::uint8_t> population = run.Population;
  for (int m = 0; m < 2; ++m) {
    const int i = r.Below(4), b = r.Below(20);
    expected.push_back(IntToStr(i) + " " + IntToStr(b));
    population[static_cast<std::size_t>(i * 20 + b)] ^= 1;
  }
  GAMutate(*wb, run, 2);
  EXPECT_EQ(run.Population, population);

  // Two crossovers from the wheel 3 3 1, then one from an empty wheel.
  run.Roulette[0] = 3;
  run.Roulette[1] = 3;
  run.Roulette[2] = 1;
  std::vector<std::uint8_t> next = run.Next;
  auto cross = [&](int a, int b, int d) {
    std::copy_n(population.begin() + a * 20, 20, next.begin() + a * 20);
    std::copy_n(population.begin() + b * 20, 20, next.begin() + b * 20);
    for (int k = d; k < 20; ++k) std::swap(next[static_cast<std::size_t>(a * 20 + k)], next[static_cast<std::size_t>(b * 20 + k)]);
    expected.push_back("selected numbers  " + IntToStr(a) + "  " + IntToStr(b) + "   devision_point " + IntToStr(d));
  };
  const int wheel[] = {3, 3, 1};
  for (int k = 0; k < 2; ++k) {
    run.Filled = 3;
    const int a = wheel[r.Below(3)];
    const int b = wheel[r.Below(3)];
    cross(a, b, r.Below(21));
    GACrossover(*wb, run);
  }
  run.Filled = 0;
  const int a = r.Below(4);
  const int b = r.Below(4);
  cross(a, b, r.Below(21));
  GACrossover(*wb, run);
  EXPECT_EQ(run.Next, next);
  EXPECT_EQ(wb->Rng.Seed, r.Seed);
  GANextGeneration(run);
  EXPECT_EQ(run.Population, next);
  EXPECT_EQ(Log(run), expected);
}

// Round(rate x 0.01 x P) flips, halves to even; none at 0.1 % of 256, and then no draw either.
TEST_F(GeneticTest, MutationCount) {
  struct Case {
    double Rate;
    int P, Flips;
  };
  for (const Case& k : {Case{1.0, 256, 3}, Case{0.1, 256, 0}, Case{50.0, 4, 2}, Case{62.5, 4, 2}, Case{87.5, 4, 4}})
    EXPECT_EQ(GAMutationCount(k.Rate, k.P), k.Flips) << k.Rate << " " << k.P;
  GARun run;
  ASSERT_TRUE(GAStartSMLP(*wb, run));
  Population(run, {kZero, kPerfect});
  const std::uint32_t seed = wb->Rng.Seed;
  GAMutate(*wb, run, GAMutationCount(0.1, 256));
  EXPECT_EQ(wb->Rng.Seed, seed);
  EXPECT_TRUE(Log(run).empty());
}

// Round((5 - ER)^2) slots per individual, ER limited to 5; an error below 0.2 ends the pass with the
// network holding that individual.
TEST_F(GeneticTest, FitnessAndEarlyStop) {
  GARun run;
  ASSERT_TRUE(GAStartSMLP(*wb, run));
  Population(run, {kZero, kOpposite});
  GAFitnessSMLP(*wb, run);
  EXPECT_EQ(run.Filled, 1);
  EXPECT_EQ(run.Roulette[0], 0);
  EXPECT_EQ(run.ER, 5.0);
  EXPECT_EQ(Log(run), (std::vector<std::string>{"nr=0  fitness=1   ER=4", "nr=1  fitness=0   ER=5", "0 "}));

  GARun solved;
  solved.R = 4;
  solved.C = 4;
  solved.L = 20;
  Population(solved, {kZero, kPerfect, kOpposite});
  GAFitnessSMLP(*wb, solved);
  EXPECT_EQ(solved.ER, 0.0);
  EXPECT_EQ(solved.Filled, 1);
  EXPECT_EQ(wb->Net[1][0].Weights, (std::vector<double>{1, 0, 0, 0, 1}));
  EXPECT_EQ(wb->Net[1][3].Weights, (std::vector<double>{0, 1, 0, 0, 1}));
  EXPECT_EQ(Log(solved), (std::vector<std::string>{"nr=0  fitness=1   ER=4"}));
}

// Every fitness 0 leaves the wheel empty: the parents then come from the whole population.
TEST_F(GeneticTest, EmptyWheel) {
  GARun run;
  ASSERT_TRUE(GAStartSMLP(*wb, run));
  Population(run, {kOpposite, kOpposite, kOpposite});
  GAFitnessSMLP(*wb, run);
  EXPECT_EQ(run.Filled, 0);
  RandomGenerator r;
  r.Seed = wb->Rng.Seed;
  for (int k = 0; k < 3; ++k) GACrossover(*wb, run);
  const std::vector<std::string> log = Log(run);
  ASSERT_EQ(log.size(), 3u + 1 + 3);
  EXPECT_EQ(log[3], "");  // no slot filled
  for (int k = 0; k < 3; ++k) {
    const int a = r.Below(3), b = r.Below(3), d = r.Below(21);
    EXPECT_EQ(log[4 + k], "selected numbers  " + IntToStr(a) + "  " + IntToStr(b) + "   devision_point " + IntToStr(d));
  }
}

// With a row layout (mode 5 from a caller that gives one), the first C bits of each row of C + 1 are drawn
// and the last stays 0; a layout longer than the chromosome is cut at its end.
TEST_F(GeneticTest, RowLayout) {
  GARun run;
  run.P = 1;
  run.L = 7;
  run.R = 2;
  run.C = 3;
  wb->Rng.Seed = 99;
  GAInitPopulation(*wb, run, 5);
  RandomGenerator r;
  r.Seed = 99;
  std::vector<std::uint8_t> expected(7, 0);
  for (int b : {0, 1, 2, 4, 5, 6}) expected[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(1 - r.Below(2));
  EXPECT_EQ(run.Population, expected);
  EXPECT_EQ(wb->Rng.Seed, r.Seed);
  // Without a layout every bit is drawn.
  run.R = 0;
  GAInitPopulation(*wb, run, 5);
  for (int b = 0; b < 7; ++b) expected[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(1 - r.Below(2));
  EXPECT_EQ(run.Population, expected);
}

// XOR has no solution of 0/1 weights: every generation runs, and the log keeps the generations from the
// 50th on (it starts anew, without its header).
TEST_F(GeneticTest, LogStartsAnewEveryFiftyGenerations) {
  Load("xor.dat",
       "Number of features = 3\nNumber of Vectors = 4\nClass Column No = 3\n\n"
       "Feature[1] = x1  discrete  2  0  1\nFeature[2] = x2  discrete  2  0  1\n"
       "Feature[3] = Class  discrete  2  0  1\n\n[DATA]\n0  0  0\n0  1  1\n1  0  1\n1  1  0\n");
  TForm1& f = wb->Form1;
  f.HidPerOutEdit.SetItemIndex(2);
  f.HidPerOut1Edit.SetItemIndex(2);
  f.EpochEditT2.SetText("51");
  f.PopEdit.SetText("2");
  wb->NetKind = 7;
  RunGeneticAlgorithm(*wb, 1);
  ASSERT_TRUE(plat.Messages.empty()) << plat.Messages[0].Text;
  EXPECT_EQ(f.ep.Text(), "51");
  const std::vector<std::string> log = Lines(ReadText(wb->ResultsPrefix + "_GA.txt"));
  ASSERT_GE(log.size(), 6u);
  EXPECT_EQ(log[0].rfind("nr=0  fitness=", 0), 0u) << log[0];
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("nr=0 ", 0) == 0; }), 2);
}

// "Genetic Alg." as a whole: the log, the stop once an individual solves the set, the result report.
TEST_F(GeneticTest, WholeRun) {
  TForm1& f = wb->Form1;
  f.HidPerOutEdit.SetItemIndex(2);
  f.HidPerOut1Edit.SetItemIndex(2);
  f.EpochEditT2.SetText("40");
  f.PopEdit.SetText("64");
  wb->NetType = 5;
  wb->NetKind = 7;
  wb->Rng.Seed = 1;
  RunGeneticAlgorithm(*wb, 1);
  ASSERT_TRUE(plat.Messages.empty()) << plat.Messages[0].Text;
  EXPECT_EQ(wb->NetType, 3);
  const int generations = StrToInt(f.ep.Text());
  EXPECT_LT(generations, 40);
  EXPECT_LT(EvaluateNetwork(*wb), 0.2);
  const std::vector<std::string> log = Lines(ReadText(wb->ResultsPrefix + "_GA.txt"));
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[0], "f0.v0 f0.v1 f1.v0 f1.v0    NofM.Weights    NofM.bias");
  ASSERT_EQ(plat.EditorRequests.size(), 1u);
  EXPECT_NE(plat.EditorRequests[0].find("_rs-trn.txt"), std::string::npos);
  EXPECT_NE(ReadText(wb->ResultsPrefix + "_rs-trn.txt").find("SMLP + Genetic Algorithms"), std::string::npos);
}

}  // namespace
}  // namespace wl

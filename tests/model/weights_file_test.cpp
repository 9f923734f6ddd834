// Weights files: the line format, a save and load that restores the weights exactly, files that do not
// fit the network, the dialog, and the feature elimination "EL F".
#include "model/weights_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/create_network.h"
#include "model/data_file.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/scripted_platform.h"
#include "support/test_support.h"
#include "training/prepare_run.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

using test::Lines;
using test::ReadText;

// Every weight of layers 1 up in the flat order.
std::vector<double> Weights(const Workbench& wb) {
  std::vector<double> w;
  for (int l = 1; l < wb.NumOfLayers; ++l)
    for (const TNeuron& n : wb.Net[l]) w.insert(w.end(), n.Weights.begin(), n.Weights.end());
  return w;
}

TEST(WeightFileValueTest, FifteenDecimalsTwentyDigits) {
  const std::pair<double, const char*> cases[] = {
      {-0.5, "-0.500000000000000"},
      {0.1, "0.100000000000000"},
      {0.0, "0.000000000000000"},
      {-1e-20, "0.000000000000000"},
      {12.3456789012345678, "12.345678901234567"},
      {-37.75, "-37.750000000000000"},
      {123456.25, "123456.250000000000000"},  // six integer digits: fourteen decimals, then a zero
      {1e19, "10000000000000000000.000000000000000"},
  };
  for (auto [w, text] : cases) EXPECT_EQ(WeightFileValue(w), text) << w;
  // 12.345678901234567 has 17 significant digits; 20 are allowed, so 15 decimals are all kept.
  EXPECT_EQ(WeightFileValue(12.3456789012345678).size(), std::string("12.").size() + 15);
}

TEST(NextLineTokenTest, SplitsAtAnyRunOfBlanks) {
  const std::string line = "  1\t 2   abc  ";
  int pos = 1;
  EXPECT_EQ(NextLineToken(line, pos), "1");
  EXPECT_EQ(pos, 4);
  EXPECT_EQ(NextLineToken(line, pos), "2");
  EXPECT_EQ(NextLineToken(line, pos), "abc");
  EXPECT_EQ(pos, 13);
  EXPECT_EQ(NextLineToken(line, pos), "");
  EXPECT_EQ(NextLineToken(line, pos), "");

  ScriptedPlatform plat;
  Workbench wb(plat, "/nonexistent");
  wb.WeightLine = "1  0  2   -0.5";
  wb.WeightLinePos = 1;
  std::vector<std::string> tokens;
  for (std::string t; !(t = NextWeightLineToken(wb)).empty();) tokens.push_back(t);
  EXPECT_EQ(tokens, (std::vector<std::string>{"1", "0", "2", "-0.5"}));
}

// The iris set (4 continuous features, 3 classes) with a 4-3-3 network, in a program folder of its own.
class WeightsFileTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_weights_", {"results"});
    ReadDataFile(*wb, std::string(WL_SOURCE_DIR) + "/DATA/iris.dat");
    wb->ResultsPrefix = (dir / "results" / "iris_10").string();
    wb->Form1.HiddenEditT2.SetText("3");
    wb->Rng.Seed = 99;
    ASSERT_EQ(CreateNetwork(*wb, 4), NetworkBuilt);
  }
  // A weights file in the program folder.
  std::string File(const std::string& name, const std::string& text) {
    const fs::path p = dir / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
};

TEST_F(WeightsFileTest, LinesComeInTheFlatOrderWithTheirSeparators) {
  wb->Net[1][0].Weights[0] = -0.5;
  SaveWeights(*wb, 1);
  const std::vector<std::string> lines = Lines(ReadText(dir / "results" / "iris_10_FinalWeights.txt"));
  ASSERT_EQ(lines.size(), 3u * 5 + 3u * 4);  // 4-3-3: thresholds at index 4 (hidden) and 3 (output)
  EXPECT_EQ(lines[0], "1  0  0   -0.500000000000000");
  EXPECT_EQ(lines[4].substr(0, 10), "1  0  4   ");
  EXPECT_EQ(lines[5].substr(0, 10), "1  1  0   ");
  EXPECT_EQ(lines[26].substr(0, 10), "2  2  3   ");
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string value = lines[i].substr(10);
    EXPECT_EQ(value.size() - value.find('.') - 1, 15u) << lines[i];
    EXPECT_EQ(value, WeightFileValue(Weights(*wb)[i]));
  }
  EXPECT_TRUE(plat.EditorRequests.empty());
  EXPECT_FALSE(fs::exists(dir / "results" / "iris_10_param.txt"));
}

TEST_F(WeightsFileTest, ModesAndWhenNothingIsWritten) {
  SaveWeights(*wb, 2);
  EXPECT_TRUE(fs::is_empty(dir / "results"));
  wb->InCrossvalidation = true;
  SaveWeights(*wb, 1);
  EXPECT_TRUE(fs::is_empty(dir / "results"));
  wb->InCrossvalidation = false;

  SaveWeights(*wb, 0);  // start weights and the run's parameter file
  EXPECT_TRUE(fs::exists(dir / "results" / "iris_10_InitWeights.txt"));
  EXPECT_TRUE(fs::exists(dir / "results" / "iris_10_param.txt"));

  SaveWeights(*wb, 3);  // final weights, shown in the editor
  const std::string final = (dir / "results" / "iris_10_FinalWeights.txt").string();
  EXPECT_TRUE(fs::exists(final));
  ASSERT_EQ(plat.EditorRequests.size(), 1u);
  EXPECT_EQ(plat.EditorRequests[0], final);

  wb->ResultsPrefix.clear();
  SaveWeights(*wb, 1);
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_NE(plat.Messages[0].Text.find("Open a data set first"), std::string::npos);
}

TEST_F(WeightsFileTest, SaveAndLoadRestoreTheWeightsExactly) {
  // Weights as a file can hold them: at most fifteen decimals.
  for (int l = 1; l < wb->NumOfLayers; ++l)
    for (TNeuron& n : wb->Net[l])
      for (double& w : n.Weights) w = StrToFloat(WeightFileValue(w * 3.0));
  const std::vector<double> saved = Weights(*wb);
  SaveWeights(*wb, 1);
  const fs::path file = dir / "results" / "iris_10_FinalWeights.txt";
  const std::string text = ReadText(file);

  wb->Rng.Seed = 1;  // another network of the same shape
  ASSERT_EQ(CreateNetwork(*wb, 4), NetworkBuilt);
  ASSERT_NE(Weights(*wb), saved);
  ASSERT_TRUE(LoadWeights(*wb, file.string()));
  EXPECT_EQ(Weights(*wb), saved);
  EXPECT_TRUE(plat.Messages.empty());

  // Any weight comes back as the file wrote it, and saving it again writes the same file.
  wb->Rng.Seed = 2;
  ASSERT_EQ(CreateNetwork(*wb, 4), NetworkBuilt);
  SaveWeights(*wb, 1);
  const std::string second = ReadText(file);
  const std::vector<double> drawn = Weights(*wb);
  wb->Rng.Seed = 3;
  ASSERT_TRUE(LoadWeights(*wb, file.string()));
  const std::vector<double> loaded = Weights(*wb);
  ASSERT_EQ(loaded.size(), drawn.size());
  for (std::size_t i = 0; i < drawn.size(); ++i) EXPECT_EQ(loaded[i], StrToFloat(WeightFileValue(drawn[i])));
  SaveWeights(*wb, 1);
  EXPECT_EQ(ReadText(file), second);
  EXPECT_NE(second, text);
}

TEST_F(WeightsFileTest, AFileListingSomeWeightsLeavesTheRebuildsOthers) {
  wb->Form1.InitEdit.SetText("0.25");
  ASSERT_EQ(CreateNetwork(*wb, 1), NetworkBuilt);  // deterministic: 0.25 everywhere, thresholds -0.25
  const std::string file = File("some.txt", "2\t1   3 7.5\r\n\n1 0 0  -2   trailing words\n");
  wb->Net[2][0].Weights[0] = 99.0;  // trained since; the load rebuilds first
  ASSERT_TRUE(LoadWeights(*wb, file));
  std::vector<double> want;
  for (int l = 1; l < 3; ++l)
    for (int n = 0; n < wb->Layers[l]; ++n)
      for (int k = 0; k <= wb->LayerInputs[l - 1]; ++k) want.push_back(k == wb->LayerInputs[l - 1] ? -0.25 : 0.25);
  want[0] = -2.0;
  want[15 + 4 + 3] = 7.5;
  EXPECT_EQ(Weights(*wb), want);
  // The user is told that the rest are new initial weights; a weight listed twice counts once.
  const std::string all = std::to_string(want.size());
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "Weights file " + file + " set 2 of the " + all +
                                       " weights of the network; the others keep the initial values "
                                       "of the rebuilt network");
  plat.Messages.clear();
  const std::string again = File("again.txt", "1 0 0 1\n1 0 0 2\n");
  ASSERT_TRUE(LoadWeights(*wb, again));
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_NE(plat.Messages[0].Text.find(" set 1 of the " + all + " weights"), std::string::npos) << plat.Messages[0].Text;

  // A file cut to its first lines says how many it set too.
  SaveWeights(*wb, 1);
  const std::vector<std::string> lines = test::Lines(ReadText(dir / "results" / "iris_10_FinalWeights.txt"));
  std::string cut;
  for (std::size_t i = 0; i < 8; ++i) cut += lines[i] + "\n";
  plat.Messages.clear();
  ASSERT_TRUE(LoadWeights(*wb, File("cut.txt", cut)));
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_NE(plat.Messages[0].Text.find(" set 8 of the " + all + " weights"), std::string::npos) << plat.Messages[0].Text;
}

TEST_F(WeightsFileTest, AFileWithoutAWeightLineIsRefusedAndTheNetworkStays) {
  const std::vector<double> before = Weights(*wb);
  const std::uint32_t seed = wb->Rng.Seed;
  for (const std::string text : {"", "\n\n", "  \t \r\n", "\r\n"}) {
    const std::string file = File("empty.txt", text);
    try {
      LoadWeights(*wb, file);
      ADD_FAILURE() << "accepted a file of " << text.size() << " bytes";
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()), "Weights file " + file +
                                           ": no weight line (layer, neuron, weight index and value); the network is "
                                           "left as it was");
    }
    EXPECT_EQ(Weights(*wb), before);
    EXPECT_EQ(wb->Rng.Seed, seed);  // nothing was rebuilt
  }
}

TEST_F(WeightsFileTest, BadFilesAreRefusedAndTheNetworkStays) {
  struct Case {
    std::string bad;   // the second line of the file; the first is good
    std::string what;  // in the message
  } cases[] = {
      {"3  0  0   0.5", "layer 3 is not in the network"},
      {"0  0  0   0.5", "layer 0 is not in the network"},
      {"1  3  0   0.5", "layer 1 has no neuron 3"},
      {"2  0  4   0.5", "has no weight 4"},
      {"1  0  -1   0.5", "has no weight -1"},
      {"1  0  x   0.5", "'x' is not a valid integer value"},
      {"1  0  0   abc", "'abc' is not a valid floating point value"},
      {"1  0  0", "layer, neuron, weight index and value"},
      {"1.5  0  0   0.5", "'1.5' is not a valid integer value"},
  };
  const std::vector<double> before = Weights(*wb);
  const auto layers = wb->Layers;
  const std::uint32_t seed = wb->Rng.Seed;
  for (const Case& c : cases) {
    const std::string file = File("bad.txt", "1  0  1   0.75\n" + c.bad + "\n");
    try {
      LoadWeights(*wb, file);
      ADD_FAILURE() << "accepted: " << c.bad;
    } catch (const FileError& e) {
      const std::string msg = e.what();
      EXPECT_NE(msg.find(file + ", line 2: "), std::string::npos) << msg;
      EXPECT_NE(msg.find(c.what), std::string::npos) << msg;
    }
    EXPECT_EQ(Weights(*wb), before) << c.bad;
    EXPECT_EQ(wb->Layers, layers);
    EXPECT_EQ(wb->Rng.Seed, seed) << c.bad;
  }
  // A file that is not there.
  EXPECT_THROW(LoadWeights(*wb, (dir / "none.txt").string()), FileError);
  EXPECT_EQ(Weights(*wb), before);
}

// A byte-order mark before the first line is not part of its layer number; a huge bad token is quoted by
// its first characters and its length, not whole.
TEST_F(WeightsFileTest, AByteOrderMarkIsSkippedAndHugeTokensQuotedShort) {
  const std::string file = File("bom.txt", "\xEF\xBB\xBF" "1  0  0   0.5\r\n1  0  1   0.75\r\n");
  ASSERT_TRUE(LoadWeights(*wb, file));
  EXPECT_EQ(wb->Net[1][0].Weights[0], 0.5);
  EXPECT_EQ(wb->Net[1][0].Weights[1], 0.75);

  const std::vector<double> before = Weights(*wb);
  const std::string nines(1 << 20, '9');
  const std::string shown = "'" + std::string(40, '9') + "...' (1048577 characters)";
  const std::pair<std::string, std::string> cases[] = {
      {nines + "x  0  0   0.5", shown + " is not a valid integer value"},
      {"1  0  0   " + nines + "x", shown + " is not a valid floating point value"},
  };
  for (const auto& [line, what] : cases) {
    const std::string bad = File("bad.txt", "1  0  1   0.75\n" + line + "\n");
    try {
      LoadWeights(*wb, bad);
      ADD_FAILURE() << "accepted";
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()), "Weights file " + bad + ", line 2: " + what);
    }
    EXPECT_EQ(Weights(*wb), before);
  }
}

TEST_F(WeightsFileTest, TheDialogOpensInTheResultsFolderAndCancelKeepsTheNetwork) {
  const std::vector<double> before = Weights(*wb);
  const std::uint32_t seed = wb->Rng.Seed;
  plat.OpenAnswers.push_back(std::nullopt);
  EXPECT_FALSE(LoadWeights(*wb, ""));
  ASSERT_EQ(plat.Dialogs.size(), 1u);
  EXPECT_EQ(plat.Dialogs[0].Dialog, "WeightsDialog");
  EXPECT_EQ(plat.Dialogs[0].InitialDir, dir.string() + "/results");
  EXPECT_EQ(Weights(*wb), before);
  EXPECT_EQ(wb->Rng.Seed, seed);  // nothing was rebuilt

  // An invalid parameter stops before the dialog.
  wb->Form1.InitEdit.SetText("x");
  EXPECT_FALSE(LoadWeights(*wb, ""));
  EXPECT_EQ(plat.Dialogs.size(), 1u);
  EXPECT_FALSE(plat.Messages.empty());
  EXPECT_EQ(Weights(*wb), before);
}

TEST_F(WeightsFileTest, RestoreInitialWeightsPutsBackEpochZero) {
  wb->NumOfEpochs = 2;
  AllocHistories(*wb, 2);
  const std::vector<double> start = Weights(*wb);
  for (TNeuron& n : wb->Net[2]) n.Weights.assign(n.Weights.size(), 5.0);
  RestoreInitialWeights(*wb);
  EXPECT_EQ(Weights(*wb), start);
}

TEST_F(WeightsFileTest, EliminationKeepsTheFeaturesWhoseWeightsGrew) {
  wb->InitialWeight = 1.0;
  for (TNeuron& n : wb->Net[1]) n.Weights.assign(n.Weights.size(), 0.5);
  wb->Net[1][2].Weights[0] = -1.005;  // within 1.01 * 1.0: dropped
  wb->Net[1][1].Weights[2] = 1.02;    // grown: kept
  wb->Net[1][0].Weights[3] = -3.0;    // kept
  wb->Net[1][0].Weights[4] = 9.0;     // a threshold, not a feature
  EliminateFeaturesByWeights(*wb);
  const std::vector<std::string> lines = Lines(ReadText(dir / "results" / "iris_10_elf.dat"));
  ASSERT_EQ(lines.size(), 7u + 150u);
  EXPECT_EQ(lines[0], "Number of features = 3");
  EXPECT_EQ(lines[1], "Number of Vectors = 150");
  EXPECT_EQ(lines[2], "Class Column No = 3");
  EXPECT_EQ(lines[3], "Feature[1] = petal_length  continuous");
  EXPECT_EQ(lines[4], "Feature[2] = petal_width  continuous");
  EXPECT_EQ(lines[5], "Feature[3] = Class  discrete  3  0  1  2");
  EXPECT_EQ(lines[6], "[DATA]");
  EXPECT_EQ(lines[7],
            FloatToStr(wb->Data[0][2]) + "  " + FloatToStr(wb->Data[0][3]) + "  " + IntToStr(wb->VectorClass[0]));
  EXPECT_EQ(lines[156], FloatToStr(wb->Data[149][2]) + "  " + FloatToStr(wb->Data[149][3]) + "  2");

  // The reduced set reads back as a data set of two features.
  Workbench back(plat, dir.string());
  ReadDataFile(back, (dir / "results" / "iris_10_elf.dat").string());
  EXPECT_EQ(back.NumOfFeatures, 2);
  EXPECT_EQ(back.NumOfVectors, 150);
  EXPECT_EQ(back.VectorClass, wb->VectorClass);

  // Without a results prefix nothing is written.
  fs::remove(dir / "results" / "iris_10_elf.dat");
  wb->ResultsPrefix.clear();
  EliminateFeaturesByWeights(*wb);
  EXPECT_TRUE(fs::is_empty(dir / "results"));
}

}  // namespace
}  // namespace wl

// The weight matrix: the epoch selection of "from", "to", "every" and the "any" list, the export for
// Matlab read back, and a training done in Matlab read from "WM_matlab.txt" with its faults.
#include "analysis/weight_matrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "state/workbench.h"
#include "platform/numfmt.h"
#include "support/test_support.h"
#include "training/prepare_run.h"
#include "training/run_end.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

// A 2-2-1 network (9 weights) and histories of 12 epochs in which weight w of epoch e is 100 e + w, so
// that every cell tells where it came from.
class WeightMatrixTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_wm_", {"PCA"});
    test::SetNetwork(*wb, {2, 2, 1}, {{{1, 2, 3}, {4, 5, 6}}, {{7, 8, 9}}});
    wb->NumOfWeights = 9;
    wb->NumOfEpochs = 12;
    AllocHistories(*wb, 12);
    for (std::size_t e = 0; e <= 13; ++e) {
      auto row = wb->WeightHistory.Row(e);
      for (std::size_t w = 0; w < row.size(); ++w) row[w] = 100.0 * static_cast<double>(e) + static_cast<double>(w);
    }
  }
  void Select(const char* from, const char* to, const char* every, const char* any) {
    wb->Form1.fromEdit.SetText(from);
    wb->Form1.WMepEdit.SetText(to);
    wb->Form1.everyWMEdit.SetText(every);
    wb->Form1.anyWMEdit.SetText(any);
  }
  // The epochs of the rows, from column 0 (100 e).
  std::vector<int> RowEpochs() const {
    std::vector<int> out;
    for (double v : wb->WeightMatrix[0]) out.push_back(static_cast<int>(v / 100.0));
    return out;
  }
  void WriteMatlab(const std::string& text) const {
    std::ofstream(dir / "PCA" / "WM_matlab.txt", std::ios::binary) << text;
  }
};

TEST_F(WeightMatrixTest, SelectionsOfOneTable) {
  struct Case {
    const char *From, *To, *Every, *Any;
    std::vector<int> Epochs;
  };
  const Case cases[] = {
      {"0    ", "12   ", "1   ", "", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
      {"2", "10", "3", "9 1-0", {0, 1, 2, 5, 8, 9}},
      {"0", "12", "0", "", {}},
      {"0", "12", "0", "  10-6   3  ", {3, 6, 7, 8, 9, 10}},
      {"0", "12", "0", "0 3 6-10", {0, 3, 6, 7, 8, 9, 10}},
  };
  for (const Case& c : cases) {
    Select(c.From, c.To, c.Every, c.Any);
    ASSERT_TRUE(BuildWMForMatlab(*wb)) << c.Any;
    EXPECT_EQ(RowEpochs(), c.Epochs) << c.From << " " << c.To << " " << c.Every << " " << c.Any;
    EXPECT_EQ(wb->WMRows, static_cast<int>(c.Epochs.size()));
    EXPECT_EQ(wb->WMLastRow, wb->WMRows - 1);
    EXPECT_EQ(wb->WMFirstEpoch, c.Epochs.empty() ? -1 : c.Epochs.front());
    EXPECT_EQ(wb->WMLastEpoch, c.Epochs.empty() ? -1 : c.Epochs.back());
  }
  EXPECT_TRUE(plat.Messages.empty());
  // The columns are the weights in the program's order.
  Select("0", "12", "1", "");
  ASSERT_TRUE(BuildWMForMatlab(*wb));
  ASSERT_EQ(wb->WeightMatrix.size(), 9u);
  EXPECT_EQ(wb->WeightMatrix[8][3], 308.0);
  EXPECT_EQ(wb->OnTopForm.Caption(), "On Top      0-66-0");
}

TEST_F(WeightMatrixTest, BadFieldsAndListTokensStopTheBuild) {
  const struct {
    const char *To, *Any, *Message;
  } cases[] = {
      {"12", "-5", "incorrect any WM: -5"},
      {"12", "5-", "incorrect any WM: 5-"},
      {"12", "3-4-5", "incorrect any WM: 3-4-5"},
      {"12", "a3", "incorrect any WM: a3"},
      {"12", "1 6,7", "incorrect any WM: 6,7"},
      {"12", "13", "incorrect any WM: 13"},
      {"12", "2-13", "incorrect any WM: 2-13"},
      {"1", "", "to WM must be an Integer from 2 to 12"},
  };
  for (const auto& c : cases) {
    plat.Messages.clear();
    Select("2", c.To, "1", c.Any);
    EXPECT_FALSE(BuildWMForMatlab(*wb)) << c.Any;
    ASSERT_EQ(plat.Messages.size(), 1u) << c.Any;
    EXPECT_EQ(plat.Messages[0].Text, c.Message);
  }
  // A training of 0 epochs cannot be analysed.
  plat.Messages.clear();
  wb->NumOfEpochs = 0;
  Select("0", "0", "1", "");
  EXPECT_FALSE(BuildWMForMatlab(*wb));
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "from WM must be an Integer from 0 to -1");
}

TEST_F(WeightMatrixTest, ExportReadsBackTo15DigitsAndOnlyWithPCAInMatlab) {
  auto row = wb->WeightHistory.Row(4);
  row[0] = -0.125;
  row[1] = 1.0 / 3.0;
  row[2] = 123456.789012345678;
  row[3] = -2.5e-7;
  Select("2", "6", "2", "");
  wb->Form1.FastICABox.SetChecked(true);
  ASSERT_TRUE(BuildWMForMatlab(*wb));
  EXPECT_FALSE(fs::exists(dir / "PCA" / "WM_weightlab.txt"));

  wb->Form1.MatLabBox.SetChecked(true);
  ASSERT_TRUE(BuildWMForMatlab(*wb));
  const std::string text = test::ReadText(dir / "PCA" / "WM_weightlab.txt");
  const std::vector<std::string> lines = test::Lines(text);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].substr(0, 50), "-1.25000000000000E-0001   3.33333333333333E-0001  ");
  EXPECT_EQ(lines[1].substr(lines[1].size() - 3), "  \r");
  for (std::size_t r = 0; r < 3; ++r) {
    std::istringstream in(lines[r]);
    std::vector<double> read;
    for (std::string t; in >> t;) read.push_back(StrToFloat(t));
    ASSERT_EQ(read.size(), 9u);
    for (std::size_t w = 0; w < 9; ++w) {
      const double want = wb->WeightMatrix[w][r];
      EXPECT_NEAR(read[w], want, std::fabs(want) * 1e-14) << r << " " << w;
    }
  }
  // Every 0: no rows, an empty file, and still a build.
  Select("0", "12", "0", "");
  ASSERT_TRUE(BuildWMForMatlab(*wb));
  EXPECT_EQ(test::ReadText(dir / "PCA" / "WM_weightlab.txt"), "");
}

// Matlab's order of a 2-2-1 line: layer 1 input 0 of neurons 0 and 1, input 1, thresholds; then layer 2.
std::string MatlabLine(int e, int columns = 9) {
  // Values tell epoch and program-order weight: 100 e + the weight's index in the program's order.
  const int toSystem[] = {0, 3, 1, 4, 2, 5, 6, 7, 8};
  std::string line;
  for (int t = 0; t < columns; ++t) line += IntToStr(100 * e + (t < 9 ? toSystem[t] : 99)) + ".5 ";
  return line;
}

TEST_F(WeightMatrixTest, MatlabTrainingIsReadInTheProgramsOrder) {
  std::string text;
  for (int e = 0; e <= 4; ++e) text += MatlabLine(e) + "\n";
  WriteMatlab(text);
  wb->Form1.TrainingInMatlab.SetChecked(true);
  wb->Form1.MatLabBox.SetChecked(true);
  wb->Form1.autoES.SetChecked(true);
  Select("1", "4", "1", "");
  ASSERT_TRUE(BuildWMForMatlab(*wb)) << (plat.Messages.empty() ? "" : plat.Messages[0].Text);
  EXPECT_EQ(wb->NumOfEpochs, 4);
  EXPECT_EQ(wb->WMRows, 4);
  for (std::size_t w = 0; w < 9; ++w) {
    EXPECT_EQ(wb->WeightMatrix[w][0], 100.0 + static_cast<double>(w) + 0.5);
    EXPECT_EQ(wb->WeightHistory.Row(2)[w], 200.0 + static_cast<double>(w) + 0.5);
  }
  double sq = 0.0;
  for (int w = 0; w < 9; ++w) sq += (400.5 + w) * (400.5 + w);
  EXPECT_DOUBLE_EQ(wb->WNormHistory[4], sq);
  EXPECT_DOUBLE_EQ(wb->WeightNorm, std::sqrt(sq));
  EXPECT_EQ(wb->Form1.modWEdit.Text(), FixedDisplayText(std::sqrt(sq), 10, 2));
  EXPECT_EQ(wb->Form1.ThreeDEdit.Text(), "1214");  // the norm 1213.52...
  // A training done in Matlab is not exported again.
  EXPECT_FALSE(fs::exists(dir / "PCA" / "WM_weightlab.txt"));
}

TEST_F(WeightMatrixTest, FaultyMatlabFilesAreRefused) {
  wb->Form1.TrainingInMatlab.SetChecked(true);
  Select("0", "2", "1", "");
  auto lines = [](int n) {
    std::string t;
    for (int e = 0; e < n; ++e) t += MatlabLine(e) + "\n";
    return t;
  };
  std::string badToken = lines(2) + MatlabLine(2).replace(0, 5, "x1.5 ") + "\n";
  const struct {
    std::string Text, Message;
  } cases[] = {
      {lines(2) + MatlabLine(2, 10) + "\n" + lines(1), "Error: Number of Columns in WM_matlab.txt <> NumOfWeights"},
      {lines(3) + "\n", "Error: Number of Columns in WM_matlab.txt <> NumOfWeights"},
      {badToken, "Error in WM_matlab.txt line 3: x1.5 is not a real number"},
      // Longer than the histories of the run: refused before anything is stored.
      {lines(15), "Error: Number Of Lines in WM_matlab.txt <> max_epoch+1: " + (dir / "PCA" / "WM_matlab.txt").string() +
                      " holds more than 13 lines, and the histories of the training hold at most 13"},
  };
  for (const auto& c : cases) {
    plat.Messages.clear();
    WriteMatlab(c.Text);
    const double before = wb->WeightHistory.Row(0)[0];
    EXPECT_FALSE(BuildWMForMatlab(*wb)) << c.Message;
    ASSERT_EQ(plat.Messages.size(), 1u);
    EXPECT_EQ(plat.Messages[0].Text, c.Message);
    if (c.Text.size() > 1000) {
      EXPECT_EQ(wb->WeightHistory.Row(0)[0], before);
    }
  }
  fs::remove(dir / "PCA" / "WM_matlab.txt");
  plat.Messages.clear();
  EXPECT_FALSE(BuildWMForMatlab(*wb));
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "File " + (dir / "PCA" / "WM_matlab.txt").string() + " not found!");
}

TEST_F(WeightMatrixTest, EndOfRunExportsOnlyForMatlab) {
  Select("0", "12", "1", "");
  ExportWeightMatrixAtRunEnd(*wb);
  EXPECT_EQ(wb->WMRows, 0);
  wb->Form1.MatLabBox.SetChecked(true);
  ExportWeightMatrixAtRunEnd(*wb);
  EXPECT_EQ(wb->WMRows, 13);
  EXPECT_TRUE(fs::exists(dir / "PCA" / "WM_weightlab.txt"));
  // A fault of the export is shown; the run's end goes on.
  wb->Form1.anyWMEdit.SetText("2.5");
  ExportWeightMatrixAtRunEnd(*wb);
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "'2.5' is not a valid integer value");
}

}  // namespace
}  // namespace wl

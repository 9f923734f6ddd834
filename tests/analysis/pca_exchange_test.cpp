// The exchange files of the PCA folder: eigenvalues, components and ICA directions from Matlab, the
// scores of a Matlab training, the eigenvalue report, and the cosines of two weight-matrix files.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "analysis/cosines.h"
#include "analysis/pca_files.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

class ExchangeTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_exchange_", {"PCA", "results"});
    wb->NumOfWeights = 3;
    wb->StartError = 1.5;
    wb->ResultsPrefix = (dir / "results" / "iris_10").string();
  }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(dir / "PCA" / name, std::ios::binary) << text;
  }
  std::string MessageText() const { return plat.Messages.empty() ? "" : plat.Messages.back().Text; }
};

TEST_F(ExchangeTest, ComponentsAndEigenvaluesAreRead) {
  Write("eig_w.txt", " 3.0\n2\n1.5E-1\n");
  Write("pcomp_w.txt", "1 2 3\n4\t5  6\n  7 8 9  \n");
  ASSERT_TRUE(ReadPCAFiles(*wb, PCAFileKind::W));
  EXPECT_EQ(wb->Eigenvalues, (std::vector<double>{3.0, 2.0, 0.15}));
  // Line s is weight s; token k its coefficient in component k.
  EXPECT_EQ(wb->PrincipalComponents[0], (std::vector<double>{1, 4, 7}));
  EXPECT_EQ(wb->PrincipalComponents[2], (std::vector<double>{3, 6, 9}));
  EXPECT_EQ(wb->MatlabComponents[1], (std::vector<double>{2, 5, 8}));
  // The V pair is missing: false without a message; so is any read before a training.
  EXPECT_FALSE(ReadPCAFiles(*wb, PCAFileKind::V));
  wb->StartError = 0.0;
  EXPECT_FALSE(ReadPCAFiles(*wb, PCAFileKind::W));
  EXPECT_TRUE(plat.Messages.empty());
}

TEST_F(ExchangeTest, FaultyFilesNameTheFileAndTheLine) {
  const std::string eig = (dir / "PCA" / "eig_w.txt").string(), comp = (dir / "PCA" / "pcomp_w.txt").string();
  const struct {
    std::string Eig, Comp, Error;
  } cases[] = {
      {"1\n2\n3\n4\n", "1 2 3\n", "File " + eig + ", line 4: more lines than the network has weights (3)"},
      {"1\n2\n\n", "1 2 3\n", "File " + eig + ", line 3: '' is not a valid floating point value"},
      {"1\n", "1 2 3\n4 5 6\n7 8 9\n1 1 1\n", "File " + comp + ", line 4: more lines than the network has weights (3)"},
      // The program's own file holds six components a line: more weights than that leave lines short.
      {"1\n", "1 2\n", "File " + comp + ", line 1: value 3 is missing"},
      {"1\n", "1 2 x\n", "File " + comp + ", line 1: 'x' is not a valid floating point value"},
  };
  for (const auto& c : cases) {
    Write("eig_w.txt", c.Eig);
    Write("pcomp_w.txt", c.Comp);
    try {
      ReadPCAFiles(*wb, PCAFileKind::W);
      ADD_FAILURE() << "no error for " << c.Error;
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()), c.Error);
    }
  }
}

// Files written with a byte-order mark read as the same files without; a file far longer than the
// network's weights is refused at its first line too many; a huge bad value is quoted by its first
// characters.
TEST_F(ExchangeTest, AByteOrderMarkAHugeFileAndAHugeToken) {
  Write("eig_w.txt", "\xEF\xBB\xBF 3.0\r\n2\r\n1.5E-1\r\n");
  Write("pcomp_w.txt", "\xEF\xBB\xBF" "1 2 3\n4\t5  6\n  7 8 9  \n");
  ASSERT_TRUE(ReadPCAFiles(*wb, PCAFileKind::W));
  EXPECT_EQ(wb->Eigenvalues, (std::vector<double>{3.0, 2.0, 0.15}));
  EXPECT_EQ(wb->PrincipalComponents[0], (std::vector<double>{1, 4, 7}));

  const std::string eig = (dir / "PCA" / "eig_w.txt").string();
  const std::pair<std::string, std::string> cases[] = {
      {"3\n2\n1\n" + std::string(100000, '\n'), "File " + eig + ", line 4: more lines than the network has weights (3)"},
      {"3\n" + std::string(1 << 20, '2') + "x\n1\n",
       "File " + eig + ", line 2: '" + std::string(40, '2') + "...' (1048577 characters) is not a valid floating point value"},
  };
  for (const auto& [text, message] : cases) {
    Write("eig_w.txt", text);
    try {
      ReadPCAFiles(*wb, PCAFileKind::W);
      ADD_FAILURE() << "accepted";
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
    EXPECT_EQ(wb->Eigenvalues, (std::vector<double>{3.0, 2.0, 0.15}));
  }
}

TEST_F(ExchangeTest, ICADirectionsFillFiveComponents) {
  wb->NumOfWeights = 6;
  Write("eig_w.txt", "1\n");
  std::string ica;
  for (int s = 0; s < 6; ++s) ica += IntToStr(s) + " 1 2 3 " + IntToStr(10 * s) + "\n";
  Write("ica_a.txt", ica);
  ASSERT_TRUE(ReadICAFiles(*wb));
  EXPECT_EQ(wb->ICAComponents[4], (std::vector<double>{0, 10, 20, 30, 40, 50}));
  EXPECT_EQ(wb->PrincipalComponents[0], (std::vector<double>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(wb->Eigenvalues[0], 1.0);
}

TEST_F(ExchangeTest, ScoresOfAMatlabTraining) {
  wb->NumOfEpochs = 2;
  Write("scores_w.txt", "1 2 3\n4 5 6\n");
  // Only for a training done in Matlab.
  EXPECT_TRUE(ReadComponentScores(*wb));
  EXPECT_TRUE(wb->ComponentScores.empty());
  wb->MethodTag = "Matlab";
  EXPECT_FALSE(ReadComponentScores(*wb));
  EXPECT_EQ(MessageText(), "Error in scores_w.txt line 3:  is not a real number");
  Write("scores_w.txt", "1 2 3\n4 5 6\n7 8 9\n");
  EXPECT_TRUE(ReadComponentScores(*wb));
  EXPECT_EQ(wb->ComponentScores[1], (std::vector<double>{2, 5, 8}));
  Write("scores_w.txt", "1 2 3\n4 5 6\n7 b 9\n");
  EXPECT_FALSE(ReadComponentScores(*wb));
  EXPECT_EQ(MessageText(), "Error in scores_w.txt line 3: b is not a real number");
}

TEST_F(ExchangeTest, EigenvalueReport) {
  wb->Eigenvalues = {6.0, 3.0, 1.0};
  WriteEigenvalues(*wb);  // no surface yet: nothing
  EXPECT_FALSE(fs::exists(wb->ResultsPrefix + "_eigen.txt"));
  wb->ESDone = true;
  WriteEigenvalues(*wb);
  EXPECT_EQ(test::ReadText(wb->ResultsPrefix + "_eigen.txt"),
            "eigenvalue  current_variance  total_variance\n\n"
            "6.0000E+000   6.0000E-001   0.60000000000\n"
            "3.0000E+000   3.0000E-001   0.90000000000\n"
            "1.0000E+000   1.0000E-001   1.00000000000\n");
  EXPECT_EQ(plat.EditorRequests, std::vector<std::string>{wb->ResultsPrefix + "_eigen.txt"});
}

// ---- cosines

class CosinesTest : public ExchangeTest {
 protected:
  std::string File(const std::string& name, const std::vector<std::vector<double>>& rows) const {
    std::string text;
    for (const auto& r : rows) {
      for (double v : r) text += "  " + FormatReal(v);
      text += "\r\n";
    }
    Write(name, text);
    return (dir / "PCA" / name).string();
  }
  void Load(const std::string& a, const std::string& b) {
    plat.OpenAnswers.push_back(a);
    SelectWMFile(*wb, 1);
    plat.OpenAnswers.push_back(b);
    SelectWMFile(*wb, 2);
  }
  std::vector<std::string> Result() const { return test::Lines(test::ReadText(dir / "PCA" / "CosDir.txt")); }
  static std::vector<std::vector<double>> Trajectory(int lines, double drift) {
    std::vector<std::vector<double>> rows;
    for (int t = 0; t < lines; ++t) rows.push_back({1.0 + t, 2.0 - drift * t * t, 0.5 * t});
    return rows;
  }
};

TEST_F(CosinesTest, EqualFilesGiveOneAndTheShorterFileSetsTheLines) {
  const std::string a = File("WM_a.txt", Trajectory(10, 0.1));
  Load(a, a);
  EXPECT_EQ(plat.Dialogs.back().InitialDir, (dir / "PCA").string());
  CompareWMFiles(*wb);
  std::vector<std::string> lines = Result();
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[0], "  from_start                  current");
  EXPECT_EQ(lines[1], "  1.00000000000000E+0000    1.00000000000000E+0000");

  const std::string b = File("WM_b.txt", Trajectory(12, 0.3));
  Load(a, b);
  CompareWMFiles(*wb);
  lines = Result();
  ASSERT_EQ(lines.size(), 10u);  // epochs 2 to 10
  // Line of epoch 2: the vectors of line 2 and the steps from line 1 to line 2.
  const std::vector<double> w1{2, 1.9, 0.5}, w2{2, 1.7, 0.5}, d1{1, -0.1, 0.5}, d2{1, -0.3, 0.5};
  auto cosine = [](const std::vector<double>& x, const std::vector<double>& y) {
    double xy = 0, xx = 0, yy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
      xy += x[i] * y[i];
      xx += x[i] * x[i];
      yy += y[i] * y[i];
    }
    return xy / (std::sqrt(xx) * std::sqrt(yy));
  };
  std::istringstream in(lines[1]);
  double c1 = 0, c2 = 0;
  in >> c1 >> c2;
  EXPECT_NEAR(c1, cosine(w1, w2), 1e-14);
  EXPECT_NEAR(c2, cosine(d1, d2), 1e-14);
  EXPECT_EQ(wb->NumOfWeights, 3);
  EXPECT_TRUE(plat.Messages.empty());
}

TEST_F(CosinesTest, AZeroStepIsAnErrorOnItsLine) {
  auto rows = Trajectory(4, 0.1);
  rows[2] = rows[1];
  const std::string a = File("WM_a.txt", rows);
  Load(a, a);
  CompareWMFiles(*wb);
  const std::vector<std::string> lines = Result();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2], "  1.00000000000000E+0000   error");  // the value, three blanks, the error text
  EXPECT_EQ(lines[3], "  1.00000000000000E+0000    1.00000000000000E+0000");
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "modW1*modW2<=0");
  // A zero weight vector: the first value's error text.
  rows[1] = {0, 0, 0};
  const std::string z = File("WM_z.txt", rows);
  Load(z, z);
  CompareWMFiles(*wb);
  EXPECT_EQ(Result()[1], "   error        1.00000000000000E+0000");
}

TEST_F(CosinesTest, FilesThatDoNotFitAreRefusedBeforeTheResultIsTouched) {
  const std::string a = File("WM_a.txt", Trajectory(5, 0.1));
  auto longer = Trajectory(5, 0.1);
  longer.back().push_back(1.0);
  const std::string b = File("WM_b.txt", longer);
  const std::string one = File("WM_one.txt", Trajectory(1, 0.1));
  Write("CosDir.txt", "old\n");

  Load(a, b);
  CompareWMFiles(*wb);
  EXPECT_EQ(MessageText(), "Different Number of Weights in MW1 and WM2");
  Load(a, one);
  CompareWMFiles(*wb);
  EXPECT_EQ(MessageText(), "Fewer than two lines in MW1 or WM2");
  // Matlab's order goes through the network: the files must hold its weights.
  test::SetNetwork(*wb, {1, 1, 1}, {{{0.1, 0.2}}, {{0.3, 0.4}}});
  wb->NumOfWeights = 4;
  wb->Form1.WMMatlabBox.SetChecked(true);
  Load(a, a);
  CompareWMFiles(*wb);
  EXPECT_EQ(MessageText(), "Number of Weights in MW1 and WM2 <> NumOfWeights of the network (3 <> 4)");
  EXPECT_EQ(test::ReadText(dir / "PCA" / "CosDir.txt"), "old\n");

  // A short line further up is named with its file and line.
  wb->Form1.WMWeightLabBox.SetChecked(true);
  auto shortLine = Trajectory(5, 0.1);
  shortLine[2].pop_back();
  const std::string s = File("WM_s.txt", shortLine);
  Load(a, s);
  try {
    CompareWMFiles(*wb);
    ADD_FAILURE() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), "File " + s + ", line 3: it holds fewer than 3 values");
  }
  // A cancelled load: Compare does nothing.
  plat.OpenAnswers.push_back(std::nullopt);
  SelectWMFile(*wb, 1);
  plat.Messages.clear();
  CompareWMFiles(*wb);
  EXPECT_TRUE(plat.Messages.empty());
}

TEST_F(CosinesTest, MatlabOrderIsTurnedIntoTheNetworksLayout) {
  // 1-2-1: layer 1 neurons (w, th) x 2, layer 2 (w0, w1, th). Matlab: layer 1 input 0 of both neurons,
  // then both thresholds; then layer 2.
  test::SetNetwork(*wb, {1, 2, 1}, {{{0, 0}, {0, 0}}, {{0, 0, 0}}});
  wb->NumOfWeights = 7;
  wb->Form1.WMMatlabBox.SetChecked(true);
  const std::string a = File("WM_m.txt", {{1, 2, 3, 4, 5, 6, 7}, {2, 3, 4, 5, 6, 7, 8}});
  Load(a, a);
  CompareWMFiles(*wb);
  EXPECT_EQ(Result().size(), 2u);
  EXPECT_EQ(wb->Net[1][0].Weights, (std::vector<double>{2, 4}));
  EXPECT_EQ(wb->Net[1][1].Weights, (std::vector<double>{3, 5}));
  EXPECT_EQ(wb->Net[2][0].Weights, (std::vector<double>{6, 7, 8}));
}

}  // namespace
}  // namespace wl

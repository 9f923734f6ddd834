// Batch task files: the value of a line, the keys (case, blanks, a leading blank, the compared
// characters), what carries over from task to task, tasks on two sets leaving two reports, the lines
// after the last task, methods not built yet, a bad number and a missing set ending the batch, and the
// entry that asks for the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "experiments/batch_file.h"
#include "experiments/experiment_test_env.h"
#include "state/workbench.h"
#include "shell/command.h"

namespace wl {
namespace {

namespace fs = std::filesystem;
using test::LabelledRow;
using test::ReadText;

TEST(BatchValue, TheTextAfterTheFirstEqualsTrimmed) {
  const std::pair<std::string, std::string> cases[] = {
      {"CREATENETWORK = 4", "4"},
      {"DATASET=  DATA/IRIS.DAT  ", "DATA/IRIS.DAT"},
      {"A=B=C", "B=C"},
      {"  NO EQUALS  ", "NO EQUALS"},
      {"EMPTY=", ""},
      {"LONG=" + std::string(250, ' ') + "ABCDEFGHIJ", "ABCDE"},  // cut to 255 characters before trimming
  };
  for (const auto& [line, value] : cases) EXPECT_EQ(TrimmedValueAfterEquals(line), value) << line;
}

class BatchTest : public test::ExperimentTest {
 protected:
  void SetUp() override {
    test::ExperimentTest::SetUp();
    // The standard one-change search tells its mode by its tag: "S1-R" random, "S1-D" deterministic.
    wb->Form1.SMstdButton.SetChecked(true);
    WriteDataSet("alpha.dat", test::TwelveVectors());
    std::vector<LabelledRow> beta = test::TwelveVectors();
    for (LabelledRow& r : beta) r.X2 = -r.X2;
    WriteDataSet("beta.dat", beta);
  }

  // Writes the batch file and runs it as a command; false when an error ended it (its message shown).
  bool Batch(const std::string& text) {
    std::ofstream(dir / "batch.txt", std::ios::binary) << text;
    return RunCommand(*wb, [&] { RunBatchFile(*wb, BatchFile()); });
  }
  std::string BatchFile() const { return (dir / "batch.txt").string(); }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : plat.Messages) texts.push_back(m.Text);
    return texts;
  }
};

TEST_F(BatchTest, KeysAreReadByTheirFirstCharactersAtTheStartOfALine) {
  struct Case {
    const char* batch;
    int scheme;
    const char* tag;
  };
  const Case cases[] = {
      {"DATASET=DATA/ALPHA.DAT\n***\n", 1, "S1-R"},  // the first task of a file: scheme 1, random search
      {"dataset = data/Alpha.DAT\ncreatenetwork = 4\n***\n", 4, "S1-R"},
      {"CreateNetw-scheme=3\n***\n", 3, "S1-R"},
      {" CREATENETWORK=4\n***\n", 1, "S1-R"},  // a leading blank: not a key line
      {"TRAININGMETHOD=d1\n***\n", 1, "S1-D"},
      {"TRAININGMETHOD = D1\nCREATENETWORK=2\n***\nDATASET=DATA/ALPHA.DAT\n***\n", 1, "S1-D"},  // carried over
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(Batch(c.batch)) << c.batch;
    EXPECT_TRUE(plat.Messages.empty()) << c.batch;
    EXPECT_EQ(wb->DataFileName, (dir / "DATA" / "alpha.dat").string()) << c.batch;
    EXPECT_EQ(wb->NetType, c.scheme) << c.batch;
    EXPECT_EQ(wb->MethodTag, c.tag) << c.batch;
  }
  EXPECT_TRUE(fs::exists(Results("alpha_86410_rs-trn.txt")));
  EXPECT_TRUE(fs::exists(Results("alpha_86410_2_rs-trn.txt")));  // the last batch's second task
  EXPECT_FALSE(wb->BatchMode);
  EXPECT_TRUE(plat.EditorRequests.empty());
}

TEST_F(BatchTest, NumbersGoToTheirFieldsAndAnUnterminatedTaskRuns) {
  ASSERT_TRUE(Batch("DATASET=DATA/ALPHA.DAT\nSLOPE = 2.5\nHIDBIAS=1.5\nOUBIAS=-0.5\nV_COEF=12"));
  EXPECT_TRUE(plat.Messages.empty());
  EXPECT_EQ(wb->Form1.SlopeEdit.Text(), "2.5");
  EXPECT_EQ(wb->Form1.HidBEdit.Text(), "1.5");
  EXPECT_EQ(wb->Form1.OutBEdit.Text(), "-0.5");
  EXPECT_EQ(wb->Form1.VCEdit.Text(), "12");
  EXPECT_EQ(wb->Slope, 2.5);
  EXPECT_EQ(wb->V_coef, 12.0);
  EXPECT_TRUE(fs::exists(Results("alpha_86410_rs-trn.txt")));
  // "slopes and more" is a SLOPE line without "=": its whole text is no number.
  ASSERT_FALSE(Batch("SLOPES AND MORE\n***\n"));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Batch file " + BatchFile() +
                                                     ", line 1: 'SLOPES AND MORE' is not a valid floating point value"});
}

TEST_F(BatchTest, TwoSetsLeaveTwoReportsAndTrailingLinesRunNothing) {
  ASSERT_TRUE(Batch("DATASET=DATA/ALPHA.DAT\n***\nDATASET=DATA/BETA.DAT\n***\n\n\n   \n# done\n"));
  EXPECT_TRUE(plat.Messages.empty());
  for (const char* set : {"alpha", "beta"}) {
    const std::string report = ReadText(Results(std::string(set) + "_86410_rs-trn.txt"));
    EXPECT_EQ(test::Lines(report)[0], "Data Set:  " + (dir / "DATA" / (std::string(set) + ".dat")).string() +
                                          " (training set only)");
    EXPECT_TRUE(fs::exists(Results(std::string(set) + "_86410_param.txt"))) << set;
    EXPECT_TRUE(fs::exists(Results(std::string(set) + "_86410_InitWeights.txt"))) << set;
  }
  EXPECT_FALSE(fs::exists(Results("beta_86410_2_rs-trn.txt")));  // the trailing lines ran no third task
  EXPECT_EQ(wb->Form1.Label18.Caption(), "beta.dat");
}

TEST_F(BatchTest, ABR1RunsTheSearchAcceptingWorseSteps) {
  ASSERT_TRUE(Batch("DATASET=DATA/ALPHA.DAT\nTRAININGMETHOD=abr1\n***\n"));
  EXPECT_TRUE(plat.Messages.empty());
  EXPECT_EQ(wb->ParamText[7], "R. - 1 change + AccBad");
  EXPECT_TRUE(fs::exists(Results("alpha_86410_rs-trn.txt")));
}

TEST_F(BatchTest, SMLPTasksTrainStepNetworksWithoutCreatingANetworkFirst) {
  // The second task names its set again: after an SMLP run the current set is the discretized file.
  ASSERT_TRUE(Batch("DATASET=DATA/ALPHA.DAT\nTrainingMethod=smlp1\n***\n"
                    "DATASET=DATA/ALPHA.DAT\nTRAININGMETHOD=SMLP2\n***\n"));
  EXPECT_TRUE(plat.Messages.empty());
  EXPECT_EQ(wb->NetKind, 1);
  EXPECT_EQ(wb->NetType, 3);
  EXPECT_EQ(wb->OptMet, 2);  // the second task's two-change search
  for (const char* prefix : {"alpha_86410", "alpha_86410_2"}) {
    EXPECT_TRUE(fs::exists(Results(std::string(prefix) + "_rs-trn.txt"))) << prefix;
    EXPECT_TRUE(fs::exists(Results(std::string(prefix) + "_SMLP.txt"))) << prefix;
  }
  // The batch names the task's method; the run then names itself, as every run does.
  EXPECT_EQ(wb->Form1.Label19.Caption(), "SMLP - 2 changes");
}

TEST_F(BatchTest, SearchMethodsRunTheirTrainers) {
  struct Case {
    const char* method;
    const char* tag;
  };
  for (const Case& c : {Case{"BS", "BS"}, Case{"R2", "S2-R"}, Case{"D2", "S2-D"}}) {
    fs::remove_all(dir / "results");
    plat.Messages.clear();
    wb->MethodTag = "";
    ASSERT_TRUE(Batch(std::string("DATASET=DATA/ALPHA.DAT\nTRAININGMETHOD=") + c.method + "\n***\n")) << c.method;
    EXPECT_TRUE(plat.Messages.empty()) << c.method;
    EXPECT_EQ(wb->MethodTag, c.tag) << c.method;
    EXPECT_TRUE(fs::exists(Results("alpha_86410_rs-trn.txt"))) << c.method;
  }
}

TEST_F(BatchTest, NumericalGradientTasksTrainByNG) {
  ASSERT_TRUE(Batch("DATASET=DATA/ALPHA.DAT\nTRAININGMETHOD=NG\n***\n"));
  EXPECT_TRUE(plat.Messages.empty()) << (plat.Messages.empty() ? "" : plat.Messages[0].Text);
  EXPECT_EQ(wb->MethodTag, "NG");
  EXPECT_EQ(wb->Form1.Label19.Caption(), "Numerical Gradient");
  EXPECT_TRUE(fs::exists(Results("alpha_86410_optH.txt")));
}

// A bad value anywhere in the file refuses the whole file before the first task: nothing runs. A data
// set that cannot be read is found only when its task runs: the tasks before it have run.
TEST_F(BatchTest, ABadNumberOrAMissingSetEndsTheBatch) {
  const std::string missing = (dir / "DATA" / "GAMMA.DAT").string();
  struct Case {
    std::string batch, message;
    bool earlierTasksRun = false;
  };
  const Case cases[] = {
      {"DATASET=DATA/ALPHA.DAT\n***\nSLOPE=abc\n***\nDATASET=DATA/BETA.DAT\n***\n",
       "Batch file " + BatchFile() + ", line 3: 'ABC' is not a valid floating point value"},
      {"DATASET=DATA/ALPHA.DAT\n***\nCREATENETWORK=9\n***\nDATASET=DATA/BETA.DAT\n***\n",
       "Batch file " + BatchFile() + ", line 3: the initial-weight scheme must be from 1 to 8, not 9"},
      {"DATASET=DATA/ALPHA.DAT\n***\nCREATENETWORK=2.5\n***\nDATASET=DATA/BETA.DAT\n***\n",
       "Batch file " + BatchFile() + ", line 3: '2.5' is not a valid integer value"},
      {"DATASET=DATA/ALPHA.DAT\n***\nDATASET=DATA/GAMMA.DAT\n***\nDATASET=DATA/BETA.DAT\n***\n",
       "Cannot open data file " + missing, true},
  };
  for (const Case& c : cases) {
    fs::remove_all(dir / "results");
    plat.Messages.clear();
    EXPECT_FALSE(Batch(c.batch)) << c.batch;
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{c.message}) << c.batch;
    EXPECT_EQ(fs::exists(Results("alpha_86410_rs-trn.txt")), c.earlierTasksRun) << c.batch;
    EXPECT_FALSE(fs::exists(Results("beta_86410_rs-trn.txt"))) << c.batch;
    EXPECT_FALSE(wb->BatchMode);
  }
}

// A file refused at a late line has taken over nothing of the lines before it.
TEST_F(BatchTest, ARefusedFileChangesNothing) {
  const std::string before = wb->DataFileName;
  const double slope = wb->Slope, hidBias = wb->HidBias;
  const std::string slopeText = wb->Form1.SlopeEdit.Text(), hidBiasText = wb->Form1.HidBEdit.Text();
  EXPECT_FALSE(Batch("SLOPE=3\nHIDBIAS=-1.5\nDATASET=DATA/BETA.DAT\nTRAININGMETHOD=D1\nCREATENETWORK=9\n***\n"));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Batch file " + BatchFile() +
                                                     ", line 5: the initial-weight scheme must be from 1 to 8, not 9"});
  EXPECT_EQ(wb->Slope, slope);
  EXPECT_EQ(wb->HidBias, hidBias);
  EXPECT_EQ(wb->Form1.SlopeEdit.Text(), slopeText);
  EXPECT_EQ(wb->Form1.HidBEdit.Text(), hidBiasText);
  EXPECT_EQ(wb->DataFileName, before);
  EXPECT_FALSE(fs::exists(dir / "results"));
}

// A file without a single key line runs nothing and says so, naming the file.
TEST_F(BatchTest, AFileWithoutAKeyLineIsRefused) {
  const std::string empty = "Batch file " + BatchFile() + " is empty: no task was run";
  const std::string noTask = "Batch file " + BatchFile() +
                             " holds no task: no line begins with DATASET=, CREATENETWORK=, TRAININGMETHOD=, SLOPE=, "
                             "HIDBIAS=, OUBIAS=, V_COEF= or ***; no task was run";
  const std::pair<std::string, std::string> cases[] = {
      {"", empty},
      {"\xEF\xBB\xBF", empty},
      {"\n\n", noTask},
      {"just some words\nand more\n", noTask},
      {std::string("\x7F" "ELF\x02\x01\0\0\x03\0>\0", 12), noTask},
      {" DATASET=DATA/ALPHA.DAT\n", noTask},  // a key counts only at the start of a line
  };
  for (const auto& [text, message] : cases) {
    plat.Messages.clear();
    EXPECT_FALSE(Batch(text)) << text;
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{message}) << text;
    EXPECT_FALSE(fs::exists(dir / "results")) << text;
  }
}

// A byte-order mark before the first line does not hide its key.
TEST_F(BatchTest, AByteOrderMarkIsNoPartOfTheFirstKey) {
  ASSERT_TRUE(Batch("\xEF\xBB\xBF" "DATASET=DATA/ALPHA.DAT\r\nSLOPE=2.5\r\n***\r\n"));
  EXPECT_TRUE(plat.Messages.empty()) << (plat.Messages.empty() ? "" : plat.Messages[0].Text);
  EXPECT_EQ(wb->DataFileName, (dir / "DATA" / "alpha.dat").string());
  EXPECT_TRUE(fs::exists(Results("alpha_86410_rs-trn.txt")));
}

TEST_F(BatchTest, AskedForInTheProgramFolder) {
  std::ofstream(dir / "tasks.txt", std::ios::binary) << "DATASET=DATA/ALPHA.DAT\n***\n";
  plat.OpenAnswers.push_back(std::nullopt);
  BatchModeOpen(*wb, "");
  ASSERT_EQ(plat.Dialogs.size(), 1u);
  EXPECT_EQ(plat.Dialogs[0].Dialog, "WeightsDialog");
  EXPECT_EQ(plat.Dialogs[0].InitialDir, dir.string());
  EXPECT_FALSE(fs::exists(dir / "results"));

  plat.OpenAnswers.push_back("tasks.txt");
  BatchModeOpen(*wb, "");
  EXPECT_TRUE(fs::exists(Results("alpha_86410_rs-trn.txt")));

  // A name is a file of the program folder.
  fs::remove_all(dir / "results");
  BatchModeOpen(*wb, "tasks.txt");
  EXPECT_TRUE(fs::exists(Results("alpha_86410_rs-trn.txt")));
}

TEST_F(BatchTest, FilesAreFoundWhateverTheirLetterCase) {
  fs::create_directories(dir / "DATA" / "Sub");
  std::ofstream(dir / "DATA" / "Sub" / "File.Dat") << "x";
  const std::string found = (dir / "DATA" / "Sub" / "File.Dat").string();
  EXPECT_EQ(FindIgnoringCase(dir.string(), (dir / "data" / "SUB" / "FILE.DAT").string()), found);
  EXPECT_EQ(FindIgnoringCase(dir.string(), found), found);
  const std::string none = (dir / "DATA" / "SUB" / "OTHER.DAT").string();
  EXPECT_EQ(FindIgnoringCase(dir.string(), none), none);
}

}  // namespace
}  // namespace wl

// The result report: a small fixed network on a tiny data set, its report checked line by line against
// values worked out by hand (the two prediction rules, the confusion matrix's orientation and its row of
// vectors without prediction, the class-balanced accuracy, the listings), the report names and modes, the
// validation-set report and its refusal, and the result commands' testing flag.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <algorithm>

#include "experiments/result_report.h"
#include "experiments/text_report.h"
#include "model/data_file.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/scripted_platform.h"
#include "shell/command.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

using test::ReadText;

// The lines of a file.
std::vector<std::string> FileLines(const std::string& path) { return test::Lines(ReadText(path)); }

// The data rows of the tiny set: two continuous features and the class.
struct Row {
  double X1, X2;
  int Class;
};

// Output neuron j of the fixed network sees feature j alone with weight 10 and threshold 0, so it gives
// 1 / (1 + e^(-10 x_j)): (1, -1) favours class 0, (-1, 1) class 1, (0, 0) ties both at 0.5, and
// (-2000, -2000) drives both outputs past the exponential's guard to exactly 0.
const std::vector<Row> kTiny = {{1, -1, 0}, {-1, 1, 1}, {0, 0, 1}, {-2000, -2000, 0}, {1, -1, 0}};

class ResultReportTest : public test::ProgramDirTest {
 protected:
  ResultReportTest() {
    MakeProgramDir("wl_report_");
    plat.ClockMs = 100000;
    plat.ClockDay = 1;
  }

  void DataSet(const std::vector<Row>& rows) {
    wb->Features.assign(2, TFeature{});
    wb->Features[0].Name = "x1";
    wb->Features[1].Name = "x2";
    wb->NumOfFeatures = 2;
    wb->AllContinuous = true;
    wb->NumOfClasses = 2;
    wb->NumOfVectors = static_cast<int>(rows.size());
    wb->Data.clear();
    wb->VectorClass.clear();
    std::vector<int> perClass(2, 0);
    for (const Row& r : rows) {
      wb->Data.push_back({r.X1, r.X2});
      wb->VectorClass.push_back(r.Class);
      ++perClass[r.Class];
    }
    wb->VectorsPerClass = perClass;
    wb->VectorWeight.clear();
    for (const Row& r : rows) wb->VectorWeight.push_back(static_cast<double>(rows.size()) / (perClass[r.Class] * 2.0));
    wb->ResultsPrefix = (dir / "results" / "tiny_100").string();
    wb->ParamText[0] = "Data Set:  tiny.dat";
  }

  // Two inputs straight into two sigmoid outputs.
  void Network() {
    wb->NumOfLayers = 2;
    wb->Layers = {2, 2};
    wb->LayerInputs = {2, 2, 0, 0};
    wb->NumOfWeights = 6;
    wb->LinearInputs = true;
    wb->Net.assign(2, {});
    wb->Net[0].resize(2);
    for (TNeuron& n : wb->Net[0]) n.Weights = {1.0};
    wb->Net[1].resize(2);
    wb->Net[1][0].Weights = {10.0, 0.0, 0.0};
    wb->Net[1][1].Weights = {0.0, 10.0, 0.0};
    wb->LayerTF[0] = TTransferFunction{1, 1.0, 1.0, 0};
    wb->Slope = 1.0;
    wb->Stretch = 1.0;
    wb->ErrorExponent = 2.0;
    wb->SetOff = 0.0;
    wb->NumOfParts = 1;
  }

  std::string Report(const char* suffix = "_rs-trn.txt") const { return (dir / "results" / (std::string("tiny_100") + suffix)).string(); }
};

TEST(PredictionRules, ConfusionMatrixAndListingDifferOnTiesAndLowOutputs) {
  struct Case {
    std::vector<double> y;
    int confusion, listing;
  };
  const Case cases[] = {
      {{0.9, 0.2, 0.1}, 0, 0},
      {{0.2, 0.7, 0.7}, 1, -1},   // a tie above 0.1: the matrix takes the first, the listing none
      {{0.7, 0.7, 0.9}, 2, 2},    // a later, greater output predicts again
      {{0.0, 0.0, 0.0}, 3, -1},   // nothing above 0.0: the matrix's extra column
      {{0.05, 0.08, 0.0}, 1, -1}, // above 0.0 but not above 0.1
      {{0.1, 0.1, 0.0}, 0, -1},   // 0.1 is not above the listing's start
      {{0.1, 0.05, 0.0}, 0, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ConfusionPrediction(c.y.data(), 3, 3), c.confusion) << c.y[0] << " " << c.y[1] << " " << c.y[2];
    EXPECT_EQ(ListingPrediction(c.y.data(), 3), c.listing) << c.y[0] << " " << c.y[1] << " " << c.y[2];
  }
}

TEST(ReportNames, SuffixByWeightedErrorAndMode) {
  EXPECT_EQ(ResultReportSuffix(false, 1), "_rs-trn.txt");
  EXPECT_EQ(ResultReportSuffix(true, 1), "_rn-trn.txt");
  EXPECT_EQ(ResultReportSuffix(false, 2), "_rs-tst.txt");
  EXPECT_EQ(ResultReportSuffix(true, 12), "_rn-cv.txt");
  EXPECT_EQ(ResultReportSuffix(false, 4), "_rs-trn.txt");
  EXPECT_EQ(ResultReportSuffix(false, 0), "_rs-trn.txt");
}

// The same report whether the network is passed forward by the standard pass or with the per-layer
// transfer functions.
class TinyReport : public ResultReportTest, public ::testing::WithParamInterface<bool> {};

TEST_P(TinyReport, EveryLineAsWorkedOutByHand) {
  DataSet(kTiny);
  Network();
  wb->NonStandardTF = GetParam();
  wb->ParamText[1] = "Random Initial Weights, Linear Inputs";
  wb->ParamText[2] = "  ";  // blank lines of the parameters are left out
  wb->ParamText[20] = "never written";
  wb->NumOfParts = 4;
  wb->ElapsedTime = 2500;
  wb->ErrorEvaluations = 1234.5;
  wb->NumOfEpochs = 7;
  wb->ResultsFileName = "stale name";  // mode 1 always makes a fresh name
  wb->Form1.WriteDetails.SetChecked(true);

  ASSERT_TRUE(WriteResultFile(*wb, 1));

  const std::vector<std::string> expected = {
      "Data Set:  tiny.dat (training set only)",
      "Random Initial Weights, Linear Inputs",
      "Training set devided into 4 parts",
      "Training Time: 2.50s",
      "NumOfRun: 1234.5",
      "NumOfEpochs: 7",
      // 3 of 5 correct; class 0 has 2 of 3 right, class 1 1 of 2: (2/3 + 1/2) / 2.
      "standard accuracy: 0.60000",
      "normalized accuracy: 0.58333",
      "",
      "    Confusion Matrix",
      "Predicted       Original",
      "             0     1",
      "",
      // Rows are the predicted class, columns the true class. The tie (0, 0) of a class-1 vector goes to
      // class 0; the vector with both outputs at 0 has no prediction.
      "   0         2     1",
      "   1         0     1",
      "   -         1     0",
      "",
      "vect:   0    class:  0      N_0:  0.999955",
      "                            N_1:  0.000045",
      "vect:   1    class:  1      N_0:  0.000045",
      "                            N_1:  0.999955",
      "vect:   2    class:  1      N_0:  0.500000  error",
      "                            N_1:  0.500000",
      "vect:   3    class:  0      N_0:  0.000000  error",
      "                            N_1:  0.000000",
      "vect:   4    class:  0      N_0:  0.999955",
      "                            N_1:  0.000045",
      "",
      "",
      "",
      "Weights and Biasses",
      "",
      "",
      "Hidden Layer",
      "",
      "Neuron0:  biass = 0.000000",
      "      weight0 = 10.000000",
      "      weight1 = 0.000000",
      "Neuron1:  biass = 0.000000",
      "      weight0 = 0.000000",
      "      weight1 = 10.000000",
      "",
      "",
      "Output Layer",
      "",
      "Neuron0:  biass = 0.000000",
      "    weight0 = 10.000000",
      "    weight1 = 0.000000",
      "Neuron1:  biass = 0.000000",
      "    weight0 = 0.000000",
      "    weight1 = 10.000000",
  };
  EXPECT_EQ(FileLines(Report()), expected);

  EXPECT_EQ(wb->ConfusionMatrix, (std::vector<std::vector<int>>{{2, 0, 1}, {1, 1, 0}}));
  EXPECT_DOUBLE_EQ(wb->TestSuccessRate, 0.6);
  EXPECT_DOUBLE_EQ(wb->SuccessRate, 0.6);  // the evaluation's, not the last listed vector's
  EXPECT_EQ(wb->ParamText[15], "Training set devided into 4 parts");
  EXPECT_TRUE(wb->ResultsFileName.empty());
  EXPECT_FALSE(wb->ResultsFile.is_open());
  EXPECT_TRUE(fs::exists(dir / "results" / "tiny_100_param.txt"));
  EXPECT_EQ(plat.EditorRequests, std::vector<std::string>{Report()});
}

INSTANTIATE_TEST_SUITE_P(ForwardPasses, TinyReport, ::testing::Bool());

TEST_F(ResultReportTest, ASecondReportCountsTheMatrixAfreshAndReplacesTheFile) {
  DataSet(kTiny);
  Network();
  ASSERT_TRUE(WriteResultFile(*wb, 1));
  ASSERT_TRUE(WriteResultFile(*wb, 1));
  const std::string text = ReadText(Report());
  EXPECT_NE(text.find("   -         1     0\n"), std::string::npos);
  EXPECT_EQ(text.find("Data Set:"), text.rfind("Data Set:"));
  // Without "Detailed Result File" the matrix is followed by the weights; one part writes no parts line.
  EXPECT_EQ(text.find("vect:"), std::string::npos);
  EXPECT_EQ(text.find("parts"), std::string::npos);
}

// With the disk full part-way through, the command ends with the message and the report before stays
// whole: the new one replaces it only when written to its end.
TEST_F(ResultReportTest, AReportCutShortLeavesTheOneBefore) {
  std::vector<Row> rows;
  for (int i = 0; i < 101; ++i) rows.push_back({1, -1, i % 2});
  DataSet(rows);
  Network();
  wb->Form1.WriteDetails.SetChecked(true);
  ASSERT_TRUE(WriteResultFile(*wb, 1));
  const std::string before = ReadText(Report());
  // The disk fills up after the run's parameter file, within the report.
  const std::size_t param = ReadText(Report("_param.txt")).size();
  ASSERT_GT(before.size(), param + 1000);
  plat.Messages.clear();
  {
    const test::FileSizeLimit full(param + 200);
    EXPECT_FALSE(RunCommand(*wb, [&] { WriteResultFile(*wb, 1); }));
  }
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "Cannot write file " + Report());
  EXPECT_EQ(ReadText(Report()), before);
  EXPECT_FALSE(std::filesystem::exists(Report() + ".tmp"));
  // The next report is written whole again.
  ASSERT_TRUE(WriteResultFile(*wb, 1));
  EXPECT_EQ(ReadText(Report()).size(), before.size());
}

// The fold files and summaries of the experiments: a report replaces its file when closed or at the end
// of its life, but not when an error ends the operation while it is being written.
TEST_F(ResultReportTest, ATextReportEndedByAnErrorLeavesTheFileBefore) {
  const std::string path = (dir / "summary.txt").string();
  { TextReport r(path); r.Line("first"); }
  EXPECT_EQ(ReadText(path), "first\n");
  try {
    TextReport r(path);
    r.Line("half");
    throw FileError("the fold cannot be read");
  } catch (const FileError&) {
  }
  EXPECT_EQ(ReadText(path), "first\n");
  {
    const test::FileSizeLimit full(100);
    TextReport r(path);
    EXPECT_THROW(for (int i = 0; i < 200; ++i) r.Line("a line of a summary cut off by the full disk"), FileError);
  }
  EXPECT_EQ(ReadText(path), "first\n");
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST_F(ResultReportTest, VectorNumbersEndInOneColumn) {
  std::vector<Row> rows;
  for (int i = 0; i < 101; ++i) rows.push_back({1, -1, i % 2});
  DataSet(rows);
  Network();
  wb->Form1.WriteDetails.SetChecked(true);
  ASSERT_TRUE(WriteResultFile(*wb, 0));
  const std::string text = ReadText(Report());
  for (const char* head : {"\nvect:   9    class:", "\nvect:  10    class:", "\nvect:  99    class:", "\nvect: 100    class:"})
    EXPECT_NE(text.find(head), std::string::npos) << head;
  EXPECT_TRUE(plat.EditorRequests.empty());  // mode 0 shows nothing
}

TEST_F(ResultReportTest, SkipConnectionsAreNamedAndTheOutputsListTheirWholeFanIn) {
  // Three layers, the outputs seeing the hidden neuron and both inputs (fan-in 3, threshold at index 3).
  DataSet({{1, 0, 0}, {0, 1, 1}});
  wb->NumOfLayers = 3;
  wb->Layers = {2, 1, 2};
  wb->LayerInputs = {2, 3, 2, 0};
  wb->Net.assign(3, {});
  wb->Net[0].resize(2);
  for (TNeuron& n : wb->Net[0]) n.Weights = {1.0};
  wb->Net[1].resize(1);
  wb->Net[1][0].Weights = {0.25, -0.5, 0.125};
  wb->Net[2].resize(2);
  wb->Net[2][0].Weights = {1.0, 2.0, -2.0, 0.5};
  wb->Net[2][1].Weights = {-1.0, -2.0, 2.0, -0.5};
  wb->Form1.SkipCheck.SetChecked(true);
  wb->LayerTF[0] = wb->LayerTF[1] = TTransferFunction{1, 1.0, 1.0, 0};
  wb->Slope = wb->Stretch = 1.0;
  wb->ErrorExponent = 2.0;
  wb->NumOfParts = 1;
  ASSERT_TRUE(WriteResultFile(*wb, 0));
  const std::vector<std::string> lines = FileLines(Report());
  const auto skip = std::find(lines.begin(), lines.end(), "using skip connections");
  ASSERT_NE(skip, lines.end());
  EXPECT_EQ(*(skip + 1), "Training Time: 0.00s");
  const auto hidden = std::find(lines.begin(), lines.end(), "Hidden Layer");
  ASSERT_NE(hidden, lines.end());
  EXPECT_EQ(std::vector<std::string>(hidden + 2, hidden + 5),
            (std::vector<std::string>{"Neuron0:  biass = 0.125000", "      weight0 = 0.250000", "      weight1 = -0.500000"}));
  const auto output = std::find(lines.begin(), lines.end(), "Output Layer");
  ASSERT_NE(output, lines.end());
  EXPECT_EQ(std::vector<std::string>(output + 2, lines.end()),
            (std::vector<std::string>{"Neuron0:  biass = 0.500000", "    weight0 = 1.000000", "    weight1 = 2.000000",
                                      "    weight2 = -2.000000", "Neuron1:  biass = -0.500000", "    weight0 = -1.000000",
                                      "    weight1 = -2.000000", "    weight2 = 2.000000"}));
}

TEST_F(ResultReportTest, ModeFourAppendsAndShowsTheFileItWrote) {
  DataSet(kTiny);
  Network();
  wb->WeightedError = true;
  ASSERT_TRUE(WriteResultFile(*wb, 4));
  ASSERT_TRUE(WriteResultFile(*wb, 4));
  const std::string report = Report("_rn-trn.txt");
  const std::string text = ReadText(report);
  EXPECT_NE(text.find("Data Set:"), text.rfind("Data Set:"));  // appended, not replaced
  // No earlier report left a name: the editor shows the file written, never an empty name.
  EXPECT_EQ(plat.EditorRequests, (std::vector<std::string>{report, report}));
  EXPECT_TRUE(wb->ResultsFileName.empty());
}

TEST_F(ResultReportTest, APreparedNameServesModeZeroButNotModeOne) {
  DataSet(kTiny);
  Network();
  const std::string prepared = (dir / "results" / "prepared.txt").string();
  wb->ResultsFileName = prepared;
  ASSERT_TRUE(WriteResultFile(*wb, 0));
  EXPECT_TRUE(fs::exists(prepared));
  EXPECT_FALSE(fs::exists(Report()));
  EXPECT_TRUE(wb->ResultsFileName.empty());
}

TEST_F(ResultReportTest, DuringCrossvalidationTheReportGoesIntoTheOpenFile) {
  DataSet(kTiny);
  Network();
  wb->ParamText[1] = "Random Initial Weights, Linear Inputs";
  const std::string cvFile = (dir / "cv_run.txt").string();
  OpenResultsFile(*wb, cvFile, false);
  WriteResultsLine(*wb, "fold 1");
  wb->InCrossvalidation = true;
  wb->ResultsFileName = "prepared";
  ASSERT_TRUE(WriteResultFile(*wb, 12));
  EXPECT_TRUE(wb->ResultsFile.is_open());
  EXPECT_TRUE(wb->ResultsFileName.empty());
  CloseResultsFile(*wb);
  const std::vector<std::string> lines = FileLines(cvFile);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "fold 1");
  EXPECT_EQ(lines[1], "Data Set:  tiny.dat (- crossvalidation)");
  EXPECT_EQ(lines[2], "Training Time: 0.00s");  // no parameter lines
  EXPECT_FALSE(fs::exists(dir / "results" / "tiny_100_param.txt"));
  EXPECT_FALSE(fs::exists(Report("_rs-cv.txt")));
  EXPECT_TRUE(plat.EditorRequests.empty());
}

TEST_F(ResultReportTest, WithoutDataSetOrNetworkNothingIsWritten) {
  EXPECT_FALSE(WriteResultFile(*wb, 1));
  DataSet(kTiny);
  EXPECT_FALSE(WriteResultFile(*wb, 1));
  ASSERT_EQ(plat.Messages.size(), 2u);
  EXPECT_NE(plat.Messages[0].Text.find("No data set"), std::string::npos);
  EXPECT_NE(plat.Messages[1].Text.find("No network"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "results"));
}

TEST_F(ResultReportTest, ANetworkThatDoesNotFitTheSetLeavesNoReport) {
  DataSet(kTiny);
  Network();
  wb->Layers[0] = 3;  // built for another data set
  wb->Net[0].resize(3);
  for (TNeuron& n : wb->Net[1]) n.Weights.resize(4, 0.0);
  EXPECT_THROW(WriteResultFile(*wb, 1), WlError);
  EXPECT_FALSE(fs::exists(Report()));
}

// The validation set: files in the program's DATA folder, read through the validation dialog.
class ValidationReportTest : public ResultReportTest {
 protected:
  void WriteSet(const std::string& name, const std::string& featureLines, const std::string& rows, int features) {
    fs::create_directories(dir / "DATA");
    std::ofstream out(dir / "DATA" / name, std::ios::binary);
    int n = 0;
    for (char c : rows) n += c == '\n';
    out << "Number of features = " << features + 1 << "\nNumber of Vectors = " << n << "\nClass Column No = " << features + 1
        << "\n\n"
        << featureLines << "\n[DATA]\n"
        << rows;
  }
  const std::string kTwoFeatures =
      "Feature[1] = x1  continuous\nFeature[2] = x2  continuous\nFeature[3] = Class  discrete  2  0  1\n";

  void Train() {
    wb->Form1.NormCheck.SetChecked(false);
    WriteSet("tiny.dat", kTwoFeatures, "1 -1 0\n-1 1 1\n0 0 1\n-2000 -2000 0\n1 -1 0\n", 2);
    plat.OpenAnswers.push_back("DATA/tiny.dat");
    ASSERT_TRUE(OpenDataFile(*wb, 0));
    Network();
  }
};

TEST_F(ValidationReportTest, TheReportOfAFittingSetUsesItsOwnClassBalance) {
  Train();
  // Three class-1 vectors, one of them the tie, and one class-0 vector: the training set's weights would
  // not describe this set.
  WriteSet("tiny_val.dat", kTwoFeatures, "-1 1 1\n-1 1 1\n0 0 1\n1 -1 0\n", 2);
  plat.ClockMs = 200000;  // second 200 of the year
  plat.OpenAnswers.push_back("DATA/tiny_val.dat");
  wb->TestingMode = true;
  ASSERT_TRUE(WriteResultFile(*wb, 2));
  wb->TestingMode = false;
  const std::string report = (dir / "results" / "tiny_val_200_rs-tst.txt").string();
  const std::vector<std::string> lines = FileLines(report);
  ASSERT_GE(lines.size(), 16u);
  EXPECT_EQ(lines[0], "Data Set:  " + (dir / "DATA" / "tiny_val.dat").string() + " (with validation Set)");
  // 3 of 4 correct; class 1 has 2 of 3 right, class 0 1 of 1: (2/3 + 1) / 2.
  EXPECT_NE(std::find(lines.begin(), lines.end(), "standard accuracy: 0.75000"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "normalized accuracy: 0.83333"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "   0         1     1"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "   1         0     2"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "   -         0     0"), lines.end());
  EXPECT_EQ(plat.EditorRequests, std::vector<std::string>{report});
  // The validation set is the current data set now; the parameter file went with the training prefix.
  EXPECT_EQ(wb->NumOfVectors, 4);
  EXPECT_TRUE(fs::exists(dir / "results" / "tiny_100_param.txt"));
  ASSERT_FALSE(plat.Dialogs.empty());
  EXPECT_EQ(plat.Dialogs.back().Dialog, "OpenValidationSetDialog");
}

// A validation set without vectors of one class: the normalized accuracy is the mean over the classes
// it has, so a set classified all right reads 1, and one right on half of each class present 0.5.
TEST_F(ValidationReportTest, TheNormalizedAccuracyAveragesOverTheClassesPresent) {
  struct Case {
    const char* Rows;
    const char* Standard;
    const char* Normalized;
  };
  const Case cases[] = {
      {"-1 1 1\n-1 1 1\n-1 1 1\n", "standard accuracy: 1.00000", "normalized accuracy: 1.00000"},
      {"1 -1 0\n1 -1 0\n", "standard accuracy: 1.00000", "normalized accuracy: 1.00000"},
      {"-1 1 1\n1 -1 1\n", "standard accuracy: 0.50000", "normalized accuracy: 0.50000"},
  };
  int second = 200;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Rows);
    Train();
    WriteSet("one_class.dat", kTwoFeatures, c.Rows, 2);
    plat.ClockMs = 1000 * ++second;
    plat.OpenAnswers.push_back("DATA/one_class.dat");
    wb->TestingMode = true;
    ASSERT_TRUE(WriteResultFile(*wb, 2));
    wb->TestingMode = false;
    const std::vector<std::string> lines =
        FileLines((dir / "results" / ("one_class_" + std::to_string(second) + "_rs-tst.txt")).string());
    EXPECT_NE(std::find(lines.begin(), lines.end(), c.Standard), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), c.Normalized), lines.end());
  }
}

TEST_F(ValidationReportTest, ASetThatDoesNotFitIsRefusedAndTheTrainingSetStays) {
  Train();
  const std::string prefix = wb->ResultsPrefix, label = wb->Form1.Label18.Caption();
  struct Case {
    const char* file;
    std::string features, rows;
    int count;
    const char* reason;
  };
  const Case cases[] = {
      {"three.dat",
       "Feature[1] = x1  continuous\nFeature[2] = x2  continuous\nFeature[3] = x3  continuous\n"
       "Feature[4] = Class  discrete  2  0  1\n",
       "1 2 3 0\n", 3, "its features give 3 network inputs; the network has 2"},
      {"classes.dat",
       "Feature[1] = x1  continuous\nFeature[2] = x2  continuous\nFeature[3] = Class  discrete  1  0\n", "1 2 0\n", 2,
       "it has 1 class; the network has 2 outputs"},
      {"coded.dat",
       "Feature[1] = x1  discrete  1  5\nFeature[2] = x2  continuous\nFeature[3] = Class  discrete  2  0  1\n",
       "5 2 0\n", 2, "feature 1 (x1) is coded otherwise than in the training set"},
  };
  for (const Case& c : cases) {
    plat.Messages.clear();
    WriteSet(c.file, c.features, c.rows, c.count);
    plat.ClockMs = 300000;
    plat.OpenAnswers.push_back(std::string("DATA/") + c.file);
    wb->TestingMode = true;
    EXPECT_FALSE(WriteResultFile(*wb, 2)) << c.file;
    wb->TestingMode = false;
    ASSERT_EQ(plat.Messages.size(), 1u) << c.file;
    EXPECT_EQ(plat.Messages[0].Text,
              std::string("The validation set does not fit the trained network: ") + c.reason + ". No report is written.");
    EXPECT_EQ(wb->NumOfVectors, 5) << c.file;
    EXPECT_EQ(wb->ResultsPrefix, prefix) << c.file;
    EXPECT_EQ(wb->Form1.Label18.Caption(), label) << c.file;
  }
  EXPECT_FALSE(fs::exists(dir / "results" / "three_300_rs-tst.txt"));
  EXPECT_FALSE(fs::exists(dir / "results" / "classes_300_rs-tst.txt"));
  EXPECT_FALSE(fs::exists(dir / "results" / "coded_300_rs-tst.txt"));
  EXPECT_TRUE(plat.EditorRequests.empty());
}

// The result commands set the testing flag for their evaluation and clear it again, also when the
// report ends with an error.
TEST_F(ValidationReportTest, TheResultCommandsAlwaysClearTheTestingFlag) {
  Train();
  const HandlerRow* validation = FindHandler("OnValidationSet1", ControlEvent::MouseReleased);
  const HandlerRow* training = FindHandler("OnTrainingSet1", ControlEvent::MouseReleased);
  ASSERT_NE(validation, nullptr);
  ASSERT_NE(training, nullptr);

  // A file that cannot be read ends the report with an error.
  WriteSet("broken.dat", kTwoFeatures, "1 2 x\n", 2);
  plat.OpenAnswers.push_back("DATA/broken.dat");
  EXPECT_THROW(validation->Run(*wb), FileError);
  EXPECT_FALSE(wb->TestingMode);
  EXPECT_EQ(plat.Dialogs.back().Dialog, "OpenValidationSetDialog");

  plat.OpenAnswers.push_back(std::nullopt);
  validation->Run(*wb);
  EXPECT_FALSE(wb->TestingMode);

  training->Run(*wb);
  EXPECT_FALSE(wb->TestingMode);
  EXPECT_TRUE(fs::exists(Report()));
  EXPECT_EQ(plat.EditorRequests, std::vector<std::string>{Report()});
}

}  // namespace
}  // namespace wl

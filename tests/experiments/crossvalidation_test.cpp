// Crossvalidation: the folds (sizes by rounding, the sizes that would not fit, contiguous folds), the fold
// files, the statistics and "_MSR.txt" worked out by hand, the refusals before any file is written, the
// class balance of a fold's test, and whole 3-fold runs of the variable step search on a small set.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "experiments/crossvalidation.h"
#include "experiments/result_report.h"
#include "experiments/text_report.h"
#include "experiments/experiment_test_env.h"
#include "model/data_file.h"
#include "state/workbench.h"
#include "platform/numfmt.h"
#include "platform/random.h"
#include "shell/command.h"

namespace wl {
namespace {

namespace fs = std::filesystem;
using test::LabelledRow;
using test::Lines;
using test::ReadText;

std::vector<int> FoldSizes(const std::vector<int>& fold, int k) {
  std::vector<int> sizes(static_cast<std::size_t>(k), 0);
  for (int f : fold) {
    EXPECT_TRUE(f >= 0 && f < k) << f;
    if (f >= 0 && f < k) ++sizes[static_cast<std::size_t>(f)];
  }
  return sizes;
}

TEST(Folds, SizesOfRandomAndContiguousFolds) {
  struct Case {
    int n, k;
    bool contiguous;
    std::vector<int> sizes;
  };
  const std::vector<int> tens(10, 10);
  std::vector<int> nineTensAndFifteen(9, 10);
  nineTensAndFifteen.push_back(15);  // Round(10.5) = 10: the last fold takes the rest
  std::vector<int> nineThreesAndEight(9, 3);
  nineThreesAndEight.push_back(8);  // Round(3.5) = 4 would need 36 of 35 vectors
  const Case cases[] = {
      {100, 10, false, tens},
      {105, 10, false, nineTensAndFifteen},
      {35, 10, false, nineThreesAndEight},
      {95, 10, false, {10, 10, 10, 10, 10, 10, 10, 10, 10, 5}},  // Round(9.5) = 10 fits
      {10, 3, true, {3, 4, 3}},
      {105, 10, true, {10, 11, 11, 10, 10, 11, 11, 10, 10, 11}},  // halves to even
  };
  for (const Case& c : cases) {
    RandomGenerator rng;
    rng.Seed = 4711;
    const std::vector<int> fold = AssignFolds(c.n, c.k, c.contiguous, rng);
    ASSERT_EQ(fold.size(), static_cast<std::size_t>(c.n));
    EXPECT_EQ(FoldSizes(fold, c.k), c.sizes) << c.n << " vectors, " << c.k << " folds";
  }
  EXPECT_EQ(RandomFoldSize(35, 10), 3);
  EXPECT_EQ(RandomFoldSize(105, 10), 10);
  EXPECT_EQ(RandomFoldSize(15, 4), 4);
}

TEST(Folds, ContiguousFoldsFollowTheFileOrder) {
  RandomGenerator rng;
  EXPECT_EQ(AssignFolds(10, 3, true, rng), (std::vector<int>{0, 0, 0, 1, 1, 1, 1, 2, 2, 2}));
  EXPECT_EQ(rng.Seed, 0u);  // no draws
}

TEST(Folds, RandomFoldsDependOnTheSeedOnly) {
  RandomGenerator a, b, c;
  a.Seed = b.Seed = 99;
  c.Seed = 100;
  const std::vector<int> fa = AssignFolds(50, 5, false, a), fb = AssignFolds(50, 5, false, b), fc = AssignFolds(50, 5, false, c);
  EXPECT_EQ(fa, fb);
  EXPECT_NE(fa, fc);
  // Drawn, not contiguous.
  RandomGenerator d;
  EXPECT_NE(fa, AssignFolds(50, 5, true, d));
}

TEST(Statistics, DeviationsAreRootsOfTheMeanSquares) {
  const CVStatistics s = ComputeCVStatistics({0.8, 0.6, 1.0, 0.6}, {0.7, 0.9});
  EXPECT_NEAR(s.Mean, 0.75, 1e-15);
  EXPECT_NEAR(s.Within, std::sqrt(0.11 / 4), 1e-15);  // 0.05² + 0.15² + 0.25² + 0.15²
  EXPECT_NEAR(s.Across, std::sqrt(0.02 / 2), 1e-15);  // from the runs' mean 0.8: 0.1² + 0.1²
}

// The deviation across runs is measured from the runs' own mean, not from the mean of the folds: folds of
// unequal size give a run accuracy (every test vector counted once) other than its folds' mean.
TEST(Statistics, TheDeviationAcrossRunsComesFromTheRunsAlone) {
  // Folds of 8, 8, 8 and 6 vectors with 8, 7, 6 and 6 right: the folds' mean is 0.90625, the run's 27/30.
  const std::vector<double> folds = {1.0, 0.875, 0.75, 1.0};
  const double run = 27.0 / 30.0;
  std::vector<double> twice = folds;
  twice.insert(twice.end(), folds.begin(), folds.end());
  struct Case {
    const char* name;
    std::vector<double> folds, runs;
    double across;
  };
  const Case cases[] = {
      {"two identical runs", twice, {run, run}, 0.0},
      {"one run", folds, {run}, 0.0},
      {"one run at the folds' mean", {0.5, 1.0}, {0.75}, 0.0},
      {"three runs", twice, {0.7, 0.8, 0.9}, std::sqrt(0.02 / 3)},
  };
  for (const Case& c : cases) {
    const CVStatistics st = ComputeCVStatistics(c.folds, c.runs);
    EXPECT_NEAR(st.Across, c.across, 1e-15) << c.name;
  }
  // The fold figures stay those of the folds.
  const CVStatistics st = ComputeCVStatistics(twice, {run, run});
  EXPECT_NEAR(st.Mean, 0.90625, 1e-15);
  EXPECT_NEAR(st.Within, std::sqrt((0.09375 * 0.09375 * 2 + 0.03125 * 0.03125 + 0.15625 * 0.15625) / 4), 1e-15);
}

class CrossvalidationTest : public test::ExperimentTest {};

// Two runs that tested alike (folds of 8, 8, 8 and 6 vectors) report no deviation across runs.
TEST_F(CrossvalidationTest, TwoIdenticalRunsDeviateByNothing) {
  wb->CVTruePredT = {14, 14, 0};
  wb->CVTruePredN = {1, 1, 0};
  wb->CVNegPredN = {13, 13, 0};
  wb->CVNegPredT = {2, 2, 0};
  wb->CVCorrect = {0.9, 0.9, 0};
  wb->CVTrainAccuracy = {0.95, 0.95, 0};
  wb->CVFoldAccuracy = {1.0, 0.875, 0.75, 1.0, 1.0, 0.875, 0.75, 1.0};
  wb->CVFoldCount = 8;
  const std::string text = MSRText(*wb, 2, 4);
  EXPECT_NE(text.find("average values in 2 runs of 4-fold cv\ntraining= 95.0000%\ntest= 90.0000%\n"
                      "stdddev_within_cv=10.3645%\nstdddev_accross_cv=0.0000%\n"),
            std::string::npos)
      << text;
}

// Two runs of two folds, every number chosen by hand.
TEST_F(CrossvalidationTest, TheSummaryOfTwoRuns) {
  wb->CVTruePredT = {3, 4, 0};
  wb->CVTruePredN = {1, 0, 0};
  wb->CVNegPredN = {4, 4, 0};
  wb->CVNegPredT = {2, 2, 0};
  wb->CVCorrect = {0.7, 0.8, 0};
  wb->CVTrainAccuracy = {0.9, 0.95, 0};
  wb->CVFoldAccuracy = {0.8, 0.6, 1.0, 0.6};
  wb->CVFoldCount = 4;
  const std::string expected =
      "cv_run= 1\ntraining= 90.0000%\ntest= 70.0000%\nSensibility: 75.0000%\nSpecificity: 66.6667%\n"
      "t/pt=3.0000  t/pn=1.0000\nn/pt=2.0000  n/pn=4.0000\n\n"
      "cv_run= 2\ntraining= 95.0000%\ntest= 80.0000%\nSensibility: 100.0000%\nSpecificity: 66.6667%\n"
      "t/pt=4.0000  t/pn=0.0000\nn/pt=2.0000  n/pn=4.0000\n\n"
      "average values in 2 runs of 2-fold cv\ntraining= 92.5000%\ntest= 75.0000%\n"
      "stdddev_within_cv=16.5831%\nstdddev_accross_cv=5.0000%\n"
      "Sensibility: 87.5000%\nSpecificity: 66.6667%\nt/pt=3.5000  t/pn=0.5000\nn/pt=2.0000  n/pn=4.0000\n";
  EXPECT_EQ(MSRText(*wb, 2, 2), expected);
  // Entry R holds the averages afterwards.
  EXPECT_NEAR(wb->CVCorrect[2], 0.75, 1e-15);
  EXPECT_NEAR(wb->CVTruePredT[2], 3.5, 1e-15);
}

TEST_F(CrossvalidationTest, NoClassZeroTestedLeavesOutTheSensibility) {
  wb->CVTruePredT = {0, 0};
  wb->CVTruePredN = {0, 0};
  wb->CVNegPredN = {3, 0};
  wb->CVNegPredT = {1, 0};
  wb->CVCorrect = {0.75, 0};
  wb->CVTrainAccuracy = {1.0, 0};
  wb->CVFoldAccuracy = {1.0, 0.5};
  wb->CVFoldCount = 2;
  const std::string text = MSRText(*wb, 1, 2);
  EXPECT_EQ(text.find("Sensibility: "), std::string::npos);
  EXPECT_NE(text.find("Specificity: 75.0000%"), std::string::npos);
}

TEST_F(CrossvalidationTest, FoldFilesSplitTheVectorsAndCountThem) {
  const std::string source = (dir / "DATA" / "six.dat").string();
  std::ofstream(source, std::ios::binary) << "# six vectors\r\n"
                                             "Number of features = 3\r\n"
                                             "NUMBER OF VECTORS = 6\r\n"
                                             "Class Column No = 3\r\n"
                                             "Feature[1] = a  continuous\r\nFeature[2] = b  continuous\r\n"
                                             "Feature[3] = Class  discrete  2  1  2\r\n"
                                             "[Data]\r\n"
                                             "1 1 1\r\n2 2 1\r\n\r\n3 3 2\r\n4 4 2\r\n5 5 1\r\n6 6 2\r\n"
                                             "7 7 1\r\n";  // beyond the vectors: not copied
  const std::vector<int> fold = {1, 0, 1, 1, 0, 0};
  const std::string trn = (dir / "trn.dat").string(), tst = (dir / "tst.dat").string();
  WriteFoldFiles(source, 6, fold, 1, trn, tst);
  const std::string header = "# six vectors\nNumber of features = 3\n";
  const std::string rest = "Class Column No = 3\nFeature[1] = a  continuous\nFeature[2] = b  continuous\n"
                           "Feature[3] = Class  discrete  2  1  2\n[Data]\n";
  EXPECT_EQ(ReadText(tst), header + "Number of Vectors = 3\n" + rest + "1 1 1\n3 3 2\n4 4 2\n");
  EXPECT_EQ(ReadText(trn), header + "Number of Vectors = 3\n" + rest + "2 2 1\n5 5 1\n6 6 2\n");

  // Both read back as data sets of their own counts.
  ReadDataFile(*wb, tst);
  EXPECT_EQ(wb->NumOfVectors, 3);
  EXPECT_EQ(wb->VectorClass, (std::vector<int>{0, 1, 1}));

  EXPECT_THROW(WriteFoldFiles(source, 9, std::vector<int>(9, 0), 0, trn, tst), FileError);  // fewer rows than vectors
}

TEST_F(CrossvalidationTest, ImpossibleExperimentsAreRefusedBeforeAnyFileIsWritten) {
  std::vector<LabelledRow> twenty;
  for (int i = 0; i < 20; ++i) twenty.push_back({i * 0.1, -i * 0.1, 1 + i % 2});
  WriteDataSet("twenty.dat", twenty);
  struct Case {
    const char* what;
    const char *runs, *folds, *leftOut, *members;
    bool lxo;
    std::string message;
  };
  const std::string folds = "Crossvalidation of 20 vectors needs from 2 to 10 folds; ";
  const Case cases[] = {
      {"one fold", "1", "1", "1", "1", false, folds + "1 folds were asked for."},
      {"more folds than half the vectors", "1", "11", "1", "1", false, folds + "11 folds were asked for."},
      {"leave one out of 20", "1", "10", "1", "1", true, folds + "20 folds were asked for."},
      {"nothing left out", "1", "10", "0", "1", true,
       "The number of vectors left out per fold (Left out) must be above 0."},
      {"no runs", "0", "10", "1", "1", false, "The number of crossvalidation runs (CV runs) must be at least 1."},
      {"no committee", "1", "10", "1", "0", false, "The committee size (Committee) must be at least 1."},
  };
  for (const Case& c : cases) {
    TForm1& f = wb->Form1;
    f.NumCVEdit.SetText(c.runs);
    f.CVEdit.SetText(c.folds);
    f.LxoEdit.SetText(c.leftOut);
    f.CommEdit.SetText(c.members);
    (c.lxo ? f.LxoButton : f.CVButton).SetChecked(true);
    plat.Messages.clear();
    plat.OpenAnswers.push_back("DATA/twenty.dat");
    RunCrossvalidation(*wb, 3);
    ASSERT_EQ(plat.Messages.size(), 1u) << c.what;
    EXPECT_EQ(plat.Messages[0].Text, c.message) << c.what;
    EXPECT_TRUE(fs::is_empty(dir / "results")) << c.what;
    EXPECT_FALSE(wb->InCrossvalidation);
  }
}

TEST_F(CrossvalidationTest, InvalidParametersAreRefusedBeforeAnyFileIsWritten) {
  WriteDataSet("twelve.dat", test::TwelveVectors());
  wb->Form1.CVEdit.SetText("3");
  wb->Form1.InitEdit.SetText("-1");
  plat.OpenAnswers.push_back("DATA/twelve.dat");
  RunCrossvalidation(*wb, 3);
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_NE(plat.Messages[0].Text.find(" must be a Number from "), std::string::npos) << plat.Messages[0].Text;
  EXPECT_TRUE(fs::is_empty(dir / "results"));
  EXPECT_TRUE(wb->Net.empty());
}

// "VSS+SMLP" with the class "all" (it makes the network of one class) is refused before the dialog, and so
// is a method that does not exist; "Join W" refuses nothing.
TEST_F(CrossvalidationTest, MethodsThatCannotRunAreRefusedBeforeTheDialog) {
  wb->Form1.CurrentClassBox.SetItemIndex(0);
  const std::pair<std::uint8_t, const char*> cases[] = {
      {4, "\"VSS+SMLP\" turns the perceptron into the network of one class: choose a class (not \"all\") in "
          "\"Class\"."},
      {5, "There is no crossvalidation method 5."},
  };
  for (const auto& [method, message] : cases) {
    plat.Messages.clear();
    RunCrossvalidation(*wb, method);
    ASSERT_EQ(plat.Messages.size(), 1u);
    EXPECT_EQ(plat.Messages[0].Text, message);
  }
  wb->Form1.CurrentClassBox.SetItemIndex(1);
  EXPECT_EQ(CrossvalidationRefusal(*wb, 4), "");
  wb->Form1.JoinWBox.SetChecked(true);
  EXPECT_EQ(CrossvalidationRefusal(*wb, 3), "");
  EXPECT_EQ(CrossvalidationRefusal(*wb, 1), "");
  EXPECT_TRUE(plat.Dialogs.empty());
}

// A test set is weighed by its own classes: the network names class 0 for every vector; the test set has
// three vectors of class 0 and one of class 1, so the class-balanced accuracy is (1 + 0) / 2, whatever
// the classes of the training set were.
TEST_F(CrossvalidationTest, AFoldsTestWeighsItsVectorsByItsOwnClasses) {
  wb->Form1.NormCheck.SetChecked(false);
  ReadDataFile(*wb, WriteDataSet("train.dat", {{1, -1, 1}, {-1, 1, 2}, {-1, 1, 2}, {-1, 1, 2}}));
  wb->ResultsPrefix = Results("train_1");
  wb->NumOfLayers = 2;
  wb->Layers = {2, 2};
  wb->LayerInputs = {2, 2, 0, 0};
  wb->Net.assign(2, {});
  wb->Net[0].assign(2, TNeuron{});
  for (TNeuron& n : wb->Net[0]) n.Weights = {1.0};
  wb->Net[1].assign(2, TNeuron{});
  wb->Net[1][0].Weights = {0.0, 0.0, -5.0};
  wb->Net[1][1].Weights = {0.0, 0.0, 5.0};
  wb->NumOfWeights = 6;
  wb->LinearInputs = true;
  wb->Slope = wb->Stretch = 1.0;
  wb->ErrorExponent = 2.0;
  wb->NumOfParts = 1;

  const std::string test = WriteDataSet("test.dat", {{1, -1, 1}, {1, -1, 1}, {1, -1, 1}, {1, -1, 2}});
  fs::create_directories(dir / "results");
  OpenResultsFile(*wb, Results("train_1_RE.txt"), false);
  {
    FlagGuard<bool> cv(wb->InCrossvalidation, true);
    wb->CVIndex = 0;
    wb->CVTruePredT.assign(2, 0.0);
    wb->CVTruePredN.assign(2, 0.0);
    wb->CVNegPredN.assign(2, 0.0);
    wb->CVNegPredT.assign(2, 0.0);
    wb->CVCorrect.assign(2, 0.0);
    wb->CVWeightedCorrect.assign(2, 0.0);
    TestOnFile(*wb, test, 3);
  }
  CloseResultsFile(*wb);
  EXPECT_FALSE(wb->TestingMode);
  EXPECT_NEAR(wb->TestSuccessRate, 0.75, 1e-15);
  const std::string report = ReadText(Results("train_1_RE.txt"));
  EXPECT_NE(report.find("standard accuracy: 0.75000\n"), std::string::npos) << report;
  EXPECT_NE(report.find("normalized accuracy: 0.50000\n"), std::string::npos) << report;
  // The error function's counters of the test: three of class 0 right, one of class 1 wrong.
  EXPECT_EQ(wb->CVTruePredT[0], 3);
  EXPECT_EQ(wb->CVNegPredT[0], 1);
  EXPECT_EQ(wb->CVWeightedCorrect[0], 2.0);  // the undivided sum: three vectors of weight 2/3
}

// A whole experiment: one run of three folds of the variable step search on twelve vectors.
TEST_F(CrossvalidationTest, ThreeFoldsOfTheVariableStepSearch) {
  const std::string data = WriteDataSet("twelve.dat", test::TwelveVectors());
  wb->Form1.CVEdit.SetText("3");
  plat.OpenAnswers.push_back("DATA/twelve.dat");
  ASSERT_TRUE(RunCommand(*wb, [&] { RunCrossvalidation(*wb, 3); }));
  EXPECT_TRUE(plat.Messages.empty()) << plat.Messages[0].Text;
  EXPECT_FALSE(wb->InCrossvalidation || wb->TestingMode || wb->CommitteeVoting);
  EXPECT_EQ(wb->Form1.NTButton.Caption(), "i= 1");

  // The fold files: four vectors tested in each, every vector in exactly one test file.
  std::vector<std::string> tested;
  for (int f = 0; f < 3; ++f) {
    const std::vector<std::string> tst = ResultLines("twelve_86410_tst" + IntToStr(f) + ".dat");
    const std::vector<std::string> trn = ResultLines("twelve_86410_trn" + IntToStr(f) + ".dat");
    EXPECT_EQ(tst[1], "Number of Vectors = 4");
    EXPECT_EQ(trn[1], "Number of Vectors = 8");
    const auto data = std::find(tst.begin(), tst.end(), "[DATA]");
    ASSERT_NE(data, tst.end());
    tested.insert(tested.end(), data + 1, tst.end());
  }
  std::vector<std::string> rows(Lines(ReadText(data)));
  rows.erase(rows.begin(), std::find(rows.begin(), rows.end(), "[DATA]") + 1);
  std::sort(tested.begin(), tested.end());
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(tested, rows);

  // "_RE.txt": the data set's name, then the three tests' reports.
  const std::string re = ReadText(Results("twelve_86410_RE.txt"));
  EXPECT_EQ(Lines(re)[0], data);
  std::size_t reports = 0;
  for (std::size_t at = re.find(" (- crossvalidation)"); at != std::string::npos; at = re.find(" (- crossvalidation)", at + 1))
    ++reports;
  EXPECT_EQ(reports, 3u);

  // "_CV.txt": one line per fold and their means.
  const std::vector<std::string> cv = ResultLines("twelve_86410_CV.txt");
  ASSERT_EQ(cv.size(), 5u);
  double training = 0, test = 0;
  for (int f = 0; f < 3; ++f) {
    ASSERT_EQ(cv[f].substr(0, 10), "training= ") << cv[f];
    ASSERT_EQ(cv[f].substr(17, 12), "      test= ") << cv[f];
    training += std::stod(cv[f].substr(10, 7)) / 3;
    test += std::stod(cv[f].substr(29)) / 3;
    EXPECT_NEAR(wb->CVFoldAccuracy[f], std::stod(cv[f].substr(29)), 5e-6);
  }
  EXPECT_EQ(cv[3], "");
  EXPECT_EQ(cv[4], "TRAINING= " + FormatFixed(training, 5) + "      TEST= " + FormatFixed(test, 5));

  // "_MSR.txt": the run's test accuracy counts every vector once; folds of equal size make it the mean of
  // the folds, so the deviation across runs is 0.
  const std::vector<std::string> msr = ResultLines("twelve_86410_MSR.txt");
  ASSERT_GE(msr.size(), 16u);
  EXPECT_EQ(msr[0], "cv_run= 1");
  EXPECT_EQ(msr[2], "test= " + FormatFixed(100 * test, 4) + "%");
  EXPECT_EQ(msr[3].substr(0, 13), "Sensibility: ");
  EXPECT_EQ(msr[4].substr(0, 13), "Specificity: ");
  EXPECT_EQ(msr[8], "average values in 1 runs of 3-fold cv");
  const CVStatistics st = ComputeCVStatistics({wb->CVFoldAccuracy[0], wb->CVFoldAccuracy[1], wb->CVFoldAccuracy[2]}, {test});
  EXPECT_EQ(msr[11], "stdddev_within_cv=" + FormatFixed(100 * st.Within, 4) + "%");
  EXPECT_EQ(msr[12], "stdddev_accross_cv=0.0000%");
  EXPECT_EQ(wb->CVTruePredT[0] + wb->CVTruePredN[0] + wb->CVNegPredN[0] + wb->CVNegPredT[0], 12.0);
  ASSERT_EQ(wb->CVWeightedCorrect.size(), 2u);

  EXPECT_TRUE(fs::exists(Results("twelve_86410_param.txt")));
  EXPECT_FALSE(fs::exists(Results("twelve_86410_comm.txt")));
  EXPECT_FALSE(fs::exists(Results("twelve_86410_InitWeights.txt")));  // no weights files during crossvalidation
  EXPECT_EQ(Shown(), (std::vector<std::string>{"twelve_86410_CV.txt", "twelve_86410_MSR.txt"}));
}

TEST_F(CrossvalidationTest, TwoRunsWithACommitteeOfTwo) {
  WriteDataSet("twelve.dat", test::TwelveVectors());
  wb->Form1.CVEdit.SetText("3");
  wb->Form1.NumCVEdit.SetText("2");
  wb->Form1.CommEdit.SetText("2");
  plat.OpenAnswers.push_back("DATA/twelve.dat");
  ASSERT_TRUE(RunCommand(*wb, [&] { RunCrossvalidation(*wb, 3); }));
  EXPECT_TRUE(plat.Messages.empty());
  EXPECT_EQ(wb->Form1.NTButton.Caption(), "i= 2");
  EXPECT_EQ(wb->CVFoldCount, 6);
  // Only the summary is shown when there are several runs.
  EXPECT_EQ(Shown(), (std::vector<std::string>{"twelve_86410_MSR.txt"}));

  // "_comm.txt" of the last run: per fold four vectors of two answers, then the fold's marker.
  const std::vector<std::string> comm = ResultLines("twelve_86410_comm.txt");
  ASSERT_EQ(comm.size(), 15u);
  for (int f = 0; f < 3; ++f) {
    int correct = 0;
    for (int i = 0; i < 4; ++i) {
      const std::string& line = comm[static_cast<std::size_t>(f * 5 + i)];
      int a = 0, b = 0, truth = 0;
      ASSERT_EQ(std::sscanf(line.c_str(), "%d %d   %d", &a, &b, &truth), 3) << line;
      // Two members: the lower class wins a tie.
      const int vote = a == b ? a : std::min(a, b) >= 0 ? std::min(a, b) : std::max(a, b);
      if (vote == truth) ++correct;
    }
    EXPECT_EQ(comm[static_cast<std::size_t>(f * 5 + 4)], "*********** " + IntToStr(f) + " ***********");
    EXPECT_NEAR(wb->CVFoldAccuracy[static_cast<std::size_t>(3 + f)], correct / 4.0, 1e-15) << f;
  }
  const std::string msr = ReadText(Results("twelve_86410_MSR.txt"));
  EXPECT_NE(msr.find("cv_run= 2\n"), std::string::npos);
  EXPECT_NE(msr.find("average values in 2 runs of 3-fold cv\n"), std::string::npos);
}

// "_MSR.txt" of a committee describes the same experiment as "_CV.txt": its run figures are the votes'
// (every test vector counted once), and the members' mean test accuracy stands beside them, labelled.
TEST_F(CrossvalidationTest, TheSummaryOfACommitteeIsTheCommittees) {
  struct Case {
    const char* members;
    const char* runs;
  };
  for (const Case& c : {Case{"2", "1"}, Case{"3", "1"}, Case{"3", "2"}, Case{"1", "2"}}) {
    SCOPED_TRACE(std::string("committee of ") + c.members + ", " + c.runs + " runs");
    SetUp();
    WriteDataSet("twelve.dat", test::TwelveVectors());
    wb->Form1.CVEdit.SetText("3");
    wb->Form1.NumCVEdit.SetText(c.runs);
    wb->Form1.CommEdit.SetText(c.members);
    plat.OpenAnswers.push_back("DATA/twelve.dat");
    ASSERT_TRUE(RunCommand(*wb, [&] { RunCrossvalidation(*wb, 3); }));
    ASSERT_TRUE(plat.Messages.empty()) << plat.Messages[0].Text;
    const int runs = std::stoi(c.runs);
    const bool committee = std::stoi(c.members) > 1;
    const std::vector<std::string> msr = ResultLines("twelve_86410_MSR.txt");
    double mean = 0.0;
    for (int r = 0; r < runs; ++r) {
      const auto i = static_cast<std::size_t>(r);
      EXPECT_EQ(wb->CVTruePredT[i] + wb->CVTruePredN[i] + wb->CVNegPredN[i] + wb->CVNegPredT[i], 12.0) << r;
      // Folds of equal size: the run's test accuracy is the mean of its folds' (the votes').
      double folds = 0.0;
      for (int f = 0; f < 3; ++f) folds += wb->CVFoldAccuracy[static_cast<std::size_t>(3 * r + f)] / 3;
      mean += folds / runs;
      const auto block = std::find(msr.begin(), msr.end(), "cv_run= " + IntToStr(r + 1));
      ASSERT_NE(block, msr.end());
      EXPECT_EQ(*(block + 2), "test= " + FormatFixed(100 * folds, 4) + "%");
      if (committee) {
        EXPECT_EQ((block + 3)->substr(0, 15), "members' test= ");
      } else {
        EXPECT_EQ(std::count_if(msr.begin(), msr.end(), [](const std::string& l) { return l.rfind("members'", 0) == 0; }), 0);
      }
    }
    const auto average = std::find(msr.begin(), msr.end(), "average values in " + std::string(c.runs) + " runs of 3-fold cv");
    ASSERT_NE(average, msr.end());
    EXPECT_EQ(*(average + 2), "test= " + FormatFixed(100 * mean, 4) + "%");
    if (committee) {
      EXPECT_EQ((average + 3)->substr(0, 15), "members' test= ");
    }
    if (runs == 1) {
      // The same figure as the last line of "_CV.txt".
      const std::vector<std::string> cv = ResultLines("twelve_86410_CV.txt");
      EXPECT_EQ(cv.back().substr(cv.back().find("TEST= ") + 6), FormatFixed(mean, 5));
    }
  }
}

TEST_F(CrossvalidationTest, ContiguousLeaveTwoOut) {
  WriteDataSet("twelve.dat", test::TwelveVectors());
  wb->Form1.LxoButton.SetChecked(true);
  wb->Form1.LxoEdit.SetText("2");  // Round(12 / 2) = 6 folds
  wb->Form1.NoRandomBox.SetChecked(true);
  plat.OpenAnswers.push_back("DATA/twelve.dat");
  ASSERT_TRUE(RunCommand(*wb, [&] { RunCrossvalidation(*wb, 3); }));
  EXPECT_TRUE(plat.Messages.empty());
  EXPECT_EQ(ResultLines("twelve_86410_CV.txt").size(), 8u);
  // Fold 1 tests the third and fourth vectors of the file.
  const std::vector<std::string> tst = ResultLines("twelve_86410_tst1.dat");
  ASSERT_GE(tst.size(), 2u);
  EXPECT_EQ(tst[tst.size() - 2], "0.8  0.9  1");
  EXPECT_EQ(tst.back(), "2  0.1  1");
}

}  // namespace
}  // namespace wl

// "New Training": the time estimate and its texts as tables of cases, the long-operation question's
// threshold, the automatic surface quality, and the pipeline on iris: its progress trace, where it stops
// (optimal signal table, a method not built, a cancelled dialog, an unreadable set, a network that
// cannot be built, No to the question, Cancel in the Matlab hand-over), the rerun from the same start
// weights and training from loaded weights.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "experiments/new_training.h"
#include "model/read_parameters.h"
#include "model/weights_file.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/scripted_platform.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

TEST(TotalTimeText, SecondsMinutesAndHours) {
  const std::pair<std::int64_t, const char*> cases[] = {
      {1, "1s"},         {119, "119s"},        {120, "2min 0s"},   {599, "9min 59s"},
      {600, "10min"},    {3599, "59min"},      {3600, "1h 0m"},
      {5490, "1h 32m"},  // 91.5 minutes: halves to even
      {5430, "1h 30m"},  // 90.5 minutes
      {43052, "11h 58m"},
  };
  for (const auto& [n, text] : cases) EXPECT_EQ(TotalTimeText(n), text) << n;
}

TEST(RoundUpForDisplay, TenthsBelowFourWholeSecondsAbove) {
  const std::pair<double, double> cases[] = {{0.0, 0.0}, {0.01, 0.1}, {0.11, 0.2}, {3.91, 4.0}, {4.0, 4.0}, {4.2, 5.0}, {119.01, 120.0}};
  for (const auto& [x, shown] : cases) EXPECT_NEAR(RoundUpForDisplay(x), shown, 1e-12) << x;
}

// The estimate by method: the terms as the labels show them and the total, worked out by hand.
TEST(EstimateTimes, TermsAndTotalByMethod) {
  struct Case {
    const char* what;
    EstimateInputs in;
    double training, svd, plot;
    std::int64_t total;
    const char* text;
  };
  auto in = [](TrainingMethod m, int w, int v, int e, int parts) {
    EstimateInputs x;
    x.Method = m;
    x.Weights = w;
    x.Vectors = v;
    x.Epochs = e;
    x.Parts = parts;
    x.PlotLines = 25;
    x.Quality = 2;
    return x;
  };
  std::vector<Case> cases;
  // iris, 4 hidden neurons: T = 1.64 * 63000 * 5e-6 = 0.5166, S = 0.175^3, D = 105000 / 31400 / 4.
  cases.push_back({"VSS on iris", in(TrainingMethod::VSS, 35, 150, 12, 1), 0.6, 0.1, 0.9, 2, "2s"});
  {
    // The numerical gradient from what its epochs evaluate. Breast cancer, 4 hidden neurons, 4000 epochs of
    // "NG sections" with the signal table, on a computer of speed 23800: per epoch 1 + 2 + 177.077 + 2 full
    // passes of 569 * (1.5e-9 * 134 + 3.5e-7) = 3.13519e-4 s and 134 trials of 569 * 2.5e-8 * 3 s:
    // 251.212 s at speed 2000, 21.110 s at 23800 (the run takes about 29 s there).
    // S = 0.67^3 * 2000 / 23800 = 0.0253; D = 0.8 * 569 * 134 * 25 / 35360 / 8 * 2000 / 23800 = 0.4530.
    EstimateInputs x = in(TrainingMethod::NG, 134, 569, 4000, 1);
    x.Outputs = 2;
    x.NGStep = NGStepRule::Sections;
    x.NGGridPoints = 177.077;
    x.NGSignalTable = true;
    x.Quality = 3;
    x.ComputerSpeed = 23800.0;
    cases.push_back({"NG sections with the signal table, breast cancer", x, 22.0, 0.1, 0.5, 23, "23s"});
    // Iris, 12 epochs of the standard step by full passes: 1 + 2 + 70 + 1 passes of 150 * (1.5e-9 * 35 +
    // 3.5e-7) = 6.0375e-5 s: 0.0536 s.
    x = in(TrainingMethod::NG, 35, 150, 12, 1);
    x.Outputs = 3;
    x.NGStep = NGStepRule::Standard;
    cases.push_back({"NG standard by full passes, iris", x, 0.1, 0.1, 0.9, 2, "2s"});
    // 662 weights, 1000 epochs of DH1 (83 trials) through the table, in 2 parts: 3 full passes and 85
    // passes of the DH1 error (two full passes each) of 569 * (1.5e-9 * 662 + 3.5e-7) = 7.6417e-4 s, and
    // 662 trials of 569 * 2.5e-8 * 3 s: (173 * 7.6417e-4 + 0.028255) * 1000 / 2 = 80.23 s; S = 3.31^3.
    x = in(TrainingMethod::NG, 662, 569, 1000, 2);
    x.Outputs = 2;
    x.NGStep = NGStepRule::DH1;
    x.NGDH1Trials = 83;
    x.NGSignalTable = true;
    x.PlotLines = 0;
    cases.push_back({"NG DH1 with the signal table in 2 parts", x, 81.0, 37.0, 0.0, 117, "117s"});
  }
  {
    // T = 1000 * 5e-6 * 200^2 * 100 / 2 = 10000, S = 1, D = 4e6 / 38000 = 105.26; a computer twice as
    // fast halves them: 5000 + 0.5 + 52.63 + 1 = 5054 s = 84.2 min.
    EstimateInputs x = in(TrainingMethod::S2D, 200, 1000, 100, 2);
    x.Quality = 0;
    x.ComputerSpeed = 4000.0;
    cases.push_back({"S2-D on a faster computer", x, 5000.0, 0.5, 53.0, 5054, "1h 24m"});
  }
  {
    // BP ignores the parts: 150*35*1000 / 1e7 = 0.525; the Matlab PCA: 0.04 * 0.00536 + 2.
    EstimateInputs x = in(TrainingMethod::BP, 35, 150, 1000, 4);
    x.MatlabPCA = true;
    x.PlotLines = 0;
    cases.push_back({"BP with the PCA in Matlab", x, 0.6, 2.1, 0.0, 4, "4s"});
  }
  {
    // 120 weights with the signal table: halved twice; 1.98 * 120000 * 5e-6 = 1.188 -> 0.297.
    EstimateInputs x = in(TrainingMethod::S1R, 120, 100, 10, 1);
    x.SignalTable = true;
    x.PlotLines = 16;
    x.Quality = 3;
    cases.push_back({"S1-R with the signal table", x, 0.3, 0.3, 0.6, 2, "2s"});
    // With weight sections the signal table does not count.
    x.WeightSection = true;
    cases.push_back({"S1-R with weight sections", x, 1.2, 0.3, 0.6, 3, "3s"});
  }
  for (const Case& c : cases) {
    const TimeEstimate t = EstimateTimes(c.in);
    EXPECT_NEAR(t.Training, c.training, 1e-9) << c.what;
    EXPECT_NEAR(t.SVD, c.svd, 1e-9) << c.what;
    EXPECT_NEAR(t.Plot, c.plot, 1e-9) << c.what;
    EXPECT_EQ(t.TotalSeconds, c.total) << c.what;
    EXPECT_EQ(t.TotalText, c.text) << c.what;
  }
}

// The evaluations of a numerical-gradient epoch, by the direction's rule and the step's, for 10 weights.
TEST(EstimateTimes, WhatANumericalGradientEpochEvaluates) {
  struct Case {
    const char* what;
    NGStepRule step;
    bool table, central;
    double full, rule, trials;
  };
  const Case cases[] = {
      // reference error + error before and after the probing + the grid of 50 points and its two passes
      {"sections, table", NGStepRule::Sections, true, false, 1 + 2 + 52, 0, 10},
      {"sections, full passes", NGStepRule::Sections, false, false, 1 + 2 + 20 + 52, 0, 0},
      {"DH1, table", NGStepRule::DH1, true, false, 3, 83 + 2, 10},
      {"standard, full passes", NGStepRule::Standard, false, false, 1 + 2 + 20 + 1, 0, 0},
      // the second-derivative rule tries both sides of every weight, after one pass
      {"central, table", NGStepRule::Standard, true, true, 1 + 1 + 1, 0, 20},
      {"central, full passes", NGStepRule::Standard, false, true, 1 + 1 + 20 + 1, 0, 0},
  };
  for (const Case& c : cases) {
    EstimateInputs in;
    in.Method = TrainingMethod::NG;
    in.Weights = 10;
    in.NGStep = c.step;
    in.NGGridPoints = 50;
    in.NGDH1Trials = 83;
    in.NGSignalTable = c.table;
    in.NGCentral = c.central;
    const NGEpochWork w = NGEpochWorkOf(in);
    EXPECT_DOUBLE_EQ(w.FullPasses, c.full) << c.what;
    EXPECT_DOUBLE_EQ(w.RulePasses, c.rule) << c.what;
    EXPECT_DOUBLE_EQ(w.TableTrials, c.trials) << c.what;
  }
  // The trials of DH1: from 0.1 times the factor until a trial past 1.05 (81 of them for 1.03, 5 for 2),
  // below 100 only (one for 1000), at most 100; and the two round the last.
  const std::pair<double, int> dh1[] = {{1.03, 83}, {2.0, 7}, {1000.0, 3}, {1.0, 102}, {0.5, 102}, {1.001, 102}};
  for (const auto& [factor, trials] : dh1) EXPECT_EQ(DH1TrialsFor(factor), trials) << factor;
}

TEST(LongOperationQuestion, AskedWhenTheShownTermsPlusOneSecondPassTheLimit) {
  struct Case {
    double training, svd, plot, limit;
    bool due;
  };
  const Case cases[] = {
      {118.0, 0.5, 0.5, 2, false},  // exactly 120 s: not above 2 minutes
      {118.0, 0.6, 0.5, 2, true},
      {59.0, 0.0, 0.0, 1, false},
      {59.0, 0.0, 0.1, 1, true},
      {99999.0, 0.0, 0.0, 0, false},  // 0 switches the warning off
  };
  for (const Case& c : cases) {
    TimeEstimate t;
    t.Training = c.training;
    t.SVD = c.svd;
    t.Plot = c.plot;
    EXPECT_EQ(LongOperationQuestionDue(t, c.limit), c.due) << c.training << " " << c.svd << " " << c.plot << " " << c.limit;
  }
}

TEST(SurfaceQuality, ByTheSizeOfTheDataSet) {
  const std::pair<std::int64_t, int> cases[] = {{600, 0}, {2500, 0}, {2501, 1}, {6250, 1}, {6251, 2}, {16000, 2}, {16001, 3}};
  for (const auto& [n, item] : cases) EXPECT_EQ(SurfaceQualityFor(n), item) << n;
}

class NewTrainingTest : public ::testing::Test {
 protected:
  NewTrainingTest() {
    fs::create_directories(dir / "DATA");
    for (const char* set : {"iris.dat", "xor.dat"}) fs::copy_file(fs::path(WL_SOURCE_DIR) / "DATA" / set, dir / "DATA" / set);
    plat.ProgramDir = dir.string();
    plat.ClockMs = 10000;
    plat.ClockDay = 2;  // second 86410 of the year
    wb = std::make_unique<Workbench>(plat, dir.string());
    wb->CPUCHECKED = 2000.0;
    wb->Rng.Seed = 12345;
    wb->Form1.NoGTPBox.SetChecked(true);
    wb->OnTopForm.AddListener([this](const ControlNotice&) { trace.push_back(std::stoi(wb->ProgressStage)); });
  }
  ~NewTrainingTest() override { wb.reset(); }  // before the trace its listener writes to

  // The parameters read as the "New Training" button reads them, then the pipeline.
  void Run() {
    ASSERT_FALSE(ReadParameters(*wb, 1));
    trace.clear();
    NewTraining(*wb);
  }
  void Answer(const char* dataSet = "DATA/iris.dat") { plat.OpenAnswers.push_back(dataSet); }

  // True when `steps` appear in the trace in this order (other steps may stand between them).
  bool Traced(const std::vector<int>& steps) const {
    auto it = trace.begin();
    for (int s : steps) {
      it = std::find(it, trace.end(), s);
      if (it == trace.end()) return false;
      ++it;
    }
    return true;
  }
  bool TracedAny(int step) const { return std::find(trace.begin(), trace.end(), step) != trace.end(); }

  std::vector<double> Weights() const {
    std::vector<double> all;
    for (std::size_t l = 1; l < wb->Net.size(); ++l)
      for (const TNeuron& n : wb->Net[l]) all.insert(all.end(), n.Weights.begin(), n.Weights.end());
    return all;
  }
  std::string Results(const std::string& name) const { return (dir / "results" / name).string(); }

  test::TempProgramDir temp{"wl_newtraining_"};
  fs::path dir = temp.Path();
  ScriptedPlatform plat;
  std::unique_ptr<Workbench> wb;
  std::vector<int> trace;
};

TEST_F(NewTrainingTest, TheWholeRunOnIris) {
  Answer();
  Run();
  EXPECT_TRUE(plat.Messages.empty());
  EXPECT_TRUE(plat.Questions.empty());
  EXPECT_TRUE(Traced({7, 10, 11, 13, 27, 28, 56}));
  EXPECT_FALSE(TracedAny(8) || TracedAny(17) || TracedAny(29));
  EXPECT_EQ(wb->ProgressStage, "56");
  EXPECT_EQ(wb->Form1.Label55.Caption(), "NumOfWeights: 35    NumOfVectors: 150");
  EXPECT_NEAR(wb->EstTrainingTime, 0.6, 1e-12);
  EXPECT_NEAR(wb->EstSVDTime, 0.1, 1e-12);
  EXPECT_NEAR(wb->EstPlotTime, 0.9, 1e-12);
  EXPECT_EQ(wb->Form1.TrainingEdit.Text(), "0.00s");
  EXPECT_EQ(wb->ElapsedTime, 0);
  EXPECT_EQ(wb->EpochHistory.size(), 13u);
  EXPECT_TRUE(fs::exists(Results("iris_86410_InitWeights.txt")));

  double sum = 0.0;
  for (double w : Weights()) sum += w * w;
  EXPECT_NEAR(wb->WeightNorm, std::sqrt(sum), 1e-9);
  EXPECT_EQ(wb->Form1.modWEdit.Text(), FormatFixed(std::sqrt(sum), 2));
}

TEST_F(NewTrainingTest, TheLabelsShowTheEstimateUntilTheNetworkIsBuiltForTraining) {
  // No to the question keeps the estimate in the labels; iris with 999999 epochs: 43050 s of training.
  wb->Form1.EpochEditT2.SetText("999999");
  Answer();
  plat.QuestionAnswers.push_back(Answer::No);
  Run();
  ASSERT_EQ(plat.Questions.size(), 1u);
  EXPECT_EQ(plat.Questions[0].Caption, "Warning: Possible Long Operation");
  EXPECT_EQ(plat.Questions[0].Text, "Estimated Total Time: 11h 58m Continue?");
  EXPECT_EQ(wb->Form1.Label56.Caption(),
            "ESTIMATED TIMES:    Training: 43050s     SVD: 0.1s     Drawing Plot: 0.9s     Total Time: 11h 58m");
  EXPECT_EQ(trace.back(), 17);
  // The data set and the network stay; nothing was trained.
  EXPECT_EQ(wb->Layers, (std::vector<int>{4, 4, 3}));
  EXPECT_TRUE(wb->EpochHistory.empty());
  EXPECT_EQ(wb->Form1.TrainingEdit.Text(), "  ");
  EXPECT_EQ(wb->Form1.modWEdit.Text(), "");
  EXPECT_FALSE(fs::exists(Results("iris_86410_InitWeights.txt")));
}

TEST_F(NewTrainingTest, YesToTheQuestionTrains) {
  // 803 weights: the PCA term alone is over a minute (no epochs, so the run itself is short).
  wb->Form1.EpochEditT2.SetText("0");
  wb->Form1.WLEdit.SetText("1");
  wb->Form1.HiddenEditT2.SetText("100");
  Answer();
  plat.QuestionAnswers.push_back(Answer::Yes);
  Run();
  ASSERT_EQ(plat.Questions.size(), 1u);
  EXPECT_EQ(plat.Questions[0].Text, "Estimated Total Time: 75s Continue?");
  EXPECT_TRUE(Traced({17, 27, 28, 56}));
  EXPECT_TRUE(fs::exists(Results("iris_86410_InitWeights.txt")));
}

TEST_F(NewTrainingTest, OptimalSignalTableEndsAtOnce) {
  wb->Form1.OSTBox.SetChecked(true);
  Run();
  EXPECT_EQ(trace, std::vector<int>{6});
  EXPECT_TRUE(plat.Dialogs.empty());
  EXPECT_TRUE(wb->Net.empty());
}

// Every method of the "Training Method" group has its trainer now: none is refused as not available.
TEST(TrainingMethodAvailable, EveryMethodOfTheGroup) {
  for (TrainingMethod m : {TrainingMethod::None, TrainingMethod::BP, TrainingMethod::NG, TrainingMethod::VSS,
                           TrainingMethod::S1R, TrainingMethod::S2D, TrainingMethod::S2R, TrainingMethod::D2zero})
    EXPECT_TRUE(TrainingMethodAvailable(m)) << TrainingMethodName(m);
}

// Backpropagation reads the parameters again and trains the network built for the estimate (no second
// build, no rerun with "max E"); a refused network ends New Training there. (A bad value never gets that
// far: building or loading the network reads the parameters first.)
TEST_F(NewTrainingTest, BackpropagationRunsItsOwnSequence) {
  wb->Form1.BPButton.SetChecked(true);
  wb->Form1.minmax.SetChecked(true);
  Answer();
  Run();
  EXPECT_TRUE(plat.Messages.empty());
  EXPECT_TRUE(Traced({7, 10, 11, 15, 19, 20, 21, 56}));
  EXPECT_EQ(std::count(trace.begin(), trace.end(), 10), 1);
  EXPECT_EQ(wb->MethodTag, "BP");
  EXPECT_EQ(wb->EpochHistory.size(), 13u);
  EXPECT_EQ(wb->Form1.TrainingEdit.Text(), "0.00s");
  EXPECT_NE(wb->Form1.modWEdit.Text(), "");
  wb->Form1.modWEdit.SetText("");

  // A four-layer network is refused by the trainer: New Training ends after step 20.
  wb->Form1.Hid3EditT2.SetText("2");
  Answer();
  Run();
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text,
            "This implementation of backpropagation suports only 3-layer netwoks without crossover connections");
  EXPECT_TRUE(Traced({19, 20}));
  EXPECT_FALSE(TracedAny(21) || TracedAny(56));
  EXPECT_EQ(wb->Form1.modWEdit.Text(), "");
}

TEST_F(NewTrainingTest, ACancelledDialogBuildsNothing) {
  plat.OpenAnswers.push_back(std::nullopt);
  Run();
  EXPECT_TRUE(trace.empty());
  EXPECT_TRUE(wb->Net.empty());
  EXPECT_EQ(wb->Form1.TrainingEdit.Text(), "  ");
}

TEST_F(NewTrainingTest, AnUnreadableDataSetStopsWithItsMessage) {
  std::ofstream(dir / "DATA" / "broken.dat") << "Number of features = 3\n";
  Answer("DATA/broken.dat");
  ASSERT_FALSE(ReadParameters(*wb, 1));
  EXPECT_THROW(NewTraining(*wb), FileError);
  EXPECT_TRUE(wb->Net.empty());
  EXPECT_FALSE(fs::exists(dir / "results"));
}

TEST_F(NewTrainingTest, ANetworkThatCannotBeBuiltIsNeverTrained) {
  // A network of xor first; then iris, for which the network cannot be built.
  Answer("DATA/xor.dat");
  Run();
  ASSERT_EQ(wb->Layers, (std::vector<int>{2, 4, 2}));
  const std::vector<double> xorWeights = Weights();
  plat.ClockMs = 20000;
  wb->Form1.InitEdit.SetText("-1");  // out of range: the parameters fail
  Answer();
  trace.clear();
  NewTraining(*wb);
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_TRUE(TracedAny(10));
  EXPECT_FALSE(TracedAny(11) || TracedAny(27) || TracedAny(56));
  EXPECT_TRUE(plat.Questions.empty());
  EXPECT_EQ(Weights(), xorWeights);
  EXPECT_FALSE(fs::exists(Results("iris_86420_InitWeights.txt")));
}

TEST_F(NewTrainingTest, MaxERerunsFromTheSameStartWeights) {
  // The variable step search is deterministic: a second run from the restored start weights ends where
  // the first did, which a run continued from the first's end would not.
  Answer();
  Run();
  const std::vector<double> once = Weights();
  ASSERT_FALSE(TracedAny(29));

  wb->Rng.Seed = 12345;
  wb->Form1.minmax.SetChecked(true);
  Answer();
  Run();
  EXPECT_TRUE(Traced({27, 28, 29, 30, 31, 56}));
  EXPECT_EQ(Weights(), once);
}

TEST_F(NewTrainingTest, LoadWTrainsTheLoadedWeights) {
  Answer();
  Run();
  SaveWeights(*wb, 1);
  const std::vector<double> saved = Weights();

  wb->Form1.LoadWBox.SetChecked(true);
  Answer();
  plat.OpenAnswers.push_back("results/iris_86410_FinalWeights.txt");
  Run();
  EXPECT_TRUE(Traced({7, 8, 9, 13, 27, 28, 56}));
  EXPECT_FALSE(TracedAny(10) || TracedAny(11));
  // The run started from the loaded weights: the network was not built again before training.
  const auto start = wb->WeightHistory.Row(0);
  ASSERT_EQ(start.size(), saved.size());
  for (std::size_t i = 0; i < saved.size(); ++i) EXPECT_NEAR(start[i], saved[i], 1e-14) << i;
}

TEST_F(NewTrainingTest, ACancelledMatlabHandOverSkipsTheNorm) {
  wb->Form1.MatLabBox.SetChecked(true);
  wb->Form1.autoES.SetChecked(true);
  Answer();
  plat.QuestionAnswers.push_back(Answer::Cancel);
  Run();
  ASSERT_EQ(plat.Questions.size(), 1u);
  EXPECT_EQ(plat.Questions[0].Caption, "Waiting for external data");
  EXPECT_EQ(plat.Questions[0].Text,
            "Training Done. Now calculate PCA in Matlab using provided pca.m (remeber to change directory paths) and "
            "press \"OK\" when ready");
  EXPECT_TRUE(Traced({13, 16, 27, 28, 56, 57}));
  EXPECT_EQ(trace.back(), 57);
  EXPECT_NEAR(wb->EstSVDTime, 2.1, 1e-12);  // the Matlab PCA term
  EXPECT_EQ(wb->Form1.TrainingEdit.Text(), "0.00s");
  // The run's own norm is not taken (the field keeps the norm the run showed as it went).
  EXPECT_EQ(wb->WeightNorm, 0.0);
  EXPECT_EQ(wb->Form1.ESQBox.ItemIndex(), 2);  // no automatic quality either
}

TEST_F(NewTrainingTest, TheIcaHandOverAndTheAutomaticQuality) {
  wb->Form1.FastICABox.SetChecked(true);
  wb->Form1.autoES.SetChecked(true);
  Answer();
  plat.QuestionAnswers.push_back(Answer::Ok);
  Run();
  ASSERT_EQ(plat.Questions.size(), 1u);
  EXPECT_EQ(plat.Questions[0].Text,
            "Training Done. Now calculate ICA in Matlab using provided ica.m (remeber to change directory paths) and "
            "press \"OK\" when ready");
  EXPECT_TRUE(Traced({56, 59, 60}));
  // iris: 4 features x 150 vectors = 600 values: "high".
  EXPECT_EQ(wb->Form1.ESQBox.ItemIndex(), 0);
  EXPECT_EQ(wb->ESGridStep, 1);
  EXPECT_EQ(wb->PlotLines, 28);
  EXPECT_EQ(wb->Form1.LGEdit.Text(), "28");
  EXPECT_NE(wb->Form1.modWEdit.Text(), "");
}

}  // namespace
}  // namespace wl

// The one-change searches: the dispatcher and its refusals, the variable step search against its rules
// with every option, the stop rules, the displays and records, the border-vector schedules, the signal
// table inside the searches, and XOR learnt from a fixed seed.
#include <gtest/gtest.h>
#include <unistd.h>

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
#include "model/layer_transfer.h"
#include "model/read_parameters.h"
#include "model/weights_file.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/random.h"
#include "platform/scripted_platform.h"
#include "shell/command.h"
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

class OneChangeTest : public ::testing::Test {
 protected:
  // A program directory of its own for every workbench of a test.
  Workbench& NewBench() {
    const fs::path dir = root / std::to_string(benches.size());
    fs::create_directories(dir);
    platforms.push_back(std::make_unique<ScriptedPlatform>());
    platforms.back()->ProgramDir = dir.string();
    benches.push_back(std::make_unique<Workbench>(*platforms.back(), dir.string()));
    Workbench& wb = *benches.back();
    wb.ResultsPrefix = dir.string() + "/results/set_100";
    return wb;
  }
  ScriptedPlatform& Plat(const Workbench& wb) { return static_cast<ScriptedPlatform&>(wb.Plat); }

  // XOR from the shipped sample, a 2-hidden-neuron network on linear inputs.
  Workbench& Xor(const std::string& hidden = "2", std::uint32_t seed = 12345) {
    Workbench& wb = NewBench();
    ReadDataFile(wb, std::string(WL_SOURCE_DIR) + "/DATA/xor.dat");
    wb.ResultsPrefix = wb.ProgramDir + "/results/xor_100";
    wb.Form1.HiddenEditT2.SetText(hidden);
    wb.Rng.Seed = seed;
    EXPECT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
    return wb;
  }

  // Three classes around three centres in the plane (vectors of class c near centre c), unequal class
  // sizes, a 3-hidden-neuron network.
  Workbench& Blobs(int vectors, const std::string& hidden = "3", int classes = 3) {
    Workbench& wb = NewBench();
    TFeature a, b;
    a.Name = "x";
    b.Name = "y";
    wb.Features = {a, b};
    wb.NumOfFeatures = 2;
    wb.NumOfClasses = classes;
    wb.NumOfVectors = vectors;
    RandomGenerator g;
    g.Seed = 4242;
    const double cx[] = {0.0, 1.5, -1.0}, cy[] = {1.0, -0.5, -1.0};
    wb.VectorsPerClass.assign(classes, 0);
    for (int v = 0; v < vectors; ++v) {
      const int c = (v % 7) % classes;
      wb.Data.push_back({cx[c] + 1.6 * (g.Real() - 0.5), cy[c] + 1.6 * (g.Real() - 0.5)});
      wb.VectorClass.push_back(c);
      ++wb.VectorsPerClass[c];
    }
    for (int v = 0; v < vectors; ++v)
      wb.VectorWeight.push_back(double(vectors) / (wb.VectorsPerClass[wb.VectorClass[v]] * classes));
    wb.VectorErrorTerm.assign(vectors, 0.0);
    wb.Form1.HiddenEditT2.SetText(hidden);
    wb.Rng.Seed = 99;
    EXPECT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
    return wb;
  }

  test::TempProgramDir temp{"wl_onechange_"};  // removed after the workbenches have ended
  fs::path root = temp.Path();
  std::vector<std::unique_ptr<ScriptedPlatform>> platforms;
  std::vector<std::unique_ptr<Workbench>> benches;
};

// ---- the variable step search against its rules ----------------------------------------------------

struct Rules {
  bool parabolic = false, ch1 = false;
};

// The variable step search as its rules read, written out plainly over the same error function (the
// per-layer TrainingSetError): returns E after every epoch and leaves the trained weights in the network.
// E is always the error of the network as it stands.
std::vector<double> PlainVSS(Workbench& wb, const Rules& r) {
  EXPECT_FALSE(ReadParameters(wb));
  const TForm1& f = wb.Form1;
  const int fcma = StrToInt(f.FCMAEdit.Text());
  const double c3 = StrToFloat(f.c3Edit.Text());
  const double m = wb.Smhid, xlc = wb.XLC, d0 = wb.InitialDelta, maxW = wb.MaxWeight;
  double aMax = 1.0;
  for (int i = 1; i < fcma; ++i) aMax *= m;
  std::map<std::tuple<int, int, int>, double> lastStep;
  auto error = [&](TNeuron& nn, int k, double v) {
    nn.Weights[k] = v;
    return TrainingSetError(wb);
  };
  double E = TrainingSetError(wb);
  std::vector<double> perEpoch;
  for (int e = 1; e <= wb.NumOfEpochs; ++e) {
    const double step = wb.DeltaDecay == 0.0 ? 1.0 : 1.0 - std::exp(-wb.DeltaDecay / e);
    const double maxD = wb.MaxDelta * (e == 1 ? 0.25 : e == 2 ? 0.5 : 1.0);
    for (int l = 1; l < int(wb.Net.size()); ++l)
      for (int n = 0; n < wb.Layers[l]; ++n)
        for (int k = 0; k <= wb.LayerInputs[l - 1]; ++k) {
          TNeuron& nn = wb.Net[l][n];
          double& last = lastStep[{l, n, k}];
          const double w0 = nn.Weights[k], e0 = E;
          const double d = last == 0.0 ? d0 * step : xlc * last;
          double s = 0.0;
          double atE = w0;  // the value whose error E is
          double t = error(nn, k, w0 + d);
          if (t < E) E = t, s = d, atE = w0 + d;
          if (last == 0.0 || s == 0.0) {
            t = error(nn, k, w0 - d);
            if (t < E) E = t, s = -d, atE = w0 - d;
          }
          if (s != 0.0) {
            std::vector<double> A{e0, E};
            const double x1 = s;
            for (int j = 1; j <= fcma; ++j) {
              const double ext = m * s;
              if (std::fabs(ext) > maxD) break;
              double v = std::clamp(w0 + ext, -maxW, maxW);
              t = error(nn, k, v);
              A.push_back(t);
              if (!(t < E)) {
                if (c3 > 0.0 && A[j + 1] - A[j] < c3 * (A[j - 1] - A[j])) s = ext;
                break;
              }
              E = t, s = ext, atE = v;
              if (j == 1 && r.parabolic) {
                const double p = ParabolicStep(x1, s, A[0], A[1], E, aMax);
                if (p != 0.0) {
                  s = p;
                  v = w0 + p;
                  if (error(nn, k, v) < E) break;
                }
              }
              if (std::fabs(v) >= maxW) break;
            }
            if (r.ch1) {
              const double inner = 2.0 * s / (m + 1.0), outer = s * (m + 1.0) / 2.0;
              t = error(nn, k, std::clamp(w0 + inner, -maxW, maxW));
              if (t < E) {
                E = t, s = inner, atE = std::clamp(w0 + inner, -maxW, maxW);
              } else {
                t = error(nn, k, std::clamp(w0 + outer, -maxW, maxW));
                if (t < E) E = t, s = outer, atE = std::clamp(w0 + outer, -maxW, maxW);
              }
            }
          }
          // A weight left where no accepted trial stood carries the error of its final value.
          if (w0 + s != atE) E = error(nn, k, w0 + s);
          nn.Weights[k] = w0 + s;
          last = s;
        }
    perEpoch.push_back(E);
  }
  return perEpoch;
}

TEST_F(OneChangeTest, VariableStepSearchFollowsItsRulesWithEveryOption) {
  struct Case {
    const char* what;
    std::map<std::string, std::string> fields;
    Rules rules;
    bool parab = false, ch1 = false;
  };
  const std::vector<Case> cases = {
      {"defaults", {}, {}},
      {"c3 off", {{"c3Edit", "0"}}, {}},
      {"parabolic step", {}, {true, false}, true, false},
      {"CH1", {}, {false, true}, false, true},
      {"small max weight", {{"MaxWeightEdit", "0.6"}}, {}},
      {"no extension", {{"FCMAEdit", "0  "}}, {}},
      {"small max delta", {{"MaxDeltaEdit", "0.5"}}, {}},
      {"no step decay", {{"StepEdit", "none"}}, {}},
  };
  std::vector<double> defaults;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Workbench& trained = Blobs(21);
    Workbench& plain = Blobs(21);
    for (Workbench* wb : {&trained, &plain}) {
      wb->Form1.EpochEditT2.SetText("4");
      wb->Form1.InitEdit.SetText("1.5");
      wb->Form1.ParabVSSBox.SetChecked(c.parab);
      wb->Form1.CH1Box.SetChecked(c.ch1);
      for (const auto& [name, text] : c.fields) {
        Control* ctl = wb->Form1.Find(name);
        ASSERT_NE(ctl, nullptr) << name;
        if (auto* e = dynamic_cast<Edit*>(ctl)) e->SetText(text);
        if (auto* b = dynamic_cast<ComboBox*>(ctl)) b->SetText(text);
      }
    }
    ASSERT_EQ(Flat(trained), Flat(plain));
    TrainOneChange(trained, 2);
    EXPECT_TRUE(Plat(trained).Messages.empty()) << Plat(trained).Messages.front().Text;
    const std::vector<double> expected = PlainVSS(plain, c.rules);
    ASSERT_EQ(trained.NumOfEpochs, 4);
    for (int e = 1; e <= 4; ++e) EXPECT_EQ(trained.EpochHistory[e].Error, expected[e - 1]) << "epoch " << e;
    EXPECT_EQ(Flat(trained), Flat(plain));
    EXPECT_EQ(trained.CurrentError, expected.back());
    // Each option changes the course of this search.
    if (defaults.empty())
      defaults = Flat(trained);
    else
      EXPECT_NE(Flat(trained), defaults);
  }
}

TEST_F(OneChangeTest, VariableStepRecordsAndDisplays) {
  Workbench& wb = Blobs(21);
  wb.Form1.EpochEditT2.SetText("3");
  wb.ResultText = "old";
  TrainOneChange(wb, 2);
  EXPECT_EQ(wb.MethodTag, "S1-DH2 (VSS)");
  EXPECT_EQ(wb.ParamText[7], "Sa-DH2 (VSS)");
  EXPECT_EQ(wb.Form1.Label19.Caption(), "Sa-DH2 (VSS)");
  EXPECT_EQ(wb.Form1.ENVEdit.Text(), "21");
  EXPECT_EQ(wb.ResultText, FixedDisplayText(wb.StartError, 12, 3));
  EXPECT_EQ(wb.Form1.ep.Text(), "3");
  EXPECT_EQ(wb.Form1.ge.Text(), FixedDisplayText(wb.CurrentError, 12, 4) + " / " + wb.ResultText);
  EXPECT_EQ(wb.Form1.EditSuccess.Text(), FixedDisplayText(wb.AcceptedSuccessRate, 7, 5));
  EXPECT_EQ(wb.Form1.WeightedAccEdit.Text(), FixedDisplayText(wb.AcceptedWeightedRate, 7, 5));
  EXPECT_EQ(wb.Form1.alsigEdit.Text(), GroupedCount(wb.SigmoidCount));
  EXPECT_EQ(wb.ParamText[4], "Start Error = " + wb.ResultText + "   End Error = " + FormatFixed(wb.CurrentError, 4));
  EXPECT_FALSE(Plat(wb).Hourglass);
  EXPECT_FALSE(wb.SearchRunning);
  EXPECT_TRUE(fs::exists(wb.ResultsPrefix + "_InitWeights.txt"));
  EXPECT_EQ(wb.StepRateHistory.size(), 4u);
  // The last epoch's row holds every weight as it ended, and the error carried after it.
  const std::vector<double> w = Flat(wb);
  const auto row = wb.WeightHistory.Row(3);
  EXPECT_EQ(std::vector<double>(row.begin(), row.end()), w);
  const WeightShape& s = wb.WeightTrialHistory.Shape();
  const int lastLayer = s.NumLayers() - 1;
  EXPECT_EQ(wb.WeightTrialHistory[3][lastLayer][s.Neurons[lastLayer] - 1][s.Weights[lastLayer] - 1].Error,
            wb.CurrentError);
  EXPECT_EQ(wb.EpochHistory[3].Error, wb.CurrentError);
}

TEST_F(OneChangeTest, ParabolicStep) {
  EXPECT_DOUBLE_EQ(ParabolicStep(1, 2, 1.0, 0.5, 0.4, 8), 1.75);
  EXPECT_DOUBLE_EQ(ParabolicStep(-1, -2, 1.0, 0.5, 0.45, 8), -1.0 - 0.5 * 0.55 / 0.45);  // the mirror image
  EXPECT_EQ(ParabolicStep(1, 2, 1.0, 0.75, 0.5, 8), 0.0);  // falls as fast over the longer step
  EXPECT_EQ(ParabolicStep(1, 2, 1.0, 0.5, 0.0, 8), 0.0);   // straight descent
  EXPECT_EQ(ParabolicStep(1, 2, 1.0, 1.5, 2.2, 8), 0.0);   // vertex at -2, on the other side of 0
  EXPECT_DOUBLE_EQ(ParabolicStep(1, 2, 1.0, 0.5, 0.45, 1.5), 1.5);  // vertex 1.61 cut to aMax × x1
  EXPECT_DOUBLE_EQ(ParabolicStep(1, 2, 1.0, 0.2, 1.9, 8), 1.0);     // vertex 0.82 raised to x1
}

// ---- the dispatcher -------------------------------------------------------------------------------

TEST_F(OneChangeTest, DispatcherRunsTheVariants) {
  struct Case {
    const char* control;
    const char* tag;
  };
  for (const Case& c : {Case{"RWOrderBox", "S1-DH2-Random (VSS)"}, Case{"SMWSButton", "S1-WS"},
                        Case{"InPlaceBox", "S1-DH2 (VSS)"}}) {
    SCOPED_TRACE(c.control);
    Workbench& wb = Xor();
    const std::vector<double> before = Flat(wb);
    Control* ctl = wb.Form1.Find(c.control);
    if (auto* b = dynamic_cast<CheckBox*>(ctl)) b->SetChecked(true);
    if (auto* r = dynamic_cast<RadioButton*>(ctl)) r->SetChecked(true);
    EXPECT_TRUE(ctl->Enabled());
    TrainOneChange(wb, 2);
    EXPECT_TRUE(Plat(wb).Messages.empty());
    EXPECT_EQ(wb.MethodTag, c.tag);
    EXPECT_NE(Flat(wb), before);
    EXPECT_TRUE(fs::exists(wb.ResultsPrefix + "_InitWeights.txt"));
  }
}

TEST_F(OneChangeTest, EvaluationCountOnlyAndInvalidParameters) {
  Workbench& wb = Xor();
  wb.SigmoidCount = 1234567;
  wb.Form1.OSTBox.SetChecked(true);
  const std::vector<double> before = Flat(wb);
  TrainOneChange(wb, 2);
  EXPECT_EQ(wb.Form1.alsigEdit.Text(), "1,234,567");
  EXPECT_EQ(Flat(wb), before);
  EXPECT_FALSE(fs::exists(wb.ResultsPrefix + "_InitWeights.txt"));

  wb.Form1.OSTBox.SetChecked(false);
  wb.Form1.XLCEdit.SetText("20");
  TrainOneChange(wb, 2);
  ASSERT_EQ(Plat(wb).Messages.size(), 1u);
  EXPECT_EQ(Plat(wb).Messages[0].Text, "prev dW must be a Number from 0.01 to 9.9");
  EXPECT_EQ(wb.MethodTag, "NA");
  EXPECT_EQ(Flat(wb), before);
}

TEST_F(OneChangeTest, UnreadableFieldsEndTheRunWithFlagsRestored) {
  Workbench& wb = Xor();
  wb.Form1.c3Edit.SetText("abc");
  EXPECT_THROW(TrainOneChange(wb, 2), ConvertError);
  EXPECT_EQ(wb.MethodTag, "NA");  // before the tag and the initial weights
  EXPECT_FALSE(fs::exists(wb.ResultsPrefix + "_InitWeights.txt"));
  EXPECT_FALSE(Plat(wb).Hourglass);
  EXPECT_FALSE(wb.SearchRunning);

  // The max iteration too is read before the run is prepared or a file written.
  wb.Form1.c3Edit.SetText("0.1");
  wb.Form1.FCMAEdit.SetText("x");
  EXPECT_THROW(TrainOneChange(wb, 2), ConvertError);
  EXPECT_EQ(wb.MethodTag, "NA");
  EXPECT_FALSE(fs::exists(wb.ResultsPrefix + "_InitWeights.txt"));
  EXPECT_FALSE(Plat(wb).Hourglass);
  EXPECT_FALSE(wb.SearchRunning);
}

TEST_F(OneChangeTest, NoEpochs) {
  Workbench& wb = Xor();
  wb.Form1.EpochEditT2.SetText("0");
  const std::vector<double> before = Flat(wb);
  TrainOneChange(wb, 2);
  EXPECT_EQ(wb.NumOfEpochs, 0);
  EXPECT_EQ(Flat(wb), before);
  EXPECT_EQ(wb.ParamText[4], "Start Error = " + FixedDisplayText(wb.StartError, 12, 3) +
                                 "   End Error = " + FormatFixed(wb.StartError, 4));
}

// ---- stop rules -------------------------------------------------------------------------------------

TEST_F(OneChangeTest, StandardSearchStopsAtTheEndOfAnEpochBeforeRecordingIt) {
  struct Case {
    const char* what;
    const char* field;
    const char* text;
  };
  for (const Case& c : {Case{"success rate", "SREdit", "0"}, Case{"error", "StopErrorEdit", "1"}}) {
    SCOPED_TRACE(c.what);
    Workbench& wb = Xor();
    wb.Form1.SMstdButton.SetChecked(true);
    dynamic_cast<Edit*>(wb.Form1.Find(c.field))->SetText(c.text);
    TrainOneChange(wb, 2);
    EXPECT_EQ(wb.StepCount, 1);
    EXPECT_EQ(wb.NumOfEpochs, 0);
    EXPECT_EQ(wb.Form1.ep.Text(), "1");
    EXPECT_EQ(wb.EpochHistory[1].Error, 0.0);  // not recorded
    EXPECT_EQ(wb.MethodTag, "S1-D");
  }
}

TEST_F(OneChangeTest, StopErrorBecomesAbsolute) {
  Workbench& wb = Xor();
  wb.Form1.StopErrorEdit.SetText("0.5");
  TrainOneChange(wb, 2);
  EXPECT_DOUBLE_EQ(wb.StopError, 0.5 * wb.StartError);
}

TEST_F(OneChangeTest, DH1StopsAfterTheWeightThatReachesTheTarget) {
  Workbench& wb = Xor();
  wb.Form1.SMDH1Button.SetChecked(true);
  wb.Form1.SREdit.SetText("0");
  TrainOneChange(wb, 2);
  EXPECT_EQ(wb.MethodTag, "S1-DH1");
  EXPECT_EQ(wb.ParamText[7], "S1-ST1");
  EXPECT_EQ(wb.NumOfEpochs, 0);
  EXPECT_EQ(wb.EpochHistory[1].Error, wb.CurrentError);  // the stopping epoch is recorded
  EXPECT_EQ(wb.Form1.ep.Text(), "1");
  // Only the first weight was visited, and its detailed point was not drawn.
  EXPECT_EQ(wb.WeightHistory[1][0][0][0], wb.Net[1][0].Weights[0]);
  EXPECT_EQ(wb.DetailWNormHistory[1][0][0][0], 0.0);
  const auto row = wb.WeightHistory.Row(1);
  EXPECT_TRUE(std::all_of(row.begin() + 1, row.end(), [](double w) { return w == 0.0; }));
}

TEST_F(OneChangeTest, DH1StopsOnTheEvaluationBudget) {
  Workbench& wb = Xor();
  wb.Form1.SMDH1Button.SetChecked(true);
  wb.Form1.NoGTPBox.SetChecked(true);
  wb.Form1.SigmBox.SetChecked(true);
  wb.Form1.Alsig2.SetText("1");
  wb.Form1.EpochEditT2.SetText("5000");
  TrainOneChange(wb, 2);
  EXPECT_GT(wb.SigmoidCount, 1000000);
  EXPECT_LT(wb.SigmoidCount, 1000000 + 16 * 12);  // one weight's trials past the budget at most
  EXPECT_LT(wb.NumOfEpochs, 4999);
}

TEST_F(OneChangeTest, VariableStepSearchHasNoEarlyStop) {
  Workbench& wb = Xor();
  wb.Form1.SREdit.SetText("0");
  wb.Form1.StopErrorEdit.SetText("1");
  wb.Form1.SigmBox.SetChecked(true);
  wb.Form1.Alsig2.SetText("1");
  wb.Form1.EpochEditT2.SetText("5");
  wb.SigmoidCount = 5000000;  // beyond the budget from the start
  TrainOneChange(wb, 2);
  EXPECT_EQ(wb.NumOfEpochs, 5);
  EXPECT_EQ(wb.Form1.ep.Text(), "5");
}

// ---- steps and weights ------------------------------------------------------------------------------

TEST_F(OneChangeTest, StandardStepsWithoutDecayAreExactlyTheInitialDelta) {
  Workbench& wb = Blobs(21);
  wb.Form1.SMstdButton.SetChecked(true);
  wb.Form1.StepEdit.SetText("none");
  wb.Form1.EpochEditT2.SetText("3");
  TrainOneChange(wb, 2);
  int moved = 0;
  for (int e = 1; e <= 3; ++e) {
    const auto now = wb.WeightHistory.Row(e), before = wb.WeightHistory.Row(e - 1);
    for (std::size_t i = 0; i < now.size(); ++i) {
      const double step = now[i] - before[i];
      EXPECT_TRUE(step == 0.0 || std::fabs(std::fabs(step) - 0.2) < 1e-12) << step;
      moved += step != 0.0;
    }
  }
  EXPECT_GT(moved, 0);
}

TEST_F(OneChangeTest, RandomStandardStepsFollowTheClock) {
  auto run = [&](std::int64_t clock) {
    Workbench& wb = Blobs(21);
    wb.Form1.SMstdButton.SetChecked(true);
    wb.Form1.EpochEditT2.SetText("2");
    Plat(wb).ClockMs = clock;
    TrainOneChange(wb, 1);
    EXPECT_EQ(wb.MethodTag, "S1-R");
    EXPECT_EQ(wb.ParamText[7], "Random - 1 change");
    return Flat(wb);
  };
  EXPECT_EQ(run(1000), run(1000));
  EXPECT_NE(run(1000), run(2000));
}

TEST_F(OneChangeTest, DH1LeavesAZeroWeightWithoutHistoryWhereItIs) {
  Workbench& wb = Xor();
  wb.Form1.SMDH1Button.SetChecked(true);
  wb.Form1.EpochEditT2.SetText("4");
  wb.Net[1][1].Weights[0] = 0.0;
  TrainOneChange(wb, 2);
  for (int e = 1; e <= 4; ++e) EXPECT_EQ(wb.WeightHistory[e][0][1][0], 0.0);
  EXPECT_NE(Flat(wb), std::vector<double>(Flat(wb).size(), 0.0));
}

TEST_F(OneChangeTest, IntegerWeightsVisitOnlyTheSelectedHiddenNeuron) {
  Workbench& wb = Blobs(21, "3");
  wb.Form1.IntegerWEdit.SetText("1");
  wb.Form1.CVSSEdit.SetText("1");
  wb.Form1.EpochEditT2.SetText("2");
  const std::vector<double> hidden0 = wb.Net[1][0].Weights, hidden2 = wb.Net[1][2].Weights;
  TrainOneChange(wb, 2);
  EXPECT_EQ(wb.Net[1][0].Weights, hidden0);
  EXPECT_EQ(wb.Net[1][2].Weights, hidden2);
  for (const TNeuron& out : wb.Net[2]) EXPECT_EQ(out.Weights, (std::vector<double>{1.0, 1.0, 1.0, 0.5}));
  // The epochs' records hold neuron 1 of layer 1 and nothing else: no other weight was visited.
  for (int e = 1; e <= 2; ++e) {
    const auto row = wb.WeightHistory.Row(e);
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i >= 3 && i < 6)
        EXPECT_EQ(row[i], wb.Net[1][1].Weights[i - 3]);
      else
        EXPECT_EQ(row[i], 0.0) << i;
    }
  }
  // The error carried on is the one taken before the output weights were set.
  EXPECT_EQ(wb.StartError, wb.EpochHistory[0].Error);
}

TEST_F(OneChangeTest, RerunStartsFromTheFirstRunsRecords) {
  Workbench& wb = Blobs(21);
  wb.Form1.EpochEditT2.SetText("3");
  TrainOneChange(wb, 2);
  const std::vector<TEpochStat> first = wb.EpochHistory;
  const std::vector<double> trained = Flat(wb);
  fs::remove(wb.ResultsPrefix + "_InitWeights.txt");
  RestoreInitialWeights(wb);
  wb.EpochHistory[2] = {-1.0, -1.0};
  TrainOneChange(wb, 102);
  EXPECT_TRUE(fs::exists(wb.ResultsPrefix + "_InitWeights.txt"));
  EXPECT_EQ(Flat(wb), trained);
  for (int e = 0; e <= 3; ++e) EXPECT_EQ(wb.EpochHistory[e].Error, first[e].Error) << e;

  // A rerun longer than the first run has no records to write into.
  RestoreInitialWeights(wb);
  wb.Form1.EpochEditT2.SetText("9");
  EXPECT_THROW(TrainOneChange(wb, 102), WlError);
}

// ---- border vectors ---------------------------------------------------------------------------------

TEST_F(OneChangeTest, BorderVectorPeriods) {
  // VSS: every N epochs; a period of 0 is refused.
  {
    Workbench& wb = Blobs(60, "3", 2);
    wb.Form1.SelMetBox.SetChecked(true);
    wb.Form1.SelEpochEdit.SetText("0");
    const std::vector<double> before = Flat(wb);
    TrainOneChange(wb, 2);
    ASSERT_EQ(Plat(wb).Messages.size(), 1u);
    EXPECT_EQ(Plat(wb).Messages[0].Text, "Select border vectors  must be an Integer from 1 to 999999");
    EXPECT_EQ(Flat(wb), before);
    EXPECT_EQ(wb.MethodTag, "NA");
  }
  {
    Workbench& wb = Blobs(200, "3", 2);
    wb.Form1.SelMetBox.SetChecked(true);
    wb.Form1.SelEpochEdit.SetText("1");
    wb.Form1.typselEdit.SetText("0.75");
    wb.Form1.EpochEditT2.SetText("3");
    TrainOneChange(wb, 2);
    // 200 -> 150 -> 112 -> 84 (75, 56 and 42 per class).
    EXPECT_EQ(wb.NumOfVectors, 84);
    EXPECT_EQ(wb.Form1.ENVEdit.Text(), "84");
    EXPECT_EQ(wb.CurrentError, TrainingSetError(wb));  // recomputed after the last selection
  }
  // DH1: epochs N, 2N, 4N.
  {
    Workbench& wb = Blobs(200, "3", 2);
    wb.Form1.SMDH1Button.SetChecked(true);
    wb.Form1.SelMetBox.SetChecked(true);
    wb.Form1.SelEpochEdit.SetText("1");
    wb.Form1.typselEdit.SetText("0.75");
    wb.Form1.EpochEditT2.SetText("3");
    TrainOneChange(wb, 2);
    EXPECT_EQ(wb.NumOfVectors, 112);
  }
}

// ---- the signal table inside the searches ----------------------------------------------------------

TEST_F(OneChangeTest, SearchesThroughTheSignalTableFollowTheSameCourse) {
  // Balanced XOR: every vector weight is 1, so the table's error is the per-layer error.
  for (const char* method : {"OldDH2Box", "SMstdButton", "SMDH1Button"}) {
    SCOPED_TRACE(method);
    Workbench& plain = Xor("3", 7);
    Workbench& table = Xor("3", 7);
    for (Workbench* wb : {&plain, &table}) {
      dynamic_cast<RadioButton*>(wb->Form1.Find(method))->SetChecked(true);
      wb->Form1.EpochEditT2.SetText("6");
    }
    table.Form1.SMSTBox.SetChecked(true);
    TrainOneChange(plain, 2);
    TrainOneChange(table, 2);
    EXPECT_TRUE(table.UseSignalTable);
    for (int e = 1; e <= plain.NumOfEpochs; ++e)
      EXPECT_NEAR(table.EpochHistory[e].Error, plain.EpochHistory[e].Error, 1e-12) << e;
    const std::vector<double> a = Flat(plain), b = Flat(table);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) EXPECT_NEAR(a[i], b[i], 1e-12);
    // A trial through the table evaluates the changed neuron and the outputs only.
    EXPECT_LT(table.SigmoidCount, plain.SigmoidCount);
  }
}

// ---- the menu items -------------------------------------------------------------------------------

// A clock that passes midnight of New Year's Eve while the run goes on.
class MidnightPlatform : public ScriptedPlatform {
 public:
  std::int64_t MillisecondsOfDay() override {
    const std::int64_t now = calls++ == 0 ? 86399990 : 10;
    if (now == 10) ClockDay = 1;
    return now;
  }
  int calls = 0;
};

TEST_F(OneChangeTest, TimedRunsAcrossMidnightAreNeverNegative) {
  MidnightPlatform plat;
  plat.ClockDay = 365;
  const fs::path dir = root / "midnight";
  fs::create_directories(dir);
  plat.ProgramDir = dir.string();
  Workbench wb(plat, dir.string());
  ReadDataFile(wb, std::string(WL_SOURCE_DIR) + "/DATA/xor.dat");
  wb.ResultsPrefix = dir.string() + "/results/xor_1";
  wb.Form1.HiddenEditT2.SetText("2");
  ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
  wb.Form1.SMstdButton.SetChecked(true);  // re-seeds from the clock of day in random mode
  const HandlerRow* row = FindHandler("Random1change", ControlEvent::MouseReleased);
  ASSERT_NE(row, nullptr);
  ASSERT_TRUE(RunCommand(wb, [&] { row->Run(wb); }));
  EXPECT_GT(plat.calls, 1);
  EXPECT_GE(wb.ElapsedTime, 0);
  const std::string shown = wb.Form1.TrainingEdit.Text();
  EXPECT_EQ(shown, FormatFixed(wb.ElapsedTime / 1000.0, 2) + "s");
  EXPECT_EQ(wb.MethodTag, "S1-R");
}

// ---- learning ---------------------------------------------------------------------------------------

TEST_F(OneChangeTest, XorIsLearntByTheVariableStepSearch) {
  Workbench& wb = Xor("3", 2024);
  wb.Form1.EpochEditT2.SetText("60");
  TrainOneChange(wb, 2);
  TrainingSetError(wb);
  EXPECT_EQ(wb.SuccessRate, 1.0);
  EXPECT_LT(wb.CurrentError, 0.1 * wb.StartError);
}

}  // namespace
}  // namespace wl

// Backpropagation: one online and one batch epoch of a tiny network against changes worked out by hand,
// the run against a plain loop over the forward pass written from the rules (every option, dense and
// one-hot inputs), momentum, the line search, the schedules and display period, the records of the run,
// the refusals, the gradient log and the online histories that would not fit in memory.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "model/create_network.h"
#include "model/error_functions.h"
#include "model/eval_options.h"
#include "model/forward_pass.h"
#include "model/read_parameters.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/random.h"
#include "shell/command.h"
#include "support/test_support.h"
#include "training/backprop.h"
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

void SetFlat(Workbench& wb, const std::vector<double>& w) {
  std::size_t i = 0;
  for (std::size_t l = 1; l < wb.Net.size(); ++l)
    for (TNeuron& n : wb.Net[l])
      for (double& x : n.Weights) x = w[i++];
}

class BackpropTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_bp_", {"results", "DATA"});
    wb->ResultsPrefix = (dir / "results" / "set_100").string();
    wb->Form1.NoGTPBox.SetChecked(true);
    plat.Messages.clear();
  }

  // Classes and equal vector weights for the rows set.
  void SetClasses(std::vector<int> classes, int numOfClasses) {
    wb->VectorClass = std::move(classes);
    wb->NumOfClasses = numOfClasses;
    wb->VectorsPerClass.assign(static_cast<std::size_t>(numOfClasses), 0);
    for (int c : wb->VectorClass) ++wb->VectorsPerClass[static_cast<std::size_t>(c)];
    wb->VectorWeight.assign(wb->VectorClass.size(), 1.0);
  }

  // The parameters as the main window holds them, epochs and rate given.
  void Read(const std::string& epochs, const std::string& rate, bool online) {
    TForm1& f = wb->Form1;
    f.EpochEditT2.SetText(epochs);
    f.BPLearn.SetText(rate);
    (online ? f.OnlineBP : f.BatchBP).SetChecked(true);
    ASSERT_FALSE(ReadParameters(*wb));
  }

  // One input (1.0, class 0) and a 1-1-2 network whose every signal is 0.5: the output errors are
  // +-0.125 and every change is a binary fraction.
  void Tiny(bool online) {
    test::SetContinuousRows(*wb, {{1.0}});
    SetClasses({0}, 2);
    test::SetNetwork(*wb, {1, 1, 2}, {{{1.0, 1.0}}, {{2.0, 1.0}, {0.0, 0.0}}});
    wb->NumOfWeights = 6;
    wb->LinearInputs = true;
    wb->Form1.HiddenEditT2.SetText("1");
    wb->Form1.LRDBox.SetItemIndex(0);
    Read("0", "0.5", online);
  }

  // Three classes round three centres in the plane.
  void Blobs(int vectors, std::uint8_t scheme) {
    TFeature a, b;
    wb->Features = {a, b};
    wb->NumOfFeatures = 2;
    wb->AllContinuous = true;
    wb->NumOfVectors = vectors;
    RandomGenerator g;
    g.Seed = 4242;
    const double cx[] = {0.0, 1.5, -1.0}, cy[] = {1.0, -0.5, -1.0};
    std::vector<int> classes;
    for (int v = 0; v < vectors; ++v) {
      const int c = (v % 7) % 3;
      wb->Data.push_back({cx[c] + 1.6 * (g.Real() - 0.5), cy[c] + 1.6 * (g.Real() - 0.5)});
      classes.push_back(c);
    }
    SetClasses(classes, 3);
    wb->Form1.HiddenEditT2.SetText("3");
    wb->Rng.Seed = 99;
    ASSERT_EQ(CreateNetwork(*wb, scheme), NetworkBuilt);
  }

  // Four symbolic features of three values each: 12 one-hot inputs, 4 of them hot in every vector.
  void OneHot(int vectors) {
    wb->Features.clear();
    for (int f = 0; f < 4; ++f) {
      TFeature feat;
      feat.Kind = 's';
      feat.NValues = 3;
      feat.Values = {0, 1, 2};
      feat.Symbols = {"a", "b", "c"};
      wb->Features.push_back(feat);
    }
    wb->NumOfFeatures = 4;
    wb->AllContinuous = false;
    wb->NumOfVectors = vectors;
    RandomGenerator g;
    g.Seed = 77;
    std::vector<int> classes;
    for (int v = 0; v < vectors; ++v) {
      std::vector<double> row(4);
      for (double& x : row) x = g.Below(3);
      wb->Data.push_back(row);
      classes.push_back((row[0] == 1) != (row[2] == 2) ? 1 : 0);
    }
    SetClasses(classes, 2);
    wb->Form1.HiddenEditT2.SetText("4");
    wb->Rng.Seed = 5;
    ASSERT_EQ(CreateNetwork(*wb, 4), NetworkBuilt);
  }
};

// ---- the plain rules ---------------------------------------------------------------------------------

// The step of vector v added to `step` (flat weight order) as the rules read, over the forward pass
// itself; returns the vector's error and whether it is classified correctly.
double PlainVectorStep(Workbench& wb, int v, double eta, double m, std::vector<double>& step, bool& correct) {
  ComputeSignals(wb, v);
  const int n0 = wb.Layers[0], n1 = wb.Layers[1], n2 = wb.Layers[2];
  const int c = wb.VectorClass[v];
  std::vector<double> delta(n2);
  double e = 0.0, best = 0.0;
  int winner = -1;
  for (int j = 0; j < n2; ++j) {
    const double y = wb.Net[2][j].Signal;
    const double t = j == c ? 1.0 - wb.SetOff : wb.SetOff;
    e += std::pow(std::fabs(y - t), wb.ErrorExponent);
    if (y > best) best = y, winner = j;
    delta[j] = (t - y) * y * (1.0 - y);
  }
  const std::size_t off2 = static_cast<std::size_t>(n1) * (n0 + 1);
  for (int j = 0; j < n2; ++j)
    for (int k = 0; k <= n1; ++k) {
      double& s = step[off2 + static_cast<std::size_t>(j) * (n1 + 1) + k];
      if (k < n1)
        s += eta * delta[j] * wb.Net[1][k].Signal;
      else
        s -= eta * delta[j];
    }
  for (int j = 0; j < n1; ++j) {
    double s = 0.0;
    for (int i = 0; i < n2; ++i) s += delta[i] * wb.Net[2][i].Weights[j];
    s *= m;
    const double y = wb.Net[1][j].Signal;
    const double g = eta * s * y * (1.0 - y);
    for (int k = 0; k <= n0; ++k) {
      double& st = step[static_cast<std::size_t>(j) * (n0 + 1) + k];
      if (k < n0)
        st += g * wb.Net[0][k].Signal;
      else
        st -= g;
    }
  }
  correct = winner == c;
  return e;
}

// The whole run by the rules (no line search); returns the error of every epoch.
std::vector<double> PlainBP(Workbench& wb) {
  if (wb.Slope == 0.0) wb.Slope = 1.0;
  if (wb.Slope < 0.01) wb.Slope = 0.01;
  if (wb.Slope > 99.0) wb.Slope = 99.0;
  std::vector<double> w = Flat(wb), prev(w.size(), 0.0), step(w.size());
  std::vector<double> errors;
  auto apply = [&] {
    for (std::size_t i = 0; i < w.size(); ++i) {
      w[i] = w[i] + step[i] + wb.BPMomentum * prev[i];
      prev[i] = step[i];
    }
    SetFlat(wb, w);
  };
  for (int e = 0; e <= wb.NumOfEpochs; ++e) {
    const double eta = wb.BPDecay == 0.0 ? wb.BPLearnRate : wb.BPLearnRate * (1.0 - std::exp(-wb.BPDecay / (e + 1)));
    const int epoch = e + 1;
    double m = epoch <= 2 ? 4.0 : epoch <= 4 ? 2.5 : epoch <= 6 ? 1.5 : 1.0;
    double sum = 0.0;
    bool correct;
    if (wb.OnlineBP) {
      for (int v = 0; v < wb.NumOfVectors; ++v) {
        std::fill(step.begin(), step.end(), 0.0);
        sum += PlainVectorStep(wb, v, eta, 1.0, step, correct);
        apply();
      }
    } else {
      std::fill(step.begin(), step.end(), 0.0);
      for (int v = 0; v < wb.NumOfVectors; ++v) sum += PlainVectorStep(wb, v, eta, m, step, correct);
      apply();
    }
    errors.push_back(sum);
  }
  return errors;
}

// ---- one epoch by hand -------------------------------------------------------------------------------

// Every signal 0.5, so the output errors are (1 - 0.5) * 0.25 = 0.125 and (0 - 0.5) * 0.25 = -0.125 and
// the hidden error is 0.125 * 2 = 0.25. With eta 0.5: output weights move by 0.5 * +-0.125 * 0.5, the
// thresholds by -0.5 * delta; the hidden weight by 0.5 * 0.25 * 0.25 * 1, four times that in a batch
// epoch 1.
TEST_F(BackpropTest, OneEpochOnlineAndBatchByHand) {
  struct Case {
    bool online;
    std::vector<double> weights;
  } cases[] = {
      {true, {1.03125, 0.96875, 2.03125, 0.9375, -0.03125, 0.0625}},
      {false, {1.125, 0.875, 2.03125, 0.9375, -0.03125, 0.0625}},
  };
  for (const Case& c : cases) {
    SetUp();
    Tiny(c.online);
    ASSERT_TRUE(TrainBP(*wb));
    EXPECT_EQ(Flat(*wb), c.weights) << c.online;
    EXPECT_EQ(wb->BPDelta[2], (std::vector<double>{0.125, -0.125}));
    // Row 0 of the records holds the epoch: its error (0.25 + 0.25), its accuracy (the first of equal
    // outputs wins) and the weights after it.
    ASSERT_EQ(wb->EpochHistory.size(), 1u);
    EXPECT_EQ(wb->EpochHistory[0].Error, 0.5);
    EXPECT_EQ(wb->EpochHistory[0].Accuracy, 1.0);
    const auto row = wb->WeightHistory.Row(0);
    EXPECT_EQ(std::vector<double>(row.begin(), row.end()), c.weights);
    EXPECT_EQ(wb->Form1.ep.Text(), "0");
    EXPECT_EQ(wb->Form1.ge.Text(), "0.5000 / 0.5000");
    EXPECT_EQ(wb->Form1.Label19.Caption(), c.online ? "Backpropagation - online mode" : "Backpropagation - batch mode");
    EXPECT_EQ(wb->ParamText[7], std::string(c.online ? "Backpropagation - online mode" : "Backpropagation - batch mode") +
                                    "   eta=0.5  alfa(momentum)=0.0");
    EXPECT_EQ(wb->MethodTag, "BP");
    // Six sigmoids per vector would be 3 (hidden and outputs, linear inputs).
    EXPECT_EQ(wb->Form1.alsigEdit.Text(), GroupedCount(wb->SigmoidCount));
    EXPECT_TRUE(fs::exists(wb->ResultsPrefix + "_InitWeights.txt"));
    EXPECT_FALSE(plat.Hourglass);
  }
}

// ---- the run against the rules -------------------------------------------------------------------------

TEST_F(BackpropTest, TheRunFollowsTheRulesWithEveryOption) {
  struct Case {
    const char* what;
    bool online, oneHot;
    std::uint8_t scheme;  // 4 linear inputs, 2 sigmoid inputs
    const char *momentum, *slope, *stretch, *setOff, *exponent;
    int decay;
  } cases[] = {
      {"batch", false, false, 4, "0.0", "1", "1", "0", "2.0", 0},
      {"online", true, false, 4, "0.0", "1", "1", "0", "2.0", 0},
      {"batch, momentum, decay", false, false, 4, "0.9", "1", "1", "0", "2.0", 4},
      {"online, momentum, decay", true, false, 4, "0.5", "1", "1", "0", "2.0", 2},
      {"sigmoid inputs, slope, stretch, set-off, exponent", false, false, 2, "0.3", "2", "1.5", "0.1", "3", 1},
      {"online, sigmoid inputs, slope 0", true, false, 2, "0.0", "0", "1", "0", "1.5", 0},
      {"one-hot inputs, batch", false, true, 4, "0.2", "1", "1", "0", "2.0", 3},
      {"one-hot inputs, online", true, true, 4, "0.2", "1", "1", "0", "2.0", 0},
  };
  for (const Case& c : cases) {
    SetUp();
    TForm1& f = wb->Form1;
    if (c.oneHot)
      OneHot(60);
    else
      Blobs(45, c.scheme);
    f.BPmom.SetText(c.momentum);
    f.SlopeEdit.SetText(c.slope);
    f.sscaleEdit.SetText(c.stretch);
    f.SetOffEdit.SetText(c.setOff);
    f.ExpEdit.SetText(c.exponent);
    f.LRDBox.SetItemIndex(c.decay);
    Read("7", "0.3", c.online);
    const double slope = wb->Slope;

    const std::vector<double> start = Flat(*wb);
    const std::vector<double> errors = PlainBP(*wb);
    const std::vector<double> expected = Flat(*wb);
    SetFlat(*wb, start);
    wb->Slope = slope;

    ASSERT_TRUE(TrainBP(*wb)) << c.what;
    const std::vector<double> got = Flat(*wb);
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], expected[i], 1e-11) << c.what << " weight " << i;
    ASSERT_EQ(wb->EpochHistory.size(), errors.size());
    for (std::size_t e = 0; e < errors.size(); ++e)
      EXPECT_NEAR(wb->EpochHistory[e].Error, errors[e], 1e-11) << c.what << " epoch " << e;
    // The last epoch's weights are the network's.
    const auto last = wb->WeightHistory.Row(7);
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(last[i], got[i]);
  }
}

// A second update adds its own step and 0.9 times the first: the difference between runs with momentum
// 0.9 and 0 after two vectors is 0.9 times the first step, which the online record shows as rows
// [..][1] - [..][0].
TEST_F(BackpropTest, MomentumAddsTheFirstStepToTheSecond) {
  std::vector<double> plain, withMomentum, first;
  for (const char* momentum : {"0.0", "0.9"}) {
    SetUp();
    Blobs(2, 4);
    wb->Form1.BPmom.SetText(momentum);
    Read("0", "0.5", true);
    ASSERT_TRUE(TrainBP(*wb));
    (std::string(momentum) == "0.0" ? plain : withMomentum) = Flat(*wb);
    const auto r0 = wb->Online.Row(0, 0), r1 = wb->Online.Row(0, 1);
    first.assign(r0.size(), 0.0);
    for (std::size_t i = 0; i < r0.size(); ++i) first[i] = r1[i] - r0[i];
  }
  double moved = 0.0;
  for (std::size_t i = 0; i < plain.size(); ++i) {
    EXPECT_NEAR(withMomentum[i] - plain[i], 0.9 * first[i], 1e-15) << i;
    moved += std::fabs(first[i]);
  }
  EXPECT_GT(moved, 1e-3);
}

// ---- the online records --------------------------------------------------------------------------------

TEST_F(BackpropTest, TheOnlineRecordsHoldTheWeightsInForceAtEveryVector) {
  Blobs(3, 4);
  Read("2", "0.4", true);
  const std::vector<double> start = Flat(*wb);
  ASSERT_TRUE(TrainBP(*wb));
  ASSERT_EQ(wb->Online.Errors.size(), 3u);
  // Row [0][..][0] is the start of the run, [e][..][0] the end of epoch e - 1.
  const auto r00 = wb->Online.Row(0, 0);
  EXPECT_EQ(std::vector<double>(r00.begin(), r00.end()), start);
  for (int e = 1; e <= 2; ++e) {
    const auto a = wb->Online.Row(e, 0);
    const auto b = wb->WeightHistory.Row(static_cast<std::size_t>(e - 1));
    EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin())) << e;
  }
  // Each vector's update moves the weights: [..][1] differs from [..][0].
  const auto r01 = wb->Online.Row(0, 1);
  EXPECT_NE(std::vector<double>(r01.begin(), r01.end()), start);
  // An epoch's error is the sum of its vectors' errors, each before its own update.
  for (int e = 0; e <= 2; ++e) {
    double sum = 0.0;
    for (double x : wb->Online.Errors[static_cast<std::size_t>(e)]) sum += x;
    EXPECT_DOUBLE_EQ(wb->EpochHistory[static_cast<std::size_t>(e)].Error, sum) << e;
  }
}

// Every reader of the online record, rows and errors, gets the run's own rows, whether the run wrote them
// as it went or they are replayed when first read: dense and one-hot inputs (whose updates touch only the
// weights the vector reaches), momentum and decay, weights at -0 (which a full update turns into +0), a
// momentum that is not finite (the run stops at the overflow) and batch runs, which record none. Bit for
// bit, after the run's arrays and the classes have changed.
TEST_F(BackpropTest, EveryReaderOfTheOnlineRecordGetsTheRunsOwnRows) {
  struct Case {
    const char* what;
    bool online, oneHot;
    const char* momentum;
    int decay;
    const char* epochs;
    bool negativeZeros, infiniteMomentum;
  } cases[] = {
      {"online", true, false, "0.0", 0, "3", false, false},
      {"online, momentum, decay", true, false, "0.5", 2, "3", false, false},
      {"one-hot, online", true, true, "0.0", 0, "3", false, false},
      {"one-hot, online, momentum, decay", true, true, "0.6", 3, "4", false, false},
      {"one-hot, online, weights at -0", true, true, "0.3", 0, "2", true, false},
      {"one-hot, online, momentum not finite", true, true, "0.0", 0, "3", false, true},
      {"online, momentum not finite", true, false, "0.0", 0, "3", false, true},
      {"one-hot, batch", false, true, "0.2", 0, "3", false, false},
  };
  const auto sameBits = [](const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
  };
  struct Run {
    std::string stop;
    bool recorded = false;
    std::vector<double> weights;
    std::vector<std::vector<double>> errors, rows, history;
  };
  for (const Case& c : cases) {
    Run runs[2];
    for (int direct = 0; direct < 2; ++direct) {
      SetUp();
      if (c.oneHot)
        OneHot(40);
      else
        Blobs(30, 4);
      wb->Form1.BPmom.SetText(c.momentum);
      wb->Form1.LRDBox.SetItemIndex(c.decay);
      Read(c.epochs, "0.4", c.online);
      if (c.negativeZeros)
        for (int k = 0; k < wb->Layers[0]; ++k) wb->Net[1][0].Weights[static_cast<std::size_t>(k)] = -0.0;
      if (c.infiniteMomentum) wb->BPMomentum = std::numeric_limits<double>::infinity();
      wb->Online.WriteRows = direct == 1;
      Run& r = runs[direct];
      try {
        ASSERT_TRUE(TrainBP(*wb)) << c.what;
      } catch (const WlError& e) {
        r.stop = e.what();
      }
      wb->BPStep = {};
      wb->BPPrevStep = {};
      wb->BPDelta.clear();
      for (int& k : wb->VectorClass) k = 1 - k;
      r.recorded = wb->Online.Recorded;
      r.weights = Flat(*wb);
      r.errors = wb->Online.Errors;
      for (std::size_t i = 0; i < wb->Online.Rows(); ++i) {
        const auto row = wb->Online.Weights().Row(i);
        r.rows.emplace_back(row.begin(), row.end());
      }
      for (std::size_t i = 0; i < wb->WeightHistory.Rows(); ++i) {
        const auto row = wb->WeightHistory.Row(i);
        r.history.emplace_back(row.begin(), row.end());
      }
    }
    const Run &replayed = runs[0], &written = runs[1];
    EXPECT_EQ(replayed.stop, written.stop) << c.what;
    EXPECT_EQ(c.infiniteMomentum, !written.stop.empty()) << c.what << ": " << written.stop;
    EXPECT_EQ(replayed.recorded, c.online) << c.what;
    EXPECT_EQ(written.recorded, c.online) << c.what;
    EXPECT_TRUE(sameBits(replayed.weights, written.weights)) << c.what;
    ASSERT_EQ(replayed.errors.size(), written.errors.size()) << c.what;
    for (std::size_t e = 0; e < written.errors.size(); ++e)
      EXPECT_TRUE(sameBits(replayed.errors[e], written.errors[e])) << c.what << " epoch " << e;
    ASSERT_EQ(replayed.rows.size(), written.rows.size()) << c.what;
    EXPECT_EQ(written.rows.size(), c.online ? (std::stoul(c.epochs) + 1) * wb->Online.Vectors : 0u) << c.what;
    for (std::size_t i = 0; i < written.rows.size(); ++i)
      EXPECT_TRUE(sameBits(replayed.rows[i], written.rows[i])) << c.what << " row " << i;
    ASSERT_EQ(replayed.history.size(), written.history.size()) << c.what;
    for (std::size_t i = 0; i < written.history.size(); ++i)
      EXPECT_TRUE(sameBits(replayed.history[i], written.history[i])) << c.what << " history row " << i;
    if (c.online && !written.rows.empty()) {
      // The rows move from vector to vector; and weights at -0 become +0 at the first update.
      EXPECT_FALSE(sameBits(written.rows[0], written.rows[1])) << c.what;
      if (c.negativeZeros) {
        EXPECT_TRUE(std::signbit(written.rows[0][0])) << c.what;
        for (std::size_t k = 0; k < 12; ++k) EXPECT_FALSE(std::signbit(written.rows[1][k]) && written.rows[1][k] == 0.0) << k;
      }
    }
  }
}

// A run keeps the blocks of an earlier run of the same size and writes them again: a run stopped by an
// overflow in its first epoch, after a full run of the same length, leaves the errors, the weight history
// and the rows of a run on a fresh workbench, the cells it did not reach 0. Dense and one-hot inputs, rows
// replayed or written.
TEST_F(BackpropTest, ARunStoppedEarlyAfterAFullOneReadsNothingOfTheFullOne) {
  const auto sameBits = [](std::span<const double> a, std::span<const double> b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
  };
  struct Record {
    std::string stop;
    std::vector<std::vector<double>> errors, history, rows;
  };
  for (const bool oneHot : {false, true})
    for (const bool direct : {false, true}) {
      const std::string what = std::string(oneHot ? "one-hot" : "dense") + (direct ? ", rows written" : ", rows replayed");
      Record records[2];
      for (int fresh = 0; fresh < 2; ++fresh) {
        SetUp();
        if (oneHot)
          OneHot(40);
        else
          Blobs(30, 4);
        wb->Form1.BPmom.SetText("0.5");
        Read("3", "0.4", true);
        wb->Online.WriteRows = direct;
        const std::vector<double> start = Flat(*wb);
        if (fresh == 0) {
          ASSERT_TRUE(TrainBP(*wb)) << what;
          SetFlat(*wb, start);
        }
        wb->BPMomentum = std::numeric_limits<double>::infinity();
        Record& r = records[fresh];
        try {
          TrainBP(*wb);
        } catch (const WlError& e) {
          r.stop = e.what();
        }
        r.errors = wb->Online.Errors;
        for (std::size_t i = 0; i < wb->WeightHistory.Rows(); ++i) {
          const auto row = wb->WeightHistory.Row(i);
          r.history.emplace_back(row.begin(), row.end());
        }
        for (std::size_t i = 0; i < wb->Online.Rows(); ++i) {
          const auto row = wb->Online.Weights().Row(i);
          r.rows.emplace_back(row.begin(), row.end());
        }
      }
      const Record &after = records[0], &alone = records[1];
      EXPECT_FALSE(alone.stop.empty()) << what;
      EXPECT_EQ(after.stop, alone.stop) << what;
      ASSERT_EQ(after.errors.size(), 4u) << what;
      ASSERT_EQ(after.errors.size(), alone.errors.size()) << what;
      for (std::size_t e = 0; e < alone.errors.size(); ++e) {
        EXPECT_TRUE(sameBits(after.errors[e], alone.errors[e])) << what << " epoch " << e;
        if (e > 0) {
          for (double x : after.errors[e]) EXPECT_TRUE(x == 0.0 && !std::signbit(x)) << what << " epoch " << e;
        }
      }
      ASSERT_EQ(after.history.size(), alone.history.size()) << what;
      for (std::size_t i = 0; i < alone.history.size(); ++i)
        EXPECT_TRUE(sameBits(after.history[i], alone.history[i])) << what << " history row " << i;
      ASSERT_EQ(after.rows.size(), alone.rows.size()) << what;
      for (std::size_t i = 0; i < alone.rows.size(); ++i)
        EXPECT_TRUE(sameBits(after.rows[i], alone.rows[i])) << what << " row " << i;
    }
}

// ---- "min" ---------------------------------------------------------------------------------------------

// The weights move by 0.3 times the factor of the list that gives the lowest ComputeError along the step,
// or stay when no factor lowers it.
TEST_F(BackpropTest, MinMovesByAThirdOfTheBestFactorOrNotAtAll) {
  const double factors[] = {0, 0.8, 2, 3.4, 5, 7, 10, 14, 20, 30, 42};
  struct Case {
    const char* rate;
    bool moves;
  } cases[] = {{"0.05", true}, {"99", false}};
  for (const Case& c : cases) {
    SetUp();
    Blobs(30, 4);
    wb->Form1.BPminBox.SetChecked(true);
    Read("0", c.rate, false);
    // The step the batch pass will take, by the rules; then the errors along it.
    const std::vector<double> start = Flat(*wb);
    std::vector<double> step(start.size(), 0.0);
    bool correct;
    for (int v = 0; v < wb->NumOfVectors; ++v) PlainVectorStep(*wb, v, wb->BPLearnRate, 4.0, step, correct);
    const double e0 = ComputeError(*wb, 1);
    double best = e0, fBest = 0.0;
    for (double f : factors) {
      std::vector<double> w = start;
      for (std::size_t i = 0; i < w.size(); ++i) w[i] = start[i] + f * step[i];
      SetFlat(*wb, w);
      const double e = ComputeError(*wb, 1);
      if (e < best) best = e, fBest = f;
    }
    SetFlat(*wb, start);
    ASSERT_EQ(fBest != 0.0, c.moves) << c.rate;

    ASSERT_TRUE(TrainBP(*wb));
    const std::vector<double> got = Flat(*wb);
    for (std::size_t i = 0; i < got.size(); ++i)
      EXPECT_NEAR(got[i], start[i] + 0.3 * fBest * step[i], 1e-12) << c.rate << " weight " << i;
    // No momentum is kept for the next update, and the accuracy of the epoch is the pass's.
    for (double p : wb->BPPrevStep.Row(0)) EXPECT_EQ(p, 0.0);
    EXPECT_EQ(wb->EpochHistory[0].Accuracy, wb->AcceptedSuccessRate);
  }
}

// ---- schedules, period and slope -----------------------------------------------------------------------

TEST(BPSchedules, DisplayPeriodRateHiddenFactorAndSlope) {
  EXPECT_EQ(BPDisplayPeriod(100, 50), 10);
  EXPECT_EQ(BPDisplayPeriod(400, 50), 2);  // 2.5: halves to even
  EXPECT_EQ(BPDisplayPeriod(1000, 200), 1);
  EXPECT_EQ(BPDisplayPeriod(3, 4), 4167);
  EXPECT_EQ(BPDisplayPeriod(200000, 50000), 1);  // a product beyond 32 bits

  // "v. slow" over 100 epochs: practically eta0 in epoch 0, about half of it in epoch 100.
  EXPECT_NEAR(BPRate(0.2, 69.315, 0), 0.2, 1e-20);
  EXPECT_NEAR(BPRate(0.2, 69.315, 100) / 0.2, 0.4966, 5e-5);
  EXPECT_EQ(BPRate(0.2, 0.0, 100), 0.2);

  const std::pair<double, double> slopes[] = {{0.0, 1.0}, {150.0, 99.0}, {99.0, 99.0}, {0.005, 0.01}, {-3.0, 0.01}, {2.5, 2.5}};
  for (const auto& [in, out] : slopes) EXPECT_EQ(BPSlopeInRange(in), out) << in;
}

TEST_F(BackpropTest, TheDecayConstantAndTheHiddenFactorSchedule) {
  wb->Form1.LRDBox.SetItemIndex(1);  // "v. slow"
  wb->Form1.EpochEditT2.SetText("100");
  ASSERT_FALSE(ReadParameters(*wb));
  EXPECT_NEAR(wb->BPDecay, 69.315, 1e-12);
  wb->Form1.LRDBox.SetItemIndex(0);
  ASSERT_FALSE(ReadParameters(*wb));
  EXPECT_EQ(wb->BPDecay, 0.0);

  const double expected[] = {4, 4, 2.5, 2.5, 1.5, 1.5, 1, 1, 1};
  for (int e = 1; e <= 9; ++e) EXPECT_EQ(BPHiddenFactor(*wb, e), expected[e - 1]) << e;
  // Only the edits the epoch consults are converted.
  wb->Form1.MEdit3.SetText("x");
  EXPECT_EQ(BPHiddenFactor(*wb, 4), 2.5);
  EXPECT_THROW(BPHiddenFactor(*wb, 5), ConvertError);
}

TEST_F(BackpropTest, TheSlopeIsKeptInRangeByTheFirstPass) {
  for (const auto& [slope, kept] : {std::pair{0.0, 1.0}, std::pair{150.0, 99.0}}) {
    SetUp();
    Tiny(false);
    wb->Slope = slope;
    ASSERT_TRUE(TrainBP(*wb));
    EXPECT_EQ(wb->Slope, kept);
  }
}

// ---- refusals and failures -----------------------------------------------------------------------------

TEST_F(BackpropTest, OnlyThreeLayerStandardNetworksAreTrained) {
  const std::string refusal =
      "This implementation of backpropagation suports only 3-layer netwoks without crossover connections";
  const std::string approximation =
      "This implementation of backpropagation does not support Function Approximation: uncheck it, or train "
      "with the numerical gradient";
  struct Case {
    const char* what;
    int layers;
    RadioButton TForm1::*structure;
    bool approximation = false;
  } cases[] = {
      {"2 layers", 2, &TForm1::FullConn},
      {"4 layers", 4, &TForm1::FullConn},
      {"Crossover", 3, &TForm1::SkipCheck},
      {"SMLP", 3, &TForm1::strbox},
      {"Function Approximation", 3, &TForm1::FullConn, true},
  };
  for (const Case& c : cases) {
    SetUp();
    Tiny(true);
    (wb->Form1.*c.structure).SetChecked(true);
    wb->Form1.FApproxBox.SetChecked(c.approximation);
    wb->Form1.LogGradientBox.SetChecked(true);
    wb->NumOfLayers = c.layers;
    const std::vector<double> before = Flat(*wb);
    EXPECT_FALSE(TrainBP(*wb)) << c.what;
    ASSERT_EQ(plat.Messages.size(), 1u) << c.what;
    EXPECT_EQ(plat.Messages[0].Text, c.approximation ? approximation : refusal);
    EXPECT_EQ(Flat(*wb), before);
    EXPECT_TRUE(wb->EpochHistory.empty());
    EXPECT_EQ(wb->MethodTag, "NA");
    EXPECT_TRUE(fs::is_empty(dir / "results")) << c.what;
  }
}

TEST_F(BackpropTest, WithoutADataSetOrNetworkNothingRuns) {
  wb->ResultsPrefix.clear();
  ASSERT_FALSE(ReadParameters(*wb));
  EXPECT_THROW(TrainBP(*wb), WlError);
  SetUp();
  test::SetContinuousRows(*wb, {{1.0}});
  SetClasses({0}, 2);
  ASSERT_FALSE(ReadParameters(*wb));
  EXPECT_THROW(TrainBP(*wb), WlError);
}

// The online histories of 1,000 epochs of the breast-cancer set (569 vectors, 30-10-2: 332 weights) take
// 1.5 GB; a run whose histories would not fit in memory is refused before anything changes.
TEST_F(BackpropTest, OnlineHistoriesThatDoNotFitAreRefused) {
  EXPECT_NEAR(OnlineHistoryBytes(1000, 569, 332), 1.5e9, 0.02e9);

  Tiny(true);
  wb->NumOfEpochs = 999;
  EXPECT_NO_THROW(CheckOnlineHistoriesFit(*wb, 999, 1'000'000));  // 1000 x 7 x 8 bytes
  try {
    CheckOnlineHistoriesFit(*wb, 999999, 40'000'000);
    ADD_FAILURE() << "no refusal";
  } catch (const WlError& e) {
    EXPECT_STREQ(e.what(),
                 "The histories of online backpropagation (1000000 epochs x 6 weights x 1 vectors) need 56 MB of "
                 "memory, and 40 MB is available. Train fewer epochs, or choose batch mode.");
  }

  // 5,000 vectors and 303 weights over a million epochs: 12 TB, more than any machine holds.
  SetUp();
  Blobs(5000, 4);
  wb->Form1.HiddenEditT2.SetText("50");
  ASSERT_EQ(CreateNetwork(*wb, 4), NetworkBuilt);
  Read("999999", "0.1", true);
  EXPECT_THROW(
      {
        try {
          TrainBP(*wb);
        } catch (const WlError& e) {
          EXPECT_NE(std::string(e.what()).find("need 12.2 TB of memory"), std::string::npos) << e.what();
          throw;
        }
      },
      WlError);
  EXPECT_TRUE(wb->EpochHistory.empty());
  EXPECT_EQ(wb->Online.Rows(), 0u);
  EXPECT_FALSE(plat.Hourglass);
}

// ---- the gradient log ----------------------------------------------------------------------------------

TEST_F(BackpropTest, TheGradientLogHoldsTheNormalisedStepsAndZerosForAZeroStep) {
  Tiny(true);
  wb->Form1.LogGradientBox.SetChecked(true);
  ASSERT_TRUE(TrainBP(*wb));
  // The step of the tiny network: 0.03125, -0.03125, 0.03125, -0.0625, -0.03125, 0.0625; length
  // sqrt(12) / 32.
  const std::vector<std::string> lines = test::Lines(test::ReadText(wb->ResultsPrefix + "_bpgradients.txt"));
  ASSERT_EQ(lines.size(), 1u);
  const double length = std::sqrt(4 * 0.03125 * 0.03125 + 2 * 0.0625 * 0.0625);
  EXPECT_DOUBLE_EQ(wb->GradSumSq, length);
  std::string expected;
  for (double s : {0.03125, -0.03125, 0.03125, -0.0625, -0.03125, 0.0625}) expected += "   " + FormatReal(s / length);
  EXPECT_EQ(lines[0], expected);
  EXPECT_EQ(lines[0].substr(0, 26), "    2.88675134594813E-0001");

  // Saturated outputs (thresholds far beyond the guard): every output 0, no error signal, a zero step.
  SetUp();
  Tiny(false);
  wb->Net[2][0].Weights[1] = 20000.0;
  wb->Net[2][1].Weights[1] = 20000.0;
  wb->Form1.LogGradientBox.SetChecked(true);
  ASSERT_TRUE(TrainBP(*wb));
  EXPECT_EQ(wb->GradSumSq, 0.0);
  std::string zeros;
  for (int i = 0; i < 6; ++i) zeros += "    0.00000000000000E+0000";
  EXPECT_EQ(test::ReadText(wb->ResultsPrefix + "_bpgradients.txt"), zeros + "\n");

  // On a full disk (the log's temporary file leads to /dev/full) the run ends naming the log, which keeps
  // what the run before wrote; no temporary file stays.
  const std::string log = wb->ResultsPrefix + "_bpgradients.txt";
  std::filesystem::create_symlink("/dev/full", log + ".tmp");
  plat.Messages.clear();
  EXPECT_FALSE(RunCommand(*wb, [&] { TrainBP(*wb); }));
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "Cannot write " + log);
  ASSERT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(log)));
  EXPECT_EQ(test::ReadText(log), zeros + "\n");
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(log + ".tmp")));
}

// ---- start values and displays -------------------------------------------------------------------------

TEST_F(BackpropTest, StartValuesComeFromAllVectorsAndTheWeightedRateIsNotDividedAgain) {
  Blobs(21, 4);
  wb->Form1.PartEdit.SetText("3");
  Read("3", "0.1", true);
  ASSERT_EQ(wb->NumOfParts, 3);
  wb->BatchIndex = {0};  // a part BP never draws
  const std::vector<double> start = Flat(*wb);
  ASSERT_TRUE(TrainBP(*wb));
  // The start text is the error over every vector of the start weights.
  SetFlat(*wb, start);
  wb->NumOfParts = 1;
  EXPECT_EQ(wb->ResultText, FixedDisplayText(NetworkError(*wb), 12, 4));
  // Online: the weighted rate shown is the preparation's, a share of the vectors (at most 1).
  const double weighted = StrToFloat(wb->Form1.WeightedAccEdit.Text());
  EXPECT_LE(weighted, 1.0);
  EXPECT_GT(weighted, 0.0);
  EXPECT_EQ(wb->Form1.ep.Text(), "3");
  EXPECT_EQ(wb->Form1.TrainingEdit.Text().back(), 's');
}

// The run's start errors, taken from the kernel's kept inputs, are NetworkError's to the bit, side results
// included, for dense and one-hot inputs, sums over nonzero inputs beside -0 inputs and an infinite weight,
// the guard, a stretched sigmoid, another exponent and set-off, and a slope the run brings into range.
TEST_F(BackpropTest, TheKernelsStartErrorsAreNetworkErrorsOwn) {
  struct Case {
    const char* what;
    bool oneHot;
    double stretch, exponent, setOff, slope;
    void (*change)(Workbench&);
    bool overflow;  // a zero input times the infinite weight
  } cases[] = {
      {"dense", false, 1.0, 2.0, 0.0, 1.0, nullptr, false},
      {"one-hot", true, 1.0, 2.0, 0.0, 1.0, nullptr, false},
      {"one-hot, stretch, exponent 3, set-off", true, 1.3, 3.0, 0.1, 1.0, nullptr, false},
      {"dense, slope 0", false, 1.0, 2.0, 0.0, 0.0, nullptr, false},
      {"one-hot, an input weight -0", true, 1.0, 2.0, 0.0, 1.0,
       [](Workbench& w) { w.Net[0][1].Weights[0] = -0.0; }, false},
      {"one-hot, hidden weights past the guard", true, 1.0, 2.0, 0.0, 1.0,
       [](Workbench& w) { w.Net[1][0].Weights.back() = 2e4; w.Net[1][1].Weights[0] = -3e4; }, false},
      {"one-hot, an infinite hidden weight", true, 1.0, 2.0, 0.0, 1.0,
       [](Workbench& w) { w.Net[1][2].Weights[4] = std::numeric_limits<double>::infinity(); }, true},
      {"dense, an infinite hidden weight", false, 1.0, 2.0, 0.0, 1.0,
       [](Workbench& w) { w.Net[1][0].Weights[1] = -std::numeric_limits<double>::infinity(); }, false},
  };
  struct Result {
    double error = 0.0, rate = 0.0, evaluations = 0.0;
    int correct = 0;
    std::int64_t sigmoids = 0;
    std::string stop;
    std::vector<double> signals;
  };
  const auto sameBits = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
  for (const Case& c : cases) {
    SetUp();
    if (c.oneHot)
      OneHot(40);
    else
      Blobs(30, 4);
    Read("2", "0.4", true);
    ASSERT_TRUE(wb->LinearInputs) << c.what;
    wb->Stretch = c.stretch;
    wb->ErrorExponent = c.exponent;
    wb->SetOff = c.setOff;
    wb->Slope = c.slope;
    if (c.change) c.change(*wb);
    EvalOptions options = ReadEvalOptions(*wb);
    ASSERT_TRUE(BPKernel::GivesStartError(*wb, options)) << c.what;
    Result results[2];
    for (int kernel = 0; kernel < 2; ++kernel) {
      for (auto& layer : wb->Net)
        for (TNeuron& n : layer) n.Signal = 0.25;
      wb->SuccessRate = -1.0;
      wb->NumOfCorrect = -1;
      wb->ErrorEvaluations = 3.0;
      wb->SigmoidCount = 5;
      Result& r = results[kernel];
      try {
        r.error = kernel ? BPKernel(*wb, options).StartError(options) : NetworkError(*wb, options);
      } catch (const FloatError& e) {
        r.stop = e.what();
      }
      r.rate = wb->SuccessRate;
      r.correct = wb->NumOfCorrect;
      r.evaluations = wb->ErrorEvaluations;
      r.sigmoids = wb->SigmoidCount;
      for (const auto& layer : wb->Net)
        for (const TNeuron& n : layer) r.signals.push_back(n.Signal);
    }
    const Result &pass = results[0], &kernel = results[1];
    EXPECT_EQ(kernel.stop, pass.stop) << c.what;
    EXPECT_TRUE(sameBits(kernel.error, pass.error)) << c.what << ": " << kernel.error << " " << pass.error;
    EXPECT_TRUE(sameBits(kernel.rate, pass.rate)) << c.what;
    EXPECT_EQ(kernel.correct, pass.correct) << c.what;
    EXPECT_EQ(kernel.evaluations, pass.evaluations) << c.what;
    EXPECT_EQ(kernel.sigmoids, pass.sigmoids) << c.what;
    ASSERT_EQ(kernel.signals.size(), pass.signals.size()) << c.what;
    for (std::size_t i = 0; i < pass.signals.size(); ++i)
      EXPECT_TRUE(sameBits(kernel.signals[i], pass.signals[i])) << c.what << " signal " << i;
    EXPECT_EQ(!pass.stop.empty(), c.overflow) << c.what << ": " << pass.stop;
    if (!c.overflow) {
      EXPECT_GT(pass.correct, 0) << c.what;
    }
  }
}

// After a run the input layer holds the last vector's signals as the forward pass gives them, inputs at -0
// included, with one-hot (kept as nonzero inputs) and dense inputs.
TEST_F(BackpropTest, TheInputLayerEndsWithTheLastVectorsSignals) {
  for (bool oneHot : {true, false}) {
    SetUp();
    if (oneHot)
      OneHot(40);
    else
      Blobs(30, 4);
    Read("1", "0.4", true);
    // One-hot: the input hot in the last vector (feature 0's value) gives -0.
    const auto k0 = oneHot ? static_cast<std::size_t>(wb->Data.back()[0]) : 1u;
    wb->Net[0][k0].Weights[0] = -0.0;
    ASSERT_TRUE(TrainBP(*wb));
    std::vector<double> signals;
    for (const TNeuron& n : wb->Net[0]) signals.push_back(n.Signal);
    ForwardInputLayer(*wb, wb->NumOfVectors - 1);
    bool negativeZero = false;
    for (std::size_t k = 0; k < signals.size(); ++k) {
      const double x = wb->Net[0][k].Signal;
      EXPECT_EQ(std::memcmp(&signals[k], &x, sizeof x), 0) << oneHot << " input " << k;
      negativeZero = negativeZero || (x == 0.0 && std::signbit(x));
    }
    EXPECT_EQ(negativeZero, oneHot || wb->Data.back()[1] > 0.0) << oneHot;
  }
}

}  // namespace
}  // namespace wl

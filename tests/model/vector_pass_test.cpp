// The two paths of the per-layer error pass, the plain loops and the vector kernels (blocks of four
// vectors, fused multiply-adds, the kernels' own exponential), against a plain reference loop: on one-hot
// and dense inputs, vector counts that leave a partial block, every transfer function of the pass, and
// saturated sums; and a search whose trials follow the error accepts the same trials on both paths.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "model/class_weights.h"
#include "model/create_network.h"
#include "model/data_file.h"
#include "model/error_functions.h"
#include "model/forward_pass.h"
#include "model/layer_transfer.h"
#include "model/vector_pass.h"
#include "state/workbench.h"
#include "platform/random.h"
#include "platform/scripted_platform.h"
#include "support/test_support.h"
#include "training/one_change.h"

namespace wl {
namespace {

// Restores the automatic choice when a test ends.
struct PathGuard {
  explicit PathGuard(EvaluationPath p) { SetEvaluationPath(p); }
  ~PathGuard() { SetEvaluationPath(EvaluationPath::Automatic); }
};

double Relative(double a, double b) { return a == b ? 0.0 : std::fabs(a - b) / std::max(std::fabs(a), std::fabs(b)); }

TEST(VectorExp, FollowsTheLibrarysExpWithinTwoUnitsInTheLastPlace) {
  if (!VectorKernelsAvailable()) GTEST_SKIP() << "no AVX2 and FMA";
  // The whole range the logistic reaches, evenly, and the arguments near 0 and the reduction's seams
  // (odd multiples of ln 2 / 2) densely.
  std::vector<double> a;
  for (int i = 0; i <= 200000; ++i) a.push_back(-708.0 + (709.78 + 708.0) * i / 200000.0);
  for (int i = -50000; i <= 50000; ++i) a.push_back(i * 4e-5);
  for (int k = -40; k <= 40; ++k)
    for (int d = -20; d <= 20; ++d) a.push_back((k + 0.5) * std::log(2.0) + d * 1e-15);
  std::vector<double> out(a.size());
  VectorExp(a.data(), out.data(), static_cast<int>(a.size()));
  double worst = 0.0, at = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const double r = Relative(out[i], std::exp(a[i]));
    if (r > worst) {
      worst = r;
      at = a[i];
    }
  }
  EXPECT_LE(worst, 2.0 * std::numeric_limits<double>::epsilon()) << "at " << at;
  // The ends: overflow to infinity, NaN kept, and counts that leave a partial register.
  const double edge[5] = {709.79, 1e6, std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::quiet_NaN(), 0.0};
  double e[5];
  VectorExp(edge, e, 5);
  EXPECT_TRUE(std::isinf(e[0]) && std::isinf(e[1]) && std::isinf(e[2]));
  EXPECT_TRUE(std::isnan(e[3]));
  EXPECT_EQ(e[4], 1.0);
}

struct Net {
  std::vector<int> layers;
  std::vector<std::uint8_t> kinds;  // per layer above the inputs
};

class VectorPassTest : public ::testing::Test {
 protected:
  ScriptedPlatform plat;
  std::unique_ptr<Workbench> bench;

  // `oneHot`: three symbolic features (5, 4 and 3 values) and one continuous one, 13 inputs; else
  // `inputs` continuous features. Weights uniform in ±scale. `listed`: the symbolic features' values are
  // not 0, 1, 2, ... but listed values (the last feature lists only two of its three, and some rows have
  // a value not listed), and the continuous feature is 0 in every third row.
  Workbench& Make(bool oneHot, int inputs, int vectors, const Net& net, double scale, std::uint32_t seed,
                  bool listed = false) {
    bench = std::make_unique<Workbench>(plat, "/nonexistent/weightlab");
    Workbench& wb = *bench;
    RandomGenerator g;
    g.Seed = seed;
    const int classes = net.layers.back();
    if (oneHot) {
      const int values[3] = {5, 4, 3};
      for (int f = 0; f < 3; ++f) {
        TFeature feat;
        feat.Kind = 's';
        feat.Name = "f";
        feat.Name += std::to_string(f);
        feat.NValues = values[f];
        for (int j = 0; j < values[f]; ++j) {
          feat.Values.push_back(j);
          feat.Symbols.push_back(std::string(1, static_cast<char>('a' + j)));
        }
        wb.Features.push_back(feat);
      }
      wb.Features.push_back(TFeature{});
      wb.NumOfFeatures = 4;
      wb.AllContinuous = false;
      for (int v = 0; v < vectors; ++v)
        wb.Data.push_back({double(g.Below(5)), double(g.Below(4)), double(g.Below(3)), 2.0 * g.Real() - 1.0});
      if (listed) {
        wb.Features[0].Values = {3.0, -1.0, 4.5, 0.25, 9.0};
        wb.Features[1].Values = {1.0, 2.0, 3.0, 4.0};
        wb.Features[2].Values = {0.0, 2.0};
        for (int v = 0; v < vectors; ++v) {
          std::vector<double>& row = wb.Data[v];
          row[0] = wb.Features[0].Values[static_cast<std::size_t>(row[0])];
          row[1] = v % 7 == 3 ? 2.5 : row[1] + 1.0;  // 2.5: no value of the feature
          if (v % 3 == 0) row[3] = 0.0;
        }
      }
      wb.NumOfVectors = vectors;
    } else {
      std::vector<std::vector<double>> rows(static_cast<std::size_t>(vectors));
      for (auto& r : rows)
        for (int i = 0; i < inputs; ++i) r.push_back(4.0 * g.Real() - 2.0);
      test::SetContinuousRows(wb, rows);
    }
    wb.NumOfClasses = classes;
    for (int v = 0; v < vectors; ++v) wb.VectorClass.push_back(static_cast<int>(g.Below(classes)));
    for (int v = 0; v < vectors; ++v) wb.VectorWeight.push_back(0.5 + g.Real());
    std::vector<std::vector<std::vector<double>>> w;
    for (std::size_t l = 1; l < net.layers.size(); ++l) {
      w.emplace_back();
      for (int j = 0; j < net.layers[l]; ++j) {
        w.back().emplace_back();
        for (int i = 0; i <= net.layers[l - 1]; ++i) w.back().back().push_back(scale * (2.0 * g.Real() - 1.0));
      }
    }
    test::SetNetwork(wb, net.layers, w);
    for (std::size_t l = 0; l < net.kinds.size(); ++l) {
      wb.LayerTF[l].TFKind = net.kinds[l];
      wb.LayerTF[l].TFSlope = l == 0 ? 1.7 : 0.8;
      wb.LayerTF[l].TFStretch = l == 0 ? 1.2 : 1.0;  // a stretch above 1 reaches the clamps
    }
    wb.NumOfStep = 5;
    wb.ErrorExponent = 2.0;
    wb.SetOff = 0.1;
    return wb;
  }

  // The error by the plain arithmetic: inputs coded, sums in index order, the layers' functions, the
  // targets of the output function; and the winners' count.
  static double Reference(Workbench& wb, int& correct) {
    EnsureStairTable(wb);
    const StairParams stairs{wb.NumOfStep, &wb.StairTable, wb.StairScale, wb.StairRange};
    const std::vector<int>& L = wb.Layers;
    const std::uint8_t outKind = wb.LayerTF[L.size() - 2].TFKind;
    const double hi = 1.0 - wb.SetOff, lo = UnitRangeOutput(outKind) ? wb.SetOff : wb.SetOff - 1.0;
    double e = 0.0;
    correct = 0;
    for (int v = 0; v < wb.NumOfVectors; ++v) {
      std::vector<double> x(static_cast<std::size_t>(L[0]));
      CodeInputs(wb.Features, wb.Data[v].data(), x.data());
      for (std::size_t l = 1; l < L.size(); ++l) {
        std::vector<double> y;
        for (const TNeuron& n : wb.Net[l]) {
          double net = 0.0;
          for (int i = 0; i < L[l - 1]; ++i) net += x[i] * n.Weights[i];
          y.push_back(LayerTransfer(wb.LayerTF[l - 1], net, n.Weights[L[l - 1]], stairs));
        }
        x = y;
      }
      int winner = -1;
      double best = 0.0;
      for (int j = 0; j < L.back(); ++j) {
        e += ErrorTerm(x[j] - (j == wb.VectorClass[v] ? hi : lo), 2.0);
        if (x[j] > best) {
          best = x[j];
          winner = j;
        }
      }
      if (winner == wb.VectorClass[v]) ++correct;
    }
    return e;
  }
};

TEST_F(VectorPassTest, BothPathsGiveTheReferenceNumbers) {
  struct Case {
    std::string what;
    bool oneHot;
    int inputs, vectors;
    Net net;
    double scale;
    bool listed = false;
  };
  std::vector<Case> cases = {
      {"one-hot of listed values 13-6-3, 29 vectors", true, 13, 29, {{13, 6, 3}, {1, 1}}, 1.5, true},
      {"one-hot 13-6-3, 61 vectors", true, 13, 61, {{13, 6, 3}, {1, 1}}, 1.5},
      {"dense 5-7-3, one vector", false, 5, 1, {{5, 7, 3}, {1, 1}}, 1.0},
      {"dense 30-10-2, 6 vectors", false, 30, 6, {{30, 10, 2}, {1, 1}}, 1.0},
      {"dense 6-5-4-3, 9 vectors", false, 6, 9, {{6, 5, 4, 3}, {1, 2, 4}}, 1.0},
      {"saturated sums beyond the guards, 23 vectors", false, 5, 23, {{5, 4, 3}, {1, 1}}, 4000.0},
      {"large sums (e^a beyond double), 11 vectors", false, 3, 11, {{3, 4, 2}, {1, 1}}, 250.0},
      {"one-hot, saturated, 14 vectors", true, 13, 14, {{13, 3, 2}, {1, 1}}, 600.0},
  };
  // Every transfer function of the pass, as the hidden and as the output layer's.
  for (std::uint8_t k = 1; k <= 7; ++k) {
    cases.push_back({"hidden function " + std::to_string(k) + ", 7 vectors", false, 4, 7,
                     {{4, 5, 3}, {k, 1}}, 1.2});
    cases.push_back({"output function " + std::to_string(k) + ", 10 vectors", true, 13, 10,
                     {{13, 5, 3}, {1, k}}, 1.2});
  }
  std::uint32_t seed = 17;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Workbench& wb = Make(c.oneHot, c.inputs, c.vectors, c.net, c.scale, ++seed, c.listed);
    int refCorrect = 0;
    const double ref = Reference(wb, refCorrect);
    for (const EvaluationPath path : {EvaluationPath::Plain, EvaluationPath::Vector}) {
      SCOPED_TRACE(path == EvaluationPath::Plain ? "plain" : "vector");
      if (path == EvaluationPath::Vector && !VectorKernelsAvailable()) continue;
      PathGuard guard(path);
      const double e = TrainingSetError(wb);
      EXPECT_LE(Relative(e, ref), 1e-12) << e << " against " << ref;
      EXPECT_EQ(wb.NumOfCorrect, refCorrect);
    }
  }
}

TEST_F(VectorPassTest, TheCountersAndVotesAreThoseOfThePlainPath) {
  if (!VectorKernelsAvailable()) GTEST_SKIP() << "no AVX2 and FMA";
  Workbench& wb = Make(true, 13, 37, {{13, 6, 3}, {1, 1}}, 2.0, 5);
  wb.CommitteeVoting = true;
  wb.CommitteeMember = 0;
  wb.CommitteeVotes.assign(37, std::vector<int>(1, -2));
  struct Seen {
    double e, weighted, rate;
    int correct, tpt, tpn, npn, npt;
    std::int64_t sigmoids;
    std::vector<std::vector<int>> votes;
  };
  auto run = [&](EvaluationPath p) {
    PathGuard guard(p);
    const std::int64_t before = wb.SigmoidCount;
    const double e = TrainingSetError(wb);
    return Seen{e,           wb.WeightedCorrect, wb.SuccessRate, wb.NumOfCorrect,         wb.CountTPT,
                wb.CountTPN, wb.CountNPN,        wb.CountNPT,    wb.SigmoidCount - before, wb.CommitteeVotes};
  };
  const Seen plain = run(EvaluationPath::Plain), vec = run(EvaluationPath::Vector);
  EXPECT_LE(Relative(plain.e, vec.e), 1e-12);
  EXPECT_EQ(plain.weighted, vec.weighted);
  EXPECT_EQ(plain.rate, vec.rate);
  EXPECT_EQ(plain.correct, vec.correct);
  EXPECT_EQ(plain.tpt, vec.tpt);
  EXPECT_EQ(plain.tpn, vec.tpn);
  EXPECT_EQ(plain.npn, vec.npn);
  EXPECT_EQ(plain.npt, vec.npt);
  EXPECT_EQ(plain.sigmoids, vec.sigmoids);
  EXPECT_EQ(plain.votes, vec.votes);
}

// The logistic of the signal table's blocks and of single numbers: equal bit for bit (kept outputs and
// outputs computed in blocks must agree), 1 / (e^s + 1) to rounding, the ends as the library's.
TEST(VectorLogistic, BlocksAndSingleNumbersAgreeBitForBit) {
  if (!VectorKernelsAvailable()) GTEST_SKIP() << "no AVX2 and FMA";
  std::vector<double> s;
  for (int i = 0; i <= 20000; ++i) s.push_back(-750.0 + 1500.0 * i / 20000.0);
  for (int i = -5000; i <= 5000; ++i) s.push_back(i * 3e-3);
  const double inf = std::numeric_limits<double>::infinity();
  for (double e : {11300.0, 11301.0, 709.79, -708.5, -1e6, inf, -inf, 0.0, -0.0}) s.push_back(e);
  // Counts that leave 1, 2 and 3 lanes of the last register.
  for (const std::size_t n : {s.size(), s.size() - 1, s.size() - 2, s.size() - 3}) {
    std::vector<double> y(n);
    VectorLogistic(s.data(), y.data(), static_cast<int>(n));
    for (std::size_t i = 0; i < n; ++i) {
      const double k = KernelLogistic(s[i]);
      ASSERT_EQ(std::memcmp(&y[i], &k, sizeof k), 0) << s[i];
      const double library = 1.0 / (std::exp(s[i]) + 1.0);
      ASSERT_LE(std::fabs(y[i] - library), 4.0 * std::numeric_limits<double>::epsilon() * library) << s[i];
    }
  }
  EXPECT_EQ(KernelLogistic(11301.0), 0.0);
  EXPECT_EQ(KernelLogistic(-1e6), 1.0);
  EXPECT_TRUE(std::isnan(KernelLogistic(std::numeric_limits<double>::quiet_NaN())));
}

// The logistic by registers of eight lanes (where the processor has AVX-512) and of four: the same bits
// for every number, the ends of the exponential's range and the table's guard, infinities, NaNs of
// either sign, zeros and subnormal sums among them, whatever the count and start leave in the last
// register.
TEST(VectorLogistic, EightAndFourLanesGiveTheSameBits) {
  if (!WideKernelsAvailable()) GTEST_SKIP() << "no AVX-512";
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> s = {11300.0, 11301.0, 709.78, 709.79, 710.0, std::nextafter(710.0, 0.0), 745.2, -708.0,
                           std::nextafter(-708.0, 0.0), -708.5, -745.2, -1e6, inf, -inf, nan, -nan, 0.0, -0.0,
                           std::numeric_limits<double>::denorm_min(), -1e-310, 0.5 * std::log(2.0),
                           -0.5 * std::log(2.0), 36.7, -36.7, 37.5, -37.5};
  RandomGenerator g;
  g.Seed = 31;
  for (int i = 0; i < 4000; ++i) s.push_back(1500.0 * g.Real() - 750.0);
  for (int i = 0; i < 2000; ++i) s.push_back(g.Real() - 0.5);
  for (int i = -60; i <= 60; ++i) s.push_back(i * std::log(2.0) / 2.0);  // the reduction's rounding edges
  for (int start = 0; start < 3; ++start)
    for (int n = 0; n <= 19; ++n)
      for (const int count : {n, static_cast<int>(s.size()) - start - n}) {
        SCOPED_TRACE("start " + std::to_string(start) + ", " + std::to_string(count) + " numbers");
        std::vector<double> four(s.size(), 7.0), eight(s.size(), 7.0);
        VectorLogisticLanes(s.data() + start, four.data() + start, count, 4);
        VectorLogisticLanes(s.data() + start, eight.data() + start, count, 8);
        ASSERT_EQ(std::memcmp(four.data(), eight.data(), s.size() * sizeof(double)), 0);
        for (std::size_t i = 0; i < s.size(); ++i) {
          const bool inside = i >= std::size_t(start) && i < std::size_t(start + count);
          if (!inside) {
            ASSERT_EQ(eight[i], 7.0) << "a number outside the count was written at " << i;
          }
        }
      }
  // VectorLogistic itself takes the eight lanes here: the single numbers' kernel still agrees.
  std::vector<double> y(s.size());
  VectorLogistic(s.data(), y.data(), static_cast<int>(s.size()));
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double k = KernelLogistic(s[i]);
    ASSERT_EQ(std::memcmp(&y[i], &k, sizeof k), 0) << s[i];
  }
}

// A variable step search on iris (150 vectors: a partial block) whose trials are full passes: the same
// trials are accepted on both paths, so the weights end equal, and the errors agree.
TEST(VectorPassSearch, AcceptsTheSameTrialsAsThePlainPath) {
  if (!VectorKernelsAvailable()) GTEST_SKIP() << "no AVX2 and FMA";
  test::TempProgramDir dir("wl_vector_pass_");
  std::vector<std::vector<double>> weights;
  std::vector<double> errors;
  for (const EvaluationPath path : {EvaluationPath::Plain, EvaluationPath::Vector}) {
    PathGuard guard(path);
    ScriptedPlatform plat;
    const std::string home = (dir.Path() / (path == EvaluationPath::Plain ? "plain" : "vector")).string();
    std::filesystem::create_directories(home);
    plat.ProgramDir = home;
    Workbench wb(plat, home);
    ReadDataFile(wb, std::string(WL_SOURCE_DIR) + "/DATA/iris.dat");
    wb.ResultsPrefix = home + "/results/iris_1";
    wb.Form1.HiddenEditT2.SetText("4");
    wb.Form1.EpochEditT2.SetText("2");
    wb.Form1.SMSTBox.SetChecked(false);
    wb.Rng.Seed = 77;
    ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
    auto flat = [&] {
      std::vector<double> w;
      for (std::size_t l = 1; l < wb.Net.size(); ++l)
        for (const TNeuron& n : wb.Net[l]) w.insert(w.end(), n.Weights.begin(), n.Weights.end());
      return w;
    };
    const std::vector<double> start = flat();
    TrainOneChange(wb, 2);
    weights.push_back(flat());
    EXPECT_NE(weights.back(), start);  // trials were accepted
    errors.push_back(TrainingSetError(wb));
  }
  EXPECT_EQ(weights[0], weights[1]);
  EXPECT_LE(Relative(errors[0], errors[1]), 1e-12);
}

// The same through the signal table, whose outputs the vector path computes with the kernels'
// logistic (the reached vectors of a trial in blocks): on iris (dense inputs, every vector reached) and
// on monk1 (discrete features: coded inputs, trials through the lists of hot vectors) the same trials
// are accepted on both paths, and the recorded errors agree to rounding.
TEST(VectorPassSearch, TrialsThroughTheSignalTableAcceptTheSameTrialsOnBothPaths) {
  if (!VectorKernelsAvailable()) GTEST_SKIP() << "no AVX2 and FMA";
  test::TempProgramDir dir("wl_vector_table_");
  for (const bool coded : {false, true}) {
    SCOPED_TRACE(coded ? "monk1" : "iris");
    std::vector<std::vector<double>> weights;
    std::vector<std::vector<TEpochStat>> epochs;
    for (const EvaluationPath path : {EvaluationPath::Plain, EvaluationPath::Vector}) {
      PathGuard guard(path);
      ScriptedPlatform plat;
      const std::string home =
          (dir.Path() / ((coded ? "coded_" : "iris_") + std::string(path == EvaluationPath::Plain ? "plain" : "vector")))
              .string();
      std::filesystem::create_directories(home);
      plat.ProgramDir = home;
      Workbench wb(plat, home);
      ReadDataFile(wb, std::string(WL_SOURCE_DIR) + (coded ? "/DATA/monk1.dat" : "/DATA/iris.dat"));
      wb.ResultsPrefix = home + "/results/run_1";
      wb.Form1.HiddenEditT2.SetText("4");
      wb.Form1.EpochEditT2.SetText("3");
      wb.Form1.SMSTBox.SetChecked(true);
      wb.Rng.Seed = 77;
      ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
      TrainOneChange(wb, 2);
      std::vector<double> w;
      for (std::size_t l = 1; l < wb.Net.size(); ++l)
        for (const TNeuron& n : wb.Net[l]) w.insert(w.end(), n.Weights.begin(), n.Weights.end());
      weights.push_back(w);
      epochs.push_back(wb.EpochHistory);
    }
    EXPECT_EQ(weights[0], weights[1]);
    ASSERT_EQ(epochs[0].size(), epochs[1].size());
    for (std::size_t e = 0; e < epochs[0].size(); ++e) {
      EXPECT_LE(Relative(epochs[0][e].Error, epochs[1][e].Error), 1e-12) << e;
      EXPECT_EQ(epochs[0][e].Accuracy, epochs[1][e].Accuracy) << e;
    }
  }
}

}  // namespace
}  // namespace wl

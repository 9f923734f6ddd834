// The line pass of the plane sampler against the sampler with every point by the error routine: a table
// of networks, options and lines (dense and one-hot inputs, every transfer function the pass serves and
// two it does not, each form of the error term, large weights, lines through a network whose first
// layer cancels to nearly zero, non-finite weights), each value within 1e-12 relative, each line's last
// point and the side results bit for bit, the points the pass must leave to the routine left to it; and
// the pass's eight-lane logistic against the kernels' own, bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <functional>
#include <string>
#include <vector>

#include "model/create_network.h"
#include "model/data_file.h"
#include "model/eval_options.h"
#include "model/layer_transfer.h"
#include "model/plane_lines.h"
#include "model/plane_sampler.h"
#include "model/read_parameters.h"
#include "model/vector_pass.h"
#include "platform/scripted_platform.h"
#include "state/workbench.h"

namespace wl {
namespace {

struct Case {
  const char* Name;
  const char* Data;
  int Hidden = 4;
  TTransferFunction Hid, Out;
  double Scale = 1.0;     // the first layer's weights times this
  double DirScale = 0.3;  // the directions' size
  bool Cancel = false;    // a line through a point where the first layer's weights cancel
  double CancelStep = 1e-3;
  bool Entropy = false, Outside = false, Weighted = false;
  double Exponent = 2.0, SetOff = 0.0;
  enum { Served, NotServed, Any } Expect = Served;
  bool NaNBase = false;  // a weight of the first line is not a number
  bool Opposed = false;  // the first layer's weight of input 2 is minus that of input 1, in B and D
  bool Raw = false;      // the features as the file has them (else normalised)
  // The lines' points: c = (First + p Stride) Step, p < Count.
  int First = -9, Stride = 2, Count = 10;
  double Step = 0.05;
};

// Two features near 1e6 that differ by less than 1, and a class: sums of terms near 1e6 whose total is
// of the order of 1 when the two weights are opposed.
std::string WriteNearlyEqualFeatures() {
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "weightlab-plane-lines-near.dat";
  std::ofstream out(file);
  out << "Number of features = 3\nNumber of Vectors = 40\nClass Column No = 3\n\n"
      << "Feature[1] = a  continuous\nFeature[2] = b  continuous\nFeature[3] = Class  discrete  2  0  1\n\n[DATA]\n";
  out.precision(17);
  for (int v = 0; v < 40; ++v)
    out << 1e6 + 0.37 * std::sin(v) << "  " << 1e6 + 0.41 * std::cos(1.7 * v) << "  " << (std::sin(v) > 0 ? 1 : 0)
        << "\n";
  return file.string();
}

TTransferFunction TF(std::uint8_t kind, double slope = 1.0, double stretch = 1.0) {
  TTransferFunction t;
  t.TFKind = kind;
  t.TFSlope = slope;
  t.TFStretch = stretch;
  return t;
}

struct Sampled {
  std::vector<std::vector<double>> Values;
  std::string Failure;
  long long LinePoints = 0;
  int NumOfCorrect = 0;
  double SuccessRate = 0, WeightedCorrect = 0;
  std::int64_t Sigmoids = 0;
};

Sampled Sample(Workbench& wb, const std::vector<PlaneLine>& lines, const EvalOptions& eval, bool linePass, int threads) {
  PlaneSamplerOptions o;
  o.Eval = eval;
  o.Threads = threads;
  o.LinePass = linePass;
  PlaneSamplerTally tally;
  o.Tally = &tally;
  Sampled r;
  const std::int64_t before = wb.SigmoidCount;
  r.Values.resize(lines.size());
  try {
    SamplePlane(wb, lines, o, [&](std::size_t L, const std::vector<double>& v) { r.Values[L] = v; });
  } catch (const std::exception& e) {
    r.Failure = e.what();
  }
  r.LinePoints = tally.LinePoints;
  r.NumOfCorrect = wb.NumOfCorrect;
  r.SuccessRate = wb.SuccessRate;
  r.WeightedCorrect = wb.WeightedCorrect;
  r.Sigmoids = wb.SigmoidCount - before;
  return r;
}

// Each point the line pass serves, asked as the sampler asks it, lies within the bound the pass carries
// of the routine's value (a bound computed too small would let a point past the tolerance unseen).
// Returns how many points it checked.
long long ExpectWithinTheCarriedBound(Workbench& wb, const EvalOptions& eval, const std::vector<PlaneLine>& lines,
                                      const Sampled& routine) {
  long long checked = 0;
  if (!LinePass::Serves(wb, eval)) return checked;
  const std::int64_t sigmoids = wb.SigmoidCount;
  for (std::size_t L = 0; L < lines.size(); ++L) {
    const PlaneLine& line = lines[L];
    if (line.Count < 2) continue;
    const std::vector<double>& d = *line.Direction;
    const double c0 = static_cast<double>(line.First) * line.Step;
    const double c1 = static_cast<double>(line.First + (line.Count - 1) * line.Stride) * line.Step;
    LinePass pass;
    if (!pass.BindLine(wb, eval, line.Base, d, std::max(std::fabs(c0), std::fabs(c1)),
                       static_cast<double>(line.Stride) * line.Step))
      continue;
    std::vector<double> w(line.Base.size());
    for (int p = 0; p + 1 < line.Count; ++p) {
      const double c = static_cast<double>(line.First + p * line.Stride) * line.Step;
      for (std::size_t k = 0; k < w.size(); ++k) w[k] = line.Base[k] + c * d[k];
      double got = 0, bound = -1;
      if (!pass.Error(wb, p, c, w, &got, &bound)) continue;
      ++checked;
      const double want = routine.Values[L][static_cast<std::size_t>(p)];
      EXPECT_LE(std::fabs(got - want), bound) << "line " << L << " point " << p << ": " << got << " vs " << want << ", bound " << bound;
    }
  }
  wb.SigmoidCount = sigmoids;
  return checked;
}

TEST(PlaneLinesTest, EveryPointWithinTheToleranceOfTheErrorRoutine) {
  if (!VectorKernelsAvailable()) GTEST_SKIP() << "no AVX2 and FMA: the sampler has only the error routine";
  const std::string cancer = std::string(WL_SOURCE_DIR) + "/DATA/breast_cancer.dat";
  const std::string monk = std::string(WL_SOURCE_DIR) + "/DATA/monk1.dat";
  const std::string iris = std::string(WL_SOURCE_DIR) + "/DATA/iris.dat";
  const std::string near = WriteNearlyEqualFeatures();
  std::vector<Case> cases;
  auto add = [&](Case c) { cases.push_back(c); };
  add({"sigmoids, normalised inputs", cancer.c_str(), 10, TF(1), TF(1)});
  add({"sigmoids, raw inputs", cancer.c_str(), 10, TF(1), TF(1)});
  cases.back().Raw = true;
  add({"sigmoids, one-hot inputs", monk.c_str(), 5, TF(1), TF(1)});
  add({"stretched sigmoids, slopes", iris.c_str(), 3, TF(1, 0.7, 1.4), TF(1, 2.0, 1.2)});
  add({"tanh", iris.c_str(), 3, TF(2, 1.3, 1.0), TF(2)});
  add({"linear (0;1) and (-1;1) hidden, linear output", monk.c_str(), 4, TF(4, 0.2), TF(3, 0.5)});
  add({"linear (-1;1) hidden, linear (0;1) output", iris.c_str(), 3, TF(5, 0.3), TF(4, 0.4)});
  {
    Case c{"cross-entropy, outside, weighted", monk.c_str(), 5, TF(1), TF(1)};
    c.Entropy = c.Outside = c.Weighted = true;
    add(c);
  }
  {
    Case c{"exponent 1, set-off", iris.c_str(), 3, TF(1), TF(1)};
    c.Exponent = 1.0;
    c.SetOff = 0.1;
    add(c);
  }
  {
    Case c{"exponent 3.5", monk.c_str(), 4, TF(1), TF(1)};
    c.Exponent = 3.5;
    add(c);
  }
  {
    Case c{"first layer cancelling to nearly zero, one-hot inputs", monk.c_str(), 4, TF(1), TF(1)};
    c.Cancel = true;
    c.Scale = 300.0;
    c.Expect = Case::Any;
    add(c);
  }
  {
    Case c{"first layer cancelling to nearly zero, raw inputs, large weights", cancer.c_str(), 6, TF(1), TF(1)};
    c.Cancel = true;
    c.CancelStep = 1e-7;
    c.Scale = 20.0;
    c.Raw = true;
    c.Expect = Case::Any;
    add(c);
  }
  {
    Case c{"large weights", cancer.c_str(), 6, TF(1), TF(1)};
    c.Scale = 300.0;
    c.DirScale = 200.0;
    c.Expect = Case::Any;
    add(c);
  }
  {
    Case c{"cross-entropy of tanh outputs (logarithm of a negative number)", iris.c_str(), 3, TF(2), TF(2)};
    c.Entropy = true;
    c.Expect = Case::Any;
    add(c);
  }
  {
    Case c{"sums of terms near 1e6 cancelling to nearly zero", near.c_str(), 3, TF(1), TF(1)};
    c.Opposed = true;
    c.Raw = true;
    c.Scale = 3.0;
    c.DirScale = 0.5;
    c.Expect = Case::Any;
    add(c);
  }
  // Long lines, whose hidden exponentials are carried from point to point: small steps (many spans of
  // the ratio), steps so small the ratio is 1, steps so large that a crosses the exponential's whole
  // range within a few points (the clamps, overflow to infinity and subnormal numbers on the way).
  {
    Case c{"long line of small steps", cancer.c_str(), 10, TF(1), TF(1)};
    c.First = -150;
    c.Stride = 1;
    c.Count = 301;
    c.Step = 0.01;
    add(c);
  }
  {
    Case c{"long line of tiny steps", monk.c_str(), 5, TF(1), TF(1)};
    c.First = -40;
    c.Stride = 1;
    c.Count = 90;
    c.Step = 1e-13;
    add(c);
  }
  {
    Case c{"long line, large weights, steepened hidden sigmoids", cancer.c_str(), 10, TF(1, 8.0), TF(1)};
    c.Scale = 40.0;
    c.DirScale = 3.0;
    c.First = -100;
    c.Stride = 1;
    c.Count = 201;
    c.Step = 0.01;
    c.Raw = true;
    c.Expect = Case::Any;
    add(c);
  }
  {
    Case c{"a sweeping the exponential's range within a span", iris.c_str(), 3, TF(1, 1.0), TF(1)};
    c.Scale = 100.0;
    c.DirScale = 40.0;
    c.First = -60;
    c.Stride = 3;
    c.Count = 41;
    c.Step = 0.1;
    c.Expect = Case::Any;
    add(c);
  }
  {
    Case c{"a near the clamps, outputs near 0 and 1, outside and weighted", monk.c_str(), 6, TF(1, 30.0), TF(1, 20.0)};
    c.Scale = 25.0;
    c.DirScale = 2.0;
    c.Outside = c.Weighted = true;
    c.First = -50;
    c.Stride = 1;
    c.Count = 101;
    c.Step = 0.02;
    c.Expect = Case::Any;
    add(c);
  }
  {
    Case c{"huge steps: the ratio beyond the exponential's range", iris.c_str(), 3, TF(1), TF(1)};
    c.First = -20;
    c.Stride = 1;
    c.Count = 41;
    c.Step = 40.0;
    c.Expect = Case::Any;
    add(c);
  }
  {
    // Output arguments in the thousands: e^a overflows to infinity, or lies near the largest number
    // (a reciprocal in the subnormal range), or vanishes.
    Case c{"steep output sigmoids: e^a overflowing and subnormal outputs", cancer.c_str(), 8, TF(1), TF(1, 900.0)};
    c.First = -60;
    c.Stride = 1;
    c.Count = 121;
    c.Step = 0.02;
    c.Expect = Case::Any;
    add(c);
  }
  add({"staircase hidden layer", iris.c_str(), 3, TF(6), TF(1)});
  cases.back().Expect = Case::NotServed;
  add({"staircase (-1;1) output", iris.c_str(), 3, TF(1), TF(7)});
  cases.back().Expect = Case::NotServed;
  add({"linear hidden layer", iris.c_str(), 3, TF(3, 0.1), TF(1)});
  {
    Case c{"a weight not a number", iris.c_str(), 3, TF(1), TF(1)};
    c.NaNBase = true;
    c.Expect = Case::Any;
    add(c);
  }

  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    ScriptedPlatform plat;
    Workbench wb(plat, "/tmp/weightlab-plane-lines-test");
    wb.Form1.NormCheck.SetChecked(!c.Raw);
    ReadDataFile(wb, c.Data);
    wb.Form1.HiddenEditT2.SetText(std::to_string(c.Hidden));
    wb.Rng.Seed = 99;
    ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
    ASSERT_FALSE(ReadParameters(wb));
    wb.LayerTF[0] = c.Hid;
    wb.LayerTF[1] = c.Out;
    wb.NumOfStep = 8;
    wb.ErrorExponent = c.Exponent;
    wb.SetOff = c.SetOff;
    for (int v = 0; v < wb.NumOfVectors; ++v) wb.VectorWeight[v] = 0.5 + (v % 7) * 0.25;
    EvalOptions eval = HeldEvalOptions(wb);
    eval.Entropy = c.Entropy;
    eval.Outside = c.Outside;
    eval.WeightedErrorBox = c.Weighted;

    std::vector<double> w0 = FlatWeights(wb);
    const std::size_t first = static_cast<std::size_t>(c.Hidden) * (wb.LayerInputs[0] + 1);
    for (std::size_t k = 0; k < first; ++k) w0[k] *= c.Scale;
    SetFlatWeights(wb, w0);
    const std::size_t n = w0.size();
    std::vector<double> d1(n), d2(n);
    for (std::size_t k = 0; k < n; ++k) {
      d1[k] = c.DirScale * std::sin(1.0 + 0.7 * k);
      d2[k] = c.DirScale * std::cos(2.0 + 3.0 * k);
    }
    if (c.Opposed)
      for (int j = 0; j < c.Hidden; ++j) {
        const std::size_t k = static_cast<std::size_t>(j) * (wb.LayerInputs[0] + 1);
        w0[k + 1] = -w0[k];
        d1[k + 1] = -d1[k];
        d2[k + 1] = -d2[k];
      }
    SetFlatWeights(wb, w0);
    std::vector<PlaneLine> lines;
    for (int i = -2; i <= 2; ++i) {
      PlaneLine L;
      L.Base.resize(n);
      for (std::size_t k = 0; k < n; ++k) L.Base[k] = w0[k] + i * 0.5 * d2[k];
      L.Direction = &d1;
      L.Step = c.Step;
      L.First = c.First;
      L.Stride = c.Stride;
      L.Count = c.Count;
      lines.push_back(L);
    }
    std::vector<double> cancel(n);
    if (c.Cancel) {
      // A line through c = 0.1, where the first layer's weights B + c D cancel (D = -B / 0.1): at its
      // points they are B (1 - c / 0.1), a small share of B, so the net inputs are small beside the
      // terms of the sums.
      PlaneLine L = lines.back();
      L.Base = w0;
      L.Step = c.CancelStep;
      L.First = static_cast<int>(std::lround(0.1 / c.CancelStep)) - 5;
      L.Stride = 1;
      for (std::size_t k = 0; k < n; ++k) cancel[k] = k < first ? -w0[k] / 0.1 : d1[k];
      L.Direction = &cancel;
      lines.push_back(L);
    }
    if (c.NaNBase) lines[1].Base[3] = std::nan("");
    const std::vector<double> start = FlatWeights(wb);

    const Sampled routine = Sample(wb, lines, eval, false, 1);
    long long servedSerially = 0;
    for (int threads : {1, 3}) {
      SCOPED_TRACE(threads);
      const Sampled line = Sample(wb, lines, eval, true, threads);
      if (threads == 1) servedSerially = line.LinePoints;
      EXPECT_EQ(FlatWeights(wb), start);
      EXPECT_EQ(line.Failure, routine.Failure);
      if (!routine.Failure.empty()) continue;
      if (c.Expect == Case::Served) {
        EXPECT_EQ(line.LinePoints, static_cast<long long>(lines.size()) * (c.Count - 1));
      } else if (c.Expect == Case::NotServed) {
        EXPECT_EQ(line.LinePoints, 0);
      }
      ASSERT_EQ(line.Values.size(), routine.Values.size());
      for (std::size_t L = 0; L < lines.size(); ++L) {
        ASSERT_EQ(line.Values[L].size(), routine.Values[L].size());
        for (std::size_t p = 0; p < routine.Values[L].size(); ++p) {
          const double want = routine.Values[L][p], got = line.Values[L][p];
          EXPECT_LE(std::fabs(got - want), 1e-12 * std::fabs(want)) << "line " << L << " point " << p;
        }
        // The last point is the routine's.
        EXPECT_EQ(std::memcmp(&line.Values[L].back(), &routine.Values[L].back(), sizeof(double)), 0) << L;
      }
      EXPECT_EQ(line.NumOfCorrect, routine.NumOfCorrect);
      EXPECT_EQ(line.SuccessRate, routine.SuccessRate);
      EXPECT_EQ(line.WeightedCorrect, routine.WeightedCorrect);
      EXPECT_EQ(line.Sigmoids, routine.Sigmoids);
    }
    if (routine.Failure.empty()) {
      EXPECT_EQ(ExpectWithinTheCarriedBound(wb, eval, lines, routine), servedSerially);
    }
  }
}

// The line pass asked for the points of a line in orders other than the sampler's (backwards, every
// other point, a point twice, a jump): each point it serves lies within the tolerance of the error
// routine at the same weights, as in the sampler's order.
TEST(PlaneLinesTest, PointsAskedInAnyOrderKeepTheTolerance) {
  if (!VectorKernelsAvailable()) GTEST_SKIP() << "no AVX2 and FMA";
  ScriptedPlatform plat;
  Workbench wb(plat, "/tmp/weightlab-plane-lines-test");
  ReadDataFile(wb, std::string(WL_SOURCE_DIR) + "/DATA/breast_cancer.dat");
  wb.Form1.HiddenEditT2.SetText("10");
  wb.Rng.Seed = 5;
  ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
  ASSERT_FALSE(ReadParameters(wb));
  const EvalOptions eval = HeldEvalOptions(wb);
  ASSERT_TRUE(LinePass::Serves(wb, eval));
  const std::vector<double> base = FlatWeights(wb);
  std::vector<double> dir(base.size());
  for (std::size_t k = 0; k < dir.size(); ++k) dir[k] = 2.0 * std::sin(0.3 + 1.1 * k);
  const int first = -30, count = 61;
  const double step = 0.05;
  std::vector<int> forward(count), backward(count), alternate, repeated, jumps;
  for (int p = 0; p < count; ++p) forward[p] = p, backward[p] = count - 1 - p;
  for (int p = 0; p < count; p += 2) alternate.push_back(p);
  for (int p = 1; p < count; p += 2) alternate.push_back(p);
  for (int p = 0; p < count; ++p) repeated.insert(repeated.end(), {p, p});
  for (int p = 0; p < 20; ++p) jumps.push_back(p);
  for (int p = 45; p < count; ++p) jumps.push_back(p);
  for (int p = 20; p < 45; ++p) jumps.push_back(p);
  const struct {
    const char* Name;
    const std::vector<int>& Order;
  } orders[] = {{"forward", forward}, {"backward", backward}, {"every other", alternate}, {"each twice", repeated},
                {"jumps", jumps}};
  for (const auto& order : orders) {
    SCOPED_TRACE(order.Name);
    LinePass pass;
    ASSERT_TRUE(pass.BindLine(wb, eval, base, dir, std::fabs(first * step), step));
    std::vector<double> w(base.size());
    int served = 0;
    for (int p : order.Order) {
      const double c = static_cast<double>(first + p) * step;
      for (std::size_t k = 0; k < w.size(); ++k) w[k] = base[k] + c * dir[k];
      double got = 0;
      if (!pass.Error(wb, p, c, w, &got)) continue;
      ++served;
      SetFlatWeights(wb, w);
      const double want = TrainingSetError(wb, eval);
      EXPECT_LE(std::fabs(got - want), 1e-12 * std::fabs(want)) << "point " << p;
    }
    EXPECT_EQ(served, static_cast<int>(order.Order.size()));
    SetFlatWeights(wb, base);
  }
}

TEST(PlaneLinesTest, TheLinePassLogisticIsTheKernelsBitForBit) {
  if (!VectorKernelsAvailable()) GTEST_SKIP() << "no AVX2 and FMA";
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> a = {0.0,    -0.0,   1e-300, -1e-300, 0.5,   -0.5,   36.7,  -36.7,  -707.9, -708.0, -708.1,
                           -745.2, -1e308, 709.7,  709.79,  710.0, 710.1,  1e308, inf,    -inf,   std::nan("")};
  for (int i = 0; i < 203; ++i) a.push_back(40.0 * std::sin(0.37 * i) * std::cos(0.011 * i * i));
  // Every length up to a few registers, so that the partial registers at the end are checked too.
  for (std::size_t n = 1; n <= a.size(); n += n < 20 ? 1 : 37) {
    std::vector<double> want(n), got(n);
    VectorLogistic(a.data(), want.data(), static_cast<int>(n));
    LineLogistic(a.data(), got.data(), static_cast<int>(n));
    EXPECT_EQ(std::memcmp(want.data(), got.data(), n * sizeof(double)), 0) << n;
  }
}

}  // namespace
}  // namespace wl

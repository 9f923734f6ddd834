// EvaluateNetwork, the inner loop of every SMLP search, against a plain reference loop of the same step
// network, on the discrete XOR set (4-4-2, 4 vectors) and on monk1 (17-4-2, 432 vectors), and the wall
// time of a whole "OldPlot" run (3^16 networks) on XOR; and on XOR what a call costs beside its vectors.
//
// The reference keeps the active input of each feature of each vector precomputed and the hidden weights
// in one contiguous array, and computes the same step units, error (exponent 2) and prediction. The
// counters give passes per second; "ratio" in BM_Ratio is EvaluateNetwork's time over the reference's.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <time.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/data_file.h"
#include "model/results_prefix.h"
#include "platform/scripted_platform.h"
#include "smlp/smlp_driver.h"
#include "smlp/smlp_network.h"
#include "state/workbench.h"

namespace {

const char* const kXor =
    "Number of features = 3\nNumber of Vectors = 4\nClass Column No = 3\n\n"
    "Feature[1] = x1  discrete  2  0  1\nFeature[2] = x2  discrete  2  0  1\n"
    "Feature[3] = Class  discrete  2  0  1\n\n[DATA]\n0  0  0\n0  1  1\n1  0  1\n1  1  0\n";

struct Set {
  std::string dir;
  wl::ScriptedPlatform plat;
  std::unique_ptr<wl::Workbench> wb;

  explicit Set(bool monk) {
    char tmpl[] = "/tmp/wl_bench_smlp_XXXXXX";
    dir = mkdtemp(tmpl);
    std::filesystem::create_directories(dir + "/DATA");
    std::filesystem::create_directories(dir + "/results");
    plat.ProgramDir = dir;
    plat.ClockMs = 10000;
    plat.ClockDay = 2;
    wb = std::make_unique<wl::Workbench>(plat, dir);
    wl::Workbench& w = *wb;
    std::string file = dir + "/DATA/xor.dat";
    if (monk)
      file = std::string(WL_SOURCE_DIR) + "/DATA/monk1.dat";
    else
      std::ofstream(file, std::ios::binary) << kXor;
    w.DataFileName = file;
    wl::ReadDataFile(w, file);
    wl::MakeResultsPrefix(w);
    w.HidPerOut.assign(static_cast<std::size_t>(w.NumOfClasses), 2);
    w.HidBias = 0.5;
    w.OutBias = 0.5;
    w.Slope = 0.0;
    w.ErrorExponent = 2.0;
    w.SMLPOutWeights = {1.0, 1.0, 1.0, 1.0};
    wl::ReadHiddenPerClass(w);
    if (!wl::InitSMLPWeights(w)) throw std::runtime_error("no network");
    w.NetType = 3;
    w.NetKind = 1;
    // Hidden input weights of -1, 0, 1, so that the units fire for some vectors and not for others.
    w.Rng.Seed = 11;
    for (wl::TNeuron& n : w.Net[1])
      for (int i = 0; i < w.Layers[0]; ++i) n.Weights[static_cast<std::size_t>(i)] = 1.0 - w.Rng.Below(3);
  }
  ~Set() { std::filesystem::remove_all(dir); }
};

Set& Xor() {
  static Set s(false);
  return s;
}
Set& Monk() {
  static Set s(true);
  return s;
}

// The plain loop: active inputs precomputed, contiguous weights, step units, |y - t|^2, the prediction of
// EvaluateNetwork.
struct Reference {
  int n0, n1, n2, nv, nf, perClass;
  std::vector<int> active, cls;
  std::vector<double> w1, w2;

  explicit Reference(wl::Workbench& wb) {
    n0 = wb.Layers[0], n1 = wb.Layers[1], n2 = wb.Layers[2], nv = wb.NumOfVectors;
    nf = static_cast<int>(wb.Features.size());
    perClass = wb.HidPerOut[0];
    for (int v = 0; v < nv; ++v) {
      int offset = 0;
      for (int f = 0; f < nf; ++f) {
        const wl::TFeature& feat = wb.Features[f];
        int hot = -1;
        for (int k = 0; k < feat.NValues; ++k)
          if (wb.Data[v][f] == feat.Values[k]) hot = offset + k;
        active.push_back(hot < 0 ? n0 : hot);  // no value: the threshold slot, weighed 0 below
        offset += feat.NValues;
      }
    }
    for (const auto& n : wb.Net[1]) {
      w1.insert(w1.end(), n.Weights.begin(), n.Weights.end());
      w1.push_back(0.0);  // the slot of a feature without an active input
    }
    for (const auto& n : wb.Net[2]) w2.insert(w2.end(), n.Weights.begin(), n.Weights.end());
    cls = wb.VectorClass;
  }

  static double Step(double net, double theta) { return net > theta ? 1.0 : net < theta ? 0.0 : 0.5; }

  double Error(double& successRate) const {
    double h[64], y[8];
    double e = 0.0;
    int correct = 0;
    const int stride = n0 + 2;
    for (int v = 0; v < nv; ++v) {
      const int* a = &active[static_cast<std::size_t>(v) * nf];
      for (int j = 0; j < n1; ++j) {
        const double* w = &w1[static_cast<std::size_t>(j) * stride];
        double net = 0.0;
        for (int f = 0; f < nf; ++f) net += a[f] == n0 ? 0.0 : w[a[f]];
        h[j] = Step(net, w[n0]);
      }
      for (int c = 0; c < n2; ++c) {
        const double* w = &w2[static_cast<std::size_t>(c) * (perClass + 1)];
        double net = 0.0;
        for (int t = 0; t < perClass; ++t) net += h[t * n2 + c] * w[t];
        y[c] = Step(net, w[perClass]);
      }
      const int c = cls[v];
      double best = 0.0;
      int prediction = -1;
      for (int o = 0; o < n2; ++o) {
        const double d = y[o] - (o == c ? 1.0 : 0.0);
        e += d * d;
        if (y[o] > best) best = y[o], prediction = o;
      }
      if (prediction == c) ++correct;
    }
    successRate = static_cast<double>(correct) / nv;
    return e;
  }
};

void EvaluateNetworkPasses(benchmark::State& state, Set& s) {
  wl::Workbench& wb = *s.wb;
  for (auto _ : state) benchmark::DoNotOptimize(wl::EvaluateNetwork(wb));
  state.counters["passes/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void ReferencePasses(benchmark::State& state, Set& s) {
  const Reference ref(*s.wb);
  double rate = 0.0;
  double e = ref.Error(rate);
  if (e != wl::EvaluateNetwork(*s.wb) || rate != s.wb->SuccessRate) state.SkipWithError("the reference differs");
  for (auto _ : state) {
    benchmark::DoNotOptimize(e = ref.Error(rate));
    benchmark::DoNotOptimize(rate);
  }
  state.counters["passes/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The thread's CPU time in seconds: the ratio below is not disturbed by other programs on a busy machine.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// Both loops timed alternately in one run: the ratio of EvaluateNetwork's CPU time to the reference's.
void Ratio(benchmark::State& state, Set& s) {
  wl::Workbench& wb = *s.wb;
  const Reference ref(wb);
  const int reps = wb.NumOfVectors > 100 ? 200 : 20000;
  double tEval = 0.0, tRef = 0.0;
  for (auto _ : state) {
    double rate = 0.0;
    const double t0 = ThreadSeconds();
    for (int i = 0; i < reps; ++i) benchmark::DoNotOptimize(wl::EvaluateNetwork(wb));
    const double t1 = ThreadSeconds();
    for (int i = 0; i < reps; ++i) benchmark::DoNotOptimize(ref.Error(rate));
    const double t2 = ThreadSeconds();
    tEval += t1 - t0;
    tRef += t2 - t1;
  }
  state.counters["ratio"] = tEval / tRef;
}

// What a call costs beside its vectors: both loops on XOR's first vector alone and on all four, timed
// alternately; the counters split each loop's CPU time per call into a part per call and a part per vector
// (ns).
void BM_CallCost_Xor(benchmark::State& state) {
  Set one(false), four(false);
  one.wb->NumOfVectors = 1;
  const Reference refOne(*one.wb), refFour(*four.wb);
  const int reps = 20000;
  double t[4] = {0.0, 0.0, 0.0, 0.0};
  for (auto _ : state) {
    double rate = 0.0;
    const double t0 = ThreadSeconds();
    for (int i = 0; i < reps; ++i) benchmark::DoNotOptimize(wl::EvaluateNetwork(*one.wb));
    const double t1 = ThreadSeconds();
    for (int i = 0; i < reps; ++i) benchmark::DoNotOptimize(wl::EvaluateNetwork(*four.wb));
    const double t2 = ThreadSeconds();
    for (int i = 0; i < reps; ++i) benchmark::DoNotOptimize(refOne.Error(rate));
    const double t3 = ThreadSeconds();
    for (int i = 0; i < reps; ++i) benchmark::DoNotOptimize(refFour.Error(rate));
    const double t4 = ThreadSeconds();
    t[0] += t1 - t0, t[1] += t2 - t1, t[2] += t3 - t2, t[3] += t4 - t3;
  }
  const double calls = static_cast<double>(state.iterations()) * reps / 1e9;
  auto perVector = [&](int k) { return (t[k + 1] - t[k]) / 3.0 / calls; };
  auto perCall = [&](int k) { return t[k] / calls - perVector(k); };
  state.counters["eval call"] = perCall(0);
  state.counters["eval vector"] = perVector(0);
  state.counters["ref call"] = perCall(2);
  state.counters["ref vector"] = perVector(2);
}

void BM_EvaluateNetwork_Xor(benchmark::State& st) { EvaluateNetworkPasses(st, Xor()); }
void BM_Reference_Xor(benchmark::State& st) { ReferencePasses(st, Xor()); }
void BM_Ratio_Xor(benchmark::State& st) { Ratio(st, Xor()); }
void BM_EvaluateNetwork_Monk1(benchmark::State& st) { EvaluateNetworkPasses(st, Monk()); }
void BM_Reference_Monk1(benchmark::State& st) { ReferencePasses(st, Monk()); }
void BM_Ratio_Monk1(benchmark::State& st) { Ratio(st, Monk()); }
BENCHMARK(BM_EvaluateNetwork_Xor)->MinTime(1.0);
BENCHMARK(BM_Reference_Xor)->MinTime(1.0);
BENCHMARK(BM_Ratio_Xor)->MinTime(2.0);
BENCHMARK(BM_EvaluateNetwork_Monk1)->MinTime(1.0);
BENCHMARK(BM_Reference_Monk1)->MinTime(1.0);
BENCHMARK(BM_Ratio_Monk1)->MinTime(2.0);
BENCHMARK(BM_CallCost_Xor)->MinTime(2.0);

// A whole "OldPlot" run on XOR through the run driver (every hit's report written), as the menu item
// runs it.
void BM_OldPlot_Xor(benchmark::State& state) {
  Set s(false);
  wl::Workbench& wb = *s.wb;
  wb.Form1.HidPerOutEdit.SetText("2");
  wb.Form1.HidPerOut1Edit.SetText("2");
  wb.Form1.NoGTPBox.SetChecked(true);
  for (auto _ : state) {
    wb.NetKind = 8;
    if (!wl::RunSMLP(wb, 8)) state.SkipWithError("the run was refused");
  }
  state.counters["found"] = static_cast<double>(std::stoi(wb.Form1.EditSuccess.Text()));
}
BENCHMARK(BM_OldPlot_Xor)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

// The evaluation options read once per run, before and after: the same file builds against the tree
// before that step (scripts/bench-before-after builds both and runs them one after the other).
//   - one epoch of the variable step search without the signal table, on iris (DATA/iris.dat, 4-5-3) and
//     on a generated set of 8,124 vectors of 22 symbolic features (125 one-hot inputs, 2 classes, 125-10-2);
//   - one TrainingSetError pass as a search's trial makes it: before, the plain form (controls read and
//     every vector checked per call); after, with the run's options (read once, the network checked once);
//   - the ratio of that pass to the plain reference loop of error_bench.cpp (contiguous arrays, inputs
//     coded beforehand), timed alternately in one loop so that the ratio holds on a noisy machine.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "model/create_network.h"
#include "model/data_file.h"
#include "model/forward_pass.h"
#include "model/layer_transfer.h"
#include "platform/random.h"
#include "platform/scripted_platform.h"
#include "training/one_change.h"
#if __has_include("state/workbench.h")
#include "model/eval_options.h"
#include "state/workbench.h"
#define WL_RUN_OPTIONS 1
#else
#include "model/workbench.h"
#define WL_RUN_OPTIONS 0
#endif

namespace {

constexpr int kVectors = 8124;
constexpr int kValues[22] = {6, 4, 10, 2, 9, 4, 3, 2, 12, 2, 6, 4, 4, 9, 9, 2, 4, 3, 5, 9, 6, 10};

struct Bench {
  std::string dir;
  wl::ScriptedPlatform plat;
  std::unique_ptr<wl::Workbench> wb;

  // 0 = iris 4-5-3, 1 = the generated set 125-10-2.
  explicit Bench(int which) {
    char tmpl[] = "/tmp/wl_bench_architecture_XXXXXX";
    dir = mkdtemp(tmpl);
    plat.ProgramDir = dir;
    wb = std::make_unique<wl::Workbench>(plat, dir);
    wl::Workbench& w = *wb;
    if (which == 0) {
      const auto data = std::filesystem::path(__FILE__).parent_path().parent_path() / "DATA" / "iris.dat";
      wl::ReadDataFile(w, data.string());
      w.ResultsPrefix = dir + "/results/iris_1";
      w.Form1.HiddenEditT2.SetText("5");
    } else {
      Generate(w);
      w.ResultsPrefix = dir + "/results/mushroom_1";
      w.Form1.HiddenEditT2.SetText("10");
    }
    w.VectorErrorTerm.assign(w.NumOfVectors, 0.0);
    w.Rng.Seed = 7;
    if (wl::CreateNetwork(w, 4) != wl::NetworkBuilt) throw std::runtime_error("no network");
    w.Form1.EpochEditT2.SetText("1");
    w.Form1.SMSTBox.SetChecked(false);
  }
  ~Bench() { std::filesystem::remove_all(dir); }

  static void Generate(wl::Workbench& w) {
    for (int f = 0; f < 22; ++f) {
      wl::TFeature feat;
      feat.Kind = 's';
      feat.Name = "f";
      feat.Name += std::to_string(f);
      feat.NValues = kValues[f];
      for (int j = 0; j < kValues[f]; ++j) {
        feat.Values.push_back(j);
        feat.Symbols.push_back(std::string(1, static_cast<char>('a' + j)));
      }
      w.Features.push_back(feat);
    }
    w.NumOfFeatures = 22;
    w.AllContinuous = false;
    w.NumOfClasses = 2;
    w.NumOfVectors = kVectors;
    wl::RandomGenerator g;
    g.Seed = 2024;
    w.VectorsPerClass = {0, 0};
    for (int v = 0; v < kVectors; ++v) {
      std::vector<double> row(22);
      for (int f = 0; f < 22; ++f) row[f] = g.Below(kValues[f]);
      const int c = ((row[4] < 4) != (row[19] > 5)) ^ (g.Below(20) == 0);
      w.Data.push_back(row);
      w.VectorClass.push_back(c);
      ++w.VectorsPerClass[c];
    }
    for (int v = 0; v < kVectors; ++v)
      w.VectorWeight.push_back(double(kVectors) / (w.VectorsPerClass[w.VectorClass[v]] * 2.0));
  }
};

Bench& Shared(int which) {
  static Bench iris(0), generated(1);
  return which == 0 ? iris : generated;
}

// One TrainingSetError pass as a search's trial makes it.
struct Pass {
  wl::Workbench& wb;
#if WL_RUN_OPTIONS
  wl::EvalOptions o;
  explicit Pass(wl::Workbench& w) : wb(w), o(wl::ReadEvalOptions(w)) {
    wl::TrainingSetError(wb, o);  // the run's first full pass checks the network
    o.NetworkFits = true;
  }
  double operator()() { return wl::TrainingSetError(wb, o); }
#else
  explicit Pass(wl::Workbench& w) : wb(w) {}
  double operator()() { return wl::TrainingSetError(wb); }
#endif
};

// The plain reference loop of error_bench.cpp: a three-layer network of sigmoids on contiguous arrays.
struct Reference {
  int n0, n1, n2, nv;
  std::vector<double> x, w1, w2, vw;
  std::vector<int> cls;

  explicit Reference(wl::Workbench& wb) {
    n0 = wb.Layers[0], n1 = wb.Layers[1], n2 = wb.Layers[2], nv = wb.NumOfVectors;
    x.resize(std::size_t(nv) * n0);
    for (int v = 0; v < nv; ++v) wl::CodeInputs(wb.Features, wb.Data[v].data(), &x[std::size_t(v) * n0]);
    for (const auto& n : wb.Net[1]) w1.insert(w1.end(), n.Weights.begin(), n.Weights.end());
    for (const auto& n : wb.Net[2]) w2.insert(w2.end(), n.Weights.begin(), n.Weights.end());
    vw = wb.VectorWeight;
    cls = wb.VectorClass;
  }

  double Error(double& successRate) const {
    double h[64], y[8];
    double e = 0.0;
    int correct = 0;
    for (int v = 0; v < nv; ++v) {
      const double* in = &x[std::size_t(v) * n0];
      for (int j = 0; j < n1; ++j) {
        const double* w = &w1[std::size_t(j) * (n0 + 1)];
        const double a = w[n0] - wl::Dot(in, w, n0);
        h[j] = a > wl::kExpGuardError ? 0.0 : wl::StretchedSigmoid(a, 1.0, 0.0);
      }
      for (int j = 0; j < n2; ++j) {
        const double* w = &w2[std::size_t(j) * (n1 + 1)];
        const double a = w[n1] - wl::Dot(h, w, n1);
        y[j] = a > wl::kExpGuardError ? 0.0 : wl::StretchedSigmoid(a, 1.0, 0.0);
      }
      const int c = cls[v];
      double ev = 0.0;
      bool classHigh = false, otherHigh = false;
      for (int j = 0; j < n2; ++j) {
        const double d = y[j] - (j == c ? 1.0 : 0.0);
        ev += d * d;
        if (y[j] > 0.5) (j == c ? classHigh : otherHigh) = true;
      }
      e += ev * vw[v];
      if (classHigh && !otherHigh) ++correct;
    }
    successRate = double(correct) / nv;
    return e;
  }
};

void BM_VSSEpochNoTable(benchmark::State& state) {
  Bench b(int(state.range(0)));
  wl::Workbench& wb = *b.wb;
  const std::vector<std::vector<wl::TNeuron>> start = wb.Net;
  for (auto _ : state) {
    state.PauseTiming();
    wb.Net = start;
    state.ResumeTiming();
    wl::TrainOneChange(wb, 2);
  }
  state.counters["error_drop"] = wb.StartError - wb.CurrentError;
}
BENCHMARK(BM_VSSEpochNoTable)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_TrainingSetErrorPass(benchmark::State& state) {
  Pass pass(*Shared(int(state.range(0))).wb);
  for (auto _ : state) benchmark::DoNotOptimize(pass());
}
BENCHMARK(BM_TrainingSetErrorPass)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

// ratio = time of the TrainingSetError pass / time of the reference loop.
void BM_PassToReferenceRatio(benchmark::State& state) {
  wl::Workbench& wb = *Shared(int(state.range(0))).wb;
  Pass pass(wb);
  const Reference ref(wb);
  using Clock = std::chrono::steady_clock;
  double ours = 0.0, theirs = 0.0, rate = 0.0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(pass());
    const auto t1 = Clock::now();
    benchmark::DoNotOptimize(ref.Error(rate));
    const auto t2 = Clock::now();
    ours += std::chrono::duration<double>(t1 - t0).count();
    theirs += std::chrono::duration<double>(t2 - t1).count();
  }
  state.counters["ratio"] = ours / theirs;
}
BENCHMARK(BM_PassToReferenceRatio)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

}  // namespace

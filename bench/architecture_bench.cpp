// The evaluation options read once per run, before and after: the same file builds against the tree
// before that step (scripts/bench-before-after builds both and runs them one after the other).
//   - one epoch of the variable step search without the signal table, on iris (DATA/iris.dat, 4-5-3) and
//     on a generated set of 8,124 vectors of 22 symbolic features (125 one-hot inputs, 2 classes, 125-10-2);
//   - one TrainingSetError pass as a search's trial makes it: before, the plain form (controls read and
//     every vector checked per call); after, with the run's options (read once, the network checked once);
//   - the ratio of that pass to the plain reference loop (bench_support.h: contiguous arrays, inputs
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
#include "platform/scripted_platform.h"
#include "training/one_change.h"
#include "bench_support.h"
#if __has_include("model/eval_options.h")
#include "model/eval_options.h"
#define WL_RUN_OPTIONS 1
#else
#define WL_RUN_OPTIONS 0
#endif

namespace {

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
      wl::bench::MushroomLikeSet(w);
      w.ResultsPrefix = dir + "/results/mushroom_1";
      w.Form1.HiddenEditT2.SetText("10");
    }
    w.VectorErrorTerm.assign(w.NumOfVectors, 0.0);
    w.Rng.Seed = 7;
    if (wl::CreateNetwork(w, 4) != wl::NetworkBuilt) throw std::runtime_error("no network");
    w.Stretch = 1.0;  // the reference's sigmoid, as the per-layer functions have it
    w.Form1.EpochEditT2.SetText("1");
    w.Form1.SMSTBox.SetChecked(false);
  }
  ~Bench() { std::filesystem::remove_all(dir); }
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
  const wl::bench::Reference ref(wb);
  using Clock = std::chrono::steady_clock;
  double ours = 0.0, theirs = 0.0, rate = 0.0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(pass());
    const auto t1 = Clock::now();
    benchmark::DoNotOptimize(ref.Error<true>(rate));
    const auto t2 = Clock::now();
    ours += std::chrono::duration<double>(t1 - t0).count();
    theirs += std::chrono::duration<double>(t2 - t1).count();
  }
  state.counters["ratio"] = ours / theirs;
}
BENCHMARK(BM_PassToReferenceRatio)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

}  // namespace

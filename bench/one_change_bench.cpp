// The one-change search on a generated set of 8,124 vectors of 22 symbolic features (125 one-hot network
// inputs, 2 classes) with a 125-10-2 network:
// - one full ComputeError pass, and one TrainingSetError pass (the error of the searches without the table);
// - one first-layer weight trial through the signal table: an input weight (averaged over the 125 inputs,
//   each hot for a part of the vectors only) and a threshold (every vector's sum changes);
// - the fold of an accepted first-layer change into the table;
// - one epoch of the variable step search, with and without the signal table.
// The counters give a trial's cost as a fraction of one full ComputeError pass.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "model/create_network.h"
#include "model/error_functions.h"
#include "model/layer_transfer.h"
#include "model/signal_table.h"
#include "state/workbench.h"
#include "platform/random.h"
#include "platform/scripted_platform.h"
#include "training/one_change.h"
#include "bench_support.h"

namespace {

struct Bench {
  std::string dir;
  wl::ScriptedPlatform plat;
  std::unique_ptr<wl::Workbench> wb;

  Bench() {
    char tmpl[] = "/tmp/wl_bench_onechange_XXXXXX";
    dir = mkdtemp(tmpl);
    plat.ProgramDir = dir;
    wb = std::make_unique<wl::Workbench>(plat, dir);
    wl::Workbench& w = *wb;
    w.ResultsPrefix = dir + "/results/mushroom_1";
    wl::bench::MushroomLikeSet(w);
    w.Form1.HiddenEditT2.SetText("10");
    w.Rng.Seed = 7;
    if (wl::CreateNetwork(w, 4) != wl::NetworkBuilt) throw std::runtime_error("no network");
  }
  ~Bench() { std::filesystem::remove_all(dir); }
};

Bench& Shared() {
  static Bench b;
  return b;
}

void BM_ComputeError(benchmark::State& state) {
  wl::Workbench& wb = *Shared().wb;
  for (auto _ : state) benchmark::DoNotOptimize(wl::ComputeError(wb));
}
BENCHMARK(BM_ComputeError)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_TrainingSetError(benchmark::State& state) {
  wl::Workbench& wb = *Shared().wb;
  for (auto _ : state) benchmark::DoNotOptimize(wl::TrainingSetError(wb));
}
BENCHMARK(BM_TrainingSetError)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ErrorFullPass(benchmark::State& state) {
  wl::Workbench& wb = *Shared().wb;
  for (auto _ : state) benchmark::DoNotOptimize(wl::ErrorFullPass(wb));
}
BENCHMARK(BM_ErrorFullPass)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The seconds of one ComputeError pass, measured once for the counters below.
double FullPassSeconds() {
  static const double s = [] {
    wl::Workbench& wb = *Shared().wb;
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 50; ++i) benchmark::DoNotOptimize(wl::ComputeError(wb));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / 50;
  }();
  return s;
}

// A trial of a first-layer weight of hidden neuron 3: arg 0 the input weights in turn, arg 1 the threshold.
void BM_TableTrialFirstLayer(benchmark::State& state) {
  wl::Workbench& wb = *Shared().wb;
  wl::ErrorFullPass(wb);
  const double full = FullPassSeconds();
  wl::TNeuron& n = wb.Net[1][3];
  const int inputs = wb.Layers[0];
  int i = 0;
  for (auto _ : state) {
    const int k = state.range(0) == 0 ? i++ % inputs : inputs;
    n.OldWeights[k] = n.Weights[k];
    n.Weights[k] += 0.1;
    benchmark::DoNotOptimize(wl::ErrorWithChangedWeight(wb, 1, 3, k));
    n.Weights[k] = n.OldWeights[k];
  }
  // Seconds per trial over seconds per full pass.
  state.counters["of_full_pass"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * full,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TableTrialFirstLayer)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

void BM_TableTrialSecondLayer(benchmark::State& state) {
  wl::Workbench& wb = *Shared().wb;
  wl::ErrorFullPass(wb);
  const double full = FullPassSeconds();
  wl::TNeuron& n = wb.Net[2][1];
  int i = 0;
  for (auto _ : state) {
    const int k = i++ % 11;
    n.OldWeights[k] = n.Weights[k];
    n.Weights[k] += 0.1;
    benchmark::DoNotOptimize(wl::ErrorWithChangedWeight(wb, 2, 1, k));
    n.Weights[k] = n.OldWeights[k];
  }
  // Seconds per trial over seconds per full pass.
  state.counters["of_full_pass"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * full,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TableTrialSecondLayer)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

// An accepted change folded into the table (and undone by the opposite fold).
void BM_TableUpdateFirstLayer(benchmark::State& state) {
  wl::Workbench& wb = *Shared().wb;
  wl::ErrorFullPass(wb);
  wl::TNeuron& n = wb.Net[1][3];
  const int inputs = wb.Layers[0];
  int i = 0;
  for (auto _ : state) {
    const int k = i++ % inputs;
    n.OldWeights[k] = n.Weights[k];
    n.Weights[k] += 0.1;
    wl::UpdateSignalTable(wb, 1, 3, k);
    std::swap(n.OldWeights[k], n.Weights[k]);
    wl::UpdateSignalTable(wb, 1, 3, k);
  }
  state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_TableUpdateFirstLayer)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

// One epoch of the variable step search from the same start weights: arg 1 with the signal table.
void BM_VSSEpoch(benchmark::State& state) {
  Bench b;
  wl::Workbench& wb = *b.wb;
  wb.Form1.EpochEditT2.SetText("1");
  wb.Form1.SMSTBox.SetChecked(state.range(0) == 1);
  std::vector<std::vector<wl::TNeuron>> start = wb.Net;
  std::int64_t trials = 0;
  for (auto _ : state) {
    state.PauseTiming();
    wb.Net = start;
    const std::int64_t before = wb.SigmoidCount;
    state.ResumeTiming();
    wl::TrainOneChange(wb, 2);
    trials += wb.SigmoidCount - before;
  }
  state.counters["TF_evaluations"] = static_cast<double>(trials) / static_cast<double>(state.iterations());
  state.counters["error_drop"] = wb.StartError - wb.CurrentError;
}
BENCHMARK(BM_VSSEpoch)->Arg(1)->Arg(0)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

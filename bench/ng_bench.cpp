// Numerical-gradient training on the breast-cancer set (569 vectors, 30 continuous inputs) with a
// 30-10-2 network (332 weights):
// - one epoch of "(Old-New)/Old" (relative probing, then the grid search along the direction), through the
//   signal table (arg 1) and by full passes (arg 0), the way the menu item runs it;
// - its two parts on their own: the probing of the direction, and the grid search of 221 points (epoch 1),
//   whose share of the epoch the counter "grid_share" gives.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "model/create_network.h"
#include "model/data_file.h"
#include "model/read_parameters.h"
#include "state/workbench.h"
#include "platform/scripted_platform.h"
#include "training/ng_direction.h"
#include "training/ng_steps.h"
#include "training/ng_train.h"
#include "training/ng_weights.h"

namespace {

struct Bench {
  std::string dir;
  wl::ScriptedPlatform plat;
  std::unique_ptr<wl::Workbench> wb;
  std::vector<std::vector<wl::TNeuron>> start;

  Bench() {
    char tmpl[] = "/tmp/wl_bench_ng_XXXXXX";
    dir = mkdtemp(tmpl);
    std::filesystem::create_directories(dir + "/results");
    plat.ProgramDir = dir;
    wb = std::make_unique<wl::Workbench>(plat, dir);
    wl::Workbench& w = *wb;
    wl::ReadDataFile(w, std::string(WL_SOURCE_DIR) + "/DATA/breast_cancer.dat");
    w.ResultsPrefix = dir + "/results/breast_cancer_1";
    w.Form1.HiddenEditT2.SetText("10");
    w.Form1.EpochEditT2.SetText("1");
    w.Rng.Seed = 7;
    if (wl::CreateNetwork(w, 4) != wl::NetworkBuilt) throw std::runtime_error("no network");
    start = w.Net;
  }
  ~Bench() { std::filesystem::remove_all(dir); }

  // The network's start weights, the parameters read, the direction arrays sized.
  void Reset(bool table) {
    wl::Workbench& w = *wb;
    w.Net = start;
    w.Form1.useST.SetChecked(table);
    wl::ReadParameters(w);
    wl::InitNG(w, 1);
    w.Epoch = 1;
    w.NGStep = w.NGdelta;
    w.InitialNumOfVectors = w.NumOfVectors;
  }
};

Bench& Shared() {
  static Bench b;
  return b;
}

double Seconds(const std::chrono::steady_clock::time_point& t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// One epoch as the menu item runs it: arg 1 through the signal table.
void BM_NGEpoch(benchmark::State& state) {
  Bench& b = Shared();
  wl::Workbench& wb = *b.wb;
  const bool table = state.range(0) == 1;
  double probe = 0.0, grid = 0.0;
  for (auto _ : state) {
    state.PauseTiming();
    b.Reset(table);
    // The parts of the same epoch, timed apart (not counted in the epoch's time).
    auto t0 = std::chrono::steady_clock::now();
    wl::ProbeWeightsRelative(wb, 1);
    probe += Seconds(t0);
    t0 = std::chrono::steady_clock::now();
    wl::FindStepLength(wb, 1);
    grid += Seconds(t0);
    wb.Net = b.start;
    state.ResumeTiming();
    wl::NGTrain(wb, 1);
  }
  state.counters["probe_s"] = probe / static_cast<double>(state.iterations());
  state.counters["grid_s"] = grid / static_cast<double>(state.iterations());
  state.counters["grid_share"] = grid / (probe + grid);
  state.counters["error_drop"] = wb.StartError - wb.CurrentError;
}
BENCHMARK(BM_NGEpoch)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

// The grid search alone (221 points in epoch 1), from the direction of one probing.
void BM_GridSearch(benchmark::State& state) {
  Bench& b = Shared();
  wl::Workbench& wb = *b.wb;
  b.Reset(true);
  wl::ProbeWeightsRelative(wb, 1);
  for (auto _ : state) {
    wl::SaveOldWeights(wb);
    benchmark::DoNotOptimize(wl::FindStepLength(wb, 1));
    state.PauseTiming();
    wl::RestoreOldWeights(wb);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_GridSearch)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

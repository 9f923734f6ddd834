// ComputeError over the training set (standard structure, default options, one thread), in connections
// evaluated per second (input-to-hidden and hidden-to-output products; thresholds not counted):
//   - iris (DATA/iris.dat, 150 vectors) with a 4-5-3 network;
//   - a generated set of 8,124 vectors with 22 discrete features of 5 or 6 values (125 one-hot inputs,
//     two classes) and a 125-10-2 network; and the same sizes with 125 continuous features.
// Each case also runs a reference: the same arithmetic on contiguous arrays (inputs coded beforehand,
// weights in one matrix per layer), once with the same dot product and once with a plain one-sum loop.
// The "ratio" benchmarks time ComputeError and the reference alternately in the same loop, so that their
// ratio holds on a noisy machine.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "model/create_network.h"
#include "model/data_file.h"
#include "model/error_functions.h"
#include "model/forward_pass.h"
#include "state/workbench.h"
#include "platform/random.h"
#include "platform/scripted_platform.h"
#include "model/class_weights.h"
#include "bench_support.h"

namespace {

using wl::Workbench;
using wl::bench::Reference;

struct Case {
  std::unique_ptr<wl::ScriptedPlatform> plat = std::make_unique<wl::ScriptedPlatform>();
  std::unique_ptr<Workbench> wb;
  double connections = 0;  // per evaluation of the training set
};

void Finish(Case& c, const char* hidden) {
  Workbench& wb = *c.wb;
  wb.Form1.HiddenEditT2.SetText(hidden);
  wb.Rng.Seed = 2024;
  if (wl::CreateNetwork(wb, 4) != wl::NetworkBuilt) throw std::runtime_error("no network");
  wl::ComputeClassWeights(wb);
  double perVector = 0;
  for (std::size_t l = 1; l < wb.Layers.size(); ++l) perVector += double(wb.Layers[l]) * wb.Layers[l - 1];
  c.connections = perVector * wb.NumOfVectors;
}

Case Iris() {
  Case c;
  c.wb = std::make_unique<Workbench>(*c.plat, "/tmp");
  const std::filesystem::path data = std::filesystem::path(__FILE__).parent_path().parent_path() / "DATA" / "iris.dat";
  wl::ReadDataFile(*c.wb, data.string());
  Finish(c, "5");
  return c;
}

// 8,124 vectors of two classes; discrete: 15 features of 6 values and 7 of 5 (125 inputs), else 125
// continuous features.
Case Generated(bool discrete) {
  Case c;
  c.wb = std::make_unique<Workbench>(*c.plat, "/tmp");
  Workbench& wb = *c.wb;
  wl::RandomGenerator rng;
  rng.Seed = 8124;
  const int nf = discrete ? 22 : 125;
  wb.Features.assign(nf, wl::TFeature{});
  if (discrete)
    for (int f = 0; f < nf; ++f) {
      wl::TFeature& feat = wb.Features[f];
      feat.Kind = 's';
      feat.NValues = f < 15 ? 6 : 5;
      for (int k = 0; k < feat.NValues; ++k) feat.Values.push_back(k);
    }
  wb.NumOfFeatures = nf;
  wb.AllContinuous = !discrete;
  wb.NumOfVectors = 8124;
  wb.NumOfClasses = 2;
  wb.Data.assign(wb.NumOfVectors, std::vector<double>(nf));
  wb.VectorClass.resize(wb.NumOfVectors);
  wb.VectorsPerClass.assign(2, 0);
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    for (int f = 0; f < nf; ++f) wb.Data[v][f] = discrete ? rng.Below(wb.Features[f].NValues) : rng.Real() * 2.0 - 1.0;
    wb.VectorClass[v] = rng.Below(2);
    ++wb.VectorsPerClass[wb.VectorClass[v]];
  }
  wb.VectorWeight.resize(wb.NumOfVectors);
  for (int v = 0; v < wb.NumOfVectors; ++v)
    wb.VectorWeight[v] = double(wb.NumOfVectors) / (wb.VectorsPerClass[wb.VectorClass[v]] * 2.0);
  Finish(c, "10");
  return c;
}

Case& Get(int which) {
  static Case iris = Iris(), mushroomLike = Generated(true), continuous = Generated(false);
  return which == 0 ? iris : which == 1 ? mushroomLike : continuous;
}

void BM_ComputeError(benchmark::State& state) {
  Case& c = Get(int(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(wl::ComputeError(*c.wb, 1));
  state.counters["connections/s"] =
      benchmark::Counter(c.connections, benchmark::Counter::kIsIterationInvariantRate, benchmark::Counter::kIs1000);
}

template <bool SameDot>
void BM_Reference(benchmark::State& state) {
  Case& c = Get(int(state.range(0)));
  const Reference ref(*c.wb);
  double rate = 0.0;
  const double ours = wl::ComputeError(*c.wb, 1);
  const double theirs = ref.Error<SameDot>(rate);
  if (std::fabs(ours - theirs) > 1e-9 * std::fabs(ours) || rate != c.wb->SuccessRate)
    state.SkipWithError("the reference does not agree with ComputeError");
  for (auto _ : state) benchmark::DoNotOptimize(ref.Error<SameDot>(rate));
  state.counters["connections/s"] =
      benchmark::Counter(c.connections, benchmark::Counter::kIsIterationInvariantRate, benchmark::Counter::kIs1000);
}

// ComputeError and the reference (same dot product) timed alternately: ratio = time of ComputeError /
// time of the reference (1.0 = no overhead of the network records and the input coding).
void BM_Ratio(benchmark::State& state) {
  Case& c = Get(int(state.range(0)));
  const Reference ref(*c.wb);
  using Clock = std::chrono::steady_clock;
  double ours = 0.0, theirs = 0.0, rate = 0.0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(wl::ComputeError(*c.wb, 1));
    const auto t1 = Clock::now();
    benchmark::DoNotOptimize(ref.Error<true>(rate));
    const auto t2 = Clock::now();
    ours += std::chrono::duration<double>(t1 - t0).count();
    theirs += std::chrono::duration<double>(t2 - t1).count();
  }
  state.counters["ratio"] = ours / theirs;
  state.counters["ComputeError_Gconn/s"] = c.connections * state.iterations() / ours / 1e9;
}

// 0 = iris 4-5-3, 1 = generated 125-10-2 (discrete features, one-hot), 2 = generated 125-10-2 (continuous).
BENCHMARK(BM_ComputeError)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Reference<true>)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Reference<false>)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Ratio)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace

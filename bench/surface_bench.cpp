// The plane sampler of the error surfaces on DATA/breast_cancer.dat with a 30-10-2 network: the 427 x 427
// grid of the surface re-mapping. It measures a band of the grid's lines (the whole grid takes minutes on
// one core) on one thread and on all cores, a plain loop of TrainingSetError over the same points, the
// sampler with every point by the error routine (no line pass) on all cores, a dense dot-product kernel
// on all cores, and the processor's fused multiply-add peak (registers only); the figures are medians of
// 7 rounds, given for the whole grid. It also gives the share of points the line pass served, their
// largest relative distance from the routine's values, and the time of the samples' exact logistics
// alone (the output layer's: the hidden exponentials are carried along the lines by their ratios).
// BM_SurfaceSamplerOneThread times the sampler on one thread alone by its processor time (run it with
// --benchmark_filter=OneThread, pinned with taskset, on a loaded machine).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <ctime>
#include <vector>

#include "model/create_network.h"
#include "model/data_file.h"
#include "model/eval_options.h"
#include "model/layer_transfer.h"
#include "model/plane_lines.h"
#include "model/plane_sampler.h"
#include "model/read_parameters.h"
#include "platform/scripted_platform.h"
#include "state/workbench.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define WL_FMA_PEAK 1
#endif

namespace wl {
namespace {

#if WL_FMA_PEAK
// The machine's fused multiply-add peak: independent accumulators in registers (more than the FMA
// latency times the ports), no memory touched. Returns multiply-adds per second of one thread.
__attribute__((target("avx2,fma"))) double FmaPeakAvx2(long reps) {
  __m256d a[12];
  for (int i = 0; i < 12; ++i) a[i] = _mm256_set1_pd(1.0 + i * 1e-9);
  const __m256d m = _mm256_set1_pd(0.999999999), c = _mm256_set1_pd(1e-9);
  const auto t0 = std::chrono::steady_clock::now();
  for (long r = 0; r < reps; ++r)
    for (int i = 0; i < 12; ++i) a[i] = _mm256_fmadd_pd(a[i], m, c);
  const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  __m256d s = a[0];
  for (int i = 1; i < 12; ++i) s = _mm256_add_pd(s, a[i]);
  volatile double sink = _mm256_cvtsd_f64(s);
  (void)sink;
  _mm256_zeroupper();
  return 12.0 * 4.0 * static_cast<double>(reps) / t;
}

__attribute__((target("avx512f"))) double FmaPeakAvx512(long reps) {
  __m512d a[16];
  for (int i = 0; i < 16; ++i) a[i] = _mm512_set1_pd(1.0 + i * 1e-9);
  const __m512d m = _mm512_set1_pd(0.999999999), c = _mm512_set1_pd(1e-9);
  const auto t0 = std::chrono::steady_clock::now();
  for (long r = 0; r < reps; ++r)
    for (int i = 0; i < 16; ++i) a[i] = _mm512_fmadd_pd(a[i], m, c);
  const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  __m512d s = a[0];
  for (int i = 1; i < 16; ++i) s = _mm512_add_pd(s, a[i]);
  // The lanes summed by hand: the compiler's reduction reads an undefined register it then warns about.
  alignas(64) double lanes[8];
  _mm512_store_pd(lanes, s);
  double sum = 0.0;
  for (double x : lanes) sum += x;
  volatile double sink = sum;
  (void)sink;
  _mm256_zeroupper();
  return 16.0 * 8.0 * static_cast<double>(reps) / t;
}

// The peak of the widest FMA the processor has, summed over `threads` threads running at once.
double FmaPeak(int threads, const char** kind) {
  const bool wide = __builtin_cpu_supports("avx512f");
  const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  *kind = wide ? "AVX-512" : avx2 ? "AVX2" : "none";
  if (!wide && !avx2) return 0.0;
  std::vector<double> rate(static_cast<std::size_t>(threads));
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t)
    pool.emplace_back([&, t] { rate[static_cast<std::size_t>(t)] = wide ? FmaPeakAvx512(20000000) : FmaPeakAvx2(20000000); });
  for (std::thread& th : pool) th.join();
  double sum = 0;
  for (double r : rate) sum += r;
  return sum;
}
#else
double FmaPeak(int, const char** kind) {
  *kind = "none";
  return 0.0;
}
#endif

constexpr int kGrid = 427;
constexpr int kBand = 96;  // lines measured

double Seconds(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The network and the band of lines both benchmarks measure.
struct Band {
  ScriptedPlatform plat;
  Workbench wb{plat, "/tmp/weightlab-surface-bench"};
  std::vector<double> w0, d1, d2;
  std::vector<PlaneLine> lines;
  Band() {
    ReadDataFile(wb, std::string(WL_SOURCE_DIR) + "/DATA/breast_cancer.dat");
    wb.Form1.HiddenEditT2.SetText("10");
    wb.Rng.Seed = 7;
    CreateNetwork(wb, 4);
    ReadParameters(wb);
    w0 = FlatWeights(wb);
    const std::size_t n = w0.size();
    d1.resize(n);
    d2.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
      d1[k] = std::sin(1.0 + k) / 10;
      d2[k] = std::cos(2.0 + 3.0 * k) / 10;
    }
    for (int i = 0; i < kBand; ++i) {
      PlaneLine L;
      L.Base.resize(n);
      for (std::size_t k = 0; k < n; ++k) L.Base[k] = w0[k] + (i - kBand / 2) * 0.05 * d2[k];
      L.Direction = &d1;
      L.Step = 0.01;
      L.First = -kGrid / 2;
      L.Count = kGrid;
      lines.push_back(L);
    }
  }
};

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The sampler on one thread alone, by the thread's processor time (steadier than the clock on a
// loaded machine), for the whole grid: the figure to watch while working on the line pass.
void BM_SurfaceSamplerOneThread(benchmark::State& state) {
  Band band;
  PlaneSamplerOptions o;
  o.Eval = HeldEvalOptions(band.wb);
  o.Threads = 1;
  std::vector<double> times;
  double sink = 0;
  for (auto _ : state) {
    const double t0 = ThreadSeconds();
    SamplePlane(band.wb, band.lines, o, [&](std::size_t, const std::vector<double>& v) { sink += v[0]; });
    times.push_back(ThreadSeconds() - t0);
  }
  benchmark::DoNotOptimize(sink);
  std::sort(times.begin(), times.end());
  const double grid = times[times.size() / 2] * kGrid / kBand;
  std::printf("sampler, one thread, processor time:        %8.2f s  (median of %zu)\n", grid, times.size());
  state.counters["grid_cpu_s"] = grid;
}
BENCHMARK(BM_SurfaceSamplerOneThread)->Iterations(7)->Unit(benchmark::kSecond);

void BM_SurfaceSampler(benchmark::State& state) {
  Band band;
  Workbench& wb = band.wb;
  const std::vector<double>& w0 = band.w0;
  const std::vector<double>& d1 = band.d1;
  const std::vector<PlaneLine>& lines = band.lines;
  const std::size_t n = w0.size();
  PlaneSamplerOptions o;
  o.Eval = HeldEvalOptions(wb);
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  const double samples = static_cast<double>(kBand) * kGrid;
  const double scale = static_cast<double>(kGrid) / kBand;  // band to whole grid

  std::vector<double> loops, ones, alls, routines, bounds, peaks1, peaksAll, logistic1, logisticAll;
  double largestDistance = 0.0;
  PlaneSamplerTally tally;
  const char* kind = "";
  double macs = 0.0;
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v.size() % 2 ? v[v.size() / 2] : 0.5 * (v[v.size() / 2 - 1] + v[v.size() / 2]);
  };
  for (auto _ : state) {
    // The plain loop: set the weights, TrainingSetError.
    auto t0 = std::chrono::steady_clock::now();
    std::vector<double> w(n);
    double sink = 0;
    for (const PlaneLine& L : lines)
      for (int p = 0; p < L.Count; ++p) {
        const double c = static_cast<double>(L.First + p) * L.Step;
        for (std::size_t k = 0; k < n; ++k) w[k] = L.Base[k] + c * d1[k];
        SetFlatWeights(wb, w);
        sink += TrainingSetError(wb, o.Eval);
      }
    const double loop = Seconds(t0);
    SetFlatWeights(wb, w0);

    // The sampler with every point by the error routine, all cores: the values the line pass must keep.
    std::vector<std::vector<double>> reference(lines.size());
    o.Threads = 0;
    o.LinePass = false;
    t0 = std::chrono::steady_clock::now();
    SamplePlane(wb, lines, o, [&](std::size_t L, const std::vector<double>& v) { reference[L] = v; });
    const double routine = Seconds(t0);
    o.LinePass = true;

    o.Threads = 1;
    o.Tally = &tally;
    t0 = std::chrono::steady_clock::now();
    SamplePlane(wb, lines, o, [&](std::size_t L, const std::vector<double>& v) {
      for (std::size_t p = 0; p < v.size(); ++p)
        largestDistance = std::max(largestDistance, std::fabs(v[p] - reference[L][p]) / std::fabs(reference[L][p]));
    });
    const double one = Seconds(t0);
    o.Tally = nullptr;

    o.Threads = 0;
    t0 = std::chrono::steady_clock::now();
    SamplePlane(wb, lines, o, [&](std::size_t, const std::vector<double>& v) { sink += v[0]; });
    const double all = Seconds(t0);

    // The arithmetic bound: the multiply-adds of a sample (inputs x hidden + hidden x outputs, thresholds
    // included, per vector) at the rate of a dense dot product on all cores.
    macs = static_cast<double>(wb.NumOfVectors) *
                        ((wb.Layers[0] + 1.0) * wb.Layers[1] + (wb.Layers[1] + 1.0) * wb.Layers[2]);
    const std::size_t len = 4096;
    const int reps = 20000;
    std::vector<double> rates(static_cast<std::size_t>(cores));
    std::vector<std::thread> pool;
    t0 = std::chrono::steady_clock::now();
    for (int t = 0; t < cores; ++t)
      pool.emplace_back([&, t] {
        std::vector<double> a(len, 1.0 + t * 1e-3), b(len, 0.5);
        double s = 0;
        for (int r = 0; r < reps; ++r) {
          double acc0 = 0, acc1 = 0, acc2 = 0, acc3 = 0;
          for (std::size_t i = 0; i < len; i += 4) {
            acc0 += a[i] * b[i];
            acc1 += a[i + 1] * b[i + 1];
            acc2 += a[i + 2] * b[i + 2];
            acc3 += a[i + 3] * b[i + 3];
          }
          s += acc0 + acc1 + acc2 + acc3;
          a[static_cast<std::size_t>(r) % len] += 1e-12;
        }
        rates[static_cast<std::size_t>(t)] = s;
      });
    for (std::thread& th : pool) th.join();
    const double kernel = Seconds(t0);
    const double macRate = static_cast<double>(len) * reps * cores / kernel;  // all cores
    const double bound = samples * macs / macRate;
    benchmark::DoNotOptimize(sink);
    benchmark::DoNotOptimize(rates);

    // What bounds the line pass: the exact logistics of the samples (output neurons x vectors each,
    // the kernels' exponential and a division apiece), alone, on one thread and on all cores.
    const int perSample = wb.Layers[2] * wb.NumOfVectors;
    auto logistics = [&](int threads) {
      std::vector<std::thread> workers;
      const auto start = std::chrono::steady_clock::now();
      for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
          std::vector<double> a(static_cast<std::size_t>(perSample)), y(a.size());
          for (std::size_t i = 0; i < a.size(); ++i) a[i] = 3.0 * std::sin(0.1 * static_cast<double>(i) + t);
          double s = 0;
          for (int k = t; k < static_cast<int>(samples); k += threads) {
            LineLogistic(a.data(), y.data(), perSample);
            s += y[static_cast<std::size_t>(k) % y.size()];
          }
          benchmark::DoNotOptimize(s);
        });
      for (std::thread& th : workers) th.join();
      return Seconds(start);
    };
    logistic1.push_back(logistics(1));
    logisticAll.push_back(logistics(cores));

    loops.push_back(loop);
    ones.push_back(one);
    alls.push_back(all);
    routines.push_back(routine);
    bounds.push_back(bound);
    peaks1.push_back(FmaPeak(1, &kind));
    peaksAll.push_back(FmaPeak(cores, &kind));
  }
  const double loop = median(loops), one = median(ones), all = median(alls), bound = median(bounds);
  const double macRate = samples * macs / bound;
  std::printf("grid %d x %d (band of %d lines measured, times scaled to the grid), %d cores, medians of %zu\n", kGrid,
              kGrid, kBand, cores, loops.size());
  std::printf("plain loop of TrainingSetError, one thread: %8.2f s\n", loop * scale);
  std::printf("sampler, one thread:                        %8.2f s  (%.2f x the loop)\n", one * scale, one / loop);
  std::printf("sampler, all cores:                         %8.2f s  (%.2f x the loop)\n", all * scale, all / loop);
  const double routine = median(routines);
  std::printf("sampler, every point by the routine, all:   %8.2f s  (%.2f x the loop)\n", routine * scale,
              routine / loop);
  const double served = static_cast<double>(tally.LinePoints.load()),
               total = served + static_cast<double>(tally.RoutinePoints.load());
  std::printf("points of the line pass: %.4f of all; largest relative distance from the routine: %.2e\n",
              total > 0 ? served / total : 0.0, largestDistance);
  const double lg1 = median(logistic1), lgAll = median(logisticAll);
  std::printf("output logistics alone, one thread:         %8.2f s  (%.0f %% of the sampler's time)\n", lg1 * scale,
              100 * lg1 / one);
  std::printf("output logistics alone, all cores:          %8.2f s  (%.0f %% of the sampler's time)\n", lgAll * scale,
              100 * lgAll / all);
  std::printf("dense dot-product kernel, all cores:        %8.2f s  (%.2e multiply-adds/s)\n", bound * scale, macRate);
  std::printf("all cores / dot-product kernel:             %8.2f\n", all / bound);
  state.counters["all_over_bound"] = all / bound;
  // The limit of the grid: its multiply-adds at the processor's FMA peak (goal: 40 % of it on all cores).
  const double peak1 = median(peaks1), peakAll = median(peaksAll);
  const double gridMacs = static_cast<double>(kGrid) * kGrid * macs;
  if (peakAll > 0) {
    std::printf("FMA peak (%s), one thread / all cores:  %.2e / %.2e multiply-adds/s\n", kind, peak1, peakAll);
    std::printf("grid at the FMA peak, one thread / all:     %8.3f / %.3f s  (%.2e multiply-adds)\n", gridMacs / peak1,
                gridMacs / peakAll, gridMacs);
    std::printf("share of the FMA peak, one thread / all:    %8.3f / %.3f  (goal >= 0.40 on all cores)\n",
                gridMacs / peak1 / (one * scale), gridMacs / peakAll / (all * scale));
    state.counters["peak_share_all"] = gridMacs / peakAll / (all * scale);
  }
}
BENCHMARK(BM_SurfaceSampler)->Iterations(7)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace wl

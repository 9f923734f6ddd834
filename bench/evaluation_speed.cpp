// Evaluation speed in the state the program is in: every case builds a Workbench and draws one picture
// with Qt before it measures, as the program does before any evaluation (a drawing can leave the upper
// halves of the vector registers dirty, which makes legacy-SSE code and the C library's exp slow).
// Built with WL_BENCH_PEERS (scripts/bench, which installs Debian's libfann-dev).
//
// Cases, each timed alternately in one loop, figures the medians of the samples:
//   - BM_PassVsFann/{0 iris 4-5-3, 1 breast cancer 30-10-2, 2 generated 125-10-2}: one TrainingSetError
//     pass (the run's options, network checked once) against FANN's double-precision fann_test_data on
//     the same weights and data (logistic outputs), and against the arithmetic bound: a dense FMA
//     dot-product kernel over the same multiply-adds (no transfer functions). Counters: wl_us, fann_us,
//     bound_us per pass, fann_over_wl (goal >= 2), bound_fraction (bound / WeightLab), mse_rel (the
//     pass's mean square error against FANN's, a check that both see the same network); plain_us, the
//     same pass on the plain x86-64 path (the vector kernels switched off), and vector_kernels (1 when
//     the processor runs them);
//   - BM_TableTrial: a first-layer input-weight trial through the signal table (averaged over all
//     inputs), a hidden neuron's threshold trial and an output neuron's, each as a fraction of the
//     table's full pass (ErrorFullPass; goal <= 0.05);
//   - BM_VSSEpoch: one epoch of the variable step search with and without the signal table on the
//     generated set, and one online backpropagation epoch of FANN on the same network and data,
//     alternately (WL_BENCH_EPOCHS samples, default 7); table_over_fann_online: the epoch with the table
//     in FANN online epochs (goal <= 40).
#include <benchmark/benchmark.h>
#include <doublefann.h>
#include <unistd.h>

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "model/create_network.h"
#include "model/data_file.h"
#include "model/eval_options.h"
#include "model/forward_pass.h"
#include "model/layer_transfer.h"
#include "model/signal_table.h"
#if __has_include("model/vector_pass.h")  // an earlier commit (WL_BENCH_BASE) has only the plain path
#include "model/vector_pass.h"
#define WL_VECTOR_PATH 1
#endif
#include "platform/scripted_platform.h"
#include "training/one_change.h"
#include "bench_support.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n == 0 ? 0.0 : n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// One picture as the program draws them: an antialiased curve and a filled area on an ARGB image.
void DrawOnePicture() {
  QImage image(400, 300, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.moveTo(0, 150);
  for (int x = 1; x < 400; ++x) path.lineTo(x, 150 + 100 * std::sin(x / 30.0));
  painter.setPen(QPen(Qt::blue, 1.5));
  painter.drawPath(path);
  painter.fillRect(QRectF(20.5, 20.5, 100, 60), QColor(255, 0, 0, 120));
  painter.end();
  benchmark::DoNotOptimize(image.constBits());
}

struct Bench {
  std::string dir;
  wl::ScriptedPlatform plat;
  std::unique_ptr<wl::Workbench> wb;

  // 0 = iris 4-5-3, 1 = breast cancer 30-10-2, 2 = the generated set 125-10-2.
  explicit Bench(int which) {
    char tmpl[] = "/tmp/wl_bench_evaluation_XXXXXX";
    dir = mkdtemp(tmpl);
    plat.ProgramDir = dir;
    wb = std::make_unique<wl::Workbench>(plat, dir);
    wl::Workbench& w = *wb;
    const auto data = std::filesystem::path(WL_SOURCE_DIR) / "DATA";
    if (which == 0) {
      wl::ReadDataFile(w, (data / "iris.dat").string());
      w.ResultsPrefix = dir + "/results/iris_1";
      w.Form1.HiddenEditT2.SetText("5");
    } else if (which == 1) {
      wl::ReadDataFile(w, (data / "breast_cancer.dat").string());
      w.ResultsPrefix = dir + "/results/cancer_1";
      w.Form1.HiddenEditT2.SetText("10");
    } else {
      wl::bench::MushroomLikeSet(w);
      w.ResultsPrefix = dir + "/results/mushroom_1";
      w.Form1.HiddenEditT2.SetText("10");
    }
    w.VectorErrorTerm.assign(w.NumOfVectors, 0.0);
    w.Rng.Seed = 7;
    if (wl::CreateNetwork(w, 4) != wl::NetworkBuilt) throw std::runtime_error("no network");
    w.Stretch = 1.0;
    w.Form1.EpochEditT2.SetText("1");
    DrawOnePicture();
  }
  ~Bench() { std::filesystem::remove_all(dir); }
};

// The same three-layer network and data in FANN: logistic outputs 1 / (1 + e^-(net - θ)) (FANN's
// sigmoid 1 / (1 + e^(-2 s x)) with steepness s = 0.5, the bias weight -θ), one-hot targets.
struct Fann {
  fann* ann = nullptr;
  fann_train_data* data = nullptr;

  explicit Fann(const wl::bench::Reference& r) {
    ann = fann_create_standard(3, r.n0, r.n1, r.n2);
    fann_set_activation_function_hidden(ann, FANN_SIGMOID);
    fann_set_activation_function_output(ann, FANN_SIGMOID);
    fann_set_activation_steepness_hidden(ann, 0.5);
    fann_set_activation_steepness_output(ann, 0.5);
    fann_set_train_error_function(ann, FANN_ERRORFUNC_LINEAR);
    // Neurons are numbered layer after layer, each layer's bias neuron last.
    const int first1 = r.n0 + 1, first2 = first1 + r.n1 + 1;
    for (int j = 0; j < r.n1; ++j) {
      const double* w = &r.w1[std::size_t(j) * (r.n0 + 1)];
      for (int i = 0; i < r.n0; ++i) fann_set_weight(ann, i, first1 + j, w[i]);
      fann_set_weight(ann, r.n0, first1 + j, -w[r.n0]);
    }
    for (int j = 0; j < r.n2; ++j) {
      const double* w = &r.w2[std::size_t(j) * (r.n1 + 1)];
      for (int i = 0; i < r.n1; ++i) fann_set_weight(ann, first1 + i, first2 + j, w[i]);
      fann_set_weight(ann, first1 + r.n1, first2 + j, -w[r.n1]);
    }
    data = fann_create_train(r.nv, r.n0, r.n2);
    for (int v = 0; v < r.nv; ++v) {
      for (int i = 0; i < r.n0; ++i) data->input[v][i] = r.x[std::size_t(v) * r.n0 + i];
      for (int k = 0; k < r.n2; ++k) data->output[v][k] = k == r.cls[v] ? 1.0 : 0.0;
    }
  }
  ~Fann() {
    fann_destroy_train(data);
    fann_destroy(ann);
  }
  double Pass() { return fann_test_data(ann, data); }
};

// The arithmetic bound: the pass's multiply-adds, dense, with fused multiply-adds of four lanes.
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx2,fma"))) double DotFma(const double* a, const double* b, int n) {
  __m256d s0 = _mm256_setzero_pd(), s1 = _mm256_setzero_pd();
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    s0 = _mm256_fmadd_pd(_mm256_loadu_pd(a + i), _mm256_loadu_pd(b + i), s0);
    s1 = _mm256_fmadd_pd(_mm256_loadu_pd(a + i + 4), _mm256_loadu_pd(b + i + 4), s1);
  }
  for (; i + 4 <= n; i += 4) s0 = _mm256_fmadd_pd(_mm256_loadu_pd(a + i), _mm256_loadu_pd(b + i), s0);
  s0 = _mm256_add_pd(s0, s1);
  alignas(32) double lanes[4];
  _mm256_store_pd(lanes, s0);
  double s = (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
  for (; i < n; ++i) s += a[i] * b[i];
  return s;
}

__attribute__((target("avx2,fma"))) double Bound(const wl::bench::Reference& r) {
  double h[64];
  double total = 0.0;
  for (int v = 0; v < r.nv; ++v) {
    const double* in = &r.x[std::size_t(v) * r.n0];
    for (int j = 0; j < r.n1; ++j) h[j] = DotFma(in, &r.w1[std::size_t(j) * (r.n0 + 1)], r.n0);
    for (int j = 0; j < r.n2; ++j) total += DotFma(h, &r.w2[std::size_t(j) * (r.n1 + 1)], r.n1);
  }
  _mm256_zeroupper();
  return total;
}
#else
double Bound(const wl::bench::Reference& r) {
  double h[64];
  double total = 0.0;
  for (int v = 0; v < r.nv; ++v) {
    const double* in = &r.x[std::size_t(v) * r.n0];
    for (int j = 0; j < r.n1; ++j) h[j] = r.Plain(in, &r.w1[std::size_t(j) * (r.n0 + 1)], r.n0);
    for (int j = 0; j < r.n2; ++j) total += r.Plain(h, &r.w2[std::size_t(j) * (r.n1 + 1)], r.n1);
  }
  return total;
}
#endif

void BM_PassVsFann(benchmark::State& state) {
  Bench b(int(state.range(0)));
  wl::Workbench& wb = *b.wb;
  wl::EvalOptions o = wl::ReadEvalOptions(wb);
  wl::TrainingSetError(wb, o);  // the run's first pass checks the network
  o.NetworkFits = true;
  const wl::bench::Reference ref(wb);
  Fann fann(ref);
  // Repeat short passes so that a sample lasts about a millisecond.
  const int reps = std::max(1, 20000 / wb.NumOfVectors);
  std::vector<double> ours, theirs, bound, plain;
  double e = 0.0, mse = 0.0;
  for (auto _ : state) {
    DrawOnePicture();
    const auto t0 = Clock::now();
    for (int r = 0; r < reps; ++r) e = wl::TrainingSetError(wb, o);
    const auto t1 = Clock::now();
    for (int r = 0; r < reps; ++r) mse = fann.Pass();
    const auto t2 = Clock::now();
    for (int r = 0; r < reps; ++r) benchmark::DoNotOptimize(Bound(ref));
    const auto t3 = Clock::now();
#ifdef WL_VECTOR_PATH
    wl::SetEvaluationPath(wl::EvaluationPath::Plain);
#endif
    for (int r = 0; r < reps; ++r) benchmark::DoNotOptimize(wl::TrainingSetError(wb, o));
#ifdef WL_VECTOR_PATH
    wl::SetEvaluationPath(wl::EvaluationPath::Automatic);
#endif
    const auto t4 = Clock::now();
    ours.push_back(Seconds(t0, t1) / reps);
    theirs.push_back(Seconds(t1, t2) / reps);
    bound.push_back(Seconds(t2, t3) / reps);
    plain.push_back(Seconds(t3, t4) / reps);
  }
  const double w = Median(ours), f = Median(theirs), d = Median(bound);
  state.counters["wl_us"] = w * 1e6;
  state.counters["plain_us"] = Median(plain) * 1e6;
#ifdef WL_VECTOR_PATH
  state.counters["vector_kernels"] = wl::UseVectorKernels() ? 1 : 0;
#else
  state.counters["vector_kernels"] = 0;
#endif
  state.counters["fann_us"] = f * 1e6;
  state.counters["bound_us"] = d * 1e6;
  state.counters["fann_over_wl"] = f / w;
  state.counters["bound_fraction"] = d / w;
  const double ourMse = e / (double(wb.NumOfVectors) * ref.n2);
  state.counters["mse_rel"] = std::fabs(ourMse - mse) / std::max(1e-300, std::fabs(mse));
}
BENCHMARK(BM_PassVsFann)->Arg(0)->Arg(1)->Arg(2)->Iterations(15)->Unit(benchmark::kMillisecond);

void BM_TableTrial(benchmark::State& state) {
  Bench b(2);
  wl::Workbench& wb = *b.wb;
  const wl::EvalOptions o = wl::ReadEvalOptions(wb);
  wl::ErrorFullPass(wb, o);
  const int inputs = wb.Layers[0];
  std::vector<double> full, input, threshold, outThreshold;
  int k = 0;
  for (auto _ : state) {
    DrawOnePicture();
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(wl::ErrorFullPass(wb, o));
    const auto t1 = Clock::now();
    // Every input once, each trial of +0.1 undone.
    for (int i = 0; i < inputs; ++i, ++k) {
      wl::TNeuron& n = wb.Net[1][k % wb.Layers[1]];
      n.OldWeights[i] = n.Weights[i];
      n.Weights[i] += 0.1;
      benchmark::DoNotOptimize(wl::ErrorWithChangedWeight(wb, o, 1, k % wb.Layers[1], i));
      n.Weights[i] = n.OldWeights[i];
    }
    const auto t2 = Clock::now();
    wl::TNeuron& n = wb.Net[1][0];
    n.OldWeights[inputs] = n.Weights[inputs];
    n.Weights[inputs] += 0.1;
    benchmark::DoNotOptimize(wl::ErrorWithChangedWeight(wb, o, 1, 0, inputs));
    n.Weights[inputs] = n.OldWeights[inputs];
    const auto t3 = Clock::now();
    const int th2 = wb.LayerInputs[1];
    wl::TNeuron& o2 = wb.Net[2][0];
    o2.OldWeights[th2] = o2.Weights[th2];
    o2.Weights[th2] += 0.1;
    benchmark::DoNotOptimize(wl::ErrorWithChangedWeight(wb, o, 2, 0, th2));
    o2.Weights[th2] = o2.OldWeights[th2];
    const auto t4 = Clock::now();
    full.push_back(Seconds(t0, t1));
    input.push_back(Seconds(t1, t2) / inputs);
    threshold.push_back(Seconds(t2, t3));
    outThreshold.push_back(Seconds(t3, t4));
  }
  const double f = Median(full), i = Median(input), t = Median(threshold);
  state.counters["full_us"] = f * 1e6;
  state.counters["input_trial_us"] = i * 1e6;
  state.counters["threshold_trial_us"] = t * 1e6;
  state.counters["input_fraction"] = i / f;
  state.counters["threshold_fraction"] = t / f;
  state.counters["out_threshold_fraction"] = Median(outThreshold) / f;
}
BENCHMARK(BM_TableTrial)->Iterations(15)->Unit(benchmark::kMillisecond);

void BM_VSSEpoch(benchmark::State& state) {
  Bench b(2);
  wl::Workbench& wb = *b.wb;
  const std::vector<std::vector<wl::TNeuron>> start = wb.Net;
  // The peer: one online (incremental) backpropagation epoch of FANN on the same network and data.
  const wl::bench::Reference ref(wb);
  Fann fann(ref);
  fann_set_training_algorithm(fann.ann, FANN_TRAIN_INCREMENTAL);
  fann_set_learning_momentum(fann.ann, 0.0f);
  fann_set_learning_rate(fann.ann, 0.1f);
  std::vector<double> with, without, online;
  for (auto _ : state) {
    for (const bool table : {true, false}) {
      wb.Net = start;
      wb.Form1.SMSTBox.SetChecked(table);
      DrawOnePicture();
      const auto t0 = Clock::now();
      wl::TrainOneChange(wb, 2);
      (table ? with : without).push_back(Seconds(t0, Clock::now()));
    }
    DrawOnePicture();
    const auto t0 = Clock::now();
    fann_train_epoch(fann.ann, fann.data);
    online.push_back(Seconds(t0, Clock::now()));
  }
  state.counters["with_table_s"] = Median(with);
  state.counters["without_table_s"] = Median(without);
  state.counters["fann_online_ms"] = Median(online) * 1e3;
  state.counters["table_over_fann_online"] = Median(with) / Median(online);  // goal <= 40
}

int Epochs() {
  const char* e = std::getenv("WL_BENCH_EPOCHS");
  return e && std::atoi(e) > 0 ? std::atoi(e) : 7;
}
const auto* const kVss = benchmark::RegisterBenchmark("BM_VSSEpoch", BM_VSSEpoch)
                             ->Iterations(Epochs())
                             ->Unit(benchmark::kSecond);

}  // namespace

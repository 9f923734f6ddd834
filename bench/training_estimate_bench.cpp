// The time estimate of "New Training" against the time the training takes, on this computer: for
// backpropagation and for each step rule of the numerical gradient (NG sections, DH1, standard), with and
// without the signal table, on iris (4 hidden: 35 weights) and breast-cancer (4 hidden: 134 weights).
// Each run trains `epochs` epochs; the counters give the measured and the estimated seconds per epoch
// and their ratio (estimate / measured), with the computer's speed measured as the start-up measures it.
// The parts an NG epoch is made of are timed on their own too: a full pass over the training set and a
// trial of one weight through the signal table, each per vector and weight, against the cost of a
// backpropagation epoch per vector and weight.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <iterator>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "experiments/new_training.h"
#include "model/create_network.h"
#include "model/data_file.h"
#include "model/read_parameters.h"
#include "platform/scripted_platform.h"
#include "shell/startup.h"
#include "state/workbench.h"
#include "training/backprop.h"
#include "training/ng_steps.h"
#include "training/ng_train.h"
#include "training/ng_weights.h"

namespace {

// The data sets and hidden layers: iris 4 (35 weights), breast-cancer 4 (134) and 20 (662).
struct SetCase {
  const char* Name;
  const char* Hidden;
};
const SetCase kSets[] = {{"iris", "4"}, {"breast_cancer", "4"}, {"breast_cancer", "20"}};

struct Bench {
  std::string dir;
  wl::ScriptedPlatform plat;
  std::unique_ptr<wl::Workbench> wb;
  std::vector<std::vector<wl::TNeuron>> start;

  explicit Bench(const SetCase& set) {
    char tmpl[] = "/tmp/wl_bench_estimate_XXXXXX";
    dir = mkdtemp(tmpl);
    std::filesystem::create_directories(dir + "/results");
    plat.ProgramDir = dir;
    wb = std::make_unique<wl::Workbench>(plat, dir);
    wl::Workbench& w = *wb;
    wl::ReadDataFile(w, std::string(WL_SOURCE_DIR) + "/DATA/" + set.Name + ".dat");
    w.ResultsPrefix = dir + "/results/" + set.Name + "_1";
    w.Form1.HiddenEditT2.SetText(set.Hidden);
    w.Form1.NoGTPBox.SetChecked(true);  // the plot is not what is timed
    w.Rng.Seed = 7;
    if (wl::CreateNetwork(w, 4) != wl::NetworkBuilt) throw std::runtime_error("no network");
    start = w.Net;
  }
  ~Bench() { std::filesystem::remove_all(dir); }
};

Bench& Shared(int set) {
  static std::unique_ptr<Bench> benches[std::size(kSets)];
  if (!benches[set]) benches[set] = std::make_unique<Bench>(kSets[set]);
  return *benches[set];
}

double Speed() {
  static double speed = [] {
    wl::ScriptedPlatform plat;
    wl::Workbench wb(plat, "/tmp");
    wl::MeasureComputerSpeed(wb);
    return wb.CPUCHECKED > 0.0 ? wb.CPUCHECKED : 2000.0;
  }();
  return speed;
}

double Seconds(const std::chrono::steady_clock::time_point& t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The estimate's training term per epoch, in seconds on this computer (of a long run, so that the first
// epochs' finer grid and the display's rounding do not count).
double EstimatePerEpoch(const wl::Workbench& wb, wl::TrainingMethod method) {
  constexpr int kEpochs = 100000;
  wl::EstimateInputs in = wl::EstimateInputsFor(wb, method);
  in.Epochs = kEpochs;
  in.Parts = 1;
  in.ComputerSpeed = Speed();
  return wl::EstimateTimes(in).Training / kEpochs;
}

void Report(benchmark::State& state, double measured, double estimated) {
  state.counters["measured_s_per_epoch"] = measured;
  state.counters["estimated_s_per_epoch"] = estimated;
  state.counters["estimate_ratio"] = estimated / measured;
  state.counters["speed"] = Speed();
}

// Backpropagation (batch), arg: the data set.
void BM_BPRun(benchmark::State& state) {
  Bench& b = Shared(static_cast<int>(state.range(0)));
  wl::Workbench& wb = *b.wb;
  const int epochs = 200;
  wb.Form1.EpochEditT2.SetText(std::to_string(epochs));
  double measured = 0.0;
  for (auto _ : state) {
    wb.Net = b.start;
    wl::ReadParameters(wb, 1);
    const auto t0 = std::chrono::steady_clock::now();
    wl::TrainBP(wb);
    measured += Seconds(t0);
  }
  Report(state, measured / static_cast<double>(state.iterations()) / epochs,
         EstimatePerEpoch(wb, wl::TrainingMethod::BP));
}
BENCHMARK(BM_BPRun)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(2);

// The numerical gradient, args: the data set, the step rule (0 NG sections, 1 DH1, 2 standard), the
// signal table (1) or full passes (0).
void BM_NGRun(benchmark::State& state) {
  Bench& b = Shared(static_cast<int>(state.range(0)));
  wl::Workbench& wb = *b.wb;
  const int rule = static_cast<int>(state.range(1));
  wb.Form1.h01.SetChecked(rule == 0);
  wb.Form1.DH1Button.SetChecked(rule == 1);
  wb.Form1.NoH.SetChecked(rule == 2);
  wb.Form1.useST.SetChecked(state.range(2) == 1);
  // Enough epochs that the run's own start and end do not count.
  const int epochs = state.range(0) == 0 ? 400 : state.range(0) == 1 ? 100 : 20;
  wb.Form1.EpochEditT2.SetText(std::to_string(epochs));
  double measured = 0.0;
  int done = 0;
  for (auto _ : state) {
    wb.Net = b.start;
    const auto t0 = std::chrono::steady_clock::now();
    wl::NGTrain(wb, 1);
    measured += Seconds(t0);
    done += wb.NumOfEpochs;
    wb.Form1.EpochEditT2.SetText(std::to_string(epochs));
  }
  Report(state, measured / std::max(1, done), EstimatePerEpoch(wb, wl::TrainingMethod::NG));
  state.counters["epochs_done"] = static_cast<double>(done) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_NGRun)
    ->ArgsProduct({{0, 1, 2}, {0, 1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// The parts: a full pass and a signal-table trial, in nanoseconds per vector and weight of the network.
void BM_NGParts(benchmark::State& state) {
  Bench& b = Shared(static_cast<int>(state.range(0)));
  wl::Workbench& wb = *b.wb;
  wb.Net = b.start;
  wb.Form1.useST.SetChecked(true);
  wl::ReadParameters(wb);
  wl::InitNG(wb, 1);
  const double vw = static_cast<double>(wb.NumOfVectors) * wb.NumOfWeights;
  double full = 0.0, rule = 0.0, trial = 0.0;
  int fulls = 0, trials = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) benchmark::DoNotOptimize(wl::NGTrainingSetError(wb));
    full += Seconds(t0);
    fulls += 20;
    t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) benchmark::DoNotOptimize(wl::NGRuleError(wb));
    rule += Seconds(t0);
    wl::NGFullPass(wb);
    t0 = std::chrono::steady_clock::now();
    wl::ForEachNGWeight(wb, [&](int l, int n, int k, std::size_t, wl::TNeuron& nr) {
      const double w0 = nr.Weights[static_cast<std::size_t>(k)];
      nr.Weights[static_cast<std::size_t>(k)] = w0 + 0.01;
      benchmark::DoNotOptimize(wl::NGChangedWeightError(wb, l, n, k));
      nr.Weights[static_cast<std::size_t>(k)] = w0;
      ++trials;
    });
    trial += Seconds(t0);
  }
  // At the reference computer's speed (2000), as the estimate counts.
  const double toReference = Speed() / 2000.0;
  const int outputs = wb.Layers.back();
  state.counters["full_pass_ns_per_vw"] = full / fulls / vw * 1e9 * toReference;
  state.counters["dh1_pass_ns_per_vw"] = rule / fulls / vw * 1e9 * toReference;
  state.counters["table_trial_ns_per_v_reached"] = trial / trials / (wb.NumOfVectors * (1.0 + outputs)) * 1e9 * toReference;
  state.counters["speed"] = Speed();
}
BENCHMARK(BM_NGParts)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

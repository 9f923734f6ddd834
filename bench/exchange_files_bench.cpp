// Memory of the Matlab exchange readers on a huge file: a 200 MB "PCA/WM_matlab.txt" of short lines
// ("1" and a line end, 100 million lines). The weight-matrix builder (a 2-2-1 network whose histories hold
// 13 epochs) and the Matlab import (iris, 12 epochs in config.txt) must refuse it for its line count after
// reading only one line more than they take, and their memory must not follow the size of the file. The
// figures: the file's size, the peak resident size of the process before and after (ru_maxrss), the time.
// Run each case in a process of its own (--benchmark_filter) for a peak of that case alone.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "analysis/matlab_import.h"
#include "analysis/weight_matrix.h"
#include "platform/scripted_platform.h"
#include "state/workbench.h"
#include "training/prepare_run.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kFileBytes = 200u * 1000 * 1000;

double PeakMB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) / 1024.0;
}

void MakeNetwork(wl::Workbench& wb) {
  wb.Layers = {2, 2, 1};
  wb.NumOfLayers = 3;
  wb.Net.assign(3, {});
  wb.LayerInputs = {};
  for (std::size_t l = 0; l < 3; ++l) wb.LayerInputs[l] = wb.Layers[l];
  wb.Net[0].resize(2);
  for (wl::TNeuron& n : wb.Net[0]) n.Weights = {1.0};
  wb.Net[1].resize(2);
  for (wl::TNeuron& n : wb.Net[1]) n.Weights = {0.1, 0.2, 0.3};
  wb.Net[2].resize(1);
  wb.Net[2][0].Weights = {0.4, 0.5, 0.6};
  wb.NumOfWeights = 9;
  wb.NumOfEpochs = 12;
  wl::AllocHistories(wb, 12);
}

// A program folder with the huge weights file.
std::string HugeWeightsFolder() {
  char tmpl[] = "/tmp/wl_bench_XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  fs::create_directories(dir + "/PCA");
  std::ofstream out(dir + "/PCA/WM_matlab.txt", std::ios::binary);
  std::string lines;
  for (std::size_t i = 0; i < (1u << 19); ++i) lines += "1\n";
  for (std::size_t written = 0; written < kFileBytes; written += lines.size()) out << lines;
  return dir;
}

void BM_HugeMatlabWeightsFileRefused(benchmark::State& state) {
  const std::string dir = HugeWeightsFolder();
  state.counters["file_MB"] = static_cast<double>(fs::file_size(dir + "/PCA/WM_matlab.txt")) / 1e6;
  wl::ScriptedPlatform plat;
  wl::Workbench wb(plat, dir);
  MakeNetwork(wb);
  wb.Form1.TrainingInMatlab.SetChecked(true);
  const double before = PeakMB();
  bool built = true;
  for (auto _ : state) {
    plat.Messages.clear();
    built = wl::BuildWMForMatlab(wb);
  }
  state.counters["peak_MB_before"] = before;
  state.counters["peak_MB_after"] = PeakMB();
  if (built || plat.Messages.empty()) state.SkipWithError("the file was not refused for its line count");
  fs::remove_all(dir);
}
BENCHMARK(BM_HugeMatlabWeightsFileRefused)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_HugeMatlabWeightsFileRefusedByTheImport(benchmark::State& state) {
  const std::string dir = HugeWeightsFolder();
  fs::create_directories(dir + "/DATA");
  fs::copy_file(std::string(WL_SOURCE_DIR) + "/DATA/iris.dat", dir + "/DATA/iris.dat");
  {
    std::ofstream config(dir + "/PCA/config.txt", std::ios::binary);
    config << "iris.mat 4 3 0 12 trainlm 0 logsig logsig logsig\n";
    for (int e = 0; e <= 12; ++e) config << 1.0 / (1 + e) << "\n";
  }
  state.counters["file_MB"] = static_cast<double>(fs::file_size(dir + "/PCA/WM_matlab.txt")) / 1e6;
  wl::ScriptedPlatform plat;
  wl::Workbench wb(plat, dir);
  const double before = PeakMB();
  for (auto _ : state) {
    plat.Messages.clear();
    wl::ImportWMFromMatlab(wb);
  }
  state.counters["peak_MB_before"] = before;
  state.counters["peak_MB_after"] = PeakMB();
  if (plat.Messages.empty() || plat.Messages.back().Text.find("holds more than 13 lines") == std::string::npos)
    state.SkipWithError(plat.Messages.empty() ? "no message" : plat.Messages.back().Text.c_str());
  fs::remove_all(dir);
}
BENCHMARK(BM_HugeMatlabWeightsFileRefusedByTheImport)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

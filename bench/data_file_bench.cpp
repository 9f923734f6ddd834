// Reading a data-set file: a generated file of 100,000 vectors of 50 continuous features and 3 classes,
// read whole (with normalisation, as a training file is).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "model/data_file.h"
#include "state/workbench.h"
#include "platform/numfmt.h"
#include "platform/random.h"
#include "platform/scripted_platform.h"

namespace {

constexpr int kVectors = 100000, kFeatures = 50;

std::string MakeFile(const std::string& dir) {
  const std::string path = dir + "/bench.dat";
  std::ofstream out(path, std::ios::binary);
  out << "Number of features = " << kFeatures + 1 << "\nNumber of Vectors = " << kVectors
      << "\nClass Column No = " << kFeatures + 1 << "\n";
  for (int f = 1; f <= kFeatures; ++f) out << "Feature[" << f << "] = f" << f << "  continuous\n";
  out << "Feature[" << kFeatures + 1 << "] = Class  discrete  3  0  1  2\n[DATA]\n";
  wl::RandomGenerator rng;
  rng.Seed = 12345;
  std::string line;
  for (int v = 0; v < kVectors; ++v) {
    line.clear();
    for (int f = 0; f < kFeatures; ++f) line += wl::FormatFixed(rng.Real() * 20.0 - 10.0, 6) + "  ";
    line += wl::IntToStr(rng.Below(3));
    out << line << '\n';
  }
  return path;
}

void BM_ReadDataFile(benchmark::State& state) {
  char tmpl[] = "/tmp/wl_bench_XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  const std::string path = MakeFile(dir);
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  wl::ScriptedPlatform plat;
  wl::Workbench wb(plat, dir);
  for (auto _ : state) {
    wl::ReadDataFile(wb, path);
    benchmark::DoNotOptimize(wb.Data.data());
  }
  if (wb.NumOfVectors != kVectors) state.SkipWithError("the file did not read whole");
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ReadDataFile)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

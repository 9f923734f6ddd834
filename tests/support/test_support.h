#pragma once
// Helpers the test programs share: a file's text and its lines, a temporary program directory of one
// test, a workbench on the scripted platform in such a directory, and hand-made data sets and networks.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "state/workbench.h"
#include "platform/scripted_platform.h"

namespace wl::test {

// The whole text of a file, byte for byte; empty when it cannot be read.
inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The lines of a text, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// A fresh folder for the running test, removed with everything in it at the end. Its name carries the
// test's name and the process id: the same test may run in other builds of the tree at the same time.
class TempProgramDir {
 public:
  explicit TempProgramDir(const std::string& prefix) {
    std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& ch : name)
      if (ch == '/') ch = '_';
    path_ = std::filesystem::temp_directory_path() / (prefix + name + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempProgramDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempProgramDir(const TempProgramDir&) = delete;
  TempProgramDir& operator=(const TempProgramDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string Str() const { return path_.string(); }
  // Writes a file below the folder (making its folders) and returns its full name.
  std::string Write(const std::string& relative, const std::string& content) const {
    const std::filesystem::path p = path_ / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
    return p.string();
  }

 private:
  std::filesystem::path path_;
};

// A disk that fills up: while the guard lives, no file of the process can grow beyond `bytes` (a write
// past it fails as on a full disk).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit l = old_;
    l.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &l);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*old_handler_)(int) = SIG_DFL;
};

// A test with a workbench on the scripted platform whose program directory is a temporary folder of its
// own. SetUp of the test calls MakeProgramDir first.
class ProgramDirTest : public testing::Test {
 protected:
  // Makes the folder (with the given folders inside) and the workbench in it.
  void MakeProgramDir(const std::string& prefix, std::initializer_list<const char*> folders = {}) {
    temp_.emplace(prefix);
    dir = temp_->Path();
    for (const char* f : folders) std::filesystem::create_directories(dir / f);
    plat.ProgramDir = dir.string();
    wb = std::make_unique<Workbench>(plat, dir.string());
  }

 private:
  std::optional<TempProgramDir> temp_;  // removed after the workbench has ended

 protected:
  std::filesystem::path dir;
  ScriptedPlatform plat;
  std::unique_ptr<Workbench> wb;
};

// A data set of continuous features, one row per vector (the classes are the caller's).
inline void SetContinuousRows(Workbench& wb, std::vector<std::vector<double>> rows) {
  wb.NumOfFeatures = static_cast<int>(rows[0].size());
  wb.Features.assign(wb.NumOfFeatures, TFeature{});
  wb.AllContinuous = true;
  wb.NumOfVectors = static_cast<int>(rows.size());
  wb.Data = std::move(rows);
}

// The network from its layer sizes and each neuron's weights (threshold last), layer 1 upward; input
// weights 1. Skip connections: the output neurons list hidden weights, input weights, threshold.
inline void SetNetwork(Workbench& wb, const std::vector<int>& layers,
                       const std::vector<std::vector<std::vector<double>>>& weights, bool skip = false) {
  wb.Layers = layers;
  wb.NumOfLayers = static_cast<int>(layers.size());
  wb.Net.assign(layers.size(), {});
  wb.LayerInputs = {};
  for (std::size_t l = 0; l < layers.size(); ++l) wb.LayerInputs[l] = layers[l];
  if (skip) wb.LayerInputs[1] = layers[1] + layers[0];
  wb.Net[0].resize(layers[0]);
  for (TNeuron& n : wb.Net[0]) n.Weights = {1.0};
  for (std::size_t l = 1; l < layers.size(); ++l) {
    wb.Net[l].resize(layers[l]);
    for (int j = 0; j < layers[l]; ++j) wb.Net[l][j].Weights = weights[l - 1][j];
  }
}

}  // namespace wl::test

#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

#include "shell/command.h"
#include "shell/startup.h"

#ifndef WL_SHIPPED_DATA_DIR
#error "WL_SHIPPED_DATA_DIR names the shipped DATA folder"
#endif

namespace wl::fuzz {

namespace {

// The folder of this process; each input empties it.
std::filesystem::path ProcessDir() {
  static const std::filesystem::path dir = [] {
    const std::filesystem::path d =
        std::filesystem::temp_directory_path() / ("wl-fuzz-" + std::to_string(::getpid()));
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(std::filesystem::temp_directory_path() / ("wl-fuzz-" + std::to_string(::getpid())), ec);
    });
    return d;
  }();
  return dir;
}

}  // namespace

std::vector<std::string> SplitParts(std::string_view text, std::size_t count) {
  std::vector<std::string> parts;
  while (parts.size() + 1 < count) {
    const std::size_t at = text.find("\n====\n");
    if (at == std::string_view::npos) break;
    parts.emplace_back(text.substr(0, at + 1));
    text.remove_prefix(at + 6);
  }
  parts.emplace_back(text);
  parts.resize(count);
  return parts;
}

FuzzProgram::FuzzProgram(bool withData, const char* startSettings) : dir_(ProcessDir()) {
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
  std::filesystem::create_directories(dir_ / "DATA");
  std::filesystem::create_directories(dir_ / "PCA");
  std::filesystem::create_directories(dir_ / "results");
  if (withData)
    for (const char* name : {"iris.dat", "xor.dat", "monk1.dat"})
      std::filesystem::copy_file(std::filesystem::path(WL_SHIPPED_DATA_DIR) / name, dir_ / "DATA" / name);
  if (startSettings) Write("weightlab.ini", std::string("WeightLab   v.0.947\nCPUCHECKED=1000\n") + startSettings);
  plat_.ProgramDir = dir_.string();
  wb_ = std::make_unique<Workbench>(plat_, dir_.string());
  ConnectHandlers(*wb_);
}

FuzzProgram::~FuzzProgram() = default;

void FuzzProgram::Start() {
  StartProgram(*wb_);
  plat_.Messages.clear();
}

std::string FuzzProgram::Write(const std::string& relative, std::string_view content) const {
  const std::filesystem::path p = dir_ / relative;
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
  return p.string();
}

bool FuzzProgram::Click(const std::string& control) {
  const HandlerRow* row = FindHandler(control, ControlEvent::MouseReleased);
  if (!row) Broken("no handler for " + control);
  return RunCommand(*wb_, [&] { row->Run(*wb_); });
}

bool FuzzProgram::Run(const std::function<void()>& command) { return RunCommand(*wb_, command); }

std::vector<ScriptedPlatform::Message> FuzzProgram::TakeMessages() {
  std::vector<ScriptedPlatform::Message> m;
  m.swap(plat_.Messages);
  return m;
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Broken("cannot read back " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Broken(const std::string& why) {
  std::fprintf(stderr, "fuzz harness: %s\n", why.c_str());
  std::fflush(stderr);
  std::abort();
}

const std::vector<Harness>& Harnesses() {
  static const std::vector<Harness> table = {
      {"data", FuzzDataFile},
      {"settings", FuzzSettingsFile},
      {"weights", FuzzWeightsFile},
      {"weights_nofm", FuzzFiveLayerWeightsFile},
      {"custom_order", FuzzCustomOrderFile},
      {"batch", FuzzBatchFile},
      {"cut_points", FuzzCutPointFile},
      {"pca_files", FuzzPcaFiles},
      {"matlab_import", FuzzMatlabImport},
      {"picture", FuzzPicture},
  };
  return table;
}

const Harness* FindHarness(std::string_view name) {
  for (const Harness& h : Harnesses())
    if (name == h.Name) return &h;
  return nullptr;
}

}  // namespace wl::fuzz

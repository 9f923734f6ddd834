// weightlab-script [--keep] SCRIPT
//
// Runs a script of a user's actions against the program in a fresh program directory (a temporary folder
// holding a copy of the shipped DATA folder), which is also the working directory while the script runs.
// Exits 0 when every expectation holds, 1 at the first one that does not, 2 for a line it cannot run.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "platform/numfmt.h"
#include "script_parser.h"
#include "script_runner.h"

namespace fs = std::filesystem;
using wl::script::Outcome;

namespace {

constexpr int ExitFailed = 1, ExitError = 2;

int Usage() {
  std::cerr << "usage: weightlab-script [--keep] SCRIPT\n";
  return ExitError;
}

// The program directory for one run: removed at the end unless it is to be kept; the working directory
// is restored before.
class ProgramDirectory {
 public:
  explicit ProgramDirectory(bool keep) : keep_(keep) {
    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/weightlab-XXXXXX";
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("cannot create a temporary folder from " + tmpl);
    // The working directory reads back canonical; the program directory must agree with it.
    path_ = fs::canonical(tmpl).string();
  }
  ~ProgramDirectory() {
    std::error_code ec;
    if (entered_) fs::current_path(oldCwd_, ec);
    if (keep_)
      std::cout << "program directory kept: " << path_ << "\n";
    else
      fs::remove_all(path_, ec);
  }
  ProgramDirectory(const ProgramDirectory&) = delete;
  ProgramDirectory& operator=(const ProgramDirectory&) = delete;

  void Enter() {
    oldCwd_ = fs::current_path();
    fs::current_path(path_);
    entered_ = true;
  }
  const std::string& Path() const { return path_; }

 private:
  bool keep_, entered_ = false;
  std::string path_;
  fs::path oldCwd_;
};

std::string DataDir() {
  const char* env = std::getenv("WL_DATA_DIR");
  return env && *env ? env : WL_SHIPPED_DATA_DIR;
}

void Report(const std::string& script, const Outcome& o) {
  std::cerr << script << ":" << wl::IntToStr(o.Number) << ": " << o.Source << "\n";
  std::string::size_type pos = 0;
  while (pos <= o.Details.size()) {
    auto end = o.Details.find('\n', pos);
    if (end == std::string::npos) end = o.Details.size();
    std::cerr << "  " << o.Details.substr(pos, end - pos) << "\n";
    pos = end + 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool keep = false;
  std::string script;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--keep")
      keep = true;
    else if (script.empty() && !a.empty() && a[0] != '-')
      script = a;
    else
      return Usage();
  }
  if (script.empty()) return Usage();

  try {
    std::ifstream in(script, std::ios::binary);
    if (!in) {
      std::cerr << script << ": cannot read the script\n";
      return ExitError;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<wl::script::Line> lines;
    try {
      lines = wl::script::ParseScript(text);
    } catch (const wl::script::ParseError& e) {
      Report(script, {Outcome::Error, e.Number, e.Source, std::string("error: ") + e.what()});
      return ExitError;
    }

    const std::string data = DataDir();
    if (!fs::is_directory(data)) {
      std::cerr << "weightlab-script: no DATA folder at " << data << " (set WL_DATA_DIR)\n";
      return ExitError;
    }
    const std::string scriptDir = fs::absolute(script).parent_path().string();

    ProgramDirectory dir(keep);
    fs::copy(data, fs::path(dir.Path()) / "DATA", fs::copy_options::recursive);
    dir.Enter();
    Outcome outcome;
    {
      wl::script::Runner runner(dir.Path(), scriptDir);
      outcome = runner.Run(lines);
    }
    if (outcome.Result == Outcome::Passed) return 0;
    Report(script, outcome);
    return outcome.Result == Outcome::Error ? ExitError : ExitFailed;
  } catch (const std::exception& e) {
    std::cerr << "weightlab-script: " << e.what() << "\n";
    return ExitError;
  }
}

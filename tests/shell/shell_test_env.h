#pragma once
// A fresh program directory and a workbench on the scripted platform, for one test of the shell.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "state/workbench.h"
#include "platform/scripted_platform.h"
#include "support/test_support.h"

namespace wl::test {

class ShellTest : public testing::Test {
 public:
  ShellTest() {
    std::filesystem::copy(WL_SOURCE_DIR "/DATA", dir_.Path() / "DATA", std::filesystem::copy_options::recursive);
    plat.ProgramDir = dir_.Str();
    wb = std::make_unique<Workbench>(plat, dir_.Str());
  }
  ~ShellTest() override { wb.reset(); }

  std::string Dir() const { return dir_.Str(); }
  std::string PathOf(const std::string& relative) const { return (dir_.Path() / relative).string(); }
  void Write(const std::string& relative, const std::string& content) const {
    std::ofstream(dir_.Path() / relative, std::ios::binary) << content;
  }
  std::string Read(const std::string& relative) const { return ReadText(dir_.Path() / relative); }
  // A new program run in the same directory (the previous one ended).
  void Restart() {
    wb = std::make_unique<Workbench>(plat, dir_.Str());
  }

  ScriptedPlatform plat;
  std::unique_ptr<Workbench> wb;

 private:
  TempProgramDir dir_{"wl_shell_"};
};

}  // namespace wl::test

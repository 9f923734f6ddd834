#pragma once
// A fresh program directory and a workbench on the scripted platform, for one test of the shell.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <unistd.h>

#include "model/workbench.h"
#include "platform/scripted_platform.h"

namespace wl::test {

class ShellTest : public testing::Test {
 public:
  ShellTest() {
    dir_ = std::filesystem::temp_directory_path() /
           ("wl_shell_" + std::to_string(::getpid()) + "_" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    std::filesystem::copy(WL_SOURCE_DIR "/DATA", dir_ / "DATA", std::filesystem::copy_options::recursive);
    plat.ProgramDir = dir_.string();
    wb = std::make_unique<Workbench>(plat, dir_.string());
  }
  ~ShellTest() override {
    wb.reset();
    std::filesystem::remove_all(dir_);
  }

  std::string Dir() const { return dir_.string(); }
  std::string PathOf(const std::string& relative) const { return (dir_ / relative).string(); }
  void Write(const std::string& relative, const std::string& content) const {
    std::ofstream(dir_ / relative, std::ios::binary) << content;
  }
  std::string Read(const std::string& relative) const {
    std::ifstream in(dir_ / relative, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // A new program run in the same directory (the previous one ended).
  void Restart() {
    wb = std::make_unique<Workbench>(plat, dir_.string());
  }

  ScriptedPlatform plat;
  std::unique_ptr<Workbench> wb;

 private:
  std::filesystem::path dir_;
};

}  // namespace wl::test

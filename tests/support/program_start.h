#pragma once
// How the gui tests start the program as main() does, each in a program directory of its own.
#include <QApplication>

#include <filesystem>
#include <fstream>

#include "gui/program_windows.h"
#include "shell/command.h"
#include "shell/startup.h"

namespace wl::test {

// The sample data sets, results/ and a settings file that holds a speed, so no benchmark runs at start.
inline void FillProgramDir(const std::filesystem::path& dir) {
  namespace fs = std::filesystem;
  fs::copy(WL_SOURCE_DIR "/DATA", dir / "DATA", fs::copy_options::recursive);
  fs::create_directories(dir / "results");
  std::ofstream(dir / "weightlab.ini") << "WeightLab   v.0.947\nCPUCHECKED=1500\n";
}

// Handlers connected, the windows made in their start-up order, the main window shown and painted.
inline void StartShownProgram(Workbench& wb, ProgramWindows& windows) {
  ConnectHandlers(wb);
  StartProgram(wb, [&windows](const StartupWindow& w) { windows.Make(w); });
  windows.ShowMainWindow();
  QApplication::processEvents();
}

}  // namespace wl::test

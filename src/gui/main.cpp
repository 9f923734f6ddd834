// WeightLab: the program's start and end.
#include <QApplication>
#include <clocale>
#include <filesystem>
#include <string>

#include "gui/main_window.h"
#include "gui/program_windows.h"
#include "gui/qt_platform.h"
#include "state/workbench.h"
#include "shell/command.h"
#include "shell/startup.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("WeightLab"));
  // Numbers are read and written with "." whatever the user's locale (Qt has set it from the environment).
  std::setlocale(LC_NUMERIC, "C");

  std::error_code ec;
  const std::string programDir = std::filesystem::current_path(ec).string();
  wl::QtPlatform platform(programDir);
  wl::Workbench wb(platform, programDir);
  wl::ReadScreen(wb);
  wl::ConnectHandlers(wb);

  // The windows are made in their order as the start-up reaches each.
  wl::ProgramWindows windows(wb, platform);
  wl::StartProgram(wb, [&windows](const wl::StartupWindow& w) { windows.Make(w); });
  if (platform.TerminateRequested()) {
    windows.Main()->Exit();
    return 0;
  }
  windows.ShowMainWindow();
  // Until the main window closes; each close writes the settings.
  const int rc = QApplication::exec();
  if (!windows.Main()->Closed()) windows.Main()->Exit();  // the loop ended without the window closing
  return rc;
}

// WeightLab: the program's start and end.
#include <QApplication>
#include <clocale>
#include <filesystem>
#include <string>

#include "gui/main_window.h"
#include "gui/qt_platform.h"
#include "model/workbench.h"
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
  wl::ConnectHandlers(wb);
  wl::MainWindow window(wb);
  platform.SetMainWindow(&window);

  wl::StartProgram(wb);
  if (platform.TerminateRequested()) {
    window.Exit();
    return 0;
  }
  window.show();
  const int rc = QApplication::exec();
  window.Exit();  // also when the loop ended without the window closing
  return rc;
}

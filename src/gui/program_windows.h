#pragma once
// The program's windows: made one by one as the start-up reaches each (in its fixed order), registered
// with the platform so that the routines and the stay-on-top selector can bring them forward, and
// telling the selector when one of them is activated.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <array>
#include <map>
#include <string>
#include <vector>

#include "gui/qt_platform.h"
#include "state/workbench.h"
#include "shell/startup.h"

namespace wl {

class MainWindow;
class GtpWindow;
class OnTopWindow;
class DrawingPopup;
class WeightWindow;
class GraphDataWindow;

// Sets the screen's font resolution and size in the workbench from the primary screen, for the start-up's
// font scaling and the windows' placement.
void ReadScreen(Workbench& wb);

class ProgramWindows : public QObject {
 public:
  ProgramWindows(Workbench& wb, QtPlatform& platform);
  ~ProgramWindows() override;
  ProgramWindows(const ProgramWindows&) = delete;
  ProgramWindows& operator=(const ProgramWindows&) = delete;

  // Makes the window of the start-up's next step.
  void Make(const StartupWindow& w);
  // Places the main window as the start-up laid it out and shows it.
  void ShowMainWindow();

  MainWindow* Main() const { return main_; }
  GtpWindow* Progress() const { return gtp_; }
  OnTopWindow* OnTop() const { return onTop_; }
  DrawingPopup* Drawing() const { return drawing_; }
  // A window by its form's name (null when it is not made, or gone).
  QWidget* Window(const std::string& name) const;
  // The names of the windows in the order they were made.
  const std::vector<std::string>& Made() const { return made_; }
  // The data-visualisation windows still open, oldest first.
  std::vector<GraphDataWindow*> GraphWindows() const;

 protected:
  // A window's activation sets the stay-on-top selector to its entry.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Keep(const std::string& name, QWidget* w);
  QWidget* MakeViewer();
  WeightWindow* MakeWeightWindow(int k);
  TRepresentationForm* RepresentationForm(const std::string& name);

  Workbench& wb_;
  QtPlatform& platform_;
  MainWindow* main_ = nullptr;
  GtpWindow* gtp_ = nullptr;
  OnTopWindow* onTop_ = nullptr;
  DrawingPopup* drawing_ = nullptr;
  std::map<std::string, QPointer<QWidget>> windows_;
  std::array<QPointer<WeightWindow>, 2> weightWindows_;
  std::vector<std::string> made_;
  std::vector<QPointer<GraphDataWindow>> graphs_;  // the data-visualisation windows made, oldest first
};

}  // namespace wl

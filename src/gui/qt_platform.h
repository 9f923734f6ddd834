#pragma once
// The platform of the real program: Qt message boxes and file dialogs, our own editor and help windows,
// the event pump and the hourglass cursor.
#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QTextBrowser>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

class QWidget;

namespace wl {

class EditorWindow;

// A dialog filter of pairs "description|pattern|..." ("dataset files|*.dat|all files|*") in Qt's form
// ("dataset files (*.dat);;all files (*)"). Several patterns of one pair are separated by ";".
QString QtFileFilter(const std::string& filter);

// The help page to show for a help file: the file itself when it is an HTML page that exists, else
// help/index.html in the program directory.
std::string HelpPagePath(const std::string& helpFile, const std::string& programDir);

class QtPlatform : public Platform {
 public:
  explicit QtPlatform(std::string programDir);
  ~QtPlatform() override;
  QtPlatform(const QtPlatform&) = delete;
  QtPlatform& operator=(const QtPlatform&) = delete;

  // The window the dialogs belong to (the main window).
  void SetMainWindow(QWidget* w) { mainWindow_ = w; }
  // The stay-on-top window, which steps aside while a dialog or message box is open.
  void SetStayOnTopWindow(QWidget* w);

  // How a window of the program, by its form's name, is brought forward (made first when it is made on
  // first use) and hidden. A window that is gone is not shown.
  struct WindowHooks {
    std::function<void()> Show, Hide;
  };
  void RegisterWindow(const std::string& name, WindowHooks hooks) { windows_[name] = std::move(hooks); }
  bool WindowRegistered(const std::string& name) const { return windows_.count(name) > 0; }
  // How a window is laid out again and repainted from its model.
  void RegisterRepaint(const std::string& name, std::function<void()> repaint) { repaints_[name] = std::move(repaint); }

  void ShowMessage(const std::string& text, const std::string& caption = "") override;
  Answer Ask(const std::string& text, const std::string& caption, Buttons buttons) override;
  bool Execute(FileDialog& dlg) override;
  void OpenInEditor(const std::string& path) override;
  void ShowHelp(const std::string& helpFile) override;
  void ProcessEvents() override;
  void CommandEnded() override;
  void SetHourglass(bool on) override;
  void Terminate() override;
  void ShowWindow(const std::string& name) override;
  void HideWindow(const std::string& name) override;
  void RepaintWindow(const std::string& name) override;
  std::int64_t MillisecondsOfDay() override { return SystemMillisecondsOfDay(); }
  int DayOfYear() override { return SystemDayOfYear(); }

  // A window's close request made while a command runs: held, and answered once the command has ended.
  // For the main window the user is told at once that the program ends when the command has ended.
  void HoldClose(QWidget* w);
  // The words shown while the main window's close waits for the running command (null when none).
  QWidget* CloseNote() const { return closeNote_; }
  // Closes the editor windows, each asking about changes not saved; false when one of them stays open.
  bool CloseEditors();

  bool TerminateRequested() const { return terminate_; }
  // The passes the event pump has made, and the user's input events it dropped.
  int PumpPasses() const { return passes_; }
  int DroppedInput() const { return dropped_; }
  // The least time between two passes of the pump (tests make it 0).
  void SetPumpInterval(int ms) { pumpIntervalMs_ = ms; }
  bool Hourglass() const { return hourglass_; }
  // The editor windows still open.
  std::vector<EditorWindow*> Editors() const;
  QTextBrowser* HelpWindow() const { return help_; }

 private:
  std::string programDir_;
  QPointer<QWidget> mainWindow_;
  std::vector<QPointer<EditorWindow>> editors_;
  std::map<std::string, WindowHooks> windows_;
  std::map<std::string, std::function<void()>> repaints_;
  QPointer<QTextBrowser> help_;
  QPointer<QWidget> closeNote_;
  // Drops input and holds close requests while the pump passes (an event filter on the application).
  class InputGate;
  void Pass();
  QWidget* DialogParent() const;
  InputGate* gate_ = nullptr;
  QElapsedTimer lastPump_;
  int pumpIntervalMs_;
  int passes_ = 0;
  int dropped_ = 0;
  bool pumped_ = false;  // the pump passed during the command running now
  bool hourglass_ = false;
  bool terminate_ = false;
};

}  // namespace wl

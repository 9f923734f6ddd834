#pragma once
// Everything the routines need of the outside world. The Qt implementation lives in gui/, the scripted
// one (tests, headless runs) in scripted_platform.h.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace wl {

class FileDialog;

enum class Answer { Yes, No, Ok, Cancel };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };

class Platform {
 public:
  virtual ~Platform() = default;

  // A modal message box with the given text (and caption, "" for the program's own).
  virtual void ShowMessage(const std::string& text, const std::string& caption = "") = 0;
  // A modal question; returns the button the user chose.
  virtual Answer Ask(const std::string& text, const std::string& caption, Buttons buttons) = 0;
  // Runs an open or save dialog; true and dlg.FileName set to the chosen path when the user chose a file.
  virtual bool Execute(FileDialog& dlg) = 0;
  // Opens a text file in the editor window; does not wait for it.
  virtual void OpenInEditor(const std::string& path) = 0;
  // Opens the help contents.
  virtual void ShowHelp(const std::string& helpFile) = 0;
  // Keeps the windows painted and movable during a long run. What the user does to the program's windows
  // meanwhile (clicks, keys) is dropped, never kept to run after the run; a request to close a window is
  // held and answered when the command ends. A long loop calls it in every step; it passes at most a few
  // times a second.
  virtual void ProcessEvents() = 0;
  // The pump for loops of many short steps (a pass over a few vectors): each step tells how much it did
  // (the vectors it evaluated), and the pump is passed once the steps since the last pass add up to
  // kPulseWork, so that a step costs an addition and not a look at the clock.
  static constexpr std::int64_t kPulseWork = 4096;
  void Pulse(std::int64_t work) {
    pulseWork_ += work < 1 ? 1 : work;
    if (pulseWork_ < kPulseWork) return;
    pulseWork_ = 0;
    ProcessEvents();
  }
  // What a running command brings up to date on screen at each pass of the pump, before the windows are
  // painted (its time so far, say); empty for nothing. The command sets it and takes it back
  // (training/live_status.h).
  void SetPassHook(std::function<void()> hook) { passHook_ = std::move(hook); }
  bool HasPassHook() const { return static_cast<bool>(passHook_); }
  // The command boundary's notice that a command has ended, also by an error: the input that came after
  // the pump's last pass is dropped as well, and the close requests held during the run are answered.
  virtual void CommandEnded() {}
  // The hourglass cursor on or off.
  virtual void SetHourglass(bool on) = 0;
  // Asks the application to end (its event loop ends as soon as it runs).
  virtual void Terminate() {}
  // Makes a window (by its form's name: "GTP", "OnTopForm", "Przegladaj") visible and brings it to the
  // front; a window that is made on first use is made first. A window that does not exist is not shown.
  virtual void ShowWindow(const std::string& name) {}
  // Hides a window; it keeps its state.
  virtual void HideWindow(const std::string& name) {}
  // Places, sizes and repaints a window as its model now says (the main window after a new font scale).
  virtual void RepaintWindow(const std::string& name) {}

  // Clocks: milliseconds since midnight, and the day of the year (1 = 1 January).
  virtual std::int64_t MillisecondsOfDay() = 0;
  virtual int DayOfYear() = 0;
  // Milliseconds since the start of the year; seconds since the start of the year.
  std::int64_t MillisecondsOfYear() { return (DayOfYear() - 1) * std::int64_t{86400000} + MillisecondsOfDay(); }
  std::int64_t SecondsOfYear() { return MillisecondsOfYear() / 1000; }

 protected:
  // Each implementation calls it as its pump passes. A pass made by the hook itself does not call it again.
  void BeforePass() {
    if (!passHook_ || inPassHook_) return;
    struct Inside {
      bool& flag;
      ~Inside() { flag = false; }
    } inside{inPassHook_ = true};
    passHook_();
  }

 private:
  std::int64_t pulseWork_ = 0;
  std::function<void()> passHook_;
  bool inPassHook_ = false;
};

// The local time of day and day of the year from the system clock.
std::int64_t SystemMillisecondsOfDay();
int SystemDayOfYear();

// Shows the hourglass for the lifetime of the guard, and restores the previous state also when an error
// ends the operation.
class HourglassGuard {
 public:
  explicit HourglassGuard(Platform& p) : p_(p) { p_.SetHourglass(true); }
  ~HourglassGuard() { p_.SetHourglass(false); }
  HourglassGuard(const HourglassGuard&) = delete;
  HourglassGuard& operator=(const HourglassGuard&) = delete;

 private:
  Platform& p_;
};

// Sets a flag for the lifetime of the guard and restores its previous value afterwards.
template <class T>
class FlagGuard {
 public:
  FlagGuard(T& flag, T value) : flag_(flag), old_(flag) { flag_ = value; }
  ~FlagGuard() { flag_ = old_; }
  FlagGuard(const FlagGuard&) = delete;
  FlagGuard& operator=(const FlagGuard&) = delete;

 private:
  T& flag_;
  T old_;
};

}  // namespace wl

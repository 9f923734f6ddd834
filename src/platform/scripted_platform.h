#pragma once
// The platform of tests and scripted runs: it records every message and editor request, answers dialogs
// and questions from queues the test fills, and reads a clock the test sets.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace wl {

class ScriptedPlatform : public Platform {
 public:
  struct Message {
    std::string Text, Caption;
  };
  struct DialogRequest {
    std::string Dialog, Filter, InitialDir;
    bool Save;
  };

  // Answers: a path (relative to ProgramDir unless absolute) or nullopt for cancel.
  std::deque<std::optional<std::string>> OpenAnswers, SaveAnswers;
  std::deque<Answer> QuestionAnswers;

  std::vector<Message> Messages;           // every message box, in order
  std::vector<Message> Questions;          // every question asked
  std::vector<std::string> EditorRequests; // every file opened in the editor
  std::vector<std::string> HelpRequests;
  std::vector<std::string> ShownWindows, HiddenWindows;  // every window shown / hidden, by name
  std::vector<std::string> RepaintedWindows;             // every window laid out and repainted again
  std::vector<DialogRequest> Dialogs;      // every dialog shown
  // Set when a dialog or question found its queue empty (the answer given was cancel / no).
  std::optional<std::string> Starved;
  bool Hourglass = false;
  bool Terminated = false;
  int EventsProcessed = 0;
  std::function<void()> OnEvents;  // called at every pass of the pump: a test watches a running loop
  int CommandsEnded = 0;

  std::string ProgramDir;  // where relative answer paths point
  std::int64_t ClockMs = 0;  // milliseconds of the day
  int ClockDay = 1;          // day of the year

  void ShowMessage(const std::string& text, const std::string& caption) override;
  Answer Ask(const std::string& text, const std::string& caption, Buttons buttons) override;
  bool Execute(FileDialog& dlg) override;
  void OpenInEditor(const std::string& path) override { EditorRequests.push_back(path); }
  void ShowHelp(const std::string& helpFile) override { HelpRequests.push_back(helpFile); }
  void ProcessEvents() override {
    ++EventsProcessed;
    BeforePass();
    if (OnEvents) OnEvents();
  }
  void CommandEnded() override { ++CommandsEnded; }
  void SetHourglass(bool on) override { Hourglass = on; }
  void Terminate() override { Terminated = true; }
  void ShowWindow(const std::string& name) override { ShownWindows.push_back(name); }
  void HideWindow(const std::string& name) override { HiddenWindows.push_back(name); }
  void RepaintWindow(const std::string& name) override { RepaintedWindows.push_back(name); }
  std::int64_t MillisecondsOfDay() override { return ClockMs; }
  int DayOfYear() override { return ClockDay; }
};

}  // namespace wl

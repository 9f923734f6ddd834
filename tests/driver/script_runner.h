#pragma once
// Runs a script's lines against a Workbench on the scripted platform, as a user would: the program starts,
// the user sets controls, clicks, answers dialogs, and the script checks messages, controls and files.
#include <memory>
#include <string>
#include <vector>

#include "state/workbench.h"
#include "platform/scripted_platform.h"
#include "script_parser.h"

namespace wl::script {

struct Outcome {
  enum Kind { Passed, Failed, Error } Result = Passed;
  int Number = 0;       // the line that failed (0 when the script passed)
  std::string Source;   // that line as written
  std::string Details;  // what was expected and what was found, one item a line
};

class Runner {
 public:
  // programDir: the program directory (also the working directory); scriptDir: where copy's sources are.
  Runner(std::string programDir, std::string scriptDir);
  ~Runner();
  Runner(const Runner&) = delete;
  Runner& operator=(const Runner&) = delete;

  // Runs the lines in order and stops at the first failure.
  Outcome Run(const std::vector<Line>& lines);
  // Runs one more line as Run runs each of its lines (a script fed a line at a time; a program not yet
  // started is not started for it). Answers left queued are not checked.
  Outcome Step(const Line& l);

  // The running program (nullptr before the start and after its end), and the platform it runs on.
  Workbench* Program() { return wb_.get(); }
  ScriptedPlatform& Platform() { return plat_; }

 private:
  struct Target {
    Form* Window = nullptr;
    Control* Ctl = nullptr;  // nullptr: the window itself
  };

  Outcome RunLine(const Line& l, bool& implicitStart);
  void Execute(const Line& l);
  void Start();
  void Exit();
  Workbench& Program(const Line& l);
  Target Resolve(const std::string& name);
  Control& ResolveControl(const std::string& name);
  void RequireUsable(const Control& c) const;
  std::string TextOf(const Target& t, const std::string& name) const;
  std::string FilePath(const std::string& path) const;

  void DoSet(const Line& l);
  void DoCheck(const Line& l, bool on);
  void DoSelect(const Line& l);
  void DoPage(const Line& l);
  void DoClick(const Line& l);
  void DoPress(const Line& l);
  void DoUpDown(const Line& l);
  void DoCopy(const Line& l);
  void DoAnswer(const Line& l);
  void DoExpect(const Line& l);
  void ExpectMessage(const std::string& text, bool containing);
  void ExpectFile(const Line& l);
  void ExpectLine(const Line& l);
  void ExpectEditor(const std::string& path);

  std::string programDir_, scriptDir_;
  ScriptedPlatform plat_;
  std::unique_ptr<Workbench> wb_;
  int endedAt_ = 0;  // the line of the last exit (0: the program has not ended)
  std::size_t messagesRead_ = 0, editorRequestsRead_ = 0;
  // The script lines that queued the answers, per queue, so that an unused answer can be traced to its line.
  std::vector<const Line*> openLines_, saveLines_, questionLines_;
};

}  // namespace wl::script

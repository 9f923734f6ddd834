#pragma once
// The command boundary: every menu item and button handler runs inside RunCommand, which shows the
// message of an error that ends the command and restores the flags the command set. Nothing escapes to
// end the program.
#include <cstdint>
#include <functional>
#include <string>

#include "state/workbench.h"
#include "platform/controls.h"

namespace wl {

// Runs one command. A command started while another runs is ignored (false). Returns true when the
// command ran to its end without an error.
bool RunCommand(Workbench& wb, const std::function<void()>& command);

using Handler = std::function<void(Workbench&)>;

struct HandlerRow {
  std::string Control;   // the control's name on the main window
  ControlEvent Event;    // MouseReleased for clicks, TextChanged, FocusLeaves, SelectionChanged
  Handler Run;
  bool AlsoProgram = false;  // also when the program (not the user) made the change
};

// The handlers of the main window's controls.
const std::vector<HandlerRow>& HandlerTable();
// The handler of a control and event, or nullptr.
const HandlerRow* FindHandler(const std::string& control, ControlEvent event);

// Connects the handler table to the main window: a user's event on a control runs its handler through
// the command boundary. Returns the listener id.
int ConnectHandlers(Workbench& wb);

// A timed run: TrainingEdit := " ", run, TrainingEdit := seconds with two decimals + "s".
void TimedRun(Workbench& wb, const std::function<void()>& run);
// The run time as TrainingEdit shows it: 2500 ms is "2.50s".
std::string ElapsedText(std::int64_t ms);

}  // namespace wl

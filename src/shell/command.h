#pragma once
// The command boundary: every menu item and button handler runs inside RunCommand, which shows the
// message of an error that ends the command and restores the flags the command set. Nothing escapes to
// end the program.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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

// The handlers of the main window's controls, and of the training-progress and NG error-section windows'
// buttons.
const std::vector<HandlerRow>& HandlerTable();
const std::vector<HandlerRow>& GTPHandlerTable();
const std::vector<HandlerRow>& NGFHandlerTable();
// The buttons of weight window k (0 "ES Weights", 1 "Trajectory Weights").
const std::vector<HandlerRow>& WeightFormHandlerTable(int k);
// The rows of a representation window ("HRF", "ORF", "HPF", "OPF").
const std::vector<HandlerRow>& RepresentationHandlerTable(const std::string& window);
// The error-surface window's buttons and fields.
const std::vector<HandlerRow>& NG3DHandlerTable();
const std::vector<HandlerRow>& Form2HandlerTable();
// The buttons, lists and clicks of "Trajectory 2D".
const std::vector<HandlerRow>& LT2HandlerTable();
// "Trajectory 3D" and "Trajectory 1D".
const std::vector<HandlerRow>& LT3HandlerTable();
const std::vector<HandlerRow>& EFormHandlerTable();

// The rows that name a control the window does not have, each as "row N: NAME" (N from 1); a misspelt
// row would otherwise leave its command disabled without a word. Empty when every row is known.
std::vector<std::string> UnknownHandlerControls(const Form& window, const std::vector<HandlerRow>& rows);
// The handler of a control and event, or nullptr.
const HandlerRow* FindHandler(const std::string& control, ControlEvent event);

// Connects the handler table to the main window: a user's event on a control runs its handler through
// the command boundary. Returns the listener id.
int ConnectHandlers(Workbench& wb);
// The same for any window and its rows.
int ConnectHandlerRows(Workbench& wb, Form& window, const std::vector<HandlerRow>& rows);

// The rows of a window that is made on use, perhaps more than once: each handler acts on the window whose
// control fired.
template <class W>
struct WindowHandlerRow {
  std::string Control;
  ControlEvent Event;
  void (*Run)(Workbench&, W&);
};
template <class W>
int ConnectWindowHandlerRows(Workbench& wb, W& window, const std::vector<WindowHandlerRow<W>>& rows) {
  W* w = &window;
  return window.AddListener([&wb, w, &rows](const ControlNotice& n) {
    if (!n.Source || n.By != ChangeSource::User) return;
    for (const auto& row : rows)
      if (row.Control == n.Source->Name() && row.Event == n.Event) {
        RunCommand(wb, [&] { row.Run(wb, *w); });
        return;
      }
  });
}
// The same rows as plain names, for the check of the rows against the window's controls.
template <class W>
std::vector<HandlerRow> RowNames(const std::vector<WindowHandlerRow<W>>& rows) {
  std::vector<HandlerRow> out;
  for (const auto& r : rows) out.push_back({r.Control, r.Event, nullptr});
  return out;
}

// A timed run: TrainingEdit := " ", run, TrainingEdit := seconds with two decimals + "s".
void TimedRun(Workbench& wb, const std::function<void()>& run);
// The run time as TrainingEdit shows it: 2500 ms is "2.50s".
std::string ElapsedText(std::int64_t ms);

}  // namespace wl

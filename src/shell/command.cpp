#include "shell/command.h"

#include <exception>

#include "model/create_network.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/vector_state.h"

namespace wl {

namespace {

// Puts the network's description back as the command ends, however it ends.
class KeptNetwork {
 public:
  explicit KeptNetwork(Workbench& wb) : wb_(wb), description_(wb) {}
  ~KeptNetwork() { description_.RestoreIfStale(wb_); }
  KeptNetwork(const KeptNetwork&) = delete;
  KeptNetwork& operator=(const KeptNetwork&) = delete;

 private:
  Workbench& wb_;
  NetworkDescription description_;
};

// Tells the platform that the command has ended, however it ends.
class CommandEnd {
 public:
  explicit CommandEnd(Platform& p) : p_(p) {}
  ~CommandEnd() { p_.CommandEnded(); }
  CommandEnd(const CommandEnd&) = delete;
  CommandEnd& operator=(const CommandEnd&) = delete;

 private:
  Platform& p_;
};

}  // namespace

bool RunCommand(Workbench& wb, const std::function<void()>& command) {
  if (wb.CommandRunning) return false;
  const CommandEnd end(wb.Plat);  // after the flags below are restored
  FlagGuard<bool> running(wb.CommandRunning, true);
  // Flags that belong to one command only; an error must not leave them set.
  FlagGuard<bool> testing(wb.TestingMode, wb.TestingMode);
  FlagGuard<bool> search(wb.SearchRunning, wb.SearchRunning);
  FlagGuard<bool> crossvalidation(wb.InCrossvalidation, wb.InCrossvalidation);
  FlagGuard<bool> voting(wb.CommitteeVoting, wb.CommitteeVoting);
  FlagGuard<bool> batch(wb.BatchMode, wb.BatchMode);
  // A command that read the parameters but built no network (refused, or ended by an error) leaves the
  // network that is kept described as it was.
  const KeptNetwork kept(wb);
  try {
    ClearUpperVectorState();
    command();
    return true;
  } catch (const WlError& e) {
    wb.EndOpenLogs();  // a report cut short leaves the one before it, a run log keeps what it wrote
    wb.Plat.ShowMessage(e.what());
  } catch (const std::bad_alloc&) {
    wb.EndOpenLogs();
    wb.Plat.ShowMessage("Out of memory");
  } catch (const std::exception& e) {
    wb.EndOpenLogs();
    wb.Plat.ShowMessage(e.what());
  }
  wb.Plat.SetHourglass(false);
  return false;
}

namespace {

const HandlerRow* FindRow(const std::vector<HandlerRow>& rows, const std::string& control, ControlEvent event) {
  for (const auto& row : rows)
    if (row.Control == control && row.Event == event) return &row;
  return nullptr;
}

}  // namespace

const HandlerRow* FindHandler(const std::string& control, ControlEvent event) {
  return FindRow(HandlerTable(), control, event);
}

std::vector<std::string> UnknownHandlerControls(const Form& window, const std::vector<HandlerRow>& rows) {
  std::vector<std::string> unknown;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (!window.Find(rows[i].Control)) unknown.push_back("row " + std::to_string(i + 1) + ": " + rows[i].Control);
  return unknown;
}

int ConnectHandlerRows(Workbench& wb, Form& window, const std::vector<HandlerRow>& rows) {
  return window.AddListener([&wb, &rows](const ControlNotice& n) {
    if (!n.Source) return;
    const HandlerRow* row = FindRow(rows, n.Source->Name(), n.Event);
    if (!row || (n.By != ChangeSource::User && !row->AlsoProgram)) return;
    if (n.By == ChangeSource::User) {
      RunCommand(wb, [&] { row->Run(wb); });
    } else {
      row->Run(wb);  // a consistency handler fired by a routine's own change runs inside that routine
    }
  });
}

int ConnectGTPHandlers(Workbench& wb);  // the training-progress window
int ConnectOnTopHandlers(Workbench& wb);  // the stay-on-top window's selector
int ConnectNGFHandlers(Workbench& wb);  // the NG error-section window
void ConnectWeightFormHandlers(Workbench& wb);  // the two weight windows
int ConnectRepresentationHandlers(Workbench& wb);  // the representation windows
int ConnectNG3DHandlers(Workbench& wb);  // the error-surface window
int ConnectForm2Handlers(Workbench& wb);  // the font window
int ConnectLT2Handlers(Workbench& wb);   // "Trajectory 2D"
int ConnectLT3Handlers(Workbench& wb);   // "Trajectory 3D" and "Trajectory 1D"

int ConnectHandlers(Workbench& wb) {
  ConnectGTPHandlers(wb);
  ConnectOnTopHandlers(wb);
  ConnectNGFHandlers(wb);
  ConnectWeightFormHandlers(wb);
  ConnectRepresentationHandlers(wb);
  ConnectNG3DHandlers(wb);
  ConnectForm2Handlers(wb);
  ConnectLT2Handlers(wb);
  ConnectLT3Handlers(wb);
  return ConnectHandlerRows(wb, wb.Form1, HandlerTable());
}

void TimedRun(Workbench& wb, const std::function<void()>& run) {
  wb.Form1.TrainingEdit.SetText(" ");
  wb.Form1.TrainingEdit.Repaint();
  const std::int64_t start = MonotonicMs();
  wb.StartTime = wb.Plat.MillisecondsOfYear();
  run();
  wb.ElapsedTime = MonotonicMs() - start;
  wb.Form1.TrainingEdit.SetText(ElapsedText(wb.ElapsedTime));
  wb.Form1.TrainingEdit.Repaint();
}

std::string ElapsedText(std::int64_t ms) { return FormatFixed(static_cast<double>(ms) / 1000.0, 2) + "s"; }

}  // namespace wl

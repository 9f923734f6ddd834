#include "state/report_opener.h"

#include <exception>

#include "state/workbench.h"
#include "platform/platform.h"

namespace wl {

std::string EditorFileName(const std::string& commandLine) {
  static const std::string editor = "notepad.exe ";
  if (commandLine.compare(0, editor.size(), editor) == 0) return commandLine.substr(editor.size());
  return commandLine;
}

void ShowInNotepad(Platform& plat, const std::string& commandLine) {
  const std::string file = EditorFileName(commandLine);
  if (file.empty()) return;
  // The report is written and closed already; an editor that cannot start costs the user nothing else.
  try {
    plat.OpenInEditor(file);
  } catch (const std::exception&) {
  }
}

void ShowInNotepad(Workbench& wb, const std::string& commandLine) { ShowInNotepad(wb.Plat, commandLine); }

}  // namespace wl

#pragma once
// The report opener: every text report, weights file and parameter file is shown to the user in the
// text editor. The program does not wait for the editor to close.
#include <string>

namespace wl {

class Platform;
struct Workbench;

// Opens the file of the command line in the editor. Callers pass "notepad.exe " followed by the full
// file name, as for the system's text editor; the program's own editor window takes the name after it
// (a command line without that word is taken as the file name itself). A start that fails is ignored.
void ShowInNotepad(Workbench& wb, const std::string& commandLine);
void ShowInNotepad(Platform& plat, const std::string& commandLine);

// The file name of such a command line.
std::string EditorFileName(const std::string& commandLine);

}  // namespace wl

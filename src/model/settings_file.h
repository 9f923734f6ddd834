#pragma once
// The settings file "weightlab.ini" in the program directory, which keeps the main window from one start
// of the program to the next, and the parameter file of a run (results prefix + "_param.txt"), which
// records the same lines beside the run's reports.
//
// Format: the main window's caption, then (parameter file only) one line "Layer[i]=" + neurons per layer,
// then one line per entry of the ordered key table below:
//   value line   key ending in "=" + the control's text exactly as shown (mask blanks kept)
//   item line    key + the selected item index of a list (-1 when none)
//   flag pair    one of two words, the first when the control is checked
//   single flag  one word, written only when the control is checked (or, for a few, when it is clear)
//   special      "ActivePage=" + tab page, "CPUCHECKED=" + computer speed, "clindex=" + colour scheme
// A key matches a line when the line's first N characters equal the key's first N, letter case ignored.
#include <string>
#include <string_view>
#include <vector>

#include "state/workbench.h"

namespace wl {

enum class SettingsKind {
  Value,      // Target's text (an edit, or a combo box by its text)
  Item,       // Target's item index; acts only on a line whose value is an integer
  Pair,       // Word when Target is checked, Word2 when clear
  RadioPair,  // Word when Target is checked, else Word2, which selects the radio button Other
  Flag,       // Word written when Target is checked; reading it checks Target
  ClearFlag,  // Word written when Target is clear; reading it clears Target
  ReadClear,  // never written; reading Word clears Target
  ActivePage, // the main window's active tab page
  CpuChecked, // the relative computer speed
  ClIndex,    // the colour scheme of the error surfaces
};

// What a key does besides its kind.
enum class SettingsRole {
  None,
  HiddenL3,          // after setting the field: no L3 neurons disables its group box
  LayerField,        // a hidden layer's slope or stretch field
  NotOnLayerFields,  // the output layer's slope and stretch keys, which do not act on LayerField lines
};

using ControlRef = Control& (*)(TForm1&);

struct SettingsKey {
  SettingsKind Kind;
  std::string_view Word;  // the key ("...=") or the first word
  int N;                  // leading characters the reader compares; 0 = the word is never read
  ControlRef Target;      // nullptr for the special lines
  std::string_view Word2 = {};
  int N2 = 0;
  ControlRef Other = nullptr;
  SettingsRole Role = SettingsRole::None;
};

// The ordered key table: the file order of the writer and the order the reader tries the keys in.
const std::vector<SettingsKey>& SettingsKeys();

// The characters of the line after its first "=" (the whole line when it holds none), not trimmed, cut
// to at most 255 characters.
std::string ValueAfterEquals(std::string_view line);

// ProgramDir + "/weightlab.ini" and ResultsPrefix + "_param.txt".
std::string SettingsFileName(const Workbench& wb);
std::string ParameterFileName(const Workbench& wb);

// Reads the settings file into the main window's controls (and CPUCHECKED, clindex). A missing file
// leaves the defaults. Every key that matches a line acts, in key order, so later lines overwrite earlier
// ones. A line whose value does not convert is skipped and reported (file and line) in one message after
// the whole file has been read. Throws FileError when the file cannot be read.
void LoadSettings(Workbench& wb);

// Writes the settings file (toResults false) or the run's parameter file (true, with the layer lines),
// through a temporary file and a rename. Throws FileError.
void SaveSettings(Workbench& wb, bool toResults);

// "Tools" -> "Parameters": writes the parameter file and opens it in the editor; before any data set has
// been opened there is no results prefix, and it says so instead. False when nothing was written.
bool ShowParameterFile(Workbench& wb);

}  // namespace wl

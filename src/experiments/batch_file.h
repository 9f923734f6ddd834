#pragma once
// Batch task files: training experiments run one after another without the user. Each task is a run of
// KEY=value lines ending with a line "***":
//   DATASET=<data-set file>          CREATENETWORK=<initial-weight scheme 1..8>
//   TRAININGMETHOD=<BS, D1, R2, D2, ABR1, SMLP1, SMLP2, NG; anything else: random one-change search>
//   SLOPE=, HIDBIAS=, OUBIAS=, V_coef=<real>
// Lines are upper-cased before they are read; a key counts only at the very start of a line, by its first
// characters; other lines are ignored. A task loads its data set (found whatever the letter case of its
// name), builds the network, trains it and writes its training-set report under a results prefix of its
// own. The scheme starts at 1 in every task; the method, data set, slope, biases and V coefficient carry
// over from the task before.
#include <string>
#include <string_view>

namespace wl {

struct Workbench;

// The value of a line: the text after its first "=" (the whole line without one), cut to 255 characters,
// blanks trimmed from both ends.
std::string TrimmedValueAfterEquals(std::string_view line);

// The existing file that `path` names when letter case is ignored in its every part below `base` (the
// path itself when it exists, or when no such file exists).
std::string FindIgnoringCase(const std::string& base, const std::string& path);

// An empty name asks for the batch file (the weights dialog, in the program folder) and runs it unless
// the dialog is cancelled; another name runs that file of the program folder.
void BatchModeOpen(Workbench& wb, const std::string& fileName);

// Reads and checks the whole file, then runs its tasks. A value that is not a number, or a scheme out of
// 1..8, refuses the file with a message naming the file and the line before any task has run or any
// value has been taken over; so does a file without a single key line (empty, junk). A data set that
// cannot be read ends the batch (the tasks before it have run). A task whose method is not available yet,
// or whose network cannot be built, is skipped after its message.
void RunBatchFile(Workbench& wb, const std::string& fileName);

}  // namespace wl

#pragma once
// The results prefix: every output file of a run is named from it, each writer appending its own suffix.
#include <string>
#include <string_view>

namespace wl {

struct Workbench;

// The data-set name that the prefix carries: the file name without its folder, up to its first ".",
// surrounding blanks removed ("iris.dat" -> "iris", "a.b.dat" -> "a"). A name without "." is used whole,
// and a long name is never cut.
std::string MakeDataBaseName(std::string_view fileName);

// Sets DataBaseName from DataFileName, creates the results folder when it is missing (a failure shows
// only when the first report is written there), sets ResultsPrefix to
// ProgramDir + "/results/" + DataBaseName + "_" + the second of the year, and WeightsPictureNo to 1.
void MakeResultsPrefix(Workbench& wb);

}  // namespace wl

#pragma once
// The cosines of two recorded trainings, epoch by epoch: two weight-matrix files are chosen with "Load WM"
// and "Compare" writes "PCA/CosDir.txt": per epoch the cosine of the two weight vectors and the cosine of
// their last steps.
#include <string>
#include <vector>

namespace wl {

struct Workbench;

// "Load WM" of panel k (1 or 2): WMDialog in the "PCA" folder; a chosen file is bound as file k, a
// cancelled dialog clears the chosen-file flag.
void SelectWMFile(Workbench& wb, int k);

// "Compare": nothing unless the last load chose a file. Reads both files line by line (in the program's
// weight order, or with "WM in Matlab format" in Matlab's order turned into the network's layout) and
// writes "PCA/CosDir.txt". Refuses files of different weight counts ("Different Number of Weights in MW1
// and WM2"), fewer than two common lines ("Fewer than two lines in MW1 or WM2"), and with Matlab's order a
// weight count other than the network's, each before the result file is touched. A line with too few
// values or a value that is not a number throws FileError naming the file and the line.
void CompareWMFiles(Workbench& wb);

// One line of "CosDir.txt" from the current and previous weights of both files: " " + cos(w1, w2) +
// "   " + cos(d1, d2) in the default real format, d = w - p. A cosine whose norm product is not above 0
// gives "modW1*modW2<=0" and its error text instead ("   error       " for the first, "error" for the
// second).
std::string WriteCosines(Workbench& wb, const std::vector<double>& w1, const std::vector<double>& w2,
                         const std::vector<double>& p1, const std::vector<double>& p2);

}  // namespace wl

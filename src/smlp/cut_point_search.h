#pragma once
// The cut-point shift search: tunes the first cut point of one continuous feature of the cut-point file.
// A single-class SMLP is trained on the data discretized from the file, then on the data discretized with
// that cut point moved by relative steps (eleven coarse positions of 3 %, then nine fine ones of 0.6 %
// around the best); the position of the lowest training error is kept and every position is reported
// after the rules in the run's "_RE.txt".
#include <vector>

namespace wl {

struct Workbench;

// The positions a stage tries around `base`: coarse (1 + 0.03 k) base for k = -5 .. 5, fine
// (1 + 0.2 k 0.03) base for k = -4 .. 4.
std::vector<double> CutPointShiftPositions(double base, bool fine);

// "SMLP Training" with a class chosen and a feature number in ShiftEdit1. Nothing happens without the
// cut-point file; a feature without a cut point in it is refused with a message.
void CutPointShiftSearch(Workbench& wb);

}  // namespace wl

#pragma once
// The beam search over sparse hidden-weight patterns of the three-layer SMLP. From all-zero input weights
// (or, with "Random Init Weights", from B random networks) every round turns one zero input weight of one
// hidden unit of each beam member into +1.0 or -1.0 and keeps the best networks as the next beam. A weight
// that has become non-zero never changes again. Logs: ResultsPrefix + "_beam.txt" (every improving trial)
// and ResultsPrefix + "_BE.txt" (each expanded member's weights and each selection).
#include <vector>

namespace wl {

struct Workbench;

// One tried change: hidden unit Unit, input weight Weight, Step +1 / -1 (0 when neither step lowers the
// error of the member), Source the member it was tried on, Error the trial's error (that of +1 when no
// step or +1 wins).
struct BeamCandidate {
  double Error = 0.0;
  int Unit = 0;
  int Weight = 0;
  int Step = 0;
  int Source = 0;
};

// The whole search; the run driver calls it instead of the mode's work when "Beam Search" is chosen. It
// leaves in Net the network of the last expansion (the member loaded last, its last trial undone).
void SMLPBeamSearchTrain(Workbench& wb);

// Orders the first n records by error, ascending, by the search's exchange rule: for a = 0 .. n - 1, for
// b = 0 .. n - 1, records a and b are exchanged when error[a] < error[b]. Not a stable sort.
void SortBeamCandidates(std::vector<BeamCandidate>& records, int n);

}  // namespace wl

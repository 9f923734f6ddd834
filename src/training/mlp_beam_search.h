#pragma once
// Beam search over whole weight sets: a beam of B networks is kept; in every epoch each member makes B
// children by a random sweep over all its weights (one weight at a time), and the B best of the B x B
// children form the next beam. Every candidate network evaluated gets a row of WeightHistory, and
// "History.txt" in the program directory lists the parentage of every selected network.
//
// The candidates are networks of their own (weights copied, never shared) shaped like Net, evaluated by
// a lean forward pass: linear inputs, plain logistic neurons, targets 1 and 0.
#include <cstdint>

namespace wl {

struct Workbench;

// The whole search: B x B random initial networks, ten epochs of children and selections, the best
// network left in Net. The caller sets MethodTag to "BS" first (the preparation then sizes the histories
// for one row per candidate); the histories are enlarged when the run writes more rows than that.
// The mode is not used.
void MLPBeamSearchTrain(Workbench& wb, std::uint8_t mode);

// CandidateNets: B x B networks, BeamNets: B networks, shaped like Net; CandidateErrors and BeamErrors
// sized to match (B = BeamWidth).
void InitBeam(Workbench& wb);

// Candidate c = B x i + j made from beam member i: a copy of the member, then for every weight (layer 1
// up, neuron 0 up, the threshold last) a random step r in [0, D) tried up and down, the best of the
// three values kept (the earlier on equal errors). The weight kept and the error of the step down go to
// row BeamHistoryRow of WeightHistory and WeightTrialHistory.
void MakeChild(Workbench& wb, int i, int j, double D);
// The same sweep, a successful step then doubled up to three times while the error keeps falling.
void MakeChildST(Workbench& wb, int i, int j, double D);

// The error of candidate c over the training set: sum of |y - t|^ErrorExponent, the class output's term
// counted NumOfClasses - 1 times with CLCheck; sets SuccessRate (the winner is the first output of the
// largest signal above 0) and counts the evaluation in ErrorEvaluations.
double CandidateError(Workbench& wb, int c);
// Vector v through candidate c, into the candidate's Signal fields.
void CandidateForward(Workbench& wb, int c, int v);

// Sorts the candidates by error (an exchange sort that keeps equal errors in their order), copies the B
// best into the beam and writes their parent and child numbers to "History.txt" while it is open.
void SelectBeam(Workbench& wb);

// Mode 1: the progress of child j of member i in the main window. Mode 2: the run's time and its report
// lines ParamText[2..4].
void ShowBeamProgress(Workbench& wb, int epoch, int i, int j, int mode);

// The epochs of a run, whatever NumOfEpochs says.
inline constexpr int kBeamEpochs = 10;

}  // namespace wl

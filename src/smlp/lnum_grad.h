#pragma once
// The discrete numerical gradient of a step network: for every hidden weight (thresholds included) the
// error decrease of its better whole step (+1 or -1), the weights ordered by the size of that gain, then
// set one after another to the sign of their gain (or, with "Beam Search", in nested choices of up to
// four), each step logged into the run log with the error and the rules. Mode 1 evaluates the SMLP
// network (EvaluateNetwork); any other mode the L-net (LNetError).
#include <cstdint>
#include <vector>

#include "state/smlp_state.h"

namespace wl {

struct Workbench;

// The whole run: the gradient, the ordering, then the single steps ("Beam Search" not chosen) or the
// nested steps.
void LNumGradTrain(Workbench& wb, std::uint8_t mode);

// LGradient: one record per hidden weight (neuron by neuron, the threshold last), its gain measured from
// the current network, which it leaves as it was; GradSumSq and NormV. A threshold's record names no
// feature (-1).
void NumericalGradientL(Workbench& wb, std::uint8_t mode);

// Orders the records by decreasing |Gain|, a positive gain before a negative one of the same size (the
// exchange rule: for i, for j < i, swap when |Gain j| < |Gain i| or Gain j = -Gain i < Gain i); then
// FeatureGradient: each feature's sum of |Gain| over the records before the first zero gain (threshold
// records take no part), ordered by decreasing sum.
void SortGradient(std::vector<TGradRecord>& records, std::vector<TFeatureGradient>& features, int numOfFeatures);

// The single steps: with "Sort All" every record before the first zero gain in order; with "Sort within
// Feature" the records of each feature in the order of FeatureGradient. A step sets the weight to the sign
// of its gain and keeps it.
void StepAlongGradient(Workbench& wb, std::uint8_t mode);

// The nested steps (with "Sort All" only): every ordered choice of up to four distinct records with a
// non-zero gain, depth first; a stepped weight returns to 0 after its subtree.
void StepAlongGradient4(Workbench& wb, std::uint8_t mode);

}  // namespace wl

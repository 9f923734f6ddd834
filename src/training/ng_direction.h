#pragma once
// The direction of numerical-gradient training: each weight is changed on its own by a small probe and
// the training error measured; the components form V (SearchDirection), one per weight in the weights'
// order (layer 1 upward, neuron 0 upward, the threshold last). Every rule first copies all weights to
// OldWeights, from which the step rules then move.
#include <cstdint>
#include <span>

namespace wl {

struct Workbench;

// Method 1 (and 10, "Global --> Local", the NG beam): the relative rule, or the central-difference rule
// when SecDevButton is checked. Through the signal table (one side probed, chosen by the sign of the
// previous component) when "SignalTable" is checked, the transfer functions are the plain sigmoid and the
// network has fewer than 4 layers; else both sides by TrainingSetError. The direction is then reshaped
// and normalised (ApplyEpochFactorToDirection). Returns CurrentError, the error of the unchanged network
// (0 at once when the table's start error is not positive).
double ProbeWeightsRelative(Workbench& wb, int epoch);
// The central-difference rule: slope over curvature^q with probes of 0.05; returns the start error.
double ComputeNGDirection(Workbench& wb);
// Method 2: V = ±V_coef * ((E0 - side error) / (E0 - m))^V_exp, every weight moved at once. True when the
// moved network is not better and the weights went back to the old point (also when no probe improved).
bool ProbeWeightsNormalised(Workbench& wb);
// Method 3: probes of 0.01, V = ±V_coef * ((E0 - E±) / E0)^V_exp, not normalised. Always false.
bool ProbeWeightsPower(Workbench& wb);
// Method 4: as the power rule with probes of h; from epoch 4 on a weight whose previous component was at
// most elimdVEdit / NumOfVectors in size is frozen (not probed, V = 0). Every weight moves by h * V.
// Always 1.
int ProbeWeightsAboveLimit(Workbench& wb);
// The hidden-layer factor, the distribution shaping, the sign rule of V_exp = 0 and the normalisation; a
// direction of length 0 is reported and shortens the run to this epoch. With "Log Gradients" one line of
// components goes to "_nggradients.txt".
void ApplyEpochFactorToDirection(Workbench& wb, int epoch);

// ---- the arithmetic of the rules, on plain values ----

// The relative rule's component from the errors of the unchanged network and of the two probes: the
// better improving side wins, the lower probe on a tie of improvements going to the plus side.
double RelativeComponent(double e0, double ePlus, double eMinus);
// The power rule's component: ±vCoef * ((E0 - E±) / E0)^vExp, ±1 when vExp = 0, 0 without improvement.
double PowerComponent(double e0, double ePlus, double eMinus, double vCoef, double vExp);
// The central-difference component: -(E+ - E-) / |c|^q with the curvature c at least 1e-6.
double CentralComponent(double e0, double ePlus, double eMinus, double q);
// The mean and the standard deviation (over the count, not count - 1) of the components.
void MeanAndDeviation(std::span<const double> v, double& mean, double& sd);
// "dS=0.75-0.5*dE": a component beyond ±sd becomes ±(1.5 sd - 0.5 |V|), at least 0.05 sd in size.
double ShapeThreeQuarters(double v, double sd);

}  // namespace wl

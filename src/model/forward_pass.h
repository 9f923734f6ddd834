#pragma once
// The forward pass of one vector through the network, leaving every neuron's output in its Signal, and
// the small pieces every evaluation of the network shares (input coding, exponential guards, the shape
// check and the working storage of the training-set passes).
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "state/dataset.h"
#include "state/eval_options.h"
#include "state/network.h"
#include "platform/errors.h"
#include "platform/numfmt.h"

namespace wl {

struct Workbench;

// The structure the main window chooses (NetStructure, state/eval_options.h).
NetStructure ChosenStructure(const Workbench& wb);

// True when the network has skip connections: three layers whose output neurons see the hidden signals
// and then every input (LayerInputs[1] = Layers[1] + Layers[0]). Every error of such a network counts
// its skip weights, whatever structure the window shows.
bool HasSkipConnections(const Workbench& wb);

// Passes vector V (a row of Data) through the network as the structure radio buttons choose: function
// approximation, skip connections ("Crossover"), standard, or (SMLP) the input layer only. Adds to
// SigmoidCount. Throws FloatError where an unguarded exponential would overflow, and WlError when the
// network does not fit the data set or the structure.
void ComputeSignals(Workbench& wb, int v);

// The same pass for a structure already chosen and a network already checked (RequireEvaluable), for
// the routines that pass every vector of the training set.
void ForwardPass(Workbench& wb, int v, NetStructure structure);
// Its first step alone: the input layer's signals of vector v (and StretchOffset), for routines that keep
// the inputs of a run while the weights change. Adds to SigmoidCount as the pass does.
void ForwardInputLayer(Workbench& wb, int v);
// The same signals into out[0 .. inputs - 1], the input neurons' records left as they are.
void ForwardInputLayer(Workbench& wb, int v, double* out);

// The exponential limits of the sigmoids: beyond the guard the output takes its limit value without the
// exponential being evaluated.
inline constexpr double kExpGuard = 11300.0;       // forward pass, per-layer functions, staircases
inline constexpr double kExpGuardError = 11000.0;  // ComputeError and ContinuousInputError
// The largest argument whose exponential is finite in 80-bit extended precision. Where no guard stands,
// a larger argument is an overflow (FloatError).
inline constexpr double kExtendedExpLimit = 11356.523406294143;

// e^a where no guard stands: an argument beyond the extended-precision limit (or not a number) is an
// overflow. Arguments between ~709.8 and the limit give infinity in double, which every formula that
// uses this turns into the value the extended computation stored as a double (0 for 1 / (1 + e^a)).
inline double UnguardedExp(double a) {
  if (!(a <= kExtendedExpLimit)) throw FloatError("Floating point overflow: exponential of " + FloatToStr(a));
  return std::exp(a);
}

// The stretched sigmoid min(1, max(0, stretch / (1 + e^a) + offset)), offset = (1 - stretch) / 2;
// the caller guards a.
inline double StretchedSigmoid(double a, double stretch, double offset) {
  double y = stretch / (1.0 + std::exp(a)) + offset;
  if (y > 1.0) y = 1.0;
  if (y < 0.0) y = 0.0;
  return y;
}

// Σ x[i] × w[i] over i < n, with four partial sums so that the loop pipelines.
inline double Dot(const double* x, const double* w, int n) {
  double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    s0 += x[i] * w[i];
    s1 += x[i + 1] * w[i + 1];
    s2 += x[i + 2] * w[i + 2];
    s3 += x[i + 3] * w[i + 3];
  }
  for (; i < n; ++i) s0 += x[i] * w[i];
  return (s0 + s1) + (s2 + s3);
}

// The coded inputs of a data row, feature by feature: a continuous feature gives its value, value k of a
// discrete or symbolic feature gives 1.0 when the feature's value equals Values[k] exactly, else 0.0.
// Writes InputLayerSize(features) values.
inline void CodeInputs(const std::vector<TFeature>& features, const double* row, double* x) {
  int k = 0;
  const int nf = static_cast<int>(features.size());
  for (int f = 0; f < nf; ++f) {
    const TFeature& feat = features[f];
    if (feat.Kind == 'c') {
      x[k++] = row[f];
    } else {
      const int nv = feat.NValues;
      const int known = nv < static_cast<int>(feat.Values.size()) ? nv : static_cast<int>(feat.Values.size());
      const double value = row[f];
      const double* values = feat.Values.data();
      double* out = x + k;
      for (int i = 0; i < known; ++i) out[i] = value == values[i] ? 1.0 : 0.0;
      for (int i = known; i < nv; ++i) out[i] = 0.0;
      k += nv;
    }
  }
}

// The network layouts an evaluation can need.
enum class NetLayout {
  Standard,  // layer l sees the Layers[l - 1] signals of layer l - 1, its threshold after them
  Skip,      // three layers; the output neurons also see every input
  Smlp,      // three layers; output neuron c sees only its class's HidPerOut[c] hidden neurons (interleaved)
};

// What an evaluation of the training set reads besides the network.
struct EvalNeeds {
  bool CodedInputs = true;     // the input layer follows the feature coding (else the first features)
  bool Classes = true;         // VectorClass
  bool VectorWeights = false;  // VectorWeight
  bool Targets = false;        // TargetValue (function approximation)
  bool InputWeights = false;   // the input neurons' scaling weights (the forward pass)
};

// Throws WlError with a clear message when the network cannot be evaluated on the loaded data set in the
// given layout (a network left from another data set or structure: the user must create it again).
// The data are checked for every vector, or for vector `onlyVector` alone when it is 0 or more.
void RequireEvaluable(const Workbench& wb, NetLayout layout, const EvalNeeds& needs, int onlyVector = -1);
// What recording the hidden and output signals of every vector asks of the network in place: evaluable
// under the structure the window chooses, with weighted inputs and a layer above them. A run that records
// them asks this before it changes anything.
void RequireSignalsRecordable(const Workbench& wb);
// The same for a pass over the training set under a run's options: the vectors are not checked again
// while the options say the run found the network fitting (NetworkFits).
void RequireEvaluable(const Workbench& wb, NetLayout layout, const EvalNeeds& needs, const EvalOptions& o);

// The signals of an SMLP (NetLayout::Smlp, checked by the caller) for coded inputs `in`: every hidden
// neuron from all inputs, and output c from its class's hidden neurons, unit k of class c being hidden
// neuron k * classes + c, with its threshold after their weights. Slope 0 gives steps (0, 0.5 at the
// threshold, 1), any other slope logistic units (a hidden argument above 11300 gives 0).
void SmlpSignals(const Workbench& wb, const double* in, double* hid, double* out, double slope);

// The working storage of a training-set pass: room for the signals of every layer of one vector, the
// input layer at least `inputWidth` wide. Layer l starts at EvalSignals[EvalOffset[l]]. Grows only, so a
// pass allocates nothing once the storage fits the network.
double* PrepareEvalSignals(NetworkState& ns, int inputWidth);

}  // namespace wl

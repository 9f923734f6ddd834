#pragma once
// The training-set error along a straight line of the weight space, for a network with one hidden layer:
// at W = B + c D the first layer's net inputs are X B^T + c X D^T, so two products per line give them
// for every point, and a point costs one multiply-add per hidden neuron and vector, the transfer
// functions and the output layer. The exponentials are the vector kernels' (model/vector_pass.h), the
// output layer's sums Dot's, so the numbers differ from TrainingSetError's only through the first
// layer's sums. Under AVX-512, with plain logistics and the squared error, the points of a line taken
// in order also carry each hidden exponential from the point before by a ratio, and the logistic's
// division is a reciprocal estimate refined by Newton steps; the bound carries both.
//
// Those sums are rounded differently, so every point carries a bound of how far its error can lie from
// TrainingSetError's (the rounding of both forms of the sums, carried through the transfer functions and
// the error terms by their slopes at the point); a point whose bound exceeds kLineTolerance of its error,
// or whose numbers are not finite, is left to TrainingSetError, as are networks and options this pass
// does not serve (see Serves).
#include <cstdint>
#include <vector>

#include "state/eval_options.h"

namespace wl {

struct Workbench;

// The largest relative distance from TrainingSetError's value a point of the line pass may have.
inline constexpr double kLineTolerance = 5e-13;

// The kernels' logistic 1 / (e^a[i] + 1), i < n, as the line pass computes it (eight lanes at once where
// the processor has AVX-512): VectorLogistic's numbers bit for bit. VectorKernelsAvailable() must hold.
void LineLogistic(const double* a, double* y, int n);

class LinePass {
 public:
  // Whether the pass serves TrainingSetError(wb, o) on this network: three layers without skip
  // connections, the continuous transfer functions (sigmoid, tanh, the three linear ones; not the
  // staircases), the vector kernels in use, an error exponent of 1 or more, no weight terms (small
  // weights, pushed or integer weights), no committee votes or crossvalidation counters to keep.
  static bool Serves(const Workbench& wb, const EvalOptions& o);

  // Takes the line's data: the inputs of every vector, the first layer's sums of B and D over them
  // (and of their magnitudes, for the bound), for points up to |c| <= cMax that lie h apart
  // (c = (First + index × Stride) × Step, h = Stride × Step). Throws what TrainingSetError's checks of
  // the network and data set throw. Returns false when B or D is not finite (then no point is served).
  bool BindLine(Workbench& wb, const EvalOptions& o, const std::vector<double>& base, const std::vector<double>& dir,
                double cMax, double h = 0.0);

  // The error at W = base + c dir, point `index` of the line, where w holds those weights as the
  // sampler forms them (flat, as FlatWeights): true with the value in *error when the point is served,
  // false when it must be left to TrainingSetError. Counts the transfer functions in SigmoidCount as
  // TrainingSetError does. Points asked in the order of their indices, one after the other, take the
  // hidden exponentials from the point before (see plane_lines.cpp); any other order is served too.
  // With `bound`, a served point also gives the bound of its distance from TrainingSetError's value.
  bool Error(Workbench& wb, int index, double c, const std::vector<double>& w, double* error,
             double* bound = nullptr);

 private:
  int n0_ = 0, n1_ = 0, n2_ = 0, nv_ = 0, th1_ = 0, th2_ = 0;
  std::uint8_t kind1_ = 1, kind2_ = 1;
  double slope1_ = 1, stretch1_ = 1, slope2_ = 1, stretch2_ = 1;
  double p_ = 2, hi_ = 1, lo_ = 0;
  bool entropy_ = false, outside_ = false, weighted_ = false;
  std::vector<double> x_;       // the inputs, vector v's at [v * n0]
  std::vector<double> xt_;      // the same by input, input k's at [k * nv] (eight lanes)
  std::vector<double> sums_;    // scratch: the first layer's sums of magnitudes of one neuron
  std::vector<double> p0_, q_;  // the sums of B and D, neuron j of vector v at [j * nv + v]
  std::vector<double> d1_;      // the bound of the first layer's sums times the neuron's largest slope
  // The hidden exponentials along the line (plain logistics, eight lanes): e^a of the last point,
  // the ratio e^T and T per point, the bound's fixed part and its growth per point, per neuron and group of eight vectors
  // whether the ratio serves; the index the next point must have to use them, and the points since
  // the last exact exponential.
  std::vector<double> e_, ratio_, t_, fixed_, drift_;
  std::vector<std::uint8_t> serves_;
  bool ratios_ = false;
  int next_ = -1, since_ = 0;
  std::vector<double> theta_;  // the point's thresholds, hidden then output
  std::vector<double> block_;  // the signals of a block of vectors
};

}  // namespace wl

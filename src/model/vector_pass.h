#pragma once
// The vector kernels of the error passes: a layered network evaluated over blocks of four vectors, one
// vector in each lane of the 256-bit registers, the sums with fused multiply-adds and the logistic with
// an exponential of its own. They are compiled for AVX2 and FMA alone (function attributes, so the rest
// of the program stays plain x86-64) and chosen at run time when the processor has both; elsewhere the
// passes keep their plain loops.
//
// The numbers are those of the plain loops to rounding: every sum is Dot's, in Dot's four partial sums
// and order, each product fused with its addition (for one-hot inputs, products by 0 and 1, that is Dot's
// sum bit for bit); the exponential is within about one unit in the last place of the C library's. An
// error over a training set agrees with the plain loop's to about 1e-15 relative.
#include <vector>

#include "model/layer_transfer.h"
#include "state/network.h"
#include "state/parameters.h"

namespace wl {

// Which kernels the passes take. Automatic (the default): the vector kernels when the processor has
// AVX2 and FMA. Plain: the plain loops everywhere. Vector: the vector kernels where the processor has
// them (as Automatic; for tests that name the path they check).
enum class EvaluationPath { Automatic, Plain, Vector };
void SetEvaluationPath(EvaluationPath path);
EvaluationPath CurrentEvaluationPath();
// The processor has AVX2 and FMA.
bool VectorKernelsAvailable();
// The processor also has AVX-512F: VectorLogistic then takes eight lanes at a time (the same numbers).
bool WideKernelsAvailable();
// The passes take the vector kernels now.
bool UseVectorKernels();

// e^a[i] for i < n, by the vector kernel (VectorKernelsAvailable() must hold). Arguments below -708 give
// e^-708, above 709.78 infinity; a NaN stays NaN.
void VectorExp(const double* a, double* out, int n);

// 1 / (e^s[i] + 1) for i < n, with the kernels' exponential (VectorKernelsAvailable() must hold), and
// KernelLogistic the same for one number, bit for bit: code that keeps some outputs and computes others
// in blocks gets equal numbers for equal sums. Sums above 709.78 give 0, below -708 give 1.
void VectorLogistic(const double* s, double* y, int n);
double KernelLogistic(double s);
// VectorLogistic by registers of 4 or of 8 lanes (8: WideKernelsAvailable() must hold), for the tests
// that hold the two to the same numbers.
void VectorLogisticLanes(const double* s, double* y, int n, int lanes);

// One layer of a block pass: Count neurons, each summing Inputs signals of the layer below (Dot), its
// threshold at Weights[Threshold].
struct BlockLayer {
  const TNeuron* Neurons = nullptr;
  int Count = 0;
  int Inputs = 0;
  int Threshold = 0;
  // The stretched logistic min(1, max(0, Stretch / (1 + e^a) + Offset)), a = (θ − net) × Slope, and 0
  // beyond Guard: vectorised. Otherwise the transfer function TF, lane by lane (LayerTransfer).
  bool Logistic = true;
  double Slope = 1.0, Stretch = 1.0, Offset = 0.0, Guard = 0.0;
  TTransferFunction TF;
};

// The passes' working storage and kernel. Bind once per pass, then for each block give the inputs and
// Run it. The storage only grows, so a pass allocates nothing once it fits the network.
//
// Dense inputs: fill Inputs() (input i of lane k at [i * 4 + k]; unused lanes as you like). Coded inputs
// (Bind with `sparse`): give each lane the inputs that are not zero, in increasing order (SparseLane);
// the first layer's sums then add only those, into Dot's partial sums (a 1.0 input adds its weight, as
// the dense sum's product by 1 would), and the lanes not given keep the sums of the last block.
class BlockPass {
 public:
  static constexpr int kLanes = 4;
  void Bind(int inputs, const std::vector<BlockLayer>& layers, const StairParams& stairs, bool sparse = false);
  double* Inputs() { return signals_.data(); }
  void SparseLane(int lane, const int* index, const double* value, int count);
  // The output layer's signals of the block's first `lanes` vectors: output j of lane k at [j * 4 + k].
  const double* Run(int lanes);
  int Outputs() const { return layers_.empty() ? 0 : layers_.back().Count; }

 private:
  std::vector<BlockLayer> layers_;
  std::vector<std::size_t> offset_;  // layer l's signals at signals_[offset_[l]]; the inputs at 0
  std::vector<double> signals_;
  StairParams stairs_;
  bool sparse_ = false;
  int stride_ = 0;                  // the first layer's neurons rounded up to whole registers
  std::vector<double> transposed_;  // the first layer's weights, input i's at [i * stride_]
  std::vector<double> firstSums_;   // the first layer's sums of the block, neuron j of lane k at [j * 4 + k]
};

}  // namespace wl

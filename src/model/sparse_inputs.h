#pragma once
// The first layer's sums over coded inputs, adding only the inputs that are not zero. A discrete or
// symbolic feature of K values gives K inputs of which at most one is 1.0, so most of a coded row is 0.0
// (22 hot inputs of 125 on a set of 22 symbolic features).
//
// The sums are Dot's, bit for bit: every input adds into the same one of Dot's four partial sums, in the
// same order, a zero input would have added an exact zero, and 1.0 × w is w. (An infinite or NaN weight
// of a zero input, which Dot would turn into NaN, is skipped.)
#include <algorithm>
#include <vector>

#include "state/network.h"

namespace wl {

class FirstLayerSums {
 public:
  // Prepares for the neurons of one layer over n inputs. The storage only grows, so a pass allocates
  // nothing once the first one has run.
  void Bind(const TNeuron* layer, int neurons, int n) {
    neurons_ = neurons;
    n_ = n;
    n4_ = n - n % 4;
    if (static_cast<int>(w_.size()) < neurons) w_.resize(static_cast<std::size_t>(neurons));
    if (static_cast<int>(idx_.size()) < n) idx_.resize(static_cast<std::size_t>(n));
    if (static_cast<int>(acc_.size()) < 4 * neurons) acc_.resize(4 * static_cast<std::size_t>(neurons));
    for (int j = 0; j < neurons; ++j) w_[static_cast<std::size_t>(j)] = layer[j].Weights.data();
  }

  // net[j] := Dot(x, Weights of neuron j, n) for every neuron.
  void Sums(const double* x, double* net) {
    int* idx = idx_.data();
    int m = 0;
    for (int i = 0; i < n_; ++i) {  // without a branch: which inputs are hot does not follow a pattern
      idx[m] = i;
      m += x[i] != 0.0 ? 1 : 0;
    }
    double* acc = acc_.data();
    std::fill(acc, acc + 4 * neurons_, 0.0);
    const double* const* w = w_.data();
    for (int t = 0; t < m; ++t) {
      const int i = idx[t];
      const double xi = x[i];
      double* a = acc + (i < n4_ ? (i & 3) : 0);
      for (int j = 0; j < neurons_; ++j) a[4 * j] += xi * w[j][i];
    }
    for (int j = 0; j < neurons_; ++j) {
      const double* s = acc + 4 * j;
      net[j] = (s[0] + s[1]) + (s[2] + s[3]);
    }
  }

 private:
  std::vector<const double*> w_;
  std::vector<int> idx_;
  std::vector<double> acc_;
  int neurons_ = 0, n_ = 0, n4_ = 0;
};

}  // namespace wl

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

#include "state/dataset.h"
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

// The coded inputs of a data row that are not zero, in increasing order: a continuous feature's value
// when not zero, and 1.0 for each value of a discrete or symbolic feature the row's value equals (as
// CodeInputs codes them). A feature whose listed values are 0, 1, 2, ... (the usual coding) finds its
// input from the value itself instead of comparing with every value.
class HotInputs {
 public:
  void Bind(const std::vector<TFeature>& features) {
    features_.clear();
    int k = 0;
    for (const TFeature& f : features) {
      Feature d;
      d.first = k;
      if (f.Kind == 'c') {
        d.known = -1;
        k += 1;
      } else {
        d.known = std::min(f.NValues, static_cast<int>(f.Values.size()));
        d.values = f.Values.data();
        d.counting = true;
        for (int i = 0; i < d.known; ++i) d.counting = d.counting && f.Values[i] == i;
        k += f.NValues;
      }
      features_.push_back(d);
    }
  }

  // Writes the inputs' indices and values; returns their count (at most the number of inputs). With
  // `codedOnly` the continuous features' inputs are left out.
  int Find(const double* row, int* index, double* value, bool codedOnly = false) const {
    int m = 0;
    const int nf = static_cast<int>(features_.size());
    for (int f = 0; f < nf; ++f) {
      const Feature& d = features_[f];
      const double x = row[f];
      if (d.known < 0) {
        if (codedOnly) continue;
        index[m] = d.first;
        value[m] = x;
        m += x != 0.0 ? 1 : 0;
      } else if (d.counting) {
        // x equals value i = x exactly when x is a whole number below `known` (-0.0 equals 0).
        if (x >= 0.0 && x < d.known && x == static_cast<double>(static_cast<int>(x))) {
          index[m] = d.first + static_cast<int>(x);
          value[m++] = 1.0;
        }
      } else {
        for (int i = 0; i < d.known; ++i) {  // without a branch: which value a row has follows no pattern
          index[m] = d.first + i;
          value[m] = 1.0;
          m += x == d.values[i] ? 1 : 0;
        }
      }
    }
    return m;
  }

 private:
  struct Feature {
    int first = 0;   // its first input
    int known = -1;  // values listed (-1: continuous)
    bool counting = false;
    const double* values = nullptr;
  };
  std::vector<Feature> features_;
};

}  // namespace wl

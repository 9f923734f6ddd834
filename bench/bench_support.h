#pragma once
// What the benchmarks share: the generated set of 8,124 vectors of 22 symbolic features (125 one-hot
// network inputs, two classes) and the plain reference loop of a three-layer network on contiguous arrays.
#include <string>
#include <vector>

#include "model/forward_pass.h"
#include "platform/random.h"
#if __has_include("state/workbench.h")
#include "state/workbench.h"
#else
#include "model/workbench.h"
#endif

namespace wl::bench {

constexpr int kVectors = 8124;
// Values per feature: 125 inputs in all.
constexpr int kValues[22] = {6, 4, 10, 2, 9, 4, 3, 2, 12, 2, 6, 4, 4, 9, 9, 2, 4, 3, 5, 9, 6, 10};

// The generated set as the loaded data set; the class follows a few features, with some noise.
inline void MushroomLikeSet(Workbench& w) {
  for (int f = 0; f < 22; ++f) {
    TFeature feat;
    feat.Kind = 's';
    feat.Name = "f";
    feat.Name += std::to_string(f);
    feat.NValues = kValues[f];
    for (int j = 0; j < kValues[f]; ++j) {
      feat.Values.push_back(j);
      feat.Symbols.push_back(std::string(1, static_cast<char>('a' + j)));
    }
    w.Features.push_back(feat);
  }
  w.NumOfFeatures = 22;
  w.AllContinuous = false;
  w.NumOfClasses = 2;
  w.NumOfVectors = kVectors;
  RandomGenerator g;
  g.Seed = 2024;
  w.VectorsPerClass = {0, 0};
  for (int v = 0; v < kVectors; ++v) {
    std::vector<double> row(22);
    for (int f = 0; f < 22; ++f) row[f] = g.Below(kValues[f]);
    const int c = ((row[4] < 4) != (row[19] > 5)) ^ (g.Below(20) == 0);
    w.Data.push_back(row);
    w.VectorClass.push_back(c);
    ++w.VectorsPerClass[c];
  }
  for (int v = 0; v < kVectors; ++v)
    w.VectorWeight.push_back(double(kVectors) / (w.VectorsPerClass[w.VectorClass[v]] * 2.0));
  w.VectorErrorTerm.assign(kVectors, 0.0);
}

// The reference: a three-layer standard network on contiguous arrays.
struct Reference {
  int n0, n1, n2, nv;
  std::vector<double> x, w1, w2, vw, cw;
  std::vector<int> cls;
  double stretch, offset;

  explicit Reference(Workbench& wb) {
    n0 = wb.Layers[0], n1 = wb.Layers[1], n2 = wb.Layers[2], nv = wb.NumOfVectors;
    x.resize(std::size_t(nv) * n0);
    for (int v = 0; v < nv; ++v) CodeInputs(wb.Features, wb.Data[v].data(), &x[std::size_t(v) * n0]);
    for (const auto& n : wb.Net[1]) w1.insert(w1.end(), n.Weights.begin(), n.Weights.end());
    for (const auto& n : wb.Net[2]) w2.insert(w2.end(), n.Weights.begin(), n.Weights.end());
    vw = wb.VectorWeight;
    cw = wb.ClassWeight;
    cls = wb.VectorClass;
    stretch = wb.Stretch;
    offset = (1.0 - stretch) / 2.0;
  }

  static double Plain(const double* a, const double* b, int n) {
    double s = 0.0;
    for (int i = 0; i < n; ++i) s += a[i] * b[i];
    return s;
  }

  template <bool SameDot>
  double Error(double& successRate) const {
    double h[64], y[8];
    double e = 0.0;
    int correct = 0;
    for (int v = 0; v < nv; ++v) {
      const double* in = &x[std::size_t(v) * n0];
      for (int j = 0; j < n1; ++j) {
        const double* w = &w1[std::size_t(j) * (n0 + 1)];
        const double a = w[n0] - (SameDot ? Dot(in, w, n0) : Plain(in, w, n0));
        h[j] = a > kExpGuardError ? 0.0 : StretchedSigmoid(a, stretch, offset);
      }
      for (int j = 0; j < n2; ++j) {
        const double* w = &w2[std::size_t(j) * (n1 + 1)];
        const double a = w[n1] - (SameDot ? Dot(h, w, n1) : Plain(h, w, n1));
        y[j] = a > kExpGuardError ? 0.0 : StretchedSigmoid(a, stretch, offset);
      }
      const int c = cls[v];
      double ev = 0.0;
      bool classHigh = false, otherHigh = false;
      for (int j = 0; j < n2; ++j) {
        const double d = y[j] - (j == c ? 1.0 : 0.0);
        ev += d * d;
        if (y[j] > 0.5) (j == c ? classHigh : otherHigh) = true;
      }
      e += ev * vw[v];
      if (classHigh && !otherHigh) ++correct;
    }
    successRate = double(correct) / nv;
    return e;
  }
};

}  // namespace wl::bench

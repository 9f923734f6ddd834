#include "model/class_weights.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "state/workbench.h"

namespace wl {

namespace {

std::vector<int> CountPerClass(const std::vector<int>& vectorClass, int numOfVectors, int numOfClasses) {
  std::vector<int> perClass(static_cast<std::size_t>(std::max(0, numOfClasses)), 0);
  const int n = std::min(std::max(0, numOfVectors), static_cast<int>(vectorClass.size()));
  for (int v = 0; v < n; ++v) {
    const int c = vectorClass[static_cast<std::size_t>(v)];
    if (c >= 0 && c < numOfClasses) ++perClass[static_cast<std::size_t>(c)];
  }
  return perClass;
}

int Present(const std::vector<int>& perClass) {
  return static_cast<int>(std::count_if(perClass.begin(), perClass.end(), [](int n) { return n > 0; }));
}

}  // namespace

int ClassesPresent(const std::vector<int>& vectorClass, int numOfVectors, int numOfClasses) {
  return Present(CountPerClass(vectorClass, numOfVectors, numOfClasses));
}

std::vector<double> BalancedVectorWeights(const std::vector<int>& vectorClass, int numOfVectors, int numOfClasses) {
  const std::vector<int> perClass = CountPerClass(vectorClass, numOfVectors, numOfClasses);
  const long double present = Present(perClass);
  const int n = std::max(0, numOfVectors);
  std::vector<double> weights(static_cast<std::size_t>(n), 0.0);
  for (int v = 0; v < n && v < static_cast<int>(vectorClass.size()); ++v) {
    const int c = vectorClass[static_cast<std::size_t>(v)];
    if (c < 0 || c >= numOfClasses) continue;
    const long double inClass = perClass[static_cast<std::size_t>(c)];
    weights[static_cast<std::size_t>(v)] = static_cast<double>(static_cast<long double>(n) / (inClass * present));
  }
  return weights;
}

void ComputeClassWeights(Workbench& wb) {
  const int nc = std::max(0, wb.NumOfClasses);
  wb.ClassSize.assign(nc, 0);
  wb.ClassWeight.assign(nc, 0.0);
  wb.ClassOrder.resize(nc);
  std::iota(wb.ClassOrder.begin(), wb.ClassOrder.end(), 0);
  for (int v = 0; v < wb.NumOfVectors && v < static_cast<int>(wb.VectorClass.size()); ++v) {
    const int c = wb.VectorClass[v];
    if (c >= 0 && c < nc) ++wb.ClassSize[c];
  }
  // The signal plots draw the classes largest first, so that small classes stay visible on top; equal
  // sizes keep their index order. Sizes are compared before the raise to at least 1.
  std::stable_sort(wb.ClassOrder.begin(), wb.ClassOrder.end(),
                   [&](int a, int b) { return wb.ClassSize[a] > wb.ClassSize[b]; });
  const int present = std::max(1, Present(wb.ClassSize));
  for (int c = 0; c < nc; ++c) {
    if (wb.ClassSize[c] < 1) wb.ClassSize[c] = 1;
    wb.ClassWeight[c] = (static_cast<double>(wb.NumOfVectors) / present) / wb.ClassSize[c];
  }
}

void BuildStairTable(Workbench& wb) {
  const int k = std::max(0, wb.NumOfStep);
  wb.StairTable.assign(static_cast<std::size_t>(k) + 1, 0.0);
  const double half = k / 2.0;
  for (int i = 1; i < k; ++i) wb.StairTable[i] = 1.0 / (1.0 + std::exp((half - i) / 30.0));
  wb.StairTable[0] = 0.0;
  wb.StairTable[k] = 1.0;  // with no steps the single entry is 1.0
  wb.StairScale = 30.0;
  wb.StairRange = k / (2.0 * wb.StairScale);
}

void EnsureClassWeights(Workbench& wb) {
  if (wb.ClassWeight.size() != static_cast<std::size_t>(std::max(0, wb.NumOfClasses))) ComputeClassWeights(wb);
}

void EnsureStairTable(Workbench& wb) {
  if (wb.StairTable.size() != static_cast<std::size_t>(std::max(0, wb.NumOfStep)) + 1) BuildStairTable(wb);
}

}  // namespace wl

#include "model/class_weights.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "state/workbench.h"

namespace wl {

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
  for (int c = 0; c < nc; ++c) {
    if (wb.ClassSize[c] < 1) wb.ClassSize[c] = 1;
    wb.ClassWeight[c] = (static_cast<double>(wb.NumOfVectors) / nc) / wb.ClassSize[c];
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

#include "state/training_parts.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "platform/errors.h"
#include "platform/rounding.h"
#include "platform/numfmt.h"
#include "state/workbench.h"

namespace wl {

namespace {

// Identities are unique in the process, so that no two data sets read by any workbench share one.
std::atomic<std::uint64_t> lastGeneration{0};

}  // namespace

DataSetStamp CurrentDataSet(const Workbench& wb) {
  return {wb.Generation, wb.DataFileName, wb.NumOfVectors, wb.NumOfFeatures};
}

void NewDataSetIdentity(DataSetState& ds) { ds.Generation = ++lastGeneration; }

void StampParts(Workbench& wb) { wb.PartsMadeFor = {CurrentDataSet(wb), wb.NumOfParts}; }

void RefillRandomParts(Workbench& wb) {
  wb.Rng.Randomize(wb.Plat.MillisecondsOfDay());
  for (int& v : wb.BatchIndex) v = wb.Rng.Below(wb.NumOfVectors);
  StampParts(wb);
}

void DrawRandomParts(Workbench& wb) {
  const int count = wb.NumOfParts > 0 ? RoundInt(static_cast<double>(wb.NumOfVectors) / wb.NumOfParts) : 0;
  wb.BatchIndex.assign(static_cast<std::size_t>(std::max(0, count)), 0);
  RefillRandomParts(wb);
}

bool PartsShapeHolds(const Workbench& wb) {
  if (wb.PartsMadeFor.Parts == 0) return true;  // none drawn
  const int n = wb.PartsMadeFor.DataSet.Vectors;
  return std::all_of(wb.BatchIndex.begin(), wb.BatchIndex.end(), [n](int v) { return v >= 0 && v < n; });
}

bool PartsFit(const Workbench& wb) {
  if (wb.NumOfParts <= 1) return true;
  return !wb.BatchIndex.empty() &&
         wb.PartsMadeFor == PartsStamp{CurrentDataSet(wb), wb.NumOfParts} && PartsShapeHolds(wb);
}

std::string PartsMessage(const Workbench& wb) {
  return "Parts in Training Set " + IntToStr(wb.NumOfParts) +
         " : no part of this training set has been drawn for it. Set Parts to 1, or train with a method that "
         "draws its parts (1 change, weight sections).";
}

void RequirePartsFit(const Workbench& wb) {
  if (!PartsFit(wb)) throw WlError(PartsMessage(wb));
}

}  // namespace wl

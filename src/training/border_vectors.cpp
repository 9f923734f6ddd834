#include "training/border_vectors.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "model/error_functions.h"
#include "model/run_status.h"
#include "state/training_parts.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/rounding.h"

namespace wl {

namespace {

struct Candidate {
  double Error;
  int Vector;
};

// Highest error first. The exchange pass compares every position with every other and swaps when the
// first is the larger; equal errors keep whatever order the swaps leave them in.
void SortWorstFirst(std::vector<Candidate>& c) {
  const std::size_t n = c.size();
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j)
      if (c[i].Error > c[j].Error) std::swap(c[i], c[j]);
}

}  // namespace

void SelectBorderVectors(Workbench& wb, std::uint8_t mode) {
  const double share = StrToFloat(wb.Form1.typselEdit.Text());
  const int classes = wb.NumOfClasses;
  if (classes < 1 || wb.NumOfVectors < 1) return;
  const std::int64_t m = Round(wb.NumOfVectors * share / classes);
  if (m < 12) return;

  const auto nv = static_cast<std::size_t>(wb.NumOfVectors);
  if (wb.Data.size() < nv || wb.VectorClass.size() < nv || wb.VectorWeight.size() < nv)
    throw WlError("The data set is incomplete: border vectors cannot be selected");

  // Every vector's error first, so that an error of the network leaves the data set as it was.
  std::vector<std::vector<Candidate>> byClass(static_cast<std::size_t>(classes));
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    const int c = wb.VectorClass[static_cast<std::size_t>(v)];
    if (c < 0 || c >= classes) throw WlError("Vector " + IntToStr(v) + " has no class of the data set");
    byClass[static_cast<std::size_t>(c)].push_back({SignalsError(wb, v), v});
  }

  const bool targets = wb.TargetValue.size() >= nv;
  std::vector<std::vector<double>> data;
  std::vector<int> vectorClass;
  std::vector<double> vectorWeight, targetValue;
  std::vector<int> perClass(static_cast<std::size_t>(classes), 0);
  for (int c = 0; c < classes; ++c) {
    std::vector<Candidate>& list = byClass[static_cast<std::size_t>(c)];
    SortWorstFirst(list);
    const std::size_t keep = std::min<std::size_t>(static_cast<std::size_t>(m), list.size());
    for (std::size_t i = 0; i < keep; ++i) {
      const auto v = static_cast<std::size_t>(list[i].Vector);
      data.push_back(std::move(wb.Data[v]));
      vectorClass.push_back(c);
      vectorWeight.push_back(wb.VectorWeight[v]);
      if (targets) targetValue.push_back(wb.TargetValue[v]);
    }
    perClass[static_cast<std::size_t>(c)] = static_cast<int>(keep);
  }

  wb.NumOfVectors = static_cast<int>(data.size());
  wb.Data = std::move(data);
  wb.VectorClass = std::move(vectorClass);
  wb.VectorWeight = std::move(vectorWeight);
  if (targets) wb.TargetValue = std::move(targetValue);
  wb.VectorsPerClass = std::move(perClass);
  NewDataSetIdentity(wb);

  if (mode == 1) WriteVectorRangeDataFile(wb, 0, wb.NumOfVectors - 1);
  ShowRunVectors(wb);
}

void WriteVectorRangeDataFile(Workbench& wb, int first, int last) {
  if (wb.ResultsPrefix.empty())
    throw WlError("No data set has been opened yet. Open a data set first (Open -> Open Training Set).");
  first = std::max(first, 0);
  last = std::min(last, std::min(wb.NumOfVectors, static_cast<int>(wb.Data.size())) - 1);
  const int nf = wb.NumOfFeatures;
  const bool denormalise = wb.AllContinuous && wb.Form1.NormCheck.Checked() &&
                           wb.FeatureMean.size() >= static_cast<std::size_t>(nf) &&
                           wb.FeatureDeviation.size() >= static_cast<std::size_t>(nf);

  std::string text = "Number of features = " + IntToStr(nf + 1) + "\n";
  text += "Number of Vectors = " + IntToStr(std::max(0, last - first + 1)) + "\n";
  text += "Class Column No = " + IntToStr(nf + 1) + "\n";
  for (int f = 0; f < nf; ++f) {
    const auto uf = static_cast<std::size_t>(f);
    const std::string name = uf < wb.Features.size() ? wb.Features[uf].Name : "";
    text += "Feature[" + IntToStr(f + 1) + "] = " + name + "  continuous\n";
  }
  text += "Feature[" + IntToStr(nf + 1) + "] = Class  discrete  " + IntToStr(wb.NumOfClasses);
  for (int c = 0; c < wb.NumOfClasses; ++c) text += "  " + IntToStr(c);
  text += "\n[DATA]\n";
  for (int v = first; v <= last; ++v) {
    const std::vector<double>& row = wb.Data[static_cast<std::size_t>(v)];
    for (int f = 0; f < nf && static_cast<std::size_t>(f) < row.size(); ++f) {
      double x = row[static_cast<std::size_t>(f)];
      if (denormalise) {
        // A constant feature was left as it was read.
        const double d = static_cast<double>(wb.FeatureDeviation[static_cast<std::size_t>(f)]);
        if (d > 0) x = x * d + static_cast<double>(wb.FeatureMean[static_cast<std::size_t>(f)]);
        text += FormatFixed(x, 12, 3);
      } else {
        text += FloatToStr(x);
      }
      text += "  ";
    }
    if (static_cast<std::size_t>(v) < wb.VectorClass.size())
      text += IntToStr(wb.VectorClass[static_cast<std::size_t>(v)]);
    else if (static_cast<std::size_t>(v) < wb.TargetValue.size())
      text += FloatToStr(wb.TargetValue[static_cast<std::size_t>(v)]);
    text += "\n";
  }
  const std::string path = wb.ResultsPrefix + ".dat";
  EnsureDirectory(std::filesystem::path(path).parent_path().string());
  WriteFileAtomically(path, text);
}

}  // namespace wl

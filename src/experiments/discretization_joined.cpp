// The older discretization ("Eq. Dist. + Join"): equal-width bins per continuous feature, joined into
// runs of bins of one majority class; a feature whose classes share too many bins can be eliminated.
// Its file lists the start of each run, rounded to one decimal, as the feature's values.
#include <cmath>

#include "experiments/discretization.h"
#include "experiments/discretization_detail.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/rounding.h"

namespace wl {
namespace {

// A run's start as the file writes it: rounded to one decimal (halves to even), shortest text.
std::string RunStartText(double c) { return FloatToStr(static_cast<double>(Round(10.0 * c)) * 0.1); }

}  // namespace

bool DiscrEliminated(const TFeature& f) {
  if (f.Kind != 'c') return false;
  std::string head = f.Name.substr(0, 3);
  for (char& c : head)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return head == "n/a";
}

int JoinBin(double min, double width, int intervals, double x) {
  if (!(width > 0)) return 0;
  const double q = std::trunc((x - min) / width);
  if (!(q >= 0)) return 0;
  if (q >= intervals) return intervals - 1;
  return static_cast<int>(q);
}

int OverlapCount(const std::vector<std::vector<int>>& counts) {
  if (counts.empty()) return 0;
  int overlap = 0;
  for (std::size_t b = 0; b < counts[0].size(); ++b) {
    int present = 0;
    for (const auto& perBin : counts)
      if (perBin[b] >= 1) ++present;
    overlap += present * (present - 1);
  }
  return overlap;
}

void MakeResultsFileName(Workbench& wb) {
  DiscrProgress(wb, "Discretization");
  const std::size_t nf = static_cast<std::size_t>(wb.NumOfFeatures);
  const std::size_t classes = static_cast<std::size_t>(std::max(wb.NumOfClasses, 0));
  wb.FeatureClassMin.assign(nf, std::vector<double>(classes + 1, 0.0));
  wb.FeatureClassMax.assign(nf, std::vector<double>(classes + 1, 0.0));
  for (std::size_t f = 0; f < nf; ++f) {
    if (wb.Features[f].Kind != 'c') continue;
    std::vector<double>& lo = wb.FeatureClassMin[f];
    std::vector<double>& hi = wb.FeatureClassMax[f];
    for (std::size_t c = 0; c < classes; ++c) {
      lo[c] = 1e100;
      hi[c] = -1e100;
    }
    for (std::size_t v = 0; v < static_cast<std::size_t>(wb.NumOfVectors); ++v) {
      const std::size_t c = static_cast<std::size_t>(wb.VectorClass[v]);
      const double x = wb.Data[v][f];
      if (x < lo[c]) lo[c] = x;
      if (x > hi[c]) hi[c] = x;
    }
    lo[classes] = 1e100;
    hi[classes] = -1e100;
    for (std::size_t c = 0; c < classes; ++c) {
      if (lo[c] < lo[classes]) lo[classes] = lo[c];
      if (hi[c] > hi[classes]) hi[classes] = hi[c];
    }
  }
  EnsureDirectory(wb.Path("\\results"));
  wb.ResultsFileName = IntToStr(wb.Plat.SecondsOfYear());
}

void FillDiscretizationTable(Workbench& wb) {
  const int k = DiscrIntervalsField(wb);
  RequireDiscrVectors(wb);
  const std::size_t nf = static_cast<std::size_t>(wb.NumOfFeatures);
  const int classes = wb.NumOfClasses;
  if (wb.FeatureClassMin.size() != nf || wb.FeatureClassMax.size() != nf)
    throw WlError("The class ranges of the features are not those of this data set");
  wb.CutPoints.assign(nf, {});
  wb.NumCutPoints.assign(nf, 0);
  std::vector<std::vector<int>> counts(static_cast<std::size_t>(classes), std::vector<int>(static_cast<std::size_t>(k)));
  for (std::size_t f = 0; f < nf; ++f) {
    TFeature& feature = wb.Features[f];
    if (feature.Kind != 'c') continue;
    const double min = wb.FeatureClassMin[f][static_cast<std::size_t>(classes)];
    const double max = wb.FeatureClassMax[f][static_cast<std::size_t>(classes)];
    // A constant feature has width 0 and all its values in bin 0.
    const double w = (max - min) / k;
    for (auto& perBin : counts) std::fill(perBin.begin(), perBin.end(), 0);
    for (std::size_t v = 0; v < static_cast<std::size_t>(wb.NumOfVectors); ++v)
      counts[static_cast<std::size_t>(wb.VectorClass[v])][static_cast<std::size_t>(JoinBin(min, w, k, wb.Data[v][f]))] += 1;

    if (wb.Form1.OverlapBox.Checked() && OverlapCount(counts) > 0.1 * k * k) {
      feature.Name = "n/a";
      continue;
    }
    std::vector<double>& cuts = wb.CutPoints[f];
    cuts.assign(static_cast<std::size_t>(k) + 1, 0.0);
    int last = -1;  // the majority class of the last bin that had one
    for (int b = 0; b < k; ++b) {
      int majority = -1, best = 0;
      for (int c = 0; c < classes; ++c)
        if (counts[static_cast<std::size_t>(c)][static_cast<std::size_t>(b)] > best) {
          best = counts[static_cast<std::size_t>(c)][static_cast<std::size_t>(b)];
          majority = c;
        }
      if (majority < 0) continue;
      if (b == 0 || majority != last) {
        wb.NumCutPoints[f] += 1;
        cuts[static_cast<std::size_t>(wb.NumCutPoints[f])] = min + b * w;
      }
      last = majority;
    }
  }
  wb.DiscrFeatureKinds.clear();
  for (const TFeature& f : wb.Features) wb.DiscrFeatureKinds.push_back(f.Kind == 'c' ? 'c' : 'd');
  wb.DiscrSource = DiscretizationSource::Joined;
}

void WriteDiscretizedDataFileOld(Workbench& wb) {
  const std::size_t nf = static_cast<std::size_t>(wb.NumOfFeatures);
  std::vector<std::size_t> kept;
  for (std::size_t f = 0; f < nf; ++f)
    if (!DiscrEliminated(wb.Features[f])) kept.push_back(f);
  const std::int64_t n = static_cast<std::int64_t>(kept.size());
  for (std::size_t f : kept)
    if (wb.Features[f].Kind == 'c' &&
        (f >= wb.NumCutPoints.size() || wb.NumCutPoints[f] < 1 || f >= wb.CutPoints.size() ||
         wb.CutPoints[f].size() <= static_cast<std::size_t>(wb.NumCutPoints[f])))
      throw WlError("The discretization table holds no intervals of feature " + wb.Features[f].Name);

  wb.DataFileName += "d";
  wb.DiscretizedFileName = wb.DataFileName;
  std::string& out = wb.DiscretizedFile;
  out.clear();
  out += "#discretization v. 13 July 2002\n";
  out += "Number of features = " + IntToStr(n + 1) + "\n";
  out += "Number of Vectors = " + IntToStr(wb.NumOfVectors) + "\n";
  out += "Class Column No = " + IntToStr(n + 1) + "\n";
  std::int64_t number = 0;
  for (std::size_t f : kept) {
    const TFeature& feature = wb.Features[f];
    const bool continuous = feature.Kind == 'c';
    const int values = continuous ? wb.NumCutPoints[f] : feature.NValues;
    out += "Feature[" + IntToStr(++number) + "] = " + feature.Name + "   discrete  " + IntToStr(values) + "     ";
    for (int i = 0; i < values; ++i) {
      out += continuous ? RunStartText(wb.CutPoints[f][static_cast<std::size_t>(i) + 1])
                        : FloatToStr(feature.Values[static_cast<std::size_t>(i)]);
      out += "  ";
    }
    out += "\n";
  }
  out += "Feature[" + IntToStr(n + 1) + "] = class   discrete  " + IntToStr(wb.NumOfClasses) + "   ";
  for (int c = 0; c < wb.NumOfClasses; ++c) out += IntToStr(c) + "  ";
  out += "\n[DATA]\n";

  for (std::size_t v = 0; v < static_cast<std::size_t>(wb.NumOfVectors); ++v) {
    const std::vector<double>& row = wb.Data[v];
    for (std::size_t f : kept) {
      const double x = row[f];
      std::string code;
      if (wb.Features[f].Kind == 'c') {
        const std::vector<double>& cuts = wb.CutPoints[f];
        int i = wb.NumCutPoints[f];
        while (i >= 1 && !(x >= cuts[static_cast<std::size_t>(i)])) --i;
        // Below the first run only a test set's value can lie.
        code = i >= 1 ? RunStartText(cuts[static_cast<std::size_t>(i)]) : FloatToStr(cuts[1]);
      } else {
        code = FloatToStr(x);
      }
      // Codes in columns of 7, and at least one blank between two codes.
      out += code;
      out.append(code.size() < 7 ? 7 - code.size() : 1, ' ');
    }
    out += IntToStr(wb.VectorClass[v]) + "\n";
  }
  CloseDiscretizedDataFile(wb);
}

}  // namespace wl

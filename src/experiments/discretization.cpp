// Discretization of the continuous features: the choice of the source, the cut-point and equal-width
// sources, the interval labels and the discretized data-set file.
#include "experiments/discretization.h"

#include <algorithm>
#include <cmath>

#include "experiments/discretization_detail.h"
#include "model/data_file.h"
#include "model/results_prefix.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/rounding.h"
#include "training/prepare_run.h"

namespace wl {

// ---- fields, progress

int DiscrFieldInteger(Edit& edit, std::string_view name, int min, int max) {
  double v = 0;
  if (!TryStrToFloat(edit.Text(), v) || static_cast<double>(Round(v)) != v || v < min || v > max) {
    edit.SetFocus();
    throw ConvertError(std::string(name) + " must be an Integer from " + IntToStr(min) + " to " + IntToStr(max));
  }
  return static_cast<int>(v);
}

int DiscrIntervalsField(Workbench& wb) { return DiscrFieldInteger(wb.Form1.slEdit, "num of discrete values", 2, 999); }

int DiscrPrecisionField(Workbench& wb) {
  return DiscrFieldInteger(wb.Form1.PrecEdit1, "decimals of the interval labels", 0, 15);
}

void DiscrProgress(Workbench& wb, const std::string& text) {
  wb.Form1.ep.SetText(text);
  wb.Form1.ep.Repaint();
}

void RequireDiscrVectors(const Workbench& wb) {
  if (wb.NumOfVectors < 1 || wb.Data.size() < static_cast<std::size_t>(wb.NumOfVectors))
    throw WlError("The data set holds no vectors to discretize");
}

// ---- labels

std::string DiscrBoundText(double b, int decimals) { return FixedDisplayText(b, 12, decimals); }

int CutPointInterval(const std::vector<double>& cuts, double x) {
  const int k = static_cast<int>(cuts.size());
  if (k == 0 || x < cuts[0]) return 0;
  // The rules in their order: a held set of cut points that a search has moved out of order still gives
  // every value one interval.
  for (int i = 1; i < k; ++i)
    if (cuts[i - 1] <= x && x < cuts[i]) return i;
  return k;
}

std::string CutPointLabel(const std::vector<double>& cuts, int interval, int decimals) {
  const int k = static_cast<int>(cuts.size());
  if (k == 0) return "_";  // one interval holds every value
  if (interval == 0) return std::string("_").append(DiscrBoundText(cuts[0], decimals));
  if (interval >= k) return DiscrBoundText(cuts[static_cast<std::size_t>(k - 1)], decimals) + "_";
  return DiscrBoundText(cuts[static_cast<std::size_t>(interval - 1)], decimals) + "_" +
         DiscrBoundText(cuts[static_cast<std::size_t>(interval)], decimals);
}

int EqualWidthInterval(double min, double width, int intervals, double x) {
  if (x <= min + 1 * width) return 0;
  for (int i = 1; i < intervals - 1; ++i)
    if (min + i * width < x && x <= min + (i + 1) * width) return i;
  return intervals - 1;
}

std::string EqualWidthLabel(double min, double width, int intervals, int interval, int decimals) {
  if (interval == 0) return std::string("_").append(DiscrBoundText(min + 1 * width, decimals));
  if (interval >= intervals - 1) return DiscrBoundText(min + (intervals - 1) * width, decimals) + "_";
  return DiscrBoundText(min + interval * width, decimals) + "_" + DiscrBoundText(min + (interval + 1) * width, decimals);
}

std::vector<double> EqualNumberCutPoints(std::vector<double> column, int intervals) {
  std::sort(column.begin(), column.end());
  std::vector<double> cuts;
  if (column.empty()) return cuts;
  std::vector<double> distinct = column;
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  // Fewer values than intervals: every value an interval of its own, cut between neighbours (a cut
  // belongs to the interval above it, so it lies above the lower value and at most at the upper one).
  if (distinct.size() < static_cast<std::size_t>(std::max(intervals, 1))) {
    for (std::size_t i = 1; i < distinct.size(); ++i) {
      const double a = distinct[i - 1], b = distinct[i];
      const double mid = a / 2 + b / 2;
      cuts.push_back(a < mid && mid <= b ? mid : b);
    }
    return cuts;
  }
  const std::int64_t n = Round(static_cast<double>(column.size()) / intervals);
  const std::int64_t last = static_cast<std::int64_t>(column.size()) - 1;
  for (int i = 1; i < intervals; ++i) {
    const double c = column[static_cast<std::size_t>(std::min(i * n, last))];
    // Tied values give a position the cut point of the one before it: that interval would be empty, and
    // so would the one below a cut at the smallest value.
    if (c > column.front() && (cuts.empty() || c > cuts.back())) cuts.push_back(c);
  }
  return cuts;
}

namespace {

bool IsContinuous(const TFeature& f) { return f.Kind == 'c'; }

int CountContinuous(const Workbench& wb) {
  int n = 0;
  for (const TFeature& f : wb.Features)
    if (IsContinuous(f)) ++n;
  return n;
}

void RememberKinds(Workbench& wb, DiscretizationSource source) {
  wb.DiscrFeatureKinds.clear();
  for (const TFeature& f : wb.Features) wb.DiscrFeatureKinds.push_back(f.Kind == 'c' ? 'c' : 'd');
  wb.DiscrSource = source;
}

// A test set is labelled with the training set's bounds only by their source and only when its features
// are of the kinds the bounds were made for.
void RequireHeldBounds(const Workbench& wb, DiscretizationSource source) {
  if (wb.DiscrSource == DiscretizationSource::None)
    throw WlError("No training set has been discretized: the test set cannot be labelled");
  if (wb.DiscrSource != source)
    throw WlError("The training set was discretized by another source; a test set is labelled by the same source");
  bool same = wb.DiscrFeatureKinds.size() == wb.Features.size();
  for (std::size_t f = 0; same && f < wb.Features.size(); ++f)
    same = (wb.DiscrFeatureKinds[f] == 'c') == IsContinuous(wb.Features[f]);
  if (!same) throw WlError("The features of the test set differ from those of the discretized training set");
}

// The label of a discrete feature's value: its symbol (the first whose value it is). A value that none
// lists keeps its number, or reads as missing in a symbolic feature.
std::string DiscreteLabel(const TFeature& f, double x) {
  for (std::size_t j = 0; j < f.Values.size() && j < f.Symbols.size(); ++j)
    if (f.Values[j] == x) return f.Symbols[j];
  return f.Kind == 's' ? "?" : FloatToStr(x);
}

// The labels of one continuous feature's intervals in their order.
std::vector<std::string> IntervalLabels(const Workbench& wb, std::size_t f, std::uint8_t mode) {
  std::vector<std::string> labels;
  const int decimals = wb.DiscrPrecision[f];
  if (mode == 9) {
    for (int i = 0; i < wb.DiscrIntervals; ++i)
      labels.push_back(EqualWidthLabel(wb.FeatureMin[f], wb.BinWidth[f], wb.DiscrIntervals, i, decimals));
  } else {
    const std::vector<double>& cuts = wb.DiscrCutPoints[f];
    for (std::size_t i = 0; i <= cuts.size(); ++i) labels.push_back(CutPointLabel(cuts, static_cast<int>(i), decimals));
  }
  return labels;
}

// The bounds of a continuous feature's intervals, in their order.
std::vector<double> IntervalBounds(const Workbench& wb, std::size_t f, std::uint8_t mode) {
  if (mode != 9) return f < wb.DiscrCutPoints.size() ? wb.DiscrCutPoints[f] : std::vector<double>{};
  std::vector<double> bounds;
  if (f >= wb.FeatureMin.size() || f >= wb.BinWidth.size()) return bounds;
  for (int i = 1; i < wb.DiscrIntervals; ++i) bounds.push_back(wb.FeatureMin[f] + i * wb.BinWidth[f]);
  return bounds;
}

// Bounds that differ must differ in their labels too, or the intervals between them would read back as
// one value: the decimals of the feature's labels grow from `decimals` until they do. Bounds that the
// labels' 12 significant digits cannot tell apart are refused.
int DistinctBoundDecimals(const std::string& feature, const std::vector<double>& bounds, int decimals) {
  constexpr int kMostDecimals = 15;
  std::size_t at = 0;
  auto clash = [&] {
    for (at = 1; at < bounds.size(); ++at)
      if (bounds[at] != bounds[at - 1] && DiscrBoundText(bounds[at], decimals) == DiscrBoundText(bounds[at - 1], decimals))
        return true;
    return false;
  };
  while (clash() && decimals < kMostDecimals) ++decimals;
  if (clash())
    throw WlError("Discretization of feature " + feature + ": the bounds " + FloatToStr(bounds[at - 1]) + " and " +
                  FloatToStr(bounds[at]) +
                  " agree in the 12 significant digits of the labels, so two intervals would read back as one value");
  return decimals;
}

void MakeBoundTextsDistinct(Workbench& wb, std::uint8_t mode) {
  for (std::size_t f = 0; f < wb.Features.size() && f < wb.DiscrPrecision.size(); ++f)
    if (IsContinuous(wb.Features[f]))
      wb.DiscrPrecision[f] = DistinctBoundDecimals(wb.Features[f].Name, IntervalBounds(wb, f, mode), wb.DiscrPrecision[f]);
}

void WriteFile(Workbench& wb, std::uint8_t mode) {
  WriteDiscretizedDataFile(wb, mode);
  WriteDiscretizedDataLines(wb, mode);
  CloseDiscretizedDataFile(wb);
}

// The number of features of the older file.
int OldKeptFeatures(const Workbench& wb) {
  int n = 0;
  for (const TFeature& f : wb.Features)
    if (!DiscrEliminated(f)) ++n;
  return n;
}

// The test set by the held table of the older route: the features eliminated in training (no cut
// points) are left out again.
void MarkEliminatedFeatures(Workbench& wb) {
  for (std::size_t f = 0; f < wb.Features.size(); ++f)
    if (IsContinuous(wb.Features[f]) && (f >= wb.NumCutPoints.size() || wb.NumCutPoints[f] < 1))
      wb.Features[f].Name = "n/a";
}

// Reads the discretized file back as the data set. The normalisation of the raw training set is kept:
// a raw test set read later is standardised by it before it is labelled with the same bounds.
void ReadBack(Workbench& wb, int features) {
  const auto mean = wb.FeatureMean, deviation = wb.FeatureDeviation;
  // The discretized set has no continuous feature to standardise; in testing mode the reader only checks
  // the count.
  wb.FeatureMean.assign(static_cast<std::size_t>(features), 0.0);
  wb.FeatureDeviation.assign(static_cast<std::size_t>(features), 0.0);
  try {
    ReadDataFile(wb, wb.DataFileName);
  } catch (...) {
    wb.FeatureMean = mean;
    wb.FeatureDeviation = deviation;
    throw;
  }
  wb.FeatureMean = mean;
  wb.FeatureDeviation = deviation;
}

}  // namespace

// ---- the sources

bool DiscretizeFromFile(Workbench& wb) {
  if (wb.TestingMode) {
    if (wb.DiscrSource != DiscretizationSource::File) return false;
    RequireHeldBounds(wb, DiscretizationSource::File);
    WriteFile(wb, 10);
    return true;
  }
  DiscrProgress(wb, "Discretization");
  const int precision = DiscrPrecisionField(wb);
  const std::string path = CutPointFileName(wb);
  if (!FileExists(path)) return false;
  CutPointFile file = ReadCutPointFile(path, wb.Features);
  if (!file.Any) return false;
  const std::size_t n = static_cast<std::size_t>(wb.NumOfFeatures);
  std::vector<int> decimals(n, precision);
  for (std::size_t f = 0; f < n && f < file.Points.size(); ++f)
    if (IsContinuous(wb.Features[f])) decimals[f] = DistinctBoundDecimals(wb.Features[f].Name, file.Points[f], precision);
  wb.DiscrCutCounts = std::move(file.Counts);
  wb.DiscrCutPoints = std::move(file.Points);
  wb.DiscrPrecision = std::move(decimals);
  RememberKinds(wb, DiscretizationSource::File);
  WriteFile(wb, 10);
  return true;
}

void DiscretizeEqualNumber(Workbench& wb) {
  if (wb.TestingMode) {
    RequireHeldBounds(wb, DiscretizationSource::EqualNumber);
  } else {
    const int k = DiscrIntervalsField(wb);
    const int precision = DiscrPrecisionField(wb);
    RequireDiscrVectors(wb);
    const std::size_t n = static_cast<std::size_t>(wb.NumOfFeatures);
    wb.DiscrIntervals = k;
    wb.DiscrCutCounts.assign(n, k - 1);
    wb.DiscrPrecision.assign(n, precision);
    wb.DiscrCutPoints.assign(n, {});
    std::vector<double> column(static_cast<std::size_t>(wb.NumOfVectors));
    for (std::size_t f = 0; f < n; ++f) {
      if (!IsContinuous(wb.Features[f])) continue;
      DiscrProgress(wb, "Discretization  " + wb.Features[f].Name);
      for (std::size_t v = 0; v < column.size(); ++v) column[v] = wb.Data[v][f];
      wb.DiscrCutPoints[f] = EqualNumberCutPoints(column, k);
      wb.DiscrCutCounts[f] = static_cast<int>(wb.DiscrCutPoints[f].size());  // tied values may leave fewer
    }
    RememberKinds(wb, DiscretizationSource::EqualNumber);
  }
  WriteFile(wb, 10);
}

void DiscretizeEqualDistance(Workbench& wb) {
  if (wb.TestingMode) {
    RequireHeldBounds(wb, DiscretizationSource::EqualDistance);
  } else {
    const int k = DiscrIntervalsField(wb);
    const int precision = DiscrPrecisionField(wb);
    RequireDiscrVectors(wb);
    const std::size_t n = static_cast<std::size_t>(wb.NumOfFeatures);
    wb.DiscrIntervals = k;
    wb.FeatureMin.assign(n, 0.0);
    wb.FeatureMax.assign(n, 0.0);
    wb.BinWidth.assign(n, 0.0);
    wb.DiscrPrecision.assign(n, precision);
    for (std::size_t f = 0; f < n; ++f) {
      if (!IsContinuous(wb.Features[f])) continue;
      double lo = wb.Data[0][f], hi = lo;
      for (int v = 1; v < wb.NumOfVectors; ++v) {
        lo = std::min(lo, wb.Data[static_cast<std::size_t>(v)][f]);
        hi = std::max(hi, wb.Data[static_cast<std::size_t>(v)][f]);
      }
      wb.FeatureMin[f] = lo;
      wb.FeatureMax[f] = hi;
      // A constant feature has width 0: every value is in the first interval.
      wb.BinWidth[f] = (hi - lo) / k;
    }
    RememberKinds(wb, DiscretizationSource::EqualDistance);
  }
  WriteFile(wb, 9);
}

// ---- the discretized data-set file

void WriteDiscretizedDataFile(Workbench& wb, std::uint8_t mode) {
  MakeBoundTextsDistinct(wb, mode);
  // A data set read without the file dialog has no prefix yet; its files go to the results folder all
  // the same.
  if (wb.ResultsPrefix.empty()) MakeResultsPrefix(wb);
  std::string name = wb.ResultsPrefix + (wb.TestingMode ? "_tstd" : "_trnd");
  if (wb.CVFoldNo >= 0) name += IntToStr(wb.CVFoldNo);
  name += ".dat";
  wb.DiscretizedFileName = name;
  wb.DataFileName = name;

  std::string& out = wb.DiscretizedFile;
  out.clear();
  out += mode == 9 ? "#discretization v. 09 February 2005\n" : "#discretization v. 10 February 2005\n";
  out += "Number of features = " + IntToStr(wb.NumOfFeatures + 1) + "\n";
  out += "Number of Vectors = " + IntToStr(wb.NumOfVectors) + "\n";
  out += "Class Column No = " + IntToStr(wb.NumOfFeatures + 1) + "\n";
  for (std::size_t f = 0; f < static_cast<std::size_t>(wb.NumOfFeatures); ++f) {
    const TFeature& feature = wb.Features[f];
    const bool continuous = IsContinuous(feature);
    const std::vector<std::string> labels = continuous ? IntervalLabels(wb, f, mode) : feature.Symbols;
    out += "Feature[" + IntToStr(static_cast<std::int64_t>(f) + 1) + "] = " + feature.Name + "   discrete  " +
           IntToStr(static_cast<std::int64_t>(labels.size())) + "     ";
    for (std::size_t i = 0; i < labels.size(); ++i) {
      out += labels[i];
      // Cut-point labels are separated, the others each followed, by two blanks.
      if (!(continuous && mode != 9 && i + 1 == labels.size())) out += "  ";
    }
    out += "\n";
  }
  out += "Feature[" + IntToStr(wb.NumOfFeatures + 1) + "] = class   discrete  " + IntToStr(wb.NumOfClasses) + "   ";
  for (int c = 0; c < wb.NumOfClasses; ++c) out += IntToStr(c) + "  ";
  out += "\n\n[DATA]\n";
}

void WriteDiscretizedDataLines(Workbench& wb, std::uint8_t mode) {
  const std::size_t nf = static_cast<std::size_t>(wb.NumOfFeatures);
  // Every interval's label once; the lines only pick them.
  std::vector<std::vector<std::string>> labels(nf);
  for (std::size_t f = 0; f < nf; ++f)
    if (IsContinuous(wb.Features[f])) labels[f] = IntervalLabels(wb, f, mode);
  std::string& out = wb.DiscretizedFile;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    const std::vector<double>& row = wb.Data[static_cast<std::size_t>(v)];
    for (std::size_t f = 0; f < nf; ++f) {
      const TFeature& feature = wb.Features[f];
      if (!IsContinuous(feature)) {
        out += DiscreteLabel(feature, row[f]);
      } else if (mode == 9) {
        out += labels[f][static_cast<std::size_t>(
            EqualWidthInterval(wb.FeatureMin[f], wb.BinWidth[f], wb.DiscrIntervals, row[f]))];
      } else {
        out += labels[f][static_cast<std::size_t>(CutPointInterval(wb.DiscrCutPoints[f], row[f]))];
      }
      out += "  ";
    }
    out += "     " + IntToStr(wb.VectorClass[static_cast<std::size_t>(v)]) + "\n";
  }
}

void CloseDiscretizedDataFile(Workbench& wb) {
  const std::string dir = wb.DiscretizedFileName.substr(0, wb.DiscretizedFileName.find_last_of('/'));
  if (!dir.empty() && dir != wb.DiscretizedFileName) EnsureDirectory(dir);
  WriteFileAtomically(wb.DiscretizedFileName, wb.DiscretizedFile);
  wb.DiscretizedFile.clear();
  wb.DiscretizedFile.shrink_to_fit();
}

// ---- the one entry

DiscretizationOutcome DiscretizeContinuousFeatures(Workbench& wb, bool lUnits) {
  if (CountContinuous(wb) == 0) return DiscretizationOutcome::NoContinuous;
  // The L-units read the values themselves: their intervals are the runs of the set in memory, whatever
  // the source chosen, and a test set needs no labels.
  if (lUnits) {
    if (!wb.TestingMode) {
      MakeResultsFileName(wb);
      FillDiscretizationTable(wb);
    }
    return DiscretizationOutcome::NotReadBack;
  }
  // What the routes change of the data set before it is read back.
  const std::string dataFileName = wb.DataFileName;
  const std::vector<TFeature> features = wb.Features;
  try {
    bool written = true;
    if (wb.TestingMode) {
      switch (wb.DiscrSource) {
        case DiscretizationSource::None:
          throw WlError("No training set has been discretized: the test set cannot be labelled");
        case DiscretizationSource::File: DiscretizeFromFile(wb); break;
        case DiscretizationSource::EqualNumber: DiscretizeEqualNumber(wb); break;
        case DiscretizationSource::EqualDistance: DiscretizeEqualDistance(wb); break;
        case DiscretizationSource::Joined:
          RequireHeldBounds(wb, DiscretizationSource::Joined);
          written = !lUnits;
          if (written) {
            MarkEliminatedFeatures(wb);
            WriteDiscretizedDataFileOld(wb);
          }
          break;
      }
    } else if (DiscretizeFromFile(wb)) {
    } else if (wb.Form1.EqNumberButton.Checked()) {
      DiscretizeEqualNumber(wb);
    } else if (wb.Form1.EqDistanceButton.Checked()) {
      DiscretizeEqualDistance(wb);
    } else {
      MakeResultsFileName(wb);
      FillDiscretizationTable(wb);
      written = !lUnits;
      if (written) WriteDiscretizedDataFileOld(wb);
    }
    if (!written || lUnits) return DiscretizationOutcome::NotReadBack;
    const bool old = wb.DiscrSource == DiscretizationSource::Joined;
    ReadBack(wb, old ? OldKeptFeatures(wb) : wb.NumOfFeatures);
    return DiscretizationOutcome::ReadBack;
  } catch (...) {
    wb.DataFileName = dataFileName;
    wb.Features = features;
    throw;
  }
}

}  // namespace wl

#pragma once
// Discretization of the continuous features. Step-function networks and their rules work on discrete
// inputs, so every continuous feature becomes a discrete feature whose values are intervals; the result is
// written as a new data-set file, which is then read back as the data set.
//
// Sources of the interval bounds, tried in this order:
//   1. cut points from the discretization file ProgramDir/<DiscrFileEdit>.txt ("fnumber"/"fdiv" blocks);
//   2. "Equal Number" (EqNumberButton): slEdit intervals holding equal numbers of vectors;
//   3. "Equal Distance" (EqDistanceButton): slEdit intervals of equal width;
//   4. "Eq. Dist. + Join": the older route, runs of equal-width bins of one majority class, optionally
//      without the features whose classes overlap too much (OverlapBox), and the older file layout.
// While TestingMode is set no bounds are computed: the test set is labelled by the source and with the
// bounds of the training set discretized last.
//
// Failures: a field that is not a whole number in range (slEdit 2..999, PrecEdit1 0..15) throws
// ConvertError naming the field; a faulty cut-point file throws FileError naming the file, the line and the
// feature; a test set that cannot be labelled like its training set throws WlError. Nothing is written then
// and the data set stays as it was.
#include <cstdint>
#include <string>
#include <vector>

#include "state/dataset.h"

namespace wl {

struct Workbench;

enum class DiscretizationOutcome {
  NoContinuous,  // the data set has no continuous feature: nothing done
  ReadBack,      // the discretized file is the current data set (and DataFileName)
  NotReadBack,   // L-units: the bounds are held (a file may be written) and the data set is unchanged
};

// The one entry of the SMLP runs and the rules report: chooses the source in the order above and reads
// the discretized file back. With lUnits (the L-unit networks) the table of the older route is built
// from the set in memory whatever the source chosen (the caller initialises the L-unit network from
// CutPoints), nothing is written or read back, and a test set is left as it is.
DiscretizationOutcome DiscretizeContinuousFeatures(Workbench& wb, bool lUnits = false);

// Source 1. False (nothing written, no bound changed) when the cut-point file does not exist or holds
// no cut point of a continuous feature. In testing mode it writes the test set's file with the held cut
// points when they came from a cut-point file, and returns false otherwise.
bool DiscretizeFromFile(Workbench& wb);
// Sources 2 and 3: compute the bounds (unless in testing mode) and write the discretized file.
void DiscretizeEqualNumber(Workbench& wb);
void DiscretizeEqualDistance(Workbench& wb);

// The discretized data-set file: WriteDiscretizedDataFile names it (ResultsPrefix + "_trnd", or "_tstd"
// in testing mode, + the crossvalidation fold when CVFoldNo >= 0, + ".dat"), makes it DataFileName and
// writes its header ending in "[DATA]"; mode 9 labels equal-width intervals, any other mode cut-point
// intervals. WriteDiscretizedDataLines adds one line per vector; CloseDiscretizedDataFile writes the file.
void WriteDiscretizedDataFile(Workbench& wb, std::uint8_t mode);
void WriteDiscretizedDataLines(Workbench& wb, std::uint8_t mode);
void CloseDiscretizedDataFile(Workbench& wb);

// Source 4, in its order. MakeResultsFileName: the per-class ranges FeatureClassMin/FeatureClassMax, the
// results folder, ResultsFileName := the second of the year. FillDiscretizationTable: CutPoints and
// NumCutPoints; a feature eliminated for overlap is renamed "n/a". WriteDiscretizedDataFileOld: the file
// DataFileName + "d" in the older layout, without the "n/a" features.
void MakeResultsFileName(Workbench& wb);
void FillDiscretizationTable(Workbench& wb);
void WriteDiscretizedDataFileOld(Workbench& wb);

// ---- pure helpers

// A bound as the labels write it: fixed notation with `decimals` decimals, 12 significant digits.
std::string DiscrBoundText(double b, int decimals);

// Cut-point intervals (lower bounds belong to the interval): x < c0 is interval 0, c(i-1) <= x < c(i)
// interval i, x >= c(K-1) interval K. Labels "_c0", "c(i-1)_c(i)", "c(K-1)_"; without a cut point the one
// interval is "_".
int CutPointInterval(const std::vector<double>& cuts, double x);
std::string CutPointLabel(const std::vector<double>& cuts, int interval, int decimals);

// Equal-width intervals with b_i = min + i * width (upper bounds belong to the interval): x <= b_1 is
// interval 0, b_i < x <= b_(i+1) interval i for 0 < i < K-1, any larger x interval K-1. Labels "_b1",
// "b_i_b(i+1)", "b(K-1)_".
int EqualWidthInterval(double min, double width, int intervals, double x);
std::string EqualWidthLabel(double min, double width, int intervals, int interval, int decimals);

// The equal-number cut points of one column: point i - 1 is the sorted value at position i * n,
// n = round(N / K) halves to even, i = 1 .. K - 1; a position beyond the last vector takes the last vector.
// A point that would leave an interval empty (tied values repeating the point before, or a point at the
// smallest value) is left out, so that the points ascend strictly and every interval holds a value. With
// fewer distinct values than K intervals the points lie midway between neighbouring values instead:
// each value its own interval (a constant column has no point and one interval).
std::vector<double> EqualNumberCutPoints(std::vector<double> column, int intervals);

// The older route's bin of x (0 .. K-1): trunc((x - min) / width); the maximum falls into the last bin,
// and a constant feature (width 0) has every value in bin 0.
int JoinBin(double min, double width, int intervals, double x);
// The number of (bin, ordered pair of different classes) with both counts at least 1; counts[c][b].
int OverlapCount(const std::vector<std::vector<int>>& counts);

// The cut-point file read for a data set's features: per feature the count and the points of its block.
struct CutPointFile {
  std::vector<int> Counts;
  std::vector<std::vector<double>> Points;
  bool Any = false;  // at least one cut point of a continuous feature
};
// The file's name: ProgramDir + "/" + the trimmed text of DiscrFileEdit + ".txt".
std::string CutPointFileName(const Workbench& wb);
// Reads an existing cut-point file. Blocks of features that are not continuous are ignored; a block sets
// its feature's cut points, so a later block of the same feature replaces the earlier one. Throws
// FileError (naming the file, the line and the feature) for a feature number outside the data set, a
// continuous feature's block without a usable "fdiv" line, a value that does not convert, cut points that
// are not strictly ascending, a file that ends inside a block, a file that holds no "fnumber" line nor an
// "include" list (empty, junk, binary), and, when the file gives any cut point, a continuous feature
// without a block.
CutPointFile ReadCutPointFile(const std::string& path, const std::vector<TFeature>& features);

}  // namespace wl

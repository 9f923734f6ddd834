#pragma once
// The result report of the current network on the current data set: the run's parameters, the training
// time, the standard and the class-balanced ("normalized") accuracy, the confusion matrix, an optional
// per-vector listing and the weight listing. Reports are written into ResultsFile and shown in the
// editor. Report names are the results prefix + "_rs" (or "_rn" with the weighted error) + "-trn.txt",
// "-tst.txt" (validation set) or "-cv.txt" (crossvalidation).
#include <cstdint>
#include <string>
#include <string_view>

namespace wl {

struct Workbench;
struct DataSetState;

// The prediction of the confusion matrix: the output with the greatest signal, the first of equal ones,
// provided that signal is above 0.0; numOfClasses when no output is above 0.0.
int ConfusionPrediction(const double* y, int outputs, int numOfClasses);

// The prediction of the per-vector listing: the running maximum starts at 0.1; an output strictly above
// it becomes the prediction, and an output after the first that equals it leaves no prediction (until a
// later, greater one). -1 when there is none.
int ListingPrediction(const double* y, int outputs);

// The report suffix: "_rn" when weightedError, else "_rs"; then "-cv.txt" for mode 12, "-tst.txt" for
// mode 2, else "-trn.txt".
std::string ResultReportSuffix(bool weightedError, std::uint8_t mode);

// Writes the result report in the given mode:
//   0 (and any mode not listed) ResultsFileName, or prefix + suffix when none is prepared; not shown
//   1 training set: prefix + suffix, always fresh; shown in the editor
//   2 validation set: asks for the set first (the set replaces the current data set); as mode 0, shown
//   3 as mode 0, shown
//   4 prefix + suffix, appended to when it exists; the file written is shown
//   5 as mode 0
//   12 a crossvalidation fold: prefix + "-cv.txt", appended to when it exists
// While InCrossvalidation is set no mode opens, closes or shows a file, and no parameter file is written:
// the report goes into the ResultsFile the crossvalidation run holds open. The parameter file is written
// first otherwise. ResultsFileName is cleared at the end.
// Refused with a message (false, nothing written) without a data set or a network, and in mode 2 for a
// validation set whose inputs or classes do not match the network (the current data set then stays).
// False also when the validation-set dialog is cancelled. Throws FileError when the file cannot be
// written, and the errors of the evaluation. `after`, when given, writes further lines into the open
// report after the weight listing (Compare Rules: the rules of the network).
bool WriteResultFile(Workbench& wb, std::uint8_t mode, void (*after)(Workbench& wb) = nullptr);

// The listings, written into the open ResultsFile with ListingDigits decimals.
void WriteVectorListing(Workbench& wb);
void WriteWeightListing(Workbench& wb);

// ResultsFile: opened (appending, or created and truncated), one line written, closed. Each throws
// FileError naming the file when the operation fails.
void OpenResultsFile(Workbench& wb, const std::string& path, bool append);
void WriteResultsLine(Workbench& wb, std::string_view line);
void CloseResultsFile(Workbench& wb);

// The class-balancing weights of the current data set, which a set read in testing mode does not get
// from the reader: each vector weighs NumOfVectors / (vectors of its class x the classes present).
void BalanceClasses(Workbench& wb);

// The reason a validation set cannot be evaluated by the current network ("" when it can): its coded
// inputs or its classes differ from the network's, or its features are coded otherwise than those of the
// set the network was trained on (trainingSet, when that set fits the network).
std::string ValidationSetMismatch(const Workbench& wb, const DataSetState& trainingSet);

}  // namespace wl

#pragma once
// The data-set file: its reader, the file choice of the menus, the whitespace tokenizer shared by the
// readers of text files, and the normalisation of the continuous features.
//
// Layout: header lines ("Number of features = ", "Number of Vectors = ", "Class Column No = ",
// "missing value = ", one "Feature[i] = ..." line per input feature and one for the class), a line
// "[DATA]", then one row per vector.
#include <cstdint>
#include <string>
#include <string_view>

#include "state/dataset.h"

namespace wl {

class Platform;
struct Workbench;

// Lets the user choose a data-set file (the validation-set dialog while TestingMode is set, else the
// data-set dialog) and reads it. On a file read whole: DataFileName, the captions of Label55 and Label56,
// the results prefix and the data set are replaced. Returns false when the dialog is cancelled (nothing
// changed). A file that cannot be read throws FileError and changes nothing. `which` is 0 for every
// caller.
bool OpenDataFile(Workbench& wb, std::uint8_t which = 0);

// Reads a data-set file into the data set: a new data set is built and replaces the current one only
// when the whole file was read; then ParamText[0] (and ParamText[9] when normalised), the caption of
// Label18 and ResultsFileName are written. On any fault of the file it throws FileError, naming the file
// and the line, and the current data set, its labels and its name stay as they were.
// Reads FApproxBox (function approximation), NormCheck (normalisation) and TestingMode.
void ReadDataFile(Workbench& wb, const std::string& fileName);

// The data set together with what reading a data file (or making a results prefix for it) replaces
// beside it: the results prefix and file name, the parameter lines of the data set and of the
// normalisation, and the caption of Label18. A command that reads another set and then refuses puts the
// one before back with Restore, which makes it the same set again (its identity included).
class DataSetKept {
 public:
  explicit DataSetKept(const Workbench& wb);
  void Restore(Workbench& wb) const;
  const DataSetState& DataSet() const { return data_; }

 private:
  DataSetState data_;
  std::string resultsPrefix_, resultsFileName_, paramDataSet_, paramNormalisation_, caption_;
};

// The next token of ds.DataLine from ds.DataLinePos (1-based): blanks and control characters are
// skipped, the following run of other characters is returned and DataLinePos is left on the character
// after it. At the end of the line: "".
std::string NextDataLineToken(DataSetState& ds);

// True when every character is a digit or "."; true for "" too. A sign or an exponent makes a token
// not a number.
bool IsNumber(std::string_view s);

// One value standardised by a feature's mean and deviation: the one formula of training and testing
// files, so that equal values give equal numbers in either.
double NormalizedValue(double x, long double mean, long double deviation);

// Standardises the continuous features of the current data set with their mean and sample standard
// deviation (stored in FeatureMean and FeatureDeviation); a constant feature is reported and left raw.
// Sets ParamText[9].
void NormalizeFeatures(Workbench& wb);

// The same on a data set that is not (yet) the program's; messages go to the platform.
void NormalizeFeatures(DataSetState& ds, Platform& plat);

}  // namespace wl

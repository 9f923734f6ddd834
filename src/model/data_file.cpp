#include "model/data_file.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>

#include "model/class_weights.h"
#include "model/results_prefix.h"
#include "model/run_status.h"
#include "state/training_parts.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace wl {
namespace {

// The most neurons a layer can have: the trainers select a layer's neurons through NeuronSelect, whose
// 1024 entries the start-up and the parameter reading size ("Selected neuron" 0 to 1023).
constexpr int kMaxLayerNeurons = 1024;

const char* const kNormalizationText = "Normalization  F[v] := (F[v]-F_mean)/Std_dev";

// Blanks, tabs and the other control characters separate tokens; bytes of UTF-8 text do not.
bool IsSeparator(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Lower-cases the line and removes separators at both ends, in place.
void LowerTrim(std::string& s) {
  std::size_t end = s.size();
  while (end > 0 && IsSeparator(s[end - 1])) --end;
  s.erase(end);
  std::size_t begin = 0;
  while (begin < s.size() && IsSeparator(s[begin])) ++begin;
  s.erase(0, begin);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

std::string_view TrimSeparators(std::string_view s) {
  while (!s.empty() && IsSeparator(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSeparator(s.back())) s.remove_suffix(1);
  return s;
}

// The token of `line` at or after `pos` (0-based); pos is left on the separator after it.
std::string_view NextToken(std::string_view line, std::size_t& pos) {
  while (pos < line.size() && IsSeparator(line[pos])) ++pos;
  const std::size_t start = pos;
  while (pos < line.size() && !IsSeparator(line[pos])) ++pos;
  return line.substr(start, pos - start);
}

bool StartsWith(const std::string& line, std::string_view key) { return line.compare(0, key.size(), key) == 0; }

std::string Quoted(std::string_view s) { return QuotedText(s); }

struct ReadOptions {
  bool FunctionApproximation = false;  // FApproxBox: the class column holds a real target
  bool Testing = false;                // TestingMode: keep the training file's normalisation, no weights
  bool Normalize = false;              // NormCheck
};

// Reads one data-set file into a data set of its own. Every fault of the file ends the read with a
// FileError naming the file and the line; the caller's data set is never touched.
class DataFileReader {
 public:
  DataFileReader(std::string fileName, const ReadOptions& options, Platform& plat)
      : fileName_(std::move(fileName)), opt_(options), plat_(plat) {}

  // Fills ds, which holds on entry what carries over from the current data set. True when the features
  // were normalised by NormalizeFeatures.
  bool Read(DataSetState& ds) {
    if (!FileExists(fileName_)) throw FileError("Cannot open data file " + fileName_);
    if (!in_.Open(fileName_)) throw FileError("Cannot open data file " + fileName_);

    ds.AllContinuous = true;
    ReadHeader(ds);
    CheckHeader(ds);
    ReadRows(ds);

    const int n = ds.NumOfVectors;
    if (!opt_.Testing) {
      ds.VectorWeight = BalancedVectorWeights(ds.VectorClass, n, ds.NumOfClasses);
    } else {
      ds.VectorWeight.resize(static_cast<std::size_t>(n), 0.0);
    }
    ds.VectorErrorTerm.assign(static_cast<std::size_t>(n), 0.0);
    ds.HidPerOut.resize(static_cast<std::size_t>(ds.NumOfClasses), 0);

    if (!opt_.Normalize) return false;
    if (!opt_.Testing) {
      NormalizeFeatures(ds, plat_);
      return true;
    }
    // A test or validation file takes the training file's mean and deviation, in the same arithmetic.
    for (int f = 0; f < ds.NumOfFeatures; ++f) {
      const long double m = ds.FeatureMean[f], d = ds.FeatureDeviation[f];
      if (ds.Features[f].Kind != 'c' || !(d > 0)) continue;
      for (auto& row : ds.Data) row[f] = NormalizedValue(row[f], m, d);
    }
    return false;
  }

 private:
  [[noreturn]] void Fail(const std::string& reason, int line = 0) const {
    throw FileError("Data file " + fileName_ + ", line " + IntToStr(line ? line : lineNo_) + ": " + reason);
  }

  bool NextLine(std::string& line) {
    if (!in_.Next(line)) {
      if (in_.Failed()) Fail("the file cannot be read", lineNo_ + 1);
      return false;
    }
    ++lineNo_;
    return true;
  }

  // The whole number after the first "=" of a header line; "?" reads as 0.
  int HeaderValue(const std::string& line, int minimum) {
    const std::size_t eq = line.find('=');
    const std::string_view text =
        eq == std::string::npos ? std::string_view() : TrimSeparators(std::string_view(line).substr(eq + 1));
    std::int32_t value = 0;
    if (text != "?" && !TryStrToInt(text, value))
      Fail("the value " + Quoted(text) + " is not a whole number");
    if (value < minimum) Fail("the value " + Quoted(text) + " must be at least " + IntToStr(minimum));
    return value;
  }

  void ReadHeader(DataSetState& ds) {
    std::string line;
    while (NextLine(line)) {
      LowerTrim(line);
      if (line == "[data]") return;
      // Keys are told apart by their first characters only, so "Number of vectors in file = 150" counts.
      if (StartsWith(line, "number of feat")) {
        ds.NumOfFeatures = HeaderValue(line, 1) - 1;
        featuresLine_ = lineNo_;
      } else if (StartsWith(line, "number of vect")) {
        ds.NumOfVectors = HeaderValue(line, 0);
      } else if (StartsWith(line, "class column ")) {
        ds.ClassColumnNo = HeaderValue(line, std::numeric_limits<int>::min());
        classColumnLine_ = lineNo_;
      } else if (StartsWith(line, "missing valu")) {
        ds.MissingValue = HeaderValue(line, std::numeric_limits<int>::min());
      } else if (StartsWith(line, "feature[")) {
        ParseFeatureLine(ds, line);
      }
      // Anything else (comments, "#" marks, blank lines) is not part of the header.
    }
    if (in_.Empty()) throw FileError("Data file " + fileName_ + " is empty");
    Fail("no \"[DATA]\" line: the header runs to the end of the file");
  }

  // The count after `word` (found from `from` on) and the position after the count.
  int CountAfter(const std::string& line, std::string_view word, std::size_t at, std::size_t& pos,
                 const std::string& what) {
    pos = at + word.size();
    const std::string_view count = NextToken(line, pos);
    std::int32_t k = 0;
    if (!TryStrToInt(count, k) || k < 1)
      Fail(what + ": the number of values after \"" + std::string(word) + "\" must be a whole number of at least 1, not " +
           Quoted(count));
    return k;
  }

  void ParseFeatureLine(DataSetState& ds, const std::string& line) {
    // "class" from the ninth character on marks the class description, whatever stands before it.
    const std::size_t classAt = line.find("class", 8);
    if (classAt != std::string::npos) return ParseClassLine(ds, line, classAt);

    TFeature f;
    const std::size_t eq = line.find('=');
    std::size_t pos = eq == std::string::npos ? 8 : eq + 1;
    if (eq != std::string::npos) f.Name = std::string(NextToken(line, pos));
    // The type word is looked for after the name, so that a name may contain it.
    const std::size_t continuousAt = line.find("continuous", pos);
    const std::size_t discreteAt = line.find("discrete", pos);
    if (discreteAt != std::string::npos && (continuousAt == std::string::npos || discreteAt < continuousAt)) {
      f.Kind = 'd';
      ds.AllContinuous = false;
      f.NValues = CountAfter(line, "discrete", discreteAt, pos, "feature " + f.Name);
      for (int j = 0; j < f.NValues; ++j) {
        const std::string_view token = NextToken(line, pos);
        if (token.empty())
          Fail("feature " + f.Name + " lists " + IntToStr(j) + " of its " + IntToStr(f.NValues) + " values");
        double value = j;
        if (IsNumber(token)) {
          if (!TryStrToFloat(token, value)) Fail(Quoted(token) + " is not a valid floating point value");
        } else {
          f.Kind = 's';  // a value that is not a plain number makes the feature symbolic
        }
        f.Values.push_back(value);
        f.Symbols.emplace_back(token);
      }
      DropRepeatedValues(f);
    } else if (continuousAt == std::string::npos) {
      // Reading goes on; the feature reads its column as numbers, as a continuous one.
      plat_.ShowMessage("No feature type! ");
    }
    ds.Features.push_back(std::move(f));
    featureLines_.push_back(lineNo_);
  }

  // A value listed again (the same number, or for a symbolic feature the same symbol) is one value: the
  // first listing codes it, and the repeat adds no input that a vector could make hot beside it.
  static void DropRepeatedValues(TFeature& f) {
    std::size_t kept = 0;
    for (std::size_t j = 0; j < f.Values.size(); ++j) {
      bool repeat = false;
      for (std::size_t i = 0; i < kept && !repeat; ++i)
        repeat = f.Kind == 's' ? f.Symbols[i] == f.Symbols[j] : f.Values[i] == f.Values[j];
      if (repeat) continue;
      f.Values[kept] = f.Values[j];
      f.Symbols[kept] = f.Symbols[j];
      ++kept;
    }
    f.Values.resize(kept);
    f.Symbols.resize(kept);
    f.NValues = static_cast<int>(kept);
  }

  void ParseClassLine(DataSetState& ds, const std::string& line, std::size_t classAt) {
    classLine_ = lineNo_;
    if (opt_.FunctionApproximation) {
      ds.NumOfClasses = 1;
      return;
    }
    const std::size_t discreteAt = line.find("discrete", classAt + 5);
    if (discreteAt == std::string::npos)
      Fail("the class line gives no \"discrete\" and number of classes (for a function-approximation set "
           "check \"Function Approximation\")");
    std::size_t pos = 0;
    ds.NumOfClasses = CountAfter(line, "discrete", discreteAt, pos, "the class line");
    // Checked before any table is sized by it: a network has an output neuron per class.
    if (ds.NumOfClasses > kMaxLayerNeurons)
      Fail("the class line gives " + IntToStr(ds.NumOfClasses) + " classes; a network can have at most " +
           IntToStr(kMaxLayerNeurons) + " (one output neuron per class)");
    // The labels are not stored: a label "0" means labels 0..K-1, else they run 1..K.
    labelZero_ = false;
    for (int j = 0; j < ds.NumOfClasses; ++j) {
      const std::string_view label = NextToken(line, pos);
      if (label.empty()) break;
      if (label == "0") labelZero_ = true;
    }
  }

  void CheckHeader(DataSetState& ds) {
    const int lines = static_cast<int>(ds.Features.size());
    const std::string featuresKey = "\"Number of features = " + IntToStr(ds.NumOfFeatures + 1) + "\"";
    if (lines > ds.NumOfFeatures)
      Fail("one feature line more than the " + IntToStr(ds.NumOfFeatures) + " input features of " + featuresKey +
               " (the count includes the class column)",
           featureLines_[static_cast<std::size_t>(ds.NumOfFeatures)]);
    if (lines < ds.NumOfFeatures)
      Fail(IntToStr(lines) + " feature lines for the " + IntToStr(ds.NumOfFeatures) + " input features of " +
               featuresKey + " (the count includes the class column)",
           featuresLine_);
    if (!classLine_) {
      if (!opt_.FunctionApproximation)
        Fail("no class line (\"Feature[" + IntToStr(ds.NumOfFeatures + 1) + "] = Class  discrete  \" and the classes)");
      ds.NumOfClasses = 1;
    }
    if (ds.ClassColumnNo < 1 || ds.ClassColumnNo > ds.NumOfFeatures + 1)
      Fail("class column " + IntToStr(ds.ClassColumnNo) + " lies outside the rows of " + IntToStr(ds.NumOfFeatures + 1) +
               " columns",
           classColumnLine_);
    if (opt_.Testing && opt_.Normalize && static_cast<int>(ds.FeatureMean.size()) != ds.NumOfFeatures)
      Fail(IntToStr(ds.NumOfFeatures) + " input features, but the normalisation of the training set has " +
           IntToStr(static_cast<std::int64_t>(ds.FeatureMean.size())));
    // A first character can name every class only up to 9 classes 1..K or 10 classes 0..K-1; beyond
    // that the whole label is read, or classes 1 and 10 would merge.
    classOffset_ = labelZero_ ? 0 : -1;
    firstCharacterLabels_ = labelZero_ ? ds.NumOfClasses <= 10 : ds.NumOfClasses <= 9;
    classColumn_ = ds.ClassColumnNo - 1;
  }

  void ReadRows(DataSetState& ds) {
    const std::size_t n = static_cast<std::size_t>(ds.NumOfVectors);
    // The header's count is not trusted with memory before the rows bear it out.
    const std::size_t reserve = std::min<std::size_t>(n, 1 << 16);
    ds.Data.reserve(reserve);
    ds.VectorClass.reserve(reserve);
    if (opt_.FunctionApproximation) ds.TargetValue.reserve(reserve);
    ds.VectorsPerClass.assign(static_cast<std::size_t>(ds.NumOfClasses), 0);

    std::string line;
    int row = -1;
    while (NextLine(line)) {
      LowerTrim(line);
      if (line.empty()) continue;  // blank lines hold no vector
      ++row;
      if (row >= ds.NumOfVectors)
        Fail("more rows than the " + IntToStr(ds.NumOfVectors) + " vectors of \"Number of Vectors = " +
             IntToStr(ds.NumOfVectors) + "\"");
      std::swap(ds.DataLine, line);
      ParseDataLine(ds);
    }
    if (row + 1 < ds.NumOfVectors)
      Fail("the file ends after " + IntToStr(row + 1) + " rows, but \"Number of Vectors = " +
           IntToStr(ds.NumOfVectors) + "\" announces more");
  }

  // One row of ds.DataLine: the class (or target) at the class column, the features in order around it.
  void ParseDataLine(DataSetState& ds) {
    const std::string_view line = ds.DataLine;
    std::size_t pos = 0;
    std::vector<double> cells(static_cast<std::size_t>(ds.NumOfFeatures));
    int cls = 0;
    double target = 0;
    std::size_t f = 0;
    for (int column = 0; column <= ds.NumOfFeatures; ++column) {
      std::string_view token = NextToken(line, pos);
      if (token.empty())
        Fail("the row has " + IntToStr(column) + " values; " + IntToStr(ds.NumOfFeatures + 1) + " are needed");
      if (column == classColumn_) {
        if (opt_.FunctionApproximation) {
          if (!TryStrToFloat(token, target)) Fail(Quoted(token) + " is not a valid floating point value");
        } else {
          cls = ClassOf(token, ds.NumOfClasses);
        }
        continue;
      }
      const TFeature& feature = ds.Features[f];
      const bool missing = token == "?";
      if (missing) token = "0";  // the missing value reads as 0
      double& cell = cells[f];
      if (feature.Kind == 's') {
        bool found = false;
        for (std::size_t j = 0; j < feature.Symbols.size(); ++j)
          if (feature.Symbols[j] == token) {
            cell = feature.Values[j];
            found = true;
          }
        if (!found && !missing)
          Fail(Quoted(token) + " is none of the values listed for feature " + feature.Name);
      } else if (!TryStrToFloat(token, cell)) {
        Fail(Quoted(token) + " is not a valid floating point value");
      }
      ++f;
    }
    ds.DataLinePos = static_cast<int>(pos) + 1;
    ds.Data.push_back(std::move(cells));
    ds.VectorClass.push_back(cls);
    if (opt_.FunctionApproximation) ds.TargetValue.push_back(target);
    ds.VectorsPerClass[static_cast<std::size_t>(cls)] += 1;
  }

  int ClassOf(std::string_view label, int classes) {
    std::int32_t value = 0;
    const bool ok = firstCharacterLabels_ ? (label[0] >= '0' && label[0] <= '9') : TryStrToInt(label, value);
    if (!ok) Fail("the class label " + Quoted(label) + " is not a class number");
    if (firstCharacterLabels_) value = label[0] - '0';
    const std::int64_t cls = std::int64_t{value} + classOffset_;
    if (cls < 0 || cls >= classes)
      Fail("the class label " + Quoted(label) + " names none of the classes " +
           (classOffset_ ? "1.." + IntToStr(classes) : "0.." + IntToStr(classes - 1)));
    return static_cast<int>(cls);
  }

  std::string fileName_;
  ReadOptions opt_;
  Platform& plat_;
  TextLineReader in_;
  int lineNo_ = 0;
  int featuresLine_ = 0, classColumnLine_ = 0, classLine_ = 0;
  std::vector<int> featureLines_;
  bool labelZero_ = false;
  int classOffset_ = -1;
  bool firstCharacterLabels_ = true;
  int classColumn_ = 0;
};

// Reads the file into a new data set that carries over what a read keeps of the current one.
DataSetState LoadDataSet(Workbench& wb, const std::string& fileName, bool& normalised) {
  wb.Plat.ProcessEvents();
  const ReadOptions opt{wb.Form1.FApproxBox.Checked(), wb.TestingMode, wb.Form1.NormCheck.Checked()};
  DataSetState ds;
  ds.DataFileName = wb.DataFileName;
  ds.DataBaseName = wb.DataBaseName;
  ds.FeatureMean = wb.FeatureMean;  // replaced only when a training file is normalised
  ds.FeatureDeviation = wb.FeatureDeviation;
  ds.HidPerOut = wb.HidPerOut;      // the parameter reader fills it; a read only resizes it
  if (opt.Testing) ds.VectorWeight = wb.VectorWeight;  // a test file computes no weights
  normalised = DataFileReader(fileName, opt, wb.Plat).Read(ds);
  ds.Normalised = opt.Normalize;  // a test file takes the training file's normalisation
  return ds;
}

void InstallDataSet(Workbench& wb, DataSetState&& ds, const std::string& fileName, bool normalised) {
  static_cast<DataSetState&>(wb) = std::move(ds);
  NewDataSetIdentity(wb);
  wb.ParamText[0] = "Data Set:  " + fileName;
  if (normalised) wb.ParamText[9] = kNormalizationText;
  wb.Form1.Label18.SetCaption(FileNameOf(fileName));
  wb.Form1.Label18.Repaint();
  wb.ResultsFileName.clear();
}

}  // namespace

bool OpenDataFile(Workbench& wb, std::uint8_t which) {
  FileDialog& dialog = wb.TestingMode ? wb.Form1.OpenValidationSetDialog : wb.Form1.OpenTestSetDialog;
  if (!wb.Plat.Execute(dialog)) return false;
  const std::string fileName = dialog.FileName;
  bool normalised = false;
  DataSetState ds = LoadDataSet(wb, fileName, normalised);
  ds.DataFileName = fileName;
  InstallDataSet(wb, std::move(ds), fileName, normalised);
  wb.Form1.Label55.SetCaption("   ");
  wb.Form1.Label56.SetCaption("   ");
  ClearRunStatus(wb);
  MakeResultsPrefix(wb);
  return true;
}

void ReadDataFile(Workbench& wb, const std::string& fileName) {
  bool normalised = false;
  DataSetState ds = LoadDataSet(wb, fileName, normalised);
  InstallDataSet(wb, std::move(ds), fileName, normalised);
}

DataSetKept::DataSetKept(const Workbench& wb)
    : data_(wb),
      resultsPrefix_(wb.ResultsPrefix),
      resultsFileName_(wb.ResultsFileName),
      paramDataSet_(wb.ParamText[0]),
      paramNormalisation_(wb.ParamText[9]),
      caption_(wb.Form1.Label18.Caption()) {}

void DataSetKept::Restore(Workbench& wb) const {
  static_cast<DataSetState&>(wb) = data_;
  wb.ResultsPrefix = resultsPrefix_;
  wb.ResultsFileName = resultsFileName_;
  wb.ParamText[0] = paramDataSet_;
  wb.ParamText[9] = paramNormalisation_;
  wb.Form1.Label18.SetCaption(caption_);
}

std::string NextDataLineToken(DataSetState& ds) {
  std::size_t pos = ds.DataLinePos > 1 ? static_cast<std::size_t>(ds.DataLinePos - 1) : 0;
  const std::string_view token = NextToken(ds.DataLine, pos);
  ds.DataLinePos = static_cast<int>(pos) + 1;
  return std::string(token);
}

bool IsNumber(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

double NormalizedValue(double x, long double mean, long double deviation) {
  return static_cast<double>((x - mean) / deviation);
}

void NormalizeFeatures(DataSetState& ds, Platform& plat) {
  const std::size_t nf = static_cast<std::size_t>(ds.NumOfFeatures);
  ds.FeatureMean.assign(nf, 0.0);
  ds.FeatureDeviation.assign(nf, 0.0);
  const std::size_t n = ds.Data.size();
  for (std::size_t f = 0; f < nf; ++f) {
    if (ds.Features[f].Kind != 'c') continue;  // one-hot coded features keep their values
    long double sum = 0;
    for (const auto& row : ds.Data) sum += row[f];
    const long double mean = n ? sum / static_cast<long double>(n) : 0.0L;
    long double squares = 0;
    for (const auto& row : ds.Data) squares += (row[f] - mean) * (row[f] - mean);
    // Fewer than two vectors have no sample deviation: the feature counts as constant.
    const long double deviation = n > 1 ? std::sqrt(squares / static_cast<long double>(n - 1)) : 0.0L;
    ds.FeatureMean[f] = mean;
    ds.FeatureDeviation[f] = deviation;
    if (!(deviation > 0)) {
      plat.ShowMessage("Zero variance of feature" + ds.Features[f].Name + "   Remove from training?");
      continue;
    }
    for (auto& row : ds.Data) row[f] = NormalizedValue(row[f], mean, deviation);
  }
}

void NormalizeFeatures(Workbench& wb) {
  NormalizeFeatures(static_cast<DataSetState&>(wb), wb.Plat);
  wb.Normalised = true;
  wb.ParamText[9] = kNormalizationText;
}

}  // namespace wl

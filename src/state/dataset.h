#pragma once
// The program-wide data set: the vectors of the training file (or of a test file while TestingMode is
// set), their classes or targets, the feature descriptions and the class-balancing weights.
#include <cstdint>
#include <string>
#include <vector>

namespace wl {

// One input feature.
struct TFeature {
  char Kind = 'c';                   // 'c' continuous, 'd' discrete with numeric values, 's' symbolic
  int NValues = 1;                   // number of values; 1 for a continuous feature
  std::string Name;
  std::vector<double> Values;        // numeric value of each listed value
  std::vector<std::string> Symbols;  // the value tokens as written, lower-cased (discrete and symbolic)
};

// Which data set a stored result was made for: the identity of its vectors (a new Generation whenever a
// file is read or the vectors change), its file and its counts. Generation 0: made for none.
struct DataSetStamp {
  std::uint64_t Generation = 0;
  std::string File;
  int Vectors = 0, Features = 0;
  bool operator==(const DataSetStamp&) const = default;
};

// The random parts of the training set (BatchIndex) were drawn for this data set, `Parts` parts.
struct PartsStamp {
  DataSetStamp DataSet;
  int Parts = 0;
  bool operator==(const PartsStamp&) const = default;
};

struct DataSetState {
  // The identity of these vectors (state/training_parts.h); a copy of the set keeps it, so a set put back
  // as it was is the same set again.
  std::uint64_t Generation = 0;
  int NumOfFeatures = 0;  // input features (the header count less the class column)
  int NumOfVectors = 0;
  int NumOfClasses = 0;   // 1 in function-approximation mode
  int ClassColumnNo = 0;  // 1-based position of the class column in a row
  int MissingValue = 0;
  std::vector<TFeature> Features;
  std::vector<std::vector<double>> Data;  // [vector][feature]
  std::vector<int> VectorClass;           // class index of each vector (classification)
  std::vector<double> TargetValue;        // target of each vector (function approximation)
  std::vector<int> VectorsPerClass;
  std::vector<double> VectorWeight;       // class-balancing weight of each vector
  std::vector<double> VectorErrorTerm;    // per-vector error terms of the signal-table routines
  std::vector<int> HidPerOut;             // hidden neurons per class; filled by the parameter reader
  bool AllContinuous = true;  // no feature line of the file is discrete
  std::string DataFileName;  // full name of the current data file
  std::string DataBaseName;  // its file name without folder, up to the first "."
  // The normalisation of the training file, held at the precision it was computed in, so that a test or
  // validation file read later gets exactly the training file's values for the same inputs.
  std::vector<long double> FeatureMean, FeatureDeviation;
  // The continuous features of these vectors are standardised (the reader's normalisation was on).
  bool Normalised = false;
  // The tokenizer of text files: the current line and the 1-based position in it.
  std::string DataLine;
  int DataLinePos = 1;
};

}  // namespace wl

#pragma once
// The small data sets of discrete features the SMLP tests train on, written into the test's DATA folder.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/data_file.h"
#include "model/results_prefix.h"
#include "platform/numfmt.h"
#include "state/workbench.h"

namespace wl::test {

struct FeatureDef {
  std::string Name;
  std::vector<std::string> Symbols;
};

// A data-set file of discrete features; each row lists the symbols and then the class label ("0", "1" ...).
inline std::string DiscreteSetText(const std::vector<FeatureDef>& features, int classes,
                                   const std::vector<std::vector<std::string>>& rows) {
  const int n = static_cast<int>(features.size());
  std::string s = "Number of features = " + IntToStr(n + 1) + "\nNumber of Vectors = " +
                  IntToStr(static_cast<std::int64_t>(rows.size())) + "\nClass Column No = " + IntToStr(n + 1) + "\n\n";
  for (int f = 0; f < n; ++f) {
    s += "Feature[" + IntToStr(f + 1) + "] = " + features[f].Name + "  discrete  " +
         IntToStr(static_cast<std::int64_t>(features[f].Symbols.size()));
    for (const std::string& sym : features[f].Symbols) s += "  " + sym;
    s += "\n";
  }
  s += "Feature[" + IntToStr(n + 1) + "] = Class  discrete  " + IntToStr(classes);
  for (int c = 0; c < classes; ++c) s += "  " + IntToStr(c);
  s += "\n\n[DATA]\n";
  for (const auto& row : rows) {
    for (const std::string& t : row) s += t + "  ";
    s += "\n";
  }
  return s;
}

// A data set of binary features named by `names` (values "a" and "b"); the class label ends each row.
inline std::string BinarySetText(const std::vector<std::string>& names, int classes,
                                 const std::vector<std::vector<std::string>>& rows) {
  std::vector<FeatureDef> features;
  for (const std::string& name : names) features.push_back({name, {"a", "b"}});
  return DiscreteSetText(features, classes, rows);
}

// Writes the set's text to `file`, opens it as the training set and makes the results prefix.
inline void LoadSetFile(Workbench& wb, const std::filesystem::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
  wb.DataFileName = file.string();
  ReadDataFile(wb, file.string());
  MakeResultsPrefix(wb);
}

}  // namespace wl::test

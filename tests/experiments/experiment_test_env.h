#pragma once
// A program folder for the experiments' tests: a workbench on the scripted platform at a fixed clock
// (second 86410 of the year), short runs of the variable step search on small networks, and data sets
// written from rows.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "state/workbench.h"
#include "platform/numfmt.h"
#include "support/test_support.h"

namespace wl::test {

// A vector of two continuous features and its class label as the file writes it.
struct LabelledRow {
  double X1, X2;
  int Label;
};

// A data-set file of two continuous features and `classes` classes labelled 1 .. classes.
inline std::string DataSetText(const std::vector<LabelledRow>& rows, int classes = 2,
                               const std::string& vectorsKey = "Number of Vectors") {
  std::string s = "Number of features = 3\n" + vectorsKey + " = " + IntToStr(static_cast<std::int64_t>(rows.size())) +
                  "\nClass Column No = 3\n\nFeature[1] = x1  continuous\nFeature[2] = x2  continuous\n"
                  "Feature[3] = Class  discrete  " +
                  IntToStr(classes);
  for (int c = 1; c <= classes; ++c) s += "  " + IntToStr(c);
  s += "\n\n[DATA]\n";
  for (const LabelledRow& r : rows) s += FloatToStr(r.X1) + "  " + FloatToStr(r.X2) + "  " + IntToStr(r.Label) + "\n";
  return s;
}

// Twelve vectors of two classes, mostly apart along x1.
inline std::vector<LabelledRow> TwelveVectors() {
  return {{1.0, 0.2, 1},  {1.5, -0.3, 1}, {0.8, 0.9, 1},  {2.0, 0.1, 1},  {1.2, -1.0, 1}, {-0.2, 0.4, 1},
          {-1.0, 0.3, 2}, {-1.4, -0.6, 2}, {-0.7, 1.1, 2}, {-2.1, 0.0, 2}, {0.3, -0.2, 2}, {-1.1, 0.8, 2}};
}

class ExperimentTest : public ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_experiment_", {"DATA"});
    plat.ClockMs = 10000;
    plat.ClockDay = 2;  // second 86410 of the year
    wb->Rng.Seed = 12345;
    TForm1& f = wb->Form1;
    f.NoGTPBox.SetChecked(true);
    f.EpochEditT2.SetText("3");
    f.HiddenEditT2.SetText("2");
  }

  // Writes DATA/<name> and returns its full name.
  std::string WriteDataSet(const std::string& name, const std::vector<LabelledRow>& rows, int classes = 2) {
    const std::filesystem::path p = dir / "DATA" / name;
    std::ofstream(p, std::ios::binary) << DataSetText(rows, classes);
    return p.string();
  }
  std::string Results(const std::string& name) const { return (dir / "results" / name).string(); }
  std::vector<std::string> ResultLines(const std::string& name) const { return Lines(ReadText(Results(name))); }
  // The editor requests, as names in the results folder.
  std::vector<std::string> Shown() const {
    std::vector<std::string> names;
    for (const std::string& p : plat.EditorRequests) names.push_back(std::filesystem::path(p).filename().string());
    return names;
  }
};

}  // namespace wl::test

// The sample data sets that ship in DATA/ read whole, with the counts they are known by.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "model/data_file.h"
#include "state/workbench.h"
#include "platform/scripted_platform.h"

namespace wl {
namespace {

struct Sample {
  const char* file;
  int vectors, features, classes;
  std::vector<int> perClass;
  const char* kinds;  // the kind of each feature
  bool approximation;
};

TEST(SampleData, EveryShippedSetReadsWithItsCounts) {
  const std::string data = std::string(WL_SOURCE_DIR) + "/DATA/";
  const Sample samples[] = {
      {"iris.dat", 150, 4, 3, {50, 50, 50}, "cccc", false},
      {"breast_cancer.dat", 569, 30, 2, {212, 357}, "cccccccccccccccccccccccccccccc", false},
      {"xor.dat", 4, 2, 2, {2, 2}, "cc", false},
      {"monk1.dat", 432, 6, 2, {216, 216}, "ssssss", false},
      {"sine.dat", 63, 1, 1, {63}, "c", true},
  };
  std::size_t listed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(data))
    if (entry.path().extension() == ".dat") ++listed;
  EXPECT_EQ(listed, std::size(samples)) << "every file of DATA/ is checked here";

  for (const Sample& s : samples) {
    ScriptedPlatform plat;
    Workbench wb(plat, "/tmp");
    wb.Form1.FApproxBox.SetChecked(s.approximation);
    ReadDataFile(wb, data + s.file);
    EXPECT_TRUE(plat.Messages.empty()) << s.file << ": " << plat.Messages[0].Text;
    EXPECT_EQ(wb.NumOfVectors, s.vectors) << s.file;
    EXPECT_EQ(wb.NumOfFeatures, s.features) << s.file;
    EXPECT_EQ(wb.NumOfClasses, s.classes) << s.file;
    EXPECT_EQ(wb.VectorsPerClass, s.perClass) << s.file;
    std::string kinds;
    for (const auto& f : wb.Features) {
      kinds += f.Kind;
      EXPECT_EQ(f.Name.find("class"), std::string::npos) << s.file << ": " << f.Name;
    }
    EXPECT_EQ(kinds, s.kinds) << s.file;
    EXPECT_EQ(wb.AllContinuous, std::string(s.kinds).find('s') == std::string::npos) << s.file;
    // Continuous features come out standardised.
    for (int f = 0; f < wb.NumOfFeatures; ++f) {
      if (wb.Features[f].Kind != 'c') continue;
      double sum = 0;
      for (const auto& row : wb.Data) sum += row[f];
      EXPECT_NEAR(sum / wb.NumOfVectors, 0.0, 1e-9) << s.file << " feature " << f;
    }
  }
}

TEST(SampleData, MonkOneFollowsItsRule) {
  ScriptedPlatform plat;
  Workbench wb(plat, "/tmp");
  ReadDataFile(wb, std::string(WL_SOURCE_DIR) + "/DATA/monk1.dat");
  ASSERT_EQ(wb.NumOfVectors, 432);
  EXPECT_EQ(wb.Features[4].Symbols, (std::vector<std::string>{"red", "yellow", "green", "blue"}));
  std::vector<std::vector<double>> seen;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    const auto& x = wb.Data[v];
    const int want = (x[0] == x[1] || x[4] == 0) ? 1 : 0;
    EXPECT_EQ(wb.VectorClass[v], want) << "vector " << v;
    seen.push_back(x);
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end()) << "all 432 combinations differ";
}

TEST(SampleData, SineTargetsAreTheSineOfTheInput) {
  ScriptedPlatform plat;
  Workbench wb(plat, "/tmp");
  wb.Form1.FApproxBox.SetChecked(true);
  wb.Form1.NormCheck.SetChecked(false);
  ReadDataFile(wb, std::string(WL_SOURCE_DIR) + "/DATA/sine.dat");
  for (int v = 0; v < wb.NumOfVectors; ++v)
    EXPECT_NEAR(wb.TargetValue[v], std::sin(wb.Data[v][0]), 1e-6) << "vector " << v;
}

}  // namespace
}  // namespace wl

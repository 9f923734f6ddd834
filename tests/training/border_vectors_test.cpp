// Border-vector selection: the share per class, the worst vectors kept class by class, every part of a
// vector moved with it, the small-set refusal, and the reduced set written in the data-set format.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "model/create_network.h"
#include "model/data_file.h"
#include "model/error_functions.h"
#include "state/workbench.h"
#include "platform/random.h"
#include "platform/scripted_platform.h"
#include "support/test_support.h"
#include "training/border_vectors.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

class BorderVectorsTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_border_");
    wb->ResultsPrefix = (dir / "results" / "bv_7").string();
  }

  // Two continuous features; the classes in the given sizes, interleaved in data order. Every vector
  // carries a distinct weight and target, so that the selection can be seen to move them with it.
  void DataSet(std::vector<int> sizes) {
    TFeature a, b;
    a.Name = "u";
    b.Name = "v";
    wb->Features = {a, b};
    wb->NumOfFeatures = 2;
    wb->NumOfClasses = static_cast<int>(sizes.size());
    RandomGenerator g;
    g.Seed = 5;
    std::vector<int> left = sizes;
    int v = 0;
    while (std::any_of(left.begin(), left.end(), [](int n) { return n > 0; })) {
      for (int c = 0; c < int(sizes.size()); ++c) {
        if (left[c] == 0) continue;
        --left[c];
        wb->Data.push_back({2.0 * g.Real() - 1.0 + c, 2.0 * g.Real() - 1.0});
        wb->VectorClass.push_back(c);
        wb->VectorWeight.push_back(1.0 + v * 0.001);
        wb->TargetValue.push_back(100.0 + v);
        ++v;
      }
    }
    wb->NumOfVectors = v;
    wb->VectorsPerClass = sizes;
    wb->Form1.HiddenEditT2.SetText("3");
    wb->Rng.Seed = 31;
    ASSERT_EQ(CreateNetwork(*wb, 4), NetworkBuilt);
  }

  struct Row {
    std::vector<double> data;
    int cls;
    double weight, target, error;
  };
  std::vector<Row> Rows() {
    std::vector<Row> rows;
    for (int v = 0; v < wb->NumOfVectors; ++v)
      rows.push_back({wb->Data[v], wb->VectorClass[v], wb->VectorWeight[v], wb->TargetValue[v], SignalsError(*wb, v)});
    return rows;
  }
};

TEST_F(BorderVectorsTest, KeepsTheWorstVectorsOfEveryClassWithEverythingTheyCarry) {
  DataSet({30, 70});
  const std::vector<Row> before = Rows();
  SelectBorderVectors(*wb, 3);
  // m = Round(100 × 0.5 / 2) = 25 of each class.
  ASSERT_EQ(wb->NumOfVectors, 50);
  EXPECT_EQ(wb->VectorsPerClass, (std::vector<int>{25, 25}));
  EXPECT_EQ(wb->Form1.ENVEdit.Text(), "50");
  for (int c = 0; c < 2; ++c) {
    std::vector<Row> expected;
    for (const Row& r : before)
      if (r.cls == c) expected.push_back(r);
    std::stable_sort(expected.begin(), expected.end(), [](const Row& a, const Row& b) { return a.error > b.error; });
    for (int i = 0; i < 25; ++i) {
      const int v = c * 25 + i;
      SCOPED_TRACE("kept vector " + std::to_string(v));
      EXPECT_EQ(wb->VectorClass[v], c);
      EXPECT_EQ(wb->Data[v], expected[i].data);
      EXPECT_EQ(wb->VectorWeight[v], expected[i].weight);
      EXPECT_EQ(wb->TargetValue[v], expected[i].target);
    }
  }
}

TEST_F(BorderVectorsTest, ShareAndSmallSets) {
  struct Case {
    std::vector<int> sizes;
    const char* share;
    std::vector<int> kept;
  };
  for (const Case& c : {Case{{20, 20}, "0.5", {20, 20}},          // m = 10, below 12: nothing done
                        Case{{10, 40, 50}, "0.5", {10, 17, 17}},  // m = 17; a smaller class keeps all
                        Case{{30, 70}, "0.25", {12, 12}}}) {      // m = 12.5, rounded to even
    SCOPED_TRACE(c.share);
    wb = std::make_unique<Workbench>(plat, dir.string());
    wb->ResultsPrefix = (dir / "results" / "bv_7").string();
    DataSet(c.sizes);
    wb->Form1.typselEdit.SetText(c.share);
    const std::vector<std::vector<double>> data = wb->Data;
    SelectBorderVectors(*wb, 3);
    std::vector<int> perClass(c.sizes.size(), 0);
    for (int v = 0; v < wb->NumOfVectors; ++v) ++perClass[wb->VectorClass[v]];
    EXPECT_EQ(perClass, c.kept);
    if (c.kept == c.sizes) {
      EXPECT_EQ(wb->Data, data);  // unchanged, in data order
      EXPECT_EQ(wb->Form1.ENVEdit.Text(), "");
    }
  }
}

TEST_F(BorderVectorsTest, ModeOneWritesTheReducedSet) {
  DataSet({30, 70});
  wb->Form1.NormCheck.SetChecked(false);
  SelectBorderVectors(*wb, 1);
  const std::string file = wb->ResultsPrefix + ".dat";
  ASSERT_TRUE(fs::exists(file));
  std::ifstream in(file);
  std::string header[7];
  for (auto& line : header) std::getline(in, line);
  EXPECT_EQ(header[0], "Number of features = 3");
  EXPECT_EQ(header[1], "Number of Vectors = 50");
  EXPECT_EQ(header[2], "Class Column No = 3");
  EXPECT_EQ(header[3], "Feature[1] = u  continuous");
  EXPECT_EQ(header[4], "Feature[2] = v  continuous");
  EXPECT_EQ(header[5], "Feature[3] = Class  discrete  2  0  1");
  EXPECT_EQ(header[6], "[DATA]");

  // The file reads back as the reduced set.
  const std::vector<std::vector<double>> data = wb->Data;
  const std::vector<int> classes = wb->VectorClass;
  Workbench other(plat, dir.string());
  other.Form1.NormCheck.SetChecked(false);
  ReadDataFile(other, file);
  EXPECT_EQ(other.NumOfVectors, 50);
  EXPECT_EQ(other.VectorClass, classes);
  ASSERT_EQ(other.Data.size(), data.size());
  for (std::size_t v = 0; v < data.size(); ++v)
    for (std::size_t f = 0; f < 2; ++f) EXPECT_NEAR(other.Data[v][f], data[v][f], 1e-13);  // 15 digits written
}

TEST_F(BorderVectorsTest, NormalisedSetsAreWrittenInTheirOwnUnits) {
  // A normalised set of continuous features is written de-normalised, 3 decimals.
  std::ofstream(dir / "small.dat") << "Number of features = 3\nNumber of Vectors = 4\nClass Column No = 3\n"
                                      "Feature[1] = p  continuous\nFeature[2] = q  continuous\n"
                                      "Feature[3] = Class  discrete  2  0  1\n[DATA]\n"
                                      "1  10  0\n2  20  1\n3  40  0\n4  50  1\n";
  ReadDataFile(*wb, (dir / "small.dat").string());
  ASSERT_TRUE(wb->Form1.NormCheck.Checked());
  WriteVectorRangeDataFile(*wb, 1, 2);
  const std::vector<std::string> lines = test::Lines(test::ReadText(wb->ResultsPrefix + ".dat"));
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[1], "Number of Vectors = 2");
  EXPECT_EQ(lines[7], "       2.000        20.000  1");
  EXPECT_EQ(lines[8], "       3.000        40.000  0");
}

}  // namespace
}  // namespace wl

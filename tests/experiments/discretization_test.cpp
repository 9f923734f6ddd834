// Discretization: the interval labels and bounds of the three sources, the cut-point file and its
// refusals, the older joined route with its overlap rule, each route's file read back as the data set,
// and a test set labelled with its training set's bounds.
#include "experiments/discretization.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "model/data_file.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

using test::Lines;
using test::ReadText;

// ---- the Part's edge cases on the pure helpers, as one table

struct LabelCase {
  const char* What;
  std::function<std::string()> Got;
  const char* Want;
};

std::string CutLabelOf(const std::vector<double>& cuts, double x, int decimals) {
  return CutPointLabel(cuts, CutPointInterval(cuts, x), decimals);
}
std::string WidthLabelOf(double min, double max, int k, double x, int decimals) {
  const double w = (max - min) / k;
  return EqualWidthLabel(min, w, k, EqualWidthInterval(min, w, k, x), decimals);
}
std::string Joined(const std::vector<double>& v) {
  std::string s;
  for (double x : v) {
    if (!s.empty()) s += ' ';
    s += std::to_string(static_cast<long long>(x));
  }
  return s;
}
std::vector<double> OneTo(int n) {
  std::vector<double> v;
  // In an order that is not the sorted one.
  for (int i = n; i >= 1; --i) v.push_back(i);
  return v;
}

TEST(DiscretizationLabels, EdgeCases) {
  const std::vector<double> cuts = {0.5, 1.25, 3};
  const LabelCase cases[] = {
      {"a cut point belongs to the interval above it", [&] { return CutLabelOf(cuts, 0.5, 2); }, "0.50_1.25"},
      {"below the first cut point", [&] { return CutLabelOf(cuts, 0.4, 2); }, "_0.50"},
      {"the last cut point", [&] { return CutLabelOf(cuts, 3, 2); }, "3.00_"},
      {"between two cut points", [&] { return CutLabelOf(cuts, 2.999, 2); }, "1.25_3.00"},
      {"three cut points make four intervals", [&] { return std::to_string(CutPointInterval(cuts, 1e9) + 1); }, "4"},
      {"negative bounds", [&] { return CutLabelOf({-1.5, 0}, -1, 1); }, "-1.5_0.0"},
      {"equal width: an upper bound belongs to its interval", [] { return WidthLabelOf(0, 10, 5, 2.0, 1); }, "_2.0"},
      {"equal width: just above a bound", [] { return WidthLabelOf(0, 10, 5, 2.1, 1); }, "2.0_4.0"},
      {"equal width: the maximum", [] { return WidthLabelOf(0, 10, 5, 10, 1); }, "8.0_"},
      {"equal width: below the minimum (a test set)", [] { return WidthLabelOf(0, 10, 5, -3, 1); }, "_2.0"},
      {"equal width: above the maximum (a test set)", [] { return WidthLabelOf(0, 10, 5, 99, 1); }, "8.0_"},
      {"equal width: a constant feature", [] { return WidthLabelOf(5, 5, 3, 5, 1); }, "_5.0"},
      {"equal number: 100 vectors, K = 10", [] { return Joined(EqualNumberCutPoints(OneTo(100), 10)); },
       "11 21 31 41 51 61 71 81 91"},
      {"equal number: 10 vectors, K = 6 (n = 2, position 10 takes the last)",
       [] { return Joined(EqualNumberCutPoints(OneTo(10), 6)); }, "3 5 7 9 10"},
      {"equal number: 105 vectors, K = 10 (n = round(10.5) = 10)",
       [] { return Joined(EqualNumberCutPoints(OneTo(105), 10)); }, "11 21 31 41 51 61 71 81 91"},
      {"joined bins: the maximum falls into the last bin", [] { return std::to_string(JoinBin(0, 1, 10, 10)); }, "9"},
      {"joined bins: a constant feature is all in bin 0", [] { return std::to_string(JoinBin(5, 0, 10, 5)); }, "0"},
      {"overlap: two classes sharing 3 of 10 bins", [] {
         std::vector<std::vector<int>> counts = {{1, 1, 1, 1, 1, 1, 0, 0, 0, 0}, {0, 0, 0, 1, 1, 1, 1, 1, 1, 2}};
         return std::to_string(OverlapCount(counts));
       }, "6"},
      {"overlap: three classes in one bin", [] {
         return std::to_string(OverlapCount({{1, 0}, {2, 0}, {1, 1}}));
       }, "6"},
  };
  for (const LabelCase& c : cases) EXPECT_EQ(c.Got(), c.Want) << c.What;
}

// Tied values: no interval may be empty or of width 0, and with fewer distinct values than intervals each
// value gets an interval of its own, cut midway to its neighbours.
TEST(DiscretizationLabels, EqualNumberOverTiedValues) {
  auto points = [](const std::vector<double>& v) {
    std::string s;
    for (double x : v) {
      if (!s.empty()) s += ' ';
      s += ExactFloatToStr(x);
    }
    return s;
  };
  auto repeat = [](std::vector<double> v, double x, int times) {
    v.insert(v.end(), static_cast<std::size_t>(times), x);
    return v;
  };
  struct Case {
    const char* What;
    std::vector<double> Column;
    int Intervals;
    std::string Want;
  } cases[] = {
      {"xor: four vectors, two values", {0, 0, 1, 1}, 10, "0.5"},
      {"normalised xor", {-0.8660254, 0.8660254, -0.8660254, 0.8660254}, 10, "0"},
      {"three values, many vectors", repeat(repeat(repeat({}, 3, 4), 1, 4), 2, 4), 10, "1.5 2.5"},
      {"a constant column: one interval", {7, 7, 7, 7, 7}, 10, ""},
      {"half the column at its smallest value", repeat({2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, 1, 15), 5,
       "5 11"},
      {"a value filling several positions", repeat({1, 2, 3, 4, 5, 7, 8, 9, 10, 11}, 6, 20), 5, "6"},
      {"neighbouring doubles", {1.0, std::nextafter(1.0, 2.0)}, 10, ExactFloatToStr(std::nextafter(1.0, 2.0))},
      {"as many values as intervals stay by position", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 10, "2 3 4 5 6 7 8 9 10"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    const std::vector<double> cuts = EqualNumberCutPoints(c.Column, c.Intervals);
    EXPECT_EQ(points(cuts), c.Want);
    // Every interval holds one of the column's values, and each label is another.
    std::vector<int> held(cuts.size() + 1, 0);
    for (double x : c.Column) ++held[static_cast<std::size_t>(CutPointInterval(cuts, x))];
    std::vector<std::string> labels;
    for (std::size_t i = 0; i <= cuts.size(); ++i) {
      EXPECT_GT(held[i], 0) << "interval " << i;
      labels.push_back(CutPointLabel(cuts, static_cast<int>(i), 6));
    }
    std::sort(labels.begin(), labels.end());
    EXPECT_EQ(std::adjacent_find(labels.begin(), labels.end()), labels.end()) << points(cuts);
  }
}

// ---- on a workbench

class DiscretizationTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_discr_", {"DATA"});
    plat.ClockMs = 10000;  // 00:00:10 on 2 January: second 86410 of the year
    plat.ClockDay = 2;
    wb->Form1.NormCheck.SetChecked(false);
    plat.Messages.clear();
  }

  // Copies a fixture into DATA/ and opens it as a user would.
  void Open(const std::string& fixture) {
    fs::copy_file(fs::path(WL_TEST_DATA_DIR) / fixture, dir / "DATA" / fixture, fs::copy_options::overwrite_existing);
    plat.OpenAnswers.push_back((dir / "DATA" / fixture).string());
    ASSERT_TRUE(OpenDataFile(*wb));
  }
  // Writes a data set below DATA/ and opens it.
  void OpenText(const std::string& name, const std::string& text) {
    const std::string path = (dir / "DATA" / name).string();
    std::ofstream(path, std::ios::binary) << text;
    plat.OpenAnswers.push_back(path);
    ASSERT_TRUE(OpenDataFile(*wb));
  }
  void CutFile(const std::string& text) {
    std::ofstream(dir / "cuts.txt", std::ios::binary) << text;
    wb->Form1.DiscrFileEdit.SetText(" cuts ");
  }
  std::vector<double> Column(int f) const {
    std::vector<double> c;
    for (const auto& row : wb->Data) c.push_back(row[static_cast<std::size_t>(f)]);
    return c;
  }
  std::string Prefix() const { return (dir / "results" / "discretization_mixed_86410").string(); }
  bool AnyDiscretizedFile() const {
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
      const std::string name = e.path().filename().string();
      if (name.find("_trnd") != std::string::npos || name.find("_tstd") != std::string::npos ||
          name.ends_with(".datd"))
        return true;
    }
    return false;
  }
};

TEST_F(DiscretizationTest, CutPointFileGivesTheLayoutOfADataSetFile) {
  Open("discretization_mixed.dat");
  fs::copy_file(fs::path(WL_TEST_DATA_DIR) / "discretization_cuts.txt", dir / "cuts.txt");
  wb->Form1.DiscrFileEdit.SetText("cuts");
  wb->Form1.PrecEdit1.SetText("2");
  ASSERT_EQ(DiscretizeContinuousFeatures(*wb), DiscretizationOutcome::ReadBack);

  const std::string name = Prefix() + "_trnd.dat";
  EXPECT_EQ(wb->DataFileName, name);
  const std::vector<std::string> lines = Lines(ReadText(name));
  ASSERT_EQ(lines.size(), 20u);
  EXPECT_EQ(lines[0], "#discretization v. 10 February 2005");
  EXPECT_EQ(lines[1], "Number of features = 4");
  EXPECT_EQ(lines[2], "Number of Vectors = 10");
  EXPECT_EQ(lines[3], "Class Column No = 4");
  EXPECT_EQ(lines[4], "Feature[1] = x   discrete  3     _2.50  2.50_6.00  6.00_");
  EXPECT_EQ(lines[5], "Feature[2] = colour   discrete  3     red  green  blue  ");
  EXPECT_EQ(lines[6], "Feature[3] = y   discrete  2     _45.00  45.00_");
  EXPECT_EQ(lines[7], "Feature[4] = class   discrete  2   0  1  ");
  EXPECT_EQ(lines[8], "");
  EXPECT_EQ(lines[9], "[DATA]");
  EXPECT_EQ(lines[10], "_2.50  red  _45.00       0");
  EXPECT_EQ(lines[16], "6.00_  red  45.00_       1");
  EXPECT_EQ(wb->DiscrCutPoints[0], (std::vector<double>{2.5, 6}));
  EXPECT_EQ(wb->DiscrCutCounts[2], 1);
}

// A block sets its feature's cut points: a later block of the same feature replaces the earlier one,
// whatever its points are, with other blocks between them or not.
TEST_F(DiscretizationTest, ALaterBlockOfAFeatureReplacesTheEarlierOne) {
  struct Case {
    const char* Cuts;
    std::vector<double> X;
    std::vector<std::string> XSymbols;
  };
  const Case cases[] = {
      {"fnumber=0\nfdiv=1\n0.5\nfnumber=0\nfdiv=1\n2.0\nfnumber=2\nfdiv=1\n45\n", {2}, {"_2.00", "2.00_"}},
      {"fnumber=0\nfdiv=1\n6\nfnumber=2\nfdiv=1\n45\nfnumber=0\nfdiv=2\n1\n3\n", {1, 3},
       {"_1.00", "1.00_3.00", "3.00_"}},
      {"fnumber=0\nfdiv=2\n2.5\n6\nfnumber=1\nfnumber=0\nfdiv=1\n2.5\nfnumber=2\nfdiv=1\n45\n", {2.5},
       {"_2.50", "2.50_"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Cuts);
    SetUp();
    Open("discretization_mixed.dat");
    CutFile(c.Cuts);
    wb->Form1.PrecEdit1.SetText("2");
    ASSERT_EQ(DiscretizeContinuousFeatures(*wb), DiscretizationOutcome::ReadBack);
    EXPECT_EQ(wb->DiscrCutPoints[0], c.X);
    EXPECT_EQ(wb->DiscrCutCounts[0], static_cast<int>(c.X.size()));
    EXPECT_EQ(wb->DiscrCutPoints[2], (std::vector<double>{45}));
    EXPECT_EQ(wb->Features[0].Symbols, c.XSymbols);
  }
}

// Cut points closer than the labels' decimals would give two intervals one label, read back as one value:
// the feature's labels get the decimals that tell its bounds apart; the other features keep theirs.
// Bounds that 12 significant digits cannot tell apart are refused.
TEST_F(DiscretizationTest, LabelsOfDifferentIntervalsStayDifferent) {
  Open("discretization_mixed.dat");
  CutFile("fnumber=0\nfdiv=3\n4.6\n5.0\n5.4\nfnumber=2\nfdiv=2\n45\n46\n");
  wb->Form1.PrecEdit1.SetText("0");
  ASSERT_EQ(DiscretizeContinuousFeatures(*wb), DiscretizationOutcome::ReadBack);
  const std::vector<std::string> lines = Lines(ReadText(Prefix() + "_trnd.dat"));
  EXPECT_EQ(lines[4], "Feature[1] = x   discrete  4     _4.6  4.6_5.0  5.0_5.4  5.4_");
  EXPECT_EQ(lines[6], "Feature[3] = y   discrete  3     _45  45_46  46_");
  EXPECT_EQ(wb->DiscrPrecision, (std::vector<int>{1, 0, 0}));
  // x = 5 lies in 5.0_5.4 and x = 6 in 5.4_: two values, as the intervals are two.
  const std::vector<double> x = Column(0);
  EXPECT_NE(x[5], x[6]);
  EXPECT_EQ(x[4], x[0]);

  SetUp();
  Open("discretization_mixed.dat");
  CutFile("fnumber=0\nfdiv=2\n1.00000000000001\n1.00000000000002\nfnumber=2\nfdiv=1\n45\n");
  try {
    DiscretizeContinuousFeatures(*wb);
    ADD_FAILURE() << "bounds 12 digits cannot tell apart were labelled";
  } catch (const WlError& e) {
    EXPECT_NE(std::string(e.what()).find("Discretization of feature x: the bounds 1.00000000000001 and "
                                         "1.00000000000002 agree in the 12 significant digits of the labels"),
              std::string::npos)
        << e.what();
  }
  EXPECT_EQ(wb->Features[0].Kind, 'c');
  EXPECT_EQ(wb->DiscrSource, DiscretizationSource::None);
  EXPECT_FALSE(AnyDiscretizedFile());
}

// Each route's file, read back as the data set: the intervals' positions (or, on the older route, the
// runs' starts) as the feature values, the discrete feature kept, the classes kept.
TEST_F(DiscretizationTest, EachRoutesFileReadsBackWithTheIntervalsOfItsValues) {
  struct Route {
    const char* Name;
    std::function<void(Workbench&)> Choose;
    const char* Suffix;
    std::vector<double> X, Y;
    std::vector<std::string> XSymbols;
  };
  const std::vector<Route> routes = {
      {"cut-point file",
       [this](Workbench& w) {
         fs::copy_file(fs::path(WL_TEST_DATA_DIR) / "discretization_cuts.txt", dir / "cuts.txt",
                       fs::copy_options::overwrite_existing);
         w.Form1.DiscrFileEdit.SetText("cuts");
         w.Form1.PrecEdit1.SetText("2");
       },
       "_86410_trnd.dat", {0, 0, 0, 1, 1, 1, 2, 2, 2, 2}, {0, 0, 0, 0, 1, 1, 1, 1, 1, 1},
       {"_2.50", "2.50_6.00", "6.00_"}},
      {"equal number",
       [](Workbench& w) {
         w.Form1.slEdit.SetText("5  ");
         w.Form1.PrecEdit1.SetText("1");
       },
       "_86410_trnd.dat", {0, 0, 1, 1, 2, 2, 3, 3, 4, 4}, {0, 0, 1, 1, 2, 2, 3, 3, 4, 4},
       {"_2.0", "2.0_4.0", "4.0_6.0", "6.0_8.0", "8.0_"}},
      {"equal distance",
       [](Workbench& w) {
         w.Form1.EqDistanceButton.SetChecked(true);
         w.Form1.slEdit.SetText("3");
         w.Form1.PrecEdit1.SetText("0");
       },
       "_86410_trnd.dat", {0, 0, 0, 0, 1, 1, 1, 2, 2, 2}, {0, 0, 0, 0, 1, 1, 1, 2, 2, 2}, {"_3", "3_6", "6_"}},
      {"equal distance and join",
       [](Workbench& w) {
         w.Form1.EqDistJoinButton.SetChecked(true);
         w.Form1.slEdit.SetText("2");
       },
       "discretization_mixed.datd", {0, 0, 0, 0, 0, 4.5, 4.5, 4.5, 4.5, 4.5}, {10, 10, 10, 10, 10, 55, 55, 55, 55, 55},
       {"0", "4.5"}},
  };
  for (const Route& r : routes) {
    SCOPED_TRACE(r.Name);
    SetUp();
    Open("discretization_mixed.dat");
    r.Choose(*wb);
    ASSERT_EQ(DiscretizeContinuousFeatures(*wb), DiscretizationOutcome::ReadBack);
    EXPECT_TRUE(wb->DataFileName.ends_with(r.Suffix)) << wb->DataFileName;
    ASSERT_EQ(wb->NumOfFeatures, 3);
    ASSERT_EQ(wb->NumOfVectors, 10);
    EXPECT_EQ(wb->Features[0].Symbols, r.XSymbols);
    for (const TFeature& f : wb->Features) EXPECT_NE(f.Kind, 'c');
    EXPECT_EQ(Column(0), r.X);
    EXPECT_EQ(Column(1), (std::vector<double>{0, 1, 2, 0, 1, 2, 0, 1, 2, 0}));  // red green blue as read
    EXPECT_EQ(Column(2), r.Y);
    EXPECT_EQ(wb->VectorClass, (std::vector<int>{0, 0, 0, 0, 0, 1, 1, 1, 1, 1}));
    EXPECT_TRUE(plat.Messages.empty());
  }
}

TEST_F(DiscretizationTest, SourcesAreTriedInOrder) {
  // A missing file, and a file with no block of a continuous feature, fall back to the radio buttons.
  Open("discretization_mixed.dat");
  wb->Form1.slEdit.SetText("2");
  EXPECT_FALSE(DiscretizeFromFile(*wb));
  CutFile("fnumber=1\nfdiv=1\n7\n");
  EXPECT_FALSE(DiscretizeFromFile(*wb));
  EXPECT_FALSE(AnyDiscretizedFile());
  EXPECT_EQ(wb->Form1.ep.Text(), "Discretization");
  ASSERT_EQ(DiscretizeContinuousFeatures(*wb), DiscretizationOutcome::ReadBack);
  EXPECT_EQ(wb->DiscrSource, DiscretizationSource::EqualNumber);
  // A set that is discrete already is left alone.
  EXPECT_EQ(DiscretizeContinuousFeatures(*wb), DiscretizationOutcome::NoContinuous);
}

TEST_F(DiscretizationTest, LUnitsKeepTheDataSetAndBuildTheTableOnly) {
  Open("discretization_mixed.dat");
  wb->Form1.EqDistJoinButton.SetChecked(true);
  wb->Form1.slEdit.SetText("2");
  const std::string name = wb->DataFileName;
  ASSERT_EQ(DiscretizeContinuousFeatures(*wb, true), DiscretizationOutcome::NotReadBack);
  EXPECT_EQ(wb->DataFileName, name);
  EXPECT_EQ(wb->Features[0].Kind, 'c');
  EXPECT_EQ(wb->NumCutPoints, (std::vector<int>{2, 0, 2}));
  EXPECT_EQ(wb->CutPoints[2][2], 55);
  EXPECT_FALSE(AnyDiscretizedFile());
}

// The L-units take their intervals from the set in memory whatever source is chosen, and a test set
// (the network already trained) is left as it is.
TEST_F(DiscretizationTest, LUnitsIgnoreTheChosenSourceAndLeaveATestSet) {
  Open("discretization_mixed.dat");
  wb->Form1.EqNumberButton.SetChecked(true);
  wb->Form1.slEdit.SetText("2");
  ASSERT_EQ(DiscretizeContinuousFeatures(*wb, true), DiscretizationOutcome::NotReadBack);
  EXPECT_EQ(wb->NumCutPoints, (std::vector<int>{2, 0, 2}));
  EXPECT_FALSE(AnyDiscretizedFile());
  wb->NumCutPoints = {9, 9, 9};
  wb->TestingMode = true;
  ASSERT_EQ(DiscretizeContinuousFeatures(*wb, true), DiscretizationOutcome::NotReadBack);
  EXPECT_EQ(wb->NumCutPoints, (std::vector<int>{9, 9, 9}));
  EXPECT_EQ(wb->Features[0].Kind, 'c');
  EXPECT_FALSE(AnyDiscretizedFile());
}

// The older writer puts at least one blank between codes of 7 characters or more.
TEST_F(DiscretizationTest, OlderFileKeepsLongCodesApart) {
  std::string text = "Number of features = 2\nNumber of Vectors = 10\nClass Column No = 2\n"
                     "Feature[1] = big  continuous\nFeature[2] = Class  discrete  2  0  1\n[DATA]\n";
  for (int i = 0; i < 10; ++i) text += std::to_string(1000000 + i) + "  " + (i < 5 ? "0" : "1") + "\n";
  OpenText("big.dat", text);
  wb->Form1.EqDistJoinButton.SetChecked(true);
  wb->Form1.slEdit.SetText("2");
  ASSERT_EQ(DiscretizeContinuousFeatures(*wb), DiscretizationOutcome::ReadBack);
  const std::vector<std::string> lines = Lines(ReadText(dir / "DATA" / "big.datd"));
  EXPECT_EQ(lines[4], "Feature[1] = big   discrete  2     1000000  1000004.5  ");
  EXPECT_EQ(lines[7], "1000000 0");
  EXPECT_EQ(lines[16], "1000004.5 1");
  EXPECT_EQ(Column(0), (std::vector<double>{1000000, 1000000, 1000000, 1000000, 1000000, 1000004.5, 1000004.5,
                                            1000004.5, 1000004.5, 1000004.5}));
}

TEST_F(DiscretizationTest, OverlappedFeaturesAreEliminatedAboveATenthOfKSquared) {
  // x: the classes share bins 3, 4 and 5 of 10 (overlap 6, limit 10); z: they share 6 bins (overlap 12).
  const std::vector<double> x = {0, 1, 2, 3, 4, 5, 3.5, 4.5, 5.5, 6, 7, 8, 9, 10};
  const std::vector<double> z = {0, 2, 4, 6, 8, 10, 0, 2, 4, 6, 8, 10, 1, 3};
  std::string text = "Number of features = 3\nNumber of Vectors = 14\nClass Column No = 3\n"
                     "Feature[1] = x  continuous\nFeature[2] = z  continuous\nFeature[3] = Class  discrete  2  0  1\n"
                     "[DATA]\n";
  for (std::size_t i = 0; i < x.size(); ++i)
    text += std::to_string(x[i]) + "  " + std::to_string(z[i]) + "  " + (i < 6 ? "0" : "1") + "\n";
  OpenText("ov.dat", text);
  wb->Form1.slEdit.SetText("10");

  MakeResultsFileName(*wb);
  EXPECT_EQ(wb->ResultsFileName, "86410");
  EXPECT_EQ(wb->FeatureClassMin[0], (std::vector<double>{0, 3.5, 0}));
  EXPECT_EQ(wb->FeatureClassMax[0], (std::vector<double>{5, 10, 10}));
  FillDiscretizationTable(*wb);
  EXPECT_EQ(wb->NumCutPoints, (std::vector<int>{2, 5}));  // without the check box nothing is eliminated
  EXPECT_EQ(wb->CutPoints[1], (std::vector<double>{0, 0, 1, 2, 3, 4, 0, 0, 0, 0, 0}));

  wb->Form1.OverlapBox.SetChecked(true);
  FillDiscretizationTable(*wb);
  EXPECT_EQ(wb->NumCutPoints, (std::vector<int>{2, 0}));
  EXPECT_EQ(wb->CutPoints[0][1], 0);
  EXPECT_EQ(wb->CutPoints[0][2], 6);
  EXPECT_EQ(wb->Features[0].Name, "x");
  EXPECT_EQ(wb->Features[1].Name, "n/a");

  WriteDiscretizedDataFileOld(*wb);
  EXPECT_EQ(wb->DataFileName, (dir / "DATA" / "ov.datd").string());
  const std::vector<std::string> lines = Lines(ReadText(wb->DataFileName));
  EXPECT_EQ(lines[0], "#discretization v. 13 July 2002");
  EXPECT_EQ(lines[1], "Number of features = 2");
  EXPECT_EQ(lines[4], "Feature[1] = x   discrete  2     0  6  ");
  EXPECT_EQ(lines[5], "Feature[2] = class   discrete  2   0  1  ");
  EXPECT_EQ(lines[6], "[DATA]");
  EXPECT_EQ(lines[7], "0      0");
  ReadDataFile(*wb, wb->DataFileName);
  EXPECT_EQ(wb->NumOfFeatures, 1);
  EXPECT_EQ(Column(0), (std::vector<double>{0, 0, 0, 0, 0, 0, 0, 0, 0, 6, 6, 6, 6, 6}));
}

TEST_F(DiscretizationTest, AConstantFeatureFallsIntoOneInterval) {
  const std::string text = "Number of features = 3\nNumber of Vectors = 4\nClass Column No = 3\n"
                           "Feature[1] = k  continuous\nFeature[2] = z  continuous\n"
                           "Feature[3] = Class  discrete  2  0  1\n[DATA]\n5 0 0\n5 1 0\n5 2 1\n5 3 1\n";
  struct Case {
    const char* Name;
    RadioButton TForm1::*Button;
    std::vector<double> K;
  };
  // Equal width: every value is at most b_1 = min; equal number: one value, so one interval and no cut
  // point (no empty interval below the value); joined: bin 0, whose run starts at 5.
  const Case cases[] = {{"equal distance", &TForm1::EqDistanceButton, {0, 0, 0, 0}},
                        {"equal number", &TForm1::EqNumberButton, {0, 0, 0, 0}},
                        {"joined", &TForm1::EqDistJoinButton, {5, 5, 5, 5}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    SetUp();
    OpenText("const.dat", text);
    (wb->Form1.*c.Button).SetChecked(true);
    wb->Form1.slEdit.SetText("2");
    wb->Form1.PrecEdit1.SetText("1");
    ASSERT_EQ(DiscretizeContinuousFeatures(*wb), DiscretizationOutcome::ReadBack);
    EXPECT_EQ(Column(0), c.K);
    EXPECT_TRUE(plat.Messages.empty());
  }
  EXPECT_EQ(wb->NumCutPoints[0], 1);
  EXPECT_EQ(wb->Features[0].Values, (std::vector<double>{5}));
}

// A faulty cut-point file or field ends the discretization with a message naming it; nothing is written
// and the data set stays as it was.
TEST_F(DiscretizationTest, FaultyFilesAndFieldsLeaveTheDataSetAsItWas) {
  struct Case {
    const char* Cuts;  // nullptr: no cut-point file
    const char* SlEdit;
    const char* PrecEdit;
    const char* Message;
  };
  const Case cases[] = {
      {"fnumber=0\nfdiv=2\n3\n1\nfnumber=2\nfdiv=1\n45\n", "10 ", "6",
       "cuts.txt, line 4: the cut points of feature x (0) are not ascending: 1 follows 3"},
      {"fnumber=0\nfdiv=2\n3\n3\n", "10 ", "6", "line 4: the cut points of feature x (0) are not ascending"},
      {"fnumber=0\n2.5\n", "10 ", "6",
       "cuts.txt, line 2: the line after the \"fnumber\" line of feature x (0) is not its \"fdiv\" line"},
      {"fnumber=2\n", "10 ", "6", "line 1: the file ends after the \"fnumber\" line of feature y (2)"},
      {"fnumber=0\nfdiv=two\n", "10 ", "6",
       "line 2: the number of cut points of feature x (0) must be a whole number of at least 1, not 'two'"},
      {"fnumber=0\nfdiv=0\n", "10 ", "6", "not '0'"},
      {"fnumber=0\nfdiv=1\n2,5\n", "10 ", "6",
       "line 3: '2,5' is not a valid floating point value (cut point 1 of feature x (0))"},
      {"# cuts\nfnumber=x\n", "10 ", "6", "line 2: 'x' is not a valid integer value"},
      {"fnumber=7\n", "10 ", "6", "line 1: there is no feature 7; the data set has the features 0 to 2"},
      {"fnumber=0\nfdiv=3\n1\n2\n", "10 ", "6", "line 4: the file ends after 2 of the 3 cut points of feature x (0)"},
      {"fnumber=0\nfdiv=1\n2.5\n", "10 ", "6", "cuts.txt: no cut points for the continuous feature y (2)"},
      {nullptr, "1  ", "6", "num of discrete values must be an Integer from 2 to 999"},
      {nullptr, "   ", "6", "num of discrete values must be an Integer from 2 to 999"},
      {nullptr, "10 ", "x", "decimals of the interval labels must be an Integer from 0 to 15"},
      {"fnumber=0\nfdiv=1\n2.5\nfnumber=2\nfdiv=1\n45\n", "10 ", "-1",
       "decimals of the interval labels must be an Integer from 0 to 15"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Message);
    SetUp();
    Open("discretization_mixed.dat");
    if (c.Cuts) CutFile(c.Cuts);
    wb->Form1.slEdit.SetText(c.SlEdit);
    wb->Form1.PrecEdit1.SetText(c.PrecEdit);
    const std::string name = wb->DataFileName;
    const std::vector<double> x = Column(0);
    std::string message = "(no error)";
    try {
      DiscretizeContinuousFeatures(*wb);
    } catch (const WlError& e) {
      message = e.what();
    }
    EXPECT_NE(message.find(c.Message), std::string::npos) << message;
    EXPECT_EQ(wb->DataFileName, name);
    EXPECT_EQ(wb->NumOfFeatures, 3);
    EXPECT_EQ(wb->Features[0].Kind, 'c');
    EXPECT_EQ(Column(0), x);
    EXPECT_EQ(wb->DiscrSource, DiscretizationSource::None);
    EXPECT_FALSE(AnyDiscretizedFile());
  }
  // The older route reads slEdit too.
  SetUp();
  Open("discretization_mixed.dat");
  wb->Form1.EqDistJoinButton.SetChecked(true);
  wb->Form1.slEdit.SetText("1  ");
  EXPECT_THROW(DiscretizeContinuousFeatures(*wb), ConvertError);
  EXPECT_EQ(wb->Features[0].Kind, 'c');
  EXPECT_FALSE(AnyDiscretizedFile());
}

// A test set is labelled by its training set's source and bounds, whatever the radio buttons and the
// cut-point file say by then, and after the same standardisation as the raw training set.
// A cut-point file that holds no "fnumber" line (nor the "include" list of the same file) is no cut-point
// file: it is refused naming it, rather than passed over for another source. One that holds only an
// "include" list is passed over, as before.
TEST_F(DiscretizationTest, AFileWithoutAnFnumberLineIsRefused) {
  const std::string path = (dir / "cuts.txt").string();
  const std::string none = "Discretization file " + path +
                           " holds no \"fnumber\" line (nor an \"include\" list): it gives no cut points";
  const std::pair<std::string, std::string> cases[] = {
      {"", "Discretization file " + path + " is empty: it gives no cut points"},
      {"\xEF\xBB\xBF", "Discretization file " + path + " is empty: it gives no cut points"},
      {"\n\n", none},
      {"some notes\nfnum=0\nfdiv=1\n2.5\n", none},
      {std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), none},
      {" fnumber=0\nfdiv=1\n2.5\n", none},  // the key counts at the start of a line
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    SetUp();
    Open("discretization_mixed.dat");
    CutFile(text);
    wb->Form1.slEdit.SetText("2");
    const std::string name = wb->DataFileName;
    std::string message = "(no error)";
    try {
      DiscretizeContinuousFeatures(*wb);
    } catch (const WlError& e) {
      message = e.what();
    }
    EXPECT_EQ(message, expected);
    EXPECT_EQ(wb->DataFileName, name);
    EXPECT_EQ(wb->DiscrSource, DiscretizationSource::None);
    EXPECT_FALSE(AnyDiscretizedFile());
  }
  SetUp();
  Open("discretization_mixed.dat");
  CutFile("include\n0\n2\n");
  wb->Form1.slEdit.SetText("2");
  ASSERT_EQ(DiscretizeContinuousFeatures(*wb), DiscretizationOutcome::ReadBack);
  EXPECT_EQ(wb->DiscrSource, DiscretizationSource::EqualNumber);
}

// A byte-order mark before the first line hides neither its "fnumber" key nor the rest of the file; a huge
// bad cut point is quoted by its first characters.
TEST_F(DiscretizationTest, AByteOrderMarkIsNoPartOfTheFirstLine) {
  Open("discretization_mixed.dat");
  CutFile("\xEF\xBB\xBF" "fnumber=0\r\nfdiv=2\r\n2.5\r\n6\r\nfnumber=2\r\nfdiv=1\r\n45\r\n");
  wb->Form1.PrecEdit1.SetText("2");
  ASSERT_EQ(DiscretizeContinuousFeatures(*wb), DiscretizationOutcome::ReadBack);
  EXPECT_EQ(wb->DiscrSource, DiscretizationSource::File);
  EXPECT_EQ(wb->DiscrCutPoints[0], (std::vector<double>{2.5, 6}));

  SetUp();
  Open("discretization_mixed.dat");
  CutFile("fnumber=0\nfdiv=1\n" + std::string(1 << 20, '7') + "x\n");
  try {
    DiscretizeContinuousFeatures(*wb);
    ADD_FAILURE() << "the bad cut point was taken";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), "Discretization file " + (dir / "cuts.txt").string() + ", line 3: '" +
                                         std::string(40, '7') +
                                         "...' (1048577 characters) is not a valid floating point value (cut point 1 "
                                         "of feature x (0))");
  }
}

TEST_F(DiscretizationTest, TestSetIsLabelledWithTheTrainingBounds) {
  wb->Form1.NormCheck.SetChecked(true);
  Open("discretization_mixed.dat");
  wb->Form1.EqDistanceButton.SetChecked(true);
  wb->Form1.slEdit.SetText("2");
  wb->CVFoldNo = 3;
  ASSERT_EQ(DiscretizeContinuousFeatures(*wb), DiscretizationOutcome::ReadBack);
  EXPECT_EQ(wb->DataFileName, Prefix() + "_trnd3.dat");
  const std::vector<std::string> symbols = wb->Features[0].Symbols;
  const double min = wb->FeatureMin[0], width = wb->BinWidth[0];

  // By now the user has chosen another source and a cut-point file exists.
  wb->Form1.EqNumberButton.SetChecked(true);
  wb->Form1.slEdit.SetText("7");
  fs::copy_file(fs::path(WL_TEST_DATA_DIR) / "discretization_cuts.txt", dir / "cuts.txt");
  wb->Form1.DiscrFileEdit.SetText("cuts");

  wb->TestingMode = true;
  const std::string test = "Number of features = 4\nNumber of Vectors = 4\nClass Column No = 4\n"
                           "Feature[1] = x  continuous\nFeature[2] = colour  discrete  3  red  green  blue\n"
                           "Feature[3] = y  continuous\nFeature[4] = Class  discrete  2  0  1\n[DATA]\n"
                           "0 red 10 0\n9 blue 100 1\n-5 green 200 1\n4 red 60 0\n";
  const std::string testFile = (dir / "DATA" / "test.dat").string();
  std::ofstream(testFile, std::ios::binary) << test;
  ReadDataFile(*wb, testFile);
  EXPECT_FALSE(DiscretizeFromFile(*wb));  // the bounds held are not the file's
  ASSERT_EQ(DiscretizeContinuousFeatures(*wb), DiscretizationOutcome::ReadBack);
  EXPECT_EQ(wb->DataFileName, Prefix() + "_tstd3.dat");
  EXPECT_EQ(wb->Features[0].Symbols, symbols);
  EXPECT_EQ(wb->FeatureMin[0], min);
  EXPECT_EQ(wb->BinWidth[0], width);
  EXPECT_EQ(Column(0), (std::vector<double>{0, 1, 0, 0}));
  EXPECT_EQ(Column(2), (std::vector<double>{0, 1, 1, 1}));

  // A second test set of the same fold gets the same labels from the same bounds.
  ReadDataFile(*wb, testFile);
  ASSERT_EQ(DiscretizeContinuousFeatures(*wb), DiscretizationOutcome::ReadBack);
  EXPECT_EQ(Column(0), (std::vector<double>{0, 1, 0, 0}));
}

TEST_F(DiscretizationTest, TestSetWithoutATrainedDiscretizationIsRefused) {
  Open("discretization_mixed.dat");
  wb->TestingMode = true;
  const std::string name = wb->DataFileName;
  EXPECT_FALSE(DiscretizeFromFile(*wb));
  EXPECT_THROW(DiscretizeContinuousFeatures(*wb), WlError);
  EXPECT_EQ(wb->DataFileName, name);
  EXPECT_FALSE(AnyDiscretizedFile());

  // Bounds of a set with other features do not label this one.
  wb->TestingMode = false;
  wb->Form1.slEdit.SetText("2");
  ASSERT_EQ(DiscretizeContinuousFeatures(*wb), DiscretizationOutcome::ReadBack);
  wb->TestingMode = true;
  OpenText("other.dat", "Number of features = 2\nNumber of Vectors = 2\nClass Column No = 2\n"
                        "Feature[1] = x  continuous\nFeature[2] = Class  discrete  2  0  1\n[DATA]\n1 0\n2 1\n");
  try {
    DiscretizeContinuousFeatures(*wb);
    ADD_FAILURE() << "no error";
  } catch (const WlError& e) {
    EXPECT_STREQ(e.what(), "The features of the test set differ from those of the discretized training set");
  }
  EXPECT_EQ(wb->NumOfFeatures, 1);
}

// The shipped xor and iris under the default source (equal number, 10 intervals): every interval that a
// feature line lists holds a vector, no two are named alike, and xor keeps its four vectors apart.
TEST_F(DiscretizationTest, EqualNumberIntervalsOfShippedSetsAreHeldAndNamedOnce) {
  for (const char* name : {"xor.dat", "iris.dat"})
    for (const bool normalised : {true, false}) {
      SCOPED_TRACE(std::string(name) + (normalised ? ", normalised" : ""));
      SetUp();
      wb->Form1.NormCheck.SetChecked(normalised);
      fs::copy_file(fs::path(WL_SOURCE_DIR) / "DATA" / name, dir / "DATA" / name, fs::copy_options::overwrite_existing);
      plat.OpenAnswers.push_back((dir / "DATA" / name).string());
      ASSERT_TRUE(OpenDataFile(*wb));
      ASSERT_TRUE(wb->Form1.EqNumberButton.Checked());
      ASSERT_EQ(DiscretizeContinuousFeatures(*wb), DiscretizationOutcome::ReadBack);
      for (std::size_t f = 0; f < wb->Features.size(); ++f) {
        const TFeature& feature = wb->Features[f];
        SCOPED_TRACE(feature.Name);
        std::vector<std::string> labels = feature.Symbols;
        std::sort(labels.begin(), labels.end());
        EXPECT_EQ(std::adjacent_find(labels.begin(), labels.end()), labels.end());
        for (int v = 0; v < feature.NValues; ++v)
          EXPECT_TRUE(std::any_of(wb->Data.begin(), wb->Data.end(),
                                  [&](const std::vector<double>& row) { return row[f] == feature.Values[static_cast<std::size_t>(v)]; }))
              << "no vector in " << feature.Symbols[static_cast<std::size_t>(v)];
      }
      if (std::string(name) == "xor.dat") {
        std::vector<std::vector<double>> rows = wb->Data;
        std::sort(rows.begin(), rows.end());
        EXPECT_EQ(std::unique(rows.begin(), rows.end()) - rows.begin(), 4);
        const std::string mid = normalised ? "0.000000" : "0.500000";
        EXPECT_EQ(wb->Features[0].Symbols, (std::vector<std::string>{"_" + mid, mid + "_"}));
        EXPECT_EQ(wb->DiscrCutCounts, (std::vector<int>{1, 1}));
      }
    }
}

TEST_F(DiscretizationTest, OlderRouteLabelsATestSetWithTheTrainingTable) {
  Open("discretization_mixed.dat");
  wb->Form1.EqDistJoinButton.SetChecked(true);
  wb->Form1.OverlapBox.SetChecked(true);
  wb->Form1.slEdit.SetText("2");
  ASSERT_EQ(DiscretizeContinuousFeatures(*wb), DiscretizationOutcome::ReadBack);
  // Fewer values in the test set would give other bins; the training runs' starts stay.
  wb->TestingMode = true;
  const std::string testFile = (dir / "DATA" / "t.dat").string();
  std::ofstream(testFile, std::ios::binary)
      << "Number of features = 4\nNumber of Vectors = 2\nClass Column No = 4\n"
         "Feature[1] = x  continuous\nFeature[2] = colour  discrete  3  red  green  blue\n"
         "Feature[3] = y  continuous\nFeature[4] = Class  discrete  2  0  1\n[DATA]\n3 red 70 0\n5 blue 80 1\n";
  ReadDataFile(*wb, testFile);
  const std::string trainingName = wb->DataFileName;  // a read without the dialog keeps the name
  ASSERT_EQ(DiscretizeContinuousFeatures(*wb), DiscretizationOutcome::ReadBack);
  EXPECT_EQ(wb->DataFileName, trainingName + "d");
  EXPECT_EQ(Column(0), (std::vector<double>{0, 4.5}));
  EXPECT_EQ(Column(2), (std::vector<double>{55, 55}));
}

}  // namespace
}  // namespace wl

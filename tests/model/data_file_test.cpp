// The data-set reader: header keys, feature kinds, classes, weights, normalisation, the file choice, and
// the refusal of bad files, which must leave the data set that was loaded exactly as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/data_file.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/scripted_platform.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

class DataFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir + "/DATA");
    plat.ProgramDir = dir;
    wb = std::make_unique<Workbench>(plat, dir);
  }

  // Writes a data file below DATA/ and returns its full name.
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = dir + "/DATA/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // Opens a file through the menus' dialog.
  bool Open(const std::string& path) {
    plat.OpenAnswers.push_back(path);
    return OpenDataFile(*wb, 0);
  }
  std::string ErrorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const FileError& e) {
      return e.what();
    }
    return "(no error)";
  }
  std::vector<double> Column(int f) {
    std::vector<double> c;
    for (const auto& row : wb->Data) c.push_back(row[static_cast<std::size_t>(f)]);
    return c;
  }

  test::TempProgramDir temp{"wl_datafile_"};  // removed after the workbench has ended
  std::string dir = temp.Str();
  ScriptedPlatform plat;
  std::unique_ptr<Workbench> wb;
};

// A file of one continuous feature and classes 0..K-1, one row per value.
std::string OneFeature(const std::vector<std::string>& values, const std::vector<int>& classes, int k) {
  std::string s = "Number of features = 2\nNumber of Vectors = " + std::to_string(values.size()) +
                  "\nClass Column No = 2\nFeature[1] = f  continuous\nFeature[2] = Class  discrete  " +
                  std::to_string(k);
  for (int c = 0; c < k; ++c) s += "  " + std::to_string(c);
  s += "\n[DATA]\n";
  for (std::size_t i = 0; i < values.size(); ++i) s += values[i] + "  " + std::to_string(classes[i]) + "\n";
  return s;
}

TEST_F(DataFileTest, HeaderKeysFeatureKindsAndMissingValues) {
  wb->Form1.NormCheck.SetChecked(false);
  ReadDataFile(*wb, std::string(WL_TEST_DATA_DIR) + "/datafile_kinds.dat");
  EXPECT_TRUE(plat.Messages.empty());
  // Keys in any case, with words after the compared prefix; "number of vec" is too short to count.
  EXPECT_EQ(wb->NumOfFeatures, 5);
  EXPECT_EQ(wb->NumOfVectors, 4);
  EXPECT_EQ(wb->ClassColumnNo, 3);
  EXPECT_EQ(wb->MissingValue, 7);
  EXPECT_EQ(wb->NumOfClasses, 3);
  EXPECT_FALSE(wb->AllContinuous);

  const auto& F = wb->Features;
  ASSERT_EQ(F.size(), 5u);
  EXPECT_EQ(F[0].Kind, 'c');
  EXPECT_EQ(F[0].NValues, 1);
  EXPECT_EQ(F[0].Name, "width");
  EXPECT_EQ(F[1].Kind, 'd');
  EXPECT_EQ(F[1].Values, (std::vector<double>{1, 2, 3.5}));
  // A minus sign makes a value symbolic: -1 takes its position, 0 and 1 their numbers.
  EXPECT_EQ(F[2].Kind, 's');
  EXPECT_EQ(F[2].Values, (std::vector<double>{0, 0, 1}));
  EXPECT_EQ(F[2].Symbols, (std::vector<std::string>{"-1", "0", "1"}));
  EXPECT_EQ(F[3].Kind, 's');
  EXPECT_EQ(F[3].Symbols, (std::vector<std::string>{"red", "blue"}));
  EXPECT_EQ(F[3].Values, (std::vector<double>{0, 1}));

  // Labels 1..3 map to 0..2, "12" by its first character; "?" reads as 0, or as the symbol "0", or 0.
  EXPECT_EQ(wb->VectorClass, (std::vector<int>{0, 0, 2, 1}));
  EXPECT_EQ(Column(0), (std::vector<double>{2.5, -100, 0, 0.25}));
  EXPECT_EQ(Column(1), (std::vector<double>{1, 3.5, 0, 2}));
  EXPECT_EQ(Column(2), (std::vector<double>{0, 0, 1, 0}));
  EXPECT_EQ(Column(3), (std::vector<double>{0, 1, 0, 0}));
  EXPECT_EQ(Column(4), (std::vector<double>{0, 1, 0, 0}));
  EXPECT_EQ(wb->VectorErrorTerm.size(), 4u);
  EXPECT_EQ(wb->HidPerOut.size(), 3u);
}

TEST_F(DataFileTest, ClassLabelsAndTheLineThatDescribesThem) {
  struct Case {
    const char* labels;     // the class line's labels
    int k;
    const char* rows;       // row labels
    std::vector<int> want;  // classes
  };
  const Case cases[] = {
      {"1 2 3", 3, "1 3 12", {0, 2, 0}},
      {"0 1 2", 3, "0 2 1", {0, 2, 1}},
      {"0 1 2 3 4 5 6 7 8 9", 10, "9 0 5", {9, 0, 5}},
      // Beyond what one character can name, the whole label counts.
      {"1 2 3 4 5 6 7 8 9 10 11 12", 12, "12 1 10", {11, 0, 9}},
      {"0 1 2 3 4 5 6 7 8 9 10", 11, "10 0", {10, 0}},
      {"1 2 3 4 5 6 7 8 9 10", 10, "10 1 9", {9, 0, 8}},
  };
  for (const Case& c : cases) {
    std::string rows, text;
    int n = 0;
    for (std::size_t p = 0, q; p < std::string(c.rows).size(); p = q + 1) {
      q = std::string(c.rows).find(' ', p);
      if (q == std::string::npos) q = std::string(c.rows).size();
      rows += "0.5   " + std::string(c.rows).substr(p, q - p) + "\n";
      ++n;
    }
    text = "Number of features = 2\nNumber of Vectors = " + std::to_string(n) +
           "\nClass Column No = 2\nFeature[1] = f  continuous\nFeature[2] = class discrete " + std::to_string(c.k) +
           " " + c.labels + "\n[DATA]\n" + rows;
    ReadDataFile(*wb, Write("labels.dat", text));
    EXPECT_EQ(wb->NumOfClasses, c.k) << c.labels;
    EXPECT_EQ(wb->VectorClass, c.want) << c.labels;
  }
  // "class" from the ninth character on makes a line the class line, even inside a feature's name.
  ReadDataFile(*wb, Write("sub.dat",
                          "Number of features = 2\nNumber of Vectors = 1\nClass Column No = 1\n"
                          "Feature[1] = x  continuous\nFeature[2] = subclass  discrete  2  a  b\n[DATA]\n1  7\n"));
  EXPECT_EQ(wb->NumOfClasses, 2);
  EXPECT_EQ(wb->Features.size(), 1u);
  EXPECT_EQ(wb->VectorClass, (std::vector<int>{0}));
  EXPECT_EQ(wb->Data[0][0], 7);
}

TEST_F(DataFileTest, ClassWeightsBalanceTheClasses) {
  std::vector<std::string> values;
  std::vector<int> classes;
  for (int c = 0, sizes[] = {50, 25, 75}; c < 3; ++c)
    for (int i = 0; i < sizes[c]; ++i) {
      values.push_back(std::to_string(i));
      classes.push_back(c);
    }
  ReadDataFile(*wb, Write("w.dat", OneFeature(values, classes, 3)));
  EXPECT_EQ(wb->VectorsPerClass, (std::vector<int>{50, 25, 75}));
  ASSERT_EQ(wb->VectorWeight.size(), 150u);
  EXPECT_DOUBLE_EQ(wb->VectorWeight[0], 1.0);
  EXPECT_DOUBLE_EQ(wb->VectorWeight[50], 2.0);
  EXPECT_DOUBLE_EQ(wb->VectorWeight[149], 150.0 / 225.0);
  double sum = 0;
  for (double w : wb->VectorWeight) sum += w;
  EXPECT_NEAR(sum, 150.0, 1e-9);

  // A class of the class line without vectors has no share: the weights balance the two classes present,
  // so that the weights of all vectors still sum to their number.
  values.assign(values.begin(), values.begin() + 75);
  classes.assign(classes.begin(), classes.begin() + 75);
  for (int& c : classes) c = c == 1 ? 2 : c;
  ReadDataFile(*wb, Write("w2.dat", OneFeature(values, classes, 3)));
  EXPECT_EQ(wb->VectorsPerClass, (std::vector<int>{50, 0, 25}));
  ASSERT_EQ(wb->VectorWeight.size(), 75u);
  EXPECT_DOUBLE_EQ(wb->VectorWeight[0], 0.75);
  EXPECT_DOUBLE_EQ(wb->VectorWeight[74], 1.5);
}

// The same file read for training and for testing gives the same numbers, bit for bit, whatever the
// mean and deviation round to in double.
TEST_F(DataFileTest, TestingModeNormalisesLikeTraining) {
  for (const char* name : {"iris.dat", "breast_cancer.dat", "monk1.dat"}) {
    SCOPED_TRACE(name);
    const std::string path = std::string(WL_SOURCE_DIR) + "/DATA/" + name;
    wb->TestingMode = false;
    ReadDataFile(*wb, path);
    const std::vector<std::vector<double>> training = wb->Data;
    wb->TestingMode = true;
    ReadDataFile(*wb, path);
    ASSERT_EQ(wb->Data.size(), training.size());
    int differ = 0;
    for (std::size_t v = 0; v < training.size(); ++v)
      for (std::size_t f = 0; f < training[v].size(); ++f)
        if (wb->Data[v][f] != training[v][f]) ++differ;
    EXPECT_EQ(differ, 0);
  }
}

TEST_F(DataFileTest, NormalisationAndTestingMode) {
  // Training file: 1, 2, 3 become -1, 0, 1; a discrete feature keeps its values; a constant one is
  // reported and left raw.
  const std::string head =
      "Number of features = 4\nNumber of Vectors = 3\nClass Column No = 4\nFeature[1] = f  continuous\n"
      "Feature[2] = d  discrete  2  5  9\nFeature[3] = flat  continuous\nFeature[4] = Class  discrete  2  0  1\n"
      "[DATA]\n";
  ReadDataFile(*wb, Write("trn.dat", head + "1  5  4  0\n2  9  4  1\n3  5  4  1\n"));
  EXPECT_EQ(Column(0), (std::vector<double>{-1, 0, 1}));
  EXPECT_EQ(Column(1), (std::vector<double>{5, 9, 5}));
  EXPECT_EQ(Column(2), (std::vector<double>{4, 4, 4}));
  EXPECT_EQ(wb->FeatureMean[0], 2.0);
  EXPECT_EQ(wb->FeatureDeviation[0], 1.0);
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "Zero variance of featureflat   Remove from training?");
  EXPECT_EQ(wb->ParamText[9], "Normalization  F[v] := (F[v]-F_mean)/Std_dev");
  const std::vector<double> trainingWeights = wb->VectorWeight;

  // A test file is scaled with the training file's mean and deviation, and computes no weights.
  wb->TestingMode = true;
  wb->ParamText[9] = "";
  ReadDataFile(*wb, Write("tst.dat", "Number of features = 4\nNumber of Vectors = 4\nClass Column No = 4\n" +
                                         head.substr(head.find("Feature[1]")) +
                                         "4  5  7  0\n2  9  4  0\n0  5  1  0\n6  5  4  1\n"));
  EXPECT_EQ(Column(0), (std::vector<double>{2, 0, -2, 4}));
  EXPECT_EQ(Column(2), (std::vector<double>{7, 4, 1, 4}));  // no deviation: left raw
  EXPECT_EQ(wb->FeatureMean[0], 2.0);
  EXPECT_EQ(wb->ParamText[9], "");
  EXPECT_EQ(plat.Messages.size(), 1u);
  ASSERT_EQ(wb->VectorWeight.size(), 4u);
  for (int v = 0; v < 3; ++v) EXPECT_EQ(wb->VectorWeight[v], trainingWeights[v]);

  // Without "Inputs Normalization" the values stay as read.
  wb->TestingMode = false;
  wb->Form1.NormCheck.SetChecked(false);
  ReadDataFile(*wb, Write("raw.dat", head + "1  5  4  0\n2  9  4  1\n3  5  4  1\n"));
  EXPECT_EQ(Column(0), (std::vector<double>{1, 2, 3}));
}

TEST_F(DataFileTest, FunctionApproximationReadsARealTarget) {
  wb->Form1.FApproxBox.SetChecked(true);
  wb->Form1.NormCheck.SetChecked(false);
  ReadDataFile(*wb, Write("f.dat",
                          "Number of features = 2\nNumber of Vectors = 3\nClass Column No = 1\n"
                          "Feature[1] = Class  continuous\nFeature[2] = x  continuous\n[DATA]\n"
                          "-0.5  1\n0.25  2\n1e-3  3\n"));
  EXPECT_EQ(wb->NumOfClasses, 1);
  EXPECT_EQ(wb->TargetValue, (std::vector<double>{-0.5, 0.25, 0.001}));
  EXPECT_EQ(Column(0), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(wb->VectorWeight, (std::vector<double>{1, 1, 1}));
}

TEST_F(DataFileTest, OpeningAFileSetsItsNameLabelsAndPrefix) {
  plat.ClockDay = 2;
  plat.ClockMs = 10000;
  wb->ResultsFileName = "old report";
  const std::string path = Write("iris.dat", OneFeature({"1", "2"}, {0, 1}, 2));
  ASSERT_TRUE(Open(path));
  EXPECT_EQ(plat.Dialogs.back().Dialog, "OpenTestSetDialog");
  EXPECT_EQ(plat.Dialogs.back().Filter, "dataset files|*.dat|all files|*");
  EXPECT_EQ(wb->DataFileName, path);
  EXPECT_EQ(wb->ResultsPrefix, dir + "/results/iris_86410");
  EXPECT_TRUE(fs::is_directory(dir + "/results"));
  EXPECT_EQ(wb->Form1.Label18.Caption(), "iris.dat");
  EXPECT_EQ(wb->Form1.Label55.Caption(), "   ");
  EXPECT_EQ(wb->Form1.Label56.Caption(), "   ");
  EXPECT_EQ(wb->ParamText[0], "Data Set:  " + path);
  EXPECT_EQ(wb->ResultsFileName, "");

  // Cancel changes nothing; testing mode asks with the validation-set dialog.
  plat.OpenAnswers.push_back(std::nullopt);
  wb->TestingMode = true;
  EXPECT_FALSE(OpenDataFile(*wb, 0));
  EXPECT_EQ(plat.Dialogs.back().Dialog, "OpenValidationSetDialog");
  EXPECT_EQ(wb->DataFileName, path);
  EXPECT_EQ(wb->NumOfVectors, 2);

  // A file read by name keeps the chosen file's name and prefix.
  wb->TestingMode = false;
  ReadDataFile(*wb, Write("fold.dat", OneFeature({"1", "2", "3"}, {0, 1, 1}, 2)));
  EXPECT_EQ(wb->NumOfVectors, 3);
  EXPECT_EQ(wb->DataFileName, path);
  EXPECT_EQ(wb->ResultsPrefix, dir + "/results/iris_86410");
  EXPECT_EQ(wb->Form1.Label18.Caption(), "fold.dat");
}

// Every refusal names the file and the line, and leaves the loaded data set, its name, the results
// prefix and the labels as they were.
TEST_F(DataFileTest, BadFilesAreRefusedAndChangeNothing) {
  const std::string good = Write("good.dat", OneFeature({"1", "2", "3"}, {0, 1, 1}, 2));
  plat.ClockMs = 5000;
  ASSERT_TRUE(Open(good));
  const std::string prefix = wb->ResultsPrefix;
  const DataSetState before = *wb;
  plat.ClockMs = 9000;

  const std::string h = "Number of features = 3\nNumber of Vectors = 2\nClass Column No = 3\n";
  const std::string f = "Feature[1] = a  continuous\nFeature[2] = s  discrete  2  x  y\n";
  const std::string c = "Feature[3] = Class  discrete  2  1  2\n";
  struct Case {
    const char* what;
    std::string text;
    int line;              // the line the message names
    const char* contains;  // and what it says
  };
  const std::vector<Case> cases = {
      {"row beyond the count", h + f + c + "[DATA]\n1 x 1\n2 y 2\n3 x 1\n", 10, "more rows than the 2 vectors"},
      {"fewer rows", h + f + c + "[DATA]\n1 x 1\n\n", 9, "ends after 1 rows"},
      {"feature line beyond the count", h + f + "Feature[3] = b  continuous\n" + c + "[DATA]\n1 x 1\n", 6,
       "one feature line more"},
      {"fewer feature lines", h + "Feature[1] = a  continuous\n" + c + "[DATA]\n1 1\n", 1, "1 feature lines for the 2"},
      {"no [data]", h + f + c + "1 x 1\n", 7, "no \"[DATA]\" line"},
      {"class column beyond the row", "Number of features = 3\nNumber of Vectors = 2\nClass Column No = 4\n" + f + c +
                                          "[DATA]\n1 x 1\n",
       3, "class column 4 lies outside"},
      {"no class column", "Number of features = 3\nNumber of Vectors = 2\n" + f + c + "[DATA]\n1 x 1\n", 6,
       "class column 0 lies outside"},
      {"label above K", h + f + c + "[DATA]\n1 x 1\n2 y 3\n", 9, "'3' names none of the classes 1..2"},
      {"label below 1", h + f + c + "[DATA]\n1 x 0\n", 8, "'0' names none of the classes 1..2"},
      {"label not a number", h + f + c + "[DATA]\n1 x a\n", 8, "'a' is not a class number"},
      {"short row", h + f + c + "[DATA]\n1 x 1\n2 y\n", 9, "the row has 2 values; 3 are needed"},
      {"header value not whole", "Number of features = 3.5\n", 1, "'3.5' is not a whole number"},
      {"header count below 1", "Number of features = ?\n", 1, "at least 1"},
      {"class count not whole", h + f + "Feature[3] = Class  discrete  two  1  2\n", 6, "'two'"},
      {"symbol not listed", h + f + c + "[DATA]\n1 x 1\n2 z 2\n", 9, "'z' is none of the values listed for feature s"},
      {"number that is not one", h + f + c + "[DATA]\n1 x 1\n1,5 y 2\n", 9, "'1,5' is not a valid floating point"},
      {"too few values listed", h + "Feature[1] = a  continuous\nFeature[2] = s  discrete  3  x  y\n", 5,
       "lists 2 of its 3 values"},
      {"no class line", h + f + "[DATA]\n1 x 1\n", 6, "no class line"},
      {"class line for a function", h + f + "Feature[3] = Class  continuous\n", 6, "Function Approximation"},
      // Absurd counts are refused before anything is sized by them (the tables would take gigabytes).
      {"absurd class count", h + f + "Feature[3] = Class  discrete  2000000000  1  2\n[DATA]\n1 x 1\n", 6,
       "2000000000 classes; a network can have at most 1024"},
      {"one class too many", h + f + "Feature[3] = Class  discrete  1025\n[DATA]\n1 x 1\n", 6, "1025 classes"},
      {"absurd value count", h + "Feature[1] = a  continuous\nFeature[2] = s  discrete  2000000000  x  y\n" + c, 5,
       "lists 2 of its 2000000000 values"},
  };
  for (const Case& k : cases) {
    const std::string path = Write("bad.dat", k.text);
    const std::string msg = ErrorOf([&] { Open(path); });
    EXPECT_NE(msg.find("Data file " + path + ", line " + std::to_string(k.line) + ": "), std::string::npos)
        << k.what << ": " << msg;
    EXPECT_NE(msg.find(k.contains), std::string::npos) << k.what << ": " << msg;
    EXPECT_EQ(wb->NumOfVectors, before.NumOfVectors) << k.what;
    EXPECT_EQ(wb->NumOfFeatures, before.NumOfFeatures) << k.what;
    EXPECT_EQ(wb->NumOfClasses, before.NumOfClasses) << k.what;
    EXPECT_EQ(wb->Data, before.Data) << k.what;
    EXPECT_EQ(wb->VectorClass, before.VectorClass) << k.what;
    EXPECT_EQ(wb->VectorWeight, before.VectorWeight) << k.what;
    EXPECT_EQ(wb->Features.size(), before.Features.size()) << k.what;
    EXPECT_EQ(wb->FeatureMean, before.FeatureMean) << k.what;
    EXPECT_EQ(wb->DataFileName, good) << k.what;
    EXPECT_EQ(wb->ResultsPrefix, prefix) << k.what;
    EXPECT_EQ(wb->Form1.Label18.Caption(), "good.dat") << k.what;
    EXPECT_EQ(wb->ParamText[0], "Data Set:  " + good) << k.what;
  }
  EXPECT_NE(ErrorOf([&] { ReadDataFile(*wb, dir + "/DATA/none.dat"); }).find(dir + "/DATA/none.dat"),
            std::string::npos);
  EXPECT_EQ(wb->DataFileName, good);
  EXPECT_TRUE(plat.Messages.empty());

  // Blank lines after the last row are no rows.
  ASSERT_TRUE(Open(Write("blank.dat", h + f + c + "[DATA]\n1 x 1\n2 y 2\n\n   \n\t\n")));
  EXPECT_EQ(wb->NumOfVectors, 2);
  EXPECT_EQ(wb->VectorClass, (std::vector<int>{0, 1}));
}

// An empty file is said to be empty (there is no line to name); a huge bad token is quoted by its first
// characters and its length; a byte-order mark before the first line hides no key.
TEST_F(DataFileTest, EmptyFilesHugeTokensAndAByteOrderMark) {
  const std::string huge = std::string(1 << 20, '1') + "x";
  const std::string quoted = "'" + std::string(40, '1') + "...' (1048577 characters)";
  const std::string h = "Number of features = 2\nNumber of Vectors = 1\nClass Column No = 2\n"
                        "Feature[1] = f  continuous\nFeature[2] = Class  discrete  2  0  1\n[DATA]\n";
  struct Case {
    const char* what;
    std::string text, line, message;  // line: ", line N" or ""
  };
  const Case cases[] = {
      {"empty", "", "", " is empty"},
      {"a byte-order mark only", "\xEF\xBB\xBF", "", " is empty"},
      {"huge value", h + huge + "  0\n", ", line 7: ", quoted + " is not a valid floating point value"},
      {"huge header value", "Number of features = " + huge + "\n", ", line 1: ",
       "the value " + quoted + " is not a whole number"},
      {"huge class label", h + "1  " + std::string(1 << 20, '7') + "\n", ", line 7: ",
       "the class label '" + std::string(40, '7') + "...' (1048576 characters) names none of the classes 0..1"},
  };
  for (const Case& c : cases) {
    const std::string path = Write("bad.dat", c.text);
    const std::string msg = ErrorOf([&] { ReadDataFile(*wb, path); });
    EXPECT_EQ(msg, "Data file " + path + c.line + c.message) << c.what;
  }
  ASSERT_TRUE(Open(Write("bom.dat", "\xEF\xBB\xBF" + h + "2.5  1\n")));
  EXPECT_EQ(wb->NumOfFeatures, 1);
  EXPECT_EQ(wb->NumOfVectors, 1);
  EXPECT_EQ(wb->Data, (std::vector<std::vector<double>>{{2.5}}));
  EXPECT_EQ(wb->VectorClass, (std::vector<int>{1}));
}

// A line without a type word is reported and its column read as numbers; a type word inside the name
// does not count.
TEST_F(DataFileTest, FeatureTypeWordsAfterTheName) {
  wb->Form1.NormCheck.SetChecked(false);
  ReadDataFile(*wb, Write("t.dat",
                          "Number of features = 4\nNumber of Vectors = 1\nClass Column No = 4\n"
                          "Feature[1] = a\nFeature[2] = discrete_part  continuous\n"
                          "Feature[3] = continuous_flag  discrete  2  no  yes\n"
                          "Feature[4] = Class  discrete  2  0  1\n[DATA]\n4.5  -2  yes  1\n"));
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "No feature type! ");
  EXPECT_EQ(wb->Features[1].Kind, 'c');
  EXPECT_EQ(wb->Features[2].Kind, 's');
  EXPECT_EQ(wb->Data[0], (std::vector<double>{4.5, -2, 1}));
  EXPECT_EQ(wb->VectorClass[0], 1);
}

// A value listed twice in a feature's list is one value: its first listing codes it, and the feature has
// one input fewer. Numbers are compared as numbers, symbols as written.
TEST_F(DataFileTest, AValueListedTwiceIsCodedOnce) {
  wb->Form1.NormCheck.SetChecked(false);
  ReadDataFile(*wb, Write("t.dat",
                          "Number of features = 4\nNumber of Vectors = 3\nClass Column No = 4\n"
                          "Feature[1] = d  discrete  4  0.5  1  0.50  2\n"
                          "Feature[2] = s  discrete  4  a  b  a  c\n"
                          "Feature[3] = t  discrete  2  x  x\n"
                          "Feature[4] = Class  discrete  2  0  1\n[DATA]\n"
                          "0.5  a  x  0\n1  b  x  1\n2  c  x  0\n"));
  EXPECT_TRUE(plat.Messages.empty());
  const auto& F = wb->Features;
  EXPECT_EQ(F[0].Kind, 'd');
  EXPECT_EQ(F[0].NValues, 3);
  EXPECT_EQ(F[0].Values, (std::vector<double>{0.5, 1, 2}));
  EXPECT_EQ(F[0].Symbols, (std::vector<std::string>{"0.5", "1", "2"}));
  EXPECT_EQ(F[1].Kind, 's');
  EXPECT_EQ(F[1].NValues, 3);
  EXPECT_EQ(F[1].Symbols, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(F[1].Values, (std::vector<double>{0, 1, 3}));
  EXPECT_EQ(F[2].NValues, 1);
  EXPECT_EQ(Column(1), (std::vector<double>{0, 1, 3}));
  EXPECT_EQ(Column(2), (std::vector<double>{0, 0, 0}));
}

TEST(DataLineTokens, TokenizerAndNumberTest) {
  DataSetState ds;
  ds.DataLine = "  ab\t\tc-d \x01 e";
  ds.DataLinePos = 1;
  EXPECT_EQ(NextDataLineToken(ds), "ab");
  EXPECT_EQ(ds.DataLinePos, 5);  // on the tab after "ab"
  EXPECT_EQ(NextDataLineToken(ds), "c-d");
  EXPECT_EQ(NextDataLineToken(ds), "e");
  EXPECT_EQ(NextDataLineToken(ds), "");
  EXPECT_EQ(NextDataLineToken(ds), "");

  struct Case {
    const char* s;
    bool number;
  };
  for (const Case& c : {Case{"", true}, Case{"12", true}, Case{"3.5", true}, Case{".", true}, Case{"-1", false},
                        Case{"+1", false}, Case{"1e5", false}, Case{"red", false}, Case{"1 2", false}})
    EXPECT_EQ(IsNumber(c.s), c.number) << c.s;
}

}  // namespace
}  // namespace wl

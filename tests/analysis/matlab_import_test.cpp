// The import of a Matlab training: "PCA/config.txt", "PCA/WM_matlab.txt" and a two-feature continuous data
// set "DATA/two.DAT" become a finished training of the program, with its controls, network, histories,
// progress plot and error surface; the checks of the configuration stop the import with their messages.
#include "analysis/matlab_import.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "model/data_file.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "state/workbench.h"
#include "support/test_support.h"

namespace wl {
namespace {

using test::ReadText;

class MatlabImportTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_mi_", {"PCA", "results", "DATA"});
    const std::string xor_ = ReadText(std::string(WL_SOURCE_DIR) + "/DATA/xor.dat");
    std::ofstream(dir / "DATA" / "two.DAT", std::ios::binary) << xor_;
    // 13 epochs of a 2-2-2 network in Matlab's order (layer, input with the threshold last, neuron).
    std::string wm;
    for (int e = 0; e <= 12; ++e) {
      for (int t = 0; t < 12; ++t) {
        if (t) wm += " ";
        wm += FloatToStr(Value(e, t));
      }
      wm += "\n";
    }
    std::ofstream(dir / "PCA" / "WM_matlab.txt", std::ios::binary) << wm;
  }
  // Two directions of change (along e and e squared), so that the trajectory has two components.
  static double Value(int e, int t) {
    return 0.1 * (t + 1) * (t % 2 ? -1 : 1) + 0.05 * e * (t % 3 + 1) + 0.01 * e * e * (t % 4 == 1 ? 1 : 0);
  }

  void Config(const std::string& first, int epochs = 12, const std::string& badLine = "", int badAt = -1) {
    std::string text = first + "\r\n";
    for (int e = 0; e <= epochs; ++e) text += (e == badAt ? badLine : FloatToStr(1.0 / (1 + e))) + "\r\n";
    std::ofstream(dir / "PCA" / "config.txt", std::ios::binary) << text;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& m : plat.Messages) t.push_back(m.Text);
    return t;
  }
};

TEST_F(MatlabImportTest, ImportsTheTrainingAsTheProgramsOwn) {
  Config("two.mat 2 2 0 12 trainlm 0 logsig logsig logsig");
  wb->Form1.WMepEdit.SetText("50");
  wb->Form1.everyWMEdit.SetText("20");
  wb->Form1.anyWMEdit.SetText("3 40");
  ImportWMFromMatlab(*wb);
  EXPECT_TRUE(plat.Messages.empty()) << Texts().front();
  EXPECT_EQ(wb->Form1.WMepEdit.Text(), "12");
  EXPECT_EQ(wb->Form1.everyWMEdit.Text(), "1");
  EXPECT_EQ(wb->Form1.anyWMEdit.Text(), "");
  EXPECT_TRUE(wb->Form1.TrainingInMatlab.Checked());
  EXPECT_TRUE(wb->Form1.WMMatlabBox.Checked());
  EXPECT_TRUE(wb->Form1.CMBox.Checked());
  EXPECT_EQ(wb->Form1.ExpEdit.Text(), "2");
  EXPECT_EQ(wb->ParamText[7], "trainlm");
  EXPECT_EQ(wb->MethodTag, "Matlab");
  EXPECT_EQ(wb->NumOfEpochs, 12);
  EXPECT_TRUE(wb->ESDone);
  // The errors of config.txt, epoch 0 included; the weights in the program's order.
  for (int e = 0; e <= 12; ++e)
    EXPECT_DOUBLE_EQ(wb->EpochHistory[static_cast<std::size_t>(e)].Error, StrToFloat(FloatToStr(1.0 / (1 + e))));
  for (int e : {0, 7, 12}) {
    const auto row = wb->WeightHistory[static_cast<std::size_t>(e)];
    int t = 0;
    for (int l = 1; l <= 2; ++l)
      for (int k = 0; k <= 2; ++k)
        for (int n = 0; n < 2; ++n, ++t)
          EXPECT_DOUBLE_EQ(row[static_cast<std::size_t>(l - 1)][static_cast<std::size_t>(n)][static_cast<std::size_t>(k)],
                           StrToFloat(FloatToStr(Value(e, t))))
              << e << " " << l << " " << k << " " << n;
  }
}

TEST_F(MatlabImportTest, FieldCorrectionsKeepAFittingEvery) {
  Config("two.mat 2 2 0 12 trainlm 0 logsig logsig logsig");
  wb->Form1.WMepEdit.SetText("50");
  wb->Form1.everyWMEdit.SetText("3");
  ImportWMFromMatlab(*wb);
  EXPECT_EQ(wb->Form1.WMepEdit.Text(), "12");
  EXPECT_EQ(wb->Form1.everyWMEdit.Text(), "3");
}

TEST_F(MatlabImportTest, TransferFunctionsAndTheirRefusal) {
  // Names are compared exactly.
  Config("two.mat 2 2 0 12 trainlm 0 Logsig logsig logsig");
  ImportWMFromMatlab(*wb);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Only logsig, tansig, purelin, satlin, satlins, hardlim, hardlims "
                                               "transfer functions are supported"});
  EXPECT_FALSE(wb->ESDone);

  // "hardlim": linear (0;1) with slope 0, in the output layer's controls.
  TTransferFunction tf;
  ASSERT_TRUE(MatlabTransferFunction("hardlim", tf));
  EXPECT_EQ(tf.TFKind, 4);
  EXPECT_EQ(tf.TFSlope, 0.0);
  plat.Messages.clear();
  Config("two.mat 2 2 0 12 trainlm 0 hardlim tansig logsig");
  ImportWMFromMatlab(*wb);
  EXPECT_EQ(wb->Form1.SlopeEdit.Text(), "0");
  EXPECT_EQ(wb->Form1.OutTF.Text(), "linear (0;1)");
  EXPECT_EQ(wb->Form1.HL2TF.Text(), "tanh");
  EXPECT_EQ(wb->Form1.NSEdit.Text(), "0");
  EXPECT_EQ(wb->NumOfLayers, 3);
  // The hidden layer keeps its own function in the network.
  EXPECT_FALSE(wb->Form1.SameLayersBox.Checked());
  EXPECT_EQ(wb->LayerTF[0].TFKind, 2);
  EXPECT_EQ(wb->LayerTF[1].TFKind, 4);
}

TEST_F(MatlabImportTest, MissingFunctionsTakeTheDefaultsWithOneWarning) {
  Config("two.mat 2 2 0 12 trainlm 0");
  ImportWMFromMatlab(*wb);
  ASSERT_FALSE(plat.Messages.empty());
  EXPECT_EQ(plat.Messages[0].Text, "Some missing data in config.txt. Using defaults.");
  EXPECT_EQ(plat.Messages.size(), 1u) << Texts().back();
  EXPECT_EQ(wb->Form1.OutTF.Text(), "sigmoid");
  EXPECT_EQ(wb->Form1.HL2TF.Text(), "sigmoid");
  EXPECT_TRUE(wb->ESDone);
}

TEST_F(MatlabImportTest, StopsWithTheMessageOfTheFirstFault) {
  struct Case {
    std::string first;
    std::string bad;
    int badAt;
    std::string want;
  };
  const Case cases[] = {
      {"two.mat 2 2 0 12 trainlm 0 logsig logsig logsig", "0,25", 3,
       "Error in config.txt line 5: 0,25 is not a valid real number"},
      {"two.mat 3 2 0 12 trainlm 0 logsig logsig logsig", "", -1,
       "Different Number of Inputs in Matlab and WeightLab training set! Make sure that all features in WeightLab "
       "set are continuous. WeightLab creates one input per each discrete feature value, and one per continuous "
       "feature"},
      {"two.mat 2 2 0 0 trainlm 0 logsig logsig logsig", "", -1,
       "NumEpochs in config.txt must be an Integer from 1 to 999999"},
      {"nothere.mat 2 2 0 12 trainlm 0 logsig logsig logsig", "", -1, "Error Reading Data File "},
  };
  for (const Case& c : cases) {
    plat.Messages.clear();
    plat.OpenAnswers.clear();
    plat.OpenAnswers.push_back(std::nullopt);
    Config(c.first, 12, c.bad, c.badAt);
    ImportWMFromMatlab(*wb);
    ASSERT_FALSE(plat.Messages.empty()) << c.first;
    EXPECT_EQ(plat.Messages.back().Text.substr(0, c.want.size()), c.want) << c.first;
    EXPECT_FALSE(wb->ESDone) << c.first;
  }
  std::filesystem::remove(dir / "PCA" / "config.txt");
  plat.Messages.clear();
  ImportWMFromMatlab(*wb);
  EXPECT_EQ(Texts(), std::vector<std::string>{"File " + wb->Path("PCA/config.txt") + " not found!"});
}

// What the files promise is checked against what they hold before anything is sized by it, and a data
// set that cannot be read leaves the one loaded before.
TEST_F(MatlabImportTest, RefusesFilesThatCannotHoldWhatTheyPromise) {
  const std::string two = (dir / "DATA" / "two.DAT").string();
  ReadDataFile(*wb, two);
  wb->DataFileName = two;
  ASSERT_EQ(wb->NumOfVectors, 4);
  auto expectTwoKept = [&](const std::string& what) {
    EXPECT_EQ(wb->NumOfVectors, 4) << what;
    EXPECT_EQ(wb->NumOfFeatures, 2) << what;
    EXPECT_EQ(wb->DataFileName, two) << what;
    EXPECT_FALSE(wb->ESDone) << what;
  };

  // A data set that is not there, the dialog cancelled.
  plat.OpenAnswers.push_back(std::nullopt);
  Config("nothere.mat 2 2 0 12 trainlm 0 logsig logsig logsig");
  ImportWMFromMatlab(*wb);
  ASSERT_FALSE(plat.Messages.empty());
  EXPECT_EQ(plat.Messages.back().Text, "Error Reading Data File " + wb->Path("DATA/nothere.DAT"));
  expectTwoKept("missing");

  // A data set that is not one: the reader's refusal, and the set before stays.
  std::ofstream(dir / "DATA" / "bad.DAT", std::ios::binary) << "Number of features = 3\nno more\n";
  Config("bad.mat 2 2 0 12 trainlm 0 logsig logsig logsig");
  EXPECT_THROW(ImportWMFromMatlab(*wb), FileError);
  expectTwoKept("corrupt");

  // Twelve epochs, but WM_matlab.txt has seven lines: refused before the run is prepared.
  const std::string wm = ReadText(dir / "PCA" / "WM_matlab.txt");
  const std::vector<std::string> lines = test::Lines(wm);
  std::string seven;
  for (std::size_t i = 0; i < 7; ++i) seven += lines[i] + "\n";
  std::ofstream(dir / "PCA" / "WM_matlab.txt", std::ios::binary) << seven;
  plat.Messages.clear();
  Config("two.mat 2 2 0 12 trainlm 0 logsig logsig logsig");
  ImportWMFromMatlab(*wb);
  ASSERT_FALSE(plat.Messages.empty());
  EXPECT_EQ(plat.Messages.back().Text, "Error: Number Of Lines in WM_matlab.txt <> max_epoch+1: " +
                                           wb->Path("PCA/WM_matlab.txt") +
                                           " holds 7 lines, and the 12 epochs of config.txt need 13 (epochs 0 to 12)");
  EXPECT_FALSE(wb->ESDone);
  EXPECT_EQ(wb->Form1.WMepEdit.Text().find("6"), std::string::npos);

  // A file far longer than the epochs is refused after one line more than they need: the message says so
  // instead of counting every line.
  std::ofstream(dir / "PCA" / "WM_matlab.txt", std::ios::binary) << wm << std::string(200000, '\n');
  plat.Messages.clear();
  ImportWMFromMatlab(*wb);
  ASSERT_FALSE(plat.Messages.empty());
  EXPECT_EQ(plat.Messages.back().Text, "Error: Number Of Lines in WM_matlab.txt <> max_epoch+1: " +
                                           wb->Path("PCA/WM_matlab.txt") +
                                           " holds more than 13 lines, and the 12 epochs of config.txt need 13 (epochs 0 "
                                           "to 12)");
  EXPECT_FALSE(wb->ESDone);
  std::ofstream(dir / "PCA" / "WM_matlab.txt", std::ios::binary) << wm;

  // A huge bad error value is shown by its first characters and its length.
  plat.Messages.clear();
  Config("two.mat 2 2 0 12 trainlm 0 logsig logsig logsig", 12, std::string(1 << 20, '1') + "x", 1);
  ImportWMFromMatlab(*wb);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Error in config.txt line 3: " + std::string(40, '1') +
                                              "... (1048577 characters) is not a valid real number"});

  // A 2-999-999-2 network over 3000 epochs would need the histories of a million weights 3001 times; the
  // 3001 short lines of WM_matlab.txt cannot hold them.
  plat.Messages.clear();
  Config("two.mat 2 999 999 3000 trainlm 0 logsig logsig logsig", 3000);
  {
    std::string shortLines;
    for (int e = 0; e <= 3000; ++e) shortLines += "0\n";
    std::ofstream(dir / "PCA" / "WM_matlab.txt", std::ios::binary) << shortLines;
  }
  ImportWMFromMatlab(*wb);
  ASSERT_FALSE(plat.Messages.empty());
  const std::string& refusal = plat.Messages.back().Text;
  EXPECT_EQ(refusal.find("Error: " + wb->Path("PCA/WM_matlab.txt") + " ("), 0u) << refusal;
  EXPECT_NE(refusal.find("cannot hold the 3001 epochs of 1003997 weights that config.txt gives"), std::string::npos)
      << refusal;
  EXPECT_LT(wb->WeightHistory.Rows(), 100u);
  EXPECT_FALSE(wb->ESDone);
  std::ofstream(dir / "PCA" / "WM_matlab.txt", std::ios::binary) << wm;

  // A config.txt whose error lines run out before its epochs: the first missing line, nothing sized.
  plat.Messages.clear();
  std::ofstream(dir / "PCA" / "config.txt", std::ios::binary) << "two.mat 2 2 0 999999 trainlm 0\n0.5\n0.25\n";
  ImportWMFromMatlab(*wb);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Error in config.txt line 4:  is not a valid real number"});
}

}  // namespace
}  // namespace wl

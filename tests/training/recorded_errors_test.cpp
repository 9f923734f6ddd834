// The error a run records for an epoch is the error of the weights it records for that epoch, whatever
// way the search reached them; so is the accuracy, in the record and on the progress plot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/create_network.h"
#include "model/data_file.h"
#include "model/error_functions.h"
#include "model/layer_transfer.h"
#include "model/read_parameters.h"
#include "platform/scripted_platform.h"
#include "state/workbench.h"
#include "state/gtp_form.h"
#include "support/test_support.h"
#include "training/backprop.h"
#include "training/ng_train.h"
#include "training/one_change.h"
#include "training/two_changes.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

void SetFlat(Workbench& wb, const std::vector<double>& w) {
  std::size_t i = 0;
  for (std::size_t l = 1; l < wb.Net.size(); ++l)
    for (TNeuron& n : wb.Net[l])
      for (double& x : n.Weights) x = w[i++];
}

class RecordedErrorsTest : public ::testing::Test {
 protected:
  // Iris, a 4-4-3 network of random weights on linear inputs from seed 12345.
  Workbench& Iris(int epochs) {
    const fs::path dir = temp.Path() / std::to_string(benches.size());
    fs::create_directories(dir / "results");
    platforms.push_back(std::make_unique<ScriptedPlatform>());
    platforms.back()->ProgramDir = dir.string();
    benches.push_back(std::make_unique<Workbench>(*platforms.back(), dir.string()));
    Workbench& wb = *benches.back();
    ReadDataFile(wb, std::string(WL_SOURCE_DIR) + "/DATA/iris.dat");
    wb.ResultsPrefix = wb.ProgramDir + "/results/iris_100";
    wb.Form1.HiddenEditT2.SetText("4");
    wb.Form1.EpochEditT2.SetText(std::to_string(epochs));
    wb.Rng.Seed = 12345;
    EXPECT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
    return wb;
  }

  // The largest difference between an epoch's recorded error and the error of its recorded weights.
  static double WorstEpoch(Workbench& wb, int* worstEpoch) {
    const std::vector<double> now = [&] {
      std::vector<double> w;
      for (std::size_t l = 1; l < wb.Net.size(); ++l)
        for (const TNeuron& n : wb.Net[l]) w.insert(w.end(), n.Weights.begin(), n.Weights.end());
      return w;
    }();
    double worst = 0.0;
    for (int e = 0; e <= wb.NumOfEpochs; ++e) {
      const auto row = wb.WeightHistory.Row(static_cast<std::size_t>(e));
      SetFlat(wb, std::vector<double>(row.begin(), row.end()));
      const double d = std::fabs(TrainingSetError(wb) - wb.EpochHistory[static_cast<std::size_t>(e)].Error);
      if (d > worst) {
        worst = d;
        *worstEpoch = e;
      }
    }
    SetFlat(wb, now);
    return worst;
  }

  test::TempProgramDir temp{"wl_recorded_"};
  std::vector<std::unique_ptr<ScriptedPlatform>> platforms;
  std::vector<std::unique_ptr<Workbench>> benches;
};

TEST_F(RecordedErrorsTest, VariableStepSearchRecordsTheErrorOfItsWeights) {
  struct Case {
    const char* name;
    std::function<void(Workbench&)> set;
  };
  const Case cases[] = {
      {"defaults (a worse extension taken by c3)", [](Workbench&) {}},
      {"parabolic step", [](Workbench& wb) { wb.Form1.ParabVSSBox.SetChecked(true); }},
      {"clamped extensions", [](Workbench& wb) { wb.Form1.MaxWeightEdit.SetText("0.5"); }},
      {"CH1", [](Workbench& wb) { wb.Form1.CH1Box.SetChecked(true); }},
      {"signal table", [](Workbench& wb) {
         wb.Form1.SMSTBox.SetChecked(true);
         wb.Form1.ParabVSSBox.SetChecked(true);
       }},
      {"random order", [](Workbench& wb) { wb.Form1.RWOrderBox.SetChecked(true); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Workbench& wb = Iris(20);
    c.set(wb);
    TrainOneChange(wb, 2);
    const auto& messages = static_cast<ScriptedPlatform&>(wb.Plat).Messages;
    ASSERT_TRUE(messages.empty()) << messages.front().Text;
    ASSERT_EQ(wb.NumOfEpochs, 20);
    ASSERT_FALSE(ReadParameters(wb));
    int epoch = -1;
    EXPECT_LT(WorstEpoch(wb, &epoch), 1e-12) << "epoch " << epoch;
    EXPECT_NEAR(wb.CurrentError, TrainingSetError(wb), 1e-12);
  }
}

// Every trainer that records its epochs records, beside the error, the accuracy of the weights it records
// for the epoch (not the rate of the epoch's last trial, which may have been undone), and the progress
// plot's accuracy curve draws the same figure. Backpropagation records for epoch e the pass that the
// update of epoch e started from: the weights recorded for epoch e - 1.
TEST_F(RecordedErrorsTest, RecordedAccuracyIsThatOfTheRecordedWeights) {
  struct Case {
    const char* name;
    std::function<void(Workbench&)> set;
    std::function<void(Workbench&)> train;
    int shift;  // the row of the weights the record of epoch e belongs to: e - shift
    bool ownError = false;  // epochs evaluated by ComputeError, the search's own error, not TrainingSetError
  };
  const auto oneChange = [](Workbench& wb) { TrainOneChange(wb, 2); };
  const auto check = [](CheckBox TForm1::*box) { return [box](Workbench& wb) { (wb.Form1.*box).SetChecked(true); }; };
  const auto radio = [](RadioButton TForm1::*button) {
    return [button](Workbench& wb) { (wb.Form1.*button).SetChecked(true); };
  };
  const Case cases[] = {
      {"variable step search", [](Workbench&) {}, oneChange, 0},
      {"variable step search on the signal table", check(&TForm1::SMSTBox), oneChange, 0},
      {"ordered variable step search", check(&TForm1::RWOrderBox), oneChange, 0},
      {"standard search", radio(&TForm1::SMstdButton), oneChange, 0},
      {"standard search on the signal table",
       [](Workbench& wb) {
         wb.Form1.SMstdButton.SetChecked(true);
         wb.Form1.SMSTBox.SetChecked(true);
       },
       oneChange, 0},
      {"DH1", radio(&TForm1::SMDH1Button), oneChange, 0},
      {"weight sections", radio(&TForm1::SMWSButton), oneChange, 0},
      {"in-place variable step search", check(&TForm1::InPlaceBox), oneChange, 0, true},
      {"in-place weight sections",
       [](Workbench& wb) {
         wb.Form1.InPlaceBox.SetChecked(true);
         wb.Form1.SMWSButton.SetChecked(true);
       },
       oneChange, 0, true},
      {"two changes", [](Workbench&) {}, [](Workbench& wb) { TrainTwoChanges(wb, 2); }, 0},
      {"numerical gradient", [](Workbench&) {}, [](Workbench& wb) { NGTrain(wb, 1); }, 0},
      {"backpropagation, batch", radio(&TForm1::BatchBP), [](Workbench& wb) { TrainBP(wb); }, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Workbench& wb = Iris(4);
    // One point per epoch on the plot, whatever the method; the weight matrix's range within the run.
    wb.Form1.DetPlotBox.SetChecked(false);
    wb.Form1.WMepEdit.SetText("4");
    c.set(wb);
    c.train(wb);
    const auto& messages = static_cast<ScriptedPlatform&>(wb.Plat).Messages;
    ASSERT_TRUE(messages.empty()) << messages.front().Text;
    ASSERT_GE(wb.NumOfEpochs, 3);
    ASSERT_FALSE(ReadParameters(wb));
    const std::vector<ProgressPoint>& points = wb.GTP.Plot.Points;
    // Backpropagation's plot has a point for epoch 0 as well.
    const int first = c.shift == 0 ? 1 : 0;
    ASSERT_GE(points.size(), static_cast<std::size_t>(wb.NumOfEpochs + 1 - first));
    for (int e = c.shift; e <= wb.NumOfEpochs; ++e) {
      const auto row = wb.WeightHistory.Row(static_cast<std::size_t>(e - c.shift));
      SetFlat(wb, std::vector<double>(row.begin(), row.end()));
      // Row 0 is the preparation's, by TrainingSetError.
      if (c.ownError && e > 0)
        ComputeError(wb);
      else
        TrainingSetError(wb);
      const double rate = wb.SuccessRate;
      EXPECT_EQ(wb.EpochHistory[static_cast<std::size_t>(e)].Accuracy, rate) << "epoch " << e;
      if (e >= first) {
        EXPECT_EQ(points[static_cast<std::size_t>(e - first)].Accuracy, rate) << "plotted epoch " << e;
      }
    }
  }
}

}  // namespace
}  // namespace wl

// The error a run records for an epoch is the error of the weights it records for that epoch, whatever
// way the search reached them.
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
#include "model/layer_transfer.h"
#include "model/read_parameters.h"
#include "platform/scripted_platform.h"
#include "state/workbench.h"
#include "support/test_support.h"
#include "training/one_change.h"

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

}  // namespace
}  // namespace wl

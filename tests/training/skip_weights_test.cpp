// Skip connections ("Crossover") in every trainer that offers them: the output neurons' input weights are
// trained, and the error a run ends with is the error of its network, whichever error routine asks.
#include <gtest/gtest.h>

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
#include "model/signal_table.h"
#include "platform/scripted_platform.h"
#include "state/workbench.h"
#include "support/test_support.h"
#include "training/ng_train.h"
#include "training/one_change.h"
#include "training/two_changes.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

class SkipWeightsTest : public ::testing::Test {
 protected:
  // XOR from the shipped sample, a 2-2-2 network with skip connections on linear inputs (with "0", a network
  // of no hidden neuron whose outputs see the inputs only).
  Workbench& SkipXor(const char* hidden = "2") {
    const fs::path dir = temp.Path() / std::to_string(benches.size());
    fs::create_directories(dir / "results");
    platforms.push_back(std::make_unique<ScriptedPlatform>());
    platforms.back()->ProgramDir = dir.string();
    benches.push_back(std::make_unique<Workbench>(*platforms.back(), dir.string()));
    Workbench& wb = *benches.back();
    ReadDataFile(wb, std::string(WL_SOURCE_DIR) + "/DATA/xor.dat");
    wb.ResultsPrefix = wb.ProgramDir + "/results/xor_100";
    wb.Form1.HiddenEditT2.SetText(hidden);
    wb.Form1.EpochEditT2.SetText("5");
    wb.Form1.WMepEdit.SetText("5");
    wb.Form1.SkipCheck.SetChecked(true);
    wb.Rng.Seed = 12345;
    EXPECT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
    return wb;
  }

  // The output neurons' input weights.
  static std::vector<double> SkipWeights(const Workbench& wb) {
    std::vector<double> w;
    for (const TNeuron& n : wb.Net[2])
      for (int i = 0; i < wb.Layers[0]; ++i) w.push_back(n.Weights[static_cast<std::size_t>(wb.Layers[1] + i)]);
    return w;
  }

  test::TempProgramDir temp{"wl_skip_"};
  std::vector<std::unique_ptr<ScriptedPlatform>> platforms;
  std::vector<std::unique_ptr<Workbench>> benches;
};

TEST_F(SkipWeightsTest, EveryTrainerTrainsAndScoresTheSkipWeights) {
  struct Case {
    const char* name;
    std::function<void(Workbench&)> set;
    std::function<void(Workbench&)> run;
  };
  auto oneChange = [](Workbench& wb) { TrainOneChange(wb, 2); };
  const Case cases[] = {
      {"standard", [](Workbench& wb) { wb.Form1.SMstdButton.SetChecked(true); }, oneChange},
      {"VSS", [](Workbench&) {}, oneChange},
      {"VSS, signal table", [](Workbench& wb) { wb.Form1.SMSTBox.SetChecked(true); }, oneChange},
      {"VSS, random order", [](Workbench& wb) { wb.Form1.RWOrderBox.SetChecked(true); }, oneChange},
      {"weight sections", [](Workbench& wb) { wb.Form1.SMWSButton.SetChecked(true); }, oneChange},
      {"DH1", [](Workbench& wb) { wb.Form1.SMDH1Button.SetChecked(true); }, oneChange},
      {"in-place VSS", [](Workbench& wb) { wb.Form1.InPlaceBox.SetChecked(true); }, oneChange},
      {"in-place weight sections",
       [](Workbench& wb) {
         wb.Form1.InPlaceBox.SetChecked(true);
         wb.Form1.SMWSButton.SetChecked(true);
       },
       oneChange},
      {"worse steps", [](Workbench&) {}, [](Workbench& wb) { Train1ChangeAccBad(wb, 2); }},
      {"two changes", [](Workbench&) {}, [](Workbench& wb) { TrainTwoChanges(wb, 2); }},
      {"numerical gradient", [](Workbench&) {}, [](Workbench& wb) { NGTrain(wb, 1); }},
  };
  for (const char* hidden : {"2", "0"})
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ", hidden neurons " + hidden);
    Workbench& wb = SkipXor(hidden);
    ASSERT_EQ(wb.Net.size(), 3u);
    ASSERT_EQ(wb.LayerInputs[1], wb.Layers[1] + 2);
    c.set(wb);
    const std::vector<double> before = SkipWeights(wb);
    c.run(wb);
    const auto& messages = static_cast<ScriptedPlatform&>(wb.Plat).Messages;
    ASSERT_TRUE(messages.empty()) << messages.front().Text;
    ASSERT_GT(wb.NumOfEpochs, 0);
    EXPECT_NE(SkipWeights(wb), before);
    // The records have the network's shape, the skip weights included.
    const WeightShape& records = wb.WeightHistory.Shape();
    ASSERT_EQ(records.NumLayers(), 2);
    EXPECT_EQ(records.Neurons, (std::vector<int>{wb.Layers[1], wb.Layers[2]}));
    EXPECT_EQ(records.Weights, (std::vector<int>{3, wb.Layers[1] + 3}));
    // One network, one error: the error the run ends with is what every routine gives its network.
    ASSERT_FALSE(ReadParameters(wb));
    const double recorded = wb.CurrentError;
    const double perLayer = TrainingSetError(wb), plain = ComputeError(wb), table = ErrorFullPass(wb);
    EXPECT_NEAR(perLayer, plain, 1e-12);
    EXPECT_NEAR(table, plain, 1e-12);
    EXPECT_NEAR(recorded, plain, 1e-9);
  }
}

// The per-layer and staircase routines see the skip weights (a network with only skip weights set).
TEST_F(SkipWeightsTest, ErrorRoutinesCountTheSkipWeights) {
  Workbench& wb = SkipXor();
  ASSERT_FALSE(ReadParameters(wb));
  const double e0 = TrainingSetError(wb), p0 = ComputeError(wb);
  EXPECT_NEAR(e0, p0, 1e-12);
  for (TNeuron& n : wb.Net[2]) n.Weights[static_cast<std::size_t>(wb.Layers[1])] += 3.0;
  const double e1 = TrainingSetError(wb), p1 = ComputeError(wb);
  EXPECT_NE(p1, p0);
  EXPECT_NEAR(e1, p1, 1e-12);
  double sum = 0.0;
  for (int v = 0; v < wb.NumOfVectors; ++v) sum += VectorError(wb, v);
  EXPECT_NEAR(sum, e1, 1e-12);
  // A staircase of many steps is close to the sigmoid, and it moves with the skip weights too.
  wb.NumOfStep = 1000;
  const double s1 = StaircaseError(wb);
  EXPECT_NEAR(s1, p1, 0.01);
}

}  // namespace
}  // namespace wl

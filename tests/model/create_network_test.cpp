// Building the network: layer sizes from the feature coding and the window, the initial weights of every
// scheme in their draw order, skip connections, the failure results and what a failure leaves behind.
#include "model/create_network.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "model/weights_file.h"
#include "state/workbench.h"
#include "platform/scripted_platform.h"

namespace wl {
namespace {

// The generator as the program defines it, written out again so that the expected weights do not come
// from the code under test.
struct Lcg {
  std::uint32_t seed;
  void Step() { seed = seed * 134775813u + 1u; }
  double Real() {
    Step();
    return seed / 4294967296.0;
  }
  int Below(int n) {
    Step();
    return static_cast<int>((static_cast<std::uint64_t>(seed) * static_cast<std::uint64_t>(n)) >> 32);
  }
};

TFeature Continuous() { return TFeature{}; }
TFeature Discrete(int k) {
  TFeature f;
  f.Kind = 'd';
  f.NValues = k;
  for (int i = 0; i < k; ++i) f.Values.push_back(i);
  return f;
}

class CreateNetworkTest : public ::testing::Test {
 protected:
  ScriptedPlatform plat;
  Workbench wb{plat, "/nonexistent/weightlab"};

  void DataSet(std::vector<TFeature> features, int vectors, int classes) {
    wb.Features = std::move(features);
    wb.NumOfFeatures = static_cast<int>(wb.Features.size());
    wb.AllContinuous = true;
    for (const TFeature& f : wb.Features) wb.AllContinuous = wb.AllContinuous && f.Kind == 'c';
    wb.NumOfVectors = vectors;
    wb.NumOfClasses = classes;
    wb.Data.assign(vectors, std::vector<double>(wb.Features.size(), 0.0));
    wb.VectorClass.assign(vectors, 0);
    wb.VectorWeight.assign(vectors, 1.0);
  }
  void Hidden(const std::string& l2, const std::string& l3 = "0") {
    wb.Form1.HiddenEditT2.SetText(l2);
    wb.Form1.Hid3EditT2.SetText(l3);
  }
  // Every weight of layers 1 and up in the flat order (layer, neuron, weight index, threshold last).
  std::vector<double> Flat() const {
    std::vector<double> w;
    for (std::size_t l = 1; l < wb.Net.size(); ++l)
      for (const TNeuron& n : wb.Net[l]) w.insert(w.end(), n.Weights.begin(), n.Weights.end());
    return w;
  }
  std::string LastMessage() const { return plat.Messages.empty() ? "" : plat.Messages.back().Text; }
};

TEST_F(CreateNetworkTest, LayerSizesFollowFeatureCodingAndWindow) {
  struct Case {
    const char* what;
    std::vector<TFeature> features;
    int classes;
    const char* hidden;
    const char* hid3;
    bool defaultClass;
    std::vector<int> layers;
  };
  const std::vector<Case> cases = {
      {"iris: four continuous features",
       {Continuous(), Continuous(), Continuous(), Continuous()},
       3,
       "4   ",
       "0   ",
       false,
       {4, 4, 3}},
      {"a discrete feature of 3 values and 2 continuous",
       {Discrete(3), Continuous(), Continuous()},
       2,
       "2",
       "0",
       false,
       {5, 2, 2}},
      {"default class: one output less", {Continuous(), Continuous()}, 3, "4", "0", true, {2, 4, 2}},
      {"four layers", {Continuous(), Discrete(4)}, 2, "6", "3", false, {5, 6, 3, 2}},
      {"no hidden layer", {Continuous(), Continuous()}, 3, "0", "0", false, {2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DataSet(c.features, 10, c.classes);
    Hidden(c.hidden, c.hid3);
    wb.Form1.DefClassBox.SetChecked(c.defaultClass);
    ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt) << LastMessage();
    EXPECT_EQ(wb.Layers, c.layers);
    EXPECT_EQ(wb.NumOfLayers, static_cast<int>(c.layers.size()));
    ASSERT_EQ(wb.Net.size(), c.layers.size());
    int weights = 0;
    for (std::size_t l = 0; l < c.layers.size(); ++l) {
      ASSERT_EQ(wb.Net[l].size(), static_cast<std::size_t>(c.layers[l]));
      EXPECT_EQ(wb.LayerInputs[l], c.layers[l]);
      for (const TNeuron& n : wb.Net[l]) {
        const std::size_t count = l == 0 ? 1 : c.layers[l - 1] + 1;
        EXPECT_EQ(n.Weights.size(), count);
        if (l > 0) {
          EXPECT_EQ(n.OldWeights.size(), count);
          EXPECT_EQ(n.BaseWeights.size(), count);
        }
      }
      if (l > 0) weights += c.layers[l] * (c.layers[l - 1] + 1);
    }
    EXPECT_EQ(wb.NumOfWeights, weights);
    EXPECT_EQ(wb.InputFeature.size(), static_cast<std::size_t>(c.layers[0]));
    EXPECT_EQ(wb.InputValue.size(), static_cast<std::size_t>(c.layers[0]));
    ASSERT_EQ(wb.SignalTable.size(), c.layers.size() - 1);
    for (std::size_t l = 1; l < c.layers.size(); ++l) {
      ASSERT_EQ(wb.SignalTable[l - 1].size(), static_cast<std::size_t>(c.layers[l]));
      for (const auto& row : wb.SignalTable[l - 1]) EXPECT_EQ(row.size(), 10u);
    }
  }
  wb.Form1.DefClassBox.SetChecked(false);
}

TEST_F(CreateNetworkTest, IrisSizesCaptionAndRecords) {
  DataSet({Continuous(), Continuous(), Continuous(), Continuous()}, 150, 3);
  wb.SigmoidCount = 99;
  wb.ErrorEvaluations = 7;
  wb.NetKind = 1;
  wb.HiddenPlotMode = 2;
  wb.OutputPlotMode = 3;
  ASSERT_EQ(CreateNetwork(wb, 2), NetworkBuilt);
  EXPECT_EQ(wb.NumOfWeights, 35);
  EXPECT_EQ(wb.Form1.Label56.Caption(), "Vectors=150  L0=4  L1=4  L2=3");
  EXPECT_EQ(wb.NetType, 2);
  EXPECT_EQ(wb.NetKind, 0);
  EXPECT_EQ(wb.SigmoidCount, 0);
  EXPECT_EQ(wb.ErrorEvaluations, 0);
  EXPECT_EQ(wb.HiddenPlotMode, 0);
  EXPECT_EQ(wb.OutputPlotMode, 0);
  EXPECT_EQ(wb.ParamText[1], "Random Initial Weights, Sigmoid Inputs");
  EXPECT_EQ(wb.ParamText[5], "number of hidden neurons per input 4   ");
  for (int i : {2, 3, 4, 6, 10, 11, 19}) EXPECT_EQ(wb.ParamText[i], "  ") << i;
  EXPECT_TRUE(plat.Messages.empty());
}

// Each scheme's weights for a fixed seed, from the definition: the draws go layer by layer, neuron by
// neuron, weight index upwards; schemes 1, 2, 3, 5, 6 fill layers 1 and 2 only.
TEST_F(CreateNetworkTest, SchemesDrawInTheStatedOrder) {
  DataSet({Continuous(), Continuous(), Discrete(2)}, 5, 2);
  Hidden("3", "2");  // four layers: 4 inputs, 3, 2, 2 outputs
  wb.Form1.InitEdit.SetText("1.5");
  const std::vector<int> fanIn = {4, 3, 2};  // of layers 1, 2, 3
  const std::vector<int> sizes = {3, 2, 2};
  const double iw = 1.5;

  struct Scheme {
    int number;
    bool linear;
    const char* caption;
  };
  const std::vector<Scheme> schemes = {
      {1, false, "Deterministic Initial Weights, Sigmoid Inputs"},
      {2, false, "Random Initial Weights, Sigmoid Inputs"},
      {3, true, "Deterministic Initial Weights, Linear Inputs"},
      {4, true, "Random Initial Weights, Linear Inputs"},
      {5, true, "Random Integer Initial Weights, Linear Inputs"},
      {6, false, "Random Integer Initial Weights, Sigmoid Inputs"},
      {7, true, "Random Initial Weights, Linear Inputs - BS"},
      {8, true, "Zero Initial Weights, Linear Inputs"},
  };
  for (const Scheme& s : schemes) {
    SCOPED_TRACE(s.number);
    wb.Rng.Seed = 12345u + s.number;
    Lcg rng{12345u + static_cast<std::uint32_t>(s.number)};
    ASSERT_EQ(CreateNetwork(wb, static_cast<std::uint8_t>(s.number)), NetworkBuilt) << LastMessage();

    std::vector<double> expected;
    for (int l = 1; l <= 3; ++l)
      for (int j = 0; j < sizes[l - 1]; ++j)
        for (int i = 0; i <= fanIn[l - 1]; ++i) {
          const bool threshold = i == fanIn[l - 1];
          double w = 0.0;
          switch (s.number) {
            case 1:
            case 3:
              w = threshold ? -iw : (l <= 2 ? iw : 0.0);
              break;
            case 2:
              if (l <= 2) w = (1.0 - 2.0 * rng.Real()) * iw;
              break;
            case 4:
            case 7:
              w = (1.0 - 2.0 * rng.Real()) * iw;
              break;
            case 5:
            case 6:
              // Round(1.5) = 2 (halves to even) and Round(2 × 1.5 + 1) = 4: 2 - Random(4), in -1..2.
              if (l <= 2) w = 2.0 - rng.Below(4);
              break;
          }
          expected.push_back(w);
        }
    EXPECT_EQ(Flat(), expected);
    EXPECT_EQ(wb.Rng.Seed, rng.seed) << "one draw per filled weight, no more";
    EXPECT_EQ(wb.LinearInputs, s.linear);
    EXPECT_EQ(wb.ParamText[1], s.caption);
    EXPECT_EQ(wb.NetType, s.number);
    for (const TNeuron& n : wb.Net[0]) EXPECT_EQ(n.Weights, std::vector<double>{1.0});
  }
}

TEST_F(CreateNetworkTest, IntegerAndZeroRanges) {
  DataSet({Continuous(), Continuous()}, 5, 2);
  Hidden("30");
  // IW = 1: each weight one of -1, 0, 1, all three drawn.
  wb.Form1.InitEdit.SetText("1");
  wb.Rng.Seed = 7;
  ASSERT_EQ(CreateNetwork(wb, 5), NetworkBuilt);
  int seen[3] = {0, 0, 0};
  for (double w : Flat()) {
    ASSERT_TRUE(w == -1.0 || w == 0.0 || w == 1.0) << w;
    ++seen[static_cast<int>(w) + 1];
  }
  EXPECT_GT(seen[0], 0);
  EXPECT_GT(seen[1], 0);
  EXPECT_GT(seen[2], 0);

  // IW = 0: scheme 5 gives zeros, scheme 4 too but advances the generator by one draw per weight.
  wb.Form1.InitEdit.SetText("0");
  for (int scheme : {4, 5}) {
    wb.Rng.Seed = 99;
    Lcg rng{99};
    ASSERT_EQ(CreateNetwork(wb, static_cast<std::uint8_t>(scheme)), NetworkBuilt);
    for (double w : Flat()) EXPECT_EQ(w, 0.0);
    for (int i = 0; i < wb.NumOfWeights; ++i) rng.Step();
    EXPECT_EQ(wb.Rng.Seed, rng.seed) << scheme;
  }
}

TEST_F(CreateNetworkTest, UnknownSchemeFillsNothing) {
  DataSet({Continuous(), Continuous()}, 5, 2);
  ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
  ASSERT_TRUE(wb.LinearInputs);
  wb.Rng.Seed = 5;
  ASSERT_EQ(CreateNetwork(wb, 9), NetworkBuilt);
  EXPECT_EQ(wb.Rng.Seed, 5u);
  for (double w : Flat()) EXPECT_EQ(w, 0.0);
  EXPECT_EQ(wb.Net[0][0].Weights[0], 0.0);
  EXPECT_TRUE(wb.LinearInputs) << "left as it was";
  EXPECT_EQ(wb.ParamText[1], "  ");
  EXPECT_EQ(wb.NetType, 9);
}

TEST_F(CreateNetworkTest, SkipConnectionLayout) {
  DataSet({Continuous(), Continuous(), Continuous(), Continuous()}, 5, 3);
  Hidden("5", "2");  // four layers asked for; skip connections force three
  wb.Form1.SkipCheck.SetChecked(true);
  wb.Rng.Seed = 3;
  Lcg rng{3};
  ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt) << LastMessage();
  EXPECT_EQ(wb.NumOfLayers, 3);
  EXPECT_EQ(wb.Layers, (std::vector<int>{4, 5, 3}));
  EXPECT_EQ(wb.LayerInputs[0], 4);
  EXPECT_EQ(wb.LayerInputs[1], 9);
  for (const TNeuron& n : wb.Net[2]) EXPECT_EQ(n.Weights.size(), 10u);
  EXPECT_EQ(wb.NumOfWeights, 5 * 5 + 3 * 10);
  std::vector<double> expected;
  for (int i = 0; i < wb.NumOfWeights; ++i) expected.push_back(1.0 - 2.0 * rng.Real());
  EXPECT_EQ(Flat(), expected);

  // Any other scheme is refused and the network stays.
  const std::vector<double> before = Flat();
  for (int scheme : {1, 2, 3, 5, 6, 7, 8}) {
    plat.Messages.clear();
    EXPECT_EQ(CreateNetwork(wb, static_cast<std::uint8_t>(scheme)), NetworkSkipNeedsScheme4);
    EXPECT_EQ(LastMessage(), "Skip connections are selected. Select random weights with linear inputs");
    EXPECT_EQ(Flat(), before);
    EXPECT_EQ(wb.NetType, 4);
  }
  wb.Form1.FullConn.SetChecked(true);
}

TEST_F(CreateNetworkTest, ZeroHiddenWeightsAndIntegerWeightSettings) {
  DataSet({Continuous(), Continuous()}, 5, 2);
  wb.Form1.ZHWBox.SetChecked(true);
  ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
  for (const TNeuron& n : wb.Net[1])
    for (double w : n.Weights) EXPECT_EQ(w, 0.0);
  bool drawn = false;
  for (const TNeuron& n : wb.Net[2])
    for (double w : n.Weights) drawn = drawn || w != 0.0;
  EXPECT_TRUE(drawn);
  wb.Form1.ZHWBox.SetChecked(false);

  wb.Form1.IntegerWEdit.SetText("0.5");
  wb.Form1.pmwEdit.SetText("3");
  ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
  for (const TNeuron& n : wb.Net[1]) EXPECT_EQ(n.Weights.back(), 1.5);
  for (const TNeuron& n : wb.Net[2])
    for (double w : n.Weights) EXPECT_EQ(w, 1.0);

  // In a four-layer network only the first-layer thresholds change.
  Hidden("3", "2");
  ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
  for (const TNeuron& n : wb.Net[1]) EXPECT_EQ(n.Weights.back(), 1.5);
  bool otherThanOne = false;
  for (const TNeuron& n : wb.Net[3])
    for (double w : n.Weights) otherThanOne = otherThanOne || w != 1.0;
  EXPECT_TRUE(otherThanOne);
}

// The checks after the layers are sized: each shows its message, returns 2 and leaves the previous
// network, its counters and its caption as they were.
TEST_F(CreateNetworkTest, FailedChecksLeaveThePreviousNetwork) {
  DataSet({Continuous(), Continuous(), Continuous()}, 6, 3);
  ASSERT_EQ(CreateNetwork(wb, 4), NetworkBuilt);
  wb.SigmoidCount = 1234;
  const std::vector<int> layers = wb.Layers;
  const std::vector<double> weights = Flat();
  const std::string caption = wb.Form1.Label56.Caption();
  auto unchanged = [&] {
    EXPECT_EQ(wb.Layers, layers);
    EXPECT_EQ(Flat(), weights);
    EXPECT_EQ(wb.NetType, 4);
    EXPECT_EQ(wb.SigmoidCount, 1234);
    EXPECT_EQ(wb.Form1.Label56.Caption(), caption);
    EXPECT_EQ(wb.ParamText[1], "Random Initial Weights, Linear Inputs");
  };

  // Fewer than two layers (the parameter reader never yields it; the builder still checks).
  wb.NumOfLayers = 1;
  EXPECT_EQ(BuildNetworkFromParameters(wb, 2), NetworkParametersFailed);
  EXPECT_EQ(LastMessage(), "Error: NumOfLayers < 2");
  unchanged();

  // No input: a data set without features.
  std::vector<TFeature> features = wb.Features;
  wb.Features.clear();
  EXPECT_EQ(CreateNetwork(wb, 2), NetworkParametersFailed);
  EXPECT_EQ(LastMessage(), "Error: Layer[0] < 1");
  unchanged();
  wb.Features = features;

  // No output: one class and the default class.
  wb.NumOfClasses = 1;
  wb.Form1.DefClassBox.SetChecked(true);
  EXPECT_EQ(CreateNetwork(wb, 2), NetworkParametersFailed);
  EXPECT_EQ(LastMessage(), "Error: Layers[NumOfLayers-1] < 1");
  unchanged();
  wb.Form1.DefClassBox.SetChecked(false);
  wb.NumOfClasses = 3;

  // An invalid parameter: the reader's message, nothing built.
  plat.Messages.clear();
  wb.Form1.InitEdit.SetText("-1");
  EXPECT_EQ(CreateNetwork(wb, 2), NetworkParametersFailed);
  EXPECT_EQ(plat.Messages.size(), 1u);
  unchanged();
  wb.Form1.InitEdit.SetText("1.0");

  // An SMLP whose classes have different numbers of hidden neurons is refused.
  plat.Messages.clear();
  wb.Form1.strbox.SetChecked(true);
  wb.Form1.HidPerOut1Edit.SetText("2");
  EXPECT_EQ(CreateNetwork(wb, 2), NetworkParametersFailed);
  EXPECT_NE(LastMessage().find("SMLP"), std::string::npos);
  unchanged();
  wb.Form1.HidPerOut1Edit.SetText("1");
  wb.Form1.FullConn.SetChecked(true);

  EXPECT_EQ(CreateNetwork(wb, 2), NetworkBuilt);
  EXPECT_EQ(wb.SigmoidCount, 0);
}

// A build that is refused after the parameters were read keeps the previous network described by its
// own layer count and transfer functions (the reading had placed them for the new count), so that what
// walks the layers (the weights file here) walks the whole kept network.
TEST_F(CreateNetworkTest, ARefusedBuildKeepsTheKeptNetworksDescription) {
  DataSet({Continuous(), Continuous()}, 4, 2);
  wb.Form1.SameLayersBox.SetChecked(false);
  wb.Form1.OutTF.SetItemIndex(1);  // tanh on the output layer, sigmoid on L2
  Hidden("2");
  ASSERT_EQ(CreateNetwork(wb, 1), NetworkBuilt);
  ASSERT_EQ(wb.NumOfLayers, 3);
  ASSERT_EQ(wb.LayerTF[1].TFKind, 2);
  ASSERT_EQ(wb.LayerTF[0].TFKind, 1);
  const std::vector<double> weights = Flat();
  auto kept = [&](const char* what) {
    EXPECT_EQ(wb.NumOfLayers, 3) << what;
    EXPECT_EQ(wb.LayerTF[1].TFKind, 2) << what;
    EXPECT_EQ(wb.LayerTF[0].TFKind, 1) << what;
    EXPECT_EQ(Flat(), weights) << what;
    // Two neurons of three weights in each of the two layers.
    const std::string text = WeightsFileText(wb);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 12) << what;
  };

  // No hidden layer asked for, with skip connections and another scheme than 4: refused.
  Hidden("0");
  wb.Form1.SkipCheck.SetChecked(true);
  EXPECT_EQ(CreateNetwork(wb, 1), NetworkSkipNeedsScheme4);
  kept("skip connections with scheme 1");
  wb.Form1.FullConn.SetChecked(true);

  // A bad parameter after the layer count was read.
  wb.Form1.InitEdit.SetText("-1");
  EXPECT_EQ(CreateNetwork(wb, 2), NetworkParametersFailed);
  kept("a bad initial weight range");
  wb.Form1.InitEdit.SetText("1.0");

  // A build that goes through describes the new network.
  EXPECT_EQ(CreateNetwork(wb, 2), NetworkBuilt);
  EXPECT_EQ(wb.NumOfLayers, 2);
  EXPECT_EQ(wb.LayerTF[0].TFKind, 2);
}

}  // namespace
}  // namespace wl

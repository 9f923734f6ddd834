#include "model/create_network.h"

#include <algorithm>
#include <array>
#include <string>

#include "model/read_parameters.h"
#include "state/workbench.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"

namespace wl {

int InputLayerSize(const std::vector<TFeature>& features) {
  int n = 0;
  for (const TFeature& f : features) n += f.Kind == 'c' ? 1 : f.NValues;
  return n;
}

const char* SchemeCaption(int scheme) {
  switch (scheme) {
    case 1:
      return "Deterministic Initial Weights, Sigmoid Inputs";
    case 2:
      return "Random Initial Weights, Sigmoid Inputs";
    case 3:
      return "Deterministic Initial Weights, Linear Inputs";
    case 4:
      return "Random Initial Weights, Linear Inputs";
    case 5:
      return "Random Integer Initial Weights, Linear Inputs";
    case 6:
      return "Random Integer Initial Weights, Sigmoid Inputs";
    case 7:
      return "Random Initial Weights, Linear Inputs - BS";
    case 8:
      return "Zero Initial Weights, Linear Inputs";
    default:
      return "";
  }
}

namespace {

const char* const kSkipNeedsScheme4 = "Skip connections are selected. Select random weights with linear inputs";

}  // namespace

std::string NetworkShapeRefusal(const Workbench& wb, std::uint8_t scheme) {
  const TForm1& form = wb.Form1;
  const bool skip = form.SkipCheck.Checked();
  if (skip && scheme != 4) return kSkipNeedsScheme4;
  if (form.strbox.Checked()) return "";
  const int numLayers = skip ? 3 : wb.NumOfLayers;
  if (numLayers < 2) return "Error: NumOfLayers < 2";
  if (InputLayerSize(wb.Features) < 1) return "Error: Layer[0] < 1";
  if (wb.NumOfClasses - (form.DefClassBox.Checked() ? 1 : 0) < 1) return "Error: Layers[NumOfLayers-1] < 1";
  return "";
}

int BuildNetworkFromParameters(Workbench& wb, std::uint8_t scheme) {
  TForm1& form = wb.Form1;
  const bool skip = form.SkipCheck.Checked();
  if (skip && scheme != 4) {
    wb.Plat.ShowMessage(kSkipNeedsScheme4);
    return NetworkSkipNeedsScheme4;
  }
  if (form.strbox.Checked()) {
    return CallCreateSMLPNetwork(wb);
  }
  if (const std::string why = NetworkShapeRefusal(wb, scheme); !why.empty()) {
    wb.Plat.ShowMessage(why);
    return NetworkParametersFailed;
  }

  // The new network is built aside and replaces the current one only when every check has passed.
  const int numLayers = skip ? 3 : wb.NumOfLayers;
  std::array<std::string, 21> paramText = wb.ParamText;
  for (int i = 1; i <= 19; ++i) paramText[i] = "  ";
  paramText[5] = "number of hidden neurons per input " + form.HiddenEditT2.Text();

  const int hidden = StrToInt(form.HiddenEditT2.Text());
  std::vector<int> layers(numLayers, 0);
  layers[0] = InputLayerSize(wb.Features);
  layers[1] = hidden;
  if (numLayers == 4) layers[2] = StrToInt(form.Hid3EditT2.Text());
  layers[numLayers - 1] = wb.NumOfClasses - (form.DefClassBox.Checked() ? 1 : 0);

  std::array<int, 4> layerInputs{};
  for (int l = 0; l < numLayers && l < 4; ++l) layerInputs[l] = layers[l];
  if (skip) layerInputs[1] = layers[1] + layers[0];

  // Input neurons carry one scaling weight; the others a weight per input and the threshold last.
  std::vector<std::vector<TNeuron>> net(numLayers);
  net[0].resize(std::max(0, layers[0]));
  for (TNeuron& n : net[0]) n.Weights.assign(1, 0.0);
  for (int l = 1; l < numLayers; ++l) {
    net[l].resize(std::max(0, layers[l]));
    const std::size_t count = static_cast<std::size_t>(std::max(0, layerInputs[l - 1])) + 1;
    for (TNeuron& n : net[l]) {
      n.Weights.assign(count, 0.0);
      n.OldWeights.assign(count, 0.0);
      n.BaseWeights.assign(count, 0.0);
    }
  }

  // Initial weights. Draws go layer by layer, neuron by neuron, weight index 0 upwards.
  const double iw = wb.InitialWeight;
  const int lastFilled = std::min(2, numLayers - 1);  // the "layers 1 and 2" of several schemes
  auto fill = [&](int toLayer, auto value) {
    for (int l = 1; l <= toLayer; ++l)
      for (TNeuron& n : net[l])
        for (double& w : n.Weights) w = value();
  };
  auto uniform = [&] { return (1.0 - 2.0 * wb.Rng.Real()) * iw; };
  auto integer = [&] {
    return static_cast<double>(Round(iw) - wb.Rng.Below(static_cast<std::int32_t>(Round(2.0 * iw + 1.0))));
  };
  bool linearInputs = wb.LinearInputs;
  const bool known = scheme >= 1 && scheme <= 8;
  switch (scheme) {
    case 1:
    case 3:
      fill(lastFilled, [&] { return iw; });
      for (int l = 1; l < numLayers; ++l)
        for (TNeuron& n : net[l]) n.Weights[layerInputs[l - 1]] = -iw;
      break;
    case 2:
      fill(lastFilled, uniform);
      break;
    case 7:
      for (int l = 0; l < numLayers && l < 4; ++l) layerInputs[l] = layers[l];
      [[fallthrough]];
    case 4:
      fill(numLayers - 1, uniform);
      break;
    case 5:
    case 6:
      fill(lastFilled, integer);
      break;
    default:
      break;  // scheme 8: zero weights; an unknown scheme fills nothing
  }
  if (known) {
    linearInputs = !(scheme == 1 || scheme == 2 || scheme == 6);
    for (TNeuron& n : net[0]) n.Weights[0] = 1.0;
    paramText[1] = SchemeCaption(scheme);
  }

  int numOfWeights = 0;
  for (int l = 1; l < numLayers; ++l) numOfWeights += layers[l] * (layerInputs[l - 1] + 1);


  std::vector<std::vector<std::vector<double>>> signalTable(numLayers - 1);
  for (int l = 1; l < numLayers; ++l)
    signalTable[l - 1].assign(std::max(0, layers[l]), std::vector<double>(std::max(0, wb.NumOfVectors), 0.0));

  if (form.ZHWBox.Checked())
    for (TNeuron& n : net[1]) std::fill(n.Weights.begin(), n.Weights.end(), 0.0);

  if (StrToFloat(form.IntegerWEdit.Text()) > 0.0) {
    const double pmw = StrToFloat(form.pmwEdit.Text());
    for (TNeuron& n : net[1]) n.Weights[layerInputs[0]] = pmw * 0.5;
    if (numLayers == 3)
      for (TNeuron& n : net[2]) std::fill(n.Weights.begin(), n.Weights.end(), 1.0);
  }

  wb.NumOfLayers = numLayers;
  wb.Layers = std::move(layers);
  wb.Net = std::move(net);
  wb.LayerInputs = layerInputs;
  wb.NumOfWeights = numOfWeights;
  wb.LinearInputs = linearInputs;
  wb.NetType = scheme;
  wb.NetKind = 0;
  wb.SingleClassNet = false;  // the rules of a single-class network no longer describe the network
  wb.SigmoidCount = 0;
  wb.ErrorEvaluations = 0;
  wb.InputFeature.assign(wb.Layers[0], 0);
  wb.InputValue.assign(wb.Layers[0], 0);
  wb.RunInputOf.clear();  // a pruning of an earlier run no longer concerns this network
  wb.SignalTable = std::move(signalTable);
  wb.ParamText = std::move(paramText);
  ShowNetworkCaption(wb);
  return NetworkBuilt;
}

void ShowNetworkCaption(Workbench& wb) {
  if (wb.Layers.size() < 2) return;
  Label& label = wb.Form1.Label56;
  label.SetCaption("Vectors=" + IntToStr(wb.NumOfVectors) + "  L0=" + IntToStr(wb.Layers[0]) +
                   "  L1=" + IntToStr(wb.Layers[1]) + "  L2=" + IntToStr(wb.NumOfClasses));
  label.Repaint();
}

NetworkDescription::NetworkDescription(const Workbench& wb)
    : NumOfLayers(wb.NumOfLayers), LayerTF(wb.LayerTF), NonStandardTF(wb.NonStandardTF) {}

bool NetworkDescription::RestoreIfStale(Workbench& wb) const {
  const int layers = static_cast<int>(wb.Net.size());
  if (layers == 0 || layers == wb.NumOfLayers || layers != NumOfLayers) return false;
  wb.NumOfLayers = NumOfLayers;
  wb.LayerTF = LayerTF;
  wb.NonStandardTF = NonStandardTF;
  return true;
}

int CreateNetwork(Workbench& wb, std::uint8_t scheme) {
  wb.HiddenPlotMode = 0;
  wb.OutputPlotMode = 0;
  // A network is built for the data set read: without one nothing is read or changed.
  if (wb.Features.empty() && wb.NumOfVectors < 1) {
    wb.Plat.ShowMessage("No data set has been opened yet. Open a data set first (Open -> Open Training Set).");
    return NetworkParametersFailed;
  }
  const NetworkDescription kept(wb);
  int result = NetworkParametersFailed;
  if (!ReadParameters(wb)) result = BuildNetworkFromParameters(wb, scheme);
  if (result != NetworkBuilt && result != NetworkSmlpBuilt) kept.RestoreIfStale(wb);
  return result;
}

}  // namespace wl

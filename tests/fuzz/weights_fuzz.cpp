// The weights file: "Load Weights from File" over a built network (a perceptron on iris, or the
// five-layer N-of-M network on monk1, whose files add "NofM" and "AND" lines). A refused file must say so
// and leave the network as it was; a loaded one is saved, loaded again and saved again, and the two
// saved files must agree.
#include <tuple>

#include "fuzz_support.h"
#include "model/weights_file.h"


namespace wl::fuzz {

namespace {

// Everything a load may change: the layers' weights and the five-layer network's units.
auto NetworkWeights(const Workbench& wb) {
  std::vector<std::vector<double>> w;
  for (const auto& layer : wb.Net)
    for (const TNeuron& n : layer) w.push_back(n.Weights);
  for (const auto& u : wb.NofMUnits) w.push_back(u.Weights);
  for (const auto& u : wb.AndUnits) w.push_back(u.Weights);
  return std::make_tuple(w, wb.Layers, wb.NumOfLayers);
}

void FuzzWeights(std::string_view text, bool fiveLayer) {
  FuzzProgram p;
  p.Start();
  Workbench& wb = p.Wb();
  p.Plat().OpenAnswers.push_back(fiveLayer ? "DATA/monk1.dat" : "DATA/iris.dat");
  if (!p.Click("Simple1")) Broken("the data set was refused");
  if (fiveLayer) {
    wb.NetKind = 11;  // as "N of M 5" leaves it
    wb.Form1.EpochEditT2.SetText("2");
  }
  if (!fiveLayer && !p.Click("DeterministicValues")) Broken("the network was refused");
  p.TakeMessages();
  const auto before = NetworkWeights(wb);

  p.Write("results/fuzz_weights.txt", text);
  p.Plat().OpenAnswers.push_back("results/fuzz_weights.txt");
  const bool loaded = p.Click("LoadWeightsfromFile1");
  const auto messages = p.TakeMessages();
  if (!loaded) {
    if (messages.empty()) Broken("the file was refused without a message");
    if (!fiveLayer && NetworkWeights(wb) != before) Broken("a refused file changed the network");
    return;
  }
  if (!p.Click("SaveCurrentWeightstoFile1")) return;  // a weight too large to write is refused with a message
  const std::string saved = wb.ResultsPrefix + "_FinalWeights.txt";
  const std::string first = ReadWhole(saved);
  // A file that sets fewer weights than the network has must say so.
  std::size_t lines = 0, weights = 0;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    if (text.substr(at, end - at).find_first_not_of(" \t\r\v\f") != std::string_view::npos) ++lines;
    at = end + 1;
  }
  for (char c : first) weights += c == '\n';
  if (lines == 0) Broken("a file without a weight line was loaded");
  if (!fiveLayer && lines < weights && messages.empty()) Broken("a file setting only some weights loaded without a word");
  p.Plat().OpenAnswers.push_back(saved);
  if (!p.Click("LoadWeightsfromFile1")) Broken("the program's own weights file was refused");
  if (!p.Click("SaveCurrentWeightstoFile1")) Broken("the weights loaded back cannot be saved");
  if (ReadWhole(saved) != first) Broken("saving, loading and saving again changed the weights file");
}

}  // namespace

void FuzzWeightsFile(const std::uint8_t* data, std::size_t size) { FuzzWeights(AsText(data, size), false); }
void FuzzFiveLayerWeightsFile(const std::uint8_t* data, std::size_t size) { FuzzWeights(AsText(data, size), true); }

}  // namespace wl::fuzz

#include "model/weights_file.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <tuple>
#include <vector>

#include "state/hooks.h"
#include "state/report_opener.h"
#include "model/create_network.h"
#include "model/read_parameters.h"
#include "model/settings_file.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace wl {

namespace {

const char* const kNoDataSet = "No data set has been opened yet. Open a data set first (Open -> Open Training Set).";

int NetworkLayers(const Workbench& wb) { return std::min<int>(wb.NumOfLayers, static_cast<int>(wb.Net.size())); }

// The three-layer SMLP of all classes on one-hot inputs, which a file can rebuild.
bool IsPlainSMLP(const Workbench& wb) {
  return wb.NetKind != 0 && wb.NetKind != 11 && wb.NetType == 3 && wb.LUnitsMode == 0 && !wb.SingleClassNet &&
         wb.Net.size() == 3 && !wb.HidPerOut.empty();
}

// A step network that a file does not rebuild, by name; "" for the plain SMLP, the five-layer N-of-M
// network (its own lines) and the sigmoid networks.
std::string OtherStepNetwork(const Workbench& wb) {
  if (wb.NetKind == 0 || wb.NetKind == 11 || IsPlainSMLP(wb)) return "";
  if (wb.NetType == 3 && wb.LUnitsMode == 1) return "L-units";
  if (wb.NetType == 3 && wb.LUnitsMode == 7) return "L-net";
  if (wb.NetType == 4) return "N-of-M";
  if (wb.NetType == 3 && wb.SingleClassNet) return "single-class";
  return "step";
}

}  // namespace

std::string StepNetworkLine(const Workbench& wb) {
  if (IsPlainSMLP(wb)) {
    std::string line = "SMLP  slope " + ExactFloatToStr(wb.Slope) + "  hidden " + IntToStr(wb.HidPerOut[0]) + "  mask";
    for (std::size_t f = 0; f < wb.Features.size(); ++f) {
      line += ' ';
      line += IntToStr(f < wb.FeatureMask.size() ? wb.FeatureMask[f] : 1);
    }
    return line;
  }
  const std::string other = OtherStepNetwork(wb);
  return other.empty() ? "" : "Step  " + other;
}

std::string WeightFileValue(double w) {
  std::string s = FormatFixed(w, 15);
  const std::size_t start = (!s.empty() && s[0] == '-') ? 1 : 0;
  const std::size_t point = s.find('.');
  if (point == std::string::npos) return s;  // not a finite number
  const std::string whole = s.substr(start, point - start);
  const int intDigits = whole == "0" ? 0 : static_cast<int>(whole.size());
  // Twenty significant digits are asked for: a value of more than five integer digits keeps fewer decimals
  // and the rest are written as zeros.
  if (intDigits > 5 && intDigits <= 20) {
    const int decimals = 20 - intDigits;
    s = FormatFixed(w, decimals);
    if (decimals == 0) s += ".";
    s.append(static_cast<std::size_t>(15 - decimals), '0');
  }
  return s;
}

std::string WeightsFileText(const Workbench& wb) {
  std::string text;
  // A step network says first what its weights alone do not: the loader rebuilds it from that line.
  const std::string step = StepNetworkLine(wb);
  if (!step.empty()) text += step + "\n";
  for (int l = 1; l < NetworkLayers(wb); ++l) {
    const auto& layer = wb.Net[static_cast<std::size_t>(l)];
    for (std::size_t j = 0; j < layer.size(); ++j)
      for (std::size_t i = 0; i < layer[j].Weights.size(); ++i)
        text += IntToStr(l) + "  " + IntToStr(static_cast<std::int64_t>(j)) + "  " +
                IntToStr(static_cast<std::int64_t>(i)) + "   " + WeightFileValue(layer[j].Weights[i]) + "\n";
  }
  // The five-layer N-of-M network keeps its N-of-M and AND units outside Net: they follow, so that the
  // file holds the whole network.
  if (wb.NetKind == 11 && wb.NetType == 5) {
    auto units = [&](const char* tag, const std::vector<TNeuron>& list) {
      for (std::size_t j = 0; j < list.size(); ++j)
        for (std::size_t i = 0; i < list[j].Weights.size(); ++i)
          text += std::string(tag) + "  " + IntToStr(static_cast<std::int64_t>(j)) + "  " +
                  IntToStr(static_cast<std::int64_t>(i)) + "   " + WeightFileValue(list[j].Weights[i]) + "\n";
    };
    units("NofM", wb.NofMUnits);
    units("AND", wb.AndUnits);
  }
  return text;
}

void SaveWeights(Workbench& wb, std::uint8_t mode) {
  if (wb.InCrossvalidation) return;
  if (mode != 0 && mode != 1 && mode != 3) return;
  if (wb.ResultsPrefix.empty()) {
    wb.Plat.ShowMessage(kNoDataSet);
    return;
  }
  const std::string path = wb.ResultsPrefix + (mode == 0 ? "_InitWeights.txt" : "_FinalWeights.txt");
  EnsureDirectory(std::filesystem::path(path).parent_path().string());
  WriteFileAtomically(path, WeightsFileText(wb));
  if (mode == 0) SaveSettings(wb, true);
  if (mode == 3) ShowInNotepad(wb, "notepad.exe " + path);
}

std::string NextLineToken(const std::string& line, int& pos) {
  std::size_t i = pos < 1 ? 0 : static_cast<std::size_t>(pos - 1);
  while (i < line.size() && static_cast<unsigned char>(line[i]) <= ' ') ++i;
  const std::size_t begin = i;
  while (i < line.size() && static_cast<unsigned char>(line[i]) > ' ') ++i;
  pos = static_cast<int>(i) + 1;
  return begin < line.size() ? line.substr(begin, i - begin) : std::string();
}

std::string NextWeightLineToken(Workbench& wb) { return NextLineToken(wb.WeightLine, wb.WeightLinePos); }

namespace {

// The layer of an entry; the five-layer N-of-M network's lines "NofM" and "AND" name units outside Net.
constexpr int kNofMUnitLine = -1;
constexpr int kAndUnitLine = -2;

struct WeightEntry {
  int Layer, Neuron, Index;
  double Value;
  int Line;
};

// The first line of a step network's file (StepNetworkLine).
struct StepLine {
  enum class Kind { None, Smlp, Other } kind = Kind::None;
  double Slope = 0.0;
  int Hidden = 0;
  std::vector<int> Mask;
  std::string Name;  // Other: the network's name
};

[[noreturn]] void BadLine(const std::string& file, int line, const std::string& why) {
  throw FileError("Weights file " + file + ", line " + IntToStr(line) + ": " + why);
}

// The step-network line "SMLP  slope s  hidden h  mask m1 .. mF" or "Step  name", the file's first.
StepLine ReadStepLine(Workbench& wb, const std::string& file, int lineNo) {
  StepLine r;
  const std::string head = NextWeightLineToken(wb);
  if (head == "Step") {
    r.kind = StepLine::Kind::Other;
    r.Name = NextWeightLineToken(wb);
    return r;
  }
  r.kind = StepLine::Kind::Smlp;
  const std::string form = "the SMLP line reads \"SMLP  slope <number>  hidden <count>  mask <0 or 1 per feature>\"";
  if (NextWeightLineToken(wb) != "slope" || !TryStrToFloat(NextWeightLineToken(wb), r.Slope) || !std::isfinite(r.Slope) ||
      NextWeightLineToken(wb) != "hidden")
    BadLine(file, lineNo, form);
  std::int32_t hidden = 0;
  if (!TryStrToInt(NextWeightLineToken(wb), hidden) || hidden < 1 || NextWeightLineToken(wb) != "mask")
    BadLine(file, lineNo, form);
  r.Hidden = hidden;
  for (std::string t = NextWeightLineToken(wb); !t.empty(); t = NextWeightLineToken(wb)) {
    if (t != "0" && t != "1") BadLine(file, lineNo, form);
    r.Mask.push_back(t == "1" ? 1 : 0);
  }
  return r;
}

// Reads and parses every line before anything of the network is touched. For the five-layer N-of-M
// network (fiveLayer) only the lines whose first token is "1", "3", "NofM" or "AND" are read: the output
// layer's lines too, so that the loaded network does not take its output thresholds from the current
// "Output bias"; layer 2 (fixed 1, 1, 1.5, set anew by every pass) is skipped. A step
// network's line, first in the file, goes into `step`.
std::vector<WeightEntry> ReadWeightsFile(Workbench& wb, const std::string& file, bool fiveLayer, StepLine& step) {
  TextLineReader in;
  if (!in.Open(file)) throw FileError("Cannot open file " + file);
  std::vector<WeightEntry> entries;
  std::string line;
  bool first = true;
  while (in.Next(line)) {
    const int lineNo = static_cast<int>(in.LineNo());
    if (Trim(line).empty()) continue;
    wb.WeightLine = line;
    wb.WeightLinePos = 1;
    {
      int pos = 1;
      const std::string head = NextLineToken(line, pos);
      if (head == "SMLP" || head == "Step") {
        if (!first) BadLine(file, lineNo, "the line of a step network stands first in its file");
        step = ReadStepLine(wb, file, lineNo);
        first = false;
        continue;
      }
    }
    first = false;
    std::string t[4];
    for (auto& token : t) token = NextWeightLineToken(wb);
    int unitLine = 0;
    if (fiveLayer) {
      if (t[0] == "NofM")
        unitLine = kNofMUnitLine;
      else if (t[0] == "AND")
        unitLine = kAndUnitLine;
      else if (t[0] != "1" && t[0] != "3")
        continue;
    }
    if (t[3].empty()) BadLine(file, lineNo, "a line holds layer, neuron, weight index and value");
    WeightEntry e{};
    e.Line = lineNo;
    try {
      e.Layer = unitLine != 0 ? unitLine : StrToInt(t[0]);
      e.Neuron = StrToInt(t[1]);
      e.Index = StrToInt(t[2]);
      e.Value = StrToFloat(t[3]);
    } catch (const ConvertError& err) {
      BadLine(file, lineNo, err.what());
    }
    if (!std::isfinite(e.Value)) BadLine(file, lineNo, QuotedText(t[3]) + " is not a valid weight");
    entries.push_back(e);
  }
  if (in.Failed()) throw FileError("Cannot read file " + file);
  return entries;
}

// What a rebuild of the network changes, to be put back when the file does not fit it.
struct NetworkSnapshot {
  NetworkState Network;
  std::int32_t NumOfLayers;
  std::array<std::string, 21> ParamText;
  std::uint32_t Seed;
  int HiddenPlotMode, OutputPlotMode;
  std::string Label56;

  explicit NetworkSnapshot(const Workbench& wb)
      : Network(wb),
        NumOfLayers(wb.NumOfLayers),
        ParamText(wb.ParamText),
        Seed(wb.Rng.Seed),
        HiddenPlotMode(wb.HiddenPlotMode),
        OutputPlotMode(wb.OutputPlotMode),
        Label56(wb.Form1.Label56.Caption()) {}
  void Restore(Workbench& wb) const {
    static_cast<NetworkState&>(wb) = Network;
    wb.NumOfLayers = NumOfLayers;
    wb.ParamText = ParamText;
    wb.Rng.Seed = Seed;
    wb.HiddenPlotMode = HiddenPlotMode;
    wb.OutputPlotMode = OutputPlotMode;
    wb.Form1.Label56.SetCaption(Label56);
  }
};

// What the step builders (five-layer N-of-M, SMLP) change beside the network.
struct FiveLayerSnapshot {
  std::vector<TNeuron> AndUnits, NofMUnits;
  std::vector<int> FeatureValueCount, HidPerOut, FeatureMask;
  int GALength, GARows, GAColumns, SMLPBuilds;
  std::uint8_t LUnitsMode;
  bool SingleClassNet;
  double Slope;

  explicit FiveLayerSnapshot(const Workbench& wb)
      : AndUnits(wb.AndUnits),
        NofMUnits(wb.NofMUnits),
        FeatureValueCount(wb.FeatureValueCount),
        HidPerOut(wb.HidPerOut),
        FeatureMask(wb.FeatureMask),
        GALength(wb.GALength),
        GARows(wb.GARows),
        GAColumns(wb.GAColumns),
        SMLPBuilds(wb.SMLPBuilds),
        LUnitsMode(wb.LUnitsMode),
        SingleClassNet(wb.SingleClassNet),
        Slope(wb.Slope) {}
  void Restore(Workbench& wb) const {
    wb.FeatureMask = FeatureMask;
    wb.LUnitsMode = LUnitsMode;
    wb.SingleClassNet = SingleClassNet;
    wb.Slope = Slope;
    wb.AndUnits = AndUnits;
    wb.NofMUnits = NofMUnits;
    wb.FeatureValueCount = FeatureValueCount;
    wb.HidPerOut = HidPerOut;
    wb.GALength = GALength;
    wb.GARows = GARows;
    wb.GAColumns = GAColumns;
    wb.SMLPBuilds = SMLPBuilds;
  }
};

// Why an entry does not fit the network, or "".
std::string Misfit(const Workbench& wb, const WeightEntry& e) {
  if (e.Layer == kNofMUnitLine || e.Layer == kAndUnitLine) {
    const bool nofm = e.Layer == kNofMUnitLine;
    const std::vector<TNeuron>& units = nofm ? wb.NofMUnits : wb.AndUnits;
    const std::string name = nofm ? "N-of-M unit " : "AND unit ";
    if (e.Neuron < 0 || e.Neuron >= static_cast<int>(units.size()))
      return "the network has no " + name + IntToStr(e.Neuron) + " (it has " +
             IntToStr(static_cast<std::int64_t>(units.size())) + ")";
    const auto& weights = units[static_cast<std::size_t>(e.Neuron)].Weights;
    if (e.Index < 0 || e.Index >= static_cast<int>(weights.size()))
      return name + IntToStr(e.Neuron) + " has no weight " + IntToStr(e.Index) + " (it has " +
             IntToStr(static_cast<std::int64_t>(weights.size())) + ")";
    return "";
  }
  if (e.Layer < 1 || e.Layer >= NetworkLayers(wb))
    return "layer " + IntToStr(e.Layer) + " is not in the network (layers 1 to " + IntToStr(NetworkLayers(wb) - 1) +
           ")";
  const auto& layer = wb.Net[static_cast<std::size_t>(e.Layer)];
  if (e.Neuron < 0 || e.Neuron >= static_cast<int>(layer.size()))
    return "layer " + IntToStr(e.Layer) + " has no neuron " + IntToStr(e.Neuron) + " (it has " +
           IntToStr(static_cast<std::int64_t>(layer.size())) + ")";
  const auto& weights = layer[static_cast<std::size_t>(e.Neuron)].Weights;
  if (e.Index < 0 || e.Index >= static_cast<int>(weights.size()))
    return "neuron " + IntToStr(e.Neuron) + " of layer " + IntToStr(e.Layer) + " has no weight " + IntToStr(e.Index) +
           " (it has " + IntToStr(static_cast<std::int64_t>(weights.size())) + ")";
  return "";
}

// The weights a file can set: every weight of layers 1 up, or for the five-layer N-of-M network those of
// layers 1 and 3 and of its N-of-M and AND units (layer 2 is fixed).
std::size_t LoadableWeights(const Workbench& wb, bool fiveLayer) {
  std::size_t n = 0;
  for (int l = 1; l < NetworkLayers(wb); ++l)
    if (!fiveLayer || l != 2)
      for (const TNeuron& neuron : wb.Net[static_cast<std::size_t>(l)]) n += neuron.Weights.size();
  if (fiveLayer)
    for (const auto* units : {&wb.NofMUnits, &wb.AndUnits})
      for (const TNeuron& unit : *units) n += unit.Weights.size();
  return n;
}

}  // namespace

bool LoadWeights(Workbench& wb, std::string fileName) {
  // The five-layer N-of-M network is a step network: the perceptron's slope that the parameters carry does
  // not change the unit kind of its run.
  struct KeepSlope {
    Workbench& wb;
    bool keep;
    double slope;
    ~KeepSlope() {
      if (keep) wb.Slope = slope;
    }
  } keepSlope{wb, wb.NetKind == 11, wb.Slope};
  if (ReadParameters(wb)) return false;
  // Without a data set no network can be built to take the weights: the user is told so before choosing a
  // file for nothing.
  if (wb.Features.empty() && wb.NumOfVectors < 1) {
    wb.Plat.ShowMessage(kNoDataSet);
    return false;
  }
  // The file is chosen before the network is rebuilt, so that a cancelled dialog leaves the trained
  // network as it is.
  if (fileName.empty()) {
    FileDialog& dlg = wb.Form1.WeightsDialog;
    dlg.InitialDir = wb.Path("\\Results");
    if (!wb.Plat.Execute(dlg)) return false;
    fileName = dlg.FileName;
  }
  // NetKind 11: the five-layer N-of-M network, with its N-of-M and AND units.
  const bool fiveLayer = wb.NetKind == 11;
  StepLine step;
  const std::vector<WeightEntry> entries = ReadWeightsFile(wb, fileName, fiveLayer, step);
  const bool smlp = step.kind == StepLine::Kind::Smlp && !fiveLayer;
  if (smlp && step.Mask.size() != wb.Features.size())
    throw FileError("Weights file " + fileName + " holds an SMLP of " + IntToStr(static_cast<std::int64_t>(step.Mask.size())) +
                    " features; the data set has " + IntToStr(static_cast<std::int64_t>(wb.Features.size())) +
                    "; the network is left as it was");
  // A file without a single weight would only give the network fresh initial weights.
  if (entries.empty())
    throw FileError("Weights file " + fileName + ": no weight line (layer, neuron, weight index and value" +
                    std::string(fiveLayer ? "; for the five-layer N-of-M network the lines \"1\", \"3\", \"NofM\" and \"AND\"" : "") +
                    "); the network is left as it was");

  const NetworkSnapshot before(wb);
  const FiveLayerSnapshot beforeUnits(wb);
  auto restore = [&] {
    before.Restore(wb);
    beforeUnits.Restore(wb);
  };
  // A step network that the file does not rebuild, or a file that names none while a step network is in
  // place: the network built from the file is a sigmoid one, and the user is told so.
  const bool wasStep = wb.NetKind != 0;
  if (fiveLayer) {
    if (!CallCreateFiveLayerNet(wb)) {  // its message has been shown
      restore();
      return false;
    }
  } else if (smlp) {
    wb.HiddenPlotMode = 0;
    wb.OutputPlotMode = 0;
    if (CallCreateSMLPNetwork(wb) != NetworkSmlpBuilt) {  // its message has been shown
      restore();
      return false;
    }
    if (wb.HidPerOut[0] != step.Hidden) {
      const int parameters = wb.HidPerOut[0];
      restore();
      throw FileError("Weights file " + fileName + " holds an SMLP of " + IntToStr(step.Hidden) +
                      " hidden neurons per class; the parameters give " + IntToStr(parameters) +
                      ". Set them alike and load again; the network is left as it was");
    }
  } else {
    const int built = CreateNetwork(wb, wb.NetType);
    if (built != NetworkBuilt && built != NetworkSmlpBuilt) return false;  // its message has been shown
  }
  const std::int32_t builtLayers = wb.NumOfLayers;
  if (ReadParameters(wb)) {
    restore();
    return false;
  }
  if (fiveLayer) wb.NumOfLayers = builtLayers;  // the parameters' layer count is the perceptron's
  if (smlp) {
    // The unit kind and the features the network sees are the file's, not the parameters'.
    wb.NumOfLayers = builtLayers;
    wb.Slope = step.Slope;
    wb.FeatureMask = step.Mask;
  }
  // Why the network built is a sigmoid one where a step network was in place or is named, or "".
  std::string sigmoidFromStep;
  if (!fiveLayer && !smlp && wb.NetKind == 0 && (wasStep || step.kind == StepLine::Kind::Other))
    sigmoidFromStep = step.kind == StepLine::Kind::Other
                          ? " holds the weights of a step network (" + step.Name + ") that a weights file does not rebuild"
                          : std::string(" does not name a step network");
  for (const WeightEntry& e : entries) {
    const std::string why = Misfit(wb, e);
    if (!why.empty()) {
      restore();
      BadLine(fileName, e.Line,
              why + "; the network is left as it was" +
                  (sigmoidFromStep.empty() ? std::string()
                                           : " (the file" + sigmoidFromStep + ": a sigmoid network of the current structure was built for it)"));
    }
  }
  std::set<std::tuple<int, int, int>> set;
  for (const WeightEntry& e : entries) {
    const auto j = static_cast<std::size_t>(e.Neuron);
    const auto i = static_cast<std::size_t>(e.Index);
    if (e.Layer == kNofMUnitLine)
      wb.NofMUnits[j].Weights[i] = e.Value;
    else if (e.Layer == kAndUnitLine)
      wb.AndUnits[j].Weights[i] = e.Value;
    else
      wb.Net[static_cast<std::size_t>(e.Layer)][j].Weights[i] = e.Value;
    set.insert({e.Layer, e.Neuron, e.Index});
  }
  if (!sigmoidFromStep.empty())
    wb.Plat.ShowMessage("Weights file " + fileName + sigmoidFromStep +
                        ": it has been loaded into a sigmoid network of the current structure");
  // A file may set only some weights; the user is told, since the others are the rebuild's new ones.
  const std::size_t all = LoadableWeights(wb, fiveLayer);
  if (set.size() < all)
    wb.Plat.ShowMessage("Weights file " + fileName + " set " + IntToStr(static_cast<std::int64_t>(set.size())) +
                        " of the " + IntToStr(static_cast<std::int64_t>(all)) +
                        " weights of the network; the others keep the initial values of the rebuilt network");
  return true;
}

void RestoreInitialWeights(Workbench& wb) {
  const WeightShape& shape = wb.WeightHistory.Shape();
  bool fits = !wb.WeightHistory.Empty() && shape.NumLayers() == NetworkLayers(wb) - 1;
  for (int l = 1; fits && l < NetworkLayers(wb); ++l) {
    const auto& layer = wb.Net[static_cast<std::size_t>(l)];
    fits = static_cast<int>(layer.size()) == shape.Neurons[static_cast<std::size_t>(l - 1)];
    for (const TNeuron& n : layer)
      fits = fits && static_cast<int>(n.Weights.size()) >= shape.Weights[static_cast<std::size_t>(l - 1)];
  }
  if (!fits) throw WlError("The network has changed since the last training run: its start weights cannot be restored");
  const auto start = std::as_const(wb.WeightHistory)[0];
  for (int l = 1; l < NetworkLayers(wb); ++l) {
    auto& layer = wb.Net[static_cast<std::size_t>(l)];
    for (std::size_t j = 0; j < layer.size(); ++j) {
      const auto record = start[static_cast<std::size_t>(l - 1)][j];
      std::copy(record.begin(), record.end(), layer[j].Weights.begin());
    }
  }
}

void EliminateFeaturesByWeights(Workbench& wb) {
  if (NetworkLayers(wb) < 2 || wb.Layers.size() < 2 || wb.Layers[0] < 1 || wb.Layers[1] < 1 || wb.NumOfWeights < 2 ||
      wb.ResultsPrefix.empty())
    return;
  // Input f must be feature f: one input per feature, all continuous.
  if (wb.Layers[0] != wb.NumOfFeatures || static_cast<int>(wb.Features.size()) < wb.NumOfFeatures) {
    wb.Plat.ShowMessage(
        "EL F needs a network whose inputs are the continuous features of the data set: the network has " +
        IntToStr(wb.Layers[0]) + " inputs, the data set " + IntToStr(wb.NumOfFeatures) + " features.");
    return;
  }
  const double limit = 1.01 * wb.InitialWeight;
  std::vector<int> kept;
  for (int f = 0; f < wb.NumOfFeatures; ++f) {
    bool grown = false;
    for (const TNeuron& n : wb.Net[1])
      if (static_cast<std::size_t>(f) < n.Weights.size() && std::fabs(n.Weights[static_cast<std::size_t>(f)]) > limit)
        grown = true;
    if (grown) kept.push_back(f);
  }
  const int K = static_cast<int>(kept.size());

  std::string text = "Number of features = " + IntToStr(K + 1) + "\n";
  text += "Number of Vectors = " + IntToStr(wb.NumOfVectors) + "\n";
  text += "Class Column No = " + IntToStr(K + 1) + "\n";
  for (int n = 0; n < K; ++n)
    text += "Feature[" + IntToStr(n + 1) +
            "] = " + wb.Features[static_cast<std::size_t>(kept[static_cast<std::size_t>(n)])].Name + "  continuous\n";
  text += "Feature[" + IntToStr(K + 1) + "] = Class  discrete  " + IntToStr(wb.NumOfClasses);
  for (int c = 0; c < wb.NumOfClasses; ++c) text += "  " + IntToStr(c);
  text += "\n[DATA]\n";
  for (int v = 0; v < wb.NumOfVectors && static_cast<std::size_t>(v) < wb.Data.size(); ++v) {
    const auto& row = wb.Data[static_cast<std::size_t>(v)];
    for (int f : kept) text += FloatToStr(row[static_cast<std::size_t>(f)]) + "  ";
    if (static_cast<std::size_t>(v) < wb.VectorClass.size())
      text += IntToStr(wb.VectorClass[static_cast<std::size_t>(v)]);
    else if (static_cast<std::size_t>(v) < wb.TargetValue.size())
      text += FloatToStr(wb.TargetValue[static_cast<std::size_t>(v)]);
    text += "\n";
  }
  WriteFileAtomically(wb.ResultsPrefix + "_elf.dat", text);
}

}  // namespace wl

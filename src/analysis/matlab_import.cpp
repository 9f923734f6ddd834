#include "analysis/matlab_import.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <sstream>
#include <vector>

#include "analysis/error_surface.h"
#include "analysis/progress_plot.h"
#include "model/create_network.h"
#include "model/data_file.h"
#include "model/read_parameters.h"
#include "model/results_prefix.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/rounding.h"
#include "platform/text_file.h"
#include "state/workbench.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

void Trace(Workbench& wb, int step) {
  wb.ProgressStep = IntToStr(step);
  UpdateProgressTrace(wb);
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  for (std::string t; in >> t;) out.push_back(t);
  return out;
}

void SetEdit(Edit& e, const std::string& text) {
  e.SetText(text);
  e.Repaint();
}

// A transfer-function record into a layer's controls.
void ShowTransferFunction(const TTransferFunction& tf, ComboBox& kind, Edit& slope, Edit& stretch, Edit& steps) {
  kind.SetItemIndex(tf.TFKind - 1);
  kind.Repaint();
  SetEdit(slope, FloatToStr(tf.TFSlope));
  SetEdit(stretch, FloatToStr(tf.TFStretch));
  SetEdit(steps, IntToStr(tf.TFSteps));
}

std::string DataFileOf(const Workbench& wb, const std::string& name) {
  const std::string upper = wb.Path("DATA/" + name + ".DAT");
  if (FileExists(upper)) return upper;
  const std::string lower = wb.Path("DATA/" + name + ".dat");
  return FileExists(lower) ? lower : upper;
}

std::string MatlabWeightsPath(const Workbench& wb) { return wb.Path("PCA/WM_matlab.txt"); }

// "WM_matlab.txt" holds one line per epoch 0 .. E. Says why when it does not.
bool MatlabWeightsFileHasEpochs(Workbench& wb, int epochs) {
  const std::string path = MatlabWeightsPath(wb);
  if (!FileExists(path)) {
    wb.Plat.ShowMessage("File " + path + " not found!");
    return false;
  }
  const std::uintmax_t rows = static_cast<std::uintmax_t>(epochs) + 1;
  // Counted without keeping the lines, and only one line past the epochs.
  const std::int64_t lines = CountFileLines(path, static_cast<std::int64_t>(rows));
  if (lines != static_cast<std::int64_t>(rows)) {
    const std::string holds = lines > static_cast<std::int64_t>(rows) ? "more than " + IntToStr(static_cast<std::int64_t>(rows))
                                                                         : IntToStr(lines);
    wb.Plat.ShowMessage("Error: Number Of Lines in WM_matlab.txt <> max_epoch+1: " + path + " holds " + holds +
                        " lines, and the " + IntToStr(epochs) +
                        " epochs of config.txt need " + IntToStr(static_cast<std::int64_t>(rows)) +
                        " (epochs 0 to " + IntToStr(epochs) + ")");
    return false;
  }
  return true;
}

// On each line of "WM_matlab.txt" every weight of the network (`weights` of them); each value takes at least two characters
// (a digit and a separator). Says why when the file cannot hold them.
bool MatlabWeightsFileFits(Workbench& wb, int epochs, int weights) {
  const std::string path = MatlabWeightsPath(wb);
  std::error_code ec;
  const std::uintmax_t bytes = std::filesystem::file_size(path, ec);
  const std::uintmax_t rows = static_cast<std::uintmax_t>(epochs) + 1;
  const std::uintmax_t least = rows * static_cast<std::uintmax_t>(std::max(weights, 1)) * 2;
  if (ec || bytes < least) {
    wb.Plat.ShowMessage("Error: " + path + " (" + IntToStr(static_cast<std::int64_t>(ec ? 0 : bytes)) +
                        " bytes) cannot hold the " + IntToStr(static_cast<std::int64_t>(rows)) + " epochs of " +
                        IntToStr(weights) + " weights that config.txt gives (at least " +
                        IntToStr(static_cast<std::int64_t>(least)) + " bytes)");
    return false;
  }
  return true;
}

}  // namespace

bool MatlabTransferFunction(const std::string& name, TTransferFunction& tf) {
  struct Entry {
    const char* Name;
    std::uint8_t Kind;
    double Slope;
  };
  static const Entry table[] = {{"logsig", 1, 1.0},  {"tansig", 2, 1.0},  {"purelin", 3, 1.0}, {"satlin", 4, 1.0},
                                {"satlins", 5, 1.0}, {"hardlim", 4, 0.0}, {"hardlims", 5, 0.0}};
  for (const Entry& e : table)
    if (name == e.Name) {
      tf.TFKind = e.Kind;
      tf.TFSlope = e.Slope;
      tf.TFStretch = 1.0;
      tf.TFSteps = 0;
      return true;
    }
  return false;
}

bool AnyEpochListValid(const std::string& text, int epochs) {
  for (const std::string& token : Split(Trim(text))) {
    if (!std::all_of(token.begin(), token.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.' || c == '-'; }))
      return false;
    const auto dashes = std::count(token.begin(), token.end(), '-');
    if (dashes > 1) return false;
    std::vector<std::string> ends{token};
    if (dashes == 1) {
      if (token.front() == '-' || token.back() == '-') return false;
      const auto dash = token.find('-');
      ends = {Trim(token.substr(0, dash)), Trim(token.substr(dash + 1))};
    }
    for (const std::string& e : ends) {
      int v = 0;
      if (!TryStrToInt(e, v) || v > epochs) return false;
    }
  }
  return true;
}

void ImportWMFromMatlab(Workbench& wb) {
  TForm1& f = wb.Form1;
  Trace(wb, 1);
  // config.txt and the epoch range fields are checked whole before anything of the import changes: a
  // refused import leaves the program, its fields and its last training as they were.
  const std::string configPath = wb.Path("PCA/config.txt");
  if (!FileExists(configPath)) {
    wb.Plat.ShowMessage("File " + configPath + " not found!");
    return;
  }
  TextLineReader config;
  if (!config.Open(configPath)) throw FileError("Cannot open file " + configPath);
  std::array<std::string, 10> tok;
  {
    std::string first;
    config.Next(first);
    const std::vector<std::string> words = Split(first);
    for (std::size_t i = 0; i < tok.size() && i < words.size(); ++i) tok[i] = words[i];
  }
  Trace(wb, 2);
  if (!CheckNumberText(wb.Plat, Trim(tok[4]), "NumEpochs in config.txt", true, 1, 999999)) {
    if (config.Failed()) throw FileError("Cannot read file " + configPath);
    return;
  }
  const int E = StrToInt(Trim(tok[4]));
  // The error lines 1 .. E + 1 are read one at a time, and no line after them: the errors are kept, the
  // lines are not. The first bad value is told only once the file is known to hold every error line.
  std::vector<double> read;
  read.reserve(static_cast<std::size_t>(E) + 1);
  std::int64_t badLine = 0;
  std::string badText;
  for (std::string line; static_cast<int>(read.size()) <= E && config.Next(line);) {
    double v = 0.0;
    if (!TryStrToFloat(Trim(line), v) && badLine == 0) {
      badLine = config.LineNo();
      badText = ShownText(line);
    }
    read.push_back(v);
  }
  if (config.Failed()) throw FileError("Cannot read file " + configPath);
  // The epoch count sizes the histories: the file must hold its error lines before anything is sized.
  if (static_cast<int>(read.size()) <= E) {
    wb.Plat.ShowMessage("Error in config.txt line " + IntToStr(config.LineNo() + 1) + ":  is not a valid real number");
    return;
  }
  std::vector<double> epochErrors(static_cast<std::size_t>(E) + 1, 0.0);
  Trace(wb, 3);
  for (int e = 0; e <= E; ++e) {
    if (e + 2 == badLine) {
      wb.Plat.ShowMessage("Error in config.txt line " + IntToStr(badLine) + ": " + badText + " is not a valid real number");
      return;
    }
    epochErrors[static_cast<std::size_t>(e)] = read[static_cast<std::size_t>(e)];
  }
  Trace(wb, 4);
  if (!CheckNumberText(wb.Plat, Trim(tok[1]), "NumIn in config.txt", true, 1, 9999)) return;
  if (!CheckNumberText(wb.Plat, Trim(tok[2]), "NumHidL2 in config.txt", true, 0, 9999)) return;
  if (!CheckNumberText(wb.Plat, Trim(tok[3]), "NumHidL3 in config.txt", true, 0, 9999)) return;
  if (!CheckNumberText(wb.Plat, Trim(tok[4]), "NumEpochs in config.txt", true, 1, 999999)) return;
  if (!CheckNumberText(wb.Plat, Trim(tok[6]), "InputsNormalization in config.txt", true, 0, 1)) return;
  const int numIn = StrToInt(Trim(tok[1]));
  const int hid2 = StrToInt(Trim(tok[2]));
  const int hid3 = StrToInt(Trim(tok[3]));

  Trace(wb, 5);
  bool defaults = false;
  if (tok[7].empty()) {
    tok[7] = tok[8] = tok[9] = "logsig";
    defaults = true;
  } else if (tok[8].empty() && hid2 > 0) {
    tok[8] = tok[9] = "logsig";
    defaults = true;
  } else if (tok[9].empty() && hid3 > 0) {
    tok[9] = "logsig";
    defaults = true;
  }
  if (defaults && f.TRWBox.Checked()) wb.Plat.ShowMessage("Some missing data in config.txt. Using defaults.");

  // The layers' transfer functions: the output layer's, then those of the hidden layers there are.
  const char* unsupported =
      "Only logsig, tansig, purelin, satlin, satlins, hardlim, hardlims transfer functions are supported";
  std::array<TTransferFunction, 3> tfs{};
  int numOfLayers = 2;
  if (!MatlabTransferFunction(tok[7], tfs[0])) {
    wb.Plat.ShowMessage(unsupported);
    return;
  }
  tfs[1] = tfs[2] = tfs[0];
  if (hid2 > 0) {
    numOfLayers = 3;
    if (!MatlabTransferFunction(tok[8], tfs[1])) {
      wb.Plat.ShowMessage(unsupported);
      return;
    }
    if (hid3 > 0) {
      numOfLayers = 4;
      if (!MatlabTransferFunction(tok[9], tfs[2])) {
        wb.Plat.ShowMessage(unsupported);
        return;
      }
    }
  }
  for (TTransferFunction& tf : tfs) {
    tf.TFStretch = 1.0;
    tf.TFSteps = 0;
  }
  if (!CheckNumber(wb, f.fromEdit, "from WM", true, 0, 999999)) return;
  if (!CheckNumber(wb, f.WMepEdit, "to WM", true, 0, 999999)) return;
  if (!CheckNumber(wb, f.everyWMEdit, "every WM", true, 0, 999999)) return;
  if (!MatlabWeightsFileHasEpochs(wb, E)) return;

  Trace(wb, 6);
  // The data set, its name and the results prefix are replaced only by a data set read whole that has
  // Matlab's inputs: a file that is missing, refused or of other inputs leaves the set loaded before as it
  // was.
  const DataSetKept dataBefore(wb);
  auto restore = [&] { dataBefore.Restore(wb); };
  {
    wb.DataFileName = Trim(tok[0]);
    MakeResultsPrefix(wb);
    const std::string dataFile = DataFileOf(wb, wb.DataBaseName);
    try {
      if (FileExists(dataFile)) {
        ReadDataFile(wb, dataFile);
        wb.DataFileName = dataFile;
      } else if (!OpenDataFile(wb, 0)) {
        restore();
        wb.Plat.ShowMessage("Error Reading Data File " + dataFile);
        return;
      }
    } catch (...) {
      restore();
      throw;
    }
  }
  if (wb.NumOfVectors <= 0 || wb.NumOfFeatures <= 0) {
    restore();
    wb.Plat.ShowMessage("WeightLab training set not loaded");
    return;
  }

  // The data set's inputs must be Matlab's before the network is built for them.
  if (numIn != InputLayerSize(wb.Features)) {
    restore();
    wb.Plat.ShowMessage(
        "Different Number of Inputs in Matlab and WeightLab training set! Make sure that all features in WeightLab set "
        "are continuous. WeightLab creates one input per each discrete feature value, and one per continuous feature");
    return;
  }

  // What the steps below check once they have written the fields is checked here, before any is
  // written: the parameters the network is built from (with the fields as the import will write them),
  // the network's structure and layers, and the weights file's size for its weights.
  {
    PlannedFields planned;
    planned.Texts[&f.EpochEditT2] = Trim(tok[4]);
    planned.Texts[&f.HiddenEditT2] = Trim(tok[2]);
    planned.Texts[&f.Hid3EditT2] = Trim(tok[3]);
    planned.Texts[&f.ExpEdit] = "2";
    bool same = f.SameLayersBox.Checked();
    for (int l = 1; l + 1 < numOfLayers; ++l)
      if (tfs[0].TFKind != tfs[static_cast<std::size_t>(l)].TFKind ||
          tfs[0].TFSlope != tfs[static_cast<std::size_t>(l)].TFSlope)
        same = false;
    planned.SameLayers = same;
    auto plan = [&](const TTransferFunction& tf, const ComboBox& kind, const Edit& slope, const Edit& stretch,
                    const Edit& steps) {
      planned.Items[&kind] = tf.TFKind - 1;
      planned.Texts[&slope] = FloatToStr(tf.TFSlope);
      planned.Texts[&stretch] = FloatToStr(tf.TFStretch);
      planned.Texts[&steps] = IntToStr(tf.TFSteps);
    };
    plan(tfs[0], f.OutTF, f.SlopeEdit, f.sscaleEdit, f.NSEdit);
    if (numOfLayers > 2) plan(tfs[1], f.HL2TF, f.SlopeHidL2Edit, f.sscaleHidL2Edit, f.NSEHidL2Edit);
    if (numOfLayers > 3) plan(tfs[2], f.HL3TF, f.SlopeHidL3Edit, f.sscaleHidL3Edit, f.NSEHidL3Edit);
    std::string refusal = CheckParameters(wb, planned).Message;
    // The SMLP structure would build a step network instead of Matlab's perceptron.
    if (refusal.empty() && f.strbox.Checked()) refusal = "Error Creating Network";
    // The layers as the network's build lays them out (skip connections give three layers).
    const bool skip = f.SkipCheck.Checked();
    const int layers = skip ? 3 : numOfLayers;
    std::vector<int> size(static_cast<std::size_t>(layers), 0);
    size[0] = numIn;
    size[1] = hid2;
    if (layers == 4) size[2] = hid3;
    size[static_cast<std::size_t>(layers) - 1] = wb.NumOfClasses - (f.DefClassBox.Checked() ? 1 : 0);
    if (refusal.empty() && size.back() < 1) refusal = "Error: Layers[NumOfLayers-1] < 1";
    if (!refusal.empty()) {
      restore();
      wb.Plat.ShowMessage(refusal);
      return;
    }
    std::int64_t weights = 0;
    for (int l = 1; l < layers; ++l) {
      const int inputs = l == 2 && skip ? size[1] + size[0] : size[static_cast<std::size_t>(l) - 1];
      weights += static_cast<std::int64_t>(size[static_cast<std::size_t>(l)]) * (inputs + 1);
    }
    if (!MatlabWeightsFileFits(wb, E, static_cast<int>(std::min<std::int64_t>(weights, INT32_MAX)))) {
      restore();
      return;
    }
  }

  Trace(wb, 7);
  f.WMMatlabBox.SetChecked(true);
  wb.NumOfEpochs = E;
  wb.EpochHistory.assign(static_cast<std::size_t>(E) + 1, TEpochStat{});
  for (int e = 0; e <= E; ++e) wb.EpochHistory[static_cast<std::size_t>(e)].Error = epochErrors[static_cast<std::size_t>(e)];
  SetEdit(f.EpochEditT2, Trim(tok[4]));
  SetEdit(f.HiddenEditT2, Trim(tok[2]));
  SetEdit(f.Hid3EditT2, Trim(tok[3]));
  wb.MethodTag = Trim(tok[5]);
  wb.ParamText[7] = Trim(tok[5]);
  f.NormCheck.SetChecked(StrToInt(Trim(tok[6])) == 1);
  f.TrainingInMatlab.SetChecked(true);
  f.CMBox.SetChecked(true);
  SetEdit(f.ExpEdit, "2");
  wb.ErrorExponent = 2.0;

  Trace(wb, 8);
  wb.NumOfLayers = numOfLayers;
  wb.MatlabTF = tfs;
  // "use the settings for all layers" would give every layer the output layer's function.
  for (int l = 1; l + 1 < wb.NumOfLayers; ++l) {
    const TTransferFunction &a = wb.MatlabTF[0], &b = wb.MatlabTF[static_cast<std::size_t>(l)];
    if (a.TFKind != b.TFKind || a.TFSlope != b.TFSlope) {
      f.SameLayersBox.SetChecked(false);
      f.SameLayersBox.Repaint();
      for (Control* c : std::initializer_list<Control*>{&f.HL2TF, &f.SlopeHidL2Edit, &f.sscaleHidL2Edit,
                                                        &f.NSEHidL2Edit, &f.HL3TF, &f.SlopeHidL3Edit,
                                                        &f.sscaleHidL3Edit, &f.NSEHidL3Edit})
        c->SetEnabled(true);
    }
  }
  ShowTransferFunction(wb.MatlabTF[0], f.OutTF, f.SlopeEdit, f.sscaleEdit, f.NSEdit);
  if (wb.NumOfLayers > 2) ShowTransferFunction(wb.MatlabTF[1], f.HL2TF, f.SlopeHidL2Edit, f.sscaleHidL2Edit, f.NSEHidL2Edit);
  if (wb.NumOfLayers > 3) ShowTransferFunction(wb.MatlabTF[2], f.HL3TF, f.SlopeHidL3Edit, f.sscaleHidL3Edit, f.NSEHidL3Edit);

  Trace(wb, 9);
  wb.WMFrom = StrToInt(Trim(f.fromEdit.Text()));
  wb.WMTo = StrToInt(Trim(f.WMepEdit.Text()));
  wb.WMEvery = StrToInt(Trim(f.everyWMEdit.Text()));
  if (wb.WMTo > E || wb.WMTo < 0) {
    SetEdit(f.WMepEdit, IntToStr(E));
    wb.WMTo = E;
  }
  if (wb.WMFrom + 1 >= wb.WMTo || wb.WMFrom > E || wb.WMFrom < 0) SetEdit(f.fromEdit, "0");
  if (wb.WMEvery > E || wb.WMEvery < 0 || wb.WMEvery > wb.WMTo - wb.WMFrom) SetEdit(f.everyWMEdit, "1");

  Trace(wb, 10);
  if (!AnyEpochListValid(f.anyWMEdit.Text(), E)) SetEdit(f.anyWMEdit, "");

  Trace(wb, 11);
  const int built = CreateNetwork(wb, 4);
  if (built != NetworkBuilt) {
    if (built == 1 || built == NetworkSmlpBuilt) wb.Plat.ShowMessage("Error Creating Network");
    return;
  }
  // The network's build rewrites the report lines: the method line is the Matlab training's.
  wb.ParamText[7] = Trim(tok[5]);
  Trace(wb, 12);

  // The histories hold every weight of every epoch: the weights file was found to hold them before the
  // fields were written.

  Trace(wb, 13);
  wb.ESPlotMode = 1;
  if (f.autoES.Checked()) {
    const double p = static_cast<double>(wb.NumOfFeatures) * wb.NumOfVectors;
    const int item = p > 16000 ? 3 : p > 6250 ? 2 : p > 2500 ? 1 : 0;
    f.ESQBox.SetItemIndex(item);
    f.ESQBox.Repaint();
    wb.ESGridStep = 1 << item;
    static const int lines[4] = {28, 24, 20, 16};
    wb.PlotLines = lines[item];
    SetEdit(f.LGEdit, IntToStr(wb.PlotLines));
  }

  Trace(wb, 14);
  // The run preparation takes the start error of the network just built for epoch 0; the imported
  // training's own errors stay.
  const std::vector<TEpochStat> errors = wb.EpochHistory;
  PrepareTrainingRun(wb);
  wb.EpochHistory.resize(static_cast<std::size_t>(E) + 1);
  for (std::size_t e = 0; e < errors.size(); ++e) wb.EpochHistory[e].Error = errors[e].Error;
  // The imported training is the last run: its start error is its error of epoch 0 (the exchange-file
  // readers take a start error of 0 for "no training yet").
  wb.StartError = wb.EpochHistory[0].Error;

  Trace(wb, 15);
  wb.MethodTag = "Matlab";
  InitTrainingProgressPlot(wb, E, false);
  for (int e = 1; e <= E; ++e) PlotTrainingProgressEpoch(wb, e, wb.EpochHistory[static_cast<std::size_t>(e)].Error);
  FinishTrainingProgressPlot(wb);

  Trace(wb, 16);
  wb.TrajProjected = false;
  PlotErrorSurfacePCA(wb, 1);
}

}  // namespace wl

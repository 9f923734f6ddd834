#include "experiments/result_report.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "state/report_opener.h"
#include "model/class_weights.h"
#include "model/create_network.h"
#include "model/data_file.h"
#include "model/forward_pass.h"
#include "model/layer_transfer.h"
#include "model/settings_file.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

const char* const kNoDataSet = "No data set has been opened yet. Open a data set first (Open -> Open Training Set).";
const char* const kNoNetwork = "No network has been created yet. Create the network first (Create Network).";

// A value of the listings and the accuracies: fixed notation with `digits` decimals, at most `precision`
// significant digits.
std::string Fixed(double x, int precision, int digits) { return FixedDisplayText(x, precision, digits); }

bool HasNetwork(const Workbench& wb) {
  return wb.Net.size() >= 2 && wb.Net.size() == wb.Layers.size() &&
         static_cast<std::size_t>(wb.NumOfLayers) == wb.Layers.size();
}

bool HasDataSet(const Workbench& wb) { return !wb.ResultsPrefix.empty() && wb.NumOfVectors > 0; }

// The step networks' own pass and evaluation (smlp/, through the hooks table).
void ForwardStepNetwork(Workbench& wb, int v) { CallForwardStepNetwork(wb, v); }

// Passes vector v forward: a step network by its kind's pass; else with the per-layer transfer functions
// (VectorError) or the standard forward pass. Either way every neuron's Signal holds its output afterwards.
void PassVector(Workbench& wb, int v, bool perLayer) {
  if (wb.NetKind != 0) {
    ForwardStepNetwork(wb, v);
    return;
  }
  if (!perLayer) {
    ComputeSignals(wb, v);
    return;
  }
  VectorError(wb, v);
  // The per-layer evaluation works in the error functions' storage; its signals go to the neurons.
  for (std::size_t l = 1; l < wb.Net.size() && l < wb.EvalOffset.size(); ++l) {
    std::vector<TNeuron>& layer = wb.Net[l];
    for (std::size_t j = 0; j < layer.size(); ++j) layer[j].Signal = wb.EvalSignals[wb.EvalOffset[l] + j];
  }
}

std::vector<double> OutputSignals(const Workbench& wb) {
  std::vector<double> y;
  for (const TNeuron& n : wb.Net.back()) y.push_back(n.Signal);
  return y;
}

// The confusion matrix of the current network on the current data set.
void ComputeConfusionMatrix(Workbench& wb) {
  const int classes = std::max(0, wb.NumOfClasses);
  wb.ConfusionMatrix.assign(static_cast<std::size_t>(classes), std::vector<int>(static_cast<std::size_t>(classes) + 1, 0));
  const int outputs = static_cast<int>(wb.Net.back().size());
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    PassVector(wb, v, wb.NonStandardTF);
    const std::vector<double> y = OutputSignals(wb);
    const int p = ConfusionPrediction(y.data(), outputs, classes);
    const int c = wb.VectorClass.at(static_cast<std::size_t>(v));
    if (c < 0 || c >= classes || p < 0 || p > classes)
      throw WlError("The network does not fit the data set. Create the network again.");
    ++wb.ConfusionMatrix[static_cast<std::size_t>(c)][static_cast<std::size_t>(p)];
  }
}

// What the report states of the evaluation, taken before anything is written.
struct Evaluation {
  double SuccessRate = 0.0, WeightedCorrect = 0.0;
};

Evaluation Evaluate(Workbench& wb) {
  if (wb.NetKind != 0) {
    // A step network is evaluated by its own error function; the class-balanced share follows from the
    // vectors it classified correctly.
    CallEvaluateNetwork(wb);
    double weighted = 0.0;
    for (int v = 0; v < wb.NumOfVectors; ++v)
      if (static_cast<std::size_t>(v) < wb.VectorCorrect.size() && wb.VectorCorrect[v] == 1 &&
          static_cast<std::size_t>(v) < wb.VectorWeight.size())
        weighted += wb.VectorWeight[v];
    wb.WeightedCorrect = wb.NumOfVectors > 0 ? weighted / wb.NumOfVectors : 0.0;
  } else {
    TrainingSetError(wb);  // its error is not reported
  }
  wb.TestSuccessRate = wb.SuccessRate;
  const Evaluation e{wb.SuccessRate, wb.WeightedCorrect};
  ComputeConfusionMatrix(wb);
  // The per-vector passes overwrite the side results of the evaluation: they are the evaluation's again.
  wb.SuccessRate = e.SuccessRate;
  wb.WeightedCorrect = e.WeightedCorrect;
  return e;
}

void WriteConfusionMatrix(Workbench& wb) {
  const int classes = static_cast<int>(wb.ConfusionMatrix.size());
  WriteResultsLine(wb, "");
  WriteResultsLine(wb, "    Confusion Matrix");
  WriteResultsLine(wb, "Predicted       Original");
  std::string head = "        ";
  for (int i = 0; i < classes; ++i) head += "     " + IntToStr(i);
  WriteResultsLine(wb, head);
  WriteResultsLine(wb, "");
  for (int p = 0; p <= classes; ++p) {
    std::string row = p < classes ? "   " + IntToStr(p) + "    " : std::string("   -    ");
    for (int j = 0; j < classes; ++j)
      row += "     " + IntToStr(wb.ConfusionMatrix[static_cast<std::size_t>(j)][static_cast<std::size_t>(p)]);
    WriteResultsLine(wb, row);
  }
}

// The state a validation-set read replaces, put back when the set is refused: the data set with its
// names (DataSetKept) and the report's own captions.
struct DataSetSnapshot {
  explicit DataSetSnapshot(const Workbench& wb)
      : Kept(wb), Label55(wb.Form1.Label55.Caption()), Label56(wb.Form1.Label56.Caption()),
        WeightsPictureNo(wb.WeightsPictureNo) {}

  void Restore(Workbench& wb) const {
    Kept.Restore(wb);
    wb.Form1.Label55.SetCaption(Label55);
    wb.Form1.Label56.SetCaption(Label56);
    wb.WeightsPictureNo = WeightsPictureNo;
  }

  DataSetKept Kept;
  std::string Label55, Label56;
  int WeightsPictureNo;
};

bool SameCoding(const TFeature& a, const TFeature& b) {
  if (a.Kind == 'c' || b.Kind == 'c') return a.Kind == b.Kind;
  return a.NValues == b.NValues && a.Values == b.Values;
}

// The report's lines, from the header to the weight listing, into the open ResultsFile.
void WriteReportBody(Workbench& wb, std::uint8_t mode, bool cv, std::int64_t elapsed, double evaluations, int epochs,
                     const Evaluation& e, void (*after)(Workbench& wb)) {
  const char* scope = mode == 12 ? " (- crossvalidation)" : mode == 2 ? " (with validation Set)" : " (training set only)";
  WriteResultsLine(wb, wb.ParamText[0] + scope);
  wb.ParamText[15] = wb.NumOfParts > 1 ? "Training set devided into " + IntToStr(wb.NumOfParts) + " parts" : "";
  if (!cv)
    for (int i = 1; i <= 19; ++i)
      if (!Trim(wb.ParamText[static_cast<std::size_t>(i)]).empty()) WriteResultsLine(wb, wb.ParamText[static_cast<std::size_t>(i)]);
  if (wb.Layers.size() >= 2 && wb.Layers[0] + wb.Layers[1] == wb.LayerInputs[1]) WriteResultsLine(wb, "using skip connections");
  WriteResultsLine(wb, "Training Time: " + FormatFixed(static_cast<double>(elapsed) / 1000.0, 2) + "s");
  WriteResultsLine(wb, "NumOfRun: " + FloatToStr(evaluations));
  WriteResultsLine(wb, "NumOfEpochs: " + IntToStr(epochs));
  WriteResultsLine(wb, "standard accuracy: " + Fixed(e.SuccessRate, 7, 5));
  WriteResultsLine(wb, "normalized accuracy: " + Fixed(e.WeightedCorrect, 7, 5));
  WriteConfusionMatrix(wb);
  if (wb.Form1.WriteDetails.Checked()) {
    WriteVectorListing(wb);
    wb.SuccessRate = e.SuccessRate;
    wb.WeightedCorrect = e.WeightedCorrect;
  }
  WriteWeightListing(wb);
  if (after) after(wb);
}

}  // namespace

void BalanceClasses(Workbench& wb) {
  wb.VectorWeight = BalancedVectorWeights(wb.VectorClass, wb.NumOfVectors, wb.NumOfClasses);
}

int ConfusionPrediction(const double* y, int outputs, int numOfClasses) {
  double best = 0.0;
  int prediction = numOfClasses;
  for (int i = 0; i < outputs; ++i)
    if (y[i] > best) {
      best = y[i];
      prediction = i;
    }
  return prediction;
}

int ListingPrediction(const double* y, int outputs) {
  double best = 0.1;
  int prediction = -1;
  for (int i = 0; i < outputs; ++i) {
    if (y[i] > best) {
      best = y[i];
      prediction = i;
    } else if (i > 0 && y[i] == best) {
      prediction = -1;
    }
  }
  return prediction;
}

std::string ResultReportSuffix(bool weightedError, std::uint8_t mode) {
  std::string s = weightedError ? "_rn" : "_rs";
  if (mode == 12) return s + "-cv.txt";
  if (mode == 2) return s + "-tst.txt";
  return s + "-trn.txt";
}

std::string ValidationSetMismatch(const Workbench& wb, const DataSetState& trainingSet) {
  const int inputs = InputLayerSize(wb.Features);
  if (inputs != wb.Layers[0])
    return "its features give " + IntToStr(inputs) + " network inputs; the network has " + IntToStr(wb.Layers[0]);
  auto classes = [](int n) { return IntToStr(n) + (n == 1 ? " class" : " classes"); };
  const int outputs = wb.Layers.back();
  if (!wb.Form1.FApproxBox.Checked() && outputs > wb.NumOfClasses)
    return "it has " + classes(wb.NumOfClasses) + "; the network has " + IntToStr(outputs) + " outputs";
  // The set the network was trained on, when it fits the network, tells how each feature is coded.
  if (InputLayerSize(trainingSet.Features) != wb.Layers[0] || trainingSet.Features.size() != wb.Features.size())
    return "";
  for (std::size_t f = 0; f < wb.Features.size(); ++f)
    if (!SameCoding(wb.Features[f], trainingSet.Features[f]))
      return "feature " + IntToStr(static_cast<std::int64_t>(f) + 1) + " (" + Trim(wb.Features[f].Name) +
             ") is coded otherwise than in the training set";
  if (!wb.Form1.FApproxBox.Checked() && wb.NumOfClasses != trainingSet.NumOfClasses)
    return "it has " + classes(wb.NumOfClasses) + "; the training set has " + classes(trainingSet.NumOfClasses);
  return "";
}

void OpenResultsFile(Workbench& wb, const std::string& path, bool append) {
  if (wb.ResultsFile.is_open()) wb.ResultsFile.close();
  wb.ResultsFile.clear();
  EnsureDirectory(std::filesystem::path(path).parent_path().string());
  wb.ResultsFile.open(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
  wb.ResultsFilePath = path;
  if (!wb.ResultsFile.is_open()) throw FileError("Cannot write file " + path);
}

void WriteResultsLine(Workbench& wb, std::string_view line) {
  if (!wb.ResultsFile.is_open()) throw FileError("No report file is open to write \"" + std::string(line) + "\"");
  wb.ResultsFile << line << '\n';
  if (!wb.ResultsFile) throw FileError("Cannot write file " + wb.ResultsFilePath);
}

void CloseResultsFile(Workbench& wb) {
  if (!wb.ResultsFile.is_open()) return;
  wb.ResultsFile.close();
  if (!wb.ResultsFile) {
    wb.ResultsFile.clear();
    throw FileError("Cannot write file " + wb.ResultsFilePath);
  }
}

void WriteVectorListing(Workbench& wb) {
  TForm1& f = wb.Form1;
  const int digits = wb.ListingDigits;
  WriteResultsLine(wb, "");
  if (f.FApproxBox.Checked()) {
    WriteResultsLine(wb, "should be     is");
    WriteResultsLine(wb, "");
    for (int v = 0; v < wb.NumOfVectors; ++v) {
      PassVector(wb, v, true);
      WriteResultsLine(wb, Fixed(wb.TargetValue.at(static_cast<std::size_t>(v)), 12, 5) + "   " +
                               Fixed(wb.Net.back()[0].Signal, 12, 5));
    }
    return;
  }
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    PassVector(wb, v, true);
    const std::vector<double> y = OutputSignals(wb);
    const int outputs = static_cast<int>(y.size());
    const int c = wb.VectorClass.at(static_cast<std::size_t>(v));
    const int prediction = ListingPrediction(y.data(), outputs);
    const std::string mark = prediction != c ? "  error" : "";
    const std::string blanks = v < 10 ? "   " : v < 100 ? "  " : " ";
    for (int i = 0; i < outputs; ++i) {
      const std::string signal = Fixed(y[static_cast<std::size_t>(i)], 12, digits);
      if (i == 0)
        WriteResultsLine(wb, "vect:" + blanks + IntToStr(v) + "    " + "class:  " + IntToStr(c) + "      N_" +
                                 IntToStr(i) + ":  " + signal + mark);
      else
        WriteResultsLine(wb, std::string(28, ' ') + "N_" + IntToStr(i) + ":  " + signal);
    }
  }
}

void WriteWeightListing(Workbench& wb) {
  const int digits = wb.ListingDigits;
  auto value = [&](const TNeuron& n, int k) {
    if (k < 0 || static_cast<std::size_t>(k) >= n.Weights.size())
      throw WlError("The network does not fit its layer sizes. Create the network again.");
    return Fixed(n.Weights[static_cast<std::size_t>(k)], 12, digits);
  };
  for (int i = 0; i < 3; ++i) WriteResultsLine(wb, "");
  WriteResultsLine(wb, "Weights and Biasses");
  WriteResultsLine(wb, "");
  WriteResultsLine(wb, "");
  WriteResultsLine(wb, "Hidden Layer");
  WriteResultsLine(wb, "");
  const int inputs = wb.Layers[0];
  int hidden = wb.Layers[1];
  if (wb.NetKind != 0)
    hidden = (wb.HidPerOut.empty() ? 0 : wb.HidPerOut[0]) * (wb.Layers.size() > 2 ? wb.Layers[2] : 0);
  hidden = std::min(hidden, static_cast<int>(wb.Net[1].size()));
  for (int j = 0; j < hidden; ++j) {
    const TNeuron& n = wb.Net[1][static_cast<std::size_t>(j)];
    WriteResultsLine(wb, "Neuron" + IntToStr(j) + ":  biass = " + value(n, inputs));
    for (int k = 0; k < inputs; ++k) WriteResultsLine(wb, "      weight" + IntToStr(k) + " = " + value(n, k));
  }
  WriteResultsLine(wb, "");
  WriteResultsLine(wb, "");
  WriteResultsLine(wb, "Output Layer");
  WriteResultsLine(wb, "");
  const std::vector<TNeuron>& out = wb.Net.back();
  for (std::size_t j = 0; j < out.size(); ++j) {
    int fanIn = wb.LayerInputs[static_cast<std::size_t>(wb.NumOfLayers - 2)];
    if (wb.NetKind != 0) {
      if (j >= wb.HidPerOut.size()) throw WlError("The network does not fit its layer sizes. Create the network again.");
      fanIn = wb.HidPerOut[j];
    }
    WriteResultsLine(wb, "Neuron" + IntToStr(static_cast<std::int64_t>(j)) + ":  biass = " + value(out[j], fanIn));
    for (int k = 0; k < fanIn; ++k) WriteResultsLine(wb, "    weight" + IntToStr(k) + " = " + value(out[j], k));
  }
}

bool WriteResultFile(Workbench& wb, std::uint8_t mode, void (*after)(Workbench& wb)) {
  if (!HasDataSet(wb)) {
    wb.Plat.ShowMessage(kNoDataSet);
    return false;
  }
  if (!HasNetwork(wb)) {
    wb.Plat.ShowMessage(kNoNetwork);
    return false;
  }
  const bool cv = wb.InCrossvalidation;
  if (!cv) SaveSettings(wb, true);
  const std::string suffix = ResultReportSuffix(wb.WeightedError, mode);
  wb.ListingDigits = 6;

  if (mode == 2) {
    const DataSetSnapshot before(wb);
    if (!OpenDataFile(wb, 0)) return false;
    const std::string mismatch = ValidationSetMismatch(wb, before.Kept.DataSet());
    if (!mismatch.empty()) {
      before.Restore(wb);
      wb.Plat.ShowMessage("The validation set does not fit the trained network: " + mismatch +
                          ". No report is written.");
      return false;
    }
    BalanceClasses(wb);
  }

  // The values the report states, then the evaluation, which writes nothing: a network that cannot be
  // evaluated on the set leaves no report behind.
  const std::int64_t elapsed = wb.ElapsedTime;
  const double evaluations = wb.ErrorEvaluations;
  const int epochs = wb.NumOfEpochs;
  const Evaluation e = Evaluate(wb);

  if (!cv) {
    if (mode == 4 || mode == 12) {
      const std::string path = wb.ResultsPrefix + suffix;
      OpenResultsFile(wb, path, FileExists(path));
    } else {
      if (mode == 1 || wb.ResultsFileName.empty()) wb.ResultsFileName = wb.ResultsPrefix + suffix;
      OpenResultsFile(wb, wb.ResultsFileName, false);
    }
  }
  const std::string shown = wb.ResultsFilePath;
  try {
    WriteReportBody(wb, mode, cv, elapsed, evaluations, epochs, e, after);
  } catch (...) {
    // A report cut short is not published: the file keeps the report before.
    if (!cv) wb.ResultsFile.end_after_error();
    throw;
  }

  if (!cv) {
    CloseResultsFile(wb);
    if (mode == 4)
      ShowInNotepad(wb, "notepad.exe " + shown);  // the file this report was appended to
    else if (mode >= 1 && mode <= 3)
      ShowInNotepad(wb, "notepad.exe " + wb.ResultsFileName);
  }
  wb.ResultsFileName.clear();
  return true;
}

}  // namespace wl

#include "experiments/representation_hook.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "experiments/input_pruning.h"
#include "model/forward_pass.h"
#include "model/run_status.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "state/training_parts.h"
#include "state/workbench.h"
#include "training/one_change.h"

namespace wl {

namespace {

// Vector v's column of the row: the Signal of every neuron above the inputs.
void RecordSignals(Workbench& wb, SignalEpoch& row, int v) {
  const std::size_t nl = wb.Net.size();
  for (std::size_t l = 1; l < nl; ++l)
    for (std::size_t j = 0; j < wb.Net[l].size(); ++j)
      row.Signal[l - 1][j][static_cast<std::size_t>(v)] = wb.Net[l][j].Signal;
}

// The row shaped for the network's layers above the inputs and the current vectors, with their classes.
void ShapeRow(const Workbench& wb, SignalEpoch& row) {
  const auto nv = static_cast<std::size_t>(std::max(0, wb.NumOfVectors));
  const std::size_t nl = wb.Net.size();
  row.Signal.resize(nl > 0 ? nl - 1 : 0);
  for (std::size_t l = 1; l < nl; ++l) {
    row.Signal[l - 1].resize(wb.Net[l].size());
    for (auto& neuron : row.Signal[l - 1]) neuron.assign(nv, 0.0);
  }
  row.Class.assign(nv, 0);
  for (std::size_t v = 0; v < nv && v < wb.VectorClass.size(); ++v) row.Class[v] = wb.VectorClass[v];
}

// The output neuron with the greatest signal strictly above 0 (the first on ties), or -1.
int Winner(const Workbench& wb) {
  int winner = -1;
  double best = 0.0;
  const std::vector<TNeuron>& out = wb.Net.back();
  for (std::size_t k = 0; k < out.size(); ++k)
    if (out[k].Signal > best) {
      best = out[k].Signal;
      winner = static_cast<int>(k);
    }
  return winner;
}

// A continuous feature's value as a 32-bit real keeps it (the compressed set holds single-precision
// values); a discrete or symbolic value stays exact, so that it still matches its listed value.
double KeptValue(const Workbench& wb, std::size_t f, double x) {
  if (f < wb.Features.size() && wb.Features[f].Kind != 'c') return x;
  return static_cast<double>(static_cast<float>(x));
}

std::string CompressedFilePath(const Workbench& wb) {
  return (wb.ResultsPrefix.empty() ? wb.ProgramDir + "/" : wb.ResultsPrefix) + "_CTF.txt";
}

}  // namespace

std::string MffLine(const Workbench& wb, int v, int winner) {
  const std::vector<double>& row = wb.Data[static_cast<std::size_t>(v)];
  std::string line;
  const std::size_t shown =
      std::min<std::size_t>({2, row.size(), static_cast<std::size_t>(std::max(0, wb.NumOfFeatures))});
  for (std::size_t f = 0; f < shown; ++f) line += FormatReal(row[f]) + "  ";
  return line + IntToStr(winner);
}

void TrainingEpochHook(Workbench& wb, int epoch) {
  if (epoch < -1) throw WlError("No signals can be recorded for epoch " + IntToStr(epoch));
  const bool start = epoch <= 0;
  // Outside a validation call the training set changes only under a trainer that takes the change at its
  // next epoch; any other would go on with arrays of the old shape.
  const bool mayChangeSet = epoch == -1 || wb.RunSetError != nullptr;
  AtomicOfstream mff;
  std::string mffPath;
  if (start) {
    EnsureDirectory(wb.Path("\\results"));
    mffPath = wb.Path("\\Results\\MFF.txt");
    mff.open(mffPath, std::ios::binary | std::ios::trunc);
    if (!mff) throw FileError("Cannot write file " + mffPath);
  }
  if (epoch == 0) {
    wb.SignalHistory.assign(static_cast<std::size_t>(std::max(0, wb.NumOfEpochs)) + 1, SignalEpoch{});
  } else if (epoch == -1) {
    wb.SignalHistory.assign(1, SignalEpoch{});
    epoch = 0;
  } else if (static_cast<std::size_t>(epoch) >= wb.SignalHistory.size()) {
    // A run longer than the records made at its start (a rerun, a longer history) gets more rows.
    wb.SignalHistory.resize(static_cast<std::size_t>(epoch) + 1);
  }

  wb.StretchOffset = (1.0 - wb.Stretch) / 2.0;
  RequireSignalsRecordable(wb);
  const NetStructure structure = ChosenStructure(wb);

  SignalEpoch& row = wb.SignalHistory[static_cast<std::size_t>(epoch)];
  row.Recorded = false;
  ShapeRow(wb, row);
  std::string text;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    ForwardPass(wb, v, structure);
    RecordSignals(wb, row, v);
    if (start) text += MffLine(wb, v, Winner(wb)) + "\n";
  }
  row.Recorded = true;
  if (start) {
    mff << text;
    mff.close();
    if (!mff) throw FileError("Cannot write file " + mffPath);
  }

  TForm1& f = wb.Form1;
  const bool group = epoch == StrToInt(Trim(f.IREdit.Text()));
  const bool prune = epoch == StrToInt(Trim(f.PrunEdit.Text()));
  if ((group || prune) && !mayChangeSet) {
    wb.Plat.ShowMessage(
        "This training method cannot follow a change of the training set during its run: the training set is "
        "not compressed and no input is pruned.");
  } else {
    if (group && GroupBySignals(wb, epoch)) WriteCompressedTrainingFile(wb);
    if (prune) PruneInputs(wb, epoch);
  }
  ShowRunVectors(wb);
}

bool GroupBySignals(Workbench& wb, int epoch) {
  TForm1& f = wb.Form1;
  const double hidThr = StrToFloat(Trim(f.HidThrEdit.Text()));
  const double outThr = StrToFloat(Trim(f.OutThrEdit.Text()));
  if (wb.Net.size() != 3 || wb.Layers.size() != 3 || wb.Layers[2] != wb.NumOfClasses || wb.NumOfClasses < 1) {
    wb.Plat.ShowMessage(kGroupingNeedsClassOutputs);
    return false;
  }
  if (epoch < 0 || static_cast<std::size_t>(epoch) >= wb.SignalHistory.size() ||
      !wb.SignalHistory[static_cast<std::size_t>(epoch)].Recorded ||
      wb.SignalHistory[static_cast<std::size_t>(epoch)].Vectors() != wb.NumOfVectors)
    throw WlError("No signals of the training set are recorded for epoch " + IntToStr(epoch));
  if (wb.VectorClass.size() < static_cast<std::size_t>(wb.NumOfVectors))
    throw WlError("The data set has no class for every vector: the vectors cannot be grouped");
  const SignalEpoch& row = wb.SignalHistory[static_cast<std::size_t>(epoch)];
  const auto& hidden = row.Signal[0];
  const auto& output = row.Signal[1];

  const auto classes = static_cast<std::size_t>(wb.NumOfClasses);
  const auto nv = static_cast<std::size_t>(wb.NumOfVectors);
  wb.GroupOf.assign(classes, std::vector<int>(nv, -1));
  wb.GroupRep.assign(classes, std::vector<int>(nv, -1));
  wb.GroupSize.assign(classes, std::vector<int>(nv, 0));
  wb.GroupCount.assign(classes, 0);
  auto errorTerm = [&wb](int v) {
    return static_cast<std::size_t>(v) < wb.VectorErrorTerm.size() ? wb.VectorErrorTerm[static_cast<std::size_t>(v)]
                                                                   : 0.0;
  };

  const std::size_t all = hidden.size() + output.size();
  for (std::size_t v = 0; v < nv; ++v) {
    const int c = wb.VectorClass[v];
    if (c < 0 || static_cast<std::size_t>(c) >= classes)
      throw WlError("Vector " + IntToStr(static_cast<std::int64_t>(v)) + " has no class of the data set");
    const auto uc = static_cast<std::size_t>(c);
    const double s = output[uc][v];
    const double hidTol = s > 0.91 ? (s - 0.9) * hidThr : 0.01 * hidThr;
    const double outTol = s > 0.91 ? (s - 0.9) * outThr : 0.01 * outThr;
    bool joined = false;
    for (int g = 0; g < wb.GroupCount[uc] && !joined; ++g) {
      const auto ug = static_cast<std::size_t>(g);
      const auto r = static_cast<std::size_t>(wb.GroupRep[uc][ug]);
      std::size_t close = 0;
      for (const auto& neuron : hidden)
        if (std::fabs(neuron[v] - neuron[r]) < hidTol) ++close;
      for (const auto& neuron : output)
        if (std::fabs(neuron[v] - neuron[r]) < outTol) ++close;
      if (close != all) continue;
      wb.GroupOf[uc][v] = g;
      ++wb.GroupSize[uc][ug];
      if (errorTerm(static_cast<int>(v)) > errorTerm(static_cast<int>(r))) wb.GroupRep[uc][ug] = static_cast<int>(v);
      joined = true;
    }
    if (!joined) {
      const int k = wb.GroupCount[uc]++;
      wb.GroupOf[uc][v] = k;
      wb.GroupRep[uc][static_cast<std::size_t>(k)] = static_cast<int>(v);
      wb.GroupSize[uc][static_cast<std::size_t>(k)] = 1;
    }
  }
  return true;
}

bool WriteCompressedTrainingFile(Workbench& wb) {
  int K = 0;
  for (int n : wb.GroupCount) K += n;
  if (K >= wb.NumOfVectors) return false;
  const auto nv = static_cast<std::size_t>(wb.NumOfVectors);
  const auto classes = wb.GroupCount.size();
  if (wb.Data.size() < nv || wb.VectorClass.size() < nv || wb.VectorWeight.size() < nv)
    throw WlError("The data set is incomplete: the training set cannot be compressed");

  // The new set in class order, the groups of a class in the order they were made.
  std::vector<int> oldIndex;
  oldIndex.reserve(static_cast<std::size_t>(K));
  for (std::size_t c = 0; c < classes; ++c)
    for (int g = 0; g < wb.GroupCount[c]; ++g) oldIndex.push_back(wb.GroupRep[c][static_cast<std::size_t>(g)]);

  std::string text = "  vect  class cl-num  mult\n";
  for (std::size_t c = 0; c < classes; ++c)
    for (std::size_t v = 0; v < nv; ++v) {
      if (wb.VectorClass[v] != static_cast<int>(c)) continue;
      const int g = wb.GroupOf[c][v];
      text += "  " + IntToStr(static_cast<std::int64_t>(v)) + "  " + IntToStr(static_cast<std::int64_t>(c)) + "  " +
              IntToStr(g) + "  " + IntToStr(wb.GroupSize[c][static_cast<std::size_t>(g)]) + "\n";
    }

  const auto nk = static_cast<std::size_t>(K);
  const std::size_t nf = static_cast<std::size_t>(std::max(0, wb.NumOfFeatures));
  std::vector<std::vector<double>> data(nk);
  std::vector<int> vectorClass(nk);
  std::vector<double> vectorWeight(nk), errorTerm(nk, 0.0), target;
  const bool targets = wb.TargetValue.size() >= nv;
  if (targets) target.resize(nk);
  for (std::size_t k = 0; k < nk; ++k) {
    const auto r = static_cast<std::size_t>(oldIndex[k]);
    const std::vector<double>& from = wb.Data[r];
    data[k].resize(nf);
    for (std::size_t f = 0; f < nf && f < from.size(); ++f) data[k][f] = KeptValue(wb, f, from[f]);
    vectorClass[k] = wb.VectorClass[r];
    vectorWeight[k] = wb.VectorWeight[r];
    if (r < wb.VectorErrorTerm.size()) errorTerm[k] = wb.VectorErrorTerm[r];
    if (targets) target[k] = wb.TargetValue[r];
  }

  text += "\n  vect  class   mult  old-vect\n";
  for (std::size_t k = 0; k < nk; ++k)
    text += "   " + IntToStr(static_cast<std::int64_t>(k)) + "  " + IntToStr(vectorClass[k]) + "   " +
            FormatReal(vectorWeight[k]) + "  " + IntToStr(oldIndex[k]) + "\n";

  const std::string path = CompressedFilePath(wb);
  {
    AtomicOfstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw FileError("Cannot write file " + path);
    out << text;
    out.close();
    if (!out) throw FileError("Cannot write file " + path);
  }

  wb.NumOfVectors = K;
  wb.Data = std::move(data);
  wb.VectorClass = std::move(vectorClass);
  wb.VectorWeight = std::move(vectorWeight);
  wb.VectorErrorTerm = std::move(errorTerm);
  if (targets) wb.TargetValue = std::move(target);
  if (wb.VectorsPerClass.size() == classes) {
    std::fill(wb.VectorsPerClass.begin(), wb.VectorsPerClass.end(), 0);
    for (int c : wb.VectorClass) ++wb.VectorsPerClass[static_cast<std::size_t>(c)];
  }
  NewDataSetIdentity(wb);
  // The run goes on with the new set: its trials compare with the error of this set, on a part of it
  // when the set is split.
  if (wb.NumOfParts > 1) DrawRandomParts(wb);
  ++wb.TrainingSetChanges;
  wb.CurrentError = RefreshRunError(wb);
  return true;
}

}  // namespace wl

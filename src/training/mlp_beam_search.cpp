#include "training/mlp_beam_search.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "model/create_network.h"
#include "model/error_functions.h"
#include "model/forward_pass.h"
#include "model/read_parameters.h"
#include "model/run_status.h"
#include "state/analysis_shapes.h"
#include "state/hooks.h"
#include "state/workbench.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/platform.h"
#include "platform/rounding.h"
#include "training/one_change.h"
#include "training/prepare_run.h"
#include "training/run_end.h"

namespace wl {

namespace {

using Network = std::vector<std::vector<TNeuron>>;

// Whether row BeamHistoryRow of WeightHistory and WeightTrialHistory exists for a network of this shape.
bool HistoryRowFits(const Workbench& wb, const Network& net) {
  const auto row = static_cast<std::size_t>(wb.BeamHistoryRow);
  if (wb.BeamHistoryRow < 0 || row >= wb.WeightHistory.Rows() || row >= wb.WeightTrialHistory.Rows()) return false;
  for (const WeightShape* s : {&wb.WeightHistory.Shape(), &wb.WeightTrialHistory.Shape()}) {
    if (s->NumLayers() != static_cast<int>(net.size()) - 1) return false;
    for (std::size_t l = 1; l < net.size(); ++l) {
      if (s->Neurons[l - 1] != static_cast<int>(net[l].size())) return false;
      for (const TNeuron& n : net[l])
        if (s->Weights[l - 1] != static_cast<int>(n.Weights.size())) return false;
    }
  }
  return true;
}

// The run writes one row per candidate of the initial generation and of each epoch: the histories get
// at least that many rows, in the shape of the network the run trains.
void FitHistories(Workbench& wb, int C) {
  const auto rows = static_cast<std::size_t>(kBeamEpochs + 1) * static_cast<std::size_t>(C);
  const WeightShape shape = WeightShape::Of(wb.Layers, wb.LayerInputs.data(), static_cast<int>(wb.Net.size()));
  auto same = [&shape](const WeightShape& s) { return s.Neurons == shape.Neurons && s.Weights == shape.Weights; };
  if (wb.WeightHistory.Rows() >= rows && wb.WeightTrialHistory.Rows() >= rows && same(wb.WeightHistory.Shape()) &&
      same(wb.WeightTrialHistory.Shape()))
    return;
  AllocHistories(wb, std::max<std::int64_t>(HistoryLength(wb), static_cast<std::int64_t>(rows) - 1));
}

// The weights of candidate c, with its error, as row BeamHistoryRow.
void RecordCandidate(Workbench& wb, int c) {
  const Network& net = wb.CandidateNets[static_cast<std::size_t>(c)];
  if (!HistoryRowFits(wb, net)) return;
  const auto row = static_cast<std::size_t>(wb.BeamHistoryRow);
  auto weights = wb.WeightHistory[row];
  auto trials = wb.WeightTrialHistory[row];
  const double error = wb.CandidateErrors[static_cast<std::size_t>(c)];
  for (std::size_t l = 1; l < net.size(); ++l)
    for (std::size_t n = 0; n < net[l].size(); ++n) {
      const std::vector<double>& w = net[l][n].Weights;
      for (std::size_t k = 0; k < w.size(); ++k) {
        weights[l - 1][n][k] = w[k];
        trials[l - 1][n][k].Error = error;
      }
    }
}

// The child sweep; `extend` doubles each successful step while the error keeps falling.
void Sweep(Workbench& wb, int i, int j, double D, bool extend) {
  const int c = wb.BeamWidth * i + j;
  const auto uc = static_cast<std::size_t>(c);
  Network& net = wb.CandidateNets[uc];
  net = wb.BeamNets[static_cast<std::size_t>(i)];  // copies the weights into the child's own arrays
  double Ec = wb.BeamErrors[static_cast<std::size_t>(i)];
  const bool record = HistoryRowFits(wb, net);
  const auto row = static_cast<std::size_t>(wb.BeamHistoryRow);
  for (std::size_t l = 1; l < net.size(); ++l)
    for (std::size_t n = 0; n < net[l].size(); ++n) {
      TNeuron& neuron = net[l][n];
      std::vector<double>& w = neuron.Weights;
      for (std::size_t k = 0; k < w.size(); ++k) {
        const double r = wb.Rng.Real() * D;
        const double w0 = w[k];
        if (extend && k < neuron.OldWeights.size()) neuron.OldWeights[k] = w0;
        double kept = 0.0;
        w[k] = w0 + r;
        const double up = CandidateError(wb, c);
        if (up < Ec) {
          Ec = up;
          kept = r;
        }
        w[k] = w0 - r;
        const double down = CandidateError(wb, c);
        if (down < Ec) {
          Ec = down;
          kept = -r;
        }
        w[k] = w0 + kept;
        if (extend && kept != 0.0) {
          for (int doubling = 0; doubling < 3; ++doubling) {
            const double s = 2.0 * kept;
            w[k] = w0 + s;
            const double e = CandidateError(wb, c);
            if (!(e < Ec)) break;
            Ec = e;
            kept = s;
          }
          w[k] = w0 + kept;
        }
        if (record) {
          wb.WeightHistory[row][l - 1][n][k] = w[k];
          wb.WeightTrialHistory[row][l - 1][n][k].Error = down;
        }
      }
    }
  wb.CandidateErrors[uc] = Ec;
}

}  // namespace

void InitBeam(Workbench& wb) {
  const auto B = static_cast<std::size_t>(std::max(0, wb.BeamWidth));
  wb.CandidateNets.assign(B * B, wb.Net);
  wb.BeamNets.assign(B, wb.Net);
  wb.CandidateErrors.assign(B * B, 0.0);
  wb.BeamErrors.assign(B, 0.0);
  wb.BeamMadeFor = CurrentNetworkShape(wb);
}

void MakeChild(Workbench& wb, int i, int j, double D) { Sweep(wb, i, j, D, false); }

void MakeChildST(Workbench& wb, int i, int j, double D) { Sweep(wb, i, j, D, true); }

void CandidateForward(Workbench& wb, int c, int v) {
  Network& net = wb.CandidateNets[static_cast<std::size_t>(c)];
  std::vector<TNeuron>& in = net[0];
  const double* row = wb.Data[static_cast<std::size_t>(v)].data();
  // Linear inputs: each input passes its scaled value on.
  if (wb.AllContinuous) {
    for (std::size_t i = 0; i < in.size(); ++i) in[i].Signal = in[i].Weights[0] * row[i];
  } else {
    std::size_t k = 0;
    for (std::size_t f = 0; f < wb.Features.size(); ++f) {
      const TFeature& feat = wb.Features[f];
      if (feat.Kind == 'c') {
        in[k].Signal = in[k].Weights[0] * row[f];
        ++k;
      } else {
        const std::size_t known = feat.Values.size();
        for (int i = 0; i < feat.NValues; ++i, ++k)
          in[k].Signal = (static_cast<std::size_t>(i) < known && row[f] == feat.Values[static_cast<std::size_t>(i)])
                             ? in[k].Weights[0]
                             : 0.0;
      }
    }
  }
  const double slope = wb.Slope;
  for (std::size_t l = 1; l < net.size(); ++l) {
    const std::vector<TNeuron>& prev = net[l - 1];
    const std::size_t fanIn = prev.size();
    for (TNeuron& neuron : net[l]) {
      const double* w = neuron.Weights.data();
      double s = 0.0;
      for (std::size_t k = 0; k < fanIn; ++k) s += w[k] * prev[k].Signal;
      const double a = (w[fanIn] - s) * slope;
      neuron.Signal = a > kExpGuard ? 0.0 : 1.0 / (1.0 + std::exp(a));
    }
  }
}

double CandidateError(Workbench& wb, int c) {
  const double F = wb.CLCheck ? static_cast<double>(wb.NumOfClasses - 1) : 1.0;
  const double p = wb.ErrorExponent;
  const std::vector<TNeuron>& out = wb.CandidateNets[static_cast<std::size_t>(c)].back();
  double E = 0.0;
  int count = 0;
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    CandidateForward(wb, c, v);
    const int cls = wb.VectorClass[static_cast<std::size_t>(v)];
    double best = 0.0;
    int winner = -1;
    for (std::size_t j = 0; j < out.size(); ++j) {
      const double y = out[j].Signal;
      const bool target = static_cast<int>(j) == cls;
      const double term = ErrorTerm(y - (target ? 1.0 : 0.0), p);
      E += target ? F * term : term;
      if (y > best) {
        best = y;
        winner = static_cast<int>(j);
      }
    }
    if (winner == cls) ++count;
  }
  wb.SuccessRate = wb.NumOfVectors > 0 ? static_cast<double>(count) / wb.NumOfVectors : 0.0;
  wb.ErrorEvaluations += 1;
  return E;
}

void SelectBeam(Workbench& wb) {
  const std::size_t C = wb.CandidateErrors.size();
  std::vector<double>& err = wb.CandidateErrors;
  const bool sources = wb.CandidateSource.size() == C;
  for (std::size_t i = 0; i < C; ++i)
    for (std::size_t j = 0; j < i; ++j)
      if (err[i] < err[j]) {
        std::swap(err[i], err[j]);
        if (sources) std::swap(wb.CandidateSource[i], wb.CandidateSource[j]);
        std::swap(wb.CandidateNets[i], wb.CandidateNets[j]);
      }
  AtomicOfstream& file = wb.BeamHistoryFile;
  const bool write = file.is_open();
  for (std::size_t m = 0; m < wb.BeamNets.size() && m < C; ++m) {
    wb.BeamNets[m] = wb.CandidateNets[m];
    wb.BeamErrors[m] = err[m];
    // The full numbers: beams of 16 and more have candidates numbered from 256 on.
    if (write && sources)
      file << IntToStr(wb.CandidateSource[m].Parent) << "  " << IntToStr(wb.CandidateSource[m].Child) << '\n';
  }
  if (write) {
    file << '\n';
    file.flush();
    if (!file) throw FileError("Cannot write file " + wb.Path("History.txt"));
  }
}

void ShowBeamProgress(Workbench& wb, int epoch, int i, int j, int mode) {
  TForm1& f = wb.Form1;
  if (mode == 1) {
    const auto c = static_cast<std::size_t>(wb.BeamWidth * i + j);
    f.ep.SetText(IntToStr(epoch) + " / " + IntToStr(i) + " / " + IntToStr(j));
    f.ge.SetText(FixedDisplayText(wb.CandidateErrors[c], 12, 4) + " / " + wb.ResultText);
    f.EditSuccess.SetText(FixedDisplayText(wb.SuccessRate, 7, 5));
    f.ep.Repaint();
    f.ge.Repaint();
    f.EditSuccess.Repaint();
    wb.Plat.ProcessEvents();
  } else if (mode == 2) {
    wb.ElapsedTime = MonotonicMs() - wb.BeamStartTime;
    wb.ParamText[2] = "Num of Epochs = " + IntToStr(epoch);
    wb.ParamText[3] = "Initial Delta = " + FloatToStr(wb.InitialDelta) + "D=D/2 every " +
                      IntToStr(RoundInt(wb.DeltaDecay)) + " epochs";
    wb.ParamText[4] = "Start Error = " + wb.ResultText + "   End Error = " +
                      FixedDisplayText(wb.CandidateErrors.empty() ? 0.0 : wb.CandidateErrors[0], 12, 4);
  }
}

namespace {

// The progress plot follows the best network of the beam: after each selection it becomes Net, its error
// and accuracy are the epoch's record, and the plot draws it. Its accuracy is measured once more, which
// counts neither as an evaluation of the search nor as the search's last success rate.
void RecordBestOfEpoch(Workbench& wb, int e) {
  wb.Net = wb.BeamNets[0];
  const double evaluations = wb.ErrorEvaluations, rate = wb.SuccessRate;
  CandidateError(wb, 0);
  wb.AcceptedSuccessRate = wb.SuccessRate;
  wb.ErrorEvaluations = evaluations;
  wb.SuccessRate = rate;
  wb.CurrentError = wb.CandidateErrors[0];
  if (static_cast<std::size_t>(e) < wb.EpochHistory.size())
    wb.EpochHistory[static_cast<std::size_t>(e)] = {wb.CurrentError, wb.AcceptedSuccessRate};
  if (e == 0) {
    if (!wb.WNormHistory.empty()) wb.WNormHistory[0] = SquaredWeightNorm(wb);
    // The plot's axis covers the search's epochs, and its epoch 0 is the best of the initial networks.
    if (!wb.Form1.NoGTPBox.Checked()) CallRunPrepared(wb, kBeamEpochs);
  } else {
    CallEpochDone(wb, e, wb.CurrentError);
  }
}

// The progress trace: the epoch and the candidate the search is at.
void TraceCandidate(Workbench& wb, int e, int c) {
  wb.ProgressStep = IntToStr(e);
  wb.ProgressSubStep = IntToStr(c);
  UpdateProgressTrace(wb);
}

}  // namespace

void MLPBeamSearchTrain(Workbench& wb, std::uint8_t) {
  HourglassGuard hourglass(wb.Plat);
  TForm1& f = wb.Form1;
  if (f.SkipCheck.Checked()) {
    wb.Plat.ShowMessage("Skip connections not implemented in Beam Search");
    return;
  }
  if (ReadParameters(wb)) return;
  RequireNetwork(wb);
  // The networks the search builds (scheme 7) are refused before the run shows or prepares anything, its
  // progress plot among them.
  if (const std::string why = NetworkShapeRefusal(wb, 7); !why.empty()) {
    wb.Plat.ShowMessage(why);
    return;
  }
  ShowRunMethod(wb, "Beam Search");
  wb.BeamHistoryRow = 0;
  PrepareTrainingRun(wb);

  wb.StepCount = 0;
  wb.BeamStartTime = MonotonicMs();
  const int B = wb.BeamWidth;
  const int C = B * B;
  wb.CandidateSource.assign(static_cast<std::size_t>(C), TCandidateSource{});
  // One step entry per child of the ten epochs, from entry 1.
  const std::size_t steps = static_cast<std::size_t>(kBeamEpochs) * static_cast<std::size_t>(C) + 1;
  wb.StepRateHistory.assign(steps, 0.0);
  wb.StepErrorHistory.assign(steps, 0.0);

  const std::string path = wb.Path("History.txt");
  AtomicOfstream& file = wb.BeamHistoryFile;
  file.abandon();
  file.open(path, std::ios::trunc);
  if (!file) throw FileError("Cannot write file " + path);
  // "History.txt" ends with the run, also when an error ends it, so that a later selection (of the
  // numerical-gradient beam) does not write into it.
  const LogEnd closeAtEnd(file);
  wb.Rng.Randomize(wb.Plat.MillisecondsOfDay());

  for (int c = 0; c < C; ++c) {
    wb.CandidateSource[static_cast<std::size_t>(c)] = {c, c};
    // A network that cannot be built (its message has been shown) ends the run.
    if (CreateNetwork(wb, 7) != NetworkBuilt) return;
    if (c == 0) {
      // The beam takes the shape of the networks the search builds, which the fields give (the output
      // layer one neuron short with "Default Class 0"), not of the network that was there before.
      InitBeam(wb);
      FitHistories(wb, C);
      EvalNeeds needs;
      needs.InputWeights = true;
      RequireEvaluable(wb, NetLayout::Standard, needs);
    }
    wb.CandidateNets[static_cast<std::size_t>(c)] = wb.Net;
    wb.CandidateErrors[static_cast<std::size_t>(c)] = CandidateError(wb, c);
    RecordCandidate(wb, c);
    ++wb.BeamHistoryRow;
  }
  SelectBeam(wb);
  RecordBestOfEpoch(wb, 0);
  wb.ResultText = FixedDisplayText(wb.CandidateErrors[0], 12, 3);
  wb.StartError = wb.CandidateErrors[0];
  f.ge.SetText("- / " + wb.ResultText);
  f.ge.Repaint();

  const bool extend = f.useST.Checked();
  for (int e = 1; e <= kBeamEpochs; ++e) {
    const double D = wb.InitialDelta * StepFactor(wb.DeltaDecay, e);
    for (int i = 0; i < B; ++i)
      for (int j = 0; j < B; ++j) {
        const auto c = static_cast<std::size_t>(B * i + j);
        wb.CandidateSource[c] = {i, j};
        if (extend)
          MakeChildST(wb, i, j, D);
        else
          MakeChild(wb, i, j, D);
        ++wb.BeamHistoryRow;
        ++wb.StepCount;
        wb.StepRateHistory[static_cast<std::size_t>(wb.StepCount)] = wb.SuccessRate;
        wb.StepErrorHistory[static_cast<std::size_t>(wb.StepCount)] = wb.CandidateErrors[c];
        ShowBeamProgress(wb, e, i, j, 1);
        TraceCandidate(wb, e, static_cast<int>(c));
      }
    SelectBeam(wb);
    // As the run always did: the best error of the epoch takes entry e.
    wb.StepErrorHistory[static_cast<std::size_t>(e)] = wb.CandidateErrors[0];
    wb.StepRateHistory[static_cast<std::size_t>(e)] = wb.SuccessRate;
    RecordBestOfEpoch(wb, e);
  }

  wb.Net = wb.BeamNets[0];
  ShowEvaluationCount(wb);
  CloseWritten(file);
  ShowBeamProgress(wb, kBeamEpochs, 0, 0, 2);
  ExportWeightMatrixAtRunEnd(wb);
  wb.ProgressStep = wb.ProgressSubStep = std::string("0");
  if (!f.NoGTPBox.Checked()) CallRunEnded(wb);
}

}  // namespace wl

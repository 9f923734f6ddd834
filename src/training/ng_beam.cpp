// The NG beam: B * B candidate networks, each moved by one numerical-gradient step per epoch; the B best
// are kept as the beam.
#include "training/ng_beam.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "model/layer_transfer.h"
#include "model/create_network.h"
#include "model/error_functions.h"
#include "model/read_parameters.h"
#include "state/training_parts.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "training/ng_direction.h"
#include "training/ng_steps.h"
#include "training/ng_train.h"
#include "training/ng_weights.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

using Network = std::vector<std::vector<TNeuron>>;

struct Beam {
  int B = 1;
  std::vector<Network> CandidateNets, BeamNets;
  std::vector<double> CandidateErrors, BeamErrors;

  explicit Beam(int width) : B(width) {
    const auto c = static_cast<std::size_t>(B) * static_cast<std::size_t>(B);
    CandidateNets.resize(c);
    CandidateErrors.assign(c, 0.0);
    BeamNets.resize(static_cast<std::size_t>(B));
    BeamErrors.assign(static_cast<std::size_t>(B), 0.0);
  }

  // The candidates sorted by error (an exchange sort: a later candidate passes an earlier one only when
  // strictly better), and the B best copied into the beam.
  void Select() {
    const std::size_t c = CandidateNets.size();
    for (std::size_t i = 0; i < c; ++i)
      for (std::size_t j = 0; j < i; ++j)
        if (CandidateErrors[i] < CandidateErrors[j]) {
          std::swap(CandidateErrors[i], CandidateErrors[j]);
          std::swap(CandidateNets[i], CandidateNets[j]);
        }
    for (std::size_t m = 0; m < BeamNets.size(); ++m) {
      BeamNets[m] = CandidateNets[m];
      BeamErrors[m] = CandidateErrors[m];
    }
  }
};

// One NG step of candidate c: into the network, the direction probed, the grid search along it, a log
// line; the moved network goes back into its candidate with its error.
void LogNGBeamStep(Workbench& wb, Beam& beam, std::size_t c) {
  wb.Net = beam.CandidateNets[c];
  const double e = ProbeWeightsRelative(wb, 0);
  const double t = FindStepLength(wb, 1);
  wb.NGLogFile << "err=" << FormatReal(e) << "  modV=" << FormatReal(wb.NormV) << "  opt_h=" << FormatReal(t)
               << '\n';
  beam.CandidateNets[c] = wb.Net;
  beam.CandidateErrors[c] = NetworkError(wb, NGOptions(wb));
}

}  // namespace

void TrainNGBeam(Workbench& wb, std::uint8_t) {
  if (wb.ResultsPrefix.empty() || wb.NumOfVectors < 1)
    throw WlError("No data set has been opened yet. Open a data set first (Open -> Open Training Set).");
  if (ReadParameters(wb)) return;
  RequireEntropyOutputRange(wb);
  HourglassGuard hourglass(wb.Plat);
  wb.NGStep = 2.0 * wb.NGdelta;
  const int B = std::max(1, StrToInt(Trim(wb.Form1.NGBW.Text())));

  if (CreateNetwork(wb, 4) != NetworkBuilt) return;
  InitNG(wb, 1);
  if (wb.NumOfParts > 1)
    for (std::size_t i = 0; i < wb.BatchIndex.size(); ++i) wb.BatchIndex[i] = static_cast<int>(i % wb.NumOfVectors);
  if (wb.NumOfParts > 1) StampParts(wb);
  wb.InitialNumOfVectors = wb.NumOfVectors;
  wb.StepFactorSum = 0.0;
  wb.MaxStepFactor = 0.0;
  wb.SectionCurveCount = 0;

  const int epochs = wb.NumOfEpochs;
  const std::size_t C = static_cast<std::size_t>(B) * static_cast<std::size_t>(B);
  wb.StepCount = 0;
  wb.StepRateHistory.assign((static_cast<std::size_t>(std::max(0, epochs)) + 1) * C, 0.0);
  wb.StepErrorHistory.assign(wb.StepRateHistory.size(), 0.0);
  Beam beam(B);

  const LogEnd log(wb.NGLogFile);
  wb.NGLogFile.abandon();
  wb.NGLogFile.open(wb.NGLogFileName, std::ios::binary | std::ios::trunc);
  if (!wb.NGLogFile) throw FileError("Cannot write file " + wb.NGLogFileName);

  for (std::size_t c = 0; c < C; ++c) {
    if (CreateNetwork(wb, 4) != NetworkBuilt) return;
    beam.CandidateNets[c] = wb.Net;
    beam.CandidateErrors[c] = NetworkError(wb, NGOptions(wb));
  }
  beam.Select();
  wb.ResultText = FixedDisplayText(beam.CandidateErrors[0], 12, 3);
  wb.Form1.ge.SetText("- / " + wb.ResultText);
  wb.Form1.ge.Repaint();

  for (int e = 1; e <= epochs; ++e) {
    wb.NGLogFile << "epoch=" << e << '\n';
    wb.Epoch = e;
    for (int i = 0; i < B; ++i)
      for (int j = 0; j < B; ++j) {
        const std::size_t c = static_cast<std::size_t>(i) * static_cast<std::size_t>(B) + static_cast<std::size_t>(j);
        LogNGBeamStep(wb, beam, c);
        wb.StepCount += 1;
        wb.StepRateHistory[static_cast<std::size_t>(wb.StepCount)] = wb.SuccessRate;
        wb.StepErrorHistory[static_cast<std::size_t>(wb.StepCount)] = beam.CandidateErrors[c];
        wb.Form1.ep.SetText(IntToStr(e) + " " + IntToStr(i));
        wb.Form1.ep.Repaint();
        wb.Plat.ProcessEvents();
      }
    beam.Select();
    wb.StepErrorHistory[static_cast<std::size_t>(e)] = beam.CandidateErrors[0];
    wb.StepRateHistory[static_cast<std::size_t>(e)] = wb.SuccessRate;
  }
  wb.Net = beam.BeamNets[0];
  CloseWritten(wb.NGLogFile);
}

}  // namespace wl

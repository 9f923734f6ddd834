#pragma once
// The recorded runs the trajectory, surface and direction tests draw from: XOR (2-2-2, 12 weights) in a
// program folder of its own, a network from a fixed seed, its run prepared, and a hand-made history.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "model/create_network.h"
#include "model/data_file.h"
#include "model/plane_sampler.h"
#include "model/read_parameters.h"
#include "state/analysis_shapes.h"
#include "state/workbench.h"
#include "support/test_support.h"
#include "training/prepare_run.h"

namespace wl::test {

// The normalised trajectory point in closed form: the six projections P stretched to the length sqrt(n2).
inline std::array<double, 6> ClosedForm(const std::array<double, 6>& P, double n2) {
  double s = 0;
  for (double p : P) s += p * p;
  std::array<double, 6> u{};
  for (std::size_t c = 0; c < 6; ++c) u[c] = P[c] * std::sqrt(n2) / std::sqrt(s);
  return u;
}

class RecordedRunTest : public ProgramDirTest {
 protected:
  // The program folder (PCA, results, DATA) with XOR read, 2 hidden neurons, `epochs` epochs, seed 12345.
  void OpenXor(const std::string& prefix, const std::string& epochs) {
    MakeProgramDir(prefix, {"PCA", "results", "DATA"});
    ReadDataFile(*wb, std::string(WL_SOURCE_DIR) + "/DATA/xor.dat");
    wb->ResultsPrefix = (dir / "results" / "xor_100").string();
    wb->Form1.HiddenEditT2.SetText("2");
    wb->Form1.EpochEditT2.SetText(epochs);
    wb->Rng.Seed = 12345;
  }

  // The network built, the parameters read and the run of the method prepared.
  void PrepareRun(const std::string& method) {
    ASSERT_EQ(CreateNetwork(*wb, 4), NetworkBuilt);
    ASSERT_FALSE(ReadParameters(*wb));
    wb->MethodTag = method;
    PrepareTrainingRun(*wb);
  }

  // A history of 3 epochs whose weight j of epoch e is weight(j, e); component k is the unit vector of
  // weight k, so the projections of an epoch are its first six weights. Eigenvalues 4, 1, 0.5, 0.2, 0.1,
  // 0.05.
  void FillThreeEpochs(const std::function<double(std::size_t j, std::size_t e)>& weight) {
    wb->TrajectoryCoords.assign(6, std::vector<double>(4, 0.0));
    wb->PrincipalComponents.assign(12, std::vector<double>(12, 0.0));
    for (std::size_t k = 0; k < 6; ++k) wb->PrincipalComponents[k][k] = 1;
    wb->Eigenvalues = {4, 1, 0.5, 0.2, 0.1, 0.05, 0, 0, 0, 0, 0, 0};
    // Components of this network, as a surface run leaves them.
    StampComponents(*wb);
    for (std::size_t e = 0; e <= 3; ++e) {
      auto row = wb->WeightHistory.Row(e);
      for (std::size_t j = 0; j < 12; ++j) row[j] = weight(j, e);
      double n2 = 0;
      for (double w : row) n2 += w * w;
      wb->WNormHistory[e] = n2;
      for (std::size_t k = 0; k < 6; ++k) wb->TrajectoryCoords[k][e] = row[k];
    }
  }

  // The squared norms after each single change of epochs 1..3: weights up to j from epoch e, the rest
  // from e - 1.
  void FillSingleChangeNorms() {
    for (std::size_t e = 1; e <= 3; ++e)
      for (std::size_t j = 0; j < 12; ++j) {
        double n2 = 0;
        for (std::size_t i = 0; i < 12; ++i) {
          const double w = wb->WeightHistory.Row(i <= j ? e : e - 1)[i];
          n2 += w * w;
        }
        wb->DetailWNormHistory.Row(e)[j] = n2;
      }
  }

  // A history of 13 epochs (0 .. 12) from the weights `start`: epoch e moves the weights along two fixed
  // patterns, so that the trajectory spans a plane; the error of epoch e is 1 / (1 + e).
  void FillPlaneHistory() {
    for (std::size_t e = 0; e <= 12; ++e) {
      auto row = wb->WeightHistory.Row(e);
      double norm = 0;
      for (std::size_t w = 0; w < row.size(); ++w) {
        row[w] = start[w] + 0.3 * e * (w % 2 == 0 ? 1.0 : -0.5) + 0.05 * e * e * (w % 3 == 0 ? 1.0 : 0.0);
        norm += row[w] * row[w];
      }
      wb->WNormHistory[e] = norm;
      wb->EpochHistory[e].Error = 1.0 / (1.0 + e);
    }
  }

  std::vector<double> start;  // where the plane history starts: the weights of the prepared run
};

}  // namespace wl::test

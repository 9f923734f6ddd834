#pragma once
// The program-wide state of the weight-matrix analysis: the weight matrix of the last build and its
// selection, the work matrices of the decomposition, the eigenvalues and components of the last PCA,
// the weight-matrix files bound for the cosine comparison, and the weight windows' pens. No Qt here.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "state/matrix.h"
#include "state/parameters.h"

namespace wl {

struct WeightSpaceState {
  // [weight][row]: one row per selected epoch, the weights in the column order of the build.
  std::vector<std::vector<double>> WeightMatrix;
  int WMRows = 0;
  // The selection fields as last read, and the first and last selected epochs (-1 when none).
  int WMFrom = 0, WMTo = 0, WMEvery = 0;
  int WMFirstEpoch = -1, WMLastEpoch = -1, WMLastRow = -1;

  // The decomposition's work matrices, shared by the PCA of the weights and the PCA of the data.
  Matrix MatrixA, MatrixV;
  std::vector<double> Eigenvalues;
  // The variances of the last PCA of the data set: its own, so that it leaves the surface's eigenvalues.
  std::vector<double> DataEigenvalues;
  // [component][weight]; component 0 is "component 1" of the user interface.
  int NumOfComponents = 0;
  std::vector<std::vector<double>> PrincipalComponents;
  std::vector<std::vector<double>> MatlabComponents;  // as read from "pcomp_w.txt" / "pcomp_v.txt"
  std::vector<std::vector<double>> ICAComponents;     // as read from "ica_a.txt", five directions
  std::vector<std::vector<double>> ComponentScores;   // [component][epoch], from "scores_w.txt"

  // The transfer functions of a training imported from Matlab: [0] output layer, [1] hidden L2, [2] L3.
  std::array<TTransferFunction, 3> MatlabTF{};

  // The two weight-matrix files of the cosine comparison and whether the last load chose a file.
  std::array<std::string, 2> WMFiles;
  bool WMFileChosen = false;

  // The pens of the weight windows by layer ($BBGGRR), and the window last drawn or pointed at.
  std::array<std::int64_t, 4> LayerColors{0x000000, 0xFF00FF, 0x800080, 0x0000FF};
  int WeightFormIndex = 0;
};

}  // namespace wl

#pragma once
// The program-wide state of the error surfaces: the components the surfaces use, the trajectory's
// coordinates on them, the plotted pair and the plane's centre. No Qt here.
#include <array>
#include <vector>

#include "state/network.h"

namespace wl {

// A weight by its place in the network: layer (1 up), neuron, input (the threshold last).
struct WeightPlace {
  int Layer = 0, Neuron = 0, Input = 0;
};

// One epoch segment of the local PCA: copies of the first two principal directions and of the
// eigenvalues, the segment's epochs, and the values of its ends (nothing computes them yet).
struct TPD {
  std::vector<double> Dir1, Dir2, SegEigenvalues;
  int StartEpoch = 0, EndEpoch = 0;
  double StartValue = 0.0, EndValue = 0.0;
  bool Ready = false;
};

struct SurfaceState {
  // What the components in use were made for: Eigenvalues, PrincipalComponents, PlotComponents, the
  // rows read from the exchange files and the trajectory's coordinates on them (state/analysis_shapes.h).
  NetworkStamp ComponentsMadeFor;
  // Rows 0..5: a copy of components 1..6 made by every run of the pipeline; [row][weight].
  std::vector<std::vector<double>> PlotComponents;
  // [component 0..5][epoch 0..NumOfEpochs]: the raw projection of every recorded weight vector.
  std::vector<std::vector<double>> TrajectoryCoords;
  int C1Index = 0, C2Index = 1;
  double C2Scale = 1.0;
  int SurfaceKind = 0;  // 0 "PCA  W", 1 "PCA  V", 2 "2W"
  std::vector<double> CentreWeights;
  double PixelStep = 0.0, LineStep = 0.0;
  WeightPlace FirstWeight, SecondWeight;
  std::array<double, 6> ExtrapolationTargets{};
  // Threads of the plane sampler: 0 one per core, 1 the serial loop.
  int SamplerThreads = 0;
  // "Prepare Modifications": the scaled error on 427 x 427 points, [row][column] = [c2 offset + 213][c1
  // offset + 213] in one block; "Modify Plot with fi + h": the re-mapped 299 x 299 surface, [y + 149][x +
  // 149]. Both are kept between the commands.
  std::vector<float> PreparedGrid, ModifiedGrid;
  bool GridPrepared = false;
  NetworkStamp PreparedGridMadeFor;  // the network whose centre and components the fine grid spans
  // The four epoch segments of the last local PCA.
  std::vector<TPD> LocalPCASegments;
};

}  // namespace wl

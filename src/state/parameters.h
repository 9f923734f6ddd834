#pragma once
// The parameter variables that the parameter reader fills from the main window's fields and every
// algorithm reads.
#include <array>
#include <cstdint>
#include <string>

namespace wl {

// The transfer function of one layer: kind 1..7 = sigmoid, tanh, linear, linear (0;1), linear (-1;1),
// staircase (0;1), staircase (-1;1).
struct TTransferFunction {
  std::uint8_t TFKind = 1;
  double TFSlope = 1.0;
  double TFStretch = 1.0;
  int TFSteps = 0;
};

struct ParameterState {
  double Middle = 0, Aepoch = 0, Bepoch = 0, WorthChanging = 0, V_exp = 0, next_D = 0, V_coef = 0, WSRange = 0,
         WSDelta = 0, SMDH1 = 0, Smhid = 0, XLC = 0, MaxDelta = 0, MaxWeight = 0, StopError = 0, SmallW = 0,
         IntegerW = 0, DeltaDecay = 0, BPDecay = 0, InitialDelta = 0, NGdelta = 0, Slope = 0, InitialWeight = 0,
         SetOff = 0, GoodResult = 0, ErrorExponent = 0, HidBias = 0, OutBias = 0, Stretch = 0, Momentum = 0,
         fromH = 0, toH = 0, BPLearnRate = 0, BPMomentum = 0, ThreeDscale = 0, ErrorAxisRange = 0, WarnLimit = 0;
  std::int32_t NumOfLayers = 0, NumOfParts = 0, NumOfEpochs = 0, BeamWidth = 0, NumOfStep = 0, PlotLines = 0,
               ErrorTFKind = 0;
  bool NonStandardTF = false, CLCheck = false, OnlineBP = false, WeightedError = false;
  std::uint8_t ClassErrorMode = 0;  // 3 = classification error included, 0 = not
  std::array<double, 4> SMLPOutWeights{1.0, 1.0, 1.0, 1.0};
  std::array<TTransferFunction, 3> LayerTF{};  // LayerTF[k] describes layer k + 1
  std::array<std::string, 21> ParamText{};     // report lines describing the run's parameters
};

}  // namespace wl

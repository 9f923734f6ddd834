#pragma once
// The program-wide state of the weight-space analysis and the plots.
#include <array>
#include <cstdint>

namespace wl {

struct AnalysisState {
  bool TrajProjected = false;
  bool NGFFormExists = false, GTPFormExists = false, ESFormExists = false, ViewerFormExists = false;
  bool ESDone = false;
  std::array<bool, 2> WeightFormOpen{false, false};
  int clindex = 0;
  int XorDemoCount = 0;
  int HiddenPlotMode = 0, OutputPlotMode = 0;
  // The signal plots' marker scale ("Marker Size") and the four marker sizes made from it.
  double MarkerScale = 1.0;
  int MarkerU1 = 1, MarkerU2 = 2, MarkerU3 = 3, MarkerU4 = 4;
  int ESPlotMode = 1;  // the error-surface pipeline runs in full mode
  int SignC1 = 1, SignC2 = 1;
  int PointSize = 1;
  int ESGridStep = 1;  // error-surface grid step 1, 2, 4 or 8
  int WeightsPictureNo = 1;
  // The scales of the last "V contra dW" plot of all weights (pixels per unit of V and of d).
  double VdwScaleX = 0.0, VdwScaleY = 0.0;  // running number of saved weight pictures; 1 again with every new results prefix
  // The pens of the plots as $BBGGRR values: black, red, blue, lime, fuchsia, green, purple, yellow.
  std::array<std::int64_t, 8> PlotColors{0x000000, 0x0000FF, 0xFF0000, 0x00FF00,
                                         0xFF00FF, 0x008000, 0x800080, 0x00FFFF};
};

}  // namespace wl

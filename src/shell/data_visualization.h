#pragma once
// "Tools" -> "Data Visualization": a new window with every use, drawing the loaded data set as a scatter
// plot of two continuous features; gone when it is closed.
#include <string>
#include <vector>

#include "shell/command.h"
#include "state/workbench.h"

namespace wl {

// Makes a new window (its feature lists filled with the names of the continuous features, the first
// chosen for X and the second for Y, its place and size set), connects its buttons, and shows it. Returns
// it.
TGraphData& ShowDataVisualization(Workbench& wb);
// The window is closed: it is destroyed, and the selector no longer finds it.
void CloseDataVisualization(Workbench& wb, TGraphData& g);
// "START": the picture made for the point size of PSEdit, the feature ranges recomputed, the features of
// the two lists found (when one is not, nothing is drawn and the message of DataVisualizationRefusal says
// what to do), the plot drawn and copied into I1.
void DataVisualizationStart(Workbench& wb, TGraphData& g);
// Why "START" draws nothing when the feature `missing` (the text of a list) is not found: no continuous
// features in the lists, none chosen, or a name the data set read since does not have.
std::string DataVisualizationRefusal(const TGraphData& g, const std::string& missing);

// The window's buttons; the handlers act on the window whose button was pressed.
const std::vector<WindowHandlerRow<TGraphData>>& GraphDataHandlerTable();
void ConnectGraphDataHandlers(Workbench& wb, TGraphData& g);

}  // namespace wl

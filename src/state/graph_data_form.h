#pragma once
// The data-visualisation window "Data Visualization" (GraphData): a scatter plot of two continuous
// features of the loaded data set. A new window is made with every use of the menu item and destroyed
// when it is closed; its picture is a Qt image in analysis/graph_data_pictures.h behind the Pictures
// handle.
#include <cstdint>
#include <memory>

#include "platform/controls.h"

namespace wl {

struct GraphDataPictures;

class TGraphData : public Form {
 public:
  TGraphData() : Form("GraphData", "Data Visualization") {}

  // Plot layout: margins L and T, the picture W x H, the frame margin M and the plot area PW x PH.
  static constexpr int L = 40, T = 20, W = L + 590, H = L + 510, M = T + 30, PW = W - 2 * M, PH = H - 2 * M;
  static constexpr int PlotOffset = 11;  // horizontal offset of the plot in the frame

  Label I1{*this, ControlKind::Label, "I1", "", ""};  // the image; the view paints the picture there
  GroupBox Panel1{*this, ControlKind::Panel, "Panel1", "", ""};
  ComboBox FYbox{*this, ControlKind::ComboBox, "FYbox", "Panel1", "Feature Y  (vertical)", {}, -1};
  ComboBox FXbox{*this, ControlKind::ComboBox, "FXbox", "Panel1", "Feature X  (horizontal)", {}, -1};
  CheckBox Grid{*this, "Grid", "Panel1", "Grid", false};
  Button StartButton{*this, ControlKind::Button, "StartButton", "Panel1", "START"};
  Button SaveGraphButton{*this, ControlKind::Button, "SaveGraphButton", "Panel1", "Save"};
  Button Button1{*this, ControlKind::Button, "Button1", "Panel1", "Save As"};
  FileDialog SaveGraphDialog{*this, "SaveGraphDialog", true, "GIF|*.gif|all files|*"};

  // DataPlotBitmap, made anew by every "START" (analysis/graph_data_pictures.h).
  std::shared_ptr<GraphDataPictures> Pictures;
  // True once I1 holds a picture; counts its copies so that the view repaints.
  bool HasPicture = false;
  std::uint64_t PictureVersion = 0;
  // The features of the last "START" (index in Features) and its point size.
  int YIndex = -1, XIndex = -1, PointSize = 1;

  // Window geometry (screen pixels).
  int Left = 2, Top = 48, Width = L + 796, Height = L + 550;
};

}  // namespace wl

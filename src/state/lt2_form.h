#pragma once
// The window "Trajectory 2D" (LT2): the path of the weight vector through the epochs on two principal
// components. Its controls and plain state live here; its two pictures are Qt images in
// analysis/lt2_pictures.h, reached through the Pictures handle; the drawing is analysis/trajectory_2d.h.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/controls.h"

namespace wl {

struct LT2Pictures;

namespace lt2_items {
inline const std::vector<std::string> Components = {"1", "2", "3", "4", "5", "6"};
inline const std::vector<std::string> Trajectory = {"Color Trajectory", "Blue Trajectory", "Detailed Trajectory"};
}  // namespace lt2_items

class TLT2 : public Form {
 public:
  TLT2();

  Label I2D{*this, ControlKind::Label, "I2D", "", ""};
  Label PB{*this, ControlKind::Label, "PB", "", ""};
  Label I2Df{*this, ControlKind::Label, "I2Df", "", ""};
  Label P1{*this, ControlKind::Label, "P1", "", ""};
  // The three up-downs; their arrows are TR2DUpDownClick (analysis/trajectory_2d.h).
  Label UpDown3{*this, ControlKind::Label, "UpDown3", "P1", "Size"};
  Label UpDown1{*this, ControlKind::Label, "UpDown1", "P1", "horizontal"};
  Label UpDown2{*this, ControlKind::Label, "UpDown2", "P1", "vertical"};
  RadioButton OrgBox{*this, "OrgBox", "P1", "scale", "original scale", false};
  RadioButton PropBox{*this, "PropBox", "P1", "scale", "proportional scale", true};
  ComboBox c1box{*this, ControlKind::ComboBox, "c1box", "P1", "c1", lt2_items::Components, 0};
  ComboBox c2box{*this, ControlKind::ComboBox, "c2box", "P1", "c2", lt2_items::Components, 1};
  ComboBox TRBox{*this, ControlKind::ComboBox, "TRBox", "P1", "", lt2_items::Trajectory, 0};
  Button Button1{*this, ControlKind::Button, "Button1", "P1", "Save"};
  Button Button2{*this, ControlKind::Button, "Button2", "P1", "Save As"};
  Button Button3{*this, ControlKind::Button, "Button3", "P1", "Full Screen"};
  Button Button4{*this, ControlKind::Button, "Button4", "P1", "EPS"};

  std::shared_ptr<LT2Pictures> Pictures;
  std::uint64_t PictureVersion = 0;  // counts the copies of a picture to the window's image

  bool FullScreen = false;
  int PlotWidth = 629, PlotHeight = 613;  // TR2DWidth, TR2DHeight
  int OriginX = 0, OriginY = 0;
  double Size = 30;
  int C1 = 0, C2 = 1;
  double ScaleX = 0, ScaleY = 0;
  bool Pending = false;
  bool Ready = false;
  int PanelTop = 619, PanelLeft = 1, PanelWidth = 629, PanelHeight = 140;

  // Window geometry, in screen pixels.
  int Left = 0, Top = 0, Width = 640, Height = 768;
  bool Shown = false;
};

// The window's place and layout at start-up, for the screen and font size given.
void CreateLT2Layout(TLT2& w, int screenWidth, int screenHeight, int fontPct);

}  // namespace wl

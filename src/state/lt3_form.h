#pragma once
// The window "Trajectory 3D" (LT3): the path of the weight vector through the epochs on three principal
// components, drawn inside the error surface's open box. Its controls and plain state live here; its
// pictures are Qt images in analysis/lt3_pictures.h, reached through the Pictures handle; the drawing is
// analysis/trajectory_3d.h.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "state/ng3d_form.h"

namespace wl {

struct LT3Pictures;

namespace lt3_items {
inline const std::vector<std::string> Components = {"1", "2", "3", "4", "5", "6"};
inline const std::vector<std::string> Trajectory = {"Color Trajectory", "Blue Trajectory", "Detailed Trajectory"};
}  // namespace lt3_items

class TLT3 : public Form {
 public:
  TLT3();

  Label I3D{*this, ControlKind::Label, "I3D", "", ""};
  Label PB{*this, ControlKind::Label, "PB", "", ""};
  Label I3Df{*this, ControlKind::Label, "I3Df", "", ""};
  Label P1{*this, ControlKind::Label, "P1", "", ""};
  // The four up-downs; their arrows are TR3DUpDownClick (analysis/trajectory_3d.h).
  Label UpDown3{*this, ControlKind::Label, "UpDown3", "P1", "Size"};
  Label UpDown1{*this, ControlKind::Label, "UpDown1", "P1", "X"};
  Label UpDown2{*this, ControlKind::Label, "UpDown2", "P1", "Y"};
  Label UpDown4{*this, ControlKind::Label, "UpDown4", "P1", "Z"};
  RadioButton OrgBox{*this, "OrgBox", "P1", "scale", "original scale", false};
  RadioButton PropBox{*this, "PropBox", "P1", "scale", "proportional scale", true};
  ComboBox c1box{*this, ControlKind::ComboBox, "c1box", "P1", "c1", lt3_items::Components, 0};
  ComboBox c2box{*this, ControlKind::ComboBox, "c2box", "P1", "c2", lt3_items::Components, 1};
  ComboBox c3box{*this, ControlKind::ComboBox, "c3box", "P1", "c3", lt3_items::Components, 2};
  ComboBox TRBox{*this, ControlKind::ComboBox, "TRBox", "P1", "", lt3_items::Trajectory, 0};
  // Bound crosswise by name: Button2 is "Save", Button1 "Save As".
  Button Button2{*this, ControlKind::Button, "Button2", "P1", "Save"};
  Button Button1{*this, ControlKind::Button, "Button1", "P1", "Save As"};
  Button Button3{*this, ControlKind::Button, "Button3", "P1", "Full Screen"};

  std::shared_ptr<LT3Pictures> Pictures;
  std::uint64_t PictureVersion = 0;  // counts the copies of a picture to the window's image

  bool FullScreen = false;
  int PlotWidth = 629, PlotHeight = 613;  // TR3DWidth, TR3DHeight
  int OffsetX = 0;       // along the first axis, pixels
  double OffsetY = 0;    // along the second axis, a fraction of the box side
  int OffsetZ = 0;       // upwards, pixels
  double Size = 0.5;
  int C1 = 0, C2 = 1, C3 = 2;
  double RatioY = 1, RatioZ = 1;
  double ScaleX = 0, ScaleY = 0, ScaleZ = 0;
  // The window's own box, laid out for its point size at every drawing; the error surface's box is
  // the surface's own.
  SurfaceBox Box;
  bool Pending = false;
  bool Ready = false;
  int PanelTop = 619, PanelLeft = 1, PanelWidth = 629, PanelHeight = 140;

  // Window geometry, in screen pixels.
  int Left = 0, Top = 0, Width = 640, Height = 768;
  bool Shown = false;
};

// The window's place and layout at start-up, for the screen and font size given.
void CreateLT3Layout(TLT3& w, int screenWidth, int screenHeight, int fontPct);

}  // namespace wl

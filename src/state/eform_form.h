#pragma once
// The window "Trajectory 1D" (EForm): the coordinate of the weight trajectory on one principal component
// against the epoch; Ctrl and a click mark the extrapolation target of that component. Its controls and
// plain state live here; its picture and image are Qt images in analysis/eform_pictures.h; the drawing,
// the marks and the extrapolation are analysis/trajectory_1d.h.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/controls.h"

namespace wl {

struct EFormPictures;

namespace eform_items {
inline const std::vector<std::string> Components = {"1", "2", "3", "4", "5", "6"};
inline const std::vector<std::string> Trajectory = {"Color Trajectory", "Blue Trajectory", "Detailed Trajectory"};
}  // namespace eform_items

class TEForm : public Form {
 public:
  TEForm();

  Label I2D{*this, ControlKind::Label, "I2D", "", ""};
  Label P1{*this, ControlKind::Label, "P1", "", ""};
  ComboBox c1box{*this, ControlKind::ComboBox, "c1box", "P1", "c1", eform_items::Components, 0};
  Button Button1{*this, ControlKind::Button, "Button1", "P1", "Save"};
  Button Button2{*this, ControlKind::Button, "Button2", "P1", "Save As"};
  // No drawing reads this list.
  ComboBox TRBox{*this, ControlKind::ComboBox, "TRBox", "P1", "", eform_items::Trajectory, 0};
  // What the epoch axis shows: the trained epochs, and the room after them for the targets (written by
  // every drawing).
  Label Label1{*this, ControlKind::Label, "Label1", "P1", ""};

  std::shared_ptr<EFormPictures> Pictures;
  std::uint64_t PictureVersion = 0;  // counts the changes of the window's image

  int PlotWidth = 629, PlotHeight = 613;  // TR1DWidth, TR1DHeight
  int ZeroRow = 0;                        // TR1DZeroRow
  int LastX = 0;                          // TR1DLastX
  int LastValue = 0;                      // TR1DLastValue
  int PanelTop = 0;

  // Window geometry, in screen pixels.
  int Left = 0, Top = 0, Width = 640, Height = 768;
  bool Shown = false;
};

// The window's layout at start-up: it fills the screen.
void CreateEFormLayout(TEForm& w, int screenWidth, int screenHeight);

}  // namespace wl

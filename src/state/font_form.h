#pragma once
// The font window "Fonts" (Form2): the user types a font percentage and the main window is laid out
// again for it.
#include "platform/controls.h"

namespace wl {

class TForm2 : public Form {
 public:
  TForm2() : Form("Form2", "Fonts") {}

  Label Label1{*this, ControlKind::Label, "Label1", "", "if the display is improper adjust the font size in %"};
  Edit MaskEdit1{*this, "MaskEdit1", "", "", "120", 3};  // three digits
  Button Button1{*this, ControlKind::Button, "Button1", "", "OK"};  // the default button
  Button Button2{*this, ControlKind::Button, "Button2", "", "Cancel"};

  int Left = 300, Top = 200;
  static constexpr int Width = 340, Height = 130;
};

}  // namespace wl

#pragma once
// The small windows of the shell: the stay-on-top window, whose caption is the progress trace and whose
// drop-down list brings the program's windows to the front, and the borderless "drawing" pop-up of the
// error-surface grid.
#include <string>
#include <vector>

#include "platform/controls.h"

namespace wl {

namespace shell_forms_items {
// The stay-on-top selector's entries, by index.
inline const std::vector<std::string> TopFormEntries = {
    "Main Form",       "Error Surface",   "Training Progress", "ES Weights",        "Trajectory Weights",
    "NG ES Section",   "Data Visualization", "Picture Viewer", "Trajectory 2D",     "Trajectory 3D",
    "Trajectory 1D",   "Hidden Representation", "Output Representation"};
}  // namespace shell_forms_items

class TOnTopForm : public Form {
 public:
  TOnTopForm() : Form("OnTopForm", "Form on Top") {}

  // A fixed drop-down list that fills the window; the first entry is selected.
  ComboBox FormTopBox{*this, ControlKind::ComboBox, "FormTopBox", "", "", shell_forms_items::TopFormEntries, 0};

  // Placement (frame position, screen pixels) and the client area and its limits.
  int Left = 0, Top = 0;
  static constexpr int ClientWidth = 165, ClientHeight = 23, MaxWidth = 214, MaxHeight = 67;
};

class TForm4 : public Form {
 public:
  TForm4() : Form("Form4", "Form4") {}

  Label Label2{*this, ControlKind::Label, "Label2", "", "drawing"};  // at the left
  Label Label1{*this, ControlKind::Label, "Label1", "", "0%   "};    // the percentage, at the right

  int Left = 0, Top = 0;
  static constexpr int ClientWidth = 208, ClientHeight = 47;
};

}  // namespace wl

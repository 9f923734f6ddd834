#include "state/eform_form.h"

namespace wl {

TEForm::TEForm() : Form("EForm", "Trajectory 1D") {}

void CreateEFormLayout(TEForm& w, int screenWidth, int screenHeight) {
  w.Left = 0;
  w.Top = 0;
  w.Width = screenWidth;
  w.Height = screenHeight;
  w.PlotHeight = w.Height - 105;
  w.PanelTop = w.PlotHeight + 11;
  w.PlotWidth = w.Width - 11;
}

}  // namespace wl

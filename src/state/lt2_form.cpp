#include "state/lt2_form.h"

namespace wl {

TLT2::TLT2() : Form("LT2", "Trajectory 2D") {
  I2Df.SetVisible(false);
}

void CreateLT2Layout(TLT2& w, int screenWidth, int screenHeight, int fontPct) {
  w.Ready = false;
  w.Size = 30;
  w.Width = screenHeight < 767 ? 656 : 640;
  w.FullScreen = false;
  w.Left = screenWidth - w.Width;
  w.PlotWidth = 629;
  w.PlotHeight = 613;
  w.Pending = false;
  w.PanelTop = 619;
  w.PanelLeft = 1;
  if (fontPct >= 122) {
    w.PanelWidth = 629;
    w.PanelHeight = 170;
    w.Height = 840;
  } else {
    w.Height = 768;
  }
  w.Top = screenHeight - w.Height;
}

}  // namespace wl

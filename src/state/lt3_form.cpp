#include "state/lt3_form.h"

namespace wl {

TLT3::TLT3() : Form("LT3", "Trajectory 3D") { I3Df.SetVisible(false); }

void CreateLT3Layout(TLT3& w, int screenWidth, int screenHeight, int fontPct) {
  w.Ready = false;
  w.FullScreen = false;
  w.OffsetZ = 0;
  w.Size = 0.5;
  w.Top = 0;
  w.PlotWidth = 629;
  w.PlotHeight = 613;
  w.Width = screenHeight < 767 ? 656 : 640;
  w.Left = screenWidth - w.Width;
  w.PanelTop = 619;
  w.PanelLeft = 1;
  w.Height = 768;
  if (fontPct >= 122) {
    w.Height = 840;
    w.PanelWidth = 629;
    w.PanelHeight = 170;
  }
}

}  // namespace wl

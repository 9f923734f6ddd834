#include "state/ng3d_form.h"

namespace wl {

TNG3D::TNG3D() : Form("NG3D", "Error Surface ") {
  I2.SetVisible(false);
  I3.SetVisible(false);
}

void TNG3D::ShowBitmap() {
  ++PictureVersion;
  I1.Repaint();
}

}  // namespace wl

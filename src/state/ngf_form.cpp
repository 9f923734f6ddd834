#include "state/ngf_form.h"

namespace wl {

TNGF::TNGF() : Form("NGF", "NG ES Section") { Image1.SetVisible(false); }

void TNGF::ShowBitmap() {
  ++PictureVersion;
  PaintBox1.Repaint();
}

}  // namespace wl

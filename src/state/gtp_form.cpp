#include "state/gtp_form.h"

namespace wl {

TGTP::TGTP() : Form("GTP", "Training Progress") { Image1.SetVisible(false); }

void TGTP::ShowBitmap() {
  ++PictureVersion;
  PaintBox1.Repaint();
}

}  // namespace wl

#include "analysis/gtp_form.h"

namespace wl {

TGTP::TGTP() : Form("GTP", "Training Progress") {
  Bitmap = MakePicture(790, 420);
  Image1.SetVisible(false);
}

void TGTP::ShowBitmap() {
  ++PictureVersion;
  PaintBox1.Repaint();
}

void TGTP::ShowFinishedPicture() {
  Image1Picture = Bitmap.copy();
  Image1.SetVisible(true);
  ++PictureVersion;
  Image1.Repaint();
}

}  // namespace wl

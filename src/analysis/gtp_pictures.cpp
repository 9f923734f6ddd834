#include "analysis/gtp_pictures.h"

#include "analysis/canvas.h"

namespace wl {

GTPPictures& Pictures(TGTP& g) {
  if (!g.Pictures) {
    g.Pictures = std::make_shared<GTPPictures>();
    g.Pictures->Bitmap = MakePicture(790, 420);
  }
  return *g.Pictures;
}

void ShowFinishedPicture(TGTP& g) {
  Pictures(g).Image1Picture = Pictures(g).Bitmap.copy();
  g.Image1.SetVisible(true);
  ++g.PictureVersion;
  g.Image1.Repaint();
}

}  // namespace wl

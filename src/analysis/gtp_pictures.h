#pragma once
// The pictures of the training-progress window: the off-screen progress picture (790 x 420 until the
// first plot sizes it) and the picture Image1 shows once a run is finished, so that the finished plot
// survives repaints. The window in state/ holds them through its Pictures handle.
#include <QImage>

#include "state/gtp_form.h"

namespace wl {

struct GTPPictures {
  QImage Bitmap;
  QImage Image1Picture;
};

// The window's pictures, made on first use.
GTPPictures& Pictures(TGTP& g);

// Copies the bitmap into Image1 and shows it.
void ShowFinishedPicture(TGTP& g);

}  // namespace wl

#pragma once
// The pictures of "Trajectory 2D": the normal and the full-screen picture, and the window's two images
// (I2D, I2Df). The window in state/ holds them through its Pictures handle.
#include <QImage>

#include "state/lt2_form.h"

namespace wl {

struct LT2Pictures {
  QImage Picture;      // TR2DPicture
  QImage FullPicture;  // TR2DFullPicture
  QImage Image;        // I2D
  QImage FullImage;    // I2Df
  QImage Shown;        // what the paint box PB shows
};

LT2Pictures& Pictures(TLT2& w);

}  // namespace wl

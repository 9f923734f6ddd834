#pragma once
// The pictures of "Trajectory 3D": the normal and the full-screen picture, and the window's two images
// (I3D, I3Df). The window in state/ holds them through its Pictures handle.
#include <QImage>

#include "state/lt3_form.h"

namespace wl {

struct LT3Pictures {
  QImage Picture;      // TR3DPicture
  QImage FullPicture;  // TR3DFullPicture
  QImage Image;        // I3D
  QImage FullImage;    // I3Df
  QImage Shown;        // what the paint box PB shows
};

LT3Pictures& Pictures(TLT3& w);

}  // namespace wl

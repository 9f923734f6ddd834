#pragma once
// The picture of the error-surface window: SurfaceBitmap, BoxPictureWidth x BoxPictureHeight. The window
// in state/ holds it through its Pictures handle.
#include <QImage>

#include "state/ng3d_form.h"

namespace wl {

struct NG3DPictures {
  QImage SurfaceBitmap;
};

// The window's picture, made on first use (empty until the first preparation sizes it).
NG3DPictures& Pictures(TNG3D& w);

}  // namespace wl

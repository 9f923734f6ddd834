#pragma once
// The pictures of a weight window: the picture (null until the first show) and the copy its hidden Image1
// holds. The window in state/ holds them through its Pictures handle.
#include <QImage>

#include "state/weight_form.h"

namespace wl {

struct WeightFormPictures {
  QImage Bitmap;
  QImage Image1Picture;
};

// The window's pictures (an empty pair before the first show).
WeightFormPictures& Pictures(TWfr& form);
// The picture, or null before the first show.
const QImage* Picture(const TWfr& form);

}  // namespace wl

#pragma once
// The picture of "Trajectory 1D" and the window's image I2D, which also carries the red crosses of the
// marks. The window in state/ holds them through its Pictures handle.
#include <QImage>

#include "state/eform_form.h"

namespace wl {

struct EFormPictures {
  QImage Picture;  // TR1DPicture
  QImage Image;    // I2D
};

EFormPictures& Pictures(TEForm& w);

}  // namespace wl

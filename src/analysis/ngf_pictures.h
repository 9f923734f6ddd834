#pragma once
// The chart of the NG error-section window: k * 590 by k * 510 pixels for point size k, and the pen, font
// and pen position the curves are drawn with, which stay from one call to the next (the trainers set a
// curve's colour once and then add its points). The window in state/ holds them through its Pictures
// handle.
#include <QImage>

#include "analysis/canvas.h"
#include "state/ngf_form.h"

namespace wl {

struct NGFPictures {
  NGFPictures() = default;
  NGFPictures(const NGFPictures&) = delete;
  NGFPictures& operator=(const NGFPictures&) = delete;

  QImage NGFBitmap;  // null until the axes are first drawn
  Canvas Pen{NGFBitmap};
};

// The window's chart, made on first use.
NGFPictures& Pictures(TNGF& g);

}  // namespace wl

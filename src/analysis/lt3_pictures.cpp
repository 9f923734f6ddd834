#include "analysis/lt3_pictures.h"

namespace wl {

LT3Pictures& Pictures(TLT3& w) {
  if (!w.Pictures) w.Pictures = std::make_shared<LT3Pictures>();
  return *w.Pictures;
}

}  // namespace wl

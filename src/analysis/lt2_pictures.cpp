#include "analysis/lt2_pictures.h"

namespace wl {

LT2Pictures& Pictures(TLT2& w) {
  if (!w.Pictures) w.Pictures = std::make_shared<LT2Pictures>();
  return *w.Pictures;
}

}  // namespace wl

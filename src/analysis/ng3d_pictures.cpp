#include "analysis/ng3d_pictures.h"

namespace wl {

NG3DPictures& Pictures(TNG3D& w) {
  if (!w.Pictures) w.Pictures = std::make_shared<NG3DPictures>();
  return *w.Pictures;
}

}  // namespace wl

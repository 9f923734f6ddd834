#include "analysis/ngf_pictures.h"

namespace wl {

NGFPictures& Pictures(TNGF& g) {
  if (!g.Pictures) g.Pictures = std::make_shared<NGFPictures>();
  return *g.Pictures;
}

}  // namespace wl

#include "analysis/eform_pictures.h"

namespace wl {

EFormPictures& Pictures(TEForm& w) {
  if (!w.Pictures) w.Pictures = std::make_shared<EFormPictures>();
  return *w.Pictures;
}

}  // namespace wl

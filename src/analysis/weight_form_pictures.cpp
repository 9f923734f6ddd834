#include "analysis/weight_form_pictures.h"

#include <memory>

namespace wl {

WeightFormPictures& Pictures(TWfr& form) {
  if (!form.Pictures) form.Pictures = std::make_shared<WeightFormPictures>();
  return *form.Pictures;
}

const QImage* Picture(const TWfr& form) {
  return form.Pictures && !form.Pictures->Bitmap.isNull() ? &form.Pictures->Bitmap : nullptr;
}

}  // namespace wl

#include "state/weight_form.h"

namespace wl {

TWfr::TWfr(int index) : Form("WeightForm" + std::to_string(index), "Weights"), index_(index) {
  Image1.SetVisible(false);
}

}  // namespace wl

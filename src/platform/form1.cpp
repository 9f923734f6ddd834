#include "platform/form1.h"

namespace wl {

TForm1::TForm1() : Form("Form1", "WeightLab   v.0.947") {
  // The design-time enabled state of each control.
#define WL_EDIT(n, p, caption, text, en) n.SetEnabled(en);
#define WL_MASKEDIT(n, p, caption, text, en) n.SetEnabled(en);
#define WL_CHECK(n, p, caption, checked, en) n.SetEnabled(en);
#define WL_RADIO(n, p, group, caption, checked, en) n.SetEnabled(en);
#define WL_COMBO(n, p, caption, items, index, en) n.SetEnabled(en);
#define WL_LIST(n, p, caption, items, index, en) n.SetEnabled(en);
#define WL_SPIN(n, p, caption, value, lo, hi, en) n.SetEnabled(en);
#define WL_BUTTON(n, p, caption, en) n.SetEnabled(en);
#define WL_MENU(n, p, caption, en) n.SetEnabled(en);
#include "platform/form1_controls.def"
  // The status labels of the progress group keep their widths whatever a run writes into them: the file
  // name, the method, the network, the estimates.
  Label18.SetFixedChars(14);
  Label19.SetFixedChars(22);
  Label55.SetFixedChars(40);
  Label56.SetFixedChars(80);
  // Two check boxes share one caption; the note beside each says what it weighs by, the hint which trainers
  // use it.
  WEBox.SetNote("(by class weight)");
  WeightedErrorBox.SetNote("(by vector weight)");
  WEBox.SetHint("Weighted Error of the gradient, backpropagation and variable-step trainers: each vector's error "
                "counts with the weight of its class (classes balanced by their sizes)");
  WeightedErrorBox.SetHint("Weighted Error of the other search trainers (fixed and random steps, two changes): "
                           "each vector's error term is multiplied by the vector's weight");
}

}  // namespace wl

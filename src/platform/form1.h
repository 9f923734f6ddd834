#pragma once
// The main window's form: every control as a typed member named like the control, built from the one
// control table in form1_controls.def.
#include <string>
#include <vector>

#include "platform/controls.h"

namespace wl {

namespace form1_items {
#define WL_ITEMS(id, ...) inline const std::vector<std::string> id = {__VA_ARGS__};
#include "platform/form1_controls.def"
}  // namespace form1_items

class TForm1 : public Form {
 public:
  TForm1();

#define WL_PAGECONTROL(n, p) PageControl n{*this, ControlKind::PageControl, #n, p, ""};
#define WL_PAGE(n, pc, index, caption) TabSheet n{*this, #n, #pc, index, caption};
#define WL_PANEL(n, p, caption) GroupBox n{*this, ControlKind::Panel, #n, p, caption};
#define WL_GROUP(n, p, caption) GroupBox n{*this, ControlKind::GroupBox, #n, p, caption};
#define WL_EDIT(n, p, caption, text, en) Edit n{*this, #n, p, caption, text, 0};
#define WL_MASKEDIT(n, p, caption, text, en) Edit n{*this, #n, p, caption, text, static_cast<int>(sizeof(text) - 1)};
#define WL_CHECK(n, p, caption, checked, en) CheckBox n{*this, #n, p, caption, checked};
#define WL_RADIO(n, p, group, caption, checked, en) RadioButton n{*this, #n, p, #group, caption, checked};
#define WL_COMBO(n, p, caption, items, index, en) \
  ComboBox n{*this, ControlKind::ComboBox, #n, p, caption, form1_items::items, index};
#define WL_LIST(n, p, caption, items, index, en) \
  ComboBox n{*this, ControlKind::ListBox, #n, p, caption, form1_items::items, index};
#define WL_SPIN(n, p, caption, value, lo, hi, en) SpinEdit n{*this, #n, p, caption, value, lo, hi};
#define WL_LABEL(n, p, caption) Label n{*this, ControlKind::Label, #n, p, caption};
#define WL_BUTTON(n, p, caption, en) Button n{*this, ControlKind::Button, #n, p, caption};
#define WL_MENU(n, p, caption, en) MenuItem n{*this, ControlKind::MenuItem, #n, p, caption};
#define WL_OPENDIALOG(n, filter) FileDialog n{*this, #n, false, filter};
#define WL_SAVEDIALOG(n, filter) FileDialog n{*this, #n, true, filter};
#include "platform/form1_controls.def"
};

}  // namespace wl

#pragma once
// The control model: the windows' controls as plain data, independent of any toolkit. Routines read and
// write them by name (form.InitEdit.Text()); the Qt view and the scripted driver bind to them through the
// form's registry and its change notifications.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace wl {

class Form;

enum class ControlKind {
  Edit, CheckBox, RadioButton, ComboBox, ListBox, SpinEdit, Label, Button, GroupBox, Panel, PageControl,
  TabSheet, MenuItem, FileDialog
};

// Who made a change: the user (a click, typing) or the program (a routine writing a control).
enum class ChangeSource { User, Program };

// What happened to a control. The first four are the events the routines react to; the others tell
// the view to update the widget.
enum class ControlEvent {
  TextChanged,       // an edit's or combo box's text changed
  FocusLeaves,       // the user left the control
  FocusEnters,       // the user moved the focus onto the control (buttons)
  MouseReleased,     // a click (check boxes, radio buttons, buttons, menu items)
  SelectionChanged,  // a combo box's or list box's item index changed
  StateChanged,      // enabled, visible, caption, checked, items or colour changed
  Repaint,           // the program asks that the control be repainted now
  FocusRequest,      // the program asks that the control get the focus
};

struct ControlNotice {
  class Control* Source;
  ControlEvent Event;
  ChangeSource By;
};

class Control {
 public:
  Control(Form& owner, ControlKind kind, std::string name, std::string parent, std::string caption);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind Kind() const { return kind_; }
  const std::string& Name() const { return name_; }
  // The container: a tab sheet, panel or group box by name, or "" for the window itself.
  const std::string& Parent() const { return parent_; }
  Form& Owner() const { return owner_; }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on, ChangeSource by = ChangeSource::Program);
  bool Visible() const { return visible_; }
  void SetVisible(bool on, ChangeSource by = ChangeSource::Program);
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption, ChangeSource by = ChangeSource::Program);

  // The text shown when the mouse rests on the control (what the caption alone leaves unsaid).
  const std::string& Hint() const { return hint_; }
  void SetHint(std::string hint) { hint_ = std::move(hint); }
  // A few words the window shows beside the caption, telling the control from another of the same caption
  // (not part of the caption).
  const std::string& Note() const { return note_; }
  void SetNote(std::string note) { note_ = std::move(note); }

  // Asks that the control get the keyboard focus (the form remembers the last request).
  void SetFocus();
  // Asks that the control be repainted now (progress displays during long runs).
  void Repaint();

  // The control's value as the settings file and the scripts see it (an edit's text, "1"/"0" for a check,
  // a combo box's text); used by generic code only.
  virtual std::string ValueText() const { return caption_; }

 protected:
  void Notify(ControlEvent e, ChangeSource by);

 private:
  Form& owner_;
  ControlKind kind_;
  std::string name_, parent_, caption_, hint_, note_;
  bool enabled_ = true, visible_ = true;
};

// An edit field. A masked edit (MaskWidth > 0) accepts digits and blanks only, and a user's text is
// padded with blanks to the mask width ("12" in a 7-wide mask is "12     ").
class Edit : public Control {
 public:
  Edit(Form& owner, std::string name, std::string parent, std::string caption, std::string text, int maskWidth);
  const std::string& Text() const { return text_; }
  // The program writes the text as it is.
  void SetText(std::string text, ChangeSource by = ChangeSource::Program);
  // A user types the text: masked fields pad it; false (and nothing changed) when the mask refuses it.
  bool UserSetText(std::string_view text);
  int MaskWidth() const { return maskWidth_; }
  bool MaskAccepts(std::string_view text) const;
  // The user leaves the field.
  void LeaveFocus();
  std::string ValueText() const override { return text_; }

 private:
  std::string text_;
  int maskWidth_;
};

class CheckBox : public Control {
 public:
  CheckBox(Form& owner, std::string name, std::string parent, std::string caption, bool checked);
  bool Checked() const { return checked_; }
  void SetChecked(bool on, ChangeSource by = ChangeSource::Program);
  // A user's click: toggles and fires "mouse released".
  void UserClick();
  std::string ValueText() const override { return checked_ ? "1" : "0"; }

 private:
  bool checked_;
};

// A radio button; checking one unchecks the others of its group (a group is named in the control table,
// several groups can share a page).
class RadioButton : public Control {
 public:
  RadioButton(Form& owner, std::string name, std::string parent, std::string group, std::string caption,
              bool checked);
  bool Checked() const { return checked_; }
  // Checking unchecks the group's others; unchecking only clears this one.
  void SetChecked(bool on, ChangeSource by = ChangeSource::Program);
  // A user's click: checks it (a user cannot uncheck a radio button) and fires "mouse released".
  void UserClick();
  const std::string& Group() const { return group_; }
  std::string ValueText() const override { return checked_ ? "1" : "0"; }

 private:
  friend class Form;
  std::string group_;
  bool checked_;
};

// Combo box and list box: items, item index (-1 = none) and text.
class ComboBox : public Control {
 public:
  ComboBox(Form& owner, ControlKind kind, std::string name, std::string parent, std::string caption,
           std::vector<std::string> items, int itemIndex);
  const std::vector<std::string>& Items() const { return items_; }
  void SetItems(std::vector<std::string> items, ChangeSource by = ChangeSource::Program);
  void AddItem(std::string item, ChangeSource by = ChangeSource::Program);
  void ClearItems(ChangeSource by = ChangeSource::Program);
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index, ChangeSource by = ChangeSource::Program);
  // The selected item's text, or the free text typed into a combo box.
  const std::string& Text() const { return text_; }
  // Selects the item with that text; a text no item has leaves no item selected and keeps the text.
  void SetText(std::string text, ChangeSource by = ChangeSource::Program);
  std::string ValueText() const override { return text_; }

 private:
  std::vector<std::string> items_;
  int itemIndex_;
  std::string text_;
};

class SpinEdit : public Control {
 public:
  SpinEdit(Form& owner, std::string name, std::string parent, std::string caption, int value, int minValue,
           int maxValue);
  int Value() const { return value_; }
  void SetValue(int v, ChangeSource by = ChangeSource::Program);
  int MinValue() const { return min_; }
  int MaxValue() const { return max_; }
  std::string Text() const { return std::to_string(value_); }
  std::string ValueText() const override { return Text(); }

 private:
  int value_, min_, max_;
};

class Label : public Control {
 public:
  using Control::Control;
  // The width the view keeps for the label, in average characters of its font (0: as wide as its caption).
  // A status label whose caption changes with every run keeps one width, so that its container's
  // arrangement does not follow the last caption; a longer caption is shown shortened, whole as a tooltip.
  int FixedChars() const { return fixedChars_; }
  void SetFixedChars(int chars) { fixedChars_ = chars; }

 private:
  int fixedChars_ = 0;
};

class Button : public Control {
 public:
  using Control::Control;
  // A user's click: fires "mouse released".
  void UserClick();
  // The user moved the focus onto the button (with the Tab key, say).
  void EnterFocus();
};

// A group box or a panel: its caption, and the colour its caption is drawn in ($BBGGRR, or one of the
// named system colours below).
class GroupBox : public Control {
 public:
  static constexpr std::int64_t clWindowText = -1, clInactiveCaption = -2;
  GroupBox(Form& owner, ControlKind kind, std::string name, std::string parent, std::string caption);
  std::int64_t CaptionColor() const { return color_; }
  void SetCaptionColor(std::int64_t color);

 private:
  std::int64_t color_ = clWindowText;
};

// A tab sheet of a page control; its caption is the tab's text.
class TabSheet : public Control {
 public:
  TabSheet(Form& owner, std::string name, std::string pageControl, int pageIndex, std::string caption);
  int PageIndex() const { return index_; }

 private:
  int index_;
};

class PageControl : public Control {
 public:
  using Control::Control;
  int ActivePage() const { return active_; }
  void SetActivePage(int index, ChangeSource by = ChangeSource::Program);
  int PageCount() const;

 private:
  int active_ = 0;
};

// A menu item; its parent is the menu it stands in ("" for the main menu bar).
class MenuItem : public Control {
 public:
  using Control::Control;
  bool Checked() const { return checked_; }
  void SetChecked(bool on);
  void UserClick();

 private:
  bool checked_ = false;
};

// An open or save dialog: its filter ("dataset files|*.dat|all files|*"), start folder and chosen file.
class FileDialog : public Control {
 public:
  FileDialog(Form& owner, std::string name, bool save, std::string filter);
  bool IsSave() const { return save_; }
  std::string Filter;
  std::string InitialDir;
  std::string FileName;

 private:
  bool save_;
};

// A window: its caption and its named controls in the order of its control table.
class Form {
 public:
  explicit Form(std::string name, std::string caption);
  virtual ~Form() = default;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);

  // Lookup by control name (nullptr when the form has no such control).
  Control* Find(std::string_view name) const;
  template <class T>
  T* FindAs(std::string_view name) const {
    return dynamic_cast<T*>(Find(name));
  }
  const std::vector<Control*>& Controls() const { return order_; }

  // Change notifications: every listener hears every change of every control of this form.
  using Listener = std::function<void(const ControlNotice&)>;
  int AddListener(Listener l);
  void RemoveListener(int id);

  // The control that last asked for the focus ("" when none).
  const std::string& FocusRequested() const { return focus_; }
  void ClearFocusRequest() { focus_.clear(); }

  void Register(Control& c);
  void Notify(const ControlNotice& n);
  void RequestFocus(Control& c);
  void UncheckGroup(const RadioButton& except);

 private:
  std::string name_, caption_, focus_;
  std::vector<Control*> order_;
  std::map<std::string, Control*, std::less<>> byName_;
  std::vector<std::pair<int, Listener>> listeners_;
  int nextListener_ = 1;
};

}  // namespace wl

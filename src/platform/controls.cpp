#include "platform/controls.h"

#include <algorithm>

namespace wl {

Control::Control(Form& owner, ControlKind kind, std::string name, std::string parent, std::string caption)
    : owner_(owner), kind_(kind), name_(std::move(name)), parent_(std::move(parent)), caption_(std::move(caption)) {
  owner_.Register(*this);
}

void Control::Notify(ControlEvent e, ChangeSource by) { owner_.Notify({this, e, by}); }

void Control::SetEnabled(bool on, ChangeSource by) {
  if (enabled_ == on) return;
  enabled_ = on;
  Notify(ControlEvent::StateChanged, by);
}

void Control::SetVisible(bool on, ChangeSource by) {
  if (visible_ == on) return;
  visible_ = on;
  Notify(ControlEvent::StateChanged, by);
}

void Control::SetCaption(std::string caption, ChangeSource by) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Notify(ControlEvent::StateChanged, by);
}

void Control::SetFocus() { owner_.RequestFocus(*this); }

void Control::Repaint() { Notify(ControlEvent::Repaint, ChangeSource::Program); }

// ---- Edit

Edit::Edit(Form& owner, std::string name, std::string parent, std::string caption, std::string text, int maskWidth)
    : Control(owner, ControlKind::Edit, std::move(name), std::move(parent), std::move(caption)),
      text_(std::move(text)),
      maskWidth_(maskWidth) {}

void Edit::SetText(std::string text, ChangeSource by) {
  if (text_ == text) return;
  text_ = std::move(text);
  Notify(ControlEvent::TextChanged, by);
}

bool Edit::MaskAccepts(std::string_view text) const {
  if (maskWidth_ <= 0) return true;
  if (static_cast<int>(text.size()) > maskWidth_) return false;
  return std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || c == ' '; });
}

bool Edit::UserSetText(std::string_view text) {
  if (!MaskAccepts(text)) return false;
  std::string t(text);
  if (maskWidth_ > 0 && static_cast<int>(t.size()) < maskWidth_) t.append(maskWidth_ - t.size(), ' ');
  SetText(std::move(t), ChangeSource::User);
  return true;
}

void Edit::LeaveFocus() { Notify(ControlEvent::FocusLeaves, ChangeSource::User); }

// ---- CheckBox

CheckBox::CheckBox(Form& owner, std::string name, std::string parent, std::string caption, bool checked)
    : Control(owner, ControlKind::CheckBox, std::move(name), std::move(parent), std::move(caption)),
      checked_(checked) {}

void CheckBox::SetChecked(bool on, ChangeSource by) {
  if (checked_ == on) return;
  checked_ = on;
  Notify(ControlEvent::StateChanged, by);
}

void CheckBox::UserClick() {
  SetChecked(!checked_, ChangeSource::User);
  Notify(ControlEvent::MouseReleased, ChangeSource::User);
}

// ---- RadioButton

RadioButton::RadioButton(Form& owner, std::string name, std::string parent, std::string group, std::string caption,
                         bool checked)
    : Control(owner, ControlKind::RadioButton, std::move(name), std::move(parent), std::move(caption)),
      group_(std::move(group)),
      checked_(checked) {}

void RadioButton::SetChecked(bool on, ChangeSource by) {
  if (on) Owner().UncheckGroup(*this);
  if (checked_ == on) return;
  checked_ = on;
  Notify(ControlEvent::StateChanged, by);
}

void RadioButton::UserClick() {
  SetChecked(true, ChangeSource::User);
  Notify(ControlEvent::MouseReleased, ChangeSource::User);
}

// ---- ComboBox / ListBox

ComboBox::ComboBox(Form& owner, ControlKind kind, std::string name, std::string parent, std::string caption,
                   std::vector<std::string> items, int itemIndex)
    : Control(owner, kind, std::move(name), std::move(parent), std::move(caption)),
      items_(std::move(items)),
      itemIndex_(itemIndex >= 0 && itemIndex < static_cast<int>(items_.size()) ? itemIndex : -1) {
  if (itemIndex_ >= 0) text_ = items_[itemIndex_];
}

void ComboBox::SetItems(std::vector<std::string> items, ChangeSource by) {
  items_ = std::move(items);
  itemIndex_ = -1;
  for (int i = 0; i < static_cast<int>(items_.size()); ++i)
    if (items_[i] == text_) itemIndex_ = i;
  if (itemIndex_ < 0 && Kind() == ControlKind::ListBox) text_.clear();
  Notify(ControlEvent::StateChanged, by);
}

void ComboBox::AddItem(std::string item, ChangeSource by) {
  items_.push_back(std::move(item));
  Notify(ControlEvent::StateChanged, by);
}

void ComboBox::ClearItems(ChangeSource by) {
  items_.clear();
  itemIndex_ = -1;
  if (Kind() == ControlKind::ListBox) text_.clear();
  Notify(ControlEvent::StateChanged, by);
}

void ComboBox::SetItemIndex(int index, ChangeSource by) {
  if (index < 0 || index >= static_cast<int>(items_.size())) index = -1;
  std::string text = index >= 0 ? items_[index] : (Kind() == ControlKind::ListBox ? std::string() : text_);
  if (index == itemIndex_ && text == text_) return;
  itemIndex_ = index;
  text_ = std::move(text);
  Notify(ControlEvent::SelectionChanged, by);
}

void ComboBox::SetText(std::string text, ChangeSource by) {
  int found = -1;
  for (int i = 0; i < static_cast<int>(items_.size()); ++i)
    if (items_[i] == text) {
      found = i;
      break;
    }
  if (found == itemIndex_ && text == text_) return;
  const bool selectionChanged = found != itemIndex_;
  itemIndex_ = found;
  text_ = std::move(text);
  Notify(ControlEvent::TextChanged, by);
  if (selectionChanged) Notify(ControlEvent::SelectionChanged, by);
}

// ---- SpinEdit

SpinEdit::SpinEdit(Form& owner, std::string name, std::string parent, std::string caption, int value, int minValue,
                   int maxValue)
    : Control(owner, ControlKind::SpinEdit, std::move(name), std::move(parent), std::move(caption)),
      value_(value),
      min_(minValue),
      max_(maxValue) {}

void SpinEdit::SetValue(int v, ChangeSource by) {
  if (max_ > min_) v = std::clamp(v, min_, max_);
  if (v == value_) return;
  value_ = v;
  Notify(ControlEvent::TextChanged, by);
}

// ---- Button, MenuItem

void Button::UserClick() { Notify(ControlEvent::MouseReleased, ChangeSource::User); }

void Button::EnterFocus() { Notify(ControlEvent::FocusEnters, ChangeSource::User); }

void MenuItem::SetChecked(bool on) {
  if (checked_ == on) return;
  checked_ = on;
  Notify(ControlEvent::StateChanged, ChangeSource::Program);
}

void MenuItem::UserClick() { Notify(ControlEvent::MouseReleased, ChangeSource::User); }

// ---- GroupBox, pages

GroupBox::GroupBox(Form& owner, ControlKind kind, std::string name, std::string parent, std::string caption)
    : Control(owner, kind, std::move(name), std::move(parent), std::move(caption)) {}

void GroupBox::SetCaptionColor(std::int64_t color) {
  if (color_ == color) return;
  color_ = color;
  Notify(ControlEvent::StateChanged, ChangeSource::Program);
}

TabSheet::TabSheet(Form& owner, std::string name, std::string pageControl, int pageIndex, std::string caption)
    : Control(owner, ControlKind::TabSheet, std::move(name), std::move(pageControl), std::move(caption)),
      index_(pageIndex) {}

int PageControl::PageCount() const {
  int n = 0;
  for (auto* c : Owner().Controls())
    if (c->Kind() == ControlKind::TabSheet && c->Parent() == Name()) ++n;
  return n;
}

void PageControl::SetActivePage(int index, ChangeSource by) {
  if (index < 0 || index >= PageCount() || index == active_) return;
  active_ = index;
  Notify(ControlEvent::SelectionChanged, by);
}

// ---- FileDialog

FileDialog::FileDialog(Form& owner, std::string name, bool save, std::string filter)
    : Control(owner, ControlKind::FileDialog, std::move(name), "", ""), Filter(std::move(filter)), save_(save) {}

// ---- Form

Form::Form(std::string name, std::string caption) : name_(std::move(name)), caption_(std::move(caption)) {}

void Form::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Notify({nullptr, ControlEvent::StateChanged, ChangeSource::Program});
}

Control* Form::Find(std::string_view name) const {
  auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : it->second;
}

int Form::AddListener(Listener l) {
  listeners_.emplace_back(nextListener_, std::move(l));
  return nextListener_++;
}

void Form::RemoveListener(int id) {
  std::erase_if(listeners_, [id](const auto& p) { return p.first == id; });
}

void Form::Register(Control& c) {
  order_.push_back(&c);
  byName_[c.Name()] = &c;
}

void Form::Notify(const ControlNotice& n) {
  // A listener may add or remove listeners; work on a copy.
  auto copy = listeners_;
  for (auto& [id, l] : copy) l(n);
}

void Form::RequestFocus(Control& c) {
  focus_ = c.Name();
  Notify({&c, ControlEvent::FocusRequest, ChangeSource::Program});
}

void Form::UncheckGroup(const RadioButton& except) {
  for (auto* c : order_) {
    if (c == &except || c->Kind() != ControlKind::RadioButton) continue;
    auto* r = static_cast<RadioButton*>(c);
    if (r->group_ != except.group_ || !r->checked_) continue;
    r->checked_ = false;
    r->Notify(ControlEvent::StateChanged, ChangeSource::Program);
  }
}

}  // namespace wl

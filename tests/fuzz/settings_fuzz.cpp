// The settings file: read as at start-up, saved, read into a second program and saved again; the two
// saved files must agree, so that nothing a file set is lost from one start to the next. The second
// program starts with every single-word flag in the state its absence means, since the file lists a flag
// only when it is set.
#include "fuzz_support.h"
#include "model/settings_file.h"

namespace wl::fuzz {

namespace {

void SetCheckedOf(Control& c, bool on) {
  if (auto* b = dynamic_cast<CheckBox*>(&c)) b->SetChecked(on);
  if (auto* r = dynamic_cast<RadioButton*>(&c)) r->SetChecked(on);
}

std::string FirstDifference(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  const std::size_t line = a.rfind('\n', i == 0 ? 0 : i - 1);
  const std::size_t from = line == std::string::npos ? 0 : line + 1;
  std::string text = "'";
  text += a.substr(from, a.find('\n', from) - from);
  text += "' became '";
  text += b.substr(from, b.find('\n', from) - from);
  text += "'";
  return text;
}

}  // namespace

void FuzzSettingsFile(const std::uint8_t* data, std::size_t size) {
  std::string first;
  {
    FuzzProgram p(false);
    p.Start();
    p.Write("weightlab.ini", AsText(data, size));
    if (!p.Run([&] { LoadSettings(p.Wb()); })) return;  // the file cannot be read at all: said so
    p.TakeMessages();
    if (!p.Run([&] { SaveSettings(p.Wb(), false); })) Broken("the settings read cannot be saved");
    first = ReadWhole(p.Path("weightlab.ini"));
  }
  FuzzProgram q(false);
  q.Start();
  for (const SettingsKey& key : SettingsKeys()) {
    if (key.Kind == SettingsKind::Flag) SetCheckedOf(key.Target(q.Wb().Form1), false);
    if (key.Kind == SettingsKind::ClearFlag) SetCheckedOf(key.Target(q.Wb().Form1), true);
  }
  q.Write("weightlab.ini", first);
  if (!q.Run([&] { LoadSettings(q.Wb()); })) Broken("the program's own settings file cannot be read");
  if (!q.TakeMessages().empty()) Broken("the program's own settings file was read with a message");
  if (!q.Run([&] { SaveSettings(q.Wb(), false); })) Broken("the settings read back cannot be saved");
  const std::string second = ReadWhole(q.Path("weightlab.ini"));
  if (second != first) Broken("saving and loading changed the settings: " + FirstDifference(first, second));
}

}  // namespace wl::fuzz

#include "script_runner.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/numfmt.h"
#include "shell/command.h"
#include "shell/picture_press.h"
#include "shell/startup.h"
#include "shell/up_downs.h"

namespace wl::script {
namespace {

namespace fs = std::filesystem;

// An expectation that does not hold, or an action a user could not take.
struct Failure {
  std::string Details;
};

[[noreturn]] void Fail(const std::string& details) { throw Failure{details}; }
[[noreturn]] void Fail(const std::string& expected, const std::string& found) {
  throw Failure{"expected: " + expected + "\nfound:    " + found};
}
[[noreturn]] void Bad(const std::string& what) { throw ScriptError(what); }

const char* KindName(ControlKind k) {
  switch (k) {
    case ControlKind::Edit: return "an edit";
    case ControlKind::CheckBox: return "a check box";
    case ControlKind::RadioButton: return "a radio button";
    case ControlKind::ComboBox: return "a combo box";
    case ControlKind::ListBox: return "a list box";
    case ControlKind::SpinEdit: return "a spin edit";
    case ControlKind::Label: return "a label";
    case ControlKind::Button: return "a button";
    case ControlKind::GroupBox: return "a group box";
    case ControlKind::Panel: return "a panel";
    case ControlKind::PageControl: return "a page control";
    case ControlKind::TabSheet: return "a tab sheet";
    case ControlKind::MenuItem: return "a menu item";
    case ControlKind::FileDialog: return "a file dialog";
  }
  return "a control";
}

[[noreturn]] void WrongKind(const std::string& command, const char* needs, const Control& c) {
  Bad(command + " needs " + needs + "; " + c.Name() + " is " + KindName(c.Kind()));
}

bool Compare(double found, const std::string& op, double wanted) {
  if (op == "<") return found < wanted;
  if (op == "<=") return found <= wanted;
  if (op == "=") return found == wanted;
  if (op == ">=") return found >= wanted;
  return found > wanted;
}

bool ReadFile(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool NeedsNoStart(const std::string& command) { return command == "copy" || command == "clock"; }

}  // namespace

Runner::Runner(std::string programDir, std::string scriptDir)
    : programDir_(std::move(programDir)), scriptDir_(std::move(scriptDir)) {
  plat_.ProgramDir = programDir_;
}

Runner::~Runner() = default;

Outcome Runner::Run(const std::vector<Line>& lines) {
  // Without a start of its own, a script starts the program before its first command other than copy
  // and clock.
  bool implicitStart = true;
  for (const Line& l : lines)
    if (l.Command() == "start") implicitStart = false;

  for (const Line& l : lines) {
    const Outcome o = RunLine(l, implicitStart);
    if (o.Result != Outcome::Passed) return o;
  }

  // Answers that no dialog or question took: the script expected a dialog the program never showed.
  struct Queue {
    std::size_t Left;
    const std::vector<const Line*>& Lines;
    const char* What;
  };
  const Queue queues[] = {{plat_.OpenAnswers.size(), openLines_, "an open dialog"},
                          {plat_.SaveAnswers.size(), saveLines_, "a save dialog"},
                          {plat_.QuestionAnswers.size(), questionLines_, "a question"}};
  const Line* oldest = nullptr;
  const char* what = nullptr;
  std::size_t total = 0;
  for (const Queue& q : queues) {
    total += q.Left;
    if (q.Left == 0) continue;
    const Line* first = q.Lines[q.Lines.size() - q.Left];
    if (!oldest || first->Number < oldest->Number) {
      oldest = first;
      what = q.What;
    }
  }
  if (oldest)
    return {Outcome::Failed, oldest->Number, oldest->Source,
            std::string("expected: ") + what + " to take this answer\nfound:    the script ended with " +
                IntToStr(static_cast<std::int64_t>(total)) + " answer(s) still queued"};
  return {};
}

Outcome Runner::Step(const Line& l) {
  bool implicitStart = false;
  return RunLine(l, implicitStart);
}

Outcome Runner::RunLine(const Line& l, bool& implicitStart) {
  try {
    if (implicitStart && !NeedsNoStart(l.Command())) {
      implicitStart = false;
      Start();
    }
    Execute(l);
    if (plat_.Starved) Fail(*plat_.Starved);
    if (wb_ && plat_.Terminated) {
      // The program asked to end itself: it takes no more actions.
      wb_.reset();
      endedAt_ = l.Number;
    }
  } catch (const Failure& f) {
    return {Outcome::Failed, l.Number, l.Source, f.Details};
  } catch (const ScriptError& e) {
    return {Outcome::Error, l.Number, l.Source, std::string("error: ") + e.what()};
  } catch (const std::exception& e) {
    return {Outcome::Failed, l.Number, l.Source, std::string("an error escaped the command: ") + e.what()};
  }
  return {};
}

void Runner::Execute(const Line& l) {
  const std::string& cmd = l.Command();
  if (cmd == "start") return Start();
  if (cmd == "exit") {
    Program(l);
    Exit();
    endedAt_ = l.Number;
    return;
  }
  if (cmd == "copy") return DoCopy(l);
  if (cmd == "answer") return DoAnswer(l);
  if (cmd == "clock") {
    std::int64_t ms = 0;
    int day = 1;
    ParseClock(l.Arg(1), ms);
    ParseIndex(l.Arg(2), day);
    plat_.ClockMs = ms;
    plat_.ClockDay = day;
    return;
  }
  if (cmd == "expect") return DoExpect(l);

  Workbench& wb = Program(l);
  if (cmd == "seed") {
    std::uint32_t seed = 0;
    ParseSeed(l.Arg(1), seed);
    wb.Rng.Seed = seed;
  } else if (cmd == "set") {
    DoSet(l);
  } else if (cmd == "check" || cmd == "uncheck") {
    DoCheck(l, cmd == "check");
  } else if (cmd == "select") {
    DoSelect(l);
  } else if (cmd == "page") {
    DoPage(l);
  } else if (cmd == "click") {
    DoClick(l);
  } else if (cmd == "press") {
    DoPress(l);
  } else if (cmd == "updown") {
    DoUpDown(l);
  } else {
    Bad("unknown command '" + cmd + "'");
  }
}

void Runner::Start() {
  if (wb_) Bad("the program is already running");
  plat_.Terminated = false;
  wb_ = std::make_unique<Workbench>(plat_, programDir_);
  ConnectHandlers(*wb_);
  try {
    StartProgram(*wb_);
  } catch (const std::exception& e) {
    Fail(std::string("an error ended the start-up: ") + e.what());
  }
}

void Runner::Exit() {
  try {
    ExitProgram(*wb_);
  } catch (const std::exception& e) {
    wb_.reset();
    Fail(std::string("an error ended the exit: ") + e.what());
  }
  wb_.reset();
}

Workbench& Runner::Program(const Line& l) {
  if (wb_) return *wb_;
  if (endedAt_) Bad("the program is not running: it ended at line " + IntToStr(endedAt_));
  Bad("the program is not running yet: a start comes first");
}

Runner::Target Runner::Resolve(const std::string& name) {
  Workbench& wb = *wb_;
  const auto dot = name.find('.');
  if (dot != std::string::npos) {
    const std::string window = name.substr(0, dot), control = name.substr(dot + 1);
    Form* f = wb.FindWindow(window);
    if (!f) Bad("unknown window '" + window + "'");
    Control* c = f->Find(control);
    if (!c) Bad("unknown control '" + control + "' of window " + window);
    return {f, c};
  }
  if (Control* c = wb.Form1.Find(name)) return {&wb.Form1, c};
  if (Form* f = wb.FindWindow(name)) return {f, nullptr};
  Bad("unknown control '" + name + "'");
}

Control& Runner::ResolveControl(const std::string& name) {
  Target t = Resolve(name);
  if (!t.Ctl) Bad(name + " is a window, not a control");
  return *t.Ctl;
}

// A user can act only on an enabled control whose containers are enabled too.
void Runner::RequireUsable(const Control& c) const {
  if (!c.Enabled()) Fail(c.Name() + " enabled, as a user acts on it", c.Name() + " is disabled");
  const Control* p = &c;
  for (int depth = 0; depth < 64 && !p->Parent().empty(); ++depth) {
    p = c.Owner().Find(p->Parent());
    if (!p) break;
    if (!p->Enabled())
      Fail(c.Name() + " enabled, as a user acts on it", c.Name() + " is in " + p->Name() + ", which is disabled");
  }
}

std::string Runner::TextOf(const Target& t, const std::string& name) const {
  if (!t.Ctl) return t.Window->Caption();
  const Control& c = *t.Ctl;
  switch (c.Kind()) {
    case ControlKind::Edit: return static_cast<const Edit&>(c).Text();
    case ControlKind::ComboBox:
    case ControlKind::ListBox: return static_cast<const ComboBox&>(c).Text();
    case ControlKind::SpinEdit: return static_cast<const SpinEdit&>(c).Text();
    case ControlKind::PageControl: {
      // A page control shows its active page's tab.
      const auto& pages = static_cast<const PageControl&>(c);
      for (const Control* p : c.Owner().Controls())
        if (p->Kind() == ControlKind::TabSheet && p->Parent() == c.Name() &&
            static_cast<const TabSheet*>(p)->PageIndex() == pages.ActivePage())
          return p->Caption();
      return "";
    }
    case ControlKind::FileDialog: Bad(name + " is a file dialog, which has no text");
    default: return c.Caption();
  }
}

std::string Runner::FilePath(const std::string& path) const {
  if (!path.empty() && path[0] == '/') return path;
  return programDir_ + "/" + path;
}

// ---- actions

void Runner::DoSet(const Line& l) {
  Control& c = ResolveControl(l.Arg(1));
  const std::string& text = l.Arg(2);
  switch (c.Kind()) {
    case ControlKind::Edit: {
      auto& e = static_cast<Edit&>(c);
      RequireUsable(e);
      if (!e.UserSetText(text))
        Fail("text the mask of " + e.Name() + " accepts (up to " + IntToStr(e.MaskWidth()) + " digits or blanks)",
             Quote(text));
      e.LeaveFocus();
      return;
    }
    case ControlKind::ComboBox:
      RequireUsable(c);
      static_cast<ComboBox&>(c).SetText(text, ChangeSource::User);
      return;
    case ControlKind::SpinEdit: {
      int v = 0;
      if (!ParseIndex(text, v)) Bad("'" + text + "' is not an integer for the spin edit " + c.Name());
      RequireUsable(c);
      static_cast<SpinEdit&>(c).SetValue(v, ChangeSource::User);
      return;
    }
    default: WrongKind("set", "an edit, a combo box or a spin edit", c);
  }
}

void Runner::DoCheck(const Line& l, bool on) {
  Control& c = ResolveControl(l.Arg(1));
  if (c.Kind() == ControlKind::CheckBox) {
    auto& box = static_cast<CheckBox&>(c);
    RequireUsable(box);
    if (box.Checked() != on) box.UserClick();
  } else if (c.Kind() == ControlKind::RadioButton) {
    if (!on) Fail("a radio button a user can uncheck", c.Name() + " is a radio button: a user checks another of its group");
    RequireUsable(c);
    static_cast<RadioButton&>(c).UserClick();
  } else {
    WrongKind(on ? "check" : "uncheck", "a check box or a radio button", c);
  }
}

void Runner::DoSelect(const Line& l) {
  Control& c = ResolveControl(l.Arg(1));
  if (c.Kind() != ControlKind::ComboBox && c.Kind() != ControlKind::ListBox)
    WrongKind("select", "a combo box or a list box", c);
  auto& box = static_cast<ComboBox&>(c);
  int index = 0;
  ParseIndex(l.Arg(2), index);
  const int count = static_cast<int>(box.Items().size());
  if (index < 0 || index >= count)
    Fail("an item index of " + box.Name() + " (0 to " + IntToStr(count - 1) + ")", IntToStr(index));
  RequireUsable(box);
  box.SetItemIndex(index, ChangeSource::User);
}

void Runner::DoPage(const Line& l) {
  PageControl& pages = wb_->Form1.P1;
  int index = 0;
  ParseIndex(l.Arg(1), index);
  const int count = pages.PageCount();
  if (index < 0 || index >= count) Fail("a page of P1 (0 to " + IntToStr(count - 1) + ")", IntToStr(index));
  RequireUsable(pages);
  for (const Control* c : wb_->Form1.Controls())
    if (c->Kind() == ControlKind::TabSheet && c->Parent() == pages.Name() &&
        static_cast<const TabSheet*>(c)->PageIndex() == index && !c->Enabled())
      Fail("page " + IntToStr(index) + " enabled, as a user selects it", c->Name() + " is disabled");
  pages.SetActivePage(index, ChangeSource::User);
}

void Runner::DoClick(const Line& l) {
  Control& c = ResolveControl(l.Arg(1));
  if (c.Kind() == ControlKind::MenuItem) {
    RequireUsable(c);
    static_cast<MenuItem&>(c).UserClick();
  } else if (c.Kind() == ControlKind::Button) {
    RequireUsable(c);
    static_cast<Button&>(c).UserClick();
  } else {
    WrongKind("click", "a menu item or a button", c);
  }
}

void Runner::DoPress(const Line& l) {
  const std::string& window = l.Arg(1);
  if (!wb_->FindWindow(window)) Bad("unknown window '" + window + "'");
  PicturePress p;
  ParseIndex(l.Arg(2), p.X);
  ParseIndex(l.Arg(3), p.Y);
  for (std::size_t i = 4; i < l.Tokens.size(); ++i) {
    if (l.Arg(i) == "right") p.Right = true;
    if (l.Arg(i) == "ctrl") p.Ctrl = true;
  }
  if (!PressPicture(*wb_, window, p)) Bad("the window " + window + " has no picture that takes a press");
}

// One arrow of an up-down of a trajectory window ("LT3.UpDown3 up"); a horizontal up-down's right arrow
// is its up arrow.
void Runner::DoUpDown(const Line& l) {
  const Target t = Resolve(l.Arg(1));
  if (!t.Ctl) Bad(l.Arg(1) + " is a window, not a control");
  if (!FindUpDown(t.Window->Name(), t.Ctl->Name()))
    Bad("updown needs an up-down; " + t.Ctl->Name() + " is " + KindName(t.Ctl->Kind()) + " without arrows");
  RequireUsable(*t.Ctl);
  ClickUpDown(*wb_, t.Window->Name(), t.Ctl->Name(), l.Arg(2) == "up");
}

void Runner::DoCopy(const Line& l) {
  const std::string& src = l.Arg(1);
  const fs::path from = (!src.empty() && src[0] == '/') ? fs::path(src) : fs::path(scriptDir_) / src;
  std::error_code ec;
  if (!fs::is_regular_file(from, ec)) Bad("no file " + from.string() + " to copy");
  fs::path to = FilePath(l.Arg(2));
  // "copy x.dat DATA/" copies into that folder under the file's own name.
  if (l.Arg(2).back() == '/' || fs::is_directory(to, ec)) to /= from.filename();
  fs::create_directories(to.parent_path(), ec);
  if (!fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec))
    Fail("a copy of " + from.string() + " at " + to.string(), "it cannot be written: " + ec.message());
}

void Runner::DoAnswer(const Line& l) {
  const std::string& kind = l.Arg(1);
  if (kind == "open" || kind == "save") {
    const Token& t = l.Tokens[2];
    std::optional<std::string> answer;
    if (t.Quoted || t.Text != "cancel") answer = t.Text;
    if (kind == "open") {
      plat_.OpenAnswers.push_back(answer);
      openLines_.push_back(&l);
    } else {
      plat_.SaveAnswers.push_back(answer);
      saveLines_.push_back(&l);
    }
    return;
  }
  const Answer a = kind == "yes" ? Answer::Yes : kind == "no" ? Answer::No : kind == "ok" ? Answer::Ok : Answer::Cancel;
  plat_.QuestionAnswers.push_back(a);
  questionLines_.push_back(&l);
}

// ---- expectations

void Runner::DoExpect(const Line& l) {
  const std::string& what = l.Arg(1);
  if (what == "message") return ExpectMessage(l.Arg(2), false);
  if (what == "message-containing") return ExpectMessage(l.Arg(2), true);
  if (what == "no-message") {
    const auto& m = plat_.Messages;
    if (messagesRead_ < m.size())
      Fail("no unread message", Quote(m[messagesRead_].Text) +
                                    (m.size() - messagesRead_ > 1
                                         ? " and " + IntToStr(static_cast<std::int64_t>(m.size() - messagesRead_ - 1)) +
                                               " more"
                                         : std::string()));
    return;
  }
  if (what == "file" || what == "no-file") return ExpectFile(l);
  if (what == "line") return ExpectLine(l);
  if (what == "editor") return ExpectEditor(l.Arg(2));

  // The rest look at controls.
  Program(l);
  const std::string& name = l.Arg(2);
  const Target t = Resolve(name);
  if (what == "text") {
    const std::string found = TextOf(t, name), wanted = l.Arg(3);
    if (found != wanted) Fail("text of " + name + " " + Quote(wanted), Quote(found));
    return;
  }
  if (what == "value") {
    const std::string found = TextOf(t, name), op = l.Arg(3);
    double x = 0, wanted = 0;
    TryStrToFloat(l.Arg(4), wanted);
    if (!TryStrToFloat(Trim(found), x))
      Fail("value of " + name + " " + op + " " + l.Arg(4), Quote(found) + ", which is not a number");
    if (!Compare(x, op, wanted)) Fail("value of " + name + " " + op + " " + l.Arg(4), Quote(found));
    return;
  }
  if (!t.Ctl) Bad(name + " is a window, not a control");
  const Control& c = *t.Ctl;
  if (what == "enabled" || what == "disabled") {
    const bool want = what == "enabled";
    if (c.Enabled() != want) Fail(name + " " + what, name + (c.Enabled() ? " enabled" : " disabled"));
    return;
  }
  // checked / unchecked
  bool checked = false;
  if (c.Kind() == ControlKind::CheckBox)
    checked = static_cast<const CheckBox&>(c).Checked();
  else if (c.Kind() == ControlKind::RadioButton)
    checked = static_cast<const RadioButton&>(c).Checked();
  else if (c.Kind() == ControlKind::MenuItem)
    checked = static_cast<const MenuItem&>(c).Checked();
  else
    WrongKind("expect " + what, "a check box, a radio button or a menu item", c);
  const bool want = what == "checked";
  if (checked != want) Fail(name + " " + what, name + (checked ? " checked" : " unchecked"));
}

void Runner::ExpectMessage(const std::string& text, bool containing) {
  const auto& m = plat_.Messages;
  const std::string expected = (containing ? "a message containing " : "the message ") + Quote(text);
  if (messagesRead_ >= m.size()) Fail(expected, "no unread message");
  const std::string& found = m[messagesRead_].Text;
  if (containing ? found.find(text) == std::string::npos : found != text) Fail(expected, Quote(found));
  ++messagesRead_;
}

void Runner::ExpectFile(const Line& l) {
  const std::string& rel = l.Arg(2);
  const std::string path = FilePath(rel);
  std::error_code ec;
  const bool exists = fs::exists(path, ec);
  if (l.Arg(1) == "no-file") {
    if (exists) Fail("no file " + rel, rel + (fs::is_directory(path, ec) ? " is a folder" : " exists"));
    return;
  }
  if (!exists) Fail("file " + rel, "no such file");
  if (l.Tokens.size() < 5) return;
  std::string content;
  if (!fs::is_regular_file(path, ec) || !ReadFile(path, content)) Fail("file " + rel, "it cannot be read");
  if (content.find(l.Arg(4)) == std::string::npos)
    Fail("file " + rel + " containing " + Quote(l.Arg(4)), "it does not contain that text");
}

void Runner::ExpectLine(const Line& l) {
  const std::string& rel = l.Arg(2);
  const std::string path = FilePath(rel);
  int n = 0;
  ParseIndex(l.Arg(3), n);
  std::string content;
  std::error_code ec;
  if (!fs::is_regular_file(path, ec) || !ReadFile(path, content)) Fail("file " + rel, "no such file");
  // Line n without its line end ("\n" or "\r\n"); a last line needs no line end.
  std::size_t pos = 0;
  int count = 0;
  std::string line;
  bool found = false;
  while (pos < content.size()) {
    std::size_t end = content.find('\n', pos);
    if (end == std::string::npos) end = content.size();
    ++count;
    if (count == n) {
      line = content.substr(pos, end - pos);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      found = true;
      break;
    }
    pos = end + 1;
  }
  const std::string expected = "line " + IntToStr(n) + " of " + rel + " " + Quote(l.Arg(4));
  if (!found) Fail(expected, "the file has " + IntToStr(count) + " line(s)");
  if (line != l.Arg(4)) Fail(expected, Quote(line));
}

void Runner::ExpectEditor(const std::string& path) {
  const auto& r = plat_.EditorRequests;
  const std::string expected = "a request to open " + Quote(path) + " in the editor";
  if (editorRequestsRead_ >= r.size()) Fail(expected, "no unread request");
  std::string found = r[editorRequestsRead_];
  const std::string prefix = programDir_ + "/";
  if (found.rfind(prefix, 0) == 0) found.erase(0, prefix.size());
  if (found != path) Fail(expected, Quote(found));
  ++editorRequestsRead_;
}

}  // namespace wl::script

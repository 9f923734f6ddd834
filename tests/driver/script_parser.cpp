#include "script_parser.h"

#include <algorithm>
#include <array>

#include "platform/numfmt.h"

namespace wl::script {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

[[noreturn]] void Bad(const std::string& what) { throw ScriptError(what); }

void Arity(const Line& l, std::size_t tokens, const char* usage) {
  if (l.Tokens.size() != tokens) Bad(std::string("wrong number of tokens; the form is: ") + usage);
}

void NotEmpty(const Line& l, std::size_t i) {
  if (l.Arg(i).empty()) Bad("an empty path");
}

void CheckAnswer(const Line& l) {
  if (l.Tokens.size() < 2) Bad("wrong number of tokens; the form is: answer open PATH|cancel, answer save PATH|cancel "
                               "or answer yes|no|ok|cancel");
  const std::string& kind = l.Arg(1);
  if (kind == "open" || kind == "save") {
    Arity(l, 3, "answer open|save PATH|cancel");
    NotEmpty(l, 2);
  } else if (kind == "yes" || kind == "no" || kind == "ok" || kind == "cancel") {
    Arity(l, 2, "answer yes|no|ok|cancel");
  } else {
    Bad("unknown answer '" + kind + "': open, save, yes, no, ok or cancel");
  }
}

void CheckExpect(const Line& l) {
  if (l.Tokens.size() < 2) Bad("expect what? (message, message-containing, no-message, text, value, checked, "
                               "unchecked, enabled, disabled, file, no-file, line, editor)");
  const std::string& what = l.Arg(1);
  if (what == "message") return Arity(l, 3, "expect message TEXT");
  if (what == "message-containing") return Arity(l, 3, "expect message-containing TEXT");
  if (what == "no-message") return Arity(l, 2, "expect no-message");
  if (what == "text") return Arity(l, 4, "expect text CONTROL TEXT");
  if (what == "value") {
    Arity(l, 5, "expect value CONTROL OP NUMBER");
    if (!IsComparison(l.Arg(3))) Bad("unknown comparison '" + l.Arg(3) + "': one of < <= = >= >");
    double x = 0;
    if (!TryStrToFloat(l.Arg(4), x)) Bad("'" + l.Arg(4) + "' is not a number");
    return;
  }
  if (what == "checked" || what == "unchecked" || what == "enabled" || what == "disabled")
    return Arity(l, 3, "expect checked|unchecked|enabled|disabled CONTROL");
  if (what == "file") {
    if (l.Tokens.size() != 5 || l.Arg(3) != "contains") Arity(l, 3, "expect file PATH or expect file PATH contains TEXT");
    return NotEmpty(l, 2);
  }
  if (what == "no-file") {
    Arity(l, 3, "expect no-file PATH");
    return NotEmpty(l, 2);
  }
  if (what == "line") {
    Arity(l, 5, "expect line PATH N TEXT");
    NotEmpty(l, 2);
    int n = 0;
    if (!ParseIndex(l.Arg(3), n) || n < 1) Bad("'" + l.Arg(3) + "' is not a line number (1, 2, ...)");
    return;
  }
  if (what == "editor") {
    Arity(l, 3, "expect editor PATH");
    return NotEmpty(l, 2);
  }
  Bad("unknown expectation '" + what + "'");
}

}  // namespace

std::vector<Token> Tokenize(std::string_view line) {
  std::vector<Token> out;
  std::size_t i = 0;
  const std::size_t n = line.size();
  for (;;) {
    while (i < n && IsBlank(line[i])) ++i;
    if (i >= n || line[i] == '#') break;
    Token t;
    if (line[i] == '"') {
      t.Quoted = true;
      ++i;
      bool closed = false;
      while (i < n) {
        if (line[i] == '\\' && i + 1 < n && line[i + 1] == '"') {
          t.Text += '"';
          i += 2;
        } else if (line[i] == '"') {
          closed = true;
          ++i;
          break;
        } else {
          t.Text += line[i++];
        }
      }
      if (!closed) Bad("unterminated quote");
      if (i < n && !IsBlank(line[i])) Bad("a blank must follow the closing quote");
    } else {
      while (i < n && !IsBlank(line[i])) {
        if (line[i] == '"') Bad("a double quote inside a token; quote the whole token");
        t.Text += line[i++];
      }
    }
    out.push_back(std::move(t));
  }
  return out;
}

void CheckSyntax(const Line& l) {
  const std::string& cmd = l.Command();
  if (cmd == "copy") {
    Arity(l, 3, "copy SRC DST");
    NotEmpty(l, 1);
    return NotEmpty(l, 2);
  }
  if (cmd == "set") return Arity(l, 3, "set CONTROL TEXT");
  if (cmd == "check") return Arity(l, 2, "check CONTROL");
  if (cmd == "uncheck") return Arity(l, 2, "uncheck CONTROL");
  if (cmd == "click") return Arity(l, 2, "click NAME");
  if (cmd == "updown") {
    Arity(l, 3, "updown CONTROL up|down");
    if (l.Arg(2) != "up" && l.Arg(2) != "down") Bad("unknown arrow '" + l.Arg(2) + "': up or down");
    return;
  }
  if (cmd == "start") return Arity(l, 1, "start");
  if (cmd == "exit") return Arity(l, 1, "exit");
  if (cmd == "answer") return CheckAnswer(l);
  if (cmd == "expect") return CheckExpect(l);
  int index = 0;
  if (cmd == "select") {
    Arity(l, 3, "select CONTROL INDEX");
    if (!ParseIndex(l.Arg(2), index)) Bad("'" + l.Arg(2) + "' is not an index");
    return;
  }
  if (cmd == "press") {
    // press WINDOW X Y [right] [ctrl]: the left button unless "right".
    const char* usage = "press WINDOW X Y [right] [ctrl]";
    if (l.Tokens.size() < 4 || l.Tokens.size() > 6) Arity(l, 4, usage);
    int x = 0, y = 0;
    if (!ParseIndex(l.Arg(2), x)) Bad("'" + l.Arg(2) + "' is not a picture coordinate");
    if (!ParseIndex(l.Arg(3), y)) Bad("'" + l.Arg(3) + "' is not a picture coordinate");
    bool right = false, ctrl = false;
    for (std::size_t i = 4; i < l.Tokens.size(); ++i) {
      const std::string& m = l.Arg(i);
      if (m == "right" && !right && !ctrl)
        right = true;
      else if (m == "ctrl" && !ctrl)
        ctrl = true;
      else
        Bad("unknown or misplaced '" + m + "'; the form is: " + usage);
    }
    return;
  }
  if (cmd == "page") {
    Arity(l, 2, "page INDEX");
    if (!ParseIndex(l.Arg(1), index)) Bad("'" + l.Arg(1) + "' is not an index");
    return;
  }
  if (cmd == "seed") {
    Arity(l, 2, "seed N");
    std::uint32_t seed = 0;
    if (!ParseSeed(l.Arg(1), seed)) Bad("'" + l.Arg(1) + "' is not a seed (0 to 4294967295)");
    return;
  }
  if (cmd == "clock") {
    Arity(l, 3, "clock HH:MM:SS.mmm DAY");
    std::int64_t ms = 0;
    if (!ParseClock(l.Arg(1), ms)) Bad("'" + l.Arg(1) + "' is not a time of day HH:MM:SS.mmm");
    int day = 0;
    if (!ParseIndex(l.Arg(2), day) || day < 1 || day > 366) Bad("'" + l.Arg(2) + "' is not a day of the year (1 to 366)");
    return;
  }
  Bad("unknown command '" + cmd + "'");
}

std::vector<Line> ParseScript(std::string_view text) {
  std::vector<Line> lines;
  int number = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = text.substr(pos, end - pos);
    pos = end + 1;
    ++number;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    Line l;
    l.Number = number;
    l.Source = std::string(raw);
    try {
      l.Tokens = Tokenize(raw);
      if (l.Tokens.empty()) continue;
      CheckSyntax(l);
    } catch (const ScriptError& e) {
      throw ParseError(number, l.Source, e.what());
    }
    lines.push_back(std::move(l));
  }
  return lines;
}

bool ParseIndex(std::string_view text, int& out) {
  std::int32_t v = 0;
  if (text.empty() || text.find_first_of(" \t") != std::string_view::npos || !TryStrToInt(text, v)) return false;
  out = v;
  return true;
}

bool ParseSeed(std::string_view text, std::uint32_t& out) {
  if (!IsDigits(text) || text.size() > 10) return false;
  const std::int64_t v = StrToInt64(text);
  if (v > 4294967295LL) return false;
  out = static_cast<std::uint32_t>(v);
  return true;
}

bool ParseClock(std::string_view t, std::int64_t& ms) {
  // HH:MM:SS.mmm
  if (t.size() != 12 || t[2] != ':' || t[5] != ':' || t[8] != '.') return false;
  const std::array<std::string_view, 4> parts = {t.substr(0, 2), t.substr(3, 2), t.substr(6, 2), t.substr(9, 3)};
  for (auto p : parts)
    if (!IsDigits(p)) return false;
  const std::int64_t h = StrToInt64(parts[0]), m = StrToInt64(parts[1]), s = StrToInt64(parts[2]),
                     milli = StrToInt64(parts[3]);
  if (h > 23 || m > 59 || s > 59) return false;
  ms = ((h * 60 + m) * 60 + s) * 1000 + milli;
  return true;
}

bool IsComparison(std::string_view op) { return op == "<" || op == "<=" || op == "=" || op == ">=" || op == ">"; }

std::string Quote(std::string_view text) {
  std::string q = "\"";
  for (char c : text) {
    if (c == '"') q += '\\';
    q += c;
  }
  return q + '"';
}

}  // namespace wl::script

#pragma once
// The language of weightlab-script: one command a line, "#" starts a comment, tokens are separated by
// blanks, and a token in double quotes may hold blanks (and \" for a quote inside it).
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace wl::script {

struct Token {
  std::string Text;
  bool Quoted = false;  // written in double quotes ("cancel" in quotes is a path, not the word)
};

struct Line {
  int Number = 0;      // 1-based
  std::string Source;  // as written, without its line end
  std::vector<Token> Tokens;

  const std::string& Command() const { return Tokens[0].Text; }
  const std::string& Arg(std::size_t i) const { return Tokens[i].Text; }
};

// A line the driver cannot run: an unknown command, a wrong number of tokens, a bad number, an
// unterminated quote, an unknown control.
struct ScriptError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A syntax error together with the line it is in.
struct ParseError : ScriptError {
  ParseError(int number, std::string source, const std::string& what)
      : ScriptError(what), Number(number), Source(std::move(source)) {}
  int Number;
  std::string Source;
};

// Splits a line into tokens, comments removed. Throws ScriptError.
std::vector<Token> Tokenize(std::string_view line);

// Checks a line's command, its number of tokens and its numbers. Throws ScriptError.
void CheckSyntax(const Line& line);

// The lines of a script that hold a command, each checked. Throws ParseError at the first bad line.
std::vector<Line> ParseScript(std::string_view text);

// Numbers as the scripts write them.
bool ParseIndex(std::string_view text, int& out);  // an integer, sign allowed
bool ParseSeed(std::string_view text, std::uint32_t& out);
// "HH:MM:SS.mmm" as milliseconds of the day.
bool ParseClock(std::string_view text, std::int64_t& ms);
bool IsComparison(std::string_view op);

// A text as a script writes it: in double quotes, with \" for a quote (for diagnostics).
std::string Quote(std::string_view text);

}  // namespace wl::script

#pragma once
// Reading the program's text files: one line at a time, so that memory follows the longest line and what
// the reader keeps, never the size of the file; a UTF-8 byte-order mark before the first line is not
// part of it. Every reader of a text file goes through TextLineReader, and every message that shows a
// text read from a file quotes it through QuotedText.
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

namespace wl {

// The three bytes a UTF-8 byte-order mark is made of.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Drops a leading byte-order mark of a text in place; true when there was one.
bool SkipBom(std::string& text);

// A text for a message, between single quotes: whole when it is short, else its first characters, "..."
// and its length, so that a huge or binary token cannot make a huge message:
//   QuotedText("abc") = "'abc'", QuotedText(10485761 nines) = "'9999999999999999999999999999999999999999...'
//   (10485761 characters)". Control characters other than the tab show as "?".
std::string QuotedText(std::string_view text);
// The same without the quotes, for the messages that show a text bare: the text itself when short,
// else "99999... (10485761 characters)".
std::string ShownText(std::string_view text);

class TextLineReader {
 public:
  // How a line end is read: "\r\n" as a line end (DropCarriageReturn), or only "\n", the carriage return
  // staying at the end of the line (Keep).
  enum LineEnds { DropCarriageReturn, Keep };

  TextLineReader() = default;
  explicit TextLineReader(const std::string& path, LineEnds ends = DropCarriageReturn) { Open(path, ends); }

  // Opens the file; false when it cannot be opened.
  bool Open(const std::string& path, LineEnds ends = DropCarriageReturn);
  bool IsOpen() const { return in_.is_open(); }

  // The next line without its line end; false at the end of the file or after a read error (then Failed()).
  // A final line end does not start another line.
  bool Next(std::string& line);
  // The lines read so far (the number of the line Next gave last).
  std::int64_t LineNo() const { return lineNo_; }
  // Whether the file held nothing at all (or only a byte-order mark); known once Next returned false.
  bool Empty() const { return lineNo_ == 0 && !failed_; }
  // A read error ended the reading.
  bool Failed() const { return failed_; }
  // The number of lines that follow, counted without keeping them, up to `limit` (the count stops at
  // limit + 1: "more than limit"). A read error gives the count so far and sets Failed().
  std::int64_t CountRest(std::int64_t limit);

 private:
  std::ifstream in_;
  LineEnds ends_ = DropCarriageReturn;
  std::int64_t lineNo_ = 0;
  bool failed_ = false;
};

// The lines of a text file from its start, counted without keeping them, up to limit + 1. FileError
// ("Cannot open file " / "Cannot read file " + path) when the file cannot be opened or read.
std::int64_t CountFileLines(const std::string& path, std::int64_t limit);

}  // namespace wl

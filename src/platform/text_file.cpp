#include "platform/text_file.h"

#include <algorithm>
#include <array>

#include "platform/errors.h"
#include "platform/numfmt.h"

namespace wl {

namespace {

// The most characters of a text a message shows.
constexpr std::size_t kQuotedMost = 40;

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

bool SkipBom(std::string& text) {
  if (text.compare(0, kUtf8Bom.size(), kUtf8Bom) != 0) return false;
  text.erase(0, kUtf8Bom.size());
  return true;
}

namespace {

// The shown part of a text (control characters but the tab as "?"), between `open` and `close`, and its
// length when it was cut.
std::string Shown(std::string_view text, const char* open, const char* close) {
  std::size_t shown = text.size();
  if (shown > kQuotedMost) {
    shown = kQuotedMost;
    // A character of several bytes is shown whole or not at all.
    while (shown > 0 && IsContinuationByte(text[shown])) --shown;
  }
  std::string q(open);
  for (std::size_t i = 0; i < shown; ++i) {
    const char c = text[i];
    q += (static_cast<unsigned char>(c) < ' ' && c != '\t') || c == '\x7F' ? '?' : c;
  }
  if (shown < text.size()) q += "...";
  q += close;
  if (shown < text.size()) q += " (" + IntToStr(static_cast<std::int64_t>(text.size())) + " characters)";
  return q;
}

}  // namespace

std::string QuotedText(std::string_view text) { return Shown(text, "'", "'"); }

std::string ShownText(std::string_view text) { return Shown(text, "", ""); }

bool TextLineReader::Open(const std::string& path, LineEnds ends) {
  in_.close();
  in_.clear();
  ends_ = ends;
  lineNo_ = 0;
  failed_ = false;
  in_.open(path, std::ios::binary);
  return in_.is_open();
}

bool TextLineReader::Next(std::string& line) {
  if (!in_.is_open() || failed_) return false;
  if (!std::getline(in_, line)) {
    failed_ = in_.bad();
    return false;
  }
  if (lineNo_ == 0 && SkipBom(line) && line.empty() && in_.eof()) return false;  // only the mark
  ++lineNo_;
  if (ends_ == DropCarriageReturn && !line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

std::int64_t TextLineReader::CountRest(std::int64_t limit) {
  if (!in_.is_open() || failed_) return 0;
  if (lineNo_ == 0) {
    // A byte-order mark alone is no line.
    std::array<char, 3> head{};
    in_.read(head.data(), head.size());
    const auto got = in_.gcount();
    const bool bom = got == 3 && std::string_view(head.data(), 3) == kUtf8Bom;
    in_.clear();
    in_.seekg(bom ? 3 : 0, std::ios::beg);
  }
  std::array<char, 1 << 16> chunk{};
  std::int64_t count = 0;
  bool open = false;  // characters after the last line end
  while (count <= limit && in_) {
    in_.read(chunk.data(), chunk.size());
    const auto got = static_cast<std::size_t>(in_.gcount());
    for (std::size_t i = 0; i < got; ++i) {
      if (chunk[i] == '\n') {
        ++count;
        open = false;
      } else {
        open = true;
      }
    }
  }
  if (in_.bad()) failed_ = true;
  if (open && count <= limit) ++count;
  lineNo_ += count;
  return std::min(count, limit + 1);
}

std::int64_t CountFileLines(const std::string& path, std::int64_t limit) {
  TextLineReader in;
  if (!in.Open(path)) throw FileError("Cannot open file " + path);
  const std::int64_t n = in.CountRest(limit);
  if (in.Failed()) throw FileError("Cannot read file " + path);
  return n;
}

}  // namespace wl

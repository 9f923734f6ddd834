// The line reader of the text files (byte-order mark, line ends, empty files, counting without keeping)
// and the quoting of texts read from files in messages.
#include "platform/text_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "support/test_support.h"

namespace wl {
namespace {

TEST(QuotedTextTest, ShortTextsWholeLongOnesByAPrefixAndTheirLength) {
  const std::pair<std::string, std::string> cases[] = {
      {"abc", "'abc'"},
      {"", "''"},
      {" 1,5\t", "' 1,5\t'"},  // blanks and tabs as they are
      {std::string(40, 'x'), "'" + std::string(40, 'x') + "'"},
      {std::string(41, 'x'), "'" + std::string(40, 'x') + "...' (41 characters)"},
      {std::string(10485761, '9'), "'" + std::string(40, '9') + "...' (10485761 characters)"},
      {std::string("a\0b\x01\x7F", 5), "'a?b?" "?'"},  // control characters would not show
      // A character of several bytes is cut whole: 39 x and a two-byte e-acute at bytes 40 and 41.
      {std::string(39, 'x') + "\xC3\xA9" + "yy", "'" + std::string(39, 'x') + "...' (43 characters)"},
  };
  for (const auto& [text, quoted] : cases) EXPECT_EQ(QuotedText(text), quoted) << text.substr(0, 50);
  EXPECT_EQ(ShownText("abc"), "abc");
  EXPECT_EQ(ShownText(std::string(50, '1')), std::string(40, '1') + "... (50 characters)");
}

class TextLineReaderTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& content) { return temp.Write("f.txt", content); }
  std::vector<std::string> Read(const std::string& content, TextLineReader::LineEnds ends,
                                bool* empty = nullptr) {
    TextLineReader in(Write(content), ends);
    std::vector<std::string> lines;
    for (std::string l; in.Next(l);) lines.push_back(l);
    EXPECT_FALSE(in.Failed());
    EXPECT_EQ(in.LineNo(), static_cast<std::int64_t>(lines.size()));
    if (empty) *empty = in.Empty();
    return lines;
  }
  test::TempProgramDir temp{"wl_textfile_"};
};

TEST_F(TextLineReaderTest, LinesOfAFile) {
  using V = std::vector<std::string>;
  const auto D = TextLineReader::DropCarriageReturn;
  const auto K = TextLineReader::Keep;
  struct Case {
    std::string content;
    TextLineReader::LineEnds ends;
    V lines;
    bool empty;
  };
  const Case cases[] = {
      {"", D, {}, true},
      {"\xEF\xBB\xBF", D, {}, true},  // a mark alone is no line
      {"\n", D, {""}, false},
      {"\xEF\xBB\xBF\n", D, {""}, false},
      {"a\nb", D, {"a", "b"}, false},  // a last line without its end
      {"a\nb\n", D, {"a", "b"}, false},  // a final line end starts no line
      {"a\r\nb\r\n", D, {"a", "b"}, false},
      {"a\r\nb\r\r\n", K, {"a\r", "b\r\r"}, false},
      {"\xEF\xBB\xBFkey=1\n\xEF\xBB\xBFkey=2\n", D, {"key=1", "\xEF\xBB\xBFkey=2"}, false},  // only before the first
      {"\xEF\xBBkey\n", D, {"\xEF\xBBkey"}, false},  // not a whole mark
  };
  for (const Case& c : cases) {
    bool empty = false;
    EXPECT_EQ(Read(c.content, c.ends, &empty), c.lines) << c.content;
    EXPECT_EQ(empty, c.empty) << c.content;
  }
}

TEST_F(TextLineReaderTest, CountsLinesUpToALimit) {
  struct Case {
    std::string content;
    std::int64_t limit, count;
  };
  const Case cases[] = {
      {"", 5, 0},         {"\xEF\xBB\xBF", 5, 0}, {"a", 5, 1},       {"a\n", 5, 1},
      {"a\nb", 5, 2},     {"\n\n\n", 5, 3},       {"a\nb\nc\n", 2, 3},  // more than the limit: limit + 1
      {std::string(200000, '\n'), 10, 11},        {std::string(200000, '\n'), 300000, 200000},
  };
  for (const Case& c : cases) EXPECT_EQ(CountFileLines(Write(c.content), c.limit), c.count) << c.content.size();
  // After lines read, the rest is counted.
  TextLineReader in(Write("h\n1\n2\n3"));
  std::string first;
  ASSERT_TRUE(in.Next(first));
  EXPECT_EQ(in.CountRest(10), 3);
  EXPECT_THROW(CountFileLines(temp.Str() + "/none.txt", 1), FileError);
  // A folder where the file should be cannot be read.
  EXPECT_THROW(CountFileLines(temp.Str(), 1), FileError);
}

}  // namespace
}  // namespace wl

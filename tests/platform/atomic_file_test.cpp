// Files that replace the file of their name only when written whole: a write that fails part-way (a full
// disk) leaves the old file as it was and no temporary file behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/errors.h"
#include "platform/paths.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;
using test::ReadText;

class AtomicFileTest : public ::testing::Test {
 protected:
  std::string File(const std::string& name, const std::string& content) const { return temp.Write(name, content); }
  test::TempProgramDir temp{"wl_atomic_"};
};

TEST_F(AtomicFileTest, AWholeFileReplacesTheOldOneAndAFailedOneLeavesIt) {
  const std::string path = File("report.txt", "the old report\n");
  WriteFileAtomically(path, "new\n");
  EXPECT_EQ(ReadText(path), "new\n");
  EXPECT_FALSE(fs::exists(path + ".tmp"));

  {
    const test::FileSizeLimit full(1000);
    EXPECT_THROW(WriteFileAtomically(path, std::string(5000, 'x')), FileError);
  }
  EXPECT_EQ(ReadText(path), "new\n");
  EXPECT_FALSE(fs::exists(path + ".tmp"));
}

TEST_F(AtomicFileTest, AStreamReplacesTheFileOnlyWhenClosed) {
  const std::string path = File("r.txt", "old\n");
  {
    AtomicOfstream out(path, std::ios::binary | std::ios::trunc);
    out << "first line\n";
    out.flush();
    EXPECT_EQ(ReadText(path), "old\n");  // not yet
    out.close();
    EXPECT_TRUE(out);
  }
  EXPECT_EQ(ReadText(path), "first line\n");

  // Abandoned, or destroyed while open (an error ended the writing): the file stays.
  {
    AtomicOfstream out(path, std::ios::binary | std::ios::trunc);
    out << "half a rep";
    out.abandon();
  }
  {
    AtomicOfstream out(path, std::ios::binary | std::ios::trunc);
    out << "half a rep";
  }
  EXPECT_EQ(ReadText(path), "first line\n");
  EXPECT_FALSE(fs::exists(path + ".tmp"));

  // Appending starts from the old content.
  {
    AtomicOfstream out(path, std::ios::binary | std::ios::app);
    out << "second line\n";
    out.close();
  }
  EXPECT_EQ(ReadText(path), "first line\nsecond line\n");

  // A write that fails part-way: close says so, the file keeps what it held.
  {
    const test::FileSizeLimit full(100);
    AtomicOfstream out(path, std::ios::binary | std::ios::trunc);
    for (int i = 0; i < 100 && out; ++i) out << "a line of the new report, cut off by the full disk\n";
    out.close();
    EXPECT_FALSE(out);
  }
  EXPECT_EQ(ReadText(path), "first line\nsecond line\n");
  EXPECT_FALSE(fs::exists(path + ".tmp"));
}

}  // namespace
}  // namespace wl

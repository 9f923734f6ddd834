// Files that replace the file of their name only when written whole: a write that fails part-way (a full
// disk) leaves the old file as it was and no temporary file behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
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

// What an error ending the writing does: a report keeps the file before; a run log is published as far as
// it got, unless one of its writes failed. The same whether the stream is closed during the unwinding (a
// guard), ended by whoever caught the error, or destroyed by it.
TEST_F(AtomicFileTest, AnErrorEndsAReportWithoutTraceAndARunLogAsFarAsItGot) {
  struct Case {
    AtomicOfstream::Kind kind;
    bool diskFull;
    const char* how;  // "guard", "caught", "destroyed"
    const char* want;
  };
  const Case cases[] = {
      {AtomicOfstream::Report, false, "guard", "before\n"},
      {AtomicOfstream::Report, false, "caught", "before\n"},
      {AtomicOfstream::Report, false, "destroyed", "before\n"},
      {AtomicOfstream::RunLog, false, "guard", "epoch 1\n"},
      {AtomicOfstream::RunLog, false, "caught", "epoch 1\n"},
      {AtomicOfstream::RunLog, false, "destroyed", "epoch 1\n"},
      {AtomicOfstream::RunLog, true, "guard", "before\n"},
      {AtomicOfstream::RunLog, true, "caught", "before\n"},
      {AtomicOfstream::RunLog, true, "destroyed", "before\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.kind == AtomicOfstream::Report ? "report " : "run log ") + c.how +
                 (c.diskFull ? " disk full" : ""));
    const std::string path = File("log.txt", "before\n");
    AtomicOfstream kept(c.kind);  // a stream the workbench keeps across the routines of a run
    std::optional<test::FileSizeLimit> full;
    if (c.diskFull) full.emplace(1000);
    try {
      if (std::string(c.how) == "destroyed") {
        AtomicOfstream out(path, std::ios::binary | std::ios::trunc, c.kind);
        out << "epoch 1\n";
        if (c.diskFull) out << std::string(5000, 'x') << std::flush;
        throw FileError("the run cannot go on");
      }
      kept.open(path, std::ios::binary | std::ios::trunc);
      std::optional<LogEnd> end;
      if (std::string(c.how) == "guard") end.emplace(kept);
      kept << "epoch 1\n";
      if (c.diskFull) kept << std::string(5000, 'x') << std::flush;
      throw FileError("the run cannot go on");
    } catch (const FileError&) {
      if (std::string(c.how) == "caught") {
        EXPECT_TRUE(kept.is_open());
        kept.end_after_error();
      }
    }
    full.reset();
    EXPECT_FALSE(kept.is_open());
    EXPECT_EQ(ReadText(path), c.want);
    EXPECT_FALSE(fs::exists(path + ".tmp"));
  }
}

// A close on the normal way publishes a run log like a report; CloseWritten says when it could not.
TEST_F(AtomicFileTest, CloseWrittenPublishesOrNamesTheFile) {
  const std::string path = File("T.txt", "before\n");
  AtomicOfstream log(AtomicOfstream::RunLog);
  log.open(path, std::ios::trunc);
  { const LogEnd end(log); log << "whole\n"; }
  EXPECT_EQ(ReadText(path), "whole\n");
  log.open(path, std::ios::trunc);
  {
    const test::FileSizeLimit full(100);
    log << std::string(5000, 'x');
    try {
      CloseWritten(log);
      ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot write file " + path);
    }
  }
  EXPECT_EQ(ReadText(path), "whole\n");
  EXPECT_FALSE(fs::exists(path + ".tmp"));
}

}  // namespace
}  // namespace wl

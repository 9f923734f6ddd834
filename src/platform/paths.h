#pragma once
#include <fstream>
#include <string>
#include <string_view>

namespace wl {

// Joins a program directory and a path written the old way ("\DATA\iris.dat", "\Results\x", "pca/eps.txt"):
// backslashes become "/", and the first folder, when it is one of DATA, PCA, results or help in any letter
// case, takes its one spelling. An absolute path (starting with "/") is returned as it is.
std::string ProgramPath(std::string_view programDir, std::string_view path);

// The canonical spelling of a program folder name, or the name itself when it is not one of the four.
std::string CanonicalFolder(std::string_view name);

// The file name without its folder.
std::string FileNameOf(std::string_view path);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Creates the folder (and its parents) when missing; false when it cannot.
bool EnsureDirectory(const std::string& path);

// Writes a whole text file through a temporary file and a rename, so that a crash never leaves a half
// written file. Throws FileError; a failed write leaves neither the temporary file nor a changed file.
void WriteFileAtomically(const std::string& path, const std::string& content);

// A file written as a stream that replaces the file of its name only when it is committed whole: the
// stream writes path + ".tmp" (in append mode starting from a copy of the file), commit() (or close())
// renames it over the file, abandon() removes it, so that the file keeps what it held before. commit()
// sets the fail state and returns false when the file could not be written or renamed; nothing is then
// published and no ".tmp" stays.
//
// What an error that ends the writing does (a close during stack unwinding, end_after_error(), a stream
// destroyed while still open) is the stream's kind: a report (`Report`) is abandoned, because a report cut
// short would pass for a whole one; a log that a run writes as it goes (`RunLog`) is published as far as
// it got when every write succeeded, and abandoned when a write failed.
//
// It is a stream of its own rather than a std::ofstream, so that no code can close it as a plain file
// stream and leave the temporary file behind.
class AtomicOfstream : public std::ostream {
 public:
  enum Kind { Report, RunLog };

  AtomicOfstream() : std::ostream(nullptr) { rdbuf(&buf_); }
  explicit AtomicOfstream(Kind kind) : AtomicOfstream() { kind_ = kind; }
  AtomicOfstream(const std::string& path, std::ios::openmode mode, Kind kind = Report) : AtomicOfstream(kind) {
    open(path, mode);
  }
  ~AtomicOfstream() override;
  AtomicOfstream(const AtomicOfstream&) = delete;
  AtomicOfstream& operator=(const AtomicOfstream&) = delete;

  void open(const std::string& path, std::ios::openmode mode = std::ios::out);
  bool is_open() const { return buf_.is_open(); }
  // Publishes the file; during stack unwinding (an error is leaving the code that opened the stream) it
  // ends the writing as after an error instead.
  bool commit();
  void close() { commit(); }
  // Ends the writing without touching the file.
  void abandon();
  // Ends the writing after an error, by the stream's kind.
  void end_after_error();
  const std::string& path() const { return path_; }
  Kind kind() const { return kind_; }

 private:
  bool publish();

  std::filebuf buf_;
  std::string path_, tmp_;
  Kind kind_ = Report;
  int exceptions_ = 0;  // the exceptions in flight when the stream was opened
};

// Publishes the stream, or throws FileError "Cannot write file <path>" when the file could not be written
// (nothing is then published). A stream that is not open passes when nothing failed before.
void CloseWritten(AtomicOfstream& out);

// Ends a stream when the scope that writes it is left, however it is left: on the normal way the stream is
// published (the writers that say a failed write call CloseWritten before), when an error leaves the scope
// it ends as after an error (a run log keeps what it wrote, a report is dropped).
class LogEnd {
 public:
  explicit LogEnd(AtomicOfstream& f) : f_(f) {}
  ~LogEnd() { f_.close(); }
  LogEnd(const LogEnd&) = delete;
  LogEnd& operator=(const LogEnd&) = delete;

 private:
  AtomicOfstream& f_;
};

}  // namespace wl

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

// A file written as a stream that replaces the file of its name only when it is closed whole: the stream
// writes path + ".tmp" (in append mode starting from a copy of the file), close() renames it over the
// file, and a stream that is abandoned, or destroyed while still open (an error ended the writing), removes
// it, so that the file keeps what it held before. close() sets the fail state when the file could not be
// written or renamed.
class AtomicOfstream : public std::ofstream {
 public:
  AtomicOfstream() = default;
  AtomicOfstream(const std::string& path, std::ios::openmode mode) { open(path, mode); }
  ~AtomicOfstream();
  AtomicOfstream(const AtomicOfstream&) = delete;
  AtomicOfstream& operator=(const AtomicOfstream&) = delete;

  void open(const std::string& path, std::ios::openmode mode = std::ios::out);
  void close();
  // Ends the writing without touching the file.
  void abandon();
  const std::string& path() const { return path_; }

 private:
  std::string path_, tmp_;
};

}  // namespace wl

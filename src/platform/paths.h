#pragma once
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
// written file. Throws FileError.
void WriteFileAtomically(const std::string& path, const std::string& content);

}  // namespace wl

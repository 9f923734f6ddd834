#pragma once
// Reading the exchange files line by line.
#include <string>
#include <vector>

namespace wl {

// The lines of a text file as the program reads them: a final line end does not start another line, and a
// carriage return before a line end is dropped. FileError when the file cannot be opened or read.
std::vector<std::string> ReadLines(const std::string& path);

}  // namespace wl

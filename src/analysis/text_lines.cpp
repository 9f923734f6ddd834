#include "analysis/text_lines.h"

#include <fstream>

#include "platform/errors.h"

namespace wl {

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError("Cannot open file " + path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  if (in.bad()) throw FileError("Cannot read file " + path);
  return lines;
}

}  // namespace wl

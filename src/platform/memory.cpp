#include "platform/memory.h"

#include <fstream>
#include <sstream>

#include "platform/numfmt.h"

namespace wl {

std::uint64_t AvailableMemoryBytes() {
  std::ifstream in("/proc/meminfo");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("MemAvailable:", 0) != 0) continue;
    std::istringstream fields(line.substr(13));
    std::uint64_t kb = 0;
    if (fields >> kb) return kb * 1024;
  }
  return 0;
}

std::string MemorySizeText(double bytes) {
  if (bytes >= 1e12) return FormatFixed(bytes / 1e12, 1) + " TB";
  if (bytes >= 1e9) return FormatFixed(bytes / 1e9, 1) + " GB";
  if (bytes >= 1e6) return FormatFixed(bytes / 1e6, 0) + " MB";
  return FormatFixed(bytes / 1e3, 0) + " kB";
}

}  // namespace wl

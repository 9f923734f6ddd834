#pragma once
// The memory the system can still give the program.
#include <cstdint>
#include <string>

namespace wl {

// The bytes of memory available to a new allocation without swapping (MemAvailable of /proc/meminfo);
// 0 when it cannot be told.
std::uint64_t AvailableMemoryBytes();

// A size in bytes as the messages give it: "350 MB", "1.5 GB", "12.2 TB" (decimal units, one decimal from 1 GB).
std::string MemorySizeText(double bytes);

}  // namespace wl

// Replays every file of a corpus folder through one harness, in name order:
//   fuzz_replay HARNESS FOLDER
// A harness aborts on what it finds broken, so the program (and its test) fails naming the file it was
// given last.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_support.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fuzz_replay HARNESS FOLDER\n");
    return 2;
  }
  const wl::fuzz::Harness* harness = wl::fuzz::FindHarness(argv[1]);
  if (!harness) {
    std::fprintf(stderr, "fuzz_replay: no harness %s\n", argv[1]);
    return 2;
  }
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(argv[2]))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  if (files.empty()) {
    std::fprintf(stderr, "fuzz_replay: the corpus %s is empty\n", argv[2]);
    return 1;
  }
  for (const auto& file : files) {
    std::fprintf(stderr, "fuzz_replay: %s\n", file.filename().c_str());
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    harness->Run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("fuzz_replay: %s: %zu files replayed\n", argv[1], files.size());
  return 0;
}

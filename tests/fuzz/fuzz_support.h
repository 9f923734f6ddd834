#pragma once
// What the fuzz harnesses share. A harness takes one input (the bytes libFuzzer made, or a corpus file the
// replay test reads), writes it as the file a user would bring into a fresh program directory, runs the
// reader through the command the user would click, and on success takes the user's next step. Every
// refusal must come as a message; the harness aborts on anything else that breaks a promise of the
// readers (a command that ends without a word while it refused, a round trip that changes the data).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/scripted_platform.h"
#include "state/workbench.h"

namespace wl::fuzz {

// One harness: its name (the corpus folder tests/fuzz/corpus/NAME) and its entry.
struct Harness {
  const char* Name;
  void (*Run)(const std::uint8_t* data, std::size_t size);
};
// Every harness, in a fixed order.
const std::vector<Harness>& Harnesses();
const Harness* FindHarness(std::string_view name);

// The input as text.
inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// An input that holds several files: the parts between lines "====" (the last part may run to the end).
std::vector<std::string> SplitParts(std::string_view text, std::size_t count);

// A program directory of this process, emptied for each input, and a program started in it on the
// scripted platform (dialogs answered from the queues the harness fills). The settings file it starts
// with holds the computer speed, so that the start-up does not measure it.
class FuzzProgram {
 public:
  // withData: DATA/ gets the shipped iris, xor and monk1 sets. startSettings: the text of weightlab.ini
  // before the start ("" for the speed line only; nullptr for no file at all).
  explicit FuzzProgram(bool withData = true, const char* startSettings = "");
  ~FuzzProgram();
  FuzzProgram(const FuzzProgram&) = delete;
  FuzzProgram& operator=(const FuzzProgram&) = delete;

  // Starts the program (the windows made, the settings loaded).
  void Start();

  // Writes a file below the program directory and returns its full name.
  std::string Write(const std::string& relative, std::string_view content) const;
  std::string Path(const std::string& relative) const { return (dir_ / relative).string(); }
  const std::filesystem::path& Dir() const { return dir_; }

  // Clicks a main-window control: its handler runs through the command boundary. True when the command
  // ended without an error.
  bool Click(const std::string& control);
  // Runs a routine through the command boundary, as a handler would.
  bool Run(const std::function<void()>& command);

  // The messages shown since the last call, and whether any was.
  std::vector<ScriptedPlatform::Message> TakeMessages();

  Workbench& Wb() { return *wb_; }
  ScriptedPlatform& Plat() { return plat_; }

 private:
  std::filesystem::path dir_;
  ScriptedPlatform plat_;
  std::unique_ptr<Workbench> wb_;
};

// The whole file; Broken when it cannot be read.
std::string ReadWhole(const std::string& path);

// Aborts the process with the reason (libFuzzer and the replay test both report it as a crash).
[[noreturn]] void Broken(const std::string& why);

// The harnesses' entries.
void FuzzDataFile(const std::uint8_t* data, std::size_t size);
void FuzzSettingsFile(const std::uint8_t* data, std::size_t size);
void FuzzWeightsFile(const std::uint8_t* data, std::size_t size);
void FuzzFiveLayerWeightsFile(const std::uint8_t* data, std::size_t size);
void FuzzCustomOrderFile(const std::uint8_t* data, std::size_t size);
void FuzzBatchFile(const std::uint8_t* data, std::size_t size);
void FuzzCutPointFile(const std::uint8_t* data, std::size_t size);
void FuzzPcaFiles(const std::uint8_t* data, std::size_t size);
void FuzzMatlabImport(const std::uint8_t* data, std::size_t size);
void FuzzPicture(const std::uint8_t* data, std::size_t size);

}  // namespace wl::fuzz

#pragma once
// A text file written line by line, as the experiments write their fold files and summaries. It replaces
// the file of its name only when it is complete: by Close, or at the end of its life unless an error is
// ending the operation then (the file keeps what it held before, and no half report is left). Every
// failing operation throws FileError naming the file.
#include <exception>
#include <string>
#include <string_view>

#include "platform/errors.h"
#include "platform/paths.h"

namespace wl {

class TextReport {
 public:
  TextReport() = default;
  explicit TextReport(const std::string& path) { Open(path); }
  ~TextReport() {
    if (std::uncaught_exceptions() > exceptions_) return;  // the stream is abandoned: the old file stays
    out_.close();
  }
  TextReport(const TextReport&) = delete;
  TextReport& operator=(const TextReport&) = delete;

  void Open(const std::string& path) {
    if (out_.is_open()) Close();
    out_.clear();
    path_ = path;
    exceptions_ = std::uncaught_exceptions();
    out_.open(path, std::ios::binary | std::ios::trunc);
    if (!out_.is_open()) throw FileError("Cannot write file " + path);
  }
  bool IsOpen() const { return out_.is_open(); }
  const std::string& Path() const { return path_; }

  // Text without a line end, and a whole line.
  void Write(std::string_view text) {
    if (!out_.is_open()) throw FileError("No file is open to write \"" + std::string(text) + "\"");
    out_ << text;
    if (!out_) throw FileError("Cannot write file " + path_);
  }
  void Line(std::string_view text = {}) {
    Write(text);
    Write("\n");
  }

  void Close() {
    if (!out_.is_open()) return;
    out_.close();
    if (!out_) {
      out_.clear();
      throw FileError("Cannot write file " + path_);
    }
  }

 private:
  AtomicOfstream out_;
  std::string path_;
  int exceptions_ = 0;
};

}  // namespace wl

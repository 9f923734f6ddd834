#pragma once
// The typed errors that end an operation. The command boundary catches them and shows their text.
#include <stdexcept>
#include <string>

namespace wl {

struct WlError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A text that does not convert to a number ("'abc' is not a valid floating point value").
struct ConvertError : WlError {
  using WlError::WlError;
};

// A file that cannot be opened, read or written; the text names the file (and the line where known).
struct FileError : WlError {
  using WlError::WlError;
};

// A floating-point result the computation cannot go on with (division by zero, overflow, invalid power).
struct FloatError : WlError {
  using WlError::WlError;
};

}  // namespace wl

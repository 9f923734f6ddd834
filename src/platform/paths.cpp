#include "platform/paths.h"

#include <cctype>
#include <exception>
#include <filesystem>
#include <fstream>

#include "platform/errors.h"

namespace wl {

namespace fs = std::filesystem;

static std::string Lower(std::string_view s) {
  std::string r(s);
  for (auto& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

std::string CanonicalFolder(std::string_view name) {
  const std::string l = Lower(name);
  if (l == "data") return "DATA";
  if (l == "pca") return "PCA";
  if (l == "results") return "results";
  if (l == "help") return "help";
  return std::string(name);
}

std::string ProgramPath(std::string_view programDir, std::string_view path) {
  std::string p(path);
  for (auto& c : p) if (c == '\\') c = '/';
  if (!p.empty() && p[0] == '/' && !programDir.empty() && p.rfind(std::string(programDir), 0) == 0) return p;
  while (!p.empty() && p[0] == '/') p.erase(0, 1);
  auto slash = p.find('/');
  std::string first = p.substr(0, slash);
  std::string rest = slash == std::string::npos ? std::string() : p.substr(slash);
  if (slash != std::string::npos || !first.empty()) p = CanonicalFolder(first) + rest;
  std::string dir(programDir);
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (p.empty()) return dir;
  return dir + "/" + p;
}

std::string FileNameOf(std::string_view path) {
  auto pos = path.find_last_of("/\\");
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

bool DirectoryExists(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

bool EnsureDirectory(const std::string& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) return true;
  fs::create_directories(path, ec);
  return fs::is_directory(path, ec);
}

void WriteFileAtomically(const std::string& path, const std::string& content) {
  AtomicOfstream out(path, std::ios::binary | std::ios::trunc);
  if (!out.is_open()) throw FileError("Cannot write file " + path);
  out << content;
  out.close();
  if (!out) throw FileError("Cannot write file " + path);
}

AtomicOfstream::~AtomicOfstream() { end_after_error(); }

void AtomicOfstream::open(const std::string& path, std::ios::openmode mode) {
  abandon();
  path_ = path;
  tmp_ = path + ".tmp";
  clear();
  exceptions_ = std::uncaught_exceptions();
  std::error_code ec;
  if (mode & std::ios::app) {
    // Appending writes the old content and the new lines into the new file.
    fs::remove(tmp_, ec);
    if (fs::exists(path, ec)) fs::copy_file(path, tmp_, fs::copy_options::overwrite_existing, ec);
    if (ec) {
      fs::remove(tmp_, ec);
      setstate(std::ios::failbit);
      return;
    }
  }
  if (!buf_.open(tmp_, mode | std::ios::out)) {
    fs::remove(tmp_, ec);
    setstate(std::ios::failbit);
  }
}

bool AtomicOfstream::commit() {
  if (!is_open()) return !fail();
  if (std::uncaught_exceptions() > exceptions_) {
    end_after_error();
    return false;
  }
  return publish();
}

bool AtomicOfstream::publish() {
  flush();
  const bool written = !fail() && !bad();
  const bool closed = buf_.close() != nullptr;
  std::error_code ec;
  if (!written || !closed) {
    fs::remove(tmp_, ec);
    setstate(std::ios::failbit);
    return false;
  }
  fs::rename(tmp_, path_, ec);
  if (ec) {
    fs::remove(tmp_, ec);
    setstate(std::ios::failbit);
    return false;
  }
  return true;
}

void AtomicOfstream::abandon() {
  if (!is_open()) return;
  buf_.close();
  std::error_code ec;
  fs::remove(tmp_, ec);
}

void AtomicOfstream::end_after_error() {
  if (!is_open()) return;
  if (kind_ == RunLog && !fail() && !bad()) {
    publish();
  } else {
    abandon();
  }
}

void CloseWritten(AtomicOfstream& out) {
  if (!out.commit()) throw FileError("Cannot write file " + out.path());
}

}  // namespace wl

// The cut-point file of the discretization: blocks of an "fnumber" line (the feature, from 0), an "fdiv"
// line (the number K of cut points) and K lines of one cut point each. Every other line (comments, the
// "include" list of the SMLP runs) is passed over; a file with neither an "fnumber" line nor an "include"
// list is refused.
#include <cmath>

#include "experiments/discretization.h"
#include "state/workbench.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/text_file.h"

namespace wl {
namespace {

// Whether the line begins with the key (lower case), letter case ignored.
bool BeginsWith(std::string_view line, std::string_view key) {
  if (line.size() < key.size()) return false;
  for (std::size_t i = 0; i < key.size(); ++i) {
    char c = line[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != key[i]) return false;
  }
  return true;
}

// The value of a key line: the text after its first "=" (at most 255 characters), trimmed. A line
// without "=" gives its whole text, which then does not convert.
std::string ValueOf(std::string_view line) {
  const std::size_t eq = line.find('=');
  return Trim(eq == std::string_view::npos ? line.substr(0, 255) : line.substr(eq + 1, 255));
}

std::string Quoted(std::string_view s) { return QuotedText(s); }

class CutPointReader {
 public:
  CutPointReader(const std::string& path, const std::vector<TFeature>& features) : path_(path), features_(features) {}

  CutPointFile Read() {
    if (!in_.Open(path_)) throw FileError("Cannot open discretization file " + path_);
    const std::size_t n = features_.size();
    CutPointFile out;
    out.Counts.assign(n, 0);
    out.Points.assign(n, {});
    std::vector<bool> block(n, false);
    std::string line;
    bool keyLine = false;  // an "fnumber" line, or the "include" list of the same file
    while (Next(line)) {
      if (BeginsWith(line, "includ")) keyLine = true;
      if (!BeginsWith(line, "fnumbe")) continue;
      keyLine = true;
      const std::string text = ValueOf(line);
      std::int32_t f = 0;
      if (!TryStrToInt(text, f)) Fail(Quoted(text) + " is not a valid integer value (the feature of an \"fnumber\" line)");
      if (f < 0 || static_cast<std::size_t>(f) >= n)
        Fail("there is no feature " + IntToStr(f) + "; the data set has the features 0 to " +
             IntToStr(static_cast<std::int64_t>(n) - 1));
      const TFeature& feature = features_[static_cast<std::size_t>(f)];
      if (feature.Kind != 'c') continue;  // its lines are read as ordinary lines
      const std::string what = "feature " + feature.Name + " (" + IntToStr(f) + ")";
      out.Points[static_cast<std::size_t>(f)].clear();  // a block sets the cut points: a later one replaces
      ReadBlock(what, out.Points[static_cast<std::size_t>(f)]);
      out.Counts[static_cast<std::size_t>(f)] = static_cast<int>(out.Points[static_cast<std::size_t>(f)].size());
      block[static_cast<std::size_t>(f)] = true;
      out.Any = true;
    }
    // A file named for the discretization that holds neither is not one of its files (it may be empty,
    // binary or another file of the same name): falling back to another source would hide that.
    if (!keyLine) {
      if (in_.Empty()) throw FileError("Discretization file " + path_ + " is empty: it gives no cut points");
      throw FileError("Discretization file " + path_ +
                      " holds no \"fnumber\" line (nor an \"include\" list): it gives no cut points");
    }
    // Either the file discretizes every continuous feature or it is not used at all.
    if (out.Any)
      for (std::size_t f = 0; f < n; ++f)
        if (features_[f].Kind == 'c' && !block[f])
          throw FileError("Discretization file " + path_ + ": no cut points for the continuous feature " +
                          features_[f].Name + " (" + IntToStr(static_cast<std::int64_t>(f)) + ")");
    return out;
  }

 private:
  [[noreturn]] void Fail(const std::string& reason) const {
    throw FileError("Discretization file " + path_ + ", line " + IntToStr(lineNo_) + ": " + reason);
  }

  bool Next(std::string& line) {
    if (!in_.Next(line)) {
      if (in_.Failed()) throw FileError("Discretization file " + path_ + " cannot be read");
      return false;
    }
    ++lineNo_;
    return true;
  }

  // The "fdiv" line and the cut points after an "fnumber" line of a continuous feature.
  void ReadBlock(const std::string& what, std::vector<double>& points) {
    std::string line;
    if (!Next(line)) Fail("the file ends after the \"fnumber\" line of " + what + "; its \"fdiv\" line is missing");
    if (!BeginsWith(line, "fdiv")) Fail("the line after the \"fnumber\" line of " + what + " is not its \"fdiv\" line");
    const std::string text = ValueOf(line);
    std::int32_t k = 0;
    if (!TryStrToInt(text, k) || k < 1)
      Fail("the number of cut points of " + what + " must be a whole number of at least 1, not " + Quoted(text));
    for (std::int32_t i = 0; i < k; ++i) {
      if (!Next(line))
        Fail("the file ends after " + IntToStr(i) + " of the " + IntToStr(k) + " cut points of " + what);
      const std::string point = Trim(line);
      double c = 0;
      if (!TryStrToFloat(point, c))
        Fail(Quoted(point) + " is not a valid floating point value (cut point " + IntToStr(i + 1) + " of " + what + ")");
      if (!points.empty() && !(c > points.back()))
        Fail("the cut points of " + what + " are not ascending: " + ShownText(point) + " follows " + FloatToStr(points.back()));
      points.push_back(c);
    }
  }

  const std::string& path_;
  const std::vector<TFeature>& features_;
  TextLineReader in_;
  int lineNo_ = 0;
};

}  // namespace

std::string CutPointFileName(const Workbench& wb) {
  std::string name = "\\";
  name += Trim(wb.Form1.DiscrFileEdit.Text());
  name += ".txt";
  return wb.Path(name);
}

CutPointFile ReadCutPointFile(const std::string& path, const std::vector<TFeature>& features) {
  return CutPointReader(path, features).Read();
}

}  // namespace wl

#include "platform/field_reads.h"

#include <cmath>
#include <set>

#include "platform/errors.h"
#include "platform/numfmt.h"

namespace wl {

std::string FirstUnreadable(const FieldReads& reads) {
  for (const FieldRead& r : reads) {
    try {
      switch (r.As) {
        case ReadAs::Int: StrToInt(r.Text); break;
        case ReadAs::Int64: StrToInt64(r.Text); break;
        case ReadAs::Float: StrToFloat(r.Text); break;
      }
    } catch (const ConvertError& e) {
      return e.what();
    }
  }
  return "";
}

void ReadAllFirst(const FieldReads& reads) {
  if (const std::string m = FirstUnreadable(reads); !m.empty()) throw ConvertError(m);
}

void AddReads(FieldReads& to, const FieldReads& more) { to.insert(to.end(), more.begin(), more.end()); }

FieldReads SegmentScheduleReads(const std::string (&bounds)[3], const std::string (&factors)[4], ReadAs boundsAs,
                                int epochs) {
  // The segment of an epoch changes only where it passes a bound: the first and last epochs and those on
  // either side of each bound stand for every epoch of the run.
  std::set<long long> epochsRead;
  auto add = [&](double e) {
    if (e >= 1 && e <= epochs) epochsRead.insert(static_cast<long long>(e));
  };
  add(1);
  add(epochs);
  for (const std::string& b : bounds) {
    double x = 0;
    if (!TryStrToFloat(b, x) || !std::isfinite(x)) continue;
    add(std::floor(x));
    add(std::floor(x) + 1);
  }
  FieldReads reads;
  for (long long e : epochsRead) {
    int segment = 3;
    bool readable = true;
    for (int k = 0; k < 3 && readable; ++k) {
      reads.push_back({bounds[k], boundsAs});
      double x = 0;
      if (boundsAs == ReadAs::Float) {
        readable = TryStrToFloat(bounds[k], x);
      } else {
        std::int32_t i = 0;
        readable = TryStrToInt(bounds[k], i);
        x = i;
      }
      if (readable && static_cast<double>(e) <= x) {
        segment = k;
        break;
      }
    }
    if (readable) reads.push_back({factors[segment], ReadAs::Float});
  }
  return reads;
}

}  // namespace wl

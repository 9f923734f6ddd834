#include "platform/field_reads.h"

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

}  // namespace wl

#pragma once
// Check first, then change: a command converts every field text it will convert on its way before its
// first change, so that a text that is no number refuses the command while nothing has changed yet.
// The conversion is the very one the command's later step makes (StrToInt, StrToInt64, StrToFloat), so
// the refusal is the message that step would give.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace wl {

enum class ReadAs : std::uint8_t { Int, Int64, Float };

struct FieldRead {
  std::string Text;  // the field's text as the step will read it
  ReadAs As;
};

using FieldReads = std::vector<FieldRead>;

// The message of the first text that would not convert ("'abc' is not a valid integer value"), or "".
std::string FirstUnreadable(const FieldReads& reads);

// Throws the ConvertError of the first text that would not convert; returns when every one converts.
void ReadAllFirst(const FieldReads& reads);

// Appends reads to a list (the reads of several steps of one command).
void AddReads(FieldReads& to, const FieldReads& more);

// The reads of a run's four-segment schedule over its epochs 1 .. epochs, as each epoch reads it: bound k
// (k = 0, 1, 2) is read when the epoch is past the bounds before it, and the epoch is in segment k when it
// is at most bound k, else in segment 3; the factor of a segment is read by the epochs in it. Bounds are
// read as `boundsAs` (a bound that does not convert ends the epochs' reading there).
FieldReads SegmentScheduleReads(const std::string (&bounds)[3], const std::string (&factors)[4], ReadAs boundsAs,
                                int epochs);

}  // namespace wl

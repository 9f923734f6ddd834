#pragma once
// What the discretization's own files share: reading its fields, the progress text and the guard
// against an empty data set.
#include <string>
#include <string_view>

namespace wl {

class Edit;
struct TFeature;
struct Workbench;

// The whole number in a field, from min to max; otherwise the focus goes to the field and ConvertError
// says name + " must be an Integer from " + min + " to " + max.
int DiscrFieldInteger(Edit& edit, std::string_view name, int min, int max);
// slEdit: the number of intervals, 2 to 999 (one interval has no cut point).
int DiscrIntervalsField(Workbench& wb);
// PrecEdit1: the decimals of the interval labels, 0 to 15.
int DiscrPrecisionField(Workbench& wb);
// Shows the text in the progress field ep and repaints it.
void DiscrProgress(Workbench& wb, const std::string& text);
// A continuous feature that the older route left out: its name begins with "n/a" (any case).
bool DiscrEliminated(const TFeature& f);
// Throws WlError when the data set has no vector: there are no values to take bounds from.
void RequireDiscrVectors(const Workbench& wb);

}  // namespace wl

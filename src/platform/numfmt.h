#pragma once
// The one number-to-text and text-to-number module. Locale-free: "." is always the decimal separator.
#include <cstdint>
#include <string>
#include <string_view>

namespace wl {

// Blanks (spaces, tabs, line ends) removed at both ends.
std::string Trim(std::string_view s);

// Text to number, surrounding blanks trimmed. Throw ConvertError naming the text:
// "'abc' is not a valid floating point value" / "'abc' is not a valid integer value".
double StrToFloat(std::string_view text);
std::int32_t StrToInt(std::string_view text);
std::int64_t StrToInt64(std::string_view text);
// The same without throwing; false (and the out value untouched) when the text does not convert.
bool TryStrToFloat(std::string_view text, double& out);
bool TryStrToInt(std::string_view text, std::int32_t& out);

// General form: the shortest text with up to 15 significant digits, fixed notation unless the decimal
// exponent is below -4 or 15 and above, then "1E-5", "1.5E-7", "1E15", "-2.5E20".
// Examples: 0 -> "0", 99 -> "99", 0.001 -> "0.001", 9999999 -> "9999999", 1e-7 -> "1E-7", 0.1+0.2 -> "0.3".
std::string FloatToStr(double x);
// The same form with as many significant digits (15 to 17) as the value needs to read back as the very
// same double: for numbers that are compared again after they are printed (interval bounds of rules).
std::string ExactFloatToStr(double x);
// The general form with up to `significantDigits` (1 to 17) significant digits.
std::string FloatToStrDigits(double x, int significantDigits);

// Fixed notation with the given number of decimals ("12.34"); halves rounded as the C library prints them.
std::string FormatFixed(double x, int decimals);
// The same, right-aligned in a field of the given width (a longer text is not cut), like Write(x:w:d).
std::string FormatFixed(double x, int width, int decimals);

// The default real format: fixed scientific form of width 23: a sign position (blank or "-"), one digit,
// ".", 14 digits, "E", the exponent's sign and four exponent digits: " 1.80000000000000E+0002".
std::string FormatReal(double x);
// Scientific form right-aligned in a field of the given width, with as many digits as the width allows
// (at least one after the point), like Write(x:w) of a real.
std::string FormatReal(double x, int width);

// Exponent form with `precision` significant digits and at least `expDigits` exponent digits, no leading
// blank: FormatExponent(1234.5, 5, 3) = "1.2345E+003", FormatExponent(-0.01, 5, 3) = "-1.0000E-002".
std::string FormatExponent(double x, int precision, int expDigits);

// Integers, plain and right-aligned in a field of the given width (like Write(n:w)).
std::string IntToStr(std::int64_t n);
std::string IntToStr(std::int64_t n, int width);

}  // namespace wl

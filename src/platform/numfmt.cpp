#include "platform/numfmt.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

#include "platform/errors.h"
#include "platform/text_file.h"

namespace wl {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string PadLeft(std::string s, int width) {
  const std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 0;
  if (s.size() < w) s.insert(0, w - s.size(), ' ');
  return s;
}

// Infinities and NaN have no digits to format; every form shows them the same way.
std::string NonFiniteText(double x) {
  if (std::isnan(x)) return "NAN";
  return x < 0 ? "-INF" : "INF";
}

// A finite value rounded to a number of significant digits: the digits (without a point) and the decimal
// exponent of the first one, so that the value is 0.d1d2d3... * 10^(exponent + 1).
struct Decimal {
  bool negative = false;
  std::string digits;
  int exponent = 0;
};

Decimal ToDecimal(double x, int significantDigits) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific,
                                 significantDigits - 1);
  Decimal d;
  d.negative = std::signbit(x);
  const char* p = buf;
  for (; p != res.ptr && *p != 'e'; ++p)
    if (*p != '.') d.digits += *p;
  if (p != res.ptr) std::from_chars(p + (p[1] == '+' ? 2 : 1), res.ptr, d.exponent);
  return d;
}

// Whether a number text that std::from_chars accepted whole but reported out of range is too small for a
// double (its leading non-zero digit stands below the units) rather than too large. Too small reads as 0.
bool IsUnderflow(std::string_view t) {
  std::size_t i = (t[0] == '-') ? 1 : 0;
  long long intDigits = 0;
  long long firstNonZero = -1;  // index among the mantissa digits
  long long index = 0;
  bool afterPoint = false;
  for (; i < t.size() && t[i] != 'e' && t[i] != 'E'; ++i) {
    if (t[i] == '.') {
      afterPoint = true;
      continue;
    }
    if (!afterPoint) ++intDigits;
    if (firstNonZero < 0 && t[i] != '0') firstNonZero = index;
    ++index;
  }
  long long exponent = 0;
  if (i < t.size()) {
    ++i;
    const bool negExp = t[i] == '-';
    if (t[i] == '+' || t[i] == '-') ++i;
    for (; i < t.size(); ++i) exponent = std::min(exponent * 10 + (t[i] - '0'), 1000000000LL);
    if (negExp) exponent = -exponent;
  }
  return intDigits - 1 - firstNonZero + exponent < 0;
}

// One optional sign: a "+" is dropped (std::from_chars does not take it), a "-" is left for the conversion.
// Returns where the digits must start.
std::size_t SkipSign(std::string& t) {
  if (t.empty()) return 0;
  if (t[0] == '+') {
    t.erase(0, 1);
    return 0;
  }
  return t[0] == '-' ? 1 : 0;
}

bool ParseFloat(std::string_view text, double& out) {
  std::string t = Trim(text);
  const std::size_t start = SkipSign(t);
  // Only digits and a point may follow the sign: keeps out "inf", "nan", "+-1" and "--1".
  if (start >= t.size() || !(IsDigit(t[start]) || t[start] == '.')) return false;
  double value = 0;
  const auto res = std::from_chars(t.data(), t.data() + t.size(), value, std::chars_format::general);
  if (res.ptr != t.data() + t.size()) return false;
  if (res.ec == std::errc::result_out_of_range) {
    if (!IsUnderflow(t)) return false;
    value = start == 1 ? -0.0 : 0.0;
  } else if (res.ec != std::errc()) {
    return false;
  }
  out = value;
  return true;
}

template <typename Int>
bool ParseInt(std::string_view text, Int& out) {
  std::string t = Trim(text);
  const std::size_t start = SkipSign(t);
  if (start >= t.size() || !IsDigit(t[start])) return false;
  Int value = 0;
  const auto res = std::from_chars(t.data(), t.data() + t.size(), value, 10);
  if (res.ec != std::errc() || res.ptr != t.data() + t.size()) return false;
  out = value;
  return true;
}

[[noreturn]] void ThrowNotFloat(std::string_view text) {
  throw ConvertError(QuotedText(text) + " is not a valid floating point value");
}

[[noreturn]] void ThrowNotInteger(std::string_view text) {
  throw ConvertError(QuotedText(text) + " is not a valid integer value");
}

// The scientific form of the real formats: sign position, d.ddd with the given number of digits after the
// point, "E", the exponent's sign and four exponent digits.
std::string ScientificText(double x, int decimals) {
  if (x == 0) return " 0." + std::string(static_cast<std::size_t>(decimals), '0') + "E+0000";
  const Decimal d = ToDecimal(x, decimals + 1);
  std::string s;
  s += d.negative ? '-' : ' ';
  s += d.digits[0];
  s += '.';
  s.append(d.digits, 1);
  s += 'E';
  s += d.exponent < 0 ? '-' : '+';
  const int e = std::abs(d.exponent);
  s += static_cast<char>('0' + e / 1000);
  s += static_cast<char>('0' + e / 100 % 10);
  s += static_cast<char>('0' + e / 10 % 10);
  s += static_cast<char>('0' + e % 10);
  return s;
}

}  // namespace

std::string Trim(std::string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

double StrToFloat(std::string_view text) {
  double v = 0;
  if (!ParseFloat(text, v)) ThrowNotFloat(text);
  return v;
}

std::int32_t StrToInt(std::string_view text) {
  std::int32_t v = 0;
  if (!ParseInt(text, v)) ThrowNotInteger(text);
  return v;
}

std::int64_t StrToInt64(std::string_view text) {
  std::int64_t v = 0;
  if (!ParseInt(text, v)) ThrowNotInteger(text);
  return v;
}

bool TryStrToFloat(std::string_view text, double& out) { return ParseFloat(text, out); }

bool TryStrToInt(std::string_view text, std::int32_t& out) { return ParseInt(text, out); }

namespace {

// The general form with up to `significantDigits` significant digits.
std::string GeneralText(double x, int significantDigits) {
  if (!std::isfinite(x)) return NonFiniteText(x);
  if (x == 0) return "0";  // negative zero included
  // Round first: the rounding may carry into the next power of ten and so decide the form.
  Decimal d = ToDecimal(x, significantDigits);
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  const int n = static_cast<int>(d.digits.size());
  std::string s = d.negative ? "-" : "";
  if (d.exponent < -4 || d.exponent >= 15) {
    s += d.digits[0];
    if (n > 1) s += '.' + d.digits.substr(1);
    s += 'E';
    s += std::to_string(d.exponent);
  } else if (d.exponent < 0) {
    s += "0.";
    s.append(static_cast<std::size_t>(-d.exponent - 1), '0');
    s += d.digits;
  } else {
    const int intDigits = d.exponent + 1;
    if (n <= intDigits) {
      s += d.digits;
      s.append(static_cast<std::size_t>(intDigits - n), '0');
    } else {
      s += d.digits.substr(0, static_cast<std::size_t>(intDigits));
      s += '.';
      s += d.digits.substr(static_cast<std::size_t>(intDigits));
    }
  }
  return s;
}

}  // namespace

std::string FloatToStr(double x) { return GeneralText(x, 15); }

std::string FloatToStrDigits(double x, int significantDigits) {
  return GeneralText(x, std::clamp(significantDigits, 1, 17));
}

std::string ExactFloatToStr(double x) {
  for (int digits = 15; digits < 17; ++digits) {
    const std::string s = GeneralText(x, digits);
    double back = 0.0;
    if (TryStrToFloat(s, back) && back == x) return s;
  }
  return GeneralText(x, 17);
}

std::string FormatFixed(double x, int decimals) {
  if (!std::isfinite(x)) return NonFiniteText(x);
  decimals = std::max(decimals, 0);
  // The largest double has 309 integer digits.
  std::string buf(static_cast<std::size_t>(decimals) + 330, '\0');
  const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), x, std::chars_format::fixed, decimals);
  buf.resize(static_cast<std::size_t>(res.ptr - buf.data()));
  // A value that rounds to zero shows no sign.
  if (buf[0] == '-' && buf.find_first_not_of("-0.") == std::string::npos) buf.erase(0, 1);
  return buf;
}

std::string FormatFixed(double x, int width, int decimals) { return PadLeft(FormatFixed(x, decimals), width); }

std::string FormatReal(double x) {
  if (!std::isfinite(x)) return PadLeft(NonFiniteText(x), 23);
  return ScientificText(x, 14);
}

std::string FormatReal(double x, int width) {
  if (!std::isfinite(x)) return PadLeft(NonFiniteText(x), width);
  // Sign, first digit, point, "E", exponent sign and four exponent digits take 9 positions; the rest are
  // digits after the point, at least one, and no more than the 17 significant digits a double holds.
  const int decimals = std::clamp(width - 9, 1, 16);
  return PadLeft(ScientificText(x, decimals), width);
}

std::string FormatExponent(double x, int precision, int expDigits) {
  if (!std::isfinite(x)) return NonFiniteText(x);
  if (precision < 1) precision = 1;
  Decimal d;
  if (x == 0) {
    d.digits = std::string(static_cast<std::size_t>(precision), '0');
  } else {
    d = ToDecimal(x, precision);
  }
  std::string s = d.negative && x != 0 ? "-" : "";
  s += d.digits[0];
  if (precision > 1) s += '.' + d.digits.substr(1);
  s += 'E';
  s += d.exponent < 0 ? '-' : '+';
  std::string e = std::to_string(std::abs(d.exponent));
  if (static_cast<int>(e.size()) < expDigits) e.insert(0, static_cast<std::size_t>(expDigits) - e.size(), '0');
  return s + e;
}

std::string IntToStr(std::int64_t n) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, n);
  return std::string(buf, res.ptr);
}

std::string IntToStr(std::int64_t n, int width) { return PadLeft(IntToStr(n), width); }

}  // namespace wl

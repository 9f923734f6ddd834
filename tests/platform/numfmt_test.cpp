#include "platform/numfmt.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <string>

#include "platform/errors.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string ConvertErrorText(void (*convert)(const std::string&), const std::string& text) {
  try {
    convert(text);
  } catch (const wl::ConvertError& e) {
    return e.what();
  }
  return "no error";
}

TEST(NumFmtTest, TrimRemovesBlanksAtBothEnds) {
  EXPECT_EQ(wl::Trim("  a b \t"), "a b");
  EXPECT_EQ(wl::Trim("\r\n x\r\n"), "x");
  EXPECT_EQ(wl::Trim(" \t\r\n"), "");
  EXPECT_EQ(wl::Trim(""), "");
  EXPECT_EQ(wl::Trim("x"), "x");
}

TEST(NumFmtTest, StrToFloatAcceptsNumbers) {
  struct Case {
    const char* text;
    double expected;
  };
  const Case cases[] = {
      {"1", 1.0},
      {"-2.5", -2.5},
      {"1e-7", 1e-7},
      {"1E+3", 1000.0},
      {"1e5", 100000.0},
      {".5", 0.5},
      {"-.5", -0.5},
      {"5.", 5.0},
      {"+1.5", 1.5},
      {"0", 0.0},
      {"00012", 12.0},
      {"0.1", 0.1},
      {" 3.25 ", 3.25},
      {"\t-7\r\n", -7.0},
      {"1.7976931348623157e308", DBL_MAX},
      {"4.9e-324", 4.9e-324},
      {"1e-400", 0.0},  // below the smallest double: reads as zero
      {"-0.00000000000000000000000000001e-400", 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(wl::StrToFloat(c.text), c.expected);
    double v = 12345;
    EXPECT_TRUE(wl::TryStrToFloat(c.text, v));
    EXPECT_EQ(v, c.expected);
  }
}

TEST(NumFmtTest, StrToFloatRejectsOtherText) {
  const char* const cases[] = {"",     "   ",  "1,5",  "abc", "1.2.3", "12abc", "1 2", "0x1A", "$10",
                               "inf",  "-inf", "nan",  "Infinity",     "1e400", "-1e400", "+-1",
                               "--1",  "++1",  "-",    ".",   "e5",    "1e",    "1e+",  "1.5e3x"};
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ConvertErrorText([](const std::string& t) { wl::StrToFloat(t); }, text),
              std::string("'").append(text) + "' is not a valid floating point value");
    double v = 12345;
    EXPECT_FALSE(wl::TryStrToFloat(text, v));
    EXPECT_EQ(v, 12345);
  }
  // The message quotes the text as given, blanks included.
  EXPECT_EQ(ConvertErrorText([](const std::string& t) { wl::StrToFloat(t); }, " 1,5\t"),
            "' 1,5\t' is not a valid floating point value");
}

TEST(NumFmtTest, StrToIntAcceptsThirtyTwoBitIntegers) {
  struct Case {
    const char* text;
    std::int32_t expected;
  };
  const Case cases[] = {{"0", 0},       {"42", 42},    {"-17", -17},   {"+8", 8},
                        {"  12 ", 12},  {"007", 7},    {"\t-3\n", -3}, {"2147483647", 2147483647},
                        {"-2147483648", INT32_MIN}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(wl::StrToInt(c.text), c.expected);
    EXPECT_EQ(wl::StrToInt64(c.text), c.expected);
    std::int32_t v = 99;
    EXPECT_TRUE(wl::TryStrToInt(c.text, v));
    EXPECT_EQ(v, c.expected);
  }
}

TEST(NumFmtTest, StrToIntRejectsOtherText) {
  const char* const cases[] = {"",    "  ",     "1.0",  "1e3",  "2147483648", "-2147483649", "12a", "0x10",
                               "$10", "- 5",    "+-5",  "--5",  "1 000",      "abc",         "+",   "-"};
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ConvertErrorText([](const std::string& t) { wl::StrToInt(t); }, text),
              std::string("'").append(text) + "' is not a valid integer value");
    std::int32_t v = 99;
    EXPECT_FALSE(wl::TryStrToInt(text, v));
    EXPECT_EQ(v, 99);
  }
}

TEST(NumFmtTest, StrToInt64TakesTheWholeSixtyFourBitRange) {
  EXPECT_EQ(wl::StrToInt64("2147483648"), 2147483648LL);
  EXPECT_EQ(wl::StrToInt64(" 9223372036854775807 "), INT64_MAX);
  EXPECT_EQ(wl::StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(ConvertErrorText([](const std::string& t) { wl::StrToInt64(t); }, "9223372036854775808"),
            "'9223372036854775808' is not a valid integer value");
  EXPECT_EQ(ConvertErrorText([](const std::string& t) { wl::StrToInt64(t); }, "7.5"),
            "'7.5' is not a valid integer value");
}

TEST(NumFmtTest, FloatToStrGeneralForm) {
  struct Case {
    double x;
    const char* expected;
  };
  const Case cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {99.0, "99"},
      {100.0, "100"},
      {1500.0, "1500"},
      {2000.0, "2000"},
      {9999999.0, "9999999"},
      {-0.5, "-0.5"},
      {0.1, "0.1"},
      {0.1 + 0.2, "0.3"},
      {123.456, "123.456"},
      {0.001, "0.001"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {-0.00001, "-1E-5"},
      {1e-7, "1E-7"},
      {1.5e-7, "1.5E-7"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {1.0 / 7, "0.142857142857143"},
      {std::numbers::pi, "3.14159265358979"},
      {-1234.5678, "-1234.5678"},
      {1e14, "100000000000000"},
      {999999999999999.0, "999999999999999"},
      {1e15, "1E15"},
      {-2.5e20, "-2.5E20"},
      {123456789012345678.0, "1.23456789012346E17"},
      {1.25e-300, "1.25E-300"},
      {1e308, "1E308"},
      {5e-324, "4.94065645841247E-324"},
      // Rounded to 15 digits before the form is chosen: these carry into the next power of ten.
      {9.9999999999999995e-5, "0.0001"},
      {999999999999999.9, "1E15"},
      {0.9999999999999999, "1"},
      {kInf, "INF"},
      {-kInf, "-INF"},
      {kNaN, "NAN"},
  };
  for (const Case& c : cases) EXPECT_EQ(wl::FloatToStr(c.x), c.expected) << "x = " << c.x;
}

// The exact form reads back as the same double, with no more digits than that needs.
TEST(NumFmtTest, ExactFloatToStrReadsBackTheSameNumber) {
  struct Case {
    double x;
    const char* expected;
  } cases[] = {
      {2.5, "2.5"},
      {-10000.0, "-10000"},
      {0.1 + 0.2, "0.30000000000000004"},
      {1.0 + 5.9 / 3.0, "2.966666666666667"},
      {2.4999999999999996, "2.4999999999999996"},
  };
  for (const Case& c : cases) EXPECT_EQ(wl::ExactFloatToStr(c.x), c.expected) << "x = " << c.x;
  for (double x : {1.0 / 3.0, 6.9 - 1e-15, 123456.789e-9, -7.25e22})
    EXPECT_EQ(wl::StrToFloat(wl::ExactFloatToStr(x)), x) << wl::ExactFloatToStr(x);
}

TEST(NumFmtTest, FormatFixed) {
  struct Case {
    double x;
    int decimals;
    const char* expected;
  };
  const Case cases[] = {
      {12.34, 2, "12.34"},
      {5.0, 0, "5"},
      {-3.14159, 3, "-3.142"},
      {2.0 / 3, 4, "0.6667"},
      {0.5, 3, "0.500"},
      {1e20, 1, "100000000000000000000.0"},
      // Halves as the C library prints them: the exact binary value decides, true ties go to even.
      {1.005, 2, "1.00"},
      {0.125, 2, "0.12"},
      {0.375, 2, "0.38"},
      {2.5, 0, "2"},
      {3.5, 0, "4"},
      // A value that rounds to zero shows no sign.
      {-0.001, 2, "0.00"},
      {-0.0, 1, "0.0"},
      {-0.4, 0, "0"},
      {-0.5, 0, "0"},
      {-0.006, 2, "-0.01"},
      {2.7, -1, "3"},
      {kInf, 2, "INF"},
      {-kInf, 2, "-INF"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(wl::FormatFixed(c.x, c.decimals), c.expected) << "x = " << c.x << ", decimals = " << c.decimals;
}

TEST(NumFmtTest, FormatFixedInAField) {
  EXPECT_EQ(wl::FormatFixed(3.14159, 8, 2), "    3.14");
  EXPECT_EQ(wl::FormatFixed(0.0, 6, 3), " 0.000");
  EXPECT_EQ(wl::FormatFixed(-0.001, 6, 2), "  0.00");
  EXPECT_EQ(wl::FormatFixed(-12.5, 3, 1), "-12.5");  // a longer text is not cut
  EXPECT_EQ(wl::FormatFixed(7.0, 0, 1), "7.0");
}

TEST(NumFmtTest, FormatExponentWithPrecisionAndExponentDigits) {
  const struct {
    double X;
    const char* Text;
  } cases[] = {{1234.5, "1.2345E+003"}, {-0.01, "-1.0000E-002"}, {0.0, "0.0000E+000"},
               {9.99995, "1.0000E+001"}, {6.0, "6.0000E+000"}, {1e120, "1.0000E+120"}, {4e-300, "4.0000E-300"}};
  for (const auto& c : cases) EXPECT_EQ(wl::FormatExponent(c.X, 5, 3), c.Text) << c.X;
  EXPECT_EQ(wl::FormatExponent(12345.0, 3, 1), "1.23E+4");
}

TEST(NumFmtTest, FormatRealDefaultWidth) {
  struct Case {
    double x;
    const char* expected;
  };
  const Case cases[] = {
      {180.0, " 1.80000000000000E+0002"},
      {-180.0, "-1.80000000000000E+0002"},
      {0.0, " 0.00000000000000E+0000"},
      {-0.0, " 0.00000000000000E+0000"},
      {1.0, " 1.00000000000000E+0000"},
      {0.5, " 5.00000000000000E-0001"},
      {12345.0, " 1.23450000000000E+0004"},
      {1.0 / 3, " 3.33333333333333E-0001"},
      {-2.0 / 3, "-6.66666666666667E-0001"},
      {1e-300, " 1.00000000000000E-0300"},
      {1e308, " 1.00000000000000E+0308"},
      {5e-324, " 4.94065645841247E-0324"},
      {9.999999999999999, " 1.00000000000000E+0001"},
      {kInf, "                    INF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(wl::FormatReal(c.x), c.expected) << "x = " << c.x;
    EXPECT_EQ(wl::FormatReal(c.x, 23), c.expected) << "x = " << c.x;
  }
}

TEST(NumFmtTest, FormatRealInAField) {
  struct Case {
    double x;
    int width;
    const char* expected;
  };
  const Case cases[] = {
      {180.0, 12, " 1.800E+0002"},
      {-180.0, 12, "-1.800E+0002"},
      {9.9996, 12, " 1.000E+0001"},
      {180.0, 10, " 1.8E+0002"},
      {9.96, 10, " 1.0E+0001"},
      {0.0, 11, " 0.00E+0000"},
      {1e-5, 15, " 1.000000E-0005"},
      // Below the smallest layout the text keeps one digit after the point.
      {180.0, 9, " 1.8E+0002"},
      {180.0, 0, " 1.8E+0002"},
      {-180.0, -3, "-1.8E+0002"},
      // No more than the 17 significant digits a double holds; the field is filled with blanks.
      {2.0 / 3, 25, " 6.6666666666666663E-0001"},
      {2.0 / 3, 28, "    6.6666666666666663E-0001"},
      {-kInf, 6, "  -INF"},
      {kNaN, 2, "NAN"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(wl::FormatReal(c.x, c.width), c.expected) << "x = " << c.x << ", width = " << c.width;
}

TEST(NumFmtTest, IntToStr) {
  EXPECT_EQ(wl::IntToStr(0), "0");
  EXPECT_EQ(wl::IntToStr(-5), "-5");
  EXPECT_EQ(wl::IntToStr(INT64_MAX), "9223372036854775807");
  EXPECT_EQ(wl::IntToStr(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(wl::IntToStr(42, 5), "   42");
  EXPECT_EQ(wl::IntToStr(-42, 2), "-42");
  EXPECT_EQ(wl::IntToStr(7, 0), "7");
}

// What is written must read back: the general and the default real form keep 15 significant digits.
TEST(NumFmtTest, WrittenNumbersReadBack) {
  for (int i = 0; i < 2000; ++i) {
    // Walk across many magnitudes and mantissas, both signs.
    const double x = (i % 2 ? -1 : 1) * std::ldexp(1.0 + std::fmod(i * 0.6180339887498949, 1.0), (i * 7) % 1200 - 600);
    const double general = wl::StrToFloat(wl::FloatToStr(x));
    const double real = wl::StrToFloat(wl::FormatReal(x));
    EXPECT_LE(std::fabs(general - x), 5e-15 * std::fabs(x)) << wl::FloatToStr(x);
    EXPECT_LE(std::fabs(real - x), 5e-15 * std::fabs(x)) << wl::FormatReal(x);
  }
}

// Numbers never follow the user's locale, even when a program sets a decimal comma.
TEST(NumFmtTest, IgnoresTheCLocale) {
  const char* const commaLocales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"};
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  bool switched = false;
  for (const char* name : commaLocales)
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      switched = true;
      break;
    }
  if (!switched) GTEST_SKIP() << "no locale with a decimal comma installed";
  const double parsed = wl::StrToFloat("2.5");
  double rejected = 0;
  const bool commaAccepted = wl::TryStrToFloat("2,5", rejected);
  const std::string general = wl::FloatToStr(-1.25);
  const std::string fixed = wl::FormatFixed(1.25, 2);
  const std::string real = wl::FormatReal(180.0);
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(parsed, 2.5);
  EXPECT_FALSE(commaAccepted);
  EXPECT_EQ(general, "-1.25");
  EXPECT_EQ(fixed, "1.25");
  EXPECT_EQ(real, " 1.80000000000000E+0002");
}

}  // namespace

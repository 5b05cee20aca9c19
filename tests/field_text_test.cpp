// Reading and writing numbers in the fields: the lenient reading of the rules, the strict one
// of the buttons and the timer, and the one text form of every program write.
#include "astro/field_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace selvane {
namespace {

struct NumberCase {
  const char* text;
  double value;
};

TEST(FieldNumber, ReadsTheLeadingNumberLeniently) {
  const NumberCase cases[] = {
      {"", 0},        {"Text1", 0},     {"2024", 2024},   {"20 24", 2024}, {"\t7\n", 7},
      {"05", 5},      {"-3", -3},       {"+9", 9},        {"1E1", 10},     {"5E+1", 50},
      {"12e-1", 1.2}, {"5e", 5},        {"1998e+", 1998}, {"+-3", 0},      {"--5", 0},
      {"-", 0},       {".", 0},         {".5", 0.5},      {"-.5", -0.5},   {"12a", 12},
      {"1,5", 1},     {"4:30", 4},      {"17x1", 17},     {"inf", 0},      {"nan", 0},
      {"0x10", 0},    {"2032/2", 2032}, {"99.79", 99.79}, {"1 e 2", 100},  {"- 5", -5},
  };
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(FieldNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(FieldNumber, OverflowReadsAsTheLargestFiniteNumber) {
  EXPECT_EQ(FieldNumber("1e999"), DBL_MAX);
  EXPECT_EQ(FieldNumber("-1e999"), -DBL_MAX);
  EXPECT_EQ(FieldNumber(std::string(400, '9')), DBL_MAX);
  EXPECT_EQ(FieldNumber("1e-999"), 0.0);
}

TEST(StrictNumber, AcceptsOnlyAWholeNumberText) {
  EXPECT_EQ(StrictNumber(" 12 "), 12.0);
  EXPECT_EQ(StrictNumber("-5"), -5.0);
  EXPECT_EQ(StrictNumber("0.5"), 0.5);
  EXPECT_EQ(StrictNumber("1e2"), 100.0);
  for (const char* bad : {"", " ", "12a", "1 2", "1e", "abc", ".", "+-3", "Text1", "4:30"})
    EXPECT_FALSE(StrictNumber(bad).has_value()) << '"' << bad << '"';
}

TEST(FormatFieldNumber, WholeValuesAsPlainDigitsOthersWithFifteenDigits) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {0, "0"},
      {-0.0, "0"},
      {12, "12"},
      {-1, "-1"},
      {2025, "2025"},
      {0.5, "0.5"},
      {6.9, "6.9"},
      {1e20, "100000000000000000000"},
      {1e300, "1e+300"},
      {0.1 + 0.2, "0.3"},
      {9.709999999999994, "9.70999999999999"},
      {-0.5, "-0.5"},
      {DBL_MAX, "1.79769313486232e+308"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFieldNumber(c.value), c.text) << c.value;
}

TEST(FormatFieldNumber, ReadsBackToTheSameWholeNumber) {
  for (double v : {1.0, -59.0, 100000.0, 1234567890123.0, -99999999.0})
    EXPECT_EQ(FieldNumber(FormatFieldNumber(v)), v);
}

// The conversions replace printf and strtod in the C locale and must agree with them byte for
// byte and bit for bit (the expected results were written that way), denormals and huge
// magnitudes included.
TEST(NumberForms, AgreeWithTheCLibraryInTheCLocale) {
  std::mt19937_64 bits(9);
  std::uniform_real_distribution<double> uniform(-400, 400);
  for (int i = 0; i < 20000; ++i) {
    double v;
    const std::uint64_t b = bits();
    std::memcpy(&v, &b, sizeof v);
    if (!std::isfinite(v)) continue;
    if (i % 2) v = uniform(bits);  // ordinary magnitudes as well
    struct Form {
      const char* printf;
      bool fixed;
      int digits;
    };
    for (const Form f : {Form{"%.16f", true, 16}, Form{"%.11f", true, 11}, Form{"%.0f", true, 0},
                         Form{"%.15g", false, 15}, Form{"%.17g", false, 17}}) {
      char want[400], got[400];
      std::snprintf(want, sizeof want, f.printf, v);
      if (f.fixed) {
        FormatFixed(v, f.digits, got, sizeof got);
      } else {
        FormatGeneral(v, f.digits, got, sizeof got);
      }
      ASSERT_STREQ(got, want) << f.printf;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", v);
    const double back = FieldNumber(text);
    const double c = std::strtod(text, nullptr);
    ASSERT_EQ(std::memcmp(&back, &c, sizeof c), 0) << text;
  }
  for (const char* text : {"2.4703282292062328e-324", "1e-320", "1e-400", "-1e-400", "1e400"}) {
    const double want = std::strtod(text, nullptr);
    const double clamped = std::isinf(want) ? std::copysign(DBL_MAX, want) : want;
    EXPECT_EQ(FieldNumber(text), clamped) << text;
    EXPECT_EQ(std::signbit(FieldNumber(text)), std::signbit(want)) << text;
  }
  char cut[8];
  EXPECT_EQ(FormatFixed(123456.5, 2, cut, sizeof cut), 7u);  // as snprintf cuts
  EXPECT_STREQ(cut, "123456.");
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
  EXPECT_EQ(RoundHalfEven(65.5), 66);
}

}  // namespace
}  // namespace selvane

#include "db/float_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "testing/comma_locale.h"

namespace zararod {
namespace {

struct Case {
  double value;
  const char* comma;  // with "," as decimal separator
};

const Case kCases[] = {
    {0.0, "0"},
    {-0.0, "0"},
    {100.0, "100"},
    {12.5, "12,5"},
    {-0.5, "-0,5"},
    {0.1, "0,1"},                              // binary 0.1 rounds back to 15 digits
    {0.1 + 0.2, "0,3"},                        // 0.30000000000000004 at 15 digits
    {1.0 / 3.0, "0,333333333333333"},
    {0.0001, "0,0001"},                        // lowest plain magnitude
    {0.00001, "1E-5"},
    {0.000123, "0,000123"},
    {0.0000123, "1,23E-5"},
    {99999999.99, "99999999,99"},
    {-99999999.99, "-99999999,99"},
    {999999999999999.0, "999999999999999"},    // 15 digits: still plain
    {1e15, "1E15"},
    {9999999999999999.0, "1E16"},              // rounding carries into the exponent
    {1.5e20, "1,5E20"},
    {-2.5e-7, "-2,5E-7"},
    {123456789012345678.0, "1,23456789012346E17"},
    {0.00012345678901234567, "0,000123456789012346"},
};

void expectCases() {
  for (const Case& c : kCases) {
    EXPECT_EQ(FloatText(c.value, ','), c.comma) << c.value;
    std::string dotted = c.comma;
    for (char& ch : dotted)
      if (ch == ',') ch = '.';
    EXPECT_EQ(FloatText(c.value, '.'), dotted) << c.value;
  }
}

TEST(FloatTextTest, PlainAndScientificForms) { expectCases(); }

// The window's toolkit applies the user's locale to the C library, whose
// decimal point is then "," on the machines the program runs on; the texts
// must not change with it.
TEST(FloatTextTest, SameUnderALocaleWithACommaDecimalPoint) {
  const testing::CommaDecimalLocale locale;
  if (!locale.active()) GTEST_SKIP() << "no locale with a \",\" decimal point is installed";
  expectCases();
}

TEST(FloatTextTest, NonFiniteValues) {
  EXPECT_EQ(FloatText(std::numeric_limits<double>::quiet_NaN(), ','), "NAN");
  EXPECT_EQ(FloatText(std::numeric_limits<double>::infinity(), ','), "INF");
  EXPECT_EQ(FloatText(-std::numeric_limits<double>::infinity(), ','), "-INF");
}

}  // namespace
}  // namespace zararod

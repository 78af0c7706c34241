#include "util/date_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "util/format_settings.h"

namespace zararod {
namespace {

double at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return encodeDateTime({y, mo, d, h, mi, s, ms}).value();
}

TEST(DateTimeValueTest, KnownDays) {
  struct Case {
    int y, m, d;
    double value;
  };
  const Case cases[] = {{1899, 12, 30, 0},     {1899, 12, 31, 1},       {1900, 1, 1, 2},
                        {1899, 12, 29, -1},    {2024, 3, 7, 45358},     {1, 1, 1, -693593},
                        {9999, 12, 31, 2958465}, {2000, 2, 29, 36585}, {1980, 1, 1, 29221}};
  for (const Case& c : cases) {
    EXPECT_EQ(tryEncodeDate(c.y, c.m, c.d), c.value) << c.y << "-" << c.m << "-" << c.d;
    const auto parts = decodeDateTime(c.value);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->Year, c.y);
    EXPECT_EQ(parts->Month, c.m);
    EXPECT_EQ(parts->Day, c.d);
  }
}

TEST(DateTimeValueTest, EveryDayRoundTrips) {
  for (int day = -693593; day <= 2958465; day += 7) {
    const auto parts = decodeDateTime(day);
    ASSERT_TRUE(parts) << day;
    ASSERT_EQ(tryEncodeDate(parts->Year, parts->Month, parts->Day), double(day)) << day;
  }
}

TEST(DateTimeValueTest, InvalidDatesAndTimes) {
  EXPECT_FALSE(tryEncodeDate(2023, 2, 29));
  EXPECT_TRUE(tryEncodeDate(2024, 2, 29));
  EXPECT_FALSE(tryEncodeDate(1900, 2, 29));
  EXPECT_TRUE(tryEncodeDate(2000, 2, 29));
  EXPECT_FALSE(tryEncodeDate(2023, 2, 30));
  EXPECT_FALSE(tryEncodeDate(0, 1, 1));
  EXPECT_FALSE(tryEncodeDate(10000, 1, 1));
  EXPECT_FALSE(tryEncodeDate(2024, 13, 1));
  EXPECT_FALSE(tryEncodeDate(2024, 0, 1));
  EXPECT_FALSE(tryEncodeDate(2024, 4, 31));
  EXPECT_FALSE(tryEncodeDate(2024, 1, 0));
  EXPECT_EQ(tryEncodeTime(12, 0, 0), 0.5);
  EXPECT_FALSE(tryEncodeTime(24, 0, 0));
  EXPECT_FALSE(tryEncodeTime(0, 60, 0));
  EXPECT_FALSE(tryEncodeTime(0, 0, 60));
  EXPECT_FALSE(tryEncodeTime(0, 0, 0, 1000));
  EXPECT_FALSE(tryEncodeTime(-1, 0, 0));
}

TEST(DateTimeValueTest, TimeOfDayBeforeDayZeroCountsAwayFromZero) {
  EXPECT_EQ(at(1899, 12, 29, 6), -1.25);
  EXPECT_EQ(combineDateTime(-1, 0.25), -1.25);
  EXPECT_EQ(combineDateTime(2, 0.25), 2.25);
  const auto parts = decodeDateTime(-1.25);
  ASSERT_TRUE(parts);
  EXPECT_EQ(parts->Day, 29);
  EXPECT_EQ(parts->Hour, 6);
}

TEST(DateStrTest, FixedTextForms) {
  struct Case {
    double value;
    const char* date;
    const char* dateTime;
  };
  const Case cases[] = {
      {0, "1899-12-30", "1899-12-30 00:00:00"},
      {-1, "1899-12-29", "1899-12-29 00:00:00"},
      {at(1899, 12, 30, 14, 5), "1899-12-30", "1899-12-30 14:05:00"},
      {at(2024, 3, 7, 8, 9, 10), "2024-03-07", "2024-03-07 08:09:10"},
      {at(2026, 7, 29, 12, 10, 56), "2026-07-29", "2026-07-29 12:10:56"},
      {at(1, 1, 1), "0001-01-01", "0001-01-01 00:00:00"},
      {at(9999, 12, 31, 23, 59, 59, 999), "9999-12-31", "9999-12-31 23:59:59"},
      // Milliseconds are dropped, not rounded to the second...
      {at(2024, 3, 7, 12, 10, 56, 999), "2024-03-07", "2024-03-07 12:10:56"},
      // ...but the value is first taken to the nearest millisecond.
      {at(2024, 3, 7, 12, 10, 56, 999) + 0.6 / kMSecsPerDay, "2024-03-07", "2024-03-07 12:10:57"},
      {at(2024, 3, 7, 12, 10, 56, 999) + 0.4 / kMSecsPerDay, "2024-03-07", "2024-03-07 12:10:56"},
      {at(2024, 3, 7, 23, 59, 59, 999) + 0.6 / kMSecsPerDay, "2024-03-08", "2024-03-08 00:00:00"},
      // Outside the years 1 to 9999, or not a number.
      {-693594, "", ""},
      {2958466, "", ""},
      {1e300, "", ""},
      {std::numeric_limits<double>::quiet_NaN(), "", ""},
      {std::numeric_limits<double>::infinity(), "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DateStr(c.value), c.date) << c.value;
    EXPECT_EQ(DateTimeStr(c.value), c.dateTime) << c.value;
  }
}

TEST(DateStrTest, TimeSeparatorComesFromTheFormatSettings) {
  FormatSettings& settings = FormatSettingsOfProcess();
  const FormatSettings saved = settings;
  const double value = at(2024, 3, 7, 8, 9, 10);
  settings.TimeSeparator = '.';
  EXPECT_EQ(DateTimeStr(value), "2024-03-07 08.09.10");
  settings.TimeSeparator = '\0';
  EXPECT_EQ(DateTimeStr(value), "2024-03-07 080910");
  EXPECT_EQ(DateStr(value), "2024-03-07");
  settings = saved;
  EXPECT_EQ(DateTimeStr(value), "2024-03-07 08:09:10");
}

}  // namespace
}  // namespace zararod

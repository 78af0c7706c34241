#include "db/date_time_text.h"

#include <gtest/gtest.h>

#include <string>

#include "util/date_time.h"

namespace zararod {
namespace {

double at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return combineDateTime(*tryEncodeDate(year, month, day), *tryEncodeTime(hour, minute, second));
}

double timeOfDay(int hour, int minute, int second) { return *tryEncodeTime(hour, minute, second); }

struct Case {
  std::string text;
  double expected;
};

TEST(DateTimeTextTest, DateAndTimestampTexts) {
  const Case cases[] = {
      // ISO form.
      {"2024-03-07 08:09:10", at(2024, 3, 7, 8, 9, 10)},
      {"2024-03-07", at(2024, 3, 7)},
      {"2024-03-07 08:09:10.123456", at(2024, 3, 7, 8, 9, 10)},
      {"0000-00-00 00:00:00", 0},
      {"0000-00-00", 0},
      {"1899-12-30 00:00:00", 0},
      {"1899-12-29 06:00:00", -1.25},
      {"2023-02-30", 0},                             // impossible date
      {"2023-02-30 12:00:00", timeOfDay(12, 0, 0)},  // the time still counts
      {"2024-03-07 25:00:00", at(2024, 3, 7)},       // invalid time adds nothing
      {"2024-00-07 08:00:00", timeOfDay(8, 0, 0)},
      {"2024-03-07 8:9", at(2024, 3, 7)},  // too short for a time
      {"abcd-ef-gh", 0},
      // Compact form: four-digit year at 14 and 8 characters, two-digit else.
      {"20240307080910", at(2024, 3, 7, 8, 9, 10)},
      {"20240307", at(2024, 3, 7)},
      {"240307080910", at(24, 3, 7, 8, 9, 10)},
      {"240307", at(24, 3, 7)},
      {"2403", 0},  // no day
      {"00000000000000", 0},
      {"", 0},
      {"garbage", 0},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(dateTimeFromText(c.text), c.expected) << '"' << c.text << '"';
  }
}

TEST(DateTimeTextTest, TimeTexts) {
  const Case cases[] = {
      {"12:30:00", timeOfDay(12, 30, 0)},
      {"00:00:00", 0},
      {"23:59:59", timeOfDay(23, 59, 59)},
      {"24:00:00", 0},  // not a valid time of day
      {"2024-03-07 08:09:10", at(2024, 3, 7, 8, 9, 10)},
      {"12:30", 0},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(dateTimeFromTimeText(c.text), c.expected) << '"' << c.text << '"';
  }
  EXPECT_NEAR(dateTimeFromTimeText("12:30:00"), 0.5208333333, 1e-9);
}

}  // namespace
}  // namespace zararod

#include "util/date_time.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "util/format_settings.h"

namespace zararod {
namespace {

// Day 0 of the date-time values, 1899-12-30, counted from 1970-01-01.
constexpr std::int64_t kDayZeroFrom1970 = -25569;
// Whole-day values of 0001-01-01 and of the day after 9999-12-31.
constexpr double kFirstDay = -693593.0;
constexpr double kDayAfterLast = 2958466.0;
constexpr std::int64_t kMSecsPerDayInt = 86400000;

// Days since 1970-01-01 of a proleptic Gregorian date (Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

}  // namespace

bool isLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int daysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

std::optional<double> tryEncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > daysInMonth(year, month))
    return std::nullopt;
  return static_cast<double>(daysFromCivil(year, static_cast<unsigned>(month),
                                           static_cast<unsigned>(day)) -
                             kDayZeroFrom1970);
}

std::optional<double> tryEncodeTime(int hour, int minute, int second, int milliSecond) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      milliSecond < 0 || milliSecond > 999)
    return std::nullopt;
  const std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + milliSecond;
  return static_cast<double>(ms) / kMSecsPerDay;
}

double combineDateTime(double date, double time) {
  return date < 0 ? date - time : date + time;
}

std::optional<DateTimeParts> decodeDateTime(double value) {
  if (!(value > kFirstDay - 1.0 && value < kDayAfterLast)) return std::nullopt;  // NaN too
  const std::int64_t ms = std::llround(std::fabs(value) * kMSecsPerDay);
  const std::int64_t wholeDays = ms / kMSecsPerDayInt;
  const std::int64_t days = value < 0 ? -wholeDays : wholeDays;
  if (days < kFirstDay || days >= kDayAfterLast) return std::nullopt;
  DateTimeParts parts;
  civilFromDays(days + kDayZeroFrom1970, parts.Year, parts.Month, parts.Day);
  std::int64_t timeMs = ms % kMSecsPerDayInt;
  parts.MilliSecond = static_cast<int>(timeMs % 1000);
  timeMs /= 1000;
  parts.Second = static_cast<int>(timeMs % 60);
  timeMs /= 60;
  parts.Minute = static_cast<int>(timeMs % 60);
  parts.Hour = static_cast<int>(timeMs / 60);
  return parts;
}

std::optional<double> encodeDateTime(const DateTimeParts& parts) {
  const auto date = tryEncodeDate(parts.Year, parts.Month, parts.Day);
  const auto time = tryEncodeTime(parts.Hour, parts.Minute, parts.Second, parts.MilliSecond);
  if (!date || !time) return std::nullopt;
  return combineDateTime(*date, *time);
}

std::string DateStr(double Value) {
  const auto parts = decodeDateTime(Value);
  if (!parts) return {};
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", parts->Year, parts->Month, parts->Day);
  return text;
}

std::string DateTimeStr(double Value) {
  const auto parts = decodeDateTime(Value);
  if (!parts) return {};
  const char separator = FormatSettingsOfProcess().TimeSeparator;
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d", parts->Year, parts->Month,
                parts->Day, parts->Hour);
  std::string out = text;
  char two[4];
  for (int part : {parts->Minute, parts->Second}) {
    if (separator != '\0') out += separator;
    std::snprintf(two, sizeof two, "%02d", part);
    out += two;
  }
  return out;
}

}  // namespace zararod

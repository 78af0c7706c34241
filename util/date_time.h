// Date-time values and their two fixed text forms.
//
// A date-time value is a double counting days since 1899-12-30 00:00; its
// fraction is the time of day. The value 0 is 1899-12-30 00:00:00. Days before
// 1899-12-30 are negative, their time of day still counted as a positive
// fraction away from zero: 1899-12-29 06:00 is -1.25. Valid years are 1 to 9999.
// Nothing here throws apart from std::bad_alloc; invalid input gives an empty
// optional or the empty text.
#pragma once

#include <optional>
#include <string>

namespace zararod {

inline constexpr double kMSecsPerDay = 86400000.0;

// The value formatted "yyyy-mm-dd".
// A value outside the years 1 to 9999 (or not a number) gives the empty text.
std::string DateStr(double Value);

// The value formatted "yyyy-mm-dd hh:nn:ss": each ":" is the time separator of
// FormatSettingsOfProcess() (nothing when that separator is '\0'). The time of
// day is taken to the nearest millisecond and then shown in whole seconds, the
// milliseconds dropped. A value outside the years 1 to 9999 gives the empty
// text.
std::string DateTimeStr(double Value);

// The parts of a date-time value.
struct DateTimeParts {
  int Year = 1899;
  int Month = 12;
  int Day = 30;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int MilliSecond = 0;
};

bool isLeapYear(int year);
// Days of the month; 0 for a month outside 1 to 12.
int daysInMonth(int year, int month);

// The whole-day value of a date; nothing when the date is not valid
// (year 1 to 9999, month 1 to 12, day within the month).
std::optional<double> tryEncodeDate(int year, int month, int day);

// The fraction of the day of a time; nothing when not valid (hour 0 to 23,
// minute and second 0 to 59, millisecond 0 to 999).
std::optional<double> tryEncodeTime(int hour, int minute, int second,
                                    int milliSecond = 0);

// A date value with a time of day added: the time is added to a value at or
// above 0 and subtracted from a value below 0 (see above).
double combineDateTime(double date, double time);

// The parts of a value, taken to the nearest millisecond (a time of day that
// rounds up to 24:00 carries into the next day). Nothing when the value lies
// outside the years 1 to 9999 or is not a number.
std::optional<DateTimeParts> decodeDateTime(double value);

// The value of the given parts; nothing when date or time is not valid.
std::optional<double> encodeDateTime(const DateTimeParts& parts);

}  // namespace zararod

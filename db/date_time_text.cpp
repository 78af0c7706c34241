#include "db/date_time_text.h"

#include <optional>

#include "db/properties.h"

#include "util/date_time.h"

namespace zararod {
namespace {

// Characters `from` (1-based) to `from + count - 1` read as an integer; the
// part of the range inside the text only; 0 when that is not a number.
int field(std::string_view text, std::size_t from, std::size_t count) {
  if (from > text.size()) return 0;
  // At most four digits: always within int.
  return static_cast<int>(integerOfText(text.substr(from - 1, count)).value_or(0));
}

double withDate(int year, int month, int day) {
  if (year == 0 || month == 0 || day == 0) return 0;
  return tryEncodeDate(year, month, day).value_or(0);
}

double withTime(double value, int hours, int minutes, int seconds) {
  std::optional<double> time = tryEncodeTime(hours, minutes, seconds);
  return time ? combineDateTime(value, *time) : value;
}

double isoForm(std::string_view text) {
  double value = 0;
  if (text.size() > 9) {
    value = withDate(field(text, 1, 4), field(text, 6, 2), field(text, 9, 2));
    text = text.size() >= 12 ? text.substr(11, 8) : std::string_view();
  }
  if (text.size() > 7)
    value = withTime(value, field(text, 1, 2), field(text, 4, 2), field(text, 7, 2));
  return value;
}

double compactForm(std::string_view text) {
  const std::size_t length = text.size();
  const bool fullYear = length == 14 || length == 8;
  const int year = fullYear ? field(text, 1, 4) : field(text, 1, 2);
  // Positions below are those of the two-digit-year layout; a four-digit
  // year shifts every field by two.
  const std::size_t shift = fullYear ? 2 : 0;
  const std::size_t rest = length - shift;
  const int month = rest >= 3 ? field(text, 3 + shift, 2) : 0;
  const int day = rest > 4 ? field(text, 5 + shift, 2) : 0;
  const int hours = rest > 6 ? field(text, 7 + shift, 2) : 0;
  const int minutes = rest > 8 ? field(text, 9 + shift, 2) : 0;
  const int seconds = rest > 10 ? field(text, 11 + shift, 2) : 0;
  return withTime(withDate(year, month, day), hours, minutes, seconds);
}

bool isIsoDate(std::string_view text) {
  return text.size() >= 10 && text[4] == '-' && text[7] == '-';
}

bool hasIsoTime(std::string_view text) {
  for (std::size_t i = 0; i + 8 <= text.size(); ++i) {
    if (text[i + 2] == ':' && text[i + 5] == ':') return true;
  }
  return false;
}

}  // namespace

double dateTimeFromText(std::string_view text) {
  return isIsoDate(text) ? isoForm(text) : compactForm(text);
}

double dateTimeFromTimeText(std::string_view text) {
  return hasIsoTime(text) ? isoForm(text) : compactForm(text);
}

}  // namespace zararod

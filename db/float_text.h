// The text of a float field value.
//
// A double is rounded to 15 significant digits and written in plain decimal
// notation when its magnitude is 0, or from 0.0001 up to (not including) 1E15;
// otherwise in scientific notation ("1E-5", "1.5E20"). Trailing zeros of the
// fraction are dropped, no thousands separators are written, and the decimal
// separator is the one given (the process-wide one by default: "," on the
// machines the program runs on); the C library's locale plays no part.
// Not-a-number and infinities give "NAN", "INF" and "-INF". Throws only
// std::bad_alloc.
#pragma once

#include <charconv>
#include <string>

namespace zararod {

// The shortest text that reads back as `value` exactly, with "." as decimal
// separator whatever the locale: the numbers of SQL literals and of the
// caching result set's value texts. Number is an integer or floating type;
// 64 bytes hold the longest such text, so the fallback "" is never reached.
template <class Number>
std::string numberText(Number value) {
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return error == std::errc() ? std::string(buffer, end) : std::string();
}

std::string FloatText(double value, char decimalSeparator);

// Uses the decimal separator of FormatSettingsOfProcess().
std::string FloatText(double value);

}  // namespace zararod

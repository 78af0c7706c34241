#include "db/float_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "util/format_settings.h"

namespace zararod {

namespace {

constexpr int kSignificantDigits = 15;

}  // namespace

std::string FloatText(double value, char decimalSeparator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";  // also -0

  // Scientific form with 14 decimals rounds to 15 significant digits and
  // renormalises a carry (9.999...e14 becomes 1.00000000000000e+15), so the
  // exponent is the one of the rounded value. to_chars, unlike printf, never
  // takes the decimal point from the C library's locale.
  char buffer[40];
  const std::to_chars_result written = std::to_chars(
      buffer, buffer + sizeof buffer, value, std::chars_format::scientific, kSignificantDigits - 1);
  const std::string scientific(buffer, written.ptr);
  const bool negative = scientific[0] == '-';
  const std::size_t digitsStart = negative ? 1 : 0;
  const std::size_t ePos = scientific.find('e');
  std::string digits;  // the 15 significant digits, without the point
  for (std::size_t i = digitsStart; i < ePos; ++i)
    if (scientific[i] != '.') digits += scientific[i];
  const int exponent = std::atoi(scientific.c_str() + ePos + 1);  // value = d.ddd * 10^exponent
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string text = negative ? "-" : "";
  if (exponent >= -4 && exponent < kSignificantDigits) {
    if (exponent < 0) {
      text += '0';
      text += decimalSeparator;
      text.append(static_cast<std::size_t>(-exponent - 1), '0');
      text += digits;
    } else {
      const std::size_t integerDigits = static_cast<std::size_t>(exponent) + 1;
      if (digits.size() <= integerDigits) {
        text += digits;
        text.append(integerDigits - digits.size(), '0');
      } else {
        text.append(digits, 0, integerDigits);
        text += decimalSeparator;
        text.append(digits, integerDigits);
      }
    }
  } else {
    text += digits[0];
    if (digits.size() > 1) {
      text += decimalSeparator;
      text.append(digits, 1);
    }
    text += 'E';
    text += std::to_string(exponent);  // "-" only for negative exponents
  }
  return text;
}

std::string FloatText(double value) {
  return FloatText(value, FormatSettingsOfProcess().DecimalSeparator);
}

}  // namespace zararod

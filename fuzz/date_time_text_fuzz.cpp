// Date-time texts: any text the server may send reads as a finite value
// without failing, and a value read back through its parts and its text
// forms is consistent. The raw input bytes taken as a double (any value,
// NaN and infinities included) are formatted safely too.
#include <cmath>
#include <cstring>

#include "db/date_time_text.h"
#include "fuzz/fuzz_check.h"
#include "util/date_time.h"

using namespace zararod;

namespace {

void checkValue(double value) {
  const std::string date = DateStr(value);
  const std::string dateTime = DateTimeStr(value);
  const std::optional<DateTimeParts> parts = decodeDateTime(value);
  fuzz::require(parts.has_value() == !date.empty(), "a date text exactly for a decodable value");
  fuzz::require(date.empty() == dateTime.empty(), "both texts or neither");
  if (!parts) return;
  const std::optional<double> again = encodeDateTime(*parts);
  fuzz::require(again.has_value(), "decoded parts encode again");
  // A value between -1 and 0 is 1899-12-30 with its fraction as the time of
  // day, the same moment as its positive counterpart, which encoding gives.
  const double moment = value > -1 && value < 0 ? -value : value;
  // The parts are taken to the nearest millisecond.
  fuzz::require(std::fabs(*again - moment) <= 0.6 / kMSecsPerDay + std::fabs(value) * 1e-15,
                "decoded parts give back the value");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::string_view text = fuzz::textOf(data, size);
  for (const double value : {dateTimeFromText(text), dateTimeFromTimeText(text)}) {
    fuzz::require(std::isfinite(value), "a text reads as a finite value");
    checkValue(value);
  }
  if (size >= sizeof(double)) {
    double raw;
    std::memcpy(&raw, data, sizeof raw);
    checkValue(raw);
  }
  return 0;
}

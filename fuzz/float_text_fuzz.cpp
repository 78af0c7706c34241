// Float texts: a value text as the server sends it reads without failing,
// and the text of any double (the input bytes taken as one) is what its
// header promises: the value rounded to 15 significant digits, with the
// given decimal separator and no other; numberText reads back exactly.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "db/float_text.h"
#include "db/result_set_checks.h"
#include "fuzz/fuzz_check.h"

using namespace zararod;

namespace {

void checkDouble(double value) {
  const std::string exact = numberText(value);
  double back = 0;
  const auto [end, error] = std::from_chars(exact.data(), exact.data() + exact.size(), back);
  fuzz::require(error == std::errc() && end == exact.data() + exact.size(), "numberText reads back");
  fuzz::require(std::isnan(value) ? std::isnan(back) : back == value, "numberText is exact");

  std::string withComma = FloatText(value, ',');
  const std::string withPoint = FloatText(value, '.');
  fuzz::require(withComma.find('.') == std::string::npos, "no \".\" beside the separator");
  for (char& c : withComma) {
    if (c == ',') c = '.';
  }
  fuzz::require(withComma == withPoint, "only the separator differs");
  if (!std::isfinite(value)) return;
  char rounded[64];
  std::snprintf(rounded, sizeof rounded, "%.14e", value);
  fuzz::require(std::strtod(withPoint.c_str(), nullptr) == std::strtod(rounded, nullptr),
                "the text is the value to 15 significant digits");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const long double read = floatFromText(fuzz::textOf(data, size));
  fuzz::require(!std::isnan(read), "a value text reads as a number");
  checkDouble(static_cast<double>(read));
  if (size >= sizeof(double)) {
    double raw;
    std::memcpy(&raw, data, sizeof raw);
    checkDouble(raw);
  }
  return 0;
}

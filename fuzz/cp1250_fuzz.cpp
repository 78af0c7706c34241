// Code page 1250: every byte string survives the round trip through UTF-8
// and through UTF-16 unchanged; any UTF-8 input (malformed included) converts
// to at most one byte per input byte, and so does any UTF-16 input.
#include "fuzz/fuzz_check.h"
#include "util/cp1250.h"

using namespace zararod;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::string_view bytes = fuzz::textOf(data, size);
  fuzz::require(utf8ToCp1250(cp1250ToUtf8(bytes)) == bytes, "round trip through UTF-8");
  fuzz::require(utf16ToCp1250(cp1250ToUtf16(bytes)) == bytes, "round trip through UTF-16");

  const std::string fromUtf8 = utf8ToCp1250(bytes);
  fuzz::require(fromUtf8.size() <= bytes.size(), "one byte at most per UTF-8 byte");
  std::u16string units(size / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
  fuzz::require(utf16ToCp1250(units).size() <= units.size(), "one byte at most per UTF-16 unit");
  for (char c : bytes) {
    fuzz::require(unicodeToCp1250(cp1250ToUnicode(static_cast<unsigned char>(c))) == c,
                  "every byte has its character");
  }
  return 0;
}

// Code page 1250 and Unicode.
//
// Below the window every text is cp1250 bytes; the window converts at its
// boundary with these routines. The table covers all 256 bytes. The five
// bytes that cp1250 leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) map to the
// C1 control characters of the same number (U+0081 ...), and back, so that
// every byte string survives a round trip through Unicode unchanged.
//
// Converting back, a character that cp1250 cannot represent becomes "?"
// (one "?" per character, also for characters outside the basic plane);
// malformed UTF-8 or UTF-16 yields one "?" per bad unit. Nothing throws apart
// from std::bad_alloc.
#pragma once

#include <string>
#include <string_view>

namespace zararod {

// The Unicode character of one cp1250 byte.
char16_t cp1250ToUnicode(unsigned char byte);

// The cp1250 byte of one Unicode character, or '?' when it has none.
char unicodeToCp1250(char32_t character);

std::u16string cp1250ToUtf16(std::string_view bytes);
std::string utf16ToCp1250(std::u16string_view text);

std::string cp1250ToUtf8(std::string_view bytes);
std::string utf8ToCp1250(std::string_view text);

// Upper-case and lower-case forms of one cp1250 byte (accented letters
// included; bytes without a single-byte counterpart stay as they are).
char upperCp1250(char byte);
char lowerCp1250(char byte);

}  // namespace zararod

#include "util/cp1250.h"

#include <gtest/gtest.h>

#include <string>

namespace zararod {
namespace {

std::string allBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes;
}

TEST(Cp1250Test, EveryByteSurvivesARoundTrip) {
  const std::string bytes = allBytes();
  EXPECT_EQ(utf16ToCp1250(cp1250ToUtf16(bytes)), bytes);
  EXPECT_EQ(utf8ToCp1250(cp1250ToUtf8(bytes)), bytes);
  // and no two bytes share a character
  const std::u16string wide = cp1250ToUtf16(bytes);
  for (int a = 0; a < 256; ++a)
    for (int b = a + 1; b < 256; ++b) ASSERT_NE(wide[a], wide[b]) << a << " " << b;
}

TEST(Cp1250Test, KnownCharacters) {
  struct Case {
    unsigned char byte;
    char16_t unicode;
  };
  const Case cases[] = {{'A', u'A'},     {0x80, u'€'},    {0x8A, u'Š'},    {0x9A, u'š'},
                        {0x8E, u'Ž'},    {0xC8, u'Č'},    {0xE8, u'č'},    {0xD8, u'Ř'},
                        {0xF8, u'ř'},    {0xF9, u'ů'},    {0xA0, u'\u00A0'}, {0xFF, u'˙'},
                        {0x81, u'\u0081'}, {0x98, u'\u0098'}};
  for (const Case& c : cases) {
    EXPECT_EQ(cp1250ToUnicode(c.byte), c.unicode) << int(c.byte);
    EXPECT_EQ(unicodeToCp1250(c.unicode), static_cast<char>(c.byte)) << int(c.byte);
  }
  EXPECT_EQ(cp1250ToUtf8("P\xF8" "evod adres\xE1\xF8" "e "), "Převod adresáře ");
  EXPECT_EQ(utf8ToCp1250("nahrát Adresář"), "nahr\xE1t Adres\xE1\xF8");
}

TEST(Cp1250Test, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(utf8ToCp1250("a\xE2\x82\xAC" "b"), "a\x80" "b");   // € is in it
  EXPECT_EQ(utf8ToCp1250("Ω日"), "??");
  EXPECT_EQ(utf8ToCp1250("x😀y"), "x?y");
  EXPECT_EQ(utf16ToCp1250(u"x😀y"), "x?y");
  // Malformed UTF-8: truncated sequence, stray continuation, overlong form.
  EXPECT_EQ(utf8ToCp1250("a\xC3"), "a?");
  EXPECT_EQ(utf8ToCp1250("\x80" "b"), "?b");
  EXPECT_EQ(utf8ToCp1250("\xC0\xAF"), "?");
  EXPECT_EQ(utf16ToCp1250(std::u16string(1, char16_t(0xD800))), "?");  // lone surrogate
}

}  // namespace
}  // namespace zararod

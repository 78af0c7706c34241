#include "util/cp1250.h"

#include <array>
#include <cstdint>

namespace zararod {
namespace {

// Unicode of the bytes 0x80 to 0xFF; the bytes below 0x80 are ASCII. The
// undefined bytes 0x81, 0x83, 0x88, 0x90 and 0x98 keep their own number.
constexpr std::array<char16_t, 128> kHighHalf = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // F8
};

struct CaseTables {
  std::array<unsigned char, 256> upper{};
  std::array<unsigned char, 256> lower{};
};

// Lower-case letter and its capital, for the letters outside ASCII and
// outside the block 0xC0..0xDE / 0xE0..0xFE (where the two differ by 0x20).
constexpr std::array<std::pair<unsigned char, unsigned char>, 10> kOtherPairs = {{
    {0x9A, 0x8A},  // s caron
    {0x9C, 0x8C},  // s acute
    {0x9D, 0x8D},  // t caron
    {0x9E, 0x8E},  // z caron
    {0x9F, 0x8F},  // z acute
    {0xB3, 0xA3},  // l stroke
    {0xB9, 0xA5},  // a ogonek
    {0xBA, 0xAA},  // s cedilla
    {0xBE, 0xBC},  // l caron
    {0xBF, 0xAF},  // z dot
}};

constexpr CaseTables makeCaseTables() {
  CaseTables t;
  for (int b = 0; b < 256; ++b) {
    t.upper[b] = static_cast<unsigned char>(b);
    t.lower[b] = static_cast<unsigned char>(b);
  }
  auto pair = [&t](int small, int capital) {
    t.upper[small] = static_cast<unsigned char>(capital);
    t.lower[capital] = static_cast<unsigned char>(small);
  };
  for (int b = 'a'; b <= 'z'; ++b) pair(b, b - 0x20);
  // 0xF7 is the division sign and 0xD7 the multiplication sign; 0xDF (sharp
  // s) has no single capital and 0xFF is the dot above, not a letter.
  for (int b = 0xE0; b <= 0xFE; ++b)
    if (b != 0xF7) pair(b, b - 0x20);
  for (auto [small, capital] : kOtherPairs) pair(small, capital);
  return t;
}

constexpr CaseTables kCase = makeCaseTables();

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

char16_t cp1250ToUnicode(unsigned char byte) {
  return byte < 0x80 ? static_cast<char16_t>(byte) : kHighHalf[byte - 0x80];
}

char unicodeToCp1250(char32_t character) {
  if (character < 0x80) return static_cast<char>(character);
  for (std::size_t i = 0; i < kHighHalf.size(); ++i)
    if (kHighHalf[i] == character) return static_cast<char>(0x80 + i);
  return '?';
}

std::u16string cp1250ToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (char b : bytes) out += cp1250ToUnicode(static_cast<unsigned char>(b));
  return out;
}

std::string utf16ToCp1250(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    // A surrogate pair is one character that cp1250 cannot hold.
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF)
      ++i;
    out += unicodeToCp1250(c);
  }
  return out;
}

std::string cp1250ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char b : bytes) appendUtf8(out, cp1250ToUnicode(static_cast<unsigned char>(b)));
  return out;
}

std::string utf8ToCp1250(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, c = lead & 0x07, minimum = 0x10000;
    } else {
      out += '?';  // stray continuation byte or invalid lead byte
      ++i;
      continue;
    }
    int taken = 0;
    while (taken < extra && i + 1 + taken < n &&
           (static_cast<unsigned char>(text[i + 1 + taken]) & 0xC0) == 0x80) {
      c = (c << 6) | (static_cast<unsigned char>(text[i + 1 + taken]) & 0x3F);
      ++taken;
    }
    i += 1 + taken;
    if (taken < extra || c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
      out += '?';
    else
      out += unicodeToCp1250(c);
  }
  return out;
}

char upperCp1250(char byte) {
  return static_cast<char>(kCase.upper[static_cast<unsigned char>(byte)]);
}

char lowerCp1250(char byte) {
  return static_cast<char>(kCase.lower[static_cast<unsigned char>(byte)]);
}

}  // namespace zararod

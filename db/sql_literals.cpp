#include "db/sql_literals.h"

namespace zararod {

namespace {

bool needsHexUnderNoBackslashEscapes(std::string_view text) {
  for (char c : text) {
    if (c == '\0' || c == '\r' || c == '\n' || c == '\\') return true;
  }
  return false;
}

}  // namespace

std::string quoteLiteral(std::string_view text, bool noBackslashEscapes) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '\'';
  for (char c : text) {
    switch (c) {
      case '\'': out += "''"; break;
      case '\\': out += noBackslashEscapes ? "\\" : "\\\\"; break;
      case '\0': out += noBackslashEscapes ? std::string_view("\0", 1) : "\\0"; break;
      case '\r': out += noBackslashEscapes ? "\r" : "\\r"; break;
      case '\n': out += noBackslashEscapes ? "\n" : "\\n"; break;
      default: out += c;
    }
  }
  out += '\'';
  return out;
}

std::string hexLiteral(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2 + 3);
  out += "X'";
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 0xF];
  }
  out += '\'';
  return out;
}

std::string stringLiteral(std::string_view text, bool noBackslashEscapes) {
  if (noBackslashEscapes && needsHexUnderNoBackslashEscapes(text)) return hexLiteral(text);
  return quoteLiteral(text, noBackslashEscapes);
}

std::string binaryLiteral(std::string_view bytes, bool noBackslashEscapes) {
  if (noBackslashEscapes && needsHexUnderNoBackslashEscapes(bytes)) return hexLiteral(bytes);
  return "_binary" + quoteLiteral(bytes, noBackslashEscapes);
}

}  // namespace zararod

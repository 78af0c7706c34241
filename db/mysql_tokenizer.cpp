#include "db/mysql_tokenizer.h"

namespace zararod {
namespace {

using State = TZMySQLTokenizer::State;

constexpr bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr bool isLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool isLineBreak(unsigned char c) { return c == '\r' || c == '\n'; }
constexpr bool isHexDigit(unsigned char c) {
  return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
constexpr bool isOctalDigit(unsigned char c) { return c >= '0' && c <= '7'; }

// Bytes that continue a word once it has begun.
constexpr std::array<bool, 256> kWordChar = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 256; ++c) {
    const auto b = static_cast<unsigned char>(c);
    table[c] = isLetter(b) || isDigit(b) || b == '_' || b == '$' || b >= 0xC0;
  }
  return table;
}();

constexpr std::array<State, 256> kCharacterTable = [] {
  std::array<State, 256> table{};
  for (int c = 0; c < 256; ++c) {
    const auto b = static_cast<unsigned char>(c);
    if (b <= 0x20) {
      table[c] = State::Whitespace;
    } else if (isLetter(b) || b >= 0xC0 || b == '_' || b == '$') {
      table[c] = State::Word;
    } else if (isDigit(b) || b == '.') {
      table[c] = State::Number;
    } else if (b == '\'' || b == '"' || b == '`') {
      table[c] = State::Quote;
    } else if (b == '/' || b == '#' || b == '-') {
      table[c] = State::Comment;
    } else {
      table[c] = State::Symbol;
    }
  }
  return table;
}();

unsigned char at(std::string_view text, std::size_t i) { return static_cast<unsigned char>(text[i]); }

bool isKeyword(std::string_view word) {
  static constexpr std::string_view kKeywords[] = {"AND",  "OR",   "NOT",  "XOR",  "LIKE",
                                                   "IS",   "NULL", "TRUE", "FALSE"};
  if (word.size() < 2 || word.size() > 5) return false;
  char upper[5];
  for (std::size_t i = 0; i < word.size(); ++i) {
    const char c = word[i];
    upper[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  const std::string_view upperWord(upper, word.size());
  for (std::string_view keyword : kKeywords) {
    if (keyword == upperWord) return true;
  }
  return false;
}

TZRawToken readWhitespace(std::string_view text, std::size_t pos) {
  std::size_t i = pos + 1;
  while (i < text.size() && at(text, i) <= 0x20) ++i;
  return {pos, i, TZTokenType::ttWhitespace};
}

TZRawToken readWord(std::string_view text, std::size_t pos) {
  std::size_t i = pos + 1;
  while (i < text.size() && kWordChar[at(text, i)]) ++i;
  const bool keyword = isKeyword(text.substr(pos, i - pos));
  return {pos, i, keyword ? TZTokenType::ttKeyword : TZTokenType::ttWord};
}

TZRawToken readSymbol(std::string_view text, std::size_t pos) {
  if (pos + 1 < text.size()) {
    const char c = text[pos];
    const char next = text[pos + 1];
    if ((c == '<' && (next == '=' || next == '>' || next == '<')) ||
        (c == '>' && (next == '=' || next == '>')) || (c == ':' && next == '=')) {
      return {pos, pos + 2, TZTokenType::ttSymbol};
    }
  }
  return {pos, pos + 1, TZTokenType::ttSymbol};
}

TZRawToken readNumber(std::string_view text, std::size_t pos) {
  const std::size_t n = text.size();
  std::size_t i = pos + 1;
  bool isFloat = false;
  if (text[pos] != '.') {
    while (i < n && isDigit(at(text, i))) ++i;
    if (i < n && text[i] == '.') {
      isFloat = true;
      ++i;
      while (i < n && isDigit(at(text, i))) ++i;
    }
  } else {
    // A "." that is not followed by a digit is the symbol "."; an E after it
    // begins a word (a column name such as "e1" in "v.e1"), not an exponent.
    if (i == n || !isDigit(at(text, i))) return readSymbol(text, pos);
    isFloat = true;
    while (i < n && isDigit(at(text, i))) ++i;
  }
  if (i < n && (text[i] == 'E' || text[i] == 'e')) {
    isFloat = true;
    if (i + 1 < n && (text[i + 1] == '+' || text[i + 1] == '-' || isDigit(at(text, i + 1)))) {
      i += 2;
      while (i < n && isDigit(at(text, i))) ++i;
    }
  }
  if (i == pos + 1 && text[pos] == '0' && i < n && (text[i] == 'x' || text[i] == 'X')) {
    ++i;
    while (i < n && isHexDigit(at(text, i))) ++i;
    return {pos, i, TZTokenType::ttHexDecimal};
  }
  return {pos, i, isFloat ? TZTokenType::ttFloat : TZTokenType::ttInteger};
}

TZRawToken readQuoted(std::string_view text, std::size_t pos) {
  constexpr int kNone = -1;
  const int q = at(text, pos);
  int previous = kNone;
  std::size_t i = pos + 1;
  for (; i < text.size(); ++i) {
    const int b = at(text, i);
    if (previous == q && b != q) break;
    previous = (previous == '\\' || (previous == q && b == q)) ? kNone : b;
  }
  return {pos, i, q == '`' ? TZTokenType::ttQuotedIdentifier : TZTokenType::ttQuoted};
}

// A "#" or "--" comment whose body starts at `from`: the rest of the line with
// up to two line-break bytes.
TZRawToken readLineComment(std::string_view text, std::size_t pos, std::size_t from) {
  std::size_t i = text.find_first_of("\r\n", from);
  if (i == std::string_view::npos) return {pos, text.size(), TZTokenType::ttComment};
  ++i;
  if (i < text.size() && isLineBreak(at(text, i))) ++i;
  return {pos, i, TZTokenType::ttComment};
}

// Up to and including the first "*/" at or after `from`, or to the end.
std::size_t blockEnd(std::string_view text, std::size_t from) {
  const std::size_t close = text.find("*/", from);
  return close == std::string_view::npos ? text.size() : close + 2;
}

TZRawToken readComment(std::string_view text, std::size_t pos) {
  const std::size_t n = text.size();
  const char c = text[pos];
  if (c == '#') return readLineComment(text, pos, pos + 1);
  if (c == '-') {
    if (pos + 1 < n && text[pos + 1] == '-') return readLineComment(text, pos, pos + 2);
    return readSymbol(text, pos);
  }
  // "/"
  if (pos + 1 >= n || text[pos + 1] != '*') return readSymbol(text, pos);
  if (pos + 2 >= n) return {pos, n, TZTokenType::ttComment};
  if (text[pos + 2] == '!') return {pos, blockEnd(text, pos + 3), TZTokenType::ttSymbol};
  return {pos, blockEnd(text, pos + 2), TZTokenType::ttComment};
}

}  // namespace

TZMySQLTokenizer::TZMySQLTokenizer() : table_(kCharacterTable) {}

TZRawToken TZMySQLTokenizer::ReadToken(std::string_view text, std::size_t pos) const {
  switch (table_[at(text, pos)]) {
    case State::Whitespace:
      return readWhitespace(text, pos);
    case State::Word:
      return readWord(text, pos);
    case State::Number:
      return readNumber(text, pos);
    case State::Quote:
      return readQuoted(text, pos);
    case State::Comment:
      return readComment(text, pos);
    case State::Symbol:
      break;
  }
  return readSymbol(text, pos);
}

std::string TZMySQLTokenizer::DecodeString(std::string_view text, char quote) const {
  if (text.size() <= 1 || text.front() != quote || text.back() != quote) return std::string(text);
  const std::string_view inner = text.substr(1, text.size() - 2);
  std::string result;
  result.reserve(inner.size());
  for (std::size_t i = 0; i < inner.size(); ++i) {
    if (inner[i] != '\\' || i + 1 == inner.size()) {
      result += inner[i];
      continue;
    }
    const char next = inner[++i];
    if (next == 'n') {
      result += '\n';
    } else if (next == 'r') {
      result += '\r';
    } else if (next == 't') {
      result += '\t';
    } else if (i + 2 < inner.size() && isOctalDigit(at(inner, i)) && isOctalDigit(at(inner, i + 1)) &&
               isOctalDigit(at(inner, i + 2))) {
      const int value = (inner[i] - '0') * 64 + (inner[i + 1] - '0') * 8 + (inner[i + 2] - '0');
      result += static_cast<char>(value & 0xFF);
      i += 2;
    } else {
      result += next;
    }
  }
  return result;
}

const IZTokenizer& SharedMySQLTokenizer() {
  static const TZMySQLTokenizer instance;
  return instance;
}

}  // namespace zararod

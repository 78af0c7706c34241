#include "db/sql_literals.h"

#include <gtest/gtest.h>

#include <string>

namespace zararod {
namespace {

using namespace std::string_literals;

struct LiteralCase {
  std::string text;
  bool noBackslashEscapes;
  std::string literal;
};

TEST(SqlLiteralsTest, QuoteEscapesWhatTheServerWouldReadAsEscapesOrLineBreaks) {
  const LiteralCase cases[] = {
      {"O'Neil", false, "'O''Neil'"},
      {"C:\\temp\\", false, "'C:\\\\temp\\\\'"},
      {"a\0b"s, false, "'a\\0b'"},
      {"1\r\n2\n3\r", false, "'1\\r\\n2\\n3\\r'"},
      {"; : ? \" `", false, "'; : ? \" `'"},
      {"\xE8\x9E", false, "'\xE8\x9E'"},
      {"", false, "''"},
      // Under NO_BACKSLASH_ESCAPES doubling the quote is the only escape.
      {"O'Neil C:\\x\n", true, "'O''Neil C:\\x\n'"},
  };
  for (const LiteralCase& c : cases) {
    EXPECT_EQ(quoteLiteral(c.text, c.noBackslashEscapes), c.literal) << c.text;
  }
}

TEST(SqlLiteralsTest, StringLiteralTurnsToHexOnlyWhereNoQuotedLiteralCarriesTheBytes) {
  const LiteralCase cases[] = {
      {"K9 ", false, "'K9 '"},
      {"a\\b", false, "'a\\\\b'"},
      {"O'Neil", true, "'O''Neil'"},
      {"a\\b", true, "X'615C62'"},
      {"\0\r\n\xFF"s, true, "X'000D0AFF'"},
  };
  for (const LiteralCase& c : cases) {
    EXPECT_EQ(stringLiteral(c.text, c.noBackslashEscapes), c.literal) << c.text;
  }
  EXPECT_EQ(hexLiteral(""), "X''");
}

TEST(SqlLiteralsTest, BinaryLiteralKeepsTheBytesUnderEitherMode) {
  EXPECT_EQ(binaryLiteral("K9 ", false), "_binary'K9 '");
  EXPECT_EQ(binaryLiteral("O'N\\", false), "_binary'O''N\\\\'");
  EXPECT_EQ(binaryLiteral("O'N", true), "_binary'O''N'");
  EXPECT_EQ(binaryLiteral("a\\b", true), "X'615C62'");
}

}  // namespace
}  // namespace zararod

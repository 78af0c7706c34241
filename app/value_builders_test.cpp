#include "app/value_builders.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zararod {
namespace {

using namespace std::string_literals;

TEST(SameDecimalValueTest, ComparesExactValues) {
  struct Case {
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {"12.5", "12.50", true},     {"-0.5", "-.5", true},     {"1E-5", "0.00001", true},
      {"1.5E20", "150000000000000000000", true},  {"0", "-0.00", true},
      {"100", "1e2", true},        {"99999999.99", "99999999.99", true},
      {"12.5", "12.51", false},    {"-1", "1", false},
      {"1234567890123460000", "1234567890123456789", false},
      {"0.3", "0.30000000000000004", false},
      {"", "0", false},            {"1,5", "1.5", false},     {"1E", "1", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sameDecimalValue(c.a, c.b), c.same) << c.a << " vs " << c.b;
  }
}

FieldReading reading(TFieldType kind, std::optional<std::string> serverText,
                     std::string text = "", bool isNull = false, double dateTime = 0) {
  FieldReading r;
  r.kind = kind;
  r.serverText = std::move(serverText);
  r.isNull = isNull || !r.serverText;
  r.text = std::move(text);
  r.dateTime = dateTime;
  return r;
}

TEST(ValueLiteralTest, WritesTheValueTheSendingServerHolds) {
  const std::nullopt_t null = std::nullopt;
  struct Case {
    const char* what;
    FieldReading value;
    const char* receivingType;
    std::string literal;
  } cases[] = {
      {"text", reading(ftString, "O'Neil", "O'Neil"), "varchar", "'O''Neil'"},
      {"text with a zero byte", reading(ftString, "a\0b"s, "a"), "varchar", "'a\\0b'"},
      {"null text", reading(ftString, null), "varchar", "''"},
      {"null in an ENUM", reading(ftString, null), "enum", "NULL"},
      {"integer", reading(ftInteger, "-5", "-5"), "int", "'-5'"},
      {"null integer", reading(ftSmallint, null), "smallint", "'0'"},
      {"BIGINT", reading(ftLargeint, "9223372036854775807", "9223372036854775807"), "bigint",
       "'9223372036854775807'"},
      {"null BIGINT", reading(ftLargeint, null), "bigint", "'0'"},
      {"YEAR 0000", reading(ftSmallint, "0000", "0"), "year", "'0000'"},
      {"null YEAR", reading(ftSmallint, null), "year", "NULL"},
      {"float, decimal comma", reading(ftFloat, "12.50", "12,5"), "decimal", "'12.5'"},
      {"float in scientific notation", reading(ftFloat, "1e-5", "1E-5"), "double", "'1E-5'"},
      {"float needing 17 digits", reading(ftFloat, "0.30000000000000004", "0,3"), "double",
       "'0.30000000000000004'"},
      {"null float", reading(ftFloat, null), "decimal", "'0'"},
      {"null DOUBLE UNSIGNED", reading(ftFloat, null), "double unsigned", "'0'"},
      {"true", reading(ftBoolean, "Y"), "enum", "'Y'"},
      {"false", reading(ftBoolean, "N"), "enum", "'N'"},
      {"null truth value", reading(ftBoolean, null), "enum", "'N'"},
      {"date", reading(ftDate, "2024-03-07", "", false, 45358), "date", "'2024-03-07'"},
      {"null date", reading(ftDate, null), "date", "'1900-01-01'"},
      {"the day before the zero date", reading(ftDate, "1899-12-29", "", false, -1), "date",
       "'1899-12-29'"},
      {"zero date", reading(ftDate, "0000-00-00", "", true), "date", "'1900-01-01'"},
      {"date-time", reading(ftDateTime, "2024-03-07 08:09:10", "", false, 45358.33970),
       "datetime", "'2024-03-07 08:09:10'"},
      {"fractional seconds", reading(ftDateTime, "2024-03-07 08:09:10.250", "", false, 45358.3397),
       "datetime", "'2024-03-07 08:09:10.250'"},
      {"1899-12-30 at 14:05", reading(ftDateTime, "1899-12-30 14:05:00", "", false, 0.5868),
       "datetime", "'1900-01-01'"},
      {"zero TIMESTAMP", reading(ftDateTime, "0000-00-00 00:00:00", "", true), "timestamp",
       "'0000-00-00 00:00:00'"},
      {"null TIMESTAMP", reading(ftDateTime, null), "timestamp", "NULL"},
      {"time beyond 24 hours", reading(ftTime, "36:15:00"), "time", "'36:15:00'"},
      {"zero time", reading(ftTime, "00:00:00", "", true), "time", "'00:00:00'"},
      {"null time", reading(ftTime, null), "time", "'00:00:00'"},
      {"TEXT", reading(ftMemo, "a;b\r\nc"), "text", "'a;b\\r\\nc'"},
      {"BLOB", reading(ftBlob, "\0\xFF\\"s), "blob", "'\\0\xFF\\\\'"},
      {"null BLOB", reading(ftBlob, null), "blob", "''"},
      {"null BINARY", reading(ftBytes, null), "binary", "NULL"},
      {"unknown receiving type keeps the convention", reading(ftDateTime, null), "",
       "'1900-01-01'"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(valueLiteral(c.value, c.receivingType, false), c.literal) << c.what;
  }
}

TEST(ValueLiteralTest, WritesTextThatNoQuotedLiteralCarriesAsHexUnderNoBackslashEscapes) {
  EXPECT_EQ(valueLiteral(reading(ftString, "C:\\x"), "varchar", true), "X'433A5C78'");
  EXPECT_EQ(valueLiteral(reading(ftMemo, "a\nb"), "text", true), "X'610A62'");
  EXPECT_EQ(valueLiteral(reading(ftString, "O'Neil"), "varchar", true), "'O''Neil'");
}

}  // namespace
}  // namespace zararod

#include "db/result_set_checks.h"

#include <gtest/gtest.h>

#include <string>

#include "db/db_exceptions.h"
#include "db/properties.h"

namespace zararod {
namespace {

std::string conversionError(int column, TZSQLType from, TZSQLType to) {
  try {
    checkConvertible(column, from, to);
  } catch (const EZSQLException& e) {
    return e.Message();
  }
  return "";
}

TEST(ResultSetChecksTest, ConversionTable) {
  struct Case {
    TZSQLType from, to;
    bool allowed;
  };
  const Case cases[] = {
      {stString, stInteger, true},
      {stUnicodeString, stBoolean, true},
      {stBytes, stInteger, false},
      {stDate, stDouble, false},
      {stBinaryStream, stString, true},
      {stTimestamp, stString, true},
      {stAsciiStream, stBytes, true},
      {stInteger, stBytes, false},
      {stTimestamp, stDate, true},
      {stTime, stDate, false},
      {stTimestamp, stTime, true},
      {stDate, stTime, false},
      {stTime, stTimestamp, true},
      {stInteger, stTimestamp, false},
      {stString, stTimestamp, true},
      {stAsciiStream, stAsciiStream, true},
      {stAsciiStream, stBinaryStream, false},
      {stString, stBinaryStream, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(conversionError(1, c.from, c.to).empty(), c.allowed)
        << SQLTypeName(c.from) << " -> " << SQLTypeName(c.to);
  }
  EXPECT_EQ(conversionError(3, stDate, stDouble),
            "Convertion is not possible for column 3 from Date to Double");
}

TEST(ResultSetChecksTest, ColumnIndexAndKindNames) {
  EXPECT_NO_THROW(checkColumnIndex(1, 1));
  for (int bad : {0, 2, -1}) {
    try {
      checkColumnIndex(bad, 1);
      ADD_FAILURE() << bad;
    } catch (const EZSQLException& e) {
      EXPECT_EQ(e.Message(), "Column with index " + std::to_string(bad) + " is not accessable");
    }
  }
  EXPECT_EQ(SQLTypeName(stBigDecimal), "BigDecimal");
  EXPECT_EQ(SQLTypeName(stBinaryStream), "BinaryStream");
  EXPECT_EQ(SQLTypeName(static_cast<TZSQLType>(42)), "Unknown");
}

TEST(ResultSetChecksTest, NumbersFromValueTexts) {
  EXPECT_EQ(integerFromText("-5"), -5);
  EXPECT_EQ(integerFromText("+7"), 7);
  EXPECT_EQ(integerFromText("9223372036854775807"), INT64_MAX);
  for (const char* notANumber :
       {"", "12a", " 1", "1.5", "99999999999999999999", "+", "-", "+-1", "-+1", "++1", "--1"}) {
    EXPECT_EQ(integerFromText(notANumber), 0) << notANumber;
    EXPECT_EQ(integerOfText(notANumber), std::nullopt) << notANumber;
  }
  EXPECT_EQ(floatFromText("12.50"), 12.5L);
  EXPECT_EQ(floatFromText("$3.25"), 3.25L);
  EXPECT_EQ(floatFromText("-1.5e3"), -1500.0L);
  EXPECT_EQ(floatFromText(".5"), 0.5L);
  for (const char* notANumber : {"", "12,5", "abc", "1e", "inf", "nan", " 1", "1.2.3"}) {
    EXPECT_EQ(floatFromText(notANumber), 0.0L) << notANumber;
  }
}

TEST(PropertiesTest, LookupAndTruth) {
  const TZProperties properties = {"codepage=cp1250", "CODEPAGE=latin2", "timeout=5",
                                   "empty=", "noequals"};
  EXPECT_EQ(findProperty(properties, "CodePage"), "cp1250");  // first line wins
  EXPECT_EQ(findProperty(properties, "empty"), "");
  EXPECT_EQ(findProperty(properties, "noequals"), std::nullopt);
  EXPECT_EQ(propertyOr(properties, "missing", "x"), "x");
  for (const char* yes : {"Y", "yes", "t", "True", "1", "-3"}) EXPECT_TRUE(isTrueText(yes)) << yes;
  for (const char* no : {"", "N", "no", "false", "0", "2x", "on", "+-1"})
    EXPECT_FALSE(isTrueText(no)) << no;
  EXPECT_TRUE(isTrueProperty(properties, "TIMEOUT"));
  EXPECT_FALSE(isTrueProperty(properties, "missing"));
}

}  // namespace
}  // namespace zararod

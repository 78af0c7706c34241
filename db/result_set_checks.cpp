#include "db/result_set_checks.h"

#include <string>

#include "db/db_exceptions.h"
#include "db/properties.h"
#include "util/platform.h"

namespace zararod {
namespace {

bool isText(TZSQLType type) { return type == stString || type == stUnicodeString; }

bool convertible(TZSQLType from, TZSQLType to) {
  switch (to) {
    case stBoolean:
    case stByte:
    case stShort:
    case stInteger:
    case stLong:
    case stFloat:
    case stDouble:
    case stBigDecimal:
      return from >= stBoolean && from <= stUnicodeString;
    case stString:
    case stUnicodeString:
      return true;
    case stBytes:
      return isText(from) || from == stBytes || isStreamType(from);
    case stDate:
      return isText(from) || from == stDate || from == stTimestamp;
    case stTime:
      return isText(from) || from == stTime || from == stTimestamp;
    case stTimestamp:
      return isText(from) || from == stDate || from == stTime || from == stTimestamp;
    case stAsciiStream:
    case stUnicodeStream:
    case stBinaryStream:
      return from == to;
    case stUnknown:
      break;
  }
  return false;
}

}  // namespace

void throwClosedDataset() { throw EZSQLException("Operation is not allowed for closed dataset"); }

void throwNoRowData() { throw EZSQLException("Row data is not available"); }

void checkColumnIndex(int column, int columnCount) {
  if (column >= 1 && column <= columnCount) return;
  throw EZSQLException("Column with index " + std::to_string(column) + " is not accessable");
}

void checkConvertible(int column, TZSQLType from, TZSQLType to) {
  if (convertible(from, to)) return;
  throw EZSQLException("Convertion is not possible for column " + std::to_string(column) +
                       " from " + std::string(SQLTypeName(from)) + " to " +
                       std::string(SQLTypeName(to)));
}

std::int64_t integerFromText(std::string_view text) { return integerOfText(text).value_or(0); }

long double floatFromText(std::string_view text) {
  if (!text.empty() && text.front() == '$') text.remove_prefix(1);
  // Digits, one ".", an exponent: nothing else (no blanks, no hex, no inf).
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t exponentDigits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++exponentDigits;
    if (exponentDigits == 0) return 0;
  }
  if (i != text.size()) return 0;
  return readLongDouble(text);
}

}  // namespace zararod

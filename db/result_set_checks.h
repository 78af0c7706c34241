// Checks and value conversions shared by the result sets.
#pragma once

#include <cstdint>
#include <string_view>

#include "db/sql_types.h"

namespace zararod {

// Throws EZSQLException "Operation is not allowed for closed dataset".
[[noreturn]] void throwClosedDataset();
// Throws EZSQLException "Row data is not available".
[[noreturn]] void throwNoRowData();

// Throws EZSQLException "Column with index %d is not accessable" unless
// 1 <= column <= columnCount.
void checkColumnIndex(int column, int columnCount);

// Throws EZSQLException "Convertion is not possible for column %d from %s to
// %s" unless a column of kind `from` can be read as `to`:
//   truth values and numbers  from stBoolean to stUnicodeString
//   text                      from every kind
//   bytes                     from text, bytes and stream kinds
//   date                      from text, stDate, stTimestamp
//   time                      from text, stTime, stTimestamp
//   timestamp                 from text, stDate, stTime, stTimestamp
//   a stream kind             from that stream kind only
void checkConvertible(int column, TZSQLType from, TZSQLType to);

// A value text read as a decimal integer (optional sign); 0 when it is not
// one (including a number out of range).
std::int64_t integerFromText(std::string_view text);
// A value text read as a decimal number with "." as decimal separator and an
// optional exponent, a leading "$" dropped; 0 when it is not one.
long double floatFromText(std::string_view text);

}  // namespace zararod

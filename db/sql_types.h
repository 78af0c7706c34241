// Column kinds of the database layer and the result-set options that go with
// them.
//
// TZSQLType is the kind of a result column or statement parameter. Its
// numbering is fixed: the column metadata stores kinds as their numbers and
// the field layer maps them to field kinds.
#pragma once

#include <string_view>

namespace zararod {

enum TZSQLType : int {
  stUnknown = 0,
  stBoolean = 1,
  stByte = 2,
  stShort = 3,
  stInteger = 4,
  stLong = 5,
  stFloat = 6,
  stDouble = 7,
  stBigDecimal = 8,
  stString = 9,
  stUnicodeString = 10,
  stBytes = 11,
  stDate = 12,
  stTime = 13,
  stTimestamp = 14,
  stAsciiStream = 15,
  stUnicodeStream = 16,
  stBinaryStream = 17,
};

// The kind's name as conversion errors write it ("Boolean", "Byte", …,
// "BinaryStream"); "Unknown" for stUnknown and any value out of range.
constexpr std::string_view SQLTypeName(TZSQLType type) {
  constexpr std::string_view kNames[] = {
      "Unknown", "Boolean", "Byte",       "Short",       "Integer",       "Long",
      "Float",   "Double",  "BigDecimal", "String",      "UnicodeString", "Bytes",
      "Date",    "Time",    "Timestamp",  "AsciiStream", "UnicodeStream", "BinaryStream"};
  return type >= stUnknown && type <= stBinaryStream ? kNames[type] : kNames[0];
}

constexpr bool isStreamType(TZSQLType type) {
  return type == stAsciiStream || type == stUnicodeStream || type == stBinaryStream;
}

// Whether a result set may be changed through (updatable results are always
// served by the caching result set).
enum TZResultSetConcurrency { rcReadOnly, rcUpdatable };

// Whether a result set is read forward only or may move to any row.
enum TZResultSetType { rtForwardOnly, rtScrollable };

// Nullability of a result column.
enum TZColumnNullableType { ntNoNulls, ntNullable, ntNullableUnknown };

}  // namespace zararod

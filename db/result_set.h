// IZResultSet: the rows of one statement result, read through typed readers.
//
// Two implementations: TZMySQLResultSet (db/mysql_result_set.h) reads the
// client library's result directly; TZCachedResultSet
// (db/cached_result_set.h) copies its rows into typed storage and is what
// queries read from.
//
// Rows and columns count from 1. Row 0 is "before the first row". Readers take
// a column position and read the current row; afterwards WasNull() tells
// whether the value was null (the reader then gives 0, false or empty).
//
// Errors (all EZSQLException):
//   "Operation is not allowed for closed dataset"  any reader after Close()
//   "Column with index %d is not accessable"       position outside 1..count
//   "Convertion is not possible for column %d from %s to %s"
//   "Row data is not available"                    no current row
// Date-time values are days since 1899-12-30 00:00, the fraction being the
// time of day.
#pragma once

#include <cstdint>
#include <string>

#include "db/column_info.h"
#include "db/sql_types.h"

namespace zararod {

class IZResultSet {
 public:
  virtual ~IZResultSet() = default;

  // Moves to the following row; false (staying after the last row) at the end.
  virtual bool Next() = 0;
  // Moves to row `row` (from 1); false when there is no such row.
  virtual bool MoveAbsolute(int row) = 0;
  // Current row number; 0 before the first row.
  virtual int GetRow() const = 0;
  virtual bool IsBeforeFirst() const = 0;
  virtual bool IsAfterLast() const = 0;

  // Releases the rows and the client library's result. Idempotent.
  virtual void Close() = 0;
  virtual bool IsClosed() const = 0;

  virtual TZResultSetConcurrency GetConcurrency() const = 0;
  virtual TZResultSetType GetType() const = 0;

  // Column descriptions (kinds already corrected).
  virtual const TZColumnInfos& GetColumnsInfo() const = 0;
  int GetColumnCount() const { return static_cast<int>(GetColumnsInfo().size()); }

  // Whether the last reader met a null.
  virtual bool WasNull() const = 0;

  virtual bool GetBoolean(int column) = 0;
  virtual std::int8_t GetByte(int column) = 0;
  virtual std::int16_t GetShort(int column) = 0;
  virtual std::int32_t GetInt(int column) = 0;
  virtual std::int64_t GetLong(int column) = 0;
  virtual float GetFloat(int column) = 0;
  virtual double GetDouble(int column) = 0;
  virtual long double GetBigDecimal(int column) = 0;
  // The text up to its first zero byte.
  virtual std::string GetString(int column) = 0;
  // The text with its exact length (zero bytes included).
  virtual std::string GetStringWithLength(int column) = 0;
  virtual std::string GetBytes(int column) = 0;
  virtual double GetDate(int column) = 0;
  virtual double GetTime(int column) = 0;
  virtual double GetTimestamp(int column) = 0;
  // The value's bytes as a blob; empty with WasNull() for a null value.
  virtual std::string GetBlob(int column) = 0;
};

}  // namespace zararod

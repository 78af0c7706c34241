// TZMySQLResultSet: the rows of one client library result, read as texts and
// converted to typed values.
//
// Opening (the constructor) obtains the result (mysql_store_result, or
// mysql_use_result when `useResult`), describes every column from its field
// description (kind by field type and flags; label = the field name as
// reported), and then runs the live connection's column-kind corrector once,
// if it has one. Nothing reads a kind before that. A stored result leaves no
// further result pending on the handle (TZMySQLConnection::DiscardMoreResults).
//
// Readers convert the current row's text: numbers with "." as decimal
// separator (a leading "$" dropped; 0 when not a number), truth values from
// "Y", "YES", "T", "TRUE" or a non-zero integer, dates and times by the
// date-time text rules (db/date_time_text.h) with zero dates read as null.
//
// Owns the client result (freed by Close or destruction). REQUIRES: the live
// connection outlives the result set; with `useResult` no other statement
// runs on the handle until this result set is closed.
#pragma once

#include <mysql.h>

#include <cstdint>
#include <string>

#include "db/column_info.h"
#include "db/mysql_handle.h"
#include "db/result_set.h"

namespace zararod {

class TZMySQLConnection;

class TZMySQLResultSet : public IZResultSet {
 public:
  // Throws EZSQLException "Cannot retrieve Resultset data" when the client
  // library returns no result, Exception "Unknown MySQL data type!" for a
  // field type code it does not know, EZSQLException "SQL Error: …" when a
  // result pending after a stored one reports a failure, and whatever the
  // corrector throws.
  TZMySQLResultSet(TZMySQLConnection& connection, std::string sql, bool useResult,
                   TZResultSetConcurrency concurrency = rcReadOnly,
                   TZResultSetType type = rtForwardOnly);
  ~TZMySQLResultSet() override;

  bool Next() override;
  // Stored results only (false for a result read with mysql_use_result).
  bool MoveAbsolute(int row) override;
  int GetRow() const override { return row_; }
  bool IsBeforeFirst() const override { return row_ == 0; }
  bool IsAfterLast() const override { return afterLast_; }
  void Close() override;
  bool IsClosed() const override { return !result_; }
  TZResultSetConcurrency GetConcurrency() const override { return concurrency_; }
  TZResultSetType GetType() const override { return type_; }
  const TZColumnInfos& GetColumnsInfo() const override { return columns_; }
  bool WasNull() const override { return wasNull_; }

  // Rows in the result (mysql_num_rows); 0 for a result read with
  // mysql_use_result until its rows are read.
  std::int64_t RowCount() const { return rowCount_; }
  const std::string& SQL() const { return sql_; }

  bool GetBoolean(int column) override;
  std::int8_t GetByte(int column) override;
  std::int16_t GetShort(int column) override;
  std::int32_t GetInt(int column) override;
  std::int64_t GetLong(int column) override;
  float GetFloat(int column) override;
  double GetDouble(int column) override;
  long double GetBigDecimal(int column) override;
  std::string GetString(int column) override;
  std::string GetStringWithLength(int column) override;
  std::string GetBytes(int column) override;
  double GetDate(int column) override;
  double GetTime(int column) override;
  double GetTimestamp(int column) override;
  std::string GetBlob(int column) override;

 private:
  // Checks the result set is open, the position is valid and the column can
  // be read as `asked`; returns the value text of the current row (null when
  // the value is NULL) and sets the was-null mark.
  const char* text(int column, TZSQLType asked, unsigned long* length = nullptr);

  std::string sql_;
  bool useResult_;
  TZResultSetConcurrency concurrency_;
  TZResultSetType type_;
  MySQLResult result_;
  TZColumnInfos columns_;
  MYSQL_ROW currentRow_ = nullptr;
  unsigned long* lengths_ = nullptr;
  int row_ = 0;
  bool afterLast_ = false;
  std::int64_t rowCount_ = 0;
  bool wasNull_ = false;
};

}  // namespace zararod

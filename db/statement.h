// Statements of a live connection.
//
// IZStatement sends finished SQL texts. IZPreparedStatement holds one text
// with "?" markers and writes its parameter values into the text as SQL
// literals before sending it (the server never sees a marker).
//
// Both are made by TZMySQLConnection (CreateStatement / PrepareStatement) and
// use its client handle: the live connection must stay open, and must outlive
// the statement, while the statement executes.
//
// Errors: a statement the server rejects raises EZSQLException "SQL Error: "
// + the server's text, with the server's error number; execute query of a
// statement without columns raises EZSQLException "Can not open a Resultset";
// a marker without a value raises EZSQLException "Input parameter count is
// less then expected". After an execution no result of the text stays pending
// on the handle (a CALL's closing status, the later statements of a
// multi-statement text are read and freed); one of them that failed raises
// EZSQLException as well.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "db/result_set.h"
#include "db/sql_types.h"

namespace zararod {

class IZStatement {
 public:
  virtual ~IZStatement() = default;

  // Runs `sql` and returns its rows. The result is the caching result set
  // when the result kind is updatable (or "useresult" with scrolling), else
  // the MySQL result set itself. The caller owns it. Null when the client
  // library reported a failure without an error text.
  virtual std::unique_ptr<IZResultSet> ExecuteQuery(const std::string& sql) = 0;
  // Runs `sql` and returns the number of rows it affected (a SELECT: the rows
  // it returned); also kept as the update count.
  virtual std::int64_t ExecuteUpdate(const std::string& sql) = 0;
  // Runs `sql`; true when rows came back (then GetResultSet() holds them),
  // false otherwise (then GetUpdateCount() holds the count).
  virtual bool Execute(const std::string& sql) = 0;

  virtual std::int64_t GetUpdateCount() const = 0;
  // The result set of the last Execute that returned rows; owned by the
  // statement until the next execute or Close. Null when none.
  virtual IZResultSet* GetResultSet() = 0;

  virtual void SetResultSetConcurrency(TZResultSetConcurrency concurrency) = 0;
  virtual TZResultSetConcurrency GetResultSetConcurrency() const = 0;
  virtual void SetResultSetType(TZResultSetType type) = 0;
  virtual TZResultSetType GetResultSetType() const = 0;
  // Row limit; 0 for none. Kept, not applied by MySQL statements.
  virtual void SetMaxRows(int maxRows) = 0;
  virtual int GetMaxRows() const = 0;

  // Releases the last result set. Idempotent.
  virtual void Close() = 0;
};

class IZPreparedStatement {
 public:
  virtual ~IZPreparedStatement() = default;

  // The text this statement was made for.
  virtual const std::string& GetSQL() const = 0;

  // Parameter positions count from 1; setting position n makes the parameter
  // count at least n, positions below n that were never set being null.
  // A position below 1 throws std::out_of_range.
  virtual void SetNull(int position, TZSQLType type) = 0;
  virtual void SetBoolean(int position, bool value) = 0;
  virtual void SetByte(int position, std::int8_t value) = 0;
  virtual void SetShort(int position, std::int16_t value) = 0;
  virtual void SetInt(int position, std::int32_t value) = 0;
  virtual void SetLong(int position, std::int64_t value) = 0;
  virtual void SetFloat(int position, float value) = 0;
  virtual void SetDouble(int position, double value) = 0;
  virtual void SetBigDecimal(int position, long double value) = 0;
  virtual void SetString(int position, const std::string& value) = 0;
  virtual void SetBytes(int position, const std::string& value) = 0;
  virtual void SetDate(int position, double value) = 0;
  virtual void SetTime(int position, double value) = 0;
  virtual void SetTimestamp(int position, double value) = 0;
  virtual void SetAsciiStream(int position, const std::string& value) = 0;
  virtual void SetBinaryStream(int position, const std::string& value) = 0;
  // The text written for a null parameter at `position` when "defaults" is
  // true. None are set in this system.
  virtual void SetDefaultValue(int position, const std::string& value) = 0;
  // Forgets every parameter value (the parameter count becomes 0).
  virtual void ClearParameters() = 0;
  virtual int GetParameterCount() const = 0;

  // The text with its markers replaced by literals, as it would be sent now.
  virtual std::string PreparedSQL() = 0;

  virtual std::unique_ptr<IZResultSet> ExecuteQueryPrepared() = 0;
  virtual std::int64_t ExecuteUpdatePrepared() = 0;
  virtual bool ExecutePrepared() = 0;
  virtual std::int64_t GetUpdateCount() const = 0;
  virtual IZResultSet* GetResultSet() = 0;

  virtual void SetResultSetConcurrency(TZResultSetConcurrency concurrency) = 0;
  virtual TZResultSetConcurrency GetResultSetConcurrency() const = 0;
  virtual void SetResultSetType(TZResultSetType type) = 0;
  virtual TZResultSetType GetResultSetType() const = 0;
  virtual void SetMaxRows(int maxRows) = 0;
  virtual int GetMaxRows() const = 0;

  // Releases the executing statement and the last result set. Idempotent.
  virtual void Close() = 0;
};

}  // namespace zararod

// TZMySQLPreparedStatement: a statement text with "?" markers whose parameter
// values are written into the text as SQL literals before it is sent.
//
// Preparing the text: a text without "?" is sent unchanged. Otherwise it is
// tokenized with unify-whitespace (whitespace runs outside quoted strings
// become one blank, comments stay) and every token that is exactly "?" is
// replaced by the literal of the next parameter; a "?" inside a quoted
// string, backquoted name or comment is not a marker. Literals: NULL, 'Y' /
// 'N', plain decimal numbers, strings and bytes escaped by the client library
// on the handle and quoted, dates as 'yyyy-mm-dd', times as 'hh:nn:ss',
// timestamps as 'yyyy-mm-dd hh:nn:ss'.
//
// The executing statement (a TZMySQLStatement on the same live connection and
// properties) is made at the first execution and then reused.
// REQUIRES: the live connection outlives the statement.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "db/mysql_statement.h"
#include "db/properties.h"
#include "db/statement.h"

namespace zararod {

class TZMySQLConnection;

class TZMySQLPreparedStatement : public IZPreparedStatement {
 public:
  TZMySQLPreparedStatement(TZMySQLConnection& connection, std::string sql,
                           const TZProperties& info);
  ~TZMySQLPreparedStatement() override;

  const std::string& GetSQL() const override { return sql_; }

  void SetNull(int position, TZSQLType type) override;
  void SetBoolean(int position, bool value) override;
  void SetByte(int position, std::int8_t value) override;
  void SetShort(int position, std::int16_t value) override;
  void SetInt(int position, std::int32_t value) override;
  void SetLong(int position, std::int64_t value) override;
  void SetFloat(int position, float value) override;
  void SetDouble(int position, double value) override;
  void SetBigDecimal(int position, long double value) override;
  void SetString(int position, const std::string& value) override;
  void SetBytes(int position, const std::string& value) override;
  void SetDate(int position, double value) override;
  void SetTime(int position, double value) override;
  void SetTimestamp(int position, double value) override;
  void SetAsciiStream(int position, const std::string& value) override;
  void SetBinaryStream(int position, const std::string& value) override;
  void SetDefaultValue(int position, const std::string& value) override;
  void ClearParameters() override;
  int GetParameterCount() const override { return static_cast<int>(params_.size()); }

  std::string PreparedSQL() override;

  std::unique_ptr<IZResultSet> ExecuteQueryPrepared() override;
  std::int64_t ExecuteUpdatePrepared() override;
  bool ExecutePrepared() override;
  std::int64_t GetUpdateCount() const override;
  IZResultSet* GetResultSet() override;

  void SetResultSetConcurrency(TZResultSetConcurrency c) override { concurrency_ = c; }
  TZResultSetConcurrency GetResultSetConcurrency() const override { return concurrency_; }
  void SetResultSetType(TZResultSetType t) override { type_ = t; }
  TZResultSetType GetResultSetType() const override { return type_; }
  void SetMaxRows(int maxRows) override { maxRows_ = maxRows; }
  int GetMaxRows() const override { return maxRows_; }

  void Close() override;

 private:
  using Value = std::variant<std::monostate, bool, std::int64_t, double, long double, std::string>;
  struct Param {
    TZSQLType type = stUnknown;
    Value value;  // monostate for null
  };

  void set(int position, TZSQLType type, Value value);
  std::string literal(int index) const;
  TZMySQLStatement& executingStatement();

  TZMySQLConnection& connection_;
  std::string sql_;
  TZProperties info_;
  std::vector<Param> params_;
  std::map<int, std::string> defaults_;
  TZResultSetConcurrency concurrency_ = rcReadOnly;
  TZResultSetType type_ = rtForwardOnly;
  int maxRows_ = 0;
  std::unique_ptr<TZMySQLStatement> executing_;
};

}  // namespace zararod

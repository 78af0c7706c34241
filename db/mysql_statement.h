// TZMySQLStatement: sends finished SQL texts with mysql_query on the handle of
// the live connection that made it.
//
// Properties ("useresult") are looked up in the statement's own list, then in
// the live connection's. REQUIRES: the live connection outlives the statement
// and is open whenever the statement executes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "db/properties.h"
#include "db/statement.h"

namespace zararod {

class TZMySQLConnection;

// A statement property: the statement's own list first, then the live
// connection's, then `fallback`.
std::string statementProperty(const TZProperties& own, const TZMySQLConnection& connection,
                              std::string_view name, std::string_view fallback);

class TZMySQLStatement : public IZStatement {
 public:
  TZMySQLStatement(TZMySQLConnection& connection, const TZProperties& info);
  ~TZMySQLStatement() override;

  std::unique_ptr<IZResultSet> ExecuteQuery(const std::string& sql) override;
  std::int64_t ExecuteUpdate(const std::string& sql) override;
  bool Execute(const std::string& sql) override;

  std::int64_t GetUpdateCount() const override { return updateCount_; }
  IZResultSet* GetResultSet() override { return lastResultSet_.get(); }

  void SetResultSetConcurrency(TZResultSetConcurrency c) override { concurrency_ = c; }
  TZResultSetConcurrency GetResultSetConcurrency() const override { return concurrency_; }
  void SetResultSetType(TZResultSetType t) override { type_ = t; }
  TZResultSetType GetResultSetType() const override { return type_; }
  void SetMaxRows(int maxRows) override { maxRows_ = maxRows; }
  int GetMaxRows() const override { return maxRows_; }

  void Close() override;

 private:
  // Sends `sql`; false when the server rejected it and the error check
  // raised nothing.
  bool send(const std::string& sql);
  std::unique_ptr<IZResultSet> makeResultSet(const std::string& sql);

  TZMySQLConnection& connection_;
  TZProperties info_;
  bool useResult_;  // results read with mysql_use_result ("useresult" true)
  TZResultSetConcurrency concurrency_ = rcReadOnly;
  TZResultSetType type_ = rtForwardOnly;
  int maxRows_ = 0;
  std::int64_t updateCount_ = -1;
  std::unique_ptr<IZResultSet> lastResultSet_;
};

}  // namespace zararod

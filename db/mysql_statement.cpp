#include "db/mysql_statement.h"

#include "db/cached_result_set.h"
#include "db/db_exceptions.h"
#include "db/mysql_connection.h"
#include "db/mysql_handle.h"
#include "db/mysql_result_set.h"

namespace zararod {

std::string statementProperty(const TZProperties& own, const TZMySQLConnection& connection,
                              std::string_view name, std::string_view fallback) {
  if (std::optional<std::string> value = findProperty(own, name)) return *value;
  return propertyOr(connection.Properties(), name, fallback);
}

TZMySQLStatement::TZMySQLStatement(TZMySQLConnection& connection, const TZProperties& info)
    : connection_(connection),
      info_(info),
      useResult_(isTrueText(statementProperty(info, connection, "useresult", "false"))) {}

TZMySQLStatement::~TZMySQLStatement() = default;

bool TZMySQLStatement::send(const std::string& sql) {
  // A result still read with mysql_use_result must go before the next
  // statement runs on the handle.
  lastResultSet_.reset();
  // The length goes with the text: a NUL byte inside a statement is data and
  // must not end the statement early.
  if (mysql_real_query(connection_.Handle(), sql.data(), sql.size()) == 0) return true;
  connection_.CheckError(lcExecute, sql);
  return false;
}

std::unique_ptr<IZResultSet> TZMySQLStatement::makeResultSet(const std::string& sql) {
  auto resultSet =
      std::make_unique<TZMySQLResultSet>(connection_, sql, useResult_, concurrency_, type_);
  if (concurrency_ == rcUpdatable || (useResult_ && type_ != rtForwardOnly)) {
    return std::make_unique<TZCachedResultSet>(std::move(resultSet), concurrency_, type_);
  }
  return resultSet;
}

std::unique_ptr<IZResultSet> TZMySQLStatement::ExecuteQuery(const std::string& sql) {
  const ThreadUse::Scope use = connection_.Use("statement: query");
  if (!send(sql)) return nullptr;
  if (mysql_field_count(connection_.Handle()) == 0) {
    connection_.DiscardMoreResults(sql);
    throw EZSQLException("Can not open a Resultset");
  }
  return makeResultSet(sql);
}

std::int64_t TZMySQLStatement::ExecuteUpdate(const std::string& sql) {
  const ThreadUse::Scope use = connection_.Use("statement: update");
  MYSQL* handle = connection_.Handle();
  std::int64_t count = -1;
  if (send(sql)) {
    if (mysql_field_count(handle) != 0) {
      // Rows came back after all: the count is their number.
      MySQLResult result(mysql_store_result(handle));
      count = result ? static_cast<std::int64_t>(mysql_num_rows(result.get()))
                     : static_cast<std::int64_t>(mysql_affected_rows(handle));
    } else {
      count = static_cast<std::int64_t>(mysql_affected_rows(handle));
    }
    connection_.DiscardMoreResults(sql);
  }
  updateCount_ = count;
  return count;
}

bool TZMySQLStatement::Execute(const std::string& sql) {
  const ThreadUse::Scope use = connection_.Use("statement: execute");
  if (!send(sql)) {
    updateCount_ = -1;
    return false;
  }
  MYSQL* handle = connection_.Handle();
  if (mysql_field_count(handle) != 0) {
    lastResultSet_ = makeResultSet(sql);
    return true;
  }
  updateCount_ = static_cast<std::int64_t>(mysql_affected_rows(handle));
  connection_.DiscardMoreResults(sql);
  return false;
}

void TZMySQLStatement::Close() { lastResultSet_.reset(); }

}  // namespace zararod

#include "app/job_support.h"

#include "db/connection.h"
#include "db/sql_literals.h"
#include "db/sql_strings.h"
#include "util/strings.h"

namespace zararod {

void setQueryText(TZQuery& query, const std::string& text) {
  query.Close();
  query.SQL().Clear();
  query.SQL().Add(text);
}

void reconnect(TZConnection& connection, const std::string& database) {
  connection.Disconnect();
  connection.SetDatabase(database);
  connection.Connect();
}

void startProgress(JobReporter& reporter, JobReporter::Line line, int count) {
  reporter.SetProgressMax(line, count);
  reporter.SetProgressVisible(line, true);
  reporter.SetProgressPosition(line, 0);
  reporter.ProcessPendingEvents();
}

std::string keyText(const TField& field) { return field.AsServerText().value_or(std::string()); }

std::string keyCondition(const std::vector<KeyColumn>& key, bool noBackslashEscapes) {
  std::string condition;
  const auto conjoin = [&condition](const std::string& term) {
    condition += condition.empty() ? term : " and " + term;
  };
  for (const KeyColumn& column : key) {
    conjoin(std::string(column.name) + " = " + stringLiteral(column.value, noBackslashEscapes));
  }
  for (const KeyColumn& column : key) {
    conjoin(std::string("binary convert(") + column.name + " using " + kJobCodePage +
            ") = " + binaryLiteral(column.value, noBackslashEscapes));
  }
  return condition;
}

std::string declaredType(const TZQuery& query, const TField& field) {
  return query.FieldDefs()[field.Index()].DeclaredTypeName;
}

JobTransaction::~JobTransaction() {
  if (open_) Rollback();
}

void JobTransaction::Begin() {
  // A server without strict mode stores a value that does not fit its column
  // cut or clamped, with a mere warning; strict, it rejects the statement.
  // The rest of the server's mode (NO_BACKSLASH_ESCAPES above all) stays.
  if (side_ == JobSide::Receiving) {
    run("SET SESSION sql_mode = CONCAT(@@SESSION.sql_mode, ',STRICT_ALL_TABLES')");
  }
  lockingReads_ = !acceptsReadCommittedWrites();
  // Applies to the next transaction only.
  if (!lockingReads_) run("SET TRANSACTION ISOLATION LEVEL READ COMMITTED");
  run("START TRANSACTION");
  open_ = true;
}

void JobTransaction::Commit() {
  run("COMMIT");
  open_ = false;
}

void JobTransaction::Rollback() noexcept {
  open_ = false;
  try {
    run("ROLLBACK");
  } catch (...) {
    if (query_.Connection() != nullptr) query_.Connection()->Disconnect();
  }
}

void JobTransaction::Finish(bool dryRun) {
  if (dryRun) {
    Rollback();
  } else {
    Commit();
  }
}

bool isClusterNode(TZQuery& query) {
  setQueryText(query, "SHOW VARIABLES LIKE 'wsrep_on'");
  query.Open();
  const bool on = !query.Eof() && sameText(query.Fields(1).AsString(), "ON");
  query.Close();
  return on;
}

bool JobTransaction::acceptsReadCommittedWrites() {
  setQueryText(query_, "select @@log_bin, @@sql_log_bin, @@binlog_format");
  query_.Open();
  const bool logsStatements = query_.Fields(0).AsInteger() == 1 &&
                              query_.Fields(1).AsInteger() == 1 &&
                              query_.Fields(2).AsString() == "STATEMENT";
  query_.Close();
  return !logsStatements;
}

void JobTransaction::run(const char* statement) {
  setQueryText(query_, statement);
  query_.ExecSQL();
}

}  // namespace zararod

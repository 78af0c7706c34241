#include "app/job_transaction.h"

#include "app/job_support.h"
#include "db/connection.h"

namespace zararod {

JobTransaction::~JobTransaction() {
  if (open_) Rollback();
}

void JobTransaction::Begin() {
  if (!sessionReady_) {
    // A server without strict mode stores a value that does not fit its
    // column cut or clamped, with a mere warning; strict, it rejects the
    // statement. The rest of the server's mode (NO_BACKSLASH_ESCAPES above
    // all) stays.
    if (side_ == JobSide::Receiving) {
      run("SET SESSION sql_mode = CONCAT(@@SESSION.sql_mode, ',STRICT_ALL_TABLES')");
    }
    // For the session, so that no transaction of the job pays a round trip
    // for it.
    if (acceptsReadCommittedWrites()) run("SET SESSION TRANSACTION ISOLATION LEVEL READ COMMITTED");
    sessionReady_ = true;
  }
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

const char* JobTransaction::FinishAndBeginNextStatement(bool dryRun) {
  return dryRun ? "ROLLBACK AND CHAIN" : "COMMIT AND CHAIN";
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

#include "app/receiving_runner.h"

#include <string>

#include "app/job_retry.h"
#include "app/job_support.h"
#include "app/record_keys.h"
#include "db/connection.h"
#include "db/db_exceptions.h"
#include "db/sql_processor.h"

namespace zararod {

namespace {

// Makes a statement of the script the statement a split of the script
// gives: without whitespace at either end and without its delimiter. In
// place, as the chunk's statements are the biggest thing it holds.
void asSplit(std::string& statement) {
  const auto trimEnd = [&] {
    while (!statement.empty() && static_cast<unsigned char>(statement.back()) <= ' ')
      statement.pop_back();
  };
  trimEnd();
  if (!statement.empty() && statement.back() == ';') statement.pop_back();
  trimEnd();
  std::size_t start = 0;
  while (start < statement.size() && static_cast<unsigned char>(statement[start]) <= ' ') ++start;
  statement.erase(0, start);
}

// Executes `statements` (as a split of the script gives them), whose last
// ones write the records whose keys `owners` names, one per statement, and
// after them `closing`, the statement that ends the receiver's transaction,
// in the same batch: the chunk and its commit cost the far side one round
// trip. The server runs nothing of a batch after a statement that fails, so
// a chunk with a failing statement is never committed. A failing statement
// of a record fails the run with the server's message followed by the key,
// and its error code; in a dry run it is added to `rejected` and the run
// goes on (`closing` then rolls back). A failing `closing` always fails the
// run. The processor holds no statements afterwards, however the run ends.
void runStatements(TZSQLProcessor& processor, std::vector<std::string> statements,
                   const std::vector<std::string>& owners, const char* closing, bool dryRun,
                   std::vector<RejectedStatement>& rejected) {
  statements.emplace_back(closing);
  processor.OnError = [&](TZSQLProcessor& p, int index, const std::exception& e,
                          TZErrorHandleAction& action) {
    // Before `closing`, the statements that write the records of `owners`;
    // the ones before them are the job's own.
    const int closingIndex = p.StatementCount() - 1;
    const int firstOwned = closingIndex - static_cast<int>(owners.size());
    const auto* sql = dynamic_cast<const EZSQLException*>(&e);
    const int code = sql != nullptr ? sql->ErrorCode() : -1;
    std::string message = sql != nullptr ? sql->Message() : e.what();
    if (index >= firstOwned && index < closingIndex) {
      message += " (" + owners[static_cast<std::size_t>(index - firstOwned)] + ")";
    }
    // A dry run goes on past a rejected statement to find every one of them.
    // A lock error is not a rejection: the server has rolled back (a
    // deadlock) or may roll back the whole transaction, so the run ends and
    // the job is tried again.
    if (dryRun && index != closingIndex && !JobRetry::IsRetryable(e)) {
      rejected.push_back({p.Statements(index), message});
      action = eaSkip;
      return;
    }
    throw EZSQLException(std::move(message), code);
  };
  // The handler and the statements serve this run only, however it ends.
  struct HandlerReset {
    TZSQLProcessor& processor;
    ~HandlerReset() {
      processor.OnError = nullptr;
      processor.ClearStatements();
    }
  } reset{processor};
  processor.ExecuteStatements(std::move(statements));
}

}  // namespace

ReceivingRunner::ReceivingRunner(const TransferPlan& plan, bool dryRun,
                                 std::vector<RejectedStatement>& rejected)
    : plan_(plan),
      dryRun_(dryRun),
      rejected_(rejected),
      transaction_(plan.receiving.transaction, JobSide::Receiving),
      batchSize_(plan.processor.BatchSize()),
      keepMultiStatements_(plan.processor.KeepMultiStatements()) {
  reconnect(plan.receiving.connection, plan.database);
  transaction_.Begin();
  target_.noBackslashEscapes = plan.receiving.connection.NoBackslashEscapes();
  // Multi-statements, once on, stay on for the job's receiving session: the
  // chunks' batched runs then cost no round trip to switch them. The job's
  // own statements on that session hold one statement each.
  plan.processor.SetKeepMultiStatements(true);
  // A Galera node that aborts the job's transaction for a conflicting one of
  // another node, in the middle of a multi-statement batch, has been seen to
  // run a statement of that batch twice and report no error: a slip arrived
  // twice. On such a node the script goes one statement per round trip,
  // where the conflict reaches the job as an error and the job runs again.
  if (isClusterNode(plan.receiving.transaction)) plan.processor.SetBatchSize(0);
  target_.paddedKeys =
      paddedKeyColumns(plan.receiving.transaction, plan.recordTable, plan.keyColumns);
}

ReceivingRunner::~ReceivingRunner() {
  if (running_.valid()) running_.wait();
  plan_.processor.SetBatchSize(batchSize_);
  plan_.processor.SetKeepMultiStatements(keepMultiStatements_);
}

void ReceivingRunner::Start(Chunk& chunk) {
  for (std::string& statement : chunk.statements) asSplit(statement);
  running_ = std::async(std::launch::async, [this, statements = std::move(chunk.statements),
                                             owners = std::move(chunk.owners),
                                             number = chunks_++]() mutable {
    run(std::move(statements), owners, number);
  });
}

void ReceivingRunner::Wait() { running_.get(); }

void ReceivingRunner::run(std::vector<std::string> statements,
                          const std::vector<std::string>& owners, int number) {
  if (plan_.observe) plan_.observe(TransferMoment::ReceiverRunning, number);
  runStatements(plan_.processor, std::move(statements), owners,
                JobTransaction::FinishAndBeginNextStatement(dryRun_), dryRun_, rejected_);
}

}  // namespace zararod

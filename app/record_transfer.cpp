#include "app/record_transfer.h"

#include <map>
#include <optional>
#include <stdexcept>

#include "app/job_support.h"
#include "app/job_transaction.h"
#include "app/job_retry.h"
#include "app/record_keys.h"
#include "db/connection.h"
#include "db/db_exceptions.h"
#include "db/query.h"
#include "db/sql_processor.h"
#include "db/sql_strings.h"
#include "util/file_io.h"

namespace zararod {

namespace {

// The script lines that write the records of one key, and how many records
// (one statement each) they hold.
struct Written {
  std::vector<std::string> lines;
  int records = 0;
};

// Executes the script, whose last statements write the records whose keys
// `owners` names, one per statement ("cislodokla = 'K9', rada = '01'"). A
// failing statement of a record fails the run with the server's message
// followed by the key, and its error code; in a dry run it is added to
// `rejected` and the run goes on.
void runScript(TZSQLProcessor& processor, const std::vector<std::string>& owners, bool dryRun,
               std::vector<RejectedStatement>& rejected) {
  processor.OnError = [&](TZSQLProcessor& p, int index, const std::exception& e,
                          TZErrorHandleAction& action) {
    // The script's last statements write the records of `owners`; the ones
    // before them are the job's own.
    const int firstOwned = p.StatementCount() - static_cast<int>(owners.size());
    const auto* sql = dynamic_cast<const EZSQLException*>(&e);
    const int code = sql != nullptr ? sql->ErrorCode() : -1;
    std::string message = sql != nullptr ? sql->Message() : e.what();
    if (index >= firstOwned) {
      message += " (" + owners[static_cast<std::size_t>(index - firstOwned)] + ")";
    }
    // A dry run goes on past a rejected statement to find every one of them.
    // A lock error is not a rejection: the server has rolled back (a
    // deadlock) or may roll back the whole transaction, so the run ends and
    // the job is tried again.
    if (dryRun && !JobRetry::IsRetryable(e)) {
      rejected.push_back({p.Statements(index), message});
      action = eaSkip;
      return;
    }
    throw EZSQLException(std::move(message), code);
  };
  // The handler serves this run only, however the run ends.
  struct HandlerReset {
    TZSQLProcessor& processor;
    ~HandlerReset() { processor.OnError = nullptr; }
  } reset{processor};
  processor.Execute();
}

// Whether each side's transaction query, and the processor, are on that
// side's connection.
void checkSides(const TransferPlan& plan) {
  if (plan.sending.transaction.Connection() != &plan.sending.connection ||
      plan.receiving.transaction.Connection() != &plan.receiving.connection ||
      plan.processor.Connection() != &plan.receiving.connection ||
      plan.queue.Connection() != &plan.sending.connection ||
      plan.records.Connection() != &plan.sending.connection) {
    throw std::logic_error("transfer: a query or the processor is not on its side's connection");
  }
}

}  // namespace

int transfer(const TransferPlan& plan, bool dryRun, std::vector<RejectedStatement>& rejected,
             int& delivered, JobReporter& reporter) {
  checkSides(plan);
  TZConnection& sender = plan.sending.connection;
  TZConnection& receiver = plan.receiving.connection;
  JobTransaction sending(plan.sending.transaction, JobSide::Sending);
  JobTransaction receiving(plan.receiving.transaction, JobSide::Receiving);

  reconnect(sender, plan.database);
  sending.Begin();
  const bool senderNbe = sender.NoBackslashEscapes();
  const std::string locking = sending.LockingReads() ? " for update" : "";
  setQueryText(plan.queue, "select * from " + plan.queueTable + locking + ";");
  plan.queue.Open();
  const int count = plan.queue.RecordCount();
  const std::vector<bool> senderPadded =
      paddedKeyColumns(plan.records, plan.recordTable, plan.keyColumns);
  reporter.SetStatusText(plan.line, plan.statusText + std::to_string(count));
  reporter.ProcessPendingEvents();

  reconnect(receiver, plan.database);
  receiving.Begin();
  const bool receiverNbe = receiver.NoBackslashEscapes();
  // A Galera node that aborts the job's transaction for a conflicting one of
  // another node, in the middle of a multi-statement batch, has been seen to
  // run a statement of that batch twice and report no error: a slip arrived
  // twice. On such a node the script goes one statement per round trip,
  // where the conflict reaches the job as an error and the job runs again.
  // Multi-statements, once on, stay on for the job's receiving session: the
  // chunks' batched runs then cost no round trip to switch them. The job's
  // own statements on that session hold one statement each.
  struct ProcessorKept {
    TZSQLProcessor& processor;
    int size = processor.BatchSize();
    bool keep = processor.KeepMultiStatements();
    ~ProcessorKept() {
      processor.SetBatchSize(size);
      processor.SetKeepMultiStatements(keep);
    }
  } kept{plan.processor};
  plan.processor.SetKeepMultiStatements(true);
  if (isClusterNode(plan.receiving.transaction)) plan.processor.SetBatchSize(0);
  const std::vector<bool> receiverPadded =
      paddedKeyColumns(plan.receiving.transaction, plan.recordTable, plan.keyColumns);

  // The script goes to its file and to the receiver a chunk at a time, as it
  // is built: every chunk ends with a whole statement, so the receiver runs
  // the same statements in the same order as from the whole script.
  std::optional<OutputFile> file;  // created with the first chunk
  std::vector<std::string> script;
  // The key of each record statement of `script`, in order: its last
  // statements, after the ones the job begins with.
  std::vector<std::string> owners;
  const auto send = [&] {
    std::string text;
    for (const std::string& line : script) {
      text += line;
      text += "\r\n";
    }
    script.clear();
    if (!file) file.emplace(plan.scriptFile);
    file->write(text);
    plan.processor.Script().SetText(text);
    runScript(plan.processor, owners, dryRun, rejected);
    owners.clear();
  };

  plan.queue.First();
  startProgress(reporter, plan.line, count);
  plan.begin(script);

  int counter = 0;
  std::vector<RecordKey> chunk;
  std::map<RecordKey, Written> written;
  while (!plan.queue.Eof()) {
    chunk.clear();
    for (; !plan.queue.Eof() && chunk.size() < kKeysPerChunk; plan.queue.Next()) {
      ++counter;
      reporter.SetProgressPosition(plan.line, counter);
      reporter.ProcessPendingEvents();
      chunk.push_back(keyOf(plan.queue, plan.keyColumns));
    }
    // The queue entries as the queue holds them; each record as its table
    // holds it.
    const std::string queued = anyKeyCondition(plan.keyColumns, chunk, senderNbe);
    for (RecordKey& key : chunk) key = withoutPadding(std::move(key), senderPadded);
    written.clear();
    setQueryText(plan.records,
                 plan.readStatement(anyKeyCondition(plan.keyColumns, chunk, senderNbe), locking));
    plan.records.Open();
    for (plan.records.First(); !plan.records.Eof(); plan.records.Next()) {
      Written& record = written[keyOf(plan.records, plan.keyColumns)];
      plan.write(plan.records, receiverNbe, record.lines);
      ++record.records;
    }
    setQueryText(plan.records, "delete from " + plan.queueTable + " where " + queued);
    plan.records.ExecSQL();
    plan.records.Close();

    for (const RecordKey& key : chunk) {
      script.push_back(plan.receiverDelete(
          keyCondition(plan.keyColumns, withoutPadding(key, receiverPadded), receiverNbe)));
      const auto found = written.find(key);
      const int records = found == written.end() ? 0 : found->second.records;
      owners.insert(owners.end(), 1 + records, describeKey(plan.keyColumns, key));
      if (found == written.end()) continue;
      script.insert(script.end(), found->second.lines.begin(), found->second.lines.end());
    }
    send();
    // The receiver holds the chunk before its queue entries go. A run that
    // breaks between the two commits leaves the chunk queued on the sender,
    // and the next run sends it again, which its delete-then-insert makes
    // harmless.
    receiving.Finish(dryRun);
    // The window paints once the receiver holds the chunk.
    reporter.ProcessPendingEvents();
    sending.Finish(dryRun);
    delivered += static_cast<int>(chunk.size());
    if (plan.queue.Eof()) break;
    sending.Begin();
    receiving.Begin();
  }
  // An empty queue leaves the script's first lines, in one chunk of its own.
  if (!file) {
    send();
    receiving.Finish(dryRun);
    sending.Finish(dryRun);
  }
  file->close();
  plan.processor.Script().Clear();
  if (!rejected.empty()) throw EZSQLException(rejected.front().message);
  return counter;
}

}  // namespace zararod

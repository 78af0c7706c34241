#include "app/record_transfer.h"

#include <algorithm>
#include <future>
#include <iterator>
#include <map>
#include <stdexcept>

#include "app/job_support.h"
#include "app/job_transaction.h"
#include "app/job_retry.h"
#include "app/record_keys.h"
#include "db/connection.h"
#include "db/db_exceptions.h"
#include "db/query.h"
#include "db/sql_processor.h"
#include "util/file_io.h"

namespace zararod {

namespace {

// The statements that write the records of one key, and how many times the
// chunk still takes them up (a key queued twice writes its records twice).
struct Written {
  std::vector<std::string> statements;
  int uses = 0;
};

// The lines of one statement, each but the last followed by CR LF: the
// statement as the script file holds it, without its final line break.
std::string joinedStatement(std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) {
    if (!text.empty()) text += "\r\n";
    text += line;
  }
  lines.clear();
  return text;
}

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
// ones write the records whose keys `owners` names, one per statement
// ("cislodokla = 'K9', rada = '01'"), and after them `closing`, the statement
// that ends the receiver's transaction, in the same batch: the chunk and its
// commit cost the far side one round trip. The server runs nothing of a
// batch after a statement that fails, so a chunk with a failing statement
// is never committed. A failing statement of a record fails the run with the
// server's message followed by the key, and its error code; in a dry run it
// is added to `rejected` and the run goes on (`closing` then rolls back). A
// failing `closing` always fails the run. The processor holds no statements
// afterwards, however the run ends.
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

// One chunk of the queue on its way: how many queue rows it took up, the
// condition that picks their queue entries, its script's statements (each as
// joinedStatement makes it) and their bytes, and the key of each record
// statement among them (`owners`, in order: the script's last statements,
// after any the job begins with).
struct Chunk {
  int rows = 0;
  std::string queued;
  std::vector<std::string> statements;
  std::size_t bytes = 0;
  std::vector<std::string> owners;
};

// Queued keys for the chunk after one of `rows` keys and `bytes` of script:
// as many as make about kChunkBytes of script at its bytes per key, and at
// most kKeysPerChunk.
std::size_t keysForChunk(std::size_t bytes, int rows) {
  constexpr auto most = static_cast<std::size_t>(kKeysPerChunk);
  if (rows == 0 || bytes == 0) return most;
  return std::clamp<std::size_t>(kChunkBytes * static_cast<std::size_t>(rows) / bytes, 1, most);
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

void transfer(const TransferPlan& plan, bool dryRun, std::vector<RejectedStatement>& rejected,
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
  // A Galera node that aborts the job's transaction for a conflicting one of
  // another node, in the middle of a multi-statement batch, has been seen to
  // run a statement of that batch twice and report no error: a slip arrived
  // twice. On such a node the script goes one statement per round trip,
  // where the conflict reaches the job as an error and the job runs again.
  if (isClusterNode(plan.receiving.transaction)) plan.processor.SetBatchSize(0);
  const std::vector<bool> receiverPadded =
      paddedKeyColumns(plan.receiving.transaction, plan.recordTable, plan.keyColumns);

  int counter = 0;
  // The next chunk's queue rows, from the queue query, with the records of
  // their keys read (`readLocking` after the condition) and their script
  // lines built. The queue entries stay.
  const auto takeChunk = [&](const std::string& readLocking, std::size_t maxKeys) {
    Chunk chunk;
    std::vector<RecordKey> keys;
    for (; !plan.queue.Eof() && keys.size() < maxKeys; plan.queue.Next()) {
      ++counter;
      reporter.SetProgressPosition(plan.line, counter);
      reporter.ProcessPendingEvents();
      keys.push_back(keyOf(plan.queue, plan.keyColumns));
    }
    if (keys.empty()) return chunk;
    chunk.rows = static_cast<int>(keys.size());
    // The queue entries as the queue holds them; each record as its table
    // holds it.
    chunk.queued = anyKeyCondition(plan.keyColumns, keys, senderNbe);
    for (RecordKey& key : keys) key = withoutPadding(std::move(key), senderPadded);
    std::map<RecordKey, Written> written;
    for (const RecordKey& key : keys) ++written[key].uses;
    setQueryText(plan.records, plan.readStatement(
                                   anyKeyCondition(plan.keyColumns, keys, senderNbe), readLocking));
    plan.records.Open();
    std::vector<std::string> lines;
    for (plan.records.First(); !plan.records.Eof(); plan.records.Next()) {
      plan.write(plan.records, receiverNbe, lines);
      written[keyOf(plan.records, plan.keyColumns)].statements.push_back(joinedStatement(lines));
    }
    plan.records.Close();
    for (const RecordKey& key : keys) {
      chunk.statements.push_back(plan.receiverDelete(
          keyCondition(plan.keyColumns, withoutPadding(key, receiverPadded), receiverNbe)));
      Written& records = written[key];
      chunk.owners.insert(chunk.owners.end(), 1 + records.statements.size(),
                          describeKey(plan.keyColumns, key));
      // The key's last use takes its statements; one before it copies them.
      if (--records.uses == 0) {
        std::move(records.statements.begin(), records.statements.end(),
                  std::back_inserter(chunk.statements));
        records.statements = {};
      } else {
        chunk.statements.insert(chunk.statements.end(), records.statements.begin(),
                                records.statements.end());
      }
    }
    for (const std::string& statement : chunk.statements) chunk.bytes += statement.size() + 2;
    return chunk;
  };
  const auto dequeue = [&](const Chunk& chunk) {
    if (chunk.rows == 0) return;
    setQueryText(plan.records, "delete from " + plan.queueTable + " where " + chunk.queued);
    plan.records.ExecSQL();
    plan.records.Close();
  };

  plan.queue.First();
  startProgress(reporter, plan.line, count);
  std::vector<std::string> firstLines;
  plan.begin(firstLines);
  // The first chunk is dequeued right after its records are read, in the
  // sender's first transaction. An empty queue makes one chunk of the
  // script's first lines.
  Chunk chunk = takeChunk(locking, static_cast<std::size_t>(kKeysInFirstChunk));
  dequeue(chunk);
  chunk.statements.insert(chunk.statements.begin(), std::make_move_iterator(firstLines.begin()),
                          std::make_move_iterator(firstLines.end()));

  // The script goes to its file and to the receiver a chunk at a time: every
  // chunk ends with a whole statement, so the receiver runs the same
  // statements in the same order as from the whole script.
  OutputFile file(plan.scriptFile);
  for (;;) {
    for (std::string& statement : chunk.statements) {
      file.write(statement);
      file.write("\r\n");
      asSplit(statement);
    }
    Chunk next;
    {
      // The receiver runs the chunk on a thread of its own, which alone uses
      // the receiving connection, its queries and the processor until it is
      // joined; meanwhile this thread reads the next chunk on the sending
      // connection. The future joins the thread however the block ends.
      // The far side's round trips are the job's cost: the chunk's commit
      // goes with its statements and begins the next chunk's transaction
      // too. After the last chunk that transaction stays open, empty, and is
      // rolled back when the job ends.
      std::future<void> received = std::async(std::launch::async, [&] {
        runStatements(plan.processor, std::move(chunk.statements), chunk.owners,
                      JobTransaction::FinishAndBeginNextStatement(dryRun), dryRun, rejected);
      });
      // The next chunk's records are read with locks, inside the current
      // chunk's transaction: a record changed and queued again meanwhile
      // waits until the current chunk commits, and its new queue entry
      // comes after the next chunk's dequeue, which follows that commit at
      // once.
      if (!plan.queue.Eof())
        next = takeChunk(" for update", keysForChunk(chunk.bytes, chunk.rows));
      received.get();
    }
    // The receiver holds the chunk before its queue entries go. A run that
    // breaks between the two commits leaves the chunk queued on the sender,
    // and the next run sends it again, which its delete-then-insert makes
    // harmless. The window paints in between.
    reporter.ProcessPendingEvents();
    sending.Finish(dryRun);
    delivered += chunk.rows;
    if (next.rows == 0) break;
    chunk = std::move(next);
    sending.Begin();
    dequeue(chunk);
  }
  file.close();
  if (!rejected.empty()) throw EZSQLException(rejected.front().message);
}

}  // namespace zararod

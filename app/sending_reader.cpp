#include "app/sending_reader.h"

#include <iterator>
#include <map>
#include <string>
#include <utility>

#include "app/job_support.h"
#include "app/record_keys.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/sql_processor.h"

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

}  // namespace

SendingReader::SendingReader(const TransferPlan& plan, JobReporter& reporter)
    : plan_(plan), reporter_(reporter), transaction_(plan.sending.transaction, JobSide::Sending) {
  reconnect(plan.sending.connection, plan.database);
  noBackslashEscapes_ = plan.sending.connection.NoBackslashEscapes();
  // The queue is read before the first chunk's transaction begins, so that
  // where reads see their transaction's snapshot, the first chunk's records
  // are not seen as the queue was read but as they are when read.
  setQueryText(plan.queue, "select * from " + plan.queueTable + ";");
  plan.queue.Open();
  queueRows_ = plan.queue.RecordCount();
  paddedKeys_ = paddedKeyColumns(plan.records, plan.recordTable, plan.keyColumns);
  reporter.SetStatusText(plan.line, plan.statusText + std::to_string(queueRows_));
  reporter.ProcessPendingEvents();
  transaction_.Begin();
  // A chunk's dequeue goes in one round trip, except on a Galera node: one
  // that aborts a transaction for a conflicting one of another node in the
  // middle of a multi-statement batch has been seen to run a statement of
  // it twice, and a dequeue run twice would delete an entry queued later.
  TZSQLProcessor& dequeue = plan.sending.dequeue;
  dequeue.SetParamCheck(false);
  dequeue.SetKeepMultiStatements(true);
  dequeue.SetBatchSize(isClusterNode(plan.sending.transaction) ? 0 : kKeysPerChunk);
  plan.queue.First();
}

bool SendingReader::AtEnd() const { return plan_.queue.Eof(); }

Chunk SendingReader::Read(std::size_t maxKeys, const ReceiverTarget& receiver) {
  Chunk chunk;
  std::vector<RecordKey> keys;
  std::map<RecordKey, int> takenCounts;
  for (; !plan_.queue.Eof() && keys.size() < maxKeys; plan_.queue.Next()) {
    ++taken_;
    reporter_.SetProgressPosition(plan_.line, taken_);
    reporter_.ProcessPendingEvents();
    keys.push_back(keyOf(plan_.queue, plan_.keyColumns));
    ++takenCounts[keys.back()];
  }
  if (keys.empty()) return chunk;
  chunk.rows = static_cast<int>(keys.size());
  chunk.taken.assign(takenCounts.begin(), takenCounts.end());

  // Each record as its table holds it.
  for (RecordKey& key : keys) key = withoutPadding(std::move(key), paddedKeys_);
  std::map<RecordKey, Written> written;
  for (const RecordKey& key : keys) ++written[key].uses;
  setQueryText(plan_.records, plan_.readStatement(
                                  anyKeyCondition(plan_.keyColumns, keys, noBackslashEscapes_)));
  plan_.records.Open();
  std::vector<std::string> lines;
  for (plan_.records.First(); !plan_.records.Eof(); plan_.records.Next()) {
    plan_.write(plan_.records, receiver.noBackslashEscapes, lines);
    written[keyOf(plan_.records, plan_.keyColumns)].statements.push_back(joinedStatement(lines));
  }
  plan_.records.Close();

  for (const RecordKey& key : keys) {
    chunk.statements.push_back(plan_.receiverDelete(keyCondition(
        plan_.keyColumns, withoutPadding(key, receiver.paddedKeys), receiver.noBackslashEscapes)));
    Written& records = written[key];
    chunk.owners.insert(chunk.owners.end(), 1 + records.statements.size(),
                        describeKey(plan_.keyColumns, key));
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
}

void SendingReader::Dequeue(const Chunk& chunk) {
  if (chunk.taken.empty()) return;
  std::vector<std::string> statements;
  statements.reserve(chunk.taken.size());
  for (const auto& [key, entries] : chunk.taken) {
    statements.push_back("delete from " + plan_.queueTable + " where " +
                         keyCondition(plan_.keyColumns, key, noBackslashEscapes_) + " limit " +
                         std::to_string(entries));
  }
  // The processor holds no statements afterwards, however the run ends.
  struct Cleared {
    TZSQLProcessor& processor;
    ~Cleared() { processor.ClearStatements(); }
  } cleared{plan_.sending.dequeue};
  plan_.sending.dequeue.ExecuteStatements(std::move(statements));
}

}  // namespace zararod

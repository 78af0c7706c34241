#include "app/record_transfer.h"

#include <map>
#include <optional>

#include "app/job_support.h"
#include "app/jobs.h"
#include "db/connection.h"
#include "db/db_exceptions.h"
#include "db/query.h"
#include "db/sql_literals.h"
#include "db/sql_processor.h"
#include "db/sql_strings.h"
#include "util/file_io.h"

namespace zararod {

namespace {

using Key = std::vector<std::string>;

Key keyOf(TZQuery& rows, const std::vector<const char*>& columns) {
  Key key;
  key.reserve(columns.size());
  for (const char* column : columns) key.push_back(keyText(rows.FieldByName(column)));
  return key;
}

std::vector<KeyColumn> keyColumns(const std::vector<const char*>& columns, const Key& key) {
  std::vector<KeyColumn> out;
  out.reserve(columns.size());
  for (std::size_t i = 0; i < columns.size(); ++i) out.push_back({columns[i], key[i]});
  return out;
}

// The condition that picks exactly the rows of any of `keys`.
std::string anyKeyCondition(const std::vector<const char*>& columns, const std::vector<Key>& keys,
                            bool noBackslashEscapes) {
  if (keys.size() == 1) return keyCondition(keyColumns(columns, keys[0]), noBackslashEscapes);
  std::string condition;
  for (const Key& key : keys) {
    if (!condition.empty()) condition += " or ";
    condition += "(" + keyCondition(keyColumns(columns, key), noBackslashEscapes) + ")";
  }
  return condition;
}

// "cislodokla = 'K9', rada = '01'": a record's key as an error names it.
std::string describeKey(const std::vector<const char*>& columns, const Key& key) {
  std::string text;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) text += ", ";
    text += std::string(columns[i]) + " = " + stringLiteral(key[i], true);
  }
  return text;
}

// The script lines that write the records of one key, and how many records
// (one statement each) they hold.
struct Written {
  std::vector<std::string> lines;
  int records = 0;
};

}  // namespace

int Jobs::transfer(const TransferPlan& plan, TZQuery& sendingTransaction,
                   TZQuery& receivingTransaction, JobReporter& reporter) {
  TZConnection& receiver = *plan.processor.Connection();
  rejected_.clear();
  JobTransaction sending(sendingTransaction, JobSide::Sending);
  JobTransaction receiving(receivingTransaction, JobSide::Receiving);

  reconnect(plan.sender, plan.database);
  sending.Begin();
  const bool senderNbe = plan.sender.NoBackslashEscapes();
  const std::string locking = sending.LockingReads() ? " for update" : "";
  setQueryText(plan.queue, "select * from " + plan.queueTable + locking + ";");
  plan.queue.Open();
  const int count = plan.queue.RecordCount();
  reporter.SetStatusText(plan.line, plan.statusText + std::to_string(count));
  reporter.ProcessPendingEvents();

  reconnect(receiver, plan.database);
  receiving.Begin();
  const bool receiverNbe = receiver.NoBackslashEscapes();

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
    runScript(plan.processor, owners);
    owners.clear();
  };

  plan.queue.First();
  startProgress(reporter, plan.line, count);
  plan.begin(script);

  int counter = 0;
  std::vector<Key> chunk;
  std::map<Key, Written> written;
  while (!plan.queue.Eof()) {
    chunk.clear();
    for (; !plan.queue.Eof() && chunk.size() < kKeysPerChunk; plan.queue.Next()) {
      ++counter;
      reporter.SetProgressPosition(plan.line, counter);
      reporter.ProcessPendingEvents();
      chunk.push_back(keyOf(plan.queue, plan.keyColumns));
    }
    const std::string condition = anyKeyCondition(plan.keyColumns, chunk, senderNbe);
    written.clear();
    setQueryText(plan.records, plan.readStatement(condition, locking));
    plan.records.Open();
    for (plan.records.First(); !plan.records.Eof(); plan.records.Next()) {
      Written& record = written[keyOf(plan.records, plan.keyColumns)];
      plan.write(plan.records, receiverNbe, record.lines);
      ++record.records;
    }
    setQueryText(plan.records, "delete from " + plan.queueTable + " where " + condition);
    plan.records.ExecSQL();
    plan.records.Close();

    for (const Key& key : chunk) {
      script.push_back(
          plan.receiverDelete(keyCondition(keyColumns(plan.keyColumns, key), receiverNbe)));
      const auto found = written.find(key);
      const int records = found == written.end() ? 0 : found->second.records;
      owners.insert(owners.end(), 1 + records, describeKey(plan.keyColumns, key));
      if (found == written.end()) continue;
      script.insert(script.end(), found->second.lines.begin(), found->second.lines.end());
    }
    send();
  }
  // Every chunk has been sent; an empty queue leaves the script's first lines.
  if (!file) send();
  file->close();
  plan.processor.Script().Clear();
  if (!rejected_.empty()) throw EZSQLException(rejected_.front().message);
  receiving.Finish(dryRun_);
  sending.Finish(dryRun_);
  return counter;
}

}  // namespace zararod

#include "app/record_transfer.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "app/job_support.h"
#include "app/receiving_runner.h"
#include "app/sending_reader.h"
#include "db/connection.h"
#include "db/db_exceptions.h"
#include "db/query.h"
#include "db/sql_processor.h"
#include "util/file_io.h"

namespace zararod {

namespace {

// Queued keys for the chunk after one of `rows` keys and `bytes` of script:
// as many as make about kChunkBytes of script at its bytes per key, and at
// most kKeysPerChunk.
std::size_t keysForChunk(std::size_t bytes, int rows) {
  constexpr auto most = static_cast<std::size_t>(kKeysPerChunk);
  if (rows == 0 || bytes == 0) return most;
  return std::clamp<std::size_t>(kChunkBytes * static_cast<std::size_t>(rows) / bytes, 1, most);
}

// Whether each side's queries and processors are on that side's connection.
void checkSides(const TransferPlan& plan) {
  const TZConnection* sender = &plan.sending.connection;
  const TZConnection* receiver = &plan.receiving.connection;
  if (plan.sending.transaction.Connection() != sender ||
      plan.sending.dequeue.Connection() != sender || plan.queue.Connection() != sender ||
      plan.records.Connection() != sender || plan.receiving.transaction.Connection() != receiver ||
      plan.processor.Connection() != receiver) {
    throw std::logic_error("transfer: a query or a processor is not on its side's connection");
  }
}

void observe(const TransferPlan& plan, TransferMoment moment, int chunk) {
  if (plan.observe) plan.observe(moment, chunk);
}

}  // namespace

void transfer(const TransferPlan& plan, bool dryRun, std::vector<RejectedStatement>& rejected,
              int& delivered, JobReporter& reporter) {
  checkSides(plan);
  SendingReader sender(plan, reporter);
  ReceivingRunner receiver(plan, dryRun, rejected);
  startProgress(reporter, plan.line, sender.QueueRows());

  // An empty queue makes one chunk of the script's first lines.
  std::vector<std::string> firstLines;
  plan.begin(firstLines);
  Chunk chunk = sender.Read(kKeysInFirstChunk, receiver.Target());
  chunk.statements.insert(chunk.statements.begin(), std::make_move_iterator(firstLines.begin()),
                          std::make_move_iterator(firstLines.end()));
  observe(plan, TransferMoment::ChunkRead, 0);

  // The script goes to its file and to the receiver a chunk at a time: every
  // chunk ends with a whole statement, so the receiver runs the same
  // statements in the same order as from the whole script.
  OutputFile file(plan.scriptFile);
  for (int number = 0;; ++number) {
    for (const std::string& statement : chunk.statements) {
      file.write(statement);
      file.write("\r\n");
    }
    // The sender dequeues the chunk before the receiver is sent it, so that
    // a dequeue that fails (a queue entry locked) sends nothing; then, while
    // the receiver runs the chunk, the sender reads the next one, inside the
    // chunk's transaction. Whatever ends the run, the receiver's thread is
    // joined before the sender rolls back (the runner is destroyed first).
    sender.Dequeue(chunk);
    receiver.Start(chunk);
    Chunk next;
    if (!sender.AtEnd()) {
      next = sender.Read(keysForChunk(chunk.bytes, chunk.rows), receiver.Target());
      observe(plan, TransferMoment::ChunkRead, number + 1);
    }
    receiver.Wait();
    // The receiver holds the chunk before its queue entries go. The window
    // paints in between.
    reporter.ProcessPendingEvents();
    sender.Finish(dryRun);
    delivered += chunk.rows;
    if (next.rows == 0) break;
    observe(plan, TransferMoment::SenderCommitted, number);
    sender.Begin();
    chunk = std::move(next);
  }
  file.close();
  if (!rejected.empty()) throw EZSQLException(rejected.front().message);
}

}  // namespace zararod

// The sending side of a transfer (app/record_transfer.h): reads the queue
// once, then takes it up chunk by chunk, reading each chunk's records and
// building their script, and deletes exactly the queue entries a chunk took
// up. Everything it does runs on the calling thread, on the sending
// connection, inside the sending side's transactions.
#pragma once

#include <cstddef>
#include <vector>

#include "app/job_reporter.h"
#include "app/job_transaction.h"
#include "app/record_transfer.h"
#include "app/transfer_chunk.h"

namespace zararod {

class SendingReader {
 public:
  // Opens the sending side: connects anew to the plan's database, begins
  // the first transaction, reads the whole queue through plan.queue and
  // shows its count on the plan's status line. Throws the connection's and
  // the queries' errors. `plan` and `reporter` must outlive the reader.
  SendingReader(const TransferPlan& plan, JobReporter& reporter);
  // Rolls back an open transaction.
  ~SendingReader() = default;
  SendingReader(const SendingReader&) = delete;
  SendingReader& operator=(const SendingReader&) = delete;

  // The queue rows read.
  int QueueRows() const { return queueRows_; }
  // Whether every queue row has been taken up by a chunk.
  bool AtEnd() const;

  // The next chunk: up to `maxKeys` queue rows taken up (the progress bar
  // moves a step for each), the records of their keys read and their script
  // statements built for `receiver`: for each queue row, the receiver's
  // delete of its key, then a statement for each record the key holds. An
  // empty chunk once AtEnd(). Its queue entries stay. Throws the queries'
  // errors and what the plan's pieces throw.
  Chunk Read(std::size_t maxKeys, const ReceiverTarget& receiver);
  // Deletes the chunk's queue entries: for each key it took up, as many of
  // the key's entries as it took up, so that an entry queued after the
  // queue was read stays. One round trip (one statement per round trip on a
  // cluster node). Throws the server's EZSQLException.
  void Dequeue(const Chunk& chunk);

  // Commits the open transaction, or rolls it back when `dryRun`.
  void Finish(bool dryRun) { transaction_.Finish(dryRun); }
  // Begins the next transaction. REQUIRES: none open.
  void Begin() { transaction_.Begin(); }

 private:
  const TransferPlan& plan_;
  JobReporter& reporter_;
  JobTransaction transaction_;
  int queueRows_ = 0;
  int taken_ = 0;                  // queue rows taken up so far
  bool noBackslashEscapes_ = false;  // of the sending server
  std::vector<bool> paddedKeys_;     // the record table's CHAR key columns
};

}  // namespace zararod

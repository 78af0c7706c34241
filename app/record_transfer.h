// The one protocol by which every job moves queued records from a sending
// server to a receiving server without losing one: read the queue, then
// chunk by chunk read the records, build the script, run it on the receiver,
// commit the receiver, commit the sender (app/job_transaction.h holds the
// transactions). A broken link costs at most the chunk in flight: the chunks
// committed before stay delivered and dequeued, and the next run goes on
// from the queue as it stands. The address import and the two slip transfers
// differ only in the pieces of a TransferPlan; transfer() runs one.
//
// Records are read and dequeued in chunks of kKeysPerChunk queued keys: one
// SELECT for the records of the chunk's keys, then one DELETE for their
// queue entries, right after the read (never a queue entry before its record
// has been read), in the chunk's transaction on the sender, which commits
// only after the receiver has committed the chunk's script. Keys are matched as app/record_keys.h says. The progress
// bar moves one step per queued key as the chunk's keys are taken up, just
// before their records are read.
//
// The script is not held whole: each chunk's lines are appended to the script
// file and run on the receiver (in batches, see TZSQLProcessor) before the
// next chunk is read, so the records and their script take the memory of one
// chunk whatever the queue holds. The queue itself is held whole: the
// window's query on it keeps every queued key (a few dozen bytes each), as
// the status line counts them, for the whole job. The file is created with
// the first chunk; after a failure it holds the script up to the chunk that
// failed.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/job_reporter.h"

namespace zararod {

class TZConnection;
class TZQuery;
class TZSQLProcessor;

// One side of a job: its connection and the private query on that connection
// that carries the transaction statements, so that the window's queries keep
// exactly their own texts. The two sides are distinct types: a plan cannot
// take the one for the other. REQUIRES: `transaction` is on `connection`
// (transfer() checks it).
struct SendingSide {
  TZConnection& connection;
  TZQuery& transaction;
};
struct ReceivingSide {
  TZConnection& connection;
  TZQuery& transaction;
};

// A statement of the script that the receiving server rejected in a dry run.
struct RejectedStatement {
  std::string statement;  // cp1250, as split from the script
  std::string message;    // "SQL Error: ..." and the key of its record
};

// Queued keys taken up per chunk.
inline constexpr int kKeysPerChunk = 500;

// What one job is made of. References are to members of Jobs and must
// outlive the transfer.
struct TransferPlan {
  JobReporter::Line line;
  std::string database;    // switched to on both sides
  std::string statusText;  // the status line's text before the queue count

  std::string recordTable;  // the records, on both sides

  // Sending side.
  SendingSide sending;
  TZQuery& queue;  // the window's query on the queue: "select * from <queue>;"
  std::string queueTable;
  TZQuery& records;                     // reads the records and deletes the queue entries
  std::vector<const char*> keyColumns;  // in the queue and the record table

  // Receiving side.
  ReceivingSide receiving;
  TZSQLProcessor& processor;  // on the receiving connection
  std::string scriptFile;  // in the working directory

  // After the progress bar shows: the script's first lines (and anything the
  // job prepares, such as its column list).
  std::function<void(std::vector<std::string>& script)> begin;
  // The SELECT of the records that match `condition` on the sending side,
  // with `locking` (empty, or " for update") after the condition.
  std::function<std::string(const std::string& condition, const std::string& locking)>
      readStatement;
  // The script's delete line for one key, one statement; `condition` picks
  // the key exactly.
  std::function<std::string(const std::string& condition)> receiverDelete;
  // The script lines of the one statement that writes the current record of
  // `rows` on the receiving server (`receiverNbe`: it has
  // NO_BACKSLASH_ESCAPES, as its connection reported once, when the job
  // opened it; every literal of the job's script follows this one answer). A
  // statement of the script that fails is named by the key of its record, so
  // these counts must hold.
  std::function<void(TZQuery& rows, bool receiverNbe, std::vector<std::string>& script)> write;
};

// Runs `plan` and returns the number of queue rows visited. Each chunk is
// committed on its own, receiver first: `delivered` grows by a chunk's
// queue rows once both sides have committed it, so after an error it counts
// what this run delivered before. With `dryRun` every chunk is rolled back
// instead (and still counted), and every statement the receiver rejects is
// added to `rejected` (which the caller clears) instead of ending the run;
// the run then throws the first one's error as a real run would. A lock error (app/job_retry.h) is never a
// rejection: it ends the run. Any error rolls both sides back and passes
// through: the connections' and queries' errors, EZSQLException for a script
// statement (its message followed by its record's key), the script file's
// errors, and std::logic_error when a side's query is not on its connection.
int transfer(const TransferPlan& plan, bool dryRun, std::vector<RejectedStatement>& rejected,
             int& delivered, JobReporter& reporter);

}  // namespace zararod

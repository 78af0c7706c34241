// The one protocol by which every job moves queued records from a sending
// server to a receiving server without losing one: read the queue, then
// chunk by chunk read the records, build the script, run it on the receiver,
// commit the receiver, commit the sender (app/job_transaction.h holds the
// transactions). A broken link costs at most the chunks in flight: the
// chunks committed on both sides stay delivered and dequeued, and the next
// run goes on from the queue as it stands. The address import and the two
// slip transfers differ only in the pieces of a TransferPlan; transfer()
// runs one.
//
// Records are read in chunks of queued keys, one SELECT for the records of
// a chunk's keys (the first chunk takes kKeysInFirstChunk keys; each chunk
// after it as many as made about kChunkBytes of script in the chunk before,
// and at most kKeysPerChunk: wide records make smaller chunks, so that a
// chunk's memory stays about the same), and dequeued with one DELETE for their
// queue entries (never a queue entry before its record has been read). The
// progress bar moves one step per queued key as the chunk's keys are taken
// up, just before their records are read. Keys are matched as
// app/record_keys.h says.
//
// Two chunks are in flight at a time. While the receiver runs chunk N on a
// thread of its own, the sender reads chunk N+1's records, with locking
// reads, inside chunk N's transaction. Then:
//   receiver commits N and begins N+1 (in the round trip that carries N's
//   statements, COMMIT AND CHAIN after them); sender commits N
//   (its dequeue); sender begins N+1 and deletes N+1's queue entries; ...
// The locks keep a record of chunk N+1 that another session changes (and
// queues again) waiting until chunk N has committed; its new queue entry
// then comes after chunk N+1's dequeue, which follows that commit at once,
// so the change goes with the next run instead of being dequeued unsent.
// The first chunk is dequeued right after its read. A sender that breaks
// while the next chunk is read costs chunk N's dequeue as well: the
// receiver holds it, and the next run sends it again (harmless, as every
// record is written delete-then-insert).
//
// The script is not held whole: each chunk's lines are appended to the
// script file, and its statements, as built, run on the receiver (in
// batches, see TZSQLProcessor::ExecuteStatements; the script text is never
// split again), so the records and their script take the memory of two
// chunks whatever the queue holds. The queue itself is held whole: the window's query on it
// keeps every queued key (a few dozen bytes each), as the status line counts
// them, for the whole job. The file is created once the first chunk has
// been read; after a failure it holds the script up to the chunk that
// failed.
//
// Threads: transfer() is called on one thread (the window's), which alone
// uses the reporter and the sending side. The receiving connection, its
// transaction query and the processor are used by the receiving thread
// while it runs a chunk and by the calling thread only while none runs;
// transfer() joins the receiving thread before it returns or throws, and
// passes on its error.
#pragma once

#include <cstddef>
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

// The most queued keys taken up per chunk.
inline constexpr int kKeysPerChunk = 500;
// The queued keys of the first chunk: few, as nothing yet tells how much
// script a key makes. Its script sizes the chunk after it, and a link that
// breaks soon after the job starts still lets it through.
inline constexpr int kKeysInFirstChunk = 100;
// About the most bytes of script per chunk after the first.
inline constexpr std::size_t kChunkBytes = std::size_t{3} << 19;

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

  // After the progress bar shows: the script's first lines, one statement
  // each (and anything the job prepares, such as its column list).
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

// Runs `plan`. Each chunk is committed on its own, receiver first:
// `delivered` grows by a chunk's queue rows once both sides have committed
// it, so after an error it counts what this run delivered before. With
// `dryRun` every chunk is rolled back instead (and still counted), and every
// statement the receiver rejects is added to `rejected` (which the caller
// clears) instead of ending the run; the run then throws the first one's
// error as a real run would. A lock error (app/job_retry.h) is never a
// rejection: it ends the run. Any error rolls both sides back and passes
// through: the connections' and queries' errors, EZSQLException for a script
// statement (its message followed by its record's key), the script file's
// errors, and std::logic_error when a side's query is not on its connection.
void transfer(const TransferPlan& plan, bool dryRun, std::vector<RejectedStatement>& rejected,
              int& delivered, JobReporter& reporter);

}  // namespace zararod

// The one protocol by which every job moves queued records from a sending
// server to a receiving server without losing a record or a change of one.
// The address import and the two slip transfers differ only in the pieces of
// a TransferPlan; transfer() runs one.
//
// The outline: read the queue once; then chunk by chunk read the chunk's
// records, build their script, run it on the receiver, commit the receiver,
// commit the sender (app/job_transaction.h holds the transactions). The
// sender's transaction of a chunk holds the chunk's dequeue and the read of
// the next chunk's records; the first one also holds the first chunk's read.
//
// Why nothing is lost. A queue entry stands for a change of its record: the
// site's or the central server's own programs change a record and queue its
// key, in one transaction. The job may delete an entry only once the state
// of its record that the job sends is at least as new as that change.
//  1. The queue is read once, at time Q. Every entry it holds was committed
//     before Q, with its change.
//  2. A chunk's records are read after Q, each read seeing what the server
//     has committed (READ COMMITTED), or, where the sending side keeps the
//     server's own level, the snapshot of the chunk's transaction, which
//     begins after Q (its snapshot is taken at its first read). So the
//     state sent of every key of the chunk is at least as new as the changes
//     of the entries the queue held at Q.
//  3. A chunk deletes exactly the entries it took up from the queue read: for
//     each key, as many entries as the chunk took up for it ("delete ... where
//     <key> limit n", all of them in one round trip). Entries of a key hold
//     nothing but the key, so which n go is all one: any entry queued after
//     Q is left, counted or not, and the next run sends its record again.
//     The chunk's dequeue and the reads need no locks for this, so the site's
//     own program never waits for a job's read.
//  4. The sender commits a chunk's dequeue only after the receiver has
//     committed the chunk's script. A run that breaks in between leaves the
//     chunk queued, and the next run sends it again, which is harmless, as
//     every record is written delete-then-insert.
// So any change committed while a job runs either is in what the job sends,
// or its queue entry survives the job. Two senders working one queue at the
// same time are outside this argument: each deletes entries the other read.
//
// Chunks. A chunk takes up queued keys in queue order: the first chunk
// kKeysInFirstChunk keys; each chunk after it as many as made about
// kChunkBytes of script in the chunk before, and at most kKeysPerChunk
// (wide records make smaller chunks, so that a chunk's memory stays about
// the same). One SELECT reads the records of a chunk's keys. The progress bar
// moves one step per queued key as the chunk's keys are taken up, just
// before their records are read. Keys are matched as app/record_keys.h says.
//
// Two chunks are in flight at a time. The sender deletes chunk N's queue
// entries; while the receiver runs chunk N on a thread of its own, the
// sender reads chunk N+1's records, inside chunk N's transaction. Then:
//   receiver commits N and begins N+1 (COMMIT AND CHAIN at the end of the
//   round trip that carries N's statements); sender commits N; sender
//   begins N+1 and dequeues N+1; receiver runs N+1 while the sender reads
//   N+2; ...
// A sender that breaks after the receiver has committed chunk N costs chunk
// N's dequeue: the next run sends it again.
//
// The script is not held whole: each chunk's lines are appended to the
// script file, and its statements, as built, run on the receiver (in
// batches, see TZSQLProcessor::ExecuteStatements; the script text is never
// split again), so the records and their script take the memory of two
// chunks whatever the queue holds. The queue itself is held whole: the
// window's query on it keeps every queued key (a few dozen bytes each), as the
// status line counts them, for the whole job. The file is created once the
// first chunk has been read; after a failure it holds the script up to the
// chunk that failed.
//
// Threads: transfer() is called on one thread (the window's), which alone
// uses the reporter and the sending side. The receiving connection, its
// transaction query and the processor are used by the receiving thread
// while it runs a chunk and by the calling thread only while none runs
// (one thread at a time, as every connection is used); transfer() joins the
// receiving thread before it returns or throws, and passes on its error.
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
// exactly their own texts. The sending side also has a private processor on
// its connection, which runs a chunk's dequeue, one statement per key, in one
// round trip. The two sides are distinct types: a plan cannot take the one
// for the other. REQUIRES: `transaction` (and `dequeue`) are on `connection`
// (transfer() checks it).
struct SendingSide {
  TZConnection& connection;
  TZQuery& transaction;
  TZSQLProcessor& dequeue;
};
struct ReceivingSide {
  TZConnection& connection;
  TZQuery& transaction;
};

// The moments of a transfer at which TransferPlan::observe is called, each
// with the number of the chunk it concerns (0 for the first): after a chunk's
// records are read, before its dequeue; after the sender has committed a
// chunk, before the next chunk's dequeue (not after the last chunk); and on
// the receiving thread, just before the receiver is sent a chunk.
enum class TransferMoment { ChunkRead, SenderCommitted, ReceiverRunning };

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
  // The SELECT of the records that match `condition` on the sending side.
  std::function<std::string(const std::string& condition)> readStatement;
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

  // Called at each TransferMoment, when set; on the receiving thread for
  // ReceiverRunning. For watching a job from outside (the tests change
  // records at these moments). What it throws ends the run as an error does.
  std::function<void(TransferMoment moment, int chunk)> observe;
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
// errors, and std::logic_error when a side's query or processor is not on
// its connection.
void transfer(const TransferPlan& plan, bool dryRun, std::vector<RejectedStatement>& rejected,
              int& delivered, JobReporter& reporter);

}  // namespace zararod

// The transaction that guards one side of a job.
#pragma once

#include "db/query.h"

namespace zararod {

// START TRANSACTION ... COMMIT on the connection of `query`, one transaction
// after another: a job runs one per chunk on each side. Begin prepares the
// session the first time (below) and starts a transaction; after Commit,
// Rollback or Finish, Begin starts the next one on the same session. Going
// out of scope with a transaction open rolls it back; a rollback that fails
// (the connection died) drops the live connection, which makes the server
// roll back.
// Begin, Commit and Finish throw the errors of the query; Rollback never
// throws. The query must outlive the transaction.
//
// Both sessions run at READ COMMITTED from their first Begin on (it stays
// the session's level after the job), unless the server logs statements (not
// rows) for replication or backups: such a server refuses writes to its
// tables at that level, so each side asks first and there keeps the server's
// level.
// The sending side wants each row read to see what the server holds at that
// moment, as it would without a transaction. Under the server's default
// level every plain read would see the queue's moment, so a record changed
// and queued again while the job runs would be sent in its old version while
// its new queue entry is deleted. Where it keeps the server's level it
// therefore reads the queue and the records with locking reads (LockingReads:
// "... for update"), which read the latest committed rows and hold them until
// the transaction ends.
// The receiving side only deletes, inserts and updates; at the server's
// default level its deletes of keys that the server does not hold lock the
// gaps around them, and jobs of many sites writing the same tables at the
// same moment deadlock on those gap locks.
// The receiving session also adds STRICT_ALL_TABLES to the server's sql_mode:
// a value that does not fit its column (a text too long, a number out of
// range, a character the column's character set lacks) then fails its
// statement instead of being stored altered, so no job reports a record sent
// that did not arrive as it was read.
enum class JobSide { Sending, Receiving };

class JobTransaction {
 public:
  JobTransaction(TZQuery& query, JobSide side) : query_(query), side_(side) {}
  ~JobTransaction();
  JobTransaction(const JobTransaction&) = delete;
  JobTransaction& operator=(const JobTransaction&) = delete;

  // REQUIRES: no transaction open; the connection is the one of the first
  // Begin (a new live connection needs a new JobTransaction).
  void Begin();
  // Whether a transaction is open (begun, not yet committed or rolled back).
  bool Open() const { return open_; }
  // After Begin: whether the transaction runs at the server's own level, so
  // that the sending side must read with locks.
  bool LockingReads() const { return lockingReads_; }
  void Commit();
  void Rollback() noexcept;
  // Commit, or roll back in a dry run.
  void Finish(bool dryRun);
  // The statement that does the same and starts the next transaction at
  // once (COMMIT AND CHAIN, or ROLLBACK AND CHAIN in a dry run), for a caller
  // that sends it on the transaction's session along with other statements,
  // in one round trip. Once it has run, the transaction is still Open().
  static const char* FinishAndBeginNextStatement(bool dryRun);

 private:
  void run(const char* statement);
  // Whether the server accepts writes to its tables at READ COMMITTED: not
  // when it writes a binary log in statement format.
  bool acceptsReadCommittedWrites();

  TZQuery& query_;
  JobSide side_;
  bool open_ = false;
  bool sessionReady_ = false;  // the session's mode set, its level learnt
  bool lockingReads_ = false;
};

}  // namespace zararod

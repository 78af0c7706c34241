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
// The sending side reads each chunk's records at READ COMMITTED so that
// they are as new as the server holds them; where it keeps the server's
// level, its reads see the snapshot of the chunk's transaction, which is as
// good for the job: app/record_transfer.h says why either is enough.
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
  bool sessionReady_ = false;  // the session's mode and level set
};

}  // namespace zararod

// The receiving side of a transfer (app/record_transfer.h): runs each chunk's
// script on the receiving server, on a thread of its own, and ends the
// chunk's transaction in the same round trip.
#pragma once

#include <future>
#include <string>
#include <vector>

#include "app/job_transaction.h"
#include "app/record_transfer.h"
#include "app/transfer_chunk.h"

namespace zararod {

class ReceivingRunner {
 public:
  // Opens the receiving side: connects anew to the plan's database, begins
  // its transaction and learns what the sending side must know of it
  // (Target()). Multi-statements stay on for the job's receiving session;
  // on a Galera node the script goes one statement per round trip. Throws
  // the connection's and the queries' errors. `plan` and `rejected` must
  // outlive the runner.
  ReceivingRunner(const TransferPlan& plan, bool dryRun,
                  std::vector<RejectedStatement>& rejected);
  // Waits for a running chunk (dropping its error), rolls back an open
  // transaction and gives the processor back its batch settings.
  ~ReceivingRunner();
  ReceivingRunner(const ReceivingRunner&) = delete;
  ReceivingRunner& operator=(const ReceivingRunner&) = delete;

  const ReceiverTarget& Target() const { return target_; }

  // Starts running `chunk`'s statements on a thread of its own, followed by
  // the commit that also begins the next chunk's transaction (a rollback in
  // a dry run). The chunk's statements and owners are moved out; the rest of
  // it stays the caller's. Until Wait returns (or the runner is destroyed),
  // nothing else may use the receiving connection, its queries or the
  // processor. REQUIRES: no chunk running.
  void Start(Chunk& chunk);
  // Waits for the running chunk and throws its error: the server's
  // EZSQLException for a script statement (its message followed by its
  // record's key), or what TransferPlan::observe threw. In a dry run a
  // rejected statement is added to `rejected` instead, and the run goes on.
  void Wait();

 private:
  // The receiving thread's work: one chunk (its statements, and the key of
  // each record statement among the last of them), start to commit.
  void run(std::vector<std::string> statements, const std::vector<std::string>& owners,
           int number);

  const TransferPlan& plan_;
  bool dryRun_;
  std::vector<RejectedStatement>& rejected_;
  JobTransaction transaction_;
  ReceiverTarget target_;
  int batchSize_;         // the processor's, given back at the end
  bool keepMultiStatements_;
  int chunks_ = 0;        // chunks started
  std::future<void> running_;  // last: joined before anything above goes
};

}  // namespace zararod

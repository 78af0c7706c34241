// The handlers' logic of the main window, without any window: the settings,
// the start-up status check, the address-book import and the two slip
// transfers. The window TForm1 owns one Jobs and reports through its widgets;
// zararod-cli owns one and reports on a terminal. There is one copy of each
// handler's logic, here.
//
// Jobs owns the two connections (ZConnection1 to the local server,
// ZConnection2 to the central server), the five queries, the two script
// processors and the series number rada, all named as the window names them
// and alive for as long as the Jobs object. The queries are declared after
// the connections, so they are destroyed first.
//
// No record and no change of one is ever lost: each job moves its records in
// chunks, each committed on the receiving side first, then on the sending
// side; app/record_transfer.h says how and why. On any error both open
// transactions are rolled back (a connection that died takes its
// transaction with it): the chunks committed before stay delivered and
// dequeued, the chunk in flight stays queued, and the next run delivers it.
//
// The receiving side takes the script many statements per round trip (the
// processors' BatchSize, from the key Batch of each server's settings
// section; Batch=0 sends one statement at a time).
//
// A job whose statement a server rejects with a deadlock or a lock wait
// timeout (many sites sending at the same moment) runs again from the queue
// as it stands, up to three attempts in all, after a short random pause
// (app/job_retry.h); the reporter hears of each new attempt. The final
// message counts the queue rows of every chunk that the job's attempts
// delivered.
//
// Errors: ImportAddresses and SendSlips let every error through (the window
// shows it in the error box, zararod-cli on stderr) after rolling back, the
// lock errors once the last attempt has failed;
// CheckStatus catches everything. Jobs must not be started inside one another
// (the window ignores presses while a job runs).
// Not thread-safe; used on one thread. A job runs its receiving side's
// chunks on a thread of its own, joined before the job returns
// (app/record_transfer.h).
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/job_reporter.h"
#include "app/job_retry.h"
#include "app/record_transfer.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/sql_processor.h"

namespace zararod {

enum class SlipKind { Weighing, Laboratory };

class Jobs {
 public:
  // The connections with their initial values: protocol "mysql", host
  // "localhost", user "root", empty password, port 0, databases "vorazu1"
  // (local) and "dovodi" (central), the one property "codepage=cp1250",
  // not connected. rada is empty until the settings are applied.
  Jobs();
  ~Jobs();
  Jobs(const Jobs&) = delete;
  Jobs& operator=(const Jobs&) = delete;

  // Reads the settings file (normally ExePath() + "vedid.ini") into the two
  // connections (login, time limits, TLS, compression) and rada,
  // disconnecting each first. Never throws for a missing or malformed file;
  // an SSL or Compress value that is neither on nor off makes every connect
  // to that server fail with an error naming the section and the key.
  void ApplySettings(const std::string& iniPath);

  // The three queue counts of the start-up check: sets the three status lines
  // to their counts, or to "nelze se připojit k serveru " + host and disables
  // that job. Never throws.
  void CheckStatus(JobReporter& reporter);

  // "nahrát Adresář": imports the queued addresses from the central server
  // into the local server (script aad.txt in the working directory) and
  // reports "Nahráno N nových adres". Returns N, the queue rows delivered
  // (in a dry run: visited).
  int ImportAddresses(JobReporter& reporter);

  // "odeslat VL" / "odeslat LL": sends the queued slips from the local server
  // to the central server (script avl.txt / all.txt in the working directory)
  // and reports "Odesláno N nových VL" / "... LL". Returns N.
  int SendSlips(SlipKind kind, JobReporter& reporter);

  // The column list of `table` on the local server through ZQuery2.
  std::string udelejPolozky(const std::string& table, JobReporter& reporter);

  // Dry run: a job runs in full, chunk by chunk inside its transactions, and
  // each chunk is rolled back on both servers instead of committed.
  // Statements the receiving server rejects do not end a dry run; they are
  // collected in RejectedStatements() (cleared when an attempt starts) and
  // the job then throws as a real run would.
  void SetDryRun(bool dryRun) { dryRun_ = dryRun; }
  bool DryRun() const { return dryRun_; }
  using Rejected = RejectedStatement;
  // Called at the moments of every job's transfer (TransferPlan::observe);
  // empty by default. For watching a job from outside, as the tests do.
  void ObserveTransfers(std::function<void(TransferMoment, int chunk)> observer) {
    observer_ = std::move(observer);
  }
  const std::vector<Rejected>& RejectedStatements() const { return rejected_; }

  TZConnection ZConnection1;  // local server, section LogON
  TZConnection ZConnection2;  // central server, section LogON_adr
  std::string rada;           // series number, pasted unquoted into adresar_<rada>

  TZQuery ZQuery1{"ZQuery1"};      // local: queue counts, weighing-slip queue
  TZQuery ZQuery2{"ZQuery2"};      // local: column lists, slip rows, queue deletes
  TZQuery ZQuery3{"ZQuery3"};      // local: laboratory-slip queue
  TZQuery ZQuery21{"ZQuery21"};    // central: address queue
  TZQuery ZQuery22{"ZQuery22"};    // central: address rows, queue deletes
  TZSQLProcessor ZSQLProcessor1;   // local: runs aad.txt
  TZSQLProcessor ZSQLProcessor21;  // central: runs avl.txt / all.txt

 private:
  // One attempt of each job; adds what it delivers to delivered_.
  void importAddressesOnce(JobReporter& reporter);
  void sendSlipsOnce(SlipKind kind, JobReporter& reporter);
  // Runs attempt() under retry_ with delivered_ from 0 and returns
  // delivered_. A dry run commits nothing, so each of its attempts counts
  // from 0 again.
  template <typename Attempt>
  int runAttempts(JobReporter& reporter, JobReporter::Line line, Attempt&& attempt);

  // Private queries that carry the transaction statements, and private
  // processors that run the queue deletes, so that the window's queries and
  // processors keep exactly their own texts.
  TZQuery transaction1_{"ZQuery1"};
  TZQuery transaction2_{"ZQuery21"};
  TZSQLProcessor dequeue1_;  // local
  TZSQLProcessor dequeue2_;  // central
  std::function<void(TransferMoment, int)> observer_;
  bool dryRun_ = false;
  std::vector<Rejected> rejected_;
  int delivered_ = 0;  // queue rows delivered by the running job
  JobRetry retry_;
};

}  // namespace zararod

// A job that meets another session's lock on either server: rolled back on
// both sides and run again, so that every record still arrives exactly once;
// after the last attempt the job ends with the server's error and both
// servers as they were.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "app/captured_output_test_support.h"
#include "app/cli.h"
#include "app/jobs_test_support.h"
#include "app/record_transfer.h"
#include "db/db_exceptions.h"
#include "testing/case_name.h"

namespace zararod::testing {
namespace {

// New sessions of both servers (the jobs' connections) give up on a lock
// after one second, for as long as this lives.
class ShortLockWait {
 public:
  ShortLockWait() {
    for (Server server : {Server::Site, Server::Central}) {
      AdminSession(server).exec("set global innodb_lock_wait_timeout = 1");
    }
  }
  ~ShortLockWait() {
    for (Server server : {Server::Site, Server::Central}) {
      AdminSession(server).exec("set global innodb_lock_wait_timeout = default");
    }
  }
};

// Another session that holds row locks until Release.
class LockHolder {
 public:
  LockHolder(Server server, const std::string& lockingRead) : session_(server) {
    session_.exec("start transaction");
    session_.rows(lockingRead);
  }
  void Release() { session_.exec("rollback"); }

 private:
  AdminSession session_;
};

struct JobCase {
  const char* id;
  Server lockedServer;
  const char* lockingRead;
  std::function<int(Jobs&, JobReporter&)> run;
  // Every table the job touches, as "<server>:<database.table>".
  std::vector<std::pair<Server, std::string>> tables;
};

const std::vector<std::pair<Server, std::string>> kSlipTables = {
    {Server::Site, "vorazu1.vaznil"},
    {Server::Site, "vorazu1.vaznil_00"},
    {Server::Central, "vorazu1.vaznil"}};
const std::vector<std::pair<Server, std::string>> kAddressTables = {
    {Server::Central, "dovodi.adresar"},
    {Server::Central, "dovodi.adresar_10"},
    {Server::Site, "dovodi.adresar"}};

int sendWeighingSlips(Jobs& jobs, JobReporter& reporter) {
  return jobs.SendSlips(SlipKind::Weighing, reporter);
}
int importAddresses(Jobs& jobs, JobReporter& reporter) { return jobs.ImportAddresses(reporter); }

const JobCase kCases[] = {
    {"SlipsCentralCopyLocked", Server::Central,
     "select * from vorazu1.vaznil where cislodokla = '2026/0002' for update", sendWeighingSlips,
     kSlipTables},
    {"SlipsSiteQueueEntryLocked", Server::Site,
     "select * from vorazu1.vaznil_00 where cislodokla = '2026/0002' for update", sendWeighingSlips,
     kSlipTables},
    {"AddressesSiteAddressLocked", Server::Site,
     "select * from dovodi.adresar where kodpar = '100234' for update", importAddresses,
     kAddressTables},
};

class JobRetryTest : public JobsDbTest {
 public:
  // Every row of every table of the job. Without the columns that differ
  // between two equal runs (the ids taken by attempts rolled back, the time
  // of the import) unless `whole`.
  static std::vector<std::vector<Row>> contents(const JobCase& c, bool whole) {
    std::vector<std::vector<Row>> tables;
    for (const auto& [server, table] : c.tables) {
      AdminSession session(server, "", "cp1250");
      const std::string database = table.substr(0, table.find('.'));
      const std::string name = table.substr(table.find('.') + 1);
      std::string columns;
      for (const Row& column : session.rows(
               "select column_name from information_schema.columns where table_schema = '" +
               database + "' and table_name = '" + name + "' order by ordinal_position")) {
        if (!whole && (*column[0] == "id" || *column[0] == "DATUMZAL")) continue;
        columns += (columns.empty() ? "" : ",") + *column[0];
      }
      tables.push_back(
          session.rows("select " + columns + " from " + table + " order by " + columns));
    }
    return tables;
  }

  // Both servers' sample databases as they were when the test began.
  static void reloadSampleData() {
    loadSampleData(Server::Site);
    loadSampleData(Server::Central);
  }
};

class JobRetries : public JobRetryTest, public ::testing::WithParamInterface<JobCase> {};

TEST_P(JobRetries, AJobThatMeetsALockRunsAgainAndDeliversEveryRecordOnce) {
  const JobCase& c = GetParam();
  ShortLockWait shortWait;
  RecordingReporter clean;
  Jobs cleanJobs;
  cleanJobs.ApplySettings(iniPath_);
  const int cleanCount = c.run(cleanJobs, clean);
  const auto expected = contents(c, false);

  reloadSampleData();
  LockHolder lock(c.lockedServer, c.lockingRead);
  reporter_.onRetry = [&](int) { lock.Release(); };
  EXPECT_EQ(c.run(jobs_, reporter_), cleanCount);
  EXPECT_EQ(reporter_.retries, std::vector<int>{2});
  EXPECT_EQ(reporter_.messages, clean.messages);
  EXPECT_EQ(contents(c, false), expected);
}

TEST_P(JobRetries, AfterTheThirdFailureTheJobEndsWithTheErrorAndBothServersUnchanged) {
  const JobCase& c = GetParam();
  ShortLockWait shortWait;
  const auto before = contents(c, true);
  LockHolder lock(c.lockedServer, c.lockingRead);
  try {
    c.run(jobs_, reporter_);
    ADD_FAILURE() << "the job succeeded";
  } catch (const EZSQLException& e) {
    EXPECT_EQ(e.ErrorCode(), 1205);
    EXPECT_EQ(e.Message().rfind("SQL Error: Lock wait timeout exceeded", 0), 0u) << e.Message();
  }
  EXPECT_EQ(reporter_.retries, (std::vector<int>{2, 3}));
  EXPECT_TRUE(reporter_.messages.empty());
  lock.Release();
  EXPECT_EQ(contents(c, true), before);
}

INSTANTIATE_TEST_SUITE_P(Locks, JobRetries, ::testing::ValuesIn(kCases), CaseName());

TEST_F(JobRetryTest, ALockErrorIsNeverARejectedStatementOfADryRun) {
  ShortLockWait shortWait;
  const JobCase& c = kCases[0];
  const auto before = contents(c, true);
  LockHolder lock(c.lockedServer, c.lockingRead);
  reporter_.onRetry = [&](int) { lock.Release(); };
  jobs_.SetDryRun(true);
  EXPECT_EQ(jobs_.SendSlips(SlipKind::Weighing, reporter_), 4);
  EXPECT_EQ(reporter_.retries, std::vector<int>{2});
  EXPECT_TRUE(jobs_.RejectedStatements().empty());
  EXPECT_EQ(contents(c, true), before);
}

TEST_F(JobRetryTest, ALockInALaterChunkRunsAgainFromTheQueueAsItStands) {
  ShortLockWait shortWait;
  // The first chunk, a full chunk and more, as a slip of the second chunk is
  // queued twice.
  constexpr int slips = 2 * kKeysPerChunk;
  constexpr int locked = kKeysInFirstChunk + 100;
  const std::string number = std::to_string(locked);
  const std::string key = "C" + std::string(5 - number.size(), '0') + number;
  queueNumberedSlips(slips, locked);
  // An older central copy of that slip, locked alone (no gap): the second
  // chunk's delete of it waits for the lock.
  AdminSession lock(Server::Central);
  lock.exec("insert into vorazu1.vaznil (cislodokla, rada, ridic) values ('" + key +
            "', '01', 'old'); "
            "set session transaction isolation level read committed; start transaction");
  lock.rows("select * from vorazu1.vaznil where cislodokla = '" + key + "' for update");
  reporter_.onRetry = [&](int) { lock.exec("rollback"); };
  // The first attempt delivers the first chunk; the second sends the rest
  // only. The message counts both.
  EXPECT_EQ(jobs_.SendSlips(SlipKind::Weighing, reporter_), slips + 1);
  EXPECT_EQ(reporter_.retries, std::vector<int>{2});
  EXPECT_EQ(reporter_.messages,
            std::vector<std::string>{"Odesláno " + std::to_string(slips + 1) + " nových VL"});
  // The queue as it stood for the second attempt.
  EXPECT_EQ(reporter_.progressMax[1], slips + 1 - kKeysInFirstChunk);
  EXPECT_EQ(numberedSlipsArrived(), std::to_string(slips));
  EXPECT_EQ(AdminSession(Server::Central)
                .scalar("select count(*) from (select cislodokla from vorazu1.vaznil group by "
                        "cislodokla, rada having count(*) > 1) twice"),
            "0");
  EXPECT_EQ(AdminSession(Server::Site).scalar("select count(*) from vorazu1.vaznil_00"), "0");
}

// zararod-cli's terminal, releasing the lock when the first retry is shown.
class ReleasingReporter : public TerminalReporter {
 public:
  ReleasingReporter(std::FILE* out, std::FILE* err, LockHolder* lock)
      : TerminalReporter(out, err, false), lock_(lock) {}
  void JobRetrying(Line line, int attempt, int attempts) override {
    TerminalReporter::JobRetrying(line, attempt, attempts);
    if (lock_ != nullptr) lock_->Release();
    lock_ = nullptr;
  }

 private:
  LockHolder* lock_;
};

// Whether the lock is released when zararod-cli shows its first retry.
struct CliCase {
  const char* id;
  bool released;
};

const CliCase kCliCases[] = {
    {"ReleasedAfterTheFirstAttempt", true},
    {"NeverReleased", false},
};

class CliRetries : public JobRetryTest, public ::testing::WithParamInterface<CliCase> {};

TEST_P(CliRetries, ZararodCliPrintsOneLinePerRetry) {
  const bool released = GetParam().released;
  ShortLockWait shortWait;
  const std::string status = "počet nových važ.listů: 4\n";
  const std::string retry2 = "kolize zámků na serveru, opakuji: pokus 2 ze 3\n";
  const std::string retry3 = "kolize zámků na serveru, opakuji: pokus 3 ze 3\n";
  LockHolder lock(Server::Central, kCases[0].lockingRead);
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ReleasingReporter reporter(out, err, released ? &lock : nullptr);
  Jobs jobs;
  const int exitCode = runCli(CliOptions{"send-vl", iniPath_, false}, jobs, reporter, err);
  lock.Release();
  const std::string printed = capturedText(out);
  const std::string errors = capturedText(err);
  if (released) {
    EXPECT_EQ(exitCode, kExitOk);
    EXPECT_EQ(printed, status + retry2 + status + "Odesláno 4 nových VL\n");
    EXPECT_EQ(errors, "");
  } else {
    EXPECT_EQ(exitCode, kExitFailed);
    EXPECT_EQ(printed, status + retry2 + status + retry3 + status);
    EXPECT_EQ(errors.rfind("zararod-cli: SQL Error: Lock wait timeout exceeded", 0), 0u) << errors;
  }
}

INSTANTIATE_TEST_SUITE_P(Cli, CliRetries, ::testing::ValuesIn(kCliCases), CaseName());

}  // namespace
}  // namespace zararod::testing

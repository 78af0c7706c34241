// The three jobs between a site and a central server that both write their
// binary log in STATEMENT format, as servers kept for replication or
// point-in-time backups often do. Such a server refuses writes at READ
// COMMITTED, so both sides keep the server's isolation level; records changed
// and queued again while a job runs still arrive in their last state.
//
// These servers are not the sandbox pair of the other tests: CTest starts
// them with testing/statement_binlog_servers.sh, which writes their
// addresses to ZARAROD_BINLOG_SANDBOX_DIR/env.
#include <gtest/gtest.h>
#include <mysql.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "app/concurrent_changes_test_support.h"
#include "app/jobs_test_support.h"
#include "db/db_exceptions.h"
#include "db/mysql_connection.h"
#include "testing/case_name.h"
#include "testing/environment.h"
#include "testing/host_programs.h"
#include "util/platform.h"

namespace zararod::testing {
namespace {

// Takes over the export lines of `scripts/sandbox env` in `file`, so that the
// sandbox helpers reach the servers they name.
void exportServersOf(const std::string& file) {
  std::ifstream in(nativePath(file));
  ASSERT_TRUE(in) << "cannot read " << file;
  std::string word;
  while (in >> word) {
    const std::size_t equals = word.find('=');
    if (equals != std::string::npos) {
      setEnvironmentVariable(word.substr(0, equals), word.substr(equals + 1));
    }
  }
}

using Job = ChangedJob;

struct BinlogJobCase {
  const char* id;
  Job job;
  Server sender;
  const char* table;   // the records, on both servers
  const char* queue;   // on the sender
  const char* key;     // the key columns
  const char* text;    // a text column of the records
  const char* record;  // a queued record, as a condition
  int queued;
};

const BinlogJobCase kCases[] = {
    {"ImportAddresses", Job::Addresses, Server::Central, "dovodi.adresar", "dovodi.adresar_10",
     "kodpar", "NAZEVPODNI", "kodpar = '100234'", 3},
    {"SendWeighingSlips", Job::WeighingSlips, Server::Site, "vorazu1.vaznil", "vorazu1.vaznil_00",
     "cislodokla, rada", "ridic", "cislodokla = '2026/0002'", 4},
    {"SendLabSlips", Job::LabSlips, Server::Site, "vorazu1.laborl", "vorazu1.laborl_00",
     "cislodokla, rada", "laborant", "cislodokla = 'L2026/0002'", 3},
};

// The jobs' fixture on the statement-logging servers.
class StatementBinlogServers : public JobsDbTest {
 public:
  static void SetUpTestSuite() {
    // The servers' folder is the host's (under Wine: seen on drive Z:).
    exportServersOf(pathOfHostFile(std::string(ZARAROD_BINLOG_SANDBOX_DIR) + "/env"));
  }

  void SetUp() override {
    JobsDbTest::SetUp();
    for (Server server : {Server::Site, Server::Central}) {
      ASSERT_EQ(AdminSession(server).rows("select @@log_bin, @@binlog_format"),
                (std::vector<Row>{{"1", "STATEMENT"}}));
    }
  }
};

class StatementBinlogJobs : public StatementBinlogServers,
                            public ::testing::WithParamInterface<BinlogJobCase> {

 protected:
  const BinlogJobCase& job() const { return GetParam(); }
  Server receiver() const { return job().sender == Server::Site ? Server::Central : Server::Site; }
  TZConnection& connectionOf(Server server) {
    return server == Server::Site ? jobs_.ZConnection1 : jobs_.ZConnection2;
  }

  int run() { return runChangedJob(job().job, jobs_, reporter_); }

  // The key and the text of every record of the table, in key order.
  std::vector<Row> records(Server server) const {
    return snapshot(server,
                    std::string("(select ") + job().key + ", coalesce(" + job().text +
                        ", '') from " + job().table + ") t",
                    job().key);
  }
  // What the job touches on both servers.
  std::vector<std::vector<Row>> servers() const {
    return {snapshot(job().sender, job().table, job().key),
            snapshot(job().sender, job().queue, job().key), records(receiver())};
  }

  // Every queued record arrived as the sender holds it; the queue is empty.
  void expectDelivered(const std::vector<Row>& queuedRecords) {
    const std::vector<Row> arrived = records(receiver());
    for (const Row& record : queuedRecords) {
      EXPECT_NE(std::find(arrived.begin(), arrived.end(), record), arrived.end())
          << *record.front();
    }
    EXPECT_EQ(AdminSession(job().sender).scalar(std::string("select count(*) from ") + job().queue),
              "0");
  }
  // The sender's records of the queued keys.
  std::vector<Row> queuedRecords() const {
    const std::string key = job().key;
    return snapshot(job().sender,
                    "(select " + key + ", coalesce(" + job().text + ", '') from " + job().table +
                        " where (" + key + ") in (select " + key + " from " + job().queue + ")) t",
                    key);
  }
};

TEST_P(StatementBinlogJobs, DeliverEveryQueuedRecord) {
  const std::vector<Row> queued = queuedRecords();
  EXPECT_EQ(run(), job().queued);
  expectDelivered(queued);
}

TEST_P(StatementBinlogJobs, AKilledConnectionOnEitherServerLosesNothing) {
  for (Server victim : {job().sender, receiver()}) {
    SCOPED_TRACE(victim == Server::Site ? "site killed" : "central killed");
    loadSampleData(Server::Site);
    loadSampleData(Server::Central);
    reporter_ = RecordingReporter();
    const std::vector<Row> queued = queuedRecords();
    const std::vector<std::vector<Row>> before = servers();
    reporter_.onEvents = [&](int pass) {
      if (pass != 4) return;  // status, bar, record 1, record 2
      TZMySQLConnection* live = connectionOf(victim).LiveConnection();
      ASSERT_NE(live, nullptr);
      AdminSession(victim).exec("KILL " + std::to_string(mysql_thread_id(live->Handle())));
    };
    EXPECT_THROW(run(), Exception);
    EXPECT_TRUE(servers() == before);

    reporter_.onEvents = nullptr;
    EXPECT_EQ(run(), job().queued);
    expectDelivered(queued);
  }
}

TEST_P(StatementBinlogJobs, ARecordChangedDuringTheJobArrivesAsChanged) {
  // Another session changes a queued record after the job has read the
  // queue, before it reads the records.
  reporter_.onEvents = [&](int pass) {
    if (pass != 3) return;  // status, bar, record 1
    AdminSession(job().sender)
        .exec(std::string("update ") + job().table + " set " + job().text + " = 'Changed' where " +
              job().record);
  };
  EXPECT_EQ(run(), job().queued);
  EXPECT_EQ(AdminSession(receiver())
                .scalar(std::string("select ") + job().text + " from " + job().table + " where " +
                        job().record),
            "Changed");
}

INSTANTIATE_TEST_SUITE_P(Jobs, StatementBinlogJobs, ::testing::ValuesIn(kCases), CaseName());

class StatementBinlogChanges
    : public StatementBinlogServers,
      public ::testing::WithParamInterface<ChangedCase> {};

TEST_P(StatementBinlogChanges, EveryChangeArrives) {
  const auto& [records, moment] = GetParam();
  expectChangesArrive(records, moment, jobs_, reporter_);
}

INSTANTIATE_TEST_SUITE_P(Jobs, StatementBinlogChanges, changedCases(), changedCaseName);

}  // namespace
}  // namespace zararod::testing

// Round trips of a job: the sending side reads and dequeues its records in
// chunks of many keys, and the script reaches the receiving server many
// statements per round trip, unless the settings say Batch=0 for that server.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/jobs_test_support.h"
#include "app/record_transfer.h"
#include "db/db_exceptions.h"
#include "db/mysql_connection.h"
#include "testing/case_name.h"

namespace zararod::testing {
namespace {

class JobBatchesTest : public JobsDbTest {
 protected:
  // The sandbox settings with `batchLine` added to section LogON_adr.
  void writeCentralBatch(const std::string& batchLine) {
    std::string text = settingsText(serverAddress(Server::Central, Account::Site), "10",
                                    serverAddress(Server::Site, Account::Site));
    text.insert(text.find("[LogON]"), batchLine + "\r\n");
    std::ofstream(iniPath_, std::ios::binary) << text;
  }

  static std::vector<Row> centralSlips() {
    return snapshot(Server::Central, "vorazu1.vaznil", "id");
  }
  static std::vector<Row> siteQueue() {
    return snapshot(Server::Site, "vorazu1.vaznil_00", "cislodokla, rada");
  }
};

// Two slips found, one not: five script statements.
struct RoundTripCase {
  const char* id;
  const char* batchLine;
  // SET CHARACTER SET, the strict sql_mode, the isolation-level query and SET
  // TRANSACTION, START TRANSACTION, whether it is a cluster node, the key
  // columns' types (an empty SELECT and its SHOW TABLES and SHOW COLUMNS),
  // then the script and its COMMIT AND CHAIN (six statements, or
  // max_allowed_packet and one batch), then the ROLLBACK of the job's end.
  std::size_t logged;
  int batched;  // statements that carry more than one script statement
};
constexpr RoundTripCase kRoundTripCases[] = {
    {"BatchZero", "Batch=0", 5 + 4 + 6 + 1, 0},
    {"Default", "", 5 + 4 + 2 + 1, 1},
};

class JobRoundTrips : public JobBatchesTest, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(JobRoundTrips, BatchZeroSendsOneStatementPerRoundTrip) {
  const RoundTripCase& c = GetParam();
  AdminSession(Server::Site).exec("delete from vorazu1.vaznil_00 where cislodokla = '2026/0002'");
  writeCentralBatch(c.batchLine);
  Jobs jobs;
  jobs.ApplySettings(iniPath_);
  startGeneralLog(Server::Central);
  EXPECT_EQ(jobs.SendSlips(SlipKind::Weighing, reporter_), 3);
  const std::vector<std::string> logged = loggedStatements(
      Server::Central, mysql_thread_id(jobs.ZConnection2.LiveConnection()->Handle()));
  AdminSession(Server::Central).exec("SET GLOBAL general_log=0");
  ASSERT_EQ(logged.size(), c.logged);
  // The commit ends the script (in its batch, where there is one) and
  // begins the next chunk's transaction, which the end of the job rolls back
  // empty.
  const std::string& commit = logged[logged.size() - 2];
  EXPECT_EQ(commit.substr(commit.size() - std::min<std::size_t>(commit.size(), 17)),
            c.batched != 0 ? ";COMMIT AND CHAIN" : "COMMIT AND CHAIN");
  EXPECT_EQ(logged.back(), "ROLLBACK");
  const auto batched = [](const std::string& text) {
    return text.find("\r\n;") != std::string::npos;
  };
  EXPECT_EQ(std::count_if(logged.begin(), logged.end(), batched), c.batched);
}

INSTANTIATE_TEST_SUITE_P(Batches, JobRoundTrips, ::testing::ValuesIn(kRoundTripCases), CaseName());

TEST_F(JobBatchesTest, ADryRunListsRejectedStatementsFromDifferentBatches) {
  // Two statements a batch: each slip's delete and INSERT travel together,
  // so the INSERTs of the first and the third slip fail in different
  // batches.
  writeCentralBatch("Batch=2");
  jobs_.ApplySettings(iniPath_);
  AdminSession(Server::Site)
      .exec(
          "update vorazu1.vaznil set ridic = 'Řidič s dlouhým jménem' where cislodokla = "
          "'2026/0001'; update vorazu1.vaznil set ridic = 'Krátké' where cislodokla = "
          "'2026/0002'");
  AdminSession(Server::Central).exec("alter table vorazu1.vaznil modify ridic varchar(12)");
  const std::vector<Row> central = centralSlips(), queue = siteQueue();

  jobs_.SetDryRun(true);
  EXPECT_THROW(jobs_.SendSlips(SlipKind::Weighing, reporter_), EZSQLException);
  const std::vector<Jobs::Rejected>& rejected = jobs_.RejectedStatements();
  ASSERT_EQ(rejected.size(), 2u);
  EXPECT_EQ(rejected[0].statement.rfind("INSERT INTO vaznil (", 0), 0u);
  EXPECT_NE(rejected[0].statement.find("'2026/0001'"), std::string::npos);
  EXPECT_NE(rejected[1].statement.find("'O''B-17'"), std::string::npos);
  EXPECT_EQ(rejected[0].message,
            "SQL Error: Data too long for column 'ridic' at row 1 (cislodokla = '2026/0001', "
            "rada = '01')");
  EXPECT_EQ(rejected[1].message,
            "SQL Error: Data too long for column 'ridic' at row 1 (cislodokla = 'O''B-17', "
            "rada = '02')");
  EXPECT_EQ(centralSlips(), central);
  EXPECT_EQ(siteQueue(), queue);

  // A real run names the first failing statement's error and changes nothing.
  const std::string firstRejection = rejected[0].message;
  jobs_.SetDryRun(false);
  try {
    jobs_.SendSlips(SlipKind::Weighing, reporter_);
    ADD_FAILURE() << "no exception";
  } catch (const EZSQLException& e) {
    EXPECT_EQ(e.Message(), firstRejection);
  }
  EXPECT_EQ(centralSlips(), central);
  EXPECT_EQ(siteQueue(), queue);
}

TEST_F(JobBatchesTest, TheSendingSideReadsAndDequeuesInChunks) {
  // The first chunk, a full chunk and a bit; the last key of the first chunk
  // is queued again in the third.
  const int slips = kKeysInFirstChunk + kKeysPerChunk + 1;
  queueNumberedSlips(slips - 1, kKeysInFirstChunk);
  jobs_.ZConnection1.Connect();
  startGeneralLog(Server::Site);
  EXPECT_EQ(jobs_.SendSlips(SlipKind::Weighing, reporter_), slips);
  std::vector<std::string> logged = loggedStatements(
      Server::Site, mysql_thread_id(jobs_.ZConnection1.LiveConnection()->Handle()));
  AdminSession(Server::Site).exec("SET GLOBAL general_log=0");
  // Switched on by the first chunk's script, left on for the others.
  EXPECT_TRUE(jobs_.ZConnection2.LiveConnection()->MultiStatements());

  EXPECT_EQ(reporter_.positions[1].size(), static_cast<std::size_t>(slips) + 1);
  EXPECT_EQ(AdminSession(Server::Site).scalar("select count(*) from vorazu1.vaznil_00"), "0");
  EXPECT_EQ(AdminSession(Server::Central)
                .scalar("select count(*) from vorazu1.vaznil where "
                        "cislodokla like 'C%'"),
            std::to_string(slips - 1));
  EXPECT_EQ(numberedSlipsArrived(), std::to_string(slips - 1));
  // Each chunk: one SELECT of its records, one DELETE of its queue entries.
  // The next chunk is read before the current one commits (while the
  // central server runs it), and dequeued after.
  std::vector<std::string> reads;
  for (const std::string& text : logged) {
    const bool typesOnly = text.find(" where 1 = 0") != std::string::npos;
    if (!typesOnly &&
        (text.rfind("select cislodokla", 0) == 0 || text.rfind("delete from vaznil_00", 0) == 0 ||
         text == "COMMIT")) {
      reads.push_back(text.substr(0, 6));
    }
  }
  EXPECT_EQ(reads, (std::vector<std::string>{"select", "delete", "select", "COMMIT", "delete",
                                             "select", "COMMIT", "delete", "COMMIT"}));
  // No read takes locks; the dequeue deletes as many entries of each key as
  // the chunk took up: two of the key queued twice, when both are in one
  // chunk, and one otherwise.
  for (const std::string& text : logged) {
    EXPECT_EQ(text.find(" for update"), std::string::npos) << text;
    if (text.rfind("delete from vaznil_00", 0) == 0) {
      EXPECT_EQ(text.find(" limit 2"), std::string::npos) << text;
      EXPECT_NE(text.find(" limit 1"), std::string::npos) << text;
    }
  }
}

TEST_F(JobBatchesTest, ADryRunOfManyChunksCommitsNothingAnywhere) {
  queueNumberedSlips(2 * kKeysPerChunk + 1, kKeysPerChunk);
  const std::vector<Row> central = centralSlips(), queue = siteQueue();
  jobs_.SetDryRun(true);
  EXPECT_EQ(jobs_.SendSlips(SlipKind::Weighing, reporter_), 2 * kKeysPerChunk + 2);
  EXPECT_TRUE(jobs_.RejectedStatements().empty());
  EXPECT_EQ(centralSlips(), central);
  EXPECT_EQ(siteQueue(), queue);
}

}  // namespace
}  // namespace zararod::testing

// verify against the two sandbox servers: what it finds after the jobs ran,
// after records were lost or altered on the way, while a send runs, and the
// repair through the queue.
#include "app/verify.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/jobs_test_support.h"
#include "testing/case_name.h"
#include "testing/programs.h"
#include "testing/test_output.h"

namespace zararod::testing {
namespace {

using Keys = std::vector<RecordKey>;

// Every sample slip sent and every queued address imported: both servers
// hold the same records.
class VerifyTest : public JobsDbTest {
 public:
  void SetUp() override {
    JobsDbTest::SetUp();
    // The sample slip that the site never queued goes too.
    AdminSession(Server::Site, "vorazu1").exec("insert into vaznil_00 values ('2026/0003', '01')");
  }
  void sendEverything() {
    jobs_.SendSlips(SlipKind::Weighing, reporter_);
    jobs_.SendSlips(SlipKind::Laboratory, reporter_);
  }
  VerifyResult verify(VerifiedTable table, VerifyOptions options = {}) {
    return verifyRecords(jobs_, table, options, reporter_);
  }
  static void site(const std::string& sql) { AdminSession(Server::Site, "vorazu1").exec(sql); }
  static void central(const std::string& sql) {
    AdminSession(Server::Central, "vorazu1").exec(sql);
  }
  int runCli(const std::string& arguments, std::string& out) {
    const int exitCode = runWithOutputToFiles(ZARAROD_CLI, arguments, "out.txt", "err.txt");
    out = plainLineEnds(readBytes("out.txt"));
    return exitCode;
  }
};

const RecordKey kFirst{"2026/0001", "01"};
const RecordKey kSecond{"2026/0002", "01"};

TEST_F(VerifyTest, AfterTheJobsEveryRecordIsEqualWithoutReadingOne) {
  sendEverything();
  startGeneralLog(Server::Central);
  const VerifyResult slips = verify(VerifiedTable::WeighingSlips);
  EXPECT_EQ(slips.compared, 5);
  EXPECT_EQ(slips.equal, 5);
  EXPECT_TRUE(slips.missing.empty() && slips.differing.empty() && slips.queued.empty() &&
              slips.onlyOnReceiver.empty());
  EXPECT_FALSE(foundDifferences(slips));
  // Only digests came from the central server: no statement picked a record
  // by its key.
  const std::string byKey = AdminSession(Server::Central)
                                .scalar(
                                    "select count(*) from mysql.general_log where "
                                    "argument like concat('%binary', ' convert(%')")
                                .value_or("");
  AdminSession(Server::Central).exec("set global general_log = 0");
  EXPECT_EQ(byKey, "0");
  const VerifyResult labs = verify(VerifiedTable::LabSlips);
  EXPECT_EQ(labs.equal, 3);
  EXPECT_FALSE(foundDifferences(labs));
}

// One change on central to the first sample slip after it arrived, and the
// column verify must name.
struct AlteredColumn {
  const char* id;
  std::function<void()> change;
  const char* column;
};

const AlteredColumn kAlteredColumns[] = {
    {"TextWithCzechLettersAndQuotes",
     [] {
       VerifyTest::central(
           "update vaznil set ridic = 'Jiří O''Dvořák' where cislodokla = '2026/0001'");
     },
     "ridic"},
    {"Number",
     [] {
       VerifyTest::central("update vaznil set brutto = brutto + 1 where cislodokla = '2026/0001'");
     },
     "brutto"},
    {"Decimal",
     [] {
       VerifyTest::central("update vaznil set vlhkost = 13.81 where cislodokla = '2026/0001'");
     },
     "vlhkost"},
    {"Date",
     [] {
       VerifyTest::central("update vaznil set datum = '2026-07-15' where cislodokla = '2026/0001'");
     },
     "datum"},
    {"Time",
     [] {
       VerifyTest::central("update vaznil set cas = '07:42:11' where cislodokla = '2026/0001'");
     },
     "cas"},
    {"Float",
     [] {
       VerifyTest::central("update vaznil set hmotnost_t = 24.05 where cislodokla = '2026/0001'");
     },
     "hmotnost_t"},
    {"NullAgainstAValue",
     [] { VerifyTest::central("update vaznil set spz = NULL where cislodokla = '2026/0001'"); },
     "spz"},
    {"ValueAgainstTheEmptyTextOfANull",
     [] {
       VerifyTest::site("update vaznil set spz = NULL where cislodokla = '2026/0001'");
       VerifyTest::central("update vaznil set spz = 'X' where cislodokla = '2026/0001'");
     },
     "spz"},
    {"Blob",
     [] {
       VerifyTest::site("update vaznil set priloha = X'00FF27' where cislodokla = '2026/0001'");
       VerifyTest::central("update vaznil set priloha = X'00FE27' where cislodokla = '2026/0001'");
     },
     "priloha"},
};

class VerifyFindsAnAlteredColumn : public VerifyTest,
                                   public ::testing::WithParamInterface<AlteredColumn> {};

TEST_P(VerifyFindsAnAlteredColumn, AndNamesIt) {
  site("alter table vaznil add priloha blob");
  // The central copies the site sent before hold what the job writes for
  // the site's NULL.
  central("alter table vaznil add priloha blob; update vaznil set priloha = ''");
  sendEverything();
  GetParam().change();
  const VerifyResult result = verify(VerifiedTable::WeighingSlips);
  ASSERT_EQ(result.differing.size(), 1u);
  EXPECT_EQ(result.differing[0].key, kFirst);
  EXPECT_EQ(result.differing[0].columns, std::vector<std::string>{GetParam().column});
  EXPECT_EQ(result.equal, 4);
  EXPECT_TRUE(result.missing.empty());
  EXPECT_TRUE(foundDifferences(result));
}

INSTANTIATE_TEST_SUITE_P(Kinds, VerifyFindsAnAlteredColumn, ::testing::ValuesIn(kAlteredColumns),
                         CaseName());

TEST_F(VerifyTest, SortsMissingQueuedAndCentralOnlyRecordsAndLookAlikeKeys) {
  sendEverything();
  central("delete from vaznil where cislodokla = '2026/0001'");  // lost on the way
  site(
      "update vaznil set ridic = 'nový' where cislodokla = '2026/0002';"
      "insert into vaznil_00 values ('2026/0002', '01')");  // changed, on its way
  // Central rows of this site's series that the site no longer has, two of
  // them only look like a site's key under the collation.
  central(
      "insert into vaznil (cislodokla, rada) values ('2025/0099', '01'), "
      "('2026/0003 ', '01'), ('O''b-17', '02'), ('X1', '77')");
  const VerifyResult result = verify(VerifiedTable::WeighingSlips);
  EXPECT_EQ(result.missing, Keys{kFirst});
  EXPECT_EQ(result.queued, Keys{kSecond});
  EXPECT_TRUE(result.differing.empty());
  // Another site's series is none of this site's business.
  EXPECT_EQ(result.onlyOnReceiver,
            (Keys{{"2025/0099", "01"}, {"2026/0003 ", "01"}, {"O'b-17", "02"}}));
  EXPECT_EQ(result.compared, 5);
  EXPECT_EQ(result.equal, 3);
}

TEST_F(VerifyTest, ColumnTypesThatDifferButHoldTheSameValuesAreEqual) {
  central(
      "alter table vaznil modify brutto bigint, modify vlhkost decimal(12,3), "
      "modify ridic text, modify datum datetime, modify cas time(3), "
      "modify hmotnost_t float, modify spz char(15)");
  site("update vaznil set spz = '3B4 5521  ' where cislodokla = '2026/0001'");
  sendEverything();
  const VerifyResult result = verify(VerifiedTable::WeighingSlips);
  EXPECT_TRUE(result.differing.empty()) << result.differing.front().columns.front();
  EXPECT_TRUE(result.missing.empty());
  EXPECT_EQ(result.equal, 5);
}

TEST_F(VerifyTest, AddressesAgainstTheCentralBookWithACharKey) {
  AdminSession(Server::Site, "dovodi").exec("alter table adresar modify kodpar char(10) not null");
  AdminSession(Server::Central, "dovodi")
      .exec(
          "insert into adresar (kodpar, NAZEVPODNI) values ('Z1 ', 'Mlýn');"
          "insert into adresar_10 values ('Z1 '), ('790001')");
  jobs_.ImportAddresses(reporter_);
  AdminSession(Server::Central, "dovodi")
      .exec("update adresar set NAZEVPODNI = 'Mlýn ''Nový''' where kodpar = '100234'");
  // The import sets the flag of 790 partners to N on the site: not a
  // difference.
  AdminSession(Server::Central, "dovodi")
      .exec("update adresar set LIC_VNITRO = 'Y' where kodpar = '790001'");
  AdminSession(Server::Site, "dovodi")
      .exec("update adresar set LIC_VNITRO = 'N' where kodpar = '790001'");
  const VerifyResult result = verify(VerifiedTable::Addresses);
  ASSERT_EQ(result.differing.size(), 1u);
  EXPECT_EQ(result.differing[0].key, RecordKey{"100234"});
  EXPECT_EQ(result.differing[0].columns, std::vector<std::string>{"NAZEVPODNI"});
  // The site never needed 100777: listed, not a fault by itself.
  EXPECT_EQ(result.missing, Keys{{"100777"}});
  EXPECT_EQ(result.compared, 4);
  EXPECT_EQ(result.equal, 3);
}

TEST_F(VerifyTest, RequeueThenTheJobRepairsWhatDiffered) {
  sendEverything();
  central(
      "delete from vaznil where cislodokla = '2026/0001';"
      "update vaznil set ridic = 'jiný' where cislodokla = '2026/0002'");
  std::string out;
  EXPECT_EQ(runCli("verify vl vedid.ini", out), 3);
  EXPECT_NE(out.find("missing on central: 1\n  cislodokla = '2026/0001', rada = '01'\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("differing on central: 1\n  cislodokla = '2026/0002', rada = '01': ridic\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(AdminSession(Server::Site).scalar("select count(*) from vorazu1.vaznil_00"), "0");
  EXPECT_EQ(runCli("verify vl --requeue vedid.ini", out), 3);
  EXPECT_EQ(AdminSession(Server::Site).scalar("select count(*) from vorazu1.vaznil_00"), "2");
  jobs_.SendSlips(SlipKind::Weighing, reporter_);
  EXPECT_EQ(runCli("verify vl vedid.ini", out), 0);
  EXPECT_NE(out.find("vaznil: 5 records of the site compared, 5 equal\n"), std::string::npos)
      << out;
  EXPECT_EQ(runCli("verify addresses --requeue-missing vedid.ini", out), 3);
  jobs_.ImportAddresses(reporter_);
  EXPECT_EQ(runCli("verify addresses vedid.ini", out), 0) << out;
  EXPECT_EQ(runCli("verify xx vedid.ini", out), 2);
}

TEST_F(VerifyTest, ManySeriesOfOneSlipNumberAreComparedRowByRow) {
  // 300 slips under one number: a range of one key value that cannot be
  // split, among ranges of many numbers.
  site(
      "insert into vaznil (cislodokla, rada, ridic) select 'D1', lpad(seq, 3, '0'), "
      "concat('driver ', seq) from seq_1_to_300; insert into vaznil (cislodokla, rada) "
      "select concat('E', lpad(seq, 4, '0')), '01' from seq_1_to_500; "
      "insert into vaznil_00 select cislodokla, rada from vaznil "
      "where cislodokla like 'D%' or cislodokla like 'E%'");
  sendEverything();
  central(
      "update vaznil set ridic = 'driver X' where cislodokla = 'D1' and rada = '150';"
      "delete from vaznil where cislodokla = 'E0250'");
  const VerifyResult result = verify(VerifiedTable::WeighingSlips);
  ASSERT_EQ(result.differing.size(), 1u);
  EXPECT_EQ(result.differing[0].key, (RecordKey{"D1", "150"}));
  EXPECT_EQ(result.missing, (Keys{{"E0250", "01"}}));
  EXPECT_EQ(result.compared, 805);
  EXPECT_EQ(result.equal, 803);
}

TEST_F(VerifyTest, DuringARunningSendNothingIsLost) {
  queueNumberedSlips(3000, 1);
  site("insert into vaznil_00 select cislodokla, rada from vaznil where cislodokla not like 'C%'");
  int verifies = 0;
  reporter_.onEvents = [&](int pass) {
    if (pass % 700 != 0) return;
    // A second program verifies while the job holds chunks in flight.
    Jobs other;
    other.ApplySettings(iniPath_);
    RecordingReporter quiet;
    const VerifyResult result = verifyRecords(other, VerifiedTable::WeighingSlips, {}, quiet);
    ++verifies;
    EXPECT_TRUE(result.missing.empty())
        << describeKey({"cislodokla", "rada"}, result.missing.front());
    EXPECT_TRUE(result.differing.empty());
    EXPECT_EQ(result.compared, 3005);
    EXPECT_EQ(result.equal + static_cast<long>(result.queued.size()), 3005);
  };
  jobs_.SendSlips(SlipKind::Weighing, reporter_);
  reporter_.onEvents = nullptr;
  EXPECT_GE(verifies, 3);
  const VerifyResult after = verify(VerifiedTable::WeighingSlips);
  EXPECT_EQ(after.equal, 3005);
}

}  // namespace
}  // namespace zararod::testing

// The two slip transfers against the two sandbox servers: what they send,
// that every value arrives as the site holds it, and that no record is lost
// whatever fails.
#include <gtest/gtest.h>
#include <mysql.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "app/jobs_test_support.h"
#include "db/db_exceptions.h"
#include "db/mysql_connection.h"
#include "testing/case_name.h"

namespace zararod::testing {
namespace {

constexpr int kWeighing = 1, kLab = 2;

struct SlipCase {
  SlipKind kind;
  const char* table;
  const char* queue;
  const char* file;
  int line;
  const char* status;   // without the count
  const char* message;  // with the count of the sample queue
  int queued;
};

const SlipCase kSlipCases[] = {
    {SlipKind::Weighing, "vaznil", "vaznil_00", "avl.txt", kWeighing,
     "počet nových važ.listů: ", "Odesláno 5 nových VL", 5},
    {SlipKind::Laboratory, "laborl", "laborl_00", "all.txt", kLab,
     "počet nových lab.listů: ", "Odesláno 3 nových LL", 3},
};

// A weighing slip with the extremes of every column type, bytes that a plain
// quoted literal would not carry (backslashes, NUL, CR, LF) and a key with a
// quote and a backslash; queued as the fifth slip.
constexpr const char* kExtremeSlip =
    "insert into vorazu1.vaznil (PC8, cislodokla, rada, datum, cas, vazeno, spz, ridic, kodpar,"
    " nazevpar, komodita, brutto, tara, netto, vlhkost, necistoty, cena_t, castka, hmotnost_t,"
    " pocet_vazeni, stav, potvrzeno, poznamka, id_sklad, sklizen, zmeneno) values"
    " (1, 'C:\\\\K''1', '0\\\\', '9999-12-31', '-838:59:59', '2024-02-29 23:59:59', 'a\\0b',"
    " 'CR\\rLF\\nEnd\\\\', '', 'Ćčďěňřšťůž ÁÉÍÓÚÝ', ';:?''\"`', 2147483647, -2147483648, 0,"
    " 99999999.99, -0.01, 0.10, -9999999999, 0.1 + 0.2, 32767, 127, 'N', 'ends in \\\\',"
    " -9223372036854775808, 2155, '1000-01-01 00:00:00');"
    "insert into vorazu1.vaznil_00 values ('C:\\\\K''1', '0\\\\');";

class SlipTransferTest : public JobsDbTest {
 public:
  void SetUp() override {
    JobsDbTest::SetUp();
    AdminSession(Server::Site).exec(kExtremeSlip);
  }

  // Each column's value as the central server must hold it after a transfer
  // of `site`: the same, except the documented conventions for nulls and zero
  // dates.
  static std::optional<std::string> expectedOnCentral(const std::optional<std::string>& site,
                                                      const std::string& type, int scale) {
    if (type == "date" || type == "datetime") {
      const std::string day = type == "date" ? "1900-01-01" : "1900-01-01 00:00:00";
      if (!site || site->rfind("0000-00-00", 0) == 0 || site->rfind("1899-12-30", 0) == 0) {
        return day;
      }
      return site;
    }
    if (site) return site;
    if (type == "varchar" || type == "char" || type == "text") return "";
    if (type == "time") return "00:00:00";
    if (type == "enum") return "N";
    if (type == "year") return std::nullopt;
    if (type == "decimal" && scale > 0)
      return "0." + std::string(static_cast<std::size_t>(scale), '0');
    return "0";
  }

  // Compares every transferred column of every slip of `table` that the site
  // holds for a queued key with the central copy.
  static void expectSameOnBothServers(const std::string& table,
                                      const std::vector<Row>& queuedKeys) {
    AdminSession site(Server::Site, "vorazu1", "cp1250");
    AdminSession central(Server::Central, "vorazu1", "cp1250");
    std::vector<Row> columns = site.rows(
        "select column_name, data_type, coalesce(numeric_scale, 0) from "
        "information_schema.columns where table_schema = 'vorazu1' and table_name = '" +
        table + "' and column_name not in ('id', 'PC8') order by ordinal_position");
    std::string list;
    for (const Row& column : columns) list += (list.empty() ? "" : ",") + *column[0];
    for (const Row& key : queuedKeys) {
      auto where = [&](AdminSession& session) {
        return " where cislodokla = '" + escape(session, *key[0]) + "' and rada = '" +
               escape(session, *key[1]) + "'";
      };
      std::vector<Row> siteRows = site.rows("select " + list + " from " + table + where(site));
      std::vector<Row> centralRows =
          central.rows("select " + list + " from " + table + where(central));
      SCOPED_TRACE(*key[0]);
      ASSERT_EQ(centralRows.size(), siteRows.size() == 1 ? 1u : 0u);
      if (siteRows.size() != 1) continue;
      for (std::size_t i = 0; i < columns.size(); ++i) {
        EXPECT_EQ(centralRows[0][i],
                  expectedOnCentral(siteRows[0][i], *columns[i][1], std::stoi(*columns[i][2])))
            << *columns[i][0];
      }
    }
  }

  static std::string escape(AdminSession& session, const std::string& text) {
    std::string out(text.size() * 2 + 1, '\0');
    out.resize(mysql_real_escape_string(session.handle(), out.data(), text.data(), text.size()));
    return out;
  }

  struct Servers {
    std::vector<Row> siteSlips, siteQueue, centralSlips;
    bool operator==(const Servers&) const = default;
  };
  static Servers servers(const SlipCase& c) {
    return {snapshot(Server::Site, std::string("vorazu1.") + c.table, "id"),
            snapshot(Server::Site, std::string("vorazu1.") + c.queue, "cislodokla, rada"),
            snapshot(Server::Central, std::string("vorazu1.") + c.table, "id")};
  }
};

// One slip kind against the central server in one sql_mode.
struct SendCase {
  const char* id;
  const char* centralMode;
  const SlipCase* slip;
};

const SendCase kSendCases[] = {
    {"Weighing", "", &kSlipCases[0]},
    {"Laboratory", "", &kSlipCases[1]},
    {"WeighingNoBackslashEscapes", "NO_BACKSLASH_ESCAPES", &kSlipCases[0]},
    {"LaboratoryNoBackslashEscapes", "NO_BACKSLASH_ESCAPES", &kSlipCases[1]},
};

class SlipTransferSends : public SlipTransferTest,
                          public ::testing::WithParamInterface<SendCase> {};

TEST_P(SlipTransferSends, EveryQueuedSlipAsTheSiteHoldsIt) {
  const SlipCase& c = *GetParam().slip;
  GlobalSqlMode mode(Server::Central,
                     std::string("concat(@@global.sql_mode, ',") + GetParam().centralMode + "')");
  const std::vector<Row> queued =
      snapshot(Server::Site, std::string("vorazu1.") + c.queue, "cislodokla");
  const int sent = jobs_.SendSlips(c.kind, reporter_);

  EXPECT_EQ(sent, c.queued);
  EXPECT_EQ(reporter_.status[c.line], c.status + std::to_string(c.queued));
  EXPECT_EQ(reporter_.messages, std::vector<std::string>{c.message});
  EXPECT_EQ(reporter_.progressMax[c.line], c.queued);
  EXPECT_TRUE(reporter_.visible[c.line]);
  EXPECT_EQ(reporter_.positions[c.line].size(), static_cast<std::size_t>(c.queued) + 1);
  EXPECT_EQ(reporter_.positions[c.line].back(), c.queued);
  EXPECT_EQ(reporter_.busyDepth, 0);
  expectSameOnBothServers(c.table, queued);
  EXPECT_EQ(
      AdminSession(Server::Site).scalar(std::string("select count(*) from vorazu1.") + c.queue),
      "0");
}

INSTANTIATE_TEST_SUITE_P(Slips, SlipTransferSends, ::testing::ValuesIn(kSendCases), CaseName());

TEST_F(SlipTransferTest, WritesTheScriptLineByLine) {
  AdminSession(Server::Site)
      .exec(
          "delete from vorazu1.vaznil_00 where cislodokla <> 'O''B-17';"
          "insert into vorazu1.vaznil_00 values ('2026/0404', '01')");
  jobs_.SendSlips(SlipKind::Weighing, reporter_);
  EXPECT_EQ(cp1250ToUtf8(readBytes("avl.txt")),
            "delete from vaznil where cislodokla = '2026/0404' and rada = '01' and binary "
            "convert(cislodokla using cp1250) = _binary'2026/0404' and binary convert(rada using "
            "cp1250) = _binary'01';\r\n"
            "delete from vaznil where cislodokla = 'O''B-17' and rada = '02' and binary "
            "convert(cislodokla using cp1250) = _binary'O''B-17' and binary convert(rada using "
            "cp1250) = _binary'02';\r\n"
            "INSERT INTO vaznil (cislodokla,rada,datum,cas,vazeno,spz,ridic,kodpar,nazevpar,"
            "komodita,brutto,tara,netto,vlhkost,necistoty,cena_t,castka,hmotnost_t,pocet_vazeni,"
            "stav,potvrzeno,poznamka,id_sklad,sklizen,zmeneno)\r\n"
            " value ('O''B-17','02','1900-01-01','36:15:00','1900-01-01','ZZ ; 99',"
            "'Řidič\\ns novým řádkem','790001','Mlýn Kroměříž\\\\','kukuřice','-2147483648',"
            "'2147483647','0','-99999999.99','99999999.99','0.01','9999999999','1E-5','-32768',"
            "'-128','Y','Text se středníkem; dvojtečkou: a otazníkem?','9223372036854775807',"
            "'1901','2026-01-01 00:00:00');\r\n");
  EXPECT_EQ(reporter_.messages, std::vector<std::string>{"Odesláno 2 nových VL"});
}

TEST_F(SlipTransferTest, AnEmptyQueueWritesAnEmptyScriptAndSendsNothing) {
  AdminSession(Server::Site).exec("delete from vorazu1.vaznil_00");
  const Servers before = servers(kSlipCases[0]);
  EXPECT_EQ(jobs_.SendSlips(SlipKind::Weighing, reporter_), 0);
  EXPECT_EQ(readBytes("avl.txt"), "");
  EXPECT_EQ(reporter_.status[kWeighing], "počet nových važ.listů: 0");
  EXPECT_EQ(reporter_.positions[kWeighing], std::vector<int>{0});
  EXPECT_EQ(reporter_.messages, std::vector<std::string>{"Odesláno 0 nových VL"});
  EXPECT_EQ(servers(kSlipCases[0]), before);
}

TEST_F(SlipTransferTest, AKeyQueuedTwiceArrivesOnce) {
  AdminSession(Server::Site).exec("insert into vorazu1.vaznil_00 values ('2026/0001', '01')");
  EXPECT_EQ(jobs_.SendSlips(SlipKind::Weighing, reporter_), 6);
  EXPECT_EQ(AdminSession(Server::Central)
                .scalar("select count(*) from vorazu1.vaznil where cislodokla = '2026/0001'"),
            "1");
}

TEST_F(SlipTransferTest, ASlipChangedAndQueuedAgainWhileTheJobRunsArrivesAsChanged) {
  // The site's own program edits a queued slip and queues it again after the
  // job has read the queue, before the job reads the slip: the job sends the
  // slip as changed, and the later queue entry stays for the next run, which
  // sends it once more and leaves the queue empty.
  reporter_.onEvents = [](int pass) {
    if (pass != 3) return;  // status, bar, slip 1: before any slip is read
    AdminSession(Server::Site)
        .exec(
            "update vorazu1.vaznil set ridic = 'Changed' where cislodokla = '2026/0002';"
            "insert into vorazu1.vaznil_00 values ('2026/0002', '01')");
  };
  EXPECT_EQ(jobs_.SendSlips(SlipKind::Weighing, reporter_), 5);
  EXPECT_EQ(AdminSession(Server::Central)
                .scalar("select ridic from vorazu1.vaznil where cislodokla = '2026/0002'"),
            "Changed");
  EXPECT_EQ(AdminSession(Server::Site).rows("select * from vorazu1.vaznil_00"),
            (std::vector<Row>{{"2026/0002", "01"}}));
  reporter_.onEvents = nullptr;
  EXPECT_EQ(jobs_.SendSlips(SlipKind::Weighing, reporter_), 1);
  EXPECT_EQ(AdminSession(Server::Site).scalar("select count(*) from vorazu1.vaznil_00"), "0");
}

struct FailureCase {
  const char* id;
  Server killAtSecondSlip;  // the server whose job connection dies at slip 2
  bool reject;              // the central server rejects slip 3 of 5
  bool blockFile;           // avl.txt cannot be written
};

const FailureCase kFailureCases[] = {
    {"CentralRejectsAnInsert", Server::Central, true, false},
    {"SiteConnectionKilled", Server::Site, false, false},
    {"CentralConnectionKilled", Server::Central, false, false},
    {"ScriptFileCannotBeWritten", Server::Central, false, true},
};

class SlipTransferFails : public SlipTransferTest,
                          public ::testing::WithParamInterface<FailureCase> {};

TEST_P(SlipTransferFails, LosingNoRecordAndARerunDeliversEverything) {
  const unsigned long kNoThread = 0;
  const FailureCase& c = GetParam();
  AdminSession central(Server::Central);
  // 'Řidič\ns novým řádkem' of O'B-17 no longer fits.
  if (c.reject) central.exec("alter table vorazu1.vaznil modify ridic varchar(12)");
  if (c.blockFile) std::filesystem::create_directory("avl.txt");
  const Servers before = servers(kSlipCases[0]);
  if (!c.reject && !c.blockFile) {
    reporter_.onEvents = [&](int pass) {
      if (pass != 4) return;  // status, bar, slip 1, slip 2
      TZConnection& victim =
          c.killAtSecondSlip == Server::Site ? jobs_.ZConnection1 : jobs_.ZConnection2;
      unsigned long thread = victim.LiveConnection() != nullptr
                                 ? mysql_thread_id(victim.LiveConnection()->Handle())
                                 : kNoThread;
      ASSERT_NE(thread, kNoThread);
      AdminSession(c.killAtSecondSlip).exec("KILL " + std::to_string(thread));
    };
  }
  EXPECT_THROW(jobs_.SendSlips(SlipKind::Weighing, reporter_), Exception);
  EXPECT_TRUE(reporter_.messages.empty());
  EXPECT_TRUE(servers(kSlipCases[0]) == before);

  if (c.reject) central.exec("alter table vorazu1.vaznil modify ridic varchar(60)");
  if (c.blockFile) std::filesystem::remove("avl.txt");
  const std::vector<Row> queued = before.siteQueue;
  RecordingReporter rerun;
  EXPECT_EQ(jobs_.SendSlips(SlipKind::Weighing, rerun), 5);
  expectSameOnBothServers("vaznil", queued);
}

INSTANTIATE_TEST_SUITE_P(Failures, SlipTransferFails, ::testing::ValuesIn(kFailureCases),
                         CaseName());

TEST_F(SlipTransferTest, AddsOnlyTheTransactionStatementsAndCommitsTheReceivingSideFirst) {
  AdminSession(Server::Site).exec("delete from vorazu1.vaznil_00 where cislodokla <> 'O''B-17'");
  struct GeneralLogOff {
    ~GeneralLogOff() {
      for (Server server : {Server::Site, Server::Central}) {
        AdminSession(server).exec("SET GLOBAL general_log=0");
      }
    }
  } logOff;
  startGeneralLog(Server::Site);
  startGeneralLog(Server::Central);
  jobs_.SendSlips(SlipKind::Weighing, reporter_);
  auto threadOf = [](TZConnection& connection) {
    return mysql_thread_id(connection.LiveConnection()->Handle());
  };
  auto statements = [](Server server, unsigned long thread) {
    std::vector<std::string> texts;
    for (std::string text : loggedStatements(server, thread)) {
      while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
      // Only the beginning of each statement: its words, not its values.
      texts.push_back(text.substr(0, text.find(" where")));
    }
    return texts;
  };
  const std::vector<std::string> site = statements(Server::Site, threadOf(jobs_.ZConnection1));
  const std::vector<std::string> central =
      statements(Server::Central, threadOf(jobs_.ZConnection2));
  ASSERT_GE(site.size(), 6u);
  // The sending side reads the queue before its first transaction begins.
  const std::vector<std::string> siteStart(site.begin(),
                                           site.begin() + std::min<std::size_t>(site.size(), 10));
  EXPECT_EQ(siteStart, (std::vector<std::string>{
                           "SET CHARACTER SET cp1250", "select * from vaznil_00",
                           "SHOW TABLES FROM vorazu1 LIKE 'vaznil_00'",
                           "SHOW COLUMNS FROM vorazu1.vaznil_00 LIKE '%'",
                           "select cislodokla,rada from vaznil",
                           "SHOW TABLES FROM vorazu1 LIKE 'vaznil'",
                           "SHOW COLUMNS FROM vorazu1.vaznil LIKE '%'",
                           "select @@log_bin, @@sql_log_bin, @@binlog_format",
                           "SET SESSION TRANSACTION ISOLATION LEVEL READ COMMITTED",
                           "START TRANSACTION"}));
  EXPECT_EQ(site.back(), "COMMIT");
  // The receiving side makes its session strict, asks whether the server
  // accepts writes at READ COMMITTED (it writes no binary log here), then
  // asks for that level for the session; it asks whether the server is a cluster node, and
  // learns which key columns are CHAR from the columns of an empty result.
  const std::vector<std::string> expected = {
      "SET CHARACTER SET cp1250",
      "SET SESSION sql_mode = CONCAT(@@SESSION.sql_mode, ',STRICT_ALL_TABLES')",
      "select @@log_bin, @@sql_log_bin, @@binlog_format",
      "SET SESSION TRANSACTION ISOLATION LEVEL READ COMMITTED",
      "START TRANSACTION",
      "SHOW VARIABLES LIKE 'wsrep_on'",  // not a node of a cluster: batches
      "select cislodokla,rada from vaznil",
      "SHOW TABLES FROM vorazu1 LIKE 'vaznil'",
      "SHOW COLUMNS FROM vorazu1.vaznil LIKE '%'",
      "SELECT @@max_allowed_packet",  // what bounds a batch
      "delete from vaznil",           // with its INSERT and COMMIT AND CHAIN, in one
                                      // batch: the next chunk's transaction begins
      "ROLLBACK",                     // and ends empty with the job
  };
  EXPECT_EQ(central, expected);

  // The central server's commit ends the batch of the chunk's statements.
  auto commitTime = [](Server server, unsigned long thread) {
    return AdminSession(server).scalar(
        "select max(event_time) from mysql.general_log where argument like '%COMMIT%' and "
        "thread_id = " +
        std::to_string(thread));
  };
  EXPECT_LT(*commitTime(Server::Central, threadOf(jobs_.ZConnection2)),
            *commitTime(Server::Site, threadOf(jobs_.ZConnection1)));
}

TEST_F(SlipTransferTest, ADryRunRollsBothServersBackAndListsWhatWouldBeRejected) {
  const Servers before = servers(kSlipCases[0]);
  jobs_.SetDryRun(true);
  EXPECT_EQ(jobs_.SendSlips(SlipKind::Weighing, reporter_), 5);
  EXPECT_EQ(reporter_.messages, std::vector<std::string>{"Odesláno 5 nových VL"});
  EXPECT_TRUE(servers(kSlipCases[0]) == before);
  EXPECT_TRUE(jobs_.RejectedStatements().empty());

  AdminSession(Server::Central).exec("alter table vorazu1.vaznil modify ridic varchar(12)");
  const Servers narrowed = servers(kSlipCases[0]);
  EXPECT_THROW(jobs_.SendSlips(SlipKind::Weighing, reporter_), EZSQLException);
  ASSERT_EQ(jobs_.RejectedStatements().size(), 1u);
  EXPECT_NE(jobs_.RejectedStatements()[0].statement.find("'O''B-17'"), std::string::npos);
  EXPECT_NE(jobs_.RejectedStatements()[0].message.find("ridic"), std::string::npos);
  EXPECT_TRUE(servers(kSlipCases[0]) == narrowed);

  // A job that fails before its script lists no statement of an earlier run.
  jobs_.ZConnection2.SetPort(1);
  EXPECT_THROW(jobs_.SendSlips(SlipKind::Weighing, reporter_), EZSQLException);
  EXPECT_TRUE(jobs_.RejectedStatements().empty());
}

}  // namespace
}  // namespace zararod::testing

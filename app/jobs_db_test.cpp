// The start-up status check and the address-book import against the two
// sandbox servers.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "app/jobs_test_support.h"
#include "db/db_exceptions.h"

namespace zararod::testing {
namespace {

using Line = JobReporter::Line;
constexpr int kAddresses = 0, kWeighing = 1, kLab = 2;

class StatusCheckTest : public JobsDbTest {};

TEST_F(StatusCheckTest, ShowsTheThreeQueueCounts) {
  AdminSession(Server::Site).exec(
      "delete from vorazu1.vaznil_00;"
      "insert into vorazu1.laborl_00 select concat('X', cislodokla), rada from vorazu1.laborl_00;"
      "insert into vorazu1.laborl_00 select concat('Y', cislodokla), rada from vorazu1.laborl_00;");
  jobs_.CheckStatus(reporter_);
  EXPECT_EQ(reporter_.status[kAddresses], "počet nových adres: 3");
  EXPECT_EQ(reporter_.status[kWeighing], "počet nových VL: 0");
  EXPECT_EQ(reporter_.status[kLab], "počet nových LL: 12");
  for (bool disabled : reporter_.disabled) EXPECT_FALSE(disabled);
}

TEST_F(StatusCheckTest, AFailedCheckChangesOnlyItsOwnLineAndJob) {
  struct Case {
    const char* what;
    std::function<void(StatusCheckTest&)> setUp;
    int failing;
    const char* failingHost;
  } cases[] = {
      {"central unreachable",
       [](StatusCheckTest& t) {
         ServerAddress nowhere = serverAddress(Server::Central, Account::Site);
         nowhere.port = 1;
         t.writeSettings(nowhere, "10", serverAddress(Server::Site, Account::Site));
       },
       kAddresses, "central"},
      {"laborl_00 missing",
       [](StatusCheckTest&) { AdminSession(Server::Site).exec("drop table vorazu1.laborl_00"); },
       kLab, "site"},
      {"series without a queue table",
       [](StatusCheckTest& t) {
         t.writeSettings(serverAddress(Server::Central, Account::Site), "99",
                         serverAddress(Server::Site, Account::Site));
       },
       kAddresses, "central"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    loadSampleData(Server::Site);
    writeSettings(serverAddress(Server::Central, Account::Site), "10",
                  serverAddress(Server::Site, Account::Site));
    c.setUp(*this);
    Jobs jobs;
    RecordingReporter reporter;
    jobs.ApplySettings(iniPath_);
    jobs.CheckStatus(reporter);

    const std::string host = serverAddress(std::string(c.failingHost) == "site" ? Server::Site
                                                                               : Server::Central)
                                 .host;
    const std::string expected[3] = {"počet nových adres: 3", "počet nových VL: 4",
                                     "počet nových LL: 3"};
    for (int i = 0; i < 3; ++i) {
      if (i == c.failing) {
        EXPECT_EQ(reporter.status[i], "nelze se připojit k serveru " + host);
        EXPECT_TRUE(reporter.disabled[i]);
      } else {
        EXPECT_EQ(reporter.status[i], expected[i]);
        EXPECT_FALSE(reporter.disabled[i]);
      }
    }
  }
}

TEST(SettingsTest, AMissingFileGivesTheDefaults) {
  Jobs jobs;
  EXPECT_EQ(jobs.rada, "");
  EXPECT_EQ(jobs.ZConnection1.Port(), 0);
  jobs.ApplySettings("/nonexistent/vedid.ini");
  for (const TZConnection* connection : {&jobs.ZConnection1, &jobs.ZConnection2}) {
    EXPECT_EQ(connection->HostName(), "localhost");
    EXPECT_EQ(connection->User(), "root");
    EXPECT_EQ(connection->Password(), "");
    EXPECT_EQ(connection->Port(), 3306);
    EXPECT_EQ(connection->Protocol(), "mysql");
    EXPECT_FALSE(connection->Connected());
  }
  // The central server is reached compressed, the site's own server not.
  EXPECT_EQ(jobs.ZConnection1.Properties(), TZProperties{"codepage=cp1250"});
  EXPECT_EQ(jobs.ZConnection2.Properties(), (TZProperties{"codepage=cp1250", "compress=1"}));
  EXPECT_EQ(jobs.ZConnection1.Database(), "vorazu1");
  EXPECT_EQ(jobs.ZConnection2.Database(), "dovodi");
  EXPECT_EQ(jobs.rada, "10");
}

TEST_F(JobsDbTest, ColumnListsLeaveOutExactlyIdAndPC8) {
  AdminSession(Server::Site).exec(
      "drop database if exists zt_jobs; create database zt_jobs;"
      "create table zt_jobs.t1 (id int, a int, b int, PC8 int, c int);"
      "create table zt_jobs.t2 (id int, PC8 int);"
      "create table zt_jobs.t3 (ID int, pc8 int, x int)");
  // The scratch tables are the administrator's: the site's account has no
  // rights on them.
  writeSettings(serverAddress(Server::Central), "10", serverAddress(Server::Site));
  jobs_.ApplySettings(iniPath_);
  jobs_.ZConnection1.SetDatabase("zt_jobs");
  EXPECT_EQ(jobs_.udelejPolozky("t1", reporter_), "a,b,c");
  EXPECT_EQ(jobs_.udelejPolozky("t2", reporter_), "");
  EXPECT_EQ(jobs_.udelejPolozky("t3", reporter_), "ID,pc8,x");
  EXPECT_EQ(reporter_.busyDepth, 0);
  EXPECT_FALSE(jobs_.ZQuery2.Active());
  EXPECT_THROW(jobs_.udelejPolozky("missing", reporter_), EZSQLException);
  AdminSession(Server::Site).exec("drop database zt_jobs");
}

class AddressImportTest : public JobsDbTest {
 protected:
  static constexpr const char* kColumns =
      "NAZEVPODNI,SIDLO,ULICECISLO,PSC,POSTA,kodpar,ICO,KOD_PLATCE,ADR1,ADR2,ADR3,ADR4,ADR5,ADR6,"
      "emailobj,email_fakt,LIC_VNITRO";
  static std::vector<Row> addresses(Server server, const std::string& keys) {
    AdminSession session(server, "", "cp1250");
    return session.rows(std::string("select ") + kColumns +
                        " from dovodi.adresar where kodpar in (" + keys + ") order by kodpar");
  }
};

TEST_F(AddressImportTest, ImportsTheQueuedAddressesAndEmptiesTheQueue) {
  EXPECT_EQ(jobs_.ImportAddresses(reporter_), 3);

  EXPECT_EQ(reporter_.status[kAddresses], "počet nových adres: 3");
  EXPECT_EQ(reporter_.progressMax[kAddresses], 3);
  EXPECT_TRUE(reporter_.visible[kAddresses]);
  EXPECT_EQ(reporter_.positions[kAddresses], (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(reporter_.messages, std::vector<std::string>{"Nahráno 3 nových adres"});

  const std::string script = cp1250ToUtf8(readBytes("aad.txt"));
  const std::string a00017 =
      "delete from adresar where kodpar = 'A00017' and binary convert(kodpar using cp1250) = "
      "_binary'A00017';\r\n"
      "INSERT into adresar SET \r\n"
      " NAZEVPODNI='Obchodní dům \"U Mlýna\" O''Reilly & syn',\r\n"
      " SIDLO='Brno',\r\n ULICECISLO='Údolní 5; 2. patro',\r\n PSC='60200',\r\n"
      " POSTA='Brno 2',\r\n KODPAR='A00017',\r\n ICO='44556677',\r\n KOD_PLATCE='N',\r\n"
      " ADR1='C:\\\\faktury\\\\',\r\n ADR2='Dotaz?',\r\n ADR3='řádek 1\\nřádek 2',\r\n"
      " ADR4='',\r\n ADR5='',\r\n ADR6='',\r\n emailobj='',\r\n"
      " email_fakt='fakturace@umlyna.cz',\r\n LIC_VNITRO='Y',\r\n DATUMZAL=NOW();\r\n";
  EXPECT_EQ(script.rfind("UPDATE adresar SET LIC_VNITRO=\"N\" where LEFT(kodpar,3) = \"A00\";\r\n"
                         "UPDATE adresar SET LIC_VNITRO=\"N\" where LEFT(kodpar,3) = \"790\";\r\n"
                         "delete from adresar where kodpar = '100234' and binary convert(kodpar "
                         "using cp1250) = _binary'100234';\r\nINSERT into adresar SET \r\n",
                         0),
            0u);
  EXPECT_NE(script.find(a00017), std::string::npos);
  EXPECT_NE(script.find("delete from adresar where kodpar = '999999' and binary convert(kodpar "
                        "using cp1250) = _binary'999999';\r\n"),
            std::string::npos);
  EXPECT_EQ(std::count(script.begin(), script.end(), '\n'), 2 + 2 * 20 + 1);

  // The local copies now hold the central values (a null as ''), stamped now.
  std::vector<Row> central = addresses(Server::Central, "'100234','A00017'");
  for (Row& row : central) {
    for (auto& value : row) value = value.value_or("");
  }
  EXPECT_EQ(addresses(Server::Site, "'100234','A00017','999999'"), central);
  AdminSession site(Server::Site);
  EXPECT_EQ(site.scalar("select count(*) from dovodi.adresar where kodpar in ('100234','A00017') "
                        "and DATUMZAL > now() - interval 5 minute"),
            "2");
  EXPECT_EQ(site.scalar("select LIC_VNITRO from dovodi.adresar where kodpar = '790001'"), "N");
  EXPECT_EQ(AdminSession(Server::Central).scalar("select count(*) from dovodi.adresar_10"), "0");
}

TEST_F(AddressImportTest, AnEmptyQueueStillRunsTheTwoUpdates) {
  AdminSession(Server::Central).exec("delete from dovodi.adresar_10");
  EXPECT_EQ(jobs_.ImportAddresses(reporter_), 0);
  EXPECT_EQ(readBytes("aad.txt"),
            "UPDATE adresar SET LIC_VNITRO=\"N\" where LEFT(kodpar,3) = \"A00\";\r\n"
            "UPDATE adresar SET LIC_VNITRO=\"N\" where LEFT(kodpar,3) = \"790\";\r\n");
  EXPECT_EQ(reporter_.status[kAddresses], "počet nových adres: 0");
  EXPECT_EQ(reporter_.positions[kAddresses], std::vector<int>{0});
  EXPECT_EQ(reporter_.messages, std::vector<std::string>{"Nahráno 0 nových adres"});
  EXPECT_EQ(AdminSession(Server::Site)
                .scalar("select count(*) from dovodi.adresar where LIC_VNITRO = 'Y' and "
                        "(kodpar like 'A00%' or kodpar like '790%')"),
            "0");
}

TEST_F(AddressImportTest, ARejectedInsertLeavesBothServersAsTheyWereAndARerunDelivers) {
  AdminSession site(Server::Site);
  site.exec("alter table dovodi.adresar modify NAZEVPODNI varchar(32)");
  const auto siteBefore = snapshot(Server::Site, "dovodi.adresar", "kodpar");
  const auto centralBefore = snapshot(Server::Central, "dovodi.adresar_10", "kodpar");

  EXPECT_THROW(jobs_.ImportAddresses(reporter_), EZSQLException);
  EXPECT_TRUE(reporter_.messages.empty());
  EXPECT_EQ(snapshot(Server::Site, "dovodi.adresar", "kodpar"), siteBefore);
  EXPECT_EQ(snapshot(Server::Central, "dovodi.adresar_10", "kodpar"), centralBefore);

  site.exec("alter table dovodi.adresar modify NAZEVPODNI varchar(100)");
  EXPECT_EQ(jobs_.ImportAddresses(reporter_), 3);
  EXPECT_EQ(site.scalar("select count(*) from dovodi.adresar where kodpar = 'A00017'"), "1");
  EXPECT_EQ(AdminSession(Server::Central).scalar("select count(*) from dovodi.adresar_10"), "0");
}

}  // namespace
}  // namespace zararod::testing

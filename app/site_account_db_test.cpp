// The site's own accounts (sandbox/site_account.sql, sandbox/central_account.sql)
// hold the rights of the site's jobs and nothing more: a settings file read
// on a site's PC opens no other table, no other series' queue, and changes no
// table's shape.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/jobs_test_support.h"
#include "db/connection.h"
#include "db/db_exceptions.h"
#include "db/query.h"
#include "testing/error_of.h"
#include "testing/sandbox_connection.h"

namespace zararod::testing {
namespace {

// The sample data with the queue of another series, 20, beside the site's own.
class SiteAccountTest : public JobsDbTest {
 public:
  void SetUp() override {
    JobsDbTest::SetUp();
    AdminSession(Server::Central, "dovodi")
        .exec("create table adresar_20 like adresar_10; insert into adresar_20 values ('100777')");
  }
  static std::vector<Row> otherQueue() {
    return AdminSession(Server::Central).rows("select kodpar from dovodi.adresar_20");
  }
};

TEST_F(SiteAccountTest, HoldsNoRightBeyondItsJobs) {
  struct Case {
    Server server;
    const char* statement;
    const char* refused;  // the right the server names
  } cases[] = {
      {Server::Central, "select * from mysql.user", "SELECT"},
      {Server::Site, "select * from mysql.user", "SELECT"},
      {Server::Central, "drop table vorazu1.vaznil", "DROP"},
      {Server::Site, "drop table vorazu1.vaznil_00", "DROP"},
      {Server::Site, "truncate table vorazu1.laborl_00", "DROP"},
      {Server::Central, "alter table dovodi.adresar_10 add x int", "ALTER"},
      {Server::Site, "alter table dovodi.adresar add x int", "ALTER"},
      {Server::Central, "create table dovodi.adresar_30 (kodpar varchar(10))", "CREATE"},
      {Server::Central, "select * from dovodi.adresar_20", "SELECT"},
      {Server::Central, "delete from dovodi.adresar_20", "DELETE"},
      {Server::Central, "insert into dovodi.adresar_20 values ('A00017')", "INSERT"},
      {Server::Central, "update dovodi.adresar_20 set kodpar = 'x'", "UPDATE"},
      // The sending side only reads its records; the central addresses are
      // only read.
      {Server::Site, "delete from vorazu1.vaznil", "DELETE"},
      {Server::Central, "update dovodi.adresar set LIC_VNITRO = 'N'", "UPDATE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.statement);
    TZConnection connection;
    configureForSandbox(connection, c.server, "", Account::Site);
    TZQuery query;
    query.SetConnection(&connection);
    query.SQL().Add(c.statement);
    const std::string error = errorOf<EZSQLException>([&] {
      if (std::string(c.statement).starts_with("select")) {
        query.Open();
      } else {
        query.ExecSQL();
      }
    });
    EXPECT_NE(error.find(std::string(c.refused) + " command denied to user '" +
                         serverAddress(c.server, Account::Site).user + "'"),
              std::string::npos)
        << error;
    EXPECT_NE(error.find(std::string(" in statement: ") + c.statement), std::string::npos) << error;
  }
  EXPECT_EQ(otherQueue(), (std::vector<Row>{{"100777"}}));
  EXPECT_EQ(AdminSession(Server::Central)
                .scalar("select count(*) from information_schema.columns where table_schema = "
                        "'dovodi' and table_name in ('adresar_10', 'adresar_30')"),
            "1");
}

// A site that names another series in its settings reaches neither that
// series' queue nor its addresses.
TEST_F(SiteAccountTest, CannotImportTheQueueOfAnotherSeries) {
  const std::vector<Row> localBefore = snapshot(Server::Site, "dovodi.adresar", "kodpar");
  writeSettings(serverAddress(Server::Central, Account::Site), "20",
                serverAddress(Server::Site, Account::Site));
  jobs_.ApplySettings(iniPath_);
  const std::string error = errorOf<EZSQLException>([&] { jobs_.ImportAddresses(reporter_); });
  EXPECT_NE(error.find("SELECT command denied"), std::string::npos) << error;
  EXPECT_NE(error.find("`dovodi`.`adresar_20` in statement: select * from adresar_20"),
            std::string::npos)
      << error;
  EXPECT_EQ(otherQueue(), (std::vector<Row>{{"100777"}}));
  EXPECT_EQ(snapshot(Server::Site, "dovodi.adresar", "kodpar"), localBefore);
}

}  // namespace
}  // namespace zararod::testing

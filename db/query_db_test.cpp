#include "db/query.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/connection.h"
#include "db/db_exceptions.h"
#include "db/mysql_connection.h"
#include "testing/error_of.h"
#include "testing/sandbox.h"
#include "testing/sandbox_connection.h"
#include "util/format_settings.h"

namespace zararod {
namespace {

using testing::AdminSession;
using testing::errorOf;
using testing::Server;

constexpr const char* kScratch = "zt_query";

class QueryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    AdminSession admin(Server::Site);
    admin.exec("SET SESSION sql_mode = ''");
    admin.exec(std::string("DROP DATABASE IF EXISTS ") + kScratch);
    admin.exec(std::string("CREATE DATABASE ") + kScratch + " CHARACTER SET cp1250");
    admin.exec(std::string("USE ") + kScratch);
    admin.exec(
        "CREATE TABLE vals (id INT PRIMARY KEY, s VARCHAR(20), d DATE, dt DATETIME, t TIME,"
        " dec2 DECIMAL(10,2), f DOUBLE, b ENUM('Y','N'), big BIGINT, si SMALLINT)");
    admin.exec(
        "INSERT INTO vals VALUES"
        " (1, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL),"
        " (2, '', '0000-00-00', '0000-00-00 00:00:00', '00:00:00', 12.50, 0.00001, 'Y',"
        "  9223372036854775807, -5),"
        " (3, 'O''Neil', '1899-12-30', '1899-12-30 00:00:00', '12:30:00', -0.50, 100, 'N',"
        "  -1, 32767),"
        " (4, 'x', '2024-03-07', '2024-03-07 08:09:10', '36:15:00', 99999999.99, 1.5e20, 'Y',"
        "  0, 0)");
    admin.exec("CREATE TABLE queue (cislodokla VARCHAR(20), rada VARCHAR(10))");
    admin.exec("CREATE TABLE empty_queue (cislodokla VARCHAR(20), rada VARCHAR(10))");
  }

  void SetUp() override {
    AdminSession admin(Server::Site, kScratch);
    admin.exec("DELETE FROM queue");
    admin.exec("INSERT INTO queue VALUES ('1', '01'), ('2', '01'), ('3', '02')");
    testing::configureForSandbox(connection_, Server::Site, kScratch);
    query_.SetConnection(&connection_);
  }

  void TearDown() override { FormatSettingsOfProcess().DecimalSeparator = '.'; }

  void setText(const std::string& line) {
    query_.Close();
    query_.SQL().Clear();
    query_.SQL().Add(line);
  }

  TZConnection connection_;
  TZQuery query_{"ZQuery1"};
};

TEST_F(QueryTest, FieldKindsAndValueTexts) {
  setText("select * from vals order by id;");
  query_.Open();
  const struct {
    const char* column;
    TFieldType kind;
  } kinds[] = {{"s", ftString},   {"d", ftDate},    {"dt", ftDateTime}, {"t", ftTime},
               {"dec2", ftFloat}, {"f", ftFloat},   {"b", ftBoolean},   {"big", ftLargeint},
               {"si", ftSmallint}, {"id", ftInteger}};
  for (const auto& k : kinds) EXPECT_EQ(query_.FieldByName(k.column).DataType(), k.kind) << k.column;

  // Per row: null test and text of s, null tests of d, dt, t, texts of dec2 and
  // f under ",", truth of b.
  const struct {
    bool sNull;
    const char* s;
    bool dNull, dtNull, tNull;
    const char* dec2;
    const char* f;
    bool b;
  } rows[] = {
      {true, "", true, true, true, "", "", false},
      {false, "", true, true, true, "12,5", "1E-5", true},
      {false, "O'Neil", true, true, false, "-0,5", "100", false},
      {false, "x", false, false, false, "99999999,99", "1,5E20", true},
  };
  FormatSettingsOfProcess().DecimalSeparator = ',';
  int i = 0;
  for (query_.First(); !query_.Eof(); query_.Next(), ++i) {
    SCOPED_TRACE(i + 1);
    ASSERT_LT(i, 4);
    const auto& r = rows[i];
    EXPECT_EQ(query_.FieldByName("s").IsNull(), r.sNull);
    EXPECT_EQ(query_.FieldByName("s").AsString(), r.s);
    EXPECT_EQ(query_.FieldByName("d").IsNull(), r.dNull);
    EXPECT_EQ(query_.FieldByName("dt").IsNull(), r.dtNull);
    EXPECT_EQ(query_.FieldByName("t").IsNull(), r.tNull);
    EXPECT_EQ(query_.FieldByName("dec2").AsString(), r.dec2);
    EXPECT_EQ(query_.FieldByName("f").AsString(), r.f);
    EXPECT_EQ(query_.FieldByName("b").AsBoolean(), r.b);
  }
  EXPECT_EQ(i, 4);

  // The same value under ".", and the date-time values of row 4.
  FormatSettingsOfProcess().DecimalSeparator = '.';
  query_.First();
  query_.Next();
  EXPECT_EQ(query_.FieldByName("dec2").AsString(), "12.5");
  EXPECT_EQ(query_.FieldByName("d").AsDateTime(), 0);
  EXPECT_EQ(query_.FieldByName("big").AsString(), "9223372036854775807");
  EXPECT_EQ(query_.FieldByName("si").AsInteger(), -5);
  query_.Next();
  query_.Next();
  EXPECT_EQ(query_.FieldByName("d").AsDateTime(), 45358.0);
  EXPECT_NEAR(query_.FieldByName("dt").AsDateTime(), 45358.0 + 29350.0 / 86400, 1e-9);
}

TEST_F(QueryTest, ServerTextIsTheBytesAsSent) {
  setText("select dec2, t, big, d, s from vals where id = 4");
  query_.Open();
  EXPECT_EQ(query_.FieldByName("dec2").AsServerText(), "99999999.99");
  EXPECT_EQ(query_.FieldByName("t").AsServerText(), "36:15:00");
  EXPECT_EQ(query_.FieldByName("big").AsServerText(), "0");
  EXPECT_EQ(query_.FieldByName("d").AsServerText(), "2024-03-07");
  EXPECT_EQ(query_.FieldDefs()[0].DeclaredTypeName, "decimal");
  EXPECT_EQ(query_.FieldDefs()[1].DeclaredTypeName, "time");
  EXPECT_EQ(query_.FieldDefs()[0].Scale, 2);
  setText("select d, s from vals where id = 2");
  query_.Open();
  EXPECT_TRUE(query_.FieldByName("d").IsNull());  // a zero date reads as null...
  EXPECT_EQ(query_.FieldByName("d").AsServerText(), "0000-00-00");  // ...but its text is kept
  EXPECT_EQ(query_.FieldByName("s").AsServerText(), "");
  setText("select s from vals where id = 1");
  query_.Open();
  EXPECT_EQ(query_.FieldByName("s").AsServerText(), std::nullopt);
}

TEST_F(QueryTest, WalkingAndRecordCount) {
  setText("select * from empty_queue;");
  query_.Open();
  EXPECT_TRUE(query_.Active());
  EXPECT_TRUE(query_.Eof());
  EXPECT_EQ(query_.RecordCount(), 0);

  setText("select cislodokla from queue order by cislodokla;");
  query_.Open();
  EXPECT_FALSE(query_.Eof());
  EXPECT_EQ(query_.RecordCount(), 3);
  EXPECT_EQ(query_.FieldByName("cislodokla").AsString(), "1");  // the cursor did not move
  std::vector<std::string> seen;
  for (query_.First(); !query_.Eof(); query_.Next())
    seen.push_back(query_.FieldByName("CISLODOKLA").AsString());
  EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "3"}));
  query_.Next();  // at the end it stays on the last row
  EXPECT_TRUE(query_.Eof());
  EXPECT_EQ(query_.FieldByName("cislodokla").AsString(), "3");
  query_.First();
  EXPECT_FALSE(query_.Eof());
  EXPECT_EQ(query_.FieldByName("cislodokla").AsString(), "1");
}

TEST_F(QueryTest, ReopeningSendsOnlyTheStatement) {
  setText("select * from queue");
  query_.Open();  // the first open also reads the table's columns
  testing::startGeneralLog(Server::Site);
  query_.Close();
  query_.Open();
  const unsigned long thread = mysql_thread_id(connection_.LiveConnection()->Handle());
  EXPECT_EQ(testing::loggedStatements(Server::Site, thread),
            std::vector<std::string>{"select * from queue"});
}

TEST_F(QueryTest, UnsetParametersGoToTheServerAsNull) {
  setText("select :p as x, :P as y from queue where rada = :r");
  ASSERT_EQ(query_.Params().Count(), 2);
  EXPECT_TRUE(query_.Params().Items(0).IsNull());
  query_.Open();  // reads the table's columns first
  query_.Close();
  testing::startGeneralLog(Server::Site);
  query_.Open();
  EXPECT_TRUE(query_.Eof());
  const unsigned long thread = mysql_thread_id(connection_.LiveConnection()->Handle());
  EXPECT_EQ(testing::loggedStatements(Server::Site, thread),
            std::vector<std::string>{"select NULL as x, NULL as y from queue where rada = NULL"});
}

TEST_F(QueryTest, FieldNamesAndLookup) {
  setText("SHOW FIELDS FROM queue");
  query_.Open();
  EXPECT_EQ(query_.FieldByName("field").FieldName(), "Field");
  EXPECT_EQ(query_.FieldByName("field").AsString(), "cislodokla");

  setText("select 1 as a, 2 as a, 3 as A_1");
  query_.Open();
  ASSERT_EQ(query_.FieldDefs().Count(), 3);
  EXPECT_EQ(query_.FieldDefs()[0].Name, "a");
  EXPECT_EQ(query_.FieldDefs()[1].Name, "a_1");
  EXPECT_EQ(query_.FieldDefs()[2].Name, "A_1_1");
  EXPECT_EQ(query_.FieldByName("A").AsInteger(), 1);
  EXPECT_EQ(query_.FieldByName("a_1").AsInteger(), 2);

  // Labels are first made unique as the result reports them (an empty one
  // becomes "Column", a repeated one gets the count of its earlier copies),
  // then the definitions' own rule applies.
  setText("select '', 1 a, 2 a_1, 3 a, ''");
  query_.Open();
  std::vector<std::string> names;
  for (int i = 0; i < query_.FieldDefs().Count(); ++i) names.push_back(query_.FieldDefs()[i].Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Column", "a", "a_1", "a_1_1", "Column_1"}));
  EXPECT_EQ(query_.FieldByName("a_1_1").AsInteger(), 3);
}

TEST_F(QueryTest, Errors) {
  EXPECT_EQ(errorOf([&] { query_.RecordCount(); }),
            "ZQuery1: Cannot perform this operation on a closed dataset");
  EXPECT_EQ(errorOf([&] { query_.First(); }),
            "ZQuery1: Cannot perform this operation on a closed dataset");
  EXPECT_EQ(errorOf([&] { query_.Next(); }),
            "ZQuery1: Cannot perform this operation on a closed dataset");
  setText("select * from queue");
  query_.Open();
  EXPECT_EQ(errorOf([&] { query_.FieldByName("nic"); }), "ZQuery1: Field 'nic' not found");
  EXPECT_EQ(errorOf([&] { query_.FieldByName("rada").AsBoolean(); }),
            "Cannot access field 'rada' as type Boolean");

  // Changing the text closes the query.
  query_.SQL().Add("where rada = '01'");
  EXPECT_FALSE(query_.Active());
  EXPECT_EQ(errorOf([&] { query_.RecordCount(); }),
            "ZQuery1: Cannot perform this operation on a closed dataset");

  setText("  ");
  EXPECT_EQ(errorOf([&] { query_.Open(); }), "SQL Query is empty");
  setText("select * from nic");
  try {
    query_.Open();
    FAIL();
  } catch (const EZSQLException& e) {
    EXPECT_EQ(e.Message(), "SQL Error: Table 'zt_query.nic' doesn't exist");
    EXPECT_EQ(e.ErrorCode(), 1146);
  }
  EXPECT_FALSE(query_.Active());
  setText("delete from queue where 1 = 0");
  EXPECT_EQ(errorOf([&] { query_.Open(); }), "Can not open a Resultset");
  EXPECT_FALSE(query_.Active());

  TZQuery detached("ZQuery9");
  detached.SQL().Add("select 1");
  EXPECT_EQ(errorOf([&] { detached.Open(); }), "Database connection component is not assigned");
  EXPECT_EQ(errorOf([&] { detached.ExecSQL(); }), "Database connection component is not assigned");
}

TEST_F(QueryTest, ExecSQLCountsRowsAndLeavesTheQueryClosed) {
  setText("select * from queue");
  query_.Open();
  setText("delete from queue where cislodokla = '2' and rada = '01';");
  query_.ExecSQL();
  EXPECT_FALSE(query_.Active());
  EXPECT_EQ(query_.RowsAffected(), 1);
  query_.ExecSQL();  // the kept statement runs again
  EXPECT_EQ(query_.RowsAffected(), 0);
  AdminSession admin(Server::Site, kScratch);
  EXPECT_EQ(admin.scalar("select count(*) from queue"), "2");

  // A change whose rescan fails must not leave the kept statement to run.
  setText("insert into queue values ('9', '09')");
  query_.ExecSQL();
  EXPECT_EQ(errorOf([&] { query_.SQL().Add(", (:1, '09')"); }),
            "Incorrect token followed by \":\"");
  EXPECT_NE(errorOf([&] { query_.ExecSQL(); }), "no error");
  EXPECT_EQ(admin.scalar("select count(*) from queue"), "3");
}

TEST_F(QueryTest, TransactionsThroughExecSQL) {
  setText("START TRANSACTION");
  query_.ExecSQL();
  setText("delete from queue");
  query_.ExecSQL();
  EXPECT_EQ(query_.RowsAffected(), 3);
  setText("ROLLBACK");
  query_.ExecSQL();
  setText("select * from queue");
  query_.Open();
  EXPECT_EQ(query_.RecordCount(), 3);
}

TEST_F(QueryTest, DisconnectClosesAndOpenReconnectsWithCurrentDatabase) {
  setText("select database() as db");
  query_.Open();
  EXPECT_EQ(query_.FieldByName("db").AsString(), kScratch);
  connection_.Disconnect();
  EXPECT_FALSE(query_.Active());
  setText("delete from queue where 1 = 0");
  query_.ExecSQL();  // keeps its statement...
  connection_.Disconnect();  // ...which disconnect drops with the live connection
  query_.ExecSQL();
  EXPECT_TRUE(connection_.Connected());

  connection_.Disconnect();
  connection_.SetDatabase("mysql");
  setText("select database() as db");
  query_.Open();
  EXPECT_TRUE(connection_.Connected());
  EXPECT_EQ(query_.FieldByName("db").AsString(), "mysql");
}

}  // namespace
}  // namespace zararod

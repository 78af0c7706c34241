// Statements and result sets against the sandbox site server: column kinds
// from field descriptions, the readers on both result sets, the counts and
// errors of statements, and parameter literals as the server receives them.
#include "db/mysql_result_set.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "db/cached_result_set.h"
#include "db/connection.h"
#include "db/db_exceptions.h"
#include "db/mysql_connection.h"
#include "testing/comma_locale.h"
#include "testing/error_of.h"
#include "testing/sandbox.h"
#include "testing/sandbox_connection.h"
#include "util/date_time.h"
#include "util/format_settings.h"

namespace zararod {
namespace {

using testing::AdminSession;
using testing::errorOf;
using testing::Server;

double at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return *encodeDateTime({year, month, day, hour, minute, second, 0});
}

class ResultSetTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    AdminSession admin(Server::Site);
    admin.exec(
        "DROP DATABASE IF EXISTS zt_conn;"
        "CREATE DATABASE zt_conn CHARACTER SET cp1250 COLLATE cp1250_czech_cs;"
        "SET SESSION sql_mode = 'ALLOW_INVALID_DATES';"
        "CREATE TABLE zt_conn.kinds ("
        "  i INT, v VARCHAR(20), d DATE, t TIME, dt DATETIME, dec2 DECIMAL(10,2),"
        "  dec0 DECIMAL(10,0), dec9 DECIMAL(9,0), dbl DOUBLE, si SMALLINT, ti TINYINT,"
        "  e ENUM('Y','N'), tx TEXT, bi BIGINT, y YEAR, c CHAR(1) NOT NULL DEFAULT '',"
        "  tiu TINYINT UNSIGNED, siu SMALLINT UNSIGNED, iu INT UNSIGNED, biu BIGINT UNSIGNED,"
        "  vb VARBINARY(10), bl BLOB, lv VARCHAR(9000), ts TIMESTAMP NULL,"
        "  id INT NOT NULL AUTO_INCREMENT PRIMARY KEY"
        ") CHARACTER SET cp1250;"
        "INSERT INTO zt_conn.kinds (i, v, d, t, dt, dec2, ti, e, tiu, biu, ts) VALUES"
        "  (42, 'abc', '2023-02-30', '12:30:00', '0000-00-00 00:00:00', 12.50, -5, 'Y',"
        "   200, 4294967296, '2024-03-07 08:09:10'),"
        "  (-7, '', '0000-00-00', '00:00:00', '1899-12-30 00:00:00', -0.5, 127, 'N',"
        "   0, 0, NULL),"
        "  (NULL, NULL, '2024-03-07', '23:59:59', '2024-03-07 08:09:10', NULL, NULL, NULL,"
        "   NULL, NULL, NULL);"
        "CREATE TABLE zt_conn.texts (v VARCHAR(40)) CHARACTER SET cp1250;");
  }

  void SetUp() override {
    testing::configureForSandbox(connection_, Server::Site, "zt_conn");
    connection_.Connect();
  }

  TZMySQLConnection& live() { return *connection_.LiveConnection(); }

  std::unique_ptr<IZResultSet> query(const std::string& sql, bool cached,
                                     const TZProperties& info = {}) {
    std::unique_ptr<IZStatement> statement = live().CreateStatement(info);
    statement->SetResultSetConcurrency(cached ? rcUpdatable : rcReadOnly);
    return statement->ExecuteQuery(sql);
  }

  TZConnection connection_;
};

TEST_F(ResultSetTest, AStatementThatFailsAfterItsFirstRowsRaisesTheServersError) {
  try {
    query("select i, (select v from kinds where i is null or i = 42) from kinds order by i desc",
          true);
    ADD_FAILURE() << "no error";
  } catch (const EZSQLException& e) {
    EXPECT_EQ(e.ErrorCode(), 1242);
    EXPECT_EQ(e.Message(), "SQL Error: Subquery returns more than 1 row");
  }
}

TEST_F(ResultSetTest, KindsFromFieldDescriptions) {
  live().SetColumnKindCorrector(nullptr);  // the kinds as the client library gives them
  auto rows = query("SELECT *, 1 + 1 AS sum FROM kinds", false);
  const TZSQLType expected[] = {
      stInteger,       // INT
      stString,        // VARCHAR(20)
      stDate,          // DATE
      stTime,          // TIME
      stTimestamp,     // DATETIME
      stDouble,        // DECIMAL(10,2)
      stLong,          // DECIMAL(10,0)
      stInteger,       // DECIMAL(9,0)
      stDouble,        // DOUBLE
      stShort,         // SMALLINT
      stByte,          // TINYINT
      stString,        // ENUM
      stAsciiStream,   // TEXT
      stLong,          // BIGINT
      stInteger,       // YEAR (unsigned)
      stString,        // CHAR(1)
      stShort,         // TINYINT UNSIGNED
      stInteger,       // SMALLINT UNSIGNED
      stLong,          // INT UNSIGNED
      stBigDecimal,    // BIGINT UNSIGNED
      stString,        // VARBINARY(10)
      stBinaryStream,  // BLOB
      stAsciiStream,   // VARCHAR(9000)
      stTimestamp,     // TIMESTAMP
      stInteger,       // INT AUTO_INCREMENT
      stInteger,       // 1 + 1
  };
  const TZColumnInfos& columns = rows->GetColumnsInfo();
  ASSERT_EQ(columns.size(), std::size(expected));
  for (std::size_t i = 0; i < columns.size(); ++i) {
    EXPECT_EQ(columns[i].ColumnType, expected[i]) << columns[i].ColumnLabel;
  }
  const TZColumnInfo& dec2 = columns[5];
  EXPECT_EQ(dec2.ColumnLabel, "dec2");
  EXPECT_EQ(dec2.TableName, "kinds");
  EXPECT_EQ(dec2.Scale, 2);
  EXPECT_FALSE(dec2.ReadOnly);
  EXPECT_FALSE(columns[16].Signed);
  EXPECT_EQ(columns[15].Nullable, ntNoNulls);
  EXPECT_EQ(columns[0].Nullable, ntNullable);
  EXPECT_TRUE(columns[24].AutoIncrement);
  EXPECT_TRUE(columns[25].ReadOnly);
  EXPECT_EQ(columns[25].TableName, "");
}

TEST_F(ResultSetTest, ReadersOnBothResultSets) {
  // Value texts always use "."; neither the user's separator nor the C
  // library's (which the window's toolkit sets from the user's locale) counts.
  FormatSettingsOfProcess().DecimalSeparator = ',';
  const testing::CommaDecimalLocale commaLocale;
  for (bool cached : {false, true}) {
    SCOPED_TRACE(cached ? "caching result set" : "MySQL result set");
    auto rows = query(
        "SELECT ti, dec2, dt, d, t, i, v, e, tiu, biu, ts, "
        "'20240307080910' AS compact, CONCAT('a', CHAR(0), 'b') AS zero, "
        "CAST('1899-12-29 06:00:00' AS DATETIME) AS early, "
        "CAST(18446744073709551615 AS UNSIGNED) AS huge "
        "FROM kinds ORDER BY id",
        cached);
    EXPECT_EQ(errorOf<EZSQLException>([&] { rows->GetInt(6); }), "Row data is not available");

    ASSERT_TRUE(rows->Next());
    EXPECT_EQ(rows->GetShort(1), -5);
    EXPECT_EQ(rows->GetByte(1), -5);
    EXPECT_EQ(rows->GetDouble(2), 12.5);
    EXPECT_EQ(rows->GetTimestamp(3), 0);  // zero date
    EXPECT_TRUE(rows->WasNull());
    EXPECT_EQ(rows->GetDate(4), 0);  // 2023-02-30
    EXPECT_TRUE(rows->WasNull());
    EXPECT_NEAR(rows->GetTime(5), 0.5208333333, 1e-9);
    EXPECT_FALSE(rows->WasNull());
    EXPECT_EQ(rows->GetInt(6), 42);
    EXPECT_EQ(rows->GetString(6), "42");
    EXPECT_EQ(rows->GetString(7), "abc");
    EXPECT_TRUE(rows->GetBoolean(8));
    EXPECT_EQ(rows->GetShort(9), 200);
    EXPECT_EQ(rows->GetBigDecimal(10), 4294967296.0L);
    EXPECT_EQ(rows->GetLong(10), 4294967296);
    EXPECT_DOUBLE_EQ(rows->GetTimestamp(11), at(2024, 3, 7, 8, 9, 10));
    EXPECT_DOUBLE_EQ(rows->GetTimestamp(12), at(2024, 3, 7, 8, 9, 10));
    EXPECT_EQ(rows->GetString(13), "a");
    // The caching result set keeps a text column up to its first zero byte.
    EXPECT_EQ(rows->GetStringWithLength(13), cached ? "a" : std::string("a\0b", 3));
    // Before 1899-12-30 the time of day is still counted away from zero: the
    // day is -1, and the time reader gives 06:00, not 18:00.
    EXPECT_DOUBLE_EQ(rows->GetTimestamp(14), -1.25);
    EXPECT_DOUBLE_EQ(rows->GetDate(14), -1);
    EXPECT_DOUBLE_EQ(rows->GetTime(14), 0.25);
    // BIGINT UNSIGNED beyond the 64-bit signed range: exact as a big decimal,
    // 0 as a long (not a 64-bit integer).
    EXPECT_EQ(rows->GetBigDecimal(15), 18446744073709551615.0L);
    EXPECT_EQ(rows->GetLong(15), 0);

    ASSERT_TRUE(rows->Next());
    EXPECT_EQ(rows->GetTimestamp(3), 0);  // 1899-12-30 00:00:00
    EXPECT_TRUE(rows->WasNull());
    EXPECT_EQ(rows->GetDate(4), 0);  // 0000-00-00
    EXPECT_TRUE(rows->WasNull());
    EXPECT_EQ(rows->GetTime(5), 0);  // 00:00:00
    EXPECT_TRUE(rows->WasNull());
    EXPECT_EQ(rows->GetDouble(2), -0.5);
    EXPECT_EQ(rows->GetString(7), "");
    EXPECT_FALSE(rows->WasNull());
    EXPECT_FALSE(rows->GetBoolean(8));
    EXPECT_EQ(rows->GetByte(1), 127);

    ASSERT_TRUE(rows->Next());
    EXPECT_DOUBLE_EQ(rows->GetTimestamp(3), at(2024, 3, 7, 8, 9, 10));
    EXPECT_DOUBLE_EQ(rows->GetDate(4), at(2024, 3, 7));
    EXPECT_DOUBLE_EQ(rows->GetTime(5), *tryEncodeTime(23, 59, 59));
    for (int column : {1, 2, 6, 7, 8, 11}) {
      rows->GetString(column);
      EXPECT_TRUE(rows->WasNull()) << column;
    }
    EXPECT_EQ(rows->GetString(7), "");
    EXPECT_EQ(rows->GetInt(6), 0);
    EXPECT_DOUBLE_EQ(rows->GetTimestamp(11), 0);

    EXPECT_FALSE(rows->Next());
    EXPECT_FALSE(rows->Next());
    EXPECT_TRUE(rows->IsAfterLast());
    EXPECT_EQ(errorOf<EZSQLException>([&] { rows->GetInt(6); }), "Row data is not available");
    EXPECT_TRUE(rows->MoveAbsolute(2));
    EXPECT_EQ(rows->GetInt(6), -7);

    EXPECT_EQ(errorOf<EZSQLException>([&] { rows->GetDate(6); }),
              "Convertion is not possible for column 6 from Integer to Date");
    EXPECT_EQ(errorOf<EZSQLException>([&] { rows->GetInt(16); }),
              "Column with index 16 is not accessable");
    rows->Close();
    EXPECT_EQ(errorOf<EZSQLException>([&] { rows->GetInt(6); }),
              "Operation is not allowed for closed dataset");
  }
  FormatSettingsOfProcess().DecimalSeparator = '.';
}

TEST_F(ResultSetTest, CachingResultSetLabelsAndFetching) {
  auto plain =
      query("SELECT 1 AS a, 2 AS a, 3 AS A, 4 AS a_1, 5 AS a, 6 AS '', 7 AS '' FROM kinds", true);
  auto& rows = dynamic_cast<TZCachedResultSet&>(*plain);
  std::vector<std::string> labels;
  for (const TZColumnInfo& column : rows.GetColumnsInfo()) labels.push_back(column.ColumnLabel);
  EXPECT_EQ(labels,
            (std::vector<std::string>{"a", "a_1", "A", "a_1", "a_2", "Column", "Column_1"}));

  EXPECT_EQ(rows.FetchedRowCount(), 0);
  ASSERT_TRUE(rows.Next());
  EXPECT_EQ(rows.FetchedRowCount(), 1);
  rows.FetchAll();
  EXPECT_EQ(rows.FetchedRowCount(), 3);
  EXPECT_EQ(rows.GetRow(), 1);
  EXPECT_EQ(rows.GetInt(5), 5);
  EXPECT_FALSE(rows.MoveAbsolute(4));
  EXPECT_TRUE(rows.IsAfterLast());
  EXPECT_TRUE(rows.MoveAbsolute(3));
  EXPECT_FALSE(rows.Next());
}

TEST_F(ResultSetTest, ResultsReadAsTheyArrive) {
  // The correction's own SHOW statements cannot run while a result is still
  // arriving on the handle.
  live().SetColumnKindCorrector(nullptr);
  for (TZResultSetType type : {rtForwardOnly, rtScrollable}) {
    std::unique_ptr<IZStatement> statement = live().CreateStatement({"useresult=true"});
    statement->SetResultSetType(type);
    auto rows = statement->ExecuteQuery("SELECT i FROM kinds ORDER BY id");
    EXPECT_EQ(dynamic_cast<TZCachedResultSet*>(rows.get()) != nullptr, type == rtScrollable);
    int count = 0;
    while (rows->Next()) ++count;
    EXPECT_EQ(count, 3);
  }
}

TEST_F(ResultSetTest, StatementCountsAndErrors) {
  std::unique_ptr<IZStatement> statement = live().CreateStatement();
  AdminSession(Server::Site)
      .exec(
          "DELETE FROM zt_conn.texts; "
          "INSERT INTO zt_conn.texts VALUES ('x'), ('x'), ('y')");
  EXPECT_EQ(statement->ExecuteUpdate("DELETE FROM texts WHERE v = 'none'"), 0);
  EXPECT_EQ(statement->ExecuteUpdate("DELETE FROM texts WHERE v = 'x'"), 2);
  EXPECT_EQ(statement->GetUpdateCount(), 2);
  EXPECT_EQ(statement->ExecuteUpdate("SELECT * FROM kinds"), 3);

  EXPECT_FALSE(statement->Execute("INSERT INTO texts VALUES ('z')"));
  EXPECT_EQ(statement->GetUpdateCount(), 1);
  EXPECT_EQ(statement->GetResultSet(), nullptr);
  EXPECT_TRUE(statement->Execute("SELECT v FROM texts ORDER BY v"));
  ASSERT_NE(statement->GetResultSet(), nullptr);
  ASSERT_TRUE(statement->GetResultSet()->Next());
  EXPECT_EQ(statement->GetResultSet()->GetString(1), "y");

  EXPECT_EQ(errorOf<EZSQLException>([&] { statement->ExecuteQuery("DELETE FROM texts"); }),
            "Can not open a Resultset");
  try {
    statement->ExecuteQuery("SELECT * FROM nosuch");
    ADD_FAILURE() << "no error";
  } catch (const EZMySQLSilentException&) {
    ADD_FAILURE() << "silent while not silenced";
  } catch (const EZSQLException& e) {
    EXPECT_EQ(e.ErrorCode(), 1146);
    EXPECT_EQ(e.Message(), "SQL Error: Table 'zt_conn.nosuch' doesn't exist");
  }
  {
    SilentErrorScope silence;
    EXPECT_EQ(
        errorOf<EZMySQLSilentException>([&] { statement->ExecuteUpdate("bogus"); }).substr(0, 39),
        "SQL Error: You have an error in your SQ");
  }
  EXPECT_EQ(silentErrorCount(), 0);
}

TEST_F(ResultSetTest, NoResultStaysPendingAfterAStatement) {
  AdminSession(Server::Site).exec("CREATE OR REPLACE PROCEDURE zt_conn.one_row() SELECT 1 AS a");
  connection_.Disconnect();
  connection_.Properties() = {"codepage=cp1250", "CLIENT_MULTI_STATEMENTS=1"};
  connection_.Connect();
  struct Case {
    const char* what;
    std::function<std::string(IZStatement&)> run;
    std::string outcome;
  };
  auto firstValue = [](std::unique_ptr<IZResultSet> rows) {
    return rows->Next() ? rows->GetString(1) : "no row";
  };
  const Case cases[] = {
      {"rows of a CALL",
       [&](IZStatement& s) { return firstValue(s.ExecuteQuery("CALL one_row()")); }, "1"},
      {"update count of a CALL",
       [](IZStatement& s) { return std::to_string(s.ExecuteUpdate("CALL one_row()")); }, "1"},
      {"execute of a CALL",
       [](IZStatement& s) { return std::string(s.Execute("CALL one_row()") ? "rows" : "count"); },
       "rows"},
      {"a later statement fails",
       [](IZStatement& s) {
         return std::to_string(s.ExecuteUpdate("DELETE FROM texts WHERE v = 'none'; bogus"));
       },
       "SQL Error: You have an error in your SQL syntax"},
      {"rows after a statement without rows",
       [&](IZStatement& s) { return firstValue(s.ExecuteQuery("DO 1; SELECT 2")); },
       "Can not open a Resultset"},
  };
  for (const Case& c : cases) {
    for (bool cached : {false, true}) {
      std::unique_ptr<IZStatement> statement = live().CreateStatement();
      statement->SetResultSetConcurrency(cached ? rcUpdatable : rcReadOnly);
      std::string outcome;
      try {
        outcome = c.run(*statement);
      } catch (const EZSQLException& e) {
        outcome = e.Message().substr(0, c.outcome.size());
      }
      EXPECT_EQ(outcome, c.outcome) << c.what;
      // The handle is free for the next statement.
      EXPECT_EQ(firstValue(query("SELECT 'next'", cached)), "next") << c.what;
    }
  }
}

TEST_F(ResultSetTest, StringParametersAreEscapedOnTheHandle) {
  AdminSession(Server::Site).exec("DELETE FROM zt_conn.texts");
  testing::startGeneralLog(Server::Site);
  std::unique_ptr<IZPreparedStatement> insert =
      live().PrepareStatement("INSERT INTO texts (v)\r\n  VALUES (?), (?), ('?')");
  const std::string name = "O'Neil \\ \"x\"";
  insert->SetString(1, name);
  insert->SetNull(2, stString);
  EXPECT_EQ(insert->ExecuteUpdatePrepared(), 3);
  EXPECT_EQ(testing::loggedStatements(Server::Site, mysql_thread_id(live().Handle())),
            std::vector<std::string>{
                "INSERT INTO texts (v) VALUES ('O\\'Neil \\\\ \\\"x\\\"'), (NULL), ('?')"});

  std::unique_ptr<IZPreparedStatement> select =
      live().PrepareStatement("SELECT v FROM texts WHERE v = ? OR v IS NULL ORDER BY v");
  select->SetString(1, name);
  auto rows = select->ExecuteQueryPrepared();
  ASSERT_TRUE(rows->Next());
  EXPECT_TRUE((rows->GetString(1), rows->WasNull()));
  ASSERT_TRUE(rows->Next());
  EXPECT_EQ(rows->GetString(1), name);
  EXPECT_FALSE(rows->Next());
}

TEST_F(ResultSetTest, CorrectorRunsOnceBeforeKindsAreRead) {
  struct Corrector : IZColumnKindCorrector {
    void CorrectColumns(std::string_view sql, TZColumnInfos& columns) override {
      texts.emplace_back(sql);
      columns[0].ColumnType = stBoolean;
    }
    std::vector<std::string> texts;
  };
  auto owned = std::make_unique<Corrector>();
  Corrector& corrector = *owned;
  live().SetColumnKindCorrector(std::move(owned));
  auto rows = query("SELECT e FROM kinds ORDER BY id", true);
  EXPECT_EQ(corrector.texts, std::vector<std::string>{"SELECT e FROM kinds ORDER BY id"});
  EXPECT_EQ(rows->GetColumnsInfo()[0].ColumnType, stBoolean);
  ASSERT_TRUE(rows->Next());
  EXPECT_TRUE(rows->GetBoolean(1));
}

TEST_F(ResultSetTest, TablesDeclaredTypesCorrectTheKinds) {
  auto rows = query("SELECT e, vb, lv, biu FROM kinds", true);
  const TZColumnInfos& columns = rows->GetColumnsInfo();
  EXPECT_EQ(columns[0].ColumnType, stBoolean);  // ENUM('Y','N')
  EXPECT_EQ(columns[1].ColumnType, stBytes);
  EXPECT_EQ(columns[2].ColumnType, stString);
  EXPECT_EQ(columns[3].ColumnType, stLong);
}

}  // namespace
}  // namespace zararod

// Column kinds of SELECT results corrected from the declared types of their
// tables, against the sandbox's site server: what the metadata sends, what it
// caches, and the kinds and names each result column ends up with.
#include "db/column_kind_correction.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/db_exceptions.h"
#include "db/mysql_connection.h"
#include "db/result_set.h"
#include "db/statement.h"
#include "testing/sandbox.h"
#include "testing/sandbox_connection.h"
#include "util/exception.h"

namespace zararod {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::AdminSession;
using testing::Server;

// Declared types and the kinds their columns get; every type the server can
// create.
struct TypeCase {
  const char* declaration;
  TZSQLType kind;
};
const TypeCase kTypeCases[] = {
    {"enum('Y','N')", stBoolean},
    {"enum('N','Y')", stBoolean},
    {"enum('n','y')", stBoolean},
    {"enum('Y','N','X')", stString},
    {"set('Y','N')", stString},
    {"tinyint(1)", stByte},
    {"tinyint(3) unsigned", stShort},
    {"smallint(6)", stShort},
    {"smallint(5) unsigned", stInteger},
    {"mediumint(9)", stInteger},
    {"mediumint(8) unsigned", stInteger},
    {"int(11)", stInteger},
    {"int(10) unsigned", stLong},
    {"bigint(20)", stLong},
    {"bigint(20) unsigned", stLong},
    {"year(4)", stShort},
    {"float", stDouble},
    {"double", stDouble},
    {"decimal(9,0)", stInteger},
    {"decimal(10,0)", stLong},
    {"decimal(10,2)", stDouble},
    {"decimal(10,0) unsigned", stDouble},
    {"char(1)", stString},
    {"varchar(20)", stString},
    {"varchar(10000)", stString},  // a stream by its field description alone
    {"binary(4)", stBytes},
    {"varbinary(16)", stBytes},
    {"date", stDate},
    {"time", stTime},
    {"datetime", stTimestamp},
    {"timestamp NULL", stTimestamp},
    {"tinyblob", stBinaryStream},
    {"blob", stBinaryStream},
    {"mediumblob", stBinaryStream},
    {"longblob", stBinaryStream},
    {"tinytext", stAsciiStream},
    {"text", stAsciiStream},
    {"mediumtext", stAsciiStream},
    {"longtext", stAsciiStream},
    {"bit(1)", stBinaryStream},
    {"point", stBinaryStream},
    {"geometry", stBinaryStream},
    {"multipolygon", stBinaryStream},
};

class ColumnKindCorrection : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    testing::loadSampleData(Server::Site);
    AdminSession admin(Server::Site);
    admin.exec(
        "DROP DATABASE IF EXISTS zt_meta; DROP DATABASE IF EXISTS `1zt_meta`;"
        "CREATE DATABASE zt_meta CHARACTER SET cp1250;"
        "CREATE DATABASE `1zt_meta` CHARACTER SET cp1250;"
        "CREATE TABLE `1zt_meta`.t (flag enum('Y','N'));"
        // Names that differ only where a LIKE wildcard stands.
        "CREATE TABLE zt_meta.a_b (id int, flag varchar(1), note varchar(10));"
        "CREATE TABLE zt_meta.aXb (flag enum('Y','N'), extra int);"
        "CREATE TABLE zt_meta.flags (yn enum('Y','N'), ny enum('N','Y'), lower_yn enum('n','y'),"
        " other enum('Y','N','X'));"
        "INSERT INTO zt_meta.flags VALUES ('Y','N','y','X'), ('N','Y','n','Y');"
        "CREATE TABLE zt_meta.odd (id int, ip inet6);"
        "CREATE TABLE zt_meta.`it's` (flag enum('Y','N'));"
        "CREATE TABLE zt_meta.`order` (`select` enum('Y','N'), Kod varchar(5));");
    std::string columns;
    for (std::size_t i = 0; i < std::size(kTypeCases); ++i) {
      if (i > 0) columns += ", ";
      columns += "c" + std::to_string(i + 1) + " " + kTypeCases[i].declaration;
    }
    admin.exec("CREATE TABLE zt_meta.kinds (" + columns + ")");
  }

  // A connection set up as the program sets up its own.
  static std::unique_ptr<TZConnection> connect(const std::string& database) {
    auto connection = std::make_unique<TZConnection>();
    testing::configureForSandbox(*connection, Server::Site, database);
    connection->Connect();
    return connection;
  }

  static unsigned long threadId(TZConnection& connection) {
    return mysql_thread_id(connection.LiveConnection()->Handle());
  }

  // Runs `sql` as a query runs it (updatable, scrollable: the caching result
  // set) and returns the result.
  static std::unique_ptr<IZResultSet> open(TZConnection& connection, const std::string& sql) {
    std::unique_ptr<IZPreparedStatement> statement =
        connection.LiveConnection()->PrepareStatement(sql);
    statement->SetResultSetConcurrency(rcUpdatable);
    statement->SetResultSetType(rtScrollable);
    return statement->ExecuteQueryPrepared();
  }

  static TZColumnInfos columnsOf(TZConnection& connection, const std::string& sql) {
    return open(connection, sql)->GetColumnsInfo();
  }

  static std::vector<TZSQLType> kindsOf(const TZColumnInfos& columns) {
    std::vector<TZSQLType> kinds;
    for (const TZColumnInfo& column : columns) kinds.push_back(column.ColumnType);
    return kinds;
  }

  // "label=table.column" for each result column.
  static std::vector<std::string> tracesOf(const TZColumnInfos& columns) {
    std::vector<std::string> traces;
    for (const TZColumnInfo& column : columns) {
      traces.push_back(column.ColumnLabel + "=" + column.TableName + "." + column.ColumnName);
    }
    return traces;
  }
};

TEST_F(ColumnKindCorrection, ShowStatementsOncePerLiveConnection) {
  testing::startGeneralLog(Server::Site);
  const std::string sql = "select * from vaznil_00;\r\n";
  auto connection = connect("vorazu1");
  open(*connection, sql);
  open(*connection, sql);
  // The server's log leaves out the final ";" and line break of a query.
  const std::string logged = "select * from vaznil_00";
  EXPECT_THAT(testing::loggedStatements(Server::Site, threadId(*connection)),
              ElementsAre("SET CHARACTER SET cp1250", logged,
                          "SHOW TABLES FROM vorazu1 LIKE 'vaznil_00'",
                          "SHOW COLUMNS FROM vorazu1.vaznil_00 LIKE '%'", logged));

  connection->Disconnect();
  connection->Connect();
  open(*connection, sql);
  EXPECT_THAT(testing::loggedStatements(Server::Site, threadId(*connection)),
              ElementsAre("SET CHARACTER SET cp1250", logged,
                          "SHOW TABLES FROM vorazu1 LIKE 'vaznil_00'",
                          "SHOW COLUMNS FROM vorazu1.vaznil_00 LIKE '%'"));
}

TEST_F(ColumnKindCorrection, StatementsOtherThanSelectSendNothingMore) {
  testing::startGeneralLog(Server::Site);
  auto connection = connect("vorazu1");
  const TZColumnInfos columns = columnsOf(*connection, "SHOW FIELDS FROM vaznil");
  EXPECT_EQ(columns.at(0).ColumnType, stString);
  EXPECT_TRUE(columns.at(0).ColumnName.empty());
  EXPECT_THAT(testing::loggedStatements(Server::Site, threadId(*connection)),
              ElementsAre("SET CHARACTER SET cp1250", "SHOW FIELDS FROM vaznil"));
}

TEST_F(ColumnKindCorrection, DeclaredTypesGiveTheirKinds) {
  auto connection = connect("zt_meta");
  std::vector<TZSQLType> expected;
  for (const TypeCase& c : kTypeCases) expected.push_back(c.kind);
  const TZColumnInfos columns = columnsOf(*connection, "select * from kinds");
  EXPECT_THAT(kindsOf(columns), ElementsAreArray(expected));
  for (std::size_t i = 0; i < columns.size(); ++i) {
    EXPECT_EQ(columns[i].TableName, "kinds") << kTypeCases[i].declaration;
    EXPECT_EQ(columns[i].CatalogName, "zt_meta") << kTypeCases[i].declaration;
    EXPECT_FALSE(columns[i].ReadOnly) << kTypeCases[i].declaration;
    EXPECT_TRUE(columns[i].Writable) << kTypeCases[i].declaration;
  }
}

TEST_F(ColumnKindCorrection, EnumYesNoReadsAsTruthValue) {
  auto connection = connect("zt_meta");
  auto result = open(*connection, "select yn, ny, lower_yn, other from flags");
  EXPECT_THAT(kindsOf(result->GetColumnsInfo()),
              ElementsAre(stBoolean, stBoolean, stBoolean, stString));
  ASSERT_TRUE(result->Next());
  EXPECT_TRUE(result->GetBoolean(1));
  EXPECT_FALSE(result->GetBoolean(2));
  EXPECT_TRUE(result->GetBoolean(3));
  EXPECT_EQ(result->GetString(4), "X");
  ASSERT_TRUE(result->Next());
  EXPECT_FALSE(result->GetBoolean(1));
  EXPECT_TRUE(result->GetBoolean(2));
  EXPECT_FALSE(result->GetBoolean(3));
}

TEST_F(ColumnKindCorrection, LabelsMatchThroughAliases) {
  auto connection = connect("zt_meta");
  const struct {
    const char* sql;
    std::vector<std::string> traces;
    std::vector<TZSQLType> kinds;
  } cases[] = {
      {"select yn AS x, f.ny y, f.other from flags f",
       {"x=flags.yn", "y=flags.ny", "other=flags.other"},
       {stBoolean, stBoolean, stString}},
      {"select flags.ny y from flags", {"y=flags.ny"}, {stBoolean}},
      // Names in backquotes are compared without them.
      {"select zt_meta.flags.yn, `flags`.`ny` AS n from `zt_meta`.`flags`",
       {"yn=flags.yn", "n=flags.ny"},
       {stBoolean, stBoolean}},
      // Without an item per column the labels are matched by name.
      {"select yn, count(*), ny from flags group by yn, ny",
       {"yn=flags.yn", "count(*)=.", "ny=flags.ny"},
       {stBoolean, stLong, stBoolean}},
      // (The caching result set makes the second label unique.)
      {"select f.*, g.yn from flags f, flags g",
       {"yn=flags.yn", "ny=flags.ny", "lower_yn=flags.lower_yn", "other=flags.other",
        "yn_1=flags.yn"},
       {stBoolean, stBoolean, stBoolean, stString, stBoolean}},
      // A name found only without regard to case keeps the label's spelling.
      {"select YN from flags", {"YN=flags.YN"}, {stBoolean}},
      // An expression known by its alias is not a column of the table.
      {"select concat(yn) yn from flags", {"yn=."}, {stString}},
      {"select `select`, kod from `order`", {"select=order.select", "kod=order.kod"},
       {stBoolean, stString}},
  };
  for (const auto& c : cases) {
    const TZColumnInfos columns = columnsOf(*connection, c.sql);
    EXPECT_THAT(tracesOf(columns), ElementsAreArray(c.traces)) << c.sql;
    EXPECT_THAT(kindsOf(columns), ElementsAreArray(c.kinds)) << c.sql;
  }
}

TEST_F(ColumnKindCorrection, CountOfATableLooksUpTheTableButKeepsItsKind) {
  testing::startGeneralLog(Server::Site);
  auto connection = connect("vorazu1");
  const TZColumnInfos columns = columnsOf(*connection, "select count(*) from vaznil_00");
  EXPECT_EQ(columns.at(0).ColumnType, stLong);
  EXPECT_TRUE(columns.at(0).TableName.empty());
  EXPECT_TRUE(columns.at(0).ReadOnly);
  EXPECT_THAT(testing::loggedStatements(Server::Site, threadId(*connection)),
              ElementsAre("SET CHARACTER SET cp1250", "select count(*) from vaznil_00",
                          "SHOW TABLES FROM vorazu1 LIKE 'vaznil_00'",
                          "SHOW COLUMNS FROM vorazu1.vaznil_00 LIKE '%'"));
}

TEST_F(ColumnKindCorrection, TransferSelectListIsTracedByPosition) {
  auto connection = connect("vorazu1");
  const TZColumnInfos columns = columnsOf(
      *connection,
      "select cislodokla, rada, potvrzeno, castka, id_sklad, sklizen, poznamka from vaznil "
      "where cislodokla = '2026/0001'");
  EXPECT_THAT(kindsOf(columns),
              ElementsAre(stString, stString, stBoolean, stLong, stLong, stShort, stAsciiStream));
  EXPECT_EQ(columns.at(2).DeclaredTypeName, "enum");
  EXPECT_EQ(columns.at(2).DefaultValue, "0");
  EXPECT_EQ(columns.at(0).Nullable, ntNoNulls);
  EXPECT_EQ(columns.at(3).Nullable, ntNullable);

  const TZColumnInfos address =
      columnsOf(*connection, "select KODPAR, LIC_VNITRO from dovodi.adresar");
  EXPECT_THAT(tracesOf(address), ElementsAre("KODPAR=adresar.KODPAR", "LIC_VNITRO=adresar.LIC_VNITRO"));
  EXPECT_EQ(address.at(0).Nullable, ntNoNulls);
}

// A "_" in a table name is a LIKE wildcard in SHOW TABLES, so a_b's lookup
// also lists aXb; only a_b's own columns may describe a_b's result.
TEST_F(ColumnKindCorrection, TableNamesWithWildcardsDescribeOnlyThemselves) {
  testing::startGeneralLog(Server::Site);
  auto connection = connect("zt_meta");
  const TZColumnInfos star = columnsOf(*connection, "select * from a_b");
  EXPECT_THAT(tracesOf(star), ElementsAre("id=a_b.id", "flag=a_b.flag", "note=a_b.note"));
  EXPECT_THAT(kindsOf(star), ElementsAre(stInteger, stString, stString));
  const TZColumnInfos named = columnsOf(*connection, "select flag from a_b");
  EXPECT_EQ(named.at(0).ColumnType, stString);
  EXPECT_EQ(named.at(0).TableName, "a_b");

  const TZColumnInfos other = columnsOf(*connection, "select * from aXb");
  EXPECT_THAT(kindsOf(other), ElementsAre(stBoolean, stInteger));

  EXPECT_THAT(testing::loggedStatements(Server::Site, threadId(*connection)),
              ElementsAre("SET CHARACTER SET cp1250", "select * from a_b",
                          "SHOW TABLES FROM zt_meta LIKE 'a_b'",
                          "SHOW COLUMNS FROM zt_meta.aXb LIKE '%'",
                          "SHOW COLUMNS FROM zt_meta.a_b LIKE '%'", "select flag from a_b",
                          "select * from aXb", "SHOW TABLES FROM zt_meta LIKE 'aXb'",
                          "SHOW COLUMNS FROM zt_meta.aXb LIKE '%'"));
}

TEST_F(ColumnKindCorrection, MetadataAnswersAreCachedCopies) {
  auto connection = connect("zt_meta");
  TZMySQLColumnKindCorrector* corrector = dynamic_cast<TZMySQLColumnKindCorrector*>(
      connection->LiveConnection()->GetColumnKindCorrector());
  ASSERT_NE(corrector, nullptr);
  TZMySQLDatabaseMetadata& metadata = corrector->GetMetadata();

  TZVirtualResultSet first = metadata.GetColumns("", "", "flags", "");
  ASSERT_TRUE(first.Next());
  EXPECT_EQ(first.GetString(kColumnsColumnName), "yn");
  EXPECT_EQ(first.GetInt(kColumnsDataType), stBoolean);
  EXPECT_EQ(first.GetString(kColumnsTypeName), "enum");
  EXPECT_EQ(first.GetInt(kColumnsColumnSize), 3);
  EXPECT_EQ(first.GetInt(kColumnsOrdinalPosition), 1);
  EXPECT_EQ(first.GetString(kColumnsIsNullable), "YES");
  EXPECT_FALSE(first.GetBoolean(kColumnsAutoIncrement));
  EXPECT_TRUE(first.IsNull(kColumnsColumnDef));

  // A later change on the server is not seen while the live connection lives.
  AdminSession(Server::Site).exec("ALTER TABLE zt_meta.flags ADD COLUMN later int");
  TZVirtualResultSet second = metadata.GetColumns("", "", "flags", "");
  EXPECT_EQ(second.Row(), 0u);
  EXPECT_EQ(second.RowCount(), 4u);
  EXPECT_EQ(metadata.GetColumns("", "", "flags", "").RowCount(), 4u);
  AdminSession(Server::Site).exec("ALTER TABLE zt_meta.flags DROP COLUMN later");

  // The catalog names the database; a name beginning with a digit is quoted.
  testing::startGeneralLog(Server::Site);
  TZVirtualResultSet quoted = metadata.GetColumns("1zt_meta", "", "t", "");
  EXPECT_EQ(quoted.RowCount(), 1u);
  EXPECT_THAT(testing::loggedStatements(Server::Site, threadId(*connection)),
              ElementsAre("SHOW TABLES FROM `1zt_meta` LIKE 't'",
                          "SHOW COLUMNS FROM `1zt_meta`.t LIKE '%'"));
}

TEST_F(ColumnKindCorrection, TablesShowTablesDoesNotListAreProbed) {
  auto connection = connect("zt_meta");
  std::unique_ptr<IZStatement> statement = connection->LiveConnection()->CreateStatement();
  statement->ExecuteUpdate("create temporary table tmp_flags (flag enum('N','Y'))");
  testing::startGeneralLog(Server::Site);
  EXPECT_THAT(kindsOf(columnsOf(*connection, "select flag from tmp_flags")),
              ElementsAre(stBoolean));
  // A derived table's alias is looked up too; the failing probe is silent.
  EXPECT_THAT(kindsOf(columnsOf(*connection, "select x from (select 1 x) d")),
              ElementsAre(stInteger));
  EXPECT_THAT(testing::loggedStatements(Server::Site, threadId(*connection)),
              ElementsAre("select flag from tmp_flags", "SHOW TABLES FROM zt_meta LIKE 'tmp_flags'",
                          "SHOW COLUMNS FROM zt_meta.tmp_flags",
                          "SHOW COLUMNS FROM zt_meta.tmp_flags LIKE '%'",
                          "select x from (select 1 x) d", "SHOW TABLES FROM zt_meta LIKE 'd'",
                          "SHOW COLUMNS FROM zt_meta.d"));
}

TEST_F(ColumnKindCorrection, UnknownDeclaredTypeFailsEveryOpenOfTheTable) {
  auto connection = connect("zt_meta");
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      open(*connection, "select id from odd");
      ADD_FAILURE() << "opened";
    } catch (const EZSQLException& e) {
      ADD_FAILURE() << e.Message();
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Unknown MySQL data type!");
    }
  }
  // The connection stays usable.
  EXPECT_THAT(kindsOf(columnsOf(*connection, "select yn from flags")), ElementsAre(stBoolean));
}

// A table name holding a quote must not break the statements that look it up.
TEST_F(ColumnKindCorrection, QuoteInTableNameIsLookedUp) {
  testing::startGeneralLog(Server::Site);
  auto connection = connect("zt_meta");
  EXPECT_THAT(kindsOf(columnsOf(*connection, "select flag from `it's`")), ElementsAre(stBoolean));
  EXPECT_THAT(testing::loggedStatements(Server::Site, threadId(*connection)),
              ElementsAre("SET CHARACTER SET cp1250", "select flag from `it's`",
                          "SHOW TABLES FROM zt_meta LIKE 'it''s'",
                          "SHOW COLUMNS FROM zt_meta.`it's` LIKE '%'"));
}

TEST_F(ColumnKindCorrection, FailingShowStatementFailsTheOpen) {
  AdminSession admin(Server::Site);
  admin.exec("DROP DATABASE IF EXISTS zt_gone; CREATE DATABASE zt_gone");
  auto connection = connect("zt_gone");
  admin.exec("DROP DATABASE zt_gone");
  // The query needs no database, but the lookup of "dual" in the connection's
  // database does; nothing is cached, so every open fails the same way.
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      open(*connection, "select 1 AS one from dual");
      ADD_FAILURE() << "opened";
    } catch (const EZSQLException& e) {
      EXPECT_EQ(e.Message(), "SQL Error: Unknown database 'zt_gone'");
      EXPECT_EQ(e.ErrorCode(), 1049);
    }
  }
}

}  // namespace
}  // namespace zararod

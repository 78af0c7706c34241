// Declared types, sizes and defaults of table columns, and which names are
// written in backquotes. Server round trips are in the _db_test files.
#include "db/mysql_database_metadata.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "util/exception.h"

namespace zararod {
namespace {

TEST(DeclaredType, KindOfEveryKnownType) {
  const struct {
    const char* type;
    TZSQLType kind;
  } cases[] = {
      {"enum('Y','N')", stBoolean},      {"enum('N','Y')", stBoolean},
      {"enum('n','y')", stBoolean},      {"ENUM('y','n')", stBoolean},
      {"enum('Y','N','X')", stString},   {"enum('Y')", stString},
      {"enum('Y', 'N')", stString},      {"set('Y','N')", stString},
      {"tinyint(1)", stByte},            {"tinyint(3) unsigned", stShort},
      {"tinyint(3) unsigned zerofill", stShort},
      {"smallint(6)", stShort},          {"smallint(5) unsigned", stInteger},
      {"mediumint(9)", stInteger},       {"mediumint(8) unsigned", stInteger},
      {"int(11)", stInteger},            {"INT(11)", stInteger},
      {"int(10) unsigned", stLong},      {"int unsigned", stLong},
      {"integer", stInteger},            {"bigint(20)", stLong},
      {"bigint(20) unsigned", stLong},   {"int24", stLong},
      {"year(4)", stShort},              {"year", stShort},
      {"real", stFloat},                 {"real unsigned", stDouble},
      {"float", stDouble},               {"float(7,3) unsigned", stDouble},
      {"double", stDouble},              {"decimal(9,0)", stInteger},
      {"decimal(10,0)", stLong},         {"decimal(20,0)", stLong},
      {"decimal(10,2)", stDouble},       {"decimal(10,0) unsigned", stDouble},
      {"decimal(,0)", stInteger},        {"char(1)", stString},
      {"varchar(20)", stString},         {"varchar(10000)", stString},
      {"binary(4)", stBytes},            {"varbinary(16)", stBytes},
      {"date", stDate},                  {"time", stTime},
      {"time(3)", stTime},               {"datetime", stTimestamp},
      {"timestamp", stTimestamp},        {"tinyblob", stBinaryStream},
      {"blob", stBinaryStream},          {"mediumblob", stBinaryStream},
      {"longblob", stBinaryStream},      {"tinytext", stAsciiStream},
      {"text", stAsciiStream},           {"mediumtext", stAsciiStream},
      {"longtext", stAsciiStream},       {"bit(1)", stBinaryStream},
      {"point", stBinaryStream},         {"linestring", stBinaryStream},
      {"polygon", stBinaryStream},       {"geometry", stBinaryStream},
      {"multipoint", stBinaryStream},    {"multilinestring", stBinaryStream},
      {"multipolygon", stBinaryStream},  {"geometrycollection", stBinaryStream},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ConvertMySQLTypeToSQLType(c.type), c.kind) << c.type;
  }
}

TEST(DeclaredType, UnknownTypesAreRejected) {
  for (const char* type : {"json", "inet6", "uuid", "", "varchar2(10)", "serial"}) {
    try {
      ConvertMySQLTypeToSQLType(type);
      ADD_FAILURE() << type << " was accepted";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Unknown MySQL data type!") << type;
    }
  }
}

TEST(DeclaredType, TypeNameAndSize) {
  const struct {
    const char* type;
    const char* name;
    std::int64_t size;
    std::int64_t digits;
  } cases[] = {
      {"varchar(20)", "varchar", 20, 0},
      {"decimal(10,2)", "decimal", 10, 2},
      {"decimal(x,2)", "decimal", 0, 2},
      {"int(10) unsigned", "int", 10, 0},
      {"INT(11)", "int", 11, 0},
      {"enum('Y','N')", "enum", 3, 0},
      {"enum('ab','c','')", "enum", 4, 0},
      {"set('a','b')", "set", 0, 0},
      {"int", "int", 11, 0},
      {"tinyint", "tinyint", 1, 0},
      {"smallint", "smallint", 6, 0},
      {"bigint", "bigint", 25, 0},
      {"double", "double", 22, 0},
      {"date", "date", 10, 0},
      {"time", "time", 8, 0},
      {"datetime", "datetime", 19, 0},
      {"text", "text", 65535, 0},
      {"mediumtext", "mediumtext", 16277215, 0},
      {"longblob", "longblob", 2147483647, 0},
      {"longtext", "longtext", 0, 0},
      {"bigint unsigned", "bigint unsigned", 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MySQLTypeName(c.type), c.name) << c.type;
    const TZMySQLColumnSize size = MySQLColumnSize(c.type);
    EXPECT_EQ(size.ColumnSize, c.size) << c.type;
    EXPECT_EQ(size.DecimalDigits, c.digits) << c.type;
  }
}

TEST(DeclaredType, DefaultValues) {
  const std::optional<std::string> none;
  const struct {
    std::optional<std::string> value;
    const char* type;
    TZSQLType kind;
    std::optional<std::string> expected;
  } cases[] = {
      {none, "int(11)", stInteger, none},
      {"5", "int(11)", stInteger, "5"},
      {"", "int(11)", stInteger, none},
      {"", "varchar(10)", stString, "''"},
      {"ab'c", "varchar(10)", stString, "'ab'c'"},
      {"", "text", stAsciiStream, "''"},
      {"", "set('a','b')", stString, "''"},
      {"", "enum('a','b')", stString, "'a'"},
      {"", "enum('Y','N')", stBoolean, "1"},
      {"", "enum('N','Y')", stBoolean, "0"},
      {"y", "enum('Y','N')", stBoolean, "1"},
      {"N", "enum('Y','N')", stBoolean, "0"},
      {"2024-01-01", "date", stDate, "'2024-01-01'"},
      {"CURRENT_TIMESTAMP", "timestamp", stTimestamp, "CURRENT_TIMESTAMP"},
      {"12.50", "decimal(10,2)", stDouble, "12.50"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MySQLColumnDefault(c.value, c.type, c.kind), c.expected)
        << c.type << " default " << c.value.value_or("NULL");
  }
}

TEST(IdentifierConvertor, QuotesOnlyNamesThatNeedIt) {
  const struct {
    const char* name;
    const char* quoted;
  } cases[] = {
      {"vorazu1", "vorazu1"},      {"dovodi", "dovodi"},         {"vaznil_00", "vaznil_00"},
      {"adresar_10", "adresar_10"}, {"", ""},                    {"_x", "_x"},
      {"order", "`order`"},        {"ORDER", "`ORDER`"},         {"Select", "`Select`"},
      {"year_month", "`year_month`"}, {"x509", "`x509`"},        {"year", "year"},
      {"2024data", "`2024data`"},  {"a b", "`a b`"},             {"a-b", "`a-b`"},
      {"\xE8\x61s", "`\xE8\x61s`"}, {"a`b", "`a`b`"},            {"a$b", "`a$b`"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TZDefaultIdentifierConvertor::Quote(c.name), c.quoted) << c.name;
    EXPECT_EQ(TZDefaultIdentifierConvertor::IsQuoteNeeded(c.name),
              std::string(c.name) != c.quoted)
        << c.name;
  }
}

TEST(IdentifierConvertor, StripsBackquotes) {
  const struct {
    const char* name;
    const char* stripped;
  } cases[] = {
      {"`t`", "t"}, {"t", "t"}, {"`Ab C`", "Ab C"}, {"`", ""}, {"``", ""}, {"\"t\"", "\"t\""},
      {"`a``b`", "a``b"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TZDefaultIdentifierConvertor::ExtractQuote(c.name), c.stripped) << c.name;
  }
}

TEST(VirtualResultSet, CopiesAreIndependent) {
  TZVirtualResultSet tables = MakeTablesResultSet();
  tables.AppendRow({std::string("db"), TZMetaValue(), std::string("t"), std::string("TABLE"),
                    TZMetaValue()});
  ASSERT_TRUE(tables.Next());
  TZVirtualResultSet copy = tables;
  copy.BeforeFirst();
  copy.AppendRow({std::string("db"), TZMetaValue(), std::string("u"), std::string("TABLE"),
                  TZMetaValue()});
  EXPECT_EQ(tables.RowCount(), 1u);
  EXPECT_EQ(tables.GetString(kTablesTableName), "t");
  ASSERT_TRUE(copy.Next());
  ASSERT_TRUE(copy.Next());
  EXPECT_EQ(copy.GetString(kTablesTableName), "u");
  EXPECT_TRUE(copy.IsNull(kTablesRemarks));
  EXPECT_FALSE(copy.Next());
  EXPECT_EQ(copy.FindColumn("TABLE_TYPE"), static_cast<std::size_t>(kTablesTableType));
}

}  // namespace
}  // namespace zararod

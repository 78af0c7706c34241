#include "db/mysql_database_metadata.h"

#include <algorithm>
#include <array>
#include <memory>
#include <utility>
#include <vector>

#include "db/db_exceptions.h"
#include "db/mysql_connection.h"
#include "db/properties.h"
#include "db/result_set.h"
#include "db/statement.h"
#include "util/exception.h"
#include "util/strings.h"

namespace zararod {

namespace {

// The part of `declaredType` between its first "(" and the next ")" (to the
// end when unclosed); empty without "(".
std::string_view innerText(std::string_view declaredType) {
  const std::size_t open = declaredType.find('(');
  if (open == std::string_view::npos) return {};
  const std::size_t close = declaredType.find(')', open + 1);
  return declaredType.substr(open + 1, close == std::string_view::npos
                                           ? std::string_view::npos
                                           : close - open - 1);
}

// The text of a string literal: the pattern between single quotes with every
// single quote doubled, so that a name holding a quote cannot end the literal.
std::string quotedPattern(std::string_view pattern) {
  std::string literal = "'";
  for (char c : pattern) {
    literal.push_back(c);
    if (c == '\'') literal.push_back('\'');
  }
  literal.push_back('\'');
  return literal;
}

std::int64_t sizeByTypeName(std::string_view typeName) {
  static constexpr std::pair<std::string_view, std::int64_t> kSizes[] = {
      {"tinyint", 1},         {"smallint", 6},           {"mediumint", 6},     {"int", 11},
      {"integer", 11},        {"bigint", 25},            {"int24", 25},        {"real", 12},
      {"float", 12},          {"decimal", 12},           {"numeric", 12},      {"double", 22},
      {"char", 1},            {"varchar", 255},          {"date", 10},         {"time", 8},
      {"timestamp", 19},      {"datetime", 19},          {"tinyblob", 255},    {"tinytext", 255},
      {"blob", 65535},        {"text", 65535},           {"mediumblob", 16277215},
      {"mediumtext", 16277215}, {"longblob", 2147483647}, {"enum", 255},       {"set", 255},
  };
  for (const auto& [name, size] : kSizes) {
    if (name == typeName) return size;
  }
  return 0;
}

// Positions (from 1) of the named columns of a SHOW COLUMNS answer; 0 when
// the answer has no such column.
struct ShowColumnsLayout {
  int Field = 0;
  int Type = 0;
  int Null = 0;
  int Extra = 0;
  int Default = 0;

  explicit ShowColumnsLayout(const TZColumnInfos& columns) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const std::string& label = columns[i].ColumnLabel;
      const int position = static_cast<int>(i) + 1;
      if (label == "Field") Field = position;
      else if (label == "Type") Type = position;
      else if (label == "Null") Null = position;
      else if (label == "Extra") Extra = position;
      else if (label == "Default") Default = position;
    }
  }
};

// The text of a column of the current row; nullopt for NULL or a missing column.
std::optional<std::string> textAt(IZResultSet& resultSet, int column) {
  if (column == 0) return std::nullopt;
  std::string text = resultSet.GetString(column);
  if (resultSet.WasNull()) return std::nullopt;
  return text;
}

}  // namespace

std::string MySQLTypeName(std::string_view declaredType) {
  return lowerStr(declaredType.substr(0, declaredType.find('(')));
}

TZSQLType ConvertMySQLTypeToSQLType(std::string_view declaredType) {
  const std::string upperType = UpperStr(declaredType);
  std::string name = UpperStr(MySQLTypeName(declaredType));
  name = name.substr(0, name.find(' '));
  const std::size_t blank = upperType.find(' ');
  const bool isUnsigned = blank != std::string::npos &&
                          upperType.find("UNSIGNED", blank + 1) != std::string::npos;

  if (name == "TINYINT") return isUnsigned ? stShort : stByte;
  if (name == "YEAR") return stShort;
  if (name == "SMALLINT") return isUnsigned ? stInteger : stShort;
  if (name == "MEDIUMINT") return stInteger;
  if (name == "INT" || name == "INTEGER") return isUnsigned ? stLong : stInteger;
  if (name == "BIGINT" || name == "INT24") return stLong;
  if (name == "REAL") return isUnsigned ? stDouble : stFloat;
  if (name == "FLOAT" || name == "DOUBLE") return stDouble;
  if (name == "DECIMAL") {
    constexpr std::string_view kNoScale = ",0)";
    if (upperType.size() >= kNoScale.size() && upperType.ends_with(kNoScale)) {
      // The digits after "DECIMAL(": DECIMAL(9,0) fits 32 bits, DECIMAL(10,0) does not.
      const std::size_t digitsEnd = upperType.size() - kNoScale.size();
      const std::string_view digits =
          digitsEnd > 8 ? std::string_view(upperType).substr(8, digitsEnd - 8) : std::string_view();
      return integerOfText(digits).value_or(0) >= 10 ? stLong : stInteger;
    }
    return stDouble;
  }
  if (name == "CHAR" || name == "VARCHAR") return stString;
  if (name == "BINARY" || name == "VARBINARY") return stBytes;
  if (name == "DATE") return stDate;
  if (name == "TIME") return stTime;
  if (name == "DATETIME" || name == "TIMESTAMP") return stTimestamp;
  if (name == "TINYBLOB" || name == "BLOB" || name == "MEDIUMBLOB" || name == "LONGBLOB") {
    return stBinaryStream;
  }
  if (name == "TINYTEXT" || name == "TEXT" || name == "MEDIUMTEXT" || name == "LONGTEXT") {
    return stAsciiStream;
  }
  if (name == "ENUM") {
    return upperType == "ENUM('Y','N')" || upperType == "ENUM('N','Y')" ? stBoolean : stString;
  }
  if (name == "SET") return stString;
  if (name == "BIT") return stBinaryStream;
  static constexpr std::string_view kSpatial[] = {
      "POINT",      "LINESTRING",      "POLYGON",      "GEOMETRY",
      "MULTIPOINT", "MULTILINESTRING", "MULTIPOLYGON", "GEOMETRYCOLLECTION"};
  if (std::find(std::begin(kSpatial), std::end(kSpatial), name) != std::end(kSpatial)) {
    return stBinaryStream;
  }
  throw Exception("Unknown MySQL data type!");
}

TZMySQLColumnSize MySQLColumnSize(std::string_view declaredType) {
  TZMySQLColumnSize size;
  const std::string typeName = MySQLTypeName(declaredType);
  const std::string_view inner = innerText(declaredType);
  if (typeName == "enum") {
    std::size_t start = 0;
    while (start <= inner.size()) {
      std::size_t comma = inner.find(',', start);
      if (comma == std::string_view::npos) comma = inner.size();
      size.ColumnSize = std::max<std::int64_t>(size.ColumnSize, static_cast<std::int64_t>(comma - start));
      start = comma + 1;
    }
  } else if (declaredType.find(',') != std::string_view::npos) {
    const std::size_t comma = inner.find(',');
    size.ColumnSize = integerOfText(inner.substr(0, comma)).value_or(0);
    if (comma != std::string_view::npos) {
      size.DecimalDigits = integerOfText(inner.substr(comma + 1)).value_or(0);
    }
  } else if (auto number = integerOfText(inner)) {
    size.ColumnSize = *number;
  } else {
    size.ColumnSize = sizeByTypeName(typeName);
  }
  return size;
}

std::optional<std::string> MySQLColumnDefault(const std::optional<std::string>& defaultValue,
                                              std::string_view declaredType, TZSQLType kind) {
  if (!defaultValue) return std::nullopt;
  const std::string typeName = MySQLTypeName(declaredType);
  std::string value = *defaultValue;
  if (value.empty()) {
    const bool mayBeEmpty = typeName.find("blob") != std::string::npos ||
                            typeName.find("text") != std::string::npos ||
                            typeName.find("char") != std::string::npos || typeName == "set" ||
                            typeName == "enum";
    if (!mayBeEmpty) return std::nullopt;
    if (typeName == "enum") {
      // The first enumerated value, without its quotes.
      const std::string_view inner = innerText(declaredType);
      const std::string_view rest = inner.size() > 1 ? inner.substr(1) : std::string_view();
      value = std::string(rest.substr(0, rest.find('\'')));
    }
  }
  switch (kind) {
    case stString:
    case stUnicodeString:
    case stAsciiStream:
    case stBinaryStream:
    case stDate:
    case stTime:
    case stTimestamp:
      if (value != "CURRENT_TIMESTAMP") value = "'" + value + "'";
      break;
    case stBoolean:
      if (typeName == "enum") value = (value == "y" || value == "Y") ? "1" : "0";
      break;
    default:
      break;
  }
  return value;
}

TZMySQLDatabaseMetadata::TZMySQLDatabaseMetadata(TZMySQLConnection& connection)
    : connection_(connection) {}

std::string TZMySQLDatabaseMetadata::databaseFor(const std::string& catalog,
                                                 const std::string& schemaPattern) const {
  if (!catalog.empty()) return catalog;
  if (!schemaPattern.empty()) return schemaPattern;
  return connection_.Database();
}

TZVirtualResultSet TZMySQLDatabaseMetadata::GetTables(const std::string& catalog,
                                                      const std::string& schemaPattern,
                                                      const std::string& tableNamePattern) {
  const std::string key = "get-tables:" + catalog + ":" + schemaPattern + ":" +
                          tableNamePattern + ":";
  if (auto hit = tablesCache_.find(key); hit != tablesCache_.end()) return hit->second;

  const std::string database = databaseFor(catalog, schemaPattern);
  const std::string pattern = tableNamePattern.empty() ? "%" : tableNamePattern;
  TZVirtualResultSet answer = MakeTablesResultSet();
  auto appendTable = [&](std::string name) {
    answer.AppendRow({database, TZMetaValue(), std::move(name), std::string("TABLE"), TZMetaValue()});
  };

  std::unique_ptr<IZStatement> statement = connection_.CreateStatement();
  {
    std::unique_ptr<IZResultSet> tables = statement->ExecuteQuery(
        "SHOW TABLES FROM " + convertor_.Quote(database) + " LIKE " + quotedPattern(pattern));
    while (tables->Next()) appendTable(tables->GetString(1));
  }

  if (answer.RowCount() == 0 && pattern != "%") {
    // SHOW TABLES does not list temporary tables; ask for the columns instead.
    SilentErrorScope silence;
    try {
      std::unique_ptr<IZResultSet> columns = statement->ExecuteQuery(
          "SHOW COLUMNS FROM " + convertor_.Quote(database) + "." + convertor_.Quote(pattern));
      if (columns->Next()) appendTable(pattern);
    } catch (const EZSQLException&) {
      // No such table: the answer stays empty.
    }
  }

  tablesCache_.insert_or_assign(key, answer);
  return answer;
}

TZVirtualResultSet TZMySQLDatabaseMetadata::GetColumns(const std::string& catalog,
                                                       const std::string& schemaPattern,
                                                       const std::string& tableNamePattern,
                                                       const std::string& columnNamePattern) {
  return GetColumnsCached(catalog, schemaPattern, tableNamePattern, columnNamePattern);
}

const TZVirtualResultSet& TZMySQLDatabaseMetadata::GetColumnsCached(
    const std::string& catalog, const std::string& schemaPattern,
    const std::string& tableNamePattern, const std::string& columnNamePattern) {
  const std::string key = "get-columns:" + catalog + ":" + schemaPattern + ":" +
                          tableNamePattern + ":" + columnNamePattern;
  if (auto hit = columnsCache_.find(key); hit != columnsCache_.end()) return hit->second;

  const std::string database = databaseFor(catalog, schemaPattern);
  const std::string columnPattern = columnNamePattern.empty() ? "%" : columnNamePattern;
  TZVirtualResultSet tables = GetTables(catalog, schemaPattern, tableNamePattern);
  TZVirtualResultSet answer = MakeColumnsResultSet();

  std::unique_ptr<IZStatement> statement = connection_.CreateStatement();
  while (tables.Next()) {
    const std::string tableName = tables.GetString(kTablesTableName);
    std::unique_ptr<IZResultSet> columns = statement->ExecuteQuery(
        "SHOW COLUMNS FROM " + convertor_.Quote(database) + "." + convertor_.Quote(tableName) +
        " LIKE " + quotedPattern(columnPattern));
    const ShowColumnsLayout layout(columns->GetColumnsInfo());
    std::int64_t ordinal = 0;
    while (columns->Next()) {
      const std::string field = textAt(*columns, layout.Field).value_or("");
      const std::string type = textAt(*columns, layout.Type).value_or("");
      const bool nullable = textAt(*columns, layout.Null) == "YES";
      const std::string extra = textAt(*columns, layout.Extra).value_or("");
      const TZSQLType kind = ConvertMySQLTypeToSQLType(type);
      const TZMySQLColumnSize size = MySQLColumnSize(type);
      const std::optional<std::string> columnDefault =
          MySQLColumnDefault(textAt(*columns, layout.Default), type, kind);

      std::vector<TZMetaValue> row(answer.ColumnCount());
      row[kColumnsTableCat - 1] = database;
      row[kColumnsTableSchem - 1] = std::string();
      row[kColumnsTableName - 1] = tableName;
      row[kColumnsColumnName - 1] = field;
      row[kColumnsDataType - 1] = std::int64_t{kind};
      row[kColumnsTypeName - 1] = MySQLTypeName(type);
      row[kColumnsColumnSize - 1] = size.ColumnSize;
      row[kColumnsBufferLength - 1] = std::int64_t{65535};
      row[kColumnsDecimalDigits - 1] = size.DecimalDigits;
      row[kColumnsNullable - 1] = std::int64_t{nullable ? ntNullable : ntNoNulls};
      row[kColumnsRemarks - 1] = extra;
      if (columnDefault) row[kColumnsColumnDef - 1] = *columnDefault;
      row[kColumnsOrdinalPosition - 1] = ++ordinal;
      row[kColumnsIsNullable - 1] = std::string(nullable ? "YES" : "NO");
      row[kColumnsAutoIncrement - 1] = lowerStr(trimControls(extra)) == "auto_increment";
      row[kColumnsCaseSensitive - 1] = TZDefaultIdentifierConvertor::IsQuoteNeeded(field);
      row[kColumnsSearchable - 1] = true;
      row[kColumnsWritable - 1] = true;
      row[kColumnsDefinitelyWritable - 1] = true;
      row[kColumnsReadOnly - 1] = false;
      answer.AppendRow(std::move(row));
    }
  }

  return columnsCache_.insert_or_assign(key, std::move(answer)).first->second;
}

}  // namespace zararod

#include "db/database_metadata.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <stdexcept>

namespace zararod {

std::size_t TZVirtualResultSet::FindColumn(std::string_view name) const {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (columns_[i] == name) return i + 1;
  }
  return 0;
}

void TZVirtualResultSet::AppendRow(std::vector<TZMetaValue> row) {
  if (row.size() != columns_.size()) {
    throw std::invalid_argument("TZVirtualResultSet::AppendRow: wrong number of values");
  }
  rows_.push_back(std::move(row));
}

bool TZVirtualResultSet::Next() {
  if (cursor_ < rows_.size()) {
    ++cursor_;
    return true;
  }
  cursor_ = rows_.size() + 1;
  return false;
}

const TZMetaValue& TZVirtualResultSet::ValueAt(std::size_t row, std::size_t column) const {
  if (row == 0 || row > rows_.size()) {
    throw std::out_of_range("TZVirtualResultSet: no such row");
  }
  if (column == 0 || column > columns_.size()) {
    throw std::out_of_range("TZVirtualResultSet: no such column");
  }
  return rows_[row - 1][column - 1];
}

const TZMetaValue& TZVirtualResultSet::Value(std::size_t column) const {
  return ValueAt(cursor_, column);
}

bool TZVirtualResultSet::IsNull(std::size_t column) const {
  return std::holds_alternative<std::monostate>(Value(column));
}

std::string TZVirtualResultSet::GetString(std::size_t column) const {
  const TZMetaValue& value = Value(column);
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
  if (const auto* truth = std::get_if<bool>(&value)) return *truth ? "1" : "0";
  return {};
}

std::int64_t TZVirtualResultSet::GetInt(std::size_t column) const {
  const TZMetaValue& value = Value(column);
  if (const auto* number = std::get_if<std::int64_t>(&value)) return *number;
  if (const auto* truth = std::get_if<bool>(&value)) return *truth ? 1 : 0;
  if (const auto* text = std::get_if<std::string>(&value)) {
    std::int64_t result = 0;
    auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), result);
    if (error != std::errc() || end != text->data() + text->size()) return 0;
    return result;
  }
  return 0;
}

bool TZVirtualResultSet::GetBoolean(std::size_t column) const {
  const TZMetaValue& value = Value(column);
  if (const auto* truth = std::get_if<bool>(&value)) return *truth;
  return GetInt(column) != 0;
}

TZVirtualResultSet MakeColumnsResultSet() {
  return TZVirtualResultSet({"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME", "COLUMN_NAME",
                             "DATA_TYPE", "TYPE_NAME", "COLUMN_SIZE", "BUFFER_LENGTH",
                             "DECIMAL_DIGITS", "NUM_PREC_RADIX", "NULLABLE", "REMARKS",
                             "COLUMN_DEF", "SQL_DATA_TYPE", "SQL_DATETIME_SUB",
                             "CHAR_OCTET_LENGTH", "ORDINAL_POSITION", "IS_NULLABLE",
                             "AUTO_INCREMENT", "CASE_SENSITIVE", "SEARCHABLE", "WRITABLE",
                             "DEFINITELYWRITABLE", "READONLY"});
}

TZVirtualResultSet MakeTablesResultSet() {
  return TZVirtualResultSet({"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME", "TABLE_TYPE", "REMARKS"});
}

namespace {

// Reserved words of the server that cannot stand as a bare name (sorted).
constexpr std::string_view kReservedWords[] = {
    "accessible", "add", "all", "alter", "analyze", "and", "as", "asc", "asensitive",
    "auto_increment", "before", "between", "bigint", "binary", "blob", "both", "by",
    "call", "cascade", "case", "change", "char", "character", "check", "collate", "column",
    "condition", "constraint", "continue", "convert", "create", "cross", "current_date",
    "current_time", "current_timestamp", "current_user", "cursor", "database", "databases",
    "day_hour", "day_microsecond", "day_minute", "day_second", "dec", "decimal", "declare",
    "default", "delayed", "delete", "desc", "describe", "deterministic", "distinct",
    "distinctrow", "div", "double", "drop", "dual", "each", "else", "elseif", "enclosed",
    "enum", "escaped", "exists", "exit", "explain", "false", "fetch", "float", "float4",
    "float8", "for", "force", "foreign", "from", "fulltext", "grant", "group", "having",
    "high_priority", "hour_microsecond", "hour_minute", "hour_second", "if", "ignore",
    "in", "index", "infile", "inner", "inout", "insensitive", "insert", "int", "int1",
    "int2", "int3", "int4", "int8", "integer", "interval", "into", "is", "iterate", "join",
    "key", "keys", "kill", "leading", "leave", "left", "like", "limit", "linear", "lines",
    "load", "localtime", "localtimestamp", "lock", "long", "longblob", "longtext", "loop",
    "low_priority", "master_ssl_verify_server_cert", "match", "mediumblob", "mediumint",
    "mediumtext", "middleint", "minute_microsecond", "minute_second", "mod", "modifies",
    "natural", "no_write_to_binlog", "not", "null", "number", "numeric", "on", "optimize",
    "option", "optionally", "or", "order", "out", "outer", "outfile", "precision",
    "primary", "procedure", "purge", "range", "read", "read_only", "read_write", "reads",
    "real", "references", "regexp", "release", "rename", "repeat", "replace", "require",
    "restrict", "return", "revoke", "right", "rlike", "schema", "schemas",
    "second_microsecond", "select", "sensitive", "separator", "set", "show", "smallint",
    "spatial", "specific", "sql", "sql_big_result", "sql_calc_found_rows",
    "sql_small_result", "sqlexception", "sqlstate", "sqlwarning", "ssl", "starting",
    "straight_join", "table", "terminated", "text", "then", "tinyblob", "tinyint",
    "tinytext", "to", "trailing", "trigger", "true", "undo", "union", "unique", "unlock",
    "unsigned", "update", "usage", "use", "using", "utc_date", "utc_time", "utc_timestamp",
    "values", "varbinary", "varchar", "varcharacter", "varying", "when", "where", "while",
    "with", "write", "x509", "xor", "year_month", "zerofill",
};

bool isPlainNameByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

bool TZDefaultIdentifierConvertor::IsQuoteNeeded(std::string_view name) {
  if (name.empty()) return false;
  if (name.front() >= '0' && name.front() <= '9') return true;
  std::string lower;
  lower.reserve(name.size());
  for (char c : name) {
    if (!isPlainNameByte(static_cast<unsigned char>(c))) return true;
    lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  }
  return std::binary_search(std::begin(kReservedWords), std::end(kReservedWords),
                            std::string_view(lower));
}

std::string TZDefaultIdentifierConvertor::Quote(std::string_view name) {
  if (!IsQuoteNeeded(name)) return std::string(name);
  std::string quoted;
  quoted.reserve(name.size() + 2);
  quoted.push_back('`');
  quoted.append(name);
  quoted.push_back('`');
  return quoted;
}

std::string TZDefaultIdentifierConvertor::ExtractQuote(std::string_view name) {
  if (!name.empty() && name.front() == '`') {
    if (name.size() < 2) return {};
    return std::string(name.substr(1, name.size() - 2));
  }
  return std::string(name);
}

}  // namespace zararod

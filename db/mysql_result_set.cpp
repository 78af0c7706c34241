#include "db/mysql_result_set.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string_view>

#include "db/date_time_text.h"
#include "db/db_exceptions.h"
#include "db/mysql_connection.h"
#include "db/properties.h"
#include "db/result_set_checks.h"

namespace zararod {
namespace {

constexpr unsigned kLongestShortText = 8192;

int clampToInt(unsigned long value) {
  return value > static_cast<unsigned long>(INT_MAX) ? INT_MAX : static_cast<int>(value);
}

TZSQLType kindOf(const MYSQL_FIELD& field) {
  const bool isSigned = (field.flags & UNSIGNED_FLAG) == 0;
  switch (static_cast<int>(field.type)) {
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
      if (field.decimals != 0) return stDouble;
      return field.length >= 11 ? stLong : stInteger;
    case MYSQL_TYPE_TINY:
      return isSigned ? stByte : stShort;
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_YEAR:
      return isSigned ? stShort : stInteger;
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_INT24:
      return isSigned ? stInteger : stLong;
    case MYSQL_TYPE_LONGLONG:
      return isSigned ? stLong : stBigDecimal;
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
      return stDouble;
    case MYSQL_TYPE_TIMESTAMP:
    case MYSQL_TYPE_DATETIME:
      return stTimestamp;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
      return stDate;
    case MYSQL_TYPE_TIME:
      return stTime;
    case MYSQL_TYPE_NULL:
    case MYSQL_TYPE_VARCHAR:
    case MYSQL_TYPE_ENUM:
    case MYSQL_TYPE_SET:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_STRING:
      return field.length > kLongestShortText ? stAsciiStream : stString;
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
      return (field.flags & BINARY_FLAG) != 0 ? stBinaryStream : stAsciiStream;
    case MYSQL_TYPE_BIT:
    case MYSQL_TYPE_GEOMETRY:
      return stBinaryStream;
    default:
      throw Exception("Unknown MySQL data type!");
  }
}

TZColumnInfo describe(const MYSQL_FIELD& field) {
  TZColumnInfo info;
  info.ColumnLabel = field.name ? field.name : "";
  info.TableName = field.table ? field.table : "";
  info.ReadOnly = info.TableName.empty();
  info.ColumnType = kindOf(field);
  info.ColumnDisplaySize = clampToInt(field.length);
  info.Precision = clampToInt(std::max(field.max_length, field.length));
  info.Scale = static_cast<int>(field.decimals);
  info.AutoIncrement = (field.flags & (AUTO_INCREMENT_FLAG | TIMESTAMP_FLAG)) != 0;
  info.Signed = (field.flags & UNSIGNED_FLAG) == 0;
  info.Nullable = (field.flags & NOT_NULL_FLAG) != 0 ? ntNoNulls : ntNullable;
  return info;
}

std::int32_t int32FromText(std::string_view text) {
  const std::int64_t value = integerFromText(text);
  return value < INT32_MIN || value > INT32_MAX ? 0 : static_cast<std::int32_t>(value);
}

}  // namespace

TZMySQLResultSet::TZMySQLResultSet(TZMySQLConnection& connection, std::string sql, bool useResult,
                                   TZResultSetConcurrency concurrency, TZResultSetType type)
    : sql_(std::move(sql)), useResult_(useResult), concurrency_(concurrency), type_(type) {
  MYSQL* handle = connection.Handle();
  if (handle) result_.reset(useResult_ ? mysql_use_result(handle) : mysql_store_result(handle));
  if (!result_) {
    // The server may fail a statement after its first rows (a subquery that
    // finds more than one row, a lost connection): its error, when it gave
    // one, says what went wrong.
    connection.CheckError(lcExecute, sql_);
    throw EZSQLException("Cannot retrieve Resultset data");
  }
  // A stored result is all here: what follows it (a CALL's closing status)
  // must not block the next statement, the column-kind correction's included.
  if (!useResult_) connection.DiscardMoreResults(sql_);
  rowCount_ = useResult_ ? 0 : static_cast<std::int64_t>(mysql_num_rows(result_.get()));
  const unsigned count = mysql_num_fields(result_.get());
  columns_.reserve(count);
  for (unsigned i = 0; i < count; ++i) {
    mysql_field_seek(result_.get(), i);
    const MYSQL_FIELD* field = mysql_fetch_field(result_.get());
    if (!field) break;
    columns_.push_back(describe(*field));
  }
  if (IZColumnKindCorrector* corrector = connection.GetColumnKindCorrector()) {
    corrector->CorrectColumns(sql_, columns_);
  }
}

TZMySQLResultSet::~TZMySQLResultSet() = default;

bool TZMySQLResultSet::Next() {
  if (!result_ || afterLast_) return false;
  currentRow_ = mysql_fetch_row(result_.get());
  ++row_;
  if (!currentRow_) {
    afterLast_ = true;
    lengths_ = nullptr;
    return false;
  }
  lengths_ = mysql_fetch_lengths(result_.get());
  if (useResult_) rowCount_ = row_;
  return true;
}

bool TZMySQLResultSet::MoveAbsolute(int row) {
  if (!result_ || useResult_) return false;
  if (row < 1 || row > rowCount_) {
    currentRow_ = nullptr;
    lengths_ = nullptr;
    afterLast_ = row > rowCount_;
    row_ = afterLast_ ? static_cast<int>(rowCount_) + 1 : 0;
    return false;
  }
  mysql_data_seek(result_.get(), static_cast<unsigned long long>(row - 1));
  afterLast_ = false;
  row_ = row - 1;
  return Next();
}

void TZMySQLResultSet::Close() {
  currentRow_ = nullptr;
  lengths_ = nullptr;
  result_.reset();
}

const char* TZMySQLResultSet::text(int column, TZSQLType asked, unsigned long* length) {
  if (!result_) throwClosedDataset();
  checkColumnIndex(column, GetColumnCount());
  checkConvertible(column, columns_[column - 1].ColumnType, asked);
  if (!currentRow_) throwNoRowData();
  const char* value = currentRow_[column - 1];
  wasNull_ = value == nullptr;
  if (length) *length = value ? lengths_[column - 1] : 0;
  return value;
}

bool TZMySQLResultSet::GetBoolean(int column) {
  const char* value = text(column, stBoolean);
  return value && isTrueText(value);
}

std::int8_t TZMySQLResultSet::GetByte(int column) {
  const char* value = text(column, stByte);
  return value ? static_cast<std::int8_t>(int32FromText(value)) : 0;
}

std::int16_t TZMySQLResultSet::GetShort(int column) {
  const char* value = text(column, stShort);
  return value ? static_cast<std::int16_t>(int32FromText(value)) : 0;
}

std::int32_t TZMySQLResultSet::GetInt(int column) {
  const char* value = text(column, stInteger);
  return value ? int32FromText(value) : 0;
}

std::int64_t TZMySQLResultSet::GetLong(int column) {
  const char* value = text(column, stLong);
  return value ? integerFromText(value) : 0;
}

float TZMySQLResultSet::GetFloat(int column) {
  const char* value = text(column, stFloat);
  return value ? static_cast<float>(floatFromText(value)) : 0;
}

double TZMySQLResultSet::GetDouble(int column) {
  const char* value = text(column, stDouble);
  return value ? static_cast<double>(floatFromText(value)) : 0;
}

long double TZMySQLResultSet::GetBigDecimal(int column) {
  const char* value = text(column, stBigDecimal);
  return value ? floatFromText(value) : 0;
}

std::string TZMySQLResultSet::GetString(int column) {
  const char* value = text(column, stString);
  return value ? std::string(value) : std::string();
}

std::string TZMySQLResultSet::GetStringWithLength(int column) {
  unsigned long length = 0;
  const char* value = text(column, stString, &length);
  return value ? std::string(value, length) : std::string();
}

std::string TZMySQLResultSet::GetBytes(int column) {
  unsigned long length = 0;
  const char* value = text(column, stBytes, &length);
  return value ? std::string(value, length) : std::string();
}

double TZMySQLResultSet::GetDate(int column) {
  const char* value = text(column, stDate);
  if (!value) return 0;
  const std::string_view date(value);
  const double result = date.starts_with("0000-00-00") ? 0 : std::trunc(dateTimeFromText(date));
  wasNull_ = result == 0;
  return result;
}

double TZMySQLResultSet::GetTime(int column) {
  const char* value = text(column, stTime);
  if (!value) return 0;
  const std::string_view time(value);
  if (time.starts_with("00:00:00")) {
    wasNull_ = true;
    return 0;
  }
  const double dateTime = dateTimeFromTimeText(time);
  return std::fabs(dateTime - std::trunc(dateTime));
}

double TZMySQLResultSet::GetTimestamp(int column) {
  const char* value = text(column, stTimestamp);
  if (!value) return 0;
  const double result = dateTimeFromText(value);
  wasNull_ = result == 0;
  return result;
}

std::string TZMySQLResultSet::GetBlob(int column) {
  const TZSQLType kind =
      column >= 1 && column <= GetColumnCount() ? columns_[column - 1].ColumnType : stUnknown;
  unsigned long length = 0;
  const char* value = text(column, isStreamType(kind) ? kind : stBinaryStream, &length);
  return value ? std::string(value, length) : std::string();
}

}  // namespace zararod

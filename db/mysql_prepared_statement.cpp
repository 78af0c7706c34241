#include "db/mysql_prepared_statement.h"

#include <cstdio>
#include <stdexcept>

#include "db/db_exceptions.h"
#include "db/float_text.h"
#include "db/mysql_connection.h"
#include "db/tokenizer.h"
#include "util/date_time.h"

namespace zararod {
namespace {

// Escaped by the client library: on the handle (its character set) when
// there is one, else with the library's default character set, which needs
// the library initialised.
std::string quotedEscaped(MYSQL* handle, const std::string& value) {
  std::string escaped(value.size() * 2 + 1, '\0');
  if (!handle) mysql_server_init(1, nullptr, nullptr);
  const unsigned long length =
      handle ? mysql_real_escape_string(handle, escaped.data(), value.data(), value.size())
             : mysql_escape_string(escaped.data(), value.data(), value.size());
  escaped.resize(length);
  return "'" + escaped + "'";
}

std::string dateTimeLiteral(double value, TZSQLType type) {
  const std::optional<DateTimeParts> parts = decodeDateTime(value);
  if (!parts) return "NULL";
  char buffer[40];
  switch (type) {
    case stDate:
      std::snprintf(buffer, sizeof buffer, "'%04d-%02d-%02d'", parts->Year, parts->Month,
                    parts->Day);
      break;
    case stTime:
      std::snprintf(buffer, sizeof buffer, "'%02d:%02d:%02d'", parts->Hour, parts->Minute,
                    parts->Second);
      break;
    default:
      std::snprintf(buffer, sizeof buffer, "'%04d-%02d-%02d %02d:%02d:%02d'", parts->Year,
                    parts->Month, parts->Day, parts->Hour, parts->Minute, parts->Second);
      break;
  }
  return buffer;
}

}  // namespace

TZMySQLPreparedStatement::TZMySQLPreparedStatement(TZMySQLConnection& connection, std::string sql,
                                                   const TZProperties& info)
    : connection_(connection), sql_(std::move(sql)), info_(info) {}

TZMySQLPreparedStatement::~TZMySQLPreparedStatement() = default;

void TZMySQLPreparedStatement::set(int position, TZSQLType type, Value value) {
  if (position < 1) throw std::out_of_range("parameter position below 1");
  if (static_cast<std::size_t>(position) > params_.size()) params_.resize(position);
  params_[position - 1] = Param{type, std::move(value)};
}

void TZMySQLPreparedStatement::SetNull(int p, TZSQLType type) { set(p, type, {}); }
void TZMySQLPreparedStatement::SetBoolean(int p, bool v) { set(p, stBoolean, v); }
void TZMySQLPreparedStatement::SetByte(int p, std::int8_t v) { set(p, stByte, std::int64_t{v}); }
void TZMySQLPreparedStatement::SetShort(int p, std::int16_t v) { set(p, stShort, std::int64_t{v}); }
void TZMySQLPreparedStatement::SetInt(int p, std::int32_t v) { set(p, stInteger, std::int64_t{v}); }
void TZMySQLPreparedStatement::SetLong(int p, std::int64_t v) { set(p, stLong, v); }
void TZMySQLPreparedStatement::SetFloat(int p, float v) { set(p, stFloat, double{v}); }
void TZMySQLPreparedStatement::SetDouble(int p, double v) { set(p, stDouble, v); }
void TZMySQLPreparedStatement::SetBigDecimal(int p, long double v) { set(p, stBigDecimal, v); }
void TZMySQLPreparedStatement::SetString(int p, const std::string& v) { set(p, stString, v); }
void TZMySQLPreparedStatement::SetBytes(int p, const std::string& v) { set(p, stBytes, v); }
void TZMySQLPreparedStatement::SetDate(int p, double v) { set(p, stDate, v); }
void TZMySQLPreparedStatement::SetTime(int p, double v) { set(p, stTime, v); }
void TZMySQLPreparedStatement::SetTimestamp(int p, double v) { set(p, stTimestamp, v); }
void TZMySQLPreparedStatement::SetAsciiStream(int p, const std::string& v) {
  set(p, stAsciiStream, v);
}
void TZMySQLPreparedStatement::SetBinaryStream(int p, const std::string& v) {
  set(p, stBinaryStream, v);
}

void TZMySQLPreparedStatement::SetDefaultValue(int position, const std::string& value) {
  defaults_[position] = value;
}

void TZMySQLPreparedStatement::ClearParameters() { params_.clear(); }

std::string TZMySQLPreparedStatement::literal(int index) const {
  const Param& param = params_[index];
  if (std::holds_alternative<std::monostate>(param.value)) {
    const auto fallback = defaults_.find(index + 1);
    if (fallback != defaults_.end() &&
        isTrueText(statementProperty(info_, connection_, "defaults", "true"))) {
      return fallback->second;
    }
    return "NULL";
  }
  switch (param.type) {
    case stBoolean:
      return std::get<bool>(param.value) ? "'Y'" : "'N'";
    case stByte:
    case stShort:
    case stInteger:
    case stLong:
      return numberText(std::get<std::int64_t>(param.value));
    case stFloat:
      return numberText(static_cast<float>(std::get<double>(param.value)));
    case stDouble:
      return numberText(std::get<double>(param.value));
    case stBigDecimal:
      return numberText(std::get<long double>(param.value));
    case stDate:
    case stTime:
    case stTimestamp:
      return dateTimeLiteral(std::get<double>(param.value), param.type);
    case stAsciiStream:
    case stUnicodeStream:
    case stBinaryStream:
      if (std::get<std::string>(param.value).empty()) return "NULL";
      [[fallthrough]];
    default:
      return quotedEscaped(connection_.Handle(), std::get<std::string>(param.value));
  }
}

std::string TZMySQLPreparedStatement::PreparedSQL() {
  if (sql_.find('?') == std::string::npos) return sql_;
  const TZTokenList tokens =
      connection_.GetTokenizer().Tokenize(sql_, TZTokenOption::toUnifyWhitespace);
  std::string result;
  result.reserve(sql_.size());
  int marker = 0;
  for (const TZToken& token : tokens) {
    if (token.Value != "?") {
      result.append(token.Value);
      continue;
    }
    if (marker >= GetParameterCount()) {
      throw EZSQLException("Input parameter count is less then expected");
    }
    result.append(literal(marker++));
  }
  return result;
}

TZMySQLStatement& TZMySQLPreparedStatement::executingStatement() {
  if (!executing_) executing_ = std::make_unique<TZMySQLStatement>(connection_, info_);
  executing_->SetResultSetConcurrency(concurrency_);
  executing_->SetResultSetType(type_);
  executing_->SetMaxRows(maxRows_);
  return *executing_;
}

std::unique_ptr<IZResultSet> TZMySQLPreparedStatement::ExecuteQueryPrepared() {
  const std::string sql = PreparedSQL();
  return executingStatement().ExecuteQuery(sql);
}

std::int64_t TZMySQLPreparedStatement::ExecuteUpdatePrepared() {
  const std::string sql = PreparedSQL();
  return executingStatement().ExecuteUpdate(sql);
}

bool TZMySQLPreparedStatement::ExecutePrepared() {
  const std::string sql = PreparedSQL();
  return executingStatement().Execute(sql);
}

std::int64_t TZMySQLPreparedStatement::GetUpdateCount() const {
  return executing_ ? executing_->GetUpdateCount() : -1;
}

IZResultSet* TZMySQLPreparedStatement::GetResultSet() {
  return executing_ ? executing_->GetResultSet() : nullptr;
}

void TZMySQLPreparedStatement::Close() { executing_.reset(); }

}  // namespace zararod

#include "db/cached_result_set.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <type_traits>

#include "db/date_time_text.h"
#include "db/float_text.h"
#include "db/properties.h"
#include "db/result_set_checks.h"
#include "util/date_time.h"

namespace zararod {

void MakeLabelsUnique(TZColumnInfos& columns) {
  std::map<std::string, int> seen;
  for (TZColumnInfo& column : columns) {
    const int earlier = seen[column.ColumnLabel]++;
    if (column.ColumnLabel.empty()) column.ColumnLabel = "Column";
    if (earlier > 0) column.ColumnLabel += "_" + std::to_string(earlier);
  }
}

namespace {

std::string timeText(double value) {
  const std::optional<DateTimeParts> parts = decodeDateTime(value);
  if (!parts) return {};
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", parts->Hour, parts->Minute, parts->Second);
  return buffer;
}

}  // namespace

TZCachedResultSet::TZCachedResultSet(std::unique_ptr<IZResultSet> source,
                                     TZResultSetConcurrency concurrency, TZResultSetType type)
    : source_(std::move(source)),
      concurrency_(concurrency),
      type_(type),
      columns_(source_->GetColumnsInfo()) {
  MakeLabelsUnique(columns_);
}

TZCachedResultSet::~TZCachedResultSet() = default;

bool TZCachedResultSet::fetchOne() {
  if (closed_ || sourceExhausted_) return false;
  if (!source_->Next()) {
    sourceExhausted_ = true;
    return false;
  }
  Row row;
  row.reserve(columns_.size());
  for (int column = 1; column <= GetColumnCount(); ++column) {
    IZResultSet& in = *source_;
    Cell cell;
    switch (columns_[column - 1].ColumnType) {
      case stBoolean:
        cell = in.GetBoolean(column);
        break;
      case stByte:
        cell = std::int64_t{in.GetByte(column)};
        break;
      case stShort:
        cell = std::int64_t{in.GetShort(column)};
        break;
      case stInteger:
        cell = std::int64_t{in.GetInt(column)};
        break;
      case stLong:
        cell = in.GetLong(column);
        break;
      case stFloat:
        cell = in.GetFloat(column);
        break;
      case stDouble:
        cell = in.GetDouble(column);
        break;
      case stBigDecimal:
        cell = in.GetBigDecimal(column);
        break;
      case stBytes:
        cell = in.GetBytes(column);
        break;
      case stDate:
        cell = in.GetDate(column);
        break;
      case stTime:
        cell = in.GetTime(column);
        break;
      case stTimestamp:
        cell = in.GetTimestamp(column);
        break;
      case stAsciiStream:
      case stUnicodeStream:
      case stBinaryStream:
        cell = in.GetBlob(column);
        break;
      case stString:
      case stUnicodeString:
      case stUnknown:
        cell = in.GetString(column);
        break;
    }
    if (in.WasNull()) cell = std::monostate{};
    row.push_back(std::move(cell));
  }
  rows_.push_back(std::move(row));
  return true;
}

bool TZCachedResultSet::Next() {
  if (closed_) return false;
  if (row_ < FetchedRowCount() || (row_ == FetchedRowCount() && fetchOne())) {
    ++row_;
    return true;
  }
  row_ = FetchedRowCount() + 1;
  return false;
}

bool TZCachedResultSet::MoveAbsolute(int row) {
  if (closed_) return false;
  while (FetchedRowCount() < row && fetchOne()) {
  }
  if (row < 1) {
    row_ = 0;
    return false;
  }
  if (row > FetchedRowCount()) {
    row_ = FetchedRowCount() + 1;
    return false;
  }
  row_ = row;
  return true;
}

bool TZCachedResultSet::IsAfterLast() const { return row_ > FetchedRowCount(); }

void TZCachedResultSet::FetchAll() {
  while (fetchOne()) {
  }
}

void TZCachedResultSet::Close() {
  if (closed_) return;
  closed_ = true;
  rows_.clear();
  source_->Close();
}

const TZCachedResultSet::Cell& TZCachedResultSet::cell(int column, TZSQLType asked) {
  if (closed_) throwClosedDataset();
  checkColumnIndex(column, GetColumnCount());
  checkConvertible(column, columns_[column - 1].ColumnType, asked);
  if (row_ < 1 || row_ > FetchedRowCount()) throwNoRowData();
  const Cell& value = rows_[row_ - 1][column - 1];
  wasNull_ = std::holds_alternative<std::monostate>(value);
  return value;
}

namespace {

// A stored value as a number (text read as one; 0 when it is not one).
template <class Value>
long double numberOf(const Value& value) {
  return std::visit(
      [](const auto& v) -> long double {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return 0;
        } else if constexpr (std::is_same_v<T, std::string>) {
          return floatFromText(v);
        } else {
          return static_cast<long double>(v);
        }
      },
      value);
}

// A stored value as an integer of type Int.
template <class Int, class Value>
Int integerOf(const Value& value) {
  if (const auto* text = std::get_if<std::string>(&value)) {
    const std::int64_t number = integerFromText(*text);
    return static_cast<Int>(number);
  }
  if (const auto* integer = std::get_if<std::int64_t>(&value)) return static_cast<Int>(*integer);
  const long double number = std::trunc(numberOf(value));
  // Out of the target's range: 0, as for a text that is not a number.
  if (number < static_cast<long double>(std::numeric_limits<Int>::min()) ||
      number > static_cast<long double>(std::numeric_limits<Int>::max())) {
    return 0;
  }
  return static_cast<Int>(number);
}

}  // namespace

bool TZCachedResultSet::GetBoolean(int column) {
  const Cell& value = cell(column, stBoolean);
  if (const auto* truth = std::get_if<bool>(&value)) return *truth;
  if (const auto* text = std::get_if<std::string>(&value)) return isTrueText(*text);
  return numberOf(value) != 0;
}

std::int8_t TZCachedResultSet::GetByte(int column) {
  return integerOf<std::int8_t>(cell(column, stByte));
}
std::int16_t TZCachedResultSet::GetShort(int column) {
  return integerOf<std::int16_t>(cell(column, stShort));
}
std::int32_t TZCachedResultSet::GetInt(int column) {
  return integerOf<std::int32_t>(cell(column, stInteger));
}
std::int64_t TZCachedResultSet::GetLong(int column) {
  return integerOf<std::int64_t>(cell(column, stLong));
}
float TZCachedResultSet::GetFloat(int column) {
  return static_cast<float>(numberOf(cell(column, stFloat)));
}
double TZCachedResultSet::GetDouble(int column) {
  const Cell& value = cell(column, stDouble);
  // A stored double goes out unchanged (no round trip through long double).
  if (const auto* number = std::get_if<double>(&value)) return *number;
  return static_cast<double>(numberOf(value));
}
long double TZCachedResultSet::GetBigDecimal(int column) {
  return numberOf(cell(column, stBigDecimal));
}

std::string TZCachedResultSet::GetStringWithLength(int column) {
  const Cell& value = cell(column, stString);
  const TZSQLType kind = columns_[column - 1].ColumnType;
  return std::visit(
      [kind](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return {};
        } else if constexpr (std::is_same_v<T, std::string>) {
          return v;
        } else if constexpr (std::is_same_v<T, bool>) {
          return v ? "True" : "False";
        } else if constexpr (std::is_same_v<T, double>) {
          if (kind == stDate) return DateStr(v);
          if (kind == stTime) return timeText(v);
          if (kind == stTimestamp) return DateTimeStr(v);
          return numberText(v);
        } else {
          return numberText(v);
        }
      },
      value);
}

std::string TZCachedResultSet::GetString(int column) {
  std::string text = GetStringWithLength(column);
  const std::size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return text;
}

std::string TZCachedResultSet::GetBytes(int column) {
  const Cell& value = cell(column, stBytes);
  const auto* bytes = std::get_if<std::string>(&value);
  return bytes ? *bytes : std::string();
}

double TZCachedResultSet::GetDate(int column) {
  const Cell& value = cell(column, stDate);
  double result = 0;
  if (const auto* text = std::get_if<std::string>(&value)) {
    result = text->starts_with("0000-00-00") ? 0 : std::trunc(dateTimeFromText(*text));
    wasNull_ = result == 0;
  } else if (const auto* dateTime = std::get_if<double>(&value)) {
    result = std::trunc(*dateTime);
    wasNull_ = result == 0;
  }
  return result;
}

double TZCachedResultSet::GetTime(int column) {
  const Cell& value = cell(column, stTime);
  double dateTime = 0;
  if (const auto* text = std::get_if<std::string>(&value)) {
    if (text->starts_with("00:00:00")) {
      wasNull_ = true;
      return 0;
    }
    dateTime = dateTimeFromTimeText(*text);
  } else if (const auto* stored = std::get_if<double>(&value)) {
    dateTime = *stored;
  }
  return std::fabs(dateTime - std::trunc(dateTime));
}

double TZCachedResultSet::GetTimestamp(int column) {
  const Cell& value = cell(column, stTimestamp);
  if (const auto* text = std::get_if<std::string>(&value)) {
    const double result = dateTimeFromText(*text);
    wasNull_ = result == 0;
    return result;
  }
  const auto* stored = std::get_if<double>(&value);
  return stored ? *stored : 0;
}

std::string TZCachedResultSet::GetBlob(int column) {
  const TZSQLType kind =
      column >= 1 && column <= GetColumnCount() ? columns_[column - 1].ColumnType : stUnknown;
  const Cell& value = cell(column, isStreamType(kind) ? kind : stBinaryStream);
  const auto* bytes = std::get_if<std::string>(&value);
  return bytes ? *bytes : std::string();
}

}  // namespace zararod

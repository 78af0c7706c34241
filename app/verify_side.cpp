#include "app/verify_side.h"

#include <algorithm>

#include "app/job_support.h"
#include "db/connection.h"
#include "db/sql_literals.h"

namespace zararod {

namespace {

// Keys per statement that reads records by key.
constexpr std::size_t kKeysPerRead = 200;

std::string joined(const std::vector<std::string>& items, const std::string& separator) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
  return text;
}

std::string fieldText(TZQuery& query, int index) {
  return query.Fields(index).AsServerText().value_or(std::string());
}

}  // namespace

VerifySide::VerifySide(TZConnection& connection, std::string table,
                       std::vector<const char*> keyColumns)
    : connection_(connection), table_(std::move(table)), keyColumns_(std::move(keyColumns)) {
  query_.SetConnection(&connection_);
}

std::string VerifySide::rangeCondition(const KeyRange& range) const {
  const bool nbe = connection_.NoBackslashEscapes();
  const std::string column = keyColumns_.front();
  std::vector<std::string> terms;
  if (range.low) terms.push_back(column + " >= " + stringLiteral(*range.low, nbe));
  if (range.high) terms.push_back(column + " < " + stringLiteral(*range.high, nbe));
  return terms.empty() ? "1 = 1" : "(" + joined(terms, " and ") + ")";
}

std::string VerifySide::scoped(const std::string& condition) const {
  return scope_.empty() ? condition : "(" + condition + ") and " + scope_;
}

std::optional<std::string> VerifySide::boundaryAfter(const std::optional<std::string>& low,
                                                     const std::optional<std::string>& high,
                                                     long step) {
  const bool nbe = connection_.NoBackslashEscapes();
  const std::string column = keyColumns_.front();
  std::vector<std::string> terms;
  if (low) terms.push_back(column + " > " + stringLiteral(*low, nbe));
  if (high) terms.push_back(column + " < " + stringLiteral(*high, nbe));
  // After `low` the step-th key greater than it; from the start the key
  // after the first `step`.
  const long offset = low ? step - 1 : step;
  setQueryText(query_, "select " + column + " from " + table_ +
                           (terms.empty() ? "" : " where " + joined(terms, " and ")) +
                           " order by " + column + " limit 1 offset " + std::to_string(offset));
  query_.Open();
  std::optional<std::string> boundary;
  if (!query_.Eof()) boundary = fieldText(query_, 0);
  query_.Close();
  return boundary;
}

std::string VerifySide::rangesCondition(const std::vector<KeyRange>& ranges) const {
  // Ranges that adjoin make one condition, which the key index serves as
  // one range.
  std::vector<std::string> spans;
  KeyRange span = ranges.front();
  for (std::size_t i = 1; i <= ranges.size(); ++i) {
    if (i < ranges.size() && span.high && ranges[i].low == span.high) {
      span.high = ranges[i].high;
      continue;
    }
    spans.push_back(rangeCondition(span));
    if (i < ranges.size()) span = ranges[i];
  }
  return scoped(joined(spans, " or "));
}

std::string VerifySide::rangeNumber(const std::vector<KeyRange>& ranges) const {
  // Every row read lies in one of the ranges, which are in key order, so the
  // first range whose end lies above its key holds it. The ranges are taken
  // sixteen at a time, so a row meets a few dozen comparisons, not one per
  // range.
  constexpr std::size_t kGroup = 16;
  const bool nbe = connection_.NoBackslashEscapes();
  const auto below = [&](const std::string& high) {
    return std::string(keyColumns_.front()) + " < " + stringLiteral(high, nbe);
  };
  // A CASE needs one WHEN at least; a choice of one is its value.
  const auto choice = [](const std::string& whens, const std::string& otherwise) {
    return whens.empty() ? otherwise : "case" + whens + " else " + otherwise + " end";
  };
  std::string groups;
  for (std::size_t first = 0; first < ranges.size(); first += kGroup) {
    const std::size_t end = std::min(ranges.size(), first + kGroup);
    std::string whens;
    for (std::size_t i = first; i + 1 < end; ++i) {
      whens += " when " + below(*ranges[i].high) + " then " + std::to_string(i);
    }
    const std::string group = choice(whens, std::to_string(end - 1));
    if (end == ranges.size()) return choice(groups, group);
    groups += " when " + below(*ranges[end - 1].high) + " then " + group;
  }
  return "0";  // no ranges
}

std::vector<RangeDigest> VerifySide::digests(const std::vector<KeyRange>& ranges) {
  std::vector<RangeDigest> result(ranges.size());
  if (ranges.empty()) return result;
  // The first 64 bits of the rows' digests are added up, so the sum does
  // not depend on the order the server reads the rows in. The server puts
  // the row's digest in place of each use of h, and computes it as many
  // times: it is used once.
  setQueryText(query_,
               "select n, count(*), sum(cast(conv(substr(h,1,16),16,10) as unsigned)) from "
               "(select " +
                   rangeNumber(ranges) + " as n, " + rowDigest_ + " as h from " + table_ +
                   " where " + rangesCondition(ranges) + ") as rows_of_ranges group by n");
  query_.Open();
  for (query_.First(); !query_.Eof(); query_.Next()) {
    const auto index = static_cast<std::size_t>(std::stol(fieldText(query_, 0)));
    result.at(index) = {std::stol(fieldText(query_, 1)), fieldText(query_, 2)};
  }
  query_.Close();
  return result;
}

std::vector<RowDigest> VerifySide::rowDigests(const std::vector<KeyRange>& ranges) {
  std::vector<RowDigest> result;
  if (ranges.empty()) return result;
  std::vector<std::string> keys(keyColumns_.begin(), keyColumns_.end());
  setQueryText(query_, "select " + joined(keys, ",") + ", " + rowDigest_ + " from " + table_ +
                           " where " + rangesCondition(ranges));
  query_.Open();
  const int digestField = static_cast<int>(keyColumns_.size());
  for (query_.First(); !query_.Eof(); query_.Next()) {
    result.push_back({keyOf(query_, keyColumns_), fieldText(query_, digestField)});
  }
  query_.Close();
  return result;
}

std::vector<ReadRecord> VerifySide::records(const std::string& table,
                                            const std::vector<std::string>& columns,
                                            const std::vector<RecordKey>& keys) {
  std::vector<ReadRecord> result;
  const bool nbe = connection_.NoBackslashEscapes();
  for (std::size_t first = 0; first < keys.size(); first += kKeysPerRead) {
    const std::vector<RecordKey> some(
        keys.begin() + static_cast<std::ptrdiff_t>(first),
        keys.begin() + static_cast<std::ptrdiff_t>(std::min(keys.size(), first + kKeysPerRead)));
    setQueryText(query_, "select " + joined(columns, ",") + " from " + table + " where " +
                             anyKeyCondition(keyColumns_, some, nbe));
    query_.Open();
    for (query_.First(); !query_.Eof(); query_.Next()) {
      ReadRecord record{keyOf(query_, keyColumns_), {}, {}};
      for (int i = 0; i < query_.FieldCount(); ++i) {
        record.values.push_back(readField(query_.Fields(i)));
        record.types.push_back(query_.FieldDefs()[i].DeclaredTypeName);
      }
      result.push_back(std::move(record));
    }
    query_.Close();
  }
  return result;
}

void VerifySide::queue(const std::string& queueTable, const std::vector<RecordKey>& keys) {
  const bool nbe = connection_.NoBackslashEscapes();
  std::vector<std::string> columns(keyColumns_.begin(), keyColumns_.end());
  for (std::size_t first = 0; first < keys.size(); first += kKeysPerRead) {
    std::vector<std::string> rows;
    for (std::size_t i = first; i < std::min(keys.size(), first + kKeysPerRead); ++i) {
      std::vector<std::string> values;
      for (const std::string& value : keys[i]) values.push_back(stringLiteral(value, nbe));
      rows.push_back("(" + joined(values, ",") + ")");
    }
    setQueryText(query_, "insert into " + queueTable + " (" + joined(columns, ",") + ") values " +
                             joined(rows, ","));
    query_.ExecSQL();
    query_.Close();
  }
}

}  // namespace zararod

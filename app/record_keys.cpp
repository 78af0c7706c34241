#include "app/record_keys.h"

#include "app/job_support.h"
#include "db/sql_literals.h"
#include "util/strings.h"

namespace zararod {

namespace {

std::vector<KeyColumn> keyColumns(const std::vector<const char*>& columns, const RecordKey& key) {
  std::vector<KeyColumn> out;
  out.reserve(columns.size());
  for (std::size_t i = 0; i < columns.size(); ++i) out.push_back({columns[i], key[i]});
  return out;
}

}  // namespace

std::string keyText(const TField& field) { return field.AsServerText().value_or(std::string()); }

RecordKey keyOf(TZQuery& rows, const std::vector<const char*>& columns) {
  RecordKey key;
  key.reserve(columns.size());
  for (const char* column : columns) key.push_back(keyText(rows.FieldByName(column)));
  return key;
}

std::string keyCondition(const std::vector<KeyColumn>& key, bool noBackslashEscapes) {
  std::string condition;
  const auto conjoin = [&condition](const std::string& term) {
    condition += condition.empty() ? term : " and " + term;
  };
  for (const KeyColumn& column : key) {
    conjoin(std::string(column.name) + " = " + stringLiteral(column.value, noBackslashEscapes));
  }
  for (const KeyColumn& column : key) {
    conjoin(std::string("binary convert(") + column.name + " using " + kJobCodePage +
            ") = " + binaryLiteral(column.value, noBackslashEscapes));
  }
  return condition;
}

std::string keyCondition(const std::vector<const char*>& columns, const RecordKey& key,
                         bool noBackslashEscapes) {
  return keyCondition(keyColumns(columns, key), noBackslashEscapes);
}

std::string anyKeyCondition(const std::vector<const char*>& columns,
                            const std::vector<RecordKey>& keys, bool noBackslashEscapes) {
  if (keys.size() == 1) return keyCondition(columns, keys[0], noBackslashEscapes);
  std::string condition;
  for (const RecordKey& key : keys) {
    if (!condition.empty()) condition += " or ";
    condition += "(" + keyCondition(columns, key, noBackslashEscapes) + ")";
  }
  return condition;
}

std::string describeKey(const std::vector<const char*>& columns, const RecordKey& key) {
  std::string text;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) text += ", ";
    text += std::string(columns[i]) + " = " + stringLiteral(key[i], true);
  }
  return text;
}

std::vector<bool> paddedKeyColumns(TZQuery& query, const std::string& table,
                                   const std::vector<const char*>& columns) {
  std::string list;
  for (const char* column : columns) list += (list.empty() ? "" : ",") + std::string(column);
  setQueryText(query, "select " + list + " from " + table + " where 1 = 0");
  query.Open();
  std::vector<bool> padded;
  padded.reserve(columns.size());
  for (const char* column : columns) {
    padded.push_back(sameText(declaredType(query, query.FieldByName(column)), "char"));
  }
  query.Close();
  return padded;
}

RecordKey withoutPadding(RecordKey key, const std::vector<bool>& padded) {
  for (std::size_t i = 0; i < key.size(); ++i) {
    if (!padded[i]) continue;
    const std::size_t end = key[i].find_last_not_of(' ');
    key[i].erase(end == std::string::npos ? 0 : end + 1);
  }
  return key;
}

}  // namespace zararod

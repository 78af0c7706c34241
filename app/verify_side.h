// One server of a verify: the statements that read its digests, its record
// keys and its records, each a plain read that locks nothing (every one is a
// transaction of its own, which sees what was committed when it began).
//
// Key ranges are ranges of the first key column under the column's own
// collation, so the server's key index serves them and look-alike keys
// ('K9', 'k9', 'K9 ') fall into the same range; the keys themselves are
// compared exactly by the caller (app/record_keys.h).
//
// A VerifySide uses its connection through a query of its own; the
// connection must outlive it and be open (the caller opens it on the job's
// database). One thread at a time. Every call throws the query's errors.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/record_keys.h"
#include "app/value_builders.h"
#include "db/query.h"

namespace zararod {

class TZConnection;

// Keys from `low` (included; none: from the first) up to `high` (excluded;
// none: to the last) in the first key column.
struct KeyRange {
  std::optional<std::string> low;
  std::optional<std::string> high;
};

// A count and a hash of the rows of one range.
struct RangeDigest {
  long rows = 0;
  std::string hash;
  bool operator==(const RangeDigest&) const = default;
};

// One row's key and digest.
struct RowDigest {
  RecordKey key;
  std::string digest;
};

// One record as read: its key and each compared column's value with the
// column's declared type name.
struct ReadRecord {
  RecordKey key;
  std::vector<FieldReading> values;
  std::vector<std::string> types;
};

class VerifySide {
 public:
  VerifySide(TZConnection& connection, std::string table, std::vector<const char*> keyColumns);
  VerifySide(const VerifySide&) = delete;
  VerifySide& operator=(const VerifySide&) = delete;

  TZQuery& query() { return query_; }
  void setRowDigest(std::string expression) { rowDigest_ = std::move(expression); }
  // A condition that limits every read of ranges to this site's records
  // (empty: none).
  void setScope(std::string condition) { scope_ = std::move(condition); }

  // The first key column value `step` keys after `low` (after the first
  // key when `low` is none) and before `high`, in key order; none when the
  // range holds no more. REQUIRES: step > 0.
  std::optional<std::string> boundaryAfter(const std::optional<std::string>& low,
                                           const std::optional<std::string>& high, long step);

  // The digest of each of `ranges` (disjoint, in key order, only the last
  // without an end), in one statement.
  std::vector<RangeDigest> digests(const std::vector<KeyRange>& ranges);

  // The key and digest of every row of `ranges` (disjoint, in key order), in
  // one statement.
  std::vector<RowDigest> rowDigests(const std::vector<KeyRange>& ranges);

  // The `columns` (which hold the key columns) of every row of exactly
  // `keys` in `table` (the record table or a queue), a few hundred keys per
  // statement.
  std::vector<ReadRecord> records(const std::string& table, const std::vector<std::string>& columns,
                                  const std::vector<RecordKey>& keys);

  // Inserts `keys` into `queueTable`'s key columns.
  void queue(const std::string& queueTable, const std::vector<RecordKey>& keys);

 private:
  std::string rangeCondition(const KeyRange& range) const;
  // The rows of `ranges`, within the scope.
  std::string rangesCondition(const std::vector<KeyRange>& ranges) const;
  // An expression of the index in `ranges` of the range that holds a row.
  std::string rangeNumber(const std::vector<KeyRange>& ranges) const;
  std::string scoped(const std::string& condition) const;

  TZConnection& connection_;
  std::string table_;
  std::vector<const char*> keyColumns_;
  std::string rowDigest_;
  std::string scope_;
  TZQuery query_{"verify"};
};

}  // namespace zararod

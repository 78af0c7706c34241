// TZCachedResultSet: copies the rows of another result set into typed row
// storage, and is what queries read from.
//
// Opening copies the source's column descriptions (kinds as corrected) with
// unique labels: a label equal to k earlier labels (letter case significant)
// gets "_k" appended; an empty label becomes "Column" first. Rows are copied
// when the cursor first moves onto them (Next, MoveAbsolute) or all at once
// (FetchAll); each value is read from the source with the reader of its
// column's kind and stored with its null mark.
//
// Reading a stored value converts to the asked kind (integers widened, a byte
// sign-extended, floats widened or narrowed, text read as a number, 0 when it
// is not one); a null value gives 0, false or empty and sets WasNull().
//
// Owns the source result set; Close frees the rows and closes the source.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "db/column_info.h"
#include "db/result_set.h"

namespace zararod {

// Gives every column a label of its own, as the caching result set hands them
// on: a label that k earlier columns reported too (letter case significant)
// gets "_k" appended; an empty label becomes "Column" first.
void MakeLabelsUnique(TZColumnInfos& columns);

class TZCachedResultSet : public IZResultSet {
 public:
  // REQUIRES: `source` is open and positioned before its first row.
  TZCachedResultSet(std::unique_ptr<IZResultSet> source,
                    TZResultSetConcurrency concurrency = rcUpdatable,
                    TZResultSetType type = rtScrollable);
  ~TZCachedResultSet() override;

  bool Next() override;
  bool MoveAbsolute(int row) override;
  int GetRow() const override { return row_; }
  bool IsBeforeFirst() const override { return row_ == 0; }
  bool IsAfterLast() const override;
  void Close() override;
  bool IsClosed() const override { return closed_; }
  TZResultSetConcurrency GetConcurrency() const override { return concurrency_; }
  TZResultSetType GetType() const override { return type_; }
  const TZColumnInfos& GetColumnsInfo() const override { return columns_; }
  bool WasNull() const override { return wasNull_; }

  // Copies every remaining row of the source. The cursor does not move.
  void FetchAll();
  // Rows copied so far.
  int FetchedRowCount() const { return static_cast<int>(rows_.size()); }

  bool GetBoolean(int column) override;
  std::int8_t GetByte(int column) override;
  std::int16_t GetShort(int column) override;
  std::int32_t GetInt(int column) override;
  std::int64_t GetLong(int column) override;
  float GetFloat(int column) override;
  double GetDouble(int column) override;
  long double GetBigDecimal(int column) override;
  std::string GetString(int column) override;
  std::string GetStringWithLength(int column) override;
  std::string GetBytes(int column) override;
  double GetDate(int column) override;
  double GetTime(int column) override;
  double GetTimestamp(int column) override;
  std::string GetBlob(int column) override;

 private:
  // One stored value, by its column's kind: bool; int64 for byte to long;
  // float; double for double and date-time kinds; long double; bytes for
  // text, bytes and streams. monostate is null.
  using Cell =
      std::variant<std::monostate, bool, std::int64_t, float, double, long double, std::string>;
  using Row = std::vector<Cell>;

  bool fetchOne();
  const Cell& cell(int column, TZSQLType asked);

  std::unique_ptr<IZResultSet> source_;
  TZResultSetConcurrency concurrency_;
  TZResultSetType type_;
  TZColumnInfos columns_;
  std::vector<Row> rows_;
  bool sourceExhausted_ = false;
  int row_ = 0;
  bool closed_ = false;
  bool wasNull_ = false;
};

}  // namespace zararod

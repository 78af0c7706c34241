// Building blocks of a live connection's metadata: the in-memory result sets
// that hold the answers of get tables / get columns, the positions of their
// columns, and the identifier convertor that decides which names are written
// in backquotes.
//
// TZVirtualResultSet is a plain value: copying it gives an independent result
// set with the same rows, so a cache can hand out copies and keep its own
// untouched. It does no I/O and never talks to a server.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zararod {

// One value of a metadata row: null, text, integer or truth value.
using TZMetaValue = std::variant<std::monostate, std::string, std::int64_t, bool>;

// An in-memory result set with named columns (positions from 1) and a cursor
// that starts before the first row.
class TZVirtualResultSet {
 public:
  TZVirtualResultSet() = default;
  explicit TZVirtualResultSet(std::vector<std::string> columnNames)
      : columns_(std::move(columnNames)) {}

  std::size_t ColumnCount() const { return columns_.size(); }
  const std::string& ColumnName(std::size_t column) const { return columns_.at(column - 1); }
  // Position (from 1) of the first column with exactly this name; 0 when none.
  std::size_t FindColumn(std::string_view name) const;

  // REQUIRES: row.size() == ColumnCount().
  void AppendRow(std::vector<TZMetaValue> row);
  std::size_t RowCount() const { return rows_.size(); }

  // Cursor: BeforeFirst puts it before the first row; Next moves to the next
  // row and returns false (staying after the last row) when there is none.
  void BeforeFirst() { cursor_ = 0; }
  bool Next();
  // Current row number from 1; 0 before the first row.
  std::size_t Row() const { return cursor_; }

  // A value of any row without moving the cursor; rows and columns from 1.
  // Throws std::out_of_range for a position outside the result.
  const TZMetaValue& ValueAt(std::size_t row, std::size_t column) const;

  // Values of the current row; column positions from 1. Reading with no
  // current row or an invalid column throws std::out_of_range.
  const TZMetaValue& Value(std::size_t column) const;
  bool IsNull(std::size_t column) const;
  // Text of a value: the text itself, an integer in decimal, a truth value as
  // "1"/"0", null as empty.
  std::string GetString(std::size_t column) const;
  // Integer of a value (0 for null or a text that is not a number).
  std::int64_t GetInt(std::size_t column) const;
  // Truth of a value (false for null; an integer is true when non-zero).
  bool GetBoolean(std::size_t column) const;

 private:
  std::vector<std::string> columns_;
  std::vector<std::vector<TZMetaValue>> rows_;
  std::size_t cursor_ = 0;
};

// Column positions of the column metadata (answer of get columns).
enum TZColumnsColumn : std::size_t {
  kColumnsTableCat = 1,
  kColumnsTableSchem,
  kColumnsTableName,
  kColumnsColumnName,
  kColumnsDataType,
  kColumnsTypeName,
  kColumnsColumnSize,
  kColumnsBufferLength,
  kColumnsDecimalDigits,
  kColumnsNumPrecRadix,
  kColumnsNullable,
  kColumnsRemarks,
  kColumnsColumnDef,
  kColumnsSqlDataType,
  kColumnsSqlDatetimeSub,
  kColumnsCharOctetLength,
  kColumnsOrdinalPosition,
  kColumnsIsNullable,
  kColumnsAutoIncrement,
  kColumnsCaseSensitive,
  kColumnsSearchable,
  kColumnsWritable,
  kColumnsDefinitelyWritable,
  kColumnsReadOnly,
};

// Column positions of the table metadata (answer of get tables).
enum TZTablesColumn : std::size_t {
  kTablesTableCat = 1,
  kTablesTableSchem,
  kTablesTableName,
  kTablesTableType,
  kTablesRemarks,
};

// Empty result sets with the column names of the two answers.
TZVirtualResultSet MakeColumnsResultSet();
TZVirtualResultSet MakeTablesResultSet();

// Decides how names are written into statements. A name needs quoting when
// it is not empty and begins with a digit, holds any byte other than an ASCII
// letter, a digit or "_", or is (in lower case) one of the server's reserved
// words.
class TZDefaultIdentifierConvertor {
 public:
  static bool IsQuoteNeeded(std::string_view name);
  // The name between backquotes when it needs quoting, otherwise unchanged.
  // A backquote inside the name is not doubled.
  static std::string Quote(std::string_view name);
  // A name that begins with a backquote loses its first and last byte; any
  // other name is returned unchanged. Letter case is never changed.
  static std::string ExtractQuote(std::string_view name);
};

}  // namespace zararod

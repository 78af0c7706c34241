// Description of one result column, and the hook through which the column
// kinds of a result are corrected from the declared types of its tables.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/sql_types.h"

namespace zararod {

// One result column (positions from 1 in the owning list's order + 1).
// The MySQL result set fills it from the client library's field description;
// the column-kind correction may then change any item; the caching result set
// copies it with a unique label.
struct TZColumnInfo {
  // MySQL result set: the field name exactly as the client library reports
  // it. Caching result set: made unique ("a", "a_1", …; "Column" for empty).
  std::string ColumnLabel;
  // Filled by the correction when it traces the column to a table column.
  std::string CatalogName;
  std::string SchemaName;
  std::string TableName;  // from the field description until corrected
  std::string ColumnName;
  TZSQLType ColumnType = stUnknown;
  int ColumnDisplaySize = 0;  // field length
  int Precision = 0;          // max(field max_length, field length)
  int Scale = 0;              // field decimals
  bool AutoIncrement = false;
  bool Signed = true;
  TZColumnNullableType Nullable = ntNullable;
  bool ReadOnly = true;
  bool Writable = false;
  bool DefinitelyWritable = false;
  bool Searchable = false;
  bool CaseSensitive = false;
  std::optional<std::string> DefaultValue;
  // The declared type name of the traced table column (TYPE_NAME of the
  // column metadata: "int", "decimal", "enum", ...); filled by the correction
  // when it traces the column, empty otherwise. Read by the query's field
  // definitions.
  std::string DeclaredTypeName;
};

using TZColumnInfos = std::vector<TZColumnInfo>;

// The column-kind correction of a live connection.
//
// Where it plugs in: TZMySQLConnection owns at most one corrector for its
// whole life (SetColumnKindCorrector). Every TZMySQLResultSet made on that
// live connection calls CorrectColumns exactly once, at the end of its
// opening (that is, inside execute query, after mysql_store_result and the
// field descriptions, before the caching result set copies the kinds and
// before any reader runs). No kind is read before the call.
//
// `sql` is the statement text exactly as sent; `columns` are the result's
// descriptions, changed in place. The corrector may run statements of its own
// on the same live connection: the result being corrected has already been
// received whole, except with "useresult", where the server is still sending
// it and any such statement fails ("Commands out of sync"). An exception the
// corrector throws fails the execute query.
class IZColumnKindCorrector {
 public:
  virtual ~IZColumnKindCorrector() = default;
  virtual void CorrectColumns(std::string_view sql, TZColumnInfos& columns) = 0;
};

}  // namespace zararod

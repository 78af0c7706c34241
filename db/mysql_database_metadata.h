// TZMySQLDatabaseMetadata: the table and column metadata of one live
// connection, read from the server with SHOW TABLES and SHOW COLUMNS.
//
// It is created empty together with its live connection and discarded with
// it. Its answers are cached for that whole life, keyed by the exact texts
// of the arguments ("get-columns:C:P:T:Q", "get-tables:C:P:T:"), so each
// table is looked up on the server once per live connection; a table created,
// altered or dropped later keeps its old answer until the next connect.
// A cache hit returns an independent copy positioned before its first row.
//
// The SHOW statements run on plain statements of the live connection.
// Errors: a failing SHOW statement raises EZSQLException ("SQL Error: …")
// and nothing is cached for that call; a declared type that is not known
// raises Exception "Unknown MySQL data type!" and the columns of that table
// are not cached. Used by one thread only.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "db/database_metadata.h"
#include "db/sql_types.h"

namespace zararod {

class TZMySQLConnection;

// The column kind of a declared column type, the "Type" text of SHOW COLUMNS
// (for example "int(10) unsigned", "enum('Y','N')", "decimal(10,2)").
// ENUM('Y','N') and ENUM('N','Y') (any letter case) are truth values.
// Throws Exception "Unknown MySQL data type!" for a type it does not know.
TZSQLType ConvertMySQLTypeToSQLType(std::string_view declaredType);

// The type name of a declared type: the text before its first "(", lower-cased.
std::string MySQLTypeName(std::string_view declaredType);

// COLUMN_SIZE and DECIMAL_DIGITS of a declared type. Informational only.
struct TZMySQLColumnSize {
  std::int64_t ColumnSize = 0;
  std::int64_t DecimalDigits = 0;
};
TZMySQLColumnSize MySQLColumnSize(std::string_view declaredType);

// COLUMN_DEF from the "Default" value of SHOW COLUMNS (nullopt for NULL), the
// declared type and its kind; nullopt when the column has no default.
std::optional<std::string> MySQLColumnDefault(const std::optional<std::string>& defaultValue,
                                              std::string_view declaredType, TZSQLType kind);

class TZMySQLDatabaseMetadata {
 public:
  // REQUIRES: `connection` outlives this object (it owns it).
  explicit TZMySQLDatabaseMetadata(TZMySQLConnection& connection);
  TZMySQLDatabaseMetadata(const TZMySQLDatabaseMetadata&) = delete;
  TZMySQLDatabaseMetadata& operator=(const TZMySQLDatabaseMetadata&) = delete;

  // One row per column of every table that matches `tableNamePattern` (a LIKE
  // pattern: "_" and "%" are wildcards) in the database `catalog`, else
  // `schemaPattern`, else the live connection's database; columns as
  // TZColumnsColumn. An empty `columnNamePattern` means "%".
  // Sends "SHOW COLUMNS FROM D.N LIKE 'Q'" per table on a cache miss.
  TZVirtualResultSet GetColumns(const std::string& catalog, const std::string& schemaPattern,
                                const std::string& tableNamePattern,
                                const std::string& columnNamePattern);
  // The same answer without a copy: the cached result set itself, valid while
  // this object lives. Read it by position (ValueAt); its cursor never moves.
  const TZVirtualResultSet& GetColumnsCached(const std::string& catalog,
                                             const std::string& schemaPattern,
                                             const std::string& tableNamePattern,
                                             const std::string& columnNamePattern);

  // One row per table matching `tableNamePattern` (empty means "%"); columns
  // as TZTablesColumn. Sends "SHOW TABLES FROM D LIKE 'T'" on a cache miss;
  // when that lists nothing, probes "SHOW COLUMNS FROM D.T" with errors
  // silenced, which finds a table SHOW TABLES does not list (a temporary
  // table); a failing probe leaves the answer empty.
  TZVirtualResultSet GetTables(const std::string& catalog, const std::string& schemaPattern,
                               const std::string& tableNamePattern);

  const TZDefaultIdentifierConvertor& GetIdentifierConvertor() const { return convertor_; }

 private:
  std::string databaseFor(const std::string& catalog, const std::string& schemaPattern) const;

  TZMySQLConnection& connection_;
  TZDefaultIdentifierConvertor convertor_;
  std::map<std::string, TZVirtualResultSet, std::less<>> columnsCache_;
  std::map<std::string, TZVirtualResultSet, std::less<>> tablesCache_;
};

}  // namespace zararod

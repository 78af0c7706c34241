// The column-kind correction: traces the columns of a SELECT result back to
// the columns of the tables it reads and gives each traced column the kind of
// its declared type (so ENUM('Y','N') becomes a truth value, VARBINARY a byte
// string, BIGINT UNSIGNED a 64-bit integer), with the table's catalog, table
// and column names and its nullable / writable / default marks.
//
// TZColumnKindCorrection corrects the column descriptions of one result set,
// at most once. It owns that result set's table cache (the columns of each
// table it has looked up) and reads the tables through the live connection's
// TZMySQLDatabaseMetadata, whose caches make a second correction of the same
// text (the caching result set's) send nothing to the server.
//
// TZMySQLColumnKindCorrector is what a live connection owns: it holds the
// connection's metadata object and corrects every result made on that
// connection (see IZColumnKindCorrector in db/column_info.h for when).
//
// Errors: whatever the metadata raises (EZSQLException of a failing SHOW
// statement, Exception "Unknown MySQL data type!") passes through; the
// descriptions are then left partly corrected and the result must not be
// used (the execute query fails).
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "db/column_info.h"
#include "db/database_metadata.h"
#include "db/mysql_database_metadata.h"
#include "db/select_schema.h"
#include "db/statement_analyser.h"
#include "db/tokenizer.h"

namespace zararod {

class TZMySQLConnection;

class TZColumnKindCorrection {
 public:
  // REQUIRES: the three outlive this object.
  TZColumnKindCorrection(TZMySQLDatabaseMetadata& metadata, const IZTokenizer& tokenizer,
                         const TZGenericStatementAnalyser& analyser);

  // Corrects `columns` (the descriptions of a result of `sql`) in place; does
  // nothing when already corrected. A text that is not a SELECT with a FROM
  // section leaves every description as it is.
  void CorrectColumns(std::string_view sql, TZColumnInfos& columns);
  bool IsCorrected() const { return corrected_; }

  // Linking and star expansion of an analysed schema: strips the backquotes
  // from every name, points each field reference at the table it names,
  // turns an unqualified "*" into one "*" per table, then replaces each "*"
  // of a known table by that table's columns.
  void LinkReferences(TZSelectSchema& schema);

  // The columns of a table reference (from this result set's table cache, or
  // else from get columns), positioned before the first row; only rows of
  // the table itself are kept. Valid while this object lives.
  TZVirtualResultSet& TableColumns(const TZTableRef& table);

 private:
  TZFieldRef* findFieldRef(TZSelectSchema& schema, const std::string& label, std::size_t position,
                           bool byPosition) const;
  bool lookup(const std::string& name, const TZTableRef& table, TZColumnInfo& column);

  TZMySQLDatabaseMetadata& metadata_;
  const IZTokenizer& tokenizer_;
  const TZGenericStatementAnalyser& analyser_;
  std::map<std::string, TZVirtualResultSet, std::less<>> tableColumns_;
  bool corrected_ = false;
};

class TZMySQLColumnKindCorrector : public IZColumnKindCorrector {
 public:
  // REQUIRES: `connection` outlives this object (it owns it).
  explicit TZMySQLColumnKindCorrector(TZMySQLConnection& connection);

  // Runs one TZColumnKindCorrection with the MySQL analyser and tokenizer.
  void CorrectColumns(std::string_view sql, TZColumnInfos& columns) override;

  TZMySQLDatabaseMetadata& GetMetadata() { return metadata_; }

 private:
  TZMySQLDatabaseMetadata metadata_;
};

}  // namespace zararod

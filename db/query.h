// TZQuery: one SQL statement run on the live connection of a TZConnection.
//
// A query either presents the rows of its result one at a time through typed
// fields (Open, First, Next, Eof, FieldByName), or executes its statement as
// one that returns no rows (ExecSQL). The whole result is received by the
// client library when the query opens; rows are copied into the query as the
// cursor first moves onto them.
//
//   TZQuery q("ZQuery1");
//   q.SetConnection(&connection);
//   q.SQL().Clear();
//   q.SQL().Add("select * from vaznil_00;");
//   q.Open();
//   for (q.First(); !q.Eof(); q.Next())
//     use(q.FieldByName("cislodokla").AsString());
//
// Ownership: the query owns its SQL text, parameters, fields, and, while open,
// its prepared statement and result set. The connection is only referenced;
// the query registers with it so that disconnecting closes the query, and
// unregisters when destroyed or re-attached. REQUIRES: the connection outlives
// the query or is re-set first.
//
// Errors (all derive from zararod::Exception):
//   EZDatabaseError "SQL Query is empty", "Cannot execute more then one query",
//     "Database connection component is not assigned";
//   EZSQLException "SQL Error: <server text>" (code = server error number)
//     when the server rejects the statement or the connect fails, and
//     "Can not open a Resultset" when Open runs a statement without rows;
//   EDatabaseError "<Name>: Cannot perform this operation on a closed dataset"
//     (RecordCount, First or Next when closed), "<Name>: Field '<name>' not
//     found".
// A failed Open leaves the query closed with its text and parameters unchanged.
//
// Threads: any thread may use it, one thread at a time, as its connection
// (db/connection.h).
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"
#include "db/field.h"
#include "db/result_set.h"
#include "db/sql_strings.h"
#include "db/statement.h"

namespace zararod {

enum TZDataSetOption { doOemTranslate, doCalcDefaults, doAlwaysDetailResync, doSmartOpen };
using TZDataSetOptions = std::set<TZDataSetOption>;

class TZQuery : private TFieldValueSource, private IZConnectionClient {
 public:
  explicit TZQuery(std::string name = "");
  ~TZQuery() override;
  TZQuery(const TZQuery&) = delete;
  TZQuery& operator=(const TZQuery&) = delete;

  // The component name that prefixes the errors naming this query.
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  TZConnection* Connection() const { return connection_; }
  // Closes the query and registers it with the new connection (nullptr
  // detaches it).
  void SetConnection(TZConnection* connection);

  // The statement text. Every change of it closes an open query (or drops
  // the kept statement of a closed one), drops the field definitions and
  // rebuilds Params.
  TZSQLStrings& SQL() { return *sql_; }
  const TZSQLStrings& SQL() const { return *sql_; }

  bool ParamCheck() const { return paramCheck_; }
  void SetParamCheck(bool value);
  TParams& Params() { return params_; }
  const TParams& Params() const { return params_; }

  // Extra statement properties (name=value lines) handed to the statement.
  std::vector<std::string>& Properties() { return properties_; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }
  // Rows fetched by RecordCount; 0 means all.
  int FetchRow() const { return fetchRow_; }
  void SetFetchRow(int value) { fetchRow_ = value; }
  const TZDataSetOptions& Options() const { return options_; }
  void SetOptions(TZDataSetOptions options) { options_ = std::move(options); }

  bool Active() const { return active_; }
  void SetActive(bool value) { value ? Open() : Close(); }

  // Runs the statement and positions on the first row; nothing when open.
  // Connects a disconnected connection with its current settings first.
  void Open();
  // Releases result set and statement, drops the fields; nothing when closed.
  void Close();
  // Runs the statement as one without rows (the query must end closed: an
  // open query is closed first) and keeps the affected-row count. Keeps the
  // prepared statement for the next ExecSQL of the same text while its live
  // connection stays open. Also the way to run START TRANSACTION, COMMIT and
  // ROLLBACK on the connection.
  void ExecSQL();
  // The count set by the last ExecSQL (rows deleted by a DELETE, ...).
  std::int64_t RowsAffected() const { return rowsAffected_; }

  void First();
  void Next();
  // At-end flag: true right after Open of an empty result, after Next past
  // the last row, and when closed.
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  // 1-based number of the current row; 0 before the first / when closed.
  int RecNo() const { return currentRow_; }
  // Fetches FetchRow rows (all with 0) and returns how many are fetched;
  // the cursor does not move.
  int RecordCount();

  // The field definitions of the open result (kept after Close until the
  // text changes or the next Open).
  const TFieldDefs& FieldDefs() const { return fieldDefs_; }
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  // REQUIRES: 0 <= i < FieldCount().
  TField& Fields(int i) { return *fields_[static_cast<std::size_t>(i)]; }
  // The first field whose name equals `name` without regard to letter case;
  // nullptr / EDatabaseError "<Name>: Field '<name>' not found" when none.
  TField* FindField(std::string_view name);
  TField& FieldByName(std::string_view name);

 private:
  const TFieldValue* CurrentFieldValue(int fieldIndex) const override;
  // Disconnect releases the live connection, so a statement kept after
  // ExecSQL is dropped together with the query's rows.
  void CloseAtDisconnect() override;
  void sqlChanged();
  void checkStatementCount() const;
  TZMySQLConnection& connectedLive();
  void prepareStatement(TZMySQLConnection& live);
  void dropStatement();
  void buildFields();
  bool fetchRow();
  void checkActive() const;
  [[noreturn]] void errorNamingThis(const std::string& message) const;

  std::string name_;
  TZConnection* connection_ = nullptr;
  std::unique_ptr<TZSQLStrings> sql_;
  bool paramCheck_ = true;
  TParams params_;
  std::vector<std::string> properties_;
  bool readOnly_ = false;
  int fetchRow_ = 0;
  TZDataSetOptions options_{doCalcDefaults};

  // The prepared statement for the current text and the live connection it
  // was made on (kept after ExecSQL for the next ExecSQL).
  std::unique_ptr<IZPreparedStatement> statement_;
  const TZMySQLConnection* statementLive_ = nullptr;
  std::unique_ptr<IZResultSet> resultSet_;

  bool active_ = false;
  bool eof_ = true;
  bool bof_ = true;
  int currentRow_ = 0;  // 1-based index into rows_; 0 = before the first row
  std::int64_t rowsAffected_ = 0;
  TFieldDefs fieldDefs_;
  std::vector<std::unique_ptr<TField>> fields_;
  std::vector<std::vector<TFieldValue>> rows_;  // fetched rows, in order
};

}  // namespace zararod

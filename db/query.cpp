#include "db/query.h"

#include "db/cached_result_set.h"
#include "db/db_exceptions.h"
#include "db/mysql_connection.h"
#include "db/param_binding.h"

namespace zararod {

TZQuery::TZQuery(std::string name) : name_(std::move(name)), sql_(std::make_unique<TZSQLStrings>()) {
  sql_->SetMultiStatements(false);
  sql_->SetParamCheck(paramCheck_);
  sql_->SetOnChange([this](TZSQLStrings&) { sqlChanged(); });
}

TZQuery::~TZQuery() {
  Close();
  dropStatement();
  if (connection_) connection_->UnregisterClient(*this);
}

void TZQuery::SetConnection(TZConnection* connection) {
  if (connection == connection_) return;
  Close();
  dropStatement();
  if (connection_) connection_->UnregisterClient(*this);
  connection_ = connection;
  if (connection_) {
    connection_->RegisterClient(*this);
    sql_->SetTokenizer(&connection_->GetTokenizer());
  } else {
    sql_->SetTokenizer(nullptr);
  }
}

void TZQuery::SetParamCheck(bool value) {
  if (value == paramCheck_) return;
  paramCheck_ = value;
  sql_->SetParamCheck(value);  // rescans without running the change hook
  sqlChanged();
}

void TZQuery::sqlChanged() {
  fieldDefs_.Clear();
  if (active_)
    Close();
  else
    dropStatement();
  params_.Rebuild(sql_->ParamNameList());
}

void TZQuery::CloseAtDisconnect() {
  Close();
  dropStatement();
}

void TZQuery::errorNamingThis(const std::string& message) const {
  throw EDatabaseError(name_.empty() ? message : name_ + ": " + message);
}

void TZQuery::checkStatementCount() const {
  if (sql_->StatementCount() == 0) throw EZDatabaseError("SQL Query is empty");
  if (sql_->StatementCount() > 1) throw EZDatabaseError("Cannot execute more then one query");
}

TZMySQLConnection& TZQuery::connectedLive() {
  if (connection_ == nullptr) throw EZDatabaseError(kNoConnectionMessage);
  connection_->Connect();
  TZMySQLConnection* live = connection_->LiveConnection();
  if (live == nullptr) throw EZDatabaseError(kNoConnectionMessage);
  return *live;
}

void TZQuery::prepareStatement(TZMySQLConnection& live) {
  const std::string& text = sql_->Statements(0).Text();
  // A kept statement is reused only for the text it was made for (a change
  // whose rescan failed leaves the statement in place) and only on the live
  // connection that made it.
  if (statement_ && statementLive_ == &live && !live.IsClosed() && statement_->GetSQL() == text) {
    statement_->ClearParameters();
  } else {
    dropStatement();
    TZProperties properties = properties_;
    properties.push_back("update=changed");
    properties.push_back("where=keyonly");
    properties.push_back(options_.count(doCalcDefaults) ? "defaults=true" : "defaults=false");
    statement_ = live.PrepareStatement(text, properties);
    statementLive_ = &live;
  }
  BindParams(*statement_, sql_->Statements(0), params_);
}

void TZQuery::dropStatement() {
  if (statement_) statement_->Close();
  statement_.reset();
  statementLive_ = nullptr;
}

void TZQuery::Open() {
  if (active_) return;
  checkStatementCount();
  TZMySQLConnection& live = connectedLive();
  rows_.clear();
  currentRow_ = 0;
  try {
    prepareStatement(live);
    // The query keeps every fetched row itself, so it reads the client
    // library's result directly, forward only: that also leaves the server's
    // own text of every value readable (TField::AsServerText).
    statement_->SetResultSetConcurrency(rcReadOnly);
    statement_->SetResultSetType(rtForwardOnly);
    statement_->SetMaxRows(0);
    resultSet_ = statement_->ExecuteQueryPrepared();
    if (!resultSet_) {
      if (options_.count(doSmartOpen)) return;
      throw Exception("Can not open a Resultset");
    }
    buildFields();
    active_ = true;
    bof_ = true;
    eof_ = !fetchRow();
    currentRow_ = eof_ ? 0 : 1;
  } catch (...) {
    active_ = true;  // so that Close releases everything
    Close();
    throw;
  }
}

void TZQuery::buildFields() {
  fieldDefs_.Clear();
  fields_.clear();
  // The labels as a caching result set would hand them on; the definitions
  // then make them unique without regard to letter case.
  TZColumnInfos columns = resultSet_->GetColumnsInfo();
  MakeLabelsUnique(columns);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const TZColumnInfo& column = columns[i];
    TFieldDef def;
    def.Name = column.ColumnLabel;
    def.DataType = FieldTypeOfSQLType(column.ColumnType);
    def.Precision = column.Precision;
    def.Size = def.DataType == ftString || def.DataType == ftBytes || def.DataType == ftWideString
                   ? column.Precision
                   : 0;
    def.FieldNo = static_cast<int>(i) + 1;
    def.Required = column.Nullable == ntNoNulls;
    def.ReadOnly = column.ReadOnly;
    def.DeclaredTypeName = column.DeclaredTypeName;
    def.ColumnKind = column.ColumnType;
    def.Scale = column.Scale;
    const TFieldDef& added = fieldDefs_.Add(std::move(def));
    const TFieldValueSource& source = *this;
    fields_.push_back(std::make_unique<TField>(source, static_cast<int>(i), added));
  }
}

bool TZQuery::fetchRow() {
  IZResultSet& rs = *resultSet_;
  if (!rs.Next()) return false;
  std::vector<TFieldValue> row(fields_.size());
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const int column = static_cast<int>(i) + 1;
    TFieldValue& value = row[i];
    switch (fields_[i]->DataType()) {
      case ftBoolean: value.Value = rs.GetBoolean(column); break;
      case ftSmallint: value.Value = static_cast<std::int32_t>(rs.GetShort(column)); break;
      case ftInteger: value.Value = rs.GetInt(column); break;
      case ftLargeint: value.Value = rs.GetLong(column); break;
      case ftFloat: value.Value = rs.GetDouble(column); break;
      case ftString:
      case ftWideString: value.Value = rs.GetString(column); break;
      case ftBytes: value.Value = rs.GetBytes(column); break;
      case ftDate: value.Value = rs.GetDate(column); break;
      case ftTime: value.Value = rs.GetTime(column); break;
      case ftDateTime: value.Value = rs.GetTimestamp(column); break;
      case ftMemo:
      case ftBlob: value.Value = rs.GetBlob(column); break;
      // No value is kept for the other kinds, but the read sets the null
      // mark of this column for the line below.
      default: rs.GetStringWithLength(column); break;
    }
    // The null mark of the typed read: a zero date reads as null although
    // its text below is not.
    value.IsNull = rs.WasNull();
    if (value.IsNull) value.Value = std::monostate{};
    std::string text = rs.GetStringWithLength(column);
    if (!rs.WasNull()) value.ServerText = std::move(text);
  }
  rows_.push_back(std::move(row));
  return true;
}

void TZQuery::Close() {
  if (!active_) return;
  active_ = false;
  if (resultSet_) resultSet_->Close();
  resultSet_.reset();
  dropStatement();
  fields_.clear();
  rows_.clear();
  currentRow_ = 0;
  eof_ = true;
  bof_ = true;
}

void TZQuery::ExecSQL() {
  TZMySQLConnection& live = connectedLive();
  Close();
  checkStatementCount();
  try {
    prepareStatement(live);
    rowsAffected_ = statement_->ExecuteUpdatePrepared();
  } catch (...) {
    dropStatement();
    throw;
  }
}

void TZQuery::checkActive() const {
  if (!active_) errorNamingThis("Cannot perform this operation on a closed dataset");
}

void TZQuery::First() {
  checkActive();
  currentRow_ = rows_.empty() ? 0 : 1;
  bof_ = true;
  eof_ = rows_.empty();
}

void TZQuery::Next() {
  checkActive();
  if (eof_) return;
  if (currentRow_ == static_cast<int>(rows_.size()) && !fetchRow()) {
    eof_ = true;
    return;
  }
  ++currentRow_;
  bof_ = false;
}

int TZQuery::RecordCount() {
  checkActive();
  while ((fetchRow_ == 0 || static_cast<int>(rows_.size()) < fetchRow_) && fetchRow()) {
  }
  return static_cast<int>(rows_.size());
}

const TFieldValue* TZQuery::CurrentFieldValue(int fieldIndex) const {
  if (!active_ || currentRow_ == 0) return nullptr;
  return &rows_[static_cast<std::size_t>(currentRow_ - 1)][static_cast<std::size_t>(fieldIndex)];
}

TField* TZQuery::FindField(std::string_view name) {
  const int index = fieldDefs_.IndexOf(name);
  // Field names are unique without regard to letter case, so the first
  // matching definition is the first matching field.
  if (index < 0 || index >= static_cast<int>(fields_.size())) return nullptr;
  return fields_[static_cast<std::size_t>(index)].get();
}

TField& TZQuery::FieldByName(std::string_view name) {
  if (TField* field = FindField(name)) return *field;
  errorNamingThis("Field '" + std::string(name) + "' not found");
}

}  // namespace zararod

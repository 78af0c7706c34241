#include "db/sql_processor.h"

#include "db/connection.h"
#include "db/db_exceptions.h"
#include "db/mysql_connection.h"
#include "db/param_binding.h"
#include "db/sql_strings.h"

namespace zararod {

namespace {

// The exception a failed statement ends the run with.
EZSQLException runFailure(const std::exception& e) {
  if (const auto* sql = dynamic_cast<const EZSQLException*>(&e))
    return EZSQLException(sql->Message(), sql->ErrorCode());
  return EZSQLException(e.what(), -1);
}

}  // namespace

TZSQLProcessor::TZSQLProcessor()
    : script_(std::make_unique<TZSQLStrings>()), parser_(std::make_unique<TZSQLScriptParser>()) {
  script_->SetMultiStatements(true);
  script_->SetParamCheck(paramCheck_);
  script_->SetOnChange([this](TZSQLStrings&) { scriptChanged(); });
  parser_->SetCleanupStatements(false);
}

TZSQLProcessor::~TZSQLProcessor() = default;

void TZSQLProcessor::scriptChanged() {
  // Appending a line to a long script must stay cheap: the names rarely
  // change, so the list is only rebuilt when they do.
  const std::vector<std::string>& names = script_->ParamNameList();
  bool same = params_.Count() == static_cast<int>(names.size());
  for (int i = 0; same && i < params_.Count(); ++i)
    same = params_.Items(i).Name() == names[static_cast<std::size_t>(i)];
  if (!same) params_.Rebuild(names);
}

void TZSQLProcessor::SetScript(const TZSQLStrings& lines) {
  script_->Assign(lines);
  parser_->Clear();
}

void TZSQLProcessor::SetParamCheck(bool value) {
  if (value == paramCheck_) return;
  paramCheck_ = value;
  script_->SetParamCheck(value);
  params_.Rebuild(script_->ParamNameList());
}

void TZSQLProcessor::SetConnection(TZConnection* connection) {
  if (connection == connection_) return;
  connection_ = connection;
  script_->SetTokenizer(connection_ ? &connection_->GetTokenizer() : nullptr);
  parser_->Clear();
}

void TZSQLProcessor::SetDelimiterType(TZDelimiterType value) {
  if (value == parser_->DelimiterType()) return;
  parser_->SetDelimiterType(value);
  parser_->Clear();
}

void TZSQLProcessor::SetDelimiter(const std::string& value) {
  if (value == parser_->Delimiter()) return;
  parser_->SetDelimiter(value);
  parser_->Clear();
}

void TZSQLProcessor::SetCleanupStatements(bool value) {
  if (value == parser_->CleanupStatements()) return;
  parser_->SetCleanupStatements(value);
  parser_->Clear();
}

int TZSQLProcessor::StatementCount() const {
  return parser_->StatementCount() + (parser_->UncompletedStatement().empty() ? 0 : 1);
}

const std::string& TZSQLProcessor::Statements(int i) const {
  return i < parser_->StatementCount() ? parser_->Statements(i) : parser_->UncompletedStatement();
}

void TZSQLProcessor::Parse() {
  if (connection_ == nullptr) throw EZDatabaseError(kNoConnectionMessage);
  connection_->Connect();
  parser_->SetTokenizer(&connection_->GetTokenizer());
  parser_->Clear();
  parser_->ParseText(script_->Text());
}

void TZSQLProcessor::runStatement(int index, TZSQLStrings& statementText) {
  statementText.SetText(Statements(index));
  // A statement of nothing but comments that holds a ":" leaves no text after
  // the rescan: there is nothing to run.
  if (statementText.StatementCount() == 0) return;
  const TZSQLStatement& sql = statementText.Statements(0);
  connection_->Connect();  // nothing unless an event handler disconnected it
  TZMySQLConnection* live = connection_->LiveConnection();
  if (live == nullptr) throw EZDatabaseError(kNoConnectionMessage);
  std::unique_ptr<IZPreparedStatement> statement = live->PrepareStatement(sql.Text(), {});
  BindParams(*statement, sql, params_);
  statement->ExecuteUpdatePrepared();
  statement->Close();
}

void TZSQLProcessor::Execute() {
  if (connection_ == nullptr) throw EZDatabaseError(kNoConnectionMessage);
  // The statements are prepared one at a time from a private text, so that
  // markers are found per statement exactly as in a query.
  TZSQLStrings statementText;
  statementText.SetParamCheck(paramCheck_);
  statementText.SetMultiStatements(false);
  statementText.SetTokenizer(&connection_->GetTokenizer());
  Parse();
  for (int i = 0; i < StatementCount(); ++i) {
    if (BeforeExecute) BeforeExecute(*this, i);
    for (;;) {
      TZErrorHandleAction action = eaFail;
      try {
        runStatement(i, statementText);
        break;
      } catch (const std::exception& e) {
        if (OnError) OnError(*this, i, e, action);
        if (action == eaFail) throw runFailure(e);
        if (action == eaAbort) return;
        if (action == eaSkip) break;
        // eaRetry: attempt the statement again from its text.
      }
    }
    if (AfterExecute) AfterExecute(*this, i);
  }
}

}  // namespace zararod

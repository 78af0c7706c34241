#include "db/sql_processor.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "db/connection.h"
#include "db/db_exceptions.h"
#include "db/denied_statement.h"
#include "db/mysql_connection.h"
#include "db/param_binding.h"
#include "db/sql_strings.h"
#include "util/strings.h"

namespace zararod {

namespace {

// The exception a failed statement ends the run with.
EZSQLException runFailure(const std::exception& e) {
  if (const auto* sql = dynamic_cast<const EZSQLException*>(&e))
    return EZSQLException(sql->Message(), sql->ErrorCode());
  return EZSQLException(e.what(), -1);
}

// The live connection to run on; connects again unless an event handler
// disconnected it.
TZMySQLConnection& liveConnection(TZConnection& connection) {
  connection.Connect();
  TZMySQLConnection* live = connection.LiveConnection();
  if (live == nullptr) throw EZDatabaseError(kNoConnectionMessage);
  return *live;
}

// Whether a statement text must go on its own in a batched run: one that
// starts with a comment may be no statement to the server, and a CALL
// returns results of its own besides its status.
bool standsAlone(const std::string& text) {
  const std::size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string::npos) return true;
  const std::string_view head = std::string_view(text).substr(start);
  if (head.starts_with("#") || head.starts_with("--")) return true;
  if (head.starts_with("/*") && !head.starts_with("/*!")) return true;
  return head.size() >= 5 && sameText(head.substr(0, 4), "CALL") &&
         static_cast<unsigned char>(head[4]) <= ' ';
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
  ClearStatements();
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
  ClearStatements();
}

void TZSQLProcessor::SetDelimiterType(TZDelimiterType value) {
  if (value == parser_->DelimiterType()) return;
  parser_->SetDelimiterType(value);
  ClearStatements();
}

void TZSQLProcessor::SetDelimiter(const std::string& value) {
  if (value == parser_->Delimiter()) return;
  parser_->SetDelimiter(value);
  ClearStatements();
}

void TZSQLProcessor::SetCleanupStatements(bool value) {
  if (value == parser_->CleanupStatements()) return;
  parser_->SetCleanupStatements(value);
  ClearStatements();
}

int TZSQLProcessor::StatementCount() const {
  if (!given_.empty()) return static_cast<int>(given_.size());
  return parser_->StatementCount() + (parser_->UncompletedStatement().empty() ? 0 : 1);
}

const std::string& TZSQLProcessor::Statements(int i) const {
  if (!given_.empty()) return given_[static_cast<std::size_t>(i)];
  return i < parser_->StatementCount() ? parser_->Statements(i) : parser_->UncompletedStatement();
}

void TZSQLProcessor::ClearStatements() {
  parser_->Clear();
  given_ = {};
}

void TZSQLProcessor::Parse() {
  if (connection_ == nullptr) throw EZDatabaseError(kNoConnectionMessage);
  connection_->Connect();
  parser_->SetTokenizer(&connection_->GetTokenizer());
  ClearStatements();
  parser_->ParseText(script_->Text());
}

std::unique_ptr<IZPreparedStatement> TZSQLProcessor::prepare(int index,
                                                             TZSQLStrings& statementText) {
  statementText.SetText(Statements(index));
  // A statement of nothing but comments that holds a ":" leaves no text after
  // the rescan: there is nothing to run.
  if (statementText.StatementCount() == 0) return nullptr;
  const TZSQLStatement& sql = statementText.Statements(0);
  std::unique_ptr<IZPreparedStatement> statement =
      liveConnection(*connection_).PrepareStatement(sql.Text(), {});
  BindParams(*statement, sql, params_);
  return statement;
}

void TZSQLProcessor::runStatement(int index, TZSQLStrings& statementText) {
  std::unique_ptr<IZPreparedStatement> statement = prepare(index, statementText);
  if (!statement) return;
  statement->ExecuteUpdatePrepared();
  statement->Close();
}

std::string TZSQLProcessor::preparedText(int index, TZSQLStrings& statementText) {
  std::unique_ptr<IZPreparedStatement> statement = prepare(index, statementText);
  return statement ? statement->PreparedSQL() : std::string();
}

TZErrorHandleAction TZSQLProcessor::failedAttempt(int index, const std::exception& e) {
  TZErrorHandleAction action = eaFail;
  if (OnError) OnError(*this, index, e, action);
  if (action == eaFail) throw runFailure(e);
  return action;
}

void TZSQLProcessor::executeOneByOne(TZSQLStrings& statementText) {
  for (int i = 0; i < StatementCount(); ++i) {
    if (BeforeExecute) BeforeExecute(*this, i);
    for (;;) {
      try {
        runStatement(i, statementText);
        break;
      } catch (const std::exception& e) {
        const TZErrorHandleAction action = failedAttempt(i, e);
        if (action == eaAbort) return;
        if (action == eaSkip) break;
        // eaRetry: attempt the statement again from its text.
      }
    }
    if (AfterExecute) AfterExecute(*this, i);
  }
}

bool TZSQLProcessor::recover(int index, const std::exception& e, int& next) {
  const TZErrorHandleAction action = failedAttempt(index, e);
  if (action == eaAbort) return false;
  next = index;  // eaRetry: the statement again
  if (action == eaSkip) {
    if (AfterExecute) AfterExecute(*this, index);
    next = index + 1;
  }
  return true;
}

void TZSQLProcessor::fillBatch(BatchCursor& cursor, std::size_t maxBytes,
                               TZSQLStrings& statementText, Batch& batch) {
  const int count = StatementCount();
  while (cursor.next < count && static_cast<int>(batch.members.size()) < batchSize_) {
    std::string text;
    try {
      if (BeforeExecute && cursor.next >= cursor.announced) BeforeExecute(*this, cursor.next);
      cursor.announced = std::max(cursor.announced, cursor.next + 1);
      text = preparedText(cursor.next, statementText);
    } catch (const std::exception&) {
      // The batch so far goes first; the statement is attempted again at the
      // start of the next one, where its failure is its own.
      if (!batch.members.empty()) return;
      throw;
    }
    if (text.empty()) {  // nothing to send: done
      if (!batch.members.empty()) return;
      if (AfterExecute) AfterExecute(*this, cursor.next);
      ++cursor.next;
      continue;
    }
    const bool alone = standsAlone(text);
    if (!batch.members.empty() && (alone || batch.text.size() + 1 + text.size() > maxBytes)) {
      return;
    }
    if (!batch.members.empty()) batch.text += ';';
    batch.text += text;
    batch.members.push_back(cursor.next++);
    if (alone) return;
  }
}

void TZSQLProcessor::executeBatched(TZSQLStrings& statementText) {
  const int count = StatementCount();
  if (count == 0) return;  // nothing to send, nothing to ask the server
  // Room for the packet header and the server's own bookkeeping.
  constexpr std::size_t kPacketMargin = 1024;
  const std::size_t maxBytes =
      std::max<std::size_t>(liveConnection(*connection_).MaxAllowedPacket(), 2 * kPacketMargin) -
      kPacketMargin;
  // Multi-statements stay on only for this run, however it ends, unless the
  // processor keeps them on for the session.
  struct MultiStatementsOff {
    TZConnection& connection;
    bool keep;
    ~MultiStatementsOff() {
      if (keep) return;
      try {
        if (TZMySQLConnection* l = connection.LiveConnection()) l->SetMultiStatements(false);
      } catch (...) {
        // The connection died: its session and the option went with it.
      }
    }
  } off{*connection_, keepMultiStatements_};

  BatchCursor cursor;
  while (cursor.next < count) {
    Batch batch;
    try {
      fillBatch(cursor, maxBytes, statementText, batch);
    } catch (const std::exception& e) {  // the batch's first statement failed before sending
      if (!recover(cursor.next, e, cursor.next)) return;
      continue;
    }
    if (batch.members.empty()) continue;

    // A handler may have disconnected: the next connect is a new session,
    // which takes multi-statement text only once they are switched on.
    TZMySQLConnection& session = liveConnection(*connection_);
    if (!session.MultiStatements()) session.SetMultiStatements(true);
    const TZMySQLConnection::BatchOutcome outcome =
        session.ExecuteBatch(batch.text, static_cast<int>(batch.members.size()));
    for (int k = 0; k < outcome.done; ++k) {
      if (AfterExecute) AfterExecute(*this, batch.members[static_cast<std::size_t>(k)]);
    }
    if (!outcome.failed) continue;
    const int failing = batch.members[static_cast<std::size_t>(outcome.done)];
    // The server's error names no statement of the batch; a refusal for a
    // missing right names the one that failed, as it does when run alone.
    const EZSQLException error(
        withDeniedStatement(outcome.message, outcome.errorCode, Statements(failing)),
        outcome.errorCode);
    if (!recover(failing, error, cursor.next)) return;
  }
}

void TZSQLProcessor::Execute() {
  Parse();
  run();
}

void TZSQLProcessor::ExecuteStatements(std::vector<std::string> statements) {
  if (connection_ == nullptr) throw EZDatabaseError(kNoConnectionMessage);
  connection_->Connect();
  ClearStatements();
  given_ = std::move(statements);
  run();
}

void TZSQLProcessor::run() {
  // The statements are prepared one at a time from a private text, so that
  // markers are found per statement exactly as in a query.
  TZSQLStrings statementText;
  statementText.SetParamCheck(paramCheck_);
  statementText.SetMultiStatements(false);
  statementText.SetTokenizer(&connection_->GetTokenizer());
  if (batchSize_ > 1) {
    executeBatched(statementText);
  } else {
    executeOneByOne(statementText);
  }
}

}  // namespace zararod

// TZSQLProcessor: runs a script of several SQL statements on one connection.
//
// The script is split into statements with the MySQL tokenizer (see
// db/sql_script_parser.h); each statement is prepared for parameter markers
// and executed, in script order, as a prepared statement on the connection's
// live connection. The first failing statement ends the run with an
// exception by default; the statements before it stay applied (the server
// commits each one by itself; no transaction statement is sent).
//
//   TZSQLProcessor p;
//   p.SetConnection(&connection);
//   p.Script().Clear();
//   p.Script().Add("delete from vaznil where cislodokla = '1' and rada = '01';");
//   p.Script().SaveToFile("avl.txt");
//   p.Execute();
//
// What reaches the server for one statement: with ParamCheck off, or when the
// statement has no ":" at all, the statement text with every line break made
// CR LF plus a final CR LF; otherwise the statement rebuilt from its tokens
// (comments removed, whitespace runs outside quoted strings made one blank,
// markers replaced by "?" and given their bound values).
//
// Batched run (BatchSize() > 1, off by default): the same statement texts go
// to the server many per round trip, as one multi-statement text of at most
// BatchSize() statements and the server's max_allowed_packet bytes, and every
// result is read in order. A failing statement is still named exactly:
// OnError gets its index (so its text) and the server's message, which the
// run's exception carries as well. The server runs nothing after it in its
// batch, and the run goes on as OnError's action says: from the statement
// after it (eaSkip) or from it again (eaRetry). BeforeExecute is called once
// for each statement, when it first joins a batch; AfterExecute once it has
// run. A statement that starts with a comment or is a CALL is sent on its
// own, since the server may count it as no statement or as several.
// REQUIRES for batching: the server splits the script at the same ";" as the
// MySQL tokenizer (a run whose server counts otherwise fails with
// EZSQLException).
//
// Ownership: the processor owns Script, Params and its parser; the connection
// is only referenced and must outlive the processor or be re-set first.
//
// Errors: EZDatabaseError "Database connection component is not assigned";
// what connecting raises; EZSQLException for a failing statement under eaFail
// (the server's "SQL Error: ..." with its error number, or the message of any
// other failure with code -1). Appending a line with a bad marker to Script
// raises EZDatabaseError from that append. Exceptions of the event handlers
// propagate unchanged.
//
// Threads: any thread may use it, one thread at a time, as its connection
// (db/connection.h).
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/field.h"
#include "db/sql_script_parser.h"

namespace zararod {

class IZPreparedStatement;
class TZConnection;
class TZSQLStrings;
class TZSQLProcessor;

enum TZErrorHandleAction { eaFail, eaAbort, eaSkip, eaRetry };

using TZProcessorNotifyEvent =
    std::function<void(TZSQLProcessor& Processor, int StatementIndex)>;
// ErrorHandleAction arrives set to eaFail; the handler may change it.
using TZProcessorErrorEvent =
    std::function<void(TZSQLProcessor& Processor, int StatementIndex, const std::exception& E,
                       TZErrorHandleAction& ErrorHandleAction)>;

class TZSQLProcessor {
 public:
  TZSQLProcessor();
  ~TZSQLProcessor();
  TZSQLProcessor(const TZSQLProcessor&) = delete;
  TZSQLProcessor& operator=(const TZSQLProcessor&) = delete;

  // The script lines. Its own line operations (Clear, Add, LoadFromFile,
  // SaveToFile) keep the split result; each change rebuilds Params.
  TZSQLStrings& Script() { return *script_; }
  const TZSQLStrings& Script() const { return *script_; }
  // Copies the lines of `lines` into Script and discards the split result.
  void SetScript(const TZSQLStrings& lines);

  TParams& Params() { return params_; }
  const TParams& Params() const { return params_; }
  // Copies values onto the parameters of the same names (none added/removed).
  void SetParams(const TParams& params) { params_.AssignValues(params); }

  bool ParamCheck() const { return paramCheck_; }
  void SetParamCheck(bool value);

  // Setting any of these four to a different value discards the split result.
  TZConnection* Connection() const { return connection_; }
  void SetConnection(TZConnection* connection);
  TZDelimiterType DelimiterType() const { return parser_->DelimiterType(); }
  void SetDelimiterType(TZDelimiterType value);
  const std::string& Delimiter() const { return parser_->Delimiter(); }
  void SetDelimiter(const std::string& value);
  bool CleanupStatements() const { return parser_->CleanupStatements(); }
  void SetCleanupStatements(bool value);

  TZProcessorErrorEvent OnError;
  TZProcessorNotifyEvent BeforeExecute;
  TZProcessorNotifyEvent AfterExecute;

  // Statements per round trip in Execute; 0 (the default) or 1 sends each on
  // its own.
  int BatchSize() const { return batchSize_; }
  void SetBatchSize(int statements) { batchSize_ = statements; }
  // Whether a batched run leaves multi-statements on for the session (off by
  // default: each batched run switches them on and off again, one round trip
  // each). A caller that runs many scripts on one session keeps them on, so
  // that only the first run pays; the connection's other statements must
  // then hold one statement each (a ";" followed by more text would be run
  // as a second statement).
  bool KeepMultiStatements() const { return keepMultiStatements_; }
  void SetKeepMultiStatements(bool keep) { keepMultiStatements_ = keep; }

  // Connects when needed, discards the split result and splits the current
  // script text. Throws EZDatabaseError when no connection is assigned, and
  // what connecting raises.
  void Parse();
  // Splits the script anew and runs every statement (see the header comment).
  void Execute();
  // Runs `statements` as Execute runs a split script, in order, batched the
  // same way, with the same events and errors; they become the split result
  // in place of the script's (Script is neither read nor changed). For a
  // caller that builds its statements itself: no script text is joined,
  // scanned or split. Each holds one statement as a split gives it: no
  // delimiter at its end, no whitespace at either end (an empty one is
  // nothing to run). Throws what Execute throws.
  void ExecuteStatements(std::vector<std::string> statements);

  // The result of the last split, or the statements of the last
  // ExecuteStatements: the statements that ended with a delimiter, then the
  // text after the last delimiter when it is not empty.
  int StatementCount() const;
  // REQUIRES: 0 <= i < StatementCount(). Valid until the split result is
  // discarded or replaced.
  const std::string& Statements(int i) const;
  // Discards the split result, and with it the memory its statements take.
  void ClearStatements();

 private:
  void scriptChanged();
  // Runs the statements of the split result.
  // REQUIRES: a connection is assigned.
  void run();
  // Statement `index` prepared on the live connection with its parameters
  // bound; null when it leaves nothing to run.
  std::unique_ptr<IZPreparedStatement> prepare(int index, TZSQLStrings& statementText);
  void runStatement(int index, TZSQLStrings& statementText);
  void executeOneByOne(TZSQLStrings& statementText);
  // A batched run: fills a batch, sends it, and hands any failure to
  // recover, whichever step it came from.
  void executeBatched(TZSQLStrings& statementText);
  // Where a batched run stands: the first statement not yet in a batch, and
  // the first one BeforeExecute has not been called for.
  struct BatchCursor {
    int next = 0;
    int announced = 0;
  };
  // Statements joined into one text, and their indexes in order.
  struct Batch {
    std::string text;
    std::vector<int> members;
  };
  // Adds statements from cursor.next on to `batch`, up to BatchSize()
  // statements and `maxBytes` of text; a statement that must go alone ends
  // it, and so does one that cannot be prepared (it is attempted again at
  // the start of the next batch). Throws what preparing, or BeforeExecute,
  // raised for the first statement of an empty batch.
  void fillBatch(BatchCursor& cursor, std::size_t maxBytes, TZSQLStrings& statementText,
                 Batch& batch);
  // The one failure handler of a batched run: OnError's action for statement
  // `index`, which failed with `e`. Throws for eaFail, returns false for
  // eaAbort, and otherwise sets `next` to where the run goes on: the
  // statement again (eaRetry) or, after its AfterExecute, the one after it
  // (eaSkip).
  bool recover(int index, const std::exception& e, int& next);
  // The text statement `index` sends, with its parameters bound; empty when
  // there is nothing to send.
  std::string preparedText(int index, TZSQLStrings& statementText);
  // OnError's action for a failed attempt (eaFail unless a handler says
  // otherwise); throws the run's failure for eaFail.
  TZErrorHandleAction failedAttempt(int index, const std::exception& e);

  std::unique_ptr<TZSQLStrings> script_;
  TParams params_;
  bool paramCheck_ = true;
  int batchSize_ = 0;
  bool keepMultiStatements_ = false;
  TZConnection* connection_ = nullptr;
  std::unique_ptr<TZSQLScriptParser> parser_;
  // The statements of the last ExecuteStatements; when not empty, they are
  // the split result and the parser holds none.
  std::vector<std::string> given_;
};

}  // namespace zararod

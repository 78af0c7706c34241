// TZMySQLConnection: one live connection to a MySQL server.
//
// Made by TZConnection at every connect from the settings of that moment,
// opened at once, closed and released at disconnect, and never reused. It
// owns the client library handle and the column-kind corrector (with its
// metadata caches), and makes the statements that run on the handle.
//
// Statements and result sets made here keep a reference to this object and
// use its handle: REQUIRES that the live connection outlives them.
// Threads: any thread may use it, one thread at a time (the handle is not
// safe for two at once). Each use that reaches the server enters Use(), which
// refuses a second thread while another is inside (db/thread_use.h).
#pragma once

#include <mysql.h>

#include <cstddef>
#include <memory>
#include <string>

#include "db/column_info.h"
#include "db/mysql_handle.h"
#include "db/properties.h"
#include "db/statement.h"
#include "db/thread_use.h"
#include "db/tls_policy.h"
#include "db/transact_isolation.h"

namespace zararod {

class IZTokenizer;

// What a statement or error was about (offered to logging; nothing listens).
enum TZLoggingCategory { lcConnect, lcDisconnect, lcExecute, lcOther };

// Per-thread silence counter: while a SilentErrorScope lives on a thread, the
// error check raises EZMySQLSilentException instead of EZSQLException. Used
// by the metadata probes, which catch and discard it.
class SilentErrorScope {
 public:
  SilentErrorScope();
  ~SilentErrorScope();
  SilentErrorScope(const SilentErrorScope&) = delete;
  SilentErrorScope& operator=(const SilentErrorScope&) = delete;
};
// The calling thread's silence counter (0 when not silenced).
int silentErrorCount();

// The error check: when `handle` reports an error number other than 0 and a
// non-empty text (trimmed of blanks and control characters at both ends),
// raises EZSQLException (EZMySQLSilentException while silenced) "SQL Error: "
// + text, with the number as its error code; an error for a missing right
// also names `sql` (db/denied_statement.h). Otherwise returns.
void checkMySQLError(MYSQL* handle, TZLoggingCategory category, const std::string& sql);

class TZMySQLConnection {
 public:
  // Takes the connection's settings. Sends nothing; Open connects.
  //  - `hostName` is cut at its first "/", ":" or "?"; `database` at its
  //    first "?".
  //  - `port` 0 means 3306.
  //  - `user` and `password` reach the server whole. When empty they are
  //    replaced by the property "username" / "password" if present.
  //  - The live property list is "UID=" user, "PWD=" password, then the lines
  //    of `properties`.
  //  - `tls` is the TLS to ask of the server (db/tls_policy.h).
  TZMySQLConnection(const std::string& hostName, int port, const std::string& database,
                    const std::string& user, const std::string& password,
                    const TZProperties& properties, TZTlsPolicy tls = {});
  ~TZMySQLConnection();
  TZMySQLConnection(const TZMySQLConnection&) = delete;
  TZMySQLConnection& operator=(const TZMySQLConnection&) = delete;

  // Connects when closed: options and client flags from the properties,
  // mysql_real_connect, then "SET CHARACTER SET " + the client code page when
  // it is not empty. Throws EZSQLException ("SQL Error: …", or "Cannot connect
  // to SQL server" with code -1); after a failure the live connection stays
  // closed and holds no handle. Does nothing when open.
  //  - Time limits in seconds: "timeout" for the connect and the server's
  //    greeting (default 30), "readtimeout" and "writetimeout" for every
  //    later wait on the server (default 600 each). A value that is not a
  //    number 0 or more gives the default; 0 lets the client library wait
  //    without limit. A limit that runs out fails with "SQL Error: Lost
  //    connection …" and leaves the server's open transaction unfinished
  //    (the server rolls it back when the connection ends). The property
  //    "MYSQL_OPT_CONNECT_TIMEOUT", when a whole number above 0, replaces the
  //    connect limit; any other value of it changes nothing.
  //  - TLS: the policy given at construction; an Invalid one throws its
  //    error (code -1) before anything is sent. By the client library's own
  //    names, too: true "MYSQL_OPT_SSL_ENFORCE" refuses a server without TLS;
  //    true "MYSQL_OPT_SSL_VERIFY_SERVER_CERT" refuses a certificate that is
  //    not trusted ("MYSQL_SSL_CA", else the system's store) or does not name
  //    the host. Both fail before any statement is sent.
  void Open();
  // Closes the handle (mysql_close). Does nothing when closed.
  void Close();
  bool IsClosed() const { return !handle_; }

  // A new prepared statement for `sql` on this live connection; opens it
  // first when closed. `info` are the statement's own properties.
  std::unique_ptr<IZPreparedStatement> PrepareStatement(const std::string& sql,
                                                        const TZProperties& info = {});
  // A new plain statement; opens the live connection first when closed.
  std::unique_ptr<IZStatement> CreateStatement(const TZProperties& info = {});

  // Auto-commit: when the value differs from the current one (on after open)
  // calls mysql_autocommit; a failure goes through the error check.
  void SetAutoCommit(bool autoCommit);
  bool GetAutoCommit() const { return autoCommit_; }
  // When the level differs from the current one (tiNone after open) sends the
  // matching "SET SESSION TRANSACTION ISOLATION LEVEL …" statement.
  void SetTransactionIsolation(TZTransactIsolationLevel level);
  TZTransactIsolationLevel GetTransactionIsolation() const { return isolation_; }
  // Stored only.
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  bool IsReadOnly() const { return readOnly_; }
  void SetCatalog(const std::string& catalog) { catalog_ = catalog; }
  const std::string& GetCatalog() const { return catalog_; }

  // The error check on this live connection's handle (see checkMySQLError).
  void CheckError(TZLoggingCategory category, const std::string& sql);

  // Reads and frees every result still pending on the handle after the one
  // just taken (the closing status of a CALL, the later statements of a
  // multi-statement text), so that the next statement can run. A failure
  // among them goes through the error check with `sql`. Sends nothing when
  // none is pending. REQUIRES: no result read with mysql_use_result is open.
  void DiscardMoreResults(const std::string& sql);

  // Batches: several statements sent as one text, separated by ";", in one
  // round trip. The server takes such a text only while multi-statements are
  // on for the session; SetMultiStatements switches them (one round trip; a
  // refusal goes through the error check). Opens the live connection first
  // when closed.
  void SetMultiStatements(bool on);
  // Whether multi-statements are on for this session (off after open).
  bool MultiStatements() const { return multiStatements_; }
  // The server's max_allowed_packet: no text sent may be longer. Asked with
  // "SELECT @@max_allowed_packet" at the first call and kept for the life of
  // this live connection. Throws the error check's EZSQLException.
  std::size_t MaxAllowedPacket();
  struct BatchOutcome {
    int done = 0;         // statements that ran, from the first
    bool failed = false;  // statement `done` failed; the server ran none after it
    // The failure as an EZSQLException would carry it: "SQL Error: " + the
    // text, and the error number (-1 when the client library gave none).
    std::string message;
    int errorCode = 0;
  };
  // Sends `text`, which holds `count` statements, and reads every result in
  // order (rows a statement returns are fetched and dropped). When a
  // statement fails, or its rows cannot be read, the outcome tells how many
  // ran before it and what failed. Throws EZSQLException when the server
  // split the text into a different number of statements than `count`.
  // REQUIRES: multi-statements on; no result read with mysql_use_result open.
  BatchOutcome ExecuteBatch(const std::string& text, int count);

  // Enters this live connection for one use by the calling thread, for as
  // long as the scope lives. Throws std::logic_error naming `what` while
  // another thread is inside.
  ThreadUse::Scope Use(const char* what) { return threadUse_.Enter(what); }

  // The client handle; null while closed.
  MYSQL* Handle() const { return handle_.get(); }

  // Whether the server reads backslashes in quoted literals as ordinary bytes
  // (sql_mode NO_BACKSLASH_ESCAPES), as the server last reported it. False
  // while closed.
  bool NoBackslashEscapes() const;

  const std::string& HostName() const { return hostName_; }
  int Port() const { return port_; }
  const std::string& Database() const { return database_; }
  const std::string& User() const { return user_; }
  // The live property list (UID, PWD, then the connection's properties).
  const TZProperties& Properties() const { return properties_; }
  // The "codepage" property trimmed of blanks; empty when absent.
  const std::string& ClientCodePage() const { return clientCodePage_; }

  // The shared MySQL tokenizer.
  const IZTokenizer& GetTokenizer() const;

  // The column-kind correction of this live connection; see column_info.h
  // for when it runs. The MySQL correction from table metadata
  // (TZMySQLColumnKindCorrector) unless replaced; null turns correction off.
  // Owned for the life of this object.
  void SetColumnKindCorrector(std::unique_ptr<IZColumnKindCorrector> corrector);
  IZColumnKindCorrector* GetColumnKindCorrector() const { return corrector_.get(); }

 private:
  // Client library options from the properties, SSL included.
  void setOptions();
  unsigned long clientFlags() const;

  std::string hostName_;
  int port_;
  std::string database_;
  std::string user_;
  std::string password_;
  TZProperties properties_;
  TZTlsPolicy tls_;
  std::string clientCodePage_;
  MySQLHandle handle_;  // null while closed
  bool autoCommit_ = true;
  TZTransactIsolationLevel isolation_ = tiNone;
  bool readOnly_ = false;
  std::string catalog_;
  std::unique_ptr<IZColumnKindCorrector> corrector_;
  std::size_t maxAllowedPacket_ = 0;  // 0 until asked
  bool multiStatements_ = false;
  ThreadUse threadUse_;
};

}  // namespace zararod

// TZConnection: one MySQL server account and, while connected, its live
// connection.
//
// Settings are plain values: writing one stores it and touches nothing else;
// the next connect uses it. To switch databases, disconnect, set Database and
// connect again. Every connect makes a new TZMySQLConnection; disconnect
// closes the attached queries and releases the live connection.
//
// Queries (and anything else that must be closed when the connection goes
// away) implement IZConnectionClient and register themselves with
// RegisterClient; disconnect calls CloseAtDisconnect on each, in the order
// they registered. REQUIRES: a client unregisters before it is destroyed.
//
// The client library stays behind the live connection (db/mysql_connection.h):
// this header declares none of its types, so code above the database layer
// asks the connection what it must know of the server.
//
// Errors: Connect passes on the live connection's EZSQLException, and throws
// one of its own while Refusal() is set; the connection then has no live
// connection and its settings are unchanged.
// Threads: any thread may use it, and what is made on it, one thread at a
// time; its live connection checks this (db/mysql_connection.h).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/properties.h"
#include "db/tls_policy.h"
#include "db/transact_isolation.h"

namespace zararod {

class IZTokenizer;
class TZMySQLConnection;

// Something attached to a connection that must be closed at disconnect.
class IZConnectionClient {
 public:
  virtual ~IZConnectionClient() = default;
  // Closes the client. An exception thrown here is swallowed by disconnect,
  // which goes on with the next client.
  virtual void CloseAtDisconnect() = 0;
};

class TZConnection {
 public:
  using THook = std::function<void(TZConnection&)>;

  TZConnection();
  // Disconnects first.
  ~TZConnection();
  TZConnection(const TZConnection&) = delete;
  TZConnection& operator=(const TZConnection&) = delete;

  // Opens a live connection when there is none; nothing otherwise.
  void Connect();
  // Closes the attached clients and the live connection; nothing when there
  // is no live connection. Never throws from the closing steps.
  void Disconnect();
  // True while a live connection exists and is open. Writing true connects,
  // false disconnects; writing the current value does nothing.
  bool Connected() const;
  void SetConnected(bool connected);

  // The current live connection, or null. Owned by this connection and
  // destroyed by the next Disconnect (or by destruction): statements and
  // result sets made on it must be gone by then.
  TZMySQLConnection* LiveConnection() const { return live_.get(); }
  // Whether the server of the live connection reads backslashes in quoted
  // literals as ordinary bytes (sql_mode NO_BACKSLASH_ESCAPES), so that a
  // literal for it must not escape them. False when not connected.
  bool NoBackslashEscapes() const;
  // The shared MySQL tokenizer; available whether connected or not.
  const IZTokenizer& GetTokenizer() const;

  void RegisterClient(IZConnectionClient& client);
  void UnregisterClient(IZConnectionClient& client);

  const std::string& Protocol() const { return protocol_; }
  void SetProtocol(const std::string& value) { protocol_ = value; }
  const std::string& HostName() const { return hostName_; }
  void SetHostName(const std::string& value) { hostName_ = value; }
  // 0 means 3306.
  int Port() const { return port_; }
  void SetPort(int value) { port_ = value; }
  const std::string& Database() const { return database_; }
  void SetDatabase(const std::string& value) { database_ = value; }
  const std::string& User() const { return user_; }
  void SetUser(const std::string& value) { user_ = value; }
  const std::string& Password() const { return password_; }
  void SetPassword(const std::string& value) { password_ = value; }
  const std::string& Catalog() const { return catalog_; }
  void SetCatalog(const std::string& value) { catalog_ = value; }
  // Lines name=value; the window sets "codepage=cp1250".
  const TZProperties& Properties() const { return properties_; }
  TZProperties& Properties() { return properties_; }
  void SetProperties(const TZProperties& value) { properties_ = value; }
  // The TLS asked of the server (None by default).
  const TZTlsPolicy& Tls() const { return tls_; }
  void SetTls(const TZTlsPolicy& value) { tls_ = value; }
  // Why no connection may be made from these settings (a value that cannot
  // be told, such as a switch neither on nor off), or empty. While it is
  // set, every Connect fails with EZSQLException(Refusal(), -1) before
  // anything reaches the server, so that no connection is made of a kind
  // the settings may not have meant.
  const std::string& Refusal() const { return refusal_; }
  void SetRefusal(const std::string& value) { refusal_ = value; }
  bool AutoCommit() const { return autoCommit_; }
  void SetAutoCommit(bool value) { autoCommit_ = value; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }
  TZTransactIsolationLevel TransactIsolationLevel() const { return isolation_; }
  void SetTransactIsolationLevel(TZTransactIsolationLevel value) { isolation_ = value; }
  // Kept for completeness: no login dialog exists.
  bool LoginPrompt() const { return loginPrompt_; }
  void SetLoginPrompt(bool value) { loginPrompt_ = value; }
  // Kept for completeness: the database layer shows no cursor.
  bool SQLHourGlass() const { return sqlHourGlass_; }
  void SetSQLHourGlass(bool value) { sqlHourGlass_ = value; }

  THook BeforeConnect;
  THook AfterConnect;
  THook BeforeDisconnect;
  THook AfterDisconnect;

 private:
  std::string protocol_;
  std::string hostName_;
  int port_ = 0;
  std::string database_;
  std::string user_;
  std::string password_;
  std::string catalog_;
  TZProperties properties_;
  TZTlsPolicy tls_;
  std::string refusal_;
  bool autoCommit_ = true;
  bool readOnly_ = false;
  TZTransactIsolationLevel isolation_ = tiNone;
  bool loginPrompt_ = false;
  bool sqlHourGlass_ = false;

  std::unique_ptr<TZMySQLConnection> live_;
  std::vector<IZConnectionClient*> clients_;
};

}  // namespace zararod

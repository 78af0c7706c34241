// Points one of our own connections at a sandbox server, the way the program
// sets its connections up from vedid.ini: protocol "mysql", the sandbox's
// host, port and account (the administrator's unless told otherwise), the
// property "codepage=cp1250", and the given database. Does not connect.
// Throws std::runtime_error when the environment names no sandbox server
// (see testing/sandbox.h).
#pragma once

#include <string>

#include "db/connection.h"
#include "testing/sandbox.h"

namespace zararod::testing {

inline void configureForSandbox(TZConnection& connection, Server server,
                                const std::string& database, Account account = Account::Admin) {
  const ServerAddress address = serverAddress(server, account);
  connection.SetProtocol("mysql");
  connection.SetHostName(address.host);
  connection.SetPort(static_cast<int>(address.port));
  connection.SetUser(address.user);
  connection.SetPassword(address.password);
  connection.SetDatabase(database);
  connection.SetProperties({"codepage=cp1250"});
}

}  // namespace zararod::testing

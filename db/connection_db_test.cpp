// TZConnection and its live connection against the sandbox site server:
// what a connect sends, when it connects at all, and how it fails.
#include "db/connection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "db/db_exceptions.h"
#include "db/mysql_connection.h"
#include "testing/case_name.h"
#include "testing/sandbox.h"
#include "testing/sandbox_connection.h"
#include "testing/socket.h"

namespace zararod {
namespace {

using testing::AdminSession;
using testing::CaseName;
using testing::Server;

class ConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site_ = testing::serverAddress(Server::Site);
    testing::configureForSandbox(connection_, Server::Site, "");
  }

  unsigned long threadId() { return mysql_thread_id(connection_.LiveConnection()->Handle()); }

  // The first column of the first row of `sql` on the live connection.
  std::string scalar(const std::string& sql) {
    auto rows = connection_.LiveConnection()->CreateStatement()->ExecuteQuery(sql);
    EXPECT_TRUE(rows->Next());
    return rows->GetString(1);
  }

  testing::ServerAddress site_;
  TZConnection connection_;
};

TEST_F(ConnectionTest, LoginSendsTheCodePageAndNothingElse) {
  testing::startGeneralLog(Server::Site);
  connection_.Connect();
  ASSERT_TRUE(connection_.Connected());
  connection_.Connect();  // already connected: nothing happens
  connection_.SetConnected(true);
  EXPECT_EQ(testing::loggedStatements(Server::Site, threadId()),
            std::vector<std::string>{"SET CHARACTER SET cp1250"});
  EXPECT_EQ(scalar("SELECT @@character_set_client"), "cp1250");
  EXPECT_EQ(scalar("SELECT @@autocommit"), "1");

  connection_.Disconnect();
  connection_.Properties().clear();
  testing::startGeneralLog(Server::Site);
  connection_.Connect();
  EXPECT_TRUE(testing::loggedStatements(Server::Site, threadId()).empty());
}

TEST_F(ConnectionTest, TellsWhetherTheServerTakesBackslashesLiterally) {
  EXPECT_FALSE(connection_.NoBackslashEscapes());  // not connected
  connection_.Connect();
  EXPECT_FALSE(connection_.NoBackslashEscapes());
  connection_.LiveConnection()->CreateStatement()->ExecuteUpdate(
      "SET SESSION sql_mode = CONCAT(@@sql_mode, ',NO_BACKSLASH_ESCAPES')");
  EXPECT_TRUE(connection_.NoBackslashEscapes());
  connection_.Disconnect();
  EXPECT_FALSE(connection_.NoBackslashEscapes());
}

TEST_F(ConnectionTest, EveryConnectMakesANewLiveConnection) {
  std::vector<std::string> calls;
  connection_.BeforeConnect = [&](TZConnection& c) {
    calls.push_back(c.Connected() ? "BC+" : "BC-");
  };
  connection_.AfterConnect = [&](TZConnection& c) {
    calls.push_back(c.Connected() ? "AC+" : "AC-");
  };
  connection_.BeforeDisconnect = [&](TZConnection& c) {
    calls.push_back(c.Connected() ? "BD+" : "BD-");
  };
  connection_.AfterDisconnect = [&](TZConnection& c) {
    calls.push_back(c.Connected() ? "AD+" : "AD-");
  };

  connection_.Disconnect();  // not connected: nothing happens
  connection_.SetConnected(false);
  EXPECT_TRUE(calls.empty());

  connection_.SetDatabase("vorazu1");
  connection_.SetConnected(true);
  const unsigned long first = threadId();
  EXPECT_EQ(scalar("SELECT DATABASE()"), "vorazu1");
  connection_.SetDatabase("dovodi");  // stored only
  EXPECT_EQ(scalar("SELECT DATABASE()"), "vorazu1");
  EXPECT_EQ(threadId(), first);

  connection_.SetConnected(false);
  EXPECT_EQ(connection_.LiveConnection(), nullptr);
  connection_.Connect();
  EXPECT_NE(threadId(), first);
  EXPECT_EQ(scalar("SELECT DATABASE()"), "dovodi");
  EXPECT_EQ(calls, (std::vector<std::string>{"BC-", "AC+", "BD+", "AD-", "BC-", "AC+"}));
  connection_.BeforeDisconnect = connection_.AfterDisconnect = nullptr;
}

TEST_F(ConnectionTest, PortZeroMeansTheStandardPort) {
  connection_.SetPort(0);
  connection_.SetHostName("127.0.0.1");
  // Stand in for a server on the standard port: accept one connection and
  // hang up, so the client fails after reaching it.
  ASSERT_TRUE(testing::socketsReady());
  const testing::Socket listener = testing::listenOn("127.0.0.1", 3306, 1);
  if (!listener.valid()) GTEST_SKIP() << "port 3306 is taken on this machine";
  bool reached = false;
  std::thread server([&] { reached = testing::acceptConnection(listener).valid(); });
  EXPECT_THROW(connection_.Connect(), EZSQLException);
  server.join();
  EXPECT_TRUE(reached);
  EXPECT_FALSE(connection_.Connected());
}

// A port on which nothing listens.
unsigned closedPort() {
  const unsigned port = testing::unusedLoopbackPort();
  EXPECT_NE(port, 0u);
  return port;
}

struct FailedConnectCase {
  const char* id;
  std::function<void(TZConnection&)> change;
  int code;
  std::string message;
};

const FailedConnectCase kFailedConnectCases[] = {
    {"WrongPassword", [](TZConnection& c) { c.SetPassword("wrong"); }, 1045,
     "SQL Error: Access denied for user 'zararod'@'localhost' (using password: YES)"},
    {"UnknownCodePage", [](TZConnection& c) { c.Properties() = {"codepage=nosuch"}; }, 1115,
     "SQL Error: Unknown character set: 'nosuch'"},
    {"RefusedPort", [](TZConnection& c) { c.SetPort(closedPort()); }, 2002,
     "SQL Error: Can't connect to server on '127.0.0.1' ("},  // then the system's error
    {"UnknownDatabase", [](TZConnection& c) { c.SetDatabase("zt_no_such_db"); }, 1049,
     "SQL Error: Unknown database 'zt_no_such_db'"},
};

class FailedConnect : public ConnectionTest,
                      public ::testing::WithParamInterface<FailedConnectCase> {};

TEST_P(FailedConnect, LeavesNoLiveConnection) {
  const FailedConnectCase& c = GetParam();
  c.change(connection_);
  const std::string password = connection_.Password();
  try {
    connection_.Connect();
    ADD_FAILURE() << "connected";
  } catch (const EZSQLException& e) {
    EXPECT_EQ(e.ErrorCode(), c.code);
    EXPECT_EQ(e.Message().substr(0, c.message.size()), c.message);
  }
  EXPECT_FALSE(connection_.Connected());
  EXPECT_EQ(connection_.LiveConnection(), nullptr);
  EXPECT_EQ(connection_.Password(), password);
}

INSTANTIATE_TEST_SUITE_P(Errors, FailedConnect, ::testing::ValuesIn(kFailedConnectCases),
                         CaseName());

TEST_F(ConnectionTest, UserNameAndPasswordWithSemicolonLogIn) {
  AdminSession admin(Server::Site);
  for (const char* host : {"127.0.0.1", "localhost"}) {
    admin.exec(std::string("DROP USER IF EXISTS 'zt;user'@'") + host + "'");
    admin.exec(std::string("CREATE USER 'zt;user'@'") + host + "' IDENTIFIED BY 'pass;word;'");
  }
  connection_.SetUser("zt;user");
  connection_.SetPassword("pass;word;");
  connection_.Connect();
  EXPECT_EQ(scalar("SELECT CURRENT_USER()").substr(0, 8), "zt;user@");
  connection_.Disconnect();
  for (const char* host : {"127.0.0.1", "localhost"}) {
    admin.exec(std::string("DROP USER 'zt;user'@'") + host + "'");
  }
}

TEST_F(ConnectionTest, HostAndDatabaseAreCutLikeAddressParts) {
  connection_.SetHostName(site_.host + ":1/x?y");
  connection_.SetDatabase("vorazu1?ignored");
  connection_.Connect();
  EXPECT_EQ(connection_.LiveConnection()->HostName(), site_.host);
  EXPECT_EQ(scalar("SELECT DATABASE()"), "vorazu1");
}

TEST_F(ConnectionTest, EmptyCredentialsComeFromProperties) {
  connection_.SetUser("");
  connection_.SetPassword("");
  connection_.Properties() = {"codepage=cp1250", "username=" + site_.user,
                              "password=" + site_.password};
  connection_.Connect();
  EXPECT_TRUE(connection_.Connected());
}

TEST_F(ConnectionTest, DisconnectClosesEveryClientInOrder) {
  struct Client : IZConnectionClient {
    Client(std::vector<int>& log, int id, bool fails) : log(log), id(id), fails(fails) {}
    void CloseAtDisconnect() override {
      log.push_back(id);
      if (fails) throw EZDatabaseError("cannot close");
    }
    std::vector<int>& log;
    int id;
    bool fails;
  };
  std::vector<int> closed;
  Client first(closed, 1, true), second(closed, 2, false), gone(closed, 3, false);
  connection_.RegisterClient(first);
  connection_.RegisterClient(gone);
  connection_.RegisterClient(second);
  connection_.RegisterClient(first);  // once only
  connection_.UnregisterClient(gone);

  connection_.Disconnect();  // nothing to disconnect: clients untouched
  EXPECT_TRUE(closed.empty());
  connection_.Connect();
  connection_.Disconnect();
  EXPECT_EQ(closed, (std::vector<int>{1, 2}));
  EXPECT_FALSE(connection_.Connected());
  connection_.UnregisterClient(first);
  connection_.UnregisterClient(second);
}

TEST_F(ConnectionTest, AutoCommitAndIsolationOtherThanDefaultsAreSentAfterLogin) {
  connection_.SetTransactIsolationLevel(tiSerializable);
  connection_.SetAutoCommit(false);
  testing::startGeneralLog(Server::Site);
  connection_.Connect();
  EXPECT_EQ(testing::loggedStatements(Server::Site, threadId()),
            (std::vector<std::string>{"SET CHARACTER SET cp1250", "SET autocommit=0",
                                      "SET SESSION TRANSACTION ISOLATION LEVEL SERIALIZABLE"}));
  EXPECT_EQ(scalar("SELECT @@autocommit"), "0");
}

TEST_F(ConnectionTest, PropertiesSetClientOptionsAndFlags) {
  AdminSession(Server::Site)
      .exec(
          "CREATE DATABASE IF NOT EXISTS zt_conn;"
          "CREATE OR REPLACE TABLE zt_conn.flags (v INT);"
          "INSERT INTO zt_conn.flags VALUES (1)");
  const std::string sameValue = "UPDATE zt_conn.flags SET v = 1";
  struct Case {
    TZProperties properties;
    std::string sql;
    std::string expected;
  };
  const Case cases[] = {
      {{}, "SHOW SESSION STATUS LIKE 'Compression'", "OFF"},
      {{"compress=yes"}, "SHOW SESSION STATUS LIKE 'Compression'", "ON"},
      {{"MYSQL_OPT_COMPRESS=x"}, "SHOW SESSION STATUS LIKE 'Compression'", "ON"},
      {{"MYSQL_INIT_COMMAND=SET @zt = 'init'"}, "SELECT @zt", "init"},
      {{"timeout=5", "MYSQL_OPT_CONNECT_TIMEOUT=nan"}, "SELECT 'connected'", "connected"},
      {{}, sameValue, "0"},
      {{"client_found_rows=1"}, sameValue, "1"},
  };
  for (const Case& c : cases) {
    connection_.Disconnect();
    connection_.Properties() = c.properties;
    connection_.Connect();
    auto statement = connection_.LiveConnection()->CreateStatement();
    std::string value;
    if (c.sql == sameValue) {
      value = std::to_string(statement->ExecuteUpdate(c.sql));
    } else {
      auto rows = statement->ExecuteQuery(c.sql);
      ASSERT_TRUE(rows->Next());
      value = rows->GetString(rows->GetColumnCount());
    }
    EXPECT_EQ(value, c.expected) << c.sql << " with " << ::testing::PrintToString(c.properties);
  }
}

// One thread at a time: a second thread that uses the live connection while
// another is inside it is refused, and one after the other is fine.
TEST_F(ConnectionTest, ASecondThreadIsRefusedWhileAnotherIsInside) {
  connection_.Connect();
  TZMySQLConnection& live = *connection_.LiveConnection();
  std::thread sleeper([&] { live.CreateStatement()->ExecuteUpdate("DO SLEEP(1)"); });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_THROW(live.CreateStatement()->ExecuteQuery("SELECT 1"), std::logic_error);
  sleeper.join();
  EXPECT_EQ(scalar("SELECT 1"), "1");
  std::thread([&] { EXPECT_EQ(scalar("SELECT 2"), "2"); }).join();
}

}  // namespace
}  // namespace zararod

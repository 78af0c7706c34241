// The time limits of a live connection: how the properties set them, and a
// server that never answers or stops answering in the middle.
#include <gtest/gtest.h>
#include <mysql.h>

#include <chrono>
#include <functional>
#include <string>

#include "db/connection.h"
#include "db/db_exceptions.h"
#include "db/mysql_connection.h"
#include "testing/loopback_listeners.h"
#include "testing/sandbox.h"
#include "testing/sandbox_connection.h"

namespace zararod {
namespace {

using testing::Server;

// What a call that must fail raised, and how long it took.
struct Failure {
  int code = 0;
  std::string message = "no error";
  double seconds = 0;
};

Failure failureOf(const std::function<void()>& call) {
  Failure failure;
  const auto start = std::chrono::steady_clock::now();
  try {
    call();
  } catch (const EZSQLException& e) {
    failure.code = e.ErrorCode();
    failure.message = e.Message();
  }
  failure.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return failure;
}

// Far below the defaults and far above a one-second limit on a busy machine.
constexpr double kWithinTheLimit = 20;

class ConnectionLimitsTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::configureForSandbox(connection_, Server::Site, ""); }

  TZConnection connection_;
};

TEST_F(ConnectionLimitsTest, PropertiesSetTheLimitsAndWithoutThemEveryWaitIsBounded) {
  struct Case {
    TZProperties properties;
    unsigned connect, read, write;
  } cases[] = {
      {{"codepage=cp1250"}, 30, 600, 600},
      {{"timeout=5", "readtimeout=7", "writetimeout=9"}, 5, 7, 9},
      {{"timeout=0", "readtimeout=x", "writetimeout=-3"}, 0, 600, 600},
      {{"timeout=4", "MYSQL_OPT_CONNECT_TIMEOUT=nan"}, 4, 600, 600},
      {{"timeout=4", "MYSQL_OPT_CONNECT_TIMEOUT=-1"}, 4, 600, 600},
      {{"MYSQL_OPT_CONNECT_TIMEOUT=0"}, 30, 600, 600},
      {{"timeout=4", "MYSQL_OPT_CONNECT_TIMEOUT=6"}, 6, 600, 600},
      {{"readtimeout=99999999999"}, 30, 2147483, 600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.properties));
    connection_.Disconnect();
    connection_.Properties() = c.properties;
    connection_.Connect();
    MYSQL* handle = connection_.LiveConnection()->Handle();
    unsigned connect = 1, read = 1, write = 1;
    mysql_get_option(handle, MYSQL_OPT_CONNECT_TIMEOUT, &connect);
    mysql_get_option(handle, MYSQL_OPT_READ_TIMEOUT, &read);
    mysql_get_option(handle, MYSQL_OPT_WRITE_TIMEOUT, &write);
    EXPECT_EQ(connect, c.connect);
    EXPECT_EQ(read, c.read);
    EXPECT_EQ(write, c.write);
  }
}

TEST_F(ConnectionLimitsTest, AServerThatNeverAnswersFailsTheConnectWithinItsLimit) {
  const testing::SilentServer silent;
  connection_.SetHostName(silent.host());
  connection_.SetPort(static_cast<int>(silent.port()));
  connection_.Properties() = {"codepage=cp1250", "timeout=1"};
  const Failure failure = failureOf([&] { connection_.Connect(); });
  EXPECT_EQ(failure.code, 2013);
  EXPECT_EQ(failure.message.rfind("SQL Error: Lost connection to server at 'handshake: reading "
                                  "initial communication packet'",
                                  0),
            0u)
      << failure.message;
  EXPECT_LT(failure.seconds, kWithinTheLimit);
  EXPECT_EQ(connection_.LiveConnection(), nullptr);
}

TEST_F(ConnectionLimitsTest, AServerThatStopsAnsweringFailsTheStatementWithinTheReadLimit) {
  const testing::ServerAddress site = testing::serverAddress(Server::Site);
  testing::TcpRelay relay("127.0.0.1", site.host, site.port);
  connection_.SetHostName(relay.host());
  connection_.SetPort(static_cast<int>(relay.port()));
  connection_.Properties() = {"codepage=cp1250", "readtimeout=1"};
  connection_.Connect();
  auto statement = connection_.LiveConnection()->CreateStatement();
  EXPECT_TRUE(statement->ExecuteQuery("SELECT 1")->Next());

  relay.Stall();
  const Failure failure = failureOf([&] { statement->ExecuteQuery("SELECT 2"); });
  EXPECT_EQ(failure.code, 2013);
  EXPECT_EQ(failure.message, "SQL Error: Lost connection to server during query");
  EXPECT_LT(failure.seconds, kWithinTheLimit);
}

}  // namespace
}  // namespace zararod

// TLS on a live connection against the sandbox central server (which offers
// TLS with a certificate for 127.0.0.1 and localhost): required and verified
// when the properties or the connection's TLS policy ask for it, refused
// before any statement otherwise, and not used at all when they do not ask.
#include <gtest/gtest.h>

#include <string>

#include "db/connection.h"
#include "db/db_exceptions.h"
#include "db/mysql_connection.h"
#include "testing/sandbox.h"
#include "testing/sandbox_connection.h"

namespace zararod {
namespace {

using testing::AdminSession;
using testing::Server;

const TZProperties kVerified = {"MYSQL_SSL=1", "MYSQL_OPT_SSL_ENFORCE=1",
                                "MYSQL_OPT_SSL_VERIFY_SERVER_CERT=1"};

class ConnectionTlsTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::configureForSandbox(connection_, Server::Central, ""); }

  // The cipher of the connection's session; empty when it is not encrypted.
  std::string cipher() {
    auto rows = connection_.LiveConnection()->CreateStatement()->ExecuteQuery(
        "SHOW SESSION STATUS LIKE 'Ssl_cipher'");
    EXPECT_TRUE(rows->Next());
    return rows->GetString(2);
  }

  TZConnection connection_;
};

TEST_F(ConnectionTlsTest, EncryptedOnlyWhenAskedAndThenVerified) {
  connection_.Connect();
  EXPECT_EQ(cipher(), "");
  connection_.Disconnect();

  TZProperties properties = kVerified;
  properties.push_back("MYSQL_SSL_CA=" + testing::centralCaFile());
  properties.push_back("codepage=cp1250");
  connection_.Properties() = properties;
  connection_.Connect();
  EXPECT_NE(cipher(), "");
}

TEST_F(ConnectionTlsTest, AnUntrustedServerIsRefusedBeforeAnyStatement) {
  testing::startGeneralLog(Server::Central);
  TZProperties properties = kVerified;  // no CA file: the system's store
  properties.push_back("codepage=cp1250");
  connection_.Properties() = properties;
  try {
    connection_.Connect();
    ADD_FAILURE() << "connected";
  } catch (const EZSQLException& e) {
    EXPECT_EQ(e.ErrorCode(), 2026);
    EXPECT_EQ(e.Message().rfind("SQL Error: TLS/SSL error: ", 0), 0u) << e.Message();
  }
  EXPECT_EQ(connection_.LiveConnection(), nullptr);
  EXPECT_EQ(AdminSession(Server::Central)
                .scalar("SELECT count(*) FROM mysql.general_log "
                        "WHERE argument LIKE 'SET CHARACTER SET%'"),
            "0");
}

TEST_F(ConnectionTlsTest, TheTlsPolicyAsksForVerifiedTls) {
  struct Case {
    const char* what;
    TZTlsPolicy tls;
    bool encrypted;
    int code;  // of the error, 0 for none
    std::string message;
  } cases[] = {
      {"none", TZTlsPolicy::None(), false, 0, ""},
      {"verified with the sandbox CA", TZTlsPolicy::Verified(testing::centralCaFile()), true, 0,
       ""},
      {"verified with the system's store", TZTlsPolicy::Verified(""), false, 2026,
       "SQL Error: TLS/SSL error: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    connection_.Disconnect();
    connection_.SetTls(c.tls);
    try {
      connection_.Connect();
      EXPECT_EQ(c.code, 0);
      EXPECT_EQ(cipher() != "", c.encrypted);
    } catch (const EZSQLException& e) {
      EXPECT_EQ(e.ErrorCode(), c.code);
      EXPECT_EQ(e.Message().substr(0, c.message.size()), c.message);
      EXPECT_EQ(connection_.LiveConnection(), nullptr);
    }
  }
}

// Settings that cannot be told: no connect reaches the server, whatever TLS
// is asked, until the refusal is lifted.
TEST_F(ConnectionTlsTest, ARefusalFailsEveryConnectBeforeTheServer) {
  AdminSession admin(Server::Central);
  const auto connections = [&] {
    return admin.scalar("SELECT variable_value FROM information_schema.global_status "
                        "WHERE variable_name = 'CONNECTIONS'");
  };
  const auto before = connections();
  for (const TZTlsPolicy& tls :
       {TZTlsPolicy::None(), TZTlsPolicy::Verified(testing::centralCaFile())}) {
    connection_.Disconnect();
    connection_.SetTls(tls);
    connection_.SetRefusal("Settings: SSL=maybe");
    try {
      connection_.Connect();
      ADD_FAILURE() << "connected";
    } catch (const EZSQLException& e) {
      EXPECT_EQ(e.ErrorCode(), -1);
      EXPECT_EQ(e.Message(), "Settings: SSL=maybe");
    }
    EXPECT_EQ(connection_.LiveConnection(), nullptr);
  }
  EXPECT_EQ(connections(), before);
  connection_.SetRefusal("");
  connection_.Connect();
  EXPECT_NE(cipher(), "");
}

}  // namespace
}  // namespace zararod

// Helpers for tests that run against the two sandbox MariaDB servers.
//
// The test command (scripts/test) starts throwaway "site" and "central"
// servers and exports where they listen:
//   ZARAROD_SITE_HOST, ZARAROD_SITE_PORT, ZARAROD_CENTRAL_HOST,
//   ZARAROD_CENTRAL_PORT, ZARAROD_DB_USER, ZARAROD_DB_PASSWORD,
//   ZARAROD_JOB_USER, ZARAROD_JOB_PASSWORD, ZARAROD_CENTRAL_CA
// A server test that finds these missing fails; it never passes silently.
//
// Each server has two accounts: the administrator's (all privileges), which
// the tests use for their own set-up and inspection, and the site's own
// (ZARAROD_JOB_USER, only the rights of the jobs of series 10, as
// sandbox/site_account.sql and sandbox/central_account.sql grant them), which
// the jobs run as.
//
// AdminSession talks to a server through the client library directly, without
// any of our own database layer, so that tests can set up and inspect servers
// independently of the code under test.
#pragma once

#include <mysql.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zararod::testing {

enum class Server { Site, Central };

enum class Account { Admin, Site };

struct ServerAddress {
  std::string host;
  unsigned port = 0;
  std::string user;
  std::string password;
};

// The server with the administrator's account, or with the site's own.
// Throws std::runtime_error when the environment does not name the server or
// the account.
ServerAddress serverAddress(Server server, Account account = Account::Admin);

// The CA file that signed the central server's TLS certificate
// (ZARAROD_CENTRAL_CA, a path of the host that runs the tests, given as
// the test sees it: under Wine on drive Z:; the certificate names 127.0.0.1
// and localhost).
// Throws std::runtime_error when the environment does not name it.
std::string centralCaFile();

using Row = std::vector<std::optional<std::string>>;

class AdminSession {
 public:
  // Connects with the sandbox account (all privileges) and utf8mb4 as the
  // connection character set unless `charset` says otherwise.
  // Throws std::runtime_error when the server cannot be reached.
  explicit AdminSession(Server server, const std::string& database = "",
                        const std::string& charset = "utf8mb4");

  // Runs one or more ';'-separated statements; throws std::runtime_error with
  // the server's message on the first failing one.
  void exec(std::string_view sql);
  // Runs one statement and returns all rows (NULL as nullopt).
  std::vector<Row> rows(std::string_view sql);
  // First column of the first row; nullopt for NULL or no row.
  std::optional<std::string> scalar(std::string_view sql);

  unsigned long threadId();
  MYSQL* handle() { return mysql_.get(); }

 private:
  struct Closer {
    void operator()(MYSQL* m) const { mysql_close(m); }
  };
  std::unique_ptr<MYSQL, Closer> mysql_;
};

// Recreates the sample databases of a server from sandbox/common.sql followed
// by sandbox/site.sql or sandbox/central.sql.
void loadSampleData(Server server);

// Turns the server's general query log on (into mysql.general_log) and clears
// it. Returns the statements ("Query" commands) that the given connection
// thread sent, oldest first, as the server received them.
void startGeneralLog(Server server);
std::vector<std::string> loggedStatements(Server server, unsigned long threadId);

}  // namespace zararod::testing

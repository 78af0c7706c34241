#include "testing/sandbox.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "testing/host_programs.h"

namespace zararod::testing {
namespace {

struct ResultFreer {
  void operator()(MYSQL_RES* result) const { mysql_free_result(result); }
};
using Result = std::unique_ptr<MYSQL_RES, ResultFreer>;

std::string requireEnv(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0')
    throw std::runtime_error(std::string("sandbox server not configured: ") + name +
                             " is not set (run the tests through scripts/test)");
  return value;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

ServerAddress serverAddress(Server server, Account account) {
  const std::string prefix = server == Server::Site ? "ZARAROD_SITE_" : "ZARAROD_CENTRAL_";
  ServerAddress address;
  address.host = requireEnv((prefix + "HOST").c_str());
  address.port = static_cast<unsigned>(std::stoul(requireEnv((prefix + "PORT").c_str())));
  const bool admin = account == Account::Admin;
  address.user = requireEnv(admin ? "ZARAROD_DB_USER" : "ZARAROD_JOB_USER");
  address.password = requireEnv(admin ? "ZARAROD_DB_PASSWORD" : "ZARAROD_JOB_PASSWORD");
  return address;
}

std::string centralCaFile() {
  // The test command names the host's file; under Wine that is on drive Z:.
  const std::string file = requireEnv("ZARAROD_CENTRAL_CA");
  return file.front() == '/' ? pathOfHostFile(file) : file;
}

AdminSession::AdminSession(Server server, const std::string& database,
                           const std::string& charset)
    : mysql_(mysql_init(nullptr)) {
  if (!mysql_) throw std::runtime_error("mysql_init failed");
  const ServerAddress address = serverAddress(server);
  mysql_options(mysql_.get(), MYSQL_SET_CHARSET_NAME, charset.c_str());
  if (mysql_real_connect(mysql_.get(), address.host.c_str(), address.user.c_str(),
                         address.password.c_str(),
                         database.empty() ? nullptr : database.c_str(), address.port,
                         nullptr, CLIENT_MULTI_STATEMENTS) == nullptr)
    throw std::runtime_error("cannot connect to sandbox server " + address.host + ":" +
                             std::to_string(address.port) + ": " + mysql_error(mysql_.get()));
}

void AdminSession::exec(std::string_view sql) {
  MYSQL* m = mysql_.get();
  if (mysql_real_query(m, sql.data(), sql.size()) != 0)
    throw std::runtime_error(std::string("admin statement failed: ") + mysql_error(m));
  for (;;) {
    Result discarded(mysql_store_result(m));
    const int next = mysql_next_result(m);
    if (next > 0) throw std::runtime_error(std::string("admin statement failed: ") + mysql_error(m));
    if (next < 0) break;
  }
}

std::vector<Row> AdminSession::rows(std::string_view sql) {
  MYSQL* m = mysql_.get();
  if (mysql_real_query(m, sql.data(), sql.size()) != 0)
    throw std::runtime_error(std::string("admin query failed: ") + mysql_error(m));
  Result res(mysql_store_result(m));
  std::vector<Row> result;
  if (!res) return result;
  const unsigned columns = mysql_num_fields(res.get());
  while (MYSQL_ROW row = mysql_fetch_row(res.get())) {
    const unsigned long* lengths = mysql_fetch_lengths(res.get());
    Row out;
    for (unsigned i = 0; i < columns; ++i) {
      if (row[i] == nullptr)
        out.emplace_back(std::nullopt);
      else
        out.emplace_back(std::string(row[i], lengths[i]));
    }
    result.push_back(std::move(out));
  }
  return result;
}

std::optional<std::string> AdminSession::scalar(std::string_view sql) {
  auto all = rows(sql);
  if (all.empty() || all.front().empty()) return std::nullopt;
  return all.front().front();
}

unsigned long AdminSession::threadId() { return mysql_thread_id(mysql_.get()); }

void loadSampleData(Server server) {
  const std::string dir = pathOfHostFile(std::string(ZARAROD_SOURCE_DIR) + "/sandbox/");
  AdminSession(server).exec(readFile(dir + "common.sql") +
                            readFile(dir + (server == Server::Site ? "site.sql" : "central.sql")));
}

void startGeneralLog(Server server) {
  AdminSession(server).exec(
      "SET GLOBAL log_output='TABLE'; SET GLOBAL general_log=1; TRUNCATE TABLE mysql.general_log");
}

std::vector<std::string> loggedStatements(Server server, unsigned long threadId) {
  AdminSession admin(server, "", "binary");
  std::vector<std::string> result;
  for (auto& row : admin.rows("SELECT argument FROM mysql.general_log WHERE thread_id=" +
                              std::to_string(threadId) +
                              " AND command_type='Query'")) {
    result.push_back(row[0].value_or(""));
  }
  return result;
}

}  // namespace zararod::testing

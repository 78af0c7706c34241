// Test support for the jobs' server tests: a recording reporter, a scratch
// working directory with a vedid.ini that points at the sandbox servers with
// the site's own accounts (the jobs run with only their rights), and table
// snapshots taken through AdminSession.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/job_reporter.h"
#include "app/jobs.h"
#include "testing/sandbox.h"
#include "testing/temp_dir.h"
#include "util/cp1250.h"

namespace zararod::testing {

// Records every call; texts are converted to UTF-8 for readable assertions.
class RecordingReporter : public JobReporter {
 public:
  std::string status[3];
  bool disabled[3] = {false, false, false};
  int progressMax[3] = {-1, -1, -1};
  std::vector<int> positions[3];
  bool visible[3] = {false, false, false};
  std::vector<std::string> messages;
  int busyDepth = 0;
  int eventPasses = 0;
  // Called at every ProcessPendingEvents with the number of passes so far.
  std::function<void(int)> onEvents;
  std::vector<int> retries;  // the attempt numbers announced
  std::function<void(int)> onRetry;

  void SetStatusText(Line line, const std::string& text) override {
    status[index(line)] = cp1250ToUtf8(text);
  }
  void DisableJob(Line line) override { disabled[index(line)] = true; }
  void SetProgressMax(Line line, int max) override { progressMax[index(line)] = max; }
  void SetProgressPosition(Line line, int position) override {
    positions[index(line)].push_back(position);
  }
  void SetProgressVisible(Line line, bool isVisible) override { visible[index(line)] = isVisible; }
  void ProcessPendingEvents() override {
    ++eventPasses;
    if (onEvents) onEvents(eventPasses);
  }
  void ShowMessage(const std::string& text, Icon icon) override {
    EXPECT_EQ(icon, Icon::Information);
    messages.push_back(cp1250ToUtf8(text));
  }
  void SetBusyCursor(bool busy) override { busyDepth += busy ? 1 : -1; }
  void JobRetrying(Line, int attempt, int attempts) override {
    EXPECT_EQ(attempts, 3);
    retries.push_back(attempt);
    if (onRetry) onRetry(attempt);
  }

  static int index(Line line) { return static_cast<int>(line); }
};

inline std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// The text of a vedid.ini: the central server's login with the series number
// (section LogON_adr), then the local server's login (section LogON). The
// extra lines (each ending in CR LF) go at the end of their section.
inline std::string settingsText(const ServerAddress& central, const std::string& series,
                                const ServerAddress& site, const std::string& centralExtra = "",
                                const std::string& siteExtra = "") {
  const auto login = [](const ServerAddress& server) {
    return "IP=" + server.host + "\r\nUser=" + server.user + "\r\nPassword=" + server.password +
           "\r\nSQLport=" + std::to_string(server.port) + "\r\n";
  };
  return "[LogON_adr]\r\n" + login(central) + "rada=" + series + "\r\n" + centralExtra +
         "[LogON]\r\n" + login(site) + siteExtra;
}

// Sets a server's global sql_mode to `expression` (new sessions, the jobs'
// among them, take it) for as long as it lives, then sets back the mode it
// found.
class GlobalSqlMode {
 public:
  GlobalSqlMode(Server server, const std::string& expression) : session_(server) {
    previous_ = session_.scalar("select @@global.sql_mode").value_or("");
    session_.exec("set global sql_mode = " + expression);
  }
  ~GlobalSqlMode() { session_.exec("set global sql_mode = '" + previous_ + "'"); }
  GlobalSqlMode(const GlobalSqlMode&) = delete;
  GlobalSqlMode& operator=(const GlobalSqlMode&) = delete;

 private:
  AdminSession session_;
  std::string previous_;
};

// A copy of the site's own account on a server (same host part, every grant
// of it) under the name "zt_lacking", password "zt_lacking", without one
// right on one table, for as long as it lives: a site whose administrator
// left that right out.
class LackingAccount {
 public:
  // `privilege` as REVOKE takes it ("DELETE"), `table` as "db.table".
  LackingAccount(Server server, const std::string& privilege, const std::string& table)
      : server_(server) {
    AdminSession admin(server);
    const std::string site = serverAddress(server, Account::Site).user;
    const std::string host =
        admin.scalar("select host from mysql.user where user = '" + site + "'").value_or("");
    account_ = "'zt_lacking'@'" + host + "'";
    admin.exec("drop user if exists " + account_ + "; create user " + account_ +
               " identified by 'zt_lacking'");
    for (const Row& grant : admin.rows("show grants for '" + site + "'@'" + host + "'")) {
      const std::string& text = grant.at(0).value();
      if (text.starts_with("GRANT USAGE ON *.*")) continue;
      admin.exec(text.substr(0, text.find(" TO ")) + " TO " + account_);
    }
    admin.exec("revoke " + privilege + " on " + table + " from " + account_);
  }
  ~LackingAccount() {
    try {
      AdminSession(server_).exec("drop user if exists " + account_);
    } catch (...) {
      // The server is gone; the account went with its sandbox, or the next
      // copy drops it first.
    }
  }
  LackingAccount(const LackingAccount&) = delete;
  LackingAccount& operator=(const LackingAccount&) = delete;

  ServerAddress address() const {
    ServerAddress address = serverAddress(server_, Account::Site);
    address.user = address.password = "zt_lacking";
    return address;
  }

 private:
  Server server_;
  std::string account_;
};

// Queues `slips` new weighing slips on the site, C00001, C00002, ... of
// series 01 with the driver "driver <n>", in key order, and then slip
// `again` a second time, at the end of the queue. Nothing else stays queued.
inline void queueNumberedSlips(int slips, int again) {
  const std::string number = std::to_string(again);
  AdminSession(Server::Site, "vorazu1")
      .exec("delete from vaznil_00; insert into vaznil (cislodokla, rada, ridic) select "
            "concat('C', lpad(seq, 5, '0')), '01', concat('driver ', seq) from seq_1_to_" +
            std::to_string(slips) +
            "; insert into vaznil_00 select cislodokla, rada from vaznil where cislodokla "
            "like 'C%' order by cislodokla; insert into vaznil_00 values ('C" +
            std::string(5 - number.size(), '0') + number + "', '01')");
}

// How many numbered slips the central server holds as the site sent them.
inline std::string numberedSlipsArrived() {
  return AdminSession(Server::Central)
      .scalar("select count(*) from vorazu1.vaznil where cislodokla like 'C%' and "
              "ridic = concat('driver ', 0 + substr(cislodokla, 2))")
      .value_or("");
}

// Both sample databases reloaded, a fresh working directory (the script
// files land there) and a vedid.ini with the site's own accounts.
class JobsDbTest : public ::testing::Test {
 public:
  void SetUp() override {
    previousDir_ = std::filesystem::current_path();
    loadSampleData(Server::Site);
    loadSampleData(Server::Central);
    workTemp_ = std::make_unique<TempDir>();
    workDir_ = workTemp_->path();
    std::filesystem::current_path(workDir_);
    iniPath_ = workTemp_->file("vedid.ini");
    writeSettings(serverAddress(Server::Central, Account::Site), "10",
                  serverAddress(Server::Site, Account::Site));
    jobs_.ApplySettings(iniPath_);
  }
  void TearDown() override {
    std::filesystem::current_path(previousDir_);
    workTemp_.reset();
  }

  void writeSettings(const ServerAddress& central, const std::string& series,
                     const ServerAddress& site, const std::string& centralExtra = "",
                     const std::string& siteExtra = "") {
    std::ofstream(iniPath_, std::ios::binary)
        << settingsText(central, series, site, centralExtra, siteExtra);
  }

  // Every row of a table as the server holds it (cp1250 bytes), in key order.
  static std::vector<Row> snapshot(Server server, const std::string& table,
                                   const std::string& order) {
    AdminSession session(server, "", "cp1250");
    return session.rows("select * from " + table + " order by " + order);
  }

  Jobs jobs_;
  RecordingReporter reporter_;
  std::unique_ptr<TempDir> workTemp_;
  std::string workDir_;
  std::string iniPath_;
  std::filesystem::path previousDir_;
};

}  // namespace zararod::testing

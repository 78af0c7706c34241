// zararod-cli as a user runs it: exit codes, output texts, and a dry run
// that leaves both servers unchanged.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "app/captured_output_test_support.h"
#include "app/cli.h"
#include "app/jobs_test_support.h"
#include "db/query.h"
#include "testing/case_name.h"
#include "testing/host_programs.h"
#include "testing/loopback_listeners.h"
#include "testing/programs.h"
#include "testing/temp_dir.h"
#include "testing/test_output.h"

namespace zararod::testing {
namespace {

struct CliRun {
  int exitCode;
  std::string out;
  std::string err;
};

class CliTest : public JobsDbTest {
 public:
  CliRun run(const std::string& arguments) {
    const auto start = std::chrono::steady_clock::now();
    const int exitCode = runWithOutputToFiles(ZARAROD_CLI, arguments, "out.txt", "err.txt");
    lastSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {exitCode, plainLineEnds(readBytes("out.txt")), plainLineEnds(readBytes("err.txt"))};
  }
  double lastSeconds = 0;  // how long the last run took

  struct Servers {
    std::vector<Row> site, central;
    bool operator==(const Servers&) const = default;
  };
  static Servers servers() {
    return {snapshot(Server::Site, "vorazu1.vaznil_00", "cislodokla"),
            snapshot(Server::Central, "vorazu1.vaznil", "id")};
  }
};

struct CliCase {
  const char* id;
  std::function<void(CliTest&)> setUp;
  std::string arguments;
  int exitCode;
  std::string out;
  std::string errContains;
};

const CliCase kCliCases[] = {
    {"NoCommand", nullptr, "", 2, "", "usage: zararod-cli"},
    {"UnknownCommand", nullptr, "send-xx vedid.ini", 2, "", "unknown command send-xx"},
    {"Status", nullptr, "status vedid.ini", 0,
     "počet nových adres: 3\npočet nových VL: 4\npočet nových LL: 3\n", ""},
    {"StatusWithCentralUnreachable",
     [](CliTest& t) {
       ServerAddress nowhere = serverAddress(Server::Central, Account::Site);
       nowhere.host = "127.0.0.1";
       nowhere.port = 1;
       t.writeSettings(nowhere, "10", serverAddress(Server::Site, Account::Site));
     },
     "status vedid.ini", 1,
     "nelze se připojit k serveru 127.0.0.1\npočet nových VL: 4\npočet nových LL: 3\n", ""},
    {"ImportAddresses", nullptr, "import-addresses vedid.ini", 0,
     "počet nových adres: 3\nNahráno 3 nových adres\n", ""},
    {"SendVl", nullptr, "send-vl vedid.ini", 0, "počet nových važ.listů: 4\nOdesláno 4 nových VL\n",
     ""},
    {"SendLlRejectedByCentral",
     [](CliTest&) {
       AdminSession(Server::Central).exec("alter table vorazu1.laborl modify laborant varchar(5)");
     },
     "send-ll vedid.ini", 1, "počet nových lab.listů: 3\n", "zararod-cli: SQL Error: "},
};

class CliRunsAJob : public CliTest, public ::testing::WithParamInterface<CliCase> {};

TEST_P(CliRunsAJob, AndReportsItsTexts) {
  const CliCase& c = GetParam();
  if (c.setUp) c.setUp(*this);
  CliRun result = run(c.arguments);
  EXPECT_EQ(result.exitCode, c.exitCode);
  EXPECT_EQ(result.out, c.out);
  EXPECT_NE(result.err.find(c.errContains), std::string::npos) << result.err;
  if (c.errContains.empty()) {
    EXPECT_EQ(result.err, "");
  }
}

INSTANTIATE_TEST_SUITE_P(Commands, CliRunsAJob, ::testing::ValuesIn(kCliCases), CaseName());

TEST_F(CliTest, ADryRunLeavesBothServersUnchanged) {
  const Servers before = servers();
  CliRun result = run("send-vl vedid.ini --dry-run");
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out,
            "počet nových važ.listů: 4\nOdesláno 4 nových VL\n"
            "dry run: nothing was committed; both servers rolled back\n");
  EXPECT_TRUE(servers() == before);

  AdminSession(Server::Central).exec("alter table vorazu1.vaznil modify ridic varchar(12)");
  const Servers narrowed = servers();
  result = run("--dry-run send-vl vedid.ini");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("rejected by the receiving server: INSERT INTO vaznil ("),
            std::string::npos)
      << result.err;
  EXPECT_NE(result.err.find(" value ('O''B-17','02',"), std::string::npos);
  EXPECT_NE(result.err.find("zararod-cli: SQL Error: Data too long for column 'ridic'"),
            std::string::npos);
  EXPECT_TRUE(servers() == narrowed);
}

// A site whose account lacks a right the job needs: the run fails, its error
// names the right, the table and the statement, and nothing is lost.
TEST_F(CliTest, AMissingRightNamesTheStatementAndTheRight) {
  struct Case {
    const char* what;
    Server server;  // where the right is missing
    const char* privilege;
    const char* table;
    const char* error;         // what stderr says
    const char* centralExtra;  // more lines of [LogON_adr]
  } cases[] = {
      {"the dequeue on the site", Server::Site, "DELETE", "vorazu1.vaznil_00",
       "zararod-cli: SQL Error: DELETE command denied to user 'zt_lacking'@'localhost' for table "
       "`vorazu1`.`vaznil_00` in statement: delete from vaznil_00 where ",
       ""},
      {"reading the queue on the site", Server::Site, "SELECT", "vorazu1.vaznil_00",
       "SELECT command denied to user 'zt_lacking'@'localhost' for table `vorazu1`.`vaznil_00` "
       "in statement: select * from vaznil_00;",
       ""},
      {"the script on the central server", Server::Central, "INSERT", "vorazu1.vaznil",
       "zararod-cli: SQL Error: INSERT command denied to user 'zt_lacking'@'localhost' for table "
       "`vorazu1`.`vaznil` in statement: INSERT INTO vaznil (cislodokla,",
       ""},
      {"the script one statement at a time", Server::Central, "INSERT", "vorazu1.vaznil",
       "`vorazu1`.`vaznil` in statement: INSERT INTO vaznil (cislodokla,", "Batch=0\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    loadSampleData(Server::Site);
    loadSampleData(Server::Central);
    const LackingAccount lacking(c.server, c.privilege, c.table);
    const bool onSite = c.server == Server::Site;
    writeSettings(onSite ? serverAddress(Server::Central, Account::Site) : lacking.address(), "10",
                  onSite ? lacking.address() : serverAddress(Server::Site, Account::Site),
                  c.centralExtra);
    const Servers before = servers();
    const CliRun result = run("send-vl vedid.ini");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(c.error), std::string::npos) << result.err;
    EXPECT_TRUE(servers() == before);
  }
}

TEST_F(CliTest, AnErrorOnATerminalStartsItsOwnLineAfterTheBar) {
  AdminSession(Server::Central).exec("alter table vorazu1.laborl modify laborant varchar(5)");
  std::FILE* terminal = std::tmpfile();  // stdout and stderr on one screen
  TerminalReporter reporter(terminal, terminal, true);
  Jobs jobs;
  EXPECT_EQ(runCli(CliOptions{"send-ll", iniPath_, false}, jobs, reporter, terminal), kExitFailed);
  const std::string screen = capturedText(terminal);
  EXPECT_NE(screen.find("100%\nzararod-cli: SQL Error: "), std::string::npos) << screen;
}

// A server that accepts and never answers ends a scheduled run with exit code
// 1 and its error within the connect limit of vedid.ini; nothing changes.
TEST_F(CliTest, ASilentServerEndsTheRunWithinTheLimitAndChangesNothing) {
  const SilentServer silent;
  ServerAddress central = serverAddress(Server::Central, Account::Site);
  central.host = silent.host();
  central.port = silent.port();
  writeSettings(central, "10", serverAddress(Server::Site, Account::Site), "ConnectTimeout=1\r\n");
  const Servers before = servers();
  struct Case {
    const char* arguments;
    std::string out;
    std::string err;
  } cases[] = {
      {"status vedid.ini",
       "nelze se připojit k serveru " + silent.host() +
           "\npočet nových VL: 4\npočet nových LL: 3\n",
       ""},
      {"send-vl vedid.ini", "počet nových važ.listů: 4\n",
       "zararod-cli: SQL Error: Lost connection to server at 'handshake: reading initial "
       "communication packet'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const CliRun result = run(c.arguments);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err.substr(0, c.err.size()), c.err) << result.err;
    EXPECT_LT(lastSeconds, 20);
    EXPECT_TRUE(servers() == before);
  }
}

// SSL=1 (or on) for a server: the connection is encrypted and the server's
// certificate and host name are verified before any statement is sent; a
// refusal ends the run with its message and changes nothing on either
// server. A value neither on nor off is refused the same way, naming the key.
TEST_F(CliTest, TlsIsVerifiedBeforeAnyStatementIsSent) {
  const ServerAddress central = serverAddress(Server::Central, Account::Site);
  const ServerAddress site = serverAddress(Server::Site, Account::Site);
  const std::string verified = "SSL=1\r\nSSLCA=" + centralCaFile() + "\r\n";
  const TempDir stranger;  // a CA that signed nothing of ours
  ASSERT_EQ(runHostShell("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 "
                         "-nodes -subj /CN=stranger -keyout \"$1\" -out \"$2\" >/dev/null 2>&1",
                         {hostPath(stranger.file("key.pem")), hostPath(stranger.file("ca.pem"))}),
            0);
  TcpRelay otherName("127.0.0.2", central.host, central.port);  // not in the certificate
  ServerAddress byOtherName = central;
  byOtherName.host = otherName.host();
  byOtherName.port = otherName.port();

  const std::string refused = "zararod-cli: SQL Error: TLS/SSL error: ";
  struct Case {
    const char* what;
    ServerAddress central;
    std::string centralExtra, siteExtra;
    std::string err;
  } cases[] = {
      {"central CA not trusted (system store)", central, "SSL=1\r\n", "", refused},
      {"central CA not the one named", central,
       "SSL=1\r\nSSLCA=" + stranger.file("ca.pem") + "\r\n", "", refused},
      {"wrong host name", byOtherName, verified, "",
       refused + "Validation of SSL server certificate failed"},
      {"site server without TLS", central, "", "SSL=1\r\n",
       refused + "SSL is required, but the server does not support it"},
      {"SSL neither on nor off", central, "SSL=maybe\r\nSSLCA=" + centralCaFile() + "\r\n", "",
       "zararod-cli: Settings: [LogON_adr] SSL=maybe is neither on (1, yes, on, true) nor off "
       "(0, no, off, false)\n"},
  };
  const Servers before = servers();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeSettings(c.central, "10", site, c.centralExtra, c.siteExtra);
    const CliRun result = run("send-vl vedid.ini");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.substr(0, c.err.size()), c.err) << result.err;
    EXPECT_TRUE(servers() == before);
  }

  AdminSession admin(Server::Central);
  const auto tlsAccepts = [&] {
    return admin.scalar(
        "select variable_value from information_schema.global_status "
        "where variable_name = 'Ssl_finished_accepts'");
  };
  // "on" and "off" are read as the words say.
  const std::string switches[] = {"on", "off"};
  for (const std::string& ssl : switches) {
    SCOPED_TRACE(ssl);
    loadSampleData(Server::Site);
    const auto acceptsBefore = tlsAccepts();
    writeSettings(central, "10", site, "SSL=" + ssl + "\r\nSSLCA=" + centralCaFile() + "\r\n");
    const CliRun result = run("send-vl vedid.ini");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "počet nových važ.listů: 4\nOdesláno 4 nových VL\n");
    EXPECT_EQ(tlsAccepts() != acceptsBefore, ssl == "on");
  }
}

// Compress per server: on, that server's session runs the compressed
// protocol, TLS or not, and a job goes through it whole; off, it does not.
// Without the key the central server is reached compressed and the site's
// own server not. A value neither on nor off is refused like SSL's.
TEST_F(CliTest, CompressSwitchesEachServersSessionToTheCompressedProtocol) {
  const ServerAddress central = serverAddress(Server::Central, Account::Site);
  const ServerAddress site = serverAddress(Server::Site, Account::Site);
  const std::string verified = "SSL=1\r\nSSLCA=" + centralCaFile() + "\r\n";
  const auto compression = [](TZConnection& connection) {
    TZQuery query("ZQueryCompression");
    query.SetConnection(&connection);
    query.SQL().Add("show session status like 'Compression'");
    query.Open();
    return query.FieldByName("Value").AsString();
  };
  struct Case {
    std::string centralExtra, siteExtra;
    const char *central, *site;
  } cases[] = {
      {"", "", "ON", "OFF"},
      {"Compress=1\r\n", "Compress=0\r\n", "ON", "OFF"},
      {verified + "Compress=on\r\n", "Compress=YES\r\n", "ON", "ON"},
      {"Compress=off\r\n", "Compress=true\r\n", "OFF", "ON"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.centralExtra + c.siteExtra);
    writeSettings(central, "10", site, c.centralExtra, c.siteExtra);
    Jobs jobs;
    jobs.ApplySettings(iniPath_);
    EXPECT_EQ(compression(jobs.ZConnection2), c.central);
    EXPECT_EQ(compression(jobs.ZConnection1), c.site);
    loadSampleData(Server::Site);
    const CliRun result = run("send-vl vedid.ini");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "počet nových važ.listů: 4\nOdesláno 4 nových VL\n");
  }

  loadSampleData(Server::Site);
  const Servers before = servers();
  writeSettings(central, "10", site, "", "Compress=fast\r\n");
  const CliRun result = run("send-vl vedid.ini");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            "zararod-cli: Settings: [LogON] Compress=fast is neither on (1, yes, on, true) nor off "
            "(0, no, off, false)\n");
  EXPECT_TRUE(servers() == before);
}

}  // namespace
}  // namespace zararod::testing

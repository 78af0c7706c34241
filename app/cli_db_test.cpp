// zararod-cli as a user runs it: exit codes, output texts, and a dry run
// that leaves both servers unchanged.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "app/cli.h"
#include "app/jobs_test_support.h"
#include "testing/case_name.h"

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
    const std::string command = std::string(ZARAROD_CLI) + " " + arguments + " >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readBytes("out.txt"),
            readBytes("err.txt")};
  }

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
       ServerAddress nowhere = serverAddress(Server::Central);
       nowhere.host = "127.0.0.1";
       nowhere.port = 1;
       t.writeSettings(nowhere, "10", serverAddress(Server::Site));
     },
     "status vedid.ini", 1,
     "nelze se připojit k serveru 127.0.0.1\npočet nových VL: 4\npočet nových LL: 3\n", ""},
    {"ImportAddresses", nullptr, "import-addresses vedid.ini", 0,
     "počet nových adres: 3\nNahráno 3 nových adres\n", ""},
    {"SendVl", nullptr, "send-vl vedid.ini", 0,
     "počet nových važ.listů: 4\nOdesláno 4 nových VL\n", ""},
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

TEST_F(CliTest, AnErrorOnATerminalStartsItsOwnLineAfterTheBar) {
  AdminSession(Server::Central).exec("alter table vorazu1.laborl modify laborant varchar(5)");
  std::FILE* terminal = std::tmpfile();  // stdout and stderr on one screen
  TerminalReporter reporter(terminal, terminal, true);
  Jobs jobs;
  EXPECT_EQ(runCli(CliOptions{"send-ll", iniPath_, false}, jobs, reporter, terminal), kExitFailed);
  std::string screen(static_cast<std::size_t>(std::ftell(terminal)), '\0');
  std::rewind(terminal);
  screen.resize(std::fread(screen.data(), 1, screen.size(), terminal));
  std::fclose(terminal);
  EXPECT_NE(screen.find("100%\nzararod-cli: SQL Error: "), std::string::npos) << screen;
}

}  // namespace
}  // namespace zararod::testing

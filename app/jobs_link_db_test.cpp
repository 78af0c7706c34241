// A job whose link breaks in the middle: the read limit of vedid.ini ends
// it with an error when the link to the central server vanishes; a
// connection killed on either server, or the program itself killed, ends it
// too. The chunks committed before stay delivered and dequeued, the chunk in
// flight stays queued, and the next run delivers the rest: no slip is lost
// and none arrives twice.
#include <gtest/gtest.h>
#include <mysql.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <set>
#include <thread>

#include "app/jobs_test_support.h"
#include "app/record_transfer.h"
#include "db/db_exceptions.h"
#include "db/mysql_connection.h"
#include "testing/case_name.h"
#include "testing/error_of.h"
#include "testing/programs.h"
#include "testing/loopback_listeners.h"

namespace zararod::testing {
namespace {

using JobsLinkTest = JobsDbTest;

TEST_F(JobsLinkTest, ALinkThatVanishesMidJobFailsWithinTheReadLimitAndLosesNothing) {
  const ServerAddress central = serverAddress(Server::Central, Account::Site);
  const auto servers = [] {
    return std::make_pair(snapshot(Server::Site, "vorazu1.vaznil_00", "cislodokla"),
                          snapshot(Server::Central, "vorazu1.vaznil", "id"));
  };
  const auto before = servers();
  std::string error;
  double seconds = 0;
  {
    TcpRelay relay("127.0.0.1", central.host, central.port);
    ServerAddress viaRelay = central;
    viaRelay.port = relay.port();
    writeSettings(viaRelay, "10", serverAddress(Server::Site, Account::Site), "ReadTimeout=1\r\n");
    jobs_.ApplySettings(iniPath_);
    // The central connection is open by the second pass (the first record).
    reporter_.onEvents = [&](int pass) {
      if (pass == 2) relay.Stall();
    };
    const auto start = std::chrono::steady_clock::now();
    error = errorOf<EZSQLException>([&] { jobs_.SendSlips(SlipKind::Weighing, reporter_); });
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }  // the relay goes: the central server sees the connection end
  EXPECT_EQ(error, "SQL Error: Lost connection to server during query");
  EXPECT_LT(seconds, 20);
  EXPECT_TRUE(servers() == before);

  writeSettings(central, "10", serverAddress(Server::Site, Account::Site));
  jobs_.ApplySettings(iniPath_);
  EXPECT_EQ(jobs_.SendSlips(SlipKind::Weighing, reporter_), 4);
}

// The first chunk, a full chunk and one slip more, queued on the site, and
// the last slip of the first chunk queued a second time, at the end.
constexpr int kSlips = kKeysInFirstChunk + kKeysPerChunk + 1;

class JobsBrokenMidwayTest : public JobsDbTest {
 public:
  void SetUp() override {
    JobsDbTest::SetUp();
    queueNumberedSlips(kSlips, kKeysInFirstChunk);
  }

  static std::vector<Row> keys(Server server, const std::string& table) {
    return AdminSession(server).rows("select cislodokla from vorazu1." + table +
                                     " where cislodokla like 'C%' order by cislodokla");
  }

  // No slip lost (each is on the central server or still queued on the
  // site) and none twice on the central server. Returns how many arrived.
  static std::size_t expectNoneLostNoneTwice() {
    const std::vector<Row> central = keys(Server::Central, "vaznil");
    const std::set<Row> arrived(central.begin(), central.end());
    EXPECT_EQ(arrived.size(), central.size()) << "a slip arrived twice";
    const std::vector<Row> queued = keys(Server::Site, "vaznil_00");
    std::set<Row> either(queued.begin(), queued.end());
    either.insert(arrived.begin(), arrived.end());
    EXPECT_EQ(either.size(), static_cast<std::size_t>(kSlips)) << "a slip was lost";
    return arrived.size();
  }

  // The next run delivers the rest: every slip once, as the site holds it,
  // and the queue empty.
  void expectTheNextRunDeliversTheRest() {
    reporter_ = RecordingReporter();
    Jobs jobs;
    jobs.ApplySettings(iniPath_);
    const std::size_t before = keys(Server::Central, "vaznil").size();
    const int delivered = jobs.SendSlips(SlipKind::Weighing, reporter_);
    EXPECT_GE(static_cast<std::size_t>(delivered), kSlips - before);
    EXPECT_EQ(expectNoneLostNoneTwice(), static_cast<std::size_t>(kSlips));
    EXPECT_TRUE(keys(Server::Site, "vaznil_00").empty());
    EXPECT_EQ(numberedSlipsArrived(), std::to_string(kSlips));
  }
};

// Where the connection of one server is killed, by the reporter's passes:
// the status line (1), the bar (2), one per queued key (3 on), and one
// between the two commits of each chunk. The receiver runs a chunk while the
// next chunk's keys are taken up, so the first chunk's two commits come
// after the second chunk's keys: at pass 3 + kKeysInFirstChunk + kKeysPerChunk.
struct KillCase {
  const char* id;
  Server victim;
  int pass;
  // Slips on the central server after the broken run, and whether the first
  // chunk has left the queue; -1: either, as the kill meets the receiver
  // before or after its commit.
  int delivered;
  int dequeued;
};

constexpr int kWhileTheFirstChunkIsReceived = 3 + kKeysInFirstChunk + 100;
constexpr int kBetweenTheFirstChunksCommits = 3 + kKeysInFirstChunk + kKeysPerChunk;

const KillCase kKillCases[] = {
    // The next chunk's read fails: the receiver commits the first chunk,
    // the site cannot; it goes again.
    {"SiteKilledWhileTheFirstChunkIsReceived", Server::Site, kWhileTheFirstChunkIsReceived,
     kKeysInFirstChunk, 0},
    {"CentralKilledWhileTheFirstChunkIsReceived", Server::Central,
     kWhileTheFirstChunkIsReceived, -1, -1},
    // The central server holds the first chunk; the site's commit of its
    // queue deletes fails, so the chunk stays queued and goes again.
    {"SiteKilledBetweenTheTwoCommits", Server::Site, kBetweenTheFirstChunksCommits,
     kKeysInFirstChunk, 0},
    // The first chunk is through; the second cannot start on the central
    // server.
    {"CentralKilledBetweenTheTwoCommits", Server::Central, kBetweenTheFirstChunksCommits,
     kKeysInFirstChunk, 1},
};

class JobKills : public JobsBrokenMidwayTest, public ::testing::WithParamInterface<KillCase> {};

TEST_P(JobKills, AKilledConnectionCostsAtMostTheChunksInFlight) {
  const KillCase& c = GetParam();
  // The connection's thread id, taken while the job's thread alone uses it
  // (both are open by the bar's pass), for a kill while the receiver runs.
  unsigned long victim = 0;
  reporter_.onEvents = [&](int pass) {
    if (pass == 2) {
      TZConnection& connection =
          c.victim == Server::Site ? jobs_.ZConnection1 : jobs_.ZConnection2;
      ASSERT_NE(connection.LiveConnection(), nullptr);
      victim = mysql_thread_id(connection.LiveConnection()->Handle());
    }
    if (pass == c.pass) AdminSession(c.victim).exec("KILL " + std::to_string(victim));
  };
  EXPECT_THROW(jobs_.SendSlips(SlipKind::Weighing, reporter_), Exception);
  // No summary line for a broken run: only the error.
  EXPECT_TRUE(reporter_.messages.empty());
  const std::size_t delivered = expectNoneLostNoneTwice();
  if (c.delivered >= 0) {
    EXPECT_EQ(delivered, static_cast<std::size_t>(c.delivered));
  }
  // The first chunk's queue entries are gone once both sides committed it;
  // its last slip is queued a second time further on, and that entry stays.
  const std::size_t queued = keys(Server::Site, "vaznil_00").size();
  if (c.dequeued >= 0) {
    EXPECT_EQ(queued,
              static_cast<std::size_t>(kSlips + 1 - (c.dequeued ? kKeysInFirstChunk : 0)));
  }
  expectTheNextRunDeliversTheRest();
}

INSTANTIATE_TEST_SUITE_P(Kills, JobKills, ::testing::ValuesIn(kKillCases), CaseName());

// zararod-cli send-vl killed outright once the central server holds its
// first chunk: whatever it was doing then, the servers roll back what it had
// open.
TEST_F(JobsBrokenMidwayTest, TheProgramKilledMidJobLosesNothing) {
  KillableProgram cli(ZARAROD_CLI, {"send-vl", iniPath_});
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (keys(Server::Central, "vaznil").size() < static_cast<std::size_t>(kKeysInFirstChunk) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(cli.kill()) << "the program ended before it was killed";
  EXPECT_GE(expectNoneLostNoneTwice(), static_cast<std::size_t>(kKeysInFirstChunk));
  expectTheNextRunDeliversTheRest();
}

}  // namespace
}  // namespace zararod::testing

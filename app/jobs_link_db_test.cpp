// A job whose link to the central server vanishes in the middle: the read
// limit of vedid.ini ends it with an error, and both servers keep what they
// held, so the next run sends every record.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "app/jobs_test_support.h"
#include "db/db_exceptions.h"
#include "testing/error_of.h"
#include "testing/loopback_listeners.h"

namespace zararod::testing {
namespace {

using JobsLinkTest = JobsDbTest;

TEST_F(JobsLinkTest, ALinkThatVanishesMidJobFailsWithinTheReadLimitAndLosesNothing) {
  const ServerAddress central = serverAddress(Server::Central);
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
    writeSettings(viaRelay, "10", serverAddress(Server::Site), "ReadTimeout=1\r\n");
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

  writeSettings(central, "10", serverAddress(Server::Site));
  jobs_.ApplySettings(iniPath_);
  EXPECT_EQ(jobs_.SendSlips(SlipKind::Weighing, reporter_), 4);
}

}  // namespace
}  // namespace zararod::testing

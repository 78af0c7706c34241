// A send of many wide slips while the site's own program changes random
// slips and queues them again, about 200 times a second, the whole time:
// once the queue is empty, every slip is on the central server as the site
// holds it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/jobs_test_support.h"

namespace zararod::testing {
namespace {

constexpr int kSlips = 3000;

// Every slip's key, driver and a digest of its note, in key order.
std::vector<Row> slips(Server server) {
  return AdminSession(server, "vorazu1")
      .rows("select cislodokla, rada, ridic, md5(poznamka) from vaznil where cislodokla like 'S%' "
            "order by cislodokla, rada");
}

TEST_F(JobsDbTest, EveryChangeMadeDuringASendArrives) {
  // Wide slips (about 2 kB of note each), so that the send takes several
  // chunks.
  AdminSession(Server::Site, "vorazu1")
      .exec("delete from vaznil_00; insert into vaznil (cislodokla, rada, ridic, poznamka) select "
            "concat('S', lpad(seq, 5, '0')), '01', 'as queued', repeat(concat('note ', seq, ' "
            "Žďár; '), 100) from seq_1_to_" +
            std::to_string(kSlips) +
            "; insert into vaznil_00 select cislodokla, rada from vaznil where cislodokla like "
            "'S%' order by cislodokla");

  std::atomic<bool> sending{true};
  int changes = 0;
  std::thread writer([&] {
    AdminSession site(Server::Site, "vorazu1");
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> slip(1, kSlips);
    while (sending) {
      const std::string number = std::to_string(slip(random));
      const std::string key = "S" + std::string(5 - number.size(), '0') + number;
      ++changes;
      site.exec("start transaction; update vaznil set ridic = 'change " + std::to_string(changes) +
                "', poznamka = concat(poznamka, '+') where cislodokla = '" + key +
                "'; insert into vaznil_00 values ('" + key + "', '01'); commit");
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  try {
    jobs_.SendSlips(SlipKind::Weighing, reporter_);
  } catch (...) {
    sending = false;
    writer.join();
    throw;
  }
  sending = false;
  writer.join();
  EXPECT_GT(changes, 0);

  for (int run = 0; run < 5; ++run) {
    if (AdminSession(Server::Site).scalar("select count(*) from vorazu1.vaznil_00") == "0") break;
    jobs_.SendSlips(SlipKind::Weighing, reporter_);
  }
  EXPECT_EQ(AdminSession(Server::Site).scalar("select count(*) from vorazu1.vaznil_00"), "0");
  const std::vector<Row> site = slips(Server::Site), central = slips(Server::Central);
  ASSERT_EQ(site.size(), static_cast<std::size_t>(kSlips));
  ASSERT_EQ(central.size(), site.size());
  int stale = 0;
  for (std::size_t i = 0; i < site.size(); ++i) {
    if (site[i] != central[i]) ++stale;
  }
  EXPECT_EQ(stale, 0) << "of " << changes << " changes";
  RecordProperty("changes", changes);
}

}  // namespace
}  // namespace zararod::testing

// Test support: records changed and queued again by another session while a
// job sends them, at the named moments of the transfer
// (app/record_transfer.h). After the job and one more run, every changed
// record must be on the receiving server as the sending server holds it, and
// the queue must be empty.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "app/jobs.h"
#include "app/jobs_test_support.h"
#include "app/record_transfer.h"
#include "testing/sandbox.h"

namespace zararod::testing {

enum class ChangedJob { Addresses, WeighingSlips, LabSlips };

struct ChangedRecords {
  const char* id;
  ChangedJob job;
  Server sender;
  const char* table;  // database.table of the records, on both servers
  const char* queue;  // database.table of the queue, on the sender
  const char* key;    // the key column that numbers the records
  const char* more;   // the other key columns' values in the queue, or ""
  const char* text;   // the text column that the changes write
};

inline const ChangedRecords kChangedRecords[] = {
    {"ImportAddresses", ChangedJob::Addresses, Server::Central, "dovodi.adresar",
     "dovodi.adresar_10", "kodpar", "", "NAZEVPODNI"},
    {"SendWeighingSlips", ChangedJob::WeighingSlips, Server::Site, "vorazu1.vaznil",
     "vorazu1.vaznil_00", "cislodokla", ", '01'", "ridic"},
    {"SendLabSlips", ChangedJob::LabSlips, Server::Site, "vorazu1.laborl", "vorazu1.laborl_00",
     "cislodokla", ", '01'", "laborant"},
};

inline void PrintTo(const ChangedRecords& c, std::ostream* out) { *out << c.id; }

inline const char* momentName(TransferMoment moment) {
  switch (moment) {
    case TransferMoment::ChunkRead:
      return "ChunkRead";
    case TransferMoment::SenderCommitted:
      return "SenderCommitted";
    case TransferMoment::ReceiverRunning:
      break;
  }
  return "ReceiverRunning";
}

// Every job at every moment, and the name of such a case.
using ChangedCase = std::tuple<ChangedRecords, TransferMoment>;
inline auto changedCases() {
  return ::testing::Combine(::testing::ValuesIn(kChangedRecords),
                            ::testing::Values(TransferMoment::ChunkRead,
                                              TransferMoment::SenderCommitted,
                                              TransferMoment::ReceiverRunning));
}
inline std::string changedCaseName(const ::testing::TestParamInfo<ChangedCase>& info) {
  return std::string(std::get<0>(info.param).id) + "_" + momentName(std::get<1>(info.param));
}

class ConcurrentChanges {
 public:
  // The first and the last of the numbered records fall into the first and
  // the second chunk.
  static constexpr int kRecords = kKeysInFirstChunk + 50;

  explicit ConcurrentChanges(const ChangedRecords& c) : c_(c) {}
  ~ConcurrentChanges() { waitForWriters(); }

  Server receiver() const { return c_.sender == Server::Site ? Server::Central : Server::Site; }

  // kRecords new records N00001, N00002, ... on the sender, each queued
  // once, in key order; nothing else queued.
  void queueNumberedRecords() const {
    const std::string more = *c_.more ? ", rada" : "";
    const std::string table = c_.table;
    AdminSession(c_.sender, table.substr(0, table.find('.')))
        .exec(std::string("delete from ") + c_.queue + "; insert into " + c_.table + " (" + c_.key +
              more + ", " + c_.text + ") select concat('N', lpad(seq, 5, '0'))" + c_.more +
              ", concat('as queued ', seq) from seq_1_to_" + std::to_string(kRecords) +
              "; insert into " + c_.queue + " select " + c_.key + more + " from " + c_.table +
              " where " + c_.key + " like 'N%' order by " + c_.key);
  }

  // Changes record `number` on the sender and queues it again, in one
  // transaction of a session of its own, as the server's own programs do.
  // Waits up to a second for it to commit: a change that the job's locks
  // hold up commits when they let it.
  void change(int number) {
    const std::string key = "N" + std::string(5 - std::to_string(number).size(), '0') +
                            std::to_string(number);
    const std::string value = "changed " + std::to_string(++changes_);
    writers_.push_back(std::async(std::launch::async, [this, key, value] {
      AdminSession(c_.sender)
          .exec(std::string("start transaction; update ") + c_.table + " set " + c_.text +
                " = '" + value + "' where " + c_.key + " = '" + key + "'; insert into " +
                c_.queue + " values ('" + key + "'" + c_.more + "); commit");
    }));
    writers_.back().wait_for(std::chrono::seconds(1));
  }

  // Changes the first and the last record whenever the job reaches `moment`.
  // While the receiver runs the first chunk, it does so once the sender has
  // read the second chunk: the change then comes after both chunks' reads
  // and before either dequeue has committed.
  std::function<void(TransferMoment, int)> changingAt(TransferMoment moment) {
    return [this, moment](TransferMoment reached, int chunk) {
      if (reached == TransferMoment::ChunkRead && chunk == 1) {
        const std::lock_guard<std::mutex> lock(mutex_);
        secondChunkRead_ = true;
        secondChunkReadChanged_.notify_all();
      }
      if (reached != moment) return;
      if (moment == TransferMoment::ReceiverRunning) {
        if (chunk != 0) return;
        std::unique_lock<std::mutex> lock(mutex_);
        ASSERT_TRUE(secondChunkReadChanged_.wait_for(lock, std::chrono::seconds(10),
                                                     [this] { return secondChunkRead_; }));
      }
      change(1);
      change(kRecords);
    };
  }

  void waitForWriters() {
    for (std::future<void>& writer : writers_) writer.get();
    writers_.clear();
  }

  int changes() const { return changes_; }

  // The numbered records' texts whose receiving copy differs from the
  // sender's ("N00001: changed 3 / as queued 1").
  std::vector<std::string> stale() const {
    const std::string select = std::string("select ") + c_.key + ", " + c_.text + " from " +
                               c_.table + " where " + c_.key + " like 'N%' order by " + c_.key;
    const std::vector<Row> sent = AdminSession(c_.sender).rows(select);
    const std::vector<Row> arrived = AdminSession(receiver()).rows(select);
    std::vector<std::string> differing;
    if (sent.size() != arrived.size()) {
      differing.push_back(std::to_string(arrived.size()) + " of " + std::to_string(sent.size()) +
                          " records arrived");
      return differing;
    }
    for (std::size_t i = 0; i < sent.size(); ++i) {
      if (sent[i] != arrived[i]) {
        differing.push_back(*sent[i][0] + ": " + sent[i][1].value_or("NULL") + " / " +
                            arrived[i][1].value_or("NULL"));
      }
    }
    return differing;
  }

  std::string queued() const {
    return AdminSession(c_.sender).scalar(std::string("select count(*) from ") + c_.queue).value_or("");
  }

 private:
  const ChangedRecords& c_;
  int changes_ = 0;
  std::vector<std::future<void>> writers_;
  std::mutex mutex_;
  std::condition_variable secondChunkReadChanged_;
  bool secondChunkRead_ = false;
};

inline int runChangedJob(ChangedJob job, Jobs& jobs, JobReporter& reporter) {
  switch (job) {
    case ChangedJob::Addresses:
      return jobs.ImportAddresses(reporter);
    case ChangedJob::WeighingSlips:
      return jobs.SendSlips(SlipKind::Weighing, reporter);
    case ChangedJob::LabSlips:
      break;
  }
  return jobs.SendSlips(SlipKind::Laboratory, reporter);
}

// Runs the job while records change at `moment`, then once more without
// changes: every changed record arrives in its last state, and nothing
// stays queued.
inline void expectChangesArrive(const ChangedRecords& c, TransferMoment moment, Jobs& jobs,
                                JobReporter& reporter) {
  ConcurrentChanges changes(c);
  changes.queueNumberedRecords();
  jobs.ObserveTransfers(changes.changingAt(moment));
  runChangedJob(c.job, jobs, reporter);
  jobs.ObserveTransfers(nullptr);
  changes.waitForWriters();
  EXPECT_GT(changes.changes(), 0) << "the job never reached the moment";
  runChangedJob(c.job, jobs, reporter);
  EXPECT_EQ(changes.stale(), std::vector<std::string>{});
  EXPECT_EQ(changes.queued(), "0");
}

}  // namespace zararod::testing

// The retry policy: which errors run a job again, how often, and the pauses.
#include "app/job_retry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "db/db_exceptions.h"

namespace zararod {
namespace {

using std::chrono::milliseconds;

struct Outcome {
  int attempts = 0;
  std::vector<int> retries;  // onRetry's numbers
  std::vector<milliseconds> pauses;
  bool threw = false;
  int result = 0;
};

// Runs a job whose attempts fail with `failures` in turn and then return 7.
template <typename Error>
Outcome runFailing(const std::vector<Error>& failures) {
  Outcome outcome;
  JobRetry retry([&](milliseconds pause) { outcome.pauses.push_back(pause); }, 42);
  try {
    outcome.result = retry.Run(
        [&] {
          const std::size_t attempt = static_cast<std::size_t>(outcome.attempts++);
          if (attempt < failures.size()) throw failures[attempt];
          return 7;
        },
        [&](int next) { outcome.retries.push_back(next); });
  } catch (const Error&) {
    outcome.threw = true;
  }
  return outcome;
}

const EZSQLException kDeadlock("SQL Error: Deadlock found when trying to get lock", 1213);
const EZSQLException kLockWait("SQL Error: Lock wait timeout exceeded", 1205);
const EZSQLException kRejected("SQL Error: Data too long for column 'ridic'", 1406);

TEST(JobRetryTest, RunsAgainOnlyAfterALockErrorAndAtMostThreeTimesInAll) {
  struct Case {
    const char* what;
    std::vector<EZSQLException> failures;
    int attempts;
    std::vector<int> retries;
    bool threw;
  } cases[] = {
      {"no failure", {}, 1, {}, false},
      {"a deadlock, then success", {kDeadlock}, 2, {2}, false},
      {"two lock errors, then success", {kLockWait, kDeadlock}, 3, {2, 3}, false},
      {"three lock errors", {kDeadlock, kLockWait, kDeadlock}, 3, {2, 3}, true},
      {"a rejected statement", {kRejected}, 1, {}, true},
      {"a lock error, then a rejected statement", {kDeadlock, kRejected}, 2, {2}, true},
      {"the layer's own error", {EZSQLException("Cannot connect to SQL server", -1)}, 1, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome outcome = runFailing(c.failures);
    EXPECT_EQ(outcome.attempts, c.attempts);
    EXPECT_EQ(outcome.retries, c.retries);
    EXPECT_EQ(outcome.pauses.size(), c.retries.size());
    EXPECT_EQ(outcome.threw, c.threw);
    if (!c.threw) {
      EXPECT_EQ(outcome.result, 7);
    }
  }
}

TEST(JobRetryTest, TheLastAttemptsErrorComesThroughUnchanged) {
  JobRetry retry([](milliseconds) {}, 1);
  int attempts = 0;
  const auto failing = [&]() -> int {
    ++attempts;
    throw attempts < 3 ? kDeadlock : kLockWait;
  };
  try {
    retry.Run(failing, [](int) {});
    FAIL() << "no error";
  } catch (const EZSQLException& e) {
    EXPECT_EQ(e.ErrorCode(), 1205);
    EXPECT_EQ(e.Message(), kLockWait.Message());
  }
}

TEST(JobRetryTest, OtherExceptionsAreNeverRetried) {
  const Outcome outcome = runFailing(std::vector<std::runtime_error>{std::runtime_error("x")});
  EXPECT_EQ(outcome.attempts, 1);
  EXPECT_TRUE(outcome.threw);
}

TEST(JobRetryTest, PausesAreShortAndVary) {
  std::vector<milliseconds> pauses;
  JobRetry retry([&](milliseconds pause) { pauses.push_back(pause); }, 7);
  for (int job = 0; job < 50; ++job) {
    int attempts = 0;
    retry.Run(
        [&] {
          if (++attempts < 3) throw kDeadlock;
          return 0;
        },
        [](int) {});
  }
  ASSERT_EQ(pauses.size(), 100u);
  for (milliseconds pause : pauses) {
    EXPECT_GE(pause, JobRetry::kShortestPause);
    EXPECT_LE(pause, JobRetry::kLongestPause);
  }
  EXPECT_GT(*std::max_element(pauses.begin(), pauses.end()) -
                *std::min_element(pauses.begin(), pauses.end()),
            milliseconds(200));
}

}  // namespace
}  // namespace zararod

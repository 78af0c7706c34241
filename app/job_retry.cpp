#include "app/job_retry.h"

#include <thread>
#include <utility>

#include "db/db_exceptions.h"

namespace zararod {

namespace {

constexpr int kDeadlock = 1213;
constexpr int kLockWaitTimeout = 1205;

}  // namespace

JobRetry::JobRetry()
    : JobRetry([](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); },
               std::random_device{}()) {}

JobRetry::JobRetry(Pause pause, unsigned seed) : pause_(std::move(pause)), random_(seed) {}

bool JobRetry::IsRetryable(const std::exception& error) noexcept {
  const auto* sql = dynamic_cast<const EZSQLException*>(&error);
  return sql != nullptr && (sql->ErrorCode() == kDeadlock || sql->ErrorCode() == kLockWaitTimeout);
}

std::chrono::milliseconds JobRetry::nextPause() {
  std::uniform_int_distribution<std::chrono::milliseconds::rep> pick(kShortestPause.count(), kLongestPause.count());
  return std::chrono::milliseconds(pick(random_));
}

}  // namespace zararod

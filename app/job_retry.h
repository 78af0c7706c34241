// Running a whole job again when a server gave up on a lock.
//
// Jobs of many sites that write the same rows at the same moment (sites that
// send on the hour to one central server) can meet in a deadlock, or one can
// wait for another's lock longer than the server allows; the server then
// rejects a statement with error 1213 (deadlock) or 1205 (lock wait timeout).
// Another attempt, a moment later, usually gets through. A failed attempt
// has rolled back both servers (app/job_transaction.h), and every record is written
// as delete-then-insert, so an attempt run again from the start can neither
// lose nor duplicate a record.
//
// JobRetry runs an attempt up to kAttempts times in all, with a short random
// pause before each new attempt. The pause's random source belongs to the
// object. Not thread-safe; one per Jobs.
#pragma once

#include <chrono>
#include <exception>
#include <functional>
#include <random>

namespace zararod {

class JobRetry {
 public:
  static constexpr int kAttempts = 3;
  static constexpr std::chrono::milliseconds kShortestPause{200};
  static constexpr std::chrono::milliseconds kLongestPause{800};

  // How to wait between attempts; by default the thread sleeps.
  using Pause = std::function<void(std::chrono::milliseconds)>;

  JobRetry();
  // With a pause of the caller's own (tests) and a fixed seed.
  JobRetry(Pause pause, unsigned seed);

  // Whether another attempt may get past the error: a statement the server
  // rejected with a deadlock (1213) or a lock wait timeout (1205), on either
  // side. Every other error ends the job at once.
  static bool IsRetryable(const std::exception& error) noexcept;

  // Returns attempt()'s result. When attempt() throws a retryable error and
  // attempts are left, calls onRetry(number of the next attempt, 2 or 3),
  // pauses between kShortestPause and kLongestPause, and runs attempt()
  // again. Lets through the first error that is not retryable, and the error
  // of the last attempt.
  template <typename Attempt, typename OnRetry>
  auto Run(Attempt&& attempt, OnRetry&& onRetry) -> decltype(attempt()) {
    for (int number = 1;; ++number) {
      try {
        return attempt();
      } catch (const std::exception& error) {
        if (number >= kAttempts || !IsRetryable(error)) throw;
      }
      onRetry(number + 1);
      pause_(nextPause());
    }
  }

 private:
  std::chrono::milliseconds nextPause();

  Pause pause_;
  std::minstd_rand random_;
};

}  // namespace zararod

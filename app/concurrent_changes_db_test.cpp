// Records changed and queued again by the server's own programs while a job
// sends them arrive in their last state: at each moment of the transfer,
// for each job. The same on servers that log statements: see
// statement_binlog_db_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "app/concurrent_changes_test_support.h"

namespace zararod::testing {
namespace {

class ConcurrentChangesTest
    : public JobsDbTest,
      public ::testing::WithParamInterface<ChangedCase> {};

TEST_P(ConcurrentChangesTest, EveryChangeArrives) {
  const auto& [records, moment] = GetParam();
  expectChangesArrive(records, moment, jobs_, reporter_);
}

INSTANTIATE_TEST_SUITE_P(Jobs, ConcurrentChangesTest, changedCases(), changedCaseName);

}  // namespace
}  // namespace zararod::testing

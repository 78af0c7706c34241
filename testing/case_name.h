// Names the instances of a parameterised test after their cases, so that a
// failure and `--gtest_filter` read "…/SendWeighingSlips" rather than "…/1":
//   INSTANTIATE_TEST_SUITE_P(Jobs, JobButton, ::testing::ValuesIn(kCases), CaseName());
// REQUIRES: the case type has a member `id` of letters, digits and
// underscores, unique among the cases of one suite.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace zararod::testing {

struct CaseName {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
    return info.param.id;
  }
};

}  // namespace zararod::testing

// The message of the error that a call raises, for tests that compare error
// texts: errorOf<EZSQLException>([&] { … }) gives the Message() of the
// EZSQLException the call throws, or "no error" when it throws nothing. An
// error of another kind passes through and fails the test.
#pragma once

#include <string>

#include "util/exception.h"

namespace zararod::testing {

template <class Error = Exception, class Call>
std::string errorOf(Call&& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.Message();
  }
  return "no error";
}

}  // namespace zararod::testing

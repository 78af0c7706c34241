// The test executables' standard output ends its lines in "\n" alone on
// every system. CTest learns the tests of an executable from its list output
// (gtest_discover_tests); the C runtime on Windows would write "\r\n" to a
// pipe, and the "\r" would end up in the tests' names.
#pragma once

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#endif

namespace zararod::testing {

inline void plainLineEndsOnStandardOutput() {
#ifdef _WIN32
  std::fflush(stdout);
  ::_setmode(::_fileno(stdout), _O_BINARY);
#endif
}

}  // namespace zararod::testing

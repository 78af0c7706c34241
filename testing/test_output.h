// What a program under test wrote, as the tests compare it.
#pragma once

#include <string>

#include "util/strings.h"

namespace zararod::testing {

// A program's text output with each line ended in "\n" alone. On Windows the
// C runtime writes text-mode output with "\r\n"; elsewhere the text is
// returned unchanged.
inline std::string plainLineEnds(std::string text) {
#ifdef _WIN32
  return ReplaceAllText(text, "\r\n", "\n");
#else
  return text;
#endif
}

}  // namespace zararod::testing

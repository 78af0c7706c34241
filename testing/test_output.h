// What a program under test wrote, as the tests compare it.
#pragma once

#include <string>

namespace zararod::testing {

// A program's text output with each line ended in "\n" alone. On Windows the
// C runtime writes text-mode output with "\r\n"; elsewhere the text is
// returned unchanged.
inline std::string plainLineEnds(std::string text) {
#ifdef _WIN32
  std::string plain;
  plain.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    plain += text[i];
  }
  return plain;
#else
  return text;
#endif
}

}  // namespace zararod::testing

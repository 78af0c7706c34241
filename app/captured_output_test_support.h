// Test support for zararod-cli's output: what a run wrote to a tmpfile()
// stream that stood in for the terminal. A run of the program itself, with
// its output and errors in files: testing/programs.h.
#pragma once

#include <cstdio>
#include <string>

namespace zararod {

// Everything written to `file` (a tmpfile() stream, at its end); closes it.
inline std::string capturedText(std::FILE* file) {
  std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  text.resize(std::fread(text.data(), 1, text.size(), file));
  std::fclose(file);
  return text;
}

}  // namespace zararod

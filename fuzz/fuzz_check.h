// Checks of the fuzz targets: a broken invariant ends the run the way a
// crash does, so that libFuzzer keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace zararod::fuzz {

// Aborts with `what` on stderr when `holds` is false.
inline void require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

// The input bytes as a text view.
inline std::string_view textOf(const unsigned char* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace zararod::fuzz

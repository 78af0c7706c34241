// The percentage that a progress bar shows, as the window's bar and the
// terminal's both compute it.
#pragma once

#include <cstdint>

namespace zararod {

// (position − min) / (max − min) × 100 truncated toward zero, 0 when max
// equals min. Exact for every argument: far outside the range the
// percentage exceeds int (0..1 at 2147483647 is 214748364700).
// In 64-bit integers the quotient is exact for every range and position of
// 32-bit values (the difference needs 33 bits, times 100 at most 40), and C++
// division truncates toward zero. A double quotient would give the same
// whole percentage, but one beyond the range of int cannot be cast back.
inline std::int64_t ProgressPercent(int min, int max, int position) {
  if (max == min) return 0;
  return (std::int64_t{position} - min) * 100 / (std::int64_t{max} - min);
}

}  // namespace zararod

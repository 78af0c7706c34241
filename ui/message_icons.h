// The picture strip of the message dialog: four 42 × 42 pictures side by
// side, 168 × 42 in all, in the order warning, stop, information, help, drawn
// in code. Picture number n (counted from 1, as TsuiIconType numbers them)
// starts at x = (n − 1) × 42.
#pragma once

#include <QPixmap>

namespace zararod {

inline constexpr int kMessageIconSize = 42;

QPixmap MessageIconStrip();

}  // namespace zararod

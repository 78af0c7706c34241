#include "ui/skin.h"

namespace zararod {

QColor FromTColor(int bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

SkinColors StyleColors(TsuiUIStyle style) {
  switch (style) {
    case TsuiUIStyle::MacOS:
      return {QColor(231, 231, 231), QColor(127, 127, 127), QColor(250, 250, 250),
              QColor(214, 214, 214), QColor(170, 170, 170), QColor(0, 0, 0),
              QColor(255, 255, 255), QColor(222, 222, 222), QColor(140, 140, 140)};
    case TsuiUIStyle::DeepBlue:
      break;
  }
  return {QColor(231, 231, 231), QColor(127, 127, 127), QColor(58, 98, 170),
          QColor(24, 52, 112),   QColor(16, 36, 80),    QColor(255, 255, 255),
          QColor(246, 248, 252), QColor(206, 216, 234), QColor(70, 92, 140)};
}

}  // namespace zararod

// Skin styles: the colours with which the skinned panel, its title bar, the
// buttons and the progress bars are drawn.
#pragma once

#include <QColor>

namespace zararod {

// The looks a skinned control can take. The window uses MacOS; DeepBlue is
// what a control takes when no skinned panel tells it otherwise.
enum class TsuiUIStyle { MacOS, DeepBlue };

// A colour given as the number the window's design stores (blue in the high
// byte, red in the low byte), e.g. 8355711 = RGB 127,127,127.
QColor FromTColor(int bgr);

struct SkinColors {
  QColor panel;         // client area of the skinned panel
  QColor border;        // one-pixel frame around the panel
  QColor titleTop;      // title bar gradient, top
  QColor titleBottom;   // title bar gradient, bottom
  QColor titleLine;     // line under the title bar
  QColor captionText;   // title text unless a caption font colour says otherwise
  QColor buttonTop;     // push button gradient, top
  QColor buttonBottom;  // push button gradient, bottom
  QColor buttonBorder;
};

SkinColors StyleColors(TsuiUIStyle style);

// Height of the title bar that the skinned panel draws at its top.
inline constexpr int kTitleBarHeight = 24;

}  // namespace zararod

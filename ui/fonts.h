// The faces of the window's design metrics.
//
// The window is laid out in Tahoma. The face ships as a plain file that the
// system's font configuration does not know, so it is loaded into the
// application on first use; where the file is missing, DejaVu Sans stands in.
// REQUIRES: a QGuiApplication exists; user-interface thread only.
#pragma once

#include <QFont>

namespace zararod {

// Tahoma (regular or bold) at a height given in pixels.
QFont TahomaFont(int pixelSize, bool bold = false);

// The height of one line of text in `font` as the window's design counts it:
// for Tahoma the face's full ascent plus descent (13 pixels at 11, 16 at 13),
// for any other face its own metrics.
int LineHeight(const QFont& font);

}  // namespace zararod

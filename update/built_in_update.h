// What the program knows of the update server when the settings file says
// nothing.
//
// Fixed when the program is built, from the CMake cache variable
// ZARAROD_UPDATE_URL: the server's base URL (its path ends in "knihovna/").
// The program lets the [Update] section of the settings file replace it (see
// app/update_handler.h).
#pragma once

namespace zararod {

// The base URL built into the program.
const char* builtInUpdateUrl();

}  // namespace zararod

// What the program knows of the update server when the settings file says
// nothing.
//
// Both values are fixed when the program is built, from CMake cache variables:
//   ZARAROD_UPDATE_URL  the server's base URL (its path ends in "knihovna/");
//   ZARAROD_UPDATE_KEY  the publisher's Ed25519 public key, base64 of its 32
//                       raw bytes; empty: setup programs are not verified.
// The program lets the [Update] section of the settings file replace either
// (see app/update_handler.h).
#pragma once

namespace zararod {

// The base URL built into the program.
const char* builtInUpdateUrl();

// The public key built into the program; "" when none.
const char* builtInUpdateKey();

}  // namespace zararod

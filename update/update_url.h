// The base URL of the update server.
//
// Built into the program (the CMake cache variable ZARAROD_UPDATE_URL; its
// path ends in "knihovna/"), and replaceable per installation by the key URL
// of section [Update] in vedid.ini beside the executable:
//
//   [Update]
//   URL=https://aktualizace.example.cz/knihovna/
//
// The value is used as it stands: the file names are appended to it, so it
// should end with "/". An empty value counts as no value. The other sections
// and keys of vedid.ini keep their meaning.
#pragma once

#include <string>

namespace zararod {

// The base URL built into the program.
const char* builtInUpdateUrl();

// The base URL that applies with the settings file iniFileName: its
// [Update] URL when present and not empty, else builtInUpdateUrl(). Never
// throws (apart from std::bad_alloc); a missing file gives the built-in URL.
std::string UpdateBaseUrl(const std::string& iniFileName);

// The same for ExePath() + "vedid.ini".
std::string UpdateBaseUrl();

}  // namespace zararod

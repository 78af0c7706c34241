// Process-wide format settings: the decimal separator of float texts and the
// time separator of date-time texts.
//
// The program reads them from the user's locale once at start-up
// (LoadFormatSettingsFromLocale); everything that formats numbers or times
// reads them from here, never from the C locale directly. Tests may set them.
// Only the user-interface thread touches them.
#pragma once

namespace zararod {

struct FormatSettings {
  char DecimalSeparator = '.';
  char TimeSeparator = ':';
};

// The one instance of the process.
FormatSettings& FormatSettingsOfProcess();

// Takes the decimal separator from the user's locale (localeconv after
// setlocale(LC_ALL, "")): "," under cs_CZ, "." under C. The time separator
// stays ":". Restores the C locale for everything else afterwards.
void LoadFormatSettingsFromLocale();

}  // namespace zararod

#include "util/format_settings.h"

#include <clocale>
#include <string>

namespace zararod {

FormatSettings& FormatSettingsOfProcess() {
  static FormatSettings settings;
  return settings;
}

void LoadFormatSettingsFromLocale() {
  const char* previous = std::setlocale(LC_ALL, nullptr);
  const std::string saved = previous ? previous : "C";
  if (std::setlocale(LC_ALL, "") != nullptr) {
    const std::lconv* conv = std::localeconv();
    if (conv && conv->decimal_point && conv->decimal_point[0] != '\0' &&
        conv->decimal_point[1] == '\0')
      FormatSettingsOfProcess().DecimalSeparator = conv->decimal_point[0];
  }
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace zararod

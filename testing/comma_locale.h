// Switches the C library's numeric locale to one whose decimal point is ","
// (as the window's toolkit does for a Czech user) for the life of the object,
// and restores the former one afterwards. When no such locale is installed it
// changes nothing and active() is false; the caller then skips its test.
#pragma once

#include <clocale>
#include <string>

namespace zararod::testing {

class CommaDecimalLocale {
 public:
  CommaDecimalLocale() : previous_(std::setlocale(LC_NUMERIC, nullptr)) {
    // POSIX names first, then the Windows C runtime's name of the language.
    for (const char* name :
         {"cs_CZ.UTF-8", "cs_CZ.utf8", "cs_CZ", "de_DE.UTF-8", "de_DE.utf8", "Czech"}) {
      if (std::setlocale(LC_NUMERIC, name) != nullptr && *std::localeconv()->decimal_point == ',') {
        active_ = true;
        return;
      }
    }
    std::setlocale(LC_NUMERIC, previous_.c_str());
  }
  ~CommaDecimalLocale() { std::setlocale(LC_NUMERIC, previous_.c_str()); }
  CommaDecimalLocale(const CommaDecimalLocale&) = delete;
  CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

  bool active() const { return active_; }

 private:
  std::string previous_;
  bool active_ = false;
};

}  // namespace zararod::testing

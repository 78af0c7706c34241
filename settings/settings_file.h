// Reader of the settings file vedid.ini.
//
// An INI-style text file in cp1250: section header lines "[name]", key lines
// "key=value". Each read consults the file's current content; the reader keeps
// no copy and never writes. Rules of a read:
//   - a missing or unreadable file gives the default;
//   - blanks below are blank, tab, VT, FF and Ctrl-Z;
//   - a header line is "[", the name and the last "]" of the line (blanks
//     around the name removed; "[LogON]]" names the section "LogON]");
//   - the first section header whose name equals the section name without
//     regard to letter case opens the section, which runs to the next header;
//   - in it, the first key line whose key (blanks around it removed) equals
//     the key name without regard to letter case is taken;
//   - the value is everything after the first "=", blanks around it
//     removed, and one pair of matching double or single quotes around it
//     removed; a ";" inside the value belongs to it; a key with nothing after
//     "=" gives the empty text, not the default;
//   - at most 2047 characters of the value are returned;
//   - lines end at CR LF, LF or CR; lines that are neither headers nor key
//     lines (comments beginning with ";", lines without "=") never match.
// A read never throws and never fails, whatever bytes the file holds.
#pragma once

#include <cstdint>
#include <string>

namespace zararod {

class SettingsFile {
 public:
  // Opening never fails, also when the file is missing.
  explicit SettingsFile(std::string fileName);

  // The value text, or Default when the file, section or key is missing.
  std::string ReadText(const std::string& Section, const std::string& Key,
                       const std::string& Default) const;

  // The value as a signed 32-bit integer: an optional "+" or "-" followed by
  // decimal digits within the signed 32-bit range, or by 1 to 8 hexadecimal
  // digits after "$", "0x" or "0X" (taken as a 32-bit pattern). Anything else,
  // the empty text included, gives Default.
  std::int32_t ReadNumber(const std::string& Section, const std::string& Key,
                          std::int32_t Default) const;

  const std::string& fileName() const noexcept { return fileName_; }

 private:
  std::string fileName_;
};

}  // namespace zararod

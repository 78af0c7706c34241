#include "settings/settings_file.h"

#include <cstdio>
#include <optional>
#include <string_view>

#include "util/file_io.h"
#include "util/strings.h"

namespace zararod {
namespace {

constexpr std::size_t kMaxValueLength = 2047;

// The bytes the profile-string rules trim around names and values as blanks:
// blank, tab, VT, FF and Ctrl-Z (the end-of-file mark of old DOS editors).
constexpr std::string_view kBlanks = " \t\v\f\x1a";

std::string_view trimBlanks(std::string_view s) {
  const std::size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const std::size_t last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

// Hands the lines of a file to a visitor, one at a time. Lines end at CR LF,
// LF or CR; the last line needs no line end. A CR LF pair is handed on as a
// line end followed by an empty line, which no reader looks at. The visitor
// returns true to stop. Returns false when the file cannot be opened or a
// read fails.
template <typename Visitor>
bool forEachLine(const std::string& fileName, Visitor&& visit) {
  const FilePtr file = openFile(fileName, "rb");
  if (!file) return false;
  std::string line;
  bool atStart = true;  // nothing read yet (for the byte-order mark)
  char chunk[65536];
  for (;;) {
    const std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
    if (n == 0) {
      if (std::ferror(file.get())) return false;
      break;
    }
    std::string_view rest(chunk, n);
    if (atStart) {
      // A file saved as UTF-8 may begin with a byte-order mark; it is not
      // part of the first line.
      if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
      atStart = false;
    }
    for (std::size_t end; (end = rest.find_first_of("\r\n")) != std::string_view::npos;
         rest.remove_prefix(end + 1)) {
      line.append(rest.substr(0, end));
      if (visit(std::string_view(line))) return true;
      line.clear();
    }
    line.append(rest);
  }
  if (!line.empty()) visit(std::string_view(line));
  return true;
}

// The raw value of the first key Key in the first section Section, or
// nothing when the file, the section or the key is missing or unreadable.
std::optional<std::string> findValue(const std::string& fileName, std::string_view section,
                                     std::string_view key) {
  bool inSection = false;
  std::optional<std::string> found;
  const bool readable = forEachLine(fileName, [&](std::string_view line) {
    line = trimBlanks(line);
    if (line.empty()) return false;
    if (line.front() == '[') {
      // The name runs to the last "]": "[LogON]]" is the section "LogON]".
      const std::size_t close = line.rfind(']');
      if (close == std::string_view::npos) return false;  // not a header
      if (inSection) return true;  // the section ended without the key
      inSection = sameText(trimBlanks(line.substr(1, close - 1)), section);
      return false;
    }
    if (!inSection || line.front() == ';') return false;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || !sameText(trimBlanks(line.substr(0, equals)), key))
      return false;
    std::string_view value = line.substr(equals + 1);
    // The value is a zero-terminated string: a NUL byte ends it.
    value = value.substr(0, value.find('\0'));
    value = trimBlanks(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    found = std::string(value.substr(0, kMaxValueLength));
    return true;
  });
  if (!readable) return std::nullopt;
  return found;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexDigit(char c) {
  if (isDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The whole text as a signed 32-bit number, or nothing.
std::optional<std::int32_t> parseNumber(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::string_view hex;
  bool isHex = false;
  if (text.substr(0, 1) == "$") {
    hex = text.substr(1);
    isHex = true;
  } else if (text.substr(0, 2) == "0x" || text.substr(0, 2) == "0X") {
    hex = text.substr(2);
    isHex = true;
  }
  if (isHex) {
    if (hex.empty() || hex.size() > 8) return std::nullopt;
    std::uint32_t pattern = 0;
    for (char c : hex) {
      const int digit = hexDigit(c);
      if (digit < 0) return std::nullopt;
      pattern = pattern << 4 | static_cast<std::uint32_t>(digit);
    }
    if (negative) pattern = 0u - pattern;
    return static_cast<std::int32_t>(pattern);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (!isDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > 2147483648LL) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > 2147483647LL) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

}  // namespace

SettingsFile::SettingsFile(std::string fileName) : fileName_(std::move(fileName)) {}

std::string SettingsFile::ReadText(const std::string& Section, const std::string& Key,
                                   const std::string& Default) const {
  try {
    if (std::optional<std::string> value = findValue(fileName_, Section, Key))
      return std::move(*value);
  } catch (...) {
    // Out of memory on a monstrous line: the value counts as unreadable.
  }
  return Default;
}

std::int32_t SettingsFile::ReadNumber(const std::string& Section, const std::string& Key,
                                      std::int32_t Default) const {
  return parseNumber(ReadText(Section, Key, std::string())).value_or(Default);
}

}  // namespace zararod

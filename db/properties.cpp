#include "db/properties.h"

#include <charconv>

namespace zararod {
namespace {

char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (upperAscii(a[i]) != upperAscii(b[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> findProperty(const TZProperties& properties,
                                        std::string_view name) {
  for (const std::string& line : properties) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (equalsNoCase(std::string_view(line).substr(0, eq), name)) return line.substr(eq + 1);
  }
  return std::nullopt;
}

std::string propertyOr(const TZProperties& properties, std::string_view name,
                       std::string_view fallback) {
  std::optional<std::string> value = findProperty(properties, name);
  return value ? *value : std::string(fallback);
}

bool isTrueText(std::string_view text) {
  for (std::string_view word : {"Y", "YES", "T", "TRUE"}) {
    if (equalsNoCase(text, word)) return true;
  }
  // An integer, optionally signed, with nothing after it.
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  long long number = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  return error == std::errc() && end == digits.data() + digits.size() && !digits.empty() &&
         number != 0;
}

bool isTrueProperty(const TZProperties& properties, std::string_view name) {
  std::optional<std::string> value = findProperty(properties, name);
  return value && isTrueText(*value);
}

}  // namespace zararod

#include "db/properties.h"

#include <charconv>

#include "util/strings.h"

namespace zararod {

std::optional<std::int64_t> integerOfText(std::string_view text) {
  // from_chars reads a "-" but no "+"; after a "+" only digits may follow
  // ("+-1" is no number).
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() == '-') return std::nullopt;
  }
  std::int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::string> findProperty(const TZProperties& properties, std::string_view name) {
  for (const std::string& line : properties) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (sameText(std::string_view(line).substr(0, eq), name)) return line.substr(eq + 1);
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
    if (sameText(text, word)) return true;
  }
  return integerOfText(text).value_or(0) != 0;
}

bool isTrueProperty(const TZProperties& properties, std::string_view name) {
  std::optional<std::string> value = findProperty(properties, name);
  return value && isTrueText(*value);
}

}  // namespace zararod

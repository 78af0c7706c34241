// Property lists: text lines of the form name=value that carry connect and
// statement options.
//
// A name is the part of a line before its first "="; the value is everything
// after it (no blanks are trimmed). Names match without regard to letter case
// and the first line with a given name wins.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zararod {

using TZProperties = std::vector<std::string>;

// A decimal integer with an optional sign and nothing else around it;
// nullopt for any other text, and for a number out of the 64-bit range.
std::optional<std::int64_t> integerOfText(std::string_view text);

// The value of the first line named `name`; nullopt when no line has it.
std::optional<std::string> findProperty(const TZProperties& properties, std::string_view name);

// The value of `name`, or `fallback` when absent.
std::string propertyOr(const TZProperties& properties, std::string_view name,
                       std::string_view fallback);

// The truth value of a property text: "Y", "YES", "T" or "TRUE" in any letter
// case, or a text that reads as a non-zero integer. Anything else is false.
bool isTrueText(std::string_view text);

// isTrueText of the property's value; false when absent.
bool isTrueProperty(const TZProperties& properties, std::string_view name);

}  // namespace zararod

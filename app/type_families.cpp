#include "app/type_families.h"

#include <utility>

namespace zararod {

TypeFamily typeFamily(std::string_view base) {
  static constexpr std::pair<std::string_view, TypeFamily> kFamilies[] = {
      {"char", TypeFamily::Text},         {"varchar", TypeFamily::Text},
      {"tinytext", TypeFamily::Text},     {"text", TypeFamily::Text},
      {"mediumtext", TypeFamily::Text},   {"longtext", TypeFamily::Text},
      {"enum", TypeFamily::Enum},         {"set", TypeFamily::Set},
      {"tinyblob", TypeFamily::Bytes},    {"blob", TypeFamily::Bytes},
      {"mediumblob", TypeFamily::Bytes},  {"longblob", TypeFamily::Bytes},
      {"varbinary", TypeFamily::Bytes},   {"tinyint", TypeFamily::Integer},
      {"smallint", TypeFamily::Integer},  {"mediumint", TypeFamily::Integer},
      {"int", TypeFamily::Integer},       {"integer", TypeFamily::Integer},
      {"bigint", TypeFamily::Integer},    {"decimal", TypeFamily::Decimal},
      {"numeric", TypeFamily::Decimal},   {"dec", TypeFamily::Decimal},
      {"fixed", TypeFamily::Decimal},     {"float", TypeFamily::Float},
      {"double", TypeFamily::Float},      {"real", TypeFamily::Float},
      {"year", TypeFamily::Year},         {"date", TypeFamily::Date},
      {"datetime", TypeFamily::DateTime}, {"timestamp", TypeFamily::Timestamp},
      {"time", TypeFamily::Time},
  };
  for (const auto& [name, family] : kFamilies) {
    if (name == base) return family;
  }
  return TypeFamily::Other;
}

}  // namespace zararod

// What a column's declared type holds, as far as the jobs' writing and
// verify's comparing of its values go: one table of the MySQL type names,
// shared by both.
#pragma once

#include <string_view>

namespace zararod {

enum class TypeFamily {
  Text,  // CHAR, VARCHAR and the TEXT types
  Enum,
  Set,
  Bytes,  // the BLOB types and VARBINARY (not BINARY, which pads)
  Integer,
  Decimal,
  Float,
  Year,
  Date,
  DateTime,
  Timestamp,
  Time,
  Other,  // any other name, and the empty one
};

// The family of a base type name ("varchar", "int": lower case, without
// length or attributes), matched exactly.
TypeFamily typeFamily(std::string_view base);

}  // namespace zararod

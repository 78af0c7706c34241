#include "app/value_builders.h"

#include <cctype>
#include <initializer_list>

#include "app/job_reporter.h"
#include "app/job_support.h"
#include "app/type_families.h"
#include "db/sql_literals.h"
#include "db/query.h"
#include "util/date_time.h"
#include "util/strings.h"

namespace zararod {

namespace {

// The declared type name without the attributes that follow it: a column
// declared "double unsigned" or "float unsigned zerofill" holds what "double"
// or "float" holds.
std::string_view baseType(std::string_view type) { return type.substr(0, type.find(' ')); }

// Whether `type`'s family is one of `families`.
bool isOf(std::string_view type, std::initializer_list<TypeFamily> families) {
  const TypeFamily family = typeFamily(type);
  for (TypeFamily f : families) {
    if (family == f) return true;
  }
  return false;
}

// Whether the receiving column keeps the convention's text with its meaning.
// A text column keeps each of them, and so does an unknown type.
bool holdsEmptyText(std::string_view type) {
  return type.empty() || isOf(type, {TypeFamily::Text, TypeFamily::Bytes, TypeFamily::Set});
}

bool holdsZeroNumber(std::string_view type) {
  return type.empty() || isOf(type, {TypeFamily::Text, TypeFamily::Integer, TypeFamily::Decimal,
                                     TypeFamily::Float});
}

bool holdsDate1900(std::string_view type) {
  return type.empty() || isOf(type, {TypeFamily::Text, TypeFamily::Date, TypeFamily::DateTime});
}

bool holdsZeroTime(std::string_view type) {
  return type.empty() || isOf(type, {TypeFamily::Text, TypeFamily::Time});
}

// The exact value the sending server holds, or NULL.
std::string serverValue(const FieldReading& value, bool noBackslashEscapes) {
  if (!value.serverText) return "NULL";
  return quoteLiteral(*value.serverText, noBackslashEscapes);
}

std::string convention(const FieldReading& value, std::string_view text, bool holds,
                       bool noBackslashEscapes) {
  if (holds) return quoteLiteral(text, noBackslashEscapes);
  return serverValue(value, noBackslashEscapes);
}

// Decimal number text split into sign, significant digits and the power of
// ten of the last digit: "-12.50" -> (-, "125", -1).
struct Decimal {
  bool negative = false;
  std::string digits;
  long exponent = 0;
};

std::optional<Decimal> parseDecimal(std::string_view s) {
  Decimal d;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) d.negative = s[i++] == '-';
  std::string digits;
  long fraction = 0;
  bool any = false;
  for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i, any = true) {
    digits += s[i];
  }
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i, any = true) {
      digits += s[i];
      ++fraction;
    }
  }
  if (!any) return std::nullopt;
  long exponent = 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negativeExponent = s[i++] == '-';
    if (i == s.size()) return std::nullopt;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
      if (exponent < 100000) exponent = exponent * 10 + (s[i] - '0');
    }
    if (negativeExponent) exponent = -exponent;
  }
  if (i != s.size()) return std::nullopt;
  std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return Decimal{};  // zero, whatever its sign
  std::size_t last = digits.find_last_not_of('0');
  d.digits = digits.substr(first, last - first + 1);
  d.exponent = exponent - fraction + static_cast<long>(digits.size() - 1 - last);
  return d;
}

}  // namespace

bool sameDecimalValue(std::string_view a, std::string_view b) {
  auto x = parseDecimal(a);
  auto y = parseDecimal(b);
  if (!x || !y) return false;
  if (x->digits.empty() || y->digits.empty()) return x->digits.empty() && y->digits.empty();
  return x->negative == y->negative && x->digits == y->digits && x->exponent == y->exponent;
}

std::string valueLiteral(const FieldReading& value, std::string_view receivingType,
                         bool noBackslashEscapes) {
  const bool nbe = noBackslashEscapes;
  receivingType = baseType(receivingType);
  switch (value.kind) {
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftLargeint:
      // The server's decimal text is the described text for every value a
      // 16/32-bit field holds, and the only exact one for BIGINT (UNSIGNED)
      // and YEAR ("0000" would arrive as 2000 when written as '0').
      if (value.serverText) return quoteLiteral(*value.serverText, nbe);
      return convention(value, "0", holdsZeroNumber(receivingType), nbe);

    case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd: {
      if (!value.serverText) return convention(value, "0", holdsZeroNumber(receivingType), nbe);
      std::string described = ReplaceChar(value.text, ',', ".");
      if (sameDecimalValue(described, *value.serverText)) return quoteLiteral(described, nbe);
      return quoteLiteral(*value.serverText, nbe);
    }

    case ftBoolean:
      // 'Y' or 'N' as the server holds it; a null truth value is 'N'.
      return quoteLiteral(value.serverText ? *value.serverText : "N", nbe);

    case ftDate: case ftDateTime: {
      if (!value.isNull) {
        // The zero-date rule: any moment of 1899-12-30 is written 1900-01-01.
        std::string described = value.kind == ftDate ? DateStr(value.dateTime)
                                                     : DateTimeStr(value.dateTime);
        if (described.find("1899-12-30") == std::string::npos) {
          return quoteLiteral(value.serverText ? *value.serverText : described, nbe);
        }
      }
      return convention(value, "1900-01-01", holdsDate1900(receivingType), nbe);
    }

    case ftTime:
      // Times beyond 24 hours, negative times and fractions only survive as
      // the server's text.
      if (value.serverText) return quoteLiteral(*value.serverText, nbe);
      return convention(value, "00:00:00", holdsZeroTime(receivingType), nbe);

    default:
      return textLiteral(value, receivingType, nbe);
  }
}

std::string textLiteral(const FieldReading& value, std::string_view receivingType,
                        bool noBackslashEscapes) {
  if (!value.serverText) {
    return convention(value, "", holdsEmptyText(baseType(receivingType)), noBackslashEscapes);
  }
  return stringLiteral(*value.serverText, noBackslashEscapes);
}

FieldReading readField(const TField& field) {
  FieldReading reading;
  reading.kind = field.DataType();
  reading.isNull = field.IsNull();
  reading.text = field.AsString();
  if (!reading.isNull && (reading.kind == ftDate || reading.kind == ftDateTime)) {
    reading.dateTime = field.AsDateTime();
  }
  reading.serverText = field.AsServerText();
  return reading;
}

std::string udelejPolozky(TZQuery& query, const std::string& table, JobReporter& reporter) {
  reporter.SetBusyCursor(true);
  setQueryText(query, "SHOW FIELDS FROM " + table);
  query.Open();
  std::string list;
  while (!query.Eof()) {
    std::string name = query.FieldByName("field").AsString();
    if (name != "id" && name != "PC8") list += name + ",";
    query.Next();
  }
  query.Close();
  list = LeftStr(list, static_cast<int>(list.size()) - 1);
  reporter.SetBusyCursor(false);
  return list;
}

std::string udelejData(TZQuery& source, JobReporter& reporter, bool noBackslashEscapes) {
  reporter.SetBusyCursor(true);
  std::string result;
  const TFieldDefs& defs = source.FieldDefs();
  for (int i = 0; i < defs.Count(); ++i) {
    const TField& field = source.FieldByName(defs[i].Name);
    std::string literal = valueLiteral(readField(field), defs[i].DeclaredTypeName,
                                       noBackslashEscapes);
    if (i > 0) result += ',';
    result += literal;
  }
  reporter.SetBusyCursor(false);
  return result;
}

}  // namespace zararod

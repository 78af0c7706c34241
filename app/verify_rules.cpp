#include "app/verify_rules.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <utility>

#include "app/type_families.h"

namespace zararod {

namespace {

// Texts of the jobs' code page on the wire: the CHAR and TEXT types, ENUM and
// SET.
bool holdsText(TypeFamily family) {
  return family == TypeFamily::Text || family == TypeFamily::Enum || family == TypeFamily::Set;
}

// ENUM('Y','N') in either order and letter case: the jobs read it as a truth
// value.
bool isTruthEnum(std::string_view declaredType) {
  std::string type;
  for (char c : declaredType) {
    if (c != ' ') type += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return type == "enum('y','n')" || type == "enum('n','y')";
}

// The digits after the decimal point of "decimal(10,2)"; 0 without any.
int decimalScale(std::string_view declaredType) {
  const std::size_t comma = declaredType.find(',');
  if (comma == std::string_view::npos) return 0;
  return std::atoi(std::string(declaredType.substr(comma + 1)).c_str());
}

std::string quotedName(const std::string& name) { return "`" + name + "`"; }

// Where both servers declare the column DECIMAL with different scales, both
// terms are brought to the larger one: 13.8 is "13.80" in one and "13.800"
// in the other.
std::string commonForm(const ComparedColumn& column, std::string term) {
  if (typeFamily(baseTypeOf(column.senderType)) == TypeFamily::Decimal &&
      typeFamily(baseTypeOf(column.receiverType)) == TypeFamily::Decimal) {
    const int senderScale = decimalScale(column.senderType);
    const int receiverScale = decimalScale(column.receiverType);
    if (senderScale != receiverScale) {
      const int scale = std::max(senderScale, receiverScale);
      return "cast(" + term + " as decimal(65," + std::to_string(scale) + "))";
    }
  }
  return term;
}

// Texts of either server are hashed as the bytes of the jobs' code page; a
// column of that code page already holds them.
std::string inJobCodePage(TypeFamily family, const std::string& collation, std::string term) {
  if (!holdsText(family) || collation.starts_with("cp1250_")) return term;
  return "convert(" + term + " using cp1250)";
}

// The literal's bytes: 'text' with doubled quotes, X'<hex>', or NULL.
std::optional<std::string> literalBytes(std::string_view literal) {
  if (literal == "NULL") return std::nullopt;
  std::string bytes;
  if (literal.size() >= 3 && literal[0] == 'X' && literal[1] == '\'') {
    const std::string_view hex = literal.substr(2, literal.size() - 3);
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
      bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    }
    return bytes;
  }
  const std::string_view inner = literal.substr(1, literal.size() - 2);
  for (std::size_t i = 0; i < inner.size(); ++i) {
    bytes += inner[i];
    if (inner[i] == '\'') ++i;  // a doubled quote
  }
  return bytes;
}

// "2026-07-14" and "2026-07-14 00:00:00.000" as one moment's text.
std::string moment(std::string text) {
  if (text.size() == 10) text += " 00:00:00";
  return text;
}

// A time or date-time text without a fraction of zeros: "10:00:00.000" and
// "10:00:00" are the same moment.
std::string withoutZeroFraction(std::string text) {
  const std::size_t dot = text.rfind('.');
  if (dot == std::string::npos || text.find(':') == std::string::npos || dot < text.rfind(':')) {
    return text;
  }
  while (text.size() > dot + 1 && text.back() == '0') text.pop_back();
  if (text.size() == dot + 1) text.pop_back();
  return text;
}

}  // namespace

std::string baseTypeOf(std::string_view declaredType) {
  std::string base;
  for (char c : declaredType) {
    if (c == '(' || c == ' ') break;
    base += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return base;
}

DigestTerm senderDigestTerm(const ComparedColumn& column, WriteRules rules) {
  const TypeFamily family = typeFamily(baseTypeOf(column.senderType));
  const std::string c = quotedName(column.name);
  const auto text = [&](const std::string& term) {
    return commonForm(column, inJobCodePage(family, column.senderCollation, term));
  };
  // What the job writes for NULL, where that is a value.
  const auto orElse = [&](const char* value) {
    return DigestTerm{text("ifnull(" + c + "," + value + ")"), "0"};
  };
  // The zero-date rule: NULL, a zero date and any moment of 1899-12-30 are
  // written 1900-01-01.
  const auto orFirstOf1900 = [&](const std::string& day, const char* value) {
    return DigestTerm{text("if(" + c + " is null or " + c + " = 0 or " + day + " = '1899-12-30'," +
                           value + "," + c + ")"),
                      "0"};
  };
  const DigestTerm asHeld{text(c), "isnull(" + c + ")"};
  if (rules == WriteRules::Addresses) {
    // An address is written as the sender's text; a NULL as '' where the
    // column holds an empty text.
    const bool holdsEmptyText =
        family == TypeFamily::Text || family == TypeFamily::Set || family == TypeFamily::Bytes;
    return holdsEmptyText ? orElse("''") : asHeld;
  }
  switch (family) {
    case TypeFamily::Integer:
    case TypeFamily::Decimal:
    case TypeFamily::Float:
      return orElse("0");
    case TypeFamily::Date:
      return orFirstOf1900(c, "'1900-01-01'");
    case TypeFamily::DateTime:
      return orFirstOf1900("date(" + c + ")", "'1900-01-01 00:00:00'");
    case TypeFamily::Time:
      return orElse("'00:00:00'");
    case TypeFamily::Enum:
      return isTruthEnum(column.senderType) ? orElse("'N'") : asHeld;
    case TypeFamily::Text:
    case TypeFamily::Set:
    case TypeFamily::Bytes:
      return orElse("''");
    default:
      return asHeld;  // YEAR, TIMESTAMP, BINARY...: the server's value, NULL as NULL
  }
}

DigestTerm receiverDigestTerm(const ComparedColumn& column) {
  const std::string c = quotedName(column.name);
  const TypeFamily family = typeFamily(baseTypeOf(column.receiverType));
  return {commonForm(column, inJobCodePage(family, column.receiverCollation, c)),
          "isnull(" + c + ")"};
}

std::string rowDigestExpression(const std::vector<DigestTerm>& terms) {
  // The values, which CONCAT_WS passes over where NULL, then which of them
  // were NULL.
  std::string values;
  std::string nulls;
  for (const DigestTerm& term : terms) {
    values += "," + term.value;
    nulls += (nulls.empty() ? "" : ",") + term.isNull;
  }
  return "md5(concat_ws(0x1f" + values + ",concat(" + nulls + ")))";
}

std::optional<std::string> writtenValue(const FieldReading& sender, std::string_view senderType,
                                        WriteRules rules) {
  // Under NO_BACKSLASH_ESCAPES a literal has one escape only, the doubled
  // quote, and carries other bytes as X'<hex>'.
  const std::string literal = rules == WriteRules::Slips ? valueLiteral(sender, senderType, true)
                                                         : textLiteral(sender, senderType, true);
  return literalBytes(literal);
}

bool receiverHolds(const std::optional<std::string>& written,
                   const std::optional<std::string>& received, std::string_view receiverType) {
  if (!written || !received) return !written && !received;
  const std::string& w = *written;
  const std::string& r = *received;
  if (w == r) return true;
  const std::string base = baseTypeOf(receiverType);
  switch (typeFamily(base)) {
    case TypeFamily::Text:
      if (base != "char") return false;
      {
        // CHAR drops the trailing blanks of what it stores.
        const std::size_t end = w.find_last_not_of(' ');
        return w.substr(0, end == std::string::npos ? 0 : end + 1) == r;
      }
    case TypeFamily::Integer:
    case TypeFamily::Decimal:
    case TypeFamily::Year:
      return sameDecimalValue(w, r);
    case TypeFamily::Float: {
      char* wEnd = nullptr;
      char* rEnd = nullptr;
      const double wv = std::strtod(w.c_str(), &wEnd);
      const double rv = std::strtod(r.c_str(), &rEnd);
      if (*wEnd != '\0' || *rEnd != '\0') return false;
      return base == "float" ? static_cast<float>(wv) == static_cast<float>(rv) : wv == rv;
    }
    case TypeFamily::Date:
      return w.size() >= 10 && w.substr(0, 10) == r;
    case TypeFamily::DateTime:
    case TypeFamily::Timestamp:
      return withoutZeroFraction(moment(w)) == withoutZeroFraction(moment(r));
    case TypeFamily::Time:
      return withoutZeroFraction(w) == withoutZeroFraction(r);
    default:
      return false;
  }
}

}  // namespace zararod

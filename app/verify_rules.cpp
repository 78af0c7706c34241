#include "app/verify_rules.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <initializer_list>

namespace zararod {

namespace {

bool isOneOf(std::string_view type, std::initializer_list<std::string_view> names) {
  for (std::string_view name : names) {
    if (type == name) return true;
  }
  return false;
}

bool isText(std::string_view base) {
  return isOneOf(base,
                 {"char", "varchar", "tinytext", "text", "mediumtext", "longtext", "enum", "set"});
}
bool isBytes(std::string_view base) {
  return isOneOf(base, {"tinyblob", "blob", "mediumblob", "longblob", "varbinary"});
}
bool isInteger(std::string_view base) {
  return isOneOf(base, {"tinyint", "smallint", "mediumint", "int", "integer", "bigint"});
}
bool isDecimal(std::string_view base) {
  return isOneOf(base, {"decimal", "numeric", "dec", "fixed"});
}
bool isFloat(std::string_view base) { return isOneOf(base, {"float", "double", "real"}); }

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
  const std::string sender = baseTypeOf(column.senderType);
  const std::string receiver = baseTypeOf(column.receiverType);
  if (isDecimal(sender) && isDecimal(receiver)) {
    const int senderScale = decimalScale(column.senderType);
    const int receiverScale = decimalScale(column.receiverType);
    if (senderScale != receiverScale) {
      const int scale = std::max(senderScale, receiverScale);
      return "cast(" + term + " as decimal(65," + std::to_string(scale) + "))";
    }
  }
  return term;
}

// Texts of either server are hashed as the bytes of the jobs' code page.
std::string inJobCodePage(std::string_view base, std::string term) {
  if (!isText(base)) return term;
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

std::string senderDigestTerm(const ComparedColumn& column, WriteRules rules) {
  const std::string base = baseTypeOf(column.senderType);
  const std::string c = quotedName(column.name);
  std::string term = c;
  if (rules == WriteRules::Addresses) {
    // An address is written as the sender's text; a NULL as '' where the
    // column holds an empty text.
    const bool holdsEmptyText = (isText(base) && base != "enum") || isBytes(base);
    if (holdsEmptyText) term = "ifnull(" + c + ",'')";
  } else if (isInteger(base) || isDecimal(base) || isFloat(base)) {
    term = "ifnull(" + c + ",0)";
  } else if (base == "date") {
    term =
        "if(" + c + " is null or " + c + " = 0 or " + c + " = '1899-12-30','1900-01-01'," + c + ")";
  } else if (base == "datetime") {
    term = "if(" + c + " is null or " + c + " = 0 or date(" + c +
           ") = '1899-12-30','1900-01-01 00:00:00'," + c + ")";
  } else if (base == "time") {
    term = "ifnull(" + c + ",'00:00:00')";
  } else if (base == "enum") {
    term = isTruthEnum(column.senderType) ? "ifnull(" + c + ",'N')" : c;
  } else if (isText(base) || isBytes(base)) {
    term = "ifnull(" + c + ",'')";
  }
  return commonForm(column, inJobCodePage(base, term));
}

std::string receiverDigestTerm(const ComparedColumn& column) {
  const std::string base = baseTypeOf(column.receiverType);
  return commonForm(column, inJobCodePage(base, quotedName(column.name)));
}

std::string rowDigestExpression(const std::vector<std::string>& terms) {
  std::string values;
  std::string nulls;
  for (const std::string& term : terms) {
    values += "," + term;
    nulls += (nulls.empty() ? "" : ",") + ("isnull(" + term + ")");
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
  if (base == "char") {
    const std::size_t end = w.find_last_not_of(' ');
    return w.substr(0, end == std::string::npos ? 0 : end + 1) == r;
  }
  if (isInteger(base) || isDecimal(base) || base == "year") return sameDecimalValue(w, r);
  if (isFloat(base)) {
    char* wEnd = nullptr;
    char* rEnd = nullptr;
    const double wv = std::strtod(w.c_str(), &wEnd);
    const double rv = std::strtod(r.c_str(), &rEnd);
    if (*wEnd != '\0' || *rEnd != '\0') return false;
    return base == "float" ? static_cast<float>(wv) == static_cast<float>(rv) : wv == rv;
  }
  if (base == "date") return w.size() >= 10 && w.substr(0, 10) == r;
  if (base == "datetime" || base == "timestamp") {
    return withoutZeroFraction(moment(w)) == withoutZeroFraction(moment(r));
  }
  if (base == "time") return withoutZeroFraction(w) == withoutZeroFraction(r);
  return false;
}

}  // namespace zararod

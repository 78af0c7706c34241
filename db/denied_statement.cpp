#include "db/denied_statement.h"

#include <mysqld_error.h>

namespace zararod {

namespace {

bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// `sql` on one line: without whitespace at either end, each run of it
// (line breaks included) as one space.
std::string oneLine(std::string_view sql) {
  std::string text;
  text.reserve(sql.size());
  bool blank = false;
  for (const char c : sql) {
    if (isBlank(c)) {
      blank = !text.empty();
      continue;
    }
    if (blank) text += ' ';
    blank = false;
    text += c;
  }
  return text;
}

// At most kDeniedStatementBytes of `text`: cut after the last whole word that
// fits, when one ends in the second half, otherwise at the limit.
std::string shortened(std::string text) {
  if (text.size() <= kDeniedStatementBytes) return text;
  std::size_t cut = text.rfind(' ', kDeniedStatementBytes);
  if (cut == std::string::npos || cut < kDeniedStatementBytes / 2) cut = kDeniedStatementBytes;
  text.resize(cut);
  return text + "...";
}

}  // namespace

bool isMissingRight(int code) noexcept {
  switch (code) {
    case ER_DBACCESS_DENIED_ERROR:
    case ER_TABLEACCESS_DENIED_ERROR:
    case ER_COLUMNACCESS_DENIED_ERROR:
    case ER_SPECIFIC_ACCESS_DENIED_ERROR:
    case ER_PROCACCESS_DENIED_ERROR:
      return true;
    default:
      return false;
  }
}

std::string withDeniedStatement(std::string message, int code, std::string_view sql) {
  if (!isMissingRight(code)) return message;
  const std::string statement = oneLine(sql);
  if (statement.empty()) return message;
  return message + " in statement: " + shortened(statement);
}

}  // namespace zararod

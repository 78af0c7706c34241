// The error of a statement that the server refused for a missing right.
//
// The server's text names the right and the table ("DELETE command denied to
// user 'site10'@'localhost' for table `vorazu1`.`vaznil_00`"), but not the
// statement: a DELETE whose WHERE reads a column the account may not read
// fails with "SELECT command denied ... for column 'kodpar'". The database
// layer adds the statement to such an error wherever it raises one, so that
// whoever sees the error (the window's error box, zararod-cli's stderr)
// learns which statement needed which right.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zararod {

// The most bytes of a statement that a refusal shows.
inline constexpr std::size_t kDeniedStatementBytes = 120;

// Whether `code` is a server error for a missing right on a database, table,
// column or routine, or of a global privilege (not a failed login).
bool isMissingRight(int code) noexcept;

// `message` followed by " in statement: " and `sql` (runs of whitespace as
// one space; a longer statement cut at a word near kDeniedStatementBytes,
// with "..." after it) when `code` is a missing right and `sql` holds more
// than whitespace; `message` unchanged otherwise. Byte-oriented: the
// statement keeps its code page. Never throws but std::bad_alloc.
std::string withDeniedStatement(std::string message, int code, std::string_view sql);

}  // namespace zararod

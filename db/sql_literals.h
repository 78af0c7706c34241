// SQL literals that a MySQL server reads back as exactly the given bytes.
//
// Every literal depends on one fact about the receiving server: whether it
// runs with NO_BACKSLASH_ESCAPES (TZConnection::NoBackslashEscapes). With the
// server's default a backslash starts an escape, so backslash, NUL, CR and LF
// are written as \\, \0, \r and \n (CR and LF would otherwise split a script
// line); under NO_BACKSLASH_ESCAPES doubling the quote is the only escape
// there is. Pure functions; they never throw (beyond std::bad_alloc).
#pragma once

#include <string>
#include <string_view>

namespace zararod {

// 'text' with ' doubled and, unless noBackslashEscapes, \ NUL CR LF escaped.
std::string quoteLiteral(std::string_view text, bool noBackslashEscapes);

// X'<hex>': the bytes as a hexadecimal literal, upper-case digits ("X''" for
// no bytes). Carries any byte under any sql_mode.
std::string hexLiteral(std::string_view bytes);

// A text as a literal the receiving server reads back byte for byte: the
// quoted literal, or, under NO_BACKSLASH_ESCAPES, X'<hex>' for a text with a
// NUL, CR, LF or backslash, which no quoted literal carries there (NUL ends a
// script line, CR and LF split it, and the script tokenizer always reads a
// backslash as an escape).
std::string stringLiteral(std::string_view text, bool noBackslashEscapes);

// The bytes as a binary string literal, which compares byte for byte (no
// collation, trailing blanks significant): _binary'<quoted>' or, where the
// quoted form cannot carry them, X'<hex>'.
std::string binaryLiteral(std::string_view bytes, bool noBackslashEscapes);

}  // namespace zararod

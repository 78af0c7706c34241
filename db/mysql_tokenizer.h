// TZMySQLTokenizer: the tokenizer of the MySQL dialect.
//
// Every byte value 0 to 255 is assigned to exactly one of six states, which
// reads the token that begins with that byte:
//
//   0x00-0x20                                 whitespace
//   a-z A-Z 0xC0-0xFF _ $                     word (keywords among them)
//   0-9 .                                     number (a "." not followed by a
//                                             digit is the symbol ".")
//   ' " `                                     quote
//   / # -                                     comment ("/" and "-" alone, and
//                                             a "/*!" section, are symbols)
//   every other byte, 0x80-0xBF included      symbol
//
// A quoted string may hold doubled quotes and backslash escapes; it ends at
// the first quote that is neither escaped nor doubled, or at the end of the
// text. "#" and "--" comments run to the end of the line and take up to two
// line-break bytes with them; "/*" comments run to the next "*/" or the end
// of the text. Multi-byte symbols are "<=", ">=", "<>", "<<", ">>" and ":=".
//
// The tokenizer is linear in the input and stateless: one shared instance
// serves every connection (SharedMySQLTokenizer). Nothing here throws except
// std::bad_alloc.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "db/tokenizer.h"

namespace zararod {

class TZMySQLTokenizer : public IZTokenizer {
 public:
  // The six states of the character table.
  enum class State : std::uint8_t { Whitespace, Word, Number, Quote, Comment, Symbol };

  TZMySQLTokenizer();

  TZRawToken ReadToken(std::string_view text, std::size_t pos) const override;
  std::string DecodeString(std::string_view text, char quote) const override;

 private:
  std::array<State, 256> table_;
};

// The one tokenizer of the MySQL driver, created on first use and handed to
// every caller afterwards; it lives until the program ends.
const IZTokenizer& SharedMySQLTokenizer();

}  // namespace zararod

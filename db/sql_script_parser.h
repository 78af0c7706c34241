// TZSQLScriptParser: splits a script text into statements.
//
// The text is cut into tokens by the tokenizer it is given (the MySQL
// tokenizer of the connection's driver), so a delimiter inside a quoted
// string, a backquoted name or a comment never ends a statement. How a
// statement ends is decided by the delimiter type:
//
//   dtDefault    a token that is exactly ";" (Delimiter is not consulted)
//   dtGo         a token whose upper-cased text is "GO"
//   dtSetTerm    consecutive non-whitespace tokens that together spell
//                Delimiter; a statement "SET TERM <x>" changes Delimiter to <x>
//   dtEmptyLine  a whitespace run holding at least two line feeds
//
// With CleanupStatements off, statements keep their text unchanged (comments,
// inner line breaks) apart from leading whitespace and the whitespace run
// directly before the delimiter; with it on, comments are dropped and
// whitespace is condensed to single blanks. The text after the last delimiter,
// when not empty, is kept as the uncompleted statement.
//
// Zero bytes are ordinary text. The tokenizer is not owned and must outlive
// the parse calls. Raises zararod::Exception "Tokenizer is not defined" when
// asked to parse without a tokenizer.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zararod {

class IZTokenizer;

enum TZDelimiterType { dtDefault, dtGo, dtSetTerm, dtEmptyLine };

class TZSQLScriptParser {
 public:
  TZSQLScriptParser() = default;

  const std::string& Delimiter() const { return delimiter_; }
  void SetDelimiter(std::string value) { delimiter_ = std::move(value); }
  TZDelimiterType DelimiterType() const { return delimiterType_; }
  void SetDelimiterType(TZDelimiterType value) { delimiterType_ = value; }
  // True for a parser made on its own.
  bool CleanupStatements() const { return cleanupStatements_; }
  void SetCleanupStatements(bool value) { cleanupStatements_ = value; }
  const IZTokenizer* Tokenizer() const { return tokenizer_; }
  void SetTokenizer(const IZTokenizer* tokenizer) { tokenizer_ = tokenizer; }

  // Discards the statements and the uncompleted statement.
  void Clear();
  // Splits `text` into the statements, replacing those of an earlier call.
  // An uncompleted statement left by an earlier call is continued: it is
  // taken as the start of the text, followed by a line feed.
  void ParseText(const std::string& text);

  // The statements that ended with a delimiter.
  int StatementCount() const { return static_cast<int>(statements_.size()); }
  // REQUIRES: 0 <= i < StatementCount().
  const std::string& Statements(int i) const { return statements_[static_cast<std::size_t>(i)]; }
  // The text after the last delimiter; empty when there is none.
  const std::string& UncompletedStatement() const { return uncompleted_; }

 private:
  std::string delimiter_ = ";";
  TZDelimiterType delimiterType_ = dtDefault;
  bool cleanupStatements_ = true;
  const IZTokenizer* tokenizer_ = nullptr;
  std::vector<std::string> statements_;
  std::string uncompleted_;
};

}  // namespace zararod

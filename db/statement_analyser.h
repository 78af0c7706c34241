// Token-level reading of SELECT statements.
//
// TZGenericStatementAnalyser cuts a statement text into sections that start
// at section keywords (SELECT, FROM, WHERE, GROUP BY, …) and, when the text
// is a SELECT with a FROM section, reads the select list into field
// references and the from clause into table references (TZSelectSchema).
// It is not a full SQL parser: it recognises plain column names (qualified
// or not, with or without alias), "*", aliased expressions and comma- or
// join-separated tables, and passes over everything else.
//
// A dialect supplies four word lists (section keywords, select options, join
// words, from-clause words), all in upper case; multi-word keywords have
// their words joined by "*" ("GROUP*BY"). Tokens are compared with the lists
// after upper-casing them by the cp1250 table.
//
// Analysers keep no state between calls and never throw except
// std::bad_alloc.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "db/select_schema.h"
#include "db/tokenizer.h"

namespace zararod {

// A run of tokens that starts at a section keyword. Name is the keyword in
// upper case (words of a multi-word keyword joined by "*"), or empty for a
// leading run without a keyword. Tokens begin with the keyword's own tokens
// (the whitespace between its words included). Token texts view the token
// list they were split from.
struct TZStatementSection {
  std::string Name;
  std::vector<TZToken> Tokens;
};

using TZStatementSections = std::vector<TZStatementSection>;

struct TZStatementWordLists {
  std::vector<std::string> SectionKeywords;
  std::vector<std::string> SelectOptions;
  std::vector<std::string> JoinWords;
  std::vector<std::string> FromClauseWords;
};

class TZGenericStatementAnalyser {
 public:
  explicit TZGenericStatementAnalyser(const TZStatementWordLists& words);
  virtual ~TZGenericStatementAnalyser() = default;

  // Splits tokens into sections. A section keyword starts where up to three
  // word tokens (whitespace and comments between them belong to the keyword)
  // spell a keyword; the shortest match wins. Tokens inside parentheses never
  // start a section.
  TZStatementSections SplitSections(const TZTokenList& tokens) const;

  // The select schema of `sql`, or null when the text is not a SELECT with a
  // FROM section. Tokenizes with skip-comments, skip-end-of-text and
  // unify-whitespace.
  std::unique_ptr<TZSelectSchema> DefineSelectSchemaFromQuery(const IZTokenizer& tokenizer,
                                                              std::string_view sql) const;

  // The same from sections already split.
  std::unique_ptr<TZSelectSchema> DefineSelectSchemaFromSections(
      const TZStatementSections& sections) const;

 private:
  using WordSet = std::unordered_set<std::string>;

  // End (one past) of a section keyword starting at `pos`, with its name;
  // 0 when no keyword starts there.
  std::size_t keywordEnd(const TZTokenList& tokens, std::size_t pos, std::string& name) const;
  void readFieldRefs(const std::vector<TZToken>& tokens, TZSelectSchema& schema) const;
  void readTableRefs(const std::vector<TZToken>& tokens, TZSelectSchema& schema) const;

  WordSet sectionKeywords_;
  WordSet selectOptions_;
  WordSet joinWords_;
  WordSet fromClauseWords_;
};

}  // namespace zararod

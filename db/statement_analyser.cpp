#include "db/statement_analyser.h"

#include "util/strings.h"

namespace zararod {

namespace {

bool isSymbol(const TZToken& token, std::string_view text) {
  return token.TokenType == TZTokenType::ttSymbol && token.Value == text;
}

bool isNameToken(const TZToken& token) {
  return token.TokenType == TZTokenType::ttWord ||
         token.TokenType == TZTokenType::ttQuotedIdentifier;
}

// Index just after the ")" that closes the "(" at `open` (nesting counted);
// the size of the list when it is never closed.
template <class Tokens>
std::size_t afterGroup(const Tokens& tokens, std::size_t open) {
  int depth = 0;
  for (std::size_t i = open; i < tokens.size(); ++i) {
    if (isSymbol(tokens[i], "(")) {
      ++depth;
    } else if (isSymbol(tokens[i], ")")) {
      if (--depth == 0) return i + 1;
    }
  }
  return tokens.size();
}

const TZStatementSection* findSection(const TZStatementSections& sections,
                                      std::string_view name) {
  for (const TZStatementSection& section : sections) {
    if (section.Name == name) return &section;
  }
  return nullptr;
}

// The names read so far for one select-list item or one table.
struct NameState {
  std::string Catalog;
  std::string Schema;
  std::string Table;
  std::string Field;
  std::string Alias;
  bool ReadingName = true;
};

}  // namespace

TZGenericStatementAnalyser::TZGenericStatementAnalyser(const TZStatementWordLists& words)
    : sectionKeywords_(words.SectionKeywords.begin(), words.SectionKeywords.end()),
      selectOptions_(words.SelectOptions.begin(), words.SelectOptions.end()),
      joinWords_(words.JoinWords.begin(), words.JoinWords.end()),
      fromClauseWords_(words.FromClauseWords.begin(), words.FromClauseWords.end()) {}

std::size_t TZGenericStatementAnalyser::keywordEnd(const TZTokenList& tokens, std::size_t pos,
                                                   std::string& name) const {
  std::string words;
  int wordCount = 0;
  for (std::size_t i = pos; i < tokens.size() && wordCount < 3; ++i) {
    const TZToken& token = tokens[i];
    if (token.TokenType == TZTokenType::ttWord) {
      if (wordCount > 0) words.push_back('*');
      words += UpperStr(token.Value);
      ++wordCount;
      if (sectionKeywords_.contains(words)) {
        name = std::move(words);
        return i + 1;
      }
    } else if (wordCount > 0 && (token.TokenType == TZTokenType::ttWhitespace ||
                                 token.TokenType == TZTokenType::ttComment)) {
      continue;
    } else {
      break;
    }
  }
  return 0;
}

TZStatementSections TZGenericStatementAnalyser::SplitSections(const TZTokenList& tokens) const {
  TZStatementSections sections;
  std::size_t pos = 0;
  std::string name;
  std::size_t end = tokens.empty() ? 0 : keywordEnd(tokens, 0, name);
  sections.push_back(TZStatementSection{name, {}});
  if (end > 0) {
    sections.back().Tokens.assign(tokens.begin(), tokens.begin() + static_cast<std::ptrdiff_t>(end));
    pos = end;
  }
  while (pos < tokens.size()) {
    name.clear();
    end = keywordEnd(tokens, pos, name);
    if (end > 0) {
      sections.push_back(TZStatementSection{name, {}});
      sections.back().Tokens.assign(tokens.begin() + static_cast<std::ptrdiff_t>(pos),
                                    tokens.begin() + static_cast<std::ptrdiff_t>(end));
      pos = end;
      continue;
    }
    end = isSymbol(tokens[pos], "(") ? afterGroup(tokens, pos) : pos + 1;
    std::vector<TZToken>& current = sections.back().Tokens;
    current.insert(current.end(), tokens.begin() + static_cast<std::ptrdiff_t>(pos),
                   tokens.begin() + static_cast<std::ptrdiff_t>(end));
    pos = end;
  }
  return sections;
}

std::unique_ptr<TZSelectSchema> TZGenericStatementAnalyser::DefineSelectSchemaFromQuery(
    const IZTokenizer& tokenizer, std::string_view sql) const {
  const TZTokenList tokens =
      tokenizer.Tokenize(sql, TZTokenOption::toSkipComments | TZTokenOption::toSkipEOF |
                                  TZTokenOption::toUnifyWhitespace);
  return DefineSelectSchemaFromSections(SplitSections(tokens));
}

std::unique_ptr<TZSelectSchema> TZGenericStatementAnalyser::DefineSelectSchemaFromSections(
    const TZStatementSections& sections) const {
  if (sections.size() < 2) return nullptr;
  const bool startsWithSelect =
      sections[0].Name == "SELECT" || (sections[0].Name.empty() && sections[1].Name == "SELECT");
  const TZStatementSection* select = findSection(sections, "SELECT");
  const TZStatementSection* from = findSection(sections, "FROM");
  if (!startsWithSelect || select == nullptr || from == nullptr) return nullptr;

  auto schema = std::make_unique<TZSelectSchema>();
  readFieldRefs(select->Tokens, *schema);
  readTableRefs(from->Tokens, *schema);
  return schema;
}

void TZGenericStatementAnalyser::readFieldRefs(const std::vector<TZToken>& tokens,
                                               TZSelectSchema& schema) const {
  NameState state;
  auto appendField = [&] {
    if (!state.Field.empty()) {
      schema.AddField(TZFieldRef{true, state.Catalog, state.Schema, state.Table, state.Field,
                                 state.Alias, nullptr, false});
    }
    state = NameState{};
  };

  std::size_t pos = 1;
  while (pos < tokens.size() && (tokens[pos].TokenType == TZTokenType::ttWhitespace ||
                                 tokens[pos].TokenType == TZTokenType::ttComment ||
                                 selectOptions_.contains(UpperStr(tokens[pos].Value)))) {
    ++pos;
  }

  while (pos < tokens.size()) {
    const TZToken& token = tokens[pos];
    const std::string upper = UpperStr(token.Value);
    if (token.TokenType == TZTokenType::ttWhitespace || upper == "AS") {
      state.ReadingName = state.ReadingName && state.Field.empty() && upper != "AS";
    } else if (state.ReadingName && (isNameToken(token) || token.Value == "*")) {
      state.Catalog = std::move(state.Schema);
      state.Schema = std::move(state.Table);
      state.Table = std::move(state.Field);
      state.Field = std::string(token.Value);
    } else if (state.ReadingName && token.Value == ".") {
      // A qualifier separator: the next name shifts the names read so far.
    } else if (!state.ReadingName && token.TokenType == TZTokenType::ttWord) {
      state.Alias = std::string(token.Value);
    } else if (token.Value == ",") {
      appendField();
    } else {
      // An expression: it is known only by the word that follows it after a
      // blank, if any, up to the next "," outside parentheses.
      state = NameState{};
      bool whitespaceSeen = false;
      while (pos < tokens.size()) {
        const TZToken& item = tokens[pos];
        if (isSymbol(item, "(")) {
          pos = afterGroup(tokens, pos);
          continue;
        }
        ++pos;
        if (whitespaceSeen && isNameToken(item)) {
          state.Alias = std::string(item.Value);
        } else if (item.TokenType != TZTokenType::ttWhitespace &&
                   item.TokenType != TZTokenType::ttComment && item.Value != ",") {
          state.Alias.clear();
        } else if (item.TokenType == TZTokenType::ttWhitespace) {
          whitespaceSeen = true;
        }
        if (item.Value == ",") break;
      }
      if (!state.Alias.empty()) {
        schema.AddField(TZFieldRef{false, {}, {}, {}, {}, state.Alias, nullptr, false});
      }
      state = NameState{};
      continue;
    }
    ++pos;
  }
  appendField();
}

void TZGenericStatementAnalyser::readTableRefs(const std::vector<TZToken>& tokens,
                                               TZSelectSchema& schema) const {
  NameState state;
  auto appendTable = [&] {
    if (!state.Table.empty()) {
      schema.AddTable(TZTableRef{state.Catalog, state.Schema, state.Table, state.Alias});
    }
    state = NameState{};
  };
  auto isJoinWord = [&](const TZToken& token) {
    return joinWords_.contains(UpperStr(token.Value));
  };

  std::size_t pos = 1;
  while (pos < tokens.size()) {
    const TZToken* token = &tokens[pos];
    const std::string upper = UpperStr(token->Value);
    if (joinWords_.contains(upper)) {
      appendTable();
      ++pos;
      while (pos < tokens.size() && (tokens[pos].TokenType == TZTokenType::ttWhitespace ||
                                     tokens[pos].TokenType == TZTokenType::ttComment ||
                                     isJoinWord(tokens[pos]))) {
        ++pos;
      }
      continue;
    }
    if (fromClauseWords_.contains(upper)) {
      // ON / USING / USE / IGNORE: pass over the condition or index hint up to
      // the next table.
      ++pos;
      while (pos < tokens.size() && !isJoinWord(tokens[pos]) && tokens[pos].Value != ",") {
        pos = isSymbol(tokens[pos], "(") ? afterGroup(tokens, pos) : pos + 1;
      }
      if (pos >= tokens.size()) break;
      if (isJoinWord(tokens[pos])) --pos;
      token = &tokens[pos];
    } else if (token->TokenType == TZTokenType::ttWhitespace || upper == "AS") {
      state.ReadingName = state.ReadingName && state.Table.empty() && upper != "AS";
    } else if (state.ReadingName && isNameToken(*token)) {
      state.Catalog = std::move(state.Schema);
      state.Schema = std::move(state.Table);
      state.Table = std::string(token->Value);
    } else if (!state.ReadingName && token->TokenType == TZTokenType::ttWord) {
      state.Alias = std::string(token->Value);
    }
    if (token->Value == ",") appendTable();
    pos = isSymbol(*token, "(") ? afterGroup(tokens, pos) : pos + 1;
  }
  appendTable();
}

}  // namespace zararod

#include "db/sql_script_parser.h"

#include <algorithm>

#include "db/tokenizer.h"
#include "util/exception.h"
#include "util/strings.h"

namespace zararod {

namespace {

std::string trimmed(std::string_view text) { return std::string(trimControls(text)); }

// Ends the text of an open statement with one blank in place of the
// whitespace that follows it: the text is trimmed as trimControls does, then
// a blank is appended. Works in place, so that a long statement is not
// copied for every whitespace token in it: the bytes removed at the end were
// appended once, and the front of a statement only ever holds such bytes
// before the first trim.
void endWithBlank(std::string& text) {
  const std::string_view kept = trimControls(text);
  const auto first = static_cast<std::size_t>(kept.data() - text.data());
  text.resize(first + kept.size());
  text.erase(0, first);
  text += ' ';
}

bool isWhitespace(const TZToken& token) { return token.TokenType == TZTokenType::ttWhitespace; }
bool isEnd(const TZToken& token) { return token.TokenType == TZTokenType::ttEOF; }

// The walk over the tokens of one script text. Collects finished statements
// into the parser's list; `current` is the statement being built.
class Splitter {
 public:
  Splitter(const TZTokenList& tokens, std::string& delimiter, bool cleanup,
           std::vector<std::string>& statements, std::string current)
      : tokens_(tokens),
        delimiter_(delimiter),
        cleanup_(cleanup),
        statements_(statements),
        current_(std::move(current)) {}

  // Returns the text after the last delimiter (already trimmed when cleaning up).
  std::string Split(TZDelimiterType type) {
    for (std::size_t i = 0; i < tokens_.size() && !isEnd(tokens_[i]);) {
      switch (type) {
        case dtDefault:
        case dtGo:
          defaultToken(i, type);
          ++i;
          break;
        case dtSetTerm:
          i = setTermToken(i);
          break;
        case dtEmptyLine:
          emptyLineToken(i);
          ++i;
          break;
      }
    }
    if (cleanup_) current_ = trimmed(current_);
    return std::move(current_);
  }

 private:
  const TZToken* next(std::size_t i) const {
    return i + 1 < tokens_.size() ? &tokens_[i + 1] : nullptr;
  }

  // Whitespace between tokens of a statement. When cleaning up it becomes one
  // blank (the statement is trimmed when it ends). Otherwise it is kept as it
  // is, but dropped at the start of a statement, at the end of the text and
  // right before a token that spells the delimiter.
  void whitespace(std::size_t i) {
    if (cleanup_) {
      if (!current_.empty()) endWithBlank(current_);
      return;
    }
    const TZToken* following = next(i);
    if (current_.empty() || following == nullptr || isEnd(*following) ||
        following->Value == delimiter_)
      return;
    current_.append(tokens_[i].Value);
  }

  void endStatement() {
    std::string statement = cleanup_ ? trimmed(current_) : std::move(current_);
    current_.clear();
    if (!statement.empty()) statements_.push_back(std::move(statement));
  }

  void defaultToken(std::size_t i, TZDelimiterType type) {
    const TZToken& token = tokens_[i];
    const bool ends = type == dtDefault ? token.Value == ";" : UpperStr(token.Value) == "GO";
    if (ends)
      endStatement();
    else if (isWhitespace(token))
      whitespace(i);
    else
      current_.append(token.Value);
  }

  // Returns the index of the next token to handle.
  std::size_t setTermToken(std::size_t i) {
    if (isWhitespace(tokens_[i])) {
      whitespace(i);
      return i + 1;
    }
    // Join the following non-whitespace tokens while they may still spell
    // the delimiter.
    std::string candidate(tokens_[i].Value);
    std::size_t last = i;
    bool lastJoined = false;
    while (!delimiter_.empty() && !candidate.empty() && candidate[0] == delimiter_[0] &&
           candidate.size() < delimiter_.size() && !isWhitespace(tokens_[last]) &&
           !isEnd(tokens_[last]) && last + 1 < tokens_.size()) {
      ++last;
      lastJoined = !isWhitespace(tokens_[last]) && !isEnd(tokens_[last]);
      if (lastJoined) candidate.append(tokens_[last].Value);
    }
    if (candidate == delimiter_) {
      const std::string statement = trimmed(current_);
      if (statement.size() >= 9 && sameText(std::string_view(statement).substr(0, 9), "SET TERM ")) {
        delimiter_ = statement.substr(9);
        current_.clear();
      } else {
        endStatement();
      }
      return last + 1;
    }
    // Not the delimiter: the tokens before the last one read are text; the
    // last one read is handled on its own.
    if (last == i) {
      current_.append(candidate);
      return i + 1;
    }
    if (lastJoined) candidate.resize(candidate.size() - tokens_[last].Value.size());
    current_.append(candidate);
    return last;
  }

  void emptyLineToken(std::size_t i) {
    const TZToken& token = tokens_[i];
    if (!isWhitespace(token)) {
      current_.append(token.Value);
      return;
    }
    // A single-line comment keeps its own line feed, so a run that follows
    // it completes an empty line with one line feed.
    const auto lineFeeds = std::count(token.Value.begin(), token.Value.end(), '\n') +
                           (!current_.empty() && current_.back() == '\n' ? 1 : 0);
    if (lineFeeds >= 2) {
      if (!current_.empty() && current_.back() == ';') current_.pop_back();
      endStatement();
    } else if (!current_.empty()) {
      endWithBlank(current_);
    }
  }

  const TZTokenList& tokens_;
  std::string& delimiter_;
  bool cleanup_;
  std::vector<std::string>& statements_;
  std::string current_;
};

}  // namespace

void TZSQLScriptParser::Clear() {
  statements_.clear();
  uncompleted_.clear();
}

void TZSQLScriptParser::ParseText(const std::string& text) {
  if (tokenizer_ == nullptr) throw Exception("Tokenizer is not defined");
  const TZTokenList tokens =
      tokenizer_->Tokenize(text, cleanupStatements_ ? TZTokenOptions(TZTokenOption::toSkipComments)
                                                    : TZTokenOptions());
  std::string start = uncompleted_.empty() ? std::string() : uncompleted_ + "\n";
  statements_.clear();
  uncompleted_.clear();
  Splitter splitter(tokens, delimiter_, cleanupStatements_, statements_, std::move(start));
  uncompleted_ = splitter.Split(delimiterType_);
}

}  // namespace zararod

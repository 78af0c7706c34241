#include "db/sql_strings.h"

#include "db/db_exceptions.h"
#include "db/mysql_tokenizer.h"
#include "util/file_io.h"
#include "util/strings.h"

namespace zararod {
namespace {

constexpr std::string_view kLineBreak = "\r\n";

}  // namespace

TZSQLStrings::TZSQLStrings() = default;
TZSQLStrings::~TZSQLStrings() = default;

void TZSQLStrings::SetText(std::string_view text) { replaceLines(splitLines(text)); }

void TZSQLStrings::SetLines(std::vector<std::string> lines) { replaceLines(std::move(lines)); }

void TZSQLStrings::Assign(const TZSQLStrings& other) {
  if (&other != this) replaceLines(other.lines_);
}

void TZSQLStrings::LoadFromFile(const std::string& fileName) { SetText(readFileBytes(fileName)); }

void TZSQLStrings::SaveToFile(const std::string& fileName) const { writeFileBytes(fileName, text_); }

void TZSQLStrings::replaceLines(std::vector<std::string> lines) {
  std::string text;
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + kLineBreak.size();
  text.reserve(size);
  for (const std::string& line : lines) text.append(line).append(kLineBreak);
  lines_ = std::move(lines);
  text_ = std::move(text);
  BeginUpdate();
  EndUpdate();
}

void TZSQLStrings::Clear() {
  if (lines_.empty()) return;
  lines_.clear();
  text_.clear();
  changed();
}

int TZSQLStrings::Add(std::string_view line) {
  lines_.emplace_back(line);
  text_.append(line).append(kLineBreak);
  changed();
  return Count() - 1;
}

void TZSQLStrings::EndUpdate() {
  if (--updateCount_ == 0) rescan(true);
}

void TZSQLStrings::changed() {
  if (updateCount_ == 0) rescan(true);
}

void TZSQLStrings::SetParamCheck(bool value) {
  if (value == paramCheck_) return;
  paramCheck_ = value;
  settingChanged();
}

void TZSQLStrings::SetMultiStatements(bool value) {
  if (value == multiStatements_) return;
  multiStatements_ = value;
  settingChanged();
}

void TZSQLStrings::SetTokenizer(const IZTokenizer* tokenizer) {
  if (tokenizer == tokenizer_) return;
  tokenizer_ = tokenizer;
  settingChanged();
}

void TZSQLStrings::settingChanged() { rescan(false); }

const IZTokenizer& TZSQLStrings::tokenizer() const {
  return tokenizer_ != nullptr ? *tokenizer_ : SharedMySQLTokenizer();
}

int TZSQLStrings::ParamIndex(std::string_view name) const {
  const auto found = nameIndex_.find(UpperStr(name));
  return found == nameIndex_.end() ? -1 : found->second;
}

int TZSQLStrings::addName(std::string name) {
  auto [entry, added] = nameIndex_.try_emplace(UpperStr(name), static_cast<int>(names_.size()));
  if (added) names_.push_back(std::move(name));
  return entry->second;
}

void TZSQLStrings::rescan(bool textChanged) {
  statements_.clear();
  names_.clear();
  nameIndex_.clear();
  const std::string_view text = text_;
  const bool hasMarkers = paramCheck_ && text.find(':') != std::string_view::npos;
  const bool hasSeparators = multiStatements_ && text.find(';') != std::string_view::npos;
  if (trimControls(text).empty()) {
    // No statement at all.
  } else if (!hasMarkers && !hasSeparators) {
    statements_.emplace_back(text_, std::vector<int>(), &names_);
  } else {
    scanTokens();
  }
  if (textChanged && onChange_) onChange_(*this);
}

void TZSQLStrings::scanTokens() {
  const IZTokenizer& tok = tokenizer();
  TZTokenAssembler assembler(TZTokenOption::toSkipComments | TZTokenOption::toUnifyWhitespace);
  std::string statementText;  // the open statement, markers made "?"
  std::vector<int> markers;   // its markers' name indexes
  bool pendingColon = false;  // a ":" waiting for the token after it

  auto endStatement = [&] {
    const std::string_view trimmed = trimControls(statementText);
    if (!trimmed.empty()) statements_.emplace_back(std::string(trimmed), markers, &names_);
    statementText.clear();
    markers.clear();
  };

  auto walk = [&](const TZToken& token) {
    if (pendingColon) {
      pendingColon = false;
      if (token.TokenType != TZTokenType::ttEOF && token.Value != ":") {
        if (token.TokenType != TZTokenType::ttWord && token.TokenType != TZTokenType::ttQuoted) {
          throw EZDatabaseError("Incorrect token followed by \":\"");
        }
        statementText += '?';
        std::string name = token.TokenType == TZTokenType::ttQuoted
                               ? tok.DecodeString(token.Value, token.Value.front())
                               : std::string(token.Value);
        markers.push_back(addName(std::move(name)));
        return;
      }
      // "::" or a ":" at the end: the first colon is dropped and this token
      // is plain text (or the end).
    } else if (paramCheck_ && token.Value == ":") {
      pendingColon = true;
      return;
    }
    if (token.TokenType == TZTokenType::ttEOF || (multiStatements_ && token.Value == ";")) {
      endStatement();
    } else {
      statementText.append(token.Value);
    }
  };

  const std::string_view text = text_;
  for (std::size_t pos = 0; pos < text.size();) {
    const TZRawToken raw = tok.ReadToken(text, pos);
    assembler.Feed(text, raw, walk);
    pos = raw.End;
  }
  assembler.Finish(text, walk);
}

}  // namespace zararod

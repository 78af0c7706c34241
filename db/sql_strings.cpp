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
  prefixStable_ = false;
  BeginUpdate();
  EndUpdate();
}

void TZSQLStrings::Clear() {
  if (lines_.empty()) return;
  lines_.clear();
  text_.clear();
  prefixStable_ = false;
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

void TZSQLStrings::settingChanged() {
  prefixStable_ = false;
  rescan(false);
}

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

void TZSQLStrings::truncateResults(std::size_t statementCount, std::size_t nameCount) {
  if (statements_.size() > statementCount) {
    statements_.erase(statements_.begin() + static_cast<std::ptrdiff_t>(statementCount),
                      statements_.end());
  }
  while (names_.size() > nameCount) {
    nameIndex_.erase(UpperStr(names_.back()));
    names_.pop_back();
  }
}

void TZSQLStrings::resetScan() {
  statements_.clear();
  names_.clear();
  nameIndex_.clear();
  factsUpTo_ = 0;
  hasColon_ = hasSemicolon_ = hasNonBlank_ = false;
  fastPathLength_ = 0;
  settled_ = ScanPoint();
  scanText_.clear();
  scanMarkers_.clear();
  prefixStable_ = true;
}

void TZSQLStrings::updateTextFacts() {
  const std::string_view added = std::string_view(text_).substr(factsUpTo_);
  hasColon_ = hasColon_ || added.find(':') != std::string_view::npos;
  hasSemicolon_ = hasSemicolon_ || added.find(';') != std::string_view::npos;
  hasNonBlank_ = hasNonBlank_ || !trimControls(added).empty();
  factsUpTo_ = text_.size();
}

void TZSQLStrings::rescan(bool textChanged) {
  if (!prefixStable_) resetScan();
  updateTextFacts();
  if (!hasNonBlank_) {
    truncateResults(0, 0);
    fastPathLength_ = 0;
  } else if (!(paramCheck_ && hasColon_) && !(multiStatements_ && hasSemicolon_)) {
    takeFastPath();
  } else {
    scanTokens();
  }
  if (textChanged && onChange_) onChange_(*this);
}

void TZSQLStrings::takeFastPath() {
  // The whole text is the one statement. While lines are only appended, the
  // statement grows with the text instead of being copied again.
  if (fastPathLength_ > 0) {
    statements_.front().text_.append(text_, fastPathLength_, std::string::npos);
  } else {
    truncateResults(0, 0);
    statements_.emplace_back(text_, std::vector<int>(), &names_);
  }
  fastPathLength_ = text_.size();
}

void TZSQLStrings::scanTokens() {
  fastPathLength_ = 0;
  truncateResults(settled_.statementCount, settled_.nameCount);
  scanText_.resize(settled_.textLength);
  scanMarkers_.resize(settled_.markerLength);

  const IZTokenizer& tok = tokenizer();
  ScanPoint cur = settled_;

  auto endStatement = [&] {
    const std::string_view text = trimControls(std::string_view(scanText_).substr(cur.textStart));
    if (!text.empty()) {
      statements_.emplace_back(
          std::string(text),
          std::vector<int>(scanMarkers_.begin() + static_cast<std::ptrdiff_t>(cur.markerStart),
                           scanMarkers_.end()),
          &names_);
    }
    cur.textStart = scanText_.size();
    cur.markerStart = scanMarkers_.size();
  };

  auto walk = [&](const TZToken& token) {
    if (cur.pendingColon) {
      cur.pendingColon = false;
      if (token.TokenType != TZTokenType::ttEOF && token.Value != ":") {
        if (token.TokenType != TZTokenType::ttWord && token.TokenType != TZTokenType::ttQuoted) {
          throw EZDatabaseError("Incorrect token followed by \":\"");
        }
        scanText_ += '?';
        std::string name = token.TokenType == TZTokenType::ttQuoted
                               ? tok.DecodeString(token.Value, token.Value.front())
                               : std::string(token.Value);
        scanMarkers_.push_back(addName(std::move(name)));
        return;
      }
      // "::" or a ":" at the end: the first colon is dropped and this token
      // is plain text (or the end).
    } else if (paramCheck_ && token.Value == ":") {
      cur.pendingColon = true;
      return;
    }
    if (token.TokenType == TZTokenType::ttEOF || (multiStatements_ && token.Value == ";")) {
      endStatement();
    } else {
      scanText_.append(token.Value);
    }
  };

  auto settle = [&] {
    // Text of statements already made is dead; drop it once it is most of
    // the buffer so that the buffer stays as small as the open statement.
    if (cur.textStart > scanText_.size() / 2) {
      scanText_.erase(0, cur.textStart);
      cur.textStart = 0;
      scanMarkers_.erase(scanMarkers_.begin(),
                         scanMarkers_.begin() + static_cast<std::ptrdiff_t>(cur.markerStart));
      cur.markerStart = 0;
    }
    cur.textLength = scanText_.size();
    cur.markerLength = scanMarkers_.size();
    cur.statementCount = statements_.size();
    cur.nameCount = names_.size();
    settled_ = cur;
  };

  const std::string_view text = text_;
  // A token that ends this far before the end of the text cannot change when
  // more text is appended.
  const std::size_t settledLimit =
      text.size() >= IZTokenizer::kMaxLookahead ? text.size() - IZTokenizer::kMaxLookahead : 0;
  while (cur.pos < text.size()) {
    const TZRawToken raw = tok.ReadToken(text, cur.pos);
    cur.assembler.Feed(text, raw, walk);
    cur.pos = raw.End;
    if (cur.pos <= settledLimit) settle();
  }
  cur.assembler.Finish(text, walk);
}

}  // namespace zararod

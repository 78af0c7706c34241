// The tokenizer interface: SQL text cut into tokens.
//
// A tokenizer works on single bytes of the connection's code page; no
// character conversion takes place. Its rules decide where a statement of a
// script ends, which colons are parameter markers and which question marks a
// prepared statement treats as parameter positions.
//
// Tokens are cheap: a view of the bytes they cover plus their kind. A
// TZTokenList holds the tokens of one tokenization. A token's text views
//   - the input text, for every token whose bytes stand unchanged in it, so
//     it stays valid while the input string is alive and not modified;
//   - a fixed one-blank string, for whitespace under toUnifyWhitespace
//     (valid for the whole run of the program);
//   - the list's own storage, for the rare word joined from an integer and a
//     word that were not adjacent in the input (a comment between them was
//     skipped); valid while the list is alive (moving the list keeps it).
// The end-of-text token has an empty text.
//
// Tokenizers keep no state between calls: one instance may serve every
// caller. Nothing here throws except std::bad_alloc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zararod {

enum class TZTokenType : std::uint8_t {
  ttUnknown,  // "none": the kind of the last token added before the first one
  ttWhitespace,
  ttWord,
  ttKeyword,  // AND, OR, NOT, XOR, LIKE, IS, NULL, TRUE, FALSE (any letter case)
  ttInteger,
  ttFloat,
  ttHexDecimal,
  ttQuoted,            // a string in single or double quotes
  ttQuotedIdentifier,  // a name in backquotes
  ttComment,
  ttSymbol,  // also a "/*!" section
  ttEOF,     // end of text, added once at the end; empty text
};

struct TZToken {
  std::string_view Value;
  TZTokenType TokenType = TZTokenType::ttUnknown;
};

enum class TZTokenOption : std::uint8_t {
  toSkipComments = 1,     // comment tokens are left out
  toSkipEOF = 2,          // no end-of-text token at the end
  toUnifyWhitespace = 4,  // whitespace becomes one blank; a whitespace token
                          // right after whitespace is left out
};

// A set of TZTokenOption values.
class TZTokenOptions {
 public:
  constexpr TZTokenOptions() = default;
  constexpr TZTokenOptions(TZTokenOption option)  // NOLINT: a one-element set
      : bits_(static_cast<std::uint8_t>(option)) {}
  constexpr bool Contains(TZTokenOption option) const {
    return (bits_ & static_cast<std::uint8_t>(option)) != 0;
  }
  constexpr TZTokenOptions operator|(TZTokenOptions other) const {
    return FromBits(bits_ | other.bits_);
  }
  constexpr bool operator==(const TZTokenOptions&) const = default;

 private:
  static constexpr TZTokenOptions FromBits(unsigned bits) {
    TZTokenOptions options;
    options.bits_ = static_cast<std::uint8_t>(bits);
    return options;
  }
  std::uint8_t bits_ = 0;
};

constexpr TZTokenOptions operator|(TZTokenOption a, TZTokenOption b) {
  return TZTokenOptions(a) | TZTokenOptions(b);
}

// The tokens of one tokenization, in text order. See the file comment for how
// long the token texts stay valid.
class TZTokenList {
 public:
  TZTokenList() = default;
  TZTokenList(TZTokenList&&) noexcept = default;
  TZTokenList& operator=(TZTokenList&&) noexcept = default;
  TZTokenList(const TZTokenList&) = delete;
  TZTokenList& operator=(const TZTokenList&) = delete;

  std::size_t size() const { return tokens_.size(); }
  bool empty() const { return tokens_.empty(); }
  const TZToken& operator[](std::size_t i) const { return tokens_[i]; }
  const TZToken& back() const { return tokens_.back(); }
  std::vector<TZToken>::const_iterator begin() const { return tokens_.begin(); }
  std::vector<TZToken>::const_iterator end() const { return tokens_.end(); }

  // Building (used by tokenizers).
  void push_back(TZToken token) { tokens_.push_back(token); }
  void reserve(std::size_t n) { tokens_.reserve(n); }
  // Keeps a copy of `text` for the life of the list and returns a view of it.
  std::string_view Keep(std::string text);

 private:
  std::vector<TZToken> tokens_;
  std::vector<std::unique_ptr<std::string>> kept_;
};

// One token as a tokenizer's state reads it from the text, before any option
// is applied: the bytes [Begin, End) of the text.
struct TZRawToken {
  std::size_t Begin = 0;
  std::size_t End = 0;
  TZTokenType TokenType = TZTokenType::ttUnknown;
};

class IZTokenizer {
 public:
  virtual ~IZTokenizer() = default;

  // Reads the token that begins at `pos`.
  // REQUIRES: pos < text.size(). The result has Begin == pos < End <= text.size().
  virtual TZRawToken ReadToken(std::string_view text, std::size_t pos) const = 0;

  // Quote decoding: when `text` is longer than one byte and both begins and
  // ends with `quote`, the bytes between the quotes with backslash escapes
  // resolved (\n, \r, \t, three octal digits, any other byte stands for
  // itself; doubled quotes stay doubled), or "" for a two-byte text;
  // otherwise `text` unchanged.
  virtual std::string DecodeString(std::string_view text, char quote) const = 0;

  // Every token of `text` in order, with the options applied, and the
  // end-of-text token last unless toSkipEOF is given. Digits directly
  // followed by a word form one word token.
  TZTokenList Tokenize(std::string_view text, TZTokenOptions options = {}) const;
};

// Applies the tokenizer options to raw tokens one at a time, for a caller
// that walks the tokens as they are read (Tokenize, TZSQLStrings). Holds an
// integer token back until the next token shows whether the two join into one
// word. Token offsets refer to the same text in every call.
class TZTokenAssembler {
 public:
  explicit TZTokenAssembler(TZTokenOptions options) : options_(options) {}

  // Takes the next raw token of `text`; calls emit(const TZToken&) for each
  // token that is settled (zero, one or two). The emitted text is valid only
  // during the call.
  template <class Emit>
  void Feed(std::string_view text, const TZRawToken& raw, Emit&& emit);
  // Ends the text: emits a held-back integer and, unless toSkipEOF, the
  // end-of-text token.
  template <class Emit>
  void Finish(std::string_view text, Emit&& emit);

 private:
  TZTokenOptions options_;
  TZTokenType lastAdded_ = TZTokenType::ttUnknown;
  bool hasPending_ = false;  // an integer token held back
  std::size_t pendingBegin_ = 0;
  std::size_t pendingEnd_ = 0;
};

// A view of one blank with static storage, the text of unified whitespace.
inline constexpr std::string_view kUnifiedWhitespace = " ";

template <class Emit>
void TZTokenAssembler::Feed(std::string_view text, const TZRawToken& raw, Emit&& emit) {
  const TZTokenType type = raw.TokenType;
  if (type == TZTokenType::ttComment && options_.Contains(TZTokenOption::toSkipComments)) {
    return;
  }
  std::string_view value = text.substr(raw.Begin, raw.End - raw.Begin);
  if (type == TZTokenType::ttWhitespace && options_.Contains(TZTokenOption::toUnifyWhitespace)) {
    if (lastAdded_ == TZTokenType::ttWhitespace) return;
    value = kUnifiedWhitespace;
  }
  if (hasPending_) {
    hasPending_ = false;
    if (type == TZTokenType::ttWord) {
      lastAdded_ = TZTokenType::ttWord;
      if (pendingEnd_ == raw.Begin) {
        emit(TZToken{text.substr(pendingBegin_, raw.End - pendingBegin_), TZTokenType::ttWord});
      } else {
        std::string joined(text.substr(pendingBegin_, pendingEnd_ - pendingBegin_));
        joined.append(value);
        emit(TZToken{std::string_view(joined), TZTokenType::ttWord});
      }
      return;
    }
    emit(TZToken{text.substr(pendingBegin_, pendingEnd_ - pendingBegin_), TZTokenType::ttInteger});
  }
  lastAdded_ = type;
  if (type == TZTokenType::ttInteger) {
    hasPending_ = true;
    pendingBegin_ = raw.Begin;
    pendingEnd_ = raw.End;
    return;
  }
  emit(TZToken{value, type});
}

template <class Emit>
void TZTokenAssembler::Finish(std::string_view text, Emit&& emit) {
  if (hasPending_) {
    hasPending_ = false;
    emit(TZToken{text.substr(pendingBegin_, pendingEnd_ - pendingBegin_), TZTokenType::ttInteger});
  }
  if (!options_.Contains(TZTokenOption::toSkipEOF)) {
    emit(TZToken{std::string_view(), TZTokenType::ttEOF});
  }
}

}  // namespace zararod

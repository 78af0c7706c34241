// The MySQL tokenizer on any bytes: without options the token texts put
// together give back the input, every token but the last is non-empty, and
// the end-of-text token comes last; with every option it still ends cleanly,
// and decoding any quoted token is safe.
#include "db/mysql_tokenizer.h"
#include "fuzz/fuzz_check.h"

using namespace zararod;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::string_view text = fuzz::textOf(data, size);
  const IZTokenizer& tokenizer = SharedMySQLTokenizer();

  const TZTokenList tokens = tokenizer.Tokenize(text);
  fuzz::require(!tokens.empty() && tokens.back().TokenType == TZTokenType::ttEOF,
                "the end-of-text token comes last");
  std::string joined;
  for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
    fuzz::require(!tokens[i].Value.empty(), "tokens are not empty");
    joined.append(tokens[i].Value);
    if (tokens[i].TokenType == TZTokenType::ttQuoted ||
        tokens[i].TokenType == TZTokenType::ttQuotedIdentifier) {
      const std::string decoded = tokenizer.DecodeString(tokens[i].Value, tokens[i].Value[0]);
      fuzz::require(decoded.size() <= tokens[i].Value.size(), "decoding never lengthens");
    }
  }
  fuzz::require(joined == text, "the tokens join back to the input");

  const TZTokenList filtered = tokenizer.Tokenize(
      text, TZTokenOption::toSkipComments | TZTokenOption::toUnifyWhitespace | TZTokenOption::toSkipEOF);
  fuzz::require(filtered.size() <= tokens.size(), "options never add tokens");
  return 0;
}

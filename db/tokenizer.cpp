#include "db/tokenizer.h"

#include <functional>

namespace zararod {

std::string_view TZTokenList::Keep(std::string text) {
  kept_.push_back(std::make_unique<std::string>(std::move(text)));
  return *kept_.back();
}

TZTokenList IZTokenizer::Tokenize(std::string_view text, TZTokenOptions options) const {
  TZTokenList list;
  TZTokenAssembler assembler(options);
  const char* const first = text.data();
  const char* const last = first + text.size();
  auto add = [&](const TZToken& token) {
    const char* data = token.Value.data();
    const std::less_equal<const char*> notAfter;
    const bool stable = token.Value.empty() || data == kUnifiedWhitespace.data() ||
                        (notAfter(first, data) && notAfter(data + token.Value.size(), last));
    list.push_back(stable ? token : TZToken{list.Keep(std::string(token.Value)), token.TokenType});
  };
  for (std::size_t pos = 0; pos < text.size();) {
    const TZRawToken raw = ReadToken(text, pos);
    assembler.Feed(text, raw, add);
    pos = raw.End;
  }
  assembler.Finish(text, add);
  return list;
}

}  // namespace zararod

#include "db/mysql_tokenizer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace zararod {
namespace {

using enum TZTokenType;
using enum TZTokenOption;

const char* kindName(TZTokenType type) {
  switch (type) {
    case ttUnknown: return "?";
    case ttWhitespace: return "ws";
    case ttWord: return "word";
    case ttKeyword: return "kw";
    case ttInteger: return "int";
    case ttFloat: return "float";
    case ttHexDecimal: return "hex";
    case ttQuoted: return "str";
    case ttQuotedIdentifier: return "ident";
    case ttComment: return "comment";
    case ttSymbol: return "sym";
    case ttEOF: return "eof";
  }
  return "?";
}

// "kind:text" per token, the end-of-text token as "eof".
std::vector<std::string> describe(std::string_view text, TZTokenOptions options = {}) {
  std::vector<std::string> result;
  for (const TZToken& token : SharedMySQLTokenizer().Tokenize(text, options)) {
    std::string entry = kindName(token.TokenType);
    if (token.TokenType != ttEOF) entry.append(":").append(token.Value);
    result.push_back(std::move(entry));
  }
  return result;
}

struct Case {
  std::string text;
  std::vector<std::string> tokens;  // without the final "eof"
};

TEST(MySQLTokenizerTest, TokensWithoutOptions) {
  const Case cases[] = {
      // ";" ends nothing inside quotes and comments
      {"a;b", {"word:a", "sym:;", "word:b"}},
      {"'a;b';c", {"str:'a;b'", "sym:;", "word:c"}},
      {"\"a;b\"", {"str:\"a;b\""}},
      {"`a;b`", {"ident:`a;b`"}},
      {"#x;y\r\nz", {"comment:#x;y\r\n", "word:z"}},
      {"--x;y\nz", {"comment:--x;y\n", "word:z"}},
      {"/*a;b*/c", {"comment:/*a;b*/", "word:c"}},
      // quoted strings: doubled quotes, backslashes, line breaks
      {"'O''Brien' x", {"str:'O''Brien'", "ws: ", "word:x"}},
      {"'ab\\';c'd", {"str:'ab\\';c'", "word:d"}},
      {"'a\\\\'b", {"str:'a\\\\'", "word:b"}},
      {"'a\r\nb'", {"str:'a\r\nb'"}},
      {"''", {"str:''"}},
      {"'''", {"str:'''"}},
      {"'abc", {"str:'abc"}},
      {"`a``b`.c", {"ident:`a``b`", "sym:.", "word:c"}},
      // single-line comments take at most two line-break bytes
      {"#c\r\n\r\nx", {"comment:#c\r\n", "ws:\r\n", "word:x"}},
      {"#c\n\rx", {"comment:#c\n\r", "word:x"}},
      {"#c\n\n\nx", {"comment:#c\n\n", "ws:\n", "word:x"}},
      {"#c\r\r", {"comment:#c\r\r"}},
      {"#abc", {"comment:#abc"}},
      {"-- a", {"comment:-- a"}},
      {"a-b", {"word:a", "sym:-", "word:b"}},
      {"-", {"sym:-"}},
      // block comments and "/*!" sections
      {"/", {"sym:/"}},
      {"a/b", {"word:a", "sym:/", "word:b"}},
      {"/*", {"comment:/*"}},
      {"/*abc", {"comment:/*abc"}},
      {"/**/x", {"comment:/**/", "word:x"}},
      {"/*/x*/y", {"comment:/*/x*/", "word:y"}},
      {"/*!40101 SET x=1*/;", {"sym:/*!40101 SET x=1*/", "sym:;"}},
      {"/*!x", {"sym:/*!x"}},
      // numbers
      {"12abc", {"word:12abc"}},
      {"1AND", {"int:1", "kw:AND"}},  // only a word joins the integer before it
      {"1.5abc", {"float:1.5", "word:abc"}},
      {"12 abc", {"int:12", "ws: ", "word:abc"}},
      {"1.5e3", {"float:1.5e3"}},
      {"1.5E+3", {"float:1.5E+3"}},
      {"2e-7x", {"float:2e-7", "word:x"}},
      {"12.", {"float:12."}},
      {"12.;", {"float:12.", "sym:;"}},
      {".5", {"float:.5"}},
      {".", {"sym:."}},
      {"..5", {"sym:.", "float:.5"}},
      {"a.b", {"word:a", "sym:.", "word:b"}},
      // a "." that starts no number leaves a following E to the word state
      {".e5", {"sym:.", "word:e5"}},
      {".E", {"sym:.", "word:E"}},
      {"v.e1", {"word:v", "sym:.", "word:e1"}},
      {"t.E2x", {"word:t", "sym:.", "word:E2x"}},
      {"1.e5", {"float:1.e5"}},
      {".5e3", {"float:.5e3"}},
      {"0x1Fg", {"hex:0x1F", "word:g"}},
      {"0X", {"hex:0X"}},
      {"12e", {"float:12", "word:e"}},
      {"12ex", {"float:12", "word:ex"}},
      {"1e;", {"float:1", "word:e", "sym:;"}},
      {"007", {"int:007"}},
      // keywords
      {"NULL null Null Nullx", {"kw:NULL", "ws: ", "kw:null", "ws: ", "kw:Null", "ws: ", "word:Nullx"}},
      {"and Or xOR is like not true FALSE",
       {"kw:and", "ws: ", "kw:Or", "ws: ", "kw:xOR", "ws: ", "kw:is", "ws: ", "kw:like", "ws: ",
        "kw:not", "ws: ", "kw:true", "ws: ", "kw:FALSE"}},
      // symbols
      {":=", {"sym::="}},
      {":abc", {"sym::", "word:abc"}},
      {"<=>", {"sym:<=", "sym:>"}},
      {"<> >= >> << ?", {"sym:<>", "ws: ", "sym:>=", "ws: ", "sym:>>", "ws: ", "sym:<<", "ws: ", "sym:?"}},
      {"a\x8A" "b", {"word:a", "sym:\x8A", "word:b"}},
      {"\xE8\xE1p_$1", {"word:\xE8\xE1p_$1"}},
      // whitespace runs, NUL included
      {std::string("a \x01\0\t\r\nb", 8), {"word:a", std::string("ws: \x01\0\t\r\n", 9), "word:b"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> expected = c.tokens;
    expected.push_back("eof");
    EXPECT_EQ(describe(c.text), expected) << "text: " << c.text;
  }
}

TEST(MySQLTokenizerTest, Options) {
  struct OptionCase {
    std::string text;
    TZTokenOptions options;
    std::vector<std::string> tokens;
  };
  const OptionCase cases[] = {
      {"a/*x*/b#y\n", toSkipComments, {"word:a", "word:b", "eof"}},
      {"a /*!x*/ b", toSkipComments, {"word:a", "ws: ", "sym:/*!x*/", "ws: ", "word:b", "eof"}},
      {"a \r\n\t b", toUnifyWhitespace, {"word:a", "ws: ", "word:b", "eof"}},
      {"a /*c*/ b", toUnifyWhitespace, {"word:a", "ws: ", "comment:/*c*/", "ws: ", "word:b", "eof"}},
      {"a /*c*/ b", toSkipComments | toUnifyWhitespace, {"word:a", "ws: ", "word:b", "eof"}},
      {"a 'x  y'", toUnifyWhitespace, {"word:a", "ws: ", "str:'x  y'", "eof"}},
      {"a b", toSkipEOF, {"word:a", "ws: ", "word:b"}},
      {"", {}, {"eof"}},
      {"", toSkipEOF, {}},
      // an integer and a word join even when a skipped comment stood between them
      {"12/*x*/ab", toSkipComments, {"word:12ab", "eof"}},
      {"12/*x*/ab", {}, {"int:12", "comment:/*x*/", "word:ab", "eof"}},
      {"12 ab", toSkipComments | toUnifyWhitespace, {"int:12", "ws: ", "word:ab", "eof"}},
      {"x 12", toSkipComments | toSkipEOF | toUnifyWhitespace, {"word:x", "ws: ", "int:12"}},
  };
  for (const OptionCase& c : cases) {
    EXPECT_EQ(describe(c.text, c.options), c.tokens) << "text: " << c.text;
  }
}

// Every byte value starts a token of the state the character table gives.
TEST(MySQLTokenizerTest, CharacterTableCoversEveryByte) {
  for (int b = 0; b < 256; ++b) {
    const auto c = static_cast<unsigned char>(b);
    TZTokenType expected = ttSymbol;
    if (c <= 0x20) {
      expected = ttWhitespace;
    } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0xC0 || c == '_' || c == '$') {
      expected = ttWord;
    } else if (c >= '0' && c <= '9') {
      expected = ttInteger;
    } else if (c == '\'' || c == '"') {
      expected = ttQuoted;
    } else if (c == '`') {
      expected = ttQuotedIdentifier;
    } else if (c == '#') {
      expected = ttComment;
    }
    const TZTokenList tokens = SharedMySQLTokenizer().Tokenize(std::string(1, static_cast<char>(c)));
    ASSERT_EQ(tokens.size(), 2u) << "byte " << b;
    EXPECT_EQ(tokens[0].TokenType, expected) << "byte " << b;
  }
}

// Without options the token texts put together give back the input, byte for
// byte, whatever it holds; with every option the tokenizer still ends cleanly.
TEST(MySQLTokenizerTest, TokensCoverAnyInputExactly) {
  std::mt19937 random(20260726);
  const IZTokenizer& tokenizer = SharedMySQLTokenizer();
  for (int round = 0; round < 2000; ++round) {
    std::string text(random() % 64, '\0');
    // Draw often from the bytes that steer the states, otherwise from all 256.
    static constexpr std::string_view kSteering = "'\"`\\#-/*!;:.eE0x1 \r\n<=>";
    for (char& c : text) {
      c = random() % 2 ? kSteering[random() % kSteering.size()] : static_cast<char>(random() % 256);
    }
    const TZTokenList tokens = tokenizer.Tokenize(text);
    std::string joined;
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
      ASSERT_FALSE(tokens[i].Value.empty());
      joined.append(tokens[i].Value);
    }
    ASSERT_EQ(tokens.back().TokenType, ttEOF);
    ASSERT_EQ(joined, text);
    const TZTokenList filtered =
        tokenizer.Tokenize(text, toSkipComments | toUnifyWhitespace | toSkipEOF);
    ASSERT_LE(filtered.size(), tokens.size());
  }
}

TEST(MySQLTokenizerTest, MegabyteInputs) {
  const IZTokenizer& tokenizer = SharedMySQLTokenizer();
  const std::size_t size = 4 << 20;
  std::mt19937 random(7);
  std::string noise(size, '\0');
  for (char& c : noise) c = static_cast<char>(random() % 256);
  for (const std::string& text : {noise, "'" + std::string(size, 'x'), "/*" + std::string(size, '*'),
                                  "#" + std::string(size, '-'), std::string(size, '\\')}) {
    const TZTokenList tokens = tokenizer.Tokenize(text);
    std::size_t covered = 0;
    for (const TZToken& token : tokens) covered += token.Value.size();
    EXPECT_EQ(covered, text.size());
  }
}

TEST(MySQLTokenizerTest, SharedInstance) {
  EXPECT_EQ(&SharedMySQLTokenizer(), &SharedMySQLTokenizer());
  EXPECT_NE(dynamic_cast<const TZMySQLTokenizer*>(&SharedMySQLTokenizer()), nullptr);
}

TEST(MySQLTokenizerTest, DecodeString) {
  struct DecodeCase {
    std::string text;
    char quote;
    std::string decoded;
  };
  const DecodeCase cases[] = {
      {"'abc'", '\'', "abc"},
      {"''", '\'', ""},
      {"'", '\'', "'"},
      {"abc", '\'', "abc"},
      {"'abc\"", '\'', "'abc\""},
      {"\"abc\"", '\'', "\"abc\""},
      {"\"a b\"", '"', "a b"},
      {"`a`", '`', "a"},
      {"'a\\nb\\rc\\td'", '\'', "a\nb\rc\td"},
      {"'\\101\\060'", '\'', "A0"},
      {"'\\12x'", '\'', "12x"},
      {"'\\x\\\\\\''", '\'', "x\\'"},
      {"'a''b'", '\'', "a''b"},
      {"'a\\'", '\'', "a\\"},
  };
  for (const DecodeCase& c : cases) {
    EXPECT_EQ(SharedMySQLTokenizer().DecodeString(c.text, c.quote), c.decoded) << c.text;
  }
}

}  // namespace
}  // namespace zararod

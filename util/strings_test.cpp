#include "util/strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <clocale>
#include <string>

namespace zararod {
namespace {

TEST(LeftStrTest, CutsOrClamps) {
  struct Case {
    std::string s;
    int count;
    std::string expected;
  };
  for (const Case& c : {Case{"abc,", 3, "abc"}, Case{"", -1, ""}, Case{"abc", 0, ""},
                        Case{"abc", -5, ""}, Case{"abc", 3, "abc"}, Case{"abc", 99, "abc"}}) {
    EXPECT_EQ(LeftStr(c.s, c.count), c.expected) << c.s << " " << c.count;
  }
}

TEST(GetFieldTest, FieldsBetweenSeparators) {
  struct Case {
    std::string s;
    char sep;
    int index;
    std::string expected;
  };
  const Case cases[] = {
      {"|x|y", '|', 0, ""},  {"|x|y", '|', 1, "x"},   {"|x|y", '|', 2, "y"},
      {"|x|y", '|', 3, ""},  {"a||b", '|', 1, ""},    {"a||b", '|', 2, "b"},
      {"a|b", '|', -1, ""},  {"", '|', 0, ""},        {"abc", '|', 0, "abc"},
      {"abc", '|', 1, ""},   {" a | b ", '|', 1, " b "},  // no trimming
      {"a|", '|', 1, ""},    {"aXbxc", 'x', 1, "c"},  // case-sensitive separator
      {"zararod.exe|2026-07-29 12:10:56|", '|', 1, "2026-07-29 12:10:56"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GetField(c.s, c.sep, c.index), c.expected) << c.s << " [" << c.index << "]";
}

TEST(UpperStrTest, UpperCasesByTheCodePageWhateverTheLocale) {
  std::setlocale(LC_ALL, "C");
  // cp1250: č ř š ž ý á í é ů ú ň ť ď ľ ł ą ś ź ż ŕ ő  →  their capitals.
  const std::string lower = "abz \xE8\xF8\x9A\x9E\xFD\xE1\xED\xE9\xF9\xFA\xF2\x9D\xEF\xBE\xB3\xB9\x9C\x9F\xBF\xE0\xF5";
  const std::string upper = "ABZ \xC8\xD8\x8A\x8E\xDD\xC1\xCD\xC9\xD9\xDA\xD2\x8D\xCF\xBC\xA3\xA5\x8C\x8F\xAF\xC0\xD5";
  EXPECT_EQ(UpperStr(lower), upper);
  EXPECT_EQ(UpperStr(upper), upper);
  EXPECT_EQ(lowerStr(upper), lower);
  // Not letters, or letters without a single-byte capital: unchanged.
  std::string others = "09 .,;[]{}\xF7\xD7\xDF\xB5\xFF\x80\x81";
  others += '\0';
  EXPECT_EQ(UpperStr(others), others);
  EXPECT_EQ(lowerStr(others), others);
  EXPECT_EQ(UpperStr(""), "");
}

TEST(UpperStrTest, SameTextIgnoresCaseOfAccentedLetters) {
  EXPECT_TRUE(sameText("LogON_adr", "logon_ADR"));
  EXPECT_TRUE(sameText("\xE8\x9A", "\xC8\x8A"));
  EXPECT_FALSE(sameText("IP", "IPx"));
  EXPECT_FALSE(sameText("a", "b"));
}

TEST(ReplaceCharTest, ReplacesEveryOccurrence) {
  EXPECT_EQ(ReplaceChar("12,5", ',', "."), "12.5");
  EXPECT_EQ(ReplaceChar("125", ',', "."), "125");
  EXPECT_EQ(ReplaceChar(",a,,", ',', ""), "a");
  EXPECT_EQ(ReplaceChar("a,b", ',', "<>"), "a<>b");
  EXPECT_EQ(ReplaceChar("aAa", 'a', "x"), "xAx");
}

TEST(PosFromTest, PositionInWholeText) {
  struct Case {
    std::string sub, s;
    int start;
    int expected;
  };
  const Case cases[] = {
      {"ab", "abxab", 2, 4}, {"ab", "abxab", 0, 1},  {"ab", "abxab", 1, 1},
      {"ab", "abxab", 6, 0}, {"ab", "abxab", -7, 1}, {"ab", "abxab", 4, 4},
      {"ab", "abxab", 5, 0}, {"", "abc", 1, 0},      {"AB", "abxab", 1, 0},
      {"b", "abxab", 3, 5},  {"abxab", "abxab", 1, 1}, {"abxabx", "abxab", 1, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PosFrom(c.sub, c.s, c.start), c.expected) << c.sub << " in " << c.s << " from " << c.start;
}

TEST(ReplaceAllTextTest, ReplacesWithoutRegardToCase) {
  struct Case {
    std::string s, oldText, newText, expected;
  };
  const Case cases[] = {
      {"Prog.EXE 2026", "prog.exe", "|", "| 2026"},
      {"aXa", "a", "aa", "aaXaa"},  // the inserted text is not searched again
      {"aaa", "aa", "b", "ba"},     // leftmost, no overlap
      {"abc", "", "x", "abc"},
      {"abc", "abcd", "x", "abc"},
      {"", "a", "x", ""},
      {"xAbAB", "ab", "", "x"},
      {"zararod.exe 2026-07-29 12:10:56.000", ".000", "|", "zararod.exe 2026-07-29 12:10:56|"},
      {"ZARAROD.EXE 1 zararod.exe", "zararod.exe", "|", "| 1 |"},
      {"\xE8" "ep \xC8" "EP", "\xC8" "ep", "k", "k k"},  // accented letters fold too
      {"abab", "ab", "ABAB", "ABABABAB"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ReplaceAllText(c.s, c.oldText, c.newText), c.expected)
        << c.s << " / " << c.oldText << " / " << c.newText;
}

TEST(SplitLinesTest, BreaksAtCrLfAndCrLf) {
  using Lines = std::vector<std::string>;
  const struct {
    std::string text;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},  // a final break ends the line, no empty line follows
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"a\n\rb", {"a", "", "b"}},  // LF then CR are two breaks
      {"\r\n\r\n", {"", ""}},
      {std::string("a\0b\nc", 5), {std::string("a\0b", 3), "c"}},  // NUL is data
  };
  for (const auto& c : cases) EXPECT_EQ(splitLines(c.text), c.lines) << c.text;
}

}  // namespace
}  // namespace zararod

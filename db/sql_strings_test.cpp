#include "db/sql_strings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "db/db_exceptions.h"
#include "util/file_errors.h"

namespace zararod {
namespace {

const std::string kBadMarker = "Incorrect token followed by \":\"";

// What a rescan left: each statement as its text, with " [names]" appended
// when it has markers; then the parameter names.
struct Result {
  std::vector<std::string> statements;
  std::vector<std::string> names;
  bool operator==(const Result&) const = default;
};

Result resultOf(const TZSQLStrings& sql) {
  Result result;
  for (int i = 0; i < sql.StatementCount(); ++i) {
    const TZSQLStatement& statement = sql.Statements(i);
    std::string entry = statement.Text();
    if (statement.MarkerCount() > 0) {
      entry += " [";
      for (const std::string& name : statement.ParamNames()) entry += name + ",";
      entry += "]";
    }
    result.statements.push_back(entry);
  }
  result.names = sql.ParamNameList();
  return result;
}

std::ostream& operator<<(std::ostream& out, const Result& result) {
  out << "statements:";
  for (const std::string& s : result.statements) out << " <" << s << ">";
  out << " names:";
  for (const std::string& s : result.names) out << " <" << s << ">";
  return out;
}

struct Case {
  std::string text;
  bool multiStatements;
  Result expected;
  bool paramCheck = true;
};

TEST(SQLStringsTest, Rescan) {
  const Case cases[] = {
      // no statement
      {" \t\r\n\r\n", true, {}},
      {";", true, {}},
      {";;\r\n ; ", true, {}},
      // taken as it stands: no relevant ":" or ";"
      {"select 1;", false, {{"select 1;\r\n"}, {}}},
      {"select  1\n# x\n", true, {{"select  1\r\n# x\r\n"}, {}}},
      {"select :a", true, {{"select :a\r\n"}, {}}, false},
      // a ":" only inside a quoted value still sends the text through the tokens
      {"insert into t  values ('12:30',\n  'a\r\nb') # c\n  ", false,
       {{"insert into t values ('12:30', 'a\r\nb')"}, {}}},
      {"select /* : */ 1 -- x\n", false, {{"select 1"}, {}}},
      // markers
      {"select * from t where a=:A and b = :b or c=:a", false,
       {{"select * from t where a=? and b = ? or c=? [A,b,A,]"}, {"A", "b"}}},
      {"a::b", false, {{"a:b"}, {}}},
      {"a:::b", false, {{"a:? [b,]"}, {"b"}}},
      {"a::", false, {{"a:"}, {}}},
      {"set @a:=1", false, {{"set @a:=1"}, {}}},
      {"select ':a', `:b`, \":c\" # :d\n", false, {{"select ':a', `:b`, \":c\""}, {}}},
      {"select :2nd", false, {{"select ? [2nd,]"}, {"2nd"}}},
      // statements
      {"select 1; select 2", true, {{"select 1", "select 2"}, {}}},
      {"select ';'; select 2 # ;\r\n", true, {{"select ';'", "select 2"}, {}}},
      {"select 1; select 2", false, {{"select 1; select 2\r\n"}, {}}},
      {"a=:x;\r\nb=:y; c=:X", true, {{"a=? [x,]", "b=? [y,]", "c=? [x,]"}, {"x", "y"}}},
      {"select ':' ; ", true, {{"select ':'"}, {}}},
  };
  for (const Case& c : cases) {
    TZSQLStrings sql;
    sql.SetMultiStatements(c.multiStatements);
    sql.SetParamCheck(c.paramCheck);
    sql.SetText(c.text);
    EXPECT_EQ(resultOf(sql), c.expected) << "text: " << c.text;
  }
}

TEST(SQLStringsTest, QuotedNamesAreDecoded) {
  TZSQLStrings sql;
  sql.SetText("x=:'my name' y=:\"q\\tz\" w=:'MY NAME'");
  EXPECT_EQ(resultOf(sql), (Result{{"x=? y=? w=? [my name,q\tz,my name,]"}, {"my name", "q\tz"}}));
  EXPECT_EQ(sql.ParamIndex("My Name"), 0);
  EXPECT_EQ(sql.ParamIndex("Q\tZ"), 1);
  EXPECT_EQ(sql.ParamIndex("nope"), -1);
  EXPECT_EQ(sql.Statements(0).ParamName(5), "");
}

TEST(SQLStringsTest, NamesIgnoreCp1250LetterCase) {
  TZSQLStrings sql;
  sql.SetText("a=:\xE8\xED\xF8 b=:\xC8\xCD\xD8");  // "číř" and "ČÍŘ"
  EXPECT_EQ(sql.ParamCount(), 1);
  EXPECT_EQ(sql.Statements(0).MarkerCount(), 2);
}

TEST(SQLStringsTest, BadMarkerRaisesFromTheChangeAndKeepsThePartialScan) {
  // Every line ends in a line break, so a ":" at the end of a line is
  // followed by whitespace.
  for (const std::string bad : {": a", ":1", ":NULL", ":and", ":`x`", ":+", ":1.5", ":0x1", ":\r\n"}) {
    TZSQLStrings sql;
    int hookRuns = 0;
    sql.SetOnChange([&](TZSQLStrings&) { ++hookRuns; });
    sql.Add("select :a;");
    sql.Add("select :b,");
    try {
      sql.Add(" " + bad + "; select :c");
      ADD_FAILURE() << "no error for " << bad;
    } catch (const EZDatabaseError& e) {
      EXPECT_EQ(e.Message(), kBadMarker);
    }
    EXPECT_EQ(sql.Count(), 3) << bad;
    EXPECT_EQ(hookRuns, 2) << bad;
    EXPECT_EQ(resultOf(sql), (Result{{"select ? [a,]"}, {"a", "b"}})) << bad;
    // Appending more text meets the same marker again.
    EXPECT_THROW(sql.Add("select 1"), EZDatabaseError);
    EXPECT_EQ(hookRuns, 2);
    sql.Clear();
    EXPECT_EQ(hookRuns, 3);
    EXPECT_EQ(resultOf(sql), Result{});
  }
}

TEST(SQLStringsTest, WhenRescansAndTheHookHappen) {
  TZSQLStrings sql;
  int hookRuns = 0;
  int statementsSeen = -1;
  sql.SetOnChange([&](TZSQLStrings& changed) {
    ++hookRuns;
    statementsSeen = changed.StatementCount();
  });
  sql.Clear();  // already empty: no change
  EXPECT_EQ(hookRuns, 0);

  sql.BeginUpdate();
  sql.Add("select 1;");
  sql.BeginUpdate();
  sql.Add("select 2;");
  sql.EndUpdate();
  EXPECT_EQ(hookRuns, 0);
  EXPECT_EQ(sql.StatementCount(), 0);
  sql.Add("select 3");
  sql.EndUpdate();
  EXPECT_EQ(hookRuns, 1);
  EXPECT_EQ(statementsSeen, 3);

  sql.SetText("select :a;\r\nselect :b");
  EXPECT_EQ(hookRuns, 2);
  EXPECT_EQ(statementsSeen, 2);

  // Settings rescan without the hook; the same value does nothing.
  sql.SetParamCheck(false);
  EXPECT_EQ(hookRuns, 2);
  EXPECT_EQ(resultOf(sql), (Result{{"select :a", "select :b"}, {}}));
  sql.SetMultiStatements(false);
  EXPECT_EQ(resultOf(sql), (Result{{"select :a;\r\nselect :b\r\n"}, {}}));
  sql.SetParamCheck(true);
  sql.SetMultiStatements(false);
  EXPECT_EQ(resultOf(sql), (Result{{"select ?; select ? [a,b,]"}, {"a", "b"}}));
  EXPECT_EQ(hookRuns, 2);

  TZSQLStrings other;
  other.Add("x");
  other.Add("y");
  sql.Assign(other);
  EXPECT_EQ(hookRuns, 3);
  EXPECT_EQ(sql.Lines(), other.Lines());
  EXPECT_EQ(resultOf(sql), (Result{{"x\r\ny\r\n"}, {}}));
}

TEST(SQLStringsTest, LineList) {
  struct SplitCase {
    std::string text;
    std::vector<std::string> lines;
  };
  const SplitCase cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\rb\nc\r\nd\r\n", {"a", "b", "c", "d"}},
      {"a\n\rb", {"a", "", "b"}},
      {"\r\n", {""}},
      {"a\r\n\r\n", {"a", ""}},
      {std::string("a\0b\nc", 5), {std::string("a\0b", 3), "c"}},
  };
  for (const SplitCase& c : cases) {
    TZSQLStrings sql;
    sql.SetText(c.text);
    EXPECT_EQ(sql.Lines(), c.lines) << c.text;
    std::string joined;
    for (const std::string& line : c.lines) joined += line + "\r\n";
    EXPECT_EQ(sql.Text(), joined);
  }
  TZSQLStrings sql;
  EXPECT_EQ(sql.Add("one"), 0);
  EXPECT_EQ(sql.Add("two\nthree"), 1);  // a line is kept as given
  EXPECT_EQ(sql.Count(), 2);
  EXPECT_EQ(sql[1], "two\nthree");
  EXPECT_EQ(sql.Text(), "one\r\ntwo\nthree\r\n");
}

TEST(SQLStringsTest, Files) {
  const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / "sql_strings_test";
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "avl.txt").string();
  {
    std::ofstream out(file, std::ios::binary);
    out << "delete from t where a='1:2';\ninsert\r into t values ('x');";
  }
  TZSQLStrings sql;
  int hookRuns = 0;
  sql.SetOnChange([&](TZSQLStrings&) { ++hookRuns; });
  sql.LoadFromFile(file);
  EXPECT_EQ(hookRuns, 1);
  EXPECT_EQ(sql.Count(), 3);
  EXPECT_EQ(resultOf(sql),
            (Result{{"delete from t where a='1:2'", "insert into t values ('x')"}, {}}));
  const std::string copy = (dir / "copy.txt").string();
  sql.SaveToFile(copy);
  {
    // Closed before the folder is removed (Windows keeps an open file).
    std::ifstream in(copy, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              "delete from t where a='1:2';\r\ninsert\r\n into t values ('x');\r\n");
  }

  EXPECT_THROW(sql.LoadFromFile((dir / "missing.txt").string()), EFOpenError);
  EXPECT_EQ(sql.Count(), 3);
  EXPECT_EQ(hookRuns, 1);
  EXPECT_THROW(sql.SaveToFile((dir / "no" / "such" / "dir.txt").string()), EFCreateError);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zararod

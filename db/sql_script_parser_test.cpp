#include "db/sql_script_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/mysql_tokenizer.h"
#include "util/exception.h"

namespace zararod {
namespace {

using Statements = std::vector<std::string>;

// Every statement of one split, the uncompleted tail last (as a run sees them).
Statements split(const std::string& script, TZDelimiterType type = dtDefault,
                 bool cleanup = false, const std::string& delimiter = ";") {
  TZSQLScriptParser parser;
  parser.SetTokenizer(&SharedMySQLTokenizer());
  parser.SetDelimiterType(type);
  parser.SetDelimiter(delimiter);
  parser.SetCleanupStatements(cleanup);
  parser.ParseText(script);
  Statements result;
  for (int i = 0; i < parser.StatementCount(); ++i) result.push_back(parser.Statements(i));
  if (!parser.UncompletedStatement().empty()) result.push_back(parser.UncompletedStatement());
  return result;
}

struct Case {
  const char* name;
  std::string script;
  Statements expected;
};

TEST(SQLScriptParserTest, DefaultDelimiterSplitsAtSemicolonTokensOnly) {
  const Case cases[] = {
      {"empty", "", {}},
      {"only blanks and semicolons", " ;\r\n;; \r\n\t;\r\n", {}},
      {"no spaces", "select 1;select 2", {"select 1", "select 2"}},
      {"final statement without semicolon", "select 1;\r\nselect 2\r\n", {"select 1", "select 2"}},
      {"slip pair over two lines",
       "delete from vaznil where cislodokla = '1' and rada = '01';\r\n"
       "INSERT INTO vaznil (a,b)\r\n value ('1','2');\r\n",
       {"delete from vaznil where cislodokla = '1' and rada = '01'",
        "INSERT INTO vaznil (a,b)\r\n value ('1','2')"}},
      {"blank before the semicolon is dropped, inner blanks stay",
       "  select  1 \t;\r\n\r\n select\r\n2 ;",
       {"select  1", "select\r\n2"}},
      {"semicolons inside the three quote kinds",
       "insert into t values ('a;b', \"c;d\", `e;f`);select 2",
       {"insert into t values ('a;b', \"c;d\", `e;f`)", "select 2"}},
      {"semicolons inside comments; a line comment keeps its line break",
       "select 1 # x;y\r\n;select 2 -- z;\r\n; /* ; */ select 3;",
       {"select 1 # x;y\r\n", "select 2 -- z;\r\n", "/* ; */ select 3"}},
      {"doubled quote", "insert into t values ('O''Neil;');select 2",
       {"insert into t values ('O''Neil;')", "select 2"}},
      {"value ending in a backslash runs on to a later quote",
       "insert into t values ('C:\\');select 2;insert into t values ('x');",
       {"insert into t values ('C:\\');select 2;insert into t values ('x');"}},
      {"unterminated quote runs to the end", "select 1; select 'abc;\r\nselect 2;\r\n",
       {"select 1", "select 'abc;\r\nselect 2;\r\n"}},
      {"conditional section is statement text",
       "/*!40101 SET NAMES cp1250; */;select 1",
       {"/*!40101 SET NAMES cp1250; */", "select 1"}},
      {"DELIMITER lines are ordinary text",
       "DELIMITER $$\r\nselect 1$$\r\nDELIMITER ;\r\nselect 2;",
       {"DELIMITER $$\r\nselect 1$$\r\nDELIMITER", "select 2"}},
      {"SET TERM and GO are ordinary text", "SET TERM ^ ;\r\nselect 1\r\nGO\r\n;",
       {"SET TERM ^", "select 1\r\nGO"}},
      {"comment after the last semicolon is a statement", "select 1;\r\n-- end\r\n",
       {"select 1", "-- end\r\n"}},
      {"zero byte is data", std::string("select 'a\0b';select\0 2", 22),
       {std::string("select 'a\0b'", 12), std::string("select\0 2", 9)}},
  };
  for (const Case& c : cases) EXPECT_EQ(split(c.script), c.expected) << c.name;
}

TEST(SQLScriptParserTest, CleanupDropsCommentsAndCondensesWhitespace) {
  const struct {
    const char* name;
    TZDelimiterType type;
    std::string script;
    Statements expected;
  } cases[] = {
      {"default", dtDefault, "  select 1 -- c\r\n ,  2 ;\r\n/* x */ select\r\n\t3",
       {"select 1 , 2", "select 3"}},
      // Only without cleanup does a blank before the delimiter's text vanish.
      {"semicolon as text under GO", dtGo, "select 1 ;\r\nGO\r\nselect\t;",
       {"select 1 ;", "select ;"}},
  };
  for (const auto& c : cases) EXPECT_EQ(split(c.script, c.type, true), c.expected) << c.name;
}

TEST(SQLScriptParserTest, OtherDelimiterTypes) {
  const struct {
    const char* name;
    TZDelimiterType type;
    std::string delimiter;
    std::string script;
    Statements expected;
  } cases[] = {
      {"GO ends, semicolon is text", dtGo, ";", "select 1\r\nGO\r\nselect 2; select 3\r\ngo",
       {"select 1\r\n", "select 2; select 3\r\n"}},
      {"SET TERM changes the delimiter", dtSetTerm, ";",
       "SET TERM ^ ;\r\nselect 1^\r\nselect 2 ^ SET TERM ; ^select 3;",
       {"select 1", "select 2", "select 3"}},
      {"delimiter spelled by several tokens", dtSetTerm, "!!", "select 1 !!select '!!' !x!!",
       {"select 1 ", "select '!!' !x"}},
      {"empty line ends, trailing semicolon dropped", dtEmptyLine, ";",
       "select 1\r\nfrom t;\r\n\r\nselect 2 -- c\r\n\r\nselect 3",
       {"select 1 from t", "select 2 -- c\r\n", "select 3"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(split(c.script, c.type, false, c.delimiter), c.expected) << c.name;
}

TEST(SQLScriptParserTest, UncompletedStatementContinuesInTheNextText) {
  TZSQLScriptParser parser;
  parser.SetTokenizer(&SharedMySQLTokenizer());
  parser.SetCleanupStatements(false);
  parser.ParseText("select 1; select");
  EXPECT_EQ(parser.UncompletedStatement(), "select");
  parser.ParseText("2;");
  ASSERT_EQ(parser.StatementCount(), 1);
  EXPECT_EQ(parser.Statements(0), "select\n2");
  EXPECT_EQ(parser.UncompletedStatement(), "");
  parser.Clear();
  EXPECT_EQ(parser.StatementCount(), 0);
}

TEST(SQLScriptParserTest, NeedsATokenizer) {
  TZSQLScriptParser parser;
  EXPECT_TRUE(parser.CleanupStatements());
  try {
    parser.ParseText("select 1");
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Tokenizer is not defined");
  }
}

}  // namespace
}  // namespace zararod

#include "db/mysql_statement_analyser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "db/mysql_tokenizer.h"

namespace zararod {
namespace {

using ::testing::ElementsAreArray;

// "catalog.schema.table.field alias" for a field, "=alias" for an expression.
std::string describe(const TZFieldRef& field) {
  if (!field.IsField) return "=" + field.Alias;
  std::string text = field.Catalog + "." + field.Schema + "." + field.Table + "." + field.Field;
  if (!field.Alias.empty()) text += " " + field.Alias;
  return text;
}

// "catalog.schema.table alias".
std::string describe(const TZTableRef& table) {
  std::string text = table.Catalog + "." + table.Schema + "." + table.Table;
  if (!table.Alias.empty()) text += " " + table.Alias;
  return text;
}

std::vector<std::string> sectionNames(const std::string& sql) {
  const TZTokenList tokens = SharedMySQLTokenizer().Tokenize(
      sql, TZTokenOption::toSkipComments | TZTokenOption::toSkipEOF |
               TZTokenOption::toUnifyWhitespace);
  std::vector<std::string> names;
  for (const TZStatementSection& section : SharedMySQLStatementAnalyser().SplitSections(tokens)) {
    std::string text;
    for (const TZToken& token : section.Tokens) text += token.Value;
    names.push_back(section.Name + "[" + text + "]");
  }
  return names;
}

struct SectionCase {
  std::string sql;
  std::vector<std::string> sections;  // name[joined token texts]
};

TEST(StatementSections, KeywordsAndGroups) {
  const SectionCase cases[] = {
      {"select * from vaznil_00;\r\n", {"SELECT[select * ]", "FROM[from vaznil_00; ]"}},
      {" select a from t", {"[ ]", "SELECT[select a ]", "FROM[from t]"}},
      {"\r\nSeLeCt a FrOm t", {"[ ]", "SELECT[SeLeCt a ]", "FROM[FrOm t]"}},
      {"SHOW FIELDS FROM vaznil", {"[SHOW FIELDS ]", "FROM[FROM vaznil]"}},
      {"select a from t group  by a order\r\nby b for /* x */ update",
       {"SELECT[select a ]", "FROM[from t ]", "GROUP*BY[group by a ]", "ORDER*BY[order by b ]",
        "FOR*UPDATE[for update]"}},
      // The shortest keyword wins: INTO OUTFILE is found as INTO.
      {"select a into outfile 'f' from t",
       {"SELECT[select a ]", "INTO[into outfile 'f' ]", "FROM[from t]"}},
      {"select a from t lock in share mode",
       {"SELECT[select a ]", "FROM[from t ]", "LOCK*IN*SHARE[lock in share mode]"}},
      // Keywords inside parentheses stay with the group.
      {"select a from t where x in (select y from (u)) limit 1",
       {"SELECT[select a ]", "FROM[from t ]", "WHERE[where x in (select y from (u)) ]",
        "LIMIT[limit 1]"}},
      // An unclosed group runs to the end of the text.
      {"select (a from t", {"SELECT[select (a from t]"}},
      {"group x by", {"[group x by]"}},
      {"", {"[]"}},
  };
  for (const SectionCase& c : cases) {
    EXPECT_THAT(sectionNames(c.sql), ElementsAreArray(c.sections)) << c.sql;
  }
}

struct SchemaCase {
  std::string sql;
  std::vector<std::string> fields;
  std::vector<std::string> tables;
};

TEST(SelectSchema, FieldAndTableReferences) {
  const SchemaCase cases[] = {
      {"select * from vaznil_00;\r\n", {"...*"}, {"..vaznil_00"}},
      {" select a from t", {"...a"}, {"..t"}},
      {"select a, t.a, db.t.a, cat.db.t.a, a x, a AS x, t.*, * from t",
       {"...a", "..t.a", ".db.t.a", "cat.db.t.a", "...a x", "...a x", "..t.*", "...*"},
       {"..t"}},
      {"select count(*) AS n, 'text' x, a + b c, a + b, count(*), 1, a + 1, (a) d from t",
       {"=n", "=x", "=c", "=b", "=d"},
       {"..t"}},
      {"select a from t where x in (select y from u)", {"...a"}, {"..t"}},
      {"select distinct a, b from t", {"...a", "...b"}, {"..t"}},
      {"select a b, c from t", {"...a b", "...c"}, {"..t"}},
      {"select t1.a, t2.b from t1 left join t2 on t1.id = t2.id",
       {"..t1.a", "..t2.b"},
       {"..t1", "..t2"}},
      {"select a from `t`", {"...a"}, {"..`t`"}},
      {"select `a b` from `my db`.`t`", {"...`a b`"}, {".`my db`.`t`"}},
      {"select a from t1 a, db.t2 AS b", {"...a"}, {"..t1 a", ".db.t2 b"}},
      {"select a from t1 natural join t2, t3 x inner join t4 using (id) join t5 on (a = b)",
       {"...a"},
       {"..t1", "..t2", "..t3 x", "..t4", "..t5"}},
      {"select /* note */ a -- rest\r\n from t # end", {"...a"}, {"..t"}},
      {"SELECT KODPAR FROM adresar", {"...KODPAR"}, {"..adresar"}},
      // column names that begin with E after a "."
      {"select v.e1 from vaznil v", {"..v.e1"}, {"..vaznil v"}},
      {"select v.E2, db.t.e3x from t", {"..v.E2", ".db.t.e3x"}, {"..t"}},
  };
  for (const SchemaCase& c : cases) {
    auto schema =
        SharedMySQLStatementAnalyser().DefineSelectSchemaFromQuery(SharedMySQLTokenizer(), c.sql);
    ASSERT_NE(schema, nullptr) << c.sql;
    std::vector<std::string> fields;
    for (std::size_t i = 0; i < schema->FieldCount(); ++i) fields.push_back(describe(schema->Field(i)));
    std::vector<std::string> tables;
    for (std::size_t i = 0; i < schema->TableCount(); ++i) tables.push_back(describe(schema->Table(i)));
    EXPECT_THAT(fields, ElementsAreArray(c.fields)) << c.sql;
    EXPECT_THAT(tables, ElementsAreArray(c.tables)) << c.sql;
  }
}

TEST(SelectSchema, NoneWithoutSelectAndFrom) {
  const char* const texts[] = {
      "SHOW FIELDS FROM vaznil",
      "insert into x select a from t",
      "select 1",
      "select now()",
      "delete from t",
      "update t set a = 1",
      "(select a from t)",
      "",
  };
  for (const char* sql : texts) {
    EXPECT_EQ(SharedMySQLStatementAnalyser().DefineSelectSchemaFromQuery(SharedMySQLTokenizer(), sql),
              nullptr)
        << sql;
  }
}

// Any text a query may hold — unbalanced parentheses, stray dots and commas,
// keywords in odd places — is read without a crash and every reference it
// yields has a name.
TEST(SelectSchema, ArbitraryTextsAreReadSafely) {
  const char* const pieces[] = {"select", "from",  "where", "(",   ")",     ",",    ".",
                                "*",      "as",    "x",     "`q`", "'s'",   " ",    "join",
                                "on",     "left",  "using", "1",   "/*c*/", "\r\n", "group",
                                "by",     "-- c\n", "distinct", ";", "\"d\"", "+",  "\xE8"};
  std::mt19937 random(20260710);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
  std::uniform_int_distribution<int> length(0, 24);
  for (int i = 0; i < 5000; ++i) {
    std::string sql = i % 2 == 0 ? "select " : "";
    for (int n = length(random); n > 0; --n) sql += pieces[pick(random)];
    auto schema =
        SharedMySQLStatementAnalyser().DefineSelectSchemaFromQuery(SharedMySQLTokenizer(), sql);
    if (!schema) continue;
    for (std::size_t f = 0; f < schema->FieldCount(); ++f) {
      const TZFieldRef& field = schema->Field(f);
      EXPECT_FALSE(field.IsField ? field.Field.empty() : field.Alias.empty()) << sql;
    }
    for (std::size_t t = 0; t < schema->TableCount(); ++t) {
      EXPECT_FALSE(schema->Table(t).Table.empty()) << sql;
    }
  }
}

}  // namespace
}  // namespace zararod

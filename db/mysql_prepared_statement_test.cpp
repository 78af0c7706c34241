// Preparing statement texts, without a server: markers, literals and the
// whitespace rule. (String escaping on a live handle is tested against the
// sandbox servers.)
#include "db/mysql_prepared_statement.h"

#include <gtest/gtest.h>

#include <functional>

#include "db/db_exceptions.h"
#include "db/mysql_connection.h"
#include "util/date_time.h"

namespace zararod {
namespace {

class PreparedTextTest : public ::testing::Test {
 protected:
  std::string prepare(const std::string& sql,
                      const std::function<void(IZPreparedStatement&)>& bind = {}) {
    TZMySQLPreparedStatement statement(connection_, sql, {});
    if (bind) bind(statement);
    return statement.PreparedSQL();
  }

  TZMySQLConnection connection_{"localhost", 0, "", "", "", {}};
};

TEST_F(PreparedTextTest, TextWithoutMarkerIsSentByteForByte) {
  const std::string sql = "select  *\tfrom vaznil_00;\r\n";
  EXPECT_EQ(prepare(sql), sql);
}

TEST_F(PreparedTextTest, MarkersOnlyOutsideQuotesAndComments) {
  EXPECT_EQ(prepare("select  '?  x' ,\r\n `a?` /* ? */ -- ?\r\nfrom t"),
            "select '?  x' , `a?` /* ? */ -- ?\r\nfrom t");
  EXPECT_EQ(prepare("select ? ,? from t where a=?",
                    [](IZPreparedStatement& s) {
                      s.SetInt(1, -7);
                      s.SetNull(2, stString);
                      s.SetBoolean(3, false);
                    }),
            "select -7 ,NULL from t where a='N'");
}

TEST_F(PreparedTextTest, LiteralsByKind) {
  const double when = *encodeDateTime({2024, 3, 7, 8, 9, 10, 0});
  struct Case {
    std::function<void(IZPreparedStatement&)> bind;
    std::string literal;
  };
  const Case cases[] = {
      {[](IZPreparedStatement& s) { s.SetBoolean(1, true); }, "'Y'"},
      {[](IZPreparedStatement& s) { s.SetByte(1, -128); }, "-128"},
      {[](IZPreparedStatement& s) { s.SetLong(1, INT64_MIN); }, "-9223372036854775808"},
      {[](IZPreparedStatement& s) { s.SetDouble(1, 12.5); }, "12.5"},
      {[](IZPreparedStatement& s) { s.SetFloat(1, 0.1f); }, "0.1"},
      {[](IZPreparedStatement& s) { s.SetBigDecimal(1, -0.25L); }, "-0.25"},
      {[&](IZPreparedStatement& s) { s.SetDate(1, when); }, "'2024-03-07'"},
      {[&](IZPreparedStatement& s) { s.SetTime(1, when); }, "'08:09:10'"},
      {[&](IZPreparedStatement& s) { s.SetTimestamp(1, when); }, "'2024-03-07 08:09:10'"},
      {[](IZPreparedStatement& s) { s.SetTimestamp(1, 0); }, "'1899-12-30 00:00:00'"},
      {[](IZPreparedStatement& s) { s.SetNull(1, stInteger); }, "NULL"},
      {[](IZPreparedStatement& s) { s.SetAsciiStream(1, ""); }, "NULL"},
      {[](IZPreparedStatement& s) { s.SetBinaryStream(1, "a'b"); }, "'a\\'b'"},
  };
  for (const Case& c : cases) EXPECT_EQ(prepare("x ?", c.bind), "x " + c.literal);
}

TEST_F(PreparedTextTest, NullWithDefaultValueFollowsTheDefaultsProperty) {
  auto bind = [](IZPreparedStatement& s) {
    s.SetNull(1, stInteger);
    s.SetDefaultValue(1, "42");
  };
  EXPECT_EQ(prepare("x ?", bind), "x 42");
  TZMySQLPreparedStatement noDefaults(connection_, "x ?", {"defaults=false"});
  bind(noDefaults);
  EXPECT_EQ(noDefaults.PreparedSQL(), "x NULL");
}

TEST_F(PreparedTextTest, MissingParameterValue) {
  for (auto bind : std::initializer_list<std::function<void(IZPreparedStatement&)>>{
           {},
           [](IZPreparedStatement& s) { s.SetInt(1, 1); },
           [](IZPreparedStatement& s) {
             s.SetInt(1, 1);
             s.SetInt(2, 2);
             s.ClearParameters();
           }}) {
    try {
      prepare("select ?, ? from t", bind);
      ADD_FAILURE() << "no error";
    } catch (const EZSQLException& e) {
      EXPECT_EQ(e.Message(), "Input parameter count is less then expected");
    }
  }
}

}  // namespace
}  // namespace zararod

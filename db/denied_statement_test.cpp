#include "db/denied_statement.h"

#include <gtest/gtest.h>
#include <mysqld_error.h>

#include <string>

namespace zararod {
namespace {

TEST(DeniedStatementTest, ARefusalForAMissingRightNamesItsStatement) {
  const std::string denied = "SQL Error: DELETE command denied";
  const std::string longDelete =
      "delete from vaznil_00 where (cislodokla = 'K0001' and rada = '01') or (cislodokla = "
      "'K0002' and rada = '01') or (cislodokla = 'K0003' and rada = '01')";
  struct Case {
    const char* what;
    int code;
    std::string sql;
    std::string expected;
  } cases[] = {
      {"a table's right", ER_TABLEACCESS_DENIED_ERROR, "delete from vaznil_00 where rada = '01'",
       denied + " in statement: delete from vaznil_00 where rada = '01'"},
      {"a column's right, the statement on one line", ER_COLUMNACCESS_DENIED_ERROR,
       "  INSERT INTO vaznil (a)\r\n value\t(1);\r\n",
       denied + " in statement: INSERT INTO vaznil (a) value (1);"},
      {"a long statement cut after a word", ER_TABLEACCESS_DENIED_ERROR, longDelete,
       denied + " in statement: " + longDelete.substr(0, longDelete.rfind(' ', 120)) + "..."},
      {"a database's right", ER_DBACCESS_DENIED_ERROR, "use vorazu1",
       denied + " in statement: use vorazu1"},
      {"a global privilege", ER_SPECIFIC_ACCESS_DENIED_ERROR, "set global general_log=1",
       denied + " in statement: set global general_log=1"},
      {"no statement", ER_TABLEACCESS_DENIED_ERROR, " \r\n", denied},
      {"a failed login", ER_ACCESS_DENIED_ERROR, "select 1", denied},
      {"any other error", ER_NO_SUCH_TABLE, "select * from vaznil_00", denied},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(withDeniedStatement(denied, c.code, c.sql), c.expected);
  }
  // A statement without a blank in reach is cut at the limit.
  const std::string word(200, 'x');
  EXPECT_EQ(withDeniedStatement("", ER_TABLEACCESS_DENIED_ERROR, word),
            " in statement: " + word.substr(0, kDeniedStatementBytes) + "...");
}

}  // namespace
}  // namespace zararod

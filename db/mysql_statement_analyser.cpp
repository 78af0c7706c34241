#include "db/mysql_statement_analyser.h"

namespace zararod {

namespace {

TZStatementWordLists mysqlWordLists() {
  return TZStatementWordLists{
      {"SELECT", "UPDATE", "DELETE", "INSERT", "FROM", "WHERE", "INTO", "GROUP*BY", "HAVING",
       "ORDER*BY", "FOR*UPDATE", "LIMIT", "OFFSET", "INTO*OUTFILE", "INTO*DUMPFILE",
       "PROCEDURE", "LOCK*IN*SHARE"},
      {"DISTINCT", "ALL", "DISTINCTROW", "STRAIGHT_JOIN", "SQL_SMALL_RESULT", "SQL_BIG_RESULT",
       "SQL_BUFFER_RESULT", "HIGH_PRIORITY"},
      {"NATURAL", "RIGHT", "LEFT", "INNER", "OUTER", "JOIN", "STRAIGHT_JOIN", "CROSS"},
      {"ON", "USING", "USE", "IGNORE"},
  };
}

}  // namespace

TZMySQLStatementAnalyser::TZMySQLStatementAnalyser()
    : TZGenericStatementAnalyser(mysqlWordLists()) {}

const TZMySQLStatementAnalyser& SharedMySQLStatementAnalyser() {
  static const TZMySQLStatementAnalyser analyser;
  return analyser;
}

}  // namespace zararod

// TZMySQLStatementAnalyser: the SELECT analysis of the MySQL driver, with the
// MySQL dialect's section keywords, select options, join words and
// from-clause words. Stateless; one instance may serve every caller.
#pragma once

#include "db/statement_analyser.h"

namespace zararod {

class TZMySQLStatementAnalyser : public TZGenericStatementAnalyser {
 public:
  TZMySQLStatementAnalyser();
};

// The analyser shared by every live connection; created on first use.
const TZMySQLStatementAnalyser& SharedMySQLStatementAnalyser();

}  // namespace zararod

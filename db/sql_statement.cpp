#include "db/sql_statement.h"

namespace zararod {

std::string TZSQLStatement::ParamName(int i) const {
  if (i < 0 || i >= MarkerCount() || names_ == nullptr) return std::string();
  return (*names_)[static_cast<std::size_t>(MarkerIndex(i))];
}

std::vector<std::string> TZSQLStatement::ParamNames() const {
  std::vector<std::string> result;
  result.reserve(markers_.size());
  for (int i = 0; i < MarkerCount(); ++i) result.push_back(ParamName(i));
  return result;
}

}  // namespace zararod

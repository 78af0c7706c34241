#include "db/select_schema.h"

#include <stdexcept>

namespace zararod {

void TZSelectSchema::InsertField(std::size_t index, TZFieldRef field) {
  if (index > fields_.size()) throw std::out_of_range("TZSelectSchema::InsertField");
  fields_.insert(fields_.begin() + static_cast<std::ptrdiff_t>(index), std::move(field));
}

void TZSelectSchema::DeleteField(std::size_t index) {
  if (index >= fields_.size()) throw std::out_of_range("TZSelectSchema::DeleteField");
  fields_.erase(fields_.begin() + static_cast<std::ptrdiff_t>(index));
}

TZTableRef& TZSelectSchema::AddTable(TZTableRef table) {
  tables_.push_back(std::make_unique<TZTableRef>(std::move(table)));
  return *tables_.back();
}

}  // namespace zararod

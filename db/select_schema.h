// The structure read from a SELECT statement: the items of its select list
// (field references) and the tables of its from clause (table references).
//
// The statement analyser builds one TZSelectSchema per analysed text; the
// column-kind correction then links each field reference to the table it
// comes from, expands "*" items into the columns of their tables and marks the
// references it has matched to result columns. A schema lives only for one
// such correction.
//
// Ownership: the schema owns its field and table references. A field
// reference's TableRef points at one of the schema's own table references (or
// is null); table references never move once added, so those pointers stay
// valid for the life of the schema. The schema is movable, not copyable.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace zararod {

// A table of the from clause with its qualifiers and alias; empty texts for
// parts that are absent.
struct TZTableRef {
  std::string Catalog;
  std::string Schema;
  std::string Table;
  std::string Alias;
};

// An item of the select list.
struct TZFieldRef {
  // True for a named column (or "*"); false for an expression known only by
  // its alias.
  bool IsField = true;
  std::string Catalog;
  std::string Schema;
  std::string Table;
  std::string Field;  // the column name, or "*"
  std::string Alias;
  // The table this item reads from, once linked; not owned.
  const TZTableRef* TableRef = nullptr;
  // Set once the item has been matched to a result column.
  bool Linked = false;
};

class TZSelectSchema {
 public:
  TZSelectSchema() = default;
  TZSelectSchema(TZSelectSchema&&) = default;
  TZSelectSchema& operator=(TZSelectSchema&&) = default;
  TZSelectSchema(const TZSelectSchema&) = delete;
  TZSelectSchema& operator=(const TZSelectSchema&) = delete;

  // Field references, in select-list order; indexes from 0.
  std::size_t FieldCount() const { return fields_.size(); }
  TZFieldRef& Field(std::size_t index) { return fields_.at(index); }
  const TZFieldRef& Field(std::size_t index) const { return fields_.at(index); }
  void AddField(TZFieldRef field) { fields_.push_back(std::move(field)); }
  // REQUIRES: index <= FieldCount().
  void InsertField(std::size_t index, TZFieldRef field);
  // REQUIRES: index < FieldCount().
  void DeleteField(std::size_t index);

  // Table references, in from-clause order; indexes from 0. AddTable returns
  // the stored reference, whose address stays valid while the schema lives.
  std::size_t TableCount() const { return tables_.size(); }
  TZTableRef& Table(std::size_t index) { return *tables_.at(index); }
  const TZTableRef& Table(std::size_t index) const { return *tables_.at(index); }
  TZTableRef& AddTable(TZTableRef table);

 private:
  std::vector<TZFieldRef> fields_;
  std::vector<std::unique_ptr<TZTableRef>> tables_;
};

}  // namespace zararod

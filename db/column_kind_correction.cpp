#include "db/column_kind_correction.h"

#include <utility>
#include <vector>

#include "db/mysql_connection.h"
#include "db/mysql_statement_analyser.h"
#include "db/mysql_tokenizer.h"
#include "util/strings.h"

namespace zararod {

namespace {

// The table cache key: catalog, schema and table joined by "." without the
// leading dots of absent parts.
std::string tableKey(const TZTableRef& table) {
  std::string key = table.Catalog + "." + table.Schema + "." + table.Table;
  const std::size_t start = key.find_first_not_of('.');
  return start == std::string::npos ? std::string() : key.substr(start);
}

void stripQuotes(std::string& name) { name = TZDefaultIdentifierConvertor::ExtractQuote(name); }

const TZTableRef* findTable(const TZSelectSchema& schema, auto&& matches) {
  for (std::size_t i = 0; i < schema.TableCount(); ++i) {
    if (matches(schema.Table(i))) return &schema.Table(i);
  }
  return nullptr;
}

TZFieldRef starOf(const TZTableRef& table) {
  return TZFieldRef{true, table.Catalog, table.Schema, table.Table, "*", {}, &table, false};
}

}  // namespace

TZColumnKindCorrection::TZColumnKindCorrection(TZMySQLDatabaseMetadata& metadata,
                                               const IZTokenizer& tokenizer,
                                               const TZGenericStatementAnalyser& analyser)
    : metadata_(metadata), tokenizer_(tokenizer), analyser_(analyser) {}

void TZColumnKindCorrection::CorrectColumns(std::string_view sql, TZColumnInfos& columns) {
  if (corrected_) return;
  std::unique_ptr<TZSelectSchema> schema = analyser_.DefineSelectSchemaFromQuery(tokenizer_, sql);
  if (schema) {
    LinkReferences(*schema);
    const bool byPosition = schema->FieldCount() == columns.size();
    for (std::size_t position = 0; position < columns.size(); ++position) {
      TZColumnInfo& column = columns[position];
      column.CatalogName.clear();
      column.SchemaName.clear();
      column.TableName.clear();
      column.ColumnName.clear();
      column.ReadOnly = true;
      column.Writable = false;
      column.DefinitelyWritable = false;

      const TZFieldRef* field = findFieldRef(*schema, column.ColumnLabel, position, byPosition);
      if (field != nullptr && field->IsField && field->TableRef != nullptr) {
        lookup(field->Field, *field->TableRef, column);
      }
      const std::string& name = field != nullptr ? field->Field : column.ColumnLabel;
      for (std::size_t i = 0; column.ColumnName.empty() && i < schema->TableCount(); ++i) {
        lookup(name, schema->Table(i), column);
      }
    }
  }
  corrected_ = true;
}

void TZColumnKindCorrection::LinkReferences(TZSelectSchema& schema) {
  for (std::size_t i = 0; i < schema.TableCount(); ++i) {
    TZTableRef& table = schema.Table(i);
    stripQuotes(table.Catalog);
    stripQuotes(table.Schema);
    stripQuotes(table.Table);
    stripQuotes(table.Alias);
  }

  for (std::size_t i = 0; i < schema.FieldCount();) {
    TZFieldRef& field = schema.Field(i);
    stripQuotes(field.Catalog);
    stripQuotes(field.Schema);
    stripQuotes(field.Table);
    stripQuotes(field.Field);
    stripQuotes(field.Alias);
    if (!field.IsField) {
      ++i;
      continue;
    }
    const TZTableRef* table = nullptr;
    if (!field.Schema.empty() && !field.Table.empty()) {
      table = findTable(schema, [&](const TZTableRef& t) {
        return t.Schema == field.Schema && t.Table == field.Table;
      });
      if (table == nullptr) {
        table = findTable(schema, [&](const TZTableRef& t) {
          return t.Schema.empty() && t.Table == field.Table;
        });
      }
    } else if (!field.Table.empty()) {
      table = findTable(schema, [&](const TZTableRef& t) { return t.Alias == field.Table; });
      if (table == nullptr) {
        table = findTable(schema, [&](const TZTableRef& t) { return t.Table == field.Table; });
      }
    } else if (field.Field == "*") {
      // An unqualified "*" stands for every table of the from clause.
      schema.DeleteField(i);
      for (std::size_t t = 0; t < schema.TableCount(); ++t) {
        schema.InsertField(i++, starOf(schema.Table(t)));
      }
      continue;
    }
    if (table != nullptr) {
      field.Catalog = table->Catalog;
      field.Schema = table->Schema;
      field.Table = table->Table;
      field.TableRef = table;
    }
    ++i;
  }

  for (std::size_t i = 0; i < schema.FieldCount();) {
    const TZFieldRef& star = schema.Field(i);
    if (star.Field != "*" || star.TableRef == nullptr) {
      ++i;
      continue;
    }
    const TZTableRef& table = *star.TableRef;
    TZVirtualResultSet& columns = TableColumns(table);
    schema.DeleteField(i);
    while (columns.Next()) {
      schema.InsertField(i++, TZFieldRef{true, table.Catalog, table.Schema, table.Table,
                                         columns.GetString(kColumnsColumnName), {}, &table,
                                         false});
    }
  }
}

TZVirtualResultSet& TZColumnKindCorrection::TableColumns(const TZTableRef& table) {
  const std::string key = tableKey(table);
  if (auto hit = tableColumns_.find(key); hit != tableColumns_.end()) {
    hit->second.BeforeFirst();
    return hit->second;
  }

  const TZVirtualResultSet& found =
      metadata_.GetColumnsCached(table.Catalog, table.Schema, table.Table, "");
  // The table name goes to the server as a LIKE pattern, so a "_" or "%" in
  // it also matches other tables (vaznil_00 matches vaznilX00). Only the
  // columns of the named table itself describe this table's columns.
  TZVirtualResultSet own = MakeColumnsResultSet();
  for (std::size_t row = 1; row <= found.RowCount(); ++row) {
    const auto* name = std::get_if<std::string>(&found.ValueAt(row, kColumnsTableName));
    if (name == nullptr || !sameText(*name, table.Table)) continue;
    std::vector<TZMetaValue> values;
    values.reserve(found.ColumnCount());
    for (std::size_t c = 1; c <= found.ColumnCount(); ++c) values.push_back(found.ValueAt(row, c));
    own.AppendRow(std::move(values));
  }
  return tableColumns_.emplace(key, std::move(own)).first->second;
}

TZFieldRef* TZColumnKindCorrection::findFieldRef(TZSelectSchema& schema, const std::string& label,
                                                 std::size_t position, bool byPosition) const {
  if (label.empty()) return nullptr;
  auto take = [](TZFieldRef& field) {
    field.Linked = true;
    return &field;
  };
  if (byPosition) {
    TZFieldRef& field = schema.Field(position);
    if (!field.Linked && (field.Alias == label || field.Field == label)) return take(field);
  }
  auto first = [&](auto&& matches) -> TZFieldRef* {
    for (std::size_t i = 0; i < schema.FieldCount(); ++i) {
      TZFieldRef& field = schema.Field(i);
      if (!field.Linked && matches(field)) return take(field);
    }
    return nullptr;
  };
  if (TZFieldRef* field = first([&](const TZFieldRef& f) { return f.Alias == label; })) {
    return field;
  }
  if (TZFieldRef* field = first([&](const TZFieldRef& f) {
        return f.TableRef != nullptr && (label == f.TableRef->Alias + "." + f.Field ||
                                         label == f.TableRef->Table + "." + f.Field);
      })) {
    return field;
  }
  return first([&](const TZFieldRef& f) { return f.Field == label; });
}

bool TZColumnKindCorrection::lookup(const std::string& name, const TZTableRef& table,
                                    TZColumnInfo& column) {
  TZVirtualResultSet& columns = TableColumns(table);
  bool found = false;
  while (!found && columns.Next()) found = columns.GetString(kColumnsColumnName) == name;
  if (!found) {
    const std::string upperName = UpperStr(name);
    columns.BeforeFirst();
    while (!found && columns.Next()) {
      found = UpperStr(columns.GetString(kColumnsColumnName)) == upperName;
    }
  }
  if (!found) return false;

  column.CatalogName = columns.GetString(kColumnsTableCat);
  column.SchemaName = columns.GetString(kColumnsTableSchem);
  column.TableName = columns.GetString(kColumnsTableName);
  column.ColumnName = name;
  column.DeclaredTypeName = columns.GetString(kColumnsTypeName);
  if (!columns.IsNull(kColumnsDataType)) {
    column.ColumnType = static_cast<TZSQLType>(columns.GetInt(kColumnsDataType));
  }
  if (!columns.IsNull(kColumnsNullable)) {
    column.Nullable = static_cast<TZColumnNullableType>(columns.GetInt(kColumnsNullable));
  }
  if (!columns.IsNull(kColumnsAutoIncrement)) {
    column.AutoIncrement = columns.GetBoolean(kColumnsAutoIncrement);
  }
  if (!columns.IsNull(kColumnsCaseSensitive)) {
    column.CaseSensitive = columns.GetBoolean(kColumnsCaseSensitive);
  }
  if (!columns.IsNull(kColumnsSearchable)) {
    column.Searchable = columns.GetBoolean(kColumnsSearchable);
  }
  if (!columns.IsNull(kColumnsWritable)) column.Writable = columns.GetBoolean(kColumnsWritable);
  if (!columns.IsNull(kColumnsDefinitelyWritable)) {
    column.DefinitelyWritable = columns.GetBoolean(kColumnsDefinitelyWritable);
  }
  if (!columns.IsNull(kColumnsReadOnly)) column.ReadOnly = columns.GetBoolean(kColumnsReadOnly);
  if (!columns.IsNull(kColumnsColumnDef)) {
    column.DefaultValue = columns.GetString(kColumnsColumnDef);
  }
  return true;
}

TZMySQLColumnKindCorrector::TZMySQLColumnKindCorrector(TZMySQLConnection& connection)
    : metadata_(connection) {}

void TZMySQLColumnKindCorrector::CorrectColumns(std::string_view sql, TZColumnInfos& columns) {
  TZColumnKindCorrection correction(metadata_, SharedMySQLTokenizer(),
                                    SharedMySQLStatementAnalyser());
  correction.CorrectColumns(sql, columns);
}

}  // namespace zararod

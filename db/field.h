// Fields, field definitions and parameters of the dataset layer.
//
// A query (db/query.h) describes every column of its result with a TFieldDef
// (name, field kind, size) and makes one TField per definition. A field reads
// the value of its column in the query's current row and gives it as text,
// integer, float, truth value or date-time value by its field kind. The value
// texts are what the transfer jobs turn into SQL literals for the other
// server, so they follow fixed rules per kind:
//
//   ftString                      the bytes as received, up to the first zero byte
//   ftSmallint/ftInteger/ftLargeint  decimal, "-" for negative values
//   ftFloat                       FloatText (15 significant digits, the process's
//                                 decimal separator)
//   ftBoolean                     "True" / "False"
//   ftDate/ftTime/ftDateTime      yyyy-mm-dd / hh:nn:ss / both (the time left
//                                 out at midnight), with the process's time separator
//   ftMemo/ftBlob/ftBytes         the bytes
//   any kind, null                empty text
//
// Date-time values are days since 1899-12-30 00:00 as a double, the fraction
// being the time of day; a zero date reads as null with the value 0.
//
// TParam/TParams are the named parameters of a query or a script processor,
// one per marker name of their SQL text.
//
// Errors: an access a field kind does not support raises EDatabaseError
// "Cannot access field '<name>' as type <Boolean|DateTime|Float|Integer>".
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "db/field_types.h"
#include "db/sql_types.h"

namespace zararod {

// A value with its own type; std::monostate is null. Date-time values are
// doubles.
using TVariant = std::variant<std::monostate, bool, std::int32_t, std::int64_t, double, std::string>;

// The field kind of a column kind: stBoolean ftBoolean; stByte, stShort
// ftSmallint; stInteger ftInteger; stLong ftLargeint; stFloat, stDouble,
// stBigDecimal ftFloat; stString ftString; stUnicodeString, stUnicodeStream
// ftWideString; stBytes ftBytes; stDate ftDate; stTime ftTime; stTimestamp
// ftDateTime; stAsciiStream ftMemo; stBinaryStream ftBlob; else ftUnknown.
TFieldType FieldTypeOfSQLType(TZSQLType type);

// One column value of one fetched row, as the query keeps it.
struct TFieldValue {
  bool IsNull = true;
  // The value read with the reader of the field kind: std::string for
  // ftString, ftMemo, ftBlob, ftBytes and ftWideString; std::int32_t for
  // ftSmallint and ftInteger; std::int64_t for ftLargeint; double for ftFloat
  // and the date-time kinds; bool for ftBoolean; std::monostate otherwise.
  TVariant Value;
  // The column's bytes exactly as the server sent them (all bytes, zero bytes
  // included); std::nullopt for SQL NULL. Independent of the field kind: a
  // zero date that reads as null still has its text here.
  std::optional<std::string> ServerText;
};

// Description of one result column.
struct TFieldDef {
  std::string Name;           // unique within the definitions (letter case ignored)
  TFieldType DataType = ftUnknown;
  int Size = 0;               // precision for ftString, ftBytes, ftWideString; else 0
  int Precision = 0;          // the column's precision
  int FieldNo = 0;            // position in the result, from 1
  bool Required = false;      // kept for completeness, not used
  bool ReadOnly = false;      // kept for completeness, not used
  // The column's declared type name as the server's table metadata states
  // it, lower-cased, such as "decimal", "enum", "varchar"; empty when the
  // column could not be traced to a table column.
  std::string DeclaredTypeName;
  // The column kind the field kind was made from (after the correction from
  // the tables' declared types), and the column's scale (decimals).
  TZSQLType ColumnKind = stUnknown;
  int Scale = 0;
};

// The ordered field definitions of a result.
class TFieldDefs {
 public:
  int Count() const { return static_cast<int>(defs_.size()); }
  // REQUIRES: 0 <= i < Count().
  const TFieldDef& Items(int i) const { return defs_[static_cast<std::size_t>(i)]; }
  const TFieldDef& operator[](int i) const { return Items(i); }
  // Index of the first definition whose name equals `name` without regard
  // to letter case; -1 when there is none.
  int IndexOf(std::string_view name) const;
  // Appends a definition. When its name is taken already (letter case
  // ignored) the name becomes "<name>_1", "<name>_2", ..., the first free one.
  const TFieldDef& Add(TFieldDef def);
  void Clear() { defs_.clear(); }

 private:
  std::vector<TFieldDef> defs_;
};

// Where a field finds the value of its column in the current row. The query
// implements it; null when there is no current row.
class TFieldValueSource {
 public:
  virtual const TFieldValue* CurrentFieldValue(int fieldIndex) const = 0;

 protected:
  ~TFieldValueSource() = default;
};

// One column of a result, reading from the current row of its source.
// Owned by the query; valid until the query closes or its text changes.
class TField {
 public:
  TField(const TFieldValueSource& source, int index, const TFieldDef& def);

  const std::string& FieldName() const { return name_; }
  TFieldType DataType() const { return dataType_; }
  int Size() const { return size_; }
  int FieldNo() const { return index_ + 1; }
  int Index() const { return index_; }

  // True when the value in the current row is null (SQL NULL, a zero date or
  // time), or when there is no current row.
  bool IsNull() const;
  // The value text by field kind (see the header comment); empty when null.
  std::string AsString() const;
  // ftSmallint, ftInteger: the value; ftLargeint: the low 32 bits as a signed
  // value; ftFloat: rounded to the nearest integer, halves to even (then the
  // low 32 bits). 0 when null. Other kinds raise EDatabaseError.
  std::int32_t AsInteger() const;
  // The whole 64-bit value of an integer or float field; 0 when null.
  std::int64_t AsLargeInt() const;
  // Float and integer kinds; 0 when null.
  double AsFloat() const;
  // ftBoolean only; false when null.
  bool AsBoolean() const;
  // ftDate, ftTime, ftDateTime only; 0 when null.
  double AsDateTime() const;
  // Null when null; otherwise the value with its own type (text for ftString).
  TVariant AsVariant() const;
  // The column's bytes exactly as the server sent them; std::nullopt for SQL
  // NULL or when there is no current row. Use it for values that must arrive
  // byte for byte on another server.
  std::optional<std::string> AsServerText() const;

 private:
  const TFieldValue* current() const { return source_.CurrentFieldValue(index_); }
  [[noreturn]] void accessError(const char* typeName) const;

  const TFieldValueSource& source_;
  int index_;
  std::string name_;
  TFieldType dataType_;
  int size_;
};

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

// A named parameter: data type, parameter type and value (null when unset).
class TParam {
 public:
  explicit TParam(std::string name) : name_(std::move(name)) {}

  const std::string& Name() const { return name_; }
  TFieldType DataType = ftUnknown;
  TParamType ParamType = ptUnknown;

  bool IsNull() const { return std::holds_alternative<std::monostate>(value_); }
  const TVariant& Value() const { return value_; }
  void Clear() { value_ = std::monostate{}; }
  // Setters store the value and set DataType to the matching kind.
  void SetAsString(std::string value);
  void SetAsInteger(std::int32_t value);
  void SetAsLargeInt(std::int64_t value);
  void SetAsFloat(double value);
  void SetAsBoolean(bool value);
  void SetAsDate(double value);
  void SetAsTime(double value);
  void SetAsDateTime(double value);
  // Stores a value as it is, keeping DataType.
  void SetValue(TVariant value) { value_ = std::move(value); }

  // Conversions of the value, used when it is bound to a statement.
  // Raise EDatabaseError when the value cannot be converted.
  std::string AsString() const;
  std::int64_t AsLargeInt() const;
  double AsFloat() const;
  bool AsBoolean() const;

  // Copies data type, parameter type and value (not the name).
  void AssignValue(const TParam& other);

 private:
  std::string name_;
  TVariant value_;
};

// An ordered list of parameters with unique names (letter case ignored).
class TParams {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  // REQUIRES: 0 <= i < Count().
  TParam& Items(int i) { return *items_[static_cast<std::size_t>(i)]; }
  const TParam& Items(int i) const { return *items_[static_cast<std::size_t>(i)]; }
  // The parameter of that name, letter case ignored; nullptr when absent.
  TParam* FindParam(std::string_view name);
  const TParam* FindParam(std::string_view name) const;
  // As FindParam, but raises EDatabaseError "Parameter '<name>' not found".
  TParam& ParamByName(std::string_view name);
  // Appends a new null parameter of data type ftUnknown.
  TParam& CreateParam(std::string name);
  void Clear() { items_.clear(); }
  // Copies data type, parameter type and value of every parameter of `other`
  // onto the parameter of the same name here, if there is one; nothing is
  // added or removed.
  void AssignValues(const TParams& other);
  // Makes the list one parameter per name, in order (ftUnknown, ptUnknown,
  // null), then copies onto each the former parameter of the same name.
  void Rebuild(const std::vector<std::string>& names);

 private:
  std::vector<std::unique_ptr<TParam>> items_;
};

}  // namespace zararod

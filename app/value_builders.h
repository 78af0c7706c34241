// The column-list and value-list builders of the slip transfers, and the rules
// by which one column value becomes an SQL literal for the receiving server.
//
// udelejPolozky reads a table's columns with "SHOW FIELDS FROM <table>" and
// returns them joined by "," (without "id" and "PC8"); udelejData turns the
// current row of an open query into the matching list of literals.
//
// Literal rules (valueLiteral). Every value is written as a quoted string
// that the receiving server reads back as exactly the bytes that were read
// (db/sql_literals.h; a text holding NUL, CR, LF or a backslash goes as
// X'<hex>' to a server with NO_BACKSLASH_ESCAPES).
// What is quoted depends on the field kind:
//   - the described text (decimal integers, the 15-digit float text with "."
//     as decimal separator, yyyy-mm-dd dates, 'Y'/'N' truth values) wherever
//     it reproduces the sending server's value exactly;
//   - otherwise the text the sending server returned for the column (large
//     integers, YEAR, times, texts with zero bytes, fractional seconds, floats
//     that need more than 15 digits, TEXT, BLOB, BINARY...);
//   - nulls and zero dates keep their conventions: '' for texts and bytes, '0'
//     for numbers, '1900-01-01' for dates and date-times (also every date-time
//     on 1899-12-30), '00:00:00' for times, 'N' for truth values; where the
//     receiving column cannot hold the convention's text with that meaning
//     (a TIMESTAMP cannot hold 1900-01-01, a YEAR reads '0' as 2000, an ENUM
//     has no '' member), the zero value the sending server holds, or NULL.
// The receiving column's declared type is the lower-cased type name ("int",
// "timestamp", "enum", "double unsigned"...; what follows a blank does not
// count); empty when unknown, which keeps the conventions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "db/field_types.h"

namespace zararod {

class JobReporter;
class TZQuery;
class TField;

// One column value of the current row, as a field reads it.
struct FieldReading {
  TFieldType kind = ftUnknown;
  // The field's null test: SQL NULL, and for dates and times also zero values.
  bool isNull = true;
  // The field's text value (integers in decimal, floats in the 15-digit text
  // with the process's decimal separator).
  std::string text;
  // Date-time value of ftDate/ftDateTime fields.
  double dateTime = 0;
  // The column's bytes exactly as the sending server sent them; nullopt for
  // SQL NULL.
  std::optional<std::string> serverText;
};

// Reads the current value of a field. REQUIRES: its query is on a row.
FieldReading readField(const TField& field);

// The literal (quoted text, or NULL) for one value, by the rules above.
std::string valueLiteral(const FieldReading& value, std::string_view receivingType,
                         bool noBackslashEscapes);

// The literal for a value taken as text (the address import): the server's
// bytes, or for null '' where the receiving column holds it, else NULL.
std::string textLiteral(const FieldReading& value, std::string_view receivingType,
                        bool noBackslashEscapes);

// True when two decimal number texts ("12.50", "-1E-5", "1.5e20") denote the
// same value; false when either is not a number.
bool sameDecimalValue(std::string_view a, std::string_view b);

// The column list of `table` on the local server, read through `query` (the
// window's ZQuery2): every "Field" of "SHOW FIELDS FROM <table>" except
// exactly "id" and "PC8", joined by ",". Busy cursor while it runs (left on
// when it fails). Errors of the query pass through.
std::string udelejPolozky(TZQuery& query, const std::string& table, JobReporter& reporter);

// The value list of the current row of `source`: one literal per field, in
// field order, joined by ",". The declared types of the source's columns stand
// for the receiving columns' (both servers hold the same tables). The row is
// read, never moved. Busy cursor as udelejPolozky; errors of the fields pass
// through. REQUIRES: `source` is open and on a row.
std::string udelejData(TZQuery& source, JobReporter& reporter, bool noBackslashEscapes);

}  // namespace zararod

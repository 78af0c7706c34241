// Matching records by key: the key of a queue row or a record, the condition
// that picks exactly the rows of one or many keys, and a key as an error
// names it.
//
// Every key is matched byte for byte, except that a key column the record
// table declares CHAR is matched without trailing blanks on that server, as
// the server compares it: the queue's VARCHAR 'K9 ' picks the CHAR record
// 'K9'.
//
// Plain functions on values; the ones that take a query use it as their
// REQUIRES say and throw the query's errors.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "db/query.h"

namespace zararod {

// A key: the bytes of each key column, in the order of the job's key columns
// (empty for NULL).
using RecordKey = std::vector<std::string>;

// The bytes the server holds in a key column (empty for NULL).
std::string keyText(const TField& field);

// The key of the current row of `rows`, which has every one of `columns`.
RecordKey keyOf(TZQuery& rows, const std::vector<const char*>& columns);

// One column of a record's key with the bytes read from the queue.
struct KeyColumn {
  const char* name;
  std::string_view value;
};

// The condition that picks exactly the rows of one key, for a server with or
// without NO_BACKSLASH_ESCAPES: first every column equal to its value under
// the column's collation ("cislodokla = 'K9' and rada = '10'"), so the key
// index serves the lookup; then every column equal byte for byte in the job's
// code page ("binary convert(cislodokla using cp1250) = _binary'K9'"), since
// the collations may ignore letter case and trailing blanks and would take
// look-alike keys for the same record.
std::string keyCondition(const std::vector<KeyColumn>& key, bool noBackslashEscapes);

// keyCondition of one RecordKey.
std::string keyCondition(const std::vector<const char*>& columns, const RecordKey& key,
                         bool noBackslashEscapes);

// The condition that picks exactly the rows of any of `keys` (not empty).
std::string anyKeyCondition(const std::vector<const char*>& columns,
                            const std::vector<RecordKey>& keys, bool noBackslashEscapes);

// "cislodokla = 'K9', rada = '01'": a record's key as an error names it.
std::string describeKey(const std::vector<const char*>& columns, const RecordKey& key);

// Which key columns are CHAR in `table`, asked through `query` with an empty
// SELECT: the server drops a CHAR value's trailing blanks and compares it
// without them, so a key of such a column is matched without them too. The
// declared types come from the column metadata that every query's result
// takes (SHOW COLUMNS, once per table and live connection). REQUIRES: the
// query's connection is open. Leaves the query closed.
std::vector<bool> paddedKeyColumns(TZQuery& query, const std::string& table,
                                   const std::vector<const char*>& columns);

// `key` as a table with the `padded` columns holds and compares it.
RecordKey withoutPadding(RecordKey key, const std::vector<bool>& padded);

}  // namespace zararod

// When a record on the receiving server is the one a job would have written
// for the sending server's record, and the SQL that lets each server compute
// a digest of its rows so that equal records give equal digests.
//
// The truth is the comparison of one column value (receiverHolds): the value
// the job writes for the sender's value (by the literal rules of
// app/value_builders.h, the slips' or the address import's) against the
// value the receiving server holds, read as the receiving column's type
// holds it (numbers by value, dates and times by their moment, CHAR without
// trailing blanks, everything else byte for byte).
//
// The digest terms are an economy on top of it: the sender's term is the
// value the job writes, computed by the sending server, and the receiver's
// term the value it holds, so that where both columns have the same type the
// two terms give the same text exactly when receiverHolds would call the
// values equal. Where the types differ the texts may differ although the
// values are equal; the records are then read and compared by
// receiverHolds, so the digest only ever costs rows, never a wrong verdict.
//
// Plain functions on values; they never throw (beyond std::bad_alloc).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/value_builders.h"

namespace zararod {

// The literal rules of the two kinds of job.
enum class WriteRules { Slips, Addresses };

// One compared column: its name, its full declared type on each server as
// SHOW COLUMNS states it ("decimal(10,2)", "int(11) unsigned") and its
// collation there ("cp1250_czech_cs"; empty for none or unknown).
struct ComparedColumn {
  std::string name;
  std::string senderType;
  std::string receiverType;
  std::string senderCollation = "";
  std::string receiverCollation = "";
};

// One column's part of a row's digest: the SQL of its text, and an SQL test
// that is 1 where that text is NULL ("0" where it never is).
struct DigestTerm {
  std::string value;
  std::string isNull;
  bool operator==(const DigestTerm&) const = default;
};

// The declared type without its size and attributes, lower-cased:
// "decimal(10,2)" -> "decimal", "DOUBLE UNSIGNED" -> "double".
std::string baseTypeOf(std::string_view declaredType);

// The SQL term of one column in the sending server's digest: the value the
// job writes for it, as text.
DigestTerm senderDigestTerm(const ComparedColumn& column, WriteRules rules);
// The SQL term of one column in the receiving server's digest.
DigestTerm receiverDigestTerm(const ComparedColumn& column);

// An expression of one row's digest, 32 hexadecimal digits, over `terms`
// (one per column): their texts and which of them are NULL. Kept to plain
// column reads where it can be: it runs once for every row of the table.
std::string rowDigestExpression(const std::vector<DigestTerm>& terms);

// The value the job writes for `sender` (read from a column declared
// `senderType`, the declared type name a query reports): the bytes of its
// literal, nullopt for NULL.
std::optional<std::string> writtenValue(const FieldReading& sender, std::string_view senderType,
                                        WriteRules rules);

// Whether a column declared `receiverType` that holds `received` (nullopt:
// NULL) holds what writing `written` into it stores.
bool receiverHolds(const std::optional<std::string>& written,
                   const std::optional<std::string>& received, std::string_view receiverType);

}  // namespace zararod

// Binding the parameters of a query or script processor to a prepared
// statement.
//
// For each marker of the statement, in order (position k from 1), the
// parameter of the marker's name (letter case ignored) is looked up. Nothing
// is bound at k when there is none or when it is an output or result
// parameter. A parameter without a value is bound as null with the column
// kind of its data type; otherwise its value is bound by its data type:
//
//   ftString, ftBytes       text            ftBoolean            truth value
//   ftSmallint              16-bit integer  ftFloat              double
//   ftInteger, ftAutoInc    32-bit integer  ftCurrency           big decimal
//   ftLargeint              64-bit integer from the value's text
//   ftDate / ftTime / ftDateTime, ftTimeStamp   date / time / timestamp
//   ftMemo                  character stream of the text
//   ftBlob, ftGraphic       byte stream of the text
//   ftWideString and every other kind: nothing is bound.
//
// Errors: a ftSmallint value outside -32768..32767, or a ftInteger / ftAutoInc
// value outside the signed 32-bit range, raises Exception "Range check
// error"; a ftLargeint value whose text is no integer, or any value
// that does not convert, raises EDatabaseError.
#pragma once

#include "db/field.h"
#include "db/sql_statement.h"
#include "db/statement.h"

namespace zararod {

void BindParams(IZPreparedStatement& statement, const TZSQLStatement& sql, const TParams& params);

}  // namespace zararod

#include "db/param_binding.h"

#include <cstdint>
#include <limits>

#include "util/exception.h"

namespace zararod {

namespace {

TZSQLType nullKindOf(TFieldType type) {
  switch (type) {
    case ftString: return stString;
    case ftBytes: return stBytes;
    case ftSmallint: return stShort;
    case ftInteger:
    case ftAutoInc: return stInteger;
    case ftLargeint: return stLong;
    case ftBoolean: return stBoolean;
    case ftFloat: return stDouble;
    case ftCurrency: return stBigDecimal;
    case ftDate: return stDate;
    case ftTime: return stTime;
    case ftDateTime: return stTimestamp;
    case ftMemo: return stAsciiStream;
    case ftBlob: return stBinaryStream;
    case ftWideString: return stUnicodeString;
    default: return stUnknown;
  }
}

// `value` as an Int; a value that would wrap fails the attempt instead of
// binding a different number.
template <class Int>
Int narrowed(std::int64_t value) {
  if (value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max())
    throw Exception("Range check error");
  return static_cast<Int>(value);
}

void bindValue(IZPreparedStatement& statement, int k, const TParam& param) {
  switch (param.DataType) {
    case ftString:
    case ftBytes:
      statement.SetString(k, param.AsString());
      break;
    case ftSmallint:
      statement.SetShort(k, narrowed<std::int16_t>(param.AsLargeInt()));
      break;
    case ftInteger:
    case ftAutoInc:
      statement.SetInt(k, narrowed<std::int32_t>(param.AsLargeInt()));
      break;
    case ftLargeint: {
      TParam text("");  // the value goes through its text
      text.SetValue(param.AsString());
      statement.SetLong(k, text.AsLargeInt());
      break;
    }
    case ftBoolean:
      statement.SetBoolean(k, param.AsBoolean());
      break;
    case ftFloat:
      statement.SetDouble(k, param.AsFloat());
      break;
    case ftCurrency:
      statement.SetBigDecimal(k, static_cast<long double>(param.AsFloat()));
      break;
    case ftDate:
      statement.SetDate(k, param.AsFloat());
      break;
    case ftTime:
      statement.SetTime(k, param.AsFloat());
      break;
    case ftDateTime:
    case ftTimeStamp:
      statement.SetTimestamp(k, param.AsFloat());
      break;
    case ftMemo:
      statement.SetAsciiStream(k, param.AsString());
      break;
    case ftBlob:
    case ftGraphic:
      statement.SetBinaryStream(k, param.AsString());
      break;
    default:  // ftWideString and the kinds without a binding
      break;
  }
}

}  // namespace

void BindParams(IZPreparedStatement& statement, const TZSQLStatement& sql, const TParams& params) {
  for (int i = 0; i < sql.MarkerCount(); ++i) {
    const int k = i + 1;
    const TParam* param = params.FindParam(sql.ParamName(i));
    if (param == nullptr || param->ParamType == ptOutput || param->ParamType == ptResult) continue;
    if (param->IsNull())
      statement.SetNull(k, nullKindOf(param->DataType));
    else
      bindValue(statement, k, *param);
  }
}

}  // namespace zararod

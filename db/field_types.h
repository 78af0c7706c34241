// Field kinds of a dataset and their fixed numbering.
//
// The numbering is part of the program's contract: the value-list builder of
// the transfer jobs compares field kinds by these numbers (ftString = 1,
// ftSmallint = 2, ... ftLargeint = 25), so the order below must never change.
#pragma once

namespace zararod {

enum TFieldType : int {
  ftUnknown,        // 0
  ftString,         // 1
  ftSmallint,       // 2
  ftInteger,        // 3
  ftWord,           // 4
  ftBoolean,        // 5
  ftFloat,          // 6
  ftCurrency,       // 7
  ftBCD,            // 8
  ftDate,           // 9
  ftTime,           // 10
  ftDateTime,       // 11
  ftBytes,          // 12
  ftVarBytes,       // 13
  ftAutoInc,        // 14
  ftBlob,           // 15
  ftMemo,           // 16
  ftGraphic,        // 17
  ftFmtMemo,        // 18
  ftParadoxOle,     // 19
  ftDBaseOle,       // 20
  ftTypedBinary,    // 21
  ftCursor,         // 22
  ftFixedChar,      // 23
  ftWideString,     // 24
  ftLargeint,       // 25
  ftADT,            // 26
  ftArray,          // 27
  ftReference,      // 28
  ftDataSet,        // 29
  ftOraBlob,        // 30
  ftOraClob,        // 31
  ftVariant,        // 32
  ftInterface,      // 33
  ftIDispatch,      // 34
  ftGuid,           // 35
  ftTimeStamp,      // 36
  ftFMTBcd,         // 37
  ftFixedWideChar,  // 38
  ftWideMemo,       // 39
  ftOraTimeStamp,   // 40
  ftOraInterval,    // 41
};

static_assert(ftString == 1 && ftSmallint == 2 && ftInteger == 3 && ftWord == 4 &&
              ftBoolean == 5 && ftFloat == 6 && ftDate == 9 && ftTime == 10 &&
              ftDateTime == 11 && ftBytes == 12 && ftBlob == 15 && ftMemo == 16 &&
              ftWideString == 24 && ftLargeint == 25 && ftOraInterval == 41);

}  // namespace zararod

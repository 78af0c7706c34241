// The transaction isolation levels a connection may ask for at connect.
#pragma once

namespace zararod {

enum TZTransactIsolationLevel {
  tiNone,
  tiReadUncommitted,
  tiReadCommitted,
  tiRepeatableRead,
  tiSerializable,
};

}  // namespace zararod

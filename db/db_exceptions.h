// Exceptions of the database layer.
//
//   Exception (util/exception.h)
//   ├── EDatabaseError          field access and dataset errors
//   │   └── EZDatabaseError     misuse of a database component (no connection
//   │                           assigned, empty query, bad parameter marker…)
//   └── EZSQLException          a failing connect or statement, and the
//       │                       statement layer's own errors; carries the
//       │                       server's error number (0 when none applies)
//       └── EZMySQLSilentException  the same failure while the calling thread
//                                   has silenced errors (metadata probes);
//                                   callers that silence errors catch it
//
// Messages are cp1250 bytes, exactly as the error box shows them.
#pragma once

#include <string>
#include <utility>

#include "util/exception.h"

namespace zararod {

// EZDatabaseError of a query or script processor used without a connection.
inline constexpr const char* kNoConnectionMessage =
    "Database connection component is not assigned";

class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
};

class EZDatabaseError : public EDatabaseError {
 public:
  using EDatabaseError::EDatabaseError;
};

class EZSQLException : public Exception {
 public:
  explicit EZSQLException(std::string message, int errorCode = 0)
      : Exception(std::move(message)), errorCode_(errorCode) {}
  // The server's (or client library's) error number; 0 for the layer's own
  // errors, -1 for "Cannot connect to SQL server".
  int ErrorCode() const noexcept { return errorCode_; }

 private:
  int errorCode_;
};

class EZMySQLSilentException : public EZSQLException {
 public:
  using EZSQLException::EZSQLException;
};

}  // namespace zararod

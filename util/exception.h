// Root of the program's exceptions.
//
// Every failure the system reports is an exception that carries its message as
// a byte string in code page 1250, exactly as it will be shown (the error box
// converts it at the widget boundary). Derived kinds live with the code that
// raises them (EDatabaseError and friends in db/, file errors in util/).
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace zararod {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  // The message bytes (cp1250).
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

}  // namespace zararod

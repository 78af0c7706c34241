// Setting and removing environment variables of the test process, the same
// way on every system (the C runtime's table, which getenv reads and started
// programs inherit). ScopedEnvironmentVariable puts the former value back.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace zararod::testing {

inline void setEnvironmentVariable(const std::string& name, const std::string& value) {
#ifdef _WIN32
  ::_putenv_s(name.c_str(), value.c_str());
#else
  ::setenv(name.c_str(), value.c_str(), 1);
#endif
}

// On Windows an empty value removes the variable.
inline void removeEnvironmentVariable(const std::string& name) {
#ifdef _WIN32
  ::_putenv_s(name.c_str(), "");
#else
  ::unsetenv(name.c_str());
#endif
}

inline std::optional<std::string> environmentVariable(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

// Sets a variable for the life of the object.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(std::string name, const std::string& value)
      : name_(std::move(name)), saved_(environmentVariable(name_)) {
    setEnvironmentVariable(name_, value);
  }
  ~ScopedEnvironmentVariable() {
    if (saved_)
      setEnvironmentVariable(name_, *saved_);
    else
      removeEnvironmentVariable(name_);
  }
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

 private:
  std::string name_;
  std::optional<std::string> saved_;
};

}  // namespace zararod::testing

// A fresh directory under /tmp for one test, removed with everything in it
// when the object goes away. The constructor throws std::runtime_error when
// the directory cannot be made, so that no test writes elsewhere.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace zararod::testing {

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/zr_test_XXXXXX";
    if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory, without a trailing "/".
  const std::string& path() const { return path_; }
  // The full name of an entry of the directory.
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace zararod::testing

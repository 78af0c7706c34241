// A fresh directory for one test, in the system's folder for temporary files
// (/tmp on Linux, GetTempPathW's folder on Windows), removed with everything
// in it when the object goes away. The constructor throws std::runtime_error
// when the directory cannot be made, so that no test writes elsewhere.
//
// path() and file() are cp1250 byte strings, the form of the program's own
// file names; on Windows a temporary folder whose name cp1250 cannot spell is
// refused (the constructor throws).
#pragma once

#ifdef _WIN32
#include "testing/windows_api.h"
#else
#include <stdlib.h>
#endif

#include <atomic>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace zararod::testing {

#ifdef _WIN32
inline constexpr char kTestPathSeparator = '\\';
#else
inline constexpr char kTestPathSeparator = '/';
#endif

class TempDir {
 public:
  TempDir() : native_(makeDirectory()), path_(narrow(native_)) {}
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(native_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory, without a trailing separator.
  const std::string& path() const { return path_; }
  // The full name of an entry of the directory.
  std::string file(const std::string& name) const { return path_ + kTestPathSeparator + name; }

 private:
#ifdef _WIN32
  static std::filesystem::path makeDirectory() {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) throw std::runtime_error("GetTempPathW failed");
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::wstring name = std::wstring(folder, length) + L"zr_test_" +
                                std::to_wstring(::GetCurrentProcessId()) + L"_" +
                                std::to_wstring(counter++);
      if (::CreateDirectoryW(name.c_str(), nullptr)) return name;
      if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    throw std::runtime_error("cannot make a temporary directory");
  }
  static std::string narrow(const std::filesystem::path& directory) {
    const std::wstring& name = directory.native();
    BOOL lossy = FALSE;
    const int size = ::WideCharToMultiByte(1250, WC_NO_BEST_FIT_CHARS, name.data(),
                                           static_cast<int>(name.size()), nullptr, 0, nullptr,
                                           &lossy);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(1250, WC_NO_BEST_FIT_CHARS, name.data(), static_cast<int>(name.size()),
                          bytes.data(), size, nullptr, &lossy);
    if (size == 0 || lossy) {
      std::error_code ignored;
      std::filesystem::remove(name, ignored);
      throw std::runtime_error("the temporary folder's name is not in cp1250");
    }
    return bytes;
  }
#else
  static std::filesystem::path makeDirectory() {
    char pattern[] = "/tmp/zr_test_XXXXXX";
    if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
  }
  static std::string narrow(const std::filesystem::path& directory) { return directory.string(); }
#endif

  std::filesystem::path native_;
  std::string path_;
};

}  // namespace zararod::testing

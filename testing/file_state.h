// Putting a file into states that tests need, the same way on every system:
// a given last-write time in local time, and a file that cannot be deleted
// or replaced. File names are cp1250, as the program's own (util/platform).
#pragma once

#ifdef _WIN32
#include "testing/windows_api.h"
#else
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <ctime>
#include <string>

#include "util/platform.h"

namespace zararod::testing {

// The system's reason when a folder is opened as a file to be written: Linux
// names it, Windows denies access to it.
#ifdef _WIN32
inline constexpr const char* kFolderAsFileReason = "Permission denied";
#else
inline constexpr const char* kFolderAsFileReason = "Is a directory";
#endif

// Sets the file's last-write time to the given local time (the system's time
// zone). False when that fails.
inline bool setLocalWriteTime(const std::string& path, int year, int month, int day, int hour,
                              int minute, int second) {
#ifdef _WIN32
  // Through the system's own local-time conversion, the inverse of the one
  // the program reads file times with.
  const SYSTEMTIME time{static_cast<WORD>(year),   static_cast<WORD>(month),
                        0,                         static_cast<WORD>(day),
                        static_cast<WORD>(hour),   static_cast<WORD>(minute),
                        static_cast<WORD>(second), 0};
  FILETIME local;
  FILETIME utc;
  if (!::SystemTimeToFileTime(&time, &local) || !::LocalFileTimeToFileTime(&local, &utc))
    return false;
  const HANDLE file = ::CreateFileW(nativePath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool set = ::SetFileTime(file, nullptr, nullptr, &utc) != 0;
  ::CloseHandle(file);
  return set;
#else
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  const std::time_t at = std::mktime(&local);
  const timespec times[2] = {{at, 0}, {at, 0}};
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
#endif
}

#ifdef _WIN32
// A file held open for reading by a handle that shares only what `share`
// allows, closed on destruction: what another program holding the file looks
// like to this one.
class HeldOpenFile {
 public:
  HeldOpenFile(const std::string& path, DWORD share)
      : handle_(::CreateFileW(nativePath(path).c_str(), GENERIC_READ, share, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~HeldOpenFile() {
    if (held()) ::CloseHandle(handle_);
  }
  HeldOpenFile(const HeldOpenFile&) = delete;
  HeldOpenFile& operator=(const HeldOpenFile&) = delete;

  bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};
#endif

// For its life, a file that stays readable but can be neither deleted nor
// replaced: on Windows held open by a handle that shares reading only (as
// another program may hold it), on Linux immutable (which needs the right to
// change the file's flags and a file system that has them; active() says
// whether it worked, and the test skips otherwise).
class UndeletableFile {
 public:
  explicit UndeletableFile(const std::string& path) : path_(path) {
#ifdef _WIN32
    active_ = held_.held();
#else
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0 || ::ioctl(fd_, FS_IOC_GETFLAGS, &flags_) != 0) return;
    int immutable = flags_ | FS_IMMUTABLE_FL;
    active_ = ::ioctl(fd_, FS_IOC_SETFLAGS, &immutable) == 0;
#endif
  }
  ~UndeletableFile() {
#ifndef _WIN32
    if (active_) ::ioctl(fd_, FS_IOC_SETFLAGS, &flags_);
    if (fd_ >= 0) ::close(fd_);
#endif
  }
  UndeletableFile(const UndeletableFile&) = delete;
  UndeletableFile& operator=(const UndeletableFile&) = delete;

  bool active() const { return active_; }

 private:
  std::string path_;
  bool active_ = false;
#ifdef _WIN32
  HeldOpenFile held_{path_, FILE_SHARE_READ};
#else
  int fd_ = -1;
  int flags_ = 0;
#endif
};

// For its life, a file that this process cannot read: on Windows held open
// by a handle that shares nothing, on Linux without any mode bits (root
// reads it all the same: active() is then false, and the test skips that
// case).
class UnreadableFile {
 public:
  explicit UnreadableFile(const std::string& path) : path_(path) {
#ifdef _WIN32
    active_ = held_.held();
#else
    active_ = ::geteuid() != 0 && ::chmod(path_.c_str(), 0) == 0;
#endif
  }
  ~UnreadableFile() {
#ifndef _WIN32
    if (active_) ::chmod(path_.c_str(), 0644);
#endif
  }
  UnreadableFile(const UnreadableFile&) = delete;
  UnreadableFile& operator=(const UnreadableFile&) = delete;

  bool active() const { return active_; }

 private:
  std::string path_;
  bool active_ = false;
#ifdef _WIN32
  HeldOpenFile held_{path_, 0};
#endif
};

}  // namespace zararod::testing

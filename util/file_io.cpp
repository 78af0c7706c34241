#include "util/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "util/file_errors.h"

namespace zararod {
namespace {

// Closes a descriptor when the scope is left.
class FdCloser {
 public:
  explicit FdCloser(int fd) : fd_(fd) {}
  ~FdCloser() {
    if (fd_ >= 0) ::close(fd_);
  }
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;

 private:
  int fd_;
};

// open(2), retried when a signal interrupts it; -1 with errno set on failure.
int openRetrying(const std::string& fileName, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(fileName.c_str(), flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int createForWriting(const std::string& fileName) {
  const int fd = openRetrying(fileName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw EFCreateError(fileName, errno);
  return fd;
}

void writeAll(int fd, const std::string& fileName, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EWriteError(fileName, errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace

std::string readFileBytes(const std::string& fileName) {
  const int fd = openRetrying(fileName, O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EFOpenError(fileName, errno);
  FdCloser closer(fd);
  std::string content;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EReadError(fileName, errno);
    }
    if (n == 0) break;
    content.append(buffer, static_cast<std::size_t>(n));
  }
  return content;
}

void writeFileBytes(const std::string& fileName, std::string_view bytes) {
  OutputFile file(fileName);
  file.write(bytes);
  file.close();
}

OutputFile::OutputFile(std::string fileName)
    : fileName_(std::move(fileName)), fd_(createForWriting(fileName_)) {}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
}

void OutputFile::write(std::string_view bytes) { writeAll(fd_, fileName_, bytes); }

void OutputFile::close() {
  if (fd_ < 0) return;
  const int fd = fd_;
  fd_ = -1;
  // A failing close may be the first report of a lost write (for example on
  // a network file system); EINTR is not retried, the descriptor is gone.
  if (::close(fd) != 0 && errno != EINTR) throw EWriteError(fileName_, errno);
}

}  // namespace zararod

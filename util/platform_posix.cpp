// util/platform on Linux and other POSIX systems.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <ctime>
#include <system_error>
#include <thread>

#include "util/platform.h"
#include "util/platform_internal.h"

extern char** environ;

namespace zararod {
namespace {

bool isExecutableFile(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

// posix_spawn attributes and file actions, released on every path.
class SpawnSetup {
 public:
  SpawnSetup() {
    ::posix_spawnattr_init(&attributes_);
    ::posix_spawn_file_actions_init(&actions_);
    // The program starts with no blocked signals and default handlers, and
    // without the caller's descriptors (server sockets, open files).
    sigset_t none;
    sigemptyset(&none);
    ::posix_spawnattr_setsigmask(&attributes_, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int sig = 1; sig < NSIG; ++sig)
      if (sig != SIGKILL && sig != SIGSTOP) sigaddset(&defaults, sig);
    ::posix_spawnattr_setsigdefault(&attributes_, &defaults);
    ::posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    ::posix_spawn_file_actions_addclosefrom_np(&actions_, 3);
  }
  ~SpawnSetup() {
    ::posix_spawn_file_actions_destroy(&actions_);
    ::posix_spawnattr_destroy(&attributes_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  const posix_spawnattr_t* attributes() const { return &attributes_; }
  const posix_spawn_file_actions_t* actions() const { return &actions_; }

 private:
  posix_spawnattr_t attributes_;
  posix_spawn_file_actions_t actions_;
};

void waitForExit(pid_t pid) {
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

// Makes a finished rename in the directory durable.
void syncDirectoryOf(const std::string& fileName) {
  const std::size_t slash = fileName.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : fileName.substr(0, slash + 1);
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::string exeFileName() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buffer.size())
      return std::string(buffer.data(), static_cast<std::size_t>(n));
    buffer.resize(buffer.size() * 2);
  }
}

double FileDateTime(const std::string& FileName) {
  struct stat info;
  if (::stat(FileName.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return 0;
  std::tm local{};
  const std::time_t written = info.st_mtim.tv_sec;
  if (::localtime_r(&written, &local) == nullptr) return 0;
  return platform_detail::fatDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                      local.tm_hour, local.tm_min, local.tm_sec);
}

int startProgram(const std::vector<std::string>& arguments, bool Wait) {
  if (arguments.empty() || arguments.front().empty()) return ENOENT;
  std::string program = arguments.front();
  if (program.find('/') == std::string::npos) {
    auto found = platform_detail::findProgram(program, ':', isExecutableFile);
    if (!found) return ENOENT;
    program = std::move(*found);
  }
  // posix_spawn takes the argument strings as non-const.
  std::vector<std::string> copies = arguments;
  std::vector<char*> argv;
  for (std::string& argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);

  SpawnSetup setup;
  pid_t pid = 0;
  // Reports the exec's failure too (a file that is not a program, no
  // permission), not only the fork's.
  if (const int error = ::posix_spawn(&pid, program.c_str(), setup.actions(),
                                      setup.attributes(), argv.data(), environ))
    return error;
  if (Wait) {
    waitForExit(pid);
  } else {
    // Nobody waits for the program; reap it when it ends so that it does not
    // stay behind as a zombie while this process runs on. Should no thread be
    // available, the program still runs; only its exit entry stays behind.
    try {
      std::thread(waitForExit, pid).detach();
    } catch (const std::system_error&) {
    }
  }
  return 0;
}

bool fileExists(const std::string& FileName) {
  struct stat info;
  return ::stat(FileName.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool deleteFile(const std::string& FileName) {
  struct stat info;
  if (::lstat(FileName.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
  return ::unlink(FileName.c_str()) == 0;
}

std::string systemErrorMessage(int errorNumber) {
  char buffer[256];
  // The GNU strerror_r returns the message, which need not be in buffer.
  return ::strerror_r(errorNumber, buffer, sizeof buffer);
}

void useUtf8Console() {}

std::string tahomaFontFolder() { return "/usr/share/wine/fonts/"; }

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

void makeRunnable(const std::string& FileName) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::perms current = fs::status(FileName, error).permissions();
  if (error) return;
  fs::perms run = fs::perms::none;
  if ((current & fs::perms::owner_read) != fs::perms::none) run |= fs::perms::owner_exec;
  if ((current & fs::perms::group_read) != fs::perms::none) run |= fs::perms::group_exec;
  if ((current & fs::perms::others_read) != fs::perms::none) run |= fs::perms::others_exec;
  fs::permissions(FileName, run, fs::perm_options::add, error);
}

long double readLongDouble(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);  // never the locale's
  return value;
}

std::filesystem::path nativePath(const std::string& FileName) { return FileName; }

FilePtr openFile(const std::string& FileName, const char* Mode) {
  // "e": the descriptor is closed in started programs.
  return FilePtr(std::fopen(FileName.c_str(), (std::string(Mode) + "e").c_str()));
}

bool flushToDisk(std::FILE* file) {
  return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
}

int replaceFile(const std::string& From, const std::string& To) {
  if (::rename(From.c_str(), To.c_str()) != 0) return errno;
  syncDirectoryOf(To);
  return 0;
}

}  // namespace zararod

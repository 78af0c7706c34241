#include "util/platform.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "util/date_time.h"

extern char** environ;

namespace zararod {
namespace {

// The command line cut into tokens at blanks and tabs outside double quotes;
// the quotes themselves are dropped.
std::vector<std::string> splitCommandLine(const std::string& commandLine) {
  std::vector<std::string> tokens;
  std::string token;
  bool inToken = false;
  bool quoted = false;
  for (char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
      inToken = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (inToken) tokens.push_back(std::move(token));
      token.clear();
      inToken = false;
    } else {
      token += c;
      inToken = true;
    }
  }
  if (inToken) tokens.push_back(std::move(token));
  return tokens;
}

bool isExecutableFile(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

// The file to start for a bare program name: the first executable file of
// that name in the executable's directory, the current directory, then PATH.
// REQUIRES: name is not empty and holds no "/".
std::optional<std::string> findProgram(const std::string& name) {
  std::vector<std::string> candidates;
  if (const std::string exeDir = ExePath(); !exeDir.empty()) candidates.push_back(exeDir + name);
  candidates.push_back("./" + name);
  if (const char* path = std::getenv("PATH")) {
    std::string_view rest = path;
    for (;;) {
      const std::size_t colon = rest.find(':');
      const std::string_view dir = rest.substr(0, colon);
      candidates.push_back(dir.empty() ? "./" + name : std::string(dir) + "/" + name);
      if (colon == std::string_view::npos) break;
      rest.remove_prefix(colon + 1);
    }
  }
  for (const std::string& candidate : candidates)
    if (isExecutableFile(candidate)) return candidate;
  return std::nullopt;
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

std::string ExePath() {
  const std::string exe = exeFileName();
  const std::size_t slash = exe.rfind('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

double FileDateTime(const std::string& FileName) {
  struct stat info;
  if (::stat(FileName.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return 0;
  std::tm local{};
  const std::time_t written = info.st_mtim.tv_sec;
  if (::localtime_r(&written, &local) == nullptr) return 0;
  const int year = local.tm_year + 1900;
  // The packed date of the FAT file system holds the years 1980 to 2107 and
  // the seconds in steps of two.
  if (year < 1980 || year > 2107) return 0;
  const int second = (local.tm_sec > 59 ? 59 : local.tm_sec) / 2 * 2;
  const auto date = tryEncodeDate(year, local.tm_mon + 1, local.tm_mday);
  const auto time = tryEncodeTime(local.tm_hour, local.tm_min, second);
  if (!date || !time) return 0;
  return combineDateTime(*date, *time);
}

int startProgram(const std::vector<std::string>& arguments, bool Wait) {
  if (arguments.empty() || arguments.front().empty()) return ENOENT;
  std::string program = arguments.front();
  if (program.find('/') == std::string::npos) {
    std::optional<std::string> found = findProgram(program);
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

bool RunProgram(const std::string& CommandLine, bool /*Hidden*/, bool Wait) {
  return startProgram(splitCommandLine(CommandLine), Wait) == 0;
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

}  // namespace zararod

// The programs a test starts, in one place:
//  - runWithOutputToFiles runs a program to its end with its standard output
//    and error in files, and gives its exit code;
//  - KillableProgram starts one that the test can kill outright, as a user
//    ends a hung program or the PC loses power: no handler of the program
//    runs. Its standard output goes nowhere. KillableProgram(path,
//    arguments) starts it and throws std::runtime_error when it cannot. The
//    destructor kills it if the test has not, and waits for it, so no
//    program outlives its test. Not copyable or movable.
// On Windows both start the program through testing/windows_process.h.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "testing/windows_process.h"
#include "util/platform.h"

#ifndef _WIN32
#include <cstdlib>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;
#endif

namespace zararod::testing {

// Runs `program` (named as the build names it: a host path) with the
// command-line text `arguments` (blanks separate; no file names with blanks)
// in the current directory, with its standard output and error written to
// the files outFile and errFile. Returns the program's exit code; -1 when it
// could not be started or did not end normally.
inline int runWithOutputToFiles(const std::string& program, const std::string& arguments,
                                const std::string& outFile, const std::string& errFile) {
#ifdef _WIN32
  const OwnedHandle out = inheritableOutput(nativePath(outFile), CREATE_ALWAYS);
  const OwnedHandle err = inheritableOutput(nativePath(errFile), CREATE_ALWAYS);
  if (out.get() == INVALID_HANDLE_VALUE || err.get() == INVALID_HANDLE_VALUE) return -1;
  const OwnedHandle process =
      startProgram(program, nativePath(arguments).wstring(), out.get(), err.get());
  if (!process) return -1;
  ::WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  return ::GetExitCodeProcess(process.get(), &code) ? static_cast<int>(code) : -1;
#else
  const std::string command =
      program + " " + arguments + " >'" + outFile + "' 2>'" + errFile + "'";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

class KillableProgram {
 public:
  KillableProgram(const std::string& path, const std::vector<std::string>& arguments) {
#ifdef _WIN32
    // The test's arguments hold no blank or quote.
    std::wstring line;
    for (const std::string& argument : arguments) {
      line += (line.empty() ? L"" : L" ") + nativePath(argument).wstring();
    }
    nowhere_ = inheritableOutput(L"NUL", OPEN_EXISTING);
    process_ = startProgram(path, line, nowhere_.get(), nowhere_.get());
    if (!process_) throw std::runtime_error("cannot start " + path);
#else
    std::vector<std::string> words = {path};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int error = posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) throw std::runtime_error("cannot start " + path);
#endif
  }

  ~KillableProgram() {
    if (running_) kill();
  }

  KillableProgram(const KillableProgram&) = delete;
  KillableProgram& operator=(const KillableProgram&) = delete;

  // Kills the program and waits for it. True when it was still running,
  // false when it had already ended by itself.
  bool kill() {
    running_ = false;
#ifdef _WIN32
    HANDLE process = process_.get();
    const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    ::TerminateProcess(process, kKilledExitCode);
    ::WaitForSingleObject(process, INFINITE);
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process, &exitCode);
    return !ended && exitCode == kKilledExitCode;
#else
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
#endif
  }

 private:
  bool running_ = true;
#ifdef _WIN32
  static constexpr UINT kKilledExitCode = 137;
  OwnedHandle nowhere_;  // NUL, the program's output; closed after the process
  OwnedHandle process_;
#else
  pid_t pid_ = 0;
#endif
};

}  // namespace zararod::testing

// A program started by a test that the test can kill outright, as a user
// ends a hung program or the PC loses power: no handler of the program runs.
// Its standard output goes nowhere.
//
// KillableProgram(path, arguments) starts it and throws std::runtime_error
// when it cannot. The destructor kills it if the test has not, and waits for
// it, so no program outlives its test. Not copyable or movable.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "testing/windows_process.h"
#include "util/platform.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;
#endif

namespace zararod::testing {

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

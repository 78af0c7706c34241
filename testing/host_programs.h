// Running programs of the machine that runs the tests (python3, openssl,
// shell scripts of scripts/) from a test, on every system the tests run on.
//
// On Linux that is the test's own system. The Windows build's tests run
// under Wine on a Linux host: there a Linux program is started through
// Wine's own support for Unix programs (CreateProcessW on the program's
// Z:\ path), and the file names it is given or prints are Linux paths. The
// two path functions translate between a test's file names (cp1250 bytes,
// as the program uses them) and the host's; off Windows they change nothing.
//
// Under Wine a started Unix program gets no process handle and no pipes of
// ours, so everything goes through files: runHostShell waits for a status
// file that the shell writes as its last act.
#pragma once

#ifdef _WIN32
#include "testing/windows_api.h"
#else
#include <spawn.h>
#include <sys/wait.h>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "testing/temp_dir.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace zararod::testing {

#ifdef _WIN32
namespace host_detail {

inline std::wstring wideOf(const std::string& cp1250) {
  const int size = ::MultiByteToWideChar(1250, 0, cp1250.data(), static_cast<int>(cp1250.size()),
                                         nullptr, 0);
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(1250, 0, cp1250.data(), static_cast<int>(cp1250.size()), text.data(),
                        size);
  return text;
}

// Wine's own translation of a Windows path to the host's (kernel32 of Wine
// exports it; a real Windows has none).
inline std::string unixNameOf(const std::wstring& windowsPath) {
  using Translate = char* (*)(const wchar_t*);
  const auto translate = reinterpret_cast<Translate>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (translate == nullptr)
    throw std::runtime_error("not running under Wine: no Linux host to run programs on");
  char* name = translate(windowsPath.c_str());
  if (name == nullptr) throw std::runtime_error("no host path for a Windows path");
  std::string result = name;
  ::HeapFree(::GetProcessHeap(), 0, name);
  return result;
}

}  // namespace host_detail
#endif

// The host's name of a file of the test (a directory keeps no trailing
// separator of its own; a trailing separator is kept as "/").
inline std::string hostPath(const std::string& path) {
#ifdef _WIN32
  const bool directoryForm = !path.empty() && (path.back() == '\\' || path.back() == '/');
  std::string name = host_detail::unixNameOf(host_detail::wideOf(path));
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  return directoryForm ? name + "/" : name;
#else
  return path;
#endif
}

// The test's name of a host file (an absolute Linux path): under Wine the
// same file on drive Z:, which maps the host's root.
inline std::string pathOfHostFile(const std::string& hostName) {
#ifdef _WIN32
  std::string name = "Z:" + hostName;
  for (char& c : name)
    if (c == '/') c = '\\';
  return name;
#else
  return hostName;
#endif
}

// Runs `script` with the host's /bin/sh, with the arguments as $1, $2, ...,
// waits until it ends and returns its exit status. The script's standard
// input, output and error are the test's (under Wine: the host's of the Wine
// process), so scripts write what the test reads into files. Throws
// std::runtime_error when the shell cannot be started, or (under Wine) when
// it has not ended within `limit`.
inline int runHostShell(const std::string& script, const std::vector<std::string>& arguments,
                        std::chrono::seconds limit = std::chrono::seconds(120)) {
#ifdef _WIN32
  const TempDir statusDir;
  const std::string status = hostPath(statusDir.file("status"));
  // The exit status reaches the status file in one step (a rename), so a
  // half-written number is never read.
  // The script runs as a function in a subshell, so that its "exit" ends
  // only itself.
  const std::string wrapped = "s=\"$1\"; shift; run() (\n" + script +
                              "\n); run \"$@\"; echo $? > \"$s.part\" && mv \"$s.part\" \"$s\"";
  // The shell's command line, split by Wine into the Unix arguments by the
  // C runtime's rules: each argument quoted, quotes inside escaped.
  const auto quoted = [](const std::string& argument) {
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : host_detail::wideOf(argument)) {
      if (c == L'\\') {
        ++backslashes;
        continue;
      }
      text.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
      backslashes = 0;
      text += c;
    }
    text.append(backslashes * 2, L'\\');
    return text + L"\"";
  };
  std::wstring line = L"sh -c " + quoted(wrapped) + L" sh " + quoted(status);
  for (const std::string& argument : arguments) line += L" " + quoted(argument);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
    throw std::runtime_error("cannot start the host's /bin/sh");
  // Wine gives no handles for a Unix process; close any it might give.
  if (process.hProcess != nullptr) ::CloseHandle(process.hProcess);
  if (process.hThread != nullptr) ::CloseHandle(process.hThread);
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!std::filesystem::exists(statusDir.file("status"))) {
    if (std::chrono::steady_clock::now() > deadline)
      throw std::runtime_error("the host shell did not end: " + script);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::ifstream in(statusDir.file("status"));
  int exitStatus = -1;
  in >> exitStatus;
  return exitStatus;
#else
  (void)limit;
  std::vector<const char*> argv = {"sh", "-c", script.c_str(), "sh"};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv.data()), environ) != 0)
    throw std::runtime_error("cannot start /bin/sh");
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
#endif
}

}  // namespace zararod::testing

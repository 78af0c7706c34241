// Test support for zararod-cli's output: what a run wrote to a tmpfile()
// stream that stood in for the terminal, and a run of the program itself
// with its output and errors in files.
#pragma once

#ifdef _WIN32
#include "testing/windows_api.h"
#else
#include <sys/wait.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <string>

#include "testing/host_programs.h"
#include "util/platform.h"

namespace zararod {

// Everything written to `file` (a tmpfile() stream, at its end); closes it.
inline std::string capturedText(std::FILE* file) {
  std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  text.resize(std::fread(text.data(), 1, text.size(), file));
  std::fclose(file);
  return text;
}

// Runs `program` (named as the build names it: a host path) with the
// command-line text `arguments` (blanks separate; no file names with blanks)
// in the current directory, with its standard output and error written to
// the files outFile and errFile. Returns the program's exit code; -1 when it
// could not be started or did not end normally.
inline int runWithOutputToFiles(const std::string& program, const std::string& arguments,
                                const std::string& outFile, const std::string& errFile) {
#ifdef _WIN32
  // Directly, not through cmd.exe: the program's path is quoted, and the
  // files are handed over as its standard handles.
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  const auto create = [&](const std::string& name) {
    return ::CreateFileW(nativePath(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  const HANDLE out = create(outFile);
  const HANDLE err = create(errFile);
  int exitCode = -1;
  if (out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE) {
    std::wstring line = L"\"" + nativePath(testing::pathOfHostFile(program)).wstring() + L"\" " +
                        nativePath(arguments).wstring();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                         &startup, &process)) {
      ::WaitForSingleObject(process.hProcess, INFINITE);
      DWORD code = 0;
      if (::GetExitCodeProcess(process.hProcess, &code)) exitCode = static_cast<int>(code);
      ::CloseHandle(process.hProcess);
      ::CloseHandle(process.hThread);
    }
  }
  if (out != INVALID_HANDLE_VALUE) ::CloseHandle(out);
  if (err != INVALID_HANDLE_VALUE) ::CloseHandle(err);
  return exitCode;
#else
  const std::string command =
      program + " " + arguments + " >'" + outFile + "' 2>'" + errFile + "'";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

}  // namespace zararod

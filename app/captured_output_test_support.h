// Test support for zararod-cli's output: what a run wrote to a tmpfile()
// stream that stood in for the terminal, and a run of the program itself
// with its output and errors in files.
#pragma once

#ifdef _WIN32
#include "testing/windows_process.h"
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
  const testing::OwnedHandle out = testing::inheritableOutput(nativePath(outFile), CREATE_ALWAYS);
  const testing::OwnedHandle err = testing::inheritableOutput(nativePath(errFile), CREATE_ALWAYS);
  if (out.get() == INVALID_HANDLE_VALUE || err.get() == INVALID_HANDLE_VALUE) return -1;
  const testing::OwnedHandle process =
      testing::startProgram(program, nativePath(arguments).wstring(), out.get(), err.get());
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

}  // namespace zararod

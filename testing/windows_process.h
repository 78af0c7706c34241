// Starting a program from a test on Windows with its standard output and
// error handed over as handles, and the handles a test owns. Off Windows it
// is empty.
#pragma once

#ifdef _WIN32
#include <filesystem>
#include <memory>
#include <string>

#include "testing/host_programs.h"
#include "testing/windows_api.h"
#include "util/platform.h"

namespace zararod::testing {

// A handle the test owns, closed when it goes; null or INVALID_HANDLE_VALUE
// holds nothing to close.
struct HandleCloser {
  void operator()(HANDLE handle) const {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

// The file `name` opened for writing, inheritable by a started program (as
// its output): created anew with CREATE_ALWAYS, or a device such as "NUL"
// with OPEN_EXISTING. Holds INVALID_HANDLE_VALUE when it cannot be opened.
inline OwnedHandle inheritableOutput(const std::filesystem::path& name, DWORD disposition) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  return OwnedHandle(::CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inheritable, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Starts `program` (named as the build names it: a host path) directly, not
// through cmd.exe, with the command-line text `arguments` after its quoted
// name, its standard output and error going to `output` and `error`
// (inheritable) and its input the test's own. Returns the process, null
// when it could not be started.
inline OwnedHandle startProgram(const std::string& program, const std::wstring& arguments,
                                HANDLE output, HANDLE error) {
  std::wstring line = L"\"" + nativePath(pathOfHostFile(program)).wstring() + L"\"";
  if (!arguments.empty()) line += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = output;
  startup.hStdError = error;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return nullptr;
  }
  ::CloseHandle(process.hThread);
  return OwnedHandle(process.hProcess);
}

}  // namespace zararod::testing
#endif

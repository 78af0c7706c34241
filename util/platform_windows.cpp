// util/platform on Windows. File names are cp1250 inside the program and
// UTF-16 at the system: every call here is a wide-character one.
#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "util/cp1250.h"
#include "util/platform.h"
#include "util/platform_internal.h"

namespace zararod {
namespace {

std::wstring wide(const std::string& cp1250) {
  const std::u16string text = cp1250ToUtf16(cp1250);
  return std::wstring(text.begin(), text.end());
}

std::string narrow(const wchar_t* text, std::size_t length) {
  return utf16ToCp1250(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

// CreateProcess's answer for a program that asks for administrator rights
// (a setup program that installs into Program Files).
constexpr DWORD kElevationRequired = 740;

// The errno value closest to a Windows error code, so that callers report
// every failure through systemErrorMessage.
int errnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case kElevationRequired:
    case ERROR_CANCELLED:
      return EACCES;
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_EXE_MARKED_INVALID:
    case ERROR_BAD_FORMAT:
      return ENOEXEC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    default:
      return EIO;
  }
}

bool attributesOf(const std::string& name, WIN32_FILE_ATTRIBUTE_DATA& data) {
  return ::GetFileAttributesExW(wide(name).c_str(), GetFileExInfoStandard, &data) != 0;
}

bool isFile(const std::string& name) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return attributesOf(name, data) && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A program file: an existing file; a name without an extension means the
// same name with ".exe", as Windows' own search takes it.
std::optional<std::string> asProgram(const std::string& name) {
  const std::size_t base = name.find_last_of("\\/:");
  const bool hasExtension =
      name.find('.', base == std::string::npos ? 0 : base + 1) != std::string::npos;
  const std::string file = hasExtension ? name : name + ".exe";
  if (isFile(file)) return file;
  return std::nullopt;
}

// One argument as the C runtime's command-line splitter reads it back:
// quoted when it holds blanks, tabs or quotes or is empty; a quote inside is
// preceded by a backslash, and the backslashes before a quote (or before the
// closing quote) are doubled.
void appendArgument(std::wstring& line, const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += argument;
    return;
  }
  line += L'"';
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') backslashes = backslashes * 2 + 1;
    line.append(backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

// Closes a Windows handle when the scope is left.
class HandleCloser {
 public:
  explicit HandleCloser(HANDLE handle) : handle_(handle) {}
  ~HandleCloser() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  HandleCloser(const HandleCloser&) = delete;
  HandleCloser& operator=(const HandleCloser&) = delete;

 private:
  HANDLE handle_;
};

// The list of handles a started program inherits: the standard input, output
// and error of this process that exist, and nothing else (no server socket,
// no open file). Empty when the system cannot restrict inheritance; the
// program then inherits no handle at all.
class InheritedHandles {
 public:
  InheritedHandles() {
    for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
      const HANDLE handle = ::GetStdHandle(which);
      if (handle == nullptr || handle == INVALID_HANDLE_VALUE) continue;
      bool seen = false;
      for (HANDLE listed : handles_) seen = seen || listed == handle;
      if (seen || !::SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT))
        continue;
      handles_.push_back(handle);
    }
    if (handles_.empty()) return;
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    storage_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
    if (!::InitializeProcThreadAttributeList(list, 1, 0, &size)) {
      storage_.clear();
      return;
    }
    if (!::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                     handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
      ::DeleteProcThreadAttributeList(list);
      storage_.clear();
    }
  }
  ~InheritedHandles() {
    if (!storage_.empty()) ::DeleteProcThreadAttributeList(list());
  }
  InheritedHandles(const InheritedHandles&) = delete;
  InheritedHandles& operator=(const InheritedHandles&) = delete;

  bool any() const { return !storage_.empty(); }
  LPPROC_THREAD_ATTRIBUTE_LIST list() {
    return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
  }

 private:
  std::vector<HANDLE> handles_;
  std::vector<unsigned char> storage_;
};

// Starts a program that asks for administrator rights through the shell,
// which asks the user to allow it; CreateProcess cannot start such a program.
int startElevated(const std::wstring& application, const std::vector<std::string>& arguments,
                  bool wait) {
  std::wstring parameters;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (i > 1) parameters += L' ';
    appendArgument(parameters, wide(arguments[i]));
  }
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpFile = application.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&info)) return errnoOf(::GetLastError());
  HandleCloser processCloser(info.hProcess);
  if (wait && info.hProcess != nullptr) ::WaitForSingleObject(info.hProcess, INFINITE);
  return 0;
}

}  // namespace

std::string exeFileName() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return narrow(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

double FileDateTime(const std::string& FileName) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!attributesOf(FileName, data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return 0;
  FILETIME local;
  SYSTEMTIME time;
  if (!::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
      !::FileTimeToSystemTime(&local, &time))
    return 0;
  return platform_detail::fatDateTime(time.wYear, time.wMonth, time.wDay, time.wHour,
                                      time.wMinute, time.wSecond);
}

int startProgram(const std::vector<std::string>& arguments, bool Wait) {
  if (arguments.empty() || arguments.front().empty()) return ENOENT;
  const std::string& name = arguments.front();
  const bool bare = name.find_first_of("\\/:") == std::string::npos;
  std::optional<std::string> program =
      bare ? platform_detail::findProgram(name, ';',
                                          [](const std::string& c) { return asProgram(c).has_value(); })
           : asProgram(name);
  if (bare && program) program = asProgram(*program);
  if (!program) return ENOENT;

  const std::wstring application = wide(*program);
  // The program's own name is read without backslash escapes: quote it
  // plainly (a Windows file name holds no quote).
  std::wstring line = L'"' + wide(name) + L'"';
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    line += L' ';
    appendArgument(line, wide(arguments[i]));
  }

  InheritedHandles inherited;
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  DWORD flags = 0;
  if (inherited.any()) {
    startup.lpAttributeList = inherited.list();
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.StartupInfo.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.StartupInfo.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    flags |= EXTENDED_STARTUPINFO_PRESENT;
  }
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, inherited.any(), flags,
                        nullptr, nullptr, &startup.StartupInfo, &process)) {
    const DWORD error = ::GetLastError();
    if (error != kElevationRequired) return errnoOf(error);
    return startElevated(application, arguments, Wait);
  }
  HandleCloser processCloser(process.hProcess);
  HandleCloser threadCloser(process.hThread);
  if (Wait) ::WaitForSingleObject(process.hProcess, INFINITE);
  return 0;
}

bool fileExists(const std::string& FileName) { return isFile(FileName); }

bool deleteFile(const std::string& FileName) {
  return isFile(FileName) && ::DeleteFileW(wide(FileName).c_str()) != 0;
}

std::string systemErrorMessage(int errorNumber) {
  // The C runtime's strerror keeps its text per thread.
  return std::strerror(errorNumber);
}

void useUtf8Console() { ::SetConsoleOutputCP(CP_UTF8); }

std::string tahomaFontFolder() { return ExePath(); }

bool isTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

void makeRunnable(const std::string&) {}

long double readLongDouble(std::string_view text) {
  // mingw's strtold is exact, but reads the decimal point of the C locale in
  // force, which the copy therefore carries.
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::string copy(text);
  if (const std::size_t point = copy.find('.'); point != std::string::npos)
    copy.replace(point, 1, std::localeconv()->decimal_point);
  return __mingw_strtold(copy.c_str(), nullptr);
}

std::filesystem::path nativePath(const std::string& FileName) { return wide(FileName); }

FilePtr openFile(const std::string& FileName, const char* Mode) {
  const std::string mode = Mode;
  if (mode.find('x') != std::string::npos) {
    // The C runtime's fopen knows no "x" (create, never reuse an existing
    // file): create the file exclusively and open a stream on it.
    const int fd = ::_wopen(wide(FileName).c_str(),
                            _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                            _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* file = ::_fdopen(fd, "wb");
    if (file == nullptr) ::_close(fd);
    return FilePtr(file);
  }
  // "N": the handle is not inherited by started programs.
  return FilePtr(::_wfopen(wide(FileName).c_str(), wide(mode + "N").c_str()));
}

bool flushToDisk(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
  return handle != INVALID_HANDLE_VALUE && ::FlushFileBuffers(handle) != 0;
}

int replaceFile(const std::string& From, const std::string& To) {
  if (!::MoveFileExW(wide(From).c_str(), wide(To).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return errnoOf(::GetLastError());
  return 0;
}

}  // namespace zararod

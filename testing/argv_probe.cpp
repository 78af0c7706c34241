// A small program that tests start, to see what it receives: it writes its
// own full path and then each of its arguments, every item followed by a NUL
// byte, to the file named by its first argument. Names and arguments are
// written as cp1250 bytes (on Windows converted from the UTF-16 command line
// that the C runtime split; elsewhere as received).
//
// Started without arguments it is a stand-in for a program that a test only
// needs to see started (a setup program): a copy of it may carry a trailer,
// "ZR-MARK:" and a file name and "\n" appended to its own bytes (which the
// system's loader ignores); it then writes "started\n" to that file.
//
// Two environment variables shape its run, for tests of waiting:
//   ZR_PROBE_AFTER     a file name: the probe waits until that file exists
//                      before it writes (for a test that must see it run on)
//   ZR_PROBE_DELAY_MS  milliseconds to wait before it writes
// Exit code 0 when the file was written, 2 without arguments or trailer, 1
// otherwise.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>

namespace {

std::string cp1250Of(const wchar_t* text) {
  const int size = ::WideCharToMultiByte(1250, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(1250, 0, text, -1, bytes.data(), size, nullptr, nullptr);
  bytes.pop_back();  // the terminating NUL
  return bytes;
}

std::wstring wideOf(const std::string& cp1250) {
  const int size = ::MultiByteToWideChar(1250, 0, cp1250.c_str(), -1, nullptr, 0);
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(1250, 0, cp1250.c_str(), -1, text.data(), size);
  text.pop_back();
  return text;
}

bool exists(const std::string& name) {
  return ::GetFileAttributesW(wideOf(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::FILE* create(const std::string& name) { return ::_wfopen(wideOf(name).c_str(), L"wb"); }

std::string ownPath() {
  wchar_t buffer[32768];
  const DWORD n = ::GetModuleFileNameW(nullptr, buffer, 32768);
  return n == 0 || n >= 32768 ? std::string() : cp1250Of(buffer);
}

}  // namespace

int run(const std::vector<std::string>& arguments);

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(cp1250Of(argv[i]));
  return run(arguments);
}

#else
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool exists(const std::string& name) {
  struct stat info;
  return ::stat(name.c_str(), &info) == 0;
}

std::FILE* create(const std::string& name) { return std::fopen(name.c_str(), "wb"); }

std::string ownPath() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
  return n <= 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(n));
}

}  // namespace

int run(const std::vector<std::string>& arguments);

int main(int argc, char** argv) { return run(std::vector<std::string>(argv + 1, argv + argc)); }

#endif

namespace {

// The file named by the trailer of the probe's own file; empty without one.
std::string markFile() {
  std::FILE* self = nullptr;
#ifdef _WIN32
  self = ::_wfopen(wideOf(ownPath()).c_str(), L"rb");
#else
  self = std::fopen(ownPath().c_str(), "rb");
#endif
  if (self == nullptr) return {};
  std::string bytes;
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, self)) > 0;) bytes.append(buffer, n);
  std::fclose(self);
  const std::size_t tag = bytes.rfind("ZR-MARK:");
  if (tag == std::string::npos || bytes.back() != '\n') return {};
  std::string name = bytes.substr(tag + 8, bytes.size() - tag - 9);
  return name.find('\0') == std::string::npos ? name : std::string();
}

}  // namespace

int run(const std::vector<std::string>& arguments) {
  if (arguments.empty()) {
    const std::string mark = markFile();
    if (mark.empty()) return 2;
    std::FILE* out = create(mark);
    if (out == nullptr) return 1;
    const bool written = std::fputs("started\n", out) >= 0;
    return std::fclose(out) == 0 && written ? 0 : 1;
  }
  if (const char* delay = std::getenv("ZR_PROBE_DELAY_MS"))
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(delay)));
  if (const char* after = std::getenv("ZR_PROBE_AFTER"); after != nullptr && *after != '\0') {
    while (!exists(after)) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::FILE* out = create(arguments.front());
  if (out == nullptr) return 1;
  std::string text = ownPath() + '\0';
  for (const std::string& argument : arguments) text += argument + '\0';
  const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  return std::fclose(out) == 0 && written ? 0 : 1;
}

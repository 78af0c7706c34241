// The services of the operating system that the program uses: the directory
// of the running executable, file times, opening, replacing, existence and
// deletion of files, and starting another program.
//
// Everything platform-specific of the program lives behind this header, with
// one implementation file per system (platform_posix.cpp, platform_windows.cpp)
// and the rules they share in platform.cpp. File names are cp1250 byte
// strings: on Linux they are passed to the system unchanged, on Windows they
// are converted to UTF-16 with the program's own cp1250 table and passed to
// the system's wide-character calls, so the program's files may sit in a
// folder of any name that cp1250 can spell, on a Windows of any language.
// Nothing here throws apart from std::bad_alloc.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zararod {

#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif

// The separator of a path's parts: "\" on Windows, "/" elsewhere.
inline constexpr char kPathSeparator = kWindows ? '\\' : '/';

// What a program's file name ends in: ".exe" on Windows, nothing elsewhere.
inline constexpr const char* kExecutableSuffix = kWindows ? ".exe" : "";

// True where TLS peers are verified against the system's own root
// certificates, which OpenSSL does not read by itself (Windows' store);
// elsewhere OpenSSL's default store is the system's.
inline constexpr bool kTlsNeedsSystemRootStore = kWindows;

// True where the system's fonts include Tahoma (Windows); elsewhere the
// program loads its files from tahomaFontFolder().
inline constexpr bool kSystemHasTahoma = kWindows;

// The folder, ending with the path separator, that holds tahoma.ttf and
// tahomabd.ttf where the system has no Tahoma family: the copy that Wine's
// fonts package ships on Linux, the executable's folder on Windows.
std::string tahomaFontFolder();

// True when the stream writes to a terminal (a console on Windows).
bool isTerminal(std::FILE* stream);

// Gives the file the right to run wherever it may be read (owner, group,
// others), as a program just downloaded must have before it is started.
// Nothing happens where files need no such right (Windows) or when the file
// cannot be examined.
void makeRunnable(const std::string& FileName);

// The value of a decimal number text: optional sign, digits with at most one
// ".", optional exponent, as db/ has checked it; "." is the decimal point
// whatever the locale. Exact to the precision of long double on every
// system (mingw's from_chars reads it only to that of a double).
// REQUIRES: text is such a number.
long double readLongDouble(std::string_view text);

// The directory of the running executable, ending with kPathSeparator. Files
// the program keeps beside itself are named ExePath() + a bare file name.
// Empty when the executable's path cannot be found (such names then resolve
// against the current directory).
std::string ExePath();

// The last-write time of the file as a date-time value in local time, with a
// grain of two seconds (an odd second reads as the even second below it).
// 0 when the file does not exist, cannot be examined, is a directory, or was
// last written outside the years 1980 to 2107.
double FileDateTime(const std::string& FileName);

// Starts the program arguments[0] with arguments[1...] as its arguments, each
// passed exactly as it stands (nothing is split, unquoted or interpreted; on
// Windows each is quoted by the rules the C runtime uses to split a command
// line, so blanks, quotes and backslashes arrive whole). A bare program name
// (without a path separator) is looked for in the executable's directory,
// then in the current directory, then along PATH, and the first executable
// file of that name is taken (on Windows a name without an extension is
// looked for with ".exe"); a name with a separator is taken as it stands. The
// program inherits the caller's environment and current directory but no
// open file besides standard input, output and error. With Wait the call
// blocks until the program has ended; without, the program runs on by itself
// (reaped in the background when it ends).
// Returns 0 when the process was started (its exit code is not read), else an
// error number for systemErrorMessage: ENOENT when no program of that name is
// found or arguments is empty, otherwise the reason the start failed.
int startProgram(const std::vector<std::string>& arguments, bool Wait);

// Starts the program named by the first token of CommandLine, with the
// remaining tokens as its arguments, as startProgram does. Tokens are
// separated by blanks and tabs; double quotes group blanks into a token and
// are removed (so a name holding a quote cannot be passed whole: use
// startProgram). Hidden has no meaning here (programs get no window from us);
// it is accepted for the callers' sake. Returns true exactly when the process
// was started.
bool RunProgram(const std::string& CommandLine, bool Hidden, bool Wait);

// The full file name of the running executable; empty when unknown.
std::string exeFileName();

// True when FileName names an existing file that is not a directory.
bool fileExists(const std::string& FileName);

// Deletes the file; true when it was deleted. Never deletes a directory.
bool deleteFile(const std::string& FileName);

// The system's message for an error number (errno), as strerror gives it.
std::string systemErrorMessage(int errorNumber);

// Lets a console show the UTF-8 text that the headless companion writes
// (Windows' consoles read another code page unless told). Does nothing where
// terminals take UTF-8 anyway.
void useUtf8Console();

// The path object of a cp1250 file name, for std::filesystem calls.
std::filesystem::path nativePath(const std::string& FileName);

// A C stream that is closed (without a report) when it goes out of scope.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens the file as std::fopen does with Mode ("rb", "wbx", ...); the stream
// is not inherited by programs started later. Null with errno set on failure.
FilePtr openFile(const std::string& FileName, const char* Mode);

// Writes the stream's buffered bytes and the file's data through to the disk,
// so that a power cut after this call does not leave the file empty. False
// when that fails.
bool flushToDisk(std::FILE* file);

// Renames From to To, replacing an existing To in one step (a reader sees the
// old or the new file, never none), and waits until the rename is on the
// disk. Returns 0, or an error number for systemErrorMessage.
int replaceFile(const std::string& From, const std::string& To);

}  // namespace zararod

// The services of the operating system that the program uses: the directory
// of the running executable, file times, existence and deletion of files, and
// starting another program.
//
// Everything platform-specific of the program lives behind this header, so
// that porting means replacing util/platform*.cpp. File names are cp1250 byte
// strings, passed to the system unchanged. Nothing here throws apart from
// std::bad_alloc.
#pragma once

#include <string>
#include <vector>

namespace zararod {

// The directory of the running executable, ending with the path separator
// ("/" here). Files the program keeps beside itself are named ExePath() +
// a bare file name. Empty when the executable's path cannot be found (such
// names then resolve against the current directory).
std::string ExePath();

// The last-write time of the file as a date-time value in local time, with a
// grain of two seconds (an odd second reads as the even second below it).
// 0 when the file does not exist, cannot be examined, is a directory, or was
// last written outside the years 1980 to 2107.
double FileDateTime(const std::string& FileName);

// Starts the program arguments[0] with arguments[1...] as its arguments, each
// passed exactly as it stands (nothing is split, unquoted or interpreted). A
// bare program name (without "/") is looked for in the executable's
// directory, then in the current directory, then along PATH, and the first
// executable file of that name is taken; a name with "/" is taken as it
// stands. The program inherits the caller's environment and current directory
// but no open file descriptor besides standard input, output and error. With
// Wait the call blocks until the program has ended; without, the program is
// reaped in the background when it ends.
// Returns 0 when the process was started (its exit code is not read), else
// the system's error number: ENOENT when no program of that name is found or
// arguments is empty, otherwise the reason the start failed (EACCES,
// ENOEXEC, ...).
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

}  // namespace zararod

// The rules that the system-specific parts of util/platform share: how a
// command line is cut into tokens, where a bare program name is looked for,
// and how a local time becomes a file's date-time value. Internal to util/.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zararod::platform_detail {

// The command line cut into tokens at blanks and tabs outside double quotes;
// the quotes themselves are dropped.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

// The file to start for a bare program name: the first candidate of that name
// in the executable's directory, the current directory, then each directory
// of PATH (separated by pathListSeparator), for which isProgram holds.
// REQUIRES: name is not empty and holds no path separator.
template <typename IsProgram>
std::optional<std::string> findProgram(const std::string& name, char pathListSeparator,
                                       IsProgram&& isProgram);

// A local time as a file's date-time value, with the packed date of the FAT
// file system: years 1980 to 2107, seconds in steps of two. 0 outside that
// range or for a time that is no calendar time.
double fatDateTime(int year, int month, int day, int hour, int minute, int second);

// The directories in which a bare program name is looked for, in order, each
// ending with the path separator.
std::vector<std::string> programDirectories(char pathListSeparator);

template <typename IsProgram>
std::optional<std::string> findProgram(const std::string& name, char pathListSeparator,
                                       IsProgram&& isProgram) {
  for (const std::string& dir : programDirectories(pathListSeparator))
    if (std::string candidate = dir + name; isProgram(candidate)) return candidate;
  return std::nullopt;
}

}  // namespace zararod::platform_detail

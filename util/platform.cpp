#include "util/platform.h"

#include <cstdlib>
#include <string_view>

#include "util/date_time.h"
#include "util/platform_internal.h"

namespace zararod {
namespace platform_detail {

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
  std::vector<std::string> tokens;
  std::string token;
  bool inToken = false;
  bool quoted = false;
  for (char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
      inToken = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (inToken) tokens.push_back(std::move(token));
      token.clear();
      inToken = false;
    } else {
      token += c;
      inToken = true;
    }
  }
  if (inToken) tokens.push_back(std::move(token));
  return tokens;
}

std::vector<std::string> programDirectories(char pathListSeparator) {
  const std::string here = std::string(".") + kPathSeparator;
  std::vector<std::string> dirs;
  if (std::string exeDir = ExePath(); !exeDir.empty()) dirs.push_back(std::move(exeDir));
  dirs.push_back(here);
  if (const char* path = std::getenv("PATH")) {
    std::string_view rest = path;
    for (;;) {
      const std::size_t end = rest.find(pathListSeparator);
      const std::string_view dir = rest.substr(0, end);
      if (dir.empty())
        dirs.push_back(here);
      else if (dir.back() == kPathSeparator || dir.back() == '/')
        dirs.emplace_back(dir);
      else
        dirs.push_back(std::string(dir) + kPathSeparator);
      if (end == std::string_view::npos) break;
      rest.remove_prefix(end + 1);
    }
  }
  return dirs;
}

double fatDateTime(int year, int month, int day, int hour, int minute, int second) {
  if (year < 1980 || year > 2107) return 0;
  const int even = (second > 59 ? 59 : second) / 2 * 2;
  const auto date = tryEncodeDate(year, month, day);
  const auto time = tryEncodeTime(hour, minute, even);
  if (!date || !time) return 0;
  return combineDateTime(*date, *time);
}

}  // namespace platform_detail

std::string ExePath() {
  const std::string exe = exeFileName();
  // Windows takes "/" as a separator too.
  const std::size_t separator =
      kPathSeparator == '/' ? exe.rfind('/') : exe.find_last_of(std::string{kPathSeparator, '/'});
  return separator == std::string::npos ? std::string() : exe.substr(0, separator + 1);
}

bool RunProgram(const std::string& CommandLine, bool /*Hidden*/, bool Wait) {
  return startProgram(platform_detail::splitCommandLine(CommandLine), Wait) == 0;
}

}  // namespace zararod

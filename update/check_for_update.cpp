#include "update/check_for_update.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#include "update/update_url.h"
#include "util/date_time.h"
#include "util/exception.h"
#include "util/file_io.h"
#include "util/platform.h"
#include "util/strings.h"

namespace zararod {
namespace {

constexpr const char* kLogFileName = "verze.log";

// Line number `index` (from 0) of a text whose lines end at CR LF, LF or CR;
// a NUL byte ends the text and a break at its very end starts no new line.
std::optional<std::string> lineOf(std::string_view text, size_t index) {
  text = text.substr(0, text.find('\0'));
  size_t start = 0;
  for (size_t line = 0; start < text.size(); ++line) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    if (line == index) return std::string(text.substr(start, end - start));
    start = end;
    if (start < text.size() && text[start] == '\r') ++start;
    if (start < text.size() && text[start] == '\n') ++start;
  }
  return std::nullopt;
}

bool fetch(const UpdateSite& site, const std::string& name) {
  return DownloadFile(site.baseUrl + name, site.directory + name, site.download);
}

// The setup program fetched here is started right after; give it the run
// bit wherever it may be read.
void makeRunnable(const std::string& fileName) {
#ifndef _WIN32
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::perms current = fs::status(fileName, error).permissions();
  if (error) return;
  fs::perms run = fs::perms::none;
  if ((current & fs::perms::owner_read) != fs::perms::none) run |= fs::perms::owner_exec;
  if ((current & fs::perms::group_read) != fs::perms::none) run |= fs::perms::group_exec;
  if ((current & fs::perms::others_read) != fs::perms::none) run |= fs::perms::others_exec;
  fs::permissions(fileName, run, fs::perm_options::add, error);
#else
  (void)fileName;
#endif
}

}  // namespace

UpdateSite programUpdateSite() { return UpdateSite{UpdateBaseUrl(), ExePath(), {}}; }

std::string setupFileName(const std::string& BaseName) {
  return BaseName + kSetupProgramSuffix;
}

std::string serverStamp(const std::string& line, const std::string& ExeName) {
  std::string marked = ReplaceAllText(line, ExeName, "|");
  marked = ReplaceAllText(marked, ".000", "|");
  return std::string(trimControls(GetField(marked, '|', 1)));
}

bool isNewerStamp(const std::string& server, const std::string& local) {
  // std::char_traits<char> compares bytes as unsigned char.
  return local < server;
}

std::string CheckForUpdate(const std::string& BaseName, const std::string& ExeName,
                           bool Download, const UpdateSite& site) {
  const std::string versionName = BaseName + ".ver";
  const std::string setupName = setupFileName(BaseName);
  const std::string versionFile = site.directory + versionName;

  if (fileExists(versionFile)) deleteFile(versionFile);
  try {
    fetch(site, versionName);
  } catch (const std::exception&) {
    // A version file that could not be stored is simply not there.
  }
  if (!fileExists(versionFile)) return kUpdateNoFile;

  const std::optional<std::string> line = lineOf(readFileBytes(versionFile), 1);
  if (!line) throw Exception("List index out of bounds (1)");
  const std::string server = serverStamp(*line, ExeName);
  const std::string local = DateTimeStr(FileDateTime(site.directory + ExeName));
  const char* code = isNewerStamp(server, local) ? kUpdateNewer : kUpdateNotNewer;

  writeFileBytes(site.directory + kLogFileName, "Verze programu: " + local +
                                                    "\r\nVerze internet: " + server +
                                                    "\r\n");

  if (code == std::string_view(kUpdateNewer) && Download) {
    // "A" makes the handler start the setup program and end the program, so
    // it may only stand when this check has just stored the whole new setup
    // program: a failed fetch would start an older copy, or nothing at all.
    try {
      if (fetch(site, setupName))
        makeRunnable(site.directory + setupName);
      else
        code = kUpdateFetchError;
    } catch (const std::exception&) {
      code = kUpdateFetchError;
    }
  }
  return code;
}

std::string CheckForUpdate(const std::string& BaseName, const std::string& ExeName,
                           bool Download) {
  return CheckForUpdate(BaseName, ExeName, Download, programUpdateSite());
}

}  // namespace zararod

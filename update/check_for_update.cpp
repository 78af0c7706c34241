#include "update/check_for_update.h"

#include <exception>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "update/update_signature.h"
#include "util/date_time.h"
#include "util/exception.h"
#include "util/file_io.h"
#include "util/platform.h"
#include "util/strings.h"

namespace zararod {
namespace {

constexpr const char* kLogFileName = "verze.log";

// Fetches `name` from the site into its folder, taking at most maxBytes
// (negative: no limit); a longer answer is a failed download.
bool fetch(const UpdateSite& site, const std::string& name, long long maxBytes) {
  DownloadOptions options = site.download;
  options.maxBytes = maxBytes;
  return DownloadFile(site.baseUrl + name, site.directory + name, options);
}

// Fetches the signature of the setup program `setupName` (just fetched) and
// verifies it with the site's key. Never throws: any failure is false.
bool signatureHolds(const UpdateSite& site, const std::string& setupName,
                    const std::string& signatureName) {
  try {
    return fetch(site, signatureName, kSmallFileLimit) &&
           isValidSignature(site.publicKey, readFileBytes(site.directory + signatureName),
                            readFileBytes(site.directory + setupName));
  } catch (const std::exception&) {
    return false;
  }
}

// The setup program fetched here is started right after; give it the run
// bit wherever it may be read.
void makeRunnable(const std::string& fileName) {
#ifndef _WIN32
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::perms current = fs::status(nativePath(fileName), error).permissions();
  if (error) return;
  fs::perms run = fs::perms::none;
  if ((current & fs::perms::owner_read) != fs::perms::none) run |= fs::perms::owner_exec;
  if ((current & fs::perms::group_read) != fs::perms::none) run |= fs::perms::group_exec;
  if ((current & fs::perms::others_read) != fs::perms::none) run |= fs::perms::others_exec;
  fs::permissions(nativePath(fileName), run, fs::perm_options::add, error);
#else
  (void)fileName;
#endif
}

}  // namespace

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
  const std::string signatureName = setupName + ".sig";
  const std::string versionFile = site.directory + versionName;

  for (const std::string& name : {versionName, setupName, signatureName}) {
    removeLeftoverParts(site.directory + name);
  }
  if (fileExists(versionFile)) deleteFile(versionFile);
  try {
    fetch(site, versionName, kSmallFileLimit);
  } catch (const std::exception&) {
    // A version file that could not be stored is simply not there.
  }
  if (!fileExists(versionFile)) return kUpdateNoFile;

  // The file is read as text: it ends at its first NUL byte.
  const std::string text = readFileBytes(versionFile);
  const std::vector<std::string> lines = splitLines(std::string_view(text).substr(0, text.find('\0')));
  if (lines.size() < 2) throw Exception("List index out of bounds (1)");
  const std::string server = serverStamp(lines[1], ExeName);
  const std::string local = DateTimeStr(FileDateTime(site.directory + ExeName));
  const char* code = isNewerStamp(server, local) ? kUpdateNewer : kUpdateNotNewer;

  writeFileBytes(site.directory + kLogFileName, "Verze programu: " + local +
                                                    "\r\nVerze internet: " + server +
                                                    "\r\n");

  if (code == std::string_view(kUpdateNewer) && Download) {
    // "A" makes the handler start the setup program and end the program, so
    // it may only stand when this check has just stored the whole new setup
    // program: a failed fetch would start an older copy, or nothing at all.
    bool fetched = false;
    try {
      fetched = fetch(site, setupName, site.download.maxBytes);
    } catch (const std::exception&) {
    }
    if (fetched && !site.publicKey.empty() && !signatureHolds(site, setupName, signatureName)) {
      // Never leave an unverified program where the next start would find it.
      deleteFile(site.directory + setupName);
      deleteFile(site.directory + signatureName);
      fetched = false;
    }
    if (fetched) {
      makeRunnable(site.directory + setupName);
    } else {
      code = kUpdateFetchError;
    }
  }
  return code;
}

}  // namespace zararod

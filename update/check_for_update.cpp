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

}  // namespace

std::string setupFileName(const std::string& BaseName) {
  return BaseName + kSetupProgramSuffix;
}

UpdateCheckFiles updateCheckFiles(const std::string& BaseName) {
  const std::string setupName = setupFileName(BaseName);
  return {BaseName + ".ver", setupName, setupName + ".sig", "verze.log"};
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
  const UpdateCheckFiles files = updateCheckFiles(BaseName);
  const std::string& versionName = files.version;
  const std::string& setupName = files.setup;
  const std::string& signatureName = files.signature;
  const std::string versionFile = site.directory + versionName;

  for (const std::string& name : files.all()) {
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

  writeFileBytes(site.directory + files.log, "Verze programu: " + local +
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
      // Started right after: it needs the run bit wherever it may be read.
      makeRunnable(site.directory + setupName);
    } else {
      code = kUpdateFetchError;
    }
  }
  return code;
}

}  // namespace zararod

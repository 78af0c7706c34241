// The version check behind the "kontrola" button.
//
// The update server publishes a version file (<BaseName>.ver) whose second
// line carries the time stamp of its current build, and the setup program of
// that build. CheckForUpdate fetches the version file into the executable's
// directory, compares the server's stamp with the last-write time of the local
// executable, writes both into "verze.log" there, and, when the server's build
// is newer, fetches the setup program beside the executable.
//
// Files it leaves in the directory: the version file, "verze.log" (written
// anew by every check that reaches the comparison: "Verze programu: " + the
// local stamp, then "Verze internet: " + the server's stamp, each line ending
// with CR LF), and after a newer build was found the setup program (on this
// platform made executable) with, when a key is configured, its signature
// file. The version file is deleted before every fetch; an older setup
// program stays until a new download replaces it, but is never reported as
// the new one. Temporary files that an interrupted download left behind
// ("<name>.part-<hex>" of these files) are removed at the start of a check.
//
// Signed updates: when the site holds the publisher's public key, the setup
// program counts as fetched only after its Ed25519 signature, published at
// the setup program's URL + ".sig" (base64 of the 64-byte signature, one
// line), has been fetched by the same rules and verified over the whole file
// (update/update_signature.h). Otherwise the setup program and the signature
// file are removed and the result is kUpdateFetchError, whatever the scheme
// of the base URL (an http:// URL is safe only through this check).
#pragma once

#include <string>
#include <vector>

#include "update/download_file.h"
#include "util/platform.h"

namespace zararod {

// Result codes of the check.
inline constexpr const char* kUpdateNewer = "A";       // newer build; setup fetched
inline constexpr const char* kUpdateNotNewer = "N";    // the server's build is not newer
inline constexpr const char* kUpdateNoFile = "S";      // no version file after the fetch
inline constexpr const char* kUpdateFetchError = "E";  // newer, but the setup did not arrive

// The version file and the signature are read up to this size; a longer
// answer is a failed download.
inline constexpr long long kSmallFileLimit = 1 << 20;

// The names the "kontrola" handler passes. On Windows the setup program and
// the executable carry ".exe"; elsewhere they have no extension, so that the
// local stamp is read from the program that is actually installed.
inline constexpr const char* kUpdateBaseName = "setupzararod";
inline constexpr const char* kUpdateExeName = kWindows ? "zararod.exe" : "zararod";
inline constexpr const char* kSetupProgramSuffix = kExecutableSuffix;

// Where a check looks.
struct UpdateSite {
  // Base URL of the update server; the file names are appended to it as
  // they stand, so it ends with "/" (its path ends in "knihovna/").
  std::string baseUrl;
  // The executable's directory, ending with the path separator (ExePath()).
  std::string directory;
  // Passed to every DownloadFile; the program leaves it at its default.
  // (The check itself limits the version file and the signature to
  // kSmallFileLimit.)
  DownloadOptions download;
  // The publisher's Ed25519 public key, base64 of its 32 raw bytes. Empty:
  // setup programs are not verified. A key that is not of that form makes
  // every verification fail.
  std::string publicKey;
};

// The setup program's file name: BaseName + kSetupProgramSuffix.
std::string setupFileName(const std::string& BaseName);

// The files a check with a base name leaves in the directory, by name. A
// download that was cut off may also leave "<name>.part-<hex>" of each of
// them. The setup program's uninstaller removes exactly these: the build
// writes its list from this one (update/update_files_main.cpp).
struct UpdateCheckFiles {
  std::string version;    // BaseName + ".ver"
  std::string setup;      // setupFileName(BaseName)
  std::string signature;  // setup + ".sig"
  std::string log;        // "verze.log"

  std::vector<std::string> all() const { return {version, setup, signature, log}; }
};
UpdateCheckFiles updateCheckFiles(const std::string& BaseName);

// The server's stamp extracted from the second line of a version file:
// every ExeName (letter case ignored) and every ".000" become "|", the text
// between the first and the second "|" is taken (the rest of the line when
// there is only one, nothing when there is none), and bytes up to 0x20 are
// trimmed from both ends.
std::string serverStamp(const std::string& line, const std::string& ExeName);

// True when the server's stamp is greater than the local one, comparing
// bytes as unsigned values; a proper prefix is the smaller.
bool isNewerStamp(const std::string& server, const std::string& local);

// Runs the check on `site` and returns one of the result codes above.
//
// The version file is fetched from site.baseUrl + BaseName + ".ver" into
// site.directory + BaseName + ".ver" (up to kSmallFileLimit bytes); the local
// stamp is DateTimeStr of FileDateTime of site.directory + ExeName
// (1899-12-30 00:00:00 when that file is missing). When the result is
// kUpdateNewer and Download is true, the setup program is fetched from
// site.baseUrl + setupFileName(BaseName) into site.directory under the same
// name, and with site.publicKey set its signature from the same URL + ".sig"
// into the same name + ".sig", and verified. A fetch that fails (status other
// than 200, a broken transfer) or raises, or a signature that is missing or
// does not verify, gives kUpdateFetchError, so that kUpdateNewer with
// Download always means the new (and, with a key, verified) setup program is
// there.
//
// Throws (and then writes no log and fetches no setup program):
//  - Exception "List index out of bounds (1)" when the version file has fewer
//    than two lines;
//  - EFOpenError / EReadError when the version file cannot be read;
//  - EFCreateError / EWriteError when verze.log cannot be written.
std::string CheckForUpdate(const std::string& BaseName, const std::string& ExeName,
                           bool Download, const UpdateSite& site);

}  // namespace zararod

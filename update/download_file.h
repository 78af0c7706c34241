// HTTP(S) file download used by the update check.
//
// DownloadFile fetches the resource at a URL and stores its body byte for byte
// in a local file. It runs synchronously on the calling thread and keeps no
// state between calls.
//
// What every request does:
//  - announces the user agent "Voruzi";
//  - asks for a fresh answer from the origin server (Cache-Control: no-cache,
//    Pragma: no-cache);
//  - follows redirections (at most kMaxRedirects, http and https only, and
//    from an https URL to https only); the status that counts is that of the
//    final answer;
//  - verifies the server's certificate and host name (never switched off);
//  - goes through the proxy that the system's usual settings name (the
//    http_proxy, https_proxy and no_proxy environment variables), as the
//    platform's preconfigured proxy settings would be used elsewhere;
//  - gives up when no connection is made within kConnectTimeoutSeconds, or
//    when fewer than kLowSpeedBytesPerSecond arrive per second for
//    kLowSpeedSeconds in a row, so that a silent or trickling server cannot
//    hang the program. There is no limit on the total time, so a large setup
//    program over a slow but working line still arrives.
//
// The body is streamed to disk in pieces of at most kTransferBufferSize bytes,
// never held whole in memory. It is written into a temporary file beside the
// target ("<FileName>.part-<hex>") which replaces the target only after the
// whole body has arrived (and, when the server announced a length, exactly
// that many bytes). So a transfer that breaks off never leaves a truncated
// file behind, and the target stays as it was on every failure.
#pragma once

#include <string>

namespace zararod {

inline constexpr long kTransferBufferSize = 1025;  // each read asks for this much
inline constexpr long kMaxRedirects = 10;
inline constexpr long kConnectTimeoutSeconds = 30;
inline constexpr long kLowSpeedBytesPerSecond = 100;
inline constexpr long kLowSpeedSeconds = 60;

// The program uses the defaults apart from maxBytes; tests change the rest.
struct DownloadOptions {
  // A PEM file of certificate authorities trusted instead of the system's
  // store. Empty: the system's store. Tests set it to their own authority;
  // verification of the certificate and host name stays on either way.
  std::string caFile;
  long connectTimeoutSeconds = kConnectTimeoutSeconds;
  long lowSpeedSeconds = kLowSpeedSeconds;
  // The longest body taken; a longer one (announced or arriving) ends the
  // transfer as a failed download. Negative: no limit.
  long long maxBytes = -1;
};

// Fetches Url (an absolute http or https URL, passed on unchanged) into the
// file FileName (a full path).
//
// Returns true when the final answer had status 200 and its whole body is now
// in FileName (an empty body gives an empty file). Returns false in every
// other case: host not resolvable or not reachable, secure connection refused
// (an untrusted certificate included), a status other than 200, too many
// redirections, the transfer breaking off or stalling, a read or write error
// in the middle of the body, a body longer than options.maxBytes. On false
// FileName is untouched: an older file of that name stays as it was, and no
// temporary file is left behind.
//
// Throws EFCreateError ("Cannot create file "<FileName>". <system message>")
// when the answer was 200 but FileName cannot be created or replaced (for
// example the folder is not writable, does not exist, or FileName is a
// folder); FileName is then untouched as well.
bool DownloadFile(const std::string& Url, const std::string& FileName);
bool DownloadFile(const std::string& Url, const std::string& FileName,
                  const DownloadOptions& options);

// Removes the temporary files that downloads into FileName left behind when
// the program was ended in the middle ("<FileName>.part-" followed by eight
// hexadecimal digits, beside FileName). Nothing else is touched; a file that
// cannot be removed stays. Must not run while a download into FileName is
// under way. Never throws (apart from std::bad_alloc).
void removeLeftoverParts(const std::string& FileName);

}  // namespace zararod

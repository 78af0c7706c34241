// The server logins and the series number, read from vedid.ini at the start
// of the status check into a plain record. The jobs' ApplySettings puts each
// login into its connection and the series number into rada.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zararod {

// Statements per round trip of a job's script unless the settings say
// otherwise.
inline constexpr int kDefaultBatch = 1000;

// What one connection takes from the settings file.
struct ServerLogin {
  std::string HostName = "localhost";
  std::string User = "root";
  std::string Password;
  int Port = 3306;
  // Time limits in seconds (keys ConnectTimeout and ReadTimeout; the read
  // limit also bounds writes). Absent when the key is missing or not a whole
  // number above 0: the connection's defaults then apply.
  std::optional<int> ConnectTimeout;
  std::optional<int> ReadTimeout;
  // Key SSL, as written (see switchOfText): when on, the connection requires
  // TLS and verifies the server's certificate and host name, against the CA
  // file SSLCA or, when that is empty, the system's certificate store.
  std::string SSL;
  std::string SSLCA;
  // Key Compress, as written (see switchOfText): when on, the client library
  // compresses everything sent to and received from this server (at some
  // processor cost on both ends), which pays on a slow link. Without the key:
  // on for the central server (LogON_adr), off for the site's (LogON).
  std::string Compress;
  // Statements per round trip when a job runs its script on this server
  // (key Batch); 0 or 1 sends one statement at a time, for a server or proxy
  // that refuses multi-statement text.
  int Batch = kDefaultBatch;
};

struct ConnectionSettings {
  ServerLogin Central;      // section LogON_adr, for ZConnection2
  std::string rada = "10";  // series number, section LogON_adr, key rada
  ServerLogin Local;        // section LogON, for ZConnection1
};

// An on/off key such as SSL or Compress, letter case aside: on for 1 (any whole number
// but 0), yes, y, true, t, on; off for the empty text, 0, no, n, false, f,
// off; nullopt for anything else, which the caller must not take for either.
std::optional<bool> switchOfText(std::string_view text);

// The file name of the settings: ExePath() + "vedid.ini".
std::string settingsFileName();

// Reads IP, User, Password and SQLport of section LogON_adr, each with its
// default ("localhost", "root", empty, 3306), the time limits, the TLS keys,
// Compress (default on for LogON_adr, off for LogON) and Batch (default
// kDefaultBatch), then rada (default "10"); then the same login keys of
// section LogON. Never throws (apart from std::bad_alloc); a
// missing file gives all defaults.
ConnectionSettings readConnectionSettings(const std::string& fileName);

}  // namespace zararod

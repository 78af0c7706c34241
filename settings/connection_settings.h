// The server logins and the series number read from vedid.ini at the start of
// the status check, as a plain record that the window then applies to its two
// connections and its member rada.
#pragma once

#include <string>

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
  // Statements per round trip when a job runs its script on this server
  // (key Batch); 0 or 1 sends one statement at a time, for a server or proxy
  // that refuses multi-statement text.
  int Batch = kDefaultBatch;
};

struct ConnectionSettings {
  ServerLogin Central;  // section LogON_adr, for ZConnection2
  std::string rada = "10";  // series number, section LogON_adr, key rada
  ServerLogin Local;    // section LogON, for ZConnection1
};

// The file name of the settings: ExePath() + "vedid.ini".
std::string settingsFileName();

// Reads, in this order, IP, User, Password, SQLport, Batch and rada of
// section LogON_adr, then IP, User, Password, SQLport and Batch of section
// LogON, each with its default ("localhost", "root", empty, 3306,
// kDefaultBatch, "10"). Never throws (apart
// from std::bad_alloc); a missing file gives all defaults.
ConnectionSettings readConnectionSettings(const std::string& fileName);

}  // namespace zararod

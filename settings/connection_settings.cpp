#include "settings/connection_settings.h"

#include "settings/settings_file.h"
#include "util/platform.h"

namespace zararod {
namespace {

// A time limit above 0, or nullopt.
std::optional<int> readSeconds(const SettingsFile& file, const std::string& section,
                               const std::string& key) {
  const int seconds = file.ReadNumber(section, key, 0);
  return seconds > 0 ? std::optional<int>(seconds) : std::nullopt;
}

ServerLogin readLogin(const SettingsFile& file, const std::string& section) {
  ServerLogin login;
  login.HostName = file.ReadText(section, "IP", "localhost");
  login.User = file.ReadText(section, "User", "root");
  login.Password = file.ReadText(section, "Password", "");
  login.Port = file.ReadNumber(section, "SQLport", 3306);
  login.ConnectTimeout = readSeconds(file, section, "ConnectTimeout");
  login.ReadTimeout = readSeconds(file, section, "ReadTimeout");
  login.SSL = file.ReadText(section, "SSL", "");
  login.SSLCA = file.ReadText(section, "SSLCA", "");
  login.Batch = file.ReadNumber(section, "Batch", kDefaultBatch);
  return login;
}

}  // namespace

std::string settingsFileName() { return ExePath() + "vedid.ini"; }

ConnectionSettings readConnectionSettings(const std::string& fileName) {
  const SettingsFile file(fileName);
  ConnectionSettings settings;
  settings.Central = readLogin(file, "LogON_adr");
  settings.rada = file.ReadText("LogON_adr", "rada", "10");
  settings.Local = readLogin(file, "LogON");
  return settings;
}

}  // namespace zararod

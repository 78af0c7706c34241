#include "settings/connection_settings.h"

#include "settings/settings_file.h"
#include "util/platform.h"

namespace zararod {
namespace {

ServerLogin readLogin(const SettingsFile& file, const std::string& section) {
  ServerLogin login;
  login.HostName = file.ReadText(section, "IP", "localhost");
  login.User = file.ReadText(section, "User", "root");
  login.Password = file.ReadText(section, "Password", "");
  login.Port = file.ReadNumber(section, "SQLport", 3306);
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

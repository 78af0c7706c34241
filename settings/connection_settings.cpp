#include "settings/connection_settings.h"

#include "settings/settings_file.h"
#include "util/platform.h"
#include "util/strings.h"

namespace zararod {
namespace {

// A time limit above 0, or nullopt.
std::optional<int> readSeconds(const SettingsFile& file, const std::string& section,
                               const std::string& key) {
  const int seconds = file.ReadNumber(section, key, 0);
  return seconds > 0 ? std::optional<int>(seconds) : std::nullopt;
}

// `compressByDefault`: the value of Compress when the key is missing.
ServerLogin readLogin(const SettingsFile& file, const std::string& section,
                      bool compressByDefault) {
  ServerLogin login;
  login.HostName = file.ReadText(section, "IP", "localhost");
  login.User = file.ReadText(section, "User", "root");
  login.Password = file.ReadText(section, "Password", "");
  login.Port = file.ReadNumber(section, "SQLport", 3306);
  login.ConnectTimeout = readSeconds(file, section, "ConnectTimeout");
  login.ReadTimeout = readSeconds(file, section, "ReadTimeout");
  login.SSL = file.ReadText(section, "SSL", "");
  login.SSLCA = file.ReadText(section, "SSLCA", "");
  login.Compress = file.ReadText(section, "Compress", compressByDefault ? "1" : "0");
  login.Batch = file.ReadNumber(section, "Batch", kDefaultBatch);
  return login;
}

}  // namespace

std::optional<bool> switchOfText(std::string_view text) {
  for (std::string_view word : {"", "n", "no", "f", "false", "off"}) {
    if (sameText(text, word)) return false;
  }
  for (std::string_view word : {"y", "yes", "t", "true", "on"}) {
    if (sameText(text, word)) return true;
  }
  std::string_view digits = text;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  return digits.find_first_not_of('0') != std::string_view::npos;
}

std::string settingsFileName() { return ExePath() + "vedid.ini"; }

ConnectionSettings readConnectionSettings(const std::string& fileName) {
  const SettingsFile file(fileName);
  ConnectionSettings settings;
  // The central server is reached over the internet, often over a slow
  // link, where compression pays many times over; the site's own server is
  // near, where it only costs processor time.
  settings.Central = readLogin(file, "LogON_adr", true);
  settings.rada = file.ReadText("LogON_adr", "rada", "10");
  settings.Local = readLogin(file, "LogON", false);
  return settings;
}

}  // namespace zararod

#include "update/update_url.h"

#include "settings/connection_settings.h"
#include "settings/settings_file.h"

#ifndef ZARAROD_UPDATE_URL
#error "update/CMakeLists.txt passes ZARAROD_UPDATE_URL"
#endif

namespace zararod {

const char* builtInUpdateUrl() { return ZARAROD_UPDATE_URL; }

std::string UpdateBaseUrl(const std::string& iniFileName) {
  const std::string url = SettingsFile(iniFileName).ReadText("Update", "URL", "");
  return url.empty() ? builtInUpdateUrl() : url;
}

std::string UpdateBaseUrl() { return UpdateBaseUrl(settingsFileName()); }

}  // namespace zararod

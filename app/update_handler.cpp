#include "app/update_handler.h"

#include "settings/connection_settings.h"
#include "settings/settings_file.h"
#include "update/built_in_update.h"
#include "util/exception.h"
#include "util/platform.h"

namespace zararod {

UpdateSite updateSiteFor(const std::string& iniFileName) {
  const SettingsFile settings(iniFileName);
  UpdateSite site;
  site.baseUrl = settings.ReadText("Update", "URL", "");
  if (site.baseUrl.empty()) site.baseUrl = builtInUpdateUrl();
  site.directory = ExePath();
  site.publicKey = settings.ReadText("Update", "Key", "");
  if (site.publicKey.empty()) site.publicKey = builtInUpdateKey();
  return site;
}

UpdateHandlerResult RunUpdateCheck(JobReporter& reporter) {
  return RunUpdateCheck(reporter, updateSiteFor(settingsFileName()));
}

UpdateHandlerResult RunUpdateCheck(JobReporter& reporter, const UpdateSite& site) {
  using Icon = JobReporter::Icon;
  reporter.ProcessPendingEvents();
  UpdateHandlerResult result{
      CheckForUpdate(kUpdateBaseName, kUpdateExeName, true, site), false};

  if (result.code == kUpdateNewer) {
    reporter.ShowMessage(
        "Nyn\xED bude aktualizov\xE1n program Zararod.\r"
        "Bude proveden restart programu!",
        Icon::Information);
    reporter.ProcessPendingEvents();
    // The path goes to the system as one argument, never through a command
    // line that would be split again at blanks and quotes.
    std::string setup = site.directory + setupFileName(kUpdateBaseName);
    // Without a directory (the executable's could not be found) the file lies
    // in the current one; a bare name would be looked for along PATH too.
    if (site.directory.empty()) setup = "./" + setup;
    if (const int error = startProgram({setup}, false)) {
      throw Exception("Cannot run program \"" + setup + "\". " + systemErrorMessage(error));
    }
    result.endProgram = true;
  } else if (result.code == kUpdateFetchError) {
    reporter.ShowMessage("Chyba p\xF8ipojen\xED.", Icon::Stop);
  } else if (result.code == kUpdateNoFile) {
    reporter.ShowMessage("Chyba. Nen\xED soubor.", Icon::Stop);
  } else if (result.code == kUpdateNotNewer) {
    reporter.ShowMessage("Nen\xED nov\xE1 verze.", Icon::Information);
  }
  return result;
}

}  // namespace zararod

#include "app/update_handler.h"

#include "util/platform.h"

namespace zararod {

UpdateHandlerResult RunUpdateCheck(JobReporter& reporter) {
  return RunUpdateCheck(reporter, programUpdateSite());
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
    // The quotes keep a directory with blanks in one piece.
    RunProgram("\"" + site.directory + setupFileName(kUpdateBaseName) + "\"",
               false, false);
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

// The logic of the "kontrola" button (suiButton5Click), shared by the window
// and by `zararod-cli check-update`.
//
// RunUpdateCheck lets pending events run, calls CheckForUpdate with the
// handler's names (kUpdateBaseName, kUpdateExeName) and reports its result
// through reporter.ShowMessage (cp1250 texts):
//
//   "A"  "Nyní bude aktualizován program Zararod." CR
//        "Bude proveden restart programu!"                 Information
//   "E"  "Chyba připojení."                                 Stop
//   "S"  "Chyba. Není soubor."                              Stop
//   "N"  "Není nová verze."                                 Information
//
// After the "A" message has been closed it lets pending events run, starts the
// setup program site.directory + setupFileName(kUpdateBaseName) by that path
// (passed whole as one argument) without waiting for it, and returns with
// endProgram set: the caller then closes the main window and ends the program
// (the window: close, ask the application to terminate, process pending
// events, close again), so that the setup program can replace it.
//
// Errors pass to the caller without any further message of this handler; the
// window shows them in its error box:
//  - errors of the check itself (a version file of fewer than two lines, a
//    version file that cannot be read, a verze.log that cannot be written);
//  - Exception "Cannot run program "<path>". <system message>" when the setup
//    program cannot be started after the "A" message; the program then keeps
//    running.
#pragma once

#include <string>

#include "app/job_reporter.h"
#include "update/check_for_update.h"

namespace zararod {

struct UpdateHandlerResult {
  // The result code of CheckForUpdate (kUpdateNewer ... kUpdateFetchError).
  std::string code;
  // The setup program has been started; the caller must end the program now.
  bool endProgram = false;
};

// The update site that the settings file iniFileName gives, from its section
// [Update]:
//
//   [Update]
//   URL=https://aktualizace.example.cz/knihovna/
//   Key=<base64 of the publisher's 32-byte Ed25519 public key>
//
// The base URL is the value of URL, or builtInUpdateUrl()
// (update/built_in_update.h) when the key is missing or empty; it is used as
// it stands (the file names are appended to it, so it should end with "/").
// The public key is the value of Key, or builtInUpdateKey() likewise; with no
// key at all setup programs are not verified. The directory is ExePath(). A
// missing file gives the built-in values. Never throws (apart from
// std::bad_alloc).
UpdateSite updateSiteFor(const std::string& iniFileName);

// On updateSiteFor(settingsFileName()): the settings file beside the program.
UpdateHandlerResult RunUpdateCheck(JobReporter& reporter);

// On the given site (tests point it at a local server and a scratch folder).
UpdateHandlerResult RunUpdateCheck(JobReporter& reporter, const UpdateSite& site);

}  // namespace zararod

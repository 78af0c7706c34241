// The narrow interface through which the handlers' logic (status check,
// address import, slip transfers, update check) reports to the person
// watching: the three status lines, the three progress bars, the message
// dialog, the busy cursor and the event loop.
//
// The window implements it with its widgets (Label1..3, suiProgressBar1..3,
// dotaz, the application's screen cursor); zararod-cli implements it with a
// terminal. Texts are cp1250 bytes, exactly as the window would show them.
// Implementations must not throw from these calls except from ShowMessage
// when the message cannot be shown at all.
#pragma once

#include <string>

namespace zararod {

class JobReporter {
 public:
  // One status line and one progress bar per kind of record:
  // Label1/suiProgressBar1/suiButton1 for addresses, Label2/suiProgressBar2/
  // suiButton3 for weighing slips, Label3/suiProgressBar3/suiButton4 for
  // laboratory slips.
  enum class Line { Addresses, WeighingSlips, LabSlips };

  // The picture of the message dialog (TsuiIconType numbering).
  enum class Icon { None = 0, Warning = 1, Stop = 2, Information = 3, Help = 4 };

  virtual ~JobReporter() = default;

  virtual void SetStatusText(Line line, const std::string& text) = 0;
  // Disables the button of a job that cannot work (start-up check).
  virtual void DisableJob(Line line) = 0;

  virtual void SetProgressMax(Line line, int max) = 0;
  virtual void SetProgressPosition(Line line, int position) = 0;
  virtual void SetProgressVisible(Line line, bool visible) = 0;

  // One pass of the event loop until its queue is empty (a no-op where there
  // is no event loop).
  virtual void ProcessPendingEvents() = 0;

  // The message dialog `dotaz` with one "OK" button: sets Text, ButtonCount 1,
  // Button1Caption "OK", IconType, and shows it modally until it is closed.
  virtual void ShowMessage(const std::string& text, Icon icon) = 0;

  // The application-wide screen cursor: crSQLWait while true, crDefault when
  // set back to false.
  virtual void SetBusyCursor(bool busy) = 0;

  // The job of `line` failed on a server's lock and runs again from the
  // start as attempt `attempt` of `attempts` (see app/job_retry.h). The
  // window shows nothing more than the job's own texts, which the new attempt
  // sets again; zararod-cli prints a line.
  virtual void JobRetrying(Line /*line*/, int /*attempt*/, int /*attempts*/) {}
};

}  // namespace zararod

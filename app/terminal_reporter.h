// TerminalReporter: how zararod-cli shows a job's progress and messages on a
// terminal, the counterpart of the window's widgets (see app/job_reporter.h).
// It writes to the streams it is given and does not own them; they must
// outlive it.
#pragma once

#include <cstdio>
#include <string>

#include "app/job_reporter.h"

namespace zararod {

// Reports on a terminal: texts converted from cp1250 to UTF-8, each ended by a
// line break and with its own line breaks (CR LF, CR, LF) written as "\n"
// (messages with the stop icon on `err`); the progress bar redrawn in place
// when `drawProgress` (stdout is a tty).
class TerminalReporter : public JobReporter {
 public:
  TerminalReporter(std::FILE* out, std::FILE* err, bool drawProgress)
      : out_(out), err_(err), drawProgress_(drawProgress) {}

  void SetStatusText(Line line, const std::string& text) override;
  void DisableJob(Line line) override;
  void SetProgressMax(Line line, int max) override;
  void SetProgressPosition(Line line, int position) override;
  void SetProgressVisible(Line line, bool visible) override;
  void ProcessPendingEvents() override;
  void ShowMessage(const std::string& text, Icon icon) override;
  void SetBusyCursor(bool) override {}
  // One line on `out`: the text of app/job_texts.h with the numbers.
  void JobRetrying(Line line, int attempt, int attempts) override;

  bool AnyJobDisabled() const { return anyDisabled_; }
  std::FILE* out() const { return out_; }
  // Ends a progress bar drawn in place, so that what follows starts a line.
  void EndProgressLine();

 private:
  void drawBar();

  std::FILE* out_;
  std::FILE* err_;
  bool drawProgress_;
  bool anyDisabled_ = false;
  bool barVisible_ = false;
  bool barOnScreen_ = false;
  int max_ = 100;
  int position_ = 0;
  int lastDrawn_ = -1;
};

// The caption of a progress bar: the completed share as a whole percentage,
// by the window's rule (ProgressPercent on 0..max), held to 0..100 so that the
// bar can be drawn whatever the position; 0 when max is not positive.
int progressPercent(int position, int max);

}  // namespace zararod

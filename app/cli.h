// zararod-cli: the headless companion that drives the same handler logic as
// the window (Jobs) and reports on a terminal.
//
//   zararod-cli <command> [settings-file] [--dry-run]
//   commands: status, import-addresses, send-vl, send-ll, check-update
//
// The settings file defaults to vedid.ini beside the program. Status lines
// and messages go to stdout in UTF-8, errors to stderr; a progress bar is
// drawn only when stdout is a terminal. Exit code 0 on success, 1 when a job
// failed or a status check found a queue it cannot read, 2 on a usage error.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/job_reporter.h"

namespace zararod {

class Jobs;

struct CliOptions {
  std::string command;
  std::string settingsPath;  // empty: vedid.ini beside the program
  bool dryRun = false;
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Parses the arguments after the program name. On a usage error returns
// nullopt and sets `error`.
std::optional<CliOptions> parseCliArguments(const std::vector<std::string>& args,
                                            std::string& error);

std::string cliUsage();

// Reports on a terminal: texts converted from cp1250 to UTF-8, one line each
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
// by the window's rule (ProgressPercent on 0..max); 0 when max is not positive.
int progressPercent(int position, int max);

// Runs one command on `jobs` (settings applied here). Errors go to `err`.
int runCli(const CliOptions& options, Jobs& jobs, TerminalReporter& reporter, std::FILE* err);

}  // namespace zararod

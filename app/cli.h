// zararod-cli: the headless companion that drives the same handler logic as
// the window (Jobs) and reports on a terminal.
//
//   zararod-cli <command> [settings-file] [--dry-run]
//   commands: status, import-addresses, send-vl, send-ll, check-update
//   zararod-cli verify vl|ll|addresses [--requeue] [--requeue-missing] [settings-file]
//
// The settings file defaults to vedid.ini beside the program. Status lines
// and messages go to stdout in UTF-8, errors to stderr; a progress bar is
// drawn only when stdout is a terminal. Exit code 0 on success, 1 when a job
// failed or a status check found a queue it cannot read, 2 on a usage error,
// 3 when verify found records missing or differing (app/verify.h).
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/terminal_reporter.h"

namespace zararod {

class Jobs;

struct CliOptions {
  std::string command;
  std::string settingsPath;  // empty: vedid.ini beside the program
  bool dryRun = false;
  std::string verified = "";  // verify: vl, ll or addresses
  bool requeue = false;
  bool requeueMissing = false;
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitDifferences = 3;

// Parses the arguments after the program name. On a usage error returns
// nullopt and sets `error`.
std::optional<CliOptions> parseCliArguments(const std::vector<std::string>& args,
                                            std::string& error);

std::string cliUsage();

// Runs one command on `jobs` (settings applied here). Errors go to `err`.
int runCli(const CliOptions& options, Jobs& jobs, TerminalReporter& reporter, std::FILE* err);

}  // namespace zararod

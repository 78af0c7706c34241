#include "app/cli.h"

#include <exception>

#include "app/jobs.h"
#include "app/update_handler.h"
#include "app/verify.h"
#include "settings/connection_settings.h"
#include "util/cp1250.h"
#include "util/error_text.h"
#include "util/exception.h"

namespace zararod {

std::string cliUsage() {
  return "usage: zararod-cli <command> [settings-file] [--dry-run]\n"
         "commands: status, import-addresses, send-vl, send-ll, check-update\n"
         "       zararod-cli verify vl|ll|addresses [--requeue] [--requeue-missing] "
         "[settings-file]\n"
         "settings-file defaults to vedid.ini beside the program\n";
}

namespace {

// "verify vl|ll|addresses [settings-file]" with its options.
bool parseVerifyArguments(const std::vector<std::string>& positional, CliOptions& options,
                          std::string& error) {
  options.command = positional[0];
  if (positional.size() < 2 || positional.size() > 3) {
    error = positional.size() < 2 ? "verify needs vl, ll or addresses" : "too many arguments";
    return false;
  }
  options.verified = positional[1];
  if (options.verified != "vl" && options.verified != "ll" && options.verified != "addresses") {
    error = "verify needs vl, ll or addresses, not " + options.verified;
    return false;
  }
  if (positional.size() == 3) options.settingsPath = positional[2];
  if (options.dryRun) {
    error = "--dry-run applies to import-addresses, send-vl and send-ll";
    return false;
  }
  if (options.requeueMissing && options.verified != "addresses") {
    error = "--requeue-missing applies to verify addresses";
    return false;
  }
  return true;
}

}  // namespace

std::optional<CliOptions> parseCliArguments(const std::vector<std::string>& args,
                                            std::string& error) {
  static const char* const kCommands[] = {"status", "import-addresses", "send-vl", "send-ll",
                                          "check-update"};
  CliOptions options;
  std::vector<std::string> positional;
  for (const std::string& arg : args) {
    if (arg == "--dry-run") {
      options.dryRun = true;
    } else if (arg == "--requeue") {
      options.requeue = true;
    } else if (arg == "--requeue-missing") {
      options.requeue = options.requeueMissing = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + arg;
      return std::nullopt;
    } else {
      positional.push_back(arg);
    }
  }
  if (!positional.empty() && positional[0] == "verify") {
    if (!parseVerifyArguments(positional, options, error)) return std::nullopt;
    return options;
  }
  if (options.requeue) {
    error = "--requeue applies to verify";
    return std::nullopt;
  }
  if (positional.empty() || positional.size() > 2) {
    error = positional.empty() ? "no command given" : "too many arguments";
    return std::nullopt;
  }
  options.command = positional[0];
  bool known = false;
  for (const char* command : kCommands) known = known || options.command == command;
  if (!known) {
    error = "unknown command " + options.command;
    return std::nullopt;
  }
  if (positional.size() == 2) options.settingsPath = positional[1];
  if (options.dryRun && (options.command == "status" || options.command == "check-update")) {
    error = "--dry-run applies to import-addresses, send-vl and send-ll";
    return std::nullopt;
  }
  return options;
}

namespace {

void printRejected(const Jobs& jobs, std::FILE* err) {
  for (const Jobs::Rejected& rejected : jobs.RejectedStatements()) {
    std::fprintf(err, "rejected by the receiving server: %s\n  %s\n",
                 cp1250ToUtf8(rejected.statement).c_str(),
                 cp1250ToUtf8(rejected.message).c_str());
  }
}

int runVerify(const CliOptions& options, Jobs& jobs, TerminalReporter& reporter) {
  const VerifiedTable table = options.verified == "vl"   ? VerifiedTable::WeighingSlips
                              : options.verified == "ll" ? VerifiedTable::LabSlips
                                                         : VerifiedTable::Addresses;
  const VerifyResult result = verifyRecords(
      jobs, table, {.requeue = options.requeue, .requeueMissing = options.requeueMissing},
      reporter);
  reporter.EndProgressLine();
  printVerifyReport(result, reporter.out());
  return foundDifferences(result) ? kExitDifferences : kExitOk;
}

}  // namespace

int runCli(const CliOptions& options, Jobs& jobs, TerminalReporter& reporter, std::FILE* err) {
  const std::string settings =
      options.settingsPath.empty() ? settingsFileName() : options.settingsPath;
  try {
    jobs.ApplySettings(settings);
    if (options.command == "status") {
      jobs.CheckStatus(reporter);
      return reporter.AnyJobDisabled() ? kExitFailed : kExitOk;
    }
    if (options.command == "check-update") {
      const UpdateHandlerResult result = RunUpdateCheck(reporter, updateSiteFor(settings));
      return result.code == kUpdateNewer || result.code == kUpdateNotNewer ? kExitOk : kExitFailed;
    }
    if (options.command == "verify") return runVerify(options, jobs, reporter);
    jobs.SetDryRun(options.dryRun);
    if (options.command == "import-addresses") {
      jobs.ImportAddresses(reporter);
    } else {
      jobs.SendSlips(options.command == "send-vl" ? SlipKind::Weighing : SlipKind::Laboratory,
                     reporter);
    }
    if (options.dryRun) {
      std::fprintf(reporter.out(), "dry run: nothing was committed; both servers rolled back\n");
    }
    return kExitOk;
  } catch (const Exception& e) {
    reporter.EndProgressLine();
    printRejected(jobs, err);
    std::fprintf(err, "zararod-cli: %s\n", cp1250ToUtf8(ErrorBoxText(e.Message())).c_str());
    if (options.dryRun) std::fprintf(err, "dry run: both servers rolled back\n");
  } catch (const std::exception& e) {
    reporter.EndProgressLine();
    std::fprintf(err, "zararod-cli: %s\n", ErrorBoxText(e.what()).c_str());
  }
  return kExitFailed;
}

}  // namespace zararod

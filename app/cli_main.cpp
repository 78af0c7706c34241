// zararod-cli: see app/cli.h.

#include <cstdio>
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/jobs.h"
#include "util/format_settings.h"
#include "util/platform.h"

int main(int argc, char** argv) {
  zararod::useUtf8Console();
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(zararod::cliUsage().c_str(), stdout);
    return 0;
  }
  std::string error;
  auto options = zararod::parseCliArguments(args, error);
  if (!options) {
    std::fprintf(stderr, "zararod-cli: %s\n%s", error.c_str(), zararod::cliUsage().c_str());
    return zararod::kExitUsage;
  }
  zararod::LoadFormatSettingsFromLocale();
  zararod::Jobs jobs;
  zararod::TerminalReporter reporter(stdout, stderr, zararod::isTerminal(stdout));
  return zararod::runCli(*options, jobs, reporter, stderr);
}

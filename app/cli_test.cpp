#include "app/cli.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/captured_output_test_support.h"
#include "app/jobs.h"
#include "update/check_for_update.h"
#include "update/testdata/local_http_server.h"
#include "util/error_text.h"
#include "util/platform.h"

namespace zararod {
namespace {

TEST(CliArgumentsTest, TakesACommandAnOptionalSettingsFileAndDryRun) {
  struct Case {
    std::vector<std::string> args;
    bool valid;
    std::string command, settings;
    bool dryRun;
  } cases[] = {
      {{"status"}, true, "status", "", false},
      {{"send-vl", "/etc/vedid.ini"}, true, "send-vl", "/etc/vedid.ini", false},
      {{"--dry-run", "send-ll"}, true, "send-ll", "", true},
      {{"import-addresses", "x.ini", "--dry-run"}, true, "import-addresses", "x.ini", true},
      {{}, false, "", "", false},
      {{"send"}, false, "", "", false},
      {{"status", "a.ini", "b.ini"}, false, "", "", false},
      {{"status", "--dry-run"}, false, "", "", false},
      {{"send-vl", "-x"}, false, "", "", false},
  };
  for (const Case& c : cases) {
    std::string error;
    auto options = parseCliArguments(c.args, error);
    ASSERT_EQ(options.has_value(), c.valid) << ::testing::PrintToString(c.args);
    if (!options) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    EXPECT_EQ(options->command, c.command);
    EXPECT_EQ(options->settingsPath, c.settings);
    EXPECT_EQ(options->dryRun, c.dryRun);
  }
}

TEST(CliReporterTest, DrawsTheBarInPlaceOnATerminalAndPrintsTextsInUtf8) {
  for (bool terminal : {false, true}) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    TerminalReporter reporter(out, err, terminal);
    const auto line = JobReporter::Line::WeighingSlips;
    reporter.SetStatusText(line, "po\xE8" "et nov\xFD" "ch va\x9E.list\xF9: 2");
    reporter.SetProgressMax(line, 2);
    reporter.SetProgressVisible(line, true);
    reporter.SetProgressPosition(line, 0);
    reporter.SetProgressPosition(line, 1);
    reporter.SetProgressPosition(line, 2);
    reporter.ShowMessage("Odesl\xE1no 2 nov\xFD" "ch VL", JobReporter::Icon::Information);
    reporter.ShowMessage("Chyba p\xF8ipojen\xED.", JobReporter::Icon::Stop);

    const std::string bar = terminal ? "\r[                                        ]   0%"
                                       "\r[####################                    ]  50%"
                                       "\r[########################################] 100%\n"
                                     : "";
    EXPECT_EQ(capturedText(out), "počet nových važ.listů: 2\n" + bar + "Odesláno 2 nových VL\n");
    EXPECT_EQ(capturedText(err), "Chyba připojení.\n");
  }
}

// A dialog's text may break its lines with a lone CR (the update's "A" text
// does), which a terminal would show as one overwritten line.
TEST(CliReporterTest, MessageLineBreaksBecomeTerminalLineBreaks) {
  const struct {
    std::string text;
    std::string shown;
  } cases[] = {
      {"Nyn\xED bude aktualizov\xE1n program Zararod.\rBude proveden restart programu!",
       "Nyní bude aktualizován program Zararod.\nBude proveden restart programu!\n"},
      {"a\r\nb\nc\r\rd", "a\nb\nc\n\nd\n"},
      {"ends with a break\r\n", "ends with a break\n"},
      {"", "\n"},
  };
  for (const auto& c : cases) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    TerminalReporter reporter(out, err, true);
    reporter.ShowMessage(c.text, JobReporter::Icon::Information);
    reporter.ShowMessage(c.text, JobReporter::Icon::Stop);
    EXPECT_EQ(capturedText(out), c.shown);
    EXPECT_EQ(capturedText(err), c.shown);
  }
}

// check-update asks the update server that the named settings file gives,
// as the jobs use its servers.
TEST(CliUpdateTest, CheckUpdateAsksTheServerOfTheNamedSettingsFile) {
  using zararod::testing::writeFile;
  zararod::testing::ScratchDir docroot;
  zararod::testing::LocalHttpServer server(docroot.path());
  // A stamp no local executable is older than.
  writeFile(docroot / "setupzararod.ver",
            "[zararod]\r\n" + std::string(kUpdateExeName) + " 1899-12-30 00:00:00.000\r\n");
  zararod::testing::ScratchDir dir;
  writeFile(dir / "vedid.ini", "[Update]\r\nURL=" + server.httpUrl("/files/") + "\r\n");
  // The check keeps its files beside the program, here this test's.
  struct RemoveFiles {
    ~RemoveFiles() {
      for (const char* name : {"setupzararod.ver", "verze.log"}) std::filesystem::remove(ExePath() + name);
    }
  } removeFiles;

  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  TerminalReporter reporter(out, err, false);
  Jobs jobs;
  const int exitCode = runCli({"check-update", dir / "vedid.ini", false}, jobs, reporter, err);
  EXPECT_EQ(capturedText(out), "Není nová verze.\n");
  EXPECT_EQ(capturedText(err), "");
  EXPECT_EQ(exitCode, kExitOk);
}

TEST(CliTextTest, ErrorsEndWithAFullStopAndPercentagesAreCutOff) {
  EXPECT_EQ(ErrorBoxText("SQL Error: gone"), "SQL Error: gone.");
  EXPECT_EQ(ErrorBoxText("Done."), "Done.");
  EXPECT_EQ(ErrorBoxText("Stop!"), "Stop!");
  EXPECT_EQ(ErrorBoxText(""), "");
  EXPECT_EQ(progressPercent(2, 3), 66);
  EXPECT_EQ(progressPercent(0, 0), 0);
  // A position outside 0..max draws a full or an empty bar.
  EXPECT_EQ(progressPercent(7, 3), 100);
  EXPECT_EQ(progressPercent(2147483647, 1), 100);
  EXPECT_EQ(progressPercent(-1, 3), 0);
}

}  // namespace
}  // namespace zararod

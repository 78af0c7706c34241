#include "app/update_handler.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "update/built_in_update.h"
#include "update/testdata/local_http_server.h"
#include "util/cp1250.h"
#include "util/exception.h"
#include "util/platform.h"

namespace zararod {
namespace {

using zararod::testing::LocalServerTest;
using zararod::testing::readFile;
using zararod::testing::ScratchDir;
using zararod::testing::writeFile;

// Records what the handler asks of the window, in order; messages as UTF-8.
class RecordingReporter : public JobReporter {
 public:
  std::vector<std::string> events;

  void SetStatusText(Line, const std::string& text) override {
    events.push_back("status " + text);
  }
  void DisableJob(Line) override { events.push_back("disable"); }
  void SetProgressMax(Line, int) override { events.push_back("progress max"); }
  void SetProgressPosition(Line, int) override { events.push_back("progress"); }
  void SetProgressVisible(Line, bool) override { events.push_back("progress shown"); }
  void ProcessPendingEvents() override { events.push_back("pending events"); }
  void ShowMessage(const std::string& text, Icon icon) override {
    events.push_back((icon == Icon::Stop ? "stop: " : icon == Icon::Information ? "info: "
                                                                                : "other: ") +
                     cp1250ToUtf8(text));
  }
  void SetBusyCursor(bool) override { events.push_back("cursor"); }
};

// Waits up to ten seconds for a file that a started program writes.
bool appears(const std::string& name) {
  for (int i = 0; i < 200 && !std::filesystem::exists(name); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return std::filesystem::exists(name);
}

class UpdateHandlerTest : public LocalServerTest {
 protected:
  void SetUp() override {
    site_ = UpdateSite{server_->httpUrl("/files/"), dir_.path(), {}};
    std::filesystem::remove(*docroot_ / "setupzararod.ver");
    // The stand-in setup program records that it was started.
    writeFile(*docroot_ / setupFileName(kUpdateBaseName),
              "#!/bin/sh\necho started > '" + (dir_ / "started") + "'\n");
    writeFile(dir_ / kUpdateExeName, "the program");
  }

  // A version file naming this platform's executable with the given stamp.
  void publish(const std::string& stamp) {
    writeFile(*docroot_ / "setupzararod.ver",
              "[zararod]\r\n" + std::string(kUpdateExeName) + " " + stamp + ".000\r\n");
  }

  ScratchDir dir_;
  UpdateSite site_;
  RecordingReporter reporter_;
};

TEST_F(UpdateHandlerTest, ReportsEachResultAndKeepsRunning) {
  struct Case {
    std::string code;
    std::string message;
  };
  const Case cases[] = {
      {"N", "info: Není nová verze."},
      {"S", "stop: Chyba. Není soubor."},
      {"E", "stop: Chyba připojení."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    reporter_.events.clear();
    if (c.code == "N") publish("1999-01-01 00:00:00");
    if (c.code == "E") {
      publish("2999-01-01 00:00:00");
      std::filesystem::create_directory(dir_ / setupFileName(kUpdateBaseName));
    }
    const UpdateHandlerResult result = RunUpdateCheck(reporter_, site_);
    EXPECT_EQ(result.code, c.code);
    EXPECT_FALSE(result.endProgram);
    EXPECT_EQ(reporter_.events, (std::vector<std::string>{"pending events", c.message}));
    std::filesystem::remove(*docroot_ / "setupzararod.ver");
  }
}

TEST_F(UpdateHandlerTest, NewerBuildStartsTheSetupProgramAndEndsTheProgram) {
  publish("2999-01-01 00:00:00");
  const UpdateHandlerResult result = RunUpdateCheck(reporter_, site_);
  EXPECT_EQ(result.code, "A");
  EXPECT_TRUE(result.endProgram);
  EXPECT_EQ(reporter_.events,
            (std::vector<std::string>{"pending events",
                                      "info: Nyní bude aktualizován program Zararod.\r"
                                      "Bude proveden restart programu!",
                                      "pending events"}));
  // The setup program runs on by itself; give it a moment to show up.
  ASSERT_TRUE(appears(dir_ / "started"));
  EXPECT_EQ(readFile(dir_ / "started"), "started\n");
}

// The setup program is started by its full path as one argument, whatever
// the installation's directory is called: a quote in it never lets another
// program be started in its place.
TEST_F(UpdateHandlerTest, SetupProgramIsStartedByItsOwnPath) {
  site_.directory = dir_ / "in\"stall/";
  std::filesystem::create_directory(site_.directory);
  writeFile(site_.directory + kUpdateExeName, "the program");
  std::filesystem::create_directory(dir_ / "install");
  writeFile(dir_ / "install/" + setupFileName(kUpdateBaseName),
            "#!/bin/sh\necho decoy > '" + (dir_ / "decoy") + "'\n");
  std::filesystem::permissions(dir_ / "install/" + setupFileName(kUpdateBaseName),
                               std::filesystem::perms::owner_all);
  publish("2999-01-01 00:00:00");

  const UpdateHandlerResult result = RunUpdateCheck(reporter_, site_);
  EXPECT_EQ(result.code, "A");
  EXPECT_TRUE(result.endProgram);
  ASSERT_TRUE(appears(dir_ / "started"));
  EXPECT_EQ(readFile(dir_ / "started"), "started\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "decoy"));
}

// A setup program that arrived but cannot be started is an error for the
// error box: the program keeps running.
TEST_F(UpdateHandlerTest, SetupProgramThatCannotStartIsAnError) {
  writeFile(*docroot_ / setupFileName(kUpdateBaseName), "neither a script nor a binary");
  publish("2999-01-01 00:00:00");
  try {
    RunUpdateCheck(reporter_, site_);
    ADD_FAILURE() << "no error raised";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Cannot run program \"" + (dir_ / setupFileName(kUpdateBaseName)) +
                               "\". Exec format error");
  }
  EXPECT_EQ(reporter_.events,
            (std::vector<std::string>{"pending events",
                                      "info: Nyní bude aktualizován program Zararod.\r"
                                      "Bude proveden restart programu!",
                                      "pending events"}));
}

TEST_F(UpdateHandlerTest, SetupProgramThatDidNotArriveIsNeverStarted) {
  // An older setup program lies beside the executable; the new one is not
  // published (a broken transfer ends the same way: the download fails and
  // leaves the older copy untouched).
  writeFile(dir_ / setupFileName(kUpdateBaseName),
            "#!/bin/sh\necho started > '" + (dir_ / "started") + "'\n");
  std::filesystem::permissions(dir_ / setupFileName(kUpdateBaseName),
                               std::filesystem::perms::owner_all);
  std::filesystem::remove(*docroot_ / setupFileName(kUpdateBaseName));
  publish("2999-01-01 00:00:00");

  const UpdateHandlerResult result = RunUpdateCheck(reporter_, site_);
  EXPECT_EQ(result.code, "E");
  EXPECT_FALSE(result.endProgram);
  EXPECT_EQ(reporter_.events,
            (std::vector<std::string>{"pending events", "stop: Chyba připojení."}));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "started"));
}

TEST_F(UpdateHandlerTest, ErrorOfTheCheckPassesWithoutAMessage) {
  writeFile(*docroot_ / "setupzararod.ver", "one line only\r\n");
  try {
    RunUpdateCheck(reporter_, site_);
    ADD_FAILURE() << "no error raised";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (1)");
  }
  EXPECT_EQ(reporter_.events, std::vector<std::string>{"pending events"});
}

TEST(UpdateSiteTest, SettingsFileMayReplaceTheBuiltInUrl) {
  struct Case {
    const char* what;
    const char* ini;  // nullptr: no settings file
    std::string expected;
  };
  const std::string builtIn = builtInUpdateUrl();
  const Case cases[] = {
      {"no file", nullptr, builtIn},
      {"no section", "[LogON]\r\nIP=10.0.0.1\r\n", builtIn},
      {"replaced",
       "[LogON_adr]\r\nrada=12\r\n[update]\r\n url = https://u.example/knihovna/ \r\n",
       "https://u.example/knihovna/"},
      {"empty value", "[Update]\r\nURL=\r\n", builtIn},
      {"other key", "[Update]\r\nHost=u.example\r\n", builtIn},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    if (c.ini) writeFile(dir / "vedid.ini", c.ini);
    const UpdateSite site = updateSiteFor(dir / "vedid.ini");
    EXPECT_EQ(site.baseUrl, c.expected);
    EXPECT_EQ(site.directory, ExePath());
  }
}

}  // namespace
}  // namespace zararod

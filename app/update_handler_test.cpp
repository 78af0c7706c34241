#include "app/update_handler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "testing/argv_probe.h"
#include "update/built_in_update.h"
#include "update/testdata/local_http_server.h"
#include "update/testdata/update_signing.h"
#include "util/cp1250.h"
#include "util/exception.h"
#include "util/platform.h"

namespace zararod {
namespace {

using zararod::testing::LocalServerTest;
using zararod::testing::markingProgram;
using zararod::testing::readFile;
using zararod::testing::filesIn;
using zararod::testing::ScratchDir;
using zararod::testing::SigningKey;
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

// Waits up to ten seconds for a file that a started program writes, until it
// has content: the program creates the file before it writes the line.
bool appears(const std::string& name) {
  const auto written = [&] {
    std::error_code error;
    return std::filesystem::file_size(nativePath(name), error) > 0 && !error;
  };
  for (int i = 0; i < 200 && !written(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return written();
}

class UpdateHandlerTest : public LocalServerTest {
 protected:
  void SetUp() override {
    site_.baseUrl = server_->httpUrl("/files/");
    site_.directory = dir_.path();
    std::filesystem::remove(*docroot_ / "setupzararod.ver");
    // The stand-in setup program records that it was started.
    writeFile(*docroot_ / setupFileName(kUpdateBaseName), markingProgram(dir_ / "started"));
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
// the installation's directory is called: a quote in it (on Linux) or a blank
// (on Windows, which allows no quote in a file name) never lets another
// program be started in its place. The Windows folder's Czech letters prove
// that the program's cp1250 names reach the system whole.
TEST_F(UpdateHandlerTest, SetupProgramIsStartedByItsOwnPath) {
#ifdef _WIN32
  site_.directory = dir_ / utf8ToCp1250("Zararod – Příbram\\");
  const std::string decoy = dir_ / "Zararod.exe";  // the path cut at its blank
#else
  site_.directory = dir_ / "in\"stall/";
  std::filesystem::create_directory(dir_ / "install");
  const std::string decoy = dir_ / "install/" + setupFileName(kUpdateBaseName);
#endif
  std::filesystem::create_directory(nativePath(site_.directory));
  writeFile(site_.directory + kUpdateExeName, "the program");
  writeFile(decoy, markingProgram(dir_ / "decoy"));
  std::filesystem::permissions(nativePath(decoy), std::filesystem::perms::owner_all);
  publish("2999-01-01 00:00:00");

  const UpdateHandlerResult result = RunUpdateCheck(reporter_, site_);
  EXPECT_EQ(result.code, "A");
  EXPECT_TRUE(result.endProgram);
  ASSERT_TRUE(appears(dir_ / "started"));
  EXPECT_EQ(readFile(dir_ / "started"), "started\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "decoy"));
}

// Without the executable's directory the check works in the current one, and
// the setup program started is the one it stored there, not one of that name
// found beside the executable or along PATH.
TEST_F(UpdateHandlerTest, WithoutADirectoryTheSetupProgramOfTheCurrentOneIsStarted) {
  const std::string decoy = ExePath() + setupFileName(kUpdateBaseName);
  ASSERT_FALSE(std::filesystem::exists(decoy));
  struct Restore {
    std::filesystem::path cwd = std::filesystem::current_path();
    std::string decoy;
    ~Restore() {
      std::filesystem::current_path(cwd);
      std::filesystem::remove(decoy);
    }
  } restore{.decoy = decoy};
  writeFile(decoy, markingProgram(dir_ / "decoy"));
  std::filesystem::permissions(decoy, std::filesystem::perms::owner_all);
  std::filesystem::current_path(dir_.path());
  site_.directory = "";
  publish("2999-01-01 00:00:00");

  EXPECT_TRUE(RunUpdateCheck(reporter_, site_).endProgram);
  ASSERT_TRUE(appears(dir_ / "started"));
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
  writeFile(dir_ / setupFileName(kUpdateBaseName), markingProgram(dir_ / "started"));
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

// With the publisher's key configured the setup program is started only when
// its signature, published beside it, verifies over the whole file; else it
// is removed and the check reports a connection error. This holds over plain
// http as over https.
TEST_F(UpdateHandlerTest, SignedSetupProgramIsStartedOnlyWhenItsSignatureHolds) {
  ScratchDir keys;
  const SigningKey publisher(keys / "publisher.pem");
  const SigningKey stranger(keys / "stranger.pem");
  const std::string setupName = setupFileName(kUpdateBaseName);
  const std::string published = *docroot_ / setupName;
  const std::string otherFile = keys / "other";
  writeFile(otherFile, "another setup program");

  enum class Sig { Good, None, WrongKey, OtherFile, Garbage };
  struct Case {
    const char* what;
    bool https;
    bool keySet;
    Sig sig;
    bool started;
  };
  const Case cases[] = {
      {"good signature", true, true, Sig::Good, true},
      {"good signature over http", false, true, Sig::Good, true},
      {"signed with another key", true, true, Sig::WrongKey, false},
      {"no signature published", true, true, Sig::None, false},
      {"no signature over http", false, true, Sig::None, false},
      {"signature of another file", false, true, Sig::OtherFile, false},
      {"not a signature", true, true, Sig::Garbage, false},
      {"no key configured", false, false, Sig::None, true},
  };
  publish("2999-01-01 00:00:00");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    writeFile(dir / kUpdateExeName, "the program");
    writeFile(published, markingProgram(dir / "started"));
    std::filesystem::remove(published + ".sig");
    switch (c.sig) {
      case Sig::Good: publisher.sign(published); break;
      case Sig::None: break;
      case Sig::WrongKey: stranger.sign(published); break;
      case Sig::OtherFile:
        publisher.sign(otherFile);
        std::filesystem::copy_file(otherFile + ".sig", published + ".sig",
                                   std::filesystem::copy_options::overwrite_existing);
        break;
      case Sig::Garbage: writeFile(published + ".sig", "not a signature\n"); break;
    }
    UpdateSite site;
    site.baseUrl = c.https ? server_->httpsUrl("/files/") : server_->httpUrl("/files/");
    site.directory = dir.path();
    site.download.caFile = server_->caFile();
    if (c.keySet) site.publicKey = publisher.publicKey;
    reporter_.events.clear();

    const UpdateHandlerResult result = RunUpdateCheck(reporter_, site);
    const std::vector<std::string> checked{"setupzararod.ver", "verze.log", kUpdateExeName};
    if (c.started) {
      EXPECT_EQ(result.code, "A");
      EXPECT_TRUE(result.endProgram);
      ASSERT_TRUE(appears(dir / "started"));
      std::vector<std::string> files = checked;
      files.push_back(setupName);
      if (c.keySet) files.push_back(setupName + ".sig");
      files.push_back("started");
      std::sort(files.begin(), files.end());
      EXPECT_EQ(filesIn(dir.path()), files);
      EXPECT_EQ(readFile(dir / setupName), readFile(published));
    } else {
      EXPECT_EQ(result.code, "E");
      EXPECT_FALSE(result.endProgram);
      EXPECT_EQ(reporter_.events,
                (std::vector<std::string>{"pending events", "stop: Chyba připojení."}));
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      std::vector<std::string> files = checked;
      std::sort(files.begin(), files.end());
      EXPECT_EQ(filesIn(dir.path()), files);
    }
  }
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

TEST(UpdateSiteTest, SettingsFileMayReplaceTheBuiltInUrlAndKey) {
  struct Case {
    const char* what;
    const char* ini;  // nullptr: no settings file
    std::string url;
    std::string key;
  };
  const std::string url = builtInUpdateUrl();
  const std::string key = builtInUpdateKey();
  const Case cases[] = {
      {"no file", nullptr, url, key},
      {"no section", "[LogON]\r\nIP=10.0.0.1\r\n", url, key},
      {"replaced",
       "[LogON_adr]\r\nrada=12\r\n[update]\r\n url = https://u.example/knihovna/ \r\n"
       "KEY=11qYAYKxCrfVS/7TyWQHOg7hcvPapiMlrwIaaPcHURo=\r\n",
       "https://u.example/knihovna/", "11qYAYKxCrfVS/7TyWQHOg7hcvPapiMlrwIaaPcHURo="},
      {"empty values", "[Update]\r\nURL=\r\nKey=\r\n", url, key},
      {"other key", "[Update]\r\nHost=u.example\r\n", url, key},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    if (c.ini) writeFile(dir / "vedid.ini", c.ini);
    const UpdateSite site = updateSiteFor(dir / "vedid.ini");
    EXPECT_EQ(site.baseUrl, c.url);
    EXPECT_EQ(site.publicKey, c.key);
    EXPECT_EQ(site.directory, ExePath());
  }
}

}  // namespace
}  // namespace zararod

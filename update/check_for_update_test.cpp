#include "update/check_for_update.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>

#include "testing/file_state.h"
#include "update/testdata/local_http_server.h"
#include "util/exception.h"
#include "util/file_errors.h"

namespace zararod {
namespace {

using zararod::testing::filesIn;
using zararod::testing::LocalServerTest;
using zararod::testing::readFile;
using zararod::testing::ScratchDir;
using zararod::testing::writeFile;

constexpr const char* kBase = "setupzararod";
constexpr const char* kExe = "zararod.exe";
constexpr const char* kSetupBytes = "#!/bin/sh\nexit 0\n";

// Sets the file's last-write time to the given local time.
void setLocalWriteTime(const std::string& path, int year, int month, int day, int hour,
                       int minute, int second) {
  ASSERT_TRUE(testing::setLocalWriteTime(path, year, month, day, hour, minute, second));
}

std::string logText(const std::string& local, const std::string& server) {
  return "Verze programu: " + local + "\r\nVerze internet: " + server + "\r\n";
}

class CheckForUpdateTest : public LocalServerTest {
 protected:
  void SetUp() override {
    site_.baseUrl = server_->httpUrl("/files/");
    site_.directory = dir_.path();
    std::filesystem::remove(*docroot_ / "setupzararod.ver");
    writeFile(*docroot_ / setupFileName(kBase), kSetupBytes);
    writeFile(exe(), "the program");
    setLocalWriteTime(exe(), 2026, 7, 29, 12, 10, 56);
  }

  // Publishes a version file whose second line is `line`.
  void publish(const std::string& line) {
    writeFile(*docroot_ / "setupzararod.ver", "[zararod]\r\n" + line + "\r\n");
  }
  std::string exe() const { return dir_ / kExe; }
  std::string log() const { return dir_ / "verze.log"; }
  std::string setup() const { return dir_ / setupFileName(kBase); }

  ScratchDir dir_;
  UpdateSite site_;
};

constexpr const char* kLocal = "2026-07-29 12:10:56";

TEST_F(CheckForUpdateTest, ComparesTheServersStampWithTheExecutables) {
  struct Case {
    const char* what;
    std::string line;
    std::string code;
    std::string serverStamp;
  };
  const Case cases[] = {
      {"same build", "zararod.exe 2026-07-29 12:10:56.000", "N", kLocal},
      {"later day", "zararod.exe 2026-07-30 12:10:56.000", "A", "2026-07-30 12:10:56"},
      {"earlier day", "zararod.exe 2026-07-28 12:10:56.000", "N", "2026-07-28 12:10:56"},
      // The local stamp has a two-second grain.
      {"odd second", "zararod.exe 2026-07-29 12:10:57.000", "A", "2026-07-29 12:10:57"},
      {"name in capitals", "ZARAROD.EXE 2026-07-30 08:00:00.000", "A",
       "2026-07-30 08:00:00"},
      {"no .000", "zararod.exe \t2026-07-30 08:00:00  ", "A", "2026-07-30 08:00:00"},
      {"text around", "build zararod.exe 2026-07-30 08:00:00.000 release 7/26", "A",
       "2026-07-30 08:00:00"},
      {"stamp before the name", "2026-07-30 08:00:00 zararod.exe", "N", ""},
      {"no name", "2026-07-30 08:00:00.000", "N", ""},
      // Bytes compare as unsigned: 0xE1 sorts after every digit.
      {"high byte", "zararod.exe \xE1", "A", "\xE1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(setup());
    publish(c.line);
    EXPECT_EQ(CheckForUpdate(kBase, kExe, true, site_), c.code);
    EXPECT_EQ(readFile(log()), logText(kLocal, c.serverStamp));
    EXPECT_EQ(readFile(setup()), c.code == "A" ? kSetupBytes : "<missing>");
    EXPECT_EQ(readFile(dir_ / "setupzararod.ver"),
              readFile(*docroot_ / "setupzararod.ver"));
  }
}

TEST_F(CheckForUpdateTest, ReadsTheSecondLineWhateverItsLineBreak) {
  for (const char* text :
       {"a\nzararod.exe 2026-07-30 08:00:00.000", "a\rzararod.exe 2026-07-30 08:00:00",
        "\r\nzararod.exe 2026-07-30 08:00:00\r\nmore\r\n"}) {
    writeFile(*docroot_ / "setupzararod.ver", text);
    EXPECT_EQ(CheckForUpdate(kBase, kExe, false, site_), "A");
    EXPECT_EQ(readFile(log()), logText(kLocal, "2026-07-30 08:00:00"));
  }
}

TEST_F(CheckForUpdateTest, MissingExecutableHasTheStampOfDayZero) {
  std::filesystem::remove(exe());
  publish("zararod.exe 2000-01-01 00:00:00.000");
  EXPECT_EQ(CheckForUpdate(kBase, kExe, true, site_), "A");
  EXPECT_EQ(readFile(log()), logText("1899-12-30 00:00:00", "2000-01-01 00:00:00"));
}

TEST_F(CheckForUpdateTest, SetupProgramArrivesRunnableOrTheCodeSaysWhy) {
  publish("zararod.exe 2026-07-30 08:00:00.000");

  // Asked not to download: the newer build is only reported.
  EXPECT_EQ(CheckForUpdate(kBase, kExe, false, site_), "A");
  EXPECT_FALSE(std::filesystem::exists(setup()));

  EXPECT_EQ(CheckForUpdate(kBase, kExe, true, site_), "A");
  EXPECT_EQ(readFile(setup()), kSetupBytes);
  EXPECT_EQ(access(setup().c_str(), X_OK), 0);

  // Not published: "E", so the older copy that stays is never started as
  // the new build.
  std::filesystem::remove(*docroot_ / setupFileName(kBase));
  EXPECT_EQ(CheckForUpdate(kBase, kExe, true, site_), "E");
  EXPECT_EQ(readFile(setup()), kSetupBytes);

  // The local setup program cannot be created.
  writeFile(*docroot_ / setupFileName(kBase), kSetupBytes);
  std::filesystem::remove(setup());
  std::filesystem::create_directory(setup());
  EXPECT_EQ(CheckForUpdate(kBase, kExe, true, site_), "E");
}

TEST_F(CheckForUpdateTest, NoVersionFileGivesSAndKeepsTheOlderLog) {
  writeFile(log(), "older log");
  writeFile(dir_ / "setupzararod.ver", "a stale version file\r\nzararod.exe 2030-01-01\r\n");
  for (const std::string& url :
       {server_->httpUrl("/files/"), server_->httpUrl("/status/500?file="),
        std::string("http://no-such-host.invalid/knihovna/")}) {
    SCOPED_TRACE(url);
    site_.baseUrl = url;
    EXPECT_EQ(CheckForUpdate(kBase, kExe, true, site_), "S");
    EXPECT_EQ(readFile(log()), "older log");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "setupzararod.ver"));
    EXPECT_FALSE(std::filesystem::exists(setup()));
  }
}

TEST_F(CheckForUpdateTest, ErrorsOfTheCheckPassToTheCaller) {
  writeFile(log(), "older log");
  // One line, none, and one because a NUL byte ends the text.
  const std::string texts[] = {"zararod.exe 2026-07-30 08:00:00.000\r\n", "",
                               std::string("a\0\r\nzararod.exe 2026-07-30\r\n", 28)};
  for (const std::string& text : texts) {
    writeFile(*docroot_ / "setupzararod.ver", text);
    try {
      CheckForUpdate(kBase, kExe, true, site_);
      ADD_FAILURE() << "no error for a version file of one line";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "List index out of bounds (1)");
    }
    EXPECT_EQ(readFile(log()), "older log");
    EXPECT_FALSE(std::filesystem::exists(setup()));
  }

  publish("zararod.exe 2026-07-30 08:00:00.000");
  std::filesystem::remove(log());
  std::filesystem::create_directory(log());
  EXPECT_THROW(CheckForUpdate(kBase, kExe, true, site_), EFCreateError);
  EXPECT_FALSE(std::filesystem::exists(setup()));
}

TEST_F(CheckForUpdateTest, EndlessVersionFileIsAFailedDownload) {
  writeFile(log(), "older log");
  site_.baseUrl = server_->httpUrl("/endless?file=");
  EXPECT_EQ(CheckForUpdate(kBase, kExe, true, site_), "S");
  EXPECT_EQ(readFile(log()), "older log");
  EXPECT_EQ(filesIn(dir_.path()), (std::vector<std::string>{"verze.log", kExe}));
}

TEST_F(CheckForUpdateTest, LeftoverTemporaryFilesAreRemovedAtTheNextCheck) {
  const std::string setup = setupFileName(kBase);
  for (const std::string& name :
       {std::string("setupzararod.ver.part-0123abcd"), setup + ".part-89abcdef", setup + ".sig.part-00000000",
        std::string("zararod.exe.part-01234567")}) {
    writeFile(dir_ / name, "left behind");
  }
  publish("zararod.exe 2026-07-29 12:10:56.000");
  EXPECT_EQ(CheckForUpdate(kBase, kExe, true, site_), "N");
  EXPECT_EQ(filesIn(dir_.path()),
            (std::vector<std::string>{"setupzararod.ver", "verze.log", kExe,
                                      "zararod.exe.part-01234567"}));
}

// An old version file that cannot be deleted (on Linux: immutable; on
// Windows: held open by another program) is read again when no new one can
// be fetched.
TEST_F(CheckForUpdateTest, LockedOldVersionFileIsReadAgain) {
  const std::string stale = dir_ / "setupzararod.ver";
  writeFile(stale, "x\r\nzararod.exe 2026-07-29 12:10:56.000\r\n");
  std::string code;
  {
    const testing::UndeletableFile locked(stale);
    if (!locked.active()) GTEST_SKIP() << "cannot make a file undeletable here";
    publish("zararod.exe 2026-07-30 08:00:00.000");  // cannot replace it either
    code = CheckForUpdate(kBase, kExe, true, site_);
  }
  EXPECT_EQ(code, "N");
  EXPECT_EQ(readFile(log()), logText(kLocal, kLocal));
}

}  // namespace
}  // namespace zararod

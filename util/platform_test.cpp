#include "util/platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "testing/temp_dir.h"
#include "util/date_time.h"

namespace zararod {
namespace {

namespace fs = std::filesystem;

using zararod::testing::TempDir;

std::string readText(const std::string& name) {
  std::ifstream in(name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeText(const std::string& name, const std::string& text, bool executable = false) {
  std::ofstream(name) << text;
  if (executable) ::chmod(name.c_str(), 0755);
}

// Sets the process time zone for one test and restores it afterwards.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) saved_ = old, hadOld_ = true;
    ::setenv("TZ", tz, 1);
    ::tzset();
  }
  ~ScopedTimeZone() {
    if (hadOld_)
      ::setenv("TZ", saved_.c_str(), 1);
    else
      ::unsetenv("TZ");
    ::tzset();
  }

 private:
  std::string saved_;
  bool hadOld_ = false;
};

void setModified(const std::string& name, std::time_t seconds, long nanoseconds = 0) {
  const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  ASSERT_EQ(::utimensat(AT_FDCWD, name.c_str(), times, 0), 0);
}

TEST(ExePathTest, DirectoryOfTheRunningExecutable) {
  const std::string dir = ExePath();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  EXPECT_EQ(dir + "platform_test", exeFileName());
  EXPECT_TRUE(fileExists(exeFileName()));
}

TEST(FileDateTimeTest, LocalTimeInTwoSecondSteps) {
  ScopedTimeZone zone("ZZZ-2");  // two hours east of UTC, no summer time
  TempDir dir;
  const std::string name = dir.file("zararod.exe");
  writeText(name, "x");
  // 2026-07-29 10:10:57 UTC is 12:10:57 local time.
  struct Case {
    std::time_t utc;
    long nanoseconds;
    double expected;
  };
  const std::time_t at101057 = 1785319857;
  const Case cases[] = {
      {at101057, 0, *encodeDateTime({2026, 7, 29, 12, 10, 56})},
      {at101057 - 1, 0, *encodeDateTime({2026, 7, 29, 12, 10, 56})},
      {at101057 - 1, 999999999, *encodeDateTime({2026, 7, 29, 12, 10, 56})},
      {at101057 + 1, 0, *encodeDateTime({2026, 7, 29, 12, 10, 58})},
      // The packed file date holds the years 1980 to 2107 (local time).
      {315525600 - 1, 0, 0},                                        // 1979-12-31 23:59:59
      {315525600, 0, *encodeDateTime({1980, 1, 1, 0, 0, 0})},       // 1980-01-01 00:00:00
      {4354811998, 0, *encodeDateTime({2107, 12, 31, 23, 59, 58})},  // 2107-12-31 23:59:58
      {4354812000, 0, 0},                                           // 2108-01-01 00:00:00
  };
  for (const Case& c : cases) {
    setModified(name, c.utc, c.nanoseconds);
    EXPECT_EQ(FileDateTime(name), c.expected) << c.utc;
  }
  setModified(name, at101057);
  EXPECT_EQ(DateTimeStr(FileDateTime(name)), "2026-07-29 12:10:56");
}

TEST(FileDateTimeTest, MissingFileAndDirectoryGiveZero) {
  TempDir dir;
  EXPECT_EQ(FileDateTime(dir.file("missing")), 0);
  EXPECT_EQ(FileDateTime(dir.path()), 0);
  EXPECT_EQ(FileDateTime(""), 0);
  EXPECT_EQ(DateTimeStr(FileDateTime(dir.path())), "1899-12-30 00:00:00");
}

TEST(FileTest, ExistsAndDelete) {
  TempDir dir;
  const std::string name = dir.file("a.ver");
  EXPECT_FALSE(fileExists(name));
  EXPECT_FALSE(deleteFile(name));
  writeText(name, "1");
  EXPECT_TRUE(fileExists(name));
  EXPECT_TRUE(deleteFile(name));
  EXPECT_FALSE(fileExists(name));
  EXPECT_FALSE(fileExists(dir.path()));
  EXPECT_FALSE(deleteFile(dir.path()));
  EXPECT_TRUE(fs::is_directory(dir.path()));
}

// Polls for a file for up to ten seconds.
bool appears(const std::string& name) {
  for (int i = 0; i < 200; ++i) {
    if (fileExists(name)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

TEST(RunProgramTest, WaitsUntilTheProgramHasEnded) {
  TempDir dir;
  const std::string out = dir.file("out");
  ASSERT_TRUE(RunProgram("/bin/sh -c \"sleep 0.2; echo done > " + out + "\"", false, true));
  EXPECT_EQ(readText(out), "done\n");
}

TEST(RunProgramTest, WithoutWaitReturnsWhileTheProgramRuns) {
  TempDir dir;
  const std::string go = dir.file("go");
  const std::string out = dir.file("out");
  // The program cannot finish before the caller has created "go".
  ASSERT_TRUE(RunProgram("/bin/sh -c \"while [ ! -e " + go + " ]; do sleep 0.05; done; echo done > " +
                             out + "\"",
                         false, false));
  EXPECT_FALSE(fileExists(out));
  writeText(go, "");
  ASSERT_TRUE(appears(out));
}

TEST(RunProgramTest, ProgramThatCannotBeStartedGivesFalse) {
  TempDir dir;
  writeText(dir.file("plain.txt"), "not a program");
  for (const std::string& commandLine :
       {std::string("zr-no-such-program-4711 arg"), dir.file("missing"), dir.file("plain.txt"),
        dir.path(), std::string(""), std::string("   ")}) {
    EXPECT_FALSE(RunProgram(commandLine, false, true)) << commandLine;
  }
}

TEST(RunProgramTest, QuotedProgramNameAndArguments) {
  TempDir dir;
  fs::create_directory(dir.file("with blank"));
  const std::string program = dir.file("with blank/prog");
  writeText(program, "#!/bin/sh\nprintf '%s|' \"$@\" > \"$1\"\n", true);
  const std::string out = dir.file("out");
  ASSERT_TRUE(RunProgram("\"" + program + "\" " + out + "  \"two words\"\tlast", false, true));
  EXPECT_EQ(readText(out), out + "|two words|last|");
}

// Each argument reaches the program as it stands: a quote or a blank in the
// program's path never splits it, so no other program is started instead.
TEST(StartProgramTest, PassesEachArgumentWhole) {
  TempDir dir;
  const std::string out = dir.file("out");
  fs::create_directory(dir.file("in\"stall"));
  fs::create_directory(dir.file("install"));
  writeText(dir.file("in\"stall/prog"), "#!/bin/sh\nprintf 'real %s|' \"$@\" > \"$1\"\n", true);
  writeText(dir.file("install/prog"), "#!/bin/sh\necho decoy > \"$1\"\n", true);
  ASSERT_EQ(startProgram({dir.file("in\"stall/prog"), out, "a \"b\"", ""}, true), 0);
  EXPECT_EQ(readText(out), "real " + out + "|real a \"b\"|real |");
}

TEST(StartProgramTest, ProgramThatCannotBeStartedGivesTheSystemsReason) {
  TempDir dir;
  writeText(dir.file("plain.txt"), "not a program");
  writeText(dir.file("no-format"), "neither a script nor a binary", true);
  const struct {
    std::string program;
    int error;
  } cases[] = {
      {dir.file("missing"), ENOENT},
      {dir.file("plain.txt"), EACCES},
      {dir.file("no-format"), ENOEXEC},
      {dir.path(), EACCES},
      {"zr-no-such-program-4711", ENOENT},
      {"", ENOENT},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(startProgram({c.program}, false), c.error) << c.program;
  }
  EXPECT_EQ(startProgram({}, false), ENOENT);
}

TEST(RunProgramTest, OpenDescriptorsAreNotInherited) {
  TempDir dir;
  const int fd = ::open(dir.file("held").c_str(), O_WRONLY | O_CREAT, 0644);  // no close-on-exec
  ASSERT_GE(fd, 3);
  const std::string out = dir.file("out");
  ASSERT_TRUE(RunProgram("/bin/sh -c \"if [ -e /proc/self/fd/" + std::to_string(fd) +
                             " ]; then echo inherited; else echo closed; fi > " + out + "\"",
                         false, true));
  ::close(fd);
  EXPECT_EQ(readText(out), "closed\n");
}

TEST(RunProgramTest, BareNameIsSearchedInExeDirThenCurrentDirThenPath) {
  TempDir dir;
  const std::string name = "zr_probe_" + std::to_string(::getpid());
  const std::string out = dir.file("out");
  auto probe = [&](const std::string& where, const std::string& label) {
    writeText(where + "/" + name, "#!/bin/sh\necho " + label + " > " + out + "\n", true);
  };
  const std::string exeDir = ExePath().substr(0, ExePath().size() - 1);
  fs::create_directory(dir.file("cwd"));
  fs::create_directory(dir.file("bin"));
  probe(exeDir, "exe");
  probe(dir.file("cwd"), "cwd");
  probe(dir.file("bin"), "path");

  // Current directory, PATH and the probe beside the executable are put back
  // however the test ends.
  struct Restore {
    fs::path cwd = fs::current_path();
    std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    std::string exeProbe;
    ~Restore() {
      fs::current_path(cwd);
      ::setenv("PATH", path.c_str(), 1);
      fs::remove(exeProbe);
    }
  } restore{.exeProbe = exeDir + "/" + name};
  fs::current_path(dir.file("cwd"));
  ::setenv("PATH", (dir.file("missing") + ":" + dir.file("bin") + ":/usr/bin:/bin").c_str(), 1);

  auto started = [&]() -> std::string {
    fs::remove(out);
    if (!RunProgram(name + " x", false, true)) return "not started";
    return readText(out);
  };
  EXPECT_EQ(started(), "exe\n");
  ::chmod((exeDir + "/" + name).c_str(), 0644);  // not executable: skipped
  EXPECT_EQ(started(), "cwd\n");
  fs::remove(exeDir + "/" + name);
  EXPECT_EQ(started(), "cwd\n");
  fs::remove(dir.file("cwd/" + name));
  EXPECT_EQ(started(), "path\n");
  fs::remove(dir.file("bin/" + name));
  EXPECT_EQ(started(), "not started");
}

TEST(SystemErrorMessageTest, TextOfErrno) {
  EXPECT_EQ(systemErrorMessage(ENOENT), "No such file or directory");
  EXPECT_EQ(systemErrorMessage(EACCES), "Permission denied");
}

}  // namespace
}  // namespace zararod

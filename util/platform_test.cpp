#include "util/platform.h"

#ifdef _WIN32
#include "testing/windows_api.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include "testing/argv_probe.h"
#include "testing/environment.h"
#include "testing/temp_dir.h"
#include "util/cp1250.h"
#include "util/date_time.h"

namespace zararod {
namespace {

namespace fs = std::filesystem;

using zararod::testing::argvProbeProgram;
using zararod::testing::probeReport;
using zararod::testing::ProbeReport;
using zararod::testing::ScopedEnvironmentVariable;
using zararod::testing::TempDir;

#ifdef _WIN32
constexpr const char* kExeSuffix = ".exe";
constexpr char kPathListSeparator = ';';
#else
constexpr const char* kExeSuffix = "";
constexpr char kPathListSeparator = ':';
#endif

// The Linux cases read what a started shell wrote.
[[maybe_unused]] std::string readText(const std::string& name) {
  std::ifstream in(nativePath(name), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeText(const std::string& name, const std::string& text, bool executable = false) {
  std::ofstream(nativePath(name), std::ios::binary) << text;
#ifndef _WIN32
  if (executable) ::chmod(name.c_str(), 0755);
#else
  (void)executable;  // Windows starts a file by its name, not by mode bits
#endif
}

// A name in double quotes, as a command line for RunProgram takes it.
std::string quoted(const std::string& name) { return "\"" + name + "\""; }

// Puts a copy of the probe at `name` (with ".exe" on Windows).
void installProbe(const std::string& name) {
  fs::copy_file(nativePath(argvProbeProgram()), nativePath(name + kExeSuffix),
                fs::copy_options::overwrite_existing);
}

// Polls for up to ten seconds until a probe has written its report to `out`.
bool reported(const std::string& out, std::size_t arguments = 1) {
  for (int i = 0; i < 200; ++i) {
    if (probeReport(out).arguments.size() >= arguments) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

#ifndef _WIN32
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

// Sets the file's last-write time to `seconds` after 1970 (UTC).
void setModified(const std::string& name, std::time_t seconds, long nanoseconds = 0) {
  const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  ASSERT_EQ(::utimensat(AT_FDCWD, name.c_str(), times, 0), 0);
}
#else
// Windows reads local time in the system's own time zone, which a process
// cannot change for itself. The times are therefore set as the local times
// they would be two hours east of UTC, through the system's conversion from
// local file time, the inverse of the one the program reads with.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char*) {}
};

void setModified(const std::string& name, std::time_t seconds, long nanoseconds = 0) {
  constexpr std::int64_t kEpochOf1601 = 11644473600;  // seconds from 1601 to 1970
  const std::int64_t ticks = (static_cast<std::int64_t>(seconds) + 2 * 3600 + kEpochOf1601) *
                                 10000000 + nanoseconds / 100;
  FILETIME local{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  FILETIME utc;
  ASSERT_TRUE(::LocalFileTimeToFileTime(&local, &utc));
  const HANDLE file = ::CreateFileW(nativePath(name).c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const bool set = ::SetFileTime(file, nullptr, nullptr, &utc) != 0;
  ::CloseHandle(file);
  ASSERT_TRUE(set);
}
#endif

TEST(ExePathTest, DirectoryOfTheRunningExecutable) {
  const std::string dir = ExePath();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), kPathSeparator);
  EXPECT_EQ(dir + "platform_test" + kExeSuffix, exeFileName());
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

TEST(RunProgramTest, WaitsUntilTheProgramHasEnded) {
  TempDir dir;
  const std::string out = dir.file("out");
  const ScopedEnvironmentVariable delay("ZR_PROBE_DELAY_MS", "200");
  ASSERT_TRUE(RunProgram(quoted(argvProbeProgram()) + " " + quoted(out), false, true));
  EXPECT_EQ(probeReport(out).arguments, std::vector<std::string>{out});
}

TEST(RunProgramTest, WithoutWaitReturnsWhileTheProgramRuns) {
  TempDir dir;
  const std::string go = dir.file("go");
  const std::string out = dir.file("out");
  {
    // The program cannot finish before the caller has created "go".
    const ScopedEnvironmentVariable after("ZR_PROBE_AFTER", go);
    ASSERT_TRUE(RunProgram(quoted(argvProbeProgram()) + " " + quoted(out), false, false));
  }
  EXPECT_FALSE(fileExists(out));
  writeText(go, "");
  ASSERT_TRUE(reported(out));
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
  fs::create_directory(nativePath(dir.file("with blank")));
  const std::string program = dir.file("with blank") + kPathSeparator + "prog";
  installProbe(program);
  const std::string out = dir.file("out");
  ASSERT_TRUE(RunProgram(quoted(program) + " " + out + "  \"two words\"\tlast", false, true));
  const ProbeReport report = probeReport(out);
  EXPECT_EQ(report.program, program + kExeSuffix);
  EXPECT_EQ(report.arguments, (std::vector<std::string>{out, "two words", "last"}));
}

// Each argument reaches the program as it stands: a quote or a blank in the
// program's path never splits it, so no other program is started instead
// (on Linux a decoy sits where a path cut at its quote would lead; Windows
// allows no quote in a file name, so there the decoy sits where a path cut
// at its first blank would lead, beside a folder with Czech letters that
// proves the program's file names reach the system whole).
TEST(StartProgramTest, PassesEachArgumentWhole) {
  TempDir dir;
  const std::string out = dir.file("out");
#ifdef _WIN32
  const std::string folder = dir.file(utf8ToCp1250("Zararod – Příbram"));
  const std::string decoy = dir.file("Zararod");
#else
  const std::string folder = dir.file("in\"stall");
  fs::create_directory(dir.file("install"));
  const std::string decoy = dir.file("install/prog");
#endif
  fs::create_directory(nativePath(folder));
  const std::string program = folder + kPathSeparator + "prog";
  installProbe(program);
  installProbe(decoy);
  ASSERT_EQ(startProgram({program, out, "a \"b\"", ""}, true), 0);
  const ProbeReport report = probeReport(out);
  EXPECT_EQ(report.program, program + kExeSuffix);
  EXPECT_EQ(report.arguments, (std::vector<std::string>{out, "a \"b\"", ""}));
}

// On Windows a program splits its own command line by the C runtime's rules:
// every argument must arrive as it was given, whatever blanks, quotes and
// backslashes it holds.
TEST(StartProgramTest, EveryArgumentArrivesAsItStands) {
  TempDir dir;
  const std::vector<std::string> arguments = {
      dir.file("out"),
      "plain",
      "two words",
      "",
      " ",
      "tab\there",
      "say \"hi\"",
      "\"",
      "\"\"",
      "\\",
      "trailing\\",
      "trailing blank \\",
      "C:\\Program Files\\Zararod\\",
      "\\\\server\\share",
      "back\\\"slash quote",
      "back\\\\\"slashes quote",
      "a\\\\b",
      "%PATH%",
      "^&|<>()",
      "*?",
      "new\nline",
      utf8ToCp1250("Zararod – Příbram"),
      utf8ToCp1250("\"Výkup obilí\\\" ČŘŽ\\\\"),
  };
  std::vector<std::string> command = {argvProbeProgram()};
  command.insert(command.end(), arguments.begin(), arguments.end());
  ASSERT_EQ(startProgram(command, true), 0);
  EXPECT_EQ(probeReport(dir.file("out")).arguments, arguments);
}

TEST(StartProgramTest, ProgramThatCannotBeStartedGivesTheSystemsReason) {
  TempDir dir;
  writeText(dir.file("plain.txt"), "not a program");
  const struct {
    std::string program;
    int error;
  } cases[] = {
      {dir.file("missing"), ENOENT},
      {"zr-no-such-program-4711", ENOENT},
      {"", ENOENT},
#ifdef _WIN32
      // A file that is no program, by its name or by its content.
      {dir.file("plain.txt"), ENOEXEC},
      {dir.file("no-format.exe"), ENOEXEC},
      // A folder is looked for as a program "<folder>.exe", which is missing.
      {dir.path(), ENOENT},
#else
      {dir.file("plain.txt"), EACCES},  // not executable
      {dir.file("no-format"), ENOEXEC},
      {dir.path(), EACCES},
#endif
  };
#ifdef _WIN32
  writeText(dir.file("no-format.exe"), "neither a script nor a binary");
#else
  writeText(dir.file("no-format"), "neither a script nor a binary", true);
#endif
  for (const auto& c : cases) {
    EXPECT_EQ(startProgram({c.program}, false), c.error) << c.program;
  }
  EXPECT_EQ(startProgram({}, false), ENOENT);
}

#ifndef _WIN32
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
#else
// A handle that a started program inherited would keep the file open after
// the caller closed its own: the file then cannot be opened without sharing
// while the program runs.
TEST(RunProgramTest, OpenHandlesAreNotInherited) {
  TempDir dir;
  const std::string held = dir.file("held");
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE handle = ::CreateFileW(nativePath(held).c_str(), GENERIC_WRITE, 0, &inheritable,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  const std::string go = dir.file("go");
  const std::string out = dir.file("out");
  bool started = false;
  {
    // The program runs on until the caller creates "go".
    const ScopedEnvironmentVariable after("ZR_PROBE_AFTER", go);
    started = RunProgram(quoted(argvProbeProgram()) + " " + quoted(out), false, false);
  }
  ::CloseHandle(handle);
  ASSERT_TRUE(started);
  handle = ::CreateFileW(nativePath(held).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool free = handle != INVALID_HANDLE_VALUE;
  if (free) ::CloseHandle(handle);
  writeText(go, "");
  ASSERT_TRUE(reported(out));
  EXPECT_TRUE(free) << "the started program holds the caller's file";
}
#endif

TEST(RunProgramTest, BareNameIsSearchedInExeDirThenCurrentDirThenPath) {
  TempDir dir;
  // A name of this run's own (the folder beside the executable is shared).
  const std::string name = "zr_probe_" + nativePath(dir.path()).filename().string();
  const std::string out = dir.file("out");
  const std::string exeDir = ExePath().substr(0, ExePath().size() - 1);
  const std::string cwd = dir.file("cwd");
  const std::string bin = dir.file("bin");
  fs::create_directory(nativePath(cwd));
  fs::create_directory(nativePath(bin));
  const std::map<std::string, std::string> labels = {
      {exeDir, "exe"}, {cwd, "cwd"}, {bin, "path"}};
  for (const auto& [where, label] : labels) installProbe(where + kPathSeparator + name);

  // Current directory, PATH and the probe beside the executable are put back
  // however the test ends.
  struct Restore {
    fs::path cwd = fs::current_path();
    std::string exeProbe;
    ~Restore() {
      fs::current_path(cwd);
      fs::remove(nativePath(exeProbe));
    }
  } restore{.exeProbe = exeDir + kPathSeparator + name + kExeSuffix};
  fs::current_path(nativePath(cwd));
  const ScopedEnvironmentVariable path(
      "PATH", dir.file("missing") + kPathListSeparator + bin + kPathListSeparator +
                  testing::environmentVariable("PATH").value_or(""));

  // The label of the directory whose probe ran.
  auto started = [&]() -> std::string {
    fs::remove(nativePath(out));
    if (!RunProgram(name + " " + quoted(out), false, true)) return "not started";
    const std::string program = probeReport(out).program;
    const auto label = labels.find(program.substr(0, program.find_last_of(kPathSeparator)));
    return label == labels.end() ? program : label->second;
  };
  EXPECT_EQ(started(), "exe");
#ifndef _WIN32
  ::chmod((exeDir + "/" + name).c_str(), 0644);  // not executable: skipped
  EXPECT_EQ(started(), "cwd");
#endif
  fs::remove(nativePath(restore.exeProbe));
  EXPECT_EQ(started(), "cwd");
  fs::remove(nativePath(cwd + kPathSeparator + name + kExeSuffix));
  EXPECT_EQ(started(), "path");
  fs::remove(nativePath(bin + kPathSeparator + name + kExeSuffix));
  EXPECT_EQ(started(), "not started");
}

TEST(SystemErrorMessageTest, TextOfErrno) {
  EXPECT_EQ(systemErrorMessage(ENOENT), "No such file or directory");
  EXPECT_EQ(systemErrorMessage(EACCES), "Permission denied");
}

}  // namespace
}  // namespace zararod

#include "util/file_io.h"

#ifdef _WIN32
#include "testing/windows_api.h"
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <filesystem>

#include "testing/error_of.h"
#include "testing/file_state.h"
#include "testing/temp_dir.h"
#include "util/cp1250.h"
#include "util/file_errors.h"
#include "util/platform.h"

namespace zararod {
namespace {

class FileIoTest : public ::testing::Test {
 protected:
  std::string file(const std::string& name) const { return temp_.file(name); }

  zararod::testing::TempDir temp_;
  const std::string& dir_ = temp_.path();
};

using zararod::testing::errorOf;

TEST_F(FileIoTest, BytesPassUnchanged) {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  bytes += "\r\n\n\r";
  writeFileBytes(file("aad.txt"), bytes);
  EXPECT_EQ(readFileBytes(file("aad.txt")), bytes);
  writeFileBytes(file("aad.txt"), "short");  // an existing file is overwritten
  EXPECT_EQ(readFileBytes(file("aad.txt")), "short");
  writeFileBytes(file("empty"), "");
  EXPECT_EQ(readFileBytes(file("empty")), "");
}

// The program's file names are cp1250: a folder and a file with Czech
// letters are made under exactly those names (on Windows in UTF-16, as any
// other program sees them; on Linux as the bytes themselves).
TEST_F(FileIoTest, CzechFileNames) {
  const std::string folder = file(utf8ToCp1250("Zararod – Příbram"));
  std::filesystem::create_directory(nativePath(folder));
  const std::string name = folder + kPathSeparator + utf8ToCp1250("Výkup obilí.txt");
  writeFileBytes(name, "ŘŽ");
  EXPECT_EQ(readFileBytes(name), "ŘŽ");
  // What the system lists: the folder in the scratch directory, the file in it.
  const auto entries = [](const std::string& dir) {
    std::vector<std::filesystem::path> names;
    for (const auto& entry : std::filesystem::directory_iterator(nativePath(dir)))
      names.push_back(entry.path().filename());
    return names;
  };
  const auto folders = entries(dir_);
  const auto files = entries(folder);
  ASSERT_EQ(folders.size(), 1u);
  ASSERT_EQ(files.size(), 1u);
#ifdef _WIN32
  EXPECT_EQ(folders[0].wstring(), L"Zararod \u2013 P\u0159\u00edbram");
  EXPECT_EQ(files[0].wstring(), L"V\u00fdkup obil\u00ed.txt");
#else
  EXPECT_EQ(folders[0].string(), utf8ToCp1250("Zararod – Příbram"));
  EXPECT_EQ(files[0].string(), utf8ToCp1250("Výkup obilí.txt"));
#endif
}

TEST_F(FileIoTest, OutputFileStreamsPieces) {
  const std::string big(200000, 'x');
  {
    OutputFile out(file("setupzararod.exe"));
    out.write("MZ");
    out.write(big);
    out.write("");
    out.close();
    out.close();
  }
  EXPECT_EQ(readFileBytes(file("setupzararod.exe")), "MZ" + big);
  {
    OutputFile out(file("unclosed"));
    out.write("kept");
  }  // closed by the destructor
  EXPECT_EQ(readFileBytes(file("unclosed")), "kept");
}

TEST_F(FileIoTest, FailuresCarryFileNameAndSystemMessage) {
  const std::string inMissingDir = file("no/verze.log");
  EXPECT_EQ(errorOf<EFCreateError>([&] { writeFileBytes(inMissingDir, "x"); }),
            "Cannot create file \"" + inMissingDir + "\". No such file or directory");
  EXPECT_EQ(errorOf<EFCreateError>([&] { OutputFile out(dir_); }),
            "Cannot create file \"" + dir_ + "\". " + zararod::testing::kFolderAsFileReason);
#ifdef _WIN32
  // Windows refuses to open a folder as a file at all.
  EXPECT_EQ(errorOf<EFOpenError>([&] { readFileBytes(dir_); }),
            "Cannot open file \"" + dir_ + "\". Permission denied");
#else
  EXPECT_EQ(errorOf<EReadError>([&] { readFileBytes(dir_); }),
            "Cannot read file \"" + dir_ + "\". Is a directory");
  // A full disk is not a success. (Windows has no device that is always full.)
  EXPECT_EQ(errorOf<EWriteError>([&] { writeFileBytes("/dev/full", "x"); }),
            "Cannot write file \"/dev/full\". No space left on device");
#endif
  EXPECT_EQ(errorOf<EFOpenError>([&] { readFileBytes(file("setupzararod.ver")); }),
            "Cannot open file \"" + file("setupzararod.ver") + "\". No such file or directory");
  // Every file error is one of the program's exceptions and names its file.
  try {
    readFileBytes(file("gone"));
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(dynamic_cast<const EFileError&>(e).FileName(), file("gone"));
  }
}

// The messages of writing and reading a file that the system refuses to
// this process.
std::string deniedErrors(const std::string& path) {
  return errorOf<EFCreateError>([&] { writeFileBytes(path, "y"); }) + "\n" +
         errorOf<EFOpenError>([&] { readFileBytes(path); });
}

#ifdef _WIN32
// On Windows: a file that another handle holds without sharing.
std::string permissionErrors(const std::string& path) {
  const HANDLE held = ::CreateFileW(nativePath(path).c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (held == INVALID_HANDLE_VALUE) return "cannot hold the file";
  const std::string text = deniedErrors(path);
  ::CloseHandle(held);
  return text;
}
#else
// On Linux: a file whose mode bits allow nothing. Root passes mode bits, so
// as root the two attempts run in a child process that has given up root for
// the unprivileged account "nobody".
std::string permissionErrors(const std::string& path) {
  ::chmod(std::filesystem::path(path).parent_path().c_str(), 0755);  // the child must reach it
  ::chmod(path.c_str(), 0);
  if (::geteuid() != 0) return deniedErrors(path);
  int out[2];
  if (::pipe(out) != 0) return "pipe failed";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(out[0]);
    std::string text = "cannot give up root";
    if (::setgid(65534) == 0 && ::setuid(65534) == 0) text = deniedErrors(path);
    const ssize_t written = ::write(out[1], text.data(), text.size());
    ::_exit(written == static_cast<ssize_t>(text.size()) ? 0 : 1);
  }
  ::close(out[1]);
  std::string text;
  char buffer[512];
  for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  ::close(out[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return text;
}
#endif

TEST_F(FileIoTest, PermissionDenied) {
  writeFileBytes(file("locked"), "x");
  EXPECT_EQ(permissionErrors(file("locked")),
            "Cannot create file \"" + file("locked") + "\". Permission denied\n"
            "Cannot open file \"" + file("locked") + "\". Permission denied");
}

}  // namespace
}  // namespace zararod

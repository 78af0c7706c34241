#include "util/file_io.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "testing/error_of.h"
#include "testing/temp_dir.h"
#include "util/file_errors.h"

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
            "Cannot create file \"" + dir_ + "\". Is a directory");
  EXPECT_EQ(errorOf<EFOpenError>([&] { readFileBytes(file("setupzararod.ver")); }),
            "Cannot open file \"" + file("setupzararod.ver") + "\". No such file or directory");
  EXPECT_EQ(errorOf<EReadError>([&] { readFileBytes(dir_); }),
            "Cannot read file \"" + dir_ + "\". Is a directory");
  // A full disk is not a success.
  EXPECT_EQ(errorOf<EWriteError>([&] { writeFileBytes("/dev/full", "x"); }),
            "Cannot write file \"/dev/full\". No space left on device");
  // Every file error is one of the program's exceptions and names its file.
  try {
    readFileBytes(file("gone"));
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(dynamic_cast<const EFileError&>(e).FileName(), file("gone"));
  }
}

// The messages of writing and reading a file whose mode bits allow nothing.
// Root passes mode bits, so as root the two attempts run in a child process
// that has given up root for the unprivileged account "nobody".
std::string permissionErrors(const std::string& path) {
  const auto attempt = [&] {
    return errorOf<EFCreateError>([&] { writeFileBytes(path, "y"); }) + "\n" +
           errorOf<EFOpenError>([&] { readFileBytes(path); });
  };
  if (::geteuid() != 0) return attempt();
  int out[2];
  if (::pipe(out) != 0) return "pipe failed";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(out[0]);
    std::string text = "cannot give up root";
    if (::setgid(65534) == 0 && ::setuid(65534) == 0) text = attempt();
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

TEST_F(FileIoTest, PermissionDenied) {
  writeFileBytes(file("locked"), "x");
  ::chmod(dir_.c_str(), 0755);  // the unprivileged child must reach the file
  ::chmod(file("locked").c_str(), 0);
  EXPECT_EQ(permissionErrors(file("locked")),
            "Cannot create file \"" + file("locked") + "\". Permission denied\n"
            "Cannot open file \"" + file("locked") + "\". Permission denied");
}

}  // namespace
}  // namespace zararod

#include "util/file_io.h"

#include <sys/stat.h>
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

TEST_F(FileIoTest, PermissionDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write anywhere";
  writeFileBytes(file("locked"), "x");
  ::chmod(file("locked").c_str(), 0);
  EXPECT_EQ(errorOf<EFCreateError>([&] { writeFileBytes(file("locked"), "y"); }),
            "Cannot create file \"" + file("locked") + "\". Permission denied");
  EXPECT_EQ(errorOf<EFOpenError>([&] { readFileBytes(file("locked")); }),
            "Cannot open file \"" + file("locked") + "\". Permission denied");
}

}  // namespace
}  // namespace zararod

#include "update/download_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "testing/file_state.h"
#include "testing/socket.h"
#include "update/testdata/local_http_server.h"
#include "util/file_errors.h"

namespace zararod {
namespace {

using ::testing::HasSubstr;
using zararod::testing::LocalServerTest;
using zararod::testing::patternBytes;
using zararod::testing::readFile;
using zararod::testing::filesIn;
using zararod::testing::ScratchDir;
using zararod::testing::writeFile;

class DownloadFileTest : public LocalServerTest {
 protected:
  static void SetUpTestSuite() {
    LocalServerTest::SetUpTestSuite();
    writeFile(*docroot_ / "small.txt", "zararod.exe 2026-07-29 12:10:56.000\r\n");
    writeFile(*docroot_ / "empty", "");
    writeFile(*docroot_ / "body2050", patternBytes(2050));
    writeFile(*docroot_ / "large", patternBytes(3 << 20));
  }

  DownloadOptions trusted() const { return {server_->caFile()}; }

  ScratchDir dir_;
};

TEST_F(DownloadFileTest, StoresTheWholeBodyOfA200Answer) {
  struct Case {
    std::string url;
    std::string expected;
  };
  const Case cases[] = {
      {server_->httpUrl("/files/small.txt"), readFile(*docroot_ / "small.txt")},
      {server_->httpUrl("/files/empty"), ""},
      {server_->httpUrl("/files/body2050"), patternBytes(2050)},
      // No length announced: the body ends with the last chunk.
      {server_->httpUrl("/chunked/3000"), patternBytes(3000)},
      {server_->httpUrl("/redirect/3/files/body2050"), patternBytes(2050)},
      {server_->httpsUrl("/files/body2050"), patternBytes(2050)},
      {server_->httpsUrl("/files/large"), patternBytes(3 << 20)},
      {server_->httpsUrl("/redirect/2/files/small.txt"),
       readFile(*docroot_ / "small.txt")},
      // From plain http up to https.
      {server_->httpUrl("/goto?" + server_->httpsUrl("/files/body2050")),
       patternBytes(2050)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    const std::string target = dir_ / "target";
    writeFile(target, "an older, longer file that must be replaced whole");
    EXPECT_TRUE(DownloadFile(c.url, target, trusted()));
    EXPECT_EQ(readFile(target), c.expected);
    EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"target"});
  }
}

TEST_F(DownloadFileTest, FailureReturnsFalseAndLeavesTheTargetAsItWas) {
  const std::string refused =
      "http://127.0.0.1:" + std::to_string(zararod::testing::unusedLoopbackPort()) + "/files/small.txt";
  const std::string urls[] = {
      server_->httpUrl("/files/missing"),
      server_->httpUrl("/status/500"),
      server_->httpUrl("/loop"),  // more redirections than allowed
      // The transfer breaks off mid-way: announced 2050, sent 1000.
      server_->httpUrl("/cut/2050/1000"),
      server_->httpUrl("/cut/2050/0"),
      server_->httpUrl("/chunked-cut/3000"),
      "http://no-such-host.invalid/knihovna/setupzararod.ver",
      refused,
      // Certificate verification stays on: an authority the system does not
      // know, and a trusted authority's certificate for another host.
      server_->httpsUrl("/files/small.txt"),
      server_->wrongHostUrl("/files/small.txt"),
      "file:///etc/hostname",
      // Once on https, a redirection never leads down to plain http.
      server_->httpsUrl("/goto?" + server_->httpUrl("/files/small.txt")),
  };
  for (const std::string& url : urls) {
    SCOPED_TRACE(url);
    const bool trustTestAuthority = url != server_->httpsUrl("/files/small.txt");
    const DownloadOptions options = trustTestAuthority ? trusted() : DownloadOptions{};

    const std::string fresh = dir_ / "fresh";
    EXPECT_FALSE(DownloadFile(url, fresh, options));
    EXPECT_TRUE(filesIn(dir_.path()).empty());

    const std::string older = dir_ / "older";
    writeFile(older, "older");
    EXPECT_FALSE(DownloadFile(url, older, options));
    EXPECT_EQ(readFile(older), "older");
    EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"older"});
    std::filesystem::remove(older);
  }
}

TEST_F(DownloadFileTest, StalledTransferEndsWithFalse) {
  DownloadOptions options;
  options.lowSpeedSeconds = 1;  // the server goes silent for 30 seconds
  const std::string target = dir_ / "target";
  writeFile(target, "older");
  EXPECT_FALSE(DownloadFile(server_->httpUrl("/stall/2050/1000"), target, options));
  EXPECT_EQ(readFile(target), "older");
  EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"target"});
}

TEST_F(DownloadFileTest, BodyLongerThanTheLimitIsAFailedDownload) {
  struct Case {
    std::string url;
    long long maxBytes;
    bool stored;
  };
  const Case cases[] = {
      {server_->httpUrl("/files/body2050"), 2050, true},
      {server_->httpUrl("/files/body2050"), 2049, false},  // announced too long
      {server_->httpUrl("/chunked/3000"), 3000, true},
      {server_->httpUrl("/chunked/3000"), 2999, false},  // found too long on the way
      {server_->httpUrl("/files/empty"), 0, true},
      {server_->httpUrl("/endless"), 1 << 20, false},
      {server_->httpsUrl("/endless"), 1 << 20, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url + " limit " + std::to_string(c.maxBytes));
    DownloadOptions options = trusted();
    options.maxBytes = c.maxBytes;
    const std::string target = dir_ / "target";
    writeFile(target, "older");
    EXPECT_EQ(DownloadFile(c.url, target, options), c.stored);
    EXPECT_EQ(readFile(target) == "older", !c.stored);
    EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"target"});
  }
}

TEST_F(DownloadFileTest, RemovesOnlyTheLeftoverPartsOfItsTarget) {
  const std::string target = dir_ / "setupzararod";
  for (const char* name : {"setupzararod", "setupzararod.part-0123abcd", "setupzararod.part-ffffffff",
                           "setupzararod.part-DEADBEEF", "setupzararod.part-0123abc",
                           "setupzararod.part-0123abcd0", "setupzararod.ver.part-0123abcd",
                           "other.part-0123abcd"}) {
    writeFile(dir_ / name, "x");
  }
  std::filesystem::create_directory(dir_ / "setupzararod.part-89abcdef");
  removeLeftoverParts(target);
  EXPECT_EQ(filesIn(dir_.path()),
            (std::vector<std::string>{"other.part-0123abcd", "setupzararod",
                                      "setupzararod.part-0123abc", "setupzararod.part-0123abcd0",
                                      "setupzararod.part-89abcdef", "setupzararod.part-DEADBEEF",
                                      "setupzararod.ver.part-0123abcd"}));
  removeLeftoverParts(dir_ / "no-such-folder/setupzararod");  // nothing to do, no error
}

TEST_F(DownloadFileTest, AnnouncesItselfAndAsksTheOriginForAFreshAnswer) {
  const std::string target = dir_ / "headers";
  ASSERT_TRUE(DownloadFile(server_->httpUrl("/headers"), target));
  const std::string seen = readFile(target);
  EXPECT_THAT(seen, HasSubstr("User-Agent: Voruzi\r\n"));
  EXPECT_THAT(seen, HasSubstr("Cache-Control: no-cache\r\n"));
  EXPECT_THAT(seen, HasSubstr("Pragma: no-cache\r\n"));
}

TEST_F(DownloadFileTest, TargetThatCannotBeCreatedRaisesTheFileError) {
  struct Case {
    std::string target;
    std::string message;
  };
  std::filesystem::create_directory(dir_ / "a-folder");
  const Case cases[] = {
      {dir_ / "a-folder", "Cannot create file \"" + (dir_ / "a-folder") + "\". " +
                              zararod::testing::kFolderAsFileReason},
      {dir_ / "no-such-folder/file", "Cannot create file \"" +
                                         (dir_ / "no-such-folder/file") +
                                         "\". No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    for (const char* path : {"/files/small.txt", "/files/empty"}) {
      try {
        DownloadFile(server_->httpUrl(path), c.target);
        ADD_FAILURE() << "no error raised";
      } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), c.message);
      }
    }
    // Without a 200 answer nothing is created, so nothing fails.
    EXPECT_FALSE(DownloadFile(server_->httpUrl("/files/missing"), c.target));
  }
  EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"a-folder"});
}

}  // namespace
}  // namespace zararod

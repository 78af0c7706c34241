// Test support: a real local HTTP and HTTPS server, and scratch folders.
//
// LocalServerTest is a fixture with one such server per test suite.
//
// LocalHttpServer runs update/testdata/http_test_server.py (python3, openssl)
// on the host (testing/host_programs.h: under Wine, on the Linux side) on
// loopback with ports of its own below 32768, so that test cases run in
// parallel never collide. The server makes its own certificate authority;
// caFile() names it for DownloadOptions. The server stops when the object is
// destroyed (a file it watches is removed) and by itself after five minutes
// at the latest. See the script for the paths it serves.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "testing/environment.h"
#include "testing/host_programs.h"
#include "testing/temp_dir.h"
#include "util/platform.h"

namespace zararod::testing {

// A TempDir whose path() ends with the path separator (the form of
// ExePath()).
class ScratchDir {
 public:
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  TempDir dir_;
  std::string path_ = dir_.path() + kTestPathSeparator;
};

// File names are cp1250, as the program's own.
inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(nativePath(path), std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

// The content of the file, or "<missing>" when there is none.
inline std::string readFile(const std::string& path) {
  std::ifstream in(nativePath(path), std::ios::binary);
  if (!in) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The path of `name` taken from this folder (update/testdata/). __FILE__ is
// relative when the compiler was given a relative path (ccache with a base
// directory does that); it is then relative to the build tree's root, the
// parent of the folder that holds the test executable (CTest runs each test
// in that folder). The Windows build is compiled on the Linux host, so there
// __FILE__ is a host path.
inline std::string testdataPath(const std::string& name) {
  namespace fs = std::filesystem;
  fs::path here = fs::path(__FILE__).parent_path();
#ifdef _WIN32
  if (__FILE__[0] == '/') {
    return pathOfHostFile((fs::path(__FILE__).parent_path() / name).lexically_normal().generic_string());
  }
  here = fs::current_path().parent_path() / here;
#else
  if (here.is_relative()) here = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / here;
#endif
  return (here / name).lexically_normal().string();
}

// The names of the entries in the folder, sorted.
inline std::vector<std::string> filesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The bytes the server's /cut and /chunked paths send: byte i is i mod 251.
inline std::string patternBytes(size_t n) {
  std::string bytes(n, '\0');
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>(i % 251);
  return bytes;
}

class LocalHttpServer {
 public:
  // Starts the server on docroot (served under /files/). Throws
  // std::runtime_error when it does not come up within 30 seconds.
  explicit LocalHttpServer(const std::string& docroot) {
    // Requests to this server never go through a proxy of the environment.
    setEnvironmentVariable("no_proxy", "127.0.0.1,localhost");
    setEnvironmentVariable("NO_PROXY", "127.0.0.1,localhost");
    // The server runs on the host (under Wine: the Linux side) in the
    // background, and ends when the file "alive" is gone.
    writeFile(work_ / "alive", "");
    const int started = runHostShell(
        "python3 \"$1\" --docroot \"$2\" --workdir \"$3\" --lifetime 300 "
        "--ready-file \"$3/ready\" --while-exists \"$3/alive\" "
        "</dev/null >\"$3/log\" 2>&1 &",
        {hostPath(testdataPath("http_test_server.py")), hostPath(docroot),
         hostPath(work_.path())});
    if (started != 0) throw std::runtime_error("cannot start python3");
    std::string line;
    for (int i = 0; i < 600 && (line = readFile(work_ / "ready")) == "<missing>"; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::istringstream words(line);
    std::string ready;
    std::string hostCaFile;
    words >> ready >> httpPort_ >> httpsPort_ >> wrongHostPort_ >> hostCaFile;
    if (ready != "ready" || hostCaFile.empty()) {
      stop();
      throw std::runtime_error("local HTTP server did not start: " + line +
                               readFile(work_ / "log"));
    }
    caFile_ = pathOfHostFile(hostCaFile);
  }

  ~LocalHttpServer() { stop(); }
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  std::string httpUrl(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(httpPort_) + path;
  }
  // Certificate for 127.0.0.1, signed by caFile().
  std::string httpsUrl(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(httpsPort_) + path;
  }
  // Certificate signed by caFile(), but for another host name.
  std::string wrongHostUrl(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(wrongHostPort_) + path;
  }
  const std::string& caFile() const { return caFile_; }

 private:
  // The server sees its file go within a fraction of a second and ends.
  void stop() {
    std::error_code ignored;
    std::filesystem::remove(work_ / "alive", ignored);
  }

  ScratchDir work_;
  int httpPort_ = 0;
  int httpsPort_ = 0;
  int wrongHostPort_ = 0;
  std::string caFile_;
};

// One server per test suite, serving the folder docroot_ under /files/.
class LocalServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    docroot_ = std::make_unique<ScratchDir>();
    server_ = std::make_unique<LocalHttpServer>(docroot_->path());
  }
  static void TearDownTestSuite() {
    server_.reset();
    docroot_.reset();
  }

  inline static std::unique_ptr<ScratchDir> docroot_;
  inline static std::unique_ptr<LocalHttpServer> server_;
};

}  // namespace zararod::testing

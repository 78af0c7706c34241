// Test support: a real local HTTP and HTTPS server, and scratch folders.
//
// LocalServerTest is a fixture with one such server per test suite.
//
// LocalHttpServer runs update/testdata/http_test_server.py (python3, openssl)
// as a child process on loopback with ports of its own below 32768, so that test
// cases run in parallel never collide. The server makes its own certificate
// authority; caFile() names it for DownloadOptions. The child stops when the
// object is destroyed (its stdin is closed) and by itself after five minutes
// at the latest. See the script for the paths it serves.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "testing/temp_dir.h"

extern char** environ;

namespace zararod::testing {

// A TempDir whose path() ends with "/" (the form of ExePath()).
class ScratchDir {
 public:
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  TempDir dir_;
  std::string path_ = dir_.path() + "/";
};

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

// The content of the file, or "<missing>" when there is none.
inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The path of `name` taken from this folder (update/testdata/). __FILE__ is
// relative when the compiler was given a relative path (ccache with a base
// directory does that); it is then relative to the build tree's root, the
// parent of the folder that holds the test executable.
inline std::string testdataPath(const std::string& name) {
  namespace fs = std::filesystem;
  fs::path here = fs::path(__FILE__).parent_path();
  if (here.is_relative()) here = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / here;
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
    setenv("no_proxy", "127.0.0.1,localhost", 1);
    setenv("NO_PROXY", "127.0.0.1,localhost", 1);
    const std::string script = testdataPath("http_test_server.py");
    int in[2];
    int out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
      throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    const std::string lifetime = "300";
    const char* argv[] = {"python3",     script.c_str(),        "--docroot",
                          docroot.c_str(), "--workdir",         work_.path().c_str(),
                          "--lifetime",  lifetime.c_str(),      nullptr};
    const int spawned = posix_spawnp(&pid_, "python3", &actions, nullptr,
                                     const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    stdin_ = in[1];
    if (spawned != 0) {
      close(out[0]);
      pid_ = 0;
      throw std::runtime_error("cannot start python3");
    }
    std::string line = readLine(out[0], 30000);
    close(out[0]);
    std::istringstream words(line);
    std::string ready;
    words >> ready >> httpPort_ >> httpsPort_ >> wrongHostPort_ >> caFile_;
    if (ready != "ready" || caFile_.empty()) {
      stop();
      throw std::runtime_error("local HTTP server did not start: " + line);
    }
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
  static std::string readLine(int fd, int timeoutMs) {
    std::string line;
    char c;
    pollfd p{fd, POLLIN, 0};
    while (poll(&p, 1, timeoutMs) > 0 && read(fd, &c, 1) == 1 && c != '\n') {
      line += c;
    }
    return line;
  }

  void stop() {
    if (stdin_ >= 0) close(stdin_);
    stdin_ = -1;
    if (pid_ <= 0) return;
    for (int i = 0; i < 100; ++i) {  // up to 5 s to notice its stdin closed
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = 0;
        return;
      }
      usleep(50000);
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }

  ScratchDir work_;
  pid_t pid_ = 0;
  int stdin_ = -1;
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

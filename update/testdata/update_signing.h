// Test support: key pairs and signatures made with scripts/sign-update, the
// publisher's own tool, so that the tests check the program against it.
#pragma once

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "testing/host_programs.h"
#include "testing/temp_dir.h"
#include "update/testdata/local_http_server.h"

namespace zararod::testing {

// Runs scripts/sign-update (on the host, see testing/host_programs.h) with
// the command and the files it names, and returns its standard output.
// Throws std::runtime_error when it fails.
inline std::string runSignUpdate(const std::string& command,
                                 std::initializer_list<std::string> files) {
  const TempDir scratch;
  std::vector<std::string> arguments = {hostPath(scratch.file("out")),
                                        hostPath(testdataPath("../../scripts/sign-update")),
                                        command};
  for (const std::string& file : files) arguments.push_back(hostPath(file));
  if (runHostShell("out=\"$1\"; shift; \"$@\" > \"$out\"", arguments) != 0)
    throw std::runtime_error("failed: scripts/sign-update " + command);
  return readFile(scratch.file("out"));
}

// A fresh Ed25519 key pair: the private key in the file privateKeyFile, the
// public key as the program takes it (base64 of the 32 raw bytes).
struct SigningKey {
  std::string privateKeyFile;
  std::string publicKey;

  explicit SigningKey(std::string file) : privateKeyFile(std::move(file)) {
    publicKey = runSignUpdate("keygen", {privateKeyFile});
    while (!publicKey.empty() && publicKey.back() == '\n') publicKey.pop_back();
  }

  // Writes fileName + ".sig".
  void sign(const std::string& fileName) const {
    runSignUpdate("sign", {privateKeyFile, fileName});
  }
};

}  // namespace zararod::testing

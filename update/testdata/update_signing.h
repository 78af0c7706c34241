// Test support: key pairs and signatures made with scripts/sign-update, the
// publisher's own tool, so that the tests check the program against it.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "update/testdata/local_http_server.h"

namespace zararod::testing {

// Runs scripts/sign-update with the arguments (each put in single quotes:
// they must hold none) and returns its standard output. Throws
// std::runtime_error when it fails.
inline std::string runSignUpdate(std::initializer_list<std::string> arguments) {
  std::string command = "'" + testdataPath("../../scripts/sign-update") + "'";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  // Closed on every path; the final pclose is made by hand for its status.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) throw std::runtime_error("cannot run " + command);
  std::string out;
  char buffer[256];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) {
    out.append(buffer, n);
  }
  if (::pclose(pipe.release()) != 0) throw std::runtime_error("failed: " + command);
  return out;
}

// A fresh Ed25519 key pair: the private key in the file privateKeyFile, the
// public key as the program takes it (base64 of the 32 raw bytes).
struct SigningKey {
  std::string privateKeyFile;
  std::string publicKey;

  explicit SigningKey(std::string file) : privateKeyFile(std::move(file)) {
    publicKey = runSignUpdate({"keygen", privateKeyFile});
    while (!publicKey.empty() && publicKey.back() == '\n') publicKey.pop_back();
  }

  // Writes fileName + ".sig".
  void sign(const std::string& fileName) const { runSignUpdate({"sign", privateKeyFile, fileName}); }
};

}  // namespace zararod::testing

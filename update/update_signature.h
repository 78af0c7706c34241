// Verification of the publisher's signature of a setup program.
//
// The publisher signs the setup program with an Ed25519 key and publishes the
// signature beside it; the program holds the publisher's public key (see
// app/update_handler.h for where it comes from). The check is OpenSSL's
// Ed25519 over the whole file (EVP_DigestVerify); nothing of it is our own.
#pragma once

#include <string_view>

namespace zararod {

// True exactly when signatureText is a valid Ed25519 signature of `data` by
// the key publicKeyBase64.
//
// publicKeyBase64: base64 (standard alphabet, with its padding) of the 32 raw
// bytes of the public key. signatureText: the content of a signature file,
// base64 of the 64-byte signature on one line; blanks and control characters
// (a line break) around it are ignored. Any other form of either (a wrong
// length, a stray character, a second line) gives false.
// Never throws (apart from std::bad_alloc).
bool isValidSignature(std::string_view publicKeyBase64, std::string_view signatureText,
                      std::string_view data);

}  // namespace zararod

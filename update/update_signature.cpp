#include "update/update_signature.h"

#include <openssl/err.h>
#include <openssl/evp.h>

#include <memory>
#include <optional>
#include <string>

#include "util/strings.h"

namespace zararod {
namespace {

constexpr std::size_t kPublicKeyBytes = 32;
constexpr std::size_t kSignatureBytes = 64;

struct PkeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;

struct MdCtxFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;

const unsigned char* bytesOf(std::string_view text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}

// The `size` bytes that `text` encodes, when it is exactly their base64 form
// as an encoder writes it (length, padding and unused bits); else nothing.
std::optional<std::string> decodeBase64(std::string_view text, std::size_t size) {
  const std::size_t encodedSize = 4 * ((size + 2) / 3);
  if (text.size() != encodedSize) return std::nullopt;
  std::string bytes(encodedSize / 4 * 3, '\0');
  const int decoded = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                      bytesOf(text), static_cast<int>(text.size()));
  if (decoded != static_cast<int>(bytes.size())) return std::nullopt;
  bytes.resize(size);
  // Encoding the bytes again must give the text back: this turns away what
  // the decoder lets pass (padding in the middle, blanks, other lengths).
  std::string again(encodedSize + 1, '\0');
  EVP_EncodeBlock(reinterpret_cast<unsigned char*>(again.data()), bytesOf(bytes),
                  static_cast<int>(bytes.size()));
  again.resize(encodedSize);
  if (again != text) return std::nullopt;
  return bytes;
}

bool verify(std::string_view publicKeyBase64, std::string_view signatureText,
            std::string_view data) {
  const std::optional<std::string> key = decodeBase64(publicKeyBase64, kPublicKeyBytes);
  const std::optional<std::string> signature =
      decodeBase64(trimControls(signatureText), kSignatureBytes);
  if (!key || !signature) return false;

  Pkey pkey(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, bytesOf(*key), key->size()));
  MdCtx context(EVP_MD_CTX_new());
  if (!pkey || !context) return false;
  // Ed25519 signs the message itself (no separate digest): one pass over the
  // whole of it.
  if (EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, pkey.get()) != 1) {
    return false;
  }
  return EVP_DigestVerify(context.get(), bytesOf(*signature), signature->size(), bytesOf(data),
                          data.size()) == 1;
}

}  // namespace

bool isValidSignature(std::string_view publicKeyBase64, std::string_view signatureText,
                      std::string_view data) {
  const bool valid = verify(publicKeyBase64, signatureText, data);
  // OpenSSL keeps the reasons of a failure in a per-thread queue; leave it
  // empty for the next user (libcurl's TLS shares it).
  ERR_clear_error();
  return valid;
}

}  // namespace zararod

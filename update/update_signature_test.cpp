#include "update/update_signature.h"

#include <gtest/gtest.h>

#include <string>

namespace zararod {
namespace {

// The first two Ed25519 test vectors of RFC 8032 (messages: none, and the
// single byte 0x72), keys and signatures in base64.
constexpr const char* kKey1 = "11qYAYKxCrfVS/7TyWQHOg7hcvPapiMlrwIaaPcHURo=";
constexpr const char* kSig1 =
    "5VZDAMNgrHKQhuLMgG6CioSHfx645dl02HPgZSJJAVVfuIIVkKM7rMYeOXAc+bRr0lv18FlbviRlUUFDjnoQCw==";
constexpr const char* kKey2 = "PUAXw+hDiVqStwqnTRt+vJyYLM8uxJaMwM1V8Sr0Zgw=";
constexpr const char* kSig2 =
    "kqAJqfDUyrhyDoILX2QlQKKye1QWUD+Ps3YiI+vbadoIWsHkPhWZbkWPNhPQ8R2MOHsurrQwKu6wDSkWErsMAA==";

TEST(UpdateSignatureTest, AcceptsExactlyTheSignatureOfTheDataByTheKey) {
  const std::string sig1 = kSig1;
  const std::string key1 = kKey1;
  struct Case {
    const char* what;
    std::string key;
    std::string signature;
    std::string data;
    bool valid;
  };
  const Case cases[] = {
      {"vector 1", kKey1, kSig1, "", true},
      {"vector 2", kKey2, kSig2, "r", true},
      {"one line with its break", kKey1, " " + sig1 + "\r\n", "", true},
      {"other data", kKey1, kSig1, "r", false},
      {"other key", kKey2, kSig1, "", false},
      {"signature of other data", kKey1, kSig2, "", false},
      {"one bit changed", kKey1, "6" + sig1.substr(1), "", false},
      {"unused bits set", kKey1, sig1.substr(0, 85) + "x==", "", false},
      {"no padding", kKey1, sig1.substr(0, 86), "", false},
      {"two lines", kKey1, sig1.substr(0, 40) + "\n" + sig1.substr(40), "", false},
      {"second line", kKey1, sig1 + "\n" + sig1, "", false},
      {"empty signature", kKey1, "", "", false},
      {"empty key", "", kSig1, "", false},
      {"short key", key1.substr(0, 40) + "A==", kSig1, "", false},
      {"key with blank", " " + key1, kSig1, "", false},
      {"key not base64", "11qYAYKxCrfVS/7TyWQHOg7hcvPapiMlrwIaaPcHUR*=", kSig1, "", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isValidSignature(c.key, c.signature, c.data), c.valid) << c.what;
  }
}

}  // namespace
}  // namespace zararod

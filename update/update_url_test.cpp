#include "update/update_url.h"

#include <gtest/gtest.h>

#include <string>

#include "update/testdata/local_http_server.h"

namespace zararod {
namespace {

using zararod::testing::ScratchDir;
using zararod::testing::writeFile;

TEST(UpdateUrlTest, BuiltInUrlIsAKnihovnaFolder) {
  const std::string url = builtInUpdateUrl();
  EXPECT_EQ(url.rfind("knihovna/"), url.size() - 9);
}

TEST(UpdateUrlTest, SettingsFileMayReplaceTheBuiltInUrl) {
  struct Case {
    const char* what;
    const char* ini;  // nullptr: no settings file
    std::string expected;
  };
  const std::string builtIn = builtInUpdateUrl();
  const Case cases[] = {
      {"no file", nullptr, builtIn},
      {"no section", "[LogON]\r\nIP=10.0.0.1\r\n", builtIn},
      {"replaced",
       "[LogON_adr]\r\nrada=12\r\n[update]\r\n url = https://u.example/knihovna/ \r\n",
       "https://u.example/knihovna/"},
      {"empty value", "[Update]\r\nURL=\r\n", builtIn},
      {"other key", "[Update]\r\nHost=u.example\r\n", builtIn},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    if (c.ini) writeFile(dir / "vedid.ini", c.ini);
    EXPECT_EQ(UpdateBaseUrl(dir / "vedid.ini"), c.expected);
  }
}

}  // namespace
}  // namespace zararod

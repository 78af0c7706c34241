// The arguments of zararod-cli verify.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/cli.h"

namespace zararod {
namespace {

TEST(VerifyCliTest, TakesATableItsOptionsAndASettingsFile) {
  std::string error;
  auto options = parseCliArguments({"verify", "addresses", "--requeue-missing", "a.ini"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->command, "verify");
  EXPECT_EQ(options->verified, "addresses");
  EXPECT_TRUE(options->requeue);  // the missing ones with the differing ones
  EXPECT_TRUE(options->requeueMissing);
  EXPECT_EQ(options->settingsPath, "a.ini");

  options = parseCliArguments({"verify", "--requeue", "vl"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->verified, "vl");
  EXPECT_TRUE(options->requeue);
  EXPECT_FALSE(options->requeueMissing);
  EXPECT_EQ(options->settingsPath, "");
}

TEST(VerifyCliTest, RefusesWhatItCannotDo) {
  const struct {
    std::vector<std::string> args;
    const char* error;
  } cases[] = {
      {{"verify"}, "verify needs vl, ll or addresses"},
      {{"verify", "lab"}, "verify needs vl, ll or addresses, not lab"},
      {{"verify", "vl", "a.ini", "b.ini"}, "too many arguments"},
      {{"verify", "ll", "--requeue-missing"}, "--requeue-missing applies to verify addresses"},
      {{"verify", "vl", "--dry-run"}, "--dry-run applies to import-addresses, send-vl and send-ll"},
      {{"send-vl", "--requeue"}, "--requeue applies to verify"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(parseCliArguments(c.args, error)) << c.args.front();
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
}  // namespace zararod

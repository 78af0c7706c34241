#include "update/built_in_update.h"

#include <gtest/gtest.h>

#include <string>

namespace zararod {
namespace {

TEST(BuiltInUpdateTest, BuiltInUrlIsAKnihovnaFolder) {
  const std::string url = builtInUpdateUrl();
  EXPECT_EQ(url.rfind("knihovna/"), url.size() - 9);
}

}  // namespace
}  // namespace zararod

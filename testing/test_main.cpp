// Entry point of the unit and server test executables: every test case.
#include <gtest/gtest.h>

#include "testing/test_output.h"

int main(int argc, char** argv) {
  zararod::testing::plainLineEndsOnStandardOutput();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

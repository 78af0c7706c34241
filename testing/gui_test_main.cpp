// Entry point of the GUI test executables: one QApplication on the offscreen
// platform (unless the caller chose another), then every test case.
#include <QApplication>
#include <cstdlib>

#include <gtest/gtest.h>

#include "testing/environment.h"

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr)
    zararod::testing::setEnvironmentVariable("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

#include "ui/sui_button.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace zararod {
namespace {

TEST(SkinnedButton, SpaceAndEnterPressOnRelease) {
  QWidget window;
  TsuiButton button(QStringLiteral("konec"), &window);
  window.show();
  int clicks = 0;
  QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });
  button.setFocus();
  for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
    SCOPED_TRACE(key);
    clicks = 0;
    QTest::keyPress(&button, key);
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(button.isDown());
    QTest::keyRelease(&button, key);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(button.isDown());
  }
  // A release without its press (the press went to another control) does
  // nothing.
  clicks = 0;
  QTest::keyRelease(&button, Qt::Key_Return);
  EXPECT_EQ(clicks, 0);
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  button.setEnabled(false);
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace zararod

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
  const struct {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
  } keys[] = {{Qt::Key_Space, Qt::NoModifier},
              {Qt::Key_Return, Qt::NoModifier},
              {Qt::Key_Enter, Qt::KeypadModifier}};  // the keypad's Enter
  for (const auto& k : keys) {
    SCOPED_TRACE(k.key);
    clicks = 0;
    QTest::keyPress(&button, k.key, k.modifiers);
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(button.isDown());
    QTest::keyRelease(&button, k.key, k.modifiers);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(button.isDown());
  }
  // Enter with a modifier key held is no press.
  QTest::keyClick(&button, Qt::Key_Return, Qt::AltModifier);
  EXPECT_EQ(clicks, 1);
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

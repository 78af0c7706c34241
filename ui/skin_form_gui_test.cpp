#include "ui/skin_form.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace zararod {
namespace {

void sendMouse(QWidget* widget, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
  const QPoint global = widget->mapToGlobal(local);
  QMouseEvent event(type, local, global, Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

class SkinnedPanel : public ::testing::Test {
 protected:
  void SetUp() override {
    QApplication::setQuitOnLastWindowClosed(false);
    window_.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    window_.resize(400, 200);
    window_.move(100, 100);
    window_.show();
  }
  QWidget window_;
  TsuiForm* panel_ = new TsuiForm(&window_);
};

TEST_F(SkinnedPanel, FillsTheWindowAndGivesItsCaption) {
  panel_->SetCaption(QString::fromUtf8("Převod adresáře "));
  EXPECT_EQ(window_.windowTitle(), QString::fromUtf8("Převod adresáře "));
  window_.resize(500, 260);
  QCoreApplication::processEvents();
  EXPECT_EQ(panel_->geometry(), QRect(0, 0, 500, 260));
  EXPECT_LT(panel_->CloseButtonRect().right(), 500);
  EXPECT_LT(panel_->ControlBoxRect().right(), panel_->CloseButtonRect().left());
}

TEST_F(SkinnedPanel, DraggingTheTitleBarMovesTheWindow) {
  const QPoint start = window_.pos();
  sendMouse(panel_, QEvent::MouseButtonPress, {150, 10}, Qt::LeftButton);
  sendMouse(panel_, QEvent::MouseMove, {180, 25}, Qt::LeftButton);
  sendMouse(panel_, QEvent::MouseButtonRelease, {180, 25}, Qt::NoButton);
  EXPECT_EQ(window_.pos(), start + QPoint(30, 15));
  // Below the title bar nothing moves.
  sendMouse(panel_, QEvent::MouseButtonPress, {150, 100}, Qt::LeftButton);
  sendMouse(panel_, QEvent::MouseMove, {190, 140}, Qt::LeftButton);
  sendMouse(panel_, QEvent::MouseButtonRelease, {190, 140}, Qt::NoButton);
  EXPECT_EQ(window_.pos(), start + QPoint(30, 15));
}

TEST_F(SkinnedPanel, TitleBarButtonsMinimiseAndClose) {
  QTest::mouseClick(panel_, Qt::LeftButton, {}, panel_->ControlBoxRect().center());
  EXPECT_TRUE(window_.isMinimized());
  window_.showNormal();
  // A press that leaves the button before its release does nothing.
  sendMouse(panel_, QEvent::MouseButtonPress, panel_->CloseButtonRect().center(), Qt::LeftButton);
  sendMouse(panel_, QEvent::MouseButtonRelease, {150, 100}, Qt::NoButton);
  EXPECT_TRUE(window_.isVisible());
  QTest::mouseClick(panel_, Qt::LeftButton, {}, panel_->CloseButtonRect().center());
  EXPECT_FALSE(window_.isVisible());
}

}  // namespace
}  // namespace zararod

#include "window/unit2.h"

#include <QApplication>
#include <QCursor>
#include <QFontInfo>
#include <QImage>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "testing/modal.h"
#include "ui/msg_form.h"
#include "ui/progress_bar.h"
#include "ui/skin.h"
#include "ui/skin_form.h"
#include "ui/sui_button.h"
#include "util/exception.h"

namespace zararod {
namespace {

using zararod::testing::OnNextModal;

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    // The tests close windows; the test program must not end with them.
    QApplication::setQuitOnLastWindowClosed(false);
    form_ = std::make_unique<TForm1>();
  }
  std::unique_ptr<TForm1> form_;
};

struct ControlCase {
  const char* name;
  const char* caption;
  QRect geometry;
  int fontPixels;
  int tabOrder;  // 0: takes no focus
};

TEST_F(MainWindow, ControlsStandWhereTheDesignPutsThem) {
  const ControlCase cases[] = {
      {"Label1", "Label1", {30, 43, 37, 16}, 13, 0},
      {"Label2", "Label1", {30, 107, 37, 16}, 13, 0},
      {"Label3", "Label1", {30, 171, 37, 16}, 13, 0},
      {"Label4", "verze 7/26", {30, 254, 61, 16}, 13, 0},
      {"suiButton1", "nahrát Adresář", {426, 43, 120, 27}, 11, 1},
      {"suiButton3", "odeslat VL", {426, 107, 120, 27}, 11, 5},
      {"suiButton4", "odeslat LL", {426, 171, 120, 27}, 11, 7},
      {"suiButton2", "konec", {476, 243, 70, 27}, 11, 2},
      {"suiButton5", "kontrola", {108, 250, 70, 22}, 11, 8},
      {"suiProgressBar1", "11%", {30, 76, 516, 17}, 0, 0},
      {"suiProgressBar2", "11%", {30, 140, 516, 17}, 0, 0},
      {"suiProgressBar3", "11%", {30, 204, 516, 17}, 0, 0},
  };
  for (const ControlCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto* control = form_->findChild<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_NE(control, nullptr);
#ifdef _WIN32
    // Labels size themselves to their text. Qt's offscreen platform on
    // Windows hints Tahoma fully, a whole pixel per glyph, so a caption there
    // is up to three pixels wider than in the design; the rest of the
    // rectangle holds as designed.
    if (auto* label = qobject_cast<QLabel*>(control)) {
      EXPECT_EQ(control->geometry(),
                QRect(c.geometry.topLeft(),
                      QSize(label->fontMetrics().horizontalAdvance(label->text()),
                            c.geometry.height())));
      EXPECT_LE(control->width() - c.geometry.width(), 3);
    } else {
      EXPECT_EQ(control->geometry(), c.geometry);
    }
#else
    EXPECT_EQ(control->geometry(), c.geometry);
#endif
    EXPECT_EQ(control->parentWidget(), form_->suiForm1);
    QString caption;
    if (auto* label = qobject_cast<QLabel*>(control)) caption = label->text();
    if (auto* button = qobject_cast<QPushButton*>(control)) caption = button->text();
    if (auto* bar = qobject_cast<TsuiProgressBar*>(control)) caption = bar->Caption();
    EXPECT_EQ(caption, QString::fromUtf8(c.caption));
    if (c.fontPixels != 0) {
      EXPECT_EQ(control->font().pixelSize(), c.fontPixels);
      EXPECT_EQ(QFontInfo(control->font()).family(), QStringLiteral("Tahoma"));
      EXPECT_FALSE(control->font().bold());
    }
    EXPECT_EQ(control->focusPolicy() != Qt::NoFocus, c.tabOrder != 0);
  }
  for (TsuiButton* button : {form_->suiButton1, form_->suiButton2, form_->suiButton3,
                             form_->suiButton4, form_->suiButton5}) {
    EXPECT_EQ(button->FontColor(), QColor(Qt::black));
    EXPECT_FALSE(button->isDefault());
    EXPECT_FALSE(button->autoDefault());
  }
}

TEST_F(MainWindow, TabGoesThroughTheButtonsInTheirOrder) {
  QStringList order;
  QWidget* widget = form_->suiButton1;
  do {
    if (widget->focusPolicy() & Qt::TabFocus) order << widget->objectName();
    widget = widget->nextInFocusChain();
  } while (widget != form_->suiButton1);
  EXPECT_EQ(order.join(','),
            QStringLiteral("suiButton1,suiButton2,suiButton3,suiButton4,suiButton5"));
}

TEST_F(MainWindow, OuterSizeAndPlaceAfterCreation) {
  EXPECT_EQ(form_->frameGeometry().size(), QSize(600, 300));
  EXPECT_EQ(form_->size(), QSize(600, 300));
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(form_->frameGeometry().center(), screen.center());
  EXPECT_EQ(form_->minimumSize(), QSize(130, 23));
  EXPECT_TRUE(form_->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(form_->isWindow());
}

TEST_F(MainWindow, SkinnedPanelCaptionAndColours) {
  form_->show();
  EXPECT_EQ(form_->windowTitle(), QString::fromUtf8("Převod adresáře "));
  EXPECT_EQ(form_->suiForm1->Caption(), QString::fromUtf8("Převod adresáře "));
  EXPECT_EQ(form_->suiForm1->geometry(), QRect(0, 0, 600, 300));
  EXPECT_EQ(form_->suiForm1->UIStyle(), TsuiUIStyle::MacOS);
  const QImage shot = form_->suiForm1->grab().toImage();
  EXPECT_EQ(shot.pixelColor(300, 236), QColor(231, 231, 231));
  EXPECT_EQ(shot.pixelColor(0, 150), QColor(127, 127, 127));
  EXPECT_EQ(shot.pixelColor(599, 150), QColor(127, 127, 127));
  EXPECT_EQ(shot.pixelColor(300, 299), QColor(127, 127, 127));
  for (TsuiProgressBar* bar :
       {form_->suiProgressBar1, form_->suiProgressBar2, form_->suiProgressBar3}) {
    EXPECT_EQ(bar->Min(), 0);
    EXPECT_EQ(bar->Max(), 100);
    EXPECT_EQ(bar->Position(), 11);
    EXPECT_EQ(bar->BorderColor(), QColor(127, 127, 127));
    EXPECT_EQ(bar->Color(), QColor(231, 231, 231));
    EXPECT_EQ(bar->Picture().size(), QSize(13, 10));
    EXPECT_FALSE(bar->SmartShowCaption());
  }
}

TEST_F(MainWindow, MessageDialogIsConfiguredForTheProgram) {
  const TsuiMessageDialog& dotaz = form_->dotaz;
  EXPECT_EQ(dotaz.Caption, QString::fromUtf8("Převod adresáře"));
  EXPECT_EQ(dotaz.UIStyle(), TsuiUIStyle::MacOS);
  EXPECT_EQ(dotaz.Font.face.pixelSize(), 11);
  EXPECT_FALSE(dotaz.Font.face.bold());
  EXPECT_EQ(dotaz.CaptionFont.face.pixelSize(), 11);
  EXPECT_TRUE(dotaz.CaptionFont.face.bold());
  EXPECT_EQ(dotaz.CaptionFont.color, QColor(Qt::black));
  EXPECT_EQ(dotaz.Text, QStringLiteral("Hello world!"));
}

TEST_F(MainWindow, KonecAndTheTitleBarCloseButtonCloseTheWindow) {
  form_->show();
  QTest::mouseClick(form_->suiButton2, Qt::LeftButton);
  EXPECT_FALSE(form_->isVisible());

  TForm1 second;
  second.show();
  QTest::mouseClick(second.suiForm1, Qt::LeftButton, {},
                    second.suiForm1->CloseButtonRect().center());
  EXPECT_FALSE(second.isVisible());
}

// While a handler runs the job buttons are ignored, but "konec" and the
// title-bar close are remembered: the window closes once the handler has
// ended, after the dialog or the error box that ends it.
TEST_F(MainWindow, AJobIgnoresOtherPressesAndClosesAfterItsDialogWhenAskedTo) {
  struct Case {
    const char* what;
    std::function<void(TForm1&)> askToClose;
    bool fails;  // the handler ends with an error instead of its dialog
  } cases[] = {
      {"konec clicked", [](TForm1& f) { QTest::mouseClick(f.suiButton2, Qt::LeftButton); }, false},
      {"konec by Space",
       [](TForm1& f) {
         f.suiButton2->setFocus();
         QTest::keyClick(f.suiButton2, Qt::Key_Space);
       },
       true},
      {"title-bar close",
       [](TForm1& f) {
         QTest::mouseClick(f.suiForm1, Qt::LeftButton, {}, f.suiForm1->CloseButtonRect().center());
       },
       true},
      {"close request", [](TForm1& f) { f.close(); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TForm1 form;
    form.show();
    bool nestedRan = false;
    bool shownUnderDialog = false;
    OnNextModal<QDialog>([&](QDialog* dialog) {
      shownUnderDialog = form.isVisible();
      QTest::keyClick(dialog, Qt::Key_Return);
    });
    form.RunHandler([&] {
      QTest::mouseClick(form.suiButton3, Qt::LeftButton);
      form.RunHandler([&] { nestedRan = true; });
      c.askToClose(form);
      form.ProcessPendingEvents();
      EXPECT_TRUE(form.isVisible());
      if (c.fails) throw Exception("Table 'vorazu1.vaznil_00' doesn't exist");
      form.ShowMessage("Odeslano 0", JobReporter::Icon::Information);
    });
    EXPECT_FALSE(nestedRan);
    EXPECT_TRUE(shownUnderDialog);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.HandlerRunning());
  }
}

TEST_F(MainWindow, AHandlerWithoutACloseRequestLeavesTheWindowOpen) {
  form_->show();
  form_->RunHandler([&] { QTest::mouseClick(form_->suiButton1, Qt::LeftButton); });
  EXPECT_TRUE(form_->isVisible());
  QTest::mouseClick(form_->suiButton2, Qt::LeftButton);
  EXPECT_FALSE(form_->isVisible());
}

TEST_F(MainWindow, ErrorInAHandlerIsShownAndTheWindowStaysUsable) {
  form_->show();
  QString text;
  OnNextModal<QMessageBox>([&](QMessageBox* box) {
    text = box->text();
    box->accept();
  });
  form_->RunHandler([&] {
    form_->SetBusyCursor(true);
    throw Exception("Table 'vorazu1.vaznil_00' doesn't exist");
  });
  EXPECT_EQ(text, QStringLiteral("Table 'vorazu1.vaznil_00' doesn't exist."));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the hourglass is taken back";
  EXPECT_FALSE(form_->HandlerRunning());
  EXPECT_TRUE(form_->isVisible());
}

TEST_F(MainWindow, ReportsThroughItsWidgets) {
  using Line = JobReporter::Line;
  form_->SetStatusText(Line::WeighingSlips,
                       "po\xE8"
                       "et nov\xFD"
                       "ch VL: 12");
  EXPECT_EQ(form_->Label2->text(), QString::fromUtf8("počet nových VL: 12"));
  EXPECT_EQ(form_->Label2->width(),
            form_->Label2->fontMetrics().horizontalAdvance(form_->Label2->text()));
  EXPECT_EQ(form_->Label2->pos(), QPoint(30, 107));

  form_->DisableJob(Line::LabSlips);
  EXPECT_FALSE(form_->suiButton4->isEnabled());
  EXPECT_TRUE(form_->suiButton3->isEnabled());

  form_->SetProgressMax(Line::Addresses, 3);
  form_->SetProgressPosition(Line::Addresses, 1);
  form_->SetProgressVisible(Line::Addresses, false);
  EXPECT_EQ(form_->suiProgressBar1->Caption(), QStringLiteral("33%"));
  EXPECT_EQ(form_->suiProgressBar1->FilledLength(), 171);
  EXPECT_FALSE(form_->suiProgressBar1->isVisibleTo(form_.get()));
  EXPECT_TRUE(form_->suiProgressBar2->isVisibleTo(form_.get()));

  form_->SetBusyCursor(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  form_->SetBusyCursor(true);
  form_->SetBusyCursor(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  QString text;
  size_t buttons = 0;
  bool picture = false;
  OnNextModal<TfrmMsg>([&](TfrmMsg* window) {
    text = window->findChild<WrappedLabel*>()->Text();
    buttons = window->Buttons().size();
    picture = window->findChild<QLabel*>(QStringLiteral("Image1"))->isVisible();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  });
  form_->dotaz.ButtonCount = 3;
  form_->ShowMessage(
      "Odesl\xE1no 3 nov\xFD"
      "ch VL",
      JobReporter::Icon::Information);
  EXPECT_EQ(text, QString::fromUtf8("Odesláno 3 nových VL"));
  EXPECT_EQ(buttons, 1u);
  EXPECT_TRUE(picture);
  EXPECT_EQ(form_->dotaz.IconType, suiInformation);
}

}  // namespace
}  // namespace zararod

#include "ui/message_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QLabel>
#include <QTest>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "testing/modal.h"
#include "ui/fonts.h"
#include "ui/msg_form.h"
#include "ui/skin_form.h"
#include "ui/sui_button.h"

namespace zararod {
namespace {

using zararod::testing::OnNextModal;

// The main window's dialog: Tahoma 11 px, MacOS, one "OK".
std::unique_ptr<TsuiMessageDialog> programDialog() {
  auto dialog = std::make_unique<TsuiMessageDialog>();
  TsuiMessageDialog& d = *dialog;
  d.Caption = QString::fromUtf8("Převod adresáře");
  d.SetUIStyle(TsuiUIStyle::MacOS);
  d.Font = {TahomaFont(11), QColor(Qt::black)};
  return dialog;
}

// Shows the dialog, runs `act` on its open window and returns ShowModal's
// result.
TModalResult showAnd(TsuiMessageDialog& dialog, std::function<void(TfrmMsg*)> act) {
  OnNextModal<TfrmMsg>(std::move(act));
  return dialog.ShowModal();
}

QWidget* child(TfrmMsg* window, const char* name) {
  return window->findChild<QWidget*>(QString::fromLatin1(name));
}

TEST(MessageDialog, DefaultsOfTheComponent) {
  TsuiMessageDialog dialog;
  EXPECT_EQ(dialog.Position, TPosition::poScreenCenter);
  EXPECT_EQ(dialog.Caption, QStringLiteral("suiDialog"));
  EXPECT_EQ(dialog.ButtonCursor, Qt::PointingHandCursor);
  EXPECT_EQ(dialog.UIStyle(), TsuiUIStyle::DeepBlue);
  EXPECT_EQ(dialog.CaptionFont.color, QColor(Qt::white));
  EXPECT_TRUE(dialog.CaptionFont.face.bold());
  EXPECT_EQ(dialog.ButtonCount, 1);
  EXPECT_EQ(dialog.Button1Caption, QStringLiteral("OK"));
  EXPECT_EQ(dialog.Button2Caption, QStringLiteral("Cancel"));
  EXPECT_EQ(dialog.Button3Caption, QStringLiteral("Cancel"));
  EXPECT_EQ(dialog.Button1ModalResult, 1);
  EXPECT_EQ(dialog.Button2ModalResult, 2);
  EXPECT_EQ(dialog.Button3ModalResult, 2);
  EXPECT_EQ(dialog.IconType, suiNone);
  EXPECT_EQ(dialog.Text, QStringLiteral("Hello world!"));
  dialog.SetUIStyle(TsuiUIStyle::MacOS);
  EXPECT_EQ(dialog.CaptionFont.color, QColor(Qt::black));
  EXPECT_EQ(dialog.Font.color, QColor(Qt::black));
}

TEST(MessageDialog, TakesTheStyleOfTheOwnersSkinnedPanel) {
  QWidget owner;
  TsuiForm panel(&owner);
  panel.SetUIStyle(TsuiUIStyle::MacOS);
  TsuiMessageDialog dialog(&owner);
  EXPECT_EQ(dialog.UIStyle(), TsuiUIStyle::MacOS);
  EXPECT_EQ(dialog.CaptionFont.color, QColor(Qt::black));
}

struct LayoutCase {
  const char* name;
  const char* text;
  TsuiIconType icon;
  int buttons;
  int labelLeft, lines, width, height;
};

TEST(MessageDialog, LaysOutLabelPictureButtonsAndHeight) {
  const LayoutCase cases[] = {
      {"one line with icon", "Odesláno 3 nových VL", suiInformation, 1, 88, 1, 336, 179},
      {"five lines", "jedna\rdvě\rtři\rčtyři\rpět", suiStop, 1, 88, 5, 336, 204},
      {"two sentences", "Chyba připojení.\rZkuste to znovu.", suiWarning, 1, 88, 2, 336, 179},
      {"no icon, one button", "Není nová verze.", suiNone, 1, 24, 1, 272, 179},
      {"no icon, two buttons", "Není nová verze.", suiNone, 2, 24, 1, 272, 179},
      {"no icon, three buttons", "Není nová verze.", suiNone, 3, 24, 1, 336, 179},
      {"help icon", "?", suiHelp, 2, 88, 1, 336, 179},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto owned = programDialog();
    TsuiMessageDialog& dialog = *owned;
    dialog.Text = QString::fromUtf8(c.text);
    dialog.IconType = c.icon;
    dialog.ButtonCount = c.buttons;
    TfrmMsg window(dialog);
    const int b = std::max(104, 64 + 13 * c.lines);
    EXPECT_EQ(window.size(), QSize(c.width, c.height));
    EXPECT_EQ(b + 75, c.height);
    auto* label = static_cast<WrappedLabel*>(child(&window, "lbl"));
    EXPECT_EQ(label->geometry(), QRect(c.labelLeft, 64, 225, 13 * c.lines));
    EXPECT_EQ(label->Lines().size(), c.lines);
    auto* image = static_cast<QLabel*>(child(&window, "Image1"));
    EXPECT_EQ(image->isVisibleTo(&window), c.icon != suiNone);
    if (c.icon != suiNone) {
      EXPECT_EQ(image->geometry(), QRect(24, 64, 42, 42));
    }
    ASSERT_EQ(window.Buttons().size(), static_cast<size_t>(c.buttons));
    for (int i = 0; i < c.buttons; ++i) {
      const TsuiButton* button = window.Buttons()[i];
      EXPECT_EQ(button->objectName(), QStringLiteral("Button%1").arg(c.buttons - i));
      EXPECT_EQ(button->geometry(), QRect(c.width - 97 - 93 * i, b + 20, 73, 25));
      EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor);
    }
    EXPECT_EQ(window.Buttons()[0]->geometry().right() + 1, c.width - 24);
  }
}

TEST(MessageDialog, StandsCentredOnTheScreenOrOnTheActiveWindow) {
  auto owned = programDialog();
  TsuiMessageDialog& dialog = *owned;
  const auto centredOn = [](const QWidget& window, const QRect& area) {
    return QPoint(area.left() + (area.width() - window.width()) / 2,
                  area.top() + (area.height() - window.height()) / 2);
  };
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const TfrmMsg onScreen(dialog);
  EXPECT_EQ(onScreen.pos(), centredOn(onScreen, screen));

  QWidget owner;
  owner.setGeometry(40, 30, 600, 300);
  owner.show();
  QApplication::setActiveWindow(&owner);
  dialog.Position = TPosition::poMainFormCenter;
  const TfrmMsg onOwner(dialog);
  EXPECT_EQ(onOwner.pos(), centredOn(onOwner, owner.frameGeometry()));

  dialog.Position = TPosition::poDesigned;
  const TfrmMsg designed(dialog);
  EXPECT_EQ(designed.pos(), QWidget().pos());
}

TEST(MessageDialog, WrapsLongTextWithinTheLabelAndGrowsWithoutLimit) {
  const QFont font = TahomaFont(11);
  const QString word = QStringLiteral("obilí ");
  const QStringList lines = WrapMessageText(word.repeated(200), font, 225);
  EXPECT_GT(lines.size(), 20);
  const QFontMetrics metrics(font);
  for (const QString& line : lines)
    EXPECT_LE(metrics.horizontalAdvance(line), 225) << line.toStdString();
  // A word wider than the label is broken, not cut off.
  const QString longWord(80, QLatin1Char('W'));
  EXPECT_EQ(WrapMessageText(longWord, font, 225).join(QString()), longWord);
  EXPECT_EQ(WrapMessageText(QString(), font, 225), QStringList{QString()});
  EXPECT_EQ(WrapMessageText(QStringLiteral("a\r\nb\nc\rd"), font, 225).size(), 4);

  auto owned = programDialog();
  TsuiMessageDialog& dialog = *owned;
  dialog.Text = word.repeated(200);
  dialog.IconType = suiInformation;
  TfrmMsg window(dialog);
  EXPECT_EQ(window.height(), 64 + 13 * static_cast<int>(lines.size()) + 75);
}

TEST(MessageDialog, PictureIsTakenFromTheStripByIconType) {
  auto owned = programDialog();
  TsuiMessageDialog& dialog = *owned;
  dialog.IconType = suiStop;
  TfrmMsg stop(dialog);
  dialog.IconType = suiInformation;
  TfrmMsg information(dialog);
  const QImage stopImage = static_cast<QLabel*>(child(&stop, "Image1"))->pixmap().toImage();
  const QImage infoImage = static_cast<QLabel*>(child(&information, "Image1"))->pixmap().toImage();
  EXPECT_EQ(stopImage.size(), QSize(42, 42));
  const QColor stopCentre = stopImage.pixelColor(12, 21);
  const QColor infoCentre = infoImage.pixelColor(12, 21);
  EXPECT_GT(stopCentre.red(), stopCentre.blue());
  EXPECT_GT(infoCentre.blue(), infoCentre.red());
}

TEST(MessageDialog, FocusDefaultAndCancelButtons) {
  auto owned = programDialog();
  TsuiMessageDialog& dialog = *owned;
  dialog.ButtonCount = 2;
  TfrmMsg window(dialog);
  window.show();
  QApplication::setActiveWindow(&window);
  const QWidget* ok = child(&window, "Button1");
  EXPECT_EQ(window.focusWidget(), ok);
  EXPECT_EQ(window.DefaultButton(), ok);
  EXPECT_EQ(window.CancelButton(), child(&window, "Button2"));
}

struct KeyCase {
  const char* name;
  int buttons;
  std::function<void(TfrmMsg*)> act;
  TModalResult result;
};

TEST(MessageDialog, KeysAndCloseRequestsEndItWithTheirResults) {
  const auto key = [](int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    return [k, m](TfrmMsg* w) {
      QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : w, Qt::Key(k), m);
    };
  };
  const KeyCase cases[] = {
      {"Enter on OK", 2, key(Qt::Key_Return), 1},
      {"keypad Enter", 1, key(Qt::Key_Enter, Qt::KeypadModifier), 1},
      {"Alt+Enter does nothing", 1,
       [](TfrmMsg* w) {
         QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::AltModifier);
         EXPECT_TRUE(w->isVisible());
         w->close();
       },
       2},
      {"Escape clicks Cancel", 2, key(Qt::Key_Escape), 2},
      {"Space on OK", 2, key(Qt::Key_Space), 1},
      {"Tab then Enter clicks button 2", 3,
       [](TfrmMsg* w) {
         QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
         EXPECT_EQ(QApplication::focusWidget(), w->findChild<QWidget*>("Button2"));
         QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
       },
       2},
      {"close request", 1, [](TfrmMsg* w) { w->close(); }, 2},
      {"title bar close button", 1,
       [](TfrmMsg* w) {
         auto* panel = w->findChild<TsuiForm*>();
         QTest::mouseClick(panel, Qt::LeftButton, {}, panel->CloseButtonRect().center());
       },
       2},
      {"Escape without a cancel button does nothing", 1,
       [](TfrmMsg* w) {
         QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
         EXPECT_TRUE(w->isVisible());
         w->close();
       },
       2},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto owned = programDialog();
    TsuiMessageDialog& dialog = *owned;
    dialog.ButtonCount = c.buttons;
    dialog.Button3Caption = QStringLiteral("Ano");
    dialog.Button3ModalResult = 6;
    EXPECT_EQ(showAnd(dialog, c.act), c.result);
  }
}

TEST(MessageDialog, TabCyclesLeftToRightAndBackToButtonOne) {
  auto owned = programDialog();
  TsuiMessageDialog& dialog = *owned;
  dialog.ButtonCount = 3;
  dialog.Button3ModalResult = 6;
  const TModalResult result = showAnd(dialog, [](TfrmMsg* w) {
    QStringList visited;
    for (int i = 0; i < 4; ++i) {
      visited << QApplication::focusWidget()->objectName();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(visited.join(','), QStringLiteral("Button1,Button2,Button3,Button1"));
    QTest::mouseClick(w->findChild<QWidget*>("Button3"), Qt::LeftButton);
  });
  EXPECT_EQ(result, 6);
}

TEST(MessageDialog, ButtonWithResultZeroDoesNotClose) {
  auto owned = programDialog();
  TsuiMessageDialog& dialog = *owned;
  dialog.ButtonCount = 2;
  dialog.Button1ModalResult = 0;
  const TModalResult result = showAnd(dialog, [](TfrmMsg* w) {
    QTest::mouseClick(w->findChild<QWidget*>("Button1"), Qt::LeftButton);
    EXPECT_TRUE(w->isVisible());
    QTest::mouseClick(w->findChild<QWidget*>("Button2"), Qt::LeftButton);
  });
  EXPECT_EQ(result, 2);
}

TEST(MessageDialog, CtrlCCopiesTheDialogAsText) {
  const QString rule = QStringLiteral("---------------------------");
  struct {
    int buttons;
    QString buttonLine;
  } cases[] = {{1, QStringLiteral("OK")}, {2, QStringLiteral("Cancel   OK")}};
  for (const auto& c : cases) {
    auto owned = programDialog();
    TsuiMessageDialog& dialog = *owned;
    dialog.ButtonCount = c.buttons;
    dialog.Text = QString::fromUtf8("Nahráno 5 nových adres\rhotovo");
    QApplication::clipboard()->clear();
    showAnd(dialog, [](TfrmMsg* w) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
      EXPECT_TRUE(w->isVisible());
      w->close();
    });
    EXPECT_EQ(QApplication::clipboard()->text(),
              rule + "\r\n" + QString::fromUtf8("Převod adresáře") + "\r\n" + rule + "\r\n" +
                  QString::fromUtf8("Nahráno 5 nových adres\rhotovo") + "\r\n" + rule + "\r\n" +
                  c.buttonLine + "\r\n" + rule);
  }
}

}  // namespace
}  // namespace zararod

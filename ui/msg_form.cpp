#include "ui/msg_form.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "ui/fonts.h"
#include "ui/message_icons.h"
#include "ui/skin_form.h"
#include "ui/sui_button.h"

namespace zararod {
namespace {

constexpr int kClientWidth = 336;
constexpr int kClientHeight = 140;
constexpr int kLabelLeft = 88;
constexpr int kLabelLeftWithoutIcon = 24;
constexpr int kLabelTop = 64;
constexpr int kLabelWidth = 225;
constexpr int kImageLeft = 24;
constexpr int kImageTop = 64;
constexpr int kImageDesignSize = 40;
constexpr int kNarrowerWithoutIcon = 64;
constexpr int kButtonWidth = 73;
constexpr int kButtonHeight = 25;
constexpr int kButtonStep = 93;         // button width and the 20-pixel gap
constexpr int kButtonRightOffset = 97;  // 24 pixels margin plus the width
constexpr int kButtonsBelowB = 20;
constexpr int kHeightBelowB = 75;
const QString kRule = QStringLiteral("---------------------------");
const QString kCrLf = QStringLiteral("\r\n");

// Breaks one paragraph (no line breaks inside) at blanks.
void wrapParagraph(const QString& paragraph, const QFontMetrics& metrics, int width,
                   QStringList& lines) {
  QString line;
  const QStringList words = paragraph.split(QLatin1Char(' '));
  for (qsizetype i = 0; i < words.size(); ++i) {
    QString word = words[i];
    const QString candidate = i == 0 ? word : line + QLatin1Char(' ') + word;
    if (i == 0 || metrics.horizontalAdvance(candidate) <= width) {
      line = candidate;
    } else {
      lines.append(line);
      line = word;
    }
    // A word wider than the label on its own is broken between characters.
    while (metrics.horizontalAdvance(line) > width && line.size() > 1) {
      qsizetype fit = 1;
      while (fit < line.size() && metrics.horizontalAdvance(line.left(fit + 1)) <= width) ++fit;
      lines.append(line.left(fit));
      line = line.mid(fit);
    }
  }
  lines.append(line);
}

}  // namespace

QStringList WrapMessageText(const QString& text, const QFont& font, int width) {
  QString normalised = text;
  normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  const QFontMetrics metrics(font);
  QStringList lines;
  for (const QString& paragraph : normalised.split(QLatin1Char('\n'))) {
    wrapParagraph(paragraph, metrics, width, lines);
  }
  return lines;
}

WrappedLabel::WrappedLabel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("lbl"));
  setFocusPolicy(Qt::NoFocus);
}

void WrappedLabel::SetText(const QString& text, const QColor& color) {
  text_ = text;
  color_ = color;
  lines_ = WrapMessageText(text, font(), width());
  lineHeight_ = LineHeight(font());
  resize(width(), static_cast<int>(lines_.size()) * lineHeight_);
  update();
}

void WrappedLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(font());
  painter.setPen(color_);
  const QFontMetrics metrics(font());
  for (qsizetype i = 0; i < lines_.size(); ++i) {
    painter.drawText(0, static_cast<int>(i) * lineHeight_ + metrics.ascent(), lines_[i]);
  }
}

TfrmMsg::TfrmMsg(const TsuiMessageDialog& dialog)
    : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint),
      caption_(dialog.Caption),
      text_(dialog.Text) {
  setObjectName(QStringLiteral("frmMsg"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  setModal(true);
  resize(kClientWidth, kClientHeight);
  setMinimumSize(130, 54);
  installEventFilter(this);

  createDesignControls(dialog.Font.face);
  const int textBottom = wrapText(dialog.Text, dialog.Font.color);
  const int buttonCount = std::clamp(dialog.ButtonCount, 1, 3);
  showIcon(dialog.IconType, buttonCount);
  createButtons(dialog, buttonCount, textBottom + kButtonsBelowB);
  resize(width(), textBottom + kHeightBelowB);
  applySkin(dialog);
  placeOnScreen(dialog.Position);
}

// The panel, the label and the picture of the design, in the dialog's font.
void TfrmMsg::createDesignControls(const QFont& font) {
  suiForm1_ = new TsuiForm(this);
  suiForm1_->SetControlBoxVisible(false);
  suiForm1_->setFont(font);
  lbl_ = new WrappedLabel(suiForm1_);
  lbl_->setFont(font);
  lbl_->setGeometry(kLabelLeft, kLabelTop, kLabelWidth, LineHeight(font));
  Image1_ = new QLabel(suiForm1_);
  Image1_->setObjectName(QStringLiteral("Image1"));
  Image1_->setGeometry(kImageLeft, kImageTop, kImageDesignSize, kImageDesignSize);
  Image1_->setFocusPolicy(Qt::NoFocus);
}

// Wraps the text into the label and gives the bottom of the text or of the
// picture, whichever is lower: the buttons go below it.
int TfrmMsg::wrapText(const QString& text, const QColor& color) {
  lbl_->SetText(text, color);
  return std::max(kImageTop + kImageDesignSize, kLabelTop + lbl_->height());
}

// The picture of the icon type; without one the label moves left into its
// place and a window of fewer than three buttons gets narrower.
void TfrmMsg::showIcon(TsuiIconType icon, int buttonCount) {
  if (icon != suiNone) {
    const QPixmap strip = MessageIconStrip();
    const int pictureWidth = strip.width() / 4;
    const int index = static_cast<int>(icon);
    const int left = index == 4 ? strip.width() - pictureWidth : (index - 1) * pictureWidth;
    Image1_->setPixmap(strip.copy(left, 0, pictureWidth, strip.height()));
    Image1_->resize(pictureWidth, strip.height());
    return;
  }
  lbl_->move(kLabelLeftWithoutIcon, kLabelTop);
  Image1_->hide();
  if (buttonCount < 3) resize(width() - kNarrowerWithoutIcon, height());
}

// Buttons from right to left at height `top`, the last created (button 1)
// holding the focus.
void TfrmMsg::createButtons(const TsuiMessageDialog& dialog, int buttonCount, int top) {
  const int w = width();
  const QString captions[3] = {dialog.Button1Caption, dialog.Button2Caption, dialog.Button3Caption};
  const TModalResult results[3] = {dialog.Button1ModalResult, dialog.Button2ModalResult,
                                   dialog.Button3ModalResult};
  for (int i = 0; i < buttonCount; ++i) {
    const int k = buttonCount - i;
    auto* button = new TsuiButton(captions[k - 1], suiForm1_);
    button->setObjectName(QStringLiteral("Button%1").arg(k));
    button->SetUIStyle(dialog.UIStyle());
    button->setFont(dialog.Font.face);
    button->SetFontColor(dialog.Font.color);
    button->setGeometry(w - kButtonRightOffset - kButtonStep * i, top, kButtonWidth, kButtonHeight);
    button->setCursor(dialog.ButtonCursor);
    button->installEventFilter(this);
    const TModalResult result = results[k - 1];
    if (result == mrCancel) {
      cancelButton_ = button;
    } else if (result == mrOk) {
      defaultButton_ = button;
    }
    connect(button, &QPushButton::clicked, this, [this, result] {
      setResult(result);
      if (result != mrNone) done(result);
    });
    button->setFocus();
    buttons_.push_back(button);
  }
  // Tab goes from left to right and from the rightmost back to button 1.
  for (size_t i = buttons_.size() - 1; i > 0; --i) setTabOrder(buttons_[i], buttons_[i - 1]);
}

// Title and skin; the window system's own caption is not used. A skin frame
// wider than 6 pixels widens the window by both frames. The size is then
// fixed.
void TfrmMsg::applySkin(const TsuiMessageDialog& dialog) {
  suiForm1_->SetCaption(dialog.Caption);
  suiForm1_->SetUIStyle(dialog.UIStyle());
  suiForm1_->SetCaptionFont(dialog.CaptionFont.face, dialog.CaptionFont.color);
  if (TsuiForm::FrameWidth() > 6) resize(width() + 2 * TsuiForm::FrameWidth(), height());
  setFixedSize(size());
}

// Centred on the screen, or on the active window for poMainFormCenter;
// other positions leave the window where it is.
void TfrmMsg::placeOnScreen(TPosition position) {
  if (position != TPosition::poScreenCenter && position != TPosition::poMainFormCenter) return;
  const QScreen* screen = QGuiApplication::primaryScreen();
  QRect centre = screen != nullptr ? screen->geometry() : QRect();
  if (position == TPosition::poMainFormCenter && QApplication::activeWindow() != nullptr) {
    centre = QApplication::activeWindow()->frameGeometry();
  }
  MoveCentred(*this, centre);
}

QString TfrmMsg::ClipboardText() const {
  QStringList captions;
  for (const TsuiButton* button : buttons_) captions.append(button->text());
  return kRule + kCrLf + caption_ + kCrLf + kRule + kCrLf + text_ + kCrLf + kRule + kCrLf +
         captions.join(QStringLiteral("   ")) + kCrLf + kRule;
}

// Every request to close the window other than a button ends it with 2.
void TfrmMsg::reject() { done(mrCancel); }

bool TfrmMsg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && (watched == this || watched->parent() == suiForm1_)) {
    return handleKey(static_cast<QKeyEvent*>(event));
  }
  return QDialog::eventFilter(watched, event);
}

bool TfrmMsg::handleKey(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  const bool alt = modifiers.testFlag(Qt::AltModifier);
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
      if (alt) return false;
      auto* focused = qobject_cast<TsuiButton*>(QApplication::focusWidget());
      const bool ours = std::find(buttons_.begin(), buttons_.end(), focused) != buttons_.end();
      TsuiButton* target = ours ? focused : defaultButton_;
      if (target != nullptr) target->click();
      return true;
    }
    case Qt::Key_Escape:
      if (alt) return false;
      if (cancelButton_ != nullptr) cancelButton_->click();
      return true;
    case Qt::Key_C:
      // The key still reaches the focused control.
      if (modifiers.testFlag(Qt::ControlModifier)) copyToClipboard();
      return false;
    default:
      return false;
  }
}

void TfrmMsg::copyToClipboard() const {
  if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(ClipboardText());
}

}  // namespace zararod

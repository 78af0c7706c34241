// TfrmMsg: the window that TsuiMessageDialog::ShowModal builds, shows modally
// and destroys.
//
// Design (pixels): client area 336 × 140, fixed size, frameless; the skinned
// panel suiForm1 fills it and draws the title bar with a close button; the
// message label "lbl" lies at (88, 64), 225 wide, its height following the
// wrapped text (13 pixels a line with the program's 8-point font); the icon
// "Image1" at (24, 64), 40 × 40 until a picture is put in. The buttons are
// named "Button1".."Button3" after the property set they take.
//
// The window sees every key before its controls: Enter clicks the focused
// button (else the default button), Escape the cancel button (if any), and
// Ctrl+C copies the dialog as text to the clipboard. Any request to close the
// window ends it with modal result 2.
#pragma once

#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QString>
#include <QStringList>
#include <vector>

#include "ui/message_dialog.h"

namespace zararod {

class TsuiButton;
class TsuiForm;

// Breaks `text` into the lines the label shows when `width` pixels wide:
// a new line at every CR, LF or CR LF, and word wrapping at blanks; a word
// wider than the label is broken between characters. Empty text is one
// empty line.
QStringList WrapMessageText(const QString& text, const QFont& font, int width);

// The message label: draws its wrapped lines one below the other.
class WrappedLabel : public QWidget {
  Q_OBJECT

 public:
  explicit WrappedLabel(QWidget* parent);
  // Sets the text and the colour, wraps to the current width and takes the
  // height of the wrapped text.
  void SetText(const QString& text, const QColor& color);
  const QString& Text() const { return text_; }
  const QStringList& Lines() const { return lines_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  QStringList lines_;
  QColor color_;
  int lineHeight_ = 13;
};

class TfrmMsg : public QDialog {
  Q_OBJECT

 public:
  // Builds the window from the dialog's current properties, laid out and
  // placed, not yet shown.
  explicit TfrmMsg(const TsuiMessageDialog& dialog);

  // The text that Ctrl+C puts on the clipboard.
  QString ClipboardText() const;

  // Buttons in the order they were created: right to left on the screen.
  const std::vector<TsuiButton*>& Buttons() const { return buttons_; }
  TsuiButton* DefaultButton() const { return defaultButton_; }
  TsuiButton* CancelButton() const { return cancelButton_; }

  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The layout steps of the constructor, in their order.
  void createDesignControls(const QFont& font);
  int wrapText(const QString& text, const QColor& color);
  void showIcon(TsuiIconType icon, int buttonCount);
  void createButtons(const TsuiMessageDialog& dialog, int buttonCount, int top);
  void applySkin(const TsuiMessageDialog& dialog);
  void placeOnScreen(TPosition position);

  bool handleKey(QKeyEvent* event);
  void copyToClipboard() const;

  TsuiForm* suiForm1_;
  WrappedLabel* lbl_;
  QLabel* Image1_;
  QString caption_;
  QString text_;
  std::vector<TsuiButton*> buttons_;
  TsuiButton* defaultButton_ = nullptr;
  TsuiButton* cancelButton_ = nullptr;
};

}  // namespace zararod

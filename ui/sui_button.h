// TsuiButton: the skinned push button.
//
// Pressed by a mouse click or, while it has the keyboard focus, by Space or
// Enter; the press takes effect when the key is released. The window's
// buttons are neither default nor cancel buttons; the message dialog handles
// Enter and Escape itself (it sees keys before its buttons).
// Owned by its Qt parent.
#pragma once

#include <QPushButton>

#include "ui/skin.h"

namespace zararod {

class TsuiButton : public QPushButton {
  Q_OBJECT

 public:
  explicit TsuiButton(const QString& caption, QWidget* parent = nullptr);

  TsuiUIStyle UIStyle() const { return uiStyle_; }
  void SetUIStyle(TsuiUIStyle style);

  // Text colour of the caption (the font is the widget's font).
  QColor FontColor() const { return fontColor_; }
  void SetFontColor(const QColor& color);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  TsuiUIStyle uiStyle_;
  QColor fontColor_{Qt::black};
  bool enterHeld_ = false;
};

}  // namespace zararod

#include "ui/sui_button.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>

#include "ui/skin_form.h"

namespace zararod {
namespace {

bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

// The keypad's Enter comes with the keypad flag; it is no modifier key.
bool noModifierKey(const QKeyEvent* event) {
  return (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

}  // namespace

TsuiButton::TsuiButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent), uiStyle_(OwnerStyle(parent).value_or(TsuiUIStyle::DeepBlue)) {
  setAutoDefault(false);
  setDefault(false);
  setFocusPolicy(Qt::StrongFocus);
}

void TsuiButton::SetUIStyle(TsuiUIStyle style) {
  uiStyle_ = style;
  update();
}

void TsuiButton::SetFontColor(const QColor& color) {
  fontColor_ = color;
  update();
}

// Space is handled by QAbstractButton (down on press, click on release);
// Enter is made to behave the same way.
void TsuiButton::keyPressEvent(QKeyEvent* event) {
  if (isEnter(event->key()) && noModifierKey(event)) {
    if (!event->isAutoRepeat()) {
      enterHeld_ = true;
      setDown(true);
    }
    event->accept();
    return;
  }
  QPushButton::keyPressEvent(event);
}

void TsuiButton::keyReleaseEvent(QKeyEvent* event) {
  if (isEnter(event->key())) {
    event->accept();
    if (event->isAutoRepeat() || !enterHeld_) return;
    enterHeld_ = false;
    setDown(false);
    click();
    return;
  }
  QPushButton::keyReleaseEvent(event);
}

void TsuiButton::focusOutEvent(QFocusEvent* event) {
  if (enterHeld_) {
    enterHeld_ = false;
    setDown(false);
  }
  QPushButton::focusOutEvent(event);
}

void TsuiButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const SkinColors colors = StyleColors(uiStyle_);
  const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  QLinearGradient gradient(0, 0, 0, height());
  if (isDown()) {
    gradient.setColorAt(0.0, colors.buttonBottom.darker(110));
    gradient.setColorAt(1.0, colors.buttonTop.darker(104));
  } else {
    const int lift = underMouse() && isEnabled() ? 104 : 100;
    gradient.setColorAt(0.0, colors.buttonTop.lighter(lift));
    gradient.setColorAt(1.0, colors.buttonBottom.lighter(lift));
  }
  painter.setBrush(gradient);
  painter.setPen(hasFocus() ? QColor(84, 140, 214) : colors.buttonBorder);
  painter.drawRoundedRect(frame, 4.0, 4.0);
  if (hasFocus()) {
    painter.setPen(QColor(160, 196, 240));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame.adjusted(1, 1, -1, -1), 3.0, 3.0);
  }
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setFont(font());
  painter.setPen(isEnabled() ? fontColor_ : QColor(150, 150, 150));
  painter.drawText(rect().translated(isDown() ? 1 : 0, isDown() ? 1 : 0), Qt::AlignCenter, text());
}

}  // namespace zararod

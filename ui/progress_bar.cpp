#include "ui/progress_bar.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPalette>
#include <cstdint>

#include "ui/fonts.h"
#include "ui/skin_form.h"

namespace zararod {
namespace {

constexpr int kCaptionFontPixels = 11;  // the 8-point user-interface font

}  // namespace

QString ProgressCaption(int min, int max, int position) {
  return QString::number(ProgressPercent(min, max, position)) + QLatin1Char('%');
}

int ProgressFilledLength(int min, int max, int position, int width) {
  int length;
  if (min >= max || position <= min) {
    length = 0;
  } else if (position > max) {
    length = width - 1;
  } else {
    length = static_cast<int>((static_cast<double>(position) - min) * (width - 1) /
                              (static_cast<double>(max) - min));
  }
  return length == 0 ? 1 : length;
}

TsuiProgressBar::TsuiProgressBar(QWidget* parent) : QWidget(parent) {
  color_ = palette().color(QPalette::Button);
  setFocusPolicy(Qt::NoFocus);
  resize(150, 12);
  // The style's fill picture, but the colours keep their own defaults (black
  // frame, button face) until a style or a colour is set.
  uiStyle_ = OwnerStyle(parent).value_or(TsuiUIStyle::DeepBlue);
  picture_ = DefaultProgressFill();
  caption_ = ProgressCaption(min_, max_, position_);
}

void TsuiProgressBar::SetUIStyle(TsuiUIStyle style) {
  uiStyle_ = style;
  const SkinColors colors = StyleColors(style);
  color_ = colors.panel;
  borderColor_ = colors.border;
  picture_ = DefaultProgressFill();
  repaintNow();
}

void TsuiProgressBar::SetCaptionColor(const QColor& color) {
  captionColor_ = color;
  repaintNow();
}

void TsuiProgressBar::SetShowCaption(bool show) {
  showCaption_ = show;
  repaintNow();
}

void TsuiProgressBar::SetSmartShowCaption(bool smart) {
  smartShowCaption_ = smart;
  repaintNow();
}

void TsuiProgressBar::SetMax(int max) {
  max_ = max;
  rangeOrPositionChanged();
}

void TsuiProgressBar::SetMin(int min) {
  min_ = min;
  rangeOrPositionChanged();
}

void TsuiProgressBar::SetPosition(int position) {
  position_ = position;
  rangeOrPositionChanged();
}

void TsuiProgressBar::SetOrientation(TsuiProgressBarOrientation orientation) {
  orientation_ = orientation;
  repaintNow();
}

void TsuiProgressBar::SetBorderColor(const QColor& color) {
  borderColor_ = color;
  repaintNow();
}

void TsuiProgressBar::SetColor(const QColor& color) {
  color_ = color;
  repaintNow();
}

void TsuiProgressBar::SetPicture(const QPixmap& picture) {
  picture_ = picture;
  repaintNow();
}

bool TsuiProgressBar::CaptionDrawn() const {
  return showCaption_ && !(smartShowCaption_ && position_ == min_);
}

int TsuiProgressBar::FilledLength() const {
  return ProgressFilledLength(min_, max_, position_, width());
}

void TsuiProgressBar::rangeOrPositionChanged() {
  caption_ = ProgressCaption(min_, max_, position_);
  repaintNow();
}

// Paints now rather than at the next pass of the event loop: a job loop that
// sets Position record by record must see the bar follow.
void TsuiProgressBar::repaintNow() {
  if (isVisible()) repaint();
}

void TsuiProgressBar::paintEvent(QPaintEvent*) {
  // QWidget paints through its own back buffer, so the bar reaches the screen
  // in one piece.
  QPainter painter(this);
  const int w = width();
  const int h = height();
  const int filled = FilledLength();
  if (!picture_.isNull() && filled > 1 && h > 2) {
    painter.drawPixmap(QRect(1, 1, filled - 1, h - 2), picture_);
  }
  if (w - 1 > filled && h > 2) painter.fillRect(QRect(filled, 1, w - 1 - filled, h - 2), color_);
  if (CaptionDrawn()) {
    painter.setFont(TahomaFont(kCaptionFontPixels));
    painter.setPen(captionColor_);
    const QFontMetrics metrics(painter.font());
    const int textWidth = metrics.horizontalAdvance(caption_);
    const int textHeight = metrics.height();
    painter.drawText(QPoint((w - textWidth) / 2, (h - textHeight) / 2 + metrics.ascent()),
                     caption_);
  }
  painter.setPen(borderColor_);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(0, 0, w - 1, h - 1);
}

QPixmap DefaultProgressFill() {
  QPixmap fill(13, 10);
  QPainter painter(&fill);
  QLinearGradient gradient(0, 0, 0, 10);
  gradient.setColorAt(0.0, QColor(190, 218, 250));
  gradient.setColorAt(0.45, QColor(120, 172, 236));
  gradient.setColorAt(0.55, QColor(84, 146, 226));
  gradient.setColorAt(1.0, QColor(150, 200, 250));
  painter.fillRect(fill.rect(), gradient);
  return fill;
}

}  // namespace zararod

#include "ui/skin_form.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QWindow>
#include <algorithm>

#include "ui/fonts.h"

namespace zararod {
namespace {

constexpr int kButtonSize = 14;
constexpr int kButtonGap = 6;
constexpr int kIconSize = 16;
constexpr int kCaptionPixels = 11;

}  // namespace

TsuiForm::TsuiForm(QWidget* window) : QWidget(window) {
  setObjectName(QStringLiteral("suiForm1"));
  setFocusPolicy(Qt::NoFocus);
  setMouseTracking(true);
  setAutoFillBackground(false);
  captionFont_ = TahomaFont(kCaptionPixels, true);
  captionFontColor_ = StyleColors(uiStyle_).captionText;
  icon_ = ApplicationIcon(kIconSize);
  if (window != nullptr) {
    setGeometry(window->rect());
    window->installEventFilter(this);
  }
}

void TsuiForm::SetUIStyle(TsuiUIStyle style) {
  uiStyle_ = style;
  update();
}

void TsuiForm::SetCaption(const QString& caption) {
  caption_ = caption;
  if (parentWidget() != nullptr) parentWidget()->setWindowTitle(caption);
  update();
}

void TsuiForm::SetCaptionFont(const QFont& font, const QColor& color) {
  captionFont_ = font;
  captionFontColor_ = color;
  update();
}

void TsuiForm::SetControlBoxVisible(bool visible) {
  controlBoxVisible_ = visible;
  update();
}

QRect TsuiForm::CloseButtonRect() const {
  return QRect(width() - FrameWidth() - kButtonGap - kButtonSize,
               (kTitleBarHeight - kButtonSize) / 2, kButtonSize, kButtonSize);
}

QRect TsuiForm::ControlBoxRect() const {
  return CloseButtonRect().translated(-(kButtonSize + kButtonGap), 0);
}

TsuiForm::TitleButton TsuiForm::buttonAt(const QPoint& point) const {
  if (CloseButtonRect().adjusted(-2, -2, 2, 2).contains(point)) return TitleButton::Close;
  if (controlBoxVisible_ && ControlBoxRect().adjusted(-2, -2, 2, 2).contains(point)) {
    return TitleButton::ControlBox;
  }
  return TitleButton::None;
}

bool TsuiForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize) {
    setGeometry(parentWidget()->rect());
  }
  return QWidget::eventFilter(watched, event);
}

void TsuiForm::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint pos = event->position().toPoint();
  pressed_ = buttonAt(pos);
  if (pressed_ != TitleButton::None) {
    update();
    return;
  }
  if (pos.y() < kTitleBarHeight) {
    // Let the window system move the window where it can; otherwise follow the
    // cursor ourselves.
    QWindow* handle = window()->windowHandle();
    if (handle == nullptr || !handle->startSystemMove()) {
      dragOffset_ = event->globalPosition().toPoint() - window()->pos();
    }
  }
}

void TsuiForm::mouseMoveEvent(QMouseEvent* event) {
  if (dragOffset_) {
    window()->move(event->globalPosition().toPoint() - *dragOffset_);
    return;
  }
  const TitleButton hovered = buttonAt(event->position().toPoint());
  if (hovered != hovered_) {
    hovered_ = hovered;
    update();
  }
}

void TsuiForm::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragOffset_.reset();
  const TitleButton pressed = pressed_;
  pressed_ = TitleButton::None;
  update();
  if (pressed == TitleButton::None || buttonAt(event->position().toPoint()) != pressed) return;
  if (pressed == TitleButton::Close) {
    window()->close();
  } else {
    window()->showMinimized();
  }
}

void TsuiForm::leaveEvent(QEvent*) {
  if (hovered_ != TitleButton::None) {
    hovered_ = TitleButton::None;
    update();
  }
}

void TsuiForm::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const SkinColors colors = StyleColors(uiStyle_);
  painter.fillRect(rect(), colors.panel);
  paintTitleBar(painter, colors);
  painter.setPen(colors.border);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(0, 0, width() - 1, height() - 1);
}

void TsuiForm::paintTitleBar(QPainter& painter, const SkinColors& colors) {
  painter.save();
  const QRect bar(0, 0, width(), kTitleBarHeight);
  QLinearGradient gradient(0, 0, 0, kTitleBarHeight);
  gradient.setColorAt(0.0, colors.titleTop);
  gradient.setColorAt(1.0, colors.titleBottom);
  painter.fillRect(bar, gradient);
  painter.setPen(colors.titleLine);
  painter.drawLine(0, kTitleBarHeight - 1, width() - 1, kTitleBarHeight - 1);

  const int iconTop = (kTitleBarHeight - kIconSize) / 2;
  if (!icon_.isNull()) painter.drawPixmap(QRect(6, iconTop, kIconSize, kIconSize), icon_);

  // The caption is centred over the whole bar, as the light style has it, and
  // cut short before it reaches the icon or the buttons.
  const int left = 6 + kIconSize + 6;
  const int right = (controlBoxVisible_ ? ControlBoxRect().left() : CloseButtonRect().left()) - 6;
  const int room = std::max(0, std::min(width() / 2 - left, right - width() / 2) * 2);
  painter.setFont(captionFont_);
  painter.setPen(captionFontColor_);
  const QFontMetrics metrics(captionFont_);
  const QString text = metrics.elidedText(caption_, Qt::ElideRight, room);
  painter.drawText(QRect(width() / 2 - room / 2, 0, room, kTitleBarHeight - 1), Qt::AlignCenter,
                   text);

  painter.setRenderHint(QPainter::Antialiasing);
  auto drawButton = [&](const QRect& r, TitleButton which, const QColor& base) {
    QColor fill = base;
    if (pressed_ == which)
      fill = base.darker(125);
    else if (hovered_ == which)
      fill = base.lighter(112);
    QRadialGradient light(r.center() - QPoint(2, 3), r.width());
    light.setColorAt(0.0, fill.lighter(150));
    light.setColorAt(1.0, fill);
    painter.setBrush(light);
    painter.setPen(QPen(base.darker(150), 1));
    painter.drawEllipse(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5));
    painter.setPen(QPen(base.darker(230), 1.4));
    const QRectF mark = QRectF(r).adjusted(4.5, 4.5, -4.5, -4.5);
    if (which == TitleButton::Close) {
      painter.drawLine(mark.topLeft(), mark.bottomRight());
      painter.drawLine(mark.topRight(), mark.bottomLeft());
    } else {
      painter.drawLine(QPointF(mark.left(), mark.center().y()),
                       QPointF(mark.right(), mark.center().y()));
    }
  };
  drawButton(CloseButtonRect(), TitleButton::Close, QColor(236, 92, 84));
  if (controlBoxVisible_)
    drawButton(ControlBoxRect(), TitleButton::ControlBox, QColor(244, 190, 72));
  painter.restore();
}

std::optional<TsuiUIStyle> OwnerStyle(const QWidget* widget) {
  if (widget == nullptr) return std::nullopt;
  const QWidget* top = widget->window();
  if (const auto* form = qobject_cast<const TsuiForm*>(widget)) return form->UIStyle();
  if (const auto* form = top->findChild<const TsuiForm*>()) return form->UIStyle();
  return std::nullopt;
}

QPixmap ApplicationIcon(int size) {
  // A sheaf of grain over a small database drum: the program moves grain
  // purchase records between two servers.
  QPixmap icon(size, size);
  icon.fill(Qt::transparent);
  QPainter painter(&icon);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 16.0, size / 16.0);
  QLinearGradient drum(0, 8, 0, 16);
  drum.setColorAt(0.0, QColor(96, 150, 214));
  drum.setColorAt(1.0, QColor(40, 86, 156));
  painter.setPen(QPen(QColor(30, 60, 110), 0.8));
  painter.setBrush(drum);
  painter.drawRoundedRect(QRectF(2.5, 9.0, 11.0, 6.0), 2.0, 2.0);
  painter.setBrush(QColor(150, 196, 240));
  painter.drawEllipse(QRectF(2.5, 7.5, 11.0, 3.0));
  painter.setPen(QPen(QColor(168, 120, 20), 1.2));
  painter.setBrush(QColor(236, 190, 64));
  for (int i = 0; i < 3; ++i) {
    const double x = 5.0 + i * 3.0;
    painter.drawLine(QPointF(8.0, 8.0), QPointF(x, 3.0));
    painter.drawEllipse(QRectF(x - 1.3, 0.8, 2.6, 3.6));
  }
  return icon;
}

void MoveCentred(QWidget& window, const QRect& area) {
  window.move(area.left() + (area.width() - window.width()) / 2,
              area.top() + (area.height() - window.height()) / 2);
}

}  // namespace zararod

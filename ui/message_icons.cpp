#include "ui/message_icons.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "ui/fonts.h"

namespace zararod {
namespace {

void drawGlyph(QPainter& painter, const QRectF& box, const QString& glyph, const QColor& color,
               int pixels) {
  QFont font = TahomaFont(pixels, true);
  painter.setFont(font);
  painter.setPen(color);
  painter.drawText(box, Qt::AlignCenter, glyph);
}

void drawDisc(QPainter& painter, const QRectF& box, const QColor& light, const QColor& dark) {
  QRadialGradient gradient(box.center() - QPointF(5, 7), box.width() * 0.75);
  gradient.setColorAt(0.0, light);
  gradient.setColorAt(1.0, dark);
  painter.setPen(QPen(dark.darker(140), 1.2));
  painter.setBrush(gradient);
  painter.drawEllipse(box);
}

void drawWarning(QPainter& painter, const QRectF& cell) {
  QPainterPath triangle;
  triangle.moveTo(cell.center().x(), cell.top() + 3);
  triangle.lineTo(cell.right() - 2, cell.bottom() - 4);
  triangle.lineTo(cell.left() + 2, cell.bottom() - 4);
  triangle.closeSubpath();
  QLinearGradient gradient(0, cell.top(), 0, cell.bottom());
  gradient.setColorAt(0.0, QColor(255, 232, 120));
  gradient.setColorAt(1.0, QColor(240, 180, 20));
  painter.setPen(QPen(QColor(150, 100, 0), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(gradient);
  painter.drawPath(triangle);
  drawGlyph(painter, cell.adjusted(0, 9, 0, -2), QStringLiteral("!"), Qt::black, 22);
}

void drawStop(QPainter& painter, const QRectF& cell) {
  const QRectF disc = cell.adjusted(3, 3, -3, -3);
  drawDisc(painter, disc, QColor(255, 120, 110), QColor(196, 24, 20));
  painter.setPen(QPen(Qt::white, 4.0, Qt::SolidLine, Qt::RoundCap));
  const QRectF cross = disc.adjusted(11, 11, -11, -11);
  painter.drawLine(cross.topLeft(), cross.bottomRight());
  painter.drawLine(cross.topRight(), cross.bottomLeft());
}

void drawInformation(QPainter& painter, const QRectF& cell) {
  const QRectF disc = cell.adjusted(3, 3, -3, -3);
  drawDisc(painter, disc, QColor(130, 180, 250), QColor(24, 84, 190));
  drawGlyph(painter, disc, QStringLiteral("i"), Qt::white, 24);
}

void drawHelp(QPainter& painter, const QRectF& cell) {
  const QRectF disc = cell.adjusted(3, 3, -3, -3);
  drawDisc(painter, disc, QColor(140, 200, 250), QColor(30, 110, 190));
  drawGlyph(painter, disc, QStringLiteral("?"), Qt::white, 24);
}

}  // namespace

QPixmap MessageIconStrip() {
  QPixmap strip(4 * kMessageIconSize, kMessageIconSize);
  strip.fill(Qt::transparent);
  QPainter painter(&strip);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  auto cell = [](int n) {
    return QRectF(n * kMessageIconSize, 0, kMessageIconSize, kMessageIconSize);
  };
  drawWarning(painter, cell(0));
  drawStop(painter, cell(1));
  drawInformation(painter, cell(2));
  drawHelp(painter, cell(3));
  return strip;
}

}  // namespace zararod

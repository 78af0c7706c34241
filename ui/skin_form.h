// TsuiForm: the skinned panel that fills a frameless top-level window and
// draws its frame and title bar.
//
// The title bar, kTitleBarHeight pixels high at the top of the panel, shows
// the application icon at its left, the caption, and at its right the
// control-box (minimise) button and the close button. Dragging the title bar
// moves the window. The close button asks the window to close (the window's
// closeEvent decides). The client area is painted in the style's panel
// colour (RGB 231,231,231) with a one-pixel border (RGB 127,127,127).
// Controls that lie on the panel are its children, at coordinates relative to
// the window's top-left corner. Owned by its Qt parent (the window).
#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>
#include <optional>

#include "ui/skin.h"

namespace zararod {

class TsuiForm : public QWidget {
  Q_OBJECT

 public:
  // Fills `window` and follows its size.
  explicit TsuiForm(QWidget* window);

  TsuiUIStyle UIStyle() const { return uiStyle_; }
  void SetUIStyle(TsuiUIStyle style);

  // The title text; shown in the title bar and set as the window's title
  // (which the task bar shows).
  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);

  QFont CaptionFont() const { return captionFont_; }
  QColor CaptionFontColor() const { return captionFontColor_; }
  void SetCaptionFont(const QFont& font, const QColor& color);

  // Dialogs show the close button alone.
  void SetControlBoxVisible(bool visible);
  bool ControlBoxVisible() const { return controlBoxVisible_; }

  // The two title-bar buttons, in panel coordinates (for tests and hit tests).
  QRect CloseButtonRect() const;
  QRect ControlBoxRect() const;
  // The frame width this skin draws around the client area.
  static constexpr int FrameWidth() { return 1; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  enum class TitleButton { None, ControlBox, Close };
  TitleButton buttonAt(const QPoint& point) const;
  void paintTitleBar(QPainter& painter, const SkinColors& colors);

  TsuiUIStyle uiStyle_ = TsuiUIStyle::MacOS;
  QString caption_;
  QFont captionFont_;
  QColor captionFontColor_;
  QPixmap icon_;
  bool controlBoxVisible_ = true;
  TitleButton hovered_ = TitleButton::None;
  TitleButton pressed_ = TitleButton::None;
  std::optional<QPoint> dragOffset_;  // cursor position minus window position
};

// The style of the skinned panel of the window that `widget` lies on (or
// that `widget` is), if it has one.
std::optional<TsuiUIStyle> OwnerStyle(const QWidget* widget);

// The application icon, drawn in code at the given size.
QPixmap ApplicationIcon(int size);

// Moves a skinned window (which has no frame of the window system, so its
// outer size is its own size) to stand centred on `area`.
void MoveCentred(QWidget& window, const QRect& area);

}  // namespace zararod

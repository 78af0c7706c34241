// TsuiProgressBar: the skinned horizontal progress bar with the completed
// share written over it as a whole percentage followed by "%".
//
// Setting Min, Max or Position recomputes the caption and repaints the bar at
// once (synchronously), so the bar follows a loop that handles no other
// window messages. The other properties repaint without touching the caption.
// The percentage is not clamped: 11 of 7 reads "157%".
// User-interface thread only; the widget is owned by its Qt parent.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include "ui/skin.h"
#include "util/progress_percent.h"

namespace zararod {

// The percentage in decimal digits followed by "%".
QString ProgressCaption(int min, int max, int position);
// Filled length of a bar whose client area is `width` pixels wide: 0 when the
// range is empty or reversed or position ≤ min, width − 1 beyond max, else the
// share of width − 1 truncated; 0 is raised to 1.
int ProgressFilledLength(int min, int max, int position, int width);

enum class TsuiProgressBarOrientation { suiHorizontal, suiVertical };

class TsuiProgressBar : public QWidget {
  Q_OBJECT

 public:
  // A new bar is 150 × 12 pixels, range 0..100, position 50, caption "50%".
  explicit TsuiProgressBar(QWidget* parent = nullptr);

  TsuiUIStyle UIStyle() const { return uiStyle_; }
  void SetUIStyle(TsuiUIStyle style);

  QColor CaptionColor() const { return captionColor_; }
  void SetCaptionColor(const QColor& color);
  bool ShowCaption() const { return showCaption_; }
  void SetShowCaption(bool show);
  // Hides the caption while Position equals Min.
  bool SmartShowCaption() const { return smartShowCaption_; }
  void SetSmartShowCaption(bool smart);

  int Max() const { return max_; }
  void SetMax(int max);
  int Min() const { return min_; }
  void SetMin(int min);
  int Position() const { return position_; }
  void SetPosition(int position);

  // Only the horizontal orientation is drawn; the vertical one is kept as a
  // value for completeness.
  TsuiProgressBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TsuiProgressBarOrientation orientation);

  QColor BorderColor() const { return borderColor_; }
  void SetBorderColor(const QColor& color);
  // The unfilled part.
  QColor Color() const { return color_; }
  void SetColor(const QColor& color);
  // Stretched over the filled part; a null pixmap leaves it unpainted.
  const QPixmap& Picture() const { return picture_; }
  void SetPicture(const QPixmap& picture);

  // The control's own text: the percentage caption.
  const QString& Caption() const { return caption_; }
  // Whether the caption is drawn in the current state.
  bool CaptionDrawn() const;
  int FilledLength() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void rangeOrPositionChanged();
  void repaintNow();

  TsuiUIStyle uiStyle_ = TsuiUIStyle::DeepBlue;
  QColor captionColor_{Qt::black};
  bool showCaption_ = true;
  bool smartShowCaption_ = false;
  int max_ = 100;
  int min_ = 0;
  int position_ = 50;
  TsuiProgressBarOrientation orientation_ = TsuiProgressBarOrientation::suiHorizontal;
  QColor borderColor_{Qt::black};
  QColor color_;
  QPixmap picture_;
  QString caption_;
};

// The fill picture of the window's bars (13 × 10 pixels, a light blue
// gradient), drawn in code.
QPixmap DefaultProgressFill();

}  // namespace zararod

#include "ui/progress_bar.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <limits>

#include <gtest/gtest.h>

namespace zararod {
namespace {

constexpr int kMaxInt = std::numeric_limits<int>::max();
constexpr int kMinInt = std::numeric_limits<int>::min();

struct CaptionCase {
  int min, max, position;
  const char* caption;
};

TEST(ProgressBarCaption, IsTheTruncatedUnclampedPercentage) {
  const CaptionCase cases[] = {
      {0, 3, 0, "0%"}, {0, 3, 1, "33%"},   {0, 3, 2, "66%"},    {0, 3, 3, "100%"},
      {0, 0, 0, "0%"}, {0, 7, 11, "157%"}, {10, 20, 5, "-50%"}, {10, 20, 15, "50%"},
      {5, 5, 9, "0%"}, {0, 3, -1, "-33%"}, {0, 100, 11, "11%"},
      // Whole percentages that a share divided before multiplying misses.
      {0, 100, 29, "29%"}, {0, 100, 57, "57%"}, {0, 50, 29, "58%"}, {0, 200, 116, "58%"},
      // Percentages beyond the range of int, and the widest range.
      {0, 1, kMaxInt, "214748364700%"}, {0, 1, kMinInt, "-214748364800%"},
      {kMinInt, kMaxInt, kMaxInt, "100%"}, {kMinInt, kMaxInt, 0, "50%"},
      {kMaxInt, kMinInt, 0, "49%"},
  };
  for (const CaptionCase& c : cases) {
    EXPECT_EQ(ProgressCaption(c.min, c.max, c.position).toStdString(), c.caption)
        << c.min << ".." << c.max << " at " << c.position;
  }
}

struct LengthCase {
  int min, max, position, width, length;
};

TEST(ProgressBarFill, FollowsTheRangeAndIsNeverZero) {
  const LengthCase cases[] = {
      {0, 3, 1, 516, 171},                       // one third of 515, truncated
      {0, 3, 3, 516, 515},   {0, 3, 0, 516, 1},  // position at min: raised to 1
      {0, 0, 0, 516, 1},     {3, 0, 2, 516, 1},  // reversed range
      {0, 7, 11, 516, 515},                      // beyond max: full
      {0, 100, 11, 516, 56}, {0, 1000, 1, 516, 1},
      {0, 100, 29, 101, 29},  // exactly 29 of 100 pixels, not 28.999…
  };
  for (const LengthCase& c : cases) {
    EXPECT_EQ(ProgressFilledLength(c.min, c.max, c.position, c.width), c.length)
        << c.min << ".." << c.max << " at " << c.position;
  }
}

TEST(ProgressBar, NewBarHasItsDefaults) {
  TsuiProgressBar bar;
  EXPECT_EQ(bar.size(), QSize(150, 12));
  EXPECT_EQ(bar.Caption(), QStringLiteral("50%"));
  EXPECT_EQ(bar.Min(), 0);
  EXPECT_EQ(bar.Max(), 100);
  EXPECT_TRUE(bar.ShowCaption());
  EXPECT_FALSE(bar.SmartShowCaption());
  EXPECT_EQ(bar.CaptionColor(), QColor(Qt::black));
  EXPECT_EQ(bar.UIStyle(), TsuiUIStyle::DeepBlue);
  EXPECT_EQ(bar.Orientation(), TsuiProgressBarOrientation::suiHorizontal);
  EXPECT_EQ(bar.BorderColor(), QColor(Qt::black));
  EXPECT_EQ(bar.Color(), QApplication::palette().color(QPalette::Button));
}

TEST(ProgressBar, CaptionChangesOnlyWithRangeAndPosition) {
  TsuiProgressBar bar;
  bar.SetMax(7);
  bar.SetPosition(11);
  EXPECT_EQ(bar.Caption(), QStringLiteral("157%"));
  bar.SetColor(Qt::red);
  bar.SetShowCaption(false);
  EXPECT_EQ(bar.Caption(), QStringLiteral("157%"));
  bar.SetMin(7);
  EXPECT_EQ(bar.Caption(), QStringLiteral("0%"));
}

// Counts the paints a widget receives.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

TEST(ProgressBar, RepaintsAtOnceOnEveryChangeOfRangeOrPosition) {
  TsuiProgressBar bar;
  bar.resize(516, 17);
  bar.show();
  QCoreApplication::processEvents();
  PaintCounter counter;
  bar.installEventFilter(&counter);
  // No event loop runs between the changes, as in a job's record loop.
  bar.SetMax(3);
  bar.SetPosition(1);
  bar.SetPosition(2);
  bar.SetMin(1);
  EXPECT_EQ(counter.paints, 4);
}

class BarPicture : public ::testing::Test {
 protected:
  void SetUp() override {
    bar_.resize(516, 17);
    bar_.SetColor(QColor(231, 231, 231));
    bar_.SetBorderColor(QColor(127, 127, 127));
    QPixmap red(13, 10);
    red.fill(Qt::red);
    bar_.SetPicture(red);
  }
  QImage image() { return bar_.grab().toImage(); }
  // Whether dark (caption) pixels lie in the middle of the bar.
  bool captionInk() {
    const QImage shot = image();
    for (int y = 2; y < 15; ++y) {
      for (int x = 230; x < 290; ++x) {
        if (shot.pixelColor(x, y).lightness() < 100) return true;
      }
    }
    return false;
  }
  TsuiProgressBar bar_;
};

TEST_F(BarPicture, PaintsPictureThenColourThenFrame) {
  bar_.SetMax(3);
  bar_.SetPosition(1);
  const QImage shot = image();
  EXPECT_EQ(shot.pixelColor(0, 8), QColor(127, 127, 127));
  EXPECT_EQ(shot.pixelColor(100, 0), QColor(127, 127, 127));
  EXPECT_EQ(shot.pixelColor(515, 16), QColor(127, 127, 127));
  EXPECT_EQ(shot.pixelColor(1, 8), QColor(Qt::red));
  EXPECT_EQ(shot.pixelColor(170, 8), QColor(Qt::red));  // x = 1 .. L − 1
  EXPECT_EQ(shot.pixelColor(171, 8), QColor(231, 231, 231));
  EXPECT_EQ(shot.pixelColor(514, 15), QColor(231, 231, 231));
}

TEST_F(BarPicture, EmptyRangeShowsNoFill) {
  bar_.SetMax(0);
  bar_.SetPosition(0);
  EXPECT_EQ(bar_.Caption(), QStringLiteral("0%"));
  const QImage shot = image();
  EXPECT_EQ(shot.pixelColor(1, 8), QColor(231, 231, 231));
  EXPECT_EQ(shot.pixelColor(0, 8), QColor(127, 127, 127));
}

TEST_F(BarPicture, FullBeyondMax) {
  bar_.SetMax(7);
  bar_.SetPosition(11);
  EXPECT_EQ(image().pixelColor(514, 8), QColor(Qt::red));
}

TEST_F(BarPicture, SmartCaptionHidesTheTextAtMin) {
  bar_.SetMax(3);
  bar_.SetPosition(0);
  EXPECT_TRUE(captionInk()) << "0% is drawn without SmartShowCaption";
  bar_.SetSmartShowCaption(true);
  EXPECT_FALSE(captionInk());
  bar_.SetPosition(1);
  EXPECT_TRUE(captionInk());
  bar_.SetShowCaption(false);
  EXPECT_FALSE(captionInk());
}

}  // namespace
}  // namespace zararod
